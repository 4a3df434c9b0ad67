// Velmora: the lookup the desktop's search boxes share, and the sentences its results show.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "lookupservice.h"
#include "pagebrief.h"

#include <QHash>
#include <QTest>

using namespace tarn;
using namespace tarn::desktop;

namespace {

const char indexText[] = "QString===qstring.html===C\n"
                         "QStringList===qstringlist.html===C\n"
                         "QTimer===qtimer.html===O\n"
                         "arg (QString)===qstring.html#arg===+f\n"
                         "arg (QString)===qstring.html#arg-1===+f\n"
                         "arg (QString)===qstring.html#arg-2===+f\n"
                         "isSingleShot (QTimer)===qtimer.html#singleShot-prop===+f\n"
                         "setSingleShot (QTimer)===qtimer.html#singleShot-prop===+f\n"
                         "singleShot (QTimer)===qtimer.html#singleShot===+F\n"
                         "size (QString)===qstring.html#size===+f\n"
                         "missing (QString)===qgone.html#missing===+f\n";

const char qstringPage[] =
    "<html><head><title>QString Class | Qt Core 6.4.2</title></head><body>\n"
    "<h1 class=\"title\">QString Class</h1>\n<!-- $$$QString-brief -->\n"
    "<p>The QString class provides a Unicode character string. <a href=\"#details\">More"
    "...</a></p>\n"
    "<h3 class=\"fn\" id=\"arg\">QString QString::arg(const QString &amp;<i>a</i>)</h3>\n"
    "<p>Returns a copy of this string with the place marker replaced by <i>a</i>, "
    "i.e&#x2e;, <code>%1</code>. It is fast.</p>\n"
    "<h3 class=\"fn\" id=\"arg-1\">QString QString::arg(int <i>a</i>)</h3>\n"
    "<p>This function overloads arg().</p>\n<!-- @@@arg -->\n"
    "<h3 class=\"fn\" id=\"arg-2\">QString QString::arg(char <i>a</i>)</h3>\n"
    "<p>This is an overloaded function.</p>\n"
    "<p>The <i>a</i> argument is a &quot;Latin-1&quot; character.</p>\n"
    "<h3 class=\"fn\" id=\"size\">qsizetype QString::size() const</h3>\n"
    "<p>Returns the number of characters in this string</p>\n"
    "</body></html>\n";

const char qtimerPage[] =
    "<html><head><title>QTimer Class | Qt Core 6.4.2</title></head><body>\n"
    "<h1 class=\"title\">QTimer Class</h1>\n"
    "<p>The QTimer class provides repetitive and single-shot timers.</p>\n"
    "<h3 class=\"fn\" id=\"singleShot-prop\"><code>[bindable] </code>singleShot : bool</h3>\n"
    "<p><b>Note: </b>This property supports QProperty bindings.</p>\n"
    "<p>This property holds whether the timer is a single-shot timer</p>\n"
    "<h3 class=\"fn\" id=\"singleShot\">[static] void QTimer::singleShot(int <i>msec</i>)</h3>\n"
    "<p>This static function calls a slot after a given time interval.</p>\n"
    "</body></html>\n";

// The index above with the pages it names, counting the pages read.
struct Fixture
{
    QHash<QString, int> reads;

    LookupService service()
    {
        return LookupService(IndexTable::fromText(QString::fromLatin1(indexText)),
                             [this](const QString &page) {
                                 ++reads[page];
                                 if (page == QLatin1String("qstring.html"))
                                     return QString::fromLatin1(qstringPage);
                                 if (page == QLatin1String("qtimer.html"))
                                     return QString::fromLatin1(qtimerPage);
                                 return QString();
                             });
    }
};

QStringList namesOf(LookupService &service, const QStringList &ids)
{
    QStringList names;
    for (const DesktopResult &result : service.describe(ids))
        names.append(result.name);
    return names;
}

} // namespace

