// SPDX-License-Identifier: Apache-2.0
// 标准分幅裁切 on data made here: a DEM-like raster on CGCS2000's zone 39
// (EPSG:4527) straddling the central meridian 117° E and the parallel 40° N
// (a 1:100万 edge), and polygon and line layers across nine 1:1万 sheets.
#include <gdal_priv.h>
#include <gdal_utils.h>
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cmath>
#include <filesystem>
#include <fstream>
#include <functional>
#include <map>
#include <set>
#include <sstream>

#include "gis/clip.h"
#include "gis/gdal_session.h"
#include "numbering/error.h"

namespace karvento {
namespace {

namespace fs = std::filesystem;

// 2 m pixels (the 1 m of a real DOM would only make the test slower): 8 km
// by 6 km from 3 km west of the central meridian, the top 2.5 km north of
// 40° N. Values: a gradient plus a checker pattern; nodata (0) in the
// north-west corner.
constexpr int kWidth = 4000, kHeight = 3000;
constexpr double kX0 = 39497000, kY0 = 4432000, kPixel = 2;

std::uint16_t SourceValue(int x, int y) {
  if (y < 500 && x < 600) return 0;
  return static_cast<std::uint16_t>(1 + (x * 7 + y * 3) % 60000 + ((x / 50 + y / 50) % 2) * 1000);
}

struct Folder {
  Folder() {
    const auto* info = ::testing::UnitTest::GetInstance()->current_test_info();
    path = fs::temp_directory_path() / ("karvento-clip-" + std::to_string(getpid()) + "-" + info->name());
    fs::remove_all(path);
    fs::create_directories(path / "src");
  }
  ~Folder() { fs::remove_all(path); }
  std::string operator()(const std::string& name) const { return (path / name).string(); }
  fs::path path;
};

void MakeRaster(const std::string& file, int epsg, bool withSrs = true) {
  EnsureGdal();
  GDALDriver* d = GetGDALDriverManager()->GetDriverByName("GTiff");
  const char* options[] = {"TILED=YES", nullptr};
  std::unique_ptr<GDALDataset> ds(d->Create(file.c_str(), kWidth, kHeight, 1, GDT_UInt16, const_cast<char**>(options)));
  double gt[6] = {kX0, kPixel, 0, kY0, 0, -kPixel};
  ds->SetGeoTransform(gt);
  if (withSrs) {
    OGRSpatialReference srs;
    srs.importFromEPSG(epsg);
    ds->SetSpatialRef(&srs);
  }
  GDALRasterBand* b = ds->GetRasterBand(1);
  b->SetNoDataValue(0);
  b->SetDescription("elevation");
  std::vector<std::uint16_t> row(kWidth);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) row[x] = SourceValue(x, y);
    ASSERT_EQ(b->RasterIO(GF_Write, 0, y, kWidth, 1, row.data(), kWidth, 1, GDT_UInt16, 0, 0), CE_None);
  }
}

ClipRequest RasterRequest(const Folder& f) {
  ClipRequest r;
  r.input = f("src/dem.tif");
  r.scale = 6;  // 1:1万
  r.margin = {10, MarginUnit::Millimetres};
  r.output = f("out");
  r.workers = 2;
  return r;
}

struct Sheet {
  double gt[6];
  int width, height;
  std::vector<std::uint16_t> pixels;
};

std::map<std::string, Sheet> ReadSheets(const std::string& folder) {
  std::map<std::string, Sheet> sheets;
  for (const auto& e : fs::directory_iterator(folder)) {
    if (e.path().extension() != ".tif") continue;
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(e.path().c_str(), GDAL_OF_RASTER));
    Sheet s;
    ds->GetGeoTransform(s.gt);
    s.width = ds->GetRasterXSize(), s.height = ds->GetRasterYSize();
    s.pixels.resize(static_cast<std::size_t>(s.width) * s.height);
    EXPECT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Read, 0, 0, s.width, s.height, s.pixels.data(), s.width, s.height,
                                             GDT_UInt16, 0, 0),
              CE_None);
    EXPECT_EQ(ds->GetRasterBand(1)->GetRasterDataType(), GDT_UInt16);
    int has = 0;
    EXPECT_EQ(ds->GetRasterBand(1)->GetNoDataValue(&has), 0);
    EXPECT_TRUE(has);
    EXPECT_STREQ(ds->GetRasterBand(1)->GetDescription(), "elevation");
    sheets[e.path().stem().string()] = std::move(s);
  }
  return sheets;
}

