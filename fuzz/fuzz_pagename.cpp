// Velmora: fuzz target for the split of a page name at its "#".
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagename.h"

#include <cstdint>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString name = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    const tarn::PageName parts = tarn::splitPageName(name);
    // Neither piece keeps a "#", an anchor never comes without a page, and
    // a name without "#" is all page.
    if (parts.page.contains(u'#') || parts.anchor.contains(u'#'))
        std::abort();
    if (parts.page.isEmpty() && !parts.anchor.isEmpty())
        std::abort();
    if (!name.contains(u'#') && parts.page != name)
        std::abort();
    return 0;
}
