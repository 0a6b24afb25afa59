#include "md_batch.h"

#include <cmath>
#include <limits>

// NOT DONE: the vector path; rows run one by one on the scalar engine for now.
FlowRow ComputeFlowRow(const FlowInputs &in)
{
    FlowEngine engine;
    const FlowFactors f = engine.ComputeFactors(in);
    const double flow = FlowEngine::FlowRate(in.Pressure, in.Difference, f.CPrime);
    if (!engine.FailedSteps().empty())
        return {std::numeric_limits<double>::quiet_NaN(), true};
    return {flow, false};
}

bool ComputeFlowBatch(const FlowBatchInputs &in, std::size_t rows, double *flowMcfd,
                      unsigned char *failed)
{
    const FlowColumn FlowBatchInputs::*columns[] = {
        &FlowBatchInputs::Temp,      &FlowBatchInputs::Tb,    &FlowBatchInputs::Pb,
        &FlowBatchInputs::Plate,     &FlowBatchInputs::Meter, &FlowBatchInputs::SpecGravity,
        &FlowBatchInputs::Lat,       &FlowBatchInputs::Elev,  &FlowBatchInputs::Pressure,
        &FlowBatchInputs::Difference};
    if (rows == 0)
        return true;
    if (!flowMcfd || !failed)
        return false;
    for (auto column : columns)
        if (!(in.*column).values)
            return false;
    for (std::size_t i = 0; i < rows; ++i) {
        FlowInputs row;
        for (std::size_t c = 0; c < 10; ++c)
            row.*kFlowInputFields[c].value =
                (in.*columns[c]).values[static_cast<std::ptrdiff_t>(i) * (in.*columns[c]).stride];
        const FlowRow r = ComputeFlowRow(row);
        flowMcfd[i] = r.flow;
        failed[i] = r.failed ? FlowRowFailed : FlowRowOk;
    }
    return true;
}
