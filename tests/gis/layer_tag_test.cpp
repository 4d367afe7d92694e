// SPDX-License-Identifier: Apache-2.0
// 图幅号赋值 of whole layers, against an independent computation: each point's
// sheet from the grid arithmetic and the number formula of the new standard;
// each line's and polygon's sheets from OGR's own intersection with every
// sheet rectangle. Points and vertices on sheet lines go east and north.
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <unistd.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <random>
#include <string>
#include <vector>

#include "geodesy/projection.h"
#include "geodesy/transform.h"
#include "gis/gdal_session.h"
#include "gis/layer_tag.h"
#include "numbering/area.h"
#include "numbering/error.h"
#include "numbering/scales.h"

namespace karvento {
namespace {

std::string Temp(const std::string& name) {
  return ::testing::TempDir() + "tag_" + std::to_string(getpid()) + "_" + name;
}

// A GeoPackage of features (WKT, in the system given as GDAL takes it:
// "EPSG:4490", a PROJ string) with an "id" field.
std::string WriteLayer(const std::string& name, const std::string& system, const std::vector<std::string>& wkts) {
  EnsureGdal();
  const std::string file = Temp(name);
  std::remove(file.c_str());
  std::unique_ptr<GDALDataset> ds(GetGDALDriverManager()->GetDriverByName("GPKG")->Create(
      file.c_str(), 0, 0, 0, GDT_Unknown, nullptr));
  OGRSpatialReference srs;
  EXPECT_EQ(srs.SetFromUserInput(system.c_str()), OGRERR_NONE) << system;
  srs.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
  OGRLayer* layer = ds->CreateLayer("in", &srs, wkbUnknown, nullptr);
  OGRFieldDefn id("id", OFTInteger);
  layer->CreateField(&id);
  ds->StartTransaction();
  for (std::size_t i = 0; i < wkts.size(); ++i) {
    OGRFeature f(layer->GetLayerDefn());
    f.SetField(0, static_cast<int>(i));
    OGRGeometry* g = nullptr;
    EXPECT_EQ(OGRGeometryFactory::createFromWkt(wkts[i].c_str(), nullptr, &g), OGRERR_NONE) << wkts[i];
    f.SetGeometryDirectly(g);
    EXPECT_EQ(layer->CreateFeature(&f), OGRERR_NONE);
  }
  ds->CommitTransaction();
  return file;
}
std::string WriteLayer(const std::string& name, int epsg, const std::vector<std::string>& wkts) {
  return WriteLayer(name, "EPSG:" + std::to_string(epsg), wkts);
}

// Field text by feature id and field name.
std::map<int, std::map<std::string, std::string>> ReadTags(const std::string& file) {
  std::map<int, std::map<std::string, std::string>> out;
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR));
  EXPECT_TRUE(ds) << file;
  if (!ds) return out;
  OGRLayer* layer = ds->GetLayer(0);
  for (auto& f : *layer) {
    auto& row = out[f->GetFieldAsInteger("id")];
    for (int i = 0; i < f->GetFieldCount(); ++i) {
      std::string& cell = row[f->GetFieldDefnRef(i)->GetNameRef()];
      if (!cell.empty()) cell += "|";  // exploded rows of one feature
      cell += f->IsFieldSetAndNotNull(i) ? f->GetFieldAsString(i) : "";
    }
  }
  return out;
}

// ---- The independent computation ---------------------------------------------

// floor(v / step) by exact comparison with the lines k × step.
long long Floor(double v, double step) {
  long long k = static_cast<long long>(v / step);
  while (static_cast<double>(k) * step > v) --k;
  while (static_cast<double>(k + 1) * step <= v) ++k;
  return k;
}

// The new-standard number of grid cell (column, row) from 0° E and the
// equator: the 1:100万 row letter and column, the scale code, then the row
// counted from the north and the column from the west of the 1:100万 sheet.
std::string NewNumber(long long column, long long row, ScaleIndex s) {
  const double w = LonStepTable[s], h = LatStepTable[s];
  const long long perCol = static_cast<long long>(21600 / w), perRow = static_cast<long long>(14400 / h);
  const long long millionColumn = column / perCol + 31, millionRow = row / perRow;
  char buf[64];
  const int digits = s >= 9 ? 4 : 3;
  std::snprintf(buf, sizeof buf, "%c%02lld%c%0*lld%0*lld", static_cast<char>('A' + millionRow), millionColumn,
                kNewScaleCodes[s], digits, perRow - row % perRow, digits, column % perCol + 1);
  return buf;
}

