#include "md_vbcalc.h"

#include "fp_flags.h"
#include "md_formulas.h"
#include "mdKValues.h"

#include <array>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {

using namespace engine_detail;

// Everything a calculation reads and writes, kept together so that the fences below can pin
// it to memory at the points where the floating-point flags are cleared and tested.
struct Work
{
    FlowInputs in;
    FlowIntermediates s;
    FlowFactors f;
};

// Runs one unit: stores f() into target unless the IEEE failure flags were raised on the way.
template <class T, class F> inline bool guardedStep(T &data, double &target, F f)
{
    clearFailFlags();
    openFence(data);
    const double value = f();
    closeFence(value);
    if (failFlagRaised() || !std::isfinite(value))
        return false;
    target = value;
    return true;
}

// Every step of the calculation in order, written once. `step(id, target, f)` decides what a
// failure means: the fast pass assigns blindly, the checked pass guards each step and notes
// the ones that failed. `skipped(id)` is told of a step that stores nothing by design.
template <class Step>
void runSteps(const FlowInputs &in, FlowIntermediates &s, FlowFactors &f,
              FlowEngine::NegativeBeta negativeBeta, FlowStepSet &skippedSteps, Step step)
{
    namespace F = flow_formula;
    const auto skipped = [&](FlowStep id) { skippedSteps.insert(id); };
    step(FlowStep::g, s.g, [&] { return F::gravity(in.Lat, in.Elev); });
    step(FlowStep::Fl, f.Fl, [&] { return F::Fl(s.g); });
    step(FlowStep::FTf, f.FTf, [&] { return F::FTf(in.Temp); });
    step(FlowStep::FTb, f.FTb, [&] { return F::FTb(in.Tb); });
    step(FlowStep::FPb, f.FPb, [&] { return F::FPb(in.Pb); });
    step(FlowStep::Fg, f.Fg, [&] { return F::Fg(in.SpecGravity); });
    step(FlowStep::beta, s.beta, [&] { return F::beta(in.Plate, in.Meter); });
    step(FlowStep::Ke0, s.Ke0, [&] { return F::Ke0(in.Meter, s.beta); });
    step(FlowStep::R, s.R, [&] { return F::R(in.Meter); });
    step(FlowStep::E, s.E, [&] { return F::E(in.Plate, s.beta, s.R); });
    step(FlowStep::KDen, s.KDen, [&] { return F::KDen(s.E, in.Plate); });
    step(FlowStep::t1, s.t1, [&] { return F::t1(in.Meter, s.beta); });
    // The comparisons of these three steps cannot fail; a failed t-step leaves the old t.
    if (s.t1 >= 0)
        step(FlowStep::T1, s.T1, [&] { return std::pow(s.t1, 2.5); });
    else
        s.T1 = 0;
    step(FlowStep::t2, s.t2, [&] { return F::t2(s.beta); });
    if (s.t2 >= 0)
        step(FlowStep::T2, s.T2, [&] { return std::pow(s.t2, 1.5); });
    else
        s.T2 = 0;
    step(FlowStep::t3, s.t3, [&] { return F::t3(s.beta); });
    if (s.t3 >= 0)
        step(FlowStep::T3, s.T3, [&] { return std::pow(s.t3, 2.5); });
    else
        s.T3 = 0;
    step(FlowStep::A, s.A, [&] { return F::A(s.T1, in.Meter); });
    step(FlowStep::B, s.B, [&] { return F::B(s.T2, in.Meter); });
    step(FlowStep::C, s.C, [&] { return F::C(in.Meter, s.T3); });
    step(FlowStep::Ke, s.Ke, [&] { return F::Ke(s.Ke0, s.A, s.B, s.C); });
    step(FlowStep::K0, s.K0, [&] { return F::K0(s.Ke, s.KDen); });
    // The branch comparison of steps 23 and 24 cannot fail.
    step(FlowStep::Ppc, s.Ppc, [&] { return F::Ppc(in.SpecGravity); });
    step(FlowStep::Tpc, s.Tpc, [&] { return F::Tpc(in.SpecGravity); });
    step(FlowStep::Ppr, s.Ppr, [&] { return F::Ppr(in.Pressure, s.Ppc); });
    step(FlowStep::Tpr, s.Tpr, [&] { return F::Tpr(in.Temp, s.Tpc); });
    step(FlowStep::rho, s.rho, [&] { return F::firstRho(s.Ppr, s.Tpr); });
    step(FlowStep::z, s.z, [&] { return F::zf(s.Tpr, s.rho); });
    // A fixed number of refinements, not a converged iteration: steps rho1, z1, ... z4.
    for (int i = 0; i < 4; ++i) {
        const auto rhoStep = static_cast<FlowStep>(static_cast<int>(FlowStep::rho1) + 2 * i);
        step(rhoStep, s.rho, [&] { return F::rho(s.Ppr, s.z, s.Tpr); });
        step(static_cast<FlowStep>(static_cast<int>(rhoStep) + 1), s.z,
             [&] { return F::zf(s.Tpr, s.rho); });
    }
    step(FlowStep::Z, f.Z, [&] { return F::Z(s.z); });
    if (negativeBeta == FlowEngine::NegativeBeta::KeepPreviousK && s.beta < 0)
        skipped(FlowStep::K);
    else
        step(FlowStep::K, s.K, [&] { return LookupFlowCoefficient(s.beta); });
    step(FlowStep::Pf, s.Pf, [&] { return F::Pf(in.Pressure); });
    step(FlowStep::Fr, f.Fr, [&] { return F::Fr(s.E, in.Meter, s.K, F::hw(in.Difference), s.Pf); });
    step(FlowStep::x1, s.x1, [&] { return F::x1(F::hw(in.Difference), s.Pf); });
    step(FlowStep::Y, f.Y, [&] { return F::Y(s.beta, s.x1); });
    step(FlowStep::Fb, f.Fb, [&] { return F::Fb(in.Plate, s.K0); });
    step(FlowStep::Fa, f.Fa, [&] { return F::Fa(in.Temp); });
    step(FlowStep::All, f.All,
         [&] { return F::All(f.FTf, f.FTb, f.FPb, f.Fg, f.Fr, f.Y, f.Z, f.Fl, f.Fa); });
    f.CPrime = 0; // not kept: a failed step 46 gives 0
    step(FlowStep::CPrime, f.CPrime, [&] { return F::CPrime(f.All, f.Fb); });
}

