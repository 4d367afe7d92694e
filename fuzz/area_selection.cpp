// SPDX-License-Identifier: Apache-2.0
// The area path: polygon rings as a file may hold them (any doubles: NaN,
// infinities, 1e300, holes far outside, self-intersections) to the selection
// of sheets, through the walk that the command line and the window run.
//
// Invariants: only the program's own error escapes; an area that
// AreaDomainProblem accepts is walked, and one it refuses is refused by the
// walk too; every kept sheet is selected, with a cover in (0, 1], at least
// the minimum cover asked for; on a small frame Count() is the number of
// sheets Selected() reports, and Cover() is 0 exactly for those not selected.
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>

#include "fuzz/fuzz_bytes.h"
#include "numbering/unMapUnRgPub.h"

using namespace karvento;
using karvento::fuzz::Bytes;
using karvento::fuzz::Check;

namespace {

// A vertex: mostly on a lattice of 1/1920° × 1/2880° within 2° of 116° E,
// 39° N, on which every grid line of 1:5000 and finer falls (or the double
// nearest to it); sometimes any double at all.
GeoPoint Vertex(Bytes& in) {
  const std::uint8_t tag = in.Byte();
  if (tag % 8 == 7) return {in.Raw(), in.Raw()};
  const double lon = 116 + in.Small() % 4096 / 1920.0, lat = 39 + in.Small() % 4096 / 2880.0;
  if (tag % 8 == 6) return {lon + in.Small() * 1e-9, lat};  // just off a line
  return {lon, lat};
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  Bytes in{data, size};
  const ScaleIndex scale = 7 + in.Byte() % (kScaleCount - 7);
  const double minCover = (in.Byte() % 5) / 4.0;
  GeoMultiPolygon area = karvento::fuzz::ReadArea(in, 3, 2, 12, Vertex);

  // The walk of the command line and the window, within the sheet limit. It
  // looks at every sheet of the area's bounds, so bounds of more than 200,000
  // sheets are left to the selection below (the walk's time, not its
  // correctness, grows with them).
  const std::string problem = AreaDomainProblem(area);
  double west = 0, south = 0, east = 0, north = 0;
  if (problem.empty() && AreaBounds(area, west, south, east, north) &&
      (east - west) * 3600 / LonStepTable[scale] * ((north - south) * 3600 / LatStepTable[scale]) > 2e5) {
    return 0;
  }
  try {
    const SheetWalk walk(area, minCover, scale, true, true, Datum::Cgcs2000, 0, true);
    Check(problem.empty());
    walk.RunWithCovers([&](std::vector<TStandardMapUnion>& column, const std::vector<double>& covers) {
      Check(!column.empty() && covers.size() == column.size());
      for (const double c : covers) Check(c > 0 && c <= 1 && c >= minCover);
    });
  } catch (const Error& e) {
    // Refused as outside the domain, naming why, or past the sheet limit.
    Check(problem.empty() ? std::strstr(e.what(), "图幅数量过多") != nullptr
                          : std::strstr(e.what(), problem.c_str()) != nullptr);
  }

  // The selection alone on a small frame of its own, whatever the area.
  const double frameWest = 417600 + 112.5 * in.Small() / 64, frameNorth = 140400 + 75.0 * in.Small() / 64;
  const std::int64_t columns = 1 + in.Byte() % 24, rows = 1 + in.Byte() % 24;
  const SheetFrame frame{frameWest, frameNorth, 112.5, 75, columns, rows};
  try {
    const SheetSelection s(area, frame);
    std::int64_t selected = 0;
    for (std::int64_t r = -1; r <= frame.rows; ++r) {
      for (std::int64_t c = -1; c <= frame.columns; ++c) {
        const bool on = s.Selected(c, r);
        const double cover = s.Cover(c, r);
        Check(on ? cover > 0 && cover <= 1 : cover == 0);
        selected += on;
      }
    }
    Check(selected == s.Count());
  } catch (const Error&) {
    // A vertex that is no finite number.
    bool finite = true;
    for (const GeoPolygon& p : area)
      for (const GeoRing& ring : p.rings)
        for (const GeoPoint& v : ring) finite = finite && std::isfinite(v.lon) && std::isfinite(v.lat);
    Check(!finite);
  }
  return 0;
}
