// The dial arithmetic: angles, values from angles, round tick steps, readout text.
#include "AGauge.h"
#include "GaugePainter.h"
#include "GaugeScale.h"

#include <QLocale>
#include <QTest>

#include <cmath>
#include <limits>

class TestGaugeScale : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }

    void valueFromAngle_data();
    void valueFromAngle();
    void valueFromAngleOfSlot();
    void angleOf_data();
    void angleOf();
    void angleAndValueAreInverse();
    void needleAngle_data();
    void needleAngle();
    void pointerAngle();
    void niceStep_data();
    void niceStep();
    void keyStep_data();
    void keyStep();
    void ticks_data();
    void ticks();
    void labelExponent_data();
    void labelExponent();
    void readoutText_data();
    void readoutText();
};

void TestGaugeScale::valueFromAngle_data()
{
    QTest::addColumn<double>("angle");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("value");

    QTest::newRow("start is min") << -135.0 << 0.0 << 100.0 << 0.0;
    QTest::newRow("end is max") << 135.0 << 0.0 << 100.0 << 100.0;
    QTest::newRow("top is middle") << 0.0 << 0.0 << 100.0 << 50.0;
    QTest::newRow("quarter") << -67.5 << 0.0 << 200.0 << 50.0;
    QTest::newRow("9 o'clock") << -90.0 << 0.0 << 10.0 << 10.0 / 6;
    QTest::newRow("negative scale") << 0.0 << -15.0 << 35.0 << 10.0;
    QTest::newRow("wrapped by a turn") << 360.0 << 0.0 << 100.0 << 50.0;
    QTest::newRow("wrapped negative") << -405.0 << 0.0 << 5.0 << 5.0 * 90 / 270;
    QTest::newRow("gap near max clamps to max") << 150.0 << 0.0 << 100.0 << 100.0;
    QTest::newRow("gap near min clamps to min") << -150.0 << 0.0 << 100.0 << 0.0;
    QTest::newRow("bottom centre gives max") << 180.0 << 0.0 << 100.0 << 100.0;
    QTest::newRow("just past bottom gives min") << -179.0 << 0.0 << 100.0 << 0.0;
    QTest::newRow("reversed start is min") << -135.0 << 100.0 << 0.0 << 100.0;
    QTest::newRow("reversed end is max") << 135.0 << 100.0 << 0.0 << 0.0;
    QTest::newRow("reversed falls clockwise") << 45.0 << 100.0 << 0.0 << 100.0 / 3;
    QTest::newRow("reversed gap clamps") << 160.0 << 10.0 << -10.0 << -10.0;
    QTest::newRow("equal ends") << 45.0 << 5.0 << 5.0 << 5.0;
    QTest::newRow("not finite angle")
        << std::numeric_limits<double>::quiet_NaN() << 2.0 << 8.0 << 2.0;
}

void TestGaugeScale::valueFromAngle()
{
    QFETCH(double, angle);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, value);
    const double got = AGauge::valueFromAngle(angle, min, max);
    QVERIFY2(std::abs(got - value) <= 1e-12 * std::max(1.0, std::abs(value)),
             qPrintable(QString::number(got, 'g', 17)));
}

void TestGaugeScale::valueFromAngleOfSlot()
{
    AGauge gauge;
    QCOMPARE(gauge.valueFromAngle(1, 0.0), 100.0); // US 0..200
    QCOMPARE(gauge.valueFromAngle(3, 135.0), 5.0); // Flow 0..5
    gauge.setScaleIndex(2);
    gauge.setScaleEnd(AGauge::ScaleEnd::Min, 10.0); // Diff reversed: 10..0
    gauge.setScaleEnd(AGauge::ScaleEnd::Max, 0.0);
    QCOMPARE(gauge.valueFromAngle(2, -135.0), 10.0);
    QCOMPARE(gauge.valueFromAngle(2, 170.0), 0.0);
    QVERIFY(std::isnan(gauge.valueFromAngle(4, 0.0)));
    QVERIFY(std::isnan(gauge.valueFromAngle(-1, 0.0)));
}

void TestGaugeScale::angleOf_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("angle");

    QTest::newRow("min") << 0.0 << 0.0 << 100.0 << -135.0;
    QTest::newRow("middle") << 50.0 << 0.0 << 100.0 << 0.0;
    QTest::newRow("above max rests at end stop") << 150.0 << 0.0 << 100.0 << 135.0;
    QTest::newRow("below min rests at start stop") << -5.0 << 0.0 << 100.0 << -135.0;
    QTest::newRow("reversed") << 80.0 << 100.0 << 0.0 << -135.0 + 0.2 * 270;
    QTest::newRow("reversed above both") << 120.0 << 100.0 << 0.0 << -135.0;
    QTest::newRow("equal ends, at") << 5.0 << 5.0 << 5.0 << -135.0;
    QTest::newRow("equal ends, above") << 6.0 << 5.0 << 5.0 << 135.0;
    QTest::newRow("span overflows") << 0.0 << -1e308 << 1e308 << 0.0;
}

