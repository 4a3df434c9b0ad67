// Velmora: tests of contents.lst and index.lst as generated from .index files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "apilists.h"
#include "classlists.h"
#include "listformat.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QHash>
#include <QTest>

using namespace tarn::import;

namespace {

const QString fixture = QStringLiteral(VELMORA_TEST_DATA "/qtdoc");

QSet<QString> fixturePages()
{
    QSet<QString> pages;
    for (const char *module : {"qtcore", "qtgui", "qtwidgets"}) {
        const QDir dir(fixture + QLatin1Char('/') + QLatin1String(module));
        for (const QString &page : dir.entryList({QStringLiteral("*.html")}, QDir::Files))
            pages.insert(page);
    }
    return pages;
}

QVector<ClassEntry> fixtureClasses()
{
    ClassCatalog catalog;
    // qtwidgets first: its bases name classes of modules read later.
    for (const char *module : {"qtwidgets", "qtcore", "qtgui"}) {
        QFile file(fixture + QLatin1Char('/') + QLatin1String(module) + QLatin1Char('/')
                   + QLatin1String(module) + QStringLiteral(".index"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("cannot open %s", qPrintable(file.fileName()));
        QString error;
        if (!catalog.addIndex(&file, nullptr, &error))
            qFatal("%s: %s", qPrintable(file.fileName()), qPrintable(error));
    }
    const QSet<QString> pages = fixturePages();
    return catalog.classes([&pages](const QString &page) { return pages.contains(page); });
}

QList<QByteArray> linesOf(const QByteArray &list)
{
    if (!list.endsWith("\r\n"))
        qFatal("list does not end with CR LF");
    QList<QByteArray> lines = list.split('\n');
    lines.removeLast(); // after the final CR LF
    for (QByteArray &line : lines) {
        if (!line.endsWith('\r'))
            qFatal("line without CR: %s", line.constData());
        line.chop(1);
    }
    return lines;
}

// A reference in small: paintEvent declared by QWidget and by QWindow and
// reimplemented below QWidget, event declared by QObject, enums in a class
// and in a namespace (one of them scoped), macros in a class and outside.
const char apiIndex[] =
    "<INDEX version=\"6.4.2\"><namespace name=\"\">"
    "<class name=\"QObject\" href=\"qobject.html\" status=\"active\" access=\"public\">"
    "<function name=\"event\" href=\"qobject.html#event\" status=\"active\" access=\"public\""
    " meta=\"plain\" type=\"bool\" signature=\"bool event(QEvent *e)\"/>"
    "<function name=\"Q_PROPERTY\" href=\"qobject.html#Q_PROPERTY\" status=\"active\""
    " access=\"public\" meta=\"macrowithparams\" type=\"\" signature=\"Q_PROPERTY(...)\"/>"
    "</class>"
    "<class name=\"QWidget\" href=\"qwidget.html\" status=\"active\" access=\"public\""
    " bases=\"QObject\">"
    "<function name=\"event\" href=\"qwidget.html#event\" status=\"active\" access=\"public\""
    " meta=\"plain\" type=\"bool\" signature=\"bool event(QEvent *event) override\"/>"
    "<function name=\"paintEvent\" href=\"qwidget.html#paintEvent\" status=\"active\""
    " access=\"protected\" meta=\"plain\" type=\"void\""
    " signature=\"void paintEvent(QPaintEvent *event)\"/>"
    "<property name=\"windowTitle\" href=\"qwidget.html#windowTitle-prop\" status=\"active\""
    " access=\"public\" type=\"QString\"/>"
    "</class>"
    "<class name=\"QFrame\" href=\"qframe.html\" status=\"active\" access=\"public\""
    " bases=\"QWidget\">"
    "<function name=\"paintEvent\" href=\"qframe.html#paintEvent\" status=\"active\""
    " access=\"protected\" meta=\"plain\" type=\"void\""
    " signature=\"void paintEvent(QPaintEvent *)\"/>"
    "<enum name=\"Shape\" fullname=\"QFrame::Shape\" href=\"qframe.html#Shape-enum\""
    " status=\"active\" access=\"public\"><value name=\"NoFrame\" value=\"0\"/>"
    "<value name=\"Box\" value=\"1\"/></enum>"
    "</class>"
    "<class name=\"QLabel\" href=\"qlabel.html\" status=\"active\" access=\"public\""
    " bases=\"QFrame\">"
    "<function name=\"paintEvent\" href=\"qlabel.html#paintEvent\" status=\"active\""
    " access=\"protected\" meta=\"plain\" type=\"void\""
    " signature=\"void paintEvent(QPaintEvent *)\"/>"
    "</class>"
    "<class name=\"QSplitterHandle\" href=\"qsplitterhandle.html\" status=\"active\""
    " access=\"public\" bases=\"QWidget\">"
    "<function name=\"paintEvent\" href=\"qsplitterhandle.html#paintEvent\" status=\"active\""
    " access=\"protected\" meta=\"plain\" type=\"void\""
    " signature=\"void paintEvent(QPaintEvent *)\"/>"
    "</class>"
    "<class name=\"QWindow\" href=\"qwindow.html\" status=\"active\" access=\"public\""
    " bases=\"QObject\">"
    "<function name=\"event\" href=\"qwindow.html#event\" status=\"active\" access=\"public\""
    " meta=\"plain\" type=\"bool\" signature=\"bool event(QEvent *ev) override\"/>"
    "<function name=\"paintEvent\" href=\"qwindow.html#paintEvent\" status=\"active\""
    " access=\"protected\" meta=\"plain\" type=\"void\""
    " signature=\"void paintEvent(QPaintEvent *ev)\"/>"
    "</class>"
    "<namespace name=\"Qt\" href=\"qt.html\" status=\"active\" access=\"public\">"
    "<enum name=\"AlignmentFlag\" fullname=\"Qt::AlignmentFlag\""
    " href=\"qt.html#AlignmentFlag-enum\" status=\"active\" access=\"public\">"
    "<value name=\"AlignLeft\" value=\"0x0001\"/></enum>"
    "<enum name=\"ColorScheme\" fullname=\"Qt::ColorScheme\" href=\"qt.html#ColorScheme-enum\""
    " status=\"active\" access=\"public\" scoped=\"true\">"
    "<value name=\"Dark\" value=\"2\"/></enum>"
    "<enum name=\"Gone\" fullname=\"Qt::Gone\" href=\"qt.html#Gone-enum\""
    " status=\"internal\" access=\"public\"><value name=\"Hidden\" value=\"0\"/></enum>"
    "</namespace>"
    "<function name=\"Q_ASSERT\" href=\"qtglobal.html#Q_ASSERT\" status=\"active\""
    " access=\"public\" meta=\"macrowithparams\" type=\"\" signature=\"Q_ASSERT(bool test)\"/>"
    "</namespace></INDEX>";

struct ApiImport
{
    ClassCatalog catalog;
    QVector<ClassEntry> classes;
};

ApiImport apiImport()
{
    ApiImport out;
    QByteArray xml(apiIndex);
    QBuffer buffer(&xml);
    buffer.open(QIODevice::ReadOnly);
    QString error;
    if (!out.catalog.addIndex(&buffer, nullptr, &error))
        qFatal("%s", qPrintable(error));
    out.classes = out.catalog.classes([](const QString &) { return true; });
    return out;
}

} // namespace

class tst_ImportLists : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The expected files were checked by hand: kinds through bases across
    // modules, every member kind, override dropped, private, internal and
    // obsolete members out, a member on a missing page out, the duplicate
    // QObject of the GUI index skipped, the nested struct with its own members,
    // signatures tidied ("setNum(int, int base)"). Targets are as the index
    // gives them: the import repairs them against the pages afterwards.
    void lists_onFixture_matchExpectedFiles_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("contents") << QStringLiteral("contents.lst");
        QTest::newRow("index") << QStringLiteral("index.lst");
    }

