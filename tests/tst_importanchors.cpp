// Velmora: tests of the anchor scan and the repair of link and list targets.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "anchors.h"
#include "classlists.h"
#include "pagerewrite.h"

#include <QTest>

using namespace tarn::import;

Q_DECLARE_METATYPE(tarn::import::AnchorFate)
Q_DECLARE_METATYPE(tarn::import::MemberEntry)

namespace {

QByteArray fn(const char *anchor, const char *rest)
{
    return QByteArray("<h3 class=\"fn\" id=\"") + anchor + "\"><a name=\"" + anchor + "\"></a>"
        + rest + "</h3>\n";
}

// A class page as the reference writes it, with the faults it has: overload
// numbers the index does not know, one anchor on two headings, a typedef
// under an anchor with an "x", a notifier without a heading of its own.
const QByteArray hashPage = "<h1 class=\"title\" id=\"top\">QHash Class</h1>\n"
                            "<div class=\"descr\"><a name=\"details\"></a><h2>Details</h2></div>\n"
    + fn("iterator-typedefx", "typedef QHash::<span class=\"name\">iterator</span>")
    + fn("QHash", "QHash::<span class=\"name\">QHash</span>()")
    + fn("QHash-1",
         "QHash::<span class=\"name\">QHash</span>(const <span "
         "class=\"type\">QHash</span>&lt;K, V&gt; &amp;<i>other</i>)")
    + fn("begin", "<span class=\"type\">iterator</span> QHash::<span class=\"name\">begin</span>()")
    + fn("begin-1", "const_iterator QHash::<span class=\"name\">begin</span>() const")
    + fn("qHash-1x",
         "uint <span class=\"name\">qHash</span>(const <span class=\"type\"><a "
         "href=\"qdate.html\">QDate</a></span> &amp;<i>key</i>, uint <i>seed</i> = 0)")
    + fn("qHash-1x",
         "uint <span class=\"name\">qHash</span>(char <i>key</i>, uint <i>seed</i> = 0)")
    + fn("qHash-1x-2", "uint <span class=\"name\">qHashBits</span>(const void *<i>p</i>)")
    + fn("qHash-2",
         "uint <span class=\"name\">qHash</span>(const QTime &amp;<i>key</i>, uint "
         "<i>seed</i> = 0)")
    + fn("qHash-5",
         "uint <span class=\"name\">qHash</span>(ushort <i>key</i>, uint <i>seed</i> = 0)")
    + fn("size-prop", "<span class=\"name\">size</span> : const <span class=\"type\">int</span>")
    + fn("sizeHint-prop", "<span class=\"name\">sizeHint</span> : int")
    + "<h3 class=\"flags\" id=\"Flag-enum\"><a name=\"Flag-enum\"></a>enum QHash::<span "
      "class=\"name\">Flag</span><br/>flags QHash::<span class=\"name\">Flags</span></h3>\n"
    + fn("Q_ARG", "<span class=\"name\">Q_ARG</span>(<i>Type</i>, const Type &amp;<i>value</i>)");

MemberEntry member(const char *name, const char *bareName, const char *target,
                   const QStringList &parameters = {}, const QStringList &properties = {})
{
    MemberEntry m;
    m.name = QString::fromLatin1(name);
    m.bareName = QString::fromLatin1(bareName);
    m.target = QString::fromLatin1(target);
    m.parameterTypes = parameters;
    m.properties = properties;
    return m;
}

AnchorRepair pages()
{
    AnchorRepair repair;
    repair.addPage("qhash.html", scanAnchors(hashPage, true));
    repair.addPage("qbytearray.html", scanAnchors("<a name=\"details\"></a>", true));
    repair.addPage("qbytearray-obsolete.html",
                   scanAnchors(fn("operator-const-char--2a",
                                  "const char *QByteArray::<span class=\"name\">operator const "
                                  "char *</span>() const"),
                               true));
    repair.addPage("bare.html", scanAnchors("<div id=\"header\"></div><p id=\"x\">x</p>", true));
    repair.addPage("empty.html", scanAnchors("<p>no anchors</p>", true));
    return repair;
}

} // namespace

