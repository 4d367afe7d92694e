// SPDX-License-Identifier: Apache-2.0
// The decoration of a map frame, read back from its geometry: the black and
// white minutes of the graduation band, the neighbouring zone's kilometre
// ticks, the 坡度尺, the 偏角图, the straight scale's extension, the named
// standing notes; and no text of the frame touching one of its lines.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <map>
#include <set>
#include <string>

#include "geodesy/projection.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {


struct Case {
  double lon, lat;  // a point of the sheet, degrees
  ScaleIndex scale;
  Datum datum;
  bool zone3;
  double cm;
};

struct Built {
  TStandardMapUnion sheet;
  MapFrame frame;
};

Built Build(const Case& c, FrameRequest request = {}) {
  request.datum = c.datum, request.zone3 = c.zone3, request.cm = c.cm;
  Built out;
  out.sheet = SheetAtPoint(c.lon * 3600, c.lat * 3600, c.scale, true, c.zone3, c.datum, c.cm);
  const auto around = SheetNeighbours(out.sheet, c.scale, true, c.zone3, c.datum, c.cm);
  std::array<std::string, 9> neighbours;
  for (int k = 0; k < 9; ++k) neighbours[k] = around[k].MapUnionNo;
  out.frame = BuildStandardFrame(out.sheet, c.scale, neighbours, request);
  return out;
}

double SegmentDistance(const TPlanePoint& p, const TPlanePoint& a, const TPlanePoint& b) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double len2 = dx * dx + dy * dy;
  const double t = len2 == 0 ? 0 : std::clamp(((p.X - a.X) * dx + (p.Y - a.Y) * dy) / len2, 0.0, 1.0);
  return std::hypot(p.X - (a.X + t * dx), p.Y - (a.Y + t * dy));
}

double LineDistance(const TPlanePoint& p, const FrameLine& l) {
  double d = INFINITY;
  const std::size_t n = l.points.size();
  for (std::size_t i = 0; i + 1 < n || (l.closed && i < n); ++i) {
    d = std::min(d, SegmentDistance(p, l.points[i], l.points[(i + 1) % n]));
  }
  return d;
}

const FrameLine& InnerFrame(const MapFrame& f) {
  return *std::find_if(f.lines.begin(), f.lines.end(), [](const FrameLine& l) { return l.layer == FrameLayer::Inner; });
}

