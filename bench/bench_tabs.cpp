// Velmora: tabs: memory with many open, switching between them, and a
// restored tab's first screen.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "benchkit.h"

#include "embeddedfiles.h"
#include "embeddedpages.h"
#include "mainwidget.h"
#include "memorytrim.h"
#include "pagebrowser.h"
#include "session.h"

#include <QApplication>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>

#include <cstdio>

using namespace benchkit;
using tarn::Shell;

namespace {

// Lets the deferred work and the memory trim run.
void pause()
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < 1200)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 50);
}

double residentMegabytes()
{
    return double(statusKilobytes("VmRSS")) / 1024.0;
}

void paintFirstScreen(Shell *shell)
{
    shell->pageView()->viewport()->grab();
}

// The longest class pages of the set, longest first.
QStringList largeClassPages(int count)
{
    QList<QPair<qsizetype, QString>> found;
    for (const EmbeddedFile *file = embeddedFiles; file->data; ++file) {
        const QString name = QString::fromLatin1(file->name);
        if (!name.startsWith(u'q') || !name.endsWith(QLatin1String(".html"))
            || name.endsWith(QLatin1String("-members.html"))
            || name.endsWith(QLatin1String("-obsolete.html")))
            continue;
        found.append({embeddedInflatedLength(file->data, file->storedLength), name});
    }
    std::sort(found.begin(), found.end(), [](const auto &a, const auto &b) { return a > b; });
    QStringList pages;
    for (qsizetype i = 0; i < found.size() && pages.size() < count; ++i)
        pages.append(found.at(i).second);
    return pages;
}

// Twenty tabs on twenty large class pages, each shown once, against one tab
// on the start page; then switching between tabs whose pages are kept.
void manyTabs(const QStringList &pages)
{
    Shell shell;
    shell.resize(900, 700);
    showPainted(&shell);
    pause();
    const double oneTab = residentMegabytes();
    for (const QString &page : pages) {
        shell.openInNewTab(page);
        paintFirstScreen(&shell);
        shell.pageView()->finishPage();
        settle();
    }
    pause();
    const double twenty = residentMegabytes();
    PageBrowser *view = shell.pageView();
    std::printf("%lld tabs on large class pages, each shown once: RSS %.1f MB, one tab on the "
                "start page %.1f MB: %.1f MB above (goal <= 30); kept documents %.1f MB (%d)\n",
                static_cast<long long>(pages.size()), twenty, oneTab, twenty - oneTab,
                double(view->keptDocumentBytes()) / (1024.0 * 1024.0), view->keptDocumentCount());

    // The last tabs shown are the ones the budget keeps: switch among them.
    QTabWidget *tabs = shell.form()->pageTabs;
    const int last = tabs->count() - 1;
    std::vector<double> kept;
    for (int run = 0; run < 20; ++run) {
        const int tab = last - run % 3;
        if (tab == shell.currentTab())
            continue;
        QElapsedTimer timer;
        timer.start();
        tabs->setCurrentIndex(tab);
        paintFirstScreen(&shell);
        kept.push_back(msSince(timer));
        settle();
    }
    std::printf("switching to a tab whose page is kept, until painted: median %.1f ms, worst "
                "%.1f ms (goal <= 16)\n",
                median(kept), percentile(kept, 100));
}

// A tab restored at start and shown for the first time, against `load` of
// the same page in a window that has nothing cached.
void restoredTab(const QStringList &pages)
{
    std::vector<double> restored;
    std::vector<double> loaded;
    for (int run = 0; run < 7; ++run) {
        const QString page = pages.at(run % pages.size());
        {
            tarn::Session session;
            session.tabs = {{QStringLiteral("index.html"), 0, QString()}, {page, 0, QString()}};
            QSettings settings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
            settings.clear();
            session.write(settings);
        }
        {
            Shell shell;
            shell.resize(900, 700);
            showPainted(&shell);
            settle();
            installedEmbeddedPageFactory()->cache().clear();
            QElapsedTimer timer;
            timer.start();
            shell.form()->pageTabs->setCurrentIndex(1);
            paintFirstScreen(&shell);
            restored.push_back(msSince(timer));
            // One tab again, so the next window opens as a fresh one.
            shell.form()->pageTabs->setCurrentIndex(0);
            delete shell.pageViewAt(1);
        }
        {
            QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora")).clear();
            Shell shell;
            shell.resize(900, 700);
            showPainted(&shell);
            settle();
            installedEmbeddedPageFactory()->cache().clear();
            QElapsedTimer timer;
            timer.start();
            shell.load(page);
            paintFirstScreen(&shell);
            loaded.push_back(msSince(timer));
        }
    }
    std::printf("a restored tab shown for the first time, first screen: median %.1f ms, worst "
                "%.1f ms; load of the same pages: median %.1f ms, worst %.1f ms\n",
                median(restored), percentile(restored, 100), median(loaded),
                percentile(loaded, 100));
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
    const QStringList pages = largeClassPages(20);
    manyTabs(pages);
    restoredTab(pages);
    return 0;
}
