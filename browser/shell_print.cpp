// Velmora: printing the page shown.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "pagebrowser.h"
#include "printlayout.h"
#include "shell_p.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QPainter>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextCursor>
#include <QTextDocument>
#include <QTextFragment>
#include <QVector>
#include <QtMath>

namespace tarn {

namespace {

// A document for the printer that finds its style sheets and images where
// the page view finds them, in the light style whatever the view shows.
class PrintDocument : public QTextDocument
{
public:
    explicit PrintDocument(PageBrowser *browser)
        : m_browser(browser)
    {
    }

protected:
    QVariant loadResource(int type, const QUrl &name) override
    {
        return m_browser->loadPlainResource(type, name);
    }

private:
    PageBrowser *m_browser;
};

// Links print blue and underlined, whatever their colour on screen.
void markLinks(QTextDocument *document)
{
    // Collect first: merging a format can join fragments under an iterator.
    QVector<QPair<int, int>> links;
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            const QTextFragment fragment = it.fragment();
            // By its target: after a first letter styled on its own, the
            // rest of a link may carry the target without the anchor flag.
            if (fragment.isValid() && !fragment.charFormat().anchorHref().isEmpty())
                links.append({fragment.position(), fragment.length()});
        }
    }
    QTextCharFormat link;
    link.setForeground(Qt::blue);
    link.setFontUnderline(true);
    QTextCursor cursor(document);
    for (const auto &[position, length] : std::as_const(links)) {
        cursor.setPosition(position);
        cursor.setPosition(position + length, QTextCursor::KeepAnchor);
        cursor.mergeCharFormat(link);
    }
}

} // namespace

void Shell::print()
{
    QPrinter printer(QPrinter::ScreenResolution);
    printer.setFullPage(true);
    QPrintDialog dialog(&printer, this);
    if (dialog.exec() != QDialog::Accepted)
        return;
    printDocument(&printer);
}

void Shell::printDocument(QPrinter *printer)
{
    printer->setFullPage(true);
    QPainter painter;
    if (!painter.begin(printer))
        return;

    const PrintGeometry geometry = printGeometry(printer->width(), printer->height(),
                                                 printer->logicalDpiX(), printer->logicalDpiY());

    PageBrowser *browser = d->form->browser;
    PrintDocument document(browser);
    document.setDefaultStyleSheet(browser->document()->defaultStyleSheet());
    // The application font, not the zoomed page font.
    document.setDefaultFont(QApplication::font());
    // The page's own text from the view's source; what the view shows when
    // the source has no such page.
    const QString text = browser->pageText();
    document.setHtml(text.isNull() ? browser->toHtml() : text);
    markLinks(&document);
    document.documentLayout()->setPaintDevice(printer);
    document.setPageSize(QSizeF(geometry.area.width(), geometry.bandHeight));

    const int textHeight = qCeil(document.size().height());
    const int sheets = sheetCount(textHeight, geometry.bandHeight);
    // Metrics of the printer, not of the screen.
    const QFontMetrics metrics = painter.fontMetrics();
    for (int sheet = 0; sheet < sheets; ++sheet) {
        if (sheet > 0)
            printer->newPage();
        painter.save();
        painter.translate(geometry.area.left(), geometry.area.top() - sheet * geometry.bandHeight);
        // As drawContents does, but with the colours of a light page: the
        // dark theme is for the screen.
        QAbstractTextDocumentLayout::PaintContext context;
        context.palette = lightPalette();
        context.clip =
            QRectF(0, sheet * geometry.bandHeight, geometry.area.width(), geometry.bandHeight);
        painter.setClipRect(context.clip);
        document.documentLayout()->draw(&painter, context);
        painter.restore();

        const QString number = QString::number(sheet + 1);
        const QRect &area = geometry.area;
        painter.drawText(area.right() - metrics.horizontalAdvance(number),
                         area.bottom() + metrics.ascent() + 5, number);
    }
    painter.end();
}

} // namespace tarn
