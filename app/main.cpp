// Velmora: start-up and the event loop.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "commandline.h"
#include "desktopsearch.h"
#include "embeddedfiles.h"
#include "exposure.h"
#include "instance.h"
#include "listreader.h"
#include "logging.h"
#include "memorytrim.h"
#include "ownicons.h"
#include "pagebrowser.h"
#include "savedstate.h"
#include "shell.h"
#include "starttrace.h"
#include "terminationwatch.h"
#include "utils.h"

#include <QApplication>
#include <QEvent>
#include <QFont>
#include <QSplashScreen>
#include <QTimer>

#include <cstdio>
#include <functional>

namespace {

// For the start-up benchmark: notes when the page view has painted its first
// screen, and with VELMORA_TRACE_START=quit ends the program there.
class FirstPaintTrace : public QObject
{
public:
    explicit FirstPaintTrace(QWidget *viewport)
        : QObject(viewport)
    {
        viewport->installEventFilter(this);
    }

    // The first paint may come before the event loop runs (the splash
    // screen waits for the window): then there is no loop to quit.
    bool painted() const { return m_painted; }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::Paint) {
            watched->removeEventFilter(this);
            // Queued, so the paint this event asks for is done by then.
            QTimer::singleShot(0, this, [this] {
                tarn::traceStart("first-paint");
                m_painted = true;
                if (tarn::traceStartQuits())
                    QCoreApplication::quit();
            });
        }
        return false;
    }

private:
    bool m_painted = false;
};

// The arguments as QCoreApplication::arguments() has them, read before there
// is an application.
QStringList argumentsOf(int argc, char **argv)
{
    QStringList arguments;
    arguments.reserve(argc);
    for (int i = 0; i < argc; ++i)
        arguments.append(QString::fromLocal8Bit(argv[i]));
    return arguments;
}

// Prints to a standard stream, as the terminal expects it.
void print(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fflush(stream);
}

} // namespace

int main(int argc, char **argv)
{
    tarn::traceStart("main");
    tarn::tuneAllocator();

    // Before any window: the options that only print, and a window open
    // already, which takes the request and shows it. None of it needs a
    // display, nor an application object: a start that opens a window builds
    // its one application only once, below.
    const tarn::cli::Invocation invocation = tarn::cli::parseCommandLine(argumentsOf(argc, argv));
    switch (invocation.action) {
    case tarn::cli::Invocation::Help:
    case tarn::cli::Invocation::Version:
        print(stdout, invocation.output);
        return 0;
    case tarn::cli::Invocation::Error:
        print(stderr, invocation.output);
        return 2;
    case tarn::cli::Invocation::Run:
        break;
    }
    // The desktop's search, started by the bus: no window until a result is
    // opened, and that opens in a program started for it.
    if (invocation.searchProvider) {
        QCoreApplication bus(argc, argv);
        return tarn::desktop::serveDesktopSearch(tarn::readFullIndexTable(), tarn::readNameTable());
    }
    QString answer;
    if (!invocation.newWindow
        && tarn::cli::handOver(
            {invocation.name, invocation.search, invocation.openSearch, invocation.newTab}, 5000,
            &answer))
        return 0;

    // The lists are read on a thread of their own while this one builds the
    // window.
    tarn::startReadingLists();
    tarn::warmHeapAhead();

    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessaravox"));
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));
    QApplication::setStyle(new tarn::OwnIconsStyle);
    installMapExposeFilter();
    tarn::traceStart("application");

    Utils::settings();
    Utils::setKeyPrefix(QString::fromLatin1(tarn::settingskeys::startupPrefix));
    // A description that does not parse leaves the default font.
    const QFont font = Utils::storedApplicationFont();
    QApplication::setFont(font);

    auto *splash = new QSplashScreen(
        Utils::imageOnce(QStringLiteral("velmora_splash"), app.devicePixelRatio()));
    splash->setWindowTitle(QStringLiteral("Loading..."));
    splash->show();
    app.processEvents();
    tarn::traceStart("splash");

    // A window beside another leaves the session to that one.
    // A name opens in place of the start page, which is then not parsed
    // unless the reader goes Back to it.
    const bool inNewTab = invocation.newTab && !invocation.name.isEmpty();
    // The first pages open once the window is shown: the window system maps
    // it while the page parses, and its expose then paints the page.
    tarn::Shell window(nullptr, "doc::Pagewright",
                       invocation.newWindow ? tarn::Shell::Start::Fresh
                                            : tarn::Shell::Start::RestoringSession,
                       inNewTab ? QString() : invocation.name, tarn::Shell::Opening::OnShow);
    window.setFont(font);
    window.setSavesOnlyBookmarks(invocation.newWindow);
    if (inNewTab)
        window.openInNewTab(invocation.name);
    if (invocation.openSearch)
        window.fillSearch(invocation.search);

    window.show();
    // Later starts hand their requests to this window, which shows and
    // raises itself and answers once it shows what was asked.
    tarn::cli::RequestServer requests(
        [&window](const tarn::cli::Request &request, std::function<void()> done) {
            window.serveRequest(request.name, request.search, request.openSearch, request.newTab);
            done();
        });
    if (!invocation.newWindow) {
        QString problem;
        if (!requests.listen(tarn::cli::socketPath(), &problem))
            qCWarning(lcFrame) << "no requests from later starts:" << problem;
    }
    tarn::traceStart("requests");
    // Built and the first page parsed: what the window read of the embedded
    // tables is in its own memory now, so the pages mapped around it can go
    // before the window adds its own for the first paint. Of the frozen
    // index only the classes' rows and names were read, and the Index is
    // not in use yet.
    releaseEmbeddedTables();
    releaseEmbeddedBytes(velmora_frozen_index, qsizetype(embeddedFrozenIndexSize));
    FirstPaintTrace *trace = qEnvironmentVariableIsEmpty("VELMORA_TRACE_START")
        ? nullptr
        : new FirstPaintTrace(window.pageView()->viewport());
    afterFirstPaint(&window, [] { tarn::endHeapWarmup(); });
    prepareBackingStore(&window);
    tarn::traceStart("shown");
    // The splash goes as soon as the window is on the screen; finish() alone
    // would look again only after a 10 ms sleep.
    waitUntilExposed(&window, 1000);
    splash->finish(&window);
    delete splash;
    if (trace && tarn::traceStartQuits()) {
        app.processEvents();
        if (trace->painted())
            return 0;
    }

    // SIGTERM and SIGINT end the loop, so the window saves its state as
    // after a normal close.
    TerminationWatch watch;
    return app.exec();
}
