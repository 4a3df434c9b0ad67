// Velmora: tests of page loading, history, scroll memory and external links.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "mimesourcefactory.h"
#include "pagebrowser.h"
#include "pagetext.h"

#include <QApplication>
#include <QFile>
#include <QLabel>
#include <QMessageBox>
#include <QScrollBar>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QTimer>
#include <QTreeWidget>

using tarn::Shell;

namespace {

const QString longPage = QStringLiteral("qwidget.html");
const QString farAnchor = QStringLiteral("dtor.QWidget");

QString shownPage(const Shell &shell)
{
    return shell.form()->browser->source().toString().section(QLatin1Char('#'), 0, 0);
}

QScrollBar *vbar(const Shell &shell)
{
    return shell.form()->browser->verticalScrollBar();
}

} // namespace

class tst_Pages : public QObject
{
    Q_OBJECT

    QByteArray savedBrowser;
    QByteArray savedLibraryPath;

private Q_SLOTS:
    void initTestCase()
    {
        savedBrowser = qgetenv("BROWSER");
        savedLibraryPath = qgetenv("LD_LIBRARY_PATH");
    }

    void init() { QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora")).clear(); }

    void cleanup()
    {
        qputenv("BROWSER", savedBrowser);
        qputenv("LD_LIBRARY_PATH", savedLibraryPath);
        qunsetenv("LD_LIBRARY_PATH_64");
        qunsetenv("VELMORA_PROBE");
    }

    // Same page with an anchor: only the name changes, and the page scrolls
    // only when an entry of the lists asked for it; nothing is reloaded.
    void anchorOnShownPage_data()
    {
        QTest::addColumn<bool>("pending");
        QTest::newRow("link") << false;
        QTest::newRow("list entry") << true;
    }
    void anchorOnShownPage()
    {
        QFETCH(bool, pending);
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        shell.load(longPage);
        QCOMPARE(vbar(shell)->value(), 0);
        // Parsed to its end, the page's text changes no more unless it is
        // loaded again.
        shell.pageView()->finishPage();
        const QTextDocument *document = shell.pageView()->document();
        const int revision = document->revision();
        const QString name = longPage + QLatin1Char('#') + farAnchor;

        // A list entry asks for its anchor; a link only names it.
        if (pending) {
            QTreeWidgetItem entry({QStringLiteral("member"), name});
            shell.itemClicked(&entry);
        } else {
            shell.load(name);
        }
        QCOMPARE(shell.currentSource(), name);
        QCOMPARE(shell.currentPage(), longPage);
        QVERIFY(!shell.isAnchorPending());
        QCOMPARE(shell.pageView()->document(), document);
        QCOMPARE(document->revision(), revision);
        QCOMPARE(shell.form()->browser->source().toString(), longPage);
        QCOMPARE(vbar(shell)->value() > 0, pending);
    }

    void otherPage_showsAndScrolls()
    {
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        const QString name = longPage + QLatin1Char('#') + farAnchor;
        QTreeWidgetItem entry({QStringLiteral("member"), name});
        shell.itemClicked(&entry);
        QCOMPARE(shell.form()->browser->source().toString(), name);
        QCOMPARE(shell.currentSource(), name);
        QCOMPARE(shell.currentPage(), longPage);
        // Only a same-page load consumes the request.
        QVERIFY(shell.isAnchorPending());
        const int atAnchor = vbar(shell)->value();
        QVERIFY(atAnchor > 0);
        QCOMPARE(shell.form()->captionLabel->text(), shell.form()->browser->documentTitle());
        QVERIFY(shell.form()->captionLabel->text().startsWith(QLatin1String("QWidget")));

        // A second anchor is shown as given and ignored for scrolling.
        shell.load(QStringLiteral("index.html"));
        shell.load(name + QLatin1String("#other"));
        QCOMPARE(shell.currentPage(), longPage);
        QCOMPARE(shell.currentSource(), name + QLatin1String("#other"));
        QCOMPARE(vbar(shell)->value(), atAnchor);

        // The page shown, asked for again without an anchor, shows from its top.
        shell.load(longPage);
        QCOMPARE(shell.currentSource(), longPage);
        QCOMPARE(vbar(shell)->value(), 0);
        QVERIFY(shell.form()->browser->toPlainText().contains(QLatin1String("QWidget")));
    }

    void unknownPage_showsEmptyPage_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("missing page") << QStringLiteral("nosuchpage.html");
        QTest::newRow("missing page with anchor") << QStringLiteral("nosuchpage.html#top");
        QTest::newRow("other scheme") << QStringLiteral("news:comp.lang");
    }
    void unknownPage_showsEmptyPage()
    {
        QFETCH(QString, name);
        qputenv("BROWSER", "/nonexistent/never-started");
        Shell shell;
        shell.load(longPage);
        shell.load(name);
        QCOMPARE(shell.currentSource(), name);
        QCOMPARE(shell.currentPage(), name.section(QLatin1Char('#'), 0, 0));
        QVERIFY(shell.form()->browser->toPlainText().trimmed().isEmpty());
        QVERIFY(shell.form()->captionLabel->text().isEmpty());
        QVERIFY(!QApplication::activeModalWidget());
    }

