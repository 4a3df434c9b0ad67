// Velmora: lookup in the embedded file table.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedfiles.h"

#include "embeddedimages.h"

#include "freshmemory.h"

#include <zlib.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#if defined(Q_OS_LINUX)
#include <link.h>
#include <sys/mman.h>
#include <unistd.h>
#endif

namespace {

const unsigned char *findIn(const EmbeddedFile *table, const char *name, int *storedLengthOut)
{
    if (storedLengthOut)
        *storedLengthOut = 0;
    if (!name || !*name)
        return nullptr;
    // A plain scan: a few thousand short compares cost nothing next to the inflate.
    for (const EmbeddedFile *file = table; file->data; ++file) {
        if (std::strcmp(file->name, name) == 0) {
            if (storedLengthOut)
                *storedLengthOut = int(file->storedLength);
            return file->data;
        }
    }
    return nullptr;
}

} // namespace

const unsigned char *findEmbeddedFile(const char *name, int *storedLengthOut)
{
    return findIn(embeddedFiles, name, storedLengthOut);
}

const unsigned char *findEmbeddedLookupFile(const char *name, int *storedLengthOut)
{
    return findIn(embeddedLookupFiles, name, storedLengthOut);
}

qsizetype embeddedInflatedLength(const unsigned char *data, qsizetype storedLength)
{
    if (!data || storedLength < 4)
        return 0;
    return qsizetype(quint32(data[0]) << 24 | quint32(data[1]) << 16 | quint32(data[2]) << 8
                     | quint32(data[3]));
}

bool inflateEmbeddedInto(const unsigned char *data, qsizetype storedLength, void *out,
                         qsizetype outLength)
{
    if (outLength <= 0 || embeddedInflatedLength(data, storedLength) != outLength)
        return false;
    tarn::populateForWriting(out, outLength);
    uLongf written = uLongf(outLength);
    return uncompress(static_cast<Bytef *>(out), &written, data + 4, uLong(storedLength - 4))
        == Z_OK
        && qsizetype(written) == outLength;
}

QByteArray inflateEmbedded(const unsigned char *data, qsizetype storedLength)
{
    // Far beyond any page, list or image of the set: a damaged header must
    // not ask for gigabytes.
    constexpr qsizetype largest = qsizetype(1) << 30;
    const qsizetype length = embeddedInflatedLength(data, storedLength);
    if (length <= 0 || length > largest)
        return QByteArray();
    QByteArray bytes(length, Qt::Uninitialized);
    if (!inflateEmbeddedInto(data, storedLength, bytes.data(), length))
        return QByteArray();
    return bytes;
}

QByteArray readEmbeddedFile(const char *name)
{
    int storedLength = 0;
    const unsigned char *stored = findEmbeddedFile(name, &storedLength);
    if (!stored)
        stored = findEmbeddedLookupFile(name, &storedLength);
    if (!stored)
        return QByteArray();
    QByteArray bytes = inflateEmbedded(stored, storedLength);
    releaseEmbeddedBytes(stored, storedLength);
    return bytes;
}

