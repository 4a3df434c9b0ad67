// Velmora: the open tabs, kept between runs.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QList>
#include <QString>

#include <functional>

class QSettings;

namespace tarn {

namespace settingskeys {
// Parallel lists, one entry a tab in the order shown, and the current tab.
inline constexpr char sessionPages[] = "/velmora/session/pages";
inline constexpr char sessionScrolls[] = "/velmora/session/scrolls";
inline constexpr char sessionTitles[] = "/velmora/session/titles";
inline constexpr char sessionCurrent[] = "/velmora/session/current";
} // namespace settingskeys

struct SessionTab
{
    QString name; // a page of the set, anchor included: "qwidget.html#size"
    int scroll = 0;
    QString title; // shown until the page is laid out

    friend bool operator==(const SessionTab &a, const SessionTab &b)
    {
        return a.name == b.name && a.scroll == b.scroll && a.title == b.title;
    }
};

struct Session
{
    // No window writes more tabs than this; a stored session with more is
    // not one of ours.
    static constexpr int maxTabs = 100;
    static constexpr int maxNameLength = 512;
    static constexpr int maxTitleLength = 256;
    // Beyond the end of the longest page.
    static constexpr int maxScroll = 1 << 24;

    QList<SessionTab> tabs;
    int current = 0;

    // The stored session, checked: a tab whose page is not in the set (the
    // set changed, say) or whose name is no page name is left out; a value
    // that is not what write() stores (lists of other types, more tabs than
    // maxTabs, a current tab that is no number) gives no tabs at all, and
    // the window then opens its start page. A scroll position or title that
    // is damaged alone gives 0 or none.
    static Session read(QSettings &settings, const std::function<bool(const QString &)> &hasPage);

    // Writes at most maxTabs tabs, the current one among them.
    void write(QSettings &settings) const;
    // Takes the session out of the store; false when there was none.
    static bool remove(QSettings &settings);
};

} // namespace tarn
