// Velmora: tabs, each a page view with its own history, and the session that
// brings them back at the next start.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "action.h"
#include "docnames.h"
#include "embeddedpages.h"
#include "exposure.h"
#include "lookup.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "pagename.h"
#include "pagetext.h"
#include "session.h"
#include "shell_p.h"
#include "starttrace.h"

#include <QEvent>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QSettings>
#include <QTabBar>
#include <QTabWidget>
#include <QTimer>

namespace tarn {

namespace {

// A tab shows the start of its page's title, "QWidget Class" of
// "QWidget Class | Qt Widgets 6.4.2"; the whole title is its tool tip.
QString tabTitle(const QString &title, const QString &page)
{
    constexpr qsizetype longest = 28;
    QString shown = title.section(QLatin1String(" | "), 0, 0).trimmed();
    if (shown.isEmpty())
        shown = page;
    if (shown.size() > longest)
        shown = shown.left(longest - 1).trimmed() + QChar(0x2026);
    // A "&" would make a keyboard mnemonic of the next letter.
    return shown.replace(u'&', QLatin1String("&&"));
}

// A middle click on a tab closes it, as in every browser.
class MiddleClickCloses : public QObject
{
public:
    MiddleClickCloses(QTabBar *bar, std::function<void(int)> close)
        : QObject(bar)
        , m_bar(bar)
        , m_close(std::move(close))
    {
        bar->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::MouseButtonRelease)
            return false;
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::MiddleButton)
            return false;
        const int tab = m_bar->tabAt(mouse->position().toPoint());
        if (tab < 0)
            return false;
        m_close(tab);
        return true;
    }

private:
    QTabBar *m_bar;
    std::function<void(int)> m_close;
};

} // namespace

int Shell::tabCount() const
{
    return d->form->pageTabs->count();
}

int Shell::currentTab() const
{
    return d->form->pageTabs->currentIndex();
}

PageBrowser *Shell::pageViewAt(int tab) const
{
    return qobject_cast<PageBrowser *>(d->form->pageTabs->widget(tab));
}

// A view for a new tab, set up as the current one is: the window-wide page
// font and code font, the shared budget, Home on the start page. It starts
// in the background.
PageBrowser *Shell::createPageView()
{
    PageBrowser *current = d->form->browser;
    auto *view = new PageBrowser;
    view->setObjectName(QStringLiteral("browser"));
    view->setFrameShape(current->frameShape());
    view->setInFront(false);
    view->shareKeptDocuments(d->keptDocuments);
    view->setFont(current->font());
    view->setPageStyleSheet(current->pageStyleSheet());
    view->setHome(QUrl(QString::fromLatin1(docnames::startPage)));
    applyPageLook(view);
    connectPageView(view);
    return view;
}

// Every view tells the window what it shows; only the current one's news
// reaches the caption, the status line and the buttons.
void Shell::connectPageView(PageBrowser *view)
{
    const auto isCurrent = [this, view] { return view == d->form->browser; };
    // The view hands over links as written; an in-page "#x" is made whole
    // first, so the window always sees which page a link names.
    connect(view, &QTextBrowser::anchorClicked, this, [this, view, isCurrent](const QUrl &url) {
        if (isCurrent())
            linkLoad(view->resolved(url).toString());
    });
    connect(view, &QTextBrowser::sourceChanged, this, [this, view, isCurrent](const QUrl &url) {
        if (isCurrent())
            sourceChanged(url.toString());
        showPageTitle(view);
        writeSessionSoon();
    });
    connect(view, qOverload<const QUrl &>(&QTextBrowser::highlighted), this,
            [this, view, isCurrent](const QUrl &url) {
                if (isCurrent())
                    d->form->statusLabel->setText(view->resolved(url).toString());
            });
    connect(view, &QTextBrowser::historyChanged, this, [this, isCurrent] {
        if (isCurrent())
            updateHistoryButtons();
    });
    connect(view, &PageBrowser::openInNewTabRequested, this,
            [this](const QUrl &url) { openInNewTab(url.toString(), true); });
    connect(view->verticalScrollBar(), &QScrollBar::valueChanged, this,
            [this] { writeSessionSoon(); });
}

