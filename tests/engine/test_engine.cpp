#include "md_vbcalc.h"
#include "window_defaults.h"

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <initializer_list>
#include <limits>

namespace {

void expectNear(double actual, double expected, const char *what)
{
    EXPECT_NEAR(actual, expected, std::abs(expected) * 1e-12 + 1e-15) << what;
}

struct Reference
{
    const char *name;
    FlowInputs in;
    // Values computed independently from the published formulas (double precision, a
    // separate script); the evaluation order differs slightly, hence the tolerance.
    double Fr, Y, Z, Fl, Fa, FTb, FTf, FPb, Fb, Fg, All, CPrime, flow;
};

void PrintTo(const Reference &r, std::ostream *os)
{
    *os << r.name;
}

class EngineReference : public ::testing::TestWithParam<Reference>
{
};

TEST_P(EngineReference, FactorsAndFlowMatchIndependentValues)
{
    const Reference &r = GetParam();
    FlowEngine engine;
    const FlowFactors f = engine.ComputeFactors(r.in);
    expectNear(f.Fr, r.Fr, "Fr");
    expectNear(f.Y, r.Y, "Y");
    expectNear(f.Z, r.Z, "Z");
    expectNear(f.Fl, r.Fl, "Fl");
    expectNear(f.Fa, r.Fa, "Fa");
    expectNear(f.FTb, r.FTb, "FTb");
    expectNear(f.FTf, r.FTf, "FTf");
    expectNear(f.FPb, r.FPb, "FPb");
    expectNear(f.Fb, r.Fb, "Fb");
    expectNear(f.Fg, r.Fg, "Fg");
    expectNear(f.All, r.All, "All");
    expectNear(f.CPrime, r.CPrime, "CPrime");
    expectNear(FlowEngine::FlowRate(r.in.Pressure, r.in.Difference, f.CPrime), r.flow, "flow");
}

FlowInputs with(FlowInputs in, double plate, double meter, double sg, double temp, double p,
                double d, double lat = 42, double elev = 300)
{
    in.Plate = plate;
    in.Meter = meter;
    in.SpecGravity = sg;
    in.Temp = temp;
    in.Pressure = p;
    in.Difference = d;
    in.Lat = lat;
    in.Elev = elev;
    return in;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, EngineReference,
    ::testing::Values(
        Reference{"window defaults", windowDefaults(), 1.0001140529403834, 0.9864452386415083,
                  1.0087269534450929, 0.9998525381631068, 0.9997595, 1.0, 1.0048426433348048, 1.0,
                  50.52131431707438, 1.2751534261266766, 1.2746417181209866, 64.39657488284608,
                  193.904523466119},
        // beta between rows 0.475 and 0.500 (K 0.620); gravity on the lower branches.
        Reference{"bore 1.5 in meter 3.068", with(windowDefaults(), 1.5, 3.068, 0.6, 80, 250, 2.0),
                  1.0001768733564984, 0.9974967363245603, 1.0181924421562123, 0.9998525381631068,
                  1.000222, 1.0, 0.9813067629253163, 1.0, 472.9548507104955, 1.2909944487358056,
                  1.2870033684376925, 608.6944859833537, 1779.0592693119445},
        // beta 1 (no message: not strictly greater), gravity 0.7 on the upper branches,
        // pressure 0 makes z exactly 1.
        Reference{"bore equals meter", with(windowDefaults(), 2, 2, 0.7, 60, 0, 1.0, 30, 1000),
                  1.005360729652455, 0.9593817180412848, 1.0, 0.9992864539350286, 0.999852, 1.0,
                  1.0, 1.0, 2624.506680967948, 1.1952286093343936, 1.1518344284386133,
                  3022.9971528060382, 1469.9299971417188}),
    [](const auto &info) {
        std::string name = info.param.name;
        for (char &c : name)
            if (!std::isalnum(static_cast<unsigned char>(c)))
                c = '_';
        return name;
    });

TEST(FlowEngine, ExactValuesAtStandardConditions)
{
    FlowInputs in = windowDefaults();
    in.Temp = 60;
    in.Pressure = 0;
    FlowEngine engine;
    const FlowFactors f = engine.ComputeFactors(in);
    EXPECT_EQ(f.FTf, 1.0);
    EXPECT_EQ(f.FTb, 1.0);
    EXPECT_EQ(f.FPb, 1.0);
    EXPECT_EQ(f.Z, 1.0);
    EXPECT_EQ(engine.Intermediates().Ppr, 0.0);
    EXPECT_EQ(engine.Intermediates().z, 1.0);
}

TEST(FlowEngine, BoreEqualToMeterSetsTheBranchValues)
{
    FlowEngine engine;
    int calls = 0;
    FlowInputs in = with(windowDefaults(), 2, 2, 0.7, 60, 0, 1.0);
    engine.ComputeFactors(in, [&] { ++calls; });
    const FlowIntermediates &s = engine.Intermediates();
    EXPECT_EQ(calls, 0);
    EXPECT_EQ(s.beta, 1.0);
    EXPECT_EQ(s.T1, 0.0);
    EXPECT_EQ(s.T2, 0.0);
    EXPECT_DOUBLE_EQ(s.T3, std::pow(0.3, 2.5));
    EXPECT_EQ(s.K, 0.731);
    EXPECT_EQ(s.Ppc, 670.0);
    EXPECT_EQ(s.Tpc, 385.0);
}

TEST(FlowEngine, BoreLargerThanMeterNotifiesOnceBeforeComputing)
{
    FlowEngine engine;
    const FlowInputs in = with(windowDefaults(), 2, 1, 0.615, 55, 100, 4.9);
    int calls = 0;
    double betaSeenByNotification = -1;
    const FlowFactors f = engine.ComputeFactors(in, [&] {
        ++calls;
        betaSeenByNotification = engine.Intermediates().beta;
    });
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(betaSeenByNotification, 0.0) << "notified after a step already ran";
    EXPECT_EQ(engine.Intermediates().beta, 2.0);
    EXPECT_EQ(engine.Intermediates().K, 0.731);
    expectNear(f.CPrime, 212125.45257591672, "CPrime with beta 2");

    // Without a notification the same values come out.
    FlowEngine silent;
    EXPECT_EQ(silent.ComputeFactors(in).CPrime, f.CPrime);
}

// A fixture with an engine that has already computed the window defaults, so that failed
// steps can be told apart from steps that computed zero.
class EngineFailure : public ::testing::Test
{
protected:
    void SetUp() override { first = engine.ComputeFactors(windowDefaults()); }
    FlowEngine engine;
    FlowFactors first;
};

TEST_F(EngineFailure, MeterZeroKeepsThePreviousValuesOfTheFailedStepsOnly)
{
    const FlowIntermediates before = engine.Intermediates();
    FlowInputs in = windowDefaults();
    in.Meter = 0;
    in.Temp = 90; // the steps that do not involve the meter must still move
    int calls = 0;
    const FlowFactors f = engine.ComputeFactors(in, [&] { ++calls; });
    const FlowIntermediates &s = engine.Intermediates();
    EXPECT_EQ(calls, 1);
    EXPECT_EQ(s.beta, before.beta);
    EXPECT_EQ(s.Ke0, before.Ke0);
    EXPECT_EQ(s.R, before.R);
    EXPECT_EQ(s.t1, before.t1);
    EXPECT_EQ(s.A, before.A);
    EXPECT_EQ(s.B, before.B);
    EXPECT_EQ(s.C, before.C);
    EXPECT_EQ(f.Fr, first.Fr);
    EXPECT_NE(f.FTf, first.FTf);
    EXPECT_NE(f.Fa, first.Fa);
    EXPECT_NE(f.Z, first.Z);
}

TEST(FlowEngineFirstCalculation, MeterZeroLeavesFailedQuantitiesAtZero)
{
    FlowEngine engine;
    FlowInputs in = windowDefaults();
    in.Meter = 0;
    const FlowFactors f = engine.ComputeFactors(in);
    const FlowIntermediates &s = engine.Intermediates();
    EXPECT_EQ(s.beta, 0.0);
    EXPECT_EQ(s.Ke0, 0.0);
    EXPECT_EQ(s.R, 0.0);
    EXPECT_EQ(s.t1, 0.0);
    EXPECT_EQ(f.Fr, 0.0);
    EXPECT_EQ(f.FPb, 1.0);
    EXPECT_GT(f.Fg, 1.0);
    EXPECT_GT(f.Fl, 0.99);
}

TEST_F(EngineFailure, PlateZeroFailsKDenAndGivesZeroFlowConstant)
{
    const double kden = engine.Intermediates().KDen;
    FlowInputs in = windowDefaults();
    in.Plate = 0;
    const FlowFactors f = engine.ComputeFactors(in);
    EXPECT_EQ(engine.Intermediates().KDen, kden);
    EXPECT_EQ(f.Fb, 0.0);
    EXPECT_EQ(f.CPrime, 0.0);
    EXPECT_EQ(f.Fr, 1.0);
}

TEST_F(EngineFailure, DifferenceZeroKeepsFrAndFlowIsZero)
{
    FlowInputs in = windowDefaults();
    in.Difference = 0;
    in.Pressure = 300;
    const FlowFactors f = engine.ComputeFactors(in);
    EXPECT_EQ(f.Fr, first.Fr);
    EXPECT_EQ(f.Y, 1.0);
    EXPECT_EQ(FlowEngine::FlowRate(in.Pressure, in.Difference, f.CPrime), 0.0);
}

TEST_F(EngineFailure, NegativeDifferenceKeepsFrAndRaisesY)
{
    FlowInputs in = windowDefaults();
    in.Difference = -2;
    const FlowFactors f = engine.ComputeFactors(in);
    EXPECT_EQ(f.Fr, first.Fr);
    EXPECT_GT(f.Y, 1.0);
    EXPECT_EQ(FlowEngine::FlowRate(in.Pressure, in.Difference, f.CPrime), 0.0);
}

TEST_F(EngineFailure, AbsoluteZeroTemperatureUsesThePreviousCompressibility)
{
    const double zBefore = engine.Intermediates().z;
    FlowInputs in = windowDefaults();
    in.Temp = -460;
    const FlowFactors f = engine.ComputeFactors(in);
    const FlowIntermediates &s = engine.Intermediates();
    EXPECT_EQ(f.FTf, first.FTf);
    EXPECT_EQ(s.Tpr, 0.0);
    EXPECT_EQ(s.z, zBefore);
    EXPECT_EQ(f.Z, first.Z);
    EXPECT_DOUBLE_EQ(f.Fa, 1.85e-5 * (-460 - 68) + 1);
}

TEST_F(EngineFailure, GravityZeroKeepsFgAndTakesTheLowerBranches)
{
    FlowInputs in = windowDefaults();
    in.SpecGravity = 0;
    const FlowFactors f = engine.ComputeFactors(in);
    EXPECT_EQ(f.Fg, first.Fg);
    EXPECT_EQ(engine.Intermediates().Ppc, 693.0);
    EXPECT_EQ(engine.Intermediates().Tpc, 191.0);
}

TEST(FlowEngineFailure, OverflowThatVanishesFromTheResultStillFailsTheStep)
{
    // Tpr^3 overflows inside the compressibility function and then divides a constant to
    // zero: the result alone would look finite, but the step has failed.
    FlowEngine engine;
    engine.LastFactors.Z = 0.777;
    FlowInputs in = windowDefaults();
    in.Temp = 1e110;
    const FlowFactors f = engine.ComputeFactors(in);
    EXPECT_EQ(engine.Intermediates().z, 0.0);
    EXPECT_EQ(f.Z, 0.777);
    EXPECT_GT(engine.Intermediates().Tpr, 1e100);
}

TEST(FlowEngineState, WrittenFactorsCountOnlyWhenTheirStepFails)
{
    FlowEngine engine;
    engine.LastFactors.Y = 0.5;
    engine.LastFactors.Z = 0.25;
    const FlowFactors computed = engine.ComputeFactors(windowDefaults());
    expectNear(computed.Y, 0.9864452386415083, "Y recomputed");

    engine.LastFactors.Z = 0.25;
    FlowInputs in = windowDefaults();
    in.Temp = -460; // Tpr 0: z cannot be recomputed, so Z comes from the kept z again
    const FlowFactors failed = engine.ComputeFactors(in);
    EXPECT_EQ(failed.Z, computed.Z);
}

TEST(FlowEngineState, ResultsDoNotDependOnHistoryWhenNoStepFails)
{
    // The same inputs give the same results whatever the engine computed before, as long
    // as no step fails.
    FlowEngine fresh, used;
    FlowInputs other = windowDefaults();
    other.Meter = 0;
    used.ComputeFactors(other);
    const FlowFactors a = fresh.ComputeFactors(windowDefaults());
    const FlowFactors b = used.ComputeFactors(windowDefaults());
    EXPECT_EQ(a.CPrime, b.CPrime);
    EXPECT_EQ(a.Fr, b.Fr);
}

TEST(FlowEngineState, FlagsLeftUpByOtherCodeChangeNothing)
{
    FlowEngine clean, stale;
    const FlowFactors expected = clean.ComputeFactors(windowDefaults());
    std::feraiseexcept(FE_DIVBYZERO | FE_INVALID);
    const FlowFactors f = stale.ComputeFactors(windowDefaults());
    EXPECT_EQ(f.CPrime, expected.CPrime);
    EXPECT_EQ(f.Fr, expected.Fr);
    EXPECT_EQ(std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW), 0);
}

