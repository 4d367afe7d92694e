#include "cli/args.h"

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
    // -h is --help, on every command, as GNU tools have it.
    if (w == "-h") {
      for (const OptionSpec& k : known) {
        if (std::string_view(k.name) == "help") values_["help"];
      }
      if (Has("help")) continue;
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
    if (!option) throw UsageError("unknown option --" + name);
    if (option->takesValue && !inlineValue) {
      if (i + 1 >= words.size()) throw UsageError("option --" + name + " needs a value");
      value = words[++i];
    } else if (!option->takesValue && inlineValue) {
      throw UsageError("option --" + name + " takes no value");
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
    throw UsageError(std::string(what) + ": '" + std::string(text) + "' is not a number");
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
    throw UsageError(std::string(what) + ": '" + std::string(text) + "' is not a whole number");
  }
  return static_cast<int>(v);
}

TAngleDMS ParseAngle(std::string_view text, std::string_view what, bool decimalAsTyped,
                     AngleAxis axis) {
  TAngleDMS a;
  const auto fail = [&](const char* why) {
    return UsageError(std::string(what) + ": '" + std::string(text) + "' " + why);
  };
  switch (ParseAngleText(text, a, decimalAsTyped, axis)) {
    case AngleTextError::None:
      return a;
    case AngleTextError::TooManyFields:
      throw fail("has more than three fields");
    case AngleTextError::MarkOutOfPlace:
      throw fail("has a degree, minute or second mark out of place");
    case AngleTextError::SouthOrWest:
      throw fail("is south or west: sheets are numbered in the northern and eastern hemispheres only");
    case AngleTextError::WrongHemisphere:
      throw fail("has a hemisphere that does not fit the coordinate");
    case AngleTextError::FractionNotLast:
      throw fail("has a fraction before its last field");
    case AngleTextError::Empty:
    case AngleTextError::NotANumber:
      break;
  }
  throw fail("is not a number");
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
    throw UsageError(std::string(what) + ": '" + std::string(text) + "' is outside " +
                     Shortest(lowest) + " to " + Shortest(highest));
  }
  return v;
}

TAngleDMS ParseCornerAngle(std::string_view text, double maxDegrees, std::string_view what,
                           bool decimalAsTyped) {
  // The corner fields' limits tell a longitude (180) from a latitude (90).
  const TAngleDMS a = ParseAngle(text, what, decimalAsTyped,
                                 maxDegrees > 90 ? AngleAxis::Longitude : AngleAxis::Latitude);
  // Each field within its limits, and the whole angle too: 90:59:60 is 91°.
  if (!(a.Degrees >= 0 && a.Degrees <= maxDegrees && a.Minutes >= 0 && a.Minutes <= 59 &&
        a.Seconds >= 0 && a.Seconds <= 60 && DmsToSec(a) <= maxDegrees * 3600)) {
    throw UsageError(std::string(what) + ": '" + std::string(text) + "' is outside 0 to " +
                     Shortest(maxDegrees) + " degrees (0 to 59 minutes, 0 to 60 seconds)");
  }
  return a;
}

TLonLatDMS ParsePoint(std::string_view text, std::string_view what) {
  const std::size_t comma = text.find(',');
  if (comma == std::string_view::npos) {
    throw UsageError(std::string(what) + ": '" + std::string(text) + "' is not LON,LAT");
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
  throw UsageError("--scale: '" + std::string(text) + "' is none of" + all);
}

}  // namespace karvento::cli
