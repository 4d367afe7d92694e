// SPDX-License-Identifier: Apache-2.0
// Gauss-Krüger projection in the form used in Chinese surveying: transverse
// projection in 3-degree or 6-degree zones, the easting shifted by 500 km and,
// when the central meridian is named, prefixed with the zone number in the
// millions. Two ellipsoids: Beijing 1954 (Krasovsky) and Xi'an 1980 (IAG-75).
//
// The forward projection is a truncated series with a meridian arc in fixed
// coefficients (below); it is the definition of the plane coordinates of both
// systems and stays as it is, bit for bit. Against an exact transverse
// Mercator on the same ellipsoid (GeographicLib's TransverseMercatorExact,
// latitudes 0°–60° N) it agrees within 1.2 mm up to 4° from the central
// meridian, which holds every 3-degree and 6-degree zone; farther out the
// truncation shows: 3 mm at 5°, 0.4 m at 10°, 53 m at 20°.
//
// The inverse solves the forward series itself by Newton's method, so that
// inverse and forward agree to the micrometre wherever the forward is defined
// (within kLegacyLongitudeLimit of the central meridian): its accuracy
// against the exact projection is the forward's. The footpoint series of the
// traditional inverse (PlaneToGeoSeries) only starts the iteration; on
// Beijing 1954 its latitude is 44 m off at 54° N.
#pragma once

#include "geodesy/angles.h"

