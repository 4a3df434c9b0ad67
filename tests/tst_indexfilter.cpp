// Velmora: the Index's filters through the window: kinds by key, versions kept between runs.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "indexmodel.h"
#include "lookup.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "savedstate.h"
#include "searchfield.h"

#include <QAction>
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>
#include <QTest>
#include <QToolButton>
#include <QTreeWidget>

using tarn::Shell;

namespace {

QSettings store()
{
    return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
}

void writeStoreFile(const QByteArray &text)
{
    const QString path = store().fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

QStringList shownRows(const Shell &shell)
{
    const auto *model = qobject_cast<tarn::IndexModel *>(shell.form()->indexView->model());
    QStringList rows;
    for (int row = 0; row < model->rowCount(); ++row)
        rows.append(model->entry(row).name + u'|' + model->entry(row).kind);
    return rows;
}

QAction *action(const Shell &shell, const char *name)
{
    return shell.findChild<QAction *>(QString::fromLatin1(name));
}

} // namespace

class tst_IndexFilter : public QObject
{
    Q_OBJECT

    static void showActive(Shell &shell)
    {
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QApplication::setActiveWindow(&shell);
        QVERIFY(QTest::qWaitForWindowActive(&shell));
    }

private Q_SLOTS:
    void init() { store().clear(); }

    // Ctrl+Alt+4 is Signals: typed "clicked" then shows the signals of that
    // name and nothing else; Ctrl+Alt+0 shows every kind again. The button
    // and the search field say that a filter is on.
    void signalsByKey_withText()
    {
        Shell shell;
        showActive(shell);
        MainWidget *form = shell.form();
        auto *button = form->findChild<QToolButton *>(QStringLiteral("indexFilterButton"));
        QVERIFY(button);
        QVERIFY(!button->accessibleName().isEmpty());
        QVERIFY(!button->isChecked());

        QTest::keyClick(&shell, Qt::Key_4, Qt::ControlModifier | Qt::AltModifier);
        QCOMPARE(form->leftTabs->currentWidget(), form->tab_2);
        QVERIFY(button->isChecked());
        QCOMPARE(shell.indexFilterSummary(), QStringLiteral("Signals"));
        auto *search = shell.findChild<tarn::SearchField *>();
        QVERIFY(search);
        QVERIFY2(search->placeholderText().contains(QLatin1String("Signals")),
                 qPrintable(search->placeholderText()));

        form->indexLineEdit->setFocus();
        QTest::keyClicks(form->indexLineEdit, QStringLiteral("clicked"));
        const QStringList rows = shownRows(shell);
        QVERIFY2(rows.contains(QStringLiteral("clicked (QAbstractButton)|+s")),
                 qPrintable(rows.join(u'\n')));
        QVERIFY2(rows.size() > 2, qPrintable(rows.join(u'\n')));
        for (const QString &row : rows)
            QVERIFY2(row.endsWith(QLatin1String("|+s")), qPrintable(row));

        // Return opens the first signal.
        QTest::keyClick(form->indexLineEdit, Qt::Key_Return);
        QVERIFY2(shell.currentSource().contains(u'#'), qPrintable(shell.currentSource()));

        QTest::keyClick(&shell, Qt::Key_0, Qt::ControlModifier | Qt::AltModifier);
        QVERIFY(!button->isChecked());
        QVERIFY(search->filterNote().isEmpty());
        // Every kind again: the slots and functions of that name are back.
        QVERIFY(shownRows(shell).size() > rows.size());
    }

    // Two kinds together show either; the kinds are for the session only.
    void kindsCombine_andAreNotKept()
    {
        {
            Shell shell;
            action(shell, "indexKind3")->trigger(); // Slots
            action(shell, "indexKind4")->trigger(); // Signals
            shell.form()->indexLineEdit->setText(QStringLiteral("QAbstractButton::"));
            const QStringList rows = shownRows(shell);
            QVERIFY(rows.contains(QStringLiteral("clicked (QAbstractButton)|+s")));
            QVERIFY(rows.contains(QStringLiteral("click (QAbstractButton)|+S")));
            for (const QString &row : rows)
                QVERIFY2(row.endsWith(QLatin1String("|+s")) || row.endsWith(QLatin1String("|+S")),
                         qPrintable(row));
        }
        Shell again;
        QCOMPARE(again.indexFilter().kinds, quint16(0));
        QVERIFY(!again.indexFilter().isActive());
    }

