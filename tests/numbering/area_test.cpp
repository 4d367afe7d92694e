// The sheets of an area, checked against GEOS through GDAL's OGR: a sheet is
// selected exactly when its frame and the area share interior (they intersect
// and do not merely touch), and its covered fraction is the area of the
// intersection over the sheet's.
#include <gtest/gtest.h>
#include <ogr_geometry.h>

#include <cmath>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

// Degrees from seconds, so that vertices fall exactly on grid lines.
GeoPoint S(double lonSec, double latSec) { return {lonSec / 3600, latSec / 3600}; }

GeoRing Rect(double w, double s, double e, double n) {
  return {{w, s}, {e, s}, {e, n}, {w, n}};
}

// A star of `points` spikes around a centre, radii between inner and outer.
GeoRing Star(GeoPoint c, double inner, double outer, int points, double turn = 0) {
  GeoRing r;
  for (int i = 0; i < 2 * points; ++i) {
    const double a = turn + kPi * i / points;
    const double rad = i % 2 ? inner : outer;
    r.push_back({c.lon + rad * std::cos(a), c.lat + rad * std::sin(a)});
  }
  return r;
}

// OGR geometry in seconds of arc, the unit in which the selection works.
std::unique_ptr<OGRGeometry> ToOgr(const GeoMultiPolygon& area) {
  auto multi = std::make_unique<OGRMultiPolygon>();
  for (const GeoPolygon& p : area) {
    OGRPolygon poly;
    for (const GeoRing& ring : p.rings) {
      OGRLinearRing r;
      for (const GeoPoint& v : ring) r.addPoint(v.lon * 3600, v.lat * 3600);
      r.closeRings();
      poly.addRing(&r);
    }
    multi->addGeometry(&poly);
  }
  return multi;
}

OGRPolygon SheetFrame(const TStandardMapUnion& s) {
  OGRLinearRing r;
  const double w = DmsToSec(s.Range.West), so = DmsToSec(s.Range.South);
  const double e = DmsToSec(s.Range.East), n = DmsToSec(s.Range.North);
  r.addPoint(w, so);
  r.addPoint(e, so);
  r.addPoint(e, n);
  r.addPoint(w, n);
  r.closeRings();
  OGRPolygon p;
  p.addRing(&r);
  return p;
}

struct Expected {
  std::vector<TStandardMapUnion> sheets;
  std::vector<double> covers;
};

// The area of what an intersection gives: a polygon, or a collection of
// polygons (with lines or points where the frame only touches, of no area).
double AreaOf(const OGRGeometry* g) {
  if (g == nullptr) return 0;
  const OGRwkbGeometryType type = wkbFlatten(g->getGeometryType());
  if (OGR_GT_IsSubClassOf(type, wkbCurvePolygon)) return g->toCurvePolygon()->get_Area();
  if (OGR_GT_IsSubClassOf(type, wkbGeometryCollection)) return g->toGeometryCollection()->get_Area();
  return 0;
}

// Every sheet of the unfiltered request over the area's snapped bounds that
// GEOS finds sharing interior with the area, in the walk's order.
Expected ByGeos(const GeoMultiPolygon& area, ScaleIndex scale, bool newStandard) {
  TStandardMapUnions all;
  CreateMapUnionsOfStandard(AreaSheetRange(area, scale), scale, newStandard, true, true, 117, all);
  const auto geometry = ToOgr(area);
  Expected out;
  for (const auto& column : all) {
    for (const auto& s : column) {
      const OGRPolygon frame = SheetFrame(s);
      if (!frame.Intersects(geometry.get()) || frame.Touches(geometry.get())) continue;
      std::unique_ptr<OGRGeometry> cut(frame.Intersection(geometry.get()));
      const double covered = AreaOf(cut.get());
      out.sheets.push_back(s);
      out.covers.push_back(covered / frame.get_Area());
    }
  }
  return out;
}

struct Shape {
  const char* name;
  GeoMultiPolygon area;
  ScaleIndex scale;
};