std::set<std::string> Hidden(const std::string& folder) {
  std::set<std::string> names;
  for (const auto& e : fs::recursive_directory_iterator(folder)) {
    if (e.path().filename().string()[0] == '.') names.insert(e.path().filename().string());
  }
  return names;
}

// Every pixel of every sheet is the source's pixel at the same ground
// position (nodata off the source); each window lies on the source's grid;
// together the sheets cover every source pixel; the two sheets on either
// side of the central meridian, a straight grid line, overlap by the margin
// on each side, 2 × 100 m exactly; across 40° N (a curve) by the margin on
// each side plus the parallel's rise over the sheet.
TEST(Clip, RasterSheetsAreTheSourcePixelsOnItsGrid) {
  Folder f;
  MakeRaster(f("src/dem.tif"), 4527);
  const ClipResult result = RunClip(RasterRequest(f));
  EXPECT_EQ(result.written, 4u);
  const auto sheets = ReadSheets(f("out"));
  ASSERT_EQ(sheets.size(), 4u);
  std::vector<char> covered(static_cast<std::size_t>(kWidth) * kHeight, 0);
  for (const auto& [name, s] : sheets) {
    EXPECT_EQ(s.gt[1], kPixel);
    EXPECT_EQ(s.gt[5], -kPixel);
    const double c = (s.gt[0] - kX0) / kPixel, r = (kY0 - s.gt[3]) / kPixel;
    ASSERT_EQ(c, std::round(c)) << name;
    ASSERT_EQ(r, std::round(r)) << name;
    std::size_t differ = 0;
    for (int y = 0; y < s.height; ++y) {
      for (int x = 0; x < s.width; ++x) {
        const long sx = static_cast<long>(c) + x, sy = static_cast<long>(r) + y;
        const bool on = sx >= 0 && sx < kWidth && sy >= 0 && sy < kHeight;
        const std::uint16_t want = on ? SourceValue(static_cast<int>(sx), static_cast<int>(sy)) : 0;
        differ += s.pixels[static_cast<std::size_t>(y) * s.width + x] != want;
        if (on) covered[static_cast<std::size_t>(sy) * kWidth + sx] = 1;
      }
    }
    EXPECT_EQ(differ, 0u) << name;
    EXPECT_TRUE(fs::exists(f("out/" + name + ".json"))) << name;
  }
  EXPECT_EQ(std::count(covered.begin(), covered.end(), 0), 0);

  // The mosaic of the sheets (gdalbuildvrt's), read on the source's extent
  // and grid, is the source.
  {
    std::vector<std::string> files;
    for (const auto& [name, s] : sheets) files.push_back(f("out/" + name + ".tif"));
    std::vector<const char*> names;
    for (const std::string& n : files) names.push_back(n.c_str());
    int usage = 0;
    std::unique_ptr<GDALDataset> vrt(GDALDataset::FromHandle(GDALBuildVRT(
        f("mosaic.vrt").c_str(), static_cast<int>(names.size()), nullptr, names.data(), nullptr, &usage)));
    ASSERT_TRUE(vrt);
    double gt[6];
    vrt->GetGeoTransform(gt);
    const long c = std::lround((kX0 - gt[0]) / kPixel), r = std::lround((gt[3] - kY0) / kPixel);
    std::vector<std::uint16_t> mosaic(static_cast<std::size_t>(kWidth) * kHeight);
    ASSERT_EQ(vrt->GetRasterBand(1)->RasterIO(GF_Read, static_cast<int>(c), static_cast<int>(r), kWidth, kHeight,
                                              mosaic.data(), kWidth, kHeight, GDT_UInt16, 0, 0, nullptr),
              CE_None);
    std::size_t differ = 0;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) differ += mosaic[static_cast<std::size_t>(y) * kWidth + x] != SourceValue(x, y);
    }
    EXPECT_EQ(differ, 0u);
  }

  const Sheet& west = sheets.at("J50G001048");
  const Sheet& east = sheets.at("J50G001049");
  const Sheet& north = sheets.at("K50G096048");
  EXPECT_EQ(west.gt[0] + west.width * kPixel, 39500100.0);
  EXPECT_EQ(east.gt[0], 39499900.0);
  const double overlapY = (west.gt[3]) - (north.gt[3] + north.height * -kPixel);
  EXPECT_GE(overlapY, 200.0);
  EXPECT_LE(overlapY, 204.0);
  EXPECT_TRUE(Hidden(f("out")).empty());

  // The summary: a line per sheet with its checksum, and the metadata.
  std::ifstream csv(f("out/clip-summary.csv"));
  std::string header, line;
  std::getline(csv, header);
  EXPECT_EQ(header, "sheet,file,pixels,nodata_share,checksum");
  int lines = 0;
  while (std::getline(csv, line)) ++lines;
  EXPECT_EQ(lines, 4);
  std::ifstream json(f("out/J50G001049.json"));
  std::stringstream text;
  text << json.rdbuf();
  for (const char* part : {"\"图号\": \"J50G001049\"", "\"scale\": \"1:1万\"", "\"datum\": \"CGCS2000\"",
                           "\"zone\": 39", "\"size\": [2771, 2415]", "\"SW\": [500000, 4424902.6"}) {
    EXPECT_NE(text.str().find(part), std::string::npos) << part;
  }
}

