// SPDX-License-Identifier: Apache-2.0
// The repair of an area read from a file: what is kept, what each kind of
// invalid ring becomes, and that what comes out is itself valid.
#include <gtest/gtest.h>

#include <cmath>
#include <ctime>
#include <string>
#include <utility>
#include <vector>

#include "numbering/area_repair.h"

namespace karvento {
namespace {

GeoRing Square(double w, double s, double size) { return {{w, s}, {w + size, s}, {w + size, s + size}, {w, s + size}}; }

GeoMultiPolygon One(GeoRing ring) { return {GeoPolygon{{std::move(ring)}}}; }

// The area of an area, holes subtracted, whatever the rings' orientation.
double AreaOf(const GeoMultiPolygon& area) {
  double sum = 0;
  for (const GeoPolygon& p : area) {
    for (std::size_t r = 0; r < p.rings.size(); ++r) {
      double twice = 0;
      const GeoRing& ring = p.rings[r];
      for (std::size_t i = 0; i < ring.size(); ++i) {
        const GeoPoint& u = ring[i];
        const GeoPoint& v = ring[(i + 1) % ring.size()];
        twice += u.lon * v.lat - v.lon * u.lat;
      }
      sum += (r == 0 ? 1 : -1) * std::abs(twice) / 2;
    }
  }
  return sum;
}

std::size_t RingCount(const GeoMultiPolygon& area) {
  std::size_t n = 0;
  for (const GeoPolygon& p : area) n += p.rings.size();
  return n;
}

bool Same(const GeoMultiPolygon& a, const GeoMultiPolygon& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].rings != b[i].rings) return false;
  }
  return true;
}

TEST(SettleArea, EachKindOfAreaAndWhatItBecomes) {
  const GeoRing twice = [] {
    GeoRing r = Square(116, 39, 1);
    const GeoRing again = r;
    r.insert(r.end(), again.begin(), again.end());
    return r;
  }();
  struct Case {
    const char* name;
    GeoMultiPolygon area;
    double squareDegrees;  // 0: nothing is left
    std::size_t polygons, rings;
    bool repaired, merged;
  } cases[] = {
      // Valid: kept as given, bit for bit (checked below).
      {"a square with a hole holding an island, and a square beside it",
       {{{Square(116, 39, 3), Square(117, 40, 1)}}, {{Square(117.25, 40.25, 0.5)}}, {{Square(120, 39, 1)}}},
       9 - 1 + 0.25 + 1, 3, 4, false, false},
      {"a hole touching its outer ring at a vertex", {{{Square(116, 39, 2), {{116, 39}, {117, 40}, {117.5, 39.5}}}}},
       4 - 0.5, 1, 2, false, false},
      {"a triangle's corner on a square's edge", {{{Square(116, 39, 1)}}, One({{117, 39.5}, {118, 39}, {118, 40}})[0]},
       1.5, 2, 2, false, false},
      {"two squares meeting at a corner", {{{Square(116, 39, 1)}}, {{Square(117, 40, 1)}}}, 2, 2, 2, false, false},
      // Repaired: every lobe kept.
      {"a bow-tie", One({{116, 39}, {118, 41}, {118, 39}, {116, 41}}), 2, 2, 2, true, true},
      {"a figure-eight through one vertex",
       One({{116, 39}, {117, 39}, {117, 40}, {118, 40}, {118, 41}, {117, 41}, {117, 40}, {116, 40}}), 2, 2, 2, true,
       true},
      // The part of the hole outside the square is area; the two pieces meet at two points.
      {"a hole crossing its outer ring", {{{Square(116, 39, 4), Square(119, 40, 2)}}},
       16, 2, 2, true, true},
      {"a hole outside its outer ring", {{{Square(116, 39, 1), Square(118, 39, 1)}}}, 2, 2, 2, true, true},
      {"a ring traced twice", One(twice), 1, 1, 1, true, true},
      {"a square with a zero-width spike",
       One({{116, 39}, {117, 39}, {117, 39.5}, {118, 39.5}, {117, 39.5}, {117, 40}, {116, 40}}), 1, 1, 1, true, true},
      // Merged.
      {"two overlapping squares", {{{Square(116, 39, 1)}}, {{Square(116.5, 39.5, 1)}}}, 1.75, 1, 1, false, true},
      {"two squares sharing an edge", {{{Square(116, 39, 1)}}, {{Square(117, 39, 1)}}}, 2, 1, 1, false, true},
      {"two squares sharing part of an edge", {{{Square(116, 39, 1)}}, {{Square(117, 39.5, 0.5)}}}, 1.25, 1, 1,
       false, true},
      {"a square inside another", {{{Square(116, 39, 3)}}, {{Square(117, 40, 1)}}}, 9, 1, 1, false, true},
      {"a square filling another's hole", {{{Square(116, 39, 3), Square(117, 40, 1)}}, {{Square(117, 40, 1)}}}, 9,
       1, 1, false, true},
      {"the same square twice", {{{Square(116, 39, 1)}}, {{Square(116, 39, 1)}}}, 1, 1, 1, false, true},
      // Refused later by the domain check, never repaired.
      {"a bow-tie at 1e10°", One({{1e10, 0}, {2e10, 1e10}, {2e10, 0}, {1e10, 1e10}}), 0, 1, 1, false, false},
      // Nothing left.
      {"three points on a line", One({{116, 39}, {116.5, 39}, {117, 39}}), 0, 0, 0, true, true},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const SettledArea s = SettleArea(c.area);
    EXPECT_EQ(s.repaired, c.repaired);
    EXPECT_EQ(s.merged, c.merged);
    EXPECT_NEAR(AreaOf(s.area), c.squareDegrees, 1e-12);
    EXPECT_EQ(s.area.size(), c.polygons);
    EXPECT_EQ(RingCount(s.area), c.rings);
    if (!c.merged) {
      EXPECT_TRUE(Same(s.area, c.area));
    }
    // What comes out is valid: kept as it is by a second repair.
    if (s.area.empty()) continue;
    const SettledArea again = SettleArea(s.area);
    EXPECT_FALSE(again.merged);
    EXPECT_TRUE(Same(again.area, s.area));
  }
}

