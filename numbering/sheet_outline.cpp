// SPDX-License-Identifier: Apache-2.0
#include "numbering/sheet_outline.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "geodesy/projection.h"

namespace karvento {
namespace {

// More vertices than this per edge would only describe a sheet that spans
// a continent; it bounds the work for a nonsense tolerance.
constexpr double kMaxSteps = 1 << 16;

// The distance of p from the line through a and b (from a when a == b).
double OffLine(const TPlanePoint& a, const TPlanePoint& b, const TPlanePoint& p) {
  const double dx = b.X - a.X, dy = b.Y - a.Y;
  const double len = std::hypot(dx, dy);
  if (len == 0) return std::hypot(p.X - a.X, p.Y - a.Y);
  return std::abs(dx * (p.Y - a.Y) - dy * (p.X - a.X)) / len;
}

// The steps of an edge whose middle lies bow metres off its chord: the bow
// of a chord shrinks with the square of its length.
int StepsFor(double bow, double tolerance) {
  if (!(bow > tolerance / 2)) return 1;
  return static_cast<int>(std::min(kMaxSteps, std::ceil(std::sqrt(bow / (tolerance / 2)))));
}

bool Densifies(double tolerance) { return std::isfinite(tolerance) && tolerance > 0; }

}  // namespace

std::array<std::vector<TPlanePoint>, 4> PlaneOutlineEdges(Datum datum, const TMapUnionRange& range,
                                                          const ZoneParams& zone, double tolerance_m) {
  return WithSplitProjection(datum, zone, [&](const auto& projection) {
    using P = std::decay_t<decltype(projection)>;
    const double west = DmsToDeg(range.West), east = DmsToDeg(range.East);
    const double south = DmsToDeg(range.South), north = DmsToDeg(range.North);
    const auto northTerms = projection.Parallel(range.North);
    const auto southTerms = projection.Parallel(range.South);
    const auto westTerms = projection.Meridian(west);
    const auto eastTerms = projection.Meridian(east);
    const TPlanePoint nw = P::Point(northTerms, westTerms), ne = P::Point(northTerms, eastTerms);
    const TPlanePoint se = P::Point(southTerms, eastTerms), sw = P::Point(southTerms, westTerms);
    std::array<std::vector<TPlanePoint>, 4> edges{{{nw}, {ne}, {se}, {sw}}};
    if (Densifies(tolerance_m)) {
      // The north and south edges take the same steps, and so do the east and
      // west edges: each meridian and parallel between the corners is then
      // prepared once for both of its edges, at the cost of a vertex or two
      // where the two bow differently.
      const auto midMeridian = projection.Meridian((west + east) / 2);
      const auto midParallel = projection.Parallel(TAngleDMS{(north + south) / 2, 0, 0});
      const int across = StepsFor(std::max(OffLine(nw, ne, P::Point(northTerms, midMeridian)),
                                           OffLine(sw, se, P::Point(southTerms, midMeridian))),
                                  tolerance_m);
      const int down = StepsFor(std::max(OffLine(nw, sw, P::Point(midParallel, westTerms)),
                                         OffLine(ne, se, P::Point(midParallel, eastTerms))),
                                tolerance_m);
      std::vector<std::decay_t<decltype(midMeridian)>> meridians;
      std::vector<std::decay_t<decltype(midParallel)>> parallels;
      meridians.reserve(static_cast<std::size_t>(across));
      parallels.reserve(static_cast<std::size_t>(down));
      for (int k = 1; k < across; ++k) meridians.push_back(projection.Meridian(west + (east - west) * k / across));
      for (int k = 1; k < down; ++k) {
        parallels.push_back(projection.Parallel(TAngleDMS{north + (south - north) * k / down, 0, 0}));
      }
      for (const auto& m : meridians) edges[0].push_back(P::Point(northTerms, m));
      for (const auto& p : parallels) edges[1].push_back(P::Point(p, eastTerms));
      for (auto m = meridians.rbegin(); m != meridians.rend(); ++m) edges[2].push_back(P::Point(southTerms, *m));
      for (auto p = parallels.rbegin(); p != parallels.rend(); ++p) edges[3].push_back(P::Point(*p, westTerms));
    }
    edges[0].push_back(ne);
    edges[1].push_back(se);
    edges[2].push_back(sw);
    edges[3].push_back(nw);
    return edges;
  });
}

std::vector<TPlanePoint> PlaneOutline(Datum datum, const TMapUnionRange& range, bool zone3, double cm,
                                      double tolerance_m) {
  const ZoneParams zone =
      SheetZone(MakeZoneParams(zone3, cm), DmsToDeg(range.West), DmsToDeg(range.East));
  const auto edges = PlaneOutlineEdges(datum, range, zone, tolerance_m);
  std::vector<TPlanePoint> ring;
  ring.reserve(edges[0].size() + edges[1].size() + edges[2].size() + edges[3].size());
  ring.push_back(edges[0].front());
  for (const auto& edge : edges) ring.insert(ring.end(), edge.begin() + 1, edge.end());
  return ring;
}

std::vector<TLonLat> GeographicOutline(const TMapUnionRange& range, double tolerance_m) {
  const double west = DmsToDeg(range.West), east = DmsToDeg(range.East);
  const double south = DmsToDeg(range.South), north = DmsToDeg(range.North);
  // The great circle through two points of latitude φ, Δλ apart, reaches
  // φ + sinφ·cosφ·Δλ²/8 between them (to second order in Δλ).
  constexpr double kRadius = 6.4e6;
  const auto steps = [&](double lat) {
    if (!Densifies(tolerance_m)) return 1;
    const double phi = lat * kPi / 180, dl = std::abs(east - west) * kPi / 180;
    const double bow = kRadius * std::abs(std::sin(phi) * std::cos(phi)) * dl * dl / 8;
    return StepsFor(bow, tolerance_m);
  };
  std::vector<TLonLat> ring;
  ring.push_back({west, north});
  for (int n = steps(north), k = 1; k < n; ++k) ring.push_back({west + (east - west) * k / n, north});
  ring.push_back({east, north});
  ring.push_back({east, south});
  for (int n = steps(south), k = 1; k < n; ++k) ring.push_back({east + (west - east) * k / n, south});
  ring.push_back({west, south});
  ring.push_back({west, north});
  return ring;
}

}  // namespace karvento
