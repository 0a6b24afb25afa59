#include "WindowFixture.h"

#include <QApplication>
#include <QGroupBox>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

#include <cmath>

// Reference values below were computed independently from the published formulas.
class WindowTest : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

private slots:
    void init()
    {
        fx.window.reset();
        fx.clearStore();
        fx.dialogs = FakeDialogs();
    }

    void firstStartShowsDefaultsAndAgreeingFlowNeedle()
    {
        frmBrisko &w = fx.start();
        QCOMPARE(w.windowTitle(), QString("Pelorim"));
        QCOMPARE(fx.child<QComboBox>("ComboMeter")->currentText(), QString("2.067"));
        QCOMPARE(fx.child<QComboBox>("ComboPlate")->currentText(), QString("0.5000"));
        QCOMPARE(fx.child<QComboBox>("ComboPlate")->count(), 46);
        QCOMPARE(fx.child<QComboBox>("ComboMeter")->count(), 6);
        QCOMPARE(fx.text("txtSpGr"), QString("0.615"));
        QCOMPARE(fx.text("txtTb"), QString("60"));
        QCOMPARE(fx.text("txtPb"), QString("14.73"));
        QCOMPARE(fx.text("txtLat"), QString("42"));
        QCOMPARE(fx.text("txtElev"), QString("300"));
        const struct
        {
            const char *caption;
            double min, max, needle;
        } gauges[] = {
            {"DegF", 0, 100, 55}, {"PsiG", 0, 200, 100}, {"PsiD", 0, 10, 4.9}, {"MMcF/D", 0, 5, 0}};
        for (int slot = 0; slot < 4; ++slot) {
            QCOMPARE(fx.caption(slot), QString(gauges[slot].caption));
            QCOMPARE(fx.scale(slot), std::make_pair(gauges[slot].min, gauges[slot].max));
            if (slot < 3)
                QCOMPARE(fx.needle(slot), gauges[slot].needle);
        }
        for (const char *name : {"Sweet", "Sour", "Other"})
            QVERIFY(!fx.child<QRadioButton>(name)->isChecked());
        // Not the stored 2.9: the flow the restored inputs give.
        QVERIFY(std::abs(fx.needle(3) - 0.193904523466119) < 1e-12);
        QCOMPARE(fx.text("txtBase"), QString("64.39657"));
        QCOMPARE(fx.text("txtFb"), QString("50.52131"));
        QCOMPARE(fx.text("txtFTb"), QString("1.00000"));
        QCOMPARE(fx.decimals(3), 4);
        QVERIFY(fx.dialogs.messages.isEmpty());
    }

    void pickingAndTypingRecompute()
    {
        fx.start();
        fx.pick("ComboMeter", "3.068");
        QCOMPARE(fx.text("txtBase"), QString("64.10508"));
        QVERIFY(std::abs(fx.needle(3) - 0.1930268062279528) < 1e-12);

        // Typing into a combo box runs nothing until another trigger.
        fx.pick("ComboMeter", "2.067");
        fx.child<QComboBox>("ComboPlate")->setEditText("0.75");
        QCOMPARE(fx.text("txtBase"), QString("64.39657"));
        fx.child("txtElev")->setText("300.0");
        QCOMPARE(fx.text("txtBase"), QString("146.73573"));
        QVERIFY(std::abs(fx.needle(3) - 0.44183593749698985) < 1e-12);
    }

    void gravityCheckWhileTyping()
    {
        fx.start();
        QLineEdit *gravity = fx.child("txtSpGr");
        const QString before = fx.text("txtFg");
        QCOMPARE(before, QString("1.27515"));
        for (const char *partial : {"", "0", "0.", "-1", "abc"}) {
            gravity->setText(partial);
            QCOMPARE(fx.text("txtFg"), before);
        }
        gravity->setText("0.6");
        QCOMPARE(fx.text("txtFg"), QString("1.29099"));
    }

    void presets()
    {
        fx.start();
        auto *sour = fx.child<QRadioButton>("Sour");
        QTest::mouseClick(sour, Qt::LeftButton);
        QVERIFY(sour->isChecked());
        QCOMPARE(fx.text("txtSpGr"), QString("0.643"));
        QCOMPARE(fx.text("txtFg"), QString("1.24708"));
        QVERIFY(std::abs(fx.needle(3) - 0.18975517019276633) < 1e-12);

        // Typing a gravity leaves the preset selected.
        fx.child("txtSpGr")->setText("0.6");
        QVERIFY(sour->isChecked());
        QCOMPARE(fx.text("txtFg"), QString("1.29099"));

        // Other keeps the text and recalculates.
        fx.child("txtTb")->blockSignals(true);
        fx.child("txtTb")->setText("100");
        fx.child("txtTb")->blockSignals(false);
        QTest::mouseClick(fx.child<QRadioButton>("Other"), Qt::LeftButton);
        QCOMPARE(fx.text("txtSpGr"), QString("0.6"));
        QCOMPARE(fx.text("txtFTb"), QString("1.07692"));

        QTest::mouseClick(fx.child<QRadioButton>("Sweet"), Qt::LeftButton);
        QCOMPARE(fx.text("txtSpGr"), QString("0.615"));
        QVERIFY(!sour->isChecked());
    }

    void boreLargerThanMeterShowsTheMessageOnceAndComputes()
    {
        fx.start();
        fx.pick("ComboPlate", "3.0000");
        QCOMPARE(fx.dialogs.messages.size(), 1);
        QCOMPARE(fx.dialogs.messages[0].text, QString("Error, Plate > Meter!"));
        QCOMPARE(fx.dialogs.messages[0].title, QString("Error"));
        QVERIFY(fx.text("txtBase") != QString("64.39657"));
        QVERIFY(fx.needle(3) > 0);
    }

    void nonNumberInAFieldKeepsThePreviousValue()
    {
        fx.start();
        fx.child("txtTb")->setText("100");
        QCOMPARE(fx.text("txtFTb"), QString("1.07692"));
        QCOMPARE(fx.text("txtBase"), QString("69.35016"));
        for (const char *bad : {"abc", "", "inf", "nan"}) {
            fx.child("txtTb")->setText(bad);
            QCOMPARE(fx.window->panel().inputs().Tb, 100.0);
            QCOMPARE(fx.text("txtFTb"), QString("1.07692"));
        }
    }

    void unitCaptionsConvertTheReadings_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<double>("needle");
        QTest::addColumn<double>("engineValue");
        QTest::newRow("DegC") << 0 << "DegC" << 12.5 << 54.5;
        QTest::newRow("degc is not DegC") << 0 << "degc" << 12.5 << 12.5;
        QTest::newRow("DegF") << 0 << "DegF" << 55.0 << 55.0;
        QTest::newRow("Kpa") << 1 << "Kpa" << 689.4757 << 100.0;
        QTest::newRow("KPA is not Kpa") << 1 << "KPA" << 689.4757 << 689.4757;
        QTest::newRow("inWC") << 2 << "inWC" << 27.67991 * 4.9 << 4.9;
        QTest::newRow("PsiD") << 2 << "PsiD" << 4.9 << 4.9;
    }
    void unitCaptionsConvertTheReadings()
    {
        QFETCH(int, slot);
        QFETCH(QString, caption);
        QFETCH(double, needle);
        QFETCH(double, engineValue);
        frmBrisko &w = fx.start();
        fx.setCaption(slot, caption);
        fx.setNeedle(slot, needle);
        w.UpdateFlowNeedle();
        const FlowInputs &in = w.panel().inputs();
        const double actual = slot == 0 ? in.Temp : slot == 1 ? in.Pressure : in.Difference;
        QVERIFY2(std::abs(actual - engineValue) < 1e-12 * std::abs(engineValue),
                 qPrintable(QString::number(actual, 'g', 17)));
        if (slot == 2)
            QCOMPARE(fx.decimals(2), caption == "inWC" ? 1 : 2);
    }

    void flowGaugeInThousandCubicMetres()
    {
        frmBrisko &w = fx.start();
        fx.setCaption(3, "1Km3/D");
        w.UpdateFlowNeedle();
        QVERIFY(std::abs(fx.needle(3) - 0.193904523466119 * 28.3) < 1e-12);
        QCOMPARE(fx.decimals(3), 2);
        fx.setCaption(3, "garbled");
        w.UpdateFlowNeedle();
        QVERIFY(std::abs(fx.needle(3) - 0.193904523466119) < 1e-12);
        QCOMPARE(fx.decimals(3), 4);
    }

    void settingsRoundTripThroughClose()
    {
        frmBrisko &w = fx.start();
        fx.child("txtTb")->setText("abc");
        fx.child("txtPb")->setText("14.696");
        fx.child<QComboBox>("ComboPlate")->setEditText("0.8125");
        QTest::mouseClick(fx.child<QRadioButton>("Sour"), Qt::LeftButton);
        fx.setCaption(2, "inWC");
        fx.gauge()->setScaleIndex(2);
        fx.gauge()->setScaleEnd(AGauge::ScaleEnd::Min, -5);
        fx.gauge()->setScaleEnd(AGauge::ScaleEnd::Max, 277);
        fx.setNeedle(2, 135.63);
        w.move(50, 60); // wholly on the 800 x 800 offscreen screen
        w.resize(640, 480);
        const QRect bounds = w.frameGeometry();
        QTest::mouseClick(fx.child<QPushButton>("cmdClose"), Qt::LeftButton);
        QVERIFY(!w.isVisible());

        QCOMPARE(fx.stored("Tb").toString(), QString("abc"));
        QCOMPARE(fx.stored("Plate").toString(), QString("0.8125"));
        QCOMPARE(fx.stored("DifCaption").toString(), QString("inWC"));
        QCOMPARE(fx.stored("DifMin").toString(), QString("-5"));
        QCOMPARE(fx.stored("DifNeedle").toString(), QString("135.63"));
        QCOMPARE(fx.stored("TempNeedle").toString(), QString("55"));
        QCOMPARE(fx.stored("Sour").toString(), QString("True"));
        QCOMPARE(fx.stored("Sweet").toString(), QString("False"));
        const double tpp = w.twipsPerPixel();
        QCOMPARE(fx.stored("MainWidth").toString(), QString::number(bounds.width() * tpp));

        frmBrisko &again = fx.start();
        QCOMPARE(fx.text("txtTb"), QString("abc"));
        QCOMPARE(fx.text("txtPb"), QString("14.696"));
        QCOMPARE(fx.child<QComboBox>("ComboPlate")->currentText(), QString("0.8125"));
        QVERIFY(fx.child<QRadioButton>("Sour")->isChecked());
        QCOMPARE(fx.text("txtSpGr"), QString("0.643"));
        QCOMPARE(fx.caption(2), QString("inWC"));
        QCOMPARE(fx.scale(2), std::make_pair(-5.0, 277.0));
        QCOMPARE(fx.needle(2), 135.63);
        QTRY_COMPARE(again.frameGeometry(), bounds);
    }

    void closeBoxSavesNothing()
    {
        frmBrisko &w = fx.start();
        fx.child("txtTb")->setText("70");
        w.close();
        QVERIFY(!fx.stored("Tb").isValid());
        QCOMPARE(fx.start().findChild<QLineEdit *>("txtTb")->text(), QString("60"));
    }

    void malformedAndEmptyStoredValuesSkipOnlyTheirRow()
    {
        fx.writeStore({{"MainWidth", "abc"},
                       {"MainHeight", "7500"},
                       {"TempMin", "abc"},
                       {"TempMax", "120"},
                       {"TempNeedle", "70"},
                       {"Meter", ""},
                       {"FlowMax", ""},
                       {"Sour", "1"},
                       {"Other", "yes"}});
        frmBrisko &w = fx.start();
        QTRY_COMPARE(w.frameGeometry().height(), qRound(7500 / w.twipsPerPixel()));
        QCOMPARE(fx.scale(0), std::make_pair(0.0, 120.0));
        QCOMPARE(fx.needle(0), 70.0);
        QCOMPARE(fx.child<QComboBox>("ComboMeter")->currentText(), QString());
        QCOMPARE(fx.scale(3).second, 5.0);
        QVERIFY(fx.child<QRadioButton>("Sour")->isChecked());
        QVERIFY(!fx.child<QRadioButton>("Other")->isChecked());
        QCOMPARE(fx.text("txtSpGr"), QString("0.643"));
    }

    void sweetAndSourBothStoredEndsWithSour()
    {
        fx.writeStore({{"Sweet", "True"}, {"Sour", "TRUE"}, {"SpGr", "0.7"}});
        fx.start();
        QVERIFY(fx.child<QRadioButton>("Sour")->isChecked());
        QVERIFY(!fx.child<QRadioButton>("Sweet")->isChecked());
        QCOMPARE(fx.text("txtSpGr"), QString("0.643"));
        QVERIFY(std::abs(fx.needle(3) - 0.18975517019276633) < 1e-12);
    }

    void storedNumbersSurviveALocaleChange()
    {
        // Written under a comma locale by an earlier version, read under another locale.
        fx.writeStore({{"DifNeedle", "4,9"}, {"USNeedle", "120.5"}});
        QLocale::setDefault(QLocale(QLocale::German, QLocale::Germany));
        fx.start();
        QCOMPARE(fx.needle(2), 4.9);
        QCOMPARE(fx.needle(1), 120.5);
        QTest::mouseClick(fx.child<QPushButton>("cmdClose"), Qt::LeftButton);
        QCOMPARE(fx.stored("DifNeedle").toString(), QString("4.9"));
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
        fx.start();
        QCOMPARE(fx.needle(2), 4.9);
    }

    void redoFormLaysOutTheColumnAndScalesTheFonts_data()
    {
        QTest::addColumn<QSize>("client");
        QTest::addColumn<double>("font1");
        QTest::addColumn<double>("font0");
        QTest::newRow("600 x 400")
            << QSize(600, 400) << 600 * 400 / 25000.0 + 5 << 600 * 400 / 40000.0;
        QTest::newRow("1000 x 900 caps font 1") << QSize(1000, 900) << 40.0 << 22.5;
        QTest::newRow("875 x 1000 exactly 40") << QSize(875, 1000) << 40.0 << 21.875;
    }
    void redoFormLaysOutTheColumnAndScalesTheFonts()
    {
        QFETCH(QSize, client);
        QFETCH(double, font1);
        QFETCH(double, font0);
        frmBrisko &w = fx.start();
        w.resize(client);
        const int width = client.width();
        QCOMPARE(fx.child<QWidget>("pctGauge")->geometry(), QRect(QPoint(0, 0), client));
        QCOMPARE(fx.child<QGroupBox>("fInput")->geometry(), QRect(width - 158, 0, 156, 125));
        QCOMPARE(fx.child<QGroupBox>("fIntermediate")->geometry(),
                 QRect(width - 158, 125, 105, 58));
        QCOMPARE(fx.child<QGroupBox>("fOutput")->geometry(), QRect(width - 158, 183, 156, 127));
        QCOMPARE(fx.child<QPushButton>("cmdAbout")->geometry(),
                 QRect(width - 158, client.height() - 24, 76, 20));
        QCOMPARE(fx.child<QPushButton>("cmdClose")->geometry(),
                 QRect(width - 80, client.height() - 24, 76, 20));
        QCOMPARE(static_cast<QWidget *>(fx.gauge())->geometry(),
                 QRect(0, 0, width - 156, client.height()));
        fx.gauge()->setFontIndex(1);
        QCOMPARE(fx.gauge()->fontSize(), font1);
        fx.gauge()->setFontIndex(0);
        QCOMPARE(fx.gauge()->fontSize(), font0);
    }

    void minimisedWindowIsNotLaidOut()
    {
        frmBrisko &w = fx.start();
        const QRect before = fx.child<QGroupBox>("fInput")->geometry();
        w.showMinimized();
        w.resize(w.width() + 100, w.height());
        if (w.isMinimized())
            QCOMPARE(fx.child<QGroupBox>("fInput")->geometry(), before);
        w.showNormal();
        w.resize(w.width() + 50, w.height());
        QCOMPARE(fx.child<QGroupBox>("fInput")->x(), w.width() - 158);
    }

    void windowCannotBeMadeSmallerThanTheMinimum()
    {
        frmBrisko &w = fx.start();
        w.resize(100, 100);
        QCOMPARE(w.frameGeometry().width(), frmBrisko::MinimumOuterWidth);
        QCOMPARE(w.frameGeometry().height(), frmBrisko::MinimumOuterHeight);
    }

    void aboutIsModalAndCreatedAfreshEachTime()
    {
        frmBrisko &w = fx.start();
        auto *about = fx.child<QPushButton>("cmdAbout");
        // A click as the window system delivers it, so that modality applies.
        const auto clickClose = [&] {
            auto *close = fx.child<QPushButton>("cmdClose");
            QTest::mouseClick(w.windowHandle(), Qt::LeftButton, {},
                              close->mapTo(&w, close->rect().center()));
        };
        bool blocked = false;
        fx.dialogs.onModal = [&](QDialog *dialog) {
            QCOMPARE(dialog->parentWidget(), &w);
            QCOMPARE(dialog->objectName(), QString("frmBriskoAbout"));
            // Shown for real: while it runs, the main window takes no input.
            QTimer::singleShot(0, dialog, [&, dialog] {
                blocked = QApplication::activeModalWidget() == dialog;
                clickClose();
                dialog->findChild<QPushButton *>("cmdAboutClose")->click();
            });
            dialog->exec();
        };
        QTest::mouseClick(about, Qt::LeftButton);
        QVERIFY(blocked);
        QVERIFY(w.isVisible());
        QVERIFY(!fx.stored("Tb").isValid());
        QCOMPARE(fx.dialogs.modals.size(), 1);
        QTRY_VERIFY(fx.dialogs.modals[0].isNull());

        QTest::mouseClick(about, Qt::LeftButton);
        QCOMPARE(fx.dialogs.modals.size(), 2);
        QTRY_VERIFY(fx.dialogs.modals[1].isNull());

        // The same click reaches the window when no dialog is open.
        clickClose();
        QVERIFY(!w.isVisible());
    }
};

QTEST_MAIN(WindowTest)
#include "test_window.moc"
