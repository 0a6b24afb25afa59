#include "CalculationSheet.h"

#include "Calculation.h"
#include "GaugePainter.h"
#include "GaugePanel.h"
#include "NumberText.h"

#include <QLabel>
#include <QLineEdit>
#include <QTextDocument>

namespace {

using Row = CalculationSheet::Row;
using Look = CalculationSheet::Look;

// The gauges' quantities; the window names them only by their units.
const struct
{
    FlowInput input;
    const char *name;
} kGaugeInputs[] = {
    {FlowInput::Temp, "Flowing Temperature"},
    {FlowInput::Pressure, "Static Pressure"},
    {FlowInput::Difference, "Differential Pressure"},
};
// The text inputs in the order the window shows them.
const FlowInput kTextInputs[] = {FlowInput::Plate, FlowInput::Meter, FlowInput::SpecGravity,
                                 FlowInput::Tb,    FlowInput::Pb,    FlowInput::Lat,
                                 FlowInput::Elev};
// The factors as the window's two result frames show them.
const FlowFactor kOrificeFactors[] = {FlowFactor::CPrime, FlowFactor::Fb};
const FlowFactor kFactors[] = {FlowFactor::All, FlowFactor::Fg, FlowFactor::Fr, FlowFactor::Y,
                               FlowFactor::Z,   FlowFactor::Fl, FlowFactor::Fa, FlowFactor::FTf,
                               FlowFactor::FTb, FlowFactor::FPb};
constexpr int kFlowDecimals = 3; // Mcf/d

QString when(const QDateTime &t)
{
    if (!t.isValid())
        return QStringLiteral("not calculated yet");
    // Unambiguous wherever the sheet is filed: ISO order with the offset from UTC.
    const int offset = t.offsetFromUtc() / 60;
    return t.toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")) +
           QStringLiteral(" (UTC%1%2:%3)")
               .arg(offset < 0 ? QLatin1Char('-') : QLatin1Char('+'))
               .arg(std::abs(offset) / 60, 2, 10, QLatin1Char('0'))
               .arg(std::abs(offset) % 60, 2, 10, QLatin1Char('0'));
}

Look lookOf(const QList<CalculationNote> &notes)
{
    if (notes.isEmpty())
        return Look::Plain;
    for (const CalculationNote &n : notes)
        if (n.severity == Severity::Error)
            return Look::Error;
    return Look::Warning;
}

QString codes(const QList<CalculationNote> &notes)
{
    QStringList list;
    for (const CalculationNote &n : notes)
        list << n.code;
    return list.join(QStringLiteral(", "));
}

} // namespace

QString CalculationSheet::programName()
{
    return QStringLiteral("Brisko " BRISKO_VERSION);
}

QString CalculationSheet::longName(const QWidget *box)
{
    if (box && box->parentWidget())
        for (const QLabel *label : box->parentWidget()->findChildren<QLabel *>())
            if (label->buddy() == box)
                return label->toolTip();
    return {};
}

