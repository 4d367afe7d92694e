// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>

#include <cmath>
#include <set>
#include <string>
#include <vector>

#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

struct Grid {
  double minX, minY, maxX, maxY;
  int row, col;
  double stepX, stepY;
  std::string format;
  bool byRowCol;
};

std::vector<std::vector<std::string>> NumbersOf(const Grid& g, std::string* refusal = nullptr) {
  TCustomMapUnions r;
  const std::string message = CreateCustomMapUnions(g.minX, g.minY, g.maxX, g.maxY, g.row, g.col,
                                                    g.stepX, g.stepY, g.format, g.byRowCol, r);
  if (refusal) *refusal = message;
  std::vector<std::vector<std::string>> out;
  for (const auto& row : r) {
    auto& o = out.emplace_back();
    for (const auto& s : row) o.push_back(s.MapUnionNo);
  }
  return out;
}

using Rows = std::vector<std::vector<std::string>>;

TEST(CustomGrid, NumbersFromTheFormat) {
  struct Case { Grid g; Rows numbers; } cases[] = {
      {{0, 0, 1000, 500, 1, 1, 500, 500, "[ROW]+[COL]", true}, {{"1+1", "1+2"}}},
      {{0, 0, 1000, 500, 0, 0, 500, 500, "[ROW]+[COL]", true}, {{"0+0", "0+1"}}},
      {{120, 130, 980, 470, 1, 1, 500, 500, "[ROW]+[COL]", true}, {{"1+1", "1+2"}}},
      {{500, 0, 1000, 500, 1, 1, 500, 500, "[ROW]+[COL]", true}, {{"1+1"}}},
      {{0, 0, 1000, 1000, 1, 1, 500, 500, "[COL]-[ROW]", true}, {{"1-1", "2-1"}, {"1-2", "2-2"}}},
      {{0, 0, 1000, 1000, 5, 7, 500, 500, "R[ROW]", true}, {{"R5", "R5"}, {"R6", "R6"}}},
      {{0, 0, 1000, 500, 5, 7, 500, 500, "C[col]", true}, {{"C7", "C8"}}},
      {{0, 0, 1000, 500, 1, 1, 500, 500, "[row]+[col]", true}, {{"1+1", "1+2"}}},
      {{0, 0, 1000, 500, 1, 1, 500, 500, "[ROW]+[ROW]", true}, {{"1+[ROW]", "1+[ROW]"}}},
      // A "%" the user typed is text, never a conversion.
      {{0, 0, 1000, 500, 1, 1, 500, 500, "50%[ROW]", true}, {{"50%1", "50%1"}}},
      {{0, 0, 500, 500, 1, 1, 500, 500, "%s%n[ROW]", true}, {{"%s%n1"}}},
      {{0, 0, 500, 500, 1, 1, 500, 500, "%d-[COL]-%%", true}, {{"%d-1-%%"}}},
      {{3456500, 4123000, 3457000, 4123500, 0, 0, 500, 500, "[Y]-[X]", false}, {{"23.00-56.50"}}},
      {{3400000, 4100000, 3400500, 4100500, 0, 0, 500, 500, "[Y]-[X]", false}, {{"0.00-0.00"}}},
      {{3456500, 4123000, 3457000, 4123500, 0, 0, 500, 500, "[x]_[y]", false}, {{"56.50_23.00"}}},
  };
  for (const auto& c : cases) EXPECT_EQ(NumbersOf(c.g), c.numbers) << c.g.format;
}

TEST(CustomGrid, SheetsComeRowByRowFromTheBottom) {
  TCustomMapUnions r;
  ASSERT_EQ(CreateCustomMapUnions(0, 0, 1000, 10000, 1, 1, 500, 500, "[ROW]+[COL]", true, r), "");
  ASSERT_EQ(r.size(), 20u);
  EXPECT_EQ(r[0][0], (TCustomMapUnion{"1+1", 0, 0, 500, 500}));
  EXPECT_EQ(r[0][1], (TCustomMapUnion{"1+2", 500, 0, 1000, 500}));
  EXPECT_EQ(r[19][1], (TCustomMapUnion{"20+2", 500, 9500, 1000, 10000}));
}

