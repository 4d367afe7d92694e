// SPDX-License-Identifier: Apache-2.0
// The browser build's decimal text of doubles: {fmt} gives the correctly
// rounded and the shortest round-trip digits, fast_float parses; the layout
// of the shortest form (fixed or scientific, whichever is shorter) is chosen
// here as the standard library chooses it. The native build forwards to
// <charconv> in the header and compiles nothing from this file.
#include "geodesy/float_chars.h"

#if defined(__EMSCRIPTEN__) || defined(KARVENTO_PORTABLE_FLOAT_CHARS)

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <string_view>

#define FMT_HEADER_ONLY
#include <fast_float/fast_float.h>
#include <fmt/format.h>

namespace karvento {
namespace {

std::to_chars_result Put(char* first, char* last, const std::string& text) {
  if (static_cast<std::size_t>(last - first) < text.size()) {
    return {last, std::errc::value_too_large};
  }
  std::memcpy(first, text.data(), text.size());
  return {first + text.size(), std::errc()};
}

std::string Special(double v) {
  if (std::isnan(v)) return std::signbit(v) ? "-nan" : "nan";
  return v < 0 ? "-inf" : "inf";
}

// The shortest round-trip digits of |v| (no leading or trailing zeros) and
// the decimal exponent of the first digit, from {fmt}'s shortest text, which
// is either plain (123.456, 0.000123) or scientific (1.2345e-05, 1e+22).
void ShortestDigits(double v, std::string& digits, int& exp10) {
  const std::string text = fmt::format("{}", std::fabs(v));
  const std::size_t e = text.find_first_of("eE");
  const std::string mantissa = text.substr(0, e);
  const int shift = e == std::string::npos ? 0 : std::stoi(text.substr(e + 1));
  const std::size_t point = mantissa.find('.');
  const int intDigits = static_cast<int>(point == std::string::npos ? mantissa.size() : point);
  digits.clear();
  for (char c : mantissa) {
    if (c != '.') digits += c;
  }
  int lead = 0;
  while (lead + 1 < static_cast<int>(digits.size()) && digits[static_cast<std::size_t>(lead)] == '0') ++lead;
  digits.erase(0, static_cast<std::size_t>(lead));
  while (digits.size() > 1 && digits.back() == '0') digits.pop_back();
  exp10 = intDigits - 1 - lead + shift;
}

// A whole number is written with all its digits, exactly; a fraction with
// the shortest digits.
std::string FixedOf(double v, const std::string& digits, int exp10) {
  const int n = static_cast<int>(digits.size());
  if (exp10 >= n - 1) return fmt::format("{:.0f}", v);
  std::string out = v < 0 ? "-" : "";
  if (exp10 < 0) {
    out += "0.";
    out.append(static_cast<std::size_t>(-exp10 - 1), '0');
    out += digits;
  } else {
    out += digits.substr(0, static_cast<std::size_t>(exp10) + 1);
    out += '.';
    out += digits.substr(static_cast<std::size_t>(exp10) + 1);
  }
  return out;
}

std::string ScientificOf(bool negative, const std::string& digits, int exp10) {
  std::string out = negative ? "-" : "";
  out += digits[0];
  if (digits.size() > 1) {
    out += '.';
    out += digits.substr(1);
  }
  out += fmt::format("e{}{:02d}", exp10 < 0 ? '-' : '+', std::abs(exp10));
  return out;
}

}  // namespace

std::from_chars_result FloatFromChars(const char* first, const char* last, double& value,
                                      std::chars_format fmt) {
  fast_float::chars_format f = fast_float::chars_format::general;
  if (fmt == std::chars_format::fixed) f = fast_float::chars_format::fixed;
  if (fmt == std::chars_format::scientific) f = fast_float::chars_format::scientific;
  double v = 0;
  const auto r = fast_float::from_chars(first, last, v, f);
  if (r.ec != std::errc()) return {r.ptr, r.ec};
  // fast_float gives infinity or zero where the value is out of range; the
  // standard library reports it and leaves the value alone.
  const std::string_view text(first, static_cast<std::size_t>(r.ptr - first));
  if (std::isinf(v) && text.find_first_of("iI") == std::string_view::npos) {
    return {r.ptr, std::errc::result_out_of_range};
  }
  if (v == 0) {
    const std::size_t stop = text.find_first_of("eE");
    if (text.substr(0, stop).find_first_of("123456789") != std::string_view::npos) {
      return {r.ptr, std::errc::result_out_of_range};
    }
  }
  value = v;
  return {r.ptr, std::errc()};
}

std::to_chars_result FloatToChars(char* first, char* last, double value) {
  if (!std::isfinite(value)) return Put(first, last, Special(value));
  if (value == 0) return Put(first, last, std::signbit(value) ? "-0" : "0");
  std::string digits;
  int exp10 = 0;
  ShortestDigits(value, digits, exp10);
  const bool negative = value < 0;
  const std::string fixed = FixedOf(value, digits, exp10);
  const std::string sci = ScientificOf(negative, digits, exp10);
  return Put(first, last, fixed.size() <= sci.size() ? fixed : sci);
}

std::to_chars_result FloatToChars(char* first, char* last, double value, std::chars_format fmt) {
  if (fmt != std::chars_format::fixed && fmt != std::chars_format::scientific) {
    return FloatToChars(first, last, value);
  }
  if (!std::isfinite(value)) return Put(first, last, Special(value));
  if (value == 0) {
    const std::string zero = fmt == std::chars_format::fixed ? "0" : "0e+00";
    return Put(first, last, (std::signbit(value) ? "-" : "") + zero);
  }
  if (fmt == std::chars_format::fixed) {
    // Most values written (coordinates, metres): {fmt}'s shortest text is
    // already in fixed notation, the very text wanted, made without a heap
    // allocation; only one with an exponent needs rearranging below. (The
    // longest shortest text of a double has 24 characters.)
    char buf[32];
    const auto written = fmt::format_to_n(buf, sizeof buf, "{}", value);
    const std::string_view text(buf, std::min(written.size, sizeof buf));
    if (written.size <= sizeof buf && text.find_first_of("eE") == std::string_view::npos) {
      if (static_cast<std::size_t>(last - first) < text.size()) return {last, std::errc::value_too_large};
      std::memcpy(first, text.data(), text.size());
      return {first + text.size(), std::errc()};
    }
  }
  std::string digits;
  int exp10 = 0;
  ShortestDigits(value, digits, exp10);
  return Put(first, last,
             fmt == std::chars_format::fixed ? FixedOf(value, digits, exp10)
                                             : ScientificOf(value < 0, digits, exp10));
}

std::to_chars_result FloatToChars(char* first, char* last, double value, std::chars_format fmt,
                                  int precision) {
  if (!std::isfinite(value)) return Put(first, last, Special(value));
  switch (fmt) {
    case std::chars_format::fixed:
      return Put(first, last, fmt::format("{:.{}f}", value, precision));
    case std::chars_format::scientific:
      return Put(first, last, fmt::format("{:.{}e}", value, precision));
    default:
      return Put(first, last, fmt::format("{:.{}g}", value, precision));
  }
}

}  // namespace karvento

#endif
