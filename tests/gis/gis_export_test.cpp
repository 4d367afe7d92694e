// SPDX-License-Identifier: Apache-2.0
// The sheet files read back through GDAL/OGR as a GIS or CAD program reads
// them: the features, the numbers (Chinese text intact in UTF-8 and GBK), the
// frames, the coordinate system identified as its EPSG code, and plane frames
// that GDAL's own projection takes back to the sheet's corners.
#include <gdal.h>
#include <gtest/gtest.h>
#include <ogr_api.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <string>
#include <vector>

#include "gis/gis_export.h"
#include "numbering/unMapUnRgPub.h"
#include "read_back.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::FileExists;
using testing::ReadBack;
using testing::ReadFile;
using testing::ReadLayer;
using testing::ScratchDir;

// 1:1万 sheets of 116°00′–116°15′ E, 39°50′–40°00′ N: four columns of four,
// new standard, on the datum's own projection.
TStandardMapUnions Sheets(bool is54, bool zone3, double cm, double offsetX = 0,
                          double offsetY = 0) {
  TStandardMapUnions t;
  CreateMapUnionsOfStandard({{116, 0, 0}, {39, 50, 0}, {116, 15, 0}, {40, 0, 0}}, 6, true, zone3,
                            LegacyDatum(is54), cm, t);
  SubtractPlaneOffsets(t, offsetX, offsetY);
  return t;
}

std::vector<const TStandardMapUnion*> Flat(const TStandardMapUnions& t) {
  std::vector<const TStandardMapUnion*> all;
  for (const auto& c : t) {
    for (const auto& s : c) all.push_back(&s);
  }
  return all;
}

// Metres between two geographic points a few millimetres apart.
double Metres(double lon1, double lat1, double lon2, double lat2) {
  const double r = 6378137, rad = M_PI / 180;
  const double dx = (lon2 - lon1) * rad * r * std::cos(lat1 * rad);
  const double dy = (lat2 - lat1) * rad * r;
  return std::hypot(dx, dy);
}

TEST(GisExport, AShapefileHoldsTheFramesOfFourGigabytes) {
  // A .shp of at most 2^32 − 1 bytes: a 100-byte header and 136 bytes a
  // frame, so 31,580,641 frames; the other formats have no such bound.
  struct Case {
    GisFormat format;
    std::uint64_t sheets;
    std::string refusal;
  } cases[] = {
      {GisFormat::Shapefile, 31580641, ""},
      {GisFormat::Shapefile, 31580642,
       "Shapefile 的 .shp 文件至多 4 GB，容纳不下 31,580,642 幅图的图廓。请改用 GeoPackage 或缩小范围。"},
      {GisFormat::GeoPackage, 1000000000, ""},
      {GisFormat::Dxf, 1000000000, ""},
      {GisFormat::Kml, 1000000000, ""},
  };
  for (const Case& c : cases) {
    GisTableOutline outline;
    outline.sheets = c.sheets;
    outline.longestNumber = 10;
    outline.westmost = 116;
    outline.eastmost = 116.5;
    GisOptions options;
    options.format = c.format;
    options.geographic = true;
    EXPECT_EQ(GisRefusal(outline, {Datum::Cgcs2000, true, 0, 0, 0}, options), c.refusal)
        << c.sheets;
  }
}

