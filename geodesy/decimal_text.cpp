// SPDX-License-Identifier: Apache-2.0
#include "geodesy/decimal_text.h"

#include <charconv>
#include <limits>
#include <string>
#include <system_error>

#include "geodesy/float_chars.h"

namespace karvento {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// A text split by the grammar: its sign and the number without blanks or sign.
struct Pieces {
  bool negative = false;
  std::string_view number;    // mantissa and exponent
  std::size_t mark = std::string_view::npos;  // position of the decimal mark in number
  std::size_t exponent = std::string_view::npos;  // position of "e" or "E" in number
};

bool IsOneOf(char c, std::string_view set) {
  for (char b : set) {
    if (c == b) return true;
  }
  return false;
}

// The text without its blanks and sign, and whether the sign is a minus;
// false for a sign the options do not allow.
bool TakeBlanksAndSign(std::string_view& s, const DecimalOptions& o, bool& negative) {
  while (!s.empty() && IsOneOf(s.front(), o.leadingBlanks)) s.remove_prefix(1);
  while (!s.empty() && IsOneOf(s.back(), o.trailingBlanks)) s.remove_suffix(1);
  negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    const bool allowed = s.front() == '-' ? o.sign != DecimalSign::None
                                          : o.sign == DecimalSign::PlusOrMinus;
    if (!allowed) return false;
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  return true;
}

bool Split(std::string_view text, const DecimalOptions& o, Pieces& p) {
  std::string_view s = text;
  if (!TakeBlanksAndSign(s, o, p.negative)) return false;
  std::size_t i = 0, digits = 0;
  for (; i < s.size(); ++i) {
    if (IsDigit(s[i])) {
      ++digits;
    } else if ((s[i] == '.' || (s[i] == ',' && o.decimalComma)) && p.mark == std::string_view::npos &&
               !o.wholeNumber) {
      p.mark = i;
    } else {
      break;
    }
  }
  if (digits == 0) return false;
  if (i < s.size() && (s[i] == 'e' || s[i] == 'E') && !o.wholeNumber) {
    p.exponent = i++;
    if (i < s.size() && (s[i] == '+' || s[i] == '-')) ++i;
    std::size_t expDigits = 0;
    for (; i < s.size() && IsDigit(s[i]); ++i) ++expDigits;
    if (expDigits == 0) return false;
  }
  if (i != s.size()) return false;
  p.number = s;
  return true;
}

// Whether a number that a double cannot hold is too small rather than too
// large: the power of ten of its first significant digit, counted from the
// digits and the exponent, is negative.
bool IsTiny(const Pieces& p) {
  const std::string_view mantissa = p.number.substr(0, p.exponent);
  long long power = 0;
  bool found = false;
  const std::size_t mark = p.mark == std::string_view::npos ? mantissa.size() : p.mark;
  for (std::size_t i = 0; i < mantissa.size() && !found; ++i) {
    if (i == mark || mantissa[i] == '0') continue;
    found = true;
    power = i < mark ? static_cast<long long>(mark - i) - 1 : -static_cast<long long>(i - mark);
  }
  if (!found) return false;  // zero is always held
  if (p.exponent != std::string_view::npos) {
    std::string_view e = p.number.substr(p.exponent + 1);
    const bool minus = e.front() == '-';
    if (e.front() == '+' || e.front() == '-') e.remove_prefix(1);
    // Saturates far beyond any exponent a double has, before it could wrap.
    long long x = 0;
    for (char c : e) x = x < 1'000'000'000'000 ? x * 10 + (c - '0') : x;
    power += minus ? -x : x;
  }
  return power < 0;
}

bool InRange(double v, const DecimalOptions& o) { return v >= o.lowest && v <= o.highest; }

}  // namespace

bool IsDecimalText(std::string_view text, const DecimalOptions& options) {
  Pieces p;
  return Split(text, options, p);
}

DecimalTextError ParseDecimal(std::string_view text, double& value, const DecimalOptions& options) {
  Pieces p;
  if (!Split(text, options, p)) return DecimalTextError::NotANumber;
  std::string withPoint;
  std::string_view number = p.number;
  if (p.mark != std::string_view::npos && number[p.mark] == ',') {
    withPoint.assign(number);
    withPoint[p.mark] = '.';
    number = withPoint;
  }
  double v = 0;
  const auto [end, ec] = FloatFromChars(number.data(), number.data() + number.size(), v);
  if (ec == std::errc::result_out_of_range && options.tinyIsZero && IsTiny(p)) {
    v = 0;
  } else if (ec != std::errc()) {
    return ec == std::errc::result_out_of_range ? DecimalTextError::OutOfRange
                                                : DecimalTextError::NotANumber;
  } else if (end != number.data() + number.size()) {
    return DecimalTextError::NotANumber;
  }
  if (p.negative) v = -v;
  if (!InRange(v, options)) return DecimalTextError::OutOfRange;
  value = v;
  return DecimalTextError::None;
}

DecimalTextError ParseDecimal(std::string_view text, long long& value, const DecimalOptions& options) {
  // Whole numbers are read in one pass: sheet numbers are made of them.
  std::string_view digits = text;
  bool negative = false;
  if (!TakeBlanksAndSign(digits, options, negative) || digits.empty()) {
    return DecimalTextError::NotANumber;
  }
  unsigned long long magnitude = 0;
  bool overflow = false;
  for (char c : digits) {
    if (!IsDigit(c)) return DecimalTextError::NotANumber;
    overflow = overflow || __builtin_mul_overflow(magnitude, 10u, &magnitude) ||
               __builtin_add_overflow(magnitude, static_cast<unsigned>(c - '0'), &magnitude);
  }
  if (overflow) return DecimalTextError::OutOfRange;
  // A negative number may reach one further than a positive one.
  constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
  if (magnitude > kMax + (negative ? 1 : 0)) return DecimalTextError::OutOfRange;
  const long long v = !negative            ? static_cast<long long>(magnitude)
                      : magnitude > kMax ? std::numeric_limits<long long>::min()
                                         : -static_cast<long long>(magnitude);
  if (!InRange(static_cast<double>(v), options)) return DecimalTextError::OutOfRange;
  value = v;
  return DecimalTextError::None;
}

}  // namespace karvento
