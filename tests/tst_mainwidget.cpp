// Velmora: tests of the central form.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "mainwidget.h"
#include "mimesourcefactory.h"
#include "pagebrowser.h"

#include <QApplication>
#include <QColor>
#include <QFrame>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QRegularExpression>
#include <QSplitter>
#include <QTabWidget>
#include <QTest>
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

QTEST_MAIN(tst_MainWidget)
#include "tst_mainwidget.moc"
