// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>
#include <random>
#include <string>

#include "geodesy/gauss_kruger.h"
#include "geodesy/projection.h"
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
  // An easting typed without its zone number gets it before the inverse; one
  // with it stays, also 600 km west of the meridian (38900000), which is
  // nearer the meridian read with the prefix than without.
  struct Prefix { double easting; bool zone3; double cm, full; } prefixes[] = {
      {500000, true, 117, 39500000}, {39500000, true, 117, 39500000},
      {500000, false, 117, 20500000}, {39000000, true, 117, 39000000}, {39000001, true, 117, 39000001},
      {38900000, true, 117, 38900000}, {19900000, true, 117, 58900000},
      {14000000, false, 117, 14000000}, {-400000, true, 117, 38600000}};
  for (const auto& p : prefixes) EXPECT_EQ(EastingWithZonePrefix(p.easting, p.zone3, p.cm), p.full);
  // A meridian of its own takes the number of the standard zone that holds
  // it, its west boundary included; the forward and the inverse read the
  // same number.
  struct Own { bool zone3; double cm, number; } own[] = {
      {true, 118.5, 40}, {true, 116, 39}, {true, 117.5, 39}, {true, 115.5, 39}, {true, 115.4, 38},
      {false, 118.5, 20}, {false, 114, 20}, {false, 113.9, 19}, {false, 117.5, 20}};
  for (const auto& o : own) {
    EXPECT_EQ(ZoneNumber(o.zone3, o.cm), o.number) << o.cm;
    const ZoneParams z = MakeZoneParams(o.zone3, o.cm);
    EXPECT_EQ(z.number, o.number);
    EXPECT_EQ(z.falseEasting, o.number * 1000000 + 500000);
  }
}

// Every whole and half-degree meridian of 72°–136° E, on each datum and zone
// width: a point 1° either side of the meridian goes to the plane and back
// within 1 mm, and the plane point carries the meridian's zone number.
TEST(GaussKruger, EveryMeridianRoundTripsOnItsOwnZoneNumber) {
  int checked = 0;
  for (const Datum datum : {Datum::Beijing54, Datum::Xian80, Datum::Cgcs2000}) {
    for (const bool zone3 : {true, false}) {
      for (double cm = 72; cm <= 136; cm += 0.5) {
        for (const double dl : {-1.25, -0.4, 0.0, 0.7, 1.4}) {
          const TLonLatDMS p = Point(cm + dl, 39.9);
          const TPlanePoint x = GeoToPlane(datum, p, zone3, cm);
          EXPECT_EQ(std::trunc(x.X / 1000000), ZoneNumber(zone3, cm)) << cm;
          const TLonLatDMS back = PlaneToGeo(datum, x.Y, x.X, zone3, cm);
          const TPlanePoint again = GeoToPlane(datum, back, zone3, cm);
          EXPECT_NEAR(again.X, x.X, 0.001) << DatumInfoOf(datum).key << " " << zone3 << " " << cm;
          EXPECT_NEAR(again.Y, x.Y, 0.001) << cm;
          EXPECT_NEAR(DmsToDeg(back.Lon), cm + dl, 1e-8) << cm;
          ++checked;
        }
      }
    }
  }
  EXPECT_EQ(checked, 3 * 2 * 129 * 5);
}

