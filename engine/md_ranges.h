#pragma once

#include "md_vbcalc.h"

#include <string>
#include <string_view>
#include <vector>

enum class Severity : unsigned char {
    Error,   // no flow can stand on these inputs
    Warning, // the method is used outside the range it is stated for
};

// One result of the range checks.
struct Finding
{
    std::string_view code; // stable, e.g. "beta-range"; points at static text
    Severity severity = Severity::Error;
    FlowInput input = FlowInput::None; // the input it is about, if one
    std::string message;               // plain text with the numbers in it
};

// Checks one calculation's inputs against what the method can stand. `failedSteps` is the
// calculation's FlowEngine::FailedSteps() (all failed steps make one error); pass an empty set
// to check the inputs alone. Errors come first, each group in a fixed order; a non-finite
// input is reported once and skips the checks that read it. Absolute static pressure is the
// gauge pressure plus the 14.4 psi the factors add. Allocates nothing when there is no finding.
//
// Errors: "input-not-finite", "meter-not-positive", "bore-not-positive", "gravity-not-positive",
// "differential-not-positive", "temperature-not-positive", "pressure-not-positive",
// "bore-not-below-meter", "base-temperature-not-positive", "base-pressure-not-positive",
// "latitude-range", "step-failed".
// Warnings: "beta-range", "differential-ratio", "tpr-range", "ppr-range", "gravity-range".
std::vector<Finding> CheckRanges(const FlowInputs &in, const FlowStepSet &failedSteps);

// Whether CheckRanges would report an error for these inputs with no failed step; cheap enough
// to run on every row of a batch.
bool HasInputError(const FlowInputs &in);

bool HasError(const std::vector<Finding> &findings);
