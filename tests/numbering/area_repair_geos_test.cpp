// SPDX-License-Identifier: Apache-2.0
// The repair of an area against GEOS through GDAL's OGR (each invalid
// polygon MakeValid, then the union of all): the same area, and a result
// that GEOS finds valid.
#include <gtest/gtest.h>
#include <ogr_geometry.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <random>
#include <utility>
#include <vector>

#include "geodesy/angles.h"
#include "numbering/area_repair.h"

namespace karvento {
namespace {

OGRMultiPolygon ToOgr(const GeoMultiPolygon& area) {
  OGRMultiPolygon out;
  for (const GeoPolygon& p : area) {
    OGRPolygon poly;
    for (const GeoRing& ring : p.rings) {
      OGRLinearRing r;
      for (const GeoPoint& v : ring) r.addPoint(v.lon, v.lat);
      r.closeRings();
      poly.addRing(&r);
    }
    out.addGeometry(&poly);
  }
  return out;
}

void AddPolygons(const OGRGeometry* g, OGRMultiPolygon& out) {
  if (!g) return;
  const OGRwkbGeometryType type = wkbFlatten(g->getGeometryType());
  if (type == wkbPolygon && !g->IsEmpty()) out.addGeometry(g);
  if (type == wkbMultiPolygon || type == wkbGeometryCollection) {
    for (const OGRGeometry* part : *g->toGeometryCollection()) AddPolygons(part, out);
  }
}

double GeosArea(const GeoMultiPolygon& area) {
  const OGRMultiPolygon whole = ToOgr(area);
  OGRMultiPolygon parts;
  for (const OGRGeometry* poly : whole) {
    if (poly->IsValid()) {
      parts.addGeometry(poly);
    } else {
      std::unique_ptr<OGRGeometry> valid(poly->MakeValid());
      AddPolygons(valid.get(), parts);
    }
  }
  std::unique_ptr<OGRGeometry> merged(parts.UnionCascaded());
  OGRMultiPolygon result;
  AddPolygons(merged.get(), result);
  return result.get_Area();
}

// A ring of random points around a centre: in order of angle a star, out of
// order a zigzag crossing itself.
GeoRing RandomRing(std::mt19937& rng, double lon, double lat, double size, bool zigzag) {
  std::uniform_int_distribution<int> count(3, 24);
  std::uniform_real_distribution<double> unit(0, 1);
  const int n = count(rng);
  std::vector<double> angles;
  for (int i = 0; i < n; ++i) angles.push_back(2 * kPi * unit(rng));
  if (!zigzag) std::sort(angles.begin(), angles.end());
  GeoRing r;
  for (const double a : angles) {
    const double radius = size * (0.2 + 0.8 * unit(rng));
    r.push_back({lon + radius * std::cos(a), lat + radius * std::sin(a)});
  }
  return r;
}

TEST(SettleAreaAgainstGeos, RandomStarsAndZigzags) {
  CPLPushErrorHandler(CPLQuietErrorHandler);
  std::mt19937 rng(20261209);
  std::uniform_real_distribution<double> at(0, 1);
  for (int trial = 0; trial < 300; ++trial) {
    SCOPED_TRACE(trial);
    GeoMultiPolygon area;
    const int polygons = 1 + trial % 3;
    for (int p = 0; p < polygons; ++p) {
      const double lon = 116 + at(rng), lat = 39 + at(rng);
      GeoPolygon poly;
      poly.rings.push_back(RandomRing(rng, lon, lat, 0.8, at(rng) < 0.6));
      if (at(rng) < 0.4) poly.rings.push_back(RandomRing(rng, lon + 0.1, lat, 0.3, at(rng) < 0.3));
      area.push_back(std::move(poly));
    }
    const SettledArea s = SettleArea(area);
    const double expected = GeosArea(area);
    const OGRMultiPolygon got = ToOgr(s.area);
    EXPECT_NEAR(got.get_Area(), expected, 1e-9 * expected);
    EXPECT_TRUE(got.IsValid());
    EXPECT_EQ(s.merged, !ToOgr(area).IsValid());
  }
  CPLPopErrorHandler();
}

}  // namespace
}  // namespace karvento
