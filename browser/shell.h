// Velmora: the main window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QMainWindow>

#include <functional>

class MainWidget;
class PageBrowser;
class QMenu;
class QPrinter;
class QTreeWidgetItem;
class SearchDialog;
class ShellPrivate;

namespace tarn {

struct Bookmark;

// The one browser window. Its slots are declared in a fixed order, so that
// meta-object method offset + i is always the same slot; keep it that way.
class Shell : public QMainWindow
{
    Q_OBJECT

public:
    explicit Shell(QWidget *parent = nullptr, const char *name = nullptr);
    ~Shell() override;

    // The window being built or shown; null before the first constructor
    // starts and again once that window is destroyed.
    static Shell *instance();

    // What the window shows, for the code around it, tests and benchmarks.
    // These only look: every change goes through the slots below.
    MainWidget *form() const;
    PageBrowser *pageView() const;
    // The page name last loaded or shown, anchor included, and its page part.
    QString currentSource() const;
    QString currentPage() const;
    // Whether the next load of the page shown scrolls to its anchor (a list
    // entry asked for it).
    bool isAnchorPending() const;
    // The page view's vertical scroll position.
    int scrollValue() const;
    // How many pages Back and Forward can go.
    int backCount() const;
    int forwardCount() const;
    // The bookmark list's context menu.
    QMenu *bookmarkMenu() const;
    // Find in page's dialog; null until the first search.
    SearchDialog *searchDialog() const;
    // The family of "pre", "code" and "tt" text.
    QString fixedFamily() const;
    bool isLeftPanelShown() const;

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
    // Puts words into the full-text search and searches at once; with no
    // words, empties the field and puts the cursor in it.
    void fillSearch(const QString &words);
    // What a later start asked for: the window comes up front, opens the
    // name and fills the search (shows it empty with `openSearch` and no
    // words), and has painted the page on return.
    void serveRequest(const QString &name, const QString &search, bool openSearch = false);
    // A window opened beside another keeps only its bookmarks (merged with
    // what the other wrote) when it closes: the other owns the rest.
    void setSavesOnlyBookmarks(bool only);

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
    void createActions();
    void createKeyboardActions();
    void startLayoutTimer();
    // shell_state.cpp
    void restoreFonts();
    void restoreGeometry();
    void saveState();
    // shell_pages.cpp
    void restoreScrollPosition(const QString &page);
    // shell_fonts.cpp
    void setPageFont(const QFont &font);
    void resetZoom();
    // shell_lists.cpp
    void readIndex();
    void openIndexRow(int row);
    void readContents();
    // shell_bookmarks.cpp
    void loadBookmarks();
    QList<Bookmark> shownBookmarks() const;
    QList<Bookmark> mergedBookmarks(QList<Bookmark> stored) const;
    void changeStoredBookmarks(const std::function<void(QList<Bookmark> &)> &change);

    ShellPrivate *d;
};

} // namespace tarn
