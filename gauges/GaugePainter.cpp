#include "GaugePainter.h"

#include "BezelImage.h"
#include "GaugeDesign.h"
#include "GaugeScale.h"
#include "NumberText.h"

#include <QFontMetricsF>
#include <QImage>
#include <QLinearGradient>
#include <QLocale>
#include <QPainter>
#include <QRadialGradient>
#include <QTransform>

#include <algorithm>
#include <array>
#include <cmath>
#include <optional>
#include <vector>

namespace GaugePainter {

namespace {

constexpr double MinLegiblePx = 8.0;
constexpr double DegreesToRadians = 0.017453292519943295;

// The offset r from a dial's centre at a clock angle (GaugeScale: 0 up, clockwise).
QPointF clockPoint(double r, double angle)
{
    return QLineF::fromPolar(r, 90 - angle).p2();
}

QLocale numberLocale()
{
    QLocale locale;
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

// A pen at least one device-independent pixel wide, given a width in design units.
QPen designPen(const DialGeometry &dial, QColor colour, double width,
               Qt::PenCapStyle cap = Qt::FlatCap)
{
    return QPen(colour, std::max(width * dial.unit(), 1.0), Qt::SolidLine, cap, Qt::MiterJoin);
}

double deviceDpi(const QPainter &painter)
{
    return painter.device() ? painter.device()->logicalDpiY() : 96.0;
}

// Draws text with its visual centre (digits: cap height) at centre, widget pixels.
void drawCentred(QPainter &painter, QPointF centre, const QString &text, const QFont &font)
{
    const QFontMetricsF fm(font, painter.device());
    const double w = fm.horizontalAdvance(text);
    painter.setFont(font);
    painter.drawText(QPointF(centre.x() - w / 2, centre.y() + fm.capHeight() / 2), text);
}

// A font of px pixels, made smaller when text would be wider than width.
QFont fitted(const QPainter &painter, const QFont &base, double px, const QString &text,
             double width)
{
    const double dpi = deviceDpi(painter);
    QFont font = sizedFont(base, px, dpi);
    const double w = QFontMetricsF(font, painter.device()).horizontalAdvance(text);
    if (w > width && w > 0)
        font = sizedFont(base, px * width / w, dpi);
    return font;
}

QString superscript(int n)
{
    static const QString digits = QStringLiteral("⁰¹²³⁴⁵⁶⁷⁸⁹");
    QString s = n < 0 ? QStringLiteral("⁻") : QString();
    for (QChar c : QString::number(std::abs(n)))
        s += digits.at(c.digitValue());
    return s;
}

// A text's metrics, each worked out once: shaping a text, or finding a font's cap height,
// costs more than all the geometry done with them.
struct TextSize
{
    double width, cap, descent;
    TextSize(const QFontMetricsF &fm, const QString &text)
        : width(fm.horizontalAdvance(text)), cap(fm.capHeight()), descent(fm.descent())
    {
    }
};

// The ink box of a text (capitals above the baseline, descenders below), its baseline starting
// at origin.
QRectF inkBox(const TextSize &size, QPointF origin)
{
    return {origin.x(), origin.y() - size.cap, size.width, size.cap + size.descent};
}

// A scale number, w by h, whose digits (cap height, no descenders) are centred at c.
PlacedText numberAt(const QFont &font, QPointF c, QString text, double w, double h)
{
    const QRectF box(c.x() - w / 2, c.y() - h / 2, w, h);
    return {std::move(text), box, QPointF(box.left(), box.bottom()), font};
}

// The radius at which a number's box, w by h, centred on the ray at a clock angle just clears
// the major ticks.
double numberRadius(const DialGeometry &dial, double w, double h, double angle)
{
    const double a = angle * DegreesToRadians;
    // Half the box's extent along the radius.
    const double halfDepth = 0.5 * (std::abs(std::sin(a)) * w + std::abs(std::cos(a)) * h);
    return (Design::MajorInner - Design::LabelGap) * dial.unit() - halfDepth;
}

bool clearOf(const QRectF &box, const QRectF &other, double gap)
{
    return other.isEmpty() || !box.adjusted(-gap, -gap, gap, gap).intersects(other);
}

bool clearOf(const QRectF &box, const std::vector<QRectF> &others, double gap)
{
    return std::all_of(others.begin(), others.end(),
                       [&](const QRectF &o) { return clearOf(box, o, gap); });
}

bool overlapping(const std::vector<PlacedText> &labels, double gap)
{
    for (size_t i = 1; i < labels.size(); ++i)
        if (labels[i - 1].box.adjusted(-gap, -gap, gap, gap).intersects(labels[i].box))
            return true;
    return false;
}

// The number of a scale end at a clock angle: on the scale's side of the ray through the end by
// at least side pixels (so a needle pegged beyond the end leaves it readable), clearance from
// keepClear, and as near its place beside the end tick as that allows. A place also spacing
// from the neighbouring numbers, and still nearer the end than the nearest numbered tick at
// nextAngle, is preferred; empty when no place within reach will do.
PlacedText placeEndLabel(const DialGeometry &dial, double w, double h, const QFont &font,
                         double endAngle, const QString &text, const std::vector<QRectF> &keepClear,
                         double clearance, const std::vector<PlacedText> &neighbours,
                         double spacing, double nextAngle)
{
    const double u = dial.unit();
    const double inward = endAngle > 0 ? -1.0 : 1.0; // towards the scale, in clock degrees
    const QPointF normal = clockPoint(1, endAngle + inward * 90);
    const double side = std::max(Design::EndLabelSide * u, 1.0);
    const double homeRadius = numberRadius(dial, w, h, endAngle);
    const QPointF home = dial.centre + clockPoint(homeRadius, endAngle);
    const double stepPx = std::max(u, 0.5);
    std::optional<QPointF> best, bestRoomy;
    double bestDistance = 0, bestRoomyDistance = 0;
    for (double turn = 0; turn <= Design::EndLabelMaxTurn; turn += 1) {
        // No place on this ray or the ones beyond comes nearer home than this.
        if (bestRoomy && homeRadius * std::sin(turn * DegreesToRadians) >= bestRoomyDistance)
            break;
        const double angle = endAngle + inward * turn;
        const QPointF ray = clockPoint(1, angle);
        const double radius = numberRadius(dial, w, h, angle);
        for (double in = 0; in <= Design::EndLabelMaxInward * u; in += stepPx) {
            const QPointF c = dial.centre + ray * (radius - in);
            const double distance = std::hypot(c.x() - home.x(), c.y() - home.y());
            if (bestRoomy && distance >= bestRoomyDistance)
                continue;
            const QRectF box(c.x() - w / 2, c.y() - h / 2, w, h);
            const std::array<QPointF, 4> corners = {box.topLeft(), box.topRight(), box.bottomLeft(),
                                                    box.bottomRight()};
            const bool onScaleSide = std::all_of(corners.begin(), corners.end(), [&](QPointF p) {
                const QPointF d = p - dial.centre;
                return d.x() * normal.x() + d.y() * normal.y() >= side;
            });
            if (!onScaleSide || !clearOf(box, keepClear, clearance))
                continue;
            if (!best || distance < bestDistance) {
                best = c;
                bestDistance = distance;
            }
            const bool roomy =
                turn < std::abs(nextAngle - endAngle) &&
                std::all_of(neighbours.begin(), neighbours.end(),
                            [&](const PlacedText &n) { return clearOf(box, n.box, spacing); });
            if (roomy) {
                bestRoomy = c;
                bestRoomyDistance = distance;
            }
        }
    }
    if (bestRoomy)
        return numberAt(font, *bestRoomy, text, w, h);
    return best ? numberAt(font, *best, text, w, h) : PlacedText{};
}

bool sameValue(double a, double b, double step)
{
    return std::abs(a - b) <= std::max(step, std::abs(a)) * 1e-9;
}

// Half the width the needles leave free at y below the centre (design units): between the two
// needles pegged beyond their stops, their shadows (cast down and to the right) and a gap.
double freeHalfWidth(double y)
{
    const double a = (GaugeScale::EndAngle + GaugeScale::PeggedGap) * DegreesToRadians;
    const double along = std::sin(a), across = -std::cos(a);
    const double shadow = Design::ShadowDx * across + Design::ShadowDy * along;
    return (y * along - Design::NeedleHalfWidth - shadow - Design::NeedleGap) / across;
}

// The caption: centred under the hub, as wide as the needles and the face leave room for at its
// top and its lowest ink; a smaller font only widens that room.
PlacedText placeCaption(const DialGeometry &dial, const Face &face, const QPaintDevice *device,
                        double dpi)
{
    const double u = dial.unit();
    QFont font = face.font;
    font.setWeight(QFont::DemiBold);
    font = sizedFont(font, face.textPx, dpi);
    const auto room = [&](const TextSize &size) {
        const double top = Design::CaptionY - size.cap / 2 / u;
        const double low = Design::CaptionY + (size.cap / 2 + size.descent) / u;
        const double r = Design::FaceRadius - Design::CaptionMargin;
        const double chord = 2 * std::sqrt(std::max(0.0, r * r - low * low));
        return std::max(0.0, std::min(chord, 2 * freeHalfWidth(top))) * u;
    };
    TextSize size(QFontMetricsF(font, device), face.caption);
    if (const double most = room(size); size.width > most && size.width > 0) {
        font = sizedFont(font, face.textPx * most / size.width, dpi);
        size = TextSize(QFontMetricsF(font, device), face.caption);
    }
    const QPointF centre = dial.map(0, Design::CaptionY);
    const QPointF origin(centre.x() - size.width / 2, centre.y() + size.cap / 2);
    return {face.caption, inkBox(size, origin), origin, font};
}

// The flow dial's mark of an output.
PlacedText placeOutputMark(const DialGeometry &dial, const Face &face, const QPaintDevice *device,
                           double dpi)
{
    QFont font = face.font;
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::PercentageSpacing, 112);
    // The caption's font, scaled down: a size of its own would cost a font engine (a fontconfig
    // match) for six letters, where scaled glyphs come from the engine already loaded.
    font = sizedFont(font, face.textPx, dpi);
    const double px =
        std::clamp(face.scalePx * 0.72, std::min(6.0, 7.5 * dial.unit()), 7.5 * dial.unit());
    const double scale = px / face.textPx;
    const QString text = QStringLiteral("OUTPUT");
    const TextSize size(QFontMetricsF(font, device), text);
    const QPointF centre = dial.map(0, Design::OutputMarkY);
    const QPointF origin(centre.x() - size.width * scale / 2, centre.y() + size.cap * scale / 2);
    const QRectF box = inkBox(size, QPointF(0, 0));
    return {text, QRectF(origin + box.topLeft() * scale, box.size() * scale), origin, font, scale};
}

} // namespace

FaceLayout faceLayout(const DialGeometry &dial, const Face &face, const QPaintDevice *device)
{
    FaceLayout layout;
    if (!dial.drawable())
        return layout;
    const double dpi = device ? device->logicalDpiY() : 96.0;
    layout.caption = placeCaption(dial, face, device, dpi);
    if (face.output)
        layout.outputMark = placeOutputMark(dial, face, device, dpi);
    const std::vector<QRectF> keepClear = {dial.readoutFrame(), layout.caption.box,
                                           layout.outputMark.box};

    const QFont numbers = sizedFont(face.font, face.scalePx, dpi);
    const QFontMetricsF fm(numbers, device);
    const double cap = fm.capHeight();
    const double clearance = cap * Design::LabelClearance;
    const double spacing = cap * Design::LabelSpacing;
    const double min = face.min, max = face.max;
    const QLocale locale = numberLocale();
    const double arcPx = Design::ArcRadius * dial.unit() * GaugeScale::Sweep * DegreesToRadians;
    // The densest round ticking whose numbers do not collide.
    for (int intervals = 10; intervals >= 1; --intervals) {
        // Minor ticks at least 3.5 pixels apart.
        const double span = std::abs(max - min);
        const double step = GaugeScale::niceStep(span, intervals);
        const int minorRoom = step > 0 ? static_cast<int>(arcPx * (step / span) / 3.5) : 0;
        layout.ticks = GaugeScale::ticks(min, max, intervals, minorRoom);
        const int exponent = GaugeScale::labelExponent(layout.ticks);
        const double divisor = std::pow(10.0, exponent);
        const int decimals = exponent == 0 ? layout.ticks.decimals
                                           : GaugeScale::decimalsFor(layout.ticks.step / divisor);
        const auto onMajor = [&](double end) {
            const auto &majors = layout.ticks.majors;
            return std::any_of(majors.begin(), majors.end(),
                               [&](double m) { return sameValue(m, end, layout.ticks.step); });
        };
        // Numbered ticks between the ends; the ends get theirs below.
        std::vector<PlacedText> inner;
        std::vector<double> innerAngles;
        for (double v : layout.ticks.majors) {
            if (sameValue(v, min, layout.ticks.step) || sameValue(v, max, layout.ticks.step))
                continue;
            const double angle = GaugeScale::angleOf(v, min, max);
            const QString text = locale.toString(v / divisor, 'f', decimals);
            const double w = fm.horizontalAdvance(text);
            const QPointF c = dial.centre + clockPoint(numberRadius(dial, w, cap, angle), angle);
            inner.push_back(numberAt(numbers, c, text, w, cap));
            innerAngles.push_back(angle);
        }
        if (min > max) { // along the arc, from ScaleMin's end
            std::reverse(inner.begin(), inner.end());
            std::reverse(innerAngles.begin(), innerAngles.end());
        }
        if (overlapping(inner, spacing) && intervals > 1)
            continue;

        layout.endTicks.clear();
        PlacedText *ends[] = {&layout.minLabel, &layout.maxLabel};
        int e = 0;
        for (const auto &[end, angle] :
             {std::pair(min, GaugeScale::StartAngle), std::pair(max, GaugeScale::EndAngle)}) {
            const bool round = onMajor(end);
            if (!round) // off the round values (both ends of an empty scale): a tick of its own
                layout.endTicks.push_back(angle);
            // The nearest numbered tick between the ends, as seen from this end.
            double next = -angle;
            for (double a : innerAngles)
                if (std::abs(a - angle) < std::abs(next - angle))
                    next = a;
            // An end off the round values is written to six digits, or fewer where that is
            // too long to place.
            PlacedText &label = *ends[e++];
            for (int digits = 6; label.isEmpty() && digits >= (round ? 6 : 3); --digits) {
                const QString text = round ? locale.toString(end / divisor, 'f', decimals)
                                           : locale.toString(end / divisor, 'g', digits);
                label = placeEndLabel(dial, fm.horizontalAdvance(text), cap, numbers, angle, text,
                                      keepClear, clearance, inner, spacing, next);
            }
        }
        // An end's number wins over a neighbour it leaves no room for; every number keeps off
        // the readout window, the caption and the mark.
        if (!layout.minLabel.isEmpty())
            layout.labels.push_back(layout.minLabel);
        for (PlacedText &label : inner) {
            const bool clear = clearOf(label.box, keepClear, clearance) &&
                               std::all_of(ends, ends + 2, [&](const PlacedText *end) {
                                   return clearOf(label.box, end->box, spacing);
                               });
            if (clear)
                layout.labels.push_back(std::move(label));
        }
        if (!layout.maxLabel.isEmpty())
            layout.labels.push_back(layout.maxLabel);

        if (exponent != 0) {
            const QString text = exponent == 3 ? QStringLiteral("×1000")
                                               : QStringLiteral("×10") + superscript(exponent);
            const QFont font = sizedFont(face.font, face.scalePx * 0.85, dpi);
            const QPointF centre = dial.map(0, Design::MultiplierY);
            const TextSize size(QFontMetricsF(font, device), text);
            const QPointF origin(centre.x() - size.width / 2, centre.y() + size.cap / 2);
            layout.multiplier = {text, inkBox(size, origin), origin, font};
        }
        return layout;
    }
    return layout; // not reached: one interval is always taken
}

namespace {

void paintBezel(QPainter &p, const DialGeometry &dial, CasePicture *cache)
{
    const QTransform device = p.deviceTransform();
    const double penPx = std::max(0.7 * dial.unit(), 1.0); // the width designPen gives
    if (device.type() <= QTransform::TxScale && device.m11() == device.m22() && device.m11() > 0) {
        // Pixel for pixel on the device, so it is blended without resampling.
        const double scale = device.m11();
        const QPointF centre = device.map(dial.centre);
        const QPoint whole(int(std::floor(centre.x())), int(std::floor(centre.y())));
        const QPointF phase = centre - QPointF(whole);
        CasePicture fresh;
        CasePicture &picture = cache ? *cache : fresh;
        if (picture.image.isNull() || picture.unitPx != dial.unit() * scale ||
            picture.penPx != penPx * scale || picture.phase != phase) {
            picture.unitPx = dial.unit() * scale;
            picture.penPx = penPx * scale;
            picture.phase = phase;
            picture.image = bezelImage(picture.unitPx, phase, picture.penPx, &picture.origin);
        }
        picture.image.setDevicePixelRatio(scale);
        p.drawImage(device.inverted().map(QPointF(picture.origin + whole)), picture.image);
    } else {
        // A rotated or sheared painter: drawn at its scale, and the painter maps it.
        const double scale = std::sqrt(std::abs(device.determinant()));
        QPoint origin;
        const QImage image =
            bezelImage(dial.unit() * scale, dial.centre * scale, penPx * scale, &origin);
        p.save();
        p.setRenderHint(QPainter::SmoothPixmapTransform);
        p.drawImage(QRectF(QPointF(origin) / scale, QSizeF(image.size()) / scale), image);
        p.restore();
    }
}

void drawText(QPainter &p, const PlacedText &text)
{
    if (text.isEmpty())
        return;
    if (p.font() != text.font) // a new font costs a font engine lookup at the next text
        p.setFont(text.font);
    if (text.scale == 1) {
        p.drawText(text.origin, text.text);
        return;
    }
    p.save();
    p.translate(text.origin);
    p.scale(text.scale, text.scale);
    p.drawText(QPointF(0, 0), text.text);
    p.restore();
}

void paintScale(QPainter &p, const DialGeometry &dial, const Face &face, const FaceLayout &layout)
{
    const double u = dial.unit();
    const QColor ink(Colour::Ink);

    // The arc the ticks stand on.
    const double r = Design::ArcRadius * u;
    p.setBrush(Qt::NoBrush);
    p.setPen(designPen(dial, ink, 1.0));
    p.drawArc(QRectF(dial.centre.x() - r, dial.centre.y() - r, 2 * r, 2 * r),
              qRound((90 - GaugeScale::StartAngle) * 16), qRound(-GaugeScale::Sweep * 16));

    auto tickLines = [&](const std::vector<double> &angles, double inner) {
        std::vector<QLineF> lines;
        lines.reserve(angles.size());
        for (double a : angles)
            lines.emplace_back(dial.centre + clockPoint(inner * u, a),
                               dial.centre + clockPoint((Design::ArcRadius + 0.5) * u, a));
        return lines;
    };
    auto anglesOf = [&](const std::vector<double> &values) {
        std::vector<double> angles;
        angles.reserve(values.size());
        for (double v : values)
            angles.push_back(GaugeScale::angleOf(v, face.min, face.max));
        return angles;
    };
    p.setPen(designPen(dial, ink, 0.9));
    const auto minors = tickLines(anglesOf(layout.ticks.minors), Design::MinorInner);
    p.drawLines(minors.data(), static_cast<int>(minors.size()));
    // An end off the round values is marked, but lighter than a numbered tick.
    p.setPen(designPen(dial, ink, 1.2));
    const auto ends = tickLines(layout.endTicks, Design::MajorInner + 2);
    p.drawLines(ends.data(), static_cast<int>(ends.size()));
    p.setPen(designPen(dial, ink, 2.0));
    const auto majors = tickLines(anglesOf(layout.ticks.majors), Design::MajorInner);
    p.drawLines(majors.data(), static_cast<int>(majors.size()));

    p.setPen(ink);
    for (const PlacedText &label : layout.labels)
        drawText(p, label);
    drawText(p, layout.multiplier);

    // End-stop pins just beyond both ends of the arc: the needle rests against them.
    for (double a : {GaugeScale::StartAngle - GaugeScale::StopPinGap,
                     GaugeScale::EndAngle + GaugeScale::StopPinGap}) {
        const QPointF pin = dial.centre + clockPoint(Design::StopRadius * u, a);
        QRadialGradient g(pin - QPointF(0.6, 0.8) * u, 2.4 * u);
        g.setColorAt(0, QColor(Colour::PinLight));
        g.setColorAt(1, QColor(Colour::PinDark));
        p.setPen(designPen(dial, QColor::fromRgba(Colour::PinEdge), 0.4));
        p.setBrush(g);
        p.drawEllipse(pin, 2.1 * u, 2.1 * u);
    }
}

void paintReadoutWindow(QPainter &p, const DialGeometry &dial, const Face &face)
{
    const double u = dial.unit();
    const QRectF box = dial.readoutRect();
    const double corner = 2.5 * u;
    const double rim = Design::RimWidth * u;
    // Recessed: a dark rim with a light lower edge, then the display glass.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(Colour::ReadoutRimLight));
    p.drawRoundedRect(box.translated(0, Design::RimDrop * u).adjusted(-rim, -rim, rim, rim),
                      corner + rim, corner + rim);
    p.setBrush(QColor(Colour::ReadoutRim));
    p.drawRoundedRect(box.adjusted(-rim, -rim, rim, rim), corner + rim, corner + rim);
    QLinearGradient glass(box.topLeft(), box.bottomLeft());
    const QColor lcd(face.output ? Colour::OutputLcd : Colour::InputLcd);
    glass.setColorAt(0, lcd.darker(face.output ? 100 : 112));
    glass.setColorAt(0.25, lcd);
    glass.setColorAt(1, face.output ? lcd.lighter(135) : lcd);
    p.setBrush(glass);
    p.drawRoundedRect(box, corner, corner);
}

std::array<QPointF, 7> needleShape(bool output)
{
    const double tip = -Design::NeedleTip;
    if (output)
        return {QPointF(0, tip),   QPointF(0.8, tip + 6), QPointF(2.2, 0),       QPointF(1.7, 14),
                QPointF(-1.7, 14), QPointF(-2.2, 0),      QPointF(-0.8, tip + 6)};
    constexpr double w = Design::NeedleHalfWidth;
    return {QPointF(0, tip),   QPointF(1.0, tip + 6), QPointF(w, 0),         QPointF(2.4, 16),
            QPointF(-2.4, 16), QPointF(-w, 0),        QPointF(-1.0, tip + 6)};
}

double hubRadius(bool output)
{
    return output ? 6.5 : 10.5;
}

QTransform needleTransform(const DialGeometry &dial, double angle, QPointF offset = {})
{
    QTransform t;
    t.translate(dial.centre.x() + offset.x() * dial.unit(),
                dial.centre.y() + offset.y() * dial.unit());
    t.rotate(angle);
    t.scale(dial.unit(), dial.unit());
    return t;
}

// The shadow of needle and hub together, cast down and to the right as the light on the case
// falls; shape maps design units to widget pixels. Filled opaque into a picture of its own and
// blended once, translucent: a translucent fill of this size goes to Qt's thread pool a few
// rows at a time, and the hub's shadow no longer darkens the needle's where they overlap.
void paintNeedleShadow(QPainter &painter, const QTransform &shape,
                       const std::array<QPointF, 7> &outline, double hub)
{
    const QTransform toDevice = shape * painter.deviceTransform();
    const QPolygonF polygon(QList<QPointF>(outline.begin(), outline.end()));
    const QRect box = (toDevice.map(polygon).boundingRect() |
                       toDevice.mapRect(QRectF(-hub, -hub, 2 * hub, 2 * hub)))
                          .toAlignedRect()
                          .adjusted(-1, -1, 1, 1);
    if (box.isEmpty())
        return;
    QImage mask(box.size(), QImage::Format_ARGB32_Premultiplied);
    mask.fill(Qt::transparent);
    {
        QPainter m(&mask);
        m.setRenderHint(QPainter::Antialiasing);
        m.setPen(Qt::NoPen);
        m.setBrush(QColor(Colour::NeedleShadow)); // opaque here, blended at its alpha
        m.setTransform(toDevice * QTransform::fromTranslate(-box.left(), -box.top()));
        m.drawPolygon(polygon);
        m.drawEllipse(QPointF(0, 0), hub, hub);
    }
    // Pixel for pixel on the device: a world transform that the device's own turns into the
    // translation to box.
    const QTransform base = painter.transform();
    const QTransform toBox = QTransform::fromTranslate(box.left(), box.top()) *
                             painter.deviceTransform().inverted() * base;
    painter.save();
    painter.setTransform(toBox);
    painter.setOpacity(qAlpha(Colour::NeedleShadow) / 255.0);
    painter.drawImage(QPointF(0, 0), mask);
    painter.restore();
}

} // namespace

bool DialGeometry::contains(QPointF p) const
{
    const QPointF d = p - centre;
    return drawable() && d.x() * d.x() + d.y() * d.y() <= radius * radius;
}

QRectF DialGeometry::readoutRect() const
{
    const QRectF r = Design::Readout;
    return QRectF(map(r.left(), r.top()), map(r.right(), r.bottom()));
}

QRectF DialGeometry::readoutFrame() const
{
    const double rim = Design::RimWidth * unit();
    return readoutRect().adjusted(-rim, -rim, rim, rim + Design::RimDrop * unit());
}

DialGeometry dialGeometry(int slot, QSizeF size)
{
    static constexpr int column[4] = {0, 0, 1, 1};
    static constexpr int row[4] = {1, 0, 0, 1};
    DialGeometry dial;
    if (slot < 0 || slot > 3)
        return dial;
    const double w = size.width() / 2, h = size.height() / 2;
    dial.cell = QRectF(column[slot] * w, row[slot] * h, w, h);
    // On a whole pixel: a dial then sits on the pixel grid as the others do, and they can share
    // one picture of the case.
    dial.centre = QPointF(std::round(dial.cell.center().x()), std::round(dial.cell.center().y()));
    const double side = std::min(w, h);
    const double margin = std::max(3.0, side * 0.04);
    dial.radius = std::max(0.0, side / 2 - margin);
    if (!dial.drawable())
        dial.radius = 0;
    return dial;
}

double fontPixels(FontRole role, double points, double dpi, double radius)
{
    const double requested = points * dpi / 72.0;
    const double unit = radius / 100.0;
    const double most =
        (role == FontRole::ScaleNumbers ? Design::MaxScalePx : Design::MaxTextPx) * unit;
    const double least = std::min(MinLegiblePx, most);
    return std::clamp(requested, least, std::max(most, 1.0));
}

QFont sizedFont(QFont base, double px, double deviceDpi)
{
    base.setPointSizeF(std::max(px, 1.0) * 72.0 / deviceDpi);
    return base;
}

void paintFace(QPainter &painter, const DialGeometry &dial, const Face &face, CasePicture *cache)
{
    if (!dial.drawable())
        return;
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setRenderHint(QPainter::TextAntialiasing);
    paintBezel(painter, dial, cache);
    const FaceLayout layout = faceLayout(dial, face, painter.device());
    paintScale(painter, dial, face, layout);
    paintReadoutWindow(painter, dial, face);
    painter.setPen(QColor(Colour::Ink));
    drawText(painter, layout.caption);
    painter.setPen(QColor(Colour::OutputMark));
    drawText(painter, layout.outputMark);
    painter.restore();
}

void paintNeedle(QPainter &painter, const DialGeometry &dial, double angle, bool output)
{
    if (!dial.drawable())
        return;
    const auto shape = needleShape(output);
    const double hub = hubRadius(output);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(Qt::NoPen);
    const QTransform base = painter.transform(); // widget pixels to the device

    paintNeedleShadow(painter, needleTransform(dial, angle, {Design::ShadowDx, Design::ShadowDy}),
                      shape, hub);

    painter.setTransform(needleTransform(dial, angle) * base);
    const QColor body(output ? Colour::OutputNeedle : Colour::InputNeedle);
    // A ridge down the middle: the left half lit, the right half in shade. Both opaque, which
    // the raster engine fills in place.
    painter.setBrush(body);
    painter.drawPolygon(shape.data(), static_cast<int>(shape.size()));
    painter.setBrush(QColor(output ? Colour::OutputNeedleDark : Colour::InputNeedleDark));
    const std::array<QPointF, 5> half = {shape[0], shape[1], shape[2], shape[3],
                                         QPointF(0, shape[3].y())};
    painter.drawPolygon(half.data(), static_cast<int>(half.size()));

    // The hub: on an input gauge a knurled knob to turn, on the output a plain domed cap.
    painter.setTransform(base);
    const double u = dial.unit();
    const QPointF c = dial.centre;
    QRadialGradient cap(c + QPointF(-0.35, -0.45) * hub * u, hub * u * 1.3);
    if (output) {
        cap.setColorAt(0, QColor(Colour::CapLight));
        cap.setColorAt(0.5, QColor(Colour::CapMid));
        cap.setColorAt(1, QColor(Colour::CapDark));
    } else {
        cap.setColorAt(0, QColor(Colour::KnobLight));
        cap.setColorAt(0.55, QColor(Colour::KnobMid));
        cap.setColorAt(1, QColor(Colour::KnobDark));
    }
    painter.setBrush(cap);
    painter.setPen(designPen(dial, QColor::fromRgba(Colour::HubEdge), 0.6));
    painter.drawEllipse(c, hub * u, hub * u);
    if (!output) {
        // Knurling on the knob's rim, turning with the needle.
        painter.setPen(designPen(dial, QColor::fromRgba(Colour::Knurl), 0.55));
        std::vector<QLineF> knurl;
        constexpr int count = 24;
        knurl.reserve(count);
        for (int i = 0; i < count; ++i) {
            const double a = angle + i * (360.0 / count);
            knurl.emplace_back(c + clockPoint((hub - 2.6) * u, a),
                               c + clockPoint((hub - 0.4) * u, a));
        }
        painter.drawLines(knurl.data(), static_cast<int>(knurl.size()));
        painter.setPen(Qt::NoPen);
        painter.setBrush(body);
        painter.drawEllipse(c, 3.2 * u, 3.2 * u);
        painter.setBrush(QColor::fromRgba(Colour::KnobGlint));
        painter.drawEllipse(c + QPointF(-0.9, -1.0) * u, 1.1 * u, 1.1 * u);
    } else {
        painter.setPen(Qt::NoPen);
        painter.setBrush(QColor::fromRgba(Colour::CapGlint));
        painter.drawEllipse(c + QPointF(-1.8, -2.0) * u, 1.6 * u, 1.6 * u);
    }
    painter.restore();
}

QPolygonF needleOutline(const DialGeometry &dial, double angle, bool output, bool shadow)
{
    if (!dial.drawable())
        return {};
    const auto shape = needleShape(output);
    const QPolygonF polygon(QList<QPointF>(shape.begin(), shape.end()));
    return needleTransform(dial, angle,
                           shadow ? QPointF(Design::ShadowDx, Design::ShadowDy) : QPointF())
        .map(polygon);
}

QRectF needleBounds(const DialGeometry &dial, double angle, bool output)
{
    if (!dial.drawable())
        return {};
    QRectF bounds = needleOutline(dial, angle, output).boundingRect() |
                    needleOutline(dial, angle, output, true).boundingRect();
    const double hub = (hubRadius(output) + 3.0) * dial.unit();
    bounds |= QRectF(dial.centre.x() - hub, dial.centre.y() - hub, 2 * hub, 2 * hub);
    return bounds.adjusted(-2, -2, 2, 2);
}

namespace {
// The focus ring's centre line and width, pixels: halfway across the margin round the dial.
std::pair<double, double> focusRing(const DialGeometry &dial)
{
    const double margin =
        std::min(dial.cell.width(), dial.cell.height()) / 2 - dial.radius; // at least 3
    return {dial.radius + margin / 2, std::clamp(margin / 3, 1.5, 3.0)};
}
} // namespace

void paintFocusRing(QPainter &painter, const DialGeometry &dial, const QColor &colour)
{
    if (!dial.drawable())
        return;
    const auto [r, width] = focusRing(dial);
    painter.save();
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(colour, width));
    painter.setBrush(Qt::NoBrush);
    painter.drawEllipse(dial.centre, r, r);
    painter.restore();
}

QString readoutText(double value, int decimals)
{
    const QLocale locale = numberLocale();
    if (std::abs(value) >= 1e15)
        return locale.toString(value, 'e', std::min(decimals, 6));
    return NumberText::fixed(value, decimals, locale);
}

void paintReadout(QPainter &painter, const DialGeometry &dial, const Face &face, double value,
                  int decimals, bool beyondScale)
{
    if (!dial.drawable())
        return;
    const QRectF box = dial.readoutRect();
    const QString text = readoutText(value, decimals);
    QFont font = face.font;
    font.setWeight(QFont::DemiBold);
    // The caption's font: every size of its own costs a font engine (a fontconfig match).
    font = fitted(painter, font, face.textPx, text, box.width() - 5 * dial.unit());
    painter.save();
    painter.setRenderHint(QPainter::TextAntialiasing);
    QRgb colour = face.output ? Colour::OutputLcdText : Colour::InputLcdText;
    if (beyondScale)
        colour = face.output ? Colour::OutputLcdBeyond : Colour::InputLcdBeyond;
    painter.setPen(QColor(colour));
    drawCentred(painter, box.center(), text, font);
    painter.restore();
}

} // namespace GaugePainter
