// SPDX-License-Identifier: Apache-2.0
// The repair of an area: rings as a file may hold them, that AreaRingProblem
// accepts (any finite doubles, and points of a coarse lattice, on which
// edges run along one another, vertices fall on edges and rings pass through
// one vertex twice).
//
// Invariants: nothing escapes; a repair is a change; an area that is kept is
// kept as given; what comes out is closed rings of at least three points,
// outer rings counter-clockwise and holes clockwise, and a second repair
// leaves its area as it is (up to slivers far below a survey's precision:
// crossings that rounding puts a hair apart may leave one, which the second
// repair may take away).
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "fuzz/fuzz_bytes.h"
#include "numbering/area_repair.h"

using namespace karvento;
using karvento::fuzz::Bytes;
using karvento::fuzz::Check;

namespace {

// A vertex: mostly on a lattice of eighths of a degree near 116° E, 39° N,
// sometimes just off it, sometimes any double at all.
GeoPoint Vertex(Bytes& in) {
  const std::uint8_t tag = in.Byte();
  if (tag % 16 == 15) return {in.Raw(), in.Raw()};
  const double lon = 116 + (in.Byte() % 16) / 8.0, lat = 39 + (in.Byte() % 16) / 8.0;
  if (tag % 16 == 14) return {lon + static_cast<std::int8_t>(in.Byte()) * 1e-13, lat};
  return {lon, lat};
}

// The signed area: outer rings add, holes take away.
double SignedArea(const GeoMultiPolygon& area, double& extent) {
  double sum = 0, west = 0, east = 0, south = 0, north = 0;
  bool first = true;
  for (const GeoPolygon& p : area) {
    for (const GeoRing& ring : p.rings) {
      for (std::size_t i = 0; i + 1 < ring.size(); ++i) {
        sum += (ring[i].lon - ring[0].lon) * (ring[i + 1].lat - ring[0].lat) -
               (ring[i + 1].lon - ring[0].lon) * (ring[i].lat - ring[0].lat);
        if (first) west = east = ring[i].lon, south = north = ring[i].lat, first = false;
        west = std::min(west, ring[i].lon), east = std::max(east, ring[i].lon);
        south = std::min(south, ring[i].lat), north = std::max(north, ring[i].lat);
      }
    }
  }
  extent = (east - west) + (north - south);
  return sum / 2;
}

bool Same(const GeoMultiPolygon& a, const GeoMultiPolygon& b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (a[i].rings != b[i].rings) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in{data, size};
  GeoMultiPolygon area = karvento::fuzz::ReadArea(in, 4, 3, 16, Vertex);
  if (!AreaRingProblem(area).Empty()) return 0;  // refused before any repair

  const SettledArea s = SettleArea(area);
  Check(s.merged || !s.repaired);
  if (!s.merged) {
    Check(Same(s.area, area));
    return 0;
  }
  for (const GeoPolygon& p : s.area) {
    Check(!p.rings.empty());
    for (const GeoRing& ring : p.rings) Check(ring.size() >= 4 && ring.front() == ring.back());
  }
  if (s.area.empty()) return 0;  // nothing left: the readers' refusal
  double extent = 0, extentAgain = 0;
  const double a = SignedArea(s.area, extent);
  Check(a > 0);
  const SettledArea again = SettleArea(s.area);
  Check(std::abs(SignedArea(again.area, extentAgain) - a) <= 1e-9 * extent * extent);
  return 0;
}
