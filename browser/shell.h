// Velmora: the main window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QMainWindow>

#include <functional>

class MainWidget;
class PageBrowser;
class QMenu;
class QPalette;
class QPrinter;
class QTreeWidgetItem;
class SearchDialog;
class ShellPrivate;

namespace tarn {

struct Bookmark;
struct Lookup;
struct EntryVersion;
struct IndexFilter;
enum class Theme;

// The one browser window. Its slots are declared in a fixed order, so that
// meta-object method offset + i is always the same slot; keep it that way.
class Shell : public QMainWindow
{
    Q_OBJECT

public:
    // Whether the window opens the tabs the last window left open (the one
    // window of a desktop session) or just its start page (a window opened
    // beside another, which leaves the session to that one).
    enum class Start { RestoringSession, Fresh };
    // When the window opens its first pages (the start page or the tabs the
    // session left, and `firstName`): while it is built, or only once show()
    // has put it on the screen, before it first paints. The second lets the
    // window system map and expose the window while the first page is
    // parsed; the first paint shows the page all the same. Whatever opens a
    // page before that (openName, openInNewTab, fillSearch, serveRequest)
    // opens the first pages first.
    enum class Opening { WhileBuilt, OnShow };

    // `firstName`, when given, is opened as openName does once the window
    // is built (a start on a named page). Where it opens in place of the
    // start page, the start page is only in the history behind it, laid out
    // when the reader goes Back to it.
    explicit Shell(QWidget *parent = nullptr, const char *name = nullptr,
                   Start start = Start::RestoringSession, const QString &firstName = QString(),
                   Opening opening = Opening::WhileBuilt);
    ~Shell() override;

    // The window being built or shown; null before the first constructor
    // starts and again once that window is destroyed.
    static Shell *instance();

    // What the window shows, for the code around it, tests and benchmarks.
    // These only look: every change goes through the slots below.
    MainWidget *form() const;
    // The current tab's page view; the form's browser is the same.
    PageBrowser *pageView() const;
    // The tabs, in the order shown, each a page view with its own history.
    int tabCount() const;
    int currentTab() const;
    PageBrowser *pageViewAt(int tab) const;
    // The current tab's page name last loaded or shown, anchor included, and
    // its page part.
    QString currentSource() const;
    QString currentPage() const;
    // Whether the next load of the page shown scrolls to its anchor (a list
    // entry asked for it).
    bool isAnchorPending() const;
    // The current page view's vertical scroll position.
    int scrollValue() const;
    // How many pages Back and Forward can go in the current tab.
    int backCount() const;
    int forwardCount() const;
    // The bookmark list's context menu.
    QMenu *bookmarkMenu() const;
    // Find in page's dialog; null until the first search.
    SearchDialog *searchDialog() const;
    // The family of "pre", "code" and "tt" text.
    QString fixedFamily() const;
    bool isLeftPanelShown() const;
    // What the Index's filters let through, and the same in words
    // ("Signals; up to Qt 6.3"), empty for no filter.
    IndexFilter indexFilter() const;
    QString indexFilterSummary() const;

    // Prints the page shown onto a printer that is ready to paint.
    void printDocument(QPrinter *printer);
    // Gives "pre", "code" and "tt" the fixed-pitch family.
    void applyFixedFamily(const QString &family);
    // Opens what a name given from outside leads to: a page ("qstring.html"),
    // an index entry ("QString", "arg (QString)"), a member ("QString::arg"),
    // or the first match the Index shows for it; the Index tab shows the
    // name as its filter. A name nothing matches leaves the Index filtered
    // to it and says so on the status line.
    void openName(const QString &name);
    // What openName finds for a name, and opening what it found.
    Lookup lookUpName(const QString &name) const;
    void openFound(const QString &name, const Lookup &found);
    // Opens a name as openName does, in a tab of its own: shown at once, or
    // behind the current tab (a link's middle click), to be laid out when it
    // is first shown. A web link goes to the system browser instead.
    void openInNewTab(const QString &name, bool behind = false);
    // Puts words into the full-text search and searches at once; with no
    // words, empties the field and puts the cursor in it.
    void fillSearch(const QString &words);
    // What a later start asked for: the window comes up front, opens the
    // name (in a new tab if asked) and fills the search (shows it empty with
    // `openSearch` and no words), and has painted the page on return.
    void serveRequest(const QString &name, const QString &search, bool openSearch = false,
                      bool inNewTab = false);
    // The page theme chosen (System, Light, Dark), and whether it shows the
    // pages dark now.
    Theme theme() const;
    bool showsDarkPages() const;
    // Gives a page view the window's look (the dark style sheet, the plate
    // behind images): every page view of the window gets it here.
    void applyPageLook(PageBrowser *view) const;

