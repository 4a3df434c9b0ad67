// Velmora: the class and member lists generated from the reference's .index files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

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
    QSet<QString> m_classPages;
    QStringList m_unsafe;
};

// The member name shown: the signature without its return type and without
// trailing override/final, spaced as the pages write it ("setEnabled(bool)").
QString memberDisplayName(const QString &signature, const QString &type);

// contents.lst: grouped C, O, W, by class name within a group; CR LF endings.
QByteArray contentsList(QVector<ClassEntry> classes);

// index.lst: a line per class and per member, ascending by name; CR LF endings.
QByteArray indexList(const QVector<ClassEntry> &classes);

} // namespace tarn::import