// Output options against the plain cut of the same sheets: a COG holds the
// same pixels; a mask sets what lies beyond the frame plus the margin (the
// window's corners) to nodata or white and keeps the sheet's centre and the
// margin along a straight edge (the central meridian); a warp into the
// zone's system without its zone number (EPSG:4548, the same plane less
// 39,000 km of easting, pixel centres on each other) moves the sheet and
// keeps its pixels.
TEST(Clip, OutputOptionsKeepThePlainCutsPixels) {
  Folder f;
  MakeRaster(f("src/dem.tif"), 4527);
  RunClip(RasterRequest(f));
  const auto plain = ReadSheets(f("out"));
  const Sheet& east = plain.at("J50G001049");
  const auto at = [](const Sheet& s, int x, int y) { return s.pixels[static_cast<std::size_t>(y) * s.width + x]; };
  struct Case {
    const char* what;
    std::function<void(ClipRequest&)> edit;
    std::function<void(const std::string& folder, const std::map<std::string, Sheet>&)> check;
  };
  const auto masked = [&](std::uint16_t fill) {
    return [&, fill](const std::string&, const std::map<std::string, Sheet>& got) {
      const Sheet& s = got.at("J50G001049");
      EXPECT_NE(at(east, 0, 0), fill);
      EXPECT_EQ(at(s, 0, 0), fill);
      EXPECT_EQ(at(s, s.width - 1, 0), fill);
      EXPECT_EQ(at(s, s.width / 2, s.height / 2), at(east, s.width / 2, s.height / 2));
      EXPECT_EQ(at(s, 0, s.height / 2), at(east, 0, s.height / 2));  // 99 m west of 117° E
      std::size_t changed = 0;
      for (std::size_t k = 0; k < s.pixels.size(); ++k) {
        if (s.pixels[k] != east.pixels[k]) {
          EXPECT_EQ(s.pixels[k], fill);
          ++changed;
        }
      }
      EXPECT_GT(changed, 0u);
    };
  };
  const Case cases[] = {
      {"COG", [](ClipRequest& r) { r.format = "COG"; },
       [&](const std::string& folder, const std::map<std::string, Sheet>& got) {
         std::unique_ptr<GDALDataset> ds(GDALDataset::Open((folder + "/J50G001049.tif").c_str(), GDAL_OF_RASTER));
         EXPECT_STREQ(ds->GetMetadataItem("LAYOUT", "IMAGE_STRUCTURE"), "COG");
         ASSERT_EQ(got.size(), plain.size());
         for (const auto& [name, s] : plain) EXPECT_EQ(got.at(name).pixels, s.pixels) << name;
       }},
      {"mask nodata", [](ClipRequest& r) { r.mask = ClipMask::Nodata; }, masked(0)},
      {"mask white", [](ClipRequest& r) { r.mask = ClipMask::White; }, masked(255)},
      {"t-srs", [](ClipRequest& r) { r.targetSrs = "EPSG:4548"; },
       [&](const std::string&, const std::map<std::string, Sheet>& got) {
         ASSERT_EQ(got.size(), plain.size());
         for (const auto& [name, s] : plain) {
           const Sheet& w = got.at(name);
           EXPECT_EQ(w.gt[0], s.gt[0] - 39000000) << name;
           EXPECT_EQ(w.gt[3], s.gt[3]) << name;
           EXPECT_EQ(w.width, s.width) << name;
           EXPECT_EQ(w.pixels, s.pixels) << name;
         }
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    ClipRequest r = RasterRequest(f);
    r.output = f(std::string("out-") + c.what);
    c.edit(r);
    RunClip(r);
    c.check(r.output, ReadSheets(r.output));
  }
}

// Refusals leave nothing behind: not even the output folder.
TEST(Clip, RefusalsWriteNothing) {
  Folder f;
  MakeRaster(f("src/dem.tif"), 4527);
  MakeRaster(f("src/bare.tif"), 4527, false);
  MakeRaster(f("src/beijing.tif"), 2415);  // Beijing 1954, 3-degree zone 39
  struct Case {
    const char* what;
    std::function<void(ClipRequest&)> edit;
    const char* says;
  };
  const Case cases[] = {
      {"no system", [&](ClipRequest& r) { r.input = f("src/bare.tif"); }, "没有坐标系"},
      {"another datum", [&](ClipRequest& r) { r.input = f("src/beijing.tif"), r.datum = Datum::Cgcs2000; }, "不是同一基准"},
      {"negative margin", [](ClipRequest& r) { r.margin.value = -1; }, "不能为负"},
      {"margin over a sheet", [](ClipRequest& r) { r.margin = {6000, MarginUnit::Metres}; }, "大于一个图幅"},
      {"inside the input's folder", [&](ClipRequest& r) { r.output = f("src/sheets"); }, "文件夹之内"},
      {"a URL", [](ClipRequest& r) { r.input = "/vsicurl/http://example.com/dem.tif"; }, "虚拟文件系统"},
  };
  for (const Case& c : cases) {
    ClipRequest r = RasterRequest(f);
    c.edit(r);
    try {
      RunClip(r);
      ADD_FAILURE() << c.what << ": not refused";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.says), std::string::npos) << c.what << ": " << e.what();
    }
    EXPECT_FALSE(fs::exists(r.output)) << c.what;
  }
  // An input named relative to the working folder, its sheets elsewhere.
  {
    const fs::path here = fs::current_path();
    fs::current_path(f.path / "src");
    ClipRequest relative = RasterRequest(f);
    relative.input = "dem.tif";
    relative.output = f("elsewhere");
    EXPECT_NO_THROW(PlanClip(relative));
    relative.output = "sheets";
    EXPECT_THROW(PlanClip(relative), Error);
    fs::current_path(here);
  }
  // Named explicitly, a file without a system is cut.
  ClipRequest named = RasterRequest(f);
  named.input = f("src/bare.tif");
  named.sourceSrs = "EPSG:4527";
  EXPECT_EQ(RunClip(named).written, 4u);
}

