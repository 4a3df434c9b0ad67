// Velmora: what the window benchmarks share: timing, statistics, a shown window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "shell.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QWindow>

#include <algorithm>
#include <vector>

namespace benchkit {

inline double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

// The value below which p per cent of the values lie (p = 100: the largest).
inline double percentile(std::vector<double> values, double p)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t at = std::min(values.size() - 1, size_t(p / 100.0 * double(values.size())));
    return values[at];
}

inline double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

// Lets posted work (layout timers, deferred deletes) run.
inline void settle()
{
    for (int i = 0; i < 3; ++i)
        QCoreApplication::processEvents();
}

// Shows the window and waits until it is exposed and painted once.
inline void showPainted(tarn::Shell *shell)
{
    shell->show();
    QElapsedTimer wait;
    wait.start();
    while (!(shell->windowHandle() && shell->windowHandle()->isExposed()) && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    shell->grab();
}

// A line of a process's /proc status in kB ("VmHWM", "VmRSS"), or -1; this
// process's when no pid is given.
inline long statusKilobytes(const char *field, qint64 pid = 0)
{
    QFile status(pid > 0 ? QStringLiteral("/proc/%1/status").arg(pid)
                         : QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray prefix = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(prefix))
            return line.mid(prefix.size()).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

} // namespace benchkit
