// SPDX-License-Identifier: Apache-2.0
// The datum transformations against PROJ's own operations with the same
// parameters, and the solution from common points made here with known
// parameters.
#include "geodesy/transform.h"

#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <random>
#include <string>

#include "geodesy/projection.h"

namespace karvento {
namespace {

class Proj {
 public:
  explicit Proj(const std::string& def) : pj_(proj_create(PJ_DEFAULT_CTX, def.c_str())) {}
  ~Proj() { proj_destroy(pj_); }
  Proj(const Proj&) = delete;
  Proj& operator=(const Proj&) = delete;
  bool ok() const { return pj_ != nullptr; }
  PJ_COORD Run(double a, double b, double c, bool inverse = false) const {
    return proj_trans(pj_, inverse ? PJ_INV : PJ_FWD, proj_coord(a, b, c, 0));
  }

 private:
  PJ* pj_;
};

// Parameters of the size that Beijing 1954 to CGCS2000 takes in north China.
BursaParams Typical(RotationConvention c) {
  return {-15.415, 150.296, 72.452, 1.218, -0.804, 2.537, -3.113, c};
}

std::string HelmertDef(const BursaParams& b) {
  char def[512];
  std::snprintf(def, sizeof def,
                "+proj=helmert +x=%.17g +y=%.17g +z=%.17g +rx=%.17g +ry=%.17g +rz=%.17g +s=%.17g +convention=%s",
                b.dx, b.dy, b.dz, b.rx, b.ry, b.rz, b.ppm,
                b.convention == RotationConvention::PositionVector ? "position_vector" : "coordinate_frame");
  return def;
}

// A grid of points over China: longitudes 74° to 134° E, latitudes 18° to 53° N.
template <class F>
void OverChina(F&& f) {
  for (double lon = 74; lon <= 134; lon += 5) {
    for (double lat = 18; lat <= 53; lat += 5) f(lon, lat);
  }
}

TEST(Geocentric, EachDatumAgainstProjCartWithinAMicrometreAndRoundTrips) {
  for (const DatumInfo& d : kDatums) {
    char def[128];
    std::snprintf(def, sizeof def, "+proj=cart +a=%.17g +rf=%.17g", d.a, d.inverseFlattening);
    const Proj cart(def);
    ASSERT_TRUE(cart.ok());
    OverChina([&](double lon, double lat) {
      for (const double h : {-100.0, 0.0, 5000.0}) {
        const GeocentricPoint x = GeodeticToGeocentric(d.datum, {lon, lat, h});
        const PJ_COORD c = cart.Run(proj_torad(lon), proj_torad(lat), h);
        EXPECT_NEAR(x.X, c.xyz.x, 1e-6) << d.key << " " << lon << " " << lat;
        EXPECT_NEAR(x.Y, c.xyz.y, 1e-6);
        EXPECT_NEAR(x.Z, c.xyz.z, 1e-6);
        const GeodeticPoint back = GeocentricToGeodetic(d.datum, x);
        EXPECT_NEAR(back.lon, lon, 1e-12);
        EXPECT_NEAR(back.lat, lat, 1e-12);
        EXPECT_NEAR(back.h, h, 1e-7);
      }
    });
  }
}

TEST(Bursa, ForwardAndInverseAgainstProjHelmertBothConventions) {
  for (const RotationConvention c : {RotationConvention::PositionVector, RotationConvention::CoordinateFrame}) {
    const BursaParams b = Typical(c);
    const Proj helmert(HelmertDef(b));
    ASSERT_TRUE(helmert.ok());
    OverChina([&](double lon, double lat) {
      const GeocentricPoint x = GeodeticToGeocentric(Datum::Beijing54, {lon, lat, 0});
      const GeocentricPoint f = BursaForward(b, x);
      const PJ_COORD pf = helmert.Run(x.X, x.Y, x.Z);
      EXPECT_NEAR(f.X, pf.xyz.x, 1e-4);
      EXPECT_NEAR(f.Y, pf.xyz.y, 1e-4);
      EXPECT_NEAR(f.Z, pf.xyz.z, 1e-4);
      const GeocentricPoint i = BursaInverse(b, f);
      const PJ_COORD pi = helmert.Run(f.X, f.Y, f.Z, true);
      EXPECT_NEAR(i.X, pi.xyz.x, 1e-4);
      EXPECT_NEAR(i.Y, pi.xyz.y, 1e-4);
      EXPECT_NEAR(i.Z, pi.xyz.z, 1e-4);
    });
  }
  // The same numbers in the other convention are another transformation,
  // tens of metres away: the sign matters.
  const GeocentricPoint x = GeodeticToGeocentric(Datum::Beijing54, {116, 40, 0});
  const GeocentricPoint pv = BursaForward(Typical(RotationConvention::PositionVector), x);
  const GeocentricPoint cf = BursaForward(Typical(RotationConvention::CoordinateFrame), x);
  EXPECT_GT(std::hypot(pv.X - cf.X, pv.Y - cf.Y, pv.Z - cf.Z), 50);
}

// The library's own pipeline texts, run by PROJ, give what the library
// computes: geographic within 0.1 mm, Gauss-Krüger within the 1.2 mm by which
// PROJ's tmerc and the fixed series of Beijing 1954 differ in a zone.
TEST(Bursa, PipelinesOfEveryModelRunByProjAgreeWithTheLibrary) {
  TransformParams t;
  for (const TransformModel model : {TransformModel::Bursa7, TransformModel::Shift3}) {
    for (const RotationConvention c : {RotationConvention::PositionVector, RotationConvention::CoordinateFrame}) {
      t.model = model;
      t.bursa = Typical(c);
      if (model == TransformModel::Shift3) t.bursa.rx = t.bursa.ry = t.bursa.rz = t.bursa.ppm = 0;
      for (const bool inverse : {false, true}) {
        const Proj geo(TransformPipeline(t, inverse, false, true, 0, false));
        ASSERT_TRUE(geo.ok()) << TransformPipeline(t, inverse, false, true, 0, false);
        OverChina([&](double lon, double lat) {
          const GeodeticPoint g = TransformGeodetic(t, {lon, lat, 0}, inverse);
          const PJ_COORD p = geo.Run(lon, lat, 0);
          EXPECT_NEAR(g.lon, p.lpz.lam, 1e-9) << DescribeTransform(t);
          EXPECT_NEAR(g.lat, p.lpz.phi, 1e-9);
          EXPECT_NEAR(g.h, p.lpz.z, 1e-4);
        });
        for (const bool prefixed : {false, true}) {
          const Proj plane(TransformPipeline(t, inverse, true, true, 117, prefixed));
          ASSERT_TRUE(plane.ok());
          for (double lon = 115.6; lon <= 118.4; lon += 0.4) {
            for (double lat = 30; lat <= 46; lat += 4) {
              TPlanePoint p = GeoToPlane(inverse ? Datum::Cgcs2000 : Datum::Beijing54, {{lon, 0, 0}, {lat, 0, 0}},
                                         true, 117);
              if (!prefixed) p.X -= 39000000;
              const PJ_COORD q = plane.Run(p.X, p.Y, 0);
              ASSERT_TRUE(TransformPlanePoint(t, p, true, 117, inverse));
              EXPECT_NEAR(p.X, q.xy.x, 1.5e-3);
              EXPECT_NEAR(p.Y, q.xy.y, 1.5e-3);
            }
          }
        }
      }
    }
  }
}

TEST(Plane4, ForwardAndInverseAgainstProjTwoDimensionalHelmert) {
  TransformParams t;
  t.model = TransformModel::Plane4;
  t.zone3 = true;
  t.cm = 117;
  t.plane = {-43.217, 62.815, 3.472, 12.6};
  for (const bool prefixed : {false, true}) {
    for (const bool inverse : {false, true}) {
      const Proj p(TransformPipeline(t, inverse, true, true, 117, prefixed));
      ASSERT_TRUE(p.ok()) << TransformPipeline(t, inverse, true, true, 117, prefixed);
      for (double e = 420000; e <= 580000; e += 40000) {
        for (double n = 4300000; n <= 4500000; n += 50000) {
          TPlanePoint q{prefixed ? e + 39000000 : e, n};
          const PJ_COORD r = p.Run(q.X, q.Y, 0);
          ASSERT_TRUE(TransformPlanePoint(t, q, true, 117, inverse));
          EXPECT_NEAR(q.X, r.xy.x, 1e-4);
          EXPECT_NEAR(q.Y, r.xy.y, 1e-4);
        }
      }
    }
  }
  // The rules' form: x (north) = Δx + (1 + m)(x cos α − y sin α).
  const double k = 1 + 12.6e-6, a = 3.472 / 206264.80624709636;
  const TPlanePoint f = PlaneForward(t.plane, {500000, 4400000});
  EXPECT_NEAR(f.Y, -43.217 + k * (4400000 * std::cos(a) - 500000 * std::sin(a)), 1e-6);
  EXPECT_NEAR(f.X, 62.815 + k * (500000 * std::cos(a) + 4400000 * std::sin(a)), 1e-6);
  const TPlanePoint back = PlaneInverse(t.plane, f);
  EXPECT_NEAR(back.X, 500000, 1e-6);
  EXPECT_NEAR(back.Y, 4400000, 1e-6);
}

// Coefficients of the size a sheet shrunk unevenly gives: 30 ppm and 12 ppm
// of scale, a shear of 4″.
PlaneAffine TypicalAffine() { return {-61.2, 1 + 12e-6, 2.1e-5, 48.7, -1.9e-5, 1 - 30e-6}; }

TEST(Affine6, ForwardAndInverseAgainstProjAffine) {
  TransformParams t;
  t.model = TransformModel::Affine6;
  t.zone3 = true;
  t.cm = 117;
  t.affine = TypicalAffine();
  for (const bool prefixed : {false, true}) {
    for (const bool inverse : {false, true}) {
      const Proj p(TransformPipeline(t, inverse, true, true, 117, prefixed));
      ASSERT_TRUE(p.ok()) << TransformPipeline(t, inverse, true, true, 117, prefixed);
      for (double e = 420000; e <= 580000; e += 40000) {
        for (double n = 4300000; n <= 4500000; n += 50000) {
          TPlanePoint q{prefixed ? e + 39000000 : e, n};
          const PJ_COORD r = p.Run(q.X, q.Y, 0);
          ASSERT_TRUE(TransformPlanePoint(t, q, true, 117, inverse));
          EXPECT_NEAR(q.X, r.xy.x, 1e-4);
          EXPECT_NEAR(q.Y, r.xy.y, 1e-4);
        }
      }
    }
  }
  // The rules' form, x the northing: x' = a0 + a1 x + a2 y.
  const PlaneAffine a = TypicalAffine();
  const TPlanePoint f = AffineForward(a, {500000, 4400000});
  EXPECT_NEAR(f.Y, a.a0 + a.a1 * 4400000 + a.a2 * 500000, 1e-6);
  EXPECT_NEAR(f.X, a.b0 + a.b1 * 4400000 + a.b2 * 500000, 1e-6);
  const TPlanePoint back = AffineInverse(a, f);
  EXPECT_NEAR(back.X, 500000, 1e-6);
  EXPECT_NEAR(back.Y, 4400000, 1e-6);
}

// ---- Solving ----------------------------------------------------------------

// n × n common points over about a degree around (116.5°, 39.9°), their
// targets made with t, heights 0 to 800 m (or none), noise of sigma metres
// on each target coordinate.
std::vector<GeodeticCommonPoint> Synthetic(const TransformParams& t, int n, double sigma, bool heights,
                                           unsigned seed = 7) {
  std::mt19937 random(seed);
  std::normal_distribution<double> noise(0, sigma);
  std::vector<GeodeticCommonPoint> points;
  for (int i = 0; i < n; ++i) {
    for (int j = 0; j < n; ++j) {
      GeodeticCommonPoint c;
      c.name = "P" + std::to_string(points.size() + 1);
      c.source = {116 + 1.0 * i / (n - 1) + 0.01 * j, 39.4 + 1.0 * j / (n - 1), heights ? 100.0 * ((i * 3 + j) % 9) : 0};
      GeocentricPoint x = BursaForward(t.bursa, GeodeticToGeocentric(t.source, c.source));
      x.X += noise(random);
      x.Y += noise(random);
      x.Z += noise(random);
      c.target = GeocentricToGeodetic(t.target, x);
      points.push_back(c);
    }
  }
  return points;
}

std::vector<double> Values(const TransformParams& t) {
  if (t.model == TransformModel::Plane4) return {t.plane.dNorth, t.plane.dEast, t.plane.rotation, t.plane.ppm};
  if (t.model == TransformModel::Affine6) return {t.affine.a0, t.affine.a1, t.affine.a2, t.affine.b0, t.affine.b1, t.affine.b2};
  const BursaParams& b = t.bursa;
  if (t.model == TransformModel::Shift3) return {b.dx, b.dy, b.dz};
  return {b.dx, b.dy, b.dz, b.rx, b.ry, b.rz, b.ppm};
}

void ExpectSolvedBack(const TransformSolution& s, const TransformParams& truth) {
  ASSERT_TRUE(s.refusal.Empty()) << s.refusal;
  const std::vector<double> got = Values(s.params), want = Values(truth);
  ASSERT_EQ(s.standardErrors.size(), want.size());
  for (std::size_t i = 0; i < want.size(); ++i) {
    // Within three standard errors, and the errors are real ones.
    EXPECT_NEAR(got[i], want[i], 3 * s.standardErrors[i]) << "parameter " << i << " of " << DescribeTransform(s.params);
    EXPECT_GT(s.standardErrors[i], 0);
  }
  EXPECT_NEAR(s.sigma0, 0.01, 0.004);
}

TEST(Solve, SyntheticPointsWithOneCentimetreNoiseSolveBackWithinTheirStandardErrors) {
  for (const RotationConvention c : {RotationConvention::PositionVector, RotationConvention::CoordinateFrame}) {
    TransformParams truth;
    truth.bursa = Typical(c);
    const TransformSolution s =
        SolveBursa(Synthetic(truth, 5, 0.01, true), truth.source, truth.target, TransformModel::Bursa7, c);
    ExpectSolvedBack(s, truth);
    EXPECT_EQ(s.params.bursa.convention, c);
    EXPECT_EQ(s.redundancy, 3 * 25 - 7);
    EXPECT_EQ(s.residuals.size(), 25u);
    EXPECT_TRUE(s.rejected.empty());
  }
  TransformParams shift;
  shift.model = TransformModel::Shift3;
  shift.bursa = {-15.4, 150.3, 72.5, 0, 0, 0, 0, RotationConvention::PositionVector};
  ExpectSolvedBack(SolveBursa(Synthetic(shift, 4, 0.01, false), shift.source, shift.target, TransformModel::Shift3,
                              RotationConvention::PositionVector),
                   shift);

  // Plane4: targets made with the model on zone 39 (117°), eastings with the
  // zone number on one side only, as offices mix them.
  // Affine6 the same way.
  for (const TransformModel model : {TransformModel::Plane4, TransformModel::Affine6}) {
    TransformParams plane;
    plane.model = model;
    plane.zone3 = true;
    plane.cm = 117;
    plane.plane = {-43.217, 62.815, 3.472, 12.6};
    plane.affine = TypicalAffine();
    std::mt19937 random(11);
    std::normal_distribution<double> noise(0, 0.01);
    std::vector<PlaneCommonPoint> points;
    for (int i = 0; i < 6; ++i) {
      for (int j = 0; j < 6; ++j) {
        const TPlanePoint s{470000.0 + 12000 * i, 4380000.0 + 10000 * j};
        TPlanePoint t = model == TransformModel::Plane4 ? PlaneForward(plane.plane, s) : AffineForward(plane.affine, s);
        t.X += noise(random) + 39000000;
        t.Y += noise(random);
        points.push_back({"Q" + std::to_string(i * 6 + j), s, t});
      }
    }
    const TransformSolution s = SolvePlane(points, model, Datum::Beijing54, Datum::Cgcs2000, true, 117);
    ExpectSolvedBack(s, plane);
    EXPECT_EQ(s.redundancy, model == TransformModel::Plane4 ? 2 * 36 - 4 : 2 * 36 - 6);
    EXPECT_EQ(s.params.model, model);
  }
}

TEST(Solve, AnOutlierOfOneMetreIsFoundAndRejectedByName) {
  TransformParams truth;
  truth.bursa = Typical(RotationConvention::PositionVector);
  std::vector<GeodeticCommonPoint> points = Synthetic(truth, 4, 0.01, true);
  points[5].target.lat += 1.0 / 111000;  // a metre north
  const TransformSolution plain =
      SolveBursa(points, truth.source, truth.target, TransformModel::Bursa7, RotationConvention::PositionVector);
  ASSERT_TRUE(plain.refusal.Empty());
  EXPECT_GT(plain.sigma0, 0.1);
  EXPECT_TRUE(plain.rejected.empty());
  const TransformSolution s =
      SolveBursa(points, truth.source, truth.target, TransformModel::Bursa7, RotationConvention::PositionVector, 3);
  ASSERT_EQ(s.rejected, std::vector<std::string>{"P6"});
  EXPECT_TRUE(s.residuals[5].rejected);
  EXPECT_NEAR(s.residuals[5].north, 1, 0.05);
  ExpectSolvedBack(s, truth);
  EXPECT_EQ(s.redundancy, 3 * 15 - 7);
}

TEST(Solve, RefusalsSayWhy) {
  TransformParams truth;
  truth.bursa = Typical(RotationConvention::PositionVector);
  const auto pv = RotationConvention::PositionVector;
  std::vector<GeodeticCommonPoint> points = Synthetic(truth, 3, 0.01, false);
  struct Case {
    const char* what;
    std::vector<GeodeticCommonPoint> points;
    const char* says;
  };
  std::vector<Case> cases;
  cases.push_back({"two points", {points[0], points[1]}, "至少 3 个点，只给了 2 个"});
  // Three points along one meridian: the rotation about it is free.
  cases.push_back({"on a line", {points[0], points[1], points[2]}, "一条直线上"});
  std::vector<GeodeticCommonPoint> swapped = points;
  std::swap(swapped[4].source.lon, swapped[4].source.lat);
  cases.push_back({"longitude and latitude swapped", swapped, "经度和纬度似乎互换了"});
  std::vector<GeodeticCommonPoint> far = points;
  far[2].target.lat += 0.05;  // 5.5 km
  cases.push_back({"another point", far, "相距 5"});
  std::vector<GeodeticCommonPoint> abroad = points;
  abroad[1].source.lon = 20;
  cases.push_back({"outside China", abroad, "不在我国范围内"});
  for (const Case& c : cases) {
    const TransformSolution s = SolveBursa(c.points, truth.source, truth.target, TransformModel::Bursa7, pv);
    EXPECT_NE(s.refusal.Text().find(c.says), std::string::npos) << c.what << ": " << s.refusal;
  }

  // Plane coordinates with X and Y the Chinese way round (X north).
  std::vector<PlaneCommonPoint> plane;
  for (const GeodeticCommonPoint& g : points) {
    const TPlanePoint s = GeoToPlane(Datum::Beijing54, {{g.source.lon, 0, 0}, {g.source.lat, 0, 0}}, true, 117);
    const TPlanePoint t = GeoToPlane(Datum::Cgcs2000, {{g.target.lon, 0, 0}, {g.target.lat, 0, 0}}, true, 117);
    plane.push_back({g.name, s, t});
  }
  EXPECT_EQ(SolvePlane4(plane, Datum::Beijing54, Datum::Cgcs2000, true, 117).refusal, "");
  std::vector<PlaneCommonPoint> chinese = plane;
  for (PlaneCommonPoint& p : chinese) std::swap(p.target.X, p.target.Y);
  EXPECT_NE(SolvePlane4(chinese, Datum::Beijing54, Datum::Cgcs2000, true, 117).refusal.Text().find("X 和 Y 似乎互换了"),
            std::string::npos);
  std::vector<GeodeticCommonPoint> geodetic;
  EXPECT_NE(PlaneToGeodeticCommonPoints(chinese, Datum::Beijing54, Datum::Cgcs2000, true, 117, geodetic)
                .Text()
                .find("点“P1”的 X 和 Y 似乎互换了"),
            std::string::npos);
  // Another zone's coordinates are not on these datums' zone 39 planes.
  EXPECT_NE(SolvePlane4(plane, Datum::Beijing54, Datum::Cgcs2000, true, 111).refusal.Text().find("不在"), std::string::npos);
  EXPECT_NE(SolvePlane4({plane[0]}, Datum::Beijing54, Datum::Cgcs2000, true, 117).refusal.Text().find("至少 2 个点"),
            std::string::npos);
  EXPECT_NE(SolveAffine6({plane[0], plane[1]}, Datum::Beijing54, Datum::Cgcs2000, true, 117).refusal.Text().find("至少 3 个点"),
            std::string::npos);
  // Points 1 to 3 lie along one meridian: Plane4 takes them, Affine6 cannot.
  const std::vector<PlaneCommonPoint> line{plane[0], plane[1], plane[2]};
  EXPECT_EQ(SolvePlane4(line, Datum::Beijing54, Datum::Cgcs2000, true, 117).refusal, "");
  EXPECT_NE(SolveAffine6(line, Datum::Beijing54, Datum::Cgcs2000, true, 117).refusal.Text().find("一条直线上"),
            std::string::npos);
}

// ---- Heights ---------------------------------------------------------------

// A point H above the ellipsoid moved as if it lay on it: the plane error the
// header states (1.7 cm at most at 1000 m for parameters of this size).
TEST(Heights, LeavingOutAThousandMetresMovesThePlanePositionByCentimetres) {
  TransformParams t;
  t.bursa = Typical(RotationConvention::PositionVector);
  double most = 0;
  OverChina([&](double lon, double lat) {
    const GeodeticPoint low = TransformGeodetic(t, {lon, lat, 0});
    const GeodeticPoint high = TransformGeodetic(t, {lon, lat, 1000});
    const double m = 6371000 * kPi / 180;
    most = std::max(most, std::hypot((high.lat - low.lat) * m, (high.lon - low.lon) * m * std::cos(lat * kPi / 180)));
  });
  std::printf("1000 m of height left out: %.1f mm at most over China\n", most * 1000);
  EXPECT_GT(most, 0.01);
  EXPECT_LT(most, 0.017);
}

// ---- Parameter files --------------------------------------------------------

TEST(ParameterFile, EveryModelReadsBackBitForBitAndBadTextsAreRefused) {
  TransformParams seven;
  seven.bursa = Typical(RotationConvention::CoordinateFrame);
  seven.bursa.dx = 0.1 + 0.2;  // a double with no short decimal form
  TransformParams three;
  three.model = TransformModel::Shift3;
  three.source = Datum::Xian80;
  three.bursa.dx = 12;
  TransformParams four;
  four.model = TransformModel::Plane4;
  four.zone3 = false;
  four.cm = 117;
  four.plane = {-43.217, 62.815, 3.472, 12.6};
  TransformParams six;
  six.model = TransformModel::Affine6;
  six.cm = 114;
  six.affine = TypicalAffine();
  for (const TransformParams& t : {seven, three, four, six}) {
    const std::string text = FormatTransformParams(t, "from 12 points\nsigma0 0.012 m");
    TransformParams back;
    ASSERT_EQ(ParseTransformParams(text, back), "") << text;
    EXPECT_EQ(FormatTransformParams(back, "from 12 points\nsigma0 0.012 m"), text);
    EXPECT_EQ(DescribeTransform(back), DescribeTransform(t));
  }
  TransformParams back;
  ASSERT_EQ(ParseTransformParams(FormatTransformParams(seven), back), "");
  EXPECT_EQ(back.bursa.dx, 0.1 + 0.2);
  EXPECT_EQ(back.bursa.convention, RotationConvention::CoordinateFrame);
  const std::string good = FormatTransformParams(seven);
  auto without = [&](const std::string& key) {
    std::string s = good;
    const std::size_t at = s.find("\n" + key + " ");
    return s.erase(at + 1, s.find('\n', at + 1) - at);
  };
  struct Bad {
    std::string text, says;
  };
  const Bad bad[] = {
      {"model = bursa7\n", "karvento-transform"},
      {without("convention"), "缺少“convention”"},
      {without("rz"), "缺少“rz”"},
      {good + "theta = 1\n", "第 14 行：此模型没有“theta”"},
      {good + "dx = 1\n", "第 14 行：“dx”重复"},
      {good.substr(0, good.find("dx")) + "dx = 1,5\n", "不是数值"},
      {"karvento-transform = 1\nmodel = bursa8\n", "未知的模型"},
      {"karvento-transform = 1\nmodel = plane4\nsource = 54\ntarget = 2000\nzone = 4\n", "“zone”只能是 3 或 6"},
      {"karvento-transform = 1\nnothing here\n", "第 2 行不是“键 = 值”"},
      {"karvento-transform = 1\nmodel = affine6\nsource = 54\ntarget = 2000\nzone = 3\ncm = 117\n"
       "a0 = 0\na1 = 1\na2 = 2\nb0 = 0\nb1 = 0.5\nb2 = 1\n", "没有逆变换"},
  };
  for (const Bad& b : bad) {
    TransformParams t = three;
    const std::string r = ParseTransformParams(b.text, t).Text();
    EXPECT_NE(r.find(b.says), std::string::npos) << b.text << "\n→ " << r;
    EXPECT_EQ(DescribeTransform(t), DescribeTransform(three)) << "a refused text leaves the parameters alone";
  }
}

// ---- The corner method -------------------------------------------------------

// At the centre of every sheet of a block, the bilinear interpolation of the
// four corners' shifts against the direct model: the figures below are what
// the interpolation implies for typical 54 → 2000 parameters (the shift's
// curvature over a sheet). Points on either side of a sheet line get the same
// shift: no seam.
TEST(Corners, SheetCentresAgreeWithTheDirectModelAndSheetLinesHaveNoSeam) {
  TransformParams t;
  t.bursa = Typical(RotationConvention::PositionVector);
  struct Scale {
    const char* name;
    double stepLon, stepLat, most;
  };
  for (const Scale& s : {Scale{"1:1万", 225, 150, 0.00005}, Scale{"1:5万", 900, 600, 0.0005}}) {
    double worst = 0;
    for (double lonSec = 115.5 * 3600; lonSec < 118.5 * 3600; lonSec += 7 * s.stepLon) {
      for (double latSec = 30 * 3600; latSec < 46 * 3600; latSec += 11 * s.stepLat) {
        const double lon = (std::floor(lonSec / s.stepLon) + 0.5) * s.stepLon / 3600;
        const double lat = (std::floor(latSec / s.stepLat) + 0.5) * s.stepLat / 3600;
        const TPlanePoint start = GeoToPlane(Datum::Beijing54, {{lon, 0, 0}, {lat, 0, 0}}, true, 117);
        TPlanePoint direct = start, corners = start;
        ASSERT_TRUE(TransformPlanePoint(t, direct, true, 117));
        ASSERT_TRUE(TransformByCorners(t, corners, true, 117, s.stepLon, s.stepLat));
        worst = std::max(worst, std::hypot(direct.X - corners.X, direct.Y - corners.Y));
      }
    }
    EXPECT_LT(worst, s.most) << s.name;
    std::printf("corner method at %s: %.3f mm at most at sheet centres\n", s.name, worst * 1000);
    // Across the sheet line at 117° 30′ and along the parallel at 40°.
    for (const double lat : {39.93, 39.97}) {
      const double line = 117.5;
      TPlanePoint west = GeoToPlane(Datum::Beijing54, {{line - 1e-9, 0, 0}, {lat, 0, 0}}, true, 117);
      TPlanePoint east = GeoToPlane(Datum::Beijing54, {{line + 1e-9, 0, 0}, {lat, 0, 0}}, true, 117);
      const double gap = east.X - west.X;
      ASSERT_TRUE(TransformByCorners(t, west, true, 117, s.stepLon, s.stepLat));
      ASSERT_TRUE(TransformByCorners(t, east, true, 117, s.stepLon, s.stepLat));
      EXPECT_NEAR(east.X - west.X, gap, 1e-6) << s.name;
      EXPECT_NEAR(east.Y - west.Y, 0, 1e-6) << s.name;
    }
  }
}

}  // namespace
}  // namespace karvento
