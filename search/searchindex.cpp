// Velmora: the full-text index of every page, read in place from the program image.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "searchindex.h"

#include "ftsextensions.h"
#include "ranking.h"

#include <QCoreApplication>
#include <QLoggingCategory>
#include <QSet>

#include <sqlite3.h>

#include <algorithm>
#include <memory>

Q_LOGGING_CATEGORY(lcSearch, "velmora.search", QtWarningMsg)

namespace tarn {

namespace {

const unsigned char *registeredImage = nullptr;
qint64 registeredSize = 0;

QString tr(const char *text)
{
    return QCoreApplication::translate("tarn::SearchField", text);
}

// Sorting by rank is done inside the engine, which then makes snippets for
// the rows returned only; ordering by a bm25() expression in SQL would make
// one for every hit first.
const char searchQuery[] =
    "SELECT page, title, hitsnippet(pages, ?2, ?3), rank FROM pages "
    "WHERE pages MATCH ?1 AND rank MATCH 'pagerank()' ORDER BY rank LIMIT ?4";

void splitSnippet(const QString &marked, SearchHit *hit)
{
    hit->snippet.reserve(marked.size());
    int start = -1;
    for (const QChar c : marked) {
        if (c == QLatin1Char(hitStart)) {
            start = int(hit->snippet.size());
        } else if (c == QLatin1Char(hitEnd)) {
            if (start >= 0 && hit->snippet.size() > start)
                hit->hitRanges.append({start, int(hit->snippet.size()) - start});
            start = -1;
        } else {
            hit->snippet += c;
        }
    }
}

QString columnText(sqlite3_stmt *statement, int column)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_column_text(statement, column));
    return QString::fromUtf8(text, sqlite3_column_bytes(statement, column));
}

} // namespace

void registerEmbeddedSearchImage(const unsigned char *image, qint64 size)
{
    registeredImage = image;
    registeredSize = size;
}

SearchIndex *SearchIndex::embedded()
{
    static const std::unique_ptr<SearchIndex> index =
        std::make_unique<SearchIndex>(registeredImage, registeredSize);
    return index.get();
}

qint64 SearchIndex::embeddedImageSize()
{
    return registeredImage ? registeredSize : 0;
}

