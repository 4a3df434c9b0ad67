// Velmora: the documentation embedder, through its output and as a process.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedfiles.h"
#include "embeddedimages.h"
#include "listtables.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString fixtureFolder = QStringLiteral(VELMORA_TEST_DATA "/docset");

const QStringList outputs = {
    QStringLiteral("files.bin"),           QStringLiteral("images.bin"),
    QStringLiteral("embedded_blobs.S"),    QStringLiteral("embedded_files.cpp"),
    QStringLiteral("embedded_images.cpp"), QStringLiteral("index.frozen"),
    QStringLiteral("contents.frozen"),
};

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Run
{
    int exitCode = -1;
    QString errors;
};

Run runEmbedgen(const QString &folder, const QString &outDir)
{
    QProcess process;
    process.start(QStringLiteral(VELMORA_EMBEDGEN), {folder, outDir});
    Run run;
    if (!process.waitForFinished(60000))
        return run;
    run.exitCode = process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
    run.errors = QString::fromUtf8(process.readAllStandardError());
    return run;
}

} // namespace

class tst_Embedgen : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void pagesInflateToTheFolderBytes();
    void pageOrderIsByBytesWithTheListsLast();
    void imageOrderPutsOursLastInTheirOrder();
    void runWritesEveryOutputAndNoTemporaries();
    void badInput_data();
    void badInput();
};

void tst_Embedgen::pagesInflateToTheFolderBytes()
{
    // Includes a page with Latin-1 bytes, which must pass through untouched,
    // and an empty page, which is a valid entry.
    int seen = 0;
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f, ++seen) {
        const QByteArray source =
            readAll(fixtureFolder + QLatin1Char('/') + QLatin1String(f->name));
        QCOMPARE(qUncompress(f->data, qsizetype(f->storedLength)), source);
        QCOMPARE(f->data[4], uchar(0x78));
        QCOMPARE(f->data[5], uchar(0x9c));
    }
    const QStringList pages =
        QDir(fixtureFolder)
            .entryList({QStringLiteral("*.html"), QStringLiteral("*.css")}, QDir::Files);
    QCOMPARE(seen, pages.size() + 2);
    QVERIFY(readAll(fixtureFolder + QStringLiteral("/latin1.html")).contains('\xe9'));

    int length = -1;
    QVERIFY(findEmbeddedFile("empty.html", &length));
    QVERIFY(length > 4);
    QCOMPARE(QByteArray(embeddedDocumentationVersion), QByteArrayLiteral("5.15.8"));
}

void tst_Embedgen::pageOrderIsByBytesWithTheListsLast()
{
    QStringList names;
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f)
        names.append(QLatin1String(f->name));
    // '-' sorts before '.', so the member list comes before the page itself.
    QCOMPARE(names,
             QStringList({"empty.html", "index.html", "latin1.html", "offline.css",
                          "qt-members.html", "qt.html", "index.lst", "contents.lst"}));
}

void tst_Embedgen::imageOrderPutsOursLastInTheirOrder()
{
    QStringList names;
    for (const EmbeddedImage *e = embeddedImages; e->data; ++e)
        names.append(QString::fromUtf8(e->name));
    // Byte order puts upper case first; ours follow in their fixed order,
    // not alphabetically (Back, Home, logo, velmora-16, velmora-48).
    QCOMPARE(names,
             QStringList({"Photo.jpg", "chart.gif", "grey.png", "narrow8.png", "palette-alpha.png",
                          "pattern1.png", "Back.png", "Home.png", "logo.png", "velmora-16.png",
                          "velmora-48.png"}));
}

void tst_Embedgen::runWritesEveryOutputAndNoTemporaries()
{
    QTemporaryDir out;
    QVERIFY(out.isValid());
    const Run run = runEmbedgen(fixtureFolder, out.path());
    QCOMPARE(run.exitCode, 0);
    QVERIFY2(run.errors.isEmpty(), qPrintable(run.errors));

    QStringList expected = outputs;
    expected.sort();
    QCOMPARE(QDir(out.path()).entryList(QDir::Files, QDir::Name), expected);

    // The same folder gives the same blobs as the table linked into this test.
    QByteArray linked;
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f)
        linked.append(reinterpret_cast<const char *>(f->data), qsizetype(f->storedLength));
    QCOMPARE(readAll(out.filePath(QStringLiteral("files.bin"))), linked);
    QByteArray linkedImages;
    for (const EmbeddedImage *e = embeddedImages; e->data; ++e)
        linkedImages.append(reinterpret_cast<const char *>(e->data), qsizetype(e->storedLength));
    QCOMPARE(readAll(out.filePath(QStringLiteral("images.bin"))), linkedImages);
    // The frozen index is the fixture's index.lst as the program parses it.
    const QByteArray frozen = readAll(out.filePath(QStringLiteral("index.frozen")));
    QVERIFY(!frozen.isEmpty());
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(velmora_frozen_index),
                        qsizetype(embeddedFrozenIndexSize)),
             frozen);
    QCOMPARE(frozen,
             tarn::IndexTable::fromText(QString::fromUtf8(readAll(fixtureFolder + "/index.lst")))
                 .frozen());
    // And the frozen classes are its contents.lst's.
    const QByteArray frozenContents = readAll(out.filePath(QStringLiteral("contents.frozen")));
    QCOMPARE(QByteArray(reinterpret_cast<const char *>(velmora_frozen_contents),
                        qsizetype(embeddedFrozenContentsSize)),
             frozenContents);
    QCOMPARE(frozenContents,
             tarn::ContentsTable::fromUtf8(readAll(fixtureFolder + "/contents.lst")).frozen());

    const QByteArray assembly = readAll(out.filePath(QStringLiteral("embedded_blobs.S")));
    const QByteArray incbin = ".incbin \""
        + QFile::encodeName(QDir(out.path()).absoluteFilePath(QStringLiteral("files.bin"))) + '"';
    QVERIFY(assembly.contains(incbin));
    QVERIFY(assembly.contains(".section .note.GNU-stack"));
}

