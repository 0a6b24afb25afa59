#pragma once

#include <QLocale>
#include <QString>

#include <optional>

// Number text as the user reads and writes it. Parsing and formatting follow the user's
// locale (QLocale()) unless another locale is given; only finite numbers are accepted.
namespace NumberText {

// The number in text, or nothing when the text is empty, not a number, or not finite
// ("inf" and "nan" included). Surrounding blanks are allowed, group separators are not. A
// text that is no number in the locale is read with a point as the decimal separator.
std::optional<double> parse(const QString &text, const QLocale &locale = QLocale());

// Rounded to 15 significant digits, no trailing zeros, no group separators: 4.9 -> "4.9".
QString plain(double value, const QLocale &locale = QLocale());

// Fixed-point with the given decimals and no group separators; a value that rounds to zero
// is written without a sign.
QString fixed(double value, int decimals, const QLocale &locale = QLocale());

// Format "0.00000": at least one digit before the separator and exactly five after it, of
// the value first rounded to 15 significant digits.
QString factor(double value, const QLocale &locale = QLocale());

// Format "#.###": at most three decimals, no leading zero, no trailing zeros, and always the
// separator: 55 -> "55.", 0.25 -> ".25".
QString needle(double value, const QLocale &locale = QLocale());

} // namespace NumberText
