// SPDX-License-Identifier: Apache-2.0
// The main window at start-up, its tabs and their enabling, and controls by
// name.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_ui.h"
#include "numbering/scales.h"
#include "workbench/create_map_un_rg.h"

namespace karvento {
namespace {

using testing::FakeUi;

struct Window : ::testing::Test {
  FakeUi ui;
  TfrmCreateMapUnRg frm{ui};
};

TEST_F(Window, StartsOnTheFirstTabWithTheFocusOnTheFirstCornerField) {
  EXPECT_EQ(frm.Caption, "Karvento");
  EXPECT_EQ(frm.ActiveTab(), 0);
  EXPECT_EQ(ui.focus, "RzSpinEdit1");
  const std::vector<std::string> captions = {"北京54坐标系", "西安80坐标系", "独立坐标系",
                                             "图幅号转换", "关于"};
  for (std::size_t i = 0; i < 5; ++i) {
    EXPECT_EQ(frm.Tabs[i].Caption, captions[i]);
    EXPECT_EQ(frm.Tabs[i].TabVisible, i < 4);
  }
  EXPECT_EQ(frm.AboutLabel.Caption, "Karvento  v1.0");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_TRUE(frm.FMapUnions54.empty());
  EXPECT_TRUE(frm.FMapUnions80.empty());
  EXPECT_TRUE(frm.FCustomMapUnions.empty());
}

TEST_F(Window, SpinFieldsStartAtZeroWithTheirLimits) {
  struct Case {
    const char* name;
    double max, step;
    int decimals, displayDecimals;
    bool spinOnly;
  };
  std::vector<Case> cases = {
      {"RzSpinEdit13", 180, 1, kAnyDecimals, kAnyDecimals, false},
      {"RzSpinEdit26", 180, 1, kAnyDecimals, kAnyDecimals, false},
      {"RzSpinEdit34", 360, 1, kAnyDecimals, kAnyDecimals, false}, {"RzSpinEdit28", 1000, 10, 0, 0, false},
      {"RzSpinEdit29", 1000, 10, 0, 0, false},  {"RzSpinEdit30", 10000, 10, 0, 0, false},
      {"RzSpinEdit31", 10000, 10, 0, 0, false}, {"RzSpinEdit27", 2000, 100, 0, 0, false},
  };
  std::vector<std::string> names;
  for (const Case& c : cases) names.push_back(c.name);
  // The corner fields of both geodetic tabs: longitude degrees, minutes,
  // seconds, latitude degrees, minutes, seconds.
  const Case corner[6] = {{"", 180, 1, 0, 0, false}, {"", 59, 1, 0, 0, false},
                          {"", 60, 1, 3, 3, false},  {"", 90, 1, 0, 0, false},
                          {"", 59, 1, 0, 0, false},  {"", 60, 1, 3, 3, false}};
  for (int first : {1, 7, 14, 20}) {
    for (int k = 0; k < 6; ++k) {
      cases.push_back(corner[k]);
      names.push_back("RzSpinEdit" + std::to_string(first + k));
    }
  }
  ASSERT_EQ(cases.size(), names.size());
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const Case& c = cases[i];
    auto* f = frm.FindControlAs<SpinField>(names[i]);
    ASSERT_NE(f, nullptr) << names[i];
    EXPECT_EQ(f->Value(), 0) << names[i];
    EXPECT_EQ(f->Min(), 0) << names[i];
    EXPECT_EQ(f->Max(), c.max) << names[i];
    EXPECT_EQ(f->Step(), c.step) << names[i];
    EXPECT_EQ(f->Decimals(), c.decimals) << names[i];
    EXPECT_EQ(f->DisplayDecimals(), c.displayDecimals) << names[i];
    EXPECT_EQ(f->SpinOnly(), c.spinOnly) << names[i];
  }
}

TEST_F(Window, NumberFieldsStartAtZeroWithTheirPatterns) {
  struct Case {
    const char* name;
    bool integersOnly;
    const char* pattern;
  } cases[] = {
      {"RzNumericEdit1", false, ",0;(,0)"},  // the only offset that takes decimals
      {"RzNumericEdit2", true, ",0;(,0)"},
      {"RzNumericEdit3", true, ",0;(,0)"},
      {"RzNumericEdit4", true, ",0;(,0)"},
      {"RzNumericEdit5", true, ",0.00000;(,0.00000)"},
      {"RzNumericEdit6", true, ",0.00000;(,0.00000)"},
      {"RzNumericEdit7", true, ",0.00000;(,0.00000)"},
      {"RzNumericEdit8", true, ",0.00000;(,0.00000)"},
      {"RzNumericEdit9", true, ",0;(,0)"},
      {"RzNumericEdit10", true, ",0;(,0)"},
  };
  for (const Case& c : cases) {
    auto* f = frm.FindControlAs<NumberField>(c.name);
    ASSERT_NE(f, nullptr) << c.name;
    EXPECT_EQ(f->Value(), 0) << c.name;
    EXPECT_EQ(f->IntegersOnly(), c.integersOnly) << c.name;
    EXPECT_EQ(f->DisplayFormat(), c.pattern) << c.name;
  }
}

TEST_F(Window, PickListsChoicesAndTheFormat) {
  const std::vector<std::string> zones = {"3度分带法", "6度分带法"};
  const std::vector<std::string> scales = {"1:100万", "1:50万",  "1:25万", "1:10万",
                                           "1:5万",   "1:2.5万", "1:1万",  "1:5000",
                                           "1:2000",  "1:1000",  "1:500"};
  struct Case {
    const char* name;
    const std::vector<std::string>* items;
    int index;
    bool editable;
  } cases[] = {
      {"RzComboBox1", &zones, 0, false},  {"RzComboBox3", &zones, 0, false},
      {"RzComboBox6", &zones, 0, true},   {"RzComboBox2", &scales, 6, false},
      {"RzComboBox4", &scales, 6, false}, {"RzComboBox5", &scales, 6, false},
  };
  for (const Case& c : cases) {
    auto* p = frm.FindControlAs<PickList>(c.name);
    ASSERT_NE(p, nullptr) << c.name;
    EXPECT_EQ(p->Items(), *c.items) << c.name;
    EXPECT_EQ(p->ItemIndex(), c.index) << c.name;
    EXPECT_EQ(p->Editable(), c.editable) << c.name;
  }
  struct Option {
    const char* name;
    const char* caption;
    bool checked;
  } options[] = {
      {"RzRadioButton1", "按新图幅号标准编号", true},
      {"RzRadioButton2", "按旧图幅号标准编号", false},
      {"RzRadioButton3", "按新图幅号标准编号", true},
      {"RzRadioButton4", "按旧图幅号标准编号", false},
      {"RzRadioButton5", "旧-->新", true},
      {"RzRadioButton6", "新-->旧", false},
      {"RzRadioButton7", "54坐标", true},
      {"RzRadioButton8", "80坐标", false},
      {"RzRadioButton9", "行列号", true},
      {"RzRadioButton10", "坐标", false},
  };
  for (const Option& o : options) {
    auto* r = frm.FindControlAs<RadioButton>(o.name);
    ASSERT_NE(r, nullptr) << o.name;
    EXPECT_EQ(r->Caption(), o.caption) << o.name;
    EXPECT_EQ(r->Checked(), o.checked) << o.name;
  }
  EXPECT_EQ(frm.RzEdit1.Text(), "[ROW]+[COL]");
  for (const char* list :
       {"RzCheckList1", "RzCheckList2", "RzCheckList3", "RzCheckList4", "RzCheckList5"}) {
    auto* l = frm.FindControlAs<SheetList>(list);
    ASSERT_NE(l, nullptr) << list;
    EXPECT_EQ(l->Count(), 0u);
    EXPECT_EQ(l->ItemIndex(), -1);
  }
  EXPECT_EQ(frm.RzCheckList3.Kind(), RecordKind::Custom);
}

TEST_F(Window, ButtonsMenuItemsAndHints) {
  struct Case {
    const char* name;
    const char* caption;
    const char* hint;
    bool visible;
  } cases[] = {
      {"RzBitBtn1", "生成图幅号", "", true},
      {"RzBitBtn2", "保存", "", true},
      {"RzMenuButton1", "导出", "", true},
      {"RzBitBtn3", "退出", "", true},
      {"N1", "大地坐标", "", true},
      {"N2", "平面坐标", "", true},
      {"Excel1", "导出XLS文件", "", true},
      {"SHP1", "导出SHP文件", "", true},
      {"SHP2", "大地坐标", "", true},
      {"SHP3", "平面坐标", "", true},
      {"GPKG1", "导出GeoPackage文件", "", true},
      {"DXF1", "导出DXF文件", "", true},
      {"N3", "度-->度分秒", "", true},
      {"N4", "XY-->度分秒", "", true},
      {"RzToolbarButton1", "", "删除图幅", true},
      {"RzToolbarButton3", "", "删除图幅", true},
      {"RzToolbarButton4", "", "导入经纬度", true},
      {"RzToolbarButton7", "", "导入经纬度", true},
      {"RzToolbarButton5", "", "信息", true},
      {"RzToolbarButton17", "", "信息", true},
      {"RzToolbarButton21", "", "", true},
      {"RzToolbarButton9", "", "导入坐标", true},
      {"RzToolbarButton10", "", "查找", true},
      {"RzToolbarButton18", "", "查找", true},
      {"RzToolbarButton12", "", "打开", true},
      {"RzToolbarButton14", "", "打开", true},
      {"RzToolbarButton16", "", "删除", true},
      {"RzToolbarButton19", "", "删除", true},
      {"RzToolbarButton20", "", "新建", true},
  };
  for (const Case& c : cases) {
    auto* b = frm.FindControlAs<Button>(c.name);
    ASSERT_NE(b, nullptr) << c.name;
    EXPECT_EQ(b->Caption, c.caption) << c.name;
    EXPECT_EQ(b->Hint, c.hint) << c.name;
    EXPECT_EQ(b->Visible, c.visible) << c.name;
    EXPECT_EQ(b->Enabled, c.visible) << c.name;
  }
  EXPECT_EQ(frm.FindControl("RzSpinEdit32"), nullptr);
  EXPECT_EQ(frm.FindControl(""), nullptr);
}

TEST_F(Window, TabChangesSetTheCaptionAndTheEnabling) {
  struct Case {
    int tab;
    const char* caption;
    bool save, geographic;
  } cases[] = {
      {2, "生成图幅号", false, false}, {3, "转换图幅号", false, true},
      {0, "生成图幅号", true, true},   {3, "转换图幅号", false, true},
      {1, "生成图幅号", true, true},   {3, "转换图幅号", false, true},
      {2, "生成图幅号", false, false},
  };
  for (const Case& c : cases) {
    ASSERT_TRUE(frm.SetActiveTab(c.tab));
    EXPECT_EQ(frm.RzBitBtn1.Caption, c.caption) << c.tab;
    EXPECT_TRUE(frm.RzBitBtn1.Enabled);
    EXPECT_EQ(frm.RzBitBtn2.Enabled, c.save) << c.tab;
    EXPECT_TRUE(frm.RzMenuButton1.Enabled);
    EXPECT_EQ(frm.N1.Enabled, c.geographic) << c.tab;
    EXPECT_TRUE(frm.N2.Enabled);
    EXPECT_TRUE(frm.Excel1.Enabled);
    EXPECT_EQ(frm.ShpGeoItem.Enabled, c.geographic) << c.tab;
    EXPECT_TRUE(frm.ShpPlaneItem.Enabled);
    EXPECT_TRUE(frm.GpkgMenuItem.Enabled);
    EXPECT_TRUE(frm.DxfMenuItem.Enabled);
    // KML is shown, and enabled only for sheets that are WGS 84 (CGCS2000).
    EXPECT_TRUE(frm.KmlMenuItem.Visible);
    EXPECT_FALSE(frm.KmlMenuItem.Enabled);
  }
  // The hidden tab and indices beyond the tabs cannot be chosen.
  EXPECT_FALSE(frm.SetActiveTab(4));
  EXPECT_FALSE(frm.SetActiveTab(-1));
  EXPECT_EQ(frm.ActiveTab(), 2);
}

TEST_F(Window, ParametersKeepTheirValuesAcrossTabChanges) {
  frm.RzSpinEdit3.SetText("75");
  frm.RzSpinEdit16.SetText("-4");
  frm.RzEdit1.SetText("A[ROW]");
  frm.SetActiveTab(3);
  frm.SetActiveTab(0);
  EXPECT_EQ(frm.RzSpinEdit3.Value(), 60);
  EXPECT_EQ(frm.RzSpinEdit16.Value(), 0);
  EXPECT_EQ(frm.RzEdit1.Text(), "A[ROW]");
}

TEST_F(Window, NumberingWayOverwritesTheFormat) {
  frm.RzEdit1.SetText("typed by the user");
  frm.RzRadioButton10.Choose();
  EXPECT_EQ(frm.RzEdit1.Text(), "[Y]-[X]");
  frm.RzEdit1.SetText("[X]/[Y]");
  EXPECT_TRUE(frm.Click("RzRadioButton9"));
  EXPECT_EQ(frm.RzEdit1.Text(), "[ROW]+[COL]");
  EXPECT_TRUE(frm.RzRadioButton9.Checked());
  EXPECT_FALSE(frm.RzRadioButton10.Checked());
  frm.RzRadioButton10Click();
  EXPECT_EQ(frm.RzEdit1.Text(), "[Y]-[X]");
}

TEST_F(Window, ExitClosesAtOnceWithoutAQuestion) {
  EXPECT_FALSE(frm.Closed());
  EXPECT_TRUE(frm.Click("RzBitBtn3"));
  EXPECT_TRUE(frm.Closed());
  EXPECT_TRUE(ui.closed);
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Window, EveryControlIsReachableByItsName) {
  for (Control* c : frm.Controls()) {
    EXPECT_EQ(frm.FindControl(c->Name()), c) << c->Name();
  }
  // 47 spin-field names exist, RzSpinEdit32 and 33 are not used; 35 .. 47
  // are the CGCS2000 tab's.
  int spins = 0;
  for (Control* c : frm.Controls()) spins += c->Kind() == ControlKind::SpinField;
  EXPECT_EQ(spins, 45);
}

TEST_F(Window, DisabledCommandsDoNothing) {
  frm.SetActiveTab(2);
  ui.fileNames.push_back("never.txt");
  EXPECT_TRUE(frm.Click("RzBitBtn2"));
  EXPECT_TRUE(ui.fileDialogs.empty());
  EXPECT_FALSE(frm.Click("NoSuchButton"));
  ui.fileNames.clear();
}

}  // namespace
}  // namespace karvento
