// Velmora: names as developers give them, looked up in an index.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "lookup.h"

#include "listformat.h"

#include <QTest>

#include <algorithm>
#include <cstring>
#include <utility>

using namespace tarn;

namespace {

// A small index in display order: classes, then members.
const QList<QPair<QString, QString>> entries = {
    {"QDebug", "qdebug.html"},
    {"QFake", "qfake.html"},
    {"QString", "qstring.html"},
    {"QStringList", "qstringlist.html"},
    {"QWidget", "qwidget.html"},
    {"arg (QString)", "qstring.html#arg"},
    {"arg (QString)", "qstring.html#arg-1"},
    {"argument (QCommandLineParser)", "qcommandlineparser.html#argument"},
    {"Arg (QFake)", "qfake.html#Arg"},
    {"operator<< (QDebug)", "qdebug.html#operator-lt-lt"},
    {"setWindowTitle (QWidget)", "qwidget.html#windowTitle-prop"},
    {"ß (QString)", "qstring.html#sharp-s"},
};

const IndexTable &table()
{
    static const IndexTable table = [] {
        QString text;
        for (const auto &[name, target] : entries)
            text += formatIndexLine(name, target, QString()) + QLatin1String(listLineEnd);
        return IndexTable::fromText(text);
    }();
    return table;
}

Lookup look(const QString &name)
{
    return lookUp(name, table(), nullptr, [](const QString &page) {
        return page == QLatin1String("qstring.html") || page == QLatin1String("index.html");
    });
}

// An index with what entries.lst says of it: places among the entries of
// one name, bases, parameters. In the file's order, by name.
struct ApiLine
{
    const char *name;
    const char *target;
    const char *kind;
    const char *what;
    const char *parameters; // or a class's bases
    int place;
};
const ApiLine apiLines[] = {
    {"QAbstractButton", "qabstractbutton.html", "W", "class", "QWidget", 0},
    {"QCheckBox", "qcheckbox.html", "W", "class", "QAbstractButton", 0},
    {"QMessageBox", "qmessagebox.html", "W", "class", "QWidget", 0},
    {"QTimer", "qtimer.html", "O", "class", "", 0},
    {"QWidget", "qwidget.html", "W", "class", "", 0},
    {"QWindow", "qwindow.html", "O", "class", "", 0},
    {"checkBox (QMessageBox)", "qmessagebox.html#checkBox", "+f", "function", "() const", 0},
    {"checkState (QCheckBox)", "qcheckbox.html#checkState", "+f", "function", "() const", 0},
    {"isSingleShot (QTimer)", "qtimer.html#singleShot-prop", "+f", "function", "() const", 0},
    {"paintEvent (QCheckBox)", "qcheckbox.html#paintEvent", "-f", "function", "(QPaintEvent *)", 2},
    {"paintEvent (QWidget)", "qwidget.html#paintEvent", "-f", "function", "(QPaintEvent *event)",
     0},
    {"paintEvent (QWindow)", "qwindow.html#paintEvent", "-f", "function", "(QPaintEvent *ev)", 1},
    {"setText (QAbstractButton)", "qabstractbutton.html#text-prop", "+f", "function",
     "(const QString &text)", 0},
    {"setWindowTitle (QWidget)", "qwidget.html#windowTitle-prop", "+S", "function",
     "(const QString &)", 0},
    {"setWindowTitle (QWindow)", "qwindow.html#title-prop", "+S", "function", "(const QString &)",
     1},
    // Overloads in the order of the reference, as the import writes them.
    {"singleShot (QTimer)", "qtimer.html#singleShot", "+F", "function",
     "(int msec, const QObject *receiver, const char *member)", 0},
    {"singleShot (QTimer)", "qtimer.html#singleShot-1", "+F", "function",
     "(int msec, const QObject *context, Functor functor)", 1},
    {"singleShot (QTimer)", "qtimer.html#singleShot-prop", "", "property", "", 2},
};

const char apiNames[] = "AlignLeft===Qt===qt.html#AlignmentFlag-enum===enumvalue\r\n"
                        "AlignLeft===QTextStream===qtextstream.html#FieldAlignment-enum==="
                        "enumvalue\r\n"
                        "Checked===Qt::CheckState===qt.html#CheckState-enum===enumvalue\r\n"
                        "Q_PROPERTY======qobject.html#Q_PROPERTY===macro\r\n"
                        "Qt======qt.html===namespace\r\n";

// index.lst and entries.lst of `apiLines`.
std::pair<QString, QByteArray> apiLists()
{
    QString text;
    QByteArray details;
    for (const ApiLine &l : apiLines) {
        text += formatIndexLine(QString::fromUtf8(l.name), QString::fromUtf8(l.target),
                                QString::fromUtf8(l.kind))
            + QLatin1String(listLineEnd);
        const bool member = QByteArrayView(l.target).contains('#');
        EntryDetail detail{QString::fromUtf8(l.target),
                           QString::fromUtf8(l.what),
                           member ? QString::fromUtf8(l.parameters) : QString(),
                           l.place,
                           member ? QString() : QString::fromUtf8(l.parameters),
                           QString(),
                           false};
        details += formatEntryDetailLine(detail).toUtf8() + listLineEnd;
    }
    return {text, details};
}

const IndexTable &apiTable()
{
    static const IndexTable table = [] {
        const auto [text, details] = apiLists();
        return IndexTable::fromLists(text, details);
    }();
    return table;
}

const NameTable &apiNameTable()
{
    static const NameTable names = NameTable::fromText(QString::fromUtf8(apiNames));
    return names;
}

QVector<int> rowsNamed(const IndexTable &table, QStringView name)
{
    QVector<int> rows;
    for (int row = 0; row < table.rows.size(); ++row) {
        if (table.name(row) == name)
            rows.append(row);
    }
    return rows;
}

// Rows as "name|target".
QStringList rowTexts(const IndexTable &table, const QVector<int> &rows)
{
    QStringList texts;
    for (const int row : rows)
        texts.append(table.name(row) + u'|' + table.view(table.rows.at(row).target).toString());
    return texts;
}

// Every field of the two tables' rows and parts, as the lookups read them.
void compareTables(const IndexTable &a, const IndexTable &b)
{
    QCOMPARE(a.rows.size(), b.rows.size());
    for (int i = 0; i < a.rows.size(); ++i) {
        const IndexTable::Row &x = a.rows.at(i);
        const IndexTable::Row &y = b.rows.at(i);
        QCOMPARE(a.name(i), b.name(i));
        QCOMPARE(a.bareName(i), b.bareName(i));
        QCOMPARE(a.view(x.target), b.view(y.target));
        QCOMPARE(a.view(x.kind), b.view(y.kind));
        QCOMPARE(a.parameters(i), b.parameters(i));
        QCOMPARE(a.what(i), b.what(i));
        QCOMPARE(x.line, y.line);
        QCOMPARE(x.place, y.place);
        QCOMPARE(x.member, y.member);
        QCOMPARE(x.twin, y.twin);
        QCOMPARE(x.deprecated, y.deprecated);
        QCOMPARE(x.kindOf, y.kindOf);
        QCOMPARE(x.since, y.since);
    }
    QCOMPARE(a.lookupOrder, b.lookupOrder);
    QCOMPARE(a.classNames, b.classNames);
    QCOMPARE(a.whats, b.whats);
    QCOMPARE(a.hasDetails(), b.hasDetails());
}

// An image copied to where the program's own lies: at a multiple of 16.
struct PlacedImage
{
    explicit PlacedImage(const QByteArray &image, qsizetype shift = 0)
        : storage(image.size() + 32, '\0')
    {
        const quintptr base = quintptr(storage.data());
        data = reinterpret_cast<unsigned char *>(storage.data()) + ((16 - base % 16) % 16) + shift;
        std::memcpy(data, image.constData(), size_t(image.size()));
    }
    QByteArray storage;
    unsigned char *data = nullptr;
};

} // namespace

