// SPDX-License-Identifier: Apache-2.0
// Angles as people write them: every accepted form against the angle it
// stands for, and the texts that must be refused with their reason.
#include "geodesy/angle_text.h"

#include <gtest/gtest.h>

#include <cmath>

namespace karvento {
namespace {

TEST(AngleText, AcceptedForms) {
  const TAngleDMS decimal = DegToDms(116.341806);
  struct Case {
    const char* text;
    TAngleDMS angle;
  } cases[] = {
      {"116°20'30.5\"", {116, 20, 30.5}},
      {"116°20′30.5″", {116, 20, 30.5}},
      {"116° 20′ 30.5″", {116, 20, 30.5}},
      {"116º20’30.5”", {116, 20, 30.5}},
      {"116°20'30.5''", {116, 20, 30.5}},
      {"116 20 30.5", {116, 20, 30.5}},
      {"  116\t20   30.5  ", {116, 20, 30.5}},
      {"116　20　30.5", {116, 20, 30.5}},  // full-width blanks
      {"116:20:30.5", {116, 20, 30.5}},
      {"116：20：30.5", {116, 20, 30.5}},  // full-width colons
      {"116d20m30.5s", {116, 20, 30.5}},
      {"116:20", {116, 20, 0}},
      {"116 20", {116, 20, 0}},
      {"39°54′", {39, 54, 0}},
      {"116.341806", decimal},
      {"116.341806°", decimal},
      {"116:", {116, 0, 0}},
      {"+116.5", {116, 30, 0}},
      {"30.9999999", {31, 0, 0}},  // DegToDms carries
      {"1.165e2", {116, 30, 0}},
      {"-0:30:00", {0, -30, 0}},
      {"-116 20 30", {-116, -20, -30}},
      // Ranges are the caller's to judge.
      {"116 75 80", {116, 75, 80}},
      // Decimal minutes as the last field carry into the seconds, from the
      // typed digits.
      {"39°54.5'", {39, 54, 30}},
      {"39 54.1", {39, 54, 6}},
      {"-0 30.5", {0, -30, -30}},
      // Pasted full-width forms.
      {"３９°５４′", {39, 54, 0}},
      {"１１６．５", {116, 30, 0}},
      {"３９°５４＇３０＂", {39, 54, 30}},
      // A hemisphere before or after.
      {"116°20'30\"E", {116, 20, 30}},
      {"116°20'30\"N", {116, 20, 30}},
      {"N 39°54'", {39, 54, 0}},
      {"东经116°20′", {116, 20, 0}},
      {"39.5北纬", {39, 30, 0}},
  };
  for (const Case& c : cases) {
    TAngleDMS a{-1, -1, -1};
    EXPECT_EQ(ParseAngleText(c.text, a), AngleTextError::None) << c.text;
    EXPECT_EQ(a, c.angle) << c.text;
  }
  // The decimal form is exactly DegToDms of the number: 30.5016″, not 30.5″.
  TAngleDMS a;
  ASSERT_EQ(ParseAngleText("116.341806", a), AngleTextError::None);
  EXPECT_EQ(a.Degrees, 116);
  EXPECT_EQ(a.Minutes, 20);
  EXPECT_NEAR(a.Seconds, 30.5016, 1e-9);
  // A minus makes every field negative, also a zero one.
  ASSERT_EQ(ParseAngleText("-0:30:00", a), AngleTextError::None);
  EXPECT_TRUE(std::signbit(a.Degrees));
}

TEST(AngleText, RefusedTextsLeaveTheAngle) {
  struct Case {
    const char* text;
    AngleTextError why;
  } cases[] = {
      {"", AngleTextError::Empty},
      {"   ", AngleTextError::Empty},
      {"x", AngleTextError::NotANumber},
      {"abc 20 30", AngleTextError::NotANumber},
      {"nan", AngleTextError::NotANumber},
      {"inf", AngleTextError::NotANumber},
      {"1e999", AngleTextError::NotANumber},
      {"116x", AngleTextError::NotANumber},
      {"116,5", AngleTextError::NotANumber},
      {"--116", AngleTextError::NotANumber},
      {"116 -20 30", AngleTextError::NotANumber},
      {"116.3.4", AngleTextError::NotANumber},
      {"-", AngleTextError::NotANumber},
      {"1:2:3:4", AngleTextError::TooManyFields},
      {"116°20'30\"W", AngleTextError::SouthOrWest},
      {"S39", AngleTextError::SouthOrWest},
      {"西经116", AngleTextError::SouthOrWest},
      {"-116E", AngleTextError::WrongHemisphere},
      {"N39N", AngleTextError::WrongHemisphere},
      {"39.5°30'", AngleTextError::FractionNotLast},
      {"39°54.5'30\"", AngleTextError::FractionNotLast},
      {"1::2", AngleTextError::MarkOutOfPlace},
      {"116°°20", AngleTextError::MarkOutOfPlace},
      {"116'", AngleTextError::MarkOutOfPlace},      // minutes mark after degrees
      {"116 20°", AngleTextError::MarkOutOfPlace},   // degree mark after minutes
      {"116°20\"30", AngleTextError::MarkOutOfPlace},  // seconds mark after minutes
  };
  for (const Case& c : cases) {
    TAngleDMS a{1, 2, 3};
    EXPECT_EQ(ParseAngleText(c.text, a), c.why) << c.text;
    EXPECT_EQ(a, (TAngleDMS{1, 2, 3})) << c.text;
  }
}

TEST(AngleText, AHemisphereMustMatchTheCoordinate) {
  struct Case {
    const char* text;
    AngleAxis axis;
    AngleTextError why;
  } cases[] = {
      {"116E", AngleAxis::Longitude, AngleTextError::None},
      {"39N", AngleAxis::Latitude, AngleTextError::None},
      {"116", AngleAxis::Latitude, AngleTextError::None},
      {"39N", AngleAxis::Longitude, AngleTextError::WrongHemisphere},
      {"东经116", AngleAxis::Latitude, AngleTextError::WrongHemisphere},
      {"39S", AngleAxis::Latitude, AngleTextError::SouthOrWest},
  };
  for (const Case& c : cases) {
    TAngleDMS a;
    EXPECT_EQ(ParseAngleText(c.text, a, false, c.axis), c.why) << c.text;
  }
}

}  // namespace
}  // namespace karvento
