#pragma once

#include <vector>

// The arithmetic of one dial: where a value sits on the arc, which value an angle gives, and
// which round values get ticks. No Qt, no painting, so tests reach every rule directly.
//
// Angles are clock degrees: 0 points straight up (12 o'clock) and angles grow clockwise as seen
// on the screen, like a clock hand. The scale arc runs from StartAngle (ScaleMin, lower left)
// over the top to EndAngle (ScaleMax, lower right); the 90-degree gap at the bottom holds the
// digital readout. A reversed scale (min above max) keeps ScaleMin at StartAngle, so its numbers
// fall clockwise.
namespace GaugeScale {

inline constexpr double StartAngle = -135.0;
inline constexpr double EndAngle = 135.0;
inline constexpr double Sweep = EndAngle - StartAngle;
// The end-stop pins stand this far beyond the arc's ends; a needle whose value lies beyond the
// scale is drawn pegged against its pin, PeggedGap beyond the end (so it reads as "past full
// scale", not as "at full scale").
inline constexpr double StopPinGap = 7.0;
inline constexpr double PeggedGap = 4.6;

// Any angle in degrees brought into (-180, 180].
double wrapDegrees(double degrees);

// Where value lies along the arc: 0 at min, 1 at max, clamped to [0, 1]. Equal ends give 0 for a
// value at or below them and 1 above them; nothing is divided by zero.
double fractionOf(double value, double min, double max);

// The clock angle of a needle showing value: clamped to the arc, so a value beyond the scale
// rests at the end stop.
double angleOf(double value, double min, double max);

// The clock angle at which the needle is drawn: angleOf within the scale, pegged beyond it.
double needleAngle(double value, double min, double max);

// The value a clock angle gives on the scale min..max. The angle is wrapped first; angles in the
// bottom gap give the nearer end (exactly 180 gives max). Equal ends, or an angle that is not
// finite, give min.
double valueAt(double angle, double min, double max);

// The clock angle of a point seen from the dial's centre; dx to the right, dy downwards.
double pointerAngle(double dx, double dy);

// The smallest step of the form 1, 2 or 5 times a power of ten that divides span into at most
// maxIntervals parts. 0 when span is not positive and finite or maxIntervals < 1.
double niceStep(double span, int maxIntervals);

// Decimals that print multiples of step exactly (step from niceStep): 0.05 -> 2, 5000 -> 0.
int decimalsFor(double step);

// The value a key press moves a needle to from value on the scale min..max (either order): the
// next multiple of the step above (up) or below it, the step a round hundredth of the span (a
// tenth for a page). Held within the scale: at an end, or beyond it in the direction of travel,
// the value stays; from beyond the scale the other way it comes back to the end.
double keyStep(double value, double min, double max, bool up, bool page);

struct Ticks
{
    double step = 0;            // between numbered ticks; 0 when the scale has no usable span
    std::vector<double> majors; // numbered tick values, ascending
    std::vector<double> minors; // unnumbered tick values, ascending, majors excluded
    int decimals = 0;           // decimals that print the majors exactly
};

// Ticks of the scale between min and max (either order): majors every niceStep(|max - min|,
// maxIntervals), each divided into up to maxMinorPerMajor minor intervals of a round size
// (5 for steps 1 and 5, 4 for step 2, fewer if maxMinorPerMajor asks for it).
Ticks ticks(double min, double max, int maxIntervals, int maxMinorPerMajor);

// The power of ten, a multiple of 3, by which labels are divided so that they stay short
// ("x1000"): 0 for scales whose labels need at most four integer digits and three decimals.
int labelExponent(const Ticks &ticks);

} // namespace GaugeScale