namespace karvento {

// A plane point: X is the easting in metres (500 km false easting included,
// and the zone number × 1,000,000 when a central meridian was given), Y the
// northing in metres from the equator.
struct TPlanePoint {
  double X = 0;
  double Y = 0;
  friend bool operator==(const TPlanePoint&, const TPlanePoint&) = default;
};

// The constants of one ellipsoid. ep2 is the second eccentricity squared, c
// the polar radius of curvature a²/b; K1..K5 the meridian-arc coefficients
// (K1 per degree of latitude); F0..F6 the footpoint-latitude coefficients in
// degrees (F5, F6 are used only where hasF56).
struct Ellipsoid {
  double ep2, c;
  double K1, K2, K3, K4, K5;
  double F0, F1, F2, F3, F4, F5, F6;
  bool hasF56;
};

extern const Ellipsoid kBeijing54;  // Krasovsky
extern const Ellipsoid kXian80;     // IAG-75

// Central meridian, in degrees, of the zone that contains longitude L. A
// longitude on a zone boundary belongs to the eastern zone: 118.5 gives 120
// in 3-degree zones, 120 gives 123 in 6-degree zones.
double CentralMeridian(bool zone3, double L);

// The central meridian of the one zone that holds every sheet between two
// longitudes (the westmost and the eastmost edge of a table, degrees), as
// SheetZone assigns sheets to zones: the eastmost edge may be the zone's east
// boundary. NaN when they lie in more than one zone. The zone's meridian
// never decreases eastward, so the two ends decide.
double CommonZoneMeridian(double westmost, double eastmost, bool zone3);

// The zone number of the central meridian cm: the standard zone that holds
// it, its west boundary included, so that a meridian of its own (a city's
// 117°30′, the 118.5 of a 1.5-degree zone) takes the number of the standard
// zone it lies in. 3-degree zones: n = trunc((cm + 1.5) / 3), whose standard
// meridian is 3n (118.5 is zone 40); 6-degree zones: n = trunc(cm / 6) + 1,
// meridian 6n − 3 (117 is zone 20). 0 when cm is 0: automatic zones carry no
// zone number. The forward adds this number and the inverse removes it, so
// the two agree for every meridian.
double ZoneNumber(bool zone3, double cm);

// 500000 + ZoneNumber(zone3, cm) × 1000000.
double FalseEasting(bool zone3, double cm);

// An easting as the inverse wants it, with z = ZoneNumber(zone3, cm): an
// easting below z × 500000 + 500000 was given without its zone prefix and
// gets z × 1000000 added; otherwise it is taken as given. Of the two
// readings this is the one nearer the central meridian, so 500000 becomes
// 39500000 in 3-degree zones at cm 117, 39500000 stays, and so does
// 38900000, a point 600 km west of the meridian.
double EastingWithZonePrefix(double easting, bool zone3, double cm);

// Forward projection. cm = 0 takes each point's own zone (CentralMeridian)
// and adds no zone number; any other cm is used as the central meridian.
TPlanePoint GeoToPlane54(const TLonLatDMS& p, bool zone3, double cm);
TPlanePoint GeoToPlane80(const TLonLatDMS& p, bool zone3, double cm);
TPlanePoint GeoToPlane(const Ellipsoid& e, const TLonLatDMS& p, bool zone3, double cm);

// How far from the central meridian, in degrees of longitude, the inverse
// looks for a point. The forward series is no transverse Mercator there any
// more (hundreds of metres off at 30°), but it stays one-to-one, so a
// forward-then-inverse round trip returns the point.
inline constexpr double kLegacyLongitudeLimit = 30;

// Inverse projection of (northing, easting); the easting includes the false
// easting and the zone prefix of ZoneNumber(zone3, cm). The inverse has no
// automatic mode: it always adds cm. The result is carried at 60 (DegToDms).
// It is the point whose forward projection on the same zone3 and cm is the
// given one within 1 µm; a forward-then-inverse
// round trip returns the point within 1e-11°. A plane point that no point
// within kLegacyLongitudeLimit of the central meridian projects to gives NaN
// in every field.
TLonLatDMS PlaneToGeo54(double northing, double easting, bool zone3, double cm);
TLonLatDMS PlaneToGeo80(double northing, double easting, bool zone3, double cm);
TLonLatDMS PlaneToGeo(const Ellipsoid& e, double northing, double easting, bool zone3,
                      double cm);

// The same inverse on coordinates relative to the central meridian: x east of
// it and y north of the equator, metres, to latitude B and longitude dL from
// the meridian, degrees. False when no point projects there.
bool LegacyInverse(const Ellipsoid& e, double x, double y, double& B, double& dL);

// The traditional footpoint series of the inverse: Bf as a polynomial in
// (northing / 10⁶ − 3), then series in the easting to D⁶. It starts the
// iteration of PlaneToGeo; alone it is 1e-8° off on Xi'an 1980 and up to
// 4e-4° (44 m) off at 54° N on Beijing 1954, whose footpoint polynomial
// stops at the fourth power.
TLonLatDMS PlaneToGeoSeries(const Ellipsoid& e, double northing, double easting, bool zone3,
                            double cm);

// The forward projection split in three, for callers that project the
// points where few parallels meet few meridians (a sheet grid): the part that
// depends on the latitude alone, the part that depends on the longitude alone,
// and the rest. GeoToPlane is exactly these steps, so a point projects to the
// same doubles whichever way it is computed.
struct LatitudeTerms {
  double B;      // latitude, degrees
  double cosb;   // cos b
  double Nt;     // N × t
  double X0;     // meridian arc
  double N;      // radius of curvature in the prime vertical
  double cS4;    // 5 - t² + 9η² + 4η⁴
  double cS6;    // 61 - 58t² + t⁴
  double cA3;    // 1 - t² + η²
  double E5;     // (5 - 18t² + t⁴ + 14η² - 58η²t²) / 120
};
LatitudeTerms ForwardLatitudeTerms(const Ellipsoid& e, const TAngleDMS& latitude);

// The zone of one projection request, decided once and read by the forward
// and the inverse alike: the width, the central meridian (0: each point on
// the zone that holds it), the zone number (0 without a prefix) and the false
// easting. A zone may also name a meridian and carry no number: the zone
// that a sheet's corners share when the request left the meridian to each
// point (SheetZone).
struct ZoneParams {
  bool zone3;
  double cm;
  double number;        // ZoneNumber(zone3, cm)
  double falseEasting;  // 500000 + number × 1000000
};
ZoneParams MakeZoneParams(bool zone3, double cm);

// The central meridian that zone z projects longitude L (degrees) on: its
// own, or with cm = 0 the zone's that holds L (CentralMeridian).
double MeridianOfPoint(const ZoneParams& z, double L);

// The zone that the four corners of a sheet from longitude west to east
// (degrees) are projected on. With a central meridian named, the request's
// zone. Without one (cm = 0), the zone that holds the whole sheet, a
// boundary meridian on its east edge included: the sheet I-49-144-D, 113°45′
// to 114°, lies in the 6-degree zone of 111° though 114° itself starts the
// next zone, and all its corners are projected there, without a zone number.
// A sheet that truly spans zones (1:100万 and 1:50万 sheets on 3-degree
// zones) keeps the automatic zone: each corner on the zone that holds it.
ZoneParams SheetZone(const ZoneParams& request, double west, double east);

// The part that depends on the longitude alone: L (decimal degrees, DmsToDeg
// of the longitude) relative to its central meridian, in radians.
struct MeridianTerms {
  double l;
  double falseEasting;
};
MeridianTerms ForwardMeridianTerms(double L, const ZoneParams& z);

// The point where the parallel lt meets the meridian mt.
TPlanePoint ForwardFromTerms(const LatitudeTerms& lt, const MeridianTerms& mt);

}  // namespace karvento
