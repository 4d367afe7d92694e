// SPDX-License-Identifier: Apache-2.0
#include "workbench/text_files.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "export/gbk.h"
#include "numbering/error.h"
#include "temp_dir.h"

namespace karvento {
namespace {

using testing::TempDir;

TParameterSet Example() {
  TParameterSet p;
  p.Corners = {TAngleDMS{115, 30, 0}, TAngleDMS{39, 20, 12.5}, TAngleDMS{117, 0, 0},
               TAngleDMS{40, 0, 0}};
  p.ZoneIndex = 0;
  p.CentralMeridian = 117;
  p.OffsetX = 39000000;
  p.OffsetY = 0;
  return p;
}

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

TEST(ParameterFile, TheWorkedExampleLineByLine) {
  EXPECT_EQ(FormatParameterFile(Example()),
            "115 30 0.00\r\n39 20 12.50\r\n117 0 0.00\r\n40 0 0.00\r\n3\r\n117.00\r\n"
            "39000000\r\n0\r\n");
}

TEST(ParameterFile, HowValuesAreWritten) {
  struct Case {
    TAngleDMS corner;
    int zone;
    double cm, offsetX;
    const char* line1;
    const char* line5;
    const char* line6;
    const char* line7;
  } cases[] = {
      {{116, 30, 12.346}, 0, 117, 123.9, "116 30 12.346", "3", "117.00", "123"},
      {{116.9, 59.9, 0.004}, 1, 120.5, -123.9, "116 59 0.004", "6", "120.50", "-123"},
      {{0, 0, 59.999}, 1, 0, -0.5, "0 0 59.999", "6", "0.00", "0"},
      {{1, 2, 12.35}, 0, 117, 0, "1 2 12.35", "3", "117.00", "0"},
      {{1, 2, 30.1}, 0, 117, 0, "1 2 30.10", "3", "117.00", "0"},
      {{1, 2, 30.0004}, 0, 117, 0, "1 2 30.00", "3", "117.00", "0"},
      {{0, 0, 0}, -1, 0, 1e20, "0 0 0.00", "6", "0.00", "100000000000000000000"},
  };
  for (const Case& c : cases) {
    TParameterSet p;
    p.Corners[0] = c.corner;
    p.ZoneIndex = c.zone;
    p.CentralMeridian = c.cm;
    p.OffsetX = c.offsetX;
    const std::vector<std::string> lines = SplitLines(FormatParameterFile(p));
    ASSERT_EQ(lines.size(), 8u);
    EXPECT_EQ(lines[0], c.line1);
    EXPECT_EQ(lines[4], c.line5);
    EXPECT_EQ(lines[5], c.line6);
    EXPECT_EQ(lines[6], c.line7);
  }
}

TEST(ParameterFile, WrittenAndReadBack) {
  TempDir dir;
  const std::string file = dir.File("p.txt");
  WriteParameterFile(file, Example());
  EXPECT_EQ(ReadParameterFile(file), Example());
}

TEST(ParameterFile, OddFiles) {
  const TAngleDMS zero{};
  struct Case {
    const char* name;
    std::vector<std::string> lines;
    TAngleDMS corner1;
    int zone;
    double cm, offsetX, offsetY;
  } cases[] = {
      {"fewer than four lines", {"116 30 0", "39 0 0", "117 0 0"}, zero, 0, 0, 0, 0},
      {"exactly four lines", {"116 30 0", "39 0 0", "117 0 0", "40 0 0"}, {116, 30, 0}, 0, 0, 0, 0},
      {"two numbers", {"116 30", "", "", "", "6"}, {116, 30, 0}, 1, 0, 0, 0},
      {"one number", {"116", "", "", ""}, {116, 0, 0}, 0, 0, 0, 0},
      {"four numbers", {"116 30 0 1", "", "", ""}, zero, 0, 0, 0, 0},
      {"trailing space", {"116 30 5 ", "", "", ""}, {116, 30, 5}, 0, 0, 0, 0},
      {"one double space among three", {"116  30 5", "", "", ""}, zero, 0, 0, 0, 0},
      {"line five with a space before", {"1", "2", "3", "4", " 6"}, {1, 0, 0}, 0, 0, 0, 0},
      {"line five with a space after", {"1", "2", "3", "4", "6 "}, {1, 0, 0}, 0, 0, 0, 0},
      {"line five 3", {"1", "2", "3", "4", "3", "120"}, {1, 0, 0}, 0, 120, 0, 0},
      {"decimals and exponents",
       {"1.5 2 3", "", "", "", "6", "1.2e2", " 7 ", "-8.5"},
       {1.5, 2, 3},
       1,
       120,
       7,
       -8.5},
      {"lines after the eighth",
       {"1", "", "", "", "", "0", "0", "0", "junk"},
       {1, 0, 0},
       0,
       0,
       0,
       0},
  };
  for (const Case& c : cases) {
    const TParameterSet p = ParseParameterLines(c.lines);
    EXPECT_EQ(p.Corners[0], c.corner1) << c.name;
    EXPECT_EQ(p.ZoneIndex, c.zone) << c.name;
    EXPECT_EQ(p.CentralMeridian, c.cm) << c.name;
    EXPECT_EQ(p.OffsetX, c.offsetX) << c.name;
    EXPECT_EQ(p.OffsetY, c.offsetY) << c.name;
  }
}

TEST(ParameterFile, TextsThatAreNotNumbersStopTheReading) {
  struct Case {
    std::vector<std::string> lines;
    const char* message;
  } cases[] = {
      {{"116  30", "", "", ""}, "'' is not a valid floating point value"},
      {{"116 x 0", "", "", ""}, "'x' is not a valid floating point value"},
      {{"1", "2", "3", "4", "3", ""}, "'' is not a valid floating point value"},
      {{"1", "2", "3", "4", "3", "0", "12,5"}, "'12,5' is not a valid floating point value"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorOf([&] { ParseParameterLines(c.lines); }), c.message);
  }
}

TEST(ParameterFile, ValuesBroughtIntoTheFieldsOfTheDatumsTab) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double inf = std::numeric_limits<double>::infinity();
  TParameterSet odd;
  odd.Corners = {TAngleDMS{-3, 75, 61.5}, TAngleDMS{95, 30, 12.0625},
                 TAngleDMS{181, -1, nan}, TAngleDMS{40.6, 59.4, -0.0}};
  odd.CentralMeridian = 117.45;
  odd.OffsetX = 39000000.5;
  odd.OffsetY = 100.4;
  TParameterSet brought;
  brought.Corners = {TAngleDMS{0, 59, 60}, TAngleDMS{90, 30, 12.063}, TAngleDMS{180, 0, 0},
                     TAngleDMS{41, 59, 0}};
  brought.CentralMeridian = 117;
  brought.OffsetX = 39000000.5;
  brought.OffsetY = 100;
  const struct {
    Datum datum;
    int zoneIndex, zoneBrought;
    double meridian, meridianBrought;
    double offsetX, offsetXBrought;
    double offsetY, offsetYBrought;
  } cases[] = {
      // Only Xi'an 1980's X offset is a whole number.
      // A central meridian of its own is kept as it is.
      {Datum::Beijing54, 0, 0, 117.45, 117.45, 39000000.5, 39000000.5, 100.4, 100},
      {Datum::Xian80, 0, 0, 117.45, 117.45, 39000000.5, 39000001, 100.4, 100},
      {Datum::Cgcs2000, 0, 0, 117.45, 117.45, 39000000.5, 39000000.5, 100.4, 100},
      // Zone indexes but 0 are the second item; meridians within 0..180;
      // offsets that are no number are 0.
      {Datum::Beijing54, 5, 1, 200, 180, nan, 0, -inf, 0},
      {Datum::Xian80, -1, 1, -5, 0, inf, 0, -0.0, 0},
  };
  for (const auto& c : cases) {
    TParameterSet p = odd;
    p.ZoneIndex = c.zoneIndex;
    p.CentralMeridian = c.meridian;
    p.OffsetX = c.offsetX;
    p.OffsetY = c.offsetY;
    ClampToFieldLimits(p, c.datum);
    TParameterSet expected = brought;
    expected.ZoneIndex = c.zoneBrought;
    expected.CentralMeridian = c.meridianBrought;
    expected.OffsetX = c.offsetXBrought;
    expected.OffsetY = c.offsetYBrought;
    EXPECT_EQ(p, expected) << static_cast<int>(c.datum) << " zone " << c.zoneIndex;
    EXPECT_FALSE(std::signbit(p.Corners[3].Seconds) || std::signbit(p.OffsetY));
  }
}

TEST(ParameterFile, OnlyTheFirstEightLinesAreRead) {
  TempDir dir;
  std::string text = FormatParameterFile(Example());
  // Behind the eighth line: a line far longer than any parameter line and
  // bytes that are no text at all.
  text += std::string(100000, 'x') + "\r\n" + std::string("\x01\xff\xfe", 3);
  const std::string file = dir.Write("long.txt", text);
  EXPECT_EQ(ReadParameterFile(file), Example());
}

TEST(ParameterFile, AnOverlongLineIsRefusedWithoutBeingReadWhole) {
  TempDir dir;
  // 10 MB without a line break: refused once the line passes the limit.
  const std::string file = dir.Write("huge.txt", std::string(10'000'000, '7'));
  const std::string message = ErrorOf([&] { ReadParameterFile(file); });
  EXPECT_EQ(message, "'" + std::string(64, '7') + "…' is not a valid floating point value");
  // A line of exactly the limit is still read (and here converted).
  const std::string limit =
      dir.Write("limit.txt", "1\r\n2\r\n3\r\n4\r\n3\r\n" + std::string(kMaxParameterLine, '0'));
  EXPECT_EQ(ReadParameterFile(limit).CentralMeridian, 0);
}

TEST(ParameterFile, ReadingStopsAtANul) {
  TempDir dir;
  const std::string file = dir.Write("nul.txt", std::string("1\r\n2\r\n3\r\n4\r\n6\0junk", 17));
  const TParameterSet p = ReadParameterFile(file);
  EXPECT_EQ(p.Corners[3].Degrees, 4);
  EXPECT_EQ(p.ZoneIndex, 1);
}

TEST(TextFiles, FileErrorsNameTheFileAndTheReason) {
  TempDir dir;
  const std::string missing = dir.File("missing.txt");
  EXPECT_EQ(ErrorOf([&] { ReadParameterFile(missing); }),
            "无法打开文件 “" + missing + "”：No such file or directory");
  EXPECT_EQ(ErrorOf([&] { ReadNumberList(missing); }),
            "无法打开文件 “" + missing + "”：No such file or directory");
  const std::string inMissingFolder = dir.File("no/such/p.txt");
  EXPECT_EQ(ErrorOf([&] { WriteParameterFile(inMissingFolder, Example()); }),
            "无法写入文件 “" + inMissingFolder + "”：No such file or directory");
  EXPECT_EQ(ErrorOf([&] { ReadNumberList(dir.File("")); }),
            "无法读取文件 “" + dir.File("") + "”：Is a directory");
}

TEST(NumberList, LineBreaks) {
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  } cases[] = {
      {"J-50\r\nJ50\r\n", {"J-50", "J50"}},
      {"J-50\nJ50", {"J-50", "J50"}},
      {"J-50\rJ50\r", {"J-50", "J50"}},
      {"a\r\n\r\nb", {"a", "", "b"}},  // an empty line in the middle stays
      {"a\n\r\nb", {"a", "", "b"}},
      {"a\r\rb", {"a", "", "b"}},
      {" J-50 \r\n", {" J-50 "}},                  // no trimming
      {std::string("a\nb\0c\nd", 7), {"a", "b"}},  // a NUL ends the text
      {"", {}},
      {"\r\n", {""}},
  };
  for (const Case& c : cases) EXPECT_EQ(SplitLines(c.text), c.lines) << c.text;
}