// A vertex within 1e-6″ of a grid line lies on it (the edge rule of areas).
double OnLine(double sec, double step) {
  const double k = std::round(sec / step);
  return std::abs(sec - k * step) <= 1e-6 ? k * step : sec;
}

// The geometry in seconds of arc, vertices put on the scale's grid lines.
std::unique_ptr<OGRGeometry> InSeconds(const std::string& wkt, ScaleIndex s) {
  OGRGeometry* g = nullptr;
  OGRGeometryFactory::createFromWkt(wkt.c_str(), nullptr, &g);
  struct ToSeconds : OGRCoordinateTransformation {
    double w, h;
    OGRSpatialReference* GetSourceCS() override { return nullptr; }
    OGRSpatialReference* GetTargetCS() override { return nullptr; }
    int Transform(int n, double* x, double* y, double*, double*, int* ok) override {
      for (int i = 0; i < n; ++i) {
        x[i] = OnLine(x[i] * 3600, w);
        y[i] = OnLine(y[i] * 3600, h);
        if (ok) ok[i] = TRUE;
      }
      return TRUE;
    }
    OGRCoordinateTransformation* Clone() const override { return new ToSeconds(*this); }
    OGRCoordinateTransformation* GetInverse() const override { return nullptr; }
  } t;
  t.w = LonStepTable[s];
  t.h = LatStepTable[s];
  g->transform(&t);
  return std::unique_ptr<OGRGeometry>(g);
}

OGRLineString Segment(double x0, double y0, double x1, double y1) {
  OGRLineString l;
  l.addPoint(x0, y0);
  l.addPoint(x1, y1);
  return l;
}