TEST(GisExport, EveryFormatReadsBackWithItsSystem) {
  const struct {
    GisFormat format;
    bool geographic;
    Datum datum;
    bool zone3;
    double cm, offsetX, offsetY;
    int epsg;  // as GDAL identifies it; 0: none
    const char* driver;
  } cases[] = {
      {GisFormat::Shapefile, false, Datum::Beijing54, true, 117, 0, 0, 2415, "ESRI Shapefile"},
      {GisFormat::Shapefile, false, Datum::Xian80, true, 117, 0, 0, 2363, "ESRI Shapefile"},
      {GisFormat::Shapefile, false, Datum::Beijing54, true, 0, 0, 0, 2436, "ESRI Shapefile"},
      {GisFormat::Shapefile, false, Datum::Xian80, false, 0, 0, 0, 2345, "ESRI Shapefile"},
      {GisFormat::Shapefile, true, Datum::Beijing54, true, 0, 0, 0, 4214, "ESRI Shapefile"},
      {GisFormat::Shapefile, true, Datum::Cgcs2000, true, 0, 0, 0, 4490, "ESRI Shapefile"},
      {GisFormat::GeoPackage, false, Datum::Beijing54, false, 117, 0, 0, 21420, "GPKG"},
      {GisFormat::GeoPackage, false, Datum::Xian80, true, 0, 0, 0, 2384, "GPKG"},
      {GisFormat::GeoPackage, true, Datum::Xian80, true, 0, 0, 0, 4610, "GPKG"},
      {GisFormat::GeoPackage, false, Datum::Beijing54, true, 117, 39000000, 4400000, 0, "GPKG"},
      {GisFormat::Shapefile, false, Datum::Xian80, true, 0, 500000, 4000000, 0, "ESRI Shapefile"},
      {GisFormat::Kml, true, Datum::Cgcs2000, true, 0, 0, 0, 4326, "KML"},  // or LIBKML
  };
  for (const auto& c : cases) {
    const std::string label = std::string(GisExtension(c.format)) +
                              (c.geographic ? " geo" : " plane") + " EPSG:" + std::to_string(c.epsg) +
                              " cm " + std::to_string(c.cm) + " offset " + std::to_string(c.offsetY);
    SCOPED_TRACE(label);
    ScratchDir dir;
    const bool is54 = c.datum != Datum::Xian80;
    const TStandardMapUnions table = Sheets(is54, c.zone3, c.cm, c.offsetX, c.offsetY);
    const auto sheets = Flat(table);
    ASSERT_EQ(sheets.size(), 16U);
    const std::string file = dir.File(std::string("图幅.") + GisExtension(c.format));
    Message reason;
    ASSERT_TRUE(WriteGisSheets(file, table, {c.datum, c.zone3, c.cm, c.offsetX, c.offsetY},
                               {c.format, c.geographic, GisEncoding::Utf8}, &reason))
        << reason;
    const ReadLayer r = ReadBack(file);
    ASSERT_TRUE(r.opened);
    EXPECT_NE(r.driver.find(c.driver), std::string::npos) << r.driver;
    EXPECT_EQ(r.layers, 1);
    ASSERT_EQ(r.features.size(), sheets.size());
    std::vector<std::string> numbers;
    for (const auto* s : sheets) numbers.push_back(s->MapUnionNo);
    EXPECT_EQ(r.Column(c.format == GisFormat::Kml ? "Name" : "图幅号"), numbers);
    if (c.format != GisFormat::Kml) {
      EXPECT_EQ(r.Column("比例尺"), std::vector<std::string>(16, "10000"));
      EXPECT_EQ(r.Column("标准"), std::vector<std::string>(16, "new"));
      EXPECT_EQ(r.Column("X1").size(), c.geographic ? 0U : 16U);
    }
    ASSERT_TRUE(r.hasSrs);
    EXPECT_EQ(r.epsg, c.epsg) << r.wkt;
    if (c.offsetX != 0 || c.offsetY != 0) {
      EXPECT_NE(r.srsName.find("omitted"), std::string::npos) << r.srsName;
      EXPECT_EQ(r.falseNorthing, -c.offsetY);
    }
    if (c.format == GisFormat::GeoPackage) {
      EXPECT_TRUE(r.spatialIndex);
    }

    for (std::size_t i = 0; i < sheets.size(); ++i) {
      const TStandardMapUnion& s = *sheets[i];
      const double w = DmsToDeg(s.Range.West), so = DmsToDeg(s.Range.South);
      const double e = DmsToDeg(s.Range.East), n = DmsToDeg(s.Range.North);
      const std::vector<std::pair<double, double>> geo = {{w, n}, {e, n}, {e, so}, {w, so}};
      // The frame runs along the true edges (more vertices than corners)
      // through each corner, clockwise; KML's counter-clockwise.
      const auto& ring = r.features[i].points;
      ASSERT_GT(ring.size(), 5U) << i;
      EXPECT_EQ(ring.front(), ring.back());
      std::vector<std::pair<double, double>> corners;
      std::vector<std::size_t> at;
      for (std::size_t k = 0; k < 4; ++k) {
        const std::pair<double, double> want =
            c.geographic ? geo[k] : std::pair{s.PlaneCorners[k].X, s.PlaneCorners[k].Y};
        const auto found = std::find_if(ring.begin(), ring.end() - 1, [&](const auto& p) {
          return std::abs(p.first - want.first) <= 1e-9 * std::abs(want.first) &&
                 std::abs(p.second - want.second) <= 1e-9 * std::abs(want.second);
        });
        ASSERT_NE(found, ring.end() - 1) << i << " corner " << k;
        at.push_back(static_cast<std::size_t>(found - ring.begin()));
        corners.push_back(*found);
      }
      if (c.format == GisFormat::Kml) std::reverse(at.begin() + 1, at.end());
      EXPECT_TRUE(std::is_sorted(at.begin(), at.end())) << i;
      if (c.geographic) continue;
      // GDAL's transverse Mercator takes the frame back to the sheet's
      // corners: the fixed series agree with it to about a millimetre.
      const auto back = testing::ToGeographic(r.wkt, GeographicEpsg(c.datum), corners);
      for (std::size_t k = 0; k < 4; ++k) {
        EXPECT_LT(Metres(geo[k].first, geo[k].second, back[k].first, back[k].second), 0.002)
            << i << " " << k << " " << back[k].first << " " << back[k].second;
      }
    }
  }
}

