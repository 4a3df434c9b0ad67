// Velmora: the phases of a start, for the start-up benchmark.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "starttrace.h"

#include <QByteArray>
#include <QFile>

#include <cstdio>
#include <ctime>

namespace tarn {

namespace {

const QByteArray &mode()
{
    static const QByteArray value = qgetenv("VELMORA_TRACE_START");
    return value;
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace

void traceStart(const char *phase)
{
    if (mode().isEmpty())
        return;
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    const long long ns = static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
    std::fprintf(stderr, "velmora-start %s %lld %ld\n", phase, ns, residentKilobytes());
    std::fflush(stderr);
}

bool traceStartQuits()
{
    return mode() == "quit";
}

} // namespace tarn
