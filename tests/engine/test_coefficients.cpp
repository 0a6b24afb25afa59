#include "mdKValues.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

namespace {

// The table as published, typed out again so the lookup is checked against data it does
// not share.
constexpr double kRatios[] = {0.000, 0.100, 0.225, 0.275, 0.325, 0.350, 0.375, 0.400,
                              0.425, 0.450, 0.475, 0.500, 0.525, 0.550, 0.575, 0.600,
                              0.625, 0.650, 0.675, 0.700, 0.725, 0.750, 0.999};
constexpr double kK[] = {0.604, 0.604, 0.605, 0.606, 0.607, 0.609, 0.610, 0.612,
                         0.614, 0.617, 0.620, 0.624, 0.628, 0.634, 0.640, 0.647,
                         0.656, 0.666, 0.679, 0.693, 0.710, 0.731, 0.731};

TEST(FlowCoefficientTable, FillWritesEveryRowInOrder)
{
    FlowCoefficientTable table{};
    FillFlowCoefficientTable(table);
    for (std::size_t i = 0; i < table.size(); ++i) {
        EXPECT_EQ(table[i].Ratio, kRatios[i]) << "row " << i;
        EXPECT_EQ(table[i].K, kK[i]) << "row " << i;
    }
    EXPECT_EQ(&flowCoefficientTable(), &flowCoefficientTable());
    EXPECT_EQ(flowCoefficientTable()[10].K, 0.620);
}

TEST(LookupFlowCoefficient, EveryBoundaryTakesItsRowAndJustBelowTakesThePrevious)
{
    // Rows 1 to 21 are the boundaries; row 22's ratio is never a boundary.
    for (int i = 1; i <= 21; ++i) {
        const double ratio = kRatios[i];
        EXPECT_EQ(LookupFlowCoefficient(ratio), kK[i]) << "at " << ratio;
        EXPECT_EQ(LookupFlowCoefficient(std::nextafter(ratio, 0.0)), kK[i - 1])
            << "just below " << ratio;
        EXPECT_EQ(LookupFlowCoefficient(std::nextafter(ratio, 1.0)), kK[i])
            << "just above " << ratio;
    }
}

TEST(LookupFlowCoefficient, Cases)
{
    const struct
    {
        double beta, k;
    } cases[] = {
        {0, 0.604},
        {-1, 0.604},
        {-1e300, 0.604},
        {0.0999, 0.604},
        {0.1, 0.604},
        {0.2249, 0.604},
        {0.225, 0.605},
        {0.4245, 0.612},
        {0.4889, 0.620},
        {0.5, 0.624},
        {0.7495, 0.710},
        {0.7499, 0.710},
        {0.75, 0.731},
        {0.9, 0.731},
        {0.999, 0.731},
        {2, 0.731},
        {1e300, 0.731},
        {std::numeric_limits<double>::infinity(), 0.731},
        {std::numeric_limits<double>::quiet_NaN(), 0.604},
    };
    for (const auto &c : cases)
        EXPECT_EQ(LookupFlowCoefficient(c.beta), c.k) << "beta " << c.beta;
}

} // namespace
