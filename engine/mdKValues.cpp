#include "mdKValues.h"

namespace {
constexpr FlowCoefficientTable kTable = [] {
    FlowCoefficientTable table{};
    FillFlowCoefficientTable(table);
    return table;
}();
} // namespace

const FlowCoefficientTable &flowCoefficientTable()
{
    return kTable;
}

double LookupFlowCoefficient(double beta)
{
    // The scan starts at row 1 and stops at the first row above beta or at row 22.
    std::size_t i = 1;
    while (kTable[i].Ratio <= beta && i < kTable.size() - 1)
        ++i;
    return kTable[i - 1].K;
}
