// Velmora: the list files parsed into what the window shows, in display order.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listtables.h"

#include "freshmemory.h"

#include <QAnyStringView>
#include <QHash>

#include <algorithm>
#include <climits>
#include <cstring>
#include <numeric>
#include <type_traits>

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

EntryKind entryKind(QStringView kindCode, QStringView what)
{
    if (isClassKind(kindCode))
        return EntryKind::Class;
    if (kindCode == u"+f" || kindCode == u"+F" || kindCode == u"-f")
        return EntryKind::Function;
    if (kindCode == u"+S" || kindCode == u"-S")
        return EntryKind::Slot;
    if (kindCode == u"+s")
        return EntryKind::Signal;
    if (kindCode == u"+v")
        return EntryKind::Variable;
    if (kindCode == u"+R")
        return EntryKind::Related;
    if (!kindCode.isEmpty())
        return EntryKind::Other;
    // The members the kind codes have no letter for.
    if (what == u"property")
        return EntryKind::Property;
    if (what == u"enum" || what == u"typedef" || what == u"alias" || what == u"enumvalue")
        return EntryKind::EnumOrType;
    if (what == u"variable")
        return EntryKind::Variable;
    if (what == u"macro")
        return EntryKind::Related;
    if (what == u"function")
        return EntryKind::Function;
    if (what == u"class" || what == u"namespace")
        return EntryKind::Class;
    return EntryKind::Other;
}

int versionNumber(QStringView version)
{
    const qsizetype dot = version.indexOf(u'.');
    if (dot <= 0)
        return 0;
    qsizetype end = version.indexOf(u'.', dot + 1);
    if (end < 0)
        end = version.size();
    bool majorOk = false;
    bool minorOk = false;
    const int major = version.left(dot).toInt(&majorOk);
    const int minor = version.mid(dot + 1, end - dot - 1).toInt(&minorOk);
    if (!majorOk || !minorOk || major < 1 || major > 99 || minor < 0 || minor > 99)
        return 0;
    return major * 100 + minor;
}

bool displayLess(QStringView a, QStringView b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a.compare(b) < 0;
}

IndexTable IndexTable::fromLists(const QString &text, QByteArrayView entries)
{
    IndexTable table = fromText(text);
    if (!entries.isEmpty())
        table.setDetails(table.readDetails(entries));
    return table;
}

namespace {

// Appends `part` to `bytes` as UTF-8: ASCII, the whole of the real lists,
// a character at a time with no conversion.
IndexTable::ByteSpan appendUtf8(QByteArray &bytes, QStringView part)
{
    const int start = int(bytes.size());
    bool ascii = true;
    for (const QChar c : part)
        ascii = ascii && c.unicode() < 0x80;
    if (ascii) {
        const qsizetype at = bytes.size();
        bytes.resize(at + part.size());
        char *out = bytes.data() + at;
        for (const QChar c : part)
            *out++ = char(c.unicode());
    } else {
        bytes += part.toUtf8();
    }
    return {start, int(bytes.size()) - start};
}

} // namespace

