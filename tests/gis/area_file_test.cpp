// Polygon files read as areas of interest: rings and holes kept, coordinates
// brought to the sheet datum's longitude and latitude by PROJ, and a notice
// where the file's datum has no official transformation to the sheets'.
#include <gtest/gtest.h>
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
      {4326, Datum::Beijing54, "WGS 84 与图幅的坐标系 Beijing 1954", 0},
      {4326, Datum::Xian80, "WGS 84 与图幅的坐标系 Xi'an 1980", 0},
      {4490, Datum::Beijing54, "CGCS2000 与图幅的坐标系 Beijing 1954", 0},
      {4214, Datum::Cgcs2000, "Beijing 1954 与图幅的坐标系 CGCS2000", 0},
      {4214, Datum::Beijing54, "", 0},
      {4490, Datum::Cgcs2000, "", 0},
      {4326, Datum::Cgcs2000, "", 1e-6},  // WGS 84 to CGCS2000 by PROJ, below a metre
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
  struct Case {
    std::string file, layer, where;
    const char* reason;
  } cases[] = {
      {Temp("missing.shp"), "", "", "不是 GDAL 能读的矢量文件"},
      {file, "counties", "", "没有图层 counties"},
      {file, "", "name = 'b'", "没有多边形"},  // only the line
      {file, "", "no_such_field = 1", "筛选条件无效"},
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
  std::remove(file.c_str());
}

}  // namespace
}  // namespace karvento
