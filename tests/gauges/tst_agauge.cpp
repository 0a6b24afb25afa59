// The AGauge control as the window drives it: selectors, properties, text setters, signals,
// mouse, and the artwork cache.
#include "AGauge.h"
#include "GaugeScale.h"

#include <QApplication>
#include <QImage>
#include <QLineEdit>
#include <QLocale>
#include <QMouseEvent>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <cmath>
#include <limits>

namespace {
constexpr double Inf = std::numeric_limits<double>::infinity();
constexpr double NaN = std::numeric_limits<double>::quiet_NaN();

// A point on slot's dial at a clock angle, fraction of the way from the centre to the rim.
QPointF pointOn(const AGauge &gauge, int slot, double angle, double fraction = 0.6)
{
    const QRectF dial = gauge.dialRect(slot);
    const double r = dial.width() / 2 * fraction;
    const double a = angle * M_PI / 180;
    return dial.center() + QPointF(r * std::sin(a), -r * std::cos(a));
}

void sendMouse(QWidget &widget, QEvent::Type type, QPointF pos, Qt::MouseButton button,
               Qt::MouseButtons buttons)
{
    QMouseEvent event(type, pos, widget.mapToGlobal(pos), button, buttons, Qt::NoModifier);
    QApplication::sendEvent(&widget, &event);
}

// Presses the left button at grabAngle, turns by turn degrees in steps of 5, releases.
// Returns the number of move events sent.
int dragLeft(AGauge &gauge, int slot, double grabAngle, double turn)
{
    sendMouse(gauge, QEvent::MouseButtonPress, pointOn(gauge, slot, grabAngle), Qt::LeftButton,
              Qt::LeftButton);
    const int steps = std::max(1, int(std::ceil(std::abs(turn) / 5)));
    for (int i = 1; i <= steps; ++i)
        sendMouse(gauge, QEvent::MouseMove, pointOn(gauge, slot, grabAngle + turn * i / steps),
                  Qt::NoButton, Qt::LeftButton);
    sendMouse(gauge, QEvent::MouseButtonRelease, pointOn(gauge, slot, grabAngle + turn),
              Qt::LeftButton, Qt::NoButton);
    return steps;
}

double needleOf(AGauge &gauge, int slot)
{
    const int old = gauge.needleIndex();
    gauge.setNeedleIndex(slot);
    const double v = gauge.needleValue();
    gauge.setNeedleIndex(old);
    return v;
}

double needleAngle(AGauge &gauge, int slot)
{
    gauge.setScaleIndex(slot);
    return GaugeScale::angleOf(needleOf(gauge, slot), gauge.scaleMin(), gauge.scaleMax());
}
} // namespace

class TestAGauge : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase() { QLocale::setDefault(QLocale::c()); }
    void init();
    void cleanup() { delete gauge; }

    void defaults_data();
    void defaults();
    void propertiesPerSlot_data();
    void propertiesPerSlot();
    void selectorsAreIndependent();
    void selectorsRejectOutOfRange_data();
    void selectorsRejectOutOfRange();
    void fontSizesPerFont();
    void invalidValuesRejected();
    void textSetters_data();
    void textSetters();
    void textSettersFollowTheLocale();
    void programWritesRaiseNoSignal();

    void leftDragTurnsInputNeedle_data();
    void leftDragTurnsInputNeedle();
    void dragStopsAtTheEnds();
    void dragOnReversedScale();
    void needleBeyondScaleKeepsValueUntilMoved();
    void flowNeedleDoesNotDrag();
    void pressOutsideDialsDragsNothing();
    void rightPressRaisesButton2AndMovesNothing();
    void middlePressRaisesButton4();

    void tabReachesTheControl();
    void keysMoveTheFocusBetweenDials();
    void keysStepTheFocusedNeedle_data();
    void keysStepTheFocusedNeedle();
    void focusRingMarksTheFocusedDial();

    void needleMoveKeepsArtwork();
    void cacheDoesNotChangeThePicture();
    void partialRepaintsLeaveNoTrace();
    void overlappedControlPaintsWhole();
    void needleBeyondScaleDrawsAtEndStop();
    void drawsAnyScaleAndSize_data();
    void drawsAnyScaleAndSize();

private:
    AGauge *gauge = nullptr;
};

void TestAGauge::init()
{
    gauge = new AGauge;
    gauge->resize(640, 480);
    gauge->show();
    QVERIFY(QTest::qWaitForWindowExposed(gauge));
}

