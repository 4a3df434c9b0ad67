// Velmora: how a page is cut into printed sheets.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "printlayout.h"

namespace tarn {

PrintGeometry printGeometry(int width, int height, int dpiX, int dpiY)
{
    const int marginX = dpiX * 72 / 72;
    const int marginY = dpiY * 72 / 72;
    const QRect area(marginX, marginY, width - 2 * marginX, height - 2 * marginY);
    return {area, area.height()};
}

int sheetCount(int textHeight, int bandHeight)
{
    if (bandHeight <= 0 || textHeight <= bandHeight)
        return 1;
    return (textHeight + bandHeight - 1) / bandHeight;
}

} // namespace tarn
