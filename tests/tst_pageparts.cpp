// Velmora: long pages parsed in parts come out as they do in one piece.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "embeddedfiles.h"
#include "embeddedpages.h"
#include "pagebrowser.h"
#include "pageparts.h"

#include <QRegularExpression>
#include <QScrollBar>
#include <QTest>
#include <QTextDocument>

#include <functional>
#include <utility>

using tarn::PagePart;
using tarn::Shell;

namespace {

// Rich text as the document writes it back, with neighbouring runs of one
// format joined: a part's text that runs on in the paragraph before it is a
// run of its own, drawn the same.
QString normalized(const QTextDocument &document)
{
    static const QRegularExpression split(
        QStringLiteral("<span style=\"([^\"]*)\">([^<]*)</span><span style=\"\\1\">"));
    QString html = document.toHtml();
    for (QString before; before != html;) {
        before = html;
        html.replace(split, QStringLiteral("<span style=\"\\1\">\\2"));
    }
    return html;
}

// A page parsed in one piece, with its style sheets and images from the
// view, as the view's own documents have them.
class WholePage : public QTextDocument
{
public:
    WholePage(PageBrowser *view, const QString &text)
        : m_view(view)
    {
        setDefaultFont(view->document()->defaultFont());
        setDefaultStyleSheet(view->pageStyleSheet());
        setHtml(text);
    }

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        return m_view->loadResource(type, name);
    }

private:
    PageBrowser *m_view;
};

// Embedded pages long enough to come in parts, longest first.
QStringList longPages()
{
    QList<QPair<qsizetype, QString>> found;
    for (const EmbeddedFile *file = embeddedFiles; file->data; ++file) {
        const QString name = QString::fromLatin1(file->name);
        if (!name.endsWith(QLatin1String(".html")))
            continue;
        const QString text = findEmbeddedPageText(name);
        if (!PageBrowser::partsOf(text).isEmpty())
            found.append({text.size(), name});
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a > b; });
    QStringList pages;
    for (const auto &page : found)
        pages.append(page.second);
    return pages;
}

QString paragraphs(int count, const QString &open = QString(), const QString &close = QString())
{
    QString html = QStringLiteral("<html><head><title>t</title></head><body><div class=\"d\">");
    for (int i = 0; i < count; ++i)
        html += open + QStringLiteral("<p>Paragraph %1 of some length, long enough.</p>").arg(i)
            + close;
    return html + QStringLiteral("</div></body></html>");
}

} // namespace

class tst_PageParts : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();
    void cuts_data();
    void cuts();
    void firstPartEndsAtAHeading();
    void contextCarriesSheetsNotAnchors();
    void anchorNamesLeaveATag_data();
    void anchorNamesLeaveATag();
    void partsParseToTheWholePage();
    void partsFollowBetweenEvents();
    void scrollBarsHoldStillWhilePartsComeIn();
    void longTableWaitsForTheNextPart();
    void anchorAtAPartsEndComesToTheTop();
    void partsBeginAtTheFirstPaint();
    void unwrappedContent_data();
    void unwrappedContent();
    void wideLongPageHasItsBarsFromTheFirstScreen_data();
    void wideLongPageHasItsBarsFromTheFirstScreen();

private:
    QStringList m_pages;
};

void tst_PageParts::initTestCase()
{
    // The longest pages of the set: the ones most likely to break.
    m_pages = longPages().mid(0, 16);
}

