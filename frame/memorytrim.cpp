// Velmora: giving memory the program no longer uses back to the system.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "memorytrim.h"

#include "embeddedfiles.h"

#include <QCoreApplication>
#include <QTimer>

#if defined(__GLIBC__)
#include <malloc.h>
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
