// Velmora: the desktop's search over the real index: the lookup in memory, and the provider on a
// bus. Copyright the Velmora developers; see vxlicense.html for the terms.
#include "benchkit.h"
#include "busterms.h"
#include "dbustypes.h"
#include "desktopsearch.h"
#include "embeddedpages.h"
#include "listreader.h"
#include "lookupservice.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>

#include <cstdio>
#include <vector>

#include <signal.h>

using namespace benchkit;
using tarn::desktop::LookupService;

namespace {

constexpr int runs = 51;
constexpr double goalMs = 20;

// What people type into the overview: names whole and in part, class and
// member, a prefix half the index holds, nonsense, and the most the caps let
// through.
QList<QStringList> queries()
{
    return {
        {QStringLiteral("QString")},
        {QStringLiteral("QString"), QStringLiteral("arg")},
        {QStringLiteral("QWidget::setWindowTitle")},
        {QStringLiteral("singleShot")},
        {QStringLiteral("paintEvent")},
        {QStringLiteral("set")},
        {QStringLiteral("q")},
        {QStringLiteral("xyzzyqqq")},
        QStringList(tarn::desktop::maxTerms, QStringLiteral("QString")),
        {QString(tarn::desktop::maxTermLength, u'q')},
    };
}

QString shown(const QStringList &terms)
{
    const QString text = terms.join(u' ');
    return text.size() <= 30 ? text : text.left(24) + QStringLiteral("... (%1)").arg(text.size());
}

void printRow(const QStringList &terms, const std::vector<double> &ms, int results)
{
    std::printf("  %-32s %3d results  median %6.2f ms  worst %6.2f ms%s\n",
                qPrintable(shown(terms)), results, median(ms), percentile(ms, 100),
                percentile(ms, 100) > goalMs ? "  OVER GOAL" : "");
}

// The lookup as the provider runs it, in this process.
void benchInMemory()
{
    QElapsedTimer timer;
    timer.start();
    tarn::IndexTable index = tarn::readFullIndexTable();
    tarn::NameTable names = tarn::readNameTable();
    const double readMs = msSince(timer);
    timer.start();
    LookupService service(
        std::move(index), [](const QString &page) { return findEmbeddedPageText(page); },
        std::move(names));
    std::printf("in memory: index read %.1f ms, service built %.1f ms, %d entries\n", readMs,
                msSince(timer), service.entryCount());

    std::printf("initial result set (goal %.0f ms):\n", goalMs);
    for (const QStringList &terms : queries()) {
        std::vector<double> ms;
        int results = 0;
        for (int run = 0; run < runs; ++run) {
            timer.start();
            results = int(service.results(terms).size());
            ms.push_back(msSince(timer));
        }
        printRow(terms, ms, results);
    }

    // The first metas of a search read the pages; the next are kept.
    std::printf("result metas, first call / again (median):\n");
    for (const QStringList &terms : queries()) {
        const QStringList ids = service.results(terms);
        if (ids.isEmpty())
            continue;
        timer.start();
        service.describe(ids);
        const double first = msSince(timer);
        std::vector<double> ms;
        for (int run = 0; run < runs; ++run) {
            timer.start();
            service.describe(ids);
            ms.push_back(msSince(timer));
        }
        std::printf("  %-32s first %6.2f ms  again %6.2f ms\n", qPrintable(shown(terms)), first,
                    median(ms));
    }
}

QDBusMessage providerCall(const QString &method, const QVariantList &arguments)
{
    QDBusMessage call = QDBusMessage::createMethodCall(
        QLatin1String(tarn::desktop::busName), QLatin1String(tarn::desktop::providerPath),
        QStringLiteral("org.gnome.Shell.SearchProvider2"), method);
    call.setArguments(arguments);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 60000);
}

