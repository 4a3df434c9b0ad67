// Velmora: timings and peak memory of the browser window over the real set.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "benchkit.h"
#include "embeddedfiles.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "shell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTreeWidget>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <memory>
#include <vector>

using tarn::Shell;
using namespace benchkit;

namespace {

constexpr int runs = 15;

// The page shown laid out in full and its first screen painted.
void drawPage(Shell *shell)
{
    PageBrowser *browser = shell->form()->browser;
    browser->finishPage();
    browser->document()->size();
    browser->viewport()->grab();
}

qint64 inflatedLength(const QString &page)
{
    int length = 0;
    const unsigned char *blob = findEmbeddedFile(page.toLatin1().constData(), &length);
    if (!blob || length < 4)
        return -1;
    return (qint64(blob[0]) << 24) | (blob[1] << 16) | (blob[2] << 8) | blob[3];
}

// The class page of the contents list with the most text.
QString largestClassPage(Shell *shell)
{
    QTreeWidget *classes = shell->form()->classesView;
    QString best;
    qint64 bestLength = -1;
    for (int i = 0; i < classes->topLevelItemCount(); ++i) {
        const QString page = classes->topLevelItem(i)->text(1);
        const qint64 length = inflatedLength(page);
        if (length > bestLength) {
            bestLength = length;
            best = page;
        }
    }
    std::printf("largest class page: %s, %lld bytes\n", qPrintable(best), bestLength);
    return best;
}

void report(const char *what, double ms, double budget)
{
    std::printf("%-46s median %8.2f ms   budget %6.1f ms%s\n", what, ms, budget,
                ms > budget ? "   OVER" : "");
}

void benchConstruction()
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        auto shell = std::make_unique<Shell>();
        showPainted(shell.get());
        times.push_back(msSince(timer));
        if (i == 0)
            std::printf("construction, first run: %.2f ms\n", times.front());
    }
    report("window built, lists filled, start page drawn", median(times), 200);
}

// A class's member list is read back from the stored contents list when
// the class is opened; the one read last is kept.
void benchMemberLists()
{
    Shell shell;
    QTreeWidget *classes = shell.form()->classesView;
    std::vector<double> times;
    for (int i = classes->topLevelItemCount() - 1; i >= 0; --i) {
        QElapsedTimer timer;
        timer.start();
        const QString members = classes->topLevelItem(i)->text(2);
        times.push_back(msSince(timer));
    }
    report("a class's member list read back", median(times), 2);
    std::printf("  worst %.2f ms over %zu classes\n", *std::max_element(times.begin(), times.end()),
                times.size());
}

void benchFilter()
{
    Shell shell;
    MainWidget *form = shell.form();
    form->leftTabs->setCurrentIndex(1);
    showPainted(&shell);
    std::printf("index entries: %d\n", form->indexView->model()->rowCount());

    QStringList steps;
    const QString word = QStringLiteral("qwidget");
    for (int i = 1; i <= word.size(); ++i)
        steps.append(word.left(i));
    for (int i = word.size() - 1; i >= 0; --i)
        steps.append(word.left(i));
    for (const char *single : {"e", "", "a", "", "s", "", "t", ""})
        steps.append(QString::fromLatin1(single));

    // Slot alone, and slot with the list's relayout and repaint.
    std::vector<std::vector<double>> slotTimes(steps.size()), drawnTimes(steps.size());
    for (int run = 0; run < runs; ++run) {
        for (qsizetype i = 0; i < steps.size(); ++i) {
            QElapsedTimer timer;
            timer.start();
            form->indexLineEdit->setText(steps.at(i));
            slotTimes[i].push_back(msSince(timer));
            settle();
            form->indexView->viewport()->grab();
            drawnTimes[i].push_back(msSince(timer));
        }
    }
    double worstSlot = 0;
    double worstDrawn = 0;
    QString worstStep;
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const double drawn = median(drawnTimes[i]);
        worstSlot = std::max(worstSlot, median(slotTimes[i]));
        if (drawn > worstDrawn) {
            worstDrawn = drawn;
            worstStep = QStringLiteral("\"%1\" after \"%2\"")
                            .arg(steps.at(i), i > 0 ? steps.at(i - 1) : QString());
        }
    }
    std::printf("filter keystrokes:");
    for (qsizetype i = 0; i < steps.size(); ++i)
        std::printf(" [%s] %.1f", qPrintable(steps.at(i)), median(drawnTimes[i]));
    std::printf("\n");
    report("index filter, worst keystroke, slot only", worstSlot, 16);
    report("index filter, worst keystroke, list redrawn", worstDrawn, 16);
    std::printf("  worst keystroke: %s\n", qPrintable(worstStep));
}