    void lists_onFixture_matchExpectedFiles()
    {
        QFETCH(QString, name);
        const QVector<ClassEntry> classes = fixtureClasses();
        const QByteArray list =
            name == QLatin1String("index.lst") ? indexList(classes) : contentsList(classes);
        const QList<QByteArray> lines = linesOf(list); // every line ends in CR LF
        QFile expected(QStringLiteral(VELMORA_TEST_DATA "/qtdoc-expected/") + name);
        QVERIFY(expected.open(QIODevice::ReadOnly));
        QCOMPARE(lines, expected.readAll().trimmed().split('\n'));
    }

    // Read back with the window's own reader, operators and all.
    void contents_operatorNamesSplitBack()
    {
        const QString text = QString::fromUtf8(contentsList(fixtureClasses()));
        tarn::ContentsClass qstring;
        for (const QStringView line : tarn::splitListLines(text)) {
            const tarn::ContentsClass entry = tarn::parseContentsLine(line);
            if (entry.name == QLatin1String("QString"))
                qstring = entry;
        }
        QCOMPARE(qstring.kind, QStringLiteral("C"));
        QStringList split;
        for (const tarn::ContentsMember &m : tarn::parseMemberList(qstring.members))
            split.append(QStringList{m.kind, m.name, m.target, m.overload ? "1" : "0"}.join(u'|'));
        const QStringList expected = {
            "+F|number(int n, int base)|qstring.html#number|0",
            "+f|operator==(const QString &other) const|qstring.html#operator-eq-eq|0",
            "+f|operator=(const QString &other)|qstring.html#operator-eq|0",
            "+R|operator==(const char *s1, const QString &s2)|qstring.html#operator-eq-eq-1|1",
            "|QStringLiteral(str)|qstring.html#QStringLiteral|0",
        };
        QCOMPARE(split, expected);
        QVERIFY(linesOf(indexList(fixtureClasses()))
                    .contains("operator== (QString)===qstring.html#operator-eq-eq===+f"));
    }

