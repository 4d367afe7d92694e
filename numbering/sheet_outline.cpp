#include "numbering/sheet_outline.h"

#include <algorithm>
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

std::vector<TPlanePoint> PlaneOutline(Datum datum, const TMapUnionRange& range, bool zone3, double cm,
                                      double tolerance_m) {
  return WithSplitProjection(datum, zone3, cm, [&](const auto& projection) {
    using P = std::decay_t<decltype(projection)>;
    const double west = DmsToDeg(range.West), east = DmsToDeg(range.East);
    const double south = DmsToDeg(range.South), north = DmsToDeg(range.North);
    const auto northTerms = projection.Parallel(range.North);
    const auto southTerms = projection.Parallel(range.South);
    const auto westTerms = projection.Meridian(west);
    const auto eastTerms = projection.Meridian(east);
    const TPlanePoint corner[4] = {P::Point(northTerms, westTerms), P::Point(northTerms, eastTerms),
                                   P::Point(southTerms, eastTerms), P::Point(southTerms, westTerms)};
    std::vector<TPlanePoint> ring;
    const bool dense = Densifies(tolerance_m);
    // A parallel from lon0 to lon1 (after its first corner, before its last).
    const auto parallel = [&](const auto& terms, double lon0, double lon1, const TPlanePoint& a,
                              const TPlanePoint& b) {
      if (!dense) return;
      const TPlanePoint mid = P::Point(terms, projection.Meridian((lon0 + lon1) / 2));
      const int n = StepsFor(OffLine(a, b, mid), tolerance_m);
      for (int k = 1; k < n; ++k) {
        ring.push_back(P::Point(terms, projection.Meridian(lon0 + (lon1 - lon0) * k / n)));
      }
    };
    const auto meridian = [&](const auto& terms, double lat0, double lat1, const TPlanePoint& a,
                              const TPlanePoint& b) {
      if (!dense) return;
      const TPlanePoint mid = P::Point(projection.Parallel(TAngleDMS{(lat0 + lat1) / 2, 0, 0}), terms);
      const int n = StepsFor(OffLine(a, b, mid), tolerance_m);
      for (int k = 1; k < n; ++k) {
        ring.push_back(P::Point(projection.Parallel(TAngleDMS{lat0 + (lat1 - lat0) * k / n, 0, 0}), terms));
      }
    };
    ring.push_back(corner[kNW]);
    parallel(northTerms, west, east, corner[kNW], corner[kNE]);
    ring.push_back(corner[kNE]);
    meridian(eastTerms, north, south, corner[kNE], corner[kSE]);
    ring.push_back(corner[kSE]);
    parallel(southTerms, east, west, corner[kSE], corner[kSW]);
    ring.push_back(corner[kSW]);
    meridian(westTerms, south, north, corner[kSW], corner[kNW]);
    ring.push_back(corner[kNW]);
    return ring;
  });
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
