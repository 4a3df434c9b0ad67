// Velmora: timings of the embedded store over the real tables.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "embeddedfiles.h"
#include "embeddedimages.h"
#include "embeddedimages_p.h"

#include <QCoreApplication>
#include <QElapsedTimer>

#include <algorithm>
#include <cstdio>
#include <vector>

namespace {

double median(std::vector<qint64> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t mid = values.size() / 2;
    return values.size() % 2 ? double(values[mid]) : (values[mid - 1] + values[mid]) / 2.0;
}

void benchPages()
{
    std::vector<qint64> perPage;
    qint64 totalNs = 0;
    qint64 inflatedBytes = 0;
    qint64 storedBytes = 0;
    QElapsedTimer timer;
    for (const EmbeddedFile *f = embeddedFiles; f->data; ++f) {
        timer.start();
        int length = 0;
        const unsigned char *blob = findEmbeddedFile(f->name, &length);
        const QByteArray bytes = qUncompress(blob, length);
        const qint64 ns = timer.nsecsElapsed();
        perPage.push_back(ns);
        totalNs += ns;
        inflatedBytes += bytes.size();
        storedBytes += length;
    }
    const double seconds = double(totalNs) / 1e9;
    std::printf("pages: %zu looked up and inflated, %lld bytes stored, %lld inflated\n",
                perPage.size(), storedBytes, inflatedBytes);
    std::printf("pages: total %.2f ms, median %.1f us a page, %.1f MB/s inflated\n",
                double(totalNs) / 1e6, median(perPage) / 1e3,
                seconds > 0 ? double(inflatedBytes) / 1e6 / seconds : 0.0);
}

void benchImage(const QString &name)
{
    MimeSourceFactory *factory = MimeSourceFactory::defaultFactory();
    QElapsedTimer timer;
    timer.start();
    const MimeSource *first = factory->data(name);
    const qint64 firstNs = timer.nsecsElapsed();
    if (!first) {
        std::printf("image %s: not in the table\n", qPrintable(name));
        return;
    }
    const int repeats = 10000;
    std::vector<qint64> again;
    again.reserve(repeats);
    for (int i = 0; i < repeats; ++i) {
        timer.start();
        const MimeSource *source = factory->data(name);
        again.push_back(timer.nsecsElapsed());
        if (source != first)
            std::printf("image %s: repeated request gave another source\n", qPrintable(name));
    }
    const QImage &image = first->image();
    std::printf("image %s (%dx%d, %d-bit): first request %.1f us, repeated median %.2f us "
                "(%llu decodes so far)\n",
                qPrintable(name), image.width(), image.height(), image.depth(),
                double(firstNs) / 1e3, median(again) / 1e3,
                static_cast<unsigned long long>(embeddedImageDecodeCount()));
}

void benchAllImages()
{
    QElapsedTimer timer;
    qint64 totalNs = 0;
    qint64 pixels = 0;
    int count = 0;
    for (const EmbeddedImage *e = embeddedImages; e->data; ++e, ++count) {
        timer.start();
        const QImage image = findEmbeddedImage(QString::fromUtf8(e->name));
        totalNs += timer.nsecsElapsed();
        pixels += image.sizeInBytes();
    }
    std::printf("images: %d found and decoded in %.2f ms, %lld bytes of pixels\n", count,
                double(totalNs) / 1e6, pixels);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    std::printf("documentation version: \"%s\"\n", embeddedDocumentationVersion);
    benchPages();
    // The splash image is the largest of ours; Back.png a typical toolbar icon.
    for (const char *name : {"velmora_splash.png", "Back.png"})
        benchImage(QLatin1String(name));
    if (!embeddedImages[0].data)
        return 0;
    benchImage(QString::fromUtf8(embeddedImages[0].name));
    benchAllImages();
    return 0;
}
