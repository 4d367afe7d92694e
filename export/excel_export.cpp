// SPDX-License-Identifier: Apache-2.0
// The sheet table saved as a workbook file.

#include <string>
#include <string_view>

#include "export/export_progress.h"
#include "export/sheet_workbook.h"
#include "export/xlsx_workbook.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

template <class Table>
std::int64_t RecordCount(const Table& table) {
  std::int64_t n = 0;
  for (const auto& inner : table) n += static_cast<std::int64_t>(inner.size());
  return n;
}

template <class Table>
bool ExportTable(const std::string& fileName, std::string_view title, std::string_view header,
                 const Table& table, Message* reason, const ExportProgress& progress) {
  try {
    const std::int64_t records = RecordCount(table);
    Message refusal = WorkbookRecordsRefusal(static_cast<std::uint64_t>(records));
    if (!refusal.Empty()) throw Error(std::move(refusal));

    ExportTicker ticker(progress, static_cast<std::uint64_t>(records));
    ticker.Start();
    XlsxWorkbook book(fileName);
    SheetWorkbook sheet(book, title, header, fileName);
    for (const auto& inner : table) {
      for (const auto& record : inner) {
        sheet.Add(record);
        ticker.Tick();
      }
    }
    ticker.Finish();
    sheet.Finish();
    // While the workbook is compressed every record has been written: the
    // progress stays at the total.
    const std::uint64_t total = static_cast<std::uint64_t>(records);
    const bool saved =
        progress ? book.SaveAs([&] { return progress(total, total); }) : book.SaveAs();
    if (!saved) throw Error(kExportCancelled);
    return true;
  } catch (const Error& e) {
    if (reason != nullptr) *reason = e.GetMessage();
    return false;
  }
}

}  // namespace

bool ExportStandardMapUnionsToXls(const std::string& fileName, std::string_view title,
                                  std::string_view header, const TStandardMapUnions& table,
                                  Message* reason, const ExportProgress& progress) {
  return ExportTable(fileName, title, header, table, reason, progress);
}

bool ExportCustomMapUnionsToXls(const std::string& fileName, std::string_view title,
                                std::string_view header, const TCustomMapUnions& table,
                                Message* reason, const ExportProgress& progress) {
  return ExportTable(fileName, title, header, table, reason, progress);
}

}  // namespace karvento