void benchPages()
{
    Shell shell;
    showPainted(&shell);
    const QString largest = largestClassPage(&shell);
    const QString other = QStringLiteral("qbitmap.html");

    std::vector<double> loads, backLargest, backLargestFirst, backOther;
    for (int run = 0; run < runs; ++run) {
        shell.load(QStringLiteral("index.html"));
        drawPage(&shell);
        settle();
        QElapsedTimer timer;
        timer.start();
        shell.load(largest);
        drawPage(&shell);
        loads.push_back(msSince(timer));

        shell.load(other);
        drawPage(&shell);
        settle();
        timer.start();
        shell.backward();
        // What the reader waits for: the screen shown. Setting the kept
        // document on the view makes it lay the document out again; the
        // rest follows between events, forced here to time it.
        shell.form()->browser->viewport()->grab();
        backLargestFirst.push_back(msSince(timer));
        drawPage(&shell);
        backLargest.push_back(msSince(timer));

        shell.forward();
        drawPage(&shell);
        shell.load(QStringLiteral("index.html"));
        drawPage(&shell);
        settle();
        timer.start();
        shell.backward();
        drawPage(&shell);
        backOther.push_back(msSince(timer));
    }
    // Where a load of the largest page goes: inflate and decode, parse with
    // the style sheet, layout, first screen painted.
    std::vector<double> inflate, parse, layout, paint;
    PageBrowser *browser = shell.form()->browser;
    for (int run = 0; run < runs; ++run) {
        shell.load(QStringLiteral("index.html"));
        drawPage(&shell);
        settle();
        QElapsedTimer timer;
        timer.start();
        int length = 0;
        const unsigned char *blob = findEmbeddedFile(largest.toLatin1().constData(), &length);
        const QString text = QString::fromUtf8(qUncompress(blob, length));
        inflate.push_back(msSince(timer));
        timer.start();
        browser->setSource(QUrl(largest));
        browser->finishPage();
        parse.push_back(msSince(timer));
        timer.start();
        browser->document()->size();
        layout.push_back(msSince(timer));
        timer.start();
        browser->viewport()->grab();
        paint.push_back(msSince(timer));
    }
    // The same page parsed without its style sheet, to show what the sheet costs.
    {
        int length = 0;
        const unsigned char *blob = findEmbeddedFile(largest.toLatin1().constData(), &length);
        QString text = QString::fromUtf8(qUncompress(blob, length));
        text.replace(QLatin1String("offline.css"), QLatin1String("no-such-sheet.css"));
        std::vector<double> bare;
        for (int run = 0; run < 5; ++run) {
            QTextDocument document;
            document.setDefaultStyleSheet(browser->document()->defaultStyleSheet());
            document.setTextWidth(browser->viewport()->width());
            QElapsedTimer timer;
            timer.start();
            document.setHtml(text);
            document.size();
            bare.push_back(msSince(timer));
        }
        std::printf("largest page without its style sheet: parse and layout %.1f ms\n",
                    median(bare));
    }
    std::printf("largest page: inflate+decode %.1f ms, parse %.1f ms, layout %.1f ms, "
                "paint %.1f ms\n",
                median(inflate), median(parse), median(layout), median(paint));
    report("load of the largest class page, laid out", median(loads), 150);
    report("Back to the largest class page, first screen", median(backLargestFirst), 30);
    std::printf("%-46s median %8.2f ms\n", "  the whole page laid out again, forced",
                median(backLargest));
    report("Back to qbitmap.html", median(backOther), 30);
}

// Run in a fresh process, so that earlier work does not raise the peak.
int memoryMode(const QString &page)
{
    // Stages go to stderr, the figure the parent reads to stdout.
    std::fprintf(stderr, "peak after start-up: %ld kB\n", statusKilobytes("VmHWM"));
    auto shell = std::make_unique<Shell>();
    std::fprintf(stderr, "peak after construction: %ld kB\n", statusKilobytes("VmHWM"));
    showPainted(shell.get());
    std::fprintf(stderr, "peak after the start page is drawn: %ld kB\n", statusKilobytes("VmHWM"));
    shell->load(page);
    drawPage(shell.get());
    settle();
    shell->grab();
    std::printf("%ld\n", statusKilobytes("VmHWM"));
    return 0;
}

void benchMemory(const QString &program, const QString &page)
{
    QProcess child;
    child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    child.start(program, {QStringLiteral("--memory"), page});
    child.waitForFinished(60000);
    const long kb = child.readAllStandardOutput().trimmed().toLong();
    std::printf("%-46s %8.1f MB   budget  < 65 MB%s\n",
                qPrintable(QStringLiteral("peak memory, %1 shown").arg(page)), kb / 1024.0,
                kb / 1024.0 >= 65 ? "   OVER" : "");
}

} // namespace

int main(int argc, char **argv)
{
    // Headless, and with settings of its own, unless told otherwise.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    if (!qEnvironmentVariableIsSet("VELMORA_BENCH_KEEP_CONFIG"))
        qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() >= 3 && args.at(1) == QLatin1String("--memory"))
        return memoryMode(args.at(2));

    std::printf("medians over %d runs\n", runs);
    benchConstruction();
    benchMemberLists();
    benchFilter();
    benchPages();
    QString largest;
    {
        Shell shell;
        largest = largestClassPage(&shell);
    }
    benchMemory(app.applicationFilePath(), QStringLiteral("qbitmap.html"));
    benchMemory(app.applicationFilePath(), largest);
    return 0;
}
