// SPDX-License-Identifier: Apache-2.0
#include "workbench/field_limits.h"

#include <cmath>

#include "workbench/display_format.h"

namespace karvento {

double IntoLimits(double v, const FieldLimits& limits) {
  if (std::isnan(v)) v = limits.min;
  if (limits.decimals != kAnyDecimals) v = RoundToDecimals(v, limits.decimals);
  if (v < limits.min) v = limits.min;
  if (v > limits.max) v = limits.max;
  return v + 0.0;  // never -0
}

double NumberFieldValue(double v, bool integersOnly) {
  if (!std::isfinite(v)) v = 0;
  if (integersOnly) v = RoundToDecimals(v, 0);
  return v + 0.0;
}

}  // namespace karvento
