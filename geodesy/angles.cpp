// SPDX-License-Identifier: Apache-2.0
#include "geodesy/angles.h"

#include <cmath>

namespace karvento {

double Truncate(double x) {
  // Adding +0.0 turns the -0 that trunc gives for (-1, 0) into +0, as an
  // integer conversion would.
  return std::trunc(x) + 0.0;
}

double DegToRad(double degrees) {
  const long double r = kPiLong * static_cast<long double>(degrees) / 180.0L;
  return static_cast<double>(r);
}

double DmsToDeg(const TAngleDMS& a) {
  return a.Minutes / 60.0 + a.Degrees + a.Seconds / 3600.0;
}

double DmsToSec(const TAngleDMS& a) {
  return a.Degrees * 3600.0 + a.Minutes * 60.0 + a.Seconds;
}

TAngleDMS SecToDms(double seconds) {
  TAngleDMS r;
  r.Degrees = Truncate(seconds / 3600.0);
  const double rest = seconds - r.Degrees * 3600.0;
  r.Minutes = Truncate(rest / 60.0);
  r.Seconds = rest - r.Minutes * 60.0;
  return r;
}

TAngleDMS DegToDms(double degrees) {
  TAngleDMS r;
  r.Degrees = Truncate(degrees);
  const double e = (degrees - r.Degrees) * 60.0;
  r.Minutes = Truncate(e);
  r.Seconds = (e - r.Minutes) * 60.0;
  if (60.0 - r.Seconds < 0.001) {
    r.Minutes = r.Minutes + 1.0;
    r.Seconds = 0.0;
  }
  if (60.0 - r.Minutes < 0.001) {
    r.Degrees = r.Degrees + 1.0;
    r.Minutes = 0.0;
  }
  return r;
}

double FloorToStep(double v, double step) {
  const double k = Truncate(v / step);
  return v - k * step > 0 ? k * step : v;
}

double CeilToStep(double v, double step) {
  const double k = Truncate(v / step);
  return v - k * step > 0 ? (k + 1.0) * step : v;
}

}  // namespace karvento