void TestAGauge::defaults_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("needle");
    QTest::addColumn<int>("decimals");

    QTest::newRow("0 Temp") << 0 << "DegF" << 0.0 << 100.0 << 55.0 << 1;
    QTest::newRow("1 US") << 1 << "PsiG" << 0.0 << 200.0 << 100.0 << 0;
    QTest::newRow("2 Diff") << 2 << "PsiD" << 0.0 << 10.0 << 4.9 << 2;
    QTest::newRow("3 Flow") << 3 << "MMcF/D" << 0.0 << 5.0 << 2.9 << 4;
}

void TestAGauge::defaults()
{
    QFETCH(int, slot);
    QFETCH(QString, caption);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, needle);
    QFETCH(int, decimals);
    AGauge fresh;
    QCOMPARE(fresh.captionIndex(), 0);
    QCOMPARE(fresh.needleIndex(), 0);
    QCOMPARE(fresh.scaleIndex(), 0);
    QCOMPARE(fresh.fontIndex(), 0);
    QVERIFY(fresh.setCaptionIndex(slot) && fresh.setNeedleIndex(slot) && fresh.setScaleIndex(slot));
    QCOMPARE(fresh.caption(), caption);
    QCOMPARE(fresh.scaleMin(), min);
    QCOMPARE(fresh.scaleMax(), max);
    QCOMPARE(fresh.needleValue(), needle);
    QCOMPARE(fresh.valueDecimals(), decimals);
}

void TestAGauge::propertiesPerSlot_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");
    QTest::addColumn<double>("needle");
    QTest::addColumn<int>("decimals");

    QTest::newRow("0 Temp in DegC") << 0 << "DegC" << -15.0 << 35.0 << 12.7777777777778 << 1;
    QTest::newRow("1 US in Kpa") << 1 << "Kpa" << 0.0 << 1380.0 << 689.4757 << 0;
    QTest::newRow("2 Diff reversed") << 2 << "inWC" << 277.0 << 0.0 << 135.63 << 1;
    QTest::newRow("3 Flow, equal ends") << 3 << "1Km3/D" << 142.0 << 142.0 << 82.12 << 2;
    QTest::newRow("caption kept exactly") << 0 << " degc \t" << 0.0 << 1.0 << 2.0 << 15;
    QTest::newRow("empty caption") << 1 << "" << -1e300 << 1e300 << -1e-300 << 0;
}

void TestAGauge::propertiesPerSlot()
{
    QFETCH(int, slot);
    QFETCH(QString, caption);
    QFETCH(double, min);
    QFETCH(double, max);
    QFETCH(double, needle);
    QFETCH(int, decimals);
    AGauge reference;
    QVERIFY(gauge->setCaptionIndex(slot) && gauge->setNeedleIndex(slot) &&
            gauge->setScaleIndex(slot));
    gauge->setCaption(caption);
    QVERIFY(gauge->setScaleEnd(AGauge::ScaleEnd::Min, min));
    QVERIFY(gauge->setScaleEnd(AGauge::ScaleEnd::Max, max));
    QVERIFY(gauge->setNeedleValue(needle));
    QVERIFY(gauge->setValueDecimals(decimals));
    QCOMPARE(gauge->caption(), caption);
    QCOMPARE(gauge->scaleMin(), min);
    QCOMPARE(gauge->scaleMax(), max);
    QCOMPARE(gauge->needleValue(), needle);
    QCOMPARE(gauge->valueDecimals(), decimals);
    // The other slots keep their own values.
    for (int other = 0; other < AGauge::SlotCount; ++other) {
        if (other == slot)
            continue;
        for (AGauge *g : {gauge, &reference}) {
            g->setCaptionIndex(other);
            g->setNeedleIndex(other);
            g->setScaleIndex(other);
        }
        QCOMPARE(gauge->caption(), reference.caption());
        QCOMPARE(gauge->scaleMin(), reference.scaleMin());
        QCOMPARE(gauge->scaleMax(), reference.scaleMax());
        QCOMPARE(gauge->needleValue(), reference.needleValue());
        QCOMPARE(gauge->valueDecimals(), reference.valueDecimals());
    }
    QVERIFY(!gauge->grab().isNull()); // and it draws
}

void TestAGauge::selectorsAreIndependent()
{
    gauge->setCaptionIndex(1);
    gauge->setNeedleIndex(2);
    gauge->setScaleIndex(3);
    QCOMPARE(gauge->caption(), QString("PsiG"));
    QCOMPARE(gauge->needleValue(), 4.9);
    QCOMPARE(gauge->valueDecimals(), 2); // ValueDecimals follows NeedleIndex
    QCOMPARE(gauge->scaleMax(), 5.0);
    gauge->setNeedleValue(7.5);                     // writes slot 2 only
    gauge->setScaleEnd(AGauge::ScaleEnd::Max, 6.0); // writes slot 3 only
    QCOMPARE(needleOf(*gauge, 2), 7.5);
    gauge->setScaleIndex(2);
    QCOMPARE(gauge->scaleMax(), 10.0);
    QCOMPARE(gauge->captionIndex(), 1);
    QCOMPARE(gauge->needleIndex(), 2);
}

