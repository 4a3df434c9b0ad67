// Velmora: memory about to be written in bulk.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "freshmemory.h"

#if defined(Q_OS_LINUX)
#include <sys/mman.h>
#include <unistd.h>
#endif

#include <cstdint>

namespace tarn {

void populateForWriting(void *data, qsizetype bytes)
{
#if defined(Q_OS_LINUX) && defined(MADV_POPULATE_WRITE)
    static const std::uintptr_t pageSize = std::uintptr_t(sysconf(_SC_PAGESIZE));
    if (!data || bytes <= 0)
        return;
    const std::uintptr_t start = reinterpret_cast<std::uintptr_t>(data);
    const std::uintptr_t first = (start + pageSize - 1) & ~(pageSize - 1);
    const std::uintptr_t last = (start + std::uintptr_t(bytes)) & ~(pageSize - 1);
    // Only whole pages of the caller's own block; a kernel older than 5.14
    // answers EINVAL and the pages come one fault at a time, as before.
    if (last > first)
        madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE);
#else
    Q_UNUSED(data);
    Q_UNUSED(bytes);
#endif
}

void touchPages(const void *data, qsizetype bytes)
{
    if (!data || bytes <= 0)
        return;
    // The smallest page there is: no page in the range is skipped.
    constexpr qsizetype pageSize = 4096;
    const auto *byte = static_cast<const volatile unsigned char *>(data);
    unsigned char seen = 0;
    for (qsizetype at = 0; at < bytes; at += pageSize)
        seen ^= byte[at];
    seen ^= byte[bytes - 1];
    Q_UNUSED(seen);
}

QString decodePopulated(QStringDecoder &decoder, QByteArrayView bytes)
{
    QString text(decoder.requiredSpace(bytes.size()), Qt::Uninitialized);
    populateForWriting(text.data(), text.size() * qsizetype(sizeof(QChar)));
    const QChar *end = decoder.appendToBuffer(text.data(), bytes);
    text.truncate(end - text.constData());
    return text;
}

} // namespace tarn
