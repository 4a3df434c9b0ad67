// Velmora: the 16-pixel list images: bookmark, member kinds and help rows.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "iconset.h"
#include "paintkit.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPen>

#include <functional>

namespace tarn::icons {

namespace {

constexpr int kSide = 16;

// Shapes are laid out on half pixels so that one-pixel outlines stay sharp.
// Kinds with an overlay (lock, link) draw their shape smaller, towards the
// top-left, and leave the bottom-right corner to the overlay.

QImage drawBookmark()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, polygon({{3.5, 0.5}, {12.5, 0.5}, {12.5, 15.0}, {8.0, 11.0}, {3.5, 15.0}}),
               ramps::scarlet);
    return image;
}

// Classes: a square badge with a letter, or a small window for widgets.
QImage drawClassBadge(const Ramp &ramp, const QString &letter)
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, roundedBox(QRectF(1.5, 1.5, 13.0, 13.0), 2.5), ramp);
    drawCentredText(p, QPointF(8.0, 8.0), letter, dejaVu(11, true), Qt::white);
    return image;
}

QImage drawWidgetClass()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    const QRectF frame(1.5, 1.5, 13.0, 13.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(frame, 2.0, 2.0);
    QLinearGradient title(0, 1.5, 0, 6.0);
    title.setColorAt(0.0, ramps::orange.light);
    title.setColorAt(1.0, ramps::orange.mid);
    p.setBrush(title);
    QPainterPath bar;
    bar.addRoundedRect(QRectF(1.5, 1.5, 13.0, 6.0), 2.0, 2.0);
    p.setClipRect(QRectF(0, 0, 16, 5.5));
    p.drawPath(bar);
    p.setClipping(false);
    // A button and a field: the body of a form.
    p.setBrush(ramps::orange.light.lighter(115));
    p.setPen(QPen(ramps::orange.dark, 1.0));
    p.drawRect(QRectF(4.5, 8.5, 7.0, 3.0));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(ramps::orange.dark, 1.0));
    p.drawRoundedRect(frame, 2.0, 2.0);
    p.drawLine(QPointF(2.0, 5.5), QPointF(14.0, 5.5));
    return image;
}

// Functions: a gem-like diamond.
void paintFunction(QPainter &p, const QPointF &centre, qreal radius, const Ramp &ramp)
{
    fillShaded(p, diamond(centre, radius), ramp, 1.0, 130);
}

QImage drawPublicMethod()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    paintFunction(p, QPointF(8.0, 8.0), 7.0, ramps::plum);
    return image;
}

QImage drawStaticMethod()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    paintFunction(p, QPointF(8.0, 8.0), 7.0, ramps::plum);
    drawCentredText(p, QPointF(8.0, 8.0), QStringLiteral("S"), dejaVu(9, true), Qt::white);
    return image;
}

QImage drawProtectedMethod()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    paintFunction(p, QPointF(6.5, 6.5), 6.0, ramps::plum);
    drawLock(p, QPointF(8.5, 7.5));
    return image;
}

QImage drawRelatedMethod()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    // A pale diamond: the function is not a member, only related to the class.
    const Ramp pale{QColor(0xfb, 0xf1, 0xfa), QColor(0xe3, 0xc4, 0xe0), ramps::plum.mid};
    paintFunction(p, QPointF(6.5, 6.5), 6.0, pale);
    drawLink(p, QPointF(7.5, 7.5));
    return image;
}

// Slots: a round orange receiver with a white centre, where a signal lands.
void paintSlot(QPainter &p, const QPointF &centre, qreal radius)
{
    fillShaded(p, ellipse(centre, radius, radius), ramps::orange, 1.0, 130);
    p.save();
    p.setPen(QPen(ramps::orange.dark, 1.0));
    p.setBrush(Qt::white);
    const qreal inner = radius * 0.42;
    p.drawEllipse(centre, inner, inner);
    p.restore();
}

QImage drawPublicSlot()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    paintSlot(p, QPointF(8.0, 8.0), 6.5);
    return image;
}

QImage drawProtectedSlot()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    paintSlot(p, QPointF(6.5, 6.5), 5.5);
    drawLock(p, QPointF(8.5, 7.5));
    return image;
}

QImage drawSignal()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p,
               polygon({{10.0, 0.5},
                        {2.5, 9.0},
                        {7.0, 9.0},
                        {5.0, 15.5},
                        {13.5, 6.5},
                        {8.8, 6.5},
                        {11.5, 0.5}}),
               ramps::butter);
    return image;
}

QImage drawVariable()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, roundedBox(QRectF(1.5, 4.5, 13.0, 7.0), 1.5), ramps::sky);
    return image;
}

// Help rows.

QImage drawInfo()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, ellipse(QPointF(8.0, 8.0), 7.0, 7.0), ramps::sky);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(8.0, 4.6), 1.3, 1.3);
    p.drawRoundedRect(QRectF(6.9, 6.6, 2.2, 6.0), 0.6, 0.6);
    return image;
}

QImage drawIconLegend()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, roundedBox(QRectF(0.5, 0.5, 7.0, 7.0), 1.5), ramps::slate, 1.0, 90);
    fillShaded(p, roundedBox(QRectF(8.5, 0.5, 7.0, 7.0), 1.5), ramps::leaf, 1.0, 90);
    fillShaded(p, diamond(QPointF(4.0, 12.0), 3.6), ramps::plum, 1.0, 90);
    fillShaded(p, ellipse(QPointF(12.0, 12.0), 3.5, 3.5), ramps::orange, 1.0, 90);
    return image;
}

