// Velmora: the main window's saved state: restored at start, saved at shutdown.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "pagebrowser.h"
#include "shell_p.h"
#include "shellinstance.h"
#include "utils.h"

#include <QFontDatabase>
#include <QGuiApplication>
#include <QLayout>
#include <QScreen>
#include <QScrollBar>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>

namespace tarn {

Shell::~Shell()
{
    // Nothing may reach a window that is going away through the instance.
    if (shellInstance() == this)
        setShellInstance(nullptr);
    writeSession();
    saveState();
    // The views go with the window's children, after this record; what they
    // say on the way must not reach it.
    for (int tab = 0; tab < tabCount(); ++tab) {
        pageViewAt(tab)->disconnect(this);
        pageViewAt(tab)->verticalScrollBar()->disconnect(this);
    }
    delete d->settings;
    delete d;
    d = nullptr;
}

void Shell::restoreFonts()
{
    const SavedState &state = d->restored;
    PageBrowser *browser = d->form->browser;
    // An empty stored description leaves the browser's own font, one point
    // larger; one that is not a font gives the default family.
    if (!state.textFont.isEmpty()) {
        QFont font;
        if (Utils::fontFromDescription(state.textFont, &font))
            browser->setFont(font);
        else
            browser->setFont(QFont(QStringLiteral("Gnu Unifont"), 11));
    } else {
        zoomIn();
    }
    applyFixedFamily(state.fixedFamily.isEmpty()
                         ? QFontDatabase::systemFont(QFontDatabase::FixedFont).family()
                         : state.fixedFamily);
}

void Shell::restoreGeometry()
{
    const SavedState &state = d->restored;
    int x = state.x;
    int y = state.y;
    int w = state.width;
    int h = state.height;
    const int s1 = state.leftPane;
    int s2 = state.rightPane;

    // A size below the window's minimum falls back to the default.
    const QSize minimum = minimumSizeHint().expandedTo(QSize(200, 150));
    if (w < minimum.width())
        w = SavedState::defaultWidth;
    if (h < minimum.height())
        h = SavedState::defaultHeight;

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
            x = area.x() + SavedState::defaultX;
            y = area.y() + SavedState::defaultY;
        } else {
            x = SavedState::defaultX;
            y = SavedState::defaultY;
        }
    }

    // A window larger than the screen it opens on (a size stored at another
    // scale, say) shrinks to fit it, and moves so that all of it shows.
    const QScreen *screen = QGuiApplication::screenAt(QPoint(x + 20, y + 10));
    if (!screen)
        screen = QGuiApplication::primaryScreen();
    if (screen) {
        const QRect area = screen->availableGeometry();
        w = qMin(w, area.width());
        h = qMin(h, area.height());
        x = qBound(area.left(), x, area.left() + area.width() - w);
        y = qBound(area.top(), y, area.top() + area.height() - h);
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
    if (QWidget *page = d->form->leftTabs->widget(state.tab))
        d->form->leftTabs->setCurrentWidget(page);
}

void Shell::saveState()
{
    MainWidget *form = d->form;
    if (d->savesOnlyBookmarks) {
        d->settings->sync();
        SavedState::writeBookmarks(*d->settings,
                                   mergedBookmarks(SavedState::readBookmarks(*d->settings)));
        d->settings->sync();
        return;
    }
    SavedState state;
    state.tab = form->leftTabs->currentIndex();
    // The frame's corner, as move() takes it. On X11 the frame is unknown
    // until the window is mapped, so the constructor's move() places the
    // client there; saving the frame's corner would make the window creep by
    // the frame's width with every restart. There the client's corner is
    // what comes back unchanged.
    const bool movePlacesClient = QGuiApplication::platformName() == QLatin1String("xcb");
    const QPoint corner = movePlacesClient ? geometry().topLeft() : pos();
    state.x = corner.x();
    state.y = corner.y();
    state.width = width();
    state.height = height();
    const QList<int> sizes = form->splitter->sizes();
    // A hidden left panel reports 0; keep the width it had when it was
    // hidden (the splitter leaves a hidden pane's geometry alone), so the
    // next start does not open with an empty pane.
    int s1 = sizes.value(0);
    const int s2 = sizes.value(1);
    if (!form->leftTabs->isVisibleTo(form) || s1 <= 0)
        s1 = form->leftTabs->width();
    if (s1 <= 0)
        s1 = d->restored.leftPane;
    state.leftPane = s1 > 0 ? s1 : SavedState::defaultLeftPane;
    state.rightPane = s2 > 0 ? s2 : SavedState::defaultRightPane;
    state.textFont = form->browser->font().toString();
    d->settings->sync();
    state.bookmarks = mergedBookmarks(SavedState::readBookmarks(*d->settings));
    state.write(*d->settings);
    d->settings->sync();
}

} // namespace tarn
