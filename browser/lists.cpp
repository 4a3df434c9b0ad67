// Velmora: parsing of page names and of the two list files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "lists.h"

namespace tarn {

namespace {

const QLatin1String fieldSeparator("===");

// The n-th "==="-separated field, counting from 0; empty when missing.
QStringView field(QStringView text, int n)
{
    qsizetype start = 0;
    for (int i = 0; i < n; ++i) {
        const qsizetype next = text.indexOf(fieldSeparator, start);
        if (next < 0)
            return {};
        start = next + fieldSeparator.size();
    }
    const qsizetype end = text.indexOf(fieldSeparator, start);
    return end < 0 ? text.mid(start) : text.mid(start, end - start);
}

} // namespace

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

ContentsClass parseContentsLine(QStringView line)
{
    ContentsClass result;
    const qsizetype at = line.indexOf(u'@');
    const QStringView head = at < 0 ? line : line.left(at);
    result.kind = field(head, 0).toString();
    result.name = field(head, 1).toString();
    result.page = field(head, 2).toString();
    if (at >= 0) {
        QStringView members = line.mid(at + 1);
        const qsizetype secondAt = members.indexOf(u'@');
        if (secondAt >= 0)
            members = members.left(secondAt);
        result.members = members.toString();
    }
    return result;
}

QList<ContentsMember> parseMemberList(QStringView members)
{
    QList<ContentsMember> result;
    for (const QStringView entry : members.split(QStringView(u";;"), Qt::SkipEmptyParts)) {
        // The list's closing ";" rides on the last entry's flag field, which
        // is never read.
        if (entry == u";")
            continue;
        result.append(
            {field(entry, 0).toString(), field(entry, 1).toString(), field(entry, 2).toString()});
    }
    return result;
}

IndexEntry parseIndexLine(QStringView line)
{
    return {field(line, 0).toString(), field(line, 1).toString(), field(line, 2).toString()};
}

QList<QStringView> splitListLines(QStringView text)
{
    QList<QStringView> lines;
    qsizetype start = 0;
    while (start < text.size()) {
        qsizetype end = text.indexOf(u'\n', start);
        const qsizetype next = end < 0 ? text.size() : end + 1;
        if (end < 0)
            end = text.size();
        if (end > start && text.at(end - 1) == u'\r')
            --end;
        lines.append(text.mid(start, end - start));
        start = next;
    }
    return lines;
}

QString kindIconName(QStringView kind)
{
    struct KindIcon
    {
        const char16_t *code;
        const char *icon;
    };
    static const KindIcon table[] = {
        {u"C", "contentsClass"},          {u"O", "contentsClassQObject"},
        {u"W", "contentsClassQWidget"},   {u"+f", "contentsPublicMethod"},
        {u"+F", "contentsStaticMethod"},  {u"-f", "contentsProtectedMethod"},
        {u"+S", "contentsPublicSlot"},    {u"-S", "contentsProtectedSlot"},
        {u"+s", "contentsSignal"},        {u"+v", "contentsVar"},
        {u"+R", "contentsRelatedMethod"},
    };
    for (const KindIcon &entry : table) {
        if (kind == QStringView(entry.code))
            return QString::fromLatin1(entry.icon);
    }
    return QString();
}

QString indexSortKey(const IndexEntry &entry)
{
    return (entry.target.contains(u'#') ? QLatin1String("2") : QLatin1String("1")) + entry.name;
}

} // namespace tarn
