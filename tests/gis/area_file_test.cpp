// SPDX-License-Identifier: Apache-2.0
// Polygon files read as areas of interest: rings and holes kept, coordinates
// brought to the sheet datum's longitude and latitude by PROJ, and a notice
// where the file's datum has no official transformation to the sheets'.
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cmath>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>

#include "geodesy/projection.h"
#include "gis/area_file.h"
#include "numbering/error.h"

namespace karvento {
namespace {

std::string Temp(const std::string& name) {
  return testing::TempDir() + "area_" + std::to_string(getpid()) + "_" + name;
}

// A GeoJSON file of the given features in the coordinate system epsg.
std::string GeoJson(const std::string& name, int epsg, const std::string& features) {
  const std::string file = Temp(name);
  std::ofstream(file) << R"({"type":"FeatureCollection","crs":{"type":"name","properties":{"name":"urn:ogc:def:crs:EPSG::)"
                      << epsg << R"("}},"features":[)" << features << "]}";
  return file;
}

// A multipolygon of two parts, the first with a hole, and a line that is no
// area (skipped).
const char* kTwoParts =
    R"({"type":"Feature","properties":{"name":"a"},"geometry":{"type":"MultiPolygon","coordinates":[)"
    R"([[[116,39],[116.2,39],[116.2,39.1],[116,39.1],[116,39]],[[116.05,39.02],[116.1,39.02],[116.1,39.05],[116.05,39.02]]],)"
    R"([[[117,40],[117.1,40],[117.05,40.1],[117,40]]]]}},)"
    R"({"type":"Feature","properties":{"name":"b"},"geometry":{"type":"LineString","coordinates":[[110,30],[111,31]]}})";

TEST(AreaFile, RingsHolesAndTheDatumNotice) {
  struct Case {
    int fileEpsg;
    Datum datum;
    const char* notice;  // words the notice holds; "" for none at all
    double tolerance;    // degrees the coordinates may move
  } cases[] = {
      {4326, Datum::Beijing54, "WGS 84 与图幅的坐标系 北京1954", 0},
      {4326, Datum::Xian80, "WGS 84 与图幅的坐标系 西安1980", 0},
      {4490, Datum::Beijing54, "2000国家大地坐标系 与图幅的坐标系 北京1954", 0},
      {4214, Datum::Cgcs2000, "北京1954 与图幅的坐标系 2000国家大地坐标系", 0},
      {4214, Datum::Beijing54, "", 0},
      {4490, Datum::Cgcs2000, "", 0},
      {4326, Datum::Cgcs2000, "", 1e-6},  // WGS 84 to CGCS2000 by PROJ, below a metre
      // Systems PROJ could only take as they are.
      {4555, Datum::Cgcs2000, "New Beijing 与图幅的坐标系 2000国家大地坐标系", 0},
      {4610, Datum::Beijing54, "西安1980 与图幅的坐标系 北京1954", 0},
      // Hong Kong 1980, which PROJ takes to WGS 84 (170 m or so), and so
      // to CGCS2000: no notice.
      {4611, Datum::Cgcs2000, "", 0.01},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.fileEpsg) + " to datum " + std::to_string(static_cast<int>(c.datum)));
    const std::string file = GeoJson("parts.geojson", c.fileEpsg, kTwoParts);
    const AreaFile a = ReadAreaFile(file, c.datum);
    EXPECT_EQ(a.polygons, 2u);
    ASSERT_EQ(a.area.size(), 2u);
    ASSERT_EQ(a.area[0].rings.size(), 2u);  // the shell and its hole
    ASSERT_EQ(a.area[1].rings.size(), 1u);
    ASSERT_GE(a.area[0].rings[1].size(), 3u);
    EXPECT_NEAR(a.area[0].rings[1][0].lon, 116.05, c.tolerance);
    EXPECT_NEAR(a.area[0].rings[1][0].lat, 39.02, c.tolerance);
    EXPECT_NEAR(a.area[1].rings[0][2].lon, 117.05, c.tolerance);
    EXPECT_NEAR(a.area[1].rings[0][2].lat, 40.1, c.tolerance);
    if (*c.notice) {
      EXPECT_NE(a.notice.find(c.notice), std::string::npos) << a.notice;
    } else {
      EXPECT_EQ(a.notice, "");
    }
    std::remove(file.c_str());
  }
}

