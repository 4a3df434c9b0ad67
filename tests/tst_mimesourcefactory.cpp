// Velmora: the named-source store and its chain of factories.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "mimesourcefactory.h"

#include <QBuffer>
#include <QTest>

// This file deliberately knows nothing of the embedded image factory: that it
// answers here at all shows it reaches every program carrying the table.

class tst_MimeSourceFactory : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void laterSetsReplaceEarlierOnes();
    void ownStoreComesBeforeTheChain();
    void chainIsAskedInTheOrderAdded();
    void chainingTwiceOrChainingTheDefaultIsIgnored();
    void destroyedFactoryLeavesTheChain();
    void imageFromMimeSource_decodesImagesAndBytesOnly();
    void embeddedImagesAnswerWithoutBeingNamed();
};

void tst_MimeSourceFactory::laterSetsReplaceEarlierOnes()
{
    MimeSourceFactory factory;
    const QString name = QStringLiteral("page.html");
    QCOMPARE(factory.data(name), nullptr);

    factory.setText(name, QStringLiteral("<p>one</p>"));
    QCOMPARE(factory.data(name)->kind(), MimeSource::Text);
    QCOMPARE(factory.data(name)->text(), QStringLiteral("<p>one</p>"));

    factory.setImage(name, QImage(3, 2, QImage::Format_RGB32));
    QCOMPARE(factory.data(name)->kind(), MimeSource::Image);
    QCOMPARE(factory.data(name)->image().size(), QSize(3, 2));

    factory.setData(name, QByteArrayLiteral("raw"));
    QCOMPARE(factory.data(name)->kind(), MimeSource::Bytes);
    QCOMPARE(factory.data(name)->bytes(), QByteArrayLiteral("raw"));

    factory.remove(name);
    QCOMPARE(factory.data(name), nullptr);
    factory.remove(QStringLiteral("never-there"));
}

void tst_MimeSourceFactory::ownStoreComesBeforeTheChain()
{
    MimeSourceFactory *root = MimeSourceFactory::defaultFactory();
    QCOMPARE(MimeSourceFactory::defaultFactory(), root);
    MimeSourceFactory chained;
    chained.setText(QStringLiteral("own-first.html"), QStringLiteral("chained"));
    MimeSourceFactory::addFactory(&chained);

    QCOMPARE(root->data(QStringLiteral("own-first.html"))->text(), QStringLiteral("chained"));
    root->setText(QStringLiteral("own-first.html"), QStringLiteral("own"));
    QCOMPARE(root->data(QStringLiteral("own-first.html"))->text(), QStringLiteral("own"));
    root->remove(QStringLiteral("own-first.html"));
    QCOMPARE(root->data(QStringLiteral("own-first.html"))->text(), QStringLiteral("chained"));

    MimeSourceFactory::removeFactory(&chained);
    QCOMPARE(root->data(QStringLiteral("own-first.html")), nullptr);
}

void tst_MimeSourceFactory::chainIsAskedInTheOrderAdded()
{
    MimeSourceFactory first;
    MimeSourceFactory second;
    first.setText(QStringLiteral("both.html"), QStringLiteral("first"));
    second.setText(QStringLiteral("both.html"), QStringLiteral("second"));
    second.setText(QStringLiteral("second-only.html"), QStringLiteral("second"));
    MimeSourceFactory::addFactory(&first);
    MimeSourceFactory::addFactory(&second);

    MimeSourceFactory *root = MimeSourceFactory::defaultFactory();
    QCOMPARE(root->data(QStringLiteral("both.html"))->text(), QStringLiteral("first"));
    QCOMPARE(root->data(QStringLiteral("second-only.html"))->text(), QStringLiteral("second"));

    MimeSourceFactory::removeFactory(&first);
    QCOMPARE(root->data(QStringLiteral("both.html"))->text(), QStringLiteral("second"));
    MimeSourceFactory::removeFactory(&second);
}

void tst_MimeSourceFactory::chainingTwiceOrChainingTheDefaultIsIgnored()
{
    MimeSourceFactory *root = MimeSourceFactory::defaultFactory();
    // Chaining the default to itself would recurse on every miss.
    MimeSourceFactory::addFactory(root);
    MimeSourceFactory::addFactory(nullptr);
    QCOMPARE(root->data(QStringLiteral("nowhere.html")), nullptr);

    MimeSourceFactory twice;
    twice.setText(QStringLiteral("twice.html"), QStringLiteral("x"));
    MimeSourceFactory::addFactory(&twice);
    MimeSourceFactory::addFactory(&twice);
    MimeSourceFactory::removeFactory(&twice); // one removal unchains it completely
    QCOMPARE(root->data(QStringLiteral("twice.html")), nullptr);
}

void tst_MimeSourceFactory::destroyedFactoryLeavesTheChain()
{
    {
        MimeSourceFactory shortLived;
        shortLived.setText(QStringLiteral("gone.html"), QStringLiteral("x"));
        MimeSourceFactory::addFactory(&shortLived);
        QVERIFY(MimeSourceFactory::defaultFactory()->data(QStringLiteral("gone.html")));
    }
    // Would read a dead object if the chain still held it.
    QCOMPARE(MimeSourceFactory::defaultFactory()->data(QStringLiteral("gone.html")), nullptr);
}

void tst_MimeSourceFactory::imageFromMimeSource_decodesImagesAndBytesOnly()
{
    MimeSourceFactory *root = MimeSourceFactory::defaultFactory();
    QImage picture(5, 4, QImage::Format_ARGB32);
    picture.fill(qRgba(10, 20, 30, 128));
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QVERIFY(picture.save(&buffer, "PNG"));

    root->setImage(QStringLiteral("as-image.png"), picture);
    root->setData(QStringLiteral("as-bytes.png"), png);
    root->setText(QStringLiteral("as-text.png"), QStringLiteral("not an image"));
    QCOMPARE(imageFromMimeSource(QStringLiteral("as-image.png")), picture);
    QCOMPARE(imageFromMimeSource(QStringLiteral("as-bytes.png")).pixel(4, 3),
             qRgba(10, 20, 30, 128));
    QVERIFY(imageFromMimeSource(QStringLiteral("as-text.png")).isNull());
    QVERIFY(imageFromMimeSource(QStringLiteral("absent.png")).isNull());
    root->remove(QStringLiteral("as-image.png"));
    root->remove(QStringLiteral("as-bytes.png"));
    root->remove(QStringLiteral("as-text.png"));
}

void tst_MimeSourceFactory::embeddedImagesAnswerWithoutBeingNamed()
{
    const QImage back = imageFromMimeSource(QStringLiteral("Back.png"));
    QCOMPARE(back.size(), QSize(19, 18));
}

QTEST_GUILESS_MAIN(tst_MimeSourceFactory)
#include "tst_mimesourcefactory.moc"