std::vector<Shape> Shapes() {
  // 1:1万 sheets are 225″ × 150″; 116°E is 417600″, 39°N 140400″.
  const double x0 = 417600, y0 = 140400, w = 225, h = 150;
  std::vector<Shape> shapes;
  shapes.push_back({"rectangle exactly on sheet lines",
                    {{{Rect(S(x0, y0).lon, S(x0, y0).lat, S(x0 + 3 * w, 0).lon,
                            S(0, y0 + 2 * h).lat)}}},
                    6});
  shapes.push_back({"square with a hole exactly one sheet",
                    {{{Rect(S(x0, 0).lon, S(0, y0).lat, S(x0 + 3 * w, 0).lon, S(0, y0 + 3 * h).lat),
                       Rect(S(x0 + w, 0).lon, S(0, y0 + h).lat, S(x0 + 2 * w, 0).lon,
                            S(0, y0 + 2 * h).lat)}}},
                    6});
  shapes.push_back({"triangle whose vertices are sheet corners",
                    {{{{S(x0, y0), S(x0 + 4 * w, y0), S(x0, y0 + 4 * h)}}}},
                    6});
  shapes.push_back({"two parts meeting at one sheet corner, one touching a sheet along an edge",
                    {{{Rect(S(x0, 0).lon, S(0, y0).lat, S(x0 + w, 0).lon, S(0, y0 + h).lat)}},
                     {{Rect(S(x0 + w, 0).lon, S(0, y0 + h).lat, S(x0 + 2.5 * w, 0).lon,
                            S(0, y0 + 2 * h).lat)}}},
                    6});
  shapes.push_back({"spiky star with a star-shaped hole",
                    {{{Star({116.3, 39.9}, 0.05, 0.4, 17), Star({116.3, 39.9}, 0.01, 0.04, 5, 0.3)}}},
                    6});
  shapes.push_back({"needle-thin spikes across several sheets",
                    {{{{{116.0, 39.0}, {116.5, 39.001}, {116.0, 39.002}, {116.001, 39.4},
                        {115.999, 39.002}, {115.6, 39.001}}}}},
                    5});
  shapes.push_back({"multipolygon with holes at 1:5万, old numbers",
                    {{{Star({100.5, 30.5}, 0.3, 1.2, 11), Rect(100.4, 30.4, 100.6, 30.6)}},
                     {{Star({103.2, 31.0}, 0.2, 0.9, 7, 0.1)}}},
                    4});
  shapes.push_back({"across a 1:100万 corner at 1:10万",
                    {{{Star({114.0, 36.0}, 0.6, 1.5, 9, 0.2)}}},
                    3});
  // Random star polygons, spikes of random length, at 1:2.5万.
  std::mt19937 rng(15);
  std::uniform_real_distribution<double> u(0.02, 0.3);
  GeoRing random;
  for (int i = 0; i < 80; ++i) {
    const double a = 2 * kPi * i / 80, r = u(rng);
    random.push_back({110.3 + r * std::cos(a), 25.2 + r * std::sin(a)});
  }
  shapes.push_back({"random star, 80 vertices", {{{random}}}, 5});
  // 1:1000 sheets are 18.75″ × 12.5″: a star with its centre on a grid point.
  shapes.push_back({"star at 1:1000, new numbers only", {{{Star(S(x0, y0), 0.004, 0.02, 6, 0.1)}}}, 9});
  return shapes;
}

TEST(AreaSelection, AgreesWithGeosOnEveryShapeBothStandards) {
  for (const Shape& shape : Shapes()) {
    for (const bool newStandard : {true, false}) {
      if (!newStandard && !HasOldStandard(shape.scale)) continue;
      SCOPED_TRACE(std::string(shape.name) + (newStandard ? " (new)" : " (old)"));
      const Expected want = ByGeos(shape.area, shape.scale, newStandard);
      TStandardMapUnions got;
      std::vector<std::vector<double>> covers;
      CreateMapUnionsInArea(shape.area, shape.scale, newStandard, true, true, 117, 0, got, &covers);
      std::vector<TStandardMapUnion> flat;
      std::vector<double> flatCovers;
      ASSERT_EQ(got.size(), covers.size());
      for (std::size_t i = 0; i < got.size(); ++i) {
        EXPECT_FALSE(got[i].empty()) << "an empty column is left in";
        ASSERT_EQ(got[i].size(), covers[i].size());
        for (std::size_t j = 0; j < got[i].size(); ++j) {
          flat.push_back(got[i][j]);
          flatCovers.push_back(covers[i][j]);
        }
      }
      ASSERT_EQ(flat.size(), want.sheets.size());
      for (std::size_t k = 0; k < flat.size(); ++k) {
        EXPECT_EQ(flat[k], want.sheets[k]) << flat[k].MapUnionNo << " vs " << want.sheets[k].MapUnionNo;
        EXPECT_NEAR(flatCovers[k], want.covers[k], 1e-9) << flat[k].MapUnionNo;
      }
    }
  }
}

