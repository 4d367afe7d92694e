// SPDX-License-Identifier: Apache-2.0
// The check of typed and imported sheet numbers refuses every field outside
// its range, naming it, and accepts every number the program writes.
#include <gtest/gtest.h>

#include <string>

#include "numbering/sheet_grid.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

TEST(NumberRanges, EachFieldOutOfRangeIsRefusedByName) {
  struct Case { const char* text; NumberFault fault; const char* message; } cases[] = {
      // 1:100万 rows and columns, both standards.
      {"X-50", NumberFault::Row, "X-50：1:100万 的行号应为 A–W"},
      {"Z-01", NumberFault::Row, "Z-01：1:100万 的行号应为 A–W"},
      {"@-50", NumberFault::Row, "@-50：1:100万 的行号应为 A–W"},
      {"JX-50", NumberFault::Row, "JX-50：1:100万 的行号应为 A–W"},
      {"X50", NumberFault::Row, "X50：1:100万 的行号应为 A–W"},
      {"J-00", NumberFault::Column, "J-00：1:100万 的列号应为 1–60"},
      {"J-61", NumberFault::Column, "J-61：1:100万 的列号应为 1–60"},
      {"X-99", NumberFault::Row, "X-99：1:100万 的行号应为 A–W"},
      {"J-99-5", NumberFault::Column, "J-99-5：1:100万 的列号应为 1–60"},
      {"J00", NumberFault::Column, "J00：1:100万 的列号应为 01–60"},
      {"J61D001001", NumberFault::Column, "J61D001001：1:100万 的列号应为 01–60"},
      // Old serials of every scale.
      {"J-50-145", NumberFault::Serial, "J-50-145：1:10万 的序号应为 1–144"},
      {"J-50-0", NumberFault::Serial, "J-50-0：1:10万 的序号应为 1–144"},
      {"J-50-[17]", NumberFault::Serial, "J-50-[17]：1:25万 的序号应为 [1]–[16]"},
      {"J-50-[0]", NumberFault::Serial, "J-50-[0]：1:25万 的序号应为 [1]–[16]"},
      {"J-50-5-(65)", NumberFault::Serial, "J-50-5-(65)：1:1万 的序号应为 (1)–(64)"},
      {"J-50-5-(0)-A", NumberFault::Serial, "J-50-5-(0)-A：1:1万 的序号应为 (1)–(64)"},
      {"J-50-5-B-5", NumberFault::Serial, "J-50-5-B-5：1:2.5万 的序号应为 1–4"},
      {"J-50-5-E-1", NumberFault::Serial, "J-50-5-E-1：1:5万 的序号应为 A–D"},
      {"J-50-145-A", NumberFault::Serial, "J-50-145-A：1:10万 的序号应为 1–144"},
      // New rows and columns inside the 1:100万 sheet, at the scale's count.
      {"J50G000040", NumberFault::Row, "J50G000040：1:1万 的行号应为 001–096"},
      {"J50G097040", NumberFault::Row, "J50G097040：1:1万 的行号应为 001–096"},
      {"J50B003001", NumberFault::Row, "J50B003001：1:50万 的行号应为 001–002"},
      {"J50D001013", NumberFault::Column, "J50D001013：1:10万 的列号应为 001–012"},
      {"J51G999999", NumberFault::Row, "J51G999999：1:1万 的行号应为 001–096"},
      {"J50H193001", NumberFault::Row, "J50H193001：1:5000 的行号应为 001–192"},
      {"J50I577001", NumberFault::Row, "J50I577001：1:2000 的行号应为 001–576"},
      {"J50K00012305", NumberFault::Column, "J50K00012305：1:500 的列号应为 0001–2304"},
      {"J50J00000001", NumberFault::Row, "J50J00000001：1:1000 的行号应为 0001–1152"},
      // The 1:5000-based form of 1:2000: the 1:5000 sheet and the suffix.
      {"J50H193001-1", NumberFault::Row, "J50H193001-1：1:5000 的行号应为 001–192"},
      {"J50H001001-0", NumberFault::Serial, "J50H001001-0：1:2000 的序号应为 1–9"},
      {"J50H001001-10", NumberFault::Serial, "J50H001001-10：1:2000 的序号应为 1–9"},
      // Row W is numbered only south of 90°.
      {"W-50-A", NumberFault::NorthOfPole,
       "W-50-A：这幅 1:50万 图幅在北纬 90° 以北；W 行（北纬 88° 至 92°）只编号北纬 90° 以南的图幅"},
      {"W-50-1", NumberFault::NorthOfPole, nullptr},
      {"W-50-72", NumberFault::NorthOfPole, nullptr},
      {"W50B001001", NumberFault::NorthOfPole, nullptr},
      {"W50G048096", NumberFault::NorthOfPole, nullptr},
      {"W50H096001-9", NumberFault::NorthOfPole, nullptr},
  };
  for (const auto& c : cases) {
    try {
      (void)CheckMapUnionNo(c.text);
      ADD_FAILURE() << "accepted " << c.text;
    } catch (const NumberFieldError& e) {
      EXPECT_EQ(e.Fault(), c.fault) << c.text;
      EXPECT_EQ(e.Arguments()[0], c.text);
      if (c.message) {
        EXPECT_STREQ(e.what(), c.message) << c.text;
      }
    }
  }
  // The last numbered sheets of row W, just south of 90°, are sheets.
  for (const char* text : {"W-50", "W-50-C", "W-50-73", "W-50-[16]", "W50B002001", "W50G049096",
                           "W50H097192-1", "V-60-144-D", "A-31-1"}) {
    EXPECT_NE(CheckMapUnionNo(text), 0) << text;
  }
  // A ten-character new number of another scale with a suffix is none.
  EXPECT_EQ(CheckMapUnionNo("J50I001001-10"), 0);
}