class tst_Lookup : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resolution_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("target");
        QTest::newRow("class") << "QString" << int(Lookup::Entry) << "qstring.html";
        QTest::newRow("class, other case") << "qstring" << int(Lookup::Entry) << "qstring.html";
        QTest::newRow("blanks around") << "  QWidget \t" << int(Lookup::Entry) << "qwidget.html";
        QTest::newRow("entry as it reads")
            << "arg (QString)" << int(Lookup::Entry) << "qstring.html#arg";
        QTest::newRow("qualified member")
            << "QString::arg" << int(Lookup::Entry) << "qstring.html#arg";
        QTest::newRow("class and member")
            << "QString arg" << int(Lookup::Entry) << "qstring.html#arg";
        QTest::newRow("qualified, start of a member")
            << "QWidget::setWindowT" << int(Lookup::FirstMatch) << "qwidget.html#windowTitle-prop";
        QTest::newRow("operator") << "QDebug::operator<<" << int(Lookup::Entry)
                                  << "qdebug.html#operator-lt-lt";
        QTest::newRow("case first, then any case")
            << "QFake::Arg" << int(Lookup::Entry) << "qfake.html#Arg";
        QTest::newRow("page") << "qstring.html" << int(Lookup::Page) << "qstring.html";
        QTest::newRow("page with anchor")
            << "qstring.html#arg-1" << int(Lookup::Page) << "qstring.html#arg-1";
        QTest::newRow("page not in the set") << "nowhere.html" << int(Lookup::NoMatch) << "";
        QTest::newRow("first the Index shows")
            << "Title" << int(Lookup::FirstMatch) << "qwidget.html#windowTitle-prop";
        QTest::newRow("no match") << "xyzzyqqq" << int(Lookup::NoMatch) << "";
        QTest::newRow("empty") << "" << int(Lookup::Nothing) << "";
        QTest::newRow("blank") << "   " << int(Lookup::Nothing) << "";
        QTest::newRow("10,000 characters") << QString(10000, u'x') << int(Lookup::NoMatch) << "";
        QTest::newRow("beyond ASCII")
            << "QString::ß" << int(Lookup::Entry) << "qstring.html#sharp-s";
        QTest::newRow("not a class") << "Nothing::arg" << int(Lookup::NoMatch) << "";
    }

    // A name from outside goes where the search and the Index put it first.
    void resolutionThroughTheRanking_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("target");
        QTest::newRow("member many entries share")
            << "singleShot" << int(Lookup::Entry) << "qtimer.html#singleShot";
        QTest::newRow("reimplemented virtual")
            << "paintEvent" << int(Lookup::Entry) << "qwidget.html#paintEvent";
        QTest::newRow("enum value")
            << "Qt::AlignLeft" << int(Lookup::Entry) << "qt.html#AlignmentFlag-enum";
        QTest::newRow("macro") << "Q_PROPERTY" << int(Lookup::Entry) << "qobject.html#Q_PROPERTY";
        QTest::newRow("start of a name: the first the Index shows")
            << "singleSh" << int(Lookup::FirstMatch) << "qtimer.html#singleShot";
    }
    void resolutionThroughTheRanking()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, target);
        const Lookup found =
            lookUp(name, apiTable(), &apiNameTable(), [](const QString &) { return false; });
        QCOMPARE(int(found.kind), kind);
        QCOMPARE(found.target, target);
    }
    void resolution()
    {
        QFETCH(QString, name);
        QFETCH(int, kind);
        QFETCH(QString, target);
        const Lookup found = look(name);
        QCOMPARE(int(found.kind), kind);
        QCOMPARE(found.target, target);
    }

    // What the Index shows as one types, and why.
    void indexOrder_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QStringList>("firstRows");
        QTest::newRow("the name itself before entries that only hold it: the static "
                      "function of that name first, its property after")
            << "singleShot"
            << QStringList{"singleShot (QTimer)|qtimer.html#singleShot",
                           "singleShot (QTimer)|qtimer.html#singleShot-1",
                           "singleShot (QTimer)|qtimer.html#singleShot-prop",
                           "isSingleShot (QTimer)|qtimer.html#singleShot-prop"};
        QTest::newRow("the declaring class first, then other roots, then derived")
            << "paintEvent"
            << QStringList{"paintEvent (QWidget)|qwidget.html#paintEvent",
                           "paintEvent (QWindow)|qwindow.html#paintEvent",
                           "paintEvent (QCheckBox)|qcheckbox.html#paintEvent"};
        QTest::newRow("exact in case only; in any case a start of a name")
            << "paintevent"
            << QStringList{"paintEvent (QWidget)|qwidget.html#paintEvent",
                           "paintEvent (QWindow)|qwindow.html#paintEvent",
                           "paintEvent (QCheckBox)|qcheckbox.html#paintEvent"};
        QTest::newRow("classes first, then members that start so, then the rest")
            << "checkbox"
            << QStringList{"QCheckBox|qcheckbox.html",
                           "checkBox (QMessageBox)|qmessagebox.html#checkBox",
                           "checkState (QCheckBox)|qcheckbox.html#checkState",
                           "paintEvent (QCheckBox)|qcheckbox.html#paintEvent"};
        QTest::newRow("a class named exactly comes before its members")
            << "QCheckBox"
            << QStringList{"QCheckBox|qcheckbox.html",
                           "checkState (QCheckBox)|qcheckbox.html#checkState",
                           "paintEvent (QCheckBox)|qcheckbox.html#paintEvent"};
        QTest::newRow("a class that holds the text before members named with it")
            << "window"
            << QStringList{"QWindow|qwindow.html", "paintEvent (QWindow)|qwindow.html#paintEvent",
                           "setWindowTitle (QWidget)|qwidget.html#windowTitle-prop",
                           "setWindowTitle (QWindow)|qwindow.html#title-prop"};
        QTest::newRow("a qualified name: that class's members, in list order")
            << "QTimer::singleShot"
            << QStringList{"singleShot (QTimer)|qtimer.html#singleShot",
                           "singleShot (QTimer)|qtimer.html#singleShot-1",
                           "singleShot (QTimer)|qtimer.html#singleShot-prop"};
        QTest::newRow("nothing matches") << "xyzzyqqq" << QStringList();
    }
    void indexOrder()
    {
        QFETCH(QString, text);
        QFETCH(QStringList, firstRows);
        const QVector<int> shown = indexRows(apiTable(), text);
        QCOMPARE(rowTexts(apiTable(), shown).mid(0, firstRows.size()), firstRows);
        // Whatever the order, the rows are the matches, each once.
        if (!qualifiedName(text)) {
            QVector<int> sorted = shown;
            QVector<int> matches = matchingRows(apiTable(), text);
            std::sort(sorted.begin(), sorted.end());
            std::sort(matches.begin(), matches.end());
            QCOMPARE(sorted, matches);
        }
    }

    // No text: every entry, classes first, names in any case, overloads of
    // one name in the reference's order.
    void indexOrder_emptyTextShowsTheListOrder()
    {
        const QStringList rows = rowTexts(apiTable(), indexRows(apiTable(), QString()));
        QCOMPARE(rows.size(), qsizetype(std::size(apiLines)));
        QCOMPARE(rows.first(), QStringLiteral("QAbstractButton|qabstractbutton.html"));
        QCOMPARE(rows.indexOf(QStringLiteral("singleShot (QTimer)|qtimer.html#singleShot")) + 1,
                 rows.indexOf(QStringLiteral("singleShot (QTimer)|qtimer.html#singleShot-1")));
    }

    // Typing on narrows what the text before matched: the same rows as a
    // fresh pass.
    void narrowingMatchesAFreshPass()
    {
        const QVector<int> s = matchingRows(apiTable(), u"s");
        const QVector<int> se = matchingRows(apiTable(), u"se", &s);
        QCOMPARE(se, matchingRows(apiTable(), u"se"));
        QCOMPARE(matchingRows(apiTable(), u"setw", &se), matchingRows(apiTable(), u"setw"));
    }

    // The entries a name names, best first, from the index and from the
    // names it has no line for.
    void namedEntries_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<QString>("target");
        QTest::addColumn<QString>("what");
        QTest::newRow("member: the static function, not the property") << "singleShot"
                                                                       << "qtimer.html#singleShot"
                                                                       << "function";
        QTest::newRow("qualified member") << "QTimer::singleShot"
                                          << "qtimer.html#singleShot"
                                          << "function";
        QTest::newRow("class and member") << "QTimer singleShot"
                                          << "qtimer.html#singleShot"
                                          << "function";
        QTest::newRow("qualified, any case") << "qtimer::SINGLESHOT"
                                             << "qtimer.html#singleShot"
                                             << "function";
        QTest::newRow("entry as it reads") << "singleShot (QTimer)"
                                           << "qtimer.html#singleShot"
                                           << "function";
        QTest::newRow("inherited member: the base's") << "QCheckBox::setText"
                                                      << "qabstractbutton.html#text-prop"
                                                      << "function";
        QTest::newRow("class") << "QWidget"
                               << "qwidget.html"
                               << "class";
        QTest::newRow("class, any case") << "qcheckbox"
                                         << "qcheckbox.html"
                                         << "class";
        QTest::newRow("declaring class first") << "paintEvent"
                                               << "qwidget.html#paintEvent"
                                               << "function";
        QTest::newRow("enum value, qualified") << "Qt::AlignLeft"
                                               << "qt.html#AlignmentFlag-enum"
                                               << "enumvalue";
        QTest::newRow("enum value alone: the larger page's") << "AlignLeft"
                                                             << "qt.html#AlignmentFlag-enum"
                                                             << "enumvalue";
        QTest::newRow("enum value of another scope") << "QTextStream::AlignLeft"
                                                     << "qtextstream.html#FieldAlignment-enum"
                                                     << "enumvalue";
        QTest::newRow("value of an enum class") << "Qt::CheckState::Checked"
                                                << "qt.html#CheckState-enum"
                                                << "enumvalue";
        QTest::newRow("macro") << "Q_PROPERTY"
                               << "qobject.html#Q_PROPERTY"
                               << "macro";
        QTest::newRow("namespace") << "Qt"
                                   << "qt.html"
                                   << "namespace";
        QTest::newRow("words that spell a class") << "show a message box"
                                                  << "qmessagebox.html"
                                                  << "class";
        QTest::newRow("one word spells no class") << "timer"
                                                  << ""
                                                  << "";
        QTest::newRow("a task names nothing") << "read a file line by line"
                                              << ""
                                              << "";
        QTest::newRow("a prefix names nothing") << "single*"
                                                << ""
                                                << "";
        QTest::newRow("a phrase names nothing") << "\"singleShot\""
                                                << ""
                                                << "";
        QTest::newRow("leaving out names nothing") << "-singleShot"
                                                   << ""
                                                   << "";
        QTest::newRow("a start of a name names nothing") << "singleSh"
                                                         << ""
                                                         << "";
        QTest::newRow("blank") << "   "
                               << ""
                               << "";
    }
    void namedEntries()
    {
        QFETCH(QString, text);
        QFETCH(QString, target);
        QFETCH(QString, what);
        const QVector<ApiMatch> found = tarn::namedEntries(apiTable(), &apiNameTable(), text);
        QCOMPARE(found.value(0).target, target);
        QCOMPARE(found.value(0).what, what);
        // Without the names the index lacks, the index's entries alone.
        const QVector<ApiMatch> indexOnly = tarn::namedEntries(apiTable(), nullptr, text);
        for (const ApiMatch &match : indexOnly)
            QVERIFY(match.row >= 0);
    }

    // Overloads carry their parameters, a class its bases; details match
    // their index line by target where the lines do not line up.
    void entryDetails()
    {
        const IndexTable &table = apiTable();
        const QVector<int> shots = rowsNamed(table, u"singleShot (QTimer)");
        QCOMPARE(shots.size(), 3);
        for (const int row : shots)
            QVERIFY(table.rows.at(row).twin);
        QCOMPARE(table.parameters(shots.first()),
                 QStringLiteral("(int msec, const QObject *receiver, const char *member)"));
        QCOMPARE(table.what(shots.last()), QStringLiteral("property"));
        QVERIFY(!table.rows.at(table.classRow(u"QTimer")).twin);
        QCOMPARE(table.bases(table.classRow(u"QCheckBox")), QStringList{"QAbstractButton"});
        QCOMPARE(table.ancestors(u"QCheckBox"), (QStringList{"QAbstractButton", "QWidget"}));

        // A line lost from entries.lst, one damaged: the rest still find their lines.
        const QString text = apiLists().first;
        QByteArray details;
        for (const ApiLine &l : apiLines) {
            if (QByteArrayView(l.target) == "qcheckbox.html#checkState")
                continue;
            if (QByteArrayView(l.target) == "qwindow.html#paintEvent") {
                details += "qwindow.html#paintEvent===function===(x)===not a place\r\n";
                continue;
            }
            details += QByteArray(l.target) + "===" + l.what + "===" + l.parameters
                + "===" + QByteArray::number(l.place) + "===\r\n";
        }
        details += "\r\n===\r\n";
        const IndexTable damaged = IndexTable::fromLists(text, details);
        const int checkState = rowsNamed(damaged, u"checkState (QCheckBox)").value(0, -1);
        QVERIFY(checkState >= 0);
        QCOMPARE(damaged.parameters(checkState), QString());
        const int window = rowsNamed(damaged, u"paintEvent (QWindow)").value(0, -1);
        QCOMPARE(damaged.parameters(window), QStringLiteral("(x)"));
        QCOMPARE(damaged.rows.at(window).place, quint16(0));
        const int shot = rowsNamed(damaged, u"singleShot (QTimer)").value(0, -1);
        QCOMPARE(damaged.parameters(shot),
                 QStringLiteral("(int msec, const QObject *receiver, const char *member)"));
        // No entries.lst at all: the index alone, as it always was.
        const IndexTable bare = IndexTable::fromText(text);
        QCOMPARE(bare.rows.size(), damaged.rows.size());
        QCOMPARE(rowTexts(bare, indexRows(bare, u"paintEvent")).size(), 3);
    }

    // The build parses index.lst and the program uses the frozen image in
    // place: it must be the very table the parse gives, lookups and all,
    // and the details must go into a copy, never into the image.
    void frozenTableIsTheParsedTable()
    {
        auto [text, details] = apiLists();
        for (const auto &[name, target] : entries)
            text += formatIndexLine(name, target, QString()) + QLatin1String(listLineEnd);
        const IndexTable parsed = IndexTable::fromText(text);
        const QByteArray image = parsed.frozen();
        QVERIFY(!image.isEmpty());
        const PlacedImage placed(image);
        IndexTable frozen;
        QVERIFY(IndexTable::fromFrozen(placed.data, image.size(), &frozen));
        compareTables(frozen, parsed);
        QCOMPARE(frozen.classRow(u"qwidget"), parsed.classRow(u"qwidget"));
        QCOMPARE(frozen.memberRun(u"paintEvent"), parsed.memberRun(u"paintEvent"));
        QCOMPARE(frozen.ancestors(u"QCheckBox"), parsed.ancestors(u"QCheckBox"));
        QCOMPARE(rowTexts(frozen, indexRows(frozen, u"arg")),
                 rowTexts(parsed, indexRows(parsed, u"arg")));
        // The view's text is the image's own, not a copy.
        QCOMPARE(static_cast<const void *>(frozen.name(0).data()),
                 static_cast<const void *>(frozen.text.constData()));
        QVERIFY(frozen.text.constData() >= reinterpret_cast<const QChar *>(placed.data));

        IndexTable detailed = frozen;
        detailed.setDetails(detailed.readDetails(details));
        compareTables(detailed, IndexTable::fromLists(text, details));
        QCOMPARE(QByteArray(reinterpret_cast<const char *>(placed.data), image.size()), image);
        compareTables(frozen, parsed);
        // Only a table without details freezes.
        QVERIFY(detailed.frozen().isEmpty());
        const PlacedImage none(IndexTable().frozen());
        IndexTable empty = parsed;
        QVERIFY(IndexTable::fromFrozen(none.data, IndexTable().frozen().size(), &empty));
        QVERIFY(empty.rows.isEmpty() && empty.classNames.isEmpty());

        // Anything but this build's whole image is refused, and leaves the
        // table as it was.
        const auto refused = [&](const unsigned char *data, qsizetype size) {
            IndexTable out = parsed;
            const bool taken = IndexTable::fromFrozen(data, size, &out);
            return !taken && out.rows.size() == parsed.rows.size();
        };
        QVERIFY(refused(nullptr, 0));
        QVERIFY(refused(placed.data, image.size() - 1));
        QVERIFY(refused(placed.data, 16));
        const PlacedImage longer(image + QByteArray(16, '\0'));
        QVERIFY(refused(longer.data, image.size() + 16));
        const PlacedImage shifted(image, 4);
        QVERIFY(refused(shifted.data, image.size()));
        PlacedImage marked(image);
        marked.data[0] = 'W';
        QVERIFY(refused(marked.data, image.size()));
        PlacedImage otherRows(image);
        otherRows.data[8] = uchar(otherRows.data[8] + 4); // the size of a row
        QVERIFY(refused(otherRows.data, image.size()));
        PlacedImage otherOrder(image);
        std::swap(otherOrder.data[28], otherOrder.data[31]); // made on another byte order
        QVERIFY(refused(otherOrder.data, image.size()));
        PlacedImage moreRows(image);
        moreRows.data[16] = uchar(moreRows.data[16] + 1); // the count of rows
        QVERIFY(refused(moreRows.data, image.size()));
    }

    void qualifiedNames_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<bool>("qualified");
        QTest::addColumn<QString>("className");
        QTest::addColumn<QString>("member");
        QTest::newRow("Class::member") << "QString::arg" << true << "QString"
                                       << "arg";
        QTest::newRow("nested class") << "QAccessible::State::x" << true << "QAccessible::State"
                                      << "x";
        QTest::newRow("Class member") << "QString arg" << true << "QString"
                                      << "arg";
        QTest::newRow("destructor") << "QString::~QString" << true << "QString"
                                    << "~QString";
        QTest::newRow("every member") << "QString::" << true << "QString"
                                      << "";
        QTest::newRow("one word") << "QString" << false << ""
                                  << "";
        QTest::newRow("entry as it reads") << "arg (QString)" << false << ""
                                           << "";
        QTest::newRow("three words") << "a b c" << false << ""
                                     << "";
        QTest::newRow("a sentence") << "QString arg(int)" << false << ""
                                    << "";
        QTest::newRow("leading colons") << "::arg" << false << ""
                                        << "";
    }
    void qualifiedNames()
    {
        QFETCH(QString, text);
        QFETCH(bool, qualified);
        const std::optional<QualifiedName> name = qualifiedName(text);
        QCOMPARE(name.has_value(), qualified);
        if (name) {
            QTEST(name->className, "className");
            QTEST(name->member, "member");
        }
    }
};

QTEST_GUILESS_MAIN(tst_Lookup)
#include "tst_lookup.moc"
