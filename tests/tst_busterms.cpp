// Velmora: what the desktop's search may send on the bus, and what is refused.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "busterms.h"

#include <QTest>

using namespace tarn::desktop;

namespace {

QStringList repeated(const QString &term, int count)
{
    QStringList terms;
    for (int i = 0; i < count; ++i)
        terms.append(term);
    return terms;
}

} // namespace

class tst_BusTerms : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A null text in the expectation means the terms are refused.
    void lookupText_data()
    {
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QString>("text");
        QTest::newRow("one name") << QStringList{"QString"} << "QString";
        QTest::newRow("class and member, as GNOME splits them")
            << QStringList{"QString", "arg"} << "QString arg";
        QTest::newRow("white space run together")
            << QStringList{" QString\t", "", "arg  "} << "QString arg";
        QTest::newRow("a qualified name is no link")
            << QStringList{"Qt::AlignLeft"} << "Qt::AlignLeft";
        QTest::newRow("beyond ASCII")
            << QStringList{QStringLiteral("Stra\u00dfe")} << QStringLiteral("Stra\u00dfe");
        QTest::newRow("the most terms")
            << repeated("a", maxTerms) << repeated("a", maxTerms).join(u' ');
        QTest::newRow("the longest term")
            << QStringList{QString(maxTermLength, u'x')} << QString(maxTermLength, u'x');
        QTest::newRow("no terms") << QStringList{} << QString();
        QTest::newRow("blank terms only") << QStringList{"", " ", "\t"} << QString();
        QTest::newRow("one term too many") << repeated("a", maxTerms + 1) << QString();
        QTest::newRow("a term too long")
            << QStringList{"QString", QString(maxTermLength + 1, u'x')} << QString();
        QTest::newRow("a megabyte term") << QStringList{QString(1 << 20, u'x')} << QString();
        QTest::newRow("a control character")
            << QStringList{QStringLiteral("QStr\x01ing")} << QString();
        QTest::newRow("an escape") << QStringList{QStringLiteral("\x1b[31m")} << QString();
        QTest::newRow("a NUL") << QStringList{QString(QChar(0))} << QString();
        QTest::newRow("a lone surrogate") << QStringList{QString(QChar(0xd800))} << QString();
        QTest::newRow("a non-character") << QStringList{QString(QChar(0xfffe))} << QString();
        QTest::newRow("a web link") << QStringList{"https://example.com/"} << QString();
        QTest::newRow("a file link") << QStringList{"file:/etc/passwd"} << QString();
        QTest::newRow("a link after a name")
            << QStringList{"QString", "file:///etc/passwd"} << QString();
    }
    void lookupText()
    {
        QFETCH(QStringList, terms);
        QFETCH(QString, text);
        const std::optional<QString> found = tarn::desktop::lookupText(terms);
        QCOMPARE(found.has_value(), !text.isNull());
        if (found)
            QCOMPARE(*found, text);
    }

    void queryTerms_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<bool>("refused");
        QTest::newRow("two words")
            << "QTimer singleShot" << QStringList{"QTimer", "singleShot"} << false;
        QTest::newRow("blanks of any kind")
            << "\t QTimer \n singleShot " << QStringList{"QTimer", "singleShot"} << false;
        QTest::newRow("empty") << "" << QStringList{} << false;
        QTest::newRow("the longest query")
            << QString(maxQueryLength, u'x') << QStringList{QString(maxQueryLength, u'x')} << false;
        QTest::newRow("too long, not split")
            << QString(maxQueryLength + 1, u' ') << QStringList{} << true;
    }
    void queryTerms()
    {
        QFETCH(QString, query);
        QFETCH(bool, refused);
        const std::optional<QStringList> terms = tarn::desktop::queryTerms(query);
        QCOMPARE(!terms.has_value(), refused);
        if (terms)
            QTEST(*terms, "terms");
    }

    // Ids are the entry's place in decimal; anything else is no id.
    void resultIds_data()
    {
        QTest::addColumn<QString>("id");
        QTest::addColumn<int>("row");
        QTest::newRow("zero") << "0" << 0;
        QTest::newRow("a row") << "19230" << 19230;
        QTest::newRow("nine digits") << "999999999" << 999999999;
        QTest::newRow("ten digits") << "1000000000" << -1;
        QTest::newRow("empty") << "" << -1;
        QTest::newRow("leading zero") << "019230" << -1;
        QTest::newRow("negative") << "-1" << -1;
        QTest::newRow("a page name") << "qstring.html#arg" << -1;
        QTest::newRow("a path") << "../../etc/passwd" << -1;
        QTest::newRow("a link") << "https://example.com/" << -1;
        QTest::newRow("other digits") << QStringLiteral("\u0661\u0662") << -1;
        QTest::newRow("white space") << " 12" << -1;
    }
    void resultIds()
    {
        QFETCH(QString, id);
        QFETCH(int, row);
        const std::optional<int> parsed = parseResultId(id);
        QCOMPARE(parsed.value_or(-1), row);
        if (parsed)
            QCOMPARE(formatResultId(*parsed), id);
    }
};

QTEST_GUILESS_MAIN(tst_BusTerms)
#include "tst_busterms.moc"
