// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

TAngleDMS A(double d, double m = 0, double s = 0) { return {d, m, s}; }

std::string ErrorOf(void (*f)(std::string_view), std::string_view text) {
  try {
    f(text);
  } catch (const Error& e) {
    return e.what();
  }
  return {};
}

TEST(Parse, SplitString) {
  struct Case { const char* text; char delimiter; std::vector<std::string> pieces; } cases[] = {
      {"J-50-5", '-', {"J", "50", "5"}},
      {"-50", '-', {"", "50"}},
      {"J-50-", '-', {"J", "50"}},
      {"a--b", '-', {"a", "", "b"}},
      {"J-50- ", '-', {"J", "50"}},       // a blank rest is dropped
      {"J-50- 5", '-', {"J", "50", " 5"}},  // a rest with text is kept untrimmed
      {"", '-', {}},
      {"116 30 0.00", ' ', {"116", "30", "0.00"}},
      {"116  30", ' ', {"116", "", "30"}},
      {"a,b,c", ',', {"a", "b", "c"}},
  };
  for (const auto& c : cases) EXPECT_EQ(SplitString(c.text, c.delimiter), c.pieces) << c.text;
}

TEST(Parse, FloatAndIntegerTexts) {
  struct Float { const char* text; bool ok; } floats[] = {
      {"5", true}, {"-5.5", true}, {" 5 ", true}, {"+1e3", true}, {"1E-3", true}, {".5", true},
      {"5.", true}, {"", false}, {" ", false}, {"5.5.5", false}, {"1e", false}, {"e3", false},
      {"5a", false}, {"(24)", false}, {"1,5", false}, {"0x10", false}};
  for (const auto& f : floats) EXPECT_EQ(IsFloatText(f.text), f.ok) << f.text;

  EXPECT_EQ(StrToInt("  42"), 42);
  EXPECT_EQ(StrToInt("-7"), -7);
  EXPECT_EQ(StrToInt("+7"), 7);
  EXPECT_EQ(StrToInt("-2147483648"), -2147483647 - 1);
  for (const char* bad : {"5 ", "", " ", "5.5", "2147483648", "12a", "--1"}) {
    try {
      StrToInt(bad);
      ADD_FAILURE() << "accepted '" << bad << "'";
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), "'" + std::string(bad) + "' is not a valid integer value");
    }
  }
  EXPECT_EQ(StrToFloat(" 12.5 "), 12.5);
  EXPECT_EQ(StrToFloat("-1e-400"), 0.0);
  try {
    StrToFloat("1e400");
    ADD_FAILURE();
  } catch (const Error& e) {
    EXPECT_STREQ(e.what(), "'1e400' is not a valid floating point value");
  }
}

TEST(Parse, OldNumbersToTheirSheets) {
  struct Case { const char* text; TMapUnionRange sheet; } cases[] = {
      {"J-50", {A(114), A(36), A(120), A(40)}},
      {"J-50-A", {A(114), A(38), A(117), A(40)}},
      {"J-50-[2]", {A(115, 30), A(39), A(117), A(40)}},
      {"J-50-5", {A(116), A(39, 40), A(116, 30), A(40)}},
      {"J-50-5-B", {A(116, 15), A(39, 50), A(116, 30), A(40)}},
      {"J-50-5-B-4", {A(116, 22, 30), A(39, 50), A(116, 30), A(39, 55)}},
      {"J-50-5-(24)", {A(116, 26, 15), A(39, 52, 30), A(116, 30), A(39, 55)}},
      {"J-50-5-(24)-A", {A(116, 26, 15), A(39, 53, 45), A(116, 28, 7.5), A(39, 55)}},
      {"J-50-5-A-1", {A(116), A(39, 55), A(116, 7, 30), A(40)}},
      {"J-50- 5", {A(116), A(39, 40), A(116, 30), A(40)}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseOldMapUnionNo(c.text), c.sheet) << c.text;
    EXPECT_EQ(CheckMapUnionNo(c.text), 1) << c.text;
  }
  // The parser alone is structural: a serial beyond 144 lies elsewhere. The
  // check refuses it (see NumbersWithAFieldOutOfRange).
  EXPECT_EQ(ParseOldMapUnionNo("J-50-145"), (TMapUnionRange{A(114), A(35, 40), A(114, 30), A(36)}));
}

