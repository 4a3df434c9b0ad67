// Velmora: a stored window larger than the screen it opens on, as after a change of scale.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "savedstate.h"

#include <QGuiApplication>
#include <QScreen>
#include <QSettings>
#include <QTest>

using tarn::Shell;

// Runs with QT_SCALE_FACTOR=2 on a 1600 x 1000 screen: 800 x 500 to the
// window (see tests/browser.cmake).
class tst_ScreenFit : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void restoredWindowFitsTheScreen_data()
    {
        QTest::addColumn<QRect>("stored");
        QTest::newRow("larger than the screen") << QRect(0, 0, 1200, 800);
        QTest::newRow("larger, off to the right") << QRect(700, 300, 1200, 800);
        QTest::newRow("fits but hangs over the edge") << QRect(600, 400, 400, 300);
    }
    void restoredWindowFitsTheScreen()
    {
        QFETCH(QRect, stored);
        const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
        QCOMPARE(screen.size(), QSize(800, 500));
        {
            QSettings s(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
            s.clear();
            namespace k = tarn::settingskeys;
            s.setValue(k::geomX, stored.x());
            s.setValue(k::geomY, stored.y());
            s.setValue(k::geomW, stored.width());
            s.setValue(k::geomH, stored.height());
        }
        Shell shell;
        const QRect placed(shell.pos(), shell.size());
        QVERIFY2(screen.contains(placed),
                 qPrintable(QStringLiteral("%1,%2 %3x%4")
                                .arg(placed.x())
                                .arg(placed.y())
                                .arg(placed.width())
                                .arg(placed.height())));
        // Only what does not fit changes.
        if (stored.width() <= screen.width())
            QCOMPARE(shell.width(), stored.width());
        else
            QCOMPARE(shell.width(), screen.width());
    }
};

QTEST_MAIN(tst_ScreenFit)
#include "tst_screenfit.moc"
