// SPDX-License-Identifier: Apache-2.0
#include "export/sheet_fields.h"

#include "numbering/scales.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

int ScaleDenominatorOf(const TStandardMapUnion& sheet) {
  const ScaleIndex scale = ScaleOfSheet(sheet.Range);
  return scale < 0 ? 0 : kScaleDenominators[static_cast<std::size_t>(scale)];
}

std::string_view StandardOf(const TStandardMapUnion& sheet) {
  return sheet.MapUnionNo.find('-') != std::string::npos ? "old" : "new";
}

}  // namespace karvento
