// SPDX-License-Identifier: Apache-2.0
// The export commands: which table each writes on which tab, the save
// dialog's filter and extension, and a failed export reported with the
// writer's reason.
#include <gtest/gtest.h>

#include <cstdio>
#include <memory>
#include <sstream>
#include <set>
#include <string>
#include <vector>

#include "window_fixture.h"

namespace karvento {
namespace {

using testing::TempDir;
using testing::WindowTest;

// The MID file's lines: one quoted sheet number per sheet.
std::vector<std::string> MidNumbers(const std::string& mid) {
  std::vector<std::string> numbers;
  std::istringstream in(TempDir::Read(mid));
  std::string line;
  while (std::getline(in, line)) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    numbers.push_back(line);
  }
  return numbers;
}

std::vector<std::string> Quoted(const std::vector<std::string>& numbers) {
  std::vector<std::string> q;
  for (const auto& n : numbers) q.push_back("\"" + n + "\"");
  return q;
}

std::vector<std::string> NumbersOf(const TStandardMapUnions& t) {
  std::vector<std::string> n;
  for (const auto& c : t) {
    for (const auto& r : c) n.push_back(r.MapUnionNo);
  }
  return n;
}

// What openpyxl reads back from a workbook, one fact per line.
std::string ReadWorkbook(const std::string& file) {
  const std::string command =
      "/usr/bin/python3 " KARVENTO_EXPORT_TEST_DIR "/read_xlsx.py '" + file + "'";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buf[4096];
  std::size_t n = 0;
  while (pipe && (n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  return out;
}

struct Exports : WindowTest {
  TempDir dir;

  // A Generate on each tab, and a conversion with "80坐标" chosen.
  void FillEveryTable() {
    SetCorners(0, {116, 0, 0}, {39, 40, 0}, {117, 0, 0}, {40, 0, 0});
    frm.RzComboBox2.SetItemIndex(3);
    frm.RzBitBtn1Click();
    frm.SetActiveTab(1);
    SetCorners(1, {110, 0, 0}, {30, 0, 0}, {111, 0, 0}, {30, 40, 0});
    frm.RzComboBox4.SetItemIndex(3);
    frm.RzBitBtn1Click();
    frm.SetActiveTab(2);
    frm.RzNumericEdit7.SetValue(1000);
    frm.RzNumericEdit8.SetValue(500);
    frm.RzSpinEdit28.SetValue(500);
    frm.RzSpinEdit29.SetValue(500);
    frm.RzBitBtn1Click();
    ASSERT_FALSE(frm.FMapUnions54.empty());
    ASSERT_FALSE(frm.FMapUnions80.empty());
    ASSERT_FALSE(frm.FCustomMapUnions.empty());
  }
};

TEST_F(Exports, MifWritesTheTableOfTheTabsCoordinateSystem) {
  FillEveryTable();
  const std::vector<std::string> n54 = NumbersOf(frm.FMapUnions54);
  const std::vector<std::string> n80 = NumbersOf(frm.FMapUnions80);
  struct Case {
    int tab;
    bool use80;  // on the conversion tab
    const char* item;
    const std::vector<std::string>* numbers;  // nullptr: the custom grid
    const char* header4;
  } cases[] = {
      {0, false, "N1", &n54, "CoordSys Earth Projection 1, 0"},
      {0, false, "N2", &n54, "CoordSys NonEarth"},
      {1, false, "N1", &n80, "CoordSys Earth Projection 1, 0"},
      {1, false, "N2", &n80, "CoordSys NonEarth"},
      {2, false, "N2", nullptr, "CoordSys NonEarth"},
      {3, false, "N2", &n54, "CoordSys NonEarth"},
      {3, true, "N1", &n80, "CoordSys Earth Projection 1, 0"},
  };
  int k = 0;
  for (const Case& c : cases) {
    frm.SetActiveTab(c.tab);
    (c.use80 ? frm.RzRadioButton8 : frm.RzRadioButton7).Choose();
    const std::string name = dir.File("out" + std::to_string(k++));
    ui.fileNames.push_back(name);  // typed without extension
    ASSERT_TRUE(frm.Click(c.item));
    EXPECT_EQ(ui.fileDialogs.back().kind, FileDialogKind::Save);
    EXPECT_EQ(ui.fileDialogs.back().filter, "MapInfo 交换格式（*.mif）|*.mif");
    EXPECT_EQ(ui.fileDialogs.back().defaultExt, "mif");
    const std::string mif = TempDir::Read(name + ".mif");
    EXPECT_NE(mif.find(c.header4), std::string::npos) << c.tab << c.item;
    const std::vector<std::string> expected =
        c.numbers != nullptr ? Quoted(*c.numbers) : Quoted({"0+0", "0+1"});
    EXPECT_EQ(MidNumbers(name + ".mid"), expected) << c.tab << c.item;
    EXPECT_TRUE(ui.messages.empty());
  }
}

TEST_F(Exports, DeletedItemsAreStillExported) {
  FillEveryTable();
  frm.SetActiveTab(0);
  const std::vector<std::string> all = NumbersOf(frm.FMapUnions54);
  for (std::size_t i = 0; i < frm.RzCheckList1.Count(); ++i) frm.RzCheckList1.SetChecked(i, true);
  ui.answers.push_back(MessageResult::Yes);
  frm.RzToolbarButton1Click();
  ui.messages.clear();
  ASSERT_EQ(frm.RzCheckList1.Count(), 0u);
  ui.fileNames.push_back(dir.File("kept.mif"));
  frm.N2Click();
  EXPECT_EQ(MidNumbers(dir.File("kept.mid")), Quoted(all));
}

// What ogrinfo says of a file, its summary and every feature.
std::string Ogrinfo(const std::string& file) {
  const std::string command = "ogrinfo -ro -al '" + file + "' 2>&1";
  std::unique_ptr<FILE, int (*)(FILE*)> pipe(popen(command.c_str(), "r"), pclose);
  std::string out;
  char buf[4096];
  std::size_t n = 0;
  while (pipe && (n = std::fread(buf, 1, sizeof buf, pipe.get())) > 0) out.append(buf, n);
  return out;
}

// The sheet numbers of a GIS file in feature order: the number attribute,
// or in a DXF the text of each label.
std::vector<std::string> OgrNumbers(const std::string& file) {
  std::vector<std::string> numbers;
  std::istringstream lines(Ogrinfo(file));
  for (std::string line; std::getline(lines, line);) {
    for (const char* key : {"图幅号 (String) = ", "Text (String) = "}) {
      const std::size_t at = line.find(key);
      if (at != std::string::npos) numbers.push_back(line.substr(at + std::string(key).size()));
    }
  }
  return numbers;
}

// The companions hand the checked rows of the active list, in list order, to
// the same writers; the items themselves keep writing the whole table; a
// written export says what it wrote in the status line.
TEST_F(Exports, CheckedOnlyCompanionsWriteTheCheckedSheetsInListOrder) {
  FillEveryTable();
  // Six 1:1万 sheets on tab 0.
  frm.SetActiveTab(0);
  SetCorners(0, {116, 27, 0}, {39, 50, 0}, {116, 31, 0}, {39, 56, 0});
  frm.RzComboBox2.SetItemIndex(6);
  frm.RzBitBtn1Click();
  const std::vector<std::string> n54 = NumbersOf(frm.FMapUnions54);
  ASSERT_EQ(n54.size(), 6u);
  struct Case {
    int tab;
    const char* item;
    std::vector<std::size_t> checked;  // rows of the tab's list, in any order
    const char* extension;
  } cases[] = {
      {0, "N2Checked", {4, 1, 5}, "mif"},
      {0, "N1Checked", {0}, "mif"},
      {2, "N2Checked", {1}, "mif"},
      {0, "Excel1Checked", {5, 2}, "xlsx"},
      {2, "Excel1Checked", {0, 1}, "xlsx"},
      {0, "SHP3Checked", {3, 0}, "shp"},
      {0, "GPKG1Checked", {2, 5, 4}, "gpkg"},
      {2, "DXF1Checked", {1}, "dxf"},
  };
  int k = 0;
  for (const Case& c : cases) {
    frm.SetActiveTab(c.tab);
    SheetList& list = c.tab == 0 ? frm.RzCheckList1 : frm.RzCheckList3;
    list.SetAllChecked(false);
    for (std::size_t row : c.checked) list.SetChecked(row, true);
    std::vector<std::string> expected;
    for (std::size_t i = 0; i < list.Count(); ++i) {
      if (list.Checked(i)) expected.push_back(list.Text(i));
    }
    const std::string name = dir.File("checked" + std::to_string(k++));
    ui.fileNames.push_back(name);
    ASSERT_TRUE(frm.Click(c.item));
    const std::string file = name + "." + c.extension;
    if (std::string(c.extension) == "mif") {
      EXPECT_EQ(MidNumbers(name + ".mid"), Quoted(expected)) << c.item << " " << k;
    } else if (std::string(c.extension) != "xlsx") {
      EXPECT_EQ(OgrNumbers(file), expected) << c.item;
    } else {
      const std::string facts = ReadWorkbook(file);
      for (std::size_t i = 0; i < expected.size(); ++i) {
        const std::string cell = "cell A" + std::to_string(3 + i) + " s " + expected[i] + " ";
        EXPECT_NE(facts.find(cell), std::string::npos) << cell << facts;
      }
      EXPECT_EQ(facts.find("cell A" + std::to_string(3 + expected.size()) + " "), std::string::npos)
          << facts;
    }
    EXPECT_EQ(frm.StatusLine.Caption,
              "已导出 " + std::to_string(expected.size()) + " 幅到 " + file);
    for (const auto& m : ui.messages) ADD_FAILURE() << m.text;
    ui.messages.clear();
  }
  // With none checked nothing is asked and nothing written.
  frm.SetActiveTab(0);
  frm.RzCheckList1.SetAllChecked(false);
  const std::size_t dialogs = ui.fileDialogs.size();
  EXPECT_TRUE(frm.Click("N2Checked"));
  EXPECT_EQ(ui.fileDialogs.size(), dialogs);
  EXPECT_EQ(frm.StatusLine.Caption, "没有选中的图幅，未导出");
  // The item itself still writes the whole table, checked rows or not.
  ui.fileNames.push_back(dir.File("whole.mif"));
  frm.N2Click();
  EXPECT_EQ(MidNumbers(dir.File("whole.mid")), Quoted(n54));
  EXPECT_EQ(frm.StatusLine.Caption,
            "已导出 " + std::to_string(n54.size()) + " 幅到 " + dir.File("whole.mif"));
  // The geographic companion is not offered where the item is not.
  frm.SetActiveTab(2);
  EXPECT_FALSE(frm.N1Checked.Enabled);
}

TEST_F(Exports, GeographicMifIsNotOfferedForTheIndependentGrid) {
  FillEveryTable();
  frm.SetActiveTab(2);
  EXPECT_FALSE(frm.N1.Enabled);
  frm.N1Click();
  EXPECT_TRUE(ui.fileDialogs.empty());
}

TEST_F(Exports, AFailedExportIsReportedWithTheWritersReason) {
  // Nothing generated yet: a plane MIF has no sheets to take its bounds from.
  ui.fileNames.push_back(dir.File("empty.mif"));
  frm.N2Click();
  const auto m = TakeMessage();
  EXPECT_EQ(m.caption, "错误");
  EXPECT_EQ(m.icon, MessageIcon::Error);
  EXPECT_EQ(m.buttons, MessageButtons::Ok);
  EXPECT_FALSE(m.text.empty());
  // A folder that does not exist: the reason names the file.
  FillEveryTable();
  frm.SetActiveTab(0);
  for (const char* item : {"N1", "N2", "Excel1"}) {
    const std::string name = dir.File(std::string("missing/") + item);
    ui.fileNames.push_back(name);
    frm.Click(item);
    const auto failed = TakeMessage();
    EXPECT_EQ(failed.caption, "错误") << item;
    EXPECT_NE(failed.text.find(dir.File("missing")), std::string::npos) << failed.text;
  }
  // Cancelling writes nothing and says nothing.
  ui.fileNames.push_back(std::nullopt);
  frm.Excel1Click();
  EXPECT_TRUE(ui.messages.empty());
}

TEST_F(Exports, GisFilesCarryTheSystemOfTheFill) {
  FillEveryTable();
  // Xi'an 1980 again, on zone 37 named by its central meridian and with
  // both large numbers omitted.
  frm.SetActiveTab(1);
  frm.RzSpinEdit26.SetValue(111);
  frm.RzNumericEdit3.SetValue(37000000);
  frm.RzNumericEdit4.SetValue(3000000);
  frm.RzBitBtn1Click();
  // Changing the tab's fields after the fill changes nothing of its table.
  frm.RzSpinEdit26.SetValue(0);
  frm.RzNumericEdit3.SetValue(0);
  const std::size_t n54 = NumbersOf(frm.FMapUnions54).size();
  const std::size_t n80 = NumbersOf(frm.FMapUnions80).size();
  struct Case {
    int tab;
    const char* item;
    const char* filter;
    const char* ext;
    std::size_t features;
    std::vector<std::string> facts;  // in ogrinfo's output
  } cases[] = {
      {0, "SHP3", "ESRI Shapefile（*.shp）|*.shp", "shp", n54,
       {"Beijing 1954 / 3-degree Gauss-Kruger CM 117E", "ID[\"EPSG\",2436]]"}},
      {0, "SHP2", "ESRI Shapefile（*.shp）|*.shp", "shp", n54, {"ID[\"EPSG\",4214]]"}},
      {1, "GPKG1", "GeoPackage（*.gpkg）|*.gpkg", "gpkg", n80,
       {"Xian 1980 / 3-degree Gauss-Kruger zone 37, omitted X 37000000 Y 3000000",
        "False northing\",-3000000"}},
      {1, "DXF1", "AutoCAD DXF（*.dxf）|*.dxf", "dxf", 2 * n80,
       {"Layer (String) = 图廓", "Layer (String) = 图号"}},
      {2, "SHP3", "ESRI Shapefile（*.shp）|*.shp", "shp", 2,
       {"Layer SRS WKT:\n(unknown)", "图幅号 (String) = 0+1"}},
      {3, "GPKG1", "GeoPackage（*.gpkg）|*.gpkg", "gpkg", n54, {"ID[\"EPSG\",2436]]"}},
  };
  int k = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.item) + " on tab " + std::to_string(c.tab));
    frm.SetActiveTab(c.tab);
    const std::string name = dir.File("gis" + std::to_string(k++));
    ui.fileNames.push_back(name + "." + c.ext);
    ASSERT_TRUE(frm.Click(c.item));
    EXPECT_EQ(ui.fileDialogs.back().filter, c.filter);
    EXPECT_EQ(ui.fileDialogs.back().defaultExt, c.ext);
    EXPECT_TRUE(ui.messages.empty());
    const std::string info = Ogrinfo(name + "." + c.ext);
    EXPECT_NE(info.find("Feature Count: " + std::to_string(c.features) + "\n"), std::string::npos)
        << info.substr(0, 2000);
    for (const std::string& fact : c.facts) {
      EXPECT_NE(info.find(fact), std::string::npos) << fact << "\n" << info.substr(0, 3000);
    }
    if (std::string(c.ext) == "dxf") {
      // The window's drawing holds the bytes GDAL's own DXF driver writes,
      // after a comment that names its system (GDAL reads past it, above).
      GisOptions gdal{GisFormat::Dxf, false, GisEncoding::Utf8};
      gdal.gdalDxf = true;
      Message reason;
      ASSERT_TRUE(WriteGisSheets(name + ".gdal.dxf", frm.FMapUnions80, frm.FPlaneSystem80, gdal, &reason)) << reason;
      const std::string drawing = TempDir::Read(name + "." + c.ext);
      const std::string comment = "999\nKarvento sheet frames, coordinate system: Xian 1980 / 3-degree "
                                  "Gauss-Kruger zone 37, omitted X 37000000 Y 3000000\n";
      EXPECT_EQ(drawing.substr(0, comment.size()), comment);
      EXPECT_EQ(drawing.substr(std::min(comment.size(), drawing.size())), TempDir::Read(name + ".gdal.dxf"));
    }
  }
}

