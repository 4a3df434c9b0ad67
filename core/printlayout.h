// Velmora: how a page is cut into printed sheets.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QRect>

namespace tarn {

struct PrintGeometry
{
    QRect area;     // the sheet less a one-inch margin on every side
    int bandHeight; // the height of text one sheet shows
};

// Geometry for a sheet of width × height device units at the given
// resolutions in dots per inch.
PrintGeometry printGeometry(int width, int height, int dpiX, int dpiY);

// Sheets needed for text of that height: the smallest n with
// n × bandHeight >= textHeight, and never less than one.
int sheetCount(int textHeight, int bandHeight);

} // namespace tarn
