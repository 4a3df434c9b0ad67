// Velmora: page loading, history and external links.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "embeddedfiles.h"
#include "externalbrowser.h"
#include "mainwidget.h"
#include "mimesourcefactory.h"
#include "pagebrowser.h"
#include "pagename.h"
#include "pagetext.h"
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
    int storedLength = 0;
    const unsigned char *stored = parts.page.isEmpty()
        ? nullptr
        : findEmbeddedFile(parts.page.toLatin1().constData(), &storedLength);
    QTextBrowser *browser = d->form->browser;

    if (!parts.anchor.isEmpty() && parts.page == d->page) {
        d->source = name;
        if (d->anchorPending) {
            d->anchorPending = false;
            browser->scrollToAnchor(parts.anchor);
        }
        return;
    }

    if (!stored && isWebLink(name)) {
        // Keep the browser on the page shown: it must not follow the link.
        if (!d->page.isEmpty())
            browser->setSource(QUrl(d->page));
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

    QString text;
    if (stored)
        text = decodePageText(qUncompress(stored, storedLength));
    const bool samePage = parts.page == splitPageName(browser->source().toString()).page;
    MimeSourceFactory::defaultFactory()->setText(parts.page, text);
    browser->setSource(QUrl(name));
    // Showing the page shown again must still read the text registered now.
    if (samePage)
        browser->reload();
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
    d->form->captionLabel->setText(d->form->browser->documentTitle());
    d->source = name;
    d->page = splitPageName(name).page;
}

void Shell::backward()
{
    QTextBrowser *browser = d->form->browser;
    browser->backward();
    const QString page = splitPageName(browser->source().toString()).page;
    const auto stored = d->scrollPositions.constFind(page);
    if (stored != d->scrollPositions.constEnd())
        browser->verticalScrollBar()->setValue(stored.value());
}

void Shell::forward()
{
    QTextBrowser *browser = d->form->browser;
    browser->forward();
    const QString page = splitPageName(browser->source().toString()).page;
    const auto stored = d->scrollPositions.constFind(page);
    if (stored != d->scrollPositions.constEnd())
        browser->verticalScrollBar()->setValue(stored.value());
}

} // namespace tarn
