// SPDX-License-Identifier: Apache-2.0
// Generate on the three generating tabs and Convert on the conversion tab,
// through the window as the user drives it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "numbering/unMapUnRgPub.h"
#include "window_fixture.h"

namespace karvento {
namespace {

using testing::WindowTest;

using Generate = WindowTest;

using testing::LessOffsets;

TEST_F(Generate, GeodeticTabsListWhatTheSheetRoutinesReturnLessTheOffsets) {
  struct Case {
    int tab;
    bool oldStandard;
    ScaleIndex scale;
    int zoneIndex;
    double cm, dx, dy;
  } cases[] = {
      {0, false, 3, 0, 0, 0, 0},      {0, true, 3, 0, 117, 39000000, 4000000},
      {1, false, 4, 1, 0, 500000, 0}, {1, true, 6, 1, 117, 0, 1000},
      {0, true, 0, 0, 0, 0, 0},       {1, false, 7, 0, 117, 0, 0},
  };
  for (const Case& c : cases) {
    const bool is54 = c.tab == 0;
    frm.SetActiveTab(c.tab);
    SetCorners(c.tab, {116, 10, 0}, {39, 20, 0}, {117, 5, 0}, {40, 0, 0});
    (is54 ? frm.RzRadioButton2 : frm.RzRadioButton4).Choose();
    if (!c.oldStandard) (is54 ? frm.RzRadioButton1 : frm.RzRadioButton3).Choose();
    (is54 ? frm.RzComboBox2 : frm.RzComboBox4).SetItemIndex(c.scale);
    (is54 ? frm.RzComboBox1 : frm.RzComboBox3).SetItemIndex(c.zoneIndex);
    (is54 ? frm.RzSpinEdit13 : frm.RzSpinEdit26).SetValue(c.cm);
    (is54 ? frm.RzNumericEdit1 : frm.RzNumericEdit3).SetValue(c.dx);
    (is54 ? frm.RzNumericEdit2 : frm.RzNumericEdit4).SetValue(c.dy);
    frm.RzBitBtn1Click();

    const TMapUnionRange range{{116, 10, 0}, {39, 20, 0}, {117, 5, 0}, {40, 0, 0}};
    TStandardMapUnions direct;
    if (c.oldStandard) {
      CreateOldMapUnions(range, c.scale, c.zoneIndex == 0, LegacyDatum(is54), c.cm, direct);
    } else {
      CreateNewMapUnions(range, c.scale, c.zoneIndex == 0, c.cm, LegacyDatum(is54), direct);
    }
    ASSERT_FALSE(direct.empty());
    const TStandardMapUnions expected = LessOffsets(direct, c.dx, c.dy);
    EXPECT_EQ(is54 ? frm.FMapUnions54 : frm.FMapUnions80, expected) << c.tab << c.scale;
    const SheetList& list = is54 ? frm.RzCheckList1 : frm.RzCheckList2;
    EXPECT_EQ(Records(list), Flat(expected));
    for (std::size_t i = 0; i < list.Count(); ++i) {
      EXPECT_EQ(list.Text(i), list.StandardRecord(i).MapUnionNo);
      EXPECT_FALSE(list.Checked(i));
    }
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST_F(Generate, TheMillionSheetInBothStandards) {
  SetCorners(0, {114, 0, 0}, {36, 0, 0}, {120, 0, 0}, {40, 0, 0});
  frm.RzComboBox2.SetItemIndex(0);
  frm.RzRadioButton2.Choose();
  frm.RzBitBtn1Click();
  EXPECT_EQ(Texts(frm.RzCheckList1), std::vector<std::string>{"J-50"});
  frm.RzRadioButton1.Choose();
  frm.RzBitBtn1Click();
  EXPECT_EQ(Texts(frm.RzCheckList1), std::vector<std::string>{"J50"});
}

TEST_F(Generate, BothSystemsGiveTheSameSheetsWithDifferentPlaneCorners) {
  for (int tab : {0, 1}) {
    frm.SetActiveTab(tab);
    SetCorners(tab, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
    frm.RzBitBtn1Click();
  }
  const auto a = Records(frm.RzCheckList1), b = Records(frm.RzCheckList2);
  ASSERT_EQ(a.size(), b.size());
  ASSERT_FALSE(a.empty());
  for (std::size_t i = 0; i < a.size(); ++i) {
    EXPECT_EQ(a[i].MapUnionNo, b[i].MapUnionNo);
    EXPECT_EQ(a[i].Range, b[i].Range);
    EXPECT_NE(a[i].PlaneCorners, b[i].PlaneCorners);
  }
}

TEST_F(Generate, EveryRunReplacesTheListEvenWithNothing) {
  SetCorners(0, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
  frm.RzBitBtn1Click();
  ASSERT_GT(frm.RzCheckList1.Count(), 0u);
  frm.RzCheckList1.SetItemIndex(0);
  // The default extent, all corners 0°0′0″: nothing.
  SetCorners(0, {}, {}, {}, {});
  frm.RzBitBtn1Click();
  EXPECT_EQ(frm.RzCheckList1.Count(), 0u);
  EXPECT_EQ(frm.RzCheckList1.ItemIndex(), -1);
  EXPECT_TRUE(Flat(frm.FMapUnions54).empty());
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Generate, InvertedCornersEndTheCommandAndKeepThePreviousList) {
  for (int tab : {0, 1}) {
    frm.SetActiveTab(tab);
    SetCorners(tab, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
    frm.RzBitBtn1Click();
    const SheetList& list = tab == 0 ? frm.RzCheckList1 : frm.RzCheckList2;
    const auto before = Records(list);
    const TStandardMapUnions table = tab == 0 ? frm.FMapUnions54 : frm.FMapUnions80;
    ASSERT_FALSE(before.empty());
    // Corners inverted by whole sheets.
    SetCorners(tab, {118, 0, 0}, {41, 0, 0}, {116, 0, 0}, {39, 0, 0});
    frm.RzBitBtn1Click();
    const auto m = TakeMessage();
    EXPECT_EQ(m.caption, "错误");
    EXPECT_EQ(m.text, "范围错误：右上角经度在左下角经度以西，图幅的范围为空（请检查右上角经度与左下角经度）");
    EXPECT_EQ(m.icon, MessageIcon::Error);
    EXPECT_EQ(m.buttons, MessageButtons::Ok);
    EXPECT_EQ(Records(list), before);
    EXPECT_EQ(tab == 0 ? frm.FMapUnions54 : frm.FMapUnions80, table);
    // Inverted latitudes only: the latitude fields are named.
    SetCorners(tab, {116, 0, 0}, {41, 0, 0}, {117, 0, 0}, {39, 0, 0});
    frm.RzBitBtn1Click();
    EXPECT_EQ(TakeMessage().text,
              "范围错误：右上角纬度在左下角纬度以南，图幅的范围为空（请检查右上角纬度与左下角纬度）");
    // The window carries on.
    SetCorners(tab, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
    frm.RzBitBtn1Click();
    EXPECT_EQ(Records(list), before);
    EXPECT_TRUE(ui.messages.empty());
  }
}


TEST_F(Generate, TheLargeScalesInTheNewStandardOnly) {
  // The 1:5000 sheet J50H005079 (J-50-5-(24)-A) at the three large scales,
  // picked as items 8 to 10 of the scale list.
  struct Case { int item; std::size_t count; const char* first; const char* last; } cases[] = {
      {8, 9, "J50I013235", "J50I015237"},
      {9, 36, "J50J00250469", "J50J00300474"},
      {10, 144, "J50K00490937", "J50K00600948"},
  };
  for (int tab : {0, 1}) {
    frm.SetActiveTab(tab);
    SetCorners(tab, {116, 26, 15}, {39, 53, 45}, {116, 28, 7.5}, {39, 55, 0});
    PickList& scale = tab == 0 ? frm.RzComboBox2 : frm.RzComboBox4;
    const SheetList& list = tab == 0 ? frm.RzCheckList1 : frm.RzCheckList2;
    for (const Case& c : cases) {
      scale.SetItemIndex(c.item);
      (tab == 0 ? frm.RzRadioButton1 : frm.RzRadioButton3).Choose();
      frm.RzBitBtn1Click();
      const std::vector<std::string> numbers = Texts(list);
      ASSERT_EQ(numbers.size(), c.count) << c.item;
      EXPECT_EQ(numbers.front(), c.first);
      EXPECT_EQ(numbers.back(), c.last);
      EXPECT_TRUE(ui.messages.empty());
      // The old standard has no such scale: refused, the list kept.
      const auto before = Records(list);
      (tab == 0 ? frm.RzRadioButton2 : frm.RzRadioButton4).Choose();
      frm.RzBitBtn1Click();
      const auto m = TakeMessage();
      EXPECT_EQ(m.text, OldStandardLacksScaleMessage(c.item, false).Text());
      EXPECT_EQ(m.icon, MessageIcon::Error);
      EXPECT_EQ(Records(list), before);
    }
  }
}

// More sheets than one run may produce is the program's own refusal: its own
// error box, the counts grouped by thousands, the previous list kept.
TEST_F(Generate, TooManySheetsAreRefusedInTheProgramsOwnErrorBox) {
  struct Case {
    int tab;
    std::string count;
  } cases[] = {
      {0, "24,330,240"},  // 0°–180° E, 0°–88° N at 1:5000: 5760 × 4224 sheets
      {1, "24,330,240"},
      {2, "10,000,000"},  // 10,000 km × 1,000 km in sheets of 1 km
  };
  for (const Case& c : cases) {
    frm.SetActiveTab(c.tab);
    if (c.tab == 2) {
      frm.RzNumericEdit7.SetValue(1000);
      frm.RzNumericEdit8.SetValue(1000);
      frm.RzSpinEdit28.SetValue(1000);
      frm.RzSpinEdit29.SetValue(1000);
    } else {
      SetCorners(c.tab, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
    }
    frm.RzBitBtn1Click();
    const SheetList& list = c.tab == 0 ? frm.RzCheckList1 : c.tab == 1 ? frm.RzCheckList2
                                                                         : frm.RzCheckList3;
    ASSERT_GT(list.Count(), 0u);
    const std::vector<std::string> before = Texts(list);
    if (c.tab == 2) {
      frm.RzNumericEdit7.SetValue(10'000'000);
      frm.RzNumericEdit8.SetValue(1'000'000);
    } else {
      SetCorners(c.tab, {0, 0, 0}, {0, 0, 0}, {180, 0, 0}, {88, 0, 0});
      (c.tab == 0 ? frm.RzComboBox2 : frm.RzComboBox4).SetItemIndex(7);
    }
    frm.RzBitBtn1Click();
    const auto m = TakeMessage();
    EXPECT_EQ(m.caption, "错误") << c.tab;
    EXPECT_EQ(m.icon, MessageIcon::Error);
    EXPECT_EQ(m.buttons, MessageButtons::Ok);
    EXPECT_EQ(m.text.rfind("图幅数量过多：这次需要生成 " + c.count + " 幅，超过了一次最多 5,000,000 幅的上限。",
                           0),
              0u)
        << m.text;
    EXPECT_EQ(Texts(list), before) << c.tab;
  }
}

using GenerateCustom = WindowTest;

TEST_F(GenerateCustom, GridsFromTheTab) {
  struct Case {
    double minX, minY, maxX, maxY, step;
    int row, col;
    bool byRowCol;
    const char* format;
    std::vector<TCustomMapUnion> sheets;
  } cases[] = {
      {0,
       0,
       1000,
       500,
       500,
       1,
       1,
       true,
       "[ROW]+[COL]",
       {{"1+1", 0, 0, 500, 500}, {"1+2", 500, 0, 1000, 500}}},
      {0,
       0,
       1000,
       500,
       500,
       0,
       0,
       true,
       "[ROW]+[COL]",
       {{"0+0", 0, 0, 500, 500}, {"0+1", 500, 0, 1000, 500}}},
      {120,
       130,
       980,
       470,
       500,
       1,
       1,
       true,
       "[COL]-[ROW]",
       {{"1-1", 0, 0, 500, 500}, {"2-1", 500, 0, 1000, 500}}},
      {500,
       0,
       1000,
       1000,
       500,
       1,
       1,
       true,
       "[row]+[col]",
       {{"1+1", 500, 0, 1000, 500}, {"2+1", 500, 500, 1000, 1000}}},
      {3456500,
       4123000,
       3457000,
       4123500,
       500,
       0,
       0,
       false,
       "[Y]-[X]",
       {{"23.00-56.50", 3456500, 4123000, 3457000, 4123500}}},
  };
  for (const Case& c : cases) {
    frm.SetActiveTab(2);
    frm.RzNumericEdit5.SetValue(c.minX);
    frm.RzNumericEdit6.SetValue(c.minY);
    frm.RzNumericEdit7.SetValue(c.maxX);
    frm.RzNumericEdit8.SetValue(c.maxY);
    frm.RzSpinEdit28.SetValue(c.step);
    frm.RzSpinEdit29.SetValue(c.step);
    frm.RzSpinEdit30.SetValue(c.row);
    frm.RzSpinEdit31.SetValue(c.col);
    (c.byRowCol ? frm.RzRadioButton9 : frm.RzRadioButton10).Choose();
    frm.RzEdit1.SetText(c.format);
    frm.RzBitBtn1Click();
    std::vector<TCustomMapUnion> listed, table;
    for (std::size_t i = 0; i < frm.RzCheckList3.Count(); ++i) {
      listed.push_back(frm.RzCheckList3.CustomRecord(i));
      EXPECT_EQ(frm.RzCheckList3.Text(i), listed.back().MapUnionNo);
    }
    for (const auto& row : frm.FCustomMapUnions) table.insert(table.end(), row.begin(), row.end());
    EXPECT_EQ(listed, c.sheets) << c.format;
    EXPECT_EQ(table, c.sheets) << c.format;
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST_F(GenerateCustom, RefusalsAreShownAndTheEmptyResultIsListed) {
  struct Case {
    const char* format;
    double stepX;
    const char* message;
  } cases[] = {
      {"no tokens", 500, "图副格式不符合规定！"},
      {"[ROW]+[COL]", 0,
       "偏移值太小了！\r\n坐标平移 X方向为 0：它是每幅图沿 X 方向的大小（格网间距），请输入大于 0 的值。"},
      {"neither", 0, "图副格式不符合规定！"},  // the format check comes first
  };
  for (const Case& c : cases) {
    frm.SetActiveTab(2);
    frm.RzEdit1.SetText("[ROW]+[COL]");
    frm.RzNumericEdit7.SetValue(1000);
    frm.RzNumericEdit8.SetValue(500);
    frm.RzSpinEdit28.SetValue(500);
    frm.RzSpinEdit29.SetValue(500);
    frm.RzBitBtn1Click();
    ASSERT_EQ(frm.RzCheckList3.Count(), 2u);
    frm.RzEdit1.SetText(c.format);
    frm.RzSpinEdit28.SetValue(c.stepX);
    frm.RzBitBtn1Click();
    const auto m = TakeMessage();
    EXPECT_EQ(m.caption, "错误");
    EXPECT_EQ(m.text, c.message);
    EXPECT_EQ(m.icon, MessageIcon::Error);
    EXPECT_EQ(m.buttons, MessageButtons::Ok);
    EXPECT_EQ(frm.RzCheckList3.Count(), 0u);
    EXPECT_TRUE(frm.FCustomMapUnions.empty());
  }
}

// The longest format the field takes, over 62,500 sheets of the smallest
// step, would need 2 GB of numbers: the grid refuses it before making any,
// and the list keeps what it showed.
TEST_F(GenerateCustom, NumbersBeyondTheirMemoryLimitAreRefused) {
  frm.SetActiveTab(2);
  frm.RzEdit1.SetText("[ROW]+[COL]");
  frm.RzNumericEdit7.SetValue(1000);
  frm.RzNumericEdit8.SetValue(500);
  frm.RzSpinEdit28.SetValue(500);
  frm.RzSpinEdit29.SetValue(500);
  frm.RzBitBtn1Click();
  ASSERT_EQ(frm.RzCheckList3.Count(), 2u);
  const TCustomMapUnions before = frm.FCustomMapUnions;
  frm.RzEdit1.SetText(std::string(32767 - 11, 'x') + "[ROW]+[COL]");
  frm.RzNumericEdit7.SetValue(2500);
  frm.RzNumericEdit8.SetValue(2500);
  frm.RzSpinEdit28.SetValue(10);
  frm.RzSpinEdit29.SetValue(10);
  frm.RzBitBtn1Click();
  const auto m = TakeMessage();
  EXPECT_EQ(m.text.find("图幅号过长：62,500 幅图的图幅号（编号格式 32,767 字节）"), 0u) << m.text;
  EXPECT_EQ(m.caption, "错误");
  EXPECT_EQ(m.icon, MessageIcon::Error);
  EXPECT_EQ(frm.RzCheckList3.Count(), 2u);
  EXPECT_EQ(frm.FCustomMapUnions, before);
}

TEST_F(GenerateCustom, TheScaleFieldTakesNoPart) {
  frm.SetActiveTab(2);
  frm.RzNumericEdit7.SetValue(1000);
  frm.RzNumericEdit8.SetValue(1000);
  frm.RzSpinEdit28.SetValue(500);
  frm.RzSpinEdit29.SetValue(500);
  frm.RzBitBtn1Click();
  const TCustomMapUnions first = frm.FCustomMapUnions;
  frm.RzSpinEdit27.StepUp();
  frm.RzSpinEdit27.StepUp();
  frm.RzBitBtn1Click();
  EXPECT_EQ(frm.FCustomMapUnions, first);
  EXPECT_EQ(frm.RzSpinEdit27.Value(), 200);
}

using Convert = WindowTest;

TEST_F(Convert, BothDirectionsAtTheirTargetScales) {
  struct Case {
    std::vector<std::string> sources;
    bool oldToNew;
    ScaleIndex target;
    std::vector<std::string> targets;
  } cases[] = {
      {{"J-50-5"}, true, 4, {"J50E001009", "J50E002009", "J50E001010", "J50E002010"}},
      {{"J-50-5"}, true, 3, {"J50D001005"}},
      {{"J-50-5"}, true, 1, {"J50B001001"}},
      {{"J50D001005"}, false, 3, {"J-50-5"}},
      {{"J50D001005"}, false, 4, {"J-50-5-A", "J-50-5-C", "J-50-5-B", "J-50-5-D"}},
      // Two sources in one target sheet: the target twice, once after each.
      {{"J-50-5-A", "J-50-5-D"}, true, 3, {"J50D001005", "J50D001005"}},
      {{"J50E001009", "J50D001005"}, false, 3, {"J-50-5", "J-50-5"}},
  };
  for (const Case& c : cases) {
    frm.SetActiveTab(3);
    frm.RzCheckList4.Clear();
    AddSources(c.sources);
    (c.oldToNew ? frm.RzRadioButton5 : frm.RzRadioButton6).Choose();
    frm.RzComboBox5.SetItemIndex(c.target);
    frm.RzBitBtn1Click();
    EXPECT_EQ(Texts(frm.RzCheckList5), c.targets) << c.sources[0];
    // One outer entry per source.
    EXPECT_EQ(frm.FMapUnions54.size(), c.sources.size());
    EXPECT_EQ(Records(frm.RzCheckList5), Flat(frm.FMapUnions54));
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST_F(Convert, EverySourceCountsCheckedOrNot) {
  frm.SetActiveTab(3);
  AddSources({"J-50-5", "J-50-6"});
  frm.RzCheckList4.SetChecked(1, true);
  frm.RzComboBox5.SetItemIndex(3);
  frm.RzBitBtn1Click();
  EXPECT_EQ(Texts(frm.RzCheckList5), (std::vector<std::string>{"J50D001005", "J50D001006"}));
}

TEST_F(Convert, TheTargetTableIsTheChosenSystemsTable) {
  // A Generate on the first tab fills its list and the Beijing 54 table.
  SetCorners(0, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
  frm.RzBitBtn1Click();
  const auto tab0List = Records(frm.RzCheckList1);
  ASSERT_FALSE(tab0List.empty());

  frm.SetActiveTab(3);
  AddSources({"J-50-5"});
  frm.RzComboBox5.SetItemIndex(3);
  frm.RzSpinEdit34.SetValue(117);
  frm.RzNumericEdit9.SetValue(39000000);
  frm.RzBitBtn1Click();
  // "54坐标": the conversion replaces what the first tab exports; its list
  // stays as it was.
  ASSERT_EQ(frm.FMapUnions54.size(), 1u);
  ASSERT_EQ(frm.FMapUnions54[0].size(), 1u);
  EXPECT_EQ(frm.FMapUnions54[0][0].MapUnionNo, "J50D001005");
  EXPECT_EQ(Records(frm.RzCheckList1), tab0List);
  EXPECT_TRUE(frm.FMapUnions80.empty());

  TStandardMapUnions direct;
  CreateNewMapUnions(ParseOldMapUnionNo("J-50-5"), 3, true, 117, Datum::Beijing54, direct);
  EXPECT_EQ(frm.FMapUnions54, LessOffsets(direct, 39000000, 0));

  // "80坐标": the Xi'an 80 table, computed on Xi'an 80.
  frm.RzRadioButton8.Choose();
  frm.RzBitBtn1Click();
  TStandardMapUnions direct80;
  CreateNewMapUnions(ParseOldMapUnionNo("J-50-5"), 3, true, 117, Datum::Xian80, direct80);
  EXPECT_EQ(frm.FMapUnions80, LessOffsets(direct80, 39000000, 0));
  EXPECT_EQ(frm.FMapUnions54, LessOffsets(direct, 39000000, 0));
}

TEST_F(Convert, ATypedZoneMethodMeansSixDegreeZones) {
  frm.SetActiveTab(3);
  AddSources({"J-50-5"});
  frm.RzComboBox5.SetItemIndex(3);
  frm.RzComboBox6.SetText("随便");
  frm.RzBitBtn1Click();
  TStandardMapUnions six;
  CreateNewMapUnions(ParseOldMapUnionNo("J-50-5"), 3, false, 0, Datum::Beijing54, six);
  EXPECT_EQ(frm.FMapUnions54, six);
}

TEST_F(Convert, AnEmptySourceListEmptiesTheTargetAndTheTable) {
  frm.SetActiveTab(3);
  AddSources({"J-50-5"});
  frm.RzBitBtn1Click();
  ASSERT_GT(frm.RzCheckList5.Count(), 0u);
  frm.RzCheckList4.Clear();
  frm.RzBitBtn1Click();
  EXPECT_EQ(frm.RzCheckList5.Count(), 0u);
  EXPECT_TRUE(frm.FMapUnions54.empty());
}

TEST_F(Convert, ANumberOfTheOtherStandardIsRefusedByName) {
  frm.SetActiveTab(3);
  AddSources({"J50D001005"});
  frm.RzRadioButton5.Choose();  // "旧-->新" although the number is new-standard
  frm.RzBitBtn1Click();
  EXPECT_TRUE(Flat(frm.FMapUnions54).empty());
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text,
            "J50D001005是新图幅号，不是旧图幅号：旧图幅号转新图幅号只转换旧图幅号\r\n"
            "以上图幅号无法转换，其余已转换。");
}


TEST_F(Convert, ToTheLargeScalesOldToNewOnly) {
  frm.SetActiveTab(3);
  AddSources({"J-50-5-(24)-A"});
  frm.RzRadioButton5.Choose();
  frm.RzComboBox5.SetItemIndex(8);
  frm.RzBitBtn1Click();
  EXPECT_EQ(Texts(frm.RzCheckList5),
            (std::vector<std::string>{"J50I013235", "J50I014235", "J50I015235", "J50I013236",
                                      "J50I014236", "J50I015236", "J50I013237", "J50I014237",
                                      "J50I015237"}));
  EXPECT_TRUE(ui.messages.empty());
  // New → old to 1:1000 is refused with the reason, the target list kept;
  // so is it with no source at all.
  const auto before = Records(frm.RzCheckList5);
  frm.RzRadioButton6.Choose();
  frm.RzComboBox5.SetItemIndex(9);
  for (bool empty : {false, true}) {
    if (empty) frm.RzCheckList4.Clear();
    frm.RzBitBtn1Click();
    const auto m = TakeMessage();
    EXPECT_EQ(m.text, OldStandardLacksScaleMessage(9, true).Text());
    EXPECT_NE(m.text.find("1:1000"), std::string::npos) << m.text;
    EXPECT_EQ(Records(frm.RzCheckList5), before);
  }
}

}  // namespace
}  // namespace karvento
