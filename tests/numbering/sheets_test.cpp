// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <algorithm>
#include <limits>
#include <string>
#include <vector>

#include "geodesy/projection.h"
#include "numbering/sheet_grid.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

TAngleDMS A(double d, double m = 0, double s = 0) { return {d, m, s}; }

TMapUnionRange Area(TAngleDMS w, TAngleDMS s, TAngleDMS e, TAngleDMS n) { return {w, s, e, n}; }

TMapUnionRange Beijing() {
  return Area(A(116, 28), A(39, 54), A(116, 28), A(39, 54));
}

std::vector<std::string> Numbers(const TStandardMapUnions& r) {
  std::vector<std::string> out;
  for (const auto& column : r)
    for (const auto& s : column) out.push_back(s.MapUnionNo);
  return out;
}

TStandardMapUnions Old(const TMapUnionRange& r, ScaleIndex scale, bool is54 = true,
                       bool zone3 = true, double cm = 117) {
  TStandardMapUnions out;
  CreateOldMapUnions(r, scale, zone3, LegacyDatum(is54), cm, out);
  return out;
}

TStandardMapUnions New(const TMapUnionRange& r, ScaleIndex scale, bool is54 = true,
                       bool zone3 = true, double cm = 117) {
  TStandardMapUnions out;
  CreateNewMapUnions(r, scale, zone3, cm, LegacyDatum(is54), out);
  return out;
}

TEST(Sheets, WorkedExampleEveryScaleBothStandards) {
  struct Row {
    const char* oldNo; const char* newNo;
    TAngleDMS w, s, e, n;
  } rows[] = {
      {"J-50", "J50", A(114), A(36), A(120), A(40)},
      {"J-50-A", "J50B001001", A(114), A(38), A(117), A(40)},
      {"J-50-[2]", "J50C001002", A(115, 30), A(39), A(117), A(40)},
      {"J-50-5", "J50D001005", A(116), A(39, 40), A(116, 30), A(40)},
      {"J-50-5-B", "J50E001010", A(116, 15), A(39, 50), A(116, 30), A(40)},
      {"J-50-5-B-4", "J50F002020", A(116, 22, 30), A(39, 50), A(116, 30), A(39, 55)},
      {"J-50-5-(24)", "J50G003040", A(116, 26, 15), A(39, 52, 30), A(116, 30), A(39, 55)},
      {"J-50-5-(24)-A", "J50H005079", A(116, 26, 15), A(39, 53, 45), A(116, 28, 7.5), A(39, 55)},
  };
  for (ScaleIndex scale = 0; scale < kOldScaleCount; ++scale) {
    const Row& row = rows[scale];
    const TMapUnionRange edges{row.w, row.s, row.e, row.n};
    for (bool oldStandard : {true, false}) {
      const TStandardMapUnions r = oldStandard ? Old(Beijing(), scale) : New(Beijing(), scale);
      ASSERT_EQ(r.size(), 1u) << kScaleCaptions[scale];
      ASSERT_EQ(r[0].size(), 1u) << kScaleCaptions[scale];
      const TStandardMapUnion& s = r[0][0];
      EXPECT_EQ(s.MapUnionNo, oldStandard ? row.oldNo : row.newNo);
      EXPECT_EQ(s.Range, edges) << s.MapUnionNo;
      // Corners NW, NE, SE, SW on Beijing 1954.
      EXPECT_EQ(s.PlaneCorners[kNW], GeoToPlane54({row.w, row.n}, true, 117)) << s.MapUnionNo;
      EXPECT_EQ(s.PlaneCorners[kNE], GeoToPlane54({row.e, row.n}, true, 117)) << s.MapUnionNo;
      EXPECT_EQ(s.PlaneCorners[kSE], GeoToPlane54({row.e, row.s}, true, 117)) << s.MapUnionNo;
      EXPECT_EQ(s.PlaneCorners[kSW], GeoToPlane54({row.w, row.s}, true, 117)) << s.MapUnionNo;
    }
  }
  // The routine of each scale index is the scale table's.
  EXPECT_EQ(Numbers(Old(Beijing(), 7)), std::vector<std::string>{"J-50-5-(24)-A"});
  EXPECT_EQ(Numbers(New(Beijing(), 0)), std::vector<std::string>{"J50"});
  EXPECT_EQ(Numbers(Old(Beijing(), 5)), std::vector<std::string>{"J-50-5-B-4"});
}

