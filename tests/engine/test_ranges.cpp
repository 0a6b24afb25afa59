#include "md_ranges.h"
#include "window_defaults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

const Finding *find(const std::vector<Finding> &findings, std::string_view code)
{
    for (const Finding &f : findings)
        if (f.code == code)
            return &f;
    return nullptr;
}

int count(const std::vector<Finding> &findings, std::string_view code)
{
    int n = 0;
    for (const Finding &f : findings)
        n += f.code == code;
    return n;
}

TEST(CheckRanges, TheWindowDefaultsHaveNoFinding)
{
    EXPECT_TRUE(CheckRanges(windowDefaults(), {}).empty());
    EXPECT_FALSE(HasInputError(windowDefaults()));
}

// One row per finding: `inside` sits on the boundary and must not raise it, `outside` lies just
// beyond and must raise it once, about `input`, with the offending number in the message.
struct Row
{
    const char *code;
    Severity severity;
    FlowInput input;
    double FlowInputs::*field;
    double inside, outside;
    const char *number;
    FlowInputs base = windowDefaults();
};

void PrintTo(const Row &row, std::ostream *os)
{
    *os << row.code << " " << row.inside << " / " << row.outside;
}

FlowInputs with(FlowInputs in, double FlowInputs::*field, double value)
{
    in.*field = value;
    return in;
}

class CheckRangesBoundary : public ::testing::TestWithParam<Row>
{
};

TEST_P(CheckRangesBoundary, RaisedJustBeyondAndNotOnIt)
{
    const Row &row = GetParam();
    const auto inside = CheckRanges(with(row.base, row.field, row.inside), {});
    EXPECT_EQ(find(inside, row.code), nullptr) << "at " << row.inside;

    const FlowInputs outsideInputs = with(row.base, row.field, row.outside);
    const auto outside = CheckRanges(outsideInputs, {});
    ASSERT_EQ(count(outside, row.code), 1) << "at " << row.outside;
    const Finding &f = *find(outside, row.code);
    EXPECT_EQ(f.severity, row.severity);
    EXPECT_EQ(f.input, row.input);
    EXPECT_NE(f.message.find(row.number), std::string::npos) << f.message;
    EXPECT_EQ(HasInputError(outsideInputs), HasError(outside));
}

constexpr double kNan = std::numeric_limits<double>::quiet_NaN();
constexpr double kTiny = std::numeric_limits<double>::denorm_min();
constexpr auto E = Severity::Error;
constexpr auto W = Severity::Warning;
using I = FlowInput;
using In = FlowInputs;

FlowInputs gravity07()
{
    // Tpc 385 and Ppc 670: the boundaries of Tpr and Ppr fall on round inputs.
    return with(windowDefaults(), &In::SpecGravity, 0.7);
}

FlowInputs meterOne()
{
    return with(windowDefaults(), &In::Meter, 1); // beta equals the bore
}

FlowInputs absolutePressure16()
{
    return with(windowDefaults(), &In::Pressure, 1.6); // 1.6 + 14.4 is exactly 16
}

