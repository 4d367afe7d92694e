// SPDX-License-Identifier: Apache-2.0
// 分幅裁切… from the window: the data and the folder chosen in the file
// dialogs, the margin typed, the list's sheets (or its checked ones) cut by
// the command line's routine.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include <filesystem>
#include <set>
#include <string>

#include "window_fixture.h"

namespace karvento {
namespace {

using testing::TempDir;
using testing::WindowTest;

struct ClipCommand : WindowTest {
  TempDir dir;
};

// A byte raster on CGCS2000's zone 39 (EPSG:4527), 20 m pixels, across
// 117° E and 40° N.
void MakeRaster(const std::string& file) {
  GDALAllRegister();
  std::unique_ptr<GDALDataset> ds(
      GetGDALDriverManager()->GetDriverByName("GTiff")->Create(file.c_str(), 400, 300, 1, GDT_Byte, nullptr));
  double gt[6] = {39497000, 20, 0, 4432000, 0, -20};
  ds->SetGeoTransform(gt);
  OGRSpatialReference srs;
  srs.importFromEPSG(4527);
  ds->SetSpatialRef(&srs);
  std::vector<unsigned char> row(400);
  for (int y = 0; y < 300; ++y) {
    for (int x = 0; x < 400; ++x) row[x] = static_cast<unsigned char>(1 + (x * 3 + y) % 200);
    ASSERT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Write, 0, y, 400, 1, row.data(), 400, 1, GDT_Byte, 0, 0), CE_None);
  }
}

std::set<std::string> Tifs(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    if (e.path().extension() == ".tif") names.insert(e.path().stem().string());
  }
  return names;
}

TEST_F(ClipCommand, CutsTheListsSheetsOrTheCheckedOnes) {
  std::filesystem::create_directories(dir.File("data"));
  MakeRaster(dir.File("data/dem.tif"));
  ASSERT_TRUE(frm.SetActiveTab(kTabCgcs2000));
  SetCorners(kTabCgcs2000, {116, 58, 0}, {39, 58, 0}, {117, 2, 0}, {40, 1, 0});
  GeodeticTab& g = Geodetic(kTabCgcs2000);
  g.Scale.SetItemIndex(6);
  g.Meridian.SetValue(117);
  frm.RzBitBtn1Click();
  ASSERT_EQ(g.List.Count(), 4u);

  ui.fileNames.push_back(dir.File("data/dem.tif"));
  ui.fileNames.push_back(dir.File("sheets"));
  ui.texts.push_back("10");
  frm.Click("Clip1");
  EXPECT_TRUE(ui.messages.empty()) << (ui.messages.empty() ? "" : ui.messages[0].text);
  std::set<std::string> all;
  for (std::size_t i = 0; i < g.List.Count(); ++i) all.insert(g.List.Text(i));
  EXPECT_EQ(Tifs(dir.File("sheets")), all);
  EXPECT_NE(frm.StatusLine.Caption.find("已裁切 4 幅"), std::string::npos) << frm.StatusLine.Caption;
  ASSERT_EQ(ui.stringDialogs.size(), 1u);
  EXPECT_EQ(ui.stringDialogs[0].text, "10");

  // The checked sheet alone; a margin that is no number is refused.
  g.List.SetChecked(1, true);
  ui.fileNames.push_back(dir.File("data/dem.tif"));
  ui.fileNames.push_back(dir.File("one"));
  ui.texts.push_back("5");
  frm.Click("Clip1Checked");
  EXPECT_EQ(Tifs(dir.File("one")), std::set<std::string>{g.List.Text(1)});

  ui.fileNames.push_back(dir.File("data/dem.tif"));
  ui.fileNames.push_back(dir.File("bad"));
  ui.texts.push_back("1厘米");
  frm.Click("Clip1");
  ASSERT_EQ(ui.messages.size(), 1u);
  EXPECT_FALSE(std::filesystem::exists(dir.File("bad")));

  // A refusal of the routine reaches the error box: the output inside the
  // data's folder.
  ui.fileNames.push_back(dir.File("data/dem.tif"));
  ui.fileNames.push_back(dir.File("data/sheets"));
  ui.texts.push_back("10");
  frm.Click("Clip1");
  ASSERT_EQ(ui.messages.size(), 2u);
  EXPECT_NE(ui.messages[1].text.find("文件夹之内"), std::string::npos) << ui.messages[1].text;
}

}  // namespace
}  // namespace karvento
