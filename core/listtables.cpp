// Velmora: the list files parsed into what the window shows, in display order.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listtables.h"

#include "freshmemory.h"

#include <algorithm>
#include <numeric>

namespace tarn {

namespace {

// Where "===" starts in `text` from `from` on, or -1. A search for the one
// character first is much the faster: the lists are long and "=" is rare.
qsizetype findSeparator(QStringView text, qsizetype from = 0)
{
    for (;;) {
        const qsizetype at = text.indexOf(u'=', from);
        if (at < 0 || text.mid(at, 3) == u"===")
            return at;
        from = at + 1;
    }
}

// Writes `name` case-folded at `out`: ASCII directly, anything else as QChar
// folds it (one unit for one, so the length stays).
QChar *writeFolded(QChar *out, QStringView name)
{
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        if (u < 0x80)
            *out++ = QChar(u >= u'A' && u <= u'Z' ? char16_t(u + 32) : u);
        else
            *out++ = c.toCaseFolded();
    }
    return out;
}

// A vector of `size` values, its memory populated before they are written.
template <typename T> QVector<T> populatedVector(qsizetype size)
{
    QVector<T> values;
    values.reserve(size);
    populateForWriting(values.data(), size * qsizetype(sizeof(T)));
    values.resize(size);
    return values;
}

} // namespace

bool displayLess(QStringView a, QStringView b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a.compare(b) < 0;
}

IndexTable IndexTable::fromText(const QString &text)
{
    IndexTable table;
    table.text = text;
    const QStringView all(table.text);
    const QList<QStringView> lines = splitListLines(all);
    const auto spanOf = [&all](QStringView part) {
        return Span{int(part.data() - all.data()), int(part.size())};
    };
    // The buffers are filled at once, so their pages are populated first.
    QVector<Row> parsed = populatedVector<Row>(lines.size());
    qsizetype nameLength = 0;
    for (qsizetype i = 0; i < lines.size(); ++i) {
        // name===target===kind; the codec's field rules, without copying.
        const QStringView line = lines.at(i);
        const qsizetype first = findSeparator(line);
        const QStringView name = first < 0 ? line : line.left(first);
        const QStringView rest = first < 0 ? QStringView() : line.mid(first + 3);
        const qsizetype second = findSeparator(rest);
        const QStringView target = second < 0 ? rest : rest.left(second);
        QStringView kind = second < 0 ? QStringView() : rest.mid(second + 3);
        if (const qsizetype third = findSeparator(kind); third >= 0)
            kind = kind.left(third);
        parsed[i] = {spanOf(name), spanOf(target), spanOf(kind), target.contains(u'#')};
        nameLength += name.size();
    }
    // The names case-folded, one after the other in one buffer: comparing
    // folded copies makes each comparison of the sort a plain one, and the
    // sort was most of the cost of the whole table.
    QString folded(nameLength, Qt::Uninitialized);
    populateForWriting(folded.data(), folded.size() * qsizetype(sizeof(QChar)));
    QVector<Span> foldedNames = populatedVector<Span>(parsed.size());
    QChar *foldedEnd = folded.data();
    for (qsizetype i = 0; i < parsed.size(); ++i) {
        const QStringView name = table.view(parsed.at(i).name);
        foldedNames[i] = {int(foldedEnd - folded.constData()), int(name.size())};
        foldedEnd = writeFolded(foldedEnd, name);
    }
    const auto foldedName = [&folded, &foldedNames](int row) {
        const Span span = foldedNames.at(row);
        return QStringView(folded).mid(span.start, span.length);
    };
    // The rows' places are sorted, not the rows: a stable sort needs a
    // buffer as large as what it sorts.
    QVector<int> order = populatedVector<int>(parsed.size());
    std::iota(order.begin(), order.end(), 0);
    std::stable_sort(order.begin(), order.end(), [&](int a, int b) {
        const Row &rowA = parsed.at(a);
        const Row &rowB = parsed.at(b);
        if (rowA.member != rowB.member)
            return rowB.member;
        const int byFolded = foldedName(a).compare(foldedName(b));
        return byFolded != 0 ? byFolded < 0
                             : table.view(rowA.name).compare(table.view(rowB.name)) < 0;
    });
    table.rows = populatedVector<Row>(parsed.size());
    for (qsizetype i = 0; i < order.size(); ++i) {
        const Row &row = parsed.at(order.at(i));
        table.rows[i] = row;
        if (!row.member)
            table.classNames.insert(table.view(row.name).toString().toCaseFolded());
    }
    return table;
}

ContentsTable ContentsTable::fromUtf8(const QByteArray &utf8)
{
    ContentsTable table;
    table.utf8 = utf8;
    const QByteArrayView all(table.utf8);
    table.classes.reserve(all.count('\n') + 1);
    // The lines as splitListLines cuts them, on the bytes.
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype end = all.indexOf('\n', start);
        const qsizetype next = end < 0 ? all.size() : end + 1;
        if (end < 0)
            end = all.size();
        if (end > start && all.at(end - 1) == '\r')
            --end;
        const ContentsLineParts<QByteArrayView> parts =
            splitContentsLine(all.sliced(start, end - start));
        const ContentsClass head = parseContentsLine(QString::fromUtf8(parts.head));
        Class entry{head.kind, head.name, head.page};
        if (parts.hasMembers) {
            entry.membersStart = parts.members.data() - all.data();
            entry.membersLength = parts.members.size();
        }
        table.classes.append(entry);
        start = next;
    }
    std::stable_sort(table.classes.begin(), table.classes.end(),
                     [](const Class &a, const Class &b) { return displayLess(a.name, b.name); });
    return table;
}

QString ContentsTable::members(const QByteArray &utf8, const Class &entry)
{
    if (entry.membersLength <= 0)
        return QString();
    return QString::fromUtf8(QByteArrayView(utf8).sliced(entry.membersStart, entry.membersLength));
}

} // namespace tarn
