// Velmora: a whole reading session in one process: every page, Back and Forward, the index.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "benchkit.h"
#include "embeddedfiles.h"
#include "embeddedimages.h"
#include "embeddedimages_p.h"
#include "embeddedpages.h"
#include "mainwidget.h"
#include "memorytrim.h"
#include "pagebrowser.h"
#include "shell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QListView>
#include <QProcess>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextDocument>
#include <QTreeWidget>
#include <QUrl>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <malloc.h>
#include <vector>

using tarn::Shell;
using namespace benchkit;

namespace {

// A reader's pause: long enough for the program's idle work (it gives freed
// memory back a second after the last page was shown).
void pause()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

// Resident set size now, in MB.
double residentMegabytes()
{
    return double(statusKilobytes("VmRSS")) / 1024.0;
}

// The part of the resident set that is the program's own memory, as against
// pages of the executable and libraries read from disk, which the system may
// drop and read again at will: visiting every page touches all the embedded
// data once.
QString residentSplit()
{
    return QStringLiteral("anonymous %1 MB, file-backed %2 MB")
        .arg(double(statusKilobytes("RssAnon")) / 1024.0, 0, 'f', 1)
        .arg(double(statusKilobytes("RssFile")) / 1024.0, 0, 'f', 1);
}

// Heap bytes in use now (what RSS would be without fragmentation), in MB.
double heapMegabytes()
{
    const struct mallinfo2 info = mallinfo2();
    return double(info.uordblks + info.hblkhd) / (1024.0 * 1024.0);
}

// What the caches hold: page texts, images, kept documents, in MB.
QString cacheFigures(Shell *shell)
{
    const double mb = 1024.0 * 1024.0;
    return QStringLiteral("caches: texts %1 MB, images %2 MB, kept documents %3 MB (%4)")
        .arg(double(installedEmbeddedPageFactory()->cache().bytes()) / mb, 0, 'f', 1)
        .arg(double(installedEmbeddedImageFactory()->cache().bytes()) / mb, 0, 'f', 1)
        .arg(double(shell->pageView()->keptDocumentBytes()) / mb, 0, 'f', 1)
        .arg(shell->pageView()->keptDocumentCount());
}

// The first screen of the page shown, painted.
void paintFirstScreen(Shell *shell)
{
    shell->pageView()->viewport()->grab();
}

// The rest of the page parsed and laid out.
void layOutFully(Shell *shell)
{
    shell->pageView()->finishPage();
    shell->pageView()->document()->size();
}

QStringList embeddedPages()
{
    QStringList pages;
    for (const EmbeddedFile *file = embeddedFiles; file->data; ++file) {
        const QString name = QString::fromLatin1(file->name);
        if (name.endsWith(QLatin1String(".html")))
            pages.append(name);
    }
    return pages;
}

struct Timed
{
    QString page;
    double firstScreen;
    double full;
    double longestStep;
};

// The parts of a long page parsed as the window does it, between events;
// the longest single turn of the event loop that took.
double longestPartStep(Shell *shell)
{
    double longest = 0;
    QElapsedTimer step;
    while (!shell->pageView()->isPageComplete()) {
        step.start();
        QCoreApplication::processEvents();
        longest = std::max(longest, msSince(step));
    }
    return longest;
}

void longSession(Shell *shell)
{
    const QStringList pages = embeddedPages();
    pause();
    const double fresh = residentMegabytes();
    const double freshHeap = heapMegabytes();
    const QString freshSplit = residentSplit();
    std::printf("long session: %lld pages; RSS of the fresh window %.1f MB\n",
                static_cast<long long>(pages.size()), fresh);
    std::vector<Timed> timed;
    timed.reserve(pages.size());
    QElapsedTimer timer;
    for (qsizetype i = 0; i < pages.size(); ++i) {
        timer.start();
        shell->load(pages.at(i));
        paintFirstScreen(shell);
        const double first = msSince(timer);
        const double parts = longestPartStep(shell);
        QElapsedTimer rest;
        rest.start();
        layOutFully(shell);
        const double layout = msSince(rest);
        timed.push_back({pages.at(i), first, msSince(timer), std::max({first, parts, layout})});
        settle();
        if ((i + 1) % 500 == 0)
            pause();
        if ((i + 1) % 500 == 0)
            std::printf("  after %5lld pages: RSS %.1f MB, heap in use %.1f MB; %s\n",
                        static_cast<long long>(i + 1), residentMegabytes(), heapMegabytes(),
                        qPrintable(cacheFigures(shell)));
    }
    pause();
    const double afterAll = residentMegabytes();
    shell->load(QStringLiteral("index.html"));
    paintFirstScreen(shell);
    pause();
    const double home = residentMegabytes();

    std::vector<double> first;
    std::vector<double> full;
    for (const Timed &t : timed) {
        first.push_back(t.firstScreen);
        full.push_back(t.full);
    }
    std::printf("  first screen: median %.1f ms, 90%% %.1f, 99%% %.1f, worst %.1f ms\n",
                median(first), percentile(first, 90), percentile(first, 99),
                percentile(first, 100));
    std::printf("  full layout:  median %.1f ms, 90%% %.1f, 99%% %.1f, worst %.1f ms\n",
                median(full), percentile(full, 90), percentile(full, 99), percentile(full, 100));
    std::sort(timed.begin(), timed.end(),
              [](const Timed &a, const Timed &b) { return a.full > b.full; });
    std::printf("  slowest pages (first screen / full layout):");
    for (size_t i = 0; i < std::min<size_t>(8, timed.size()); ++i)
        std::printf(" %s %.0f/%.0f", qPrintable(timed[i].page), timed[i].firstScreen,
                    timed[i].full);
    const auto over =
        std::count_if(timed.begin(), timed.end(), [](const Timed &t) { return t.full > 150; });
    std::printf("\n  pages over 150 ms to full layout: %lld (goal 0)\n",
                static_cast<long long>(over));
    // What the reader waits on: the first screen, one later part, or the
    // rest of the layout, whichever is longest.
    std::vector<double> steps;
    for (const Timed &t : timed)
        steps.push_back(t.longestStep);
    const auto blocking = std::count_if(timed.begin(), timed.end(),
                                        [](const Timed &t) { return t.longestStep > 150; });
    std::printf("  longest wait in one step: median %.1f ms, 99%% %.1f, worst %.1f ms; "
                "pages over 150 ms: %lld\n",
                median(steps), percentile(steps, 99), percentile(steps, 100),
                static_cast<long long>(blocking));
    std::printf("  RSS after every page %.1f MB (goal <= 120), after Home %.1f MB, "
                "%.1f MB above the fresh window (goal <= 50)\n",
                afterAll, home, home - fresh);
    if (qEnvironmentVariableIsSet("VELMORA_BENCH_SMAPS"))
        QFile::copy(QStringLiteral("/proc/self/smaps"),
                    qEnvironmentVariable("VELMORA_BENCH_SMAPS"));
    std::printf("  resident: fresh window %s; after Home %s\n", qPrintable(freshSplit),
                qPrintable(residentSplit()));
    std::printf("  heap in use: fresh window %.1f MB, after Home %.1f MB; %s\n", freshHeap,
                heapMegabytes(), qPrintable(cacheFigures(shell)));
}

// Back and Forward between two pages, each laid out and painted.
void backForward(Shell *shell, const QString &big, const QString &other)
{
    std::vector<double> back;
    std::vector<double> forward;
    shell->load(big);
    paintFirstScreen(shell);
    for (int run = 0; run < 21; ++run) {
        shell->linkLoad(other);
        paintFirstScreen(shell);
        settle();
        QElapsedTimer timer;
        timer.start();
        shell->backward();
        paintFirstScreen(shell);
        back.push_back(msSince(timer));
        settle();
        timer.start();
        shell->forward();
        paintFirstScreen(shell);
        forward.push_back(msSince(timer));
        settle();
        shell->backward();
        paintFirstScreen(shell);
        settle();
    }
    std::printf("Back to %s from %s: median %.1f ms, worst %.1f ms (goal <= 30); "
                "Forward to %s: median %.1f ms\n",
                qPrintable(big), qPrintable(other), median(back), percentile(back, 100),
                qPrintable(other), median(forward));
}

// The first screen of a page no cache holds: neither its text nor its
// laid-out document.
void firstScreen(Shell *shell, const QString &page, const char *when)
{
    PageBrowser *view = shell->pageView();
    const qint64 budget = view->keptDocumentBudget();
    view->setKeptDocumentBudget(0);
    std::vector<double> first;
    for (int run = 0; run < 11; ++run) {
        shell->load(QStringLiteral("index.html"));
        shell->load(QStringLiteral("vxabout.html"));
        paintFirstScreen(shell);
        installedEmbeddedPageFactory()->cache().clear();
        settle();
        QElapsedTimer timer;
        timer.start();
        shell->load(page);
        paintFirstScreen(shell);
        first.push_back(msSince(timer));
        layOutFully(shell);
        settle();
    }
    view->setKeptDocumentBudget(budget);
    std::printf("%s: first screen of %s, nothing cached, median %.1f ms, worst %.1f ms "
                "(goal <= 100)\n",
                when, qPrintable(page), median(first), percentile(first, 100));
}

// What a kept, laid-out document costs per character of its text: the
// factor the page view estimates its kept documents with.
void documentCost(Shell *shell)
{
    PageBrowser view;
    view.resize(shell->pageView()->size());
    view.show();
    view.setKeptDocumentBudget(qint64(1) << 40);
    QStringList pages;
    QTreeWidget *classes = shell->form()->classesView;
    for (int i = 0; i < classes->topLevelItemCount() && pages.size() < 60; i += 7)
        pages.append(classes->topLevelItem(i)->text(1));
    settle();
    const double before = heapMegabytes();
    qint64 characters = 0;
    for (const QString &page : pages) {
        view.setSource(QUrl(page));
        view.finishPage();
        view.document()->size();
        view.viewport()->grab();
        characters += view.document()->characterCount();
    }
    settle();
    const double grown = (heapMegabytes() - before) * 1024 * 1024;
    std::printf("kept documents: %lld pages, %lld characters, %.1f MB: %.1f bytes a character "
                "(the view estimates %lld)\n",
                static_cast<long long>(pages.size()), static_cast<long long>(characters),
                grown / 1024 / 1024, grown / double(characters),
                static_cast<long long>(PageBrowser::bytesPerCharacter));
}

// "s" to "setwid" and deleting back to empty, as a reader types.
QStringList filterSteps()
{
    const QString word = QStringLiteral("setwid");
    QStringList steps;
    for (int i = 1; i <= word.size(); ++i)
        steps.append(word.left(i));
    for (int i = word.size() - 1; i >= 0; --i)
        steps.append(word.left(i));
    return steps;
}

// One keystroke into the Index field as the keyboard delivers it, the
// events it sets off processed and the list painted.
double typeAndPaint(MainWidget *form, const QString &before, const QString &after)
{
    const bool deleting = after.size() < before.size();
    const int key = deleting ? int(Qt::Key_Backspace) : int(after.back().toUpper().unicode());
    const QString text = deleting ? QString() : QString(after.back());
    QElapsedTimer timer;
    timer.start();
    QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
    QApplication::sendEvent(form->indexLineEdit, &press);
    QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
    QApplication::sendEvent(form->indexLineEdit, &release);
    settle();
    form->indexView->viewport()->repaint();
    return msSince(timer);
}

// In a fresh process: the window shown, then one pass of the keystrokes,
// each for the first time. Figures go to stdout as step=milliseconds.
int firstPassMode()
{
    Shell shell;
    showPainted(&shell);
    MainWidget *form = shell.form();
    form->leftTabs->setCurrentIndex(1);
    form->indexLineEdit->setFocus();
    settle();
    form->indexView->viewport()->repaint();
    QString before;
    for (const QString &step : filterSteps()) {
        const double ms = typeAndPaint(form, before, step);
        if (form->indexLineEdit->text() != step) {
            std::fprintf(stderr, "typed \"%s\", the field holds \"%s\"\n", qPrintable(step),
                         qPrintable(form->indexLineEdit->text()));
            return 1;
        }
        std::printf("%s=%.3f\n", step.isEmpty() ? "(empty)" : qPrintable(step), ms);
        before = step;
    }
    return 0;
}

// The first pass after start, in fresh processes: what a reader who types
// once feels, before any cache of the run is warm.
void indexFirstPass(const QString &program)
{
    constexpr int processes = 7;
    const QStringList steps = filterSteps();
    std::vector<std::vector<double>> times(steps.size());
    for (int run = 0; run < processes; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program, {QStringLiteral("--first-pass")});
        child.waitForFinished(120000);
        const QList<QByteArray> lines = child.readAllStandardOutput().split('\n');
        for (qsizetype i = 0; i < steps.size(); ++i)
            times[i].push_back(lines.value(i).split('=').value(1).toDouble());
    }
    double worstMedian = 0;
    double worstAny = 0;
    std::printf("index filter, first pass after start, repaint included (median of %d "
                "processes):",
                processes);
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const double m = median(times[i]);
        worstMedian = std::max(worstMedian, m);
        worstAny = std::max(worstAny, *std::max_element(times[i].begin(), times[i].end()));
        std::printf(" [%s] %.1f", qPrintable(steps.at(i)), m);
    }
    std::printf("\n  worst keystroke %.1f ms, slowest in any process %.1f ms (goal <= 16)\n",
                worstMedian, worstAny);
}

