// Velmora: the import run, from the installed reference to one flat folder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "assembler.h"

#include "anchors.h"
#include "apilists.h"
#include "classlists.h"
#include "docnames.h"
#include "listformat.h"
#include "pagerewrite.h"
#include "toolfailure.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>
#include <QMap>

namespace tarn::import {

namespace {

const QString styleSheetName = QLatin1String(docnames::styleSheet);
const QString contentsName = QLatin1String(docnames::contentsList);
const QString indexName = QLatin1String(docnames::indexList);
const QString entriesName = QLatin1String(docnames::entryList);
const QString namesName = QLatin1String(docnames::nameList);
const QString versionName = QLatin1String(docnames::versionFile);

enum class SourceKind { Page, Image, StyleSheet, OwnPage, OwnImage };

struct Source
{
    QString path;
    SourceKind kind = SourceKind::Page;
    int module = -1; // for pages: which module's online address applies
};

struct Module
{
    QString name;
    QString dir;
    QString indexPath;
    QByteArray onlineBase;
};

QByteArray readFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path, QStringLiteral("cannot read: ") + file.errorString());
    return file.readAll();
}

void writeFile(const QString &path, const QByteArray &data)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly) || file.write(data) != data.size() || !file.flush())
        fail(path, QStringLiteral("cannot write: ") + file.errorString());
}

bool isFolder(const QString &path)
{
    return QFileInfo(path).isDir();
}

// An earlier import is recognised by the files only this program writes, so
// a mistyped --out never costs anyone a folder of their own.
bool isEarlierImport(const QString &path)
{
    const QDir dir(path);
    if (dir.isEmpty())
        return true;
    return dir.exists(contentsName) && dir.exists(indexName) && dir.exists(versionName);
}

class Importer
{
public:
    Importer(const ImportOptions &options, ImportReport *report)
        : m_options(options)
        , m_report(report)
    {
    }

    void run();
    void removeStaleOutput();

private:
    void findModules();
    void readIndexes();
    void collectFiles();
    void collectOwnFiles(const QDir &own);
    void addFile(const QString &name, const Source &source);
    void checkOwnCollisions(const LinkTargets &targets);
    void prepareOutput();
    void readAnchors(AnchorRepair *anchors) const;
    void repairTargets(QVector<ClassEntry> &classes, AnchorRepair *anchors);
    QVector<ApiName> apiNames(const AnchorRepair &anchors) const;
    void writeOutput();

    QByteArray importedPage(const QString &name, const Source &source, LinkTargets &targets,
                            RewriteLog *log) const;

    ImportOptions m_options;
    ImportReport *m_report;
    QVector<Module> m_modules;
    ClassCatalog m_catalog;
    QMap<QString, Source> m_files;
    QVector<QPair<QString, QString>> m_ownOverImported; // own path, bare name
    QHash<QByteArray, QByteArray> m_renamed;
    QString m_staging;
    QString m_retired;
    bool m_mayClean = false;
};

void Importer::run()
{
    if (m_options.out.isEmpty())
        fail(QStringLiteral("--out"), QStringLiteral("no output folder given"));
    m_options.out = QFileInfo(m_options.out).absoluteFilePath();
    if (QFileInfo::exists(m_options.out) && !isFolder(m_options.out))
        fail(m_options.out, QStringLiteral("exists and is not a folder"));
    if (isFolder(m_options.out) && !isEarlierImport(m_options.out))
        fail(m_options.out,
             QStringLiteral("holds files this program did not write; not replacing it"));
    m_staging = m_options.out + QStringLiteral(".importing");
    m_retired = m_options.out + QStringLiteral(".replaced");
    m_mayClean = true;

    if (!isFolder(m_options.qtdoc))
        fail(m_options.qtdoc, QStringLiteral("no such folder"));
    for (const QString &own : std::as_const(m_options.own)) {
        if (!isFolder(own))
            fail(own, QStringLiteral("no such folder"));
    }

    findModules();
    readIndexes();
    collectFiles();
    prepareOutput();
    writeOutput();
}

void Importer::findModules()
{
    const QDir root(m_options.qtdoc);
    const QStringList folders = root.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString &folder : folders) {
        const QDir dir(root.filePath(folder));
        // A folder without pages is no module (and needs no index).
        if (dir.entryList({QStringLiteral("*.html")}, QDir::Files).isEmpty())
            continue;
        Module module;
        module.name = folder;
        module.dir = dir.path();
        module.indexPath = dir.filePath(folder + QStringLiteral(".index"));
        if (!QFileInfo(module.indexPath).isFile())
            fail(module.indexPath, QStringLiteral("missing; every module folder needs its index"));
        m_modules.append(module);
    }
    if (m_modules.isEmpty())
        fail(m_options.qtdoc, QStringLiteral("no module folder with pages"));
}

