// Velmora: decoding of the embedded image table and the factory serving it.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedimages.h"
#include "embeddedfiles.h"
#include "embeddedimages_p.h"

#include <QList>
#include <QtEndian>

namespace {

EmbeddedImageFactory *embeddedImageFactory = nullptr;
quint64 decodeCount = 0;

} // namespace

QImage decodeEmbeddedImage(const EmbeddedImage &entry)
{
    QImage::Format format;
    switch (entry.depth) {
    case 1:
        format = QImage::Format_Mono; // most significant bit first
        break;
    case 8:
        format = QImage::Format_Indexed8;
        break;
    case 32:
        format = entry.alpha ? QImage::Format_ARGB32 : QImage::Format_RGB32;
        break;
    default:
        return QImage();
    }
    ++decodeCount;
    const qsizetype bytesPerLine = (qsizetype(entry.width) * entry.depth + 31) / 32 * 4;
    // The table comes with the program, but a damaged entry must neither be
    // read past its end nor make the inflater allocate what its header
    // claims: the claim has to match the image's size before anything is
    // inflated.
    if (entry.width <= 0 || entry.height <= 0 || entry.storedLength < 4)
        return QImage();
    const quint32 claimed = qFromBigEndian<quint32>(entry.data);
    if (qsizetype(claimed) != bytesPerLine * entry.height)
        return QImage();
    // Straight into the image's own pixels: no second copy of a large page
    // image passes through memory.
    QImage image(entry.width, entry.height, format);
    const bool inflated = !image.isNull() && image.bytesPerLine() == bytesPerLine
        && inflateEmbeddedInto(entry.data, qsizetype(entry.storedLength), image.bits(),
                               image.sizeInBytes());
    releaseEmbeddedBytes(entry.data, qsizetype(entry.storedLength));
    if (!inflated)
        return QImage();
    if (entry.numColors > 0 && entry.colorTable)
        image.setColorTable(QList<QRgb>(entry.colorTable, entry.colorTable + entry.numColors));
    if constexpr (Q_BYTE_ORDER == Q_BIG_ENDIAN) {
        // Pixels are stored least significant byte first.
        if (entry.depth == 32) {
            for (int y = 0; y < image.height(); ++y) {
                quint32 *row = reinterpret_cast<quint32 *>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x)
                    row[x] = qFromLittleEndian(row[x]);
            }
        }
    }
    return image;
}

namespace {

const EmbeddedImage *findEntry(const QString &name)
{
    if (name.isEmpty())
        return nullptr;
    // Names in the table are UTF-8: comparing the bytes once is the same test
    // as decoding every entry's name, without a conversion per entry.
    const QByteArray wanted = name.toUtf8();
    for (const EmbeddedImage *entry = embeddedImages; entry->data; ++entry) {
        if (wanted == entry->name)
            return entry;
    }
    return nullptr;
}

} // namespace

QImage findEmbeddedImage(const QString &name)
{
    const EmbeddedImage *entry = findEntry(name);
    return entry ? decodeEmbeddedImage(*entry) : QImage();
}

QSize findEmbeddedImageSize(const QString &name)
{
    const EmbeddedImage *entry = findEntry(name);
    return entry && entry->width > 0 && entry->height > 0 ? QSize(entry->width, entry->height)
                                                          : QSize();
}

EmbeddedImageFactory::EmbeddedImageFactory()
    : m_cache(std::make_unique<SourceCache>(defaultBudget))
{
}

EmbeddedImageFactory::~EmbeddedImageFactory() = default;

const MimeSource *EmbeddedImageFactory::data(const QString &absName) const
{
    if (const MimeSource *own = MimeSourceFactory::data(absName))
        return own;
    if (absName.isNull())
        return nullptr;
    m_lastAnswer = m_cache->find(absName);
    if (!m_lastAnswer) {
        const QImage image = findEmbeddedImage(absName);
        if (image.isNull())
            return nullptr; // misses are not remembered; they are rare and cheap
        m_lastAnswer = m_cache->insert(absName, MimeSource::fromImage(image));
    }
    return m_lastAnswer.get();
}

SourceCache &EmbeddedImageFactory::cache() const
{
    return *m_cache;
}

void installEmbeddedImages()
{
    if (embeddedImageFactory)
        return;
    embeddedImageFactory = new EmbeddedImageFactory;
    MimeSourceFactory::addFactory(embeddedImageFactory);
}

void removeEmbeddedImages()
{
    if (!embeddedImageFactory)
        return;
    MimeSourceFactory::removeFactory(embeddedImageFactory);
    delete embeddedImageFactory;
    embeddedImageFactory = nullptr;
}

quint64 embeddedImageDecodeCount()
{
    return decodeCount;
}

EmbeddedImageFactory *installedEmbeddedImageFactory()
{
    return embeddedImageFactory;
}
