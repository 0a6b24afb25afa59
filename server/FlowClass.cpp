#include "FlowClass.h"

#include "HeldFloatingPoint.h"
#include "md_vbcalc.h"

#include <cmath>

FlowClass::FlowClass()
    : engine_(std::make_unique<FlowEngine>(FlowEngine::NegativeBeta::KeepPreviousK))
{
}

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
    const FlowFactors factors = engine_->ComputeFactors(in);
    return FlowEngine::FlowRate(Pressure, Difference, factors.CPrime);
}
