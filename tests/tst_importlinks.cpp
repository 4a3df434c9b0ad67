// Velmora: tests of the link and style-sheet rewriting done by the import step.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagerewrite.h"

#include <QTest>

using namespace tarn::import;

Q_DECLARE_METATYPE(tarn::import::LinkFate)

class tst_ImportLinks : public QObject
{
    Q_OBJECT

private:
    static LinkTargets targets()
    {
        LinkTargets t;
        t.names = {"qobject.html", "qcheckbox.html", "index.html", "foo.png", "offline.css"};
        t.renamed.insert("logo.png", "imported-logo.png");
        t.onlineBase = onlineBaseFromIndexUrl(QStringLiteral("http://doc.qt.io/qt-5/"));
        return t;
    }

private Q_SLOTS:
    void rewriteLink_data()
    {
        QTest::addColumn<QByteArray>("link");
        QTest::addColumn<bool>("online"); // a module named its online address
        QTest::addColumn<QByteArray>("expected");
        QTest::addColumn<LinkFate>("fate");
        QTest::newRow("sibling module page")
            << QByteArray("../qtcore/qobject.html#details") << true
            << QByteArray("qobject.html#details") << LinkFate::Local;
        QTest::newRow("same module page")
            << QByteArray("qcheckbox.html#setChecked") << true
            << QByteArray("qcheckbox.html#setChecked") << LinkFate::Local;
        QTest::newRow("page of a module not imported")
            << QByteArray("../qtquick/qml-qtquick-item.html#x-prop") << true
            << QByteArray("https://doc.qt.io/qt-5/qml-qtquick-item.html#x-prop")
            << LinkFate::External;
        QTest::newRow("page outside the set, no online address")
            << QByteArray("../qtquick/qml-qtquick-item.html#x-prop") << false << QByteArray()
            << LinkFate::Removed;
        QTest::newRow("image") << QByteArray("images/foo.png") << true << QByteArray("foo.png")
                               << LinkFate::Local;
        QTest::newRow("image that gave its name to ours")
            << QByteArray("images/logo.png") << true << QByteArray("imported-logo.png")
            << LinkFate::Local;
        QTest::newRow("unknown image stays")
            << QByteArray("images/nothere.png") << true << QByteArray("images/nothere.png")
            << LinkFate::Unchanged;
        QTest::newRow("http") << QByteArray("http://www.gnu.org/licenses/fdl.html") << true
                              << QByteArray("http://www.gnu.org/licenses/fdl.html")
                              << LinkFate::Unchanged;
        QTest::newRow("mailto") << QByteArray("mailto:a@b.org") << true
                                << QByteArray("mailto:a@b.org") << LinkFate::Unchanged;
        QTest::newRow("anchor only")
            << QByteArray("#details") << true << QByteArray("#details") << LinkFate::Unchanged;
        QTest::newRow("page title where a file name belongs")
            << QByteArray("Desktop Integration") << true << QByteArray() << LinkFate::Removed;
        QTest::newRow("page name that no online page can have")
            << QByteArray("../qtdoc/Desktop Integration.html") << true << QByteArray()
            << LinkFate::Removed;
    }

    void rewriteLink()
    {
        QFETCH(QByteArray, link);
        QFETCH(bool, online);
        QFETCH(QByteArray, expected);
        QFETCH(LinkFate, fate);
        LinkTargets t = targets();
        if (!online)
            t.onlineBase.clear();
        LinkFate found = LinkFate::Local;
        const QByteArray rewritten = tarn::import::rewriteLink(link, t, &found);
        QCOMPARE(rewritten, expected);
        QCOMPARE(rewritten.isNull(), fate == LinkFate::Removed);
        QCOMPARE(found, fate);
    }

    void rewritePage_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("style sheet link")
            << QByteArray("<link rel=\"stylesheet\" type=\"text/css\" "
                          "href=\"style/offline-simple.css\" />")
            << QByteArray("<link rel=\"stylesheet\" type=\"text/css\" href=\"offline.css\" />");
        QTest::newRow("style sheet link, href before rel")
            << QByteArray("<LINK href='style/x.css' REL='Stylesheet'>")
            << QByteArray("<LINK href='offline.css' REL='Stylesheet'>");
        QTest::newRow("script removed")
            << QByteArray("<head>\n  <script type=\"text/javascript\">\n  if (a < b) x(\"<a "
                          "href='images/foo.png'>\");\n  </script>\n</head>")
            << QByteArray("<head>\n  \n</head>");
        QTest::newRow("links and images in text")
            << QByteArray("<p>See <a href=\"../qtcore/qobject.html#details\">QObject</a>"
                          "<img src=\"images/foo.png\" alt=\"a > b\"/></p>")
            << QByteArray("<p>See <a href=\"qobject.html#details\">QObject</a>"
                          "<img src=\"foo.png\" alt=\"a > b\"/></p>");
        QTest::newRow("unquoted and odd spacing")
            << QByteArray("<a  class=x HREF = ../qtcore/qobject.html>q</a>")
            << QByteArray("<a  class=x HREF = qobject.html>q</a>");
        QTest::newRow("link to nowhere keeps its text")
            << QByteArray("<link rel=\"next\" href=\"Desktop Integration\" />"
                          "<a class=\"nextPage\"  href=\"Desktop Integration\">Desktop "
                          "Integration</a> <a href='x y' name=z>t</a>")
            << QByteArray("<link rel=\"next\" /><a class=\"nextPage\">Desktop Integration</a> "
                          "<a name=z>t</a>");
        QTest::newRow("comments and doctype untouched")
            << QByteArray(
                   "<!DOCTYPE html><!-- <a href=\"../qtcore/qobject.html\"> --><a name=\"x\"></a>")
            << QByteArray(
                   "<!DOCTYPE html><!-- <a href=\"../qtcore/qobject.html\"> --><a name=\"x\"></a>");
        QTest::newRow("text and UTF-8 kept byte for byte")
            << QByteArray("<p>a &lt; b, 3 < 4, Gr\xc3\xbc\xc3\x9f"
                          "e</p>")
            << QByteArray("<p>a &lt; b, 3 < 4, Gr\xc3\xbc\xc3\x9f"
                          "e</p>");
    }

    void rewritePage()
    {
        QFETCH(QByteArray, html);
        QFETCH(QByteArray, expected);
        QCOMPARE(tarn::import::rewritePage(html, targets()), expected);
    }
};

QTEST_GUILESS_MAIN(tst_ImportLinks)
#include "tst_importlinks.moc"
