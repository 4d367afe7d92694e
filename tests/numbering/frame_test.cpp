// SPDX-License-Identifier: Apache-2.0
// The map frame as geometry: the inner frame on the sheet's projected
// meridians and parallels, a tick at every exact minute, kilometre lines at
// their exact values, the true neighbours in the 接合图表, at every kind of
// scale, datum and zone.
#include <gtest/gtest.h>
#include <proj.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <set>
#include <string>

#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

double Sec(double d, double m = 0) { return DmsToSec({d, m, 0}); }

double SegmentDistance(const TPlanePoint& p, const TPlanePoint& a, const TPlanePoint& b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double len2 = dx * dx + dy * dy;
  const double t = len2 == 0 ? 0 : std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / len2, 0.0, 1.0);
  return std::hypot(p.X - (a.X + t * dx), p.Y - (a.Y + t * dy));
}

double RingDistance(const TPlanePoint& p, const std::vector<TPlanePoint>& ring) {
  double d = INFINITY;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    d = std::min(d, SegmentDistance(p, ring[i], ring[(i + 1) % ring.size()]));
  }
  return d;
}

std::vector<const FrameLine*> LinesOf(const MapFrame& f, FrameLayer layer) {
  std::vector<const FrameLine*> out;
  for (const FrameLine& l : f.lines) {
    if (l.layer == layer) out.push_back(&l);
  }
  return out;
}

struct Case {
  double lon, lat;  // a point of the sheet, seconds
  ScaleIndex scale;
  Datum datum;
  bool zone3;
  double cm;
};

