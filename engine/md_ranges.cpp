#include "md_ranges.h"

#include "md_formulas.h"
#include "md_text.h"

#include <cmath>

namespace {

namespace F = flow_formula;
using engine_detail::format;

// Flange taps: the method's coefficients are stated for diameter ratios 0.15 to 0.70.
constexpr double kBetaLow = 0.15, kBetaHigh = 0.70;
// Above this ratio of differential to absolute static pressure the expansion factor leaves the
// range it is stated for.
constexpr double kMaxDifferentialRatio = 0.2;
constexpr double kGravityLow = 0.554, kGravityHigh = 1.0;
// The compressibility correlation is the Dranchuk-Purvis-Robinson equation cut down to four
// terms (no rho^5 term, no exponential term) and run for a fixed five passes. The full
// equation is stated for Tpr 1.05 to 3.0 and Ppr 0.2 to 30; the cut-down form follows it only
// near the ideal gas. Compared with the full equation solved to convergence, its z stays within
// 0.5 % for Tpr 1.2 to 3.0 at Ppr up to 2.0, and departs fast outside (2 % at Tpr 1.05 and
// Ppr 1; 5 % at Tpr 1.5 and Ppr 4; beyond Ppr 4 near Tpr 1.2 the five passes do not settle).
// Low Ppr is harmless (z tends to 1), so the lower bound is 0; Ppr is the engine's own, from
// gauge pressure.
constexpr double kTprLow = 1.2, kTprHigh = 3.0;
constexpr double kPprLow = 0.0, kPprHigh = 2.0;

bool finite(double v)
{
    return std::isfinite(v);
}

// Runs every check in order; report(code, severity, input, message) is called for each
// finding, with `message` a callable that builds the text only when it is wanted.
template <class Report>
void check(const FlowInputs &in, const FlowStepSet &failedSteps, Report report)
{
    const auto error = [&](std::string_view code, FlowInput input, auto message) {
        report(code, Severity::Error, input, message);
    };
    const auto notPositive = [&](std::string_view code, FlowInput input) {
        const FlowInputField &field = flowInputField(input);
        const double v = in.*field.value;
        if (finite(v) && !(v > 0))
            error(code, input, [&] {
                return format("%s %.6g%s%s is not positive", field.label, v, *field.unit ? " " : "",
                              field.unit);
            });
    };

    for (const FlowInputField &field : kFlowInputFields)
        if (!finite(in.*field.value))
            error("input-not-finite", field.input, [&] {
                return format("%s is not a finite number (%g)", field.label, in.*field.value);
            });
    notPositive("meter-not-positive", FlowInput::Meter);
    notPositive("bore-not-positive", FlowInput::Plate);
    notPositive("gravity-not-positive", FlowInput::SpecGravity);
    notPositive("differential-not-positive", FlowInput::Difference);
    if (finite(in.Temp) && !(in.Temp + F::kRankine > 0))
        error("temperature-not-positive", FlowInput::Temp, [&] {
            return format("absolute flowing temperature %.6g degR (%.6g degF) is not positive",
                          in.Temp + F::kRankine, in.Temp);
        });
    if (finite(in.Pressure) && !(F::Pf(in.Pressure) > 0))
        error("pressure-not-positive", FlowInput::Pressure, [&] {
            return format("absolute static pressure %.6g psia (%.6g psig + %.6g) is not positive",
                          F::Pf(in.Pressure), in.Pressure, F::kFactorAtmosphere);
        });
    if (in.Plate > 0 && in.Meter > 0 && finite(in.Plate) && finite(in.Meter) &&
        !(in.Plate < in.Meter))
        error("bore-not-below-meter", FlowInput::Plate, [&] {
            return format("orifice bore %.6g in is not smaller than the meter inside diameter "
                          "%.6g in",
                          in.Plate, in.Meter);
        });
    if (finite(in.Tb) && !(in.Tb + F::kRankine > 0))
        error("base-temperature-not-positive", FlowInput::Tb, [&] {
            return format("absolute base temperature %.6g degR (%.6g degF) is not positive",
                          in.Tb + F::kRankine, in.Tb);
        });
    notPositive("base-pressure-not-positive", FlowInput::Pb);
    if (finite(in.Lat) && !(std::fabs(in.Lat) <= 90))
        error("latitude-range", FlowInput::Lat,
              [&] { return format("latitude %.6g deg is outside -90 to 90", in.Lat); });
    if (!failedSteps.empty())
        error("step-failed", FlowInput::None, [&] {
            return "these steps failed and their values were not computed: " +
                   DescribeSteps(failedSteps);
        });

    const auto warning = [&](std::string_view code, FlowInput input, auto message) {
        report(code, Severity::Warning, input, message);
    };
    if (in.Plate > 0 && in.Meter > 0 && in.Plate < in.Meter && finite(in.Meter)) {
        const double beta = F::beta(in.Plate, in.Meter);
        if (!(beta >= kBetaLow && beta <= kBetaHigh))
            warning("beta-range", FlowInput::Plate, [&] {
                return format("diameter ratio %.6g (bore %.6g in, meter %.6g in) is outside "
                              "%.2f to %.2f (flange taps)",
                              beta, in.Plate, in.Meter, kBetaLow, kBetaHigh);
            });
    }
    if (in.Difference > 0 && F::Pf(in.Pressure) > 0 && finite(in.Difference) &&
        finite(in.Pressure)) {
        const double ratio = in.Difference / F::Pf(in.Pressure);
        if (ratio > kMaxDifferentialRatio)
            warning("differential-ratio", FlowInput::Difference, [&] {
                return format("differential %.6g psi is %.6g of the absolute static pressure "
                              "%.6g psia, above %.6g",
                              in.Difference, ratio, F::Pf(in.Pressure), kMaxDifferentialRatio);
            });
    }
    if (in.SpecGravity > 0 && finite(in.SpecGravity)) {
        if (in.Temp + F::kRankine > 0 && finite(in.Temp)) {
            const double tpr = F::Tpr(in.Temp, F::Tpc(in.SpecGravity));
            if (!(tpr >= kTprLow && tpr <= kTprHigh))
                warning("tpr-range", FlowInput::Temp, [&] {
                    return format("pseudo-reduced temperature %.6g is outside %.6g to %.6g, "
                                  "where the compressibility correlation holds",
                                  tpr, kTprLow, kTprHigh);
                });
        }
        if (finite(in.Pressure)) {
            const double ppr = F::Ppr(in.Pressure, F::Ppc(in.SpecGravity));
            if (!(ppr >= kPprLow && ppr <= kPprHigh))
                warning("ppr-range", FlowInput::Pressure, [&] {
                    return format("pseudo-reduced pressure %.6g is outside %.6g to %.6g, "
                                  "where the compressibility correlation holds",
                                  ppr, kPprLow, kPprHigh);
                });
        }
        if (!(in.SpecGravity >= kGravityLow && in.SpecGravity <= kGravityHigh))
            warning("gravity-range", FlowInput::SpecGravity, [&] {
                return format("specific gravity %.6g is outside %.6g to %.6g", in.SpecGravity,
                              kGravityLow, kGravityHigh);
            });
    }
}

} // namespace

std::vector<Finding> CheckRanges(const FlowInputs &in, const FlowStepSet &failedSteps)
{
    std::vector<Finding> findings;
    check(in, failedSteps,
          [&](std::string_view code, Severity severity, FlowInput input, const auto &message) {
              findings.push_back({code, severity, input, message()});
          });
    return findings;
}

bool HasInputError(const FlowInputs &in)
{
    bool any = false;
    check(in, FlowStepSet{}, [&](std::string_view, Severity severity, FlowInput, const auto &) {
        any |= severity == Severity::Error;
    });
    return any;
}

bool HasError(const std::vector<Finding> &findings)
{
    for (const Finding &f : findings)
        if (f.severity == Severity::Error)
            return true;
    return false;
}
