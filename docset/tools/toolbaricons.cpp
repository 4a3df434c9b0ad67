// Velmora: the toolbar images, taken from the icon theme or drawn.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#include "iconset.h"
#include "paintkit.h"

#include <QFile>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainter>
#include <QPen>
#include <QRadialGradient>
#include <QtMath>

#ifdef VELMORA_TOOLS_SVG
#include <QSvgRenderer>
#endif

#include <functional>

namespace tarn::icons {

namespace {

constexpr int kSide = 22;

QImage drawArrow(bool pointsLeft)
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    if (!pointsLeft) {
        p.translate(kSide, 0);
        p.scale(-1, 1);
    }
    const QPainterPath arrow = polygon({{2.0, 11.0},
                                        {10.5, 2.5},
                                        {10.5, 7.0},
                                        {19.5, 7.0},
                                        {19.5, 15.0},
                                        {10.5, 15.0},
                                        {10.5, 19.5}});
    fillShaded(p, arrow, ramps::leaf);
    return image;
}

QImage drawHome()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, polygon({{4.5, 10.0}, {11.0, 4.5}, {17.5, 10.0}, {17.5, 19.5}, {4.5, 19.5}}),
               ramps::steel);
    fillShaded(p, roundedBox(QRectF(9.5, 13.5, 4.0, 6.0), 0.5), ramps::cocoa, 1.0, 60);
    fillShaded(
        p,
        polygon({{1.5, 11.0}, {11.0, 2.0}, {20.5, 11.0}, {18.8, 12.8}, {11.0, 5.5}, {3.2, 12.8}}),
        ramps::scarlet);
    return image;
}

QImage drawHelp()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, ellipse(QPointF(11, 11), 9.5, 9.5), ramps::sky);
    drawCentredText(p, QPointF(11.2, 11.0), QStringLiteral("?"), dejaVu(15, true), Qt::white);
    return image;
}

QImage drawPrint()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, roundedBox(QRectF(5.5, 1.5, 11.0, 9.0), 0.5), ramps::steel, 1.0, 0);
    fillShaded(p, roundedBox(QRectF(1.5, 8.5, 19.0, 9.0), 2.0), ramps::steel);
    p.setPen(Qt::NoPen);
    p.setBrush(tones::ink);
    p.drawRect(QRectF(4.0, 13.0, 14.0, 1.5));
    p.setBrush(ramps::leaf.mid);
    p.drawEllipse(QPointF(17.0, 11.0), 1.0, 1.0);
    fillShaded(p, polygon({{5.5, 13.5}, {16.5, 13.5}, {16.5, 20.5}, {5.5, 20.5}}), ramps::steel,
               1.0, 0);
    p.setPen(QPen(tones::pencil, 1.0));
    p.drawLine(QPointF(7.5, 16.5), QPointF(14.5, 16.5));
    p.drawLine(QPointF(7.5, 18.5), QPointF(12.5, 18.5));
    return image;
}