IndexTable IndexTable::fromText(const QString &text)
{
    IndexTable table;
    table.whats.append(QString());
    // Only the names stay as text, the one thing the list shows and sorts
    // on; targets and kinds, more than half of each line, are kept as
    // UTF-8, half the size.
    const QStringView all(text);
    const QList<QStringView> lines = splitListLines(all);
    // The buffers are filled at once, so their pages are populated first.
    QVector<Row> parsed = populatedVector<Row>(lines.size());
    QVector<QStringView> names = populatedVector<QStringView>(lines.size());
    qsizetype nameLength = 0;
    table.bytes.reserve(all.size() / 2);
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
        Row &row = parsed[i];
        row = Row();
        names[i] = name;
        row.target = appendUtf8(table.bytes, target);
        row.kind = appendUtf8(table.bytes, kind);
        row.member = target.contains(u'#');
        row.line = int(i);
        row.bareLength = int(name.size());
        row.kindOf = entryKind(kind, QStringView());
        if (const qsizetype open = name.lastIndexOf(u" (");
            row.member && open > 0 && name.endsWith(u')'))
            row.bareLength = int(open);
        nameLength += name.size();
    }
    table.bytes.squeeze();
    table.text.reserve(nameLength);
    for (qsizetype i = 0; i < parsed.size(); ++i) {
        parsed[i].name = {int(table.text.size()), int(names.at(i).size())};
        table.text += names.at(i);
    }
    names = QVector<QStringView>();

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
    // buffer as large as what it sorts. Entries of one name keep the file's
    // order, which is the order of the reference.
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
    for (qsizetype i = 1; i < table.rows.size(); ++i) {
        if (table.name(int(i)) == table.name(int(i - 1)))
            table.rows[i].twin = table.rows[i - 1].twin = true;
    }
    // Until details come, the lookup knows no places: the display order.
    table.lookupOrder = populatedVector<int>(table.rows.size());
    std::iota(table.lookupOrder.begin(), table.lookupOrder.end(), 0);
    return table;
}

namespace {

static_assert(std::is_trivially_copyable_v<IndexTable::Row>, "rows are frozen as bytes");
static_assert(std::has_unique_object_representations_v<IndexTable::Row>,
              "a row's padding would freeze whatever its memory held");

// The frozen image: this header, then the rows, the lookup order, the names
// (UTF-16) and the bytes, each from a multiple of 16.
struct FrozenHeader
{
    char mark[8];
    quint32 rowSize;
    quint32 rowAlign;
    quint32 rows;
    quint32 textLength; // in UTF-16 units
    quint32 bytesLength;
    quint32 byteOrder; // frozenByteOrder as the freezing machine wrote it
};
constexpr char frozenMark[8] = {'V', 'X', 'I', 'N', 'D', 'E', 'X', '1'};
constexpr quint32 frozenByteOrder = 0x01020304u;

constexpr qsizetype frozenAligned(qsizetype n)
{
    return (n + 15) & ~qsizetype(15);
}

struct FrozenLayout
{
    qsizetype rows, order, text, bytes, end;
};

// Reads the header of a frozen image and checks its frame: where it lies,
// its mark and the byte order it was written in.
template <typename Header>
bool readFrozenHeader(const unsigned char *image, qsizetype size, const char (&mark)[8], Header *h)
{
    if (!image || size < qsizetype(sizeof *h) || quintptr(image) % 16 != 0)
        return false;
    std::memcpy(h, image, sizeof *h);
    return std::memcmp(h->mark, mark, sizeof h->mark) == 0 && h->byteOrder == frozenByteOrder;
}

FrozenLayout frozenLayout(const FrozenHeader &h)
{
    FrozenLayout at;
    at.rows = frozenAligned(qsizetype(sizeof(FrozenHeader)));
    at.order = frozenAligned(at.rows + qsizetype(h.rows) * qsizetype(sizeof(IndexTable::Row)));
    at.text = frozenAligned(at.order + qsizetype(h.rows) * qsizetype(sizeof(int)));
    at.bytes = frozenAligned(at.text + qsizetype(h.textLength) * qsizetype(sizeof(QChar)));
    at.end = at.bytes + qsizetype(h.bytesLength);
    return at;
}

} // namespace

QByteArray IndexTable::frozen() const
{
    if (m_hasDetails || whats.size() > 1 || !details.isEmpty() || lookupOrder.size() != rows.size())
        return QByteArray();
    FrozenHeader h = {};
    std::memcpy(h.mark, frozenMark, sizeof h.mark);
    h.rowSize = quint32(sizeof(Row));
    h.rowAlign = quint32(alignof(Row));
    h.rows = quint32(rows.size());
    h.textLength = quint32(text.size());
    h.bytesLength = quint32(bytes.size());
    h.byteOrder = frozenByteOrder;
    const FrozenLayout at = frozenLayout(h);
    QByteArray image(at.end, '\0');
    char *out = image.data();
    std::memcpy(out, &h, sizeof h);
    // An empty part may have no data at all, which memcpy must not be given.
    const auto copy = [out](qsizetype at, const void *from, size_t length) {
        if (length > 0)
            std::memcpy(out + at, from, length);
    };
    copy(at.rows, rows.constData(), size_t(rows.size()) * sizeof(Row));
    copy(at.order, lookupOrder.constData(), size_t(lookupOrder.size()) * sizeof(int));
    copy(at.text, text.constData(), size_t(text.size()) * sizeof(QChar));
    copy(at.bytes, bytes.constData(), size_t(bytes.size()));
    return image;
}

