// SPDX-License-Identifier: Apache-2.0
// What the commands of karvento-cli share: the output options and the
// projection options.
#pragma once

#include <cstdio>
#include <memory>
#include <optional>
#include <string>
#include <string_view>

#include "cli/args.h"
#include "cli/i18n.h"
#include "cli/output.h"
#include "cli/progress.h"
#include "geodesy/datum.h"
#include "gis/gis_export.h"
#include "numbering/sheet_types.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
class SafeFile;
}  // namespace karvento

namespace karvento::cli {

// --format, --output, --encoding, --spreadsheet and --quiet. The format
// follows the output name's extension (x.gpkg: a GeoPackage) unless --format
// names it; a --format that contradicts the extension is a UsageError.
struct OutputOptions {
  Format format = Format::Table;
  bool spreadsheet = false;  // CSV for spreadsheets: numbers as text cells ="1-2"
  bool quiet = false;        // no notices and no progress line on standard error
  std::string file;  // empty: standard output
  CsvEncoding encoding = CsvEncoding::Utf8Bom;  // also a Shapefile's text (UTF-8 or GBK)
  bool geoMif = false;  // --coords geo: MIF, shp, gpkg, dxf in longitude and latitude
  bool cornersOnly = false;  // --corners-only: GIS frames of four vertices
  double mapWidth = 0, mapHeight = 0;  // --size of an index map: pixels, millimetres for pdf
};
inline const OptionSpec kOutputOptionSpecs[] = {
    {"format", true}, {"output", true}, {"encoding", true}, {"coords", true}, {"size", true},
    {"spreadsheet", false}, {"quiet", false}, {"corners-only", false}};
OutputOptions ReadOutputOptions(const Args& args);
// The format a file name's extension stands for (case aside): .csv, .json,
// .geojson, .mif, .xlsx, .svg, .png, .pdf, .shp, .gpkg, .dxf, .kml; none for
// any other name.
std::optional<Format> FormatOfName(std::string_view file);

// Tells on standard error, unless quiet, that the longitudes and latitudes of
// a GeoJSON or CSV file are on Beijing 1954 or Xi'an 1980, which the programs
// that read them take for WGS 84.
struct Projection;
void WarnOfGeographicDatum(std::string_view command, const OutputOptions& o, const Projection& p);

// Writes the index map of a table for --format svg, png or pdf, under the
// title, outlining the sheet at current (in list order: outer, then inner
// index; -1 for none), with the area of interest's outline where one is
// given; false when the format is none of them.
bool WriteStandardMap(const OutputOptions& o, const TStandardMapUnions& sheets, const std::string& title,
                      std::ptrdiff_t current = -1, const GeoMultiPolygon* area = nullptr);
bool WriteCustomMap(const OutputOptions& o, const TCustomMapUnions& sheets, const std::string& title);
// The title of a national-division index map: scale, standard and datum.
std::string MapTitle(std::string_view scale, std::string_view standard, Datum datum);
// What --help says about the index maps.
inline constexpr const char* kMapHelp =
    N_("  --size WxH         图幅示意图的大小：svg 和 png 为像素（默认 1600x1200），\n"
    "                     pdf 为毫米（默认 420x297）\n"
    "图幅示意图（svg、png、pdf）：画出来宽 4 像素及以上的图幅画成图廓，放得下时\n"
    "在其中写图幅号；更小的图幅画成 2 像素方格组成的覆盖区（选中的用其自己的\n"
    "颜色），所以百万图幅的示意图也只有一页大小；以度为单位的经纬网或公里网，\n"
    "标题和直线比例尺。SVG 指定的字体为 Microsoft YaHei、PingFang SC、\n"
    "Noto Sans CJK SC、WenQuanYi Micro Hei、sans-serif：取查看器有的第一种。\n");

// The text stream of a command: standard output or the --output file, which
// replaces an existing file only when it is complete.
class OutputStream {
 public:
  explicit OutputStream(const OutputOptions& o);
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;
  Output& out() { return *out_; }
  // Flushes, and puts the file in place; a failure throws.
  void Finish();

