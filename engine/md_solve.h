#pragma once

#include "md_vbcalc.h"

#include <string>
#include <string_view>

// The answer of a solver: a value, or the reason there is none.
struct SolveResult
{
    bool solved = false;
    double value = 0; // psi or inches; meaningful only when solved
    double flow = 0;  // flow at value, Mcf/d, from a fresh engine
    // The flow jumps across the wanted flow where the coefficient table changes rows: value is
    // the bore at that boundary (the smallest bore of the upper row) and flow is its flow.
    bool atRowBoundary = false;
    // Empty when solved without remark, else one of: "row-boundary" (solved, see above);
    // "flow-not-positive"; an error code of CheckRanges about another input;
    // "flow-above-maximum", "flow-below-minimum" (differential); "flow-above-largest-bore",
    // "flow-below-smallest-bore", "no-crossing" (bore); "step-failed"; "no-convergence".
    std::string_view code;
    std::string message; // why there is no solution, with the limits in numbers, or the remark
};

// The differential (psi) at which the flow equals flowMcfd, every other input given
// (in.Difference is ignored). Each evaluation runs on a fresh engine. The flow is met to a
// relative 1e-10; no step fails at the value returned.
SolveResult SolveDifferential(const FlowInputs &in, double flowMcfd);

// The smallest bore (inches, below the meter) at which the flow equals flowMcfd at the given
// differential (in.Plate is ignored). Same guarantees as SolveDifferential.
SolveResult SizeBore(const FlowInputs &in, double flowMcfd);
