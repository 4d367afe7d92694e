// How karvento-cli writes sheets: aligned table, CSV, JSON and GeoJSON,
// streamed record by record straight from the result (no second copy).
#pragma once

#include <cstdio>
#include <string>
#include <string_view>

#include "numbering/sheet_types.h"

namespace karvento::cli {

enum class Format { Table, Csv, Json, GeoJson, Mif, Xlsx };

// table, csv, json, geojson, mif, xlsx; UsageError otherwise.
Format ParseFormat(std::string_view text);

// Thrown when the reader of our output went away (a closed pipe): the command
// ends quietly, as a filter does.
struct BrokenPipe {};

// Buffered text output that notices failures: a closed pipe throws
// BrokenPipe, any other write error throws karvento::Error naming the output.
class Output {
 public:
  Output(std::FILE* file, std::string name);
  ~Output();
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Write(std::string_view text);
  void Put(char c) { Write(std::string_view(&c, 1)); }
  void Number(double v);  // the shortest text that reads back to the same double
  void Flush();

 private:
  void Fail();
  std::FILE* file_;
  std::string name_;
  std::string buffer_;
};

// What a standard table is: its scale caption and standard, for GeoJSON.
struct SheetMeta {
  std::string scale;
  std::string standard;  // "new" or "old"
};

// Text encoding of CSV: UTF-8 with a byte-order mark (what Chinese Excel
// opens directly) or GBK.
enum class CsvEncoding { Utf8Bom, Gbk };

void WriteStandardSheets(Format format, Output& out, const TStandardMapUnions& sheets,
                         const SheetMeta& meta, CsvEncoding encoding);
void WriteCustomSheets(Format format, Output& out, const TCustomMapUnions& sheets,
                       CsvEncoding encoding);

}  // namespace karvento::cli
