#include "civil_time.h"

#include <fmt/format.h>

namespace {

bool digits(std::string_view s, std::size_t at, std::size_t count, unsigned &value)
{
    value = 0;
    for (std::size_t i = at; i < at + count; ++i) {
        const char c = s[i];
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + unsigned(c - '0');
    }
    return true;
}

bool leap(std::int64_t y)
{
    return y % 4 == 0 && (y % 100 != 0 || y % 400 == 0);
}

unsigned daysInMonth(std::int64_t y, unsigned m)
{
    constexpr unsigned days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return m == 2 && leap(y) ? 29 : days[m - 1];
}

} // namespace

// The well-known days-from-civil algorithm on 400-year eras.
std::int64_t DaysFromCivil(std::int64_t y, unsigned m, unsigned d)
{
    y -= m <= 2;
    const std::int64_t era = FloorDiv(y, 400);
    const auto yoe = static_cast<unsigned>(y - era * 400);
    const unsigned doy = (153 * (m > 2 ? m - 3 : m + 9) + 2) / 5 + d - 1;
    const unsigned doe = yoe * 365 + yoe / 4 - yoe / 100 + doy;
    return era * 146097 + static_cast<std::int64_t>(doe) - 719468;
}

std::string FormatCivilDate(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = FloorDiv(days, 146097);
    const auto doe = static_cast<unsigned>(days - era * 146097);
    const unsigned yoe = (doe - doe / 1460 + doe / 36524 - doe / 146096) / 365;
    const unsigned doy = doe - (365 * yoe + yoe / 4 - yoe / 100);
    const unsigned mp = (5 * doy + 2) / 153;
    const unsigned d = doy - (153 * mp + 2) / 5 + 1;
    const unsigned m = mp < 10 ? mp + 3 : mp - 9;
    const std::int64_t y = static_cast<std::int64_t>(yoe) + era * 400 + (m <= 2);
    return fmt::format("{:04}-{:02}-{:02}", y, m, d);
}

std::string FormatCivilTime(std::int64_t seconds)
{
    const std::int64_t days = FloorDiv(seconds, kSecondsPerDay);
    const std::int64_t s = seconds - days * kSecondsPerDay;
    return fmt::format("{} {:02}:{:02}:{:02}", FormatCivilDate(days), s / 3600, s / 60 % 60,
                       s % 60);
}

bool ParseCivilTime(std::string_view text, std::int64_t &seconds)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    if (text.size() != 16 && text.size() != 19)
        return false;
    unsigned y, mo, d, h, mi, s = 0;
    if (!digits(text, 0, 4, y) || text[4] != '-' || !digits(text, 5, 2, mo) || text[7] != '-' ||
        !digits(text, 8, 2, d) || text[10] != ' ' || !digits(text, 11, 2, h) || text[13] != ':' ||
        !digits(text, 14, 2, mi))
        return false;
    if (text.size() == 19 && (text[16] != ':' || !digits(text, 17, 2, s)))
        return false;
    if (mo < 1 || mo > 12 || d < 1 || d > daysInMonth(y, mo) || h > 23 || mi > 59 || s > 59)
        return false;
    seconds = DaysFromCivil(y, mo, d) * kSecondsPerDay + h * 3600 + mi * 60 + s;
    return true;
}
