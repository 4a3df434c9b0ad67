// Velmora: the contents, members and index lists.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "embeddedpages.h"
#include "indexmodel.h"
#include "listformat.h"
#include "listreader.h"
#include "lookup.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "shell_p.h"
#include "utils.h"

#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTabWidget>
#include <QTimer>
#include <QTreeWidget>

#include <QSet>

#include <algorithm>
#include <chrono>
#include <future>
#include <memory>
#include <utility>

namespace tarn {

namespace {

// Kind icons are shared between thousands of items; build each once.
QIcon kindIcon(QStringView kind)
{
    static QHash<QString, QIcon> icons;
    const QString iconName = kindIconName(kind);
    if (iconName.isEmpty())
        return QIcon();
    auto it = icons.find(iconName);
    if (it == icons.end())
        it = icons.insert(iconName, Utils::iconSet(iconName));
    return it.value();
}

// Entries without a kind have no icon; keep their names in line with the
// names of entries that have one.
class KindColumnDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

    // A member's version mark at the right, as in the Index.
    void paint(QPainter *painter, const QStyleOptionViewItem &option,
               const QModelIndex &index) const override
    {
        QStyleOptionViewItem styled = option;
        initStyleOption(&styled, index);
        const QStyleOptionViewItem named =
            paintVersionMark(painter, option, styled, index.data(IndexModel::SinceRole).toString());
        QStyledItemDelegate::paint(painter, named, index);
    }

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
        if (index.data(IndexModel::DeprecatedRole).toBool())
            markDeprecated(option);
        if (!(option->features & QStyleOptionViewItem::HasDecoration)) {
            static const QIcon blank = [] {
                QPixmap pixmap(16, 16);
                pixmap.fill(Qt::transparent);
                return QIcon(pixmap);
            }();
            option->features |= QStyleOptionViewItem::HasDecoration;
            option->icon = blank;
            option->decorationSize = QSize(16, 16);
        }
    }
};

// A class of the contents list. Its member list, the third column, is read
// back from the list whenever it is asked for: that is when the class is
// opened.
class ClassItem : public QTreeWidgetItem
{
public:
    ClassItem(std::shared_ptr<const ContentsTable::Source> source,
              const ContentsTable::Class &entry)
        : QTreeWidgetItem(QStringList{entry.name, entry.page})
        , m_source(std::move(source))
        , m_members(entry)
    {
    }

    QVariant data(int column, int role) const override
    {
        if (column == 2 && (role == Qt::DisplayRole || role == Qt::EditRole))
            return ContentsTable::members(*m_source, m_members);
        return QTreeWidgetItem::data(column, role);
    }

private:
    std::shared_ptr<const ContentsTable::Source> m_source; // the whole list's
    ContentsTable::Class m_members;
};

void fillInOrder(QTreeWidget *view, const QList<QTreeWidgetItem *> &items)
{
    view->setUpdatesEnabled(false);
    view->setSortingEnabled(false);
    view->addTopLevelItems(items);
    view->setUpdatesEnabled(true);
}

} // namespace

void Shell::readIndex()
{
    IndexModel *model = d->indexModel;
    model->setTable(readIndexTable(), readIndexDetails);
    // What a lookup needs beyond the lists is read as soon as the Index is
    // in sight, so that the first key typed into it does not wait for it.
    MainWidget *form = d->form;
    if (form->leftTabs->currentWidget() == form->tab_2)
        readLookupListsSoon();
    connect(form->leftTabs, &QTabWidget::currentChanged, this, [this, form](int tab) {
        if (form->leftTabs->widget(tab) == form->tab_2)
            readLookupListsSoon();
    });
}

void Shell::readLookupListsSoon()
{
    if (d->lookupListsWanted)
        return;
    d->lookupListsWanted = true;
    startReadingLookupLists();
    // The details join the index once read, between events; a key typed
    // before that waits for them.
    auto *poll = new QTimer(this);
    poll->setInterval(10);
    connect(poll, &QTimer::timeout, this, [this, poll] {
        if (!lookupListsRead())
            return;
        poll->deleteLater();
        d->indexModel->table();
    });
    poll->start();
}

void Shell::readContents()
{
    const ContentsTable contents = readContentsTable();
    QList<QTreeWidgetItem *> items;
    items.reserve(contents.classes.size());
    for (const ContentsTable::Class &entry : contents.classes) {
        auto *item = new ClassItem(contents.source, entry);
        const QIcon icon = kindIcon(entry.kind);
        // Only class kinds give a class an icon.
        if (!icon.isNull() && isClassKind(entry.kind))
            item->setIcon(0, icon);
        items.append(item);
    }
    d->form->membersView->setItemDelegate(new KindColumnDelegate(d->form->membersView));
    fillInOrder(d->form->classesView, items);
    loadMembers(d->form->classesView->topLevelItem(0));
}

void Shell::loadMembers(QTreeWidgetItem *item)
{
    if (!item)
        return;
    QTreeWidget *view = d->form->membersView;
    QList<ContentsMember> members = parseMemberList(item->text(2));
    std::stable_sort(members.begin(), members.end(),
                     [](const ContentsMember &a, const ContentsMember &b) {
                         return displayLess(a.name, b.name);
                     });
    QList<QTreeWidgetItem *> items;
    items.reserve(members.size());
    for (const ContentsMember &member : members) {
        auto *memberItem = new QTreeWidgetItem({member.name, member.target});
        // Class codes are not member kinds.
        if (!isClassKind(member.kind)) {
            const QIcon icon = kindIcon(member.kind);
            if (!icon.isNull())
                memberItem->setIcon(0, icon);
        }
        items.append(memberItem);
    }
    view->setUpdatesEnabled(false);
    view->clear();
    view->addTopLevelItems(items);
    // A new class's members start at their top, wherever the last list was.
    view->scrollToTop();
    view->setUpdatesEnabled(true);
    ++d->membersShown;
    if (d->indexModel->hasDetails())
        markMembers();
    else
        markMembersSoon();
}