void TestAGauge::selectorsRejectOutOfRange_data()
{
    QTest::addColumn<int>("index");
    QTest::newRow("-1") << -1;
    QTest::newRow("4") << 4;
    QTest::newRow("32767") << 32767;
    QTest::newRow("-32768") << -32768;
}

void TestAGauge::selectorsRejectOutOfRange()
{
    QFETCH(int, index);
    gauge->setCaptionIndex(2);
    gauge->setNeedleIndex(3);
    gauge->setScaleIndex(1);
    gauge->setFontIndex(1);
    QVERIFY(!gauge->setCaptionIndex(index));
    QVERIFY(!gauge->setNeedleIndex(index));
    QVERIFY(!gauge->setScaleIndex(index));
    QVERIFY(!gauge->setFontIndex(index));
    QVERIFY(!gauge->setFontIndex(2));
    QCOMPARE(gauge->captionIndex(), 2);
    QCOMPARE(gauge->needleIndex(), 3);
    QCOMPARE(gauge->scaleIndex(), 1);
    QCOMPARE(gauge->fontIndex(), 1);
}

void TestAGauge::fontSizesPerFont()
{
    // As the layout writes them: font 1 capped at 40 by the window, font 0 unbounded.
    QVERIFY(gauge->setFontIndex(1));
    QVERIFY(gauge->setFontSize(40));
    QVERIFY(gauge->setFontIndex(0));
    QVERIFY(gauge->setFontSize(48.0));
    QCOMPARE(gauge->fontSize(), 48.0);
    gauge->setFontIndex(1);
    QCOMPARE(gauge->fontSize(), 40.0);
    QVERIFY(gauge->setFontSize(0.125)); // tiny and huge read back as written
    QCOMPARE(gauge->fontSize(), 0.125);
    gauge->setFontIndex(0);
    QVERIFY(gauge->setFontSize(1e6));
    QCOMPARE(gauge->fontSize(), 1e6);
    QVERIFY(!gauge->grab().isNull());
}

void TestAGauge::invalidValuesRejected()
{
    gauge->setCaptionIndex(2);
    gauge->setNeedleIndex(2);
    gauge->setScaleIndex(2);
    for (double bad : {NaN, Inf, -Inf}) {
        QVERIFY(!gauge->setNeedleValue(bad));
        QVERIFY(!gauge->setScaleEnd(AGauge::ScaleEnd::Min, bad));
        QVERIFY(!gauge->setScaleEnd(AGauge::ScaleEnd::Max, bad));
        QVERIFY(!gauge->setFontSize(bad));
    }
    QVERIFY(!gauge->setFontSize(0));
    QVERIFY(!gauge->setFontSize(-8));
    QVERIFY(!gauge->setValueDecimals(-1));
    QVERIFY(!gauge->setValueDecimals(16));
    QVERIFY(gauge->setValueDecimals(15));
    QVERIFY(gauge->setValueDecimals(0));
    QCOMPARE(gauge->needleValue(), 4.9);
    QCOMPARE(gauge->scaleMin(), 0.0);
    QCOMPARE(gauge->scaleMax(), 10.0);
    QCOMPARE(gauge->fontSize(), 8.25);
    QCOMPARE(gauge->valueDecimals(), 0);
}

void TestAGauge::textSetters_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("accepted");
    QTest::addColumn<double>("value");

    QTest::newRow("empty") << "" << false << 0.0;
    QTest::newRow("blank") << "   " << false << 0.0;
    QTest::newRow("abc") << "abc" << false << 0.0;
    QTest::newRow("inf") << "inf" << false << 0.0;
    QTest::newRow("nan") << "nan" << false << 0.0;
    QTest::newRow("overflow") << "1e999" << false << 0.0;
    QTest::newRow("number and junk") << "12abc" << false << 0.0;
    QTest::newRow("plain") << "4.9" << true << 4.9;
    QTest::newRow("blanks around") << " 55 " << true << 55.0;
    QTest::newRow("negative exponent") << "-1.5e3" << true << -1500.0;
}