TEST(MapFrame, IsTheSheetsProjectedGeometryAtEveryKindOfScale) {
  const Case cases[] = {
      {Sec(116, 28), Sec(39, 54), 6, Datum::Cgcs2000, true, 117},   // 1:1万, J50G003040
      {Sec(116, 28), Sec(39, 54), 4, Datum::Beijing54, false, 117},  // 1:5万, 6° zone 20
      {Sec(116, 28), Sec(39, 54), 3, Datum::Xian80, true, 117},      // 1:10万, 2 km grid
      {Sec(87, 36), Sec(43, 48), 2, Datum::Cgcs2000, false, 87},     // 1:25万, west of the cm
      {Sec(121, 12), Sec(31, 6), 7, Datum::Cgcs2000, true, 120},     // 1:5000, 10″ ticks
      {Sec(121, 12), Sec(31, 6), 10, Datum::Beijing54, true, 120},   // 1:500, 50 m grid
  };
  for (const Case& c : cases) {
    const TStandardMapUnion sheet = SheetAtPoint(c.lon, c.lat, c.scale, true, c.zone3, c.datum, c.cm);
    SCOPED_TRACE(sheet.MapUnionNo);
    const auto around = SheetNeighbours(sheet, c.scale, true, c.zone3, c.datum, c.cm);
    std::array<std::string, 9> neighbours;
    for (int k = 0; k < 9; ++k) neighbours[k] = around[k].MapUnionNo;
    const MapFrame f = BuildStandardFrame(sheet, c.scale, neighbours, {c.datum, c.zone3, c.cm, "", {}});
    const FrameStyle& st = kFrameStyles[c.scale];
    const double mm = st.denominator / 1000.0;  // ground metres per paper millimetre
    const auto project = [&](double lonSec, double latSec) {
      return GeoToPlane(c.datum, {SecToDms(lonSec), SecToDms(latSec)}, c.zone3, c.cm);
    };
    const TMapUnionRange& r = sheet.Range;
    const double w = DmsToSec(r.West), e = DmsToSec(r.East), s = DmsToSec(r.South), n = DmsToSec(r.North);

    // The inner frame: one ring through the sheet's plane corners, within
    // 0.01 mm of paper of the true edges everywhere.
    const auto inner = LinesOf(f, FrameLayer::Inner);
    ASSERT_EQ(inner.size(), 1u);
    const std::vector<TPlanePoint>& ring = inner[0]->points;
    EXPECT_TRUE(inner[0]->closed);
    for (const TPlanePoint& corner : sheet.PlaneCorners) {
      EXPECT_NE(std::find(ring.begin(), ring.end(), corner), ring.end()) << corner.X << " " << corner.Y;
    }
    double worst = 0;
    for (int i = 0; i <= 400; ++i) {
      const double lon = w + (e - w) * i / 400, lat = s + (n - s) * i / 400;
      for (const TPlanePoint& p : {project(lon, s), project(lon, n), project(w, lat), project(e, lat)}) {
        worst = std::max(worst, RingDistance(p, ring));
      }
    }
    EXPECT_LE(worst, kFrameCurveToleranceMm * mm);

    // A tick at the projection of every whole interval inside each edge, and
    // nothing else on the graduation layer but the band's line.
    std::vector<TPlanePoint> expected;
    for (double t = (std::floor(w / st.tickSeconds) + 1) * st.tickSeconds; t < e; t += st.tickSeconds) {
      expected.push_back(project(t, n));
      expected.push_back(project(t, s));
    }
    for (double t = (std::floor(s / st.tickSeconds) + 1) * st.tickSeconds; t < n; t += st.tickSeconds) {
      expected.push_back(project(w, t));
      expected.push_back(project(e, t));
    }
    ASSERT_FALSE(expected.empty());
    std::vector<TPlanePoint> ticks;
    for (const FrameLine* l : LinesOf(f, FrameLayer::Graduation)) {
      if (!l->closed && l->widthMm == st.gridWidth) ticks.push_back(l->points.front());  // not a minute bar
    }
    ASSERT_EQ(ticks.size(), expected.size());
    for (const TPlanePoint& p : expected) {
      double nearest = INFINITY;
      for (const TPlanePoint& t : ticks) nearest = std::min(nearest, std::hypot(p.X - t.X, p.Y - t.Y));
      EXPECT_LE(nearest, 0.01 * mm);
    }

    // Kilometre lines: axis-parallel at exact multiples of the interval, from
    // frame to frame, every multiple inside the frame drawn.
    double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
    for (const TPlanePoint& p : ring) {
      x0 = std::min(x0, p.X), x1 = std::max(x1, p.X), y0 = std::min(y0, p.Y), y1 = std::max(y1, p.Y);
    }
    std::set<double> xs, ys;
    for (const FrameLine* l : LinesOf(f, FrameLayer::KmGrid)) {
      ASSERT_EQ(l->points.size(), 2u);
      const TPlanePoint& a = l->points[0];
      const TPlanePoint& b = l->points[1];
      const bool vertical = a.X == b.X;
      ASSERT_TRUE(vertical || a.Y == b.Y);
      const double v = vertical ? a.X : a.Y;
      EXPECT_EQ(std::fmod(v, st.gridMetres), 0.0) << v;
      (vertical ? xs : ys).insert(v);
      EXPECT_LE(RingDistance(a, ring), 1e-6);
      EXPECT_LE(RingDistance(b, ring), 1e-6);
    }
    EXPECT_EQ(static_cast<double>(xs.size()), std::floor(x1 / st.gridMetres) - std::ceil(x0 / st.gridMetres) + 1);
    EXPECT_EQ(static_cast<double>(ys.size()), std::floor(y1 / st.gridMetres) - std::ceil(y0 / st.gridMetres) + 1);

    // The 接合图表 reads as the map: its numbers, top row first, west to east,
    // are the true neighbours; the sheet's own cell holds no number.
    std::vector<const FrameText*> cells;
    for (const FrameText& t : f.texts) {
      if (t.layer == FrameLayer::Neighbours) cells.push_back(&t);
    }
    std::sort(cells.begin(), cells.end(), [](const FrameText* a, const FrameText* b) {
      return a->at.Y != b->at.Y ? a->at.Y > b->at.Y : a->at.X < b->at.X;
    });
    std::vector<std::string> read, truth;
    for (const FrameText* t : cells) read.push_back(t->text);
    for (int k = 0; k < 9; ++k) {
      if (k != 4 && !around[k].MapUnionNo.empty()) truth.push_back(around[k].MapUnionNo);
    }
    EXPECT_EQ(read, truth);

    // Everything drawn lies within the bounds a page is sized by.
    for (const FrameLine& l : f.lines) {
      for (const TPlanePoint& p : l.points) {
        EXPECT_TRUE(p.X >= f.minX && p.X <= f.maxX && p.Y >= f.minY && p.Y <= f.maxY);
      }
    }
  }
}

