// Velmora: tests of the main window's class and its construction.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "savedstate.h"

#include "action.h"
#include "embeddedfiles.h"
#include "mainwidget.h"
#include "pagebrowser.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QLabel>
#include <QListView>
#include <QMenu>
#include <QMetaMethod>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

using tarn::Action;
using tarn::Shell;

class tst_Shell : public QObject
{
    Q_OBJECT

    static QSettings store()
    {
        return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
    }

private Q_SLOTS:
    void init() { store().clear(); }

    void slotTableOrder()
    {
        const QStringList expected = {"panel()",
                                      "load(QString)",
                                      "linkLoad(QString)",
                                      "sourceChanged(QString)",
                                      "jumpInIndex(QString)",
                                      "loadFirstInIndex()",
                                      "loadMembers(QTreeWidgetItem*)",
                                      "itemClicked(QTreeWidgetItem*)",
                                      "itemRBClicked(QTreeWidgetItem*,QPoint,int)",
                                      "forward()",
                                      "backward()",
                                      "search()",
                                      "search(bool)",
                                      "searchNext()",
                                      "zoomIn()",
                                      "fontSelect()",
                                      "fixedFontSelect()",
                                      "zoomOut()",
                                      "print()",
                                      "options()",
                                      "addBookmark()",
                                      "renameBookmark()",
                                      "deleteBookmark()",
                                      "timeout()"};
        const QMetaObject &meta = Shell::staticMetaObject;
        QCOMPARE(QString::fromLatin1(meta.className()), QStringLiteral("tarn::Shell"));
        QCOMPARE(meta.superClass(), &QMainWindow::staticMetaObject);
        QCOMPARE(meta.methodCount() - meta.methodOffset(), expected.size());
        for (int i = 0; i < expected.size(); ++i) {
            const QMetaMethod method = meta.method(meta.methodOffset() + i);
            QCOMPARE(QString::fromLatin1(method.methodSignature()), expected.at(i));
            QCOMPARE(method.methodType(), QMetaMethod::Slot);
            QCOMPARE(method.access(), QMetaMethod::Public);
        }
    }

    // The instance is the window from its construction to its destruction,
    // never a window that is gone.
    void instanceLivesWithTheWindow()
    {
        QCOMPARE(Shell::instance(), nullptr);
        {
            Shell shell(nullptr, "doc::Pagewright");
            QCOMPARE(Shell::instance(), &shell);
            QCOMPARE(shell.objectName(), QStringLiteral("doc::Pagewright"));
        }
        QCOMPARE(Shell::instance(), nullptr);
        auto *second = new Shell;
        QCOMPARE(Shell::instance(), second);
        delete second;
        QCOMPARE(Shell::instance(), nullptr);
    }

    void constructionOnEmptyStore()
    {
        Shell shell;
        MainWidget *form = shell.form();
        QCOMPARE(shell.pos(), QPoint(50, 50));
        QCOMPARE(shell.size(), QSize(900, 700));
        QCOMPARE(form->leftTabs->currentIndex(), 3);
        QCOMPARE(form->splitter->sizes().value(0), 280);
        // The browser pane takes the rest of the splitter.
        QCOMPARE(form->splitter->sizes().value(0) + form->splitter->sizes().value(1),
                 form->splitter->width() - form->splitter->handleWidth());
        QCOMPARE(shell.windowTitle(),
                 QLatin1String("Velmora: 2.0, Documentation: 2.0 Qt ")
                     + QLatin1String(embeddedDocumentationVersion));
        QVERIFY(!QByteArray(embeddedDocumentationVersion).isEmpty());
        QCOMPARE(shell.centralWidget(), form);
        QCOMPARE(form->browser->font().pointSize(), 11);
        QCOMPARE(form->browser->source().toString(), QStringLiteral("index.html"));
        QVERIFY(!form->browser->toPlainText().isEmpty());
        QVERIFY(form->classesView->topLevelItemCount() > 0);
        QVERIFY(form->indexView->model()->rowCount() > form->classesView->topLevelItemCount());
        QCOMPARE(form->bookmarksView->topLevelItemCount(), 0);
        QVERIFY(!shell.windowIcon().isNull());
        // Only column 0 of every list shows, without a header.
        for (QTreeWidget *view : {form->classesView, form->bookmarksView, form->aboutView}) {
            QVERIFY(view->isHeaderHidden());
            QVERIFY(view->isColumnHidden(1));
            QVERIFY(view->isColumnHidden(2));
        }
        QVERIFY(form->membersView->isColumnHidden(1));
        // The members of the first class are listed from the start.
        const QString firstMembers = form->classesView->topLevelItem(0)->text(2);
        QCOMPARE(form->membersView->topLevelItemCount() > 0, !firstMembers.isEmpty());
    }

