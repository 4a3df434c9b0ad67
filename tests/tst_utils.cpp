// Velmora: tests of the icon loader and the start-up settings access.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "utils.h"

#include "exposure.h"

#include "mimesourcefactory.h"
#include "ownicons.h"

#include <QApplication>
#include <QBackingStore>
#include <QElapsedTimer>
#include <QExposeEvent>
#include <QFile>
#include <QImage>
#include <QPaintEvent>
#include <QPixmapCache>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>
#include <QToolBar>
#include <QWindow>

// Counts the requests that reach the end of the factory chain.
class CountingFactory : public MimeSourceFactory
{
public:
    mutable QStringList asked;
    const MimeSource *data(const QString &name) const override
    {
        asked.append(name);
        return MimeSourceFactory::data(name);
    }
};

class tst_Utils : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void initTestCase()
    {
        QStandardPaths::setTestModeEnabled(true);
        MimeSourceFactory::addFactory(&counter);
        QImage image(19, 18, QImage::Format_ARGB32);
        image.fill(Qt::red);
        counter.setImage(QStringLiteral("Counted.png"), image);
    }
    void cleanupTestCase() { MimeSourceFactory::removeFactory(&counter); }

    // The toolbar's extension arrows are drawn, not read from image files:
    // building a toolbar loads no image format plugin, and every other icon
    // is the desktop style's.
    void styleDrawsTheToolbarArrows()
    {
        auto imagePlugins = [] {
            QFile maps(QStringLiteral("/proc/self/maps"));
            if (!maps.open(QIODevice::ReadOnly))
                return -1;
            return int(maps.readAll().count("/imageformats/"));
        };
        const int pluginsBefore = imagePlugins();
        QApplication::setStyle(new tarn::OwnIconsStyle);
        {
            QToolBar toolBar;
            QCOMPARE(imagePlugins(), pluginsBefore);
        }
        auto *style = qobject_cast<QProxyStyle *>(QApplication::style());
        QVERIFY(style);
        QVERIFY(!style->standardIcon(QStyle::SP_ArrowBack).isNull());
        QCOMPARE(style->standardIcon(QStyle::SP_ArrowBack).availableSizes(),
                 style->baseStyle()->standardIcon(QStyle::SP_ArrowBack).availableSizes());

        const QImage right = QApplication::style()
                                 ->standardIcon(QStyle::SP_ToolBarHorizontalExtensionButton)
                                 .pixmap(QSize(16, 16), 2.0)
                                 .toImage();
        const QImage down = QApplication::style()
                                ->standardIcon(QStyle::SP_ToolBarVerticalExtensionButton)
                                .pixmap(QSize(16, 16), 2.0)
                                .toImage();
        QCOMPARE(right.size(), QSize(32, 32));
        auto inked = [](const QImage &image) {
            int pixels = 0;
            for (int y = 0; y < image.height(); ++y) {
                for (int x = 0; x < image.width(); ++x)
                    pixels += qAlpha(image.pixel(x, y)) > 128;
            }
            return pixels;
        };
        QVERIFY(inked(right) > 20);
        QCOMPARE(inked(down), inked(right));
        QCOMPARE(down, right.transformed(QTransform().rotate(90)));
    }

    void iconIsDecodedOnceAndCachedByBareName()
    {
        QPixmapCache::clear();
        counter.asked.clear();
        const QPixmap first = Utils::icon(QStringLiteral("Counted"));
        QCOMPARE(first.size(), QSize(19, 18));
        const QPixmap second = Utils::icon(QStringLiteral("Counted"));
        QCOMPARE(second.cacheKey(), first.cacheKey());
        QCOMPARE(counter.asked, QStringList{QStringLiteral("Counted.png")});
        QPixmap cached;
        QVERIFY(QPixmapCache::find(QStringLiteral("Counted"), &cached));
    }

    void missingIconIsReportedOnce()
    {
        QPixmapCache::clear();
        static QStringList messages;
        messages.clear();
        const QtMessageHandler previous =
            qInstallMessageHandler([](QtMsgType, const QMessageLogContext &, const QString &text) {
                messages.append(text);
            });
        const bool firstNull = Utils::icon(QStringLiteral("Back.png")).isNull();
        const bool secondNull = Utils::icon(QStringLiteral("Back.png")).isNull();
        qInstallMessageHandler(previous);
        QVERIFY(firstNull);
        QVERIFY(secondNull);
        QCOMPARE(messages, QStringList{QStringLiteral("Utils::icon: Back.png.png not found")});
    }

    void iconNamesAreCaseSensitive()
    {
        QPixmapCache::clear();
        QTest::ignoreMessage(QtDebugMsg, "Utils::icon: counted.png not found");
        QVERIFY(Utils::icon(QStringLiteral("counted")).isNull());
    }

    void embeddedProgramIcons()
    {
        const QPixmap logo = Utils::icon(QStringLiteral("velmora-48"));
        QCOMPARE(logo.size(), QSize(48, 48));
        QVERIFY(logo.hasAlphaChannel());
    }

    // The splash is decoded for its one showing and kept in no cache: not
    // the pixmap cache, and not the factories', which keep what they serve.
    // Without a double-size drawing the plain one serves every screen.
    void imageOnceIsKeptNowhere()
    {
        QPixmapCache::clear();
        counter.asked.clear();
        for (const qreal ratio : {1.0, 2.0}) {
            const QPixmap image = Utils::imageOnce(QStringLiteral("velmora-48"), ratio);
            QCOMPARE(image.size(), QSize(48, 48));
            QCOMPARE(image.devicePixelRatio(), 1.0);
        }
        QVERIFY(counter.asked.isEmpty());
        QPixmap cached;
        QVERIFY(!QPixmapCache::find(QStringLiteral("velmora-48"), &cached));
        QTest::ignoreMessage(QtDebugMsg, "Utils::imageOnce: nothing.png not found");
        QVERIFY(Utils::imageOnce(QStringLiteral("nothing"), 2.0).isNull());
    }

    void settingsPrefix()
    {
        QCOMPARE(Utils::keyPrefix(), QStringLiteral("/"));
        QSettings *store = Utils::settings();
        QCOMPARE(Utils::settings(), store);
        store->setValue(QStringLiteral("qz/fonts/Application"),
                        QStringLiteral("Sans,12,-1,5,50,0,0,0,0,0"));

        // Before the prefix is set the key would start with "//".
        bool ok = true;
        QCOMPARE(Utils::readEntry(QStringLiteral("/fonts/Application"), QString(), &ok), QString());
        QVERIFY(!ok);

        Utils::setKeyPrefix(QStringLiteral("/qz"));
        QCOMPARE(Utils::keyPrefix(), QStringLiteral("/qz"));
        QCOMPARE(Utils::readEntry(QStringLiteral("/fonts/Application"), QString(), &ok),
                 QStringLiteral("Sans,12,-1,5,50,0,0,0,0,0"));
        QVERIFY(ok);
        QVERIFY(Utils::readEntry(QStringLiteral("/fonts/Missing")).isNull());
        QCOMPARE(Utils::readEntry(QStringLiteral("/fonts/Missing"), QStringLiteral("x")),
                 QStringLiteral("x"));

        // A list where a string belongs reads as absent.
        store->setValue(QStringLiteral("qz/fonts/Broken"),
                        QStringList{QStringLiteral("a"), QStringLiteral("b")});
        QVERIFY(Utils::readEntry(QStringLiteral("/fonts/Broken"), QString(), &ok).isNull());
        QVERIFY(!ok);
        store->clear();
    }

    // The splash goes once this returns, so the window must have painted by
    // then; a window that is not shown must not cost the whole wait.
    void waitUntilExposedReturnsPainted()
    {
        PaintCounter window;
        window.resize(200, 100);
        QElapsedTimer clock;
        clock.start();
        QVERIFY(!waitUntilExposed(&window, 5000));
        QVERIFY(!waitUntilExposed(nullptr, 5000));
        QVERIFY(clock.elapsed() < 2500);

        window.show();
        QVERIFY(waitUntilExposed(&window, 5000));
        QVERIFY(window.windowHandle()->isExposed());
        QVERIFY(window.paints > 0);
        // Exposed already: at once.
        QVERIFY(waitUntilExposed(&window, 5000));
    }

    // The server's exposes of a map are dropped only until the toolkit's own
    // whole expose reaches the window; every later one must get through, or
    // what was laid over the window would stay on the screen.
    void mapExposesDroppedUntilTheWholeExpose()
    {
        QWidget window;
        window.resize(200, 100);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QWindow *handle = window.windowHandle();
        const WId id = handle->winId();
        MapExposeFilter filter;
        QVERIFY(!filter.dropsExpose(id));

        // Nobody's window, and a window that is no top level: nothing held.
        filter.windowMapped(id + 1000);
        QWidget child(&window);
        child.setAttribute(Qt::WA_NativeWindow);
        child.show();
        filter.windowMapped(child.winId());
        QVERIFY(!filter.dropsExpose(id));
        QVERIFY(!filter.dropsExpose(child.winId()));

        filter.windowMapped(id);
        QVERIFY(filter.dropsExpose(id));
        QVERIFY(!filter.dropsExpose(id + 1000));
        QExposeEvent whole{QRegion(QRect(QPoint(), handle->size()))};
        QCoreApplication::sendEvent(handle, &whole);
        QVERIFY(!filter.dropsExpose(id));

        // Mapped again after a hide: held again, and let go by the hide too.
        filter.windowMapped(id);
        QVERIFY(filter.dropsExpose(id));
        window.hide();
        QVERIFY(!filter.dropsExpose(id));
    }

    // The store made ahead of the first paint is the one that paint fills,
    // the window's whole size, its pixels all the window's; a window with no
    // store yet is left alone. The same for the store faulted in on a thread
    // while the window is shown, which writes nothing into it.
    void backingStorePreparedBeforeTheFirstPaint_data()
    {
        QTest::addColumn<bool>("onThread");
        QTest::newRow("prepared") << false;
        QTest::newRow("warmed on a thread") << true;
    }
    void backingStorePreparedBeforeTheFirstPaint()
    {
        QFETCH(bool, onThread);
        const auto prepare = [onThread](QWidget *window) {
            if (onThread)
                BackingStoreWarmup warmup(window);
            else
                prepareBackingStore(window);
        };
        prepare(nullptr);
        QWidget unshown;
        prepare(&unshown);
        QVERIFY(!unshown.backingStore());

        QWidget window;
        window.resize(320, 240);
        QPalette palette = window.palette();
        palette.setColor(QPalette::Window, QColor(200, 30, 40));
        window.setPalette(palette);
        window.setAutoFillBackground(true);
        window.show();
        QBackingStore *store = window.backingStore();
        QVERIFY(store);
        if (onThread) {
            store->resize(window.size());
            auto *before = dynamic_cast<QImage *>(store->paintDevice());
            QVERIFY(before);
            before->fill(QColor(1, 2, 3));
        }
        prepare(&window);
        QCOMPARE(store->size(), window.size());
        const QPaintDevice *prepared = store->paintDevice();
        if (onThread)
            QCOMPARE(QColor(dynamic_cast<const QImage *>(prepared)->pixel(5, 5)), QColor(1, 2, 3));
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        QCoreApplication::processEvents();
        QCOMPARE(store->paintDevice(), prepared);
        const auto *image = dynamic_cast<const QImage *>(prepared);
        QVERIFY(image);
        const QImage painted = image->convertToFormat(QImage::Format_RGB32);
        for (const QPoint at : {QPoint(0, 0), QPoint(painted.width() - 1, painted.height() - 1),
                                QPoint(painted.width() / 2, painted.height() / 2)})
            QCOMPARE(QColor(painted.pixel(at)), QColor(200, 30, 40));
    }

private:
    class PaintCounter : public QWidget
    {
    public:
        int paints = 0;

    protected:
        void paintEvent(QPaintEvent *) override { ++paints; }
    };
    CountingFactory counter;
};

QTEST_MAIN(tst_Utils)
#include "tst_utils.moc"