// Parcels in one long row: valid as they are (each with a hole), kept; or
// each overlapping its neighbour, merged pair by pair. Each ring's nesting,
// and each face's cover, is found without crossing every polygon west of it.
// About 0.1 s and 0.2 s of processor time here; the bound, far above them,
// catches work that grows with the square of the row (7 s and 35 s here
// before).
TEST(SettleArea, LongRowsOfParcelsTakeTimeLinearInTheirLength) {
  GeoMultiPolygon valid, overlapping;
  constexpr int kParcels = 20000;
  for (int i = 0; i < kParcels; ++i) {
    const double w = 73 + i * 0.003;
    valid.push_back(GeoPolygon{{Square(w, 39, 0.002), Square(w + 0.0005, 39.0005, 0.001)}});
    overlapping.push_back(GeoPolygon{{Square(w, 39, 0.002)}});
    overlapping.push_back(GeoPolygon{{Square(w + 0.001, 39.001, 0.0015)}});
  }
  for (const bool repair : {false, true}) {
    SCOPED_TRACE(repair ? "overlapping" : "valid");
    const GeoMultiPolygon& row = repair ? overlapping : valid;
    const std::clock_t start = std::clock();
    const SettledArea s = SettleArea(row);
    const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
    EXPECT_EQ(s.merged, repair);
    if (repair) {
      ASSERT_EQ(s.area.size(), static_cast<std::size_t>(kParcels));
      // 0.002² + 0.0015² less their overlap of 0.001² per pair.
      EXPECT_NEAR(AreaOf(s.area), kParcels * 5.25e-6, 1e-9 * kParcels);
    } else {
      EXPECT_TRUE(Same(s.area, row));
    }
#if defined(__SANITIZE_ADDRESS__) || !defined(NDEBUG)
    EXPECT_LT(seconds, 20);
#else
    EXPECT_LT(seconds, 3);
#endif
  }
}

}  // namespace
}  // namespace karvento
