// Velmora: reads and checks the assembled documentation folder.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embedgen.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QHash>

#include <algorithm>

namespace {

const QString indexList = QStringLiteral("index.lst");
const QString contentsList = QStringLiteral("contents.lst");
const QString versionFile = QStringLiteral("version.txt");

bool isPageName(const QString &name)
{
    if (!name.endsWith(QLatin1String(".html")) && !name.endsWith(QLatin1String(".css")))
        return false;
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') || (u >= u'0' && u <= u'9') || u == u'.' || u == u'_'
            || u == u'-';
    });
}

bool isImageName(const QString &name)
{
    return std::all_of(name.begin(), name.end(), [](QChar c) {
        const char16_t u = c.unicode();
        return (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9')
            || u == u'.' || u == u'_' || u == u'-';
    });
}

enum class Kind { Page, Image, Special, Unknown };

Kind kindOf(const QString &name)
{
    if (name == indexList || name == contentsList || name == versionFile)
        return Kind::Special;
    const QString suffix = QFileInfo(name).suffix().toLower();
    if (suffix == QLatin1String("html") || suffix == QLatin1String("css"))
        return Kind::Page;
    if (suffix == QLatin1String("png") || suffix == QLatin1String("gif")
        || suffix == QLatin1String("jpg") || suffix == QLatin1String("jpeg"))
        return Kind::Image;
    return Kind::Unknown;
}

bool fail(EmbedError *error, const QString &path, const QString &problem)
{
    error->path = path;
    error->problem = problem;
    return false;
}

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

bool scanFolder(const QString &root, DocFolder *folder, EmbedError *error)
{
    const QFileInfo rootInfo(root);
    if (!rootInfo.exists())
        return fail(error, root, QStringLiteral("no such folder"));
    if (!rootInfo.isDir())
        return fail(error, root, QStringLiteral("not a folder"));
    const QDir dir(root);
    folder->root = rootInfo.absoluteFilePath();

    const QFileInfoList entries = dir.entryInfoList(
        QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden | QDir::System, QDir::Name);
    if (entries.isEmpty() && !dir.isReadable())
        return fail(error, root, QStringLiteral("cannot read the folder"));

    QStringList pages;
    QStringList images;
    bool haveIndex = false;
    bool haveContents = false;
    for (const QFileInfo &info : entries) {
        const QString name = info.fileName();
        const QString path = info.filePath();
        if (info.isDir()) {
            // The tables hold bare names only; name the first file that would be lost.
            QDirIterator it(path, QDir::Files | QDir::Hidden | QDir::System,
                            QDirIterator::Subdirectories);
            if (it.hasNext())
                return fail(error, it.next(),
                            QStringLiteral("file in a sub-folder; the folder must be flat"));
            return fail(error, path, QStringLiteral("sub-folder; the folder must be flat"));
        }
        if (!info.isFile())
            return fail(error, path, QStringLiteral("not a regular file"));
        switch (kindOf(name)) {
        case Kind::Special:
            if (name == indexList)
                haveIndex = true;
            else if (name == contentsList)
                haveContents = true;
            else if (name == versionFile) {
                QFile file(path);
                if (!file.open(QIODevice::ReadOnly))
                    return fail(error, path, file.errorString());
                folder->version = file.readLine().trimmed();
            }
            break;
        case Kind::Page:
            if (!isPageName(name))
                return fail(error, path,
                            QStringLiteral("page name must use only a-z 0-9 . _ - and end in "
                                           ".html or .css"));
            pages.append(name);
            break;
        case Kind::Image:
            if (!isImageName(name))
                return fail(error, path,
                            QStringLiteral("image name must use only A-Z a-z 0-9 . _ -"));
            images.append(name);
            break;
        case Kind::Unknown:
            return fail(error, path,
                        QStringLiteral("unknown kind of file (expected .html, .css, .png, .gif, "
                                       ".jpg, .jpeg, index.lst, contents.lst or version.txt)"));
        }
    }
    if (!haveIndex)
        return fail(error, dir.filePath(indexList), QStringLiteral("missing"));
    if (!haveContents)
        return fail(error, dir.filePath(contentsList), QStringLiteral("missing"));

    std::sort(pages.begin(), pages.end(), byNameBytes);
    pages << indexList << contentsList;

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
    return true;
}
