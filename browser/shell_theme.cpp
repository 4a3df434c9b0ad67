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
#include <QPalette>
#include <QSettings>
#include <QStyle>

#include <functional>
#include <optional>

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

} // namespace

// The application's palette: the desktop's, or one of ours over it for a
// theme the desktop does not have. It notices the desktop's palette changing
// (for the System theme), and hands the desktop's back when the window goes,
// so that the next window of the process sees the desktop as it is.
class PaletteKeeper : public QObject
{
public:
    PaletteKeeper(QObject *parent, std::function<void()> desktopChanged)
        : QObject(parent)
        , m_desktop(QApplication::palette())
        , m_desktopChanged(std::move(desktopChanged))
    {
        // The application sends the news to every widget: the window's
        // own copy is enough, and costs nothing for the events of others.
        parent->installEventFilter(this);
    }

    ~PaletteKeeper() override
    {
        if (m_overridden)
            use(m_desktop);
    }

    const QPalette &desktop() const { return m_desktop; }
    bool isOverridden() const { return m_overridden; }

    // Our palette over the desktop's, or the desktop's own for a null one.
    void override(const std::optional<QPalette> &palette)
    {
        if (palette)
            use(*palette);
        else if (m_overridden)
            use(m_desktop);
        m_overridden = bool(palette);
    }

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        // Our own change of palette comes here too; only the desktop's
        // counts, and only while it is the one in use.
        if (watched == parent() && event->type() == QEvent::ApplicationPaletteChange && !m_setting
            && !m_overridden) {
            m_desktop = QApplication::palette();
            m_desktopChanged();
        }
        return false;
    }

private:
    void use(const QPalette &palette)
    {
        m_setting = true;
        QApplication::setPalette(palette);
        m_setting = false;
    }

    QPalette m_desktop;
    std::function<void()> m_desktopChanged;
    bool m_overridden = false;
    bool m_setting = false;
};

// The theme stored, before the first page is parsed: a dark start page is
// parsed once, dark. The choice of System, Light and Dark lives in the
// page's context menu (applyPageLook puts it there): the toolbar and its Font
// menu keep their set of buttons.
void Shell::restoreTheme()
{
    d->palette = new PaletteKeeper(this, [this] { applyTheme(d->theme); });
    auto *group = new QActionGroup(this);
    group->setExclusive(true);
    d->themeActions = group;
    d->themeMenu = new QMenu(tr("Theme"), this);
    d->themeMenu->setObjectName(QStringLiteral("themeMenu"));
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
        action->setData(int(row.theme));
        group->addAction(action);
        d->themeMenu->addAction(action);
        const Theme theme = row.theme;
        connect(action, &QAction::triggered, this, [this, theme] { chooseTheme(theme); });
    }
    applyTheme(d->restored.theme);
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
    const bool desktopDark = isDark(d->palette->desktop());
    const bool dark = theme == Theme::Dark || (theme == Theme::System && desktopDark);
    if (dark == desktopDark)
        d->palette->override(std::nullopt);
    else
        d->palette->override(dark ? darkPalette() : QApplication::style()->standardPalette());

    d->darkPages = dark;
    d->pageLook = PageLook();
    if (dark) {
        d->pageLook.styleSheets.insert(QString::fromLatin1(docnames::styleSheet),
                                       QString::fromLatin1(docnames::darkStyleSheet));
        // Diagrams drawn on a transparent ground for a white page.
        d->pageLook.imagePlate = QColor(0xf4, 0xf4, 0xf2);
    }
    // Every page view of the window, however many it has.
    for (PageBrowser *view : findChildren<PageBrowser *>())
        applyPageLook(view);

    for (QAction *action : d->themeActions->actions())
        action->setChecked(action->data().toInt() == int(theme));
}

// The window's colours as they are with light pages: for printing.
QPalette Shell::lightPalette() const
{
    if (!d->darkPages)
        return QApplication::palette();
    const QPalette &desktop = d->palette->desktop();
    return isDark(desktop) ? QApplication::style()->standardPalette() : desktop;
}

// The one place a page view gets the window's look and the theme menu:
// every view the window has goes through here, when it is made and at every
// change of theme.
void Shell::applyPageLook(PageBrowser *view) const
{
    view->setPageLook(d->pageLook);
    view->setWindowMenu(d->themeMenu);
}

} // namespace tarn
