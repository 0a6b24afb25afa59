#pragma once

#include "tarnwell.h"

#include <memory>

// The flow server's one class. Each object keeps its own engine state from call to call,
// starting at zero; base conditions and site are fixed (the constants below). Calls on one
// object must not overlap; objects share nothing.
class TARNWELL_API FlowClass
{
public:
    // The base conditions and site of every calculation. With these FTb and FPb are 1.
    static constexpr double BaseTemperature = 60; // degF
    static constexpr double BasePressure = 14.73; // psia
    static constexpr double Latitude = 42;        // degrees
    static constexpr double Elevation = 300;      // feet

    FlowClass();
    ~FlowClass();
    FlowClass(const FlowClass &) = delete;
    FlowClass &operator=(const FlowClass &) = delete;

    // Flow in thousands of standard cubic feet per day; never reports an error. A failed step
    // falls back on this object's previous values; a failed final computation returns 0.
    // Any non-finite argument returns 0 and leaves the object's state untouched. Runs with
    // every floating-point trap masked and hands the caller's traps and flags back unchanged.
    double CalcFlow(double Meter, double Plate, double SpecGravity, double Temp, double Pressure,
                    double Difference);

private:
    struct State;
    std::unique_ptr<State> state_;
};
