// Velmora: full-text search over the real set: query times, ranking, the first search and memory.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "listreader.h"
#include "mainwidget.h"
#include "namedhits.h"
#include "pagebrowser.h"
#include "searchbar.h"
#include "searchfield.h"
#include "searchindex.h"
#include "shell.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QKeyEvent>
#include <QListWidget>
#include <QMap>
#include <QProcess>
#include <QTemporaryDir>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>
#include <memory>
#include <vector>

using tarn::SearchIndex;
using tarn::SearchResults;

namespace {

constexpr int runs = 51;

// The queries of the goals, each with the page a reader expects near the
// top and how near.
struct Goal
{
    const char *query;
    const char *page;
    int atWorst;
};
const Goal goals[] = {
    {"QString", "qstring.html", 1},
    {"implicitly shared", "implicit-sharing.html", 3},
    {"\"implicitly shared\"", "implicit-sharing.html", 3},
    {"setWindowTitle", "qwidget.html", 3},
    {"thread affinity", "qobject.html", 3},
    {"QAbstractItemModel rowCount", "qabstractitemmodel.html", 1},
    {"signal slot connection queued", "qobject.html", 10},
    {"qt*", nullptr, 0},
    {"xyzzyqqq", nullptr, 0},
    {"model/view", "model-view-programming.html", 1},
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? values[mid] : (values[mid - 1] + values[mid]) / 2;
}

double msSince(const QElapsedTimer &timer)
{
    return double(timer.nsecsElapsed()) / 1e6;
}

long statusKilobytes(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(field))
            return line.mid(qsizetype(std::strlen(field))).trimmed().split(' ').value(0).toLong();
    }
    return -1;
}

int rankOf(const SearchResults &results, const char *page)
{
    for (qsizetype i = 0; i < results.hits.size(); ++i) {
        // A row that opens at an anchor counts for its page.
        if (results.hits.at(i).page.section(u'#', 0, 0) == QLatin1String(page))
            return int(i) + 1;
    }
    return 0;
}

