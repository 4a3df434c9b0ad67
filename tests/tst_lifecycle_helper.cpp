// Velmora: a window that has just added a bookmark, for tst_lifecycle to kill.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include <QApplication>
#include <QSocketNotifier>
#include <QTimer>

#include <cstdio>

// Opens the window on the page named by the first argument, adds a bookmark
// there, says "ready" and waits to be killed, or with --close-on-input to be
// told to close (any line on its input), as a reader would close it. It
// gives up after a minute, so no helper outlives a broken test.
int main(int argc, char **argv)
{
    QApplication app(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: tst_lifecycle_helper <page> [--close-on-input]\n");
        return 2;
    }
    tarn::Shell window;
    window.load(QString::fromLocal8Bit(argv[1]));
    window.addBookmark();
    QSocketNotifier input(0, QSocketNotifier::Read);
    input.setEnabled(argc > 2 && qstrcmp(argv[2], "--close-on-input") == 0);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [] { QCoreApplication::quit(); });
    std::printf("ready\n");
    std::fflush(stdout);
    QTimer::singleShot(60000, &app, [] { QCoreApplication::exit(3); });
    return app.exec();
}
