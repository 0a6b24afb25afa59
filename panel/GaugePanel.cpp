#include "GaugePanel.h"

#include "AGauge.h"
#include "Dialogs.h"
#include "NumberText.h"
#include "Steps.h"

#include <QAction>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QCursor>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>

#include <algorithm>

namespace {
enum Slot { Temp = 0, US = 1, Diff = 2, Flow = 3 };
} // namespace

bool selectSlot(AGauge &gauge, int slot)
{
    const bool caption = runStep([&] { require(gauge.setCaptionIndex(slot)); });
    const bool needle = runStep([&] { require(gauge.setNeedleIndex(slot)); });
    const bool scale = runStep([&] { require(gauge.setScaleIndex(slot)); });
    return caption && needle && scale;
}

// One unit item of a gauge's popup menu: it acts only when the gauge shows `from`.
struct GaugePanel::UnitSwitch
{
    const char *item;
    const char *caption;
    int slot;
    const char *from;
    const char *to;
    double (*scale)(double);  // rounded factors for the scale ends
    double (*needle)(double); // exact factors, so the needle keeps its physical value
    bool minFirst;            // write the end that shrinks first
    int decimals;             // -1: not written
};

GaugePanel::GaugePanel(QWidget *owner, AGauge *gauge, const PanelFields &fields, Dialogs &dialogs)
    : QObject(owner), owner_(owner), gauge_(gauge), fields_(fields), dialogs_(dialogs)
{
    buildMenus(owner);
    connect(gauge_, &AGauge::GaugeMouse, this, &GaugePanel::AGauge_GaugeMouse);
    connect(gauge_, &AGauge::GaugeChange, this, &GaugePanel::AGauge_GaugeChange);
    gauge_->installEventFilter(this);
}

QWidget *PanelFields::inputField(FlowInput input) const
{
    switch (input) {
    case FlowInput::Plate:
        return ComboPlate;
    case FlowInput::Meter:
        return ComboMeter;
    case FlowInput::SpecGravity:
        return txtSpGr;
    case FlowInput::Tb:
        return txtTb;
    case FlowInput::Pb:
        return txtPb;
    case FlowInput::Lat:
        return txtLat;
    case FlowInput::Elev:
        return txtElev;
    default:
        return nullptr;
    }
}

QLineEdit *PanelFields::factorBox(FlowFactor factor) const
{
    switch (factor) {
    case FlowFactor::Fr:
        return txtFr;
    case FlowFactor::Y:
        return txty;
    case FlowFactor::Z:
        return txtZ;
    case FlowFactor::Fl:
        return txtFl;
    case FlowFactor::Fa:
        return txtFa;
    case FlowFactor::FTb:
        return txtFTb;
    case FlowFactor::FTf:
        return txtFTf;
    case FlowFactor::FPb:
        return txtFPb;
    case FlowFactor::Fb:
        return txtFb;
    case FlowFactor::Fg:
        return txtFg;
    case FlowFactor::All:
        return txtAll;
    case FlowFactor::CPrime:
        return txtBase;
    }
    return nullptr;
}

