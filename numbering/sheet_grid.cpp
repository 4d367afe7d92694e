// The production sheet walk and the routines of both numbering standards.
#include "numbering/sheet_grid.h"

#include "numbering/area.h"

#include <charconv>
#include <cmath>
#include <cstring>

namespace karvento {

namespace detail {

GridUnit UnitOf(ScaleIndex scale, Standard standard) {
  if (scale < 0 || scale >= kScaleCount) throw Error(kRangeCheckError);
  // The 1:100万 routine, and the old-standard 1:50万 routine, work in decimal
  // degrees; all others in seconds of arc.
  const bool degrees = scale == 0 || (scale == 1 && standard == Standard::Old);
  const double k = degrees ? 3600.0 : 1.0;
  return {degrees, LonStepTable[scale] / k, LatStepTable[scale] / k};
}

double ToUnit(const TAngleDMS& a, bool degrees) { return degrees ? DmsToDeg(a) : DmsToSec(a); }
TAngleDMS FromUnit(double v, bool degrees) { return degrees ? DegToDms(v) : SecToDms(v); }

namespace {

// Sheets between two snapped edges: the whole part of the difference divided
// by the step, truncating; for the one step that is not whole (112.5″) the
// quotient itself is truncated.
double CountBetween(double hi, double lo, double step) {
  if (Truncate(step) == step) return Truncate(Truncate(hi - lo) / step);
  return Truncate((hi - lo) / step);
}

}  // namespace

SnappedRequest Snap(const TMapUnionRange& range, const GridUnit& u) {
  SnappedRequest q;
  q.W = FloorToStep(ToUnit(range.West, u.degrees), u.width);
  q.S = FloorToStep(ToUnit(range.South, u.degrees), u.height);
  q.E = CeilToStep(ToUnit(range.East, u.degrees), u.width);
  q.N = CeilToStep(ToUnit(range.North, u.degrees), u.height);
  const double columns = CountBetween(q.E, q.W, u.width);
  double rows = CountBetween(q.N, q.S, u.height);
  // The result is sized to the columns first and each column to the rows, so
  // negative rows fail only where there is a column to size.
  if (!(columns >= 0)) throw Error(kRangeCheckError);
  if (columns == 0) rows = 0;
  if (!(rows >= 0)) throw Error(kRangeCheckError);
  const double kMax = static_cast<double>(kMaxSheets);
  if (columns > kMax || rows > kMax || columns * rows > kMax) {
    ThrowSheetLimit(columns * rows > columns ? columns * rows : columns,
                    "请缩小范围或选用较小的比例尺。");
  }
  q.columns = static_cast<long long>(columns);
  q.rows = static_cast<long long>(rows);
  return q;
}

long long CheckedInteger(double v) {
  if (!(std::abs(v) < 9.2e18)) throw Error(kRangeCheckError);
  return static_cast<long long>(v);
}

namespace {

char* WriteInt(char* p, long long v) {
  // Designators and serials are small: write them without the general path.
  if (v >= 0 && v < 1000) {
    if (v >= 100) *p++ = static_cast<char>('0' + v / 100);
    if (v >= 10) *p++ = static_cast<char>('0' + v / 10 % 10);
    *p++ = static_cast<char>('0' + v % 10);
    return p;
  }
  return std::to_chars(p, p + 24, v).ptr;
}

// Row letter and column of a 1:100万 sheet; the row must have a letter.
char* WriteMillion(char* p, long long row, long long column, Standard standard) {
  if (!HasRowLetter(row)) throw Error(kRangeCheckError);
  *p++ = RowLetter(static_cast<int>(row));
  if (standard == Standard::Old) {
    *p++ = '-';
  } else if (column >= 0 && column <= 9) {
    *p++ = '0';  // two digits, so that every new number has its fixed width
  }
  return WriteInt(p, column);
}

char* WriteDesignator(char* p, Designator d, int division, long long r, long long c) {
  const long long n = r * division + c + 1;
  switch (d) {
    case Designator::None:
      break;
    case Designator::Letter:
      // Only A to D exist; a sub-sheet outside its 2 × 2 parent has none.
      if (r < 0 || r > 1 || c < 0 || c > 1) throw Error(kRangeCheckError);
      *p++ = '-';
      *p++ = static_cast<char>('A' + 2 * r + c);
      break;
    case Designator::Square:
      *p++ = '-';
      *p++ = '[';
      p = WriteInt(p, n);
      *p++ = ']';
      break;
    case Designator::Plain:
      *p++ = '-';
      p = WriteInt(p, n);
      break;
    case Designator::Round:
      *p++ = '-';
      *p++ = '(';
      p = WriteInt(p, n);
      *p++ = ')';
      break;
  }
  return p;
}

char* WriteSerial3(char* p, long long n) {
  if (n < 10) {
    *p++ = '0';
    *p++ = '0';
  } else if (n < 100) {
    *p++ = '0';
  }
  return WriteInt(p, n);
}

}  // namespace

void AppendMillionNumber(std::string& out, double westDeg, double northDeg, Standard standard) {
  char buf[64];
  const long long column = CheckedInteger(Truncate(westDeg / 6.0 + 31.0));
  const long long row = CheckedInteger(Truncate(northDeg / 4.0));
  out.append(buf, WriteMillion(buf, row, column, standard));
}

void AppendDesignator(std::string& out, Designator d, int division, long long r, long long c) {
  char buf[64];
  out.append(buf, WriteDesignator(buf, d, division, r, c));
}

void AppendSerial3(std::string& out, long long n) {
  char buf[32];
  out.append(buf, WriteSerial3(buf, n));
}

}  // namespace detail

void ThrowSheetLimit(double count, const char* advice) {
  throw SheetLimitError("图幅数量过多：这次需要生成 " + FormatCount(count) + " 幅，超过了一次最多 " +
                        FormatCount(static_cast<double>(kMaxSheets)) + " 幅的上限。" + advice);
}

std::string FormatSerial3(int n) {
  std::string s;
  detail::AppendSerial3(s, n);
  return s;
}

namespace {

using detail::GridUnit;
using detail::SnappedRequest;

// Sheet edges in half seconds of arc, where every grid line of every scale is
// a whole number.
constexpr double kHalfSecondsPerSecond = 2;
constexpr long long kMillionWidthH = 43200, kMillionHeightH = 28800;

long long WidthH(ScaleIndex s) { return static_cast<long long>(LonStepTable[s] * 2); }
long long HeightH(ScaleIndex s) { return static_cast<long long>(LatStepTable[s] * 2); }

// The exact grid walk applies when the snapped west and north edges are grid
// lines and every sheet lies east of 0° and north of the equator: then each
// parent routine of the literal rules finds exactly the grid cell that holds
// the sheet, and its edges are the exact multiples used here.
bool OnExactGrid(const SnappedRequest& q, const GridUnit& u) {
  const double lowestSouth = q.N - static_cast<double>(q.rows) * u.height;
  const double eastmost = q.W + static_cast<double>(q.columns) * u.width;
  const double limit = u.degrees ? 1e9 : 1e12;  // far inside exact integers
  return q.W >= 0 && q.W == Truncate(q.W / u.width) * u.width && q.N == Truncate(q.N / u.height) * u.height &&
         lowestSouth >= 0 && eastmost < limit && q.N < limit;
}

// The scales whose designators make up an old number, from below 1:100万
// down to the sheet's own scale.
int OldChain(ScaleIndex scale, ScaleIndex chain[3]) {
  int n = 0;
  for (ScaleIndex s = scale; s > 0; s = kOldSubdivisions[s].parent) chain[n++] = s;
  for (int i = 0; i < n / 2; ++i) std::swap(chain[i], chain[n - 1 - i]);
  return n;
}

// Grid indices of one column (from its west edge) or one row (from its north
// edge), at every level of the number.
struct Indices {
  long long million;  // 1:100万 column number, or row number
  long long at[3];    // column or row inside the parent, per level of the chain
};

Indices ColumnIndices(long long westH, ScaleIndex scale, Standard standard, const ScaleIndex* chain,
                      int levels) {
  Indices x{};
  const long long millionWest = westH / kMillionWidthH * kMillionWidthH;
  x.million = westH / kMillionWidthH + kColumnOfZeroMeridian;
  if (standard == Standard::New) {
    x.at[0] = (westH - millionWest) / WidthH(scale);
    return x;
  }
  long long parentWest = millionWest;
  for (int l = 0; l < levels; ++l) {
    const long long w = WidthH(chain[l]);
    const long long west = westH / w * w;
    x.at[l] = (west - parentWest) / w;
    parentWest = west;
  }
  return x;
}

long long CeilTo(long long v, long long step) { return (v + step - 1) / step * step; }

Indices RowIndices(long long northH, ScaleIndex scale, Standard standard, const ScaleIndex* chain,
                   int levels) {
  Indices y{};
  const long long millionNorth = CeilTo(northH, kMillionHeightH);
  y.million = millionNorth / kMillionHeightH;
  if (standard == Standard::New) {
    y.at[0] = (millionNorth - northH) / HeightH(scale);
    return y;
  }
  long long parentNorth = millionNorth;
  for (int l = 0; l < levels; ++l) {
    const long long h = HeightH(chain[l]);
    const long long north = CeilTo(northH, h);
    y.at[l] = (parentNorth - north) / h;
    parentNorth = north;
  }
  return y;
}

// The number of a sheet from its column and row indices.
std::size_t WriteNumber(char* buf, const Indices& x, const Indices& y, ScaleIndex scale,
                        Standard standard, const ScaleIndex* chain, int levels) {
  char* p = detail::WriteMillion(buf, y.million, x.million, standard);
  if (standard == Standard::New) {
    if (scale > 0) {
      *p++ = kNewScaleCodes[scale];
      p = detail::WriteSerial3(p, y.at[0] + 1);
      p = detail::WriteSerial3(p, x.at[0] + 1);
    }
  } else {
    for (int l = 0; l < levels; ++l) {
      const OldSubdivision& d = kOldSubdivisions[chain[l]];
      p = detail::WriteDesignator(p, d.designator, d.division, y.at[l], x.at[l]);
    }
  }
  return static_cast<std::size_t>(p - buf);
}

}  // namespace

namespace {

template <class Projection>
void Walk(const TMapUnionRange& range, ScaleIndex scale, Standard standard, bool zone3,
          Datum datum, double cm, const Projection& projection, const AreaFilter* area,
          TStandardMapUnions& result, std::vector<std::vector<double>>* covers) {
  const GridUnit u = detail::UnitOf(scale, standard);
  const SnappedRequest q = detail::Snap(range, u);
  const auto columns = static_cast<std::size_t>(q.columns);
  const auto rows = static_cast<std::size_t>(q.rows);
  TStandardMapUnions sheets(columns);
  std::vector<std::vector<double>> coverColumns(area && covers ? columns : 0);
  if (columns == 0 || rows == 0) {
    if (area) sheets.clear(), coverColumns.clear();  // no sheet kept, so no column
    result = std::move(sheets);
    if (covers) *covers = std::move(coverColumns);
    return;
  }
  // The area's selection on this very grid, decided before anything is
  // projected or numbered.
  SheetSelection selection;
  if (area) {
    const double k = u.degrees ? 3600.0 : 1.0;
    selection = SheetSelection(*area->polygons, {q.W * k, q.N * k, u.width * k, u.height * k,
                                                 q.columns, q.rows});
  }
  const auto keep = [&](std::size_t i, std::size_t j) {
    if (!area) return true;
    const auto c = static_cast<std::int64_t>(i), r = static_cast<std::int64_t>(j);
    return selection.Selected(c, r) && (area->minCover <= 0 || selection.Cover(c, r) >= area->minCover);
  };

  // Edges as the literal walk forms them: west W + (i−1)·width and east
  // W + i·width, north N − j·height and south N − (j+1)·height. The same edge
  // of two neighbours is the same double, and so the same angle.
  std::vector<double> lonEdge(columns + 1), latEdge(rows + 1);
  std::vector<TAngleDMS> lonAngle(columns + 1), latAngle(rows + 1);
  for (std::size_t a = 0; a <= columns; ++a) {
    lonEdge[a] = q.W + static_cast<double>(a) * u.width;
    lonAngle[a] = detail::FromUnit(lonEdge[a], u.degrees);
  }
  for (std::size_t b = 0; b <= rows; ++b) {
    latEdge[b] = q.N - static_cast<double>(b) * u.height;
    latAngle[b] = detail::FromUnit(latEdge[b], u.degrees);
  }

  // Numbers: from exact grid indices where they are provably those of the
  // literal rules, otherwise by the literal parent lookups.
  const bool exact = OnExactGrid(q, u);
  ScaleIndex chain[3] = {0, 0, 0};
  const int levels = standard == Standard::Old ? OldChain(scale, chain) : 0;
  std::vector<Indices> rowIndex;
  if (exact) {
    const double toH = u.degrees ? 3600.0 * kHalfSecondsPerSecond : kHalfSecondsPerSecond;
    rowIndex.resize(rows);
    for (std::size_t j = 0; j < rows; ++j) {
      const auto northH = static_cast<long long>(latEdge[j] * toH);
      rowIndex[j] = RowIndices(northH, scale, standard, chain, levels);
      if (!HasRowLetter(rowIndex[j].million)) throw Error(kRangeCheckError);
    }
  }

  // Plane corners: every grid point projected once, on the latitude terms of
  // its parallel, and shared by the sheets that meet there.
  std::vector<typename Projection::ParallelTerms> parallel(rows + 1);
  for (std::size_t b = 0; b <= rows; ++b) parallel[b] = projection.Parallel(latAngle[b]);
  std::vector<TPlanePoint> westPoints(rows + 1), eastPoints(rows + 1);
  const auto projectMeridian = [&](std::size_t a, std::vector<TPlanePoint>& out) {
    const typename Projection::MeridianTerms meridian = projection.Meridian(DmsToDeg(lonAngle[a]));
    for (std::size_t b = 0; b <= rows; ++b) out[b] = Projection::Point(parallel[b], meridian);
  };
  // Under an area, only the corners of kept sheets are projected: a grid
  // point is projected once, when the first kept sheet east of it needs it
  // (west meridian) or on the column's east meridian.
  std::vector<char> westDone, eastDone;
  const auto projectKept = [&](std::size_t i) {
    const typename Projection::MeridianTerms west = projection.Meridian(DmsToDeg(lonAngle[i]));
    const typename Projection::MeridianTerms east = projection.Meridian(DmsToDeg(lonAngle[i + 1]));
    std::fill(eastDone.begin(), eastDone.end(), 0);
    for (std::size_t j = 0; j < rows; ++j) {
      if (!keep(i, j)) continue;
      for (std::size_t b = j; b <= j + 1; ++b) {
        if (!westDone[b]) westPoints[b] = Projection::Point(parallel[b], west), westDone[b] = 1;
        if (!eastDone[b]) eastPoints[b] = Projection::Point(parallel[b], east), eastDone[b] = 1;
      }
    }
  };
  if (area) {
    westDone.assign(rows + 1, 0);
    eastDone.assign(rows + 1, 0);
  } else {
    projectMeridian(0, westPoints);
  }

  for (std::size_t i = 0; i < columns; ++i) {
    if (area) {
      projectKept(i);
    } else {
      projectMeridian(i + 1, eastPoints);
    }
    Indices colIndex{};
    if (exact) {
      const double toH = u.degrees ? 3600.0 * kHalfSecondsPerSecond : kHalfSecondsPerSecond;
      colIndex = ColumnIndices(static_cast<long long>(lonEdge[i] * toH), scale, standard, chain,
                               levels);
    }
    auto& column = sheets[i];
    column.reserve(area ? 0 : rows);
    for (std::size_t j = 0; j < rows; ++j) {
      if (!keep(i, j)) continue;
      if (area && covers) {
        coverColumns[i].push_back(
            selection.Cover(static_cast<std::int64_t>(i), static_cast<std::int64_t>(j)));
      }
      TStandardMapUnion& s = column.emplace_back();
      s.Range = {lonAngle[i], latAngle[j + 1], lonAngle[i + 1], latAngle[j]};
      if (exact) {
        char buf[96];
        s.MapUnionNo.assign(buf, WriteNumber(buf, colIndex, rowIndex[j], scale, standard, chain,
                                             levels));
      } else {
        s.MapUnionNo =
            literal::SheetNumber(s.Range, lonEdge[i], latEdge[j], scale, standard, zone3, datum, cm);
      }
      s.PlaneCorners = {westPoints[j], eastPoints[j], eastPoints[j + 1], westPoints[j + 1]};
    }
    westPoints.swap(eastPoints);
    westDone.swap(eastDone);
  }
  if (area) {
    // Columns with no kept sheet are left out, as a request over the kept
    // sheets' own extent would leave them.
    std::size_t out = 0;
    for (std::size_t i = 0; i < columns; ++i) {
      if (sheets[i].empty()) continue;
      if (out != i) {
        sheets[out] = std::move(sheets[i]);
        if (covers) coverColumns[out] = std::move(coverColumns[i]);
      }
      ++out;
    }
    sheets.resize(out);
    if (covers) coverColumns.resize(out);
  }
  result = std::move(sheets);
  if (covers) *covers = std::move(coverColumns);
}

}  // namespace

void CreateSheets(const TMapUnionRange& range, ScaleIndex scale, Standard standard, bool zone3,
                  Datum datum, double cm, TStandardMapUnions& result) {
  CreateSheets(range, scale, standard, zone3, datum, cm, nullptr, result, nullptr);
}

void CreateSheets(const TMapUnionRange& range, ScaleIndex scale, Standard standard, bool zone3,
                  Datum datum, double cm, const AreaFilter* area, TStandardMapUnions& result,
                  std::vector<std::vector<double>>* covers) {
  WithSplitProjection(datum, zone3, cm, [&](const auto& projection) {
    Walk(range, scale, standard, zone3, datum, cm, projection, area, result, covers);
  });
}

void CreateMapUnions1000000(TMapUnionRange range, bool zone3, bool is54, double cm,
                            bool oldStandard, TStandardMapUnions& result) {
  CreateSheets(range, 0, oldStandard ? Standard::Old : Standard::New, zone3, LegacyDatum(is54), cm, result);
}
void CreateMapUnions500000(TMapUnionRange range, bool zone3, bool is54, double cm,
                           TStandardMapUnions& result) {
  CreateSheets(range, 1, Standard::Old, zone3, LegacyDatum(is54), cm, result);
}
void CreateMapUnions250000(TMapUnionRange range, bool zone3, bool is54, double cm,
                           TStandardMapUnions& result) {
  CreateSheets(range, 2, Standard::Old, zone3, LegacyDatum(is54), cm, result);
}
void CreateMapUnions100000(TMapUnionRange range, bool zone3, bool is54, double cm,
                           TStandardMapUnions& result) {
  CreateSheets(range, 3, Standard::Old, zone3, LegacyDatum(is54), cm, result);
}
void CreateMapUnions50000(TMapUnionRange range, bool zone3, bool is54, double cm,
                          TStandardMapUnions& result) {
  CreateSheets(range, 4, Standard::Old, zone3, LegacyDatum(is54), cm, result);
}
void CreateMapUnions25000(TMapUnionRange range, bool zone3, bool is54, double cm,
                          TStandardMapUnions& result) {
  CreateSheets(range, 5, Standard::Old, zone3, LegacyDatum(is54), cm, result);
}
void CreateMapUnions10000(TMapUnionRange range, bool zone3, bool is54, double cm,
                          TStandardMapUnions& result) {
  CreateSheets(range, 6, Standard::Old, zone3, LegacyDatum(is54), cm, result);
}
void CreateMapUnions5000(TMapUnionRange range, bool zone3, bool is54, double cm,
                         TStandardMapUnions& result) {
  CreateSheets(range, 7, Standard::Old, zone3, LegacyDatum(is54), cm, result);
}

void CreateOldMapUnions(TMapUnionRange range, ScaleIndex scale, bool zone3, Datum datum, double cm,
                        TStandardMapUnions& result) {
  CreateSheets(range, scale, Standard::Old, zone3, datum, cm, result);
}

void CreateNewMapUnions(TMapUnionRange range, ScaleIndex scale, bool zone3, double cm, Datum datum,
                        TStandardMapUnions& result) {
  CreateSheets(range, scale, Standard::New, zone3, datum, cm, result);
}

}  // namespace karvento