void Importer::readIndexes()
{
    QString version;
    QString versionFrom;
    QByteArray firstBase;
    for (Module &module : m_modules) {
        QFile file(module.indexPath);
        if (!file.open(QIODevice::ReadOnly))
            fail(module.indexPath, QStringLiteral("cannot read: ") + file.errorString());
        IndexInfo info;
        QString error;
        if (!m_catalog.addIndex(&file, &info, &error))
            fail(module.indexPath, error);
        if (!info.version.isEmpty()) {
            if (version.isEmpty()) {
                version = info.version;
                versionFrom = module.indexPath;
            } else if (info.version != version) {
                fail(module.indexPath,
                     QStringLiteral("version %1 disagrees with %2 of %3")
                         .arg(info.version, version, versionFrom));
            }
        }
        module.onlineBase = onlineBaseFromIndexUrl(info.url);
        if (firstBase.isEmpty())
            firstBase = module.onlineBase;
    }
    if (version.isEmpty())
        fail(m_options.qtdoc, QStringLiteral("no .index file names a version"));
    m_report->version = version;
    for (Module &module : m_modules) {
        if (module.onlineBase.isEmpty())
            module.onlineBase = firstBase;
    }
}

void Importer::addFile(const QString &name, const Source &source)
{
    const auto it = m_files.constFind(name);
    if (it == m_files.cend()) {
        m_files.insert(name, source);
        return;
    }
    const Source earlier = it.value();
    if (source.kind == SourceKind::OwnPage && earlier.kind == SourceKind::Page) {
        // The imported page is rewritten on the way out; compare with that later.
        m_ownOverImported.append({source.path, name});
        return;
    }
    if (readFile(source.path) == readFile(earlier.path))
        return;
    if (source.kind == SourceKind::OwnImage && earlier.kind == SourceKind::Image) {
        // Our image names are fixed by the program (logo.png is one), so ours
        // keep the name and the imported image moves aside for its pages.
        const QString aside = QStringLiteral("imported-") + name;
        if (m_files.contains(aside))
            fail(source.path,
                 QStringLiteral("differs from %1 of the same name, and %2 is taken")
                     .arg(earlier.path, aside));
        m_files.insert(aside, earlier);
        m_files.insert(name, source);
        m_renamed.insert(name.toUtf8(), aside.toUtf8());
        m_report->warnings.append(QStringLiteral("%1 takes the name of %2, which is kept as %3")
                                      .arg(source.path, earlier.path, aside));
        return;
    }
    fail(source.path, QStringLiteral("differs from %1 of the same name").arg(earlier.path));
}

void Importer::collectFiles()
{
    for (int i = 0; i < m_modules.size(); ++i) {
        const QDir dir(m_modules.at(i).dir);
        const QStringList pages =
            dir.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name);
        for (const QString &page : pages) {
            if (!docnames::isValidPageName(page))
                fail(dir.filePath(page), docnames::pageNameRule());
            addFile(page, Source{dir.filePath(page), SourceKind::Page, i});
        }
        QDirIterator images(dir.filePath(QStringLiteral("images")), QDir::Files,
                            QDirIterator::Subdirectories);
        QStringList imagePaths;
        while (images.hasNext())
            imagePaths.append(images.next());
        imagePaths.sort();
        for (const QString &path : std::as_const(imagePaths)) {
            const QString name = QFileInfo(path).fileName();
            if (!docnames::isValidImageName(name))
                fail(path, docnames::imageNameRule());
            addFile(name, Source{path, SourceKind::Image, i});
        }
        const QString css = dir.filePath(QStringLiteral("style/") + styleSheetName);
        if (QFileInfo(css).isFile())
            addFile(styleSheetName, Source{css, SourceKind::StyleSheet, i});
    }
    if (!m_files.contains(styleSheetName))
        fail(m_options.qtdoc, QStringLiteral("no module has style/offline.css"));

    for (const QString &folder : std::as_const(m_options.own))
        collectOwnFiles(QDir(folder));
}

