// Velmora: empty documentation tables for the fuzz targets, which feed the
// store's readers their own bytes instead.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedfiles.h"
#include "embeddedimages.h"

const EmbeddedFile embeddedFiles[] = {{0, nullptr, nullptr}};
const EmbeddedFile embeddedLookupFiles[] = {{0, nullptr, nullptr}};
const EmbeddedImage embeddedImages[] = {{0, 0, 0, nullptr, 0ul, 0, nullptr, false, nullptr}};
const char embeddedDocumentationVersion[] = "";
extern "C" alignas(16) const unsigned char velmora_frozen_index[16] = {};
const unsigned long embeddedFrozenIndexSize = 0;
extern "C" alignas(16) const unsigned char velmora_frozen_contents[16] = {};
const unsigned long embeddedFrozenContentsSize = 0;
