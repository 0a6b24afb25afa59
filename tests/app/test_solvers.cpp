#include "WindowFixture.h"

#include "GaugePainter.h"

#include <QAction>
#include <QMenu>
#include <QRegularExpression>

class SolversTest : public QObject
{
    Q_OBJECT

private:
    WindowFixture fx;

    // The flow dial's menu, opened by a right press on its quadrant, answers a flow.
    void solve(const char *item, const QString &flow)
    {
        AGauge *g = fx.gauge();
        fx.dialogs.answers = {flow};
        fx.dialogs.chooseItem = item;
        emit g->GaugeMouse(2, 0, g->width() * 0.9f, g->height() * 0.9f);
        QCOMPARE(fx.dialogs.menusOpened.last(), QString("mnuChangeFlowUnit"));
    }
    QString shownFlow() { return GaugePainter::readoutText(fx.needle(3), fx.decimals(3)); }
    void switchUnit(int slot, const char *item)
    {
        fx.window->panel().gaugeMenu(slot)->findChild<QAction *>(item)->trigger();
    }
    // What a solver must leave alone when it finds nothing.
    QStringList state()
    {
        return {QString::number(fx.needle(2), 'g', 17), QString::number(fx.needle(3), 'g', 17),
                fx.child<QComboBox>("ComboPlate")->currentText(), fx.text("txtBase")};
    }

private slots:
    void init() { fx.reset(); }
    void cleanup()
    {
        fx.window.reset();
        QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
    }

    void findDifferential_data()
    {
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<bool>("metric");
        QTest::addColumn<QString>("flow");
        const QLocale en(QLocale::English, QLocale::UnitedStates);
        QTest::newRow("MMcF/D, PsiD") << en << false << "0.2500";
        QTest::newRow("1Km3/D, inWC") << en << true << "7.50";
        QTest::newRow("de_DE") << QLocale(QLocale::German, QLocale::Germany) << false << "0,2500";
        // About 40 psi on a dial that ends at 10: set all the same.
        QTest::newRow("beyond the dial's scale") << en << false << "0.5000";
    }
    void findDifferential()
    {
        QFETCH(QLocale, locale);
        QFETCH(bool, metric);
        QFETCH(QString, flow);
        QLocale::setDefault(locale);
        fx.start();
        if (metric) {
            switchUnit(3, "mnu1000m3");
            switchUnit(2, "mnuinWC");
            fx.window->UpdateFlowNeedle();
        }
        const QString before = shownFlow();
        const QString plate = fx.child<QComboBox>("ComboPlate")->currentText();

        solve("mnuFlowFindDifferential", flow);
        QCOMPARE(fx.dialogs.inputs.size(), 1);
        const auto &asked = fx.dialogs.inputs[0];
        QCOMPARE(asked.title, QString("Find differential for flow"));
        QCOMPARE(asked.prompt, QString("Enter Flow (%1)").arg(metric ? "1Km3/D" : "MMcF/D"));
        QCOMPARE(asked.defaultText, before);
        QVERIFY(fx.dialogs.messages.isEmpty());

        // The flow dial shows the flow asked for, from the differential the needle now shows.
        QCOMPARE(shownFlow(), flow);
        const double psi = fx.window->panel().inputs().Difference;
        QCOMPARE(fx.needle(2), metric ? psi * 27.67991 : psi);
        QCOMPARE(fx.child<QComboBox>("ComboPlate")->currentText(), plate);
        if (QTest::currentDataTag() == QLatin1String("beyond the dial's scale"))
            QVERIFY(fx.needle(2) > fx.scale(2).second);
    }

