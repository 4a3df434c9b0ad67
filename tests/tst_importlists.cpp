// Velmora: tests of contents.lst and index.lst as generated from .index files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "classlists.h"
#include "listformat.h"

#include <QBuffer>
#include <QDir>
#include <QFile>
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
