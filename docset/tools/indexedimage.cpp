// Velmora: conversion of a drawn icon to an 8-bit palette image with alpha.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "indexedimage.h"

#include <QHash>
#include <QList>

#include <algorithm>

namespace tarn::icons {

namespace {

// Rounds each channel to a multiple of 2^shift, so that near colours share a key.
QRgb bucketOf(QRgb colour, int shift)
{
    if (shift == 0)
        return colour;
    const auto round = [shift](int v) {
        const int step = 1 << shift;
        return qMin(255, ((v + step / 2) >> shift) << shift);
    };
    return qRgba(round(qRed(colour)), round(qGreen(colour)), round(qBlue(colour)),
                 round(qAlpha(colour)));
}

struct Sum
{
    qint64 r = 0, g = 0, b = 0, a = 0, n = 0;
};

} // namespace

QImage toIndexedWithAlpha(const QImage &source)
{
    if (source.isNull())
        return QImage();
    const QImage argb = source.convertToFormat(QImage::Format_ARGB32);
    const int width = argb.width();
    const int height = argb.height();

    // Coarsen only as far as needed: most icons fit exactly.
    int shift = 0;
    QHash<QRgb, Sum> buckets;
    for (;; ++shift) {
        buckets.clear();
        for (int y = 0; y < height; ++y) {
            const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
            for (int x = 0; x < width; ++x) {
                if (qAlpha(line[x]) == 0)
                    continue;
                Sum &s = buckets[bucketOf(line[x], shift)];
                s.r += qRed(line[x]);
                s.g += qGreen(line[x]);
                s.b += qBlue(line[x]);
                s.a += qAlpha(line[x]);
                ++s.n;
            }
        }
        if (buckets.size() <= 255)
            break;
    }

    // Sorted keys keep the palette, and so the file, the same from run to run.
    QList<QRgb> keys = buckets.keys();
    std::sort(keys.begin(), keys.end());
    QList<QRgb> table{qRgba(0, 0, 0, 0)};
    QHash<QRgb, int> indexOfBucket;
    for (QRgb key : keys) {
        const Sum &s = buckets[key];
        const auto mean = [&s](qint64 total) { return int((total + s.n / 2) / s.n); };
        // A merged colour must stay visible, or it would alias entry 0.
        table.append(qRgba(mean(s.r), mean(s.g), mean(s.b), qMax(1, mean(s.a))));
        indexOfBucket.insert(key, int(table.size()) - 1);
    }

    QImage indexed(width, height, QImage::Format_Indexed8);
    indexed.setColorTable(table);
    for (int y = 0; y < height; ++y) {
        const auto *line = reinterpret_cast<const QRgb *>(argb.constScanLine(y));
        uchar *out = indexed.scanLine(y);
        for (int x = 0; x < width; ++x)
            out[x] =
                qAlpha(line[x]) == 0 ? 0 : uchar(indexOfBucket.value(bucketOf(line[x], shift)));
    }
    return indexed;
}

} // namespace tarn::icons
