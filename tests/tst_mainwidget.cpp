// Velmora: tests of the central form and of the page view's resource route.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "mainwidget.h"
#include "mimesourcefactory.h"
#include "pagebrowser.h"

#include <QApplication>
#include <QColor>
#include <QDir>
#include <QFile>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRegularExpression>
#include <QScopeGuard>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextDocument>
#include <QTreeWidget>

class tst_MainWidget : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase();

    void construct_namesEveryWidgetAfterItsMember();
    void construct_keepsGivenName();
    void construct_sizeIs685x619UnlessHintIsLarger();
    void layout_keepsFixedHeights_data();
    void layout_keepsFixedHeights();
    void logo_isWhiteWithStoreImage_andSurvivesLanguageChange();
    void languageChange_twiceLeaves24HelpRows();
    void languageChangeEvent_rebuildsRows();

    void pageBrowser_servesTextAndImageFromStore();
    void pageBrowser_wrongKindOrMissing_givesEmptyValue();
    void pageBrowser_neverReadsFiles();

private:
    static void invokeLanguageChange(MainWidget *form)
    {
        QVERIFY(QMetaObject::invokeMethod(form, "languageChange"));
    }
};

static QImage solidImage(int w, int h, QColor colour)
{
    QImage image(w, h, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

void tst_MainWidget::initTestCase()
{
    // Known images under the names the form asks for, so the test does not
    // depend on what the linked table holds. vxbugs.png stays unregistered
    // unless the table has it.
    MimeSourceFactory *f = MimeSourceFactory::defaultFactory();
    f->setImage(QStringLiteral("logo.png"), solidImage(280, 48, Qt::darkBlue));
    f->setImage(QStringLiteral("vxinfo.png"), solidImage(16, 16, Qt::green));
    f->setImage(QStringLiteral("vxabout.png"), solidImage(16, 16, Qt::red));
}

void tst_MainWidget::construct_namesEveryWidgetAfterItsMember()
{
    MainWidget form;
    QCOMPARE(form.objectName(), QStringLiteral("MainWidget"));
    QCOMPARE(form.navToolbar, nullptr);

    const QList<QPair<QObject *, const char *>> members = {
        {form.splitter, "splitter"},
        {form.leftTabs, "leftTabs"},
        {form.tab, "tab"},
        {form.membersFrame, "membersFrame"},
        {form.membersLabel, "membersLabel"},
        {form.membersView, "membersView"},
        {form.classesFrame, "classesFrame"},
        {form.classesLabel, "classesLabel"},
        {form.classesView, "classesView"},
        {form.tab_2, "tab_2"},
        {form.indexLineEdit, "indexLineEdit"},
        {form.contentsFrame, "contentsFrame"},
        {form.contentsLabel, "contentsLabel"},
        {form.indexView, "indexView"},
        {form.tab_3, "tab_3"},
        {form.bookmarkFrame, "bookmarkFrame"},
        {form.bookmarksLabel, "bookmarksLabel"},
        {form.bookmarksView, "bookmarksView"},
        {form.tab_4, "tab_4"},
        {form.aboutFrame, "aboutFrame"},
        {form.logoLabel, "logoLabel"},
        {form.aboutLabel, "aboutLabel"},
        {form.aboutView, "aboutView"},
        {form.browserFrame, "browserFrame"},
        {form.browser, "browser"},
        {form.captionLabel, "captionLabel"},
        {form.toolbarFrame, "toolbarFrame"},
        {form.statusLabel, "statusLabel"},
    };
    for (const auto &[object, name] : members) {
        QVERIFY2(object, name);
        QCOMPARE(object->objectName(), QLatin1String(name));
        // Everything hangs off the form, so the form's destructor cleans up.
        QVERIFY2(form.isAncestorOf(qobject_cast<QWidget *>(object)), name);
    }

    QCOMPARE(form.splitter->orientation(), Qt::Horizontal);
    QCOMPARE(form.splitter->widget(0), form.leftTabs);
    QCOMPARE(form.splitter->widget(1), form.browserFrame);
    QCOMPARE(form.leftTabs->count(), 4);
    const QList<QWidget *> pages = {form.tab, form.tab_2, form.tab_3, form.tab_4};
    const QStringList titles = {QStringLiteral("Contents"), QStringLiteral("Index"),
                                QStringLiteral("Bookmarks"), QStringLiteral("Help")};
    for (int i = 0; i < 4; ++i) {
        QCOMPARE(form.leftTabs->widget(i), pages.at(i));
        QCOMPARE(form.leftTabs->tabText(i), titles.at(i));
    }
    QVERIFY(form.statusLabel->font().bold());
    QVERIFY(form.classesLabel->font().bold());
    QVERIFY(!form.indexLineEdit->font().bold());
    QVERIFY(qobject_cast<PageBrowser *>(form.browser));
}

void tst_MainWidget::construct_keepsGivenName()
{
    MainWidget form(nullptr, "centre");
    QCOMPARE(form.objectName(), QStringLiteral("centre"));
}

void tst_MainWidget::construct_sizeIs685x619UnlessHintIsLarger()
{
    MainWidget form;
    QCOMPARE(form.size(), QSize(685, 619).expandedTo(form.minimumSizeHint()));

    // A huge font makes the minimum hint taller than 619; the form grows to it.
    QFont big = QApplication::font();
    big.setPixelSize(160);
    const QFont saved = QApplication::font();
    QApplication::setFont(big);
    MainWidget tall;
    QApplication::setFont(saved);
    QVERIFY2(tall.minimumSizeHint().height() > 619, "the font did not enlarge the hint");
    QCOMPARE(tall.height(), tall.minimumSizeHint().height());
    QCOMPARE(tall.size(), QSize(685, 619).expandedTo(tall.minimumSizeHint()));
}

void tst_MainWidget::layout_keepsFixedHeights_data()
{
    QTest::addColumn<QSize>("size");
    QTest::newRow("initial") << QSize();
    QTest::newRow("small") << QSize(300, 250);
    QTest::newRow("tall") << QSize(900, 1400);
}

void tst_MainWidget::layout_keepsFixedHeights()
{
    QFETCH(QSize, size);
    MainWidget form;
    if (size.isValid())
        form.resize(size);
    form.show();
    QVERIFY(QTest::qWaitForWindowExposed(&form));

    QCOMPARE(form.toolbarFrame->height(), 30);
    QVERIFY2(form.statusLabel->height() >= 16 && form.statusLabel->height() <= 20,
             qPrintable(QString::number(form.statusLabel->height())));
    QVERIFY(form.classesLabel->width() >= 150);
}

void tst_MainWidget::logo_isWhiteWithStoreImage_andSurvivesLanguageChange()
{
    MainWidget form;
    invokeLanguageChange(&form);
    QVERIFY(form.logoLabel->autoFillBackground());
    QCOMPARE(form.logoLabel->palette().color(form.logoLabel->backgroundRole()),
             QColor(255, 255, 255));
    QVERIFY(form.logoLabel->text().isEmpty());
    // Clearing the label's text must not have dropped the pixmap.
    const QPixmap logo = form.logoLabel->pixmap();
    QCOMPARE(logo.size(), QSize(280, 48));
    QCOMPARE(logo.toImage().pixelColor(10, 10), QColor(Qt::darkBlue));
}

void tst_MainWidget::languageChange_twiceLeaves24HelpRows()
{
    MainWidget form;
    invokeLanguageChange(&form);
    invokeLanguageChange(&form);

    static const char *const pages[] = {
        "t1.html",        "x95.html",        "x145.html",      "x263.html",    "x381.html",
        "x402.html",      "x409.html",       "x414.html",      "x424.html",    "x3455.html",
        "x3540.html",     "x3631.html",      "x3662.html",     "x3735.html",   "x3835.html",
        "x3978.html",     "x4001.html",      "vxabout.html",   "vxicons.html", "vxlicense.html",
        "vxsupport.html", "vxproducts.html", "vxembeded.html", "vxbugs.html"};
    QTreeWidget *view = form.aboutView;
    QCOMPARE(view->topLevelItemCount(), 24);
    for (int i = 0; i < 24; ++i) {
        const QTreeWidgetItem *item = view->topLevelItem(i);
        QCOMPARE(item->text(1), QLatin1String(pages[i]));
        QCOMPARE(item->text(2), QStringLiteral("%1").arg(i + 1, 2, 10, QLatin1Char('0')));
        QVERIFY(item->text(0).contains(QLatin1String(" :: ")));
    }
    QCOMPARE(view->topLevelItem(0)->text(0), QStringLiteral("Qt :: Introduction"));
    QCOMPARE(view->topLevelItem(16)->text(0), QStringLiteral("Qt :: D-Bus"));
    QCOMPARE(view->topLevelItem(23)->text(0), QStringLiteral("Tessaravox :: Bug Reports"));

    // Icons come from the store by full file name.
    const QImage info = view->topLevelItem(0)->icon(0).pixmap(16, 16).toImage();
    QCOMPARE(info.pixelColor(8, 8), QColor(Qt::green));
    const QImage license = view->topLevelItem(19)->icon(0).pixmap(16, 16).toImage();
    QCOMPARE(license.pixelColor(8, 8), QColor(Qt::red));
    if (imageFromMimeSource(QStringLiteral("vxbugs.png")).isNull())
        QVERIFY(view->topLevelItem(23)->icon(0).isNull());
}

void tst_MainWidget::languageChangeEvent_rebuildsRows()
{
    MainWidget form;
    form.aboutView->clear();
    form.statusLabel->setText(QStringLiteral("Loading"));
    QEvent change(QEvent::LanguageChange);
    QCoreApplication::sendEvent(&form, &change);
    QCOMPARE(form.aboutView->topLevelItemCount(), 24);
    QCOMPARE(form.statusLabel->text(), QStringLiteral("Ready"));
}

void tst_MainWidget::pageBrowser_servesTextAndImageFromStore()
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

void tst_MainWidget::pageBrowser_wrongKindOrMissing_givesEmptyValue()
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

void tst_MainWidget::pageBrowser_neverReadsFiles()
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

QTEST_MAIN(tst_MainWidget)
#include "tst_mainwidget.moc"
