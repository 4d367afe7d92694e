// SPDX-License-Identifier: Apache-2.0
// Areas of interest from polygon files: any polygon layer GDAL reads, brought
// to the longitude and latitude of the datum whose sheets are listed.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "geodesy/datum.h"
#include "numbering/area.h"
#include "numbering/message.h"

class OGRCoordinateTransformation;
class OGRSpatialReference;

namespace karvento {

struct AreaFile {
  GeoMultiPolygon area;  // in the sheet datum's longitude and latitude, degrees
  std::size_t polygons = 0;
  // Set when the coordinates could not be transformed and were taken as they
  // are (or the file names no coordinate system): one line naming the
  // datums, for stderr and the window. Empty otherwise.
  std::string notice;
  std::vector<Message> notices;  // the same, one message each
};

// The drivers a layer the program reads may be opened with (null-ended):
// local vector formats only. No VRT (whose sources may name URLs,
// /vsistdin/ or other files), no network drivers, no GML (which may fetch
// its schemas).
extern const char* const kLocalVectorDrivers[];
// Throws Error(Message(cannotRead, {file, reason})) unless file is a local
// regular file or folder: no GDAL virtual file system (/vsi…), no URL, no
// FIFO or device. cannotRead: a pattern of two %s, the file and the reason
// (msg::kAreaCannotRead, kTagCannotRead).
void RequireLocalVectorFile(const std::string& file, const char* cannotRead);
// Why file cannot be read as a local input, "" when it can: a path of GDAL's
// virtual file systems (/vsicurl/, /vsistdin/, …), a URL, a file that does
// not exist, or anything but a regular file or a folder (a FIFO would block
// the program). Every file the program reads for GDAL passes this first.
std::string LocalFileProblem(const std::string& file);

// PROJ's transformation between the two systems, null where PROJ knows
// none but its "ballpark" one, which takes the coordinates as they are (an
// unnamed Krasovsky datum or New Beijing to CGCS2000: up to 100 m or so
// off). With wgs84Too (to being CGCS2000's longitude and latitude, which
// WGS 84's are taken as), one to WGS 84's where PROJ knows none to to's
// (Hong Kong 1980, Tokyo); viaWgs84, when given, tells which. Not finding
// one is no failure: GDAL's errors are kept from the caller's.
std::unique_ptr<OGRCoordinateTransformation> RealTransformation(const OGRSpatialReference& from,
                                                                const OGRSpatialReference& to, bool wgs84Too = false,
                                                                bool* viaWgs84 = nullptr);

// Reads the polygons of a layer (the first one when layer is empty), keeping
// the features that match the attribute filter where (OGR SQL; empty: all).
// Polygons, multipolygons, curved polygons and closed line strings (DXF
// closed polylines) count; other geometries are skipped. The coordinates are
// transformed with PROJ from the layer's coordinate system to the datum's
// geographic one. Between CGCS2000 or WGS 84 and Beijing 1954 or Xi'an 1980
// there is no official transformation: the file's own longitudes and
// latitudes are taken as they are, and the notice says so; the same for a
// system PROJ has no real transformation for. Throws Error with
// the file name and GDAL's reason when the file, the layer or the filter
// cannot be read, or when no polygon is left.
AreaFile ReadAreaFile(const std::string& file, const std::string& layer, const std::string& where,
                      Datum datum);
// The first layer, every feature: what the window's import reads.
inline AreaFile ReadAreaFile(const std::string& file, Datum datum) {
  return ReadAreaFile(file, "", "", datum);
}

}  // namespace karvento