void TestAGauge::textSetters()
{
    QFETCH(QString, text);
    QFETCH(bool, accepted);
    QFETCH(double, value);
    QSignalSpy mouse(gauge, &AGauge::GaugeMouse);
    QSignalSpy change(gauge, &AGauge::GaugeChange);
    for (int slot = 0; slot < AGauge::SlotCount; ++slot) {
        gauge->setNeedleIndex(slot);
        gauge->setScaleIndex(slot);
        const double needle = gauge->needleValue();
        const double min = gauge->scaleMin();
        const double max = gauge->scaleMax();
        QCOMPARE(gauge->setNeedleValue(text), accepted);
        QCOMPARE(gauge->needleValue(), accepted ? value : needle);
        QCOMPARE(gauge->setScaleEnd(AGauge::ScaleEnd::Min, text), accepted);
        QCOMPARE(gauge->scaleMin(), accepted ? value : min);
        QCOMPARE(gauge->setScaleEnd(AGauge::ScaleEnd::Max, text), accepted);
        QCOMPARE(gauge->scaleMax(), accepted ? value : max);
    }
    QCOMPARE(mouse.count() + change.count(), 0);
}

void TestAGauge::textSettersFollowTheLocale()
{
    QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
    gauge->setNeedleIndex(2);
    QVERIFY(gauge->setNeedleValue(QString("6,25")));
    QCOMPARE(gauge->needleValue(), 6.25);
    QLocale::setDefault(QLocale::c());
    QVERIFY(!gauge->setNeedleValue(QString("6,25"))); // a group separator misplaced in C
    QCOMPARE(gauge->needleValue(), 6.25);
}

void TestAGauge::programWritesRaiseNoSignal()
{
    QSignalSpy mouse(gauge, &AGauge::GaugeMouse);
    QSignalSpy change(gauge, &AGauge::GaugeChange);
    for (int slot = 0; slot < AGauge::SlotCount; ++slot) {
        gauge->setCaptionIndex(slot);
        gauge->setNeedleIndex(slot);
        gauge->setScaleIndex(slot);
        gauge->setCaption("X");
        gauge->setScaleEnd(AGauge::ScaleEnd::Min, -3);
        gauge->setScaleEnd(AGauge::ScaleEnd::Max, 3);
        gauge->setNeedleValue(1.5);
        gauge->setNeedleValue(1.5); // the same value twice
        gauge->setNeedleValue(QString("2"));
        gauge->setValueDecimals(3);
    }
    gauge->setFontIndex(1);
    gauge->setFontSize(20);
    gauge->setGeometry(10, 10, 485, 365); // the window's Move
    QCoreApplication::processEvents();
    QCOMPARE(mouse.count(), 0);
    QCOMPARE(change.count(), 0);
}

void TestAGauge::leftDragTurnsInputNeedle_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<double>("grabOffset"); // where the pointer grabs, relative to the needle
    QTest::addColumn<double>("turn");
    QTest::addColumn<double>("expected");

    QTest::newRow("Temp, on the needle, +90") << 0 << 0.0 << 90.0 << 55 + 100.0 / 3;
    QTest::newRow("US, off the needle, -45") << 1 << 120.0 << -45.0 << 100 - 200.0 / 6;
    QTest::newRow("Diff, grabbed across the dial, +30") << 2 << -170.0 << 30.0 << 4.9 + 10.0 / 9;
}

void TestAGauge::leftDragTurnsInputNeedle()
{
    QFETCH(int, slot);
    QFETCH(double, grabOffset);
    QFETCH(double, turn);
    QFETCH(double, expected);
    QSignalSpy mouse(gauge, &AGauge::GaugeMouse);
    QSignalSpy change(gauge, &AGauge::GaugeChange);
    const double start = needleAngle(*gauge, slot);
    const QPointF grab = pointOn(*gauge, slot, start + grabOffset);

    // The grab itself moves nothing, however far from the needle it is.
    sendMouse(*gauge, QEvent::MouseButtonPress, grab, Qt::LeftButton, Qt::LeftButton);
    sendMouse(*gauge, QEvent::MouseMove, grab, Qt::NoButton, Qt::LeftButton);
    QCOMPARE(needleAngle(*gauge, slot), start);
    QCOMPARE(mouse.count(), 1);
    QCOMPARE(mouse.at(0).at(0).toInt(), 1);
    QCOMPARE(mouse.at(0).at(2).toFloat(), float(grab.x()));
    QCOMPARE(mouse.at(0).at(3).toFloat(), float(grab.y()));
    sendMouse(*gauge, QEvent::MouseButtonRelease, grab, Qt::LeftButton, Qt::NoButton);
    mouse.clear();
    change.clear();

    const int moves = dragLeft(*gauge, slot, start + grabOffset, turn);
    QVERIFY2(std::abs(needleOf(*gauge, slot) - expected) < 1e-9,
             qPrintable(QString::number(needleOf(*gauge, slot), 'g', 17)));
    QCOMPARE(change.count(), moves);
    QCOMPARE(mouse.count(), 2); // the press, and the release that ends the drag
    QCOMPARE(mouse.at(1).at(0).toInt(), 1);
    AGauge reference;
    for (int other = 0; other < AGauge::SlotCount; ++other)
        if (other != slot)
            QCOMPARE(needleOf(*gauge, other), needleOf(reference, other));
}

