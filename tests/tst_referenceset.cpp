// Velmora: tests of the documentation folder the build assembled from the configured reference.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "linkcheck.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QRegularExpression>
#include <QSet>
#include <QTest>
#include <QXmlStreamReader>

namespace {

const QString assembled = QStringLiteral(VELMORA_ASSEMBLED_DIR);
const QString ownPages = QStringLiteral(VELMORA_SOURCE_DIR "/docset/pages");
const QString referenceVersion = QStringLiteral(VELMORA_REFERENCE_VERSION);

QByteArray readFile(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

bool isQt6()
{
    return referenceVersion.startsWith(QLatin1String("6."));
}

// "kind===Name===page@..." for every class line of contents.lst.
QHash<QString, QString> classKinds()
{
    QHash<QString, QString> kinds;
    const QString contents = QString::fromUtf8(readFile(assembled + "/contents.lst"));
    for (const QString &line : contents.split(QStringLiteral("\r\n"), Qt::SkipEmptyParts)) {
        const QString head = line.section(QLatin1Char('@'), 0, 0);
        kinds.insert(head.section(QStringLiteral("==="), 1, 1),
                     head.section(QStringLiteral("==="), 0, 0));
    }
    return kinds;
}

// What the .index files say of one class's members: by target (as the
// list writes it, "qtimer.html#singleShot"), the member's own since and
// status, and "" for the class itself. Targets two elements share are left
// out: they cannot tell which of them a line is.
struct IndexedVersions
{
    struct Entry
    {
        QString since;
        bool deprecated = false;
    };
    QHash<QString, Entry> byTarget;
    QSet<QString> shared;
};

IndexedVersions indexedVersions(const QString &className)
{
    IndexedVersions out;
    QDirIterator files(QStringLiteral(VELMORA_REFERENCE_HTML), {QStringLiteral("*.index")},
                       QDir::Files, QDirIterator::Subdirectories);
    while (files.hasNext()) {
        QFile file(files.next());
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QXmlStreamReader xml(&file);
        int depth = 0;
        int classDepth = -1;
        while (!xml.atEnd()) {
            const QXmlStreamReader::TokenType token = xml.readNext();
            if (token == QXmlStreamReader::EndElement && --depth < classDepth)
                classDepth = -1;
            if (token != QXmlStreamReader::StartElement)
                continue;
            ++depth;
            const QXmlStreamAttributes a = xml.attributes();
            const QString href = a.value(QLatin1String("href")).toString();
            const IndexedVersions::Entry entry{a.value(QLatin1String("since")).toString(),
                                               a.value(QLatin1String("status")) == u"deprecated"};
            if (xml.name() == u"class" && a.value(QLatin1String("name")) == className
                && classDepth < 0 && out.byTarget.isEmpty()) {
                classDepth = depth;
                out.byTarget.insert(QString(), entry);
            } else if (classDepth >= 0 && depth == classDepth + 1 && href.contains(u'#')) {
                if (out.byTarget.contains(href))
                    out.shared.insert(href);
                out.byTarget.insert(href, entry);
            }
        }
    }
    return out;
}

// "6.10" after "6.9"; the members of a class are as new as the class.
QString later(const QString &a, const QString &b)
{
    const QStringList pa = a.split(u'.');
    const QStringList pb = b.split(u'.');
    for (qsizetype i = 0; i < std::max(pa.size(), pb.size()); ++i) {
        const int va = pa.value(i, QStringLiteral("-1")).toInt();
        const int vb = pb.value(i, QStringLiteral("-1")).toInt();
        if (va != vb)
            return va > vb ? a : b;
    }
    return a;
}

} // namespace

class tst_ReferenceSet : public QObject
{
    Q_OBJECT

private:
    tarn::import::FolderCheck m_report;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo::exists(assembled + "/contents.lst"), qPrintable(assembled));
        m_report = tarn::import::checkFolder(assembled);
        qInfo("%s", qPrintable(tarn::import::describe(m_report, 5)));
    }

    // The caption's version is the reference's, whichever was configured.
    void versionIsTheConfiguredReferences()
    {
        QCOMPARE(QString::fromUtf8(readFile(assembled + "/version.txt")), referenceVersion);
    }

    // Links and list targets are tst_importedset's; these are the files.
    void nothingPointsAtAMissingFile()
    {
        QVERIFY2(m_report.missingImages.isEmpty(), qPrintable(m_report.missingImages.join(u'\n')));
        QVERIFY2(m_report.folderLinks.isEmpty(), qPrintable(m_report.folderLinks.join(u'\n')));
        QVERIFY(m_report.pages > 2000);
        QVERIFY(m_report.images > 400);
    }

    // Our chapters are one text for either reference: every page they link
    // must be in the embedded one, and every class they name too.
    void ownPagesFitTheEmbeddedReference()
    {
        const QHash<QString, QString> kinds = classKinds();
        // Words of the pages that look like class names but are not classes;
        // macros and variables (QT_PLUGIN_PATH) are told by their "_".
        const QSet<QString> notClasses = {
            "QT", "QML", "QObjects", "QSQLITE", "QStringLiteral", "QVariantMap"};
        static const QRegularExpression className(QStringLiteral("\\bQ[A-Z][A-Za-z0-9]*\\b(?!_)"));
        QStringList problems;
        const QStringList pages = QDir(ownPages).entryList({QStringLiteral("*.html")});
        QVERIFY(pages.size() >= 26);
        const tarn::import::FolderCheck own = tarn::import::checkFolder(assembled, pages);
        problems += own.missingPages + own.missingAnchors + own.missingImages;
        for (const QString &page : pages) {
            const QString text = QString::fromUtf8(readFile(assembled + QLatin1Char('/') + page));
            for (auto it = className.globalMatch(text); it.hasNext();) {
                const QString name = it.next().captured();
                if (!kinds.contains(name) && !notClasses.contains(name))
                    problems.append(page + QStringLiteral(": names ") + name);
            }
        }
        problems.removeDuplicates();
        QVERIFY2(problems.isEmpty(), qPrintable(problems.join(QLatin1Char('\n'))));
    }

    // Classes that one reference has in another module or not at all, with
    // the kinds their bases give across modules.
    void referenceOnlyClassesHaveTheirKinds_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("kind");
        struct Row
        {
            const char *why;
            const char *name;
            const char *kind;
        };
        const QVector<Row> qt6 = {{"Qt OpenGL, a QObject", "QOpenGLShaderProgram", "O"},
                                  {"Qt OpenGL Widgets, a QWidget", "QOpenGLWidget", "W"},
                                  {"Qt Core, new in Qt 6", "QStringConverter", "C"},
                                  {"Qt GUI, moved from Qt Widgets", "QAction", "O"}};
        const QVector<Row> qt5 = {{"Qt GUI, moved in Qt 6", "QOpenGLShaderProgram", "O"},
                                  {"Qt Core, gone in Qt 6", "QTextCodec", "C"},
                                  {"Qt Core, also gone", "QStringRef", "C"},
                                  {"Qt Widgets, moved in Qt 6", "QAction", "O"}};
        for (const Row &row : isQt6() ? qt6 : qt5)
            QTest::newRow(row.why)
                << QString::fromLatin1(row.name) << QString::fromLatin1(row.kind);
    }

    void referenceOnlyClassesHaveTheirKinds()
    {
        QFETCH(QString, name);
        QFETCH(QString, kind);
        const QHash<QString, QString> kinds = classKinds();
        QVERIFY2(kinds.contains(name), qPrintable(name));
        QCOMPARE(kinds.value(name), kind);
    }

    // Every module of the reference has its pages; the class count shows
    // that no module went missing from the generation.
    void everyModuleIsThere_data()
    {
        QTest::addColumn<QString>("page");
        for (const char *page :
             {"qtcore-module.html", "qtgui-module.html", "qtwidgets-module.html",
              "qtnetwork-module.html", "qtsql-module.html", "qtxml-module.html",
              "qtprintsupport-module.html", "qtconcurrent-index.html", "qtdbus-module.html",
              "qttest-module.html", "qtopengl-module.html", "qmake-manual.html"})
            QTest::newRow(page) << QString::fromLatin1(page);
    }

    void everyModuleIsThere()
    {
        QFETCH(QString, page);
        QVERIFY(QFileInfo::exists(assembled + QLatin1Char('/') + page));
        QVERIFY(classKinds().size() > 750);
    }

    // entries.lst says, line for line of index.lst, what the .index files
    // say of the entry: the Qt it came with and whether it is deprecated.
    void entriesCarryTheIndexesVersions_data()
    {
        QTest::addColumn<QString>("className");
        QTest::addColumn<bool>("someNew");
        QTest::addColumn<bool>("someDeprecated");
        if (!isQt6())
            QSKIP("the sample is of the Qt 6 reference");
        QTest::newRow("members since 6.x") << QStringLiteral("QString") << true << true;
        QTest::newRow("a class since 6.0, its members with it")
            << QStringLiteral("QModelRoleDataSpan") << true << false;
        QTest::newRow("deprecated members on their own page")
            << QStringLiteral("QMessageBox") << false << true;
        QTest::newRow("a deprecated class")
            << QStringLiteral("QGraphicsItemAnimation") << false << true;
        QTest::newRow("signals, nothing new")
            << QStringLiteral("QAbstractButton") << false << false;
        QTest::newRow("a timer") << QStringLiteral("QTimer") << false << false;
    }

    void entriesCarryTheIndexesVersions()
    {
        QFETCH(QString, className);
        QFETCH(bool, someNew);
        QFETCH(bool, someDeprecated);
        const IndexedVersions indexed = indexedVersions(className);
        QVERIFY2(indexed.byTarget.contains(QString()), qPrintable(className));
        const IndexedVersions::Entry own = indexed.byTarget.value(QString());
        const QStringList index =
            QString::fromUtf8(readFile(assembled + "/index.lst")).split(QStringLiteral("\r\n"));
        const QStringList entries =
            QString::fromUtf8(readFile(assembled + "/entries.lst")).split(QStringLiteral("\r\n"));
        QCOMPARE(entries.size(), index.size());
        const QString suffix = QStringLiteral(" (") + className + u')';
        int checked = 0;
        bool anyNew = false;
        bool anyDeprecated = false;
        for (qsizetype i = 0; i < index.size(); ++i) {
            const QStringList line = index.at(i).split(QStringLiteral("==="));
            const QStringList detail = entries.at(i).split(QStringLiteral("==="));
            if (line.size() < 2 || detail.size() < 7)
                continue;
            const bool isClass = line.at(0) == className;
            if (!isClass && !line.at(0).endsWith(suffix))
                continue;
            const QString key = isClass ? QString() : line.at(1);
            if (!indexed.byTarget.contains(key) || indexed.shared.contains(key))
                continue; // a target the import repaired against its page
            const IndexedVersions::Entry entry = indexed.byTarget.value(key);
            const QString since = isClass ? own.since : later(entry.since, own.since);
            const bool deprecated = entry.deprecated || own.deprecated;
            QVERIFY2(detail.at(5) == since, qPrintable(index.at(i) + " " + entries.at(i)));
            QVERIFY2((detail.at(6) == u"1") == deprecated,
                     qPrintable(index.at(i) + " " + entries.at(i)));
            anyNew = anyNew || since.startsWith(QLatin1String("6."));
            anyDeprecated = anyDeprecated || deprecated;
            ++checked;
        }
        QVERIFY2(checked > 5, qPrintable(QString::number(checked)));
        QCOMPARE(anyNew, someNew);
        QCOMPARE(anyDeprecated, someDeprecated);
    }
};

QTEST_GUILESS_MAIN(tst_ReferenceSet)
#include "tst_referenceset.moc"
