// Velmora: the main window's private record, shared by its source files.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include "pagebrowser.h"
#include "savedstate.h"

#include <QMap>
#include <QPalette>
#include <QString>
#include <QVector>

namespace tarn {
class IndexModel;
}
class MainWidget;
class QActionGroup;
class QMenu;
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

    // The theme chosen, whether it makes the pages dark, and the look every
    // page view gets for it. The desktop's palette is kept for the System
    // theme and for going back to it.
    tarn::Theme theme = tarn::Theme::System;
    bool darkPages = false;
    PageLook pageLook;
    QPalette systemPalette;
    bool paletteOverridden = false;
    bool settingPalette = false;
    QActionGroup *themeActions = nullptr;

    // The index list's rows, shown by the form's indexView.
    tarn::IndexModel *indexModel = nullptr;
};
