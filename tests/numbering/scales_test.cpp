#include <gtest/gtest.h>

#include "numbering/scales.h"

namespace karvento {
namespace {

TEST(Scales, StepsHalveBelowOneHundredThousandAndTileTheMillionSheet) {
  for (int s = 0; s < kScaleCount; ++s) {
    EXPECT_EQ(LonStepTable[s] * kSheetsPerMillionSide[s], 21600) << kScaleCaptions[s];
    EXPECT_EQ(LatStepTable[s] * kSheetsPerMillionSide[s], 14400) << kScaleCaptions[s];
    if (s > 3) {
      EXPECT_EQ(LonStepTable[s] * 2, LonStepTable[s - 1]);
      EXPECT_EQ(LatStepTable[s] * 2, LatStepTable[s - 1]);
    }
  }
  EXPECT_EQ(LonStepTable[7], 112.5);  // the one step that is not whole
}

TEST(Scales, OldSubdivisionsDivideTheirParents) {
  for (int s = 1; s < kScaleCount; ++s) {
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
}

}  // namespace
}  // namespace karvento
