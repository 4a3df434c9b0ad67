// Velmora: parsing of page names and of the two list files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QList>
#include <QString>
#include <QStringView>

namespace tarn {

struct PageName
{
    QString page;
    QString anchor;
};

// Splits "page.html#anchor" at every "#", dropping empty pieces: the first
// piece is the page, the second the anchor, any further pieces are ignored.
PageName splitPageName(const QString &name);

struct ContentsClass
{
    QString kind;
    QString name;
    QString page;
    QString members; // the raw member list, split only when the class is opened
};

struct ContentsMember
{
    QString kind;
    QString name;
    QString target;
};

struct IndexEntry
{
    QString name;
    QString target;
    QString kind;
};

// One line of the contents list: "K===Name===page.html@members".
ContentsClass parseContentsLine(QStringView line);
// A class's member list: entries "kind===name===target===flag" joined by ";;".
QList<ContentsMember> parseMemberList(QStringView members);
// One line of the index list: "name===target===kind".
IndexEntry parseIndexLine(QStringView line);

// The lines of a list file, ended by CR LF or a bare LF; a final line without
// an end counts too, an empty file has none.
QList<QStringView> splitListLines(QStringView text);

// The icon name for a kind code, or an empty string for none.
QString kindIconName(QStringView kind);

// The index display key: class entries ("1") before member entries ("2").
QString indexSortKey(const IndexEntry &entry);

} // namespace tarn
