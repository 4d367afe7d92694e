// SPDX-License-Identifier: Apache-2.0
// The sheet of a point and its neighbours: the edge rule (east and north),
// agreement with the sheet walk at every scale in both standards, and the
// 接合图表 across 1:100万 sheet edges and zone edges.
#include <gtest/gtest.h>

#include <random>
#include <string>

#include "numbering/point_numbers.h"
#include "numbering/sheet_grid.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

double Sec(double d, double m = 0, double s = 0) { return DmsToSec({d, m, s}); }

TEST(PointLookup, APointOnAnEdgeBelongsToTheSheetEastAndNorth) {
  struct Case {
    double lon, lat;
    ScaleIndex scale;
    bool newStandard;
    const char* number;
  };
  const Case cases[] = {
      {Sec(120), Sec(40), 0, true, "K51"},          // corner of four 1:100万 sheets
      {Sec(120), Sec(40), 0, false, "K-51"},
      {Sec(119, 59, 59.999), Sec(39, 59, 59.999), 0, true, "J50"},
      {Sec(114), Sec(0), 0, true, "A50"},           // on the equator
      {Sec(0), Sec(0), 0, true, "A31"},             // the origin of the grid
      {Sec(114), Sec(0), 6, true, "A50G096001"},
      {Sec(120), Sec(40), 6, true, "K51G096001"},
      {Sec(120), Sec(40), 3, false, "K-51-133"},
      {Sec(120), Sec(40), 7, false, "K-51-133-(57)-C"},
      {Sec(116, 28), Sec(39, 54), 6, true, "J50G003040"},  // the worked example: J-50-5-(24)
      {Sec(116, 28), Sec(39, 54), 6, false, "J-50-5-(24)"},
      {Sec(116, 3, 45), Sec(39, 57, 30), 6, true, "J50G001034"},  // a 1:1万 corner
      {Sec(116, 3, 44.9999), Sec(39, 57, 29.9999), 6, true, "J50G002033"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.number);
    const TStandardMapUnion s = SheetAtPoint(c.lon, c.lat, c.scale, c.newStandard, true, Datum::Beijing54, 0);
    EXPECT_EQ(s.MapUnionNo, c.number);
    EXPECT_LE(DmsToSec(s.Range.West), c.lon);
    EXPECT_GT(DmsToSec(s.Range.East), c.lon);
    EXPECT_LE(DmsToSec(s.Range.South), c.lat);
    EXPECT_GT(DmsToSec(s.Range.North), c.lat);
  }
}

TEST(PointLookup, RandomPointsAgreeWithTheSheetWalkAtEveryScale) {
  std::mt19937 rng(2026);
  std::uniform_real_distribution<double> lon(73 * 3600.0, 135 * 3600.0), lat(0, 54 * 3600.0);
  for (int k = 0; k < 40; ++k) {
    // Half the points on a 1:5000 grid line, where the edge rule decides.
    double x = lon(rng), y = lat(rng);
    if (k % 2) x = std::floor(x / 112.5) * 112.5, y = std::floor(y / 75) * 75;
    for (ScaleIndex scale = 0; scale < kScaleCount; ++scale) {
      for (const bool newStandard : {true, false}) {
        SCOPED_TRACE(std::to_string(x) + " " + std::to_string(y) + " scale " + std::to_string(scale));
        if (!newStandard && !HasOldStandard(scale)) {  // 1:2000 and larger: new numbers only
          EXPECT_THROW(SheetAtPoint(x, y, scale, false, false, Datum::Xian80, 0), Error);
          continue;
        }
        // The walk over a small extent around the point: exactly one of its
        // sheets holds the point with west ≤ λ < east and south ≤ φ < north.
        const double dx = LonStepTable[scale] / 2, dy = LatStepTable[scale] / 2;
        TStandardMapUnions walk;
        CreateMapUnionsOfStandard({SecToDms(std::max(x - dx, 0.0)), SecToDms(std::max(y - dy, 0.0)),
                                   SecToDms(x + dx), SecToDms(y + dy)},
                                  scale, newStandard, false, Datum::Xian80, 0, walk);
        int found = 0;
        TStandardMapUnion want;
        for (const auto& column : walk) {
          for (const auto& s : column) {
            if (DmsToSec(s.Range.West) <= x && x < DmsToSec(s.Range.East) &&
                DmsToSec(s.Range.South) <= y && y < DmsToSec(s.Range.North)) {
              ++found;
              want = s;
            }
          }
        }
        ASSERT_EQ(found, 1);
        EXPECT_EQ(SheetAtPoint(x, y, scale, newStandard, false, Datum::Xian80, 0), want);
      }
    }
  }
}

