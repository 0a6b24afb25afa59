#include "units.h"

#include "md_formulas.h"

#include <fmt/format.h>

#include <array>
#include <charconv>
#include <cmath>
#include <utility>

namespace {

// The engine's own inches of water per psi (the factor its flow equation turns psi into hw
// with), not the window gauge's 27.67991: a differential typed in inWC then reaches the
// equation as typed, and the inWC printed for a solved differential is the hw the flow used.
constexpr double kInchesWaterPerPsi = flow_formula::kInchesWaterPerPsi;
// Exact by the definitions of the pound-force and the inch: 4.4482216152605 N / 0.00064516 m2.
constexpr double kKilopascalPerPsi = 6.894757293168361;
// Exact: one cubic foot is 0.028316846592 m3, so a thousand cubic feet is 28.316846592 m3 and
// a thousand cubic metres 1000 / 28.316846592 Mcf. The window's flow gauge rounds this to 28.3;
// a tool that totals volumes must not.
constexpr double kCubicMetresPerMcf = 28.316846592;

double same(double v)
{
    return v;
}

constexpr std::array kTemperature{Unit{"degF", same},
                                  Unit{"degC", [](double c) { return c * 9 / 5 + 32; }}};
constexpr std::array kGaugePressure{
    Unit{"psig", same}, Unit{"kPa", [](double kpa) { return kpa / kKilopascalPerPsi; }}};
constexpr std::array kDifferential{
    Unit{"psi", same}, Unit{"inWC", [](double inwc) { return inwc / kInchesWaterPerPsi; }},
    Unit{"kPa", [](double kpa) { return kpa / kKilopascalPerPsi; }}};
constexpr std::array kFlow{
    Unit{"Mcf/d", same}, Unit{"MMcf/d", [](double mm) { return mm * 1000; }},
    Unit{"1Km3/d", [](double km3) { return km3 * 1000 / kCubicMetresPerMcf; }}};
constexpr std::array kLength{Unit{"in", same}};
constexpr std::array kAbsPressure{Unit{"psia", same}};
constexpr std::array kAngle{Unit{"deg", same}};
constexpr std::array kHeight{Unit{"ft", same}};

bool equalNoCase(std::string_view a, std::string_view b)
{
    if (a.size() != b.size())
        return false;
    for (std::size_t i = 0; i < a.size(); ++i) {
        const auto lower = [](char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; };
        if (lower(a[i]) != lower(b[i]))
            return false;
    }
    return true;
}

std::string_view trim(std::string_view s)
{
    const auto space = [](char c) { return c == ' ' || c == '\t'; };
    while (!s.empty() && space(s.front()))
        s.remove_prefix(1);
    while (!s.empty() && space(s.back()))
        s.remove_suffix(1);
    return s;
}

// The number at the start of text: where it ends and from_chars' verdict. from_chars takes no
// '+'; a '+' followed by another sign stays an error.
std::pair<std::size_t, std::errc> leadingNumber(std::string_view text, double &value)
{
    const std::size_t skip =
        text.size() > 1 && text[0] == '+' && text[1] != '-' && text[1] != '+' ? 1 : 0;
    const auto [ptr, ec] = std::from_chars(text.data() + skip, text.data() + text.size(), value);
    return {static_cast<std::size_t>(ptr - text.data()), ec};
}

} // namespace

double InchesWaterPerPsi()
{
    return kInchesWaterPerPsi;
}

double ThousandCubicMetresPerMcf()
{
    return kCubicMetresPerMcf / 1000;
}

std::span<const Unit> UnitsOf(Quantity q)
{
    switch (q) {
    case Quantity::Temperature:
        return kTemperature;
    case Quantity::GaugePressure:
        return kGaugePressure;
    case Quantity::Differential:
        return kDifferential;
    case Quantity::Flow:
        return kFlow;
    case Quantity::Length:
        return kLength;
    case Quantity::AbsPressure:
        return kAbsPressure;
    case Quantity::Angle:
        return kAngle;
    case Quantity::Height:
        return kHeight;
    case Quantity::Dimensionless:
        break;
    }
    return {};
}

std::string UnitList(Quantity q)
{
    const auto units = UnitsOf(q);
    std::string list;
    for (std::size_t i = 0; i < units.size(); ++i) {
        if (i > 0)
            list += i + 1 == units.size() ? " or " : ", ";
        list += units[i].name;
    }
    return list;
}

const Unit *FindUnit(Quantity q, std::string_view name)
{
    for (const Unit &u : UnitsOf(q))
        if (equalNoCase(u.name, name))
            return &u;
    return nullptr;
}

NumberStatus ParseNumber(std::string_view text, double &value)
{
    text = trim(text);
    if (text.empty())
        return NumberStatus::Empty;
    const auto [end, ec] = leadingNumber(text, value);
    if (ec == std::errc::result_out_of_range && end == text.size())
        return NumberStatus::NotFinite;
    if (ec != std::errc() || end != text.size())
        return NumberStatus::NotANumber;
    return std::isfinite(value) ? NumberStatus::Ok : NumberStatus::NotFinite;
}

ParsedNumber ParseQuantity(std::string_view text, Quantity q)
{
    const std::string_view trimmed = trim(text);
    const auto quoted = [&] { return fmt::format("'{}'", trimmed); };
    const auto fromNumber = [&](std::string_view number, const Unit *unit) -> ParsedNumber {
        double v = 0;
        switch (ParseNumber(number, v)) {
        case NumberStatus::Ok:
            break;
        case NumberStatus::Empty:
        case NumberStatus::NotANumber:
            return {false, 0, quoted() + " is not a number"};
        case NumberStatus::NotFinite:
            return {false, 0, quoted() + " is not a finite number"};
        }
        if (!unit)
            return {true, v, {}};
        const double converted = unit->toEngine(v);
        if (!std::isfinite(converted))
            return {false, 0, quoted() + " is beyond the range of numbers"};
        return {true, converted, {}};
    };

    if (trimmed.empty())
        return {false, 0, "no value given"};
    // The longest matching spelling first, so "MMcf/d" is not read as M + "Mcf/d". Matching from
    // the end lets a unit start with a digit: "5.61Km3/d" is 5.6 in 1Km3/d.
    const Unit *best = nullptr;
    for (const Unit &u : UnitsOf(q))
        if (trimmed.size() > u.name.size() &&
            equalNoCase(trimmed.substr(trimmed.size() - u.name.size()), u.name) &&
            (!best || u.name.size() > best->name.size()))
            best = &u;
    if (best)
        return fromNumber(trimmed.substr(0, trimmed.size() - best->name.size()), best);
    double v = 0;
    if (ParseNumber(trimmed, v) == NumberStatus::Ok)
        return fromNumber(trimmed, nullptr);
    // A number followed by something else: name the unit that was not understood.
    if (const auto [end, ec] = leadingNumber(trimmed, v);
        ec == std::errc() && std::isfinite(v) && end > 0) {
        const std::string_view unit = trim(trimmed.substr(end));
        if (UnitsOf(q).empty())
            return {false, 0, quoted() + " takes no unit"};
        return {false, 0,
                fmt::format("{} has an unknown unit '{}' (use {})", quoted(), unit, UnitList(q))};
    }
    return fromNumber(trimmed, nullptr);
}
