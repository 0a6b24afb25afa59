#include "FlowClass.h"

#include "HeldFloatingPoint.h"
#include "md_vbcalc.h"

#include <cmath>
#include <new>

// Each object's engine state on cache lines of its own: objects made one after the other sit
// next to each other on the heap, and two threads each using one of them would otherwise
// keep taking the shared line from each other.
struct alignas(std::hardware_destructive_interference_size) FlowClass::State
{
    FlowEngine engine{FlowEngine::NegativeBeta::KeepPreviousK};
};

FlowClass::FlowClass() : state_(std::make_unique<State>()) {}

FlowClass::~FlowClass() = default;

double FlowClass::CalcFlow(double Meter, double Plate, double SpecGravity, double Temp,
                           double Pressure, double Difference)
{
    // First, as even the check below traps on a signalling NaN when the host unmasked that.
    const HeldFloatingPoint held;
    // An infinite input would pass through without raising a flag and be kept as state,
    // poisoning every later call on this object.
    for (double v : {Meter, Plate, SpecGravity, Temp, Pressure, Difference})
        if (!std::isfinite(v))
            return 0;

    FlowInputs in;
    in.Meter = Meter;
    in.Plate = Plate;
    in.SpecGravity = SpecGravity;
    in.Temp = Temp;
    in.Pressure = Pressure;
    in.Difference = Difference;
    in.Tb = BaseTemperature;
    in.Pb = BasePressure;
    in.Lat = Latitude;
    in.Elev = Elevation;
    const FlowFactors factors = state_->engine.ComputeFactors(in);
    return FlowEngine::FlowRate(Pressure, Difference, factors.CPrime);
}
