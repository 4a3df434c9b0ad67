// Velmora: tests of the translation of what the reader types into a full-text query.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "ftsextensions.h"
#include "querytranslator.h"
#include "searchschema.h"

#include <QTest>

#include <sqlite3.h>

using tarn::SearchTerm;
using tarn::translateQuery;

namespace {

QString describe(const QList<SearchTerm> &terms)
{
    QStringList out;
    for (const SearchTerm &term : terms)
        out.append(term.words.join(u' ') + (term.prefix ? QStringLiteral("*") : QString()));
    return out.join(QStringLiteral(" | "));
}

} // namespace

class tst_QueryTranslator : public QObject
{
    Q_OBJECT

    sqlite3 *m_db = nullptr;

    // Runs an expression on a small table with the real tokenizer; returns
    // the engine's error, or an empty string.
    QString engineError(const QString &expression)
    {
        sqlite3_stmt *statement = nullptr;
        const char sql[] = "SELECT hitsnippet(pages, 8, 2) FROM pages "
                           "WHERE pages MATCH ?1 AND rank MATCH 'pagerank()' ORDER BY rank";
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            return QString::fromUtf8(sqlite3_errmsg(m_db));
        const QByteArray utf8 = expression.toUtf8();
        sqlite3_bind_text(statement, 1, utf8.constData(), int(utf8.size()), SQLITE_TRANSIENT);
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        }
        QString error;
        if (rc != SQLITE_DONE)
            error = QString::fromUtf8(sqlite3_errmsg(m_db));
        sqlite3_finalize(statement);
        return error;
    }

