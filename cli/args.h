// SPDX-License-Identifier: Apache-2.0
// Command-line arguments of karvento-cli: a command word, options of the
// form --name VALUE or --name=VALUE, flags, and positional words.
#pragma once

#include <map>
#include <optional>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/angle_text.h"
#include "geodesy/angles.h"

namespace karvento::cli {

// A mistake in how the tool was called: exit status 2.
class UsageError : public std::runtime_error {
 public:
  explicit UsageError(const std::string& m) : std::runtime_error(m) {}
};

struct OptionSpec {
  const char* name;  // without the leading dashes
  bool takesValue;
};

class Args {
 public:
  // Parses argv[first..] against the options a command knows. Throws
  // UsageError for an unknown option or a missing value.
  Args(const std::vector<std::string>& words, const std::vector<OptionSpec>& known);

  bool Has(std::string_view name) const;
  std::optional<std::string> Value(std::string_view name) const;
  const std::vector<std::string>& Positional() const { return positional_; }

 private:
  std::map<std::string, std::string, std::less<>> values_;
  std::vector<std::string> positional_;
};

// A decimal number; UsageError naming the option otherwise.
double ParseNumber(std::string_view text, std::string_view what);
// A whole number; UsageError naming the option otherwise.
int ParseInteger(std::string_view text, std::string_view what);
// An angle as decimal degrees (116.4667) or degrees, minutes and seconds
// (116:28:00, 116:28, 116 28 00, 116°28′00″ or 116°28'00" with the usual
// marks), read by ParseAngleText. decimalAsTyped: decimal degrees come back
// as typed, {x, 0, 0}, with no carry at 60 (see ParseAngleText). A
// hemisphere (116°20'E, 39°54'N) must fit axis; S and W are refused.
TAngleDMS ParseAngle(std::string_view text, std::string_view what, bool decimalAsTyped = false,
                     AngleAxis axis = AngleAxis::Any);
// A decimal number from lowest to highest; UsageError naming the option and
// the range otherwise.
double ParseNumberIn(std::string_view text, std::string_view what, double lowest, double highest);
// A central meridian (--cm) as the window's 中央经度 reads it (ParseMeridianText):
// decimal degrees or degrees, minutes and seconds, within 0 to highest.
double ParseCentralMeridian(std::string_view text, double highest);
// An angle within the limits of the window's corner fields: degrees 0 to
// maxDegrees, minutes 0 to 59, seconds 0 to 60, and the whole angle at most
// maxDegrees; UsageError otherwise.
TAngleDMS ParseCornerAngle(std::string_view text, double maxDegrees, std::string_view what,
                           bool decimalAsTyped = false);
// "LON,LAT" in either angle form, within the corner fields' limits: longitude
// degrees 0 to 180, latitude degrees 0 to 90.
TLonLatDMS ParsePoint(std::string_view text, std::string_view what);
// A scale as its caption (1:1万), as 1:10000, or as the denominator 10000.
int ParseScale(std::string_view text);

}  // namespace karvento::cli
