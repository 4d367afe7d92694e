// SPDX-License-Identifier: Apache-2.0
#include "geodesy/angle_text.h"

#include <cmath>
#include <string>

#include "geodesy/decimal_text.h"

namespace karvento {
namespace {

// A field is an unsigned decimal number: the angle's one sign stands before
// the first field.
constexpr DecimalOptions kField{.sign = DecimalSign::None};

// Which field a mark closes: 0 degrees, 1 minutes, 2 seconds, -1 a colon
// (any field), -2 none.
struct Mark {
  std::string_view text;
  int field;
};
// Longer marks first, so that '' is seconds before ' is minutes.
constexpr Mark kMarks[] = {
    {"''", 2}, {"\xE2\x80\xB3", 2} /* ″ */, {"\xE2\x80\x9D", 2} /* ” */, {"\"", 2}, {"s", 2},
    {"\xE2\x80\xB2", 1} /* ′ */, {"\xE2\x80\x99", 1} /* ’ */, {"'", 1}, {"m", 1},
    {"\xC2\xB0", 0} /* ° */, {"\xC2\xBA", 0} /* º */, {"d", 0},
    {":", -1}, {"\xEF\xBC\x9A", -1} /* ： */,
};

// Skips blanks (ASCII and the full-width U+3000); true when any was skipped.
bool SkipBlanks(std::string_view text, std::size_t& i) {
  const std::size_t from = i;
  for (;;) {
    if (i < text.size() && (text[i] == ' ' || text[i] == '\t')) {
      ++i;
    } else if (text.substr(i, 3) == "\xE3\x80\x80") {
      i += 3;
    } else {
      return i != from;
    }
  }
}

// The mark at i, or nullptr.
const Mark* MarkAt(std::string_view text, std::size_t i) {
  for (const Mark& m : kMarks) {
    if (text.substr(i, m.text.size()) == m.text) return &m;
  }
  return nullptr;
}

bool IsNumberChar(char c) {
  return (c >= '0' && c <= '9') || c == '.' || c == 'e' || c == 'E' || c == '+' || c == '-';
}

}  // namespace

std::string HalfwidthText(std::string_view text) {
  std::string out;
  out.reserve(text.size());
  for (std::size_t i = 0; i < text.size(); ++i) {
    // U+FF01 .. U+FF5E is EF BC 81 .. EF BC BF and EF BD 80 .. EF BD 9E.
    if (i + 2 < text.size() && text[i] == '\xEF' && (text[i + 1] == '\xBC' || text[i + 1] == '\xBD')) {
      const unsigned low = static_cast<unsigned char>(text[i + 2]) & 0x3Fu;
      const unsigned code = (text[i + 1] == '\xBC' ? 0u : 0x40u) + low;  // offset from U+FF00
      const char ascii = static_cast<char>(code + 0x20);  // U+FF01 is '!'
      if ((ascii >= '0' && ascii <= '9') || ascii == '.' || ascii == '-' || ascii == '+' ||
          ascii == '\'' || ascii == '"') {
        out += ascii;
        i += 2;
        continue;
      }
    }
    out += text[i];
  }
  return out;
}

namespace {

enum class Hemisphere { None, East, North, South, West };

// Takes a hemisphere off the front or the end of text (blanks around it
// stay for the caller); false when there are two.
bool TakeHemisphere(std::string& text, Hemisphere& h) {
  struct Word {
    std::string_view text;
    Hemisphere h;
  };
  static constexpr Word kWords[] = {
      {"东经", Hemisphere::East},  {"北纬", Hemisphere::North}, {"西经", Hemisphere::West},
      {"南纬", Hemisphere::South}, {"E", Hemisphere::East},     {"N", Hemisphere::North},
      {"W", Hemisphere::West},     {"S", Hemisphere::South},
  };
  h = Hemisphere::None;
  std::size_t first = text.find_first_not_of(" \t");
  std::size_t last = text.find_last_not_of(" \t");
  if (first == std::string::npos) return true;
  for (const Word& w : kWords) {
    if (text.compare(first, w.text.size(), w.text) == 0) {
      h = w.h;
      text.erase(first, w.text.size());
      break;
    }
  }
  last = text.find_last_not_of(" \t");
  if (last == std::string::npos) return true;
  for (const Word& w : kWords) {
    if (last + 1 >= w.text.size() && text.compare(last + 1 - w.text.size(), w.text.size(), w.text) == 0) {
      if (h != Hemisphere::None) return false;
      h = w.h;
      text.erase(last + 1 - w.text.size(), w.text.size());
      break;
    }
  }
  return true;
}

// The fraction of a field as typed, times 60: from the digits after the
// point, so that 0.1 minute is exactly 6 seconds. A field with an exponent
// goes through its value.
double SixtiethsOfFraction(std::string_view field, double value) {
  const std::size_t point = field.find('.');
  if (point == std::string_view::npos || field.find_first_of("eE") != std::string_view::npos) {
    return (value - std::trunc(value)) * 60;
  }
  const std::string fraction = "0" + std::string(field.substr(point));
  double f = 0;
  ParseDecimal(fraction, f, kField);
  return f * 60;
}

}  // namespace

AngleTextError ParseAngleText(std::string_view typed, TAngleDMS& angle, bool decimalAsTyped,
                              AngleAxis axis) {
  std::string plain = HalfwidthText(typed);
  Hemisphere hemisphere = Hemisphere::None;
  if (!TakeHemisphere(plain, hemisphere)) return AngleTextError::WrongHemisphere;
  const std::string_view text = plain;
  std::size_t i = 0;
  SkipBlanks(text, i);
  if (i == text.size()) return AngleTextError::Empty;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') {
    if (hemisphere != Hemisphere::None) return AngleTextError::WrongHemisphere;
    negative = text[i] == '-';
    ++i;
  }
  double fields[3] = {0, 0, 0};
  std::string_view fieldTexts[3];
  int count = 0;
  while (i < text.size()) {
    if (count == 3) return AngleTextError::TooManyFields;
    // The number: its characters up to the next separator. 'e' is an
    // exponent only after a digit, which no mark letter clashes with.
    std::size_t end = i;
    while (end < text.size() && IsNumberChar(text[end])) {
      // A sign is part of a number only right after its exponent letter.
      if ((text[end] == '+' || text[end] == '-') &&
          (end == i || (text[end - 1] != 'e' && text[end - 1] != 'E'))) {
        break;
      }
      ++end;
    }
    double v = 0;
    if (ParseDecimal(text.substr(i, end - i), v, kField) != DecimalTextError::None) {
      return AngleTextError::NotANumber;
    }
    fieldTexts[count] = text.substr(i, end - i);
    fields[count++] = v;
    i = end;
    // The separator: blanks, at most one mark, blanks.
    const bool blanksBefore = SkipBlanks(text, i);
    bool marked = false;
    if (const Mark* m = MarkAt(text, i)) {
      if (m->field >= 0 && m->field != count - 1) return AngleTextError::MarkOutOfPlace;
      i += m->text.size();
      marked = true;
      SkipBlanks(text, i);
      if (i < text.size() && MarkAt(text, i) != nullptr) return AngleTextError::MarkOutOfPlace;
    }
    if (i < text.size() && !blanksBefore && !marked) return AngleTextError::NotANumber;
  }
  if (count == 0) return AngleTextError::NotANumber;
  switch (hemisphere) {
    case Hemisphere::South:
    case Hemisphere::West:
      return AngleTextError::SouthOrWest;
    case Hemisphere::East:
      if (axis == AngleAxis::Latitude) return AngleTextError::WrongHemisphere;
      break;
    case Hemisphere::North:
      if (axis == AngleAxis::Longitude) return AngleTextError::WrongHemisphere;
      break;
    case Hemisphere::None:
      break;
  }
  for (int k = 0; k + 1 < count; ++k) {
    if (fields[k] != std::trunc(fields[k])) return AngleTextError::FractionNotLast;
  }
  // Decimal minutes as the last field: the fraction becomes seconds.
  if (count == 2 && fields[1] != std::trunc(fields[1])) {
    fields[2] = SixtiethsOfFraction(fieldTexts[1], fields[1]);
    fields[1] = std::trunc(fields[1]);
  }
  TAngleDMS a;
  if (count == 1) {
    const double x = negative ? -fields[0] : fields[0];
    a = decimalAsTyped ? TAngleDMS{x, 0, 0} : DegToDms(x);
  } else {
    const double sign = negative ? -1.0 : 1.0;
    a = {sign * fields[0], sign * fields[1], sign * fields[2]};
  }
  angle = a;
  return AngleTextError::None;
}

MeridianTextError ParseMeridianText(std::string_view typed, double& cm, double highest) {
  const std::string text = HalfwidthText(typed);
  double v = 0;
  constexpr DecimalOptions kDecimal{.leadingBlanks = " \t", .trailingBlanks = " \t", .decimalComma = true};
  if (ParseDecimal(text, v, kDecimal) != DecimalTextError::None) {
    TAngleDMS a;
    if (ParseAngleText(text, a, true, AngleAxis::Longitude) != AngleTextError::None) {
      return MeridianTextError::NotAnAngle;
    }
    // Minutes and seconds of an angle: 117:75 is no meridian.
    if (!(a.Minutes >= 0 && a.Minutes < 60 && a.Seconds >= 0 && a.Seconds < 60)) {
      return MeridianTextError::OutOfRange;
    }
    v = DmsToDeg(a);
  }
  if (!(v >= 0 && v <= highest)) return MeridianTextError::OutOfRange;
  cm = v + 0.0;  // never -0
  return MeridianTextError::None;
}

}  // namespace karvento
