// Velmora: a second start hands its request to the window open already.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "instance.h"

#include "mainwidget.h"
#include "request.h"
#include "searchfield.h"
#include "shell.h"

#include <QDeadlineTimer>
#include <QElapsedTimer>
#include <QLabel>
#include <QLineEdit>
#include <QLocalSocket>
#include <QProcess>
#include <QSettings>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

using namespace tarn::cli;
using tarn::Shell;

namespace {

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
    qint64 ms = 0;
};

// Runs the real program, letting this process's event loop run meanwhile:
// the window it hands over to lives here.
Run runProgram(const QStringList &arguments)
{
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    program.setProcessEnvironment(env);
    QElapsedTimer timer;
    timer.start();
    program.start(QStringLiteral(VELMORA_EXECUTABLE), arguments);
    program.waitForStarted(10000);
    QDeadlineTimer deadline(30000);
    while (program.state() != QProcess::NotRunning && !deadline.hasExpired())
        QTest::qWait(5);
    Run run;
    run.ms = timer.elapsed();
    if (program.state() != QProcess::NotRunning) {
        program.kill();
        program.waitForFinished(5000);
        return run;
    }
    run.exitCode = program.exitStatus() == QProcess::NormalExit ? program.exitCode() : -2;
    run.out = program.readAllStandardOutput();
    run.err = program.readAllStandardError();
    return run;
}

} // namespace

class tst_Instance : public QObject
{
    Q_OBJECT

