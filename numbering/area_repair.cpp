// SPDX-License-Identifier: Apache-2.0
// The repair of an area: a planar arrangement of all its rings, each face
// told covered or not by the parity of the polygons' rings around it, the
// covered faces' boundary as rings.
#include "numbering/area_repair.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <iterator>
#include <limits>
#include <numeric>
#include <utility>
#include <vector>

namespace karvento {
namespace {

using Index = std::size_t;
constexpr Index kNone = std::numeric_limits<Index>::max();

// How far off a line a point may be, relative to the products that decide
// it, and still be taken as on it: well above the rounding of those products
// (near 2e-16), far below anything drawn (1e-12 of 180° is 0.02 mm).
constexpr double kOnLine = 1e-12;

// +1 when c lies left of the line from a to b, -1 right, 0 on it (within
// kOnLine). The line is taken from its lesser end (longitude, then
// latitude), so that the segments a-b and b-a tell the same.
int Side(const GeoPoint& a, const GeoPoint& b, const GeoPoint& c) {
  const bool swap = b.lon < a.lon || (b.lon == a.lon && b.lat < a.lat);
  const GeoPoint& p = swap ? b : a;
  const GeoPoint& q = swap ? a : b;
  const double l = (q.lon - p.lon) * (c.lat - p.lat);
  const double r = (q.lat - p.lat) * (c.lon - p.lon);
  const double tolerance = kOnLine * (std::abs(l) + std::abs(r));
  const int side = l - r > tolerance ? 1 : (r - l > tolerance ? -1 : 0);
  return swap ? -side : side;
}

// The position of p along the segment from a to b, 0 at a and 1 at b.
double Along(const GeoPoint& a, const GeoPoint& b, const GeoPoint& p) {
  const double dx = b.lon - a.lon, dy = b.lat - a.lat;
  return ((p.lon - a.lon) * dx + (p.lat - a.lat) * dy) / (dx * dx + dy * dy);
}

// t within [0, 1], 0 for NaN (a segment so short that its squared length
// underflows), so that cuts sort.
double Within01(double t) { return t > 0 ? (t < 1 ? t : 1) : 0; }

bool Before(const GeoPoint& p, const GeoPoint& q) { return p.lon < q.lon || (p.lon == q.lon && p.lat < q.lat); }

// A coordinate on the area's lattice: a multiple of quantum, 2⁻⁴⁰ of the
// area's largest coordinate (6e-11° at 116° E, a few micrometres), so that
// the difference of two coordinates is exact and points that rounding put a
// hair apart (two crossings of nearly one point, a point a hair from 0
// beside points at 116°) are one point.
// Rounded by adding and taking away 1.5·2⁵² quanta (exact: every
// coordinate is below 2⁴¹ quanta), which leaves a multiple of quantum.
double OnLattice(double x, double quantum) {
  const double shift = 0x1.8p52 * quantum;
  return (x + shift) - shift + 0.0;
}

GeoPoint OnLattice(const GeoPoint& p, double quantum) {
  return {OnLattice(p.lon, quantum), OnLattice(p.lat, quantum)};
}

// A ring's points as segments see them: on the lattice, no point repeating
// the one before it, no closing point, and a ring traced several times over
// taken once (traced is then set).
std::vector<GeoPoint> CleanRing(const GeoRing& ring, double quantum, bool& traced) {
  std::vector<GeoPoint> pts;
  pts.reserve(ring.size());
  for (const GeoPoint& v : ring) {
    const GeoPoint p = OnLattice(v, quantum);  // -0 and +0 are one point too
    if (pts.empty() || !(pts.back() == p)) pts.push_back(p);
  }
  while (pts.size() > 1 && pts.back() == pts.front()) pts.pop_back();
  const Index n = pts.size();
  // A period starts where the first point comes again.
  for (Index period = 1; period < n; ++period) {
    if (!(pts[period] == pts[0]) || n % period != 0) continue;
    Index i = period;
    while (i < n && pts[i] == pts[i - period]) ++i;
    if (i == n) {
      pts.resize(period);
      traced = true;
      break;
    }
  }
  return pts;
}

// A uniform grid of about two cells per item over a rectangle; each segment
// is listed in every cell it passes through (a little more, never less).
class Grid {
 public:
  Grid(double west, double south, double east, double north, Index items) : west_(west), south_(south) {
    const double w = east - west, h = north - south;
    const double cells = std::clamp(2.0 * static_cast<double>(items), 1.0, 8e6);
    if (w > 0 && h > 0) {
      nx_ = static_cast<Index>(std::clamp(std::ceil(std::sqrt(cells * w / h)), 1.0, cells));
      ny_ = static_cast<Index>(std::clamp(std::ceil(cells / static_cast<double>(nx_)), 1.0, cells));
    } else if (w > 0) {
      nx_ = static_cast<Index>(cells);
    } else if (h > 0) {
      ny_ = static_cast<Index>(cells);
    }
    cw_ = w > 0 ? w / static_cast<double>(nx_) : 1;
    ch_ = h > 0 ? h / static_cast<double>(ny_) : 1;
    perW_ = 1 / cw_;
    perH_ = 1 / ch_;
  }

