// SPDX-License-Identifier: Apache-2.0
// The 坐标转换 tool driven by a scripted user from the sheet list's menu:
// common points pasted in the surveyor's order, solved with residuals and
// 中误差, the parameters saved and read back, a point file and the active
// list's sheets moved, and a refusal shown in the error box.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "geodesy/angles.h"
#include "geodesy/projection.h"
#include "window_fixture.h"
#include "workbench/coord_transform.h"
#include "workbench/text_files.h"

namespace karvento::testing {
namespace {

TransformParams Truth() {
  TransformParams t;
  t.bursa = {-15.415, 150.296, 72.452, 1.218, -0.804, 2.537, -3.113, RotationConvention::PositionVector};
  return t;
}

// Rows as pasted from a spreadsheet: name, X (north), Y (east) on Beijing
// 1954 zone 39, then on CGCS2000, 1 cm of noise; 1 m north on point P5.
std::string PastedPoints() {
  std::mt19937 random(9);
  std::normal_distribution<double> noise(0, 0.01);
  std::ostringstream rows;
  rows.precision(12);
  int k = 0;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j, ++k) {
      const TPlanePoint s =
          GeoToPlane(Datum::Beijing54, {{116.3 + 0.3 * i + 0.02 * j, 0, 0}, {39.6 + 0.25 * j, 0, 0}}, true, 117);
      TPlanePoint t = s;
      TransformPlanePoint(Truth(), t, true, 117);
      rows << "P" << k << "\t" << s.Y << "\t" << s.X << "\t" << t.Y + noise(random) + (k == 5 ? 1 : 0) << "\t"
           << t.X + noise(random) << "\n";
    }
  }
  return rows.str();
}

using CoordTransformTest = WindowTest;

TEST_F(CoordTransformTest, PastedPointsSolvedSavedAndAppliedToAPointFileAndTheActiveList) {
  TempDir dir;
  Spin(13).SetValue(117);  // 中央经度 of the Beijing 1954 tab, 3° zones
  SetCorners(0, {116, 27, 0}, {39, 50, 0}, {116, 31, 0}, {39, 56, 0});
  frm.RzBitBtn1Click();
  ASSERT_EQ(frm.RzCheckList1.Count(), 6u);
  std::ofstream(dir.File("in.txt")) << "# points\n39450000 4420000 well 3\n";
  // A road on Beijing 1954 zone 39 (EPSG 2415).
  std::ofstream(dir.File("road.geojson"))
      << "{\"type\":\"FeatureCollection\",\"crs\":{\"type\":\"name\",\"properties\":{\"name\":"
         "\"urn:ogc:def:crs:EPSG::2415\"}},\"features\":[{\"type\":\"Feature\",\"properties\":{},"
         "\"geometry\":{\"type\":\"LineString\",\"coordinates\":[[39450000,4420000],[39452000,4421000]]}}]}";

  TransformParams solved;
  ui.fileNames = {dir.File("bj.k7p"),       dir.File("in.txt"),         dir.File("out.txt"),
                  dir.File("list.txt"),     dir.File("road.geojson"),   dir.File("road2000.gpkg")};
  ui.onCoordTransform = [&](TfrmCoordTransform& d) {
    // Opened on the active list's datum and zone.
    EXPECT_EQ(d.Source(), Datum::Beijing54);
    EXPECT_EQ(d.Target(), Datum::Cgcs2000);
    EXPECT_EQ(d.CmEdit.Value(), 117);
    // Nothing to apply before a solution: the error box, nothing written.
    d.ApplyToPointFile();
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_NE(ui.messages[0].text.find("还没有转换参数"), std::string::npos);

    d.PointsEdit.SetText(PastedPoints());
    d.RejectEdit.SetValue(3);
    d.Solve();
    ASSERT_EQ(ui.messages.size(), 1u) << ui.messages.back().text;
    ASSERT_TRUE(d.HasParams);
    solved = d.Params;
    ASSERT_EQ(d.ParameterRows.size(), 7u);
    EXPECT_EQ(d.ParameterRows[0].name, "dx (m)");
    EXPECT_FALSE(d.ParameterRows[6].error.empty());
    ASSERT_EQ(d.Residuals.size(), 16u);
    EXPECT_TRUE(d.Residuals[5].rejected);
    EXPECT_NEAR(d.Residuals[5].north, 1, 0.05);
    EXPECT_LT(d.Residuals[0].plane, 0.05);
    EXPECT_NE(d.Summary.find("convention=position-vector"), std::string::npos) << d.Summary;
    EXPECT_NE(d.Summary.find("剔除的点：P5"), std::string::npos) << d.Summary;

    d.SaveParams();
    EXPECT_EQ(ui.fileDialogs.back().defaultExt, "k7p");
    d.ApplyToPointFile();
    d.ApplyToList();
    EXPECT_NE(d.StatusText.find("6 幅图的图廓改正量"), std::string::npos) << d.StatusText;
    d.ApplyToLayer();
    EXPECT_NE(d.StatusText.find("road2000.gpkg：2 个顶点。正向转换：model=bursa7"), std::string::npos) << d.StatusText;

    // Another model on points it cannot take: refused in the error box, the
    // solution kept.
    d.ModelBox.SetItemIndex(3);
    d.PointsEdit.SetText("A\t4420000\t450000\t4420010\t450020\nB\t4430000\t460000\t4430010\t460020\n");
    d.Solve();
    ASSERT_EQ(ui.messages.size(), 2u);
    EXPECT_NE(ui.messages[1].text.find("至少 3 个点，只给了 2 个"), std::string::npos) << ui.messages[1].text;
    EXPECT_EQ(DescribeTransform(d.Params), DescribeTransform(solved));
  };
  frm.Click("CoordTransform1");
  ASSERT_TRUE(ui.fileNames.empty());

  // The parameter file holds the solution, bit for bit.
  TransformParams back;
  ASSERT_EQ(ParseTransformParams(ReadFileText(dir.File("bj.k7p"), 1 << 20), back), "");
  EXPECT_EQ(FormatTransformParams(back), FormatTransformParams(solved));
  // The point file: the model named, the point moved, its other columns kept.
  TPlanePoint p{39450000, 4420000};
  ASSERT_TRUE(TransformPlanePoint(solved, p, true, 117));
  char moved[80];
  std::snprintf(moved, sizeof moved, "%.4f %.4f well 3\n", p.X, p.Y);
  EXPECT_EQ(ReadFileText(dir.File("out.txt"), 1 << 20), "# 正向转换：" + DescribeTransform(solved) + "\n# points\n" + moved);
  // The list: a row per sheet, its corners' shifts those of the library.
  const std::vector<std::string> rows = NumberListLines(ReadFileText(dir.File("list.txt"), 1 << 20), "list.txt");
  ASSERT_EQ(rows.size(), 2u + 6u);
  const TStandardMapUnion& first = frm.RzCheckList1.StandardRecord(0);
  EXPECT_EQ(rows[2].rfind(first.MapUnionNo + "\t117\t", 0), 0u) << rows[2];
  PlaneShift sw;
  ASSERT_TRUE(CornerShift(solved, DmsToDeg(first.Range.West), DmsToDeg(first.Range.South), true, 117, sw));
  char shift[64];
  std::snprintf(shift, sizeof shift, "\t117\t%.4f\t%.4f\t", sw.east, sw.north);
  EXPECT_NE(rows[2].find(shift), std::string::npos) << rows[2];
}

}  // namespace
}  // namespace karvento::testing
