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

bool Split(std::string_view text, const DecimalOptions& o, Pieces& p) {
  std::string_view s = text;
  while (!s.empty() && o.leadingBlanks.find(s.front()) != std::string_view::npos) s.remove_prefix(1);
  while (!s.empty() && o.trailingBlanks.find(s.back()) != std::string_view::npos) s.remove_suffix(1);
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    const bool allowed = s.front() == '-' ? o.sign != DecimalSign::None
                                          : o.sign == DecimalSign::PlusOrMinus;
    if (!allowed) return false;
    p.negative = s.front() == '-';
    s.remove_prefix(1);
  }
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
  DecimalOptions whole = options;
  whole.wholeNumber = true;
  Pieces p;
  if (!Split(text, whole, p)) return DecimalTextError::NotANumber;
  unsigned long long magnitude = 0;
  const char* last = p.number.data() + p.number.size();
  const auto [end, ec] = std::from_chars(p.number.data(), last, magnitude);
  if (ec == std::errc::result_out_of_range) return DecimalTextError::OutOfRange;
  if (ec != std::errc() || end != last) return DecimalTextError::NotANumber;
  // A negative number may reach one further than a positive one.
  constexpr auto kMax = static_cast<unsigned long long>(std::numeric_limits<long long>::max());
  if (magnitude > kMax + (p.negative ? 1 : 0)) return DecimalTextError::OutOfRange;
  const long long v = !p.negative          ? static_cast<long long>(magnitude)
                      : magnitude > kMax ? std::numeric_limits<long long>::min()
                                         : -static_cast<long long>(magnitude);
  if (!InRange(static_cast<double>(v), options)) return DecimalTextError::OutOfRange;
  value = v;
  return DecimalTextError::None;
}

}  // namespace karvento
