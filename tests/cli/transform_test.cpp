// SPDX-License-Identifier: Apache-2.0
// karvento-cli transform end to end: common points in, parameters and
// residuals out, points, a layer and sheet corners moved with them.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <memory>
#include <random>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

#include "geodesy/projection.h"
#include "geodesy/transform.h"
#include "run_cli.h"

namespace karvento::cli {
namespace {

std::string Dir() { return testing::TempDir() + "transform_" + std::to_string(getpid()) + "/"; }

void Put(const std::string& file, const std::string& text) { std::ofstream(file, std::ios::binary) << text; }

TransformParams Truth() {
  TransformParams t;
  t.bursa = {-15.415, 150.296, 72.452, 1.218, -0.804, 2.537, -3.113, RotationConvention::PositionVector};
  return t;
}

// Common points in zone 39's plane coordinates of both datums, the targets
// made from the sources with Truth() (h = 0), 1 cm of noise, and 1 m north
// on point K7. xName, yName: the names of the columns of the northing and
// the easting.
std::string CommonPoints(const char* northName, const char* eastName) {
  std::mt19937 random(5);
  std::normal_distribution<double> noise(0, 0.01);
  std::ostringstream csv;
  csv.precision(12);
  csv << "name," << northName << "1," << eastName << "1," << northName << "2," << eastName << "2\n";
  int k = 0;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j, ++k) {
      TPlanePoint s = GeoToPlane(Datum::Beijing54, {{116.2 + 0.4 * i + 0.03 * j, 0, 0}, {39.5 + 0.3 * j, 0, 0}}, true, 117);
      TPlanePoint t = s;
      TransformPlanePoint(Truth(), t, true, 117);
      t.X += noise(random);
      t.Y += noise(random) + (k == 7 ? 1 : 0);
      csv << "K" << k << "," << s.Y << "," << s.X << "," << t.Y << "," << t.X << "\n";
    }
  }
  return csv.str();
}

TEST(CliTransform, CommonPointsInParametersAndResidualsOutPointsLayerAndSheetsMoved) {
  const std::string dir = Dir();
  ASSERT_EQ(RunShell("mkdir -p " + dir).status, 0);
  Put(dir + "points.csv", CommonPoints("north", "east"));
  const Result solve = RunCli("transform solve " + dir + "points.csv --model bursa7 --from 54 --to 2000 --cm 117 "
                              "--reject 3 --output " + dir + "bj.k7p");
  ASSERT_EQ(solve.status, 0) << solve.err;
  EXPECT_NE(solve.out.find("convention=position-vector"), std::string::npos) << solve.out;
  EXPECT_NE(solve.out.find("单位权中误差 σ0 = "), std::string::npos);
  EXPECT_NE(solve.out.find("K7\t"), std::string::npos);
  EXPECT_NE(solve.out.find("剔除的点：K7\n"), std::string::npos) << solve.out;
  // The file holds what was solved; it reads back.
  TransformParams solved;
  std::ifstream in(dir + "bj.k7p");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  ASSERT_EQ(ParseTransformParams(text, solved), "") << text;
  EXPECT_NE(solve.out.find(DescribeTransform(solved)), std::string::npos);

  // Streamed points, other columns kept, the model named on standard error.
  TPlanePoint p{39450000, 4420000};
  ASSERT_TRUE(TransformPlanePoint(solved, p, true, 117));
  char want[128];
  std::snprintf(want, sizeof want, "%.4f %.4f tree 12\n", p.X, p.Y);
  const Result apply =
      RunShell("printf '39450000 4420000 tree 12\\n' | " + kCli + " transform apply --params " + dir + "bj.k7p --cm 117");
  ASSERT_EQ(apply.status, 0) << apply.err;
  EXPECT_EQ(apply.out, want);
  EXPECT_NE(apply.err.find(DescribeTransform(solved)), std::string::npos) << apply.err;

  // A layer on Beijing 1954 zone 39 (EPSG:2415) moved through PROJ: on
  // CGCS2000 after, the model in its metadata, its vertices where the
  // library puts them (within PROJ's tmerc against the fixed series, 1.2 mm).
  Put(dir + "road.geojson",
      "{\"type\":\"FeatureCollection\",\"crs\":{\"type\":\"name\",\"properties\":{\"name\":\"urn:ogc:def:crs:EPSG::2415\"}},"
      "\"features\":[{\"type\":\"Feature\",\"properties\":{\"name\":\"G4\"},\"geometry\":{\"type\":\"LineString\","
      "\"coordinates\":[[39450000,4420000],[39452000,4421000]]}}]}");
  const Result layer = RunCli("transform layer --params " + dir + "bj.k7p --cm 117 " + dir + "road.geojson " + dir +
                              "road2000.gpkg");
  ASSERT_EQ(layer.status, 0) << layer.err;
  EXPECT_NE(layer.err.find("2 个顶点"), std::string::npos) << layer.err;
  {
    GDALAllRegister();
    const std::unique_ptr<GDALDataset> ds(GDALDataset::Open((dir + "road2000.gpkg").c_str(), GDAL_OF_VECTOR));
    ASSERT_TRUE(ds);
    OGRLayer* l = ds->GetLayer(0);
    ASSERT_NE(l->GetSpatialRef(), nullptr);
    EXPECT_NEAR(l->GetSpatialRef()->GetSemiMajor(), 6378137, 1e-6);
    EXPECT_STREQ(l->GetMetadataItem("KARVENTO_TRANSFORM"), ("正向转换：" + DescribeTransform(solved)).c_str());
    const std::unique_ptr<OGRFeature> f(l->GetNextFeature());
    ASSERT_TRUE(f);
    EXPECT_STREQ(f->GetFieldAsString("name"), "G4");
    const OGRLineString* line = f->GetGeometryRef()->toLineString();
    EXPECT_NEAR(line->getX(0), p.X, 1.5e-3);
    EXPECT_NEAR(line->getY(0), p.Y, 1.5e-3);
  }
  // A layer on another datum is refused, not relabelled.
  const Result foreign = RunCli("transform layer --params " + dir + "bj.k7p --cm 117 " + dir + "road2000.gpkg " +
                                dir + "again.gpkg");
  EXPECT_EQ(foreign.status, 1);
  EXPECT_NE(foreign.err.find("不在北京1954上"), std::string::npos) << foreign.err;
  EXPECT_NE(RunShell("test -e " + dir + "again.gpkg").status, 0);

  // Each sheet's four corner shifts; neighbours share theirs.
  const Result sheets = RunCli("sheets --from 116:20:00,39:50:00 --to 116:27:30,39:55:00 --scale 1:1万 --cm 117 "
                               "--transform " + dir + "bj.k7p");
  ASSERT_EQ(sheets.status, 0) << sheets.err;
  std::istringstream rows(sheets.out);
  std::string header, first, second;
  std::getline(rows, header);
  std::getline(rows, first);
  std::getline(rows, second);
  EXPECT_EQ(header.rfind("图幅号\t中央经线\t西南东(m)", 0), 0u);
  auto field = [](const std::string& row, int n) {
    std::istringstream s(row);
    std::string f;
    for (int i = 0; i <= n; ++i) std::getline(s, f, '\t');
    return f;
  };
  // The first column's two sheets, north to south: the northern sheet's
  // south-west corner is the southern one's north-west corner.
  EXPECT_EQ(field(first, 2), field(second, 8));
  EXPECT_EQ(field(first, 3), field(second, 9));
  PlaneShift corner;
  // The sheets' west edge: the 1:1万 meridian at or west of 116°20′, every 225″.
  const double west = std::floor((116 + 20.0 / 60) * 3600 / 225) * 225 / 3600;
  ASSERT_TRUE(CornerShift(solved, west, 39 + 52.5 / 60, true, 117, corner));
  EXPECT_EQ(field(first, 2), [&] { char b[32]; std::snprintf(b, sizeof b, "%.4f", corner.east); return std::string(b); }());
  RunShell("rm -rf " + dir);
}