    void sizeBore_data()
    {
        QTest::addColumn<bool>("metric");
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QString>("bore");
        QTest::newRow("MMcF/D") << false << "0.3000" << QString();
        QTest::newRow("1Km3/D") << true << "8.00" << QString();
        // Where the coefficient table changes rows at a diameter ratio of 0.5, the flow steps
        // down by about 1e-6 of itself: 0.86563 lies inside that step. Of the bores with four
        // decimals beside the boundary, the one below gives the flow (the one above would show
        // 0.8658).
        QTest::newRow("inside a step of the flow") << false << "0.86563"
                                                   << "1.0335";
    }
    void sizeBore()
    {
        QFETCH(bool, metric);
        QFETCH(QString, flow);
        QFETCH(QString, bore);
        fx.start();
        if (metric) {
            switchUnit(3, "mnu1000m3");
            fx.window->UpdateFlowNeedle();
        }
        const double diff = fx.needle(2);

        solve("mnuFlowSizeBore", flow);
        QCOMPARE(fx.dialogs.inputs.size(), 1);
        QCOMPARE(fx.dialogs.inputs[0].title, QString("Size bore for flow"));
        const QString written = fx.child<QComboBox>("ComboPlate")->currentText();
        QVERIFY2(written.contains(QRegularExpression("^\\d\\.\\d{4}$")), qPrintable(written));
        if (!bore.isEmpty())
            QCOMPARE(written, bore);
        QCOMPARE(fx.window->panel().inputs().Plate, written.toDouble()); // recalculated with it
        QCOMPARE(shownFlow(), flow.left(metric ? 4 : 6));
        QCOMPARE(fx.needle(2), diff);
        if (flow == "0.86563") {
            // The step is explained, and where the bore ended up.
            QCOMPARE(fx.dialogs.messages.size(), 1);
            QCOMPARE(fx.dialogs.messages[0].icon, QMessageBox::Warning);
            QVERIFY2(fx.dialogs.messages[0].text.contains("The bore box now holds 1.0335 in."),
                     qPrintable(fx.dialogs.messages[0].text));
        } else {
            QVERIFY(fx.dialogs.messages.isEmpty());
        }
    }

    void noSolutionChangesNothing_data()
    {
        QTest::addColumn<QString>("item");
        QTest::addColumn<QString>("flow");
        QTest::addColumn<QString>("title");
        QTest::addColumn<QString>("says");
        QTest::newRow("more than the bore passes")
            << "mnuFlowFindDifferential"
            << "1000"
            << "Find differential for flow"
            << "No differential found for a flow of 1000 MMcF/D.\n\nNo differential gives 1000000 "
               "Mcf/d: the most this bore passes at this static pressure is ";
        QTest::newRow("more than the largest bore passes")
            << "mnuFlowSizeBore"
            << "1000"
            << "Size bore for flow"
            << "No bore found for a flow of 1000 MMcF/D.\n\nNo bore below the meter gives";
        QTest::newRow("no flow") << "mnuFlowFindDifferential"
                                 << "0"
                                 << "Find differential for flow"
                                 << "The wanted flow 0 Mcf/d is not a positive number";
        QTest::newRow("not a number") << "mnuFlowSizeBore"
                                      << "lots"
                                      << "Size bore for flow"
                                      << "\"lots\" is not a number.";
    }
    void noSolutionChangesNothing()
    {
        QFETCH(QString, item);
        QFETCH(QString, flow);
        QFETCH(QString, title);
        QFETCH(QString, says);
        fx.start();
        const QStringList before = state();
        solve(item.toLatin1().constData(), flow);
        QCOMPARE(fx.dialogs.messages.size(), 1);
        const auto &m = fx.dialogs.messages[0];
        QCOMPARE(m.title, title);
        QCOMPARE(m.icon, QMessageBox::Warning);
        QVERIFY2(m.text.contains(says), qPrintable(m.text));
        QCOMPARE(state(), before);
    }

    void cancelChangesNothing()
    {
        fx.start();
        const QStringList before = state();
        for (const char *item : {"mnuFlowFindDifferential", "mnuFlowSizeBore"})
            solve(item, QString());
        QCOMPARE(fx.dialogs.inputs.size(), 2);
        QVERIFY(fx.dialogs.messages.isEmpty());
        QCOMPARE(state(), before);
    }

    void solversUseWhatTheWindowHolds()
    {
        // A bore typed but not yet used: the solved differential gives the flow with it,
        // since the recalculation after the solve uses it too.
        fx.start();
        fx.child<QComboBox>("ComboPlate")->setEditText("0.6250");
        solve("mnuFlowFindDifferential", "0.2500");
        QCOMPARE(fx.window->panel().inputs().Plate, 0.625);
        QCOMPARE(shownFlow(), QString("0.2500"));
    }
};

QTEST_MAIN(SolversTest)
#include "test_solvers.moc"
