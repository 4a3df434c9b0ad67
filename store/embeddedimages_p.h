// Velmora: internals of the embedded image store, for tests and benchmarks.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QtGlobal>

// How many images findEmbeddedImage has inflated and decoded in this run.
quint64 embeddedImageDecodeCount();

// The factory chained in by installEmbeddedImages, or null.
class EmbeddedImageFactory;
EmbeddedImageFactory *installedEmbeddedImageFactory();