void paintMagnifier(QPainter &p, const QPointF &lens, qreal radius, qreal handleLength)
{
    const QPointF along(M_SQRT1_2, M_SQRT1_2);
    const QPointF handleStart = lens + along * (radius + 0.5);
    const QPointF handleEnd = handleStart + along * handleLength;
    p.setPen(QPen(tones::ink, 3.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handleStart, handleEnd);
    p.setPen(QPen(tones::graphite, 1.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(handleStart + along * 0.8, handleEnd - along * 0.5);

    QRadialGradient glass(lens - QPointF(radius / 3, radius / 3), radius * 1.4);
    glass.setColorAt(0.0, QColor(255, 255, 255, 235));
    glass.setColorAt(
        1.0,
        QColor(ramps::sky.light.red(), ramps::sky.light.green(), ramps::sky.light.blue(), 200));
    p.setBrush(glass);
    p.setPen(QPen(tones::graphite, 2.0));
    p.drawEllipse(lens, radius, radius);
    p.setPen(QPen(QColor(255, 255, 255, 150), 1.0));
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(lens, radius - 1.5, radius - 1.5);
}

QImage drawFind()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    paintMagnifier(p, QPointF(9.0, 9.0), 6.5, 7.0);
    return image;
}

QImage drawOptions()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    const QPointF c(11.0, 11.0);
    const int teeth = 8;
    QPainterPath gear;
    for (int i = 0; i < teeth; ++i) {
        const qreal a = 2 * M_PI * i / teeth;
        const qreal half = M_PI / teeth;
        const auto at = [&c](qreal angle, qreal r) {
            return c + QPointF(r * qCos(angle), r * qSin(angle));
        };
        const QPointF pts[] = {at(a - half * 0.95, 7.2), at(a - half * 0.45, 9.8),
                               at(a + half * 0.45, 9.8), at(a + half * 0.95, 7.2)};
        if (i == 0)
            gear.moveTo(pts[0]);
        else
            gear.lineTo(pts[0]);
        gear.lineTo(pts[1]);
        gear.lineTo(pts[2]);
        gear.lineTo(pts[3]);
    }
    gear.closeSubpath();
    gear.addEllipse(c, 3.2, 3.2);
    gear.setFillRule(Qt::OddEvenFill);
    fillShaded(p, gear, ramps::steel);
    return image;
}

// The "A" of the zoom and font buttons sits on one baseline so they line up.
void paintLetter(QPainter &p, const QString &text, int pixelSize, qreal centreX)
{
    const QFont font = dejaVu(pixelSize, true);
    const QFontMetricsF metrics(font);
    const qreal width = metrics.horizontalAdvance(text);
    // A light rim around the letter keeps it readable on a dark toolbar
    // and is lost in a light one.
    QPainterPath letter;
    letter.addText(QPointF(centreX - width / 2.0, 19.0), font, text);
    p.save();
    p.setPen(QPen(QColor(255, 255, 255, 190), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPath(letter);
    p.restore();
    p.setFont(font);
    p.setPen(tones::ink);
    p.drawText(QPointF(centreX - width / 2.0, 19.0), text);
}

QImage drawTextSize(bool larger)
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    if (larger) {
        paintLetter(p, QStringLiteral("A"), 18, 8.5);
        fillShaded(p, plusSign(QPointF(17.0, 5.0), 9.0, 3.0), ramps::sky, 1.0, 90);
    } else {
        paintLetter(p, QStringLiteral("A"), 12, 7.5);
        fillShaded(p, minusSign(QPointF(16.5, 5.0), 9.0, 3.0), ramps::sky, 1.0, 90);
    }
    return image;
}

QImage drawFontSelect()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, roundedBox(QRectF(1.5, 2.5, 19.0, 17.0), 2.0), ramps::steel, 1.0, 0);
    p.setPen(Qt::NoPen);
    p.setBrush(tones::paper);
    p.drawRoundedRect(QRectF(2.5, 3.5, 17.0, 15.0), 1.2, 1.2);
    const QFont big = dejaVu(13, true);
    const QFont small = dejaVu(11, false);
    p.setFont(big);
    p.setPen(tones::ink);
    p.drawText(QPointF(3.6, 16.0), QStringLiteral("A"));
    p.setFont(small);
    p.setPen(ramps::sky.mid);
    p.drawText(QPointF(12.2, 16.0), QStringLiteral("a"));
    return image;
}

QImage drawLeftPanel()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    const QRectF frame(1.5, 2.5, 19.0, 17.0);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRect(frame);
    // Title bar.
    QLinearGradient title(0, 2.5, 0, 6.5);
    title.setColorAt(0.0, ramps::sky.light);
    title.setColorAt(1.0, ramps::sky.mid);
    p.setBrush(title);
    p.drawRect(QRectF(1.5, 2.5, 19.0, 4.0));
    // The side panel that the button shows and hides.
    p.setBrush(tones::frost);
    p.drawRect(QRectF(2.0, 6.5, 6.0, 12.5));
    p.setPen(QPen(ramps::sky.dark, 1.0));
    p.drawLine(QPointF(8.5, 6.5), QPointF(8.5, 19.0));
    p.setPen(QPen(ramps::sky.mid, 1.0));
    for (qreal y : {9.5, 11.5, 13.5})
        p.drawLine(QPointF(3.5, y), QPointF(6.5, y));
    p.setPen(QPen(tones::pencil, 1.0));
    for (qreal y : {9.5, 11.5, 13.5, 15.5})
        p.drawLine(QPointF(10.5, y), QPointF(y == 15.5 ? 15.5 : 18.5, y));
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(tones::graphite, 1.0));
    p.drawRoundedRect(frame, 1.0, 1.0);
    return image;
}

