// Velmora: the program's images drawn at twice the size, and used on a screen of scale 2.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "action.h"
#include "docnames.h"
#include "mainwidget.h"
#include "mimesourcefactory.h"
#include "pagebrowser.h"
#include "utils.h"

#include <QGuiApplication>
#include <QLabel>
#include <QTest>
#include <QTextDocument>
#include <QToolButton>

using tarn::Shell;

namespace {

// The program's own images: toolbar, lists, help rows, logo, splash, window.
const char *const programImages[] = {"Back",
                                     "Forward",
                                     "Home",
                                     "Help",
                                     "Print",
                                     "find",
                                     "Options",
                                     "textsmaller",
                                     "textlarger",
                                     "textteletext",
                                     "leftpanel",
                                     "addBookmark",
                                     "bookmark",
                                     "contentsClass",
                                     "contentsClassQObject",
                                     "contentsClassQWidget",
                                     "contentsPublicMethod",
                                     "contentsStaticMethod",
                                     "contentsProtectedMethod",
                                     "contentsRelatedMethod",
                                     "contentsPublicSlot",
                                     "contentsProtectedSlot",
                                     "contentsSignal",
                                     "contentsVar",
                                     "vxinfo",
                                     "vxabout",
                                     "vxicons",
                                     "vxbugs",
                                     "vxproducts",
                                     "vxembeded",
                                     "logo",
                                     "velmora_splash",
                                     "velmora-16",
                                     "velmora-22",
                                     "velmora-32",
                                     "velmora-48"};

} // namespace

// Runs with QT_SCALE_FACTOR=2 (see tests/browser.cmake).
class tst_SharpImages : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase() { QCOMPARE(qApp->devicePixelRatio(), 2.0); }

    // Each has its drawing at twice the size, and the icon loader hands it
    // out with a ratio of 2 on this screen, the plain one at ratio 1.
    void everyImageHasADoubleSizeDrawing_data()
    {
        QTest::addColumn<QString>("name");
        for (const char *name : programImages)
            QTest::newRow(name) << QString::fromLatin1(name);
    }

    void everyImageHasADoubleSizeDrawing()
    {
        QFETCH(QString, name);
        const QImage plain = imageFromMimeSource(name + QLatin1String(".png"));
        const QImage doubled = imageFromMimeSource(
            tarn::docnames::doubleSizeName(QString(name + QLatin1String(".png"))));
        QVERIFY(!plain.isNull());
        QVERIFY(!doubled.isNull());
        QCOMPARE(doubled.size(), plain.size() * 2);
        QCOMPARE(doubled.hasAlphaChannel(), plain.hasAlphaChannel());

        const QPixmap sharp = Utils::icon(name, 2.0);
        QCOMPARE(sharp.devicePixelRatio(), 2.0);
        QCOMPARE(sharp.size(), doubled.size());
        QCOMPARE(Utils::icon(name, 1.0).size(), plain.size());
        const QIcon set = Utils::iconSet(name);
        QCOMPARE(set.pixmap(plain.size(), 2.0).size(), doubled.size());
        QCOMPARE(set.pixmap(plain.size(), 1.0).size(), plain.size());
    }

    // The window uses them: toolbar buttons, list rows, the Help tab's logo
    // and the images of our own pages.
    void windowShowsTheDoubleSizeDrawings()
    {
        Shell shell;
        shell.show();
        QVERIFY(QTest::qWaitForWindowExposed(&shell));
        QImage back = imageFromMimeSource(QStringLiteral("Back-2x.png"))
                          .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        auto *button = qobject_cast<QToolButton *>(
            tarn::Action::find(QStringLiteral("Shell/Back"))->toolButton());
        QVERIFY(button);
        const QImage shown = button->icon()
                                 .pixmap(button->iconSize(), 2.0)
                                 .toImage()
                                 .convertToFormat(QImage::Format_ARGB32_Premultiplied);
        QCOMPARE(shown.size(), back.size());
        back.setDevicePixelRatio(2.0);
        QCOMPARE(shown, back);

        const QPixmap logo = shell.form()->logoLabel->pixmap();
        QCOMPARE(logo.devicePixelRatio(), 2.0);
        QCOMPARE(logo.deviceIndependentSize(), QSizeF(280, 48));

        // index.html shows the logo at 280 x 48 and vxicons.html the kind icons.
        PageBrowser *view = shell.pageView();
        for (const auto &[page, image, size] :
             {std::tuple{"index.html", "logo.png", QSize(280, 48)},
              std::tuple{"vxicons.html", "contentsSignal.png", QSize(16, 16)}}) {
            shell.load(QString::fromLatin1(page));
            view->finishPage();
            view->document()->size();
            const QPixmap pixmap =
                view->document()
                    ->resource(QTextDocument::ImageResource, QUrl(QString::fromLatin1(image)))
                    .value<QPixmap>();
            QVERIFY2(!pixmap.isNull(), image);
            QCOMPARE(pixmap.devicePixelRatio(), 2.0);
            QCOMPARE(pixmap.deviceIndependentSize().toSize(), size);
        }
        QVERIFY(!shell.windowIcon().isNull());
        QCOMPARE(shell.windowIcon().pixmap(QSize(48, 48), 2.0).size(), QSize(96, 96));
    }
};

QTEST_MAIN(tst_SharpImages)
#include "tst_sharpimages.moc"
