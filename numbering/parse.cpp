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

long long FirstCode(const std::string& piece) { return static_cast<unsigned char>(piece[0]); }

// The characters from the second one up to the one before the first close
// mark: the serial inside "[2]" or "(24)". Without a close mark (or with it
// too early) the field is empty, which no integer conversion accepts.
std::string Bracketed(const std::string& piece, char close) {
  const std::size_t i = piece.find(close);
  if (i == std::string::npos || i <= 1) return {};
  return piece.substr(1, i - 1);
}

long long IntegerOf(std::string_view field) { return StrToInt(field); }

// The 1:100万 sheet of a row character and a column field.
Position MillionSheet(unsigned char rowChar, std::string_view column) {
  Position p;
  p.X = static_cast<double>(IntegerOf(column) - kColumnOfZeroMeridian) * LonStepTable[0];
  p.Y = static_cast<double>(static_cast<long long>(rowChar) - 64) * LatStepTable[0];
  return p;
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

  Position p = MillionSheet(static_cast<unsigned char>(piece[0][0]), piece[1]);
  switch (scale) {
    case 1:
      p.Step(FirstCode(piece[2]) - 65, 2, 1);
      break;
    case 2:
      p.Step(IntegerOf(Bracketed(piece[2], ']')) - 1, 4, 2);
      break;
    case 3:
      p.Step(IntegerOf(piece[2]) - 1, 12, 3);
      break;
    case 4:
      p.Step(IntegerOf(piece[2]) - 1, 12, 3);
      p.Step(FirstCode(piece[3]) - 65, 2, 4);
      break;
    case 5:
      p.Step(IntegerOf(piece[2]) - 1, 12, 3);
      p.Step(FirstCode(piece[3]) - 65, 2, 4);
      p.Step(IntegerOf(piece[4]) - 1, 2, 5);
      break;
    case 6:
      p.Step(IntegerOf(piece[2]) - 1, 12, 3);
      p.Step(IntegerOf(Bracketed(piece[3], ')')) - 1, 8, 6);
      break;
    case 7:
      p.Step(IntegerOf(piece[2]) - 1, 12, 3);
      p.Step(IntegerOf(Bracketed(piece[3], ')')) - 1, 8, 6);
      p.Step(FirstCode(piece[4]) - 65, 2, 7);
      break;
    default:
      break;
  }
  return p.SheetOf(scale);
}

TMapUnionRange ParseNewMapUnionNo(std::string_view text) {
  if (text.size() == 3) {
    return MillionSheet(static_cast<unsigned char>(text[0]), text.substr(1, 2)).SheetOf(0);
  }
  if (text.size() != 10 && text.size() != 12) return {};
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

std::uint8_t CheckMapUnionNo(std::string_view text) {
  const auto hasSize = [](const TMapUnionRange& r) {
    return DmsToDeg(r.East) - DmsToDeg(r.West) > 0 || DmsToDeg(r.North) - DmsToDeg(r.South) > 0;
  };
  // Sheet numbers are ASCII. A text holding any other byte (a line of a
  // number list decoded from GBK, a number typed with full-width digits) is
  // not one, and its byte positions are not those of its characters: a
  // conversion error quoting half a character would tell the user nothing.
  for (const char c : text) {
    if (static_cast<unsigned char>(c) >= 0x80) return 0;
  }
  if (Is5000BasedNumber(text)) return hasSize(ParseNewMapUnionNo(text)) ? 2 : 0;
  if (hasSize(ParseOldMapUnionNo(text))) return 1;
  if (hasSize(ParseNewMapUnionNo(text))) return 2;
  return 0;
}

}  // namespace karvento
