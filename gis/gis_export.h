// SPDX-License-Identifier: Apache-2.0
// Sheet frames in the formats that GIS and CAD programs open natively,
// written through GDAL/OGR with their exact coordinate system
// (coordinate_system.h). One routine writes every format; the window and the
// command-line tool both call it.
//
// Formats:
//  - ESRI Shapefile: .shp .shx .dbf .prj .cpg; attribute text in UTF-8 (.cpg
//    "UTF-8") or GBK (.cpg "GBK", for older Chinese GIS).
//  - GeoPackage: one table of frames, with its spatial index.
//  - DXF: each frame a closed polyline on layer "图廓", its number as text at
//    the frame's centre on layer "图号", the text height a fixed fraction of
//    the frame's height; metres or degrees. Written by export/dxf_text.h,
//    byte for byte what GDAL's DXF driver writes (GisOptions::gdalDxf).
//  - KML: longitudes and latitudes taken as WGS 84, which only CGCS2000 sheets
//    honestly are (the two differ by centimetres); Beijing 1954 and Xi'an 1980
//    sheets are refused, there being no official transformation from them.
//
// Attributes of a standard sheet: "图幅号" (the number), "比例尺" (the scale
// denominator, an integer; 0 for a record of no scale), "标准" ("new" or
// "old", by the number's form), the four edges WEST SOUTH EAST NORTH in
// decimal degrees, and in plane files the corners X1 Y1 … X4 Y4 (NW, NE, SE,
// SW, as the workbook has them). Every name fits a .dbf field (10 bytes).
// An independent sheet has "图幅号" and MINX MINY MAXX MAXY; its files carry
// no coordinate system (no .prj), since an independent grid has no geodetic
// datum.
//
// Every file is written through SafeFileSet (export/safe_file.h): the set
// replaces its targets only when complete, through links, keeping owner,
// group and mode; a failure or a cancel leaves an existing set as it was.
// KML and DXF may go to a device or a pipe (KML streams into it); a
// Shapefile or a GeoPackage is refused there. A failure is reported with the
// file and the reason: the system's (a full disk, the file-size limit) where
// it is plain, else GDAL's first.
#pragma once

#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "export/kml_text.h"
#include "export/sheet_fields.h"
#include "gis/coordinate_system.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

enum class GisFormat : std::uint8_t { Shapefile, GeoPackage, Dxf, Kml };
enum class GisEncoding : std::uint8_t { Utf8, Gbk };

struct GisOptions {
  GisFormat format = GisFormat::Shapefile;
  // Longitudes and latitudes on the datum's geographic system, or the plane
  // corners on its Gauss-Krüger system. KML is always geographic.
  bool geographic = false;
  // Attribute text of a Shapefile; the other formats are UTF-8 by definition.
  GisEncoding encoding = GisEncoding::Utf8;
  // The frame of a standard sheet as its four corners joined by straight
  // lines. Otherwise vertices are added along each edge so that no point of
  // the true edge lies more than 1 cm from the polygon: on the plane both
  // parallels and meridians are curves, and programs that join geographic
  // vertices by great circles (Google Earth) would cut across a parallel.
  bool cornersOnly = false;
  // A DXF drawing written by GDAL's own DXF driver instead of our writer
  // (export/dxf_text.h), which gives the same bytes: the reference that the
  // tests compare ours with.
  bool gdalDxf = false;
};

// The file name extension (without ".") and the save dialog filter of a format.
const char* GisExtension(GisFormat format);
const char* GisFilter(GisFormat format);

// The refusals, as shown to the user.
inline constexpr const char* kKmlNeedsGeodeticMessage =
    N_("独立坐标系没有大地坐标，不能导出 KML 文件。");
