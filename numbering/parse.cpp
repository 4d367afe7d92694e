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

TMapUnionRange ParseOldMapUnionNo(std::string_view text) {
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
  if (text.size() != 3 && text.size() != 10) return {};
  Position p = MillionSheet(static_cast<unsigned char>(text[0]), text.substr(1, 2));
  if (text.size() == 3) return p.SheetOf(0);
  ScaleIndex scale = -1;
  for (ScaleIndex s = 1; s < kScaleCount; ++s) {
    if (text[3] == kNewScaleCodes[s]) scale = s;
  }
  if (scale < 0) return {};
  const long long row = IntegerOf(text.substr(4, 3));
  const long long column = IntegerOf(text.substr(7, 3));
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
  if (hasSize(ParseOldMapUnionNo(text))) return 1;
  if (hasSize(ParseNewMapUnionNo(text))) return 2;
  return 0;
}

}  // namespace karvento
