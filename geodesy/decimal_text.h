// SPDX-License-Identifier: Apache-2.0
// Decimal numbers read from text: one grammar for every reader of the
// program, with options for what its readers differ in (blanks around the
// number, which signs, a decimal comma, whole numbers only, a range).
//
// The grammar: optional leading blanks, an optional sign, digits with at most
// one decimal point and at least one digit ("12", "12.", ".5", "12.5"), an
// optional exponent ("e" or "E", an optional sign, at least one digit),
// optional trailing blanks; nothing else, the whole text. There is no "inf",
// no "nan", no hexadecimal form and no thousands separator. The value is the
// decimal number correctly rounded to a double (FloatFromChars, so that the
// browser build reads the same values as the native one), negated for "-";
// "-0" is negative zero.
#pragma once

#include <cstdint>
#include <limits>
#include <string_view>

namespace karvento {

enum class DecimalSign : std::uint8_t { None, MinusOnly, PlusOrMinus };

struct DecimalOptions {
  // The characters that may stand before the number, and after it.
  std::string_view leadingBlanks{};
  std::string_view trailingBlanks{};
  DecimalSign sign = DecimalSign::PlusOrMinus;
  // "," is read as the decimal point, as Chinese and European keyboards type
  // it ("30,5" is 30.5); a number still holds at most one of "." and ",".
  bool decimalComma = false;
  // Digits only: no decimal point, no exponent.
  bool wholeNumber = false;
  // A nonzero number too small for a double reads as zero with its sign
  // (1e-400 is 0); without this it is out of range, as a number too large
  // for a double always is.
  bool tinyIsZero = false;
  // The value must lie within [lowest, highest].
  double lowest = -std::numeric_limits<double>::infinity();
  double highest = std::numeric_limits<double>::infinity();
};

enum class DecimalTextError : std::uint8_t {
  None,
  NotANumber,  // the text does not follow the grammar under the options
  OutOfRange,  // a number, but beyond a double, a long long or [lowest, highest]
};

// Reads text as a decimal number into value; on failure returns the reason
// and leaves value unchanged.
DecimalTextError ParseDecimal(std::string_view text, double& value,
                              const DecimalOptions& options = {});
// The same for a whole number (options.wholeNumber is implied), read exactly
// over the whole range of long long.
DecimalTextError ParseDecimal(std::string_view text, long long& value,
                              const DecimalOptions& options = {});
// Whether text follows the grammar under the options, whatever its value
// (1e400 does): cheaper than reading it.
bool IsDecimalText(std::string_view text, const DecimalOptions& options = {});

// A blank of a typed field or a text line: a space or a tab.
inline bool IsBlank(char c) { return c == ' ' || c == '\t'; }
// text without the blanks at either end.
inline std::string_view TrimBlanks(std::string_view text) {
  while (!text.empty() && IsBlank(text.front())) text.remove_prefix(1);
  while (!text.empty() && IsBlank(text.back())) text.remove_suffix(1);
  return text;
}

}  // namespace karvento