SearchIndex::SearchIndex(const unsigned char *image, qint64 size)
{
    if (!image || size < 512) {
        m_error = QStringLiteral("no search index is built into this program");
        return;
    }
    if (sqlite3_open_v2(":memory:", &m_db, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr)
        != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return;
    }
    if (!registerSearchExtensions(m_db, &m_error))
        return;
    // Read-only, without a copy: the engine reads the pages where they lie
    // in the program image. It never writes to them, whatever the cast says.
    auto *data = const_cast<unsigned char *>(image);
    int rc = sqlite3_deserialize(m_db, "main", data, size, size, SQLITE_DESERIALIZE_READONLY);
    if (rc != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return;
    }
    // With a memory map the engine hands out pointers into the image instead
    // of copying each page it reads into its cache; temporary tables, if a
    // query ever needed one, stay in memory: nothing is written to disk.
    const QByteArray pragmas = "PRAGMA query_only=1; PRAGMA temp_store=MEMORY; PRAGMA mmap_size="
        + QByteArray::number(size) + ';';
    rc = sqlite3_exec(m_db, pragmas.constData(), nullptr, nullptr, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_prepare_v3(m_db, searchQuery, -1, SQLITE_PREPARE_PERSISTENT, &m_statement,
                                nullptr);
    if (rc != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
        m_statement = nullptr;
        return;
    }
    sqlite3_progress_handler(m_db, 200, &SearchIndex::progress, this);
}

SearchIndex::~SearchIndex()
{
    sqlite3_finalize(m_statement);
    sqlite3_close(m_db);
}

int SearchIndex::progress(void *self)
{
    const auto *index = static_cast<const SearchIndex *>(self);
    return index->m_clock.isValid() && index->m_clock.elapsed() >= index->m_timeLimit ? 1 : 0;
}

SearchResults SearchIndex::search(const QString &input) const
{
    return run(translateQuery(input));
}

SearchResults SearchIndex::run(const TranslatedQuery &query) const
{
    SearchResults results;
    results.message = query.note;
    if (query.expression.isEmpty()) {
        results.status = SearchResults::Status::Hint;
        return results;
    }
    if (!isValid()) {
        qCWarning(lcSearch, "search index unavailable: %s", qUtf8Printable(m_error));
        results.status = SearchResults::Status::Unavailable;
        results.message = tr("Full-text search is not available in this program.");
        return results;
    }
    results.terms = query.terms;

    m_clock.start();
    QList<RankedHit> ranked;
    int rc = collect(query.expression, &ranked);
    for (const RankedHit &hit : std::as_const(ranked))
        results.hits.append(hit.hit);
    if (rc == SQLITE_DONE && ranked.size() < ranking::fewHits && !query.looser.isEmpty()) {
        // Too few pages have every word: then having them all may be chance
        // ("measure elapsed time" in a painting example), so the pages that
        // lack one word compete with them on their scores. A page lacking a
        // word has no score for it, so it must do much better on the others.
        QSet<QString> shown;
        for (const RankedHit &hit : std::as_const(ranked))
            shown.insert(hit.hit.page);
        QList<RankedHit> all = ranked;
        bool complete = true;
        for (const QString &looser : query.looser) {
            QList<RankedHit> found;
            if (collect(looser, &found) != SQLITE_DONE) {
                complete = false;
                break;
            }
            for (RankedHit &hit : found) {
                if (!shown.contains(hit.hit.page)) {
                    shown.insert(hit.hit.page);
                    all.append(std::move(hit));
                }
            }
        }
        // The pages with every word stand whatever becomes of the others: a
        // looser query stopped at the time limit adds nothing.
        if (complete) {
            std::stable_sort(all.begin(), all.end(), [](const RankedHit &a, const RankedHit &b) {
                return a.rank < b.rank;
            });
            results.hits.clear();
            for (const RankedHit &hit : std::as_const(all)) {
                if (results.hits.size() >= ranking::maxResults)
                    break;
                results.hits.append(hit.hit);
            }
        }
    }
    m_clock.invalidate();

    if (rc == SQLITE_DONE) {
        results.status = SearchResults::Status::Ok;
    } else if (rc == SQLITE_INTERRUPT) {
        results.status = SearchResults::Status::TooSlow;
        results.hits.clear();
        results.message =
            tr("This search takes too long. Add a word, or give more letters before *.");
    } else {
        qCWarning(lcSearch, "search for \"%s\" failed: %s", qUtf8Printable(query.expression),
                  sqlite3_errmsg(m_db));
        results.status = SearchResults::Status::Unavailable;
        results.hits.clear();
        results.message = tr("The search index cannot be read.");
    }
    return results;
}

int SearchIndex::collect(const QString &expression, QList<RankedHit> *hits) const
{
    const QByteArray utf8 = expression.toUtf8();
    sqlite3_stmt *statement = m_statement;
    sqlite3_reset(statement);
    sqlite3_bind_text(statement, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
    sqlite3_bind_int(statement, 2, ranking::snippetWords);
    sqlite3_bind_int(statement, 3, ranking::snippetLead);
    sqlite3_bind_int(statement, 4, ranking::maxResults);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        RankedHit ranked;
        SearchHit &hit = ranked.hit;
        hit.page = columnText(statement, 0);
        hit.title = columnText(statement, 1);
        if (hit.title.isEmpty())
            hit.title = hit.page;
        splitSnippet(columnText(statement, 2), &hit);
        ranked.rank = sqlite3_column_double(statement, 3);
        hits->append(std::move(ranked));
    }
    sqlite3_reset(statement);
    return rc;
}

int SearchIndex::pageCount() const
{
    if (!m_db)
        return 0;
    sqlite3_stmt *statement = nullptr;
    int count = 0;
    if (sqlite3_prepare_v2(m_db, "SELECT count(*) FROM pages", -1, &statement, nullptr) == SQLITE_OK
        && sqlite3_step(statement) == SQLITE_ROW)
        count = sqlite3_column_int(statement, 0);
    sqlite3_finalize(statement);
    return count;
}

} // namespace tarn
