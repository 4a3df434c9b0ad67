// Velmora: tests of reference/generate.sh with a stand-in qdoc over a small source tarball.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>

namespace {

const QString generator = QStringLiteral(VELMORA_SOURCE_DIR "/reference/generate.sh");

// The module configurations the generator looks for, as in Qt's source.
const QStringList moduleConfs = {"src/corelib/doc/qtcore.qdocconf",
                                 "src/gui/doc/qtgui.qdocconf",
                                 "src/widgets/doc/qtwidgets.qdocconf",
                                 "src/network/doc/qtnetwork.qdocconf",
                                 "src/sql/doc/qtsql.qdocconf",
                                 "src/xml/doc/qtxml.qdocconf",
                                 "src/printsupport/doc/qtprintsupport.qdocconf",
                                 "src/concurrent/doc/qtconcurrent.qdocconf",
                                 "src/dbus/doc/qtdbus.qdocconf",
                                 "src/testlib/doc/qttestlib.qdocconf",
                                 "src/opengl/doc/qtopengl.qdocconf",
                                 "qmake/doc/qmake.qdocconf"};

// Stand-ins for qdoc and qtattributionsscanner.
const QString fakeTools = QStringLiteral(VELMORA_TEST_DATA "/reference");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool writeFile(const QString &path, const QByteArray &data)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    return file.open(QIODevice::WriteOnly) && file.write(data) == data.size();
}

QByteArray sha256Hex(const QByteArray &data)
{
    return QCryptographicHash::hash(data, QCryptographicHash::Sha256).toHex();
}

struct Run
{
    int exitCode = -1;
    QByteArray out;
    QByteArray err;
};

} // namespace

