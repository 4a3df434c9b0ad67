// Velmora: the main window: construction and the window-wide record.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "action.h"
#include "docnames.h"
#include "exposure.h"
#include "hithighlight.h"
#include "indexmodel.h"
#include "listreader.h"
#include "lookup.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "pagename.h"
#include "searchbar.h"
#include "searchfield.h"
#include "shell_p.h"
#include "shellinstance.h"
#include "starttrace.h"
#include "utils.h"
#include "versions.h"

#include <QApplication>
#include <QCoreApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMouseEvent>
#include <QPixmap>
#include <QScrollBar>
#include <QSettings>
#include <QShowEvent>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <functional>
#include <utility>

namespace tarn {

namespace {

// Return (or Enter) on the current row of a list opens it, without the
// double-click behaviour of activated().
class ReturnOpensRow : public QObject
{
public:
    using Open = std::function<void(const QModelIndex &)>;

    ReturnOpensRow(QAbstractItemView *view, Open open)
        : QObject(view)
        , m_view(view)
        , m_open(std::move(open))
    {
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_view && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter)
                && m_view->currentIndex().isValid()) {
                m_open(m_view->currentIndex());
                return true;
            }
        }
        return false;
    }

private:
    QAbstractItemView *m_view;
    Open m_open;
};

// The keys that move through a list, typed into the Index field, go to the
// Index list: the field keeps the focus, the list's choice moves.
class IndexFieldKeys : public QObject
{
public:
    IndexFieldKeys(QLineEdit *field, QListView *list)
        : QObject(field)
        , m_list(list)
    {
        field->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::KeyPress)
            return false;
        switch (static_cast<QKeyEvent *>(event)->key()) {
        case Qt::Key_Up:
        case Qt::Key_Down:
        case Qt::Key_PageUp:
        case Qt::Key_PageDown:
            QCoreApplication::sendEvent(m_list, event);
            return true;
        default:
            return false;
        }
    }

private:
    QListView *m_list;
};

// A middle click on a row of a list opens it elsewhere (in a new tab); a
// list view itself answers only the left button.
class MiddleClickOpens : public QObject
{
public:
    using Open = std::function<void(const QModelIndex &)>;

    MiddleClickOpens(QAbstractItemView *view, Open open)
        : QObject(view)
        , m_view(view)
        , m_open(std::move(open))
    {
        view->viewport()->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() != QEvent::MouseButtonPress
            && event->type() != QEvent::MouseButtonRelease)
            return false;
        const auto *mouse = static_cast<QMouseEvent *>(event);
        if (mouse->button() != Qt::MiddleButton)
            return false;
        const QModelIndex index = m_view->indexAt(mouse->position().toPoint());
        if (event->type() == QEvent::MouseButtonPress) {
            m_pressed = index;
        } else if (index.isValid() && index == m_pressed) {
            m_open(index);
        }
        return true;
    }

private:
    QAbstractItemView *m_view;
    Open m_open;
    QPersistentModelIndex m_pressed;
};

// A row as wide as the list, its name cut with "..." where the list is
// narrower: a list view never makes a row narrower than the row's own hint.
class FullWidthRows : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    QSize sizeHint(const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        return {1, QStyledItemDelegate::sizeHint(option, index).height()};
    }
};

void setUpListView(QTreeWidget *view, std::initializer_list<int> hiddenColumns)
{
    view->header()->hide();
    view->header()->setStretchLastSection(false);
    view->setRootIsDecorated(false);
    view->setUniformRowHeights(true);
    for (const int column : hiddenColumns)
        view->setColumnHidden(column, true);
}

} // namespace

Shell *Shell::instance()
{
    return qobject_cast<Shell *>(shellInstance());
}

Shell::Shell(QWidget *parent, const char *name, Start start, const QString &firstName,
             Opening opening)
    : QMainWindow(parent)
    , d(new ShellPrivate)
{
    setObjectName(QString::fromLatin1(name));
    // The action factory parents every action to this window.
    setShellInstance(this);
    d->settings = new QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
    d->restored = SavedState::read(*d->settings);

    createForm();
    traceStart("form");
    restoreFonts();
    restoreTheme();
    restoreGeometry();
    traceStart("restored");
    connectForm();
    connectLists();
    createActions();
    traceStart("window-built");
    readIndex();
    createIndexFilters();
    readContents();
    loadBookmarks();
    traceStart("lists-filled");
    layOutBeforeShow();
    traceStart("laid-out");
    if (opening == Opening::OnShow) {
        d->firstPagesWaiting = true;
        d->waitingFresh = start == Start::Fresh;
        d->waitingFirstName = firstName;
        d->writesSession = false;
    } else {
        restoreSession(start, firstName);
        traceStart("session");
    }
    startLayoutTimer();
    afterFirstPaint(this, [this] {
        d->painted = true;
        if (std::exchange(d->marksWaiting, false)) {
            if (d->indexModel->hasDetails())
                markMembers();
            else
                markMembersSoon();
        }
    });
    nameControls();
    setWindowTitle(QLatin1String("Velmora: ") + programVersion()
                   + QLatin1String(", Documentation: ") + documentationVersion());
}

