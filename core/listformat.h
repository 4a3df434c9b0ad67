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
// Lines end in CR LF; a reader also takes a bare LF.
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

// The lines of a list file, ended by CR LF or a bare LF; a final line without
// an end counts too, an empty file has none.
QList<QStringView> splitListLines(QStringView text);

// The writer's side: one line, without its line end. A field that
// isSafeListField rejects would not read back; the caller leaves it out.
QString formatContentsLine(const QString &kind, const QString &name, const QString &page,
                           const QList<ContentsMember> &members);
QString formatIndexLine(const QString &name, const QString &target, const QString &kind);
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
