// SPDX-License-Identifier: Apache-2.0
// The packed R-tree of a GeoPackage layer: SQLite's own check finds it whole,
// a spatial filter through GDAL finds exactly the features a scan finds, and
// the triggers are back, so that later edits keep the index whole.
#include <gtest/gtest.h>
#include <ogrsf_frmts.h>
#include <sqlite3.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <random>
#include <set>
#include <string>
#include <vector>

#include "gis/gdal_session.h"
#include "gis/gpkg_index.h"

namespace karvento {
namespace {

std::string SqliteText(const std::string& file, const std::string& sql) {
  sqlite3* db = nullptr;
  sqlite3_open_v2(file.c_str(), &db, SQLITE_OPEN_READONLY, nullptr);
  sqlite3_stmt* s = nullptr;
  std::string out = "(no result)";
  if (sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr) == SQLITE_OK && sqlite3_step(s) == SQLITE_ROW) {
    out = reinterpret_cast<const char*>(sqlite3_column_text(s, 0));
  }
  sqlite3_finalize(s);
  sqlite3_close(db);
  return out;
}

struct Written {
  // By fid - 1; null for rows without a geometry or with an empty one.
  std::vector<std::unique_ptr<OGRGeometry>> geometries;
};

// A layer of n features written as the program writes them (its name not
// ASCII, as a layer named after its file often is): points, or
// turned squares of up to 0.05°, every tenth without a geometry and every
// eleventh with an empty one.
Written WriteLayer(const std::string& file, int n, bool polygons, std::size_t maxPacked) {
  std::remove(file.c_str());
  GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GPKG"), file.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  const char* const options[] = {"SPATIAL_INDEX=NO", nullptr};
  OGRLayerH layer = GDALDatasetCreateLayer(ds, "图幅", nullptr, wkbUnknown,
                                           const_cast<char**>(options));
  GpkgBulkIndex rtree(maxPacked);
  EXPECT_EQ(rtree.Begin(ds, layer), "");
  GDALDatasetStartTransaction(ds, FALSE);
  std::mt19937 rng(static_cast<unsigned>(n));
  std::uniform_real_distribution<double> lon(116, 118), lat(39, 41), size(0.0001, 0.05);
  Written out;
  for (int i = 0; i < n; ++i) {
    OGRFeature f(OGRFeatureDefn::FromHandle(OGR_L_GetLayerDefn(layer)));
    const double x = lon(rng), y = lat(rng), a = size(rng);
    if (i % 10 == 3) {
      // no geometry
    } else if (i % 11 == 4) {
      if (polygons) f.SetGeometryDirectly(new OGRPolygon()); else f.SetGeometryDirectly(new OGRPoint());
    } else if (polygons) {
      OGRLinearRing ring;
      for (const auto& [u, v] : {std::pair{0.0, -a}, {a, 0.0}, {0.0, a}, {-a, 0.0}, {0.0, -a}}) ring.addPoint(x + u, y + v);
      auto* p = new OGRPolygon();
      p->addRing(&ring);
      f.SetGeometryDirectly(p);
    } else {
      f.SetGeometryDirectly(new OGRPoint(x, y));
    }
    EXPECT_EQ(OGR_L_CreateFeature(layer, OGRFeature::ToHandle(&f)), OGRERR_NONE);
    const OGRGeometry* g = f.GetGeometryRef();
    if (g != nullptr && !g->IsEmpty()) {
      OGREnvelope e;
      g->getEnvelope(&e);
      rtree.Add(f.GetFID(), e.MinX, e.MaxX, e.MinY, e.MaxY);
      out.geometries.emplace_back(g->clone());
    } else {
      out.geometries.emplace_back();
    }
    EXPECT_EQ(f.GetFID(), i + 1);
  }
  GDALDatasetCommitTransaction(ds);
  GDALClose(ds);
  EXPECT_EQ(rtree.Finish(file), "");
  return out;
}

std::set<GIntBig> Filtered(OGRLayer* layer, double x0, double y0, double x1, double y1) {
  layer->SetSpatialFilterRect(x0, y0, x1, y1);
  std::set<GIntBig> out;
  for (auto& f : *layer) out.insert(f->GetFID());
  layer->SetSpatialFilter(nullptr);
  return out;
}

TEST(GpkgBulkIndex, IsWholeFindsWhatAScanFindsAndFollowsLaterEdits) {
  EnsureGdal();
  struct Case {
    const char* name;
    int rows;
    bool polygons;
    std::size_t maxPacked;
  } const cases[] = {
      {"no row", 0, false, GpkgBulkIndex::kMaxPackedRows},
      {"one point", 1, false, GpkgBulkIndex::kMaxPackedRows},
      {"one full leaf", 62, false, GpkgBulkIndex::kMaxPackedRows},  // 51 with a geometry
      {"two leaves under the root", 70, false, GpkgBulkIndex::kMaxPackedRows},
      {"three levels of points", 4000, false, GpkgBulkIndex::kMaxPackedRows},
      {"three levels of polygons", 4000, true, GpkgBulkIndex::kMaxPackedRows},
      {"past the packed bound: row by row", 500, true, 100},
  };
  const std::string file = ::testing::TempDir() + "rtree_" + std::to_string(getpid()) + ".gpkg";
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const Written w = WriteLayer(file, c.rows, c.polygons, c.maxPacked);
    int indexed = 0;
    for (const auto& g : w.geometries) indexed += g ? 1 : 0;
    EXPECT_EQ(SqliteText(file, "SELECT rtreecheck('rtree_图幅_geom')"), "ok");
    EXPECT_EQ(SqliteText(file, "SELECT count(*) FROM rtree_图幅_geom"), std::to_string(indexed));

    std::unique_ptr<GDALDataset> ds(GDALDataset::Open(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE));
    ASSERT_NE(ds, nullptr);
    OGRLayer* layer = ds->GetLayer(0);
    std::mt19937 rng(7);
    std::uniform_real_distribution<double> lon(115.9, 118), lat(38.9, 41), size(0.001, 0.5);
    for (int k = 0; k < 8; ++k) {
      const double x0 = lon(rng), y0 = lat(rng), x1 = x0 + size(rng), y1 = y0 + size(rng);
      // What a filter finds without an index: the features whose geometry
      // meets the rectangle.
      OGRLinearRing ring;
      for (const auto& [x, y] : {std::pair{x0, y0}, {x1, y0}, {x1, y1}, {x0, y1}, {x0, y0}}) ring.addPoint(x, y);
      OGRPolygon rect;
      rect.addRing(&ring);
      std::set<GIntBig> scan;
      for (std::size_t i = 0; i < w.geometries.size(); ++i) {
        if (w.geometries[i] && w.geometries[i]->Intersects(&rect)) scan.insert(static_cast<GIntBig>(i) + 1);
      }
      EXPECT_EQ(Filtered(layer, x0, y0, x1, y1), scan) << x0 << " " << y0;
    }
    // Later edits, through the triggers put back: a row added far from the
    // rest, rows deleted, a row moved there.
    OGRFeature added(layer->GetLayerDefn());
    added.SetGeometryDirectly(new OGRPoint(100.5, 30.5));
    ASSERT_EQ(layer->CreateFeature(&added), OGRERR_NONE);
    for (GIntBig fid = 1; fid <= c.rows; fid += 7) EXPECT_EQ(layer->DeleteFeature(fid), OGRERR_NONE);
    if (c.rows >= 6) {
      std::unique_ptr<OGRFeature> moved(layer->GetFeature(6));
      moved->SetGeometryDirectly(new OGRPoint(100.25, 30.25));
      ASSERT_EQ(layer->SetFeature(moved.get()), OGRERR_NONE);
    }
    const std::set<GIntBig> far = Filtered(layer, 100, 30, 101, 31);
    EXPECT_TRUE(far.count(added.GetFID()) == 1);
    EXPECT_EQ(far.size(), c.rows >= 6 ? 2u : 1u);
    int withGeometry = 0;
    for (auto& f : *layer) withGeometry += f->GetGeometryRef() != nullptr && !f->GetGeometryRef()->IsEmpty() ? 1 : 0;
    ds.reset();
    EXPECT_EQ(SqliteText(file, "SELECT rtreecheck('rtree_图幅_geom')"), "ok");
    EXPECT_EQ(SqliteText(file, "SELECT count(*) FROM rtree_图幅_geom"), std::to_string(withGeometry));
  }
  // A table of attributes alone has no index to make: nothing is done.
  std::remove(file.c_str());
  GDALDatasetH ds = GDALCreate(GDALGetDriverByName("GPKG"), file.c_str(), 0, 0, 0, GDT_Unknown, nullptr);
  OGRLayerH table = GDALDatasetCreateLayer(ds, "attributes", nullptr, wkbNone, nullptr);
  GpkgBulkIndex none;
  EXPECT_EQ(none.Begin(ds, table), "");
  EXPECT_FALSE(none.Active());
  GDALClose(ds);
  EXPECT_EQ(none.Finish(file), "");
  std::remove(file.c_str());
}

}  // namespace
}  // namespace karvento
