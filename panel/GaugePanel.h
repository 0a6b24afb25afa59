#pragma once

#include "Calculation.h"
#include "md_vbcalc.h"

#include <QObject>
#include <QString>

#include <array>
#include <functional>

class AGauge;
class Dialogs;
class QAction;
class QComboBox;
class QLineEdit;
class QMenu;
class QWidget;

// Points the caption, needle and scale selectors at one gauge slot, each write its own step;
// true when all three took it.
bool selectSlot(AGauge &gauge, int slot);

// The window's controls the recalculation reads and writes.
struct PanelFields
{
    QComboBox *ComboMeter = nullptr;
    QComboBox *ComboPlate = nullptr;
    QLineEdit *txtSpGr = nullptr;
    QLineEdit *txtTb = nullptr;
    QLineEdit *txtPb = nullptr;
    QLineEdit *txtLat = nullptr;
    QLineEdit *txtElev = nullptr;
    // Output boxes; txty and txtZ are also read back as the engine's kept Y and Z.
    QLineEdit *txtBase = nullptr;
    QLineEdit *txtFTb = nullptr;
    QLineEdit *txtFTf = nullptr;
    QLineEdit *txtFPb = nullptr;
    QLineEdit *txtFb = nullptr;
    QLineEdit *txtFg = nullptr;
    QLineEdit *txtFa = nullptr;
    QLineEdit *txtFl = nullptr;
    QLineEdit *txtFr = nullptr;
    QLineEdit *txty = nullptr;
    QLineEdit *txtZ = nullptr;
    QLineEdit *txtAll = nullptr;

    // The text field that holds input, or nullptr for the inputs the gauges hold.
    QWidget *inputField(FlowInput input) const;
    // The output box that shows factor.
    QLineEdit *factorBox(FlowFactor factor) const;
};

// What a recalculation reads from the gauges and the input fields. A step that fails leaves
// its value as the previous calculation had it.
struct PanelReading
{
    FlowInputs inputs;
    double staticPressure = 0; // psig
    double difference = 0;     // psi
    double keptY = 0;          // the factor boxes' Y and Z, for the engine's kept values
    double keptZ = 0;
    std::array<GaugeReading, 3> gauges; // Temp, US, Diff
    std::array<TextReading, 7> texts;
};

// Everything the gauge panel does for the main window: the one recalculation path, the
// gauges' mouse events and popup menus, typed scale ends and needle values, unit switching.
class GaugePanel : public QObject
{
    Q_OBJECT

public:
    // The menus are created as children of owner; the gauge's events are connected here.
    GaugePanel(QWidget *owner, AGauge *gauge, const PanelFields &fields, Dialogs &dialogs);

    // Units of the dials. The flow reading uses the rounded 28.3; a needle switched between
    // the flow units keeps its physical value with the finer factor.
    static constexpr double kMcfPerMMcf = 1000; // MMcF/D to the engine's Mcf/d
    static constexpr double kKm3PerMMcf = 28.3; // MMcF/D to 1Km3/D, as the flow dial shows it
    static constexpr double kKm3PerMMcfNeedle = 28.31685;
    static constexpr double kInWCPerPsi = 27.67991;
    static constexpr double kKpaPerPsi = 6.894757;

    // Reads the three input gauges and the input fields, runs the engine, writes the twelve
    // output boxes and returns the flow in the flow gauge's unit.
    double Recalculate();
    // Reads what the next Recalculate() would read; the values the window and the engine keep
    // between calculations stay as they are.
    PanelReading readInputs();
    // The last calculation; recalculated() tells when it changes.
    const Calculation &calculation() const { return calculation_; }
    // Recalculates and moves the flow needle to the result.
    void UpdateFlowNeedle();

    void AGauge_GaugeMouse(int Button, int Shift, float X, float Y);
    void AGauge_GaugeChange();

    void EnterScaleMin(int slot);
    void EnterScaleMax(int slot);
    void EnterNeedleValue(int slot);

    // The top-level menu "Change" and the popup menu of each gauge slot.
    QMenu *mnuChange() const { return mnuChange_; }
    QMenu *gaugeMenu(int slot) const { return menus_.at(slot); }

    // The slot whose popup menu a right-button press at (X, Y) opens on a control of W x H
    // (all in the control's pixels), or -1 inside the dead band around the centre lines.
    static int menuSlotAt(float W, float H, float X, float Y);

    FlowEngine &engine() { return engine_; }
    const FlowInputs &inputs() const { return inputs_; }

signals:
    void recalculated();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    struct UnitSwitch;
    void buildMenus(QWidget *owner);
    QAction *addItem(QMenu *menu, const char *name, const char *caption);
    void switchUnit(const UnitSwitch &row);
    void enterScaleEnd(int slot, bool max);
    // Selects the slot's needle and scale and asks for a value, offering the current one.
    QString askForValue(int slot, const QString &prompt, const std::function<QString()> &current);
    // The slot's popup menu at globalPos: the pointer's for a mouse press, the dial's centre for
    // the keyboard.
    void popup(int slot, const QPoint &globalPos);

    QWidget *owner_;
    AGauge *gauge_;
    PanelFields fields_;
    Dialogs &dialogs_;
    FlowEngine engine_;
    FlowInputs inputs_;
    FlowFactors factors_;
    // Kept between runs: the last static pressure (psig), differential (psi) and flow.
    double staticPressure_ = 0;
    double difference_ = 0;
    double flow_ = 0;
    Calculation calculation_;
    QMenu *mnuChange_ = nullptr;
    std::array<QMenu *, 4> menus_{};
};