void TestAGauge::dragStopsAtTheEnds()
{
    dragLeft(*gauge, 0, needleAngle(*gauge, 0), 200); // 55 -> far past 100, round the bottom
    QCOMPARE(needleOf(*gauge, 0), 100.0);
    dragLeft(*gauge, 0, 90, -330); // a good way past 0
    QCOMPARE(needleOf(*gauge, 0), 0.0);
}

void TestAGauge::dragOnReversedScale()
{
    gauge->setScaleIndex(1);
    gauge->setScaleEnd(AGauge::ScaleEnd::Min, 200);
    gauge->setScaleEnd(AGauge::ScaleEnd::Max, 0); // numbers fall clockwise
    gauge->setNeedleIndex(1);
    gauge->setNeedleValue(150);
    dragLeft(*gauge, 1, 0, 45); // clockwise: towards ScaleMax
    QVERIFY(std::abs(needleOf(*gauge, 1) - (150 - 200.0 / 6)) < 1e-9);
}

void TestAGauge::needleBeyondScaleKeepsValueUntilMoved()
{
    gauge->setNeedleIndex(2);
    gauge->setNeedleValue(12.5); // on 0..10: rests at the end stop
    dragLeft(*gauge, 2, 0, 20);  // pushing further against the stop changes nothing
    QCOMPARE(needleOf(*gauge, 2), 12.5);
    dragLeft(*gauge, 2, 0, -27); // back off the stop
    QVERIFY(std::abs(needleOf(*gauge, 2) - 9.0) < 1e-9);
}

void TestAGauge::flowNeedleDoesNotDrag()
{
    QSignalSpy mouse(gauge, &AGauge::GaugeMouse);
    QSignalSpy change(gauge, &AGauge::GaugeChange);
    dragLeft(*gauge, 3, needleAngle(*gauge, 3), 60);
    QCOMPARE(needleOf(*gauge, 3), 2.9);
    QCOMPARE(change.count(), 0);
    QCOMPARE(mouse.count(), 1); // the press only: no drag to end
    QCOMPARE(mouse.at(0).at(0).toInt(), 1);
}

void TestAGauge::pressOutsideDialsDragsNothing()
{
    QSignalSpy mouse(gauge, &AGauge::GaugeMouse);
    QSignalSpy change(gauge, &AGauge::GaugeChange);
    const QPointF corner(1, 1); // outside the top-left dial
    sendMouse(*gauge, QEvent::MouseButtonPress, corner, Qt::LeftButton, Qt::LeftButton);
    sendMouse(*gauge, QEvent::MouseMove, pointOn(*gauge, 1, 90), Qt::NoButton, Qt::LeftButton);
    sendMouse(*gauge, QEvent::MouseButtonRelease, corner, Qt::LeftButton, Qt::NoButton);
    QCOMPARE(needleOf(*gauge, 1), 100.0);
    QCOMPARE(change.count(), 0);
    QCOMPARE(mouse.count(), 1);
}

void TestAGauge::rightPressRaisesButton2AndMovesNothing()
{
    QSignalSpy mouse(gauge, &AGauge::GaugeMouse);
    QSignalSpy change(gauge, &AGauge::GaugeChange);
    for (int slot = 0; slot < AGauge::SlotCount; ++slot) {
        const double before = needleOf(*gauge, slot);
        const QPoint at = pointOn(*gauge, slot, needleAngle(*gauge, slot)).toPoint();
        QTest::mousePress(gauge, Qt::RightButton, Qt::NoModifier, at);
        QTest::mouseMove(gauge, pointOn(*gauge, slot, 120).toPoint());
        QTest::mouseRelease(gauge, Qt::RightButton, Qt::NoModifier,
                            pointOn(*gauge, slot, 120).toPoint());
        QCOMPARE(needleOf(*gauge, slot), before);
        QCOMPARE(mouse.count(), slot + 1);
        const auto args = mouse.last();
        QCOMPARE(args.at(0).toInt(), 2);
        QCOMPARE(args.at(2).toFloat(), float(at.x()));
        QCOMPARE(args.at(3).toFloat(), float(at.y()));
    }
    QCOMPARE(change.count(), 0);
}