void Importer::collectOwnFiles(const QDir &own)
{
    // Our own style sheet, written for the page view, replaces the imported
    // one: the pages' rules for web browsers cost the view most of its time.
    const QString ownStyle = own.filePath(QStringLiteral("style/") + styleSheetName);
    if (QFileInfo(ownStyle).isFile())
        m_files.insert(styleSheetName, Source{ownStyle, SourceKind::OwnPage, -1});
    // Sheets the window serves in its place (the dark theme's), by name.
    const QDir styles(own.filePath(QStringLiteral("style")));
    for (const QString &sheet :
         styles.entryList({QStringLiteral("*.css")}, QDir::Files, QDir::Name)) {
        if (sheet == styleSheetName)
            continue;
        if (!docnames::isValidPageName(sheet))
            fail(styles.filePath(sheet), docnames::pageNameRule());
        addFile(sheet, Source{styles.filePath(sheet), SourceKind::OwnPage, -1});
    }

    const QDir ownPages(own.filePath(QStringLiteral("pages")));
    for (const QString &page :
         ownPages.entryList({QStringLiteral("*.html")}, QDir::Files, QDir::Name)) {
        if (!docnames::isValidPageName(page))
            fail(ownPages.filePath(page), docnames::pageNameRule());
        addFile(page, Source{ownPages.filePath(page), SourceKind::OwnPage, -1});
    }
    const QDir ownImages(own.filePath(QStringLiteral("images")));
    for (const QString &image : ownImages.entryList(QDir::Files, QDir::Name)) {
        const QString path = ownImages.filePath(image);
        if (!docnames::isValidImageName(image))
            fail(path, docnames::imageNameRule());
        if (image == contentsName || image == indexName || image == versionName)
            fail(path, QStringLiteral("name is reserved for a generated list"));
        addFile(image, Source{path, SourceKind::OwnImage, -1});
    }
}

QByteArray Importer::importedPage(const QString &name, const Source &source, LinkTargets &targets,
                                  RewriteLog *log) const
{
    targets.onlineBase = m_modules.at(source.module).onlineBase;
    targets.page = name.toUtf8();
    return rewritePage(readFile(source.path), targets, log);
}

void Importer::checkOwnCollisions(const LinkTargets &names)
{
    LinkTargets targets = names;
    for (const auto &[ownPath, name] : std::as_const(m_ownOverImported)) {
        const Source &imported = m_files.value(name);
        if (readFile(ownPath) != importedPage(name, imported, targets, nullptr)) {
            fail(ownPath, QStringLiteral("differs from %1 of the same name").arg(imported.path));
        }
    }
}

void Importer::prepareOutput()
{
    // Leftovers of an interrupted run carry our suffixes and nothing else.
    for (const QString &leftover : {m_staging, m_retired}) {
        if (QFileInfo::exists(leftover) && !QDir(leftover).removeRecursively())
            fail(leftover, QStringLiteral("cannot remove an interrupted run's folder"));
    }
    if (!QDir().mkpath(m_staging))
        fail(m_staging, QStringLiteral("cannot create folder"));
}

// Every page's anchors, read before any page is written: links and list
// targets are checked against the pages they name.
void Importer::readAnchors(AnchorRepair *anchors) const
{
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        const Source &source = it.value();
        // Our own pages are copied as they are, duplicates and all.
        const bool imported = source.kind == SourceKind::Page;
        if (imported
            || (source.kind == SourceKind::OwnPage && it.key().endsWith(QLatin1String(".html")))) {
            anchors->addPage(it.key().toUtf8(), scanAnchors(readFile(source.path), imported));
        }
    }
}

QVector<ApiName> Importer::apiNames(const AnchorRepair &anchors) const
{
    QVector<ApiName> names =
        m_catalog.names([this](const QString &page) { return m_files.contains(page); });
    // A name whose anchor the page lacks opens the page at its top.
    for (ApiName &n : names) {
        const qsizetype hash = n.target.indexOf(u'#');
        if (hash >= 0
            && !anchors.isSound(n.target.left(hash).toUtf8(), n.target.mid(hash + 1).toUtf8()))
            n.target.truncate(hash);
    }
    return names;
}

void Importer::repairTargets(QVector<ClassEntry> &classes, AnchorRepair *anchors)
{
    for (ClassEntry &c : classes) {
        for (MemberEntry &m : c.members) {
            TargetRepair repair = anchors->repairMember(m);
            if (repair.fate == AnchorFate::Present)
                continue;
            QString target = QString::fromUtf8(repair.target);
            if (!isSafeListField(target)) {
                repair.fate = AnchorFate::Missing;
                repair.why = QStringLiteral("%1 cannot stand in a list line").arg(target);
                target = m.target;
            }
            const QString note = QStringLiteral("%1: %2: %3 ").arg(c.name, m.name, m.target);
            m.target = target;
            switch (repair.fate) {
            case AnchorFate::Repaired:
                ++m_report->targetsRepaired;
                break;
            case AnchorFate::PointedAtPage:
                ++m_report->targetsPointedAtPage;
                m_report->targetNotes.append(note + QStringLiteral("pointed at ") + target
                                             + QStringLiteral(": ") + repair.why);
                break;
            case AnchorFate::Missing:
            case AnchorFate::Present:
                ++m_report->targetsMissing;
                m_report->targetNotes.append(note + QStringLiteral("left to a missing anchor: ")
                                             + repair.why);
                break;
            }
        }
    }
}

