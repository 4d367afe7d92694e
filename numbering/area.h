// The sheets of an area of interest: which sheets of a grid share interior
// with a polygon, and how much of each the polygon covers.
//
// Geometry is planar in longitude and latitude (a sheet is a rectangle in
// these coordinates, bounded by two meridians and two parallels), and is done
// in seconds of arc, where every grid line of every scale is an exact double.
// A vertex whose longitude or latitude times 3600 is a grid line lies exactly
// on that line.
#pragma once

#include <cstdint>
#include <vector>

#include "numbering/scales.h"
#include "numbering/sheet_types.h"

namespace karvento {

// A point in decimal degrees.
struct GeoPoint {
  double lon = 0;
  double lat = 0;
  friend bool operator==(const GeoPoint&, const GeoPoint&) = default;
};

// A closed ring; the last point need not repeat the first.
using GeoRing = std::vector<GeoPoint>;

// One polygon: rings[0] is its outer boundary, the others its holes. Either
// orientation is accepted; rings of fewer than three points, or of no area,
// are ignored.
struct GeoPolygon {
  std::vector<GeoRing> rings;
};

// Polygons that do not overlap (a valid multipolygon). Overlapping polygons
// are counted once per polygon in the covered fraction.
using GeoMultiPolygon = std::vector<GeoPolygon>;

// Smallest and largest longitude and latitude of all outer rings, in degrees;
// false for an area with no point.
bool AreaBounds(const GeoMultiPolygon& area, double& west, double& south, double& east,
                double& north);

// A grid of sheets in seconds of arc: the north-west corner, the sheet size,
// and the counts. Column 0 is the westmost, row 0 the northmost, as the sheet
// walk hands them on.
struct SheetFrame {
  double west = 0, north = 0;
  double width = 0, height = 0;
  std::int64_t columns = 0, rows = 0;
};

// Which sheets of a frame share interior with an area, and the fraction of
// each that the area covers.
//
// A sheet is selected exactly when its open rectangle meets the area's
// interior: a sheet that the area touches only along an edge or at a corner
// is not selected. The decision is exact (comparisons of vertices with grid
// lines, no tolerance): a sheet is selected when an edge of the area passes
// through its interior, or, when none does, when its centre is inside.
//
// Method: a scan-line over sheet rows. Each edge of the area is clipped to
// the rows it crosses and cut at the column lines; each piece adds its share
// of the area integral ∮ x dy to its own sheet and the full width to every
// sheet west of it (one running sum per row). Work: O(V + C + rows · columns)
// for V vertices and C crossings of edges with grid lines, with memory of one
// bit per sheet plus the covered fractions of the sheets an edge crosses.
class SheetSelection {
 public:
  SheetSelection() = default;
  SheetSelection(const GeoMultiPolygon& area, const SheetFrame& frame);

  bool Selected(std::int64_t column, std::int64_t row) const;
  // The covered fraction, 0 … 1: exactly 1 for a sheet inside the area with
  // no edge through it, exactly 0 for one not selected; for the others the
  // area of the intersection over the sheet's area (planar in degrees), with
  // a relative error near 1e-12.
  double Cover(std::int64_t column, std::int64_t row) const;
  std::int64_t Count() const { return count_; }
  const SheetFrame& Frame() const { return frame_; }

 private:
  SheetFrame frame_;
  std::vector<std::uint64_t> bits_;  // row-major, one bit per sheet
  // Per row, the sheets an edge passes through, sorted by column.
  struct Partial {
    std::int64_t column;
    double cover;
  };
  std::vector<std::vector<Partial>> partial_;
  std::int64_t count_ = 0;
};

}  // namespace karvento
