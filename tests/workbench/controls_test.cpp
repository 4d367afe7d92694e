// SPDX-License-Identifier: Apache-2.0
#include "workbench/controls.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "workbench/display_format.h"
#include "workbench/user_interface.h"

namespace karvento {
namespace {

constexpr SpinField::Limits kSecondsSpec{0, 60, 1, 3};
constexpr SpinField::Limits kDegreesSpec{0, 180, 1, 0};

TEST(SpinField, EveryTypedTextIsBroughtIntoTheLimits) {
  struct Case {
    SpinField::Limits limits;
    const char* typed;
    double value;
  } cases[] = {
      {kSecondsSpec, "75", 60},           // above the upper limit
      {kSecondsSpec, "-3", 0},            // negative
      {kSecondsSpec, "", 0},              // empty: the lower limit
      {kSecondsSpec, "abc", 0},           // not a number: the lower limit
      {kSecondsSpec, "12.3456", 12.346},  // three decimals, rounded
      {kSecondsSpec, " 7.5 ", 7.5},       // blanks around the number
      {kSecondsSpec, "59.9996", 60},      // rounds up onto the limit
      {kDegreesSpec, "116.5", 117},       // integers only: whole degrees
      {kDegreesSpec, "181", 180},
      {kDegreesSpec, "1e2", 100},
      {kDegreesSpec, "1,2", 1},                     // a decimal comma: 1.2, whole degrees
      {kSecondsSpec, "30,500", 30.5},               // no grouping in a spin field: decimal
      {kSecondsSpec, "1,2,3", 0},                   // no number: the lower limit
      {SpinField::Limits{10, 20, 1, 0}, "junk", 10},  // a lower limit that is not 0
  };
  for (const Case& c : cases) {
    SpinField f("f", c.limits);
    f.SetValue(5);
    EXPECT_TRUE(f.SetText(c.typed));
    EXPECT_DOUBLE_EQ(f.Value(), c.value) << "typed '" << c.typed << "'";
  }
}

TEST(SpinField, EverySetValueIsClampedAndRounded) {
  struct Case {
    double set, value;
  } cases[] = {{-0.0004, 0},
               {-5, 0},
               {60.0001, 60},
               {1e300, 60},
               {-1e300, 0},
               {std::numeric_limits<double>::quiet_NaN(), 0},
               {std::numeric_limits<double>::infinity(), 60},
               {0.0625, 0.063},
               {12.3454, 12.345},
               {7.5, 7.5}};
  for (const Case& c : cases) {
    SpinField f("f", kSecondsSpec);
    f.SetValue(c.set);
    EXPECT_DOUBLE_EQ(f.Value(), c.value) << c.set;
    EXPECT_FALSE(std::signbit(f.Value())) << c.set;
  }
}

TEST(SpinField, ButtonsStepAndStopAtTheLimits) {
  SpinField scale("RzSpinEdit27", {0, 2000, 100, 0, -1, true});
  for (int i = 0; i < 25; ++i) scale.StepUp();
  EXPECT_EQ(scale.Value(), 2000);
  scale.StepDown();
  EXPECT_EQ(scale.Value(), 1900);
  // A spin-only field cannot be typed into.
  EXPECT_FALSE(scale.SetText("500"));
  EXPECT_EQ(scale.Value(), 1900);
  for (int i = 0; i < 30; ++i) scale.StepDown();
  EXPECT_EQ(scale.Value(), 0);
}

TEST(SpinField, TextShowsTheDisplayDecimals) {
  SpinField meridian("m", {0, 180, 1, 0, 1});
  meridian.SetValue(117);
  EXPECT_EQ(meridian.Text(), "117.0");
  SpinField seconds("s", kSecondsSpec);
  seconds.SetValue(12.5);
  EXPECT_EQ(seconds.Text(), "12.500");
}

TEST(NumberField, TextsAndValues) {
  struct Case {
    bool integersOnly;
    const char* typed;
    double value;
  } cases[] = {
      {false, "123.9", 123.9}, {true, "123.9", 124},     {true, "", 0},
      {true, "x1", 0},         {true, "(1,234)", -1234}, {true, "39,000,000", 39000000},
      {false, "-0.25", -0.25}, {true, "-2.5", -3},       {false, "1e400", 0},
  };
  for (const Case& c : cases) {
    NumberField f("f", c.integersOnly, ",0;(,0)");
    f.SetValue(7);
    f.SetText(c.typed);
    EXPECT_DOUBLE_EQ(f.Value(), c.value) << c.typed;
  }
}

TEST(NumberField, DisplayTextReadsBackAsTheSameValue) {
  for (double v : {0.0, 1234.5, -1234.5, 39000000.0, -0.00001}) {
    NumberField f("f", false, ",0.00000;(,0.00000)");
    f.SetValue(v);
    NumberField g("g", false, ",0.00000;(,0.00000)");
    g.SetText(f.DisplayText());
    EXPECT_NEAR(g.Value(), v, 0.000005) << f.DisplayText();
  }
}

TEST(PickList, ItemsIndexAndTypedText) {
  PickList fixed("RzComboBox1", {"3度分带法", "6度分带法"}, 0);
  EXPECT_EQ(fixed.Text(), "3度分带法");
  EXPECT_FALSE(fixed.SetText("whatever"));
  EXPECT_EQ(fixed.ItemIndex(), 0);
  fixed.SetItemIndex(1);
  EXPECT_EQ(fixed.Text(), "6度分带法");
  fixed.SetItemIndex(7);
  EXPECT_EQ(fixed.ItemIndex(), -1);

  PickList editable("RzComboBox6", {"3度分带法", "6度分带法"}, 0, true);
  EXPECT_TRUE(editable.SetText("四度"));
  EXPECT_EQ(editable.ItemIndex(), -1);
  EXPECT_EQ(editable.Text(), "四度");
  // Typing one of the items' texts still chooses no item.
  EXPECT_TRUE(editable.SetText("3度分带法"));
  EXPECT_EQ(editable.ItemIndex(), -1);
}

TEST(RadioButton, ChoosingOneClearsThePartnerAndRunsTheHandlerOnChange) {
  RadioButton a("a", "行列号", true), b("b", "坐标", false);
  RadioButton::Pair(a, b);
  int aClicks = 0, bClicks = 0;
  a.OnClick = [&] { ++aClicks; };
  b.OnClick = [&] { ++bClicks; };
  b.Choose();
  EXPECT_TRUE(b.Checked());
  EXPECT_FALSE(a.Checked());
  b.Choose();  // already chosen: no click
  EXPECT_EQ(bClicks, 1);
  a.Choose();
  EXPECT_TRUE(a.Checked());
  EXPECT_FALSE(b.Checked());
  EXPECT_EQ(aClicks, 1);
}

TEST(FormatFloat, DisplayPatterns) {
  struct Case {
    const char* pattern;
    double value;
    const char* text;
  } cases[] = {
      {",0;(,0)", 0, "0"},
      {",0;(,0)", 39000000, "39,000,000"},
      {",0;(,0)", -1234.5, "(1,235)"},  // halves away from zero, as in 0.5 → 1
      {",0;(,0)", 999.4, "999"},
      {",0;(,0)", 999.5, "1,000"},
      {",0;(,0)", -0.4, "0"},  // rounds to zero: no parentheses
      {",0.00000;(,0.00000)", 4429607.368, "4,429,607.36800"},
      {",0.00000;(,0.00000)", -12.5, "(12.50000)"},
      {",0.000;(,0.000)", 7.5, "7.500"},
      {",0.000;(,0.000)", 59.9999, "60.000"},
      {",0.00000;(,0.0000)", -123456.123456, "(123,456.1235)"},  // four decimals when negative
      {",0.00000;(,0.0000)", 123456.123456, "123,456.12346"},
      {",0.00000;(,0.0000)", -0.00001, "0.00000"},
      {"0.00", -1.5, "-1.50"},  // no negative section: a minus sign
      {",0;(,0)", 100, "100"},
      {",0;(,0)", 1000, "1,000"},
      {",0;(,0)", 123456789012.0, "123,456,789,012"},
      {",0;(,0)", std::numeric_limits<double>::quiet_NaN(), "NAN"},
      {",0;(,0)", -std::numeric_limits<double>::infinity(), "-INF"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(FormatFloat(c.pattern, c.value), c.text) << c.pattern << " " << c.value;
  }
}

TEST(TypedNumbers, WhatParsesAndWhatDoesNot) {
  struct Case {
    const char* text;
    bool ok;
    double value;
  } cases[] = {
      {"12", true, 12},    {"+12", true, 12}, {" -1.5e2 ", true, -150}, {".5", true, 0.5},
      {"5.", true, 5},     {"(3)", true, -3}, {"", false, 0},           {"-", false, 0},
      {"1.2.3", false, 0}, {"1e", false, 0},  {"0x10", false, 0},       {"12abc", false, 0},
      {"nan", false, 0},   {"inf", false, 0}, {"1e999", false, 0},
      // Commas: grouping where the display puts it, else one decimal comma.
      {"39,000,000", true, 39000000}, {"-1,234.5", true, -1234.5}, {"(1,234)", true, -1234},
      {"39,5", true, 39.5},           {"1,0", true, 1},            {"30,25", true, 30.25},
      {"1,2,3", false, 0},            {"12,34,567", false, 0},     {"1234,567", false, 0},
      {"1,5.2", false, 0},            {"1,234,56", false, 0},      {",5", true, 0.5},
  };
  // A spin field displays no grouping: its comma is only ever decimal.
  const struct {
    const char* text;
    bool ok;
    double value;
  } spinCases[] = {{"30,500", true, 30.5}, {"1,0", true, 1}, {"1,000,000", false, 0}, {"1,5.2", false, 0}};
  for (const auto& c : spinCases) {
    double v = -99;
    EXPECT_EQ(ParseTypedNumber(c.text, v, Commas::DecimalComma), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
  for (const Case& c : cases) {
    double v = -99;
    EXPECT_EQ(ParseTypedNumber(c.text, v), c.ok) << c.text;
    if (c.ok) {
      EXPECT_DOUBLE_EQ(v, c.value) << c.text;
    }
  }
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

TEST(FileDialog, TheDefaultExtensionIsAppendedToANameWithout) {
  struct Case {
    const char* ext;
    const char* chosen;
    const char* name;
  } cases[] = {
      {"txt", "/d/params", "/d/params.txt"},
      {"txt", "/d/params.txt", "/d/params.txt"},
      {"txt", "/d/params.old", "/d/params.old"},  // any extension is kept
      {"mif", "/d.v2/sheets", "/d.v2/sheets.mif"},  // a point in a folder is no extension
      {"xlsx", "sheets", "sheets.xlsx"},
      {"", "/d/params", "/d/params"},  // no default extension
  };
  for (const Case& c : cases) {
    TFileDialog d(FileDialogKind::Save);
    d.DefaultExt = c.ext;
    EXPECT_EQ(d.CompleteName(c.chosen), c.name) << c.chosen;
  }
}

}  // namespace
}  // namespace karvento
