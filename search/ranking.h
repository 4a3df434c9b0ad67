// Velmora: every figure that decides the order and the look of search results.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "searchschema.h"

namespace tarn::ranking {

// How a column's hits count towards a page's score. Each searched term adds
// its inverse document frequency times the sum over the columns of
//   Share:     weight × the share of the column's words the term makes up
//              ("QString" is all of the file name qstring.html, half of the
//              title "QString Class", a sixth of "List of All Members for
//              QString");
//   Presence:  weight, once, if the term occurs at all;
//   Frequency: weight × tf / (k1 + tf), tf the occurrences divided by the
//              column's length relative to its average (BM25's saturation);
//   Whole:     weight, if the query's terms make up the whole column: "save
//              settings" names QSettings, "implicitly shared" does not name
//              QSharedData.
// The parts are added rather than saturated together, so that a title hit
// is not drowned by a long page saying the word a thousand times.
enum class Kind { None, Share, Presence, Frequency, Whole };

struct ColumnRank
{
    Kind kind;
    double weight;
};

// In the order of searchschema::Column.
inline constexpr ColumnRank columns[searchschema::ColumnCount] = {
    {Kind::None, 0.0},      // page: stored only
    {Kind::Share, 4.0},     // file name words
    {Kind::Share, 4.0},     // title
    {Kind::Presence, 3.0},  // symbols the page documents
    {Kind::Frequency, 1.5}, // headings
    {Kind::Frequency, 1.0}, // body
    {Kind::Frequency, 0.5}, // code
    {Kind::Whole, 4.0},     // a class's name in words
    {Kind::Frequency, 1.0}, // the first paragraph
};

// Two terms in a row, as typed, in a title or a class's name add this
// weight times the smaller of their inverse document frequencies.
inline constexpr double inRowWeight = 4.0;

constexpr bool isNamingColumn(int column)
{
    return column == searchschema::Title || column == searchschema::Names;
}

// BM25's constants for the Frequency columns.
inline constexpr double k1 = 1.2;
inline constexpr double b = 0.75;

// Fewer pages than this with every word of a longer query: add the pages
// that lack one word, ranked among them by score.
inline constexpr int fewHits = 5;

// At most this many results; snippets are made for these rows only.
inline constexpr int maxResults = 100;

// A snippet: this many words, starting this many words before the first hit.
inline constexpr int snippetWords = 14;
inline constexpr int snippetLead = 4;

} // namespace tarn::ranking
