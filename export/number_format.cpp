// SPDX-License-Identifier: Apache-2.0
#include "export/number_format.h"

#include <bit>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "geodesy/float_chars.h"

namespace karvento {
namespace {

constexpr int kDigits = 15;

// Writes a number given by its significant digits (digits[0] non-zero, no
// trailing zeros, count ≥ 1) and the decimal exponent of the first digit.
char* EmitDigits(bool negative, const char* digits, int count, int exp10, char* out) {
  if (negative) *out++ = '-';
  if (exp10 < -4 || exp10 >= kDigits) {
    *out++ = digits[0];
    if (count > 1) {
      *out++ = '.';
      std::memcpy(out, digits + 1, count - 1);
      out += count - 1;
    }
    *out++ = 'E';
    return std::to_chars(out, out + 8, exp10).ptr;
  }
  if (exp10 < 0) {
    *out++ = '0';
    *out++ = '.';
    for (int i = -1; i > exp10; --i) *out++ = '0';
    std::memcpy(out, digits, count);
    return out + count;
  }
  const int whole = exp10 + 1;
  if (count <= whole) {
    std::memcpy(out, digits, count);
    out += count;
    for (int i = count; i < whole; ++i) *out++ = '0';
    return out;
  }
  std::memcpy(out, digits, whole);
  out += whole;
  *out++ = '.';
  std::memcpy(out, digits + whole, count - whole);
  return out + (count - whole);
}

char* EmitSpecial(double v, char* out) {
  const char* text = std::isnan(v) ? "NAN" : (v < 0 ? "-INF" : "INF");
  const std::size_t n = std::strlen(text);
  std::memcpy(out, text, n);
  return out + n;
}

constexpr std::uint64_t kPow5[19] = {
    1ULL, 5ULL, 25ULL, 125ULL, 625ULL, 3125ULL, 15625ULL, 78125ULL, 390625ULL,
    1953125ULL, 9765625ULL, 48828125ULL, 244140625ULL, 1220703125ULL, 6103515625ULL,
    30517578125ULL, 152587890625ULL, 762939453125ULL, 3814697265625ULL};
constexpr double kPow10[] = {1e-4, 1e-3, 1e-2, 1e-1, 1e0, 1e1, 1e2, 1e3, 1e4, 1e5,
                             1e6,  1e7,  1e8,  1e9,  1e10, 1e11, 1e12, 1e13, 1e14, 1e15};
constexpr std::uint64_t kLow15 = 100000000000000ULL;   // 1E14
constexpr std::uint64_t kHigh15 = 1000000000000000ULL;  // 1E15

// floor(|v| · 10^s) and the rounding decision, exactly: |v| = m · 2^q with a
// 53-bit m, so |v| · 10^s = m · 5^s · 2^(q+s), an integer product shifted by a
// power of two. With s ≤ 18 the product stays below 2^96.
// GCC and Clang provide 128-bit integers on 64-bit targets; __extension__
// marks the one use of the extension.
__extension__ typedef unsigned __int128 U128;

struct Scaled {
  std::uint64_t floor;
  bool roundUp;
};

Scaled ScaleExact(std::uint64_t m, int q, int s) {
  const U128 p = static_cast<U128>(m) * kPow5[s];
  const int shift = -(q + s);
  if (shift <= 0) return {static_cast<std::uint64_t>(p << -shift), false};
  const U128 f = p >> shift;
  const U128 rem = p - (f << shift);
  const U128 half = static_cast<U128>(1) << (shift - 1);
  // Ties go to the even neighbour, as printf-style formatting does.
  const bool up = rem > half || (rem == half && (f & 1) != 0);
  return {static_cast<std::uint64_t>(f), up};
}

// "00" to "99".
constexpr char kPairs[] =
    "00010203040506070809101112131415161718192021222324252627282930313233343536373839"
    "40414243444546474849505152535455565758596061626364656667686970717273747576777879"
    "8081828384858687888990919293949596979899";

void PutPair(char* p, std::uint32_t v) { std::memcpy(p, kPairs + 2 * v, 2); }

// The 15 digits of 10^14 ≤ n < 10^15, in two 32-bit halves of 7 and 8
// digits, two digits at a time.
void Write15Digits(std::uint64_t n, char* out) {
  const auto hi = static_cast<std::uint32_t>(n / 100000000);
  const auto lo = static_cast<std::uint32_t>(n % 100000000);
  out[0] = static_cast<char>('0' + hi / 1000000);
  const std::uint32_t h = hi % 1000000;
  PutPair(out + 1, h / 10000);
  PutPair(out + 3, h / 100 % 100);
  PutPair(out + 5, h % 100);
  PutPair(out + 7, lo / 1000000);
  PutPair(out + 9, lo / 10000 % 100);
  PutPair(out + 11, lo / 100 % 100);
  PutPair(out + 13, lo % 100);
}

}  // namespace

namespace detail {

char* FormatGeneralByToChars(double v, char* out) {
  if (!std::isfinite(v)) return EmitSpecial(v, out);
  if (v == 0) {
    *out = '0';
    return out + 1;
  }
  // d.dddddddddddddde±xx: 15 significant digits, correctly rounded.
  char buf[40];
  const auto r = FloatToChars(buf, buf + sizeof buf, std::fabs(v), std::chars_format::scientific,
                               kDigits - 1);
  char digits[kDigits];
  digits[0] = buf[0];
  std::memcpy(digits + 1, buf + 2, kDigits - 1);
  int exp10 = 0;
  std::from_chars(buf + kDigits + 2 + (buf[kDigits + 2] == '+' ? 1 : 0), r.ptr, exp10);
  int count = kDigits;
  while (count > 1 && digits[count - 1] == '0') --count;
  return EmitDigits(v < 0, digits, count, exp10, out);
}

}  // namespace detail

char* FormatGeneral(double v, char* out) {
  const double a = std::fabs(v);
  // The exact path covers the fixed-point range; every value outside it (and
  // NaN, which fails both comparisons) takes the library path.
  if (!(a >= 1e-4 && a < 1e15)) return detail::FormatGeneralByToChars(v, out);

  const std::uint64_t bits = __builtin_bit_cast(std::uint64_t, a);
  const std::uint64_t m = (bits & ((1ULL << 52) - 1)) | (1ULL << 52);
  const int q = static_cast<int>(bits >> 52) - 1075;

  // Decimal exponent of the first digit: a first guess from the table, then
  // checked on the exact scaled value, which must have 15 integer digits.
  // a lies in [2^b, 2^(b+1)), so its decimal exponent is floor(b·log10 2)
  // or one more; 78913 / 2^18 is log10 2 to within 2e-7, exact enough for
  // every b of this range.
  const int b = static_cast<int>(bits >> 52) - 1023;
  int e = (b * 78913) >> 18;
  if (e < 14 && a >= kPow10[e + 5]) ++e;
  if (e < -4) e = -4;
  Scaled sc = ScaleExact(m, q, 14 - e);
  if (sc.floor >= kHigh15) {
    ++e;
    sc = ScaleExact(m, q, 14 - e);
  } else if (sc.floor < kLow15) {
    --e;
    sc = ScaleExact(m, q, 14 - e);
  }
  std::uint64_t n = sc.floor + (sc.roundUp ? 1 : 0);
  if (n == kHigh15) {  // 99999.99999999999 rounds up to the next power of ten
    n = kLow15;
    ++e;
  }
  if (e >= kDigits) {  // rounded up to 1E15
    const char one[] = "1";
    return EmitDigits(v < 0, one, 1, e, out);
  }
  if (v < 0) *out++ = '-';
  // The digits are written where they end up, so that nothing is copied in
  // blocks right after being stored in pairs (a stall on current CPUs).
  if (e < 0) {
    std::memcpy(out, "0.0000", 6);
    char* p = out + 1 - e;  // after "0." and -e - 1 zeros
    Write15Digits(n, p);
    int count = kDigits;
    while (p[count - 1] == '0') --count;
    return p + count;
  }
  // Integer part shifted left over the first place, the point after it.
  const int whole = e + 1;
  Write15Digits(n, out + 1);
  for (int i = 0; i < whole; ++i) out[i] = out[i + 1];
  int count = kDigits;
  while (count > whole && out[count] == '0') --count;
  if (count == whole) return out + whole;
  out[whole] = '.';
  return out + count + 1;
}

void AppendGeneral(std::string& text, double v) {
  char buf[kGeneralNumberMaxLength];
  text.append(buf, FormatGeneral(v, buf));
}

std::string GeneralText(double v) {
  char buf[kGeneralNumberMaxLength];
  return std::string(buf, FormatGeneral(v, buf));
}

}  // namespace karvento