// A sheet's corners share one zone: the request's, or without a central
// meridian the zone that holds the whole sheet, a boundary on its east edge
// included. A sheet across zones keeps each corner on its own zone.
TEST(GaussKruger, TheZoneOfASheet) {
  struct Case { bool zone3; double west, east, cm; } cases[] = {
      {false, 113.75, 114, 111},      // I-49-144-D: 114° is the east edge of its zone
      {false, 114, 114.25, 117},      // the sheet east of it
      {true, 118.25, 118.5, 117},     // a 3-degree boundary at 118.5
      {true, 118.5, 118.75, 120},
      {true, 114, 120, std::nan("")}, // a 1:100万 sheet over two 3-degree zones
      {false, 114, 120, 117},         // the same sheet in one 6-degree zone
  };
  for (const auto& c : cases) {
    const ZoneParams z = SheetZone(MakeZoneParams(c.zone3, 0), c.west, c.east);
    if (std::isnan(c.cm)) {
      EXPECT_EQ(z.cm, 0) << c.west;
    } else {
      EXPECT_EQ(z.cm, c.cm) << c.west;
      EXPECT_EQ(z.number, 0);
      EXPECT_EQ(z.falseEasting, 500000);
    }
    EXPECT_EQ(CommonZoneMeridian(c.west, c.east, c.zone3) == c.cm, !std::isnan(c.cm));
  }
  // A named meridian is the zone of every sheet.
  EXPECT_EQ(SheetZone(MakeZoneParams(true, 118.5), 100, 101).cm, 118.5);
  // All four corners of I-49-144-D on the zone of 111° (the 114° corners no
  // longer 540 km off in the zone of 117°), the same as its west neighbour's
  // east corners.
  const auto corners = SheetCorners(Datum::Beijing54, Point(113.75, 32), Point(114, 31.8), false, 0);
  EXPECT_NEAR(corners[1].X - corners[0].X, 23600, 200);
  const ZoneParams zone111{false, 111, 0, 500000};
  EXPECT_EQ(corners[1], GeoToPlane(Datum::Beijing54, Point(114, 32), zone111));
  EXPECT_NEAR(corners[1].X, GeoToPlane(Datum::Beijing54, Point(114, 32), false, 111).X - 19000000, 1e-6);
  EXPECT_EQ(corners[0], GeoToPlane(Datum::Beijing54, Point(113.75, 32), false, 0));
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
  // Both systems come back within 1e-11 degrees (the inverse solves the
  // forward series), near the meridian, at a zone's edge, 600 km west of the
  // meridian (an easting below the zone prefix) and 25° out.
  struct Case { double L, B, cm; bool zone3; } cases[] = {
      {117, 40, 117, true}, {116.2, 40, 117, true}, {118.4, 40, 117, true},
      {114.5, 40, 117, false}, {119.9, 40, 117, false}, {105.3, 39.8, 105, false},
      {73.6, 53.5, 75, true}, {111, 20, 117, true}, {108, 45, 117, false}, {92, 30, 117, true}};
  for (const auto& c : cases) {
    const TLonLatDMS p = Point(c.L, c.B);
    for (const Ellipsoid* e : {&kBeijing54, &kXian80}) {
      const TPlanePoint x = GeoToPlane(*e, p, c.zone3, c.cm);
      const TLonLatDMS b = PlaneToGeo(*e, x.Y, EastingWithZonePrefix(x.X, c.zone3, c.cm), c.zone3, c.cm);
      EXPECT_NEAR(DmsToDeg(b.Lon), DmsToDeg(p.Lon), 1e-11) << c.L << " " << c.B;
      EXPECT_NEAR(DmsToDeg(b.Lat), DmsToDeg(p.Lat), 1e-11) << c.L << " " << c.B;
    }
  }
  // The worked inverse: the meridian arc at 40° on Beijing 1954 comes back as
  // 117°0′0″ and 40°0′0″ (the footpoint series alone gives 39°59′59.96″).
  const TLonLatDMS r = PlaneToGeo54(4429607.368, 39500000, true, 117);
  EXPECT_EQ(r.Lon, (TAngleDMS{117, 0, 0}));
  EXPECT_NEAR(DmsToDeg(r.Lat), 40, 1e-9);
  const TLonLatDMS s = PlaneToGeoSeries(kBeijing54, 4429607.368, 39500000, true, 117);
  EXPECT_NEAR(s.Lat.Seconds, 59.96, 0.02);
}

TEST(GaussKruger, InverseAgreesWithProjOnTheSameEllipsoid) {
  // PROJ's point of each latitude 18°–54° N and offset from the meridian comes
  // back through our inverse within 1.3 mm, as close as our forward (which
  // defines the plane coordinates) is to PROJ; the footpoint series alone was
  // 44 m off at 54° N on Beijing 1954.
  struct System { const Ellipsoid* e; const char* ellps; } systems[] = {
      {&kBeijing54, "krass"}, {&kXian80, "IAU76"}};
  double worst = 0;
  for (const auto& s : systems) {
    for (const bool zone3 : {true, false}) {
      const double cm = 117;
      const ProjTmerc proj(s.ellps, cm, FalseEasting(zone3, cm));
      ASSERT_TRUE(proj.ok());
      for (double B = 18; B <= 54; B += 4) {
        for (const double dl : {-2.9, -1.5, -0.25, 0.0, 0.7, 1.5, 2.95}) {
          if (zone3 && std::abs(dl) > 1.5) continue;
          const PJ_COORD ref = proj.Forward(cm + dl, B);
          const TLonLatDMS g = PlaneToGeo(*s.e, ref.xy.y, ref.xy.x, zone3, cm);
          // Metres on the ground: a degree of latitude is 111 km.
          const double dn = (DmsToDeg(g.Lat) - B) * 111000;
          const double de = (DmsToDeg(g.Lon) - (cm + dl)) * 111000 * std::cos(B * kPi / 180);
          const double d = std::hypot(dn, de);
          worst = std::max(worst, d);
          EXPECT_LT(d, 0.0013) << s.ellps << " B=" << B << " dl=" << dl;
        }
      }
    }
  }
  std::printf("largest distance to PROJ's point: %.6f m\n", worst);
}

TEST(GaussKruger, PlanePointsNoPointProjectsToAreRefused) {
  // Beyond the pole's northing, far beyond any zone, or not numbers: NaN.
  struct Case { double northing, easting; } cases[] = {
      {1e8, 39500000}, {-2e7, 39500000}, {4e6, 39500000 + 9e6}, {4e6, 39500000 - 9e6},
      {std::nan(""), 39500000}, {4e6, std::numeric_limits<double>::infinity()}};
  for (const auto& c : cases) {
    for (const Ellipsoid* e : {&kBeijing54, &kXian80}) {
      const TLonLatDMS g = PlaneToGeo(*e, c.northing, c.easting, true, 117);
      EXPECT_TRUE(std::isnan(g.Lon.Degrees) && std::isnan(g.Lat.Degrees)) << c.northing << " " << c.easting;
    }
  }
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
    const TLonLatDMS ours = PlaneToGeoSeries(e, northing, easting, zone3, cm);
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
