// Velmora: velmora-import, the build step that assembles the documentation folder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "assembler.h"
#include "toolfailure.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QSaveFile>
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
                             "[--own <folder with pages/ and images/>]... --out <folder> "
                             "[--report <file>]"));
    return 2;
}

// The figures, a line each: what the tool prints and the report begins with.
QStringList summary(const tarn::import::ImportReport &report, qint64 milliseconds)
{
    const tarn::import::RewriteLog &links = report.links;
    return {
        QStringLiteral("reference %1: %2 pages, %3 images, %4 classes (%5 C, %6 O, %7 W), "
                       "%8 members (%9 left out without a page), %10 index lines, %11 MB in %12 s")
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
            .arg(double(milliseconds) / 1000.0, 0, 'f', 1),
        QStringLiteral("lookup: %1 names the index has no line for (enum values, macros, "
                       "namespaces)")
            .arg(report.apiNames),
        QStringLiteral("member targets: %1 repaired, %2 pointed at their page, "
                       "%3 left to a missing anchor")
            .arg(report.targetsRepaired)
            .arg(report.targetsPointedAtPage)
            .arg(report.targetsMissing),
        QStringLiteral("page links: %1 repaired, %2 pointed at their page, "
                       "%3 left to a missing anchor, %4 made external, %5 removed")
            .arg(links.repaired)
            .arg(links.pointedAtPage)
            .arg(links.missing)
            .arg(links.external)
            .arg(links.removed),
        QStringLiteral("markup: %1 wrapper elements the page view has no style for taken out")
            .arg(links.unwrapped),
    };
}

QByteArray reportText(const tarn::import::ImportReport &report, const QStringList &figures)
{
    QStringList lines = figures;
    auto section = [&lines](const QString &title, const QStringList &notes) {
        if (notes.isEmpty())
            return;
        lines << QString() << title;
        for (const QString &note : notes)
            lines << QStringLiteral("  ") + note;
    };
    section(QStringLiteral("Member targets not found under their name:"), report.targetNotes);
    section(QStringLiteral("Page links not found under their name, or removed:"),
            report.links.notes);
    section(QStringLiteral("Warnings:"), report.warnings);
    return lines.join(QLatin1Char('\n')).toUtf8() + '\n';
}

} // namespace

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    tarn::import::ImportOptions options;
    QString reportPath;
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
        else if (arg == QLatin1String("--report"))
            reportPath = value;
        else
            return usage(arg + QStringLiteral(": unknown option"));
    }
    if (options.qtdoc.isEmpty() || options.out.isEmpty())
        return usage(QStringLiteral("--qtdoc and --out are required"));

    QElapsedTimer timer;
    timer.start();
    tarn::import::ImportReport report;
    try {
        tarn::import::runImport(options, &report);
    } catch (const tarn::ToolFailure &failure) {
        // A report left from an earlier run would describe pages that are gone.
        if (!reportPath.isEmpty())
            QFile::remove(reportPath);
        printLine(stderr, failure.message(QStringLiteral("velmora-import")));
        return 1;
    }
    for (const QString &warning : std::as_const(report.warnings))
        printLine(stderr, QStringLiteral("velmora-import: warning: ") + warning);
    const QStringList figures = summary(report, timer.elapsed());
    for (const QString &line : figures)
        printLine(stdout, QStringLiteral("velmora-import: ") + line);
    if (!reportPath.isEmpty()) {
        QSaveFile file(reportPath);
        if (!file.open(QIODevice::WriteOnly) || file.write(reportText(report, figures)) < 0
            || !file.commit()) {
            printLine(stderr,
                      QStringLiteral("velmora-import: %1: cannot write: %2")
                          .arg(reportPath, file.errorString()));
            return 1;
        }
        printLine(stdout, QStringLiteral("velmora-import: report in ") + reportPath);
    }
    return 0;
}
