// Velmora: the list files parsed into what the window shows, in display order.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "listformat.h"

#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <QUtf8StringView>
#include <QVector>

#include <memory>
#include <utility>

namespace tarn {

// Display order of names: case folded first, so "addAction" and "QAction"
// sort as a reader expects; exact order breaks ties.
bool displayLess(QStringView a, QStringView b);

struct IndexDetails;

// What an entry is, as the Index tells entries apart when it filters by kind.
enum class EntryKind : quint8 {
    Class,
    Function,
    Slot,
    Signal,
    Property,
    EnumOrType, // enums, typedefs and aliases
    Variable,
    Related, // related non-members, macros among them
    Other,
};
inline constexpr int entryKindCount = int(EntryKind::Other) + 1;

// By the index's kind code, "+s", and where that is empty by the element
// of the reference the entry documents, "property".
EntryKind entryKind(QStringView kindCode, QStringView what);

// "6.2" as 602 and "6.3.1" as 603, to compare; 0 for what is no version.
int versionNumber(QStringView version);

// Every entry of index.lst, in display order: classes before members, names
// case-folded, exact order breaking ties, entries of one name as the file
// has them. The rows are views into the one list text; nothing is copied per
// entry. Needs nothing of a GUI, so it can be built on a thread of its own
// while the window is put together. What entries.lst adds comes apart, later
// if need be: the window needs none of it to show the list.
struct IndexTable
{
    struct Span
    {
        int start = 0;
        int length = 0;
    };
    // A span of `bytes`, a type of its own so that no span of the text is
    // taken for one.
    struct ByteSpan
    {
        int start = 0;
        int length = 0;
    };
    struct Row
    {
        Span name;
        ByteSpan target;
        ByteSpan kind;
        Span parameters;     // in `details`, UTF-8: a member's, or a class's bases
        int bareLength = 0;  // of the name: the member's own, before " (Class)"
        int line = 0;        // of index.lst, and so of entries.lst
        quint16 place = 0;   // among the entries of one member name, from entries.lst
        quint16 since = 0;   // versionNumber of the Qt it came with; 0: not known
        quint8 what = 0;     // in `whats`
        bool member = false; // its target has an anchor
        bool twin = false;   // another row shows the same name
        bool deprecated = false;
        EntryKind kindOf = EntryKind::Other;
        // Fills the row out to its alignment: a row has no padding, so its
        // bytes, which the build freezes, are all its values'.
        quint8 unused[3] = {};
    };

    // index.lst alone, and with what entries.lst says of its lines (any
    // line whose target does not match is left out).
    static IndexTable fromText(const QString &text);
    static IndexTable fromLists(const QString &text, QByteArrayView entries);

    // A table of fromText() as one image the build places in the program:
    // the rows, the lookup order, the names and the bytes as they lie in
    // memory, so that the program uses them where they are and reads no
    // list at start. Empty for a table with details.
    QByteArray frozen() const;
    // The table of such an image, its parts pointing into `image`, which
    // must outlive it (the program's own read-only data). Only the image's
    // frame is checked: its mark, the byte order, this build's layout of a
    // row and the sizes against `size`; the rows are trusted as the build's
    // own output. False,
    // leaving `out` alone, for anything else.
    static bool fromFrozen(const unsigned char *image, qsizetype size, IndexTable *out);

    // What entries.lst says of this table's rows. Only reads the table, so
    // another thread may make it while this one uses the table.
    IndexDetails readDetails(QByteArrayView entries) const;
    // Takes details made for this table; details made for another are
    // passed over.
    void setDetails(IndexDetails details);
    bool hasDetails() const { return m_hasDetails; }

    QStringView view(Span span) const { return QStringView(text).mid(span.start, span.length); }
    QUtf8StringView view(ByteSpan span) const
    {
        return QUtf8StringView(bytes.constData() + span.start, span.length);
    }
    QStringView name(int row) const { return view(rows.at(row).name); }
    // "arg" of "arg (QString)"; a class's name.
    QStringView bareName(int row) const { return name(row).left(rows.at(row).bareLength); }
    // "QString" of "arg (QString)"; empty for a class.
    QStringView className(int row) const;
    // A member's parameter list, "(int msec) const"; empty for a class.
    QString parameters(int row) const;
    QString what(int row) const { return whats.value(rows.at(row).what); }
    // A class's direct bases; none for a member.
    QStringList bases(int row) const;
    // The row of the class of that name, in its case or else in any case; -1 for none.
    int classRow(QStringView className) const;
    // The places [first, last) in display order, and so in lookup order, of
    // the classes whose name is `name` in any case, and of the members whose
    // own name is: a binary search, not a walk.
    std::pair<int, int> classRun(QStringView name) const;
    std::pair<int, int> memberRun(QStringView bareName) const;
    // The classes one derives from, directly or not, nearest first, as far
    // as the index lists them.
    QStringList ancestors(QStringView className) const;

