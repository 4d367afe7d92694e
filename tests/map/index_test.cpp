// SPDX-License-Identifier: Apache-2.0
// The sheets of an index map: frames from the records, the bucket index
// against a plain scan, hit-testing, and the view's arithmetic.
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <set>

#include "geodesy/angles.h"
#include "map/index_map.h"

namespace karvento::map {
namespace {

// A 50 × 40 grid of unit sheets from (10, 20), three large sheets over it and
// three small ones, to give the index mixed sizes.
MapSheets MixedSheets() {
  MapSheets s;
  s.units = Units::Plane;
  for (int c = 0; c < 50; ++c) {
    for (int r = 0; r < 40; ++r) s.frames.push_back({10.0 + c, 20.0 + r, 11.0 + c, 21.0 + r});
  }
  s.frames.push_back({12, 22, 17, 25});       // 2000
  s.frames.push_back({40, 50, 60, 61});       // 2001, reaches beyond the grid
  s.frames.push_back({-5, -5, 0, 0});         // 2002, far from the grid
  s.frames.push_back({30.25, 30.25, 30.5, 30.5});  // 2003
  s.frames.push_back({30.5, 30.5, 30.75, 30.75});  // 2004
  s.frames.push_back({59.9, 59.9, 60, 60});   // 2005, the grid's last corner
  return s;
}

// Frames with an undefined or infinite edge, which no area meets.
MapSheets WithBrokenFrames() {
  MapSheets s = MixedSheets();
  const double nan = std::numeric_limits<double>::quiet_NaN(), inf = std::numeric_limits<double>::infinity();
  s.frames.push_back({nan, 0, 1, 1});
  s.frames.push_back({-inf, 20, inf, 21});
  s.frames.push_back({-1.7e308, 0, 1.7e308, 1});  // a width beyond any double
  return s;
}

std::set<std::size_t> Scan(const MapSheets& s, const Frame& a) {
  std::set<std::size_t> hits;
  for (std::size_t i = 0; i < s.frames.size(); ++i) {
    const Frame& f = s.frames[i];
    if (f.minX <= a.maxX && f.maxX >= a.minX && f.minY <= a.maxY && f.maxY >= a.minY) hits.insert(i);
  }
  return hits;
}

TEST(SheetIndex, VisitsExactlyTheSheetsThatMeetTheArea) {
  const MapSheets sheets = MixedSheets();
  const IndexMapModel model(WithBrokenFrames());
  EXPECT_EQ(model.Bounds(), (Frame{-5, -5, 60, 61})) << "the broken frames do not widen the map";
  const Frame areas[] = {
      {-1e15, -1e15, 1e15, 1e15},     // everything, from far beyond the grid
      {10, 20, 60, 60},               // the grid exactly
      {30.6, 30.6, 30.6, 30.6},       // a point inside one sheet and a small one
      {31, 31, 31, 31},               // a grid corner: four sheets meet
      {15, 23, 15.5, 23.5},           // inside the large sheet 2000
      {55, 58, 70, 70},               // across the grid's edge into sheet 2001
      {100, 100, 200, 200},           // nothing
      {-3, -3, -2, -2},               // only the lone sheet
      {10, 20, 10, 60},               // a line along the grid's west edge
      {9.999, 44.2, 60.001, 44.3},    // a thin band across the whole grid
      {1e300, 1e300, 1e301, 1e301},   // far beyond any int of the bucket grid
  };
  for (const Frame& a : areas) {
    std::vector<std::size_t> visited;
    model.Visit(a, [&](std::size_t i) { visited.push_back(i); });
    const std::set<std::size_t> unique(visited.begin(), visited.end());
    EXPECT_EQ(unique.size(), visited.size()) << "a sheet visited twice";
    EXPECT_EQ(unique, Scan(sheets, a)) << a.minX << " " << a.minY << " " << a.maxX << " " << a.maxY;
  }
}

TEST(SheetIndex, AClickFindsTheSmallestSheetUnderIt) {
  const IndexMapModel model(MixedSheets());
  struct Case {
    double x, y;
    std::ptrdiff_t sheet;
  } cases[] = {
      {10.5, 20.5, 0},         // the first grid sheet
      {10.5, 21.5, 1},         // north of it: the next in its column
      {11.5, 20.5, 40},        // east of it: the next column
      {30.4, 30.4, 2003},      // a small sheet over a grid sheet
      {30.6, 30.7, 2004},      // the other small one
      {15.5, 23.5, 5 * 40 + 3},  // the grid sheet, smaller than sheet 2000 around it
      {55, 60.5, 2001},        // beyond the grid, in the large sheet only
      {-2, -2, 2002},
      {5, 5, -1},              // between sheets
      {1e300, 0, -1},
  };
  for (const Case& c : cases) EXPECT_EQ(model.At(c.x, c.y), c.sheet) << c.x << ", " << c.y;
}

TEST(SheetFrames, AreTheRecordsEdgesInDegreesOrPlaneUnits) {
  TStandardMapUnion s;
  s.MapUnionNo = "J50G003040";
  s.Range = {{116, 26, 15}, {39, 52, 30}, {116, 30, 0}, {39, 55, 0}};
  EXPECT_EQ(FrameOf(s), (Frame{DmsToDeg(s.Range.West), DmsToDeg(s.Range.South), DmsToDeg(s.Range.East),
                               DmsToDeg(s.Range.North)}));
  EXPECT_DOUBLE_EQ(FrameOf(s).minX, 116 + 26 / 60.0 + 15 / 3600.0);
  const TCustomMapUnion c{"1+2", 500, 0, 1000, 500};
  EXPECT_EQ(FrameOf(c), (Frame{500, 0, 1000, 500}));

  // Columns of different lengths: the numbers follow the list order.
  TCustomMapUnions table = {{{"a", 0, 0, 1, 1}}, {}, {{"b", 1, 0, 2, 1}, {"c", 2, 0, 3, 1}, {"d", 3, 0, 4, 1}}};
  const MapSheets sheets = SheetsOf(table);
  ASSERT_EQ(sheets.frames.size(), 4u);
  const char* numbers[] = {"a", "b", "c", "d"};
  for (std::size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(sheets.label(i), numbers[i]);
    EXPECT_EQ(sheets.frames[i].minX, static_cast<double>(i));
  }
  EXPECT_EQ(sheets.units, Units::Plane);
}

TEST(SheetFrames, ADegreeOfLongitudeIsDrawnCosineOfTheMiddleLatitudeWide) {
  struct Case {
    Units units;
    double south, north, aspect;
  } cases[] = {
      {Units::Degrees, 59, 61, 0.5}, {Units::Degrees, -1, 1, 1.0},
      {Units::Degrees, 89, 90, 0.1},  // never narrower than a tenth
      {Units::Plane, 4e6, 4.1e6, 1.0},
  };
  for (const Case& c : cases) {
    MapSheets s;
    s.units = c.units;
    s.frames = {{0, c.south, 1, c.north}};
    EXPECT_NEAR(IndexMapModel(s).Aspect(), c.aspect, 1e-12) << c.south;
  }
}

TEST(MapViewArithmetic, ZoomKeepsThePointUnderTheCursorAndFitShowsEverything) {
  MapView view;
  view.SetAspect(0.75);
  view.SetViewport(QRectF(0, 0, 800, 600));
  const Frame bounds{73, 18, 135, 54};
  view.Fit(bounds);
  // Everything inside, one side filling 92 % of the viewport.
  const QRectF r = view.ToDevice(bounds);
  EXPECT_TRUE(QRectF(0, 0, 800, 600).contains(r));
  EXPECT_TRUE(std::abs(r.width() - 736) < 1e-6 || std::abs(r.height() - 552) < 1e-6) << r.width();
  EXPECT_NEAR(r.center().x(), 400, 1e-9);
  EXPECT_NEAR(r.center().y(), 300, 1e-9);

  struct Case {
    QPointF at;
    double factor;
  } cases[] = {{{0, 0}, 1.2}, {{800, 600}, 1 / 1.2}, {{123.5, 456.25}, 50}, {{400, 300}, 0.01}, {{799, 1}, 1e4}};
  for (const Case& c : cases) {
    const QPointF before = view.ToWorld(c.at);
    const double scale = view.Scale();
    view.ZoomAt(c.at, c.factor);
    const QPointF after = view.ToWorld(c.at);
    EXPECT_NEAR(after.x(), before.x(), 1e-9 * std::max(1.0, std::abs(before.x())));
    EXPECT_NEAR(after.y(), before.y(), 1e-9 * std::max(1.0, std::abs(before.y())));
    EXPECT_NEAR(view.Scale(), scale * c.factor, 1e-9 * scale * c.factor);
    // Device and world round trip.
    const QPointF back = view.ToDevice(view.ToWorld(QPointF(17, 33)));
    EXPECT_NEAR(back.x(), 17, 1e-6);
    EXPECT_NEAR(back.y(), 33, 1e-6);
  }

  // A drag moves the world with the cursor: north goes down as y grows.
  const QPointF held = view.ToWorld(QPointF(100, 100));
  view.Pan(QPointF(30, -40));
  const QPointF now = view.ToDevice(held);
  EXPECT_NEAR(now.x(), 130, 1e-6);
  EXPECT_NEAR(now.y(), 60, 1e-6);

  // The visible world is the viewport's corners.
  const Frame v = view.Visible();
  EXPECT_NEAR(view.ToDevice(QPointF(v.minX, v.maxY)).x(), 0, 1e-6);
  EXPECT_NEAR(view.ToDevice(QPointF(v.maxX, v.minY)).y(), 600, 1e-6);
}

}  // namespace
}  // namespace karvento::map
