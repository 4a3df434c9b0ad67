// Velmora: the window and start-up against a damaged or unwritable settings store.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "shell.h"

#include "mainwidget.h"
#include "pagebrowser.h"
#include "savedstate.h"
#include "utils.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QRandomGenerator>
#include <QScreen>
#include <QSettings>
#include <QSplitter>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTextBrowser>
#include <QTreeWidget>

#include <csignal>
#include <sys/resource.h>

using tarn::Shell;

namespace {

QSettings store()
{
    return QSettings(QStringLiteral("Tessaravox"), QStringLiteral("Velmora"));
}

const QStringList intKeys = {
    QString::fromLatin1(tarn::settingskeys::geomX),
    QString::fromLatin1(tarn::settingskeys::geomY),
    QString::fromLatin1(tarn::settingskeys::geomW),
    QString::fromLatin1(tarn::settingskeys::geomH),
    QString::fromLatin1(tarn::settingskeys::geomS1),
    QString::fromLatin1(tarn::settingskeys::geomS2),
    QString::fromLatin1(tarn::settingskeys::geomTab),
};
const QString fontKey = QString::fromLatin1(tarn::settingskeys::textFont);
const QString fixedKey = QString::fromLatin1(tarn::settingskeys::fixedFamily);
const QString namesKey = QString::fromLatin1(tarn::settingskeys::bookmarkNames);
const QString urlsKey = QString::fromLatin1(tarn::settingskeys::bookmarkUrls);

// A stored string list as the store gives it back: one entry comes back as a
// plain string, none as an invalid value. Anything else is not a list of ours.
bool asStringList(const QVariant &value, QStringList *out)
{
    switch (value.typeId()) {
    case QMetaType::QStringList:
        *out = value.toStringList();
        return true;
    case QMetaType::QString:
        *out = {value.toString()};
        return true;
    case QMetaType::UnknownType:
        out->clear();
        return true;
    default:
        return false;
    }
}

// What is wrong with the window just built; empty when nothing.
QString insanity(Shell &shell)
{
    MainWidget *form = shell.form();
    const QRect frame(shell.pos(), shell.size());
    bool onScreen = false;
    for (const QScreen *screen : QGuiApplication::screens())
        onScreen = onScreen || screen->availableGeometry().intersected(frame).width() >= 50;
    if (!onScreen)
        return QStringLiteral("off-screen at %1,%2").arg(shell.x()).arg(shell.y());
    const QSize minimum = shell.minimumSizeHint();
    if (shell.width() < minimum.width() || shell.height() < minimum.height())
        return QStringLiteral("size %1x%2 below the minimum")
            .arg(shell.width())
            .arg(shell.height());
    const QList<int> sizes = form->splitter->sizes();
    if (sizes.size() != 2 || sizes.at(0) <= 0 || sizes.at(1) <= 0)
        return QStringLiteral("splitter panes %1,%2").arg(sizes.value(0)).arg(sizes.value(1));
    const int tab = form->leftTabs->currentIndex();
    if (tab < 0 || tab > 3)
        return QStringLiteral("tab %1").arg(tab);
    const int points = form->browser->font().pointSize();
    if (points < 1 || points > Utils::maxStoredPointSize)
        return QStringLiteral("browser font of %1 points").arg(points);
    return QString();
}

// What is wrong with the state read from the store as plain data; empty when
// nothing. The window adds its own checks (minimum size, screens, fonts).
QString stateProblem(const tarn::SavedState &state)
{
    using tarn::SavedState;
    const struct
    {
        const char *name;
        int value;
    } sizes[] = {{"width", state.width},
                 {"height", state.height},
                 {"left pane", state.leftPane},
                 {"right pane", state.rightPane}};
    for (const auto &size : sizes) {
        if (size.value <= 0 || size.value > SavedState::largestSize)
            return QStringLiteral("%1 %2").arg(QLatin1String(size.name)).arg(size.value);
    }
    if (state.fixedFamily.size() > 256)
        return QStringLiteral("a fixed family of %1 characters").arg(state.fixedFamily.size());
    for (const tarn::Bookmark &bookmark : state.bookmarks) {
        if (bookmark.label.isEmpty() && bookmark.url.isEmpty())
            return QStringLiteral("a bookmark without a label and a target");
    }
    return QString();
}

QString readStateProblem()
{
    QSettings s = store();
    return stateProblem(tarn::SavedState::read(s));
}

// A bookmark needs a label and a target, both from string lists.
QString bookmarkProblem(Shell &shell)
{
    // A name without a stored target keeps an empty one; a row with neither
    // can only come from damage read as data.
    QTreeWidget *view = shell.form()->bookmarksView;
    for (int i = 0; i < view->topLevelItemCount(); ++i) {
        if (view->topLevelItem(i)->text(0).isEmpty() && view->topLevelItem(i)->text(1).isEmpty())
            return QStringLiteral("bookmark %1 without a label and a target").arg(i);
    }
    return QString();
}

// What is wrong with the store a shutdown wrote, read from a copy so that no
// cached copy of the store can answer; empty when nothing.
QString storeProblem()
{
    const QString path = store().fileName();
    QTemporaryDir copyDir;
    const QString copy = copyDir.filePath(QStringLiteral("copy.conf"));
    if (!QFile::copy(path, copy))
        return QStringLiteral("no store at ") + path;
    QSettings s(copy, QSettings::IniFormat);
    if (s.status() != QSettings::NoError)
        return QStringLiteral("store does not read back: status %1").arg(int(s.status()));
    for (const QString &key : intKeys) {
        bool ok = false;
        const int value = s.value(key).toInt(&ok);
        if (!s.contains(key) || !ok)
            return key + QStringLiteral(" missing or not a number");
        if (key.endsWith(QLatin1String("/t"))
                ? (value < 0 || value > 3)
                : (!key.endsWith(QLatin1String("/x")) && !key.endsWith(QLatin1String("/y"))
                   && value <= 0))
            return key + QStringLiteral(" out of range: %1").arg(value);
    }
    QFont font;
    if (s.value(fontKey).typeId() != QMetaType::QString
        || !Utils::fontFromDescription(s.value(fontKey).toString(), &font))
        return fontKey + QStringLiteral(" missing or not a font");
    if (s.contains(fixedKey) && s.value(fixedKey).typeId() != QMetaType::QString)
        return fixedKey + QStringLiteral(" not a string");
    QStringList names;
    QStringList urls;
    if (!s.contains(namesKey) || !s.contains(urlsKey))
        return QStringLiteral("bookmark lists missing");
    if (!asStringList(s.value(namesKey), &names) || !asStringList(s.value(urlsKey), &urls))
        return QStringLiteral("bookmark lists not string lists");
    if (names.size() != urls.size())
        return QStringLiteral("%1 names for %2 targets").arg(names.size()).arg(urls.size());
    return QString();
}

// QSettings re-reads a store only when its size or time stamp changed; a
// file rewritten within the same instant must still count as changed.
void touchLater(const QString &path)
{
    static int step = 0;
    QFile file(path);
    if (file.open(QIODevice::ReadWrite))
        file.setFileTime(QDateTime::currentDateTime().addSecs(++step),
                         QFileDevice::FileModificationTime);
}

bool writeRaw(const QString &path, const QByteArray &bytes)
{
    QDir().mkpath(QFileInfo(path).path());
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate) || file.write(bytes) != bytes.size())
        return false;
    file.close();
    touchLater(path);
    return true;
}

