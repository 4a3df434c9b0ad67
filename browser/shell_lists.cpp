// Velmora: the contents, members and index lists.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "docnames.h"
#include "embeddedfiles.h"
#include "listformat.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "shell_p.h"
#include "utils.h"

#include <QHash>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <QTreeWidget>

#include <algorithm>

namespace tarn {

namespace {

// The text of an embedded list file; empty when it is missing.
QString listText(const char *name)
{
    int storedLength = 0;
    const unsigned char *stored = findEmbeddedFile(name, &storedLength);
    if (!stored)
        return QString();
    return QString::fromUtf8(qUncompress(stored, storedLength));
}

// Kind icons are shared between thousands of items; build each once.
QIcon kindIcon(QStringView kind)
{
    static QHash<QString, QIcon> icons;
    const QString iconName = kindIconName(kind);
    if (iconName.isEmpty())
        return QIcon();
    auto it = icons.find(iconName);
    if (it == icons.end())
        it = icons.insert(iconName, QIcon(Utils::icon(iconName)));
    return it.value();
}

// Display order of names: case folded first, so "addAction" and "QAction"
// sort as a reader expects; exact order breaks ties.
bool displayLess(const QString &a, const QString &b)
{
    const int folded = a.compare(b, Qt::CaseInsensitive);
    return folded != 0 ? folded < 0 : a < b;
}

// Entries without a kind have no icon; keep their names in line with the
// names of entries that have one.
class KindColumnDelegate : public QStyledItemDelegate
{
public:
    using QStyledItemDelegate::QStyledItemDelegate;

protected:
    void initStyleOption(QStyleOptionViewItem *option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::initStyleOption(option, index);
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
    const QString text = listText(docnames::indexList);
    struct Row
    {
        IndexEntry entry;
        QString key;
    };
    QVector<Row> rows;
    const QList<QStringView> lines = splitListLines(text);
    rows.reserve(lines.size());
    for (const QStringView line : lines) {
        Row row{parseIndexLine(line), QString()};
        row.key = indexSortKey(row.entry);
        rows.append(std::move(row));
    }
    std::stable_sort(rows.begin(), rows.end(),
                     [](const Row &a, const Row &b) { return displayLess(a.key, b.key); });

    QList<QTreeWidgetItem *> items;
    items.reserve(rows.size());
    for (const Row &row : rows) {
        auto *item = new QTreeWidgetItem({row.entry.name, row.entry.target, row.key});
        const QIcon icon = kindIcon(row.entry.kind);
        if (!icon.isNull())
            item->setIcon(0, icon);
        items.append(item);
    }
    d->form->indexView->setItemDelegate(new KindColumnDelegate(d->form->indexView));
    fillInOrder(d->form->indexView, items);
    d->indexItems = QVector<QTreeWidgetItem *>(items.begin(), items.end());
    d->indexVisible = QVector<bool>(items.size(), true);
    d->indexFilter.clear();
}

void Shell::readContents()
{
    const QString text = listText(docnames::contentsList);
    QVector<ContentsClass> classes;
    const QList<QStringView> lines = splitListLines(text);
    classes.reserve(lines.size());
    for (const QStringView line : lines)
        classes.append(parseContentsLine(line));
    std::stable_sort(
        classes.begin(), classes.end(),
        [](const ContentsClass &a, const ContentsClass &b) { return displayLess(a.name, b.name); });

    QList<QTreeWidgetItem *> items;
    items.reserve(classes.size());
    for (const ContentsClass &entry : classes) {
        auto *item = new QTreeWidgetItem({entry.name, entry.page, entry.members});
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
    view->setUpdatesEnabled(true);
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
    QTreeWidget *view = d->form->indexView;
    const QVector<QTreeWidgetItem *> &items = d->indexItems;
    QVector<bool> &visible = d->indexVisible;

    // Typing more can only hide entries, deleting can only show them again:
    // look only at the entries whose state the new text can change.
    const QString &previous = d->indexFilter;
    const bool narrowing = text.contains(previous, Qt::CaseInsensitive);
    const bool widening = previous.contains(text, Qt::CaseInsensitive);

    QList<QTreeWidgetItem *> shown;
    shown.reserve(items.size());
    qsizetype changes = 0;
    for (qsizetype i = 0; i < items.size(); ++i) {
        const bool was = visible.at(i);
        bool now;
        if (narrowing && !was)
            now = false;
        else if (widening && was)
            now = true;
        else
            now = items.at(i)->text(0).contains(text, Qt::CaseInsensitive);
        if (now != was) {
            visible[i] = now;
            ++changes;
        }
        if (now)
            shown.append(items.at(i));
    }
    d->indexFilter = text;

    view->setUpdatesEnabled(false);
    if (changes > 0) {
        // Hiding rows one by one costs the view a persistent index and a
        // relayout per row; with thousands changing at a keystroke, taking
        // every entry out and putting the matching ones back is far cheaper.
        // A filtered-out entry stays alive, marked hidden, outside the view.
        view->clearSelection();
        view->invisibleRootItem()->takeChildren();
        for (qsizetype i = 0; i < items.size(); ++i)
            items.at(i)->setHidden(!visible.at(i));
        view->addTopLevelItems(shown);
    }
    if (!shown.isEmpty()) {
        view->clearSelection();
        shown.constFirst()->setSelected(true);
    }
    view->setUpdatesEnabled(true);
}

void Shell::loadFirstInIndex()
{
    const QVector<QTreeWidgetItem *> &items = d->indexItems;
    for (qsizetype i = 0; i < items.size(); ++i) {
        if (d->indexVisible.at(i)) {
            itemClicked(items.at(i));
            return;
        }
    }
}

} // namespace tarn
