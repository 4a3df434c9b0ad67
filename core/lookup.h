// Velmora: names as developers type them, "QString::arg", matched to index entries.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>
#include <QStringView>

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

// One index entry as the lookup reads it, in the index's display order.
struct LookupEntry
{
    QStringView name;
    QStringView target;
};

// Where a name given from outside the window (the command line, an editor)
// leads.
struct Lookup
{
    enum Kind {
        Nothing,    // a blank name: nothing to look up
        Page,       // a page of the set, "qstring.html#arg"
        Entry,      // an index entry of exactly that name, or that member
        FirstMatch, // no entry of that name: the first the Index would show
        NoMatch,    // nothing in the Index holds the name
    };
    Kind kind = Nothing;
    QString target; // the page to open, for Page, Entry and FirstMatch
};

// Looks a name up, best first: a page name of the set (with or without its
// anchor); an entry whose name equals the name, in case, then in any case;
// for "Class::member" or "Class member", that class's entries of that
// member, in case, then in any case, then the first whose name starts so;
// else the first entry whose name holds the name, as the Index's filter
// shows them.
Lookup lookUp(QStringView name, qsizetype entryCount,
              const std::function<LookupEntry(qsizetype)> &entryAt,
              const std::function<bool(const QString &page)> &pageExists,
              const std::function<bool(const QString &className)> &isClassName);

} // namespace tarn
