// Velmora: what the full-text index counts as a word, shared by indexing and querying.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

namespace tarn {

// Letters, digits, combining marks and '_'. The underscore keeps macros and
// enum values (QT_NO_CAST_TO_ASCII) whole; "::", "/" and "." separate words,
// so QString::arg is the two words "qstring arg" side by side.
bool isWordChar(char32_t c);

enum class WordMode {
    // Page text: "operator<<" gives the word "operator" and, at the same
    // position, "operator<<", so both spellings find it.
    Document,
    // A query: "operator<<" gives only "operator<<", which must not match
    // every other operator.
    Query,
    // Only where the words are, as for Document, without folding them: the
    // word text is the text as written. For snippets, which need positions.
    Positions,
};

struct Word
{
    const char *text = nullptr; // case-folded UTF-8, or as written for Positions
    int size = 0;
    int start = 0; // byte range in the text the word came from
    int end = 0;
    bool samePosition = false; // a second word at the position of the one before
};

// Calls sink(context, word) for every word of UTF-8 text, in order. Bytes
// that are not UTF-8 separate words. A sink result other than 0 stops the
// walk and is returned; otherwise the result is 0.
using WordSink = int (*)(void *context, const Word &word);
int breakWords(const char *text, int length, WordMode mode, WordSink sink, void *context);

} // namespace tarn