 private:
  std::unique_ptr<Sink> sink_;
  std::unique_ptr<Output> out_;
  SafeFile* file_ = nullptr;  // the sink, when it is a file
};

// --number-form rowcol|5000: new-standard 1:2000 numbers by row and column
// (J50I001001, the default) or from their 1:5000 sheet (J50H001001-1).
inline const OptionSpec kNumberFormOptionSpecs[] = {{"number-form", true}};
// True for 5000; a UsageError unless the numbers written are 1:2000 numbers
// of the new standard.
bool ReadNumberForm(const Args& args, int scale, bool newStandard);
// Writes numbers in the 1:5000-based form.
void To5000Form(std::vector<TStandardMapUnion>& column);

// How a command writes a table it does not hold: the plane offsets
// subtracted and the numbers put in their form for each column in turn.
struct ColumnEdits {
  double offsetX = 0, offsetY = 0;
  bool form5000 = false;
  void Apply(std::vector<TStandardMapUnion>& column) const;
};

// --datum 54|80|2000, --zone 3|6, --cm DEGREES.
struct Projection {
  Datum datum = Datum::Beijing54;
  bool zone3 = true;
  double cm = 0;
};

// Writes a whole table in one of the file formats (mif, xlsx, shp, gpkg, dxf,
// kml); false when the format is none of them. A failed writer throws with
// its reason. The projection and the offsets subtracted from the plane
// corners give the GIS files their coordinate system, and the meta their
// sheets' scale and standard (none: each sheet's own).
bool WriteStandardFile(const OutputOptions& o, const TStandardMapUnions& sheets,
                       const Projection& p, double offsetX, double offsetY, const SheetMeta* meta = nullptr);
// The request of a table as its files carry it.
TPlaneSystem RequestPlane(const Projection& p, double offsetX, double offsetY, const SheetMeta* meta);
// plane: the Gauss-Krüger system the sheets lie on (rectangular sheets on
// the national grid), named by the GIS files; none for an independent grid.
bool WriteCustomFile(const OutputOptions& o, const TCustomMapUnions& sheets,
                     const Projection* plane = nullptr);
// The GIS format of --format (shp, gpkg, dxf, kml), if it is one.
std::optional<GisOptions> GisOptionsOf(const OutputOptions& o);

// Writes the sheets of a walk as they come, column by column, in memory
// bounded by one column: the text formats through StandardSheetWriter, MIF
// through MifColumnWriter, the GIS formats through GisSheetStream in the
// coordinate system of the projection and the edits' offsets. The same
// bytes (for a GIS file, the same features, fields and system) as the table
// of the walk written whole. Not for xlsx, whose worksheet holds a limited
// number of rows, nor for the index maps.
// progress: the progress line's mode (ProgressLine::ModeOf). report, when
// given, is told the sheets written and the walk's count (0 for an area,
// whose count is known only at the end) after each column; returning false
// stops the run with kExportCancelled and leaves no file.
void StreamStandardSheets(const OutputOptions& o, const SheetWalk& walk, const ColumnEdits& edits,
                          const SheetMeta& meta, const Projection& p,
                          ProgressLine::Mode progress = ProgressLine::Mode::Off, const ExportProgress& report = {});

inline const OptionSpec kProjectionOptionSpecs[] = {{"datum", true}, {"zone", true}, {"cm", true}};
// The central meridian within the window's field: 0 to 180 on the geodetic
// tabs, 0 to 360 on the conversion tab (maxCm).
inline constexpr double kMaxCentralMeridian = 180;
inline constexpr double kMaxConversionCentralMeridian = 360;
Projection ReadProjection(const Args& args, double maxCm = kMaxCentralMeridian);

// karvento-cli project for one point: the forward projection of a longitude
// and latitude (refused beyond the datum's domain, as ProjectionLongitudeLimit
// gives it), and the inverse of an easting X (with or without its zone
// number) and northing Y on the zone of p.cm, which must be above 0. Throw
// the command's errors.
TPlanePoint ProjectGeo(const Projection& p, const TLonLatDMS& g);
TLonLatDMS ProjectPlane(const Projection& p, double x, double y);

// Writes a whole text to standard output: BrokenPipe when the reader went
// away, karvento::Error with the system's reason for any other failure.
void WriteStdout(std::string_view text);
// The datum of the projection options, as EPSG names it ("Beijing 1954").
std::string DatumName(const Projection& p);

// The error of one sheet number as a surveyor reads it: the routines' own
// "'bc' is not a valid integer value" (which the window shows as it stands)
// becomes a sentence saying which part of the number is wrong; any other
// error is the number and its text.
std::string NumberErrorText(const std::string& number, const Error& e);
// A refusal of corners given the wrong way round (the routines' "Range
// check error"): a sentence naming the two corners; empty when the lower-left
// corner lies south-west of the upper-right one (or on it).
std::string InvertedCornersText(const TMapUnionRange& range);

// Every option of a command: its own and the shared groups.
template <std::size_t N, std::size_t... M>
std::vector<OptionSpec> Options(const OptionSpec (&own)[N], const OptionSpec (&... groups)[M]) {
  std::vector<OptionSpec> all(own, own + N);
  (all.insert(all.end(), groups, groups + M), ...);
  all.push_back({"help", false});
  return all;
}

// A command's help in the user's language, with kMapHelp in place of its
// one %s.
std::string WithMapHelp(const char* help);

// Prints the command's help (already in the user's language) when --help is
// given; true then.
bool HelpRequested(const Args& args, const char* help);

}  // namespace karvento::cli
