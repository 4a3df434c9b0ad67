// Velmora: start-up and the event loop.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "savedstate.h"
#include "shell.h"
#include "terminationwatch.h"
#include "utils.h"

#include <QApplication>
#include <QFont>
#include <QSplashScreen>

int main(int argc, char **argv)
{
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
    window.show();
    splash->finish(&window);
    delete splash;

    // SIGTERM and SIGINT end the loop, so the window saves its state as
    // after a normal close.
    TerminationWatch watch;
    return app.exec();
}