bool IndexTable::fromFrozen(const unsigned char *image, qsizetype size, IndexTable *out)
{
    FrozenHeader h;
    if (!readFrozenHeader(image, size, frozenMark, &h) || h.rowSize != sizeof(Row)
        || h.rowAlign != alignof(Row) || h.rows > quint32(INT_MAX / 2)
        || h.textLength > quint32(INT_MAX / 2) || h.bytesLength > quint32(INT_MAX / 2))
        return false;
    const FrozenLayout at = frozenLayout(h);
    if (at.end != size)
        return false;
    IndexTable table;
    const qsizetype count = qsizetype(h.rows);
    // Raw data: the lists share the image until one is written to, when
    // (as the details do to the rows) it is copied first.
    table.rows = QVector<Row>(
        QArrayDataPointer<Row>::fromRawData(reinterpret_cast<const Row *>(image + at.rows), count));
    table.lookupOrder = QVector<int>(QArrayDataPointer<int>::fromRawData(
        reinterpret_cast<const int *>(image + at.order), count));
    table.text = QString::fromRawData(reinterpret_cast<const QChar *>(image + at.text),
                                      qsizetype(h.textLength));
    table.bytes = QByteArray::fromRawData(reinterpret_cast<const char *>(image + at.bytes),
                                          qsizetype(h.bytesLength));
    table.whats.append(QString());
    // Classes sort before members, so only the first rows are read here.
    for (const Row &row : std::as_const(table.rows)) {
        if (row.member)
            break;
        table.classNames.insert(table.view(row.name).toString().toCaseFolded());
    }
    *out = std::move(table);
    return true;
}

namespace {

// The lines of entries.lst:
// target===what===parameters===place===bases===since===deprecated.
constexpr int entryFields = 7;

void splitEntryLine(QByteArrayView line, QByteArrayView (&fields)[entryFields])
{
    for (QByteArrayView &field : fields) {
        const qsizetype at = line.indexOf(QByteArrayView("==="));
        field = at < 0 ? line : line.first(at);
        line = at < 0 ? QByteArrayView() : line.sliced(at + 3);
    }
}

quint16 sinceOf(QByteArrayView field)
{
    return field.isEmpty() ? quint16(0) : quint16(versionNumber(QString::fromLatin1(field)));
}

} // namespace

bool readEntryVersion(QByteArrayView line, QByteArrayView *target, EntryVersion *version)
{
    QByteArrayView fields[entryFields];
    splitEntryLine(line, fields);
    if (fields[0].isEmpty())
        return false;
    *target = fields[0];
    *version = {sinceOf(fields[5]), fields[6] == "1"};
    return true;
}