// A run stopped after its first sheet leaves complete sheets only; resumed,
// it cuts only what is missing, and the result is that of a run in one go.
// A run ended by SIGINT leaves complete sheets only too.
TEST(Clip, StoppedRunsLeaveCompleteSheetsAndResume) {
  Folder f;
  MakeRaster(f("src/dem.tif"), 4527);
  ClipRequest r = RasterRequest(f);
  r.workers = 1;
  const ClipResult stopped = RunClip(r, [](const ClipProgress&) { return false; });
  EXPECT_EQ(stopped.written, 1u);
  EXPECT_TRUE(Hidden(r.output).empty());
  r.resume = true;
  const ClipResult resumed = RunClip(r);
  EXPECT_EQ(resumed.resumed, 1u);
  EXPECT_EQ(resumed.written, 3u);
  const auto read = [](const std::string& file) {
    std::ifstream in(file);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
  };
  const std::string summary = read(r.output + "/clip-summary.csv");
  ClipRequest whole = RasterRequest(f);
  whole.output = f("whole");
  RunClip(whole);
  EXPECT_EQ(read(whole.output + "/clip-summary.csv"), summary);
  // Another margin is another request: nothing is taken as done.
  r.margin.value = 5;
  EXPECT_EQ(RunClip(r).resumed, 0u);

  // SIGINT while the second sheet is cut.
  ClipRequest killed = RasterRequest(f);
  killed.output = f("killed");
  const pid_t child = fork();
  if (child == 0) {
    int seen = 0;
    try {
      RunClip(killed, [&](const ClipProgress&) {
        if (++seen == 1) ::raise(SIGINT);
        return true;
      });
    } catch (...) {
    }
    _exit(0);
  }
  int status = 0;
  waitpid(child, &status, 0);
  EXPECT_TRUE(WIFSIGNALED(status) && WTERMSIG(status) == SIGINT);
  EXPECT_TRUE(Hidden(killed.output).empty());
  const auto sheets = ReadSheets(killed.output);
  EXPECT_GE(sheets.size(), 1u);
  for (const auto& [name, s] : sheets) EXPECT_GT(s.width, 2000) << name;
}

