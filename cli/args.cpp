// SPDX-License-Identifier: Apache-2.0
#include "cli/args.h"
#include "cli/i18n.h"

#include <charconv>
#include <cmath>
#include <limits>

#include "geodesy/angle_text.h"
#include "geodesy/decimal_text.h"
#include "numbering/scales.h"

namespace karvento::cli {

Args::Args(const std::vector<std::string>& words, const std::vector<OptionSpec>& known) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
    // -h is --help and -q --quiet, on every command that has them, as GNU
    // tools have it.
    if (w == "-h" || w == "-q") {
      const std::string_view longName = w == "-h" ? "help" : "quiet";
      bool known_here = false;
      for (const OptionSpec& k : known) known_here = known_here || longName == k.name;
      if (known_here) {
        values_[std::string(longName)];
        continue;
      }
    }
    if (w.size() < 3 || w.compare(0, 2, "--") != 0) {
      positional_.push_back(w);
      continue;
    }
    std::string name = w.substr(2), value;
    const std::size_t eq = name.find('=');
    const bool inlineValue = eq != std::string::npos;
    if (inlineValue) {
      value = name.substr(eq + 1);
      name.resize(eq);
    }
    const OptionSpec* option = nullptr;
    for (const OptionSpec& k : known) {
      if (name == k.name) option = &k;
    }
    if (!option) throw UsageError(TrFormat("未知的选项 --%s", {name}));
    if (option->takesValue && !inlineValue) {
      if (i + 1 >= words.size()) throw UsageError(TrFormat("选项 --%s 需要一个值", {name}));
      value = words[++i];
    } else if (!option->takesValue && inlineValue) {
      throw UsageError(TrFormat("选项 --%s 不带值", {name}));
    }
    values_[name] = value;
  }
}

bool Args::Has(std::string_view name) const { return values_.find(name) != values_.end(); }

std::optional<std::string> Args::Value(std::string_view name) const {
  const auto it = values_.find(name);
  if (it == values_.end()) return std::nullopt;
  return it->second;
}

double ParseNumber(std::string_view text, std::string_view what) {
  double v = 0;
  if (ParseDecimal(text, v) != DecimalTextError::None) {
    throw UsageError(TrFormat("%s：“%s”不是数字", {what, text}));
  }
  return v;
}

int ParseInteger(std::string_view text, std::string_view what) {
  // As C's integers are written: a minus but no plus, within 32 bits.
  constexpr DecimalOptions kInt{.sign = DecimalSign::MinusOnly,
                                .lowest = std::numeric_limits<int>::min(),
                                .highest = std::numeric_limits<int>::max()};
  long long v = 0;
  if (ParseDecimal(text, v, kInt) != DecimalTextError::None) {
    throw UsageError(TrFormat("%s：“%s”不是整数", {what, text}));
  }
  return static_cast<int>(v);
}

TAngleDMS ParseAngle(std::string_view text, std::string_view what, bool decimalAsTyped,
                     AngleAxis axis) {
  TAngleDMS a;
  const auto fail = [&](const char* why) {
    return UsageError(TrFormat("%s：“%s”%s", {what, text, Tr(why)}));
  };
  switch (ParseAngleText(text, a, decimalAsTyped, axis)) {
    case AngleTextError::None:
      return a;
    case AngleTextError::TooManyFields:
      throw fail(N_("多于三段"));
    case AngleTextError::MarkOutOfPlace:
      throw fail(N_("的度、分或秒符号位置不对"));
    case AngleTextError::SouthOrWest:
      throw fail(N_("是南纬或西经：图幅只在北半球和东半球编号"));
    case AngleTextError::WrongHemisphere:
      throw fail(N_("的半球标记与该坐标不符"));
    case AngleTextError::FractionNotLast:
      throw fail(N_("在最后一段之前有小数"));
    case AngleTextError::Empty:
    case AngleTextError::NotANumber:
      break;
  }
  throw fail(N_("不是数字"));
}

namespace {

std::string Shortest(double v) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

}  // namespace

double ParseNumberIn(std::string_view text, std::string_view what, double lowest, double highest) {
  const double v = ParseNumber(text, what);
  if (!(v >= lowest && v <= highest)) {
    throw UsageError(TrFormat("%s：“%s”超出 %s 至 %s 的范围", {what, text, Shortest(lowest), Shortest(highest)}));
  }
  return v;
}

double ParseCentralMeridian(std::string_view text, double highest) {
  double cm = 0;
  switch (ParseMeridianText(text, cm, highest)) {
    case MeridianTextError::None:
      return cm;
    case MeridianTextError::NotAnAngle:
      throw UsageError(TrFormat("%s：“%s”不是数字", {"--cm", text}));
    case MeridianTextError::OutOfRange:
      break;
  }
  throw UsageError(TrFormat("%s：“%s”超出 %s 至 %s 的范围", {"--cm", text, Shortest(0), Shortest(highest)}));
}

TAngleDMS ParseCornerAngle(std::string_view text, double maxDegrees, std::string_view what,
                           bool decimalAsTyped) {
  // The corner fields' limits tell a longitude (180) from a latitude (90).
  const TAngleDMS a = ParseAngle(text, what, decimalAsTyped,
                                 maxDegrees > 90 ? AngleAxis::Longitude : AngleAxis::Latitude);
  // Each field within its limits, and the whole angle too: 90:59:60 is 91°.
  if (!(a.Degrees >= 0 && a.Degrees <= maxDegrees && a.Minutes >= 0 && a.Minutes <= 59 &&
        a.Seconds >= 0 && a.Seconds <= 60 && DmsToSec(a) <= maxDegrees * 3600)) {
    throw UsageError(
        TrFormat("%s：“%s”超出 0 至 %s 度（0 至 59 分，0 至 60 秒）的范围", {what, text, Shortest(maxDegrees)}));
  }
  return a;
}

TLonLatDMS ParsePoint(std::string_view text, std::string_view what) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    throw UsageError(TrFormat("%s：“%s”不是 经度,纬度", {what, text}));
  }
  return {ParseCornerAngle(text.substr(0, comma), 180, what),
          ParseCornerAngle(text.substr(comma + 1), 90, what)};
}

int ParseScale(std::string_view text) {
  for (int s = 0; s < kScaleCount; ++s) {
    const std::string denominator = std::to_string(kScaleDenominators[s]);
    if (text == kScaleCaptions[s] || text == denominator || text == "1:" + denominator) return s;
  }
  std::string all;
  for (const std::string_view caption : kScaleCaptions) (all += ' ') += caption;
  throw UsageError(TrFormat("--scale：“%s”不是%s 之一", {text, all}));
}

}  // namespace karvento::cli
