#pragma once

#include <QRectF>
#include <QRgb>

// The dial's design, shared by its painter and its case renderer: colours, and sizes in design
// units (a dial of bezel radius 100, centred on the origin, y down).
namespace GaugePainter {

// The instrument's own colours: a dial keeps its white face and black markings whatever the
// desktop theme; only the space around the dials follows the palette.
namespace Colour {
// Case and face.
inline constexpr QRgb BezelLight = 0xfff4f5f7;
inline constexpr QRgb BezelMid = 0xffc4c7cc;
inline constexpr QRgb BezelDark = 0xff5a5f66;
inline constexpr QRgb Face = 0xfffdfcf8;
inline constexpr QRgb FaceEdge = 0xffe4e2da;
inline constexpr QRgb Ink = 0xff1d1d1f;
// End-stop pins: lit steel with a faint outline.
inline constexpr QRgb PinLight = 0xffd8dbe0;
inline constexpr QRgb PinDark = 0xff4a4e55;
inline constexpr QRgb PinEdge = qRgba(0, 0, 0, 90);
// Needles; the output needle's shaded half is its body under 43 % black.
inline constexpr QRgb InputNeedle = 0xffd03a1b;
inline constexpr QRgb InputNeedleDark = 0xff8c2410;
inline constexpr QRgb OutputNeedle = 0xff24272c;
inline constexpr QRgb OutputNeedleDark = 0xff141619;
inline constexpr QRgb NeedleShadow = qRgba(0, 0, 0, 55);
// Hubs: the input's knurled knob, the output's domed cap.
inline constexpr QRgb HubEdge = qRgba(0, 0, 0, 140);
inline constexpr QRgb KnobLight = 0xfffbfbfc;
inline constexpr QRgb KnobMid = 0xffb4b8bf;
inline constexpr QRgb KnobDark = 0xff555960;
inline constexpr QRgb Knurl = qRgba(0x40, 0x44, 0x4a, 170);
inline constexpr QRgb KnobGlint = qRgba(255, 255, 255, 120);
inline constexpr QRgb CapLight = 0xff9a9fa8;
inline constexpr QRgb CapMid = 0xff34373d;
inline constexpr QRgb CapDark = 0xff101113;
inline constexpr QRgb CapGlint = qRgba(255, 255, 255, 70);
// The readout window: a dark rim with a light lower edge around the display glass.
inline constexpr QRgb ReadoutRim = 0xff3a3d42;
inline constexpr QRgb ReadoutRimLight = qRgba(255, 255, 255, 200);
inline constexpr QRgb InputLcd = 0xffe2e8d6;
inline constexpr QRgb InputLcdText = 0xff15190f;
inline constexpr QRgb InputLcdBeyond = 0xffb8200e;
inline constexpr QRgb OutputLcd = 0xff132019;
inline constexpr QRgb OutputLcdText = 0xff86f0a0;
inline constexpr QRgb OutputLcdBeyond = 0xffffb13a;
inline constexpr QRgb OutputMark = 0xff2f7a4a;
} // namespace Colour

// Radii and sizes in design units (bezel radius 100).
namespace Design {
inline constexpr double BezelInner = 95.0;
inline constexpr double FaceRadius = 92.0;
inline constexpr double ArcRadius = 84.0;
inline constexpr double MajorInner = 72.0;
inline constexpr double MinorInner = 77.5;
inline constexpr double LabelGap = 3.5;
inline constexpr double StopRadius = 79.0;
// Under the hub, between the needles pegged against their stops, the caption and, below it, the
// readout window with a rim RimWidth wide and a light lower edge RimDrop below that; the flow
// dial's output mark under the window. No needle reaches any of them, at any angle.
inline constexpr double CaptionY = 45.5;     // centre of the caption's capitals
inline constexpr double CaptionMargin = 4.0; // from the face's edge
inline constexpr QRectF Readout{-33.0, 55.5, 66.0, 20.0};
inline constexpr double RimWidth = 1.2, RimDrop = 0.8;
inline constexpr double OutputMarkY = 82.5; // centre of the mark's capitals
// The widest needle's half width (at the hub), and the gap kept between a needle's edge or its
// shadow and the texts it must not cover.
inline constexpr double NeedleHalfWidth = 2.9;
inline constexpr double NeedleGap = 1.0;
// The multiplier of the scale's numbers ("x1000") sits above the hub.
inline constexpr double MultiplierY = -29.0;
// Scale numbers keep this far from the readout window, the caption and each other, in cap
// heights of their font.
inline constexpr double LabelClearance = 0.3, LabelSpacing = 0.45;
// An end's number keeps this far from the ray through its end on the scale's side, so the
// needle pegged beyond the end leaves it readable; and moves at most this far to find room.
inline constexpr double EndLabelSide = 1.5;
inline constexpr double EndLabelMaxTurn = 30.0; // degrees along the arc
inline constexpr double EndLabelMaxInward = 16.0;
inline constexpr double NeedleTip = 80.0;
inline constexpr double ShadowDx = 1.2, ShadowDy = 2.2;
// Font size limits as design units: numbers must not overrun each other on the arc.
inline constexpr double MaxScalePx = 11.0, MaxTextPx = 13.0;
} // namespace Design

} // namespace GaugePainter
