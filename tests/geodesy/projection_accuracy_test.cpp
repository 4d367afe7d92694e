// SPDX-License-Identifier: Apache-2.0
// The millimetre bound of the legacy datums' forward series, measured
// against GeographicLib's exact transverse Mercator on the same ellipsoid:
// the error that the distance from the central meridian adds to the
// meridian's own stays within 1 mm at kLegacyMillimetreLongitude for every
// latitude 0°–60° N and passes it at 4.25°, so the bound is neither loose
// nor broken.
#include <gtest/gtest.h>

#include <GeographicLib/TransverseMercatorExact.hpp>
#include <algorithm>
#include <cmath>

#include "geodesy/gauss_kruger.h"
#include "geodesy/projection_accuracy.h"

namespace karvento {
namespace {

// The largest error, metres, that dL degrees east of the meridian 117° adds
// to the series' error on the meridian, over latitudes 0°–60° N in steps of
// 0.5°.
double AddedError(const Ellipsoid& e, double a, double inverseF, double dL) {
  const GeographicLib::TransverseMercatorExact exact(a, 1 / inverseF, 1.0);
  const auto error = [&](double lon, double lat) {
    const TPlanePoint ours = GeoToPlane(e, {DegToDms(lon), DegToDms(lat)}, true, 117);
    double x = 0, y = 0;
    exact.Forward(117, lat, lon, x, y);
    return TPlanePoint{ours.X - (x + FalseEasting(true, 117)), ours.Y - y};
  };
  double worst = 0;
  for (double lat = 0; lat <= 60; lat += 0.5) {
    const TPlanePoint off = error(117 + dL, lat), own = error(117, lat);
    worst = std::max(worst, std::hypot(off.X - own.X, off.Y - own.Y));
  }
  return worst;
}

TEST(ProjectionAccuracy, TheLegacySeriesAddsOneMillimetreJustBeyondItsBound) {
  struct System {
    const Ellipsoid* e;
    double a, inverseF;
  } systems[] = {{&kBeijing54, 6378245, 298.3}, {&kXian80, 6378140, 298.257}};
  for (const System& s : systems) {
    EXPECT_LE(AddedError(*s.e, s.a, s.inverseF, kLegacyMillimetreLongitude), 0.001) << s.a;
    EXPECT_GT(AddedError(*s.e, s.a, s.inverseF, 4.25), 0.001) << s.a;
  }
  EXPECT_TRUE(WithinMillimetreLimit(Datum::Beijing54, 113.3, 117.5, 117));
  EXPECT_FALSE(WithinMillimetreLimit(Datum::Xian80, 116.25, 116.3125, 105));
  EXPECT_TRUE(WithinMillimetreLimit(Datum::Cgcs2000, 116.25, 116.3125, 90));
  EXPECT_TRUE(WithinMillimetreLimit(Datum::Beijing54, 70, 80, 0));  // each sheet on its own zone
}

}  // namespace
}  // namespace karvento
