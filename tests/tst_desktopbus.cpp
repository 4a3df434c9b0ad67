// Velmora: the desktop's search on a private session bus, with the provider a real process.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "dbustypes.h"
#include "desktopsearch.h"
#include "instance.h"
#include "request.h"
#include "searchfield.h"
#include "shell.h"

#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <signal.h>

using namespace tarn;
using namespace tarn::desktop;

namespace {

constexpr int callTimeoutMs = 25000;

QString readAll(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? QString::fromUtf8(file.readAll()) : QString();
}

bool writeAll(const QString &path, const QString &text)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(text.toUtf8()) >= 0;
}

// A key's value in one of the installed key files ("BusName" in the .ini).
QString keyFileValue(const QString &text, const QString &key)
{
    for (const QString &line : text.split(u'\n')) {
        if (line.startsWith(key + u'='))
            return line.mid(key.size() + 1).trimmed();
    }
    return QString();
}

} // namespace

class tst_DesktopBus : public QObject
{
    Q_OBJECT

    QTemporaryDir m_dir;
    QProcess m_daemon;
    QString m_address;
    QString m_busName;
    QString m_providerPath;
    QString m_runnerPath;
    qint64 m_providerPid = 0;
    QSet<QString> m_issued;
    // The window the provider's results open in, from the first activation on.
    std::unique_ptr<Shell> m_shell;
    std::unique_ptr<cli::RequestServer> m_server;
    int m_served = 0;

    QDBusConnection bus() const { return QDBusConnection(QStringLiteral("tst_desktopbus")); }

    QDBusMessage call(const QString &path, const QString &interface, const QString &method,
                      const QVariantList &arguments)
    {
        QDBusMessage message = QDBusMessage::createMethodCall(m_busName, path, interface, method);
        message.setArguments(arguments);
        return bus().call(message, QDBus::Block, callTimeoutMs);
    }

    QDBusMessage callProvider(const QString &method, const QVariantList &arguments)
    {
        return call(m_providerPath, QStringLiteral("org.gnome.Shell.SearchProvider2"), method,
                    arguments);
    }

    QDBusMessage callRunner(const QString &method, const QVariantList &arguments)
    {
        return call(m_runnerPath, QStringLiteral("org.kde.krunner1"), method, arguments);
    }

    QStringList initialResults(const QStringList &terms)
    {
        const QDBusReply<QStringList> reply =
            callProvider(QStringLiteral("GetInitialResultSet"), {terms});
        const QStringList ids = reply.isValid() ? reply.value() : QStringList();
        m_issued.unite(QSet<QString>(ids.begin(), ids.end()));
        return ids;
    }

    QList<QVariantMap> metas(const QStringList &ids)
    {
        const QDBusReply<QList<QVariantMap>> reply =
            callProvider(QStringLiteral("GetResultMetas"), {ids});
        return reply.isValid() ? reply.value() : QList<QVariantMap>();
    }

    QList<RemoteMatch> match(const QString &query)
    {
        const QDBusReply<QList<RemoteMatch>> reply = callRunner(QStringLiteral("Match"), {query});
        return reply.isValid() ? reply.value() : QList<RemoteMatch>();
    }

    // The provider answers, and it is still the process the bus started.
    bool providerAnswers()
    {
        const QDBusReply<uint> pid = bus().interface()->servicePid(m_busName);
        return pid.isValid() && pid.value() == m_providerPid
            && !initialResults({QStringLiteral("QString")}).isEmpty();
    }

    SearchField *searchField() const { return m_shell->findChild<SearchField *>(); }

private Q_SLOTS:
    void initTestCase()
    {
        registerDesktopTypes();
        QVERIFY(m_dir.isValid());
        const QString runtime = m_dir.filePath(QStringLiteral("runtime"));
        const QString services = m_dir.filePath(QStringLiteral("services"));
        QVERIFY(QDir().mkpath(runtime) && QDir().mkpath(services));
        QFile(runtime).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                      | QFileDevice::ExeOwner);
        // The bus and everything it starts use this runtime folder, so the
        // window's socket is this test's own.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime));
        qunsetenv("DBUS_SESSION_BUS_ADDRESS");

