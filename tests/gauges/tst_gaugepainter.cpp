// The dial's artwork: where the case and face land on the device, whatever the painter does,
// and where the texts of the face go.
#include "GaugePainter.h"

#include <QFontInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLocale>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <vector>

class TestGaugePainter : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void bezelFollowsThePainter_data();
    void bezelFollowsThePainter();
    void dialsPaintTheSameTogetherAsAlone_data();
    void dialsPaintTheSameTogetherAsAlone();
    void textsKeepClear_data();
    void textsKeepClear();
};

void TestGaugePainter::bezelFollowsThePainter_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<double>("rotation"); // degrees, about the dial's centre

    QTest::newRow("1x") << qreal(1) << 0.0;
    QTest::newRow("2x") << qreal(2) << 0.0;
    QTest::newRow("1.5x") << qreal(1.5) << 0.0;
    QTest::newRow("1.25x") << qreal(1.25) << 0.0;
    QTest::newRow("1.75x") << qreal(1.75) << 0.0;
    QTest::newRow("upside down") << qreal(1) << 180.0;
    QTest::newRow("upside down, 2x") << qreal(2) << 180.0;
}

void TestGaugePainter::bezelFollowsThePainter()
{
    QFETCH(qreal, dpr);
    QFETCH(double, rotation);
    const QColor background(40, 90, 200);
    // Odd-sized quarters: at fractional ratios the dials sit differently on the device's pixels.
    const QSize size(402, 402);
    QImage image(size * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(background);
    {
        QPainter painter(&image);
        for (int slot = 0; slot < 4; ++slot) {
            const auto dial = GaugePainter::dialGeometry(slot, size);
            painter.resetTransform();
            painter.translate(dial.centre);
            painter.rotate(rotation);
            painter.translate(-dial.centre);
            GaugePainter::Face face;
            face.min = 0;
            face.max = 100;
            GaugePainter::paintFace(painter, dial, face);
        }
    }
    const QColor face(0xfd, 0xfc, 0xf8), light(0xf4, 0xf5, 0xf7), dark(0x5a, 0x5f, 0x66);
    const double c = 97.5 / std::sqrt(2.0), chamfer = 93.5 / std::sqrt(2.0); // on the diagonal
    const double turn = rotation * M_PI / 180;
    for (int slot = 0; slot < 4; ++slot) {
        const auto dial = GaugePainter::dialGeometry(slot, size);
        // The device pixel under a design point of the dial as the painter turned it.
        auto at = [&](double x, double y) {
            const double rx = x * std::cos(turn) - y * std::sin(turn);
            const double ry = x * std::sin(turn) + y * std::cos(turn);
            const QPointF p = dial.map(rx, ry) * dpr;
            return image.pixelColor(int(std::floor(p.x())), int(std::floor(p.y())));
        };
        auto near = [](QColor a, QColor b) {
            return std::abs(a.red() - b.red()) <= 12 && std::abs(a.green() - b.green()) <= 12 &&
                   std::abs(a.blue() - b.blue()) <= 12;
        };
        const QByteArray where = "slot " + QByteArray::number(slot) + ": ";
        QVERIFY2(near(at(-25, -10), face), where + "face");
        // The light falls from the top left: case light there and dark at the bottom right, the
        // chamfer the other way round.
        QVERIFY2(near(at(-c, -c), light), where + "case, top left");
        QVERIFY2(near(at(c, c), dark), where + "case, bottom right");
        QVERIFY2(near(at(-chamfer, -chamfer), dark), where + "chamfer, top left");
        QVERIFY2(near(at(chamfer, chamfer), light), where + "chamfer, bottom right");
        // The shadow shows below the case only, and nothing is drawn beyond it.
        const QColor below = at(0, 102.5);
        QVERIFY2(below.lightness() < background.lightness() - 5 && below.lightness() > 40,
                 where + "shadow below");
        QVERIFY2(at(0, -104) == background, where + "above");
        QVERIFY2(at(0, 106) == background, where + "below");
        QVERIFY2(at(-104, 0) == background, where + "left");
    }
}

void TestGaugePainter::dialsPaintTheSameTogetherAsAlone_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::newRow("1x") << qreal(1);
    QTest::newRow("1.5x") << qreal(1.5);
    QTest::newRow("1.75x") << qreal(1.75);
}

