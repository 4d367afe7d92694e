// SPDX-License-Identifier: Apache-2.0
// The coordinate system of a sheet file, as EPSG names it.
//
// Geographic corners are on the datum's own geographic system: EPSG:4214
// (Beijing 1954), 4610 (Xi'an 1980), 4490 (CGCS2000). Plane corners are on the
// datum's Gauss-Krüger system of the zone width and central meridian of the
// request. EPSG has two families of these per datum and width:
//  - with the zone number in front of the easting ("3-degree Gauss-Kruger
//    zone 39", false easting 39 500 000 m): what the projection writes when a
//    central meridian was given;
//  - without it ("3-degree Gauss-Kruger CM 117E", false easting 500 000 m):
//    what it writes when the central meridian is 0 and each corner takes its
//    own zone, which is one system only while every corner lies in one zone.
// EPSG covers the central meridians 75° E to 135° E (3-degree zones 25 to 45,
// 6-degree zones 13 to 23); elsewhere the same transverse Mercator is written
// as WKT under a name of its own.
//
// The omitted large coordinate numbers ("省略坐标大数") are subtracted from the
// plane corners; the file's system is then the EPSG one with its false
// easting and false northing reduced by them, written as WKT whose name says
// so and without an EPSG authority (it is not that system any more).
#pragma once

#include <string>

#include "export/sheet_fields.h"
#include "geodesy/datum.h"
#include "export/sheet_frame.h"
#include "numbering/sheet_types.h"

namespace karvento {

// How the plane corners of a table of standard sheets were computed: the
// datum, the zone method and central meridian of the projection (cm = 0: each
// corner on its own zone), and the offsets subtracted afterwards; the plane
// every frame of a GIS file is drawn on.
using TPlaneSystem = FramePlane;

// The EPSG code of the datum's geographic system.
int GeographicEpsg(Datum datum);

// GaussKrugerEpsg, the EPSG code of a Gauss-Krüger system: geodesy/datum.h.

// A coordinate system as a file carries it: an EPSG code when it is exactly
// an EPSG system (0 otherwise) and its WKT (OGC WKT 1, with the EPSG
// authority when there is a code). Empty WKT: no geodetic system at all.
struct GisCrs {
  int epsg = 0;
  std::string wkt;
  std::string name;
};

GisCrs GeographicCrs(Datum datum);

// The Gauss-Krüger system of a whole table. With cm = 0 every corner of every
// sheet must lie in the same zone (the zone that the projection chose for
// it); otherwise throws Error(kSpansZonesMessage). An empty table with cm = 0
// has no zone either and throws the same.
GisCrs PlaneCrs(const TStandardMapUnions& table, const TPlaneSystem& system);
// The same from the least and the greatest longitude (decimal degrees) of
// any sheet edge: zones run west to east, so every corner lies in one zone
// exactly when these two do. NaN (no sheet) with cm = 0 throws as above.
GisCrs PlaneCrs(double westmost, double eastmost, const TPlaneSystem& system);


}  // namespace karvento
