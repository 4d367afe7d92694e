// SPDX-License-Identifier: Apache-2.0
// The browser build's decimal text of doubles against the native library's:
// the same bytes for every form the program writes, and the same value and
// outcome for every text it reads. Built with the browser's routines
// (KARVENTO_PORTABLE_FLOAT_CHARS), linked with nothing else of the program.
#include <gtest/gtest.h>

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <limits>
#include <random>
#include <string>
#include <vector>

#include "geodesy/float_chars.h"

namespace karvento {
namespace {

struct Form {
  const char* name;
  bool hasFormat;
  std::chars_format fmt;
  int precision;  // < 0: none
};

std::string Native(double v, const Form& f) {
  char buf[512];
  std::to_chars_result r{};
  if (!f.hasFormat) {
    r = std::to_chars(buf, buf + sizeof buf, v);
  } else if (f.precision < 0) {
    r = std::to_chars(buf, buf + sizeof buf, v, f.fmt);
  } else {
    r = std::to_chars(buf, buf + sizeof buf, v, f.fmt, f.precision);
  }
  return std::string(buf, r.ptr);
}

std::string Portable(double v, const Form& f) {
  char buf[512];
  std::to_chars_result r{};
  if (!f.hasFormat) {
    r = FloatToChars(buf, buf + sizeof buf, v);
  } else if (f.precision < 0) {
    r = FloatToChars(buf, buf + sizeof buf, v, f.fmt);
  } else {
    r = FloatToChars(buf, buf + sizeof buf, v, f.fmt, f.precision);
  }
  return std::string(buf, r.ptr);
}

// Coordinates, counts, seconds of arc and the awkward values around them:
// powers of ten, halves that round, the largest and smallest doubles.
std::vector<double> Values() {
  std::vector<double> v = {0.0,      -0.0,    1.0,     0.5,       0.125,  2.5,    0.0001,
                           1e-5,     1e15,    1e16,    1e21,      1e22,   1e23,   123456789012345680.0,
                           3810.0,   25.5,    0.005,   0.015,     1.005,  2.675,  39.9,
                           116.391,  4411215.123456, 20500000.0, 39000000.0, 7.2e103, 5e-324,
                           std::numeric_limits<double>::max(), std::numeric_limits<double>::min(),
                           1.0 / 3.0, 2.0 / 3.0, 0.1 + 0.2, 1e-7, 9.999999999999999e22};
  std::mt19937_64 rng(20261208);
  std::uniform_real_distribution<double> plane(-1e8, 1e8);
  std::uniform_real_distribution<double> seconds(0, 648000);
  for (int i = 0; i < 4000; ++i) {
    v.push_back(plane(rng));
    v.push_back(seconds(rng) / 3600);
    v.push_back(std::bit_cast<double>(rng() & 0x7FEFFFFFFFFFFFFFULL));  // any finite magnitude
  }
  const std::size_t n = v.size();
  for (std::size_t i = 0; i < n; ++i) v.push_back(-v[i]);
  return v;
}

TEST(FloatChars, WritesTheNativeLibrarysBytesInEveryForm) {
  const Form forms[] = {
      {"shortest", false, std::chars_format::general, -1},
      {"fixed shortest", true, std::chars_format::fixed, -1},
      {"fixed 0", true, std::chars_format::fixed, 0},
      {"fixed 2", true, std::chars_format::fixed, 2},
      {"fixed 3", true, std::chars_format::fixed, 3},
      {"fixed 6", true, std::chars_format::fixed, 6},
      {"scientific 14", true, std::chars_format::scientific, 14},
      {"general 15", true, std::chars_format::general, 15},  // the DXF drawing's numbers
      {"general 16", true, std::chars_format::general, 16},
  };
  for (const Form& f : forms) {
    int mismatches = 0;
    for (double v : Values()) {
      if (f.hasFormat && f.fmt == std::chars_format::fixed && std::fabs(v) > 1e300) continue;
      const std::string want = Native(v, f);
      const std::string got = Portable(v, f);
      if (want != got && ++mismatches <= 5) {
        ADD_FAILURE() << f.name << ": " << want << " written as " << got;
      }
    }
    EXPECT_EQ(mismatches, 0) << f.name;
  }
}

TEST(FloatChars, ReadsAsTheNativeLibraryReads) {
  const char* texts[] = {"0",       "39.9",  "116.391",   "1e308", "1e309",  "1e-400", "2.5e-324",
                         "0.000",   "-0",    "4411215.5", "1.",    ".5",     "1e",     "abc",
                         "12a",     "inf",   "nan",       "1e+5",  "0x10",   "",       "9" "9999999999999999999999"};
  for (const char* t : texts) {
    const std::string s(t);
    double want = -1, got = -1;
    const auto a = std::from_chars(s.data(), s.data() + s.size(), want);
    const auto b = FloatFromChars(s.data(), s.data() + s.size(), got);
    EXPECT_EQ(a.ec, b.ec) << s;
    EXPECT_EQ(a.ptr - s.data(), b.ptr - s.data()) << s;
    if (a.ec == std::errc()) {
      EXPECT_EQ(std::bit_cast<std::uint64_t>(want), std::bit_cast<std::uint64_t>(got)) << s;
    }
  }
}

}  // namespace
}  // namespace karvento