TEST(AreaSelection, ShapesOnSheetLinesSelectExactlyTheirSheets) {
  struct Case {
    std::size_t shape;
    std::size_t sheets;
    std::size_t full;  // sheets covered wholly
  };
  // The rectangle: 3 × 2 sheets, all full. The square with a hole: 8 full.
  // The triangle: 4 diagonal sheets half covered, 6 below the diagonal full.
  // Two parts: the corner sheet full, then 1 full and 1 half; the sheets that
  // only touch them are not selected.
  const Case cases[] = {{0, 6, 6}, {1, 8, 8}, {2, 10, 6}, {3, 3, 2}};
  const auto shapes = Shapes();
  for (const Case& c : cases) {
    SCOPED_TRACE(shapes[c.shape].name);
    TStandardMapUnions got;
    std::vector<std::vector<double>> covers;
    CreateMapUnionsInArea(shapes[c.shape].area, 6, true, true, true, 117, 0, got, &covers);
    std::size_t n = 0, full = 0;
    for (const auto& column : covers)
      for (double f : column) ++n, full += f == 1.0;
    EXPECT_EQ(n, c.sheets);
    EXPECT_EQ(full, c.full);
  }
}

TEST(AreaSelection, MinimumCoverKeepsExactlyTheSheetsCoveredEnough) {
  const Shape shape = Shapes()[4];
  TStandardMapUnions all;
  std::vector<std::vector<double>> allCovers;
  CreateMapUnionsInArea(shape.area, shape.scale, true, true, true, 117, 0, all, &allCovers);
  for (const double f : {0.25, 0.5, 0.999, 1.0}) {
    SCOPED_TRACE(f);
    std::vector<std::string> want;
    for (std::size_t i = 0; i < all.size(); ++i)
      for (std::size_t j = 0; j < all[i].size(); ++j)
        if (allCovers[i][j] >= f) want.push_back(all[i][j].MapUnionNo);
    TStandardMapUnions got;
    CreateMapUnionsInArea(shape.area, shape.scale, true, true, true, 117, f, got);
    std::vector<std::string> numbers;
    for (const auto& column : got)
      for (const auto& s : column) numbers.push_back(s.MapUnionNo);
    EXPECT_EQ(numbers, want);
  }
}

// The walk of an area hands on, column by column and in any run of columns,
// the same sheets and covers as the whole result; without the area it is the
// walk of the bounds.
TEST(AreaSelection, TheAreasWalkStreamsInAnyRunOfColumns) {
  for (const Shape& shape : Shapes()) {
    SCOPED_TRACE(shape.name);
    TStandardMapUnions whole;
    std::vector<std::vector<double>> wholeCovers;
    CreateMapUnionsInArea(shape.area, shape.scale, true, false, Datum::Cgcs2000, 0, 0, whole,
                          &wholeCovers);
    const SheetWalk walk(shape.area, 0, shape.scale, true, false, Datum::Cgcs2000, 0, false);
    ASSERT_TRUE(walk.HasArea());
    TStandardMapUnions pieces;
    std::vector<std::vector<double>> pieceCovers;
    const auto keep = [&](std::vector<TStandardMapUnion>& column, const std::vector<double>& covers) {
      pieces.push_back(column);
      pieceCovers.push_back(covers);
    };
    const std::int64_t middle = walk.Columns() / 2;
    walk.RunWithCovers(keep, 0, middle);
    walk.RunWithCovers(keep, middle, walk.Columns());
    EXPECT_EQ(pieces, whole);
    EXPECT_EQ(pieceCovers, wholeCovers);

    TStandardMapUnions bounds, unfiltered;
    CreateMapUnionsOfStandard(AreaSheetRange(shape.area, shape.scale), shape.scale, true, false,
                              Datum::Cgcs2000, 0, bounds);
    walk.WithoutArea().Run([&](std::vector<TStandardMapUnion>& column) { unfiltered.push_back(column); });
    EXPECT_EQ(unfiltered, bounds);
  }
}

TEST(AreaSelection, EmptyAndDegenerateAreasSelectNothing) {
  const GeoMultiPolygon cases[] = {
      {},
      {{{}}},
      {{{{{116, 39}, {116.5, 39}, {117, 39}}}}},  // no area: three points on a parallel
  };
  for (const auto& area : cases) {
    TStandardMapUnions got;
    CreateMapUnionsInArea(area, 6, true, true, true, 117, 0, got);
    EXPECT_TRUE(got.empty());
  }
}

}  // namespace
}  // namespace karvento