// Whether the fast pass may have produced a non-finite step result, which fails its step on
// every platform: a NaN input passes through arithmetic without raising a flag, so the flags
// alone would leave the result to depend on them. Where every operation raises the flags its
// result calls for (x86-64 with glibc's libm), a non-finite result can come only from a raised
// flag or a non-finite input (the kept state read by the pass is finite), so the ten inputs
// are checked; elsewhere (MinGW's libm raises no flags) every result is.
bool anyNonFinite(const FlowInputs &in, const FlowIntermediates &s, const FlowFactors &f)
{
    // Integer operations on the bits, no branch and no floating-point compare, so that the
    // test costs a few cycles: adding one unit of the exponent field to the exponent bits
    // carries into the sign bit exactly when the exponent is all ones (infinity or NaN).
    constexpr std::uint64_t exponent = 0x7ff0000000000000, unit = 0x0010000000000000;
    std::uint64_t carries = 0;
    const auto collect = [&](const auto &record) {
        // The records hold nothing but doubles.
        std::array<std::uint64_t, sizeof record / sizeof(double)> bits;
        static_assert(sizeof bits == sizeof record);
        std::memcpy(bits.data(), &record, sizeof record);
        for (std::uint64_t b : bits)
            carries |= (b & exponent) + unit;
    };
    collect(in);
    if constexpr (!kLibmRaisesFlags) {
        collect(s);
        collect(f);
    }
    return carries >> 63;
}

} // namespace

FlowFactors FlowEngine::ComputeFactors(const FlowInputs &in,
                                       const std::function<void()> &onPlateLargerThanMeter)
{
    if (in.Plate > in.Meter && onPlateLargerThanMeter)
        onPlateLargerThanMeter();

    // Fast pass: no step can fail unless some failure flag is raised or some result is not
    // finite somewhere in the whole pass, so one test at the end replaces a test per step.
    // Only then is the calculation redone from the kept state one guarded step at a time. The flags
    // are not cleared before the fast pass (reading them stalls until all pending arithmetic is
    // done): the slow pass leaves them clear, so a flag left up by other code costs one slow pass
    // and never a wrong result. A complete pass writes every factor before reading it; of the
    // intermediates only K may be read from the previous calculation (a negative ratio in the flow
    // server). Only the results must exist before the test: nothing here has to wait for a clear.
    FlowIntermediates s = state_;
    FlowFactors f;
    failed_.clear();
    runSteps(in, s, f, negativeBeta_, failed_,
             [](FlowStep, double &target, auto step) { target = step(); });
    closeFence(s);
    closeFence(f);
    if (failFlagRaised() || anyNonFinite(in, s, f)) {
        Work w{in, state_, LastFactors};
        failed_.clear();
        runSteps(w.in, w.s, w.f, negativeBeta_, failed_,
                 [&](FlowStep id, double &target, auto step) {
                     if (!guardedStep(w, target, step))
                         failed_.insert(id);
                 });
        clearFailFlags();
        s = w.s;
        f = w.f;
    }
    state_ = s;
    LastFactors = f;
    return f;
}

double FlowEngine::FlowRate(double pressure, double difference, double cPrime)
{
    // Products, a sum and a square root: with finite arguments an operation here can only
    // fail by producing an infinity or a NaN, and neither can vanish again before the result,
    // so a finite result is exactly a calculation in which nothing failed.
    const double flow = flow_formula::flowRate(pressure, difference, cPrime);
    return std::isfinite(flow) ? flow : 0;
}

const char *FlowStepName(FlowStep step)
{
    static constexpr const char *names[kFlowStepCount] = {
        "g",   "Fl",  "FTf", "FTb", "FPb",  "Fg", "beta", "Ke0", "R",    "E",      "KDen", "t1",
        "T1",  "t2",  "T2",  "t3",  "T3",   "A",  "B",    "C",   "Ke",   "K0",     "Ppc",  "Tpc",
        "Ppr", "Tpr", "rho", "z",   "rho1", "z1", "rho2", "z2",  "rho3", "z3",     "rho4", "z4",
        "Z",   "K",   "Pf",  "Fr",  "x1",   "Y",  "Fb",   "Fa",  "All",  "CPrime",
    };
    const auto i = static_cast<std::size_t>(step);
    return i >= 1 && i <= kFlowStepCount ? names[i - 1] : "?";
}

std::string DescribeSteps(const FlowStepSet &steps)
{
    std::string text;
    for (std::size_t i = 1; i <= kFlowStepCount; ++i) {
        const auto step = static_cast<FlowStep>(i);
        if (steps.contains(step)) {
            if (!text.empty())
                text += ", ";
            text += std::to_string(i) + " (" + FlowStepName(step) + ")";
        }
    }
    return text;
}

FlowFactorSet FactorsNotComputed(const FlowStepSet &failed)
{
    FlowFactorSet result;
    for (const FlowFactorField &field : kFlowFactorFields)
        if (failed.contains(field.step))
            result.set(static_cast<std::size_t>(field.factor));
    return result;
}
