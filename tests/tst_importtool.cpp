// Velmora: tests of the velmora-import tool run as a process on the fixture reference.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "linkcheck.h"

#include "docnames.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString fixture = QStringLiteral(VELMORA_TEST_DATA "/qtdoc");

void copyTree(const QString &from, const QString &to)
{
    QDirIterator it(from, QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString source = it.next();
        const QString target = to + source.mid(from.size());
        QDir().mkpath(QFileInfo(target).path());
        QVERIFY(QFile::copy(source, target));
    }
}

void writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(data);
}

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

Run runTool(const QString &qtdoc, const QString &own, const QString &out,
            const QString &report = QString())
{
    QProcess process;
    QStringList args{QStringLiteral("--qtdoc"), qtdoc, QStringLiteral("--out"), out};
    if (!own.isEmpty())
        args << QStringLiteral("--own") << own;
    if (!report.isEmpty())
        args << QStringLiteral("--report") << report;
    process.start(QStringLiteral(VELMORA_IMPORT_TOOL), args);
    if (!process.waitForFinished(60000))
        qFatal("velmora-import did not finish");
    return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
               process.readAllStandardOutput(), process.readAllStandardError()};
}

enum class Breakage {
    MissingQtdoc,
    MissingIndex,
    MalformedIndex,
    DuplicatePage,
    BadPageName,
    OwnPageDiffers,
    VersionsDisagree,
};

} // namespace

Q_DECLARE_METATYPE(Breakage)

class tst_ImportTool : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_qtdoc;
    QString m_own;
    QString m_out;

