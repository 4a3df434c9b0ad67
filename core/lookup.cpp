// Velmora: names as developers type them, "QString::arg", matched to index entries.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "lookup.h"

#include <algorithm>
#include <iterator>
#include <numeric>

namespace tarn {

namespace {

bool isNameChar(QChar c)
{
    return c.isLetterOrNumber() || c == u'_';
}

// A class name as the index has them: letters, digits, "_" and "::".
bool isClassName(QStringView text)
{
    if (text.isEmpty() || !(text.front().isLetter() || text.front() == u'_'))
        return false;
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] == u':') {
            if (i + 1 >= text.size() || text[i + 1] != u':')
                return false;
            ++i;
        } else if (!isNameChar(text[i])) {
            return false;
        }
    }
    return !text.endsWith(u':');
}

// A member name or its start: a name, "~Name", or "operator" and its symbols.
bool isMemberName(QStringView text)
{
    if (text.startsWith(u"operator"))
        return !text.contains(u' ') && !text.contains(u'(');
    if (text.startsWith(u'~'))
        text = text.mid(1);
    for (const QChar c : text) {
        if (!isNameChar(c))
            return false;
    }
    return true;
}

} // namespace

std::optional<QualifiedName> qualifiedName(QStringView text)
{
    text = text.trimmed();
    QStringView className;
    QStringView member;
    const qsizetype colons = text.lastIndexOf(u"::");
    if (colons > 0) {
        className = text.left(colons);
        member = text.mid(colons + 2);
    } else {
        const qsizetype blank = text.indexOf(u' ');
        if (blank <= 0)
            return std::nullopt;
        className = text.left(blank);
        member = text.mid(blank + 1).trimmed();
        if (member.isEmpty())
            return std::nullopt;
    }
    if (!isClassName(className) || !isMemberName(member))
        return std::nullopt;
    return QualifiedName{className.toString(), member.toString()};
}

bool isMemberEntryOf(QStringView entryName, const QualifiedName &name)
{
    // "bare (Class)"
    if (!entryName.endsWith(u')'))
        return false;
    const qsizetype open = entryName.lastIndexOf(u" (");
    if (open < 0)
        return false;
    const QStringView owner = entryName.mid(open + 2, entryName.size() - open - 3);
    const QStringView bare = entryName.left(open);
    return owner.compare(name.className, Qt::CaseInsensitive) == 0
        && bare.startsWith(name.member, Qt::CaseInsensitive);
}

QVector<int> matchingRows(const IndexTable &table, QStringView text, const QVector<int> *among)
{
    QVector<int> found;
    const auto test = [&](int row) {
        if (table.name(row).contains(text, Qt::CaseInsensitive))
            found.append(row);
    };
    if (among) {
        for (const int row : *among)
            test(row);
    } else {
        for (const int row : table.lookupOrder)
            test(row);
    }
    return found;
}

QVector<int> groupedRows(const IndexTable &table, QStringView text, const QVector<int> &matches)
{
    enum Group { Exact, Class, Starts, Other, GroupCount };
    QVector<int> groups[GroupCount];
    for (const int row : matches) {
        const IndexTable::Row &r = table.rows.at(row);
        const QStringView bare = table.bareName(row);
        Group group = Other;
        if (bare == text || table.name(row) == text)
            group = Exact;
        else if (!r.member)
            group = Class;
        else if (bare.startsWith(text, Qt::CaseInsensitive))
            group = Starts;
        groups[group].append(row);
    }
    QVector<int> shown;
    shown.reserve(matches.size());
    for (const QVector<int> &group : groups)
        shown += group;
    return shown;
}

QVector<int> indexRows(const IndexTable &table, QStringView text, const IndexFilter &filter)
{
    QVector<int> shown;
    if (text.isEmpty()) {
        shown.reserve(table.rows.size());
        for (int row = 0; row < table.rows.size(); ++row) {
            if (filter.passes(table.rows.at(row)))
                shown.append(row);
        }
        return shown;
    }
    // "QString::arg" or "QString arg": the members of that class, by name.
    if (const std::optional<QualifiedName> qualified = qualifiedName(text);
        qualified && table.classNames.contains(qualified->className.toCaseFolded())) {
        for (int row = 0; row < table.rows.size(); ++row) {
            if (table.rows.at(row).member && isMemberEntryOf(table.name(row), *qualified)
                && filter.passes(table.rows.at(row)))
                shown.append(row);
        }
        return shown;
    }
    return groupedRows(table, text, filteredRows(table, matchingRows(table, text), filter));
}

