#include "WindowFixture.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QMenu>

#include <cmath>

class GaugePanelTest : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    GaugePanel &panel() { return fx.window->panel(); }
    // A value the engine did not write, to tell whether a recalculation ran.
    void markFlowNeedle() { fx.setNeedle(3, -123); }

private slots:
    void init()
    {
        fx.window.reset();
        fx.clearStore();
        fx.dialogs = FakeDialogs();
        fx.start();
    }

    void hitTest_data()
    {
        QTest::addColumn<float>("W");
        QTest::addColumn<float>("H");
        QTest::addColumn<float>("X");
        QTest::addColumn<float>("Y");
        QTest::addColumn<int>("slot");
        // 300 x 200: centre (150, 100), dead band 300 / 9 = 33.33 on both axes.
        QTest::newRow("bottom left") << 300.f << 200.f << 50.f << 180.f << 0;
        QTest::newRow("top left") << 300.f << 200.f << 50.f << 20.f << 1;
        QTest::newRow("top right") << 300.f << 200.f << 250.f << 20.f << 2;
        QTest::newRow("bottom right") << 300.f << 200.f << 250.f << 180.f << 3;
        QTest::newRow("top left, in the vertical band") << 300.f << 200.f << 140.f << 20.f << -1;
        QTest::newRow("left, in the horizontal band") << 300.f << 200.f << 50.f << 110.f << -1;
        QTest::newRow("centre") << 300.f << 200.f << 150.f << 100.f << -1;
        const float band = 300.f / 9;
        QTest::newRow("exactly on the left edge of the band")
            << 300.f << 200.f << 150.f - band << 20.f << -1;
        QTest::newRow("just left of the band")
            << 300.f << 200.f << std::nextafter(150.f - band, 0.f) << 20.f << 1;
        QTest::newRow("exactly on the lower edge of the band")
            << 300.f << 200.f << 250.f << 100.f + band << -1;
        QTest::newRow("just below the band")
            << 300.f << 200.f << 250.f << std::nextafter(100.f + band, 200.f) << 3;
        // Twice as wide as high: the horizontal band is as tall as the vertical one is wide.
        QTest::newRow("wide, inside the horizontal band") << 600.f << 300.f << 50.f << 216.f << -1;
        QTest::newRow("wide, below the horizontal band") << 600.f << 300.f << 50.f << 217.f << 0;
        QTest::newRow("wide, inside the vertical band") << 600.f << 300.f << 366.f << 20.f << -1;
        QTest::newRow("wide, right of the vertical band") << 600.f << 300.f << 367.f << 20.f << 2;
    }
    void hitTest()
    {
        QFETCH(float, W);
        QFETCH(float, H);
        QFETCH(float, X);
        QFETCH(float, Y);
        QFETCH(int, slot);
        QCOMPARE(GaugePanel::menuSlotAt(W, H, X, Y), slot);
    }

    void menusHaveTheirItems_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("menu");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<QStringList>("items");
        QTest::addColumn<QStringList>("captions");
        QTest::newRow("Temp") << 0 << "mnuChangeTempUnit"
                              << "Change Temperature Unit"
                              << QStringList{"mnuDegF", "mnuDegC", "mnuScaleTempMin",
                                             "mnuScaleTempMax", "mnuTempNeedleValue"}
                              << QStringList{"DegF", "DegC", "Scale Min", "Scale Max",
                                             "Needle Value"};
        QTest::newRow("US") << 1 << "mnuChangePressureUnit"
                            << "Change Pressure Unit"
                            << QStringList{"mnuPsiG", "mnuKpaG", "mnuScaleUSMin", "mnuScaleUSMax",
                                           "mnuUSNeedleValue"}
                            << QStringList{"PsiG", "Kpa", "Scale Min", "Scale Max", "NeedleValue"};
        QTest::newRow("Diff") << 2 << "mnuChangeDiffUnit"
                              << "Change Difference Unit"
                              << QStringList{"mnuPsiD", "mnuinWC", "mnuScaleDiffMin",
                                             "mnuScaleDiffMax", "mnuDiffNeedleValue"}
                              << QStringList{"PsiD", "inWC", "Scale Min", "Scale Max",
                                             "Needle Value"};
        QTest::newRow("Flow")
            << 3 << "mnuChangeFlowUnit"
            << "Change Flow Unit"
            << QStringList{"mnuMMcf",         "mnu1000m3", "mnuScaleFlowMin",
                           "mnuScaleFlowMax", "",          "mnuFlowFindDifferential",
                           "mnuFlowSizeBore"}
            << QStringList{"MMcF/Day",           "1Km3/Day", "Scale Min",
                           "Scale Max",          "",         "Find differential for flow…",
                           "Size bore for flow…"};
    }
    void menusHaveTheirItems()
    {
        QFETCH(int, slot);
        QFETCH(QString, menu);
        QFETCH(QString, caption);
        QFETCH(QStringList, items);
        QFETCH(QStringList, captions);
        auto *change = fx.window->findChild<QMenu *>("mnuChange");
        QVERIFY(change);
        QCOMPARE(change->title(), QString("Change"));
        QMenu *m = panel().gaugeMenu(slot);
        QCOMPARE(m->objectName(), menu);
        QCOMPARE(m->title(), caption);
        QCOMPARE(change->actions().at(slot), m->menuAction());
        QStringList names, texts;
        for (QAction *a : m->actions()) {
            names << a->objectName();
            texts << a->text();
        }
        QCOMPARE(names, items);
        QCOMPARE(texts, captions);
    }

    void rightPressOpensTheQuadrantsMenuAndNeverRecalculates()
    {
        AGauge *g = fx.gauge();
        const float W = g->width(), H = g->height();
        const struct
        {
            float x, y;
            const char *menu;
        } presses[] = {{W * 0.1f, H * 0.9f, "mnuChangeTempUnit"},
                       {W * 0.1f, H * 0.1f, "mnuChangePressureUnit"},
                       {W * 0.9f, H * 0.1f, "mnuChangeDiffUnit"},
                       {W * 0.9f, H * 0.9f, "mnuChangeFlowUnit"},
                       {W * 0.45f, H * 0.1f, nullptr}};
        for (const auto &p : presses) {
            markFlowNeedle();
            fx.dialogs.menusOpened.clear();
            emit g->GaugeMouse(2, 0, p.x, p.y);
            QCOMPARE(fx.dialogs.menusOpened, p.menu ? QStringList{p.menu} : QStringList{});
            QCOMPARE(fx.needle(3), -123.0);
        }
        // Through the control itself, as the user presses.
        QTest::mousePress(g, Qt::RightButton, {}, QPoint(int(W * 0.9f), int(H * 0.1f)));
        QCOMPARE(fx.dialogs.menusOpened.last(), QString("mnuChangeDiffUnit"));
        QTest::mouseRelease(g, Qt::RightButton, {}, QPoint(int(W * 0.9f), int(H * 0.1f)));
    }

    void otherButtonsRecalculateAnywhere()
    {
        AGauge *g = fx.gauge();
        for (int button : {1, 4}) {
            markFlowNeedle();
            emit g->GaugeMouse(button, 0, g->width() / 2.f, g->height() / 2.f);
            QVERIFY(std::abs(fx.needle(3) - 0.193904523466119) < 1e-12);
            QVERIFY(fx.dialogs.menusOpened.isEmpty());
        }
        markFlowNeedle();
        emit g->GaugeChange();
        QVERIFY(fx.needle(3) > 0);
    }

    void keyboardOpensTheFocusedDialsMenuAtThatDial_data()
    {
        QTest::addColumn<int>("key");
        QTest::addColumn<int>("modifiers");
        QTest::newRow("menu key") << int(Qt::Key_Menu) << 0;
        QTest::newRow("Shift+F10") << int(Qt::Key_F10) << int(Qt::ShiftModifier);
    }
    void keyboardOpensTheFocusedDialsMenuAtThatDial()
    {
        QFETCH(int, key);
        QFETCH(int, modifiers);
        AGauge *g = fx.gauge();
        const char *menus[] = {"mnuChangeTempUnit", "mnuChangePressureUnit", "mnuChangeDiffUnit",
                               "mnuChangeFlowUnit"};
        QCursor::setPos(g->mapToGlobal(QPoint(5, 5))); // the pointer plays no part
        for (int slot : {2, 0, 3, 1}) {
            fx.dialogs.menusOpened.clear();
            fx.dialogs.menuPositions.clear();
            QVERIFY(g->setFocusedDial(slot));
            // X11 raises a keyboard context-menu event before the menu key's press, Windows
            // may raise one after Shift+F10: the menu still opens once.
            QContextMenuEvent event(QContextMenuEvent::Keyboard, QPoint(5, 5),
                                    g->mapToGlobal(QPoint(5, 5)));
            QApplication::sendEvent(g, &event);
            QTest::keyClick(g, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
            QApplication::sendEvent(g, &event);
            QCOMPARE(fx.dialogs.menusOpened, QStringList{menus[slot]});
            QCOMPARE(fx.dialogs.menuPositions,
                     QList<QPoint>{g->mapToGlobal(g->dialRect(slot).center().toPoint())});
        }
        // F10 alone, or with Ctrl, is no menu key.
        fx.dialogs.menusOpened.clear();
        QTest::keyClick(g, Qt::Key_F10);
        QTest::keyClick(g, Qt::Key_F10, Qt::ControlModifier | Qt::ShiftModifier);
        QVERIFY(fx.dialogs.menusOpened.isEmpty());
        // A mouse-made context-menu event is left alone: the right-button press opened the menu.
        QContextMenuEvent byMouse(QContextMenuEvent::Mouse, QPoint(5, 5),
                                  g->mapToGlobal(QPoint(5, 5)));
        QApplication::sendEvent(g, &byMouse);
        QVERIFY(fx.dialogs.menusOpened.isEmpty());
    }

    void aRightPressOpensTheMenuAtThePointer()
    {
        AGauge *g = fx.gauge();
        const QPoint pointer = g->mapToGlobal(QPoint(g->width() / 10, g->height() / 10));
        QCursor::setPos(pointer);
        emit g->GaugeMouse(2, 0, g->width() * 0.1f, g->height() * 0.1f);
        QCOMPARE(fx.dialogs.menuPositions, QList<QPoint>{QCursor::pos()});
    }

    void keyStepsRecalculateLikeADrag()
    {
        AGauge *g = fx.gauge();
        // The flow the window shows with the differential at 5.0 and at 6.0.
        const auto flowAt = [&](double differential) {
            fx.setNeedle(2, differential);
            fx.window->UpdateFlowNeedle();
            return fx.needle(3);
        };
        const double atFive = flowAt(5.0), atSix = flowAt(6.0);
        fx.setNeedle(2, 4.9);
        g->setFocusedDial(2);
        markFlowNeedle();
        QTest::keyClick(g, Qt::Key_Up);
        QCOMPARE(fx.needle(2), 5.0);
        QCOMPARE(fx.needle(3), atFive);
        QTest::keyClick(g, Qt::Key_PageUp);
        QCOMPARE(fx.needle(3), atSix);
        // The flow dial's keys change nothing.
        g->setFocusedDial(3);
        markFlowNeedle();
        QTest::keyClick(g, Qt::Key_Up);
        QCOMPARE(fx.needle(3), -123.0);
    }

    void scaleEntry_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::newRow("min OK") << "mnuScaleUSMin"
                                << "-20"
                                << "0" << -20.0 << 200.0;
        QTest::newRow("max OK") << "mnuScaleUSMax"
                                << "1250.5"
                                << "200" << 0.0 << 1250.5;
        // Group separators are never read: "1,250.5" is not a number.
        QTest::newRow("grouped") << "mnuScaleUSMax"
                                 << "1,250.5"
                                 << "200" << 0.0 << 200.0;
        QTest::newRow("cancel") << "mnuScaleUSMax"
                                << ""
                                << "200" << 0.0 << 200.0;
        QTest::newRow("not a number") << "mnuScaleUSMin"
                                      << "ten"
                                      << "0" << 0.0 << 200.0;
        QTest::newRow("infinite") << "mnuScaleUSMin"
                                  << "inf"
                                  << "0" << 0.0 << 200.0;
        QTest::newRow("above the max") << "mnuScaleUSMin"
                                       << "300"
                                       << "0" << 300.0 << 200.0;
    }
    void scaleEntry()
    {
        QFETCH(QString, item);
        QFETCH(QString, answer);
        QFETCH(QString, offered);
        QFETCH(double, min);
        QFETCH(double, max);
        markFlowNeedle();
        fx.dialogs.answers = {answer};
        fx.window->findChild<QAction *>(item)->trigger();
        QCOMPARE(fx.dialogs.inputs.size(), 1);
        QCOMPARE(fx.dialogs.inputs[0].title, QString("Enter"));
        QCOMPARE(fx.dialogs.inputs[0].prompt, item.endsWith("Min")
                                                  ? QString("Enter Min Scale Value")
                                                  : QString("Enter Max Scale Value"));
        QCOMPARE(fx.dialogs.inputs[0].defaultText, offered);
        QCOMPARE(fx.scale(1), std::make_pair(min, max));
        QCOMPARE(fx.needle(3), -123.0); // a scale entry does not recalculate
    }

    void needleEntry_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<double>("start");
        QTest::addColumn<QString>("offered");
        QTest::addColumn<QString>("answer");
        QTest::addColumn<double>("needle");
        QTest::newRow("55 offered as 55.") << 0 << 55.0 << "55."
                                           << "60" << 60.0;
        QTest::newRow("0.25 offered as .25") << 0 << 0.25 << ".25"
                                             << "" << 0.25;
        QTest::newRow("4.9") << 2 << 4.9 << "4.9"
                             << "7.5" << 7.5;
        QTest::newRow("rounded to three decimals") << 1 << 100.12345 << "100.123"
                                                   << "x" << 100.12345;
    }
    void needleEntry()
    {
        QFETCH(int, slot);
        QFETCH(double, start);
        QFETCH(QString, offered);
        QFETCH(QString, answer);
        QFETCH(double, needle);
        const char *items[] = {"mnuTempNeedleValue", "mnuUSNeedleValue", "mnuDiffNeedleValue"};
        fx.setNeedle(slot, start);
        markFlowNeedle();
        fx.dialogs.answers = {answer};
        fx.window->findChild<QAction *>(items[slot])->trigger();
        QCOMPARE(fx.dialogs.inputs.value(0).prompt, QString("Enter Needle Value"));
        QCOMPARE(fx.dialogs.inputs.value(0).defaultText, offered);
        QCOMPARE(fx.needle(slot), needle);
        // Recalculated in every case, also after Cancel or a rejected text.
        QVERIFY(fx.needle(3) > 0);
    }

    void typedDifferentialMovesTheFlowNeedleAtOnce()
    {
        fx.dialogs.answers = {"7.5"};
        fx.dialogs.chooseItem = "mnuDiffNeedleValue";
        AGauge *g = fx.gauge();
        emit g->GaugeMouse(2, 0, g->width() * 0.9f, g->height() * 0.1f);
        QVERIFY(std::abs(fx.needle(3) - 0.2381403184391083) < 1e-12);
    }

    void unitSwitchingThereAndBack_data()
    {
        QTest::addColumn<int>("slot");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("back");
        QTest::addColumn<QString>("caption");
        QTest::addColumn<double>("min");
        QTest::addColumn<double>("max");
        QTest::addColumn<double>("needle");
        QTest::addColumn<int>("decimals"); // -1: not written
        QTest::newRow("DegF to DegC") << 0 << "mnuDegC"
                                      << "mnuDegF"
                                      << "DegC" << -15.0 << 35.0 << (55 - 32) * (5.0 / 9.0) << -1;
        QTest::newRow("PsiG to Kpa") << 1 << "mnuKpaG"
                                     << "mnuPsiG"
                                     << "Kpa" << 0.0 << 1380.0 << 100 * 6.894757 << -1;
        QTest::newRow("PsiD to inWC") << 2 << "mnuinWC"
                                      << "mnuPsiD"
                                      << "inWC" << 0.0 << 277.0 << 4.9 * 27.67991 << 1;
        QTest::newRow("MMcF/D to 1Km3/D") << 3 << "mnu1000m3"
                                          << "mnuMMcf"
                                          << "1Km3/D" << 0.0 << 142.0 << 2.9 * 28.31685 << 2;
    }
    void unitSwitchingThereAndBack()
    {
        QFETCH(int, slot);
        QFETCH(QString, to);
        QFETCH(QString, back);
        QFETCH(QString, caption);
        QFETCH(double, min);
        QFETCH(double, max);
        QFETCH(double, needle);
        QFETCH(int, decimals);
        const QString before = fx.caption(slot);
        const auto scaleBefore = fx.scale(slot);
        if (slot == 3)
            fx.setNeedle(3, 2.9);
        const double needleBefore = fx.needle(slot);
        const int decimalsBefore = fx.decimals(slot);
        const double flow = fx.needle(3);

        // The unit already shown changes nothing.
        fx.window->findChild<QAction *>(back)->trigger();
        QCOMPARE(fx.caption(slot), before);
        QCOMPARE(fx.needle(slot), needleBefore);

        fx.window->findChild<QAction *>(to)->trigger();
        QCOMPARE(fx.caption(slot), caption);
        const auto [newMin, newMax] = fx.scale(slot);
        QVERIFY(std::abs(newMin - min) < 1e-9 && std::abs(newMax - max) < 1e-9);
        QVERIFY(std::abs(fx.needle(slot) - needle) < 1e-9);
        QCOMPARE(fx.decimals(slot), decimals < 0 ? decimalsBefore : decimals);
        if (slot != 3)
            QCOMPARE(fx.needle(3), flow); // no recalculation

        fx.window->findChild<QAction *>(back)->trigger();
        QCOMPARE(fx.caption(slot), before);
        const auto [backMin, backMax] = fx.scale(slot);
        QVERIFY(std::abs(backMin - scaleBefore.first) < 1e-9);
        QVERIFY(std::abs(backMax - scaleBefore.second) < 1e-9);
        QVERIFY(std::abs(fx.needle(slot) - needleBefore) < 1e-9);
    }

    void captionInAnotherLetterCaseDisablesBothItems()
    {
        fx.setCaption(0, "degf");
        for (const char *item : {"mnuDegC", "mnuDegF"}) {
            fx.window->findChild<QAction *>(item)->trigger();
            QCOMPARE(fx.caption(0), QString("degf"));
            QCOMPARE(fx.scale(0), std::make_pair(0.0, 100.0));
            QCOMPARE(fx.needle(0), 55.0);
        }
    }

    void flowDecimalsAfterSwitchingAndAfterTheNextRecalculation()
    {
        fx.window->findChild<QAction *>("mnu1000m3")->trigger();
        QCOMPARE(fx.decimals(3), 2);
        fx.window->findChild<QAction *>("mnuMMcf")->trigger();
        QCOMPARE(fx.decimals(3), 3);
        fx.window->UpdateFlowNeedle();
        QCOMPARE(fx.decimals(3), 4);
    }

    void leftDragOnTheDifferentialRecalculates()
    {
        AGauge *g = fx.gauge();
        markFlowNeedle();
        // Grab the differential needle (top right quadrant) and turn it.
        g->setNeedleIndex(2);
        const QPoint centre(g->width() * 3 / 4, g->height() / 4);
        QTest::mousePress(g, Qt::LeftButton, {}, centre + QPoint(0, -g->height() / 8));
        QTest::mouseMove(g, centre + QPoint(g->height() / 8, -g->height() / 16));
        QTest::mouseRelease(g, Qt::LeftButton, {}, centre + QPoint(g->height() / 8, 0));
        QVERIFY(fx.needle(3) > 0);
        QVERIFY(fx.dialogs.menusOpened.isEmpty());
    }
};

QTEST_MAIN(GaugePanelTest)
#include "test_gauge_panel.moc"