void Shell::createForm()
{
    // Every size the window system may ask for, each also drawn at 2x.
    setWindowIcon(Utils::iconSet({QStringLiteral("velmora-16"), QStringLiteral("velmora-22"),
                                  QStringLiteral("velmora-32"), QStringLiteral("velmora-48")}));
    d->form = new MainWidget(this);
    setCentralWidget(d->form);
    MainWidget *form = d->form;
    setUpListView(form->classesView, {1, 2});
    setUpListView(form->membersView, {1});
    d->indexModel = new IndexModel(this);
    form->indexView->setModel(d->indexModel);
    form->indexView->setIconSize(QSize(16, 16));
    form->indexView->setItemDelegate(new IndexRowDelegate(form->indexView));
    form->indexView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    setUpListView(form->bookmarksView, {1, 2});
    setUpListView(form->aboutView, {1, 2});
    // Every tab's view keeps its laid-out pages under one budget.
    d->keptDocuments = form->browser->keptDocuments();
    d->front = form->browser;
    form->aboutView->sortItems(2, Qt::AscendingOrder);
    form->aboutView->setSortingEnabled(true);
    form->bookmarksView->sortItems(0, Qt::AscendingOrder);
    form->bookmarksView->setSortingEnabled(true);
}

void Shell::connectForm()
{
    MainWidget *form = d->form;
    connectPageView(form->browser);
    createTabActions();
    connect(form->indexLineEdit, &QLineEdit::textChanged, this, &Shell::jumpInIndex);
    // Return opens the row the reader moved to with the arrow keys, else the
    // first, which a keystroke always chooses.
    connect(form->indexLineEdit, &QLineEdit::returnPressed, this, [this, form] {
        const QModelIndex current = form->indexView->currentIndex();
        if (current.isValid())
            openIndexRow(current.row());
        else
            loadFirstInIndex();
    });
    // Up, Down and the page keys in the Index field move through the list;
    // choosing the Index tab puts the cursor in its field.
    new IndexFieldKeys(form->indexLineEdit, form->indexView);
    connect(form->leftTabs, &QTabWidget::currentChanged, this, [form](int tab) {
        if (form->leftTabs->widget(tab) == form->tab_2)
            form->indexLineEdit->setFocus(Qt::TabFocusReason);
    });
    form->bookmarksView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(form->bookmarksView, &QWidget::customContextMenuRequested, this,
            [this, form](const QPoint &pos) {
                QTreeWidget *view = form->bookmarksView;
                QTreeWidgetItem *item = view->itemAt(pos);
                if (item)
                    view->setCurrentItem(item);
                itemRBClicked(item, view->viewport()->mapToGlobal(pos), view->columnAt(pos.x()));
            });
}

// Clicks and Return on the lists open their entries in the current tab; a
// middle click opens one in a new tab behind it.
void Shell::connectLists()
{
    MainWidget *form = d->form;
    for (QTreeWidget *view :
         {form->classesView, form->membersView, form->bookmarksView, form->aboutView}) {
        connect(view, &QTreeWidget::itemClicked, this, &Shell::itemClicked);
        // Return on a row is a click on it, with the click's sender, so a
        // class opened by key shows its members too.
        new ReturnOpensRow(view, [view](const QModelIndex &index) {
            if (QTreeWidgetItem *item = view->itemFromIndex(index))
                Q_EMIT view->itemClicked(item, 0);
        });
        new MiddleClickOpens(view, [this, view](const QModelIndex &index) {
            if (QTreeWidgetItem *item = view->itemFromIndex(index))
                openInNewTab(item->text(1), true);
        });
    }
    connect(form->indexView, &QListView::clicked, this,
            [this](const QModelIndex &index) { openIndexRow(index.row()); });
    new ReturnOpensRow(form->indexView,
                       [this](const QModelIndex &index) { openIndexRow(index.row()); });
    new MiddleClickOpens(form->indexView, [this](const QModelIndex &index) {
        openInNewTab(index.data(IndexModel::TargetRole).toString(), true);
    });
}

