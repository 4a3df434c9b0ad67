// Velmora: the indexer run as a process, and reading what it wrote in place.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "searchindex.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString fixtureFolder = QStringLiteral(VELMORA_TEST_DATA "/docset");
const QStringList outputs = {QStringLiteral("search.db"), QStringLiteral("embedded_search.S")};

struct Run
{
    int exitCode = -1;
    QString out;
    QString errors;
};

Run runIndexer(const QString &folder, const QString &outDir)
{
    QProcess process;
    process.start(QStringLiteral(VELMORA_SEARCHINDEX), {folder, outDir});
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.out = QString::fromUtf8(process.readAllStandardOutput());
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool copyFolder(const QString &from, const QString &to)
{
    for (const QString &name : QDir(from).entryList(QDir::Files)) {
        if (!QFile::copy(QDir(from).filePath(name), QDir(to).filePath(name)))
            return false;
    }
    return true;
}

QStringList pagesFound(const tarn::SearchResults &results)
{
    QStringList pages;
    for (const tarn::SearchHit &hit : results.hits)
        pages.append(hit.page);
    return pages;
}

} // namespace

class tst_SearchIndexer : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // The tool reports what it did, leaves exactly its outputs, and the
    // database it wrote answers queries read in place, its bytes untouched.
    void indexesTheFolderAndIsReadInPlace()
    {
        QTemporaryDir out;
        const Run run = runIndexer(fixtureFolder, out.path());
        QCOMPARE(run.exitCode, 0);
        QVERIFY2(run.out.startsWith(QStringLiteral("velmora-searchindex: 5 pages, ")),
                 qPrintable(run.out));
        QVERIFY(run.out.contains(QStringLiteral(" bytes, ")));
        QStringList expected = outputs;
        expected.sort();
        QCOMPARE(QDir(out.path()).entryList(QDir::Files, QDir::Name), expected);

        const QByteArray image = readAll(QDir(out.path()).filePath(QStringLiteral("search.db")));
        QByteArray inPlace = image;
        {
            tarn::SearchIndex index(reinterpret_cast<const unsigned char *>(inPlace.constData()),
                                    inPlace.size());
            QVERIFY2(index.isValid(), qPrintable(index.errorString()));
            QCOMPARE(index.pageCount(), 5);
            // The Latin-1 page is read as Latin-1; its title is its name.
            QCOMPARE(pagesFound(index.search(QStringLiteral("caf\u00e9"))),
                     QStringList{QStringLiteral("latin1.html")});
            const tarn::SearchResults qt = index.search(QStringLiteral("namespace"));
            QCOMPARE(pagesFound(qt).value(0), QStringLiteral("qt.html"));
            QCOMPARE(qt.hits.value(0).title, QStringLiteral("Qt Namespace"));
            QCOMPARE(pagesFound(index.search(QStringLiteral("Qt::AlignmentFlag"))),
                     QStringList{QStringLiteral("qt.html")});
        }
        QCOMPARE(inPlace, image);
        const QString assembly = QString::fromUtf8(
            readAll(QDir(out.path()).filePath(QStringLiteral("embedded_search.S"))));
        QVERIFY(
            assembly.contains(QStringLiteral(".incbin \"")
                              + QDir(out.path()).absoluteFilePath(QStringLiteral("search.db"))));
    }

    // A broken page stops the build: the message names the file, the exit
    // code says so, and no index is left behind, not even an earlier one.
    void refusesBrokenInput_data()
    {
        QTest::addColumn<QString>("file");
        QTest::addColumn<QByteArray>("content");
        QTest::addColumn<QString>("problem");

        QTest::newRow("cut-off page")
            << "broken.html" << QByteArray("<p>text<a href=\"x") << "never ends";
        QTest::newRow("not UTF-8")
            << "bytes.html" << QByteArray("<meta charset=\"utf-8\"><p>\xc3\x28</p>")
            << "not valid UTF-8";
        QTest::newRow("NUL byte") << "nul.html" << QByteArray("<p>\0</p>", 8) << "NUL byte";
        QTest::newRow("index list line")
            << "index.lst" << QByteArray("QString===qstring.html===C\r\nno separators\r\n")
            << "line 2";
    }

    void refusesBrokenInput()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, content);
        QFETCH(QString, problem);
        QTemporaryDir folder;
        QTemporaryDir out;
        QVERIFY(copyFolder(fixtureFolder, folder.path()));
        QCOMPARE(runIndexer(folder.path(), out.path()).exitCode, 0);

        QFile::remove(QDir(folder.path()).filePath(file));
        QVERIFY(writeFile(QDir(folder.path()).filePath(file), content));
        const Run run = runIndexer(folder.path(), out.path());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(QDir(folder.path()).filePath(file)), qPrintable(run.errors));
        QVERIFY2(run.errors.contains(problem), qPrintable(run.errors));
        QCOMPARE(QDir(out.path()).entryList(QDir::Files), QStringList());
    }

    void refusesAFolderWithoutPages()
    {
        QTemporaryDir empty;
        QTemporaryDir out;
        Run run = runIndexer(empty.path(), out.path());
        QCOMPARE(run.exitCode, 1);
        QVERIFY2(run.errors.contains(QStringLiteral("no pages")), qPrintable(run.errors));
        run = runIndexer(empty.path() + QStringLiteral("/missing"), out.path());
        QCOMPARE(run.exitCode, 1);
        QVERIFY(run.errors.contains(QStringLiteral("no such folder")));
    }

    // An image that is no index is refused with a plain sentence, not the
    // engine's message.
    void damagedImageIsUnavailable()
    {
        const QByteArray garbage(4096, 'x');
        tarn::SearchIndex index(reinterpret_cast<const unsigned char *>(garbage.constData()),
                                garbage.size());
        QVERIFY(!index.isValid());
        const tarn::SearchResults results = index.search(QStringLiteral("qstring"));
        QCOMPARE(results.status, tarn::SearchResults::Status::Unavailable);
        QVERIFY(results.hits.isEmpty());
        QVERIFY(!results.message.isEmpty());
        QVERIFY(!results.message.contains(QStringLiteral("database"), Qt::CaseInsensitive));
        tarn::SearchIndex none(nullptr, 0);
        QCOMPARE(none.search(QStringLiteral("qstring")).status,
                 tarn::SearchResults::Status::Unavailable);
    }
};

QTEST_GUILESS_MAIN(tst_SearchIndexer)
#include "tst_searchindexer.moc"