IndexDetails IndexTable::readDetails(QByteArrayView entries) const
{
    IndexDetails out;
    out.whats.append(QString());
    struct Detail
    {
        QByteArrayView target;
        QByteArrayView what;
        QByteArrayView parameters; // or a class's bases
        int place = 0;
        quint16 since = 0;
        bool deprecated = false;
    };
    QVector<Detail> lines;
    lines.reserve(rows.size());
    for (qsizetype start = 0; start < entries.size();) {
        qsizetype end = entries.indexOf('\n', start);
        const qsizetype next = end < 0 ? entries.size() : end + 1;
        if (end < 0)
            end = entries.size();
        if (end > start && entries.at(end - 1) == '\r')
            --end;
        QByteArrayView fields[entryFields];
        splitEntryLine(entries.sliced(start, end - start), fields);
        bool ok = false;
        const int place = fields[3].toInt(&ok);
        // A class has bases where a function has parameters; never both.
        lines.append({fields[0], fields[1], fields[2].isEmpty() ? fields[4] : fields[2],
                      ok ? std::clamp(place, 0, 0xffff) : 0, sinceOf(fields[5]), fields[6] == "1"});
        start = next;
    }

    out.rows = populatedVector<IndexDetails::Row>(rows.size());
    const auto take = [&out](IndexDetails::Row &row, const Detail &detail) {
        row.place = quint16(detail.place);
        row.since = detail.since;
        row.deprecated = detail.deprecated;
        row.parameters = {int(out.bytes.size()), int(detail.parameters.size())};
        out.bytes.append(detail.parameters);
        qsizetype what = 0;
        while (what < out.whats.size() && !QAnyStringView::equal(out.whats.at(what), detail.what))
            ++what;
        if (what == out.whats.size() && what < 0xff)
            out.whats.append(QString::fromUtf8(detail.what));
        row.what = quint8(std::min<qsizetype>(what, 0xff - 1));
    };
    // Line by line as the import writes them; where a line does not match
    // its entry, by target.
    QVector<int> unmatched;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        const int line = rows.at(i).line;
        if (line < lines.size()
            && QAnyStringView::equal(lines.at(line).target, view(rows.at(i).target)))
            take(out.rows[i], lines.at(line));
        else
            unmatched.append(int(i));
    }
    if (!unmatched.isEmpty()) {
        QHash<QString, QVector<int>> byTarget;
        for (qsizetype i = 0; i < lines.size(); ++i)
            byTarget[QString::fromUtf8(lines.at(i).target)].append(int(i));
        for (const int i : std::as_const(unmatched)) {
            auto it = byTarget.find(view(rows.at(i).target).toString());
            if (it != byTarget.end() && !it->isEmpty())
                take(out.rows[i], lines.at(it->takeFirst()));
        }
    }

    // The lookup order: the entries of one member name, which the display
    // order keeps together, by name and then by place.
    out.lookupOrder = populatedVector<int>(rows.size());
    std::iota(out.lookupOrder.begin(), out.lookupOrder.end(), 0);
    for (int start = 0; start < rows.size();) {
        int end = start + 1;
        if (rows.at(start).member) {
            while (end < rows.size()
                   && bareName(end).compare(bareName(start), Qt::CaseInsensitive) == 0)
                ++end;
        }
        if (end - start > 1) {
            std::stable_sort(
                out.lookupOrder.begin() + start, out.lookupOrder.begin() + end, [&](int a, int b) {
                    const int exact = bareName(a).compare(bareName(b));
                    return exact != 0 ? exact < 0 : out.rows.at(a).place < out.rows.at(b).place;
                });
        }
        start = end;
    }
    return out;
}

void IndexTable::setDetails(IndexDetails d)
{
    if (d.rows.size() != rows.size() || d.lookupOrder.size() != rows.size())
        return;
    for (qsizetype i = 0; i < rows.size(); ++i) {
        Row &row = rows[i];
        row.parameters = d.rows.at(i).parameters;
        row.place = d.rows.at(i).place;
        row.what = d.rows.at(i).what;
        row.since = d.rows.at(i).since;
        row.deprecated = d.rows.at(i).deprecated;
    }
    details = std::move(d.bytes);
    whats = std::move(d.whats);
    for (Row &row : rows) {
        // Kind codes are two ASCII characters; a longer one is no code.
        const QUtf8StringView kind = view(row.kind);
        char16_t code[4] = {};
        const qsizetype length = kind.size() <= 4 ? kind.size() : 0;
        for (qsizetype i = 0; i < length; ++i)
            code[i] = char16_t(uchar(kind.data()[i]));
        row.kindOf = kind.size() > 4 ? EntryKind::Other
                                     : entryKind(QStringView(code, length), whats.value(row.what));
    }
    lookupOrder = std::move(d.lookupOrder);
    m_hasDetails = true;
}