void tst_PageParts::cuts_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<bool>("cut");
    QTest::newRow("paragraphs in divisions") << paragraphs(400) << true;
    QTest::newRow("short page") << paragraphs(5) << false;
    QTest::newRow("paragraphs in table cells")
        << paragraphs(400, QStringLiteral("<table><tr><td>"), QStringLiteral("</td></tr></table>"))
        << false;
    QTest::newRow("paragraphs in list items")
        << paragraphs(400, QStringLiteral("<ul><li>"), QStringLiteral("</li></ul>")) << false;
    QTest::newRow("paragraphs in a span")
        << paragraphs(400, QStringLiteral("<span class=\"x\">"), QStringLiteral("</span>"))
        << false;
    QTest::newRow("paragraphs that open with a space")
        << paragraphs(400).replace(QLatin1String("<p>P"), QLatin1String("<p> P")) << false;
    QTest::newRow("paragraphs that open with an entity")
        << paragraphs(400).replace(QLatin1String("<p>P"), QLatin1String("<p>&amp;P")) << false;
    QTest::newRow("paragraph tags in comments and attributes")
        << paragraphs(400)
               .replace(QLatin1String("<p>"), QLatin1String("<!-- <p>Pa --><a title=\"<p>Pa\">"))
               .replace(QLatin1String("</p>"), QLatin1String("</a>"))
        << false;
}

void tst_PageParts::cuts()
{
    QFETCH(QString, html);
    QFETCH(bool, cut);
    const qsizetype length = 2000;
    const QList<PagePart> parts = tarn::pageParts(html, length);
    QCOMPARE(!parts.isEmpty(), cut);
    qsizetype last = 0;
    for (const PagePart &part : parts) {
        // Just after a paragraph's first letter, a part's length from the last cut.
        QVERIFY(html.mid(part.start - 4, 4) == QLatin1String("<p>P"));
        QVERIFY(part.start - last >= length);
        QCOMPARE(part.context, QStringLiteral("<html><body><div class=\"d\"><p>"));
        last = part.start;
    }
    if (cut)
        QVERIFY(html.size() - last >= length / 2);
}

// A class page's member tables hold no paragraph: the headings between them
// are where its short first part ends.
void tst_PageParts::firstPartEndsAtAHeading()
{
    QString html = QStringLiteral("<html><body><div class=\"d\">");
    for (int i = 0; i < 40; ++i) {
        html += QStringLiteral("<h2 id=\"s%1\">Section %1</h2><div class=\"table\"><table>").arg(i);
        for (int row = 0; row < 10; ++row)
            html += QStringLiteral("<tr><td>int</td><td>member%1()</td></tr>").arg(row);
        html += QStringLiteral("</table></div>");
    }
    html += QStringLiteral("</div></body></html>");
    const QList<PagePart> parts = tarn::pageParts(html, 4000, 1000);
    QVERIFY(parts.size() > 1);
    QVERIFY(html.mid(parts.first().start - 2, 2) == QLatin1String(">S"));
    QVERIFY(parts.first().start >= 1000 && parts.first().start < 4000);
    QVERIFY(parts.at(1).start - parts.first().start >= 4000);
    // The heading opens again without its anchor.
    QCOMPARE(parts.first().context, QStringLiteral("<html><body><div class=\"d\"><h2>"));
}

void tst_PageParts::contextCarriesSheetsNotAnchors()
{
    // A later part sees the page's style sheets, and opens its divisions
    // again without naming their anchors a second time.
    QString html = paragraphs(400);
    html.replace(QLatin1String("<title>t</title>"),
                 QLatin1String("<title>t</title><link rel=\"stylesheet\" href=\"s.css\" />"
                               "<style>p { color: red; }</style>"));
    html.replace(QLatin1String("<div class=\"d\">"), QLatin1String("<div id=\"top\" class=\"d\">"));
    const QList<PagePart> parts = tarn::pageParts(html, 2000);
    QVERIFY(!parts.isEmpty());
    QCOMPARE(parts.first().context,
             QStringLiteral("<link rel=\"stylesheet\" href=\"s.css\" /><style>p { color: red; }"
                            "</style><html><body><div class=\"d\"><p>"));
}