inline constexpr const char* kNoGeographicMessage = N_("独立坐标系没有大地坐标，只能导出平面坐标。");
// A Shapefile's .shp addresses at most 4 GB (GDAL stops at 2^32 − 1 bytes);
// a frame of four corners takes 136 bytes of it, so more sheets than fit so
// are refused before anything is written. A frame along its true edges takes
// 16 bytes more for each vertex; a .shp that grows past 4 GB on the way
// fails with GDAL's reason. %s: the count of sheets.
inline constexpr const char* kShapefileTooLargeMessage =
    "Shapefile 的 .shp 文件至多 4 GB，容纳不下 %s 幅图的图廓。请改用 GeoPackage 或缩小范围。";

// What a file of standard sheets must know before its first sheet: how many
// there are, the longest number (the width of the number field) and the
// least and greatest longitude of any sheet edge in decimal degrees (the
// zone of the plane corners). A table tells all of it; a stream of columns
// tells it ahead (a walk knows its count, its first and last column, and
// the lengths of its numbers).
struct GisTableOutline {
  std::uint64_t sheets = 0;
  std::size_t longestNumber = 0;
  double westmost = std::numeric_limits<double>::quiet_NaN();
  double eastmost = std::numeric_limits<double>::quiet_NaN();
  // Takes in the sheets of one more column.
  void Add(const std::vector<TStandardMapUnion>& column);
};
GisTableOutline OutlineOf(const TStandardMapUnions& table);

// Why the table cannot be written in these options, or "" when it can: KML
// of a legacy datum, geographic or KML files of an independent grid, plane
// sheets across zones without a central meridian, an empty table, more
// frames than a Shapefile can hold (kShapefileTooLargeMessage). Front ends
// ask before they ask for a file name; the writers ask again.
std::string GisRefusal(const TStandardMapUnions& table, const TPlaneSystem& system,
                       const GisOptions& options);
std::string GisRefusal(const GisTableOutline& outline, const TPlaneSystem& system,
                       const GisOptions& options);
std::string GisRefusal(const TCustomMapUnions& table, const GisOptions& options);

// A file of standard sheets written column by column as they are handed
// over, in memory bounded by one column: the one writer of standard sheets
// (WriteGisSheets runs it over a whole table). The constructor refuses
// (GisRefusal of the outline) or opens the file set and its layer; Column
// writes each sheet of a column in order (a GeoPackage in transactions of
// many sheets each); Commit completes the files and moves the whole set into
// place. Each throws Error with the reason (a refusal, kSpansZonesMessage,
// kExportCancelled, or the file and GDAL's reason, such as a Shapefile grown
// past the 4 GB its offsets can address); a stream destroyed before its
// Commit leaves the target as it was. The outline's count is what progress
// reports against.
class GisSheetStream {
 public:
  GisSheetStream(const std::string& fileName, const GisTableOutline& outline,
                 const TPlaneSystem& system, const GisOptions& options,
                 ExportProgress progress = {});
  ~GisSheetStream();
  GisSheetStream(const GisSheetStream&) = delete;
  GisSheetStream& operator=(const GisSheetStream&) = delete;

  void Column(const std::vector<TStandardMapUnion>& column);
  void Commit();

  class Impl;

 private:
  std::unique_ptr<Impl> impl_;
};

// Writes every sheet of the table, outer then inner index ascending. The
// plane system names the datum (for every file) and how the plane corners
// were computed (for plane files). Returns true when the whole file set is in
// place; otherwise false with the reason in *reason (a refusal above,
// kSpansZonesMessage, kExportCancelled, or the file and GDAL's reason).
bool WriteGisSheets(const std::string& fileName, const TStandardMapUnions& table,
                    const TPlaneSystem& system, const GisOptions& options,
                    Message* reason = nullptr, const ExportProgress& progress = {});
// An independent grid has no geodetic system (crs empty); rectangular sheets
// on the national grid name theirs.
bool WriteGisCustomSheets(const std::string& fileName, const TCustomMapUnions& table,
                          const GisOptions& options, Message* reason = nullptr,
                          const ExportProgress& progress = {}, const GisCrs& crs = {});

}  // namespace karvento
