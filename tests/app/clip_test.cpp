// SPDX-License-Identifier: Apache-2.0
// 分幅裁切… from the desktop window: the menu item under 导出 cuts the
// CGCS2000 tab's sheets out of a raster chosen in the file dialog.
#include <gdal_priv.h>
#include <ogr_spatialref.h>

#include <QDir>
#include <QTemporaryDir>

#include "tests/app/window_fixture.h"

namespace karvento::app::testing {
namespace {

TEST_F(WindowTest, ClipCutsTheListsSheetsOutOfARaster) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("data")));
  const std::string raster = S(dir.filePath(QStringLiteral("data/dem.tif")));
  {
    // 20 m pixels on CGCS2000's zone 39 (EPSG:4527), across 117° E and 40° N.
    GDALAllRegister();
    std::unique_ptr<GDALDataset> ds(
        GetGDALDriverManager()->GetDriverByName("GTiff")->Create(raster.c_str(), 400, 300, 1, GDT_Byte, nullptr));
    double gt[6] = {39497000, 20, 0, 4432000, 0, -20};
    ds->SetGeoTransform(gt);
    OGRSpatialReference srs;
    srs.importFromEPSG(4527);
    ds->SetSpatialRef(&srs);
    std::vector<unsigned char> row(400, 7);
    for (int y = 0; y < 300; ++y) {
      ASSERT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Write, 0, y, 400, 1, row.data(), 400, 1, GDT_Byte, 0, 0), CE_None);
    }
  }
  ClickTab(kTabCgcs2000);
  TypeCorner(35, {"116", "58", "0", "39", "58", "0"});
  TypeCorner(41, {"117", "2", "0", "40", "1", "0"});
  Click("RzBitBtn1");
  const QStringList numbers = ListTexts(M().Cgcs2000Tab().List.Name().c_str());
  ASSERT_EQ(numbers.size(), 4);

  QAction* clip = window_->ControlAction("Clip1");
  ASSERT_NE(clip, nullptr);
  EXPECT_EQ(clip->text(), QStringLiteral("分幅裁切…"));
  Fake().fileNames.push_back(raster);
  Fake().fileNames.push_back(S(dir.filePath(QStringLiteral("sheets"))));
  Fake().texts.push_back("10");
  clip->trigger();
  EXPECT_TRUE(Fake().messages.empty()) << (Fake().messages.empty() ? "" : Fake().messages[0].text);
  for (const QString& n : numbers) {
    EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("sheets/") + n + QStringLiteral(".tif")))) << S(n);
  }
  EXPECT_NE(M().StatusLine.Caption.find("已裁切 4 幅"), std::string::npos) << M().StatusLine.Caption;
}

}  // namespace
}  // namespace karvento::app::testing
