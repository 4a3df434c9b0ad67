// Velmora: decoding of embedded images and the factory that caches them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedimages.h"
#include "embeddedimages_p.h"

#include <QImageReader>
#include <QTest>

namespace {

const EmbeddedImage *entryNamed(const char *name)
{
    for (const EmbeddedImage *e = embeddedImages; e->data; ++e) {
        if (qstrcmp(e->name, name) == 0)
            return e;
    }
    return nullptr;
}

QString fixture(const QString &name)
{
    return QStringLiteral(VELMORA_TEST_DATA "/docset/") + name;
}

int messagesSeen = 0;
void countMessage(QtMsgType, const QMessageLogContext &, const QString &)
{
    ++messagesSeen;
}

} // namespace

class tst_EmbeddedImages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void decodesLikeTheSourceFile_data();
    void decodesLikeTheSourceFile();
    void monoIsPackedMostSignificantBitFirst();
    void pixelsAreQRgbLeastSignificantByteFirst();
    void misses_data();
    void misses();

    void factory_isChainedBeforeMain();
    void factory_decodesOnceThenServesTheCache();
    void factory_missesAreNullSilentAndNotDecoded();
    void factory_installAndRemoveAreIdempotent();
};

void tst_EmbeddedImages::decodesLikeTheSourceFile_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QImage::Format>("format");
    QTest::addColumn<bool>("alpha");

    QTest::newRow("1-bit, width 37") << "pattern1.png" << QImage::Format_Mono << false;
    QTest::newRow("8-bit palette with alpha")
        << "palette-alpha.png" << QImage::Format_Indexed8 << true;
    QTest::newRow("8-bit, width 13") << "narrow8.png" << QImage::Format_Indexed8 << false;
    QTest::newRow("8-bit grey") << "grey.png" << QImage::Format_Indexed8 << false;
    QTest::newRow("gif keeps its palette") << "chart.gif" << QImage::Format_Indexed8 << false;
    QTest::newRow("32-bit with alpha") << "Back.png" << QImage::Format_ARGB32 << true;
    QTest::newRow("32-bit, alpha all opaque") << "Home.png" << QImage::Format_RGB32 << false;
    QTest::newRow("32-bit without alpha") << "logo.png" << QImage::Format_RGB32 << false;
    QTest::newRow("jpeg") << "Photo.jpg" << QImage::Format_RGB32 << false;
}

void tst_EmbeddedImages::decodesLikeTheSourceFile()
{
    QFETCH(QString, name);
    QFETCH(QImage::Format, format);
    QFETCH(bool, alpha);

    const QImage image = findEmbeddedImage(name);
    QVERIFY(!image.isNull());
    QCOMPARE(image.format(), format);
    QCOMPARE(image.hasAlphaChannel(), alpha);

    QImageReader reader(fixture(name));
    const QImage source = reader.read();
    QVERIFY2(!source.isNull(), qPrintable(reader.errorString()));
    QCOMPARE(image.size(), source.size());
    const QImage got = image.convertToFormat(QImage::Format_ARGB32);
    const QImage want = source.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < want.height(); ++y) {
        for (int x = 0; x < want.width(); ++x) {
            if (got.pixel(x, y) != want.pixel(x, y))
                QFAIL(qPrintable(QStringLiteral("pixel (%1, %2): %3 instead of %4")
                                     .arg(x)
                                     .arg(y)
                                     .arg(got.pixel(x, y), 8, 16, QLatin1Char('0'))
                                     .arg(want.pixel(x, y), 8, 16, QLatin1Char('0'))));
        }
    }
}

void tst_EmbeddedImages::monoIsPackedMostSignificantBitFirst()
{
    const EmbeddedImage *entry = entryNamed("pattern1.png");
    QVERIFY(entry);
    QCOMPARE(entry->numColors, 2);
    const QByteArray raw = qUncompress(entry->data, qsizetype(entry->storedLength));
    const QImage image = findEmbeddedImage(QStringLiteral("pattern1.png"));
    QCOMPARE(image.colorCount(), 2);
    const int bytesPerLine = (entry->width + 31) / 32 * 4;
    for (int y = 0; y < entry->height; ++y) {
        for (int x = 0; x < entry->width; ++x) {
            const uchar byte = uchar(raw.at(y * bytesPerLine + x / 8));
            const int bit = (byte >> (7 - x % 8)) & 1;
            QCOMPARE(image.pixelIndex(x, y), bit);
        }
    }
}