void showPainted(QWidget *window)
{
    window->show();
    QElapsedTimer wait;
    wait.start();
    while (!(window->windowHandle() && window->windowHandle()->isExposed())
           && wait.elapsed() < 5000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
    window->grab();
}

using Search = std::function<SearchResults(const QString &)>;

void benchQueries(const char *title, const Search &search)
{
    std::printf("\nqueries, %s: the top %d results with snippets, %d runs each\n", title, 100,
                runs);
    std::printf("%-34s %5s %9s %9s   %s\n", "query", "hits", "median", "worst", "ranking");
    double worstMedian = 0;
    double worstOfAll = 0;
    for (const Goal &goal : goals) {
        const QString query = QString::fromUtf8(goal.query);
        std::vector<double> times;
        SearchResults results;
        for (int i = 0; i < runs; ++i) {
            QElapsedTimer timer;
            timer.start();
            results = search(query);
            times.push_back(msSince(timer));
        }
        const double mid = median(times);
        const double worst = *std::max_element(times.begin(), times.end());
        worstMedian = std::max(worstMedian, mid);
        worstOfAll = std::max(worstOfAll, worst);
        QByteArray ranking = "-";
        if (goal.page) {
            const int rank = rankOf(results, goal.page);
            ranking = QByteArray(goal.page) + " is #" + QByteArray::number(rank)
                + (rank >= 1 && rank <= goal.atWorst ? " (goal: top " : " (MISSED goal: top ")
                + QByteArray::number(goal.atWorst) + ")";
        }
        std::printf("%-34s %5d %6.2f ms %6.2f ms   %s\n", goal.query, int(results.hits.size()), mid,
                    worst, ranking.constData());
        if (!results.hits.isEmpty())
            std::printf("%34s first: %s, \"%s\"\n", "", qPrintable(results.hits.first().page),
                        qPrintable(results.hits.first().snippet));
    }
    std::printf("%-46s %6.2f ms   goal <= 10 ms%s\n", "slowest median", worstMedian,
                worstMedian > 10 ? "   OVER" : "");
    std::printf("%-46s %6.2f ms   goal <= 30 ms%s\n", "worst single run", worstOfAll,
                worstOfAll > 30 ? "   OVER" : "");
}

// The relevance set: real queries, each with the page a developer wants.
struct Judged
{
    QString query;
    QString page;
    QString what; // class, member, task...
};

QList<Judged> relevanceSet()
{
    QFile file(QStringLiteral(VELMORA_RELEVANCE_SET));
    QList<Judged> set;
    if (!file.open(QIODevice::ReadOnly | QIODevice::Text))
        return set;
    while (!file.atEnd()) {
        const QString line = QString::fromUtf8(file.readLine()).trimmed();
        const QStringList fields = line.split(u'\t');
        if (line.isEmpty() || line.startsWith(u'#') || fields.size() < 3)
            continue;
        set.append({fields.at(0), fields.at(1), fields.at(2)});
    }
    return set;
}

// The pages of the rows, in order; a row that opens at an anchor counts for its page.
QStringList pagesOf(const SearchResults &results)
{
    QStringList pages;
    for (const tarn::SearchHit &hit : results.hits)
        pages.append(hit.page.section(u'#', 0, 0));
    return pages;
}

// First-hit share, top-3 share and mean reciprocal rank of one way of
// answering, over the whole set and by kind of query; the misses by name.
void benchRelevance(const char *title, const Search &search)
{
    const QList<Judged> set = relevanceSet();
    if (set.isEmpty()) {
        std::printf("\nrelevance: no set at %s\n", VELMORA_RELEVANCE_SET);
        return;
    }
    struct Tally
    {
        int queries = 0;
        int first = 0;
        int top3 = 0;
        double reciprocal = 0;
    };
    QMap<QString, Tally> byKind;
    Tally all;
    QStringList misses;
    for (const Judged &judged : set) {
        const QStringList pages = pagesOf(search(judged.query));
        const int rank = int(pages.indexOf(judged.page)) + 1;
        for (Tally *tally : {&all, &byKind[judged.what]}) {
            ++tally->queries;
            tally->first += rank == 1;
            tally->top3 += rank >= 1 && rank <= 3;
            tally->reciprocal += rank > 0 ? 1.0 / rank : 0.0;
        }
        if (rank != 1)
            misses.append(QStringLiteral("%1 -> %2 #%3 (first: %4)")
                              .arg(judged.query, judged.page,
                                   rank > 0 ? QString::number(rank) : QStringLiteral("-"),
                                   pages.value(0, QStringLiteral("nothing"))));
    }
    const auto line = [](const QString &name, const Tally &t) {
        std::printf("  %-18s %3d queries  first %5.1f%%  top 3 %5.1f%%  MRR %.3f\n",
                    qPrintable(name), t.queries, 100.0 * t.first / t.queries,
                    100.0 * t.top3 / t.queries, t.reciprocal / t.queries);
    };
    std::printf("\nrelevance, %s\n", title);
    for (auto it = byKind.cbegin(); it != byKind.cend(); ++it)
        line(it.key(), it.value());
    line(QStringLiteral("all"), all);
    std::printf("  goal: first >= 95%%, MRR >= 0.97%s\n",
                100.0 * all.first / all.queries >= 95 && all.reciprocal / all.queries >= 0.97
                    ? ""
                    : "   MISSED");
    for (const QString &miss : std::as_const(misses))
        std::printf("  miss: %s\n", qPrintable(miss));
}

// Queries built to be expensive: each answers within the time limit, or is
// stopped there, or is cut to its first words.
void benchHardQueries(SearchIndex *index)
{
    QString paste;
    for (int i = 0; paste.size() < 10000; ++i)
        paste += QStringLiteral("signal%1 slot ").arg(i);
    paste.truncate(10000);
    const struct
    {
        const char *name;
        QString query;
    } hard[] = {
        {"10,000-character paste", paste},
        {"10,000-character word", QString(10000, u'q')},
        {"the 640-character query",
         QStringLiteral("the connection of a signal to a slot ").repeated(17).left(640)},
        {"12 common words, all", QStringLiteral("the a to of is in and for be it this that")},
        {"12 common words, any",
         QStringLiteral(
             "the OR a OR to OR of OR is OR in OR and OR for OR be OR it OR this OR that")},
        {"6 short prefixes, all", QStringLiteral("co* se* qt* in* re* th*")},
        {"12 short prefixes, any",
         QStringLiteral("co* OR se* OR qt* OR in* OR re* OR th* OR de* OR pr* OR ma* OR st* OR "
                        "wi* OR ha*")},
    };
    std::printf("\nhard queries (time limit %d ms; the window waits at most that plus the list)\n",
                SearchIndex::defaultTimeLimit);
    double worst = 0;
    for (const auto &query : hard) {
        std::vector<double> times;
        SearchResults results;
        for (int i = 0; i < 11; ++i) {
            QElapsedTimer timer;
            timer.start();
            results = index->search(query.query);
            times.push_back(msSince(timer));
        }
        const double longest = *std::max_element(times.begin(), times.end());
        worst = std::max(worst, longest);
        const char *status = results.status == SearchResults::Status::Ok ? "answered"
            : results.status == SearchResults::Status::TooSlow           ? "stopped"
                                                                         : "hint";
        std::printf("%-26s median %6.2f ms, worst %6.2f ms, %s, %d hits%s%s\n", query.name,
                    median(times), longest, status, int(results.hits.size()),
                    results.message.isEmpty() ? "" : ": ", qPrintable(results.message));
    }
    std::printf("%-46s %6.2f ms   goal <= 50 ms%s\n", "longest wait on any hard query", worst,
                worst > 50 ? "   OVER" : "");
}

// The field as the window runs it: the query, and the list filled and shown.
void benchField(const tarn::IndexTable &table)
{
    tarn::SearchBar bar;
    bar.resize(900, 40);
    showPainted(&bar);
    tarn::SearchField *field = bar.field();
    field->setNameSource([&table](const QString &query) {
        return tarn::namedEntries(table, &tarn::readNameTable(), query);
    });
    field->setFocus();
    std::printf("\nthe search field: query, list filled and shown\n");
    double worst = 0;
    for (const Goal &goal : goals) {
        std::vector<double> times;
        for (int i = 0; i < 21; ++i) {
            field->setText(QString::fromUtf8(goal.query));
            QElapsedTimer timer;
            timer.start();
            field->searchNow();
            field->resultsList()->viewport()->grab();
            times.push_back(msSince(timer));
        }
        worst = std::max(worst, *std::max_element(times.begin(), times.end()));
        std::printf("  %-32s median %6.2f ms\n", goal.query, median(times));
    }
    std::printf("%-46s %6.2f ms   goal <= 50 ms%s\n", "longest wait of the window", worst,
                worst > 50 ? "   OVER" : "");
}

// Opening a result: the page loaded, every hit marked, the first one
// scrolled into view and the screen drawn. The largest class page for a
// member named all over it is the slow case.
void benchOpen()
{
    tarn::Shell shell;
    showPainted(&shell);
    tarn::SearchField *field = shell.findChild<tarn::SearchField *>();
    PageBrowser *browser = shell.pageView();
    std::printf("\nopening a result: load, mark every hit, scroll, draw\n");
    const struct
    {
        const char *query;
        const char *page;
    } opens[] = {{"setWindowTitle", "qwidget.html"},
                 {"qt*", "qwidget.html"},
                 {"QString", "qstring.html"},
                 {"model/view", "model-view-programming.html"}};
    for (const auto &open : opens) {
        field->setText(QString::fromUtf8(open.query));
        field->searchNow();
        const QList<tarn::SearchTerm> terms = tarn::translateQuery(field->text()).terms;
        // The same page loaded and laid out without marks, for comparison.
        std::vector<double> plain, times;
        int marks = 0;
        for (int i = 0; i < 11; ++i) {
            shell.load(QStringLiteral("index.html"));
            browser->document()->size();
            QCoreApplication::processEvents();
            QElapsedTimer timer;
            timer.start();
            shell.linkLoad(QString::fromUtf8(open.page));
            browser->document()->size();
            browser->viewport()->grab();
            plain.push_back(msSince(timer));

            shell.load(QStringLiteral("index.html"));
            browser->document()->size();
            QCoreApplication::processEvents();
            timer.start();
            Q_EMIT field->openRequested(QString::fromUtf8(open.page), terms);
            browser->viewport()->grab();
            times.push_back(msSince(timer));
            marks = int(browser->extraSelections().size());
        }
        std::printf("  %-14s %-28s %5d marks, median %7.2f ms (the page without marks %7.2f ms)\n",
                    open.query, open.page, marks, median(times), median(plain));
    }
}

// In a fresh process: the window as the program shows it, then the first
// search of the run, then the rest. Figures go to stdout as name=value.
int firstSearchMode()
{
    QElapsedTimer clock;
    clock.start();
    auto shell = std::make_unique<tarn::Shell>();
    showPainted(shell.get());
    const double startup = msSince(clock);
    const long before = statusKilobytes("VmRSS:");
    tarn::SearchField *field = shell->findChild<tarn::SearchField *>();
    field->setFocus();
    field->setText(QStringLiteral("QString"));
    QElapsedTimer first;
    first.start();
    field->searchNow();
    field->resultsList()->viewport()->grab();
    const double firstMs = msSince(first);
    const long afterFirst = statusKilobytes("VmRSS:");
    for (int round = 0; round < 3; ++round) {
        for (const Goal &goal : goals) {
            field->setText(QString::fromUtf8(goal.query));
            field->searchNow();
            field->resultsList()->viewport()->grab();
        }
    }
    const long afterSearches = statusKilobytes("VmRSS:");
    // Then open the top hit of each, marked, as a reader would: what the
    // pages cost is the page caches' business, shown here for scale.
    for (const Goal &goal : goals) {
        field->setText(QString::fromUtf8(goal.query));
        field->searchNow();
        if (field->resultsList()->count() > 0) {
            field->setFocus();
            QKeyEvent press(QEvent::KeyPress, Qt::Key_Return, Qt::NoModifier);
            QApplication::sendEvent(field, &press);
        }
    }
    const long afterPages = statusKilobytes("VmRSS:");
    std::printf("startup=%.2f\nfirst=%.2f\nbefore=%ld\nafterFirst=%ld\nafterSearches=%ld\n"
                "afterPages=%ld\n",
                startup, firstMs, before, afterFirst, afterSearches, afterPages);
    return 0;
}

void benchFirstSearch(const QString &program)
{
    std::vector<double> firsts, startups;
    long before = 0, afterFirst = 0, afterSearches = 0, afterPages = 0;
    for (int run = 0; run < 5; ++run) {
        QProcess child;
        child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
        child.start(program, {QStringLiteral("--first-search")});
        child.waitForFinished(120000);
        QHash<QString, QString> values;
        for (const QByteArray &line : child.readAllStandardOutput().split('\n')) {
            const qsizetype eq = line.indexOf('=');
            if (eq > 0)
                values.insert(QString::fromLatin1(line.left(eq)),
                              QString::fromLatin1(line.mid(eq + 1)));
        }
        firsts.push_back(values.value(QStringLiteral("first")).toDouble());
        startups.push_back(values.value(QStringLiteral("startup")).toDouble());
        before = std::max(before, values.value(QStringLiteral("before")).toLong());
        afterFirst = std::max(afterFirst, values.value(QStringLiteral("afterFirst")).toLong());
        afterSearches =
            std::max(afterSearches, values.value(QStringLiteral("afterSearches")).toLong());
        afterPages = std::max(afterPages, values.value(QStringLiteral("afterPages")).toLong());
    }
    std::printf("\nfresh processes, 5 runs\n");
    std::printf("%-46s %6.2f ms\n", "window built and shown, fresh process (median)",
                median(startups));
    std::printf("%-46s %6.2f ms   goal <= 50 ms%s\n", "first search: open, query, list (median)",
                median(firsts), median(firsts) > 50 ? "   OVER" : "");
    std::printf("%-46s %6.2f ms\n", "first search, slowest run",
                *std::max_element(firsts.begin(), firsts.end()));
    std::printf("%-46s %6.1f MB\n", "RSS, window shown, before any search", before / 1024.0);
    std::printf("%-46s %6.1f MB   (+%.1f MB)\n", "RSS after the first search", afterFirst / 1024.0,
                (afterFirst - before) / 1024.0);
    const double growth = (afterSearches - before) / 1024.0;
    std::printf("%-46s %6.1f MB   (+%.1f MB, goal <= +40 MB%s)\n", "RSS after 31 searches",
                afterSearches / 1024.0, growth, growth > 40 ? ", OVER" : "");
    std::printf("%-46s %6.1f MB   (+%.1f MB)\n", "RSS after also opening 10 results",
                afterPages / 1024.0, (afterPages - before) / 1024.0);
}

// The build's index step, run again on the same folder, and what the index
// adds to the program.
void benchBuild()
{
    std::printf("\nbuild\n");
    std::vector<double> times;
    QByteArray report;
    for (int run = 0; run < 3; ++run) {
        QTemporaryDir out;
        QProcess indexer;
        QElapsedTimer timer;
        timer.start();
        indexer.start(QStringLiteral(VELMORA_SEARCHINDEX),
                      {QStringLiteral(VELMORA_INDEXED_FOLDER), out.path()});
        indexer.waitForFinished(300000);
        times.push_back(msSince(timer) / 1000.0);
        report = indexer.readAllStandardOutput().trimmed();
    }
    std::printf("%s\n", report.constData());
    std::printf("%-46s %6.2f s   goal: build grows <= 60 s\n", "index step (median of 3)",
                median(times));
    const qint64 program = QFileInfo(QStringLiteral(VELMORA_PROGRAM)).size();
    std::printf("%-46s %6.1f MB, of which the index %.1f MB\n", "the program", program / 1048576.0,
                SearchIndex::embeddedImageSize() / 1048576.0);
}

} // namespace

