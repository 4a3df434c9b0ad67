// Velmora: tests of the page view: its resource route, its history and the
// documents it keeps.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "mimesourcefactory.h"
#include "pagebrowser.h"

#include <QColor>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QScopeGuard>
#include <QScrollBar>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBlock>
#include <QTextDocument>

class tst_PageView : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void resources_servesTextAndImageFromStore();
    void resources_wrongKindOrMissing_givesEmptyValue();
    void resources_neverReadsFiles();

    void keptDocuments_sharedBudget_oldestGoFirst();
    void background_waitsForFontAndComesBackInPlace();
};

namespace {

// A page of `paragraphs` numbered paragraphs, registered under `name`.
QString registerPage(const QString &name, int paragraphs)
{
    QString html =
        QStringLiteral("<html><head><title>") + name + QStringLiteral("</title></head><body>");
    for (int i = 0; i < paragraphs; ++i)
        html += QStringLiteral("<p>%1 paragraph %2 of the page</p>").arg(name).arg(i);
    MimeSourceFactory::defaultFactory()->setText(name, html + QStringLiteral("</body></html>"));
    return name;
}

} // namespace

static QImage solidImage(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

void tst_PageView::resources_servesTextAndImageFromStore()
{
    MimeSourceFactory *f = MimeSourceFactory::defaultFactory();
    f->setText(QStringLiteral("fixture-page.html"),
               QStringLiteral("<html><head><title>Fixture</title></head><body>"
                              "<p>served text</p><img src=\"fixture-dot.png\"></body></html>"));
    f->setImage(QStringLiteral("fixture-dot.png"), solidImage(3, 2, Qt::blue));

    PageBrowser browser;
    browser.setSource(QUrl(QStringLiteral("fixture-page.html#served")));
    QCOMPARE(browser.documentTitle(), QStringLiteral("Fixture"));
    QVERIFY(browser.toPlainText().contains(QLatin1String("served text")));

    // The document asks the browser for the image it names.
    const QVariant image = browser.document()->resource(QTextDocument::ImageResource,
                                                        QUrl(QStringLiteral("fixture-dot.png")));
    QCOMPARE(image.value<QImage>().size(), QSize(3, 2));

    // An anchor does not change the name the store is asked for.
    const QVariant page = browser.loadResource(QTextDocument::HtmlResource,
                                               QUrl(QStringLiteral("fixture-page.html#a#b")));
    QVERIFY(page.toString().contains(QLatin1String("served text")));
}

void tst_PageView::resources_wrongKindOrMissing_givesEmptyValue()
{
    MimeSourceFactory *f = MimeSourceFactory::defaultFactory();
    f->setText(QStringLiteral("fixture-text.png"), QStringLiteral("not pixels"));
    f->setImage(QStringLiteral("fixture-image.html"), solidImage(4, 4, Qt::blue));

    PageBrowser browser;
    const QImage asImage =
        browser.loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("fixture-text.png")))
            .value<QImage>();
    QVERIFY(asImage.size() != QSize(4, 4));
    QCOMPARE(asImage.pixelColor(0, 0).alpha(), 0);

    const QVariant asText = browser.loadResource(QTextDocument::HtmlResource,
                                                 QUrl(QStringLiteral("fixture-image.html")));
    QCOMPARE(asText.userType(), QMetaType::QString);
    QVERIFY(asText.toString().isEmpty());

    const QVariant missingSheet = browser.loadResource(QTextDocument::StyleSheetResource,
                                                       QUrl(QStringLiteral("no-such.css")));
    QCOMPARE(missingSheet.userType(), QMetaType::QString);
    QVERIFY(missingSheet.toString().isEmpty());
}