TEST_F(Exports, AGisFileThatCannotBeRightIsRefusedBeforeItsNameIsAsked) {
  FillEveryTable();
  // Sheets across the 3-degree boundary at 118.5° E, central meridian 0.
  frm.SetActiveTab(0);
  SetCorners(0, {118, 0, 0}, {39, 40, 0}, {119, 0, 0}, {40, 0, 0});
  frm.RzBitBtn1Click();
  const std::size_t dialogs = ui.fileDialogs.size();
  struct Case {
    int tab;
    const char* item;
    std::string message;
  } cases[] = {
      {0, "SHP3", kSpansZonesMessage},
      {0, "DXF1", kSpansZonesMessage},
      {0, "KML1", kKmlNeedsCgcs2000Message},
      {1, "KML1", kKmlNeedsCgcs2000Message},
      {2, "KML1", kKmlNeedsGeodeticMessage},
  };
  for (const Case& c : cases) {
    frm.SetActiveTab(c.tab);
    // The writer refuses even where the menu would not offer the item.
    frm.FindControlAs<Button>(c.item)->Enabled = true;
    ASSERT_TRUE(frm.Click(c.item));
    const auto m = TakeMessage();
    EXPECT_EQ(m.caption, "错误");
    EXPECT_EQ(m.icon, MessageIcon::Error);
    EXPECT_EQ(m.text, c.message);
  }
  EXPECT_EQ(ui.fileDialogs.size(), dialogs);
  // The geographic Shapefile of the same sheets has one system.
  ui.fileNames.push_back(dir.File("geo.shp"));
  frm.SetActiveTab(0);
  frm.Click("SHP2");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_NE(Ogrinfo(dir.File("geo.shp")).find("ID[\"EPSG\",4214]]"), std::string::npos);
  // A folder that is not there: the failure names the file.
  ui.fileNames.push_back(dir.File("missing/x.gpkg"));
  frm.SetActiveTab(1);
  frm.Click("GPKG1");
  const auto failed = TakeMessage();
  EXPECT_NE(failed.text.find(dir.File("missing/x.gpkg")), std::string::npos) << failed.text;
}

