// SPDX-License-Identifier: Apache-2.0
// The attributes every GIS file of sheets carries, and the one plane of a
// file of plane frames.
#include <gtest/gtest.h>

#include <string>

#include "export/sheet_fields.h"
#include "numbering/error.h"

namespace karvento {
namespace {

TEST(SheetFields, TheStandardOfEveryFormOfNumber) {
  const struct { const char* number; const char* standard; } cases[] = {
      {"J-50", "old"},          {"J-50-5-(24)-A", "old"}, {"J50", "new"},
      {"J50G003040", "new"},    {"J50K00010001", "new"},
      // The 1:5000-based form of a new 1:2000 number has a hyphen too.
      {"J50H008075-3", "new"},
  };
  for (const auto& c : cases) {
    TStandardMapUnion s;
    s.MapUnionNo = c.number;
    EXPECT_EQ(StandardOf(s), c.standard) << c.number;
  }
}

TEST(SheetFields, OnePlaneOrARefusal) {
  const struct { double west, east; bool zone3; double cm, plane; } cases[] = {
      {116, 117, true, 0, 117},   {113.75, 114, false, 0, 111}, {114, 114.25, false, 0, 117},
      {113.75, 114.25, false, 0, 0}, {100, 130, true, 117, 117}, {118.25, 118.5, true, 0, 117},
  };
  for (const auto& c : cases) {
    if (c.plane == 0) {
      EXPECT_THROW(PlaneZoneMeridian(c.west, c.east, c.zone3, c.cm), Error) << c.west;
    } else {
      EXPECT_EQ(PlaneZoneMeridian(c.west, c.east, c.zone3, c.cm), c.plane) << c.west;
    }
  }
}

}  // namespace
}  // namespace karvento