FlowStepSet steps(std::initializer_list<FlowStep> list)
{
    FlowStepSet set;
    for (FlowStep step : list)
        set.insert(step);
    return set;
}

TEST(FlowEngineFailedSteps, NamesTheStepsThatStoredNothing)
{
    using S = FlowStep;
    const struct
    {
        const char *what;
        FlowInputs in;
        FlowStepSet failed;
    } cases[] = {
        {"none", windowDefaults(), {}},
        {"meter 0", with(windowDefaults(), 0.5, 0, 0.615, 55, 100, 4.9),
         steps({S::beta, S::Ke0, S::R, S::t1, S::A, S::B, S::C, S::Fr})},
        {"temperature -460", with(windowDefaults(), 0.5, 2.067, 0.615, -460, 100, 4.9),
         steps({S::FTf, S::rho, S::z, S::rho1, S::z1, S::rho2, S::z2, S::rho3, S::z3, S::rho4,
                S::z4, S::Z})}, // a new engine's kept z is 0
        {"difference 0", with(windowDefaults(), 0.5, 2.067, 0.615, 55, 100, 0), steps({S::Fr})},
        {"plate 0", with(windowDefaults(), 0, 2.067, 0.615, 55, 100, 4.9),
         steps({S::KDen, S::K0})}, // K0 reads the kept KDen, 0
        {"gravity 0", with(windowDefaults(), 0.5, 2.067, 0, 55, 100, 4.9), steps({S::Fg})},
    };
    for (const auto &c : cases) {
        FlowEngine engine;
        engine.ComputeFactors(c.in);
        EXPECT_EQ(engine.FailedSteps(), c.failed) << c.what;
    }
}

