// SPDX-License-Identifier: Apache-2.0
#include "geodesy/decimal_text.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

namespace karvento {
namespace {

constexpr DecimalTextError kOk = DecimalTextError::None;
constexpr DecimalTextError kNaN = DecimalTextError::NotANumber;
constexpr DecimalTextError kRange = DecimalTextError::OutOfRange;

constexpr DecimalOptions kPlain{};
constexpr DecimalOptions kSpaces{.leadingBlanks = " ", .trailingBlanks = " "};
constexpr DecimalOptions kLeadingBlanks{.leadingBlanks = " \t"};
constexpr DecimalOptions kUnsigned{.sign = DecimalSign::None};
constexpr DecimalOptions kMinusOnly{.sign = DecimalSign::MinusOnly};
constexpr DecimalOptions kComma{.decimalComma = true};
constexpr DecimalOptions kWhole{.wholeNumber = true};
constexpr DecimalOptions kTinyIsZero{.tinyIsZero = true};
constexpr DecimalOptions kZeroToTen{.lowest = 0, .highest = 10};
constexpr DecimalOptions kInt{.lowest = std::numeric_limits<int>::min(),
                              .highest = std::numeric_limits<int>::max()};

const std::string k400Zeros(400, '0');

TEST(DecimalText, OneGrammarUnderEachOption) {
  const struct {
    std::string text;
    DecimalOptions options;
    DecimalTextError error;
    double value;
  } cases[] = {
      // The grammar.
      {"12.5", kPlain, kOk, 12.5},
      {"12.", kPlain, kOk, 12},
      {".5", kPlain, kOk, 0.5},
      {"1E-2", kPlain, kOk, 0.01},
      {"2.5e+3", kPlain, kOk, 2500},
      {"-0", kPlain, kOk, -0.0},
      {"", kPlain, kNaN, 0},
      {".", kPlain, kNaN, 0},
      {"1e", kPlain, kNaN, 0},
      {"1e+", kPlain, kNaN, 0},
      {"1.2.3", kPlain, kNaN, 0},
      {"inf", kPlain, kNaN, 0},
      {"nan", kPlain, kNaN, 0},
      {"0x10", kPlain, kNaN, 0},
      {"1,000", kPlain, kNaN, 0},
      // Signs: one at most, and only those allowed.
      {"+7", kPlain, kOk, 7},
      {"--5", kPlain, kNaN, 0},
      {"+-5", kPlain, kNaN, 0},
      {"+7", kMinusOnly, kNaN, 0},
      {"-7", kMinusOnly, kOk, -7},
      {"-7", kUnsigned, kNaN, 0},
      {"7", kUnsigned, kOk, 7},
      // Blanks only where the options allow them.
      {" 5", kPlain, kNaN, 0},
      {" 5 ", kSpaces, kOk, 5},
      {"\t5", kSpaces, kNaN, 0},
      {"\t 5", kLeadingBlanks, kOk, 5},
      {"5 ", kLeadingBlanks, kNaN, 0},
      {"- 5", kSpaces, kNaN, 0},
      // A decimal comma, still one mark at most.
      {"30,5", kComma, kOk, 30.5},
      {"30.5", kComma, kOk, 30.5},
      {",5", kComma, kOk, 0.5},
      {"1,5.2", kComma, kNaN, 0},
      {"1,,5", kComma, kNaN, 0},
      // Whole numbers.
      {"42", kWhole, kOk, 42},
      {"4.0", kWhole, kNaN, 0},
      {"4e2", kWhole, kNaN, 0},
      // Beyond a double: too large always out of range, too small only
      // without tinyIsZero; which one it is follows from digits and exponent.
      {"1e400", kPlain, kRange, 0},
      {"1e400", kTinyIsZero, kRange, 0},
      {"1e-400", kPlain, kRange, 0},
      {"1e-400", kTinyIsZero, kOk, 0},
      {"-1e-400", kTinyIsZero, kOk, -0.0},
      {"0." + k400Zeros + "1", kTinyIsZero, kOk, 0},
      {"1" + k400Zeros + "e-10", kTinyIsZero, kRange, 0},
      {"0.001e-322", kTinyIsZero, kOk, 0},
      {"1e99999999999999999999999", kTinyIsZero, kRange, 0},
      // A range, ends included.
      {"10", kZeroToTen, kOk, 10},
      {"-0", kZeroToTen, kOk, -0.0},
      {"10.5", kZeroToTen, kRange, 0},
      {"-1e-9", kZeroToTen, kRange, 0},
  };
  for (const auto& c : cases) {
    double value = 99;
    EXPECT_EQ(ParseDecimal(c.text, value, c.options), c.error) << c.text;
    EXPECT_EQ(IsDecimalText(c.text, c.options), c.error != kNaN) << c.text;
    if (c.error == kOk) {
      EXPECT_EQ(value, c.value) << c.text;
      EXPECT_EQ(std::signbit(value), std::signbit(c.value)) << c.text;
    } else {
      EXPECT_EQ(value, 99) << c.text << " changed the value";
    }
  }
}

TEST(DecimalText, WholeNumbersExactOverLongLong) {
  const struct {
    std::string text;
    DecimalOptions options;
    DecimalTextError error;
    long long value;
  } cases[] = {
      {"9223372036854775807", kPlain, kOk, std::numeric_limits<long long>::max()},
      {"-9223372036854775808", kPlain, kOk, std::numeric_limits<long long>::min()},
      {"9223372036854775808", kPlain, kRange, 0},
      {"-9223372036854775809", kPlain, kRange, 0},
      {"99999999999999999999999", kPlain, kRange, 0},
      {"0000000000000000000000042", kPlain, kOk, 42},
      {"-2147483648", kInt, kOk, std::numeric_limits<int>::min()},
      {"2147483648", kInt, kRange, 0},
      {"1.0", kPlain, kNaN, 0},
      {"1e3", kPlain, kNaN, 0},
      {"+3", kMinusOnly, kNaN, 0},
      {" 3", kLeadingBlanks, kOk, 3},
      {"3 ", kLeadingBlanks, kNaN, 0},
  };
  for (const auto& c : cases) {
    long long value = 99;
    EXPECT_EQ(ParseDecimal(c.text, value, c.options), c.error) << c.text;
    EXPECT_EQ(value, c.error == kOk ? c.value : 99) << c.text;
  }
}

}  // namespace
}  // namespace karvento
