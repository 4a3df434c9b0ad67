// Velmora: page names ("page.html#anchor") and links that leave the set.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagename.h"

#include <QList>
#include <QStringView>

namespace tarn {

PageName splitPageName(const QString &name)
{
    PageName result;
    int piece = 0;
    for (const QStringView part : QStringView(name).split(u'#', Qt::SkipEmptyParts)) {
        if (piece == 0)
            result.page = part.toString();
        else if (piece == 1)
            result.anchor = part.toString();
        else
            break;
        ++piece;
    }
    return result;
}

bool isWebLink(const QString &name)
{
    for (const char *scheme : {"http:", "https:", "ftp:", "mailto:"}) {
        if (name.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace tarn
