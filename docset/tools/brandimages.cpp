// Velmora: the mark, the logo, the splash image and the window icons.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "iconset.h"
#include "paintkit.h"

#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>
#include <QRadialGradient>

#include <utility>

namespace tarn::icons {

namespace {

const QString kName = QStringLiteral("Velmora");
const QString kTagline = QStringLiteral("Qt reference browser");

// The mark: an open book seen end on, its two pages forming a "V", on a blue
// tile. Geometry is in fractions of the side so that one drawing serves every
// size; below 24 pixels the page lines and ribbon are left out to stay legible.
void paintMark(QPainter &p, const QRectF &box)
{
    const qreal s = box.width();
    const auto at = [&box, s](qreal fx, qreal fy) {
        return QPointF(box.left() + fx * s, box.top() + fy * s);
    };
    const bool detailed = s >= 24;
    const qreal px = 1.0; // outlines stay one device pixel at every size

    if (detailed) {
        p.save();
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0, 0, 0, 45));
        p.drawRoundedRect(QRectF(box.left() + 0.5, box.top() + 1.5, s - 1.0, s - 1.0), s * 0.2,
                          s * 0.2);
        p.restore();
    }
    const QRectF tile(box.left() + 0.5, box.top() + 0.5, s - 1.0, s - (detailed ? 2.0 : 1.0));
    fillShaded(p, roundedBox(tile, s * 0.2), ramps::brand, px, 90);

    // Each page: outer top corner, inner top corner, the fold, the foot.
    const qreal top = 0.25;
    const qreal fold = 0.49;
    const qreal foot = 0.82;
    QPainterPath left;
    left.moveTo(at(0.15, top));
    left.quadTo(at(0.26, top - 0.07), at(0.37, top + 0.01));
    left.lineTo(at(0.5, fold));
    left.lineTo(at(0.5, foot));
    left.closeSubpath();
    QPainterPath right;
    right.moveTo(at(0.85, top));
    right.quadTo(at(0.74, top - 0.07), at(0.63, top + 0.01));
    right.lineTo(at(0.5, fold));
    right.lineTo(at(0.5, foot));
    right.closeSubpath();

    const Ramp leftPage{QColor(0xff, 0xff, 0xff), QColor(0xd9, 0xe5, 0xf3), ramps::brand.dark};
    const Ramp rightPage{QColor(0xff, 0xff, 0xff), QColor(0xf0, 0xf5, 0xfb), ramps::brand.dark};
    fillShaded(p, left, leftPage, px, 0);
    fillShaded(p, right, rightPage, px, 0);

    if (detailed) {
        // The leaves under the top page, as arcs just below each curled edge,
        // and the crease where the pages meet.
        p.save();
        p.setPen(QPen(QColor(0x9d, 0xb6, 0xd8), px));
        p.setBrush(Qt::NoBrush);
        for (const auto &[page, sign] : {std::pair{&left, -1.0}, std::pair{&right, 1.0}}) {
            p.setClipPath(*page);
            for (qreal drop : {0.055, 0.105}) {
                QPainterPath leaf;
                leaf.moveTo(at(0.5 + sign * 0.35, top + drop));
                leaf.quadTo(at(0.5 + sign * 0.24, top - 0.07 + drop),
                            at(0.5 + sign * 0.13, top + 0.01 + drop));
                p.drawPath(leaf);
            }
        }
        p.setClipping(false);
        p.setPen(QPen(QColor(0x9d, 0xb6, 0xd8), px));
        p.drawLine(at(0.5, fold + 0.03), at(0.5, foot - 0.04));
        p.restore();
    }
}

QImage drawLogo()
{
    QImage image = opaqueCanvas(280, 48, Qt::white);
    QPainter p(&image);
    prepare(p);
    paintMark(p, QRectF(6, 4, 40, 40));
    p.setFont(dejaVu(26, true));
    p.setPen(ramps::brand.mid);
    p.drawText(QPointF(56, 29), kName);
    p.setFont(dejaVu(11));
    p.setPen(tones::graphite);
    p.drawText(QPointF(57.5, 43), kTagline);
    return image;
}

QImage drawSplash()
{
    const QSize size(360, 240);
    QImage image = opaqueCanvas(size.width(), size.height(), Qt::white);
    QPainter p(&image);
    prepare(p);

    QLinearGradient sky(0, 0, 0, size.height());
    sky.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
    sky.setColorAt(1.0, QColor(0xd6, 0xe2, 0xf1));
    p.fillRect(QRect(QPoint(0, 0), size), sky);
    QRadialGradient glow(QPointF(180, 70), 120);
    glow.setColorAt(0.0, QColor(255, 255, 255, 200));
    glow.setColorAt(1.0, QColor(255, 255, 255, 0));
    p.fillRect(QRect(QPoint(0, 0), size), glow);

    paintMark(p, QRectF(140, 28, 80, 80));

    const auto centred = [&p, &size](const QString &text, const QFont &font, qreal baseline,
                                     const QColor &colour) {
        const qreal width = QFontMetricsF(font).horizontalAdvance(text);
        p.setFont(font);
        p.setPen(colour);
        p.drawText(QPointF((size.width() - width) / 2.0, baseline), text);
    };
    centred(kName, dejaVu(36, true), 158, ramps::brand.mid);
    centred(kTagline, dejaVu(14), 184, tones::graphite);

    p.setPen(QPen(QColor(0xa9, 0xbd, 0xd6), 1.0));
    p.drawLine(QPointF(130, 203.5), QPointF(230, 203.5));

    // A brand band along the bottom edge and a hairline frame, since a splash
    // screen has no window border of its own.
    QLinearGradient band(0, 0, size.width(), 0);
    band.setColorAt(0.0, ramps::brand.dark);
    band.setColorAt(0.5, ramps::brand.light);
    band.setColorAt(1.0, ramps::brand.dark);
    p.fillRect(QRectF(0, size.height() - 5, size.width(), 5), band);
    p.setPen(QPen(ramps::brand.dark, 1.0));
    p.setBrush(Qt::NoBrush);
    p.setRenderHint(QPainter::Antialiasing, false);
    p.drawRect(QRect(0, 0, size.width() - 1, size.height() - 1));
    return image;
}

} // namespace

QImage drawMark(int size)
{
    QImage image = canvas(size, size);
    QPainter p(&image);
    prepare(p);
    paintMark(p, QRectF(0, 0, size, size));
    return image;
}

QList<NamedImage> brandImages()
{
    QList<NamedImage> images;
    NamedImage logo;
    logo.fileName = QStringLiteral("logo.png");
    logo.image = drawLogo();
    logo.origin = QStringLiteral("drawn");
    logo.opaque = true;
    images.append(logo);

    NamedImage splash;
    splash.fileName = QStringLiteral("velmora_splash.png");
    splash.image = drawSplash();
    splash.origin = QStringLiteral("drawn");
    splash.opaque = true;
    images.append(splash);

    for (int side : {16, 22, 32, 48}) {
        NamedImage icon;
        icon.fileName = QStringLiteral("velmora-") % QString::number(side) % QStringLiteral(".png");
        icon.image = drawMark(side);
        icon.origin = QStringLiteral("drawn");
        images.append(icon);
    }
    return images;
}

} // namespace tarn::icons
