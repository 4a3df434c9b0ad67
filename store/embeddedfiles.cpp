// Velmora: lookup in the embedded file table.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedfiles.h"

#include <cstring>

const unsigned char *findEmbeddedFile(const char *name, int *storedLengthOut)
{
    if (storedLengthOut)
        *storedLengthOut = 0;
    if (!name || !*name)
        return nullptr;
    // A plain scan: a few thousand short compares cost nothing next to the inflate.
    for (const EmbeddedFile *file = embeddedFiles; file->data; ++file) {
        if (std::strcmp(file->name, name) == 0) {
            if (storedLengthOut)
                *storedLengthOut = int(file->storedLength);
            return file->data;
        }
    }
    return nullptr;
}