QPainterPath ribbon(const QRectF &r, qreal notch)
{
    return polygon({r.topLeft(), r.topRight(), r.bottomRight(),
                    QPointF(r.center().x(), r.bottom() - notch), r.bottomLeft()});
}

QImage drawAddBookmark()
{
    QImage image = canvas(kSide, kSide);
    QPainter p(&image);
    prepare(p);
    fillShaded(p, ribbon(QRectF(3.5, 1.5, 10.0, 18.0), 4.5), ramps::scarlet);
    p.setPen(QPen(QColor(255, 255, 255, 200), 3.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPath(plusSign(QPointF(16.0, 15.5), 9.5, 3.4));
    fillShaded(p, plusSign(QPointF(16.0, 15.5), 9.5, 3.4), ramps::leaf, 1.0, 90);
    return image;
}

// A theme image is used only when it exists at the size the toolbar expects:
// the theme's 22 x 22 drawing, and for larger scales its scalable one,
// rendered at that size (with Qt SVG only; without it those are drawn).
QImage fromTheme(const QString &themeDir, const QString &relativePath)
{
    if (themeDir.isEmpty())
        return QImage();
    const int scale = drawingScale();
    if (scale > 1) {
#ifdef VELMORA_TOOLS_SVG
        QString svg = relativePath;
        svg.replace(QLatin1String(".png"), QLatin1String(".svg"));
        QSvgRenderer renderer(themeDir % QStringLiteral("/scalable/") % svg);
        if (!renderer.isValid())
            return QImage();
        QImage image = canvas(kSide, kSide);
        QPainter p(&image);
        prepare(p);
        renderer.render(&p, QRectF(0, 0, kSide, kSide));
        return image;
#else
        return QImage();
#endif
    }
    const QString path = themeDir % QStringLiteral("/22x22/") % relativePath;
    if (!QFile::exists(path))
        return QImage();
    QImage image(path);
    if (image.size() != QSize(kSide, kSide))
        return QImage();
    return image.convertToFormat(QImage::Format_ARGB32_Premultiplied);
}

} // namespace

QList<NamedImage> toolbarImages(const QString &themeDir)
{
    struct Entry
    {
        QString fileName;
        QString themePath; // empty: always drawn
        std::function<QImage()> draw;
    };
    const QList<Entry> entries{
        {QStringLiteral("Back.png"), QStringLiteral("actions/go-previous.png"),
         [] { return drawArrow(true); }},
        {QStringLiteral("Forward.png"), QStringLiteral("actions/go-next.png"),
         [] { return drawArrow(false); }},
        {QStringLiteral("Home.png"), QStringLiteral("actions/go-home.png"), drawHome},
        {QStringLiteral("Help.png"), QStringLiteral("apps/help-browser.png"), drawHelp},
        {QStringLiteral("Print.png"), QStringLiteral("actions/document-print.png"), drawPrint},
        {QStringLiteral("find.png"), QStringLiteral("actions/edit-find.png"), drawFind},
        {QStringLiteral("Options.png"), QStringLiteral("emblems/emblem-system.png"), drawOptions},
        // The theme has no zoom, font, panel or add-bookmark image that fits.
        {QStringLiteral("textsmaller.png"), QString(), [] { return drawTextSize(false); }},
        {QStringLiteral("textlarger.png"), QString(), [] { return drawTextSize(true); }},
        {QStringLiteral("textteletext.png"), QString(), drawFontSelect},
        {QStringLiteral("leftpanel.png"), QString(), drawLeftPanel},
        {QStringLiteral("addBookmark.png"), QString(), drawAddBookmark},
    };

    QList<NamedImage> images;
    for (const Entry &entry : entries) {
        NamedImage named;
        named.fileName = entry.fileName;
        named.image = entry.themePath.isEmpty() ? QImage() : fromTheme(themeDir, entry.themePath);
        if (named.image.isNull()) {
            named.image = entry.draw();
            named.origin = QStringLiteral("drawn");
        } else {
            named.origin = QStringLiteral("theme 22x22/") % entry.themePath;
        }
        // One 8-bit palette image with alpha among our own, so that the image
        // store's handling of that kind is exercised by the real program.
        named.indexed = entry.fileName == QLatin1String("textteletext.png");
        images.append(named);
    }
    return images;
}

} // namespace tarn::icons