void tst_PageParts::anchorNamesLeaveATag_data()
{
    QTest::addColumn<QString>("tag");
    QTest::addColumn<QString>("kept");
    QTest::newRow("quoted") << "<div id=\"a\" class=\"d\">"
                            << "<div class=\"d\">";
    QTest::newRow("single quotes, any case") << "<H2 NAME='x y' Id = z>"
                                             << "<H2>";
    QTest::newRow("unquoted up to the end") << "<p id=x>"
                                            << "<p>";
    QTest::newRow("quote never closed") << "<p id=\"x y>"
                                        << "<p y>";
    QTest::newRow("no value") << "<p id= >"
                              << "<p id= >";
    QTest::newRow("empty quotes") << "<a name=\"\"href=\"h\">"
                                  << "<ahref=\"h\">";
    QTest::newRow("only a name's end") << "<p valid=1 ids=2 xid=3>"
                                       << "<p valid=1 ids=2 xid=3>";
    QTest::newRow("two spaces, tab") << "<p  id=1\tname=2>"
                                     << "<p >";
    QTest::newRow("at the very end") << "<p id"
                                     << "<p id";
}

// The attributes that would make a second anchor go, as the regular
// expression this replaced removed them; cases made up of the characters
// that matter are checked against it too.
void tst_PageParts::anchorNamesLeaveATag()
{
    QFETCH(QString, tag);
    QFETCH(QString, kept);
    QCOMPARE(tarn::withoutAnchorNames(tag), kept);

    static const QRegularExpression names(
        QStringLiteral("\\s(?:id|name)\\s*=\\s*(?:\"[^\"]*\"|'[^']*'|[^\\s>]+)"),
        QRegularExpression::CaseInsensitiveOption);
    const QString alphabet = QStringLiteral(" \t=\"'>iInNdaAmMe");
    quint32 seed = quint32(qHash(tag));
    for (int n = 0; n < 400; ++n) {
        QString made = tag;
        for (int k = 0; k < 12; ++k) {
            seed = seed * 1103515245u + 12345u;
            made += alphabet.at(int((seed >> 16) % quint32(alphabet.size())));
        }
        QCOMPARE(tarn::withoutAnchorNames(made), QString(made).remove(names));
    }
}

void tst_PageParts::partsParseToTheWholePage()
{
    if (m_pages.isEmpty())
        QSKIP("the embedded set has no page long enough to come in parts");
    Shell shell;
    PageBrowser *view = shell.pageView();
    for (const QString &page : std::as_const(m_pages)) {
        shell.load(page);
        QVERIFY2(!view->isPageComplete(), qPrintable(page));
        view->finishPage();
        QVERIFY(view->isPageComplete());

        const WholePage whole(view, findEmbeddedPageText(page));
        QVERIFY2(normalized(*view->document()) == normalized(whole), qPrintable(page));
    }
}

void tst_PageParts::partsFollowBetweenEvents()
{
    if (m_pages.isEmpty())
        QSKIP("the embedded set has no page long enough to come in parts");
    const QString page = m_pages.first();
    const QString text = findEmbeddedPageText(page);
    Shell shell;
    shell.resize(900, 700);
    shell.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shell));
    PageBrowser *view = shell.pageView();

    // The first part shows at once; the others follow without being asked.
    shell.load(page);
    QVERIFY(!view->isPageComplete());
    const int first = view->document()->characterCount();
    QTRY_VERIFY(view->isPageComplete());
    QVERIFY(view->document()->characterCount() > first);

    // An anchor near the end is reached at once, parsed down to it.
    static const QRegularExpression ids(QStringLiteral("id=\"([^\"]+)\""));
    QString anchor;
    for (auto it = ids.globalMatch(text); it.hasNext();)
        anchor = it.next().captured(1);
    QVERIFY(!anchor.isEmpty());
    shell.load(QStringLiteral("index.html"));
    shell.load(page + QLatin1Char('#') + anchor);
    QVERIFY(view->verticalScrollBar()->value() > 0);
    QCOMPARE(view->source().fragment(), anchor);

    // Left before its end, a page is kept as far as it got, and goes on from
    // there when it comes back. (The page above was parsed whole for its
    // anchor.)
    if (m_pages.size() < 2)
        return;
    const QString other = m_pages.at(1);
    shell.load(other);
    QVERIFY(!view->isPageComplete());
    const int parsed = view->document()->characterCount();
    const QTextDocument *document = view->document();
    shell.load(QStringLiteral("index.html"));
    view->backward();
    QCOMPARE(view->page(), other);
    QCOMPARE(view->document(), document);
    QCOMPARE(view->document()->characterCount(), parsed);
    QTRY_VERIFY(view->isPageComplete());
    QCOMPARE(view->document()->toPlainText(),
             WholePage(view, findEmbeddedPageText(other)).toPlainText());
}

