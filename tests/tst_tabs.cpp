// Velmora: tabs through the window, with real keys and clicks, and the
// session that brings them back.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "modaldriver.h"
#include "pagebrowser.h"
#include "searchdialog.h"
#include "session.h"

#include <QAction>
#include <QApplication>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPrinter>
#include <QProcess>
#include <QPushButton>
#include <QScrollBar>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTreeWidget>

#include <memory>

using tarn::Shell;

namespace {

QSettings store()
{
    return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
}

QTabWidget *tabsOf(Shell &shell)
{
    return shell.form()->pageTabs;
}

QStringList pagesOf(Shell &shell)
{
    QStringList pages;
    for (int i = 0; i < shell.tabCount(); ++i)
        pages.append(shell.pageViewAt(i)->source().toString());
    return pages;
}

// A link to another page of the set, scrolled into view: where to click it
// and what it names.
QPoint pageLink(PageBrowser *view, QString *href)
{
    for (QTextBlock block = view->document()->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            const QString target = fragment.charFormat().anchorHref();
            if (!fragment.charFormat().isAnchor() || !target.contains(QLatin1String(".html"))
                || target.startsWith(QLatin1String("http")) || fragment.length() < 3)
                continue;
            QTextCursor cursor(view->document());
            cursor.setPosition(fragment.position() + 1);
            view->setTextCursor(cursor);
            view->ensureCursorVisible();
            *href = target;
            return view->cursorRect(cursor).center();
        }
    }
    return {};
}

void press(QWidget *target, int key, Qt::KeyboardModifiers modifiers = Qt::ControlModifier)
{
    QTest::keyClick(target, Qt::Key(key), modifiers);
}

} // namespace

class tst_Tabs : public QObject
{
    Q_OBJECT

    ModalDriver m_modal;

private Q_SLOTS:
    void init()
    {
        store().clear();
        m_modal.startBackstop();
    }
    void cleanup() { QVERIFY2(!m_modal.stopBackstop(), "a modal window was left waiting"); }

    // The bar shows from two tabs on; the keys open, move between and close
    // tabs, the last never closes, and the bar's own gestures work.
    void keysAndMouse_openMoveAndCloseTabs()
    {
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QTabBar *bar = tabsOf(shell)->tabBar();
        QCOMPARE(shell.tabCount(), 1);
        QVERIFY(!bar->isVisible());

        shell.load(QStringLiteral("qobject.html"));
        press(&shell, Qt::Key_T);
        QCOMPARE(shell.tabCount(), 2);
        QCOMPARE(shell.currentTab(), 1);
        QVERIFY(bar->isVisible());
        QCOMPARE(shell.currentPage(), QStringLiteral("index.html"));
        QCOMPARE(shell.form()->browser, shell.pageViewAt(1));
        shell.load(QStringLiteral("qstring.html"));
        press(&shell, Qt::Key_T);
        QCOMPARE(pagesOf(shell), QStringList({"qobject.html", "qstring.html", "index.html"}));
        // Titles are the start of the page's title; the tool tip has all of it.
        QCOMPARE(bar->tabText(0), QStringLiteral("QObject Class"));
        QVERIFY(bar->tabToolTip(0).startsWith(QLatin1String("QObject Class | Qt Core")));

        press(&shell, Qt::Key_Tab);
        QCOMPARE(shell.currentTab(), 0);
        QCOMPARE(shell.currentPage(), QStringLiteral("qobject.html"));
        QCOMPARE(shell.form()->captionLabel->text(), shell.pageView()->documentTitle());
        press(&shell, Qt::Key_Backtab, Qt::ControlModifier | Qt::ShiftModifier);
        QCOMPARE(shell.currentTab(), 2);
        press(&shell, Qt::Key_PageUp);
        QCOMPARE(shell.currentTab(), 1);
        press(&shell, Qt::Key_PageDown);
        QCOMPARE(shell.currentTab(), 2);

        // Dragged into a new order, the views go with their tabs.
        bar->moveTab(0, 2);
        QCOMPARE(pagesOf(shell), QStringList({"qstring.html", "index.html", "qobject.html"}));

        QCOMPARE(shell.currentPage(), QStringLiteral("index.html"));
        press(&shell, Qt::Key_W);
        QCOMPARE(pagesOf(shell), QStringList({"qstring.html", "qobject.html"}));
        QCOMPARE(shell.form()->browser, shell.pageViewAt(shell.currentTab()));

        const QPoint onFirst = bar->tabRect(0).center();
        QTest::mouseClick(bar, Qt::MiddleButton, {}, onFirst);
        QCOMPARE(pagesOf(shell), QStringList({"qobject.html"}));
        QTRY_VERIFY(!bar->isVisible());

        press(&shell, Qt::Key_W);
        QCOMPARE(shell.tabCount(), 1);
        QCOMPARE(shell.currentPage(), QStringLiteral("index.html"));
    }

