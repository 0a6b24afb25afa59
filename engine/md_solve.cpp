#include "md_solve.h"

#include "md_formulas.h"
#include "md_ranges.h"
#include "md_text.h"
#include "mdKValues.h"

#include <boost/math/tools/minima.hpp>
#include <boost/math/tools/toms748_solve.hpp>

#include <cmath>
#include <cstdint>
#include <exception>
#include <utility>

namespace {

namespace F = flow_formula;
using engine_detail::format;

constexpr double kFlowTolerance = 1e-10; // relative, in flow
constexpr int kMaxIterations = 200;

// Thrown out of the root finder when a step fails at a trial value.
struct StepFailed
{
    double at;
    FlowStepSet steps;
};

// The flow of `in` on a fresh engine, so that no earlier trial can leak into it.
double flowOf(const FlowInputs &in, double at)
{
    FlowEngine engine;
    const FlowFactors f = engine.ComputeFactors(in);
    if (!engine.FailedSteps().empty())
        throw StepFailed{at, engine.FailedSteps()};
    return F::flowRate(in.Pressure, in.Difference, f.CPrime);
}

SolveResult noSolution(std::string_view code, std::string message)
{
    SolveResult r;
    r.code = code;
    r.message = std::move(message);
    return r;
}

SolveResult solved(double value, double flow)
{
    SolveResult r;
    r.solved = true;
    r.value = value;
    r.flow = flow;
    return r;
}

bool met(double flow, double wanted)
{
    return std::fabs(flow - wanted) <= kFlowTolerance * wanted;
}

// The first error among the inputs other than `unknown`, which holds a placeholder.
const Finding *inputError(const std::vector<Finding> &findings, FlowInput unknown)
{
    for (const Finding &f : findings)
        if (f.severity == Severity::Error && f.input != unknown && f.code != "step-failed")
            return &f;
    return nullptr;
}

// Checks what both solvers need before they start: a wanted flow and sound other inputs.
bool precheck(const FlowInputs &in, FlowInput unknown, double wanted, SolveResult &failure)
{
    if (!std::isfinite(wanted) || !(wanted > 0)) {
        failure = noSolution("flow-not-positive",
                             format("the wanted flow %g Mcf/d is not a positive number", wanted));
        return false;
    }
    const auto findings = CheckRanges(in, {});
    if (const Finding *f = inputError(findings, unknown)) {
        failure = noSolution(f->code, "no solution: " + f->message);
        return false;
    }
    return true;
}

// Solves flow(x) = wanted on [lo, hi], where flow(lo) - wanted and flow(hi) - wanted differ in
// sign, and returns the end of the final bracket whose flow is nearer.
template <class Flow>
SolveResult bracketed(Flow flow, double wanted, double lo, double hi, double flowLo, double flowHi)
{
    std::uintmax_t iterations = kMaxIterations;
    const auto f = [&](double x) { return flow(x) - wanted; };
    const auto [a, b] = boost::math::tools::toms748_solve(
        f, lo, hi, flowLo - wanted, flowHi - wanted, boost::math::tools::eps_tolerance<double>(50),
        iterations);
    const double fa = flow(a), fb = flow(b);
    const bool takeA = std::fabs(fa - wanted) <= std::fabs(fb - wanted);
    const double x = takeA ? a : b, fx = takeA ? fa : fb;
    if (!met(fx, wanted))
        return noSolution("no-convergence",
                          format("the solver stopped at %.10g with a flow of %.10g Mcf/d, "
                                 "not within a relative 1e-10 of %.10g",
                                 x, fx, wanted));
    return solved(x, fx);
}

// Runs `search(in, flow)` for the input `unknown`, after the checks; flow(x) is the flow with
// that input set to x, on a fresh engine. A trial at which a step fails ends the search.
template <class Search>
SolveResult solveFor(const FlowInputs &given, FlowInput unknown, double placeholder, double wanted,
                     Search search)
{
    const FlowInputField &field = flowInputField(unknown);
    FlowInputs in = given;
    in.*field.value = placeholder; // the unknown is not checked
    SolveResult failure;
    if (!precheck(in, unknown, wanted, failure))
        return failure;
    const auto flow = [&](double x) {
        FlowInputs trial = in;
        trial.*field.value = x;
        return flowOf(trial, x);
    };
    try {
        return search(static_cast<const FlowInputs &>(in), flow);
    } catch (const StepFailed &failed) {
        return noSolution("step-failed",
                          format("no solution: these steps fail at %s %.10g %s: %s", field.label,
                                 failed.at, field.unit, DescribeSteps(failed.steps).c_str()));
    } catch (const std::exception &e) {
        return noSolution("no-convergence", format("the solver failed: %s", e.what()));
    }
}

} // namespace

