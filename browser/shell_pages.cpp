// Velmora: page loading, history, external links and the layout pass.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "embeddedfiles.h"
#include "lists.h"
#include "mainwidget.h"
#include "mimesourcefactory.h"
#include "pagebrowser.h"
#include "shell_p.h"

#include <QLabel>
#include <QMessageBox>
#include <QProcess>
#include <QProcessEnvironment>
#include <QScrollBar>
#include <QStringDecoder>
#include <QTextBrowser>
#include <QToolBar>
#include <QTreeWidget>

namespace tarn {

namespace {

bool isWebLink(const QString &name)
{
    for (const char *scheme : {"http:", "https:", "ftp:", "mailto:"}) {
        if (name.startsWith(QLatin1String(scheme), Qt::CaseInsensitive))
            return true;
    }
    return false;
}

} // namespace

// Page bytes in the character set the page declares, Latin-1 where none is.
// The toolkit's own guess falls back to UTF-8, which would garble the Latin-1
// letters of an undeclared page, so look for a byte order mark or a charset
// in a meta element first.
QString decodePageText(const QByteArray &bytes)
{
    const QByteArray head = bytes.left(1024).toLower();
    const qsizetype meta = head.indexOf("<meta");
    const bool declared = QStringConverter::encodingForData(bytes).has_value()
        || (meta >= 0 && head.indexOf("charset=", meta) >= 0);
    if (!declared)
        return QString::fromLatin1(bytes);
    QStringDecoder decoder = QStringDecoder::decoderForHtml(bytes);
    if (!decoder.isValid())
        return QString::fromLatin1(bytes);
    return decoder.decode(bytes);
}

QString browserProgram();
QStringList browserEnvironment(const QStringList &environment);

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

void Shell::timeout()
{
    MainWidget *form = d->form;
    if (form->navToolbar && form->navToolbar->size() != form->toolbarFrame->size())
        form->navToolbar->setFixedSize(form->toolbarFrame->size());

    const int scrollBar = form->indexView->verticalScrollBar()->sizeHint().width();
    auto fit = [](QTreeWidget *view, int width) {
        if (width > 0 && view->columnWidth(0) != width)
            view->setColumnWidth(0, width);
    };
    fit(form->indexView, form->indexView->width() - scrollBar);
    fit(form->bookmarksView, form->bookmarksView->width() - scrollBar);
    fit(form->classesView, form->classesView->width() - scrollBar);
    fit(form->membersView, form->classesView->width() - scrollBar);
    fit(form->aboutView, form->aboutView->width());
}

} // namespace tarn
