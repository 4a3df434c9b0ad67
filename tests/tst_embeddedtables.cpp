// Velmora: invariants of the embedded tables as built for the program.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedfiles.h"
#include "embeddedimages.h"

#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QtEndian>

#include <algorithm>
#include <cstring>
#include <vector>

#include <unistd.h>

#include <zlib.h>

namespace {

// The checks below hold for any documentation folder, so they run against
// whatever set the build embeds; counts are never assumed.

struct BlobCheck
{
    QString problem; // empty when the blob is sound
    QByteArray inflated;
};

// One blob must be a 4-byte big-endian length, one level-6 zlib stream that
// inflates to exactly that length, and nothing after the stream.
BlobCheck checkBlob(const unsigned char *data, quint64 storedLength)
{
    BlobCheck check;
    if (storedLength < 6) {
        check.problem = QStringLiteral("shorter than a length and a zlib header");
        return check;
    }
    const quint32 expected = qFromBigEndian<quint32>(data);
    if (data[4] != 0x78 || data[5] != 0x9c) {
        check.problem = QStringLiteral("zlib header is not 78 9c");
        return check;
    }
    // One spare byte tells a stream longer than its header from an exact one.
    QByteArray out(qsizetype(expected) + 1, Qt::Uninitialized);
    z_stream zs{};
    inflateInit(&zs);
    zs.next_in = const_cast<Bytef *>(data + 4);
    zs.avail_in = uInt(storedLength - 4);
    zs.next_out = reinterpret_cast<Bytef *>(out.data());
    zs.avail_out = uInt(out.size());
    const int rc = inflate(&zs, Z_FINISH);
    const uLong produced = zs.total_out;
    const uInt left = zs.avail_in;
    inflateEnd(&zs);
    if (rc != Z_STREAM_END)
        check.problem = QStringLiteral("stream does not end cleanly (zlib %1)").arg(rc);
    else if (produced != expected)
        check.problem =
            QStringLiteral("inflates to %1 bytes, header says %2").arg(produced).arg(expected);
    else if (left != 0)
        check.problem = QStringLiteral("%1 bytes after the stream").arg(left);
    out.truncate(qsizetype(produced));
    check.inflated = out;
    return check;
}

QByteArray compressLevel6(const QByteArray &bytes)
{
    uLongf length = compressBound(uLong(bytes.size()));
    QByteArray blob(qsizetype(4 + length), '\0');
    qToBigEndian(quint32(bytes.size()), blob.data());
    compress2(reinterpret_cast<Bytef *>(blob.data() + 4), &length,
              reinterpret_cast<const Bytef *>(bytes.constData()), uLong(bytes.size()), 6);
    blob.truncate(qsizetype(4 + length));
    return blob;
}

const QStringList programImages = QStringList{"Back.png",
                                              "Help.png",
                                              "Print.png",
                                              "Forward.png",
                                              "Home.png",
                                              "logo.png",
                                              "find.png",
                                              "textlarger.png",
                                              "textsmaller.png",
                                              "textteletext.png",
                                              "leftpanel.png",
                                              "Options.png",
                                              "addBookmark.png",
                                              "bookmark.png",
                                              "contentsClass.png",
                                              "contentsClassQObject.png",
                                              "contentsClassQWidget.png",
                                              "contentsRelatedMethod.png",
                                              "contentsProtectedMethod.png",
                                              "contentsSignal.png",
                                              "contentsProtectedSlot.png",
                                              "contentsStaticMethod.png",
                                              "contentsPublicMethod.png",
                                              "contentsVar.png",
                                              "contentsPublicSlot.png",
                                              "vxicons.png",
                                              "vxinfo.png",
                                              "vxbugs.png",
                                              "vxproducts.png",
                                              "vxabout.png",
                                              "vxembeded.png",
                                              "velmora_splash.png",
                                              "velmora-16.png",
                                              "velmora-22.png",
                                              "velmora-32.png",
                                              "velmora-48.png"};

} // namespace

