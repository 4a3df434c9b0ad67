// Velmora: the open tabs, kept between runs.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "session.h"

#include "pagename.h"

#include <QSettings>
#include <QStringList>

namespace tarn {

namespace {

QString key(const char *name)
{
    return QString::fromLatin1(name);
}

// A list of strings as write() stores it: one entry reads back as a plain
// string, none as an empty one or not at all. Anything else is damage.
bool readStrings(QSettings &settings, const char *name, QStringList *out)
{
    const QVariant value = settings.value(key(name));
    out->clear();
    if (!value.isValid())
        return true;
    if (value.typeId() == QMetaType::QStringList) {
        *out = value.toStringList();
        return true;
    }
    if (value.typeId() == QMetaType::QString) {
        if (!value.toString().isEmpty())
            out->append(value.toString());
        return true;
    }
    if (value.typeId() == QMetaType::QVariantList) {
        for (const QVariant &entry : value.toList()) {
            if (entry.typeId() != QMetaType::QString)
                return false;
            out->append(entry.toString());
        }
        return true;
    }
    return false;
}

bool isPrintable(const QString &text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control || c == QChar::ReplacementCharacter
            || c.isNonCharacter())
            return false;
    }
    return true;
}

// A page of the set, as the window names its pages: "page.html" with an
// optional anchor, nothing that leaves the set.
bool isPageNameOfTheSet(const QString &name, const std::function<bool(const QString &)> &hasPage)
{
    if (name.isEmpty() || name.size() > Session::maxNameLength || !isPrintable(name)
        || isWebLink(name) || name.contains(u'/') || name.contains(u'\\'))
        return false;
    const PageName parts = splitPageName(name);
    return !parts.page.isEmpty() && !name.startsWith(u'#') && hasPage(parts.page);
}

} // namespace

Session Session::read(QSettings &settings, const std::function<bool(const QString &)> &hasPage)
{
    namespace k = settingskeys;
    QStringList pages;
    QStringList scrolls;
    QStringList titles;
    if (!readStrings(settings, k::sessionPages, &pages) || pages.size() > maxTabs)
        return {};
    // Only the pages decide how many tabs there are; the other lists are
    // read as far as they reach.
    if (!readStrings(settings, k::sessionScrolls, &scrolls))
        scrolls.clear();
    if (!readStrings(settings, k::sessionTitles, &titles))
        titles.clear();
    const QVariant currentValue = settings.value(key(k::sessionCurrent), 0);
    bool ok = false;
    const int current = currentValue.toInt(&ok);
    if (!ok)
        return {};

    Session session;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        if (!isPageNameOfTheSet(pages.at(i), hasPage)) {
            if (i < current)
                --session.current;
            continue;
        }
        SessionTab tab;
        tab.name = pages.at(i);
        const int scroll = scrolls.value(i).toInt(&ok);
        tab.scroll = ok && scroll > 0 && scroll <= maxScroll ? scroll : 0;
        const QString title = titles.value(i);
        if (title.size() <= maxTitleLength && isPrintable(title))
            tab.title = title;
        session.tabs.append(tab);
    }
    session.current += current;
    if (session.current < 0 || session.current >= session.tabs.size())
        session.current = 0;
    return session;
}

bool Session::remove(QSettings &settings)
{
    namespace k = settingskeys;
    bool removed = false;
    for (const char *name :
         {k::sessionPages, k::sessionScrolls, k::sessionTitles, k::sessionCurrent}) {
        if (settings.contains(key(name))) {
            settings.remove(key(name));
            removed = true;
        }
    }
    return removed;
}

void Session::write(QSettings &settings) const
{
    namespace k = settingskeys;
    // Past the cap, the tabs around the current one are the ones kept.
    qsizetype first = 0;
    if (tabs.size() > maxTabs)
        first = qBound(qsizetype(0), qsizetype(current - maxTabs / 2), tabs.size() - maxTabs);
    QStringList pages;
    QStringList scrolls;
    QStringList titles;
    for (qsizetype i = first; i < tabs.size() && pages.size() < maxTabs; ++i) {
        pages.append(tabs.at(i).name);
        scrolls.append(QString::number(tabs.at(i).scroll));
        titles.append(tabs.at(i).title.left(maxTitleLength));
    }
    settings.setValue(key(k::sessionPages), pages);
    settings.setValue(key(k::sessionScrolls), scrolls);
    settings.setValue(key(k::sessionTitles), titles);
    settings.setValue(key(k::sessionCurrent), int(current - first));
}

} // namespace tarn
