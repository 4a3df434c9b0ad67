// Velmora: start-up and the event loop.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "memorytrim.h"
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

} // namespace

int main(int argc, char **argv)
{
    tarn::traceStart("main");
    tarn::tuneAllocator();
    QApplication app(argc, argv);
    QApplication::setOrganizationName(QStringLiteral("Tessaravox"));
    QApplication::setApplicationName(QStringLiteral("Velmora"));
    QApplication::setApplicationVersion(QStringLiteral("2.0"));
    QApplication::setDesktopFileName(QStringLiteral("velmora"));

    Utils::settings();
    Utils::setKeyPrefix(QString::fromLatin1(tarn::settingskeys::startupPrefix));
    // A description that does not parse leaves the default font.
    const QFont font = Utils::storedApplicationFont();
    QApplication::setFont(font);

    auto *splash = new QSplashScreen(Utils::icon(QStringLiteral("velmora_splash")));
    splash->setWindowTitle(QStringLiteral("Loading..."));
    splash->show();
    app.processEvents();

    tarn::Shell window(nullptr, "doc::Pagewright");
    window.setFont(font);
    FirstPaintTrace *trace = qEnvironmentVariableIsEmpty("VELMORA_TRACE_START")
        ? nullptr
        : new FirstPaintTrace(window.pageView()->viewport());
    window.show();
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
