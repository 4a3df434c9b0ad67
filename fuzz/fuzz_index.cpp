// Velmora: fuzz target for the index list and its display keys.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listformat.h"

#include <cstdint>
#include <cstdlib>

using namespace tarn;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(reinterpret_cast<const char *>(data), qsizetype(size));
    qsizetype covered = 0;
    for (const QStringView line : splitListLines(text)) {
        if (line.contains(u'\n'))
            std::abort();
        covered += line.size();
        const IndexEntry entry = parseIndexLine(line);
        if (entry.name.contains(u"===") || entry.target.contains(u"===")
            || entry.kind.contains(u"==="))
            std::abort();
        // Class entries sort before members; the key says which it is.
        const QString key = indexSortKey(entry);
        if (!key.endsWith(entry.name) || (key.at(0) != u'1' && key.at(0) != u'2'))
            std::abort();
    }
    // Lines never take more text than there is.
    if (covered > text.size())
        std::abort();
    return 0;
}