INSTANTIATE_TEST_SUITE_P(
    Findings, CheckRangesBoundary,
    ::testing::Values(
        Row{"input-not-finite", E, I::Elev, &In::Elev, 1e308, kNan, "elevation"},
        Row{"meter-not-positive", E, I::Meter, &In::Meter, kTiny, 0, "meter inside diameter 0"},
        Row{"bore-not-positive", E, I::Plate, &In::Plate, kTiny, -0.5, "-0.5 in"},
        Row{"gravity-not-positive", E, I::SpecGravity, &In::SpecGravity, kTiny, 0, "gravity 0"},
        Row{"differential-not-positive", E, I::Difference, &In::Difference, kTiny, 0,
            "differential 0 psi"},
        Row{"temperature-not-positive", E, I::Temp, &In::Temp, std::nextafter(-460.0, 0.0), -460,
            "-460 degF"},
        Row{"pressure-not-positive", E, I::Pressure, &In::Pressure, std::nextafter(-14.4, 0.0),
            -14.4, "-14.4 psig"},
        Row{"bore-not-below-meter", E, I::Plate, &In::Plate, std::nextafter(2.067, 0.0), 2.067,
            "2.067 in"},
        Row{"base-temperature-not-positive", E, I::Tb, &In::Tb, std::nextafter(-460.0, 0.0), -460,
            "-460 degF"},
        Row{"base-pressure-not-positive", E, I::Pb, &In::Pb, kTiny, 0, "base pressure 0 psia"},
        Row{"latitude-range", E, I::Lat, &In::Lat, -90, -90.5, "-90.5"},
        Row{"latitude-range", E, I::Lat, &In::Lat, 90, 90.5, "90.5"},
        Row{"beta-range", W, I::Plate, &In::Plate, 0.15, 0.1499, "0.1499", meterOne()},
        Row{"beta-range", W, I::Plate, &In::Plate, 0.7, 0.7001, "0.7001", meterOne()},
        Row{"differential-ratio", W, I::Difference, &In::Difference, 3.2, 3.2001, "16 psia",
            absolutePressure16()},
        Row{"tpr-range", W, I::Temp, &In::Temp, 2, 1.9, "1.2 to 3", gravity07()},
        Row{"tpr-range", W, I::Temp, &In::Temp, 695, 695.1, "3.00026", gravity07()},
        Row{"ppr-range", W, I::Pressure, &In::Pressure, 0, -0.5, "-0.000746", gravity07()},
        Row{"ppr-range", W, I::Pressure, &In::Pressure, 1340, 1340.5, "2.00075", gravity07()},
        Row{"gravity-range", W, I::SpecGravity, &In::SpecGravity, 0.554, 0.5539, "0.5539"},
        Row{"gravity-range", W, I::SpecGravity, &In::SpecGravity, 1.0, 1.0001, "1.0001"}),
    [](const auto &info) {
        std::string name = info.param.code + std::to_string(info.index);
        for (char &c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(CheckRanges, FailedStepsAreOneErrorNamingEachStep)
{
    FlowStepSet failed;
    failed.insert(FlowStep::beta);
    failed.insert(FlowStep::Fr);
    const auto findings = CheckRanges(windowDefaults(), failed);
    ASSERT_EQ(findings.size(), 1u);
    EXPECT_EQ(findings[0].code, "step-failed");
    EXPECT_EQ(findings[0].severity, Severity::Error);
    EXPECT_EQ(findings[0].input, FlowInput::None);
    EXPECT_NE(findings[0].message.find("7 (beta), 40 (Fr)"), std::string::npos)
        << findings[0].message;
}

TEST(CheckRanges, ErrorsComeBeforeWarningsAndEachNonFiniteInputIsNamed)
{
    FlowInputs in = windowDefaults();
    in.SpecGravity = 1.2;                              // warning
    in.Difference = 0;                                 // error
    in.Temp = std::numeric_limits<double>::infinity(); // error, no temperature checks
    in.Lat = kNan;                                     // error
    const auto findings = CheckRanges(in, {});
    ASSERT_GE(findings.size(), 4u);
    bool warningSeen = false;
    for (const Finding &f : findings) {
        if (f.severity == Severity::Warning)
            warningSeen = true;
        else
            EXPECT_FALSE(warningSeen) << f.code << " after a warning";
    }
    EXPECT_EQ(count(findings, "input-not-finite"), 2);
    EXPECT_EQ(find(findings, "tpr-range"), nullptr);
    EXPECT_EQ(find(findings, "temperature-not-positive"), nullptr);
    EXPECT_NE(find(findings, "gravity-range"), nullptr);
    EXPECT_TRUE(HasError(findings));
    EXPECT_TRUE(HasInputError(in));
}

} // namespace