// Counts the paints a widget gets.
class PaintCounter : public QObject
{
public:
    explicit PaintCounter(QWidget *widget) { widget->installEventFilter(this); }
    int paints = 0;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        paints += event->type() == QEvent::Paint;
        return false;
    }
};

// Calls back at a widget's first paint.
class FirstPaint : public QObject
{
public:
    FirstPaint(QWidget *widget, std::function<void()> painted)
        : m_painted(std::move(painted))
    {
        widget->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint && m_painted) {
            watched->removeEventFilter(this);
            std::exchange(m_painted, nullptr)();
        }
        return false;
    }

private:
    std::function<void()> m_painted;
};

void tst_PageParts::scrollBarsHoldStillWhilePartsComeIn()
{
    if (m_pages.isEmpty())
        QSKIP("the embedded set has no page long enough to come in parts");
    Shell shell;
    // Wide enough for every image of the page: the bar below has no reason
    // to come at the end either.
    shell.resize(1800, 800);
    shell.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shell));
    PageBrowser *view = shell.pageView();
    QScrollBar *bar = view->verticalScrollBar();

    // The longest page: its bar has its smallest thumb, at the top, from
    // the first screen to the whole page; it is drawn for that first screen
    // and not again, and no bar below comes and goes meanwhile. The parts
    // go below the first screen, which is not drawn again either.
    shell.load(m_pages.first());
    QVERIFY(!view->isPageComplete());
    QVERIFY(QTest::qWaitFor([view] { return view->document()->characterCount() > 0; }));
    QCoreApplication::processEvents();
    PaintCounter counter(bar);
    PaintCounter page(view->viewport());
    bool sidewaysBarShown = false;
    while (!view->isPageComplete()) {
        sidewaysBarShown = sidewaysBarShown || view->horizontalScrollBar()->isVisible();
        QTest::qWait(5);
    }
    QCoreApplication::processEvents();
    QTest::qWait(50);
    QCOMPARE(counter.paints, 0);
    QCOMPARE(page.paints, 0);
    QVERIFY(!sidewaysBarShown);
    // What the parts added is drawn when scrolled to.
    bar->setValue(bar->maximum() / 2);
    QTRY_VERIFY(page.paints > 0);

    // Whole, the bar is the page's own: it scrolls the page to its end.
    bar->setValue(bar->maximum());
    QVERIFY(qAbs(bar->value() - (view->document()->size().height() - view->viewport()->height()))
            <= 1);

    // A page wider than the view gets its bar below once whole.
    shell.resize(300, 700);
    QTRY_VERIFY(view->horizontalScrollBar()->isVisible());
}

QTEST_MAIN(tst_PageParts)
#include "tst_pageparts.moc"

