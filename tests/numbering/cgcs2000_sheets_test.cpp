// SPDX-License-Identifier: Apache-2.0
// Sheets on the 2000 national system: the same numbers and edges as on the
// legacy systems, and plane corners of the exact transverse Mercator.
#include <GeographicLib/TransverseMercatorExact.hpp>
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

TAngleDMS A(double d, double m = 0) { return {d, m, 0}; }

TEST(Cgcs2000Sheets, CornersWithinFiveNanometresOfTheExactProjection) {
  const GeographicLib::TransverseMercatorExact exact(6378137.0, 1 / 298.257222101, 1.0);
  struct Case { TMapUnionRange area; ScaleIndex scale; bool zone3; double cm; } cases[] = {
      {{A(116), A(39, 40), A(117, 30), A(40, 20)}, 4, true, 117},   // 1:5万 around Beijing
      {{A(114), A(36), A(120), A(40)}, 3, false, 117},              // J50 at 1:10万
      {{A(73), A(18), A(135), A(54)}, 0, false, 0},                 // China, own zones
      {{A(121, 15), A(30, 50), A(121, 45), A(31, 20)}, 6, true, 0}, // Shanghai at 1:1万
  };
  double worst = 0;
  int corners = 0;
  for (const auto& c : cases) {
    TStandardMapUnions r;
    CreateNewMapUnions(c.area, c.scale, c.zone3, c.cm, Datum::Cgcs2000, r);
    ASSERT_FALSE(r.empty());
    for (const auto& column : r)
      for (const TStandardMapUnion& s : column) {
        const TLonLatDMS at[4] = {{s.Range.West, s.Range.North}, {s.Range.East, s.Range.North},
                                  {s.Range.East, s.Range.South}, {s.Range.West, s.Range.South}};
        // Without a central meridian every corner of a sheet on the zone
        // that holds the sheet (an east edge on its boundary included), and
        // each on its own zone where the sheet spans zones (J50 on 3-degree
        // zones).
        const double sheetCm =
            CommonZoneMeridian(DmsToDeg(s.Range.West), DmsToDeg(s.Range.East), c.zone3);
        for (int k = 0; k < 4; ++k) {
          const double L = DmsToDeg(at[k].Lon), B = DmsToDeg(at[k].Lat);
          const double cm = c.cm != 0 ? c.cm : !std::isnan(sheetCm) ? sheetCm : CentralMeridian(c.zone3, L);
          double x, y;
          exact.Forward(cm, B, L, x, y);
          x += FalseEasting(c.zone3, c.cm);
          const double d =
              std::max(std::abs(s.PlaneCorners[k].X - x), std::abs(s.PlaneCorners[k].Y - y));
          worst = std::max(worst, d);
          ASSERT_LT(d, 5e-9) << s.MapUnionNo << " corner " << k;
          ++corners;
        }
      }
  }
  EXPECT_GT(corners, 1000);
  std::printf("%d corners, largest difference to the exact projection %.3g m\n", corners, worst);
}

TEST(Cgcs2000Sheets, TheDatumChangesOnlyThePlaneCorners) {
  const TMapUnionRange area{A(116, 10), A(39, 45), A(116, 50), A(40, 5)};
  for (ScaleIndex scale : {0, 3, 6, 7})
    for (bool newStandard : {true, false}) {
      TStandardMapUnions a, b;
      CreateMapUnionsOfStandard(area, scale, newStandard, true, Datum::Xian80, 117, a);
      CreateMapUnionsOfStandard(area, scale, newStandard, true, Datum::Cgcs2000, 117, b);
      ASSERT_EQ(a.size(), b.size());
      for (std::size_t i = 0; i < a.size(); ++i) {
        ASSERT_EQ(a[i].size(), b[i].size());
        for (std::size_t j = 0; j < a[i].size(); ++j) {
          EXPECT_EQ(a[i][j].MapUnionNo, b[i][j].MapUnionNo);
          EXPECT_EQ(a[i][j].Range, b[i][j].Range);
          // IAG-75 and GRS 80 differ by 3 m in a: a few metres on the plane.
          const double dy = b[i][j].PlaneCorners[0].Y - a[i][j].PlaneCorners[0].Y;
          EXPECT_LT(dy, 0);
          EXPECT_GT(dy, -5);
          EXPECT_EQ(b[i][j].PlaneCorners[0],
                    GeoToPlane2000({a[i][j].Range.West, a[i][j].Range.North}, true, 117));
        }
      }
    }
  // A converted number gets the corners of its datum too.
  const auto converted = ConvertMapUnionNo("J-50-5", true, 3, true, 117, Datum::Cgcs2000);
  ASSERT_EQ(converted.size(), 1u);
  EXPECT_EQ(converted[0].MapUnionNo, "J50D001005");
  EXPECT_EQ(converted[0].PlaneCorners[2],
            GeoToPlane2000({converted[0].Range.East, converted[0].Range.South}, true, 117));
}

}  // namespace
}  // namespace karvento