QImage drawBug()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    p.setPen(QPen(tones::ink, 1.0, Qt::SolidLine, Qt::RoundCap));
    // Legs, then antennae.
    for (qreal y : {7.0, 10.0, 13.0}) {
        const qreal spread = y == 10.0 ? 0.0 : (y < 10.0 ? -1.5 : 1.5);
        p.drawLine(QPointF(4.0, y), QPointF(1.0, y + spread));
        p.drawLine(QPointF(12.0, y), QPointF(15.0, y + spread));
    }
    p.drawLine(QPointF(7.0, 3.0), QPointF(5.0, 0.8));
    p.drawLine(QPointF(9.0, 3.0), QPointF(11.0, 0.8));
    p.setPen(Qt::NoPen);
    p.setBrush(tones::ink);
    p.drawEllipse(QPointF(8.0, 4.2), 2.6, 2.2);
    fillShaded(p, ellipse(QPointF(8.0, 10.0), 4.8, 5.3), ramps::scarlet, 1.0, 120);
    p.setPen(QPen(ramps::scarlet.dark, 1.0));
    p.drawLine(QPointF(8.0, 5.5), QPointF(8.0, 15.0));
    p.setPen(Qt::NoPen);
    p.setBrush(tones::ink);
    p.drawEllipse(QPointF(5.9, 9.3), 0.9, 0.9);
    p.drawEllipse(QPointF(10.1, 9.3), 0.9, 0.9);
    p.drawEllipse(QPointF(6.2, 12.4), 0.8, 0.8);
    p.drawEllipse(QPointF(9.8, 12.4), 0.8, 0.8);
    return image;
}

QImage drawProductBox()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    const Ramp side{ramps::cocoa.mid, ramps::cocoa.mid.darker(118), ramps::cocoa.dark};
    const Ramp top{ramps::cocoa.light.lighter(108), ramps::cocoa.light, ramps::cocoa.dark};
    fillShaded(p, polygon({{0.5, 5.0}, {8.0, 8.0}, {8.0, 15.5}, {0.5, 12.5}}), ramps::cocoa, 1.0,
               60);
    fillShaded(p, polygon({{8.0, 8.0}, {15.5, 5.0}, {15.5, 12.5}, {8.0, 15.5}}), side, 1.0, 40);
    fillShaded(p, polygon({{0.5, 5.0}, {8.0, 2.0}, {15.5, 5.0}, {8.0, 8.0}}), top, 1.0, 0);
    // Packing tape across the lid.
    p.setPen(QPen(QColor(0xfc, 0xf3, 0xd9), 1.6));
    p.drawLine(QPointF(4.4, 3.6), QPointF(11.8, 6.6));
    return image;
}

QImage drawChip()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    p.setPen(Qt::NoPen);
    p.setBrush(ramps::steel.mid.darker(115));
    for (int i = 0; i < 3; ++i) {
        const qreal at = 4.5 + 3.0 * i;
        p.drawRect(QRectF(at, 0.5, 1.5, 3.0));
        p.drawRect(QRectF(at, 12.5, 1.5, 3.0));
        p.drawRect(QRectF(0.5, at, 3.0, 1.5));
        p.drawRect(QRectF(12.5, at, 3.0, 1.5));
    }
    const Ramp body{QColor(0x6e, 0x73, 0x70), QColor(0x3a, 0x3f, 0x41), QColor(0x1e, 0x22, 0x23)};
    fillShaded(p, roundedBox(QRectF(2.5, 2.5, 11.0, 11.0), 1.5), body, 1.0, 70);
    p.setBrush(QColor(0x9a, 0xa0, 0x9c));
    p.setPen(Qt::NoPen);
    p.drawEllipse(QPointF(5.3, 5.3), 1.0, 1.0);
    return image;
}

} // namespace

QList<NamedImage> listImages()
{
    const QList<QPair<QString, std::function<QImage()>>> drawings{
        {QStringLiteral("bookmark.png"), drawBookmark},
        {QStringLiteral("contentsClass.png"),
         [] { return drawClassBadge(ramps::slate, QStringLiteral("C")); }},
        {QStringLiteral("contentsClassQObject.png"),
         [] { return drawClassBadge(ramps::leaf, QStringLiteral("O")); }},
        {QStringLiteral("contentsClassQWidget.png"), drawWidgetClass},
        {QStringLiteral("contentsPublicMethod.png"), drawPublicMethod},
        {QStringLiteral("contentsStaticMethod.png"), drawStaticMethod},
        {QStringLiteral("contentsProtectedMethod.png"), drawProtectedMethod},
        {QStringLiteral("contentsRelatedMethod.png"), drawRelatedMethod},
        {QStringLiteral("contentsPublicSlot.png"), drawPublicSlot},
        {QStringLiteral("contentsProtectedSlot.png"), drawProtectedSlot},
        {QStringLiteral("contentsSignal.png"), drawSignal},
        {QStringLiteral("contentsVar.png"), drawVariable},
        {QStringLiteral("vxinfo.png"), drawInfo},
        {QStringLiteral("vxabout.png"), [] { return drawMark(kSide); }},
        {QStringLiteral("vxicons.png"), drawIconLegend},
        {QStringLiteral("vxbugs.png"), drawBug},
        {QStringLiteral("vxproducts.png"), drawProductBox},
        {QStringLiteral("vxembeded.png"), drawChip},
    };
    QList<NamedImage> images;
    for (const auto &drawing : drawings) {
        NamedImage named;
        named.fileName = drawing.first;
        named.image = drawing.second();
        named.origin = QStringLiteral("drawn");
        images.append(named);
    }
    return images;
}

} // namespace tarn::icons