        // The names the installed files give, which the code must serve.
        const QString packaging = QStringLiteral(VELMORA_SOURCE_DIR "/packaging/");
        const QString ini =
            readAll(packaging + QStringLiteral("example.tessaravox.Velmora.search-provider.ini"));
        m_busName = keyFileValue(ini, QStringLiteral("BusName"));
        m_providerPath = keyFileValue(ini, QStringLiteral("ObjectPath"));
        QCOMPARE(m_busName, QLatin1String(busName));
        QCOMPARE(m_providerPath, QLatin1String(providerPath));
        QCOMPARE(keyFileValue(ini, QStringLiteral("DesktopId")), QStringLiteral("velmora.desktop"));
        const QString runner = readAll(packaging + QStringLiteral("velmora-krunner.desktop"));
        QCOMPARE(keyFileValue(runner, QStringLiteral("X-Plasma-DBusRunner-Service")), m_busName);
        m_runnerPath = keyFileValue(runner, QStringLiteral("X-Plasma-DBusRunner-Path"));
        QCOMPARE(m_runnerPath, QLatin1String(runnerPath));

        // The installed .service file, run from the build.
        const QString serviceName = m_busName + QStringLiteral(".service");
        QString service = readAll(packaging + serviceName + QStringLiteral(".in"));
        QCOMPARE(keyFileValue(service, QStringLiteral("Name")), m_busName);
        const QString installed = QStringLiteral("@VELMORA_BINDIR@/velmora");
        QVERIFY(service.contains(installed));
        service.replace(installed, QStringLiteral(VELMORA_EXECUTABLE));
        QVERIFY(writeAll(services + u'/' + serviceName, service));