    // "Up to Qt 6.3" and "Hide deprecated" are the reader's: written when
    // chosen, back at the next start, applied to the Index from the start.
    void versionFilter_roundTrips()
    {
        {
            Shell shell;
            action(shell, "indexUpTo603")->trigger();
            action(shell, "indexHideDeprecated")->trigger();
            QCOMPARE(shell.indexFilter().upTo, 603);
            QVERIFY(shell.indexFilter().hideDeprecated);
        }
        QCOMPARE(store().value(QString::fromLatin1(tarn::settingskeys::indexUpTo)).toString(),
                 QStringLiteral("6.3"));
        QCOMPARE(
            store().value(QString::fromLatin1(tarn::settingskeys::indexHideDeprecated)).toBool(),
            true);
        {
            Shell shell;
            QCOMPARE(shell.indexFilter().upTo, 603);
            QVERIFY(shell.indexFilter().hideDeprecated);
            QVERIFY(action(shell, "indexUpTo603")->isChecked());
            QVERIFY(action(shell, "indexHideDeprecated")->isChecked());
            const auto *model = qobject_cast<tarn::IndexModel *>(shell.form()->indexView->model());
            QVERIFY(model->rowCount() < model->entryCount());
            // Back to every version, and that is kept too.
            action(shell, "indexUpTo0")->trigger();
            action(shell, "indexHideDeprecated")->trigger();
            QCOMPARE(model->rowCount(), model->entryCount());
        }
        Shell shell;
        QVERIFY(!shell.indexFilter().isActive());
    }

    // Values edited by hand or damaged show every entry, as no choice would.
    void versionFilter_damagedValues_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<int>("upTo");
        QTest::addColumn<bool>("hide");
        QTest::newRow("sound") << QByteArray(
            "[velmora]\nindex\\upto=6.2\nindex\\hidedeprecated=true\n")
                               << 602 << true;
        QTest::newRow("no version") << QByteArray("[velmora]\nindex\\upto=latest\n") << 0 << false;
        QTest::newRow("another series")
            << QByteArray("[velmora]\nindex\\upto=5.15\n") << 0 << false;
        QTest::newRow("a number") << QByteArray(
            "[velmora]\nindex\\upto=@Variant(\\0\\0\\0\\x2\\0\\0\\0\\x3)\n")
                                  << 0 << false;
        QTest::newRow("a list") << QByteArray("[velmora]\nindex\\upto=6.1, 6.2\n") << 0 << false;
        QTest::newRow("a rectangle") << QByteArray(
            "[velmora]\nindex\\upto=@Rect(1 2 3 4)\nindex\\hidedeprecated=@Rect(1 2 3 4)\n")
                                     << 0 << false;
        QTest::newRow("hide, no boolean")
            << QByteArray("[velmora]\nindex\\hidedeprecated=perhaps\n") << 0 << false;
        QTest::newRow("a minor beyond any")
            << QByteArray("[velmora]\nindex\\upto=6.999\n") << 0 << false;
    }
    void versionFilter_damagedValues()
    {
        QFETCH(QByteArray, file);
        QFETCH(int, upTo);
        QFETCH(bool, hide);
        writeStoreFile(file);
        QSettings settings = store();
        const tarn::SavedState state = tarn::SavedState::read(settings);
        QCOMPARE(state.indexUpTo, upTo);
        QCOMPARE(state.hideDeprecated, hide);
        // The window starts with the same, whichever of its versions it offers.
        Shell shell;
        QCOMPARE(shell.indexFilter().hideDeprecated, hide);
        QVERIFY(shell.indexFilter().upTo == upTo || upTo == 0);
    }

    // A name from outside goes where the filtered Index would: with
    // Properties on, "singleShot" is QTimer's property, not its function.
    void nameFromOutside_followsTheFilter()
    {
        Shell shell;
        action(shell, "indexKind5")->trigger(); // Properties
        shell.openName(QStringLiteral("singleShot"));
        QCOMPARE(shell.currentSource(), QStringLiteral("qtimer.html#singleShot-prop"));
        action(shell, "indexKindAll")->trigger();
        shell.openName(QStringLiteral("singleShot"));
        QCOMPARE(shell.currentSource(), QStringLiteral("qtimer.html#singleShot"));
    }

