// SPDX-License-Identifier: Apache-2.0
// The Lambert conformal conic projection with two standard parallels
// (兰勃特等角圆锥投影, the "2SP" form) on an ellipsoid: the projection of the
// national 1:100万 series, each 4° band of latitude on its own cone.
//
// Meridians are straight lines through the cone's apex, parallels arcs of
// circles about it; the scale is true along the two standard parallels. The
// closed formulas (conformal latitude by the isometric function t) are exact:
// no series is truncated, so the inverse returns the forward's input to the
// round-off of the iteration.
#pragma once

#include "geodesy/gauss_kruger.h"

namespace karvento {

struct LambertConicParams {
  double a;                  // semi-major axis, metres
  double inverseFlattening;  // 1/f
  double lat1, lat2;         // standard parallels, degrees
  double lat0, lon0;         // origin: latitude and central meridian, degrees
  double falseEasting = 0, falseNorthing = 0;  // metres at the origin
};

// The 1:100万 conic of the 4° band with southern edge south (degrees): its
// standard parallels kConicBandInsetDeg inside the band's edges, its origin
// on the southern edge at the central meridian cm with a false easting of
// 500 km (every point of a 6° sheet east of 0).
inline constexpr double kConicBandInsetDeg = 35.0 / 60;
LambertConicParams MillionSheetConic(double a, double inverseFlattening, double south, double cm);

class LambertConic {
 public:
  explicit LambertConic(const LambertConicParams& p);
  // Longitude and latitude in degrees to the plane (X east, Y north), metres.
  TPlanePoint Forward(double lonDeg, double latDeg) const;
  // The plane back to longitude (X) and latitude (Y), degrees.
  TPlanePoint Inverse(const TPlanePoint& p) const;
  // The angle in degrees from grid north to the meridian through lonDeg,
  // positive east of the central meridian: the cone's constant n times the
  // difference of longitude.
  double ConvergenceDeg(double lonDeg) const;
  const LambertConicParams& params() const { return p_; }

 private:
  double T(double phi) const;  // the isometric function t of a latitude, radians
  LambertConicParams p_;
  double e_, n_, aF_, rho0_;
};

}  // namespace karvento
