#include "md_solve.h"

// NOT DONE: placeholders so callers can build against the declarations.
SolveResult SolveDifferential(const FlowInputs &, double)
{
    return {false, 0, 0, false, "not-implemented", "solver not built yet"};
}

SolveResult SizeBore(const FlowInputs &, double)
{
    return {false, 0, 0, false, "not-implemented", "solver not built yet"};
}
