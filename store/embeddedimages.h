// Velmora: the table of embedded images and the factory that serves them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "mimesourcefactory.h"
#include "sourcecache.h"

#include <QImage>
#include <QString>

#include <memory>

// One decoded image. Rows top to bottom, each padded to 4 bytes; 32-bit
// pixels are QRgb (0xAARRGGBB, least significant byte first), 8-bit pixels
// index colorTable, 1-bit pixels are packed most significant bit first.
struct EmbeddedImage
{
    int width;
    int height;
    int depth;
    const unsigned char *data;
    unsigned long storedLength;
    int numColors;
    const QRgb *colorTable;
    bool alpha;
    const char *name;
};

// Documentation images first, then the program's own; ended by a record
// whose data is null. Generated at build time.
extern const EmbeddedImage embeddedImages[];

// Inflates and decodes the image of that exact name; null when there is none.
QImage findEmbeddedImage(const QString &name);
// The size of the image of that exact name, read from the table without
// decoding it; empty when there is none.
QSize findEmbeddedImageSize(const QString &name);

// Serves embedded images by name. Decoded images are kept up to a budget of
// bytes, so an image asked for again while it is kept is a hash hit, never a
// second inflate; a long session does not keep every image it ever showed.
class EmbeddedImageFactory : public MimeSourceFactory
{
public:
    static constexpr qint64 defaultBudget = 12 * 1024 * 1024;

    EmbeddedImageFactory();
    ~EmbeddedImageFactory() override;

    // The pointer stays valid until the next call of data() on this factory.
    const MimeSource *data(const QString &absName) const override;

    SourceCache &cache() const;

private:
    std::unique_ptr<SourceCache> m_cache;
    mutable std::shared_ptr<const MimeSource> m_lastAnswer;
};

// Chains the image factory into the default factory; a no-op when it is there.
void installEmbeddedImages();
// Unchains and deletes it, dropping every cached image; a no-op when absent.
void removeEmbeddedImages();
