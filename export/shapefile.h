// SPDX-License-Identifier: Apache-2.0
// A Shapefile of standard sheets made in memory, without GDAL: the .shp,
// .shx, .dbf, .prj and .cpg that the command line's `--format shp` writes
// through GDAL for the same sheets, for the page, which has no GDAL and
// offers the members as one zip.
//
// The layout is GDAL's: each frame a polygon of one clockwise ring (NW, NE,
// SE, SW, NW, north up), the four corners joined, or (the default) the
// outline along the true edges within 1 cm; the attributes "图幅号" (text as
// wide as the longest number), "比例尺", "标准", WEST SOUTH EAST NORTH and, in
// a plane file, X1 Y1 … X4 Y4, reals of 24 characters with 15 decimals. The
// .dbf is UTF-8 (its .cpg says so) or GBK (the .cpg and the language driver
// 0x4D say so, field names in GBK too). Every byte equals GDAL's but the
// .dbf's date of last change (bytes 1 to 3), which is today.
//
// The .prj is the ESRI form of the file's system: the datum's geographic
// system, or its Gauss-Krüger system (coordinate_system.h of gis/ chooses it
// the same way): with a central meridian given, the zone-numbered system of
// that meridian; with none, the system of the one zone that every sheet lies
// in; with omitted large numbers, that system with its false easting and
// northing reduced by them under a name that says so.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "export/sheet_frame.h"
#include "geodesy/datum.h"
#include "export/sheet_frame.h"
#include "numbering/sheet_types.h"

namespace karvento {

// The language driver of a .dbf (byte 29 of its header) that names code
// page 936, GBK: readers that ignore the .cpg (older ArcGIS and others)
// take the text as GBK from it. UTF-8 has no language driver; its .dbf
// keeps 0 and relies on the .cpg.
inline constexpr unsigned char kGbkLanguageDriver = 0x4D;

struct ShapefileOptions {
  // The request of the sheets: their plane (cm = 0: each corner on its own
  // zone, which must be one zone), their scale and standard.
  FramePlane plane;
  bool geographic = false;  // longitudes and latitudes rather than plane corners
  bool cornersOnly = false;
  bool gbk = false;  // attribute text in GBK rather than UTF-8
};

struct ShapefileMembers {
  std::string shp, shx, dbf, prj, cpg;
};

// What the file must know before its first sheet: the count, the longest
// number and the least and greatest longitude of any sheet edge (decimal
// degrees). Add takes in one sheet.
struct ShapefileOutline {
  std::uint32_t sheets = 0;
  std::size_t longestNumber = 0;
  double westmost = 0, eastmost = 0;
  void Add(const TStandardMapUnion& sheet);
};

// The .prj text; throws Error(kSpansZonesMessage) for plane corners with
// cm = 0 whose sheets lie in more than one zone.
std::string ShapefilePrj(const ShapefileOptions& options, double westmost, double eastmost);

// Takes the sheets of the outline in order (their plane corners with the
// offsets subtracted, as the walk hands them over) and gives the members.
// The constructor throws the refusals (no sheets, sheets across zones); Add
// throws for a number that the .dbf cannot hold. The page's limit on sheets
// keeps the .shp far below the 4 GB its offsets address.
class ShapefileWriter {
 public:
  ShapefileWriter(const ShapefileOptions& options, const ShapefileOutline& outline);
  void Add(const TStandardMapUnion& sheet);
  ShapefileMembers Finish();

 private:
  ShapefileOptions options_;
  ShapefileOutline outline_;
  int numberWidth_;
  ShapefileMembers files_;
  std::uint32_t written_ = 0;
  double box_[4];  // least x and y, greatest x and y of every frame
  GisFrame frame_;  // the sheet being written
};

}  // namespace karvento
