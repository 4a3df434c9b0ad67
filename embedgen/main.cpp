// Velmora: velmora-embedgen, which turns the assembled documentation folder
// into the embedded file and image tables.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embedgen.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <atomic>
#include <cstdio>
#include <thread>
#include <vector>

namespace {

void report(const EmbedError &error)
{
    std::fprintf(stderr, "velmora-embedgen: %s: %s\n", qUtf8Printable(error.path),
                 qUtf8Printable(error.problem));
}

bool readPage(const QString &path, FileBlob *out, EmbedError *error)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        error->path = path;
        error->problem = file.errorString();
        return false;
    }
    const QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError) {
        error->path = path;
        error->problem = file.errorString();
        return false;
    }
    out->name = QFile::encodeName(QFileInfo(path).fileName());
    out->inflated = quint64(bytes.size());
    out->blob = compressBlob(bytes);
    if (out->blob.isEmpty()) {
        error->path = path;
        error->problem = QStringLiteral("cannot compress the file");
        return false;
    }
    return true;
}

QByteArray grouped(quint64 n)
{
    QByteArray digits = QByteArray::number(n);
    for (qsizetype i = digits.size() - 3; i > 0; i -= 3)
        digits.insert(i, ',');
    return digits;
}

} // namespace

bool runParallel(int count, const std::function<bool(int, EmbedError *)> &job, EmbedError *error)
{
    std::vector<EmbedError> errors(size_t(std::max(count, 0)));
    std::atomic<int> next{0};
    // Jobs are handed out in index order and only those past the first failure
    // are skipped, so the error reported is the same on every run.
    std::atomic<int> firstFailure{count};
    const auto worker = [&] {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= count || i > firstFailure.load())
                return;
            if (!job(i, &errors[size_t(i)])) {
                int seen = firstFailure.load();
                while (i < seen && !firstFailure.compare_exchange_weak(seen, i)) {
                }
            }
        }
    };
    const int threads =
        std::clamp(int(std::thread::hardware_concurrency()), 1, std::max(1, std::min(count, 8)));
    std::vector<std::thread> pool;
    for (int t = 1; t < threads; ++t)
        pool.emplace_back(worker);
    worker();
    for (std::thread &t : pool)
        t.join();
    if (firstFailure.load() < count) {
        *error = errors[size_t(firstFailure.load())];
        return false;
    }
    return true;
}

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
    const auto failWith = [&outDir](const EmbedError &error) {
        report(error);
        // A stale table from an earlier run must not satisfy the build.
        removeTables(outDir);
        return 1;
    };

    DocFolder folder;
    EmbedError error;
    if (!scanFolder(args.at(1), &folder, &error))
        return failWith(error);
    if (!QDir().mkpath(outDir)) {
        error.path = outDir;
        error.problem = QStringLiteral("cannot create the output folder");
        return failWith(error);
    }

    const QDir root(folder.root);
    QList<FileBlob> files(folder.pages.size());
    QList<ImageBlob> images(folder.images.size());
    const int pageCount = int(files.size());
    // Images first: they are the slow jobs, and starting them early keeps
    // the threads evenly busy to the end.
    const int jobCount = pageCount + int(images.size());
    const bool ok = runParallel(
        jobCount,
        [&](int i, EmbedError *jobError) {
            if (i < images.size())
                return encodeImage(root.filePath(folder.images.at(i)), &images[i], jobError);
            const int page = i - int(images.size());
            return readPage(root.filePath(folder.pages.at(page)), &files[page], jobError);
        },
        &error);
    if (!ok)
        return failWith(error);
    if (!writeTables(outDir, files, images, folder.version, &error))
        return failWith(error);

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
                pageCount, grouped(fileStored).constData(), grouped(fileInflated).constData(),
                int(images.size()), grouped(imageStored).constData(),
                grouped(imageInflated).constData(), double(clock.elapsed()) / 1000.0);
    return 0;
}
