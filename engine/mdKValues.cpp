#include "mdKValues.h"

const FlowCoefficientTable &flowCoefficientTable()
{
    return kFlowCoefficients;
}

double LookupFlowCoefficient(double beta)
{
    return flowCoefficientOf(beta);
}
