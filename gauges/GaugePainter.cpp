#include "GaugePainter.h"

#include "BezelImage.h"
#include "GaugeDesign.h"
#include "GaugeScale.h"

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

struct Label
{
    QString text;
    QRectF box; // widget pixels
};

// Places a label just inside the major ticks at a clock angle.
Label placeLabel(const DialGeometry &dial, const QFontMetricsF &fm, double angle, QString text)
{
    const double w = fm.horizontalAdvance(text);
    const double h = fm.capHeight();
    const double a = angle * DegreesToRadians;
    // Half the box's extent along the radius, so the box just clears the ticks.
    const double halfDepth = 0.5 * (std::abs(std::sin(a)) * w + std::abs(std::cos(a)) * h);
    const double r = (Design::MajorInner - Design::LabelGap) * dial.unit() - halfDepth;
    const QPointF c = dial.centre + clockPoint(r, angle);
    return {std::move(text), QRectF(c.x() - w / 2, c.y() - h / 2, w, h)};
}

bool overlapping(const std::vector<Label> &labels, double gap)
{
    for (size_t i = 1; i < labels.size(); ++i)
        if (labels[i - 1].box.adjusted(-gap, -gap, gap, gap).intersects(labels[i].box))
            return true;
    return false;
}

struct ScaleLayout
{
    GaugeScale::Ticks ticks;
    std::vector<Label> labels;     // majors, then the ends that are not majors but have room
    std::vector<double> endAngles; // ends off the round values: a tick each
    QString multiplier;
};

bool sameValue(double a, double b, double step)
{
    return std::abs(a - b) <= std::max(step, std::abs(a)) * 1e-9;
}

// Chooses the densest round ticking whose numbers do not collide, and which ends get numbers.
ScaleLayout layoutScale(const DialGeometry &dial, const Face &face, const QFontMetricsF &fm)
{
    const double min = face.min, max = face.max;
    const QLocale locale = numberLocale();
    const double arcPx = Design::ArcRadius * dial.unit() * GaugeScale::Sweep * DegreesToRadians;
    for (int intervals = 10; intervals >= 1; --intervals) {
        // Minor ticks at least 3.5 pixels apart.
        const double span = std::abs(max - min);
        const double step = GaugeScale::niceStep(span, intervals);
        const int minorRoom = step > 0 ? static_cast<int>(arcPx * (step / span) / 3.5) : 0;
        ScaleLayout layout;
        layout.ticks = GaugeScale::ticks(min, max, intervals, minorRoom);
        const int exponent = GaugeScale::labelExponent(layout.ticks);
        const double divisor = std::pow(10.0, exponent);
        const int decimals = exponent == 0 ? layout.ticks.decimals
                                           : GaugeScale::decimalsFor(layout.ticks.step / divisor);
        if (exponent == 3)
            layout.multiplier = QStringLiteral("×1000");
        else if (exponent != 0)
            layout.multiplier = QStringLiteral("×10") + superscript(exponent);
        for (double v : layout.ticks.majors)
            layout.labels.push_back(placeLabel(dial, fm, GaugeScale::angleOf(v, min, max),
                                               locale.toString(v / divisor, 'f', decimals)));
        if (overlapping(layout.labels, fm.capHeight() * 0.45) && intervals > 1)
            continue;
        // Ends off the round values (both ends of an empty scale) get a tick, and a number
        // where it has room.
        for (const auto &[end, angle] :
             {std::pair(min, GaugeScale::StartAngle), std::pair(max, GaugeScale::EndAngle)}) {
            const auto &majors = layout.ticks.majors;
            const bool onMajor = std::any_of(majors.begin(), majors.end(), [&](double m) {
                return sameValue(m, end, layout.ticks.step);
            });
            if (onMajor)
                continue;
            layout.endAngles.push_back(angle);
            const QString text = locale.toString(end / divisor, 'g', 6);
            if (text.size() > 7)
                continue;
            Label label = placeLabel(dial, fm, angle, text);
            const QRectF clear = label.box.adjusted(-fm.capHeight() * 0.6, -fm.capHeight() * 0.6,
                                                    fm.capHeight() * 0.6, fm.capHeight() * 0.6);
            const bool crowded =
                std::any_of(layout.labels.begin(), layout.labels.end(),
                            [&](const Label &l) { return clear.intersects(l.box); });
            if (!crowded)
                layout.labels.push_back(std::move(label));
        }
        return layout;
    }
    return {}; // not reached: one interval is always taken
}

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

void paintScale(QPainter &p, const DialGeometry &dial, const Face &face)
{
    const double u = dial.unit();
    const QColor ink(Colour::Ink);
    const double dpi = deviceDpi(p);
    const QFont numbers = sizedFont(face.font, face.scalePx, dpi);
    const QFontMetricsF fm(numbers, p.device());
    const ScaleLayout layout = layoutScale(dial, face, fm);

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
    const auto ends = tickLines(layout.endAngles, Design::MajorInner + 2);
    p.drawLines(ends.data(), static_cast<int>(ends.size()));
    p.setPen(designPen(dial, ink, 2.0));
    const auto majors = tickLines(anglesOf(layout.ticks.majors), Design::MajorInner);
    p.drawLines(majors.data(), static_cast<int>(majors.size()));

    p.setPen(ink);
    p.setFont(numbers);
    for (const Label &label : layout.labels)
        p.drawText(QPointF(label.box.left(), label.box.bottom()), label.text);

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

    if (!layout.multiplier.isEmpty()) {
        p.setPen(ink);
        drawCentred(p, dial.map(0, -Design::CaptionY), layout.multiplier,
                    sizedFont(face.font, face.scalePx * 0.85, dpi));
    }
}

