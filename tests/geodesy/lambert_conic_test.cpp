// SPDX-License-Identifier: Apache-2.0
// The 1:100万 conic against PROJ's lcc over whole sheets of every band
// that the series draws, on each datum's ellipsoid.
#include "geodesy/lambert_conic.h"

#include <gtest/gtest.h>
#include <proj.h>

#include <cmath>
#include <cstdio>

#include "geodesy/datum.h"

namespace karvento {
namespace {

TEST(LambertConic, EqualsProjOverWholeMillionSheetsOnEveryDatum) {
  struct Sheet {
    double south, cm;  // band's southern edge; sheet's central meridian
  };
  const Sheet sheets[] = {{0, 111}, {16, 105}, {36, 117}, {40, 87}, {52, 123}, {84, 3}};
  for (const DatumInfo& d : kDatums) {
    for (const Sheet& s : sheets) {
      const LambertConicParams p = MillionSheetConic(d.a, d.inverseFlattening, s.south, s.cm);
      EXPECT_DOUBLE_EQ(p.lat1, s.south + 35.0 / 60);
      EXPECT_DOUBLE_EQ(p.lat2, s.south + 4 - 35.0 / 60);
      char def[320];
      std::snprintf(def, sizeof def,
                    "+proj=lcc +lat_1=%.17g +lat_2=%.17g +lat_0=%.17g +lon_0=%.17g +x_0=%.17g +y_0=%.17g "
                    "+a=%.17g +rf=%.17g +units=m",
                    p.lat1, p.lat2, p.lat0, p.lon0, p.falseEasting, p.falseNorthing, d.a, d.inverseFlattening);
      PJ* pj = proj_create(PJ_DEFAULT_CTX, def);
      ASSERT_NE(pj, nullptr) << def;
      const LambertConic conic(p);
      // A 13 × 9 lattice over the sheet, its edges included.
      for (int i = 0; i <= 12; ++i) {
        for (int j = 0; j <= 8; ++j) {
          const double lon = s.cm - 3 + 0.5 * i, lat = s.south + 0.5 * j;
          const PJ_COORD ref = proj_trans(pj, PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat), 0, 0));
          const TPlanePoint q = conic.Forward(lon, lat);
          EXPECT_NEAR(q.X, ref.xy.x, 1e-3) << d.key << " " << lon << " " << lat;
          EXPECT_NEAR(q.Y, ref.xy.y, 1e-3) << d.key << " " << lon << " " << lat;
          // The inverse returns the point to 1e-10° (about 0.01 mm).
          const TPlanePoint back = conic.Inverse(q);
          EXPECT_NEAR(back.X, lon, 1e-10) << d.key;
          EXPECT_NEAR(back.Y, lat, 1e-10) << d.key;
        }
      }
      // Grid north to the sheet's edge meridian: n Δλ, n from PROJ's own
      // meridian direction over ±0.001°.
      const double lon = s.cm + 3, lat = s.south + 2;
      const PJ_COORD a = proj_trans(pj, PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat - 1e-3), 0, 0));
      const PJ_COORD z = proj_trans(pj, PJ_FWD, proj_coord(proj_torad(lon), proj_torad(lat + 1e-3), 0, 0));
      EXPECT_NEAR(conic.ConvergenceDeg(lon), -std::atan2(z.xy.x - a.xy.x, z.xy.y - a.xy.y) * 180 / 3.141592653589793,
                  1e-7);
      proj_destroy(pj);
    }
  }
}

}  // namespace
}  // namespace karvento
