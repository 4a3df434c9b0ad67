// Velmora: the full-text index of every page, read in place from the program image.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "querytranslator.h"

#include <QElapsedTimer>
#include <QList>
#include <QPair>
#include <QString>

struct sqlite3;
struct sqlite3_stmt;

namespace tarn {

struct SearchHit
{
    QString page;  // file name, "qstring.html"
    QString title; // "QString Class"
    // One line of the page around its first hit, and where the hit words are
    // in it: (start, length) pairs in order.
    QString snippet;
    QList<QPair<int, int>> hitRanges;
};

struct SearchResults
{
    enum class Status {
        Ok,          // hits holds the best pages, possibly none
        Hint,        // nothing to search for; message says what to type
        TooSlow,     // the query was stopped at the time limit
        Unavailable, // no index, or it cannot be read
    };
    Status status = Status::Hint;
    QList<SearchHit> hits;
    // The words searched for, to highlight in an opened page.
    QList<SearchTerm> terms;
    // A plain sentence for the reader, or empty. Never the engine's own text.
    QString message;
};

// A read-only full-text index over a database image in memory. The image is
// used where it lies, never copied or written, and must outlive the index.
// Every query's work is bounded by a time limit: the program has one thread,
// and the window must not wait on a search.
class SearchIndex
{
public:
    SearchIndex(const unsigned char *image, qint64 size);
    ~SearchIndex();
    SearchIndex(const SearchIndex &) = delete;
    SearchIndex &operator=(const SearchIndex &) = delete;

    // The index compiled into the program, opened on the first call.
    static SearchIndex *embedded();
    // Bytes of that index's image; 0 when the program has none.
    static qint64 embeddedImageSize();

    bool isValid() const { return m_statement != nullptr; }
    QString errorString() const { return m_error; }

    // The best pages for what the reader typed, best first, at most
    // ranking::maxResults of them.
    SearchResults search(const QString &input) const;
    SearchResults run(const TranslatedQuery &query) const;

    // Time a query may take before it is stopped. The default leaves the
    // results list the rest of the 50 ms the window may wait on a search;
    // the slowest query of the goals takes about a tenth of it (bench_search).
    static constexpr int defaultTimeLimit = 30;
    void setTimeLimit(int milliseconds) { m_timeLimit = milliseconds; }

    // Rows of the index; walks it, so for tests and benchmarks only.
    int pageCount() const;

private:
    struct RankedHit
    {
        SearchHit hit;
        double rank = 0; // the engine's: lower is better
    };
    // Runs one expression; the engine's result code (SQLITE_DONE when whole).
    int collect(const QString &expression, QList<RankedHit> *hits) const;
    static int progress(void *self);

    sqlite3 *m_db = nullptr;
    sqlite3_stmt *m_statement = nullptr;
    QString m_error;
    int m_timeLimit = defaultTimeLimit;
    mutable QElapsedTimer m_clock;
};

// Called by the generated index object of a program, before main.
void registerEmbeddedSearchImage(const unsigned char *image, qint64 size);

} // namespace tarn
