// Velmora: the two list files, contents.lst and index.lst, written and read.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listformat.h"

namespace tarn {

namespace {

const QLatin1String fieldSeparator("===");
const QLatin1String memberSeparator(";;");

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

template <typename View, typename Char>
ContentsLineParts<View> splitContentsLineAt(View line, Char at)
{
    const qsizetype first = line.indexOf(at);
    if (first < 0)
        return {line, View(), false};
    View members = line.sliced(first + 1);
    if (const qsizetype second = members.indexOf(at); second >= 0)
        members.truncate(second);
    return {line.first(first), members, true};
}

} // namespace

ContentsLineParts<QStringView> splitContentsLine(QStringView line)
{
    return splitContentsLineAt(line, u'@');
}

ContentsLineParts<QByteArrayView> splitContentsLine(QByteArrayView line)
{
    return splitContentsLineAt(line, '@');
}

ContentsClass parseContentsLine(QStringView line)
{
    ContentsClass result;
    const ContentsLineParts<QStringView> parts = splitContentsLine(line);
    result.kind = field(parts.head, 0).toString();
    result.name = field(parts.head, 1).toString();
    result.page = field(parts.head, 2).toString();
    if (parts.hasMembers)
        result.members = parts.members.toString();
    return result;
}

QList<ContentsMember> parseMemberList(QStringView members)
{
    QList<ContentsMember> result;
    for (const QStringView entry : members.split(QStringView(u";;"), Qt::SkipEmptyParts)) {
        // The list's closing ";" rides on the last entry's flag field.
        if (entry == u";")
            continue;
        QStringView flag = field(entry, 3);
        if (flag.endsWith(u';'))
            flag.chop(1);
        result.append({field(entry, 0).toString(), field(entry, 1).toString(),
                       field(entry, 2).toString(), flag == u"1"});
    }
    return result;
}

IndexEntry parseIndexLine(QStringView line)
{
    return {field(line, 0).toString(), field(line, 1).toString(), field(line, 2).toString()};
}

EntryDetail parseEntryDetailLine(QStringView line)
{
    bool ok = false;
    const int place = field(line, 3).toInt(&ok);
    return {field(line, 0).toString(), field(line, 1).toString(), field(line, 2).toString(),
            ok && place >= 0 ? place : 0, field(line, 4).toString()};
}

NameEntry parseNameLine(QStringView line)
{
    return {field(line, 0).toString(), field(line, 1).toString(), field(line, 2).toString(),
            field(line, 3).toString()};
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

QString formatContentsLine(const QString &kind, const QString &name, const QString &page,
                           const QList<ContentsMember> &members)
{
    QString line = kind + fieldSeparator + name + fieldSeparator + page + QLatin1Char('@');
    for (qsizetype i = 0; i < members.size(); ++i) {
        const ContentsMember &m = members.at(i);
        if (i > 0)
            line += memberSeparator;
        line += m.kind + fieldSeparator + m.name + fieldSeparator + m.target + fieldSeparator
            + (m.overload ? QLatin1Char('1') : QLatin1Char('0'));
    }
    if (!members.isEmpty())
        line += QLatin1Char(';');
    return line;
}

QString formatIndexLine(const QString &name, const QString &target, const QString &kind)
{
    return name + fieldSeparator + target + fieldSeparator + kind;
}

QString formatEntryDetailLine(const EntryDetail &detail)
{
    return detail.target + fieldSeparator + detail.what + fieldSeparator + detail.parameters
        + fieldSeparator + QString::number(detail.place) + fieldSeparator + detail.bases;
}

QString formatNameLine(const NameEntry &name)
{
    return name.name + fieldSeparator + name.scope + fieldSeparator + name.target + fieldSeparator
        + name.what;
}

bool isSafeListField(const QString &field)
{
    // A field that begins or ends with "=" would run into a neighbouring
    // "===" and move the split point.
    return !field.contains(fieldSeparator) && !field.contains(memberSeparator)
        && !field.contains(QLatin1Char('@')) && !field.contains(QLatin1Char('\r'))
        && !field.contains(QLatin1Char('\n')) && !field.startsWith(QLatin1Char('='))
        && !field.endsWith(QLatin1Char('='));
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

bool isClassKind(QStringView kind)
{
    return kind == u"C" || kind == u"O" || kind == u"W";
}

QString indexSortKey(const IndexEntry &entry)
{
    return (entry.target.contains(u'#') ? QLatin1String("2") : QLatin1String("1")) + entry.name;
}

} // namespace tarn
