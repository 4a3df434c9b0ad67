// Velmora: bookmarks.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "pagebrowser.h"
#include "pagename.h"
#include "savedstate.h"
#include "shell_p.h"
#include "utils.h"

#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QSettings>
#include <QTabWidget>
#include <QTextBrowser>
#include <QTreeWidget>

#include <functional>

namespace tarn {

namespace {

// Bookmarks keep the order of their labels as people read them.
class BookmarkItem : public QTreeWidgetItem
{
public:
    BookmarkItem(const QString &label, const QString &url)
        : QTreeWidgetItem({label, url, QString()})
    {
        setIcon(0, Utils::iconSet(QStringLiteral("bookmark")));
    }

    bool operator<(const QTreeWidgetItem &other) const override
    {
        const int column = treeWidget() ? treeWidget()->sortColumn() : 0;
        return text(column).localeAwareCompare(other.text(column)) < 0;
    }
};

} // namespace

void Shell::loadBookmarks()
{
    QTreeWidget *view = d->form->bookmarksView;
    for (const Bookmark &bookmark : std::as_const(d->restored.bookmarks))
        view->addTopLevelItem(new BookmarkItem(bookmark.label, bookmark.url));
}

QList<Bookmark> Shell::shownBookmarks() const
{
    QList<Bookmark> bookmarks;
    QTreeWidget *view = d->form->bookmarksView;
    for (int i = 0; i < view->topLevelItemCount(); ++i)
        bookmarks.append({view->topLevelItem(i)->text(0), view->topLevelItem(i)->text(1)});
    return bookmarks;
}

// What to write when the store holds `stored`: this window's bookmarks in
// its list's order, then those another window wrote there that this one has
// never shown. A bookmark is its label and URL; a pair may stand twice.
QList<Bookmark> Shell::mergedBookmarks(QList<Bookmark> stored) const
{
    const QList<Bookmark> shown = shownBookmarks();
    for (const Bookmark &bookmark : shown)
        stored.removeOne(bookmark);
    return shown + stored;
}

// Each change is made to what the store holds now and written at once: a
// second window's additions stay, and a crash or a killed session loses
// nothing.
void Shell::changeStoredBookmarks(const std::function<void(QList<Bookmark> &)> &change)
{
    d->settings->sync();
    QList<Bookmark> stored = SavedState::readBookmarks(*d->settings);
    change(stored);
    SavedState::writeBookmarks(*d->settings, mergedBookmarks(stored));
    d->settings->sync();
}

void Shell::addBookmark()
{
    const QString source = d->form->browser->source().toString();
    const PageName parts = splitPageName(source);
    QString label = d->form->captionLabel->text();
    // A page without a title is named by its page: a bookmark without a
    // label would not even survive the store (one empty name reads back as
    // no names at all).
    if (label.isEmpty())
        label = parts.page;
    if (!parts.anchor.isEmpty())
        label += QLatin1String(" #") + parts.anchor;
    d->form->bookmarksView->addTopLevelItem(new BookmarkItem(label, source));
    d->form->leftTabs->setCurrentIndex(2);
    changeStoredBookmarks([&](QList<Bookmark> &stored) { stored.append({label, source}); });
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
    const Bookmark before{item->text(0), item->text(1)};
    item->setText(0, label);
    changeStoredBookmarks([&](QList<Bookmark> &stored) {
        const qsizetype at = stored.indexOf(before);
        if (at >= 0)
            stored[at].label = label;
        else
            stored.append({label, before.url});
    });
}

void Shell::deleteBookmark()
{
    QTreeWidgetItem *item = d->form->bookmarksView->currentItem();
    if (!item)
        return;
    const Bookmark gone{item->text(0), item->text(1)};
    delete item;
    changeStoredBookmarks([&](QList<Bookmark> &stored) { stored.removeOne(gone); });
}

} // namespace tarn