TEST(Parse, NewNumbersToTheirSheets) {
  struct Case { const char* text; TMapUnionRange sheet; } cases[] = {
      {"J50", {A(114), A(36), A(120), A(40)}},
      {"J50D001005", {A(116), A(39, 40), A(116, 30), A(40)}},
      {"J50G003040", {A(116, 26, 15), A(39, 52, 30), A(116, 30), A(39, 55)}},
      {"J50H192192", {A(119, 58, 7.5), A(36), A(120), A(36, 1, 15)}},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ParseNewMapUnionNo(c.text), c.sheet) << c.text;
    EXPECT_EQ(CheckMapUnionNo(c.text), 2) << c.text;
  }
}

TEST(Parse, TextsThatAreNoStandardNumber) {
  for (const char* text : {"", "J50D00100", "J50X001005", "J-50-5-(24)-a", "J-50-A-1",
                           "J-50-5-6-7-8", "-50-5", "J-50-5--4", "hello"}) {
    EXPECT_EQ(CheckMapUnionNo(text), 0) << text;
    EXPECT_EQ(ParseOldMapUnionNo(text), TMapUnionRange{}) << text;
  }
  EXPECT_EQ(ParseNewMapUnionNo("J-50-5"), TMapUnionRange{});
}

// Sheet numbers are ASCII, but the parser reads only some of a text's
// characters: what follows the close bracket of a serial, or the first
// character of a letter piece, is never read, so a note there leaves an old
// number what it is. Text beyond ASCII where the parser reads (the row
// character, an integer field, a letter) makes no sheet number, and no error.
TEST(Parse, TextThatIsNotAsciiCountsOnlyWhereTheParserReadsIt) {
  struct Case { const char* text; int kind; const char* same; } cases[] = {
      {"J-50-5-(24)（北京）", 1, "J-50-5-(24)"},
      {"J-50-5-(24)北京", 1, "J-50-5-(24)"},
      {"J-50-[2]中", 1, "J-50-[2]"},
      {"J-50-[2]（旧）", 1, "J-50-[2]"},
      {"J-50-5-(24)备注-A", 1, "J-50-5-(24)-A"},
      {"J-50-5-B图-4", 1, "J-50-5-B-4"},
      // Read, and not ASCII: no sheet number.
      {"图-50", 0, nullptr},
      {"J-５０", 0, nullptr},
      {"J-50-５", 0, nullptr},
      {"J-50-[２]", 0, nullptr},
      {"J-50-5-(２4)", 0, nullptr},
      {"J-50-5-图-4", 0, nullptr},
      {"J-50-５-B", 0, nullptr},
      {"J-50-5-B-４", 0, nullptr},
      {"J-50-5-(24)-A中", 0, nullptr},  // a letter piece is the letter alone
      {"J５0", 0, nullptr},
      {"J50D00100中", 0, nullptr},
      {"J50D00100\xE4", 0, nullptr},  // ten bytes, the last a character cut short
  };
  for (const auto& c : cases) {
    std::uint8_t kind = 9;
    EXPECT_NO_THROW(kind = CheckMapUnionNo(c.text)) << c.text;
    EXPECT_EQ(kind, c.kind) << c.text;
    if (c.same) {
      EXPECT_EQ(ParseOldMapUnionNo(c.text), ParseOldMapUnionNo(c.same)) << c.text;
    }
  }
  // An ASCII field that does not convert is still the integer error, even
  // beside a note.
  EXPECT_EQ(ErrorOf([](std::string_view t) { (void)CheckMapUnionNo(t); }, "J-50-5-(2x)（北京）"),
            "'2x' is not a valid integer value");
}

