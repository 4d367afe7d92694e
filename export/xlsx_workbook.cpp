// SPDX-License-Identifier: Apache-2.0
#include "export/xlsx_workbook.h"

#include <algorithm>
#include <vector>

#include "export/number_format.h"
#include "export/xlsx_backend.h"
#include "numbering/error.h"

namespace karvento {
namespace {

// Display width of a text: two for every character outside ASCII (CJK text
// is twice as wide as Latin letters in a spreadsheet's default font), one for
// every other one. UTF-8 continuation bytes count nothing.
double TextWidth(std::string_view utf8) {
  double w = 0;
  for (unsigned char c : utf8) {
    if (c < 0x80) {
      w += 1;
    } else if ((c & 0xC0) != 0x80) {
      w += 2;
    }
  }
  return w;
}

double NumberWidth(double v) {
  char buf[kGeneralNumberMaxLength];
  return static_cast<double>(FormatGeneral(v, buf) - buf);
}

// A spreadsheet column is at most 255 characters wide; one character of
// padding keeps the text off the grid line.
constexpr double kMaxColumnWidth = 255;
constexpr double kPadding = 1;

}  // namespace

XlsxWorkbook::~XlsxWorkbook() = default;

bool XlsxWorkbook::SaveAs(const std::function<bool()>& keepGoing) {
  if (saved_) throw Error("工作簿已经保存过了");
  saved_ = true;
  XlsxWorksheet& ws = *sheet_;
  ws.FlushRow();
  for (std::size_t c = 0; c < ws.widths_.size(); ++c) {
    const double w = ws.widths_[c];
    if (!ws.fitWidths_ || w <= 0) continue;
    backend_->ColumnWidth(static_cast<int>(c), std::min(w + kPadding, kMaxColumnWidth));
  }
  return backend_->Save(keepGoing);
}

// ---------------------------------------------------------------------------

XlsxWorksheet::Cell& XlsxWorksheet::At(int row, int col) {
  if (row < 1 || row > kWorksheetMaxRows || col < 1 || col > kWorksheetMaxColumns) {
    throw Error("单元格 (" + std::to_string(row) + ", " + std::to_string(col) + ") 超出工作表的范围");
  }
  if (row < row_) {
    throw Error("第 " + std::to_string(row) + " 行已经写入，不能再修改");
  }
  if (row > row_) {
    FlushRow();
    row_ = row;
  }
  for (std::size_t i = 0; i < used_; ++i) {
    if (cells_[i].col == col) return cells_[i];
  }
  if (used_ == cells_.size()) cells_.emplace_back();
  Cell& cell = cells_[used_++];
  cell.col = col;
  cell.kind = Kind::kBlank;
  cell.centred = false;
  cell.framed = false;
  cell.text.clear();
  cell.number = 0;
  return cell;
}

void XlsxWorksheet::Merge(int row, int firstCol, int lastCol) {
  if (firstCol > lastCol) std::swap(firstCol, lastCol);
  At(row, firstCol);  // checks the range and starts the row
  At(row, lastCol);
  if (mergeRow_ == row) throw Error("每一行只能合并一次单元格");
  mergeRow_ = row;
  mergeFirst_ = firstCol;
  mergeLast_ = lastCol;
}

void XlsxWorksheet::SetText(int row, int col, std::string_view utf8) {
  Cell& c = At(row, col);
  c.kind = Kind::kText;
  c.text.assign(utf8);
}

void XlsxWorksheet::SetNumber(int row, int col, double value) {
  Cell& c = At(row, col);
  c.kind = Kind::kNumber;
  c.number = value;
}

void XlsxWorksheet::CenterHorizontally(int row, int col) { At(row, col).centred = true; }

void XlsxWorksheet::BorderAround(int row, int col) { At(row, col).framed = true; }

void CellBorderAround(XlsxWorksheet& sheet, int row, int col) { sheet.BorderAround(row, col); }

void XlsxWorksheet::AutoFitColumns() { fitWidths_ = true; }

void XlsxWorksheet::NoteWidth(int col, double width) {
  const std::size_t i = static_cast<std::size_t>(col - 1);
  if (widths_.size() <= i) widths_.resize(i + 1, 0);
  widths_[i] = std::max(widths_[i], width);
}

void XlsxWorksheet::FlushRow() {
  if (row_ == 0 || used_ == 0) return;
  const int r = row_ - 1;
  const bool merged = mergeRow_ == row_;
  for (std::size_t i = 0; i < used_; ++i) {
    const Cell& c = cells_[i];
    const bool inMerge = merged && c.col >= mergeFirst_ && c.col <= mergeLast_;
    if (inMerge && c.col != mergeFirst_) continue;  // hidden under the merged cell
    const int col = c.col - 1;
    const int style = (c.centred ? kXlsxCentred : kXlsxPlain) | (c.framed ? kXlsxFramed : kXlsxPlain);
    // The merged range is written first (it pads the range with blank cells
    // of the first cell's format); then the first cell's value.
    if (inMerge) backend_.Merge(r, col, mergeLast_ - 1, style);
    switch (c.kind) {
      case Kind::kText:
        backend_.Text(r, col, c.text, style);
        if (!inMerge) NoteWidth(c.col, TextWidth(c.text));
        break;
      case Kind::kNumber:
        backend_.Number(r, col, c.number, style);
        if (!inMerge) NoteWidth(c.col, NumberWidth(c.number));
        break;
      case Kind::kBlank:
        if (style != kXlsxPlain && !inMerge) backend_.Blank(r, col, style);
        break;
    }
  }
  used_ = 0;
}

}  // namespace karvento