class tst_LookupService : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The first result is what `velmora NAME` opens; the rest follow in the
    // Index's order.
    void firstResult_data()
    {
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QString>("first");
        QTest::addColumn<int>("count");
        QTest::newRow("a class, before the classes it starts")
            << QStringList{"QString"} << "QString" << 7;
        QTest::newRow("class and member") << QStringList{"QString", "arg"} << "arg (QString)" << 3;
        QTest::newRow("qualified member")
            << QStringList{"QTimer::singleShot"} << "singleShot (QTimer)" << 1;
        QTest::newRow("entries that share a target: the one named")
            << QStringList{"setSingleShot"} << "setSingleShot (QTimer)" << 1;
        QTest::newRow("a page of the set")
            << QStringList{"qstring.html#size"} << "size (QString)" << 1;
        QTest::newRow("in any case") << QStringList{"qtimer"} << "QTimer" << 4;
        QTest::newRow("nonsense") << QStringList{"xyzzyqqq"} << "" << 0;
        QTest::newRow("refused") << QStringList{"https://example.com/"} << "" << 0;
    }
    void firstResult()
    {
        QFETCH(QStringList, terms);
        QFETCH(QString, first);
        QFETCH(int, count);
        Fixture fixture;
        LookupService service = fixture.service();
        const QStringList ids = service.results(terms);
        const QStringList names = namesOf(service, ids);
        QCOMPARE(names.size(), count);
        QCOMPARE(names.value(0), first);
        QCOMPARE(QSet<QString>(ids.begin(), ids.end()).size(), ids.size());
    }

    void atMostTenResults()
    {
        QString text;
        for (int i = 0; i < 25; ++i)
            text += QStringLiteral("set%1 (QThing)===qthing.html#set%1===+f\n")
                        .arg(i, 2, 10, QChar(u'0'));
        LookupService service(IndexTable::fromText(text), {});
        const QStringList ids = service.results({QStringLiteral("set")});
        QCOMPARE(ids.size(), LookupService::maxResults);
        QCOMPARE(service.describe(ids + ids).size(), LookupService::maxResults);
        QCOMPARE(service.rank(u"set", 25).size(), 25);
    }

    // Only ids the service issued stand for an entry, and only the most
    // recent ones: an old id is forgotten, a forged one never known.
    void onlyIssuedIds()
    {
        Fixture fixture;
        LookupService service = fixture.service();
        QCOMPARE(service.entryCount(), 11);
        const QStringList ids = service.results({QStringLiteral("QTimer::singleShot")});
        QCOMPARE(ids.size(), 1);
        const std::optional<DesktopResult> timer = service.issued(ids.first());
        QVERIFY(timer);
        QCOMPARE(timer->target, QStringLiteral("qtimer.html#singleShot"));
        QCOMPARE(timer->kind, QStringLiteral("+F"));

        for (const char *forged : {"0", "5", "10", "11", "-1", "999999999", "qtimer.html"})
            QVERIFY2(!service.issued(QLatin1String(forged)), forged);
        QVERIFY(service.describe({QStringLiteral("0"), QStringLiteral("5")}).isEmpty());

        // Issued again and again by other searches, the first id drops out.
        for (int i = 0; i < LookupService::maxIssuedIds; ++i)
            QCOMPARE(service.results({QStringLiteral("QString::size")}).size(), 1);
        QVERIFY(!service.issued(ids.first()));

        const QStringList again = service.results({QStringLiteral("QTimer::singleShot")});
        QVERIFY(service.issued(again.first()));
        service.forgetIssued();
        QVERIFY(!service.issued(again.first()));
    }

    // Each result says what the reference says of it; one search's results
    // on one page read that page once.
    void descriptions()
    {
        Fixture fixture;
        LookupService service = fixture.service();
        const QList<DesktopResult> results = service.describe(service.results({"QString"}));
        QHash<QString, QString> byTarget;
        for (const DesktopResult &result : results)
            byTarget.insert(result.target, result.description);
        QCOMPARE(byTarget.value("qstring.html"),
                 QStringLiteral("The QString class provides a Unicode character string."));
        QCOMPARE(byTarget.value("qstring.html#arg"),
                 QStringLiteral("Returns a copy of this string with the place marker replaced by "
                                "a, i.e., %1."));
        QCOMPARE(byTarget.value("qstring.html#arg-1"),
                 QStringLiteral("This function overloads arg()."));
        QCOMPARE(byTarget.value("qstring.html#arg-2"),
                 QStringLiteral("The a argument is a \"Latin-1\" character."));
        QCOMPARE(byTarget.value("qstring.html#size"),
                 QStringLiteral("Returns the number of characters in this string"));
        QCOMPARE(byTarget.value("qgone.html#missing"), QString());
        QCOMPARE(fixture.reads.value("qstring.html"), 1);

        const QList<DesktopResult> timer = service.describe(service.results({"singleShot"}));
        QCOMPARE(timer.size(), 3);
        for (const DesktopResult &result : timer) {
            QCOMPARE(result.description,
                     result.target.endsWith(u"-prop")
                         ? QStringLiteral("This property holds whether the timer is a "
                                          "single-shot timer")
                         : QStringLiteral("This static function calls a slot after a given "
                                          "time interval."));
        }
        QCOMPARE(fixture.reads.value("qtimer.html"), 1);
    }

    // A null brief expected: the page's title stands in.
    void pageBriefs_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("anchor");
        QTest::addColumn<QString>("brief");
        const QString head = QStringLiteral("<html><head><title>Thing | Qt 6</title></head>");
        QTest::newRow("the title heading's paragraph")
            << head + "<h1>Thing</h1><p>A thing. More...</p>"
            << ""
            << "A thing.";
        QTest::newRow("an older page's anchor")
            << head + "<h3 class=\"fn\"><a name=\"x\"></a>x()</h3><p>Does x.</p>"
            << "x"
            << "Does x.";
        QTest::newRow("overloads documented together")
            << head + "<h3 id=\"a\">a()</h3>\n<h3 id=\"b\">b()</h3>\n<p>Both.</p>"
            << "a"
            << "Both.";
        QTest::newRow("no paragraph before the next member")
            << head + "<h3 id=\"a\">a()</h3><p><b>Note: </b>x</p><h3 id=\"b\">b()</h3><p>B.</p>"
            << "a" << QString();
        QTest::newRow("a table, not a paragraph")
            << head + "<h3 id=\"e\">enum E</h3><div class=\"table\"><p>V</p></div>"
            << "e" << QString();
        QTest::newRow("an anchor outside a heading")
            << head + "<div id=\"d\"><p>Not a member.</p></div>"
            << "d" << QString();
        QTest::newRow("an anchor the page lacks") << head + "<h3 id=\"a\">a()</h3><p>A.</p>"
                                                  << "b" << QString();
        QTest::newRow("a stop inside a tag or a number ends nothing")
            << head + "<h3 id=\"v\">v</h3><p>Since <a href=\"x.html\">Qt</a> 6.4 it works. Yes.</p>"
            << "v"
            << "Since Qt 6.4 it works.";
        QTest::newRow("references decoded")
            << head + "<h1>T</h1><p>A &lt;b&gt; &amp; &#x263A; &copy;.</p>"
            << "" << QStringLiteral("A <b> & \u263a \u00a9.");
        QTest::newRow("no end to the paragraph") << head + "<h1>T</h1><p>Never ends"
                                                 << "" << QString();
        QTest::newRow("a comment that never ends") << head + "<h1>T</h1><!-- $$$T"
                                                   << "" << QString();
        QTest::newRow("long, cut at a word")
            << head + "<h1>T</h1><p>" + QString(QStringLiteral("word ")).repeated(60) + "</p>"
            << "" << QStringList(40, QStringLiteral("word")).join(u' ') + QChar(0x2026);
        QTest::newRow("long, one word") << head + "<h1>T</h1><p>" + QString(300, u'w') + "</p>"
                                        << "" << QString(maxBriefLength - 1, u'w') + QChar(0x2026);
        QTest::newRow("empty page") << ""
                                    << "" << QString();
    }
    void pageBriefs()
    {
        QFETCH(QString, html);
        QFETCH(QString, anchor);
        QFETCH(QString, brief);
        const QString found = pageBrief(html, anchor);
        QVERIFY(found.size() <= maxBriefLength);
        QCOMPARE(found, brief);
    }

    void pageTitles_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("title");
        QTest::newRow("module dropped")
            << "<html><head><title>QString Class | Qt Core 6.4.2</title></head>"
            << "QString Class";
        QTest::newRow("references decoded") << "<title>Signals &amp; Slots</title>"
                                            << "Signals & Slots";
        QTest::newRow("none") << "<html><body><h1>T</h1></body></html>"
                              << "";
        QTest::newRow("never ends") << "<title>T"
                                    << "";
    }
    void pageTitles()
    {
        QFETCH(QString, html);
        QTEST(pageTitle(html), "title");
    }
};

QTEST_GUILESS_MAIN(tst_LookupService)
#include "tst_lookupservice.moc"
