// Velmora: the main window.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QMainWindow>

class QPrinter;
class QTreeWidgetItem;
class ShellPrivate;

namespace tarn {

// The one browser window. Its slots are declared in a fixed order, so that
// meta-object method offset + i is always the same slot; keep it that way.
class Shell : public QMainWindow
{
    Q_OBJECT

public:
    explicit Shell(QWidget *parent = nullptr, const char *name = nullptr);
    ~Shell() override;

    // The one window, from the start of its constructor on.
    static Shell *instance();

    // Internals, for the parts of the window in other files and for tests.
    ShellPrivate *d_func() const { return d; }

    // Prints the page shown onto a printer that is ready to paint.
    void printDocument(QPrinter *printer);
    // Gives "pre", "code" and "tt" the fixed-pitch family.
    void applyFixedFamily(const QString &family);

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
    // shell_pages.cpp
    void timeout();

private:
    void createActions();
    void readIndex();
    void readContents();
    void loadBookmarks();
    void saveBookmarks();
    void restoreGeometryFromSettings();
    void saveState();

    ShellPrivate *d;
};

} // namespace tarn