// The numbers of a geometry's sheets in grid order (columns west to east,
// each north to south), joined by ";": a polygon gets the sheets whose
// rectangle meets it in positive area; a line those in which it has
// positive length, each sheet holding its west and south edges but not its
// east and north ones.
std::string Expected(const std::string& wkt, ScaleIndex s) {
  const std::unique_ptr<OGRGeometry> g = InSeconds(wkt, s);
  const double w = LonStepTable[s], h = LatStepTable[s];
  OGREnvelope e;
  g->getEnvelope(&e);
  const bool area = wkbFlatten(g->getGeometryType()) == wkbPolygon;
  std::string out;
  for (long long c = Floor(e.MinX, w) - 1; c <= Floor(e.MaxX, w) + 1; ++c) {
    for (long long r = Floor(e.MaxY, h) + 1; r >= Floor(e.MinY, h) - 1; --r) {
      const double x0 = static_cast<double>(c) * w, x1 = x0 + w, y0 = static_cast<double>(r) * h, y1 = y0 + h;
      OGRPolygon rect;
      OGRLinearRing ring;
      for (const auto& [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) ring.addPoint(x, y);
      rect.addRing(&ring);
      const std::unique_ptr<OGRGeometry> in(g->Intersection(&rect));
      bool meets = false;
      if (area) {
        double covered = 0;
        const OGRwkbGeometryType t = in ? wkbFlatten(in->getGeometryType()) : wkbUnknown;
        if (t == wkbPolygon) covered = in->toPolygon()->get_Area();
        if (t == wkbMultiPolygon || t == wkbGeometryCollection) {
          for (const OGRGeometry* part : *in->toGeometryCollection()) {
            if (wkbFlatten(part->getGeometryType()) == wkbPolygon) covered += part->toPolygon()->get_Area();
          }
        }
        meets = covered > 1e-9 * w * h;
      } else if (in) {
        const auto length = [](const OGRGeometry* x) {
          double sum = 0;
          if (x == nullptr) return sum;
          const OGRwkbGeometryType t = wkbFlatten(x->getGeometryType());
          if (t == wkbLineString) return x->toLineString()->get_Length();
          if (t == wkbMultiLineString || t == wkbGeometryCollection) {
            for (const OGRGeometry* part : *x->toGeometryCollection()) {
              if (wkbFlatten(part->getGeometryType()) == wkbLineString) sum += part->toLineString()->get_Length();
            }
          }
          return sum;
        };
        const OGRLineString east = Segment(x1, y0, x1, y1), north = Segment(x0, y1, x1, y1);
        const std::unique_ptr<OGRGeometry> onEast(in->Intersection(&east)), onNorth(in->Intersection(&north));
        meets = length(in.get()) - length(onEast.get()) - length(onNorth.get()) > 1e-6;
      }
      if (meets) out += (out.empty() ? "" : ";") + NewNumber(c, r, s);
    }
  }
  return out;
}

// The four scales of the table and their new-standard field names.
const ScaleIndex kScales[] = {2, 4, 6, 8};  // 1:25万, 1:5万, 1:1万, 1:2000
std::string Field(ScaleIndex s) { return TagFields(s, TagFormat::GeoPackage, false).fresh; }

LayerTagRequest Request(const std::string& in, const std::string& out) {
  LayerTagRequest q;
  q.input = in;
  q.output = out;
  q.scales.assign(std::begin(kScales), std::end(kScales));
  return q;
}

std::string Wkt(const char* type, const std::vector<std::pair<double, double>>& v) {
  std::string s = std::string(type) + (std::string(type) == "POLYGON" ? "((" : "(");
  for (std::size_t i = 0; i < v.size(); ++i) {
    char buf[80];
    std::snprintf(buf, sizeof buf, "%s%.17g %.17g", i ? "," : "", v[i].first, v[i].second);
    s += buf;
  }
  return s + (std::string(type) == "POLYGON" ? "))" : ")");
}

TEST(LayerTag, PointsLinesAndPolygonsOverChinaAtFourScales) {
  std::mt19937_64 rng(35);
  std::uniform_real_distribution<double> lonOf(73.5, 134.5), latOf(18.5, 53);
  std::uniform_int_distribution<int> pick(0, 3);
  // A coordinate on a grid line of one of the four scales, a quarter of the
  // time: exactly k × step seconds, written in degrees.
  const auto maybeOnLine = [&](double deg, bool lon) {
    if (pick(rng) != 0) return deg;
    const ScaleIndex s = kScales[pick(rng)];
    const double step = lon ? LonStepTable[s] : LatStepTable[s];
    return std::round(deg * 3600 / step) * step / 3600;
  };
  std::vector<std::string> wkts;
  std::vector<std::pair<double, double>> points;
  for (int i = 0; i < 10000; ++i) {
    points.emplace_back(maybeOnLine(lonOf(rng), true), maybeOnLine(latOf(rng), false));
    wkts.push_back(Wkt("POINT", {points.back()}));
  }
  std::uniform_real_distribution<double> size(0.005, 0.3), unit(0, 1);
  for (int i = 0; i < 200; ++i) {
    const double cx = lonOf(rng), cy = latOf(rng), r = size(rng);
    std::vector<std::pair<double, double>> v;
    if (i % 4 == 0) {
      // A polygon star-shaped about its centre.
      const int n = 4 + pick(rng) * 3;
      std::vector<double> angles;  // no gap of π or more: the ring is simple
      for (int k = 0; k < n; ++k) angles.push_back((k + 0.5 * unit(rng)) / n * 2 * M_PI);
      for (const double a : angles) {
        const double radius = r * (0.2 + unit(rng));
        v.emplace_back(cx + radius * std::cos(a), cy + radius * std::sin(a));
      }
      v.push_back(v.front());
      wkts.push_back(Wkt("POLYGON", v));
    } else if (i % 4 == 1) {
      // A rectangle whose edges often lie on sheet lines: it touches the
      // sheets beyond them and must not get them.
      const double x0 = maybeOnLine(cx, true), x1 = maybeOnLine(cx + r, true);
      const double y0 = maybeOnLine(cy, false), y1 = maybeOnLine(cy + r / 2, false);
      wkts.push_back(Wkt("POLYGON", {{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}));
    } else if (i % 4 == 2) {
      // A polyline of random vertices, some on sheet lines.
      for (int k = 0; k < 2 + pick(rng); ++k) {
        v.emplace_back(maybeOnLine(cx + r * (unit(rng) - 0.5), true), maybeOnLine(cy + r * (unit(rng) - 0.5), false));
      }
      wkts.push_back(Wkt("LINESTRING", v));
    } else {
      // A line along a meridian and a parallel, often a sheet line itself.
      const double x = maybeOnLine(cx, true), y = maybeOnLine(cy, false);
      wkts.push_back(Wkt("LINESTRING", {{x, cy - r}, {x, y}, {x + r, y}}));
    }
  }
  const std::string in = WriteLayer("mixed.gpkg", 4490, wkts);
  const std::string out = Temp("mixed_out.gpkg");
  LayerTagRequest q = Request(in, out);
  q.sheetDatum = Datum::Cgcs2000;
  const LayerTagResult r = TagLayer(q);
  EXPECT_EQ(r.features, wkts.size());
  EXPECT_EQ(r.rows, wkts.size());
  const auto tags = ReadTags(out);
  ASSERT_EQ(tags.size(), wkts.size());
  int onLines = 0, several = 0;
  for (std::size_t i = 0; i < wkts.size(); ++i) {
    for (const ScaleIndex s : kScales) {
      std::string expected;
      if (i < points.size()) {
        const double x = points[i].first * 3600, y = points[i].second * 3600;
        expected = NewNumber(Floor(x, LonStepTable[s]), Floor(y, LatStepTable[s]), s);
        onLines += x == std::round(x / LonStepTable[s]) * LonStepTable[s];
      } else {
        expected = Expected(wkts[i], s);
        several += expected.find(';') != std::string::npos;
      }
      ASSERT_EQ(tags.at(static_cast<int>(i)).at(Field(s)), expected) << wkts[i] << " at " << kScaleCaptions[s];
    }
  }
  // The table holds what it claims: points on sheet lines, features across
  // several sheets.
  EXPECT_GT(onLines, 500);
  EXPECT_GT(several, 300);
}

TEST(LayerTag, CoverExplodeOldNumbersAndTheShapefileLimit) {
  // A square over four 1:1万 sheets, a quarter in each; a line 3/4 in one.
  const double x = 116.25, y = 39.75;  // a corner of four 1:1万 sheets
  const std::vector<std::string> wkts = {
      Wkt("POLYGON", {{x - 0.01, y - 0.01}, {x + 0.01, y - 0.01}, {x + 0.01, y + 0.01}, {x - 0.01, y + 0.01}, {x - 0.01, y - 0.01}}),
      Wkt("LINESTRING", {{x - 0.03, 39.74}, {x + 0.01, 39.74}}),
      // 1:2000 sheets along 3° of longitude: far beyond a .dbf field.
      Wkt("LINESTRING", {{113.01, 39.99}, {116.01, 39.99}}),
      // The square and a point in a sheet of its own, one feature.
      "GEOMETRYCOLLECTION (POINT (116.4 39.72), " +
          Wkt("POLYGON", {{x - 0.01, y - 0.01}, {x + 0.01, y - 0.01}, {x + 0.01, y + 0.01}, {x - 0.01, y + 0.01}, {x - 0.01, y - 0.01}}) + ")"};
  const std::string in = WriteLayer("cover.gpkg", 4490, wkts);
  LayerTagRequest q = Request(in, Temp("cover_out.gpkg"));
  q.scales = {6};
  q.cover = true;
  q.oldStandard = true;
  TagLayer(q);
  auto tags = ReadTags(q.output);
  EXPECT_EQ(tags[0]["图幅号_1万"], "J50G006036;J50G007036;J50G006037;J50G007037");
  EXPECT_EQ(tags[0]["旧图幅号_1万"], "J-50-5-(44);J-50-5-(52);J-50-5-(45);J-50-5-(53)");
  EXPECT_EQ(tags[0]["覆盖_1万"], "0.25;0.25;0.25;0.25");
  EXPECT_EQ(tags[1]["覆盖_1万"], "0.75;0.25");
  EXPECT_EQ(tags[3]["图幅号_1万"], tags[0]["图幅号_1万"] + ";" + NewNumber(Floor(116.4 * 3600, 225), Floor(39.72 * 3600, 150), 6));
  EXPECT_EQ(tags[3]["覆盖_1万"], "0.25;0.25;0.25;0.25;0");

  q.explode = true;
  q.output = Temp("cover_explode.gpkg");
  q.scales = {4, 6};
  TagLayer(q);
  tags = ReadTags(q.output);
  EXPECT_EQ(tags[1]["图幅号_1万"], "J50G007036|J50G007037");
  EXPECT_EQ(tags[1]["图幅号_5万"], "J50E002009|J50E002010");  // the 1:5万 sheet holding each
  EXPECT_EQ(tags[1]["覆盖_1万"], "0.75|0.25");

  q.explode = false;
  q.cover = false;
  q.scales = {8};
  q.oldStandard = false;
  q.format = TagFormat::Shapefile;
  q.input = WriteLayer("lines.gpkg", 4490, {wkts[1], wkts[2]});  // one geometry type, as a Shapefile holds
  q.output = Temp("long.shp");
  try {
    TagLayer(q);
    ADD_FAILURE() << "a field of more than 254 bytes was written";
  } catch (const Error& e) {
    EXPECT_NE(std::string(e.what()).find("254 字节：请用 --explode"), std::string::npos) << e.what();
  }
  EXPECT_NE(access(q.output.c_str(), F_OK), 0);  // nothing left behind
  q.explode = true;
  EXPECT_EQ(TagLayer(q).rows, 4 + 289u);  // 4 sheets, and 3° of 37.5″ sheets

  // Read back through GDAL: the 10-byte names (the Chinese ones would not
  // fit even in GBK), every value of the first line's rows, the old
  // standard beside the new.
  q.input = WriteLayer("line.gpkg", 4490, {wkts[1]});
  q.output = Temp("line.shp");
  q.scales = {4, 6};
  q.oldStandard = true;
  q.cover = true;
  EXPECT_EQ(TagLayer(q).rows, 2u);
  tags = ReadTags(q.output);
  ASSERT_EQ(tags.size(), 1u);
  std::map<std::string, std::string> expected = {{"id", "0|0"},
                                                 {"S_10000", "J50G007036|J50G007037"},
                                                 {"O_10000", "J-50-5-(52)|J-50-5-(53)"},
                                                 {"C_10000", "0.750000000000000|0.250000000000000"},  // a .dbf number of 15 decimals
                                                 {"S_50000", "J50E002009|J50E002010"},
                                                 {"O_50000", "J-50-5-C|J-50-5-D"}};
  EXPECT_EQ(tags[0], expected);
}

// A field of the input named like a number field (a layer tagged before,
// or by another program, as an integer or a narrow text) gives its place to
// the numbers, whole. A feature that the output's writer refuses by an error
// alone is the output's failure, not the input's.
TEST(LayerTag, FieldsNamedLikeTheNumbersAreWrittenOverWholeAndWriteFailuresNameTheOutput) {
  const double x = 116.25, y = 39.75;  // a corner of four 1:1万 sheets
  const std::string square =
      Wkt("POLYGON", {{x - 0.01, y - 0.01}, {x + 0.01, y - 0.01}, {x + 0.01, y + 0.01}, {x - 0.01, y + 0.01}, {x - 0.01, y - 0.01}});
  for (const TagFormat format : {TagFormat::GeoPackage, TagFormat::Shapefile}) {
    const TagFieldNames names = TagFields(6, format, false);
    SCOPED_TRACE(names.fresh);
    const std::string in = WriteLayer("named.gpkg", 4490, {square});
    {
      std::unique_ptr<GDALDataset> ds(GDALDataset::Open(in.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
      OGRLayer* layer = ds->GetLayer(0);
      OGRFieldDefn number(names.fresh.c_str(), OFTInteger), cover(names.cover.c_str(), OFTString);
      cover.SetWidth(10);
      ASSERT_EQ(layer->CreateField(&number), OGRERR_NONE);
      ASSERT_EQ(layer->CreateField(&cover), OGRERR_NONE);
      std::unique_ptr<OGRFeature> f(layer->GetFeature(1));
      f->SetField(names.fresh.c_str(), 7);
      f->SetField(names.cover.c_str(), "x");
      ASSERT_EQ(layer->SetFeature(f.get()), OGRERR_NONE);
    }
    LayerTagRequest q = Request(in, Temp(format == TagFormat::Shapefile ? "named.shp" : "named_out.gpkg"));
    q.format = format;
    q.scales = {6};
    q.cover = true;
    TagLayer(q);
    const auto tags = ReadTags(q.output);
    EXPECT_EQ(tags.at(0).at(names.fresh), "J50G006036;J50G007036;J50G006037;J50G007037");
    EXPECT_EQ(tags.at(0).at(names.cover), "0.25;0.25;0.25;0.25");
  }

  LayerTagRequest q = Request(WriteLayer("empty_point.gpkg", 4490, {"POINT EMPTY"}), Temp("empty_point.kml"));
  q.format = TagFormat::Kml;
  q.scales = {6};
  try {
    TagLayer(q);
    ADD_FAILURE() << "KML took a point it cannot hold";
  } catch (const Error& e) {
    const std::string what = e.what();
    EXPECT_NE(what.find(q.output), std::string::npos) << what;
    EXPECT_EQ(what.find("无法读取"), std::string::npos) << what;
  }
  EXPECT_NE(access(q.output.c_str(), F_OK), 0);
}

TEST(LayerTag, OtherDatumsRefusedUnlessRelated) {
  // Points 30 m or so east of 1:1万 sheet lines: a shift of 100 m moves
  // them across.
  TransformParams t;
  t.bursa = {-15.415, 150.296, 72.452, 1.218, -0.804, 2.537, -3.113, RotationConvention::PositionVector};
  std::vector<std::string> wkts;
  std::vector<GeodeticPoint> points;
  for (int i = 0; i < 40; ++i) {
    points.push_back({100 + i * 0.8125 + 0.0003 * (i % 3), 25 + i * 0.5 + 0.0003 * (i % 2), 0});
    wkts.push_back(Wkt("POINT", {{points.back().lon, points.back().lat}}));
  }
  struct Case {
    int epsg;
    Datum sheets;
    bool inverse;
  } cases[] = {{4214, Datum::Cgcs2000, false}, {4490, Datum::Beijing54, true}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.epsg);
    const std::string in = WriteLayer("datum.gpkg", c.epsg, wkts);
    LayerTagRequest q = Request(in, Temp("datum_out.gpkg"));
    q.scales = {6};
    q.sheetDatum = c.sheets;
    try {
      TagLayer(q);
      ADD_FAILURE() << "a layer on another datum was tagged";
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find("相差可达约 100 米"), std::string::npos) << e.what();
      EXPECT_NE(std::string(e.what()).find("--transform"), std::string::npos) << e.what();
    }
    q.transform = t;
    TagLayer(q);
    const auto tags = ReadTags(q.output);
    int moved = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      const GeodeticPoint p = TransformGeodetic(t, points[i], c.inverse);
      const std::string expected = NewNumber(Floor(p.lon * 3600, 225), Floor(p.lat * 3600, 150), 6);
      EXPECT_EQ(tags.at(static_cast<int>(i)).at("图幅号_1万"), expected);
      moved += expected != NewNumber(Floor(points[i].lon * 3600, 225), Floor(points[i].lat * 3600, 150), 6);
    }
    EXPECT_GT(moved, 5);  // the relation decided some numbers
  }
}

// Systems that PROJ relates to the sheets' only by taking the coordinates
// as they are: refused, but for two geocentric ones; a system PROJ takes to
// WGS 84 alone goes that way.
TEST(LayerTag, SystemsWithoutATransformationToTheSheetsAreRefusedButGeocentricOnes) {
  // Points in Hong Kong, 30 m or so north of 1:1万 sheet lines (Hong Kong
  // 1980 lies about 170 m north of WGS 84).
  std::vector<std::pair<double, double>> points;
  std::vector<std::string> wkts;
  for (int i = 0; i < 12; ++i) {
    points.emplace_back(113.9 + i * 0.05, (533 + i % 8) * 150.0 / 3600 + 0.0003);
    wkts.push_back(Wkt("POINT", {points.back()}));
  }
  struct Case {
    const char* system;
    const char* notice;  // empty: refused
    Datum sheets = Datum::Cgcs2000;
  } cases[] = {
      {"+proj=longlat +ellps=krass +no_defs", ""},  // a Beijing 1954 file without its datum's name
      {"EPSG:4555", ""},                            // New Beijing
      {"+proj=longlat +ellps=GRS80 +no_defs", "两者都是地心坐标系"},
      {"EPSG:4611", "经 PROJ 换算到 WGS 84"},  // Hong Kong 1980
      // Nothing has an official transformation to Beijing 1954, whatever
      // PROJ may chain (Tokyo to WGS 84, WGS 84 to Beijing 1954 for oil fields).
      {"EPSG:4301", "", Datum::Beijing54},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.system);
    LayerTagRequest q = Request(WriteLayer("system.gpkg", c.system, wkts), Temp("system_out.gpkg"));
    q.scales = {6};
    q.sheetDatum = c.sheets;
    if (*c.notice == 0) {
      try {
        TagLayer(q);
        ADD_FAILURE() << "coordinates taken as they are";
      } catch (const Error& e) {
        EXPECT_NE(std::string(e.what()).find("没有已知的坐标转换"), std::string::npos) << e.what();
      }
      continue;
    }
    const LayerTagResult r = TagLayer(q);
    ASSERT_FALSE(r.notices.empty());
    EXPECT_NE(r.notices[0].Text().find(c.notice), std::string::npos) << r.notices[0].Text();
    // The sheets of the points as PROJ takes them to WGS 84, or as they are.
    OGRSpatialReference from, wgs84;
    from.SetFromUserInput(c.system);
    from.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    wgs84.importFromEPSG(4326);
    wgs84.SetAxisMappingStrategy(OAMS_TRADITIONAL_GIS_ORDER);
    std::unique_ptr<OGRCoordinateTransformation> t(OGRCreateCoordinateTransformation(&from, &wgs84));
    const auto tags = ReadTags(q.output);
    const bool asIs = std::string(c.notice) == "两者都是地心坐标系";
    int moved = 0;
    for (std::size_t i = 0; i < points.size(); ++i) {
      double lon = points[i].first, lat = points[i].second;
      if (!asIs) {
        ASSERT_TRUE(t && t->Transform(1, &lon, &lat));
      }
      const std::string expected = NewNumber(Floor(lon * 3600, 225), Floor(lat * 3600, 150), 6);
      EXPECT_EQ(tags.at(static_cast<int>(i)).at("图幅号_1万"), expected);
      moved += expected != NewNumber(Floor(points[i].first * 3600, 225), Floor(points[i].second * 3600, 150), 6);
    }
    if (!asIs) {
      EXPECT_GT(moved, 3);
    }
  }
}

