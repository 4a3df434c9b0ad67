// Velmora: the table of embedded images and the factory that serves them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "mimesourcefactory.h"

#include <QImage>
#include <QString>

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

// Serves embedded images by name and keeps every decoded image, so each one
// is inflated at most once per run.
class EmbeddedImageFactory : public MimeSourceFactory
{
public:
    const MimeSource *data(const QString &absName) const override;
};

// Chains the image factory into the default factory; a no-op when it is there.
void installEmbeddedImages();
// Unchains and deletes it, dropping every cached image; a no-op when absent.
void removeEmbeddedImages();
