// SPDX-License-Identifier: Apache-2.0
// Where a datum's forward projection is accurate to the millimetre: the part
// of its domain (ProjectionLongitudeLimit, projection.h) in which a plane
// point that the program prints or draws is the exact transverse Mercator
// point within 1 mm of ground.
#pragma once

#include <algorithm>
#include <cmath>

#include "geodesy/datum.h"
#include "geodesy/transverse_mercator.h"

namespace karvento {

// The fixed series of Beijing 1954 and Xi'an 1980 against an exact
// transverse Mercator on the same ellipsoid (GeographicLib's
// TransverseMercatorExact, latitudes 0°–60° N) err in two parts. One is the
// meridian arc's fixed coefficients: the same at any distance from the
// central meridian, up to 0.8 mm (1954) and 1.1 mm (1980) at 54° N, 0.9 mm
// and 1.2 mm at 60° N; no central meridian changes it. The other is the
// truncation of the series, which the distance from the meridian adds: worst
// on the equator, 0.70 mm at 4°, 0.98 mm at 4.2°, 1.02 mm at 4.225°, 3 mm at
// 5°, 0.4 m at 10°, alike on both ellipsoids. kLegacyMillimetreLongitude is
// where that added error reaches 1 mm (tests/geodesy measure both sides of
// it). A 3-degree zone (1.5°) and a 6-degree zone (3°) lie well inside.
inline constexpr double kLegacyMillimetreLongitude = 4.2;

// The largest distance from the central meridian, degrees of longitude, at
// which the distance adds at most 1 mm to the datum's forward projection:
// kLegacyMillimetreLongitude on Beijing 1954 and Xi'an 1980, the whole
// domain (kKrugerLongitudeLimit, 67°) on CGCS2000.
constexpr double MillimetreLongitudeLimit(Datum datum) {
  return datum == Datum::Cgcs2000 ? kKrugerLongitudeLimit : kLegacyMillimetreLongitude;
}

// Whether points from west to east (degrees) all lie within
// MillimetreLongitudeLimit of the central meridian cm (degrees). A cm of 0
// takes each point on its own zone, which always holds it.
inline bool WithinMillimetreLimit(Datum datum, double west, double east, double cm) {
  if (cm == 0) return true;
  return std::max(std::abs(west - cm), std::abs(east - cm)) <= MillimetreLongitudeLimit(datum);
}

}  // namespace karvento