// ---------------------------------------------------------------------------
// Vectors.

void MakeLayers(const std::string& file) {
  EnsureGdal();
  GDALDriver* d = GetGDALDriverManager()->GetDriverByName("GPKG");
  std::unique_ptr<GDALDataset> ds(d->Create(file.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  OGRSpatialReference srs;
  srs.importFromEPSG(4527);
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRLayer* parcels = ds->CreateLayer("parcels", &srs, wkbPolygon);
  OGRLayer* roads = ds->CreateLayer("roads", &srs, wkbLineString);
  for (OGRLayer* l : {parcels, roads}) {
    OGRFieldDefn name("name", OFTString);
    l->CreateField(&name);
  }
  // Three columns (about 4 km west to 7 km east of 117° E) and three rows
  // (about 39.94° to 40.01° N) of 1:1万 sheets; a hole and a second part.
  const char* polygons[] = {
      "POLYGON ((39496000 4423000, 39507000 4423500, 39506500 4431000, 39496500 4430500, 39496000 4423000),"
      " (39499000 4428000, 39501000 4428000, 39501000 4430000, 39499000 4430000, 39499000 4428000))",
      "POLYGON ((39503000 4424000, 39505000 4424000, 39505000 4426000, 39503000 4424000))"};
  const char* lines[] = {"LINESTRING (39496100 4423100, 39506900 4423200, 39506800 4430900, 39496200 4430800,"
                         " 39496300 4426000, 39506000 4427000)"};
  int k = 0;
  for (const char* wkt : polygons) {
    OGRGeometry* g = nullptr;
    OGRGeometryFactory::createFromWkt(wkt, &srs, &g);
    std::unique_ptr<OGRFeature> feature(OGRFeature::CreateFeature(parcels->GetLayerDefn()));
    feature->SetField("name", ("地块" + std::to_string(++k)).c_str());
    feature->SetGeometryDirectly(g);
    ASSERT_EQ(parcels->CreateFeature(feature.get()), OGRERR_NONE);
  }
  for (const char* wkt : lines) {
    OGRGeometry* g = nullptr;
    OGRGeometryFactory::createFromWkt(wkt, &srs, &g);
    std::unique_ptr<OGRFeature> feature(OGRFeature::CreateFeature(roads->GetLayerDefn()));
    feature->SetField("name", "公路");
    feature->SetGeometryDirectly(g);
    ASSERT_EQ(roads->CreateFeature(feature.get()), OGRERR_NONE);
  }
}

double AreaOrLength(const OGRGeometry* g) {
  switch (wkbFlatten(g->getGeometryType())) {
    case wkbPolygon: return g->toPolygon()->get_Area();
    case wkbMultiPolygon: return g->toMultiPolygon()->get_Area();
    case wkbLineString: return g->toLineString()->get_Length();
    case wkbMultiLineString: return g->toMultiLineString()->get_Length();
    default: ADD_FAILURE() << "a piece of type " << g->getGeometryName(); return 0;
  }
}

// Per attribute value, the area (polygons) or length (lines) of a layer's
// features, and their number.
std::map<std::string, double> Measure(const std::string& file, const char* layer, int* pieces = nullptr,
                                      const char* field = "name") {
  std::map<std::string, double> sums;
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR));
  for (auto& feature : *ds->GetLayerByName(layer)) {
    sums[feature->GetFieldAsString(field)] += AreaOrLength(feature->GetGeometryRef());
    if (pieces) ++*pieces;
  }
  return sums;
}

