// Velmora: the two build-time generators on damaged, empty, huge and numerous inputs.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "docnames.h"

#include <QBuffer>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString fixtures = QStringLiteral(VELMORA_TEST_DATA);

QByteArray readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

struct Run
{
    int exitCode = -1; // -1: crashed or did not finish
    QByteArray out;
    QByteArray err;
};

Run runTool(const QString &program, const QStringList &args)
{
    QProcess process;
    process.start(program, args);
    Run run;
    if (!process.waitForFinished(120000)) {
        process.kill();
        process.waitForFinished(5000);
        return run;
    }
    if (process.exitStatus() == QProcess::NormalExit)
        run.exitCode = process.exitCode();
    run.out = process.readAllStandardOutput();
    run.err = process.readAllStandardError();
    return run;
}

// Deterministic page text of about `size` bytes that compresses like a page.
QByteArray pageOfSize(qsizetype size)
{
    QByteArray page = "<html><body>\n";
    for (quint32 n = 1; page.size() < size; ++n)
        page +=
            "<p>Paragraph " + QByteArray::number(n * 2654435761u, 36) + " of the big page.</p>\n";
    page.truncate(size);
    return page;
}

// The file table as the generator wrote it: name -> inflated bytes, in
// table order, read back from embedded_files.cpp and files.bin.
QList<QPair<QString, QByteArray>> readFileTable(const QString &outDir, QString *problem)
{
    QList<QPair<QString, QByteArray>> table;
    const QByteArray source = readAll(outDir + QStringLiteral("/embedded_files.cpp"));
    const QByteArray blobs = readAll(outDir + QStringLiteral("/files.bin"));
    static const QRegularExpression row(
        QStringLiteral("\\{(\\d+)u, velmora_files_blob \\+ (\\d+), \"([^\"\\\\]*)\"\\},"));
    qint64 expectedOffset = 0;
    for (auto it = row.globalMatch(QString::fromUtf8(source)); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        const qint64 length = m.captured(1).toLongLong();
        const qint64 offset = m.captured(2).toLongLong();
        if (offset != expectedOffset || offset + length > blobs.size()) {
            *problem = QStringLiteral("entry %1 at %2+%3 outside files.bin of %4")
                           .arg(m.captured(3))
                           .arg(offset)
                           .arg(length)
                           .arg(blobs.size());
            return {};
        }
        expectedOffset = offset + length;
        table.append({m.captured(3), qUncompress(blobs.mid(offset, length))});
    }
    if (expectedOffset != blobs.size())
        *problem = QStringLiteral("files.bin has %1 bytes the table does not use")
                       .arg(blobs.size() - expectedOffset);
    return table;
}

} // namespace

class tst_GeneratorRobustness : public QObject
{
    Q_OBJECT

    QTemporaryDir m_work;
    QString m_docs;
    QString m_out;

