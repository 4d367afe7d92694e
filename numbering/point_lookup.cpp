// SPDX-License-Identifier: Apache-2.0
// The sheet of a point at any scale, and its eight neighbours, taken from the
// sheet walk over the point's own sheets.
#include <algorithm>
#include <cmath>

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

}  // namespace

long long GridCellOf(double v, double step) {
  auto k = static_cast<long long>(std::floor(v / step));
  if (static_cast<double>(k) * step > v) --k;
  if (static_cast<double>(k + 1) * step <= v) ++k;
  return k;
}

std::string SheetNumberOfCell(long long column, long long row, ScaleIndex scale, bool newStandard) {
  if (scale < 0 || scale >= kScaleCount || column < 0 || row < 0 ||
      static_cast<double>(column) * LonStepTable[scale] >= kEastLimit ||
      static_cast<double>(row) * LatStepTable[scale] >= kNorthLimit) {
    throw Error(kRangeCheckError);
  }
  if (!newStandard && !HasOldStandard(scale)) return {};
  char buf[detail::kCellNumberBytes];
  const std::size_t n = detail::CellNumber(buf, column, row, scale, newStandard ? Standard::New : Standard::Old);
  return std::string(buf, n);
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
  if (!newStandard && !HasOldStandard(scale)) return 0;
  return detail::CellNumber(buf, CellOf(lonSec, LonStepTable[scale]), CellOf(latSec, LatStepTable[scale]), scale,
                            newStandard ? Standard::New : Standard::Old);
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
