// Velmora: the start of the real program, measured from outside it.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "benchkit.h"

#include <QCoreApplication>
#include <QDir>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>

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

// In the order they come: the application object, the splash shown, the
// form built, fonts and geometry restored, the actions made, the lists
// filled, the start page or the session's tabs opened (once show() has the
// window mapped), the request server listening, the backing store ready,
// the page's first paint.
const char *const phases[] = {"main",     "application",  "splash",       "form",
                              "restored", "window-built", "lists-filled", "session",
                              "requests", "shown",        "first-paint"};

QProcessEnvironment benchEnvironment(const QString &config, const QString &runtime)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), config);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    if (!env.contains(QStringLiteral("QT_QPA_PLATFORM")))
        env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    return env;
}

// Times from exec to each phase, over `runs` starts with `arguments`, each
// on a settings store holding `store` (none when empty).
QHash<QString, std::vector<double>> timeStarts(const QString &program, const QStringList &arguments,
                                               int runs, QHash<QString, std::vector<double>> *mb,
                                               const QByteArray &store = QByteArray())
{
    QHash<QString, std::vector<double>> ms;
    for (int run = 0; run < runs; ++run) {
        QTemporaryDir config;
        QTemporaryDir runtime;
        if (!store.isEmpty()) {
            QDir().mkpath(config.filePath(QStringLiteral("Tessaravox")));
            QFile file(config.filePath(QStringLiteral("Tessaravox/Velmora.conf")));
            if (file.open(QIODevice::WriteOnly))
                file.write(store);
        }
        QProcess child;
        QProcessEnvironment env = benchEnvironment(config.path(), runtime.path());
        env.insert(QStringLiteral("VELMORA_TRACE_START"), QStringLiteral("quit"));
        child.setProcessEnvironment(env);
        const long long started = monotonicNs();
        child.start(program, arguments);
        if (!child.waitForFinished(60000)) {
            std::fprintf(stderr, "velmora-bench-start: the program did not quit\n");
            child.kill();
            child.waitForFinished();
            continue;
        }
        for (const QByteArray &line : child.readAllStandardError().split('\n')) {
            const QList<QByteArray> fields = line.split(' ');
            if (fields.size() != 4 || fields.at(0) != "velmora-start")
                continue;
            const QString phase = QString::fromLatin1(fields.at(1));
            ms[phase].push_back(double(fields.at(2).toLongLong() - started) / 1e6);
            if (mb)
                (*mb)[phase].push_back(fields.at(3).toDouble() / 1024.0);
        }
    }
    return ms;
}

// A second start handing a name to the window open already: from its exec
// to its exit, which comes once the window shows the page.
void timeHandovers(const QString &program, int runs)
{
    QTemporaryDir config;
    QTemporaryDir runtime;
    QFile(runtime.path())
        .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
    QProcess window;
    window.setProcessEnvironment(benchEnvironment(config.path(), runtime.path()));
    window.start(program, {});
    const QString socket = runtime.path() + QStringLiteral("/velmora.socket");
    QElapsedTimer wait;
    wait.start();
    while (!QFile::exists(socket) && wait.elapsed() < 30000)
        QThread::msleep(20);
    QThread::msleep(500);
    const auto handOver = [&](const QString &name) {
        QProcess second;
        second.setProcessEnvironment(benchEnvironment(config.path(), runtime.path()));
        const long long started = monotonicNs();
        second.start(program, {name});
        second.waitForFinished(30000);
        return double(monotonicNs() - started) / 1e6;
    };
    std::vector<double> same;
    std::vector<double> alternating;
    handOver(QStringLiteral("QString::arg")); // the page's first parse, not counted
    for (int run = 0; run < runs; ++run)
        same.push_back(handOver(QStringLiteral("QString::arg")));
    handOver(QStringLiteral("QWidget::show"));
    for (int run = 0; run < runs; ++run)
        alternating.push_back(
            handOver(run % 2 ? QStringLiteral("QString::arg") : QStringLiteral("QWidget::show")));
    window.terminate();
    window.waitForFinished(10000);
    std::printf("second start handing over, exec to exit with the page shown, median of %d "
                "(goal <= 150 ms):\n  velmora QString::arg again   %7.1f ms (worst %.1f)\n"
                "  alternating with QWidget     %7.1f ms (worst %.1f)\n",
                runs, median(same), percentile(same, 100), median(alternating),
                percentile(alternating, 100));
}

// A start with twenty tabs to restore, the current one the start page,
// against a start with none, the two interleaved.
void timeRestoredTabs(const QString &program, int runs)
{
    QByteArray store = "[velmora]\nsession\\current=0\nsession\\pages=index.html";
    const char *const pages[] = {"qwidget.html",
                                 "qobject.html",
                                 "qstring.html",
                                 "qpainter.html",
                                 "qvariant.html",
                                 "qgraphicsitem.html",
                                 "qabstractitemmodel.html",
                                 "qimage.html",
                                 "qtextcursor.html",
                                 "qdatetime.html",
                                 "qbytearray.html",
                                 "qlist.html",
                                 "qmap.html",
                                 "qhash.html",
                                 "qurl.html",
                                 "qfile.html",
                                 "qtimer.html",
                                 "qthread.html",
                                 "qpixmap.html"};
    for (const char *page : pages)
        store += QByteArray(", ") + page;
    store += '\n';
    std::vector<double> one;
    std::vector<double> twenty;
    for (int run = 0; run < runs; ++run) {
        const auto plain = timeStarts(program, {}, 1, nullptr);
        const auto restored = timeStarts(program, {}, 1, nullptr, store);
        for (double t : plain.value(QStringLiteral("first-paint")))
            one.push_back(t);
        for (double t : restored.value(QStringLiteral("first-paint")))
            twenty.push_back(t);
    }
    std::printf("  with 20 tabs to restore, first paint: %.1f ms; one tab: %.1f ms (%+.1f%%, "
                "goal within 10%%), medians of %d interleaved\n",
                median(twenty), median(one), (median(twenty) / median(one) - 1) * 100, runs);
}

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
    QHash<QString, std::vector<double>> mb;
    const QHash<QString, std::vector<double>> ms = timeStarts(args.at(1), {}, runs, &mb);
    std::printf("start of %s, median of %d runs, from exec:\n", qPrintable(args.at(1)), runs);
    for (const char *phase : phases) {
        const QString name = QString::fromLatin1(phase);
        std::printf("  %-14s %8.1f ms   (worst %7.1f)   RSS %6.1f MB\n", phase,
                    median(ms.value(name)), percentile(ms.value(name), 100),
                    median(mb.value(name)));
    }
    const QHash<QString, std::vector<double>> named =
        timeStarts(args.at(1), {QStringLiteral("QString")}, runs, nullptr);
    std::printf("  velmora QString, first paint: %.1f ms (the plain start's %.1f plus the "
                "page)\n",
                median(named.value(QStringLiteral("first-paint"))),
                median(ms.value(QStringLiteral("first-paint"))));
    timeRestoredTabs(args.at(1), runs);
    timeHandovers(args.at(1), 20);
    return 0;
}
