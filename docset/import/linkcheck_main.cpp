// Velmora: velmora-linkcheck, which counts the dead ends of an assembled documentation folder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "linkcheck.h"

#include <QCoreApplication>
#include <QStringList>

#include <cstdio>

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2 || args.size() > 3) {
        std::fputs("usage: velmora-linkcheck <assembled folder> [examples per kind]\n", stderr);
        return 2;
    }
    const int examples = args.size() == 3 ? args.at(2).toInt() : 10;
    const tarn::import::FolderCheck check = tarn::import::checkFolder(args.at(1));
    if (check.pages == 0) {
        std::fprintf(stderr, "velmora-linkcheck: %s: no pages\n", qPrintable(args.at(1)));
        return 1;
    }
    std::fputs(tarn::import::describe(check, examples).toLocal8Bit().constData(), stdout);
    return 0;
}