void tst_PageView::resources_neverReadsFiles()
{
    QTemporaryDir dir;
    QVERIFY(dir.isValid());
    const QString oldCwd = QDir::currentPath();
    QVERIFY(QDir::setCurrent(dir.path()));
    const auto restore = qScopeGuard([&] { QDir::setCurrent(oldCwd); });

    QFile page(dir.filePath(QStringLiteral("ondisk.html")));
    QVERIFY(page.open(QIODevice::WriteOnly));
    page.write("<html><body>from the disk</body></html>");
    page.close();
    QVERIFY(solidImage(5, 5, Qt::red).save(dir.filePath(QStringLiteral("ondisk.png"))));

    PageBrowser browser;
    browser.setSource(QUrl(QStringLiteral("ondisk.html")));
    QVERIFY(!browser.toPlainText().contains(QLatin1String("from the disk")));

    const QList<QUrl> imageUrls = {QUrl(QStringLiteral("ondisk.png")),
                                   QUrl::fromLocalFile(dir.filePath(QStringLiteral("ondisk.png")))};
    for (const QUrl &url : imageUrls) {
        const QVariant direct = browser.loadResource(QTextDocument::ImageResource, url);
        QVERIFY2(direct.value<QImage>().size() != QSize(5, 5), qPrintable(url.toString()));
        // Nor may the document fall back to the file when the browser had nothing.
        const QVariant viaDocument =
            browser.document()->resource(QTextDocument::ImageResource, url);
        QVERIFY2(viaDocument.value<QImage>().size() != QSize(5, 5), qPrintable(url.toString()));
    }
}

// Views that share a budget keep within it together: the documents left
// longest ago go first, whichever view holds them, and a view in the
// background that lost its page shows it again when it comes to the front.
void tst_PageView::keptDocuments_sharedBudget_oldestGoFirst()
{
    PageBrowser a;
    PageBrowser b;
    b.shareKeptDocuments(a.keptDocuments());
    QCOMPARE(b.keptDocuments(), a.keptDocuments());
    const QString pages[] = {registerPage(QStringLiteral("kept-1.html"), 400),
                             registerPage(QStringLiteral("kept-2.html"), 400),
                             registerPage(QStringLiteral("kept-3.html"), 400)};
    a.setSource(QUrl(pages[0]));
    a.setSource(QUrl(pages[1]));
    const qint64 one = a.keptDocumentBytes();
    QVERIFY(one > 0);
    QCOMPARE(a.keptDocumentCount(), 1);
    // Room for two: b's page in the background is the third.
    a.setKeptDocumentBudget(2 * one + one / 2);
    b.setSource(QUrl(pages[2]));
    b.setInFront(false);
    QCOMPARE(a.keptDocumentCount(), 2);
    QVERIFY(!b.isPageDeferred());
    a.setSource(QUrl(pages[0]));
    // Three would not fit: the oldest, kept-1 of a, went.
    QCOMPARE(a.keptDocumentCount(), 2);
    QVERIFY(!b.isPageDeferred());
    a.setSource(QUrl(pages[2]));
    QVERIFY(b.isPageDeferred());
    QCOMPARE(b.title(), QStringLiteral("kept-3.html"));
    QCOMPARE(b.document()->isEmpty(), true);
    b.setInFront(true);
    QVERIFY(!b.isPageDeferred());
    QVERIFY(b.toPlainText().contains(QLatin1String("kept-3.html paragraph 399")));
    QVERIFY(a.keptDocumentBytes() <= a.keptDocumentBudget());
}

// A new font reaches a view in the background when it comes to the front,
// with the line it showed at the top still there.
void tst_PageView::background_waitsForFontAndComesBackInPlace()
{
    PageBrowser view;
    view.resize(500, 400);
    view.show();
    QVERIFY(QTest::qWaitForWindowExposed(&view));
    view.setSource(QUrl(registerPage(QStringLiteral("font-wait.html"), 600)));
    view.finishPage();
    view.verticalScrollBar()->setValue(view.verticalScrollBar()->maximum() / 2);
    const QString top = view.cursorForPosition(QPoint(0, 0)).block().text();
    view.setInFront(false);
    QFont larger = view.font();
    larger.setPointSize(larger.pointSize() + 6);
    const QFont before = view.document()->defaultFont();
    view.setFont(larger);
    QCOMPARE(view.document()->defaultFont(), before);
    view.setInFront(true);
    QCOMPARE(view.document()->defaultFont().pointSize(), larger.pointSize());
    QCOMPARE(view.cursorForPosition(QPoint(0, 0)).block().text(), top);
}

QTEST_MAIN(tst_PageView)
#include "tst_pageview.moc"
