// Velmora: find in page.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "pagebrowser.h"
#include "searchdialog.h"
#include "shell_p.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>

namespace tarn {

namespace {

// Absolute document position of (block, offset), clamped into the document.
int documentPosition(const QTextDocument *document, int block, int offset)
{
    const QTextBlock found = document->findBlockByNumber(block);
    if (!found.isValid())
        return document->characterCount() - 1;
    return found.position() + qBound(0, offset, found.length() - 1);
}

} // namespace

void Shell::search()
{
    search(false);
}

void Shell::search(bool next)
{
    if (!d->searchDialog)
        d->searchDialog = new SearchDialog(this);
    SearchDialog *dialog = d->searchDialog;
    PageBrowser *browser = d->form->browser;
    // Find looks through the whole page, not the part parsed so far.
    browser->finishPage();
    QTextDocument *document = browser->document();
    const bool backwards = dialog->checkFindBackwards->isChecked();

    int from;
    if (!next) {
        d->searchParagraph = 0;
        d->searchIndex = 0;
        dialog->lineSearch->clear();
        // Typing goes into the text at once, every time the dialog opens.
        dialog->lineSearch->setFocus();
        if (dialog->exec() != QDialog::Accepted)
            return;
        // A new backward search starts at the end of the page: from the top
        // it could never find anything.
        from = dialog->checkFindBackwards->isChecked() ? document->characterCount() - 1 : 0;
    } else {
        // One character past the start of the last match. A backward find
        // only takes matches that start before its cursor, so backwards the
        // cursor goes back onto that start: the match just before it is next.
        ++d->searchIndex;
        from = documentPosition(document, d->searchParagraph,
                                backwards ? d->searchIndex - 1 : d->searchIndex);
    }

    const QString text = dialog->lineSearch->text();
    QTextDocument::FindFlags flags;
    if (dialog->checkCaseSensitive->isChecked())
        flags |= QTextDocument::FindCaseSensitively;
    if (dialog->checkWholeWords->isChecked())
        flags |= QTextDocument::FindWholeWords;
    if (dialog->checkFindBackwards->isChecked())
        flags |= QTextDocument::FindBackward;

    QTextCursor found;
    if (!text.isEmpty()) {
        QTextCursor start(document);
        start.setPosition(qBound(0, from, document->characterCount() - 1));
        found = document->find(text, start, flags);
    }
    if (!found.isNull()) {
        browser->setTextCursor(found);
        browser->ensureCursorVisible();
        const QTextBlock block = found.block();
        d->searchParagraph = block.blockNumber();
        d->searchIndex = found.selectionStart() - block.position();
        return;
    }

    d->searchParagraph = 0;
    d->searchIndex = 0;
    QMessageBox::warning(nullptr, QStringLiteral("Velmora"), tr("No match found for ") + text);
}

void Shell::searchNext()
{
    search(true);
}

} // namespace tarn