TEST(FlowEngineFailedSteps, DescribeOnlyTheLastCalculation)
{
    FlowEngine engine;
    FlowInputs in = windowDefaults();
    in.Meter = 0;
    engine.ComputeFactors(in);
    ASSERT_FALSE(engine.FailedSteps().empty());
    engine.ComputeFactors(windowDefaults());
    EXPECT_TRUE(engine.FailedSteps().empty());
}

TEST(FlowEngineFailedSteps, TheFlowServerKeepingKCountsAsNotComputed)
{
    FlowEngine server(FlowEngine::NegativeBeta::KeepPreviousK);
    FlowInputs in = windowDefaults();
    in.Plate = -0.5;
    server.ComputeFactors(in);
    EXPECT_TRUE(server.FailedSteps().contains(FlowStep::K));
    FlowEngine calculator;
    calculator.ComputeFactors(in);
    EXPECT_FALSE(calculator.FailedSteps().contains(FlowStep::K));
}

TEST(FlowEngineFailedSteps, MapToTheFactorsKeptFromAnEarlierCalculation)
{
    FlowStepSet failed = steps({FlowStep::beta, FlowStep::z4, FlowStep::Fr, FlowStep::CPrime});
    const FlowFactorSet kept = FactorsNotComputed(failed);
    FlowFactorSet expected;
    expected.set(static_cast<std::size_t>(FlowFactor::Fr));
    expected.set(static_cast<std::size_t>(FlowFactor::CPrime));
    EXPECT_EQ(kept, expected);

    // Every factor maps from its own step, and its field is the one it names.
    for (const FlowFactorField &field : kFlowFactorFields) {
        EXPECT_EQ(FactorsNotComputed(steps({field.step})).count(), 1u) << field.name;
        EXPECT_STREQ(FlowStepName(field.step), field.name);
    }
    EXPECT_STREQ(FlowStepName(FlowStep::rho2), "rho2");
    EXPECT_STREQ(FlowStepName(FlowStep::z4), "z4");
}

