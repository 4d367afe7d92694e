// SPDX-License-Identifier: Apache-2.0
#include "geodesy/transverse_mercator.h"

#include <GeographicLib/TransverseMercatorExact.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "geodesy/projection.h"
#include "tests/geodesy/proj_tmerc.h"

namespace karvento {
namespace {

TLonLatDMS Point(double lon, double lat) { return {DegToDms(lon), DegToDms(lat)}; }

const GeographicLib::TransverseMercatorExact& Exact() {
  static const GeographicLib::TransverseMercatorExact tm(6378137.0, 1 / 298.257222101, 1.0);
  return tm;
}

// Latitudes 0°–60° N and longitudes within 4° of the central meridian: a
// regular lattice that takes in the equator, the central meridian and the
// edges, and random points between.
std::vector<std::pair<double, double>> Domain() {
  std::vector<std::pair<double, double>> pts;
  for (double lat = 0; lat <= 60; lat += 2.5)
    for (double lon = -4; lon <= 4; lon += 0.5) pts.emplace_back(lat, lon);
  std::mt19937_64 rng(2000);
  std::uniform_real_distribution<double> lat(0, 60), lon(-4, 4);
  for (int i = 0; i < 3000; ++i) pts.emplace_back(lat(rng), lon(rng));
  return pts;
}

TEST(KrugerSeries, CoefficientsOfTheEllipsoid) {
  // The meridian quadrant of GRS 80 as published (Moritz 1980: 10001965.7293
  // m) is the rectifying radius times π/2.
  const KrugerEllipsoid& e = kCgcs2000;
  EXPECT_NEAR(e.A * kPi / 2, 10001965.7293, 0.0001);
  EXPECT_DOUBLE_EQ(e.n, 1 / (2 * 298.257222101 - 1));
  // Leading terms: α_j and β_j are of order n^j with the published first
  // coefficients; α1 and β1 part only at n³ (5/16 against 37/96).
  const double leadA[] = {0, 1.0 / 2, 13.0 / 48, 61.0 / 240, 49561.0 / 161280, 34729.0 / 80640,
                          212378941.0 / 319334400};
  const double leadB[] = {0, 1.0 / 2, 1.0 / 48, 17.0 / 480, 4397.0 / 161280, 4583.0 / 161280,
                          20648693.0 / 638668800};
  for (int j = 1; j <= 6; ++j) {
    const double nj = std::pow(e.n, j);
    EXPECT_NEAR(e.alpha[j] / nj, leadA[j], 2 * e.n) << j;
    EXPECT_NEAR(e.beta[j] / nj, leadB[j], 2 * e.n) << j;
  }
  EXPECT_NEAR((e.alpha[1] - e.beta[1]) / std::pow(e.n, 3), 5.0 / 16 - 37.0 / 96, e.n);
}

// The same series summed term by term in long double with the library's own
// functions: no Clenshaw or Estrin sums, no split terms, no short series. At
// n⁶ within 4° of the central meridian the series is the exact transverse
// Mercator to far below a nanometre (Karney 2011, fig. 1), so this is the
// exact projection to about 1e-12 m, finer than TransverseMercatorExact in
// double, which is itself up to 5.3 nm off it.
TmXY LongDoubleSeries(double lat, double lon) {
  const long double pi = 3.14159265358979323846264338327950288L;
  const long double f = 1 / 298.257222101L, e = std::sqrt(f * (2 - f));
  const long double phi = lat * pi / 180, l = lon * pi / 180;
  const long double tau = std::tan(phi);
  const long double sig = std::sinh(e * std::atanh(e * tau / std::sqrt(1 + tau * tau)));
  const long double taup = std::sqrt(1 + sig * sig) * tau - sig * std::sqrt(1 + tau * tau);
  const long double xip = std::atan2(taup, std::cos(l));
  const long double etap = std::asinh(std::sin(l) / std::hypot(taup, std::cos(l)));
  long double xi = xip, eta = etap;
  for (int j = 1; j <= 6; ++j) {
    xi += kCgcs2000.alpha[j] * std::sin(2 * j * xip) * std::cosh(2 * j * etap);
    eta += kCgcs2000.alpha[j] * std::cos(2 * j * xip) * std::sinh(2 * j * etap);
  }
  return {static_cast<double>(kCgcs2000.A * eta), static_cast<double>(kCgcs2000.A * xi)};
}

// A dense lattice: 0.25° of latitude by 0.125° of longitude.
std::vector<std::pair<double, double>> DenseDomain() {
  std::vector<std::pair<double, double>> pts;
  for (double lat = 0; lat <= 60; lat += 0.25)
    for (double lon = -4; lon <= 4; lon += 0.125) pts.emplace_back(lat, lon);
  return pts;
}

TEST(KrugerSeries, ForwardWithinFiveNanometresOfTheExactProjection) {
  double worstExact = 0, worstLong = 0, oracleSelf = 0;
  for (const auto& [lat, lon] : DenseDomain()) {
    double x, y;
    Exact().Forward(0, lat, lon, x, y);
    const TmXY p = KrugerForward(kCgcs2000, lat, lon);
    const TmXY q = LongDoubleSeries(lat, lon);
    const double dLong = std::max(std::abs(p.x - q.x), std::abs(p.y - q.y));
    const double dExact = std::max(std::abs(p.x - x), std::abs(p.y - y));
    worstLong = std::max(worstLong, dLong);
    worstExact = std::max(worstExact, dExact);
    oracleSelf = std::max({oracleSelf, std::abs(q.x - x), std::abs(q.y - y)});
    ASSERT_LT(dLong, 5e-9) << "lat " << lat << " lon " << lon;
    // TransverseMercatorExact's own rounding (above) comes on top.
    ASSERT_LT(dExact, 6e-9) << "lat " << lat << " lon " << lon;
  }
  RecordProperty("worst_difference_m", std::to_string(worstExact));
  std::printf("largest difference: %.3g m to the long-double series, %.3g m to "
              "TransverseMercatorExact (which is %.3g m off the long-double series)\n",
              worstLong, worstExact, oracleSelf);
}

TEST(KrugerSeries, InverseReturnsThePointWithin1e11Degrees) {
  double worst = 0;
  for (const auto& [lat, lon] : Domain()) {
    // Our own forward, and the exact one, both come back through our inverse.
    const TmXY p = KrugerForward(kCgcs2000, lat, lon);
    double x, y;
    Exact().Forward(0, lat, lon, x, y);
    for (const TmLatLon g : {KrugerInverse(kCgcs2000, p.x, p.y), KrugerInverse(kCgcs2000, x, y)}) {
      const double d = std::max(std::abs(g.lat - lat), std::abs(g.lon - lon));
      worst = std::max(worst, d);
      ASSERT_LT(d, 1e-11) << "lat " << lat << " lon " << lon;
    }
  }
  std::printf("largest round-trip error: %.3g degrees\n", worst);
}

TEST(KrugerSeries, ScaleAndConvergenceOfTheExactProjection) {
  for (const auto& [lat, lon] : Domain()) {
    double x, y, gamma, k;
    Exact().Forward(0, lat, lon, x, y, gamma, k);
    const ScaleConvergence s = KrugerScaleConvergence(kCgcs2000, lat, lon);
    ASSERT_NEAR(s.k, k, 1e-13) << "lat " << lat << " lon " << lon;
    ASSERT_NEAR(s.gamma, gamma, 1e-12) << "lat " << lat << " lon " << lon;
  }
  // Facts of every transverse Mercator: scale 1 and no convergence on the
  // central meridian; on the equator no convergence and k ≈ 1 + λ²/2 cos²φ.
  const ScaleConvergence cm = KrugerScaleConvergence(kCgcs2000, 40, 0);
  EXPECT_NEAR(cm.k, 1, 1e-15);
  EXPECT_EQ(cm.gamma, 0);
  const ScaleConvergence eq = KrugerScaleConvergence(kCgcs2000, 0, 3);
  const double l = 3 * kPi / 180, ep2 = kCgcs2000.e2 / (1 - kCgcs2000.e2);
  EXPECT_NEAR(eq.gamma, 0, 1e-15);
  EXPECT_NEAR(eq.k, 1 + l * l * (1 + ep2) / 2, 3e-6);
  // East of the central meridian grid north lies east of true north, and the
  // sign follows the side.
  EXPECT_GT(KrugerScaleConvergence(kCgcs2000, 40, 1.5).gamma, 0.9);
  EXPECT_LT(KrugerScaleConvergence(kCgcs2000, 40, -1.5).gamma, -0.9);
}

TEST(KrugerSeries, AgreesWithProjGrs80WithinOneMicrometre) {
  double worst = 0, worstInverse = 0;
  std::mt19937_64 rng(80);
  for (bool zone3 : {true, false}) {
    for (double cm : {75.0, 105.0, 117.0, 120.0, 135.0}) {
      const ProjTmerc proj("GRS80", cm, FalseEasting(zone3, cm));
      ASSERT_TRUE(proj.ok());
      std::uniform_real_distribution<double> dl(-4, 4), lat(0, 60);
      for (int i = 0; i < 400; ++i) {
        const TLonLatDMS p = Point(cm + dl(rng), lat(rng));
        const TPlanePoint ours = GeoToPlane2000(p, zone3, cm);
        const PJ_COORD ref = proj.Forward(DmsToDeg(p.Lon), DmsToDeg(p.Lat));
        const double d = std::max(std::abs(ours.X - ref.xy.x), std::abs(ours.Y - ref.xy.y));
        worst = std::max(worst, d);
        ASSERT_LT(d, 1e-6) << DmsToDeg(p.Lon) << " " << DmsToDeg(p.Lat) << " cm " << cm;
        const PJ_COORD back = proj.Inverse(ours.X, ours.Y);
        const TLonLatDMS g = PlaneToGeo2000(ours.Y, ours.X, zone3, cm);
        const double dg = std::max(std::abs(DmsToDeg(g.Lon) - back.lp.lam),
                                   std::abs(DmsToDeg(g.Lat) - back.lp.phi));
        worstInverse = std::max(worstInverse, dg);
        ASSERT_LT(dg, 1e-11) << DmsToDeg(p.Lon) << " " << DmsToDeg(p.Lat) << " cm " << cm;
      }
    }
  }
  std::printf("largest difference to PROJ GRS80: %.3g m forward, %.3g degrees inverse\n", worst,
              worstInverse);
}

TEST(KrugerSeries, ZoneRulesOfTheNationalSystems) {
  // On the central meridian the easting is the false easting exactly, with
  // the zone prefix of the other two systems.
  struct Case { bool zone3; double cm, x; } cases[] = {
      {true, 117, 39500000}, {false, 117, 20500000}, {true, 0, 500000}, {false, 0, 500000}};
  for (const auto& c : cases) EXPECT_EQ(GeoToPlane2000(Point(117, 40), c.zone3, c.cm).X, c.x);
  // cm = 0: each point on its own zone, as on the other systems: 118.5° E
  // belongs to the zone of 120° in 3-degree zones.
  const TPlanePoint edge = GeoToPlane2000(Point(118.5, 40), true, 0);
  EXPECT_NEAR(edge.X, GeoToPlane2000(Point(118.5, 40), true, 120).X - 40000000, 1e-6);
  EXPECT_LT(edge.X, 500000);
  // The meridian arc at 40° N: GRS 80 and IAG-75 differ by 3 m in a and the
  // arc by about 2 m; Krasovsky's is some 78 m longer.
  const double y = GeoToPlane2000(Point(117, 40), true, 117).Y;
  EXPECT_NEAR(y, GeoToPlane80(Point(117, 40), true, 117).Y, 3);
  EXPECT_LT(y, GeoToPlane80(Point(117, 40), true, 117).Y);
  EXPECT_LT(y, GeoToPlane54(Point(117, 40), true, 117).Y - 70);
  // The inverse takes the easting with its prefix and always adds cm.
  for (const auto& c : cases) {
    if (c.cm == 0) continue;
    const TPlanePoint x = GeoToPlane2000(Point(116.25, 39.5), c.zone3, c.cm);
    const TLonLatDMS g = PlaneToGeo2000(x.Y, x.X, c.zone3, c.cm);
    EXPECT_NEAR(DmsToDeg(g.Lon), 116.25, 1e-11);
    EXPECT_NEAR(DmsToDeg(g.Lat), 39.5, 1e-11);
  }
}

TEST(KrugerSeries, ThePolesOnEveryMeridian) {
  // The North Pole is the quarter meridian north of the equator, on the
  // central meridian, with scale 1, whatever the longitude; the South Pole
  // mirrors it.
  for (const double lon : {117.0, 114.0, 0.0, 179.5}) {
    for (const double cm : {0.0, 117.0}) {
      const TPlanePoint n = GeoToPlane2000(Point(lon, 90), true, cm);
      EXPECT_NEAR(n.Y, 10001965.729, 0.0005) << lon << " " << cm;
      EXPECT_EQ(n.X, FalseEasting(true, cm)) << lon << " " << cm;
      EXPECT_EQ(ScaleConvergence2000(Point(lon, 90), true, cm).k, 1) << lon;
      EXPECT_EQ(KrugerForward(kCgcs2000, -90, lon - 117).y, -n.Y);
    }
  }
  // Just below the pole the series agree with the exact projection.
  double x, y;
  Exact().Forward(0, 89.9999999, 2, x, y);
  const TmXY q = KrugerForward(kCgcs2000, 89.9999999, 2);
  EXPECT_NEAR(q.y, y, 1e-8);
  EXPECT_NEAR(q.x, x, 1e-8);
}

TEST(KrugerSeries, TheDomainEndsWhereTheErrorReachesOneMillimetre) {
  // The worst latitude is the equator; the error grows steeply with the
  // distance from the central meridian. Within the limit it stays below 1 mm
  // at every latitude, a degree beyond it passes 1 mm.
  double worstInside = 0;
  for (double lat = 0; lat <= 89.5; lat += 0.5) {
    for (const double lon : {40.0, 55.0, 60.0, 65.0, kKrugerLongitudeLimit}) {
      double x, y;
      Exact().Forward(0, lat, lon, x, y);
      const TmXY p = KrugerForward(kCgcs2000, lat, lon);
      worstInside = std::max({worstInside, std::abs(p.x - x), std::abs(p.y - y)});
    }
  }
  EXPECT_LT(worstInside, 0.001);
  double x, y;
  Exact().Forward(0, 0, kKrugerLongitudeLimit + 1, x, y);
  const TmXY beyond = KrugerForward(kCgcs2000, 0, kKrugerLongitudeLimit + 1);
  EXPECT_GT(std::max(std::abs(beyond.x - x), std::abs(beyond.y - y)), 0.001);
  std::printf("largest error within %g degrees: %.3g m\n", kKrugerLongitudeLimit, worstInside);

  // The inverse gives no point for what lies beyond: a northing past the pole
  // (the series would wrap round), an easting farther out than the limit.
  struct Case { double northing, easting; } refused[] = {
      {1e8, 39500000}, {-1e8, 39500000}, {10001966, 39500000}, {2e7, 39500000},
      {0, 39500000 + 1.2e7}, {0, 39500000 - 1.2e7}, {std::nan(""), 39500000}};
  for (const auto& c : refused) {
    const TLonLatDMS g = PlaneToGeo2000(c.northing, c.easting, true, 117);
    EXPECT_TRUE(std::isnan(g.Lon.Degrees) && std::isnan(g.Lat.Degrees)) << c.northing << " " << c.easting;
  }
  // The pole itself and a point 60° out come back.
  EXPECT_NEAR(DmsToDeg(PlaneToGeo2000(10001965.729, 39500000, true, 117).Lat), 90, 1e-6);
  const TPlanePoint far = GeoToPlane2000(Point(57, 10), true, 117);
  const TLonLatDMS back = PlaneToGeo2000(far.Y, EastingWithZonePrefix(far.X, true, 117), true, 117);
  EXPECT_NEAR(DmsToDeg(back.Lon), 57, 1e-9);
  EXPECT_NEAR(DmsToDeg(back.Lat), 10, 1e-9);
}

TEST(KrugerSeries, RoundTripsFarWestOfTheMeridianKeepTheirZone) {
  // Eastings below the zone prefix (more than 500 km west) come back to the
  // point, not to a longitude one zone number further on.
  for (const double lon : {111.0, 108.0, 100.0, 90.0}) {
    for (const double lat : {20.0, 40.0, 50.0}) {
      const TPlanePoint x = GeoToPlane2000(Point(lon, lat), true, 117);
      const TLonLatDMS g = PlaneToGeo2000(x.Y, EastingWithZonePrefix(x.X, true, 117), true, 117);
      EXPECT_NEAR(DmsToDeg(g.Lon), lon, 1e-9) << lon << " " << lat;
      EXPECT_NEAR(DmsToDeg(g.Lat), lat, 1e-9) << lon << " " << lat;
    }
  }
}

TEST(KrugerSeries, SplitForwardEqualsWholeForward) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> lon(70, 136), lat(0, 60);
  for (int i = 0; i < 2000; ++i) {
    const TLonLatDMS p = Point(lon(rng), lat(rng));
    for (bool zone3 : {true, false})
      for (double cm : {0.0, 117.0}) {
        const TPlanePoint split = ForwardFromTerms(
            KrugerLatitudeOf(p.Lat), KrugerMeridianOf(DmsToDeg(p.Lon), MakeZoneParams(zone3, cm)));
        ASSERT_EQ(GeoToPlane2000(p, zone3, cm), split);
      }
  }
}

TEST(KrugerSeries, DatumChoosesTheProjection) {
  const TLonLatDMS p = Point(116.3, 39.9);
  EXPECT_EQ(GeoToPlane(Datum::Beijing54, p, true, 117), GeoToPlane54(p, true, 117));
  EXPECT_EQ(GeoToPlane(Datum::Xian80, p, true, 117), GeoToPlane80(p, true, 117));
  EXPECT_EQ(GeoToPlane(Datum::Cgcs2000, p, true, 117), GeoToPlane2000(p, true, 117));
  const TPlanePoint x = GeoToPlane54(p, true, 117);
  EXPECT_EQ(PlaneToGeo(Datum::Beijing54, x.Y, x.X, true, 117), PlaneToGeo54(x.Y, x.X, true, 117));
  EXPECT_EQ(PlaneToGeo(Datum::Xian80, x.Y, x.X, true, 117), PlaneToGeo80(x.Y, x.X, true, 117));
  EXPECT_EQ(PlaneToGeo(Datum::Cgcs2000, x.Y, x.X, true, 117),
            PlaneToGeo2000(x.Y, x.X, true, 117));
  // The three systems put the same point tens of metres apart.
  EXPECT_GT(std::abs(GeoToPlane2000(p, true, 117).Y - x.Y), 10);
}

}  // namespace
}  // namespace karvento
