#include "units.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

struct UnitCase
{
    const char *text;
    Quantity quantity;
    double expected; // engine units
};

// Each spelling, in other letter cases too, against values worked from the unit definitions.
const UnitCase kUnitCases[] = {
    {"55", Quantity::Temperature, 55},
    {"55degF", Quantity::Temperature, 55},
    {"-40degC", Quantity::Temperature, -40},
    {"100 DEGC", Quantity::Temperature, 212},
    {"12.8degc", Quantity::Temperature, 55.04},
    {"100", Quantity::GaugePressure, 100},
    {"100psig", Quantity::GaugePressure, 100},
    {"6.894757293168361kPa", Quantity::GaugePressure, 1},
    {"689.4757293168361 KPA", Quantity::GaugePressure, 100},
    {"4.9psi", Quantity::Differential, 4.9},
    {"27.71364inWC", Quantity::Differential, 1},
    {"277.1364 INWC", Quantity::Differential, 10},
    {"6.894757293168361kpa", Quantity::Differential, 1},
    {"200", Quantity::Flow, 200},
    {"200Mcf/d", Quantity::Flow, 200},
    {"0.2MMcf/d", Quantity::Flow, 200},
    {"0.2 mmcf/D", Quantity::Flow, 200},
    // One Mcf is 28.316846592 m3 exactly, so that many thousand m3 is a thousand Mcf.
    {"28.316846592 1Km3/d", Quantity::Flow, 1000},
    {"28.3168465921km3/d", Quantity::Flow, 1000}, // the unit may follow the digits directly
    {"2.067in", Quantity::Length, 2.067},
    {"+0.5", Quantity::Length, 0.5},
    {" 1e-1 ", Quantity::Dimensionless, 0.1},
    {"14.73psia", Quantity::AbsPressure, 14.73},
    {"42deg", Quantity::Angle, 42},
    {"300ft", Quantity::Height, 300},
};

TEST(Units, SpellingsConvertToTheEngineUnits)
{
    for (const UnitCase &c : kUnitCases) {
        const ParsedNumber n = ParseQuantity(c.text, c.quantity);
        ASSERT_TRUE(n.ok) << c.text << ": " << n.error;
        EXPECT_NEAR(n.value, c.expected, 1e-14 * std::fabs(c.expected) + 1e-300) << c.text;
    }
}

TEST(Units, ErrorsSayWhatIsWrong)
{
    const struct
    {
        const char *text;
        Quantity quantity;
        const char *error;
    } cases[] = {
        {"", Quantity::Length, "no value given"},
        {"abc", Quantity::Length, "'abc' is not a number"},
        {"4.9xyz", Quantity::Differential,
         "'4.9xyz' has an unknown unit 'xyz' (use psi, inWC or kPa)"},
        {"4.9 bar", Quantity::GaugePressure,
         "'4.9 bar' has an unknown unit 'bar' (use psig or kPa)"},
        {"55K", Quantity::Temperature, "unknown unit 'K' (use degF or degC)"},
        {"0.6x", Quantity::Dimensionless, "'0.6x' takes no unit"},
        {"5psig", Quantity::Differential, "unknown unit 'psig'"}, // gauge is not a differential
        {"nan", Quantity::Length, "'nan' is not a finite number"},
        {"-inf", Quantity::Temperature, "'-inf' is not a finite number"},
        {"infdegC", Quantity::Temperature, "'infdegC' is not a finite number"},
        {"1e999", Quantity::GaugePressure, "'1e999' is not a finite number"},
        {"1e308MMcf/d", Quantity::Flow, "'1e308MMcf/d' is beyond the range of numbers"},
        {"--5", Quantity::Length, "not a number"},
        {"+-5", Quantity::Length, "not a number"},
        {"0x10", Quantity::Length, "unknown unit 'x10'"},
        {"kPa", Quantity::GaugePressure, "'kPa' is not a number"},
    };
    for (const auto &c : cases) {
        const ParsedNumber n = ParseQuantity(c.text, c.quantity);
        EXPECT_FALSE(n.ok) << c.text;
        EXPECT_NE(n.error.find(c.error), std::string::npos) << c.text << " -> " << n.error;
    }
}

TEST(Units, UnitsOfTheColumnsAreFoundByName)
{
    ASSERT_NE(FindUnit(Quantity::Differential, "INWC"), nullptr);
    EXPECT_DOUBLE_EQ(FindUnit(Quantity::Differential, "INWC")->toEngine(27.71364), 1);
    EXPECT_EQ(FindUnit(Quantity::GaugePressure, "psi"), nullptr);
    EXPECT_EQ(UnitList(Quantity::Flow), "Mcf/d, MMcf/d or 1Km3/d");
}

} // namespace
