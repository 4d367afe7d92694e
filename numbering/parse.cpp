// SPDX-License-Identifier: Apache-2.0
// Sheet numbers as text, back to the sheet's extent.
#include <algorithm>
#include <initializer_list>
#include <string>
#include <utility>

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

// The largest row letter the grid numbers: W (88°–92° N), numbered only up to
// 90° N, where every request ends.
constexpr unsigned char kLastNumberedRow = 'A' + 22;
constexpr int kLastColumn = 60;
constexpr double kNorthLimitDeg = 90;

// The field range of a 1:100万 row or column, refused with its text.
void CheckMillionFields(std::string_view number, unsigned char row, long long column,
                        bool twoDigits) {
  if (row < 'A' || row > kLastNumberedRow) {
    throw NumberFieldError(NumberFault::Row, std::string(number), kScaleCaptions[0], "A",
                           std::string(1, static_cast<char>(kLastNumberedRow)));
  }
  if (column < 1 || column > kLastColumn) {
    throw NumberFieldError(NumberFault::Column, std::string(number), kScaleCaptions[0],
                           twoDigits ? "01" : "1", std::to_string(kLastColumn));
  }
}

// A sheet of row W north of 90° is none of the grid's.
void CheckSouthOfPole(std::string_view number, const TMapUnionRange& sheet, ScaleIndex scale) {
  if (DmsToDeg(sheet.South) >= kNorthLimitDeg) {
    throw NumberFieldError(NumberFault::NorthOfPole, std::string(number), kScaleCaptions[scale]);
  }
}

// The values an old step's field takes, as the program writes them.
std::pair<std::string, std::string> StepRange(const OldStep& step) {
  const long long n = step.k * step.k;
  switch (step.kind) {
    case OldStep::Letter:
      return {"A", std::string(1, static_cast<char>('A' + n - 1))};
    case OldStep::Integer:
      return {"1", std::to_string(n)};
    case OldStep::Serial: {
      const char open = step.close == ']' ? '[' : '(';
      return {std::string(1, open) + "1" + step.close,
              std::string(1, open) + std::to_string(n) + step.close};
    }
  }
  return {};
}

// A new row or column: 1 to the scale's sheets along a 1:100万 side, in the
// scale's digits.
void CheckNewSerial(std::string_view number, NumberFault fault, long long v, ScaleIndex scale,
                    int digits) {
  const int last = kSheetsPerMillionSide[scale];
  if (v >= 1 && v <= last) return;
  const auto padded = [digits](int n) {
    std::string t = std::to_string(n);
    return std::string(static_cast<std::size_t>(digits) - std::min(t.size(), static_cast<std::size_t>(digits)), '0') + t;
  };
  throw NumberFieldError(fault, std::string(number), kScaleCaptions[scale], padded(1), padded(last));
}

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
  const bool checked = nonAscii == NonAsciiField::NotANumber;
  Position p = MillionSheet(static_cast<unsigned char>(piece[0][0]), piece[1]);
  long long values[3] = {};
  for (std::size_t i = 0; i < steps.size(); ++i) {
    const OldStep& step = steps[i];
    const std::string_view field = FieldOf(step, piece);
    values[i] = step.kind == OldStep::Letter ? static_cast<unsigned char>(field[0])
                                             : IntegerOf(field);
  }
  if (checked) {
    // Every field converted: now each one within its range, the row first.
    const unsigned char row =
        piece[0].size() == 1 ? static_cast<unsigned char>(piece[0][0]) : 0;
    CheckMillionFields(text, row, IntegerOf(piece[1]), false);
    for (std::size_t i = 0; i < steps.size(); ++i) {
      const OldStep& step = steps[i];
      const long long v = values[i] - step.base;
      if (v < 0 || v >= step.k * step.k) {
        const auto [first, last] = StepRange(step);
        throw NumberFieldError(NumberFault::Serial, std::string(text), kScaleCaptions[step.s], first,
                               last);
      }
    }
  }
  for (std::size_t i = 0; i < steps.size(); ++i) {
    p.Step(values[i] - steps[i].base, steps[i].k, steps[i].s);
  }
  const TMapUnionRange sheet = p.SheetOf(scale);
  if (checked) CheckSouthOfPole(text, sheet, scale);
  return sheet;
}