PanelReading GaugePanel::readInputs()
{
    AGauge &g = *gauge_;
    const PanelFields &f = fields_;
    PanelReading r{
        inputs_, staticPressure_, difference_, engine_.LastFactors.Y, engine_.LastFactors.Z, {},
        {}};
    FlowInputs &in = r.inputs;
    // The selected slot's caption, needle and readout decimals, as the calculation saw them.
    const auto gaugeReading = [&] {
        return GaugeReading{g.caption(), g.needleValue(), g.valueDecimals()};
    };

    runStep([&] {
        require(g.setCaptionIndex(Temp));
        require(g.setNeedleIndex(Temp));
    });
    runStep([&] {
        in.Temp = requireFinite(g.caption() == "DegC" ? g.needleValue() * (9.0 / 5.0) + 32
                                                      : g.needleValue());
    });
    runStep([&] { require(g.setValueDecimals(1)); });
    r.gauges[Temp] = gaugeReading();

    runStep([&] {
        require(g.setCaptionIndex(US));
        require(g.setNeedleIndex(US));
    });
    runStep([&] {
        r.staticPressure =
            requireFinite(g.caption() == "Kpa" ? g.needleValue() / kKpaPerPsi : g.needleValue());
    });
    in.Pressure = r.staticPressure;
    r.gauges[US] = gaugeReading();

    runStep([&] {
        require(g.setCaptionIndex(Diff));
        require(g.setNeedleIndex(Diff));
    });
    runStep([&] {
        if (g.caption() == "inWC") {
            r.difference = requireFinite(g.needleValue() / kInWCPerPsi);
            require(g.setValueDecimals(1));
        } else {
            r.difference = g.needleValue();
            require(g.setValueDecimals(2));
        }
    });
    in.Difference = r.difference;
    r.gauges[Diff] = gaugeReading();

    const struct
    {
        FlowInput input;
        QString text;
    } texts[] = {
        {FlowInput::Meter, f.ComboMeter->currentText()},
        {FlowInput::Plate, f.ComboPlate->currentText()},
        {FlowInput::SpecGravity, f.txtSpGr->text()},
        {FlowInput::Tb, f.txtTb->text()},
        {FlowInput::Pb, f.txtPb->text()},
        {FlowInput::Lat, f.txtLat->text()},
        {FlowInput::Elev, f.txtElev->text()},
    };
    const auto readText = [&](int i) {
        double &target = in.*flowInputField(texts[i].input).value;
        r.texts[i] = {texts[i].input, texts[i].text,
                      runStep([&] { target = requireNumber(texts[i].text); })};
    };
    // In the order of the calculation: the factor boxes' Y and Z between Pb and Lat.
    for (int i = 0; i < 5; ++i)
        readText(i);
    runStep([&] { r.keptY = requireNumber(f.txty->text()); });
    runStep([&] { r.keptZ = requireNumber(f.txtZ->text()); });
    for (int i = 5; i < 7; ++i)
        readText(i);
    return r;
}

double GaugePanel::Recalculate()
{
    AGauge &g = *gauge_;
    const PanelFields &f = fields_;
    const PanelReading reading = readInputs();
    inputs_ = reading.inputs;
    staticPressure_ = reading.staticPressure;
    difference_ = reading.difference;
    engine_.LastFactors.Y = reading.keptY;
    engine_.LastFactors.Z = reading.keptZ;

    factors_ = engine_.ComputeFactors(inputs_, [this] {
        dialogs_.criticalMessage(owner_, QStringLiteral("Error, Plate > Meter!"),
                                 QStringLiteral("Error"));
    });

    const std::pair<QLineEdit *, double> outputs[] = {
        {f.txtBase, factors_.CPrime}, {f.txtFTb, factors_.FTb}, {f.txtFTf, factors_.FTf},
        {f.txtFPb, factors_.FPb},     {f.txtFb, factors_.Fb},   {f.txtFg, factors_.Fg},
        {f.txtFa, factors_.Fa},       {f.txtFl, factors_.Fl},   {f.txtFr, factors_.Fr},
        {f.txty, factors_.Y},         {f.txtZ, factors_.Z},     {f.txtAll, factors_.All},
    };
    for (const auto &[box, value] : outputs)
        box->setText(NumberText::factor(value));

    const double flowMcfd = FlowEngine::FlowRate(staticPressure_, difference_, factors_.CPrime);
    flow_ = flowMcfd / kMcfPerMMcf;
    runStep([&] {
        require(g.setCaptionIndex(Flow));
        require(g.setNeedleIndex(Flow));
    });
    runStep([&] {
        if (g.caption() == "1Km3/D") {
            require(g.setValueDecimals(2));
            flow_ = requireFinite(flow_ * kKm3PerMMcf);
        } else {
            require(g.setValueDecimals(4));
        }
    });

    Calculation &c = calculation_;
    c.when = QDateTime::currentDateTime();
    std::copy(reading.gauges.begin(), reading.gauges.end(), c.gauges.begin());
    c.gauges[Flow] = {g.caption(), flow_, g.valueDecimals()};
    c.texts = reading.texts;
    c.inputs = inputs_;
    c.factors = factors_;
    c.failedSteps = engine_.FailedSteps();
    c.findings = CheckRanges(inputs_, c.failedSteps);
    c.flowMcfd = flowMcfd;
    emit recalculated();
    return flow_;
}

void GaugePanel::UpdateFlowNeedle()
{
    runStep([&] { require(gauge_->setNeedleIndex(Flow)); });
    const double flow = Recalculate();
    runStep([&] { require(gauge_->setNeedleValue(flow)); });
}