private Q_SLOTS:
    void init()
    {
        QVERIFY(m_dir.isValid());
        m_qtdoc = m_dir.filePath(QStringLiteral("qtdoc"));
        m_own = m_dir.filePath(QStringLiteral("own"));
        m_out = m_dir.filePath(QStringLiteral("assembled"));
        QDir(m_qtdoc).removeRecursively();
        QDir(m_own).removeRecursively();
        QDir(m_out).removeRecursively();
        copyTree(fixture, m_qtdoc);
        writeFile(m_own + QStringLiteral("/pages/index.html"), "<html><body>Start</body></html>\n");
        writeFile(m_own + QStringLiteral("/images/logo.png"), "not decoded here");
        // Identical to the imported icon: merged, not an error.
        QVERIFY(QFile::copy(fixture + QStringLiteral("/qtcore/images/ico_note.png"),
                            m_own + QStringLiteral("/images/ico_note.png")));
        // Different from the imported image of that name: ours keep the name.
        writeFile(m_own + QStringLiteral("/images/checkboxes-exclusive.png"), "ours");
    }

    void run_onFixture_writesFlatFolder()
    {
        const Run run = runTool(m_qtdoc, m_own, m_out);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(run.err.contains(
            "checkboxes-exclusive.png, which is kept as imported-checkboxes-exclusive.png"));
        QVERIFY(run.out.contains("16 pages, 7 images, 14 classes"));

        QStringList names = QDir(m_out).entryList(QDir::Files | QDir::Dirs | QDir::NoDotAndDotDot);
        const QStringList expected = {
            "bgrContent.png",
            "checkboxes-exclusive.png",
            "contents.lst",
            "entries.lst",
            "fusion-checkbox.png",
            "ico_note.png",
            "ico_out.png",
            "imported-checkboxes-exclusive.png",
            "index.html",
            "index.lst",
            "logo.png",
            "names.lst",
            "offline.css",
            "qabstractbutton.html",
            "qbasictimer.html",
            "qbytearray-obsolete.html",
            "qbytearray.html",
            "qcheckbox.html",
            "qhash.html",
            "qobject.html",
            "qpaintdevice.html",
            "qpair.html",
            "qscreen.html",
            "qstring.html",
            "qtest-qtoucheventsequence.html",
            "qtextedit-extraselection.html",
            "qtimer.html",
            "qwidget.html",
            "version.txt",
        };
        QCOMPARE(names, expected);
        QCOMPARE(QDir(m_dir.path()).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList({"assembled", "own", "qtdoc"}));

        QCOMPARE(readFile(m_out + QStringLiteral("/version.txt")), QByteArray("5.15.8"));
        const QByteArray page = readFile(m_out + QStringLiteral("/qcheckbox.html"));
        QVERIFY(
            page.contains("<link rel=\"stylesheet\" type=\"text/css\" href=\"offline.css\" />"));
        QVERIFY(!page.contains("<script"));
        QVERIFY(page.contains("<a href=\"qobject.html#destroyed\">"));
        QVERIFY(page.contains("<img src=\"fusion-checkbox.png\""));
        QVERIFY(page.contains("<img src=\"imported-checkboxes-exclusive.png\""));
        QCOMPARE(readFile(m_out + QStringLiteral("/checkboxes-exclusive.png")), QByteArray("ours"));
        QVERIFY(page.contains("<img src=\"ico_note.png\" />"));
        // Our own start page joins the set, so the reference's link to it stays local.
        QVERIFY(page.contains("<a href=\"index.html\">"));
        QVERIFY(
            page.contains("https://doc.qt.io/qt-5/qml-qtquick-controls2-checkbox.html#details"));
        QCOMPARE(readFile(m_out + QStringLiteral("/index.html")),
                 readFile(m_own + QStringLiteral("/pages/index.html")));
        // UTF-8 text passes through untouched.
        QVERIFY(readFile(m_out + QStringLiteral("/qstring.html"))
                    .contains("\xe2\x80\x9cGr\xc3\xbc\xc3\x9f"
                              "e\xe2\x80\x9d"));
    }

    // The fixture has each fault the reference has: overload numbers the page
    // does not use, one anchor on two headings, an operator on the page of
    // obsolete members, a notifier without a heading, a page title written
    // as a link, an anchor no page has. None of them survives the import.
    void run_onFixture_leavesNoDeadEnds()
    {
        const QString report = m_dir.filePath(QStringLiteral("report.txt"));
        const Run run = runTool(m_qtdoc, m_own, m_out, report);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QByteArray figures =
            "member targets: 6 repaired, 2 pointed at their page, 0 left to a missing anchor\n"
            "velmora-import: page links: 4 repaired, 3 pointed at their page, 0 left to a missing "
            "anchor, 5 made external, 3 removed\n";
        QVERIFY2(run.out.contains(figures), run.out.constData());

        const tarn::import::FolderCheck check = tarn::import::checkFolder(m_out);
        QCOMPARE(check.missingPages, QStringList());
        QCOMPARE(check.missingAnchors, QStringList());
        QCOMPARE(check.listMissingPages, QStringList());
        QCOMPARE(check.listMissingAnchors, QStringList());
        QCOMPARE(check.listSharedAnchors, QStringList());
        QCOMPARE(check.spacedMemberNames, QStringList());
        QCOMPARE(check.listTargets, 60 + 14 + 46); // index lines, classes, members

        const QByteArray contents = readFile(m_out + QStringLiteral("/contents.lst"));
        for (const char *entry : {
                 "===iterator===qhash.html#iterator-typedefx===",
                 "===pointer===qhash.html#details===",
                 "===qHash(const QDate &key, uint seed)===qhash.html#qHash-1x===",
                 "===qHash(char key, uint seed)===qhash.html#qHash-1x-2===",
                 "===qHash(ushort key, uint seed)===qhash.html#qHash-5===",
                 "===operator const char *() "
                 "const===qbytearray-obsolete.html#operator-const-char--2a===",
                 "===setNum(int, int base)===qbytearray.html#setNum===",
                 "===geometryChanged(const QRect &geometry)===qscreen.html#geometry-prop===",
                 "===interval===qtimer.html#qtdocheader===",
             })
            QVERIFY2(contents.contains(entry), entry);
        QVERIFY(readFile(m_out + QStringLiteral("/index.lst"))
                    .contains("qHash (QHash)===qhash.html#qHash-1x-2===+R\r\n"));

        const QByteArray hash = readFile(m_out + QStringLiteral("/qhash.html"));
        QVERIFY(hash.contains("<h3 class=\"fn\" id=\"qHash-1x-2\"><a name=\"qHash-1x-2\"></a>"));
        QVERIFY(hash.contains("<b><a href=\"qhash.html#qHash-1x-2\">qHash</a></b>(char"));
        QVERIFY(hash.contains("<a href=\"qobject.html#details\">nothing at all</a>"));
        QVERIFY(hash.contains("<p><a class=\"nextPage\">Desktop Integration</a></p>"));
        QVERIFY(hash.contains("<a href=\"https://doc.qt.io/qt-5/qdate.html\">QDate</a>"));

        // The report lists what could not be found under its name, with why.
        const QByteArray text = readFile(report);
        QVERIFY(text.startsWith("reference 5.15.8: 16 pages"));
        QVERIFY(text.contains("\n  QHash: pointer: qhash.html#pointer-typedef pointed at "
                              "qhash.html#details: no heading for pointer\n"));
        QVERIFY(text.contains("\n  qhash.html: link to qhash.html#QHashx pointed at "
                              "qhash.html#details: 2 headings for QHash, and the link does not "
                              "say which\n"));
        QCOMPARE(text.count("link to \"Desktop Integration\" removed"), 3);

        // A failed run leaves no report of pages that are gone.
        QFile::remove(m_qtdoc + QStringLiteral("/qtgui/qtgui.index"));
        QCOMPARE(runTool(m_qtdoc, m_own, m_out, report).exitCode, 1);
        QVERIFY(!QFileInfo::exists(report));
    }

    void run_again_replacesEarlierOutput()
    {
        QCOMPARE(runTool(m_qtdoc, m_own, m_out).exitCode, 0);
        writeFile(m_out + QStringLiteral("/stale.html"), "left from an earlier run");
        QFile::remove(m_own + QStringLiteral("/images/logo.png"));
        const Run run = runTool(m_qtdoc, m_own, m_out);
        QVERIFY2(run.exitCode == 0, run.err.constData());
        QVERIFY(!QFile::exists(m_out + QStringLiteral("/stale.html")));
        QVERIFY(!QFile::exists(m_out + QStringLiteral("/logo.png")));
        QVERIFY(QFile::exists(m_out + QStringLiteral("/contents.lst")));
    }

    void run_foreignOutputFolder_isRefusedAndKept()
    {
        writeFile(m_out + QStringLiteral("/precious.txt"), "mine");
        const Run run = runTool(m_qtdoc, m_own, m_out);
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.err.startsWith(QByteArray("velmora-import: " + m_out.toUtf8() + ": ")));
        QCOMPARE(readFile(m_out + QStringLiteral("/precious.txt")), QByteArray("mine"));
    }

    void run_badInput_failsAndLeavesNoOutput_data()
    {
        QTest::addColumn<Breakage>("breakage");
        QTest::addColumn<QString>("file"); // relative to the temporary folder
        QTest::addColumn<QString>("problem");
        QTest::newRow("missing reference folder") << Breakage::MissingQtdoc << "nothere"
                                                  << "no such folder";
        QTest::newRow("module without its index")
            << Breakage::MissingIndex << "qtdoc/qtgui/qtgui.index"
            << "missing";
        QTest::newRow("malformed index") << Breakage::MalformedIndex << "qtdoc/qtcore/qtcore.index"
                                         << "line ";
        QTest::newRow("two different pages of one name")
            << Breakage::DuplicatePage << "qtdoc/qtgui/qobject.html"
            << "differs from %1/qtdoc/qtcore/qobject.html of the same name";
        QTest::newRow("page name with capitals")
            << Breakage::BadPageName << "qtdoc/qtcore/QBad.html" << tarn::docnames::pageNameRule();
        QTest::newRow("own page differing from an imported one")
            << Breakage::OwnPageDiffers << "own/pages/qtimer.html"
            << "differs from %1/qtdoc/qtcore/qtimer.html of the same name";
        QTest::newRow("indexes of different versions")
            << Breakage::VersionsDisagree << "qtdoc/qtwidgets/qtwidgets.index"
            << "version 5.15.9 disagrees with 5.15.8 of %1/qtdoc/qtcore/qtcore.index";
    }

    void run_badInput_failsAndLeavesNoOutput()
    {
        QFETCH(Breakage, breakage);
        QFETCH(QString, file);
        QFETCH(QString, problem);
        // An earlier good import exists: a failed run must not leave it to be embedded.
        QCOMPARE(runTool(m_qtdoc, m_own, m_out).exitCode, 0);

        QString qtdoc = m_qtdoc;
        const QString path = m_dir.filePath(file);
        switch (breakage) {
        case Breakage::MissingQtdoc:
            qtdoc = path;
            break;
        case Breakage::MissingIndex:
            QVERIFY(QFile::remove(path));
            break;
        case Breakage::MalformedIndex:
            writeFile(path, readFile(path).chopped(40));
            break;
        case Breakage::DuplicatePage:
        case Breakage::OwnPageDiffers:
            writeFile(path, "something else");
            break;
        case Breakage::BadPageName:
            writeFile(path, "<html></html>");
            break;
        case Breakage::VersionsDisagree:
            writeFile(path, readFile(path).replace("version=\"5.15.8\"", "version=\"5.15.9\""));
            break;
        }

        const Run run = runTool(qtdoc, m_own, m_out);
        QCOMPARE(run.exitCode, 1);
        const QByteArray message =
            ("velmora-import: " + path + ": "
             + (problem.contains(QLatin1String("%1")) ? problem.arg(m_dir.path()) : problem))
                .toUtf8();
        QVERIFY2(run.err.startsWith(message), run.err.constData());
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(run.out.isEmpty());
        QVERIFY(!QFileInfo::exists(m_out));
        QVERIFY(!QFileInfo::exists(m_out + QStringLiteral(".importing")));
        QVERIFY(!QFileInfo::exists(m_out + QStringLiteral(".replaced")));
    }
};

QTEST_GUILESS_MAIN(tst_ImportTool)
#include "tst_importtool.moc"
