#include "md_batch.h"

#include "fp_flags.h"
#include "md_formulas.h"
#include "mdKValues.h"

#include <bit>
#include <cfenv>
#include <cfloat>
#include <cmath>
#include <cstdint>
#include <limits>

namespace {

using namespace engine_detail;
namespace F = flow_formula;

// Rows per block: the unit of the flag test, and of the scalar rerun when a flag comes up.
constexpr std::size_t kBlock = 32;
constexpr std::size_t kColumns = 10;

// Column c of a block holds field kFlowInputFields[c] of each row.
struct alignas(64) Block
{
    double in[kColumns][kBlock];
};

struct alignas(64) BlockResult
{
    double flow[kBlock];
    double nonFinite[kBlock]; // nonzero where an input of the row is not finite
};

// `key < 0 ? a : b` for values already computed, by bit operations on the sign of key (a
// NaN key is never seen: its row is rerun). Given a condition, the compiler moves a computation
// used on one side only under it, and a loop with a computation under a condition does not
// vectorise where the computation may raise a flag; a mask made from a comparison does not
// vectorise on the baseline instruction set.
inline double whereNegative(double key, double a, double b)
{
    const std::uint64_t mask = 0 - (std::bit_cast<std::uint64_t>(key) >> 63);
    return std::bit_cast<double>((std::bit_cast<std::uint64_t>(a) & mask) |
                                 (std::bit_cast<std::uint64_t>(b) & ~mask));
}

// t^2.5 and t^1.5 as products with a square root, within an ulp of pow. The engine takes 0
// for a negative t without computing anything; here a negative t becomes 0 before the power,
// whose result is then that same 0, so no square root of a negative number raises a flag.
inline double power25(double t)
{
    const double u = whereNegative(t, 0.0, t);
    return u * u * std::sqrt(u);
}
inline double power15(double t)
{
    const double u = whereNegative(t, 0.0, t);
    return u * std::sqrt(u);
}

#if defined(__x86_64__) && defined(__linux__) && defined(__GLIBC__) && !defined(__clang__)
// Built three times, chosen once at load time by the CPU (glibc's ifunc). MinGW has no ifunc.
#define BRISKO_CLONES __attribute__((target_clones("default", "avx2", "avx512f")))
#else
#define BRISKO_CLONES
#endif

// Every step of a fresh engine for a block of rows, written so that the loop vectorises: no
// branch, no call but square roots. A failure shows as a raised flag or a non-finite input,
// and the caller then reruns the block on the guarded path, so no step's failure needs
// handling here.
BRISKO_CLONES __attribute__((noinline)) void computeBlock(const Block &__restrict b,
                                                          BlockResult &__restrict r)
{
    const double *temp = b.in[0], *tb = b.in[1], *pb = b.in[2], *plate = b.in[3], *meter = b.in[4],
                 *sg = b.in[5], *lat = b.in[6], *elev = b.in[7], *pressure = b.in[8],
                 *difference = b.in[9];
    for (std::size_t i = 0; i < kBlock; ++i) {
        double bad = 0;
#pragma GCC unroll 10
        for (std::size_t c = 0; c < kColumns; ++c)
            bad += std::fabs(b.in[c][i]) <= DBL_MAX ? 0.0 : 1.0;
        r.nonFinite[i] = bad;

        const double g = F::gravity(lat[i], elev[i]);
        const double Fl = F::Fl(g);
        const double FTf = F::FTf(temp[i]);
        const double FTb = F::FTb(tb[i]);
        const double FPb = F::FPb(pb[i]);
        const double Fg = F::Fg(sg[i]);
        const double beta = F::beta(plate[i], meter[i]);
        const double Ke0 = F::Ke0(meter[i], beta);
        const double R = F::R(meter[i]);
        const double E = F::E(plate[i], beta, R);
        const double KDen = F::KDen(E, plate[i]);
        const double T1 = power25(F::t1(meter[i], beta));
        const double T2 = power15(F::t2(beta));
        const double T3 = power25(F::t3(beta));
        const double A = F::A(T1, meter[i]);
        const double B = F::B(T2, meter[i]);
        const double C = F::C(meter[i], T3);
        const double K0 = F::K0(F::Ke(Ke0, A, B, C), KDen);
        // Both branches computed, then one chosen; a flag from the other only costs a rerun.
        // sg - 0.7 is negative exactly when sg < 0.7: a difference is zero only for equal
        // operands and otherwise has the sign of the exact difference.
        const double branch = sg[i] - F::kGravityBranch;
        const double Ppc = whereNegative(branch, F::PpcLower(sg[i]), F::PpcUpper(sg[i]));
        const double Tpc = whereNegative(branch, F::TpcLower(sg[i]), F::TpcUpper(sg[i]));
        const double Ppr = F::Ppr(pressure[i], Ppc);
        const double Tpr = F::Tpr(temp[i], Tpc);
        double rho = F::firstRho(Ppr, Tpr);
        double z = F::zf(Tpr, rho);
#pragma GCC unroll 4
        for (int pass = 0; pass < 4; ++pass) {
            rho = F::rho(Ppr, z, Tpr);
            z = F::zf(Tpr, rho);
        }
        const double Z = F::Z(z);
        const double K = flowCoefficientOf(beta);
        const double Pf = F::Pf(pressure[i]);
        const double hw = F::hw(difference[i]);
        const double Fr = F::Fr(E, meter[i], K, hw, Pf);
        const double Y = F::Y(beta, F::x1(hw, Pf));
        const double Fb = F::Fb(plate[i], K0);
        const double Fa = F::Fa(temp[i]);
        const double cPrime = F::CPrime(F::All(FTf, FTb, FPb, Fg, Fr, Y, Z, Fl, Fa), Fb);
        r.flow[i] = F::flowRate(pressure[i], difference[i], cPrime);
    }
}

const FlowColumn FlowBatchInputs::*const kColumnOf[kColumns] = {
    &FlowBatchInputs::Temp,       &FlowBatchInputs::Tb,    &FlowBatchInputs::Pb,
    &FlowBatchInputs::Plate,      &FlowBatchInputs::Meter, &FlowBatchInputs::SpecGravity,
    &FlowBatchInputs::Lat,        &FlowBatchInputs::Elev,  &FlowBatchInputs::Pressure,
    &FlowBatchInputs::Difference,
};

// Fills the rows a short last block lacks: inputs on which no step fails.
constexpr double kPadding[kColumns] = {55, 60, 14.73, 0.5, 2.067, 0.615, 42, 300, 100, 4.9};

FlowInputs rowOf(const Block &b, std::size_t i)
{
    FlowInputs in;
    for (std::size_t c = 0; c < kColumns; ++c)
        in.*kFlowInputFields[c].value = b.in[c][i];
    return in;
}

} // namespace

