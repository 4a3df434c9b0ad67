// Velmora: search results that put the API a query names before the text hits.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "namedhits.h"

#include "ranking.h"

#include <QCoreApplication>
#include <QHash>
#include <QSet>

namespace tarn {

namespace {

QString tr(const char *text)
{
    return QCoreApplication::translate("tarn::SearchField", text);
}

QString pageOf(const QString &target)
{
    const qsizetype hash = target.indexOf(u'#');
    return hash < 0 ? target : target.left(hash);
}

} // namespace

QString entryKindText(const ApiMatch &match)
{
    static const QHash<QString, const char *> byKind = {
        {QStringLiteral("C"), "class"},
        {QStringLiteral("O"), "class"},
        {QStringLiteral("W"), "class"},
        {QStringLiteral("+f"), "function"},
        {QStringLiteral("+F"), "static function"},
        {QStringLiteral("-f"), "protected function"},
        {QStringLiteral("+S"), "slot"},
        {QStringLiteral("-S"), "protected slot"},
        {QStringLiteral("+s"), "signal"},
        {QStringLiteral("+v"), "variable"},
        {QStringLiteral("+R"), "related non-member"},
    };
    static const QHash<QString, const char *> byWhat = {
        {QStringLiteral("class"), "class"},          {QStringLiteral("struct"), "class"},
        {QStringLiteral("union"), "class"},          {QStringLiteral("namespace"), "namespace"},
        {QStringLiteral("function"), "function"},    {QStringLiteral("macro"), "macro"},
        {QStringLiteral("property"), "property"},    {QStringLiteral("enum"), "enum"},
        {QStringLiteral("enumvalue"), "enum value"}, {QStringLiteral("typedef"), "type"},
        {QStringLiteral("typealias"), "type"},       {QStringLiteral("variable"), "variable"},
    };
    // A property's accessors share its anchor and its kind code; the
    // element says what the entry is where the code is silent.
    if (const char *text = byKind.value(match.kind))
        return tr(text);
    if (const char *text = byWhat.value(match.what))
        return tr(text);
    return match.target.contains(u'#') ? tr("member") : tr("page");
}

SearchResults namesFirst(SearchResults textResults, const QVector<ApiMatch> &named)
{
    if (named.isEmpty())
        return textResults;
    QHash<QString, qsizetype> textHitOf;
    for (qsizetype i = 0; i < textResults.hits.size(); ++i)
        textHitOf.insert(textResults.hits.at(i).page, i);

    QList<SearchHit> rows;
    QSet<QString> pagesShown;
    for (const ApiMatch &match : named) {
        if (rows.size() >= ranking::maxResults)
            break;
        const QString page = pageOf(match.target);
        if (pagesShown.contains(page))
            continue;
        pagesShown.insert(page);
        const qsizetype textHit = textHitOf.value(page, -1);
        SearchHit row;
        if (!match.target.contains(u'#') && textHit >= 0) {
            // A page of its own, a class's: its text hit is the row.
            row = textResults.hits.at(textHit);
        } else {
            QString kind = entryKindText(match);
            kind[0] = kind.at(0).toUpper();
            row.page = match.target;
            row.title = match.name + match.parameters;
            row.snippet = kind + QStringLiteral(" \u00b7 ")
                + (textHit >= 0 ? textResults.hits.at(textHit).title : page);
            row.hitRanges = {{0, int(kind.size())}};
        }
        rows.append(row);
    }
    for (const SearchHit &hit : std::as_const(textResults.hits)) {
        if (rows.size() >= ranking::maxResults)
            break;
        if (!pagesShown.contains(hit.page))
            rows.append(hit);
    }
    textResults.hits = rows;
    // Names found are an answer whatever the text search made of the words.
    // A hint to type more is moot then; a note that the text search was
    // cut short or is missing still holds.
    if (textResults.status == SearchResults::Status::Hint)
        textResults.message.clear();
    textResults.status = SearchResults::Status::Ok;
    return textResults;
}

SearchResults searchNamesFirst(const SearchIndex &index, const IndexTable &table,
                               const NameTable *names, const QString &input)
{
    return namesFirst(index.search(input), namedEntries(table, names, input));
}

} // namespace tarn
