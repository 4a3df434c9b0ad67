// Velmora: the main window: construction and the window-wide record.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "action.h"
#include "hithighlight.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "searchbar.h"
#include "searchfield.h"
#include "shell_p.h"
#include "shellinstance.h"
#include "utils.h"
#include "versions.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QHeaderView>
#include <QKeyEvent>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMenu>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

namespace tarn {

namespace {

Shell *theShell = nullptr;

// Return on an index entry opens it, without the double-click behaviour of
// itemActivated and without touching the members list.
class ReturnOpensItem : public QObject
{
public:
    ReturnOpensItem(Shell *shell, QTreeWidget *view)
        : QObject(view)
        , m_shell(shell)
        , m_view(view)
    {
        view->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == m_view && event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent *>(event)->key();
            if ((key == Qt::Key_Return || key == Qt::Key_Enter) && m_view->currentItem()) {
                m_shell->itemClicked(m_view->currentItem());
                return true;
            }
        }
        return false;
    }

private:
    Shell *m_shell;
    QTreeWidget *m_view;
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

int readInt(QSettings *settings, const QString &key, int def)
{
    bool ok = false;
    const int value = settings->value(key, def).toInt(&ok);
    return ok ? value : def;
}

} // namespace

Shell *Shell::instance()
{
    return theShell;
}

Shell::Shell(QWidget *parent, const char *name)
    : QMainWindow(parent)
    , d(new ShellPrivate)
{
    setObjectName(QString::fromLatin1(name));
    theShell = this;
    setShellInstance(this);

    d->settings = new QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
    setWindowIcon(Utils::icon(QStringLiteral("velmora-48")));

    d->form = new MainWidget(this);
    setCentralWidget(d->form);
    MainWidget *form = d->form;

    setUpListView(form->classesView, {1, 2});
    setUpListView(form->membersView, {1});
    setUpListView(form->indexView, {1, 2});
    setUpListView(form->bookmarksView, {1, 2});
    setUpListView(form->aboutView, {1, 2});
    form->aboutView->sortItems(2, Qt::AscendingOrder);
    form->aboutView->setSortingEnabled(true);
    form->bookmarksView->sortItems(0, Qt::AscendingOrder);
    form->bookmarksView->setSortingEnabled(true);

    // Text font: an empty stored description leaves the browser's own font,
    // one point larger.
    const QString textFont =
        d->settings->value(QStringLiteral("/velmora/font/f"), defaultTextFont()).toString();
    if (!textFont.isEmpty()) {
        QFont font;
        if (Utils::fontFromDescription(textFont, &font))
            form->browser->setFont(font);
        else
            form->browser->setFont(QFont(QStringLiteral("Gnu Unifont"), 11));
    } else {
        zoomIn();
    }
    // Only a family name is a choice. Anything else is damage, and goes from
    // the store too: nothing but the next choice would write over it.
    const QString fixedKey = QStringLiteral("/velmora/font/fixed");
    const QVariant fixedValue = d->settings->value(fixedKey);
    QString fixed;
    if (fixedValue.typeId() == QMetaType::QString && fixedValue.toString().size() <= 256)
        fixed = fixedValue.toString();
    else if (fixedValue.isValid())
        d->settings->remove(fixedKey);
    applyFixedFamily(fixed.isEmpty() ? QFontDatabase::systemFont(QFontDatabase::FixedFont).family()
                                     : fixed);

    restoreGeometryFromSettings();

    connect(form->browser, &QTextBrowser::anchorClicked, this,
            [this](const QUrl &url) { linkLoad(url.toString()); });
    connect(form->browser, &QTextBrowser::sourceChanged, this,
            [this](const QUrl &url) { sourceChanged(url.toString()); });
    connect(form->browser, qOverload<const QUrl &>(&QTextBrowser::highlighted), form->statusLabel,
            [form](const QUrl &url) { form->statusLabel->setText(url.toString()); });
    connect(form->indexLineEdit, &QLineEdit::textChanged, this, &Shell::jumpInIndex);
    connect(form->indexLineEdit, &QLineEdit::returnPressed, this, &Shell::loadFirstInIndex);
    for (QTreeWidget *view : {form->classesView, form->membersView, form->indexView,
                              form->bookmarksView, form->aboutView})
        connect(view, &QTreeWidget::itemClicked, this, &Shell::itemClicked);
    new ReturnOpensItem(this, form->indexView);
    form->bookmarksView->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(form->bookmarksView, &QWidget::customContextMenuRequested, this,
            [this, form](const QPoint &pos) {
                QTreeWidget *view = form->bookmarksView;
                QTreeWidgetItem *item = view->itemAt(pos);
                if (item)
                    view->setCurrentItem(item);
                itemRBClicked(item, view->viewport()->mapToGlobal(pos), view->columnAt(pos.x()));
            });

    createActions();

    readIndex();
    readContents();
    loadBookmarks();
    load(QStringLiteral("index.html"));

    d->timer = new QTimer(this);
    connect(d->timer, &QTimer::timeout, this, &Shell::timeout);
    d->timer->start(100);

    setWindowTitle(QLatin1String("Velmora: ") + programVersion()
                   + QLatin1String(", Documentation: ") + documentationVersion());
}

void Shell::createActions()
{
    MainWidget *form = d->form;
    auto *toolBar = new QToolBar(QStringLiteral("navToolbar"), form->toolbarFrame);
    toolBar->setObjectName(QStringLiteral("navToolbar"));
    toolBar->setMovable(false);
    toolBar->setFloatable(false);
    toolBar->setIconSize(QSize(22, 22));
    form->navToolbar = toolBar;
    toolBar->setFixedSize(form->toolbarFrame->size());

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
        {"Shell/Home", QT_TR_NOOP("Home"), (Qt::ALT | Qt::Key_Home).toCombined(), "Home",
         form->browser, SLOT(home())},
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
            action->setIcon(QIcon(Utils::icon(QString::fromLatin1(row.icon))));
        // Accelerators work wherever the focus is in the window, also for the
        // actions that have no button.
        addAction(action);
    }

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

