// Velmora: bookmarks.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "lists.h"
#include "mainwidget.h"
#include "pagebrowser.h"
#include "shell_p.h"
#include "utils.h"

#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>

namespace tarn {

namespace {

const QString namesKey = QStringLiteral("/velmora/bookmarks/names");
const QString urlsKey = QStringLiteral("/velmora/bookmarks/urls");

// Bookmarks keep the order of their labels as people read them.
class BookmarkItem : public QTreeWidgetItem
{
public:
    BookmarkItem(const QString &label, const QString &url)
        : QTreeWidgetItem({label, url, QString()})
    {
        setIcon(0, QIcon(Utils::icon(QStringLiteral("bookmark"))));
    }

    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return text(column).localeAwareCompare(other.text(column)) < 0;
    }
};

// A stored list. Anything but strings (a damaged store) reads as an empty
// list, and so does a single empty string.
QStringList readList(QSettings *settings, const QString &key)
{
    const QVariant value = settings->value(key);
    if (value.typeId() == QMetaType::QStringList)
        return value.toStringList();
    if (value.typeId() == QMetaType::QString) {
        const QString single = value.toString();
        return single.isEmpty() ? QStringList() : QStringList{single};
    }
    if (value.typeId() == QMetaType::QVariantList) {
        QStringList result;
        for (const QVariant &entry : value.toList()) {
            if (entry.typeId() != QMetaType::QString)
                return {};
            result.append(entry.toString());
        }
        return result;
    }
    return {};
}

} // namespace

void Shell::loadBookmarks()
{
    const QStringList names = readList(d->settings, namesKey);
    const QStringList urls = readList(d->settings, urlsKey);
    QTreeWidget *view = d->form->bookmarksView;
    for (qsizetype i = 0; i < names.size(); ++i)
        view->addTopLevelItem(new BookmarkItem(names.at(i), urls.value(i)));
}

void Shell::saveBookmarks()
{
    QStringList names;
    QStringList urls;
    QTreeWidget *view = d->form->bookmarksView;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        names.append(view->topLevelItem(i)->text(0));
        urls.append(view->topLevelItem(i)->text(1));
    }
    d->settings->setValue(namesKey, names);
    d->settings->setValue(urlsKey, urls);
}

void Shell::addBookmark()
{
    const QString source = d->form->browser->source().toString();
    const PageName parts = splitPageName(source);
    QString label = d->form->captionLabel->text();
    if (!parts.anchor.isEmpty())
        label += QLatin1String(" #") + parts.anchor;
    d->form->bookmarksView->addTopLevelItem(new BookmarkItem(label, source));
    d->form->leftTabs->setCurrentIndex(2);
    // Written at once as well, and flushed to disk, so a crash or a killed
    // session never loses a bookmark.
    saveBookmarks();
    d->settings->sync();
}

void Shell::itemRBClicked(QTreeWidgetItem *item, const QPoint &pos, int)
{
    if (!item)
        return;
    d->bookmarkMenu->popup(pos);
}

void Shell::renameBookmark()
{
    QTreeWidgetItem *item = d->form->bookmarksView->currentItem();
    if (!item)
        return;
    bool ok = false;
    const QString label =
        QInputDialog::getText(this, QStringLiteral("Velmora"), tr("Enter new Label:"),
                              QLineEdit::Normal, item->text(0), &ok);
    if (!ok)
        return;
    item->setText(0, label);
    saveBookmarks();
    d->settings->sync();
}

void Shell::deleteBookmark()
{
    QTreeWidgetItem *item = d->form->bookmarksView->currentItem();
    if (!item)
        return;
    delete item;
    saveBookmarks();
    d->settings->sync();
}

} // namespace tarn
