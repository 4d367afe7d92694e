// How karvento-cli writes sheets: aligned table, CSV, JSON and GeoJSON,
// streamed record by record straight from the result (no second copy).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "numbering/sheet_types.h"

namespace karvento::cli {

enum class Format { Table, Csv, Json, GeoJson, Mif, Xlsx, Svg, Png, Pdf, Shp, Gpkg, Dxf, Kml };

// table, csv, json, geojson, mif, xlsx, svg, png, pdf, shp, gpkg, dxf, kml;
// UsageError otherwise.
Format ParseFormat(std::string_view text);

// Thrown when the reader of our output went away (a closed pipe): the command
// ends quietly, as a filter does.
struct BrokenPipe {};

// Where buffered output goes: standard output, or a file that replaces its
// target only when complete.
class Sink {
 public:
  virtual ~Sink() = default;
  // Writes all of data or throws: BrokenPipe for a reader that went away,
  // karvento::Error naming the output for any other failure.
  virtual void Write(std::string_view data) = 0;
};

// Buffered text output. With gbk set, text that is not ASCII is converted
// from UTF-8 to GBK on the way out. With textCells set, the CSV writers put
// each sheet number in the form a spreadsheet keeps as text (="1-2"): Excel
// and WPS turn a bare 1-2 into a date however it is quoted.
class Output {
 public:
  explicit Output(Sink& sink, bool gbk = false, bool textCells = false);
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Write(std::string_view text);
  void Put(char c);
  void Number(double v);  // the shortest text that reads back to the same double
  void Flush();
  bool TextCells() const { return textCells_; }

 private:
  Sink& sink_;
  bool gbk_;
  bool textCells_;
  std::string buffer_;
};

// Standard output as a sink.
class StdoutSink : public Sink {
 public:
  void Write(std::string_view data) override;
};

// What a standard table is: its scale caption and standard, for GeoJSON;
// for a conversion result the source number of each outer entry, written
// before each target (empty standard: each target's own, by its form).
struct SheetMeta {
  std::string scale;     // the caption, 1:1万
  int denominator = 0;   // 10000
  std::string standard;  // "new" or "old"
  const std::vector<std::string>* sources = nullptr;
  // The geodetic datum of the longitudes and latitudes ("Beijing 1954"):
  // GeoJSON readers take them for WGS 84 unless told.
  std::string datum{};
  // The table has the covered fraction of each sheet of an area: a last
  // column "cover" (table), "覆盖比例" (csv), a member "cover" (json, geojson).
  bool cover = false;
};

// Text encoding of CSV: UTF-8 with a byte-order mark (what Chinese Excel
// opens directly) or GBK.
enum class CsvEncoding { Utf8Bom, Gbk };

void WriteStandardSheets(Format format, Output& out, const TStandardMapUnions& sheets,
                         const SheetMeta& meta, CsvEncoding encoding);

// The text formats (table, csv, json, geojson) written column by column as a
// sheet walk hands the columns over: the head when made, each column's
// sheets as they come (with the source number of a converted column, or
// none), the tail at Finish. WriteStandardSheets is this writer run over a
// whole table, so both give the same bytes. Column throws karvento::Error,
// before writing any of the column, for a number that no file can carry.
class StandardSheetWriter {
 public:
  StandardSheetWriter(Format format, Output& out, const SheetMeta& meta, CsvEncoding encoding);
  // covers: the covered fraction of each sheet of the column, written when
  // the meta asks for the cover column.
  void Column(const std::vector<TStandardMapUnion>& column, const std::string* source = nullptr,
              const std::vector<double>* covers = nullptr);
  void Finish();

 private:
  Format format_;
  Output& out_;
  const SheetMeta& meta_;
  bool first_ = true;
};
// An independent grid is in plane coordinates, which GeoJSON cannot carry:
// its format is refused (a UsageError naming the formats that can).
void RefuseGeoJsonOfPlaneSheets(Format format);

// The sheets of a point (karvento-cli at): one row per scale (byScale, the
// first column headed scale/比例尺) or per neighbour (headed place/位置), each
// with a label (the scale, or the neighbour's place NW … SE),
// its new and its old number (empty where the old standard has none) and the
// sheet itself, in table, csv or json; false for any other format.
struct PointSheet {
  std::string label;
  std::string newNumber, oldNumber;
  TStandardMapUnion sheet;
};
bool WritePointSheets(Format format, Output& out, const std::vector<PointSheet>& rows,
                      CsvEncoding encoding, bool byScale);

// A scale caption as GeoJSON carries it: with the ratio sign of Chinese
// typesetting (1∶5万), which GDAL's type guessing keeps as text; with a colon
// GDAL reads 1:5万 as the time 01:05:00.
std::string RatioCaption(std::string_view caption);

// One field of a CSV record, quoted when it holds a comma, a quote or a line
// break; the text of a spreadsheet's number cell when cell is set (="1-2").
void CsvField(Output& out, std::string_view text, bool cell = false);

// Both throw karvento::Error, before writing anything, for a table holding a
// number that no file can carry (SheetNumberFault).
void WriteCustomSheets(Format format, Output& out, const TCustomMapUnions& sheets,
                       CsvEncoding encoding);

}  // namespace karvento::cli
