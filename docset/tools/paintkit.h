// Velmora: shared colours and drawing helpers for the icon tool.
// Copyright the Velmora developers; see vxlicense.html for the terms.
#pragma once

#include <QColor>
#include <QFont>
#include <QImage>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>

#include <initializer_list>

class QPainter;

namespace tarn::icons {

// A colour in three tones: the lit top of a shape, its body and its outline.
struct Ramp
{
    QColor light;
    QColor mid;
    QColor dark;
};

// One palette for every drawn image so that they read as one family.
namespace ramps {
extern const Ramp sky;     // blue: variables, info, window title bars
extern const Ramp slate;   // blue-grey: plain classes
extern const Ramp leaf;    // green: object classes, "add" badges
extern const Ramp plum;    // magenta: functions
extern const Ramp orange;  // slots
extern const Ramp butter;  // signals, locks
extern const Ramp scarlet; // bugs
extern const Ramp cocoa;   // boxes
extern const Ramp steel;   // greys: frames, chips
extern const Ramp brand;   // the Velmora mark
} // namespace ramps

// Neutral tones used across the set.
namespace tones {
extern const QColor ink;      // near-black for glyphs and outlines
extern const QColor graphite; // dark grey
extern const QColor pencil;   // mid grey for text lines
extern const QColor paper;    // off-white page
extern const QColor frost;    // pale blue panel
} // namespace tones

// The scale the next canvases are made at: 1, or 2 for the images of
// screens with two device pixels a pixel. A canvas has that many pixels per
// unit and paints in units, so one drawing serves both.
void setDrawingScale(int scale);
int drawingScale();

// A transparent canvas of the given size in units.
QImage canvas(int width, int height);
// An opaque one, filled with the colour.
QImage opaqueCanvas(int width, int height, const QColor &fill);

// A painter set up the way every drawing wants it.
void prepare(QPainter &painter);

// Fills a closed path with a top-to-bottom gradient of the ramp, adds a soft
// inner highlight and strokes the outline: the basic look of every shape.
void fillShaded(QPainter &painter, const QPainterPath &path, const Ramp &ramp,
                qreal outlineWidth = 1.0, int highlightAlpha = 110);

// Convenience shapes in pixel coordinates.
QPainterPath roundedBox(const QRectF &rect, qreal radius);
QPainterPath diamond(const QPointF &centre, qreal radius);
QPainterPath ellipse(const QPointF &centre, qreal rx, qreal ry);
QPainterPath polygon(std::initializer_list<QPointF> points);

// The plus and minus signs of the add and zoom badges, centred, `size` across.
QPainterPath plusSign(const QPointF &centre, qreal size, qreal thickness);
QPainterPath minusSign(const QPointF &centre, qreal size, qreal thickness);

// Small overlays shared by the list icons: a padlock for protected members
// and a chain link for related non-members. `origin` is their top-left corner.
void drawLock(QPainter &painter, const QPointF &origin);
void drawLink(QPainter &painter, const QPointF &origin);

// A font from the DejaVu family at an exact pixel size. Only the faces of
// the core DejaVu package are used so that renders are the same everywhere.
QFont dejaVu(int pixelSize, bool bold = false, bool mono = false);

// True when the DejaVu faces resolve to themselves rather than a substitute.
bool fontsAvailable(QString *problem);

// Draws `text` centred on `centre` (the visual centre of its ink, not of the
// line box), so that a single letter sits in the middle of a badge.
void drawCentredText(QPainter &painter, const QPointF &centre, const QString &text,
                     const QFont &font, const QColor &colour);

} // namespace tarn::icons
