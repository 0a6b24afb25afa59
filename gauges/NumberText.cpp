#include "NumberText.h"

#include <cmath>

namespace NumberText {

namespace {
QLocale withoutGroups(QLocale locale)
{
    locale.setNumberOptions(locale.numberOptions() | QLocale::OmitGroupSeparator);
    return locale;
}

double round15(double value)
{
    return QString::number(value, 'g', 15).toDouble();
}
} // namespace

std::optional<double> parse(const QString &text, const QLocale &locale)
{
    bool ok = false;
    const double value = locale.toDouble(text.trimmed(), &ok);
    if (!ok || !std::isfinite(value))
        return std::nullopt;
    return value;
}

QString plain(double value, const QLocale &locale)
{
    return withoutGroups(locale).toString(value, 'g', 15);
}

QString factor(double value, const QLocale &locale)
{
    return withoutGroups(locale).toString(round15(value), 'f', 5);
}

QString needle(double value, const QLocale &locale)
{
    const QLocale l = withoutGroups(locale);
    QString text = l.toString(round15(value), 'f', 3);
    const QString point = l.decimalPoint();
    while (text.endsWith(l.zeroDigit()))
        text.chop(1);
    // "#" writes no digit for a zero integer part: 0.25 -> ".25", -0.25 -> "-.25".
    const QString zeroPoint = l.zeroDigit() + point;
    const QString minus = l.negativeSign();
    if (text.startsWith(zeroPoint))
        text.remove(0, l.zeroDigit().size());
    else if (text.startsWith(minus + zeroPoint))
        text.remove(minus.size(), l.zeroDigit().size());
    if (text == minus + point) // a value that rounds to zero carries no sign
        text = point;
    return text;
}

} // namespace NumberText