TEST(LayerTag, PlaneLayersThroughTheirOwnZone) {
  // The same points on CGCS2000's 3-degree zone 39 with and without its
  // number: the sheets of their longitudes and latitudes.
  std::vector<std::pair<double, double>> geo = {{116.001, 39.001}, {117.3, 40.2}, {118.2, 38.5}, {115.9, 41.7}};
  for (const int epsg : {4527, 4548}) {
    SCOPED_TRACE(epsg);
    std::vector<std::string> wkts;
    for (const auto& [lon, lat] : geo) {
      const TPlanePoint p = GeoToPlane(Datum::Cgcs2000, TLonLatDMS{DegToDms(lon), DegToDms(lat)}, true, 117);
      const double easting = epsg == 4527 ? p.X : p.X - 39000000;
      wkts.push_back(Wkt("POINT", {{easting, p.Y}}));
    }
    LayerTagRequest q = Request(WriteLayer("plane.gpkg", epsg, wkts), Temp("plane_out.gpkg"));
    q.scales = {6};
    TagLayer(q);
    const auto tags = ReadTags(q.output);
    for (std::size_t i = 0; i < geo.size(); ++i) {
      EXPECT_EQ(tags.at(static_cast<int>(i)).at("图幅号_1万"),
                NewNumber(Floor(geo[i].first * 3600, 225), Floor(geo[i].second * 3600, 150), 6));
    }
  }
}

}  // namespace
}  // namespace karvento
