// Velmora: fuzz target for the blob reader: inflating a page and decoding an image.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedfiles.h"
#include "embeddedimages.h"
#include "embeddedimages_p.h"
#include "listtables.h"
#include "pagetext.h"

#include <QString>

#include <cstdint>
#include <cstdlib>
#include <cstring>

namespace {

// The tables come with the program and no entry of theirs inflates to more
// than a few megabytes; larger claims only measure the allocator.
constexpr quint32 maxInflated = 32u << 20;

quint32 claimedLength(const uint8_t *blob, size_t size)
{
    if (size < 4)
        return 0;
    return quint32(blob[0]) << 24 | quint32(blob[1]) << 16 | quint32(blob[2]) << 8 | blob[3];
}

const QRgb palette[256] = {0xff000000u, 0xffffffffu, 0x00000000u, 0x80ff0000u};

} // namespace

// Input: one mode byte, then either a page blob (4-byte big-endian length
// and a zlib stream, as stored) or an image record: width and height (two
// bytes each, little-endian), depth code, alpha, colour count, then the blob.
extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size < 1)
        return 0;
    const uint8_t mode = data[0];
    ++data;
    --size;
    if ((mode & 1) == 0) {
        if (claimedLength(data, size) > maxInflated)
            return 0;
        // What the page view and the list readers do with a stored file.
        const QByteArray bytes = inflateEmbedded(data, qsizetype(size));
        if (!bytes.isEmpty() && bytes.size() != embeddedInflatedLength(data, qsizetype(size)))
            std::abort();
        const QString text = tarn::decodePageText(bytes);
        if (bytes.size() > qsizetype(maxInflated) || text.size() > bytes.size())
            std::abort();
        // What the marks of a members list do with entries.lst: line by
        // line, a piece at a time. The lines are the whole text's, without
        // their ends.
        QByteArray joined;
        bool tooLong = false;
        const bool read = inflateEmbeddedLines(data, qsizetype(size), [&](QByteArrayView line) {
            if (line.contains('\n'))
                std::abort();
            QByteArrayView target;
            tarn::EntryVersion version;
            if (tarn::readEntryVersion(line, &target, &version)
                && (target.isEmpty() || target.contains(QByteArrayView("==="))
                    || !line.startsWith(target)))
                std::abort();
            joined += line;
            joined += '\n';
            tooLong = joined.size() > qsizetype(maxInflated);
            return !tooLong;
        });
        if (!bytes.isEmpty() && !tooLong) {
            QByteArray expected = bytes;
            if (!expected.endsWith('\n'))
                expected += '\n';
            expected.replace("\r\n", "\n");
            if (!read || joined != expected)
                std::abort();
        }
        // What the contents list does: one pass keeping states, then
        // stretches read back, each the text's or nothing.
        SeekableBlob seekable(data, qsizetype(size), qsizetype(1) << (mode >> 4));
        qsizetype seen = 0;
        seekable.readLines([&seen](QByteArrayView line, qsizetype offset) {
            seen = offset + line.size();
            return seen <= qsizetype(maxInflated);
        });
        // And what it does with the build's frozen classes: no pass, the
        // text reached as far as each read asks.
        SeekableBlob lazy(data, qsizetype(size), qsizetype(1) << (mode >> 4));
        for (const qsizetype at : {qsizetype(0), seen / 3, seen - 7}) {
            const qsizetype length = qMin<qsizetype>(seen - at, 5000);
            const QByteArray stretch = seekable.bytes(at, length);
            if (!stretch.isEmpty() && !bytes.isEmpty() && stretch != bytes.mid(at, length))
                std::abort();
            if (at >= 0 && length > 0)
                lazy.reach(at + length);
            const QByteArray reached = lazy.bytes(at, length);
            if (!reached.isEmpty() && (reached.size() != length || stretch != reached))
                std::abort();
        }
        return 0;
    }
    if (size < 7)
        return 0;
    EmbeddedImage entry{};
    entry.width = int(data[0] | data[1] << 8);
    entry.height = int(data[2] | data[3] << 8);
    static const int depths[] = {1, 8, 32, 0, 24, 16, 2, 4};
    entry.depth = depths[data[4] & 7];
    entry.alpha = data[5] & 1;
    entry.numColors = data[6] % 5;
    entry.colorTable = entry.numColors ? palette : nullptr;
    entry.data = data + 7;
    entry.storedLength = (unsigned long)(size - 7);
    entry.name = "fuzz.png";
    if (claimedLength(entry.data, entry.storedLength) > maxInflated)
        return 0;
    const QImage image = decodeEmbeddedImage(entry);
    if (!image.isNull()) {
        // Whatever decodes is the size and depth the record says.
        if (image.width() != entry.width || image.height() != entry.height
            || image.depth() != entry.depth)
            std::abort();
        // Touch every row, so a short buffer would show.
        quint32 sum = 0;
        for (int y = 0; y < image.height(); ++y)
            sum += image.constScanLine(y)[0];
        (void)sum;
    }
    return 0;
}
