// SPDX-License-Identifier: Apache-2.0
// Save and open, number lists and new numbers, imports, find, delete, sheet
// information, the coordinate tools and the dispatcher, as the user drives
// them.
#include <gtest/gtest.h>

#include <cstdio>

#include <cctype>
#include <cmath>
#include <new>
#include <string>
#include <vector>

#include "geodesy/gauss_kruger.h"
#include "numbering/unMapUnRgPub.h"
#include "window_fixture.h"

namespace karvento {
namespace {

using testing::TempDir;
using testing::WindowTest;

using SaveOpen = WindowTest;

TEST_F(SaveOpen, SaveWritesTheEightLinesAndOpenReadsThemBack) {
  TempDir dir;
  SetCorners(0, {115, 30, 0}, {39, 20, 12.346}, {117, 0, 0}, {40, 0, 0});
  frm.RzComboBox1.SetItemIndex(1);
  frm.RzSpinEdit13.SetValue(117);
  frm.RzNumericEdit1.SetValue(123.9);
  frm.RzNumericEdit2.SetValue(-45);
  // A name without extension gets ".txt".
  ui.fileNames.push_back(dir.File("params"));
  frm.RzBitBtn2Click();
  ASSERT_EQ(ui.fileDialogs.size(), 1u);
  EXPECT_EQ(ui.fileDialogs[0].kind, FileDialogKind::Save);
  EXPECT_EQ(ui.fileDialogs[0].filter, "文本文件（*.txt）|*.txt");
  EXPECT_EQ(ui.fileDialogs[0].defaultExt, "txt");
  EXPECT_EQ(TempDir::Read(dir.File("params.txt")),
            "115 30 0.00\r\n39 20 12.346\r\n117 0 0.00\r\n40 0 0.00\r\n6\r\n117.00\r\n123\r\n"
            "-45\r\n");

  // Opened on the other tab, it fills that tab's fields.
  frm.SetActiveTab(1);
  ui.fileNames.push_back(dir.File("params.txt"));
  frm.RzToolbarButton13Click();
  EXPECT_EQ(ui.fileDialogs.back().kind, FileDialogKind::Open);
  EXPECT_EQ(ui.fileDialogs.back().filter, "文本文件（*.txt）|*.txt");
  EXPECT_EQ(ui.fileDialogs.back().defaultExt, "");
  EXPECT_EQ(Corners(1), (std::vector<double>{115, 30, 0, 39, 20, 12.346, 117, 0, 0, 40, 0, 0}));
  EXPECT_EQ(frm.RzComboBox3.ItemIndex(), 1);
  EXPECT_EQ(frm.RzSpinEdit26.Value(), 117);
  EXPECT_EQ(frm.RzNumericEdit3.Value(), 123);
  EXPECT_EQ(frm.RzNumericEdit4.Value(), -45);
  EXPECT_TRUE(ui.messages.empty());

  // The dialog offers the last name again.
  frm.SetActiveTab(0);
  ui.fileNames.push_back(std::nullopt);
  frm.RzBitBtn2Click();
  EXPECT_EQ(ui.fileDialogs.back().initialName, dir.File("params.txt"));
}

TEST_F(SaveOpen, CancelWritesAndChangesNothing) {
  SetCorners(0, {116, 0, 0}, {39, 0, 0}, {117, 0, 0}, {40, 0, 0});
  const auto before = Corners(0);
  ui.fileNames.push_back(std::nullopt);
  frm.RzBitBtn2Click();
  ui.fileNames.push_back(std::nullopt);
  frm.RzToolbarButton12Click();
  EXPECT_EQ(Corners(0), before);
  EXPECT_TRUE(ui.messages.empty());
  ui.ExpectDrained();
}

TEST_F(SaveOpen, OddParameterFiles) {
  struct Case {
    const char* name;
    std::string text;
    std::vector<double> corners;
    int zone;
    double cm, dx, dy;
  } cases[] = {
      {"fewer than four lines", "116 30 0\r\n39 0 0\r\n", std::vector<double>(12, 0), 0, 0, 0, 0},
      {"exactly four lines",
       "116 30 0\r\n39 0 0\r\n117 0 0\r\n40 0 0\r\n",
       {116, 30, 0, 39, 0, 0, 117, 0, 0, 40, 0, 0},
       0,
       0,
       0,
       0},
      {"line five with a blank before the 6",
       "1\r\n2\r\n3\r\n4\r\n 6\r\n117\r\n5\r\n6\r\n",
       {1, 0, 0, 2, 0, 0, 3, 0, 0, 4, 0, 0},
       0,
       117,
       5,
       6},
      {"values beyond the fields' limits",
       "200 75 61.5\r\n-3 -1 -2\r\n\r\n\r\n6\r\n400\r\n1.6\r\n2.4",
       {180, 59, 60, 0, 0, 0, 0, 0, 0, 0, 0, 0},
       1,
       180,
       1.6,
       2},
      {"LF line ends",
       "116 30\n39\n117\n40\n6\n",
       {116, 30, 0, 39, 0, 0, 117, 0, 0, 40, 0, 0},
       1,
       0,
       0,
       0},
  };
  for (const Case& c : cases) {
    TempDir dir;
    // Fields that the file does not mention are reset as well.
    SetCorners(0, {5, 5, 5}, {5, 5, 5}, {5, 5, 5}, {5, 5, 5});
    frm.RzComboBox1.SetItemIndex(1);
    frm.RzSpinEdit13.SetValue(99);
    frm.RzNumericEdit1.SetValue(7);
    frm.RzNumericEdit2.SetValue(7);
    ui.fileNames.push_back(dir.Write("p.txt", c.text));
    frm.RzToolbarButton12Click();
    EXPECT_EQ(Corners(0), c.corners) << c.name;
    EXPECT_EQ(frm.RzComboBox1.ItemIndex(), c.zone) << c.name;
    EXPECT_EQ(frm.RzSpinEdit13.Value(), c.cm) << c.name;
    EXPECT_EQ(frm.RzNumericEdit1.Value(), c.dx) << c.name;
    EXPECT_EQ(frm.RzNumericEdit2.Value(), c.dy) << c.name;
    EXPECT_TRUE(ui.messages.empty()) << c.name;
  }
}

TEST_F(SaveOpen, AFileThatDoesNotReadChangesNoField) {
  struct Case {
    std::string text;
    const char* message;
  } cases[] = {
      {"116  30\r\n39 0 0\r\n117 0 0\r\n40 0 0\r\n", "中“”不是有效的数字"},
      {"1\r\n2\r\n3\r\n4\r\n3\r\n\r\n", "中“”不是有效的数字"},
      {"1\r\n2\r\n3\r\n4\r\n3\r\n117\r\nabc\r\n", "中“abc”不是有效的数字"},
  };
  for (const Case& c : cases) {
    TempDir dir;
    SetCorners(0, {5, 5, 5}, {5, 5, 5}, {5, 5, 5}, {5, 5, 5});
    const auto before = Corners(0);
    ui.fileNames.push_back(dir.Write("p.txt", c.text));
    frm.RzToolbarButton12Click();
    const auto m = TakeMessage();
    // The runtime's English in Chinese, naming the file.
    EXPECT_EQ(m.caption, "错误");
    EXPECT_EQ(m.text, "参数文件 “" + dir.File("p.txt") + "” " + c.message);
    EXPECT_EQ(m.icon, MessageIcon::Error);
    EXPECT_EQ(Corners(0), before);
  }
  // A missing file: the file error names it.
  TempDir dir;
  ui.fileNames.push_back(dir.File("gone.txt"));
  frm.RzToolbarButton12Click();
  EXPECT_EQ(TakeMessage().text,
            "无法打开文件 “" + dir.File("gone.txt") + "”：文件或文件夹不存在");
  // Saving into a folder that does not exist.
  ui.fileNames.push_back(dir.File("none/p.txt"));
  frm.RzBitBtn2Click();
  EXPECT_EQ(TakeMessage().text,
            "无法写入文件 “" + dir.File("none/p.txt") + "”：文件或文件夹不存在");
}

using NumberLists = WindowTest;

TEST_F(NumberLists, GoodLinesAreKeptInOrderAndBadOnesListedInOneMessage) {
  TempDir dir;
  frm.SetActiveTab(3);
  frm.RzRadioButton6.Choose();
  ui.fileNames.push_back(
      dir.Write("n.txt", "J-50-5\r\nnot a number\r\nJ50D001005\r\n\r\nJ-50\nX9"));
  frm.RzToolbarButton14Click();
  EXPECT_EQ(Texts(frm.RzCheckList4), (std::vector<std::string>{"J-50-5", "J50D001005", "J-50"}));
  const auto m = TakeMessage();
  EXPECT_EQ(m.caption, "错误");
  EXPECT_EQ(m.icon, MessageIcon::Error);
  EXPECT_EQ(m.buttons, MessageButtons::Ok);
  EXPECT_EQ(m.text, "not a number\r\n\r\nX9\r\n以上不是标准图幅号！");
  // The direction is not touched by a file.
  EXPECT_TRUE(frm.RzRadioButton6.Checked());
  // A second file appends.
  ui.fileNames.push_back(dir.Write("m.txt", "J-50-6\r\n"));
  frm.RzToolbarButton14Click();
  EXPECT_EQ(frm.RzCheckList4.Count(), 4u);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(NumberLists, ALongListKeepsItsOrderAndTellsTheView) {
  struct Counter : SheetListObserver {
    std::size_t appended = 0;
    void ListChanged(const SheetList&, ListChange c, std::size_t, std::size_t count) override {
      if (c == ListChange::Appended) appended += count;
    }
  } view;
  frm.RzCheckList4.SetObserver(&view);
  TempDir dir;
  std::string text;
  std::vector<std::string> expected;
  for (int i = 1; i <= 3000; ++i) {
    const std::string n = "J-50-" + std::to_string(i % 144 + 1);
    text += n + (i % 2 == 0 ? "\n" : "\r\n");
    expected.push_back(n);
  }
  ui.fileNames.push_back(dir.Write("long.txt", text));
  frm.RzToolbarButton14Click();
  EXPECT_EQ(Texts(frm.RzCheckList4), expected);
  EXPECT_EQ(view.appended, expected.size());
  EXPECT_TRUE(ui.messages.empty());
  frm.RzCheckList4.SetObserver(nullptr);
}

TEST_F(NumberLists, ALineRaisingTheIntegerErrorIsRejectedLikeAnyOther) {
  TempDir dir;
  ui.fileNames.push_back(dir.Write("n.txt", "J-50\r\nnot standard\r\nJ-50-5.5\r\nJ50\r\n"));
  frm.RzToolbarButton14Click();
  EXPECT_EQ(Texts(frm.RzCheckList4), (std::vector<std::string>{"J-50", "J50"}));
  const auto m = TakeMessage();
  EXPECT_EQ(m.caption, "错误");
  EXPECT_EQ(m.text, "not standard\r\nJ-50-5.5\r\n以上不是标准图幅号！");
  // A line whose field is out of range is rejected with the field named.
  frm.RzCheckList4.Clear();
  ui.fileNames.push_back(dir.Write("n.txt", "J-50\r\nX-99\r\nJ-50-145\r\n"));
  frm.RzToolbarButton14Click();
  EXPECT_EQ(Texts(frm.RzCheckList4), (std::vector<std::string>{"J-50"}));
  EXPECT_EQ(TakeMessage().text,
            "X-99：1:100万 的行号应为 A–W\r\nJ-50-145：1:10万 的序号应为 1–144\r\n以上不是标准图幅号！");
  // A list of 144 numbers with XYZ as its fourth line loses none of them.
  std::string text;
  for (int i = 1; i <= 144; ++i) text += (i == 4 ? "XYZ\r\n" : "") + ("J-50-" + std::to_string(i)) + "\r\n";
  frm.RzCheckList4.Clear();
  ui.fileNames.push_back(dir.Write("n.txt", text));
  frm.RzToolbarButton14Click();
  EXPECT_EQ(frm.RzCheckList4.Count(), 144u);
  EXPECT_EQ(TakeMessage().text, "XYZ\r\n以上不是标准图幅号！");
}

TEST_F(NumberLists, SourceRecordsCarryTheExtentAndProjectedCornersWhenAMeridianIsSet) {
  TempDir dir;
  for (double cm : {0.0, 117.0}) {
    frm.RzCheckList4.Clear();
    frm.RzSpinEdit34.SetValue(cm);
    frm.RzNumericEdit9.SetValue(39000000);  // offsets are not applied to sources
    ui.fileNames.push_back(dir.Write("n.txt", "J-50-5\r\nJ50D001005\r\n"));
    frm.RzToolbarButton14Click();
    ASSERT_EQ(frm.RzCheckList4.Count(), 2u);
    for (std::size_t i = 0; i < 2; ++i) {
      const TStandardMapUnion& r = frm.RzCheckList4.StandardRecord(i);
      const TMapUnionRange range =
          i == 0 ? ParseOldMapUnionNo("J-50-5") : ParseNewMapUnionNo("J50D001005");
      EXPECT_EQ(r.Range, range);
      EXPECT_EQ(r.Range.West, (TAngleDMS{116, 0, 0}));
      if (cm == 0) {
        EXPECT_EQ(r.PlaneCorners, (std::array<TPlanePoint, 4>{}));
      } else {
        EXPECT_EQ(r.PlaneCorners[kNW], GeoToPlane54({range.West, range.North}, true, 117));
        EXPECT_EQ(r.PlaneCorners[kNE], GeoToPlane54({range.East, range.North}, true, 117));
        EXPECT_EQ(r.PlaneCorners[kSE], GeoToPlane54({range.East, range.South}, true, 117));
        EXPECT_EQ(r.PlaneCorners[kSW], GeoToPlane54({range.West, range.South}, true, 117));
      }
    }
  }
  // Xi'an 80 and 6-degree zones when chosen.
  frm.RzCheckList4.Clear();
  frm.RzRadioButton8.Choose();
  frm.RzComboBox6.SetItemIndex(1);
  ui.fileNames.push_back(dir.Write("n.txt", "J-50-5\r\n"));
  frm.RzToolbarButton14Click();
  const TMapUnionRange range = ParseOldMapUnionNo("J-50-5");
  EXPECT_EQ(frm.RzCheckList4.StandardRecord(0).PlaneCorners[kSW],
            GeoToPlane80({range.West, range.South}, false, 117));
}

TEST_F(NumberLists, NewChecksTheTypedNumberAndChoosesTheDirection) {
  enum Outcome { kOld, kNew, kRefused, kError };
  struct Case {
    const char* typed;
    Outcome outcome;
    const char* error;
  } cases[] = {
      {"J-50-5-(24)-A", kOld, ""},
      {"J50D001005", kNew, ""},
      {"J-50", kOld, ""},
      {"J50", kNew, ""},
      {"abcd", kRefused, ""},
      {"J-50-5-(24)-a", kOld, ""},      // small letters are read as capitals
      {"j50d001005", kNew, ""},
      {"J50D00100", kRefused, ""},      // nine characters
      {"", kRefused, ""},
      // An integer field that does not convert: no standard number either.
      {"J5x", kRefused, ""},
      {"J-50-5 -A", kRefused, ""},
      // A field out of range: named, as typed.
      {"j-50-145", kError, "j-50-145：1:10万 的序号应为 1–144"},
      {"J50G000040", kError, "J50G000040：1:1万 的行号应为 001–096"},
  };
  for (const Case& c : cases) {
    frm.RzCheckList4.Clear();
    // Start from the other direction than the expected one.
    (c.outcome == kOld ? frm.RzRadioButton6 : frm.RzRadioButton5).Choose();
    const bool wasOldToNew = frm.RzRadioButton5.Checked();
    ui.texts.push_back(std::string(c.typed));
    frm.RzToolbarButton20Click();
    ASSERT_EQ(ui.stringDialogs.size(), 1u);
    EXPECT_EQ(ui.stringDialogs[0].caption, "新增");
    EXPECT_EQ(ui.stringDialogs[0].prompt, "请输入图幅号");
    EXPECT_EQ(ui.stringDialogs[0].text, "");
    ui.stringDialogs.clear();
    if (c.outcome == kOld || c.outcome == kNew) {
      std::string listed = c.typed;
      for (char& ch : listed) ch = static_cast<char>(std::toupper(static_cast<unsigned char>(ch)));
      EXPECT_EQ(Texts(frm.RzCheckList4), std::vector<std::string>{listed});
      EXPECT_EQ(frm.RzRadioButton5.Checked(), c.outcome == kOld) << c.typed;
      EXPECT_EQ(frm.RzRadioButton6.Checked(), c.outcome == kNew) << c.typed;
      EXPECT_TRUE(ui.messages.empty());
      continue;
    }
    EXPECT_EQ(frm.RzCheckList4.Count(), 0u) << c.typed;
    EXPECT_EQ(frm.RzRadioButton5.Checked(), wasOldToNew) << c.typed;
    const auto m = TakeMessage();
    EXPECT_EQ(m.icon, MessageIcon::Error);
    if (c.outcome == kRefused) {
      EXPECT_EQ(m.caption, "错误");
      EXPECT_EQ(m.text, std::string(c.typed) + "不是标准图幅号！");
    } else {
      EXPECT_EQ(m.text, c.error);
    }
  }
  // Cancel adds nothing; duplicates are allowed.
  frm.RzCheckList4.Clear();
  ui.texts = {std::nullopt, std::string("J-50"), std::string("J-50")};
  for (int i = 0; i < 3; ++i) frm.RzToolbarButton20Click();
  EXPECT_EQ(Texts(frm.RzCheckList4), (std::vector<std::string>{"J-50", "J-50"}));

  // A pasted column: each line on its own, the good ones added in order,
  // the others named with their line; blank lines are skipped.
  frm.RzCheckList4.Clear();
  std::string pasted;
  std::vector<std::string> expected;
  for (int i = 1; i <= 48; ++i) {
    char number[16];
    std::snprintf(number, sizeof number, "J50G%03d040", i);
    pasted += std::string(number) + "\r\n";
    expected.push_back(number);
  }
  pasted += "\n  XYZ  \nj50g000040\n";
  ui.texts = {pasted};
  frm.RzToolbarButton20Click();
  EXPECT_EQ(Texts(frm.RzCheckList4), expected);
  EXPECT_TRUE(ui.stringDialogs.back().multiLine);
  const auto m = TakeMessage();
  EXPECT_EQ(m.text,
            "第 50 行：XYZ不是标准图幅号！\r\n第 51 行：j50g000040：1:1万 的行号应为 001–096\r\n"
            "以上 2 行未添加，其余 48 个已添加。");
}

using Imports = WindowTest;

TEST_F(Imports, TheCurrentSheetsCornersGoIntoTheCornerFields) {
  for (int tab : {0, 1}) {
    frm.SetActiveTab(tab);
    SetCorners(tab, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
    (tab == 0 ? frm.RzComboBox2 : frm.RzComboBox4).SetItemIndex(6);
    frm.RzBitBtn1Click();
    SheetList& list = tab == 0 ? frm.RzCheckList1 : frm.RzCheckList2;
    ASSERT_GT(list.Count(), 3u);
    // The fill made its first sheet current; with none current (as after
    // deleting the current sheet) nothing changes.
    EXPECT_EQ(list.ItemIndex(), 0);
    list.SetItemIndex(-1);
    SetCorners(tab, {1, 1, 1}, {1, 1, 1}, {1, 1, 1}, {1, 1, 1});
    frm.Click(tab == 0 ? "RzToolbarButton4" : "RzToolbarButton7");
    EXPECT_EQ(Corners(tab), std::vector<double>(12, 1));
    // The current item counts, not the checked ones.
    list.SetChecked(0, true);
    list.SetItemIndex(2);
    frm.Click(tab == 0 ? "RzToolbarButton4" : "RzToolbarButton7");
    const TMapUnionRange& r = list.StandardRecord(2).Range;
    EXPECT_EQ(
        Corners(tab),
        (std::vector<double>{r.West.Degrees, r.West.Minutes, r.West.Seconds, r.South.Degrees,
                             r.South.Minutes, r.South.Seconds, r.East.Degrees, r.East.Minutes,
                             r.East.Seconds, r.North.Degrees, r.North.Minutes, r.North.Seconds}));
  }
}

TEST_F(Imports, TheCurrentPlaneSheetGoesIntoTheRangeFields) {
  frm.SetActiveTab(2);
  frm.RzNumericEdit7.SetValue(1000);
  frm.RzNumericEdit8.SetValue(1000);
  frm.RzSpinEdit28.SetValue(500);
  frm.RzSpinEdit29.SetValue(500);
  frm.RzBitBtn1Click();
  ASSERT_EQ(frm.RzCheckList3.Count(), 4u);
  EXPECT_EQ(frm.RzCheckList3.ItemIndex(), 0);
  frm.RzCheckList3.SetItemIndex(-1);
  frm.RzNumericEdit5.SetValue(3);
  frm.RzToolbarButton9Click();
  EXPECT_EQ(frm.RzNumericEdit5.Value(), 3);
  frm.RzCheckList3.SetItemIndex(3);
  frm.RzToolbarButton9Click();
  EXPECT_EQ(frm.RzNumericEdit5.Value(), 500);
  EXPECT_EQ(frm.RzNumericEdit6.Value(), 500);
  EXPECT_EQ(frm.RzNumericEdit7.Value(), 1000);
  EXPECT_EQ(frm.RzNumericEdit8.Value(), 1000);
}

using FindDelete = WindowTest;

TEST_F(FindDelete, FindComparesWholeTextsInCapitals) {
  AddSources({"J50D001005", "J-50-5", "J-50-5-A", "J-50-5", "J50E001009"});
  struct Case {
    const char* typed;
    int current;  // -1: unchanged from 4
  } cases[] = {
      {"j-50-5", 1},                    // small letters find the capitals; the first of two
      {"J50e001009", 4}, {"J-50", -1},  // a beginning is no match
      {"J-50-5 ", -1},                  // nor a text with a trailing blank
      {" J-50-5", -1},   {"", -1},
  };
  for (const Case& c : cases) {
    frm.RzCheckList4.SetItemIndex(4);
    ui.focus = "RzSpinEdit34";
    ui.texts.push_back(std::string(c.typed));
    frm.RzToolbarButton15Click();
    EXPECT_EQ(frm.RzCheckList4.ItemIndex(), c.current < 0 ? 4 : c.current) << c.typed;
    EXPECT_EQ(ui.focus, "RzCheckList4");
    EXPECT_EQ(ui.stringDialogs.back().caption, "查找");
    EXPECT_EQ(ui.stringDialogs.back().prompt, "请输入图幅号");
    EXPECT_EQ(ui.stringDialogs.back().text, "");
  }
  // Cancel: neither the focus nor the current item moves.
  ui.focus = "RzSpinEdit34";
  ui.texts.push_back(std::nullopt);
  frm.RzToolbarButton15Click();
  EXPECT_EQ(ui.focus, "RzSpinEdit34");
  EXPECT_EQ(frm.RzCheckList4.ItemIndex(), 4);
}

TEST_F(FindDelete, FindButtonsAreBoundToTheirLists) {
  struct Case {
    const char* button;
    const char* list;
  } cases[] = {{"RzToolbarButton10", "RzCheckList1"},
               {"RzToolbarButton11", "RzCheckList2"},
               {"RzToolbarButton15", "RzCheckList4"},
               {"RzToolbarButton18", "RzCheckList5"}};
  for (const Case& c : cases) {
    ui.texts.push_back(std::string("x"));
    EXPECT_TRUE(frm.Click(c.button));
    EXPECT_EQ(ui.focus, c.list) << c.button;
  }
}

TEST_F(FindDelete, DeleteAsksAndRemovesOnlyTheCheckedItems) {
  struct Case {
    MessageResult answer;
    std::vector<bool> checked;
    std::vector<std::string> left;
  } cases[] = {
      {MessageResult::Yes, {true, false, true, false, true}, {"J-50-6", "J-50-8"}},
      {MessageResult::No,
       {true, false, true, false, true},
       {"J-50-5", "J-50-6", "J-50-7", "J-50-8", "J-50-9"}},
      {MessageResult::Yes,
       {false, false, false, false, false},
       {"J-50-5", "J-50-6", "J-50-7", "J-50-8", "J-50-9"}},
  };
  for (const Case& c : cases) {
    frm.RzCheckList4.Clear();
    AddSources({"J-50-5", "J-50-6", "J-50-7", "J-50-8", "J-50-9"});
    for (std::size_t i = 0; i < 5; ++i) frm.RzCheckList4.SetChecked(i, c.checked[i]);
    ui.answers.push_back(c.answer);
    frm.RzToolbarButton16Click();
    if (frm.RzCheckList4.CheckedCount() == 0 && c.left.size() == 5 && c.answer == MessageResult::Yes) {
      // Nothing checked: no question, and the status line says why.
      EXPECT_TRUE(ui.messages.empty());
      EXPECT_EQ(frm.StatusLine.Caption, "没有选中的图幅号：请先勾选要删除的图幅");
      ui.answers.clear();
      EXPECT_EQ(Texts(frm.RzCheckList4), c.left);
      continue;
    }
    const auto m = TakeMessage();
    EXPECT_EQ(m.caption, "确认");
    EXPECT_EQ(m.text, "删除选中的 3 幅图幅号吗？");
    EXPECT_EQ(m.buttons, MessageButtons::YesNo);
    EXPECT_EQ(m.icon, MessageIcon::Question);
    EXPECT_EQ(Texts(frm.RzCheckList4), c.left);
  }
}

TEST_F(FindDelete, DeletingChangesNoTable) {
  SetCorners(0, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
  frm.RzBitBtn1Click();
  const TStandardMapUnions table = frm.FMapUnions54;
  for (std::size_t i = 0; i < frm.RzCheckList1.Count(); ++i) frm.RzCheckList1.SetChecked(i, true);
  ui.answers.push_back(MessageResult::Yes);
  frm.RzToolbarButton1Click();
  EXPECT_EQ(frm.RzCheckList1.Count(), 0u);
  EXPECT_EQ(frm.FMapUnions54, table);
}

using Information = WindowTest;

TEST_F(Information, StandardSheetShowsItsCornersAndPlaneCorners) {
  SetCorners(0, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
  frm.RzSpinEdit13.SetValue(117);
  frm.RzNumericEdit1.SetValue(39000000);
  frm.RzBitBtn1Click();
  // No current item (the fill made the first one current): no dialog.
  EXPECT_EQ(frm.RzCheckList1.ItemIndex(), 0);
  frm.RzCheckList1.SetItemIndex(-1);
  frm.RzToolbarButton5Click();
  EXPECT_TRUE(ui.informations.empty());
  frm.RzCheckList1.SetItemIndex(1);
  frm.RzToolbarButton5Click();
  ASSERT_EQ(ui.informations.size(), 1u);
  const auto& shown = ui.informations[0];
  const TStandardMapUnion& r = frm.RzCheckList1.StandardRecord(1);
  EXPECT_EQ(shown.caption, "图幅信息");
  EXPECT_EQ(shown.activeTab, 0);
  EXPECT_EQ(shown.number, r.MapUnionNo);
  const double expected[20] = {
      r.Range.West.Degrees,  r.Range.West.Minutes,  r.Range.West.Seconds,  r.Range.South.Degrees,
      r.Range.South.Minutes, r.Range.South.Seconds, r.Range.East.Degrees,  r.Range.East.Minutes,
      r.Range.East.Seconds,  r.Range.North.Degrees, r.Range.North.Minutes, r.Range.North.Seconds,
      r.PlaneCorners[kSW].X, r.PlaneCorners[kSW].Y, r.PlaneCorners[kNW].X, r.PlaneCorners[kNW].Y,
      r.PlaneCorners[kNE].X, r.PlaneCorners[kNE].Y, r.PlaneCorners[kSE].X, r.PlaneCorners[kSE].Y};
  for (int i = 0; i < 20; ++i) EXPECT_EQ(shown.values[i], expected[i]) << "RzNumericEdit" << i + 1;
  // The plane corners are less the offset in force at the fill.
  EXPECT_LT(std::fabs(shown.values[12]), 1000000);
  // Display patterns: whole degrees and minutes, seconds with three decimals.
  EXPECT_EQ(shown.texts[0], FormatFloat(",0;(,0)", expected[0]));
  EXPECT_EQ(shown.texts[2], FormatFloat(",0.000;(,0.000)", expected[2]));
  EXPECT_EQ(shown.texts[12], FormatFloat(",0.00000;(,0.0000)", expected[12]));
  // What the user typed into the dialog is discarded.
  EXPECT_EQ(frm.RzCheckList1.StandardRecord(1), r);
}

TEST_F(Information, EveryListsButtonAndDoubleClick) {
  SetCorners(0, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
  frm.RzBitBtn1Click();
  frm.SetActiveTab(1);
  SetCorners(1, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
  frm.RzBitBtn1Click();
  frm.SetActiveTab(2);
  frm.RzNumericEdit7.SetValue(500);
  frm.RzNumericEdit8.SetValue(500);
  frm.RzSpinEdit28.SetValue(500);
  frm.RzSpinEdit29.SetValue(500);
  frm.RzBitBtn1Click();
  frm.SetActiveTab(3);
  AddSources({"J-50-5"});
  frm.RzBitBtn1Click();
  for (SheetList* l : {&frm.RzCheckList1, &frm.RzCheckList2, &frm.RzCheckList3, &frm.RzCheckList4,
                       &frm.RzCheckList5}) {
    ASSERT_GT(l->Count(), 0u) << l->Name();
    l->SetItemIndex(0);
  }
  struct Case {
    const char* control;
    bool dblClick;
    const SheetList* list;
  } cases[] = {
      {"RzToolbarButton5", false, &frm.RzCheckList1},  {"RzCheckList1", true, &frm.RzCheckList1},
      {"RzToolbarButton6", false, &frm.RzCheckList2},  {"RzCheckList2", true, &frm.RzCheckList2},
      {"RzToolbarButton8", false, &frm.RzCheckList3},  {"RzCheckList3", true, &frm.RzCheckList3},
      {"RzToolbarButton21", false, &frm.RzCheckList4}, {"RzCheckList4", true, &frm.RzCheckList4},
      {"RzToolbarButton17", false, &frm.RzCheckList5}, {"RzCheckList5", true, &frm.RzCheckList5},
  };
  for (const Case& c : cases) {
    ui.informations.clear();
    EXPECT_TRUE(c.dblClick ? frm.DblClick(c.control) : frm.Click(c.control));
    ASSERT_EQ(ui.informations.size(), 1u) << c.control;
    EXPECT_EQ(ui.informations[0].number, c.list->Text(0)) << c.control;
  }
}

TEST_F(Information, PlaneSheetShowsZeroAnglesAndItsFourCorners) {
  frm.ShowCustomInfo({"1+2", 500, 0, 1000, 500});
  ASSERT_EQ(ui.informations.size(), 1u);
  const auto& s = ui.informations[0];
  EXPECT_EQ(s.number, "1+2");
  for (int i = 0; i < 12; ++i) EXPECT_EQ(s.values[i], 0);
  // Lower-left, upper-left, upper-right, lower-right.
  const double plane[8] = {500, 0, 500, 500, 1000, 500, 1000, 0};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(s.values[12 + i], plane[i]);
  EXPECT_EQ(s.texts[16], "1,000.00000");
}

using CoordinateTools = WindowTest;

TEST_F(CoordinateTools, DegreesToDms) {
  struct Case {
    const char* focus;
    double lon, lat;
    int firstField;  // 0: nothing written
    std::vector<double> six;
  } cases[] = {
      {"RzSpinEdit1", 116.5, 39.75, 1, {116, 30, 0, 39, 45, 0}},
      {"RzSpinEdit1", 30.9999999, 10, 1, {31, 0, 0, 10, 0, 0}},  // the carry
      {"RzSpinEdit7", 117.25, 40.125, 7, {117, 15, 0, 40, 7, 30}},
      {"RzSpinEdit14", 100.1, 20.2, 14, {100, 6, 0, 20, 12, 0}},
      {"RzSpinEdit20", 200, 95, 20, {180, 0, 0, 90, 0, 0}},  // the fields' limits
      {"RzSpinEdit2", 116.5, 39.75, 0, {}},
      {"RzCheckList1", 116.5, 39.75, 0, {}},
  };
  for (const Case& c : cases) {
    for (int n : {1, 7, 14, 20}) {
      for (int k = 0; k < 6; ++k) Spin(n + k).SetValue(1);
    }
    ui.focus = c.focus;
    ui.points.push_back(std::pair{c.lon, c.lat});
    frm.N3Click();
    ASSERT_EQ(ui.pointDialogs.size(), 1u);
    EXPECT_EQ(ui.pointDialogs[0].caption, "输入");
    EXPECT_EQ(ui.pointDialogs[0].label1, "经度");
    EXPECT_EQ(ui.pointDialogs[0].label2, "纬度");
    EXPECT_EQ(ui.pointDialogs[0].value1, 0);
    EXPECT_EQ(ui.pointDialogs[0].value2, 0);
    EXPECT_EQ(ui.pointDialogs[0].format1, ",0.00000;(,0.00000)");
    ui.pointDialogs.clear();
    for (int n : {1, 7, 14, 20}) {
      for (int k = 0; k < 6; ++k) {
        const double expected = n == c.firstField ? c.six[static_cast<std::size_t>(k)] : 1;
        EXPECT_NEAR(Spin(n + k).Value(), expected, 1e-9) << c.focus << " RzSpinEdit" << n + k;
      }
    }
  }
  // Cancel writes nothing.
  ui.focus = "RzSpinEdit1";
  ui.points.push_back(std::nullopt);
  frm.N3Click();
  EXPECT_EQ(frm.RzSpinEdit1.Value(), 1);
}

TEST_F(CoordinateTools, PlaneToDms) {
  struct Case {
    int tab, zoneIndex;
    double cm, x, y;
  } cases[] = {
      {0, 0, 117, 39500000, 4429607.368},
      {0, 0, 117, 500000, 4429607.368},  // the zone prefix 39000000 is added first
      {0, 1, 117, 20500000, 4429607.368},
      {0, 1, 117, 500000, 4429607.368},  // 6-degree zones: the prefix is 20000000
      {1, 0, 117, 500000, 4429607.368},
      {1, 0, 120, 40400000, 3000000},
  };
  for (const Case& c : cases) {
    frm.SetActiveTab(c.tab);
    const bool is54 = c.tab == 0;
    (is54 ? frm.RzComboBox1 : frm.RzComboBox3).SetItemIndex(c.zoneIndex);
    (is54 ? frm.RzSpinEdit13 : frm.RzSpinEdit26).SetValue(c.cm);
    ui.focus = is54 ? "RzSpinEdit1" : "RzSpinEdit20";
    ui.points.push_back(std::pair{c.x, c.y});
    frm.N4Click();
    EXPECT_EQ(ui.pointDialogs.back().label1, "东坐标 Y");
    EXPECT_EQ(ui.pointDialogs.back().label2, "北坐标 X");
    EXPECT_EQ(ui.pointDialogs.back().caption,
              "输入：东坐标（第 " + std::to_string(static_cast<int>(ZoneNumber(c.zoneIndex == 0, c.cm))) +
                  " 带，带号可省）与北坐标");
    const bool zone3 = c.zoneIndex == 0;
    const double prefix = ZoneNumber(zone3, c.cm) * 1000000;
    const double easting = prefix >= c.x ? c.x + prefix : c.x;
    const TLonLatDMS geo =
        is54 ? PlaneToGeo54(c.y, easting, zone3, c.cm) : PlaneToGeo80(c.y, easting, zone3, c.cm);
    const int first = is54 ? 1 : 20;
    const double six[6] = {geo.Lon.Degrees, geo.Lon.Minutes, geo.Lon.Seconds,
                           geo.Lat.Degrees, geo.Lat.Minutes, geo.Lat.Seconds};
    for (int k = 0; k < 6; ++k) {
      EXPECT_EQ(Spin(first + k).Value(), RoundToDecimals(six[k], k % 3 == 2 ? 3 : 0))
          << c.x << " RzSpinEdit" << first + k;
    }
    EXPECT_TRUE(ui.messages.empty());
  }
  // The worked example: 117°0′0″ and 40°0′0″ (the meridian arc at 40°; the
  // footpoint series alone gave about 39°59′59.96″).
  frm.SetActiveTab(0);
  frm.RzComboBox1.SetItemIndex(0);
  frm.RzSpinEdit13.SetValue(117);
  ui.focus = "RzSpinEdit1";
  ui.points.push_back(std::pair{500000.0, 4429607.368});
  frm.N4Click();
  EXPECT_EQ(Corners(0)[0], 117);
  EXPECT_EQ(Corners(0)[1], 0);
  EXPECT_NEAR(Corners(0)[2], 0, 0.001);
  EXPECT_EQ(Corners(0)[3], 40);
  EXPECT_EQ(Corners(0)[4], 0);
  EXPECT_NEAR(Corners(0)[5], 0, 0.001);
}

// 中央经度 takes what the command line's --cm takes, nothing rounded or
// clamped unseen, and XY-->度分秒 of a projected point on such a meridian
// (a 1.5-degree zone's 118.5, a city's 117°20′) gives the point back.
TEST_F(CoordinateTools, AnyCentralMeridianTypedAndRoundTripped) {
  struct Typed { const char* text; bool taken; double cm; } typed[] = {
      {"117.5", true, 117.5}, {"117,25", true, 117.25}, {"116:21", true, 116.35},
      {"117°20′", true, 117 + 1.0 / 3}, {"118.5", true, 118.5}, {"400", false, 118.5},
      {"-3", false, 118.5}, {"abc", false, 118.5}, {"117:75", false, 118.5}};
  for (const Typed& t : typed) {
    frm.EnterText(frm.RzSpinEdit13, t.text);
    EXPECT_DOUBLE_EQ(frm.RzSpinEdit13.Value(), t.cm) << t.text;
    EXPECT_EQ(frm.StatusLine.Caption.empty(), t.taken) << t.text << " " << frm.StatusLine.Caption;
  }
  EXPECT_EQ(frm.RzSpinEdit13.Text(), "118.5");
  for (const double cm : {118.5, 117 + 1.0 / 3, 116.0}) {
    for (const int zoneIndex : {0, 1}) {
      frm.SetActiveTab(0);
      frm.RzComboBox1.SetItemIndex(zoneIndex);
      frm.RzSpinEdit13.SetValue(cm);
      const TLonLatDMS point{DegToDms(cm - 0.25), DegToDms(39.9)};
      const TPlanePoint x = GeoToPlane54(point, zoneIndex == 0, cm);
      ui.focus = "RzSpinEdit1";
      ui.points.push_back(std::pair{x.X, x.Y});
      frm.N4Click();
      EXPECT_TRUE(ui.messages.empty());
      const double lon = Corners(0)[0] + Corners(0)[1] / 60 + Corners(0)[2] / 3600;
      EXPECT_NEAR(lon, cm - 0.25, 0.001 / 3600) << cm << " zone index " << zoneIndex;
    }
  }
}

TEST_F(CoordinateTools, PlanePointsOutsideTheProjectionAreRefused) {
  // Beyond the pole's northing: an error, and the corner stays as it was.
  frm.RzSpinEdit13.SetValue(117);
  ui.focus = "RzSpinEdit1";
  ui.points.push_back(std::pair{500000.0, 1e8});
  frm.N4Click();
  const auto m = TakeMessage();
  EXPECT_EQ(m.text, kPlaneOutsideProjection);
  EXPECT_EQ(m.icon, MessageIcon::Error);
  EXPECT_EQ(Corners(0), std::vector<double>(12, 0));
}

TEST_F(CoordinateTools, PlaneToDmsNeedsACentralMeridian) {
  for (int tab : {0, 1}) {
    frm.SetActiveTab(tab);
    ui.focus = tab == 0 ? "RzSpinEdit1" : "RzSpinEdit14";
    frm.N4Click();
    const auto m = TakeMessage();
    EXPECT_EQ(m.caption, "错误");
    EXPECT_EQ(m.text, "中央经度必须是大于0的值！");
    EXPECT_EQ(m.icon, MessageIcon::Error);
    EXPECT_TRUE(ui.pointDialogs.empty());
  }
}

TEST_F(CoordinateTools, FocusOnAnotherControlWritesNothing) {
  frm.RzSpinEdit13.SetValue(117);
  ui.focus = "RzSpinEdit8";
  ui.points.push_back(std::pair{500000.0, 4429607.368});
  frm.N4Click();
  EXPECT_EQ(ui.pointDialogs.size(), 1u);
  EXPECT_EQ(Corners(0), std::vector<double>(12, 0));
}

using Dispatcher = WindowTest;

TEST_F(Dispatcher, OutOfMemoryEndsTheCommandAndTheWindowCarriesOn) {
  ui.onFileDialog = [] { throw std::bad_alloc(); };
  ui.fileNames.push_back(std::string("x.txt"));
  frm.RzBitBtn2Click();
  const auto m = TakeMessage();
  EXPECT_EQ(m.caption, "错误");
  EXPECT_EQ(m.text, "内存不足");
  EXPECT_EQ(m.icon, MessageIcon::Error);
  ui.onFileDialog = nullptr;
  ui.fileNames.clear();
  SetCorners(0, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
  frm.RzBitBtn1Click();
  EXPECT_GT(frm.RzCheckList1.Count(), 0u);
}

}  // namespace
}  // namespace karvento
