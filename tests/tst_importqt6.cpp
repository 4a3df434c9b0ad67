// Velmora: tests of velmora-import on pages and index files as qdoc 6.4 writes them.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QTest>

namespace {

const QString qt5Fixture = QStringLiteral(VELMORA_TEST_DATA "/qtdoc");
const QString qt6Fixture = QStringLiteral(VELMORA_TEST_DATA "/qtdoc6");
const QString qt6Expected = QStringLiteral(VELMORA_TEST_DATA "/qtdoc6-expected");

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

int runImport(const QString &qtdoc, const QString &out, QByteArray *errors = nullptr)
{
    QProcess process;
    process.start(QStringLiteral(VELMORA_IMPORT_TOOL),
                  {QStringLiteral("--qtdoc"), qtdoc, QStringLiteral("--out"), out});
    if (!process.waitForFinished(60000))
        qFatal("velmora-import did not finish");
    if (errors)
        *errors = process.readAllStandardError();
    return process.exitStatus() == QProcess::NormalExit ? process.exitCode() : -1;
}

// The class line of `name` in contents.lst: "kind===name===page@members".
QByteArray classLine(const QByteArray &contents, const QByteArray &name)
{
    for (const QByteArray &line : contents.split('\n')) {
        const QList<QByteArray> fields = line.left(line.indexOf('@')).split('=');
        if (fields.size() >= 7 && fields.at(3) == name)
            return line;
    }
    return QByteArray();
}

} // namespace

class tst_ImportQt6 : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_dir;
    QString m_out;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_out = m_dir.filePath(QStringLiteral("qt6"));
        QByteArray errors;
        QCOMPARE(runImport(qt6Fixture, m_out, &errors), 0);
        QVERIFY2(errors.isEmpty(), errors.constData());
    }

    // Both lists as the Qt 6 index files give them, byte for byte.
    void listsFollowTheQt6Indexes_data()
    {
        QTest::addColumn<QString>("list");
        QTest::newRow("contents") << QStringLiteral("contents.lst");
        QTest::newRow("index") << QStringLiteral("index.lst");
    }

    void listsFollowTheQt6Indexes()
    {
        QFETCH(QString, list);
        QCOMPARE(readFile(m_out + QLatin1Char('/') + list),
                 readFile(qt6Expected + QLatin1Char('/') + list));
    }

    // Qt OpenGL names no version in its index; the others agree on 6.4.2.
    void versionComesFromTheIndexesThatNameOne()
    {
        QCOMPARE(readFile(m_out + QStringLiteral("/version.txt")), QByteArray("6.4.2"));
    }

    // Classes of modules Qt 5 does not have in this form get their kinds
    // through bases in other modules' indexes.
    void classKindsCrossModules_data()
    {
        QTest::addColumn<QByteArray>("name");
        QTest::addColumn<QByteArray>("kind");
        QTest::newRow("QOpenGLShaderProgram, QObject in Qt Core")
            << QByteArray("QOpenGLShaderProgram") << QByteArray("O");
        QTest::newRow("QOpenGLWidget, QWidget in Qt Widgets")
            << QByteArray("QOpenGLWidget") << QByteArray("W");
        QTest::newRow("QTextDocument") << QByteArray("QTextDocument") << QByteArray("O");
        QTest::newRow("QFlags, no bases") << QByteArray("QFlags") << QByteArray("C");
    }

    void classKindsCrossModules()
    {
        QFETCH(QByteArray, name);
        QFETCH(QByteArray, kind);
        const QByteArray line = classLine(readFile(m_out + QStringLiteral("/contents.lst")), name);
        QVERIFY2(!line.isEmpty(), name.constData());
        QCOMPARE(line.left(line.indexOf('=')), kind);
    }

    // qdoc 6 writes "typedef for QFlags" links without the "../qtcore/" they
    // need outside Qt Core; in the flat folder the bare name is right.
    void linksResolveInTheFlatFolder_data()
    {
        QTest::addColumn<QString>("page");
        QTest::addColumn<QByteArray>("link"); // as written in the page
        QTest::addColumn<QString>("file");    // what it must name in the folder, if any
        QTest::newRow("QFlags typedef from Qt GUI")
            << "qtextdocument.html" << QByteArray("href=\"qflags.html\"") << "qflags.html";
        QTest::newRow("across modules")
            << "qtextdocument.html" << QByteArray("href=\"qobject.html\"") << "qobject.html";
        QTest::newRow("from a module Qt 5 has no widgets in")
            << "qopenglwidget.html" << QByteArray("href=\"qwidget.html\"") << "qwidget.html";
        QTest::newRow("image of the module")
            << "qwidget.html" << QByteArray("src=\"parent-child-widgets.png\"")
            << "parent-child-widgets.png";
        QTest::newRow("style sheet")
            << "qopenglshaderprogram.html" << QByteArray("href=\"offline.css\"") << "offline.css";
        QTest::newRow("page outside the set, online")
            << "qobject.html" << QByteArray("href=\"https://doc.qt.io/qt-6/qevent.html") << "";
    }

    void linksResolveInTheFlatFolder()
    {
        QFETCH(QString, page);
        QFETCH(QByteArray, link);
        QFETCH(QString, file);
        const QByteArray html = readFile(m_out + QLatin1Char('/') + page);
        QVERIFY2(html.contains(link), link.constData());
        QVERIFY(!html.contains("href=\"../"));
        QVERIFY(!html.contains("<script"));
        if (!file.isEmpty())
            QVERIFY2(QFileInfo::exists(m_out + QLatin1Char('/') + file), qPrintable(file));
    }

    // The Qt 5 layout still imports beside it, each with its own version.
    void bothReferencesImport()
    {
        const QString out = m_dir.filePath(QStringLiteral("qt5"));
        QCOMPARE(runImport(qt5Fixture, out), 0);
        QCOMPARE(readFile(out + QStringLiteral("/version.txt")), QByteArray("5.15.8"));
        QVERIFY(!classLine(readFile(out + QStringLiteral("/contents.lst")), "QObject").isEmpty());
        QVERIFY(!classLine(readFile(m_out + QStringLiteral("/contents.lst")), "QObject").isEmpty());
    }
};

QTEST_GUILESS_MAIN(tst_ImportQt6)
#include "tst_importqt6.moc"
