// SPDX-License-Identifier: Apache-2.0
// 导出图廓: the frames of a list's sheets written from the window, in the
// list's own coordinates, one DXF file per sheet, only the checked ones from
// the companion, and no PDF where the front end cannot draw.
#include <gtest/gtest.h>

#include <charconv>
#include <filesystem>
#include <set>
#include <string>

#include "window_fixture.h"

namespace karvento {
namespace {

using testing::TempDir;
using testing::WindowTest;

std::string Shortest(double v) {
  char buf[32];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v).ptr);
}

struct FrameExports : WindowTest {
  TempDir dir;
};

TEST_F(FrameExports, OneDxfPerSheetInTheListsCoordinates) {
  // Four 1:1万 sheets on Beijing 1954, zone 39, the large numbers omitted.
  SetCorners(0, {116, 0, 0}, {39, 40, 0}, {116, 7, 30}, {39, 45, 0});
  GeodeticTab& g = Geodetic(0);
  g.Scale.SetItemIndex(6);
  g.Meridian.SetValue(117);
  g.OffsetX.SetValue(39000000);
  g.OffsetY.SetValue(4000000);
  frm.RzBitBtn1Click();
  ASSERT_EQ(g.List.Count(), 4u);

  ui.fileNames.push_back(dir.File("图廓.dxf"));
  frm.Click("FrameDxf1");
  EXPECT_TRUE(ui.messages.empty());
  std::set<std::string> files;
  for (const auto& e : std::filesystem::directory_iterator(dir.File("图廓"))) files.insert(e.path().filename());
  std::set<std::string> expected;
  for (std::size_t i = 0; i < g.List.Count(); ++i) expected.insert(g.List.Text(i) + ".dxf");
  EXPECT_EQ(files, expected);
  // The inner frame's corners are the list's corners, offsets taken off.
  const TStandardMapUnion& first = g.List.StandardRecord(0);
  const std::string dxf = TempDir::Read(dir.File("图廓/" + first.MapUnionNo + ".dxf"));
  for (const TPlanePoint& p : first.PlaneCorners) {
    EXPECT_LT(p.X, 1000000);
    EXPECT_NE(dxf.find("\n10\n" + Shortest(p.X) + "\n20\n" + Shortest(p.Y) + "\n"), std::string::npos);
  }

  // Only the checked sheet, into the file chosen.
  g.List.SetChecked(2, true);
  ui.fileNames.push_back(dir.File("one.dxf"));
  frm.Click("FrameDxf1Checked");
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_NE(TempDir::Read(dir.File("one.dxf")).find(g.List.Text(2)), std::string::npos);

  // A front end that cannot draw gets no PDF, and no file is left.
  ui.fileNames.push_back(dir.File("frames.pdf"));
  frm.Click("FramePdf1");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_EQ(ui.messages[0].text, "此界面不能绘制 PDF 图廓。");
  EXPECT_FALSE(std::filesystem::exists(dir.File("frames.pdf")));
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

TEST_F(FrameExports, TheInformationDialogMakesTheFrameOfItsSheet) {
  SetCorners(0, {116, 0, 0}, {39, 40, 0}, {116, 3, 45}, {39, 42, 30});
  Geodetic(0).Scale.SetItemIndex(6);
  Geodetic(0).Meridian.SetValue(117);
  frm.RzBitBtn1Click();
  ASSERT_EQ(Geodetic(0).List.Count(), 1u);
  std::string result;
  ui.onInformation = [&](TfrmTFInformation& d) {
    ui.fileNames.push_back(dir.File("sheet"));  // the default extension: .dxf
    d.MakeFrame();
    result = d.MakeFrameResult;
  };
  Geodetic(0).List.SetItemIndex(0);
  ASSERT_TRUE(frm.DblClick(Geodetic(0).List.Name()));
  EXPECT_EQ(result, "已生成图廓 " + dir.File("sheet.dxf"));
  EXPECT_NE(TempDir::Read(dir.File("sheet.dxf")).find("$INSUNITS"), std::string::npos);
  // The dialog is named after the sheet: at first alone, then in the
  // folder of the last file.
  const std::string number = Geodetic(0).List.Text(0);
  ASSERT_GE(ui.fileDialogs.size(), 1u);
  EXPECT_EQ(ui.fileDialogs[0].initialName, number + ".dxf");
  ASSERT_TRUE(frm.DblClick(Geodetic(0).List.Name()));
  EXPECT_EQ(ui.fileDialogs.back().initialName, dir.File(number + ".dxf"));
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

TEST_F(FrameExports, TheIndependentGridsSheetsGetRectangularFramesAtTheTabsScale) {
  frm.SetActiveTab(2);
  frm.RzNumericEdit7.SetValue(1000);
  frm.RzNumericEdit8.SetValue(500);
  frm.RzSpinEdit28.SetValue(500);
  frm.RzSpinEdit29.SetValue(500);
  frm.RzBitBtn1Click();
  ASSERT_EQ(frm.RzCheckList3.Count(), 2u);
  // No scale chosen: refused before a file name is asked for.
  frm.Click("FrameDxf1");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("比例尺"), std::string::npos);
  EXPECT_TRUE(ui.fileDialogs.empty());
  ui.messages.clear();

  frm.RzSpinEdit27.SetValue(500);
  ui.fileNames.push_back(dir.File("grid.dxf"));
  frm.Click("FrameDxf1");
  EXPECT_TRUE(ui.messages.empty());
  const std::string west = TempDir::Read(dir.File("grid/0+0.dxf"));
  EXPECT_FALSE(TempDir::Read(dir.File("grid/0+1.dxf")).empty());
  // The inner frame is the sheet's rectangle; its eastern neighbour is in
  // the 接合图表.
  EXPECT_NE(west.find("\n10\n500\n20\n500\n"), std::string::npos);
  EXPECT_NE(west.find("\n1\n0+1\n"), std::string::npos);
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

TEST_F(FrameExports, ARunAboveTheBoundOrBeyondTheSeriesMillimetreIsAskedFirst) {
  // 11,520 sheets of 1:1万: the count and the size are asked about before a
  // file name; no, and nothing is written.
  SetCorners(0, {100, 0, 0}, {30, 0, 0}, {106, 0, 0}, {35, 0, 0});
  GeodeticTab& g = Geodetic(0);
  g.Scale.SetItemIndex(6);
  frm.RzBitBtn1Click();
  ASSERT_EQ(g.List.Count(), 11520u);
  ui.answers.push_back(MessageResult::No);
  frm.Click("FrameDxf1");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("将写出 11,520 个图廓，约 "), std::string::npos) << ui.messages[0].text;
  EXPECT_TRUE(ui.fileDialogs.empty());
  ui.messages.clear();

  // A sheet 11.5° from the central meridian on Beijing 1954: the warning
  // first; yes, and the frame is written.
  SetCorners(0, {116, 26, 15}, {39, 52, 30}, {116, 30, 0}, {39, 55, 0});
  g.Meridian.SetValue(105);
  frm.RzBitBtn1Click();
  ASSERT_EQ(g.List.Count(), 1u);
  // Said when the list is made, and asked when its frames are.
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_NE(ui.messages[0].text.find("图幅角点距中央经线 11.5°"), std::string::npos) << ui.messages[0].text;
  ui.answers.push_back(MessageResult::Yes);
  ui.fileNames.push_back(dir.File("far.dxf"));
  frm.Click("FrameDxf1");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_EQ(ui.messages[1].buttons, MessageButtons::YesNo);
  EXPECT_NE(ui.messages[1].text.find("图幅角点距中央经线 11.5°"), std::string::npos) << ui.messages[1].text;
  EXPECT_TRUE(std::filesystem::exists(dir.File("far.dxf")));
}

}  // namespace
}  // namespace karvento
