// Velmora: the window driven by the keyboard alone, as a reader who never takes the mouse.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "indexmodel.h"
#include "mainwidget.h"
#include "modaldriver.h"
#include "pagebrowser.h"
#include "searchdialog.h"

#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QListView>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using tarn::Shell;

class tst_Keyboard : public QObject
{
    Q_OBJECT

    ModalDriver m_modal;

    static void showActive(Shell &shell)
    {
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QApplication::setActiveWindow(&shell);
        QVERIFY(QTest::qWaitForWindowActive(&shell));
    }

    static QTreeWidgetItem *row(QTreeWidget *view, const QString &name)
    {
        return view->findItems(name, Qt::MatchExactly).value(0);
    }

private Q_SLOTS:
    void init()
    {
        QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora")).clear();
        m_modal.startBackstop();
    }

    void cleanup() { QVERIFY2(!m_modal.stopBackstop(), "a modal window was left waiting"); }

    // Ctrl+F, type, Return: the text goes into the field every time the
    // dialog opens, and the match is found.
    void findTakesTypingAtOnce()
    {
        Shell shell;
        showActive(shell);
        shell.load(QStringLiteral("index.html"));
        for (const QString &word : {QStringLiteral("Qt"), QStringLiteral("chapter")}) {
            QString typed = QStringLiteral("unset");
            m_modal.whenModal([&typed, word](QWidget *modal) {
                auto *dialog = qobject_cast<SearchDialog *>(modal);
                if (!dialog) {
                    modal->close();
                    return;
                }
                // Where the dialog sends typing, whether or not its window
                // is active yet.
                QWidget *focus = dialog->focusWidget();
                QVERIFY(focus);
                QTest::keyClicks(focus, word);
                typed = dialog->lineSearch->text();
                QTest::keyClick(focus, Qt::Key_Return);
            });
            // A dialog just closed leaves no window active here: activate it
            // as the window manager would.
            QApplication::setActiveWindow(&shell);
            QTest::keyClick(&shell, Qt::Key_F, Qt::ControlModifier);
            m_modal.dropPendingAnswers();
            QCOMPARE(typed, word);
            QCOMPARE(shell.pageView()->textCursor().selectedText().toLower(), word.toLower());
        }
    }

    // Return on a row of every list does what a click does.
    void returnOpensEveryList()
    {
        Shell shell;
        showActive(shell);
        MainWidget *form = shell.form();

        form->leftTabs->setCurrentWidget(form->tab);
        QTreeWidgetItem *bitmap = row(form->classesView, QStringLiteral("QBitmap"));
        QVERIFY(bitmap);
        form->classesView->setCurrentItem(bitmap);
        form->classesView->setFocus();
        QTest::keyClick(form->classesView, Qt::Key_Return);
        QCOMPARE(shell.currentPage(), QStringLiteral("qbitmap.html"));
        // The class opened by key shows its members, as a click would.
        QVERIFY(form->membersView->topLevelItemCount() > 0);
        QVERIFY(
            form->membersView->topLevelItem(0)->text(1).startsWith(QLatin1String("qbitmap.html#")));

        QTreeWidgetItem *member = form->membersView->topLevelItem(0);
        form->membersView->setCurrentItem(member);
        form->membersView->setFocus();
        QTest::keyClick(form->membersView, Qt::Key_Enter);
        QCOMPARE(shell.currentSource(), member->text(1));

        form->leftTabs->setCurrentWidget(form->tab_4);
        form->aboutView->setCurrentItem(form->aboutView->topLevelItem(0));
        form->aboutView->setFocus();
        QTest::keyClick(form->aboutView, Qt::Key_Return);
        QCOMPARE(shell.currentSource(), form->aboutView->topLevelItem(0)->text(1));

        shell.load(QStringLiteral("qobject.html"));
        shell.addBookmark();
        shell.load(QStringLiteral("index.html"));
        form->bookmarksView->setCurrentItem(form->bookmarksView->topLevelItem(0));
        form->bookmarksView->setFocus();
        QTest::keyClick(form->bookmarksView, Qt::Key_Return);
        QCOMPARE(shell.currentSource(), QStringLiteral("qobject.html"));
    }

