#include <gtest/gtest.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <string>

#include "geodesy/gauss_kruger.h"
#include "tests/geodesy/proj_tmerc.h"

namespace karvento {
namespace {

TLonLatDMS Point(double lon, double lat) { return {DegToDms(lon), DegToDms(lat)}; }

TEST(GaussKruger, ZoneArithmetic) {
  struct Cm { bool zone3; double L, cm; } cms[] = {
      {false, 116.5, 117}, {false, 114, 117}, {false, 120, 123}, {false, 0, 3},
      {true, 116.5, 117},  {true, 118.4, 117}, {true, 118.5, 120}, {true, 0, 0},
      {true, 1.5, 3},
  };
  for (const auto& c : cms) EXPECT_EQ(CentralMeridian(c.zone3, c.L), c.cm) << c.L;

  EXPECT_EQ(FalseEasting(true, 0), 500000);
  EXPECT_EQ(FalseEasting(false, 0), 500000);
  EXPECT_EQ(FalseEasting(true, 117), 39500000);
  EXPECT_EQ(FalseEasting(false, 117), 20500000);
  EXPECT_EQ(ZoneNumber(true, 117), 39);
  EXPECT_EQ(ZoneNumber(false, 117), 20);
  // An easting typed without its zone number gets it before the inverse.
  struct Prefix { double easting; bool zone3; double cm, full; } prefixes[] = {
      {500000, true, 117, 39500000}, {39500000, true, 117, 39500000},
      {500000, false, 117, 20500000}, {39000000, true, 117, 78000000}, {39000001, true, 117, 39000001}};
  for (const auto& p : prefixes) EXPECT_EQ(EastingWithZonePrefix(p.easting, p.zone3, p.cm), p.full);
  // For a central meridian off the 3-degree series the two disagree.
  EXPECT_EQ(FalseEasting(true, 118.5), 40500000);
  EXPECT_EQ(ZoneNumber(true, 118.5), 39);
}

TEST(GaussKruger, WorkedValues) {
  const TPlanePoint a = GeoToPlane54(Point(117, 40), true, 117);
  EXPECT_EQ(a.X, 39500000);  // on the central meridian
  EXPECT_NEAR(a.Y, 4429607.368, 0.0005);
  EXPECT_NEAR(GeoToPlane80(Point(117, 40), true, 117).Y, 4429531.097, 0.0005);

  const TLonLatDMS p{{116, 30, 0}, {39, 30, 0}};
  struct Case { bool zone3; double cm, x; } cases[] = {
      {true, 117, 39456992.465}, {false, 117, 20456992.465}, {true, 0, 456992.465}};
  for (const auto& c : cases) {
    const TPlanePoint r = GeoToPlane54(p, c.zone3, c.cm);
    EXPECT_NEAR(r.X, c.x, 0.0005) << c.cm;
    EXPECT_NEAR(r.Y, 4374210.856, 0.0005) << c.cm;
  }
}

TEST(GaussKruger, AutomaticZonesProjectEachPointOnItsOwnMeridian) {
  // 118.5° E lies on a 3-degree zone boundary and belongs to the eastern zone.
  const TPlanePoint west = GeoToPlane54(Point(118.4, 40), true, 0);
  const TPlanePoint edge = GeoToPlane54(Point(118.5, 40), true, 0);
  EXPECT_GT(west.X, 500000);  // east of 117°
  EXPECT_LT(edge.X, 500000);  // west of 120°
  EXPECT_NEAR(edge.X, GeoToPlane54(Point(118.5, 40), true, 120).X - 40000000, 1e-6);
}

TEST(GaussKruger, SplitForwardEqualsWholeForward) {
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> lon(70, 136), lat(0, 60);
  for (int i = 0; i < 2000; ++i) {
    const TLonLatDMS p = Point(lon(rng), lat(rng));
    for (const Ellipsoid* e : {&kBeijing54, &kXian80})
      for (bool zone3 : {true, false})
        for (double cm : {0.0, 117.0}) {
          const TPlanePoint whole = GeoToPlane(*e, p, zone3, cm);
          const TPlanePoint split =
              ForwardFromTerms(ForwardLatitudeTerms(*e, p.Lat),
                               ForwardMeridianTerms(DmsToDeg(p.Lon), MakeZoneParams(zone3, cm)));
          ASSERT_EQ(whole, split);
        }
  }
}

TEST(GaussKruger, AgreesWithProjWithinThreeMillimetres) {
  struct System { const Ellipsoid* e; const char* ellps; } systems[] = {
      {&kBeijing54, "krass"}, {&kXian80, "IAU76"}};
  std::mt19937_64 rng(54);
  double worst = 0;
  for (const auto& s : systems) {
    for (bool zone3 : {true, false}) {
      const double half = zone3 ? 1.5 : 3.0;
      for (double cm : {75.0, 99.0, 117.0, 120.0, 135.0}) {
        const ProjTmerc proj(s.ellps, cm, FalseEasting(zone3, cm));
        ASSERT_TRUE(proj.ok());
        std::uniform_real_distribution<double> dl(-half, half), lat(18, 54);
        for (int i = 0; i < 400; ++i) {
          const double L = cm + dl(rng), B = lat(rng);
          const TPlanePoint ours = GeoToPlane(*s.e, Point(L, B), zone3, cm);
          // Compare on the angle that our point really stands for.
          const TLonLatDMS p = Point(L, B);
          const PJ_COORD ref = proj.Forward(DmsToDeg(p.Lon), DmsToDeg(p.Lat));
          const double dx = std::abs(ours.X - ref.xy.x), dy = std::abs(ours.Y - ref.xy.y);
          worst = std::max({worst, dx, dy});
          ASSERT_LT(dx, 0.003) << s.ellps << " L=" << L << " B=" << B << " cm=" << cm;
          ASSERT_LT(dy, 0.003) << s.ellps << " L=" << L << " B=" << B << " cm=" << cm;
        }
      }
    }
  }
  RecordProperty("worst_difference_m", std::to_string(worst));
  std::printf("largest difference to PROJ: %.6f m\n", worst);
}

TEST(GaussKruger, RoundTrips) {
  // Xi'an 1980 comes back within about 1e-8 degrees; Beijing 1954, whose
  // footpoint polynomial is shorter, within about 2e-5 degrees of latitude at
  // 40° N.
  struct Case { double L, B, cm; bool zone3; } cases[] = {
      {117, 40, 117, true}, {116.2, 40, 117, true}, {118.4, 40, 117, true},
      {114.5, 40, 117, false}, {119.9, 40, 117, false}, {105.3, 39.8, 105, false}};
  for (const auto& c : cases) {
    const TLonLatDMS p = Point(c.L, c.B);
    const TPlanePoint x80 = GeoToPlane80(p, c.zone3, c.cm);
    const TLonLatDMS b80 = PlaneToGeo80(x80.Y, x80.X, c.zone3, c.cm);
    EXPECT_NEAR(DmsToDeg(b80.Lon), DmsToDeg(p.Lon), 1e-8) << c.L;
    EXPECT_NEAR(DmsToDeg(b80.Lat), DmsToDeg(p.Lat), 1e-8) << c.L;

    const TPlanePoint x54 = GeoToPlane54(p, c.zone3, c.cm);
    const TLonLatDMS b54 = PlaneToGeo54(x54.Y, x54.X, c.zone3, c.cm);
    EXPECT_NEAR(DmsToDeg(b54.Lat), DmsToDeg(p.Lat), 2e-5) << c.L;
    EXPECT_NEAR(DmsToDeg(b54.Lon), DmsToDeg(p.Lon), 2e-5) << c.L;
  }
  // The worked inverse: the meridian arc at 40° on Beijing 1954 comes back as
  // 117°0′0″ and about 39°59′59.96″.
  const TLonLatDMS r = PlaneToGeo54(4429607.368, 39500000, true, 117);
  EXPECT_EQ(r.Lon, (TAngleDMS{117, 0, 0}));
  EXPECT_EQ(r.Lat.Degrees, 39);
  EXPECT_EQ(r.Lat.Minutes, 59);
  EXPECT_NEAR(r.Lat.Seconds, 59.96, 0.02);
}

// The inverse written out from its formulas, with π of type Pi in the two
// formulas that divide by it; the named quantities are doubles, and each
// formula with π is formed in Pi's precision and rounded once.
template <typename Pi>
TLonLatDMS InverseWithPi(const Ellipsoid& e, double northing, double easting, bool zone3,
                         double cm, Pi pi) {
  const auto pow = [](double x, int n) {
    double r = x;
    for (int i = 1; i < n; ++i) r = r * x;
    return r;
  };
  const double y = easting - ZoneNumber(zone3, cm) * 1000000.0 - 500000.0;
  const double u = northing / 1000000.0 - 3.0;
  double Bf = (e.F1 * u + e.F0) - e.F2 * pow(u, 2) - e.F3 * pow(u, 3) + e.F4 * pow(u, 4);
  if (e.hasF56) Bf = Bf + e.F5 * pow(u, 5) - e.F6 * pow(u, 6);
  const double bf = DegToRad(Bf);
  const double tf = std::tan(bf), cosbf = std::cos(bf);
  const double etaf2 = (cosbf * e.ep2) * cosbf;
  const double D = std::sqrt(1.0 + etaf2) * y / e.c;
  const double tf2 = pow(tf, 2), tf4 = pow(tf, 4);
  const double P = 90.0 * pow(D, 2) - 7.5 * (5.0 + 3.0 * tf2 + etaf2 - 9.0 * etaf2 * tf2) * pow(D, 4) +
                   0.25 * (61.0 + 90.0 * tf2 + 45.0 * tf4) * pow(D, 6);
  const double B = static_cast<double>(Bf - static_cast<Pi>(P) * ((1 + static_cast<Pi>(etaf2)) / pi) * tf);
  const double Q = 180.0 * D - 30.0 * (1.0 + 2.0 * tf2 + etaf2) * pow(D, 3) +
                   1.5 * (5.0 + 28.0 * tf2 + 24.0 * tf4) * pow(D, 5);
  const double L = static_cast<double>(static_cast<Pi>(Q) / (pi * cosbf) + cm);
  return {DegToDms(L), DegToDms(B)};
}

TEST(GaussKruger, TheInverseHoldsPiInTheWidestType) {
  // Random plane points over China's zones; π rounded to a double changes the
  // last bit of the seconds in some of them, which the inverse must not show.
  std::mt19937_64 rng(1980);
  std::uniform_real_distribution<double> dx(-250000, 250000), north(2000000, 6000000);
  int changedByDoublePi = 0;
  for (int i = 0; i < 3000; ++i) {
    const Ellipsoid& e = i % 2 ? kXian80 : kBeijing54;
    const bool zone3 = i % 3 != 0;
    const double cm = zone3 ? 75 + 3 * (i % 21) : 75 + 6 * (i % 11);
    const double northing = north(rng);
    const double easting = ZoneNumber(zone3, cm) * 1000000.0 + 500000.0 + dx(rng);
    const TLonLatDMS ours = PlaneToGeo(e, northing, easting, zone3, cm);
    ASSERT_EQ(ours, InverseWithPi(e, northing, easting, zone3, cm, kPiLong))
        << northing << " " << easting << " " << cm;
    if (!(InverseWithPi(e, northing, easting, zone3, cm, kPi) == ours)) ++changedByDoublePi;
  }
  // The comparison above can tell the two apart.
  EXPECT_GT(changedByDoublePi, 0);
  std::printf("inverses whose seconds differ with a double π: %d of 3000\n", changedByDoublePi);
}

}  // namespace
}  // namespace karvento
