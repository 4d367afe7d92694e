// SPDX-License-Identifier: Apache-2.0
// The sheet table as a workbook: the title merged over row 1, the header in
// row 2, one framed row per record from row 3, in the order of the table.
// The steps follow what a user would do in a spreadsheet program: merge the
// title cells, write and centre the title, write and frame the header, write
// and frame every record, fit the columns, save.

#include <string>
#include <string_view>
#include <vector>

#include "export/export_progress.h"
#include "export/gbk.h"
#include "export/safe_file.h"
#include "export/xlsx_workbook.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

// Rows above the first record: the title and the header.
constexpr std::int64_t kHeaderRows = 2;
// The title is merged over the columns A to the last header column, named by
// a single letter: at most 25 columns (A + 24).
constexpr int kMaxHeaderColumns = 25;

template <class Table>
std::int64_t RecordCount(const Table& table) {
  std::int64_t n = 0;
  for (const auto& inner : table) n += static_cast<std::int64_t>(inner.size());
  return n;
}

// Writes the c-th value of a record into (row, c) and frames it.
void PutNumber(XlsxWorksheet& ws, int row, int col, double v) {
  ws.SetNumber(row, col, v);
  CellBorderAround(ws, row, col);
}

void PutText(XlsxWorksheet& ws, int row, int col, std::string_view text) {
  ws.SetText(row, col, text);
  CellBorderAround(ws, row, col);
}

// The record's data columns, as many as the header names (a record has no
// more columns than its kind defines).
void PutRecord(XlsxWorksheet& ws, int row, int n, const TStandardMapUnion& s) {
  const double values[12] = {
      DmsToDeg(s.Range.West), DmsToDeg(s.Range.South), DmsToDeg(s.Range.East),
      DmsToDeg(s.Range.North), s.PlaneCorners[kNW].X, s.PlaneCorners[kNW].Y,
      s.PlaneCorners[kNE].X,   s.PlaneCorners[kNE].Y, s.PlaneCorners[kSE].X,
      s.PlaneCorners[kSE].Y,   s.PlaneCorners[kSW].X, s.PlaneCorners[kSW].Y};
  if (n >= 1) PutText(ws, row, 1, s.MapUnionNo);
  for (int c = 2; c <= n && c <= 13; ++c) PutNumber(ws, row, c, values[c - 2]);
}

void PutRecord(XlsxWorksheet& ws, int row, int n, const TCustomMapUnion& s) {
  const double values[4] = {s.MinX, s.MinY, s.MaxX, s.MaxY};
  if (n >= 1) PutText(ws, row, 1, s.MapUnionNo);
  for (int c = 2; c <= n && c <= 5; ++c) PutNumber(ws, row, c, values[c - 2]);
}

template <class Table>
bool ExportTable(const std::string& fileName, std::string_view title, std::string_view header,
                 const Table& table, std::string* reason, const ExportProgress& progress) {
  try {
    const std::vector<std::string> names = SplitString(header, ',');
    const int n = static_cast<int>(names.size());
    if (n < 1 || n > kMaxHeaderColumns) {
      throw Error("表头须有 1 到 " + std::to_string(kMaxHeaderColumns) + " 列，现在是 " +
                  std::to_string(n) + " 列。");
    }
    const std::int64_t records = RecordCount(table);
    const std::string refusal = WorkbookRecordsRefusal(static_cast<std::uint64_t>(records));
    if (!refusal.empty()) throw Error(refusal);

    ExportTicker ticker(progress, static_cast<std::uint64_t>(records));
    ticker.Start();
    XlsxWorkbook book(fileName);
    XlsxWorksheet& ws = book.FirstWorksheet();
    ws.Merge(1, 1, n);
    ws.SetText(1, 1, title);
    ws.CenterHorizontally(1, 1);
    for (int c = 1; c <= n; ++c) PutText(ws, 2, c, names[c - 1]);
    int row = 3;
    for (const auto& inner : table) {
      for (const auto& record : inner) {
        const std::string fault = SheetNumberFault(record.MapUnionNo);
        if (!fault.empty()) throw Error(FileWriteError(fileName, fault));
        PutRecord(ws, row++, n, record);
        ticker.Tick();
      }
    }
    ticker.Finish();
    ws.AutoFitColumns();
    // While the workbook is compressed every record has been written: the
    // progress stays at the total.
    const std::uint64_t total = static_cast<std::uint64_t>(records);
    const bool saved =
        progress ? book.SaveAs([&] { return progress(total, total); }) : book.SaveAs();
    if (!saved) throw Error(kExportCancelled);
    return true;
  } catch (const Error& e) {
    if (reason != nullptr) *reason = e.what();
    return false;
  }
}

}  // namespace

std::string WorkbookRecordsRefusal(std::uint64_t records) {
  constexpr auto kMaxRecords = static_cast<std::uint64_t>(kWorksheetMaxRows - kHeaderRows);
  if (records <= kMaxRecords) return {};
  return "图幅太多，无法导出到一个工作表：共 " + FormatCount(static_cast<double>(records)) +
         " 个图幅，一个工作表最多容纳 " + FormatCount(static_cast<double>(kMaxRecords)) +
         " 个。请缩小范围后分批导出。";
}

bool ExportStandardMapUnionsToXls(const std::string& fileName, std::string_view title,
                                  std::string_view header, const TStandardMapUnions& table,
                                  std::string* reason, const ExportProgress& progress) {
  return ExportTable(fileName, title, header, table, reason, progress);
}

bool ExportCustomMapUnionsToXls(const std::string& fileName, std::string_view title,
                                std::string_view header, const TCustomMapUnions& table,
                                std::string* reason, const ExportProgress& progress) {
  return ExportTable(fileName, title, header, table, reason, progress);
}

}  // namespace karvento