SolveResult SolveDifferential(const FlowInputs &given, double wanted)
{
    return solveFor(
        given, FlowInput::Difference, 1, wanted,
        [&](const FlowInputs &in, const auto &flow) -> SolveResult {
            // The expansion factor falls linearly with the differential and reaches zero at
            // x1 = 1.3 / (0.41 + 0.35 beta^4); the flow, rising like the square root of the
            // differential, peaks before that and then falls. Beyond the peak there is no
            // answer a user would want, so the search stays below it.
            const double beta = F::beta(in.Plate, in.Meter);
            const double x1AtZeroY = 1.3 / (0.41 + 0.35 * F::beta4(beta));
            const double yZero = x1AtZeroY * 27.7 * F::Pf(in.Pressure) / F::kInchesWaterPerPsi;
            std::uintmax_t iterations = kMaxIterations;
            const auto peak = boost::math::tools::brent_find_minima(
                [&](double d) { return -flow(d); }, 0.0, yZero, 40, iterations);
            const double top = peak.first, flowTop = -peak.second;
            if (wanted > flowTop && !met(flowTop, wanted))
                return noSolution(
                    "flow-above-maximum",
                    format("no differential gives %.10g Mcf/d: the most this bore passes at this "
                           "static pressure is %.10g Mcf/d, at a differential of %.6g psi",
                           wanted, flowTop, top));
            // As the differential goes to zero the Reynolds number factor grows like its inverse
            // square root, so the flow tends to a small positive value, not to zero.
            const double bottom = top * 1e-12;
            const double flowBottom = flow(bottom);
            if (wanted < flowBottom && !met(flowBottom, wanted))
                return noSolution(
                    "flow-below-minimum",
                    format("no differential gives %.10g Mcf/d: as the differential goes to zero "
                           "the flow of this meter tends to %.10g Mcf/d",
                           wanted, flowBottom));
            return bracketed(flow, wanted, bottom, top, flowBottom, flowTop);
        });
}

SolveResult SizeBore(const FlowInputs &given, double wanted)
{
    return solveFor(
        given, FlowInput::Plate, given.Meter / 2, wanted,
        [&](const FlowInputs &in, const auto &flow) -> SolveResult {
            // K changes in steps with the diameter ratio, and the flow with it. Each row of the
            // table gives a stretch of bores on which the flow is continuous; the stretches
            // are searched from the smallest bore up, so the answer is the smallest bore.
            const FlowCoefficientTable &table = flowCoefficientTable();
            const double meter = in.Meter;
            // The smallest bore whose ratio reaches `ratio`, as the engine rounds the ratio.
            const auto boundary = [&](double ratio) {
                double d = ratio * meter;
                while (F::beta(d, meter) >= ratio)
                    d = std::nextafter(d, 0.0);
                while (F::beta(d, meter) < ratio)
                    d = std::nextafter(d, meter);
                return d;
            };
            std::vector<double> starts{meter * 1e-6};
            for (std::size_t i = 1; i + 1 < table.size(); ++i) // rows 1 to 21 are boundaries
                if (const double d = boundary(table[i].Ratio); d > starts.back() && d < meter)
                    starts.push_back(d);
            const double largest = std::nextafter(meter, 0.0);

            const std::size_t n = starts.size();
            std::vector<double> ends(n), flowStart(n), flowEnd(n);
            double lowest = INFINITY, highest = -INFINITY;
            for (std::size_t j = 0; j < n; ++j) {
                ends[j] = j + 1 < n ? std::nextafter(starts[j + 1], 0.0) : largest;
                flowStart[j] = flow(starts[j]);
                flowEnd[j] = flow(ends[j]);
                lowest = std::fmin(lowest, std::fmin(flowStart[j], flowEnd[j]));
                highest = std::fmax(highest, std::fmax(flowStart[j], flowEnd[j]));
            }
            const auto across = [&](double a, double b) { return (a < wanted) != (b < wanted); };
            // Where the wanted flow falls inside the jump at the start of row j, the boundary
            // is the answer: bores on both sides of it come within the jump of the flow.
            const auto atBoundary = [&](std::size_t j, const SolveResult *below) {
                SolveResult r = solved(starts[j], flowStart[j]);
                r.atRowBoundary = true;
                r.code = "row-boundary";
                r.message = format(
                    "the flow jumps from %.10g to %.10g Mcf/d, across the wanted %.10g Mcf/d, "
                    "where the diameter ratio reaches %.3f (a row of the flow coefficient table); "
                    "the bore returned is that boundary, %.10g in",
                    flowEnd[j - 1], flowStart[j], wanted, F::beta(starts[j], meter), starts[j]);
                if (below && below->solved)
                    r.message +=
                        format("; %.10g in, just below it, gives the wanted flow", below->value);
                return r;
            };
            for (std::size_t j = 0; j < n; ++j) {
                if (met(flowStart[j], wanted))
                    return solved(starts[j], flowStart[j]);
                if (j > 0 && across(flowEnd[j - 1], flowStart[j]))
                    return atBoundary(j, nullptr);
                if (across(flowStart[j], flowEnd[j])) {
                    const SolveResult inside =
                        bracketed(flow, wanted, starts[j], ends[j], flowStart[j], flowEnd[j]);
                    if (j + 1 < n && across(flowEnd[j], flowStart[j + 1]))
                        return atBoundary(j + 1, &inside);
                    return inside;
                }
            }
            if (wanted > highest)
                return noSolution(
                    "flow-above-largest-bore",
                    format("no bore below the meter gives %.10g Mcf/d at this differential: the "
                           "largest, %.10g in, passes %.10g Mcf/d",
                           wanted, largest, flow(largest)));
            if (wanted < lowest)
                return noSolution("flow-below-smallest-bore",
                                  format("no bore gives %.10g Mcf/d at this differential: a bore "
                                         "of %.6g in already passes %.10g Mcf/d",
                                         wanted, starts.front(), flow(starts.front())));
            return noSolution("no-crossing",
                              format("the flow never crosses %.10g Mcf/d between bores %.6g and "
                                     "%.10g in",
                                     wanted, starts.front(), largest));
        });
}
