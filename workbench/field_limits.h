// SPDX-License-Identifier: Apache-2.0
// The limits of the window's number fields, as data: the spin fields and
// number fields of the window read them, and so does whatever brings values
// from elsewhere (a parameter file read by the command line) into the same
// limits without a window (ClampToFieldLimits in workbench/text_files.h).
#pragma once

#include "geodesy/datum.h"

namespace karvento {

// The decimals of a field that keeps every value as given (a central
// meridian of a city's own, 117°20′, is 117.33333333333333): shown in the
// shortest text that reads back as the value, with one decimal at least.
inline constexpr int kAnyDecimals = -1;

// A spin field's lower and upper limit, the step of its up and down buttons
// and its decimals.
struct FieldLimits {
  double min = 0;
  double max = 0;
  double step = 1;
  int decimals = 0;          // 0 = integers only; kAnyDecimals = kept as given
  int displayDecimals = -1;  // places shown; -1 = as decimals
  bool spinOnly = false;
};

// The value a spin field of these limits stores for v: v rounded to the
// field's decimals (RoundToDecimals), then brought into the limits (below the
// lower limit it is the lower limit, above the upper limit the upper limit);
// NaN counts as the lower limit; never -0.
double IntoLimits(double v, const FieldLimits& limits);

// The value a number field stores for v: v not finite is 0; a field of
// integers only rounds it to a whole number (halves away from zero); never -0.
double NumberFieldValue(double v, bool integersOnly);

// The parameter fields of a geodetic tab: the corners' degrees of longitude
// 0..180 and of latitude 0..90, minutes 0..59, seconds 0..60 with three
// decimals, the central meridian in degrees as given (kAnyDecimals: a 1.5-degree
// zone's 118.5, a city's 117°30′), shown with one decimal at least,
// and the two offsets, of which the Y offset is always a whole number and
// the X offset is one on the tab of Xi'an 1980.
struct ParameterFieldLimits {
  FieldLimits lonDegrees, latDegrees, minutes, seconds, meridian;
  bool offsetXIntegersOnly;
  bool offsetYIntegersOnly;
};

constexpr ParameterFieldLimits ParameterFieldsOf(Datum datum) {
  return {{0, 180, 1, 0},    {0, 90, 1, 0}, {0, 59, 1, 0}, {0, 60, 1, 3},
          {0, 180, 1, kAnyDecimals}, datum == Datum::Xian80, true};
}

}  // namespace karvento
