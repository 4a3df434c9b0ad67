// Velmora: giving memory the program no longer uses back to the system.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "memorytrim.h"

#include "embeddedfiles.h"

#include <QCoreApplication>
#include <QTimer>

#if defined(__GLIBC__)
#include <malloc.h>
#include <sys/mman.h>
#include <sys/uio.h>
#include <unistd.h>

#include <array>
#include <cstdint>
#include <system_error>
#include <thread>
#include <utility>
#endif

namespace tarn {

void tuneAllocator()
{
#if defined(__GLIBC__)
    // glibc raises its threshold for a block of its own to the size of every
    // such block freed, so after the first large image is dropped the large
    // ones all land in the heap and its freed middle stays with the process.
    // A fixed threshold keeps them apart (measured over a whole session with
    // velmora-bench-session).
    mallopt(M_MMAP_THRESHOLD, 256 * 1024);
    mallopt(M_TRIM_THRESHOLD, 1024 * 1024);
#endif
}

#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
namespace {

// What the heap keeps above its top while a start builds the window, and
// glibc's own default, which comes back once the window has painted.
constexpr int startPad = 2 * 1024 * 1024;
constexpr int defaultPad = 128 * 1024;
bool heapWarming = false;

// Reads a byte of every page in [first, last) through the kernel: a page
// the heap has given back by then is an error for the call, not a fault
// for the program. Nothing here allocates, so the thread that runs it gets
// no heap of its own.
void readPagesThroughKernel(std::uintptr_t first, std::uintptr_t last)
{
    constexpr std::uintptr_t page = 4096;
    constexpr std::size_t batch = 1024; // the most vectors one call takes
    std::array<iovec, batch> pages;
    std::array<char, batch> into;
    std::uintptr_t at = first;
    while (at < last) {
        std::size_t count = 0;
        for (; count < batch && at < last; ++count, at += page)
            pages[count] = {reinterpret_cast<void *>(at), 1};
        iovec local{into.data(), count};
        process_vm_readv(getpid(), &local, 1, pages.data(), count, 0);
    }
}

} // namespace
#endif

void warmHeapAhead()
{
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    if (std::exchange(heapWarming, true))
        return;
    // One block that does not fit the top grows the heap by the pad as well;
    // freed, the trim leaves the pad in place.
    mallopt(M_TOP_PAD, startPad);
    auto *const before = static_cast<char *>(sbrk(0));
    void *volatile block = malloc(200 * 1024);
    free(block);
    auto *const after = static_cast<char *>(sbrk(0));
    if (before == reinterpret_cast<char *>(-1) || after <= before)
        return;
    constexpr std::uintptr_t page = 4096;
    const std::uintptr_t first = (std::uintptr_t(before) + page - 1) & ~(page - 1);
    const std::uintptr_t last = std::uintptr_t(after) & ~(page - 1);
    if (last <= first)
        return;
    // Backed now and touched through, beside the main thread that will
    // allocate from it; nothing in it is written.
    try {
        std::thread([first, last] {
            madvise(reinterpret_cast<void *>(first), last - first, MADV_POPULATE_WRITE);
            readPagesThroughKernel(first, last);
        }).detach();
    } catch (const std::system_error &) {
        // No thread to spare: the main thread takes the faults as it goes.
    }
#endif
}

void endHeapWarmup()
{
#if defined(__GLIBC__) && !defined(__SANITIZE_ADDRESS__)
    if (std::exchange(heapWarming, false))
        mallopt(M_TOP_PAD, defaultPad);
#endif
}

void releaseFreeMemorySoon()
{
#if defined(__GLIBC__)
    static QTimer *timer = nullptr;
    if (!timer) {
        if (!QCoreApplication::instance())
            return;
        timer = new QTimer(QCoreApplication::instance());
        timer->setSingleShot(true);
        timer->setInterval(1000);
        QObject::connect(timer, &QTimer::timeout, [] {
            malloc_trim(0);
            releaseEmbeddedTables();
        });
        QObject::connect(QCoreApplication::instance(), &QObject::destroyed,
                         [] { timer = nullptr; });
    }
    timer->start();
#endif
}

} // namespace tarn