    // Middle click and Ctrl+click on a link open its page behind the
    // current tab, in the order opened, and leave the current page alone;
    // so do the link's context menu and a middle click on a list entry.
    void linksAndLists_openBehindTheCurrentTab()
    {
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        shell.load(QStringLiteral("qobject.html"));
        PageBrowser *view = shell.pageView();
        QString first;
        const QPoint at = pageLink(view, &first);
        QVERIFY(!first.isEmpty());
        const int scroll = view->verticalScrollBar()->value();

        QTest::mouseClick(view->viewport(), Qt::MiddleButton, {}, at);
        QTest::mouseClick(view->viewport(), Qt::LeftButton, Qt::ControlModifier, at);
        QCOMPARE(shell.tabCount(), 3);
        QCOMPARE(shell.currentTab(), 0);
        QCOMPARE(shell.currentPage(), QStringLiteral("qobject.html"));
        QCOMPARE(view->verticalScrollBar()->value(), scroll);
        const QString wanted = view->resolved(QUrl(first)).toString();
        QCOMPARE(shell.pageViewAt(1)->source().toString(), wanted);
        // Not laid out until shown, but titled already.
        QVERIFY(shell.pageViewAt(1)->isPageDeferred());
        QVERIFY(!tabsOf(shell)->tabText(1).isEmpty());

        std::unique_ptr<QMenu> menu(view->createContextMenu(at));
        QAction *open = menu->findChild<QAction *>(QStringLiteral("openInNewTab"));
        QVERIFY(open);
        QCOMPARE(open->text(), QStringLiteral("Open in New Tab"));
        open->trigger();
        QCOMPARE(shell.tabCount(), 4);
        // The third tab opened from this page comes after the other two.
        QCOMPARE(shell.pageViewAt(3)->source().toString(), wanted);

        // The Index: a middle click on an entry.
        shell.form()->leftTabs->setCurrentWidget(shell.form()->tab_2);
        shell.form()->indexLineEdit->setText(QStringLiteral("QTimer::singleShot"));
        QListView *index = shell.form()->indexView;
        const QModelIndex entry = index->model()->index(0, 0);
        QTest::mouseClick(index->viewport(), Qt::MiddleButton, {},
                          index->visualRect(entry).center());
        QCOMPARE(shell.tabCount(), 5);
        QCOMPARE(shell.currentPage(), QStringLiteral("qobject.html"));
        QVERIFY(shell.pageViewAt(4)->source().toString().startsWith(QLatin1String("qtimer.html#")));

        // Shown, the deferred page is laid out at its anchor.
        tabsOf(shell)->setCurrentIndex(4);
        QVERIFY(!shell.pageView()->isPageDeferred());
        QCOMPARE(shell.currentPage(), QStringLiteral("qtimer.html"));
        QVERIFY(shell.scrollValue() > 0);
        QVERIFY(shell.form()->captionLabel->text().startsWith(QLatin1String("QTimer Class")));
    }