void Shell::createTabActions()
{
    QTabWidget *tabs = d->form->pageTabs;
    connect(tabs, &QTabWidget::currentChanged, this, &Shell::showTab);
    connect(tabs, &QTabWidget::tabCloseRequested, this, &Shell::closeTab);
    connect(tabs->tabBar(), &QTabBar::tabMoved, this, [this] { writeSessionSoon(); });
    new MiddleClickCloses(tabs->tabBar(), [this](int tab) { closeTab(tab); });

    struct Row
    {
        const char *name;
        const char *text;
        QList<QKeySequence> keys;
        std::function<void()> run;
    };
    const Row rows[] = {
        {"Shell/NewTab",
         QT_TR_NOOP("New Tab"),
         {QKeySequence(Qt::CTRL | Qt::Key_T)},
         [this] { newTab(); }},
        {"Shell/CloseTab",
         QT_TR_NOOP("Close Tab"),
         {QKeySequence(Qt::CTRL | Qt::Key_W)},
         [this] { closeTab(currentTab()); }},
        {"Shell/NextTab",
         QT_TR_NOOP("Next Tab"),
         {QKeySequence(Qt::CTRL | Qt::Key_Tab), QKeySequence(Qt::CTRL | Qt::Key_PageDown)},
         [this] { stepTab(1); }},
        {"Shell/PreviousTab",
         QT_TR_NOOP("Previous Tab"),
         {QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
          QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Backtab),
          QKeySequence(Qt::CTRL | Qt::Key_PageUp)},
         [this] { stepTab(-1); }},
    };
    for (const Row &row : rows) {
        QAction *action = Action::create(tr(row.text), row.name, 0, nullptr, nullptr);
        action->setShortcuts(row.keys);
        connect(action, &QAction::triggered, this, row.run);
        addAction(action);
    }
}

// The tab that became current comes to the front, laid out again if it has
// to be; then the one before goes to the background, so that its page
// joining the kept ones cannot push out the page coming to the front.
void Shell::showTab(int tab)
{
    PageBrowser *view = pageViewAt(tab);
    if (!view || view == d->front)
        return;
    const QPointer<PageBrowser> before = d->front;
    d->front = view;
    d->form->browser = view;
    d->openedBehind = 0;
    // Find in page starts again on the page now shown.
    d->searchParagraph = 0;
    d->searchIndex = 0;
    const bool deferred = view->isPageDeferred();
    view->setInFront(true);
    if (before)
        before->setInFront(false);
    // A page laid out on the way said so through sourceChanged.
    if (!deferred)
        d->form->captionLabel->setText(view->title());
    updateHistoryButtons();
    // Which tab is current may wait a second: the store syncs to the disk,
    // and a switch is to be painted within a frame.
    writeSessionSoon();
}

void Shell::updateHistoryButtons()
{
    PageBrowser *view = d->form->browser;
    if (QAction *back = Action::find(QStringLiteral("Shell/Back")))
        back->setEnabled(view->isBackwardAvailable());
    if (QAction *forward = Action::find(QStringLiteral("Shell/Forward")))
        forward->setEnabled(view->isForwardAvailable());
}

void Shell::newTab()
{
    PageBrowser *view = createPageView();
    QTabWidget *tabs = d->form->pageTabs;
    tabs->setCurrentIndex(tabs->addTab(view, QString()));
    load(QString::fromLatin1(docnames::startPage));
    writeSession();
}

void Shell::openInNewTab(const QString &name, bool behind)
{
    openFirstPages();
    const PageName parts = splitPageName(name);
    if (name.trimmed().isEmpty())
        return;
    if (!hasPage(parts.page) && isWebLink(name)) {
        load(name);
        return;
    }
    QTabWidget *tabs = d->form->pageTabs;
    PageBrowser *view = createPageView();
    if (behind) {
        // Tabs opened from one page line up after it in the order opened.
        const int at = currentTab() + 1 + d->openedBehind++;
        const QString title = pageTitle(view->pageSource()->text(parts.page));
        view->setDeferredSource(QUrl(name), 0, title);
        tabs->insertTab(at, view, QString());
        showPageTitle(view);
    } else {
        tabs->setCurrentIndex(tabs->insertTab(currentTab() + 1, view, QString()));
        openName(name);
        // A name that leads nowhere leaves the tab on the start page.
        if (view->source().isEmpty())
            load(QString::fromLatin1(docnames::startPage));
    }
    writeSession();
}

void Shell::closeTab(int tab)
{
    QTabWidget *tabs = d->form->pageTabs;
    PageBrowser *view = pageViewAt(tab);
    if (!view)
        return;
    // The last tab stays, on the start page.
    if (tabs->count() == 1) {
        load(QString::fromLatin1(docnames::startPage));
        return;
    }
    // Closing the current tab makes its neighbour current first.
    tabs->removeTab(tab);
    if (d->front == view)
        showTab(currentTab());
    delete view;
    writeSession();
}

void Shell::stepTab(int step)
{
    QTabWidget *tabs = d->form->pageTabs;
    if (tabs->count() > 1)
        tabs->setCurrentIndex((currentTab() + step + tabs->count()) % tabs->count());
}

