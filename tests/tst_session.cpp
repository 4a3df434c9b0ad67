// Velmora: the session as the store keeps it, and page titles read from a
// page's text.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "pagetext.h"
#include "session.h"

#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

using tarn::Session;
using tarn::SessionTab;

class tst_Session : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;

    QString storePath(const char *name) const { return m_dir.filePath(QLatin1String(name)); }

private Q_SLOTS:
    // What is written reads back the same; past the cap, the tabs around the
    // current one are kept and the current one stays current.
    void write_readsBack_andKeepsTheCurrentTabPastTheCap_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<int>("current");
        QTest::addColumn<int>("firstKept");
        QTest::newRow("two") << 2 << 1 << 0;
        QTest::newRow("at the cap") << Session::maxTabs << 99 << 0;
        QTest::newRow("past it, current first") << 150 << 0 << 0;
        QTest::newRow("past it, current in the middle") << 150 << 80 << 30;
        QTest::newRow("past it, current last") << 150 << 149 << 50;
    }
    void write_readsBack_andKeepsTheCurrentTabPastTheCap()
    {
        QFETCH(int, count);
        QFETCH(int, current);
        QFETCH(int, firstKept);
        Session session;
        for (int i = 0; i < count; ++i)
            session.tabs.append({QStringLiteral("p%1.html#a").arg(i), i * 10,
                                 QStringLiteral("Page %1 & more").arg(i)});
        session.current = current;
        QSettings settings(storePath("cap.conf"), QSettings::IniFormat);
        settings.clear();
        session.write(settings);
        settings.sync();
        const Session back = Session::read(settings, [](const QString &) { return true; });
        QCOMPARE(back.tabs.size(), qMin(count, Session::maxTabs));
        QCOMPARE(back.tabs.first(), session.tabs.at(firstKept));
        QCOMPARE(back.tabs.at(back.current), session.tabs.at(current));
        QVERIFY(Session::remove(settings));
        QVERIFY(!Session::remove(settings));
        QVERIFY(Session::read(settings, [](const QString &) { return true; }).tabs.isEmpty());
    }

    void pageTitle_readsTheHeadWithoutParsing_data()
    {
        QTest::addColumn<QString>("html");
        QTest::addColumn<QString>("title");
        QTest::newRow("plain") << "<html><head><title>QWidget Class | Qt Widgets 6.4.2</title>"
                               << "QWidget Class | Qt Widgets 6.4.2";
        QTest::newRow("references and blanks")
            << "<TITLE lang=\"en\">\n  Signals &amp; Slots &#8212; &#x51;t &lt;x&gt; &bogus; "
               "&#0; &#xd800;</TITLE>"
            << QString::fromUtf8("Signals & Slots \u2014 Qt <x> &bogus; &#0; &#xd800;");
        QTest::newRow("none") << "<html><body><h1>Title</h1></body></html>"
                              << "";
        QTest::newRow("never closed") << "<title>Open"
                                      << "";
        QTest::newRow("empty") << ""
                               << "";
    }
    void pageTitle_readsTheHeadWithoutParsing()
    {
        QFETCH(QString, html);
        QFETCH(QString, title);
        QCOMPARE(tarn::pageTitle(html), title);
    }
};

QTEST_GUILESS_MAIN(tst_Session)
#include "tst_session.moc"
