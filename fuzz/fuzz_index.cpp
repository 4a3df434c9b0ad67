// Velmora: fuzz target for the index list and its display keys.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listformat.h"
#include "listtables.h"

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <memory>

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

    // The table the build freezes is the table the parse gives.
    const IndexTable parsed = IndexTable::fromText(text);
    const QByteArray image = parsed.frozen();
    const std::unique_ptr<max_align_t[]> placed(
        new max_align_t[size_t(image.size()) / sizeof(max_align_t) + 1]);
    std::memcpy(placed.get(), image.constData(), size_t(image.size()));
    IndexTable frozen;
    if (!IndexTable::fromFrozen(reinterpret_cast<const unsigned char *>(placed.get()), image.size(),
                                &frozen)
        || frozen.rows.size() != parsed.rows.size()
        || frozen.classNames != parsed.classNames
        // Not QList's ==, which hands memcmp the null data of an empty list.
        || !std::equal(frozen.lookupOrder.cbegin(), frozen.lookupOrder.cend(),
                       parsed.lookupOrder.cbegin(), parsed.lookupOrder.cend()))
        std::abort();
    for (int row = 0; row < parsed.rows.size(); ++row) {
        const IndexTable::Row &a = parsed.rows.at(row);
        const IndexTable::Row &b = frozen.rows.at(row);
        if (parsed.name(row) != frozen.name(row) || parsed.view(a.target) != frozen.view(b.target)
            || parsed.view(a.kind) != frozen.view(b.kind) || a.member != b.member
            || a.twin != b.twin || a.kindOf != b.kindOf || a.bareLength != b.bareLength)
            std::abort();
    }
    return 0;
}
