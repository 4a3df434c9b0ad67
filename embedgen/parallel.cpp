// Velmora: the embedder's work spread over a few threads, the page reader and the frozen lists.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embedgen.h"

#include "listtables.h"
#include "toolfailure.h"

#include <QFile>
#include <QFileInfo>
#include <QStringDecoder>

#include <algorithm>
#include <atomic>
#include <thread>
#include <vector>

namespace tarn::embed {

namespace {

QByteArray readWholeFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        fail(path, file.errorString());
    QByteArray bytes = file.readAll();
    if (file.error() != QFileDevice::NoError)
        fail(path, file.errorString());
    return bytes;
}

} // namespace

void readPage(const QString &path, FileBlob *out)
{
    const QByteArray bytes = readWholeFile(path);
    out->name = QFile::encodeName(QFileInfo(path).fileName());
    out->inflated = quint64(bytes.size());
    out->blob = compressBlob(bytes);
    if (out->blob.isEmpty())
        fail(path, QStringLiteral("cannot compress the file"));
}

QByteArray freezeIndex(const QString &path)
{
    const QByteArray bytes = readWholeFile(path);
    // Decoded as the program decodes the list it would otherwise parse.
    QStringDecoder decoder(QStringDecoder::Utf8,
                           QStringDecoder::Flag::Stateless
                               | QStringDecoder::Flag::ConvertInitialBom);
    return IndexTable::fromText(decoder(bytes)).frozen();
}

QByteArray freezeContents(const QString &path)
{
    return ContentsTable::fromUtf8(readWholeFile(path)).frozen();
}

void runParallel(int count, const std::function<void(int)> &job)
{
    std::vector<ToolFailure> failures(size_t(std::max(count, 0)));
    std::atomic<int> next{0};
    // Jobs are handed out in index order and only those past the first failure
    // are skipped, so the failure reported is the same on every run.
    std::atomic<int> firstFailure{count};
    const auto worker = [&] {
        for (;;) {
            const int i = next.fetch_add(1);
            if (i >= count || i > firstFailure.load())
                return;
            try {
                job(i);
            } catch (const ToolFailure &failure) {
                failures[size_t(i)] = failure;
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
    if (firstFailure.load() < count)
        throw failures[size_t(firstFailure.load())];
}

} // namespace tarn::embed