TEST(CustomGrid, Refusals) {
  struct Case { Grid g; const char* message; } cases[] = {
      {{0, 0, 1000, 500, 1, 1, 500, 500, "no tokens", true}, "图副格式不符合规定！"},
      {{0, 0, 1000, 500, 1, 1, 500, 500, "[X]-[Y]", true}, "图副格式不符合规定！"},
      {{0, 0, 1000, 500, 1, 1, 500, 500, "[ROW]", false}, "图副格式不符合规定！"},
      {{0, 0, 1000, 500, 1, 1, 0, 500, "[ROW]", true}, "偏移值太小了！"},
      {{0, 0, 1000, 500, 1, 1, 500, 0, "[ROW]", true}, "偏移值太小了！"},
      // The format is checked first.
      {{0, 0, 1000, 500, 1, 1, 0, 0, "none", true}, "图副格式不符合规定！"},
      // A step too small to move the coordinate on would never end.
      {{1e9, 0, 1e9 + 1e-5, 500, 1, 1, 1e-8, 500, "[ROW]", true}, "偏移值太小了！"},
      // A negative step walks backwards: refused, whatever the extent, and
      // never sized into a negative count of sheets.
      {{0, 0, 1000, 500, 1, 1, -500, 500, "[ROW]", true}, "偏移值太小了！"},
      {{0, 0, 1000, 500, 1, 1, 500, -500, "[ROW]", true}, "偏移值太小了！"},
      {{0, 0, 1000, 500, 1, 1, -500, -500, "[Y]-[X]", false}, "偏移值太小了！"},
      {{0, 0, 1000, 500, 1, 1, -1e-300, 500, "[ROW]", true}, "偏移值太小了！"},
      {{-7, -7, 1000, 500, 1, 1, 500, -5, "[ROW]", true}, "偏移值太小了！"},
      {{0, 500, 1000, 0, 1, 1, 500, -500, "[ROW]", true}, "偏移值太小了！"},
      {{0, 0, 1000, 500, 1, 1, std::nan(""), 500, "[ROW]", true}, "偏移值太小了！"},
      // An infinite step leaves no sheet of finite size.
      {{0, 0, 1000, 500, 1, 1, 500, INFINITY, "[ROW]", true}, "偏移值太小了！"},
      {{0, 0, 1000, 500, 1, 1, INFINITY, 500, "[ROW]", true}, "偏移值太小了！"},
  };
  for (const auto& c : cases) {
    std::string refusal;
    EXPECT_TRUE(NumbersOf(c.g, &refusal).empty()) << c.g.format;
    EXPECT_EQ(refusal, c.message) << c.g.format;
  }
  // Inverted in Y: no rows and no message; empty in X only: empty rows.
  std::string refusal;
  EXPECT_TRUE(NumbersOf({0, 500, 1000, 0, 1, 1, 500, 500, "[ROW]", true}, &refusal).empty());
  EXPECT_EQ(refusal, "");
  EXPECT_EQ(NumbersOf({1000, 0, 0, 1000, 1, 1, 500, 500, "[ROW]", true}), (Rows{{}, {}}));
}

TEST(CustomGrid, TinyStepsOverAHugeExtentAreRefused) {
  TCustomMapUnions r;
  try {
    CreateCustomMapUnions(0, 0, 1e6, 1e6, 1, 1, 1, 1, "[ROW]", true, r);
    ADD_FAILURE() << "no refusal";
  } catch (const SheetLimitError& e) {
    EXPECT_NE(std::string(e.what()).find("1,000,000,000,000"), std::string::npos) << e.what();
  }
  EXPECT_TRUE(r.empty());
}

std::string RefusalOf(const Grid& g) {
  TCustomMapUnions r;
  try {
    CreateCustomMapUnions(g.minX, g.minY, g.maxX, g.maxY, g.row, g.col, g.stepX, g.stepY,
                          g.format, g.byRowCol, r);
  } catch (const Error& e) {
    EXPECT_TRUE(r.empty()) << g.format.size();
    return e.what();
  }
  return {};
}

