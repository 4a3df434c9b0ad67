// Velmora: the Index's filters: what kind of entry, for which Qt, deprecated or not.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "indexmodel.h"
#include "listtables.h"
#include "lookup.h"
#include "mainwidget.h"
#include "savedstate.h"
#include "searchbar.h"
#include "searchfield.h"
#include "shell_p.h"
#include "versions.h"

#include <QAction>
#include <QActionGroup>
#include <QGridLayout>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>
#include <QToolButton>

namespace tarn {

namespace {

struct KindRow
{
    EntryKind kind;
    const char *text;
};

// In the order of the menu, which is that of their shortcuts' digits.
const KindRow kindRows[] = {
    {EntryKind::Class, QT_TRANSLATE_NOOP("tarn::Shell", "&Classes")},
    {EntryKind::Function, QT_TRANSLATE_NOOP("tarn::Shell", "&Functions")},
    {EntryKind::Slot, QT_TRANSLATE_NOOP("tarn::Shell", "S&lots")},
    {EntryKind::Signal, QT_TRANSLATE_NOOP("tarn::Shell", "&Signals")},
    {EntryKind::Property, QT_TRANSLATE_NOOP("tarn::Shell", "&Properties")},
    {EntryKind::EnumOrType, QT_TRANSLATE_NOOP("tarn::Shell", "&Enums and types")},
    {EntryKind::Variable, QT_TRANSLATE_NOOP("tarn::Shell", "&Variables")},
    {EntryKind::Related, QT_TRANSLATE_NOOP("tarn::Shell", "&Related")},
};

QString plainText(const QString &menuText)
{
    QString text = menuText;
    return text.remove(u'&');
}

// The minor versions of the Qt 6 series up to the one documented.
int documentedMinor()
{
    const int version = versionNumber(documentationVersion());
    return version >= 600 && version < 700 ? version % 100 : 4;
}

} // namespace

void Shell::createIndexFilters()
{
    MainWidget *form = d->form;
    auto *button = new QToolButton(form->tab_2);
    button->setObjectName(QStringLiteral("indexFilterButton"));
    button->setAccessibleName(tr("Filter the Index"));
    button->setPopupMode(QToolButton::InstantPopup);
    button->setToolButtonStyle(Qt::ToolButtonTextOnly);
    button->setCheckable(true);
    auto *menu = new QMenu(button);
    menu->setObjectName(QStringLiteral("indexFilterMenu"));
    menu->setAccessibleName(tr("Index filters"));
    button->setMenu(menu);
    d->indexFilterButton = button;

    // Window-wide, so a kind is a key away wherever the reader is.
    const auto windowAction = [this](QAction *action, const QKeySequence &keys) {
        action->setShortcut(keys);
        action->setShortcutContext(Qt::WindowShortcut);
        addAction(action);
    };
    QAction *allKinds = menu->addAction(tr("&All kinds"));
    allKinds->setObjectName(QStringLiteral("indexKindAll"));
    windowAction(allKinds, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_0));
    connect(allKinds, &QAction::triggered, this, [this] {
        for (QAction *kind : std::as_const(d->indexKindActions))
            kind->setChecked(false);
        applyIndexFilter(true);
    });
    int digit = 1;
    for (const KindRow &row : kindRows) {
        QAction *action = menu->addAction(tr(row.text));
        action->setObjectName(QStringLiteral("indexKind%1").arg(digit));
        action->setCheckable(true);
        action->setData(int(row.kind));
        windowAction(action, QKeySequence(Qt::CTRL | Qt::ALT | (Qt::Key_0 + digit)));
        connect(action, &QAction::triggered, this, [this] { applyIndexFilter(true); });
        d->indexKindActions.append(action);
        ++digit;
    }

