// SPDX-License-Identifier: Apache-2.0
// Numbers as the exported files show them: the general decimal form.
//
// A value is rounded to 15 significant digits (round half to even on the exact
// binary value), trailing zeros are dropped and a whole number has no decimal
// point; "." is the decimal point. A non-zero value whose rounded magnitude is
// below 0.0001 or at least 1E15 is written as mantissa, "E" and exponent
// instead: 0.00005 → 5E-5, 0.0001 → 0.0001, 1E15 → 1E15, -2.5E-7 → -2.5E-7,
// 123456789012345678 → 1.23456789012346E17. Zero of either sign is "0"; NaN is
// "NAN", the infinities "INF" and "-INF".
#pragma once

#include <string>

namespace karvento {

// The room FormatGeneral needs at its output: the longest text is 24
// characters (sign, 15 digits, point, "E", exponent sign and three exponent
// digits); digits may be written past the end of a shorter text.
inline constexpr int kGeneralNumberMaxLength = 32;

// Writes v in the general form at out, which must have room for
// kGeneralNumberMaxLength characters, and returns the end of the text (no
// terminating NUL). Values from 0.0001 to below 1E15 take an exact integer
// path; the others go through std::to_chars; both give the same digits.
char* FormatGeneral(double v, char* out);

// Appends the general form of v to text (no allocation when the capacity
// suffices).
void AppendGeneral(std::string& text, double v);

// The general form as a new string, for tests and messages.
std::string GeneralText(double v);

namespace detail {
// The same text by std::to_chars alone (scientific, 15 digits, then
// re-arranged); the reference for the exact integer path.
char* FormatGeneralByToChars(double v, char* out);
}  // namespace detail

}  // namespace karvento
