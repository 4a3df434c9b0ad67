// Velmora: tests of the state the window keeps between runs.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "savedstate.h"

#include "mainwidget.h"
#include "pagebrowser.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLabel>
#include <QRect>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

using tarn::Shell;

namespace {

QSettings store()
{
    return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
}

QStringList bookmarkRows(const Shell &shell)
{
    QStringList rows;
    QTreeWidget *view = shell.form()->bookmarksView;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        rows.append(view->topLevelItem(i)->text(0) + QLatin1Char('|')
                    + view->topLevelItem(i)->text(1));
    return rows;
}

// Replaces the settings file with text written by hand.
void writeStoreFile(const QByteArray &text)
{
    const QString path = store().fileName();
    QDir().mkpath(QFileInfo(path).absolutePath());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(text);
}

} // namespace

class tst_SavedState : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void init() { store().clear(); }

    void firstShutdown_writesEveryKey()
    {
        delete new Shell;
        QSettings s = store();
        for (const char *key :
             {tarn::settingskeys::geomTab, tarn::settingskeys::geomX, tarn::settingskeys::geomY,
              tarn::settingskeys::geomW, tarn::settingskeys::geomH, tarn::settingskeys::geomS1,
              tarn::settingskeys::geomS2, tarn::settingskeys::textFont,
              tarn::settingskeys::bookmarkNames, tarn::settingskeys::bookmarkUrls})
            QVERIFY2(s.contains(QLatin1String(key)), key);
        QCOMPARE(s.value(QString::fromLatin1(tarn::settingskeys::geomTab)).toInt(), 3);
        QCOMPARE(s.value(QString::fromLatin1(tarn::settingskeys::geomS1)).toInt(), 280);
        // The fixed family is written only when chosen.
        QVERIFY(!s.contains(QString::fromLatin1(tarn::settingskeys::fixedFamily)));
    }

    // Everything the window writes comes back in the next window.
    void stateRoundTrips()
    {
        QPoint pos;
        QSize size;
        int pane = 0;
        QString font;
        QStringList bookmarks;
        {
            Shell shell;
            MainWidget *form = shell.form();
            shell.move(130, 80);
            shell.resize(1010, 650);
            shell.show();
            QVERIFY(QTest::qWaitForWindowExposed(&shell));
            const int room = form->splitter->width() - form->splitter->handleWidth();
            form->splitter->setSizes({333, room - 333});
            form->leftTabs->setCurrentIndex(1);
            const int points = form->browser->font().pointSize();
            shell.zoomIn();
            shell.zoomIn();
            QCOMPARE(form->browser->font().pointSize(), points + 2);
            for (const char *page : {"qwidget.html#size-prop", "qobject.html", "qstring.html"}) {
                shell.load(QString::fromLatin1(page));
                shell.addBookmark();
            }
            // Adding shows the Bookmarks tab; pick the Index tab again.
            form->leftTabs->setCurrentIndex(1);
            pos = shell.pos();
            size = shell.size();
            pane = form->splitter->sizes().value(0);
            font = form->browser->font().toString();
            bookmarks = bookmarkRows(shell);
        }
        QCOMPARE(pane, 333);
        QCOMPARE(bookmarks.size(), 3);
        QCOMPARE(store()
                     .value(QString::fromLatin1(tarn::settingskeys::bookmarkNames))
                     .toStringList()
                     .size(),
                 3);

        Shell again;
        MainWidget *form = again.form();
        QCOMPARE(again.pos(), pos);
        QCOMPARE(again.size(), size);
        QCOMPARE(form->splitter->sizes().value(0), pane);
        QCOMPARE(form->leftTabs->currentIndex(), 1);
        QCOMPARE(form->browser->font().toString(), font);
        QCOMPARE(bookmarkRows(again), bookmarks);
    }

    // The panel's hidden state is not kept, and its width survives hiding.
    void hiddenPanel_showsAgain()
    {
        int pane = 0;
        {
            Shell shell;
            MainWidget *form = shell.form();
            shell.show();
            QVERIFY(QTest::qWaitForWindowExposed(&shell));
            const int room = form->splitter->width() - form->splitter->handleWidth();
            form->splitter->setSizes({310, room - 310});
            pane = form->splitter->sizes().value(0);
            shell.panel();
            QVERIFY(form->leftTabs->isHidden());
        }
        QCOMPARE(store().value(QString::fromLatin1(tarn::settingskeys::geomS1)).toInt(), pane);
        Shell again;
        MainWidget *form = again.form();
        again.show();
        QVERIFY(QTest::qWaitForWindowExposed(&again));
        QVERIFY(form->leftTabs->isVisible());
        QCOMPARE(form->splitter->sizes().value(0), pane);
    }

    // Stored lists edited by hand: the names decide the rows, a name without
    // a URL gets an empty one, a value that is no list reads as no list.
    void storedLists_data()
    {
        QTest::addColumn<QByteArray>("file");
        QTest::addColumn<QStringList>("rows");
        QTest::newRow("fewer urls")
            << QByteArray("[velmora]\nbookmarks\\names=c, a, b\nbookmarks\\urls=c.html\n")
            << QStringList{"a|", "b|", "c|c.html"};
        QTest::newRow("more urls")
            << QByteArray("[velmora]\nbookmarks\\names=a\nbookmarks\\urls=a.html, b.html\n")
            << QStringList{"a|a.html"};
        QTest::newRow("names a map")
            << QByteArray("[velmora]\nbookmarks\\names=@Variant(\\0\\0\\0\\b\\0\\0\\0\\x1\\0\\0\\0"
                          "\\x2\\0k\\0\\0\\0\\n\\0\\0\\0\\0\\x2\\0v)\nbookmarks\\urls=a.html\n")
            << QStringList();
        QTest::newRow("names a rectangle")
            << QByteArray("[velmora]\nbookmarks\\names=@Rect(1 2 3 4)\nbookmarks\\urls=a.html\n")
            << QStringList();
        QTest::newRow("names broken variant")
            << QByteArray("[velmora]\nbookmarks\\names=@Variant(\\0\\0\\0\\x7f\\xff)\n")
            << QStringList();
        QTest::newRow("urls a rectangle")
            << QByteArray("[velmora]\nbookmarks\\names=a, b\nbookmarks\\urls=@Rect(1 2 3 4)\n")
            << QStringList{"a|", "b|"};
        QTest::newRow("empty lists")
            << QByteArray("[velmora]\nbookmarks\\names=@Invalid()\nbookmarks\\urls=@Invalid()\n")
            << QStringList();
    }
    void storedLists()
    {
        QFETCH(QByteArray, file);
        writeStoreFile(file);
        {
            Shell shell;
            QTEST(bookmarkRows(shell), "rows");
        }
        // What the window wrote back is a sound pair of lists.
        QSettings s = store();
        QFETCH(QStringList, rows);
        QCOMPARE(
            s.value(QString::fromLatin1(tarn::settingskeys::bookmarkNames)).toStringList().size(),
            rows.size());
        QCOMPARE(
            s.value(QString::fromLatin1(tarn::settingskeys::bookmarkUrls)).toStringList().size(),
            rows.size());
    }

    // Values stored by this process in other types than lists.
    void storedListsOfOtherTypes_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("map") << QVariant(QVariantMap{{QStringLiteral("k"), 1}});
        QTest::newRow("rectangle") << QVariant(QRect(1, 2, 3, 4));
    }
    void storedListsOfOtherTypes()
    {
        QFETCH(QVariant, value);
        store().setValue(QString::fromLatin1(tarn::settingskeys::bookmarkNames), value);
        store().setValue(QString::fromLatin1(tarn::settingskeys::bookmarkUrls), value);
        Shell shell;
        QVERIFY(bookmarkRows(shell).isEmpty());
    }
};

QTEST_MAIN(tst_SavedState)
#include "tst_savedstate.moc"
