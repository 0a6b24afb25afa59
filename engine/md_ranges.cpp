#include "md_ranges.h"

// NOT DONE: placeholder so callers can build against the declarations.
std::vector<Finding> CheckRanges(const FlowInputs &, const FlowStepSet &)
{
    return {{"not-implemented", Severity::Error, FlowInput::None, "range checks not built yet"}};
}

bool HasInputError(const FlowInputs &)
{
    return true;
}

bool HasError(const std::vector<Finding> &findings)
{
    for (const Finding &f : findings)
        if (f.severity == Severity::Error)
            return true;
    return false;
}