// The minute bars alternate along every side, black over each even whole
// minute and white over each odd one, and each bar ends on a minute's tick
// or at a corner: no minute is covered twice, none partly.
TEST(FrameDecoration, MinuteBarsAlternateAndCoverEachMinuteExactly) {
  const Case cases[] = {
      {116.47, 39.9, 5, Datum::Cgcs2000, false, 117},  // 1:2.5万, 7′30″ by 5′: half minutes at the corners
      {116.47, 39.9, 4, Datum::Xian80, false, 117},    // 1:5万
      {116.47, 39.9, 3, Datum::Beijing54, false, 117}, // 1:10万, curved parallels
      {87.6, 43.8, 4, Datum::Cgcs2000, false, 87},     // west of the central meridian
      {116.47, 39.9, 6, Datum::Cgcs2000, true, 117},   // 1:1万: ticks alone
      {116.47, 39.9, 2, Datum::Cgcs2000, false, 117},  // 1:25万: ticks alone
  };
  for (const Case& c : cases) {
    const Built b = Build(c);
    const MapFrame& f = b.frame;
    SCOPED_TRACE(f.number);
    const FrameStyle& st = kFrameStyles[c.scale];
    const double mm = f.denominator / 1000.0;
    std::vector<const FrameLine*> bars, ticks;
    for (const FrameLine& l : f.lines) {
      if (l.layer != FrameLayer::Graduation || l.closed) continue;
      (l.widthMm == st.bandMm ? bars : ticks).push_back(&l);
    }
    if (!FrameHasMinuteBars(f.denominator)) {
      EXPECT_TRUE(bars.empty());
      continue;
    }
    ASSERT_FALSE(bars.empty());
    const FrameLine& inner = InnerFrame(f);
    // Each bar: across the middle of the band, its ends on ticks or corner rays.
    for (const FrameLine* bar : bars) {
      // (within the inner frame's own tolerance of its true curve)
      for (const TPlanePoint& p : bar->points) {
        EXPECT_NEAR(LineDistance(p, inner), st.bandMm / 2 * mm, 2 * kFrameCurveToleranceMm * mm);
      }
      for (const TPlanePoint& end : {bar->points.front(), bar->points.back()}) {
        double d = INFINITY;
        for (const FrameLine* t : ticks) d = std::min(d, LineDistance(end, *t));
        // A corner: the end is half a band from two sides of the inner frame.
        const bool corner = std::any_of(inner.points.begin(), inner.points.end(), [&](const TPlanePoint& q) {
          return std::hypot(end.X - q.X, end.Y - q.Y) < st.bandMm * mm;
        });
        EXPECT_TRUE(d < 1e-6 * mm || corner) << end.X << " " << end.Y;
      }
    }
    // Every minute between two ticks along each side, by the parity of its
    // whole minute of arc (read back through the inverse projection): black
    // where even.
    const TMapUnionRange& r = b.sheet.Range;
    const double w = DmsToSec(r.West), e = DmsToSec(r.East), s = DmsToSec(r.South), n = DmsToSec(r.North);
    const double cm = c.cm;
    int checked = 0;
    for (const FrameLine* t : ticks) {
      const TPlanePoint a = t->points.front(), z = t->points.back();
      const double len = std::hypot(z.X - a.X, z.Y - a.Y);
      const TPlanePoint mid{a.X + (z.X - a.X) / len * st.bandMm / 2 * mm, a.Y + (z.Y - a.Y) / len * st.bandMm / 2 * mm};
      const TLonLatDMS g = PlaneToGeo(c.datum, a.Y, a.X, c.zone3, cm);
      const bool northSouth = std::abs(z.Y - a.Y) > std::abs(z.X - a.X);
      const double at = std::round(DmsToSec(northSouth ? g.Lon : g.Lat));
      EXPECT_EQ(std::fmod(at, 60), 0) << "a tick at a whole minute";
      // The bars on either side of the tick, a quarter band along it.
      for (const double side : {-1.0, 1.0}) {
        const double minute = std::floor(at / 60) + (side < 0 ? -1 : 0);
        if (minute * 60 < (northSouth ? w : s) || (minute + 1) * 60 > (northSouth ? e : n)) continue;
        const double along = side * 0.5;  // mm on paper, less than a minute at every scale
        const TPlanePoint probe = northSouth ? TPlanePoint{mid.X + along * mm, mid.Y} : TPlanePoint{mid.X, mid.Y + along * mm};
        double d = INFINITY;
        for (const FrameLine* bar : bars) d = std::min(d, LineDistance(probe, *bar));
        const bool black = d < 0.1 * mm;  // on a bar's middle line, not 0.5 mm from its end
        EXPECT_EQ(black, static_cast<long long>(minute) % 2 == 0) << "minute " << minute;
        ++checked;
      }
    }
    EXPECT_GT(checked, 20);
  }
}

