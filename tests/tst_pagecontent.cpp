// Velmora: tests of the words the full-text index takes from a page.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagecontent.h"

#include <QTest>

using tarn::PageText;

class tst_PageContent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fields_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("headings");
        QTest::addColumn<QString>("body");
        QTest::addColumn<QString>("code");
        QTest::addColumn<QString>("summary");

        QTest::newRow("title loses its module suffix")
            << QByteArray("<html><head><meta charset=\"utf-8\"><title>QString Class | Qt Core "
                          "5.15.8</title><link rel=\"stylesheet\" href=\"offline.css\"></head>"
                          "<body><h1 class=\"title\">QString Class</h1><p>Text.</p></body></html>")
            << "QString Class"
            << "QString Class"
            << "Text."
            << ""
            << "Text.";
        QTest::newRow("escapes are characters, never words")
            << QByteArray("<p>a &amp;&amp; b &lt;T&gt; &quot;x&quot; &nbsp;&copy;&#x2e;&#65;"
                          "&unknown; AT&T &#0;&#xD800;</p>")
            << ""
            << ""
            << "a && b <T> \"x\" \u00a9.A AT&T"
            << ""
            << "a && b <T> \"x\" \u00a9.A AT&T";
        QTest::newRow("inline markup joins, blocks separate")
            << QByteArray("<p>Q<b>String</b>::<a href=\"#x\">arg</a></p><p>next</p>"
                          "<table><tr><td>one</td><td>two</td></tr></table>")
            << ""
            << ""
            << "QString::arg next one two"
            << ""
            << "QString::arg";
        QTest::newRow("code blocks and headings have their own field")
            << QByteArray("<h3 class=\"fn\"><span>void</span> QWidget::<b>show</b>()</h3>"
                          "<pre class=\"cpp\">w<span class=\"operator\">-&gt;</span>show();\n"
                          "  return  0;</pre><p>Shows it.</p>")
            << ""
            << "void QWidget::show()"
            << "Shows it."
            << "w->show(); return 0;"
            << "Shows it.";
        QTest::newRow("repeated blocks are left out")
            << QByteArray("<div class=\"navigationbar\"><ul><li>Qt 5.15</li></ul></div>"
                          "<div class=\"sidebar\"><div class=\"toc\"><h3>Contents</h3></div>"
                          "<div>nested</div></div><p>Kept</p>"
                          "<div class=\"footer\"><p>&copy; 2020 The Qt Company</p></div>")
            << ""
            << ""
            << "Kept"
            << ""
            << "Kept";
        QTest::newRow("scripts, styles and comments are no text")
            << QByteArray("<script>var a = \"<p>x</p>\";</script><style>p { x: 1 }</style>"
                          "<!-- a <comment> --><p>Seen</p>")
            << ""
            << ""
            << "Seen"
            << ""
            << "Seen";
        QTest::newRow("quoted greater-than inside a tag")
            << QByteArray("<a title=\"a > b\" href=\"x.html\">link</a>") << ""
            << ""
            << "link"
            << ""
            << "";
        QTest::newRow("undeclared page is Latin-1") << QByteArray("<title>Caf\xe9</title><p>\xfc"
                                                                  "ber</p>")
                                                    << "Caf\u00e9"
                                                    << ""
                                                    << "\u00fcber"
                                                    << ""
                                                    << "\u00fcber";
        QTest::newRow("control characters become blanks") << QByteArray("<p>a\x01\x02"
                                                                        "b\x7f"
                                                                        "c</p>")
                                                          << ""
                                                          << ""
                                                          << "a b c"
                                                          << ""
                                                          << "a b c";
        QTest::newRow("empty page") << QByteArray() << ""
                                    << ""
                                    << ""
                                    << ""
                                    << "";
        QTest::newRow("summary: the first paragraph with words")
            << QByteArray("<div>Loose</div><h1>QTimer Class</h1><p> </p><p><img src=\"a.png\"></p>"
                          "<p>The <b>QTimer</b> class provides timers.</p><p>More.</p>")
            << ""
            << "QTimer Class"
            << "Loose The QTimer class provides timers. More."
            << ""
            << "The QTimer class provides timers.";
        QTest::newRow("summary: a block ends the paragraph")
            << QByteArray("<pre>code</pre><p>One<div>two</div></p><p>three</p>") << ""
            << ""
            << "One two three"
            << "code"
            << "One";
    }

    void fields()
    {
        QFETCH(QByteArray, html);
        PageText text;
        QString problem;
        QVERIFY2(tarn::extractPageText(html, &text, &problem), qPrintable(problem));
        QTEST(text.title, "title");
        QTEST(text.headings, "headings");
        QTEST(text.body, "body");
        QTEST(text.code, "code");
        QTEST(text.summary, "summary");
    }

    void brokenPage_data()
    {
        QTest::addColumn<QByteArray>("html");
        QTest::addColumn<QString>("reason");

        QTest::newRow("NUL byte") << QByteArray("<p>a\0b</p>", 10) << "NUL byte at offset 4";
        QTest::newRow("not UTF-8 as declared")
            << QByteArray("<meta charset=\"utf-8\"><p>\xff\xfe</p>") << "not valid UTF-8";
        QTest::newRow("tag cut off") << QByteArray("<p>text</p>\n<a href=\"x.html") << "line 2";
        QTest::newRow("comment cut off")
            << QByteArray("<p>a</p><!-- never closed") << "comment opened on line 1";
        QTest::newRow("script cut off") << QByteArray("<script>var a;") << "<script>";
        QTest::newRow("title never ends")
            << QByteArray("<title>Cut\n\n<p>body</p>") << "title opened on line 1";
    }

    void brokenPage()
    {
        QFETCH(QByteArray, html);
        QFETCH(QString, reason);
        PageText text;
        QString problem;
        QVERIFY(!tarn::extractPageText(html, &text, &problem));
        QVERIFY2(problem.contains(reason), qPrintable(problem));
    }

    void fileNameWords()
    {
        QCOMPARE(tarn::fileNameWords(QStringLiteral("model-view-programming.html")),
                 QStringLiteral("model view programming"));
        QCOMPARE(tarn::fileNameWords(QStringLiteral("qstring.html")), QStringLiteral("qstring"));
        QCOMPARE(tarn::fileNameWords(QStringLiteral("qtcore-5.15.html")),
                 QStringLiteral("qtcore 5 15"));
    }

    void classNameWords_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("words");
        QTest::newRow("one word") << "QSettings"
                                  << "settings";
        QTest::newRow("camel case") << "QElapsedTimer"
                                    << "elapsed timer";
        QTest::newRow("capitals then a word") << "QIODevice"
                                              << "io device";
        QTest::newRow("capitals inside") << "QOpenGLWidget"
                                         << "open gl widget";
        QTest::newRow("digits") << "QHttp2Configuration"
                                << "http2 configuration";
        QTest::newRow("nested") << "QTest::QTouchEventSequence"
                                << "touch event sequence";
        QTest::newRow("no Q") << "Qt"
                              << "qt";
    }

    void classNameWords()
    {
        QFETCH(QString, name);
        QFETCH(QString, words);
        QCOMPARE(tarn::classNameWords(name), words);
    }
};

QTEST_GUILESS_MAIN(tst_PageContent)
#include "tst_pagecontent.moc"