// Until the Index's details are read, a list's marks come from one pass
// over entries.lst on a thread of its own: the first list is filled before
// the window is up, and a reader who never types a name never needs the
// details at all.
void Shell::markMembersSoon()
{
    // The first list's pass waits for the window's first paint: beside the
    // building and showing of the window, on two cores, the thread would
    // take the one the window system answers and paints on.
    if (!d->painted) {
        d->marksWaiting = true;
        return;
    }
    QTreeWidget *view = d->form->membersView;
    QSet<QString> targets;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        targets.insert(view->topLevelItem(i)->text(1));
    const int shown = d->membersShown;
    auto versions = std::make_shared<std::future<QHash<QString, EntryVersion>>>(
        std::async(std::launch::async, readEntryVersions, targets));
    auto *poll = new QTimer(this);
    poll->setInterval(10);
    connect(poll, &QTimer::timeout, this, [this, poll, versions, shown] {
        if (versions->wait_for(std::chrono::seconds(0)) != std::future_status::ready)
            return;
        poll->deleteLater();
        const QHash<QString, EntryVersion> found = versions->get();
        if (shown != d->membersShown)
            return; // another class's members are shown, marked on their own
        markMembers([&found](const QString &target) { return found.value(target); });
    });
    poll->start();
}

void Shell::markMembers()
{
    const IndexModel *model = d->indexModel;
    const IndexTable &table = model->table();
    markMembers([model, &table](const QString &target) {
        const int row = model->tableRowOf(target);
        if (row < 0)
            return EntryVersion();
        const IndexTable::Row &r = table.rows.at(row);
        return EntryVersion{r.since, r.deprecated};
    });
}

// The members new in the Qt 6 series get their "6.2", the deprecated ones
// are struck through; both say so in their tool tips.
void Shell::markMembers(const std::function<EntryVersion(const QString &target)> &versionOf)
{
    QTreeWidget *view = d->form->membersView;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        QTreeWidgetItem *item = view->topLevelItem(i);
        const EntryVersion version = versionOf(item->text(1));
        const QString since = newInSeries(version.since);
        item->setData(0, IndexModel::SinceRole, since);
        item->setData(0, IndexModel::DeprecatedRole, version.deprecated);
        if (const QString note = versionNote(since, version.deprecated); !note.isEmpty())
            item->setToolTip(0, item->text(0) + u'\n' + note);
    }
}

void Shell::itemClicked(QTreeWidgetItem *item)
{
    if (item && !item->text(1).isEmpty()) {
        const QString target = item->text(1);
        if (target.contains(u'#'))
            d->anchorPending = true;
        load(target);
    }
    if (item && sender() == d->form->classesView)
        loadMembers(item);
}

void Shell::jumpInIndex(const QString &text)
{
    QListView *view = d->form->indexView;
    d->indexModel->setFilter(text);
    // The first match is chosen, and shown.
    if (d->indexModel->rowCount() > 0) {
        const QModelIndex first = d->indexModel->index(0);
        view->setCurrentIndex(first);
        view->scrollTo(first, QAbstractItemView::PositionAtTop);
    }
}

void Shell::loadFirstInIndex()
{
    if (d->indexModel->rowCount() > 0)
        openIndexRow(0);
}

void Shell::openName(const QString &name)
{
    openFound(name, lookUpName(name));
}

Lookup Shell::lookUpName(const QString &name) const
{
    const IndexModel *model = d->indexModel;
    const auto pageExists = [](const QString &page) { return hasPage(page); };
    // A page name needs neither the details nor the names read.
    Lookup found = lookUpPage(name, pageExists);
    if (found.kind != Lookup::Page)
        found = lookUp(name, model->table(), &readNameTable(), pageExists, model->entryFilter());
    return found;
}

void Shell::openFound(const QString &name, const Lookup &found)
{
    openFirstPages();
    IndexModel *model = d->indexModel;
    MainWidget *form = d->form;
    switch (found.kind) {
    case Lookup::Nothing:
        return;
    case Lookup::Page:
        load(found.target);
        return;
    case Lookup::Entry:
    case Lookup::FirstMatch:
    case Lookup::NoMatch:
        break;
    }
    // The Index shows the name as its filter, with what it found chosen.
    form->leftTabs->setCurrentWidget(form->tab_2);
    form->indexLineEdit->setText(name.trimmed());
    if (found.kind == Lookup::NoMatch) {
        form->statusLabel->setText(tr("No entry in the Index holds \"%1\"").arg(name.trimmed()));
        return;
    }
    for (int row = 0; row < model->rowCount(); ++row) {
        if (model->entry(row).target == found.target) {
            form->indexView->setCurrentIndex(model->index(row));
            form->indexView->scrollTo(model->index(row));
            break;
        }
    }
    QTreeWidgetItem item({name, found.target});
    itemClicked(&item);
}

// The index has rows, not items; an entry reaches itemClicked as the item
// it would have been.
void Shell::openIndexRow(int row)
{
    const IndexEntry entry = d->indexModel->entry(row);
    if (entry.name.isNull())
        return;
    QTreeWidgetItem item({entry.name, entry.target});
    itemClicked(&item);
}

} // namespace tarn
