// Velmora: tests of what the full-text index counts as a word.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "wordbreak.h"

#include <QTest>

using tarn::Word;
using tarn::WordMode;

Q_DECLARE_METATYPE(tarn::WordMode)

namespace {

// Words as "text@start-end", a second word at the same position with a
// leading '+'.
int record(void *context, const Word &word)
{
    auto *out = static_cast<QStringList *>(context);
    out->append((word.samePosition ? QStringLiteral("+") : QString())
                + QString::fromUtf8(word.text, word.size)
                + QStringLiteral("@%1-%2").arg(word.start).arg(word.end));
    return 0;
}

QStringList words(const QByteArray &text, WordMode mode)
{
    QStringList out;
    tarn::breakWords(text.constData(), int(text.size()), mode, record, &out);
    return out;
}

} // namespace

class tst_WordBreak : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void words_data()
    {
        QTest::addColumn<WordMode>("mode");
        QTest::addColumn<QByteArray>("text");
        QTest::addColumn<QStringList>("expected");
        const WordMode doc = WordMode::Document;
        const WordMode query = WordMode::Query;
        const WordMode positions = WordMode::Positions;

        QTest::newRow("qualified name")
            << doc << QByteArray("QString::arg") << QStringList{"qstring@0-7", "arg@9-12"};
        QTest::newRow("macro stays whole")
            << doc << QByteArray("Q_OBJECT") << QStringList{"q_object@0-8"};
        QTest::newRow("slash and dots separate")
            << doc << QByteArray("model/view 5.15")
            << QStringList{"model@0-5", "view@6-10", "5@11-12", "15@13-15"};
        QTest::newRow("operator in a page")
            << doc << QByteArray("operator<<(QDataStream")
            << QStringList{"operator@0-8", "+operator<<@0-10", "qdatastream@11-22"};
        QTest::newRow("operator with a blank, longest spelling")
            << doc << QByteArray("Operator <<= x")
            << QStringList{"operator@0-8", "+operator<<=@0-12", "x@13-14"};
        QTest::newRow("operator in a query")
            << query << QByteArray("operator<<") << QStringList{"operator<<@0-10"};
        QTest::newRow("call operator")
            << query << QByteArray("operator()") << QStringList{"operator()@0-10"};
        QTest::newRow("operator alone")
            << query << QByteArray("operator") << QStringList{"operator@0-8"};
        QTest::newRow("longer word is no operator")
            << doc << QByteArray("operators<") << QStringList{"operators@0-9"};
        QTest::newRow("positions keep the text as written")
            << positions << QByteArray("QString operator==")
            << QStringList{"QString@0-7", "operator@8-16", "+operator==@8-18"};
        QTest::newRow("letters beyond ASCII fold")
            << doc
            << QByteArray("\xc3\x84rger Gr\xc3\xb6\xc3\x9f"
                          "e")
            << QStringList{"\u00e4rger@0-6", "gr\u00f6\u00dfe@7-14"};
        QTest::newRow("combining mark inside a word") << doc
                                                      << QByteArray("Caf"
                                                                    "e\xcc\x81s")
                                                      << QStringList{"cafe\u0301s@0-7"};
        QTest::newRow("stray byte separates") << doc
                                              << QByteArray("ab\xff"
                                                            "cd")
                                              << QStringList{"ab@0-2", "cd@3-5"};
        QTest::newRow("cut sequence at the end")
            << doc << QByteArray("ab\xc3") << QStringList{"ab@0-2"};
        QTest::newRow("overlong form is no letter") << doc
                                                    << QByteArray("\xc0\xaf"
                                                                  "x")
                                                    << QStringList{"x@2-3"};
        QTest::newRow("encoded surrogate is no letter") << doc
                                                        << QByteArray("a\xed\xa0\x80"
                                                                      "b")
                                                        << QStringList{"a@0-1", "b@4-5"};
        QTest::newRow("punctuation only") << doc << QByteArray("<< :: -- ()") << QStringList{};
        QTest::newRow("empty") << doc << QByteArray() << QStringList{};
    }

    void words()
    {
        QFETCH(WordMode, mode);
        QFETCH(QByteArray, text);
        QFETCH(QStringList, expected);
        QCOMPARE(::words(text, mode), expected);
    }

    // A sink may stop the walk; its answer comes back unchanged.
    void sinkStopsTheWalk()
    {
        int seen = 0;
        const QByteArray text("one two three");
        const int rc = tarn::breakWords(
            text.constData(), int(text.size()), WordMode::Document,
            [](void *context, const Word &) { return ++*static_cast<int *>(context) == 2 ? 7 : 0; },
            &seen);
        QCOMPARE(rc, 7);
        QCOMPARE(seen, 2);
    }
};

QTEST_GUILESS_MAIN(tst_WordBreak)
#include "tst_wordbreak.moc"