namespace {

// Text that can name an entry: a name, "Class::member" or "Class member",
// "~Name", an operator, or an entry as the Index shows it.
bool mayName(QStringView text)
{
    if (text.isEmpty() || text.size() > 200)
        return false;
    for (const QChar c : text) {
        if (c.isSpace() && c != u' ')
            return false;
    }
    return !text.contains(u'"') && !text.startsWith(u'-') && !text.endsWith(u'*');
}

QString qualified(QStringView scope, QStringView name)
{
    return scope.isEmpty() ? name.toString() : scope + QLatin1String("::") + name;
}

ApiMatch indexMatch(const IndexTable &index, int row)
{
    const IndexTable::Row &r = index.rows.at(row);
    return {r.member ? qualified(index.className(row), index.bareName(row))
                     : index.name(row).toString(),
            index.view(r.target).toString(),
            index.what(row),
            index.view(r.kind).toString(),
            index.parameters(row),
            row};
}

ApiMatch nameMatch(const NameTable &names, int row)
{
    const NameTable::Row &r = names.rows.at(row);
    return {qualified(names.view(r.scope), names.view(r.name)),
            names.view(r.target).toString(),
            names.view(r.what).toString(),
            QString(),
            QString(),
            -1};
}

// Words that spell a class's name, "message box" or "system tray icon":
// the classes the longest run of two or more of them names, leftmost first.
// One word alone spells too much ("thread affinity" is not about QThread).
QVector<ApiMatch> spelledClasses(const IndexTable &index, QStringView text)
{
    const QList<QStringView> words = text.split(u' ', Qt::SkipEmptyParts);
    if (words.size() < 2 || words.size() > 8)
        return {};
    for (const QStringView word : words) {
        for (const QChar c : word) {
            if (!c.isLetterOrNumber())
                return {};
        }
    }
    for (qsizetype length = words.size(); length >= 2; --length) {
        QVector<ApiMatch> found;
        for (qsizetype start = 0; start + length <= words.size(); ++start) {
            QString name = QStringLiteral("Q");
            for (qsizetype i = start; i < start + length; ++i)
                name += words.at(i);
            if (const int row = index.classRow(name); row >= 0)
                found.append(indexMatch(index, row));
        }
        if (!found.isEmpty())
            return found;
    }
    return {};
}

} // namespace

QVector<int> filteredRows(const IndexTable &table, const QVector<int> &rows,
                          const IndexFilter &filter)
{
    if (!filter.isActive())
        return rows;
    QVector<int> kept;
    kept.reserve(rows.size());
    for (const int row : rows) {
        if (filter.passes(table.rows.at(row)))
            kept.append(row);
    }
    return kept;
}

namespace {

// What the filter lets through of what a text names. The names the index
// lacks know no version: only their kind can hide them.
QVector<ApiMatch> filteredMatches(const IndexTable &index, QVector<ApiMatch> found,
                                  const IndexFilter &filter)
{
    if (!filter.isActive())
        return found;
    found.removeIf([&](const ApiMatch &match) {
        if (match.row >= 0)
            return !filter.passes(index.rows.at(match.row));
        return filter.kinds != 0
            && (filter.kinds & IndexFilter::bit(entryKind(QStringView(), match.what))) == 0;
    });
    return found;
}

} // namespace

