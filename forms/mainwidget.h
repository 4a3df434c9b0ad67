// Velmora: the main window's central form: panel tabs, page view and status line.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QWidget>

#include <memory>

class PageBrowser;
class QEvent;
class QFrame;
class QLabel;
class QLineEdit;
class QListView;
class QSplitter;
class QTabWidget;
class QToolBar;
class QTreeWidget;

namespace Ui {
class MainWidget;
}

// The designer-built central widget. It has no behaviour of its own: the
// window reaches every widget through the public members below, which carry
// the same object names, and connects and fills them itself.
class MainWidget : public QWidget
{
    Q_OBJECT

public:
    explicit MainWidget(QWidget *parent = nullptr, const char *name = nullptr,
                        Qt::WindowFlags f = {});
    ~MainWidget() override;

    QSplitter *splitter = nullptr;
    QTabWidget *leftTabs = nullptr;
    QWidget *tab = nullptr;
    QFrame *membersFrame = nullptr;
    QLabel *membersLabel = nullptr;
    QTreeWidget *membersView = nullptr;
    QFrame *classesFrame = nullptr;
    QLabel *classesLabel = nullptr;
    QTreeWidget *classesView = nullptr;
    QWidget *tab_2 = nullptr;
    QLineEdit *indexLineEdit = nullptr;
    QFrame *contentsFrame = nullptr;
    QLabel *contentsLabel = nullptr;
    QListView *indexView = nullptr;
    QWidget *tab_3 = nullptr;
    QFrame *bookmarkFrame = nullptr;
    QLabel *bookmarksLabel = nullptr;
    QTreeWidget *bookmarksView = nullptr;
    QWidget *tab_4 = nullptr;
    QFrame *aboutFrame = nullptr;
    QTreeWidget *aboutView = nullptr;
    QLabel *aboutLabel = nullptr;
    QLabel *logoLabel = nullptr;
    QFrame *browserFrame = nullptr;
    // The page views, one a tab; the tab bar shows from two tabs on.
    QTabWidget *pageTabs = nullptr;
    // The current tab's page view: the form makes the first, and the window
    // points this at whichever tab is current.
    PageBrowser *browser = nullptr;
    QLabel *captionLabel = nullptr;
    QFrame *toolbarFrame = nullptr;
    QLabel *statusLabel = nullptr;
    // Not created here: the window puts its navigation toolbar into toolbarFrame.
    QToolBar *navToolbar = nullptr;

protected:
    void changeEvent(QEvent *event) override;

protected Q_SLOTS:
    // Sets every visible text and rebuilds the rows of the Help tab.
    virtual void languageChange();

private:
    std::unique_ptr<Ui::MainWidget> ui;
};