class tst_EmbeddedTables : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void files_pagesSortedByBytesThenTheTwoLists();
    void files_everyBlobIsOneExactLevel6Stream();
    void files_damagedBlobsInflateToNothing();
    void files_linesComeWholeAcrossPieces_data();
    void files_linesComeWholeAcrossPieces();
    void files_linesOfTheRealLists();
    void files_seekableBlobReadsBackAnyStretch_data();
    void files_seekableBlobReadsBackAnyStretch();
    void files_everyEntryIsFoundByItsOwnName();
    void files_releasedBytesReadBackUnchanged();
    void files_releasedTablesLeaveNoPageMapped();
    void files_lookupMisses_data();
    void files_lookupMisses();
    void images_recordsAreConsistent();
    void images_orderDocumentationThenProgram();
};

void tst_EmbeddedTables::files_pagesSortedByBytesThenTheTwoLists()
{
    QList<const EmbeddedFile *> entries;
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f)
        entries.append(f);
    QVERIFY2(entries.size() >= 3, "expected pages plus the two lists");
    QCOMPARE(entries.at(entries.size() - 2)->name, "index.lst");
    QCOMPARE(entries.last()->name, "contents.lst");

    const QRegularExpression pageName(QStringLiteral("^[a-z0-9._-]+\\.(html|css)$"));
    bool haveStartPage = false;
    for (qsizetype i = 0; i + 2 < entries.size(); ++i) {
        const char *name = entries.at(i)->name;
        QVERIFY2(pageName.match(QLatin1String(name)).hasMatch(), name);
        haveStartPage = haveStartPage || std::strcmp(name, "index.html") == 0;
        // Strictly ascending also proves the names unique.
        if (i > 0)
            QVERIFY2(std::strcmp(entries.at(i - 1)->name, name) < 0, name);
    }
    QVERIFY(haveStartPage);
}

void tst_EmbeddedTables::files_everyBlobIsOneExactLevel6Stream()
{
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f) {
        const BlobCheck check = checkBlob(f->data, f->storedLength);
        QVERIFY2(check.problem.isEmpty(),
                 qPrintable(QLatin1String(f->name) + QLatin1String(": ") + check.problem));
        QCOMPARE(qUncompress(f->data, qsizetype(f->storedLength)), check.inflated);
        QCOMPARE(inflateEmbedded(f->data, qsizetype(f->storedLength)), check.inflated);
        const QByteArray original(reinterpret_cast<const char *>(f->data),
                                  qsizetype(f->storedLength));
        QVERIFY2(compressLevel6(check.inflated) == original, f->name);
    }
}

void tst_EmbeddedTables::files_damagedBlobsInflateToNothing()
{
    // The program's own inflater trusts the header's length to size its
    // buffer: a header that lies, or a stream cut short, must give nothing
    // rather than a short, a long or a huge buffer.
    const QByteArray text = QByteArray("contents of a page ").repeated(400);
    const QByteArray blob = qCompress(text, 6);
    const auto inflate = [](const QByteArray &bytes) {
        return inflateEmbedded(reinterpret_cast<const unsigned char *>(bytes.constData()),
                               bytes.size());
    };
    const auto withLength = [&blob](quint32 length) {
        QByteArray changed = blob;
        qToBigEndian(length, changed.data());
        return changed;
    };
    QCOMPARE(inflate(blob), text);
    QVERIFY(inflate(withLength(quint32(text.size()) + 1)).isEmpty());
    QVERIFY(inflate(withLength(quint32(text.size()) - 1)).isEmpty());
    QVERIFY(inflate(withLength(0xffffffffu)).isEmpty());
    QVERIFY(inflate(withLength(0)).isEmpty());
    QVERIFY(inflate(blob.left(blob.size() / 2)).isEmpty());
    QVERIFY(inflate(blob.left(3)).isEmpty());
    QVERIFY(inflateEmbedded(nullptr, 0).isEmpty());
}