TEST(Sheets, NineSheetsComeColumnByColumnNorthToSouth) {
  const TMapUnionRange area = Area(A(113, 30), A(37), A(118), A(40, 30));
  EXPECT_EQ(Numbers(Old(area, 1)),
            (std::vector<std::string>{"K-49-D", "J-49-B", "J-49-D", "K-50-C", "J-50-A", "J-50-C",
                                      "K-50-D", "J-50-B", "J-50-D"}));
  EXPECT_EQ(Numbers(New(area, 1)),
            (std::vector<std::string>{"K49B002002", "J49B001002", "J49B002002", "K50B002001",
                                      "J50B001001", "J50B002001", "K50B002002", "J50B001002",
                                      "J50B002002"}));
  const TStandardMapUnions r = Old(area, 1);
  EXPECT_EQ(r[0][0].Range, Area(A(111), A(40), A(114), A(42)));
  EXPECT_EQ(r[2][2].Range, Area(A(117), A(36), A(120), A(38)));
}

TEST(Sheets, SnappingAtSheetEdges) {
  struct Case {
    const char* what;
    TMapUnionRange area;
    std::vector<std::string> numbers;
  } cases[] = {
      {"exactly one sheet", Area(A(116), A(39, 40), A(116, 30), A(40)), {"J-50-5"}},
      {"zero width on a grid line", Area(A(116, 30), A(39, 40), A(116, 30), A(40)), {}},
      {"zero width inside a sheet", Area(A(116, 10), A(39, 50), A(116, 10), A(39, 50)), {"J-50-5"}},
      {"a hair south of the sheet", Area(A(116), A(39, 39, 59.999), A(116, 30), A(40)),
       {"J-50-5", "J-50-17"}},
      {"east in the same column", Area(A(116, 20), A(39, 50), A(116, 10), A(39, 50)), {"J-50-5"}},
      {"east in the column to the west", Area(A(116, 20), A(39, 50), A(115, 50), A(39, 50)), {}},
  };
  for (const auto& c : cases) EXPECT_EQ(Numbers(Old(c.area, 3)), c.numbers) << c.what;

  // Zero rows with a positive column count: columns that are all empty.
  const TStandardMapUnions flat = Old(Area(A(116), A(39, 40), A(117), A(39, 40)), 3);
  EXPECT_EQ(flat.size(), 2u);
  EXPECT_TRUE(flat[0].empty() && flat[1].empty());
}

TEST(Sheets, InvertedCornersAreNamedInOneTextForEveryFrontEnd) {
  struct Case { TMapUnionRange range; const char* from; const char* to; const char* text; } cases[] = {
      {Area(A(116, 20), A(39, 50), A(115, 20), A(39, 50)), "（--from）", "（--to）",
       "左下角的经度 116:20:00 大于右上角的经度 115:20:00：左下角（--from）应在右上角（--to）的西边"},
      {Area(A(116, 20), A(39, 50), A(116, 20), A(39, 10)), "", "",
       "左下角的纬度 39:50:00 大于右上角的纬度 39:10:00：左下角应在右上角的南边"},
      // Both wrong: the longitudes are named first.
      {Area(A(117, 0), A(40, 0), A(116, 0), A(39, 0)), "", "",
       "左下角的经度 117:00:00 大于右上角的经度 116:00:00：左下角应在右上角的西边"},
      {Area(A(116, 0), A(39, 0), A(116, 0), A(39, 0)), "", "", ""},
  };
  for (const auto& c : cases) EXPECT_EQ(InvertedCornersText(c.range, c.from, c.to), c.text);
}

TEST(Sheets, InvertedCornersFailAndLeaveTheResultAsItWas) {
  const TMapUnionRange inverted = Area(A(116, 20), A(39, 50), A(115, 20), A(39, 50));
  const TMapUnionRange belowSouth = Area(A(116, 20), A(39, 50), A(116, 20), A(39, 10));
  for (ScaleIndex scale : {3, 6}) {
    for (const TMapUnionRange& area : {inverted, belowSouth}) {
      TStandardMapUnions r = Old(Beijing(), scale);
      const TStandardMapUnions before = r;
      try {
        CreateOldMapUnions(area, scale, true, Datum::Beijing54, 117, r);
        ADD_FAILURE() << "no error at " << kScaleCaptions[scale];
      } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Range check error");
      }
      EXPECT_EQ(r, before);
      try {
        CreateNewMapUnions(area, scale, true, 117, Datum::Beijing54, r);
        ADD_FAILURE() << "no error at " << kScaleCaptions[scale];
      } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Range check error");
      }
      EXPECT_EQ(r, before);
    }
  }
}

