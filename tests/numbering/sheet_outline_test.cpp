// SPDX-License-Identifier: Apache-2.0
// The outline of a sheet along its true edges: exact corners, every point of
// every true edge within the tolerance, and only as many vertices as needed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "geodesy/projection.h"
#include "numbering/sheet_outline.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

TAngleDMS A(double d, double m = 0) { return {d, m, 0}; }

double ToSegment(const TPlanePoint& a, const TPlanePoint& b, const TPlanePoint& p) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double t = std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / (dx * dx + dy * dy), 0.0, 1.0);
  return std::hypot(p.X - a.X - t * dx, p.Y - a.Y - t * dy);
}

// The farthest that a point of the true edges lies from the ring, sampled
// finely along each edge against every segment of the ring.
double WorstMiss(const std::vector<TPlanePoint>& ring, Datum datum, const TMapUnionRange& r, bool zone3,
                 double cm) {
  const double w = DmsToDeg(r.West), e = DmsToDeg(r.East), s = DmsToDeg(r.South), n = DmsToDeg(r.North);
  const double edges[4][4] = {{w, n, e, n}, {e, n, e, s}, {e, s, w, s}, {w, s, w, n}};
  double worst = 0;
  for (const auto& g : edges) {
    for (int k = 0; k <= 400; ++k) {
      const double t = k / 400.0;
      const TPlanePoint p = GeoToPlane(
          datum, {TAngleDMS{g[0] + (g[2] - g[0]) * t, 0, 0}, TAngleDMS{g[1] + (g[3] - g[1]) * t, 0, 0}},
          zone3, cm);
      double best = INFINITY;
      for (std::size_t i = 0; i + 1 < ring.size(); ++i) best = std::min(best, ToSegment(ring[i], ring[i + 1], p));
      worst = std::max(worst, best);
    }
  }
  return worst;
}

TEST(SheetOutline, EveryScaleFollowsItsTrueEdgesWithExactCorners) {
  struct Case {
    Datum datum;
    TMapUnionRange area;
    ScaleIndex scale;
    bool zone3;
    double cm;
    double straightMiss;  // how far the four corners alone miss, at least
  } cases[] = {
      {Datum::Cgcs2000, {A(114), A(36), A(120), A(40)}, 0, false, 117, 4000},           // J50 1:100万
      {Datum::Beijing54, {A(114), A(36), A(120), A(40)}, 1, false, 117, 200},          // 1:50万
      {Datum::Xian80, {A(114), A(36), A(117), A(38)}, 2, false, 117, 200},             // 1:25万
      {Datum::Cgcs2000, {A(116), A(39, 40), A(116, 30), A(40)}, 4, true, 117, 5},      // 1:5万
      {Datum::Cgcs2000, {A(121, 15), A(30, 50), A(121, 30), A(31)}, 6, true, 0, 0.3},  // 1:1万 own zone
      {Datum::Beijing54, {A(87), A(43, 40), A(88), A(44)}, 4, true, 0, 5},             // far west, own zone
      {Datum::Cgcs2000, {A(126), A(50), A(126, 30), A(50, 20)}, 4, true, 123, 5},      // far off the meridian
  };
  for (const Case& c : cases) {
    TStandardMapUnions sheets;
    CreateMapUnionsOfStandard(c.area, c.scale, true, c.zone3, c.datum, c.cm, sheets);
    ASSERT_FALSE(sheets.empty());
    const TStandardMapUnion& s = sheets.front().front();
    const auto corners = PlaneOutline(c.datum, s.Range, c.zone3, c.cm, 0);
    ASSERT_EQ(corners.size(), 5u);
    EXPECT_GT(WorstMiss(corners, c.datum, s.Range, c.zone3, c.cm), c.straightMiss) << s.MapUnionNo;
    for (double tolerance : {0.01, 0.0001}) {
      const auto ring = PlaneOutline(c.datum, s.Range, c.zone3, c.cm, tolerance);
      ASSERT_GT(ring.size(), 5u);
      EXPECT_EQ(ring.front(), ring.back());
      // NW, NE, SE, SW in this order, each the sheet's own corner.
      std::size_t at = 0;
      for (int k = 0; k < 4; ++k) {
        const auto it = std::find(ring.begin() + static_cast<std::ptrdiff_t>(at), ring.end(), s.PlaneCorners[k]);
        ASSERT_NE(it, ring.end()) << s.MapUnionNo << " corner " << k;
        at = static_cast<std::size_t>(it - ring.begin());
      }
      EXPECT_LE(WorstMiss(ring, c.datum, s.Range, c.zone3, c.cm), tolerance)
          << s.MapUnionNo << " at " << tolerance << " m";
      // Not wastefully dense: a hundredth of the tolerance would need ten
      // times the vertices.
      EXPECT_LT(ring.size(), 40 + 4 * std::sqrt(c.straightMiss * 4 / tolerance)) << s.MapUnionNo;
    }
  }
}

TEST(SheetOutline, GreatCirclesBetweenGeographicVerticesStayOnTheParallel) {
  // The latitude that the great circle between two vertices reaches.
  const auto bulge = [](double lat, double dlon) {
    const double phi = lat * kPi / 180, half = dlon * kPi / 360;
    return (std::atan(std::tan(phi) / std::cos(half)) - phi) * 6.4e6;
  };
  struct Case { TMapUnionRange range; std::size_t fewest; } cases[] = {
      {{A(114), A(36), A(120), A(40)}, 500},          // 1:100万: ≈ 4 km off as a single step
      {{A(116), A(39, 40), A(116, 15), A(39, 50)}, 8},  // 1:5万
      {{A(100), A(-4), A(106), A(0)}, 50},            // south of the equator
      {{A(100), A(0), A(101), A(0, 10)}, 0},          // at the equator a parallel is a great circle
  };
  for (const Case& c : cases) {
    const auto ring = GeographicOutline(c.range, 0.01);
    ASSERT_GE(ring.size(), 5 + c.fewest);
    EXPECT_EQ(ring.front(), (TLonLat{DmsToDeg(c.range.West), DmsToDeg(c.range.North)}));
    EXPECT_EQ(ring.front(), ring.back());
    for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
      if (ring[i].Lat != ring[i + 1].Lat) {
        EXPECT_EQ(ring[i].Lon, ring[i + 1].Lon);  // a meridian: one step
        continue;
      }
      EXPECT_LE(std::abs(bulge(ring[i].Lat, ring[i + 1].Lon - ring[i].Lon)), 0.01);
    }
    EXPECT_EQ(GeographicOutline(c.range, 0).size(), 5u);
  }
}

}  // namespace
}  // namespace karvento