bool sameBits(const FlowFactors &a, const FlowFactors &b)
{
    return std::memcmp(&a, &b, sizeof a) == 0;
}

// A non-finite input must give the same result whatever flags the caller left up: the fast
// pass alone would let a NaN through where the guarded pass keeps the previous values.
TEST(FlowEngineState, NonFiniteInputsGiveTheSameResultWithOrWithoutStaleFlags)
{
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    for (const FlowInputField &field : kFlowInputFields) {
        for (double bad : {nan, inf, -inf}) {
            FlowInputs in = windowDefaults();
            in.*field.value = bad;
            FlowEngine clean, stale;
            clean.ComputeFactors(windowDefaults());
            stale.ComputeFactors(windowDefaults());

            std::feclearexcept(FE_ALL_EXCEPT);
            const FlowFactors a = clean.ComputeFactors(in);
            std::feraiseexcept(FE_INVALID);
            const FlowFactors b = stale.ComputeFactors(in);

            EXPECT_TRUE(sameBits(a, b)) << field.name << " = " << bad;
            EXPECT_EQ(clean.FailedSteps(), stale.FailedSteps()) << field.name << " = " << bad;
            for (const FlowFactorField &factor : kFlowFactorFields)
                EXPECT_TRUE(std::isfinite(a.*factor.value))
                    << field.name << " = " << bad << ": " << factor.name;
        }
    }
    std::feclearexcept(FE_ALL_EXCEPT);
}

TEST(FlowRate, Cases)
{
    const struct
    {
        double pressure, difference, cPrime, expected;
    } cases[] = {
        {100, 4.9, 64.39657488284608, 193.904523466119},
        {0, 0, 64.4, 0},
        {100, -1, 64.4, 0},     // negative under the square root
        {-20, 1, 64.4, 0},      // pressure below -14.65 psi
        {100, 4.9, 1e308, 0},   // overflow
        {-14.65, 4.9, 64.4, 0}, // zero absolute pressure is a valid zero flow
    };
    for (const auto &c : cases)
        EXPECT_NEAR(FlowEngine::FlowRate(c.pressure, c.difference, c.cPrime), c.expected,
                    c.expected * 1e-12)
            << c.pressure << " " << c.difference << " " << c.cPrime;
}

} // namespace