TEST(CliTransform, SwappedColumnsAndTooFewPointsAreRefusedWithTheirReasons) {
  const std::string dir = Dir();
  ASSERT_EQ(RunShell("mkdir -p " + dir).status, 0);
  // x and y the Chinese way (x north) read this tool's way (x east).
  Put(dir + "chinese.csv", CommonPoints("x", "y"));
  const Result swapped = RunCli("transform solve " + dir + "chinese.csv --model plane4 --from 54 --to 2000 --cm 117");
  EXPECT_EQ(swapped.status, 1);
  EXPECT_NE(swapped.err.find("X 和 Y 似乎互换了"), std::string::npos) << swapped.err;
  Put(dir + "two.csv", "name,lon1,lat1,lon2,lat2\nA,116,39,116.001,39.001\nB,116.5,39.5,116.501,39.501\n");
  const Result few = RunCli("transform solve " + dir + "two.csv --model bursa7 --from 54 --to 2000");
  EXPECT_EQ(few.status, 1);
  EXPECT_NE(few.err.find("至少 3 个点，只给了 2 个"), std::string::npos) << few.err;
  // The same refusals in English, their parts translated too.
  const Result swappedEn = RunCliEn("transform solve " + dir + "chinese.csv --model plane4 --from 54 --to 2000 --cm 117");
  EXPECT_EQ(swappedEn.status, 1);
  EXPECT_NE(swappedEn.err.find("point “K0” seems to have X and Y swapped: northing "), std::string::npos) << swappedEn.err;
  EXPECT_NE(swappedEn.err.find("on Beijing 1954, the 3° zone of central meridian 117°"), std::string::npos) << swappedEn.err;
  const Result fewEn = RunCliEn("transform solve " + dir + "two.csv --model bursa7 --from 54 --to 2000");
  EXPECT_NE(fewEn.err.find("too few common points: the 7-parameter Bursa model needs at least 3 points, 2 given"),
            std::string::npos)
      << fewEn.err;
  Put(dir + "bad.k6p", "karvento-transform = 1\nmodel = affine7\n");
  const Result badEn = RunCliEn("transform show " + dir + "bad.k6p");
  EXPECT_NE(badEn.err.find("bad.k6p: unknown model “affine7” (bursa7, shift3, plane4 or affine6)"), std::string::npos)
      << badEn.err;
  RunShell("rm -rf " + dir);
}

