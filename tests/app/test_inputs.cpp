// How the window reads what the user types and shows what it writes: locales, list picks
// versus typing, failed conversions, kept factors, and long texts.
#include "NumberText.h"
#include "WindowFixture.h"

#include <QApplication>
#include <QLocale>

#include <cmath>
#include <limits>

namespace {
const char *const kFactorBoxes[] = {"txtBase", "txtFTb", "txtFTf", "txtFPb", "txtFb", "txtFg",
                                    "txtFa",   "txtFl",  "txtFr",  "txty",   "txtZ",  "txtAll"};

struct Snapshot
{
    std::vector<double> factors; // as the boxes show them
    double flow;
    FlowInputs inputs;
};
} // namespace

class InputsTest : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    Snapshot snapshot()
    {
        Snapshot s;
        for (const char *box : kFactorBoxes) {
            const auto value = NumberText::parse(fx.text(box));
            if (!value)
                qFatal("%s shows %s", box, qPrintable(fx.text(box)));
            s.factors.push_back(*value);
        }
        s.flow = fx.needle(3);
        s.inputs = fx.window->panel().inputs();
        return s;
    }

    // The first start, then a pick from each list.
    std::vector<Snapshot> firstStartAndPicks()
    {
        fx.window.reset();
        fx.clearStore();
        fx.start();
        std::vector<Snapshot> shots{snapshot()};
        fx.pick("ComboMeter", "8.071");
        shots.push_back(snapshot());
        fx.pick("ComboPlate", "2.5000");
        shots.push_back(snapshot());
        return shots;
    }

private slots:
    void init()
    {
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        fx.window.reset();
        fx.clearStore();
        fx.dialogs = FakeDialogs();
    }
    void cleanup() { QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates)); }

    void commaLocaleComputesAsThePointLocale()
    {
        QLocale::setDefault(QLocale::c());
        const auto point = firstStartAndPicks();
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        const auto comma = firstStartAndPicks();
        QCOMPARE(fx.text("txtSpGr"), QString("0.615")); // shown as it stands
        QCOMPARE(fx.child<QComboBox>("ComboMeter")->currentText(), QString("8.071"));
        for (size_t i = 0; i < point.size(); ++i) {
            QCOMPARE(comma[i].factors, point[i].factors);
            QCOMPARE(comma[i].flow, point[i].flow);
            QCOMPARE(comma[i].inputs.Meter, point[i].inputs.Meter);
            QCOMPARE(comma[i].inputs.Plate, point[i].inputs.Plate);
            QCOMPARE(comma[i].inputs.SpecGravity, 0.615);
            QCOMPARE(comma[i].inputs.Pb, 14.73);
        }
        QCOMPARE(point[1].inputs.Meter, 8.071);
        QVERIFY(point[0].flow > 0.19 && point[0].flow < 0.2);

        // Typed with the locale's own comma.
        fx.child("txtSpGr")->setText("0,7");
        QCOMPARE(fx.window->panel().inputs().SpecGravity, 0.7);
        QCOMPARE(fx.text("txtFg"), QString("1,19523"));
    }

    void typedTextMatchingAnEntryDoesNotRecalculate()
    {
        frmBrisko &w = fx.start();
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        fx.setNeedle(3, -123); // a mark: any recalculation moves it
        auto *plate = fx.child<QComboBox>("ComboPlate");
        plate->setFocus();
        plate->lineEdit()->selectAll();
        QTest::keyClicks(plate->lineEdit(), "5.0000");
        fx.child("txtSpGr")->setFocus(); // editing ends on a text that is an entry
        QCOMPARE(plate->currentText(), QString("5.0000"));
        QCOMPARE(fx.needle(3), -123.0);
        QVERIFY(fx.dialogs.messages.isEmpty());

        // Stepping through the list is a pick.
        plate->setFocus();
        QTest::keyClick(plate, Qt::Key_Up);
        QCOMPARE(plate->currentIndex(), plate->findText("5.0000") - 1);
        QVERIFY(fx.needle(3) > 0);
        QCOMPARE(fx.dialogs.messages.size(), 1); // a bore above the 2.067 meter
    }

    void overflowingUnitConversionKeepsThePreviousValue()
    {
        frmBrisko &w = fx.start();
        QCOMPARE(w.panel().inputs().Temp, 55.0);
        fx.setCaption(0, "DegC");
        fx.gauge()->setScaleIndex(0);
        QVERIFY(fx.gauge()->setScaleEnd(AGauge::ScaleEnd::Max, 1e308));
        fx.setNeedle(0, 1e308);
        QCOMPARE(fx.needle(0), 1e308);
        w.UpdateFlowNeedle();
        QCOMPARE(w.panel().inputs().Temp, 55.0);
        QVERIFY(std::abs(fx.needle(3) - 0.193904523466119) < 1e-12);
        QCOMPARE(fx.text("txtFTf"), QString("1.00484")); // sqrt(520 / 515)
    }

    void failedYAndZStepsShowTheKeptValues()
    {
        frmBrisko &w = fx.start();
        QCOMPARE(fx.text("txty"), QString("0.98645"));
        // Y and Z are read from their boxes before the calculation: what the user wrote there
        // is what a failing step keeps.
        fx.child("txty")->setText("0.95");
        fx.child("txtZ")->setText("1.05");
        fx.child<QComboBox>("ComboPlate")->setEditText("1e100"); // beta^4 overflows in Y
        fx.setNeedle(0, -500); // below absolute zero: z comes out negative
        fx.setNeedle(1, 1000);
        w.UpdateFlowNeedle();
        QCOMPARE(fx.text("txty"), QString("0.95000"));
        QCOMPARE(fx.text("txtZ"), QString("1.05000"));
        // A good calculation computes them again.
        fx.child<QComboBox>("ComboPlate")->setEditText("0.5000");
        fx.setNeedle(0, 55);
        fx.setNeedle(1, 100);
        w.UpdateFlowNeedle();
        QCOMPARE(fx.text("txty"), QString("0.98645"));
        QVERIFY(fx.text("txtZ") != QString("1.05000"));
    }

    void writtenTextsShowTheirStart()
    {
        frmBrisko &w = fx.start();
        // Bore 7 in the 2.067 meter at 1 psi: Y is negative, so C' is about -15258347.9.
        fx.child<QComboBox>("ComboPlate")->setEditText("7");
        fx.setNeedle(2, 1);
        w.UpdateFlowNeedle();
        QLineEdit *base = fx.child("txtBase");
        QVERIFY2(base->text().startsWith('-'), qPrintable(base->text()));
        QVERIFY(base->fontMetrics().horizontalAdvance(base->text()) > base->width());
        QCOMPARE(base->cursorPosition(), 0);

        // A box the user is typing in keeps its cursor.
        QApplication::setActiveWindow(&w);
        QVERIFY(QTest::qWaitForWindowActive(&w));
        QLineEdit *lat = fx.child("txtLat");
        lat->setFocus();
        lat->end(false);
        QTest::keyClicks(lat, ".5");
        QCOMPARE(lat->text(), QString("42.5"));
        QCOMPARE(lat->cursorPosition(), 4);
    }
};

QTEST_MAIN(InputsTest)
#include "test_inputs.moc"