TEST(CustomGrid, TheNumbersOfAGridAreBoundedInBytes) {
  const std::string longText(32767 - 11, 'x');
  const std::string limit = "超过了一次最多 128 MiB 的上限";
  struct Case { Grid g; const char* refusal; } cases[] = {
      // The window's longest format over 62,500 sheets would take 2 GB: refused
      // before the walk.
      {{0, 0, 250, 250, 1, 1, 1, 1, longText + "[ROW]+[COL]", true}, "62,500 幅图的图幅号（编号格式 32,767 字节）"},
      {{0, 0, 250, 250, 1, 1, 1, 1, longText + "[Y]-[X]", false}, "62,500 幅图的图幅号（编号格式 32,763 字节）"},
      // 1,000 such sheets take 33 MB: within the limit.
      {{0, 0, 1000, 1, 1, 1, 1, 1, longText + "[ROW]+[COL]", true}, nullptr},
      // At least 1,332 bytes a number fit 100,000 times; ten-digit row and
      // column numbers make 1,350 bytes, which the walk finds past the limit.
      {{0, 0, 100000, 1, 1000000000, 1000000000, 1, 1, std::string(1330, 'x') + "[ROW][COL]", true},
       "100,000 幅图的图幅号（编号格式 1,340 字节）"},
  };
  for (const auto& c : cases) {
    const std::string refusal = RefusalOf(c.g);
    if (!c.refusal) {
      EXPECT_EQ(refusal, "") << c.g.format.size();
      continue;
    }
    EXPECT_NE(refusal.find(c.refusal), std::string::npos) << refusal;
    EXPECT_NE(refusal.find(limit), std::string::npos) << refusal;
  }
}

// Found by fuzzing the grid's whole input: extents and steps near the
// largest double.
TEST(CustomGrid, GridsAtTheEdgeOfTheNumbersAreRefusedOrFinite) {
  const std::string limit = "图幅数量过多", beyond = "图幅范围超出了数值范围";
  struct Case { Grid g; const std::string* refusal; std::size_t sheets; } cases[] = {
      // The rows' quotient underflows to 0 while one row is walked, over
      // columns that reach infinity: refused for its size, never sized from
      // the quotient.
      {{-1e308, -1e-300, 1.7e308, -1e-301, 0, 0, 1e308, 1e308, "[ROW]", true}, &limit, 0},
      // A minimum off the grid walked in steps near the largest number would
      // end its last column or row at infinity.
      {{-1e307, 0, 1e308, 500, 0, 0, 1e308, 500, "[ROW]", true}, &beyond, 0},
      {{0, -1e307, 500, 1e308, 0, 0, 500, 1e308, "[ROW]", true}, &beyond, 0},
      // Grids that end short of it are walked.
      {{0, 0, 1.7e308, 500, 0, 0, 1.7e308, 500, "[ROW]", true}, nullptr, 1},
      {{-1e307, 0, 0, 500, 0, 0, 1e308, 500, "[ROW]+[COL]", true}, nullptr, 1},
      {{-1e307, -1e307, 0, 0, 0, 0, 1e308, 1e308, "[ROW]+[COL]", true}, nullptr, 1},
  };
  for (const auto& c : cases) {
    TCustomMapUnions r;
    std::string error;
    try {
      EXPECT_EQ(CreateCustomMapUnions(c.g.minX, c.g.minY, c.g.maxX, c.g.maxY, c.g.row, c.g.col,
                                      c.g.stepX, c.g.stepY, c.g.format, c.g.byRowCol, r),
                "");
    } catch (const Error& e) {
      error = e.what();
    }
    if (c.refusal) {
      EXPECT_NE(error.find(*c.refusal), std::string::npos) << c.g.minX << " " << error;
      EXPECT_TRUE(r.empty());
      continue;
    }
    EXPECT_EQ(error, "");
    std::size_t sheets = 0;
    for (const auto& row : r) {
      for (const auto& s : row) {
        ++sheets;
        EXPECT_TRUE(std::isfinite(s.MaxX) && std::isfinite(s.MaxY)) << s.MaxX << " " << s.MaxY;
      }
    }
    EXPECT_EQ(sheets, c.sheets) << c.g.minX;
  }
}

TEST(CustomGrid, KilometreRemainder) {
  struct Case { double v, km; } cases[] = {
      {3456500, 56.5}, {3400000, 0}, {99999.9, 99.999}, {-50, -0.05}, {123, 0.123}, {-3456500, -56.5}};
  for (const auto& c : cases) EXPECT_DOUBLE_EQ(KmRemainder(c.v), c.km) << c.v;
}

}  // namespace
}  // namespace karvento