// A parcel drawn on the Beijing 1954 Gauss-Krüger plane of zone 39 comes
// back to the longitudes and latitudes the program's own projection gave it.
TEST(AreaFile, ProjectedCoordinatesAreTakenBackToLongitudeAndLatitude) {
  const double corners[][2] = {{116.5, 39.5}, {116.6, 39.5}, {116.6, 39.6}, {116.5, 39.6}};
  std::ostringstream ring;
  ring.precision(17);
  for (int k = 0; k <= 4; ++k) {
    const auto& g = corners[k % 4];
    const TPlanePoint p = GeoToPlane(Datum::Beijing54, {DegToDms(g[0]), DegToDms(g[1])}, true, 117);
    ring << (k ? "," : "") << "[" << p.X << "," << p.Y << "]";  // easting with its zone 39, northing
  }
  const std::string file = GeoJson(
      "plane.geojson", 2415,
      R"({"type":"Feature","properties":{},"geometry":{"type":"Polygon","coordinates":[[)" + ring.str() + "]]}}");
  for (const Datum datum : {Datum::Beijing54, Datum::Cgcs2000}) {
    const AreaFile a = ReadAreaFile(file, datum);
    ASSERT_EQ(a.area.size(), 1u);
    ASSERT_GE(a.area[0].rings[0].size(), 4u);
    // On CGCS2000 the projection is undone on Beijing 1954 and the degrees
    // are taken as they are, with the notice.
    EXPECT_EQ(a.notice.empty(), datum == Datum::Beijing54) << a.notice;
    for (int k = 0; k < 4; ++k) {
      EXPECT_NEAR(a.area[0].rings[0][k].lon, corners[k][0], 1e-8) << k;
      EXPECT_NEAR(a.area[0].rings[0][k].lat, corners[k][1], 1e-8) << k;
    }
  }
  std::remove(file.c_str());
}

TEST(AreaFile, UnreadableFilesLayersAndFiltersNameTheFileAndTheReason) {
  const std::string file = GeoJson("refused.geojson", 4214, kTwoParts);
  // A KML whose polygon has a tuple that is no pair of numbers: GDAL's KML
  // driver would drop it and list the sheets of a triangle.
  const auto kml = [](const std::string& name, const std::string& third) {
    const std::string path = Temp(name);
    std::ofstream(path) << "<?xml version=\"1.0\"?><kml xmlns=\"http://www.opengis.net/kml/2.2\"><!-- a, b -->"
                           "<Placemark><Point><coordinates>1,2</coordinates></Point></Placemark><Placemark>"
                           "<Polygon><outerBoundaryIs><LinearRing><coordinates>116.1,39.8 116.3,39.8 "
                        << third << " 116.1,40 116.1,39.8</coordinates></LinearRing></outerBoundaryIs></Polygon>"
                        << "</Placemark></kml>";
    return path;
  };
  const std::string nan = kml("nan.kml", "nan,40"), letters = kml("abc.kml", "116.3,abc,0");
  struct Case {
    std::string file, layer, where;
    const char* reason;
  } cases[] = {
      {Temp("missing.shp"), "", "", "No such file or directory"},
      // A filter that GDAL's SQL does not take whole; one that matches
      // nothing says so and quotes no earlier warning.
      {file, "", "1=1; DROP TABLE a", "筛选条件无效"},
      {file, "", "name = 'c'", "没有多边形"},
      {file, "counties", "", "没有图层 counties"},
      {file, "", "name = 'b'", "没有多边形"},  // only the line
      {file, "", "no_such_field = 1", "筛选条件无效"},
      // Counted from 1 over the polygons' coordinates (the point's are not).
      {nan, "", "", "第 3 个坐标“nan,40”不是经度,纬度"},
      {letters, "", "", "第 3 个坐标“116.3,abc,0”不是经度,纬度"},
  };
  for (const Case& c : cases) {
    try {
      ReadAreaFile(c.file, c.layer, c.where, Datum::Beijing54);
      ADD_FAILURE() << c.reason << ": not refused";
    } catch (const Error& e) {
      const std::string text = e.what();
      EXPECT_NE(text.find(c.file), std::string::npos) << text;
      EXPECT_NE(text.find(c.reason), std::string::npos) << text;
    }
  }
  // A filter that matches nothing after one that GDAL warned about: the
  // message is the program's own, quoting nothing of the earlier warning.
  try {
    ReadAreaFile(file, "", "no_such_field = 1", Datum::Beijing54);
  } catch (const Error&) {
  }
  try {
    ReadAreaFile(file, "", "name = 'c'", Datum::Beijing54);
    ADD_FAILURE() << "not refused";
  } catch (const Error& e) {
    EXPECT_EQ(std::string(e.what()), "无法读取范围文件 " + file + "：没有多边形");
  }
  // The same KML with numbers there is read whole.
  const std::string good = kml("good.kml", "116.3,40.0");
  EXPECT_EQ(ReadAreaFile(good, Datum::Cgcs2000).area.at(0).rings.at(0).size(), 5u);
  for (const std::string& f : {file, nan, letters, good}) std::remove(f.c_str());
}