int main(int argc, char **argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QTemporaryDir config;
    qputenv("XDG_CONFIG_HOME", QFile::encodeName(config.path()));

    QApplication app(argc, argv);
    if (app.arguments().value(1) == QLatin1String("--first-search"))
        return firstSearchMode();
    // One part alone, for a profiler.
    if (app.arguments().value(1) == QLatin1String("--open")) {
        benchOpen();
        return 0;
    }

    SearchIndex *index = SearchIndex::embedded();
    if (!index->isValid()) {
        std::fprintf(stderr, "bench_search: no index: %s\n", qPrintable(index->errorString()));
        return 1;
    }
    std::printf("index: %d pages, image %.1f MB (%lld bytes), read in place\n", index->pageCount(),
                double(SearchIndex::embeddedImageSize()) / (1024 * 1024),
                static_cast<long long>(SearchIndex::embeddedImageSize()));
    // The text hits alone were the whole search before it knew the API;
    // both are measured in one run, for figures before and after.
    const Search textHits = [index](const QString &query) { return index->search(query); };
    const tarn::IndexTable table = tarn::readFullIndexTable();
    const Search namesFirst = [index, &table](const QString &query) {
        return tarn::searchNamesFirst(*index, table, &tarn::readNameTable(), query);
    };
    namesFirst(QStringLiteral("QString"));
    // The first rows for queries of one's own, to see why a page ranks where it does.
    if (app.arguments().value(1) == QLatin1String("--top")) {
        for (const QString &query : app.arguments().mid(2)) {
            const SearchResults results = namesFirst(query);
            std::printf("%s:\n", qPrintable(query));
            for (qsizetype i = 0; i < std::min<qsizetype>(10, results.hits.size()); ++i)
                std::printf("  %2d  %-40s %s\n", int(i + 1), qPrintable(results.hits.at(i).page),
                            qPrintable(results.hits.at(i).title));
        }
        return 0;
    }
    benchQueries("the text hits alone", textHits);
    benchQueries("names first, as the search field shows them", namesFirst);
    benchRelevance("the text hits alone", textHits);
    benchRelevance("names first, as the search field shows them", namesFirst);
    if (app.arguments().value(1) == QLatin1String("--relevance"))
        return 0;
    benchHardQueries(index);
    benchField(table);
    benchOpen();
    benchFirstSearch(app.applicationFilePath());
    benchBuild();
    return 0;
}