QStringView IndexTable::className(int row) const
{
    const Row &r = rows.at(row);
    if (r.bareLength + 3 > r.name.length)
        return QStringView();
    return name(row).mid(r.bareLength + 2).chopped(1);
}

QString IndexTable::parameters(int row) const
{
    if (!rows.at(row).member)
        return QString();
    const Span span = rows.at(row).parameters;
    return QString::fromUtf8(QByteArrayView(details).sliced(span.start, span.length));
}

QStringList IndexTable::bases(int row) const
{
    if (rows.at(row).member)
        return QStringList();
    const Span span = rows.at(row).parameters;
    return QString::fromUtf8(QByteArrayView(details).sliced(span.start, span.length))
        .split(u',', Qt::SkipEmptyParts);
}

int IndexTable::classRow(QStringView className) const
{
    // The classes come first, by name in any case.
    const auto classes = std::partition_point(rows.cbegin(), rows.cend(),
                                              [](const Row &row) { return !row.member; });
    auto found = std::partition_point(rows.cbegin(), classes, [&](const Row &row) {
        return view(row.name).compare(className, Qt::CaseInsensitive) < 0;
    });
    // Two classes may differ in case only: the one in the name's case first.
    int anyCase = -1;
    for (; found != classes && view(found->name).compare(className, Qt::CaseInsensitive) == 0;
         ++found) {
        if (view(found->name) == className)
            return int(found - rows.cbegin());
        if (anyCase < 0)
            anyCase = int(found - rows.cbegin());
    }
    return anyCase;
}

std::pair<int, int> IndexTable::classRun(QStringView name) const
{
    const auto classes = std::partition_point(rows.cbegin(), rows.cend(),
                                              [](const Row &row) { return !row.member; });
    const auto first = std::partition_point(rows.cbegin(), classes, [&](const Row &row) {
        return view(row.name).compare(name, Qt::CaseInsensitive) < 0;
    });
    const auto last = std::partition_point(first, classes, [&](const Row &row) {
        return view(row.name).compare(name, Qt::CaseInsensitive) == 0;
    });
    return {int(first - rows.cbegin()), int(last - rows.cbegin())};
}

std::pair<int, int> IndexTable::memberRun(QStringView bareName) const
{
    // The members sort by their names case-folded, so every "name (Class)"
    // of one name lies in one stretch that starts with "name (".
    const QString start = bareName + QLatin1String(" (");
    const auto members = std::partition_point(rows.cbegin(), rows.cend(),
                                              [](const Row &row) { return !row.member; });
    const auto first = std::partition_point(members, rows.cend(), [&](const Row &row) {
        return view(row.name).compare(start, Qt::CaseInsensitive) < 0;
    });
    const auto last = std::partition_point(first, rows.cend(), [&](const Row &row) {
        return view(row.name).startsWith(start, Qt::CaseInsensitive);
    });
    return {int(first - rows.cbegin()), int(last - rows.cbegin())};
}

QStringList IndexTable::ancestors(QStringView className) const
{
    QStringList found;
    QStringList pending{className.toString()};
    for (qsizetype next = 0; next < pending.size(); ++next) {
        const int row = classRow(pending.at(next));
        for (const QString &base : row < 0 ? QStringList() : bases(row)) {
            if (base.compare(className, Qt::CaseInsensitive) != 0 && !found.contains(base)) {
                found.append(base);
                pending.append(base);
            }
        }
    }
    return found;
}

