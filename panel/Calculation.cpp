#include "Calculation.h"

#include "NumberText.h"

#include <QRegularExpression>

namespace {

CalculationNote noteOf(const Finding &f)
{
    return {f.severity, QString::fromLatin1(f.code.data(), qsizetype(f.code.size())),
            localizedMessage(f.message), f.input};
}

// A text the calculation could not read: it went on with the value an earlier one had read.
CalculationNote textNote(const Calculation &c, const TextReading &t)
{
    const FlowInputField &field = flowInputField(t.input);
    QString used = NumberText::plain(c.inputs.*field.value);
    if (*field.unit)
        used += QLatin1Char(' ') + QString::fromLatin1(field.unit);
    return {Severity::Error, QStringLiteral("text-not-a-number"),
            QStringLiteral("%1 \"%2\" is not a number; the calculation used the earlier value %3")
                .arg(QString::fromLatin1(field.label), t.text, used),
            t.input};
}

} // namespace

QString CalculationNote::line() const
{
    return (severity == Severity::Error ? QStringLiteral("Error: ") : QStringLiteral("Warning: ")) +
           message;
}

QList<CalculationNote> calculationNotes(const Calculation &c)
{
    QList<CalculationNote> notes;
    for (const Finding &f : c.findings)
        notes.append(noteOf(f));
    for (const TextReading &t : c.texts)
        if (!t.number)
            notes.append(textNote(c, t));
    return notes;
}

QList<CalculationNote> calculationNotes(const Calculation &c, FlowInput input)
{
    QList<CalculationNote> notes;
    for (const CalculationNote &n : calculationNotes(c))
        if (n.input == input)
            notes.append(n);
    return notes;
}

const char *notComputedText(FlowFactor factor)
{
    // C' alone is not kept by the engine.
    return factor == FlowFactor::CPrime ? "not computed: C' falls back to 0"
                                        : "not computed: value kept from the previous calculation";
}

QString localizedMessage(const std::string &message, const QLocale &locale)
{
    // The engine writes its numbers with a point; a decimal point stands between two digits.
    static const QRegularExpression point(QStringLiteral("(?<=\\d)\\.(?=\\d)"));
    QString text = QString::fromStdString(message);
    if (locale.decimalPoint() != QLatin1String("."))
        text.replace(point, locale.decimalPoint());
    return text;
}

QString localizedSentence(const std::string &message, const QLocale &locale)
{
    QString text = localizedMessage(message, locale);
    if (!text.isEmpty())
        text[0] = text[0].toUpper();
    return text;
}
