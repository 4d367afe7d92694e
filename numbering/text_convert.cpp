// SPDX-License-Identifier: Apache-2.0
// Text routines shared by the sheet-number parsers and the file readers.
#include <charconv>
#include <cmath>
#include <limits>
#include <string>

#include "geodesy/decimal_text.h"
#include "geodesy/float_chars.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {

std::string SheetNumberInCapitals(std::string text) {
  for (char& c : text) {
    if (c >= 'a' && c <= 'z') c = static_cast<char>(c - 'a' + 'A');
  }
  return text;
}

std::string FormatCount(double count) {
  char digits[64];
  if (!(std::fabs(count) < 1e18)) {
    const auto end = FloatToChars(digits, digits + sizeof digits, count);
    return std::string(digits, end.ptr);
  }
  const auto end =
      std::to_chars(digits, digits + sizeof digits, static_cast<long long>(std::llround(count)));
  std::string_view plain(digits, static_cast<std::size_t>(end.ptr - digits));
  std::string grouped;
  if (plain.front() == '-') {
    grouped += '-';
    plain.remove_prefix(1);
  }
  for (std::size_t i = 0; i < plain.size(); ++i) {
    if (i > 0 && (plain.size() - i) % 3 == 0) grouped += ',';
    grouped += plain[i];
  }
  return grouped;
}

namespace {

// A number in a file or a piece of a sheet number may stand between spaces.
// Too small a value for a double is zero; too large a one is no value at all.
constexpr DecimalOptions kFloatText{.leadingBlanks = " ", .trailingBlanks = " ", .tinyIsZero = true};
// Spaces may stand before a whole number, never after it ("5 " is no integer),
// and it fits 32 bits.
constexpr DecimalOptions kIntegerText{.leadingBlanks = " ",
                                      .lowest = std::numeric_limits<int>::min(),
                                      .highest = std::numeric_limits<int>::max()};

// The text as a message quotes it. A message is shown as it stands, so it
// must be UTF-8; a piece of a sheet number is cut at byte positions and may
// hold part of a character, and a line read from a file may be no text at
// all. Every byte that is not part of a well-formed UTF-8 sequence is shown
// as U+FFFD; well-formed text is quoted unchanged.
std::string Quoted(std::string_view s) {
  std::string out;
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;  // continuation bytes
    char32_t cp = 0;
    if (c < 0x80) {
      out += s[i++];
      continue;
    }
    if (c >= 0xC2 && c <= 0xDF) {
      n = 1, cp = c & 0x1Fu;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2, cp = c & 0x0Fu;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3, cp = c & 0x07u;
    }
    bool ok = n > 0 && i + n < s.size();
    for (std::size_t k = 1; ok && k <= n; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      ok = (d & 0xC0u) == 0x80u;
      cp = (cp << 6) | (d & 0x3Fu);
    }
    // No overlong form, no surrogate, nothing beyond U+10FFFF.
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    ok = ok && cp >= least[n] && cp <= 0x10FFFF && !(cp >= 0xD800 && cp <= 0xDFFF);
    if (ok) {
      out.append(s.substr(i, n + 1));
      i += n + 1;
    } else {
      out += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return out;
}

}  // namespace

std::vector<std::string> SplitString(std::string_view text, char delimiter) {
  std::vector<std::string> pieces;
  std::string_view s = text;
  for (std::size_t p = s.find(delimiter); p != std::string_view::npos; p = s.find(delimiter)) {
    pieces.emplace_back(s.substr(0, p));
    s.remove_prefix(p + 1);
  }
  // The rest counts only when something other than blanks and control
  // characters is left; it is then kept as it stands.
  for (char c : s) {
    if (static_cast<unsigned char>(c) > ' ') {
      pieces.emplace_back(s);
      break;
    }
  }
  return pieces;
}

bool IsFloatText(std::string_view text) { return IsDecimalText(text, kFloatText); }

int StrToInt(std::string_view text) {
  long long value = 0;
  if (ParseDecimal(text, value, kIntegerText) != DecimalTextError::None) {
    throw Error(Message(msg::kNotAnInteger, {Quoted(text)}));
  }
  return static_cast<int>(value);
}

double StrToFloat(std::string_view text) {
  double value = 0;
  if (ParseDecimal(text, value, kFloatText) != DecimalTextError::None) {
    throw Error(Message(msg::kNotAFloat, {Quoted(text)}));
  }
  return value;
}

}  // namespace karvento
