// The dial's artwork: where the case and face land on the device, whatever the painter does.
#include "GaugePainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>
#include <vector>

class TestGaugePainter : public QObject
{
    Q_OBJECT

private slots:
    void bezelFollowsThePainter_data();
    void bezelFollowsThePainter();
    void dialsPaintTheSameTogetherAsAlone_data();
    void dialsPaintTheSameTogetherAsAlone();
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

QTEST_MAIN(TestGaugePainter)
#include "tst_gaugepainter.moc"