void Shell::showPageTitle(PageBrowser *view)
{
    QTabWidget *tabs = d->form->pageTabs;
    const int tab = tabs->indexOf(view);
    if (tab < 0)
        return;
    const QString title = view->title();
    const QString shown = tabTitle(title, view->page());
    tabs->setTabText(tab, shown);
    tabs->setTabToolTip(tab, title.isEmpty() ? view->page() : title);
    // A screen reader hears which tab a close button closes.
    if (QWidget *close = tabs->tabBar()->tabButton(tab, QTabBar::RightSide)) {
        close->setAccessibleName(tr("Close Tab"));
        close->setAccessibleDescription(
            tr("Closes %1").arg(QString(shown).replace(QLatin1String("&&"), QLatin1String("&"))));
    }
}

// The tabs the last window left, the current one shown and the others laid
// out when first shown, so a start takes no longer with more tabs; else the
// start page.
void Shell::restoreSession(Start start, const QString &firstName)
{
    d->sessionTimer = new QTimer(this);
    d->sessionTimer->setSingleShot(true);
    d->sessionTimer->setInterval(1000);
    connect(d->sessionTimer, &QTimer::timeout, this, &Shell::writeSession);

    const QString startPage = QString::fromLatin1(docnames::startPage);
    d->form->browser->setHome(QUrl(startPage));
    if (start == Start::Fresh) {
        d->writesSession = false;
        showFirstPage(firstName);
        return;
    }
    const Session session =
        Session::read(*d->settings, [](const QString &page) { return hasPage(page); });
    if (session.tabs.isEmpty()) {
        showFirstPage(firstName);
        return;
    }
    // Tabs are added in the background, then the stored current one comes
    // to the front; writing waits until all are there.
    d->writesSession = false;
    QTabWidget *tabs = d->form->pageTabs;
    PageBrowser *first = d->form->browser;
    first->setInFront(false);
    for (int i = 0; i < session.tabs.size(); ++i) {
        const SessionTab &tab = session.tabs.at(i);
        PageBrowser *view = i == 0 ? first : createPageView();
        view->setDeferredSource(QUrl(tab.name), tab.scroll, tab.title);
        if (i > 0)
            tabs->addTab(view, QString());
        showPageTitle(view);
    }
    d->front = nullptr;
    tabs->setCurrentIndex(session.current);
    showTab(session.current);
    d->writesSession = true;
    if (!firstName.isEmpty())
        openName(firstName);
}

void Shell::setVisible(bool visible)
{
    QMainWindow::setVisible(visible);
    if (!visible || !d->firstPagesWaiting)
        return;
    // Shown: the window system has the window to map now, and the first
    // pages parse while it does, ahead of the expose that paints them. The
    // backing store that paint fills is faulted in beside the parse.
    const BackingStoreWarmup warmup(this);
    openFirstPages();
}

void Shell::openFirstPages()
{
    if (!std::exchange(d->firstPagesWaiting, false))
        return;
    // As a window that opens its pages while built starts them.
    d->writesSession = true;
    restoreSession(d->waitingFresh ? Start::Fresh : Start::RestoringSession,
                   std::exchange(d->waitingFirstName, QString()));
    traceStart("session");
}

void Shell::showFirstPage(const QString &firstName)
{
    const QString startPage = QString::fromLatin1(docnames::startPage);
    if (firstName.isEmpty()) {
        load(startPage);
        return;
    }
    // Parsing the start page first would cost the named page's first screen
    // the time the start page takes, for a page the reader may never see.
    const Lookup found = lookUpName(firstName);
    const bool opensPage = found.kind == Lookup::Page || found.kind == Lookup::Entry
        || found.kind == Lookup::FirstMatch;
    if (opensPage && splitPageName(found.target).page != startPage) {
        d->form->browser->setUnshownSource(QUrl(startPage));
        openFound(firstName, found);
        // Should it have opened nothing after all, the start page shows.
        if (d->form->browser->isPageDeferred())
            load(startPage);
        return;
    }
    load(startPage);
    openFound(firstName, found);
}

void Shell::writeSession()
{
    // A window closed before its first pages opened has no session of its
    // own to write, and keeps the stored one.
    if (!d->sessionTimer)
        return;
    d->sessionTimer->stop();
    if (!d->writesSession || d->savesOnlyBookmarks)
        return;
    // One tab is the window as it always was: the next start opens on the
    // start page, and the store holds nothing of it.
    if (tabCount() == 1) {
        if (Session::remove(*d->settings))
            d->settings->sync();
        return;
    }
    Session session;
    for (int i = 0; i < tabCount(); ++i) {
        const PageBrowser *view = pageViewAt(i);
        const QString name =
            view->loadedName().isEmpty() ? view->source().toString() : view->loadedName();
        session.tabs.append({name, view->scrollPosition(), view->title()});
    }
    session.current = currentTab();
    session.write(*d->settings);
    d->settings->sync();
}

// Pages and positions change often; the session follows within a second.
void Shell::writeSessionSoon()
{
    if (d->sessionTimer && !d->sessionTimer->isActive() && d->writesSession)
        d->sessionTimer->start();
}

} // namespace tarn
