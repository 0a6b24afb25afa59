#pragma once

#include "md_vbcalc.h"

// The inputs of the calculator's first start: a 0.5 in bore in a 2.067 in meter, gas of gravity
// 0.615 at 55 degF and 100 psig, 4.9 psi differential, base 60 degF and 14.73 psia, latitude
// 42, elevation 300 ft.
inline FlowInputs windowDefaults()
{
    FlowInputs in;
    in.Temp = 55;
    in.Tb = 60;
    in.Pb = 14.73;
    in.Plate = 0.5;
    in.Meter = 2.067;
    in.SpecGravity = 0.615;
    in.Lat = 42;
    in.Elev = 300;
    in.Pressure = 100;
    in.Difference = 4.9;
    return in;
}