void tst_EmbeddedTables::files_linesComeWholeAcrossPieces_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<QList<QByteArray>>("lines");
    // Lines of every length around the 64 KiB pieces the reader inflates.
    QByteArray across;
    QList<QByteArray> acrossLines;
    for (int i = 0; across.size() < 3 * 65536; ++i) {
        acrossLines.append(QByteArray::number(i).repeated(1 + (i * 37) % 5000));
        across += acrossLines.last() + (i % 3 ? "\n" : "\r\n");
    }
    QTest::newRow("across pieces") << across << acrossLines;
    QTest::newRow("no last line end") << QByteArray("a\nb") << QList<QByteArray>{"a", "b"};
    QTest::newRow("empty lines") << QByteArray("\n\r\nc\n") << QList<QByteArray>{"", "", "c"};
    QTest::newRow("one line longer than a piece")
        << QByteArray(200000, 'x') << QList<QByteArray>{QByteArray(200000, 'x')};
}

void tst_EmbeddedTables::files_linesComeWholeAcrossPieces()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<QByteArray>, lines);
    const QByteArray blob = qCompress(text, 6);
    const auto *data = reinterpret_cast<const unsigned char *>(blob.constData());
    QList<QByteArray> seen;
    const auto collect = [&seen](QByteArrayView line) {
        seen.append(line.toByteArray());
        return true;
    };
    QVERIFY(inflateEmbeddedLines(data, blob.size(), collect));
    QCOMPARE(seen, lines);

    // Stopped by the reader: no line after the one that said so.
    seen.clear();
    QVERIFY(inflateEmbeddedLines(data, blob.size(), [&seen](QByteArrayView line) {
        seen.append(line.toByteArray());
        return false;
    }));
    QCOMPARE(seen, lines.mid(0, 1));

    // A stream cut short says so, after the lines it did give.
    seen.clear();
    QVERIFY(!inflateEmbeddedLines(data, blob.size() / 2, collect));
    QVERIFY(seen.size() < lines.size() || lines.size() == 1);
    for (qsizetype i = 0; i + 1 < seen.size(); ++i)
        QCOMPARE(seen.at(i), lines.at(i));
    QVERIFY(!inflateEmbeddedLines(data, 3, collect));
    QVERIFY(!inflateEmbeddedLines(nullptr, 0, collect));
}

void tst_EmbeddedTables::files_seekableBlobReadsBackAnyStretch_data()
{
    files_linesComeWholeAcrossPieces_data();
}