// The number alone, as a stream of points asks it, is the number of the
// sheet record: random points over the whole domain, a third on a grid line
// of the scale itself and a third on a 1:500 grid line (where the edge rule
// decides at every coarser scale too), every scale, both standards.
TEST(PointLookup, TheNumberAloneIsTheSheetsNumber) {
  std::mt19937 rng(35);
  std::uniform_real_distribution<double> lon(0, 180 * 3600.0), lat(0, 90 * 3600.0);
  for (int k = 0; k < 600; ++k) {
    const double x0 = lon(rng), y0 = lat(rng);
    for (ScaleIndex scale = 0; scale < kScaleCount; ++scale) {
      double x = x0, y = y0;
      const double w = LonStepTable[k % 3 == 1 ? scale : kScaleCount - 1];
      const double h = LatStepTable[k % 3 == 1 ? scale : kScaleCount - 1];
      if (k % 3 != 0) x = std::floor(x / w) * w, y = std::floor(y / h) * h;
      for (const bool newStandard : {true, false}) {
        SCOPED_TRACE(std::to_string(x) + " " + std::to_string(y) + " scale " + std::to_string(scale));
        if (!newStandard && !HasOldStandard(scale)) {
          EXPECT_EQ(SheetNumberAtPoint(x, y, scale, false), "");
          continue;
        }
        EXPECT_EQ(SheetNumberAtPoint(x, y, scale, newStandard),
                  SheetAtPoint(x, y, scale, newStandard, true, Datum::Cgcs2000, 0).MapUnionNo);
      }
    }
  }
  EXPECT_EQ(SheetNumberAtPoint(Sec(116, 28), Sec(39, 54), 6, false), "J-50-5-(24)");
  EXPECT_EQ(SheetNumberAtPoint(Sec(116, 3, 45), Sec(39, 57, 30), 6, true), "J50G001034");
  EXPECT_EQ(SheetNumberAtPoint(Sec(120), Sec(40), 7, false), "K-51-133-(57)-C");
  const double outside[][2] = {{-1, 3600}, {Sec(180), 10}, {Sec(10), Sec(90)}};
  for (const auto& p : outside) EXPECT_THROW(SheetNumberAtPoint(p[0], p[1], 6, true), Error);
  EXPECT_THROW(SheetNumberAtPoint(Sec(116), Sec(39), kScaleCount, true), Error);
}

// The numbering of many points against the walk's own indices of the same
// cell: 1,000,000 points over the whole domain, a quarter on a grid line of a
// random scale (where the edge rule decides) and a quarter a hair west and
// south of one (where the cell must be settled by the exact comparison),
// every scale and standard in turn; and each point's cell numbered directly.
TEST(PointLookup, ManyPointsAgreeWithTheWalksIndices) {
  std::mt19937_64 rng(88);
  std::uniform_real_distribution<double> lon(0, 180 * 3600.0), lat(0, 90 * 3600.0);
  std::uniform_int_distribution<int> anyScale(0, kScaleCount - 1);
  const PointNumbering fresh[] = {{0, true}, {1, true}, {2, true}, {3, true}, {4, true}, {5, true},
                                  {6, true}, {7, true}, {8, true}, {9, true}, {10, true}};
  const PointNumbering old[] = {{0, false}, {1, false}, {2, false}, {3, false},
                                {4, false}, {5, false}, {6, false}, {7, false}};
  long long mismatches = 0;
  for (int k = 0; k < 1'000'000; ++k) {
    double x = lon(rng), y = lat(rng);
    if (k % 2) {
      const ScaleIndex line = anyScale(rng);
      x = std::floor(x / LonStepTable[line]) * LonStepTable[line];
      y = std::floor(y / LatStepTable[line]) * LatStepTable[line];
      // A hair west of and south of the lines, where a rounded quotient
      // would move the point onto them.
      if (k % 4 == 3) x = std::nextafter(x, 0.0), y = std::nextafter(y, 0.0);
    }
    const ScaleIndex scale = k % kScaleCount;
    const bool newStandard = k % 3 != 0 || !HasOldStandard(scale);
    const PointNumbering& numbering = newStandard ? fresh[scale] : old[scale];
    const long long c = GridCellOf(x, LonStepTable[scale]), r = GridCellOf(y, LatStepTable[scale]);
    char want[detail::kCellNumberBytes], got[kSheetNumberBytes], cell[kSheetNumberBytes];
    const std::string expected(want, detail::CellNumber(want, c, r, scale, newStandard ? Standard::New : Standard::Old));
    const std::string atPoint(got, numbering.Number(got, x, y));
    const std::string ofCell(cell, numbering.CellNumber(cell, c, r));
    if (atPoint != expected || ofCell != expected) {
      if (++mismatches <= 5) {
        ADD_FAILURE() << x << " " << y << " scale " << scale << (newStandard ? " new " : " old ") << expected
                      << " at point " << atPoint << " of cell " << ofCell;
      }
    }
  }
  EXPECT_EQ(mismatches, 0);
  // The corners of the domain, and no number for the old standard below 1:5000.
  char buf[kSheetNumberBytes];
  const double last = std::nextafter(180 * 3600.0, 0.0), top = std::nextafter(90 * 3600.0, 0.0);
  EXPECT_EQ(std::string(buf, PointNumbering(10, true).Number(buf, last, top)), "W60K11532304");
  EXPECT_EQ(std::string(buf, PointNumbering(7, false).Number(buf, 0, 0)), "A-31-133-(57)-C");
  EXPECT_EQ(PointNumbering(8, false).Number(buf, 3600, 3600), 0u);
  EXPECT_THROW(PointNumbering(kScaleCount, true), Error);
}

