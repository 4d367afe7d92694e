#include "cli/args.h"

#include <charconv>
#include <cmath>

#include "numbering/scales.h"

namespace karvento::cli {

Args::Args(const std::vector<std::string>& words, const std::vector<OptionSpec>& known) {
  for (std::size_t i = 0; i < words.size(); ++i) {
    const std::string& w = words[i];
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
  std::string_view s = text;
  bool negative = false;
  if (!s.empty() && (s.front() == '-' || s.front() == '+')) {
    negative = s.front() == '-';
    s.remove_prefix(1);
  }
  double v = 0;
  const auto [end, ec] = std::from_chars(s.data(), s.data() + s.size(), v);
  if (s.empty() || ec != std::errc() || end != s.data() + s.size() || !std::isfinite(v)) {
    throw UsageError(std::string(what) + ": '" + std::string(text) + "' is not a number");
  }
  return negative ? -v : v;
}

int ParseInteger(std::string_view text, std::string_view what) {
  int v = 0;
  const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), v);
  if (text.empty() || ec != std::errc() || end != text.data() + text.size()) {
    throw UsageError(std::string(what) + ": '" + std::string(text) + "' is not a whole number");
  }
  return v;
}

TAngleDMS ParseAngle(std::string_view text, std::string_view what) {
  // Degree, minute and second marks separate the fields like colons.
  std::string t;
  for (std::size_t i = 0; i < text.size();) {
    bool mark = false;
    for (std::string_view m : {"°", "′", "″", "'", "\"", "d", "m", "s"}) {
      if (text.substr(i, m.size()) == m) {
        t += ':';
        i += m.size();
        mark = true;
        break;
      }
    }
    if (!mark) t += text[i++];
  }
  while (!t.empty() && t.back() == ':') t.pop_back();
  if (t.find(':') == std::string::npos) return DegToDms(ParseNumber(t, what));
  TAngleDMS a;
  double* field[] = {&a.Degrees, &a.Minutes, &a.Seconds};
  std::size_t from = 0;
  for (int k = 0; k < 3; ++k) {
    const std::size_t to = t.find(':', from);
    *field[k] = ParseNumber(std::string_view(t).substr(from, to - from), what);
    if (to == std::string::npos) break;
    from = to + 1;
    if (k == 2) {
      throw UsageError(std::string(what) + ": '" + std::string(text) +
                       "' has more than three fields");
    }
  }
  // A negative angle is negative in every field.
  if (std::signbit(a.Degrees)) {
    a.Minutes = -std::abs(a.Minutes);
    a.Seconds = -std::abs(a.Seconds);
  }
  return a;
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

TAngleDMS ParseCornerAngle(std::string_view text, double maxDegrees, std::string_view what) {
  const TAngleDMS a = ParseAngle(text, what);
  if (!(a.Degrees >= 0 && a.Degrees <= maxDegrees && a.Minutes >= 0 && a.Minutes <= 59 &&
        a.Seconds >= 0 && a.Seconds <= 60)) {
    throw UsageError(std::string(what) + ": '" + std::string(text) + "' is outside 0 to " +
                     Shortest(maxDegrees) + " degrees, 0 to 59 minutes, 0 to 60 seconds");
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
  throw UsageError("--scale: '" + std::string(text) +
                   "' is none of 1:100万 1:50万 1:25万 1:10万 1:5万 1:2.5万 1:1万 1:5000");
}

}  // namespace karvento::cli