void TestGaugeScale::angleOf()
{
    QFETCH(double, value);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, angle);
    QCOMPARE(GaugeScale::angleOf(value, min, max), angle);
}

void TestGaugeScale::angleAndValueAreInverse()
{
    for (double v : {0.0, 3.7, 55.0, 99.9, 100.0})
        QVERIFY(std::abs(GaugeScale::valueAt(GaugeScale::angleOf(v, 0, 100), 0, 100) - v) < 1e-12);
}

void TestGaugeScale::needleAngle_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("angle");

    const double pegged = GaugeScale::EndAngle + GaugeScale::PeggedGap;
    QTest::newRow("on the scale") << 50.0 << 0.0 << 100.0 << 0.0;
    QTest::newRow("full scale") << 100.0 << 0.0 << 100.0 << 135.0;
    QTest::newRow("above: pegged past the end") << 100.5 << 0.0 << 100.0 << pegged;
    QTest::newRow("below: pegged before the start") << -1e300 << 0.0 << 100.0 << -pegged;
    QTest::newRow("reversed, above both: at the start") << 120.0 << 100.0 << 0.0 << -pegged;
    QTest::newRow("reversed, below both: at the end") << -1.0 << 100.0 << 0.0 << pegged;
    QTest::newRow("equal ends, at them") << 5.0 << 5.0 << 5.0 << -135.0;
    QTest::newRow("equal ends, above") << 5.5 << 5.0 << 5.0 << pegged;
}

void TestGaugeScale::needleAngle()
{
    QFETCH(double, value);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, angle);
    QCOMPARE(GaugeScale::needleAngle(value, min, max), angle);
    QVERIFY(GaugeScale::PeggedGap < GaugeScale::StopPinGap); // stops short of the pin
}

void TestGaugeScale::pointerAngle()
{
    QCOMPARE(GaugeScale::pointerAngle(0, -1), 0.0); // up
    QCOMPARE(GaugeScale::pointerAngle(1, 0), 90.0); // right: clockwise is positive
    QCOMPARE(GaugeScale::pointerAngle(0, 1), 180.0);
    QCOMPARE(GaugeScale::pointerAngle(-1, 0), -90.0);
    QCOMPARE(GaugeScale::pointerAngle(-1, 1), -135.0); // lower left: where ScaleMin sits
}

void TestGaugeScale::niceStep_data()
{
    QTest::addColumn<double>("span");
    QTest::addColumn<int>("intervals");
    QTest::addColumn<double>("step");

    QTest::newRow("0..100") << 100.0 << 10 << 10.0;
    QTest::newRow("0..200") << 200.0 << 10 << 20.0;
    QTest::newRow("0..5") << 5.0 << 10 << 0.5;
    QTest::newRow("0..1380 kPa") << 1380.0 << 10 << 200.0;
    QTest::newRow("0..277 inWC") << 277.0 << 10 << 50.0;
    QTest::newRow("-15..35 degC") << 50.0 << 10 << 5.0;
    QTest::newRow("0..142") << 142.0 << 6 << 50.0;
    QTest::newRow("tiny") << 3e-7 << 10 << 5e-8;
    QTest::newRow("exact fit is not widened") << 1.0 << 5 << 0.2;
    QTest::newRow("no span") << 0.0 << 10 << 0.0;
    QTest::newRow("infinite span") << std::numeric_limits<double>::infinity() << 10 << 0.0;
    QTest::newRow("no intervals") << 10.0 << 0 << 0.0;
}

void TestGaugeScale::niceStep()
{
    QFETCH(double, span);
    QFETCH(int, intervals);
    QFETCH(double, step);
    QCOMPARE(GaugeScale::niceStep(span, intervals), step);
}

void TestGaugeScale::keyStep_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<bool>("up");
    QTest::addColumn<bool>("page");
    QTest::addColumn<double>("expected");

    QTest::newRow("PsiD up a hundredth") << 4.9 << 0.0 << 10.0 << true << false << 5.0;
    QTest::newRow("PsiD down a hundredth") << 4.9 << 0.0 << 10.0 << false << false << 4.8;
    QTest::newRow("PsiD page up") << 4.9 << 0.0 << 10.0 << true << true << 5.0;
    QTest::newRow("PsiD page down") << 4.9 << 0.0 << 10.0 << false << true << 4.0;
    QTest::newRow("off the steps: to the next one")
        << 55.37 << 0.0 << 100.0 << true << false << 56.0;
    QTest::newRow("off the steps, down") << 55.37 << 0.0 << 100.0 << false << false << 55.0;
    QTest::newRow("decimal steps stay decimal") << 0.25 << 0.0 << 5.0 << true << false << 0.3;
    QTest::newRow("DegC half degrees") << -14.0 << -15.0 << 35.0 << false << false << -14.5;
    QTest::newRow("kPa") << 689.4757 << 0.0 << 1380.0 << true << true << 800.0;
    QTest::newRow("an end off the steps is reached")
        << 141.0 << 0.0 << 142.0 << true << true << 142.0;
    QTest::newRow("at the end: stays") << 10.0 << 0.0 << 10.0 << true << false << 10.0;
    QTest::newRow("at the start: stays") << 0.0 << 0.0 << 10.0 << false << true << 0.0;
    QTest::newRow("beyond, further out: stays") << 12.5 << 0.0 << 10.0 << true << false << 12.5;
    QTest::newRow("beyond, back in: to the end") << 12.5 << 0.0 << 10.0 << false << false << 10.0;
    QTest::newRow("below, back in: to the start") << -3.0 << 0.0 << 10.0 << true << true << 0.0;
    QTest::newRow("reversed scale: up is a higher value")
        << 150.0 << 200.0 << 0.0 << true << false << 152.0;
    QTest::newRow("equal ends: no step") << 7.0 << 7.0 << 7.0 << true << false << 7.0;
    QTest::newRow("far beyond, back in") << 1e300 << 0.0 << 5.0 << false << false << 5.0;
}

