// SPDX-License-Identifier: Apache-2.0
// The walk over a sheet grid that every old-standard and new-standard routine
// shares, in two forms that give the same records to the last bit:
//
// - literal::CreateSheets follows the rules word for word: each sheet below
//   1:100万 finds its number by running its parent's routine afresh on its own
//   edges, and projects its four corners itself;
// - CreateSheets, the production form, numbers every sheet from exact grid
//   indices and projects each grid point once, on the latitude terms of its
//   parallel, sharing it between the up to four sheets that meet there. The
//   datum's projection enters in its split form (geodesy/projection.h).
//
// The production form falls back to the literal numbering where the exact
// indices would not be the same thing: a snapped west or north edge that is
// not a grid line (possible only a hair below a grid line, or for negative
// values), or sheets west of 0° or south of the equator.
#pragma once

#include <string>
#include <string_view>

#include "numbering/unMapUnRgPub.h"

namespace karvento {

enum class Standard { Old, New };

void CreateSheets(const TMapUnionRange& range, ScaleIndex scale, Standard standard, bool zone3,
                  Datum datum, double cm, TStandardMapUnions& result);

// The corners of a request in the wrong order: the lower-left corner east of
// or north of the upper-right one. pattern is null when they are in order;
// otherwise one of the two texts below, whose %s are, in order, the
// lower-left and upper-right values (d:m:s as typed in the window's forms)
// and how each front end names the two corners' fields (the command line:
// "（--from）" and "（--to）"; the page and the window, whose fields are
// captioned 左下角 and 右上角: nothing).
inline constexpr const char* kLongitudesInverted =
    "左下角的经度 %s 大于右上角的经度 %s：左下角%s应在右上角%s的西边";
inline constexpr const char* kLatitudesInverted =
    "左下角的纬度 %s 大于右上角的纬度 %s：左下角%s应在右上角%s的南边";
struct InvertedCorners {
  const char* pattern = nullptr;
  std::string lower, upper;
};
InvertedCorners FindInvertedCorners(const TMapUnionRange& range);
// The text, its %s filled with the two values and the two field names.
std::string InvertedCornersText(const TMapUnionRange& range, std::string_view lowerField,
                                std::string_view upperField);

// Throws the refusal for a request of more than kMaxSheets sheets.
[[noreturn]] void ThrowSheetLimit(double count, const char* advice);

namespace literal {

// project = false leaves the plane corners zero: the parent lookups use only
// the parent's number and edges.
void CreateSheets(const TMapUnionRange& range, ScaleIndex scale, Standard standard, bool zone3,
                  Datum datum, double cm, bool project, TStandardMapUnions& result);

// The number of one sheet with the given edges; west and north in the
// routine's working unit.
std::string SheetNumber(const TMapUnionRange& sheet, double west, double north, ScaleIndex scale,
                        Standard standard, bool zone3, Datum datum, double cm);

}  // namespace literal

namespace detail {

// How one routine works: in decimal degrees (1:100万, and 1:50万 under the old
// standard) or in seconds of arc (all others).
struct GridUnit {
  bool degrees;
  double width, height;  // sheet size in the unit
};
GridUnit UnitOf(ScaleIndex scale, Standard standard);
double ToUnit(const TAngleDMS& a, bool degrees);
TAngleDMS FromUnit(double v, bool degrees);

// The snapped request: edges on the grid and the counts, checked. Throws
// "Range check error" for a negative count where the result would be sized
// with it, and the sheet-limit refusal for too many sheets: in all (limited)
// or in one column (a walk that hands its columns on one at a time).
struct SnappedRequest {
  double W, S, E, N;
  long long columns, rows;
};
SnappedRequest Snap(const TMapUnionRange& range, const GridUnit& u, bool limited = true);

// A double as a 64-bit integer, its fraction dropped; "Range check error"
// where it is no number or its magnitude reaches 9.2e18 (near 2^63).
long long CheckedInteger(double v);

// The number of a 1:100万 sheet from its west and north edges in degrees.
void AppendMillionNumber(std::string& out, double westDeg, double northDeg, Standard standard);
// The designator of a sub-sheet at row r, column c inside its parent.
void AppendDesignator(std::string& out, Designator d, int division, long long r, long long c);
// A row or column inside the 1:100万 sheet, zero-padded to the given digits.
void AppendSerial(std::string& out, long long n, int digits);


// The number of the sheet in grid column `column` (from 0° E) and row `row`
// (from the equator) of the scale, both from 0, written into buf (room for
// kCellNumberBytes); its length. The same bytes as the walk gives that sheet,
// from the walk's own column and row indices; "Range check error" for a row
// without a 1:100万 letter. PointNumbering (point_numbers.h), which numbers
// points, gives the same bytes with its constants prepared once per scale;
// the tests hold the two together.
inline constexpr std::size_t kCellNumberBytes = 64;
std::size_t CellNumber(char* buf, long long column, long long row, ScaleIndex scale, Standard standard);

}  // namespace detail
}  // namespace karvento