TEST_F(Exports, WorkbookTitleAndTablePerTab) {
  FillEveryTable();
  struct Case {
    int tab;
    bool use80;
    const char* title;
    const char* lastHeader;  // the last header cell
    std::string firstNumber;
  } cases[] = {
      {0, false, "图幅表（北京54坐标系，3度带，按各图幅所在带，1:10万）", "cell M2 s Y4",
       frm.FMapUnions54[0][0].MapUnionNo},
      {1, false, "图幅表（西安80坐标系，3度带，按各图幅所在带，1:10万）", "cell M2 s Y4",
       frm.FMapUnions80[0][0].MapUnionNo},
      {2, false, "图幅表（独立坐标系）", "cell E2 s 最大Y", "0+0"},
      {3, false, "图幅表（北京54坐标系，3度带，按各图幅所在带，1:10万）", "cell M2 s Y4",
       frm.FMapUnions54[0][0].MapUnionNo},
      {3, true, "图幅表（西安80坐标系，3度带，按各图幅所在带，1:10万）", "cell M2 s Y4",
       frm.FMapUnions80[0][0].MapUnionNo},
  };
  int k = 0;
  for (const Case& c : cases) {
    frm.SetActiveTab(c.tab);
    (c.use80 ? frm.RzRadioButton8 : frm.RzRadioButton7).Choose();
    const std::string name = dir.File("book" + std::to_string(k++));
    ui.fileNames.push_back(name);
    frm.Excel1Click();
    EXPECT_EQ(ui.fileDialogs.back().filter, "Microsoft Excel 工作簿（*.xlsx）|*.xlsx");
    EXPECT_EQ(ui.fileDialogs.back().defaultExt, "xlsx");
    const std::string facts = ReadWorkbook(name + ".xlsx");
    EXPECT_NE(facts.find("cell A1 s " + std::string(c.title)), std::string::npos) << facts;
    EXPECT_NE(facts.find(c.lastHeader), std::string::npos) << facts;
    EXPECT_NE(facts.find("cell A3 s " + c.firstNumber + " "), std::string::npos) << facts;
    EXPECT_TRUE(ui.messages.empty());
  }
  // With a central meridian the title names it and its zone.
  frm.SetActiveTab(0);
  frm.RzComboBox1.SetItemIndex(1);
  frm.RzSpinEdit13.SetValue(117);
  frm.RzBitBtn1Click();
  ui.fileNames.push_back(dir.File("meridian"));
  frm.Excel1Click();
  EXPECT_NE(ReadWorkbook(dir.File("meridian.xlsx")).find("cell A1 s 图幅表（北京54坐标系，6度带 第20带，中央经度 117°，1:10万）"),
            std::string::npos);
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

// The CGCS2000 tab and the conversion on 2000坐标 write the CGCS2000 table,
// under its own title, in plane and geographic coordinates.
TEST_F(Exports, TheCgcs2000TableHasItsOwnTitleAndFiles) {
  FillEveryTable();
  frm.SetActiveTab(kTabCgcs2000);
  SetCorners(kTabCgcs2000, {116, 0, 0}, {39, 40, 0}, {116, 30, 0}, {40, 0, 0});
  frm.Cgcs2000Tab().Scale.SetItemIndex(4);
  frm.RzBitBtn1Click();
  const std::vector<std::string> n2000 = NumbersOf(frm.FMapUnions2000);
  ASSERT_FALSE(n2000.empty());
  ASSERT_NE(n2000, NumbersOf(frm.FMapUnions54));
  struct Case {
    int tab;
    const char* item;
  } cases[] = {{kTabCgcs2000, "Excel1"}, {kTabCgcs2000, "N1"}, {kTabCgcs2000, "N2"},
               {kTabConvert, "Excel1"},  {kTabConvert, "N2"}};
  int k = 0;
  for (const Case& c : cases) {
    frm.SetActiveTab(c.tab);
    frm.RzRadioButton13.Choose();
    const std::string name = dir.File("cgcs" + std::to_string(k++));
    ui.fileNames.push_back(name);
    ASSERT_TRUE(frm.Click(c.item));
    if (std::string(c.item) == "Excel1") {
      const std::string facts = ReadWorkbook(name + ".xlsx");
      EXPECT_NE(facts.find("cell A1 s 图幅表（2000国家坐标系，3度带，按各图幅所在带，1:5万）"), std::string::npos)
          << facts;
      EXPECT_NE(facts.find("cell A3 s " + n2000[0] + " "), std::string::npos) << facts;
    } else {
      EXPECT_EQ(MidNumbers(name + ".mid"), Quoted(n2000)) << c.tab << c.item;
    }
    EXPECT_TRUE(ui.messages.empty());
  }
}

// Before any Generate both tables are empty, yet each keeps its own title:
// the workbook of the Xi'an 80 tab is titled for Xi'an 80, header only.
TEST_F(Exports, EmptyTablesKeepTheTitleOfTheirSystem) {
  struct Case { int tab; bool use80; const char* title; } cases[] = {
      {0, false, "图幅表（北京54坐标系，3度带，按各图幅所在带）"},
      {1, false, "图幅表（西安80坐标系，3度带，按各图幅所在带）"},
      {3, true, "图幅表（西安80坐标系，3度带，按各图幅所在带）"},
      {3, false, "图幅表（北京54坐标系，3度带，按各图幅所在带）"},
  };
  int k = 0;
  for (const Case& c : cases) {
    frm.SetActiveTab(c.tab);
    (c.use80 ? frm.RzRadioButton8 : frm.RzRadioButton7).Choose();
    const std::string name = dir.File("empty" + std::to_string(k++));
    ui.fileNames.push_back(name);
    frm.Excel1Click();
    const std::string facts = ReadWorkbook(name + ".xlsx");
    EXPECT_NE(facts.find("cell A1 s " + std::string(c.title)), std::string::npos) << c.tab << facts;
    EXPECT_EQ(facts.find("cell A3 "), std::string::npos) << facts;
  }
}

// The independent grid's number format can put a line break or bytes that
// are not text into its numbers: every export refuses them with the number
// quoted, writes nothing and keeps the file it would have replaced.
TEST_F(Exports, NumbersNoFileCanCarryAreRefusedByEveryExport) {
  FillEveryTable();
  struct Case { const char* format; const char* says; } cases[] = {
      {"[ROW]\n[COL]", "图幅号“0\\n0”含有换行符或 NUL 字符，不能写入文件"},
      {"\xFF[ROW]", "图幅号“\xEF\xBF\xBD" "0”不是有效的 UTF-8 文本，不能写入文件"},
  };
  for (const auto& c : cases) {
    frm.SetActiveTab(2);
    frm.RzEdit1.SetText(c.format);
    frm.RzBitBtn1Click();
    ASSERT_FALSE(frm.FCustomMapUnions.empty());
    for (const char* item : {"N2", "Excel1"}) {
      const std::string name = dir.Write(std::string("kept.") + (item[0] == 'N' ? "mif" : "xlsx"), "old");
      ui.fileNames.push_back(name);
      frm.Click(item);
      const auto m = TakeMessage();
      EXPECT_EQ(m.caption, "错误") << item;
      EXPECT_NE(m.text.find(c.says), std::string::npos) << item << ": " << m.text;
      EXPECT_EQ(TempDir::Read(name), "old") << item;
    }
  }
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"kept.mif", "kept.xlsx"}));
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

