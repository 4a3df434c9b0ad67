// Velmora: tests of the icon loader and the start-up settings access.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "utils.h"

#include "mimesourcefactory.h"

#include <QPixmapCache>
#include <QSettings>
#include <QStandardPaths>
#include <QTest>

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

private:
    CountingFactory counter;
};

QTEST_MAIN(tst_Utils)
#include "tst_utils.moc"