void indexFilter(Shell *shell)
{
    MainWidget *form = shell->form();
    form->leftTabs->setCurrentIndex(1);
    settle();
    const QStringList steps = filterSteps();
    std::vector<std::vector<double>> times(steps.size());
    for (int run = 0; run < 11; ++run) {
        for (qsizetype i = 0; i < steps.size(); ++i) {
            QElapsedTimer timer;
            timer.start();
            form->indexLineEdit->setText(steps.at(i));
            settle();
            form->indexView->viewport()->grab();
            times[i].push_back(msSince(timer));
        }
    }
    double worst = 0;
    std::printf("index filter, repaint included (median of 11):");
    for (qsizetype i = 0; i < steps.size(); ++i) {
        const double m = median(times[i]);
        worst = std::max(worst, m);
        std::printf(" [%s] %.1f", qPrintable(steps.at(i)), m);
    }
    std::printf("\n  worst keystroke %.1f ms (goal <= 16)\n", worst);
    form->indexLineEdit->clear();
    form->leftTabs->setCurrentIndex(3);
    settle();
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));
    tarn::tuneAllocator();
    QApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--first-pass"))
        return firstPassMode();
    // The keystrokes alone, for before-and-after figures.
    if (app.arguments().value(1) == QLatin1String("--index")) {
        indexFirstPass(app.applicationFilePath());
        Shell shell;
        showPainted(&shell);
        indexFilter(&shell);
        return 0;
    }

    Shell shell;
    showPainted(&shell);
    settle();
    // The session first, so that the fresh window's memory is that of a
    // window that has done nothing yet.
    longSession(&shell);
    firstScreen(&shell, QStringLiteral("qstring.html"), "after the long session");
    backForward(&shell, QStringLiteral("qstring.html"), QStringLiteral("qbitmap.html"));
    backForward(&shell, QStringLiteral("qwidget.html"), QStringLiteral("qobject.html"));
    indexFilter(&shell);
    indexFirstPass(app.applicationFilePath());
    documentCost(&shell);
    return 0;
}