void TestAGauge::middlePressRaisesButton4()
{
    QSignalSpy mouse(gauge, &AGauge::GaugeMouse);
    QTest::mouseClick(gauge, Qt::MiddleButton, Qt::ShiftModifier, QPoint(320, 240));
    QCOMPARE(mouse.count(), 1);
    QCOMPARE(mouse.at(0).at(0).toInt(), 4);
    QCOMPARE(mouse.at(0).at(1).toInt(), 1); // Shift
    QCOMPARE(mouse.at(0).at(2).toFloat(), 320.0f);
    QCOMPARE(mouse.at(0).at(3).toFloat(), 240.0f);
}

void TestAGauge::tabReachesTheControl()
{
    QWidget window;
    auto *field = new QLineEdit(&window);
    auto *dials = new AGauge(&window);
    dials->setGeometry(0, 30, 400, 300);
    window.show();
    window.activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(&window));
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    QVERIFY(dials->hasFocus());
    QTest::keyClick(dials, Qt::Key_Tab); // and Tab leaves it again
    QVERIFY(field->hasFocus());
}

void TestAGauge::keysMoveTheFocusBetweenDials()
{
    QSignalSpy mouse(gauge, &AGauge::GaugeMouse);
    QSignalSpy change(gauge, &AGauge::GaugeChange);
    QCOMPARE(gauge->focusedDial(), 1); // top left first
    // Right goes in reading order and comes round again; Left goes back.
    QList<int> seen;
    for (int i = 0; i < 4; ++i) {
        QTest::keyClick(gauge, Qt::Key_Right);
        seen << gauge->focusedDial();
    }
    QCOMPARE(seen, (QList<int>{2, 0, 3, 1}));
    QTest::keyClick(gauge, Qt::Key_Left);
    QCOMPARE(gauge->focusedDial(), 3);
    QTest::keyClick(gauge, Qt::Key_Right, Qt::ControlModifier); // not a plain arrow: ignored
    QCOMPARE(gauge->focusedDial(), 3);
    // A press on a dial, any button, makes it the one the keys act on.
    QTest::mouseClick(gauge, Qt::RightButton, {}, pointOn(*gauge, 0, 0).toPoint());
    QCOMPARE(gauge->focusedDial(), 0);
    QVERIFY(!gauge->setFocusedDial(4));
    QCOMPARE(gauge->focusedDial(), 0);
    QCOMPARE(change.count(), 0);
    QCOMPARE(mouse.count(), 1); // the press
}

void TestAGauge::keysStepTheFocusedNeedle_data()
{
    QTest::addColumn<int>("slot");
    QTest::addColumn<double>("start");
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<double>("expected");

    // Defaults: Temp 0..100, US 0..200, Diff 0..10; the flow dial is an output.
    QTest::newRow("Diff up") << 2 << 4.9 << int(Qt::Key_Up) << 0 << 5.0;
    QTest::newRow("Diff page down") << 2 << 4.9 << int(Qt::Key_PageDown) << 0 << 4.0;
    QTest::newRow("Temp down") << 0 << 55.0 << int(Qt::Key_Down) << 0 << 54.0;
    QTest::newRow("US page up") << 1 << 100.0 << int(Qt::Key_PageUp) << 0 << 120.0;
    QTest::newRow("keypad up") << 2 << 4.9 << int(Qt::Key_Up) << int(Qt::KeypadModifier) << 5.0;
    QTest::newRow("at full scale") << 2 << 10.0 << int(Qt::Key_Up) << 0 << 10.0;
    QTest::newRow("beyond the scale, back in") << 2 << 12.5 << int(Qt::Key_Down) << 0 << 10.0;
    QTest::newRow("with Ctrl") << 2 << 4.9 << int(Qt::Key_Up) << int(Qt::ControlModifier) << 4.9;
    QTest::newRow("the flow dial does not move") << 3 << 2.9 << int(Qt::Key_Up) << 0 << 2.9;
}