TEST(Clip, VectorPiecesAddUpToTheSource) {
  Folder f;
  MakeLayers(f("src/survey.gpkg"));
  for (const char* layer : {"parcels", "roads"}) {
    ClipRequest r;
    r.input = f("src/survey.gpkg");
    r.layer = layer;
    r.scale = 6;
    r.output = f(std::string("out-") + layer);
    const ClipResult result = RunClip(r);
    const auto want = Measure(r.input, layer);
    std::map<std::string, double> got;
    int files = 0;
    for (const auto& e : fs::directory_iterator(r.output)) {
      if (e.path().extension() != ".gpkg") continue;
      ++files;
      for (const auto& [name, m] : Measure(e.path().string(), layer)) got[name] += m;
    }
    EXPECT_EQ(files, 9) << layer;
    EXPECT_EQ(result.written, 9u) << layer;
    ASSERT_EQ(got.size(), want.size()) << layer;
    for (const auto& [name, m] : want) EXPECT_NEAR(got[name] / m, 1, 1e-9) << layer << " " << name;

    // One layer: the same pieces, each with its sheet's number.
    r.oneLayer = true;
    r.output += "-one";
    RunClip(r);
    int pieces = 0;
    const std::string one = r.output + "/survey.gpkg";
    const auto all = Measure(one, layer, &pieces);
    for (const auto& [name, m] : want) EXPECT_NEAR(all.at(name) / m, 1, 1e-9) << layer << " " << name;
    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(one.c_str(), GDAL_OF_VECTOR));
    std::set<std::string> numbers;
    for (auto& feature : *ds->GetLayerByName(layer)) numbers.insert(feature->GetFieldAsString("图幅号"));
    EXPECT_EQ(numbers.size(), 9u) << layer;
  }
}


