// Velmora: the page theme (as the desktop is, light or dark) and the window palette with it.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "action.h"
#include "docnames.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "savedstate.h"
#include "shell_p.h"

#include <QActionGroup>
#include <QApplication>
#include <QEvent>
#include <QMenu>
#include <QSettings>
#include <QStyle>

#include <memory>

namespace tarn {

namespace {

bool isDark(const QPalette &palette)
{
    return palette.color(QPalette::Window).lightness() < 128;
}

// The window's colours beside the dark pages: the page background is the
// list and field background too, so the page and the panel read as one.
QPalette darkPalette()
{
    const QColor window(0x2b, 0x2d, 0x31);
    const QColor base(0x1e, 0x1f, 0x22);
    const QColor text(0xd8, 0xd8, 0xd6);
    const QColor dimmed(0x80, 0x80, 0x80);
    QPalette p(window);
    p.setColor(QPalette::Window, window);
    p.setColor(QPalette::WindowText, text);
    p.setColor(QPalette::Base, base);
    p.setColor(QPalette::AlternateBase, QColor(0x26, 0x28, 0x2c));
    p.setColor(QPalette::ToolTipBase, window);
    p.setColor(QPalette::ToolTipText, text);
    p.setColor(QPalette::PlaceholderText, QColor(0x9a, 0x9a, 0x9a));
    p.setColor(QPalette::Text, text);
    p.setColor(QPalette::Button, QColor(0x35, 0x37, 0x3c));
    p.setColor(QPalette::ButtonText, text);
    p.setColor(QPalette::BrightText, QColor(0xff, 0x8a, 0x80));
    p.setColor(QPalette::Light, QColor(0x48, 0x4a, 0x50));
    p.setColor(QPalette::Midlight, QColor(0x3c, 0x3e, 0x43));
    p.setColor(QPalette::Mid, QColor(0x26, 0x28, 0x2c));
    p.setColor(QPalette::Dark, QColor(0x18, 0x19, 0x1b));
    p.setColor(QPalette::Shadow, QColor(0x0a, 0x0a, 0x0a));
    p.setColor(QPalette::Highlight, QColor(0x3d, 0x6e, 0xa8));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Link, QColor(0x5f, 0xbf, 0x80));
    p.setColor(QPalette::LinkVisited, QColor(0xa0, 0xa8, 0xe0));
    for (const QPalette::ColorRole role :
         {QPalette::WindowText, QPalette::Text, QPalette::ButtonText, QPalette::HighlightedText})
        p.setColor(QPalette::Disabled, role, dimmed);
    p.setColor(QPalette::Disabled, QPalette::Highlight, QColor(0x3c, 0x3e, 0x43));
    return p;
}

// Notices the desktop's palette changing, for the System theme.
class DesktopPaletteWatch : public QObject
{
public:
    DesktopPaletteWatch(QObject *parent, std::function<void()> changed)
        : QObject(parent)
        , m_changed(std::move(changed))
    {
        qApp->installEventFilter(this);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == qApp && event->type() == QEvent::ApplicationPaletteChange)
            m_changed();
        return false;
    }

private:
    std::function<void()> m_changed;
};

} // namespace

// The theme stored, before the first page is parsed: a dark start page is
// parsed once, dark.
void Shell::restoreTheme()
{
    d->systemPalette = QApplication::palette();
    new DesktopPaletteWatch(this, [this] {
        // Our own change of palette comes here too; only the desktop's counts.
        if (d->settingPalette || d->paletteOverridden)
            return;
        d->systemPalette = QApplication::palette();
        applyTheme(d->theme);
    });
    applyTheme(d->restored.theme);
}

// System, Light and Dark. They live in the page's context menu (applyPageLook
// puts them there): the toolbar and its Font menu keep their set of buttons.
void Shell::createThemeActions()
{
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    d->themeActions = group;
    const struct
    {
        const char *name;
        const char *text;
        Theme theme;
    } rows[] = {
        {"Shell/ThemeSystem", QT_TR_NOOP("System"), Theme::System},
        {"Shell/ThemeLight", QT_TR_NOOP("Light"), Theme::Light},
        {"Shell/ThemeDark", QT_TR_NOOP("Dark"), Theme::Dark},
    };
    for (const auto &row : rows) {
        QAction *action = Action::create(tr(row.text), row.name, 0, nullptr, nullptr);
        action->setCheckable(true);
        action->setChecked(row.theme == d->theme);
        action->setData(int(row.theme));
        group->addAction(action);
        const Theme theme = row.theme;
        connect(action, &QAction::triggered, this, [this, theme] { chooseTheme(theme); });
    }
}

void Shell::chooseTheme(Theme theme)
{
    applyTheme(theme);
    SavedState::writeTheme(*d->settings, theme);
    d->settings->sync();
}

Theme Shell::theme() const
{
    return d->theme;
}

bool Shell::showsDarkPages() const
{
    return d->darkPages;
}

void Shell::applyTheme(Theme theme)
{
    d->theme = theme;
    const bool systemDark = isDark(d->systemPalette);
    const bool dark = theme == Theme::Dark || (theme == Theme::System && systemDark);
    d->settingPalette = true;
    if (dark == systemDark) {
        if (d->paletteOverridden)
            QApplication::setPalette(d->systemPalette);
        d->paletteOverridden = false;
    } else {
        QApplication::setPalette(dark ? darkPalette() : QApplication::style()->standardPalette());
        d->paletteOverridden = true;
    }
    d->settingPalette = false;

    d->darkPages = dark;
    d->pageLook = PageLook();
    if (dark) {
        d->pageLook.styleSheets.insert(QString::fromLatin1(docnames::styleSheet),
                                       QString::fromLatin1(docnames::darkStyleSheet));
        // Diagrams drawn on a transparent ground for a white page.
        d->pageLook.imagePlate = QColor(0xf4, 0xf4, 0xf2);
    }
    applyPageLook(d->form->browser);

    if (d->themeActions) {
        for (QAction *action : d->themeActions->actions())
            action->setChecked(action->data().toInt() == int(theme));
    }
}

// The window's colours as they are with light pages: for printing.
QPalette Shell::lightPalette() const
{
    if (!d->darkPages)
        return QApplication::palette();
    return isDark(d->systemPalette) ? QApplication::style()->standardPalette() : d->systemPalette;
}

// The one place a page view gets the window's look: every view the window
// has goes through here, when it is made and at every change of theme. The
// first time, the view's context menu gets the theme choice.
void Shell::applyPageLook(PageBrowser *view) const
{
    view->setPageLook(d->pageLook);
    if (view->contextMenuPolicy() == Qt::CustomContextMenu)
        return;
    view->setContextMenuPolicy(Qt::CustomContextMenu);
    connect(view, &QWidget::customContextMenuRequested, view, [this, view](const QPoint &pos) {
        std::unique_ptr<QMenu> menu(view->createStandardContextMenu(pos));
        QMenu *theme = menu->addMenu(tr("Theme"));
        if (d->themeActions)
            theme->addActions(d->themeActions->actions());
        menu->exec(view->viewport()->mapToGlobal(pos));
    });
}

} // namespace tarn
