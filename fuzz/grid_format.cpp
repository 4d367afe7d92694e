// SPDX-License-Identifier: Apache-2.0
// The independent grid's number format: user text used as a template.
//
// Invariants: the format is never read as printf text, so every "%" the user
// typed comes out in every number exactly as often as it was typed; the
// refusals are the two of the grid; only the program's own error escapes.
#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "numbering/unMapUnRgPub.h"

using namespace karvento;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size < 4) return 0;
  const bool byRowCol = data[0] & 1;
  const double stepX = 100 + data[1] % 7 * 100, stepY = 100 + data[2] % 5 * 100;
  const int start = data[3];
  const std::string format(reinterpret_cast<const char*>(data) + 4, size - 4);

  TCustomMapUnions sheets;
  std::string refusal;
  try {
    refusal = CreateCustomMapUnions(-150, -250, 1000, 700, start, start, stepX, stepY, format,
                                    byRowCol, sheets);
  } catch (const Error&) {
    std::abort();  // a small grid is never refused for its size
  }
  if (!refusal.empty()) {
    if (refusal != kBadFormatMessage || !sheets.empty()) std::abort();
    return 0;
  }
  const auto percents = std::count(format.begin(), format.end(), '%');
  for (const auto& row : sheets) {
    for (const auto& s : row) {
      if (std::count(s.MapUnionNo.begin(), s.MapUnionNo.end(), '%') != percents) std::abort();
    }
  }
  return 0;
}
