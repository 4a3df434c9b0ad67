// Velmora: names as developers type them, "QString::arg", matched to index entries.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "listtables.h"

#include <QString>
#include <QStringView>
#include <QVector>

#include <functional>
#include <optional>

namespace tarn {

// A class and (the start of) the name of one of its members.
struct QualifiedName
{
    QString className;
    QString member; // may be empty: every member of the class
};

// "QString::arg" and "QString arg" name the member arg of QString; the class
// is everything before the last "::". Any other text (one word, an entry as
// the index shows it, "arg (QString)") names no member and gives nullopt.
std::optional<QualifiedName> qualifiedName(QStringView text);

// Whether an index entry's name, "arg (QString)", is a member of the class
// whose name starts with the member part; both compared in any case.
bool isMemberEntryOf(QStringView entryName, const QualifiedName &name);

// The rows of `table` whose name holds `text` in any case, in lookup order;
// only those of `among` (rows in lookup order) when given: typing more can
// only narrow what an earlier text matched.
QVector<int> matchingRows(const IndexTable &table, QStringView text,
                          const QVector<int> *among = nullptr);

// What a reader narrows the Index to besides the text: kinds of entry, the
// Qt they target, and whether deprecated entries show. The default lets
// every entry through.
struct IndexFilter
{
    quint16 kinds = 0; // a bit for each EntryKind shown; none set: every kind
    int upTo = 0;      // versionNumber: what came with a later Qt is hidden; 0: any
    bool hideDeprecated = false;

    static constexpr quint16 bit(EntryKind kind) { return quint16(1u << int(kind)); }
    bool isActive() const { return kinds != 0 || upTo != 0 || hideDeprecated; }
    bool passes(const IndexTable::Row &row) const
    {
        return (kinds == 0 || (kinds & bit(row.kindOf)) != 0) && (upTo == 0 || row.since <= upTo)
            && !(hideDeprecated && row.deprecated);
    }
    bool operator==(const IndexFilter &other) const
    {
        return kinds == other.kinds && upTo == other.upTo && hideDeprecated == other.hideDeprecated;
    }
    bool operator!=(const IndexFilter &other) const { return !(*this == other); }
};

// The rows of `rows` that `filter` lets through, in their order.
QVector<int> filteredRows(const IndexTable &table, const QVector<int> &rows,
                          const IndexFilter &filter);

// Matches of `text` as the Index shows them, in four groups, each in lookup
// order: entries whose name is the text, in case (a member's own name, a
// class name, or the whole entry as it reads); the other classes; members
// whose names start with the text, in any case; the rest.
QVector<int> groupedRows(const IndexTable &table, QStringView text, const QVector<int> &matches);

// What the Index shows for `text`: every row in display order for no text;
// for "Class::member" or "Class member", that class's members whose names
// start so, in display order; else the matches, grouped. Only what
// `filter` lets through.
QVector<int> indexRows(const IndexTable &table, QStringView text, const IndexFilter &filter = {});

// An entry of the API that a text names.
struct ApiMatch
{
    QString name;       // qualified: "QTimer::singleShot", "Qt::AlignLeft", "QString"
    QString target;     // page#anchor, or a page
    QString what;       // "class", "function", "enumvalue", "macro"... or empty
    QString kind;       // the index's kind code, "+F"; empty for what the index lacks
    QString parameters; // a function's, "(int msec, ...)"
    int row = -1;       // in the index table; -1 for a name of the name table
};

// The entries a text names, best first: a class, a member ("singleShot"),
// a class's member ("QTimer::singleShot", "QTimer singleShot"), an entry as
// the Index shows it, and from `names` (which may be null) an enum value
// ("Qt::AlignLeft", "AlignLeft"), a macro or a namespace. Names in the
// text's case come first, then those in any case; index entries before the
// names of `names`, each in lookup order. Failing all that, words that
// spell a class ("message box", "system tray icon") name it. Any other text
// names nothing. With an active `filter`, only the index entries it lets
// through, and no names of `names`: the filter cannot tell what they are.
QVector<ApiMatch> namedEntries(const IndexTable &index, const NameTable *names, QStringView text,
                               const IndexFilter &filter = {});

// Where a name given from outside the window (the command line, an editor)
// leads.
struct Lookup
{
    enum Kind {
        Nothing,    // a blank name: nothing to look up
        Page,       // a page of the set, "qstring.html#arg"
        Entry,      // an entry the name names (namedEntries), the best of them
        FirstMatch, // no entry of that name: the first the Index would show
        NoMatch,    // nothing in the Index holds the name
    };
    Kind kind = Nothing;
    QString target; // the page to open, for Page, Entry and FirstMatch
};

// The first step of lookUp alone: a page name of the set, with or without
// its anchor, as Lookup::Page; otherwise Nothing. Needs no table, so a start
// on a page reads none.
Lookup lookUpPage(QStringView name, const std::function<bool(const QString &page)> &pageExists);

// Looks a name up: a page name of the set (with or without its anchor); else
// the best entry the name names; else the first row the Index shows for it.
// Entries `filter` hides are not found.
Lookup lookUp(QStringView name, const IndexTable &index, const NameTable *names,
              const std::function<bool(const QString &page)> &pageExists,
              const IndexFilter &filter = {});

} // namespace tarn
