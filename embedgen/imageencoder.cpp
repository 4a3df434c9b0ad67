// Velmora: decodes image files into the embedded pixel layout.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embedgen.h"

#include "toolfailure.h"

#include <QFileInfo>
#include <QHash>
#include <QImage>
#include <QImageReader>
#include <QtEndian>

#include <algorithm>
#include <cstdio>
#include <cstring>

namespace tarn::embed {

namespace {

// The messages of the decode running on this thread; null outside one.
thread_local QStringList *decoderMessages = nullptr;
QtMessageHandler previousHandler = nullptr;

void captureDecoderMessage(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    if (decoderMessages && type != QtDebugMsg && type != QtInfoMsg) {
        decoderMessages->append(text);
        return;
    }
    if (previousHandler)
        previousHandler(type, context, text);
    else
        std::fprintf(stderr, "%s\n", qUtf8Printable(qFormatLogMessage(type, context, text)));
}

bool tableUsesAlpha(const QList<QRgb> &table)
{
    return std::any_of(table.begin(), table.end(), [](QRgb c) { return qAlpha(c) != 255; });
}

bool pixelsUseAlpha(const QImage &argb)
{
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        for (int x = 0; x < argb.width(); ++x) {
            if (qAlpha(row[x]) != 255)
                return true;
        }
    }
    return false;
}

// A grey image keeps one byte a pixel as an 8-bit image with a grey ramp.
QImage greyToIndexed(const QImage &grey)
{
    QImage indexed(grey.size(), QImage::Format_Indexed8);
    QList<QRgb> ramp(256);
    for (int i = 0; i < 256; ++i)
        ramp[i] = qRgb(i, i, i);
    indexed.setColorTable(ramp);
    for (int y = 0; y < grey.height(); ++y)
        std::memcpy(indexed.scanLine(y), grey.constScanLine(y), size_t(grey.width()));
    return indexed;
}

// Qt expands GIF frames to 32 bits, yet a GIF never has more than 256
// colours: give it back its palette, a quarter of the memory once cached.
QImage paletteFromGif(const QImage &expanded)
{
    const QImage argb = expanded.convertToFormat(QImage::Format_ARGB32);
    QHash<QRgb, int> indexOf;
    QList<QRgb> table;
    QImage indexed(argb.size(), QImage::Format_Indexed8);
    for (int y = 0; y < argb.height(); ++y) {
        const QRgb *row = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < argb.width(); ++x) {
            // Fully transparent pixels are one colour whatever their RGB.
            const QRgb colour = qAlpha(row[x]) == 0 ? 0u : row[x];
            auto it = indexOf.constFind(colour);
            if (it == indexOf.constEnd()) {
                if (table.size() == 256)
                    return QImage();
                it = indexOf.insert(colour, int(table.size()));
                table.append(colour);
            }
            out[x] = uchar(it.value());
        }
    }
    indexed.setColorTable(table);
    return indexed;
}

} // namespace

void encodeImage(const QString &path, ImageBlob *out)
{
    const QFileInfo info(path);
    if (info.size() == 0)
        fail(path, QStringLiteral("empty image file"));

    QStringList messages;
    decoderMessages = &messages;
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    const QByteArray format = reader.format(); // peeks; empty once read
    QImage image = reader.read();
    decoderMessages = nullptr;
    const QString said = messages.isEmpty() ? QString()
                                            : QStringLiteral(" (")
            + messages.join(QStringLiteral("; ")).simplified() + QLatin1Char(')');
    if (image.isNull())
        fail(path, QStringLiteral("cannot decode the image: ") + reader.errorString() + said);
    // A decoder that warned filled in what it could not read: that table
    // entry would be wrong without anyone noticing.
    if (!messages.isEmpty())
        fail(path, QStringLiteral("damaged image") + said);
    if (format == "gif" && image.depth() == 32) {
        const QImage indexed = paletteFromGif(image);
        if (!indexed.isNull())
            image = indexed;
    }

    QList<QRgb> table;
    int depth = 32;
    bool alpha = false;
    switch (image.format()) {
    case QImage::Format_Mono:
    case QImage::Format_MonoLSB:
        image = image.convertToFormat(QImage::Format_Mono);
        depth = 1;
        table = image.colorTable();
        table.resize(2, qRgb(0, 0, 0));
        alpha = tableUsesAlpha(table);
        break;
    case QImage::Format_Indexed8:
        depth = 8;
        table = image.colorTable();
        if (table.isEmpty() || table.size() > 256)
            fail(path, QStringLiteral("8-bit image without a usable colour table"));
        alpha = tableUsesAlpha(table);
        break;
    case QImage::Format_Grayscale8:
        image = greyToIndexed(image);
        depth = 8;
        table = image.colorTable();
        break;
    default:
        if (image.hasAlphaChannel()) {
            image = image.convertToFormat(QImage::Format_ARGB32);
            alpha = pixelsUseAlpha(image);
        }
        // An alpha channel that is opaque everywhere is dropped: RGB32 keeps 0xff there.
        image = image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32);
        break;
    }

    // Rows padded to 4 bytes. Only the bytes that hold pixels are copied:
    // QImage leaves its row padding uninitialised, and the same folder must
    // give the same table on every run.
    const qsizetype bytesPerLine = (qsizetype(image.width()) * depth + 31) / 32 * 4;
    const qsizetype used = (qsizetype(image.width()) * depth + 7) / 8;
    const int spareBits = int(used * 8 - qsizetype(image.width()) * depth);
    QByteArray pixels(bytesPerLine * image.height(), '\0');
    for (int y = 0; y < image.height(); ++y) {
        char *row = pixels.data() + y * bytesPerLine;
        std::memcpy(row, image.constScanLine(y), size_t(used));
        if (spareBits > 0) // unused low bits of a 1-bit row's last byte
            row[used - 1] = char(uchar(row[used - 1]) & uchar(0xff << spareBits));
        if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
            // The table stores QRgb least significant byte first.
            if (depth == 32) {
                quint32 *px = reinterpret_cast<quint32 *>(row);
                for (int x = 0; x < image.width(); ++x)
                    px[x] = qToLittleEndian(px[x]);
            }
        }
    }

    out->name = info.fileName().toUtf8();
    out->width = image.width();
    out->height = image.height();
    out->depth = depth;
    out->colorTable = table;
    out->alpha = alpha;
    out->inflated = quint64(pixels.size());
    out->blob = compressBlob(pixels);
    if (out->blob.isEmpty())
        fail(path, QStringLiteral("cannot compress the pixels"));
}

void installDecoderMessageCapture()
{
    previousHandler = qInstallMessageHandler(captureDecoderMessage);
}

} // namespace tarn::embed
