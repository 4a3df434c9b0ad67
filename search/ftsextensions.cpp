// Velmora: the word breaker and the snippet maker, plugged into SQLite's full-text engine.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "ftsextensions.h"

#include "ranking.h"
#include "searchschema.h"
#include "wordbreak.h"

#include <sqlite3.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

namespace tarn {

namespace {

// --- the tokenizer ----------------------------------------------------------

// The tokenizer has no settings, so one static object stands for every instance.
struct WordTokenizer
{
};
WordTokenizer theTokenizer;

int createTokenizer(void *, const char **, int, Fts5Tokenizer **out)
{
    *out = reinterpret_cast<Fts5Tokenizer *>(&theTokenizer);
    return SQLITE_OK;
}

void deleteTokenizer(Fts5Tokenizer *) {}

struct TokenCallback
{
    void *context;
    int (*token)(void *, int, const char *, int, int, int);
};

int forwardWord(void *context, const Word &word)
{
    const auto *callback = static_cast<const TokenCallback *>(context);
    return callback->token(callback->context, word.samePosition ? FTS5_TOKEN_COLOCATED : 0,
                           word.text, word.size, word.start, word.end);
}

int tokenize(Fts5Tokenizer *, void *context, int flags, const char *text, int length,
             int (*token)(void *, int, const char *, int, int, int))
{
    TokenCallback callback{context, token};
    // Snippets only need to know where the words are: their text is not
    // folded, which was most of a snippet's time after finding the words.
    const WordMode mode = (flags & FTS5_TOKENIZE_QUERY) ? WordMode::Query
        : (flags & FTS5_TOKENIZE_AUX)                   ? WordMode::Positions
                                                        : WordMode::Document;
    return breakWords(text, length, mode, forwardWord, &callback);
}

// --- hitsnippet() ------------------------------------------------------------

struct Span
{
    int first; // word positions, inclusive
    int last;
};

// Collects the byte ranges of the words at positions [from, to].
struct WindowScan
{
    int from = 0;
    int to = 0;
    int position = -1;
    std::vector<std::pair<int, int>> ranges; // one per position in the window
    bool moreAfter = false;
};

int scanWord(void *context, int flags, const char *, int, int start, int end)
{
    auto *scan = static_cast<WindowScan *>(context);
    if (flags & FTS5_TOKEN_COLOCATED) {
        // The longer spelling at the same position ("operator<<") widens it.
        if (scan->position >= scan->from && scan->position <= scan->to && !scan->ranges.empty())
            scan->ranges.back().second = std::max(scan->ranges.back().second, end);
        return SQLITE_OK;
    }
    ++scan->position;
    if (scan->position > scan->to) {
        scan->moreAfter = true;
        return SQLITE_DONE;
    }
    if (scan->position >= scan->from)
        scan->ranges.emplace_back(start, end);
    return SQLITE_OK;
}

// The excerpt comes from the first column in this order that has a hit: a
// line of text reads better than a heading, and the title is shown anyway.
const int snippetColumns[] = {searchschema::Body, searchschema::Headings, searchschema::Code,
                              searchschema::Title};

void hitSnippet(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *result, int argc,
                sqlite3_value **argv)
{
    const int words = argc > 0 ? std::clamp(sqlite3_value_int(argv[0]), 1, 64) : 14;
    const int lead = argc > 1 ? std::clamp(sqlite3_value_int(argv[1]), 0, words - 1) : 4;

    int instances = 0;
    int rc = api->xInstCount(fts, &instances);
    if (rc != SQLITE_OK) {
        sqlite3_result_error_code(result, rc);
        return;
    }
    int column = searchschema::Body;
    std::vector<Span> hits;
    for (const int candidate : snippetColumns) {
        for (int i = 0; i < instances; ++i) {
            int phrase = 0, col = 0, offset = 0;
            if (api->xInst(fts, i, &phrase, &col, &offset) != SQLITE_OK || col != candidate)
                continue;
            const int size = std::max(1, api->xPhraseSize(fts, phrase));
            hits.push_back({offset, offset + size - 1});
        }
        if (!hits.empty()) {
            column = candidate;
            break;
        }
    }
    std::sort(hits.begin(), hits.end(), [](const Span &a, const Span &b) {
        return a.first < b.first || (a.first == b.first && a.last > b.last);
    });

    const char *text = nullptr;
    int length = 0;
    rc = api->xColumnText(fts, column, &text, &length);
    if (rc != SQLITE_OK) {
        sqlite3_result_error_code(result, rc);
        return;
    }
    if (!text || length <= 0) {
        sqlite3_result_text(result, "", 0, SQLITE_STATIC);
        return;
    }

    WindowScan scan;
    scan.from = hits.empty() ? 0 : std::max(0, hits.front().first - lead);
    scan.to = scan.from + words - 1;
    rc = api->xTokenize(fts, text, length, &scan, scanWord);
    if (rc != SQLITE_OK && rc != SQLITE_DONE) {
        sqlite3_result_error_code(result, rc);
        return;
    }
    if (scan.ranges.empty()) {
        sqlite3_result_text(result, "", 0, SQLITE_STATIC);
        return;
    }

    std::string out;
    out.reserve(size_t(scan.ranges.back().second - scan.ranges.front().first) + 64);
    if (scan.from > 0)
        out += "\u2026 ";
    int copied = scan.ranges.front().first;
    size_t nextHit = 0;
    for (size_t k = 0; k < scan.ranges.size(); ++k) {
        const int position = scan.from + int(k);
        while (nextHit < hits.size() && hits[nextHit].last < position)
            ++nextHit;
        const bool hit = nextHit < hits.size() && hits[nextHit].first <= position;
        const auto [start, end] = scan.ranges[k];
        out.append(text + copied, size_t(start - copied));
        if (hit)
            out += hitStart;
        out.append(text + start, size_t(end - start));
        if (hit)
            out += hitEnd;
        copied = end;
    }
    if (scan.moreAfter)
        out += " \u2026";
    sqlite3_result_text(result, out.data(), int(out.size()), SQLITE_TRANSIENT);
}

// --- pagerank() ----------------------------------------------------------------

// What pagerank() needs once per query: each term's inverse document
// frequency and each column's average length.
struct QueryStatistics
{
    std::vector<double> idf;
    double averageLength[searchschema::ColumnCount] = {};
};

int countRow(const Fts5ExtensionApi *, Fts5Context *, void *rows)
{
    ++*static_cast<sqlite3_int64 *>(rows);
    return SQLITE_OK;
}

void deleteStatistics(void *statistics)
{
    delete static_cast<QueryStatistics *>(statistics);
}

QueryStatistics *queryStatistics(const Fts5ExtensionApi *api, Fts5Context *fts, int *rc)
{
    if (auto *known = static_cast<QueryStatistics *>(api->xGetAuxdata(fts, 0)))
        return known;
    auto *statistics = new QueryStatistics;
    sqlite3_int64 rows = 0;
    *rc = api->xRowCount(fts, &rows);
    for (int column = 0; *rc == SQLITE_OK && column < searchschema::ColumnCount; ++column) {
        sqlite3_int64 total = 0;
        *rc = api->xColumnTotalSize(fts, column, &total);
        statistics->averageLength[column] = rows > 0 && total > 0 ? double(total) / rows : 1.0;
    }
    const int phrases = api->xPhraseCount(fts);
    for (int phrase = 0; *rc == SQLITE_OK && phrase < phrases; ++phrase) {
        sqlite3_int64 hits = 0;
        *rc = api->xQueryPhrase(fts, phrase, &hits, countRow);
        // As BM25 has it, but never zero or below: a word on nearly every
        // page still counts a little.
        const double idf = std::log((double(rows - hits) + 0.5) / (double(hits) + 0.5));
        statistics->idf.push_back(std::max(idf, 1e-6));
    }
    if (*rc == SQLITE_OK)
        *rc = api->xSetAuxdata(fts, statistics, deleteStatistics);
    else
        delete statistics;
    return *rc == SQLITE_OK ? statistics : nullptr;
}

// The rank of a page for the query: lower is better, as the engine sorts.
void pageRank(const Fts5ExtensionApi *api, Fts5Context *fts, sqlite3_context *result, int,
              sqlite3_value **)
{
    constexpr int columns = searchschema::ColumnCount;
    int rc = SQLITE_OK;
    const QueryStatistics *statistics = queryStatistics(api, fts, &rc);
    if (rc != SQLITE_OK) {
        sqlite3_result_error_code(result, rc);
        return;
    }
    // Walking each term's hits directly is cheaper than the engine's merged
    // list of all hits, which it would sort first.
    const int phrases = int(statistics->idf.size());
    std::vector<int> counts(size_t(phrases) * columns, 0);
    // Where each term stands in the short columns that name the page, for
    // terms that stand there side by side as the reader typed them.
    // A query of one term has no pair to look for: nothing is noted, for
    // the many rows such a query ranks.
    const bool pairs = phrases >= 2;
    std::vector<std::vector<std::pair<int, int>>> named{pairs ? size_t(phrases) : 0};
    for (int phrase = 0; phrase < phrases; ++phrase) {
        Fts5PhraseIter iterator;
        int column = -1, offset = 0;
        rc = api->xPhraseFirst(fts, phrase, &iterator, &column, &offset);
        if (rc != SQLITE_OK) {
            sqlite3_result_error_code(result, rc);
            return;
        }
        for (; column >= 0; api->xPhraseNext(fts, &iterator, &column, &offset)) {
            if (column < columns)
                ++counts[size_t(phrase) * columns + size_t(column)];
            if (pairs && ranking::isNamingColumn(column))
                named[size_t(phrase)].emplace_back(column, offset);
        }
    }
    int lengths[columns] = {};
    for (int column = 0; column < columns; ++column)
        api->xColumnSize(fts, column, &lengths[column]);
    // The words of each column the terms account for, for Whole.
    int covered[columns] = {};
    for (int phrase = 0; phrase < phrases; ++phrase) {
        const int words = std::max(1, api->xPhraseSize(fts, phrase));
        for (int column = 0; column < columns; ++column)
            covered[column] += words * counts[size_t(phrase) * columns + size_t(column)];
    }

    double score = 0;
    for (int phrase = 0; phrase < phrases; ++phrase) {
        const int words = std::max(1, api->xPhraseSize(fts, phrase));
        double sum = 0;
        for (int column = 0; column < columns; ++column) {
            const int count = counts[size_t(phrase) * columns + size_t(column)];
            if (count == 0)
                continue;
            const ranking::ColumnRank &rank = ranking::columns[column];
            switch (rank.kind) {
            case ranking::Kind::None:
                break;
            case ranking::Kind::Share:
                sum += rank.weight * std::min(1.0, double(words) / std::max(1, lengths[column]));
                break;
            case ranking::Kind::Presence:
                sum += rank.weight;
                break;
            case ranking::Kind::Whole:
                if (covered[column] >= lengths[column])
                    sum += rank.weight;
                break;
            case ranking::Kind::Frequency: {
                const double norm = 1.0 - ranking::b
                    + ranking::b * lengths[column] / statistics->averageLength[column];
                const double tf = count / std::max(norm, 1e-3);
                sum += rank.weight * tf / (ranking::k1 + tf);
                break;
            }
            }
        }
        score += statistics->idf[size_t(phrase)] * sum;
    }
    // "command line" in "QCommandLineParser": two terms in a row in a title
    // or a class's name say more than the same terms apart.
    for (int phrase = 0; phrase + 1 < phrases; ++phrase) {
        const int words = std::max(1, api->xPhraseSize(fts, phrase));
        const auto &here = named[size_t(phrase)];
        const auto &next = named[size_t(phrase) + 1];
        const bool inRow = std::any_of(here.cbegin(), here.cend(), [&](const auto &at) {
            return std::find(next.cbegin(), next.cend(),
                             std::make_pair(at.first, at.second + words))
                != next.cend();
        });
        if (inRow)
            score += ranking::inRowWeight
                * std::min(statistics->idf[size_t(phrase)], statistics->idf[size_t(phrase) + 1]);
    }
    sqlite3_result_double(result, -score);
}

fts5_api *fts5Api(sqlite3 *db)
{
    fts5_api *api = nullptr;
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, "SELECT fts5(?1)", -1, &statement, nullptr) != SQLITE_OK)
        return nullptr;
    sqlite3_bind_pointer(statement, 1, &api, "fts5_api_ptr", nullptr);
    sqlite3_step(statement);
    sqlite3_finalize(statement);
    return api;
}

} // namespace

bool registerSearchExtensions(sqlite3 *db, QString *error)
{
    fts5_api *api = fts5Api(db);
    if (!api || api->iVersion < 2) {
        *error = QStringLiteral("this SQLite has no full-text engine (FTS5)");
        return false;
    }
    static fts5_tokenizer tokenizer = {createTokenizer, deleteTokenizer, tokenize};
    if (api->xCreateTokenizer(api, searchschema::tokenizer, nullptr, &tokenizer, nullptr)
            != SQLITE_OK
        || api->xCreateFunction(api, "hitsnippet", nullptr, hitSnippet, nullptr) != SQLITE_OK
        || api->xCreateFunction(api, "pagerank", nullptr, pageRank, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    return true;
}

} // namespace tarn
