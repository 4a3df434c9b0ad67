// Velmora: the lookup over the real reference: the Index's order, overloads told apart, search
// that puts the API first.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "indexmodel.h"
#include "listreader.h"
#include "lookup.h"
#include "namedhits.h"
#include "searchindex.h"

#include <QHash>
#include <QSet>
#include <QTest>

using namespace tarn;

namespace {

const IndexTable &table()
{
    static const IndexTable table = readFullIndexTable();
    return table;
}

} // namespace

class tst_ApiLookup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(table().rows.size() > 20000, "the real index is embedded");
        QVERIFY2(!table().details.isEmpty(), "entries.lst is embedded");
        QVERIFY2(readNameTable().rows.size() > 5000, "names.lst is embedded");
        SearchIndex::embedded()->setTimeLimit(10000);
    }

    // The first row the Index shows for a text, and a row that must come
    // after it.
    void indexOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("later");
        // What a developer means by the bare name is the static function;
        // the property and its getter isSingleShot only hold the text.
        QTest::newRow("singleShot") << "singleShot"
                                    << "singleShot (QTimer)|qtimer.html#singleShot"
                                    << "isSingleShot (QTimer)|qtimer.html#singleShot-prop";
        // Reimplemented everywhere; QWidget declares it, and most classes
        // derive from it.
        QTest::newRow("paintEvent")
            << "paintEvent"
            << "paintEvent (QWidget)|qwidget.html#paintEvent"
            << "paintEvent (QSplitterHandle)|qsplitterhandle.html#paintEvent";
        QTest::newRow("paintEvent, window side")
            << "paintEvent"
            << "paintEvent (QWidget)|qwidget.html#paintEvent"
            << "paintEvent (QPaintDeviceWindow)|qpaintdevicewindow.html#paintEvent";
        QTest::newRow("mousePressEvent")
            << "mousePressEvent"
            << "mousePressEvent (QWidget)|qwidget.html#mousePressEvent"
            << "mousePressEvent (QAbstractButton)|qabstractbutton.html#mousePressEvent";
        // Both declare it; more classes derive from QWidget.
        QTest::newRow("setWindowTitle")
            << "setWindowTitle"
            << "setWindowTitle (QWidget)|qwidget.html#windowTitle-prop"
            << "setWindowTitle (QGraphicsWidget)|qgraphicswidget.html#windowTitle-prop";
        // Classes first, as ever: the class holds the text in its name.
        QTest::newRow("checkbox") << "checkbox"
                                  << "QCheckBox|qcheckbox.html"
                                  << "checkState (QCheckBox)|qcheckbox.html#checkState";
        // That class's members, its overloads in the order of its page.
        QTest::newRow("QString::arg") << "QString::arg"
                                      << "arg (QString)|qstring.html#arg"
                                      << "arg (QString)|qstring.html#arg-1";
        QTest::newRow("a class by its name") << "QTimer"
                                             << "QTimer|qtimer.html"
                                             << "QTimerEvent|qtimerevent.html";
        QTest::newRow("a macro the index lists") << "Q_OBJECT"
                                                 << "Q_OBJECT (QObject)|qobject.html#Q_OBJECT"
                                                 << "";
        // No text: the list's own order, classes first.
        QTest::newRow("empty") << ""
                               << "QAbstractAnimation|qabstractanimation.html"
                               << "AcceptMode (QFileDialog)|qfiledialog.html#AcceptMode-enum";
    }
    void indexOrder()
    {
        QFETCH(QString, text);
        QFETCH(QString, first);
        QFETCH(QString, later);
        IndexModel model;
        model.setTable(readIndexTable(), readIndexDetails);
        model.setFilter(text);
        QVERIFY(model.rowCount() > 0);
        QStringList shown;
        for (int row = 0; row < model.rowCount(); ++row)
            shown.append(model.entry(row).name + u'|' + model.entry(row).target);
        QCOMPARE(shown.first(), first);
        if (!later.isEmpty()) {
            QVERIFY2(shown.indexOf(later) > 0, qPrintable(later));
            // Typed one key at a time, the same order.
            IndexModel typed;
            typed.setTable(readIndexTable(), readIndexDetails);
            for (qsizetype i = 1; i <= text.size(); ++i)
                typed.setFilter(text.left(i));
            QCOMPARE(typed.rowCount(), model.rowCount());
            for (int row = 0; row < model.rowCount(); ++row)
                QCOMPARE(typed.entry(row).target, model.entry(row).target);
        }
    }

    // What a reader sees of a row, its name and what tells it from its
    // twins, is never the same for two entries of one class, and a row
    // that has no twin shows nothing more.
    void everyRowOfAClassReadsApart()
    {
        IndexModel model;
        model.setTable(readIndexTable(), readIndexDetails);
        QHash<QString, QString> seen; // what the row reads -> its target
        QStringList alike;
        int twins = 0;
        for (int row = 0; row < model.rowCount(); ++row) {
            const QModelIndex index = model.index(row);
            const QString name = index.data().toString();
            const QString detail = index.data(IndexModel::DetailRole).toString();
            const QString reads = name + QLatin1String("  ") + detail;
            twins += !detail.isEmpty();
            const QString target = index.data(IndexModel::TargetRole).toString();
            if (seen.contains(reads))
                alike.append(reads + QLatin1String(" at ") + target + QLatin1String(" and ")
                             + seen.value(reads));
            seen.insert(reads, target);
        }
        QVERIFY2(alike.isEmpty(), qPrintable(alike.mid(0, 10).join(u'\n')));
        // 6,615 lines read like another before the details were shown.
        QVERIFY2(twins > 6000, qPrintable(QString::number(twins)));
        const int arg = [&] {
            for (int row = 0; row < model.rowCount(); ++row) {
                if (model.entry(row).target == QLatin1String("qstring.html#arg-1"))
                    return row;
            }
            return -1;
        }();
        QVERIFY(arg >= 0);
        QVERIFY(model.index(arg).data(IndexModel::DetailRole).toString().startsWith(u'('));
    }

    // A name from outside (the command line, an editor) goes where the
    // Index and the search put it first.
    void namesFromOutside_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("target");
        QTest::newRow("member") << "singleShot"
                                << "qtimer.html#singleShot";
        QTest::newRow("reimplemented") << "paintEvent"
                                       << "qwidget.html#paintEvent";
        QTest::newRow("qualified") << "QTimer::singleShot"
                                   << "qtimer.html#singleShot";
        QTest::newRow("inherited") << "QPushButton::setText"
                                   << "qabstractbutton.html#text-prop";
        QTest::newRow("enum value") << "Qt::AlignLeft"
                                    << "qt.html#AlignmentFlag-enum";
        QTest::newRow("enum value alone") << "WA_DeleteOnClose"
                                          << "qt.html#WidgetAttribute-enum";
        QTest::newRow("inherited enum value") << "QIODevice::ReadOnly"
                                              << "qiodevicebase.html#OpenModeFlag-enum";
        QTest::newRow("macro") << "QCOMPARE"
                               << "qtest.html#QCOMPARE";
        QTest::newRow("global macro") << "Q_ASSERT"
                                      << "qtglobal.html#Q_ASSERT";
    }
    void namesFromOutside()
    {
        QFETCH(QString, name);
        QFETCH(QString, target);
        const Lookup found =
            lookUp(name, table(), &readNameTable(), [](const QString &) { return false; });
        QCOMPARE(int(found.kind), int(Lookup::Entry));
        QCOMPARE(found.target, target);
    }

    // A query that names the API shows those entries first, opening at
    // their anchors, one row a page; the text hits follow.
    void searchPutsTheApiFirst_data()
    {
        QTest::addColumn<QString>("query");
        QTest::addColumn<QString>("first");
        QTest::newRow("class") << "QTimer"
                               << "qtimer.html";
        QTest::newRow("class, any case") << "qstringlist"
                                         << "qstringlist.html";
        QTest::newRow("member") << "singleShot"
                                << "qtimer.html#singleShot";
        QTest::newRow("member many classes share") << "mousePressEvent"
                                                   << "qwidget.html#mousePressEvent";
        QTest::newRow("qualified member") << "QWidget::setWindowTitle"
                                          << "qwidget.html#windowTitle-prop";
        QTest::newRow("class and member") << "QAbstractItemModel rowCount"
                                          << "qabstractitemmodel.html#rowCount";
        QTest::newRow("enum value") << "Qt::AlignLeft"
                                    << "qt.html#AlignmentFlag-enum";
        QTest::newRow("enum value alone") << "AlignLeft"
                                          << "qt.html#AlignmentFlag-enum";
        QTest::newRow("macro") << "Q_PROPERTY"
                               << "qobject.html#Q_PROPERTY";
        QTest::newRow("test macro") << "QVERIFY"
                                    << "qtest.html#QVERIFY";
    }
    void searchPutsTheApiFirst()
    {
        QFETCH(QString, query);
        QFETCH(QString, first);
        const SearchResults results =
            searchNamesFirst(*SearchIndex::embedded(), table(), &readNameTable(), query);
        QCOMPARE(results.status, SearchResults::Status::Ok);
        QVERIFY(!results.hits.isEmpty());
        QCOMPARE(results.hits.first().page, first);
        QVERIFY(!results.hits.first().title.isEmpty());
        QVERIFY(!results.hits.first().snippet.isEmpty());
        // One row a page, and the text hits still there after the names.
        QSet<QString> pages;
        for (const SearchHit &hit : results.hits) {
            const QString page = hit.page.section(u'#', 0, 0);
            QVERIFY2(!pages.contains(page), qPrintable(page));
            pages.insert(page);
        }
        QVERIFY(results.hits.size() > 1);
        QVERIFY(!results.terms.isEmpty());
    }

    // An entry's row says what it is and where: its signature over its kind
    // and the page's title, the kind marked.
    void apiRowReadsAsTheEntry()
    {
        const SearchResults results = searchNamesFirst(
            *SearchIndex::embedded(), table(), &readNameTable(), QStringLiteral("singleShot"));
        const SearchHit &row = results.hits.first();
        QCOMPARE(row.title,
                 QStringLiteral("QTimer::singleShot(int msec, const QObject *receiver, "
                                "const char *member)"));
        QCOMPARE(row.snippet, QStringLiteral("Static function \u00b7 QTimer Class"));
        QCOMPARE(row.hitRanges, (QList<QPair<int, int>>{{0, 15}}));
    }

    // Words that name nothing of the API search the text, as before.
    void searchOfWordsIsTheTextSearch()
    {
        for (const char *words : {"thread affinity", "implicitly shared", "qt*", "-QString"}) {
            const QString query = QString::fromLatin1(words);
            const SearchResults text = SearchIndex::embedded()->search(query);
            const SearchResults named =
                searchNamesFirst(*SearchIndex::embedded(), table(), &readNameTable(), query);
            QCOMPARE(named.hits.size(), text.hits.size());
            for (qsizetype i = 0; i < text.hits.size(); ++i)
                QCOMPARE(named.hits.at(i).page, text.hits.at(i).page);
            QCOMPARE(named.message, text.message);
        }
    }
};

QTEST_MAIN(tst_ApiLookup)
#include "tst_apilookup.moc"