// The save dialog starts with the last chosen name; a name chosen for another
// kind of file takes the extension of this dialog, so that Enter writes a file
// of the kind asked for and never over the other kind.
TEST(FileDialog, TheInitialNameTakesTheDefaultExtensionWhereTheFilterRefusesItsOwn) {
  struct Case {
    const char* last;
    const char* filter;
    const char* defaultExt;
    const char* initial;
  } cases[] = {
      {"/d/a.mif", "Microsoft Excel 工作簿（*.xlsx）|*.xlsx", "xlsx", "/d/a.xlsx"},
      {"/d/a.xlsx", "MapInfo 交换格式（*.mif）|*.mif", "mif", "/d/a.mif"},
      {"/d/a.mif", "文本文件（*.txt）|*.txt", "txt", "/d/a.txt"},
      {"/d/a.mif", "MapInfo 交换格式（*.mif）|*.mif", "mif", "/d/a.mif"},
      {"/d/a.MIF", "MapInfo 交换格式（*.mif）|*.mif", "mif", "/d/a.MIF"},
      {"/d/a.b.mif", "Microsoft Excel 工作簿（*.xlsx）|*.xlsx", "xlsx", "/d/a.b.xlsx"},
      {"/d.v2/a", "文本文件（*.txt）|*.txt", "txt", "/d.v2/a.txt"},
      {"/d/.a", "文本文件（*.txt）|*.txt", "txt", "/d/.a.txt"},
      {"/d/a.lst", "文本|*.txt;*.lst|全部|*.*", "txt", "/d/a.lst"},
      {"/d/a.mif", "全部|*", "txt", "/d/a.mif"},
      {"/d/a.mif", "文本文件（*.txt）|*.txt", "", "/d/a.mif"},
      {"/d/", "文本文件（*.txt）|*.txt", "txt", "/d/"},
      {"", "文本文件（*.txt）|*.txt", "txt", ""},
  };
  for (const Case& c : cases) {
    TFileDialog d(FileDialogKind::Save);
    d.FileName = c.last;
    d.Filter = c.filter;
    d.DefaultExt = c.defaultExt;
    EXPECT_EQ(d.InitialName(), c.initial) << c.last << " " << c.filter;
  }
}

