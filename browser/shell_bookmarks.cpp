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

namespace tarn {

namespace {

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

void Shell::saveBookmarks()
{
    SavedState::writeBookmarks(*d->settings, shownBookmarks());
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
