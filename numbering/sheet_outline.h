// SPDX-License-Identifier: Apache-2.0
// The outline of a sheet as a polygon that follows its true edges.
//
// A sheet is bounded by two parallels and two meridians. On the Gauss-Krüger
// plane both are curves (a parallel bows towards the pole, a meridian away
// from the central meridian), so the four plane corners joined by straight
// lines miss the true frame: by about 4.3 km at the middle of a 1:100万
// sheet's north edge, 270 m at 1:25万, 7.5 m at 1:5万, 0.47 m at 1:1万.
// The routines here add vertices along each edge so that no point of the
// true edge lies farther from the polygon than a tolerance.
//
// Both return a closed ring in the order NW, NE, SE, SW (clockwise with north
// up) whose first vertex is repeated at the end. The corners are exact: the
// plane corners are the same doubles as GeoToPlane of the datum gives (and so
// the same as a sheet's PlaneCorners before any offset is subtracted); the
// geographic corners are DmsToDeg of the edges. Vertices between corners are
// spaced evenly in longitude along a parallel and in latitude along a
// meridian.
//
// Pure computation; no I/O, no state.
#pragma once

#include <array>
#include <vector>

#include "geodesy/datum.h"
#include "geodesy/gauss_kruger.h"
#include "numbering/sheet_types.h"

namespace karvento {

// The plane outline of the sheet range on the datum's Gauss-Krüger system of
// zone3 and cm, on the sheet's zone as its corners are (SheetZone: cm = 0
// takes the zone that holds the whole sheet; the caller makes sure the sheet
// lies in one zone). tolerance_m > 0 in metres of
// the plane: the north and south edges are split into the same n equal steps
// of longitude, the east and west edges into the same m equal steps of
// latitude, n (m) chosen from the larger measured bow of the two edges (the
// distance of the edge's middle from its chord) so that the chord of a step
// deviates from the true curve by at most half the tolerance where the
// curvature is even along the edge; the other half covers its variation.
// Edges whose bows are within half the tolerance stay single straight
// segments. A tolerance ≤ 0 or not finite keeps the four corners only. Cost:
// about 2.4 µs and 30 vertices a sheet for the 1:1万 sheets of all China on
// one 6-degree zone of CGCS2000 at 1 cm (bench/bench_outline).
std::vector<TPlanePoint> PlaneOutline(Datum datum, const TMapUnionRange& range, bool zone3, double cm,
                                      double tolerance_m);

// The same outline as its four edges, clockwise with north up: north (W → E),
// east (N → S), south (E → W), west (S → N), each holding both its corners,
// on an explicit zone: every point on the zone's central meridian and false
// easting, whichever zone it lies in (a map frame is drawn in one plane even
// where its sheet ends on a zone's edge).
std::array<std::vector<TPlanePoint>, 4> PlaneOutlineEdges(Datum datum, const TMapUnionRange& range,
                                                          const ZoneParams& zone, double tolerance_m);

// A point in decimal degrees.
struct TLonLat {
  double Lon = 0;
  double Lat = 0;
  friend bool operator==(const TLonLat&, const TLonLat&) = default;
};

// The geographic outline of the sheet range for programs that join two
// vertices by a great circle (Google Earth): a meridian is one, a parallel is
// not, so the north and south edges are split into equal steps of longitude
// such that the great circle of each step leaves the parallel by at most
// tolerance_m metres (on a sphere of 6,400 km, larger than any radius of
// curvature of the meridian on the datums' ellipsoids, with a margin of two).
// The meridian edges stay single segments. A tolerance ≤ 0 or not finite
// keeps the four corners only.
std::vector<TLonLat> GeographicOutline(const TMapUnionRange& range, double tolerance_m);

}  // namespace karvento
