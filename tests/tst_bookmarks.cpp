// Velmora: tests of bookmarks: adding, relabelling, deleting and keeping them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "savedstate.h"

#include "mainwidget.h"
#include "pagebrowser.h"

#include <QApplication>
#include <QFile>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QTreeWidget>

#include <functional>
#include <memory>

using tarn::Shell;

namespace {

using Rows = QList<QPair<QString, QString>>;

QSettings store()
{
    return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
}

Rows viewRows(const Shell &shell)
{
    Rows rows;
    QTreeWidget *view = shell.form()->bookmarksView;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        rows.append({view->topLevelItem(i)->text(0), view->topLevelItem(i)->text(1)});
    return rows;
}

QStringList listValue(const QVariant &value)
{
    // The file format keeps a one-entry list as a plain string.
    return value.typeId() == QMetaType::QString ? QStringList{value.toString()}
                                                : value.toStringList();
}

// The settings file, named once: opening a settings object on it would
// write out changes the window has still pending.
QString storeFile()
{
    static const QString name = store().fileName();
    return name;
}

// The bookmarks as the file on disk holds them now, read from a copy so that
// the process's own settings cache cannot answer instead.
Rows rowsOnDisk()
{
    QTemporaryDir dir;
    const QString copy = dir.filePath(QStringLiteral("copy.conf"));
    if (!QFile::copy(storeFile(), copy))
        return {{QStringLiteral("<no file>"), QString()}};
    QSettings settings(copy, QSettings::IniFormat);
    const QStringList names =
        listValue(settings.value(QString::fromLatin1(tarn::settingskeys::bookmarkNames)));
    const QStringList urls =
        listValue(settings.value(QString::fromLatin1(tarn::settingskeys::bookmarkUrls)));
    if (names.size() != urls.size())
        return {{QStringLiteral("<lists differ in length>"), QString()}};
    Rows rows;
    for (qsizetype i = 0; i < names.size(); ++i)
        rows.append({names.at(i), urls.at(i)});
    return rows;
}

// Shows a page and gives the caption a known text.
void showPage(Shell &shell, const QString &name, const QString &caption)
{
    shell.load(name);
    shell.form()->captionLabel->setText(caption);
}

// Answers the next modal dialog from inside its event loop.
void answerDialog(QObject *context, std::function<void(QWidget *)> answer)
{
    auto *poll = new QTimer(context);
    poll->setInterval(10);
    QObject::connect(poll, &QTimer::timeout, context, [poll, answer] {
        if (QWidget *dialog = QApplication::activeModalWidget()) {
            poll->stop();
            poll->deleteLater();
            answer(dialog);
        }
    });
    poll->start();
}

} // namespace