// The pass gives the lines with their offsets, and any stretch read back
// later is the text's, wherever it starts and ends next to a kept state.
void tst_EmbeddedTables::files_seekableBlobReadsBackAnyStretch()
{
    QFETCH(QByteArray, text);
    QFETCH(QList<QByteArray>, lines);
    const QByteArray blob = qCompress(text, 6);
    const auto *data = reinterpret_cast<const unsigned char *>(blob.constData());
    for (const qsizetype spacing : {qsizetype(1), qsizetype(70000), SeekableBlob::defaultSpacing}) {
        SeekableBlob seekable(data, blob.size(), spacing);
        QList<QByteArray> seen;
        QList<qsizetype> offsets;
        QVERIFY(seekable.readLines([&](QByteArrayView line, qsizetype offset) {
            seen.append(line.toByteArray());
            offsets.append(offset);
            return true;
        }));
        QCOMPARE(seen, lines);
        for (qsizetype i = 0; i < seen.size(); ++i) {
            QCOMPARE(text.mid(offsets.at(i), seen.at(i).size()), seen.at(i));
            if (!seen.at(i).isEmpty())
                QCOMPARE(seekable.bytes(offsets.at(i), seen.at(i).size()), seen.at(i));
        }
        // Stretches across lines and states, read in any order.
        const qsizetype end = offsets.last() + seen.last().size();
        for (const qsizetype at : {end - 1, qsizetype(0), end / 2, end / 3}) {
            const qsizetype length = qMin<qsizetype>(end - at, 100001);
            QCOMPARE(seekable.bytes(at, length), text.mid(at, length));
        }
        QVERIFY(seekable.bytes(end, 1).isEmpty());
        QVERIFY(seekable.bytes(-1, 2).isEmpty());
        QVERIFY(seekable.bytes(0, 0).isEmpty());

        // Without the pass: each read reaches only as far as it asks, from
        // where the last one stopped, and reads back what lies before.
        SeekableBlob lazy(data, blob.size(), spacing);
        QVERIFY(lazy.bytes(0, 1).isEmpty());
        for (const qsizetype at : {qsizetype(0), end / 3, end / 3 + 1, end / 2, end - 1}) {
            const qsizetype length = qMin<qsizetype>(end - at, 70001);
            QVERIFY(lazy.reach(at + length));
            QCOMPARE(lazy.bytes(at, length), text.mid(at, length));
            QCOMPARE(lazy.bytes(at / 2, length / 2), text.mid(at / 2, length / 2));
        }
        QVERIFY(!lazy.reach(text.size() + 1));
        QCOMPARE(lazy.bytes(0, text.size()), text);
        QVERIFY(lazy.bytes(text.size(), 1).isEmpty());
    }

    // Reached without the pass, a damaged stream gives what came before the
    // damage and nothing beyond, however often it is asked again.
    SeekableBlob cutLazily(data, blob.size() / 2, 1);
    QVERIFY(!cutLazily.reach(text.size()));
    QVERIFY(!cutLazily.reach(text.size()));
    QVERIFY(cutLazily.bytes(text.size() - 1, 1).isEmpty());
    const QByteArray first = cutLazily.bytes(0, 1);
    QVERIFY(first.isEmpty() || first == text.left(1));

    // A damaged stream gives what it saw and nothing beyond.
    SeekableBlob cut(data, blob.size() / 2, 1);
    qsizetype seenEnd = 0;
    cut.readLines([&seenEnd](QByteArrayView line, qsizetype offset) {
        seenEnd = offset + line.size();
        return true;
    });
    QVERIFY(cut.bytes(seenEnd, 1).isEmpty());
    if (seenEnd > 0)
        QCOMPARE(cut.bytes(0, seenEnd), text.left(seenEnd));
    SeekableBlob none(nullptr, 0);
    QVERIFY(!none.readLines([](QByteArrayView, qsizetype) { return true; }));
    QVERIFY(none.bytes(0, 1).isEmpty());
}

void tst_EmbeddedTables::files_linesOfTheRealLists()
{
    // The lists are far larger than a piece: the lines read a piece at a
    // time are the lines of the whole file.
    for (const char *name : {"entries.lst", "index.lst"}) {
        const QByteArray whole = readEmbeddedFile(name);
        QVERIFY2(whole.size() > 200000, name);
        QByteArray joined;
        int count = 0;
        QVERIFY(readEmbeddedLines(name, [&](QByteArrayView line) {
            joined += line;
            joined += '\n';
            ++count;
            return true;
        }));
        QCOMPARE(count, int(whole.count('\n') + (whole.endsWith('\n') ? 0 : 1)));
        QCOMPARE(joined.size(), whole.size() + (whole.endsWith('\n') ? 0 : 1) - whole.count('\r'));
    }
    QVERIFY(!readEmbeddedLines("no-such.lst", [](QByteArrayView) { return true; }));
}

void tst_EmbeddedTables::files_everyEntryIsFoundByItsOwnName()
{
    // Includes the last entry, "contents.lst": the walk must stop on data only.
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f) {
        int length = -1;
        QCOMPARE(findEmbeddedFile(f->name, &length), f->data);
        QCOMPARE(length, int(f->storedLength));
    }
}

