// SPDX-License-Identifier: Apache-2.0
// Selection of the sheets that share interior with an area, by a scan-line
// over sheet rows.
#include "numbering/area.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <limits>

#include "numbering/error.h"
#include "numbering/sheet_grid.h"

namespace karvento {

bool AreaBounds(const GeoMultiPolygon& area, double& west, double& south, double& east,
                double& north) {
  bool any = false;
  bool finite = true;
  for (const GeoPolygon& p : area) {
    for (const GeoRing& ring : p.rings) {
      for (const GeoPoint& v : ring) {
        if (!(std::isfinite(v.lon) && std::isfinite(v.lat))) finite = false;
        if (!any) {
          west = east = v.lon;
          south = north = v.lat;
          any = true;
        }
        west = std::min(west, v.lon);
        east = std::max(east, v.lon);
        south = std::min(south, v.lat);
        north = std::max(north, v.lat);
      }
    }
  }
  if (any && !finite) west = south = east = north = std::numeric_limits<double>::quiet_NaN();
  return any;
}

std::string AreaDomainProblem(const GeoMultiPolygon& area) {
  double west = 0, south = 0, east = 0, north = 0;
  if (!AreaBounds(area, west, south, east, north)) return {};
  if (std::isnan(west)) return "含有不是有限数的坐标（NaN 或无穷大）";
  if (west >= 0 && south >= 0 && east <= 180 && north <= 90) return {};
  char bounds[160];
  std::snprintf(bounds, sizeof bounds, "：其经度为 %.10g° 至 %.10g°，纬度为 %.10g° 至 %.10g°", west,
                east, south, north);
  return std::string(kAreaOutsideDomain) + bounds;
}

Message AreaRingProblem(const GeoMultiPolygon& area) {
  for (const GeoPolygon& p : area) {
    for (const GeoRing& ring : p.rings) {
      for (const GeoPoint& v : ring) {
        if (!(std::isfinite(v.lon) && std::isfinite(v.lat))) return Message(msg::kNonFinite);
      }
    }
  }
  for (std::size_t i = 0; i < area.size(); ++i) {
    const std::vector<GeoRing>& rings = area[i].rings;
    for (std::size_t r = 0; r < rings.size(); ++r) {
      // Distinct points: three are enough to tell a ring from a point or a
      // segment; the ring's own closing point repeats its first.
      std::vector<GeoPoint> distinct;
      for (const GeoPoint& v : rings[r]) {
        if (std::find(distinct.begin(), distinct.end(), v) == distinct.end()) distinct.push_back(v);
        if (distinct.size() >= 3) break;
      }
      if (distinct.size() >= 3) continue;
      const std::string polygon = std::to_string(i + 1), points = std::to_string(distinct.size());
      if (r == 0) return Message(msg::kOuterRingTooFewPoints, {polygon, points});
      return Message(msg::kInnerRingTooFewPoints, {polygon, std::to_string(r), points});
    }
  }
  return {};
}

namespace {

// A coordinate in seconds from the frame's lines (multiples of step), moved
// onto the nearest line when it lies within kOnGridLine of it.
double OnGridLine(double x, double step) {
  const double line = std::nearbyint(x / step) * step;
  return std::abs(x - line) <= kOnGridLine ? line : x;
}

// A directed edge in seconds, x east of the frame's west edge and y north of
// its south edge: with the outer rings counter-clockwise and the holes
// clockwise, ∮ x dy over all edges is the area.
struct Edge {
  double x0, y0, x1, y1;
  double XAt(double y) const { return x0 + (x1 - x0) * ((y - y0) / (y1 - y0)); }
  double YAt(double x) const { return y0 + (y1 - y0) * ((x - x0) / (x1 - x0)); }
};

double SignedArea(const std::vector<Edge>& ring) {
  double a = 0;
  for (const Edge& e : ring) a += (e.x0 - e.x1) * (e.y0 + e.y1);  // trapezoids, sign of ∮ x dy
  return a / 2;
}

std::vector<Edge> FrameEdges(const GeoMultiPolygon& area, const SheetFrame& f) {
  const double south = f.north - static_cast<double>(f.rows) * f.height;
  std::vector<Edge> edges;
  std::vector<Edge> ring;
  for (const GeoPolygon& p : area) {
    for (std::size_t r = 0; r < p.rings.size(); ++r) {
      const GeoRing& points = p.rings[r];
      ring.clear();
      for (std::size_t i = 0; i < points.size(); ++i) {
        const GeoPoint& a = points[i];
        const GeoPoint& b = points[(i + 1) % points.size()];
        // Seconds first, then the shift, then onto a line within kOnGridLine:
        // a vertex on a grid line, or the double nearest to it, is on it.
        const Edge e{OnGridLine(a.lon * 3600 - f.west, f.width),
                     OnGridLine(a.lat * 3600 - south, f.height),
                     OnGridLine(b.lon * 3600 - f.west, f.width),
                     OnGridLine(b.lat * 3600 - south, f.height)};
        if (e.x0 == e.x1 && e.y0 == e.y1) continue;
        ring.push_back(e);
      }
      const double a = SignedArea(ring);
      if (ring.size() < 3 || a == 0 || !std::isfinite(a)) continue;
      const bool reverse = (r == 0) != (a > 0);  // outer ring counter-clockwise, holes clockwise
      for (const Edge& e : ring) {
        edges.push_back(reverse ? Edge{e.x1, e.y1, e.x0, e.y0} : e);
      }
    }
  }
  return edges;
}

// What the pieces of one row add to one column.
struct Piece {
  std::int64_t column;
  double fullDy;   // Σ dy, added to the columns west of it
  double partial;  // Σ ∫ (x − x_west) dy of the piece itself
  bool crossed;    // the piece passes through the sheet's interior
};

// The per-row sums of the scan-line: the pieces in the frame's columns, and
// the dy of those east of it (full width everywhere).
struct RowSums {
  std::vector<Piece> pieces;
  double beyondDy = 0;
};

// Adds one piece u → v lying in the closed rectangle of column c (or east
// or west of the frame) between the row's parallels y0 and y1.
void AddPiece(RowSums& s, std::int64_t columns, double w, std::int64_t c, double ux, double uy,
              double vx, double vy, double y0, double y1) {
  if (c < 0) return;  // west of the frame: covers nothing of it
  const double dy = vy - uy;
  if (c >= columns) {
    s.beyondDy += dy;
    return;
  }
  const double xw = static_cast<double>(c) * w;
  // A segment inside a closed rectangle misses the interior only when it lies
  // on one side's line (or is a point).
  const bool onSide = (ux == vx && (ux == xw || ux == xw + w)) || (uy == vy && (uy == y0 || uy == y1)) ||
                      (ux == vx && uy == vy);
  s.pieces.push_back({c, dy, ((ux + vx) / 2 - xw) * dy, !onSide});
}

// floor(v) as an index, held within lo … hi (v may be anything a file holds).
std::int64_t FloorIndex(double v, std::int64_t lo, std::int64_t hi) {
  const double f = std::floor(v);
  if (!(f > static_cast<double>(lo))) return lo;
  if (!(f < static_cast<double>(hi))) return hi;
  return static_cast<std::int64_t>(f);
}

// The column whose closed rectangle holds x-range [lo, hi] (a piece that
// crosses no column line inside it), for lo and hi within the frame's reach.
std::int64_t ColumnOf(double lo, double hi, double w) {
  auto c = static_cast<std::int64_t>(std::floor(lo / w));
  if (static_cast<double>(c) * w > lo) --c;
  if (static_cast<double>(c + 1) * w < hi) ++c;
  return c;
}

// Clips an edge to the row between y0 and y1 and cuts it at the column lines.
void AddEdgeToRow(RowSums& s, std::int64_t columns, double w, const Edge& e, double y0, double y1) {
  double ax = e.x0, ay = e.y0, bx = e.x1, by = e.y1;
  if (ay != by) {
    // The same parallel cuts an edge at the same x in both rows it divides.
    if (ay < y0) ax = e.XAt(y0), ay = y0;
    if (ay > y1) ax = e.XAt(y1), ay = y1;
    if (by < y0) bx = e.XAt(y0), by = y0;
    if (by > y1) bx = e.XAt(y1), by = y1;
  }
  // Beyond a column west or east of the frame a piece adds nothing to its
  // sheets but its dy (east): the edge is cut there, which keeps every index
  // below within the frame's reach whatever the file's coordinates.
  const double xmin = -w, xmax = static_cast<double>(columns + 1) * w;
  const auto cutAt = [&](double x) {
    return ay == by ? ay : std::clamp(e.YAt(x), std::min(ay, by), std::max(ay, by));
  };
  if (ax > xmax || bx > xmax) {
    if (ax > xmax && bx > xmax) {
      s.beyondDy += by - ay;
      return;
    }
    const double y = cutAt(xmax);
    if (ax > xmax) {
      s.beyondDy += y - ay;
      ax = xmax, ay = y;
    } else {
      s.beyondDy += by - y;
      bx = xmax, by = y;
    }
  }
  if (ax < xmin || bx < xmin) {
    if (ax < xmin && bx < xmin) return;
    const double y = cutAt(xmin);
    if (ax < xmin) {
      ax = xmin, ay = y;
    } else {
      bx = xmin, by = y;
    }
  }
  const double lo = std::min(ax, bx), hi = std::max(ax, bx);
  auto first = static_cast<std::int64_t>(std::floor(lo / w)) + 1;  // first line east of lo
  while (static_cast<double>(first - 1) * w > lo) --first;
  while (static_cast<double>(first) * w <= lo) ++first;
  if (!(static_cast<double>(first) * w < hi)) {
    AddPiece(s, columns, w, ColumnOf(lo, hi, w), ax, ay, bx, by, y0, y1);
    return;
  }
  // Cut at every column line strictly between the ends, walking from a to b.
  auto last = static_cast<std::int64_t>(std::ceil(hi / w)) - 1;
  while (static_cast<double>(last + 1) * w < hi) ++last;
  while (static_cast<double>(last) * w >= hi) --last;
  const bool east = bx > ax;
  double px = ax, py = ay;
  const std::int64_t n = last - first + 1;
  for (std::int64_t k = 0; k < n; ++k) {
    const std::int64_t line = east ? first + k : last - k;
    const double x = static_cast<double>(line) * w;
    double y = ay == by ? ay : std::clamp(e.YAt(x), y0, y1);
    const std::int64_t c = east ? line - 1 : line;
    AddPiece(s, columns, w, c, px, py, x, y, y0, y1);
    px = x;
    py = y;
  }
  AddPiece(s, columns, w, east ? last : first - 1, px, py, bx, by, y0, y1);
}

}  // namespace

SheetSelection::SheetSelection(const GeoMultiPolygon& area, const SheetFrame& frame)
    : frame_(frame) {
  if (frame.columns <= 0 || frame.rows <= 0) return;
  if (!(frame.width > 0 && frame.height > 0) || !std::isfinite(frame.west) ||
      !std::isfinite(frame.north) || frame.rows > kMaxSelectionRows ||
      frame.columns > kMaxSelectionRows) {
    throw Error(kRangeCheckError);
  }
  for (const GeoPolygon& p : area) {
    for (const GeoRing& ring : p.rings) {
      for (const GeoPoint& v : ring) {
        if (!(std::isfinite(v.lon) && std::isfinite(v.lat))) {
          throw Error(N_("范围含有不是有限数的坐标（NaN 或无穷大）"));
        }
      }
    }
  }
  const auto columns = frame.columns;
  const auto rows = static_cast<std::size_t>(frame.rows);
  runs_.resize(rows);
  partial_.resize(rows);
  const std::vector<Edge> edges = FrameEdges(area, frame);
  const double w = frame.width, h = frame.height;

  // Rows are counted here from the south (k), the frame's rows from the north
  // (rows − 1 − k). Each edge is listed under every row whose open band it
  // meets.
  std::vector<std::size_t> start(rows + 1, 0);
  const auto rowRange = [&](const Edge& e, std::int64_t& lo, std::int64_t& hi) {
    const double ylo = std::min(e.y0, e.y1), yhi = std::max(e.y0, e.y1);
    const auto last = static_cast<std::int64_t>(rows) - 1;
    lo = FloorIndex(ylo / h - 1, 0, last + 1);
    hi = FloorIndex(yhi / h + 1, -1, last);
    while (lo <= hi && !(ylo < static_cast<double>(lo + 1) * h && yhi > static_cast<double>(lo) * h)) ++lo;
    while (hi >= lo && !(ylo < static_cast<double>(hi + 1) * h && yhi > static_cast<double>(hi) * h)) --hi;
  };
  for (const Edge& e : edges) {
    std::int64_t lo, hi;
    rowRange(e, lo, hi);
    for (std::int64_t k = lo; k <= hi; ++k) ++start[static_cast<std::size_t>(k) + 1];
  }
  for (std::size_t k = 0; k < rows; ++k) start[k + 1] += start[k];
  std::vector<std::uint32_t> list(start[rows]);
  {
    std::vector<std::size_t> fill(start.begin(), start.end() - 1);
    for (std::size_t i = 0; i < edges.size(); ++i) {
      std::int64_t lo, hi;
      rowRange(edges[i], lo, hi);
      for (std::int64_t k = lo; k <= hi; ++k) list[fill[static_cast<std::size_t>(k)]++] = static_cast<std::uint32_t>(i);
    }
  }

  RowSums s;
  const double sheetArea = w * h;
  for (std::size_t k = 0; k < rows; ++k) {
    if (start[k] == start[k + 1]) continue;  // no edge meets the row: nothing of it is inside
    s.pieces.clear();
    s.beyondDy = 0;
    const double y0 = static_cast<double>(k) * h, y1 = static_cast<double>(k + 1) * h;
    for (std::size_t i = start[k]; i < start[k + 1]; ++i) AddEdgeToRow(s, columns, w, edges[list[i]], y0, y1);
    std::sort(s.pieces.begin(), s.pieces.end(),
              [](const Piece& a, const Piece& b) { return a.column < b.column; });

    // East to west: between two columns with pieces every sheet has the same
    // sum of dy east of it, so it is wholly inside or wholly outside.
    const std::size_t row = rows - 1 - k;
    auto& runs = runs_[row];
    auto& partial = partial_[row];
    const auto select = [&](std::int64_t begin, std::int64_t end) {
      count_ += end - begin;
      if (!runs.empty() && runs.back().begin == end) {
        runs.back().begin = begin;
      } else {
        runs.push_back({begin, end});
      }
    };
    double eastDy = s.beyondDy;  // Σ dy of the pieces east of the current column
    std::int64_t eastColumn = columns;  // the westmost column already decided
    for (std::size_t i = s.pieces.size(); i > 0;) {
      const std::int64_t c = s.pieces[i - 1].column;
      if (c + 1 < eastColumn && w * eastDy > sheetArea / 2) select(c + 1, eastColumn);
      double fullDy = 0, own = 0;
      bool crossed = false;
      for (; i > 0 && s.pieces[i - 1].column == c; --i) {
        fullDy += s.pieces[i - 1].fullDy;
        own += s.pieces[i - 1].partial;
        crossed = crossed || s.pieces[i - 1].crossed;
      }
      const double covered = w * eastDy + own;
      eastDy += fullDy;
      if (crossed) {
        // An edge through the sheet, and some of it covered (a zero-width
        // spike covers nothing).
        if (covered > 0) {
          partial.push_back({c, std::min(covered / sheetArea, 1.0)});
          select(c, c + 1);
        }
      } else if (covered > sheetArea / 2) {
        // No edge through the interior: wholly inside or wholly outside.
        select(c, c + 1);
      }
      eastColumn = c;
    }
    if (0 < eastColumn && w * eastDy > sheetArea / 2) select(0, eastColumn);
    std::reverse(runs.begin(), runs.end());
    std::reverse(partial.begin(), partial.end());
  }
}

bool SheetSelection::Selected(std::int64_t column, std::int64_t row) const {
  if (column < 0 || row < 0 || column >= frame_.columns || row >= frame_.rows) return false;
  const auto& runs = runs_[static_cast<std::size_t>(row)];
  // The first run that ends east of the column.
  const auto it = std::upper_bound(runs.begin(), runs.end(), column,
                                   [](std::int64_t c, const Run& r) { return c < r.end; });
  return it != runs.end() && it->begin <= column;
}

double SheetSelection::Cover(std::int64_t column, std::int64_t row) const {
  if (!Selected(column, row)) return 0;
  const auto& p = partial_[static_cast<std::size_t>(row)];
  const auto it = std::lower_bound(p.begin(), p.end(), column,
                                   [](const Partial& a, std::int64_t c) { return a.column < c; });
  if (it != p.end() && it->column == column) return it->cover;
  return 1;
}

TMapUnionRange AreaSheetRange(const GeoMultiPolygon& area, ScaleIndex scale) {
  double west, south, east, north;
  if (scale < 0 || scale >= kScaleCount) throw Error(kRangeCheckError);
  if (!AreaBounds(area, west, south, east, north)) return {};
  // Nothing is walked for an area the grid cannot number.
  if (const std::string problem = AreaDomainProblem(area); !problem.empty()) throw Error("范围" + problem);
  // Snapped outward in seconds, where grid lines are exact: the walk keeps an
  // edge that is a grid line (or within kOnGridLine of one), so its grid holds
  // the whole area and no row or column that it only touches.
  const double w = LonStepTable[scale], h = LatStepTable[scale];
  const auto down = [](double v, double step) {
    return std::floor(OnGridLine(v * 3600, step) / step) * step;
  };
  const auto up = [](double v, double step) { return std::ceil(OnGridLine(v * 3600, step) / step) * step; };
  return {SecToDms(down(west, w)), SecToDms(down(south, h)), SecToDms(up(east, w)),
          SecToDms(up(north, h))};
}

void CreateMapUnionsInArea(const GeoMultiPolygon& area, ScaleIndex scale, bool newStandard,
                           bool zone3, Datum datum, double cm, double minCover,
                           TStandardMapUnions& result, std::vector<std::vector<double>>* covers) {
  const SheetWalk walk(area, minCover, scale, newStandard, zone3, datum, cm, true);
  TStandardMapUnions sheets;
  std::vector<std::vector<double>> coverColumns;
  walk.RunWithCovers([&](std::vector<TStandardMapUnion>& column, const std::vector<double>& c) {
    sheets.push_back(std::move(column));
    if (covers) coverColumns.push_back(c);
  });
  result = std::move(sheets);
  if (covers) *covers = std::move(coverColumns);
}

void CreateMapUnionsInArea(const GeoMultiPolygon& area, const TMapUnionRange& request,
                           ScaleIndex scale, bool newStandard, bool zone3, Datum datum, double cm,
                           TStandardMapUnions& result) {
  result.clear();
  // The area's bounds (on grid lines) cut down to the corners.
  TMapUnionRange r = AreaSheetRange(area, scale);
  const auto sec = [](const TAngleDMS& a) { return DmsToSec(a); };
  if (sec(request.West) > sec(r.West)) r.West = request.West;
  if (sec(request.South) > sec(r.South)) r.South = request.South;
  if (sec(request.East) < sec(r.East)) r.East = request.East;
  if (sec(request.North) < sec(r.North)) r.North = request.North;
  const bool wide = sec(request.West) < sec(request.East);
  const bool tall = sec(request.South) < sec(request.North);
  // Corners that miss the area's bounds: no sheet.
  if (sec(r.West) > sec(r.East) || sec(r.South) > sec(r.North) ||
      (wide && sec(r.West) == sec(r.East)) || (tall && sec(r.South) == sec(r.North))) {
    return;
  }
  const SheetWalk walk(area, r, 0, scale, newStandard, zone3, datum, cm, true);
  walk.Run([&](std::vector<TStandardMapUnion>& column) {
    // Corners of some size: every sheet of the cut request meets them. Of no
    // size, the cut request may hold a sheet that only touches their line or
    // point, which their own request would not list.
    if (!wide || !tall) std::erase_if(column, [&](const TStandardMapUnion& s) {
      const auto meets = [](double a, double b, double lo, double hi) {
        return lo < hi ? a < hi && b > lo : a <= lo && lo < b;
      };
      return !meets(sec(s.Range.West), sec(s.Range.East), sec(request.West), sec(request.East)) ||
             !meets(sec(s.Range.South), sec(s.Range.North), sec(request.South), sec(request.North));
    });
    if (!column.empty()) result.push_back(std::move(column));
  });
}

}  // namespace karvento