class tst_Bookmarks : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QVERIFY(!storeFile().isEmpty()); }
    void init() { store().clear(); }

    void add_labelAndUrl_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("label");
        QTest::newRow("anchor") << QStringLiteral("qbitmap.html#QBitmap-2")
                                << QStringLiteral("Title #QBitmap-2");
        QTest::newRow("no anchor") << QStringLiteral("qbitmap.html") << QStringLiteral("Title");
        QTest::newRow("two anchors")
            << QStringLiteral("qbitmap.html#x#y") << QStringLiteral("Title #x");
    }
    void add_labelAndUrl()
    {
        QFETCH(QString, name);
        QFETCH(QString, label);
        const Rows expected{{label, name}};
        {
            Shell shell;
            MainWidget *form = shell.form();
            form->leftTabs->setCurrentIndex(0);
            showPage(shell, name, QStringLiteral("Title"));
            shell.addBookmark();
            QCOMPARE(viewRows(shell), expected);
            QCOMPARE(form->leftTabs->currentIndex(), 2);
            QVERIFY(!form->bookmarksView->topLevelItem(0)->icon(0).isNull());
            QCOMPARE(rowsOnDisk(), expected);
        }
        Shell again;
        QCOMPARE(viewRows(again), expected);
        QVERIFY(!again.form()->bookmarksView->topLevelItem(0)->icon(0).isNull());
    }

    // Rows are kept in label order; the same page twice gives two rows.
    void add_sortedAndDuplicates()
    {
        const Rows expected{{"a", "qobject.html"}, {"b", "qwidget.html"}, {"b", "qwidget.html"}};
        {
            Shell shell;
            showPage(shell, QStringLiteral("qwidget.html"), QStringLiteral("b"));
            shell.addBookmark();
            showPage(shell, QStringLiteral("qobject.html"), QStringLiteral("a"));
            shell.addBookmark();
            showPage(shell, QStringLiteral("qwidget.html"), QStringLiteral("b"));
            shell.addBookmark();
            QCOMPARE(viewRows(shell), expected);
            QCOMPARE(rowsOnDisk(), expected);
        }
        Shell again;
        QCOMPARE(viewRows(again), expected);
        // A click on a row opens its page.
        again.itemClicked(again.form()->bookmarksView->topLevelItem(0));
        QCOMPARE(again.currentSource(), QStringLiteral("qobject.html"));
    }

    // Relabelling through the context menu: an empty label is accepted,
    // Cancel keeps the old one, the URL never changes.
    void rename_data()
    {
        QTest::addColumn<bool>("accept");
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("label");
        QTest::newRow("new label") << true << QStringLiteral("Pixels") << QStringLiteral("Pixels");
        QTest::newRow("empty label") << true << QString() << QString();
        QTest::newRow("cancel") << false << QStringLiteral("ignored") << QStringLiteral("Bitmap");
    }
    void rename()
    {
        QFETCH(bool, accept);
        QFETCH(QString, typed);
        QFETCH(QString, label);
        const Rows expected{{label, "qbitmap.html"}, {"Widget", "qwidget.html"}};
        {
            Shell shell;
            QTreeWidget *view = shell.form()->bookmarksView;
            showPage(shell, QStringLiteral("qwidget.html"), QStringLiteral("Widget"));
            shell.addBookmark();
            showPage(shell, QStringLiteral("qbitmap.html"), QStringLiteral("Bitmap"));
            shell.addBookmark();
            shell.show();
            QVERIFY(QTest::qWaitForWindowExposed(&shell));

            QTreeWidgetItem *row =
                view->findItems(QStringLiteral("Bitmap"), Qt::MatchExactly).value(0);
            QVERIFY(row);
            Q_EMIT view->customContextMenuRequested(view->visualItemRect(row).center());
            QVERIFY(shell.bookmarkMenu()->isVisible());
            QCOMPARE(view->currentItem(), row);
            shell.bookmarkMenu()->hide();

            QString caption;
            QString prompt;
            QString initial;
            answerDialog(this, [&](QWidget *widget) {
                auto *dialog = qobject_cast<QInputDialog *>(widget);
                if (!dialog) {
                    widget->close();
                    return;
                }
                caption = dialog->windowTitle();
                prompt = dialog->labelText();
                initial = dialog->textValue();
                dialog->setTextValue(typed);
                accept ? dialog->accept() : dialog->reject();
            });
            shell.bookmarkMenu()->actions().at(0)->trigger();
            QCOMPARE(caption, QStringLiteral("Velmora"));
            QCOMPARE(prompt, QStringLiteral("Enter new Label:"));
            QCOMPARE(initial, QStringLiteral("Bitmap"));
            Rows sorted = expected;
            std::sort(sorted.begin(), sorted.end());
            QCOMPARE(viewRows(shell), sorted);
            if (accept)
                QCOMPARE(rowsOnDisk(), sorted);
        }
        Rows sorted = expected;
        std::sort(sorted.begin(), sorted.end());
        Shell again;
        QCOMPARE(viewRows(again), sorted);
    }

    void delete_removesCurrentRow()
    {
        {
            Shell shell;
            QTreeWidget *view = shell.form()->bookmarksView;
            // Without a current row nothing happens.
            shell.deleteBookmark();
            showPage(shell, QStringLiteral("qwidget.html"), QStringLiteral("Widget"));
            shell.addBookmark();
            showPage(shell, QStringLiteral("qobject.html"), QStringLiteral("Object"));
            shell.addBookmark();
            view->setCurrentItem(view->topLevelItem(1));
            shell.bookmarkMenu()->actions().at(1)->trigger();
            const Rows left{{"Object", "qobject.html"}};
            QCOMPARE(viewRows(shell), left);
            QCOMPARE(rowsOnDisk(), left);
            view->setCurrentItem(view->topLevelItem(0));
            shell.deleteBookmark();
            QVERIFY(viewRows(shell).isEmpty());
            QVERIFY(rowsOnDisk().isEmpty());
        }
        // Both keys are written as empty lists, and nothing comes back.
        QVERIFY(store().contains(QString::fromLatin1(tarn::settingskeys::bookmarkNames)));
        QVERIFY(store().contains(QString::fromLatin1(tarn::settingskeys::bookmarkUrls)));
        QVERIFY(store()
                    .value(QString::fromLatin1(tarn::settingskeys::bookmarkNames))
                    .toStringList()
                    .isEmpty());
        Shell again;
        QVERIFY(viewRows(again).isEmpty());
    }

    void rightClickOutsideRows_showsNoMenu()
    {
        Shell shell;
        QTreeWidget *view = shell.form()->bookmarksView;
        shell.form()->leftTabs->setCurrentIndex(2);
        showPage(shell, QStringLiteral("qwidget.html"), QStringLiteral("Widget"));
        shell.addBookmark();
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));

        shell.itemRBClicked(nullptr, view->mapToGlobal(QPoint(5, 5)), 0);
        QVERIFY(!shell.bookmarkMenu()->isVisible());
        const QPoint below =
            view->visualItemRect(view->topLevelItem(0)).bottomLeft() + QPoint(5, 40);
        QVERIFY(!view->itemAt(below));
        Q_EMIT view->customContextMenuRequested(below);
        QVERIFY(!shell.bookmarkMenu()->isVisible());
    }
};

QTEST_MAIN(tst_Bookmarks)
#include "tst_bookmarks.moc"