    menu->addSeparator();
    QMenu *versions = menu->addMenu(tr("&Up to Qt"));
    versions->setObjectName(QStringLiteral("indexVersionMenu"));
    auto *group = new QActionGroup(versions);
    group->setExclusive(true);
    const auto addVersion = [&](const QString &text, int upTo) {
        QAction *action = versions->addAction(text);
        action->setCheckable(true);
        action->setData(upTo);
        action->setObjectName(QStringLiteral("indexUpTo%1").arg(upTo));
        group->addAction(action);
        action->setChecked(upTo == d->restored.indexUpTo);
        connect(action, &QAction::triggered, this, [this] { applyIndexFilter(true); });
        d->indexVersionActions.append(action);
    };
    addVersion(tr("&Any version"), 0);
    for (int minor = 0; minor <= documentedMinor(); ++minor)
        addVersion(tr("Up to Qt 6.&%1").arg(minor), 600 + minor);
    if (!group->checkedAction())
        d->indexVersionActions.first()->setChecked(true);

    QAction *hide = menu->addAction(tr("Hide &deprecated"));
    hide->setObjectName(QStringLiteral("indexHideDeprecated"));
    hide->setCheckable(true);
    hide->setChecked(d->restored.hideDeprecated);
    windowAction(hide, QKeySequence(Qt::CTRL | Qt::ALT | Qt::Key_D));
    connect(hide, &QAction::triggered, this, [this] { applyIndexFilter(true); });
    d->indexHideDeprecated = hide;

    // Beside the field, the list below both.
    if (auto *grid = qobject_cast<QGridLayout *>(form->tab_2->layout())) {
        grid->addWidget(button, 0, 1);
        grid->removeWidget(form->contentsFrame);
        grid->addWidget(form->contentsFrame, 1, 0, 1, 2);
    }
    setTabOrder(form->indexLineEdit, button);
    setTabOrder(button, form->indexView);
    applyIndexFilter(false);
}

IndexFilter Shell::indexFilter() const
{
    IndexFilter filter;
    for (const QAction *kind : std::as_const(d->indexKindActions)) {
        if (kind->isChecked())
            filter.kinds |= IndexFilter::bit(EntryKind(kind->data().toInt()));
    }
    for (const QAction *version : std::as_const(d->indexVersionActions)) {
        if (version->isChecked())
            filter.upTo = version->data().toInt();
    }
    filter.hideDeprecated = d->indexHideDeprecated && d->indexHideDeprecated->isChecked();
    return filter;
}

QString Shell::indexFilterSummary() const
{
    const IndexFilter filter = indexFilter();
    QStringList parts;
    QStringList kinds;
    for (const QAction *kind : std::as_const(d->indexKindActions)) {
        if (kind->isChecked())
            kinds.append(plainText(kind->text()));
    }
    if (!kinds.isEmpty())
        parts.append(kinds.join(QLatin1String(", ")));
    if (filter.upTo > 0)
        parts.append(tr("up to Qt %1.%2").arg(filter.upTo / 100).arg(filter.upTo % 100));
    if (filter.hideDeprecated)
        parts.append(tr("no deprecated"));
    return parts.join(QLatin1String("; "));
}

void Shell::applyIndexFilter(bool chosen)
{
    const IndexFilter filter = indexFilter();
    const QString summary = indexFilterSummary();
    QToolButton *button = d->indexFilterButton;
    button->setChecked(filter.isActive());
    button->setText(filter.isActive() ? tr("Filter: on") : tr("Filter"));
    const QString tip = filter.isActive() ? tr("The Index shows only: %1").arg(summary)
                                          : tr("Show only some kinds of entry, or versions");
    button->setToolTip(tip);
    button->setAccessibleDescription(tip);
    if (d->searchField)
        d->searchField->setFilterNote(filter.isActive() ? summary : QString());

    // The version choice is the reader's; the kinds are for this session.
    const bool versionChanged =
        filter.upTo != d->restored.indexUpTo || filter.hideDeprecated != d->restored.hideDeprecated;
    if (chosen && versionChanged && d->settings) {
        SavedState::writeVersionFilter(*d->settings, filter.upTo, filter.hideDeprecated);
        d->restored.indexUpTo = filter.upTo;
        d->restored.hideDeprecated = filter.hideDeprecated;
    }
    if (filter != d->indexModel->entryFilter()) {
        d->indexModel->setEntryFilter(filter);
        jumpInIndex(d->form->indexLineEdit->text());
    }
    if (chosen) {
        MainWidget *form = d->form;
        form->leftTabs->setCurrentWidget(form->tab_2);
    }
}

} // namespace tarn
