// SPDX-License-Identifier: Apache-2.0
// The transformation parameter file on any text: ParseTransformParams.
//
// Invariants: a refused text leaves the parameters unchanged and says why;
// an accepted one has finite parameters and writes a text
// (FormatTransformParams) that reads back to the same text.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "geodesy/transform.h"

using namespace karvento;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  TransformParams t;
  t.bursa.dx = 12.5;
  const std::string before = FormatTransformParams(t);
  const Message refusal = ParseTransformParams(text, t);
  if (!refusal.Empty()) {
    Check(FormatTransformParams(t) == before);
    return 0;
  }
  for (const double v : {t.bursa.dx, t.bursa.dy, t.bursa.dz, t.bursa.rx, t.bursa.ry, t.bursa.rz, t.bursa.ppm,
                         t.plane.dNorth, t.plane.dEast, t.plane.rotation, t.plane.ppm, t.affine.a0, t.affine.a1,
                         t.affine.a2, t.affine.b0, t.affine.b1, t.affine.b2, t.cm}) {
    Check(std::isfinite(v));
  }
  const std::string written = FormatTransformParams(t);
  TransformParams back;
  Check(ParseTransformParams(written, back).Empty());
  Check(FormatTransformParams(back) == written);
  return 0;
}