TEST_F(Exports, EnterInTheNextSaveDialogWritesAFileOfItsOwnKind) {
  FillEveryTable();
  frm.SetActiveTab(0);
  // The user types a name without extension once, then only presses Enter.
  const std::string stem = dir.File("a");
  ui.fileNames.push_back(stem);
  frm.N2Click();
  const std::string mif = TempDir::Read(stem + ".mif");
  const std::string mid = TempDir::Read(stem + ".mid");
  ASSERT_FALSE(mif.empty());
  ui.onFileDialog = [this] { ui.fileNames.push_back(ui.fileDialogs.back().initialName); };
  struct Step {
    const char* command;
    std::string offered;
  } steps[] = {
      {"Excel1", stem + ".xlsx"},
      {"N1", stem + ".mif"},
      {"Excel1", stem + ".xlsx"},
  };
  for (const Step& s : steps) {
    ASSERT_TRUE(frm.Click(s.command));
    EXPECT_EQ(ui.fileDialogs.back().initialName, s.offered) << s.command;
    EXPECT_EQ(frm.SaveDialog1.FileName, s.offered) << s.command;
    EXPECT_TRUE(ui.messages.empty()) << s.command;
  }
  // 保存 offers a parameter file's name, never the last export's; the
  // exports keep theirs.
  ui.onFileDialog = nullptr;
  ui.fileNames.push_back(stem + ".txt");
  ASSERT_TRUE(frm.Click("RzBitBtn2"));
  EXPECT_EQ(ui.fileDialogs.back().initialName, "");
  ui.fileNames.push_back(std::nullopt);
  ASSERT_TRUE(frm.Click("RzBitBtn2"));
  EXPECT_EQ(ui.fileDialogs.back().initialName, stem + ".txt");
  ui.fileNames.push_back(std::nullopt);
  ASSERT_TRUE(frm.Click("Excel1"));
  EXPECT_EQ(ui.fileDialogs.back().initialName, stem + ".xlsx");
  EXPECT_NE(ReadWorkbook(stem + ".xlsx").find("cell A1 s 图幅表（北京54坐标系，"), std::string::npos);
  EXPECT_EQ(TempDir::Read(stem + ".txt").substr(0, 12), "116 0 0.00\r\n");
  // The geographic MIF replaced the plane one, with its own MID beside it.
  EXPECT_NE(TempDir::Read(stem + ".mif").find("CoordSys Earth"), std::string::npos);
  EXPECT_EQ(TempDir::Read(stem + ".mid"), mid);
  EXPECT_EQ(dir.Names(), (std::set<std::string>{"a.mid", "a.mif", "a.txt", "a.xlsx"}));
}