class tst_ImportAnchors : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void parseParameterList_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("closed");
        QTest::addColumn<QStringList>("types");
        QTest::addColumn<QString>("tail");
        QTest::newRow("empty") << "() const" << true << QStringList() << " const";
        QTest::newRow("names gone, defaults dropped")
            << "(const QDate &, uint  = 0)" << true << QStringList{"constQDate&", "uint"} << "";
        QTest::newRow("commas inside templates and calls")
            << "(const QHash<K, V> &, std::function<void(int, int)> f = g(1, 2)) &&" << true
            << QStringList{"constQHash<K,V>&", "std::function<void(int,int)>f"} << " &&";
        QTest::newRow("only untyped macro parameters") << "( ,  )" << true << QStringList() << "";
        QTest::newRow("untyped macro parameter beside a typed one")
            << "( , const Type &)" << true << QStringList{"", "constType&"} << "";
        QTest::newRow("unclosed") << "(int, char" << false << QStringList() << "";
    }

    void parseParameterList()
    {
        QFETCH(QString, text);
        QFETCH(bool, closed);
        QFETCH(QStringList, types);
        QFETCH(QString, tail);
        QStringList parsed{QStringLiteral("left over")};
        QString parsedTail;
        QCOMPARE(tarn::import::parseParameterList(text, &parsed, &parsedTail), closed);
        QCOMPARE(parsed, types);
        if (closed)
            QCOMPARE(parsedTail, tail);
    }

    void scanAnchors_readsMemberHeadings()
    {
        const PageAnchors page = scanAnchors(hashPage, true);
        QStringList seen;
        for (const MemberHeading &h : page.headings) {
            const Signature &s = h.signature;
            QString line = QString::fromUtf8(h.anchor) + QLatin1Char(' ') + s.name;
            if (s.function)
                line +=
                    QStringLiteral("(%1)%2").arg(s.parameters.join(QLatin1Char('|')), s.qualifiers);
            seen.append(line);
        }
        const QStringList expected = {
            "iterator-typedefx iterator",
            "QHash QHash()",
            "QHash-1 QHash(constQHash<K,V>&)",
            "begin begin()",
            "begin-1 begin()const",
            "qHash-1x qHash(constQDate&|uint)",
            "qHash-1x-3 qHash(char|uint)", // the second holder, renamed past the name taken
            "qHash-1x-2 qHashBits(constvoid*)",
            "qHash-2 qHash(constQTime&|uint)",
            "qHash-5 qHash(ushort|uint)",
            "size-prop size",
            "sizeHint-prop sizeHint",
            "Flag-enum Flag",
            "Flag-enum Flags",
            "Q_ARG Q_ARG(|constType&)",
        };
        QCOMPARE(seen, expected);
        QCOMPARE(page.duplicates.value("qHash-1x"), QVector<QByteArray>{"qHash-1x-3"});
        QVERIFY(page.has("qHash-1x") && page.has("qHash-1x-3") && page.has("top"));
        QCOMPARE(page.landing, QByteArray("details"));
    }

    void scanAnchors_landing_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<bool>("rename");
        QTest::addColumn<QByteArray>("landing");
        QTest::addColumn<int>("anchors");
        QTest::newRow("details wins") << QByteArray("<p id=\"a\"></p><a name=\"details\"></a>")
                                      << true << QByteArray("details") << 2;
        QTest::newRow("else the first anchor")
            << QByteArray("<!-- <p id=\"c\"> --><p id=\"b\"></p><p id=\"a\"></p>") << true
            << QByteArray("b") << 2;
        QTest::newRow("no anchor, no landing")
            << QByteArray("<p>text</p>") << true << QByteArray() << 0;
        QTest::newRow("own pages keep their duplicates")
            << QByteArray("<p id=\"a\"></p><p id=\"a\"></p>") << false << QByteArray("a") << 1;
    }

    void scanAnchors_landing()
    {
        QFETCH(QByteArray, html);
        QFETCH(bool, rename);
        QFETCH(QByteArray, landing);
        QFETCH(int, anchors);
        const PageAnchors page = scanAnchors(html, rename);
        QCOMPARE(page.landing, landing);
        QCOMPARE(page.anchors.size(), anchors);
    }

    void repairMember_data()
    {
        QTest::addColumn<MemberEntry>("member");
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<AnchorFate>("fate");
        const QStringList hashArgs{"const QDate &", "uint"};
        QTest::newRow("anchor of its own heading")
            << member("begin() const", "begin", "qhash.html#begin-1")
            << QByteArray("qhash.html#begin-1") << AnchorFate::Present;
        QTest::newRow("overload number the page does not have")
            << member("qHash(const QDate &key, uint seed)", "qHash", "qhash.html#qHash-1", hashArgs)
            << QByteArray("qhash.html#qHash-1x") << AnchorFate::Repaired;
        QTest::newRow("second holder of a shared anchor")
            << member("qHash(char key, uint seed)", "qHash", "qhash.html#qHash-1x",
                      {"char", "uint"})
            << QByteArray("qhash.html#qHash-1x-3") << AnchorFate::Repaired;
        QTest::newRow("anchor of another overload")
            << member("qHash(ushort key, uint seed)", "qHash", "qhash.html#qHash-2",
                      {"ushort", "uint "})
            << QByteArray("qhash.html#qHash-5") << AnchorFate::Repaired;
        QTest::newRow("anchor of another member, none better")
            << member("qHash(long key)", "qHash", "qhash.html#size-prop", {"long"})
            << QByteArray("qhash.html#size-prop") << AnchorFate::Present;
        QTest::newRow("typedef under an anchor with an x")
            << member("iterator", "iterator", "qhash.html#iterator-typedef")
            << QByteArray("qhash.html#iterator-typedefx") << AnchorFate::Repaired;
        QTest::newRow("flags type on its enum's heading")
            << member("Flags", "Flags", "qhash.html#Flags-typedef")
            << QByteArray("qhash.html#Flag-enum") << AnchorFate::Repaired;
        QTest::newRow("untyped macro parameter")
            << member("Q_ARG(Type, const Type &value)", "Q_ARG", "qhash.html#Q_ARG-1",
                      {"", "const Type &"})
            << QByteArray("qhash.html#Q_ARG") << AnchorFate::Repaired;
        QTest::newRow("operator on the page of obsolete members")
            << member("operator const char *() const", "operator const char *",
                      "qbytearray.html#operator-const-char--2a")
            << QByteArray("qbytearray-obsolete.html#operator-const-char--2a")
            << AnchorFate::Repaired;
        QTest::newRow("notifier: the property it is named after")
            << member("sizeChanged(int)", "sizeChanged", "qhash.html#sizeChanged", {"int"},
                      {"sizeHint", "size"})
            << QByteArray("qhash.html#size-prop") << AnchorFate::Repaired;
        QTest::newRow("nothing of the name: the details")
            << member("pointer", "pointer", "qhash.html#pointer-typedef")
            << QByteArray("qhash.html#details") << AnchorFate::PointedAtPage;
        QTest::newRow("no details: the first anchor")
            << member("f()", "f", "bare.html#f") << QByteArray("bare.html#header")
            << AnchorFate::PointedAtPage;
        QTest::newRow("no anchor at all") << member("f()", "f", "empty.html#f")
                                          << QByteArray("empty.html#f") << AnchorFate::Missing;
        QTest::newRow("page outside the scan") << member("f()", "f", "other.html#f")
                                               << QByteArray("other.html#f") << AnchorFate::Present;
    }

    void repairMember()
    {
        QFETCH(MemberEntry, member);
        QFETCH(QByteArray, target);
        QFETCH(AnchorFate, fate);
        AnchorRepair repair = pages();
        const TargetRepair result = repair.repairMember(member);
        QCOMPARE(result.target, target);
        QCOMPARE(result.fate, fate);
        QCOMPARE(result.why.isEmpty(), fate == AnchorFate::Present || fate == AnchorFate::Repaired);
    }

    void repairLink_data()
    {
        QTest::addColumn<QByteArray>("html"); // the link and what follows it
        QTest::addColumn<QByteArray>("target");
        QTest::addColumn<AnchorFate>("fate");
        QTest::newRow("anchor present") << QByteArray("<a href=\"qhash.html#begin\">begin</a>()")
                                        << QByteArray("qhash.html#begin") << AnchorFate::Present;
        QTest::newRow("shared anchor, parameters say which")
            << QByteArray("<b><a href=\"qhash.html#qHash-1x\">qHash</a></b>(char <i>key</i>, uint "
                          "<i>seed</i> = 0)</td>")
            << QByteArray("qhash.html#qHash-1x-3") << AnchorFate::Repaired;
        QTest::newRow("shared anchor, nothing says which")
            << QByteArray("<a href=\"qhash.html#qHash-1x\">qHash</a>()")
            << QByteArray("qhash.html#qHash-1x") << AnchorFate::Present;
        QTest::newRow("a list member's repaired target")
            << QByteArray("<a href=\"qhash.html#sizeChanged\">the signal</a>")
            << QByteArray("qhash.html#size-prop") << AnchorFate::Repaired;
        QTest::newRow("one heading of the link's name")
            << QByteArray("<a href=\"qhash.html#iteratorx\">QHash::iterator</a>")
            << QByteArray("qhash.html#iterator-typedefx") << AnchorFate::Repaired;
        QTest::newRow("several headings of the name")
            << QByteArray("<a href=\"qhash.html#QHashx\">QHash</a>&lt;K, V&gt;")
            << QByteArray("qhash.html#details") << AnchorFate::PointedAtPage;
        QTest::newRow("parameters no heading has")
            << QByteArray("<span><b><a href=\"qhash.html#qHash-9\">qHash</a></b></span>"
                          "(QDataStream &amp;, QVariant &amp;)</li>")
            << QByteArray("qhash.html#details") << AnchorFate::PointedAtPage;
        QTest::newRow("no anchor to point at") << QByteArray("<a href=\"empty.html#f\">f</a>")
                                               << QByteArray("empty.html#f") << AnchorFate::Missing;
    }

    void repairLink()
    {
        QFETCH(QByteArray, html);
        QFETCH(QByteArray, target);
        QFETCH(AnchorFate, fate);
        AnchorRepair repair = pages();
        repair.repairMember(
            member("sizeChanged(int)", "sizeChanged", "qhash.html#sizeChanged", {"int"}, {"size"}));
        const qsizetype tagEnd = html.indexOf('>', html.indexOf("<a "));
        const qsizetype hrefBegin = html.indexOf("href=\"") + 6;
        const QByteArray link = html.mid(hrefBegin, html.indexOf('"', hrefBegin) - hrefBegin);
        const qsizetype hash = link.indexOf('#');
        const TargetRepair result =
            repair.repairLink(link.left(hash), link.mid(hash + 1), linkContextAt(html, tagEnd + 1));
        QCOMPARE(result.target, target);
        QCOMPARE(result.fate, fate);
    }

    // The page as written: the second holder of a shared anchor renamed,
    // links to it told apart by their parameters, a link within the page
    // kept within it, a link to nowhere reduced to its text.
    void rewritePage_repairsAnchorsAndLinks()
    {
        const QByteArray html =
            "<link rel=\"prev\" href=\"Desktop Integration\" />"
            "<p><b><a href=\"#qHash-1x\">qHash</a></b>(char <i>key</i>, uint <i>seed</i>)</p>"
            "<p><a href=\"#pointer-typedef\">pointer</a>, <a class=\"x\" href=\"Desktop "
            "Integration\">Desktop Integration</a>, <a href=\"qdate.html\">QDate</a></p>"
            "<h3 id=\"qHash-1x\"><a name=\"qHash-1x\"></a><span class=\"name\">qHash</span>(const "
            "QDate &amp;<i>k</i>)</h3>"
            "<h3 id=\"qHash-1x\"><a name=\"qHash-1x\"></a><span class=\"name\">qHash</span>(char "
            "<i>k</i>, uint <i>s</i>)</h3><a name=\"details\"></a>";
        AnchorRepair anchors;
        anchors.addPage("qhash.html", scanAnchors(html, true));
        LinkTargets targets;
        targets.names = {"qhash.html"};
        targets.anchors = &anchors;
        targets.page = "qhash.html";
        RewriteLog log;
        const QByteArray expected =
            "<link rel=\"prev\" />"
            "<p><b><a href=\"#qHash-1x-2\">qHash</a></b>(char <i>key</i>, uint <i>seed</i>)</p>"
            "<p><a href=\"#details\">pointer</a>, <a class=\"x\">Desktop Integration</a>, "
            "<a>QDate</a></p>"
            "<h3 id=\"qHash-1x\"><a name=\"qHash-1x\"></a><span class=\"name\">qHash</span>(const "
            "QDate &amp;<i>k</i>)</h3>"
            "<h3 id=\"qHash-1x-2\"><a name=\"qHash-1x-2\"></a><span "
            "class=\"name\">qHash</span>(char "
            "<i>k</i>, uint <i>s</i>)</h3><a name=\"details\"></a>";
        QCOMPARE(rewritePage(html, targets, &log), expected);
        QCOMPARE(log.repaired, 1);
        QCOMPARE(log.pointedAtPage, 1);
        // No module named an online address, so the page outside the set goes too.
        QCOMPARE(log.removed, 3);
        QCOMPARE(log.external, 0);
        QCOMPARE(log.notes.size(), 4);
        QVERIFY2(log.notes.at(1).endsWith(QLatin1String(": no heading for pointer")),
                 qPrintable(log.notes.at(1)));
    }
};

QTEST_GUILESS_MAIN(tst_ImportAnchors)
#include "tst_importanchors.moc"