NameTable NameTable::fromText(const QString &text)
{
    NameTable table;
    table.text = text;
    const QStringView all(table.text);
    const auto spanOf = [&all](QStringView part) {
        return IndexTable::Span{int(part.data() - all.data()), int(part.size())};
    };
    for (const QStringView line : splitListLines(all)) {
        QStringView fields[4];
        QStringView rest = line;
        for (QStringView &field : fields) {
            const qsizetype at = findSeparator(rest);
            field = at < 0 ? rest : rest.left(at);
            rest = at < 0 ? QStringView() : rest.mid(at + 3);
        }
        if (!fields[0].isEmpty())
            table.rows.append(
                {spanOf(fields[0]), spanOf(fields[1]), spanOf(fields[2]), spanOf(fields[3])});
    }
    // The file is in this order already; a damaged one still finds its names.
    std::stable_sort(table.rows.begin(), table.rows.end(), [&table](const Row &a, const Row &b) {
        return table.view(a.name).compare(table.view(b.name), Qt::CaseInsensitive) < 0;
    });
    return table;
}

QVector<int> NameTable::named(QStringView name) const
{
    const auto first = std::partition_point(rows.cbegin(), rows.cend(), [&](const Row &row) {
        return view(row.name).compare(name, Qt::CaseInsensitive) < 0;
    });
    QVector<int> found;
    for (auto it = first;
         it != rows.cend() && view(it->name).compare(name, Qt::CaseInsensitive) == 0; ++it)
        found.append(int(it - rows.cbegin()));
    return found;
}

namespace {

// A list kept whole in memory.
class HeldBytes : public ContentsTable::Source
{
public:
    explicit HeldBytes(const QByteArray &utf8)
        : m_utf8(utf8)
    {
    }
    QByteArray bytes(qsizetype start, qsizetype length) const override
    {
        if (start < 0 || length < 0 || start > m_utf8.size() - length)
            return QByteArray();
        return m_utf8.sliced(start, length);
    }

private:
    QByteArray m_utf8;
};

} // namespace

ContentsTable ContentsTable::fromUtf8(const QByteArray &utf8)
{
    ContentsTable table;
    const QByteArrayView all(utf8);
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
        table.addLine(all.sliced(start, end - start), start);
        start = next;
    }
    table.finish(std::make_shared<HeldBytes>(utf8));
    return table;
}

namespace {

// The frozen contents: this header, then the rows, the texts (UTF-16) and
// the first class's member list (UTF-8), each from a multiple of 16.
struct FrozenContentsHeader
{
    char mark[8];
    quint32 rows;
    quint32 textLength;    // in UTF-16 units
    quint32 byteOrder;     // frozenByteOrder as the freezing machine wrote it
    quint32 openingLength; // in bytes: the first class's membersLength, or 0
};
struct FrozenClass
{
    qint64 membersStart;
    qint64 membersLength;
    IndexTable::Span kind, name, page;
};
static_assert(std::has_unique_object_representations_v<FrozenClass>,
              "a row's padding would freeze whatever its memory held");
constexpr char frozenContentsMark[8] = {'V', 'X', 'C', 'O', 'N', 'T', 'S', '2'};

struct FrozenContentsLayout
{
    qsizetype rows, text, opening, end;
};

FrozenContentsLayout frozenContentsLayout(const FrozenContentsHeader &h)
{
    FrozenContentsLayout at;
    at.rows = frozenAligned(qsizetype(sizeof(FrozenContentsHeader)));
    at.text = frozenAligned(at.rows + qsizetype(h.rows) * qsizetype(sizeof(FrozenClass)));
    at.opening = frozenAligned(at.text + qsizetype(h.textLength) * qsizetype(sizeof(QChar)));
    at.end = at.opening + qsizetype(h.openingLength);
    return at;
}

} // namespace