    // The Index tab puts the cursor in its field; Ctrl+I does from anywhere;
    // the arrow keys in the field choose a row and Return opens that one.
    void indexFieldKeys()
    {
        Shell shell;
        showActive(shell);
        MainWidget *form = shell.form();
        form->leftTabs->setCurrentWidget(form->tab_2);
        QCOMPARE(QApplication::focusWidget(), form->indexLineEdit);

        shell.pageView()->setFocus();
        QTest::keyClick(&shell, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(QApplication::focusWidget(), form->indexLineEdit);
        form->leftTabs->setCurrentWidget(form->tab_4);
        QTest::keyClick(&shell, Qt::Key_I, Qt::ControlModifier);
        QCOMPARE(form->leftTabs->currentWidget(), form->tab_2);
        QCOMPARE(QApplication::focusWidget(), form->indexLineEdit);

        QTest::keyClicks(form->indexLineEdit, QStringLiteral("QString::arg"));
        QListView *list = form->indexView;
        QVERIFY(list->model()->rowCount() > 2);
        QCOMPARE(list->currentIndex().row(), 0);
        QTest::keyClick(form->indexLineEdit, Qt::Key_Down);
        QTest::keyClick(form->indexLineEdit, Qt::Key_Down);
        QCOMPARE(list->currentIndex().row(), 2);
        QTest::keyClick(form->indexLineEdit, Qt::Key_Up);
        QCOMPARE(list->currentIndex().row(), 1);
        QCOMPARE(QApplication::focusWidget(), form->indexLineEdit);
        const QString chosen = list->currentIndex().data(tarn::IndexModel::TargetRole).toString();
        QTest::keyClick(form->indexLineEdit, Qt::Key_Return);
        QCOMPARE(shell.currentSource(), chosen);
    }

    // F2 and Delete act on the chosen bookmark, only in the bookmark list:
    // the same keys in the Index field leave the bookmarks alone.
    void bookmarkKeysActOnlyInTheirList()
    {
        Shell shell;
        showActive(shell);
        MainWidget *form = shell.form();
        shell.load(QStringLiteral("qobject.html"));
        shell.addBookmark();
        shell.load(QStringLiteral("qwidget.html"));
        shell.addBookmark();
        QTreeWidget *view = form->bookmarksView;
        QCOMPARE(view->topLevelItemCount(), 2);

        form->leftTabs->setCurrentWidget(form->tab_2);
        form->indexLineEdit->setText(QStringLiteral("qobject"));
        form->indexLineEdit->setFocus();
        QTest::keyClick(form->indexLineEdit, Qt::Key_Delete);
        QTest::keyClick(form->indexLineEdit, Qt::Key_F2);
        QCOMPARE(view->topLevelItemCount(), 2);
        QVERIFY(!QApplication::activeModalWidget());

        form->leftTabs->setCurrentWidget(form->tab_3);
        view->setCurrentItem(view->topLevelItem(0));
        view->setFocus();
        m_modal.whenModal([](QWidget *modal) {
            auto *dialog = qobject_cast<QInputDialog *>(modal);
            if (!dialog) {
                modal->close();
                return;
            }
            dialog->setTextValue(QStringLiteral("Renamed by key"));
            dialog->accept();
        });
        QTest::keyClick(view, Qt::Key_F2);
        m_modal.dropPendingAnswers();
        QVERIFY(row(view, QStringLiteral("Renamed by key")));

        QApplication::setActiveWindow(&shell);
        view->setCurrentItem(row(view, QStringLiteral("Renamed by key")));
        QTest::keyClick(view, Qt::Key_Delete);
        QCOMPARE(view->topLevelItemCount(), 1);
        QVERIFY(!row(view, QStringLiteral("Renamed by key")));
    }
};

QTEST_MAIN(tst_Keyboard)
#include "tst_keyboard.moc"
