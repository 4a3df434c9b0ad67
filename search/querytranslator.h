// Velmora: turns what the reader types into a full-text query that cannot fail.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QList>
#include <QMetaType>
#include <QString>
#include <QStringList>

namespace tarn {

// One thing the reader searched for, as the page shows it: words side by
// side (one word, a phrase, or an identifier such as QString::arg), folded
// to lower case, the last one a prefix when the reader ended it with '*'.
struct SearchTerm
{
    QStringList words;
    bool prefix = false;

    friend bool operator==(const SearchTerm &a, const SearchTerm &b)
    {
        return a.words == b.words && a.prefix == b.prefix;
    }
};

struct TranslatedQuery
{
    // The query in the engine's syntax, every word quoted; empty when there
    // is nothing to search for.
    QString expression;
    // What the reader asked for, for highlighting: the excluded words are
    // not among them.
    QList<SearchTerm> terms;
    // For a query of three or more required terms, the same query with one
    // of them left out, once for each: what to add when no page has every
    // word ("measure elapsed time" and a page that never says "measure").
    QStringList looser;
    // A plain sentence for the reader when the expression is empty and the
    // input was not ("Type a word to search for."), or when part of the
    // input was left out ("Only the first 12 words were searched.").
    QString note;
};

// Limits that keep any query's work bounded: a 10,000-character paste
// becomes its first words, not a query that runs for seconds.
inline constexpr int maxQueryTerms = 12;
inline constexpr int maxQueryWords = 24;
// A prefix shorter than this matches too many words to be useful.
inline constexpr int minPrefixLength = 2;

// The syntax the reader is told about: words (all must occur), "a phrase",
// prefix*, OR between two alternatives, -word to leave pages out. AND is
// accepted and ignored, NOT word is -word. Everything else is text: quotes
// that do not close end at the end of the input, brackets and other
// punctuation only separate words, control characters and broken UTF-16 are
// blanks. The result is always valid in the engine's syntax.
TranslatedQuery translateQuery(const QString &input);

} // namespace tarn

Q_DECLARE_METATYPE(tarn::SearchTerm)
