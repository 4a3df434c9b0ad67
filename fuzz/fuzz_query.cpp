// Velmora: fuzz target for the translation of a typed query into the engine's syntax.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "ftsextensions.h"
#include "querytranslator.h"
#include "searchschema.h"

#include <sqlite3.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// A small index with the real word breaker, ranking and snippets.
sqlite3 *database()
{
    static sqlite3 *db = [] {
        sqlite3 *opened = nullptr;
        QString error;
        if (sqlite3_open(":memory:", &opened) != SQLITE_OK
            || !tarn::registerSearchExtensions(opened, &error)
            || sqlite3_exec(opened, tarn::searchschema::createStatement, nullptr, nullptr, nullptr)
                != SQLITE_OK
            || sqlite3_exec(opened,
                            "INSERT INTO pages VALUES ('a.html', 'a', 'QString Class', "
                            "'QString::arg', 'Heading', 'Implicitly shared, model/view, "
                            "operator<< OR NOT AND \"x\" 0 1 * ( )', 'x = y;', 'string', "
                            "'Implicitly shared');",
                            nullptr, nullptr, nullptr)
                != SQLITE_OK)
            std::abort();
        return opened;
    }();
    return db;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    // Raw UTF-16 code units: lone surrogates and every control character
    // are as likely as letters.
    QString input(qsizetype(size / 2), Qt::Uninitialized);
    std::memcpy(input.data(), data, size / 2 * 2);
    const tarn::TranslatedQuery query = tarn::translateQuery(input);

    // Something to search for, or nothing and the terms say the same.
    if (query.expression.isEmpty() != query.terms.isEmpty())
        std::abort();
    if (query.terms.size() > tarn::maxQueryTerms)
        std::abort();
    qsizetype words = 0;
    for (const tarn::SearchTerm &term : query.terms) {
        if (term.words.isEmpty())
            std::abort();
        words += term.words.size();
    }
    if (words > tarn::maxQueryWords)
        std::abort();
    if (query.expression.isEmpty())
        return 0;

    // The engine takes every expression: no syntax error, ever.
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(database(),
                           "SELECT hitsnippet(pages, 8, 2) FROM pages "
                           "WHERE pages MATCH ?1 AND rank MATCH 'pagerank()' ORDER BY rank",
                           -1, &statement, nullptr)
        != SQLITE_OK)
        std::abort();
    const QByteArray expression = query.expression.toUtf8();
    sqlite3_bind_text(statement, 1, expression.constData(), int(expression.size()),
                      SQLITE_TRANSIENT);
    int rc;
    while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_DONE)
        std::abort();
    return 0;
}
