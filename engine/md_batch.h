#pragma once

#include "md_vbcalc.h"

#include <cstddef>

// One input column of a batch: row i reads values[i * stride]. A stride of 0 gives every row
// the same value; strides count doubles, not bytes.
struct FlowColumn
{
    const double *values = nullptr;
    std::ptrdiff_t stride = 1;

    static FlowColumn Repeat(const double &value) { return {&value, 0}; }
};

// The inputs of a batch, one column per field of FlowInputs.
struct FlowBatchInputs
{
    FlowColumn Temp, Tb, Pb, Plate, Meter, SpecGravity, Lat, Elev, Pressure, Difference;
};

// Per-row marks written by ComputeFlowBatch.
enum FlowRowMark : unsigned char {
    FlowRowOk = 0,
    FlowRowFailed = 1, // a step or the flow rate failed: the flow is NaN
};

// The outcome of one row: what a fresh engine gives for these inputs.
struct FlowRow
{
    double flow = 0; // Mcf/d; NaN when failed
    bool failed = false;
};

// One row as the batch computes it, on the guarded scalar path: a fresh FlowEngine (negative
// ratios take row 0 of the table), then FlowRate. A row fails when any step or the flow rate
// fails. Range errors (CheckRanges) are not failures here: the caller checks them.
FlowRow ComputeFlowRow(const FlowInputs &in);

// Computes `rows` independent rows: flowMcfd[i] and failed[i] as ComputeFlowRow gives them
// (flows agree to a relative 1e-13: the vector code takes powers as products with a square
// root). Returns false, writing nothing, when a column or an output is null and rows > 0.
// Thread-safe; the caller's floating-point flags and traps are as they were on return.
bool ComputeFlowBatch(const FlowBatchInputs &in, std::size_t rows, double *flowMcfd,
                      unsigned char *failed);
