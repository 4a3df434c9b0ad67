// Velmora: the start of the real program, measured from outside it.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "benchkit.h"

#include <QCoreApplication>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <ctime>
#include <vector>

using namespace benchkit;

namespace {

long long monotonicNs()
{
    timespec now{};
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

const char *const phases[] = {"main", "window-built", "lists-filled", "first-paint"};

} // namespace

// Starts the program again and again on an empty settings folder, each run
// told to quit after its first paint, and prints each phase's time from the
// moment the program was started, and the resident memory then.
int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr,
                     "usage: velmora-bench-start <velmora executable> [runs, default 15]\n");
        return 2;
    }
    const int runs = args.size() > 2 ? args.at(2).toInt() : 15;
    QHash<QString, std::vector<double>> ms;
    QHash<QString, std::vector<double>> mb;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir config;
        QProcess child;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("VELMORA_TRACE_START"), QStringLiteral("quit"));
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), config.path());
        if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
            env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        child.setProcessEnvironment(env);
        const long long started = monotonicNs();
        child.start(args.at(1), {});
        if (!child.waitForFinished(60000)) {
            std::fprintf(stderr, "velmora-bench-start: the program did not quit\n");
            return 1;
        }
        for (const QByteArray &line : child.readAllStandardError().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 4 || fields.at(0) != "velmora-start")
                continue;
            const QString phase = QString::fromLatin1(fields.at(1));
            ms[phase].push_back(double(fields.at(2).toLongLong() - started) / 1e6);
            mb[phase].push_back(fields.at(3).toDouble() / 1024.0);
        }
    }
    std::printf("start of %s, median of %d runs, from exec:\n", qPrintable(args.at(1)), runs);
    for (const char *phase : phases) {
        const QString name = QString::fromLatin1(phase);
        std::printf("  %-14s %8.1f ms   (worst %7.1f)   RSS %6.1f MB\n", phase,
                    median(ms.value(name)), percentile(ms.value(name), 100),
                    median(mb.value(name)));
    }
    return 0;
}
