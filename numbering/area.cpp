// Selection of the sheets that share interior with an area, by a scan-line
// over sheet rows.
#include "numbering/area.h"

#include <algorithm>
#include <cmath>

#include "numbering/error.h"
#include "numbering/sheet_grid.h"

namespace karvento {

bool AreaBounds(const GeoMultiPolygon& area, double& west, double& south, double& east,
                double& north) {
  bool any = false;
  for (const GeoPolygon& p : area) {
    if (p.rings.empty()) continue;
    for (const GeoPoint& v : p.rings[0]) {
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
  return any;
}

namespace {

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
        // Seconds first, then the shift: a vertex on a grid line stays on it.
        const Edge e{a.lon * 3600 - f.west, a.lat * 3600 - south, b.lon * 3600 - f.west,
                     b.lat * 3600 - south};
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

// The per-row sums of the scan-line.
struct RowSums {
  std::vector<double> fullDy;   // Σ dy of the pieces in each column, added to columns west of it
  std::vector<double> partial;  // Σ of each piece's own ∫ (x − x_west) dy
  std::vector<char> crossed;    // an edge passes through the sheet's interior
  double beyondDy = 0;          // pieces east of the frame: full width everywhere
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
  s.fullDy[static_cast<std::size_t>(c)] += dy;
  s.partial[static_cast<std::size_t>(c)] += ((ux + vx) / 2 - xw) * dy;
  // A segment inside a closed rectangle misses the interior only when it lies
  // on one side's line (or is a point).
  const bool onSide = (ux == vx && (ux == xw || ux == xw + w)) || (uy == vy && (uy == y0 || uy == y1)) ||
                      (ux == vx && uy == vy);
  if (!onSide) s.crossed[static_cast<std::size_t>(c)] = 1;
}

// The column whose closed rectangle holds x-range [lo, hi] (a piece that
// crosses no column line inside it).
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
  if (!(frame.width > 0 && frame.height > 0)) throw Error(kRangeCheckError);
  const auto columns = frame.columns;
  const auto rows = static_cast<std::size_t>(frame.rows);
  const auto total = static_cast<std::size_t>(columns) * rows;
  bits_.assign((total + 63) / 64, 0);
  partial_.resize(rows);
  const std::vector<Edge> edges = FrameEdges(area, frame);
  const double w = frame.width, h = frame.height;

  // Rows are counted here from the south (k), the frame's rows from the north
  // (rows − 1 − k). Each edge is listed under every row whose open band it
  // meets.
  std::vector<std::size_t> start(rows + 1, 0);
  const auto rowRange = [&](const Edge& e, std::int64_t& lo, std::int64_t& hi) {
    const double ylo = std::min(e.y0, e.y1), yhi = std::max(e.y0, e.y1);
    lo = std::max<std::int64_t>(0, static_cast<std::int64_t>(std::floor(ylo / h)) - 1);
    hi = std::min<std::int64_t>(static_cast<std::int64_t>(rows) - 1,
                                static_cast<std::int64_t>(std::floor(yhi / h)) + 1);
    if (!std::isfinite(ylo) || !std::isfinite(yhi)) hi = lo - 1;
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
  s.fullDy.resize(static_cast<std::size_t>(columns));
  s.partial.resize(static_cast<std::size_t>(columns));
  s.crossed.resize(static_cast<std::size_t>(columns));
  const double sheetArea = w * h;
  for (std::size_t k = 0; k < rows; ++k) {
    std::fill(s.fullDy.begin(), s.fullDy.end(), 0.0);
    std::fill(s.partial.begin(), s.partial.end(), 0.0);
    std::fill(s.crossed.begin(), s.crossed.end(), 0);
    s.beyondDy = 0;
    const double y0 = static_cast<double>(k) * h, y1 = static_cast<double>(k + 1) * h;
    for (std::size_t i = start[k]; i < start[k + 1]; ++i) AddEdgeToRow(s, columns, w, edges[list[i]], y0, y1);

    const std::size_t row = rows - 1 - k;
    auto& partial = partial_[row];
    double eastDy = s.beyondDy;  // Σ dy of the pieces east of the current column
    for (auto c = columns - 1; c >= 0; --c) {
      const auto ci = static_cast<std::size_t>(c);
      const double covered = w * eastDy + s.partial[ci];
      eastDy += s.fullDy[ci];
      bool selected;
      if (s.crossed[ci]) {
        selected = true;
        partial.push_back({c, std::clamp(covered / sheetArea, 0.0, 1.0)});
      } else {
        // No edge through the interior: wholly inside or wholly outside.
        selected = covered > sheetArea / 2;
      }
      if (selected) {
        const std::size_t bit = row * static_cast<std::size_t>(columns) + ci;
        bits_[bit / 64] |= std::uint64_t{1} << (bit % 64);
        ++count_;
      }
    }
    std::reverse(partial.begin(), partial.end());
  }
}

bool SheetSelection::Selected(std::int64_t column, std::int64_t row) const {
  if (column < 0 || row < 0 || column >= frame_.columns || row >= frame_.rows) return false;
  const auto bit = static_cast<std::size_t>(row) * static_cast<std::size_t>(frame_.columns) +
                   static_cast<std::size_t>(column);
  return (bits_[bit / 64] >> (bit % 64)) & 1;
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
  // Snapped outward in seconds, where grid lines are exact: the walk keeps an
  // edge that is a grid line, so its grid holds the whole area.
  const double w = LonStepTable[scale], h = LatStepTable[scale];
  const auto down = [](double v, double step) { return std::floor(v * 3600 / step) * step; };
  const auto up = [](double v, double step) { return std::ceil(v * 3600 / step) * step; };
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
