// Velmora: tests of full-text search over the embedded set: ranking, snippets, bad input.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "searchindex.h"

#include <QRegularExpression>
#include <QTest>

using tarn::SearchIndex;
using tarn::SearchResults;

namespace {

int rankOf(const SearchResults &results, const QString &page)
{
    for (qsizetype i = 0; i < results.hits.size(); ++i) {
        if (results.hits.at(i).page == page)
            return int(i) + 1;
    }
    return 0;
}

QStringList pages(const SearchResults &results)
{
    QStringList out;
    for (const tarn::SearchHit &hit : results.hits)
        out.append(hit.page);
    return out;
}

} // namespace

class tst_SearchIndex : public QObject
{
    Q_OBJECT

    SearchIndex *m_index = nullptr;

private Q_SLOTS:
    void initTestCase()
    {
        m_index = SearchIndex::embedded();
        QVERIFY2(m_index->isValid(), qPrintable(m_index->errorString()));
        // Timing is the benchmark's business; a loaded test machine must
        // not turn a slow answer into a failure here.
        m_index->setTimeLimit(10000);
    }

    // Rankings a reader would agree with.
    void ranking_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("page");
        QTest::addColumn<int>("atWorst");

        QTest::newRow("class name") << "QString"
                                    << "qstring.html" << 1;
        QTest::newRow("class and member") << "QAbstractItemModel rowCount"
                                          << "qabstractitemmodel.html" << 1;
        QTest::newRow("member of a base class") << "setWindowTitle"
                                                << "qwidget.html" << 3;
        QTest::newRow("qualified member") << "QString::arg"
                                          << "qstring.html" << 3;
        QTest::newRow("overview") << "model/view"
                                  << "model-view-programming.html" << 1;
        QTest::newRow("phrase") << "\"implicitly shared\""
                                << "implicit-sharing.html" << 3;
        QTest::newRow("words") << "thread affinity"
                               << "qobject.html" << 3;
        QTest::newRow("prefix") << "setWindowTit*"
                                << "qwidget.html" << 3;
        QTest::newRow("operator") << "QDataStream operator<<"
                                  << "qdatastream.html" << 3;
        // A class described by the words of its name rather than named.
        QTest::newRow("class in words") << "save settings"
                                        << "qsettings.html" << 1;
        QTest::newRow("words in a row in a class's name") << "command line arguments"
                                                          << "qcommandlineparser.html" << 1;
        QTest::newRow("class in words, among topics") << "layout management"
                                                      << "layout.html" << 1;
        // The words of what the page is for, in its first paragraph.
        QTest::newRow("first paragraph") << "unit testing"
                                         << "qtest-overview.html" << 1;
        // Found, though pages that only mention it are shorter and rank first.
        QTest::newRow("enum value") << "Qt::AlignLeft"
                                    << "qt.html" << 30;
    }

    void ranking()
    {
        QFETCH(QString, query);
        QFETCH(QString, page);
        QFETCH(int, atWorst);
        const SearchResults results = m_index->search(query);
        QCOMPARE(results.status, SearchResults::Status::Ok);
        const int rank = rankOf(results, page);
        QVERIFY2(rank >= 1 && rank <= atWorst,
                 qPrintable(QStringLiteral("%1 ranks %2 of %3: %4")
                                .arg(page)
                                .arg(rank)
                                .arg(results.hits.size())
                                .arg(pages(results).mid(0, 5).join(u' '))));
    }

    // A phrase finds fewer pages than its words, the words side by side.
    void phraseNarrowsWords()
    {
        const SearchResults words = m_index->search(QStringLiteral("implicitly shared"));
        const SearchResults phrase = m_index->search(QStringLiteral("\"implicitly shared\""));
        QVERIFY(!phrase.hits.isEmpty());
        QVERIFY(phrase.hits.size() < words.hits.size());
        static const QRegularExpression sideBySide(QStringLiteral("implicitly\\W+shared"),
                                                   QRegularExpression::CaseInsensitiveOption);
        for (const tarn::SearchHit &hit : phrase.hits)
            QVERIFY2(sideBySide.match(hit.snippet).hasMatch(),
                     qPrintable(hit.page + u' ' + hit.snippet));
    }

    // -word leaves out every page that says it.
    void exclusionLeavesPagesOut()
    {
        const QStringList with = pages(m_index->search(QStringLiteral("queued affinity")));
        const QStringList without = pages(m_index->search(QStringLiteral("queued -affinity")));
        const QStringList all = pages(m_index->search(QStringLiteral("queued")));
        QVERIFY(!with.isEmpty());
        QVERIFY(all.size() < 100); // every page, so the sets below are complete
        for (const QString &page : with)
            QVERIFY2(!without.contains(page), qPrintable(page));
        QCOMPARE(with.size() + without.size(), all.size());
    }

    // When hardly any page has every word, the pages lacking one are ranked
    // with them: two pages say all of "measure elapsed time" in passing,
    // and the class that is about elapsed time never says "measure".
    void fewHitsAddPagesLackingAWord()
    {
        const QStringList loose = pages(m_index->search(QStringLiteral("measure elapsed time")));
        QCOMPARE(loose.value(0), QStringLiteral("qelapsedtimer.html"));
        for (const char *withEveryWord : {"qtest.html", "qtopengl-2dpainting-example.html"})
            QVERIFY2(loose.contains(QLatin1String(withEveryWord)), withEveryWord);
        QCOMPARE(loose.size(), QSet<QString>(loose.cbegin(), loose.cend()).size());
        // Two words are never loosened: one left would match half the set.
        const QStringList two = pages(m_index->search(QStringLiteral("measure elapsed")));
        QVERIFY(!two.contains(QStringLiteral("qelapsedtimer.html")));
        // Enough pages with every word: those alone answer.
        const QStringList many = pages(m_index->search(QStringLiteral("thread affinity")));
        QVERIFY(many.size() >= 5);
        const QStringList lacking = pages(m_index->search(QStringLiteral("thread -affinity")))
            + pages(m_index->search(QStringLiteral("affinity -thread")));
        for (const QString &page : many)
            QVERIFY2(!lacking.contains(page), qPrintable(page));
    }

    // Words of markup and escapes never reach the index: "amp" only finds
    // pages whose text really says "amp".
    void markupIsNoWord_data()
    {
        QTest::addColumn<QString>("word");
        for (const char *word : {"amp", "lt", "gt", "quot", "nbsp", "href"})
            QTest::newRow(word) << QString::fromLatin1(word);
    }

    void markupIsNoWord()
    {
        QFETCH(QString, word);
        const SearchResults results = m_index->search(word);
        QVERIFY2(results.hits.size() < 20, qPrintable(pages(results).join(u' ')));
        for (const tarn::SearchHit &hit : results.hits) {
            QVERIFY(!hit.hitRanges.isEmpty());
            for (const auto &[start, length] : hit.hitRanges)
                QCOMPARE(hit.snippet.mid(start, length).toLower(), word);
        }
    }

    // One line per result, around the first hit, the hits marked exactly.
    void snippetsMarkTheHits_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("hit");
        QTest::newRow("word") << "setWindowTitle"
                              << "^setwindowtitle$";
        QTest::newRow("identifier") << "QString::arg"
                                    << "^(qstring|arg)$";
        QTest::newRow("prefix") << "implicit*"
                                << "^implicit\\w*$";
        QTest::newRow("operator") << "operator<<"
                                  << "^operator ?<<$";
    }

    void snippetsMarkTheHits()
    {
        QFETCH(QString, query);
        QFETCH(QString, hit);
        const QRegularExpression expected(hit, QRegularExpression::CaseInsensitiveOption);
        const SearchResults results = m_index->search(query);
        QVERIFY(!results.hits.isEmpty());
        for (const tarn::SearchHit &result : results.hits) {
            QVERIFY(!result.snippet.contains(u'\n'));
            QVERIFY2(result.snippet.size() < 400, qPrintable(result.snippet));
            QVERIFY2(!result.hitRanges.isEmpty(), qPrintable(result.page));
            for (const auto &[start, length] : result.hitRanges) {
                const QString marked = result.snippet.mid(start, length);
                QVERIFY2(expected.match(marked).hasMatch(),
                         qPrintable(result.page + QStringLiteral(": ") + marked));
            }
        }
    }

    // Whatever is typed: a result or a plain sentence, never the engine's
    // error text.
    void badInput_data()
    {
        QTest::addColumn<QString>("input");
        QTest::newRow("empty") << QString();
        QTest::newRow("lone quote") << "\"";
        QTest::newRow("star") << "*";
        QTest::newRow("OR") << "OR";
        QTest::newRow("AND NOT") << "AND NOT";
        QTest::newRow("unbalanced parentheses") << "((QString) OR (";
        QTest::newRow("engine syntax") << "title:QString NEAR(a b) ^x";
        QTest::newRow("10,000 characters") << QStringLiteral("signal slot ").repeated(834);
        QTest::newRow("control characters") << QStringLiteral("\x01\x1bQString\x7f");
        QTest::newRow("lone surrogate") << QString(QChar(0xd800)) + QStringLiteral("QString");
    }

    void badInput()
    {
        QFETCH(QString, input);
        const SearchResults results = m_index->search(input);
        QVERIFY(results.status == SearchResults::Status::Ok
                || results.status == SearchResults::Status::Hint);
        static const QRegularExpression engineWords(
            QStringLiteral("fts5|sqlite|syntax|malformed|no such"),
            QRegularExpression::CaseInsensitiveOption);
        QVERIFY2(!engineWords.match(results.message).hasMatch(), qPrintable(results.message));
        if (results.status == SearchResults::Status::Hint && !input.isEmpty())
            QVERIFY(!results.message.isEmpty());
    }

    // A query that runs past its time is stopped and says so plainly.
    void slowQueryIsStopped()
    {
        m_index->setTimeLimit(0);
        const SearchResults results =
            m_index->search(QStringLiteral("co* OR se* OR th* OR in* OR re* OR de*"));
        m_index->setTimeLimit(10000);
        QCOMPARE(results.status, SearchResults::Status::TooSlow);
        QVERIFY(results.hits.isEmpty());
        QVERIFY(!results.message.isEmpty());
        // The index is still good for the next query.
        QCOMPARE(rankOf(m_index->search(QStringLiteral("QString")), QStringLiteral("qstring.html")),
                 1);
    }
};

QTEST_GUILESS_MAIN(tst_SearchIndex)
#include "tst_searchindex.moc"
