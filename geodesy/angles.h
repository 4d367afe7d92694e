// SPDX-License-Identifier: Apache-2.0
// Angles in degrees-minutes-seconds, decimal degrees, seconds of arc and
// radians, and the snapping of a value to a grid step.
//
// Every routine is a pure function on doubles. Results are rounded to double
// before they are returned; the sheet grid is worked in seconds of arc, where
// every grid line of every scale is an exact double.
#pragma once

namespace karvento {

// An angle as degrees, minutes and seconds. The routines here produce whole
// numbers in Degrees and Minutes; a negative angle has all three fields zero
// or negative. Values typed by the user are taken as they come.
struct TAngleDMS {
  double Degrees = 0;
  double Minutes = 0;
  double Seconds = 0;
  friend bool operator==(const TAngleDMS&, const TAngleDMS&) = default;
};

// A geographic point: longitude first, then latitude.
struct TLonLatDMS {
  TAngleDMS Lon;
  TAngleDMS Lat;
  friend bool operator==(const TLonLatDMS&, const TLonLatDMS&) = default;
};

// π to the precision of long double: every formula that uses π (DegToRad,
// the inverse projection) holds it so. kPi is π rounded to a double.
inline constexpr long double kPiLong = 3.1415926535897932385L;
inline constexpr double kPi = 3.1415926535897932385;

// Integer part toward zero, as a double (3.7 gives 3, -3.7 gives -3; never
// -0). Works for every finite double, so no integer overflow can arise.
double Truncate(double x);

// Degrees to radians: (π · d) / 180 in long double, rounded once to double.
// 180 gives π rounded to a double.
double DegToRad(double degrees);

// Minutes / 60 + Degrees + Seconds / 3600, added in that order.
double DmsToDeg(const TAngleDMS& a);

// Degrees × 3600 + Minutes × 60, then + Seconds. Exact for whole degrees and
// minutes and seconds that are multiples of 1/2^k, which every sheet edge is.
double DmsToSec(const TAngleDMS& a);

// Seconds of arc to degrees, minutes and seconds by truncation, with no
// rounding and no carry: 3599.5 gives 0°59′59.5″.
TAngleDMS SecToDms(double seconds);

// Decimal degrees to degrees, minutes and seconds. The seconds are not
// rounded; seconds within 0.001″ of the next minute carry into the minutes,
// and minutes that reach 60 carry into the degrees (30.9999999 gives
// 31°0′0″). Negative angles never carry: -0.5 gives 0°-30′0″.
TAngleDMS DegToDms(double degrees);

// Snap v down (FloorToStep) or up (CeilToStep) to a multiple of step, with
// k = trunc(v / step): when v - k·step > 0 the results are k·step and
// (k + 1)·step, otherwise v comes back unchanged. For v ≥ 0 these are the
// largest multiple not above v and the smallest not below it; a value on a
// grid line stays where it is; a negative v that is not a multiple comes back
// unchanged. No tolerance is applied. A zero step gives NaN or v.
double FloorToStep(double v, double step);
double CeilToStep(double v, double step);

}  // namespace karvento
