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

    // The top of a page as qdoc writes it: navigation bar, contents side bar,
    // then the title, the brief and a class's header table.
    void rewritePageTop_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QByteArray>("expected");
        const QByteArray nav = "<div class=\"navigationbar\"><ul>\n<li>Qt 6.4</li>\n"
                               "<li><a href=\"qtwidgets-index.html\">Qt Widgets</a></li>\n"
                               "<li>QWidget</li>\n<li id=\"buildversion\">"
                               "<a href=\"qtwidgets-index.html\">Qt 6.4.2 Reference</a></li>\n"
                               "</ul></div>\n";
        const QByteArray crumb = "<p class=\"navigationbar\">Qt 6.4 \xe2\x80\xba "
                                 "<a href=\"qtwidgets-index.html\">Qt Widgets</a> "
                                 "\xe2\x80\xba QWidget</p>\n";
        const QByteArray toc =
            "<div class=\"sidebar\"><div class=\"toc\">\n"
            "<h3 id=\"toc\">Contents</h3>\n<ul>\n"
            "<li class=\"level1\"><a href=\"#public-types\">Public Types</a></li>\n"
            "<li class=\"level1\"><a href=\"#details\">Details</a></li>\n"
            "<li class=\"level2\"><a href=\"#events\">Events</a></li>\n"
            "<li class=\"level3\"><a href=\"#keys\">Keys</a></li>\n"
            "<li class=\"level1\"><a href=\"#notes\">Notes</a></li>\n"
            "</ul>\n</div>\n</div>\n";
        const QByteArray line = "<p class=\"toc\" id=\"toc\"><a href=\"#public-types\">Public "
                                "Types</a> \xc2\xb7 <a href=\"#details\">Details</a> (<a "
                                "href=\"#events\">Events</a>, <a href=\"#keys\">Keys</a>) "
                                "\xc2\xb7 <a href=\"#notes\">Notes</a></p>\n";
        const QByteArray title = "<h1 class=\"title\">QWidget Class</h1>\n";
        const QByteArray brief = "<p>The base class.</p>\n";
        const QByteArray table = "<div class=\"table\"><table class=\"alignedsummary\">"
                                 "<tr><td>Header:</td><td>QWidget</td></tr></table></div>\n";
        const QByteArray rest = "<h2 id=\"public-types\">Public Types</h2>\n";

        QTest::newRow("class page: contents after the header table")
            << "<body>" + nav + toc + title + brief + table + rest
            << "<body>" + QByteArray("<div class=\"sidebar\"></div>\n") + title + crumb + brief
                + "<div class=\"table\"><table class=\"alignedsummary\"><tr><td>Header:</td>"
                  "<td>QWidget</td></tr></table>\n"
                + line + "</div>\n" + rest;
        QTest::newRow("overview page: contents under the breadcrumb")
            << "<body>" + nav + toc + title + brief + rest
            << "<body>" + QByteArray("<div class=\"sidebar\"></div>\n") + title + crumb + line
                + brief + rest;
        QTest::newRow("no contents")
            << "<body>" + nav + title + brief << "<body>" + title + crumb + brief;
        QTest::newRow("Qt 5 contents heading, no navigation bar")
            << QByteArray("<div class=\"toc\"><h3><a name=\"toc\">Contents</a></h3><ul>"
                          "<li class=\"level1\"><a href=\"#a\">A</a></li></ul></div>")
                + title
            << title + "<p class=\"toc\" id=\"toc\"><a href=\"#a\">A</a></p>\n";
        QTest::newRow("a table further down is not the header")
            << nav + title + brief + rest + table << title + crumb + brief + rest + table;
        const QByteArray noTitle = nav + toc + "<h1>Plain</h1>" + brief;
        QTest::newRow("no title: unchanged") << noTitle << noTitle;
        const QByteArray after = title + nav + toc;
        QTest::newRow("bars after the title: unchanged") << after << after;
        const QByteArray neither = title + brief + table;
        QTest::newRow("neither bar: unchanged") << neither << neither;
        const QByteArray cut = "<div class=\"navigationbar\"><ul><li>Qt</li>" + title;
        QTest::newRow("a bar that never ends: unchanged") << cut << cut;
    }

    void rewritePageTop()
    {
        QFETCH(QByteArray, html);
        QFETCH(QByteArray, expected);
        QCOMPARE(tarn::import::rewritePageTop(html), expected);
    }
};

QTEST_GUILESS_MAIN(tst_ImportLinks)
#include "tst_importlinks.moc"