private Q_SLOTS:
    void initTestCase()
    {
        QCOMPARE(sqlite3_open(":memory:", &m_db), SQLITE_OK);
        QString error;
        QVERIFY2(tarn::registerSearchExtensions(m_db, &error), qPrintable(error));
        QCOMPARE(sqlite3_exec(m_db, tarn::searchschema::createStatement, nullptr, nullptr, nullptr),
                 SQLITE_OK);
        const char rows[] =
            "INSERT INTO pages VALUES ('a.html', 'a', 'QString Class', 'QString::arg', "
            "'Heading', 'Implicitly shared, model/view and operator<< and OR NOT AND', "
            "'x = y;', 'string', 'Implicitly shared');";
        QCOMPARE(sqlite3_exec(m_db, rows, nullptr, nullptr, nullptr), SQLITE_OK);
    }

    void cleanupTestCase() { sqlite3_close(m_db); }

    void translation_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<QString>("expression");
        QTest::addColumn<QString>("terms");

        QTest::newRow("word") << "QString"
                              << "\"qstring\""
                              << "qstring";
        QTest::newRow("words") << "implicitly  shared"
                               << "\"implicitly\" AND \"shared\""
                               << "implicitly | shared";
        QTest::newRow("phrase") << "\"implicitly shared\""
                                << "\"implicitly shared\""
                                << "implicitly shared";
        QTest::newRow("prefix") << "qt*"
                                << "\"qt\" *"
                                << "qt*";
        QTest::newRow("phrase prefix") << "\"thread aff\"*"
                                       << "\"thread aff\" *"
                                       << "thread aff*";
        QTest::newRow("identifier") << "QString::arg"
                                    << "\"qstring arg\""
                                    << "qstring arg";
        QTest::newRow("slash") << "model/view"
                               << "\"model view\""
                               << "model view";
        QTest::newRow("operator") << "operator<<"
                                  << "\"operator<<\""
                                  << "operator<<";
        QTest::newRow("either") << "signal OR slot queued"
                                << "(\"signal\" OR \"slot\") AND \"queued\""
                                << "signal | slot | queued";
        QTest::newRow("exclusion") << "qstring -qbytearray"
                                   << "(\"qstring\") NOT (\"qbytearray\")"
                                   << "qstring";
        QTest::newRow("excluded phrase") << "thread -\"thread affinity\""
                                         << "(\"thread\") NOT (\"thread affinity\")"
                                         << "thread";
        QTest::newRow("NOT and AND") << "qstring NOT qbytearray AND qchar"
                                     << "(\"qstring\" AND \"qchar\") NOT (\"qbytearray\")"
                                     << "qstring | qchar";
        QTest::newRow("lower-case operators are words") << "this or that"
                                                        << "\"this\" AND \"or\" AND \"that\""
                                                        << "this | or | that";
        QTest::newRow("typographic quotes") << "\u201csignal slot\u201d"
                                            << "\"signal slot\""
                                            << "signal slot";
        QTest::newRow("open quote runs to the end") << "qstring \"implicitly shared"
                                                    << "\"qstring\" AND \"implicitly shared\""
                                                    << "qstring | implicitly shared";
        QTest::newRow("repeated word") << "QString qstring"
                                       << "\"qstring\""
                                       << "qstring";
        QTest::newRow("brackets separate") << "(qstring)"
                                           << "\"qstring\""
                                           << "qstring";
        QTest::newRow("stars inside") << "*a*b"
                                      << "\"a b\""
                                      << "a b";
    }

    void translation()
    {
        QFETCH(QString, input);
        QFETCH(QString, expression);
        QFETCH(QString, terms);
        const tarn::TranslatedQuery query = translateQuery(input);
        QCOMPARE(query.expression, expression);
        QCOMPARE(describe(query.terms), terms);
        QCOMPARE(engineError(query.expression), QString());
    }

    // Whatever is typed, the engine gets a valid query or none at all, and
    // the reader a plain sentence instead of nothing.
    void badInput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::addColumn<bool>("searches");

        const QChar high = QChar::highSurrogate(0x1f600);
        const QChar low = QChar::lowSurrogate(0x1f600);
        QTest::newRow("empty") << QString() << false;
        QTest::newRow("blanks") << "  \t " << false;
        QTest::newRow("lone quote") << "\"" << false;
        QTest::newRow("empty phrase") << "\"\"" << false;
        QTest::newRow("star") << "*" << false;
        QTest::newRow("OR") << "OR" << false;
        QTest::newRow("OR between nothing") << "OR OR" << false;
        QTest::newRow("quoted OR is a word") << "\" OR \"" << true;
        QTest::newRow("AND NOT") << "AND NOT" << false;
        QTest::newRow("NOT at the end") << "qstring NOT" << true;
        QTest::newRow("only exclusions") << "-qstring -\"qt\"" << false;
        QTest::newRow("dashes") << "- -- ---" << false;
        QTest::newRow("open parenthesis") << "((qstring" << true;
        QTest::newRow("close parenthesis") << "qstring))" << true;
        QTest::newRow("engine syntax") << "NEAR(a b, 2) col:x ^y {a b}:c + \"" << true;
        QTest::newRow("control characters")
            << QStringLiteral("\x01qs\x7ftr\u0085ing\u200b") << true;
        QTest::newRow("NUL inside") << QString(QStringLiteral("qs") + QChar(0) + u't') << true;
        QTest::newRow("lone high surrogate") << QString(u'a' + QString(high) + u'b') << true;
        QTest::newRow("lone low surrogate") << QString(QString(low) + u'x') << true;
        QTest::newRow("reversed pair") << QString(QString(low) + high) << false;
        QTest::newRow("emoji pair") << QString(QString(high) + low) << false;
        QTest::newRow("10,000 characters of words")
            << QStringLiteral("thread affinity queued ").repeated(435).left(10000) << true;
        QTest::newRow("10,000 characters in one word") << QString(10000, u'q') << true;
        QTest::newRow("10,000 stars and quotes") << QStringLiteral("*\"").repeated(5000) << false;
    }

    void badInput()
    {
        QFETCH(QString, input);
        QFETCH(bool, searches);
        const tarn::TranslatedQuery query = translateQuery(input);
        QCOMPARE(!query.expression.isEmpty(), searches);
        QCOMPARE(query.terms.isEmpty(), !searches);
        if (searches)
            QCOMPARE(engineError(query.expression), QString());
        else if (!input.trimmed().isEmpty())
            QVERIFY(!query.note.isEmpty());
        QVERIFY(query.terms.size() <= tarn::maxQueryTerms);
        qsizetype words = 0;
        for (const SearchTerm &term : query.terms)
            words += term.words.size();
        QVERIFY(words <= tarn::maxQueryWords);
    }

    // A long paste is cut to its first words, and the reader is told so.
    void longQueryIsCutWithANote()
    {
        const tarn::TranslatedQuery query =
            translateQuery(QStringLiteral("w%1 ").repeated(640).arg(QStringLiteral("x")));
        QCOMPARE(query.terms.size(), 1); // the same word 640 times is one term
        QString many;
        for (int i = 0; i < 200; ++i)
            many += QStringLiteral("word%1 ").arg(i);
        const tarn::TranslatedQuery cut = translateQuery(many);
        QCOMPARE(cut.terms.size(), tarn::maxQueryTerms);
        QCOMPARE(cut.terms.last().words, QStringList{QStringLiteral("word11")});
        QVERIFY(cut.note.contains(QString::number(tarn::maxQueryTerms)));
    }

    // Each looser query leaves out one required term, an OR group counting
    // as one, and keeps every excluded word out; each is valid.
    void looserQueriesLeaveOneTermOut()
    {
        const tarn::TranslatedQuery query =
            translateQuery(QStringLiteral("measure elapsed OR spent time -qml"));
        const auto withoutQml = [](const char *required) -> QString {
            return u'(' + QLatin1String(required) + QLatin1String(") NOT (\"qml\")");
        };
        QCOMPARE(query.looser,
                 QStringList({withoutQml("(\"elapsed\" OR \"spent\") AND \"time\""),
                              withoutQml("\"measure\" AND \"time\""),
                              withoutQml("\"measure\" AND (\"elapsed\" OR \"spent\")")}));
        for (const QString &looser : query.looser)
            QCOMPARE(engineError(looser), QString());
        QVERIFY(translateQuery(QStringLiteral("elapsed time")).looser.isEmpty());
    }

    void shortPrefixIsAWord()
    {
        const tarn::TranslatedQuery query = translateQuery(QStringLiteral("q*"));
        QCOMPARE(query.expression, QStringLiteral("\"q\""));
        QVERIFY(!query.note.isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_QueryTranslator)
#include "tst_querytranslator.moc"