void Importer::writeOutput()
{
    LinkTargets targets;
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it)
        targets.names.insert(it.key().toUtf8());
    targets.renamed = m_renamed;
    AnchorRepair anchors;
    readAnchors(&anchors);
    targets.anchors = &anchors;
    MarkupRules rules;
    if (const auto sheet = m_files.constFind(styleSheetName);
        sheet != m_files.cend() && sheet->kind == SourceKind::OwnPage) {
        rules = markupRulesFromStyleSheet(readFile(sheet->path));
    }
    QVector<ClassEntry> classes =
        m_catalog.classes([this](const QString &page) { return m_files.contains(page); });
    repairTargets(classes, &anchors);
    // Our own pages are compared with the imported ones as the reference
    // has them, before any wrapper is taken out of the latter.
    checkOwnCollisions(targets);
    if (!rules.divClasses.isEmpty() || !rules.spanClasses.isEmpty())
        targets.unwrap = &rules;

    const QDir staging(m_staging);
    for (auto it = m_files.cbegin(); it != m_files.cend(); ++it) {
        const Source &source = it.value();
        const QString path = staging.filePath(it.key());
        QByteArray data;
        switch (source.kind) {
        case SourceKind::Page:
            data = importedPage(it.key(), source, targets, &m_report->links);
            ++m_report->pages;
            break;
        case SourceKind::OwnPage:
            data = readFile(source.path);
            // Our style sheet travels among the pages but is none.
            if (it.key().endsWith(QLatin1String(".html")))
                ++m_report->pages;
            break;
        case SourceKind::StyleSheet:
            // Only where no sheet of our own was given; the pages link it.
            data = readFile(source.path);
            break;
        case SourceKind::Image:
        case SourceKind::OwnImage:
            data = readFile(source.path);
            ++m_report->images;
            break;
        }
        writeFile(path, data);
        m_report->bytes += data.size();
    }

    const QByteArray contents = contentsList(classes);
    const QByteArray index = indexList(classes);
    const QByteArray entries = entryList(classes, m_catalog);
    const QByteArray names = nameList(apiNames(anchors), classes);
    writeFile(staging.filePath(contentsName), contents);
    writeFile(staging.filePath(indexName), index);
    writeFile(staging.filePath(entriesName), entries);
    writeFile(staging.filePath(namesName), names);
    writeFile(staging.filePath(versionName), m_report->version.toUtf8());
    m_report->bytes += contents.size() + index.size() + entries.size() + names.size();
    m_report->apiNames = int(names.count('\n'));
    m_report->classes = int(classes.size());
    m_report->indexLines = int(index.count('\n'));
    for (const ClassEntry &c : classes) {
        m_report->members += int(c.members.size());
        m_report->classesByKind[c.kind == QLatin1String("C")       ? 0
                                    : c.kind == QLatin1String("O") ? 1
                                                                   : 2]++;
    }
    m_report->membersWithoutPage = m_catalog.memberCount() - m_report->members;
    for (const QString &entry : m_catalog.unsafeEntries())
        m_report->warnings.append(QStringLiteral("left out of the lists (separator in a name): ")
                                  + entry);

    // Swap the finished folder in; the earlier one goes only after that worked.
    const bool hadOutput = QFileInfo::exists(m_options.out);
    if (hadOutput && !QDir().rename(m_options.out, m_retired))
        fail(m_options.out, QStringLiteral("cannot move the earlier import aside"));
    if (!QDir().rename(m_staging, m_options.out))
        fail(m_options.out, QStringLiteral("cannot move the new import into place"));
    if (hadOutput)
        QDir(m_retired).removeRecursively();
}

void Importer::removeStaleOutput()
{
    if (!m_mayClean)
        return;
    QDir(m_staging).removeRecursively();
    QDir(m_retired).removeRecursively();
    if (isFolder(m_options.out) && isEarlierImport(m_options.out))
        QDir(m_options.out).removeRecursively();
}

} // namespace

void runImport(const ImportOptions &options, ImportReport *report)
{
    ImportReport scratch;
    Importer importer(options, report ? report : &scratch);
    try {
        importer.run();
    } catch (const ToolFailure &) {
        importer.removeStaleOutput();
        throw;
    }
}

} // namespace tarn::import
