// SPDX-License-Identifier: Apache-2.0
// A table of common points on any text (ParseCommonPointTable), solved with
// every model that takes its kind of points.
//
// Invariants: a refused table says why and leaves the result empty; an
// accepted one holds finite coordinates, and each solution is refused with a
// reason or has finite parameters and one residual per point.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "geodesy/common_point_table.h"
#include "geodesy/transform.h"

using namespace karvento;

namespace {

void Check(bool ok) {
  if (!ok) std::abort();
}

void CheckSolution(const TransformSolution& s, std::size_t points) {
  if (!s.refusal.Empty()) return;
  for (const ParameterValue& v : ParameterValues(s.params)) Check(std::isfinite(v.value));
  Check(s.residuals.size() == points);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const std::string text(reinterpret_cast<const char*>(data), size);
  std::vector<std::string> lines;
  for (std::size_t start = 0; start < text.size();) {
    const std::size_t end = std::min(text.find('\n', start), text.size());
    lines.push_back(text.substr(start, end - start));
    start = end + 1;
  }
  CommonPointTable table;
  const Message refusal = ParseCommonPointTable(lines, "fuzz", table);
  if (!refusal.Empty()) {
    Check(table.Count() == 0);
    return 0;
  }
  // Solving is cubic in nothing but linear in points: keep runs short.
  if (table.Count() > 200) return 0;
  if (table.plane) {
    for (const TransformModel m : {TransformModel::Plane4, TransformModel::Affine6}) {
      CheckSolution(SolvePlane(table.planar, m, Datum::Beijing54, Datum::Cgcs2000, true, 117, 3), table.Count());
    }
  } else {
    for (const TransformModel m : {TransformModel::Bursa7, TransformModel::Shift3}) {
      CheckSolution(SolveBursa(table.geodetic, Datum::Beijing54, Datum::Cgcs2000, m,
                               RotationConvention::PositionVector, 3),
                    table.Count());
    }
  }
  return 0;
}