    // A start on a page, as an editor asks for one, reads nothing a lookup
    // needs; a name does.
    void pageNameReadsNoLookupLists()
    {
        Shell shell;
        showActive(shell);
        const auto *model = qobject_cast<tarn::IndexModel *>(shell.form()->indexView->model());
        shell.openName(QStringLiteral("qwidget.html#size-prop"));
        QCOMPARE(shell.pageView()->loadedName(), QStringLiteral("qwidget.html#size-prop"));
        QVERIFY(!model->hasDetails());
        shell.openName(QStringLiteral("singleShot"));
        QVERIFY(model->hasDetails());
        QVERIFY(shell.pageView()->loadedName().startsWith(QLatin1String("qtimer.html#")));
    }

    // The members list marks what is new and what is deprecated, as the
    // Index does, in the tool tips too: before the Index's details are
    // read, which a window that is only browsed never needs, and after.
    void membersListMarks()
    {
        Shell shell;
        showActive(shell);
        const auto *model = qobject_cast<tarn::IndexModel *>(shell.form()->indexView->model());
        QTreeWidget *classes = shell.form()->classesView;
        QTreeWidget *members = shell.form()->membersView;
        const auto marks = [members] {
            QStringList out;
            for (int i = 0; i < members->topLevelItemCount(); ++i) {
                const QTreeWidgetItem *item = members->topLevelItem(i);
                out.append(item->data(0, tarn::IndexModel::SinceRole).toString()
                           + (item->data(0, tarn::IndexModel::DeprecatedRole).toBool() ? "-" : "")
                           + item->toolTip(0));
            }
            return out;
        };
        const auto showClass = [classes](const QString &name) {
            const QList<QTreeWidgetItem *> found = classes->findItems(name, Qt::MatchExactly);
            QVERIFY(!found.isEmpty());
            Q_EMIT classes->itemClicked(found.first(), 0);
        };
        // A class clicked while the marks of the one before are still
        // being read gets its own.
        showClass(QStringLiteral("QWidget"));
        showClass(QStringLiteral("QString"));
        QTRY_VERIFY(marks().join(QString()).contains(QLatin1String("Since Qt")));
        QVERIFY(!model->hasDetails());
        const QStringList early = marks();
        // The same marks from the details, once read.
        model->table();
        showClass(QStringLiteral("QString"));
        QCOMPARE(marks(), early);

        bool anyNew = false;
        bool anyDeprecated = false;
        for (int i = 0; i < members->topLevelItemCount(); ++i) {
            const QTreeWidgetItem *item = members->topLevelItem(i);
            const QString since = item->data(0, tarn::IndexModel::SinceRole).toString();
            if (!since.isEmpty()) {
                anyNew = true;
                QVERIFY2(item->toolTip(0).contains(QLatin1String("Since Qt ") + since),
                         qPrintable(item->toolTip(0)));
            }
            if (item->data(0, tarn::IndexModel::DeprecatedRole).toBool()) {
                anyDeprecated = true;
                QVERIFY(item->toolTip(0).contains(QLatin1String("Deprecated")));
            }
        }
        QVERIFY(anyNew);
        QVERIFY(anyDeprecated);
    }

    // The first class's list, filled while the window is built, is marked
    // once the window has painted, and not before: a window that is only
    // built reads nothing for it.
    void firstMembersMarkedAfterTheFirstPaint()
    {
        Shell shell;
        QTreeWidget *members = shell.form()->membersView;
        QVERIFY(members->topLevelItemCount() > 0);
        const auto marked = [members] {
            for (int i = 0; i < members->topLevelItemCount(); ++i) {
                if (!members->topLevelItem(i)->data(0, tarn::IndexModel::SinceRole).isValid())
                    return false;
            }
            return true;
        };
        QTest::qWait(100);
        QVERIFY(!marked());
        showActive(shell);
        QTRY_VERIFY(marked());
    }
};

QTEST_MAIN(tst_IndexFilter)
#include "tst_indexfilter.moc"