int GaugePanel::menuSlotAt(float W, float H, float X, float Y)
{
    const float halfW = W / 2;
    const float halfH = H / 2;
    const float band = W / 9; // from the width for both axes
    int slot = -1;
    if (X < halfW - band && Y > halfH + band)
        slot = Temp;
    if (X < halfW - band && Y < halfH - band)
        slot = US;
    if (X > halfW + band && Y < halfH - band)
        slot = Diff;
    if (X > halfW + band && Y > halfH + band)
        slot = Flow;
    return slot;
}

void GaugePanel::AGauge_GaugeMouse(int Button, int /*Shift*/, float X, float Y)
{
    if (Button != 2) {
        UpdateFlowNeedle();
        return;
    }
    const int slot = menuSlotAt(gauge_->width(), gauge_->height(), X, Y);
    if (slot >= 0)
        popup(slot, QCursor::pos());
}

void GaugePanel::AGauge_GaugeChange()
{
    UpdateFlowNeedle();
}

void GaugePanel::popup(int slot, const QPoint &globalPos)
{
    dialogs_.popupMenu(menus_.at(slot), globalPos);
}

bool GaugePanel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched != gauge_)
        return QObject::eventFilter(watched, event);
    // The menu key and Shift+F10 open the focused dial's menu at that dial. For these keys some
    // platforms (X11, Windows) also raise a context-menu event, before or after the key: it is
    // dropped, so the menu opens once. A mouse-made one is left alone: the right-button press
    // has already been handled.
    if (event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const auto modifiers = key->modifiers() & ~Qt::KeypadModifier;
        if (key->key() == Qt::Key_Menu ||
            (key->key() == Qt::Key_F10 && modifiers == Qt::ShiftModifier)) {
            const int slot = gauge_->focusedDial();
            const QRectF dial = gauge_->dialRect(slot);
            const QPointF at = dial.isEmpty() ? QRectF(gauge_->rect()).center() : dial.center();
            popup(slot, gauge_->mapToGlobal(at.toPoint()));
            return true;
        }
    }
    return event->type() == QEvent::ContextMenu &&
           static_cast<QContextMenuEvent *>(event)->reason() == QContextMenuEvent::Keyboard;
}

QString GaugePanel::askForValue(int slot, const QString &prompt,
                                const std::function<QString()> &current)
{
    runStep([&] {
        require(gauge_->setNeedleIndex(slot));
        require(gauge_->setScaleIndex(slot));
    });
    return dialogs_.inputBox(owner_, prompt, QStringLiteral("Enter"), current());
}

void GaugePanel::enterScaleEnd(int slot, bool max)
{
    AGauge &g = *gauge_;
    const QString text = askForValue(
        slot,
        max ? QStringLiteral("Enter Max Scale Value") : QStringLiteral("Enter Min Scale Value"),
        [&] { return NumberText::plain(max ? g.scaleMax() : g.scaleMin()); });
    if (text.isEmpty())
        return;
    runStep(
        [&] { require(g.setScaleEnd(max ? AGauge::ScaleEnd::Max : AGauge::ScaleEnd::Min, text)); });
}

void GaugePanel::EnterScaleMin(int slot)
{
    enterScaleEnd(slot, false);
}

void GaugePanel::EnterScaleMax(int slot)
{
    enterScaleEnd(slot, true);
}

void GaugePanel::EnterNeedleValue(int slot)
{
    AGauge &g = *gauge_;
    const QString text = askForValue(slot, QStringLiteral("Enter Needle Value"),
                                     [&] { return NumberText::needle(g.needleValue()); });
    if (!text.isEmpty())
        runStep([&] { require(g.setNeedleValue(text)); });
    // Also after Cancel or a rejected text.
    UpdateFlowNeedle();
}

void GaugePanel::switchUnit(const UnitSwitch &row)
{
    AGauge &g = *gauge_;
    selectSlot(g, row.slot);
    double min = 0;
    double max = 0;
    runStep([&] { min = g.scaleMin(); });
    runStep([&] { max = g.scaleMax(); });
    if (g.caption() != QLatin1String(row.from))
        return;
    using End = AGauge::ScaleEnd;
    const auto write = [&](End end, double value) {
        runStep([&] { require(g.setScaleEnd(end, row.scale(value))); });
    };
    if (row.minFirst) {
        write(End::Min, min);
        write(End::Max, max);
    } else {
        write(End::Max, max);
        write(End::Min, min);
    }
    runStep([&] { require(g.setNeedleValue(row.needle(g.needleValue()))); });
    if (row.decimals >= 0)
        runStep([&] { require(g.setValueDecimals(row.decimals)); });
    runStep([&] { g.setCaption(QString::fromLatin1(row.to)); });
}

