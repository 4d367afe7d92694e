// SPDX-License-Identifier: Apache-2.0
// Sheet numbers as text, back to the sheet's extent.
#include <string>

#include "numbering/unMapUnRgPub.h"

namespace karvento {

namespace {

// Where a sheet stands while the parser steps down from its 1:100万 sheet:
// west edge and north edge in seconds of arc.
struct Position {
  double X = 0;
  double Y = 0;

  // Step into sub-sheet v (0-based, row by row from the north-west) of a
  // division k columns wide, at the size of scale s.
  void Step(long long v, long long k, ScaleIndex s) {
    X += static_cast<double>(v % k) * LonStepTable[s];
    Y -= static_cast<double>(v / k) * LatStepTable[s];
  }

  TMapUnionRange SheetOf(ScaleIndex s) const {
    return {SecToDms(X), SecToDms(Y - LatStepTable[s]), SecToDms(X + LonStepTable[s]),
            SecToDms(Y)};
  }
};

bool IsQuarterLetter(const std::string& piece) {
  return piece == "A" || piece == "B" || piece == "C" || piece == "D";
}

bool IsAscii(std::string_view s) {
  for (const char c : s) {
    if (static_cast<unsigned char>(c) >= 0x80) return false;
  }
  return true;
}

// The characters from the second one up to the one before the first close
// mark: the serial inside "[2]" or "(24)". Without a close mark (or with it
// too early) the field is empty, which no integer conversion accepts.
std::string_view Bracketed(std::string_view piece, char close) {
  const std::size_t i = piece.find(close);
  if (i == std::string_view::npos || i <= 1) return {};
  return piece.substr(1, i - 1);
}

// One step down from a parent sheet of an old-standard number: which piece
// gives the index inside the parent, and how it is read.
struct OldStep {
  enum Kind { Letter, Integer, Serial } kind;  // Serial: bracketed integer
  int piece;       // 0-based
  char close;      // the close mark of a Serial
  long long base;  // subtracted from the letter's code or the integer
  long long k;     // columns of the division
  ScaleIndex s;    // scale of the step's width and height
};

constexpr OldStep kSheet100000{OldStep::Integer, 2, 0, 1, 12, 3};
constexpr OldStep kSheet10000{OldStep::Serial, 3, ')', 1, 8, 6};

// The steps of each scale, from its 1:100万 sheet down.
const std::vector<OldStep> kOldSteps[kOldScaleCount] = {
    {},
    {{OldStep::Letter, 2, 0, 65, 2, 1}},
    {{OldStep::Serial, 2, ']', 1, 4, 2}},
    {kSheet100000},
    {kSheet100000, {OldStep::Letter, 3, 0, 65, 2, 4}},
    {kSheet100000, {OldStep::Letter, 3, 0, 65, 2, 4}, {OldStep::Integer, 4, 0, 1, 2, 5}},
    {kSheet100000, kSheet10000},
    {kSheet100000, kSheet10000, {OldStep::Letter, 4, 0, 65, 2, 7}},
};

// The text that a step reads: the first character of a letter piece (the
// rest of the piece is never read), a whole integer piece, or the serial
// between the first character and the close mark.
std::string_view FieldOf(const OldStep& step, const std::vector<std::string>& piece) {
  const std::string_view p = piece[step.piece];
  switch (step.kind) {
    case OldStep::Letter:
      return p.substr(0, 1);
    case OldStep::Integer:
      return p;
    case OldStep::Serial:
      return Bracketed(p, step.close);
  }
  return p;
}

long long IntegerOf(std::string_view field) { return StrToInt(field); }

// The 1:100万 sheet of a row character and a column field.
Position MillionSheet(unsigned char rowChar, std::string_view column) {
  Position p;
  p.X = static_cast<double>(IntegerOf(column) - kColumnOfZeroMeridian) * LonStepTable[0];
  p.Y = static_cast<double>(static_cast<long long>(rowChar) - 64) * LatStepTable[0];
  return p;
}

// What a parser does with a field it reads that is not ASCII. Sheet numbers
// are ASCII, but a number list may carry a note after a number
// (J-50-5-(24)（北京）): the parser never reads it, so it is no reason to
// refuse the number. A field that is read and is not ASCII (a full-width
// digit, a row character that is a Chinese word) makes the text no sheet
// number for the check: a conversion error would quote half a character, and
// a character code beyond ASCII is no row.
enum class NonAsciiField { Read, NotANumber };

TMapUnionRange ParseOld(std::string_view text, NonAsciiField nonAscii) {
  // The 1:5000-based form of a 1:2000 number splits like an old 1:100万
  // number (J50H001001 and 5) but is none.
  if (Is5000BasedNumber(text)) return {};
  const std::vector<std::string> piece = SplitString(text, '-');
  ScaleIndex scale = -1;
  switch (piece.size()) {
    case 2:
      scale = 0;
      break;
    case 3:
      if (IsQuarterLetter(piece[2])) {
        scale = 1;
      } else if (piece[2].find('[') != std::string::npos) {
        scale = 2;
      } else if (IsFloatText(piece[2])) {
        scale = 3;
      }
      break;
    case 4:
      if (IsQuarterLetter(piece[3])) {
        scale = 4;
      } else if (piece[3].find('(') != std::string::npos) {
        scale = 6;
      }
      break;
    case 5:
      if (IsQuarterLetter(piece[4])) {
        scale = 7;
      } else if (IsFloatText(piece[4])) {
        scale = 5;
      }
      break;
    default:
      break;
  }
  // A row piece with no character, or an empty quarter piece of a 1:2.5万
  // number, leaves nothing to read: such a text is not a sheet number.
  if (scale < 0 || piece[0].empty() || (scale == 5 && piece[3].empty())) return {};

  const std::vector<OldStep>& steps = kOldSteps[scale];
  if (nonAscii == NonAsciiField::NotANumber) {
    bool ascii = IsAscii(piece[0].substr(0, 1)) && IsAscii(piece[1]);
    for (const OldStep& step : steps) ascii = ascii && IsAscii(FieldOf(step, piece));
    if (!ascii) return {};
  }
  Position p = MillionSheet(static_cast<unsigned char>(piece[0][0]), piece[1]);
  for (const OldStep& step : steps) {
    const std::string_view field = FieldOf(step, piece);
    const long long v = step.kind == OldStep::Letter ? static_cast<unsigned char>(field[0])
                                                     : IntegerOf(field);
    p.Step(v - step.base, step.k, step.s);
  }
  return p.SheetOf(scale);
}

TMapUnionRange ParseNew(std::string_view text, NonAsciiField nonAscii) {
  if (text.size() != 3 && text.size() != 10 && text.size() != 12) return {};
  // Every character of a text of these lengths is read.
  if (nonAscii == NonAsciiField::NotANumber && !IsAscii(text)) return {};
  if (text.size() == 3) {
    return MillionSheet(static_cast<unsigned char>(text[0]), text.substr(1, 2)).SheetOf(0);
  }
  if (Is5000BasedNumber(text)) {
    // The 1:5000 sheet, then sub-sheet 1 to 9 of its 3 × 3 sheets of 1:2000.
    Position p = MillionSheet(static_cast<unsigned char>(text[0]), text.substr(1, 2));
    const long long row = IntegerOf(text.substr(4, 3));
    const long long column = IntegerOf(text.substr(7, 3));
    p.X += static_cast<double>(column - 1) * LonStepTable[7];
    p.Y -= static_cast<double>(row - 1) * LatStepTable[7];
    p.Step(text[11] - '1', 3, 8);
    return p.SheetOf(8);
  }
  // A ten-character text has its 1:100万 field read before its scale code
  // (so a field that is no integer fails even beside an unknown code); the
  // twelve-character form is tried only with the code of a 1:1000 or 1:500.
  Position p;
  if (text.size() == 10) p = MillionSheet(static_cast<unsigned char>(text[0]), text.substr(1, 2));
  // The scale code at character 4 and the length its serials give: ten
  // characters for B to I (three digits each), twelve for J and K (four).
  ScaleIndex scale = -1;
  for (ScaleIndex s = 1; s < kScaleCount; ++s) {
    if (text[3] == kNewScaleCodes[s] &&
        text.size() == 4 + 2 * static_cast<std::size_t>(kSerialDigits[s])) {
      scale = s;
    }
  }
  if (scale < 0) return {};
  if (text.size() != 10) p = MillionSheet(static_cast<unsigned char>(text[0]), text.substr(1, 2));
  const std::size_t digits = static_cast<std::size_t>(kSerialDigits[scale]);
  const long long row = IntegerOf(text.substr(4, digits));
  const long long column = IntegerOf(text.substr(4 + digits, digits));
  p.X += static_cast<double>(column - 1) * LonStepTable[scale];
  p.Y -= static_cast<double>(row - 1) * LatStepTable[scale];
  return p.SheetOf(scale);
}

}  // namespace

bool Is5000BasedNumber(std::string_view text) {
  if (text.size() != 12 || text[3] != kNewScaleCodes[7] || text[10] != '-') return false;
  if (text[11] < '1' || text[11] > '9') return false;
  for (std::size_t i = 4; i < 10; ++i) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return true;
}

std::string NumberIn5000Form(std::string_view number2000) {
  constexpr ScaleIndex k2000 = 8;
  if (number2000.size() != 10 || number2000[3] != kNewScaleCodes[k2000]) {
    throw Error(kRangeCheckError);
  }
  // A 1:5000 sheet holds 3 × 3 sheets of 1:2000.
  const long long per = kSheetsPerMillionSide[k2000] / kSheetsPerMillionSide[7];
  const long long row = IntegerOf(number2000.substr(4, 3)) - 1;
  const long long column = IntegerOf(number2000.substr(7, 3)) - 1;
  if (row < 0 || column < 0) throw Error(kRangeCheckError);
  std::string out(number2000.substr(0, 3));
  out += kNewScaleCodes[7];
  out += FormatSerial3(static_cast<int>(row / per + 1));
  out += FormatSerial3(static_cast<int>(column / per + 1));
  out += '-';
  out += static_cast<char>('1' + row % per * per + column % per);
  return out;
}

TMapUnionRange ParseOldMapUnionNo(std::string_view text) {
  return ParseOld(text, NonAsciiField::Read);
}

TMapUnionRange ParseNewMapUnionNo(std::string_view text) {
  return ParseNew(text, NonAsciiField::Read);
}

std::uint8_t CheckMapUnionNo(std::string_view text) {
  const auto hasSize = [](const TMapUnionRange& r) {
    return DmsToDeg(r.East) - DmsToDeg(r.West) > 0 || DmsToDeg(r.North) - DmsToDeg(r.South) > 0;
  };
  // The 1:5000-based form first: the old structural test would take
  // J50H001001-5 for a 1:100万 sheet 156° west of Greenwich.
  if (Is5000BasedNumber(text)) return hasSize(ParseNew(text, NonAsciiField::NotANumber)) ? 2 : 0;
  if (hasSize(ParseOld(text, NonAsciiField::NotANumber))) return 1;
  if (hasSize(ParseNew(text, NonAsciiField::NotANumber))) return 2;
  return 0;
}

}  // namespace karvento