namespace karvento {
namespace {

TEST(RectangularSheets, NumbersOfLargeScalePractice) {
  struct Number {
    double minX, minY;
    int denominator;
    const char* text;
  };
  const Number numbers[] = {
      {525500, 3810000, 1000, "3810.0-525.5"},      {525500, 3810000, 2000, "3810.0-525.5"},
      {525250, 3810250, 500, "3810.25-525.25"},     {39525750, 3810500, 500, "3810.50-525.75"},
      // 100 km apart in one zone: two names, not one.
      {39524000, 3810000, 5000, "3810-524"},        {39424000, 3810000, 5000, "3810-424"},
      {424000, 3810000, 5000, "3810-424"},
  };
  for (const Number& n : numbers) EXPECT_EQ(CoordinateSheetNumber(n.minX, n.minY, n.denominator), n.text);
  const std::pair<long long, const char*> letters[] = {{0, "A"}, {25, "Z"}, {26, "AA"}, {27, "AB"}, {701, "ZZ"}, {702, "AAA"}};
  for (const auto& [row, text] : letters) EXPECT_EQ(RowLetters(row), text);

  // 1:500 sheets of 50 cm (250 m) over 525100–525900 E, 3810100–3810400 N:
  // snapped to 525000–526000 × 3810000–3810500, two rows of four.
  const auto grid = [](RectangularScheme scheme) {
    TCustomMapUnions rows;
    EXPECT_EQ(CreateRectangularMapUnions(525100, 3810100, 525900, 3810400, 250, 250, 500, scheme, rows), "");
    return rows;
  };
  const TCustomMapUnions coords = grid(RectangularScheme::Coordinates);
  ASSERT_EQ(coords.size(), 2u);
  ASSERT_EQ(coords[0].size(), 4u);
  EXPECT_EQ(coords[0][0], (TCustomMapUnion{"3810.00-525.00", 525000, 3810000, 525250, 3810250}));
  EXPECT_EQ(coords[1][3], (TCustomMapUnion{"3810.25-525.75", 525750, 3810250, 526000, 3810500}));
  // Rows are lettered and counted from the top (the last row of the table).
  const TCustomMapUnions rowcol = grid(RectangularScheme::RowColumn);
  EXPECT_EQ(rowcol[1][0].MapUnionNo, "A-1");
  EXPECT_EQ(rowcol[0][3].MapUnionNo, "B-4");
  const TCustomMapUnions serial = grid(RectangularScheme::Serial);
  EXPECT_EQ(serial[1][0].MapUnionNo, "1");
  EXPECT_EQ(serial[1][3].MapUnionNo, "4");
  EXPECT_EQ(serial[0][0].MapUnionNo, "5");
  EXPECT_EQ(serial[0][3].MapUnionNo, "8");
  for (std::size_t i = 0; i < 2; ++i) {
    for (std::size_t j = 0; j < 4; ++j) {
      EXPECT_EQ(rowcol[i][j].MinX, coords[i][j].MinX);
      EXPECT_EQ(serial[i][j].MaxY, coords[i][j].MaxY);
    }
  }
  // Runs whose names would repeat are refused whole; the run of 51
  // sheets over 102 km names each once.
  struct Run {
    double minX, maxX, width, height;
    int denominator;
    bool refused;
  } runs[] = {
      {39424000, 39526000, 2000, 2000, 5000, false},  // 40 cm at 1:5000, 424 … 524 km
      {525000, 526000, 5, 250, 500, true},           // 5 m wide: below 0.01 km
      {525000, 525005, 5, 250, 500, false},          // one column only
      {525000, 526000, 250, 50, 1000, true},         // 50 m high: below 0.1 km
      {39990000, 40010000, 1000, 1000, 5000, true},  // across zone numbers 39 and 40
  };
  for (const Run& r : runs) {
    TCustomMapUnions sheets;
    const std::string refusal = CreateRectangularMapUnions(r.minX, 3810000, r.maxX, 3810100 + (r.height < 100 ? 100 : 0),
                                                           r.width, r.height, r.denominator,
                                                           RectangularScheme::Coordinates, sheets);
    EXPECT_EQ(refusal == kRepeatedCoordinateNumbersMessage, r.refused) << r.minX << " " << r.width;
    std::set<std::string> names;
    std::size_t count = 0;
    for (const auto& row : sheets) {
      for (const auto& sheet : row) names.insert(sheet.MapUnionNo), ++count;
    }
    EXPECT_EQ(names.size(), count) << r.minX;
    EXPECT_EQ(count == 0, r.refused);
  }
  TCustomMapUnions none;
  EXPECT_EQ(CreateRectangularMapUnions(0, 0, 1000, 1000, 0, 250, 500, RectangularScheme::Serial, none),
            kStepTooSmallMessage);
  EXPECT_TRUE(none.empty());
  EXPECT_THROW(CreateRectangularMapUnions(0, 0, 1e9, 1e9, 250, 250, 500, RectangularScheme::Serial, none),
               SheetLimitError);
}

}  // namespace
}  // namespace karvento
