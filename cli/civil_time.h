#pragma once

#include <cstdint>
#include <string>
#include <string_view>

// Meter-local times with no zone, as seconds since 1970-01-01 00:00 on the proleptic Gregorian
// calendar; every day has 86400 seconds.
inline constexpr std::int64_t kSecondsPerDay = 86400;

// "YYYY-MM-DD HH:MM" or "YYYY-MM-DD HH:MM:SS" (surrounding spaces allowed), a real date and
// time of day (no leap second, no 24:00). Allocates nothing.
bool ParseCivilTime(std::string_view text, std::int64_t &seconds);

// Days since 1970-01-01 of a date.
std::int64_t DaysFromCivil(std::int64_t year, unsigned month, unsigned day);

// "YYYY-MM-DD" of a day number.
std::string FormatCivilDate(std::int64_t days);

// "YYYY-MM-DD HH:MM:SS".
std::string FormatCivilTime(std::int64_t seconds);

// Floor division, for times before 1970 too.
constexpr std::int64_t FloorDiv(std::int64_t a, std::int64_t b)
{
    return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