TEST(NumberList, LinesAreDecodedFromGbk) {
  TempDir dir;
  // "图幅" in GBK is CD BC B7 F9; 0xFF and a lead byte at the end are not
  // GBK (0x80 is the euro sign of code page 936).
  const std::string file =
      dir.Write("gbk.txt", "J-50\r\n\xCD\xBC\xB7\xF9\r\nA\xFFZ\r\nB\x81\r\nC\x80");
  const std::vector<std::string> expected = {"J-50", "图幅", "A\xEF\xBF\xBDZ", "B\xEF\xBF\xBD",
                                             "C€"};
  EXPECT_EQ(ReadNumberList(file), expected);
}

TEST(NumberList, AByteOrderMarkMakesTheListUtf8) {
  // Notepad and Excel's "CSV UTF-8" begin with the mark; read as GBK it
  // would swallow the first number's first letter (锘縅50D001005).
  struct Case {
    std::string text;
    std::vector<std::string> lines;
  };
  const Case cases[] = {
      {"\xEF\xBB\xBFJ50D001005\r\nJ-50-5\r\n", {"J50D001005", "J-50-5"}},
      {"\xEF\xBB\xBF\xE5\x9B\xBE\xE5\xB9\x85\xE5\x8F\xB7,x\nA\xFFZ\n\xE5\x9B",
       {"图幅号,x", "A\xEF\xBF\xBDZ", "\xEF\xBF\xBD\xEF\xBF\xBD"}},
      {"\xEF\xBB\xBF", {}},
      {"J50\n\xEF\xBB\xBFJ50", {"J50", "\xE9\x94\x98\xE7\xB8\x85\x35\x30"}},  // only at the start
  };
  TempDir dir;
  for (const Case& c : cases) {
    EXPECT_EQ(ReadNumberList(dir.Write("bom.txt", c.text)), c.lines) << c.text;
  }
}