TEST(Sheets, NewStandardCornersOfTheMillionSheet) {
  const TMapUnionRange j50 = Area(A(114), A(36), A(120), A(40));
  const TStandardMapUnions r = New(j50, 7);
  ASSERT_EQ(r.size(), 192u);
  ASSERT_EQ(r[0].size(), 192u);
  EXPECT_EQ(r[0][0].MapUnionNo, "J50H001001");
  EXPECT_EQ(r[191][191].MapUnionNo, "J50H192192");
  EXPECT_EQ(r[191][191].Range.West, A(119, 58, 7.5));
  EXPECT_EQ(r[191][191].Range.South, A(36));
  for (ScaleIndex scale = 1; scale < kOldScaleCount; ++scale)
    for (const auto& n : Numbers(New(Area(A(115, 50), A(37, 10), A(116, 20), A(37, 30)), scale)))
      EXPECT_EQ(n.size(), 10u) << n;
  // The new 1:100万 sheet is the old one in new form.
  const TStandardMapUnions direct = New(j50, 0);
  EXPECT_EQ(direct[0][0].MapUnionNo, "J50");
  EXPECT_EQ(Old(j50, 0)[0][0].Range, direct[0][0].Range);
}

TEST(Sheets, CoordinateSystemChangesOnlyThePlaneCorners) {
  const TMapUnionRange area = Area(A(116), A(39), A(117), A(40));
  for (ScaleIndex scale : {0, 3, 6}) {
    const TStandardMapUnions b54 = Old(area, scale, true), x80 = Old(area, scale, false);
    ASSERT_EQ(Numbers(b54), Numbers(x80));
    for (std::size_t i = 0; i < b54.size(); ++i)
      for (std::size_t j = 0; j < b54[i].size(); ++j) {
        EXPECT_EQ(b54[i][j].Range, x80[i][j].Range);
        EXPECT_NE(b54[i][j].PlaneCorners[kNW].Y, x80[i][j].PlaneCorners[kNW].Y);
      }
  }
}

TEST(Sheets, NumbersStayInsideTheRecord) {
  // Every standard number is short enough to live inside the string object.
  const TMapUnionRange area = Area(A(179, 50), A(87, 50), A(180), A(88));
  for (ScaleIndex scale = 0; scale < kScaleCount; ++scale)
    for (bool oldStandard : {true, false})
      if (!oldStandard || HasOldStandard(scale))
      for (const auto& column : oldStandard ? Old(area, scale) : New(area, scale))
        for (const auto& s : column) {
          const char* data = s.MapUnionNo.data();
          const auto* self = reinterpret_cast<const char*>(&s.MapUnionNo);
          EXPECT_TRUE(data >= self && data < self + sizeof(std::string)) << s.MapUnionNo;
        }
  EXPECT_EQ(sizeof(TStandardMapUnion), 192u);
}

TEST(Sheets, TooManySheetsAreRefusedBeforeAllocating) {
  // 0°–180° E, 0°–88° N at 1:5000 would be 24 million sheets.
  const TMapUnionRange hemisphere = Area(A(0), A(0), A(180), A(88));
  TStandardMapUnions r = Old(Beijing(), 3);
  const TStandardMapUnions before = r;
  for (bool oldStandard : {true, false}) {
    try {
      oldStandard ? CreateOldMapUnions(hemisphere, 7, true, Datum::Beijing54, 0, r)
                  : CreateNewMapUnions(hemisphere, 7, true, 0, Datum::Beijing54, r);
      ADD_FAILURE() << "no refusal";
    } catch (const SheetLimitError& e) {
      const std::string text = e.what();
      EXPECT_NE(text.find("24,330,240"), std::string::npos) << text;  // 5760 × 4224
      EXPECT_NE(text.find("5,000,000"), std::string::npos) << text;
    }
    EXPECT_EQ(r, before);
  }
}