// A point layer in GeoJSON on the EPSG system given, a feature per point.
std::string PointLayer(int epsg, const std::vector<std::pair<std::string, TPlanePoint>>& points) {
  std::ostringstream s;
  s.precision(12);
  s << "{\"type\":\"FeatureCollection\",\"crs\":{\"type\":\"name\",\"properties\":{\"name\":\"urn:ogc:def:crs:EPSG::"
    << epsg << "\"}},\"features\":[";
  for (std::size_t i = 0; i < points.size(); ++i) {
    s << (i ? "," : "") << "{\"type\":\"Feature\",\"properties\":{\"点号\":\"" << points[i].first
      << "\"},\"geometry\":{\"type\":\"Point\",\"coordinates\":[" << points[i].second.X << "," << points[i].second.Y
      << "]}}";
  }
  return s.str() + "]}";
}

// Common points kept as two GIS layers, Beijing 1954 and CGCS2000 zone 39
// (EPSG 2415, 4527), joined by 点号, in another order and each with a
// point the other lacks; solved with the 6-parameter affine model, whose
// parameter file then moves a point.
TEST(CliTransform, CommonPointsFromTwoLayersJoinedByPointNameSolveTheAffineModel) {
  const std::string dir = Dir();
  ASSERT_EQ(RunShell("mkdir -p " + dir).status, 0);
  TransformParams truth;
  truth.model = TransformModel::Affine6;
  truth.cm = 117;
  truth.affine = {-61.2, 1 + 12e-6, 2.1e-5, 48.7, -1.9e-5, 1 - 30e-6};
  std::mt19937 random(3);
  std::normal_distribution<double> noise(0, 0.01);
  std::vector<std::pair<std::string, TPlanePoint>> source, target;
  for (int i = 0; i < 5; ++i) {
    for (int j = 0; j < 4; ++j) {
      const std::string name = "G" + std::to_string(i * 4 + j);
      const TPlanePoint s{39440000.0 + 9000 * i, 4400000.0 + 11000 * j};
      TPlanePoint t = s;
      ASSERT_TRUE(TransformPlanePoint(truth, t, true, 117));
      t.X += noise(random);
      t.Y += noise(random);
      source.push_back({name, s});
      target.insert(target.begin(), {name, t});
    }
  }
  source.push_back({"S1", {39450000, 4410000}});
  target.push_back({"T1", {39450000, 4410000}});
  Put(dir + "bj54.geojson", PointLayer(2415, source));
  Put(dir + "cgcs.geojson", PointLayer(4527, target));
  const Result solve = RunCli("transform solve --source " + dir + "bj54.geojson --target " + dir +
                              "cgcs.geojson --join-field 点号 --model affine6 --from 54 --to 2000 --cm 117 --output " +
                              dir + "a.k6p");
  ASSERT_EQ(solve.status, 0) << solve.err;
  EXPECT_NE(solve.err.find("1 个点另一图层没有，未用：S1"), std::string::npos) << solve.err;
  EXPECT_NE(solve.err.find("1 个点另一图层没有，未用：T1"), std::string::npos) << solve.err;
  EXPECT_NE(solve.out.find("重合点 20 个"), std::string::npos) << solve.out;
  EXPECT_NE(solve.out.find("G19\t"), std::string::npos);
  EXPECT_NE(solve.out.find("a1\t1.0000"), std::string::npos) << solve.out;
  std::ifstream in(dir + "a.k6p");
  const std::string text((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  TransformParams solved;
  ASSERT_EQ(ParseTransformParams(text, solved), "") << text;
  EXPECT_EQ(solved.model, TransformModel::Affine6);
  // Within a few centimetres of the truth inside the points' area.
  TPlanePoint p{39460000, 4420000}, q = p;
  ASSERT_TRUE(TransformPlanePoint(truth, q, true, 117));
  const Result apply = RunShell("printf '39460000 4420000\\n' | " + kCli + " transform apply --params " + dir + "a.k6p");
  ASSERT_EQ(apply.status, 0) << apply.err;
  double x = 0, y = 0;
  ASSERT_EQ(std::sscanf(apply.out.c_str(), "%lf %lf", &x, &y), 2) << apply.out;
  EXPECT_NEAR(x, q.X, 0.02);
  EXPECT_NEAR(y, q.Y, 0.02);
  // A layer without the field is refused by name.
  const Result nofield = RunCli("transform solve --source " + dir + "bj54.geojson --target " + dir +
                                "cgcs.geojson --join-field 点名 --model affine6 --from 54 --to 2000 --cm 117");
  EXPECT_EQ(nofield.status, 1);
  EXPECT_NE(nofield.err.find("没有字段“点名”"), std::string::npos) << nofield.err;
  RunShell("rm -rf " + dir);
}

}  // namespace
}  // namespace karvento::cli
