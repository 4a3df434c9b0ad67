// Velmora: a check of an assembled folder: every link and list target leads somewhere.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "linkcheck.h"

#include "docnames.h"
#include "htmltags.h"
#include "listformat.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QRegularExpression>
#include <QSet>

namespace tarn::import {

namespace {

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isAbsolute(QByteArrayView link)
{
    if (link.startsWith("//"))
        return true;
    for (const char c : link) {
        if (c == ':')
            return true;
        if (c == '/' || c == '#' || c == '?')
            return false;
    }
    return false;
}

// How many elements carry each anchor: ids, and the names of <a> elements.
QHash<QByteArray, int> anchorsOf(const QByteArray &html)
{
    QHash<QByteArray, int> ids;
    QHash<QByteArray, int> names;
    HtmlTagReader reader(html);
    HtmlTag tag;
    while (reader.next(&tag)) {
        if (tag.closing)
            continue;
        const QByteArrayView id = tag.value(html, "id");
        if (!id.isEmpty())
            ++ids[id.toByteArray()];
        const QByteArrayView name = tag.is("a") ? tag.value(html, "name") : QByteArrayView();
        if (!name.isEmpty())
            ++names[name.toByteArray()];
    }
    // An element with both names one anchor: count the larger tally.
    for (auto it = names.cbegin(); it != names.cend(); ++it)
        ids[it.key()] = qMax(ids.value(it.key()), it.value());
    return ids;
}

class Checker
{
public:
    explicit Checker(const QString &folder)
        : m_dir(folder)
    {
        for (const QString &name : m_dir.entryList(QDir::Files))
            m_files.insert(name.toUtf8());
    }

    FolderCheck run()
    {
        QStringList pages = m_dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        for (const QString &page : std::as_const(pages))
            checkPage(page.toUtf8());
        m_check.pages = int(pages.size());
        checkContents();
        checkIndex();
        return m_check;
    }

private:
    const QHash<QByteArray, int> &anchors(const QByteArray &page)
    {
        auto it = m_anchors.find(page);
        if (it == m_anchors.end())
            it = m_anchors.insert(page,
                                  anchorsOf(readFile(m_dir.filePath(QString::fromUtf8(page)))));
        return it.value();
    }

    void checkPage(const QByteArray &page)
    {
        const QByteArray html = readFile(m_dir.filePath(QString::fromUtf8(page)));
        HtmlTagReader reader(html);
        HtmlTag tag;
        while (reader.next(&tag)) {
            if (tag.closing || tag.script)
                continue;
            for (const char *attribute : {"href", "src"}) {
                const QByteArrayView value = tag.value(html, attribute);
                if (value.isEmpty() || isAbsolute(value))
                    continue;
                ++m_check.links;
                const QString where = QString::fromUtf8(page + ": " + value.toByteArray());
                QByteArray file = value.toByteArray();
                QByteArray anchor;
                const qsizetype hash = file.indexOf('#');
                if (hash >= 0) {
                    anchor = file.mid(hash + 1);
                    file.truncate(hash);
                }
                if (file.isEmpty())
                    file = page;
                if (!m_files.contains(file))
                    m_check.missingPages.append(where);
                else if (!anchor.isEmpty() && file.endsWith(".html")
                         && !anchors(file).contains(anchor))
                    m_check.missingAnchors.append(where);
            }
        }
    }

    void checkTarget(const QString &list, const QString &name, const QString &target)
    {
        ++m_check.listTargets;
        const QString where = list + QLatin1String(": ") + name + QLatin1String(" -> ") + target;
        const QByteArray page = target.section(QLatin1Char('#'), 0, 0).toUtf8();
        const QByteArray anchor = target.section(QLatin1Char('#'), 1).toUtf8();
        if (!m_files.contains(page)) {
            m_check.listMissingPages.append(where);
        } else if (target.contains(QLatin1Char('#'))) {
            const int holders = anchors(page).value(anchor);
            if (holders == 0)
                m_check.listMissingAnchors.append(where);
            else if (holders > 1)
                m_check.listSharedAnchors.append(where);
        }
    }

    void checkContents()
    {
        static const QRegularExpression spaced(QStringLiteral("\\(\\s|\\s\\)"));
        const QString list = QLatin1String(docnames::contentsList);
        const QString text = QString::fromUtf8(readFile(m_dir.filePath(list)));
        for (const QStringView line : splitListLines(text)) {
            if (line.isEmpty())
                continue;
            const ContentsClass entry = parseContentsLine(line);
            checkTarget(list, entry.name, entry.page);
            for (const ContentsMember &member : parseMemberList(entry.members)) {
                checkTarget(list, member.name, member.target);
                if (member.name.contains(spaced))
                    m_check.spacedMemberNames.append(entry.name + QLatin1String(": ")
                                                     + member.name);
            }
        }
    }

    void checkIndex()
    {
        const QString list = QLatin1String(docnames::indexList);
        const QString text = QString::fromUtf8(readFile(m_dir.filePath(list)));
        for (const QStringView line : splitListLines(text)) {
            if (line.isEmpty())
                continue;
            const IndexEntry entry = parseIndexLine(line);
            checkTarget(list, entry.name, entry.target);
        }
    }

    QDir m_dir;
    QSet<QByteArray> m_files;
    QHash<QByteArray, QHash<QByteArray, int>> m_anchors;
    FolderCheck m_check;
};

} // namespace

FolderCheck checkFolder(const QString &folder)
{
    return Checker(folder).run();
}

} // namespace tarn::import
