// Velmora: the list files parsed into what the window shows, in display order.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "listformat.h"

#include <QByteArrayView>
#include <QSet>
#include <QString>
#include <QStringView>
#include <QVector>

namespace tarn {

// Display order of names: case folded first, so "addAction" and "QAction"
// sort as a reader expects; exact order breaks ties.
bool displayLess(QStringView a, QStringView b);

// Every entry of index.lst, in display order: classes before members, names
// case-folded, exact order breaking ties. The rows are views into the one
// list text; nothing is copied per entry. Needs nothing of a GUI, so it can
// be built on a thread of its own while the window is put together.
struct IndexTable
{
    struct Span
    {
        int start = 0;
        int length = 0;
    };
    struct Row
    {
        Span name;
        Span target;
        Span kind;
        bool member = false; // its target has an anchor
    };

    static IndexTable fromText(const QString &text);

    QStringView view(Span span) const { return QStringView(text).mid(span.start, span.length); }

    QString text;
    QVector<Row> rows;
    QSet<QString> classNames; // case-folded
};

// Every class of contents.lst, in display order of the names. A class's
// member list, nine tenths of the file, stays in the file's UTF-8 bytes until
// it is asked for: decoding them all would write megabytes of fresh memory
// before the first paint, for lists a reader opens a few of.
struct ContentsTable
{
    struct Class
    {
        QString kind;
        QString name;
        QString page;
        qsizetype membersStart = 0; // in the bytes
        qsizetype membersLength = 0;
    };

    static ContentsTable fromUtf8(const QByteArray &utf8);

    // The class's raw member list, as ContentsClass::members holds it.
    static QString members(const QByteArray &utf8, const Class &entry);

    QByteArray utf8;
    QVector<Class> classes;
};

} // namespace tarn
