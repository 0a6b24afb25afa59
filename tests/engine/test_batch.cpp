#include "md_batch.h"

#include <gtest/gtest.h>

#include <array>
#include <cfenv>
#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

constexpr std::size_t kColumns = kFlowInputFields.size();

// Rows held as columns, the layout the batch reads.
struct Columns
{
    std::array<std::vector<double>, kColumns> values;

    std::size_t rows() const { return values[0].size(); }
    void add(const FlowInputs &in)
    {
        for (std::size_t c = 0; c < kColumns; ++c)
            values[c].push_back(in.*kFlowInputFields[c].value);
    }
    FlowInputs row(std::size_t i) const
    {
        FlowInputs in;
        for (std::size_t c = 0; c < kColumns; ++c)
            in.*kFlowInputFields[c].value = values[c][i];
        return in;
    }
    FlowBatchInputs batch() const
    {
        FlowBatchInputs b;
        FlowColumn *columns[] = {&b.Temp,        &b.Tb,  &b.Pb,   &b.Plate,    &b.Meter,
                                 &b.SpecGravity, &b.Lat, &b.Elev, &b.Pressure, &b.Difference};
        for (std::size_t c = 0; c < kColumns; ++c)
            *columns[c] = {values[c].data(), 1};
        return b;
    }
};

// Readings over the whole working range: both gravity branches, every table row, the three
// power terms on and off.
FlowInputs randomReading(std::mt19937_64 &rng)
{
    std::uniform_real_distribution<double> u(0, 1);
    const auto in = [&](double lo, double hi) { return lo + (hi - lo) * u(rng); };
    FlowInputs r;
    r.Meter = in(1, 30);
    r.Plate = in(0.05, 0.95) * r.Meter;
    r.SpecGravity = in(0.5, 1.5);
    r.Temp = in(-40, 300);
    r.Pressure = in(-10, 3000);
    r.Difference = in(0.01, 50);
    r.Tb = in(32, 80);
    r.Pb = in(13, 16);
    r.Lat = in(-90, 90);
    r.Elev = in(-500, 15000);
    return r;
}

// Inputs on which steps fail, including overflow and non-finite values.
FlowInputs spoil(FlowInputs r, std::mt19937_64 &rng)
{
    const double inf = std::numeric_limits<double>::infinity();
    switch (rng() % 12) {
    case 0:
        r.Meter = 0;
        break;
    case 1:
        r.Difference = 0;
        break;
    case 2:
        r.Difference = -1;
        break;
    case 3:
        r.Temp = -460;
        break;
    case 4:
        r.SpecGravity = 0;
        break;
    case 5:
        r.Plate = std::numeric_limits<double>::quiet_NaN();
        break;
    case 6:
        r.Pressure = inf;
        break;
    case 7:
        r.Difference = 1e308;
        break; // hw overflows
    case 8:
        r.Plate = 1e200;
        r.Meter = 2e200;
        break; // Plate^2 overflows
    case 9:
        r.Temp = 1e110;
        break; // Tpr^3 overflows inside Zf
    case 10:
        r.Pb = -inf;
        break;
    default:
        r.Pressure = -14.5;
        break; // negative absolute pressure
    }
    return r;
}

void expectMatchesScalar(const Columns &c, const std::vector<double> &flow,
                         const std::vector<unsigned char> &failed, std::size_t &failedRows)
{
    for (std::size_t i = 0; i < c.rows(); ++i) {
        const FlowRow expected = ComputeFlowRow(c.row(i));
        ASSERT_EQ(failed[i] != FlowRowOk, expected.failed) << "row " << i;
        if (expected.failed) {
            EXPECT_TRUE(std::isnan(flow[i])) << "row " << i;
            ++failedRows;
        } else {
            ASSERT_NEAR(flow[i], expected.flow, 1e-13 * std::fabs(expected.flow)) << "row " << i;
        }
    }
}

TEST(FlowBatch, EqualsTheScalarEngineOnALargeRandomSet)
{
    std::mt19937_64 rng(12);
    Columns c;
    for (int i = 0; i < 200003; ++i) // not a whole number of blocks
        c.add(randomReading(rng));
    std::vector<double> flow(c.rows());
    std::vector<unsigned char> failed(c.rows());
    ASSERT_TRUE(ComputeFlowBatch(c.batch(), c.rows(), flow.data(), failed.data()));
    std::size_t failedRows = 0;
    expectMatchesScalar(c, flow, failed, failedRows);
    // A few of these readings fail a step too; the scalar engine decides which, row by row.
    EXPECT_LT(failedRows, c.rows() / 100);
}