void TestAGauge::keysStepTheFocusedNeedle()
{
    QFETCH(int, slot);
    QFETCH(double, start);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(double, expected);
    gauge->setNeedleIndex(slot);
    gauge->setNeedleValue(start);
    QVERIFY(gauge->setFocusedDial(slot));
    QSignalSpy mouse(gauge, &AGauge::GaugeMouse);
    QSignalSpy change(gauge, &AGauge::GaugeChange);
    QTest::keyClick(gauge, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(needleOf(*gauge, slot), expected);
    // A step that moves the needle is reported as a drag's move is, so the flow follows.
    QCOMPARE(change.count(), expected != start ? 1 : 0);
    QCOMPARE(mouse.count(), 0);
    AGauge reference;
    for (int other = 0; other < AGauge::SlotCount; ++other)
        if (other != slot)
            QCOMPARE(needleOf(*gauge, other), needleOf(reference, other));
}

void TestAGauge::focusRingMarksTheFocusedDial()
{
    gauge->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(gauge));
    const auto picture = [&] {
        return gauge->grab().toImage().convertToFormat(QImage::Format_RGB32);
    };
    gauge->clearFocus();
    const QImage unfocused = picture();
    // Where the picture with focus differs from the one without: in one quarter only.
    const auto changedQuarters = [&] {
        const QImage focused = picture();
        const qreal dpr = focused.devicePixelRatio();
        QList<int> quarters;
        for (int y = 0; y < focused.height(); ++y)
            for (int x = 0; x < focused.width(); ++x)
                if (focused.pixel(x, y) != unfocused.pixel(x, y)) {
                    const int q = (x / dpr >= gauge->width() / 2 ? 1 : 0) +
                                  (y / dpr >= gauge->height() / 2 ? 2 : 0);
                    if (!quarters.contains(q))
                        quarters << q;
                }
        return quarters;
    };
    gauge->setFocus();
    QVERIFY(gauge->hasFocus());
    QCOMPARE(changedQuarters(), QList<int>{0}); // top left: US
    QTest::keyClick(gauge, Qt::Key_Right);
    QCOMPARE(changedQuarters(), QList<int>{1}); // top right: Diff
    gauge->clearFocus();
    QCOMPARE(changedQuarters(), QList<int>{});
}

void TestAGauge::needleMoveKeepsArtwork()
{
    gauge->setFocusedDial(2); // a press on another dial moves the focus ring, part of the artwork
    gauge->grab();
    const int built = gauge->artworkPaintCount();
    gauge->setNeedleIndex(1);
    gauge->setNeedleValue(150);
    dragLeft(*gauge, 2, 0, 30);
    gauge->grab();
    QCOMPARE(gauge->artworkPaintCount(), built); // needles and readouts only
    gauge->setScaleIndex(2);
    gauge->setScaleEnd(AGauge::ScaleEnd::Max, 20);
    gauge->grab();
    QCOMPARE(gauge->artworkPaintCount(), built + 1); // the one dial whose scale changed
    gauge->setCaptionIndex(0);
    gauge->setCaption("DegC");
    gauge->grab();
    QCOMPARE(gauge->artworkPaintCount(), built + 2);
    gauge->setFontIndex(0);
    gauge->setFontSize(11);
    gauge->grab();
    QCOMPARE(gauge->artworkPaintCount(), built + 6); // a font is on every dial
    gauge->resize(700, 500);
    gauge->grab();
    QCOMPARE(gauge->artworkPaintCount(), built + 10);
}

void TestAGauge::cacheDoesNotChangeThePicture()
{
    gauge->setNeedleIndex(1);
    gauge->setNeedleValue(37.3);
    gauge->setNeedleIndex(3);
    gauge->setNeedleValue(-1); // pegged
    const QImage cached = gauge->grab().toImage().convertToFormat(QImage::Format_RGB32);
    gauge->setArtworkCacheEnabled(false);
    const QImage direct = gauge->grab().toImage().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(cached.size(), direct.size());
    int differing = 0;
    for (int y = 0; y < cached.height(); ++y)
        for (int x = 0; x < cached.width(); ++x) {
            const QRgb a = cached.pixel(x, y), b = direct.pixel(x, y);
            // Blending a needle drawn apart rounds a little differently from drawing it in place.
            if (std::abs(qRed(a) - qRed(b)) > 3 || std::abs(qGreen(a) - qGreen(b)) > 3 ||
                std::abs(qBlue(a) - qBlue(b)) > 3)
                ++differing;
        }
    QCOMPARE(differing, 0);
}

