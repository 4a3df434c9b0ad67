// Velmora: the layout of the full-text index, shared by the indexer and the reader.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

namespace tarn::searchschema {

// One row per page. The page's file name is stored, not indexed.
enum Column {
    Page,
    File,     // the words of the file name: "model view programming"
    Title,    // the title without its module suffix
    Symbols,  // what the index list says the page documents: "QWidget::setWindowTitle"
    Headings, // h1 to h6, member signatures among them
    Body,     // the rest of the text
    Code,     // code blocks
    Names,    // a class page's name in words: "elapsed timer" for QElapsedTimer
    Summary,  // the first paragraph, also in the body: what the page is for
    ColumnCount
};

inline constexpr char tokenizer[] = "velmora";

// Full detail: phrases and the hit positions of snippets need word positions.
// The prefix indexes answer "qt*" and other short prefixes from one list
// each instead of merging the lists of thousands of words (bench_search).
inline constexpr char createStatement[] =
    "CREATE VIRTUAL TABLE pages USING fts5("
    "page UNINDEXED, file, title, symbols, headings, body, code, names, summary, "
    "tokenize='velmora', detail=full, prefix='2 3')";

inline constexpr char insertStatement[] =
    "INSERT INTO pages(page, file, title, symbols, headings, body, code, names, summary) "
    "VALUES (?1, ?2, ?3, ?4, ?5, ?6, ?7, ?8, ?9)";

} // namespace tarn::searchschema
