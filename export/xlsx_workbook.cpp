#include "export/xlsx_workbook.h"

#include <xlsxwriter.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <future>

#include "export/number_format.h"
#include "export/safe_file.h"
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

// ---------------------------------------------------------------------------

XlsxWorkbook::XlsxWorkbook(const std::string& fileName)
    : file_(std::make_unique<SafeFile>(fileName)) {
  // The library opens the file by name when it saves; the descriptor of the
  // temporary file is not needed.
  file_->Close();
  lxw_workbook_options options{};
  options.constant_memory = LXW_TRUE;
  options.use_zip64 = LXW_TRUE;
  book_ = workbook_new_opt(file_->path().c_str(), &options);
  if (book_ == nullptr) Fail("无法创建工作簿");
  lxw_worksheet* sheet = workbook_add_worksheet(book_, nullptr);
  if (sheet == nullptr) Fail("无法创建工作表");
  sheet_.reset(new XlsxWorksheet(*this, sheet));
}

XlsxWorkbook::~XlsxWorkbook() {
  // An unsaved workbook is freed without writing; the safe file removes the
  // temporary file.
  if (book_ != nullptr) lxw_workbook_free(book_);
}

void XlsxWorkbook::Fail(std::string_view reason) {
  throw Error(FileWriteError(file_->target(), reason));
}

lxw_format* XlsxWorkbook::Format(bool centred, bool framed) {
  const int key = (centred ? 1 : 0) | (framed ? 2 : 0);
  if (key == 0) return nullptr;
  if (formats_[key] == nullptr) {
    lxw_format* f = workbook_add_format(book_);
    if (f == nullptr) Fail("无法创建单元格格式");
    if (centred) format_set_align(f, LXW_ALIGN_CENTER);
    if (framed) format_set_border(f, LXW_BORDER_THIN);
    formats_[key] = f;
  }
  return formats_[key];
}

bool XlsxWorkbook::SaveAs(const std::function<bool()>& keepGoing) {
  if (book_ == nullptr) Fail("工作簿已经保存过了");
  sheet_->FlushRow();
  for (std::size_t c = 0; c < sheet_->widths_.size(); ++c) {
    const double w = sheet_->widths_[c];
    if (!sheet_->fitWidths_ || w <= 0) continue;
    const lxw_col_t col = static_cast<lxw_col_t>(c);
    const lxw_error err =
        worksheet_set_column(sheet_->sheet_, col, col, std::min(w + kPadding, kMaxColumnWidth), nullptr);
    if (err != LXW_NO_ERROR) Fail(lxw_strerror(err));
  }
  lxw_workbook* book = book_;
  book_ = nullptr;  // workbook_close frees the workbook whatever it returns
  // The system's reason of a failed close, taken on the thread that closed.
  int closeErrno = 0;
  const auto close = [book, &closeErrno] {
    errno = 0;
    const lxw_error e = workbook_close(book);
    closeErrno = errno;
    return e;
  };
  lxw_error err = LXW_NO_ERROR;
  bool cancelled = false;
  if (!keepGoing) {
    err = close();
  } else {
    // The future's destructor waits for the close, also when keepGoing
    // throws, so the workbook and the file outlive the work on them.
    std::future<lxw_error> closing = std::async(std::launch::async, close);
    do {
      if (!cancelled && !keepGoing()) cancelled = true;
    } while (closing.wait_for(std::chrono::milliseconds(50)) != std::future_status::ready);
    err = closing.get();
  }
  if (cancelled) return false;  // the safe file removes what was written
  if (err != LXW_NO_ERROR) {
    std::string reason = lxw_strerror(err);
    if (closeErrno != 0) reason += std::string("（") + std::strerror(closeErrno) + "）";
    Fail(reason);
  }
  file_->Commit();
  return true;
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
  const lxw_row_t r = static_cast<lxw_row_t>(row_ - 1);
  auto check = [this](lxw_error err) {
    if (err != LXW_NO_ERROR) book_.Fail(lxw_strerror(err));
  };
  const bool merged = mergeRow_ == row_;
  for (std::size_t i = 0; i < used_; ++i) {
    const Cell& c = cells_[i];
    const bool inMerge = merged && c.col >= mergeFirst_ && c.col <= mergeLast_;
    if (inMerge && c.col != mergeFirst_) continue;  // hidden under the merged cell
    const lxw_col_t col = static_cast<lxw_col_t>(c.col - 1);
    lxw_format* f = book_.Format(c.centred, c.framed);
    if (inMerge) {
      // The merged range is written first (it pads the range with blank
      // cells of the first cell's format); then the first cell's value.
      check(worksheet_merge_range(sheet_, r, col, r, static_cast<lxw_col_t>(mergeLast_ - 1), "", f));
    }
    switch (c.kind) {
      case Kind::kText:
        check(worksheet_write_string(sheet_, r, col, c.text.c_str(), f));
        if (!inMerge) NoteWidth(c.col, TextWidth(c.text));
        break;
      case Kind::kNumber:
        check(worksheet_write_number(sheet_, r, col, c.number, f));
        if (!inMerge) NoteWidth(c.col, NumberWidth(c.number));
        break;
      case Kind::kBlank:
        if (f != nullptr && !inMerge) check(worksheet_write_blank(sheet_, r, col, f));
        break;
    }
  }
  used_ = 0;
}

}  // namespace karvento