    void catalog_malformedIndex_reportsLineAndKeepsNothing()
    {
        QByteArray xml =
            "<INDEX version=\"5.15.8\">\n"
            "<namespace name=\"\">\n"
            "<class name=\"QFoo\" href=\"qfoo.html\" status=\"active\" access=\"public\">\n"
            "</namespace>\n";
        QBuffer buffer(&xml);
        buffer.open(QIODevice::ReadOnly);
        ClassCatalog catalog;
        QString error;
        QVERIFY(!catalog.addIndex(&buffer, nullptr, &error));
        QVERIFY2(error.startsWith(QLatin1String("line 4: ")), qPrintable(error));
        QVERIFY(catalog.classes([](const QString &) { return true; }).isEmpty());
    }

    void catalog_separatorInName_leftOutAndReported()
    {
        QByteArray xml =
            "<INDEX version=\"5.15.8\" url=\"http://doc.qt.io/qt-5\"><namespace name=\"\">"
            "<class name=\"QFoo\" href=\"qfoo.html\" status=\"active\" access=\"public\">"
            "<function name=\"at\" href=\"qfoo.html#at\" status=\"active\" access=\"public\""
            " meta=\"plain\" type=\"int\" signature=\"int at(const char *s = &quot;@&quot;)\"/>"
            "<function name=\"ok\" href=\"qfoo.html#ok\" status=\"active\" access=\"public\""
            " meta=\"plain\" type=\"int\" signature=\"int ok()\"/>"
            "</class></namespace></INDEX>";
        QBuffer buffer(&xml);
        buffer.open(QIODevice::ReadOnly);
        ClassCatalog catalog;
        IndexInfo info;
        QString error;
        QVERIFY2(catalog.addIndex(&buffer, &info, &error), qPrintable(error));
        QCOMPARE(info.version, QStringLiteral("5.15.8"));
        QCOMPARE(info.url, QStringLiteral("http://doc.qt.io/qt-5"));
        const auto classes = catalog.classes([](const QString &) { return true; });
        QCOMPARE(contentsList(classes),
                 QByteArray("C===QFoo===qfoo.html@+f===ok()===qfoo.html#ok===0;\r\n"));
        QCOMPARE(catalog.unsafeEntries(),
                 QStringList{QStringLiteral("QFoo::at(const char *s = \"@\")")});
    }