// Every number the sheet walk writes passes the check, at its own standard,
// and parses back to the sheet it was written for: at every scale, over
// extents that reach the grid's corners (0°, the equator, 180°, 90° N).
TEST(NumberRanges, EveryNumberTheProgramWritesPasses) {
  struct Extent { double w, s, e, n; } extents[] = {
      {114, 36, 120, 40},            // one 1:100万 sheet
      {0, 0, 6, 4},                  // A-31, at the corner of the grid
      {174, 84, 180, 90},            // V-60 and W-60, up to the pole
      {116.4, 39.8, 116.6, 39.95},   // inside J-50
  };
  for (const Extent& x : extents) {
    const TMapUnionRange r{DegToDms(x.w), DegToDms(x.s), DegToDms(x.e), DegToDms(x.n)};
    for (ScaleIndex scale = 0; scale < kScaleCount; ++scale) {
      for (const Standard standard : {Standard::Old, Standard::New}) {
        if (standard == Standard::Old && !HasOldStandard(scale)) continue;
        // The large scales over the small extent only: millions of sheets
        // otherwise.
        const double sheetsPerDegree = 3600 / LonStepTable[scale] * 3600 / LatStepTable[scale];
        if ((x.e - x.w) * (x.n - x.s) * sheetsPerDegree > 200000) continue;
        TStandardMapUnions sheets;
        CreateSheets(r, scale, standard, false, Datum::Beijing54, 117, sheets);
        const std::uint8_t kind = standard == Standard::Old ? 1 : 2;
        std::size_t n = 0;
        for (const auto& column : sheets) {
          for (const TStandardMapUnion& s : column) {
            ++n;
            std::vector<std::string> forms = {s.MapUnionNo};
            if (scale == 8) forms.push_back(NumberIn5000Form(s.MapUnionNo));
            for (const std::string& number : forms) {
              std::uint8_t got = 0;
              try {
                got = CheckMapUnionNo(number);
              } catch (const Error& e) {
                ADD_FAILURE() << number << ": " << e.what();
                continue;
              }
              ASSERT_EQ(got, kind) << number;
              const TMapUnionRange back =
                  kind == 1 ? ParseOldMapUnionNo(number) : ParseNewMapUnionNo(number);
              ASSERT_EQ(back, s.Range) << number;
            }
          }
        }
        EXPECT_GT(n, 0u) << kScaleCaptions[scale];
      }
    }
  }
}

// Every number that the check calls standard is either converted to sheets
// that exist or refused by name: a row-W sheet gives only its part south of
// the pole, and a sheet west of Greenwich is named, never a range fault.
TEST(NumberRanges, ConversionOfEveryStandardNumberIsRealOrNamed) {
  struct Case {
    const char* number;
    ScaleIndex to;
    std::size_t sheets;       // 0: refused
    const char* refusedWith;  // a part of the refusal
  } cases[] = {
      {"W-31", 2, 8, ""},   // 1:25万 of 88°–90° only: 2 rows of 4
      {"W-60", 1, 2, ""},   // 1:50万: the two sheets south of the pole
      {"W31", 2, 8, ""},
      {"V-31", 2, 16, ""},
      {"W-01", 2, 0, "在西半球"},
      {"V-30", 2, 0, "在西半球"},
      {"J-00", 2, 0, "列号应为 1–60"},
  };
  for (const Case& c : cases) {
    try {
      const bool old = CheckMapUnionNo(c.number) == 1;
      const auto sheets = ConvertMapUnionNo(c.number, old, c.to, false, 0, Datum::Cgcs2000);
      EXPECT_EQ(sheets.size(), c.sheets) << c.number;
      for (const TStandardMapUnion& s : sheets) EXPECT_LE(DmsToDeg(s.Range.North), 90.0) << s.MapUnionNo;
    } catch (const Error& e) {
      EXPECT_EQ(c.sheets, 0u) << c.number << ": " << e.what();
      EXPECT_NE(std::string(e.what()).find(c.refusedWith), std::string::npos) << c.number << ": " << e.what();
    }
  }
}

}  // namespace
}  // namespace karvento