// A Shapefile of polygons and a DXF of lines (no system of its own, named
// with sourceSrs), cut into Shapefiles and GeoPackages: the pieces add up.
TEST(Clip, ShapefileAndDxfLayersAddUp) {
  Folder f;
  MakeLayers(f("src/survey.gpkg"));
  struct Case {
    const char* driver;
    const char* file;
    const char* layer;  // of the survey
    const char* field;  // the attribute the sums go by
    const char* format;
  };
  const Case cases[] = {{"ESRI Shapefile", "src/parcels.shp", "parcels", "name", "ESRI Shapefile"},
                        {"DXF", "src/roads.dxf", "roads", "Layer", "GPKG"}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.driver);
    {
      std::unique_ptr<GDALDataset> in(GDALDataset::Open(f("src/survey.gpkg").c_str(), GDAL_OF_VECTOR));
      std::vector<const char*> options = {"-f", c.driver};
      if (std::string(c.driver) == "ESRI Shapefile") options.insert(options.end(), {"-lco", "ENCODING=UTF-8"});
      options.insert(options.end(), {c.layer, nullptr});
      GDALVectorTranslateOptions* o = GDALVectorTranslateOptionsNew(const_cast<char**>(options.data()), nullptr);
      GDALDatasetH h = GDALDataset::ToHandle(in.get());
      GDALClose(GDALVectorTranslate(f(c.file).c_str(), nullptr, 1, &h, o, nullptr));
      GDALVectorTranslateOptionsFree(o);
    }
    ClipRequest r;
    r.input = f(c.file);
    r.scale = 6;
    r.format = c.format;
    if (std::string(c.driver) == "DXF") r.sourceSrs = "EPSG:4527";
    r.output = f(std::string("out-") + c.layer);
    EXPECT_EQ(RunClip(r).written, 9u);
    std::unique_ptr<GDALDataset> in(GDALDataset::Open(r.input.c_str(), GDAL_OF_VECTOR));
    const std::string sourceLayer = in->GetLayer(0)->GetName();
    in.reset();
    const auto want = Measure(r.input, sourceLayer.c_str(), nullptr, c.field);
    std::map<std::string, double> got;
    const std::string ext = std::string(c.format) == "GPKG" ? ".gpkg" : ".shp";
    for (const auto& e : fs::directory_iterator(r.output)) {
      if (e.path().extension() != ext) continue;
      std::unique_ptr<GDALDataset> piece(GDALDataset::Open(e.path().c_str(), GDAL_OF_VECTOR));
      const std::string name = piece->GetLayer(0)->GetName();
      piece.reset();
      for (const auto& [key, m] : Measure(e.path().string(), name.c_str(), nullptr, c.field)) got[key] += m;
    }
    ASSERT_EQ(got.size(), want.size());
    for (const auto& [key, m] : want) EXPECT_NEAR(got[key] / m, 1, 1e-9) << key;
  }
}

// One layer is one file: a stopped run leaves none (and its summary lists
// none); resumed, the run writes it whole.
TEST(Clip, OneLayerRunsAreWholeOrNothing) {
  Folder f;
  MakeLayers(f("src/survey.gpkg"));
  ClipRequest r;
  r.input = f("src/survey.gpkg");
  r.layer = "parcels";
  r.scale = 6;
  r.oneLayer = true;
  r.output = f("out");
  RunClip(r, [](const ClipProgress& p) { return p.done < 3; });
  EXPECT_FALSE(fs::exists(f("out/survey.gpkg")));
  EXPECT_TRUE(Hidden(f("out")).empty());
  std::ifstream stopped(f("out/clip-summary.csv"));
  std::string line;
  int lines = 0;
  while (std::getline(stopped, line)) ++lines;
  EXPECT_EQ(lines, 1);  // the header
  r.resume = true;
  RunClip(r);
  const auto want = Measure(r.input, "parcels");
  const auto got = Measure(f("out/survey.gpkg"), "parcels");
  for (const auto& [name, m] : want) EXPECT_NEAR(got.at(name) / m, 1, 1e-9) << name;
}

}  // namespace
}  // namespace karvento

TEST(Clip, SizesInMessagesHaveAUnitThatShowsThem) {
  const std::pair<std::uint64_t, const char*> cases[] = {
      {0, "0 KB"},           {1, "1 KB"},           {4096, "4 KB"},
      {(1 << 20) - 1, "1024 KB"}, {1 << 20, "1.0 MB"}, {(5ULL << 20) + (1 << 19), "5.5 MB"},
      {3ULL << 30, "3.0 GB"}};
  for (const auto& [bytes, text] : cases) EXPECT_EQ(karvento::ClipSizeText(bytes), text) << bytes;
}
