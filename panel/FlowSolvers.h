#pragma once

#include <QObject>
#include <QString>

#include <optional>

class AGauge;
class Dialogs;
class GaugePanel;
class QComboBox;
class QWidget;
struct SolveResult;

// The flow dial's two solvers, at the end of its popup menu: the differential, or the bore,
// that gives a flow the user asks for, with everything else as the window holds it.
class FlowSolvers : public QObject
{
    Q_OBJECT

public:
    FlowSolvers(QWidget *owner, GaugePanel &panel, AGauge *gauge, QComboBox *ComboPlate,
                Dialogs &dialogs);

    // Sets the differential needle to the differential that gives the asked flow, in that
    // dial's unit, and recalculates.
    void FindDifferentialForFlow();
    // Writes the bore that gives the asked flow into the bore box, with 4 decimals, and
    // recalculates.
    void SizeBoreForFlow();

private:
    struct Wanted
    {
        QString text; // as typed, with the flow dial's unit
        double mcfd;  // in the engine's unit
    };
    // Asks for a flow in the flow dial's unit; nothing on Cancel, or after saying why the
    // text is no flow.
    std::optional<Wanted> askForFlow(const QString &title);
    void noSolution(const QString &title, const QString &what, const Wanted &wanted,
                    const SolveResult &result);

    QWidget *owner_;
    GaugePanel &panel_;
    AGauge *gauge_;
    QComboBox *ComboPlate_;
    Dialogs &dialogs_;
};
