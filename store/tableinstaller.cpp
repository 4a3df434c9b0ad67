// Velmora: chains the embedded pages and images into the default factory before main.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedimages.h"
#include "embeddedpages.h"

// Built into every object library of generated tables (see
// cmake/VelmoraEmbed.cmake) rather than into the store's static library,
// where nothing would reference it and the linker would leave it out.
namespace {

struct EmbeddedImagesInstaller
{
    EmbeddedImagesInstaller()
    {
        installEmbeddedPages();
        installEmbeddedImages();
    }
    ~EmbeddedImagesInstaller()
    {
        removeEmbeddedImages();
        removeEmbeddedPages();
    }
    EmbeddedImagesInstaller(const EmbeddedImagesInstaller &) = delete;
    EmbeddedImagesInstaller &operator=(const EmbeddedImagesInstaller &) = delete;
};
const EmbeddedImagesInstaller installer;

} // namespace