QByteArray ContentsTable::frozen() const
{
    QString text;
    QVector<FrozenClass> rows;
    rows.reserve(classes.size());
    const auto place = [&text](const QString &s) {
        const IndexTable::Span span{int(text.size()), int(s.size())};
        text += s;
        return span;
    };
    for (const Class &entry : classes) {
        FrozenClass row = {};
        row.membersStart = entry.membersStart;
        row.membersLength = entry.membersLength;
        row.kind = place(entry.kind);
        row.name = place(entry.name);
        row.page = place(entry.page);
        rows.append(row);
    }
    // The list the window opens with, so that a start inflates none of the
    // list: it lies where the classes' order puts it, most of the way down.
    QByteArray opening = openingMembers;
    if (source && !classes.isEmpty())
        opening = source->bytes(classes.first().membersStart, classes.first().membersLength);
    if (classes.isEmpty() || opening.size() != classes.first().membersLength)
        opening.clear();
    FrozenContentsHeader h = {};
    std::memcpy(h.mark, frozenContentsMark, sizeof h.mark);
    h.rows = quint32(rows.size());
    h.textLength = quint32(text.size());
    h.byteOrder = frozenByteOrder;
    h.openingLength = quint32(opening.size());
    const FrozenContentsLayout at = frozenContentsLayout(h);
    QByteArray image(at.end, '\0');
    char *out = image.data();
    std::memcpy(out, &h, sizeof h);
    if (!rows.isEmpty())
        std::memcpy(out + at.rows, rows.constData(), size_t(rows.size()) * sizeof(FrozenClass));
    if (!text.isEmpty())
        std::memcpy(out + at.text, text.constData(), size_t(text.size()) * sizeof(QChar));
    if (!opening.isEmpty())
        std::memcpy(out + at.opening, opening.constData(), size_t(opening.size()));
    return image;
}

bool ContentsTable::fromFrozen(const unsigned char *image, qsizetype size, ContentsTable *out)
{
    FrozenContentsHeader h;
    if (!readFrozenHeader(image, size, frozenContentsMark, &h) || h.rows > quint32(INT_MAX / 64)
        || h.textLength > quint32(INT_MAX / 2))
        return false;
    const FrozenContentsLayout at = frozenContentsLayout(h);
    if (at.end != size)
        return false;
    const auto *rows = reinterpret_cast<const FrozenClass *>(image + at.rows);
    // The opening list is the first class's, whole.
    if (h.openingLength != 0 && (h.rows == 0 || rows[0].membersLength != h.openingLength))
        return false;
    const auto *text = reinterpret_cast<const QChar *>(image + at.text);
    const qsizetype textLength = qsizetype(h.textLength);
    const auto fits = [textLength](IndexTable::Span span) {
        return span.start >= 0 && span.length >= 0 && span.start <= textLength - span.length;
    };
    ContentsTable table;
    table.classes.reserve(qsizetype(h.rows));
    for (quint32 i = 0; i < h.rows; ++i) {
        const FrozenClass &row = rows[i];
        if (!fits(row.kind) || !fits(row.name) || !fits(row.page) || row.membersStart < 0
            || row.membersLength < 0)
            return false;
        // Raw data: the names stay in the image, as the Index's do.
        const auto textOf = [text](IndexTable::Span span) {
            return QString::fromRawData(text + span.start, span.length);
        };
        table.classes.append({textOf(row.kind), textOf(row.name), textOf(row.page),
                              row.membersStart, row.membersLength});
    }
    table.openingMembers = QByteArray::fromRawData(
        reinterpret_cast<const char *>(image + at.opening), qsizetype(h.openingLength));
    *out = std::move(table);
    return true;
}

void ContentsTable::addLine(QByteArrayView line, qsizetype offset)
{
    const ContentsLineParts<QByteArrayView> parts = splitContentsLine(line);
    const ContentsClass head = parseContentsLine(QString::fromUtf8(parts.head));
    Class entry{head.kind, head.name, head.page};
    if (parts.hasMembers) {
        entry.membersStart = offset + (parts.members.data() - line.data());
        entry.membersLength = parts.members.size();
    }
    classes.append(entry);
}

void ContentsTable::finish(std::shared_ptr<const Source> from)
{
    source = std::move(from);
    std::stable_sort(classes.begin(), classes.end(),
                     [](const Class &a, const Class &b) { return displayLess(a.name, b.name); });
}

QString ContentsTable::members(const Source &source, const Class &entry)
{
    if (entry.membersLength <= 0)
        return QString();
    return QString::fromUtf8(source.bytes(entry.membersStart, entry.membersLength));
}

} // namespace tarn