TEST(MapFrame, CentralMeridianZeroDrawsTheWholeFrameOnTheZoneOfItsCentre) {
  // 118°–118°30′ at 1:10万: its east edge lies on the boundary of the 3°
  // zones of 117° and 120°, where a walk with cm 0 puts the east corners on
  // the zone of 120°. The frame stays on 117°, without the zone number.
  const TStandardMapUnion sheet = SheetAtPoint(Sec(118, 10), Sec(39, 54), 3, true, true, Datum::Cgcs2000, 0);
  const std::array<std::string, 9> none{};
  const MapFrame own = BuildStandardFrame(sheet, 3, none, {Datum::Cgcs2000, true, 0, "", {}});
  const MapFrame named = BuildStandardFrame(sheet, 3, none, {Datum::Cgcs2000, true, 117, "", {}});
  const auto a = LinesOf(own, FrameLayer::Inner)[0]->points;
  const auto b = LinesOf(named, FrameLayer::Inner)[0]->points;
  ASSERT_EQ(a.size(), b.size());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_NEAR(a[i].X, b[i].X - 39000000, 1e-6);
    EXPECT_NEAR(a[i].Y, b[i].Y, 1e-9);
  }
  // The labels carry the zone number either way; the note names the zone.
  const auto hasText = [](const MapFrame& f, const std::string& text) {
    return std::any_of(f.texts.begin(), f.texts.end(), [&](const FrameText& t) { return t.text == text; });
  };
  for (const MapFrame* f : {&own, &named}) {
    EXPECT_TRUE(hasText(*f, DatumNote(Datum::Cgcs2000, true, 117)));
    EXPECT_TRUE(std::any_of(f->texts.begin(), f->texts.end(), [](const FrameText& t) {
      return t.layer == FrameLayer::KmGrid && t.text.rfind("39", 0) == 0 && t.text.size() == 5;
    }));
  }
}

