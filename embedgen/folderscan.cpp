// Velmora: reads and checks the assembled documentation folder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embedgen.h"

#include "docnames.h"
#include "toolfailure.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace tarn::embed {

namespace {

// Byte order of the names, which for these ASCII names is their UTF-16 order too.
bool byNameBytes(const QString &a, const QString &b)
{
    return a.toUtf8() < b.toUtf8();
}

} // namespace

const QStringList &programImageOrder()
{
    static const QStringList order = {
        QStringLiteral("Back.png"),
        QStringLiteral("Help.png"),
        QStringLiteral("Print.png"),
        QStringLiteral("Forward.png"),
        QStringLiteral("Home.png"),
        QStringLiteral("logo.png"),
        QStringLiteral("find.png"),
        QStringLiteral("textlarger.png"),
        QStringLiteral("textsmaller.png"),
        QStringLiteral("textteletext.png"),
        QStringLiteral("leftpanel.png"),
        QStringLiteral("Options.png"),
        QStringLiteral("addBookmark.png"),
        QStringLiteral("bookmark.png"),
        QStringLiteral("contentsClass.png"),
        QStringLiteral("contentsClassQObject.png"),
        QStringLiteral("contentsClassQWidget.png"),
        QStringLiteral("contentsRelatedMethod.png"),
        QStringLiteral("contentsProtectedMethod.png"),
        QStringLiteral("contentsSignal.png"),
        QStringLiteral("contentsProtectedSlot.png"),
        QStringLiteral("contentsStaticMethod.png"),
        QStringLiteral("contentsPublicMethod.png"),
        QStringLiteral("contentsVar.png"),
        QStringLiteral("contentsPublicSlot.png"),
        QStringLiteral("vxicons.png"),
        QStringLiteral("vxinfo.png"),
        QStringLiteral("vxbugs.png"),
        QStringLiteral("vxproducts.png"),
        QStringLiteral("vxabout.png"),
        QStringLiteral("vxembeded.png"),
        QStringLiteral("velmora_splash.png"),
        QStringLiteral("velmora-16.png"),
        QStringLiteral("velmora-22.png"),
        QStringLiteral("velmora-32.png"),
        QStringLiteral("velmora-48.png"),
    };
    return order;
}

void scanFolder(const QString &root, DocFolder *folder)
{
    const QString indexList = QLatin1String(docnames::indexList);
    const QString contentsList = QLatin1String(docnames::contentsList);
    const QFileInfo rootInfo(root);
    if (!rootInfo.exists())
        fail(root, QStringLiteral("no such folder"));
    if (!rootInfo.isDir())
        fail(root, QStringLiteral("not a folder"));
    const QDir dir(root);
    folder->root = rootInfo.absoluteFilePath();

    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    if (entries.isEmpty() && !dir.isReadable())
        fail(root, QStringLiteral("cannot read the folder"));

    QStringList pages;
    QStringList images;
    bool haveIndex = false;
    bool haveContents = false;
    // What the lookup knows beyond the lists; a folder of one's own may lack it.
    QStringList lookupLists;
    for (const QFileInfo &info : entries) {
        const QString name = info.fileName();
        const QString path = info.filePath();
        if (info.isDir()) {
            // The tables hold bare names only; name the first file that would be lost.
            QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System,
                            QDirIterator::Subdirectories);
            if (it.hasNext())
                fail(it.next(), QStringLiteral("file in a sub-folder; the folder must be flat"));
            fail(path, QStringLiteral("sub-folder; the folder must be flat"));
        }
        if (!info.isFile())
            fail(path, QStringLiteral("not a regular file"));
        switch (docnames::fileKind(name)) {
        case docnames::FileKind::Reserved:
            if (name == indexList)
                haveIndex = true;
            else if (name == contentsList)
                haveContents = true;
            else if (name == QLatin1String(docnames::entryList)
                     || name == QLatin1String(docnames::nameList))
                lookupLists.append(name);
            else {
                QFile file(path);
                if (!file.open(QIODevice::ReadOnly))
                    fail(path, file.errorString());
                folder->version = file.readLine().trimmed();
            }
            break;
        case docnames::FileKind::Page:
            if (!docnames::isValidPageName(name))
                fail(path, docnames::pageNameRule());
            pages.append(name);
            break;
        case docnames::FileKind::Image:
            if (!docnames::isValidImageName(name))
                fail(path, docnames::imageNameRule());
            images.append(name);
            break;
        case docnames::FileKind::Unknown:
            fail(path,
                 QStringLiteral("unknown kind of file (expected .html, .css, .png, .gif, "
                                ".jpg, .jpeg, %1, %2, %3, %4 or %5)")
                     .arg(indexList, contentsList, QLatin1String(docnames::entryList),
                          QLatin1String(docnames::nameList), QLatin1String(docnames::versionFile)));
        }
    }
    if (!haveIndex)
        fail(dir.filePath(indexList), QStringLiteral("missing"));
    if (!haveContents)
        fail(dir.filePath(contentsList), QStringLiteral("missing"));

    std::sort(pages.begin(), pages.end(), byNameBytes);
    pages << indexList << contentsList;
    std::sort(lookupLists.begin(), lookupLists.end(), byNameBytes);
    pages << lookupLists;

    // Ours go last in their fixed order; whatever else is there is documentation.
    const QStringList &ours = programImageOrder();
    QStringList documentation;
    QStringList program;
    for (const QString &name : std::as_const(images)) {
        if (!ours.contains(name))
            documentation.append(name);
    }
    std::sort(documentation.begin(), documentation.end(), byNameBytes);
    for (const QString &name : ours) {
        if (images.contains(name))
            program.append(name);
    }

    folder->pages = pages;
    folder->images = documentation + program;
}

} // namespace tarn::embed