    // A window opened beside another keeps only its bookmarks (merged with
    // what the other wrote) when it closes: the other owns the rest.
    void setSavesOnlyBookmarks(bool only);

    void setVisible(bool visible) override;

public Q_SLOTS:
    // shell_fonts.cpp
    void panel();
    // shell_pages.cpp
    void load(const QString &name);
    void linkLoad(const QString &name);
    void sourceChanged(const QString &name);
    // shell_lists.cpp
    void jumpInIndex(const QString &text);
    void loadFirstInIndex();
    void loadMembers(QTreeWidgetItem *item);
    void itemClicked(QTreeWidgetItem *item);
    // shell_bookmarks.cpp
    void itemRBClicked(QTreeWidgetItem *item, const QPoint &pos, int column);
    // shell_pages.cpp
    void forward();
    void backward();
    // shell_search.cpp
    void search();
    void search(bool next);
    void searchNext();
    // shell_fonts.cpp
    void zoomIn();
    void fontSelect();
    void fixedFontSelect();
    void zoomOut();
    // shell_print.cpp
    void print();
    // shell_fonts.cpp
    void options();
    // shell_bookmarks.cpp
    void addBookmark();
    void renameBookmark();
    void deleteBookmark();
    // shell.cpp
    void timeout();

private:
    // shell.cpp
    void createForm();
    void connectForm();
    void connectLists();
    void createActions();
    void createNavigationActions();
    void createToolBar();
    void createFontMenu();
    void createSearchBar();
    void createBookmarkMenu();
    void createKeyboardActions();
    void layOutBeforeShow();
    void startLayoutTimer();
    // shell_tabs.cpp
    PageBrowser *createPageView();
    void connectPageView(PageBrowser *view);
    void createTabActions();
    void showTab(int tab);
    void newTab();
    void closeTab(int tab);
    void stepTab(int step);
    void showPageTitle(PageBrowser *view);
    void updateHistoryButtons();
    void restoreSession(Start start, const QString &firstName);
    // The first pages, where they wait for show(); once.
    void openFirstPages();
    // The start page in the first tab; or the first name, when it opens a
    // page of its own, with the start page behind it unparsed.
    void showFirstPage(const QString &firstName);
    void writeSession();
    void writeSessionSoon();
    // shell_state.cpp
    void restoreFonts();
    void restoreGeometry();
    void saveState();
    // shell_access.cpp
    void nameControls();
    // shell_theme.cpp
    void restoreTheme();
    void chooseTheme(Theme theme);
    void applyTheme(Theme theme);
    QPalette lightPalette() const;
    // shell_fonts.cpp
    void setPageFont(const QFont &font);
    void resetZoom();
    // shell_lists.cpp
    void readIndex();
    void readLookupListsSoon();
    void openIndexRow(int row);
    void readContents();
    void markMembers();
    void markMembersSoon();
    void markMembers(const std::function<EntryVersion(const QString &target)> &versionOf);
    // shell_filters.cpp
    void createIndexFilters();
    void applyIndexFilter(bool chosen);
    // shell_bookmarks.cpp
    void loadBookmarks();
    QList<Bookmark> shownBookmarks() const;
    QList<Bookmark> mergedBookmarks(QList<Bookmark> stored) const;
    void changeStoredBookmarks(const std::function<void(QList<Bookmark> &)> &change);

protected:
    void showEvent(QShowEvent *event) override;

private:
    ShellPrivate *d;
};

} // namespace tarn
