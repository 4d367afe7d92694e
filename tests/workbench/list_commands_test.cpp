// SPDX-License-Identifier: Apache-2.0
// The helpers of a day's work on the model: the counts beside the lists, the
// keyboard and list-menu commands on the active list, a coordinate typed into
// a corner's degree field, a number typed on the source list, and the status
// line of a large Generate.
#include <gtest/gtest.h>

#include <cctype>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "window_fixture.h"

namespace karvento {
namespace {

using testing::WindowTest;

struct DayWork : WindowTest {
  // Six 1:1万 sheets on tab 0: two columns of three.
  void GenerateSix() {
    SetCorners(0, {116, 27, 0}, {39, 50, 0}, {116, 31, 0}, {39, 56, 0});
    frm.RzBitBtn1Click();
    ASSERT_EQ(frm.RzCheckList1.Count(), 6u);
  }
  std::vector<bool> Checks(const SheetList& list) {
    std::vector<bool> v;
    for (std::size_t i = 0; i < list.Count(); ++i) v.push_back(list.Checked(i));
    return v;
  }
};

TEST_F(DayWork, CountsFollowFillCheckDeleteAndAdd) {
  EXPECT_EQ(TfrmCreateMapUnRg::CountText(frm.RzCheckList1), "共 0 幅，已选 0 幅");
  GenerateSix();
  SheetList& list = frm.RzCheckList1;
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* count;
  } steps[] = {
      {"fill", [] {}, "共 6 幅，已选 0 幅"},
      {"check two", [&] { list.SetChecked(1, true), list.SetChecked(4, true); }, "共 6 幅，已选 2 幅"},
      {"check one twice", [&] { list.SetChecked(1, true); }, "共 6 幅，已选 2 幅"},
      {"uncheck", [&] { list.SetChecked(4, false); }, "共 6 幅，已选 1 幅"},
      {"invert", [&] { list.InvertChecked(); }, "共 6 幅，已选 5 幅"},
      {"delete answered No",
       [&] {
         ui.answers.push_back(MessageResult::No);
         frm.RzToolbarButton1Click();
       },
       "共 6 幅，已选 5 幅"},
      {"delete", [&] {
         ui.answers.push_back(MessageResult::Yes);
         frm.RzToolbarButton1Click();
       },
       "共 1 幅，已选 0 幅"},
      {"check all", [&] { list.SetAllChecked(true); }, "共 1 幅，已选 1 幅"},
      {"refill", [&] { frm.RzBitBtn1Click(); }, "共 6 幅，已选 0 幅"},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(TfrmCreateMapUnRg::CountText(list), s.count) << s.what;
  }
  // A number added to the source list counts, and taking rows back uncounts
  // their checks.
  frm.SetActiveTab(kTabConvert);
  AddSources({"J-50-5", "J-50-6"});
  frm.RzCheckList4.SetChecked(1, true);
  EXPECT_EQ(TfrmCreateMapUnRg::CountText(frm.RzCheckList4), "共 2 幅，已选 1 幅");
  frm.RzCheckList4.RemoveFrom(1);
  EXPECT_EQ(TfrmCreateMapUnRg::CountText(frm.RzCheckList4), "共 1 幅，已选 0 幅");
}

TEST_F(DayWork, KeyboardAndListMenuCommandsActOnTheActiveList) {
  GenerateSix();
  const std::vector<std::string> numbers = Texts(frm.RzCheckList1);
  SheetList& list = frm.RzCheckList1;
  ui.focus = "RzCheckList1";
  struct Case {
    const char* control;
    std::vector<std::size_t> checkedBefore;
    int currentBefore;
    std::vector<bool> checksAfter;
    std::string clipboard;  // expected clipboard after the command ("" = untouched)
  } cases[] = {
      {"CheckAll1", {2}, -1, {true, true, true, true, true, true}, ""},
      {"UncheckAll1", {0, 5}, -1, {false, false, false, false, false, false}, ""},
      {"InvertChecks1", {0, 5}, -1, {false, true, true, true, true, false}, ""},
      {"CopyNumbers1", {4, 1}, 3, {false, true, false, false, true, false},
       numbers[1] + "\n" + numbers[4] + "\n"},
      {"CopyNumbers1", {}, 3, {false, false, false, false, false, false}, numbers[3] + "\n"},
      {"CopyNumbers1", {}, -1, {false, false, false, false, false, false}, ""},
  };
  for (const Case& c : cases) {
    list.SetAllChecked(false);
    for (std::size_t r : c.checkedBefore) list.SetChecked(r, true);
    list.SetItemIndex(c.currentBefore);
    ui.clipboard.clear();
    ASSERT_TRUE(frm.Click(c.control)) << c.control;
    EXPECT_EQ(Checks(list), c.checksAfter) << c.control;
    EXPECT_EQ(ui.clipboard, c.clipboard) << c.control;
  }

  // Delete asks the delete command's question and removes the checked rows.
  list.SetAllChecked(false);
  list.SetChecked(0, true);
  ui.answers.push_back(MessageResult::Yes);
  ASSERT_TRUE(frm.Click("DeleteKey"));
  EXPECT_EQ(TakeMessage().text, "删除选中的 1 幅图幅号吗？");
  EXPECT_EQ(Texts(list), std::vector<std::string>(numbers.begin() + 1, numbers.end()));

  // On the conversion tab the target list is active until the source list
  // takes the focus; the other list is not touched.
  frm.SetActiveTab(kTabConvert);
  AddSources({"J-50-5"});
  frm.RzComboBox5.SetItemIndex(4);
  frm.RzBitBtn1Click();
  ASSERT_EQ(frm.RzCheckList5.Count(), 4u);
  ui.focus = "RzBitBtn1";
  frm.Click("CheckAll1");
  EXPECT_EQ(frm.RzCheckList5.CheckedCount(), 4u);
  EXPECT_EQ(frm.RzCheckList4.CheckedCount(), 0u);
  frm.NoteListFocus("RzCheckList4");
  frm.Click("InvertChecks1");
  EXPECT_EQ(frm.RzCheckList4.CheckedCount(), 1u);
  EXPECT_EQ(frm.RzCheckList5.CheckedCount(), 4u);
  // A list of another tab is never the active one.
  frm.NoteListFocus("RzCheckList1");
  frm.Click("UncheckAll1");
  EXPECT_EQ(frm.RzCheckList4.CheckedCount(), 0u);
}

TEST_F(DayWork, UndoDeleteRestoresTheLastDeleteUntilTheNextGenerate) {
  const auto records = [](const SheetList& l) {
    std::vector<std::string> v;
    for (std::size_t i = 0; i < l.Count(); ++i) v.push_back(l.StandardRecord(i).MapUnionNo);
    return v;
  };
  // A generated list, and a source list of numbers added one by one (their
  // records belong to the list itself).
  GenerateSix();
  frm.SetActiveTab(kTabConvert);
  AddSources({"J-50-5", "J-50-6", "J-50-7", "J-50-8", "J-50-9"});
  frm.SetActiveTab(0);
  for (SheetList* list : {&frm.RzCheckList1, &frm.RzCheckList4}) {
    frm.SetActiveTab(list == &frm.RzCheckList1 ? 0 : kTabConvert);
    frm.NoteListFocus(list->Name());
    list->SetChecked(1, true);
    list->SetChecked(3, true);
    list->SetItemIndex(4);
    const std::vector<std::string> texts = Texts(*list);
    const std::vector<bool> checks = Checks(*list);
    EXPECT_FALSE(frm.UndoDelete1.Enabled);
    ui.answers.push_back(MessageResult::Yes);
    ASSERT_TRUE(frm.Click("DeleteKey"));
    EXPECT_EQ(TakeMessage().text, "删除选中的 2 幅图幅号吗？");
    ASSERT_EQ(list->Count(), texts.size() - 2);
    EXPECT_TRUE(frm.UndoDelete1.Enabled);
    ASSERT_TRUE(frm.Click("UndoDelete1"));
    EXPECT_EQ(Texts(*list), texts);
    EXPECT_EQ(records(*list), texts);
    EXPECT_EQ(Checks(*list), checks);
    EXPECT_EQ(list->CheckedCount(), 2u);
    EXPECT_EQ(list->ItemIndex(), 4);
    EXPECT_EQ(frm.StatusLine.Caption, "已恢复 2 幅");
    // Once only.
    EXPECT_FALSE(frm.UndoDelete1.Enabled);
    frm.UndoDelete1Click();
    EXPECT_EQ(Texts(*list), texts);
    EXPECT_EQ(frm.StatusLine.Caption, "没有可撤销的删除");
  }
  // A Generate ends what can be taken back.
  frm.SetActiveTab(0);
  ui.answers.push_back(MessageResult::Yes);
  frm.RzToolbarButton1Click();
  TakeMessage();
  frm.RzBitBtn1Click();
  EXPECT_FALSE(frm.UndoDelete1.Enabled);
  frm.UndoDelete1Click();
  EXPECT_EQ(frm.RzCheckList1.Count(), 6u);
  EXPECT_EQ(frm.StatusLine.Caption, "没有可撤销的删除");
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(DayWork, FindAndFindNextReportWhatTheyDidNotFind) {
  // Two equal numbers among others, as a conversion of two sources in the
  // same target sheet lists them.
  frm.SetActiveTab(kTabConvert);
  AddSources({"J-50-5-(1)", "J-50-5-(2)", "J-50-5-(1)"});
  frm.RzComboBox5.SetItemIndex(3);
  frm.RzBitBtn1Click();
  const std::vector<std::string> t = Texts(frm.RzCheckList5);
  ASSERT_EQ(t.size(), 3u);
  ASSERT_EQ(t[0], t[1]);
  ASSERT_EQ(t[1], t[2]);
  ui.focus = "RzCheckList5";
  std::string lower = t[0];
  for (char& ch : lower) ch = static_cast<char>(std::tolower(static_cast<unsigned char>(ch)));
  const std::string missing = t[0].substr(0, t[0].size() - 1) + (t[0].back() == '9' ? "8" : "9");
  const std::string notFound = "未找到图幅号 " + missing;
  struct Step {
    const char* control;
    std::optional<std::string> typed;  // the find dialog's answer
    int current;                       // the current row after
    std::string status;
  } steps[] = {
      {"FindNextKey", lower, 0, ""},  // nothing looked for yet: find
      {"FindNextKey", std::nullopt, 1, ""},
      {"FindNextKey", std::nullopt, 2, ""},
      {"FindNextKey", std::nullopt, 0, ""},  // round to the top
      {"FindKey", missing, 0, notFound},
      {"FindNextKey", std::nullopt, 0, notFound},
      {"FindKey", t[0], 0, ""},
  };
  for (const Step& s : steps) {
    if (s.typed) ui.texts.push_back(*s.typed);
    ASSERT_TRUE(frm.Click(s.control));
    EXPECT_EQ(frm.RzCheckList5.ItemIndex(), s.current) << s.control;
    EXPECT_EQ(frm.StatusLine.Caption, s.status) << s.control;
  }
  EXPECT_EQ(ui.stringDialogs.size(), 3u + 3u);  // three numbers added, three finds
}

TEST_F(DayWork, CoordinatesTypedIntoACornersDegreeField) {
  struct Case {
    int field;         // RzSpinEdit<field>, a degree field or another one
    const char* text;  // typed or pasted
    std::vector<double> angle;  // the angle's three fields after; empty: unchanged
    const char* status;         // the status line after ("" = cleared)
  } cases[] = {
      {1, "116°20'30.5\"", {116, 20, 30.5}, ""},
      {1, "116°20′30.5″", {116, 20, 30.5}, ""},
      {4, "39 54 27.25", {39, 54, 27.25}, ""},
      {7, "116:20:30.5", {116, 20, 30.5}, ""},
      {10, "40.5", {40, 30, 0}, ""},
      {14, "116.341806", {116, 20, 30.502}, ""},  // seconds kept to three places
      {23, "39d54m", {39, 54, 0}, ""},
      {1, "abc", {}, "“abc”不是坐标：不是数字"},
      {1, "116°20'30.5\"N", {}, "“116°20'30.5\"N”不是坐标：半球与经度或纬度不符"},
      {1, "1:2:3:4", {}, "“1:2:3:4”不是坐标：多于度、分、秒三项"},
      {1, "116'", {}, "“116'”不是坐标：度、分、秒符号的位置不对"},
      {1, "181 0 0", {}, "“181 0 0”超出范围：度 0～180，分 0～59 的整数，秒 0～60"},
      {4, "91.5", {}, "“91.5”超出范围：度 0～90，分 0～59 的整数，秒 0～60"},
      {1, "116 60 0", {}, "“116 60 0”超出范围：度 0～180，分 0～59 的整数，秒 0～60"},
      {1, "116 20.5 0", {}, "“116 20.5 0”不是坐标：只有最后一项可以有小数"},
      {1, "116.5 20", {}, "“116.5 20”不是坐标：只有最后一项可以有小数"},
      {1, "-116.5", {}, "“-116.5”超出范围：度 0～180，分 0～59 的整数，秒 0～60"},
  };
  for (const Case& c : cases) {
    SetCorners(0, {100, 1, 2}, {30, 3, 4}, {101, 5, 6}, {31, 7, 8});
    SetCorners(1, {100, 1, 2}, {30, 3, 4}, {101, 5, 6}, {31, 7, 8});
    frm.StatusLine.Caption = "before";
    const int tab = c.field < 14 ? 0 : 1;
    const std::vector<double> before = Corners(tab);
    EXPECT_EQ(frm.EnterText(Spin(c.field), c.text), !c.angle.empty()) << c.text;
    std::vector<double> expected = before;
    const int first = c.field - (tab == 0 ? 1 : 14);
    for (std::size_t k = 0; k < c.angle.size(); ++k) expected[first + k] = c.angle[k];
    EXPECT_EQ(Corners(tab), expected) << c.text;
    EXPECT_EQ(frm.StatusLine.Caption, c.status) << c.text;
  }
  // A whole number, an empty text, and every other field keep the fields'
  // own rules: minutes and seconds untouched, empty is the lower limit.
  SetCorners(0, {100, 1, 2}, {30, 3, 4}, {101, 5, 6}, {31, 7, 8});
  EXPECT_TRUE(frm.EnterText(Spin(1), "117"));
  EXPECT_EQ(Corners(0)[0], 117);
  EXPECT_EQ(Corners(0)[1], 1);
  EXPECT_TRUE(frm.EnterText(Spin(1), ""));
  EXPECT_EQ(Corners(0)[0], 0);
  // A minutes field reads no coordinate: the text is no number and the
  // field keeps its value.
  EXPECT_FALSE(frm.EnterText(Spin(2), "20 30"));
  EXPECT_EQ(Corners(0)[1], 1);
  EXPECT_TRUE(frm.EnterText(Spin(3), "30.5"));
  EXPECT_EQ(Corners(0)[2], 30.5);
}

TEST_F(DayWork, NumbersTypedOnTheSourceListAreAddedAsNewOnesAre) {
  frm.SetActiveTab(kTabConvert);
  frm.AddTypedNumber("J-50-5");
  frm.AddTypedNumber("J50E001009");
  frm.AddTypedNumber("X9");
  EXPECT_EQ(Texts(frm.RzCheckList4), (std::vector<std::string>{"J-50-5", "J50E001009"}));
  EXPECT_EQ(TakeMessage().text, "X9不是标准图幅号！");
  // The direction follows the kind of the last number added, as with "新建".
  EXPECT_TRUE(frm.RzRadioButton6.Checked());
  EXPECT_EQ(TfrmCreateMapUnRg::MakeSourceMapUnion("J-50-5", 1, 0, true, true),
            frm.RzCheckList4.StandardRecord(0));
}

TEST_F(DayWork, ALargeGenerateSaysHowLongItTook) {
  struct Case {
    int scale;
    TAngleDMS west, south, east, north;
    bool timed;
  } cases[] = {
      {6, {116, 27, 0}, {39, 50, 0}, {116, 31, 0}, {39, 56, 0}, false},  // six sheets
      // 1:5000 over 8° by 1°: 256 columns of 48 sheets.
      {7, {112, 0, 0}, {39, 0, 0}, {120, 0, 0}, {40, 0, 0}, true},
  };
  for (const Case& c : cases) {
    frm.StatusLine.Caption = "before";
    SetCorners(0, c.west, c.south, c.east, c.north);
    frm.RzComboBox2.SetItemIndex(c.scale);
    frm.RzBitBtn1Click();
    const std::string count = std::to_string(frm.RzCheckList1.Count());
    EXPECT_EQ(frm.RzCheckList1.Count() >= kTimedSheets, c.timed);
    const std::string& s = frm.StatusLine.Caption;
    if (c.timed) {
      const std::string head = "已生成 " + count + " 幅，用时 ";
      ASSERT_EQ(s.substr(0, head.size()), head) << s;
      EXPECT_EQ(s.substr(s.size() - 4), " 秒") << s;
      EXPECT_GE(std::stod(s.substr(head.size())), 0.0) << s;
    } else {
      EXPECT_EQ(s, "") << s;
    }
  }
}

}  // namespace
}  // namespace karvento
