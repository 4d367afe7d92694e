// SPDX-License-Identifier: Apache-2.0
#include "geodesy/lambert_conic.h"

#include <cmath>

#include "geodesy/angles.h"

namespace karvento {

namespace {
constexpr double kRad = kPi / 180;
}

LambertConicParams MillionSheetConic(double a, double inverseFlattening, double south, double cm) {
  return {a, inverseFlattening, south + kConicBandInsetDeg, south + 4 - kConicBandInsetDeg, south, cm, 500000.0, 0};
}

double LambertConic::T(double phi) const {
  const double s = e_ * std::sin(phi);
  return std::tan(kPi / 4 - phi / 2) / std::pow((1 - s) / (1 + s), e_ / 2);
}

LambertConic::LambertConic(const LambertConicParams& p) : p_(p) {
  const double f = 1 / p.inverseFlattening;
  e_ = std::sqrt(f * (2 - f));
  const auto m = [&](double phi) {
    const double s = e_ * std::sin(phi);
    return std::cos(phi) / std::sqrt(1 - s * s);
  };
  const double phi1 = p.lat1 * kRad, phi2 = p.lat2 * kRad;
  const double m1 = m(phi1), t1 = T(phi1);
  n_ = phi1 == phi2 ? std::sin(phi1) : (std::log(m1) - std::log(m(phi2))) / (std::log(t1) - std::log(T(phi2)));
  aF_ = p.a * m1 / (n_ * std::pow(t1, n_));
  rho0_ = aF_ * std::pow(T(p.lat0 * kRad), n_);
}

TPlanePoint LambertConic::Forward(double lonDeg, double latDeg) const {
  const double rho = aF_ * std::pow(T(latDeg * kRad), n_);
  const double theta = n_ * (lonDeg - p_.lon0) * kRad;
  return {p_.falseEasting + rho * std::sin(theta), p_.falseNorthing + rho0_ - rho * std::cos(theta)};
}

TPlanePoint LambertConic::Inverse(const TPlanePoint& q) const {
  const double x = q.X - p_.falseEasting, y = rho0_ - (q.Y - p_.falseNorthing);
  const double sign = n_ < 0 ? -1 : 1;
  const double rho = sign * std::hypot(x, y);
  const double theta = std::atan2(sign * x, sign * y);
  const double t = std::pow(rho / aF_, 1 / n_);
  double phi = kPi / 2 - 2 * std::atan(t);
  for (int i = 0; i < 20; ++i) {
    const double s = e_ * std::sin(phi);
    const double next = kPi / 2 - 2 * std::atan(t * std::pow((1 - s) / (1 + s), e_ / 2));
    const bool done = std::abs(next - phi) < 1e-15;
    phi = next;
    if (done) break;
  }
  return {p_.lon0 + theta / n_ / kRad, phi / kRad};
}

double LambertConic::ConvergenceDeg(double lonDeg) const { return n_ * (lonDeg - p_.lon0); }

}  // namespace karvento
