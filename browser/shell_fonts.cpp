// Velmora: fonts, zoom and the left panel.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "pagebrowser.h"
#include "savedstate.h"
#include "shell_p.h"
#include "utils.h"

#include <QFontDatabase>
#include <QFontDialog>
#include <QSettings>
#include <QTabWidget>
#include <QTextBrowser>

namespace tarn {

namespace {

QString quotedFamily(QString family)
{
    family.remove(QLatin1Char('"'));
    family.remove(QLatin1Char(';'));
    family.remove(QLatin1Char('}'));
    return QLatin1Char('"') + family + QLatin1Char('"');
}

} // namespace

QString pageStyleSheet(const QString &fixedFamily)
{
    return QLatin1String("pre, code, tt { font-family: ") + quotedFamily(fixedFamily)
        + QLatin1String(", monospace; }\na { text-decoration: none; }\n");
}

// The fonts and the zoom are the window's: every tab takes them, the ones in
// the background when they are next shown.
void Shell::applyFixedFamily(const QString &family)
{
    d->fixedFamily = family;
    const QString css = pageStyleSheet(family);
    for (int tab = 0; tab < tabCount(); ++tab)
        pageViewAt(tab)->setPageStyleSheet(css);
}

void Shell::zoomIn()
{
    QFont font = d->form->browser->font();
    font.setPointSize(font.pointSize() + 1);
    setPageFont(font);
}

void Shell::zoomOut()
{
    QFont font = d->form->browser->font();
    // Below 1 point the size stays where it is.
    if (font.pointSize() > 1)
        font.setPointSize(font.pointSize() - 1);
    setPageFont(font);
}

void Shell::fontSelect()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, d->form->browser->font(), this);
    if (ok)
        setPageFont(font);
}

void Shell::fixedFontSelect()
{
    // Seeded with the family in use, which the font system has: seeded with
    // one it lacks, the dialog opens on a proportional family.
    QFont initial = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    if (QFontDatabase::hasFamily(d->fixedFamily))
        initial.setFamily(d->fixedFamily);
    // The family the font system really uses for it, not an alias such as
    // "monospace", which the dialog does not list.
    initial.setFamily(QFontInfo(initial).family());
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, this);
    if (!ok)
        return;
    // Only a family the font system really has is a choice worth keeping.
    const QString family = chosen.family();
    if (!QFontDatabase::hasFamily(family))
        return;
    applyFixedFamily(family);
    SavedState::writeFixedFamily(*d->settings, family);
    d->settings->sync();
}

// The page font in use, zoom included, set so that the reader keeps their
// place: the line at the top of the view stays there.
void Shell::setPageFont(const QFont &font)
{
    PageBrowser *browser = d->form->browser;
    browser->keepReadingPosition([browser, &font] { browser->setFont(font); });
    for (int tab = 0; tab < tabCount(); ++tab) {
        if (pageViewAt(tab) != browser)
            pageViewAt(tab)->setFont(font);
    }
}

// The page font at the size it has when no setting is stored.
void Shell::resetZoom()
{
    QFont font = d->form->browser->font();
    QFont standard;
    if (Utils::fontFromDescription(defaultTextFont(), &standard))
        font.setPointSize(standard.pointSize());
    setPageFont(font);
}

void Shell::options()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, this->font(), this);
    if (!ok)
        return;
    // The page has a font of its own, saved at shutdown: no attribute it left
    // unset (a style name, say) may come down to it from the window font.
    QFont pageFont = d->form->browser->font();
    pageFont.setResolveMask(QFont::AllPropertiesResolved);
    setFont(font);
    for (int tab = 0; tab < tabCount(); ++tab)
        pageViewAt(tab)->setFont(pageFont);
}

void Shell::panel()
{
    if (d->leftPanelShown) {
        d->form->leftTabs->hide();
        d->leftPanelShown = false;
    } else {
        d->form->leftTabs->show();
        d->leftPanelShown = true;
    }
}

} // namespace tarn
