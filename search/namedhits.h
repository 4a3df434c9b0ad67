// Velmora: search results that put the API a query names before the text hits.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "lookup.h"
#include "searchindex.h"

#include <QString>

namespace tarn {

// What an entry is, for a reader: "static function", "enum value", "class".
QString entryKindText(const ApiMatch &match);

// The results for a query that names `named` (best first, as namedEntries
// answers): a row for each page those entries lie on, its best entry, which
// opens at its anchor; then the text hits of the other pages. At most
// ranking::maxResults rows in all. A named row borrows its page's title from
// the text hits where they have it.
SearchResults namesFirst(SearchResults textResults, const QVector<ApiMatch> &named);

// Full-text search that knows the API: the entries the input names, from the
// index and the names beyond it (`names` may be null), then the text hits.
SearchResults searchNamesFirst(const SearchIndex &index, const IndexTable &table,
                               const NameTable *names, const QString &input);

} // namespace tarn