    QTemporaryDir m_runtime;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_runtime.isValid());
        QFile(m_runtime.path())
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                            | QFileDevice::ExeOwner);
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(m_runtime.path()));
        QCOMPARE(socketPath(), m_runtime.path() + QStringLiteral("/velmora.socket"));
    }

    void init() { QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora")).clear(); }

    // The second start hands NAME over and exits 0; by then the window has
    // shown the page, with the name as the Index's filter.
    void secondStartHandsOver_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("page");
        QTest::addColumn<QString>("filter");
        QTest::newRow("member") << QStringList{"QString::arg"} << "qstring.html"
                                << "QString::arg";
        QTest::newRow("class") << QStringList{"QWidget"} << "qwidget.html"
                               << "QWidget";
        QTest::newRow("page and anchor") << QStringList{"qobject.html#details"} << "qobject.html"
                                         << "";
        QTest::newRow("nothing matches") << QStringList{"xyzzyqqq"} << "index.html"
                                         << "xyzzyqqq";
        QTest::newRow("Qt's options pass")
            << QStringList{"-style", "fusion", "QBitmap"} << "qbitmap.html"
            << "QBitmap";
    }
    void secondStartHandsOver()
    {
        QFETCH(QStringList, arguments);
        QFETCH(QString, page);
        QFETCH(QString, filter);
        Shell shell;
        int served = 0;
        RequestServer server([&](const Request &request, std::function<void()> done) {
            ++served;
            shell.serveRequest(request.name, request.search);
            done();
        });
        QString problem;
        QVERIFY2(server.listen(socketPath(), &problem), qPrintable(problem));

        const Run run = runProgram(arguments);
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(served, 1);
        QCOMPARE(shell.currentPage(), page);
        QCOMPARE(shell.form()->indexLineEdit->text(), filter);
        if (page == QLatin1String("index.html"))
            QVERIFY(shell.form()->statusLabel->text().contains(filter));
    }

    // The menu entry's "Search the reference": `velmora --search=` empties
    // the search field of the window open and puts the cursor in it; the
    // page shown stays.
    void emptySearchHandedOver()
    {
        Shell shell;
        shell.openName(QStringLiteral("QTimer"));
        shell.fillSearch(QStringLiteral("implicitly shared"));
        auto *field = shell.findChild<tarn::SearchField *>();
        QVERIFY(field);
        shell.form()->indexLineEdit->setFocus();
        int served = 0;
        RequestServer server([&](const Request &request, std::function<void()> done) {
            ++served;
            shell.serveRequest(request.name, request.search, request.openSearch);
            done();
        });
        QString problem;
        QVERIFY2(server.listen(socketPath(), &problem), qPrintable(problem));

        const Run run = runProgram({QStringLiteral("--search=")});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(served, 1);
        QCOMPARE(field->text(), QString());
        QCOMPARE(shell.focusWidget(), field);
        QCOMPARE(shell.currentPage(), QStringLiteral("qtimer.html"));
    }

    // The name a second start hands over goes where the Index and the
    // search put it first: Vim's K on singleShot means the static function,
    // not the property the Index once listed first.
    void handedNameResolvesThroughTheRanking_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("source");
        QTest::newRow("member") << "singleShot"
                                << "qtimer.html#singleShot";
        QTest::newRow("reimplemented virtual") << "paintEvent"
                                               << "qwidget.html#paintEvent";
        QTest::newRow("enum value") << "Qt::AlignLeft"
                                    << "qt.html#AlignmentFlag-enum";
    }
    void handedNameResolvesThroughTheRanking()
    {
        QFETCH(QString, name);
        QFETCH(QString, source);
        Shell shell;
        RequestServer server([&](const Request &request, std::function<void()> done) {
            shell.serveRequest(request.name, request.search);
            done();
        });
        QString problem;
        QVERIFY2(server.listen(socketPath(), &problem), qPrintable(problem));
        const Run run = runProgram({name});
        QCOMPARE(run.exitCode, 0);
        QCOMPARE(shell.currentSource(), source);
    }

    // A window killed without a word leaves its socket behind: the next
    // start finds nobody there at once and makes the socket its own.
    void staleSocketIsReplaced()
    {
        const QByteArray path = QFile::encodeName(socketPath());
        ::unlink(path.constData());
        const int fd = ::socket(AF_UNIX, SOCK_STREAM, 0);
        QVERIFY(fd >= 0);
        sockaddr_un address = {};
        address.sun_family = AF_UNIX;
        qstrncpy(address.sun_path, path.constData(), sizeof address.sun_path);
        QCOMPARE(::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address), 0);
        ::close(fd);
        QVERIFY(QFile::exists(QString::fromLocal8Bit(path)));

        QElapsedTimer timer;
        timer.start();
        QString answer;
        QVERIFY(!handOver({QStringLiteral("QString"), QString()}, 5000, &answer));
        QVERIFY2(timer.elapsed() < 2000, qPrintable(QString::number(timer.elapsed())));

        int served = 0;
        RequestServer server([&served](const Request &, std::function<void()> done) {
            ++served;
            done();
        });
        QString problem;
        QVERIFY2(server.listen(socketPath(), &problem), qPrintable(problem));
        QLocalSocket client;
        client.connectToServer(socketPath());
        QVERIFY(client.waitForConnected(2000));
        client.write(encodeRequest({QStringLiteral("QString"), QString()}));
        QTRY_COMPARE(served, 1);
    }

    // The socket file is the user's alone, a second window leaves it to the
    // first, and it goes with the window that made it: but not when another
    // window's socket has taken its place meanwhile.
    void socketBelongsToItsWindow()
    {
        const auto none = [](const Request &, std::function<void()> done) { done(); };
        const QString path = socketPath();
        const QByteArray name = QFile::encodeName(path);
        struct stat info = {};
        {
            RequestServer first(none);
            QVERIFY(first.listen(path));
            QCOMPARE(first.path(), path);
            QCOMPARE(::lstat(name.constData(), &info), 0);
            QVERIFY(S_ISSOCK(info.st_mode));
            QCOMPARE(info.st_mode & 0077, 0u);

            RequestServer second(none);
            QString problem;
            QVERIFY(!second.listen(path, &problem));
            QCOMPARE(problem, QStringLiteral("another window listens there"));
        }
        QVERIFY(!QFile::exists(path));

        auto first = std::make_unique<RequestServer>(none);
        QVERIFY(first->listen(path));
        ::unlink(name.constData());
        RequestServer replacing(none);
        QVERIFY(replacing.listen(path));
        first.reset();
        QVERIFY(QFile::exists(path));
        QLocalSocket client;
        client.connectToServer(path);
        QVERIFY(client.waitForConnected(2000));
    }

    // Clients that say nothing, say too much or say what is not a request
    // are dropped or refused, and nothing of theirs reaches the window.
    void misbehavingClients_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::addColumn<QByteArray>("reply");
        const QByteArray header = QByteArray(requestHeader) + '\n';
        QTest::newRow("silent") << QByteArray() << QByteArray();
        QTest::newRow("unfinished") << header + "name QStr" << QByteArray();
        QTest::newRow("oversized")
            << header + "name " + QByteArray(70 * 1024, 'x') << QByteArray("refused");
        QTest::newRow("not UTF-8") << header + "name \xc3\x28\n\n" << QByteArray("refused");
        QTest::newRow("a link") << header + "name https://example.com/\n\n"
                                << QByteArray("refused");
        QTest::newRow("a file") << header + "name file:/etc/passwd\n\n" << QByteArray("refused");
        QTest::newRow("another version")
            << QByteArray("velmora-request 9\nname x\n\n") << QByteArray("refused");
    }
    void misbehavingClients()
    {
        QFETCH(QByteArray, bytes);
        QFETCH(QByteArray, reply);
        int served = 0;
        RequestServer server([&served](const Request &, std::function<void()> done) {
            ++served;
            done();
        });
        QVERIFY(server.listen(socketPath()));
        QLocalSocket client;
        client.connectToServer(socketPath());
        QVERIFY(client.waitForConnected(2000));
        client.write(bytes);
        QSignalSpy gone(&client, &QLocalSocket::disconnected);
        QTRY_VERIFY_WITH_TIMEOUT(!gone.isEmpty(), RequestServer::requestTimeoutMs + 3000);
        QVERIFY(client.readAll().startsWith(reply));
        QCOMPARE(served, 0);
    }

    // The options that only print need no window and no display.
    void printingOptions_data()
    {
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<int>("exitCode");
        QTest::addColumn<QByteArray>("out");
        QTest::addColumn<QByteArray>("err");
        QTest::newRow("help") << QStringList{"--help"} << 0 << QByteArray("Usage: velmora")
                              << QByteArray();
        QTest::newRow("version") << QStringList{"--version"} << 0 << QByteArray("Velmora 2.0")
                                 << QByteArray();
        QTest::newRow("unknown option")
            << QStringList{"--frobnicate"} << 2 << QByteArray() << QByteArray("Usage: velmora");
        QTest::newRow("a link") << QStringList{"http://example.com"} << 2 << QByteArray()
                                << QByteArray("is a link");
    }
    void printingOptions()
    {
        QFETCH(QStringList, arguments);
        QFETCH(int, exitCode);
        QFETCH(QByteArray, out);
        QFETCH(QByteArray, err);
        const Run run = runProgram(arguments);
        QCOMPARE(run.exitCode, exitCode);
        QVERIFY2(run.out.contains(out), run.out.constData());
        QVERIFY2(run.err.contains(err), run.err.constData());
    }
};

QTEST_MAIN(tst_Instance)
#include "tst_instance.moc"