QVariantMap aMap()
{
    return {{QStringLiteral("a"), 1}, {QStringLiteral("b"), QStringLiteral("c")}};
}

} // namespace

class tst_DamagedSettings : public QObject
{
    Q_OBJECT

    QString m_path;

    // Builds the window on the store as it is, checks it, and closes it.
    void buildCheckAndClose()
    {
        Shell shell;
        const QString problem = insanity(shell);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
        const QString bookmarks = bookmarkProblem(shell);
        QVERIFY2(bookmarks.isEmpty(), qPrintable(bookmarks));
    }

private Q_SLOTS:
    void initTestCase()
    {
        m_path = store().fileName();
        QVERIFY2(m_path.startsWith(qEnvironmentVariable("XDG_CONFIG_HOME")), qPrintable(m_path));
    }

    void init()
    {
        QFile(QFileInfo(m_path).path())
            .setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                            | QFileDevice::ExeOwner);
        QDir(m_path).removeRecursively();
        QFile::remove(m_path);
        store().clear();
    }

    void damagedValue_data()
    {
        QTest::addColumn<QString>("key");
        QTest::addColumn<QVariant>("value");
        const QStringList list = {QStringLiteral("a"), QStringLiteral("b")};
        for (const QString &key : intKeys) {
            const QByteArray k = key.toLatin1();
            QTest::addRow("%s: string", k.constData()) << key << QVariant(QStringLiteral("wide"));
            QTest::addRow("%s: list", k.constData()) << key << QVariant(list);
            QTest::addRow("%s: map", k.constData()) << key << QVariant(aMap());
            QTest::addRow("%s: empty", k.constData()) << key << QVariant(QString());
            QTest::addRow("%s: largest int", k.constData()) << key << QVariant(INT_MAX);
            QTest::addRow("%s: smallest int", k.constData()) << key << QVariant(INT_MIN);
            QTest::addRow("%s: beyond int", k.constData()) << key << QVariant(Q_INT64_C(1) << 40);
            QTest::addRow("%s: negative", k.constData()) << key << QVariant(-1);
            QTest::addRow("%s: zero", k.constData()) << key << QVariant(0);
        }
        QTest::newRow("geom/t: past the last tab")
            << QString::fromLatin1(tarn::settingskeys::geomTab) << QVariant(4);
        QTest::newRow("geom/s1: wider than the window")
            << QString::fromLatin1(tarn::settingskeys::geomS1) << QVariant(5000);
        QTest::newRow("geom/x: a group where the key belongs")
            << QStringLiteral("velmora/geom/x/deeper") << QVariant(3);

        for (const QString &key : {fontKey, fixedKey}) {
            const QByteArray k = key.toLatin1();
            QTest::addRow("%s: list", k.constData()) << key << QVariant(list);
            QTest::addRow("%s: map", k.constData()) << key << QVariant(aMap());
            QTest::addRow("%s: number", k.constData()) << key << QVariant(12);
            QTest::addRow("%s: empty", k.constData()) << key << QVariant(QString());
            QTest::addRow("%s: not a font", k.constData())
                << key << QVariant(QStringLiteral(",,,;;{}\""));
            QTest::addRow("%s: huge point size", k.constData())
                << key << QVariant(QStringLiteral("Sans,100000,-1,5,50,0,0,0,0,0"));
            QTest::addRow("%s: negative point size", k.constData())
                << key << QVariant(QStringLiteral("Sans,-7,-1,5,50,0,0,0,0,0"));
            QTest::addRow("%s: pixel size only", k.constData())
                << key << QVariant(QStringLiteral("Sans,-1,40,5,50,0,0,0,0,0"));
            QTest::addRow("%s: megabyte", k.constData())
                << key << QVariant(QString(1 << 20, QLatin1Char('x')));
        }
        for (const QString &key : {namesKey, urlsKey}) {
            const QByteArray k = key.toLatin1();
            QTest::addRow("%s: map", k.constData()) << key << QVariant(aMap());
            QTest::addRow("%s: number", k.constData()) << key << QVariant(7);
            QTest::addRow("%s: list of maps", k.constData())
                << key << QVariant(QVariantList{aMap(), aMap()});
        }
    }

    // One key damaged, every other one absent.
    void damagedValue()
    {
        QFETCH(QString, key);
        QFETCH(QVariant, value);
        store().setValue(key, value);
        const QString read = readStateProblem();
        QVERIFY2(read.isEmpty(), qPrintable(read));
        buildCheckAndClose();
        const QString problem = storeProblem();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void bookmarkLists_data()
    {
        QTest::addColumn<QVariant>("names");
        QTest::addColumn<QVariant>("urls");
        QTest::addColumn<QStringList>("shown"); // labels, in the view's order
        const QStringList two = {QStringLiteral("Alpha"), QStringLiteral("Beta")};
        const QStringList twoUrls = {QStringLiteral("qt.html"), QStringLiteral("index.html#x")};
        // The names decide the bookmarks; a name without a target keeps an
        // empty one, so nothing the user named is lost.
        QTest::newRow("more names than targets")
            << QVariant(two) << QVariant(QStringList{QStringLiteral("qt.html")}) << two;
        QTest::newRow("more targets than names")
            << QVariant(QStringList{QStringLiteral("Alpha")}) << QVariant(twoUrls)
            << QStringList{QStringLiteral("Alpha")};
        QTest::newRow("names only") << QVariant(two) << QVariant() << two;
        QTest::newRow("names a map") << QVariant(aMap()) << QVariant(twoUrls) << QStringList();
        QTest::newRow("targets a map") << QVariant(two) << QVariant(aMap()) << two;
        QTest::newRow("one of each, as plain strings")
            << QVariant(QStringLiteral("Alpha")) << QVariant(QStringLiteral("qt.html"))
            << QStringList{QStringLiteral("Alpha")};
        QTest::newRow("empty strings")
            << QVariant(QString()) << QVariant(QString()) << QStringList();
    }

    // Only pairs of a label and a target make a bookmark.
    void bookmarkLists()
    {
        QFETCH(QVariant, names);
        QFETCH(QVariant, urls);
        QFETCH(QStringList, shown);
        {
            QSettings s = store();
            if (names.isValid())
                s.setValue(namesKey, names);
            if (urls.isValid())
                s.setValue(urlsKey, urls);
        }
        {
            QSettings s = store();
            QStringList labels;
            for (const tarn::Bookmark &bookmark : tarn::SavedState::readBookmarks(s))
                labels.append(bookmark.label);
            QCOMPARE(labels, shown);
        }
        {
            Shell shell;
            const QString problem = insanity(shell);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            QTreeWidget *view = shell.form()->bookmarksView;
            QStringList labels;
            for (int i = 0; i < view->topLevelItemCount(); ++i)
                labels.append(view->topLevelItem(i)->text(0));
            QCOMPARE(labels, shown);
        }
        const QString problem = storeProblem();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void damagedFile_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QByteArray noise(4096, Qt::Uninitialized);
        QRandomGenerator random(20240611);
        for (char &c : noise)
            c = char(random.bounded(256));
        QTest::newRow("random bytes") << noise;
        QTest::newRow("NUL bytes") << QByteArray(512, '\0');
        QTest::newRow("NUL inside our section") << QByteArray("[velmora]\ngeom\\x=1\0"
                                                              "00\ngeom\\w=\0\nfont\\f=Sans,\0"
                                                              "12\n",
                                                              44);
        QTest::newRow("a megabyte line") << QByteArray(1 << 20, 'k');
        QTest::newRow("a megabyte value")
            << QByteArray("[velmora]\ngeom\\w=") + QByteArray(1 << 20, '9') + "\n";
        QTest::newRow("unclosed section") << QByteArray("[velmora\ngeom\\x=10\n[[[\n");
        QTest::newRow("binary variants")
            << QByteArray("[velmora]\ngeom\\x=@Variant(\\0\\0\\0\\x7f\\xff)\n"
                          "bookmarks\\names=@Variant(\\0\\0\\0\\t\\0\\0\\0\\x2)\n"
                          "font\\f=@ByteArray(\\xff\\xfe)\ngeom\\t=@Point(1 2)\n");
        QTest::newRow("truncated store") << QByteArray("[velmora]\ngeom\\s1=3");
        QTest::newRow("every value nonsense")
            << QByteArray("[velmora]\ngeom\\x=a\ngeom\\y=b\ngeom\\w=c\ngeom\\h=d\ngeom\\s1=e\n"
                          "geom\\s2=f\ngeom\\t=g\nfont\\f=h\nfont\\fixed=\"\nbookmarks\\names=,\n"
                          "bookmarks\\urls=\"\n");
    }

    void damagedFile()
    {
        QFETCH(QByteArray, bytes);
        QVERIFY(writeRaw(m_path, bytes));
        const QString read = readStateProblem();
        QVERIFY2(read.isEmpty(), qPrintable(read));
        buildCheckAndClose();
        const QString problem = storeProblem();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void unwritableStore_data()
    {
        QTest::addColumn<QString>("how");
        QTest::newRow("folder without write permission") << QStringLiteral("chmod");
        QTest::newRow("store is a folder") << QStringLiteral("folder");
        QTest::newRow("writes fail (file size limit)") << QStringLiteral("fsize");
    }

    // The window opens and closes on a store it cannot write, loses the run's
    // state quietly and leaves an existing store intact; once the store can
    // be written again, the next shutdown writes it whole.
    void unwritableStore()
    {
        QFETCH(QString, how);
        {
            QSettings s = store();
            s.setValue(QString::fromLatin1(tarn::settingskeys::geomTab), 1);
        }
        const QByteArray before = [this] {
            QFile file(m_path);
            return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
        }();
        QVERIFY(!before.isEmpty());
        const QString folder = QFileInfo(m_path).path();
        struct rlimit savedLimit = {};
        QCOMPARE(::getrlimit(RLIMIT_FSIZE, &savedLimit), 0);
        if (how == QLatin1String("chmod")) {
            QVERIFY(QFile(folder).setPermissions(QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            // Permission bits do not stop root; then the store becomes a
            // folder as well, so the case still has a store it cannot write.
            QFile probe(folder + QStringLiteral("/probe"));
            if (probe.open(QIODevice::WriteOnly)) {
                probe.remove();
                qInfo("permission bits do not stop writes here (root); the store is made a folder "
                      "too");
                QVERIFY(QFile::remove(m_path));
                QVERIFY(QDir().mkdir(m_path));
            }
        } else if (how == QLatin1String("folder")) {
            QVERIFY(QFile::remove(m_path));
            QVERIFY(QDir().mkdir(m_path));
        } else {
            ::signal(SIGXFSZ, SIG_IGN);
            struct rlimit none = savedLimit;
            none.rlim_cur = 0;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &none), 0);
        }

        {
            Shell shell;
            const QString problem = insanity(shell);
            shell.form()->leftTabs->setCurrentIndex(2);
            if (how == QLatin1String("fsize"))
                ::setrlimit(RLIMIT_FSIZE, &savedLimit);
            QVERIFY2(problem.isEmpty(), qPrintable(problem));
            if (how == QLatin1String("fsize")) {
                // Limit the writes of the shutdown alone.
                struct rlimit none = savedLimit;
                none.rlim_cur = 0;
                QCOMPARE(::setrlimit(RLIMIT_FSIZE, &none), 0);
            }
        }
        QCOMPARE(::setrlimit(RLIMIT_FSIZE, &savedLimit), 0);
        QFile(folder).setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner
                                     | QFileDevice::ExeOwner);
        if (how == QLatin1String("fsize")) {
            // A failed write must not have cut the store that was there.
            QFile file(m_path);
            QVERIFY(file.open(QIODevice::ReadOnly));
            QCOMPARE(file.readAll(), before);
        }

        QDir(m_path).removeRecursively();
        buildCheckAndClose();
        const QString problem = storeProblem();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }

    void applicationFont_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::addColumn<int>("points"); // 0: the default font's
        QTest::newRow("absent") << QVariant() << 0;
        QTest::newRow("good") << QVariant(QStringLiteral("Sans,14,-1,5,50,0,0,0,0,0")) << 14;
        QTest::newRow("list") << QVariant(
            QStringList{QStringLiteral("Sans,14"), QStringLiteral("x")})
                              << 0;
        QTest::newRow("map") << QVariant(aMap()) << 0;
        QTest::newRow("number") << QVariant(14) << 0;
        QTest::newRow("empty") << QVariant(QString()) << 0;
        QTest::newRow("not a font") << QVariant(QStringLiteral("}}}{{{")) << 0;
        QTest::newRow("huge point size")
            << QVariant(QStringLiteral("Sans,2000000,-1,5,50,0,0,0,0,0")) << 0;
        QTest::newRow("negative point size")
            << QVariant(QStringLiteral("Sans,-3,-1,5,50,0,0,0,0,0")) << 0;
        QTest::newRow("megabyte") << QVariant(QString(1 << 20, QLatin1Char(','))) << 0;
    }

    // What start-up reads for the whole application.
    void applicationFont()
    {
        QFETCH(QVariant, value);
        QFETCH(int, points);
        if (value.isValid())
            store().setValue(QStringLiteral("qz/fonts/Application"), value);
        Utils::setKeyPrefix(QStringLiteral("/qz"));
        Utils::settings()->sync();
        const QFont font = Utils::storedApplicationFont();
        Utils::setKeyPrefix(QStringLiteral("/"));
        QCOMPARE(font.pointSize(), points ? points : QFont().pointSize());
        QVERIFY(font.pointSize() > 0);
    }
};

QTEST_MAIN(tst_DamagedSettings)
#include "tst_damagedsettings.moc"