  Index Column(double x) const { return Cell(x, west_, perW_, nx_); }
  Index Row(double y) const { return Cell(y, south_, perH_, ny_); }
  Index Columns() const { return nx_; }
  Index Rows() const { return ny_; }
  double ColumnWest(Index c) const { return west_ + static_cast<double>(c) * cw_; }

  // Calls f(cell) for the cells the segment from a to b passes through.
  template <class F>
  void ForEachCell(const GeoPoint& a, const GeoPoint& b, F&& f) const {
    const double slackX = cw_ * 1e-9, slackY = ch_ * 1e-9;
    const double x0 = std::min(a.lon, b.lon), x1 = std::max(a.lon, b.lon);
    const double y0 = std::min(a.lat, b.lat), y1 = std::max(a.lat, b.lat);
    const double slope = a.lon == b.lon ? 0 : (b.lat - a.lat) / (b.lon - a.lon);
    for (Index c = Column(x0 - slackX), c1 = Column(x1 + slackX); c <= c1; ++c) {
      double lo = y0, hi = y1;
      if (a.lon != b.lon) {
        const double xa = std::clamp(ColumnWest(c), x0, x1), xb = std::clamp(ColumnWest(c + 1), x0, x1);
        const double ya = a.lat + (xa - a.lon) * slope, yb = a.lat + (xb - a.lon) * slope;
        lo = std::clamp(std::min(ya, yb), y0, y1);
        hi = std::clamp(std::max(ya, yb), y0, y1);
      }
      for (Index r = Row(lo - slackY), r1 = Row(hi + slackY); r <= r1; ++r) f(r * nx_ + c);
    }
  }

  // Calls hit(i) for each listed item i, a segment from ends(i), that the
  // ray from p to the grid's nearest edge (west, east, south or north)
  // crosses: the parity of a ring's crossings tells whether p lies inside it,
  // and parcels in one long row are not all crossed by each one's ray. A
  // crossing is counted in the one cell it lies in, whatever cells its
  // segment is listed in; the half-open test takes a vertex on the ray once.
  template <class Ends, class Hit>
  void ForEachCrossing(const GeoPoint& p, Ends&& ends, Hit&& hit) const {
    const Index column = Column(p.lon), row = Row(p.lat);
    const Index toWest = column + 1, toEast = nx_ - column;
    const Index toSouth = row + 1, toNorth = ny_ - row;
    const bool across = std::min(toWest, toEast) <= std::min(toSouth, toNorth);  // along the row
    const bool forward = across ? toEast < toWest : toNorth < toSouth;
    const Index steps = across ? std::min(toWest, toEast) : std::min(toSouth, toNorth);
    for (Index k = 0; k < steps; ++k) {
      const Index c = across ? (forward ? column + k : column - k) : column;
      const Index r = across ? row : (forward ? row + k : row - k);
      const Index cell = r * nx_ + c;
      for (const Index* i = Begin(cell); i != End(cell); ++i) {
        const auto [a, b] = ends(*i);
        if (across) {
          if ((a.lat > p.lat) == (b.lat > p.lat)) continue;
          const double x = a.lon + (p.lat - a.lat) * (b.lon - a.lon) / (b.lat - a.lat);
          if ((forward ? x > p.lon : x < p.lon) && Column(x) == c) hit(*i);
        } else {
          if ((a.lon > p.lon) == (b.lon > p.lon)) continue;
          const double y = a.lat + (p.lon - a.lon) * (b.lat - a.lat) / (b.lon - a.lon);
          if ((forward ? y > p.lat : y < p.lat) && Row(y) == r) hit(*i);
        }
      }
    }
  }

  // The cells' lists of segments 0 … count − 1, ends(i) giving segment i's
  // two ends (items of cell k at [start[k], start[k+1]), in increasing order).
  template <class Ends>
  void Fill(Index count, Ends&& ends) {
    std::vector<std::pair<Index, Index>> listed;  // (cell, item)
    listed.reserve(2 * count);
    for (Index i = 0; i < count; ++i) {
      const auto [a, b] = ends(i);
      ForEachCell(a, b, [&](Index k) { listed.emplace_back(k, i); });
    }
    start_.assign(nx_ * ny_ + 1, 0);
    for (const auto& [k, i] : listed) ++start_[k];
    std::partial_sum(start_.begin(), start_.end(), start_.begin());
    items_.resize(listed.size());
    for (Index j = listed.size(); j-- > 0;) items_[--start_[listed[j].first]] = listed[j].second;
  }
  Index CellCount() const { return nx_ * ny_; }
  const Index* Begin(Index cell) const { return items_.data() + start_[cell]; }
  const Index* End(Index cell) const { return items_.data() + start_[cell + 1]; }

