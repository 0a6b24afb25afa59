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
    // Group separators are never read: under a comma locale "0.615" would otherwise be 615.
    // A text that is no number in the user's locale is tried once more with a point, so the
    // lists, the defaults and stores written elsewhere read the same everywhere.
    const QString trimmed = text.trimmed();
    for (QLocale l : {locale, QLocale::c()}) {
        l.setNumberOptions(l.numberOptions() | QLocale::RejectGroupSeparator);
        bool ok = false;
        const double value = l.toDouble(trimmed, &ok);
        if (ok)
            return std::isfinite(value) ? std::optional(value) : std::nullopt;
    }
    return std::nullopt;
}

QString plain(double value, const QLocale &locale)
{
    return withoutGroups(locale).toString(value, 'g', 15);
}

QString fixed(double value, int decimals, const QLocale &locale)
{
    const QLocale l = withoutGroups(locale);
    QString text = l.toString(value, 'f', decimals);
    // A value that rounds to zero carries no sign: "-0.00000" would read as a failed sign.
    const QString minus = l.negativeSign();
    if (text.startsWith(minus) && l.toDouble(text.mid(minus.size())) == 0)
        text.remove(0, minus.size());
    return text;
}

QString factor(double value, const QLocale &locale)
{
    return fixed(round15(value), 5, locale);
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
