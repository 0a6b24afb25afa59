#include "md_solve.h"
#include "window_defaults.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace {

struct Computed
{
    double flow;
    bool stepFailed;
};

Computed computeFlow(const FlowInputs &in)
{
    FlowEngine engine;
    const FlowFactors f = engine.ComputeFactors(in);
    return {FlowEngine::FlowRate(in.Pressure, in.Difference, f.CPrime),
            !engine.FailedSteps().empty()};
}

void expectMeets(const FlowInputs &at, const SolveResult &r, double wanted, const std::string &what)
{
    const Computed c = computeFlow(at);
    EXPECT_FALSE(c.stepFailed) << what;
    EXPECT_EQ(c.flow, r.flow) << what;
    EXPECT_LE(std::fabs(c.flow - wanted), 1e-10 * wanted) << what;
}

// Round trips over meters, bores, gravities and pressures: the flow of a known differential
// and bore is solved for again, and the answer must give that flow back.
TEST(Solvers, RoundTripsReturnTheFlowTheyWereGiven)
{
    const double meters[] = {2.067, 4.026, 12.09};
    const double betas[] = {0.3, 0.52, 0.66};
    const double gravities[] = {0.58, 0.7, 0.9};
    const double pressures[] = {20, 500, 1200};
    const double differentials[] = {0.8, 9};
    int cases = 0;
    for (double meter : meters)
        for (double beta : betas)
            for (double gravity : gravities)
                for (double pressure : pressures)
                    for (double difference : differentials) {
                        FlowInputs in = windowDefaults();
                        in.Meter = meter;
                        in.Plate = beta * meter;
                        in.SpecGravity = gravity;
                        in.Pressure = pressure;
                        in.Difference = difference;
                        const double wanted = computeFlow(in).flow;
                        const std::string what =
                            "meter " + std::to_string(meter) + " beta " + std::to_string(beta) +
                            " G " + std::to_string(gravity) + " p " + std::to_string(pressure) +
                            " dp " + std::to_string(difference);

                        const SolveResult d = SolveDifferential(in, wanted);
                        ASSERT_TRUE(d.solved) << what << ": " << d.message;
                        EXPECT_FALSE(d.atRowBoundary) << what;
                        EXPECT_NEAR(d.value, difference, 1e-8 * difference) << what;
                        FlowInputs atD = in;
                        atD.Difference = d.value;
                        expectMeets(atD, d, wanted, what + " (differential)");

                        const SolveResult b = SizeBore(in, wanted);
                        ASSERT_TRUE(b.solved) << what << ": " << b.message;
                        EXPECT_FALSE(b.atRowBoundary) << what;
                        EXPECT_NEAR(b.value, in.Plate, 1e-8 * in.Plate) << what;
                        FlowInputs atB = in;
                        atB.Plate = b.value;
                        expectMeets(atB, b, wanted, what + " (bore)");
                        ++cases;
                    }
    EXPECT_EQ(cases, 162);
}

TEST(Solvers, NoSolutionSaysWhy)
{
    enum Solver { Differential, Bore };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    FlowInputs meter0 = windowDefaults(), boreAtMeter = windowDefaults(), dp0 = windowDefaults(),
               cold = windowDefaults();
    meter0.Meter = 0;
    boreAtMeter.Plate = boreAtMeter.Meter;
    dp0.Difference = 0;
    cold.Temp = -500;
    FlowInputs zNegative = windowDefaults();
    zNegative.Temp = -300; // the five compressibility passes end below zero
    const struct
    {
        const char *what;
        Solver solver;
        FlowInputs in;
        double wanted;
        const char *code;
        const char *says;
    } cases[] = {
        {"beyond the flow's peak", Differential, windowDefaults(), 1000, "flow-above-maximum",
         "the most this bore passes at this static pressure is 649.79"},
        {"below the flow at a vanishing differential", Differential, windowDefaults(), 0.01,
         "flow-below-minimum", "tends to 0.0233"},
        {"meter 0", Differential, meter0, 100, "meter-not-positive", "meter inside diameter 0"},
        {"bore at the meter", Differential, boreAtMeter, 100, "bore-not-below-meter", "2.067"},
        {"no wanted flow", Differential, windowDefaults(), 0, "flow-not-positive", "0 Mcf/d"},
        {"NaN wanted flow", Bore, windowDefaults(), nan, "flow-not-positive", "nan Mcf/d"},
        {"beyond the largest bore", Bore, windowDefaults(), 20000, "flow-above-largest-bore",
         "passes 10361.2"},
        {"differential 0", Bore, dp0, 100, "differential-not-positive", "differential 0 psi"},
        {"below absolute zero", Bore, cold, 100, "temperature-not-positive", "-500 degF"},
        {"negative wanted flow", Bore, windowDefaults(), -5, "flow-not-positive", "-5 Mcf/d"},
        {"a step fails (differential)", Differential, zNegative, 100, "step-failed", "37 (Z)"},
        {"a step fails (bore)", Bore, zNegative, 100, "step-failed", "37 (Z)"},
    };
    for (const auto &c : cases) {
        const SolveResult r =
            c.solver == Differential ? SolveDifferential(c.in, c.wanted) : SizeBore(c.in, c.wanted);
        EXPECT_FALSE(r.solved) << c.what;
        EXPECT_EQ(r.code, c.code) << c.what;
        EXPECT_NE(r.message.find(c.says), std::string::npos) << c.what << ": " << r.message;
    }
}

// K steps up at a diameter ratio of 0.475, so the flow drops there as the bore grows. A wanted
// flow inside that drop is met by the boundary bore, which is returned and marked.
TEST(Solvers, SizeBoreReturnsTheRowBoundaryWhereTheFlowJumpsAcrossTheWantedFlow)
{
    FlowInputs in = windowDefaults();
    double boundary = 0.475 * in.Meter;
    while (boundary / in.Meter >= 0.475)
        boundary = std::nextafter(boundary, 0.0);
    boundary = std::nextafter(boundary, 1.0); // the smallest bore of the upper row
    FlowInputs below = in, at = in;
    below.Plate = std::nextafter(boundary, 0.0);
    at.Plate = boundary;
    const double flowBelow = computeFlow(below).flow, flowAt = computeFlow(at).flow;
    ASSERT_GT(flowBelow, flowAt * (1 + 1e-7)) << "no jump at the boundary";
    const double wanted = (flowBelow + flowAt) / 2;

    const SolveResult r = SizeBore(in, wanted);
    ASSERT_TRUE(r.solved) << r.message;
    EXPECT_TRUE(r.atRowBoundary);
    EXPECT_EQ(r.code, "row-boundary");
    EXPECT_EQ(r.value, boundary);
    EXPECT_EQ(r.flow, flowAt);
    EXPECT_NE(r.message.find("0.475"), std::string::npos) << r.message;
    EXPECT_FALSE(computeFlow(at).stepFailed);

    // Away from the jump the same row gives an ordinary answer.
    const SolveResult plain = SizeBore(in, flowAt * 1.001);
    EXPECT_TRUE(plain.solved);
    EXPECT_FALSE(plain.atRowBoundary);
    EXPECT_GT(plain.value, boundary);
}

} // namespace