    // Each tab has a history of its own; the buttons follow the current one.
    void history_eachTabItsOwn()
    {
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QAction *back = shell.findChild<QAction *>(QStringLiteral("Shell/Back"));
        QVERIFY(back);
        shell.linkLoad(QStringLiteral("qobject.html"));
        shell.linkLoad(QStringLiteral("qwidget.html"));
        // Far enough down that the page's later parts must be there.
        shell.pageView()->finishPage();
        shell.pageView()->verticalScrollBar()->setValue(900);
        press(&shell, Qt::Key_T);
        QVERIFY(!back->isEnabled());
        shell.linkLoad(QStringLiteral("qstring.html"));
        QVERIFY(back->isEnabled());
        press(&shell, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(shell.currentPage(), QStringLiteral("index.html"));
        QVERIFY(!back->isEnabled());

        tabsOf(shell)->setCurrentIndex(0);
        QCOMPARE(shell.currentPage(), QStringLiteral("qwidget.html"));
        QCOMPARE(shell.scrollValue(), 900);
        QVERIFY(back->isEnabled());
        QCOMPARE(shell.backCount(), 2);
        press(&shell, Qt::Key_Left, Qt::AltModifier);
        QCOMPARE(shell.currentPage(), QStringLiteral("qobject.html"));
        QCOMPARE(shell.pageViewAt(1)->source().toString(), QStringLiteral("index.html"));
        QCOMPARE(shell.pageViewAt(1)->forwardHistoryCount(), 1);
        // Home goes to the start page in the current tab only.
        press(&shell, Qt::Key_Home, Qt::AltModifier);
        QCOMPARE(shell.currentPage(), QStringLiteral("index.html"));
        QCOMPARE(shell.pageViewAt(1)->forwardHistoryCount(), 1);
    }

    // Find, print and bookmarks act on the current tab; the zoom and the
    // fonts on every tab.
    void actions_findPrintBookmarkOnTheCurrentTab_zoomOnAll()
    {
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        shell.load(QStringLiteral("qobject.html"));
        press(&shell, Qt::Key_T);
        shell.load(QStringLiteral("qbitmap.html"));
        PageBrowser *other = shell.pageViewAt(0);

        m_modal.whenModal([](QWidget *modal) {
            auto *dialog = qobject_cast<SearchDialog *>(modal);
            dialog->lineSearch->setText(QStringLiteral("QBitmap"));
            dialog->accept();
        });
        press(&shell, Qt::Key_F);
        QCOMPARE(shell.pageView()->textCursor().selectedText(), QStringLiteral("QBitmap"));
        QVERIFY(!other->textCursor().hasSelection());

        QTemporaryDir dir;
        QPrinter printer(QPrinter::HighResolution);
        printer.setOutputFormat(QPrinter::PdfFormat);
        printer.setOutputFileName(dir.filePath(QStringLiteral("page.pdf")));
        shell.printDocument(&printer);
        QProcess text;
        text.start(QStringLiteral("pdftotext"), {printer.outputFileName(), QStringLiteral("-")});
        QVERIFY(text.waitForFinished(30000));
        const QString printed = QString::fromUtf8(text.readAllStandardOutput());
        QVERIFY(printed.contains(QLatin1String("QBitmap Class")));
        QVERIFY(!printed.contains(QLatin1String("QObject Class")));

        shell.addBookmark();
        QTreeWidget *bookmarks = shell.form()->bookmarksView;
        QCOMPARE(bookmarks->topLevelItemCount(), 1);
        QCOMPARE(bookmarks->topLevelItem(0)->text(1), QStringLiteral("qbitmap.html"));

        QTRY_VERIFY(!QApplication::activeModalWidget());
        shell.activateWindow();
        QTRY_COMPARE(QApplication::activeWindow(), &shell);
        const int size = shell.pageView()->font().pointSize();
        press(&shell, Qt::Key_Plus);
        QCOMPARE(shell.pageView()->font().pointSize(), size + 1);
        QCOMPARE(other->font().pointSize(), size + 1);
        tabsOf(shell)->setCurrentIndex(0);
        QCOMPARE(other->document()->defaultFont().pointSize(), size + 1);
        shell.applyFixedFamily(QStringLiteral("DejaVu Sans Mono"));
        QVERIFY(shell.pageViewAt(1)->pageStyleSheet().contains(QLatin1String("DejaVu Sans Mono")));
    }

    // All tabs keep their laid-out pages under one budget; a tab whose page
    // the budget took lays it out again where the reader left it.
    void budget_sharedByAllTabs()
    {
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        shell.pageView()->setKeptDocumentBudget(3 * 1024 * 1024);
        const QStringList pages = {"qwidget.html",       "qobject.html",  "qstring.html",
                                   "qgraphicsitem.html", "qpainter.html", "qvariant.html"};
        for (const QString &page : pages) {
            press(&shell, Qt::Key_T);
            shell.load(page);
            shell.pageView()->finishPage();
            shell.pageView()->verticalScrollBar()->setValue(1500);
            QVERIFY(shell.pageView()->keptDocumentBytes() <= shell.pageView()->keptDocumentBudget()
                    || shell.pageView()->keptDocumentCount() == 1);
        }
        // The first class tab lost its page to the budget.
        PageBrowser *first = shell.pageViewAt(1);
        QVERIFY(first->isPageDeferred());
        QCOMPARE(first->title(), QStringLiteral("QWidget Class | Qt Widgets 6.4.2"));
        tabsOf(shell)->setCurrentIndex(1);
        QCOMPARE(shell.currentPage(), QStringLiteral("qwidget.html"));
        QCOMPARE(shell.scrollValue(), 1500);
        // A tab still kept comes back as it was, nothing parsed again.
        PageBrowser *last = shell.pageViewAt(shell.tabCount() - 1);
        const QTextDocument *kept = last->document();
        tabsOf(shell)->setCurrentIndex(shell.tabCount() - 1);
        QCOMPARE(last->document(), kept);
        QCOMPARE(shell.scrollValue(), 1500);
    }

    // The session: order, current tab, anchors and positions come back; only
    // the current tab is laid out. One tab leaves nothing in the store.
    void session_writtenAndRestored()
    {
        {
            Shell shell;
            shell.resize(900, 700);
            shell.show();
            QVERIFY(QTest::qWaitForWindowExposed(&shell));
            shell.load(QStringLiteral("qobject.html"));
            QVERIFY(!store().contains(QLatin1String(tarn::settingskeys::sessionPages)));
            shell.openInNewTab(QStringLiteral("qstring.html#arg"));
            shell.openInNewTab(QStringLiteral("qwidget.html"));
            // Tabs are in the store at once; their order, positions and the
            // current one within a second.
            const auto pages = [] {
                return store()
                    .value(QLatin1String(tarn::settingskeys::sessionPages))
                    .toStringList();
            };
            QCOMPARE(pages(), QStringList({"qobject.html", "qstring.html#arg", "qwidget.html"}));
            shell.pageView()->finishPage();
            shell.pageView()->verticalScrollBar()->setValue(2345);
            tabsOf(shell)->tabBar()->moveTab(0, 1);
            QTRY_COMPARE_WITH_TIMEOUT(
                pages(), QStringList({"qstring.html#arg", "qobject.html", "qwidget.html"}), 3000);
            const auto scrolls = [] {
                return store()
                    .value(QLatin1String(tarn::settingskeys::sessionScrolls))
                    .toStringList();
            };
            QTRY_COMPARE_WITH_TIMEOUT(scrolls().value(2), QStringLiteral("2345"), 3000);
        }
        Shell shell;
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QCOMPARE(pagesOf(shell), QStringList({"qstring.html#arg", "qobject.html", "qwidget.html"}));
        QCOMPARE(shell.currentTab(), 2);
        QCOMPARE(shell.currentSource(), QStringLiteral("qwidget.html"));
        QCOMPARE(shell.scrollValue(), 2345);
        QVERIFY(shell.pageViewAt(0)->isPageDeferred());
        QVERIFY(shell.pageViewAt(1)->isPageDeferred());
        QCOMPARE(tabsOf(shell)->tabText(0), QStringLiteral("QString Class"));
        tabsOf(shell)->setCurrentIndex(0);
        QCOMPARE(shell.currentSource(), QStringLiteral("qstring.html#arg"));
        QVERIFY(shell.scrollValue() > 0);

        // Back to one tab, the store holds no session.
        press(&shell, Qt::Key_W);
        press(&shell, Qt::Key_W);
        QCOMPARE(shell.tabCount(), 1);
        QVERIFY(!store().contains(QLatin1String(tarn::settingskeys::sessionPages)));
    }

    // A window that opens its pages on show parses none while it is built,
    // has them all once show() returns (before any event, so the first paint
    // shows them), and leaves the stored session alone when it goes unshown.
    // A page opened before the show comes after the session's tabs.
    void session_opensOnShow()
    {
        {
            Shell shell;
            shell.load(QStringLiteral("qobject.html"));
            shell.openInNewTab(QStringLiteral("qstring.html"));
        }
        const QStringList stored =
            store().value(QLatin1String(tarn::settingskeys::sessionPages)).toStringList();
        QCOMPARE(stored, QStringList({"qobject.html", "qstring.html"}));
        const auto waiting = [] {
            return std::make_unique<Shell>(nullptr, nullptr, Shell::Start::RestoringSession,
                                           QString(), Shell::Opening::OnShow);
        };
        waiting().reset();
        QCOMPARE(store().value(QLatin1String(tarn::settingskeys::sessionPages)).toStringList(),
                 stored);

        auto shell = waiting();
        QCOMPARE(shell->tabCount(), 1);
        QVERIFY(shell->currentSource().isEmpty());
        QVERIFY(shell->pageView()->document()->isEmpty());
        shell->resize(900, 700);
        shell->show();
        QCOMPARE(pagesOf(*shell), stored);
        QCOMPARE(shell->currentSource(), QStringLiteral("qstring.html"));
        QVERIFY(!shell->pageView()->isPageDeferred());
        QVERIFY(!shell->pageView()->document()->isEmpty());
        shell.reset();

        shell = waiting();
        shell->openInNewTab(QStringLiteral("qwidget.html"));
        QCOMPARE(pagesOf(*shell), QStringList({"qobject.html", "qstring.html", "qwidget.html"}));
        shell->show();
        QCOMPARE(shell->tabCount(), 3);
        shell.reset();

        // With no session stored, the window still writes the one it makes.
        store().clear();
        shell = waiting();
        shell->show();
        shell->openInNewTab(QStringLiteral("qobject.html"));
        QCOMPARE(store().value(QLatin1String(tarn::settingskeys::sessionPages)).toStringList(),
                 QStringList({"index.html", "qobject.html"}));
    }

    // A window opened beside another neither restores nor writes a session.
    void freshWindow_leavesTheSessionAlone()
    {
        {
            Shell shell;
            shell.openInNewTab(QStringLiteral("qobject.html"));
        }
        const QStringList stored =
            store().value(QLatin1String(tarn::settingskeys::sessionPages)).toStringList();
        QCOMPARE(stored, QStringList({"index.html", "qobject.html"}));
        Shell beside(nullptr, nullptr, Shell::Start::Fresh);
        QCOMPARE(beside.tabCount(), 1);
        beside.openInNewTab(QStringLiteral("qstring.html"));
        beside.openInNewTab(QStringLiteral("qwidget.html"));
        QCOMPARE(store().value(QLatin1String(tarn::settingskeys::sessionPages)).toStringList(),
                 stored);
    }

    // Damaged, oversized or hostile sessions start on the start page, or
    // without the tabs that cannot come back.
    void session_damaged_data()
    {
        QTest::addColumn<QByteArray>("group");
        QTest::addColumn<QStringList>("pages");
        QTest::newRow("page gone") << QByteArray("pages=qobject.html, gone.html\ncurrent=1\n")
                                   << QStringList({"qobject.html"});
        QTest::newRow("only pages gone")
            << QByteArray("pages=gone.html, gone2.html\n") << QStringList({"index.html"});
        QByteArray many = "pages=";
        for (int i = 0; i < 10000; ++i)
            many += "qobject.html, ";
        many += "qstring.html\n";
        QTest::newRow("10000 tabs") << many << QStringList({"index.html"});
        QTest::newRow("not UTF-8")
            << QByteArray("pages=q\xff\xfeobject.html, qstring.html\ntitles=\xc3\x28, \xff\n")
            << QStringList({"qstring.html"});
        QTest::newRow("links and paths")
            << QByteArray("pages=https://example.org/x.html, ../../etc/passwd, file:qobject.html, "
                          "qstring.html\n")
            << QStringList({"qstring.html"});
        QTest::newRow("not a list") << QByteArray("pages=@Variant(\\0\\0\\0\\x7f\\0\\0\\0\\x1)\n")
                                    << QStringList({"index.html"});
        QTest::newRow("current not a number")
            << QByteArray("pages=qobject.html, qstring.html\ncurrent=x\n")
            << QStringList({"index.html"});
        QTest::newRow("current out of range, scrolls damaged")
            << QByteArray("pages=qobject.html, qstring.html\ncurrent=99\nscrolls=-5, zz\n")
            << QStringList({"qobject.html", "qstring.html"});
    }
    void session_damaged()
    {
        QFETCH(QByteArray, group);
        QFETCH(QStringList, pages);
        const QString path = store().fileName();
        store().clear();
        {
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            file.write("[velmora]\n");
            for (const QByteArray &line : group.split('\n')) {
                if (!line.isEmpty())
                    file.write("session\\" + line + '\n');
            }
        }
        Shell shell;
        QCOMPARE(pagesOf(shell), pages);
        QCOMPARE(shell.currentTab(), 0);
        QVERIFY(!shell.pageView()->isPageDeferred());
        QCOMPARE(shell.scrollValue(), 0);
    }
};

QTEST_MAIN(tst_Tabs)
#include "tst_tabs.moc"
