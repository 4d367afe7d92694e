// SPDX-License-Identifier: Apache-2.0
// What the fuzz targets that build their input from raw bytes share: a
// reader of the bytes front to back, the check that stops a run, and an area
// read from the bytes.
#pragma once

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <utility>

#include "numbering/area.h"

namespace karvento::fuzz {

inline void Check(bool ok) {
  if (!ok) std::abort();
}

// Reads the input front to back; past its end every read gives zero.
struct Bytes {
  const std::uint8_t* p;
  std::size_t n;
  std::uint8_t Byte() { return n ? (--n, *p++) : 0; }
  double Raw() {
    std::uint8_t b[8] = {};
    for (auto& x : b) x = Byte();
    double d;
    std::memcpy(&d, b, sizeof d);
    return d;
  }
  int Small() { return static_cast<std::int16_t>(Byte() | (Byte() << 8)); }
};

// Up to maxPolygons polygons of up to maxRings rings of fewer than
// maxPoints points, each point as vertex(in) makes it.
template <class Vertex>
GeoMultiPolygon ReadArea(Bytes& in, int maxPolygons, int maxRings, int maxPoints, Vertex&& vertex) {
  GeoMultiPolygon area;
  const int polygons = 1 + in.Byte() % maxPolygons;
  for (int p = 0; p < polygons && in.n; ++p) {
    GeoPolygon poly;
    const int rings = 1 + in.Byte() % maxRings;
    for (int r = 0; r < rings; ++r) {
      GeoRing ring;
      const int points = in.Byte() % maxPoints;
      for (int k = 0; k < points; ++k) ring.push_back(vertex(in));
      poly.rings.push_back(std::move(ring));
    }
    area.push_back(std::move(poly));
  }
  return area;
}

}  // namespace karvento::fuzz
