// SPDX-License-Identifier: Apache-2.0
// The sheets of an area of interest: which sheets of a grid share interior
// with a polygon, and how much of each the polygon covers.
//
// Geometry is planar in longitude and latitude (a sheet is a rectangle in
// these coordinates, bounded by two meridians and two parallels), and is done
// in seconds of arc, where every grid line of every scale is an exact double.
//
// Edge rule: a vertex lies on a grid line when its longitude or latitude
// times 3600 is within kOnGridLine (1e-6″, 0.03 mm on the ground) of the
// line. That takes in the double nearest to the line in degrees (at most
// 5e-11″ off below 180°), which is what a sheet frame written in decimal
// degrees and read back gives, and is far below any survey's precision. Such
// a vertex is taken as lying exactly on the line, so an area drawn from sheet
// frames selects exactly those sheets, each with cover 1, and no neighbour
// that it only touches.
#pragma once

#include "numbering/message.h"  // N_

#include <cstdint>
#include <string>
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

// Polygons that do not overlap (a valid multipolygon: the area reader
// merges overlapping polygons and repairs self-intersecting rings before they
// come here). Overlapping polygons would be counted once per polygon in the
// covered fraction.
using GeoMultiPolygon = std::vector<GeoPolygon>;

// How far, in seconds of arc, a vertex may lie from a grid line and still be
// taken as on it (see the edge rule above).
inline constexpr double kOnGridLine = 1e-6;

// Smallest and largest longitude and latitude of all rings, holes included,
// in degrees; false for an area with no point. Non-finite coordinates make
// the bounds non-finite.
bool AreaBounds(const GeoMultiPolygon& area, double& west, double& south, double& east,
                double& north);

// The numbered domain of an area: longitudes 0° to 180°, latitudes 0° to 90°
// (the grid has no sheets west of 0°, south of the equator or beyond the
// pole, and stops at 180°).
inline constexpr const char* kAreaOutsideDomain =
    N_("超出图幅编号的范围（经度 0° 至 180°，纬度 0° 至 90°）");
// The reason an area cannot be numbered, empty when it can: a coordinate
// that is no finite number, or bounds outside the domain (the text names the
// bounds, so that an area across the equator or 0° E says so). Checked
// before anything is allocated for the area's sheets.
std::string AreaDomainProblem(const GeoMultiPolygon& area);

// The reason the polygons read from an area file cannot be used, empty when
// they can: a coordinate that is no finite number (NaN or infinity), or a
// ring of fewer than three distinct points, which bounds nothing (a
// one-point "polygon", a line drawn out and back). Such a file is refused
// whole, never repaired into something the user did not draw; polygons and
// rings are counted from 1 in the file's order, the outer ring first. Every
// front end's reader checks what it read with this before any repair.
Message AreaRingProblem(const GeoMultiPolygon& area);

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
// is not selected. The decision compares vertices with grid lines (under the
// edge rule above): a sheet is selected when an edge of the area passes
// through its interior and the area covers some of it (a zero-width spike of
// an invalid ring covers nothing and selects nothing), or, when no edge
// does, when its centre is inside.
//
// Method: a scan-line over sheet rows. Each edge of the area is clipped to
// the rows it crosses and cut at the column lines; each piece adds its share
// of the area integral ∮ x dy to its own sheet and the full width to every
// sheet west of it (one running sum per row, kept only where a piece lies).
// Work: O(V + C log C + rows) for V vertices and C crossings of edges with
// grid lines; memory: per row the runs of selected sheets and the covered
// fractions of the sheets an edge crosses, so O(rows + C) whatever the
// number of sheets. Throws Error for a vertex that is not a finite number and
// for a frame of more than kMaxSelectionRows rows (far more than the
// numbered domain holds at the smallest scale).
inline constexpr std::int64_t kMaxSelectionRows = std::int64_t{1} << 20;
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
  // Per row, the selected columns as sorted runs [begin, end).
  struct Run {
    std::int64_t begin, end;
  };
  std::vector<std::vector<Run>> runs_;
  // Per row, the sheets an edge passes through, sorted by column.
  struct Partial {
    std::int64_t column;
    double cover;
  };
  std::vector<std::vector<Partial>> partial_;
  std::int64_t count_ = 0;
};

}  // namespace karvento
