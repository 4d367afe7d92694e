// SPDX-License-Identifier: Apache-2.0
// The eleven scales of the national sheet division, the 1:1,000,000 grid, the
// old-standard subdivisions and the new-standard scale codes.
//
// Every sheet is bounded by two meridians and two parallels; the sheets of one
// scale form a regular grid that starts at 0° longitude and at the equator.
// All sizes in seconds of arc are exact doubles, so a grid line of any scale
// is held exactly when it is expressed in seconds.
#pragma once

#include <array>
#include <string_view>

namespace karvento {

// Position in the scale series 1:100万 (0) … 1:500 (10); also the item index
// of every scale pick list. Indices 0 to 7 are the eight scales of both
// standards; 8 to 10 (1:2000, 1:1000, 1:500) exist in the new standard only
// (GB/T 13989-2012).
using ScaleIndex = int;
inline constexpr int kScaleCount = 11;
// The scales of the old standard: 1:100万 (0) … 1:5000 (7).
inline constexpr int kOldScaleCount = 8;
inline constexpr bool HasOldStandard(ScaleIndex s) { return s >= 0 && s < kOldScaleCount; }

// One scale of the series. Sizes are in seconds of arc; each one below
// 1:10万 halves the one above it, except 1:2000, a third of 1:5000.
struct ScaleRow {
  std::string_view caption;
  int denominator;      // for front ends that accept "1:10000" or "10000"
  double lonStep;       // sheet width (longitude), seconds of arc
  double latStep;       // sheet height (latitude), seconds of arc
  char newCode;         // character 4 of a new-standard number; none for 1:100万
  int perMillionSide;   // sheets along one side of a 1:100万 sheet
  int serialDigits;     // digits of the row and of the column in a new number
};

inline constexpr std::array<ScaleRow, kScaleCount> kScaleSeries = {{
    {"1:100万", 1000000, 21600, 14400, '\0', 1, 0},
    {"1:50万", 500000, 10800, 7200, 'B', 2, 3},
    {"1:25万", 250000, 5400, 3600, 'C', 4, 3},
    {"1:10万", 100000, 1800, 1200, 'D', 12, 3},
    {"1:5万", 50000, 900, 600, 'E', 24, 3},
    {"1:2.5万", 25000, 450, 300, 'F', 48, 3},
    {"1:1万", 10000, 225, 150, 'G', 96, 3},
    {"1:5000", 5000, 112.5, 75, 'H', 192, 3},
    {"1:2000", 2000, 37.5, 25, 'I', 576, 3},
    {"1:1000", 1000, 18.75, 12.5, 'J', 1152, 4},
    {"1:500", 500, 9.375, 6.25, 'K', 2304, 4},
}};

namespace scale_detail {
template <typename T, typename F>
constexpr std::array<T, kScaleCount> Column(F field) {
  std::array<T, kScaleCount> out{};
  for (int s = 0; s < kScaleCount; ++s) out[s] = field(kScaleSeries[s]);
  return out;
}
}  // namespace scale_detail

// The columns of the series under the names the numbering routines use.
inline constexpr auto kScaleCaptions =
    scale_detail::Column<std::string_view>([](const ScaleRow& r) { return r.caption; });
inline constexpr auto kScaleDenominators =
    scale_detail::Column<int>([](const ScaleRow& r) { return r.denominator; });
inline constexpr auto LonStepTable =
    scale_detail::Column<double>([](const ScaleRow& r) { return r.lonStep; });
inline constexpr auto LatStepTable =
    scale_detail::Column<double>([](const ScaleRow& r) { return r.latStep; });
inline constexpr auto kNewScaleCodes =
    scale_detail::Column<char>([](const ScaleRow& r) { return r.newCode; });
inline constexpr auto kSheetsPerMillionSide =
    scale_detail::Column<int>([](const ScaleRow& r) { return r.perMillionSide; });
inline constexpr auto kSerialDigits =
    scale_detail::Column<int>([](const ScaleRow& r) { return r.serialDigits; });

// Grid units: eighths of a second of arc. 1:500's 9.375″ is 75/8″, so every
// sheet edge of every scale is a whole number of eighth seconds (and 1:5000's
// 112.5″, a whole number of half seconds, stays whole). Any grid line up to
// 180° is below 2^23 units, so the integers, and the seconds they stand for
// (multiples of 1/8, a power of two), are exact doubles.
inline constexpr long long kGridUnitsPerSecond = 8;

// The 1:100万 grid. Row r spans latitudes (r−1)·4° to r·4° and is named by
// the r-th capital letter (code 64 + r); letters exist for rows 1 to 26 (north
// edges 4° to 104°). Column c spans longitudes (c−31)·6° to (c−30)·6°:
// column 31 starts at 0°, column 50 spans 114° E to 120° E.
inline constexpr int kFirstRow = 1;
inline constexpr int kLastRow = 26;
inline constexpr int kColumnOfZeroMeridian = 31;
inline constexpr bool HasRowLetter(long long row) { return row >= kFirstRow && row <= kLastRow; }
inline constexpr char RowLetter(int row) { return static_cast<char>('A' + row - 1); }

// Old-standard subdivision: a sheet below 1:100万 is numbered inside its
// parent, which it divides into columns × rows equal sub-sheets, and appends a
// designator to the parent's number. Sub-sheets are counted row by row from
// the north-west corner: a number designator is r·n + c + 1, a letter
// designator the (2r + c + 1)-th of A, B, C, D.
enum class Designator {
  None,      // 1:100万
  Letter,    // "-" and A, B, C or D
  Square,    // "-[" number "]"
  Plain,     // "-" number
  Round,     // "-(" number ")"
};

struct OldSubdivision {
  ScaleIndex parent;  // -1 for 1:100万
  int division;       // columns (= rows) of the parent's division
  Designator designator;
};

inline constexpr std::array<OldSubdivision, kOldScaleCount> kOldSubdivisions = {{
    {-1, 1, Designator::None},     // 1:100万
    {0, 2, Designator::Letter},    // 1:50万 in 1:100万: A–D
    {0, 4, Designator::Square},    // 1:25万 in 1:100万: [1]–[16]
    {0, 12, Designator::Plain},    // 1:10万 in 1:100万: 1–144
    {3, 2, Designator::Letter},    // 1:5万 in 1:10万: A–D
    {4, 2, Designator::Plain},     // 1:2.5万 in 1:5万: 1–4
    {3, 8, Designator::Round},     // 1:1万 in 1:10万: (1)–(64)
    {6, 2, Designator::Letter},    // 1:5000 in 1:1万: A–D
}};

}  // namespace karvento
