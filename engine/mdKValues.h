#pragma once

#include <array>

// Flow coefficient K by diameter ratio, looked up in steps without interpolation.
struct FlowCoefficientRow
{
    double Ratio = 0;
    double K = 0;
};

using FlowCoefficientTable = std::array<FlowCoefficientRow, 23>;

// Writes the 23 rows, row 0 first. The program's own table is filled at compile time.
constexpr void FillFlowCoefficientTable(FlowCoefficientTable &table)
{
    constexpr double rows[23][2] = {
        {0.000, 0.604}, {0.100, 0.604}, {0.225, 0.605}, {0.275, 0.606}, {0.325, 0.607},
        {0.350, 0.609}, {0.375, 0.610}, {0.400, 0.612}, {0.425, 0.614}, {0.450, 0.617},
        {0.475, 0.620}, {0.500, 0.624}, {0.525, 0.628}, {0.550, 0.634}, {0.575, 0.640},
        {0.600, 0.647}, {0.625, 0.656}, {0.650, 0.666}, {0.675, 0.679}, {0.700, 0.693},
        {0.725, 0.710}, {0.750, 0.731}, {0.999, 0.731},
    };
    for (std::size_t i = 0; i < table.size(); ++i)
        table[i] = {rows[i][0], rows[i][1]};
}

// The filled table; constant data, so no lookup can ever see it empty.
inline constexpr FlowCoefficientTable kFlowCoefficients = [] {
    FlowCoefficientTable table{};
    FillFlowCoefficientTable(table);
    return table;
}();

const FlowCoefficientTable &flowCoefficientTable();

// K of the last row among rows 1 to 21 whose ratio does not exceed beta, else K of row 0.
// Never fails: every double, negative and NaN included, yields one of the table's values.
double LookupFlowCoefficient(double beta);

// The lookup itself, inline and without branches (a compare and a select per row), so that a
// loop over many ratios vectorises. The ratios ascend, so the last row that does not exceed
// beta is the row before the first that does: the same row as the scan of the table.
inline double flowCoefficientOf(double beta)
{
    double k = kFlowCoefficients[0].K;
#pragma GCC unroll 32
    for (std::size_t i = 1; i + 1 < kFlowCoefficients.size(); ++i)
        k = kFlowCoefficients[i].Ratio <= beta ? kFlowCoefficients[i].K : k;
    return k;
}