TMapUnionRange ParseNew(std::string_view text, NonAsciiField nonAscii) {
  if (text.size() != 3 && text.size() != 10 && text.size() != 12) return {};
  // Every character of a text of these lengths is read.
  if (nonAscii == NonAsciiField::NotANumber && !IsAscii(text)) return {};
  const bool checked = nonAscii == NonAsciiField::NotANumber;
  const auto checkMillion = [&] {
    if (checked) {
      CheckMillionFields(text, static_cast<unsigned char>(text[0]), IntegerOf(text.substr(1, 2)),
                         true);
    }
  };
  if (text.size() == 3) {
    const TMapUnionRange sheet =
        MillionSheet(static_cast<unsigned char>(text[0]), text.substr(1, 2)).SheetOf(0);
    checkMillion();
    return sheet;
  }
  if (Is5000BasedNumber(text)) {
    // The 1:5000 sheet, then sub-sheet 1 to 9 of its 3 × 3 sheets of 1:2000.
    Position p = MillionSheet(static_cast<unsigned char>(text[0]), text.substr(1, 2));
    const long long row = IntegerOf(text.substr(4, 3));
    const long long column = IntegerOf(text.substr(7, 3));
    if (checked) {
      checkMillion();
      CheckNewSerial(text, NumberFault::Row, row, 7, 3);
      CheckNewSerial(text, NumberFault::Column, column, 7, 3);
    }
    p.X += static_cast<double>(column - 1) * LonStepTable[7];
    p.Y -= static_cast<double>(row - 1) * LatStepTable[7];
    p.Step(text[11] - '1', 3, 8);
    const TMapUnionRange sheet = p.SheetOf(8);
    if (checked) CheckSouthOfPole(text, sheet, 8);
    return sheet;
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
  if (checked) {
    checkMillion();
    CheckNewSerial(text, NumberFault::Row, row, scale, kSerialDigits[scale]);
    CheckNewSerial(text, NumberFault::Column, column, scale, kSerialDigits[scale]);
  }
  p.X += static_cast<double>(column - 1) * LonStepTable[scale];
  p.Y -= static_cast<double>(row - 1) * LatStepTable[scale];
  const TMapUnionRange sheet = p.SheetOf(scale);
  if (checked) CheckSouthOfPole(text, sheet, scale);
  return sheet;
}

// A text that begins as a ten-character new number and a hyphen: the
// 1:5000-based form of a 1:2000 number, or nothing. Its suffix is the
// serial of the 1:2000 sheet in its 1:5000 sheet.
bool HasNewNumberAndHyphen(std::string_view text) {
  if (text.size() < 11 || text[10] != '-') return false;
  if (text[0] < 'A' || text[0] > 'Z') return false;
  for (const std::size_t i : {1, 2, 4, 5, 6, 7, 8, 9}) {
    if (text[i] < '0' || text[i] > '9') return false;
  }
  return text[3] >= 'B' && text[3] <= 'I';
}

// The pattern with each %s replaced by the next argument.
std::string Filled(std::string_view pattern, std::initializer_list<std::string_view> args) {
  std::string out;
  auto arg = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && pattern[i + 1] == 's') {
      if (arg != args.end()) out += *arg++;
      ++i;
    } else {
      out += pattern[i];
    }
  }
  return out;
}

}  // namespace

NumberFieldError::NumberFieldError(NumberFault fault, std::string number, std::string_view scale,
                                   std::string first, std::string last)
    : Error(Filled(NumberFaultPattern(fault), {number, scale, first, last})),
      fault_(fault),
      args_{std::move(number), std::string(scale), std::move(first), std::move(last)} {}

std::string NumberFieldError::TextFor(std::string_view number) const {
  return Filled(NumberFaultPattern(fault_), {number, args_[1], args_[2], args_[3]});
}

const char* NumberFaultPattern(NumberFault fault) {
  switch (fault) {
    case NumberFault::Row:
      return "%s：%s 的行号应为 %s–%s";
    case NumberFault::Column:
      return "%s：%s 的列号应为 %s–%s";
    case NumberFault::Serial:
      return "%s：%s 的序号应为 %s–%s";
    case NumberFault::NorthOfPole:
      return "%s：这幅 %s 图幅在北纬 90° 以北；W 行（北纬 88° 至 92°）只编号北纬 90° 以南的图幅";
    case NumberFault::NotOld:
      return "%s是新图幅号，不是旧图幅号：旧图幅号转新图幅号只转换旧图幅号";
    case NumberFault::NotNew:
      return "%s是旧图幅号，不是新图幅号：新图幅号转旧图幅号只转换新图幅号";
  }
  return "%s";
}

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
  // A ten-character new number and a hyphen is no old number either: a 1:5000
  // number with a suffix other than 1 to 9, or no number at all.
  if (HasNewNumberAndHyphen(text)) {
    if (text[3] != kNewScaleCodes[7]) return 0;
    throw NumberFieldError(NumberFault::Serial, std::string(text), kScaleCaptions[8], "1", "9");
  }
  if (hasSize(ParseOld(text, NonAsciiField::NotANumber))) return 1;
  if (hasSize(ParseNew(text, NonAsciiField::NotANumber))) return 2;
  return 0;
}

}  // namespace karvento