TEST(NumberList, ReadLineByLineAsReadWhole) {
  // The line reader gives the lines of the whole reader: every break, a NUL,
  // GBK, and breaks and pairs split across its 64 KiB reads.
  const std::string block(65535, 'x');
  const std::string texts[] = {
      "J-50\r\nJ50\r\n", "J-50\nJ50", "J-50\rJ50\r", "a\r\n\r\nb", "a\n\r\nb", "a\r\rb",
      std::string("a\nb\0c\nd", 7), std::string("\0a", 2), "", "\r\n", "\n\n",
      "J-50\r\n\xCD\xBC\xB7\xF9\r\nA\xFFZ\r\nB\x81\r\nC\x80",
      block + "\r\nJ50",  // CR last of one read, LF first of the next
      block + "\rJ50", block + "J\r\n", block.substr(1) + "\xCD\xBC\n" + block + "\n",
      "\xEF\xBB\xBFJ50\r\n\xE5\x9B\xBE\xFF\r\n", "\xEF\xBB\xBF", "\xEF\xBB\xBF\r\n",
  };
  TempDir dir;
  for (const std::string& text : texts) {
    const std::string file = dir.Write("list.txt", text);
    std::vector<std::string> lines;
    NumberListReader reader(file);
    for (std::string line; reader.Next(line);) lines.push_back(line);
    EXPECT_EQ(lines, ReadNumberList(file)) << text.substr(0, 40);
  }
  EXPECT_EQ(ErrorOf([&] { NumberListReader reader(dir.File("missing.txt")); }),
            "无法打开文件 “" + dir.File("missing.txt") + "”：No such file or directory");
  EXPECT_EQ(ErrorOf([&] {
              NumberListReader reader(dir.File(""));
              std::string line;
              reader.Next(line);
            }),
            "无法读取文件 “" + dir.File("") + "”：Is a directory");
}

TEST(NumberList, GbkDecoding) {
  struct Case {
    std::string gbk, utf8;
  } cases[] = {
      {"J50D001005", "J50D001005"},
      {"\xB1\xB1\xBE\xA9", "北京"},
      {"\x81", "\xEF\xBF\xBD"},
      {"\xFF\xFF", "\xEF\xBF\xBD\xEF\xBF\xBD"},
  };
  for (const Case& c : cases) EXPECT_EQ(GbkToUtf8(c.gbk, true), c.utf8);
  // Long runs go through the converter's small buffer.
  std::string many;
  std::string expected;
  for (int i = 0; i < 500; ++i) {
    many += "\xB1\xB1";
    expected += "北";
  }
  EXPECT_EQ(GbkToUtf8(many, true), expected);
}

}  // namespace
}  // namespace karvento