    QString text;     // the names, one after the other
    QByteArray bytes; // the targets and kinds, UTF-8
    QVector<Row> rows;
    // The rows in lookup order: the display order, except that the entries
    // of one member name follow their places, the declaring class first.
    QVector<int> lookupOrder;
    QSet<QString> classNames; // case-folded
    QByteArray details;       // the parameter lists, one after the other
    QStringList whats;        // "", "class", "function", ...

private:
    bool m_hasDetails = false;
};

// What entries.lst adds to the rows of an index table, in its display order.
struct IndexDetails
{
    struct Row
    {
        IndexTable::Span parameters; // in `bytes`
        quint16 place = 0;
        quint16 since = 0;
        quint8 what = 0; // in `whats`
        bool deprecated = false;
    };
    QVector<Row> rows;
    QByteArray bytes;
    QStringList whats;
    QVector<int> lookupOrder;
};

// What one line of entries.lst says of an entry's versions, for a few
// entries without the whole list: the Qt it came with (a versionNumber, 0
// when not known) and whether it is deprecated. False for a line with no
// target.
struct EntryVersion
{
    quint16 since = 0;
    bool deprecated = false;
};
bool readEntryVersion(QByteArrayView line, QByteArrayView *target, EntryVersion *version);

// The names of the API that index.lst has no line for (names.lst), by name
// in any case.
struct NameTable
{
    struct Row
    {
        IndexTable::Span name;
        IndexTable::Span scope;
        IndexTable::Span target;
        IndexTable::Span what;
    };

    static NameTable fromText(const QString &text);

    QStringView view(IndexTable::Span span) const
    {
        return QStringView(text).mid(span.start, span.length);
    }
    // The rows of that name in any case, in the table's order.
    QVector<int> named(QStringView name) const;

    QString text;
    QVector<Row> rows;
};

// Every class of contents.lst, in display order of the names. A class's
// member list, nine tenths of the file, stays where the list came from until
// it is asked for: decoding them all would write megabytes of fresh memory
// before the first paint, for lists a reader opens a few of.
struct ContentsTable
{
    struct Class
    {
        QString kind;
        QString name;
        QString page;
        qsizetype membersStart = 0; // in the list's bytes
        qsizetype membersLength = 0;
    };

    // Where the list's bytes are read back from when a member list is asked
    // for: the bytes themselves, or a reader of the stored list.
    class Source
    {
    public:
        virtual ~Source() = default;
        virtual QByteArray bytes(qsizetype start, qsizetype length) const = 0;
    };

    // The table of a list in memory, which it keeps.
    static ContentsTable fromUtf8(const QByteArray &utf8);

    // The classes as one image the build places in the program, in display
    // order with their member lists' places in the list's bytes, so that a
    // start reads none of the list to fill the Contents. Of the source, only
    // the first class's member list is part of it (or, with no source,
    // openingMembers): the list the window opens with.
    QByteArray frozen() const;
    // The classes of such an image, their texts pointing into `image`,
    // which must outlive the table (the program's own read-only data); the
    // source is left for the caller to set. As IndexTable::fromFrozen, only
    // the frame is checked, and every text's span against the image. False,
    // leaving `out` alone, for anything else.
    static bool fromFrozen(const unsigned char *image, qsizetype size, ContentsTable *out);

    // Building a table a line at a time: each line of the list with the
    // offset of its first byte in the list; then the order, and where the
    // member lists are read back from.
    void addLine(QByteArrayView line, qsizetype offset);
    void finish(std::shared_ptr<const Source> source);

    // The class's raw member list, as ContentsClass::members holds it.
    static QString members(const Source &source, const Class &entry);
    QString members(const Class &entry) const
    {
        return source ? members(*source, entry) : QString();
    }

    std::shared_ptr<const Source> source;
    QVector<Class> classes;
    // Of a table taken from a frozen image, the first class's member list
    // as the image carries it; empty otherwise, and for a class without one.
    QByteArray openingMembers;
};

} // namespace tarn