TEST(MapFrame, TextsOfTheMargin) {
  struct Label {
    double v, interval;
    bool full;
    int zone;
    const char* text;
  };
  const Label labels[] = {
      {4429000, 1000, false, 0, "29"},      {4429000, 1000, true, 0, "4429"},
      {453000, 1000, true, 39, "39453"},    {453000, 1000, false, 39, "53"},
      {4402000, 2000, false, 0, "02"},      {4429800, 200, false, 0, "29.8"},
      {4429850, 50, true, 0, "4429.85"},    {508000, 1000, true, 20, "20508"},
  };
  for (const Label& l : labels) EXPECT_EQ(KmLabel(l.v, l.interval, l.full, l.zone), l.text);
  EXPECT_EQ(ScaleText(10000), "1:10 000");
  EXPECT_EQ(ScaleText(1000000), "1:1 000 000");
  EXPECT_EQ(ScaleText(500), "1:500");
  EXPECT_EQ(DatumNote(Datum::Cgcs2000, true, 117), "2000国家大地坐标系，高斯-克吕格投影，3°分带，中央经线117°");
  EXPECT_EQ(DatumNote(Datum::Beijing54, false, 117), "1954年北京坐标系，高斯-克吕格投影，6°分带，中央经线117°");
  EXPECT_EQ(DatumNote(Datum::Beijing54, false, 117, true),
            "1954年北京坐标系，高斯-克吕格投影，6°分带（按比例尺），中央经线117°");

  // From a number: the corner coordinates, the number, name and notes.
  const MapFrame f = BuildStandardFrame("J50G003040", {Datum::Xian80, true, 117, "北京", {"1985国家高程基准"}});
  std::set<std::string> texts;
  for (const FrameText& t : f.texts) texts.insert(t.text);
  for (const char* t : {"116°26′15″", "116°30′", "J50G003040", "北京", "1985国家高程基准", "1:10 000"}) {
    EXPECT_TRUE(texts.count(t)) << t;
  }
  // A latitude too long for the side strip is written degrees over minutes.
  for (const auto& [whole, deg, rest] : {std::array<const char*, 3>{"39°52′30″", "39°", "52′30″"},
                                         std::array<const char*, 3>{"39°55′", "39°", "55′"}}) {
    EXPECT_TRUE(texts.count(whole) || (texts.count(deg) && texts.count(rest))) << whole;
  }
  // The old number of the same sheet draws the same frame.
  EXPECT_EQ(BuildStandardFrame("J-50-5-(24)", {Datum::Xian80, true, 117, "", {}}).lines[0].points,
            f.lines[0].points);
  EXPECT_THROW(BuildStandardFrame("J50X003040", {}), Error);
  EXPECT_THROW(BuildStandardFrame("北京", {}), Error);
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

TEST(MapFrame, ARectangularSheetHasItsGridCrossesAndValues) {
  // A 1:500 sheet of 50 cm on zone 39 (eastings with the zone number).
  const TCustomMapUnion sheet{"3810.25-25.25", 39525250, 3810250, 39525500, 3810500};
  const std::array<std::string, 9> neighbours = {"3810.50-25.00", "3810.50-25.25", "3810.50-25.50",
                                                 "3810.25-25.00", "",              "3810.25-25.50",
                                                 "3810.00-25.00", "3810.00-25.25", "3810.00-25.50"};
  const MapFrame f = BuildRectangularFrame(sheet, 500, neighbours, {Datum::Cgcs2000, true, 117, "", {}});
  const auto inner = LinesOf(f, FrameLayer::Inner);
  ASSERT_EQ(inner.size(), 1u);
  EXPECT_EQ(inner[0]->points, (std::vector<TPlanePoint>{{39525250, 3810250}, {39525500, 3810250},
                                                        {39525500, 3810500}, {39525250, 3810500}}));
  // Crosses at every 50 m (10 cm) inside: 4 × 4, each two arms of 5 mm
  // (2.5 m) through its point; the ticks on the frame point inward.
  std::set<std::pair<double, double>> crosses;
  for (const FrameLine* l : LinesOf(f, FrameLayer::KmGrid)) {
    const TPlanePoint a = l->points[0], b = l->points[1];
    const TPlanePoint mid{(a.X + b.X) / 2, (a.Y + b.Y) / 2};
    const bool onFrame = a.X == sheet.MinX || a.X == sheet.MaxX || a.Y == sheet.MinY || a.Y == sheet.MaxY;
    if (onFrame) {
      EXPECT_EQ(std::hypot(b.X - a.X, b.Y - a.Y), 2.5);
      EXPECT_TRUE(b.X > sheet.MinX && b.X < sheet.MaxX && b.Y > sheet.MinY && b.Y < sheet.MaxY);
      continue;
    }
    EXPECT_EQ(std::hypot(b.X - a.X, b.Y - a.Y), 5.0);
    EXPECT_EQ(std::fmod(mid.X, 50), 0.0);
    EXPECT_EQ(std::fmod(mid.Y, 50), 0.0);
    crosses.insert({mid.X, mid.Y});
  }
  EXPECT_EQ(crosses.size(), 16u);
  std::multiset<std::string> texts;
  for (const FrameText& t : f.texts) texts.insert(t.text);
  // The south-west corner's values in full (twice: both sides of the frame).
  EXPECT_EQ(texts.count("39525.25"), 2u);
  EXPECT_EQ(texts.count("3810.25"), 2u);
  EXPECT_EQ(texts.count("25.30"), 2u);
  EXPECT_EQ(texts.count("3810.00-25.25"), 1u);
  EXPECT_EQ(texts.count(DatumNote(Datum::Cgcs2000, true, 117)), 1u);
  EXPECT_THROW(BuildRectangularFrame(sheet, 300, neighbours, {}), Error);
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

// Whether segment ab comes within the box grown by pad: an end inside, or a
// crossing of one of its four sides.
bool Touches(TPlanePoint a, TPlanePoint b, FrameBox box, double pad) {
  box = {box.x0 - pad, box.y0 - pad, box.x1 + pad, box.y1 + pad};
  const auto inside = [&](const TPlanePoint& p) { return p.X >= box.x0 && p.X <= box.x1 && p.Y >= box.y0 && p.Y <= box.y1; };
  if (inside(a) || inside(b)) return true;
  const auto cross = [](TPlanePoint p, TPlanePoint q, TPlanePoint r, TPlanePoint t) {
    const auto side = [](TPlanePoint o, TPlanePoint u, TPlanePoint v) {
      return (u.X - o.X) * (v.Y - o.Y) - (u.Y - o.Y) * (v.X - o.X);
    };
    return side(p, q, r) * side(p, q, t) <= 0 && side(r, t, p) * side(r, t, q) <= 0;
  };
  const TPlanePoint c[4] = {{box.x0, box.y0}, {box.x1, box.y0}, {box.x1, box.y1}, {box.x0, box.y1}};
  for (int i = 0; i < 4; ++i) {
    if (cross(a, b, c[i], c[(i + 1) % 4])) return true;
  }
  return false;
}

// The labels of a frame from its geometry: no corner or kilometre label's
// box touches a line of the frame (its weight counted), no two labels
// overlap, and every kilometre line has a label over it on one side at
// least, showing its value.
void ExpectCleanLabels(const MapFrame& f, double gridMetres, double zoneMetres) {
  const double mm = f.denominator / 1000.0;
  std::vector<const FrameText*> labels;
  for (const FrameText& t : f.texts) {
    if (t.layer == FrameLayer::KmGrid || t.layer == FrameLayer::Graduation || t.layer == FrameLayer::NeighbourZone ||
        t.layer == FrameLayer::Graticule) {
      labels.push_back(&t);
    }
  }
  ASSERT_FALSE(labels.empty());
  for (const FrameText* t : labels) {
    const FrameBox box = FrameTextBox(*t, f.denominator);
    for (const FrameLine& l : f.lines) {
      const std::size_t n = l.points.size();
      for (std::size_t i = 0; i + 1 < n || (l.closed && i < n); ++i) {
        const bool hit = Touches(l.points[i], l.points[(i + 1) % n], box, l.widthMm / 2 * mm);
        EXPECT_FALSE(hit) << "“" << t->text << "” touches a line of layer " << static_cast<int>(l.layer);
        if (hit) break;
      }
    }
    for (const FrameText* o : labels) {
      if (o == t) continue;
      const FrameBox b = FrameTextBox(*o, f.denominator);
      EXPECT_FALSE(box.x0 < b.x1 && b.x0 < box.x1 && box.y0 < b.y1 && b.y0 < box.y1)
          << "“" << t->text << "” overlaps “" << o->text << "”";
    }
  }
  // The kilometre lines of a standard frame run from frame to frame.
  for (const FrameLine& l : f.lines) {
    if (l.layer != FrameLayer::KmGrid || l.points.size() != 2) continue;
    const TPlanePoint a = l.points[0], b = l.points[1];
    const bool vertical = a.X == b.X;
    if (std::hypot(b.X - a.X, b.Y - a.Y) < 20 * mm) continue;  // a rectangular frame's cross or tick
    const double v = vertical ? a.X : a.Y;
    const std::string value = KmLabel(vertical ? v - zoneMetres : v, gridMetres, false, 0);
    const bool labelled = std::any_of(labels.begin(), labels.end(), [&](const FrameText* t) {
      const FrameBox box = FrameTextBox(*t, f.denominator);
      const bool over = vertical ? box.x0 <= v && v <= box.x1 : box.y0 <= v && v <= box.y1;
      return t->layer == FrameLayer::KmGrid && over && t->text.size() >= value.size() &&
             t->text.compare(t->text.size() - value.size(), value.size(), value) == 0;
    });
    EXPECT_TRUE(labelled) << (vertical ? "easting " : "northing ") << std::fixed << v;
  }
}

TEST(MapFrame, LabelsKeepClearOfTheLinesAndEveryKilometreLineIsLabelled) {
  const Case cases[] = {
      {Sec(116, 28), Sec(39, 54), 6, Datum::Cgcs2000, true, 117},  // 1:1万, J50G003040: 39°52′30″, 39452
      {Sec(119, 51), Sec(39, 54), 4, Datum::Cgcs2000, false, 117}, // 1:5万 with zone 21's ticks
      {Sec(118, 27), Sec(39, 54), 6, Datum::Cgcs2000, true, 117},  // 1:1万 with zone 40's ticks
      {Sec(114, 6), Sec(30, 30), 5, Datum::Beijing54, false, 117}, // 1:2.5万 with zone 19's ticks
      {Sec(116, 28), Sec(39, 54), 4, Datum::Beijing54, false, 117},
      {Sec(116, 28), Sec(39, 54), 3, Datum::Xian80, true, 117},
      {Sec(116, 28), Sec(39, 54), 2, Datum::Cgcs2000, false, 117},
      {Sec(116, 28), Sec(39, 54), 0, Datum::Xian80, false, 117},   // 1:100万 on its conic, with its graticule
      {Sec(116, 28), Sec(35, 54), 0, Datum::Cgcs2000, true, 117},  // I50
      {Sec(2, 0), Sec(1, 0), 0, Datum::Beijing54, false, 3},       // A31, at the equator
      {Sec(123, 0), Sec(53, 0), 0, Datum::Cgcs2000, false, 123},   // N51
      {Sec(87, 36), Sec(43, 48), 5, Datum::Cgcs2000, true, 87},
      {Sec(121, 12), Sec(31, 6), 7, Datum::Cgcs2000, true, 120},   // 1:5000
      {Sec(121, 12), Sec(31, 6), 8, Datum::Cgcs2000, true, 120},   // 1:2000: 116°01′52.5″-like corners
      {Sec(121, 12), Sec(31, 6), 9, Datum::Beijing54, true, 120},
      {Sec(121, 12), Sec(31, 6), 10, Datum::Beijing54, true, 120},
  };
  for (const Case& c : cases) {
    const TStandardMapUnion sheet = SheetAtPoint(c.lon, c.lat, c.scale, true, c.zone3, c.datum, c.cm);
    SCOPED_TRACE(sheet.MapUnionNo);
    const auto around = SheetNeighbours(sheet, c.scale, true, c.zone3, c.datum, c.cm);
    std::array<std::string, 9> neighbours;
    for (int k = 0; k < 9; ++k) neighbours[k] = around[k].MapUnionNo;
    const MapFrame f = BuildStandardFrame(sheet, c.scale, neighbours, {c.datum, c.zone3, c.cm, "", {}});
    ExpectCleanLabels(f, kFrameStyles[c.scale].gridMetres, std::floor(f.minX / 1000000.0) * 1000000.0);
  }
  struct Rect {
    TCustomMapUnion sheet;
    int denominator;
  } rects[] = {
      {{"3810.25-525.25", 39525250, 3810250, 39525500, 3810500}, 500},
      {{"3810.0-525.0", 525000, 3810000, 525500, 3810500}, 1000},
      {{"3810.0-525.0", 39525000, 3810000, 39526000, 3811000}, 2000},
      {{"3810-524", 39524000, 3810000, 39526000, 3812000}, 5000},
  };
  for (const Rect& r : rects) {
    SCOPED_TRACE(r.sheet.MapUnionNo);
    ExpectCleanLabels(BuildRectangularFrame(r.sheet, r.denominator, {}, {Datum::Cgcs2000, true, 117, "", {}}),
                      r.denominator / 10.0, 0);
  }
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

TEST(MapFrame, TheNeighboursNamesStandUnderTheirNumbersInsideTheirCells) {
  FrameRequest request{Datum::Cgcs2000, true, 117, "", {}};
  request.neighbourName = [](std::string_view number) {
    return number == "J50G003041" ? std::string("东城区") : number == "J50G002039" ? std::string("海淀区北部") : std::string();
  };
  const MapFrame f = BuildStandardFrame("J50G003040", request);
  std::vector<const FrameLine*> cells = LinesOf(f, FrameLayer::Neighbours);
  const auto textOf = [&](const std::string& s) -> const FrameText* {
    for (const FrameText& t : f.texts) {
      if (t.text == s) return &t;
    }
    return nullptr;
  };
  for (const auto& [number, name] : {std::pair<std::string, std::string>{"J50G003041", "东城区"},
                                     std::pair<std::string, std::string>{"J50G002039", "海淀区北部"}}) {
    const FrameText* n = textOf(number);
    const FrameText* t = textOf(name);
    ASSERT_TRUE(n && t) << name;
    const FrameBox nb = FrameTextBox(*n, f.denominator), tb = FrameTextBox(*t, f.denominator);
    EXPECT_LT(tb.y1, nb.y0) << "the name under its number";
    EXPECT_EQ(t->at.X, n->at.X);
    for (const FrameLine* l : cells) {
      for (std::size_t i = 0; i + 1 < l->points.size() || (l->closed && i < l->points.size()); ++i) {
        const TPlanePoint a = l->points[i], b = l->points[(i + 1) % l->points.size()];
        EXPECT_FALSE(Touches(a, b, tb, 0) || Touches(a, b, nb, 0)) << name << " touches a cell's line";
      }
    }
  }
  // Without names the cells hold numbers only.
  const MapFrame plain = BuildStandardFrame("J50G003040", {Datum::Cgcs2000, true, 117, "", {}});
  EXPECT_EQ(plain.texts.size() + 2, f.texts.size());
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

// A 1:100万 sheet is drawn on its own Lambert conformal conic: its corners,
// edges, minute ticks and graticule against PROJ's lcc on the same cone.
TEST(MapFrame, AMillionSheetIsItsConicWithItsGraticule) {
  struct Conic {
    const char* number;
    Datum datum;
    const char* note;  // the projection as the frame's note states it
  };
  const Conic cases[] = {
      {"J50", Datum::Cgcs2000, "2000国家大地坐标系，兰勃特等角圆锥投影，标准纬线36°35′、39°25′，中央经线117°"},
      {"I50", Datum::Beijing54, "1954年北京坐标系，兰勃特等角圆锥投影，标准纬线32°35′、35°25′，中央经线117°"},
      {"N51", Datum::Xian80, "1980西安坐标系，兰勃特等角圆锥投影，标准纬线52°35′、55°25′，中央经线123°"},
      {"A31", Datum::Cgcs2000, "2000国家大地坐标系，兰勃特等角圆锥投影，标准纬线0°35′、3°25′，中央经线3°"},
  };
  for (const Conic& c : cases) {
    SCOPED_TRACE(c.number);
    FrameRequest request{c.datum, false, 117, "", {}};
    const MapFrame f = BuildStandardFrame(c.number, request);
    const TMapUnionRange r = ParseNewMapUnionNo(c.number);
    const double w = DmsToDeg(r.West), e = DmsToDeg(r.East), s = DmsToDeg(r.South), n = DmsToDeg(r.North);
    const DatumInfo& d = DatumInfoOf(c.datum);
    char def[320];
    std::snprintf(def, sizeof def,
                  "+proj=lcc +lat_1=%.17g +lat_2=%.17g +lat_0=%.17g +lon_0=%.17g +x_0=500000 +y_0=0 +a=%.17g "
                  "+rf=%.17g +units=m",
                  s + 35.0 / 60, n - 35.0 / 60, s, (w + e) / 2, d.a, d.inverseFlattening);
    PJ* pj = proj_create(PJ_DEFAULT_CTX, def);
    ASSERT_NE(pj, nullptr);
    const auto proj = [&](double lon, double lat) {
      const PJ_COORD q = proj_trans(pj, PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
      return TPlanePoint{q.xy.x, q.xy.y};
    };
    const double mm = f.denominator / 1000.0;
    const auto near = [](const TPlanePoint& a, const TPlanePoint& b) { return std::hypot(a.X - b.X, a.Y - b.Y); };

    // The inner frame: through PROJ's corners to 1 mm of ground, within
    // 0.01 mm of paper of its parallels (arcs) and meridians (straight).
    const auto inner = LinesOf(f, FrameLayer::Inner);
    ASSERT_EQ(inner.size(), 1u);
    const std::vector<TPlanePoint>& ring = inner[0]->points;
    for (const TPlanePoint& corner : {proj(w, s), proj(e, s), proj(e, n), proj(w, n)}) {
      double nearest = INFINITY;
      for (const TPlanePoint& p : ring) nearest = std::min(nearest, near(p, corner));
      EXPECT_LE(nearest, 1e-3);
    }
    double worst = 0;
    for (int i = 0; i <= 400; ++i) {
      const double lon = w + (e - w) * i / 400, lat = s + (n - s) * i / 400;
      for (const TPlanePoint& p : {proj(lon, s), proj(lon, n), proj(w, lat), proj(e, lat)}) {
        worst = std::max(worst, RingDistance(p, ring));
      }
    }
    EXPECT_LE(worst, kFrameCurveToleranceMm * mm);

    // The 5′ ticks at PROJ's points to 1 mm of ground.
    std::vector<TPlanePoint> ticks;
    for (const FrameLine* l : LinesOf(f, FrameLayer::Graduation)) {
      if (!l->closed) ticks.push_back(l->points.front());
    }
    EXPECT_EQ(ticks.size(), 2u * (6 * 12 - 1) + 2u * (4 * 12 - 1));
    for (double m = 5; m < 360; m += 5) {
      for (const TPlanePoint& p : {proj(w + m / 60, s), proj(w + m / 60, n)}) {
        double nearest = INFINITY;
        for (const TPlanePoint& t : ticks) nearest = std::min(nearest, near(p, t));
        EXPECT_LE(nearest, 1e-3) << m;
      }
    }

    // The graticule: five meridians from PROJ's south to its north point,
    // three parallels through PROJ's points; each intersection of 1° lies on
    // both, and each line carries its degrees between the frames.
    EXPECT_TRUE(LinesOf(f, FrameLayer::KmGrid).empty());
    std::vector<const FrameLine*> meridians, parallels;
    for (const FrameLine* l : LinesOf(f, FrameLayer::Graticule)) (l->points.size() == 2 ? meridians : parallels).push_back(l);
    ASSERT_EQ(meridians.size(), 5u);
    ASSERT_EQ(parallels.size(), 3u);
    for (int i = 1; i <= 5; ++i) {
      const double lon = w + i;
      const auto m = std::find_if(meridians.begin(), meridians.end(),
                                  [&](const FrameLine* l) { return near(l->points[0], proj(lon, s)) <= 1e-3; });
      ASSERT_NE(m, meridians.end()) << lon;
      EXPECT_LE(near((*m)->points[1], proj(lon, n)), 1e-3);
      for (int j = 1; j <= 3; ++j) {
        const TPlanePoint x = proj(lon, s + j);
        EXPECT_LE(SegmentDistance(x, (*m)->points[0], (*m)->points[1]), 1e-3);
        double onParallel = INFINITY;
        for (const FrameLine* p : parallels) {
          for (std::size_t k = 0; k + 1 < p->points.size(); ++k) {
            onParallel = std::min(onParallel, SegmentDistance(x, p->points[k], p->points[k + 1]));
          }
        }
        EXPECT_LE(onParallel, kFrameCurveToleranceMm * mm) << lon << " " << s + j;
      }
    }
    for (const FrameLine* p : parallels) {
      for (const TPlanePoint& v : p->points) {
        const PJ_COORD g = proj_trans(pj, PJ_INV, proj_coord(v.X, v.Y, 0, 0));
        EXPECT_NEAR(proj_todeg(g.lp.phi), std::round(proj_todeg(g.lp.phi)), 1e-8);  // 1 mm of latitude
      }
    }
    std::multiset<std::string> labels;
    for (const FrameText& t : f.texts) {
      if (t.layer == FrameLayer::Graticule) labels.insert(t.text);
    }
    for (int i = 1; i <= 5; ++i) EXPECT_GE(labels.count(std::to_string(static_cast<int>(w) + i) + "°"), 1u);
    for (int j = 1; j <= 3; ++j) EXPECT_GE(labels.count(std::to_string(static_cast<int>(s) + j) + "°"), 1u);

    // The note names the projection; no zone, and no series to warn of.
    EXPECT_TRUE(std::any_of(f.texts.begin(), f.texts.end(), [&](const FrameText& t) { return t.text == c.note; }))
        << c.note;
    EXPECT_EQ(FrameAccuracyWarning(c.number, c.datum, r, 117), "");
    // On a list whose large numbers are omitted, the frame keeps its conic's
    // coordinates: the list's offsets belong to its Gauss-Krüger plane.
    TStandardMapUnion listed;
    listed.MapUnionNo = c.number;
    listed.Range = r;
    const MapFrame onList = FrameOfListedSheet(listed, c.datum, false, 117, 20000000, 4000000);
    ASSERT_EQ(LinesOf(onList, FrameLayer::Inner).size(), 1u);
    EXPECT_EQ(LinesOf(onList, FrameLayer::Inner)[0]->points, ring);
    proj_destroy(pj);
  }
}

}  // namespace
}  // namespace karvento
