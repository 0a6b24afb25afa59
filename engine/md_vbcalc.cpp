#include "md_vbcalc.h"

#include "fp_flags.h"
#include "mdKValues.h"

#include <array>
#include <cmath>
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

double zf(double tpr, double rho)
{
    const double tpr3 = tpr * tpr * tpr;
    return ((1 + ((0.31506 - 1.0467 / tpr) - 0.5783 / tpr3) * rho) +
            (0.5353 - 0.6123 / tpr) * (rho * rho)) +
           (0.6815 * (rho * rho)) / tpr3;
}

// Every step of the calculation in order, written once. `step(id, target, f)` decides what a
// failure means: the fast pass assigns blindly, the checked pass guards each step and notes
// the ones that failed. `skipped(id)` is told of a step that stores nothing by design.
template <class Step>
void runSteps(const FlowInputs &in, FlowIntermediates &s, FlowFactors &f,
              FlowEngine::NegativeBeta negativeBeta, FlowStepSet &skippedSteps, Step step)
{
    const auto skipped = [&](FlowStep id) { skippedSteps.insert(id); };
    step(FlowStep::g, s.g, [&] { return ((in.Lat - 45) * 0.087 + 980.665) - 9.4e-5 * in.Elev; });
    step(FlowStep::Fl, f.Fl, [&] { return std::sqrt(s.g / 980.665); });
    step(FlowStep::FTf, f.FTf, [&] { return std::sqrt(520 / (in.Temp + 460)); });
    step(FlowStep::FTb, f.FTb, [&] { return (in.Tb + 460) / 520; });
    step(FlowStep::FPb, f.FPb, [&] { return 14.73 / in.Pb; });
    step(FlowStep::Fg, f.Fg, [&] { return std::sqrt(1 / in.SpecGravity); });
    step(FlowStep::beta, s.beta, [&] { return in.Plate / in.Meter; });
    step(FlowStep::Ke0, s.Ke0, [&] {
        const double beta4 = s.beta * s.beta * s.beta * s.beta;
        return (0.007 / in.Meter + 0.5993) + (0.076 / std::sqrt(in.Meter) + 0.364) * beta4;
    });
    step(FlowStep::R, s.R, [&] { return 530 / std::sqrt(in.Meter); });
    step(FlowStep::E, s.E, [&] {
        const double b = s.beta;
        return in.Plate * ((((830 - 5000 * b) + 9000 * (b * b)) - 4200 * (b * b * b)) + s.R);
    });
    step(FlowStep::KDen, s.KDen, [&] { return 1 + (15 * s.E) / (1e6 * in.Plate); });
    step(FlowStep::t1, s.t1, [&] { return (0.5 / in.Meter + 0.07) - s.beta; });
    // The comparisons of these three steps cannot fail; a failed t-step leaves the old t.
    if (s.t1 >= 0)
        step(FlowStep::T1, s.T1, [&] { return std::pow(s.t1, 2.5); });
    else
        s.T1 = 0;
    step(FlowStep::t2, s.t2, [&] { return 0.5 - s.beta; });
    if (s.t2 >= 0)
        step(FlowStep::T2, s.T2, [&] { return std::pow(s.t2, 1.5); });
    else
        s.T2 = 0;
    step(FlowStep::t3, s.t3, [&] { return s.beta - 0.7; });
    if (s.t3 >= 0)
        step(FlowStep::T3, s.T3, [&] { return std::pow(s.t3, 2.5); });
    else
        s.T3 = 0;
    step(FlowStep::A, s.A, [&] {
        const double m = 1.6 - 1 / in.Meter;
        return s.T1 * (0.4 * (m * m * m * m * m));
    });
    step(FlowStep::B, s.B, [&] { return s.T2 * (0.034 / in.Meter + 0.009); });
    step(FlowStep::C, s.C, [&] { return (65 / (in.Meter * in.Meter) + 3) * s.T3; });
    step(FlowStep::Ke, s.Ke, [&] { return ((s.Ke0 + s.A) - s.B) + s.C; });
    step(FlowStep::K0, s.K0, [&] { return s.Ke / s.KDen; });
    if (in.SpecGravity < 0.7) {
        step(FlowStep::Ppc, s.Ppc, [&] { return 693 - 36 * in.SpecGravity; });
        step(FlowStep::Tpc, s.Tpc, [&] { return 191 + 274 * in.SpecGravity; });
    } else {
        step(FlowStep::Ppc, s.Ppc, [&] { return 740 - 100 * in.SpecGravity; });
        step(FlowStep::Tpc, s.Tpc, [&] { return 238 + 210 * in.SpecGravity; });
    }
    step(FlowStep::Ppr, s.Ppr, [&] { return in.Pressure / s.Ppc; });
    step(FlowStep::Tpr, s.Tpr, [&] { return (in.Temp + 460) / s.Tpc; });
    step(FlowStep::rho, s.rho, [&] { return (0.27 * s.Ppr) / s.Tpr; });
    step(FlowStep::z, s.z, [&] { return zf(s.Tpr, s.rho); });
    // A fixed number of refinements, not a converged iteration: steps rho1, z1, ... z4.
    for (int i = 0; i < 4; ++i) {
        const auto rhoStep = static_cast<FlowStep>(static_cast<int>(FlowStep::rho1) + 2 * i);
        step(rhoStep, s.rho, [&] { return (0.27 * s.Ppr) / (s.z * s.Tpr); });
        step(static_cast<FlowStep>(static_cast<int>(rhoStep) + 1), s.z,
             [&] { return zf(s.Tpr, s.rho); });
    }
    step(FlowStep::Z, f.Z, [&] { return std::sqrt(1 / s.z); });
    if (negativeBeta == FlowEngine::NegativeBeta::KeepPreviousK && s.beta < 0)
        skipped(FlowStep::K);
    else
        step(FlowStep::K, s.K, [&] { return LookupFlowCoefficient(s.beta); });
    step(FlowStep::Pf, s.Pf, [&] { return in.Pressure + 14.4; });
    step(FlowStep::Fr, f.Fr, [&] {
        const double hw = in.Difference * 27.71364;
        return 1 + (s.E / ((12835 * in.Meter) * s.K)) / std::sqrt(hw * s.Pf);
    });
    step(FlowStep::x1, s.x1, [&] {
        const double hw = in.Difference * 27.71364;
        return hw / (27.7 * s.Pf);
    });
    step(FlowStep::Y, f.Y, [&] {
        const double beta4 = s.beta * s.beta * s.beta * s.beta;
        return 1 - ((0.41 + 0.35 * beta4) * s.x1) / 1.3;
    });
    step(FlowStep::Fb, f.Fb, [&] { return ((in.Plate * in.Plate) * 338.17) * s.K0; });
    step(FlowStep::Fa, f.Fa, [&] { return (1e-5 * 1.85) * (in.Temp - 68) + 1; });
    step(FlowStep::All, f.All,
         [&] { return f.FTf * f.FTb * f.FPb * f.Fg * f.Fr * f.Y * f.Z * f.Fl * f.Fa; });
    f.CPrime = 0; // not kept: a failed step 46 gives 0
    step(FlowStep::CPrime, f.CPrime, [&] { return f.All * f.Fb; });
}

// Whether the fast pass produced anything non-finite. A non-finite step result is a failed
// step on every platform: a NaN input passes through arithmetic without raising a flag, and
// MinGW's libm raises none, so the flags alone would leave the result to depend on them.
bool anyNonFinite(const FlowIntermediates &s, const FlowFactors &f)
{
    const auto bad = [](const auto &record) {
        // Both records hold nothing but doubles.
        std::array<double, sizeof record / sizeof(double)> values;
        static_assert(sizeof values == sizeof record);
        std::memcpy(values.data(), &record, sizeof record);
        // No early exit: the loop then compiles to a few vector compares.
        bool any = false;
        for (double v : values)
            any |= !std::isfinite(v);
        return any;
    };
    return bad(s) | bad(f);
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
    if (failFlagRaised() || anyNonFinite(s, f)) {
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
    const double flow =
        (cPrime * 0.024132) * std::sqrt((difference * 27.71364) * (pressure + 14.65));
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

FlowFactorSet FactorsNotComputed(const FlowStepSet &failed)
{
    FlowFactorSet result;
    for (const FlowFactorField &field : kFlowFactorFields)
        if (failed.contains(field.step))
            result.set(static_cast<std::size_t>(field.factor));
    return result;
}