// Area files are read locally and only as local vector formats: a VRT
// saved under a GeoJSON or Shapefile name (which could name a URL or standard
// input), GDAL's virtual file systems, URLs and FIFOs are refused at once.
TEST(AreaFile, OnlyLocalFilesOfLocalFormatsAreRead) {
  const std::string vrtBody =
      R"(<OGRVRTDataSource><OGRVRTLayer name="x"><SrcDataSource>/vsicurl/http://127.0.0.1:9/x.geojson</SrcDataSource></OGRVRTLayer></OGRVRTDataSource>)";
  const std::string disguised = Temp("disguised.geojson");
  std::ofstream(disguised) << vrtBody;
  const std::string stdinVrt = Temp("stdin.shp");
  std::ofstream(stdinVrt)
      << R"(<OGRVRTDataSource><OGRVRTLayer name="x"><SrcDataSource>/vsistdin/</SrcDataSource></OGRVRTLayer></OGRVRTDataSource>)";
  const std::string fifo = Temp("fifo.geojson");
  std::remove(fifo.c_str());
  ASSERT_EQ(mkfifo(fifo.c_str(), 0600), 0);
  struct Case { std::string file; const char* reason; } cases[] = {
      {disguised, "不是可读的本地矢量文件"},
      {stdinVrt, "不是可读的本地矢量文件"},
      {"/vsicurl/http://127.0.0.1:9/x.geojson", "/vsi"},
      {"/vsistdin/", "/vsi"},
      {"http://127.0.0.1:9/x.geojson", "不读取网址"},
      {fifo, "不是普通文件"},
  };
  for (const Case& c : cases) {
    try {
      ReadAreaFile(c.file, Datum::Cgcs2000);
      ADD_FAILURE() << c.file << ": read";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.reason), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.file), std::string::npos) << e.what();
    }
  }
  for (const std::string& f : {disguised, stdinVrt, fifo}) std::remove(f.c_str());
  // A folder whose name merely holds "/vsi" is a folder like any other.
  const std::string folder = testing::TempDir() + "vsidata_" + std::to_string(getpid());
  mkdir(folder.c_str(), 0700);
  const std::string inside = folder + "/a.geojson";
  std::ofstream(inside) << R"({"type":"FeatureCollection","features":[)" << kTwoParts << "]}";
  EXPECT_EQ(ReadAreaFile(inside, Datum::Cgcs2000).polygons, 2u);
  std::remove(inside.c_str());
  rmdir(folder.c_str());
}