TEST(Sheets, RowsWithoutALetterFailWithTheRangeError) {
  // North of 104° only a parsed number reaches; south of the equator too.
  struct Case { TMapUnionRange area; ScaleIndex scale; } cases[] = {
      {Area(A(116), A(104, 30), A(116, 10), A(104, 40)), 0},
      {Area(A(116), A(104, 30), A(116, 10), A(104, 40)), 6},
      {Area(A(116), A(-1), A(116, 10), A(0, -30)), 3},
  };
  for (const auto& c : cases) {
    for (bool oldStandard : {true, false}) {
      try {
        oldStandard ? (void)Old(c.area, c.scale) : (void)New(c.area, c.scale);
        ADD_FAILURE() << "no error at " << kScaleCaptions[c.scale];
      } catch (const Error& e) {
        EXPECT_STREQ(e.what(), "Range check error");
      }
    }
  }
}

TEST(Sheets, SerialsAreThreeDigits) {
  struct Case { int n; const char* text; } cases[] = {
      {1, "001"}, {9, "009"}, {10, "010"}, {45, "045"}, {99, "099"}, {100, "100"}, {192, "192"}};
  for (const auto& c : cases) EXPECT_EQ(FormatSerial3(c.n), c.text);
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

TEST(Sheets, AConversionIsRefusedOnceItsTotalPassesTheLimit) {
  std::int64_t total = 0;
  AddConvertedSheets(total, 4'999'999);
  AddConvertedSheets(total, 1);
  EXPECT_EQ(total, kMaxSheets);
  try {
    AddConvertedSheets(total, 36'864);  // one more 1:100万 sheet at 1:5000
    ADD_FAILURE() << "no refusal";
  } catch (const SheetLimitError& e) {
    const std::string text = e.what();
    EXPECT_NE(text.find("5,036,864"), std::string::npos) << text;
    EXPECT_NE(text.find("5,000,000"), std::string::npos) << text;
  }
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

std::vector<std::string> NumbersOf(const TStandardMapUnions& r) {
  std::vector<std::string> out;
  for (const auto& column : r)
    for (const auto& s : column) out.push_back(s.MapUnionNo);
  return out;
}

TStandardMapUnions NewSheets(const TMapUnionRange& r, ScaleIndex scale) {
  TStandardMapUnions out;
  CreateNewMapUnions(r, scale, true, 117, Datum::Beijing54, out);
  return out;
}

TEST(LargeScales, NorthWestAndSouthEastSheetsOfJ50) {
  // The north-west sheet of J50 at each scale, and the south-east one, whose
  // row and column are the scale's count per 1:100万 side.
  struct Case {
    ScaleIndex scale; const char* nw; const char* se; TAngleDMS seWest, seNorth;
  } cases[] = {
      {8, "J50I001001", "J50I576576", A(119, 59, 22.5), A(36, 0, 25)},
      {9, "J50J00010001", "J50J11521152", A(119, 59, 41.25), A(36, 0, 12.5)},
      {10, "J50K00010001", "J50K23042304", A(119, 59, 50.625), A(36, 0, 6.25)},
  };
  for (const auto& c : cases) {
    const double w = LonStepTable[c.scale], h = LatStepTable[c.scale];
    // One sheet inside each corner of J50.
    const TStandardMapUnions nw = NewSheets({A(114, 0, w / 2), A(40, 0, -h / 2), A(114, 0, w / 2),
                                             A(40, 0, -h / 2)}, c.scale);
    ASSERT_EQ(NumbersOf(nw), std::vector<std::string>{c.nw});
    EXPECT_EQ(nw[0][0].Range, (TMapUnionRange{A(114), SecToDms(40 * 3600 - h), SecToDms(114 * 3600 + w),
                                              A(40)}));
    const TStandardMapUnions se = NewSheets({A(120, 0, -w / 2), A(36, 0, h / 2), A(120, 0, -w / 2),
                                             A(36, 0, h / 2)}, c.scale);
    ASSERT_EQ(NumbersOf(se), std::vector<std::string>{c.se});
    EXPECT_EQ(se[0][0].Range.West, c.seWest) << c.se;
    EXPECT_EQ(se[0][0].Range.North, c.seNorth) << c.se;
    EXPECT_EQ(se[0][0].Range.South, A(36)) << c.se;
  }
}

TEST(LargeScales, TheOldStandardHasNoSuchScales) {
  const TMapUnionRange area{A(116, 28), A(39, 54), A(116, 28), A(39, 54)};
  TStandardMapUnions r;
  CreateNewMapUnions(area, 3, true, 117, Datum::Beijing54, r);
  const TStandardMapUnions before = r;
  for (ScaleIndex scale : {8, 9, 10}) {
    const std::string caption(kScaleCaptions[scale]);
    try {
      CreateOldMapUnions(area, scale, true, Datum::Beijing54, 117, r);
      ADD_FAILURE() << caption;
    } catch (const Error& e) {
      EXPECT_EQ(std::string(e.what()), OldStandardLacksScaleMessage(scale, false).Text());
      EXPECT_NE(std::string(e.what()).find("旧图幅号标准没有 " + caption + " 比例尺"),
                std::string::npos) << e.what();
    }
    EXPECT_EQ(r, before);
    // New → old to them is refused, whatever the number; old → new allowed.
    for (const char* number : {"J50H005079", "J50", "J50X"}) {
      try {
        ConvertMapUnionNo(number, false, scale, true, 117, Datum::Beijing54);
        ADD_FAILURE() << caption << " " << number;
      } catch (const Error& e) {
        EXPECT_EQ(std::string(e.what()), OldStandardLacksScaleMessage(scale, true).Text());
        EXPECT_NE(std::string(e.what()).find("无法转换为旧图幅号"), std::string::npos);
      }
    }
    EXPECT_FALSE(ConvertMapUnionNo("J-50-5-(24)-A", true, scale, true, 117, Datum::Beijing54).empty());
  }
  // The refusal is the walk's too, before anything is snapped.
  EXPECT_THROW(SheetWalk(area, 9, false, true, Datum::Beijing54, 117, false), Error);
}

TEST(LargeScales, OldToNewConversionGivesEverySheetInColumnOrder) {
  // J-50-5-(24)-A (1:5000, J50H005079) holds 3 × 3 sheets of 1:2000; column
  // by column from the west, each column from the north.
  std::vector<std::string> numbers;
  for (const auto& s : ConvertMapUnionNo("J-50-5-(24)-A", true, 8, true, 117, Datum::Beijing54))
    numbers.push_back(s.MapUnionNo);
  EXPECT_EQ(numbers, (std::vector<std::string>{
                         "J50I013235", "J50I014235", "J50I015235", "J50I013236", "J50I014236",
                         "J50I015236", "J50I013237", "J50I014237", "J50I015237"}));
  // 6 × 6 of 1:1000 and 12 × 12 of 1:500, the first and the last.
  const auto j = ConvertMapUnionNo("J-50-5-(24)-A", true, 9, true, 117, Datum::Beijing54);
  ASSERT_EQ(j.size(), 36u);
  EXPECT_EQ(j.front().MapUnionNo, "J50J00250469");
  EXPECT_EQ(j.back().MapUnionNo, "J50J00300474");
  const auto k = ConvertMapUnionNo("J-50-5-(24)-A", true, 10, true, 117, Datum::Beijing54);
  ASSERT_EQ(k.size(), 144u);
  EXPECT_EQ(k.front().MapUnionNo, "J50K00490937");
  EXPECT_EQ(k.back().MapUnionNo, "J50K00600948");
  // The corners are those of the 1:5000 sheet.
  EXPECT_EQ(k.front().Range.West, A(116, 26, 15));
  EXPECT_EQ(k.front().Range.North, A(39, 55));
  EXPECT_EQ(k.back().Range.East, A(116, 28, 7.5));
  EXPECT_EQ(k.back().Range.South, A(39, 53, 45));
}

TEST(LargeScales, TheFiveThousandBasedFormOfATwoThousandNumber) {
  struct Case { const char* rowColumn; const char* form5000; } cases[] = {
      {"J50I001001", "J50H001001-1"}, {"J50I001002", "J50H001001-2"}, {"J50I001003", "J50H001001-3"},
      {"J50I002001", "J50H001001-4"}, {"J50I002002", "J50H001001-5"}, {"J50I003003", "J50H001001-9"},
      {"J50I001004", "J50H001002-1"}, {"J50I013235", "J50H005079-1"}, {"J50I015237", "J50H005079-9"},
      {"J50I576576", "J50H192192-9"}, {"K49I100200", "K49H034067-2"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(NumberIn5000Form(c.rowColumn), c.form5000);
    EXPECT_TRUE(Is5000BasedNumber(c.form5000));
    // Both forms name the same sheet, which is a new-standard number.
    EXPECT_EQ(ParseNewMapUnionNo(c.form5000), ParseNewMapUnionNo(c.rowColumn)) << c.form5000;
    EXPECT_EQ(CheckMapUnionNo(c.form5000), 2) << c.form5000;
    EXPECT_EQ(ParseOldMapUnionNo(c.form5000), TMapUnionRange{}) << c.form5000;
  }
  for (const char* other : {"J50H001001", "J50G003040", "J50J00010001", "J50I00100", ""}) {
    EXPECT_THROW(NumberIn5000Form(other), Error) << other;
  }
  for (const char* notTheForm : {"J50H001001-0", "J50H001001-10", "J50G001001-5", "J50H00100a-5",
                                 "J50H001001+5"}) {
    EXPECT_FALSE(Is5000BasedNumber(notTheForm)) << notTheForm;
  }
}


TEST(LargeScales, TheWalkHandsOverTheResultColumnByColumn) {
  struct Case { TMapUnionRange area; ScaleIndex scale; bool newStandard; } cases[] = {
      {{A(116, 20), A(39, 50), A(116, 30), A(40)}, 6, false},
      {{A(116, 27), A(39, 54), A(116, 28), A(39, 55)}, 10, true},
      {{A(110), A(30), A(125), A(45)}, 0, true},
      {{A(116), A(39, 40), A(117), A(39, 40)}, 3, true},  // zero rows: empty columns
  };
  for (const auto& c : cases)
  for (Datum datum : {Datum::Beijing54, Datum::Xian80, Datum::Cgcs2000}) {
    TStandardMapUnions whole;
    CreateMapUnionsOfStandard(c.area, c.scale, c.newStandard, true, datum, 117, whole);
    const SheetWalk walk(c.area, c.scale, c.newStandard, true, datum, 117, false);
    ASSERT_EQ(walk.Columns(), static_cast<std::int64_t>(whole.size()));
    if (datum != Datum::Cgcs2000) {
      // The legacy flag names the same walk.
      TStandardMapUnions legacy;
      SheetWalk(c.area, c.scale, c.newStandard, true, datum, 117, false)
          .Run([&](std::vector<TStandardMapUnion>& column) { legacy.push_back(column); });
      EXPECT_EQ(legacy, whole) << kScaleCaptions[c.scale];
    } else if (!whole.empty() && !whole[0].empty()) {
      // The datum reaches the corners: CGCS2000 ones are not Beijing 1954's.
      TStandardMapUnions on54;
      CreateMapUnionsOfStandard(c.area, c.scale, c.newStandard, true, Datum::Beijing54, 117, on54);
      EXPECT_EQ(whole[0][0].MapUnionNo, on54[0][0].MapUnionNo);
      EXPECT_NE(whole[0][0].PlaneCorners[0].X, on54[0][0].PlaneCorners[0].X);
    }
    TStandardMapUnions columns;
    // A consumer that takes the records away gets a full column next time.
    walk.Run([&](std::vector<TStandardMapUnion>& column) {
      columns.emplace_back();
      for (auto& s : column) columns.back().push_back(std::move(s));
    });
    EXPECT_EQ(columns, whole) << kScaleCaptions[c.scale] << " datum " << int(datum);
    // Any run of columns is those columns of the result.
    TStandardMapUnions middle;
    walk.Run([&](std::vector<TStandardMapUnion>& column) { middle.push_back(column); }, 1, 3);
    ASSERT_EQ(middle.size(), std::min<std::size_t>(2, whole.size() - 1));
    for (std::size_t i = 0; i < middle.size(); ++i) EXPECT_EQ(middle[i], whole[i + 1]);
  }
}

TEST(LargeScales, AWalkPastTheLimitHoldsOneColumn) {
  // 73°–135° E, 18°–54° N at 1:2000: 5952 columns of 5184 sheets.
  const TMapUnionRange china{A(73), A(18), A(135), A(54)};
  TStandardMapUnions r;
  EXPECT_THROW(CreateNewMapUnions(china, 8, true, 0, Datum::Beijing54, r), Error);
  EXPECT_THROW(SheetWalk(china, 8, true, true, Datum::Beijing54, 0, true), Error);
  const SheetWalk walk(china, 8, true, true, Datum::Beijing54, 0, false);
  EXPECT_EQ(walk.Columns(), 5952);
  EXPECT_EQ(walk.Rows(), 5184);
  std::vector<std::string> last;
  walk.Run([&](std::vector<TStandardMapUnion>& column) {
    last = {column.front().MapUnionNo, column.back().MapUnionNo};
  }, 5951, 6000);
  // The north-east sheet lies in N53 (132°–138° E, 52°–56° N).
  EXPECT_EQ(last, (std::vector<std::string>{"N53I289288", "E53I288288"}));
  // One column must fit: a column of more than the limit is refused.
  try {
    SheetWalk(TMapUnionRange{A(116), A(0), A(116, 0, 1), A(100000)}, 10, true, true, Datum::Beijing54, 0, false);
    ADD_FAILURE() << "no refusal";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("一列需要生成 57,600,000 幅，超过了一列最多 5,000,000 幅"), std::string::npos) << e.what();
  }
}

TEST(Sheets, CountsInMessagesAreGroupedByThousands) {
  struct Case { double count; const char* text; } cases[] = {
      {0, "0"},
      {7, "7"},
      {999, "999"},
      {1000, "1,000"},
      {36'864, "36,864"},
      {8'875'008, "8,875,008"},
      {5'000'000, "5,000,000"},
      {24'330'240, "24,330,240"},
      {123'456'789'012, "123,456,789,012"},
      {-1234, "-1,234"},
      {-999, "-999"},
      {2.5, "3"},
      {1e18, "1e+18"},
      {1e30, "1e+30"},
      {std::numeric_limits<double>::infinity(), "inf"},
  };
  for (const auto& c : cases) EXPECT_EQ(FormatCount(c.count), c.text) << c.count;
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

// Without a central meridian a sheet's four corners share the zone that holds
// it: I-49-144-D (113°45′–114°) lies in the 6-degree zone of 111° though 114°
// starts the next zone, and the sheets east of 114° are on the zone of 117°.
// Whole, under an area, and for the literal rules alike.
TEST(Sheets, ACornerOnAZoneBoundaryBelongsToTheSheetItBounds) {
  const TMapUnionRange request = Area(A(113, 50), A(31, 50), A(114, 20), A(32, 10));
  const GeoMultiPolygon area = {{{{{113.9, 31.9}, {114.1, 31.9}, {114.1, 32.05}, {113.9, 32.05}, {113.9, 31.9}}}}};
  for (const Datum datum : {Datum::Beijing54, Datum::Cgcs2000}) {
    TStandardMapUnions whole, literalRules, inArea;
    CreateSheets(request, 4, Standard::Old, false, datum, 0, whole);
    literal::CreateSheets(request, 4, Standard::Old, false, datum, 0, true, literalRules);
    CreateMapUnionsInArea(area, 4, false, false, datum, 0, 0, inArea);
    int boundary = 0;
    for (const TStandardMapUnions* table : {&whole, &literalRules, &inArea}) {
      ASSERT_FALSE(table->empty());
      for (const auto& column : *table) {
        for (const TStandardMapUnion& s : column) {
          const double west = DmsToDeg(s.Range.West), east = DmsToDeg(s.Range.East);
          const double cm = west < 114 ? 111 : 117;
          const ZoneParams zone{false, cm, 0, 500000};
          const TLonLatDMS at[4] = {{s.Range.West, s.Range.North}, {s.Range.East, s.Range.North},
                                    {s.Range.East, s.Range.South}, {s.Range.West, s.Range.South}};
          for (int k = 0; k < 4; ++k) {
            EXPECT_EQ(s.PlaneCorners[k], GeoToPlane(datum, at[k], zone)) << s.MapUnionNo << " corner " << k;
          }
          // A frame 1:5万 wide, not a bow-tie across two zones.
          EXPECT_NEAR(s.PlaneCorners[kNE].X - s.PlaneCorners[kNW].X, 23600, 300) << s.MapUnionNo;
          if (east == 114) ++boundary;
        }
      }
    }
    EXPECT_EQ(boundary, 2 + 2 + 2) << "the two sheets west of 114° in each table";
  }
}

}  // namespace
}  // namespace karvento