// Near a zone's edge the neighbouring zone's kilometre lines are ticked
// outside the band where they meet the inner frame: each at a whole
// kilometre of that zone, as the inverse and forward projections give it,
// and as many as that zone's lines that cross each side.
TEST(FrameDecoration, NeighbouringZoneTicksStandAtItsWholeKilometres) {
  struct NearEdge {
    Case c;
    double neighbourCm;  // 0: none expected
  };
  const NearEdge cases[] = {
      {{119.85, 39.9, 4, Datum::Cgcs2000, false, 117}, 123},  // 1:5万 at 120°, the east edge of zone 20
      {{118.45, 39.9, 6, Datum::Cgcs2000, true, 117}, 120},   // 1:1万 at 118.5°, 3° zone 39
      {{114.1, 30.5, 5, Datum::Beijing54, false, 117}, 111},  // 1:2.5万 at the west edge of zone 20
      {{119.8, 39.9, 3, Datum::Xian80, false, 117}, 123},     // 1:10万: 2 km lines
      {{116.47, 39.9, 4, Datum::Cgcs2000, false, 117}, 0},    // 1:5万 in mid-zone
      {{119.85, 39.9, 4, Datum::Cgcs2000, false, 0}, 123},    // on its own zone, no zone numbers
  };
  for (const NearEdge& ne : cases) {
    const Built b = Build(ne.c);
    const MapFrame& f = b.frame;
    SCOPED_TRACE(f.number);
    const FrameStyle& st = kFrameStyles[ne.c.scale];
    const double mm = f.denominator / 1000.0, g = st.gridMetres;
    const double cm = ne.c.cm != 0 ? ne.c.cm : CentralMeridian(ne.c.zone3, ne.c.lon);
    // The sheet's corners in the neighbouring zone, by its own projection.
    const ZoneParams other = ne.c.cm != 0 ? MakeZoneParams(ne.c.zone3, ne.neighbourCm)
                                          : ZoneParams{ne.c.zone3, ne.neighbourCm, 0, 500000.0};
    const TMapUnionRange& r = b.sheet.Range;
    const auto nb = [&](const TAngleDMS& lon, const TAngleDMS& lat) { return GeoToPlane(ne.c.datum, {lon, lat}, other); };
    std::vector<const FrameLine*> ticks;
    for (const FrameLine& l : f.lines) {
      if (l.layer == FrameLayer::NeighbourZone) ticks.push_back(&l);
    }
    if (ne.neighbourCm == 0) {
      EXPECT_TRUE(ticks.empty());
      continue;
    }
    const auto between = [&](double a, double z) {
      return std::ceil(std::max(a, z) / g) - std::floor(std::min(a, z) / g) - 1;
    };
    const double expected = between(nb(r.West, r.North).X, nb(r.East, r.North).X) +
                            between(nb(r.West, r.South).X, nb(r.East, r.South).X) +
                            between(nb(r.West, r.South).Y, nb(r.West, r.North).Y) +
                            between(nb(r.East, r.South).Y, nb(r.East, r.North).Y);
    EXPECT_EQ(static_cast<double>(ticks.size()), expected);
    const FrameLine& inner = InnerFrame(f);
    for (const FrameLine* t : ticks) {
      const TPlanePoint a = t->points.front(), z = t->points.back();
      const double len = std::hypot(z.X - a.X, z.Y - a.Y);
      EXPECT_NEAR(len, 1.5 * mm, 1e-6 * mm);
      EXPECT_NEAR(LineDistance(a, inner), st.bandMm * mm, 2 * kFrameCurveToleranceMm * mm) << "from the band outward";
      const TPlanePoint on{a.X - (z.X - a.X) / len * st.bandMm * mm, a.Y - (z.Y - a.Y) / len * st.bandMm * mm};
      EXPECT_LT(LineDistance(on, inner), 2 * kFrameCurveToleranceMm * mm);
      // (a frame on its own zone writes no zone number, which the inverse wants)
      const double east = ne.c.cm != 0 ? on.X : on.X + ZoneNumber(ne.c.zone3, cm) * 1000000;
      const TLonLatDMS geo = PlaneToGeo(ne.c.datum, on.Y, east, ne.c.zone3, cm);
      const TPlanePoint there = nb(geo.Lon, geo.Lat);
      const bool northSouth = std::abs(z.Y - a.Y) > std::abs(z.X - a.X);
      const double v = northSouth ? there.X : there.Y;
      EXPECT_NEAR(v, std::round(v / g) * g, 1e-3) << (northSouth ? "easting " : "northing ") << std::fixed << v;
    }
    const bool noted = std::any_of(f.texts.begin(), f.texts.end(), [&](const FrameText& t) {
      return t.text == "图廓间短线为第 " + std::to_string(static_cast<int>(ZoneNumber(ne.c.zone3, ne.neighbourCm))) + " 带方里网";
    });
    EXPECT_TRUE(noted);
  }
}

