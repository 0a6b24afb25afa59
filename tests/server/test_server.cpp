#include "FlowClass.h"
#include "md_vbcalc.h"
#include "tarnwell.h"
#include "TarnwellVersion.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <memory>

namespace {

struct Call
{
    double meter, plate, sg, temp, pressure, difference;
};

double calc(FlowClass &object, const Call &c)
{
    return object.CalcFlow(c.meter, c.plate, c.sg, c.temp, c.pressure, c.difference);
}

FlowInputs atFixedConditions(const Call &c)
{
    FlowInputs in;
    in.Meter = c.meter;
    in.Plate = c.plate;
    in.SpecGravity = c.sg;
    in.Temp = c.temp;
    in.Pressure = c.pressure;
    in.Difference = c.difference;
    in.Tb = FlowClass::BaseTemperature;
    in.Pb = FlowClass::BasePressure;
    in.Lat = FlowClass::Latitude;
    in.Elev = FlowClass::Elevation;
    return in;
}

// The calculator's path at the server's fixed base conditions and site.
double calculatorFlow(FlowEngine &engine, const Call &c)
{
    const FlowFactors f = engine.ComputeFactors(atFixedConditions(c));
    return FlowEngine::FlowRate(c.pressure, c.difference, f.CPrime);
}

const Call kDefaults{2.067, 0.5, 0.615, 55, 100, 4.9};

TEST(FlowClass, SequenceMatchesTheCalculatorEngineAtTheFixedConditions)
{
    // A sequence with failing calls in it, so the state carried between calls is compared too.
    const Call calls[] = {
        kDefaults,
        {3.068, 1.5, 0.6, 80, 250, 2.0},
        {0, 0.5, 0.615, 55, 100, 4.9}, // meter 0: steps fall back on the previous call
        {1, 2, 0.615, 55, 100, 4.9},   // bore larger than meter: no message, beta 2
        {2.067, 0.5, 0.615, -460, 100, 4.9},
        {2.067, 0.5, 0, 55, 100, 4.9},
        {2.067, 0.0, 0.615, 55, 100, 4.9},
        {4.026, 3.0, 0.7, 60, 0, 1.0},
    };
    FlowClass server;
    FlowEngine engine;
    for (const Call &c : calls) {
        const double expected = calculatorFlow(engine, c);
        EXPECT_DOUBLE_EQ(calc(server, c), expected) << c.meter << " " << c.plate;
    }
    EXPECT_NEAR(calc(server, kDefaults), 193.904523466119, 1e-9);
}

// The server's flow is at contract base conditions: the base factors must drop out.
TEST(FlowClass, FixedConditionsAreTheContractBase)
{
    FlowEngine engine;
    const FlowFactors f = engine.ComputeFactors(atFixedConditions(kDefaults));
    EXPECT_EQ(f.FTb, 1.0);
    EXPECT_EQ(f.FPb, 1.0);
}

TEST(FlowClass, DifferenceZeroOrNegativeGivesZero)
{
    FlowClass server;
    EXPECT_EQ(server.CalcFlow(2.067, 0.5, 0.615, 55, 100, 0), 0.0);
    EXPECT_EQ(server.CalcFlow(2.067, 0.5, 0.615, 55, 100, -1), 0.0);
    EXPECT_EQ(server.CalcFlow(2.067, 0.5, 0.615, 55, -20, 1), 0.0);
}

TEST(FlowClass, NegativeBetaKeepsTheKOfThePreviousCall)
{
    // The calculator takes K 0.604 for a negative ratio; the server keeps its last K, and a
    // new object has none, so the Reynolds step fails there.
    const Call negative{2.067, -0.5, 0.615, 55, 100, 4.9};
    const Call wide{2.067, 1.9, 0.615, 55, 100, 4.9}; // beta above 0.75: K 0.731

    FlowClass afterWide;
    calc(afterWide, wide);
    const double withKeptK = calc(afterWide, negative);

    FlowEngine engine;
    calculatorFlow(engine, wide);
    const double withTableK = calculatorFlow(engine, negative);
    EXPECT_NE(withKeptK, withTableK);

    FlowClass fresh;
    FlowEngine freshEngine;
    EXPECT_NE(calc(fresh, negative), calculatorFlow(freshEngine, negative));
}

TEST(FlowClass, ObjectsKeepSeparateState)
{
    FlowClass a, b;
    calc(a, kDefaults);
    calc(b, {4.026, 3.0, 0.7, 60, 50, 1.0});
    const Call failing{0, 0.5, 0.615, 55, 100, 4.9};
    const double ra = calc(a, failing);
    const double rb = calc(b, failing);
    EXPECT_NE(ra, rb);

    FlowClass twin;
    calc(twin, kDefaults);
    EXPECT_EQ(calc(twin, failing), ra);
}

TEST(CInterface, NullObjectAndFree)
{
    EXPECT_EQ(tarnwell_calc_flow(nullptr, 2.067, 0.5, 0.615, 55, 100, 4.9), 0.0);
    tarnwell_flow_class_free(nullptr);
    EXPECT_STREQ(tarnwell_version(), TARNWELL_VERSION_TEXT);
}

TEST(CInterface, NonFiniteArgumentsReturnZeroAndLeaveStateUntouched)
{
    constexpr double inf = std::numeric_limits<double>::infinity();
    constexpr double nan = std::numeric_limits<double>::quiet_NaN();
    using Object = std::unique_ptr<tarnwell_flow_class, decltype(&tarnwell_flow_class_free)>;
    Object probe(tarnwell_flow_class_new(), tarnwell_flow_class_free);
    Object twin(tarnwell_flow_class_new(), tarnwell_flow_class_free);
    ASSERT_TRUE(probe && twin);
    for (tarnwell_flow_class *o : {probe.get(), twin.get()})
        EXPECT_NEAR(tarnwell_calc_flow(o, 2.067, 0.5, 0.615, 55, 100, 4.9), 193.9045, 1e-3);

    const double bad[] = {inf, -inf, nan};
    for (int arg = 0; arg < 6; ++arg)
        for (double value : bad) {
            double a[6] = {4.026, 3.0, 0.7, 60, 50, 1.0};
            a[arg] = value;
            EXPECT_EQ(tarnwell_calc_flow(probe.get(), a[0], a[1], a[2], a[3], a[4], a[5]), 0.0)
                << "argument " << arg << " = " << value;
        }
    // A failing call falls back on state: equal results prove the state was untouched.
    EXPECT_EQ(tarnwell_calc_flow(probe.get(), 0, 0.5, 0.615, 55, 100, 4.9),
              tarnwell_calc_flow(twin.get(), 0, 0.5, 0.615, 55, 100, 4.9));
}

} // namespace