TEST(PointLookup, NeighboursAcrossMillionSheetAndZoneEdges) {
  struct Case {
    double lon, lat;
    ScaleIndex scale;
    bool newStandard;
    std::array<const char*, 9> numbers;
  };
  const Case cases[] = {
      // 120° E, 40° N: four 1:100万 sheets meet, and 120° is a 6° zone edge.
      {Sec(120), Sec(40), 6, true,
       {"K50G095096", "K51G095001", "K51G095002", "K50G096096", "K51G096001", "K51G096002",
        "J50G001096", "J51G001001", "J51G001002"}},
      {Sec(120), Sec(40), 0, false,
       {"L-50", "L-51", "L-52", "K-50", "K-51", "K-52", "J-50", "J-51", "J-52"}},
      {Sec(119, 59), Sec(39, 59), 4, false,
       {"K-50-144-C", "K-50-144-D", "K-51-133-C", "J-50-12-A", "J-50-12-B", "J-51-1-A",
        "J-50-12-C", "J-50-12-D", "J-51-1-C"}},
      // On the equator at 0°: no neighbour to the west or the south.
      {Sec(0), Sec(0), 0, true, {"", "B31", "B32", "", "A31", "A32", "", "", ""}},
      // Row V (84°–88° N) is the last: nothing of a row W north of it.
      {Sec(177), Sec(86), 0, true, {"", "", "", "V59", "V60", "", "U59", "U60", ""}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.numbers[4]);
    for (const bool zone3 : {true, false}) {
      const auto n = SheetNeighbours(c.lon, c.lat, c.scale, c.newStandard, zone3, Datum::Beijing54, 0);
      for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(n[k].MapUnionNo, c.numbers[k]) << "position " << k;
        if (n[k].MapUnionNo.empty()) continue;
        // Each neighbour is the walk's own record: same corners, projected
        // on their own zones.
        const double w = DmsToSec(n[k].Range.West), s = DmsToSec(n[k].Range.South);
        EXPECT_EQ(n[k], SheetAtPoint(w, s, c.scale, c.newStandard, zone3, Datum::Beijing54, 0));
      }
      EXPECT_EQ(n[4], SheetAtPoint(c.lon, c.lat, c.scale, c.newStandard, zone3, Datum::Beijing54, 0));
      // A listed sheet's 接合图表 is its point's; each neighbour has the
      // sheet on its opposite side.
      const Datum datum = Datum::Beijing54;
      EXPECT_EQ(SheetNeighbours(n[4], c.scale, c.newStandard, zone3, datum, 0), n);
      for (int k = 0; k < 9; ++k) {
        if (n[k].MapUnionNo.empty()) continue;
        EXPECT_EQ(SheetNeighbours(n[k], c.scale, c.newStandard, zone3, datum, 0)[8 - k], n[4])
            << "position " << k;
      }
    }
  }
}

TEST(PointLookup, NoNeighbourNorthOfRowVAtAnyScale) {
  for (ScaleIndex scale = 0; scale < kScaleCount; ++scale) {
    // The sheet whose north edge is 88° N, at 171° E.
    const auto n = SheetNeighbours(Sec(171), Sec(88) - LatStepTable[scale] / 2, scale, true, true, Datum::Beijing54, 0);
    EXPECT_FALSE(n[4].MapUnionNo.empty()) << scale;
    for (int k = 0; k < 3; ++k) EXPECT_EQ(n[k].MapUnionNo, "") << scale << " position " << k;
    for (int k = 3; k < 9; ++k) EXPECT_FALSE(n[k].MapUnionNo.empty()) << scale << " position " << k;
  }
}

TEST(PointLookup, PointsOutsideTheNumberedDomainAreRefused) {
  const double points[][2] = {{-1, 3600}, {3600, -0.001}, {Sec(180), Sec(10)}, {Sec(10), Sec(90)}};
  for (const auto& p : points) {
    EXPECT_FALSE(InNumberedDomain(p[0], p[1]));
    EXPECT_THROW(SheetAtPoint(p[0], p[1], 6, true, true, Datum::Beijing54, 0), Error);
    EXPECT_THROW(SheetNeighbours(p[0], p[1], 6, true, true, Datum::Beijing54, 0), Error);
  }
  EXPECT_TRUE(InNumberedDomain(0, 0));
  EXPECT_EQ(SheetAtPoint(Sec(179, 59, 59), Sec(89, 59), 0, true, true, Datum::Beijing54, 0).MapUnionNo, "W60");
}

}  // namespace
}  // namespace karvento
