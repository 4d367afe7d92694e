// SPDX-License-Identifier: Apache-2.0
// A workbook given as the parts of its package, for a caller that packs them
// into the ZIP itself: the browser page has neither libxlsxwriter nor zlib,
// and compresses the parts as they come. The parts are those a spreadsheet
// program reads: [Content_Types].xml, _rels/.rels, docProps/app.xml,
// docProps/core.xml, xl/workbook.xml, xl/_rels/workbook.xml.rels,
// xl/styles.xml and xl/worksheets/sheet1.xml, with the cells, merges,
// alignment, borders and column widths of the same workbook saved to a file.
//
// The rows are kept as XML in blocks until the workbook is saved (the column
// widths, which come before the rows in the worksheet, are known only then):
// some 600 bytes a row of the sheet table.
#pragma once

#include <string_view>

#include "export/xlsx_workbook.h"

namespace karvento {

// Where the parts go, each in one or more pieces of bytes between Begin and
// End, one part after the other.
class XlsxPartSink {
 public:
  virtual ~XlsxPartSink() = default;
  virtual void Begin(std::string_view name) = 0;
  virtual void Write(std::string_view bytes) = 0;
  virtual void End() = 0;
};

}  // namespace karvento
