// SPDX-License-Identifier: Apache-2.0
// The frame of a sheet as lines and texts in the Gauss-Krüger plane.
#include "numbering/map_frame.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <optional>

#include "geodesy/lambert_conic.h"
#include "geodesy/projection.h"
#include "geodesy/projection_accuracy.h"
#include "numbering/error.h"
#include "numbering/sheet_outline.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

// Line weights and distances in millimetres of paper. The 0.15 mm of the
// thin lines is the general line weight of the national map symbol standard;
// the other sizes are chosen to read well on paper (see README, "Map frames").
const std::array<FrameStyle, kScaleCount> kFrameStyles = {{
    // denom    tick″  grid m  inner outer grid  band gap   label number name note
    {1000000, 300, 50000, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {500000, 120, 20000, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {250000, 60, 10000, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {100000, 60, 2000, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {50000, 60, 1000, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {25000, 60, 1000, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {10000, 60, 1000, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {5000, 10, 1000, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {2000, 5, 200, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {1000, 2, 100, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
    {500, 1, 50, 0.15, 1.0, 0.15, 2.0, 12.0, 2.5, 5.0, 7.0, 3.0},
}};

namespace {


struct Vec {
  double x, y;
};
TPlanePoint Add(const TPlanePoint& p, Vec v, double s) { return {p.X + v.x * s, p.Y + v.y * s}; }

// The projection of the frame: one zone for the whole sheet, or at
// 1:100万 the sheet's own conic.
struct FramePlane {
  Datum datum;
  ZoneParams zone;
  int zoneNumber;  // of the easting labels
  bool prefixed;   // the coordinates carry the zone number
  std::optional<LambertConic> conic{};

  TPlanePoint operator()(const TAngleDMS& lon, const TAngleDMS& lat) const {
    if (conic) return conic->Forward(DmsToDeg(lon), DmsToDeg(lat));
    return WithSplitProjection(datum, zone, [&](const auto& p) {
      return p.Point(p.Parallel(lat), p.Meridian(DmsToDeg(lon)));
    });
  }
};

int ZoneNumberOf(bool zone3, double cm) { return static_cast<int>(ZoneNumber(zone3, cm)); }

FramePlane PlaneOf(Datum datum, bool zone3, double cm, const TMapUnionRange& range, bool conic) {
  if (conic) {
    const DatumInfo& d = DatumInfoOf(datum);
    const double centre = (DmsToDeg(range.West) + DmsToDeg(range.East)) / 2;
    return {datum, ZoneParams{zone3, centre, 0, 500000.0}, 0, false,
            LambertConic(MillionSheetConic(d.a, d.inverseFlattening, DmsToDeg(range.South), centre))};
  }
  if (cm != 0) return {datum, MakeZoneParams(zone3, cm), ZoneNumberOf(zone3, cm), true};
  const double centre = (DmsToDeg(range.West) + DmsToDeg(range.East)) / 2;
  const double c = CentralMeridian(zone3, centre);
  return {datum, ZoneParams{zone3, c, 0, 500000.0}, ZoneNumberOf(zone3, c), false};
}

// The four edges of the inner frame, counter-clockwise: south (W → E), east
// (S → N), north (E → W), west (N → S). Each edge holds its two corners, the
// sheet's plane corners to the bit, and follows its true curve within tol.
std::array<std::vector<TPlanePoint>, 4> Edges(const FramePlane& plane, const TMapUnionRange& r,
                                              double tol) {
  if (plane.conic) {
    // On the cone the meridians are straight and the parallels arcs: each
    // parallel in equal steps of longitude, halved until every step's middle
    // lies within tol of its chord.
    const double w = DmsToSec(r.West), e = DmsToSec(r.East);
    const auto parallel = [&](const TAngleDMS& lat) {
      for (int k = 1;; k *= 2) {
        std::vector<TPlanePoint> pts;
        double worst = 0;
        for (int i = 0; i <= k; ++i) {
          pts.push_back(i == 0 ? plane(r.West, lat) : i == k ? plane(r.East, lat) : plane(SecToDms(w + (e - w) * i / k), lat));
          if (i == 0) continue;
          const TPlanePoint mid = plane(SecToDms(w + (e - w) * (i - 0.5) / k), lat);
          const TPlanePoint& a = pts[pts.size() - 2];
          const TPlanePoint& z = pts.back();
          worst = std::max(worst, std::abs((z.X - a.X) * (mid.Y - a.Y) - (z.Y - a.Y) * (mid.X - a.X)) /
                                      std::hypot(z.X - a.X, z.Y - a.Y));
        }
        if (worst <= tol || k >= 4096) return pts;
      }
    };
    std::array<std::vector<TPlanePoint>, 4> edges;
    edges[0] = parallel(r.South);
    edges[2] = parallel(r.North);
    std::reverse(edges[2].begin(), edges[2].end());
    edges[1] = {edges[0].back(), edges[2].front()};
    edges[3] = {edges[2].back(), edges[0].front()};
    return edges;
  }
  auto clockwise = PlaneOutlineEdges(plane.datum, r, plane.zone, tol);  // north, east, south, west
  std::array<std::vector<TPlanePoint>, 4> edges;
  const int from[4] = {2, 1, 0, 3};
  for (int i = 0; i < 4; ++i) {
    edges[i] = std::move(clockwise[from[i]]);
    std::reverse(edges[i].begin(), edges[i].end());
  }
  return edges;
}

// The outward normal of an edge of a counter-clockwise ring: its chord
// turned to the right.
Vec Outward(const std::vector<TPlanePoint>& edge) {
  const double dx = edge.back().X - edge.front().X, dy = edge.back().Y - edge.front().Y;
  const double len = std::hypot(dx, dy);
  return {dy / len, -dx / len};
}

// The ring parallel to the inner frame at distance d outside it: each edge
// moved along its normal, the corners mitred.
std::vector<TPlanePoint> OffsetRing(const std::array<std::vector<TPlanePoint>, 4>& edges,
                                    const std::array<Vec, 4>& normals, double d) {
  std::vector<TPlanePoint> ring;
  for (int i = 0; i < 4; ++i) {
    const Vec a = normals[(i + 3) % 4], b = normals[i];
    const double k = d / (1 + a.x * b.x + a.y * b.y);
    ring.push_back(Add(edges[i].front(), Vec{a.x + b.x, a.y + b.y}, k));
    for (std::size_t j = 1; j + 1 < edges[i].size(); ++j) ring.push_back(Add(edges[i][j], b, d));
  }
  return ring;
}

// Crossings of the ring with the line coord = v (x: X = v, else Y = v), as the
// other coordinate, sorted. Half-open edges: a vertex on the line counts once.
std::vector<double> Crossings(const std::vector<TPlanePoint>& ring, double v, bool x) {
  std::vector<double> out;
  for (std::size_t i = 0; i < ring.size(); ++i) {
    const TPlanePoint& p = ring[i];
    const TPlanePoint& q = ring[(i + 1) % ring.size()];
    const double pa = x ? p.X : p.Y, qa = x ? q.X : q.Y;
    const double pb = x ? p.Y : p.X, qb = x ? q.Y : q.X;
    if ((pa <= v && v < qa) || (qa <= v && v < pa)) out.push_back(pb + (v - pa) * (qb - pb) / (qa - pa));
  }
  std::sort(out.begin(), out.end());
  return out;
}

std::string Format2(int v) {
  char buf[16];
  std::snprintf(buf, sizeof buf, "%02d", v);
  return buf;
}

// 116°15′, 39°50′, 116°03′45″, 116°01′52.5″.
std::string AngleLabel(double seconds) {
  const long long eighths = std::llround(seconds * 8);
  const long long d = eighths / (3600 * 8), m = eighths / (60 * 8) % 60;
  const long long s8 = eighths % (60 * 8);
  std::string t = std::to_string(d) + "°" + Format2(static_cast<int>(m)) + "′";
  if (s8 != 0) {
    char buf[32];
    if (s8 % 8 == 0) {
      std::snprintf(buf, sizeof buf, "%02lld″", s8 / 8);
    } else {
      std::snprintf(buf, sizeof buf, "%0*.*f″", s8 % 4 == 0 ? 4 : 6, s8 % 4 == 0 ? 1 : 3,
                    static_cast<double>(s8) / 8);
    }
    t += buf;
  }
  return t;
}

// The em of a character in the layout (see FrameTextWidthMm) and whether it
// is a character of the digits' height.
struct Advance {
  double em;
  bool low;
};
Advance AdvanceOf(std::string_view text, std::size_t& i) {
  const unsigned char c = static_cast<unsigned char>(text[i]);
  const std::size_t len = c < 0x80 ? 1 : c < 0xE0 ? 2 : c < 0xF0 ? 3 : 4;
  const std::string_view ch = text.substr(i, len);
  i += len;
  if (len == 1) {
    if (c >= '0' && c <= '9') return {0.56, true};
    if (c == '.' || c == ':') return {0.28, true};
    if (c == '-') return {0.33, true};
    if (c == ' ') return {0.27, true};
    if (c == 'M' || c == 'W' || c == 'm' || c == 'w') return {0.9, true};
    // Descenders reach below the digits' box.
    const bool descends = c == 'g' || c == 'j' || c == 'p' || c == 'q' || c == 'y' || c == 'J' || c == 'Q';
    if ((c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z')) return {0.62, !descends};
    return {0.6, true};
  }
  if (ch == "°") return {0.44, true};
  if (ch == "′") return {0.24, true};
  if (ch == "″") return {0.41, true};
  return {1.0, false};
}

// The em of a height: the painter's font size is the height / 0.75.
constexpr double kEmPerHeight = 1 / 0.75;

// The clearance, paper millimetres, of a label from a line's edge and from
// another label.
constexpr double kTextClearMm = 0.25;

// Whether segment ab meets the box (Liang–Barsky clipping).
bool SegmentMeetsBox(const TPlanePoint& a, const TPlanePoint& b, const FrameBox& box) {
  double t0 = 0, t1 = 1;
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double p[4] = {-dx, dx, -dy, dy};
  const double q[4] = {a.X - box.x0, box.x1 - a.X, a.Y - box.y0, box.y1 - a.Y};
  for (int i = 0; i < 4; ++i) {
    if (p[i] == 0) {
      if (q[i] < 0) return false;
      continue;
    }
    const double t = q[i] / p[i];
    if (p[i] < 0) {
      t0 = std::max(t0, t);
    } else {
      t1 = std::min(t1, t);
    }
    if (t0 > t1) return false;
  }
  return true;
}

class Builder {
 public:
  Builder(MapFrame& f, double metresPerMm) : f_(f), k_(metresPerMm) {}
  double M(double mm) const { return mm * k_; }
  void Line(FrameLayer layer, double width, bool closed, std::vector<TPlanePoint> pts) {
    f_.lines.push_back({layer, width, closed, std::move(pts)});
  }
  void Segment(FrameLayer layer, double width, TPlanePoint a, TPlanePoint b) {
    Line(layer, width, false, {a, b});
  }
  void Text(FrameLayer layer, std::string text, TPlanePoint at, double h, HAlign ha, VAlign va) {
    f_.texts.push_back({layer, std::move(text), at, h, ha, va});
  }
  // A closed ring of the given weight that placed texts keep clear of.
  void Block(std::vector<TPlanePoint> ring, double widthMm) { blocks_.push_back({std::move(ring), widthMm}); }
  // Whether a text's box stays kTextClearMm clear of every blocking line
  // and of every text placed before it.
  bool Free(const FrameText& t) const {
    const FrameBox box = FrameTextBox(t, f_.denominator);
    for (const Blocking& bl : blocks_) {
      const double pad = M(bl.widthMm / 2 + kTextClearMm);
      const FrameBox grown{box.x0 - pad, box.y0 - pad, box.x1 + pad, box.y1 + pad};
      for (std::size_t i = 0; i < bl.ring.size(); ++i) {
        if (SegmentMeetsBox(bl.ring[i], bl.ring[(i + 1) % bl.ring.size()], grown)) return false;
      }
    }
    const double gap = M(kTextClearMm);
    for (const FrameBox& o : placed_) {
      if (box.x0 < o.x1 + gap && o.x0 < box.x1 + gap && box.y0 < o.y1 + gap && o.y0 < box.y1 + gap) return false;
    }
    return true;
  }
  void Place(FrameText t) {
    placed_.push_back(FrameTextBox(t, f_.denominator));
    f_.texts.push_back(std::move(t));
  }
  // Places t at its height or, where it does not fit, at the largest of
  // 95 %, 90 %, … 60 % of it that does; false (and placed at 60 %) when none
  // does.
  bool PlaceFitted(FrameText t) {
    const double h = t.heightMm;
    for (int k = 0; k <= 8; ++k) {
      t.heightMm = h * (1 - 0.05 * k);
      if (Free(t)) {
        Place(std::move(t));
        return true;
      }
    }
    Place(std::move(t));
    return false;
  }
  // Bounds over every line and every text's estimated box.
  void Finish() {
    double x0 = INFINITY, y0 = INFINITY, x1 = -INFINITY, y1 = -INFINITY;
    const auto take = [&](double x, double y) {
      x0 = std::min(x0, x), y0 = std::min(y0, y), x1 = std::max(x1, x), y1 = std::max(y1, y);
    };
    for (const FrameLine& l : f_.lines) {
      for (const TPlanePoint& p : l.points) take(p.X, p.Y);
    }
    for (const FrameText& t : f_.texts) {
      const FrameBox box = FrameTextBox(t, f_.denominator);
      take(box.x0, box.y0);
      take(box.x1, box.y1);
    }
    f_.minX = x0, f_.minY = y0, f_.maxX = x1, f_.maxY = y1;
  }

 private:
  struct Blocking {
    std::vector<TPlanePoint> ring;
    double widthMm;
  };
  MapFrame& f_;
  double k_;
  std::vector<Blocking> blocks_;
  std::vector<FrameBox> placed_;
};

// The straight scale (直线比例尺): five units of 1, 2 or 5 × 10^n metres, each
// at least 10 mm on paper, right of 0, and left of 0 one more unit divided
// into tenths, from which the fraction of a unit is read; every other unit
// and every other tenth filled. Centred at (cx, top) and hanging down from it.
void ScaleBar(Builder& b, const FrameStyle& st, double cx, double top) {
  double unit = 1;
  for (double p = 1; unit * 1000 / st.denominator < 10; p *= 10) {
    for (const double m : {1.0, 2.0, 5.0, 10.0}) {
      unit = m * p;
      if (unit * 1000 / st.denominator >= 10) break;
    }
  }
  const int n = 5;
  const double seg = unit;  // ground metres: the bar is drawn at true scale
  const double h = b.M(1.5);
  const double start = cx - seg * (n + 1) / 2;  // the extension's left end
  const double zero = start + seg;
  b.Line(FrameLayer::Notes, st.gridWidth, true,
         {{start, top - h}, {zero + seg * n, top - h}, {zero + seg * n, top}, {start, top}});
  // Kilometres from units of 500 m, so that the five values keep apart.
  const bool km = unit >= 500;
  const auto value = [&](double metres) {
    char buf[32];
    std::snprintf(buf, sizeof buf, "%g", km ? metres / 1000 : metres);
    return std::string(buf);
  };
  for (int i = 0; i <= n; ++i) {
    const double x = zero + seg * i;
    b.Segment(FrameLayer::Notes, st.gridWidth, {x, top - h}, {x, top});
    // Every other unit filled by a line along its middle, as thick as the bar.
    if (i < n && i % 2 == 0) {
      b.Line(FrameLayer::Notes, 1.5, false, {{x, top - h / 2}, {x + seg, top - h / 2}});
    }
    b.Text(FrameLayer::Notes, value(unit * i), {x, top - h - b.M(1)}, st.labelMm, HAlign::Centre, VAlign::Top);
  }
  b.Text(FrameLayer::Notes, km ? "千米" : "米", {zero + seg * n + b.M(1.5), top - h / 2}, st.labelMm, HAlign::Left,
         VAlign::Middle);
  for (int j = 0; j < 10; ++j) {
    const double x = start + seg * j / 10;
    if (j > 0) b.Segment(FrameLayer::Notes, st.gridWidth, {x, top - h}, {x, top});
    if (j % 2 == 0) b.Line(FrameLayer::Notes, 1.5, false, {{x, top - h / 2}, {x + seg / 10, top - h / 2}});
  }
  b.Text(FrameLayer::Notes, value(unit), {start, top - h - b.M(1)}, st.labelMm, HAlign::Centre, VAlign::Top);
}

// The 坡度尺 with its baseline's left end at (x0, y0): for each slope of
// kSlopeScaleDegrees an ordinate as long as the map distance between two
// adjacent contours, and one as long as that between six (five intervals),
// each curve through the tops of its ordinates; an ordinate longer than
// kSlopeCapMm is left out, and a slope with neither. The slopes are written
// under the baseline.
constexpr double kSlopeStepMm = 4.5, kSlopeCapMm = 30, kSlopeTextMm = 1.6;
double SlopeScaleWidthMm() { return kSlopeStepMm * (kSlopeScaleDegrees.size() - 1); }
void SlopeScale(Builder& b, const FrameStyle& st, double interval, double x0, double y0) {
  const double w = st.gridWidth;
  std::vector<TPlanePoint> curves[2];
  double first = INFINITY;  // the baseline from the first slope drawn
  for (std::size_t i = 0; i < kSlopeScaleDegrees.size(); ++i) {
    const double a = kSlopeScaleDegrees[i];
    const double x = x0 + b.M(kSlopeStepMm * static_cast<double>(i));
    double top = 0;
    for (int c = 0; c < 2; ++c) {
      const double d = SlopeSpacingMm(interval, c == 0 ? 1 : 5, a, st.denominator);
      if (d > kSlopeCapMm) continue;
      curves[c].push_back({x, y0 + b.M(d)});
      top = std::max(top, d);
    }
    if (top == 0) continue;
    first = std::min(first, x);
    b.Segment(FrameLayer::Notes, w, {x, y0}, {x, y0 + b.M(top)});
    char buf[16];
    std::snprintf(buf, sizeof buf, "%g°", a);
    b.Text(FrameLayer::Notes, buf, {x, y0 - b.M(1)}, kSlopeTextMm, HAlign::Centre, VAlign::Top);
  }
  if (!std::isfinite(first)) return;
  b.Segment(FrameLayer::Notes, w, {first, y0}, {x0 + b.M(SlopeScaleWidthMm()), y0});
  for (auto& c : curves) {
    if (c.size() >= 2) b.Line(FrameLayer::Notes, w, false, std::move(c));
  }
  char caption[64];
  std::snprintf(caption, sizeof caption, "坡度尺（等高距 %g 米）", interval);
  b.Text(FrameLayer::Notes, caption, {x0 + b.M(SlopeScaleWidthMm() / 2), y0 - b.M(2 + kSlopeTextMm + 1)},
         kSlopeTextMm * 1.2, HAlign::Centre, VAlign::Top);
}

// The 偏角图 with the foot of its lines at (bx, by): grid north (坐标纵线)
// upright, as on the printed sheet; true north (真子午线) turned from it by
// the convergence; magnetic north (磁子午线) by the declination from true
// north, where the user gave it (磁坐偏角 = declination − convergence). Small angles are drawn opened up (every pair at
// least 8° apart where that keeps every line within 35° of upright); the
// values written under it are the exact ones.
void DeclinationDiagram(Builder& b, double convergence, const FrameRequest& request, double bx, double by) {
  struct North {
    double angle;  // degrees, clockwise from grid north
    const char* name;
    double shown = 0;
  };
  std::vector<North> lines = {{0, "坐标纵线"}, {-convergence, "真子午线"}};
  if (request.hasDeclination) lines.push_back({request.declination - convergence, "磁子午线"});
  std::sort(lines.begin(), lines.end(), [](const North& a, const North& c) { return a.angle < c.angle; });
  double gap = INFINITY, far = 0;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    far = std::max(far, std::abs(lines[i].angle));
    if (i > 0 && lines[i].angle > lines[i - 1].angle) gap = std::min(gap, lines[i].angle - lines[i - 1].angle);
  }
  double open = std::isfinite(gap) ? std::max(1.0, 8 / gap) : 1;
  if (far > 0) open = std::max(1.0, std::min(open, 35 / far));
  const double h = kSlopeTextMm * 1.1;
  for (std::size_t i = 0; i < lines.size(); ++i) {
    North& l = lines[i];
    l.shown = l.angle * open * kPi / 180;
    const bool middle = lines.size() == 3 && i == 1;
    const double len = b.M(middle ? 22 : 18);
    const TPlanePoint tip{bx + len * std::sin(l.shown), by + len * std::cos(l.shown)};
    b.Segment(FrameLayer::Notes, 0.15, {bx, by}, tip);
    if (middle) {
      b.Text(FrameLayer::Notes, l.name, {tip.X, tip.Y + b.M(1.2)}, h, HAlign::Centre, VAlign::Bottom);
    } else if (i == 0) {
      b.Text(FrameLayer::Notes, l.name, {tip.X - b.M(0.8), tip.Y}, h, HAlign::Right, VAlign::Middle);
    } else {
      b.Text(FrameLayer::Notes, l.name, {tip.X + b.M(0.8), tip.Y}, h, HAlign::Left, VAlign::Middle);
    }
  }
  // Each angle east or west of the line it is measured from.
  const auto side = [](double deg) {
    return DegreeMinuteText(std::abs(deg)) + (std::llround(std::abs(deg) * 60) == 0 ? "" : deg > 0 ? " 东偏" : " 西偏");
  };
  std::vector<std::string> values = {"子午线收敛角 " + side(convergence)};
  if (request.hasDeclination) {
    values.push_back("磁偏角 " + side(request.declination));
    values.push_back("磁坐偏角 " + side(request.declination - convergence));
  } else {
    values.push_back("磁偏角未给出");
  }
  for (std::size_t i = 0; i < values.size(); ++i) {
    b.Text(FrameLayer::Notes, values[i], {bx, by - b.M(1.5 + h * 1.6 * static_cast<double>(i))}, h,
           HAlign::Centre, VAlign::Top);
  }
}

// What the margins hold besides the request's texts.
struct MarginExtras {
  bool diagrams = false;   // 坡度尺 and 偏角图
  double convergence = 0;  // at the sheet's centre, degrees
  std::string zoneNote;    // what the neighbouring zone's ticks are
};

// The margins around the outer frame: number and name above, the 接合图表
// at the upper left, the scale and its bar below, the notes at the lower left.
void Margins(Builder& b, const FrameStyle& st, const std::vector<TPlanePoint>& outer,
             const std::string& number, const std::array<std::string, 9>& neighbours,
             const FrameRequest& request, const std::string& datumNote, const MarginExtras& extras = {}) {
  double ox0 = INFINITY, ox1 = -INFINITY, oy0 = INFINITY, oy1 = -INFINITY;
  for (const TPlanePoint& p : outer) {
    ox0 = std::min(ox0, p.X), ox1 = std::max(ox1, p.X), oy0 = std::min(oy0, p.Y), oy1 = std::max(oy1, p.Y);
  }
  const double cx = (ox0 + ox1) / 2;
  const double above = oy1 + b.M(st.outerWidth / 2 + 4);
  b.Text(FrameLayer::Notes, number, {cx, above}, st.numberMm, HAlign::Centre, VAlign::Bottom);
  if (!request.name.empty()) {
    b.Text(FrameLayer::Notes, request.name, {cx, above + b.M(st.numberMm + 3)}, st.nameMm,
           HAlign::Centre, VAlign::Bottom);
  }

  // 接合图表: three rows of three cells above the outer frame's left end,
  // each neighbour's number and, where the request names it, its 图名 under it.
  std::array<std::string, 9> titles;
  bool titled = false;
  for (int k = 0; k < 9; ++k) {
    if (k != 4 && !neighbours[k].empty() && request.neighbourName) titles[k] = request.neighbourName(neighbours[k]);
    titled = titled || !titles[k].empty();
  }
  const double titleMm = st.noteMm * 0.9;
  double cellMm = 16;
  for (int k = 0; k < 9; ++k) {
    cellMm = std::max({cellMm, FrameTextWidthMm(neighbours[k], st.noteMm) + 3, FrameTextWidthMm(titles[k], titleMm) + 3});
  }
  const double cw = b.M(cellMm), ch = b.M(st.noteMm * (titled ? 3.8 : 2.2));
  const double gx = ox0, gy = above;  // lower left corner of the table
  b.Line(FrameLayer::Neighbours, st.gridWidth, true,
         {{gx, gy}, {gx + 3 * cw, gy}, {gx + 3 * cw, gy + 3 * ch}, {gx, gy + 3 * ch}});
  for (int i = 1; i < 3; ++i) {
    b.Segment(FrameLayer::Neighbours, st.gridWidth, {gx + i * cw, gy}, {gx + i * cw, gy + 3 * ch});
    b.Segment(FrameLayer::Neighbours, st.gridWidth, {gx, gy + i * ch}, {gx + 3 * cw, gy + i * ch});
  }
  for (int k = 0; k < 9; ++k) {
    const int row = k / 3, col = k % 3;
    const double cellX = gx + col * cw, cellY = gy + (2 - row) * ch;
    if (k == 4) {
      // The sheet itself: hatched at 45°, a line every 1.5 mm.
      const double gap = b.M(1.5);
      for (double c = gap - ch; c < cw; c += gap) {
        const TPlanePoint from = c >= 0 ? TPlanePoint{cellX + c, cellY} : TPlanePoint{cellX, cellY - c};
        const double t = std::min(cellX + cw - from.X, cellY + ch - from.Y);
        b.Segment(FrameLayer::Neighbours, st.gridWidth, from, {from.X + t, from.Y + t});
      }
      continue;
    }
    if (neighbours[k].empty()) continue;
    if (titles[k].empty()) {
      b.Text(FrameLayer::Neighbours, neighbours[k], {cellX + cw / 2, cellY + ch / 2}, st.noteMm, HAlign::Centre,
             VAlign::Middle);
      continue;
    }
    b.Text(FrameLayer::Neighbours, neighbours[k], {cellX + cw / 2, cellY + ch / 2 + b.M(1.1)}, st.noteMm,
           HAlign::Centre, VAlign::Bottom);
    b.Text(FrameLayer::Neighbours, titles[k], {cellX + cw / 2, cellY + ch / 2 - b.M(0.6)}, titleMm, HAlign::Centre,
           VAlign::Top);
  }

  // Below: the numeric scale and the scale bar, centred; the notes at the left.
  const double below = oy0 - b.M(st.outerWidth / 2 + 4);
  b.Text(FrameLayer::Notes, ScaleText(st.denominator), {cx, below}, st.noteMm * 1.4, HAlign::Centre,
         VAlign::Top);
  ScaleBar(b, st, cx, below - b.M(st.noteMm * 1.4 + 4));
  std::vector<std::string> notes;
  if (!datumNote.empty()) notes.push_back(datumNote);
  if (!extras.zoneNote.empty()) notes.push_back(extras.zoneNote);
  if (!request.elevationDatum.empty()) notes.push_back(request.elevationDatum);
  if (request.contourInterval > 0) {
    char buf[48];
    std::snprintf(buf, sizeof buf, "等高距为 %g 米", request.contourInterval);
    notes.push_back(buf);
  }
  if (!request.symbols.empty()) notes.push_back("图式：" + request.symbols);
  if (!request.surveyor.empty()) notes.push_back("测制单位：" + request.surveyor);
  if (!request.surveyDate.empty()) notes.push_back("测制日期：" + request.surveyDate);
  notes.insert(notes.end(), request.notes.begin(), request.notes.end());
  for (std::size_t i = 0; i < notes.size(); ++i) {
    b.Text(FrameLayer::Notes, notes[i], {ox0, below - b.M(st.noteMm * 1.6) * static_cast<double>(i)},
           st.noteMm, HAlign::Left, VAlign::Top);
  }
  // 密级 above the north-east corner.
  if (!request.classification.empty()) {
    b.Text(FrameLayer::Notes, request.classification, {ox1, above}, st.noteMm * 1.4, HAlign::Right, VAlign::Bottom);
  }
  // The 偏角图 at the lower right, the 坡度尺 left of it.
  if (extras.diagrams) {
    DeclinationDiagram(b, extras.convergence, request, ox1 - b.M(25), below - b.M(30));
    if (request.contourInterval > 0) {
      SlopeScale(b, st, request.contourInterval, ox1 - b.M(55 + SlopeScaleWidthMm()), below - b.M(34));
    }
  }
}

}  // namespace

double FrameTextWidthMm(std::string_view text, double heightMm) {
  double em = 0;
  for (std::size_t i = 0; i < text.size();) em += AdvanceOf(text, i).em;
  return em * heightMm * kEmPerHeight;
}

FrameBox FrameTextBox(const FrameText& t, int denominator) {
  const double k = denominator / 1000.0;
  bool low = true;
  for (std::size_t i = 0; i < t.text.size();) low = AdvanceOf(t.text, i).low && low;
  const double w = FrameTextWidthMm(t.text, t.heightMm) * k, h = t.heightMm * k, em = h * kEmPerHeight;
  const double left = t.h == HAlign::Left ? t.at.X : t.h == HAlign::Centre ? t.at.X - w / 2 : t.at.X - w;
  const double baseline = t.v == VAlign::Bottom ? t.at.Y : t.v == VAlign::Middle ? t.at.Y - h / 2 : t.at.Y - h;
  // A leading J's hook reaches back before the text's start.
  const double back = t.text.starts_with('J') ? 0.1 * em : 0;
  return {left - back, baseline - (low ? 0.02 : 0.25) * em, left + w, baseline + (low ? 0.74 : 0.82) * em};
}

double SlopeSpacingMm(double contourInterval, int intervals, double slopeDeg, int denominator) {
  return intervals * contourInterval / std::tan(slopeDeg * kPi / 180) * 1000 / denominator;
}

double MeridianConvergenceDeg(Datum datum, const ZoneParams& zone, double lonDeg, double latDeg) {
  // The meridian's direction in the plane over ±1″ about the point.
  const FramePlane plane{datum, zone, 0, false};
  const TPlanePoint a = plane(DegToDms(lonDeg), DegToDms(latDeg - 1 / 3600.0));
  const TPlanePoint z = plane(DegToDms(lonDeg), DegToDms(latDeg + 1 / 3600.0));
  return -std::atan2(z.X - a.X, z.Y - a.Y) * 180 / kPi;
}

std::string DegreeMinuteText(double deg) {
  const long long minutes = std::llround(std::abs(deg) * 60);
  char buf[32];
  std::snprintf(buf, sizeof buf, "%s%lld°%02lld′", deg < 0 && minutes > 0 ? "-" : "", minutes / 60, minutes % 60);
  return buf;
}

std::string ScaleText(int denominator) {
  std::string digits = std::to_string(denominator);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ' ';
    out += digits[i];
  }
  return "1:" + out;
}

std::string KmLabel(double v, double intervalM, bool full, int zoneNumber) {
  const int decimals = intervalM >= 1000 ? 0 : intervalM >= 100 ? 1 : 2;
  long long scaleUnits = 1;
  for (int i = 0; i < decimals; ++i) scaleUnits *= 10;
  const long long units = std::llround(v / 1000 * static_cast<double>(scaleUnits));
  const long long whole = units / scaleUnits, frac = units % scaleUnits;
  std::string text = full ? std::to_string(whole) : Format2(static_cast<int>(whole % 100));
  if (full && zoneNumber > 0) text = std::to_string(zoneNumber) + text;
  if (decimals > 0) {
    char buf[32];  // room for any long long, which the compiler cannot rule out
    std::snprintf(buf, sizeof buf, ".%0*lld", decimals, frac);
    text += buf;
  }
  return text;
}

void ShiftFrame(MapFrame& frame, double dx, double dy) {
  for (FrameLine& l : frame.lines) {
    for (TPlanePoint& p : l.points) p = {p.X + dx, p.Y + dy};
  }
  for (FrameText& t : frame.texts) t.at = {t.at.X + dx, t.at.Y + dy};
  frame.minX += dx, frame.maxX += dx, frame.minY += dy, frame.maxY += dy;
}

std::string DatumNote(Datum datum, bool zone3, double cm, bool zoneOfScale) {
  const char* name = DatumInfoOf(datum).frameNote;
  char buf[32];
  std::snprintf(buf, sizeof buf, "%g", cm);
  return std::string(name) + "，高斯-克吕格投影，" + (zone3 ? "3°分带" : "6°分带") +
         (zoneOfScale ? "（按比例尺）" : "") + "，中央经线" + buf + "°";
}

std::string ConicNote(Datum datum, const LambertConicParams& conic) {
  const auto angle = [](double deg) {
    std::string t = AngleLabel(deg * 3600);
    return t.ends_with("00′") ? t.substr(0, t.size() - std::string_view("00′").size()) : t;
  };
  return std::string(DatumInfoOf(datum).frameNote) + "，兰勃特等角圆锥投影，标准纬线" + angle(conic.lat1) + "、" +
         angle(conic.lat2) + "，中央经线" + angle(conic.lon0);
}

Message FrameRunText(std::uint64_t count, double estimatedBytes) {
  const char* units[] = {"B", "KB", "MB", "GB", "TB"};
  int u = 0;
  double v = estimatedBytes;
  while (v >= 1000 && u < 4) v /= 1024, ++u;
  char size[32];
  std::snprintf(size, sizeof size, v < 10 && u > 0 ? "%.1f %s" : "%.0f %s", v, units[u]);
  return Message(msg::kFrameRun, {FormatCount(static_cast<double>(count)), std::string(size)});
}

std::string ProjectionAccuracyWarning(std::string_view what, Datum datum, double west, double east,
                                      double cm) {
  if (WithinMillimetreLimit(datum, west, east, cm)) return {};
  const double off = std::max(std::abs(west - cm), std::abs(east - cm));
  char buf[160];
  std::snprintf(buf, sizeof buf, "：图幅角点距中央经线 %.1f°，%s的投影级数在 %.1f° 以外误差超过 1 毫米", off,
                DatumInfoOf(datum).frameNote, MillimetreLongitudeLimit(datum));
  return std::string(what) + buf + "（5° 处 3 毫米，10° 处 0.4 米）：请给出较近的中央经线，或用 2000国家大地坐标系";
}

std::string FrameAccuracyWarning(std::string_view number, Datum datum, const TMapUnionRange& range, double cm) {
  const ScaleIndex scale = ScaleOfSheet(range);
  if (scale >= 0 && FrameOnConic(kScaleDenominators[scale])) return {};
  return ProjectionAccuracyWarning(number, datum, DmsToDeg(range.West), DmsToDeg(range.East), cm);
}

MapFrame BuildStandardFrame(const TStandardMapUnion& sheet, ScaleIndex scale,
                            const std::array<std::string, 9>& neighbours,
                            const FrameRequest& request) {
  if (scale < 0 || scale >= kScaleCount) throw Error(kRangeCheckError);
  const FrameStyle& st = kFrameStyles[scale];
  const TMapUnionRange& r = sheet.Range;
  const double w = DmsToSec(r.West), e = DmsToSec(r.East);
  const double s = DmsToSec(r.South), n = DmsToSec(r.North);
  if (!(w < e && s < n)) throw Error("图幅范围为空：" + sheet.MapUnionNo);

  MapFrame f;
  f.number = sheet.MapUnionNo;
  f.denominator = st.denominator;
  Builder b(f, st.denominator / 1000.0);
  const bool conic = FrameOnConic(st.denominator);
  const FramePlane plane = PlaneOf(request.datum, request.zone3, request.cm, r, conic);
  const auto edges = Edges(plane, r, b.M(kFrameCurveToleranceMm));
  std::array<Vec, 4> normals;
  for (int i = 0; i < 4; ++i) normals[i] = Outward(edges[i]);
  const Vec& south = normals[0];
  const Vec& east = normals[1];
  const Vec& north = normals[2];
  const Vec& west = normals[3];

  std::vector<TPlanePoint> inner;
  for (const auto& edge : edges) inner.insert(inner.end(), edge.begin(), edge.end() - 1);
  b.Line(FrameLayer::Inner, st.innerWidth, true, inner);

  // Graduation band: ticks at every whole interval strictly inside each edge.
  b.Line(FrameLayer::Graduation, st.gridWidth, true, OffsetRing(edges, normals, b.M(st.bandMm)));
  const double step = st.tickSeconds;
  for (double t = (std::floor(w / step) + 1) * step; t < e; t += step) {
    const TAngleDMS lon = SecToDms(t);
    const TPlanePoint top = plane(lon, r.North), bottom = plane(lon, r.South);
    b.Segment(FrameLayer::Graduation, st.gridWidth, top, Add(top, north, b.M(st.bandMm)));
    b.Segment(FrameLayer::Graduation, st.gridWidth, bottom, Add(bottom, south, b.M(st.bandMm)));
  }
  for (double t = (std::floor(s / step) + 1) * step; t < n; t += step) {
    const TAngleDMS lat = SecToDms(t);
    const TPlanePoint left = plane(r.West, lat), right = plane(r.East, lat);
    b.Segment(FrameLayer::Graduation, st.gridWidth, left, Add(left, west, b.M(st.bandMm)));
    b.Segment(FrameLayer::Graduation, st.gridWidth, right, Add(right, east, b.M(st.bandMm)));
  }
  // The labels between the band and the outer frame keep clear of both.
  const auto band = OffsetRing(edges, normals, b.M(st.bandMm));
  const auto outer = OffsetRing(edges, normals, b.M(st.gapMm));
  b.Block(inner, st.innerWidth);
  b.Block(band, st.gridWidth);
  b.Block(outer, st.outerWidth);

  // The sides of the inner frame as functions of seconds of arc along them:
  // south and north by longitude, east and west by latitude (edges[i]'s
  // side, each from its lower value).
  const auto sidePoint = [&](int side, double t) {
    switch (side) {
      case 0: return plane(SecToDms(t), r.South);
      case 1: return plane(r.East, SecToDms(t));
      case 2: return plane(SecToDms(t), r.North);
      default: return plane(r.West, SecToDms(t));
    }
  };
  const std::array<double, 4> sideFrom = {w, s, w, s}, sideTo = {e, n, e, n};

  // 分度带 of black and white minutes: a bar across the band over every even
  // whole minute, cut at the sheet's corners.
  if (FrameHasMinuteBars(st.denominator)) {
    const double half = b.M(st.bandMm / 2);
    for (int side = 0; side < 4; ++side) {
      for (double m = std::floor(sideFrom[side] / 60) * 60; m < sideTo[side]; m += 60) {
        if (static_cast<long long>(std::llround(m / 60)) % 2 != 0) continue;
        const double a = std::max(m, sideFrom[side]), z = std::min(m + 60, sideTo[side]);
        if (!(a < z)) continue;
        std::vector<TPlanePoint> bar;
        for (double t = a; t < z; t += 6) bar.push_back(Add(sidePoint(side, t), normals[side], half));
        bar.push_back(Add(sidePoint(side, z), normals[side], half));
        b.Line(FrameLayer::Graduation, st.bandMm, false, std::move(bar));
      }
    }
  }

  // 邻带方里网: near the zone's west or east edge, the neighbouring zone's
  // kilometre lines as ticks outside the band, eastings on the north and
  // south sides and northings on the west and east, where they meet the
  // inner frame; blocked before any label is placed, and labelled after
  // the sheet's own where there is room.
  struct NeighbourTick {
    TPlanePoint at;  // on the inner frame
    Vec out;
    std::string text;
  };
  std::vector<NeighbourTick> neighbourTicks;
  std::string zoneNote;
  if (st.denominator >= 5000 && st.denominator <= 250000) {
    const double width = request.zone3 ? 3 : 6;
    const double reach = NeighbourZoneReachSeconds(request.zone3);
    const double cm = plane.zone.cm;
    double other = 0;
    if ((cm + width / 2) * 3600 - e < reach) other = cm + width;
    if (w - (cm - width / 2) * 3600 < reach) other = cm - width;
    if (other != 0) {
      const FramePlane nb = plane.prefixed
                                ? FramePlane{plane.datum, MakeZoneParams(request.zone3, other),
                                             ZoneNumberOf(request.zone3, other), true}
                                : FramePlane{plane.datum, ZoneParams{request.zone3, other, 0, 500000.0},
                                             ZoneNumberOf(request.zone3, other), false};
      const double nbZoneMetres = nb.prefixed ? nb.zoneNumber * 1000000.0 : 0;
      const auto nbPoint = [&](int side, double t) {
        switch (side) {
          case 0: return nb(SecToDms(t), r.South);
          case 1: return nb(r.East, SecToDms(t));
          case 2: return nb(SecToDms(t), r.North);
          default: return nb(r.West, SecToDms(t));
        }
      };
      const double g = st.gridMetres;
      for (int side = 0; side < 4; ++side) {
        const bool eastings = side == 0 || side == 2;
        const auto value = [&](double t) { return eastings ? nbPoint(side, t).X : nbPoint(side, t).Y; };
        const double f0 = value(sideFrom[side]), f1 = value(sideTo[side]);
        const bool rising = f1 > f0;
        for (double k = std::floor(std::min(f0, f1) / g) + 1; k * g < std::max(f0, f1); ++k) {
          // The crossing by bisection: the value is monotonic along a side.
          double lo = sideFrom[side], hi = sideTo[side];
          for (int it = 0; it < 60; ++it) {
            const double mid = (lo + hi) / 2;
            ((value(mid) < k * g) == rising ? lo : hi) = mid;
          }
          const double v = eastings ? k * g - nbZoneMetres : k * g;
          neighbourTicks.push_back({sidePoint(side, (lo + hi) / 2), normals[side], KmLabel(v, g, false, 0)});
        }
      }
      for (const NeighbourTick& t : neighbourTicks) {
        const TPlanePoint a = Add(t.at, t.out, b.M(st.bandMm)), z = Add(t.at, t.out, b.M(st.bandMm + 1.5));
        b.Segment(FrameLayer::NeighbourZone, st.gridWidth, a, z);
        b.Block({a, z}, st.gridWidth);
      }
      zoneNote = "图廓间短线为第 " + std::to_string(nb.zoneNumber) + " 带方里网";
    }
  }

  // Corner coordinates between the frames: the longitude over the corner's
  // meridian; the latitude (after the kilometre labels, which it gives way
  // to) in the side strip beside the corner's parallel.
  const double labelAt = b.M((st.bandMm + st.gapMm) / 2);
  const std::array<double, 4> cornerLon = {w, e, e, w}, cornerLat = {s, s, n, n};
  for (int i = 0; i < 4; ++i) {
    const bool northern = i >= 2;
    b.PlaceFitted({FrameLayer::Graduation, AngleLabel(cornerLon[i]), Add(edges[i].front(), northern ? north : south, labelAt),
                   st.labelMm, HAlign::Centre, VAlign::Middle});
  }

  // Kilometre grid, clipped to the inner frame, labelled between the frames
  // at both ends where there is room, and at one end at least: a label that
  // would touch a corner's coordinates moves along the frame (never so far
  // that it leaves its line) or across the strip, or is made smaller.
  double x0 = INFINITY, x1 = -INFINITY, y0 = INFINITY, y1 = -INFINITY;
  for (const TPlanePoint& p : inner) {
    x0 = std::min(x0, p.X), x1 = std::max(x1, p.X), y0 = std::min(y0, p.Y), y1 = std::max(y1, p.Y);
  }
  const double g = st.gridMetres;
  const double zoneMetres = plane.prefixed ? plane.zoneNumber * 1000000.0 : 0;
  struct End {
    TPlanePoint at;  // on the inner frame
    Vec out;         // the frame's outward normal there
  };
  struct KmLine {
    double value;
    bool easting;           // labelled on the north and south sides
    std::vector<End> ends;  // where the line meets the side that its label belongs to
    std::string text{};     // a graticule line's label; empty: the kilometre value's
  };
  // Where the line coord = v crosses one edge (an open polyline), if it does.
  const auto onEdge = [](const std::vector<TPlanePoint>& edge, double v, bool x, std::vector<End>& ends, Vec out) {
    for (std::size_t i = 0; i + 1 < edge.size(); ++i) {
      const TPlanePoint& p = edge[i];
      const TPlanePoint& q = edge[i + 1];
      const double pa = x ? p.X : p.Y, qa = x ? q.X : q.Y;
      if (!((pa <= v && v <= qa) || (qa <= v && v <= pa)) || pa == qa) continue;
      const double other = (x ? p.Y : p.X) + (v - pa) * ((x ? q.Y : q.X) - (x ? p.Y : p.X)) / (qa - pa);
      ends.push_back({x ? TPlanePoint{v, other} : TPlanePoint{other, v}, out});
      return;
    }
  };
  std::vector<KmLine> eastings, northings;
  if (conic) {
    // The graticule (经纬网) at every whole degree inside the sheet: the
    // meridians straight, the parallels arcs within the curve tolerance,
    // each labelled at its ends between the frames.
    for (double t = (std::floor(w / 3600) + 1) * 3600; t < e; t += 3600) {
      const TPlanePoint top = plane(SecToDms(t), r.North), bottom = plane(SecToDms(t), r.South);
      b.Segment(FrameLayer::Graticule, st.gridWidth, bottom, top);
      eastings.push_back({0, true, {{top, north}, {bottom, south}}, std::to_string(std::llround(t / 3600)) + "°"});
    }
    for (double t = (std::floor(s / 3600) + 1) * 3600; t < n; t += 3600) {
      TMapUnionRange line = r;
      line.South = line.North = SecToDms(t);
      auto arc = Edges(plane, line, b.M(kFrameCurveToleranceMm))[0];
      const TPlanePoint left = arc.front(), right = arc.back();
      b.Line(FrameLayer::Graticule, st.gridWidth, false, std::move(arc));
      northings.push_back({0, false, {{left, west}, {right, east}}, std::to_string(std::llround(t / 3600)) + "°"});
    }
  }
  for (double k = std::ceil(x0 / g); !conic && k * g <= x1; ++k) {
    const double x = k * g;
    const auto ys = Crossings(inner, x, true);
    for (std::size_t i = 0; i + 1 < ys.size(); i += 2) {
      if (ys[i + 1] > ys[i]) b.Segment(FrameLayer::KmGrid, st.gridWidth, {x, ys[i]}, {x, ys[i + 1]});
    }
    if (ys.size() < 2 || !(ys.back() > ys.front())) continue;
    KmLine line{x - zoneMetres, true, {}};
    onEdge(edges[2], x, true, line.ends, north);
    onEdge(edges[0], x, true, line.ends, south);
    eastings.push_back(std::move(line));
  }
  for (double k = std::ceil(y0 / g); !conic && k * g <= y1; ++k) {
    const double y = k * g;
    const auto xs = Crossings(inner, y, false);
    for (std::size_t i = 0; i + 1 < xs.size(); i += 2) {
      if (xs[i + 1] > xs[i]) b.Segment(FrameLayer::KmGrid, st.gridWidth, {xs[i], y}, {xs[i + 1], y});
    }
    if (xs.size() < 2 || !(xs.back() > xs.front())) continue;
    KmLine line{y, false, {}};
    onEdge(edges[3], y, false, line.ends, west);
    onEdge(edges[1], y, false, line.ends, east);
    northings.push_back(std::move(line));
  }
  // The first and last line of each direction carry the full value.
  const auto label = [&](const std::vector<KmLine>& lines) {
    for (std::size_t i = 0; i < lines.size(); ++i) {
      const KmLine& line = lines[i];
      const bool full = i == 0 || i + 1 == lines.size();
      const std::string text =
          !line.text.empty() ? line.text : KmLabel(line.value, g, full, line.easting ? plane.zoneNumber : 0);
      int placed = 0;
      for (const double factor : {1.0, 0.8, 0.6}) {
        const double h = st.labelMm * factor;
        // How far the label may move along the side and still cover its
        // line: half its width less 0.5 mm, or a quarter of its height.
        const double along = line.easting ? b.M(FrameTextWidthMm(text, h) / 2 - 0.5) : b.M(h / 4);
        for (const End& end : line.ends) {
          bool done = false;
          for (double across = 0; across <= b.M(3) && !done; across = across > 0 ? across + b.M(0.5) : b.M(0.5)) {
            for (double shift = 0; shift <= along && !done; shift = shift > 0 ? shift + b.M(0.25) : b.M(0.25)) {
              for (const double sa : {1.0, -1.0}) {
                for (const double sc : {1.0, -1.0}) {
                  const TPlanePoint centre = Add(end.at, end.out, labelAt + sc * across);
                  const TPlanePoint at = line.easting ? TPlanePoint{centre.X + sa * shift, centre.Y}
                                                      : TPlanePoint{centre.X, centre.Y + sa * shift};
                  const FrameText t{line.text.empty() ? FrameLayer::KmGrid : FrameLayer::Graticule, text, at, h,
                                    HAlign::Centre, VAlign::Middle};
                  if (!done && b.Free(t)) {
                    b.Place(t);
                    done = true;
                  }
                  if (across == 0) break;
                }
                if (shift == 0) break;
              }
            }
          }
          if (done) ++placed;
        }
        if (placed > 0) break;
      }
    }
  };
  label(eastings);
  label(northings);

  // The neighbouring zone's values beyond their ticks, where free.
  for (const NeighbourTick& t : neighbourTicks) {
    const double h = st.labelMm * 0.64;
    const bool across = std::abs(t.out.y) > std::abs(t.out.x);  // a north or south side
    const TPlanePoint end = Add(t.at, t.out, b.M(st.bandMm + 1.5 + 0.4));
    FrameText text{FrameLayer::NeighbourZone, t.text, end, h, HAlign::Centre, t.out.y > 0 ? VAlign::Bottom : VAlign::Top};
    if (!across) text = {FrameLayer::NeighbourZone, t.text, end, h, t.out.x > 0 ? HAlign::Left : HAlign::Right, VAlign::Middle};
    if (b.Free(text)) b.Place(std::move(text));
  }

  // The corner latitudes in the side strips: on one line where it fits,
  // otherwise the degrees over the minutes and seconds; as near the corner
  // as the kilometre labels leave room.
  for (int i = 0; i < 4; ++i) {
    const TPlanePoint& c = edges[i].front();
    const bool northern = i >= 2;
    const TPlanePoint beside = Add(c, (i == 0 || i == 3) ? west : east, labelAt);
    const double inward = northern ? -1 : 1;  // along the side, away from the corner
    const VAlign v = northern ? VAlign::Top : VAlign::Bottom;
    const std::string lat = AngleLabel(cornerLat[i]);
    const std::size_t degree = lat.find("°") + std::string_view("°").size();
    bool done = false;
    for (double factor = 1; factor >= 0.6 && !done; factor -= 0.1) {
      const double h = st.labelMm * 0.8 * factor;
      for (double d = st.labelMm; d <= 30 && !done; d += 0.5) {
        const TPlanePoint first{beside.X, beside.Y + inward * b.M(d)};
        const FrameText one{FrameLayer::Graduation, lat, first, h, HAlign::Centre, v};
        if (b.Free(one)) {
          b.Place(one);
          done = true;
          break;
        }
        // Degrees on top: the first line from the corner in the north, the
        // second in the south.
        const TPlanePoint second{first.X, first.Y + inward * b.M(h * 1.4)};
        FrameText deg{FrameLayer::Graduation, lat.substr(0, degree), northern ? first : second, h, HAlign::Centre, v};
        FrameText rest{FrameLayer::Graduation, lat.substr(degree), northern ? second : first, h, HAlign::Centre, v};
        if (b.Free(deg) && b.Free(rest)) {
          b.Place(std::move(deg));
          b.Place(std::move(rest));
          done = true;
        }
      }
    }
    // Never lost: where nothing is free, at its place beside the corner.
    if (!done) {
      b.Place({FrameLayer::Graduation, lat, {beside.X, beside.Y + inward * b.M(st.labelMm)}, st.labelMm * 0.6,
               HAlign::Centre, v});
    }
  }

  // Outer frame.
  b.Line(FrameLayer::Outer, st.outerWidth, true, outer);

  MarginExtras extras;
  extras.diagrams = FrameHasDiagrams(st.denominator);
  if (!conic) extras.convergence = MeridianConvergenceDeg(plane.datum, plane.zone, (w + e) / 7200, (s + n) / 7200);
  extras.zoneNote = zoneNote;
  Margins(b, st, outer, sheet.MapUnionNo, neighbours, request,
          conic ? ConicNote(request.datum, plane.conic->params())
                : DatumNote(request.datum, request.zone3, plane.zone.cm, request.zoneOfScale),
          extras);
  b.Finish();
  return f;
}

MapFrame BuildRectangularFrame(const TCustomMapUnion& sheet, int denominator,
                               const std::array<std::string, 9>& neighbours,
                               const FrameRequest& request) {
  const auto style = std::find_if(kFrameStyles.begin(), kFrameStyles.end(),
                                  [&](const FrameStyle& st) { return st.denominator == denominator; });
  if (style == kFrameStyles.end()) throw Error("比例尺不在比例尺系列中：1:" + std::to_string(denominator));
  const FrameStyle& st = *style;
  if (!(sheet.MinX < sheet.MaxX && sheet.MinY < sheet.MaxY)) throw Error("图幅范围为空：" + sheet.MapUnionNo);
  MapFrame f;
  f.number = sheet.MapUnionNo;
  f.denominator = denominator;
  Builder b(f, denominator / 1000.0);
  const TPlanePoint sw{sheet.MinX, sheet.MinY}, se{sheet.MaxX, sheet.MinY};
  const TPlanePoint ne{sheet.MaxX, sheet.MaxY}, nw{sheet.MinX, sheet.MaxY};
  const std::array<std::vector<TPlanePoint>, 4> edges = {{{sw, se}, {se, ne}, {ne, nw}, {nw, sw}}};
  std::array<Vec, 4> normals;
  for (int i = 0; i < 4; ++i) normals[i] = Outward(edges[i]);
  b.Line(FrameLayer::Inner, st.innerWidth, true, {sw, se, ne, nw});

  // The 10 cm grid: crosses inside, ticks on the frame, values outside.
  const double g = denominator / 10.0;
  const double arm = b.M(5);
  const int zone = request.cm != 0 ? ZoneNumberOf(request.zone3, request.cm) : 0;
  const double zoneMetres = zone > 0 && sheet.MinX >= 1000000.0 ? zone * 1000000.0 : 0;
  std::vector<double> xs, ys;
  for (double k = std::ceil(sheet.MinX / g); k * g <= sheet.MaxX; ++k) xs.push_back(k * g);
  for (double k = std::ceil(sheet.MinY / g); k * g <= sheet.MaxY; ++k) ys.push_back(k * g);
  const auto inside = [](double v, double lo, double hi) { return v > lo && v < hi; };
  for (double x : xs) {
    if (!inside(x, sheet.MinX, sheet.MaxX)) continue;
    b.Segment(FrameLayer::KmGrid, st.gridWidth, {x, sheet.MaxY}, {x, sheet.MaxY - arm});
    b.Segment(FrameLayer::KmGrid, st.gridWidth, {x, sheet.MinY}, {x, sheet.MinY + arm});
    for (double y : ys) {
      if (!inside(y, sheet.MinY, sheet.MaxY)) continue;
      b.Segment(FrameLayer::KmGrid, st.gridWidth, {x - arm, y}, {x + arm, y});
      b.Segment(FrameLayer::KmGrid, st.gridWidth, {x, y - arm}, {x, y + arm});
    }
  }
  for (double y : ys) {
    if (!inside(y, sheet.MinY, sheet.MaxY)) continue;
    b.Segment(FrameLayer::KmGrid, st.gridWidth, {sheet.MinX, y}, {sheet.MinX + arm, y});
    b.Segment(FrameLayer::KmGrid, st.gridWidth, {sheet.MaxX, y}, {sheet.MaxX - arm, y});
  }
  // The values between the frames, each clear of both lines (made smaller
  // where the side's strip is too narrow for it: 3810.25 at 1:500).
  const auto outer = OffsetRing(edges, normals, b.M(st.gapMm));
  b.Block({sw, se, ne, nw}, st.innerWidth);
  b.Block(outer, st.outerWidth);
  const double labelAt = b.M(st.gapMm / 2);
  for (std::size_t i = 0; i < xs.size(); ++i) {
    const std::string text = KmLabel(xs[i] - zoneMetres, g, i == 0 || i + 1 == xs.size(), zone);
    for (const double y : {sheet.MaxY + labelAt, sheet.MinY - labelAt}) {
      b.PlaceFitted({FrameLayer::KmGrid, text, {xs[i], y}, st.labelMm, HAlign::Centre, VAlign::Middle});
    }
  }
  for (std::size_t i = 0; i < ys.size(); ++i) {
    const std::string text = KmLabel(ys[i], g, i == 0 || i + 1 == ys.size(), 0);
    for (const double x : {sheet.MinX - labelAt, sheet.MaxX + labelAt}) {
      b.PlaceFitted({FrameLayer::KmGrid, text, {x, ys[i]}, st.labelMm, HAlign::Centre, VAlign::Middle});
    }
  }
  b.Line(FrameLayer::Outer, st.outerWidth, true, outer);
  Margins(b, st, outer, sheet.MapUnionNo, neighbours, request,
          request.cm != 0 ? DatumNote(request.datum, request.zone3, request.cm, request.zoneOfScale) : std::string());
  b.Finish();
  return f;
}

ScaleIndex FrameNumberScale(std::string_view number) {
  const std::uint8_t kind = CheckMapUnionNo(number);
  if (kind == 0) throw Error(Message(msg::kNotASheetNumber, {std::string(number)}));
  const ScaleIndex scale = ScaleOfSheet(kind == 1 ? ParseOldMapUnionNo(number) : ParseNewMapUnionNo(number));
  if (scale < 0) throw Error(Message(msg::kNotASheetNumber, {std::string(number)}));
  return scale;
}

MapFrame BuildStandardFrame(std::string_view number, const FrameRequest& request) {
  const ScaleIndex scale = FrameNumberScale(number);
  const std::uint8_t kind = CheckMapUnionNo(number);
  TStandardMapUnion sheet;
  sheet.MapUnionNo = std::string(number);
  sheet.Range = kind == 1 ? ParseOldMapUnionNo(number) : ParseNewMapUnionNo(number);
  const auto around = SheetNeighbours(sheet, scale, kind == 2, request.zone3, request.datum, request.cm);
  std::array<std::string, 9> neighbours;
  for (int k = 0; k < 9; ++k) neighbours[k] = around[k].MapUnionNo;
  return BuildStandardFrame(sheet, scale, neighbours, request);
}

MapFrame FrameOfListedSheet(const TStandardMapUnion& sheet, Datum datum, bool zone3, double cm,
                            double offsetX, double offsetY) {
  std::array<TStandardMapUnion, 9> around;
  if (!NeighboursOfSheet(sheet, zone3, datum, cm, around)) throw Error(Message(msg::kNotASheetNumber, {sheet.MapUnionNo}));
  std::array<std::string, 9> neighbours;
  for (std::size_t k = 0; k < 9; ++k) neighbours[k] = around[k].MapUnionNo;
  const ScaleIndex scale = ScaleOfSheet(sheet.Range);
  MapFrame f = BuildStandardFrame(sheet, scale, neighbours, {datum, zone3, cm, "", {}});
  // A 1:100万 frame lies on its own conic, not on the list's plane.
  if ((offsetX != 0 || offsetY != 0) && !FrameOnConic(kScaleDenominators[scale])) ShiftFrame(f, -offsetX, -offsetY);
  return f;
}

}  // namespace karvento
