// SPDX-License-Identifier: Apache-2.0
// The repair of an area of interest read from a file: the one routine that
// every front end's reader calls after AreaRingProblem, so that the command
// line, the window, the Python module and the page select the same sheets
// from the same file.
#pragma once

#include "numbering/area.h"

namespace karvento {

struct SettledArea {
  // Polygons that do not overlap, as the selection wants them (see
  // GeoMultiPolygon): outer rings counter-clockwise, holes clockwise, each
  // ring closed (its last point repeats its first). The area given, bit for
  // bit, when it was valid already.
  GeoMultiPolygon area;
  // Some polygon was invalid by itself (a ring crossing or touching itself
  // or another ring of its polygon along a line, a zero-width spike, a hole
  // outside its outer ring) and was repaired.
  bool repaired = false;
  // The area was changed: polygons merged or repaired (true whenever
  // repaired is).
  bool merged = false;
};

// The area as a valid multipolygon.
//
// An area that is one already is kept exactly as given, with both flags
// false: no two rings cross or share a segment (they may meet at single
// points), no ring crosses or touches itself, every hole lies inside its
// polygon's outer ring and outside its other holes, and no polygon overlaps
// another.
//
// Otherwise, for each polygon, its region is the even-odd region of all its
// rings together, outer ring and holes alike (a point is inside when a ray
// from it crosses the polygon's rings an odd number of times): a bow-tie
// keeps both lobes, a hole reaching out of its outer ring adds the part
// outside, and a zero-width spike or a ring drawn back over itself encloses
// nothing and disappears. A ring traced twice over (the same closed sequence
// of points repeated) is taken once. Then all polygons are unioned: a point
// under two of them counts once, and polygons that overlap or share a segment
// become one. An empty result (every polygon three points on a line) means
// the area encloses nothing.
//
// Geometry is planar in the coordinates given (degrees); a repaired area's
// points lie on a lattice of 2⁻⁴⁰ of its largest coordinate (6e-11° at
// 116° E), so points closer than that may become one. Against GEOS (each
// invalid polygon MakeValid, then the union) the area agrees to 1e-9
// relative on random rings and on triangles that overlap and share edges
// and corners, but not where a ring is drawn out and back along itself:
// GEOS keeps such a piece as an edge, the even-odd rule takes it as nothing.
//
// Method: every segment is cut where it meets another (pairs found through
// a uniform grid of about two cells per segment), a point within about
// 1e-12 of a segment's length from it being taken as on it; the pieces are
// cut again until none meets another (eight times at most). A valid area is
// told in the first pass, when no two segments meet except neighbours on a
// ring (then holes and polygons need only be checked for nesting, by a ray
// per ring);
// otherwise the pieces form a planar arrangement, each face is covered when
// a ray from a point just inside it crosses some polygon's rings an odd
// number of times, and the boundary between covered and uncovered faces is
// chained into rings, split where it touches itself. Work: about O(n log n)
// for n vertices plus the crossings found, and a ray to the grid's nearest
// edge per face (per ring for a valid area).
//
// An area with a coordinate that is not a number within ±kMaxRepairCoordinate
// is returned as given, both flags false: no front end numbers it
// (AreaRingProblem and AreaDomainProblem refuse it), and within that bound
// no product of two coordinate differences overflows.
inline constexpr double kMaxRepairCoordinate = 1e9;
SettledArea SettleArea(const GeoMultiPolygon& area);

}  // namespace karvento