void tst_PageParts::longTableWaitsForTheNextPart()
{
    // A table of 800 rows, with nowhere to cut inside it, after a screen's
    // worth of text: the first part stops before it rather than after.
    QString html = QStringLiteral("<html><body><div><h1>Title</h1>");
    for (int i = 0; i < 100; ++i)
        html += QStringLiteral("<p>Paragraph %1 of some length, long enough to count.</p>").arg(i);
    html += QStringLiteral("<h2 id=\"functions\">Functions</h2><table>");
    const qsizetype tableStart = html.size();
    for (int i = 0; i < 800; ++i)
        html +=
            QStringLiteral("<tr><td>int</td><td>function%1(int a, int b) const</td></tr>").arg(i);
    html += QStringLiteral("</table>");
    const qsizetype tableEnd = html.size();
    for (int i = 0; i < 600; ++i)
        html += QStringLiteral("<p>Detail %1 of some length, long enough to count.</p>").arg(i);
    html += QStringLiteral("</div></body></html>");
    QVERIFY(tableEnd - tableStart > PageBrowser::longFirstPart);

    const QList<PagePart> usual =
        tarn::pageParts(html, PageBrowser::partLength, PageBrowser::firstPartLength);
    QVERIFY(!usual.isEmpty());
    QVERIFY(usual.first().start > tableEnd);
    const QList<PagePart> parts = PageBrowser::partsOf(html);
    QVERIFY(!parts.isEmpty());
    QVERIFY(parts.first().start >= PageBrowser::minFirstPartLength);
    QVERIFY(parts.first().start < tableStart);

    // A page with a cut soon enough keeps it.
    const QString shorter = paragraphs(2000);
    const QList<PagePart> kept = PageBrowser::partsOf(shorter);
    QVERIFY(!kept.isEmpty());
    QCOMPARE(kept.first().start,
             tarn::pageParts(shorter, PageBrowser::partLength, PageBrowser::firstPartLength)
                 .first()
                 .start);
}

void tst_PageParts::anchorAtAPartsEndComesToTheTop()
{
    if (m_pages.isEmpty())
        QSKIP("the embedded set has no page long enough to come in parts");
    // The last anchor of a page's first part: the heading the part ends in.
    static const QRegularExpression ids(QStringLiteral("id=\"([^\"]+)\""));
    QString page;
    QString anchor;
    for (const QString &candidate : std::as_const(m_pages)) {
        const QString text = findEmbeddedPageText(candidate);
        const qsizetype cut = PageBrowser::partsOf(text).first().start;
        for (auto it = ids.globalMatch(QStringView(text).left(cut)); it.hasNext();)
            anchor = it.next().captured(1);
        if (!anchor.isEmpty()) {
            page = candidate;
            break;
        }
    }
    if (page.isEmpty())
        QSKIP("no long page has an anchor in its first part");
    Shell shell;
    shell.resize(900, 700);
    shell.show();
    QVERIFY(QTest::qWaitForWindowExposed(&shell));
    PageBrowser *view = shell.pageView();

    shell.load(page + QLatin1Char('#') + anchor);
    const int atLoad = view->verticalScrollBar()->value();
    QVERIFY(atLoad > 0);
    // Where the same anchor lies in the whole page.
    QTRY_VERIFY(view->isPageComplete());
    view->scrollToAnchor(anchor);
    QCOMPARE(atLoad, view->verticalScrollBar()->value());
}

void tst_PageParts::partsBeginAtTheFirstPaint()
{
    if (m_pages.isEmpty())
        QSKIP("the embedded set has no page long enough to come in parts");
    // A page given before the window is exposed, as at a start on a class
    // page: its parts' timer runs before the first paint comes.
    Shell shell;
    shell.resize(900, 700);
    PageBrowser *view = shell.pageView();
    shell.load(m_pages.first());
    QVERIFY(!view->isPageComplete());
    int painted = -1;
    FirstPaint first(view->viewport(), [&] { painted = view->document()->characterCount(); });
    shell.show();
    QTRY_VERIFY(painted >= 0);
    // The next part follows at once, not after the wait for a paint that
    // never comes: a few turns of the loop, no time to wait out.
    for (int turn = 0; turn < 5 && view->document()->characterCount() == painted; ++turn)
        QCoreApplication::processEvents();
    QVERIFY(view->isPageComplete() || view->document()->characterCount() > painted);
}

