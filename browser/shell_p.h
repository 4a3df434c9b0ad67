// Velmora: the main window's private record, shared by its source files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "pagebrowser.h"
#include "savedstate.h"

#include <QPointer>
#include <QString>

#include <memory>

namespace tarn {
class IndexModel;
class PaletteKeeper;
class SearchField;
} // namespace tarn
class KeptDocuments;
class MainWidget;
class PageBrowser;
class QAction;
class QActionGroup;
class QMenu;
class QToolButton;
class QSettings;
class QTimer;
class QTreeWidgetItem;
class SearchDialog;

class ShellPrivate
{
public:
    MainWidget *form = nullptr;
    QTimer *timer = nullptr;
    QSettings *settings = nullptr;
    QMenu *bookmarkMenu = nullptr;
    bool anchorPending = false;
    bool lookupListsWanted = false;
    // Counts the member lists shown, so that late marks find their own.
    int membersShown = 0;
    // The window has painted once; until then a members list's marks wait.
    bool painted = false;
    bool marksWaiting = false;
    // What is shown (the page name, the page, the positions noted when a
    // page was left by a link) each tab's page view keeps for itself; the
    // window reads the current one's.

    // The tabs: the view in front, the budget all views keep their
    // documents in, how many tabs were opened behind the current one since
    // it became current (the next goes after them), and the timer that
    // writes page and scroll changes to the session within a second.
    QPointer<PageBrowser> front;
    std::shared_ptr<KeptDocuments> keptDocuments;
    int openedBehind = 0;
    QTimer *sessionTimer = nullptr;
    bool writesSession = true;
    // The first pages wait for the window to be shown; until they are open
    // nothing of the session is written.
    bool firstPagesWaiting = false;
    bool waitingFresh = false;
    QString waitingFirstName;

    // What the store held at start, read once for every restore.
    tarn::SavedState restored;

    // Find in page: one dialog, reused, and where the next find starts.
    SearchDialog *searchDialog = nullptr;
    int searchParagraph = 0;
    int searchIndex = 0;

    bool leftPanelShown = true;
    bool savesOnlyBookmarks = false;
    QString fixedFamily;

    // The theme chosen, whether it makes the pages dark, and the look every
    // page view gets for it; the application palette that goes with it.
    tarn::Theme theme = tarn::Theme::System;
    bool darkPages = false;
    PageLook pageLook;
    tarn::PaletteKeeper *palette = nullptr;
    QActionGroup *themeActions = nullptr;
    QMenu *themeMenu = nullptr;

    // The index list's rows, shown by the form's indexView.
    tarn::IndexModel *indexModel = nullptr;
    // The Index's filters: a toggle for each kind, the versions, deprecation.
    QToolButton *indexFilterButton = nullptr;
    QVector<QAction *> indexKindActions;
    QVector<QAction *> indexVersionActions;
    QAction *indexHideDeprecated = nullptr;
    tarn::SearchField *searchField = nullptr;
};
