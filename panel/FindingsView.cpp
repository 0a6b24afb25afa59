#include "FindingsView.h"

#include "AGauge.h"
#include "GaugePainter.h"

#include <QComboBox>
#include <QHelpEvent>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace {

// The marks on the readouts, stronger than the field tints.
const QColor kWarningMark(224, 150, 0);
const QColor kErrorMark(200, 30, 30);

const FlowInput kSlotInputs[] = {FlowInput::Temp, FlowInput::Pressure, FlowInput::Difference};

Severity worst(const QList<CalculationNote> &notes)
{
    for (const auto &n : notes)
        if (n.severity == Severity::Error)
            return Severity::Error;
    return Severity::Warning;
}

// A small warning triangle under a dial's readout.
class ReadoutMark : public QWidget
{
public:
    explicit ReadoutMark(QWidget *parent) : QWidget(parent)
    {
        // The gauge below keeps its mouse and its tooltips.
        setAttribute(Qt::WA_TransparentForMouseEvents);
        hide();
    }

    void setSeverity(Severity severity)
    {
        if (severity_ == severity)
            return;
        severity_ = severity;
        update();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter p(this);
        p.setRenderHint(QPainter::Antialiasing);
        const QRectF r = QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5);
        QPainterPath triangle;
        triangle.moveTo(r.center().x(), r.top());
        triangle.lineTo(r.right(), r.bottom());
        triangle.lineTo(r.left(), r.bottom());
        triangle.closeSubpath();
        const QColor colour = severity_ == Severity::Error ? kErrorMark : kWarningMark;
        p.setPen(QPen(colour.darker(140), 1));
        p.setBrush(colour);
        p.drawPath(triangle);
        // The exclamation mark: a bar and a dot, drawn so it needs no font.
        const double w = r.width();
        const double x = r.center().x();
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawRoundedRect(
            QRectF(x - w * 0.06, r.top() + r.height() * 0.33, w * 0.12, r.height() * 0.36),
            w * 0.05, w * 0.05);
        p.drawEllipse(QPointF(x, r.top() + r.height() * 0.82), w * 0.07, w * 0.07);
    }

private:
    Severity severity_ = Severity::Warning;
};

} // namespace

FindingsView::FindingsView(GaugePanel &panel, AGauge *gauge, const PanelFields &fields)
    : QObject(&panel), panel_(panel), gauge_(gauge), fields_(fields)
{
    setObjectName(QStringLiteral("FindingsView"));
    for (QWidget *&m : marks_)
        m = new ReadoutMark(gauge_);
    gauge_->installEventFilter(this);
    connect(&panel_, &GaugePanel::recalculated, this, &FindingsView::show);
}

QWidget *FindingsView::readoutMark(int slot) const
{
    return marks_.at(slot);
}

void FindingsView::setLook(QWidget *widget, const QPalette *palette, const QString &tip)
{
    if (!palette) {
        const auto saved = saved_.constFind(widget);
        if (saved == saved_.cend())
            return; // never marked: its look is its own
        widget->setPalette(saved->palette);
        widget->setToolTip(saved->toolTip);
        saved_.erase(saved);
        return;
    }
    if (!saved_.contains(widget))
        saved_.insert(widget, {widget->palette(), widget->toolTip()});
    if (widget->palette() != *palette)
        widget->setPalette(*palette);
    if (widget->toolTip() != tip)
        widget->setToolTip(tip);
}

void FindingsView::show()
{
    const Calculation &c = panel_.calculation();

    for (const FlowInputField &field : kFlowInputFields) {
        QWidget *box = fields_.inputField(field.input);
        if (!box)
            continue;
        const QList<CalculationNote> notes = calculationNotes(c, field.input);
        if (notes.isEmpty()) {
            setLook(box, nullptr, {});
            continue;
        }
        QPalette pal = saved_.value(box, {box->palette(), {}}).palette;
        pal.setColor(QPalette::Base, worst(notes) == Severity::Error ? ErrorTint : WarningTint);
        // Rich text, so that a long message wraps instead of running off the screen.
        QString tip;
        for (const CalculationNote &n : notes)
            tip += QStringLiteral("<p>%1</p>").arg(n.line().toHtmlEscaped());
        setLook(box, &pal, tip);
    }

    const FlowFactorSet stale = FactorsNotComputed(c.failedSteps);
    for (const FlowFactorField &field : kFlowFactorFields) {
        QLineEdit *box = fields_.factorBox(field.factor);
        if (!stale.test(static_cast<std::size_t>(field.factor))) {
            setLook(box, nullptr, {});
            continue;
        }
        QPalette pal = saved_.value(box, {box->palette(), {}}).palette;
        // Halfway to the background: plainly greyed, still legible.
        const QColor text = pal.color(QPalette::Text), base = pal.color(QPalette::Base);
        pal.setColor(QPalette::Text,
                     QColor((text.red() + base.red()) / 2, (text.green() + base.green()) / 2,
                            (text.blue() + base.blue()) / 2));
        setLook(box, &pal, QString::fromLatin1(notComputedText(field.factor)));
    }

    for (int slot = 0; slot < 4; ++slot) {
        // The flow depends on every input: all notes gather on its readout.
        const QList<CalculationNote> notes =
            slot == 3 ? calculationNotes(c) : calculationNotes(c, kSlotInputs[slot]);
        auto *m = static_cast<ReadoutMark *>(marks_[slot]);
        if (notes.isEmpty()) {
            slotTips_[slot].clear();
            m->hide();
            continue;
        }
        QString tip = QStringLiteral("<p style='white-space:pre'><b>%1</b></p><ul>")
                          .arg(slot == 3 ? QStringLiteral("Findings of this calculation")
                                         : QStringLiteral("Findings on this input"));
        for (const CalculationNote &n : notes)
            tip += QStringLiteral("<li>") + n.line().toHtmlEscaped() + QStringLiteral("</li>");
        slotTips_[slot] = tip + QStringLiteral("</ul>");
        m->setSeverity(worst(notes));
        m->show();
    }
    placeMarks();
}

QRectF FindingsView::tipArea(int slot) const
{
    const QRectF readout = GaugePainter::dialGeometry(slot, gauge_->size()).readoutRect();
    return readout.united(marks_[slot]->geometry());
}

void FindingsView::placeMarks()
{
    for (int slot = 0; slot < 4; ++slot) {
        const GaugePainter::DialGeometry dial = GaugePainter::dialGeometry(slot, gauge_->size());
        const QRectF readout = dial.readoutRect();
        // Under the readout's right end: clear of the scale's end numbers and stop pins beside
        // the readout and of the flow dial's OUTPUT mark under its middle.
        const int side = qMax(9, qRound(12 * dial.unit()));
        marks_[slot]->setGeometry(qRound(readout.right()) - side,
                                  qRound(readout.bottom() + 2 * dial.unit()), side, side);
        marks_[slot]->setVisible(!slotTips_[slot].isEmpty() && dial.drawable());
    }
}

bool FindingsView::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == gauge_) {
        if (event->type() == QEvent::Resize) {
            placeMarks();
        } else if (event->type() == QEvent::ToolTip) {
            auto *help = static_cast<QHelpEvent *>(event);
            for (int slot = 0; slot < 4; ++slot) {
                const QRectF area = tipArea(slot);
                if (!slotTips_[slot].isEmpty() && area.contains(help->pos())) {
                    QToolTip::showText(help->globalPos(), slotTips_[slot], gauge_,
                                       area.toAlignedRect());
                    return true;
                }
            }
        }
    }
    return QObject::eventFilter(watched, event);
}
