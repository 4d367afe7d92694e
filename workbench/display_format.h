// SPDX-License-Identifier: Apache-2.0
// Display patterns of the number fields: ",0;(,0)", ",0.00000;(,0.00000)",
// ",0.000;(,0.000)", ",0.00000;(,0.0000)".
//
// A pattern has a section for positive values and zero and, after ";", one for
// negative values. In a section, "," asks for thousands separators in the
// whole part, the zeros after "." give the number of decimals, and any other
// characters (the parentheses) are written as they stand around the digits. A
// negative value is written in the negative section without its minus sign
// (so −1234.5 in ",0;(,0)" is "(1,235)"); a pattern without a negative
// section writes it with a leading "-" in the first section. A value that
// rounds to zero in its section is written in the first section ("0", not
// "(0)"). Rounding is RoundToDecimals: halves away from zero; the separators are ","
// and "." whatever the locale. NaN and the infinities are written "NAN",
// "INF" and "-INF".
#pragma once

#include <string>
#include <string_view>

namespace karvento {

std::string FormatFloat(std::string_view pattern, double value);

// Rounds to a number of decimals, halves away from zero (2.5 → 3 with none,
// 0.0625 → 0.063 with three): the value times 10^decimals is rounded to a
// whole number and divided back. Values too large to carry decimals, NaN and
// the infinities come back unchanged.
double RoundToDecimals(double value, int decimals);

}  // namespace karvento