void paintCaption(QPainter &p, const DialGeometry &dial, const Face &face)
{
    QFont font = face.font;
    font.setWeight(QFont::DemiBold);
    font = fitted(p, font, face.textPx, face.caption, Design::CaptionWidth * dial.unit());
    p.setPen(QColor(Colour::Ink));
    drawCentred(p, dial.map(0, Design::CaptionY), face.caption, font);
}

void paintReadoutWindow(QPainter &p, const DialGeometry &dial, const Face &face)
{
    const double u = dial.unit();
    const QRectF box = dial.readoutRect();
    const double corner = 2.5 * u;
    // Recessed: a dark rim with a light lower edge, then the display glass.
    p.setPen(Qt::NoPen);
    p.setBrush(QColor::fromRgba(Colour::ReadoutRimLight));
    p.drawRoundedRect(box.translated(0, 0.8 * u).adjusted(-1.2 * u, -1.2 * u, 1.2 * u, 1.2 * u),
                      corner + 1.2 * u, corner + 1.2 * u);
    p.setBrush(QColor(Colour::ReadoutRim));
    p.drawRoundedRect(box.adjusted(-1.2 * u, -1.2 * u, 1.2 * u, 1.2 * u), corner + 1.2 * u,
                      corner + 1.2 * u);
    QLinearGradient glass(box.topLeft(), box.bottomLeft());
    const QColor lcd(face.output ? Colour::OutputLcd : Colour::InputLcd);
    glass.setColorAt(0, lcd.darker(face.output ? 100 : 112));
    glass.setColorAt(0.25, lcd);
    glass.setColorAt(1, face.output ? lcd.lighter(135) : lcd);
    p.setBrush(glass);
    p.drawRoundedRect(box, corner, corner);
}

// The flow gauge's mark of an output, under its readout window.
void paintOutputMark(QPainter &p, const DialGeometry &dial, const Face &face)
{
    QFont font = face.font;
    font.setWeight(QFont::DemiBold);
    font.setLetterSpacing(QFont::PercentageSpacing, 112);
    const double px =
        std::clamp(face.scalePx * 0.72, std::min(6.0, 7.5 * dial.unit()), 7.5 * dial.unit());
    // The caption's font, scaled down: a size of its own would cost a font engine (a fontconfig
    // match) for six letters, where scaled glyphs come from the engine already loaded.
    const double scale = px / face.textPx;
    p.save();
    p.setPen(QColor(Colour::OutputMark));
    p.translate(dial.map(0, Design::Readout.bottom() + 9));
    p.scale(scale, scale);
    drawCentred(p, QPointF(0, 0), QStringLiteral("OUTPUT"),
                sizedFont(font, face.textPx, deviceDpi(p)));
    p.restore();
}

std::array<QPointF, 7> needleShape(bool output)
{
    const double tip = -Design::NeedleTip;
    if (output)
        return {QPointF(0, tip),   QPointF(0.8, tip + 6), QPointF(2.2, 0),       QPointF(1.7, 14),
                QPointF(-1.7, 14), QPointF(-2.2, 0),      QPointF(-0.8, tip + 6)};
    return {QPointF(0, tip),   QPointF(1.0, tip + 6), QPointF(2.9, 0),       QPointF(2.4, 16),
            QPointF(-2.4, 16), QPointF(-2.9, 0),      QPointF(-1.0, tip + 6)};
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
    paintScale(painter, dial, face);
    paintCaption(painter, dial, face);
    paintReadoutWindow(painter, dial, face);
    if (face.output)
        paintOutputMark(painter, dial, face);
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

QRectF needleBounds(const DialGeometry &dial, double angle, bool output)
{
    if (!dial.drawable())
        return {};
    const auto shape = needleShape(output);
    const QPolygonF polygon(QList<QPointF>(shape.begin(), shape.end()));
    QRectF bounds = needleTransform(dial, angle).map(polygon).boundingRect();
    bounds |= needleTransform(dial, angle, {Design::ShadowDx, Design::ShadowDy})
                  .map(polygon)
                  .boundingRect();
    const double hub = (hubRadius(output) + 3.0) * dial.unit();
    bounds |= QRectF(dial.centre.x() - hub, dial.centre.y() - hub, 2 * hub, 2 * hub);
    return bounds.adjusted(-2, -2, 2, 2);
}

QString readoutText(double value, int decimals)
{
    const QLocale locale = numberLocale();
    if (std::abs(value) >= 1e15)
        return locale.toString(value, 'e', std::min(decimals, 6));
    return locale.toString(value, 'f', decimals);
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
