// Velmora: internals of the embedded image store, for tests and benchmarks.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QImage>
#include <QtGlobal>

struct EmbeddedImage;

// Inflates and decodes one entry of the table; null for an entry whose
// size, depth or blob does not add up.
QImage decodeEmbeddedImage(const EmbeddedImage &entry);

// How many images findEmbeddedImage has inflated and decoded in this run.
quint64 embeddedImageDecodeCount();

// The factory chained in by installEmbeddedImages, or null.
class EmbeddedImageFactory;
EmbeddedImageFactory *installedEmbeddedImageFactory();