// The actions by area; each adds its keys to the window, so they work
// wherever the focus is.
void Shell::createActions()
{
    createNavigationActions();
    createToolBar();
    createFontMenu();
    createSearchBar();
    createBookmarkMenu();
    createKeyboardActions();
}

void Shell::createNavigationActions()
{
    struct Row
    {
        const char *name;
        const char *text;
        int accel;
        const char *icon;
        QObject *receiver;
        const char *slot;
    };
    const Row rows[] = {
        {"Shell/Panel", QT_TR_NOOP("Hide/Show Left Panel"), Qt::Key_F9, "leftpanel", this,
         SLOT(panel())},
        {"Shell/Back", QT_TR_NOOP("Back"), (Qt::ALT | Qt::Key_Left).toCombined(), "Back", this,
         SLOT(backward())},
        {"Shell/Home", QT_TR_NOOP("Home"), (Qt::ALT | Qt::Key_Home).toCombined(), "Home", nullptr,
         nullptr},
        {"Shell/Forward", QT_TR_NOOP("Forward"), (Qt::ALT | Qt::Key_Right).toCombined(), "Forward",
         this, SLOT(forward())},
        {"Shell/Search", QT_TR_NOOP("Search"), (Qt::CTRL | Qt::Key_F).toCombined(), "find", this,
         SLOT(search())},
        {"Shell/SearchNext", QT_TR_NOOP("Search Next"), Qt::Key_F3, nullptr, this,
         SLOT(searchNext())},
        {"Shell/FontSmaller", QT_TR_NOOP("Zoom Out"), (Qt::ALT | Qt::Key_Minus).toCombined(),
         "textsmaller", this, SLOT(zoomOut())},
        {"Shell/FontSelect", QT_TR_NOOP("Font"), (Qt::ALT | Qt::Key_F).toCombined(), "textteletext",
         this, SLOT(fontSelect())},
        {"Shell/FontLarger", QT_TR_NOOP("Zoom In"), (Qt::ALT | Qt::Key_Equal).toCombined(),
         "textlarger", this, SLOT(zoomIn())},
        {"Shell/Print", QT_TR_NOOP("Print"), (Qt::ALT | Qt::Key_P).toCombined(), "Print", this,
         SLOT(print())},
        {"Shell/AddBookmark", QT_TR_NOOP("Add Bookmark"), (Qt::ALT | Qt::Key_B).toCombined(),
         "addBookmark", this, SLOT(addBookmark())},
    };
    for (const Row &row : rows) {
        QAction *action = Action::create(tr(row.text), row.name, row.accel, row.receiver, row.slot);
        if (row.icon)
            action->setIcon(Utils::iconSet(QString::fromLatin1(row.icon)));
        // Accelerators work wherever the focus is in the window, also for the
        // actions that have no button.
        addAction(action);
    }

    // Home goes to the current tab's first page.
    connect(Action::find(QStringLiteral("Shell/Home")), &QAction::triggered, this,
            [this] { d->form->browser->home(); });
}

