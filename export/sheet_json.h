// SPDX-License-Identifier: Apache-2.0
// The sheets as JSON (an array of records) and as GeoJSON (RFC 7946: a
// FeatureCollection of the sheets' outlines in longitude and latitude, with
// the number, the scale, the standard and the datum as properties).
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "export/sheet_text.h"

namespace karvento {

class JsonSheetWriter : public SheetColumnWriter {
 public:
  // Writes the opening of the array (geo: of the FeatureCollection).
  JsonSheetWriter(Output& out, const SheetMeta& meta, bool geo);
  void Column(const std::vector<TStandardMapUnion>& column, const std::string* source,
              const std::vector<double>* covers) override;
  void Finish() override;

 private:
  Output& out_;
  const SheetMeta& meta_;
  bool geo_;
  bool first_ = true;
};

// An independent grid's sheets as JSON records, their edges in plane metres.
void WriteCustomJson(Output& out, const TCustomMapUnions& sheets);
void WritePointJson(Output& out, const std::vector<PointSheet>& rows, bool byScale);

// A JSON string of UTF-8 text: quotes, backslashes and control characters
// escaped, every other byte as it stands.
void JsonString(Output& out, std::string_view text);

// A scale caption as GeoJSON carries it: with the ratio sign of Chinese
// typesetting (1∶5万), which GDAL's type guessing keeps as text; with a colon
// GDAL reads 1:5万 as the time 01:05:00.
std::string RatioCaption(std::string_view caption);

}  // namespace karvento
