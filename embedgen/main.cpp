// Velmora: velmora-embedgen, which turns the assembled documentation folder
// into the embedded file and image tables.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "docnames.h"
#include "embedgen.h"
#include "toolfailure.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>

#include <cstdio>

using namespace tarn;
using namespace tarn::embed;

namespace {

QByteArray grouped(quint64 n)
{
    QByteArray digits = QByteArray::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, ',');
    return digits;
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    installDecoderMessageCapture();
    const QStringList args = app.arguments();
    if (args.size() != 3) {
        std::fprintf(stderr, "usage: velmora-embedgen <assembled folder> <output folder>\n");
        return 2;
    }
    QElapsedTimer clock;
    clock.start();
    const QString outDir = args.at(2);

    DocFolder folder;
    QList<FileBlob> files;
    QList<ImageBlob> images;
    try {
        scanFolder(args.at(1), &folder);
        if (!QDir().mkpath(outDir))
            fail(outDir, QStringLiteral("cannot create the output folder"));

        const QDir root(folder.root);
        files.resize(folder.pages.size());
        images.resize(folder.images.size());
        // Images first: they are the slow jobs, and starting them early keeps
        // the threads evenly busy to the end.
        const int imageCount = int(images.size());
        runParallel(imageCount + int(files.size()), [&](int i) {
            if (i < imageCount)
                encodeImage(root.filePath(folder.images.at(i)), &images[i]);
            else
                readPage(root.filePath(folder.pages.at(i - imageCount)), &files[i - imageCount]);
        });
        writeTables(outDir, files, images, folder.version,
                    freezeIndex(root.filePath(QLatin1String(docnames::indexList))),
                    freezeContents(root.filePath(QLatin1String(docnames::contentsList))));
    } catch (const ToolFailure &failure) {
        std::fprintf(stderr, "%s\n",
                     qUtf8Printable(failure.message(QStringLiteral("velmora-embedgen"))));
        // A stale table from an earlier run must not satisfy the build.
        removeTables(outDir);
        return 1;
    }

    quint64 fileStored = 0, fileInflated = 0, imageStored = 0, imageInflated = 0;
    for (const FileBlob &f : std::as_const(files)) {
        fileStored += quint64(f.blob.size());
        fileInflated += f.inflated;
    }
    for (const ImageBlob &image : std::as_const(images)) {
        imageStored += quint64(image.blob.size());
        imageInflated += image.inflated;
    }
    std::printf("velmora-embedgen: %d files (%s bytes stored, %s inflated), %d images (%s bytes "
                "stored, %s inflated), %.2f s\n",
                int(files.size()), grouped(fileStored).constData(),
                grouped(fileInflated).constData(), int(images.size()),
                grouped(imageStored).constData(), grouped(imageInflated).constData(),
                double(clock.elapsed()) / 1000.0);
    return 0;
}
