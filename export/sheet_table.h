// SPDX-License-Identifier: Apache-2.0
// The sheets as an aligned table for a terminal: the corners in degrees,
// minutes and seconds, the plane corners to the millimetre.
#pragma once

#include <string>
#include <vector>

#include "export/sheet_text.h"

namespace karvento {

class TableSheetWriter : public SheetColumnWriter {
 public:
  // Writes the head line.
  TableSheetWriter(Output& out, const SheetMeta& meta);
  void Column(const std::vector<TStandardMapUnion>& column, const std::string* source,
              const std::vector<double>* covers) override;
  void Finish() override {}

 private:
  Output& out_;
  const SheetMeta& meta_;
};

void WriteCustomTable(Output& out, const TCustomMapUnions& sheets);
void WritePointTable(Output& out, const std::vector<PointSheet>& rows, bool byScale);

}  // namespace karvento
