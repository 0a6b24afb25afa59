// The dial's artwork: where the case and face land on the device, whatever the painter does.
#include "GaugePainter.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>
#include <QTest>

#include <cmath>

class TestGaugePainter : public QObject
{
    Q_OBJECT

private slots:
    void bezelFollowsThePainter_data();
    void bezelFollowsThePainter();
};

void TestGaugePainter::bezelFollowsThePainter_data()
{
    QTest::addColumn<qreal>("dpr");
    QTest::addColumn<double>("rotation"); // degrees, about the dial's centre

    QTest::newRow("1x") << qreal(1) << 0.0;
    QTest::newRow("2x") << qreal(2) << 0.0;
    QTest::newRow("1.5x") << qreal(1.5) << 0.0;
    QTest::newRow("1.25x") << qreal(1.25) << 0.0;
    QTest::newRow("upside down") << qreal(1) << 180.0;
    QTest::newRow("upside down, 2x") << qreal(2) << 180.0;
}

void TestGaugePainter::bezelFollowsThePainter()
{
    QFETCH(qreal, dpr);
    QFETCH(double, rotation);
    const QColor background(40, 90, 200);
    const QSize size(400, 400);
    const auto dial = GaugePainter::dialGeometry(1, size);
    QImage image(size * dpr, QImage::Format_RGB32);
    image.setDevicePixelRatio(dpr);
    image.fill(background);
    {
        QPainter painter(&image);
        painter.translate(dial.centre);
        painter.rotate(rotation);
        painter.translate(-dial.centre);
        GaugePainter::Face face;
        face.min = 0;
        face.max = 100;
        GaugePainter::paintFace(painter, dial, face);
    }
    // The device pixel under a design point of the dial as the painter turned it.
    const double turn = rotation * M_PI / 180;
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
    const QColor face(0xfd, 0xfc, 0xf8), light(0xf4, 0xf5, 0xf7), dark(0x5a, 0x5f, 0x66);
    const double c = 97.5 / std::sqrt(2.0), chamfer = 93.5 / std::sqrt(2.0); // on the diagonal
    QVERIFY2(near(at(-25, -10), face), "face");
    // The light falls from the top left: case light there and dark at the bottom right, the
    // chamfer the other way round.
    QVERIFY2(near(at(-c, -c), light), "case, top left");
    QVERIFY2(near(at(c, c), dark), "case, bottom right");
    QVERIFY2(near(at(-chamfer, -chamfer), dark), "chamfer, top left");
    QVERIFY2(near(at(chamfer, chamfer), light), "chamfer, bottom right");
    // The shadow shows below the case only, and nothing is drawn beyond it.
    const QColor below = at(0, 102.5);
    QVERIFY2(below.lightness() < background.lightness() - 5 && below.lightness() > 40,
             "shadow below");
    QCOMPARE(at(0, -104), background);
    QCOMPARE(at(0, 106), background);
    QCOMPARE(at(-104, 0), background);
}

QTEST_MAIN(TestGaugePainter)
#include "tst_gaugepainter.moc"
