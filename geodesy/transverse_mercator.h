// SPDX-License-Identifier: Apache-2.0
// Transverse Mercator projection of the 2000 national geodetic coordinate
// system (CGCS2000) by Krüger's series in the third flattening n, carried to
// n⁶ as given by C. F. F. Karney, "Transverse Mercator with an accuracy of a
// few nanometers", J. Geodesy 85 (2011) 475–485, eqs. (7), (35), (36).
//
// Zones, central meridians, the 500 km false easting and the zone prefix are
// those of the Gauss-Krüger routines (gauss_kruger.h): CentralMeridian,
// FalseEasting, ZoneNumber. The scale on the central meridian is 1.
//
// Units: angles in decimal degrees or TAngleDMS as named, lengths in metres.
//
// Range: the series in n converge, but the series in the complex angle do
// not everywhere: on the equator they fail towards (1 − e)·90° ≈ 82.6° from
// the central meridian, near the image of the singular point of the exact
// projection, and are metres off well before (9 m at 78°, 2.5e14 m at 89°).
// Against Lee's exact transverse Mercator (GeographicLib's
// TransverseMercatorExact), measured over all latitudes 0°–90° in steps of
// 0.1°, the forward projection errs by under 8 nm up to 40° from the
// central meridian, 1e-5 m at 60°, 0.6 mm at 67°, and passes 1 mm at 67.8°
// (on the equator, where the error is largest); the inverse stays within
// 0.3 mm to 70°. kKrugerLongitudeLimit, 67°, is the domain: the command line
// refuses a point beyond it, and PlaneToGeo2000 refuses a plane point whose
// longitude lies beyond it.
// Accuracy within 4° of the central meridian, latitudes 0°–60° N (every
// 3-degree and 6-degree zone of China): the forward projection agrees with
// the exact one within 5 nm; an inverse then forward round trip returns the
// point within 1e-11° (about 1 µm on the ground). Truncating the series at n⁶
// costs under 1 nm there; the rest is rounding of doubles.
#pragma once

#include "geodesy/gauss_kruger.h"

namespace karvento {

// An ellipsoid as the series use it. alpha[j] and beta[j] (j = 1..6; index 0
// unused) are Krüger's coefficients of the forward and inverse series; A is
// the rectifying radius, the length of a quarter meridian over π/2.
struct KrugerEllipsoid {
  double a, f;          // equatorial radius (m), flattening
  double e2, e;         // eccentricity squared, eccentricity
  double n;             // third flattening f / (2 − f)
  double A;             // a / (1 + n) · (1 + n²/4 + n⁴/64 + n⁶/256)
  double alpha[7];
  double beta[7];
};

// The series of an ellipsoid of equatorial radius a (m) and flattening f.
KrugerEllipsoid MakeKrugerEllipsoid(double a, double f);

// CGCS2000: a = 6378137 m, 1/f = 298.257222101 (the GRS 80 shape).
extern const KrugerEllipsoid kCgcs2000;

// A point relative to the central meridian: x the distance east of it and y
// the northing from the equator, metres, without false easting.
struct TmXY {
  double x, y;
};

// The domain of the series: longitudes up to this many degrees from the
// central meridian, where the forward projection errs by less than 1 mm.
inline constexpr double kKrugerLongitudeLimit = 67;

// Forward projection of latitude lat and longitude lon relative to the
// central meridian (lon − lon0), both in decimal degrees; |lat| ≤ 90. A pole
// (lat exactly ±90) projects to x = 0 and y = ± the quarter meridian
// A·π/2 (10001965.729 m on CGCS2000) for every lon.
TmXY KrugerForward(const KrugerEllipsoid& e, double lat, double lon);

// Inverse of KrugerForward: latitude and longitude relative to the central
// meridian, decimal degrees. Solves the conformal latitude for the geodetic
// one by Newton's method (at most five steps; two reach full precision in
// the zones of China).
struct TmLatLon {
  double lat, lon;
};
TmLatLon KrugerInverse(const KrugerEllipsoid& e, double x, double y);

// Point scale factor k (dimensionless; 1 on the central meridian, about
// 1.0014 at 3° from it on the equator) and meridian convergence gamma, the
// angle in decimal degrees from true north clockwise to grid north (positive
// east of the central meridian in the northern hemisphere), at latitude lat
// and relative longitude lon in decimal degrees. Both to about 1e-15
// relative; they come from the derivative of the same series. At a pole k is
// 1 and gamma is ±lon (the pole lies on the central meridian).
struct ScaleConvergence {
  double k, gamma;
};
ScaleConvergence KrugerScaleConvergence(const KrugerEllipsoid& e, double lat, double lon);

// The projection with the zone rules of the Chinese national systems, in the
// form of GeoToPlane54/80 and PlaneToGeo54/80: cm = 0 takes each point's own
// zone and adds no zone number; the inverse always adds cm and removes the
// prefix ZoneNumber(zone3, cm) from the easting.
TPlanePoint GeoToPlane2000(const TLonLatDMS& p, bool zone3, double cm);
// PlaneToGeo2000 gives NaN in every field for a plane point that no point
// within kKrugerLongitudeLimit of the central meridian projects to (within
// 1 mm): beyond the poles' northing, or too far east or west.
TLonLatDMS PlaneToGeo2000(double northing, double easting, bool zone3, double cm);

// Scale factor and convergence of a point on its zone (cm = 0: its own zone).
ScaleConvergence ScaleConvergence2000(const TLonLatDMS& p, bool zone3, double cm);

// The forward projection split in three, for a sheet grid where few
// parallels meet few meridians: the part that depends on the latitude alone,
// the part that depends on the longitude alone and the rest. GeoToPlane2000
// is exactly these steps, so a point projects to the same doubles whichever
// way it is computed.
struct KrugerLatitudeTerms {
  double taup;  // tan of the conformal latitude
  double secp;  // its secant, √(1 + taup²)
  double chi;   // the conformal latitude, radians
};
KrugerLatitudeTerms KrugerLatitude(const KrugerEllipsoid& e, double lat);
KrugerLatitudeTerms KrugerLatitudeOf(const TAngleDMS& latitude);  // on kCgcs2000

struct KrugerMeridianTerms {
  double sinl, cosl;  // of the longitude from the central meridian
  double vers;        // 1 − cos, as 2 sin²(λ/2) without cancellation
  double falseEasting;
};
KrugerMeridianTerms KrugerMeridian(double lon);  // lon relative to the central meridian, degrees
// L in decimal degrees (DmsToDeg of the longitude), on the zone of z.
KrugerMeridianTerms KrugerMeridianOf(double L, const ZoneParams& z);

TmXY KrugerFromTerms(const KrugerEllipsoid& e, const KrugerLatitudeTerms& lt,
                     const KrugerMeridianTerms& mt);
// The plane point on kCgcs2000, false easting included.
TPlanePoint ForwardFromTerms(const KrugerLatitudeTerms& lt, const KrugerMeridianTerms& mt);

}  // namespace karvento