void TestGaugeScale::keyStep()
{
    QFETCH(double, value);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(bool, up);
    QFETCH(bool, page);
    QFETCH(double, expected);
    const double stepped = GaugeScale::keyStep(value, min, max, up, page);
    QVERIFY2(stepped == expected, qPrintable(QString::number(stepped, 'g', 17))); // exactly
}

void TestGaugeScale::ticks_data()
{
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("maxMinor");
    QTest::addColumn<QList<double>>("majors");
    QTest::addColumn<int>("minorCount");
    QTest::addColumn<int>("decimals");

    QTest::newRow("0..100") << 0.0 << 100.0 << 5
                            << QList<double>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100} << 40 << 0;
    QTest::newRow("reversed is ticked alike")
        << 100.0 << 0.0 << 5 << QList<double>{0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100} << 40
        << 0;
    QTest::newRow("0..10, halves when crowded")
        << 0.0 << 10.0 << 2 << QList<double>{0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10} << 10 << 0;
    QTest::newRow("0..5 in halves")
        << 0.0 << 5.0 << 5 << QList<double>{0, 0.5, 1, 1.5, 2, 2.5, 3, 3.5, 4, 4.5, 5} << 40 << 1;
    QTest::newRow("ends off the round values")
        << 0.0 << 1380.0 << 4 << QList<double>{0, 200, 400, 600, 800, 1000, 1200} << 21 << 0;
    QTest::newRow("negative, no -0")
        << -15.0 << 35.0 << 5 << QList<double>{-15, -10, -5, 0, 5, 10, 15, 20, 25, 30, 35} << 40
        << 0;
    QTest::newRow("equal ends: none") << 5.0 << 5.0 << 5 << QList<double>{} << 0 << 0;
}

void TestGaugeScale::ticks()
{
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(int, maxMinor);
    QFETCH(QList<double>, majors);
    QFETCH(int, minorCount);
    QFETCH(int, decimals);
    const auto t = GaugeScale::ticks(min, max, 10, maxMinor);
    QCOMPARE(QList<double>(t.majors.begin(), t.majors.end()), majors);
    QCOMPARE(int(t.minors.size()), minorCount);
    QCOMPARE(t.decimals, decimals);
    for (double v : t.majors)
        QVERIFY(!std::signbit(v) || v != 0);
}

void TestGaugeScale::labelExponent_data()
{
    QTest::addColumn<double>("max");
    QTest::addColumn<int>("exponent");

    QTest::newRow("0..100") << 100.0 << 0;
    QTest::newRow("0..1380") << 1380.0 << 0;
    QTest::newRow("0..20000 as x1000") << 20000.0 << 3;
    QTest::newRow("0..5e7 as x10^6") << 5e7 << 6;
    QTest::newRow("0..0.05 plain") << 0.05 << 0;
    QTest::newRow("0..0.005 as x10^-3") << 0.005 << -3;
    QTest::newRow("0..0.0005 as x10^-6") << 0.0005 << -6;
}

void TestGaugeScale::labelExponent()
{
    QFETCH(double, max);
    QFETCH(int, exponent);
    QCOMPARE(GaugeScale::labelExponent(GaugeScale::ticks(0, max, 10, 5)), exponent);
}

void TestGaugeScale::readoutText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<int>("decimals");
    QTest::addColumn<QString>("text");

    QTest::newRow("flow, 4 decimals") << 2.9 << 4 << "2.9000";
    QTest::newRow("temperature, 1") << 55.0 << 1 << "55.0";
    QTest::newRow("pressure, 0") << 100.4 << 0 << "100";
    QTest::newRow("no group separator") << 12345.678 << 2 << "12345.68";
    QTest::newRow("negative") << -17.26 << 1 << "-17.3";
    QTest::newRow("rounds to zero: no sign") << -0.00001 << 4 << "0.0000";
    QTest::newRow("negative zero: no sign") << -0.0 << 2 << "0.00";
}

void TestGaugeScale::readoutText()
{
    QFETCH(double, value);
    QFETCH(int, decimals);
    QFETCH(QString, text);
    QCOMPARE(GaugePainter::readoutText(value, decimals), text);
}

QTEST_MAIN(TestGaugeScale)
#include "tst_gaugescale.moc"
