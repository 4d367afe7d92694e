// The eight scales of the national sheet division, the 1:1,000,000 grid, the
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

// Position in the scale series 1:100万 (0) … 1:5000 (7); also the item index
// of every scale pick list.
using ScaleIndex = int;
inline constexpr int kScaleCount = 8;

inline constexpr std::array<std::string_view, kScaleCount> kScaleCaptions = {
    "1:100万", "1:50万", "1:25万", "1:10万", "1:5万", "1:2.5万", "1:1万", "1:5000"};

// Scale denominators, for front ends that accept "1:10000" or "10000".
inline constexpr std::array<int, kScaleCount> kScaleDenominators = {
    1000000, 500000, 250000, 100000, 50000, 25000, 10000, 5000};

// Sheet width (longitude) and height (latitude) in seconds of arc. Each step
// below 1:10万 halves the one above it.
inline constexpr std::array<double, kScaleCount> LonStepTable = {
    21600, 10800, 5400, 1800, 900, 450, 225, 112.5};
inline constexpr std::array<double, kScaleCount> LatStepTable = {
    14400, 7200, 3600, 1200, 600, 300, 150, 75};

// New-standard scale code, character 4 of a ten-character number; none for
// 1:100万.
inline constexpr std::array<char, kScaleCount> kNewScaleCodes = {
    '\0', 'B', 'C', 'D', 'E', 'F', 'G', 'H'};

// Sheets of the scale along one side of a 1:100万 sheet (2 for 1:50万 up to
// 192 for 1:5000); the largest row or column inside a 1:100万 sheet.
inline constexpr std::array<int, kScaleCount> kSheetsPerMillionSide = {
    1, 2, 4, 12, 24, 48, 96, 192};

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

inline constexpr std::array<OldSubdivision, kScaleCount> kOldSubdivisions = {{
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