namespace {

// One pass over a blob's lines, each with the offset of its first byte in
// the inflated text; `keep` sees the stream before each piece is inflated,
// with the offset that piece starts at.
bool passLines(const unsigned char *stored, qsizetype storedLength,
               const std::function<bool(QByteArrayView, qsizetype)> &eachLine,
               const std::function<void(const z_stream &, qsizetype)> &keep)
{
    if (!stored || storedLength <= 4 || storedLength > qsizetype(std::numeric_limits<uInt>::max()))
        return false;
    z_stream stream{};
    if (inflateInit(&stream) != Z_OK)
        return false;
    stream.next_in = const_cast<Bytef *>(stored + 4);
    stream.avail_in = uInt(storedLength - 4);
    // A piece of output, and the start of a line cut at its end.
    constexpr int pieceSize = 64 * 1024;
    QByteArray piece(pieceSize, Qt::Uninitialized);
    QByteArray cut;
    qsizetype cutStart = 0; // where the cut line starts in the text
    qsizetype pieceStart = 0;
    int rc = Z_OK;
    bool wanted = true;
    while (wanted && rc == Z_OK) {
        if (keep)
            keep(stream, pieceStart);
        stream.next_out = reinterpret_cast<Bytef *>(piece.data());
        stream.avail_out = pieceSize;
        rc = inflate(&stream, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        QByteArrayView out(piece.constData(), pieceSize - qsizetype(stream.avail_out));
        qsizetype at = pieceStart;
        pieceStart += out.size();
        while (wanted && !out.isEmpty()) {
            const qsizetype end = out.indexOf('\n');
            if (end < 0) {
                if (cut.isEmpty())
                    cutStart = at;
                cut.append(out);
                break;
            }
            QByteArrayView line = out.first(end);
            qsizetype lineStart = at;
            if (!cut.isEmpty()) {
                cut.append(line);
                line = cut;
                lineStart = cutStart;
            }
            if (line.endsWith('\r'))
                line.chop(1);
            wanted = eachLine(line, lineStart);
            cut.clear();
            out = out.sliced(end + 1);
            at += end + 1;
        }
    }
    if (wanted && rc == Z_STREAM_END && !cut.isEmpty())
        wanted = eachLine(cut.endsWith('\r') ? QByteArrayView(cut).chopped(1) : QByteArrayView(cut),
                          cutStart);
    inflateEnd(&stream);
    return !wanted || rc == Z_STREAM_END;
}

} // namespace

bool inflateEmbeddedLines(const unsigned char *stored, qsizetype storedLength,
                          const std::function<bool(QByteArrayView)> &eachLine)
{
    return passLines(
        stored, storedLength,
        [&eachLine](QByteArrayView line, qsizetype) { return eachLine(line); }, nullptr);
}

struct SeekableBlob::State
{
    qsizetype inflated = 0; // of the text, before the stream's next piece
    // Where reach() stopped last, not one of the spaced places: the next
    // reach starts from it and puts its own in its stead.
    bool frontier = false;
    z_stream stream{};
    ~State() { inflateEnd(&stream); }
};

SeekableBlob::SeekableBlob(const unsigned char *data, qsizetype storedLength, qsizetype spacing)
    : m_data(data)
    , m_storedLength(storedLength)
    , m_spacing(qMax<qsizetype>(spacing, 1))
{
}

SeekableBlob::~SeekableBlob() = default;

bool SeekableBlob::readLines(const std::function<bool(QByteArrayView, qsizetype)> &eachLine)
{
    m_states.clear();
    m_seen = 0;
    m_ended = false;
    qsizetype seen = 0;
    const bool read = passLines(
        m_data, m_storedLength,
        [&](QByteArrayView line, qsizetype offset) {
            seen = offset + line.size();
            return eachLine(line, offset);
        },
        [this](const z_stream &stream, qsizetype inflated) {
            if (!m_states.empty() && inflated - m_states.back()->inflated < m_spacing)
                return;
            // The copy points into the blob, as the stream does; a state
            // lives on the heap, where it stays: zlib knows a stream by its
            // address.
            auto state = std::make_unique<State>();
            if (inflateCopy(&state->stream, const_cast<z_stream *>(&stream)) != Z_OK)
                return;
            state->inflated = inflated;
            m_states.push_back(std::move(state));
        });
    m_seen = seen;
    return read;
}

bool SeekableBlob::reach(qsizetype end)
{
    if (end <= m_seen)
        return true;
    if (m_ended || !m_data || m_storedLength <= 4
        || m_storedLength > qsizetype(std::numeric_limits<uInt>::max()))
        return false;
    z_stream stream{};
    qsizetype at = 0;
    if (m_states.empty()) {
        if (inflateInit(&stream) != Z_OK)
            return false;
        stream.next_in = const_cast<Bytef *>(m_data + 4);
        stream.avail_in = uInt(m_storedLength - 4);
    } else {
        if (inflateCopy(&stream, &m_states.back()->stream) != Z_OK)
            return false;
        at = m_states.back()->inflated;
        if (m_states.back()->frontier)
            m_states.pop_back();
    }
    const auto keep = [this, &stream](qsizetype inflated, bool frontier) {
        auto state = std::make_unique<State>();
        if (inflateCopy(&state->stream, &stream) != Z_OK)
            return;
        state->inflated = inflated;
        state->frontier = frontier;
        m_states.push_back(std::move(state));
    };
    char scratch[16 * 1024];
    bool damaged = false;
    for (;;) {
        if (m_states.empty() || at - m_states.back()->inflated >= m_spacing)
            keep(at, false);
        if (m_states.empty())
            break; // no memory for even the first place
        if (at >= end)
            break;
        stream.next_out = reinterpret_cast<Bytef *>(scratch);
        stream.avail_out = uInt(sizeof scratch);
        const int rc = inflate(&stream, Z_NO_FLUSH);
        const qsizetype got = qsizetype(sizeof scratch) - qsizetype(stream.avail_out);
        at += got;
        if (rc == Z_STREAM_END) {
            m_ended = true;
            break;
        }
        if (rc != Z_OK || got == 0) {
            // What came before the damage reads back the same way; nothing
            // after it ever will.
            damaged = true;
            break;
        }
    }
    if (!m_ended && !damaged && !m_states.empty() && m_states.back()->inflated < at)
        keep(at, true);
    inflateEnd(&stream);
    releaseEmbeddedBytes(m_data, m_storedLength);
    m_ended = m_ended || damaged;
    m_seen = qMax(m_seen, at);
    return end <= m_seen;
}

QByteArray SeekableBlob::bytes(qsizetype offset, qsizetype length) const
{
    if (offset < 0 || length <= 0 || length > m_seen || offset > m_seen - length)
        return QByteArray();
    // The last state kept at or before the offset.
    const State *from = nullptr;
    for (const auto &state : m_states) {
        if (state->inflated > offset)
            break;
        from = state.get();
    }
    if (!from)
        return QByteArray();
    z_stream stream{};
    if (inflateCopy(&stream, const_cast<z_stream *>(&from->stream)) != Z_OK)
        return QByteArray();
    QByteArray out(length, Qt::Uninitialized);
    qsizetype filled = 0;
    qsizetype at = from->inflated;
    // Up to the offset into a scratch piece, then straight into the answer.
    char scratch[16 * 1024];
    int rc = Z_OK;
    while (filled < length && rc == Z_OK) {
        const bool skipping = at < offset;
        const qsizetype room =
            skipping ? qMin<qsizetype>(qsizetype(sizeof scratch), offset - at) : length - filled;
        stream.next_out = reinterpret_cast<Bytef *>(skipping ? scratch : out.data() + filled);
        stream.avail_out = uInt(room);
        rc = inflate(&stream, Z_NO_FLUSH);
        if (rc != Z_OK && rc != Z_STREAM_END)
            break;
        const qsizetype got = room - qsizetype(stream.avail_out);
        if (skipping)
            at += got;
        else
            filled += got;
        if (got == 0 && rc == Z_OK)
            break; // no progress: a stream that lies about its end
    }
    inflateEnd(&stream);
    releaseEmbeddedBytes(m_data, m_storedLength);
    if (filled != length)
        return QByteArray();
    return out;
}

bool readEmbeddedLines(const char *name, const std::function<bool(QByteArrayView)> &eachLine)
{
    int storedLength = 0;
    const unsigned char *stored = findEmbeddedFile(name, &storedLength);
    if (!stored)
        stored = findEmbeddedLookupFile(name, &storedLength);
    if (!stored)
        return false;
    const bool read = inflateEmbeddedLines(stored, storedLength, eachLine);
    releaseEmbeddedBytes(stored, storedLength);
    return read;
}

#if defined(Q_OS_LINUX)
namespace {

struct Range
{
    std::uintptr_t begin;
    std::uintptr_t end;
};

// The read-only loaded segments of the program and its libraries: what
// they hold comes back from the file unchanged after it is dropped.
std::vector<Range> readOnlySegments()
{
    std::vector<Range> ranges;
    dl_iterate_phdr(
        [](dl_phdr_info *info, size_t, void *out) {
            auto *list = static_cast<std::vector<Range> *>(out);
            for (int i = 0; i < info->dlpi_phnum; ++i) {
                const ElfW(Phdr) &segment = info->dlpi_phdr[i];
                if (segment.p_type != PT_LOAD || (segment.p_flags & PF_W))
                    continue;
                const std::uintptr_t begin = info->dlpi_addr + segment.p_vaddr;
                list->push_back({begin, begin + segment.p_memsz});
            }
            return 0;
        },
        &ranges);
    return ranges;
}

} // namespace
#endif

void releaseEmbeddedBytes(const unsigned char *data, qsizetype length)
{
#if defined(Q_OS_LINUX)
    if (!data || length <= 0)
        return;
    static const std::vector<Range> segments = readOnlySegments();
    static const std::uintptr_t pageSize = std::uintptr_t(sysconf(_SC_PAGESIZE));
    const auto begin = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t end = begin + std::uintptr_t(length);
    bool readOnly = false;
    for (const Range &segment : segments)
        readOnly = readOnly || (begin >= segment.begin && end <= segment.end);
    if (!readOnly)
        return;
    // Whole pages only: the bytes around the blob belong to its neighbours.
    const std::uintptr_t first = (begin + pageSize - 1) / pageSize * pageSize;
    const std::uintptr_t last = end / pageSize * pageSize;
    if (first < last)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_DONTNEED);
#else
    Q_UNUSED(data);
    Q_UNUSED(length);
#endif
}

void releaseEmbeddedTables()
{
    const unsigned char *first = nullptr;
    const unsigned char *last = nullptr;
    const auto cover = [&first, &last](const unsigned char *data, unsigned long length) {
        if (!data || length == 0)
            return;
        if (!first || data < first)
            first = data;
        if (!last || data + length > last)
            last = data + length;
    };
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f)
        cover(f->data, f->storedLength);
    for (const EmbeddedFile *f = embeddedLookupFiles; f->data; ++f)
        cover(f->data, f->storedLength);
    for (const EmbeddedImage *image = embeddedImages; image->data; ++image)
        cover(image->data, image->storedLength);
    // One range from the first table's bytes to the last's; releasing checks
    // that all of it lies in one read-only segment, and does nothing if not.
    if (first)
        releaseEmbeddedBytes(first, last - first);
}
