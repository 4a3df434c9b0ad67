// Velmora: the word breaker and the snippet maker, plugged into SQLite's full-text engine.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QString>

struct sqlite3;

namespace tarn {

// Registers on one connection the tokenizer that searchschema::tokenizer
// names (the word breaker of wordbreak.h) and the function
//   hitsnippet(pages, words, lead)
// which answers a one-line excerpt of the page around its first hit, the hit
// words between the bytes 0x01 and 0x02, and the ranking function
//   pagerank(pages)
// which scores a page as ranking.h describes. The indexer and the reader both
// need the tokenizer: the index can only be read with the one that wrote it.
bool registerSearchExtensions(sqlite3 *db, QString *error);

// Marks around the hit words in a hitsnippet() answer. Page text never holds
// them: the indexer turns every control character into a blank.
inline constexpr char hitStart = '\x01';
inline constexpr char hitEnd = '\x02';

} // namespace tarn
