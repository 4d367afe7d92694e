// SPDX-License-Identifier: Apache-2.0
// The sheet table as a workbook, record by record: the title merged over
// row 1, the header in row 2, one framed row per record from row 3, numbers
// as numbers. The steps follow what a user would do in a spreadsheet
// program: merge the title cells, write and centre the title, write and
// frame the header, write and frame every record, fit the columns.
//
// The desktop and the command line fill a workbook saved to a file
// (ExportStandardMapUnionsToXls); the browser page one whose parts it packs
// itself. Both go through this one routine.
#pragma once

#include <string>
#include <string_view>

#include "export/xlsx_workbook.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

class SheetWorkbook {
 public:
  // Writes the title and the header (comma separated, 1 to 25 columns: the
  // title's merge is named by single letters) into the book's first
  // worksheet. A record that no file can carry is refused naming fileName.
  SheetWorkbook(XlsxWorkbook& book, std::string_view title, std::string_view header,
                std::string fileName);
  // The record's columns, as many as the header names.
  void Add(const TStandardMapUnion& sheet);
  void Add(const TCustomMapUnion& sheet);
  // Fits the columns; the book is then ready to be saved.
  void Finish();

 private:
  void Number(int col, double value);
  void Text(int col, std::string_view text);
  void Start(const std::string& number);

  XlsxWorksheet& sheet_;
  std::string fileName_;
  int columns_ = 0;
  int row_ = 2;
};

}  // namespace karvento