    void constructionRestoresStoredState()
    {
        {
            QSettings s = store();
            s.setValue(tarn::settingskeys::geomX, 120);
            s.setValue(tarn::settingskeys::geomY, 90);
            s.setValue(tarn::settingskeys::geomW, 1000);
            s.setValue(tarn::settingskeys::geomH, 640);
            s.setValue(tarn::settingskeys::geomS1, 300);
            s.setValue(tarn::settingskeys::geomS2, 690);
            s.setValue(tarn::settingskeys::geomTab, 1);
            s.setValue(tarn::settingskeys::textFont, "DejaVu Sans,14,-1,5,50,0,0,0,0,0");
            s.setValue(tarn::settingskeys::fixedFamily, "DejaVu Sans Mono");
            s.setValue(tarn::settingskeys::bookmarkNames, QStringList{"Widget", "Object"});
            s.setValue(tarn::settingskeys::bookmarkUrls,
                       QStringList{"qwidget.html", "qobject.html#details"});
        }
        Shell shell;
        MainWidget *form = shell.form();
        QCOMPARE(shell.pos(), QPoint(120, 90));
        QCOMPARE(shell.size(), QSize(1000, 640));
        QCOMPARE(form->splitter->sizes().value(0), 300);
        // The browser pane takes the rest of the splitter.
        QCOMPARE(form->splitter->sizes().value(0) + form->splitter->sizes().value(1),
                 form->splitter->width() - form->splitter->handleWidth());
        QCOMPARE(form->leftTabs->currentIndex(), 1);
        QCOMPARE(form->browser->font().family(), QStringLiteral("DejaVu Sans"));
        QCOMPARE(form->browser->font().pointSize(), 14);
        QVERIFY(form->browser->document()->defaultStyleSheet().contains("DejaVu Sans Mono"));
        QCOMPARE(form->bookmarksView->topLevelItemCount(), 2);
        // Sorted by label, each with its URL and icon.
        QCOMPARE(form->bookmarksView->topLevelItem(0)->text(0), QStringLiteral("Object"));
        QCOMPARE(form->bookmarksView->topLevelItem(0)->text(1),
                 QStringLiteral("qobject.html#details"));
        QCOMPARE(form->bookmarksView->topLevelItem(1)->text(1), QStringLiteral("qwidget.html"));
        QVERIFY(!form->bookmarksView->topLevelItem(0)->icon(0).isNull());
    }

    void unsoundStoredGeometryFallsBack()
    {
        {
            QSettings s = store();
            s.setValue(tarn::settingskeys::geomX, -30000);
            s.setValue(tarn::settingskeys::geomY, 40000);
            s.setValue(tarn::settingskeys::geomW, 3);
            s.setValue(tarn::settingskeys::geomH, -5);
            s.setValue(tarn::settingskeys::geomS1, 0);
            s.setValue(tarn::settingskeys::geomS2, -7);
            s.setValue(tarn::settingskeys::geomTab, 9);
            s.setValue(tarn::settingskeys::textFont, "");
        }
        Shell shell;
        MainWidget *form = shell.form();
        QCOMPARE(shell.size(), QSize(900, 700));
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QVERIFY(screen.contains(shell.pos()));
        QCOMPARE(form->splitter->sizes().value(0), 280);
        // The browser pane takes the rest of the splitter.
        QCOMPARE(form->splitter->sizes().value(0) + form->splitter->sizes().value(1),
                 form->splitter->width() - form->splitter->handleWidth());
        // A tab that does not exist leaves the form's first tab.
        QCOMPARE(form->leftTabs->currentIndex(), 0);
        // An empty stored font: the browser's own font, one point larger.
        QCOMPARE(form->browser->font().pointSize(), QTextBrowser().font().pointSize() + 1);
    }

    // At the first start the panes have their default sizes, shown: the
    // logo of the Help tab may not widen the left one.
    void firstStartPanesKeepTheirSizes()
    {
        Shell shell;
        MainWidget *form = shell.form();
        form->leftTabs->setCurrentWidget(form->tab_4);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QVERIFY(form->leftTabs->minimumSizeHint().width() <= 280);
        QCOMPARE(form->splitter->sizes().value(0), 280);
        QVERIFY(!form->logoLabel->pixmap().isNull());
    }

