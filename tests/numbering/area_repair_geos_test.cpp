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

// A ring of random points of a coarse lattice (quarter degrees): edges
// along one another, vertices on other edges, rings through one vertex;
// with triangle, three points not on a line (a valid ring).
GeoRing LatticeRing(std::mt19937& rng, bool triangle) {
  std::uniform_int_distribution<int> count(3, 8), step(0, 8);
  GeoRing r;
  for (int i = triangle ? 3 : count(rng); i > 0; --i) r.push_back({116 + 0.25 * step(rng), 39 + 0.25 * step(rng)});
  if (triangle && (r[1].lon - r[0].lon) * (r[2].lat - r[0].lat) == (r[1].lat - r[0].lat) * (r[2].lon - r[0].lon)) {
    return LatticeRing(rng, true);
  }
  return r;
}

// The repair's area is GEOS's (unless the polygons have pieces drawn out and
// back, which GEOS keeps as edges and the even-odd rule takes as nothing),
// GEOS finds it valid, and it is changed exactly when GEOS finds the area
// given invalid.
void ExpectGeosArea(const GeoMultiPolygon& area, bool backTracking = false) {
  const SettledArea s = SettleArea(area);
  const OGRMultiPolygon got = ToOgr(s.area);
  if (!backTracking) {
    const double expected = GeosArea(area);
    EXPECT_NEAR(got.get_Area(), expected, 1e-9 * expected);
  }
  EXPECT_TRUE(got.IsValid());
  EXPECT_EQ(s.merged, !ToOgr(area).IsValid());
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
    ExpectGeosArea(area);
  }
  CPLPopErrorHandler();
}

TEST(SettleAreaAgainstGeos, RandomRingsOnALattice) {
  CPLPushErrorHandler(CPLQuietErrorHandler);
  std::mt19937 rng(9122026);
  for (int trial = 0; trial < 600; ++trial) {
    SCOPED_TRACE(trial);
    // Odd trials: triangles overlapping, touching and sharing edges; even
    // ones: any rings, pieces drawn out and back among them.
    const bool triangles = trial % 2;
    GeoMultiPolygon area;
    for (int p = 1 + trial % 4; p > 0; --p) area.push_back({{LatticeRing(rng, triangles)}});
    ExpectGeosArea(area, !triangles);
  }
  CPLPopErrorHandler();
}

}  // namespace
}  // namespace karvento
