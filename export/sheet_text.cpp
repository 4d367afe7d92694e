// SPDX-License-Identifier: Apache-2.0
#include "export/sheet_text.h"

#include "export/gbk.h"
#include "export/sheet_csv.h"
#include "export/sheet_json.h"
#include "export/sheet_table.h"
#include "numbering/error.h"

namespace karvento {
namespace {

void CheckNumber(const std::string& number) {
  Message fault = SheetNumberFaultMessage(number);
  if (!fault.Empty()) throw Error(std::move(fault));
}

// Every number of a table (and every source number) must be one that each
// format can carry; the table is checked whole before anything is written.
template <typename Table>
void CheckNumbers(const Table& sheets, const SheetMeta* meta) {
  for (const auto& inner : sheets) {
    for (const auto& s : inner) CheckNumber(s.MapUnionNo);
  }
  if (meta && meta->sources) {
    for (const std::string& source : *meta->sources) CheckNumber(source);
  }
}

std::unique_ptr<SheetColumnWriter> WriterOf(TextFormat format, Output& out, const SheetMeta& meta,
                                            CsvEncoding encoding) {
  switch (format) {
    case TextFormat::Table:
      return std::make_unique<TableSheetWriter>(out, meta);
    case TextFormat::Csv:
      return std::make_unique<CsvSheetWriter>(out, meta, encoding);
    case TextFormat::Json:
    case TextFormat::GeoJson:
      break;
  }
  return std::make_unique<JsonSheetWriter>(out, meta, format == TextFormat::GeoJson);
}

}  // namespace

StandardSheetWriter::StandardSheetWriter(TextFormat format, Output& out, const SheetMeta& meta,
                                         CsvEncoding encoding)
    : writer_(WriterOf(format, out, meta, encoding)) {}

StandardSheetWriter::~StandardSheetWriter() = default;

void StandardSheetWriter::Column(const std::vector<TStandardMapUnion>& column,
                                 const std::string* source, const std::vector<double>* covers) {
  // A column is checked whole before any of it is written.
  for (const TStandardMapUnion& s : column) CheckNumber(s.MapUnionNo);
  writer_->Column(column, source, covers);
}

void StandardSheetWriter::Finish() { writer_->Finish(); }

void WriteStandardSheets(TextFormat format, Output& out, const TStandardMapUnions& sheets,
                         const SheetMeta& meta, CsvEncoding encoding) {
  CheckNumbers(sheets, &meta);
  StandardSheetWriter writer(format, out, meta, encoding);
  for (std::size_t i = 0; i < sheets.size(); ++i) writer.Column(sheets[i], detail::SourceOf(meta, i));
  writer.Finish();
}

void WriteCustomSheets(TextFormat format, Output& out, const TCustomMapUnions& sheets,
                       CsvEncoding encoding) {
  CheckNumbers(sheets, nullptr);
  switch (format) {
    case TextFormat::Table:
      WriteCustomTable(out, sheets);
      break;
    case TextFormat::Csv:
      WriteCustomCsv(out, sheets, encoding);
      break;
    case TextFormat::Json:
      WriteCustomJson(out, sheets);
      break;
    case TextFormat::GeoJson:  // plane metres are no longitude and latitude
      break;
  }
}

bool WritePointSheets(TextFormat format, Output& out, const std::vector<PointSheet>& rows,
                      CsvEncoding encoding, bool byScale) {
  switch (format) {
    case TextFormat::Table:
      WritePointTable(out, rows, byScale);
      return true;
    case TextFormat::Csv:
      WritePointCsv(out, rows, encoding, byScale);
      return true;
    case TextFormat::Json:
      WritePointJson(out, rows, byScale);
      return true;
    case TextFormat::GeoJson:
      break;
  }
  return false;
}

}  // namespace karvento
