// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/angles.h"
#include "numbering/scales.h"

namespace karvento {
namespace {

TEST(Scales, StepsHalveBelowOneHundredThousandAndTileTheMillionSheet) {
  for (int s = 0; s < kScaleCount; ++s) {
    EXPECT_EQ(LonStepTable[s] * kSheetsPerMillionSide[s], 21600) << kScaleCaptions[s];
    EXPECT_EQ(LatStepTable[s] * kSheetsPerMillionSide[s], 14400) << kScaleCaptions[s];
    // Below 1:10万 each step halves the one above, except that a 1:5000
    // sheet holds 3 × 3 sheets of 1:2000.
    const double k = s == 8 ? 3 : 2;
    if (s > 3) {
      EXPECT_EQ(LonStepTable[s] * k, LonStepTable[s - 1]) << kScaleCaptions[s];
      EXPECT_EQ(LatStepTable[s] * k, LatStepTable[s - 1]) << kScaleCaptions[s];
    }
  }
  EXPECT_EQ(LonStepTable[7], 112.5);  // not a whole number of seconds
}

TEST(Scales, TheLargeScalesOfTheNewStandard) {
  struct Row { ScaleIndex s; const char* caption; int denominator; double lon, lat; char code;
               int side, digits; } rows[] = {
      {8, "1:2000", 2000, 37.5, 25, 'I', 576, 3},
      {9, "1:1000", 1000, 18.75, 12.5, 'J', 1152, 4},
      {10, "1:500", 500, 9.375, 6.25, 'K', 2304, 4},
  };
  for (const Row& r : rows) {
    EXPECT_EQ(kScaleCaptions[r.s], r.caption);
    EXPECT_EQ(kScaleDenominators[r.s], r.denominator);
    EXPECT_EQ(LonStepTable[r.s], r.lon);
    EXPECT_EQ(LatStepTable[r.s], r.lat);
    EXPECT_EQ(kNewScaleCodes[r.s], r.code);
    EXPECT_EQ(kSheetsPerMillionSide[r.s], r.side);
    EXPECT_EQ(kSerialDigits[r.s], r.digits);
    EXPECT_FALSE(HasOldStandard(r.s)) << r.caption;
  }
  for (ScaleIndex s = 0; s < kOldScaleCount; ++s) EXPECT_TRUE(HasOldStandard(s));
  // Every new-standard number has room for its largest row and column.
  for (ScaleIndex s = 1; s < kScaleCount; ++s) {
    int digits = 0;
    for (int n = kSheetsPerMillionSide[s]; n > 0; n /= 10) ++digits;
    EXPECT_LE(digits, kSerialDigits[s]) << kScaleCaptions[s];
  }
}

// Every grid line of every scale, up to 180° east and 104° north, is a whole
// number of grid units, and goes to degrees-minutes-seconds and back to the
// same seconds: the exact arithmetic of the sheet walk rests on both. Half
// seconds, enough for 1:5000's 112.5″, would not do for 1:500.
TEST(Scales, EveryGridLineIsAWholeNumberOfGridUnits) {
  const auto whole = [](double v) { return std::floor(v) == v; };
  EXPECT_FALSE(whole(LonStepTable[10] * 2));  // 9.375″ = 18.75 half seconds
  EXPECT_FALSE(whole(LonStepTable[10] * 4));  // = 37.5 quarter seconds
  EXPECT_TRUE(whole(LonStepTable[10] * 8));   // = 75 eighth seconds
  long long lines = 0;
  for (ScaleIndex s = 0; s < kScaleCount; ++s) {
    const double steps[] = {LonStepTable[s], LatStepTable[s]};
    const double ends[] = {180 * 3600.0, 104 * 3600.0};
    for (int axis = 0; axis < 2; ++axis) {
      const double units = steps[axis] * static_cast<double>(kGridUnitsPerSecond);
      ASSERT_TRUE(whole(units)) << kScaleCaptions[s];
      for (double k = 0;; ++k) {
        const double seconds = k * steps[axis];
        if (seconds > ends[axis]) break;
        const double u = seconds * static_cast<double>(kGridUnitsPerSecond);
        ASSERT_TRUE(whole(u) && u == k * units) << kScaleCaptions[s] << " line " << k;
        ASSERT_EQ(DmsToSec(SecToDms(seconds)), seconds) << kScaleCaptions[s] << " line " << k;
        ++lines;
      }
    }
  }
  EXPECT_GT(lines, 2 * 69120);  // 1:500 alone has 69,121 meridians to 180°
}

TEST(Scales, OldSubdivisionsDivideTheirParents) {
  for (int s = 1; s < kOldScaleCount; ++s) {
    const OldSubdivision& d = kOldSubdivisions[s];
    ASSERT_GE(d.parent, 0);
    EXPECT_EQ(LonStepTable[d.parent], LonStepTable[s] * d.division) << kScaleCaptions[s];
    EXPECT_EQ(LatStepTable[d.parent], LatStepTable[s] * d.division) << kScaleCaptions[s];
    if (d.designator == Designator::Letter) {
      EXPECT_EQ(d.division, 2);
    }
  }
}

TEST(Scales, MillionGrid) {
  EXPECT_EQ(RowLetter(10), 'J');  // 36°–40° N
  EXPECT_EQ(RowLetter(1), 'A');
  EXPECT_EQ(RowLetter(26), 'Z');
  EXPECT_TRUE(HasRowLetter(26));
  EXPECT_FALSE(HasRowLetter(27));
  EXPECT_FALSE(HasRowLetter(0));
  EXPECT_EQ(std::string(kScaleCaptions[6]), "1:1万");
  EXPECT_EQ(kNewScaleCodes[1], 'B');
  EXPECT_EQ(kNewScaleCodes[7], 'H');
  EXPECT_EQ(kScaleCaptions[7], "1:5000");  // indices 0–7 keep their meaning
  EXPECT_EQ(kScaleCaptions[8], "1:2000");
}

}  // namespace
}  // namespace karvento
