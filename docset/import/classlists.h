// Velmora: the class and member lists generated from the reference's .index files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "listformat.h"

#include <QByteArray>
#include <QHash>
#include <QSet>
#include <QString>
#include <QStringList>
#include <QVector>

class QIODevice;

namespace tarn::import {

struct MemberEntry
{
    QString kind;     // "+f", "+F", "-f", "+S", "-S", "+s", "+v", "+R" or empty
    QString name;     // as shown in the members list: the signature without return type
    QString bareName; // as shown in the index, before " (Class)"
    QString target;   // page#anchor
    QString what;     // the element the index has for it: "function", "property", "macro"...
    bool overload = false;
    QStringList parameterTypes; // of a function, as the index writes them
    QStringList properties;     // the properties a function reads, writes or notifies
};

struct ClassEntry
{
    QString kind; // "C", "O" or "W", set by ClassCatalog::classes()
    QString name;
    QString page;
    QVector<MemberEntry> members;
};

// A name of the API that the index list has no line for: an enum value, a
// macro outside the classes, a namespace and what it holds, a global function.
using ApiName = NameEntry;

// What one .index file says about itself.
struct IndexInfo
{
    QString version;
    QString url;
};

// Every documented public class of all .index files read, with its members,
// and the inheritance of every class seen (documented or not) so that a
// kind can follow bases across modules.
class ClassCatalog
{
public:
    // Reads one .index file. On malformed XML returns false with
    // "line N: <problem>" in *error and keeps nothing of that file.
    bool addIndex(QIODevice *device, IndexInfo *info, QString *error);

    // "W" for QWidget and what derives from it, "O" likewise for QObject, else "C".
    QString classKind(const QString &className) const;

    // The classes `className` derives from directly, as the index names them.
    QStringList bases(const QString &className) const { return m_bases.value(className); }

    // Every class `className` derives from, directly or not, nearest first;
    // documented or not.
    QStringList ancestors(const QString &className) const;

    // The names the index list has no line for, without those whose page
    // `pageExists` rejects. A name given twice for one target is kept once.
    template <typename Pred> QVector<ApiName> names(Pred pageExists) const
    {
        QVector<ApiName> result;
        for (const ApiName &n : m_names) {
            if (pageExists(n.target.section(QLatin1Char('#'), 0, 0)))
                result.append(n);
        }
        return result;
    }

    // The listed classes with their kinds; members whose page `pageExists`
    // rejects are left out, and so are classes whose own page it rejects.
    template <typename Pred> QVector<ClassEntry> classes(Pred pageExists) const
    {
        QVector<ClassEntry> result;
        result.reserve(m_classes.size());
        for (const ClassEntry &c : m_classes) {
            if (!pageExists(c.page))
                continue;
            ClassEntry entry = c;
            entry.kind = classKind(c.name);
            entry.members.clear();
            for (const MemberEntry &m : c.members) {
                if (pageExists(m.target.section(QLatin1Char('#'), 0, 0)))
                    entry.members.append(m);
            }
            result.append(entry);
        }
        return result;
    }

    // Members read, before any were left out for a missing page.
    int memberCount() const
    {
        int count = 0;
        for (const ClassEntry &c : m_classes)
            count += int(c.members.size());
        return count;
    }

    // Entries left out because a field would break the list line format.
    const QStringList &unsafeEntries() const { return m_unsafe; }

private:
    QHash<QString, QStringList> m_bases;
    QVector<ClassEntry> m_classes;
    QVector<ApiName> m_names;
    QSet<QString> m_nameKeys; // name, scope and target of each of m_names
    QSet<QString> m_classPages;
    QStringList m_unsafe;
};

// The member name shown: the signature without its return type and without
// trailing override/final, spaced as the pages write it ("setEnabled(bool)").
QString memberDisplayName(const QString &signature, const QString &type);

// contents.lst: grouped C, O, W, by class name within a group; CR LF endings.
QByteArray contentsList(QVector<ClassEntry> classes);

// One line of index.lst and what it was made from.
struct IndexLine
{
    QByteArray name;
    QByteArray line; // without its end
    int classIndex = 0;
    int memberIndex = -1; // -1 for the class's own line
};

// The lines of index.lst in the file's order.
QVector<IndexLine> indexLines(const QVector<ClassEntry> &classes);

// index.lst: a line per class and per member, ascending by name; CR LF endings.
QByteArray indexList(const QVector<ClassEntry> &classes);

} // namespace tarn::import