// GDAL's own reasons reach the message, not only its last word ("Failed to
// read GeoJSON data"), which hides why.
TEST(AreaFile, EveryReasonGdalGivesIsKept) {
  const std::string big = Temp("big.geojson");
  {
    std::ofstream out(big);
    out << R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{"pad":")";
    out << std::string(11 * 1000 * 1000, 'x');  // past json-c's longest token
    out << R"("},"geometry":{"type":"Polygon","coordinates":[[[116,39],[117,39],[117,40],[116,39]]]}}]})";
  }
  try {
    ReadAreaFile(big, Datum::Cgcs2000);
    ADD_FAILURE() << "read";
  } catch (const Error& e) {
    const std::string text = e.what();
    const std::size_t last = text.find("Failed to read GeoJSON data");
    ASSERT_NE(last, std::string::npos) << text;
    // Something of GDAL's stands before its last word.
    EXPECT_NE(text.rfind("（", last), std::string::npos) << text;
    EXPECT_GT(last - text.rfind("（", last), 10u) << text;
  }
  std::remove(big.c_str());
}

std::string Feature(const std::string& ring) {
  return R"({"type":"Feature","properties":{},"geometry":{"type":"Polygon","coordinates":[[)" + ring + "]]}}";
}

// Overlapping polygons are merged, so a sheet covered by two of them is not
// counted twice; self-intersecting rings are repaired, keeping every lobe;
// a coordinate that is no number is refused naming the file.
TEST(AreaFile, OverlapsAreMergedBowTiesRepairedAndNaNRefused) {
  struct Case {
    const char* name;
    std::string features;
    double area;      // square degrees of the area read, 0 for refused
    const char* what;  // in the notice, or in the refusal
  } cases[] = {
      {"two overlapping squares",
       Feature("[116,39],[117,39],[117,40],[116,40],[116,39]") + "," +
           Feature("[116.5,39],[117.5,39],[117.5,40],[116.5,40],[116.5,39]"),
       1.5, "合并"},
      {"an asymmetric bow-tie", Feature("[116,39],[118,41],[118,39],[116,40],[116,39]"),
       // two triangles meeting at (116⅔, 39⅔): ½·1·⅔ + ½·2·1⅓
       5.0 / 3, "自相交的多边形已修复"},
      {"a square with a zero-width spike",
       Feature("[116,39],[117,39],[117,39.5],[118,39.5],[117,39.5],[117,40],[116,40],[116,39]"), 1.0,
       "自相交的多边形已修复"},
      {"a NaN vertex", Feature("[116,39],[NaN,39],[117,40],[116,39]"), 0, "不是有限数"},
      // Refused before any repair, as the page refuses it, not "repaired".
      {"a one-point polygon beside a square",
       Feature("[116,39],[117,39],[117,40],[116,40],[116,39]") + "," + Feature("[116.1,39.8]"), 0,
       "第 2 个多边形的外环只有 1 个不同的点，围不成面"},
      // Repaired into a line: no area is left, and the file is refused.
      {"three points on a line", Feature("[116,39],[116.5,39],[117,39],[116,39]"), 0, "多边形没有面积"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::string file = GeoJson("repair.geojson", 4490, c.features);
    try {
      const AreaFile a = ReadAreaFile(file, Datum::Cgcs2000);
      double area = 0;
      for (const GeoPolygon& p : a.area) {
        for (std::size_t r = 0; r < p.rings.size(); ++r) {
          double twice = 0;
          const GeoRing& ring = p.rings[r];
          for (std::size_t i = 0; i < ring.size(); ++i) {
            const GeoPoint& u = ring[i];
            const GeoPoint& v = ring[(i + 1) % ring.size()];
            twice += u.lon * v.lat - v.lon * u.lat;
          }
          area += (r == 0 ? 1 : -1) * std::abs(twice) / 2;
        }
      }
      EXPECT_NEAR(area, c.area, 1e-9);
      EXPECT_NE(a.notice.find(c.what), std::string::npos) << a.notice;
    } catch (const Error& e) {
      EXPECT_EQ(c.area, 0) << e.what();
      EXPECT_NE(std::string(e.what()).find(c.what), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find(file), std::string::npos) << e.what();
    }
    std::remove(file.c_str());
  }
}

}  // namespace
}  // namespace karvento