class tst_ReferenceGen : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_inputs;
    QString m_entry;
    QString m_state;
    QString m_pins;
    QString m_qdoc;
    QString m_scanner;
    QByteArray m_tarballSha;

    QStringList arguments(const QString &qdoc) const
    {
        return {generator,
                QStringLiteral("--inputs"),
                m_inputs,
                QStringLiteral("--entry"),
                m_entry,
                QStringLiteral("--qdoc"),
                qdoc,
                QStringLiteral("--scanner"),
                m_scanner,
                QStringLiteral("--headers"),
                m_dir.filePath(QStringLiteral("headers")),
                QStringLiteral("--pins"),
                m_pins};
    }

    void startGenerator(QProcess &process, const QString &mode, const QString &qdoc) const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("FAKE_QDOC"), mode);
        env.insert(QStringLiteral("FAKE_QDOC_STATE"), m_state);
        process.setProcessEnvironment(env);
        process.start(QStringLiteral("bash"), arguments(qdoc));
    }

    Run runGenerator(const QString &mode, const QString &qdoc = QString()) const
    {
        QProcess process;
        startGenerator(process, mode, qdoc.isEmpty() ? m_qdoc : qdoc);
        if (!process.waitForFinished(60000))
            qFatal("generate.sh did not finish");
        return Run{process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1,
                   process.readAllStandardOutput(), process.readAllStandardError()};
    }

    void writePins(const QByteArray &sha)
    {
        QVERIFY(writeFile(m_pins,
                          "# test pins\nQT6_SOURCE_TARBALL=src.tar.xz\nQT6_SOURCE_SHA256=" + sha
                              + "\nQT6_SOURCE_FOLDER=qtbase-src\nQT6_VERSION=6.4.2\n"));
    }

    // Nothing of a failed run may stay where the build would find it.
    void verifyNoEntry() const
    {
        QVERIFY2(!QFileInfo::exists(m_entry), qPrintable(m_entry));
        const QStringList left = QDir(QFileInfo(m_entry).path())
                                     .entryList({QFileInfo(m_entry).fileName() + ".part*"},
                                                QDir::AllEntries | QDir::Hidden);
        QVERIFY2(left.isEmpty(), qPrintable(left.join(QLatin1Char(' '))));
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        const QString source = m_dir.filePath(QStringLiteral("qtbase-src"));
        QVERIFY(writeFile(source + QStringLiteral("/doc/global/config.qdocconf"), "url = x\n"));
        for (const QString &conf : moduleConfs)
            QVERIFY(writeFile(source + QLatin1Char('/') + conf, "project = X\n"));
        QVERIFY(QDir().mkpath(m_dir.filePath(QStringLiteral("headers/QtCore"))));
        m_inputs = m_dir.filePath(QStringLiteral("inputs"));
        QVERIFY(QDir().mkpath(m_inputs));
        const QString tarball = m_inputs + QStringLiteral("/src.tar.xz");
        QCOMPARE(QProcess::execute(QStringLiteral("tar"),
                                   {QStringLiteral("-cJf"), tarball, QStringLiteral("-C"),
                                    m_dir.path(), QStringLiteral("qtbase-src")}),
                 0);
        m_tarballSha = sha256Hex(readFile(tarball));
        QVERIFY(
            writeFile(m_inputs + QStringLiteral("/SHA256SUMS"), m_tarballSha + "  src.tar.xz\n"));
        m_qdoc = fakeTools + QStringLiteral("/qdoc");
        m_scanner = fakeTools + QStringLiteral("/qtattributionsscanner");
        m_pins = m_dir.filePath(QStringLiteral("inputs.txt"));
    }

    void init()
    {
        const QString cache = m_dir.filePath(QStringLiteral("cache"));
        QVERIFY(QDir(cache).removeRecursively());
        m_entry = cache + QStringLiteral("/reference/qt-6.4.2-0123456789abcdef");
        m_state = m_dir.filePath(QStringLiteral("state"));
        QVERIFY(QDir(m_state).removeRecursively());
        QVERIFY(QDir().mkpath(m_state));
        writePins(m_tarballSha);
    }

    // The entry holds every module's output and a note of its inputs; the
    // next build finds it and runs no qdoc; a killed run's scraps go.
    void generatesOnceThenReusesTheEntry()
    {
        const QString scraps = m_entry + QStringLiteral(".part.99999");
        QVERIFY(writeFile(scraps + QStringLiteral("/html/qtcore/qtcore.index"), "half"));

        const Run first = runGenerator(QStringLiteral("ok"));
        QVERIFY2(first.exitCode == 0, first.err.constData());
        QVERIFY(first.out.contains("Generating the Qt 6.4 reference, once: about 5 minutes"));
        QVERIFY(first.out.contains("reading the sources of qtcore (1 of 12)"));
        QVERIFY(first.out.contains("writing the pages of qmake (12 of 12)"));
        for (const QString &conf : moduleConfs) {
            const QString project = QFileInfo(conf).completeBaseName();
            QVERIFY2(QFileInfo::exists(m_entry + "/html/" + project + '/' + project + ".index"),
                     qPrintable(project));
        }
        const QByteArray note = readFile(m_entry + QStringLiteral("/generated.txt"));
        QVERIFY(note.contains("qdoc 6.4.2"));
        QVERIFY(note.contains(QByteArray("src.tar.xz " + m_tarballSha)));
        QVERIFY(note.contains("qdoc warnings: 1"));
        QVERIFY(!QFileInfo::exists(scraps));
        // The scratch folders went with the rename.
        QCOMPARE(QDir(m_entry).entryList(QDir::Dirs | QDir::NoDotAndDotDot),
                 QStringList{QStringLiteral("html")});

        const Run second = runGenerator(QStringLiteral("fail"));
        QVERIFY2(second.exitCode == 0, second.err.constData());
        QVERIFY(second.out.contains("is ready in"));
        QCOMPARE(readFile(m_state + QStringLiteral("/runs")), QByteArray("run\n"));
    }

    void refusals_data()
    {
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("mode");
        QTest::addColumn<QString>("message");

        QTest::newRow("wrong sha256 of the source")
            << "sha"
            << "ok"
            << "has sha256 %1, expected " + QString(64, QLatin1Char('0'));
        QTest::newRow("no qdoc") << "qdoc"
                                 << "ok"
                                 << "no qdoc at %2";
        QTest::newRow("no source tarball") << "tarball"
                                           << "ok"
                                           << "src.tar.xz is missing";
        QTest::newRow("an input differs from its sum") << "sums"
                                                       << "ok"
                                                       << "extra.deb: FAILED";
        QTest::newRow("qdoc fails") << ""
                                    << "fail"
                                    << "qdoc exited with status 3";
        QTest::newRow("a module without output") << ""
                                                 << "partial"
                                                 << "qdoc wrote no qtxml/qtxml.index";
    }

    void refusals()
    {
        QFETCH(QString, breakage);
        QFETCH(QString, mode);
        QFETCH(QString, message);

        const QString tarball = m_inputs + QStringLiteral("/src.tar.xz");
        const QString hidden = tarball + QStringLiteral(".away");
        const QString sums = m_inputs + QStringLiteral("/SHA256SUMS");
        const QByteArray sumsBefore = readFile(sums);
        QString qdoc = m_qdoc;
        if (breakage == u"sha")
            writePins(QByteArray(64, '0'));
        else if (breakage == u"qdoc")
            qdoc = m_dir.filePath(QStringLiteral("no-qdoc"));
        else if (breakage == u"tarball")
            QVERIFY(QFile::rename(tarball, hidden));
        if (breakage == u"sums") {
            QVERIFY(writeFile(m_inputs + QStringLiteral("/extra.deb"), "not what was fetched"));
            QVERIFY(writeFile(sums, sumsBefore + QByteArray(64, 'a') + "  extra.deb\n"));
        }

        const Run run = runGenerator(mode, qdoc);

        if (breakage == u"tarball")
            QVERIFY(QFile::rename(hidden, tarball));
        QVERIFY(writeFile(sums, sumsBefore));
        QFile::remove(m_inputs + QStringLiteral("/extra.deb"));

        QVERIFY(run.exitCode != 0);
        const QString expected = message.contains(QLatin1String("%2")) ? message.arg(qdoc)
            : message.contains(QLatin1String("%1")) ? message.arg(QString::fromLatin1(m_tarballSha))
                                                    : message;
        QVERIFY2(run.err.contains(expected.toUtf8()), run.err.constData());
        QVERIFY(run.err.contains("velmora: cannot generate the Qt reference: "));
        verifyNoEntry();
    }

    // Stopped while qdoc runs: qdoc goes too, and nothing is left behind.
    void interruptedRunLeavesNoEntry_data()
    {
        QTest::addColumn<int>("signal");
        QTest::newRow("terminated") << int(SIGTERM);
        QTest::newRow("interrupted") << int(SIGINT);
        QTest::newRow("hung up") << int(SIGHUP);
    }

    void interruptedRunLeavesNoEntry()
    {
        QFETCH(int, signal);
        QProcess process;
        startGenerator(process, QStringLiteral("hang"), m_qdoc);
        QVERIFY(process.waitForStarted());
        QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(m_state + QStringLiteral("/started")), 20000);
        QVERIFY(!QDir(QFileInfo(m_entry).path())
                     .entryList({QFileInfo(m_entry).fileName() + ".part*"}, QDir::Dirs)
                     .isEmpty());
        const qint64 qdocPid = readFile(m_state + QStringLiteral("/pid")).trimmed().toLongLong();
        QVERIFY(qdocPid > 0);

        ::kill(pid_t(process.processId()), signal);
        QVERIFY(process.waitForFinished(20000));
        QVERIFY(process.exitStatus() != QProcess::NormalExit || process.exitCode() != 0);
        QVERIFY2(process.readAllStandardError().contains("interrupted; nothing was kept"),
                 "no word of the interruption");
        verifyNoEntry();
        // No qdoc left running on a core with nobody waiting for it.
        QTRY_VERIFY_WITH_TIMEOUT(::kill(pid_t(qdocPid), 0) != 0, 5000);
    }
};

QTEST_GUILESS_MAIN(tst_ReferenceGen)
#include "tst_referencegen.moc"
