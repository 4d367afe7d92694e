// SPDX-License-Identifier: Apache-2.0
// The number of the sheet at a point, for callers that number many points of
// one scale and standard (a stream of points, an array of them).
#pragma once

#include <cstddef>
#include <cstdint>

#include "numbering/unMapUnRgPub.h"

namespace karvento {

namespace detail {
struct PointGrid;
}

// SheetNumberAtPoint with the scale's constants looked up once: the steps and
// their reciprocals, and at each level of the number (the 1:100万 sheet, then
// each parent of the old standard's chain) how many of the scale's sheets lie
// along the level's sheet side. A point's cell takes two multiplications and
// the exact comparisons with its grid lines of GridCellOf; each level one
// integer multiplication in place of a division. The bytes are those of
// SheetNumberAtPoint and SheetNumberOfCell, which call this.
class PointNumbering {
 public:
  // "Range check error" for a scale out of range. The old standard below
  // 1:5000 has no numbers: every number is then empty (length 0).
  PointNumbering(ScaleIndex scale, bool newStandard);

  // The number of the sheet at a point in seconds of arc, written into buf
  // (room for kSheetNumberBytes); its length. The point must lie in the
  // numbered domain (InNumberedDomain): the caller checks it, once, and
  // nothing here checks it again.
  std::size_t Number(char* buf, double lonSec, double latSec) const;

  // The same for grid column (from 0° E) and row (from the equator) of the
  // scale, a cell inside the numbered domain.
  std::size_t CellNumber(char* buf, long long column, long long row) const;

 private:
  const detail::PointGrid* grid_;
};

}  // namespace karvento
