// SPDX-License-Identifier: Apache-2.0
// What a workbook hands to the file format under it: the cells of each row
// as the row is finished, the column widths, and the save. One backend
// writes through libxlsxwriter into a file (the desktop and the command
// line); another writes the package's parts as XML for a caller that packs
// them into the ZIP itself (the browser page, which has neither
// libxlsxwriter nor zlib). Both show a spreadsheet program the same cells,
// merges, alignment, borders and widths.
#pragma once

#include <cstdint>
#include <functional>
#include <string_view>

namespace karvento {

// A cell's format: none, centred, framed, or both.
enum XlsxStyle : int { kXlsxPlain = 0, kXlsxCentred = 1, kXlsxFramed = 2 };

class XlsxBackend {
 public:
  virtual ~XlsxBackend() = default;
  // Rows and columns from 0. A row's cells come in any column order, the
  // rows in ascending order. A merge comes before the value of its first
  // cell: it fills the range with blank cells of the style, which the first
  // cell's value then replaces.
  virtual void Merge(int row, int firstCol, int lastCol, int style) = 0;
  virtual void Text(int row, int col, std::string_view utf8, int style) = 0;
  virtual void Number(int row, int col, double value, int style) = 0;
  virtual void Blank(int row, int col, int style) = 0;
  // The width of a column in characters of the default font, before the
  // backend rounds it to whole pixels as spreadsheet programs do.
  virtual void ColumnWidth(int col, double width) = 0;
  // Writes the workbook out; false when keepGoing stopped it (see
  // XlsxWorkbook::SaveAs).
  virtual bool Save(const std::function<bool()>& keepGoing) = 0;
};

}  // namespace karvento
