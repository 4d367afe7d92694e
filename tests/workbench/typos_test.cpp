// SPDX-License-Identifier: Apache-2.0
// A user's slip never loses data or changes a value unseen: typed texts
// that are no number keep the field's value and say why, commas are read as
// the user meant them or refused, a bad source number stops no other, and
// the status line speaks of the last action only.
#include <gtest/gtest.h>

#include <cerrno>
#include <functional>
#include <string>
#include <vector>

#include "window_fixture.h"
#include "workbench/user_texts.h"

namespace karvento {
namespace {

using testing::TempDir;
using testing::WindowTest;
using Typos = WindowTest;

TEST_F(Typos, TypedTextsReadAsMeantOrRefusedWithTheFieldKept) {
  struct Case {
    const char* field;
    const char* typed;
    std::vector<double> after;  // the field and the ones after it (a degree's angle)
    bool refused;
  } cases[] = {
      // A decimal comma in a degree, minute or second field.
      {"RzSpinEdit4", "39,5", {39, 30, 0}, false},
      {"RzSpinEdit1", "1,0", {1}, false},
      {"RzSpinEdit3", "30,5", {30.5}, false},
      {"RzSpinEdit3", "30,500", {30.5}, false},  // seconds show three decimals
      {"RzSpinEdit2", "5,0", {5}, false},
      // Commas that are neither decimal nor grouping.
      {"RzSpinEdit3", "1,2,3", {7}, true},
      {"RzNumericEdit1", "12,34,567", {7}, true},
      // Grouping as the number fields display it, and a decimal comma.
      {"RzNumericEdit1", "39,000,000", {39000000}, false},
      {"RzNumericEdit1", "1,5", {1.5}, false},
      // Typos keep the value.
      {"RzSpinEdit13", "abc", {7}, true},
      {"RzNumericEdit2", "12a", {7}, true},
      {"RzNumericEdit7", "abc", {7}, true},
      {"RzSpinEdit34", "1o7", {7}, true},
      // An emptied field is the lower limit, as always.
      {"RzSpinEdit13", "", {0}, false},
      {"RzNumericEdit9", " ", {0}, false},
      // Coordinates as users paste them into a degree field.
      {"RzSpinEdit4", "39°54.5'", {39, 54, 30}, false},
      {"RzSpinEdit4", "３９°５４′", {39, 54, 0}, false},
      {"RzSpinEdit4", "３９", {39, 7, 7}, false},  // a whole number, as 39 is
      {"RzNumericEdit9", "１２３", {123}, false},
      {"RzSpinEdit1", "116°20'30\"E", {116, 20, 30}, false},
      {"RzSpinEdit10", "40°N", {40, 0, 0}, false},
      {"RzSpinEdit4", "39°54'S", {7, 7, 7}, true},
      {"RzSpinEdit1", "116°20'W", {7, 7, 7}, true},
      {"RzSpinEdit1", "39°54'N", {7, 7, 7}, true},  // a latitude in a longitude field
      // Numbers beyond a field's limits are refused, never clamped.
      {"RzSpinEdit1", "200", {7, 7, 7}, true},
      {"RzSpinEdit1", "-5", {7, 7, 7}, true},
      {"RzSpinEdit4", "95", {7, 7, 7}, true},
      {"RzSpinEdit2", "75", {7}, true},
      {"RzSpinEdit3", "75", {7}, true},
      {"RzSpinEdit3", "-0.5", {7}, true},
      {"RzSpinEdit28", "1010", {7}, true},
      {"RzSpinEdit13", "181", {7}, true},
      {"RzSpinEdit3", "60", {60}, false},  // the limits themselves are values
      {"RzSpinEdit1", "180", {180, 7, 7}, false},
      {"RzSpinEdit27", "1000", {1000}, false},  // the scale takes typing too
  };
  for (const Case& c : cases) {
    Control* control = frm.FindControl(c.field);
    ASSERT_NE(control, nullptr) << c.field;
    auto* spin = dynamic_cast<SpinField*>(control);
    auto* number = dynamic_cast<NumberField*>(control);
    // The field and the ones after it start at 7.
    std::vector<Control*> fields;
    for (std::size_t k = 0; k < c.after.size(); ++k) {
      const std::vector<Control*>& all = frm.Controls();
      for (std::size_t i = 0; i < all.size(); ++i) {
        if (all[i] == control) fields.push_back(all[i + k]);
      }
    }
    const auto value = [](Control* f) {
      if (auto* s = dynamic_cast<SpinField*>(f)) return s->Value();
      return dynamic_cast<NumberField*>(f)->Value();
    };
    for (Control* f : fields) {
      if (auto* s = dynamic_cast<SpinField*>(f)) s->SetValue(7);
      if (auto* n = dynamic_cast<NumberField*>(f)) n->SetValue(7);
    }
    frm.StatusLine.Caption = "an earlier message";
    const bool taken = spin ? frm.EnterText(*spin, c.typed) : frm.EnterText(*number, c.typed);
    EXPECT_EQ(taken, !c.refused) << c.field << " " << c.typed;
    for (std::size_t k = 0; k < c.after.size(); ++k) {
      EXPECT_DOUBLE_EQ(value(fields[k]), c.after[k]) << c.field << " " << c.typed << " #" << k;
    }
    if (c.refused) {
      // The status line quotes the text and says why.
      EXPECT_NE(frm.StatusLine.Caption.find("“" + std::string(c.typed) + "”"), std::string::npos)
          << frm.StatusLine.Caption;
    } else {
      EXPECT_EQ(frm.StatusLine.Caption, "") << c.field << " " << c.typed;
    }
  }
  // A refused number names the field and the value it keeps.
  frm.RzSpinEdit13.SetValue(117);
  EXPECT_FALSE(frm.EnterText(frm.RzSpinEdit13, "abc"));
  EXPECT_EQ(frm.StatusLine.Caption, "“abc”不是数字：中央经度仍为 117.0");
  frm.RzNumericEdit7.SetValue(2500);
  EXPECT_FALSE(frm.EnterText(frm.RzNumericEdit7, "abc"));
  EXPECT_EQ(frm.StatusLine.Caption, "“abc”不是数字：最大X仍为 2,500.00000");
  frm.RzSpinEdit1.SetValue(116);
  EXPECT_FALSE(frm.EnterText(frm.RzSpinEdit1, "200"));
  EXPECT_EQ(frm.StatusLine.Caption, "“200”超出范围 0–180：左下角经度（度）仍为 116");
  frm.RzSpinEdit5.SetValue(30);
  EXPECT_FALSE(frm.EnterText(frm.RzSpinEdit5, "75"));
  EXPECT_EQ(frm.StatusLine.Caption, "“75”超出范围 0–59：左下角纬度（分）仍为 30");
  // A negative offset shows with its minus sign, not as "(100)".
  EXPECT_TRUE(frm.EnterText(frm.RzNumericEdit1, "-100"));
  EXPECT_EQ(frm.RzNumericEdit1.DisplayText(), "-100");
  EXPECT_TRUE(frm.EnterText(frm.RzNumericEdit1, "-0.4"));
  EXPECT_EQ(frm.RzNumericEdit1.DisplayText(), "0");
  EXPECT_FALSE(frm.EnterText(frm.RzSpinEdit4, "39S"));
  EXPECT_EQ(frm.StatusLine.Caption, "“39S”不是坐标：图幅只在东经、北纬编号，南纬（S）和西经（W）不能用");
}

TEST_F(Typos, ABadSourceNumberStopsNoOtherConversion) {
  frm.SetActiveTab(kTabConvert);
  frm.RzComboBox5.SetItemIndex(4);  // 1:5万
  // Typed in small letters: listed in capitals, and converted.
  frm.AddTypedNumber("j-50-5");
  EXPECT_EQ(Texts(frm.RzCheckList4), std::vector<std::string>{"J-50-5"});
  // A number that does not convert, between two that do.
  TStandardMapUnion bad;
  bad.MapUnionNo = "j-50-6";
  frm.RzCheckList4.Append(bad);
  frm.AddTypedNumber("J-50-7");
  frm.RzBitBtn1Click();
  const std::vector<std::string> converted = Texts(frm.RzCheckList5);
  EXPECT_EQ(converted, (std::vector<std::string>{"J50E001009", "J50E002009", "J50E001010",
                                                 "J50E002010", "J50E001013", "J50E002013",
                                                 "J50E001014", "J50E002014"}));
  const auto m = TakeMessage();
  EXPECT_EQ(m.caption, "错误");
  EXPECT_EQ(m.text.rfind("j-50-6：", 0), 0u) << m.text;
  EXPECT_NE(m.text.find("以上图幅号无法转换，其余已转换。"), std::string::npos) << m.text;
  // Many of them: the first twenty are named, and how many there were.
  for (int k = 0; k < 24; ++k) frm.RzCheckList4.Append(bad);
  frm.RzBitBtn1Click();
  EXPECT_EQ(frm.RzCheckList5.Count(), 8u);
  const std::string many = TakeMessage().text;
  std::size_t named = 0;
  for (std::size_t at = many.find("j-50-6："); at != std::string::npos; at = many.find("j-50-6：", at + 1)) ++named;
  EXPECT_EQ(named, 20u);
  EXPECT_NE(many.find("……共 25 个"), std::string::npos) << many;
}

TEST_F(Typos, AnInvertedIndependentRangeSaysWhatIsWrong) {
  struct Case {
    double minX, minY, maxX, maxY;
    const char* message;
  } cases[] = {
      {1000, 0, 0, 1000, "最大X小于最小X，请检查坐标范围！"},
      {0, 1000, 1000, 0, "最大Y小于最小Y，请检查坐标范围！"},
  };
  frm.SetActiveTab(kTabCustom);
  frm.RzSpinEdit28.SetValue(500);
  frm.RzSpinEdit29.SetValue(500);
  for (const Case& c : cases) {
    frm.RzNumericEdit5.SetValue(c.minX);
    frm.RzNumericEdit6.SetValue(c.minY);
    frm.RzNumericEdit7.SetValue(c.maxX);
    frm.RzNumericEdit8.SetValue(c.maxY);
    frm.RzBitBtn1Click();
    const auto m = TakeMessage();
    EXPECT_EQ(m.caption, "错误");
    EXPECT_EQ(m.text, c.message);
    EXPECT_EQ(frm.RzCheckList3.Count(), 0u);
  }
}

TEST_F(Typos, AMessageBelongsToTheActionThatCausedIt) {
  TempDir dir;
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* status;  // "" for an empty status line; "*" for any message
  };
  const Step steps[] = {
      {"a refused coordinate", [&] { frm.EnterText(frm.RzSpinEdit1, "３９x"); }, "*"},
      {"then a valid one", [&] { frm.EnterText(frm.RzSpinEdit1, "39"); }, ""},
      {"a find that finds nothing",
       [&] {
         ui.texts.push_back(std::string("J-99"));
         frm.RzToolbarButton10Click();
       },
       "未找到图幅号 J-99"},
      {"then another tab", [&] { frm.SetActiveTab(kTabXian80); }, ""},
      {"an export that is written",
       [&] {
         SetCorners(1, {116, 1, 0}, {39, 51, 0}, {116, 1, 0}, {39, 51, 0});
         frm.RzBitBtn1Click();
         ui.fileNames.push_back(dir.File("a.mif"));
         frm.N2Click();
       },
       "*"},
      {"then one that fails",
       [&] {
         ui.fileNames.push_back(dir.File("none/a.mif"));
         frm.N2Click();
         ui.messages.clear();
       },
       ""},
      {"an export that is cancelled",
       [&] {
         ui.cancelAfterUpdates = 0;
         ui.fileNames.push_back(dir.File("b.mif"));
         frm.N2Click();
       },
       "已取消导出，文件未改动：*"},
  };
  for (const Step& s : steps) {
    s.act();
    const std::string want = s.status;
    if (want == "*") {
      EXPECT_FALSE(frm.StatusLine.Caption.empty()) << s.what;
    } else if (!want.empty() && want.back() == '*') {
      EXPECT_EQ(frm.StatusLine.Caption.rfind(want.substr(0, want.size() - 1), 0), 0u)
          << s.what << ": " << frm.StatusLine.Caption;
    } else {
      EXPECT_EQ(frm.StatusLine.Caption, want) << s.what;
    }
  }
}

TEST_F(Typos, CountsAreGroupedAndKmlSaysWhyItIsGreyed) {
  EXPECT_EQ(TfrmCreateMapUnRg::GroupDigits(0), "0");
  EXPECT_EQ(TfrmCreateMapUnRg::GroupDigits(149), "149");
  EXPECT_EQ(TfrmCreateMapUnRg::GroupDigits(857088), "857,088");
  EXPECT_EQ(TfrmCreateMapUnRg::GroupDigits(3428352), "3,428,352");
  struct Case {
    int tab;
    bool enabled;
    const char* reasonMentions;
  } cases[] = {
      {kTabBeijing54, false, "WGS 84"},
      {kTabXian80, false, "WGS 84"},
      {kTabCustom, false, "独立坐标系"},
      {kTabCgcs2000, true, nullptr},
  };
  for (const Case& c : cases) {
    frm.SetActiveTab(c.tab);
    EXPECT_EQ(frm.KmlMenuItem.Enabled, c.enabled) << c.tab;
    if (c.reasonMentions == nullptr) {
      EXPECT_EQ(frm.KmlMenuItem.Hint, "") << c.tab;
    } else {
      EXPECT_NE(frm.KmlMenuItem.Hint.find(c.reasonMentions), std::string::npos) << c.tab;
    }
    EXPECT_EQ(frm.KmlChecked.Hint, frm.KmlMenuItem.Hint) << c.tab;
  }
}

// The window words a routine's message from its code: the runtime's
// English texts, the system's reasons and the datums' names in Chinese.
TEST(UserFacingText, TheRuntimesEnglishInChinese) {
  struct Case {
    Message message;
    const char* shown;
  } cases[] = {
      {Message(msg::kNotAnInteger, {"5x"}), "“5x”不是有效的整数"},
      {Message(msg::kNotAFloat, {"abc"}), "“abc”不是有效的数字"},
      {Message::Plain("Out of memory"), "内存不足"},
      {Message(msg::kCannotWrite, {"/a/b.mif", ReasonArg(EACCES)}), "无法写入文件 “/a/b.mif”：没有权限"},
      // A file named like a reason stays as it is.
      {Message(msg::kCannotWrite, {"Permission denied", ReasonArg(ENOSPC)}),
       "无法写入文件 “Permission denied”：磁盘空间不足"},
      {Message(msg::kAreaCannotRead, {"x.shp", Message(msg::kAreaNoLayer, {"roads"})}),
       "无法读取范围文件 x.shp：没有图层 roads"},
      {Message(msg::kAreaNoOfficialTransformation, {TextArg("WGS 84"), TextArg("北京1954")}),
       "范围文件的坐标系 WGS 84 与图幅的坐标系 北京1954 之间没有官方转换，经纬度按原值使用（边缘的图幅可能不同）。"},
      {Message::Plain("已导出"), "已导出"},
  };
  for (const Case& c : cases) EXPECT_EQ(UserFacingText(c.message), c.shown) << c.message.Text();
}

}  // namespace
}  // namespace karvento
