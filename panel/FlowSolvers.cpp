#include "FlowSolvers.h"

#include "AGauge.h"
#include "Dialogs.h"
#include "GaugePainter.h"
#include "GaugePanel.h"
#include "md_solve.h"
#include "NumberText.h"
#include "Steps.h"

#include <QAction>
#include <QComboBox>
#include <QMenu>

#include <cmath>

namespace {
constexpr int kFlowSlot = 3;
constexpr int kDiffSlot = 2;
constexpr int kBoreDecimals = 4;
} // namespace

FlowSolvers::FlowSolvers(QWidget *owner, GaugePanel &panel, AGauge *gauge, QComboBox *ComboPlate,
                         Dialogs &dialogs)
    : QObject(&panel), owner_(owner), panel_(panel), gauge_(gauge), ComboPlate_(ComboPlate),
      dialogs_(dialogs)
{
    QMenu *menu = panel_.gaugeMenu(kFlowSlot);
    menu->addSeparator();
    const auto item = [&](const char *name, const QString &caption, void (FlowSolvers::*run)()) {
        auto *action = new QAction(caption, menu);
        action->setObjectName(QString::fromLatin1(name));
        menu->addAction(action);
        connect(action, &QAction::triggered, this, run);
    };
    item("mnuFlowFindDifferential", QStringLiteral("Find differential for flow\u2026"),
         &FlowSolvers::FindDifferentialForFlow);
    item("mnuFlowSizeBore", QStringLiteral("Size bore for flow\u2026"),
         &FlowSolvers::SizeBoreForFlow);
}

std::optional<FlowSolvers::Wanted> FlowSolvers::askForFlow(const QString &title)
{
    AGauge &g = *gauge_;
    // The unit and the value the flow dial shows now.
    runStep([&] {
        require(g.setCaptionIndex(kFlowSlot));
        require(g.setNeedleIndex(kFlowSlot));
    });
    const QString unit = g.caption();
    const QString text =
        dialogs_.inputBox(owner_, QStringLiteral("Enter Flow (%1)").arg(unit), title,
                          GaugePainter::readoutText(g.needleValue(), g.valueDecimals()));
    if (text.isEmpty())
        return std::nullopt;
    const auto shown = NumberText::parse(text);
    if (!shown) {
        dialogs_.warningMessage(owner_, QStringLiteral("\"%1\" is not a number.").arg(text), title);
        return std::nullopt;
    }
    // The inverse of the recalculation's conversion for the dial's unit.
    const double mcfd = unit == "1Km3/D"
                            ? *shown / GaugePanel::kKm3PerMMcf * GaugePanel::kMcfPerMMcf
                            : *shown * GaugePanel::kMcfPerMMcf;
    return Wanted{text.trimmed() + QLatin1Char(' ') + unit, mcfd};
}

void FlowSolvers::noSolution(const QString &title, const QString &what, const Wanted &wanted,
                             const SolveResult &result)
{
    const QString reason = localizedSentence(result.message);
    dialogs_.warningMessage(
        owner_,
        QStringLiteral("No %1 found for a flow of %2.\n\n%3.").arg(what, wanted.text, reason),
        title);
}

void FlowSolvers::FindDifferentialForFlow()
{
    const QString title = QStringLiteral("Find differential for flow");
    const auto wanted = askForFlow(title);
    if (!wanted)
        return;
    const SolveResult result = SolveDifferential(panel_.readInputs().inputs, wanted->mcfd);
    if (!result.solved) {
        noSolution(title, QStringLiteral("differential"), *wanted, result);
        return;
    }
    AGauge &g = *gauge_;
    runStep([&] {
        require(g.setCaptionIndex(kDiffSlot));
        require(g.setNeedleIndex(kDiffSlot));
        const double psi = result.value;
        require(g.setNeedleValue(g.caption() == "inWC" ? psi * GaugePanel::kInWCPerPsi : psi));
    });
    panel_.UpdateFlowNeedle();
}

void FlowSolvers::SizeBoreForFlow()
{
    const QString title = QStringLiteral("Size bore for flow");
    const auto wanted = askForFlow(title);
    if (!wanted)
        return;
    const FlowInputs in = panel_.readInputs().inputs;
    const SolveResult result = SizeBore(in, wanted->mcfd);
    if (!result.solved) {
        noSolution(title, QStringLiteral("bore"), *wanted, result);
        return;
    }
    // Of the two bores with 4 decimals around the answer, the one whose flow comes nearer: the
    // flow steps where the coefficient table changes rows, so the nearer bore need not be.
    const double scale = std::pow(10.0, kBoreDecimals);
    const auto flowAt = [&](double plate) {
        FlowInputs trial = in;
        trial.Plate = plate;
        FlowEngine engine;
        const FlowFactors f = engine.ComputeFactors(trial);
        return FlowEngine::FlowRate(trial.Pressure, trial.Difference, f.CPrime);
    };
    const double below = std::floor(result.value * scale) / scale;
    const double above = std::ceil(result.value * scale) / scale;
    const double bore =
        std::fabs(flowAt(below) - wanted->mcfd) <= std::fabs(flowAt(above) - wanted->mcfd) ? below
                                                                                           : above;
    const QString boreText = NumberText::fixed(bore, kBoreDecimals);
    ComboPlate_->setEditText(boreText);
    panel_.UpdateFlowNeedle();
    if (result.atRowBoundary)
        dialogs_.warningMessage(owner_,
                                QStringLiteral("%1.\n\nThe bore box now holds %2 in.")
                                    .arg(localizedSentence(result.message), boreText),
                                title);
}
