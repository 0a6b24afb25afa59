#pragma once

#include <array>
#include <bitset>
#include <cstddef>
#include <functional>
#include <string>

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

// Names a field of FlowInputs, for messages that point at the input they are about.
enum class FlowInput : unsigned char {
    None,
    Temp,
    Tb,
    Pb,
    Plate,
    Meter,
    SpecGravity,
    Lat,
    Elev,
    Pressure,
    Difference,
};

struct FlowInputField
{
    FlowInput input;
    const char *name; // the field's name, as in FlowInputs
    double FlowInputs::*value;
    const char *label; // what it is, for messages
    const char *unit;  // the engine's unit, "" for none
};

// Every field of FlowInputs once, in declaration order (so kFlowInputFields[i].input is
// FlowInput(i + 1)).
inline constexpr std::array<FlowInputField, 10> kFlowInputFields = {{
    {FlowInput::Temp, "Temp", &FlowInputs::Temp, "flowing temperature", "degF"},
    {FlowInput::Tb, "Tb", &FlowInputs::Tb, "base temperature", "degF"},
    {FlowInput::Pb, "Pb", &FlowInputs::Pb, "base pressure", "psia"},
    {FlowInput::Plate, "Plate", &FlowInputs::Plate, "orifice bore", "in"},
    {FlowInput::Meter, "Meter", &FlowInputs::Meter, "meter inside diameter", "in"},
    {FlowInput::SpecGravity, "SpecGravity", &FlowInputs::SpecGravity, "specific gravity", ""},
    {FlowInput::Lat, "Lat", &FlowInputs::Lat, "latitude", "deg"},
    {FlowInput::Elev, "Elev", &FlowInputs::Elev, "elevation", "ft"},
    {FlowInput::Pressure, "Pressure", &FlowInputs::Pressure, "static pressure", "psig"},
    {FlowInput::Difference, "Difference", &FlowInputs::Difference, "differential", "psi"},
}};

// The entry of kFlowInputFields for `input`, which must not be None.
constexpr const FlowInputField &flowInputField(FlowInput input)
{
    return kFlowInputFields[static_cast<std::size_t>(input) - 1];
}

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

// The numbered steps of a calculation, in the order they run. Steps 27 to 36 are the first
// density and compressibility and their four refinements.
enum class FlowStep : unsigned char {
    g = 1,
    Fl,
    FTf,
    FTb,
    FPb,
    Fg,
    beta,
    Ke0,
    R,
    E,
    KDen,
    t1,
    T1,
    t2,
    T2,
    t3,
    T3,
    A,
    B,
    C,
    Ke,
    K0,
    Ppc,
    Tpc,
    Ppr,
    Tpr,
    rho,
    z,
    rho1,
    z1,
    rho2,
    z2,
    rho3,
    z3,
    rho4,
    z4,
    Z,
    K,
    Pf,
    Fr,
    x1,
    Y,
    Fb,
    Fa,
    All,
    CPrime,
};
inline constexpr std::size_t kFlowStepCount = 46;

// The quantity a step computes, e.g. "Fr" for step 40 or "rho2" for step 31.
const char *FlowStepName(FlowStep step);

class FlowStepSet;

// "7 (beta), 40 (Fr)": the number and quantity of each step in the set, in order.
std::string DescribeSteps(const FlowStepSet &steps);

// A set of steps, e.g. those that failed in one calculation.
class FlowStepSet
{
public:
    bool contains(FlowStep step) const { return bits_.test(index(step)); }
    void insert(FlowStep step) { bits_.set(index(step)); }
    bool empty() const { return bits_.none(); }
    std::size_t size() const { return bits_.count(); }
    void clear() { bits_.reset(); }
    bool operator==(const FlowStepSet &) const = default;

private:
    static std::size_t index(FlowStep step) { return static_cast<std::size_t>(step) - 1; }
    std::bitset<kFlowStepCount> bits_;
};

// Names a field of FlowFactors.
enum class FlowFactor : unsigned char { Fr, Y, Z, Fl, Fa, FTb, FTf, FPb, Fb, Fg, All, CPrime };

struct FlowFactorField
{
    FlowFactor factor;
    const char *name; // the field's name, as in FlowFactors
    double FlowFactors::*value;
    FlowStep step; // the step that computes it
};

// Every field of FlowFactors once, in declaration order.
inline constexpr std::array<FlowFactorField, 12> kFlowFactorFields = {{
    {FlowFactor::Fr, "Fr", &FlowFactors::Fr, FlowStep::Fr},
    {FlowFactor::Y, "Y", &FlowFactors::Y, FlowStep::Y},
    {FlowFactor::Z, "Z", &FlowFactors::Z, FlowStep::Z},
    {FlowFactor::Fl, "Fl", &FlowFactors::Fl, FlowStep::Fl},
    {FlowFactor::Fa, "Fa", &FlowFactors::Fa, FlowStep::Fa},
    {FlowFactor::FTb, "FTb", &FlowFactors::FTb, FlowStep::FTb},
    {FlowFactor::FTf, "FTf", &FlowFactors::FTf, FlowStep::FTf},
    {FlowFactor::FPb, "FPb", &FlowFactors::FPb, FlowStep::FPb},
    {FlowFactor::Fb, "Fb", &FlowFactors::Fb, FlowStep::Fb},
    {FlowFactor::Fg, "Fg", &FlowFactors::Fg, FlowStep::Fg},
    {FlowFactor::All, "All", &FlowFactors::All, FlowStep::All},
    {FlowFactor::CPrime, "CPrime", &FlowFactors::CPrime, FlowStep::CPrime},
}};

// Indexed by FlowFactor.
using FlowFactorSet = std::bitset<kFlowFactorFields.size()>;

// The factors whose own step is in `failed`: their values were not computed by that
// calculation but kept from an earlier one (CPrime, which is not kept, is then 0).
FlowFactorSet FactorsNotComputed(const FlowStepSet &failed);

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

    // The steps that stored nothing in the last ComputeFactors: those that failed and, in the
    // flow server's mode, step 38 when it kept the previous K for a negative ratio.
    const FlowStepSet &FailedSteps() const { return failed_; }

private:
    NegativeBeta negativeBeta_;
    FlowIntermediates state_;
    FlowStepSet failed_;
};
