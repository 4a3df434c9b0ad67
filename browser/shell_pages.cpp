// Velmora: page loading, history and external links.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "embeddedpages.h"
#include "externalbrowser.h"
#include "mainwidget.h"
#include "memorytrim.h"
#include "mimesourcefactory.h"
#include "pagebrowser.h"
#include "pagename.h"
#include "shell_p.h"

#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScrollBar>
#include <QTextBrowser>

namespace tarn {

void Shell::load(const QString &name)
{
    const PageName parts = splitPageName(name);
    PageBrowser *browser = d->form->browser;

    if (!parts.anchor.isEmpty() && parts.page == d->page) {
        d->source = name;
        if (d->anchorPending) {
            d->anchorPending = false;
            browser->scrollToAnchor(parts.anchor);
        }
        return;
    }

    if (!hasPage(parts.page) && isWebLink(name)) {
        // The view never follows a web link itself, so the reader stays
        // where they were on the page.
        auto *process = new QProcess(this);
        process->setProgram(browserProgram());
        process->setArguments({name});
        process->setEnvironment(browserEnvironment(QProcess::systemEnvironment()));
        qint64 pid = 0;
        if (!process->startDetached(&pid)) {
            QMessageBox::warning(nullptr, QStringLiteral("Velmora"),
                                 tr("Failed to execute a browser."));
        }
        // A detached process needs nothing more from its QProcess.
        delete process;
        return;
    }

    // The view takes the page from the store itself; a page it does not
    // have shows empty.
    browser->setSource(QUrl(name));
    if (!parts.anchor.isEmpty())
        browser->scrollToAnchor(parts.anchor);
    d->source = name;
    d->page = parts.page;
}

void Shell::linkLoad(const QString &name)
{
    if (!d->page.isEmpty())
        d->scrollPositions.insert(d->page, d->form->browser->verticalScrollBar()->value());
    load(name);
}

void Shell::sourceChanged(const QString &name)
{
    // A page shown may have pushed older pages and images out of the caches.
    releaseFreeMemorySoon();
    d->form->captionLabel->setText(d->form->browser->documentTitle());
    d->source = name;
    d->page = splitPageName(name).page;
}

void Shell::backward()
{
    PageBrowser *browser = d->form->browser;
    browser->backward();
    restoreScrollPosition(browser->page());
}

void Shell::forward()
{
    PageBrowser *browser = d->form->browser;
    browser->forward();
    restoreScrollPosition(browser->page());
}

// Where the reader was when they last left the page by a link, if they did.
void Shell::restoreScrollPosition(const QString &page)
{
    const auto stored = d->scrollPositions.constFind(page);
    if (stored != d->scrollPositions.constEnd())
        d->form->browser->scrollToPosition(stored.value());
}

} // namespace tarn