// The 坡度尺: each ordinate at a slope α is n × interval / tan α on paper,
// for two adjacent contours (n = 1) and six (n = 5), none beyond 30 mm; the
// scale is drawn at 1:1万 … 1:10万 with a contour interval only.
TEST(FrameDecoration, SlopeScaleOrdinatesAreTheContourSpacingOnPaper) {
  struct Slope {
    Case c;
    double interval;
    bool drawn;
  };
  const Slope cases[] = {
      {{116.47, 39.9, 6, Datum::Cgcs2000, true, 117}, 5, true},     // 1:1万: 0.5° beyond 30 mm
      {{116.47, 39.9, 4, Datum::Cgcs2000, false, 117}, 10, true},   // 1:5万
      {{116.47, 39.9, 3, Datum::Cgcs2000, false, 117}, 20, true},   // 1:10万
      {{116.47, 39.9, 4, Datum::Cgcs2000, false, 117}, 0, false},   // no interval, no scale
      {{116.47, 39.9, 2, Datum::Cgcs2000, false, 117}, 50, false},  // 1:25万
      {{116.47, 39.9, 7, Datum::Cgcs2000, true, 117}, 2, false},    // 1:5000
  };
  for (const Slope& sc : cases) {
    FrameRequest request;
    request.contourInterval = sc.interval;
    const MapFrame f = Build(sc.c, request).frame;
    SCOPED_TRACE(f.number);
    const double mm = f.denominator / 1000.0;
    std::map<double, double> slopeAt;  // x of an ordinate → its slope
    for (const FrameText& t : f.texts) {
      if (t.layer != FrameLayer::Notes || t.text.size() < 3 || t.text.substr(t.text.size() - 2) != "°") continue;
      if (t.text.find_first_not_of("0123456789.", 0) != t.text.size() - 2) continue;
      slopeAt[t.at.X] = std::stod(t.text);
    }
    if (!sc.drawn) {
      EXPECT_TRUE(slopeAt.empty());
      continue;
    }
    ASSERT_FALSE(slopeAt.empty());
    const double baseline = [&] {
      for (const FrameText& t : f.texts) {
        if (slopeAt.count(t.at.X) > 0 && t.layer == FrameLayer::Notes) return t.at.Y + 1 * mm;
      }
      return 0.0;
    }();
    int curves = 0;
    for (const FrameLine& l : f.lines) {
      if (l.layer != FrameLayer::Notes || l.closed || l.points.size() < 3) continue;
      ++curves;
      for (const TPlanePoint& p : l.points) {
        ASSERT_EQ(slopeAt.count(p.X), 1u);
        const double a = slopeAt[p.X];
        const double ordinate = (p.Y - baseline) / mm;
        EXPECT_LE(ordinate, 30);
        const double n = ordinate * std::tan(a * kPi / 180) * f.denominator / 1000 / sc.interval;
        EXPECT_NEAR(n, std::round(n), 1e-9) << a << "°";
        EXPECT_TRUE(std::round(n) == 1 || std::round(n) == 5) << n;
      }
    }
    EXPECT_EQ(curves, 2);
  }
}

// The convergence against its series: γ = Δλ sin φ (1 + Δλ² cos² φ (1 + 3η²) / 3),
// east of the central meridian positive; the 偏角图 writes the user's
// declination and δ − γ, and without a declination no magnetic line.
TEST(FrameDecoration, ConvergenceAndTheDeclinationDiagram) {
  struct Point {
    double lon, lat, cm;
    bool zone3;
  };
  for (const Point& p : {Point{116.4375, 39.9375, 117, true}, Point{118.4, 39.9, 117, true}, Point{120.0, 25, 117, false},
                         Point{111.2, 30.5, 114, false}, Point{87.6, 43.8, 87, true}}) {
    const double dl = (p.lon - p.cm) * kPi / 180, phi = p.lat * kPi / 180;
    const double eta2 = 0.006739496742 * std::cos(phi) * std::cos(phi);  // CGCS2000 second eccentricity squared
    const double series = dl * std::sin(phi) * (1 + dl * dl * std::cos(phi) * std::cos(phi) * (1 + 3 * eta2) / 3);
    EXPECT_NEAR(MeridianConvergenceDeg(Datum::Cgcs2000, MakeZoneParams(p.zone3, p.cm), p.lon, p.lat),
                series * 180 / kPi, 2e-5)
        << p.lon << " " << p.lat;
  }
  const Case j50{116.4375, 39.9375, 6, Datum::Cgcs2000, true, 117};  // J50G003040
  FrameRequest withDeclination;
  withDeclination.hasDeclination = true;
  withDeclination.declination = -6.5;
  const auto texts = [](const MapFrame& f) {
    std::set<std::string> out;
    for (const FrameText& t : f.texts) out.insert(t.text);
    return out;
  };
  const auto with = texts(Build(j50, withDeclination).frame), without = texts(Build(j50).frame);
  // γ = −0°20′ here: grid north west of true north.
  EXPECT_EQ(with.count("子午线收敛角 0°20′ 西偏"), 1u);
  EXPECT_EQ(with.count("磁偏角 6°30′ 西偏"), 1u);
  EXPECT_EQ(with.count("磁坐偏角 6°10′ 西偏"), 1u);
  EXPECT_EQ(with.count("磁子午线"), 1u);
  EXPECT_EQ(without.count("子午线收敛角 0°20′ 西偏"), 1u);
  EXPECT_EQ(without.count("磁子午线"), 0u);
  EXPECT_EQ(without.count("磁偏角未给出"), 1u);
  EXPECT_EQ(texts(Build({116.47, 39.9, 2, Datum::Cgcs2000, false, 117}).frame).count("真子午线"), 0u) << "1:25万";
}