    // entries.lst has a line for each line of index.lst, matched by target,
    // with what the entry is, its parameters and its place among the
    // entries of its name: the classes that declare it first, most derived
    // from first, then bases before the classes derived from them.
    void entryList_placesDeclaringClassesFirst()
    {
        const ApiImport api = apiImport();
        const QList<QByteArray> index = linesOf(indexList(api.classes));
        const QList<QByteArray> entries = linesOf(entryList(api.classes, api.catalog));
        QCOMPARE(entries.size(), index.size());
        QHash<QString, tarn::EntryDetail> byTarget;
        for (qsizetype i = 0; i < index.size(); ++i) {
            const tarn::IndexEntry line = tarn::parseIndexLine(QString::fromUtf8(index.at(i)));
            const tarn::EntryDetail detail =
                tarn::parseEntryDetailLine(QString::fromUtf8(entries.at(i)));
            QCOMPARE(detail.target, line.target);
            byTarget.insert(detail.target, detail);
        }
        const QStringList paintEvents = {
            "qwidget.html#paintEvent", "qwindow.html#paintEvent", "qframe.html#paintEvent",
            "qsplitterhandle.html#paintEvent", "qlabel.html#paintEvent"};
        for (int place = 0; place < paintEvents.size(); ++place)
            QCOMPARE(byTarget.value(paintEvents.at(place)).place, place);
        QCOMPARE(byTarget.value("qobject.html#event").place, 0);
        QCOMPARE(byTarget.value("qwidget.html#event").place, 1);
        QCOMPARE(byTarget.value("qwindow.html#event").place, 2);

        const tarn::EntryDetail paint = byTarget.value("qwidget.html#paintEvent");
        QCOMPARE(paint.what, QStringLiteral("function"));
        QCOMPARE(paint.parameters, QStringLiteral("(QPaintEvent *event)"));
        QCOMPARE(byTarget.value("qwindow.html#event").parameters, QStringLiteral("(QEvent *ev)"));
        QCOMPARE(byTarget.value("qobject.html#Q_PROPERTY").what, QStringLiteral("macro"));
        QCOMPARE(byTarget.value("qwidget.html#windowTitle-prop").what, QStringLiteral("property"));
        QVERIFY(byTarget.value("qwidget.html#windowTitle-prop").parameters.isEmpty());
        const tarn::EntryDetail label = byTarget.value("qlabel.html");
        QCOMPARE(label.what, QStringLiteral("class"));
        QCOMPARE(label.bases, QStringLiteral("QFrame"));
    }

    // names.lst: enum values with the scope a qualified name gives them
    // (an enum class's own name for its values), macros outside classes,
    // namespaces; nothing internal.
    void nameList_enumValuesMacrosNamespaces()
    {
        const ApiImport api = apiImport();
        const QList<QByteArray> lines =
            linesOf(nameList(api.catalog.names([](const QString &) { return true; }), api.classes));
        QStringList names;
        for (const QByteArray &line : lines) {
            const tarn::NameEntry n = tarn::parseNameLine(QString::fromUtf8(line));
            names.append(QStringList{n.name, n.scope, n.target, n.what}.join(u'|'));
        }
        const QStringList expected = {
            "AlignLeft|Qt|qt.html#AlignmentFlag-enum|enumvalue",
            "Box|QFrame|qframe.html#Shape-enum|enumvalue",
            "Dark|Qt::ColorScheme|qt.html#ColorScheme-enum|enumvalue",
            "NoFrame|QFrame|qframe.html#Shape-enum|enumvalue",
            "Q_ASSERT||qtglobal.html#Q_ASSERT|macro",
            "Qt||qt.html|namespace",
        };
        for (const QString &name : expected)
            QVERIFY2(names.contains(name), qPrintable(names.join(u'\n')));
        for (const QString &name : std::as_const(names))
            QVERIFY2(!name.startsWith(QLatin1String("Hidden|")), qPrintable(name));
        // Ordered by name in any case, as the reader looks them up.
        for (qsizetype i = 1; i < names.size(); ++i)
            QVERIFY(names.at(i - 1)
                        .section(u'|', 0, 0)
                        .compare(names.at(i).section(u'|', 0, 0), Qt::CaseInsensitive)
                    <= 0);
    }

