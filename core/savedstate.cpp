// Velmora: what the window keeps between runs, read and written in one place.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "savedstate.h"

#include "listtables.h"

#include <QSettings>
#include <QStringList>
#include <QVariant>

namespace tarn {

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

int readInt(QSettings &settings, const char *name, int def)
{
    bool ok = false;
    const int value = settings.value(key(name), def).toInt(&ok);
    return ok ? value : def;
}

int readSize(QSettings &settings, const char *name, int def)
{
    const int value = readInt(settings, name, def);
    return value > 0 && value <= SavedState::largestSize ? value : def;
}

// A stored list. Anything but strings (a damaged store) reads as an empty
// list, and so does a single empty string.
QStringList readList(QSettings &settings, const char *name)
{
    const QVariant value = settings.value(key(name));
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() == QMetaType::QString) {
        const QString single = value.toString();
        return single.isEmpty() ? QStringList() : QStringList{single};
    }
    if (value.typeId() == QMetaType::QVariantList) {
        QStringList result;
        for (const QVariant &entry : value.toList()) {
            if (entry.typeId() != QMetaType::QString)
                return {};
            result.append(entry.toString());
        }
        return result;
    }
    return {};
}

} // namespace

QString defaultTextFont()
{
    return QStringLiteral("Gnu Unifont,11,-1,5,50,0,0,0,0,0");
}

QString themeName(Theme theme)
{
    switch (theme) {
    case Theme::Light:
        return QStringLiteral("Light");
    case Theme::Dark:
        return QStringLiteral("Dark");
    case Theme::System:
        break;
    }
    return QStringLiteral("System");
}

Theme themeFromName(QStringView name)
{
    const QStringView trimmed = name.trimmed();
    for (const Theme theme : {Theme::Light, Theme::Dark}) {
        if (trimmed.compare(themeName(theme), Qt::CaseInsensitive) == 0)
            return theme;
    }
    return Theme::System;
}

Theme themeFromStored(const QVariant &value)
{
    // A list, a number or a group where the name belongs is damage.
    if (value.typeId() != QMetaType::QString)
        return Theme::System;
    return themeFromName(value.toString());
}

SavedState SavedState::read(QSettings &settings)
{
    namespace k = settingskeys;
    SavedState state;
    state.x = readInt(settings, k::geomX, defaultX);
    state.y = readInt(settings, k::geomY, defaultY);
    state.width = readSize(settings, k::geomW, defaultWidth);
    state.height = readSize(settings, k::geomH, defaultHeight);
    state.leftPane = readSize(settings, k::geomS1, defaultLeftPane);
    state.rightPane = readSize(settings, k::geomS2, defaultRightPane);
    state.tab = readInt(settings, k::geomTab, defaultTab);

    // A font stored as anything but a string is damage; a string that is not
    // a font the window finds out itself, as it needs the font system to.
    const QVariant font = settings.value(key(k::textFont));
    if (font.typeId() == QMetaType::QString)
        state.textFont = font.toString();

    // Only a family name is a choice.
    const QVariant fixed = settings.value(key(k::fixedFamily));
    if (fixed.typeId() == QMetaType::QString && fixed.toString().size() <= 256)
        state.fixedFamily = fixed.toString();
    else if (fixed.isValid())
        settings.remove(key(k::fixedFamily));

    // A version of the Qt 6 series, and a boolean as QSettings writes one;
    // anything else shows every entry, as no choice would.
    const QVariant upTo = settings.value(key(k::indexUpTo));
    if (upTo.typeId() == QMetaType::QString) {
        const int version = versionNumber(upTo.toString().trimmed());
        if (version >= 600 && version < 700)
            state.indexUpTo = version;
    }
    const QVariant hide = settings.value(key(k::indexHideDeprecated));
    if (hide.typeId() == QMetaType::Bool)
        state.hideDeprecated = hide.toBool();
    else if (hide.typeId() == QMetaType::QString)
        state.hideDeprecated = hide.toString() == u"true";

    state.theme = themeFromStored(settings.value(key(k::theme)));
    state.bookmarks = readBookmarks(settings);
    return state;
}

void SavedState::write(QSettings &settings) const
{
    namespace k = settingskeys;
    settings.setValue(key(k::geomTab), tab);
    settings.setValue(key(k::geomX), x);
    settings.setValue(key(k::geomY), y);
    settings.setValue(key(k::geomW), width);
    settings.setValue(key(k::geomH), height);
    settings.setValue(key(k::geomS1), leftPane);
    settings.setValue(key(k::geomS2), rightPane);
    settings.setValue(key(k::textFont), textFont);
    writeBookmarks(settings, bookmarks);
}

QList<Bookmark> SavedState::readBookmarks(QSettings &settings)
{
    const QStringList names = readList(settings, settingskeys::bookmarkNames);
    const QStringList urls = readList(settings, settingskeys::bookmarkUrls);
    QList<Bookmark> bookmarks;
    bookmarks.reserve(names.size());
    for (qsizetype i = 0; i < names.size(); ++i)
        bookmarks.append({names.at(i), urls.value(i)});
    return bookmarks;
}

void SavedState::writeBookmarks(QSettings &settings, const QList<Bookmark> &bookmarks)
{
    QStringList names;
    QStringList urls;
    for (const Bookmark &bookmark : bookmarks) {
        names.append(bookmark.label);
        urls.append(bookmark.url);
    }
    settings.setValue(key(settingskeys::bookmarkNames), names);
    settings.setValue(key(settingskeys::bookmarkUrls), urls);
}

void SavedState::writeVersionFilter(QSettings &settings, int upTo, bool hideDeprecated)
{
    settings.setValue(key(settingskeys::indexUpTo),
                      upTo > 0 ? QStringLiteral("%1.%2").arg(upTo / 100).arg(upTo % 100)
                               : QString());
    settings.setValue(key(settingskeys::indexHideDeprecated), hideDeprecated);
}

void SavedState::writeFixedFamily(QSettings &settings, const QString &family)
{
    settings.setValue(key(settingskeys::fixedFamily), family);
}

void SavedState::writeTheme(QSettings &settings, Theme theme)
{
    settings.setValue(key(settingskeys::theme), themeName(theme));
}

} // namespace tarn