// The straight scale: five units right of 0 and one left of it in tenths,
// true to the scale; kilometres from units of 500 m.
TEST(FrameDecoration, TheStraightScaleHasItsExtensionInTenthsLeftOfZero) {
  struct Bar {
    Case c;
    double unitMetres;
    const char* unitText;
  };
  for (const Bar& bar : {Bar{{116.47, 39.9, 6, Datum::Cgcs2000, true, 117}, 100, "米"},
                         Bar{{116.47, 39.9, 4, Datum::Cgcs2000, false, 117}, 500, "千米"},
                         Bar{{116.47, 39.9, 0, Datum::Cgcs2000, false, 117}, 10000, "千米"}}) {
    const MapFrame f = Build(bar.c).frame;
    SCOPED_TRACE(f.number);
    const double mm = f.denominator / 1000.0;
    const FrameText* zero = nullptr;
    for (const FrameText& t : f.texts) {
      if (t.layer == FrameLayer::Notes && t.text == "0") zero = &t;
    }
    ASSERT_TRUE(zero);
    // The bar's cross lines: 1.5 mm high, standing on the bar's foot.
    std::vector<double> xs;
    for (const FrameLine& l : f.lines) {
      if (l.layer == FrameLayer::Notes && l.points.size() == 2 && l.points[0].X == l.points[1].X &&
          std::abs(std::abs(l.points[1].Y - l.points[0].Y) - 1.5 * mm) < 1e-9 * mm) {
        xs.push_back(l.points[0].X - zero->at.X);
      }
    }
    std::sort(xs.begin(), xs.end());
    std::vector<double> expected;
    for (int j = 1; j < 10; ++j) expected.push_back(-bar.unitMetres + bar.unitMetres * j / 10);
    for (int i = 0; i <= 5; ++i) expected.push_back(bar.unitMetres * i);
    ASSERT_EQ(xs.size(), expected.size());
    for (std::size_t i = 0; i < xs.size(); ++i) EXPECT_NEAR(xs[i], expected[i], 1e-6) << i;
    const bool unit = std::any_of(f.texts.begin(), f.texts.end(), [&](const FrameText& t) { return t.text == bar.unitText; });
    EXPECT_TRUE(unit);
  }
}