void tst_EmbeddedTables::files_releasedBytesReadBackUnchanged()
{
    // Dropping the resident pages of the table must never change a byte:
    // every blob, released and read again, inflates to what it did before.
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f) {
        const QByteArray before(reinterpret_cast<const char *>(f->data),
                                qsizetype(f->storedLength));
        releaseEmbeddedBytes(f->data, qsizetype(f->storedLength));
        QVERIFY2(QByteArray::fromRawData(reinterpret_cast<const char *>(f->data),
                                         qsizetype(f->storedLength))
                     == before,
                 f->name);
    }
    // Memory of the program's own, not read from a file, is left alone: its
    // contents would come back as zeros.
    QByteArray own(1 << 16, 'x');
    releaseEmbeddedBytes(reinterpret_cast<const unsigned char *>(own.constData()), own.size());
    QCOMPARE(own, QByteArray(1 << 16, 'x'));
    std::vector<unsigned char> buffer(1 << 16, 0x5a);
    releaseEmbeddedBytes(buffer.data(), qsizetype(buffer.size()));
    QVERIFY(std::all_of(buffer.begin(), buffer.end(), [](unsigned char c) { return c == 0x5a; }));
}

namespace {

// Whether the page holding `data` is mapped into this process now.
bool pageMapped(const void *data)
{
    QFile pagemap(QStringLiteral("/proc/self/pagemap"));
    if (!pagemap.open(QIODevice::ReadOnly))
        return false;
    const qint64 page = qint64(reinterpret_cast<quintptr>(data) / quintptr(sysconf(_SC_PAGESIZE)));
    quint64 entry = 0;
    if (!pagemap.seek(page * qint64(sizeof entry))
        || pagemap.read(reinterpret_cast<char *>(&entry), sizeof entry) != qint64(sizeof entry))
        return false;
    return (entry >> 63) != 0;
}

} // namespace

void tst_EmbeddedTables::files_releasedTablesLeaveNoPageMapped()
{
    // The system maps more than a read touches; letting all of the tables
    // go leaves none of their pages with the program, and every table reads
    // back as it was.
    QVector<QByteArray> before;
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f)
        before.append(QByteArray(reinterpret_cast<const char *>(f->data), f->storedLength));
    const EmbeddedImage *image = embeddedImages;
    const QByteArray imageBefore(reinterpret_cast<const char *>(image->data),
                                 qsizetype(image->storedLength));
    // A page inside the tables: the first and last pages are shared with
    // the data around them and stay.
    const unsigned char *first = embeddedFiles[0].data;
    const unsigned char *last = image->data;
    for (; image->data; ++image)
        last = image->data + image->storedLength;
    image = embeddedImages;
    QVERIFY(first < last && last - first > 4 * sysconf(_SC_PAGESIZE));
    const unsigned char *middle = first + (last - first) / 2;
    volatile unsigned char touched = *middle;
    Q_UNUSED(touched);
    QVERIFY(pageMapped(middle));

    releaseEmbeddedTables();
    QVERIFY(!pageMapped(middle));
    qsizetype i = 0;
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f, ++i)
        QCOMPARE(QByteArray::fromRawData(reinterpret_cast<const char *>(f->data), f->storedLength),
                 before.at(i));
    QCOMPARE(QByteArray::fromRawData(reinterpret_cast<const char *>(image->data),
                                     qsizetype(image->storedLength)),
             imageBefore);
}

void tst_EmbeddedTables::files_lookupMisses_data()
{
    QTest::addColumn<QByteArray>("name");
    QTest::newRow("empty") << QByteArray("");
    QTest::newRow("other case") << QByteArray("Index.html");
    QTest::newRow("list in upper case") << QByteArray("INDEX.LST");
    QTest::newRow("with anchor") << QByteArray("index.html#top");
    QTest::newRow("directory part") << QByteArray("doc/index.html");
    QTest::newRow("leading slash") << QByteArray("/index.html");
    QTest::newRow("trailing blank") << QByteArray("index.html ");
    QTest::newRow("prefix of a name") << QByteArray("contents.ls");
    QTest::newRow("without extension") << QByteArray("index");
    QTest::newRow("an image") << QByteArray("Back.png");
}