CalculationSheet::CalculationSheet(const Calculation &c, const PanelFields &fields)
    : title_(QStringLiteral("Orifice flow calculation"))
{
    header_ = {
        {QStringLiteral("Date and time"), when(c.when), {}, {}},
        {QStringLiteral("Program"), programName(), {}, {}},
        {QStringLiteral("Method"), QStringLiteral("orifice factor method"), {}, {}},
    };

    // Both forms of an input carry the notes about it, so a doubtful value stands out in each.
    const auto input = [&](FlowInput id, const QString &shownName, const QString &shownValue,
                           const QString &shownUnit) {
        const FlowInputField &field = flowInputField(id);
        const QList<CalculationNote> notes = calculationNotes(c, id);
        const Look look = lookOf(notes);
        const QString note = codes(notes);
        inputs_.append(Input{{shownName, shownValue, shownUnit, note, look},
                             {QStringLiteral("%1 (%2)").arg(QString::fromLatin1(field.name),
                                                            QString::fromLatin1(field.label)),
                              NumberText::plain(c.inputs.*field.value),
                              QString::fromLatin1(field.unit), note, look}});
    };
    for (int slot = 0; slot < 3; ++slot) {
        const GaugeReading &g = c.gauges[slot];
        input(kGaugeInputs[slot].input, QString::fromLatin1(kGaugeInputs[slot].name),
              GaugePainter::readoutText(g.value, g.decimals), g.caption);
    }
    for (FlowInput id : kTextInputs) {
        const TextReading *t = c.text(id);
        QString name = longName(fields.inputField(id));
        if (name.isEmpty())
            name = QString::fromLatin1(flowInputField(id).label);
        input(id, name, t ? t->text : QString(), QString::fromLatin1(flowInputField(id).unit));
    }

    const FlowFactorSet stale = FactorsNotComputed(c.failedSteps);
    const auto factorRow = [&](FlowFactor f) {
        const FlowFactorField &field = kFlowFactorFields[static_cast<std::size_t>(f)];
        QString name = longName(fields.factorBox(f));
        if (name.isEmpty())
            name = QString::fromLatin1(field.name);
        const bool notComputed = stale.test(static_cast<std::size_t>(f));
        return Row{name,
                   NumberText::factor(c.factors.*field.value),
                   {},
                   notComputed ? QString::fromLatin1(notComputedText(f)) : QString(),
                   notComputed ? Look::NotComputed : Look::Plain};
    };
    Section orifice{QStringLiteral("Orifice"), QStringLiteral("Factor"), {}};
    for (FlowFactor f : kOrificeFactors)
        orifice.rows.append(factorRow(f));
    Section factors{QStringLiteral("Factors"), QStringLiteral("Factor"), {}};
    for (FlowFactor f : kFactors)
        factors.rows.append(factorRow(f));

    const GaugeReading &flow = c.gauges[3];
    const Section flowSection{QStringLiteral("Flow"),
                              QStringLiteral("Quantity"),
                              {{QStringLiteral("Flow as shown"),
                                GaugePainter::readoutText(flow.value, flow.decimals),
                                flow.caption,
                                {}},
                               {QStringLiteral("Flow in the engine's unit"),
                                NumberText::fixed(c.flowMcfd, kFlowDecimals),
                                QStringLiteral("Mcf/d"),
                                {}}}};

    Section findings{QStringLiteral("Range checks"), QStringLiteral("Finding"), {}, false};
    for (const CalculationNote &n : calculationNotes(c)) {
        const bool error = n.severity == Severity::Error;
        findings.rows.append({error ? QStringLiteral("Error") : QStringLiteral("Warning"),
                              n.message,
                              {},
                              n.code,
                              error ? Look::Error : Look::Warning});
    }
    if (findings.rows.isEmpty())
        findings.rows.append({QStringLiteral("Findings"), QStringLiteral("none"), {}, {}});

    results_ = {orifice, factors, flowSection, findings};
}

QString CalculationSheet::plainText() const
{
    QStringList lines{title_};
    const auto add = [&](const Row &r) {
        QStringList cells{r.name, r.value, r.unit, r.note};
        while (cells.size() > 1 && cells.last().isEmpty())
            cells.removeLast();
        lines << cells.join(QLatin1Char('\t'));
    };
    for (const Row &r : header_)
        add(r);
    lines << QString() << QStringLiteral("Inputs as shown");
    for (const Input &in : inputs_)
        add(in.shown);
    lines << QString() << QStringLiteral("Inputs in the engine's units");
    for (const Input &in : inputs_)
        add(in.engine);
    for (const Section &s : results_) {
        lines << QString() << s.title;
        for (const Row &r : s.rows)
            add(r);
    }
    return lines.join(QLatin1Char('\n')) + QLatin1Char('\n');
}