TEST(FlowBatch, MarksFailingRowsIncludingOverflowAmongGoodOnes)
{
    std::mt19937_64 rng(34);
    Columns c;
    for (int i = 0; i < 50000; ++i) {
        const FlowInputs r = randomReading(rng);
        c.add(rng() % 50 == 0 ? spoil(r, rng) : r);
    }
    std::vector<double> flow(c.rows());
    std::vector<unsigned char> failed(c.rows());
    ASSERT_TRUE(ComputeFlowBatch(c.batch(), c.rows(), flow.data(), failed.data()));
    std::size_t failedRows = 0;
    expectMatchesScalar(c, flow, failed, failedRows);
    EXPECT_GT(failedRows, 800u); // about one row in 50 is spoilt, and every spoilt row fails
}

TEST(FlowBatch, StridesAndRepeatedValuesReadTheSameRows)
{
    std::mt19937_64 rng(56);
    Columns c;
    for (int i = 0; i < 100; ++i)
        c.add(randomReading(rng));
    const double pressure = 250;
    for (double &p : c.values[8])
        p = pressure;
    std::vector<double> interleavedTemp;
    for (double t : c.values[0]) {
        interleavedTemp.push_back(t);
        interleavedTemp.push_back(-1e300); // must never be read
    }

    FlowBatchInputs b = c.batch();
    b.Pressure = FlowColumn::Repeat(pressure);
    b.Temp = {interleavedTemp.data(), 2};
    std::vector<double> flow(c.rows()), expected(c.rows());
    std::vector<unsigned char> failed(c.rows()), expectedFailed(c.rows());
    ASSERT_TRUE(ComputeFlowBatch(b, c.rows(), flow.data(), failed.data()));
    ASSERT_TRUE(ComputeFlowBatch(c.batch(), c.rows(), expected.data(), expectedFailed.data()));
    EXPECT_EQ(flow, expected);
    EXPECT_EQ(failed, expectedFailed);
}

TEST(FlowBatch, RejectsMissingArraysWithoutWriting)
{
    Columns c;
    c.add(randomReading(*std::make_unique<std::mt19937_64>(1)));
    double flow = -1;
    unsigned char failed = 7;
    FlowBatchInputs b = c.batch();
    b.Elev.values = nullptr;
    EXPECT_FALSE(ComputeFlowBatch(b, 1, &flow, &failed));
    EXPECT_FALSE(ComputeFlowBatch(c.batch(), 1, nullptr, &failed));
    EXPECT_FALSE(ComputeFlowBatch(c.batch(), 1, &flow, nullptr));
    EXPECT_EQ(flow, -1);
    EXPECT_EQ(failed, 7);
    EXPECT_TRUE(ComputeFlowBatch(b, 0, nullptr, nullptr));
}

TEST(FlowBatch, LeavesTheCallersFlagsAsTheyWere)
{
    Columns c;
    std::mt19937_64 rng(78);
    c.add(spoil(randomReading(rng), rng));
    FlowInputs meter0 = randomReading(rng);
    meter0.Meter = 0; // divides by zero
    c.add(meter0);
    std::vector<double> flow(c.rows());
    std::vector<unsigned char> failed(c.rows());

    std::feclearexcept(FE_ALL_EXCEPT);
    std::feraiseexcept(FE_INEXACT);
    ASSERT_TRUE(ComputeFlowBatch(c.batch(), c.rows(), flow.data(), failed.data()));
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), FE_INEXACT);
    EXPECT_EQ(failed[1], FlowRowFailed);

    std::feraiseexcept(FE_INVALID);
    ASSERT_TRUE(ComputeFlowBatch(c.batch(), c.rows(), flow.data(), failed.data()));
    EXPECT_EQ(std::fetestexcept(FE_ALL_EXCEPT), FE_INEXACT | FE_INVALID);
    std::feclearexcept(FE_ALL_EXCEPT);
}

#if defined(__GLIBC__)
TEST(FlowBatch, FailingRowsDoNotTripTheCallersTraps)
{
    Columns c;
    std::mt19937_64 rng(90);
    FlowInputs meter0 = randomReading(rng);
    meter0.Meter = 0;
    c.add(meter0);
    std::vector<double> flow(1);
    std::vector<unsigned char> failed(1);
    feenableexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    const bool ok = ComputeFlowBatch(c.batch(), 1, flow.data(), failed.data());
    const int traps = fegetexcept();
    fedisableexcept(FE_ALL_EXCEPT);
    EXPECT_TRUE(ok);
    EXPECT_EQ(failed[0], FlowRowFailed);
    EXPECT_EQ(traps, FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
}
#endif

} // namespace