void TestGaugePainter::dialsPaintTheSameTogetherAsAlone()
{
    // With the case picture kept between dials, a dial must look the same whatever was painted
    // before it: its neighbours, which sit differently on the device's pixels at fractional
    // ratios, or a dial of another size.
    QFETCH(qreal, dpr);
    GaugePainter::CasePicture cache;
    auto paint = [&](const std::vector<int> &dials, QSize in) {
        QImage image(in * dpr, QImage::Format_RGB32);
        image.setDevicePixelRatio(dpr);
        image.fill(Qt::white);
        QPainter painter(&image);
        for (int slot : dials) {
            GaugePainter::Face face;
            face.min = 0;
            face.max = 100;
            GaugePainter::paintFace(painter, GaugePainter::dialGeometry(slot, in), face, &cache);
        }
        return image;
    };
    const QSize size(402, 302), small(250, 250), large(800, 800);
    const QImage smallFirst = paint({1}, small);
    const QImage together = paint({0, 1, 2, 3}, size);
    QVERIFY(paint({1}, small) == smallFirst);
    for (int slot = 0; slot < 4; ++slot) {
        paint({slot}, large);
        const QImage alone = paint({slot}, size);
        const auto dial = GaugePainter::dialGeometry(slot, size);
        const QRect cell = QRectF(dial.cell.topLeft() * dpr, dial.cell.size() * dpr)
                               .toAlignedRect()
                               .adjusted(1, 1, -1, -1);
        QVERIFY2(together.copy(cell) == alone.copy(cell), QByteArray::number(slot));
    }
}

void TestGaugePainter::textsKeepClear_data()
{
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<bool>("output");

    // Each unit of the four gauges with the scale it starts with, and two the user may type.
    QTest::newRow("DegF") << "DegF" << 0.0 << 100.0 << false;
    QTest::newRow("DegC") << "DegC" << -15.0 << 35.0 << false;
    QTest::newRow("PsiG") << "PsiG" << 0.0 << 200.0 << false;
    QTest::newRow("Kpa") << "Kpa" << 0.0 << 1380.0 << false;
    QTest::newRow("PsiD") << "PsiD" << 0.0 << 10.0 << false;
    QTest::newRow("inWC") << "inWC" << 0.0 << 277.0 << false;
    QTest::newRow("MMcF/D") << "MMcF/D" << 0.0 << 5.0 << true;
    QTest::newRow("1Km3/D") << "1Km3/D" << 0.0 << 142.0 << true;
    QTest::newRow("reversed, off the round values") << "inWC" << 277.0 << -5.0 << false;
    QTest::newRow("long ends") << "DegC" << -17.7778 << 37.7778 << false;
}

