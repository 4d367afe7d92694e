// SPDX-License-Identifier: Apache-2.0
// The angle text parser on any text: ParseAngleText with the corner fields'
// carry and with decimal degrees as typed.
//
// Invariants: both readings accept and refuse the same texts for the same
// reason; a refused text leaves the angle unchanged; an accepted one has
// finite fields of one sign; decimal degrees as typed keep minutes and seconds
// at 0 and, carried by DegToDms, give the corner fields' angle, within a
// thousandth of a second.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "geodesy/angle_text.h"

using namespace karvento;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

bool OneSign(const TAngleDMS& a) {
  return (a.Degrees >= 0 && a.Minutes >= 0 && a.Seconds >= 0) ||
         (a.Degrees <= 0 && a.Minutes <= 0 && a.Seconds <= 0);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  const TAngleDMS untouched{1.5, 2.5, 3.5};
  TAngleDMS carried = untouched, typed = untouched;
  const AngleTextError a = ParseAngleText(text, carried);
  const AngleTextError b = ParseAngleText(text, typed, true);
  Check(a == b);
  if (a != AngleTextError::None) {
    Check(carried == untouched && typed == untouched);
    return 0;
  }
  for (const TAngleDMS* x : {&carried, &typed}) {
    Check(std::isfinite(x->Degrees) && std::isfinite(x->Minutes) && std::isfinite(x->Seconds));
    Check(OneSign(*x));
  }
  if (typed.Minutes == 0 && typed.Seconds == 0 && !(carried == typed)) {
    // One field: decimal degrees, carried or as typed.
    Check(carried == DegToDms(typed.Degrees));
    if (std::abs(typed.Degrees) < 1e6) {
      Check(std::abs(DmsToSec(carried) - DmsToSec(typed)) <= 0.001 + 1e-6 * std::abs(typed.Degrees));
    }
  }
  return 0;
}