        const QString config = m_dir.filePath(QStringLiteral("bus.conf"));
        QVERIFY(writeAll(
            config,
            QStringLiteral(
                "<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-Bus Bus Configuration "
                "1.0//EN\" \"http://www.freedesktop.org/standards/dbus/1.0/busconfig.dtd\">\n"
                "<busconfig>\n  <type>session</type>\n  <listen>unix:dir=%1</listen>\n"
                "  <auth>EXTERNAL</auth>\n"
                "  <servicedir>%2</servicedir>\n"
                "  <policy context=\"default\">\n    <allow send_destination=\"*\"/>\n"
                "    <allow receive_sender=\"*\"/>\n    <allow own=\"*\"/>\n"
                "  </policy>\n</busconfig>\n")
                .arg(m_dir.path(), services)));
        m_daemon.start(QStringLiteral("dbus-daemon"),
                       {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                        QStringLiteral("--nopidfile"), QStringLiteral("--print-address=1")});
        QVERIFY2(m_daemon.waitForStarted(10000), qPrintable(m_daemon.errorString()));
        while (!m_daemon.canReadLine() && m_daemon.waitForReadyRead(10000)) {
        }
        m_address = QString::fromUtf8(m_daemon.readLine()).trimmed();
        QVERIFY2(!m_address.isEmpty(), m_daemon.readAllStandardError().constData());
        qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
        QVERIFY(QDBusConnection::connectToBus(m_address, QStringLiteral("tst_desktopbus"))
                    .isConnected());
    }

    void cleanupTestCase()
    {
        m_server.reset();
        m_shell.reset();
        if (m_providerPid > 0)
            ::kill(pid_t(m_providerPid), SIGTERM);
        QDBusConnection::disconnectFromBus(QStringLiteral("tst_desktopbus"));
        m_daemon.terminate();
        m_daemon.waitForFinished(5000);
    }

    // The first call starts the provider from the .service file; until a
    // result is opened it opens no window (a window would listen on the
    // socket).
    void busStartsProvider()
    {
        QVERIFY(!bus().interface()->isServiceRegistered(m_busName));
        QVERIFY(!initialResults({QStringLiteral("QString")}).isEmpty());
        const QDBusReply<uint> pid = bus().interface()->servicePid(m_busName);
        QVERIFY(pid.isValid());
        m_providerPid = pid.value();
        const QString proc = QStringLiteral("/proc/%1/").arg(m_providerPid);
        QCOMPARE(QFileInfo(proc + QStringLiteral("exe")).canonicalFilePath(),
                 QFileInfo(QStringLiteral(VELMORA_EXECUTABLE)).canonicalFilePath());
        QFile cmdline(proc + QStringLiteral("cmdline"));
        QVERIFY(cmdline.open(QIODevice::ReadOnly));
        QVERIFY(cmdline.readAll().contains("\0--search-provider\0"));

        QVERIFY(!metas(initialResults({QStringLiteral("QWidget")})).isEmpty());
        QVERIFY(!match(QStringLiteral("QObject")).isEmpty());
        QVERIFY(!QFileInfo::exists(cli::socketPath()));
    }

    // A second provider finds the name taken and says so.
    void secondProviderRefused()
    {
        QProcess second;
        second.start(QStringLiteral(VELMORA_EXECUTABLE), {QStringLiteral("--search-provider")});
        QVERIFY(second.waitForFinished(20000));
        QCOMPARE(second.exitCode(), 1);
        QVERIFY2(second.readAllStandardError().contains("served already"), "the reason is given");
        QVERIFY(providerAnswers());
    }

    // What a developer types: the first result, a name every result holds,
    // and one result that must be among them.
    void initialResults_data()
    {
        QTest::addColumn<QStringList>("terms");
        QTest::addColumn<QString>("first");
        QTest::addColumn<QString>("held");
        QTest::addColumn<QString>("among");
        // The Index's order: the class, then the entries named so exactly
        // (its constructors), before the classes whose names start so.
        QTest::newRow("a class") << QStringList{"QString"} << "QString"
                                 << "qstring"
                                 << "QString (QString)";
        QTest::newRow("class and member") << QStringList{"QString", "arg"} << "arg (QString)"
                                          << "arg (qstring)"
                                          << "";
        QTest::newRow("a member many classes share") << QStringList{"singleShot"} << ""
                                                     << "singleshot"
                                                     << "singleShot (QTimer)";
        QTest::newRow("nonsense") << QStringList{"xyzzyqqq"} << ""
                                  << ""
                                  << "";
    }
    void initialResults()
    {
        QFETCH(QStringList, terms);
        QFETCH(QString, first);
        QFETCH(QString, held);
        QFETCH(QString, among);
        const QStringList ids = initialResults(terms);
        QVERIFY(ids.size() <= LookupService::maxResults);
        QCOMPARE(ids.isEmpty(), held.isEmpty());
        const QList<QVariantMap> shown = metas(ids);
        QCOMPARE(shown.size(), ids.size());
        QStringList names;
        for (const QVariantMap &meta : shown)
            names.append(meta.value(QStringLiteral("name")).toString());
        if (!first.isEmpty())
            QCOMPARE(names.first(), first);
        for (const QString &name : std::as_const(names))
            QVERIFY2(name.toLower().contains(held), qPrintable(name));
        if (!among.isEmpty())
            QVERIFY2(names.contains(among), qPrintable(names.join(u',')));
    }

    // A longer text decides afresh; each meta has the name, a sentence and
    // the kind's icon, as GNOME Shell's own bus library reads them too.
    void subsearchAndMetas()
    {
        const QStringList previous = initialResults({QStringLiteral("QStr")});
        QCOMPARE(previous.size(), LookupService::maxResults);
        const QDBusReply<QStringList> reply =
            callProvider(QStringLiteral("GetSubsearchResultSet"),
                         {previous, QStringList{QStringLiteral("QString"), QStringLiteral("arg")}});
        QVERIFY2(reply.isValid(), qPrintable(reply.error().message()));
        const QStringList ids = reply.value();
        m_issued.unite(QSet<QString>(ids.begin(), ids.end()));
        const QList<QVariantMap> shown = metas(ids);
        QCOMPARE(shown.size(), ids.size());
        const QVariantMap meta = shown.value(0);
        QCOMPARE(meta.value(QStringLiteral("id")).toString(), ids.first());
        QCOMPARE(meta.value(QStringLiteral("name")).toString(), QStringLiteral("arg (QString)"));
        QVERIFY(meta.value(QStringLiteral("description")).toString().size() > 10);
        IconData icon;
        meta.value(QStringLiteral("icon-data")).value<QDBusArgument>() >> icon;
        QCOMPARE(icon.width, 16);
        QCOMPARE(icon.height, 16);
        QCOMPARE(icon.channels, 4);
        QCOMPARE(icon.data.size(), qsizetype(icon.rowStride) * icon.height);

        QProcess gdbus;
        gdbus.start(QStringLiteral("gdbus"),
                    {QStringLiteral("call"), QStringLiteral("--session"), QStringLiteral("--dest"),
                     m_busName, QStringLiteral("--object-path"), m_providerPath,
                     QStringLiteral("--method"),
                     QStringLiteral("org.gnome.Shell.SearchProvider2.GetResultMetas"),
                     QStringLiteral("['%1']").arg(ids.first())});
        QVERIFY(gdbus.waitForFinished(20000));
        const QByteArray out = gdbus.readAllStandardOutput();
        QCOMPARE(gdbus.exitCode(), 0);
        QVERIFY2(out.contains("'name': <'arg (QString)'>"), out.constData());
        QVERIFY2(out.contains("'icon-data': <(16, 16, 64, true, 8, 4, [byte "), out.constData());
    }

    void runnerMatches()
    {
        const QList<RemoteMatch> matches = match(QStringLiteral("QTimer singleShot"));
        QVERIFY(!matches.isEmpty() && matches.size() <= LookupService::maxResults);
        QCOMPARE(matches.first().text, QStringLiteral("singleShot (QTimer)"));
        QCOMPARE(matches.first().type, int(ExactMatch));
        QVERIFY(!matches.first().properties.value(QStringLiteral("subtext")).toString().isEmpty());
        for (qsizetype i = 1; i < matches.size(); ++i) {
            QCOMPARE(matches.at(i).type, int(PossibleMatch));
            QVERIFY(matches.at(i).relevance < matches.at(i - 1).relevance);
        }
        const QDBusReply<QList<RemoteAction>> actions = callRunner(QStringLiteral("Actions"), {});
        QVERIFY(actions.isValid());
        QCOMPARE(actions.value().size(), 1);
        QCOMPARE(actions.value().first().id, QLatin1String(DesktopSearch::searchActionId));
        QVERIFY(match(QStringLiteral("xyzzyqqq")).isEmpty());
    }

    // Terms past the caps get an empty answer, calls of the wrong shape an
    // error; the provider answers the next call as before.
    void oversizedAndMalformedCalls_data()
    {
        QTest::addColumn<QString>("method");
        QTest::addColumn<QVariantList>("arguments");
        QTest::addColumn<bool>("error");
        QStringList many;
        for (int i = 0; i < 100000; ++i)
            many.append(QStringLiteral("QString"));
        QTest::newRow("65 terms") << "GetInitialResultSet"
                                  << QVariantList{QVariant(many.mid(0, 65))} << false;
        QTest::newRow("100000 terms")
            << "GetInitialResultSet" << QVariantList{QVariant(many)} << false;
        QTest::newRow("a term of 257")
            << "GetInitialResultSet" << QVariantList{QStringList{QString(257, u'Q')}} << false;
        QTest::newRow("a megabyte term")
            << "GetInitialResultSet" << QVariantList{QStringList{QString(1 << 20, u'Q')}} << false;
        QTest::newRow("control characters")
            << "GetInitialResultSet" << QVariantList{QStringList{QStringLiteral("QStr\x07ing")}}
            << false;
        QTest::newRow("a subsearch of 100000 previous results")
            << "GetSubsearchResultSet" << QVariantList{QVariant(many), QStringList{"xyzzyqqq"}}
            << false;
        QTest::newRow("metas of ids never issued")
            << "GetResultMetas"
            << QVariantList{QStringList{"999999999", "-1", "qstring.html", "", "../etc/passwd"}}
            << false;
        QTest::newRow("a string for the terms")
            << "GetInitialResultSet" << QVariantList{QStringLiteral("QString")} << true;
        QTest::newRow("no arguments") << "GetInitialResultSet" << QVariantList{} << true;
        QTest::newRow("one argument too many")
            << "GetInitialResultSet" << QVariantList{QStringList{"QString"}, 1} << true;
        QTest::newRow("a number for the id")
            << "ActivateResult" << QVariantList{42, QStringList{}, 0u} << true;
        QTest::newRow("no such method")
            << "OpenFile" << QVariantList{QStringLiteral("/etc/passwd")} << true;
    }
    void oversizedAndMalformedCalls()
    {
        QFETCH(QString, method);
        QFETCH(QVariantList, arguments);
        QFETCH(bool, error);
        const QDBusMessage reply = callProvider(method, arguments);
        QCOMPARE(reply.type() == QDBusMessage::ErrorMessage, error);
        if (!error) {
            QCOMPARE(reply.arguments().size(), 1);
            const QVariant answer = reply.arguments().first();
            QVERIFY2(answer.value<QStringList>().isEmpty()
                         && answer.value<QDBusArgument>().currentType() != QDBusArgument::MapType,
                     "an empty answer");
        }
        QVERIFY(providerAnswers());
    }

    void oversizedRunnerQuery()
    {
        QVERIFY(match(QString(1 << 20, u'Q')).isEmpty());
        QVERIFY(match(QStringLiteral("QString ").repeated(65)).isEmpty());
        QVERIFY(callRunner(QStringLiteral("Match"), {42}).type() == QDBusMessage::ErrorMessage);
        QVERIFY(providerAnswers());
    }

    // A result opens in the window open, through its socket.
    void activateOpensInWindow()
    {
        m_shell = std::make_unique<Shell>();
        m_server = std::make_unique<cli::RequestServer>(
            [this](const cli::Request &request, std::function<void()> done) {
                ++m_served;
                m_shell->serveRequest(request.name, request.search, request.openSearch);
                done();
            });
        QString problem;
        QVERIFY2(m_server->listen(cli::socketPath(), &problem), qPrintable(problem));

        const QStringList terms{QStringLiteral("QString"), QStringLiteral("arg")};
        const QStringList ids = initialResults(terms);
        QVERIFY(!ids.isEmpty());
        const QDBusMessage reply =
            callProvider(QStringLiteral("ActivateResult"), {ids.first(), terms, 0u});
        QVERIFY(reply.type() == QDBusMessage::ReplyMessage);
        QTRY_COMPARE_WITH_TIMEOUT(m_served, 1, 20000);
        QCOMPARE(m_shell->currentPage(), QStringLiteral("qstring.html"));
        QVERIFY2(m_shell->currentSource().startsWith(QLatin1String("qstring.html#arg")),
                 qPrintable(m_shell->currentSource()));
    }

    // Ids that were never issued open nothing; neither do links to search.
    void forgedCallsOpenNothing()
    {
        QVERIFY(m_shell);
        const int served = m_served;
        QString unissued;
        for (int row = 1; unissued.isEmpty(); ++row) {
            if (!m_issued.contains(QString::number(row)))
                unissued = QString::number(row);
        }
        for (const QString &id :
             {unissued, QStringLiteral("999999999"), QStringLiteral("qwidget.html"),
              QStringLiteral("file:///etc/passwd"), QStringLiteral("--new-window")}) {
            callProvider(QStringLiteral("ActivateResult"), {id, QStringList{}, 0u});
            callRunner(QStringLiteral("Run"), {id, QString()});
        }
        for (const QStringList &terms :
             {QStringList{QStringLiteral("https://example.com/")},
              QStringList{QStringLiteral("QString"), QStringLiteral("file:/etc/passwd")},
              QStringList{QString(257, u'x')}}) {
            callProvider(QStringLiteral("LaunchSearch"), {terms, 0u});
        }
        QTest::qWait(2000);
        QCOMPARE(m_served, served);
        QVERIFY(providerAnswers());
    }

    void launchSearchFillsTheField()
    {
        QVERIFY(m_shell);
        const int served = m_served;
        callProvider(QStringLiteral("LaunchSearch"),
                     {QStringList{QStringLiteral("implicitly"), QStringLiteral("shared")}, 0u});
        QTRY_COMPARE_WITH_TIMEOUT(m_served, served + 1, 20000);
        QCOMPARE(searchField()->text(), QStringLiteral("implicitly shared"));
    }

    void runnerRunOpensAndSearches()
    {
        QVERIFY(m_shell);
        const QList<RemoteMatch> matches = match(QStringLiteral("QTimer::singleShot"));
        QVERIFY(!matches.isEmpty());
        const int served = m_served;
        callRunner(QStringLiteral("Run"), {matches.first().id, QString()});
        QTRY_COMPARE_WITH_TIMEOUT(m_served, served + 1, 20000);
        QCOMPARE(m_shell->currentPage(), QStringLiteral("qtimer.html"));

        callRunner(QStringLiteral("Run"),
                   {matches.first().id, QLatin1String(DesktopSearch::searchActionId)});
        QTRY_COMPARE_WITH_TIMEOUT(m_served, served + 2, 20000);
        QCOMPARE(searchField()->text(), QStringLiteral("singleShot QTimer"));

        // An action KRunner never offered does nothing.
        callRunner(QStringLiteral("Run"), {matches.first().id, QStringLiteral("delete")});
        QTest::qWait(1000);
        QCOMPARE(m_served, served + 2);
    }
};

QTEST_MAIN(tst_DesktopBus)
#include "tst_desktopbus.moc"