// The standing notes, each from its option, in order under the datum note;
// 密级 above the north-east corner; nothing not given is written.
TEST(FrameDecoration, StandingNotesAndClassification) {
  FrameRequest request;
  request.elevationDatum = "1985国家高程基准";
  request.contourInterval = 2.5;
  request.symbols = "GB/T 20257.3—2017";
  request.surveyor = "某测绘院";
  request.surveyDate = "2026年5月";
  request.classification = "秘密";
  const Case c{116.47, 39.9, 5, Datum::Cgcs2000, false, 117};
  const MapFrame f = Build(c, request).frame;
  const std::vector<std::string> order = {DatumNote(Datum::Cgcs2000, false, 117), "1985国家高程基准", "等高距为 2.5 米",
                                          "图式：GB/T 20257.3—2017", "测制单位：某测绘院", "测制日期：2026年5月"};
  double y = INFINITY;
  for (const std::string& text : order) {
    const auto it = std::find_if(f.texts.begin(), f.texts.end(), [&](const FrameText& t) { return t.text == text; });
    ASSERT_NE(it, f.texts.end()) << text;
    EXPECT_LT(it->at.Y, y) << text << " under the one before";
    y = it->at.Y;
  }
  const FrameLine& outer = *std::find_if(f.lines.begin(), f.lines.end(), [](const FrameLine& l) { return l.layer == FrameLayer::Outer; });
  double maxX = -INFINITY, maxY = -INFINITY;
  for (const TPlanePoint& p : outer.points) maxX = std::max(maxX, p.X), maxY = std::max(maxY, p.Y);
  const auto secret = std::find_if(f.texts.begin(), f.texts.end(), [](const FrameText& t) { return t.text == "秘密"; });
  ASSERT_NE(secret, f.texts.end());
  EXPECT_EQ(secret->h, HAlign::Right);
  EXPECT_EQ(secret->at.X, maxX);
  EXPECT_GT(FrameTextBox(*secret, f.denominator).y0, maxY);
  const MapFrame plain = Build(c).frame;
  for (const FrameText& t : plain.texts) {
    EXPECT_TRUE(t.text.find("等高距") == std::string::npos && t.text.find("测制") == std::string::npos) << t.text;
  }
}

// No text of a frame, margins included, touches one of its lines (the
// line's weight counted).
TEST(FrameDecoration, NoTextTouchesALine) {
  const Case cases[] = {
      {116.4375, 39.9375, 6, Datum::Cgcs2000, true, 117},  // J50G003040
      {119.85, 39.9, 4, Datum::Cgcs2000, false, 117},      // 1:5万 with the neighbouring zone
      {118.45, 39.9, 6, Datum::Cgcs2000, true, 117},       // 1:1万 with the neighbouring zone
      {116.47, 39.9, 3, Datum::Xian80, false, 117},        // 1:10万
      {116.47, 39.9, 2, Datum::Cgcs2000, false, 117},      // 1:25万
      {121.2, 31.1, 10, Datum::Cgcs2000, true, 120},       // 1:500
  };
  FrameRequest request;
  request.contourInterval = 10;
  request.hasDeclination = true;
  request.declination = 4.2;
  request.classification = "秘密";
  request.elevationDatum = "1985国家高程基准";
  for (const Case& c : cases) {
    const MapFrame f = Build(c, request).frame;
    SCOPED_TRACE(f.number);
    const double mm = f.denominator / 1000.0;
    for (const FrameText& t : f.texts) {
      const FrameBox box = FrameTextBox(t, f.denominator);
      for (const FrameLine& l : f.lines) {
        if (l.layer == FrameLayer::Neighbours) continue;  // the 接合图表's texts stand inside its cells
        const double pad = l.widthMm / 2 * mm;
        const std::size_t n = l.points.size();
        bool hit = false;
        for (std::size_t i = 0; i + 1 < n || (l.closed && i < n); ++i) {
          const TPlanePoint a = l.points[i], z = l.points[(i + 1) % n];
          // Liang–Barsky against the box grown by the line's half weight.
          double t0 = 0, t1 = 1;
          const double dx = z.X - a.X, dy = z.Y - a.Y;
          const double pq[4][2] = {{-dx, a.X - (box.x0 - pad)}, {dx, box.x1 + pad - a.X},
                                   {-dy, a.Y - (box.y0 - pad)}, {dy, box.y1 + pad - a.Y}};
          bool outside = false;
          for (const auto& [p, q] : pq) {
            if (p == 0) {
              outside = outside || q < 0;
              continue;
            }
            const double r = q / p;
            (p < 0 ? t0 : t1) = p < 0 ? std::max(t0, r) : std::min(t1, r);
          }
          if (!outside && t0 <= t1) hit = true;
        }
        EXPECT_FALSE(hit) << "“" << t.text << "” touches a line of layer " << static_cast<int>(l.layer);
      }
    }
  }
}

}  // namespace
}  // namespace karvento
