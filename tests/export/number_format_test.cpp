// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>

#include "export/number_format.h"

namespace karvento {
namespace {

std::string Reference(double v) {
  char buf[kGeneralNumberMaxLength];
  return std::string(buf, detail::FormatGeneralByToChars(v, buf));
}

TEST(NumberFormat, GeneralFormTable) {
  struct Case { double v; const char* text; } cases[] = {
      // Whole numbers: no decimal point.
      {0, "0"}, {-0.0, "0"}, {1, "1"}, {-1, "-1"}, {114, "114"}, {40, "40"},
      {500000, "500000"}, {-2500, "-2500"}, {39000000, "39000000"},
      // Trailing zeros dropped, "." as the point.
      {116.5, "116.5"}, {0.5, "0.5"}, {-0.25, "-0.25"}, {250.125, "250.125"},
      // Fifteen significant digits, rounded.
      {0.1 + 0.2, "0.3"}, {1.0 / 3, "0.333333333333333"}, {2.0 / 3, "0.666666666666667"},
      {-2.0 / 3, "-0.666666666666667"}, {39456992.4651234, "39456992.4651234"},
      {39456992.46512345678, "39456992.4651235"}, {4432017.123456789, "4432017.12345679"},
      {117.04166666666667, "117.041666666667"}, {1.0 / 24, "0.0416666666666667"},
      // Rounding that carries into a new leading digit.
      {99999.99999999999, "100000"}, {0.99999999999999999, "1"}, {9.9999999999999995, "10"},
      {-99999.99999999999, "-100000"}, {999999999999999.9, "1E15"},
      // The limits of the fixed form.
      {0.0001, "0.0001"}, {0.00012345, "0.00012345"}, {0.00005, "5E-5"}, {-2.5E-7, "-2.5E-7"},
      {0.000099999999999999999, "0.0001"}, {1E15, "1E15"}, {-1E15, "-1E15"},
      {999999999999999, "999999999999999"}, {123456789012345678.0, "1.23456789012346E17"},
      {1.5E300, "1.5E300"}, {4.9406564584124654E-324, "4.94065645841247E-324"},
      {std::numeric_limits<double>::max(), "1.79769313486232E308"},
      // Ties of the exact binary value go to the even digit.
      {100000000000000.5, "100000000000000"}, {100000000000001.5, "100000000000002"},
      {-123456789012344.5, "-123456789012344"}, {0.5000000000000005, "0.500000000000001"},
      // Not finite.
      {std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {std::numeric_limits<double>::infinity(), "INF"},
      {-std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(GeneralText(c.v), c.text) << "value " << std::hexfloat << c.v;
    EXPECT_EQ(Reference(c.v), c.text) << "library path, value " << std::hexfloat << c.v;
  }
}

TEST(NumberFormat, AppendsToTheCallersText) {
  std::string text = "Center ";
  text.reserve(64);
  const char* before = text.data();
  AppendGeneral(text, 117);
  text += ' ';
  AppendGeneral(text, 38.5);
  EXPECT_EQ(text, "Center 117 38.5");
  EXPECT_EQ(text.data(), before);  // no new block while the capacity suffices
}

// The exact integer path must give the library's digits for every double of
// the fixed range: random bit patterns over every binary exponent from 1e-4
// to 1e15, values just around the powers of ten, and exact ties.
TEST(NumberFormat, ExactPathAgreesWithTheLibrary) {
  std::mt19937_64 rng(20240601);
  int checked = 0;
  for (int binExp = -14; binExp <= 50; ++binExp) {
    for (int i = 0; i < 4000; ++i) {
      const double base = std::ldexp(1.0, binExp);
      const std::uint64_t frac = rng() & ((1ULL << 52) - 1);
      const double v = std::bit_cast<double>(std::bit_cast<std::uint64_t>(base) | frac);
      const double s = (i & 1) ? -v : v;
      ASSERT_EQ(GeneralText(s), Reference(s)) << std::hexfloat << s;
      ++checked;
    }
  }
  for (int k = -4; k <= 15; ++k) {
    const double p = std::pow(10.0, k);
    double v = p;
    for (int i = 0; i < 50; ++i) v = std::nextafter(v, 0.0);
    for (int i = 0; i < 100; ++i, v = std::nextafter(v, 1e300)) {
      ASSERT_EQ(GeneralText(v), Reference(v)) << std::hexfloat << v;
      ++checked;
    }
    // Near the 15-digit rounding boundary 0.999999999999999|5 × 10^k.
    double w = p * (1 - 5e-16);
    for (int i = 0; i < 40; ++i, w = std::nextafter(w, 1e300)) {
      ASSERT_EQ(GeneralText(w), Reference(w)) << std::hexfloat << w;
    }
  }
  // Exact binary ties at the 15th digit: n + 0.5 with a 15-digit n, and the
  // same scaled by powers of two (still exact, and ties at other digits).
  for (std::uint64_t n : {100000000000000ULL, 100000000000001ULL, 123456789012344ULL,
                          999999999999999ULL - 1}) {
    for (int shift = 0; shift <= 40; shift += 4) {
      const double v = (static_cast<double>(n) + 0.5) / std::ldexp(1.0, shift);
      ASSERT_EQ(GeneralText(v), Reference(v)) << std::hexfloat << v;
      ++checked;
    }
  }
  EXPECT_GT(checked, 250000);
}

}  // namespace
}  // namespace karvento