void tst_EmbeddedTables::files_lookupMisses()
{
    QFETCH(QByteArray, name);
    int length = 12345;
    QCOMPARE(findEmbeddedFile(name.constData(), &length), nullptr);
    QCOMPARE(length, 0);
    length = 12345;
    QCOMPARE(findEmbeddedFile(nullptr, &length), nullptr);
    QCOMPARE(length, 0);
}

void tst_EmbeddedTables::images_recordsAreConsistent()
{
    const QRegularExpression imageName(QStringLiteral("^[A-Za-z0-9._-]+$"));
    QSet<QByteArray> names;
    for (const EmbeddedImage *e = embeddedImages; e->data; ++e) {
        const QByteArray what = e->name;
        QVERIFY2(imageName.match(QString::fromUtf8(e->name)).hasMatch(), e->name);
        QVERIFY2(!names.contains(what), e->name);
        names.insert(what);
        QVERIFY2(e->width > 0 && e->height > 0, e->name);
        QVERIFY2(e->depth == 1 || e->depth == 8 || e->depth == 32, e->name);
        if (e->depth == 32)
            QVERIFY2(e->numColors == 0 && !e->colorTable, e->name);
        else if (e->depth == 1)
            QVERIFY2(e->numColors == 2 && e->colorTable, e->name);
        else
            QVERIFY2(e->numColors >= 1 && e->numColors <= 256 && e->colorTable, e->name);

        const BlobCheck check = checkBlob(e->data, e->storedLength);
        QVERIFY2(check.problem.isEmpty(),
                 qPrintable(QString::fromUtf8(e->name) + QLatin1String(": ") + check.problem));
        const qsizetype bytesPerLine = (qsizetype(e->width) * e->depth + 31) / 32 * 4;
        QCOMPARE(check.inflated.size(), bytesPerLine * e->height);

        // The flag says whether alpha is really used, not whether a channel exists.
        bool usesAlpha = false;
        if (e->depth == 32) {
            for (int y = 0; y < e->height && !usesAlpha; ++y) {
                const uchar *row =
                    reinterpret_cast<const uchar *>(check.inflated.constData()) + y * bytesPerLine;
                for (int x = 0; x < e->width; ++x)
                    usesAlpha = usesAlpha || row[4 * x + 3] != 0xff;
            }
        } else {
            for (int i = 0; i < e->numColors; ++i)
                usesAlpha = usesAlpha || qAlpha(e->colorTable[i]) != 255;
        }
        QVERIFY2(usesAlpha == e->alpha, e->name);
    }
}

void tst_EmbeddedTables::images_orderDocumentationThenProgram()
{
    QStringList documentation;
    QStringList program;
    for (const EmbeddedImage *e = embeddedImages; e->data; ++e) {
        const QString name = QString::fromUtf8(e->name);
        if (programImages.contains(name)) {
            program.append(name);
        } else {
            QVERIFY2(program.isEmpty(),
                     qPrintable(name + QLatin1String(" follows the program's images")));
            documentation.append(name);
        }
    }
    for (qsizetype i = 1; i < documentation.size(); ++i)
        QVERIFY2(documentation.at(i - 1).toUtf8() < documentation.at(i).toUtf8(),
                 qPrintable(documentation.at(i)));
    QStringList expected;
    for (const QString &name : programImages) {
        if (program.contains(name))
            expected.append(name);
    }
    QCOMPARE(program, expected);
}

QTEST_GUILESS_MAIN(tst_EmbeddedTables)
#include "tst_embeddedtables.moc"