TEST(GisExport, ChineseNumbersInUtf8AndGbkAndNoSystemForIndependentGrids) {
  TCustomMapUnions grid;
  ASSERT_EQ(CreateCustomMapUnions(0, 0, 1000, 500, 1, 1, 500, 500, "测区[ROW]-[COL]号", true, grid),
            "");
  const std::vector<std::string> numbers = {"测区1-1号", "测区1-2号"};
  const struct {
    GisFormat format;
    GisEncoding encoding;
    const char* cpg;  // expected code page file, "" for none
  } cases[] = {
      {GisFormat::Shapefile, GisEncoding::Utf8, "UTF-8"},
      {GisFormat::Shapefile, GisEncoding::Gbk, "GBK"},
      {GisFormat::GeoPackage, GisEncoding::Utf8, ""},
      {GisFormat::Dxf, GisEncoding::Utf8, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(std::string(GisExtension(c.format)) + " " + c.cpg);
    ScratchDir dir;
    const std::string file = dir.File(std::string("grid.") + GisExtension(c.format));
    Message reason;
    ASSERT_TRUE(WriteGisCustomSheets(file, grid, {c.format, false, c.encoding}, &reason)) << reason;
    const ReadLayer r = ReadBack(file);
    ASSERT_TRUE(r.opened);
    // GeoPackage says "none" with its undefined Cartesian entry.
    if (c.format == GisFormat::GeoPackage) {
      EXPECT_EQ(r.srsName, "Undefined Cartesian SRS");
    } else {
      EXPECT_FALSE(r.hasSrs);
    }
    if (c.format == GisFormat::Shapefile) {
      EXPECT_EQ(dir.Listing(), std::string("grid.cpg\ngrid.dbf\ngrid.shp\ngrid.shx\n"));
      EXPECT_EQ(ReadFile(dir.File("grid.cpg")), c.cpg);
      // GBK holds each of these characters in two bytes, UTF-8 in three.
      const std::string dbf = ReadFile(dir.File("grid.dbf"));
      const std::string raw = c.encoding == GisEncoding::Gbk ? "\xb2\xe2\xc7\xf8" : "测区";
      EXPECT_NE(dbf.find(raw + "1-2"), std::string::npos);
    }
    if (c.format == GisFormat::Dxf) {
      ASSERT_EQ(r.features.size(), 4U);
      const std::vector<std::string> texts = r.Column("Text");
      ASSERT_EQ(texts.size(), 4U);
      EXPECT_EQ(texts[1], numbers[0]);
      EXPECT_EQ(texts[3], numbers[1]);
      EXPECT_EQ(r.Column("Layer"), (std::vector<std::string>{"图廓", "图号", "图廓", "图号"}));
      continue;
    }
    EXPECT_EQ(r.Column("图幅号"), numbers);
    const std::vector<std::string> maxX = r.Column("MAXX");
    ASSERT_EQ(maxX.size(), 2U);
    EXPECT_EQ(std::stod(maxX[0]), 500);
    EXPECT_EQ(std::stod(maxX[1]), 1000);
    ASSERT_EQ(r.features.size(), 2U);
    EXPECT_EQ(r.features[1].points,
              (std::vector<std::pair<double, double>>{
                  {500, 500}, {1000, 500}, {1000, 0}, {500, 0}, {500, 500}}));
  }
}

TEST(GisExport, DrawingHasFramesAndCentredNumbers) {
  ScratchDir dir;
  const TStandardMapUnions table = Sheets(true, true, 117);
  const auto sheets = Flat(table);
  const std::string file = dir.File("frames.dxf");
  for (bool geographic : {false, true}) {
    SCOPED_TRACE(geographic ? "degrees" : "metres");
    Message reason;
    ASSERT_TRUE(WriteGisSheets(file, table, {Datum::Beijing54, true, 117, 0, 0},
                               {GisFormat::Dxf, geographic, GisEncoding::Utf8}, &reason))
        << reason;
    const ReadLayer r = ReadBack(file);
    ASSERT_TRUE(r.opened);
    EXPECT_EQ(r.driver, "DXF");
    ASSERT_EQ(r.features.size(), 2 * sheets.size());
    const std::vector<std::string> layers = r.Column("Layer");
    const std::vector<std::string> texts = r.Column("Text");
    for (std::size_t i = 0; i < sheets.size(); ++i) {
      const std::size_t frame = 2 * i, text = 2 * i + 1;
      EXPECT_EQ(layers[frame], "图廓");
      EXPECT_EQ(layers[text], "图号");
      const auto& ring = r.features[frame].points;
      ASSERT_GE(ring.size(), 5U);
      EXPECT_EQ(ring.front(), ring.back());
      EXPECT_EQ(texts[text], sheets[i]->MapUnionNo);
      ASSERT_EQ(r.features[text].points.size(), 1U);
      // The text sits at the middle of the corners.
      std::vector<std::pair<double, double>> corners;
      for (const TPlanePoint& p : sheets[i]->PlaneCorners) corners.push_back({p.X, p.Y});
      if (geographic) {
        const TMapUnionRange& g = sheets[i]->Range;
        corners = {{DmsToDeg(g.West), DmsToDeg(g.South)}, {DmsToDeg(g.East), DmsToDeg(g.North)}};
      }
      double minX = corners[0].first, maxX = minX, minY = corners[0].second, maxY = minY;
      for (const auto& p : corners) {
        minX = std::min(minX, p.first);
        maxX = std::max(maxX, p.first);
        minY = std::min(minY, p.second);
        maxY = std::max(maxY, p.second);
      }
      const auto [tx, ty] = r.features[text].points[0];
      EXPECT_NEAR(tx, (minX + maxX) / 2, 1e-9 * std::abs(maxX));
      EXPECT_NEAR(ty, (minY + maxY) / 2, 1e-9 * std::abs(maxY));
      // The text height is a twelfth of the frame's height, in the
      // drawing's own units (GDAL reads it back rounded).
      const std::size_t s = r.features[text].style.find(",s:");
      ASSERT_NE(s, std::string::npos) << r.features[text].style;
      EXPECT_NEAR(std::stod(r.features[text].style.substr(s + 3)), (maxY - minY) / 12,
                  1e-2 * (maxY - minY) / 12);
    }
  }
}

// The value of a DXF header variable: two lines after its name.
std::string DxfHeaderValue(const std::string& dxf, const std::string& variable) {
  std::size_t at = dxf.find(variable + "\n");
  for (int line = 0; line < 2 && at != std::string::npos; ++line) at = dxf.find('\n', at) + 1;
  if (at == std::string::npos) return "?";
  std::string value = dxf.substr(at, dxf.find('\n', at) - at);
  value.erase(0, value.find_first_not_of(' '));
  if (!value.empty() && value.back() == '\r') value.pop_back();
  return value;
}

// What each file says beside its geometry, as its readers take it: the
// units of a drawing, the direction of KML rings, the code page of a GBK
// .dbf for readers that ignore the .cpg, the system of each GeoPackage
// geometry of an independent grid, and frames of four corners on request.
TEST(GisExport, FilesAsTheirReadersTakeThem) {
  ScratchDir dir;
  TStandardMapUnions table;
  CreateMapUnionsOfStandard({{116, 0, 0}, {39, 50, 0}, {116, 15, 0}, {40, 0, 0}}, 6, true, true, Datum::Cgcs2000,
                            117, table);
  const TPlaneSystem cgcs{Datum::Cgcs2000, true, 117, 0, 0};
  Message reason;
  for (bool geographic : {false, true}) {
    const std::string file = dir.File(geographic ? "deg.dxf" : "m.dxf");
    ASSERT_TRUE(WriteGisSheets(file, table, cgcs, {GisFormat::Dxf, geographic}, &reason)) << reason;
    const std::string dxf = ReadFile(file);
    EXPECT_EQ(DxfHeaderValue(dxf, "$INSUNITS"), geographic ? "0" : "6");
    EXPECT_EQ(DxfHeaderValue(dxf, "$MEASUREMENT"), "1");
  }

  // KML: the signed area of each ring (shoelace) is positive.
  ASSERT_TRUE(WriteGisSheets(dir.File("s.kml"), table, cgcs, {GisFormat::Kml, true}, &reason)) << reason;
  const ReadLayer kml = ReadBack(dir.File("s.kml"));
  ASSERT_EQ(kml.features.size(), 16U);
  for (const auto& f : kml.features) {
    double area = 0;
    for (std::size_t i = 0; i + 1 < f.points.size(); ++i) {
      area += f.points[i].first * f.points[i + 1].second - f.points[i + 1].first * f.points[i].second;
    }
    EXPECT_GT(area, 0);
  }

  // GBK: language driver 0x4D (code page 936); UTF-8 has none (0). Without
  // its .cpg the GBK file still reads back in Chinese.
  TCustomMapUnions grid;
  ASSERT_EQ(CreateCustomMapUnions(0, 0, 1000, 500, 1, 1, 500, 500, "测区[ROW]-[COL]号", true, grid), "");
  for (GisEncoding encoding : {GisEncoding::Gbk, GisEncoding::Utf8}) {
    const std::string file = dir.File(encoding == GisEncoding::Gbk ? "gbk.shp" : "utf8.shp");
    ASSERT_TRUE(WriteGisCustomSheets(file, grid, {GisFormat::Shapefile, false, encoding}, &reason)) << reason;
    const std::string dbf = ReadFile(file.substr(0, file.size() - 4) + ".dbf");
    ASSERT_GT(dbf.size(), 29U);
    EXPECT_EQ(static_cast<unsigned char>(dbf[29]), encoding == GisEncoding::Gbk ? 0x4D : 0);
  }
  std::filesystem::remove(dir.File("gbk.cpg"));
  EXPECT_EQ(ReadBack(dir.File("gbk.shp")).Column("图幅号"), (std::vector<std::string>{"测区1-1号", "测区1-2号"}));

  // Numbers a .dbf cannot hold are refused, and nothing is written.
  struct Refused { std::string name; GisEncoding encoding; std::string reason; } refused[] = {
      {"笑😀[ROW]", GisEncoding::Gbk, "图幅号 “笑😀1” 含有 GBK 编码无法表示的字符，请改用 UTF-8 编码的 Shapefile"},
      {std::string(300, 'N') + "[ROW]", GisEncoding::Utf8,
       "图幅号 “" + std::string(64, 'N') + "…” 长 301 字节，超出 Shapefile 文本字段的 254 字节"},
  };
  for (const auto& c : refused) {
    TCustomMapUnions odd;
    ASSERT_EQ(CreateCustomMapUnions(0, 0, 500, 500, 1, 1, 500, 500, c.name, true, odd), "");
    const std::string file = dir.File("odd.shp");
    EXPECT_FALSE(WriteGisCustomSheets(file, odd, {GisFormat::Shapefile, false, c.encoding}, &reason));
    EXPECT_EQ(reason, "无法写入文件 “" + file + "”：" + c.reason);
    EXPECT_FALSE(FileExists(file));
  }

  // The geometries of an independent grid's GeoPackage say -1, as its tables do.
  ASSERT_TRUE(WriteGisCustomSheets(dir.File("grid.gpkg"), grid, {GisFormat::GeoPackage}, &reason)) << reason;
  GDALDatasetH ds = GDALOpenEx(dir.File("grid.gpkg").c_str(), GDAL_OF_VECTOR, nullptr, nullptr, nullptr);
  ASSERT_NE(ds, nullptr);
  OGRLayerH srids = GDALDatasetExecuteSQL(ds, "SELECT DISTINCT ST_SRID(geom) FROM grid", nullptr, nullptr);
  ASSERT_NE(srids, nullptr);
  std::vector<long long> found;
  while (OGRFeatureH f = OGR_L_GetNextFeature(srids)) {
    found.push_back(OGR_F_GetFieldAsInteger64(f, 0));
    OGR_F_Destroy(f);
  }
  GDALDatasetReleaseResultSet(ds, srids);
  GDALClose(ds);
  EXPECT_EQ(found, std::vector<long long>{-1});

  // Four corners on request; the corner attributes stay the corners either way.
  for (bool cornersOnly : {true, false}) {
    GisOptions options{GisFormat::Shapefile};
    options.cornersOnly = cornersOnly;
    const std::string file = dir.File(cornersOnly ? "corners.shp" : "dense.shp");
    ASSERT_TRUE(WriteGisSheets(file, table, cgcs, options, &reason)) << reason;
    const ReadLayer r = ReadBack(file);
    ASSERT_EQ(r.features.size(), 16U);
    const auto sheets = Flat(table);
    for (std::size_t i = 0; i < 16; ++i) {
      EXPECT_EQ(r.features[i].points.size() == 5, cornersOnly) << i;
      EXPECT_NEAR(std::stod(r.Column("X3")[i]), sheets[i]->PlaneCorners[kSE].X, 1e-6);
      EXPECT_NEAR(std::stod(r.Column("Y3")[i]), sheets[i]->PlaneCorners[kSE].Y, 1e-6);
    }
  }
}

TEST(GisExport, RefusalsWriteNothing) {
  const TStandardMapUnions spanning = [] {
    TStandardMapUnions t;
    CreateMapUnionsOfStandard({{118, 0, 0}, {39, 50, 0}, {119, 0, 0}, {40, 0, 0}}, 6, true, true,
                              Datum::Beijing54, 0, t);
    return t;
  }();
  const struct {
    const char* what;
    GisFormat format;
    bool geographic;
    Datum datum;
    bool custom;
    bool empty;
    std::string reason;
  } cases[] = {
      {"KML of Beijing 1954", GisFormat::Kml, true, Datum::Beijing54, false, false,
       kKmlNeedsCgcs2000Message},
      {"KML of Xi'an 1980", GisFormat::Kml, true, Datum::Xian80, false, false,
       kKmlNeedsCgcs2000Message},
      {"KML of an independent grid", GisFormat::Kml, true, Datum::Cgcs2000, true, false,
       kKmlNeedsGeodeticMessage},
      {"geographic independent grid", GisFormat::GeoPackage, true, Datum::Beijing54, true, false,
       "独立坐标系没有大地坐标，只能导出平面坐标。"},
      {"plane sheets across zones", GisFormat::Shapefile, false, Datum::Beijing54, false, false,
       kSpansZonesMessage},
      {"nothing generated", GisFormat::GeoPackage, true, Datum::Xian80, false, true,
       "没有可导出的图幅：请先生成图幅号。"},
  };
  TCustomMapUnions grid;
  CreateCustomMapUnions(0, 0, 1000, 500, 1, 1, 500, 500, "[ROW]+[COL]", true, grid);
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    ScratchDir dir;
    const std::string file = dir.File(std::string("x.") + GisExtension(c.format));
    Message reason;
    const GisOptions options{c.format, c.geographic, GisEncoding::Utf8};
    const bool written =
        c.custom ? WriteGisCustomSheets(file, c.empty ? TCustomMapUnions{} : grid, options, &reason)
                 : WriteGisSheets(file, c.empty ? TStandardMapUnions{} : spanning,
                                  {c.datum, true, 0, 0, 0}, options, &reason);
    EXPECT_FALSE(written);
    EXPECT_EQ(reason, c.reason);
    EXPECT_EQ(dir.Listing(), "");
  }
}