    // What tells overloads apart in the Index: the shown signature less the
    // name, less what tells no two overloads apart.
    void memberParameters_data()
    {
        QTest::addColumn<QString>("shown");
        QTest::addColumn<QString>("bareName");
        QTest::addColumn<QString>("what");
        QTest::addColumn<QString>("expected");
        QTest::newRow("function") << "arg(qlonglong a, int fieldWidth) const"
                                  << "arg"
                                  << "function"
                                  << "(qlonglong a, int fieldWidth) const";
        QTest::newRow("call operator") << "operator()(int i)"
                                       << "operator()"
                                       << "function"
                                       << "(int i)";
        QTest::newRow("conversion") << "operator const char *() const"
                                    << "operator const char *"
                                    << "function"
                                    << "() const";
        QTest::newRow("pure virtual") << "rowCount(const QModelIndex &parent) const = 0"
                                      << "rowCount"
                                      << "function"
                                      << "(const QModelIndex &parent) const";
        QTest::newRow("macro") << "Q_PROPERTY(...)"
                               << "Q_PROPERTY"
                               << "macro"
                               << "(...)";
        QTest::newRow("property") << "windowTitle"
                                  << "windowTitle"
                                  << "property"
                                  << "";
        QTest::newRow("enum") << "Shape"
                              << "Shape"
                              << "enum"
                              << "";
    }
    void memberParameters()
    {
        QFETCH(QString, shown);
        QFETCH(QString, bareName);
        QFETCH(QString, what);
        MemberEntry member;
        member.name = shown;
        member.bareName = bareName;
        member.what = what;
        QTEST(tarn::import::memberParameters(member), "expected");
    }

    // Names as the pages show them: no blank inside the parentheses or
    // before a comma, whatever the index wrote.
    void memberDisplayName_data()
    {
        QTest::addColumn<QString>("signature");
        QTest::addColumn<QString>("type");
        QTest::addColumn<QString>("expected");
        QTest::newRow("unnamed parameter") << "void setEnabled(bool )"
                                           << "void"
                                           << "setEnabled(bool)";
        QTest::newRow("postfix operator") << "QBitArray::iterator operator++(int )"
                                          << "QBitArray::iterator"
                                          << "operator++(int)";
        QTest::newRow("macro parameters") << "Q_DECLARE_FLAGS( Flags,  Enum)"
                                          << ""
                                          << "Q_DECLARE_FLAGS(Flags, Enum)";
        QTest::newRow("unnamed before a comma")
            << "bool operator==(std::nullptr_t , const QSharedPointer<T> &rhs)"
            << "bool"
            << "operator==(std::nullptr_t, const QSharedPointer<T> &rhs)";
        QTest::newRow("variadic") << "int qsnprintf(char *str, size_t n, const char *fmt, ... )"
                                  << "int"
                                  << "qsnprintf(char *str, size_t n, const char *fmt, ...)";
        QTest::newRow("qualifiers kept, override dropped")
            << "QRect bitmap(Qt::ReturnByValueConstant ) const override"
            << "QRect"
            << "bitmap(Qt::ReturnByValueConstant) const";
        QTest::newRow("conversion operator") << "const char * operator const char *() const"
                                             << "const char *"
                                             << "operator const char *() const";
    }

    void memberDisplayName()
    {
        QFETCH(QString, signature);
        QFETCH(QString, type);
        QFETCH(QString, expected);
        QCOMPARE(tarn::import::memberDisplayName(signature, type), expected);
    }
};

QTEST_GUILESS_MAIN(tst_ImportLists)
#include "tst_importlists.moc"