// A table of more records than a worksheet holds is refused before the save
// dialog, in the program's own error box, with the counts grouped.
TEST_F(Exports, TooManyRecordsForAWorkbookAreRefusedBeforeANameIsAskedFor) {
  struct Case {
    std::size_t records;
    bool refused;
  } cases[] = {{1'048'575, true}, {1'048'574, false}};
  frm.SetActiveTab(kTabCustom);
  for (const Case& c : cases) {
    frm.ShowCustomMapUnions(TCustomMapUnions{std::vector<TCustomMapUnion>(c.records)},
                            frm.RzCheckList3);
    if (!c.refused) ui.fileNames.push_back(std::nullopt);  // the dialog comes; cancel it
    frm.Excel1Click();
    EXPECT_EQ(ui.fileDialogs.size(), c.refused ? 0u : 1u) << c.records;
    if (c.refused) {
      const auto m = TakeMessage();
      EXPECT_EQ(m.caption, "错误");
      EXPECT_EQ(m.icon, MessageIcon::Error);
      EXPECT_EQ(m.text,
                "图幅太多，无法导出到一个工作表：共 1,048,575 个图幅，一个工作表最多容纳 "
                "1,048,574 个。请缩小范围后分批导出。");
    } else {
      EXPECT_TRUE(ui.messages.empty());
    }
  }
}

}  // namespace
}  // namespace karvento
