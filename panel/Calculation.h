#pragma once

#include "md_ranges.h"
#include "md_vbcalc.h"

#include <QDateTime>
#include <QList>
#include <QLocale>
#include <QString>

#include <array>
#include <vector>

// A gauge as a calculation read it: its unit, needle and readout decimals.
struct GaugeReading
{
    QString caption;
    double value = 0;
    int decimals = 0;
};

// An input field's text as a calculation read it. When it was no number, the calculation used
// the value an earlier one had read.
struct TextReading
{
    FlowInput input = FlowInput::None;
    QString text;
    bool number = false;
};

// Everything one recalculation read, used and produced: what the window's findings, the
// calculation sheet and the flow solvers work from.
struct Calculation
{
    QDateTime when; // invalid before the first calculation
    // By gauge slot; slot 3 is the flow as the flow dial shows it.
    std::array<GaugeReading, 4> gauges;
    // The seven text inputs, in the order they are read.
    std::array<TextReading, 7> texts;
    FlowInputs inputs;
    FlowFactors factors;
    FlowStepSet failedSteps;
    std::vector<Finding> findings;
    double flowMcfd = 0; // the engine's flow rate

    // The reading of the text field for input, or nullptr for an input read from a gauge.
    const TextReading *text(FlowInput input) const
    {
        for (const TextReading &t : texts)
            if (t.input == input)
                return &t;
        return nullptr;
    }
};

// One thing that makes a calculation's numbers doubtful: a finding of the range checks, or an
// input text that was no number (the calculation used an earlier value).
struct CalculationNote
{
    Severity severity = Severity::Error;
    QString code;    // stable: the finding's, or "text-not-a-number"
    QString message; // in the user's locale
    FlowInput input = FlowInput::None;

    // "Warning: " or "Error: " and the message.
    QString line() const;
};

// Every note of c: the findings in their order, then the texts that were no number.
QList<CalculationNote> calculationNotes(const Calculation &c);
// The notes about one input.
QList<CalculationNote> calculationNotes(const Calculation &c, FlowInput input);

// What a factor box whose step failed says about its value.
const char *notComputedText(FlowFactor factor);

// An engine message for the user: its numbers in the locale's decimal separator and, as a
// sentence, its first letter in capitals.
QString localizedMessage(const std::string &message, const QLocale &locale = QLocale());
QString localizedSentence(const std::string &message, const QLocale &locale = QLocale());
