// Velmora: the main window's saved state and its shutdown.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "pagebrowser.h"
#include "shell_p.h"

#include <QGuiApplication>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>

namespace tarn {

Shell::~Shell()
{
    saveState();
    delete d->settings;
    delete d;
    d = nullptr;
}

void Shell::saveState()
{
    QSettings *s = d->settings;
    MainWidget *form = d->form;
    s->setValue(QStringLiteral("/velmora/geom/t"), form->leftTabs->currentIndex());
    // The frame's corner, as move() takes it. On X11 the frame is unknown
    // until the window is mapped, so the constructor's move() places the
    // client there; saving the frame's corner would make the window creep by
    // the frame's width with every restart. There the client's corner is
    // what comes back unchanged.
    const bool movePlacesClient = QGuiApplication::platformName() == QLatin1String("xcb");
    const QPoint corner = movePlacesClient ? geometry().topLeft() : pos();
    s->setValue(QStringLiteral("/velmora/geom/x"), corner.x());
    s->setValue(QStringLiteral("/velmora/geom/y"), corner.y());
    s->setValue(QStringLiteral("/velmora/geom/w"), width());
    s->setValue(QStringLiteral("/velmora/geom/h"), height());
    const QList<int> sizes = form->splitter->sizes();
    // A hidden left panel reports 0; keep the width it had when it was
    // hidden (the splitter leaves a hidden pane's geometry alone), so the
    // next start does not open with an empty pane.
    int s1 = sizes.value(0);
    const int s2 = sizes.value(1);
    if (!form->leftTabs->isVisibleTo(form) || s1 <= 0)
        s1 = form->leftTabs->width();
    if (s1 <= 0)
        s1 = s->value(QStringLiteral("/velmora/geom/s1"), 280).toInt();
    s->setValue(QStringLiteral("/velmora/geom/s1"), s1 > 0 ? s1 : 280);
    s->setValue(QStringLiteral("/velmora/geom/s2"), s2 > 0 ? s2 : 620);
    s->setValue(QStringLiteral("/velmora/font/f"), form->browser->font().toString());
    saveBookmarks();
    s->sync();
}

} // namespace tarn