std::unique_ptr<QTextDocument> CalculationSheet::document() const
{
    const auto esc = [](const QString &text) { return text.toHtmlEscaped(); };
    const auto rowClass = [](Look look) {
        switch (look) {
        case Look::Warning:
            return QStringLiteral(" class='warning'");
        case Look::Error:
            return QStringLiteral(" class='error'");
        case Look::NotComputed:
            return QStringLiteral(" class='stale'");
        case Look::Plain:
            break;
        }
        return QString();
    };
    const auto cell = [&](const QString &text, const QString &cls = {}) {
        return (cls.isEmpty() ? QStringLiteral("<td>")
                              : QStringLiteral("<td class='%1'>").arg(cls)) +
               esc(text) + QStringLiteral("</td>");
    };

    QString html =
        QStringLiteral("<html><head><title>%1</title><style>").arg(esc(title_)) +
        QStringLiteral(
            "p.title { font-size: 15pt; font-weight: bold; margin-bottom: 4pt; }"
            "p.section { font-size: 10.5pt; font-weight: bold; color: #00006e; margin-top: 14pt;"
            " margin-bottom: 4pt; }"
            "table.data { border-collapse: collapse; border-color: #b4b8c0; border-style: solid; }"
            "th { background-color: #e8ebf2; text-align: left; font-weight: bold; }"
            "td.num { text-align: right; }"
            "td.unit { color: #303030; }"
            "td.note { color: #505050; font-style: italic; }"
            "tr.warning { background-color: #fff0c2; }"
            "tr.error { background-color: #ffd9d9; }"
            "tr.stale { color: #808080; font-style: italic; }"
            "</style></head><body>");
    html += QStringLiteral("<p class='title'>%1</p>").arg(esc(title_));
    html += QStringLiteral("<table cellspacing='0' cellpadding='1' style='margin-bottom: 6px'>");
    for (const Row &r : header_)
        html += QStringLiteral("<tr><td width='110'><b>%1</b></td><td>%2</td></tr>")
                    .arg(esc(r.name), esc(r.value));
    html += QStringLiteral("</table>");

    const QString table =
        QStringLiteral("<table class='data' width='100%' border='1' cellspacing='0' cellpadding='2'"
                       " style='margin-bottom: 6px'>");
    const auto section = [&](const QString &title) {
        return QStringLiteral("<p class='section'>%1</p>").arg(esc(title)) + table;
    };
    html += section(QStringLiteral("Inputs")) +
            QStringLiteral("<thead><tr><th width='32%'>Input</th><th colspan='2' width='17%'>"
                           "As shown</th><th colspan='3'>In the engine's units</th></tr></thead>");
    for (const Input &in : inputs_)
        html += QStringLiteral("<tr%1>").arg(rowClass(in.shown.look)) + cell(in.shown.name) +
                cell(in.shown.value, QStringLiteral("num")) +
                cell(in.shown.unit, QStringLiteral("unit")) + cell(in.engine.name) +
                cell(in.engine.value, QStringLiteral("num")) +
                cell(in.engine.unit, QStringLiteral("unit")) + QStringLiteral("</tr>");
    html += QStringLiteral("</table>");

    // The same columns in every table of results, so their values line up down the page.
    for (const Section &s : results_) {
        html += section(s.title);
        // A header row, repeated where a table runs onto the next page.
        html += s.numbers ? QStringLiteral("<thead><tr><th>%1</th><th>Value</th><th>Unit</th>"
                                           "<th>Note</th></tr></thead>")
                                .arg(esc(s.nameHeading))
                          : QStringLiteral("<thead><tr><th>%1</th><th colspan='2'>Message</th>"
                                           "<th>Code</th></tr></thead>")
                                .arg(esc(s.nameHeading));
        for (const Row &r : s.rows) {
            html += QStringLiteral("<tr%1>").arg(rowClass(r.look));
            if (s.numbers)
                html += QStringLiteral("<td width='56%'>%1</td><td class='num' width='13%'>%2</td>"
                                       "<td class='unit' width='9%'>%3</td>")
                            .arg(esc(r.name), esc(r.value), esc(r.unit));
            else
                html += QStringLiteral("<td width='10%'>%1</td><td colspan='2'>%2</td>")
                            .arg(esc(r.name), esc(r.value));
            html += cell(r.note, QStringLiteral("note")) + QStringLiteral("</tr>");
        }
        html += QStringLiteral("</table>");
    }
    html += QStringLiteral("</body></html>");

    auto doc = std::make_unique<QTextDocument>();
    QFont font(QStringLiteral("Arial"));
    font.setPointSizeF(9);
    doc->setDefaultFont(font);
    doc->setHtml(html); // its <title> is the document's title
    return doc;
}