void TestAGauge::partialRepaintsLeaveNoTrace()
{
    // Needle moves repaint only their region; what is on the screen afterwards must be what a
    // full paint gives.
    QScreen *screen = gauge->screen();
    QCoreApplication::processEvents();
    dragLeft(*gauge, 0, 0, 70);
    for (double v : {0.0, 9.0, 12.0, 3.3}) {
        gauge->setNeedleIndex(2);
        gauge->setNeedleValue(v);
        QCoreApplication::processEvents();
    }
    gauge->setValueDecimals(0);
    QCoreApplication::processEvents();
    const QImage onScreen =
        screen->grabWindow(gauge->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage painted = gauge->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (onScreen.size() != painted.size())
        QSKIP("This platform grabs windows at another pixel ratio than the widget paints");
    QCOMPARE(onScreen, painted);
}

void TestAGauge::overlappedControlPaintsWhole()
{
    // A sibling over the control's edge leaves it a visible region of several rectangles; what
    // shows of the control must be what it paints when nothing covers it.
    QWidget window;
    window.resize(400, 300);
    auto *covered = new AGauge(&window);
    covered->setGeometry(0, 0, 330, 300);
    covered->setNeedleIndex(2);
    covered->setNeedleValue(9.5); // the needle runs under the sibling's corner
    auto *sibling = new QWidget(&window);
    sibling->setGeometry(326, 0, 74, 140);
    sibling->setAutoFillBackground(true);
    window.show();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    covered->repaint();
    const QImage onScreen =
        window.screen()->grabWindow(window.winId()).toImage().convertToFormat(QImage::Format_RGB32);
    const QImage alone = covered->grab().toImage().convertToFormat(QImage::Format_RGB32);
    if (onScreen.devicePixelRatio() != 1 || alone.devicePixelRatio() != 1)
        QSKIP("Compared pixel for pixel at a pixel ratio of 1 only");
    int differing = 0;
    for (int y = 0; y < covered->height(); ++y)
        for (int x = 0; x < covered->width(); ++x)
            if (!sibling->geometry().contains(x, y) && onScreen.pixel(x, y) != alone.pixel(x, y))
                ++differing;
    QCOMPARE(differing, 0);
}

void TestAGauge::needleBeyondScaleDrawsAtEndStop()
{
    // Any value beyond the scale draws the same needle, pegged at the stop: only the readout
    // tells them apart. Full scale itself draws differently.
    const QRectF dial = gauge->dialRect(0);
    const QRect readout =
        QRectF(dial.center().x() - dial.width() * 0.2, dial.center().y() + dial.height() * 0.2,
               dial.width() * 0.4, dial.height() * 0.16)
            .toAlignedRect();
    auto picture = [&](double needle) {
        gauge->setNeedleIndex(0);
        gauge->setNeedleValue(needle);
        QImage image = gauge->grab().toImage();
        const qreal dpr = image.devicePixelRatio();
        QImage before = image.copy();
        for (int y = int(readout.top() * dpr); y <= int(readout.bottom() * dpr); ++y)
            for (int x = int(readout.left() * dpr); x <= int(readout.right() * dpr); ++x)
                image.setPixel(x, y, 0);
        return std::pair(image, before);
    };
    const auto [atEnd, atEndWhole] = picture(100);
    const auto [beyond, beyondWhole] = picture(180);
    const auto [farBeyond, farBeyondWhole] = picture(1e300);
    QVERIFY(atEnd != beyond);
    QCOMPARE(beyond, farBeyond);
    QVERIFY(beyondWhole != farBeyondWhole); // the readouts differ
}

void TestAGauge::drawsAnyScaleAndSize_data()
{
    QTest::addColumn<QSize>("size");
    QTest::addColumn<double>("min");
    QTest::addColumn<double>("max");

    QTest::newRow("small window") << QSize(329, 340) << 0.0 << 100.0;
    QTest::newRow("tiny") << QSize(20, 10) << 0.0 << 100.0;
    QTest::newRow("empty") << QSize(0, 0) << 0.0 << 100.0;
    QTest::newRow("equal ends") << QSize(400, 300) << 7.0 << 7.0;
    QTest::newRow("reversed") << QSize(400, 300) << 35.0 << -15.0;
    QTest::newRow("huge span") << QSize(400, 300) << -1e308 << 1e308;
    QTest::newRow("tiny span at large value") << QSize(400, 300) << 1e9 << 1e9 + 1e-6;
    QTest::newRow("large numbers") << QSize(400, 300) << 0.0 << 2.5e7;
}

void TestAGauge::drawsAnyScaleAndSize()
{
    QFETCH(QSize, size);
    QFETCH(double, min);
    QFETCH(double, max);
    for (int slot = 0; slot < AGauge::SlotCount; ++slot) {
        gauge->setScaleIndex(slot);
        QVERIFY(gauge->setScaleEnd(AGauge::ScaleEnd::Min, min));
        QVERIFY(gauge->setScaleEnd(AGauge::ScaleEnd::Max, max));
    }
    gauge->resize(size);
    const QPixmap picture = gauge->grab();
    QCOMPARE(picture.deviceIndependentSize().toSize(), size);
}

QTEST_MAIN(TestAGauge)
#include "tst_agauge.moc"
