// SPDX-License-Identifier: Apache-2.0
#include "export/sheet_workbook.h"

#include <vector>

#include "export/gbk.h"
#include "export/text_output.h"
#include "numbering/error.h"

namespace karvento {
namespace {

// The title is merged over the columns A to the last header column, named by
// a single letter: at most 25 columns (A + 24).
constexpr int kMaxHeaderColumns = 25;

// Rows above the first record: the title and the header.
constexpr std::int64_t kHeaderRows = 2;

}  // namespace

Message WorkbookRecordsRefusal(std::uint64_t records) {
  constexpr auto kMaxRecords = static_cast<std::uint64_t>(kWorksheetMaxRows - kHeaderRows);
  if (records <= kMaxRecords) return {};
  return Message(msg::kTooManyForSheet,
                 {FormatCount(static_cast<double>(records)), FormatCount(static_cast<double>(kMaxRecords))});
}

SheetWorkbook::SheetWorkbook(XlsxWorkbook& book, std::string_view title, std::string_view header,
                             std::string fileName)
    : sheet_(book.FirstWorksheet()), fileName_(std::move(fileName)) {
  const std::vector<std::string> names = SplitString(header, ',');
  columns_ = static_cast<int>(names.size());
  if (columns_ < 1 || columns_ > kMaxHeaderColumns) {
    throw Error("表头须有 1 到 " + std::to_string(kMaxHeaderColumns) + " 列，现在是 " +
                std::to_string(columns_) + " 列。");
  }
  sheet_.Merge(1, 1, columns_);
  sheet_.SetText(1, 1, title);
  sheet_.CenterHorizontally(1, 1);
  for (int c = 1; c <= columns_; ++c) {
    sheet_.SetText(2, c, names[static_cast<std::size_t>(c - 1)]);
    CellBorderAround(sheet_, 2, c);
  }
}

void SheetWorkbook::Number(int col, double value) {
  sheet_.SetNumber(row_, col, value);
  CellBorderAround(sheet_, row_, col);
}

void SheetWorkbook::Text(int col, std::string_view text) {
  sheet_.SetText(row_, col, text);
  CellBorderAround(sheet_, row_, col);
}

void SheetWorkbook::Start(const std::string& number) {
  const Message fault = SheetNumberFaultMessage(number);
  if (!fault.Empty()) throw Error(FileWriteError(fileName_, fault));
  ++row_;
  Text(1, number);
}

void SheetWorkbook::Add(const TStandardMapUnion& s) {
  const double values[12] = {
      DmsToDeg(s.Range.West), DmsToDeg(s.Range.South), DmsToDeg(s.Range.East),
      DmsToDeg(s.Range.North), s.PlaneCorners[kNW].X, s.PlaneCorners[kNW].Y,
      s.PlaneCorners[kNE].X,   s.PlaneCorners[kNE].Y, s.PlaneCorners[kSE].X,
      s.PlaneCorners[kSE].Y,   s.PlaneCorners[kSW].X, s.PlaneCorners[kSW].Y};
  Start(s.MapUnionNo);
  for (int c = 2; c <= columns_ && c <= 13; ++c) Number(c, values[c - 2]);
}

void SheetWorkbook::Add(const TCustomMapUnion& s) {
  const double values[4] = {s.MinX, s.MinY, s.MaxX, s.MaxY};
  Start(s.MapUnionNo);
  for (int c = 2; c <= columns_ && c <= 5; ++c) Number(c, values[c - 2]);
}

void SheetWorkbook::Finish() { sheet_.AutoFitColumns(); }

}  // namespace karvento
