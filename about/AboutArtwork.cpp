#include "AboutArtwork.h"

#include <QConicalGradient>
#include <QFont>
#include <QLinearGradient>
#include <QLineF>
#include <QPainter>
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include <algorithm>
#include <array>
#include <cmath>
#include <string_view>

namespace {

// Palette of the artwork: cool metal and paper, so the blue labels keep their contrast.
const QColor PaperTop(0xfd, 0xfd, 0xfb);
const QColor PaperBottom(0xe6, 0xec, 0xf2);
const QColor GridLine(70, 110, 160, 16);
const QColor Ink(0x26, 0x31, 0x3c);
const QColor Accent(0x3c, 0x6e, 0x9f);
const QColor Steel(0x8d, 0x99, 0xa5);
const QColor SteelDark(0x4e, 0x59, 0x63);
const QColor SteelLight(0xe9, 0xee, 0xf2);
const QColor BandNormal(0x3a, 0x9a, 0x5b);
const QColor BandHigh(0xe0, 0xa5, 0x26);
const QColor BandLimit(0xc8, 0x41, 0x2f);
const QColor NeedleRed(0xc0, 0x2a, 0x22);

// The dial's scale runs clockwise over 270 degrees, from lower left (0) to lower right (100).
// Angles are Qt's (QLineF::fromPolar, drawArc): degrees counter-clockwise from 3 o'clock.
constexpr double ScaleStartDegrees = 225.0;
constexpr double ScaleSweepDegrees = 270.0;
constexpr double NeedleValue = 64.0;

double scaleAngle(double value)
{
    return ScaleStartDegrees - ScaleSweepDegrees * value / 100.0;
}

void drawPaper(QPainter &p, const QRectF &area)
{
    QLinearGradient paper(area.topLeft(), area.bottomLeft());
    paper.setColorAt(0.0, PaperTop);
    paper.setColorAt(1.0, PaperBottom);
    p.fillRect(area, paper);

    // A faint chart-paper grid: texture without competing with the text.
    p.setPen(QPen(GridLine, 1.0));
    constexpr int pitch = 16;
    for (int x = pitch; x < area.width(); x += pitch) {
        p.drawLine(QPointF(x + 0.5, 0), QPointF(x + 0.5, area.height()));
    }
    for (int y = pitch; y < area.height(); y += pitch) {
        p.drawLine(QPointF(0, y + 0.5), QPointF(area.width(), y + 0.5));
    }
}

void drawHeader(QPainter &p, const QRectF &area)
{
    // Soft white band behind the version line.
    QLinearGradient band(0, 0, 0, 66);
    band.setColorAt(0.0, QColor(255, 255, 255, 235));
    band.setColorAt(1.0, QColor(255, 255, 255, 120));
    p.fillRect(QRectF(0, 0, area.width(), 66), band);
    p.setPen(QPen(Accent, 1.5));
    p.drawLine(QPointF(24, 66), QPointF(area.width() - 24, 66));
    p.setPen(QPen(QColor(Accent.red(), Accent.green(), Accent.blue(), 90), 1.0));
    p.drawLine(QPointF(24, 69), QPointF(area.width() - 24, 69));

    // Emblem left of the version line: a gas flame in a ring.
    const QPointF centre(118, 38);
    QRadialGradient disc(centre + QPointF(-4, -5), 20);
    disc.setColorAt(0.0, QColor(0x5d, 0x8f, 0xc2));
    disc.setColorAt(1.0, QColor(0x23, 0x4f, 0x7d));
    p.setPen(QPen(QColor(0x1b, 0x3d, 0x61), 1.0));
    p.setBrush(disc);
    p.drawEllipse(centre, 17, 17);

    QPainterPath flame;
    flame.moveTo(centre + QPointF(0, -12));
    flame.cubicTo(centre + QPointF(9, -3), centre + QPointF(9, 6), centre + QPointF(0, 10));
    flame.cubicTo(centre + QPointF(-9, 6), centre + QPointF(-8, -2), centre + QPointF(-2, -7));
    flame.cubicTo(centre + QPointF(-2, -2), centre + QPointF(0, -2), centre + QPointF(0, -12));
    QLinearGradient flameFill(centre + QPointF(0, -12), centre + QPointF(0, 10));
    flameFill.setColorAt(0.0, QColor(0xff, 0xd4, 0x6b));
    flameFill.setColorAt(1.0, QColor(0xf0, 0x7d, 0x24));
    p.setPen(Qt::NoPen);
    p.setBrush(flameFill);
    p.drawPath(flame);
    QPainterPath core;
    core.moveTo(centre + QPointF(0, -2));
    core.cubicTo(centre + QPointF(4, 2), centre + QPointF(4, 7), centre + QPointF(0, 9));
    core.cubicTo(centre + QPointF(-4, 7), centre + QPointF(-4, 2), centre + QPointF(0, -2));
    p.setBrush(QColor(0x8f, 0xc8, 0xff));
    p.drawPath(core);

    // Subtitle under the version line, in the same column.
    QFont subtitle(QStringLiteral("Arial"));
    subtitle.setPixelSize(11);
    subtitle.setItalic(true);
    subtitle.setLetterSpacing(QFont::AbsoluteSpacing, 0.4);
    p.setFont(subtitle);
    p.setPen(QColor(0x55, 0x66, 0x77));
    p.drawText(QPointF(151, 57), QStringLiteral("Orifice gas-flow calculator"));
}

void drawPipe(QPainter &p, const QRectF &area, double axisY, double centreX)
{
    constexpr double radius = 14.0;

    // Impulse lines from the flange taps up into the dial's case.
    for (double x : {centreX - 14.0, centreX + 14.0}) {
        QLinearGradient tube(x - 2.5, 0, x + 2.5, 0);
        tube.setColorAt(0.0, SteelDark);
        tube.setColorAt(0.5, SteelLight);
        tube.setColorAt(1.0, SteelDark);
        p.setPen(Qt::NoPen);
        p.setBrush(tube);
        p.drawRect(QRectF(x - 2.5, axisY - 60, 5, 40));
        p.setBrush(SteelDark);
        p.drawRect(QRectF(x - 5, axisY - 40, 10, 7)); // valve body
    }

    // Pipe body with a rounded-metal shading.
    QLinearGradient metal(0, axisY - radius, 0, axisY + radius);
    metal.setColorAt(0.0, SteelDark);
    metal.setColorAt(0.28, SteelLight);
    metal.setColorAt(0.62, Steel);
    metal.setColorAt(1.0, QColor(0x3d, 0x46, 0x4f));
    p.setPen(QPen(QColor(0x3d, 0x46, 0x4f), 1.0));
    p.setBrush(metal);
    p.drawRect(QRectF(-1, axisY - radius, area.width() + 2, 2 * radius));

    // Flow direction marks, left to right.
    p.setPen(QPen(QColor(255, 255, 255, 170), 2.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    for (double x : {48.0, 88.0, 128.0, 290.0, 330.0, 370.0}) {
        QPolygonF chevron;
        chevron << QPointF(x - 4, axisY - 6) << QPointF(x + 3, axisY) << QPointF(x - 4, axisY + 6);
        p.drawPolyline(chevron);
    }

    // The orifice fitting: two flanges with the plate held between them.
    for (double x : {centreX - 20.0, centreX + 5.0}) {
        QLinearGradient flange(x, 0, x + 15, 0);
        flange.setColorAt(0.0, Steel);
        flange.setColorAt(0.4, SteelLight);
        flange.setColorAt(1.0, SteelDark);
        p.setPen(QPen(QColor(0x3d, 0x46, 0x4f), 1.0));
        p.setBrush(flange);
        p.drawRoundedRect(QRectF(x, axisY - 29, 15, 58), 2.5, 2.5);
        p.setPen(Qt::NoPen);
        p.setBrush(QColor(0x33, 0x3b, 0x43));
        for (double y : {axisY - 22.0, axisY + 22.0}) {
            p.drawEllipse(QPointF(x + 7.5, y), 2.6, 2.6);
        }
    }
    QLinearGradient plate(centreX - 5, 0, centreX + 5, 0);
    plate.setColorAt(0.0, QColor(0x2e, 0x36, 0x3e));
    plate.setColorAt(0.5, QColor(0x6a, 0x76, 0x82));
    plate.setColorAt(1.0, QColor(0x2e, 0x36, 0x3e));
    p.setPen(QPen(QColor(0x22, 0x28, 0x2e), 1.0));
    p.setBrush(plate);
    p.drawRect(QRectF(centreX - 5, axisY - 26, 10, 52));
    // The plate's tab, stamped with its bore, sticks out above the flanges.
    p.drawRoundedRect(QRectF(centreX - 5, axisY - 42, 10, 18), 2, 2);
    p.setBrush(QColor(0xd8, 0xdf, 0xe6));
    p.drawEllipse(QPointF(centreX, axisY - 37), 1.8, 1.8);
}

// The dial in a design space of radius 100 around the origin.
void drawDial(QPainter &p)
{
    // Drop shadow.
    QRadialGradient shadow(QPointF(0, 6), 108);
    shadow.setColorAt(0.85, QColor(20, 40, 60, 70));
    shadow.setColorAt(1.0, QColor(20, 40, 60, 0));
    p.setPen(Qt::NoPen);
    p.setBrush(shadow);
    p.drawEllipse(QPointF(0, 6), 108, 108);

    // Bezel: brushed ring lit from the upper left, with a reversed inner chamfer.
    QLinearGradient bezel(QPointF(-70, -70), QPointF(70, 70));
    bezel.setColorAt(0.0, QColor(0xf7, 0xf9, 0xfb));
    bezel.setColorAt(0.5, QColor(0xb3, 0xbd, 0xc7));
    bezel.setColorAt(1.0, QColor(0x5c, 0x67, 0x72));
    p.setPen(QPen(QColor(0x46, 0x50, 0x5a), 0.8));
    p.setBrush(bezel);
    p.drawEllipse(QPointF(0, 0), 100, 100);
    QLinearGradient chamfer(QPointF(-60, -60), QPointF(60, 60));
    chamfer.setColorAt(0.0, QColor(0x6a, 0x75, 0x80));
    chamfer.setColorAt(1.0, QColor(0xf2, 0xf5, 0xf8));
    p.setPen(Qt::NoPen);
    p.setBrush(chamfer);
    p.drawEllipse(QPointF(0, 0), 91, 91);

    // Face.
    QRadialGradient face(QPointF(-18, -24), 110);
    face.setColorAt(0.0, QColor(0xff, 0xff, 0xff));
    face.setColorAt(1.0, QColor(0xe9, 0xed, 0xf1));
    p.setBrush(face);
    p.drawEllipse(QPointF(0, 0), 87, 87);

    // Coloured bands: normal, high and limit ranges of the flow.
    const auto band = [&p](double from, double to, const QColor &colour) {
        const QRectF ring(-75, -75, 150, 150);
        p.setPen(QPen(colour, 5.0, Qt::SolidLine, Qt::FlatCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(ring, qRound(scaleAngle(from) * 16),
                  qRound((scaleAngle(to) - scaleAngle(from)) * 16));
    };
    band(0, 60, BandNormal);
    band(60, 82, BandHigh);
    band(82, 100, BandLimit);

    // Ticks: minor every 2, major every 10 with its number.
    for (int v = 0; v <= 100; v += 2) {
        const bool major = v % 10 == 0;
        const double a = scaleAngle(v);
        p.setPen(QPen(Ink, major ? 1.8 : 0.8, Qt::SolidLine, Qt::FlatCap));
        p.drawLine(QLineF::fromPolar(major ? 66 : 71, a).p2(), QLineF::fromPolar(79, a).p2());
    }
    QFont numbers(QStringLiteral("Arial"));
    numbers.setPixelSize(10);
    numbers.setBold(true);
    p.setFont(numbers);
    p.setPen(Ink);
    for (int v = 0; v <= 100; v += 10) {
        const QPointF at = QLineF::fromPolar(55, scaleAngle(v)).p2();
        p.drawText(QRectF(at.x() - 12, at.y() - 7, 24, 14), Qt::AlignCenter,
                   QString::number(v / 10));
    }

    QFont legend(QStringLiteral("Arial"));
    legend.setPixelSize(9);
    legend.setBold(true);
    legend.setLetterSpacing(QFont::AbsoluteSpacing, 1.2);
    p.setFont(legend);
    p.setPen(QColor(0x4a, 0x5a, 0x6a));
    p.drawText(QRectF(-40, -38, 80, 12), Qt::AlignCenter, QStringLiteral("FLOW"));
    QFont unit(QStringLiteral("Arial"));
    unit.setPixelSize(10);
    p.setFont(unit);
    p.drawText(QRectF(-40, 30, 80, 12), Qt::AlignCenter, QStringLiteral("MMcF/D"));
    // A small odometer under the unit, the counter of a gas meter.
    p.setPen(QPen(QColor(0x33, 0x3b, 0x43), 0.8));
    p.setBrush(QColor(0x2a, 0x30, 0x36));
    const QRectF counter(-24, 46, 48, 13);
    p.drawRoundedRect(counter, 1.5, 1.5);
    QFont digits(QStringLiteral("Arial"));
    digits.setPixelSize(10);
    digits.setBold(true);
    p.setFont(digits);
    const std::string_view reading = "04817";
    for (std::size_t i = 0; i < reading.size(); ++i) {
        const QRectF cell(counter.left() + 1 + i * 9.2, counter.top() + 1, 9.2, 11);
        if (i == reading.size() - 1) {
            p.fillRect(cell.adjusted(0.6, 0, -0.6, 0), QColor(0xb2, 0x2a, 0x22));
        }
        p.setPen(QColor(0xf2, 0xf4, 0xf6));
        p.drawText(cell, Qt::AlignCenter, QString(QChar::fromLatin1(reading[i])));
    }

    // Needle, its shadow first.
    const double needleAngle = scaleAngle(NeedleValue);
    p.save();
    p.rotate(-needleAngle);
    QPolygonF needle;
    needle << QPointF(-16, -3.2) << QPointF(72, -0.7) << QPointF(74, 0) << QPointF(72, 0.7)
           << QPointF(-16, 3.2);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(10, 20, 30, 55));
    p.drawPolygon(needle.translated(2.5, 2.5));
    QLinearGradient needleFill(QPointF(0, -3), QPointF(0, 3));
    needleFill.setColorAt(0.0, NeedleRed.lighter(135));
    needleFill.setColorAt(1.0, NeedleRed.darker(130));
    p.setBrush(needleFill);
    p.drawPolygon(needle);
    p.restore();

    // Hub.
    QRadialGradient hub(QPointF(-2.5, -2.5), 10);
    hub.setColorAt(0.0, QColor(0xfa, 0xfb, 0xfc));
    hub.setColorAt(1.0, QColor(0x4c, 0x56, 0x60));
    p.setPen(QPen(QColor(0x33, 0x3b, 0x43), 0.6));
    p.setBrush(hub);
    p.drawEllipse(QPointF(0, 0), 8, 8);

    // Glass: a soft reflection across the upper face.
    QLinearGradient glass(QPointF(0, -87), QPointF(0, 0));
    glass.setColorAt(0.0, QColor(255, 255, 255, 110));
    glass.setColorAt(1.0, QColor(255, 255, 255, 0));
    QPainterPath glare;
    glare.addEllipse(QPointF(0, 0), 86, 86);
    QPainterPath cut;
    cut.addEllipse(QPointF(-30, 70), 130, 120);
    p.setPen(Qt::NoPen);
    p.setBrush(glass);
    p.drawPath(glare.subtracted(cut));
}

} // namespace

QPixmap aboutBackground(QSize size, qreal devicePixelRatio)
{
    QPixmap pixmap(size * devicePixelRatio);
    pixmap.setDevicePixelRatio(devicePixelRatio);
    pixmap.fill(PaperTop);

    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setRenderHint(QPainter::TextAntialiasing);
    const QRectF area(QPointF(0, 0), QSizeF(size));

    drawPaper(p, area);
    drawHeader(p, area);

    // The fitting sits between the dial and the footer labels; the dial fills the middle.
    const double centreX = area.width() / 2.0;
    drawPipe(p, area, 376.0, centreX);

    const double side = std::min(area.width(), 250.0);
    p.save();
    p.translate(centreX, 206.0);
    p.scale(side / 200.0, side / 200.0);
    drawDial(p);
    p.restore();

    return pixmap;
}

QPixmap pointingHandImage()
{
    // '#' outline, '.' fill, ' ' transparent; the index finger points up at column 5.
    static constexpr std::array<std::string_view, 16> rows = {
        "     ##         ", //
        "    #..#        ", //
        "    #..#        ", //
        "    #..#        ", //
        "    #..###      ", //
        "    #..#..###   ", //
        "    #..#..#..## ", //
        " ## #..#..#..#.#", //
        "#..##..........#", //
        "#...#..........#", //
        " #.............#", //
        "  #............#", //
        "   #..........# ", //
        "    #.........# ", //
        "    #........#  ", //
        "    ##########  ", //
    };
    static_assert(std::all_of(rows.begin(), rows.end(),
                              [](std::string_view row) { return row.size() == 16; }));

    QPixmap pixmap(16, 16);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    for (int y = 0; y < 16; ++y) {
        for (int x = 0; x < 16; ++x) {
            const char c = rows[y][x];
            if (c != ' ') {
                p.fillRect(x, y, 1, 1, c == '#' ? Qt::black : Qt::white);
            }
        }
    }
    return pixmap;
}

QCursor pointingHandCursor()
{
    return QCursor(pointingHandImage(), 5, 0);
}
