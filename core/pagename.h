// Velmora: page names ("page.html#anchor") and links that leave the set.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>

namespace tarn {

struct PageName
{
    QString page;
    QString anchor;
};

// Splits "page.html#anchor" at every "#", dropping empty pieces: the first
// piece is the page, the second the anchor, any further pieces are ignored.
PageName splitPageName(const QString &name);

// A link for the system browser: http:, https:, ftp: or mailto:.
bool isWebLink(const QString &name);

} // namespace tarn
