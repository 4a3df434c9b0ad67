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

    if (!parts.anchor.isEmpty() && parts.page == currentPage()) {
        browser->setLoadedName(name);
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
    browser->setLoadedName(name);
}

void Shell::linkLoad(const QString &name)
{
    // Back to this page brings back where the reader left it.
    d->form->browser->rememberLinkPosition();
    load(name);
}

void Shell::sourceChanged(const QString &name)
{
    // A page shown may have pushed older pages and images out of the caches.
    releaseFreeMemorySoon();
    d->form->captionLabel->setText(d->form->browser->documentTitle());
    d->form->browser->setLoadedName(name);
}

// The view brings each page back where the reader was when they last left
// it by a link, else where it was in the history.
void Shell::backward()
{
    d->form->browser->backward();
}

void Shell::forward()
{
    d->form->browser->forward();
}

} // namespace tarn
