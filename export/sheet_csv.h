// SPDX-License-Identifier: Apache-2.0
// The sheets as CSV: comma-separated, CR LF line ends, a head line in
// Chinese; in UTF-8 with a byte-order mark or in GBK (the Output's
// conversion), numbers in the shortest plain decimal form.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/sheet_text.h"

namespace karvento {

class CsvSheetWriter : public SheetColumnWriter {
 public:
  // Writes the byte-order mark (UTF-8) and the head line.
  CsvSheetWriter(Output& out, const SheetMeta& meta, CsvEncoding encoding);
  void Column(const std::vector<TStandardMapUnion>& column, const std::string* source,
              const std::vector<double>* covers) override;
  void Finish() override {}

 private:
  Output& out_;
  const SheetMeta& meta_;
};

void WriteCustomCsv(Output& out, const TCustomMapUnions& sheets, CsvEncoding encoding);
void WritePointCsv(Output& out, const std::vector<PointSheet>& rows, CsvEncoding encoding,
                   bool byScale);

// One field of a CSV record, quoted when it holds a comma, a quote or a line
// break; the text of a spreadsheet's number cell when cell is set (="1-2").
void CsvField(Output& out, std::string_view text, bool cell = false);

}  // namespace karvento
