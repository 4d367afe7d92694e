// SPDX-License-Identifier: Apache-2.0
// Sheet numbers as typed or read from a file: ParseOldMapUnionNo,
// ParseNewMapUnionNo and CheckMapUnionNo.
//
// Invariants: only the program's own error escapes; a text that the check
// classifies as old or new parses to a sheet of positive size; a parsed
// new-standard number below 1:100万 (any of its forms) fed back through CreateNewMapUnions over
// its own extent yields exactly that one sheet where it lies on the lettered
// grid, and elsewhere one sheet or "Range check error".
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "numbering/unMapUnRgPub.h"

using namespace karvento;

namespace {

bool PositiveSize(const TMapUnionRange& r) {
  return DmsToDeg(r.East) - DmsToDeg(r.West) > 0 || DmsToDeg(r.North) - DmsToDeg(r.South) > 0;
}

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  std::uint8_t kind = 0;
  try {
    kind = CheckMapUnionNo(text);
  } catch (const Error&) {
    return 0;
  }
  if (kind == 0) return 0;
  const TMapUnionRange r = kind == 1 ? ParseOldMapUnionNo(text) : ParseNewMapUnionNo(text);
  Check(PositiveSize(r));
  if (kind != 2 || text.size() == 3) return 0;

  // The scale of a ten- or twelve-character number is its code; the
  // 1:5000-based form names a 1:2000 sheet.
  ScaleIndex scale = Is5000BasedNumber(text) ? 8 : -1;
  for (ScaleIndex s = 1; scale < 0 && s < kScaleCount; ++s) {
    if (kNewScaleCodes[s] == text[3]) scale = s;
  }
  Check(scale > 0);
  TStandardMapUnions sheets;
  try {
    CreateNewMapUnions(r, scale, true, 0, Datum::Beijing54, sheets);
  } catch (const Error& e) {
    // Only a sheet off the lettered grid may fail, and only so.
    Check(e.GetMessage().Is(msg::kRangeCheck));
    Check(DmsToDeg(r.West) < 0 || DmsToDeg(r.South) < 0 || DmsToDeg(r.North) > 104);
    return 0;
  }
  Check(sheets.size() == 1 && sheets[0].size() == 1);
  if (DmsToDeg(r.West) >= 0 && DmsToDeg(r.South) >= 0) Check(sheets[0][0].Range == r);
  return 0;
}