    // Web links go to the program named by $BROWSER with the link as its one
    // argument, without our private library folder in its environment.
    void webLink_startsSystemBrowser_data()
    {
        QTest::addColumn<QString>("link");
        QTest::newRow("http") << QStringLiteral("http://example.com/a?b=1&c=2#frag");
        QTest::newRow("https") << QStringLiteral("https://www.qt.io/");
        QTest::newRow("ftp") << QStringLiteral("ftp://ftp.example.org/pub/x.tar.gz");
        QTest::newRow("mailto") << QStringLiteral("mailto:someone@example.com");
    }
    void webLink_startsSystemBrowser()
    {
        QFETCH(QString, link);
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString script = dir.filePath(QStringLiteral("browser.sh"));
        const QString calls = dir.filePath(QStringLiteral("calls.txt"));
        {
            QFile file(script);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\n"
                       "out=\"$(dirname \"$0\")/calls.txt\"\n"
                       "{ echo \"argc=$#\"; for a in \"$@\"; do echo \"arg=$a\"; done\n"
                       "  echo \"LD=${LD_LIBRARY_PATH-unset}\"\n"
                       "  echo \"LD64=${LD_LIBRARY_PATH_64-unset}\"\n"
                       "  echo \"PROBE=${VELMORA_PROBE-unset}\"; } > \"$out.part\"\n"
                       "mv \"$out.part\" \"$out\"\n");
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("BROWSER", QFile::encodeName(script));
        qputenv("LD_LIBRARY_PATH", "/usr/local/tessaravox/lib:/usr/lib");
        qputenv("LD_LIBRARY_PATH_64", "/usr/local/tessaravox/lib");
        qputenv("VELMORA_PROBE", "/usr/local/tessaravox/lib:/x");

        Shell shell;
        shell.load(longPage);
        shell.form()->browser->finishPage();
        const int revision = shell.form()->browser->document()->revision();
        shell.load(link);
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(calls), 10000);
        QFile file(calls);
        QVERIFY(file.open(QIODevice::ReadOnly));
        const QStringList lines =
            QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
        QCOMPARE(lines,
                 (QStringList{QStringLiteral("argc=1"), QLatin1String("arg=") + link,
                              QStringLiteral("LD=:/usr/lib"), QStringLiteral("LD64="),
                              QStringLiteral("PROBE=/usr/local/tessaravox/lib:/x")}));
        QCOMPARE(shell.currentSource(), longPage);
        QCOMPARE(shell.currentPage(), longPage);
        QCOMPARE(shownPage(shell), longPage);
        QCOMPARE(shell.form()->browser->document()->revision(), revision);
        QVERIFY(!QApplication::activeModalWidget());
    }

    // A web link clicked in the page goes to the system browser, and the
    // reader stays where they were: same page, same position, no history.
    void clickedWebLink_keepsThePlace()
    {
        QTemporaryDir dir;
        const QString calls = dir.filePath(QStringLiteral("calls.txt"));
        const QString script = dir.filePath(QStringLiteral("browser.sh"));
        {
            QFile file(script);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("#!/bin/sh\necho \"$1\" > \"$(dirname \"$0\")/calls.txt\"\n");
            file.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        }
        qputenv("BROWSER", QFile::encodeName(script));
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        PageBrowser *view = shell.pageView();
        shell.load(longPage);
        view->finishPage();

        // The page's first web link, scrolled into the middle of the view.
        QTextCursor link;
        QString href;
        for (QTextBlock block = view->document()->begin(); block.isValid() && href.isEmpty();
             block = block.next()) {
            for (auto it = block.begin(); !it.atEnd(); ++it) {
                const QTextFragment fragment = it.fragment();
                if (fragment.charFormat().anchorHref().startsWith(QLatin1String("http"))) {
                    href = fragment.charFormat().anchorHref();
                    link = QTextCursor(view->document());
                    link.setPosition(fragment.position() + 1);
                    break;
                }
            }
        }
        QVERIFY2(!href.isEmpty(), "the page has no web link");
        view->setTextCursor(link);
        view->ensureCursorVisible();
        view->setTextCursor(QTextCursor(view->document()));
        const int scroll = vbar(shell)->value();
        const int backCount = shell.backCount();
        const QPoint at = view->cursorRect(link).center();
        QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, at);

        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(calls), 10000);
        QFile file(calls);
        QVERIFY(file.open(QIODevice::ReadOnly));
        QCOMPARE(QString::fromUtf8(file.readAll()).trimmed(), href);
        QCOMPARE(vbar(shell)->value(), scroll);
        QCOMPARE(shell.backCount(), backCount);
        QCOMPARE(shell.currentSource(), longPage);
        QCOMPARE(shownPage(shell), longPage);
    }

    void browserThatCannotStart_warns()
    {
        qputenv("BROWSER", "/nonexistent");
        Shell shell;
        shell.load(longPage);
        QString text;
        QString caption;
        bool parentless = false;
        QTimer poll;
        poll.setInterval(10);
        connect(&poll, &QTimer::timeout, this, [&] {
            auto *box = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            if (!box)
                return;
            poll.stop();
            text = box->text();
            caption = box->windowTitle();
            parentless = !box->parentWidget();
            box->close();
        });
        poll.start();
        shell.load(QStringLiteral("http://example.com/"));
        QCOMPARE(text, QStringLiteral("Failed to execute a browser."));
        QCOMPARE(caption, QStringLiteral("Velmora"));
        QVERIFY(parentless);
        QCOMPARE(shell.currentPage(), longPage);
        QCOMPARE(shownPage(shell), longPage);
    }

    void decoding_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("expected");
        const QString cafe = QStringLiteral("Caf") + QChar(0xe9);
        QTest::newRow("undeclared") << QByteArray("<html><body>Caf\xe9</body></html>") << cafe;
        QTest::newRow("undeclared utf-8 bytes")
            << QByteArray("<html><body>Caf\xc3\xa9</body></html>")
            << QStringLiteral("Caf") + QChar(0xc3) + QChar(0xa9);
        QTest::newRow("meta charset utf-8")
            << QByteArray("<html><head><meta charset=\"utf-8\"></head><body>Caf\xc3\xa9</body>")
            << cafe;
        QTest::newRow("http-equiv latin-1")
            << QByteArray("<html><head><meta http-equiv=\"Content-Type\" "
                          "content=\"text/html; charset=ISO-8859-1\"></head><body>Caf\xe9")
            << cafe;
        QTest::newRow("utf-8 byte order mark")
            << QByteArray("\xef\xbb\xbf<html><body>Caf\xc3\xa9</body></html>") << cafe;
        QTest::newRow("unknown charset")
            << QByteArray("<html><head><meta charset=\"x-no-such-set\"></head>Caf\xe9") << cafe;
    }
    void decoding()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QString, expected);
        const QString text = tarn::decodePageText(bytes);
        QVERIFY2(text.contains(expected), qPrintable(text));
        QVERIFY(!text.contains(QChar(QChar::ReplacementCharacter)));
    }

    // A real page in UTF-8 keeps its letters beyond ASCII.
    void utf8Page_keepsLetters()
    {
        Shell shell;
        shell.load(QStringLiteral("qjalalicalendar.html"));
        const QString text = shell.form()->browser->toPlainText();
        QVERIFY(text.contains(QStringLiteral("52.5") + QChar(0xb0) + QLatin1Char('E')));
        QVERIFY(!text.contains(QChar(0xc2)));
    }

    // Leaving a page by a link remembers its scroll position; Back and
    // Forward bring back the remembered one rather than the history's own.
    void scrollMemory()
    {
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        const QString x = longPage;
        const QString y = QStringLiteral("qobject.html");
        const QString z = QStringLiteral("qstring.html");

        // Scrolled as a reader scrolls: after the page's later parts came.
        shell.load(x);
        shell.pageView()->finishPage();
        QVERIFY(vbar(shell)->maximum() > 2000);
        vbar(shell)->setValue(1234);
        shell.linkLoad(y);
        QCOMPARE(shell.currentPage(), y);
        vbar(shell)->setValue(700);
        shell.linkLoad(z);

        shell.backward();
        QCOMPARE(shell.currentPage(), y);
        QCOMPARE(vbar(shell)->value(), 700);
        vbar(shell)->setValue(100);
        shell.backward();
        QCOMPARE(shell.currentPage(), x);
        QCOMPARE(vbar(shell)->value(), 1234);
        vbar(shell)->setValue(50);
        shell.forward();
        QCOMPARE(shell.currentPage(), y);
        QCOMPARE(vbar(shell)->value(), 700);
        shell.backward();
        QCOMPARE(vbar(shell)->value(), 1234);

        // Back at the start of the history stays on the first page.
        shell.backward();
        shell.backward();
        QCOMPARE(shell.currentPage(), QStringLiteral("index.html"));

        // Leaving by a list entry stores nothing: Back brings the position
        // remembered when the page was last left by a link, not the newer one.
        shell.load(x);
        shell.pageView()->finishPage();
        vbar(shell)->setValue(900);
        QTreeWidgetItem *entry = shell.form()->classesView->topLevelItem(0);
        shell.itemClicked(entry);
        QVERIFY(shell.currentPage() != x);
        shell.backward();
        QCOMPARE(shell.currentPage(), x);
        QCOMPARE(vbar(shell)->value(), 1234);
    }

    void caption_followsTitle()
    {
        Shell shell;
        shell.load(QStringLiteral("qbitmap.html"));
        QCOMPARE(shell.form()->captionLabel->text(), shell.form()->browser->documentTitle());
        QVERIFY(
            shell.form()->captionLabel->text().startsWith(QLatin1String("QBitmap Class | Qt GUI")));
        MimeSourceFactory::defaultFactory()->setText(QStringLiteral("untitled.html"),
                                                     QStringLiteral("<p>no title here</p>"));
        shell.form()->browser->setSource(QUrl(QStringLiteral("untitled.html")));
        QVERIFY(shell.form()->captionLabel->text().isEmpty());
        QCOMPARE(shell.currentPage(), QStringLiteral("untitled.html"));
        // Back goes through sourceChanged too.
        shell.backward();
        QVERIFY(
            shell.form()->captionLabel->text().startsWith(QLatin1String("QBitmap Class | Qt GUI")));
        QCOMPARE(shell.currentSource(), QStringLiteral("qbitmap.html"));
    }
};

QTEST_MAIN(tst_Pages)
#include "tst_pages.moc"