QAction *GaugePanel::addItem(QMenu *menu, const char *name, const char *caption)
{
    auto *action = new QAction(QString::fromLatin1(caption), menu);
    action->setObjectName(QString::fromLatin1(name));
    menu->addAction(action);
    return action;
}

void GaugePanel::buildMenus(QWidget *owner)
{
    static const UnitSwitch units[] = {
        {"mnuDegF", "DegF", Temp, "DegC", "DegF", [](double s) { return 2 * s + 30; },
         [](double n) { return n * (9.0 / 5.0) + 32; }, false, -1},
        {"mnuDegC", "DegC", Temp, "DegF", "DegC", [](double s) { return (s - 30) / 2; },
         [](double n) { return (n - 32) * (5.0 / 9.0); }, true, -1},
        {"mnuPsiG", "PsiG", US, "Kpa", "PsiG", [](double s) { return s / 6.9; },
         [](double n) { return n / kKpaPerPsi; }, true, -1},
        {"mnuKpaG", "Kpa", US, "PsiG", "Kpa", [](double s) { return s * 6.9; },
         [](double n) { return n * kKpaPerPsi; }, false, -1},
        {"mnuPsiD", "PsiD", Diff, "inWC", "PsiD", [](double s) { return s / 27.7; },
         [](double n) { return n / kInWCPerPsi; }, true, 2},
        {"mnuinWC", "inWC", Diff, "PsiD", "inWC", [](double s) { return s * 27.7; },
         [](double n) { return n * kInWCPerPsi; }, false, 1},
        {"mnuMMcf", "MMcF/Day", Flow, "1Km3/D", "MMcF/D", [](double s) { return s / 28.4; },
         [](double n) { return n / kKm3PerMMcfNeedle; }, true, 3},
        {"mnu1000m3", "1Km3/Day", Flow, "MMcF/D", "1Km3/D", [](double s) { return s * 28.4; },
         [](double n) { return n * kKm3PerMMcfNeedle; }, false, 2},
    };
    static const struct
    {
        const char *menu, *caption, *scaleMin, *scaleMax, *needle; // needle: nullptr for flow
    } gauges[] = {
        {"mnuChangeTempUnit", "Change Temperature Unit", "mnuScaleTempMin", "mnuScaleTempMax",
         "mnuTempNeedleValue"},
        {"mnuChangePressureUnit", "Change Pressure Unit", "mnuScaleUSMin", "mnuScaleUSMax",
         "mnuUSNeedleValue"},
        {"mnuChangeDiffUnit", "Change Difference Unit", "mnuScaleDiffMin", "mnuScaleDiffMax",
         "mnuDiffNeedleValue"},
        {"mnuChangeFlowUnit", "Change Flow Unit", "mnuScaleFlowMin", "mnuScaleFlowMax", nullptr},
    };

    mnuChange_ = new QMenu(QStringLiteral("Change"), owner);
    mnuChange_->setObjectName(QStringLiteral("mnuChange"));
    for (int slot = 0; slot < 4; ++slot) {
        QMenu *menu = mnuChange_->addMenu(QString::fromLatin1(gauges[slot].caption));
        menu->setObjectName(QString::fromLatin1(gauges[slot].menu));
        menus_[slot] = menu;
        for (const UnitSwitch &row : units)
            if (row.slot == slot)
                connect(addItem(menu, row.item, row.caption), &QAction::triggered, this,
                        [this, &row] { switchUnit(row); });
        connect(addItem(menu, gauges[slot].scaleMin, "Scale Min"), &QAction::triggered, this,
                [this, slot] { EnterScaleMin(slot); });
        connect(addItem(menu, gauges[slot].scaleMax, "Scale Max"), &QAction::triggered, this,
                [this, slot] { EnterScaleMax(slot); });
        if (gauges[slot].needle) {
            // The pressure menu's item is written without a space.
            const char *caption = slot == US ? "NeedleValue" : "Needle Value";
            connect(addItem(menu, gauges[slot].needle, caption), &QAction::triggered, this,
                    [this, slot] { EnterNeedleValue(slot); });
        }
    }
}
