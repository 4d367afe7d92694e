// SPDX-License-Identifier: Apache-2.0
// How karvento-cli chooses its writer: the formats of --format, standard
// output as a sink. The text writers themselves (aligned table, CSV, JSON,
// GeoJSON) are export/'s, streamed record by record straight from the result.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/sheet_text.h"
#include "export/text_output.h"
#include "numbering/sheet_types.h"

namespace karvento::cli {

// The formats of --format: first the text formats, streamed record by
// record, in the order of TextFormat; then the file formats, each made by a
// writer of its own (MIF/MID, the workbook, the index maps, the GIS files).
enum class Format { Table, Csv, Json, GeoJson, Mif, Xlsx, Svg, Png, Pdf, Shp, Gpkg, Dxf, Kml };

// table, csv, json, geojson, mif, xlsx, svg, png, pdf, shp, gpkg, dxf, kml;
// UsageError otherwise.
Format ParseFormat(std::string_view text);

constexpr bool IsTextFormat(Format format) { return format <= Format::GeoJson; }
// The text format that format names; std::logic_error for a file format,
// which its own writer has taken before any text is written.
TextFormat TextFormatOf(Format format);

// Thrown when the reader of our output went away (a closed pipe): the command
// ends quietly, as a filter does.
struct BrokenPipe {};

// Standard output as a sink: BrokenPipe for a reader that went away,
// karvento::Error with the system's reason for any other failure.
class StdoutSink : public Sink {
 public:
  void Write(std::string_view data) override;
};

// An independent grid is in plane coordinates, which GeoJSON cannot carry:
// its format is refused (a UsageError naming the formats that can).
void RefuseGeoJsonOfPlaneSheets(Format format);

// export/'s text writers for a text format of --format (see sheet_text.h).
void WriteStandardSheets(Format format, Output& out, const TStandardMapUnions& sheets,
                         const SheetMeta& meta, CsvEncoding encoding);
void WriteCustomSheets(Format format, Output& out, const TCustomMapUnions& sheets,
                       CsvEncoding encoding);
// false for GeoJSON and the file formats.
bool WritePointSheets(Format format, Output& out, const std::vector<PointSheet>& rows,
                      CsvEncoding encoding, bool byScale);

}  // namespace karvento::cli
