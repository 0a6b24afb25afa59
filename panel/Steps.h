#pragma once

#include "NumberText.h"

#include <cmath>
#include <stdexcept>

// Skip-and-continue: most routines of the calculator abandon a statement that fails (a text
// that is not a number, a value a control rejects) and go on with the next one, showing
// nothing. A statement is a lambda run through runStep(); inside it, require() and
// requireNumber() turn a failure into an abandoned step.
struct StepFailed : std::runtime_error
{
    StepFailed() : std::runtime_error("step failed") {}
};

inline void require(bool ok)
{
    if (!ok)
        throw StepFailed();
}

// A computed value that must be finite: a conversion that overflows fails its step, so what it
// was to set keeps its previous value.
inline double requireFinite(double value)
{
    require(std::isfinite(value));
    return value;
}

// The number in text under the user's locale; the step fails when there is none.
inline double requireNumber(const QString &text)
{
    const auto value = NumberText::parse(text);
    require(value.has_value());
    return *value;
}

// Runs one step; true when it completed. Only a step's own failure is skipped: any other
// exception is a fault in the program and goes on to the caller.
template <class F> bool runStep(F &&step)
{
    try {
        step();
        return true;
    } catch (const StepFailed &) {
        return false;
    }
}