void tst_PageParts::unwrappedContent_data()
{
    QTest::addColumn<QString>("html");
    QTest::addColumn<QString>("unwrapped");

    const QString head = QStringLiteral("<html><head><link rel=\"stylesheet\" href=\"s.css\">"
                                        "</head><body class=\"b\">");
    const QString end = QStringLiteral("</body></html>");
    QTest::newRow("text only keeps the head")
        << head + "<h1>T</h1><p>Words that wrap.</p>" + end << head + end;
    // Measured as shown: markup and references take no room.
    QTest::newRow("the longest line of each kind of block") << head
            + "<pre class=\"cpp\">int a;\n<span class=\"type\">QString</span> s;</pre><p>x</p>"
              "<pre class=\"cpp\">a &lt;&lt; b &amp;&amp; c;\nd;</pre>"
              "<pre class=\"qml\">Item {\n}</pre>"
            + end
                                                            << head
            + "<pre class=\"cpp\">a &lt;&lt; b &amp;&amp; c;</pre><pre class=\"qml\">Item {</pre>"
            + end;
    QTest::newRow("images stand alone, not those in code") << head
            + "<p>See <img src=\"a.png\" alt=\"a\"> and <IMG src=\"b.png\">.</p>"
              "<pre><img src=\"c.png\">x</pre><imgx>"
            + end
                                                           << head
            + "<pre><img src=\"c.png\">x</pre><p><img src=\"a.png\" alt=\"a\"></p>"
              "<p><IMG src=\"b.png\"></p>"
            + end;
    QTest::newRow("no body, a block never closed")
        << QStringLiteral("<pre>one\ntwo three") << QStringLiteral("<pre>two three</pre>") + end;
}

void tst_PageParts::unwrappedContent()
{
    QFETCH(QString, html);
    QTEST(tarn::unwrappedContent(html), "unwrapped");
}

void tst_PageParts::wideLongPageHasItsBarsFromTheFirstScreen_data()
{
    QTest::addColumn<bool>("firstPage");
    QTest::newRow("opened") << false;
    QTest::newRow("first page") << true;
}

void tst_PageParts::wideLongPageHasItsBarsFromTheFirstScreen()
{
    // A long page wider than the view: the class page of QWidget, with its
    // screenshots and code. Its bar below is there at the first screen, with
    // the thumb it keeps once the page is whole, and neither bar is drawn
    // again while the parts come in.
    QFETCH(bool, firstPage);
    const QString page = QStringLiteral("qwidget.html");
    if (!m_pages.contains(page))
        QSKIP("qwidget.html does not come in parts in this set");
    // Opened in the window shown, or as the window's first page, laid out
    // before the window shows.
    Shell shell(nullptr, "doc::Pagewright", Shell::Start::Fresh, firstPage ? page : QString());
    shell.resize(900, 700);
    PageBrowser *view = shell.pageView();
    QScrollBar *below = view->horizontalScrollBar();
    QScrollBar *side = view->verticalScrollBar();
    if (firstPage) {
        PaintCounter firstPaints(below);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QTRY_VERIFY(firstPaints.paints > 0);
    } else {
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        shell.load(page);
    }
    QVERIFY(!view->isPageComplete());
    QVERIFY(below->isVisible());
    const int firstRoom = side->maximum();
    QCoreApplication::processEvents();
    PaintCounter belowPaints(below);
    PaintCounter sidePaints(side);
    PaintCounter pagePaints(view->viewport());
    bool roomGrew = false;
    while (!view->isPageComplete()) {
        // The reader can scroll into the parts as they come.
        roomGrew = roomGrew || side->maximum() > firstRoom;
        QTest::qWait(5);
    }
    QTest::qWait(50);
    QCOMPARE(belowPaints.paints, 0);
    QCOMPARE(sidePaints.paints, 0);
    QCOMPARE(pagePaints.paints, 0);
    QVERIFY(roomGrew);
    // Whole, the ranges are the page's own.
    QVERIFY(below->isVisible());
    QCOMPARE(below->maximum(),
             qRound(view->document()->size().width()) - view->viewport()->width());
    side->setValue(side->maximum());
    QVERIFY(qAbs(side->value() - (view->document()->size().height() - view->viewport()->height()))
            <= 1);
}
