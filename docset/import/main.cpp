// Velmora: velmora-import, the build step that assembles the documentation folder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "assembler.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QStringList>

#include <cstdio>

namespace {

void printLine(FILE *stream, const QString &text)
{
    std::fputs(text.toLocal8Bit().constData(), stream);
    std::fputc('\n', stream);
}

int usage(const QString &problem)
{
    printLine(stderr, QStringLiteral("velmora-import: ") + problem);
    printLine(stderr,
              QStringLiteral("usage: velmora-import --qtdoc <reference folder> "
                             "[--own <folder with pages/ and images/>]... --out <folder>"));
    return 2;
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    docimport::ImportOptions options;
    for (int i = 1; i < args.size(); ++i) {
        const QString &arg = args.at(i);
        if (i + 1 >= args.size())
            return usage(arg + QStringLiteral(": needs a value"));
        const QString &value = args.at(++i);
        if (arg == QLatin1String("--qtdoc"))
            options.qtdoc = value;
        else if (arg == QLatin1String("--own"))
            options.own.append(value);
        else if (arg == QLatin1String("--out"))
            options.out = value;
        else
            return usage(arg + QStringLiteral(": unknown option"));
    }
    if (options.qtdoc.isEmpty() || options.out.isEmpty())
        return usage(QStringLiteral("--qtdoc and --out are required"));

    QElapsedTimer timer;
    timer.start();
    docimport::ImportReport report;
    docimport::ImportFailure failure;
    if (!docimport::runImport(options, &report, &failure)) {
        printLine(stderr,
                  QStringLiteral("velmora-import: %1: %2").arg(failure.file, failure.problem));
        return 1;
    }
    for (const QString &warning : std::as_const(report.warnings))
        printLine(stderr, QStringLiteral("velmora-import: warning: ") + warning);
    printLine(stdout,
              QStringLiteral("velmora-import: reference %1: %2 pages, %3 images, %4 classes "
                             "(%5 C, %6 O, %7 W), %8 members (%9 left out without a page), "
                             "%10 index lines, %11 MB in %12 s")
                  .arg(report.version)
                  .arg(report.pages)
                  .arg(report.images)
                  .arg(report.classes)
                  .arg(report.classesByKind[0])
                  .arg(report.classesByKind[1])
                  .arg(report.classesByKind[2])
                  .arg(report.members)
                  .arg(report.membersWithoutPage)
                  .arg(report.indexLines)
                  .arg(double(report.bytes) / (1024.0 * 1024.0), 0, 'f', 1)
                  .arg(double(timer.elapsed()) / 1000.0, 0, 'f', 1));
    return 0;
}