    // The Font button opens its menu at once.
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

    add("Shell/FontLarger");
    toolBar->addSeparator();
    add("Shell/Print");
    toolBar->addSeparator();
    add("Shell/AddBookmark");
    auto *stretch = new QWidget(toolBar);
    stretch->setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Preferred);
    toolBar->addWidget(stretch);

    // Full-text search over every page, in a row of its own at the top.
    auto *searchBar = new SearchBar(this);
    addToolBar(Qt::TopToolBarArea, searchBar);
    connect(searchBar->field(), &SearchField::openRequested, this,
            [this](const QString &page, const QList<SearchTerm> &terms) {
                linkLoad(page);
                highlightHits(d->form->browser, terms);
            });

    for (const char *name :
         {"Shell/Back", "Shell/Home", "Shell/Forward", "Shell/FontSelect", "Shell/Print"}) {
        if (Action *action = Action::find(QString::fromLatin1(name)))
            action->showTextLabel();
    }

    QAction *forwardAction = Action::find(QStringLiteral("Shell/Forward"));
    QAction *backAction = Action::find(QStringLiteral("Shell/Back"));
    connect(form->browser, &QTextBrowser::forwardAvailable, forwardAction, &QAction::setEnabled);
    connect(form->browser, &QTextBrowser::backwardAvailable, backAction, &QAction::setEnabled);
    forwardAction->setEnabled(false);
    backAction->setEnabled(false);

    d->bookmarkMenu = new QMenu(this);
    d->bookmarkMenu->addAction(
        Action::create(tr("Rename Label"), "Bookmarks/Rename", 0, this, SLOT(renameBookmark())));
    d->bookmarkMenu->addAction(
        Action::create(tr("Delete Bookmark"), "Bookmarks/Delete", 0, this, SLOT(deleteBookmark())));
}

void Shell::restoreGeometryFromSettings()
{
    QSettings *s = d->settings;
    int x = readInt(s, QStringLiteral("/velmora/geom/x"), 50);
    int y = readInt(s, QStringLiteral("/velmora/geom/y"), 50);
    int w = readInt(s, QStringLiteral("/velmora/geom/w"), 900);
    int h = readInt(s, QStringLiteral("/velmora/geom/h"), 700);
    int s1 = readInt(s, QStringLiteral("/velmora/geom/s1"), 280);
    int s2 = readInt(s, QStringLiteral("/velmora/geom/s2"), 620);
    const int tab = readInt(s, QStringLiteral("/velmora/geom/t"), 3);

    // A size below the window's minimum, or beyond any sane screen, falls
    // back to the default; so does a pane the splitter could not show.
    const QSize minimum = minimumSizeHint().expandedTo(QSize(200, 150));
    if (w < minimum.width() || w > 16384)
        w = 900;
    if (h < minimum.height() || h > 16384)
        h = 700;
    if (s1 <= 0 || s1 > 16384)
        s1 = 280;
    if (s2 <= 0 || s2 > 16384)
        s2 = 620;

    // A position that no screen shows moves onto the primary screen. One far
    // beyond any desktop is off-screen without asking: the rectangle's edges
    // would not even fit an int.
    const int farAway = 1 << 20;
    const QRect wanted =
        x > -farAway && x < farAway && y > -farAway && y < farAway ? QRect(x, y, w, h) : QRect();
    bool visible = false;
    for (const QScreen *screen : QGuiApplication::screens()) {
        if (wanted.isNull())
            break;
        if (screen->availableGeometry().intersected(wanted).width() >= 50
            && screen->availableGeometry().contains(QPoint(x + 20, y + 10))) {
            visible = true;
            break;
        }
    }
    if (!visible) {
        if (const QScreen *primary = QGuiApplication::primaryScreen()) {
            const QRect area = primary->availableGeometry();
            x = area.x() + 50;
            y = area.y() + 50;
        } else {
            x = 50;
            y = 50;
        }
    }

    move(x, y);
    resize(w, h);
    // Lay the hidden window out now, so the splitter has its real width when
    // it takes the stored pane sizes.
    if (layout())
        layout()->activate();
    if (d->form->layout())
        d->form->layout()->activate();
    // The left pane keeps its stored width exactly; the browser takes the
    // rest, which differs from s2 only by the handle and frames.
    QSplitter *splitter = d->form->splitter;
    const int room = splitter->width() - splitter->handleWidth();
    if (room > s1 + 50)
        s2 = room - s1;
    splitter->setSizes({s1, s2});
    if (QWidget *page = d->form->leftTabs->widget(tab))
        d->form->leftTabs->setCurrentWidget(page);
}

} // namespace tarn