void tst_EmbeddedImages::pixelsAreQRgbLeastSignificantByteFirst()
{
    const EmbeddedImage *back = entryNamed("Back.png");
    QVERIFY(back);
    const QByteArray raw = qUncompress(back->data, qsizetype(back->storedLength));
    const QImage image = findEmbeddedImage(QStringLiteral("Back.png"));
    QCOMPARE(image.size(), QSize(19, 18));
    for (int y = 0; y < back->height; ++y) {
        for (int x = 0; x < back->width; ++x) {
            const uchar *p = reinterpret_cast<const uchar *>(raw.constData()) + (y * 19 + x) * 4;
            QCOMPARE(image.pixel(x, y), qRgba(p[2], p[1], p[0], p[3]));
        }
    }
}

void tst_EmbeddedImages::misses_data()
{
    QTest::addColumn<QString>("name");
    QTest::newRow("null") << QString();
    QTest::newRow("empty") << QString(QLatin1String(""));
    QTest::newRow("other case") << "back.png";
    QTest::newRow("without extension") << "Back";
    QTest::newRow("trailing blank") << "Back.png ";
    QTest::newRow("with a NUL inside") << QString::fromUtf8("Back.png\0x", 10);
    QTest::newRow("directory part") << "images/Back.png";
    QTest::newRow("a page") << "index.html";
}

void tst_EmbeddedImages::misses()
{
    QFETCH(QString, name);
    QVERIFY(findEmbeddedImage(name).isNull());
}

void tst_EmbeddedImages::factory_isChainedBeforeMain()
{
    QVERIFY(installedEmbeddedImageFactory());
    const MimeSource *source =
        MimeSourceFactory::defaultFactory()->data(QStringLiteral("logo.png"));
    QVERIFY(source);
    QCOMPARE(source->kind(), MimeSource::Image);
    QCOMPARE(source->image().size(), QSize(28, 6));
    QCOMPARE(imageFromMimeSource(QStringLiteral("logo.png")).size(), QSize(28, 6));
}

void tst_EmbeddedImages::factory_decodesOnceThenServesTheCache()
{
    // A fresh factory, so earlier tests' requests are not in its cache.
    removeEmbeddedImages();
    installEmbeddedImages();
    MimeSourceFactory *factory = MimeSourceFactory::defaultFactory();
    const quint64 before = embeddedImageDecodeCount();
    const MimeSource *first = factory->data(QStringLiteral("velmora-16.png"));
    QVERIFY(first);
    QCOMPARE(embeddedImageDecodeCount(), before + 1);
    const MimeSource *again = factory->data(QStringLiteral("velmora-16.png"));
    QCOMPARE(again, first);
    QCOMPARE(embeddedImageDecodeCount(), before + 1);
    QCOMPARE(first->image().size(), QSize(16, 16));
}

void tst_EmbeddedImages::factory_missesAreNullSilentAndNotDecoded()
{
    MimeSourceFactory *factory = MimeSourceFactory::defaultFactory();
    const quint64 before = embeddedImageDecodeCount();
    messagesSeen = 0;
    const QtMessageHandler previous = qInstallMessageHandler(countMessage);
    const MimeSource *missing = factory->data(QStringLiteral("nosuchimage.png"));
    const MimeSource *again = factory->data(QStringLiteral("nosuchimage.png"));
    const MimeSource *null = installedEmbeddedImageFactory()->data(QString());
    qInstallMessageHandler(previous);
    QCOMPARE(missing, nullptr);
    QCOMPARE(again, nullptr);
    QCOMPARE(null, nullptr);
    QCOMPARE(messagesSeen, 0);
    QCOMPARE(embeddedImageDecodeCount(), before);
}

void tst_EmbeddedImages::factory_installAndRemoveAreIdempotent()
{
    installEmbeddedImages();
    EmbeddedImageFactory *installed = installedEmbeddedImageFactory();
    installEmbeddedImages();
    QCOMPARE(installedEmbeddedImageFactory(), installed);

    removeEmbeddedImages();
    removeEmbeddedImages();
    QCOMPARE(installedEmbeddedImageFactory(), nullptr);
    QCOMPARE(MimeSourceFactory::defaultFactory()->data(QStringLiteral("Back.png")), nullptr);

    installEmbeddedImages();
    QVERIFY(MimeSourceFactory::defaultFactory()->data(QStringLiteral("Back.png")));
}

QTEST_GUILESS_MAIN(tst_EmbeddedImages)
#include "tst_embeddedimages.moc"
