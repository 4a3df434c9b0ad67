// Velmora: what the lookup needs beyond index.lst: details of every entry, and names it lacks.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "apilists.h"

#include "listformat.h"
#include "listtables.h"

#include <QHash>
#include <QSet>

#include <algorithm>

namespace tarn::import {

QString memberParameters(const MemberEntry &member)
{
    if (member.what != QLatin1String("function") && member.what != QLatin1String("macro"))
        return QString();
    const QString &shown = member.name;
    QString parameters;
    // "operator()(int)" is the member "operator()" with "(int)".
    if (shown.startsWith(member.bareName) && shown.mid(member.bareName.size()).startsWith(u'('))
        parameters = shown.mid(member.bareName.size());
    else if (const qsizetype open = shown.indexOf(u'('); open >= 0)
        parameters = shown.mid(open);
    // What a pure virtual adds tells overloads no more apart.
    for (bool again = true; again;) {
        again = false;
        for (const QLatin1String tail :
             {QLatin1String(" = 0"), QLatin1String(" override"), QLatin1String(" final")}) {
            if (parameters.endsWith(tail)) {
                parameters.chop(tail.size());
                again = true;
            }
        }
    }
    return parameters;
}

QVector<QVector<int>> sameNamePlaces(const QVector<ClassEntry> &classes,
                                     const ClassCatalog &catalog)
{
    QHash<QString, int> classIndex;
    QVector<QSet<QString>> memberNames(classes.size());
    QHash<QString, QVector<QPair<int, int>>> byName;
    QVector<QVector<int>> places(classes.size());
    for (int i = 0; i < classes.size(); ++i) {
        const ClassEntry &c = classes.at(i);
        classIndex.insert(c.name, i);
        places[i].fill(0, c.members.size());
        for (int j = 0; j < c.members.size(); ++j) {
            memberNames[i].insert(c.members.at(j).bareName);
            byName[c.members.at(j).bareName].append({i, j});
        }
    }
    // The listed classes each class derives from, and how many derive from each.
    QVector<QVector<int>> listedAncestors(classes.size());
    QVector<int> descendants(classes.size(), 0);
    for (int i = 0; i < classes.size(); ++i) {
        for (const QString &ancestor : catalog.ancestors(classes.at(i).name)) {
            const int j = classIndex.value(ancestor, -1);
            if (j >= 0 && j != i) {
                listedAncestors[i].append(j);
                ++descendants[j];
            }
        }
    }

    struct Ranked
    {
        int classIndex;
        int memberIndex;
        int inherited; // ancestors that have a member of the name; 0: it declares it
    };
    for (auto group = byName.cbegin(); group != byName.cend(); ++group) {
        if (group.value().size() < 2)
            continue;
        QVector<Ranked> ranked;
        ranked.reserve(group.value().size());
        for (const auto &[i, j] : group.value()) {
            const QVector<int> &ancestors = listedAncestors.at(i);
            const int inherited =
                int(std::count_if(ancestors.cbegin(), ancestors.cend(), [&](int ancestor) {
                    return memberNames.at(ancestor).contains(group.key());
                }));
            ranked.append({i, j, inherited});
        }
        std::stable_sort(ranked.begin(), ranked.end(), [&](const Ranked &a, const Ranked &b) {
            if ((a.inherited == 0) != (b.inherited == 0))
                return a.inherited == 0;
            if (a.classIndex != b.classIndex) {
                // Bases before the classes derived from them.
                if (a.inherited != b.inherited)
                    return a.inherited < b.inherited;
                // The most derived from first; of those the larger class,
                // the one readers meet more.
                const int da = descendants.at(a.classIndex);
                const int db = descendants.at(b.classIndex);
                if (da != db)
                    return da > db;
                const qsizetype ma = classes.at(a.classIndex).members.size();
                const qsizetype mb = classes.at(b.classIndex).members.size();
                if (ma != mb)
                    return ma > mb;
                return displayLess(classes.at(a.classIndex).name, classes.at(b.classIndex).name);
            }
            return a.memberIndex < b.memberIndex;
        });
        for (int place = 0; place < ranked.size(); ++place)
            places[ranked.at(place).classIndex][ranked.at(place).memberIndex] = place;
    }
    return places;
}

QByteArray entryList(const QVector<ClassEntry> &classes, const ClassCatalog &catalog)
{
    const QVector<QVector<int>> places = sameNamePlaces(classes, catalog);
    QByteArray out;
    for (const IndexLine &line : indexLines(classes)) {
        const ClassEntry &c = classes.at(line.classIndex);
        EntryDetail detail;
        if (line.memberIndex < 0) {
            QStringList bases = catalog.bases(c.name);
            bases.removeIf([](const QString &base) { return !isSafeListField(base); });
            detail = {c.page, QStringLiteral("class"), QString(), 0, bases.join(u',')};
        } else {
            const MemberEntry &m = c.members.at(line.memberIndex);
            detail = {m.target, m.what, memberParameters(m),
                      places.at(line.classIndex).at(line.memberIndex), QString()};
        }
        out += formatEntryDetailLine(detail).toUtf8() + listLineEnd;
    }
    return out;
}

QByteArray nameList(const QVector<ApiName> &names, const QVector<ClassEntry> &classes)
{
    // How much of the API a page documents: of two names alike, the one
    // on the larger page is the one readers mean more often ("AlignLeft"
    // of Qt rather than of a text stream).
    QHash<QString, int> pageWeight;
    const auto pageOf = [](const QString &target) { return target.section(u'#', 0, 0); };
    for (const ClassEntry &c : classes) {
        for (const MemberEntry &m : c.members)
            ++pageWeight[pageOf(m.target)];
    }
    for (const ApiName &n : names)
        ++pageWeight[pageOf(n.target)];

    QVector<ApiName> sorted = names;
    std::stable_sort(sorted.begin(), sorted.end(), [&](const ApiName &a, const ApiName &b) {
        const int folded = a.name.compare(b.name, Qt::CaseInsensitive);
        if (folded != 0)
            return folded < 0;
        if (a.name != b.name)
            return a.name < b.name;
        const int wa = pageWeight.value(pageOf(a.target));
        const int wb = pageWeight.value(pageOf(b.target));
        if (wa != wb)
            return wa > wb;
        return std::make_pair(a.scope, a.target) < std::make_pair(b.scope, b.target);
    });
    QByteArray out;
    for (const ApiName &n : std::as_const(sorted))
        out += formatNameLine(n).toUtf8() + listLineEnd;
    return out;
}

} // namespace tarn::import
