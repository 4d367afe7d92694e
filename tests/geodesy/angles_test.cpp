// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cmath>

#include "geodesy/angles.h"

namespace karvento {
namespace {

TEST(Angles, DegreesToRadiansRoundsLongDoublePiOnce) {
  EXPECT_EQ(DegToRad(180), 3.141592653589793);
  EXPECT_EQ(DegToRad(90), 3.141592653589793 / 2);
  EXPECT_EQ(DegToRad(0), 0.0);
  EXPECT_EQ(DegToRad(-180), -3.141592653589793);
}

TEST(Angles, DmsToDegreesAndSeconds) {
  struct Case { TAngleDMS a; double deg, sec; } cases[] = {
      {{116, 30, 0}, 116.5, 419400},
      {{39, 54, 0}, 39.9, 143640},
      {{0, 0, 3599.5}, 3599.5 / 3600, 3599.5},
      {{0, -30, 0}, -0.5, -1800},
      // Minutes and seconds of 60 and more simply add to the value.
      {{10, 60, 60}, 11 + 1.0 / 60, 36000 + 3600 + 60},
  };
  for (const auto& c : cases) {
    EXPECT_DOUBLE_EQ(DmsToDeg(c.a), c.deg) << c.a.Degrees << " " << c.a.Minutes;
    EXPECT_EQ(DmsToSec(c.a), c.sec);
  }
  // Minutes are added before the degrees, then the seconds: the order shows in
  // the last bit.
  const TAngleDMS a{116, 26, 15};
  EXPECT_EQ(DmsToDeg(a), 26.0 / 60 + 116 + 15.0 / 3600);
}

TEST(Angles, SecondsToDmsTruncatesWithoutCarry) {
  struct Case { double s; TAngleDMS a; } cases[] = {
      {419400, {116, 30, 0}},
      {3599.5, {0, 59, 59.5}},
      {419175, {116, 26, 15}},
      {144000 - 112.5, {39, 58, 7.5}},
      {0, {0, 0, 0}},
      {-3599.5, {0, -59, -59.5}},
      {-21600, {-6, 0, 0}},
  };
  for (const auto& c : cases) {
    const TAngleDMS r = SecToDms(c.s);
    EXPECT_EQ(r, c.a) << c.s;
    EXPECT_FALSE(std::signbit(r.Degrees) && r.Degrees == 0) << "no negative zero for " << c.s;
  }
}

TEST(Angles, DegreesToDmsCarriesAtSixty) {
  struct Case { double deg; TAngleDMS a; } cases[] = {
      {116.5, {116, 30, 0}},
      {39.75, {39, 45, 0}},
      // 59.99964″ carries into the minutes, the minutes reach 60 and carry
      // into the degrees.
      {30.9999999, {31, 0, 0}},
      {-0.5, {0, -30, 0}},
      {0, {0, 0, 0}},
      {114, {114, 0, 0}},
  };
  for (const auto& c : cases) EXPECT_EQ(DegToDms(c.deg), c.a) << c.deg;

  // Seconds just short of the carry threshold stay unrounded.
  const TAngleDMS r = DegToDms(10 + 59.0 / 60 + 59.998 / 3600);
  EXPECT_EQ(r.Degrees, 10);
  EXPECT_EQ(r.Minutes, 59);
  EXPECT_NEAR(r.Seconds, 59.998, 1e-9);
  // Negative angles never carry.
  const TAngleDMS n = DegToDms(-30.9999999);
  EXPECT_EQ(n.Degrees, -30);
  EXPECT_EQ(n.Minutes, -59);
  EXPECT_NEAR(n.Seconds, -59.99964, 1e-6);
}

TEST(Angles, SnappingToAStep) {
  struct Case { double v, step, floor, ceil; } cases[] = {
      {7, 5, 5, 10},
      {10, 5, 10, 10},
      {0, 5, 0, 0},
      {-7, 5, -7, -7},   // a negative value off the grid comes back unchanged
      {-10, 5, -10, -10},
      {419412.3, 5400, 415800, 421200},
      {419400, 1800, 419400, 419400},
      {419400.0001, 1800, 419400, 421200},
      {112.5 * 3 + 1e-9, 112.5, 337.5, 450},
      {225, 112.5, 225, 225},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(FloorToStep(c.v, c.step), c.floor) << c.v << " / " << c.step;
    EXPECT_EQ(CeilToStep(c.v, c.step), c.ceil) << c.v << " / " << c.step;
  }
}

}  // namespace
}  // namespace karvento
