// Velmora: a check of an assembled documentation folder for links and list targets that go nowhere.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "linkcheck.h"

#include <QDir>
#include <QFile>
#include <QHash>
#include <QSet>

namespace linkcheck {

namespace {

constexpr int keptExamples = 50;

struct Page
{
    QSet<QByteArray> anchors;
    QVector<QPair<QByteArray, bool>> links; // value, is an <img> source
};

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

bool isNameChar(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '-'
        || c == '_' || c == ':';
}

bool hasScheme(const QByteArray &link)
{
    for (qsizetype i = 0; i < link.size(); ++i) {
        const char c = link.at(i);
        if (c == ':')
            return i > 0;
        if (!isNameChar(c) && c != '+' && c != '.')
            return false;
    }
    return false;
}

// The tags' attributes that matter here, without a full HTML parser: the
// pages are machine-written and quote every value.
Page readPage(const QByteArray &html)
{
    Page page;
    qsizetype i = 0;
    const qsizetype n = html.size();
    while ((i = html.indexOf('<', i)) >= 0) {
        if (html.mid(i, 4) == "<!--") {
            const qsizetype close = html.indexOf("-->", i + 4);
            if (close < 0)
                break;
            i = close + 3;
            continue;
        }
        qsizetype j = i + 1;
        while (j < n && isNameChar(html.at(j)))
            ++j;
        const QByteArray tag = html.mid(i + 1, j - i - 1).toLower();
        if (tag.isEmpty()) {
            ++i;
            continue;
        }
        while (j < n && html.at(j) != '>') {
            while (j < n && (isSpace(html.at(j)) || html.at(j) == '/'))
                ++j;
            const qsizetype nameBegin = j;
            while (j < n && isNameChar(html.at(j)))
                ++j;
            const QByteArray name = html.mid(nameBegin, j - nameBegin).toLower();
            if (name.isEmpty()) {
                if (j < n && html.at(j) != '>')
                    ++j;
                continue;
            }
            while (j < n && isSpace(html.at(j)))
                ++j;
            if (j >= n || html.at(j) != '=')
                continue;
            ++j;
            while (j < n && isSpace(html.at(j)))
                ++j;
            QByteArray value;
            if (j < n && (html.at(j) == '"' || html.at(j) == '\'')) {
                const char quote = html.at(j);
                const qsizetype close = html.indexOf(quote, j + 1);
                if (close < 0)
                    return page;
                value = html.mid(j + 1, close - j - 1);
                j = close + 1;
            } else {
                const qsizetype begin = j;
                while (j < n && !isSpace(html.at(j)) && html.at(j) != '>')
                    ++j;
                value = html.mid(begin, j - begin);
            }
            value.replace("&amp;", "&");
            if (name == "id" || (name == "name" && tag == "a"))
                page.anchors.insert(value);
            else if ((name == "href" && (tag == "a" || tag == "area"))
                     || (name == "src" && tag == "img"))
                page.links.append({value, tag == "img"});
        }
        i = j;
    }
    return page;
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

// "contents.lst": "kind===Class===page@kind===member===target===0;;...;"
// "index.lst": "name===target===kind".
QStringList listTargets(const QString &folder)
{
    QStringList targets;
    const QString separator = QStringLiteral("===");
    for (const QString &line : QString::fromUtf8(readFile(folder + QStringLiteral("/contents.lst")))
                                   .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const qsizetype at = line.indexOf(QLatin1Char('@'));
        targets.append(line.left(at).section(separator, 2, 2));
        QString members = line.mid(at + 1);
        if (members.endsWith(QLatin1Char(';')))
            members.chop(1);
        for (const QString &member : members.split(QStringLiteral(";;"), Qt::SkipEmptyParts))
            targets.append(member.section(separator, 2, 2));
    }
    for (const QString &line : QString::fromUtf8(readFile(folder + QStringLiteral("/index.lst")))
                                   .split(QStringLiteral("\r\n"), Qt::SkipEmptyParts))
        targets.append(line.section(separator, 1, 1));
    return targets;
}

} // namespace

void Finding::add(const QString &where, const QString &target)
{
    ++count;
    if (examples.size() < keptExamples)
        examples.append(where + QStringLiteral(": ") + target);
}

Report checkFolder(const QString &folder, const QStringList &linksOf)
{
    Report report;
    const QDir dir(folder);
    QSet<QByteArray> files;
    QHash<QByteArray, Page> pages;
    for (const QString &name : dir.entryList(QDir::Files)) {
        files.insert(name.toUtf8());
        if (name.endsWith(QLatin1String(".html"))) {
            pages.insert(name.toUtf8(), readPage(readFile(dir.filePath(name))));
            ++report.pages;
        } else if (!name.endsWith(QLatin1String(".lst")) && !name.endsWith(QLatin1String(".css"))
                   && !name.endsWith(QLatin1String(".txt"))) {
            ++report.images;
        }
    }

    auto hasAnchor = [&pages](const QByteArray &page, const QByteArray &anchor) {
        return anchor.isEmpty() || anchor == "top" || pages.value(page).anchors.contains(anchor);
    };

    for (auto it = pages.cbegin(); it != pages.cend(); ++it) {
        const QString where = QString::fromUtf8(it.key());
        if (!linksOf.isEmpty() && !linksOf.contains(where))
            continue;
        for (const auto &[link, isImage] : it.value().links) {
            const QString shown = QString::fromUtf8(link);
            if (hasScheme(link)) {
                ++report.externalLinks;
                continue;
            }
            ++report.links;
            if (link.contains("/qtdoc/") || link.startsWith("../"))
                report.unlinkedQtdoc.add(where, shown);
            const qsizetype hash = link.indexOf('#');
            const QByteArray target = hash < 0 ? link : link.left(hash);
            const QByteArray anchor = hash < 0 ? QByteArray() : link.mid(hash + 1);
            const QByteArray page = target.isEmpty() ? it.key() : target;
            if (!files.contains(page)) {
                (isImage ? report.missingImage : report.missingPage).add(where, shown);
                continue;
            }
            if (page.endsWith(".html") && !hasAnchor(page, anchor))
                report.missingAnchor.add(where, shown);
        }
    }

    for (const QString &target : listTargets(folder)) {
        ++report.listTargets;
        const QByteArray page = target.section(QLatin1Char('#'), 0, 0).toUtf8();
        const QByteArray anchor = target.section(QLatin1Char('#'), 1).toUtf8();
        if (!pages.contains(page))
            report.listMissingPage.add(QStringLiteral("list"), target);
        else if (!hasAnchor(page, anchor))
            report.listMissingAnchor.add(QStringLiteral("list"), target);
    }
    return report;
}

QString describe(const Report &report, int examplesPerKind)
{
    QString text = QStringLiteral("%1 pages, %2 images, %3 links inside the set, %4 external, "
                                  "%5 list targets\n")
                       .arg(report.pages)
                       .arg(report.images)
                       .arg(report.links)
                       .arg(report.externalLinks)
                       .arg(report.listTargets);
    const QVector<QPair<QString, const Finding *>> kinds = {
        {QStringLiteral("links to a missing page"), &report.missingPage},
        {QStringLiteral("list targets to a missing page"), &report.listMissingPage},
        {QStringLiteral("list targets to a missing anchor"), &report.listMissingAnchor},
        {QStringLiteral("links to a missing anchor"), &report.missingAnchor},
        {QStringLiteral("missing images"), &report.missingImage},
        {QStringLiteral("links into a module folder"), &report.unlinkedQtdoc},
    };
    for (const auto &[label, finding] : kinds) {
        text += QStringLiteral("%1 %2\n").arg(finding->count).arg(label);
        for (const QString &example : finding->examples.mid(0, examplesPerKind))
            text += QStringLiteral("    ") + example + QLatin1Char('\n');
    }
    return text;
}

} // namespace linkcheck
