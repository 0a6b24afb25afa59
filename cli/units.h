#pragma once

#include <span>
#include <string>
#include <string_view>

// What a number given to the command line measures; each has the engine's unit and the other
// spellings it accepts.
enum class Quantity : unsigned char {
    Temperature,   // degF (engine), degC
    GaugePressure, // psig (engine), kPa gauge
    Differential,  // psi (engine), inWC, kPa
    Flow,          // Mcf/d (engine), MMcf/d, 1Km3/d
    Length,        // in
    AbsPressure,   // psia
    Angle,         // deg
    Height,        // ft
    Dimensionless, // no unit
};

struct Unit
{
    std::string_view name; // the spelling shown in help and messages; matched case-insensitively
    double (*toEngine)(double);
};

// The units a quantity accepts, the engine's unit first.
std::span<const Unit> UnitsOf(Quantity q);

// "degF or degC", for help and messages; empty for a dimensionless quantity.
std::string UnitList(Quantity q);

// The unit of `q` spelled `name` (case-insensitive), or null.
const Unit *FindUnit(Quantity q, std::string_view name);

// A number converted to the engine's unit, or why it is not one.
struct ParsedNumber
{
    bool ok = false;
    double value = 0;
    std::string error; // e.g. "'12x' has an unknown unit 'x' (use degF or degC)"
};

// A decimal number, optionally followed (with or without a space) by a unit of `q`, the
// engine's unit when none. Non-finite and out-of-range values are errors.
ParsedNumber ParseQuantity(std::string_view text, Quantity q);

enum class NumberStatus : unsigned char { Ok, Empty, NotANumber, NotFinite };

// A plain decimal number: the whole text but for surrounding spaces, an optional leading '+'.
// Infinities, NaN and values beyond the double range are NotFinite. Allocates nothing.
NumberStatus ParseNumber(std::string_view text, double &value);

// The engine's inches of water per psi: the flow equation's own conversion, so a differential
// given in inWC enters the equation as typed.
double InchesWaterPerPsi();
// Thousands of cubic metres per day in one Mcf/d.
double ThousandCubicMetresPerMcf();