void Shell::createToolBar()
{
    MainWidget *form = d->form;
    auto *toolBar = new QToolBar(QStringLiteral("navToolbar"), form->toolbarFrame);
    toolBar->setObjectName(QStringLiteral("navToolbar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setIconSize(QSize(22, 22));
    form->navToolbar = toolBar;
    toolBar->setFixedSize(form->toolbarFrame->size());

    auto add = [toolBar](const char *name) {
        if (Action *action = Action::find(QString::fromLatin1(name)))
            action->addTo(toolBar);
    };
    add("Shell/Panel");
    toolBar->addSeparator();
    add("Shell/Back");
    add("Shell/Home");
    add("Shell/Forward");
    toolBar->addSeparator();
    add("Shell/Search");
    toolBar->addSeparator();
    add("Shell/FontSmaller");
    add("Shell/FontSelect");
    add("Shell/FontLarger");
    toolBar->addSeparator();
    add("Shell/Print");
    toolBar->addSeparator();
    add("Shell/AddBookmark");
    auto *stretch = new QWidget(toolBar);
    stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar->addWidget(stretch);

    for (const char *name :
         {"Shell/Back", "Shell/Home", "Shell/Forward", "Shell/FontSelect", "Shell/Print"}) {
        if (Action *action = Action::find(QString::fromLatin1(name)))
            action->showTextLabel();
    }
    // Back and Forward are enabled while the current tab has somewhere to go.
    updateHistoryButtons();
}

// The Font button opens its menu at once.
void Shell::createFontMenu()
{
    Action *fontSelect = Action::find(QStringLiteral("Shell/FontSelect"));
    auto *fontButton = qobject_cast<QToolButton *>(fontSelect->toolButton());
    QAction *fontText =
        Action::create(tr("Text Font"), "Shell/FontText", 0, this, SLOT(fontSelect()));
    QAction *fontFixed =
        Action::create(tr("Fixed Font"), "Shell/FontFixed", 0, this, SLOT(fixedFontSelect()));
    if (fontButton) {
        auto *fontMenu = new QMenu(fontButton);
        fontButton->setMenu(fontMenu);
        fontButton->setPopupMode(QToolButton::InstantPopup);
        fontMenu->addAction(fontText);
        fontMenu->addAction(fontFixed);
    }
}

// Full-text search over every page, in a row of its own at the top.
void Shell::createSearchBar()
{
    auto *searchBar = new SearchBar(this);
    addToolBar(Qt::TopToolBarArea, searchBar);
    d->searchField = searchBar->field();
    // A reader who goes to the search is about to type a name.
    connect(qApp, &QApplication::focusChanged, this, [this](QWidget *, QWidget *now) {
        if (now && (now == d->searchField || d->searchField->isAncestorOf(now)))
            readLookupListsSoon();
    });
    // The Index's filters hold for the API a query names, and for the pages
    // of classes they hide.
    searchBar->field()->setNameSource([this](const QString &query) {
        return namedEntries(d->indexModel->table(), &readNameTable(), query,
                            d->indexModel->entryFilter());
    });
    searchBar->field()->setPageFilter([this](const QString &page) {
        IndexFilter versions = d->indexModel->entryFilter();
        versions.kinds = 0;
        if (!versions.isActive())
            return true;
        const int row = d->indexModel->tableRowOf(page);
        return row < 0 || versions.passes(d->indexModel->table().rows.at(row));
    });
    connect(searchBar->field(), &SearchField::openRequested, this,
            [this](const QString &page, const QList<SearchTerm> &terms) {
                // An entry of the API opens at its anchor, as from the Index.
                if (page.contains(u'#'))
                    d->anchorPending = true;
                linkLoad(page);
                // The hits may lie in any part of a long page.
                d->form->browser->finishPage();
                highlightHits(d->form->browser, terms,
                              page.contains(u'#') ? HitScroll::Stay : HitScroll::ToFirst);
            });
}

void Shell::createBookmarkMenu()
{
    d->bookmarkMenu = new QMenu(this);
    d->bookmarkMenu->addAction(
        Action::create(tr("Rename Label"), "Bookmarks/Rename", 0, this, SLOT(renameBookmark())));
    d->bookmarkMenu->addAction(
        Action::create(tr("Delete Bookmark"), "Bookmarks/Delete", 0, this, SLOT(deleteBookmark())));
}

// What every reader expects of the keyboard beyond the toolbar's keys: the
// zoom keys of other readers, a key to the Index, and keys for the selected
// bookmark that act only in the bookmark list (Delete typed elsewhere, in the
// Index field say, must never delete a bookmark).
void Shell::createKeyboardActions()
{
    MainWidget *form = d->form;
    Action::find(QStringLiteral("Shell/FontLarger"))
        ->setShortcuts({QKeySequence(Qt::ALT | Qt::Key_Equal),
                        QKeySequence(Qt::CTRL | Qt::Key_Plus),
                        QKeySequence(Qt::CTRL | Qt::Key_Equal)});
    Action::find(QStringLiteral("Shell/FontSmaller"))
        ->setShortcuts(
            {QKeySequence(Qt::ALT | Qt::Key_Minus), QKeySequence(Qt::CTRL | Qt::Key_Minus)});
    QAction *zoomReset = Action::create(tr("Normal Size"), "Shell/ZoomReset",
                                        (Qt::CTRL | Qt::Key_0).toCombined(), nullptr, nullptr);
    connect(zoomReset, &QAction::triggered, this, &Shell::resetZoom);
    addAction(zoomReset);

    QAction *toIndex = Action::create(tr("Go to the Index"), "Shell/IndexFocus",
                                      (Qt::CTRL | Qt::Key_I).toCombined(), nullptr, nullptr);
    connect(toIndex, &QAction::triggered, this, [form] {
        form->leftTabs->setCurrentWidget(form->tab_2);
        form->indexLineEdit->setFocus(Qt::ShortcutFocusReason);
        form->indexLineEdit->selectAll();
    });
    addAction(toIndex);

    QAction *rename = Action::create(tr("Rename Label"), "Bookmarks/RenameKey", Qt::Key_F2, this,
                                     SLOT(renameBookmark()));
    QAction *remove = Action::create(tr("Delete Bookmark"), "Bookmarks/DeleteKey", Qt::Key_Delete,
                                     this, SLOT(deleteBookmark()));
    for (QAction *action : {rename, remove}) {
        action->setShortcutContext(Qt::WidgetShortcut);
        form->bookmarksView->addAction(action);
    }
}

// Drawing a pixel of the hidden window lays it out as show() will: every
// layout activated, every widget given its size. The page view then lays
// the first page out once, at the width it is shown at, where it would lay
// it out at its default size and twice more while the window shows.
void Shell::layOutBeforeShow()
{
    QPixmap pixel(1, 1);
    render(&pixel, QPoint(), QRegion(0, 0, 1, 1), QWidget::RenderFlags());
}

void Shell::startLayoutTimer()
{
    d->timer = new QTimer(this);
    connect(d->timer, &QTimer::timeout, this, &Shell::timeout);
    d->timer->start(100);
}

// The toolbar and the columns get their fitted sizes before the first paint,
// so that the timer's first pass finds nothing to change on the screen.
void Shell::showEvent(QShowEvent *event)
{
    QMainWindow::showEvent(event);
    if (!event->spontaneous()) {
        if (layout())
            layout()->activate();
        timeout();
    }
}

// Keeps the toolbar as wide as its frame and every list's one column as wide
// as its view, as the panes are resized.
void Shell::timeout()
{
    MainWidget *form = d->form;
    if (form->navToolbar && form->navToolbar->size() != form->toolbarFrame->size())
        form->navToolbar->setFixedSize(form->toolbarFrame->size());

    const int scrollBar = form->indexView->verticalScrollBar()->sizeHint().width();
    auto fit = [](QTreeWidget *view, int width) {
        if (width > 0 && view->columnWidth(0) != width)
            view->setColumnWidth(0, width);
    };
    fit(form->bookmarksView, form->bookmarksView->width() - scrollBar);
    fit(form->classesView, form->classesView->width() - scrollBar);
    fit(form->membersView, form->classesView->width() - scrollBar);
    fit(form->aboutView, form->aboutView->width());
}

MainWidget *Shell::form() const
{
    return d->form;
}

PageBrowser *Shell::pageView() const
{
    return d->form->browser;
}

QString Shell::currentSource() const
{
    return d->form->browser->loadedName();
}

QString Shell::currentPage() const
{
    return splitPageName(currentSource()).page;
}

bool Shell::isAnchorPending() const
{
    return d->anchorPending;
}

int Shell::scrollValue() const
{
    return d->form->browser->verticalScrollBar()->value();
}

int Shell::backCount() const
{
    return d->form->browser->backwardHistoryCount();
}

int Shell::forwardCount() const
{
    return d->form->browser->forwardHistoryCount();
}

QMenu *Shell::bookmarkMenu() const
{
    return d->bookmarkMenu;
}

SearchDialog *Shell::searchDialog() const
{
    return d->searchDialog;
}

QString Shell::fixedFamily() const
{
    return d->fixedFamily;
}

void Shell::fillSearch(const QString &words)
{
    openFirstPages();
    if (auto *field = findChild<SearchField *>()) {
        field->setText(words);
        field->setFocus(Qt::OtherFocusReason);
        // No words: the empty field, waiting for them, with no hint over the page.
        if (!words.trimmed().isEmpty())
            field->searchNow();
    }
}

void Shell::serveRequest(const QString &name, const QString &search, bool openSearch, bool inNewTab)
{
    showNormal();
    raise();
    activateWindow();
    if (inNewTab)
        openInNewTab(name.isEmpty() ? QString::fromLatin1(docnames::startPage) : name);
    else if (!name.isEmpty())
        openName(name);
    if (openSearch || !search.isEmpty())
        fillSearch(search);
    d->form->browser->viewport()->repaint();
}

void Shell::setSavesOnlyBookmarks(bool only)
{
    d->savesOnlyBookmarks = only;
}

bool Shell::isLeftPanelShown() const
{
    return d->leftPanelShown;
}

} // namespace tarn
