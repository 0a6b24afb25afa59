#pragma once

#include "GaugeScale.h"

#include <QFont>
#include <QImage>
#include <QPoint>
#include <QPointF>
#include <QPolygonF>
#include <QRectF>
#include <QSizeF>
#include <QString>

#include <vector>

class QPainter;

// Drawing of one dial of the AGauge control. The dial is designed on a radius of 100 "design
// units" centred on the origin (a scaled analog clock); DialGeometry maps that onto the widget.
// paintFace draws everything static (what the artwork cache keeps); paintNeedle and
// paintReadout draw what a needle move changes.
namespace GaugePainter {

// Where one dial sits in the widget: slot 0 bottom left, 1 top left, 2 top right,
// 3 bottom right, each centred in its quarter of the widget.
struct DialGeometry
{
    QRectF cell;       // the quarter of the widget
    QPointF centre;    // of the dial, widget pixels
    double radius = 0; // outer edge of the bezel, pixels; 0 when the quarter is too small

    double unit() const { return radius / 100.0; } // pixels per design unit
    bool drawable() const { return radius >= 12; }
    // Design coordinates (x right, y down, origin at the centre) to widget pixels.
    QPointF map(double x, double y) const { return centre + QPointF(x, y) * unit(); }
    // True when p (widget pixels) lies on the dial, bezel included.
    bool contains(QPointF p) const;
    // The digital readout window in the gap at the bottom of the scale, widget pixels: its
    // glass (where the value is written) and the whole window as drawn, rim included.
    QRectF readoutRect() const;
    QRectF readoutFrame() const;
};

DialGeometry dialGeometry(int slot, QSizeF widgetSize);

// The two fonts of the control (FontIndex 0 and 1).
enum class FontRole { ScaleNumbers, CaptionAndReadout };

// The pixel size a font of points on a screen of dpi gets on a dial of this radius: the size
// written, held within what the dial can show (never so large that numbers overrun each other,
// never below a legible few pixels unless the dial itself is that small).
double fontPixels(FontRole role, double points, double dpi, double radius);

// A copy of base whose size is px pixels on device (fractional sizes kept).
QFont sizedFont(QFont base, double px, double deviceDpi);

struct Face
{
    QString caption;
    double min = 0;
    double max = 0;
    bool output = false; // the flow gauge: shown by the program, not set by the user
    QFont font;          // family of all text on the dial
    double scalePx = 8;  // scale numbers, from fontPixels
    double textPx = 10;  // caption and readout, from fontPixels
};

// The picture of a dial's case and face, the costliest part of its artwork. The dials of one
// control are alike, so paintFace keeps it here and blends it again while it fits.
struct CasePicture
{
    double unitPx = 0, penPx = 0; // device pixels
    QPointF phase;                // of the dial's centre within its device pixel
    QPoint origin;                // of the picture, relative to that pixel
    QImage image;
};

// A text of the face where it is drawn, widget pixels: box holds its ink (capitals and digits
// above the baseline, descenders below), origin is the start of its baseline; the output mark
// is drawn at scale, a smaller copy of the caption's font.
struct PlacedText
{
    QString text;
    QRectF box;
    QPointF origin;
    QFont font;
    double scale = 1;
    bool isEmpty() const { return text.isEmpty(); }
};

// Everything static on a dial's face but the case, as paintFace draws it.
struct FaceLayout
{
    GaugeScale::Ticks ticks;
    std::vector<double> endTicks;   // clock angles of the ends off the round values
    std::vector<PlacedText> labels; // the scale's numbers, from ScaleMin's end to ScaleMax's
    // The numbers of the two ends (also in labels); empty only where a dial is too small for
    // them. Each lies wholly on the scale's side of its end, clear of a needle pegged beyond.
    PlacedText minLabel, maxLabel;
    PlacedText multiplier; // "×1000" and the like, or empty
    PlacedText caption;
    PlacedText outputMark; // the flow dial's, else empty
};

// The layout of a face on a device (its resolution and font metrics). No scale number overlaps
// another, the readout window, the caption or the output mark.
FaceLayout faceLayout(const DialGeometry &dial, const Face &face, const QPaintDevice *device);

// Bezel, face, scale (arc, ticks, numbers, end stops), caption and the empty readout window.
// With a cache, the case picture in it is used when it fits and replaced when not.
void paintFace(QPainter &painter, const DialGeometry &dial, const Face &face,
               CasePicture *cache = nullptr);

// The needle at a clock angle (GaugeScale), with its shadow and hub.
void paintNeedle(QPainter &painter, const DialGeometry &dial, double angle, bool output);

// The outline of a needle's body at angle, or of its shadow, widget pixels (the hub aside).
QPolygonF needleOutline(const DialGeometry &dial, double angle, bool output, bool shadow = false);

// Widget pixels a needle at angle touches, shadow and antialiasing included.
QRectF needleBounds(const DialGeometry &dial, double angle, bool output);

// A ring round the dial in colour: the dial the keys act on. It lies in the margin between the
// dial and its quarter's edge.
void paintFocusRing(QPainter &painter, const DialGeometry &dial, const QColor &colour);

// The readout text: value with decimals in the user's locale; beyondScale marks a value the
// needle cannot show (it then rests at an end stop).
void paintReadout(QPainter &painter, const DialGeometry &dial, const Face &face, double value,
                  int decimals, bool beyondScale);

// The text paintReadout shows.
QString readoutText(double value, int decimals);

} // namespace GaugePainter