    // The first paint is final: the layout timer's first pass finds the
    // toolbar and the shown lists' columns fitted already.
    void firstPaintIsFinal_data()
    {
        QTest::addColumn<int>("leftTab");
        QTest::newRow("Help, the first start's") << 3;
        QTest::newRow("Contents") << 0;
        QTest::newRow("Bookmarks") << 2;
    }
    void firstPaintIsFinal()
    {
        QFETCH(int, leftTab);
        QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora")).clear();
        QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"))
            .setValue(QLatin1String(tarn::settingskeys::geomTab), leftTab);
        Shell shell;
        MainWidget *form = shell.form();
        shell.show();
        const QSize toolbar = form->navToolbar->size();
        const QList<QTreeWidget *> lists = {form->classesView, form->membersView,
                                            form->bookmarksView, form->aboutView};
        QList<int> widths;
        for (QTreeWidget *list : lists)
            widths.append(list->columnWidth(0));
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QCOMPARE(toolbar, form->toolbarFrame->size());
        QTest::qWait(250);
        QCOMPARE(form->navToolbar->size(), toolbar);
        for (int i = 0; i < lists.size(); ++i) {
            if (lists.at(i)->isVisible())
                QCOMPARE(lists.at(i)->columnWidth(0), widths.at(i));
        }
    }

    // The start page is laid out at construction for the width the window
    // shows it at, so showing the window lays none of it out again.
    void startPageIsLaidOutOnceForTheShownWindow()
    {
        Shell shell;
        PageBrowser *view = shell.pageView();
        QTextDocument *page = view->document();
        QVERIFY(!page->isEmpty());
        const qreal width = page->pageSize().width();
        int layouts = 0;
        connect(page->documentLayout(), &QAbstractTextDocumentLayout::update, this,
                [&layouts] { ++layouts; });
        shell.show();
        QCOMPARE(layouts, 0);
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QCOMPARE(view->viewport()->width(), int(width));
        QCOMPARE(page->pageSize().width(), width);
    }

