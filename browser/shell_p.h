// Velmora: the main window's private record, shared by its source files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "savedstate.h"

#include <QMap>
#include <QString>
#include <QVector>

namespace tarn {
class IndexModel;
class SearchField;
} // namespace tarn
class MainWidget;
class QAction;
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
    QString source;
    QString page;
    QSettings *settings = nullptr;
    QMenu *bookmarkMenu = nullptr;
    bool anchorPending = false;
    QMap<QString, int> scrollPositions;

    // What the store held at start, read once for every restore.
    tarn::SavedState restored;

    // Find in page: one dialog, reused, and where the next find starts.
    SearchDialog *searchDialog = nullptr;
    int searchParagraph = 0;
    int searchIndex = 0;

    bool leftPanelShown = true;
    bool savesOnlyBookmarks = false;
    QString fixedFamily;

    // The index list's rows, shown by the form's indexView.
    tarn::IndexModel *indexModel = nullptr;
    // The Index's filters: a toggle for each kind, the versions, deprecation.
    QToolButton *indexFilterButton = nullptr;
    QVector<QAction *> indexKindActions;
    QVector<QAction *> indexVersionActions;
    QAction *indexHideDeprecated = nullptr;
    tarn::SearchField *searchField = nullptr;
};