 private:
  static Index Cell(double v, double origin, double per, Index n) {
    const double k = (v - origin) * per;
    return k < 1 ? 0 : (k >= static_cast<double>(n - 1) ? n - 1 : static_cast<Index>(k));
  }
  double west_, south_, cw_ = 1, ch_ = 1, perW_ = 1, perH_ = 1;
  Index nx_ = 1, ny_ = 1;
  std::vector<Index> start_, items_;
};

struct Segment {
  GeoPoint a, b;
  Index polygon, ring;  // ring: counted over all polygons
  Index source;         // the segment of the area it is part of
};

// Calls f(s, u) for each pair of segments whose bounds meet, once for each
// cell of the grid they share. A cell's segments are swept along its wider
// spread, so that a crowded cell (a finely drawn ring beside a large empty
// extent, whose grid cells are large) costs about what its meeting pairs
// cost, not the square of its segments.
template <class F>
void ForEachMeetingPair(const Grid& grid, const std::vector<Segment>& segs, F&& f) {
  struct Box {
    double lo, hi, south, north, west, east;  // lo, hi: along the sweep
    Index segment;
  };
  std::vector<Box> boxes;
  for (Index k = 0; k < grid.CellCount(); ++k) {
    if (grid.End(k) - grid.Begin(k) < 2) continue;
    boxes.clear();
    double x0 = std::numeric_limits<double>::infinity(), x1 = -x0, y0 = x0, y1 = -x0;
    for (const Index* i = grid.Begin(k); i != grid.End(k); ++i) {
      const Segment& g = segs[*i];
      const double w = std::min(g.a.lon, g.b.lon), e = std::max(g.a.lon, g.b.lon);
      const double so = std::min(g.a.lat, g.b.lat), n = std::max(g.a.lat, g.b.lat);
      boxes.push_back({0, 0, so, n, w, e, *i});
      x0 = std::min(x0, w), x1 = std::max(x1, e), y0 = std::min(y0, so), y1 = std::max(y1, n);
    }
    const bool alongX = x1 - x0 >= y1 - y0;
    for (Box& b : boxes) {
      b.lo = alongX ? b.west : b.south;
      b.hi = alongX ? b.east : b.north;
    }
    // Ties kept in the cell's order, so that pairs come in one order.
    std::stable_sort(boxes.begin(), boxes.end(), [](const Box& a, const Box& b) { return a.lo < b.lo; });
    for (std::size_t i = 0; i < boxes.size(); ++i) {
      const Box& a = boxes[i];
      for (std::size_t j = i + 1; j < boxes.size() && boxes[j].lo <= a.hi; ++j) {
        const Box& b = boxes[j];
        if (a.east < b.west || b.east < a.west || a.north < b.south || b.north < a.south) continue;
        f(std::min(a.segment, b.segment), std::max(a.segment, b.segment));
      }
    }
  }
}

// A point where a segment is to be cut.
struct Cut {
  Index segment;
  double t;
  GeoPoint p;
};

// The cuts that segments s and u, whose bounds meet, make in each other: a crossing, or an end
// of one lying on the other (also where they overlap along a line).
// Sets touch when the two share an end without being neighbours on a ring
// (firstOfRing: each ring's first segment, and one past the last), crossed
// when they cross.
void CutPair(const std::vector<Segment>& segs, const std::vector<Index>& firstOfRing, double quantum, Index s,
             Index u, std::vector<Cut>& cuts, bool& touch, bool& crossed) {
  const Segment& a = segs[s];
  const Segment& b = segs[u];
  // An end of one strictly inside the other.
  const auto onto = [&](Index into, const Segment& g, const GeoPoint& p, int side) {
    if (side != 0 || p == g.a || p == g.b) return;
    const double t = Along(g.a, g.b, p);
    if (t > 0 && t < 1) cuts.push_back({into, t, p});
  };
  if (a.a == b.a || a.a == b.b || a.b == b.a || a.b == b.b) {
    // Neighbours on a ring, or a touch; they cannot cross, only overlap
    // along a line (a spike), which only the other ends tell.
    const Index first = firstOfRing[a.ring], last = firstOfRing[a.ring + 1] - 1;
    const Index lo = std::min(s, u), hi = std::max(s, u);
    if (a.ring != b.ring || (hi != lo + 1 && !(lo == first && hi == last))) touch = true;
    for (const GeoPoint& p : {b.a, b.b}) {
      if (!(p == a.a || p == a.b)) onto(s, a, p, Side(a.a, a.b, p));
    }
    for (const GeoPoint& p : {a.a, a.b}) {
      if (!(p == b.a || p == b.b)) onto(u, b, p, Side(b.a, b.b, p));
    }
    return;
  }
  const int b0 = Side(a.a, a.b, b.a), b1 = Side(a.a, a.b, b.b);
  const int a0 = Side(b.a, b.b, a.a), a1 = Side(b.a, b.b, a.b);
  if (b0 * b1 < 0 && a0 * a1 < 0) {
    const double da = (b.b.lon - b.a.lon) * (a.a.lat - b.a.lat) - (b.b.lat - b.a.lat) * (a.a.lon - b.a.lon);
    const double db = (b.b.lon - b.a.lon) * (a.b.lat - b.a.lat) - (b.b.lat - b.a.lat) * (a.b.lon - b.a.lon);
    const double t = std::clamp(da / (da - db), 0.0, 1.0);
    GeoPoint x{a.a.lon + t * (a.b.lon - a.a.lon), a.a.lat + t * (a.b.lat - a.a.lat)};
    // Within both segments' bounds, whatever the rounding.
    x.lon = std::clamp(x.lon, std::max(std::min(a.a.lon, a.b.lon), std::min(b.a.lon, b.b.lon)),
                       std::min(std::max(a.a.lon, a.b.lon), std::max(b.a.lon, b.b.lon)));
    x.lat = std::clamp(x.lat, std::max(std::min(a.a.lat, a.b.lat), std::min(b.a.lat, b.b.lat)),
                       std::min(std::max(a.a.lat, a.b.lat), std::max(b.a.lat, b.b.lat)));
    x = OnLattice(x, quantum);
    cuts.push_back({s, Within01(Along(a.a, a.b, x)), x});
    cuts.push_back({u, Within01(Along(b.a, b.b, x)), x});
    crossed = true;
    return;
  }
  onto(s, a, b.a, b0);
  onto(s, a, b.b, b1);
  onto(u, b, a.a, a0);
  onto(u, b, a.b, a1);
}

class UnionFind {
 public:
  explicit UnionFind(Index n) : up_(n) { std::iota(up_.begin(), up_.end(), Index{0}); }
  Index Find(Index i) {
    while (up_[i] != i) i = up_[i] = up_[up_[i]];
    return i;
  }
  void Join(Index i, Index j) {
    i = Find(i), j = Find(j);
    if (i != j) up_[std::max(i, j)] = std::min(i, j);
  }

