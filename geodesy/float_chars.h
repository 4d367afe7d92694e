// SPDX-License-Identifier: Apache-2.0
// Decimal text of doubles, both ways, with the semantics of <charconv>'s
// floating-point from_chars and to_chars: exact parsing, correctly rounded
// formatting, shortest round-trip text by default (fixed or scientific,
// whichever is shorter, fixed on a tie).
//
// Every routine that reads or writes a double as text goes through these, so
// that the program built for the browser, whose standard library lacks the
// floating-point <charconv>, writes the same bytes as the native build. The
// native build forwards to the standard library; the browser build formats
// with {fmt} and parses with fast_float (the algorithms behind the native
// library's own routines) and is checked byte for byte against it
// (KARVENTO_PORTABLE_FLOAT_CHARS builds those routines natively for that
// check).
#pragma once

#include <charconv>
#include <system_error>

namespace karvento {

#if defined(__EMSCRIPTEN__) || defined(KARVENTO_PORTABLE_FLOAT_CHARS)

std::from_chars_result FloatFromChars(const char* first, const char* last, double& value,
                                      std::chars_format fmt = std::chars_format::general);
std::to_chars_result FloatToChars(char* first, char* last, double value);
std::to_chars_result FloatToChars(char* first, char* last, double value, std::chars_format fmt);
std::to_chars_result FloatToChars(char* first, char* last, double value, std::chars_format fmt,
                                  int precision);

#else

inline std::from_chars_result FloatFromChars(const char* first, const char* last, double& value,
                                             std::chars_format fmt = std::chars_format::general) {
  return std::from_chars(first, last, value, fmt);
}
inline std::to_chars_result FloatToChars(char* first, char* last, double value) {
  return std::to_chars(first, last, value);
}
inline std::to_chars_result FloatToChars(char* first, char* last, double value,
                                         std::chars_format fmt) {
  return std::to_chars(first, last, value, fmt);
}
inline std::to_chars_result FloatToChars(char* first, char* last, double value,
                                         std::chars_format fmt, int precision) {
  return std::to_chars(first, last, value, fmt, precision);
}

#endif

}  // namespace karvento