    // A minimal folder the embedder accepts.
    void makeDocs()
    {
        QDir(m_docs).removeRecursively();
        QDir(m_out).removeRecursively();
        QVERIFY(QDir().mkpath(m_docs));
        for (const char *name : {"index.html", "index.lst", "contents.lst", "pattern1.png"})
            QVERIFY(QFile::copy(fixtures + QStringLiteral("/docset/") + QLatin1String(name),
                                m_docs + QLatin1Char('/') + QLatin1String(name)));
        // Leftovers of an earlier run that a failed one must take away.
        for (const char *name : {"files.bin", "images.bin", "embedded_blobs.S",
                                 "embedded_files.cpp", "embedded_images.cpp"})
            QVERIFY(writeFile(m_out + QLatin1Char('/') + QLatin1String(name), "stale"));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_work.isValid());
        m_docs = m_work.filePath(QStringLiteral("docs"));
        m_out = m_work.filePath(QStringLiteral("out"));
    }

    void embedgenRefuses_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QByteArray>("bytes");
        const QByteArray png = readAll(fixtures + QStringLiteral("/docset/pattern1.png"));
        const QByteArray gif = readAll(fixtures + QStringLiteral("/docset/chart.gif"));
        const QByteArray jpeg = readAll(fixtures + QStringLiteral("/docset/Photo.jpg"));
        QVERIFY(png.size() > 100 && gif.size() > 100 && jpeg.size() > 100);
        QTest::newRow("png cut in half") << "cut.png" << png.left(png.size() / 2);
        QTest::newRow("png header only") << "header.png" << png.left(16);
        QTest::newRow("png without its end") << "noend.png" << png.chopped(12);
        QTest::newRow("gif cut in half") << "cut.gif" << gif.left(gif.size() / 2);
        QTest::newRow("gif header only") << "header.gif" << gif.left(13);
        QTest::newRow("jpeg cut in half") << "cut.jpg" << jpeg.left(jpeg.size() / 2);
        QTest::newRow("jpeg header only") << "header.jpg" << jpeg.left(20);
        // Cut inside the pixels, a JPEG still decodes, grey where data is missing.
        QImage noise(256, 256, QImage::Format_RGB32);
        for (int y = 0; y < noise.height(); ++y) {
            for (int x = 0; x < noise.width(); ++x)
                noise.setPixel(x, y, qRgb((x * 37 + y * 11) & 255, (x * y) & 255, (x ^ y) & 255));
        }
        QByteArray bigJpeg;
        QBuffer buffer(&bigJpeg);
        QVERIFY(buffer.open(QIODevice::WriteOnly) && noise.save(&buffer, "JPEG", 90));
        QTest::newRow("jpeg cut inside its pixels")
            << "pixels.jpg" << bigJpeg.left(bigJpeg.size() * 6 / 10);
        QByteArray bigPng;
        QBuffer pngBuffer(&bigPng);
        QVERIFY(pngBuffer.open(QIODevice::WriteOnly) && noise.save(&pngBuffer, "PNG"));
        QTest::newRow("png cut inside its pixels")
            << "pixels.png" << bigPng.left(bigPng.size() * 6 / 10);
        QTest::newRow("png of another kind's bytes") << "lie.png" << QByteArray("GIF89a\1\0\1\0");
        QTest::newRow("image name with a blank") << "my image.png" << png;
        QTest::newRow("page name with a blank") << "my page.html" << QByteArray("<p>x</p>");
        QTest::newRow("page name in capitals") << "PAGE.html" << QByteArray("<p>x</p>");
        QTest::newRow("page suffix in capitals") << "page.HTML" << QByteArray("<p>x</p>");
    }

    // Damaged images and names the table cannot hold: one line naming the
    // file, a non-zero exit, and no table at all.
    void embedgenRefuses()
    {
        QFETCH(QString, name);
        QFETCH(QByteArray, bytes);
        makeDocs();
        const QString culprit = m_docs + QLatin1Char('/') + name;
        QVERIFY(writeFile(culprit, bytes));
        const Run run = runTool(QStringLiteral(VELMORA_EMBEDGEN), {m_docs, m_out});
        QVERIFY2(run.exitCode > 0, run.err.constData());
        // libpng prints its own line before giving up; ours is the last one
        // and the only one of ours.
        const QList<QByteArray> lines = run.err.trimmed().split('\n');
        QVERIFY2(
            lines.last().startsWith(QByteArray("velmora-embedgen: " + culprit.toUtf8() + ": ")),
            run.err.constData());
        QCOMPARE(run.err.count("velmora-embedgen:"), 1);
        QVERIFY(run.err.endsWith('\n'));
        QCOMPARE(QDir(m_out).entryList(QDir::Files | QDir::Hidden), QStringList());
    }

    void embedgenTables_data()
    {
        QTest::addColumn<int>("pages");
        QTest::addColumn<qsizetype>("pageSize");
        QTest::newRow("zero-byte page") << 1 << qsizetype(0);
        QTest::newRow("20 MB page") << 1 << qsizetype(20 << 20);
        QTest::newRow("10,000 pages") << 10000 << qsizetype(40);
        QTest::newRow("image names in capitals") << 0 << qsizetype(0);
    }

    // Inputs at the edges give a table that inflates to exactly the files.
    void embedgenTables()
    {
        QFETCH(int, pages);
        QFETCH(qsizetype, pageSize);
        makeDocs();
        QMap<QString, QByteArray> expected;
        for (const char *name : {"index.html", "index.lst", "contents.lst"})
            expected.insert(QLatin1String(name),
                            readAll(m_docs + QLatin1Char('/') + QLatin1String(name)));
        for (int i = 0; i < pages; ++i) {
            const QString name = QStringLiteral("p%1.html").arg(i, 5, 10, QLatin1Char('0'));
            const QByteArray bytes = pageSize > 100
                ? pageOfSize(pageSize)
                : pageOfSize(pageSize).left(pageSize - 5) + QByteArray::number(i).right(5);
            QVERIFY(writeFile(m_docs + QLatin1Char('/') + name, pageSize ? bytes : QByteArray()));
            expected.insert(name, pageSize ? bytes : QByteArray());
        }
        if (pages == 0) {
            QVERIFY(QFile::copy(fixtures + QStringLiteral("/docset/Photo.jpg"),
                                m_docs + QStringLiteral("/UPPER-Case.JPG")));
        }

        QElapsedTimer clock;
        clock.start();
        const Run run = runTool(QStringLiteral(VELMORA_EMBEDGEN), {m_docs, m_out});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        qInfo("embedded in %lld ms", clock.elapsed());

        QString problem;
        const QList<QPair<QString, QByteArray>> table = readFileTable(m_out, &problem);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        QCOMPARE(table.size(), expected.size());
        // Pages in name order, then the two lists.
        QCOMPARE(table.at(table.size() - 2).first, QStringLiteral("index.lst"));
        QCOMPARE(table.last().first, QStringLiteral("contents.lst"));
        for (qsizetype i = 0; i < table.size(); ++i) {
            const auto &[name, bytes] = table.at(i);
            QVERIFY2(expected.contains(name), qPrintable(name));
            if (bytes != expected.value(name))
                QFAIL(qPrintable(name + QStringLiteral(" does not inflate to its file")));
            if (i > 0 && i < table.size() - 2)
                QVERIFY(table.at(i - 1).first.toUtf8() < name.toUtf8());
        }
        if (pages == 0) {
            const QByteArray images = readAll(m_out + QStringLiteral("/embedded_images.cpp"));
            QVERIFY(images.contains("\"UPPER-Case.JPG\""));
        }
    }

    void importTool_data()
    {
        QTest::addColumn<QString>("file"); // under the reference folder
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QString>("problem"); // empty: the import succeeds
        const QByteArray png =
            readAll(fixtures + QStringLiteral("/qtdoc/qtcore/images/ico_note.png"));
        QTest::newRow("zero-byte page") << "qtcore/blank.html" << QByteArray() << QString();
        QTest::newRow("20 MB page") << "qtcore/huge.html" << pageOfSize(20 << 20) << QString();
        // The import copies images as they are; the embedder judges them.
        QTest::newRow("truncated image")
            << "qtcore/images/cut.png" << png.left(png.size() / 2) << QString();
        QTest::newRow("zero-byte image") << "qtcore/images/none.png" << QByteArray() << QString();
        QTest::newRow("page name with a blank")
            << "qtcore/my page.html" << QByteArray("<p>x</p>") << tarn::docnames::pageNameRule();
        QTest::newRow("image name with a blank")
            << "qtcore/images/my image.png" << png << tarn::docnames::imageNameRule();
        QTest::newRow("zero-byte module index") << "qtcore/qtcore.index" << QByteArray() << "*";
        QTest::newRow("index cut short")
            << "qtgui/qtgui.index" << QByteArray("<?xml version=\"1.0\"?>\n<INDEX") << "*";
    }

    void importTool()
    {
        QFETCH(QString, file);
        QFETCH(QByteArray, bytes);
        QFETCH(QString, problem);
        const QString root = m_work.filePath(QStringLiteral("import"));
        QDir(root).removeRecursively();
        const QString qtdoc = root + QStringLiteral("/qtdoc");
        QDirIterator it(fixtures + QStringLiteral("/qtdoc"), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString source = it.next();
            const QString target = qtdoc + source.mid(fixtures.size() + 6);
            QVERIFY(QDir().mkpath(QFileInfo(target).path()));
            QVERIFY(QFile::copy(source, target));
        }
        const QString culprit = qtdoc + QLatin1Char('/') + file;
        QVERIFY(writeFile(culprit, bytes));
        const QString out = root + QStringLiteral("/assembled");

        const Run run = runTool(QStringLiteral(VELMORA_IMPORT_TOOL),
                                {QStringLiteral("--qtdoc"), qtdoc, QStringLiteral("--out"), out});
        if (problem.isEmpty()) {
            QVERIFY2(run.exitCode == 0, run.err.constData());
            const QString name = QFileInfo(file).fileName();
            const QByteArray written = readAll(out + QLatin1Char('/') + name);
            QVERIFY(QFileInfo::exists(out + QLatin1Char('/') + name));
            if (name.endsWith(QLatin1String(".png")))
                QCOMPARE(written, bytes);
            else
                QCOMPARE(written.size() >= bytes.size() / 2, true);
            return;
        }
        QCOMPARE(run.exitCode, 1);
        const QByteArray prefix = "velmora-import: " + culprit.toUtf8() + ": ";
        QVERIFY2(run.err.startsWith(prefix), run.err.constData());
        if (problem != QLatin1String("*"))
            QVERIFY2(run.err.startsWith(QByteArray(prefix + problem.toUtf8())),
                     run.err.constData());
        QCOMPARE(run.err.count('\n'), 1);
        QVERIFY(!QFileInfo::exists(out));
        QVERIFY(!QFileInfo::exists(out + QStringLiteral(".importing")));
    }

    // Many pages: every one arrives, in one flat folder, in reasonable time.
    void importTenThousandPages()
    {
        const QString root = m_work.filePath(QStringLiteral("many"));
        const QString qtdoc = root + QStringLiteral("/qtdoc");
        QDirIterator it(fixtures + QStringLiteral("/qtdoc"), QDir::Files,
                        QDirIterator::Subdirectories);
        while (it.hasNext()) {
            const QString source = it.next();
            const QString target = qtdoc + source.mid(fixtures.size() + 6);
            QVERIFY(QDir().mkpath(QFileInfo(target).path()));
            QVERIFY(QFile::copy(source, target));
        }
        for (int i = 0; i < 10000; ++i) {
            QVERIFY(writeFile(qtdoc + QStringLiteral("/qtgui/extra%1.html").arg(i),
                              "<html><body><a href=\"qobject.html\">" + QByteArray::number(i)
                                  + "</a></body></html>\n"));
        }
        const QString out = root + QStringLiteral("/assembled");
        const Run run = runTool(QStringLiteral(VELMORA_IMPORT_TOOL),
                                {QStringLiteral("--qtdoc"), qtdoc, QStringLiteral("--out"), out});
        QVERIFY2(run.exitCode == 0, run.err.constData());
        const QStringList extras =
            QDir(out).entryList({QStringLiteral("extra*.html")}, QDir::Files);
        QCOMPARE(extras.size(), 10000);
        QCOMPARE(readAll(out + QStringLiteral("/extra1234.html")),
                 QByteArray("<html><body><a href=\"qobject.html\">1234</a></body></html>\n"));
        QDir(root).removeRecursively();
    }
};

QTEST_GUILESS_MAIN(tst_GeneratorRobustness)
#include "tst_generatorrobustness.moc"