TEST(Parse, FieldsThatAreNoIntegerStopTheParse) {
  struct Case { const char* text; const char* error; } cases[] = {
      {"J-50-5.5", "'5.5' is not a valid integer value"},
      {"J-50-5 -A", "'5 ' is not a valid integer value"},
      {"J-50-[2", "'' is not a valid integer value"},
      {"J-50-5-(24", "'' is not a valid integer value"},
      {"J-5x", "'5x' is not a valid integer value"},
      {"JAB", "'AB' is not a valid integer value"},
      {"J5XD001005", "'5X' is not a valid integer value"},
      {"J50D00100A", "'00A' is not a valid integer value"},
      {"J-50-5-24-A", "'' is not a valid integer value"},  // 1:5000 wants a bracketed serial
  };
  for (const auto& c : cases) {
    EXPECT_EQ(ErrorOf([](std::string_view t) { (void)CheckMapUnionNo(t); }, c.text), c.error)
        << c.text;
  }
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

TAngleDMS B(double d, double m = 0, double s = 0) { return {d, m, s}; }

TEST(Parse, LargeScaleNumbersBothWays) {
  // Each number parses to its sheet, and the sheet walk over that sheet's
  // extent writes the same number back.
  struct Case { const char* text; ScaleIndex scale; TMapUnionRange sheet; } cases[] = {
      {"J50I001001", 8, {B(114), B(39, 59, 35), B(114, 0, 37.5), B(40)}},
      {"J50J00010001", 9, {B(114), B(39, 59, 47.5), B(114, 0, 18.75), B(40)}},
      {"J50K00010001", 10, {B(114), B(39, 59, 53.75), B(114, 0, 9.375), B(40)}},
      {"J50I013235", 8, {B(116, 26, 15), B(39, 54, 35), B(116, 26, 52.5), B(39, 55)}},
      {"J50H005079-1", 8, {B(116, 26, 15), B(39, 54, 35), B(116, 26, 52.5), B(39, 55)}},
      {"J50H005079-9", 8, {B(116, 27, 30), B(39, 53, 45), B(116, 28, 7.5), B(39, 54, 10)}},
      {"J50K00600948", 10, {B(116, 27, 58.125), B(39, 53, 45), B(116, 28, 7.5), B(39, 53, 51.25)}},
      {"J50J11521152", 9, {B(119, 59, 41.25), B(36), B(120), B(36, 0, 12.5)}},
  };
  for (const auto& c : cases) {
    ASSERT_EQ(CheckMapUnionNo(c.text), 2) << c.text;
    const TMapUnionRange r = ParseNewMapUnionNo(c.text);
    EXPECT_EQ(r, c.sheet) << c.text;
    TStandardMapUnions back;
    CreateNewMapUnions(r, c.scale, true, 117, Datum::Beijing54, back);
    ASSERT_EQ(back.size(), 1u) << c.text;
    ASSERT_EQ(back[0].size(), 1u) << c.text;
    const std::string number = back[0][0].MapUnionNo;
    EXPECT_EQ(Is5000BasedNumber(c.text) ? NumberIn5000Form(number) : number, c.text);
  }
}

TEST(Parse, TwelveCharacterTextsThatAreNoLargeScaleNumber) {
  // The code decides the length: I has three-digit serials, J and K four.
  for (const char* text : {"J50I00010001", "J50G00010001", "J50J001001", "J50K001001", "J50L00010001",
                           "J50J000100011"}) {
    EXPECT_EQ(ParseNewMapUnionNo(text), TMapUnionRange{}) << text;
    EXPECT_EQ(CheckMapUnionNo(text), 0) << text;
  }
  // Integer fields that do not convert fail as in the ten-character form.
  EXPECT_EQ(ErrorOf([](std::string_view t) { (void)CheckMapUnionNo(t); }, "J50K0001000X"),
            "'000X' is not a valid integer value");
  // Before the 1:5000-based form was known, J50H001001-5 was an old 1:100万
  // number 156° west of Greenwich; now it is the 1:2000 sheet it names.
  EXPECT_EQ(CheckMapUnionNo("J50H001001-5"), 2);
  EXPECT_EQ(DmsToDeg(ParseNewMapUnionNo("J50H001001-5").West), 114 + 37.5 / 3600);
  // A serial outside 1–9 is no old 1:100万 number either: its suffix is
  // out of range.
  EXPECT_EQ(ErrorOf([](std::string_view t) { (void)CheckMapUnionNo(t); }, "J50H001001-10"),
            "J50H001001-10：1:2000 的序号应为 1–9");
}

}  // namespace
}  // namespace karvento
