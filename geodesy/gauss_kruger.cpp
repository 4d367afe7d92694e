// SPDX-License-Identifier: Apache-2.0
#include "geodesy/gauss_kruger.h"

#include <algorithm>
#include <cmath>
#include <limits>

namespace karvento {

// Ellipsoid constants as used in Chinese surveying practice for the two
// national systems; the meridian arc is K1·B − cos b·(K2·s + K3·s³ + K4·s⁵ +
// K5·s⁷) with B in degrees and s = sin b.
const Ellipsoid kBeijing54 = {
    0.0067385254147, 6399698.90178271,
    111134.8611,     32005.7799,       133.9238,      0.6976,        0.0039,
    27.11115372595,  9.02468257083,    0.00579740442, 0.00043532572, 0.00004857285,
    0.0,             0.0,              false};

const Ellipsoid kXian80 = {
    0.0067395018195, 6399596.65198801,
    111133.0047,     32009.8575,       133.9602,      0.6976,         0.0039,
    27.11162289465,  9.02483657729,    0.00579850656, 0.000435400029, 0.00004858357,
    0.00000215789,   0.00000019404,    true};

namespace {

// Plain integer powers by repeated multiplication, left to right.
double Pow(double x, int n) {
  double r = x;
  for (int i = 1; i < n; ++i) r = r * x;
  return r;
}

}  // namespace

double CentralMeridian(bool zone3, double L) {
  if (zone3) {
    const double q = (L + 1.5) / 3.0;
    return Truncate(q) * 3.0;
  }
  return (Truncate(L / 6.0) + 1.0) * 6.0 - 3.0;
}

namespace {
double HalfZone(bool zone3) { return zone3 ? 1.5 : 3.0; }
}  // namespace

double CommonZoneMeridian(double westmost, double eastmost, bool zone3) {
  const double west = CentralMeridian(zone3, westmost);
  return eastmost <= west + HalfZone(zone3) ? west : std::nan("");
}

double ZoneNumber(bool zone3, double cm) {
  if (cm == 0) return 0;
  return zone3 ? Truncate((cm + 1.5) / 3.0) : Truncate(cm / 6.0) + 1.0;
}

double FalseEasting(bool zone3, double cm) { return ZoneNumber(zone3, cm) * 1000000.0 + 500000.0; }

ZoneParams MakeZoneParams(bool zone3, double cm) {
  const double n = ZoneNumber(zone3, cm);
  return {zone3, cm, n, n * 1000000.0 + 500000.0};
}

double MeridianOfPoint(const ZoneParams& z, double L) {
  return z.cm == 0 ? CentralMeridian(z.zone3, L) : z.cm;
}

ZoneParams SheetZone(const ZoneParams& request, double west, double east) {
  if (request.cm != 0) return request;
  const double cm = CommonZoneMeridian(west, east, request.zone3);
  if (std::isnan(cm)) return request;
  // The sheet's zone by its meridian, without the zone number that an
  // automatic request never writes.
  return {request.zone3, cm, 0, 500000.0};
}

double EastingWithZonePrefix(double easting, bool zone3, double cm) {
  // Of the two readings, with and without the prefix, the one nearer to the
  // central meridian: an easting is read as prefixed down to half a prefix
  // west of the false easting, so a point far west of its meridian keeps its
  // zone.
  const double prefix = ZoneNumber(zone3, cm) * 1000000.0;
  return easting < prefix / 2 + 500000.0 ? easting + prefix : easting;
}

LatitudeTerms ForwardLatitudeTerms(const Ellipsoid& e, const TAngleDMS& latitude) {
  LatitudeTerms lt;
  lt.B = DmsToDeg(latitude);
  const double b = DegToRad(lt.B);
  const double t = std::tan(b);
  const double cosb = std::cos(b);
  const double eta2 = (cosb * e.ep2) * cosb;
  const double N = e.c / std::sqrt(1.0 + eta2);
  const double s = std::sin(b);
  double T = e.K3 * Pow(s, 3);
  T = e.K2 * s + T;
  T = e.K4 * Pow(s, 5) + T;
  T = e.K5 * Pow(s, 7) + T;
  lt.X0 = e.K1 * lt.B - cosb * T;
  const double t2 = Pow(t, 2);
  const double t4 = Pow(t, 4);
  const double eta4 = Pow(eta2, 2);
  lt.cosb = cosb;
  lt.N = N;
  lt.Nt = N * t;
  lt.cS4 = 5.0 - t2 + 9.0 * eta2 + 4.0 * eta4;
  lt.cS6 = 61.0 - 58.0 * t2 + t4;
  lt.cA3 = 1.0 - t2 + eta2;
  lt.E5 = (5.0 - 18.0 * t2 + t4 + 14.0 * eta2 - 58.0 * eta2 * t2) / 120.0;
  return lt;
}

MeridianTerms ForwardMeridianTerms(double L, const ZoneParams& z) {
  return {DegToRad(L - MeridianOfPoint(z, L)), z.falseEasting};
}

TPlanePoint ForwardFromTerms(const LatitudeTerms& lt, const MeridianTerms& mt) {
  const double m = lt.cosb * mt.l;
  const double m2 = Pow(m, 2), m3 = Pow(m, 3), m4 = Pow(m, 4), m5 = Pow(m, 5), m6 = Pow(m, 6);
  const double S = m2 * 0.5 + m4 * lt.cS4 / 24.0 + m6 * lt.cS6 / 720.0;
  TPlanePoint p;
  p.Y = S * lt.Nt + lt.X0;
  const double A = m3 * lt.cA3 / 6.0 + m;
  p.X = (m5 * lt.E5 + A) * lt.N + mt.falseEasting;
  return p;
}

TPlanePoint GeoToPlane(const Ellipsoid& e, const TLonLatDMS& p, bool zone3, double cm) {
  const double L = DmsToDeg(p.Lon);
  return ForwardFromTerms(ForwardLatitudeTerms(e, p.Lat),
                          ForwardMeridianTerms(L, MakeZoneParams(zone3, cm)));
}

TPlanePoint GeoToPlane54(const TLonLatDMS& p, bool zone3, double cm) {
  return GeoToPlane(kBeijing54, p, zone3, cm);
}
TPlanePoint GeoToPlane80(const TLonLatDMS& p, bool zone3, double cm) {
  return GeoToPlane(kXian80, p, zone3, cm);
}

namespace {

// The footpoint series of the inverse, relative to the central meridian: the
// latitude and the longitude from the meridian in degrees. Long double where
// the formulas divide by π (π is held in the widest type, as in DegToRad).
struct SeriesInverse {
  double B;
  long double dL;
};
SeriesInverse InverseSeries(const Ellipsoid& e, double northing, double y) {
  const double Ym = northing / 1000000.0;
  const double u = Ym - 3.0;
  double Bf = (e.F1 * u + e.F0) - e.F2 * Pow(u, 2) - e.F3 * Pow(u, 3) + e.F4 * Pow(u, 4);
  if (e.hasF56) Bf = Bf + e.F5 * Pow(u, 5) - e.F6 * Pow(u, 6);
  const double bf = DegToRad(Bf);
  const double tf = std::tan(bf);
  const double cosbf = std::cos(bf);
  const double etaf2 = (cosbf * e.ep2) * cosbf;
  const double D = std::sqrt(1.0 + etaf2) * y / e.c;
  const double tf2 = Pow(tf, 2), tf4 = Pow(tf, 4);
  const double P = 90.0 * Pow(D, 2) -
                   7.5 * (5.0 + 3.0 * tf2 + etaf2 - 9.0 * etaf2 * tf2) * Pow(D, 4) +
                   0.25 * (61.0 + 90.0 * tf2 + 45.0 * tf4) * Pow(D, 6);
  const double B = static_cast<double>(
      Bf - static_cast<long double>(P) * ((1.0L + etaf2) / kPiLong) * tf);
  const double Q = 180.0 * D - 30.0 * (1.0 + 2.0 * tf2 + etaf2) * Pow(D, 3) +
                   1.5 * (5.0 + 28.0 * tf2 + 24.0 * tf4) * Pow(D, 5);
  return {B, Q / (kPiLong * cosbf)};
}

// The forward series at latitude B and longitude dL from the central
// meridian (degrees), without false easting: the function the exact inverse
// solves.
TPlanePoint ForwardRelative(const Ellipsoid& e, double B, double dL) {
  return ForwardFromTerms(ForwardLatitudeTerms(e, TAngleDMS{B, 0, 0}), MeridianTerms{DegToRad(dL), 0});
}

}  // namespace

TLonLatDMS PlaneToGeoSeries(const Ellipsoid& e, double northing, double easting, bool zone3,
                            double cm) {
  const double y = easting - FalseEasting(zone3, cm);
  const SeriesInverse s = InverseSeries(e, northing, y);
  return {DegToDms(static_cast<double>(s.dL + cm)), DegToDms(s.B)};
}

bool LegacyInverse(const Ellipsoid& e, double x, double y, double& B, double& dL) {
  if (!(std::isfinite(x) && std::isfinite(y))) return false;
  // Nothing of the forward lies beyond the pole's northing or farther from the
  // central meridian than the domain's edge reaches.
  if (!(std::abs(y) < 1.0e7 && std::abs(x) < 1.0e7)) return false;
  const SeriesInverse s = InverseSeries(e, y, x);
  double b = s.B, l = static_cast<double>(s.dL);
  if (!(std::isfinite(b) && std::isfinite(l))) return false;
  b = std::clamp(b, -89.0, 89.0);
  l = std::clamp(l, -kLegacyLongitudeLimit, kLegacyLongitudeLimit);
  // Newton's method on the forward series, with its Jacobian by differences
  // of 1e-6° (a relative error near 1e-6 in the Jacobian slows nothing that
  // matters: each step still gains six digits). The series' own start leaves
  // a few metres at most inside a zone, so two or three steps reach the
  // rounding of the doubles.
  constexpr double h = 1e-6;
  for (int i = 0; i < 40; ++i) {
    const TPlanePoint f = ForwardRelative(e, b, l);
    const double rx = x - f.X, ry = y - f.Y;
    const double hb = b > 0 ? -h : h;  // stays on this side of the pole
    const TPlanePoint fb = ForwardRelative(e, b + hb, l);
    const TPlanePoint fl = ForwardRelative(e, b, l + h);
    const double xb = (fb.X - f.X) / hb, yb = (fb.Y - f.Y) / hb;
    const double xl = (fl.X - f.X) / h, yl = (fl.Y - f.Y) / h;
    const double det = xb * yl - xl * yb;
    if (!(std::isfinite(det) && det != 0)) return false;
    const double db = (rx * yl - xl * ry) / det;
    const double dl = (xb * ry - rx * yb) / det;
    b += db;
    l += dl;
    if (!(std::abs(b) <= 90 && std::abs(l) <= 90)) return false;
    if (std::abs(db) < 1e-14 && std::abs(dl) < 1e-14) break;
  }
  // Converged onto the point, or no point of the forward lands there.
  const TPlanePoint f = ForwardRelative(e, b, l);
  if (!(std::abs(f.X - x) <= 1e-6 && std::abs(f.Y - y) <= 1e-6)) return false;
  if (!(std::abs(l) <= kLegacyLongitudeLimit)) return false;
  B = b;
  dL = l;
  return true;
}

TLonLatDMS PlaneToGeo(const Ellipsoid& e, double northing, double easting, bool zone3,
                      double cm) {
  const double y = easting - FalseEasting(zone3, cm);
  double B = 0, dL = 0;
  if (!LegacyInverse(e, y, northing, B, dL)) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    return {{nan, nan, nan}, {nan, nan, nan}};
  }
  return {DegToDms(dL + cm), DegToDms(B)};
}

TLonLatDMS PlaneToGeo54(double northing, double easting, bool zone3, double cm) {
  return PlaneToGeo(kBeijing54, northing, easting, zone3, cm);
}
TLonLatDMS PlaneToGeo80(double northing, double easting, bool zone3, double cm) {
  return PlaneToGeo(kXian80, northing, easting, zone3, cm);
}

}  // namespace karvento
