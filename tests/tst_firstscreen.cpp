// Velmora: the first screen of a class page shows the class: title, brief, header table.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "pagebrowser.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QSettings>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>
#include <QTreeWidget>

using tarn::Shell;

namespace {

// Every n-th class of the Contents tab, for about `count` classes spread
// over the whole alphabet and every module.
QStringList sampleClassPages(const Shell &shell, int count)
{
    const QTreeWidget *classes = shell.form()->classesView;
    QStringList pages;
    for (int i = 0; i < classes->topLevelItemCount(); ++i) {
        const QString page = classes->topLevelItem(i)->text(1).section(u'#', 0, 0);
        if (!page.isEmpty() && !pages.contains(page))
            pages.append(page);
    }
    QStringList sample;
    const qsizetype step = qMax<qsizetype>(1, pages.size() / count);
    for (qsizetype i = 0; i < pages.size(); i += step)
        sample.append(pages.at(i));
    return sample;
}

// The first block whose text starts with `prefix`, or that holds a link
// to `href` reading `linkText`; an invalid block when there is none.
QTextBlock findBlock(const QTextDocument *document, const QString &prefix, const QString &href,
                     const QString &linkText = QString())
{
    for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
        if (!prefix.isEmpty() && block.text().trimmed().startsWith(prefix))
            return block;
        if (href.isEmpty())
            continue;
        for (auto it = block.begin(); !it.atEnd(); ++it) {
            if (it.fragment().charFormat().anchorHref() == href && it.fragment().text() == linkText)
                return block;
        }
    }
    return QTextBlock();
}

} // namespace

class tst_FirstScreen : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora")).clear();
    }

    // In the window of a first start, 900 x 700, every page of a sample of
    // the class pages shows its title, its brief and the first row of its
    // header table without a scroll.
    void classPageOpensOnTheClass()
    {
        Shell shell;
        const QStringList pages = sampleClassPages(shell, 60);
        QVERIFY2(pages.size() >= 50, qPrintable(QString::number(pages.size())));
        shell.resize(900, 700);
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        PageBrowser *view = shell.pageView();
        QStringList failures;
        for (const QString &page : pages) {
            shell.load(page);
            QCOMPARE(view->verticalScrollBar()->value(), 0);
            const QTextDocument *document = view->document();
            QAbstractTextDocumentLayout *layout = document->documentLayout();
            const qreal screen = view->viewport()->height();
            const QString title = QString(document->metaInformation(QTextDocument::DocumentTitle))
                                      .section(QLatin1Char('|'), 0, 0)
                                      .trimmed();
            // A nested class may have no brief and no header table.
            const QString source = view->pageText();
            const struct
            {
                const char *what;
                bool expected;
                QTextBlock block;
            } parts[] = {
                {"title", true, findBlock(document, title, QString())},
                {"brief", source.contains(QLatin1String("#details\">More...</a>")),
                 findBlock(document, QString(), QStringLiteral("#details"),
                           QStringLiteral("More..."))},
                {"header table", source.contains(QLatin1String("Header:</td>")),
                 findBlock(document, QStringLiteral("Header:"), QString())},
            };
            qreal previous = -1;
            for (const auto &part : parts) {
                if (!part.expected)
                    continue;
                if (!part.block.isValid()) {
                    failures.append(page + QLatin1String(": no ") + QLatin1String(part.what));
                    continue;
                }
                const QRectF rect = layout->blockBoundingRect(part.block);
                if (rect.bottom() > screen)
                    failures.append(QStringLiteral("%1: the %2 ends at %3 px of %4")
                                        .arg(page, QLatin1String(part.what))
                                        .arg(rect.bottom())
                                        .arg(screen));
                // In this order, one under the other.
                if (rect.top() < previous)
                    failures.append(page + QLatin1String(": the ") + QLatin1String(part.what)
                                    + QLatin1String(" comes before what precedes it"));
                previous = rect.top();
            }
        }
        QVERIFY2(failures.isEmpty(), qPrintable(failures.join(u'\n')));
    }
};

QTEST_MAIN(tst_FirstScreen)
#include "tst_firstscreen.moc"