FlowRow ComputeFlowRow(const FlowInputs &in)
{
    FlowEngine engine;
    const FlowFactors f = engine.ComputeFactors(in);
    const double flow = F::flowRate(in.Pressure, in.Difference, f.CPrime);
    if (!engine.FailedSteps().empty() || !std::isfinite(flow))
        return {std::numeric_limits<double>::quiet_NaN(), true};
    return {flow, false};
}

bool ComputeFlowBatch(const FlowBatchInputs &in, std::size_t rows, double *flowMcfd,
                      unsigned char *failed)
{
    if (rows == 0)
        return true;
    if (!flowMcfd || !failed)
        return false;
    for (auto column : kColumnOf)
        if (!(in.*column).values)
            return false;

    // The caller's flags and traps are put aside and restored: the flag test needs them clear,
    // and a trap must not fire on a row that fails.
    std::fenv_t callerEnvironment;
    std::feholdexcept(&callerEnvironment);

    Block block;
    BlockResult result;
    for (std::size_t first = 0; first < rows; first += kBlock) {
        const std::size_t count = rows - first < kBlock ? rows - first : kBlock;
        for (std::size_t c = 0; c < kColumns; ++c) {
            const FlowColumn &column = in.*kColumnOf[c];
            const double *source =
                column.values + static_cast<std::ptrdiff_t>(first) * column.stride;
            for (std::size_t i = 0; i < count; ++i)
                block.in[c][i] = source[static_cast<std::ptrdiff_t>(i) * column.stride];
            for (std::size_t i = count; i < kBlock; ++i)
                block.in[c][i] = kPadding[c];
        }

        clearFailFlags();
        openFence(block);
        computeBlock(block, result);
        closeFence(result);
        // Every square root feeds the flow through arithmetic alone, so where a libm square
        // root raises no flag (MinGW's, if it is called) its NaN still shows in the flow.
        bool clean = !failFlagRaised();
        for (std::size_t i = 0; i < count; ++i)
            clean &= result.nonFinite[i] == 0 && std::isfinite(result.flow[i]);

        if (clean) {
            for (std::size_t i = 0; i < count; ++i) {
                flowMcfd[first + i] = result.flow[i];
                failed[first + i] = FlowRowOk;
            }
        } else {
            for (std::size_t i = 0; i < count; ++i) {
                const FlowRow row = ComputeFlowRow(rowOf(block, i));
                flowMcfd[first + i] = row.flow;
                failed[first + i] = row.failed ? FlowRowFailed : FlowRowOk;
            }
        }
    }

    std::fesetenv(&callerEnvironment);
    return true;
}
