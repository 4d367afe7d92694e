// SPDX-License-Identifier: Apache-2.0
// The production sheet walk against the literal rules, field by field, with
// doubles compared exactly.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <random>
#include <string>

#include "numbering/sheet_grid.h"

namespace karvento {
namespace {

struct Outcome {
  TStandardMapUnions sheets;
  std::string error;
};

Outcome Run(bool literalRules, const TMapUnionRange& r, ScaleIndex scale, Standard standard,
            bool zone3, Datum datum, double cm) {
  Outcome o;
  try {
    if (literalRules) {
      literal::CreateSheets(r, scale, standard, zone3, datum, cm, true, o.sheets);
    } else {
      CreateSheets(r, scale, standard, zone3, datum, cm, o.sheets);
    }
  } catch (const Error& e) {
    o.error = e.what();
  }
  return o;
}

void ExpectSame(const TMapUnionRange& r, ScaleIndex scale, Standard standard, bool zone3,
                Datum datum, double cm, int* sheets) {
  const Outcome fast = Run(false, r, scale, standard, zone3, datum, cm);
  const Outcome slow = Run(true, r, scale, standard, zone3, datum, cm);
  const char* datumName = datum == Datum::Beijing54 ? " 54" : datum == Datum::Xian80 ? " 80" : " 2000";
  const auto where = [&] {
    return std::string(kScaleCaptions[scale]) + (standard == Standard::Old ? " old" : " new") +
           datumName + (zone3 ? " 3°" : " 6°") + " cm=" + std::to_string(cm) +
           " W=" + std::to_string(DmsToDeg(r.West)) + " S=" + std::to_string(DmsToDeg(r.South)) +
           " E=" + std::to_string(DmsToDeg(r.East)) + " N=" + std::to_string(DmsToDeg(r.North));
  };
  ASSERT_EQ(fast.error, slow.error) << where();
  ASSERT_EQ(fast.sheets.size(), slow.sheets.size()) << where();
  for (std::size_t i = 0; i < fast.sheets.size(); ++i) {
    ASSERT_EQ(fast.sheets[i].size(), slow.sheets[i].size()) << where();
    for (std::size_t j = 0; j < fast.sheets[i].size(); ++j) {
      const TStandardMapUnion &a = fast.sheets[i][j], &b = slow.sheets[i][j];
      ASSERT_EQ(a.MapUnionNo, b.MapUnionNo) << where();
      ASSERT_EQ(a.Range, b.Range) << a.MapUnionNo << " " << where();
      for (int k = 0; k < 4; ++k) {
        // Exact, and not merely within a tolerance: the same bits.
        ASSERT_EQ(std::memcmp(&a.PlaneCorners[k], &b.PlaneCorners[k], sizeof(TPlanePoint)), 0)
            << a.MapUnionNo << " corner " << k << " " << where();
      }
      ++*sheets;
    }
  }
}

TAngleDMS Dms(double deg) { return DegToDms(deg); }

void ExpectSame(const TMapUnionRange& r, ScaleIndex scale, Standard standard, bool zone3,
                bool is54, double cm, int* sheets) {
  ExpectSame(r, scale, standard, zone3, LegacyDatum(is54), cm, sheets);
}

// Extents a few sheets wide, placed anywhere over China, so that many cross
// 1:100万 lines and zone boundaries; the datum of request n is datumOf(n).
template <class DatumOf>
void RandomExtents(std::uint64_t seed, DatumOf datumOf, int* sheets, int* requests) {
  std::mt19937_64 rng(seed);
  for (ScaleIndex scale = 0; scale < kScaleCount; ++scale) {
    const double w = LonStepTable[scale] / 3600, h = LatStepTable[scale] / 3600;
    std::uniform_real_distribution<double> lon(72, 136), lat(16, 54), cols(0, 7 * w), rowsD(0, 7 * h);
    const int before = *sheets;
    for (int n = 0; n < 48; ++n) {
      const double L = lon(rng), B = lat(rng);
      // Whole seconds with three decimals, as the corner fields hold them.
      const auto field = [](double deg) {
        TAngleDMS a = Dms(deg);
        a.Seconds = std::round(a.Seconds * 1000) / 1000;
        return a;
      };
      const TMapUnionRange r{field(L), field(B), field(L + cols(rng)), field(B + rowsD(rng))};
      // The large scales exist in the new standard only.
      const Standard standard = n % 2 && HasOldStandard(scale) ? Standard::Old : Standard::New;
      const bool zone3 = (n / 2) % 2;
      const double cm = (n / 8) % 2 ? 0.0 : 3.0 * std::round(L / 3);
      ExpectSame(r, scale, standard, zone3, datumOf(n), cm, sheets);
      ++*requests;
    }
    // Sheets compared at every scale, not only refusals.
    EXPECT_GT(*sheets - before, 200) << kScaleCaptions[scale];
  }
}

TEST(Oracle, RandomExtentsEveryScaleStandardEllipsoidAndZoneMethod) {
  int sheets = 0, requests = 0;
  RandomExtents(20261208, [](int n) { return LegacyDatum((n / 4) % 2); }, &sheets, &requests);
  EXPECT_GT(sheets, 2000);
  std::printf("compared %d requests, %d sheets\n", requests, sheets);
}

TEST(Oracle, RandomExtentsOnCgcs2000) {
  // The split Krüger series in the walk against each corner projected whole.
  int sheets = 0, requests = 0;
  RandomExtents(2000, [](int) { return Datum::Cgcs2000; }, &sheets, &requests);
  EXPECT_GT(sheets, 2000);
}

TEST(Oracle, ExtentsOnAndAroundGridLines) {
  // Corners exactly on sheet, 1:100万 and zone lines, and a hair off them.
  int sheets = 0;
  const double lines[] = {114, 117, 118.5, 120, 126};
  for (ScaleIndex scale = 0; scale < kScaleCount; ++scale)
    for (double L : lines)
      for (double dl : {0.0, 1e-9, -1e-9, 1e-13})
        for (Standard standard : {Standard::Old, Standard::New}) {
          // At most a dozen sheets each way: the literal walk is slow.
          const double w = std::min(0.3, 12 * LonStepTable[scale] / 3600);
          const double h = std::min(0.2, 12 * LatStepTable[scale] / 3600);
          const TMapUnionRange r{Dms(L + dl - w), Dms(40 + dl - h), Dms(L + dl), Dms(40 + dl)};
          ExpectSame(r, scale, standard, true, true, 0, &sheets);
          ExpectSame(r, scale, standard, false, false, 117, &sheets);
          ExpectSame(r, scale, standard, true, Datum::Cgcs2000, 0, &sheets);
        }
  EXPECT_GT(sheets, 100);
}

TEST(Oracle, ExtentsOutsideTheGrid) {
  // West of 0° and south of the equator, where the snapping leaves negative
  // edges off the grid and the parents are no grid cells: both walks give
  // the same sheets or the same error.
  int sheets = 0;
  std::mt19937_64 rng(7);
  std::uniform_real_distribution<double> lon(-14, 8), lat(-6, 6);
  for (ScaleIndex scale = 0; scale < kScaleCount; ++scale)
    for (int n = 0; n < 12; ++n) {
      const double w = LonStepTable[scale] / 3600, h = LatStepTable[scale] / 3600;
      const double L = lon(rng), B = lat(rng);
      TMapUnionRange r{Dms(L), Dms(B), Dms(L + 2.5 * w), Dms(B + 2.5 * h)};
      // Also the exact extents that parsed numbers produce there.
      if (n % 3 == 0) r = {SecToDms(-21600), SecToDms(144000 - 7200), SecToDms(-21600 + 1800),
                           SecToDms(144000)};
      ExpectSame(r, scale, n % 2 ? Standard::Old : Standard::New, n % 4 < 2, true, 0, &sheets);
    }
  EXPECT_GT(sheets, 50);  // not only errors
}

}  // namespace
}  // namespace karvento
