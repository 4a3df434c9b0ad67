// Velmora: the names and name rules of the assembled documentation folder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "docnames.h"

#include <algorithm>

namespace tarn::docnames {

namespace {

bool isNameChar(char16_t u, bool capitals)
{
    return (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'.' || u == u'_'
        || u == u'-' || (capitals && u >= u'A' && u <= u'Z');
}

bool endsWithAny(QStringView name, std::initializer_list<const char *> suffixes)
{
    return std::any_of(suffixes.begin(), suffixes.end(), [name](const char *suffix) {
        return name.endsWith(QLatin1String(suffix), Qt::CaseInsensitive);
    });
}

} // namespace

bool isReserved(QStringView name)
{
    return name == QLatin1String(indexList) || name == QLatin1String(contentsList)
        || name == QLatin1String(entryList) || name == QLatin1String(nameList)
        || name == QLatin1String(versionFile);
}

FileKind fileKind(QStringView name)
{
    if (isReserved(name))
        return FileKind::Reserved;
    if (endsWithAny(name, {".html", ".css"}))
        return FileKind::Page;
    if (endsWithAny(name, {".png", ".gif", ".jpg", ".jpeg"}))
        return FileKind::Image;
    return FileKind::Unknown;
}

bool isValidPageName(QStringView name)
{
    if (!name.endsWith(QLatin1String(".html")) && !name.endsWith(QLatin1String(".css")))
        return false;
    return std::all_of(name.begin(), name.end(),
                       [](QChar c) { return isNameChar(c.unicode(), false); });
}

bool isValidImageName(QStringView name)
{
    return !name.isEmpty() && std::all_of(name.begin(), name.end(), [](QChar c) {
        return isNameChar(c.unicode(), true);
    });
}

QString doubleSizeName(QStringView name)
{
    const qsizetype dot = name.lastIndexOf(u'.');
    if (dot <= 0)
        return name.toString() + QLatin1String("-2x");
    return name.first(dot).toString() + QLatin1String("-2x") + name.sliced(dot);
}

QString pageNameRule()
{
    return QStringLiteral("page name must use only a-z 0-9 . _ - and end in .html or .css");
}

QString imageNameRule()
{
    return QStringLiteral("image name must use only A-Z a-z 0-9 . _ -");
}

} // namespace tarn::docnames