void TestGaugePainter::textsKeepClear()
{
    // At every size the window gives the gauge (its smallest client area under a window manager,
    // its first size, up to a large screen) and whatever font sizes the window writes (the
    // control holds them between a legible least and what the dial has room for): no scale
    // number runs into another, the readout window, the caption or the output mark; both ends
    // are numbered; no needle covers the caption or the output mark at any angle, and a needle
    // pegged beyond an end leaves that end's number readable.
    QFETCH(QString, caption);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(bool, output);
    const QSize sizes[] = {{313, 300},  {329, 340},   {329, 433},  {520, 420},
                           {844, 1170}, {1444, 1170}, {2400, 1400}};
    const std::pair<double, double> points[] = {{1, 1}, {4.1, 11.6}, {7, 18}, {1000, 1000}};
    QImage device(1, 1, QImage::Format_RGB32);
    const double dpi = device.logicalDpiY();
    for (const QString &family : {QGuiApplication::font().family(), QString("Arial")}) {
        for (const QSize size : sizes) {
            for (const auto &[scalePt, textPt] : points) {
                const auto dial = GaugePainter::dialGeometry(output ? 3 : 1, size);
                using GaugePainter::FontRole;
                GaugePainter::Face face;
                face.caption = caption;
                face.min = min;
                face.max = max;
                face.output = output;
                face.font = QFont(family);
                face.scalePx =
                    GaugePainter::fontPixels(FontRole::ScaleNumbers, scalePt, dpi, dial.radius);
                face.textPx =
                    GaugePainter::fontPixels(FontRole::CaptionAndReadout, textPt, dpi, dial.radius);
                const auto layout = GaugePainter::faceLayout(dial, face, &device);
                const QByteArray where =
                    QFontInfo(face.font).family().toUtf8() + ", " +
                    QByteArray::number(size.width()) + "x" + QByteArray::number(size.height()) +
                    ", " + QByteArray::number(scalePt) + "/" + QByteArray::number(textPt) + " pt: ";

                const std::vector<QRectF> keepClear = {dial.readoutFrame(), layout.caption.box,
                                                       layout.outputMark.box};
                QVERIFY2(!layout.caption.box.intersects(dial.readoutFrame()),
                         where + "caption on the readout");
                QVERIFY2(layout.outputMark.isEmpty() != output, where + "output mark");
                // In the design's typeface the units' captions have room at the size asked
                // for: none is made smaller.
                if (family == "Arial")
                    QCOMPARE(layout.caption.font.pointSizeF(), face.textPx * 72 / dpi);
                double lastAngle = -180;
                for (size_t i = 0; i < layout.labels.size(); ++i) {
                    const auto &label = layout.labels[i];
                    const QByteArray which = where + label.text.toUtf8();
                    for (const QRectF &other : keepClear)
                        QVERIFY2(!label.box.intersects(other), which + " on a text");
                    for (size_t j = i + 1; j < layout.labels.size(); ++j)
                        QVERIFY2(!label.box.intersects(layout.labels[j].box),
                                 which + " on another");
                    const QPointF d = label.box.center() - dial.centre;
                    const double angle = std::atan2(d.x(), -d.y()) * 180 / M_PI;
                    QVERIFY2(angle > lastAngle, which + " out of order");
                    lastAngle = angle;
                }
                QVERIFY2(!layout.minLabel.isEmpty() && !layout.maxLabel.isEmpty(),
                         where + "an end without its number");
                // The end's value, to three significant digits at least.
                for (const auto &[label, end] :
                     {std::pair(layout.minLabel, min), std::pair(layout.maxLabel, max)})
                    QVERIFY2(std::abs(label.text.toDouble() - end) <= std::abs(end) * 5e-3,
                             where + label.text.toUtf8());

                const auto covers = [&](double angle, const QRectF &box) {
                    for (bool shadow : {false, true})
                        if (GaugePainter::needleOutline(dial, angle, output, shadow)
                                .intersects(QPolygonF(box)))
                            return true;
                    return false;
                };
                const double pegged = GaugeScale::EndAngle + GaugeScale::PeggedGap;
                for (double angle = -pegged; angle <= pegged; angle += 0.5) {
                    QVERIFY2(!covers(angle, layout.caption.box),
                             where + "needle on the caption at " + QByteArray::number(angle));
                    if (output)
                        QVERIFY2(!covers(angle, layout.outputMark.box),
                                 where + "needle on the output mark at " +
                                     QByteArray::number(angle));
                }
                QVERIFY2(!covers(-pegged, layout.minLabel.box), where + "pegged on the min");
                QVERIFY2(!covers(pegged, layout.maxLabel.box), where + "pegged on the max");
            }
        }
    }
}

QTEST_MAIN(TestGaugePainter)
#include "tst_gaugepainter.moc"
