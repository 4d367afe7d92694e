// SPDX-License-Identifier: Apache-2.0
// The sheet of a point at any scale, and its eight neighbours, taken from the
// sheet walk over the point's own sheets.
#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>

#include "numbering/point_numbers.h"
#include "numbering/sheet_grid.h"

static_assert(karvento::kSheetNumberBytes == karvento::detail::kCellNumberBytes);

namespace karvento {

namespace {

constexpr double kEastLimit = 180 * 3600.0;  // seconds
constexpr double kNorthLimit = 90 * 3600.0;
// The north edge of row V, the last row of 1:100万 sheets (84°–88° N).
constexpr double kSeriesNorthEdgeSeconds = 88 * 3600.0;

long long CellOf(double v, double step) { return GridCellOf(v, step); }

void RequireDomain(double lonSec, double latSec) {
  if (!InNumberedDomain(lonSec, latSec)) throw Error(kOutsideNumberedDomain);
}

// The walk's sheets over columns c0 … c1 and rows r0 … r1 (from the south),
// the grid lines as exact seconds.
TStandardMapUnions Block(long long c0, long long c1, long long r0, long long r1, ScaleIndex scale,
                         bool newStandard, bool zone3, Datum datum, double cm) {
  const double w = LonStepTable[scale], h = LatStepTable[scale];
  const TMapUnionRange range{SecToDms(static_cast<double>(c0) * w),
                             SecToDms(static_cast<double>(r0) * h),
                             SecToDms(static_cast<double>(c1 + 1) * w),
                             SecToDms(static_cast<double>(r1 + 1) * h)};
  TStandardMapUnions out;
  CreateMapUnionsOfStandard(range, scale, newStandard, zone3, datum, cm, out);
  return out;
}

// A cell estimated within one of the true one, settled by exact comparison
// with its grid lines (exact doubles): k × step ≤ v < (k + 1) × step.
long long SettleCell(long long k, double v, double step) {
  if (static_cast<double>(k) * step > v) --k;
  if (static_cast<double>(k + 1) * step <= v) ++k;
  return k;
}

}  // namespace

namespace detail {

// n / d for the small divisors of the grid: (n × m) >> 32 with
// m = floor(2^32 / d) + 1 is exact while n × d < 2^32. Cells of the domain
// stay below 69,120 (1:500 columns) and divisors below 2,304, far inside.
struct Divisor {
  std::uint32_t d = 1;
  std::uint64_t m = (std::uint64_t{1} << 32) + 1;
  constexpr Divisor() = default;
  constexpr explicit Divisor(std::uint32_t divisor)
      : d(divisor), m((std::uint64_t{1} << 32) / divisor + 1) {}
  std::uint32_t Of(std::uint32_t n) const { return static_cast<std::uint32_t>((n * m) >> 32); }
};

// One level of a number: the cells of the scale along a side of the level's
// sheet (the quotient of a cell index gives the level's own index), and the
// level's sheets along its parent's side (old designators; the new standard
// has one level, the scale itself inside its 1:100万 sheet).
struct PointLevel {
  Divisor cells;
  std::uint32_t division = 1;
  Designator designator = Designator::None;
};

struct PointGrid {
  bool fresh = true;
  double width = 0, height = 0, perWidth = 0, perHeight = 0;
  Divisor million;  // the scale's cells along a 1:100万 side
  int levels = 0;
  PointLevel level[3];
  char code = '\0';
  int digits = 0;
};

}  // namespace detail

namespace {

using detail::PointGrid;

constexpr PointGrid MakeGrid(ScaleIndex s, bool fresh) {
  PointGrid g;
  g.fresh = fresh;
  g.width = LonStepTable[s];
  g.height = LatStepTable[s];
  g.perWidth = 1.0 / g.width;
  g.perHeight = 1.0 / g.height;
  const auto side = static_cast<std::uint32_t>(kSheetsPerMillionSide[s]);
  g.million = detail::Divisor(side);
  if (fresh) {
    if (s > 0) {
      g.levels = 1;
      g.level[0].division = side;
    }
    g.code = kNewScaleCodes[s];
    g.digits = kSerialDigits[s];
    return g;
  }
  ScaleIndex chain[3] = {0, 0, 0};
  int n = 0;
  for (ScaleIndex p = s; p > 0; p = kOldSubdivisions[p].parent) chain[n++] = p;
  for (int l = 0; l < n; ++l) {
    const ScaleIndex at = chain[n - 1 - l];
    g.level[l].cells = detail::Divisor(side / static_cast<std::uint32_t>(kSheetsPerMillionSide[at]));
    g.level[l].division = static_cast<std::uint32_t>(kOldSubdivisions[at].division);
    g.level[l].designator = kOldSubdivisions[at].designator;
  }
  g.levels = n;
  return g;
}

constexpr std::array<PointGrid, kScaleCount> kNewGrids = [] {
  std::array<PointGrid, kScaleCount> t{};
  for (ScaleIndex s = 0; s < kScaleCount; ++s) t[s] = MakeGrid(s, true);
  return t;
}();
constexpr std::array<PointGrid, kOldScaleCount> kOldGrids = [] {
  std::array<PointGrid, kOldScaleCount> t{};
  for (ScaleIndex s = 0; s < kOldScaleCount; ++s) t[s] = MakeGrid(s, false);
  return t;
}();

constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

char* WritePair(char* p, std::uint32_t v) {
  std::memcpy(p, kPairs + 2 * (v % 100), 2);
  return p + 2;
}

// Serials have exactly their digits: every index of a 1:100万 sheet's side
// is below 10^digits.
char* WriteSerial(char* p, std::uint32_t v, int digits) {
  if (digits == 4) {
    p = WritePair(p, v / 100);
  } else {
    *p++ = static_cast<char>('0' + v / 100 % 10);
  }
  return WritePair(p, v);
}

// Designator numbers, 1 to 144, without leading zeros.
char* WriteSmall(char* p, std::uint32_t v) {
  if (v >= 100) *p++ = static_cast<char>('0' + v / 100 % 10);
  if (v >= 10) *p++ = static_cast<char>('0' + v / 10 % 10);
  *p++ = static_cast<char>('0' + v % 10);
  return p;
}

std::size_t WriteCell(char* buf, const PointGrid& g, std::uint32_t c, std::uint32_t r) {
  char* p = buf;
  // 1:100万 column and row; rows of the domain end at W (88°–92°), columns
  // at 60, all with a letter and two digits.
  std::uint32_t parentC = g.million.Of(c), parentR = g.million.Of(r);
  *p++ = RowLetter(static_cast<int>(parentR) + 1);
  if (!g.fresh) *p++ = '-';
  p = WritePair(p, parentC + kColumnOfZeroMeridian);
  for (int l = 0; l < g.levels; ++l) {
    const detail::PointLevel& v = g.level[l];
    const std::uint32_t ownC = v.cells.Of(c), ownR = v.cells.Of(r);
    const std::uint32_t x = ownC - parentC * v.division;                  // from the west
    const std::uint32_t y = v.division - 1 - (ownR - parentR * v.division);  // from the north
    parentC = ownC;
    parentR = ownR;
    if (g.fresh) {
      *p++ = g.code;
      p = WriteSerial(p, y + 1, g.digits);
      p = WriteSerial(p, x + 1, g.digits);
      break;
    }
    const std::uint32_t n = y * v.division + x + 1;
    *p++ = '-';
    switch (v.designator) {
      case Designator::None:  // 1:100万 alone, never a level below it
        --p;
        break;
      case Designator::Letter:
        *p++ = static_cast<char>('A' + 2 * y + x);
        break;
      case Designator::Square:
        *p++ = '[';
        p = WriteSmall(p, n);
        *p++ = ']';
        break;
      case Designator::Plain:
        p = WriteSmall(p, n);
        break;
      case Designator::Round:
        *p++ = '(';
        p = WriteSmall(p, n);
        *p++ = ')';
        break;
    }
  }
  return static_cast<std::size_t>(p - buf);
}

}  // namespace

long long GridCellOf(double v, double step) {
  return SettleCell(static_cast<long long>(std::floor(v / step)), v, step);
}

std::string SheetNumberOfCell(long long column, long long row, ScaleIndex scale, bool newStandard) {
  if (scale < 0 || scale >= kScaleCount || column < 0 || row < 0 ||
      static_cast<double>(column) * LonStepTable[scale] >= kEastLimit ||
      static_cast<double>(row) * LatStepTable[scale] >= kNorthLimit) {
    throw Error(kRangeCheckError);
  }
  char buf[kSheetNumberBytes];
  return std::string(buf, PointNumbering(scale, newStandard).CellNumber(buf, column, row));
}

bool InNumberedDomain(double lonSec, double latSec) {
  return lonSec >= 0 && lonSec < kEastLimit && latSec >= 0 && latSec < kNorthLimit;
}

TStandardMapUnion SheetAtPoint(double lonSec, double latSec, ScaleIndex scale, bool newStandard,
                               bool zone3, Datum datum, double cm) {
  RequireDomain(lonSec, latSec);
  if (scale < 0 || scale >= kScaleCount) throw Error(kRangeCheckError);
  const long long c = CellOf(lonSec, LonStepTable[scale]);
  const long long r = CellOf(latSec, LatStepTable[scale]);
  TStandardMapUnions one = Block(c, c, r, r, scale, newStandard, zone3, datum, cm);
  if (one.size() != 1 || one[0].size() != 1) throw Error(kRangeCheckError);
  return std::move(one[0][0]);
}

std::size_t SheetNumberAtPoint(char* buf, double lonSec, double latSec, ScaleIndex scale, bool newStandard) {
  RequireDomain(lonSec, latSec);
  if (scale < 0 || scale >= kScaleCount) throw Error(kRangeCheckError);
  return PointNumbering(scale, newStandard).Number(buf, lonSec, latSec);
}

PointNumbering::PointNumbering(ScaleIndex scale, bool newStandard) {
  if (scale < 0 || scale >= kScaleCount) throw Error(kRangeCheckError);
  grid_ = newStandard ? &kNewGrids[static_cast<std::size_t>(scale)]
                      : HasOldStandard(scale) ? &kOldGrids[static_cast<std::size_t>(scale)] : nullptr;
}

std::size_t PointNumbering::Number(char* buf, double lonSec, double latSec) const {
  if (!grid_) return 0;
  const PointGrid& g = *grid_;
  // In the domain both are ≥ 0, where truncation is floor.
  const long long c = SettleCell(static_cast<long long>(lonSec * g.perWidth), lonSec, g.width);
  const long long r = SettleCell(static_cast<long long>(latSec * g.perHeight), latSec, g.height);
  return WriteCell(buf, g, static_cast<std::uint32_t>(c), static_cast<std::uint32_t>(r));
}

std::size_t PointNumbering::CellNumber(char* buf, long long column, long long row) const {
  if (!grid_) return 0;
  return WriteCell(buf, *grid_, static_cast<std::uint32_t>(column), static_cast<std::uint32_t>(row));
}

std::string SheetNumberAtPoint(double lonSec, double latSec, ScaleIndex scale, bool newStandard) {
  char buf[kSheetNumberBytes];
  return std::string(buf, SheetNumberAtPoint(buf, lonSec, latSec, scale, newStandard));
}

std::array<TStandardMapUnion, 9> SheetNeighbours(double lonSec, double latSec, ScaleIndex scale,
                                                 bool newStandard, bool zone3, Datum datum,
                                                 double cm) {
  RequireDomain(lonSec, latSec);
  if (scale < 0 || scale >= kScaleCount) throw Error(kRangeCheckError);
  const double w = LonStepTable[scale], h = LatStepTable[scale];
  const long long c = CellOf(lonSec, w), r = CellOf(latSec, h);
  // Only the neighbours inside the domain are walked; the others stay empty.
  const auto lastColumn = static_cast<long long>(std::ceil(kEastLimit / w)) - 1;
  // The rows of the series end at 88° N, the north edge of row V: no sheet
  // of a row W lies north of it (a point farther north keeps its own sheet).
  const auto lastRow = static_cast<long long>(std::ceil(kSeriesNorthEdgeSeconds / h)) - 1;
  const long long c0 = std::max(c - 1, 0LL), c1 = std::min(c + 1, lastColumn);
  const long long r0 = std::max(r - 1, 0LL), r1 = std::min(r + 1, std::max(r, lastRow));
  const TStandardMapUnions block = Block(c0, c1, r0, r1, scale, newStandard, zone3, datum, cm);
  std::array<TStandardMapUnion, 9> out;
  for (long long col = c0; col <= c1; ++col) {
    for (long long row = r0; row <= r1; ++row) {
      // The walk's columns run west to east, each north to south; the block
      // runs north-west to south-east, row by row.
      const auto& s = block.at(static_cast<std::size_t>(col - c0)).at(static_cast<std::size_t>(r1 - row));
      out[static_cast<std::size_t>((r + 1 - row) * 3 + (col - c + 1))] = s;
    }
  }
  return out;
}

std::array<TStandardMapUnion, 9> SheetNeighbours(const TStandardMapUnion& sheet, ScaleIndex scale,
                                                 bool newStandard, bool zone3, Datum datum,
                                                 double cm) {
  // The centre is inside the sheet whatever rounding its edges carry.
  const double lon = (DmsToSec(sheet.Range.West) + DmsToSec(sheet.Range.East)) / 2;
  const double lat = (DmsToSec(sheet.Range.South) + DmsToSec(sheet.Range.North)) / 2;
  return SheetNeighbours(lon, lat, scale, newStandard, zone3, datum, cm);
}

ScaleIndex ScaleOfSheet(const TMapUnionRange& range) {
  // Heights are whole multiples of an eighth of a second: exact in seconds.
  const double height = DmsToSec(range.North) - DmsToSec(range.South);
  for (std::size_t k = 0; k < LatStepTable.size(); ++k) {
    if (height == LatStepTable[k]) return static_cast<ScaleIndex>(k);
  }
  return -1;
}

bool NeighboursOfSheet(const TStandardMapUnion& sheet, bool zone3, Datum datum, double cm,
                       std::array<TStandardMapUnion, 9>& neighbours) {
  const ScaleIndex scale = ScaleOfSheet(sheet.Range);
  const std::uint8_t standard = scale < 0 ? 0 : CheckMapUnionNo(sheet.MapUnionNo);
  if (standard == 0) return false;
  neighbours = SheetNeighbours(sheet, scale, standard == 2, zone3, datum, cm);
  return true;
}

}  // namespace karvento