QVector<ApiMatch> namedEntries(const IndexTable &index, const NameTable *names, QStringView text,
                               const IndexFilter &filter)
{
    text = text.trimmed();
    if (!mayName(text))
        return {};
    // Two tiers: the text's case, then any case; in each the index first.
    QVector<ApiMatch> inCase, anyCase, namesInCase, namesAnyCase;
    const auto sorted = [](QVector<ApiMatch> &exact, QVector<ApiMatch> &loose, ApiMatch match,
                           bool sameCase) { (sameCase ? exact : loose).append(std::move(match)); };

    const std::optional<QualifiedName> member = qualifiedName(text);
    if (member && !member->member.isEmpty()) {
        // The class's own member, else the one it inherits, nearest base
        // first: "QPushButton::setText" is QAbstractButton's.
        QStringList scopes{member->className};
        if (index.classRow(member->className) >= 0)
            scopes += index.ancestors(member->className);
        for (const QString &scope : std::as_const(scopes)) {
            const bool typed = scope == scopes.first();
            const auto sameCase = [&](QStringView foundScope, QStringView foundName) {
                return foundName == member->member && (!typed || foundScope == member->className);
            };
            const qsizetype before = inCase.size() + anyCase.size();
            const qsizetype namesBefore = namesInCase.size() + namesAnyCase.size();
            if (index.classNames.contains(scope.toCaseFolded())) {
                const auto [first, last] = index.memberRun(member->member);
                for (int place = first; place < last; ++place) {
                    const int row = index.lookupOrder.at(place);
                    if (index.className(row).compare(scope, Qt::CaseInsensitive) == 0
                        && index.bareName(row).compare(member->member, Qt::CaseInsensitive) == 0)
                        sorted(inCase, anyCase, indexMatch(index, row),
                               sameCase(index.className(row), index.bareName(row)));
                }
            }
            if (names) {
                for (const int row : names->named(member->member)) {
                    const NameTable::Row &r = names->rows.at(row);
                    if (names->view(r.scope).compare(scope, Qt::CaseInsensitive) == 0)
                        sorted(namesInCase, namesAnyCase, nameMatch(*names, row),
                               sameCase(names->view(r.scope), names->view(r.name)));
                }
            }
            if (inCase.size() + anyCase.size() > before
                || namesInCase.size() + namesAnyCase.size() > namesBefore)
                break;
        }
    }
    // A name alone, a nested class ("QTest::QTouchEventSequence"), an entry
    // as it reads ("arg (QString)"): the classes of that name, the members
    // of it, and the members of the name the entry gives, in lookup order.
    std::pair<int, int> runs[] = {index.classRun(text), index.memberRun(text), {0, 0}};
    if (const qsizetype open = text.lastIndexOf(u" ("); open > 0 && text.endsWith(u')'))
        runs[2] = index.memberRun(text.left(open));
    std::sort(std::begin(runs), std::end(runs));
    for (int place = 0, run = 0; run < int(std::size(runs)); ++run) {
        for (place = std::max(place, runs[run].first); place < runs[run].second; ++place) {
            const int row = index.lookupOrder.at(place);
            const QStringView bare = index.bareName(row);
            const QStringView name = index.name(row);
            if (bare == text || name == text)
                inCase.append(indexMatch(index, row));
            else if (bare.compare(text, Qt::CaseInsensitive) == 0
                     || name.compare(text, Qt::CaseInsensitive) == 0)
                anyCase.append(indexMatch(index, row));
        }
    }
    if (names && !member) {
        for (const int row : names->named(text))
            sorted(namesInCase, namesAnyCase, nameMatch(*names, row),
                   names->view(names->rows.at(row).name) == text);
    }
    QVector<ApiMatch> found =
        filteredMatches(index, inCase + namesInCase + anyCase + namesAnyCase, filter);
    if (found.isEmpty())
        found = filteredMatches(index, spelledClasses(index, text), filter);
    return found;
}

Lookup lookUpPage(QStringView name, const std::function<bool(const QString &page)> &pageExists)
{
    name = name.trimmed();
    // A page of the set, as the pages and lists name them.
    const qsizetype hash = name.indexOf(u'#');
    const QString page = (hash < 0 ? name : name.left(hash)).toString();
    if (page.endsWith(QLatin1String(".html")) && pageExists(page))
        return {Lookup::Page, name.toString()};
    return {};
}

Lookup lookUp(QStringView name, const IndexTable &index, const NameTable *names,
              const std::function<bool(const QString &page)> &pageExists, const IndexFilter &filter)
{
    name = name.trimmed();
    if (name.isEmpty())
        return {};
    if (Lookup page = lookUpPage(name, pageExists); page.kind == Lookup::Page)
        return page;

    if (const QVector<ApiMatch> named = namedEntries(index, names, name, filter); !named.isEmpty())
        return {Lookup::Entry, named.first().target};
    if (const QVector<int> shown = indexRows(index, name, filter); !shown.isEmpty())
        return {Lookup::FirstMatch, index.view(index.rows.at(shown.first()).target).toString()};
    return {Lookup::NoMatch, QString()};
}

} // namespace tarn