// The provider as GNOME Shell meets it: started by the bus on the first
// call, then one round trip a keystroke. Runs inside dbus-run-session.
int benchOnBus()
{
    tarn::desktop::registerDesktopTypes();
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        std::fprintf(stderr, "velmora-bench-desktop: no session bus\n");
        return 1;
    }
    QElapsedTimer timer;
    timer.start();
    const QDBusReply<QStringList> first = providerCall(QStringLiteral("GetInitialResultSet"),
                                                       {QStringList{QStringLiteral("QString")}});
    if (!first.isValid()) {
        std::fprintf(stderr, "velmora-bench-desktop: the bus did not start the provider: %s\n",
                     qPrintable(first.error().message()));
        return 1;
    }
    std::printf("on the bus: first call, the provider started by the bus: %.1f ms\n",
                msSince(timer));

    std::printf("GetInitialResultSet round trip (goal %.0f ms):\n", goalMs);
    for (const QStringList &terms : queries()) {
        std::vector<double> ms;
        int results = 0;
        for (int run = 0; run < runs; ++run) {
            timer.start();
            const QDBusReply<QStringList> reply =
                providerCall(QStringLiteral("GetInitialResultSet"), {terms});
            ms.push_back(msSince(timer));
            results = reply.isValid() ? int(reply.value().size()) : -1;
        }
        printRow(terms, ms, results);
    }
    std::printf("GetResultMetas round trip, ten results with icons (median):\n");
    for (const QStringList &terms : queries()) {
        const QDBusReply<QStringList> ids =
            providerCall(QStringLiteral("GetInitialResultSet"), {terms});
        if (!ids.isValid() || ids.value().isEmpty())
            continue;
        std::vector<double> ms;
        for (int run = 0; run < runs; ++run) {
            timer.start();
            providerCall(QStringLiteral("GetResultMetas"), {ids.value()});
            ms.push_back(msSince(timer));
        }
        std::printf("  %-32s %6.2f ms\n", qPrintable(shown(terms)), median(ms));
    }

    const QDBusReply<uint> pid = bus.interface()->servicePid(QLatin1String(tarn::desktop::busName));
    if (pid.isValid()) {
        std::printf("provider memory: RSS %ld kB, peak %ld kB\n",
                    statusKilobytes("VmRSS", pid.value()), statusKilobytes("VmHWM", pid.value()));
        ::kill(pid_t(pid.value()), SIGTERM);
    }
    return 0;
}

// A session bus of its own whose only service is the provider, as the
// package installs it but pointing at this build's program.
int runOnPrivateBus()
{
    QTemporaryDir data;
    const QString services = data.filePath(QStringLiteral("dbus-1/services"));
    QDir().mkpath(services);
    QFile service(services + u'/' + QLatin1String(tarn::desktop::busName)
                  + QStringLiteral(".service"));
    if (!service.open(QIODevice::WriteOnly))
        return 1;
    service.write(QByteArray("[D-BUS Service]\nName=") + tarn::desktop::busName
                  + "\nExec=" VELMORA_PROGRAM " --search-provider\n");
    service.close();

    QProcess session;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("XDG_DATA_DIRS"), data.path());
    environment.insert(QStringLiteral("XDG_DATA_HOME"), data.filePath(QStringLiteral("home")));
    environment.insert(QStringLiteral("XDG_RUNTIME_DIR"), data.path());
    environment.remove(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"));
    session.setProcessEnvironment(environment);
    session.setProcessChannelMode(QProcess::ForwardedChannels);
    session.start(QStringLiteral("dbus-run-session"),
                  {QStringLiteral("--"), QCoreApplication::applicationFilePath(),
                   QStringLiteral("--on-bus")});
    if (!session.waitForStarted(10000) || !session.waitForFinished(10 * 60 * 1000)) {
        std::fprintf(stderr, "velmora-bench-desktop: dbus-run-session: %s\n",
                     qPrintable(session.errorString()));
        return 1;
    }
    return session.exitCode();
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    if (app.arguments().contains(QStringLiteral("--on-bus")))
        return benchOnBus();
    benchInMemory();
    return runOnPrivateBus();
}
