#include "GaugeScale.h"

#include <algorithm>
#include <cmath>

namespace GaugeScale {

double wrapDegrees(double degrees)
{
    double a = std::fmod(degrees, 360.0);
    if (a <= -180.0)
        a += 360.0;
    else if (a > 180.0)
        a -= 360.0;
    return a;
}

double fractionOf(double value, double min, double max)
{
    if (std::isnan(value))
        return 0.0;
    if (min == max)
        return value > max ? 1.0 : 0.0;
    double f = (value - min) / (max - min);
    if (!std::isfinite(max - min) || !std::isfinite(value - min)) // halves keep the ratio finite
        f = (value / 2 - min / 2) / (max / 2 - min / 2);
    if (std::isnan(f))
        return 0.0;
    return std::clamp(f, 0.0, 1.0);
}

double angleOf(double value, double min, double max)
{
    return StartAngle + fractionOf(value, min, max) * Sweep;
}

double needleAngle(double value, double min, double max)
{
    if (value > std::max(min, max))
        return min <= max ? EndAngle + PeggedGap : StartAngle - PeggedGap;
    if (value < std::min(min, max))
        return min <= max ? StartAngle - PeggedGap : EndAngle + PeggedGap;
    return angleOf(value, min, max);
}

double valueAt(double angle, double min, double max)
{
    if (!std::isfinite(angle) || min == max)
        return min;
    const double a = wrapDegrees(angle);
    const double f = std::clamp((a - StartAngle) / Sweep, 0.0, 1.0);
    // Beyond the top of the arc (the bottom gap) the nearer end wins; lerp is exact at 0 and 1.
    if (a > EndAngle)
        return max;
    if (a < StartAngle)
        return min;
    const double v = std::lerp(min, max, f);
    return std::isfinite(v) ? v : (f < 0.5 ? min : max);
}

double pointerAngle(double dx, double dy)
{
    constexpr double degreesPerRadian = 57.29577951308232;
    return std::atan2(dx, -dy) * degreesPerRadian;
}

double niceStep(double span, int maxIntervals)
{
    if (!(span > 0) || !std::isfinite(span) || maxIntervals < 1)
        return 0.0;
    const double raw = span / maxIntervals;
    const double magnitude = std::pow(10.0, std::floor(std::log10(raw)));
    for (double mantissa : {1.0, 2.0, 5.0, 10.0}) {
        const double step = mantissa * magnitude;
        if (step >= raw * (1 - 1e-12))
            return step;
    }
    return 10.0 * magnitude;
}

int decimalsFor(double step)
{
    if (!(step > 0) || !std::isfinite(step))
        return 0;
    return std::max(0, -static_cast<int>(std::floor(std::log10(step) + 1e-9)));
}

double keyStep(double value, double min, double max, bool up, bool page)
{
    const double lo = std::min(min, max), hi = std::max(min, max);
    const double step = niceStep(hi - lo, page ? 10 : 100);
    if (step == 0 || !std::isfinite(value))
        return value;
    // Written as the decimal the step prints, so steps do not gather rounding errors.
    const double scale = std::pow(10.0, decimalsFor(step));
    const double k = up ? std::floor(value / step + 1e-9) + 1 : std::ceil(value / step - 1e-9) - 1;
    double next = std::round(k * step * scale) / scale;
    if (!std::isfinite(next))
        return value;
    next = std::clamp(next, lo, hi);
    return (up ? next > value : next < value) ? next : value;
}

namespace {
// Minor intervals per major for a step of the form m * 10^n: round minor steps only.
int minorCount(double step, int maxMinorPerMajor)
{
    const double mantissa = step / std::pow(10.0, std::floor(std::log10(step) + 1e-9));
    const int m = static_cast<int>(std::lround(mantissa));
    const std::vector<int> choices = m == 2   ? std::vector<int>{4, 2}
                                     : m == 5 ? std::vector<int>{5}
                                              : std::vector<int>{5, 2};
    for (int c : choices)
        if (c <= maxMinorPerMajor)
            return c;
    return 1;
}
} // namespace

Ticks ticks(double min, double max, int maxIntervals, int maxMinorPerMajor)
{
    Ticks t;
    const double lo = std::min(min, max);
    const double hi = std::max(min, max);
    t.step = niceStep(hi - lo, maxIntervals);
    if (t.step == 0)
        return t;
    const int perMajor = minorCount(t.step, maxMinorPerMajor);
    const double minor = t.step / perMajor;
    const double eps = 1e-9;
    const double first = std::ceil(lo / minor - eps);
    const double last = std::floor(hi / minor + eps);
    // A span far below the magnitude of its ends (1e6 to 1e6 + 1e-9) cannot be ticked sensibly.
    if (!(last - first < 4096) || std::abs(first) > 1e15 || std::abs(last) > 1e15) {
        t.step = 0;
        return t;
    }
    for (auto k = static_cast<long long>(first); k <= static_cast<long long>(last); ++k) {
        double v = static_cast<double>(k) * minor;
        if (std::abs(v) < minor * eps)
            v = 0.0; // no "-0" labels
        (k % perMajor == 0 ? t.majors : t.minors).push_back(v);
    }
    t.decimals = decimalsFor(t.step);
    return t;
}

int labelExponent(const Ticks &t)
{
    double largest = 0;
    for (double v : t.majors)
        largest = std::max(largest, std::abs(v));
    if (t.step == 0 || largest == 0)
        return 0;
    if (largest < 1e4 && t.decimals <= 3)
        return 0;
    return 3 * static_cast<int>(std::floor(std::log10(largest) / 3 + 1e-9));
}

} // namespace GaugeScale
