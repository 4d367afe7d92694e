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
// Range: the series converge everywhere the transverse Mercator is defined;
// the accuracy below is checked for latitudes 0°–60° N within 4° of the
// central meridian, which holds every 3-degree and 6-degree zone of China.
// Accuracy there: the forward projection agrees with Lee's exact transverse
// Mercator (GeographicLib's TransverseMercatorExact) within 5 nm; an inverse
// then forward round trip returns the point within 1e-11° (about 1 µm on the
// ground). Truncating the series at n⁶ costs under 1 nm within 1000 km of the
// central meridian; the rest is rounding of doubles. Farther out (beyond about
// 4000 km, or near the singular points 90° from the central meridian on the
// equator) the error grows; the routines stay finite but are not meant there.
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

// Forward projection of latitude lat and longitude lon relative to the
// central meridian (lon − lon0), both in decimal degrees; |lat| ≤ 90.
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
// relative; they come from the derivative of the same series.
struct ScaleConvergence {
  double k, gamma;
};
ScaleConvergence KrugerScaleConvergence(const KrugerEllipsoid& e, double lat, double lon);

// The projection with the zone rules of the Chinese national systems, in the
// form of GeoToPlane54/80 and PlaneToGeo54/80: cm = 0 takes each point's own
// zone and adds no zone number; the inverse always adds cm and removes the
// prefix ZoneNumber(zone3, cm) from the easting.
TPlanePoint GeoToPlane2000(const TLonLatDMS& p, bool zone3, double cm);
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
