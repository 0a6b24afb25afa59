#pragma once

#include <functional>

// Inputs of one calculation, in the engine's units.
struct FlowInputs
{
    double Temp = 0;        // flowing temperature, degF
    double Tb = 0;          // contract base temperature, degF
    double Pb = 0;          // contract base pressure, psia
    double Plate = 0;       // orifice bore, inches
    double Meter = 0;       // meter run inside diameter, inches
    double SpecGravity = 0; // gas specific gravity (air = 1)
    double Lat = 0;         // latitude, degrees
    double Elev = 0;        // elevation, feet
    double Pressure = 0;    // upstream static pressure, psi gauge
    double Difference = 0;  // differential pressure, psi
};

// Factors of one calculation. All = every factor but Fb; CPrime = All * Fb.
struct FlowFactors
{
    double Fr = 0;
    double Y = 0;
    double Z = 0;
    double Fl = 0;
    double Fa = 0;
    double FTb = 0;
    double FTf = 0;
    double FPb = 0;
    double Fb = 0;
    double Fg = 0;
    double All = 0;
    double CPrime = 0;
};

// The intermediate quantities the engine keeps from one calculation to the next.
struct FlowIntermediates
{
    double g = 0, beta = 0, Ke0 = 0, R = 0, E = 0, KDen = 0;
    double t1 = 0, T1 = 0, t2 = 0, T2 = 0, t3 = 0, T3 = 0;
    double A = 0, B = 0, C = 0, Ke = 0, K0 = 0;
    double Ppc = 0, Tpc = 0, Ppr = 0, Tpr = 0, rho = 0, z = 0;
    double K = 0, Pf = 0, x1 = 0;
};

// The orifice factor engine. Each step of a calculation either completes and stores its result
// or, when it raises IEEE invalid, division-by-zero or overflow, stores nothing: later steps then
// read the value the previous calculation left (zero on a new engine). Nothing is ever reset.
class FlowEngine
{
public:
    // How step 38 treats a negative diameter ratio: the calculator takes row 0 of the table,
    // the flow server keeps the K of the previous calculation.
    enum class NegativeBeta { UseTable, KeepPreviousK };

    explicit FlowEngine(NegativeBeta negativeBeta = NegativeBeta::UseTable)
        : negativeBeta_(negativeBeta)
    {
    }

    // Runs every step. onPlateLargerThanMeter, when given, is called once before any step
    // when Plate > Meter; the calculation then goes on with the values it was given.
    FlowFactors ComputeFactors(const FlowInputs &in,
                               const std::function<void()> &onPlateLargerThanMeter = {});

    // Flow in thousands of standard cubic feet per day; 0 when any operation fails.
    static double FlowRate(double pressure, double difference, double cPrime);

    // Kept factors (CPrime is not kept: it falls back to 0). Callers may write them between
    // calculations; a written value counts only where the step computing it fails next time.
    FlowFactors LastFactors;

    const FlowIntermediates &Intermediates() const { return state_; }

private:
    NegativeBeta negativeBeta_;
    FlowIntermediates state_;
};
