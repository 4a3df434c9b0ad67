// Velmora: shared colours and drawing helpers for the icon tool.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "paintkit.h"

#include <QFontInfo>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>

namespace tarn::icons {

namespace ramps {
const Ramp sky{QColor(0x9d, 0xc3, 0xec), QColor(0x34, 0x65, 0xa4), QColor(0x20, 0x4a, 0x87)};
const Ramp slate{QColor(0xa9, 0xbc, 0xd3), QColor(0x5a, 0x76, 0x98), QColor(0x33, 0x4b, 0x69)};
const Ramp leaf{QColor(0xa8, 0xe8, 0x62), QColor(0x4e, 0x9a, 0x06), QColor(0x35, 0x6e, 0x03)};
const Ramp plum{QColor(0xe2, 0x9c, 0xdc), QColor(0x9c, 0x3f, 0x96), QColor(0x64, 0x21, 0x60)};
const Ramp orange{QColor(0xfd, 0xc0, 0x6a), QColor(0xf5, 0x79, 0x00), QColor(0xa8, 0x4b, 0x00)};
const Ramp butter{QColor(0xfc, 0xf0, 0x80), QColor(0xed, 0xd4, 0x00), QColor(0x8f, 0x6d, 0x02)};
const Ramp scarlet{QColor(0xf5, 0x6b, 0x6b), QColor(0xcc, 0x00, 0x00), QColor(0x82, 0x00, 0x00)};
const Ramp cocoa{QColor(0xf0, 0xcb, 0x8e), QColor(0xc1, 0x7d, 0x11), QColor(0x7a, 0x4b, 0x02)};
const Ramp steel{QColor(0xee, 0xee, 0xec), QColor(0xba, 0xbd, 0xb6), QColor(0x55, 0x57, 0x53)};
const Ramp brand{QColor(0x4a, 0x82, 0xc8), QColor(0x1d, 0x45, 0x82), QColor(0x12, 0x2c, 0x55)};
} // namespace ramps

namespace tones {
const QColor ink(0x2e, 0x34, 0x36);
const QColor graphite(0x55, 0x57, 0x53);
const QColor pencil(0x9a, 0x9d, 0x96);
const QColor paper(0xfb, 0xfb, 0xf9);
const QColor frost(0xd8, 0xe5, 0xf4);
} // namespace tones

namespace {
int currentScale = 1;
} // namespace

void setDrawingScale(int scale)
{
    currentScale = qMax(1, scale);
}

int drawingScale()
{
    return currentScale;
}

QImage canvas(int width, int height)
{
    QImage image(width * currentScale, height * currentScale, QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(currentScale);
    image.fill(Qt::transparent);
    return image;
}

QImage opaqueCanvas(int width, int height, const QColor &fill)
{
    QImage image(width * currentScale, height * currentScale, QImage::Format_RGB32);
    image.setDevicePixelRatio(currentScale);
    image.fill(fill);
    return image;
}

void prepare(QPainter &painter)
{
    painter.setRenderHint(QPainter::Antialiasing, true);
    painter.setRenderHint(QPainter::TextAntialiasing, true);
    painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
}

void fillShaded(QPainter &painter, const QPainterPath &path, const Ramp &ramp, qreal outlineWidth,
                int highlightAlpha)
{
    const QRectF bounds = path.boundingRect();
    QLinearGradient body(bounds.topLeft(), bounds.bottomLeft());
    body.setColorAt(0.0, ramp.light);
    body.setColorAt(0.85, ramp.mid);
    body.setColorAt(1.0, ramp.mid.darker(108));

    painter.save();
    painter.setPen(Qt::NoPen);
    painter.setBrush(body);
    painter.drawPath(path);

    // The highlight is a wide white stroke clipped to the inside of the shape,
    // which leaves a one-pixel rim of light just within the outline.
    if (highlightAlpha > 0) {
        painter.setClipPath(path, Qt::IntersectClip);
        QLinearGradient rim(bounds.topLeft(), bounds.bottomLeft());
        rim.setColorAt(0.0, QColor(255, 255, 255, highlightAlpha));
        rim.setColorAt(1.0, QColor(255, 255, 255, highlightAlpha / 4));
        painter.setPen(QPen(QBrush(rim), outlineWidth + 2.0));
        painter.setBrush(Qt::NoBrush);
        painter.drawPath(path);
        painter.setClipping(false);
    }

    painter.setPen(QPen(ramp.dark, outlineWidth, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    painter.setBrush(Qt::NoBrush);
    painter.drawPath(path);
    painter.restore();
}

QPainterPath roundedBox(const QRectF &rect, qreal radius)
{
    QPainterPath path;
    path.addRoundedRect(rect, radius, radius);
    return path;
}

QPainterPath diamond(const QPointF &centre, qreal radius)
{
    return polygon({centre + QPointF(0, -radius), centre + QPointF(radius, 0),
                    centre + QPointF(0, radius), centre + QPointF(-radius, 0)});
}

QPainterPath ellipse(const QPointF &centre, qreal rx, qreal ry)
{
    QPainterPath path;
    path.addEllipse(centre, rx, ry);
    return path;
}

QPainterPath polygon(std::initializer_list<QPointF> points)
{
    QPainterPath path;
    bool first = true;
    for (const QPointF &p : points) {
        if (first)
            path.moveTo(p);
        else
            path.lineTo(p);
        first = false;
    }
    path.closeSubpath();
    return path;
}

QPainterPath plusSign(const QPointF &centre, qreal size, qreal thickness)
{
    const qreal h = size / 2.0;
    const qreal t = thickness / 2.0;
    const qreal x = centre.x();
    const qreal y = centre.y();
    return polygon({{x - t, y - h},
                    {x + t, y - h},
                    {x + t, y - t},
                    {x + h, y - t},
                    {x + h, y + t},
                    {x + t, y + t},
                    {x + t, y + h},
                    {x - t, y + h},
                    {x - t, y + t},
                    {x - h, y + t},
                    {x - h, y - t},
                    {x - t, y - t}});
}

QPainterPath minusSign(const QPointF &centre, qreal size, qreal thickness)
{
    QPainterPath path;
    path.addRect(QRectF(centre.x() - size / 2.0, centre.y() - thickness / 2.0, size, thickness));
    return path;
}

void drawLock(QPainter &painter, const QPointF &origin)
{
    // 7 x 8 pixels: a shackle over a gold body with a keyhole.
    painter.save();
    painter.translate(origin);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 200), 3.0));
    painter.drawArc(QRectF(1.5, 0.5, 4.0, 5.0), 0, 180 * 16);
    painter.setPen(QPen(tones::graphite, 1.4));
    painter.drawArc(QRectF(1.5, 0.5, 4.0, 5.0), 0, 180 * 16);
    painter.drawLine(QPointF(1.5, 3.0), QPointF(1.5, 4.0));
    painter.drawLine(QPointF(5.5, 3.0), QPointF(5.5, 4.0));
    fillShaded(painter, roundedBox(QRectF(0.5, 3.5, 6.0, 4.5), 0.8), ramps::butter, 1.0, 0);
    painter.setPen(Qt::NoPen);
    painter.setBrush(ramps::butter.dark);
    painter.drawRect(QRectF(3.0, 5.0, 1.0, 2.0));
    painter.restore();
}

void drawLink(QPainter &painter, const QPointF &origin)
{
    // 8 x 8 pixels: two interlocked rounded links on a diagonal.
    painter.save();
    painter.translate(origin + QPointF(4.0, 4.0));
    painter.rotate(-45.0);
    const QRectF first(-4.6, -1.7, 5.6, 3.4);
    const QRectF second(-1.0, -1.7, 5.6, 3.4);
    painter.setBrush(Qt::NoBrush);
    painter.setPen(QPen(QColor(255, 255, 255, 220), 3.4));
    painter.drawRoundedRect(first, 1.7, 1.7);
    painter.drawRoundedRect(second, 1.7, 1.7);
    painter.setPen(QPen(ramps::sky.dark, 1.3));
    painter.drawRoundedRect(first, 1.7, 1.7);
    painter.setPen(QPen(ramps::sky.mid, 1.3));
    painter.drawRoundedRect(second, 1.7, 1.7);
    painter.restore();
}

QFont dejaVu(int pixelSize, bool bold, bool mono)
{
    QFont font(mono ? QStringLiteral("DejaVu Sans Mono") : QStringLiteral("DejaVu Sans"));
    font.setPixelSize(pixelSize);
    font.setBold(bold);
    font.setStyleStrategy(QFont::PreferAntialias);
    font.setHintingPreference(QFont::PreferFullHinting);
    font.setKerning(true);
    return font;
}

bool fontsAvailable(QString *problem)
{
    for (bool mono : {false, true}) {
        const QFont font = dejaVu(12, false, mono);
        const QFontInfo info(font);
        if (info.family() != font.family()) {
            if (problem)
                *problem = QStringLiteral("font \"") % font.family()
                    % QStringLiteral("\" resolves to \"") % info.family()
                    % QStringLiteral("\"; install the core DejaVu fonts");
            return false;
        }
    }
    return true;
}

void drawCentredText(QPainter &painter, const QPointF &centre, const QString &text,
                     const QFont &font, const QColor &colour)
{
    const QFontMetricsF metrics(font);
    const QRectF ink = metrics.tightBoundingRect(text);
    const QPointF baseline(centre.x() - ink.center().x(), centre.y() - ink.center().y());
    painter.save();
    painter.setFont(font);
    painter.setPen(colour);
    painter.drawText(baseline, text);
    painter.restore();
}

} // namespace tarn::icons
