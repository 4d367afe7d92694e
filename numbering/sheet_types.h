// SPDX-License-Identifier: Apache-2.0
// Sheet records of the national division and of an independent plane grid.
#pragma once

#include <array>
#include <string>
#include <vector>

#include "geodesy/angles.h"
#include "geodesy/gauss_kruger.h"

namespace karvento {

// A geographic extent: west longitude, south latitude, east longitude, north
// latitude. For a sheet these are its edges; for a requested area the first
// two are the lower-left corner and the last two the upper-right corner.
struct TMapUnionRange {
  TAngleDMS West;
  TAngleDMS South;
  TAngleDMS East;
  TAngleDMS North;
  friend bool operator==(const TMapUnionRange&, const TMapUnionRange&) = default;
};

// Plane corners of a sheet, in this order.
enum Corner { kNW = 0, kNE = 1, kSE = 2, kSW = 3 };

// One sheet of the national division. A standard number is at most 15
// characters and so is held inside the string itself, with no heap block.
struct TStandardMapUnion {
  std::string MapUnionNo;
  TMapUnionRange Range;
  std::array<TPlanePoint, 4> PlaneCorners{};  // NW, NE, SE, SW
  friend bool operator==(const TStandardMapUnion&, const TStandardMapUnion&) = default;
};

// As the numbering routines return it: outer index = sheet column from west to
// east, inner index = sheet from north to south within the column.
using TStandardMapUnions = std::vector<std::vector<TStandardMapUnion>>;

// One sheet of an independent plane grid, in the user's plane units.
struct TCustomMapUnion {
  std::string MapUnionNo;
  double MinX = 0;
  double MinY = 0;
  double MaxX = 0;
  double MaxY = 0;
  friend bool operator==(const TCustomMapUnion&, const TCustomMapUnion&) = default;
};

// Outer index = grid row from the lowest Y upward, inner index = sheet of the
// row from the lowest X rightward.
using TCustomMapUnions = std::vector<std::vector<TCustomMapUnion>>;

}  // namespace karvento
