// Velmora: hands the index image that velmora-searchindex wrote to the search.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "searchindex.h"

// From the generated embedded_search.S.
extern "C" const unsigned char velmora_search_image[];
extern "C" const unsigned long long velmora_search_image_size;

namespace {

// Runs before main in every program that links an index; the search opens
// the image on its first query.
struct Registration
{
    Registration()
    {
        tarn::registerEmbeddedSearchImage(velmora_search_image, qint64(velmora_search_image_size));
    }
};
const Registration registration;

} // namespace