void tst_Embedgen::badInput_data()
{
    QTest::addColumn<QString>("culprit"); // file the folder gets, relative to it
    QTest::addColumn<QByteArray>("bytes");
    QTest::addColumn<QString>("named");  // path the message must name
    QTest::addColumn<QString>("remove"); // list file taken away, if any

    const QByteArray page = "<html><body>x</body></html>\n";
    QTest::newRow("missing folder") << QString() << QByteArray() << "no-such-folder" << QString();
    QTest::newRow("undecodable image")
        << "broken.png" << QByteArray("not a picture") << "broken.png" << QString();
    QTest::newRow("zero-length image") << "blank.gif" << QByteArray() << "blank.gif" << QString();
    QTest::newRow("file in a sub-folder")
        << "sub/deep.html" << page << "sub/deep.html" << QString();
    QTest::newRow("page name in upper case") << "Intro.html" << page << "Intro.html" << QString();
    QTest::newRow("page name with a blank")
        << "my page.html" << page << "my page.html" << QString();
    QTest::newRow("image name with a plus")
        << "a+b.png" << QByteArray("x") << "a+b.png" << QString();
    QTest::newRow("unknown kind") << "notes.txt" << QByteArray("x") << "notes.txt" << QString();
    QTest::newRow("page of another kind") << "old.htm" << page << "old.htm" << QString();
    QTest::newRow("dangling link") << "gone.png" << QByteArray("->") << "gone.png" << QString();
    QTest::newRow("missing index.lst") << QString() << QByteArray() << "index.lst"
                                       << "index.lst";
    QTest::newRow("missing contents.lst") << QString() << QByteArray() << "contents.lst"
                                          << "contents.lst";
}

void tst_Embedgen::badInput()
{
    QFETCH(QString, culprit);
    QFETCH(QByteArray, bytes);
    QFETCH(QString, named);
    QFETCH(QString, remove);

    // A small valid folder, made bad in one way.
    QTemporaryDir work;
    QVERIFY(work.isValid());
    const QDir root(work.path());
    QVERIFY(root.mkpath(QStringLiteral("docs")));
    const QDir docs(root.filePath(QStringLiteral("docs")));
    for (const char *name : {"index.html", "index.lst", "contents.lst", "pattern1.png"})
        QVERIFY(QFile::copy(fixtureFolder + QLatin1Char('/') + QLatin1String(name),
                            docs.filePath(QLatin1String(name))));
    if (bytes == "->") {
        QVERIFY(
            QFile::link(root.filePath(QStringLiteral("nothing-here.png")), docs.filePath(culprit)));
    } else if (!culprit.isEmpty()) {
        QVERIFY(docs.mkpath(QFileInfo(culprit).path()));
        QVERIFY(writeFile(docs.filePath(culprit), bytes));
    }
    if (!remove.isEmpty())
        QVERIFY(QFile::remove(docs.filePath(remove)));
    const QString folder = QTest::currentDataTag() == QByteArray("missing folder")
        ? root.filePath(QStringLiteral("no-such-folder"))
        : docs.path();

    // An earlier run's table must not survive a failed one.
    QVERIFY(root.mkpath(QStringLiteral("out")));
    const QDir out(root.filePath(QStringLiteral("out")));
    for (const QString &name : outputs)
        QVERIFY(writeFile(out.filePath(name), "stale"));

    const Run run = runEmbedgen(folder, out.path());
    QVERIFY2(run.exitCode > 0, qPrintable(run.errors));
    const QString where =
        named == QLatin1String("no-such-folder") ? root.filePath(named) : docs.filePath(named);
    QVERIFY2(
        run.errors.startsWith(QLatin1String("velmora-embedgen: ") + where + QLatin1String(": ")),
        qPrintable(run.errors));
    QCOMPARE(run.errors.count(QLatin1Char('\n')), 1);
    QCOMPARE(out.entryList(QDir::Files | QDir::Hidden), QStringList());
}

QTEST_GUILESS_MAIN(tst_Embedgen)
#include "tst_embedgen.moc"
