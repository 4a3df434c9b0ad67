// Velmora: the two list files, contents.lst and index.lst, written and read.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QByteArray>
#include <QByteArrayView>
#include <QList>
#include <QString>
#include <QStringView>

// The import tool writes these lines at build time and the window reads them
// at run time: both go through this one codec.
//
//   contents.lst  one class a line: "K===Name===page.html@members"
//                 members: "kind===name===target===flag" joined by ";;",
//                 the list closed by ";" (nothing after "@" for no members)
//   index.lst     one entry a line: "name===target===kind"
//   entries.lst   what an index line cannot say, a line for each line of
//                 index.lst in its order: "target===what===parameters===place===bases"
//   names.lst     the names of the API that index.lst has no line for (enum
//                 values, macros, namespaces): "name===scope===target===what"
// Lines end in CR LF; a reader also takes a bare LF. The last two may grow
// fields at their ends: a reader takes those it knows and skips the rest.
namespace tarn {

struct ContentsMember
{
    QString kind;
    QString name;
    QString target;
    bool overload = false; // the fourth field; written, never read by the window
};

struct ContentsClass
{
    QString kind;
    QString name;
    QString page;
    QString members; // the raw member list, split only when the class is opened
};

struct IndexEntry
{
    QString name;
    QString target;
    QString kind;
};

// What the import knows of an index entry beyond its line.
struct EntryDetail
{
    QString target; // the index line's, to match the two up
    // The element of the reference: "class", "function", "property", "enum",
    // "typedef", "variable", "macro"...
    QString what;
    // A function's parameter list and what follows it, "(int msec) const";
    // empty for anything else.
    QString parameters;
    // Among the entries of one member name, the place the lookup gives it:
    // 0 for the first, the class that declares the member; 0 for a class.
    int place = 0;
    // A class's direct bases, "QIODeviceBase,QObject"; empty for a member.
    QString bases;
};

// A name of the API that index.lst has no line for.
struct NameEntry
{
    QString name;   // "AlignLeft"
    QString scope;  // what a qualified name puts before "::": "Qt"; may be empty
    QString target; // page#anchor, or a page
    QString what;   // "enumvalue", "macro", "namespace", "function", "enum", "typedef"...
};

// One line of the contents list.
ContentsClass parseContentsLine(QStringView line);

// A line of the contents list cut at its first "@": the class's fields
// before it, and after it the member list, up to a second "@" if there is
// one. On the line's text or on its UTF-8 bytes alike; `hasMembers` is false
// for a line without "@".
template <typename View> struct ContentsLineParts
{
    View head;
    View members;
    bool hasMembers = false;
};
ContentsLineParts<QStringView> splitContentsLine(QStringView line);
ContentsLineParts<QByteArrayView> splitContentsLine(QByteArrayView line);
// A class's raw member list.
QList<ContentsMember> parseMemberList(QStringView members);
// One line of the index list.
IndexEntry parseIndexLine(QStringView line);

EntryDetail parseEntryDetailLine(QStringView line);
NameEntry parseNameLine(QStringView line);

// The lines of a list file, ended by CR LF or a bare LF; a final line without
// an end counts too, an empty file has none.
QList<QStringView> splitListLines(QStringView text);

// The writer's side: one line, without its line end. A field that
// isSafeListField rejects would not read back; the caller leaves it out.
QString formatContentsLine(const QString &kind, const QString &name, const QString &page,
                           const QList<ContentsMember> &members);
QString formatIndexLine(const QString &name, const QString &target, const QString &kind);
QString formatEntryDetailLine(const EntryDetail &detail);
QString formatNameLine(const NameEntry &name);
// The line end the writer uses.
inline constexpr char listLineEnd[] = "\r\n";

// True when `field` can sit in a list line and split back unchanged: no
// separator, no member-list punctuation, no line end.
bool isSafeListField(const QString &field);

// The icon name for a kind code, or an empty string for none.
QString kindIconName(QStringView kind);
// Class kinds ("C", "O", "W") as opposed to member kinds.
bool isClassKind(QStringView kind);

// The index display key: class entries ("1") before member entries ("2").
QString indexSortKey(const IndexEntry &entry);

} // namespace tarn
