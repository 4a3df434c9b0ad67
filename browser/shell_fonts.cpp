// Velmora: fonts, zoom and the left panel.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "docnames.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "savedstate.h"
#include "shell_p.h"

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

void Shell::applyFixedFamily(const QString &family)
{
    d->fixedFamily = family;
    d->form->browser->setPageStyleSheet(pageStyleSheet(family));
}

void Shell::zoomIn()
{
    QFont font = d->form->browser->font();
    font.setPointSize(font.pointSize() + 1);
    d->form->browser->setFont(font);
}

void Shell::zoomOut()
{
    QFont font = d->form->browser->font();
    // Below 1 point the size stays where it is.
    if (font.pointSize() > 1)
        font.setPointSize(font.pointSize() - 1);
    d->form->browser->setFont(font);
}

void Shell::fontSelect()
{
    bool ok = false;
    const QFont font = QFontDialog::getFont(&ok, d->form->browser->font(), this);
    if (ok)
        d->form->browser->setFont(font);
}

void Shell::fixedFontSelect()
{
    QFont initial;
    initial.setFamily(
        d->settings->value(QString::fromLatin1(settingskeys::fixedFamily), QStringLiteral("fixed"))
            .toString());
    bool ok = false;
    const QFont chosen = QFontDialog::getFont(&ok, initial, this);
    if (!ok)
        return;
    const QString family = chosen.family();
    applyFixedFamily(family);
    load(QString::fromLatin1(docnames::startPage));
    SavedState::writeFixedFamily(*d->settings, family);
    d->settings->sync();
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
    d->form->browser->setFont(pageFont);
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