 private:
  std::vector<Index> up_;
};

// Twice the signed area of a closed sequence of points, about its first.
double TwiceArea(const std::vector<GeoPoint>& ring) {
  double sum = 0;
  for (Index i = 1; i + 1 < ring.size(); ++i) {
    sum += (ring[i].lon - ring[0].lon) * (ring[i + 1].lat - ring[0].lat) -
           (ring[i + 1].lon - ring[0].lon) * (ring[i].lat - ring[0].lat);
  }
  return sum;
}

bool InsideRing(const GeoPoint& p, const std::vector<GeoPoint>& ring) {
  bool inside = false;
  for (Index i = 0, j = ring.size() - 1; i < ring.size(); j = i++) {
    const GeoPoint& u = ring[i];
    const GeoPoint& v = ring[j];
    if ((u.lat > p.lat) != (v.lat > p.lat) &&
        p.lon < u.lon + (p.lat - u.lat) * (v.lon - u.lon) / (v.lat - u.lat)) {
      inside = !inside;
    }
  }
  return inside;
}

// The whole computation; with onlyCheck, stops as soon as the area is known
// to be invalid (the result's area then being empty).
struct Arranged {
  GeoMultiPolygon area;
  bool valid = true;
};

Arranged Arrange(const GeoMultiPolygon& input, bool onlyCheck) {
  Arranged out;
  // Segments, and how many each ring and polygon has.
  std::vector<Segment> segs;
  Index points = 0;
  for (const GeoPolygon& p : input) {
    for (const GeoRing& r : p.rings) points += r.size();
  }
  segs.reserve(points);
  double largest = 0;
  for (const GeoPolygon& p : input) {
    for (const GeoRing& r : p.rings) {
      for (const GeoPoint& v : r) largest = std::max(largest, std::max(std::abs(v.lon), std::abs(v.lat)));
    }
  }
  const double quantum = largest > 0 ? std::ldexp(1.0, std::ilogb(largest) - 40) : 1;
  std::vector<Index> ringSegments, ringPolygon, ringIndex, firstOfRing;
  std::vector<Index> polygonRings(input.size(), 0);
  for (Index p = 0; p < input.size(); ++p) {
    if (input[p].rings.empty()) out.valid = false;
    for (Index r = 0; r < input[p].rings.size(); ++r) {
      const GeoRing& given = input[p].rings[r];
      bool traced = false;
      const std::vector<GeoPoint> pts = CleanRing(given, quantum, traced);
      // A ring of fewer than three points, or traced more than once, is not valid as it is.
      if (pts.size() < 3 || traced) out.valid = false;
      const Index ring = ringSegments.size();
      firstOfRing.push_back(segs.size());
      ringSegments.push_back(pts.size() >= 2 ? pts.size() : 0);
      ringPolygon.push_back(p);
      ringIndex.push_back(r);
      if (pts.size() < 2) continue;
      ++polygonRings[p];
      for (Index i = 0; i < pts.size(); ++i) {
        segs.push_back({pts[i], pts[i + 1 < pts.size() ? i + 1 : 0], p, ring, segs.size()});
      }
    }
  }
  firstOfRing.push_back(segs.size());
  if (onlyCheck && !out.valid) return out;
  if (segs.empty()) {
    out.valid = false;
    return out;
  }

  // Cut every segment where it meets another.
  double west = segs[0].a.lon, east = west, south = segs[0].a.lat, north = south;
  for (const Segment& s : segs) {
    west = std::min(west, s.a.lon), east = std::max(east, s.a.lon);
    south = std::min(south, s.a.lat), north = std::max(north, s.a.lat);
  }
  std::vector<Cut> cuts;
  bool touch = false, crossed = false;
  {
    Grid grid(west, south, east, north, segs.size());
    grid.Fill(segs.size(), [&](Index i) { return std::pair(segs[i].a, segs[i].b); });
    ForEachMeetingPair(grid, segs, [&](Index i, Index j) { CutPair(segs, firstOfRing, quantum, i, j, cuts, touch, crossed); });
    // Rings that neither cross nor touch: valid when each hole lies inside
    // its outer ring and outside its other holes, and no outer ring lies
    // inside another polygon. What holds a ring is what holds its first
    // point, found by a ray through the grid to its nearest edge.
    if (out.valid && cuts.empty() && !touch) {
      if (ringSegments.size() == 1) return out;
      const auto holders = [&](Index ring) {
        std::vector<Index> hits;
        grid.ForEachCrossing(segs[firstOfRing[ring]].a, [&](Index i) { return std::pair(segs[i].a, segs[i].b); },
                             [&](Index i) {
                               if (segs[i].ring != ring) hits.push_back(segs[i].ring);
                             });
        std::sort(hits.begin(), hits.end());
        std::vector<Index> odd;
        for (Index i = 0, j = 0; i < hits.size(); i = j) {
          while (j < hits.size() && hits[j] == hits[i]) ++j;
          if ((j - i) % 2) odd.push_back(hits[i]);
        }
        return odd;
      };
      for (Index ring = 0; out.valid && ring < ringSegments.size(); ++ring) {
        const Index p = ringPolygon[ring];
        const std::vector<Index> odd = holders(ring);  // by ring, so by polygon
        for (Index i = 0, j = 0; out.valid && i < odd.size(); i = j) {
          const Index q = ringPolygon[odd[i]];
          bool shell = false;
          Index holes = 0;
          for (; j < odd.size() && ringPolygon[odd[j]] == q; ++j) {
            if (ringIndex[odd[j]] == 0) {
              shell = true;
            } else {
              ++holes;
            }
          }
          if (ringIndex[ring] != 0 && q == p) out.valid = shell && holes == 0;
          if (ringIndex[ring] == 0 && q != p) out.valid = !shell || holes > 0;
        }
        // A hole must lie inside its own outer ring.
        if (ringIndex[ring] != 0 &&
            std::none_of(odd.begin(), odd.end(), [&](Index h) { return ringPolygon[h] == p && ringIndex[h] == 0; })) {
          out.valid = false;
        }
      }
      if (out.valid) return out;
    }
  }
  // An end of one segment on another (two polygons touching there) may
  // still be valid; a crossing never is.
  if (crossed) out.valid = false;
  if (onlyCheck && !out.valid) return out;
  const auto byPlace = [](const Cut& x, const Cut& y) {
    return x.segment != y.segment ? x.segment < y.segment : x.t < y.t;
  };
  std::sort(cuts.begin(), cuts.end(), byPlace);
  const std::vector<Segment> drawn = segs;  // on the lattice
  // The pieces of cut segments may meet others where the segments did not
  // (a cut point a hair off its segment, put on the lattice): cut again
  // until nothing more is cut.
  for (int round = 0; round < 8 && !cuts.empty(); ++round) {
    std::vector<Segment> pieces;
    pieces.reserve(segs.size() + 2 * cuts.size());
    for (Index i = 0, c = 0; i < segs.size(); ++i) {
      GeoPoint from = segs[i].a;
      const auto add = [&](const GeoPoint& to) {
        if (!(to == from)) pieces.push_back({from, to, segs[i].polygon, segs[i].ring, segs[i].source});
        from = to;
      };
      for (; c < cuts.size() && cuts[c].segment == i; ++c) add(cuts[c].p);
      add(segs[i].b);
    }
    segs = std::move(pieces);
    cuts.clear();
    Grid grid(west, south, east, north, segs.size());
    grid.Fill(segs.size(), [&](Index i) { return std::pair(segs[i].a, segs[i].b); });
    bool ignored = false;
    ForEachMeetingPair(grid, segs, [&](Index i, Index j) { CutPair(segs, firstOfRing, quantum, i, j, cuts, ignored, ignored); });
    std::sort(cuts.begin(), cuts.end(), byPlace);
  }

  // Vertices: every end and cut, numbered in order of longitude, then
  // latitude, so that the first vertex of a connected part is its
  // westmost (southmost of those).
  std::vector<GeoPoint> vertex;
  vertex.reserve(segs.size() + cuts.size());
  for (const Segment& s : segs) vertex.push_back(s.a);
  for (const Cut& c : cuts) vertex.push_back(c.p);
  std::sort(vertex.begin(), vertex.end(), Before);
  vertex.erase(std::unique(vertex.begin(), vertex.end()), vertex.end());
  const auto id = [&](const GeoPoint& p) {
    return static_cast<Index>(std::lower_bound(vertex.begin(), vertex.end(), p, Before) - vertex.begin());
  };

  // The pieces, each as (lower vertex, higher vertex, polygon, ring).
  struct Piece {
    Index u, v, polygon, ring, segment;
  };
  std::vector<Piece> pieces;
  pieces.reserve(segs.size() + 2 * cuts.size());
  for (Index s = 0, c = 0; s < segs.size(); ++s) {
    Index from = id(segs[s].a);
    const auto add = [&](Index to) {
      if (to != from) {
        pieces.push_back({std::min(from, to), std::max(from, to), segs[s].polygon, segs[s].ring, segs[s].source});
      }
      from = to;
    };
    for (; c < cuts.size() && cuts[c].segment == s; ++c) add(id(cuts[c].p));
    add(id(segs[s].b));
  }
  std::sort(pieces.begin(), pieces.end(), [](const Piece& x, const Piece& y) {
    return x.u != y.u ? x.u < y.u : (x.v != y.v ? x.v < y.v : x.polygon < y.polygon);
  });

  // Edges: pieces on the same two vertices taken together; an edge changes
  // the parity of the polygons that have it an odd number of times, and is
  // dropped when it changes none (a spike, a ring drawn back over itself).
  struct Edge {
    Index u, v;
    Index toggles, toggleEnd;  // into toggle
    Index ring, segment;       // the one ring and segment it comes from, kNone when several
  };
  std::vector<Edge> edges;
  std::vector<Index> toggle;
  for (Index i = 0; i < pieces.size();) {
    Index j = i;
    Edge e{pieces[i].u, pieces[i].v, toggle.size(), 0, pieces[i].ring, pieces[i].segment};
    while (j < pieces.size() && pieces[j].u == e.u && pieces[j].v == e.v) {
      Index k = j;
      while (k < pieces.size() && pieces[k].u == e.u && pieces[k].v == e.v && pieces[k].polygon == pieces[j].polygon) ++k;
      if ((k - j) % 2 == 1) toggle.push_back(pieces[j].polygon);
      j = k;
    }
    e.toggleEnd = toggle.size();
    if (j - i > 1) e.ring = e.segment = kNone, out.valid = false;
    if (e.toggleEnd > e.toggles) edges.push_back(e);
    i = j;
  }
  if (onlyCheck && !out.valid) return out;
  if (edges.empty()) {
    out.valid = false;
    return out;
  }

  // Half-edges 2e (u to v) and 2e + 1 (v to u); around each vertex the
  // outgoing ones counter-clockwise from east.
  const Index halves = 2 * edges.size();
  const auto origin = [&](Index h) { return h % 2 ? edges[h / 2].v : edges[h / 2].u; };
  const auto target = [&](Index h) { return h % 2 ? edges[h / 2].u : edges[h / 2].v; };
  std::vector<Index> aroundStart(vertex.size() + 1, 0), around(halves), position(halves);
  for (Index h = 0; h < halves; ++h) ++aroundStart[origin(h) + 1];
  std::partial_sum(aroundStart.begin(), aroundStart.end(), aroundStart.begin());
  {
    std::vector<Index> at(aroundStart.begin(), aroundStart.end() - 1);
    for (Index h = 0; h < halves; ++h) around[at[origin(h)]++] = h;
  }
  // The direction of each half-edge: its half (0 from east up to, not
  // including, west; 1 the rest) and its angle, ordered as a pair so that
  // the order stays one order whatever the rounding of the angle.
  std::vector<int> halfOf(halves);
  std::vector<double> angle(halves);
  for (Index h = 0; h < halves; ++h) {
    const GeoPoint& a = vertex[origin(h)];
    const GeoPoint& b = vertex[target(h)];
    const double dx = b.lon - a.lon, dy = b.lat - a.lat;
    halfOf[h] = dy < 0 || (dy == 0 && dx < 0) ? 1 : 0;
    angle[h] = std::atan2(dy, dx);
    if (angle[h] < 0) angle[h] += 2 * std::acos(-1.0);
  }
  for (Index v = 0; v < vertex.size(); ++v) {
    std::sort(around.begin() + static_cast<std::ptrdiff_t>(aroundStart[v]),
              around.begin() + static_cast<std::ptrdiff_t>(aroundStart[v + 1]), [&](Index x, Index y) {
                if (halfOf[x] != halfOf[y]) return halfOf[x] < halfOf[y];
                return angle[x] != angle[y] ? angle[x] < angle[y] : x < y;
              });
    for (Index k = aroundStart[v]; k < aroundStart[v + 1]; ++k) position[around[k]] = k;
  }
  // The half-edge before h around its origin, clockwise.
  const auto clockwise = [&](Index h) {
    const Index v = origin(h), k = position[h];
    return around[k == aroundStart[v] ? aroundStart[v + 1] - 1 : k - 1];
  };

  // Cycles: the boundary of each face of each connected part, the face on
  // the left of every half-edge.
  std::vector<Index> cycle(halves, kNone);
  std::vector<Index> cycleStart;  // the half-edges of cycle c: cycleHalves[cycleStart[c] …]
  std::vector<Index> cycleHalves;
  cycleHalves.reserve(halves);
  for (Index h0 = 0; h0 < halves; ++h0) {
    if (cycle[h0] != kNone) continue;
    cycleStart.push_back(cycleHalves.size());
    for (Index h = h0; cycle[h] == kNone; h = clockwise(h ^ 1)) {
      cycle[h] = cycleStart.size() - 1;
      cycleHalves.push_back(h);
    }
  }
  const Index cycles = cycleStart.size();
  cycleStart.push_back(cycleHalves.size());

  // Connected parts; the outer cycle of each is the face around its first
  // (westmost) vertex that holds the direction west.
  UnionFind parts(vertex.size());
  for (const Edge& e : edges) parts.Join(e.u, e.v);
  std::vector<Index> partOf(vertex.size(), kNone), partVertex, partOuter;
  for (Index v = 0; v < vertex.size(); ++v) {
    if (aroundStart[v] == aroundStart[v + 1]) continue;
    const Index root = parts.Find(v);
    if (partOf[root] == kNone) {
      partOf[root] = partVertex.size();
      partVertex.push_back(v);
      Index k = aroundStart[v];
      while (k + 1 < aroundStart[v + 1] && halfOf[around[k + 1]] == 0) ++k;
      if (halfOf[around[k]] != 0) k = aroundStart[v + 1] - 1;
      partOuter.push_back(cycle[around[k]]);
    }
  }
  // The face holding each part: the one met first by a ray west from its
  // first vertex, or none (the unbounded face).
  std::vector<Index> container(partVertex.size(), kNone);
  if (partVertex.size() > 1) {
    Grid grid(west, south, east, north, edges.size());
    grid.Fill(edges.size(), [&](Index i) { return std::pair(vertex[edges[i].u], vertex[edges[i].v]); });
    for (Index k = 0; k < partVertex.size(); ++k) {
      const GeoPoint p = vertex[partVertex[k]];
      double best = -std::numeric_limits<double>::infinity();
      Index face = kNone;
      const Index row = grid.Row(p.lat);
      for (Index c = grid.Column(p.lon) + 1; c-- > 0;) {
        const Index cell = row * grid.Columns() + c;
        for (const Index* i = grid.Begin(cell); i != grid.End(cell); ++i) {
          const Edge& e = edges[*i];
          const GeoPoint& a = vertex[e.u];
          const GeoPoint& b = vertex[e.v];
          for (const Index w : {e.u, e.v}) {
            // A vertex on the ray: the face around it that holds the direction east.
            if (vertex[w].lat == p.lat && vertex[w].lon < p.lon && vertex[w].lon > best) {
              best = vertex[w].lon;
              face = cycle[around[aroundStart[w + 1] - 1]];
            }
          }
          if ((a.lat < p.lat) != (b.lat < p.lat) && a.lat != p.lat && b.lat != p.lat) {
            const double x = std::clamp(a.lon + (p.lat - a.lat) * (b.lon - a.lon) / (b.lat - a.lat),
                                        std::min(a.lon, b.lon), std::max(a.lon, b.lon));
            if (x < p.lon && x > best) {
              best = x;
              // The half-edge running south has the east on its left.
              face = cycle[a.lat > b.lat ? 2 * *i : 2 * *i + 1];
            }
          }
        }
        if (face != kNone && best >= grid.ColumnWest(c)) break;
      }
      container[k] = face;
    }
  }

  // Each cycle's face is covered when some polygon's rings, as drawn, go
  // an odd number of times around a point of it: one just left of the
  // cycle's longest edge, the rings counted along a ray from there to the
  // grid's nearest edge.
  // Each face is told by itself, so that a sliver that rounding left
  // inconsistent misleads no other face.
  std::vector<char> coveredCycle(cycles, 0);
  {
    Grid grid(west, south, east, north, drawn.size());
    grid.Fill(drawn.size(), [&](Index i) { return std::pair(drawn[i].a, drawn[i].b); });
    std::vector<Index> hits;
    for (Index c = 0; c < cycles; ++c) {
      Index longest = cycleHalves[cycleStart[c]];
      double most = -1;
      for (Index i = cycleStart[c]; i < cycleStart[c + 1]; ++i) {
        const GeoPoint& a = vertex[origin(cycleHalves[i])];
        const GeoPoint& b = vertex[target(cycleHalves[i])];
        const double squared = (b.lon - a.lon) * (b.lon - a.lon) + (b.lat - a.lat) * (b.lat - a.lat);
        if (squared > most) most = squared, longest = cycleHalves[i];
      }
      const GeoPoint& a = vertex[origin(longest)];
      const GeoPoint& b = vertex[target(longest)];
      const double dx = b.lon - a.lon, dy = b.lat - a.lat;
      // Off the edge by 1e-9 of its length, and by 16 steps of the lattice at
      // least: clear of where the edge was drawn before its ends were put on
      // the lattice.
      const double offset = std::clamp(16 * quantum / std::sqrt(most), 1e-9, 0.25);
      const GeoPoint q{a.lon + dx / 2 - dy * offset, a.lat + dy / 2 + dx * offset};
      hits.clear();
      grid.ForEachCrossing(q, [&](Index i) { return std::pair(drawn[i].a, drawn[i].b); },
                           [&](Index i) { hits.push_back(drawn[i].polygon); });
      std::sort(hits.begin(), hits.end());
      for (Index i = 0, j = 0; i < hits.size() && !coveredCycle[c]; i = j) {
        while (j < hits.size() && hits[j] == hits[i]) ++j;
        coveredCycle[c] = (j - i) % 2 == 1;
      }
    }
  }
  const auto covered = [&](Index c) { return coveredCycle[c] != 0; };
  const auto boundary = [&](Index h) { return covered(cycle[h]) && !covered(cycle[h ^ 1]); };

  // Faces of one polygon: covered faces across edges and around held parts.
  UnionFind polygonOf(cycles);
  for (Index e = 0; e < edges.size(); ++e) {
    if (covered(cycle[2 * e]) && covered(cycle[2 * e + 1])) {
      polygonOf.Join(cycle[2 * e], cycle[2 * e + 1]);
      out.valid = false;  // an edge inside the area: polygons overlap, or a hole is out of place
    } else if (!covered(cycle[2 * e]) && !covered(cycle[2 * e + 1])) {
      out.valid = false;
    }
  }
  if (onlyCheck && !out.valid) return out;
  for (Index k = 0; k < partVertex.size(); ++k) {
    if (container[k] != kNone) polygonOf.Join(partOuter[k], container[k]);
  }

  // The rings: boundary half-edges chained, each turning at its end to the
  // next boundary half-edge clockwise; a chain that comes back to a vertex
  // it has passed is cut there into two rings, so that no ring touches
  // itself (a boundary pinched at a point gives two lobes, or an outer ring
  // and a hole touching it there).
  struct Ring {
    std::vector<GeoPoint> points;
    Index polygon;
    Index from;      // the one input ring all its edges come from, kNone when not so
    Index segments;  // how many input segments its edges come from, in turn
  };
  std::vector<Ring> rings;
  std::vector<char> used(halves, 0);
  std::vector<Index> chain, placeOf(vertex.size(), kNone);
  const auto emit = [&](Index begin) {
    Ring ring{{}, polygonOf.Find(cycle[chain[begin]]), edges[chain[begin] / 2].ring, 0};
    for (Index i = begin; i < chain.size(); ++i) {
      const Edge& e = edges[chain[i] / 2];
      ring.points.push_back(vertex[origin(chain[i])]);
      placeOf[origin(chain[i])] = kNone;
      if (e.ring != ring.from) ring.from = kNone;
      const Index before = edges[chain[i == begin ? chain.size() - 1 : i - 1] / 2].segment;
      if (e.segment != before || chain.size() - begin == 1) ++ring.segments;
    }
    chain.resize(begin);
    rings.push_back(std::move(ring));
  };
  for (Index h0 = 0; h0 < halves; ++h0) {
    if (used[h0] || !boundary(h0)) continue;
    Index h = h0;
    do {
      used[h] = 1;
      if (placeOf[origin(h)] != kNone) emit(placeOf[origin(h)]);
      placeOf[origin(h)] = chain.size();
      chain.push_back(h);
      Index next = clockwise(h ^ 1);
      while (!boundary(next) && next != (h ^ 1)) next = clockwise(next);
      h = next;
    } while (h != h0 && !used[h]);
    emit(0);
  }

  // Valid as given: every input ring is one ring of the result, the outer
  // rings the results' outer rings, grouped into the same polygons.
  if (out.valid) {
    std::vector<Index> polygonClass(input.size(), kNone), classRings(cycles, 0);
    std::vector<char> seen(ringSegments.size(), 0);
    for (const Ring& r : rings) {
      if (r.from == kNone || seen[r.from] || r.segments != ringSegments[r.from]) {
        out.valid = false;
        break;
      }
      seen[r.from] = 1;
      const Index p = ringPolygon[r.from];
      if (polygonClass[p] == kNone) polygonClass[p] = r.polygon;
      if (polygonClass[p] != r.polygon || (TwiceArea(r.points) > 0) != (ringIndex[r.from] == 0)) {
        out.valid = false;
        break;
      }
      ++classRings[r.polygon];
    }
    for (Index p = 0; out.valid && p < input.size(); ++p) {
      if (polygonClass[p] == kNone || classRings[polygonClass[p]] != polygonRings[p]) out.valid = false;
    }
  }
  if (out.valid || onlyCheck) return out;

  // Polygons: the outer ring (counter-clockwise) of each group of faces and
  // its holes (clockwise).
  std::vector<Index> polygonAt(cycles, kNone), shellCount(cycles, 0);
  for (const Ring& r : rings) {
    if (TwiceArea(r.points) <= 0) continue;
    polygonAt[r.polygon] = out.area.size();
    ++shellCount[r.polygon];
    out.area.push_back({{GeoRing(r.points)}});
  }
  for (const Ring& r : rings) {
    if (TwiceArea(r.points) >= 0) continue;
    Index p = polygonAt[r.polygon];
    if (shellCount[r.polygon] != 1) {
      // A group of faces with more or fewer than one outer ring (only where
      // rounding left a crossing unseen): the hole goes to the smallest
      // outer ring around it.
      p = kNone;
      for (Index s = 0; s < out.area.size(); ++s) {
        if (InsideRing(r.points[0], out.area[s].rings[0]) &&
            (p == kNone || TwiceArea(out.area[s].rings[0]) < TwiceArea(out.area[p].rings[0]))) {
          p = s;
        }
      }
    }
    if (p != kNone) out.area[p].rings.push_back(GeoRing(r.points));
  }
  for (GeoPolygon& p : out.area) {
    for (GeoRing& ring : p.rings) ring.push_back(ring.front());
  }
  return out;
}

}  // namespace

SettledArea SettleArea(const GeoMultiPolygon& area) {
  for (const GeoPolygon& p : area) {
    for (const GeoRing& ring : p.rings) {
      for (const GeoPoint& v : ring) {
        if (!(std::abs(v.lon) <= kMaxRepairCoordinate && std::abs(v.lat) <= kMaxRepairCoordinate)) {
          return {area, false, false};
        }
      }
    }
  }
  Arranged whole = Arrange(area, false);
  if (whole.valid) return {area, false, false};
  SettledArea out{std::move(whole.area), false, true};
  if (area.size() == 1) {
    out.repaired = true;
  } else {
    for (const GeoPolygon& p : area) {
      if (!Arrange({p}, true).valid) {
        out.repaired = true;
        break;
      }
    }
  }
  return out;
}

}  // namespace karvento
