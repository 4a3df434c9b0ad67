// Velmora: what reaches the settings store when the program is killed or told to stop.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "savedstate.h"
#include "session.h"

#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <csignal>

namespace {

// Generous: a sanitized build starts several times slower.
constexpr int startTimeoutMs = 60000;

// A store and a socket folder of the test's own: a window the user has open
// must neither take the test's requests nor lend it its settings.
QProcessEnvironment environmentFor(const QString &configHome)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), configHome);
    const QString runtime = configHome + QStringLiteral("/run");
    QDir().mkpath(runtime);
    QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
    return env;
}

QString storePath(const QString &configHome)
{
    return configHome + QStringLiteral("/Tessaravox/Velmora.conf");
}

// True once the process catches SIGTERM, that is once its handler is in
// place; a signal before that would kill it outright.
bool catchesSigterm(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return false;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("SigCgt:")) {
            bool ok = false;
            const quint64 mask = line.mid(7).trimmed().toULongLong(&ok, 16);
            return ok && (mask & (quint64(1) << (SIGTERM - 1)));
        }
    }
    return false;
}

void stopProcess(QProcess &process)
{
    if (process.state() != QProcess::NotRunning) {
        process.kill();
        process.waitForFinished(10000);
    }
}

} // namespace

class tst_Lifecycle : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // A bookmark is in the store the moment it is added: a killed process,
    // which writes nothing at its end, keeps it all the same.
    void bookmarkSurvivesSigkill()
    {
        QTemporaryDir config;
        QVERIFY(config.isValid());
        QProcess helper;
        helper.setProcessEnvironment(environmentFor(config.path()));
        helper.setProcessChannelMode(QProcess::SeparateChannels);
        helper.start(QStringLiteral(VELMORA_LIFECYCLE_HELPER), {QStringLiteral("qt.html#details")});
        QVERIFY2(helper.waitForStarted(startTimeoutMs), qPrintable(helper.errorString()));

        QDeadlineTimer deadline(startTimeoutMs);
        QByteArray out;
        while (!out.contains("ready\n") && !deadline.hasExpired()
               && helper.state() == QProcess::Running) {
            helper.waitForReadyRead(500);
            out += helper.readAllStandardOutput();
        }
        if (!out.contains("ready\n"))
            stopProcess(helper);
        QVERIFY2(out.contains("ready\n"), helper.readAllStandardError().constData());

        QCOMPARE(::kill(pid_t(helper.processId()), SIGKILL), 0);
        QVERIFY(helper.waitForFinished(10000));
        QCOMPARE(helper.exitStatus(), QProcess::CrashExit);

        QSettings s(storePath(config.path()), QSettings::IniFormat);
        const QStringList urls =
            s.value(QString::fromLatin1(tarn::settingskeys::bookmarkUrls)).toStringList();
        const QStringList names =
            s.value(QString::fromLatin1(tarn::settingskeys::bookmarkNames)).toStringList();
        QCOMPARE(urls, QStringList{QStringLiteral("qt.html#details")});
        QCOMPARE(names.size(), 1);
        QVERIFY2(names.at(0).endsWith(QLatin1String(" #details")), qPrintable(names.at(0)));
    }

    // A second start hands "--new-tab NAME" to the window open already;
    // the tabs are in the store at once, so a SIGKILL loses none, and the
    // next start brings them back and adds its own.
    void newTabHandedOver_tabsSurviveSigkill()
    {
        QTemporaryDir config;
        QVERIFY(config.isValid());
        const QProcessEnvironment env = environmentFor(config.path());
        const QString socket =
            env.value(QStringLiteral("XDG_RUNTIME_DIR")) + QStringLiteral("/velmora.socket");
        const auto startWindow = [&](QProcess &app) {
            // The socket a killed window left says nothing of the next one.
            QFile::remove(socket);
            app.setProcessEnvironment(env);
            app.start(QStringLiteral(VELMORA_EXECUTABLE), {});
            if (!app.waitForStarted(startTimeoutMs))
                return false;
            QDeadlineTimer deadline(startTimeoutMs);
            while (!QFileInfo::exists(socket) && !deadline.hasExpired()
                   && app.state() == QProcess::Running)
                QThread::msleep(50);
            return QFileInfo::exists(socket);
        };
        const auto handOver = [&](const QString &name) {
            QProcess second;
            second.setProcessEnvironment(env);
            second.start(QStringLiteral(VELMORA_EXECUTABLE), {QStringLiteral("--new-tab"), name});
            return second.waitForFinished(startTimeoutMs)
                && second.exitStatus() == QProcess::NormalExit && second.exitCode() == 0;
        };
        const auto kill = [](QProcess &app) {
            ::kill(pid_t(app.processId()), SIGKILL);
            return app.waitForFinished(10000) && app.exitStatus() == QProcess::CrashExit;
        };
        const auto storedPages = [&] {
            QSettings s(storePath(config.path()), QSettings::IniFormat);
            return s.value(QString::fromLatin1(tarn::settingskeys::sessionPages)).toStringList();
        };

        QProcess first;
        const bool up = startWindow(first);
        if (!up)
            stopProcess(first);
        QVERIFY2(up, first.readAllStandardError().constData());
        QVERIFY(handOver(QStringLiteral("qstring.html#arg")));
        QVERIFY(kill(first));
        QCOMPARE(storedPages(), QStringList({"index.html", "qstring.html#arg"}));

        QProcess again;
        const bool upAgain = startWindow(again);
        if (!upAgain)
            stopProcess(again);
        QVERIFY2(upAgain, again.readAllStandardError().constData());
        QVERIFY(handOver(QStringLiteral("QObject")));
        QVERIFY(kill(again));
        QCOMPARE(storedPages(), QStringList({"index.html", "qstring.html#arg", "qobject.html"}));
    }

    // Two windows open at once, each adding a bookmark and closing in turn:
    // the store keeps both, since each writes its change onto what the other
    // wrote, at the change and again at its close.
    void twoWindowsKeepEachOthersBookmarks()
    {
        QTemporaryDir config;
        QVERIFY(config.isValid());
        const QStringList pages = {QStringLiteral("latin1.html"), QStringLiteral("qt.html")};
        QProcess helpers[2];
        for (int i = 0; i < 2; ++i) {
            QProcess &helper = helpers[i];
            helper.setProcessEnvironment(environmentFor(config.path()));
            helper.start(QStringLiteral(VELMORA_LIFECYCLE_HELPER),
                         {pages.at(i), QStringLiteral("--close-on-input")});
            QVERIFY2(helper.waitForStarted(startTimeoutMs), qPrintable(helper.errorString()));
            QDeadlineTimer deadline(startTimeoutMs);
            QByteArray out;
            while (!out.contains("ready\n") && !deadline.hasExpired()
                   && helper.state() == QProcess::Running) {
                helper.waitForReadyRead(500);
                out += helper.readAllStandardOutput();
            }
            if (!out.contains("ready\n"))
                stopProcess(helper);
            QVERIFY2(out.contains("ready\n"), helper.readAllStandardError().constData());
        }
        // The first window closes first; the second, which never showed the
        // first one's bookmark, closes last.
        for (QProcess &helper : helpers) {
            helper.write("close\n");
            helper.closeWriteChannel();
            QVERIFY(helper.waitForFinished(startTimeoutMs));
            QCOMPARE(helper.exitCode(), 0);
        }
        QSettings s(storePath(config.path()), QSettings::IniFormat);
        QStringList urls =
            s.value(QString::fromLatin1(tarn::settingskeys::bookmarkUrls)).toStringList();
        urls.sort();
        QCOMPARE(urls, pages);
        QCOMPARE(
            s.value(QString::fromLatin1(tarn::settingskeys::bookmarkNames)).toStringList().size(),
            2);
    }

    void sigtermWritesTheWholeState_data()
    {
        QTest::addColumn<QByteArray>("store"); // what the store holds before the start
        QTest::newRow("no store") << QByteArray();
        static const char damaged[] =
            "[qz]\nfonts\\Application=Sans,900000,-1,5,50,0,0,0,0,0\n"
            "[velmora]\ngeom\\x=2147483647\ngeom\\w=-4\ngeom\\t=99\n"
            "font\\f=@Variant(\\0\\0\\0\\b)\nbookmarks\\names=a, b\n\0\xff\n";
        QTest::newRow("damaged store") << QByteArray(damaged, sizeof damaged - 1);
    }

    // The program's SIGTERM handler ends the loop, so the state is written
    // as after a normal close, and the exit is a clean one.
    void sigtermWritesTheWholeState()
    {
        QFETCH(QByteArray, store);
        QTemporaryDir config;
        QVERIFY(config.isValid());
        const QString path = storePath(config.path());
        if (!store.isEmpty()) {
            QVERIFY(QDir().mkpath(QFileInfo(path).path()));
            QFile file(path);
            QVERIFY(file.open(QIODevice::WriteOnly));
            QCOMPARE(file.write(store), store.size());
        }

        QProcess app;
        app.setProcessEnvironment(environmentFor(config.path()));
        app.start(QStringLiteral(VELMORA_EXECUTABLE), {});
        QVERIFY2(app.waitForStarted(startTimeoutMs), qPrintable(app.errorString()));
        QDeadlineTimer deadline(startTimeoutMs);
        while (!catchesSigterm(app.processId()) && !deadline.hasExpired()
               && app.state() == QProcess::Running)
            QThread::msleep(50);
        const bool ready = catchesSigterm(app.processId());
        if (!ready)
            stopProcess(app);
        QVERIFY2(ready, app.readAllStandardError().constData());

        QCOMPARE(::kill(pid_t(app.processId()), SIGTERM), 0);
        const bool finished = app.waitForFinished(startTimeoutMs);
        if (!finished)
            stopProcess(app);
        QVERIFY(finished);
        QVERIFY2(app.exitStatus() == QProcess::NormalExit && app.exitCode() == 0,
                 app.readAllStandardError().constData());

        QSettings s(path, QSettings::IniFormat);
        namespace k = tarn::settingskeys;
        for (const char *key :
             {k::geomX, k::geomY, k::geomW, k::geomH, k::geomS1, k::geomS2, k::geomTab}) {
            bool ok = false;
            s.value(QLatin1String(key)).toInt(&ok);
            QVERIFY2(ok, key);
        }
        QVERIFY(!s.value(QString::fromLatin1(tarn::settingskeys::textFont)).toString().isEmpty());
        QVERIFY(s.contains(QString::fromLatin1(tarn::settingskeys::bookmarkNames)));
        QVERIFY(s.contains(QString::fromLatin1(tarn::settingskeys::bookmarkUrls)));
        QCOMPARE(
            s.value(QString::fromLatin1(tarn::settingskeys::bookmarkNames)).toStringList().size(),
            s.value(QString::fromLatin1(tarn::settingskeys::bookmarkUrls)).toStringList().size());
        const int tab = s.value(QString::fromLatin1(tarn::settingskeys::geomTab)).toInt();
        QVERIFY(tab >= 0 && tab <= 3);
        QVERIFY(s.value(QString::fromLatin1(tarn::settingskeys::geomW)).toInt() > 0);
    }
};

QTEST_GUILESS_MAIN(tst_Lifecycle)
#include "tst_lifecycle.moc"
