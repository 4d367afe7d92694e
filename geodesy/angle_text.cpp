#include "geodesy/angle_text.h"
#include "geodesy/float_chars.h"

#include <charconv>
#include <cmath>
#include <string>

namespace karvento {
namespace {

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

AngleTextError ParseAngleText(std::string_view text, TAngleDMS& angle, bool decimalAsTyped) {
  std::size_t i = 0;
  SkipBlanks(text, i);
  if (i == text.size()) return AngleTextError::Empty;
  bool negative = false;
  if (text[i] == '-' || text[i] == '+') {
    negative = text[i] == '-';
    ++i;
  }
  double fields[3] = {0, 0, 0};
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
    const char* first = text.data() + i;
    const char* last = text.data() + end;
    double v = 0;
    const auto [stop, ec] = FloatFromChars(first, last, v, std::chars_format::general);
    if (end == i || ec != std::errc() || stop != last || !std::isfinite(v) || *first == '+' ||
        *first == '-') {
      return AngleTextError::NotANumber;
    }
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

}  // namespace karvento
