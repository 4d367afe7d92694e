// SPDX-License-Identifier: Apache-2.0
// A spreadsheet workbook (Office Open XML, .xlsx) offering the operations the
// sheet-table export asks of a spreadsheet program: add a workbook, take its
// first worksheet, merge a range, set a cell to text or a number, centre a
// cell, frame a cell, fit the column widths, save.
//
// Rows and columns are counted from 1, as a spreadsheet user counts them.
// Rows stream to disk as they are finished, so a table of a million rows
// takes the memory of one row: cells may be set in any order within a row,
// but once a later row has been started an earlier one can no longer be
// changed (that throws). A merge lies within one row.
//
// A workbook goes to a file (through libxlsxwriter, in the desktop and the
// command line) or, as its package parts, to a PartSink (text_output.h, xlsx_parts.cpp;
// the browser page packs them into the ZIP itself).
//
// Every failure throws karvento::Error; a file failure names the target file
// and the reason. The file appears under its name only when SaveAs succeeds
// and the saved file has been read back as a complete workbook (it is
// written beside it under a temporary name, see SafeFile); a workbook
// destroyed unsaved leaves nothing behind. The library's own temporary parts
// are kept in the same folder, not in the system's temporary folder, which
// may be small or full. Only a regular file can take a workbook: a device, a
// pipe or a terminal is refused.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace karvento {

class XlsxBackend;
class PartSink;

// The most rows a worksheet holds.
inline constexpr std::int64_t kWorksheetMaxRows = 1'048'576;
// The most columns a worksheet holds.
inline constexpr int kWorksheetMaxColumns = 16'384;

class XlsxWorkbook;

class XlsxWorksheet {
 public:
  // Merges the cells first to last column of the row into one; the merged
  // cell shows the value and format of its first cell.
  void Merge(int row, int firstCol, int lastCol);
  void SetText(int row, int col, std::string_view utf8);
  void SetNumber(int row, int col, double value);
  // Centres the cell's contents horizontally.
  void CenterHorizontally(int row, int col);
  // A thin continuous border on all four sides of the one cell.
  void BorderAround(int row, int col);
  // Fits every column that holds a value to its widest cell, estimated from
  // the text: a character outside ASCII counts two, a number counts the
  // characters of its general form (as the MIF files write it). Merged cells
  // do not widen a column.
  void AutoFitColumns();

 private:
  friend class XlsxWorkbook;
  enum class Kind : std::uint8_t { kBlank, kText, kNumber };
  struct Cell {
    int col = 0;
    Kind kind = Kind::kBlank;
    bool centred = false;
    bool framed = false;
    std::string text;
    double number = 0;
  };

  explicit XlsxWorksheet(XlsxBackend& backend) : backend_(backend) {}
  Cell& At(int row, int col);
  void FlushRow();
  void NoteWidth(int col, double width);

  XlsxBackend& backend_;
  int row_ = 0;             // the row being collected, 0 before the first
  std::vector<Cell> cells_;  // its cells, in the order they were first set
  std::size_t used_ = 0;     // cells_[0, used_) belong to row_
  int mergeRow_ = 0, mergeFirst_ = 0, mergeLast_ = 0;
  std::vector<double> widths_;  // by column from 0: the widest text so far
  bool fitWidths_ = false;
};

// Why the file at path is not a complete workbook as XlsxWorkbook saves it,
// or an empty text when it is: the ZIP directory at its end must be whole and
// lie where it says, every entry must have its local header where the
// directory puts it, with its data inside the file, and each part that a
// spreadsheet program needs must be there and not empty, the worksheet
// holding at least minSheetBytes bytes of XML; every part must decompress to
// the length and CRC the directory gives, and the worksheet must end its XML.
std::string WorkbookFileFault(const std::string& path, std::uint64_t minSheetBytes = 0);

// Frames the one cell (row, col) of the worksheet, as the export names the
// step.
void CellBorderAround(XlsxWorksheet& sheet, int row, int col);

class XlsxWorkbook {
 public:
  // Adds a new workbook with one worksheet, to be saved under fileName. The
  // temporary file is created beside fileName at once, so a folder that
  // cannot be written fails here, before any cell is set.
  explicit XlsxWorkbook(const std::string& fileName);
  // Adds a new workbook whose parts go to parts when it is saved.
  explicit XlsxWorkbook(PartSink& parts);
  ~XlsxWorkbook();
  XlsxWorkbook(const XlsxWorkbook&) = delete;
  XlsxWorkbook& operator=(const XlsxWorkbook&) = delete;

  XlsxWorksheet& FirstWorksheet() { return *sheet_; }
  // Writes the workbook and renames it over fileName (or hands its parts to
  // the sink); returns true.
  //
  // Compressing the rows into the file takes longer than collecting them (a
  // million rows take some ten seconds). When keepGoing is given, that work
  // runs on a thread of its own while this thread calls keepGoing, once at
  // the start and then about every 50 ms, so that a front end can keep its
  // window alive and offer a cancel; nothing else touches the workbook
  // meanwhile. Once keepGoing has
  // returned false it is not called again: when the work ends the file is
  // discarded, any existing file under fileName stays as it was, and SaveAs
  // returns false.
  bool SaveAs(const std::function<bool()>& keepGoing = {});

 private:
  std::unique_ptr<XlsxBackend> backend_;
  std::unique_ptr<XlsxWorksheet> sheet_;
  bool saved_ = false;
};

}  // namespace karvento
