// SPDX-License-Identifier: Apache-2.0
// The sheets as text: an aligned table, CSV, JSON and GeoJSON, written
// column by column as a sheet walk hands the columns over (no second copy of
// the sheets). One family of formats a file: export/sheet_table.h,
// export/sheet_csv.h, export/sheet_json.h; this header chooses among them.
// The command line writes them to standard output or a file, the browser
// page into a string.
#pragma once

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "export/text_output.h"
#include "numbering/sheet_types.h"

namespace karvento {

// The text formats, each streamed record by record.
enum class TextFormat { Table, Csv, Json, GeoJson };

// Text encoding of CSV: UTF-8 with a byte-order mark (what Chinese Excel
// opens directly) or GBK.
enum class CsvEncoding { Utf8Bom, Gbk };

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

// The one sheet stream: the head when made, each column's sheets as they
// come (with the source number of a converted column, or none, and the
// covered fraction of each sheet when the meta asks for it), the tail at
// Finish.
class SheetColumnWriter {
 public:
  virtual ~SheetColumnWriter() = default;
  virtual void Column(const std::vector<TStandardMapUnion>& column, const std::string* source,
                      const std::vector<double>* covers) = 0;
  virtual void Finish() = 0;
};

// A text format's writer of the sheet stream. Column throws karvento::Error,
// before writing any of the column, for a number that no file can carry.
// WriteStandardSheets is this writer run over a whole table, so both give
// the same bytes.
class StandardSheetWriter {
 public:
  StandardSheetWriter(TextFormat format, Output& out, const SheetMeta& meta, CsvEncoding encoding);
  ~StandardSheetWriter();
  StandardSheetWriter(const StandardSheetWriter&) = delete;
  StandardSheetWriter& operator=(const StandardSheetWriter&) = delete;

  void Column(const std::vector<TStandardMapUnion>& column, const std::string* source = nullptr,
              const std::vector<double>* covers = nullptr);
  void Finish();

 private:
  std::unique_ptr<SheetColumnWriter> writer_;
};

// Both throw karvento::Error, before writing anything, for a table holding a
// number that no file can carry (SheetNumberFault). An independent grid's
// plane coordinates have no GeoJSON: the caller refuses it (the custom
// writer writes nothing for it).
void WriteStandardSheets(TextFormat format, Output& out, const TStandardMapUnions& sheets,
                         const SheetMeta& meta, CsvEncoding encoding);
void WriteCustomSheets(TextFormat format, Output& out, const TCustomMapUnions& sheets,
                       CsvEncoding encoding);

// The sheets of a point: one row per scale (byScale, the first column headed
// scale/比例尺) or per neighbour (headed place/位置), each with a label (the
// scale, or the neighbour's place NW … SE), its new and its old number (empty
// where the old standard has none) and the sheet itself, in table, csv or
// json; false for GeoJSON, which has no such rows.
struct PointSheet {
  std::string label;
  std::string newNumber, oldNumber;
  TStandardMapUnion sheet;
};
bool WritePointSheets(TextFormat format, Output& out, const std::vector<PointSheet>& rows,
                      CsvEncoding encoding, bool byScale);

namespace detail {
// The source number of outer entry i of a conversion result, or none.
inline const std::string* SourceOf(const SheetMeta& meta, std::size_t i) {
  return meta.sources && i < meta.sources->size() ? &(*meta.sources)[i] : nullptr;
}
// The covered fraction of a column's j-th sheet, when the table has one.
inline const double* CoverOf(const SheetMeta& meta, const std::vector<double>* covers, std::size_t j) {
  return meta.cover && covers && j < covers->size() ? &(*covers)[j] : nullptr;
}
}  // namespace detail

}  // namespace karvento