TEST(GisExport, AnExistingSetSurvivesAFailedExport) {
  ScratchDir dir;
  const std::string file = dir.File("sheets.shp");
  const TStandardMapUnions table = Sheets(true, true, 117);
  Message reason;
  ASSERT_TRUE(WriteGisSheets(file, table, {Datum::Beijing54, true, 117, 0, 0}, {}, &reason))
      << reason;
  const std::string listing = dir.Listing();
  EXPECT_EQ(listing, "sheets.cpg\nsheets.dbf\nsheets.prj\nsheets.shp\nsheets.shx\n");
  std::vector<std::string> before;
  for (const char* ext : {".cpg", ".dbf", ".prj", ".shp", ".shx"}) {
    before.push_back(ReadFile(dir.File(std::string("sheets") + ext)));
  }

  // Cancelled half way, and refused: the old set stays, byte for byte, with
  // no temporary folder left beside it.
  const TStandardMapUnions big = [] {
    TStandardMapUnions t;
    CreateMapUnionsOfStandard({{116, 0, 0}, {39, 0, 0}, {117, 0, 0}, {40, 0, 0}}, 7, true, true,
                              Datum::Xian80, 117, t);
    return t;
  }();
  int calls = 0;
  EXPECT_FALSE(WriteGisSheets(file, big, {Datum::Xian80, true, 117, 0, 0}, {}, &reason,
                              [&](std::uint64_t done, std::uint64_t total) {
                                ++calls;
                                return done < total / 2;
                              }));
  EXPECT_EQ(reason, kExportCancelled);
  EXPECT_GT(calls, 1);
  EXPECT_FALSE(WriteGisSheets(file, table, {Datum::Beijing54, true, 0, 0, 0},
                              {GisFormat::Kml, true, GisEncoding::Utf8}, &reason));
  EXPECT_EQ(dir.Listing(), listing);
  std::vector<std::string> after;
  for (const char* ext : {".cpg", ".dbf", ".prj", ".shp", ".shx"}) {
    after.push_back(ReadFile(dir.File(std::string("sheets") + ext)));
  }
  EXPECT_TRUE(before == after);

  // A folder that is not there: the reason names the file and says why.
  const std::string missing = dir.File("no/such/folder/sheets.gpkg");
  EXPECT_FALSE(WriteGisSheets(missing, table, {Datum::Beijing54, true, 117, 0, 0},
                              {GisFormat::GeoPackage, false, GisEncoding::Utf8}, &reason));
  EXPECT_NE(reason.Text().find(missing), std::string::npos) << reason;
  EXPECT_NE(reason.Text().find("No such file"), std::string::npos) << reason;

  // An independent grid written over the set takes the old .prj away: its
  // plane has no geodetic system.
  TCustomMapUnions grid;
  CreateCustomMapUnions(0, 0, 1000, 500, 1, 1, 500, 500, "[ROW]+[COL]", true, grid);
  ASSERT_TRUE(WriteGisCustomSheets(dir.File("sheets"), grid, {}, &reason)) << reason;
  EXPECT_EQ(dir.Listing(), "sheets.cpg\nsheets.dbf\nsheets.shp\nsheets.shx\n");
  EXPECT_FALSE(ReadBack(file).hasSrs);
}

TEST(GisExport, ScaleOfASheetFromItsHeight) {
  for (int scale = 0; scale < kScaleCount; ++scale) {
    TStandardMapUnions t;
    CreateMapUnionsOfStandard({{116, 0, 0}, {39, 50, 0}, {116, 0, 1}, {39, 50, 1}}, scale, true,
                              true, Datum::Beijing54, 117, t);
    ASSERT_FALSE(t.empty());
    ASSERT_FALSE(t[0].empty());
    EXPECT_EQ(ScaleDenominatorOf(t[0][0]), kScaleDenominators[static_cast<std::size_t>(scale)]);
  }
  EXPECT_EQ(ScaleDenominatorOf(TStandardMapUnion{}), 0);
}

}  // namespace
}  // namespace karvento
