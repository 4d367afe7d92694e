// SPDX-License-Identifier: Apache-2.0
#include "workbench/display_format.h"

#include <charconv>
#include <cmath>
#include <system_error>

namespace karvento {
namespace {

struct Section {
  std::string_view prefix;  // text before the first digit placeholder
  std::string_view suffix;  // text after the last one
  bool thousands = false;
  int decimals = 0;
};

Section ParseSection(std::string_view s) {
  Section r;
  const auto first = s.find_first_of("0#,.");
  if (first == std::string_view::npos) {
    r.prefix = s;
    return r;
  }
  const auto last = s.find_last_of("0#,.");
  r.prefix = s.substr(0, first);
  r.suffix = s.substr(last + 1);
  const std::string_view body = s.substr(first, last + 1 - first);
  const auto point = body.find('.');
  const std::string_view whole = body.substr(0, point);
  r.thousands = whole.find(',') != std::string_view::npos;
  if (point != std::string_view::npos) {
    for (char c : body.substr(point + 1)) {
      if (c == '0' || c == '#') ++r.decimals;
    }
  }
  return r;
}

// The magnitude with the section's decimals and separators, no sign.
std::string Digits(double magnitude, const Section& s) {
  magnitude = RoundToDecimals(magnitude, s.decimals);
  char buf[400];
  const auto res =
      std::to_chars(buf, buf + sizeof buf, magnitude, std::chars_format::fixed, s.decimals);
  std::string_view text(buf, res.ec == std::errc() ? static_cast<std::size_t>(res.ptr - buf) : 0);
  const auto point = text.find('.');
  const std::string_view whole = text.substr(0, point);
  std::string out;
  out.reserve(text.size() + whole.size() / 3);
  for (std::size_t i = 0; i < whole.size(); ++i) {
    if (s.thousands && i > 0 && (whole.size() - i) % 3 == 0) out += ',';
    out += whole[i];
  }
  if (point != std::string_view::npos) out += text.substr(point);
  return out;
}

bool IsAllZero(std::string_view digits) {
  for (char c : digits) {
    if (c >= '1' && c <= '9') return false;
  }
  return true;
}

}  // namespace

double RoundToDecimals(double value, int decimals) {
  if (!std::isfinite(value)) return value;
  const double scale = std::pow(10.0, decimals);
  const double scaled = value * scale;
  // Beyond 2^52 a double has no fractional part left to round.
  if (std::fabs(scaled) >= 4503599627370496.0) return value;
  return std::round(scaled) / scale;
}

std::string FormatFloat(std::string_view pattern, double value) {
  if (std::isnan(value)) return "NAN";
  if (std::isinf(value)) return value > 0 ? "INF" : "-INF";
  const auto semi = pattern.find(';');
  const Section positive = ParseSection(pattern.substr(0, semi));
  if (value < 0) {
    if (semi != std::string_view::npos) {
      const Section negative = ParseSection(pattern.substr(semi + 1));
      const std::string d = Digits(-value, negative);
      if (!IsAllZero(d)) return std::string(negative.prefix) + d + std::string(negative.suffix);
    } else {
      const std::string d = Digits(-value, positive);
      if (!IsAllZero(d)) {
        return std::string(positive.prefix) + "-" + d + std::string(positive.suffix);
      }
    }
    value = 0;
  }
  return std::string(positive.prefix) + Digits(value, positive) + std::string(positive.suffix);
}

}  // namespace karvento