    void toolbarAndActions()
    {
        Shell shell;
        QToolBar *toolBar = shell.form()->navToolbar;
        QVERIFY(toolBar);
        QCOMPARE(toolBar->objectName(), QStringLiteral("navToolbar"));
        QCOMPARE(toolBar->parentWidget(), shell.form()->toolbarFrame);
        QStringList order;
        for (QAction *action : toolBar->actions()) {
            if (action->isSeparator())
                order.append(QStringLiteral("|"));
            else if (!action->objectName().isEmpty())
                order.append(action->objectName());
        }
        QCOMPARE(order,
                 (QStringList{"Shell/Panel", "|", "Shell/Back", "Shell/Home", "Shell/Forward", "|",
                              "Shell/Search", "|", "Shell/FontSmaller", "Shell/FontSelect",
                              "Shell/FontLarger", "|", "Shell/Print", "|", "Shell/AddBookmark"}));

        const QList<QPair<const char *, QKeySequence>> keys = {
            {"Shell/Panel", QKeySequence(Qt::Key_F9)},
            {"Shell/Back", QKeySequence(Qt::ALT | Qt::Key_Left)},
            {"Shell/Home", QKeySequence(Qt::ALT | Qt::Key_Home)},
            {"Shell/Forward", QKeySequence(Qt::ALT | Qt::Key_Right)},
            {"Shell/Search", QKeySequence(Qt::CTRL | Qt::Key_F)},
            {"Shell/SearchNext", QKeySequence(Qt::Key_F3)},
            {"Shell/FontSmaller", QKeySequence(Qt::ALT | Qt::Key_Minus)},
            {"Shell/FontSelect", QKeySequence(Qt::ALT | Qt::Key_F)},
            {"Shell/FontLarger", QKeySequence(Qt::ALT | Qt::Key_Equal)},
            {"Shell/Print", QKeySequence(Qt::ALT | Qt::Key_P)},
            {"Shell/AddBookmark", QKeySequence(Qt::ALT | Qt::Key_B)},
            {"Shell/FontText", QKeySequence()},
            {"Shell/FontFixed", QKeySequence()},
            {"Bookmarks/Rename", QKeySequence()},
            {"Bookmarks/Delete", QKeySequence()},
            {"Bookmarks/RenameKey", QKeySequence(Qt::Key_F2)},
            {"Bookmarks/DeleteKey", QKeySequence(Qt::Key_Delete)},
            {"Shell/ZoomReset", QKeySequence(Qt::CTRL | Qt::Key_0)},
            {"Shell/IndexFocus", QKeySequence(Qt::CTRL | Qt::Key_I)}};
        for (const auto &[name, key] : keys) {
            Action *action = Action::find(QString::fromLatin1(name));
            QVERIFY2(action, name);
            QCOMPARE(action->shortcut(), key);
            QCOMPARE(action->parent(), &shell);
        }
        QCOMPARE(Action::find("Shell/Panel")->iconText(), QStringLiteral("Hide/Show Left Panel"));

        for (const char *name :
             {"Shell/Back", "Shell/Home", "Shell/Forward", "Shell/FontSelect", "Shell/Print"}) {
            auto *button =
                qobject_cast<QToolButton *>(Action::find(QString::fromLatin1(name))->toolButton());
            QVERIFY2(button, name);
            QCOMPARE(button->toolButtonStyle(), Qt::ToolButtonTextBesideIcon);
        }
        auto *search = qobject_cast<QToolButton *>(Action::find("Shell/Search")->toolButton());
        QCOMPARE(search->toolButtonStyle(), Qt::ToolButtonIconOnly);
        QVERIFY(!search->icon().isNull());
        // Search Next has no button and no menu entry, only its key.
        QVERIFY(!Action::find("Shell/SearchNext")->toolButton());

        auto *font = qobject_cast<QToolButton *>(Action::find("Shell/FontSelect")->toolButton());
        QCOMPARE(font->popupMode(), QToolButton::InstantPopup);
        QVERIFY(font->menu());
        QCOMPARE(font->menu()->actions().size(), 2);
        QCOMPARE(font->menu()->actions().at(0)->objectName(), QStringLiteral("Shell/FontText"));
        QCOMPARE(font->menu()->actions().at(1)->objectName(), QStringLiteral("Shell/FontFixed"));

        QMenu *bookmarkMenu = shell.bookmarkMenu();
        QCOMPARE(bookmarkMenu->actions().size(), 2);
        QCOMPARE(bookmarkMenu->actions().at(0)->text(), QStringLiteral("Rename Label"));
        QCOMPARE(bookmarkMenu->actions().at(1)->text(), QStringLiteral("Delete Bookmark"));

        // Back and Forward follow the browser's history.
        QVERIFY(!Action::find("Shell/Back")->isEnabled());
        QVERIFY(!Action::find("Shell/Forward")->isEnabled());
        shell.load(QStringLiteral("vxabout.html"));
        QVERIFY(Action::find("Shell/Back")->isEnabled());
        shell.backward();
        QVERIFY(!Action::find("Shell/Back")->isEnabled());
        QVERIFY(Action::find("Shell/Forward")->isEnabled());
    }

    void keysReachTheirSlots()
    {
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        shell.activateWindow();
        MainWidget *form = shell.form();
        const int size = form->browser->font().pointSize();
        QTest::keyClick(&shell, Qt::Key_Equal, Qt::AltModifier);
        QCOMPARE(form->browser->font().pointSize(), size + 1);
        QTest::keyClick(&shell, Qt::Key_Minus, Qt::AltModifier);
        QCOMPARE(form->browser->font().pointSize(), size);
        QTest::keyClick(&shell, Qt::Key_F9);
        QVERIFY(form->leftTabs->isHidden());
        QTest::keyClick(&shell, Qt::Key_F9);
        QVERIFY(!form->leftTabs->isHidden());
        // F3 has no button, yet its key runs the slot.
        bool reached = false;
        connect(Action::find("Shell/SearchNext"), &QAction::triggered, this,
                [&] { reached = true; });
        QTimer::singleShot(0, this, [] {
            if (QWidget *box = QApplication::activeModalWidget())
                box->close();
        });
        QTest::keyClick(&shell, Qt::Key_F3);
        QVERIFY(reached);
    }

    void aboutRowsOpenChapters()
    {
        Shell shell;
        MainWidget *form = shell.form();
        QCOMPARE(form->aboutView->topLevelItemCount(), 24);
        QCOMPARE(form->aboutView->topLevelItem(0)->text(1), QStringLiteral("t1.html"));
        QCOMPARE(form->aboutView->topLevelItem(23)->text(1), QStringLiteral("vxbugs.html"));
        shell.itemClicked(form->aboutView->topLevelItem(4));
        QCOMPARE(form->browser->source().toString(), QStringLiteral("x381.html"));
        QCOMPARE(form->captionLabel->text(), QStringLiteral("Qt :: Signals and Slots"));
    }
};

QTEST_MAIN(tst_Shell)
#include "tst_shell.moc"
