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
    Checker(const QString &folder, const QStringList &linksOf)
        : m_dir(folder)
        , m_linksOf(linksOf)
    {
        for (const QString &name : m_dir.entryList(QDir::Files))
            m_files.insert(name.toUtf8());
    }

    FolderCheck run()
    {
        QStringList pages = m_dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        for (const QString &page : std::as_const(pages)) {
            if (m_linksOf.isEmpty() || m_linksOf.contains(page))
                checkPage(page.toUtf8());
        }
        m_check.pages = int(pages.size());
        for (const QByteArray &file : std::as_const(m_files)) {
            if (!file.endsWith(".html") && !file.endsWith(".css") && !file.endsWith(".lst")
                && !file.endsWith(".txt"))
                ++m_check.images;
        }
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
                if (value.isEmpty())
                    continue;
                if (isAbsolute(value)) {
                    ++m_check.externalLinks;
                    continue;
                }
                ++m_check.links;
                const QString where = QString::fromUtf8(page + ": " + value.toByteArray());
                if (value.contains('/')) {
                    m_check.folderLinks.append(where);
                    continue;
                }
                const bool image = qstrcmp(attribute, "src") == 0;
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
                    (image ? m_check.missingImages : m_check.missingPages).append(where);
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
    QStringList m_linksOf;
    QSet<QByteArray> m_files;
    QHash<QByteArray, QHash<QByteArray, int>> m_anchors;
    FolderCheck m_check;
};

} // namespace

FolderCheck checkFolder(const QString &folder, const QStringList &linksOf)
{
    return Checker(folder, linksOf).run();
}

QString describe(const FolderCheck &check, int examples)
{
    QString text = QStringLiteral("%1 pages, %2 images, %3 links inside the set, %4 external, "
                                  "%5 list targets\n")
                       .arg(check.pages)
                       .arg(check.images)
                       .arg(check.links)
                       .arg(check.externalLinks)
                       .arg(check.listTargets);
    const struct
    {
        const char *what;
        const QStringList *problems;
    } kinds[] = {
        {"links to a missing page", &check.missingPages},
        {"links to a missing anchor", &check.missingAnchors},
        {"missing images", &check.missingImages},
        {"links into a module folder", &check.folderLinks},
        {"list targets to a missing page", &check.listMissingPages},
        {"list targets to a missing anchor", &check.listMissingAnchors},
        {"list targets to an anchor several elements carry", &check.listSharedAnchors},
        {"member names with a blank inside their parentheses", &check.spacedMemberNames},
    };
    for (const auto &kind : kinds) {
        text += QStringLiteral("%1 %2\n").arg(kind.problems->size()).arg(QLatin1String(kind.what));
        for (const QString &problem : kind.problems->mid(0, examples))
            text += QLatin1String("    ") + problem + QLatin1Char('\n');
    }
    return text;
}

} // namespace tarn::import
