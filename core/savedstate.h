// Velmora: what the window keeps between runs, read and written in one place.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

class QSettings;
class QVariant;

namespace tarn {

// Every key of the window's settings store, spelled once. QSettings takes
// them with or without the leading "/".
namespace settingskeys {
inline constexpr char geomX[] = "/velmora/geom/x";
inline constexpr char geomY[] = "/velmora/geom/y";
inline constexpr char geomW[] = "/velmora/geom/w";
inline constexpr char geomH[] = "/velmora/geom/h";
inline constexpr char geomS1[] = "/velmora/geom/s1";
inline constexpr char geomS2[] = "/velmora/geom/s2";
inline constexpr char geomTab[] = "/velmora/geom/t";
inline constexpr char textFont[] = "/velmora/font/f";
inline constexpr char fixedFamily[] = "/velmora/font/fixed";
inline constexpr char theme[] = "/velmora/view/theme";
inline constexpr char bookmarkNames[] = "/velmora/bookmarks/names";
inline constexpr char bookmarkUrls[] = "/velmora/bookmarks/urls";
inline constexpr char indexUpTo[] = "/velmora/index/upto";
inline constexpr char indexHideDeprecated[] = "/velmora/index/hidedeprecated";
// Read at start-up, under the start-up prefix ("/qz/fonts/Application").
inline constexpr char startupPrefix[] = "/qz";
inline constexpr char applicationFont[] = "/fonts/Application";
} // namespace settingskeys

struct Bookmark
{
    QString label;
    QString url;

    friend bool operator==(const Bookmark &a, const Bookmark &b)
    {
        return a.label == b.label && a.url == b.url;
    }
};

// The page font when none is stored.
QString defaultTextFont();

// How pages and the window are coloured: as the desktop is, or light or dark
// whatever the desktop.
enum class Theme { System, Light, Dark };

// The stored form: "System", "Light" or "Dark".
QString themeName(Theme theme);
// A stored value read back. Anything but one of the three names, in any
// case and with blanks around it, is damage and gives System.
Theme themeFromName(QStringView name);
Theme themeFromStored(const QVariant &value);

struct SavedState
{
    static constexpr int defaultX = 50;
    static constexpr int defaultY = 50;
    static constexpr int defaultWidth = 900;
    static constexpr int defaultHeight = 700;
    static constexpr int defaultLeftPane = 280;
    static constexpr int defaultRightPane = 620;
    static constexpr int defaultTab = 3; // Help
    // Beyond any screen: a larger stored size is damage.
    static constexpr int largestSize = 16384;

    int x = defaultX;
    int y = defaultY;
    int width = defaultWidth;
    int height = defaultHeight;
    int leftPane = defaultLeftPane;
    int rightPane = defaultRightPane;
    // As stored: a number that names no tab leaves the form on its first.
    int tab = defaultTab;
    // A font description as QFont::toString writes it. Empty when the store
    // holds an empty one: the page view then keeps its own font, a point larger.
    QString textFont = defaultTextFont();
    // Empty when the reader never chose one.
    QString fixedFamily;
    Theme theme = Theme::System;
    QList<Bookmark> bookmarks;
    // The Qt the reader targets, as versionNumber gives it (603 for "6.3"):
    // newer entries are hidden. 0: every version shows.
    int indexUpTo = 0;
    bool hideDeprecated = false;

    // Every key, each missing or damaged value replaced by its default:
    // numbers that are not numbers, sizes no screen shows, lists that are not
    // lists of strings. A damaged
    // fixed family is also removed from the store, since nothing but the
    // reader's next choice would ever write over it.
    static SavedState read(QSettings &settings);

    // The keys written at every shutdown: geometry, tab, text font and
    // bookmarks. The fixed family and the theme are written when chosen.
    void write(QSettings &settings) const;

    // The bookmark lists alone. The names decide how many bookmarks there
    // are; a name without a URL gets an empty one.
    static QList<Bookmark> readBookmarks(QSettings &settings);
    static void writeBookmarks(QSettings &settings, const QList<Bookmark> &bookmarks);

    static void writeFixedFamily(QSettings &settings, const QString &family);
    // The version filter, written when it is chosen: "6.3" or "" for none,
    // and "true" or "false".
    static void writeVersionFilter(QSettings &settings, int upTo, bool hideDeprecated);
    static void writeTheme(QSettings &settings, Theme theme);
};

} // namespace tarn
