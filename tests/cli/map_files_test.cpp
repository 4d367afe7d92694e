// SPDX-License-Identifier: Apache-2.0
// karvento-cli's index maps as a user gets them: SVG read back by Python's
// XML parser, PNG opened, PDF rendered by poppler's pdftoppm.
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QImage>
#include <cstdio>
#include <filesystem>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "run_cli.h"

namespace {

using karvento::cli::kCli;
using karvento::cli::kCliEn;
using karvento::cli::Result;
using karvento::cli::RunShell;

const std::string kSvgCount = SVG_COUNT;

std::string Temp(const std::string& name) {
  return testing::TempDir() + "map_" + std::to_string(getpid()) + "_" + name;
}

struct Svg {
  int frames = -1, cells = -1;
  std::multiset<std::string> texts;
};

Svg ReadSvg(const std::string& file) {
  const Result r = RunShell("python3 " + kSvgCount + " '" + file + "'");
  EXPECT_EQ(r.status, 0) << r.err;
  Svg svg;
  std::istringstream lines(r.out);
  for (std::string line; std::getline(lines, line);) {
    if (line.rfind("frames ", 0) == 0) svg.frames = std::stoi(line.substr(7));
    if (line.rfind("cells ", 0) == 0) svg.cells = std::stoi(line.substr(6));
    if (line.rfind("text ", 0) == 0) svg.texts.insert(line.substr(5));
  }
  return svg;
}

// The sheet numbers of a command's table: the first word of every line but
// the header.
std::multiset<std::string> TableNumbers(const std::string& arguments, int column = 0) {
  const Result r = RunShell(kCli + " " + arguments);
  EXPECT_EQ(r.status, 0) << r.err;
  std::multiset<std::string> numbers;
  std::istringstream lines(r.out);
  std::string line;
  std::getline(lines, line);
  while (std::getline(lines, line)) {
    std::istringstream words(line);
    std::string word;
    for (int k = 0; k <= column; ++k) words >> word;
    numbers.insert(word);
  }
  return numbers;
}

TEST(CliIndexMap, SvgHasOneFrameAndOneNumberPerSheetOfEachCommand) {
  struct Case {
    const char* arguments;
    int numberColumn;  // of the table: a conversion names the source first
    const char* title;
  } cases[] = {
      {"sheets --from 116:20:00,39:50:00 --to 116:40:00,40:00:00 --scale 1:1万", 0,
       "图幅接合表  1:1万  新图幅号  北京54坐标系"},
      {"sheets --from 116:20:00,39:50:00 --to 116:40:00,40:00:00 --scale 1:5万 --standard old --datum 80", 0,
       "图幅接合表  1:5万  旧图幅号  西安80坐标系"},
      {"convert J-50-5 J50D001006 --to-scale 1:5万", 1, "图幅接合表  1:5万  北京54坐标系"},
      {"grid --min-x 0 --min-y 0 --max-x 2000 --max-y 1500 --step-x 500 --step-y 500 --start-row 1 --start-col 1",
       0, "图幅接合表  独立坐标系"},
  };
  for (const Case& c : cases) {
    const std::multiset<std::string> numbers = TableNumbers(c.arguments, c.numberColumn);
    ASSERT_FALSE(numbers.empty()) << c.arguments;
    const std::string file = Temp("map.svg");
    const Result r = RunShell(kCli + " " + c.arguments + " --format svg --size 1200x900 --output " + file);
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out, "") << "a file given, nothing on standard output";
    const Svg svg = ReadSvg(file);
    EXPECT_EQ(svg.frames, static_cast<int>(numbers.size())) << c.arguments;
    EXPECT_EQ(svg.cells, 0) << c.arguments;
    for (const std::string& n : numbers) EXPECT_EQ(svg.texts.count(n), numbers.count(n)) << n;
    EXPECT_EQ(svg.texts.count(c.title), 1u) << c.arguments;
  }
}

TEST(CliIndexMap, PngOpensAtItsSizeAndPdfRendersThroughPoppler) {
  const std::string area = "sheets --from 116:20:00,39:50:00 --to 116:40:00,40:00:00";
  const std::string png = Temp("map.png");
  Result r = RunShell(kCli + " " + area + " --format png --size 500x300 --output " + png);
  ASSERT_EQ(r.status, 0) << r.err;
  const QImage image(QString::fromStdString(png));
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSize(500, 300));

  // A5 landscape at 30 dpi: 248 × 175 pixels.
  const std::string pdf = Temp("map.pdf");
  r = RunShell(kCli + " " + area + " --format pdf --size 210x148 --output " + pdf);
  ASSERT_EQ(r.status, 0) << r.err;
  const std::string prefix = Temp("page");
  r = RunShell("pdftoppm -r 30 -png " + pdf + " " + prefix);
  ASSERT_EQ(r.status, 0) << r.err;
  const QImage page(QString::fromStdString(prefix + "-1.png"));
  ASSERT_FALSE(page.isNull());
  EXPECT_NEAR(page.width(), 248, 1);
  EXPECT_NEAR(page.height(), 175, 1);
  // Most of the page is sheets: frame fill or frame lines.
  int sheets = 0;
  for (int y = 0; y < page.height(); ++y) {
    for (int x = 0; x < page.width(); ++x) sheets += page.pixel(x, y) == qRgb(0xe8, 0xf0, 0xfa);
  }
  EXPECT_GT(sheets, page.width() * page.height() / 3);
  std::filesystem::remove(prefix + "-1.png");
}

TEST(CliIndexMap, The857088SheetsOfChinaAt10000StayASmallAggregatedSvg) {
  const std::string file = Temp("china.svg");
  // Processor time of the command (its wall-clock time belongs in bench/).
  const auto used = [] {
    rusage u{};
    ::getrusage(RUSAGE_CHILDREN, &u);
    return static_cast<double>(u.ru_utime.tv_sec + u.ru_stime.tv_sec) +
           static_cast<double>(u.ru_utime.tv_usec + u.ru_stime.tv_usec) / 1e6;
  };
  const double start = used();
  const Result r = RunShell(kCli + " sheets --from 73,18 --to 135,54 --scale 1:1万 --format svg --output " + file);
  const double seconds = used() - start;
  ASSERT_EQ(r.status, 0) << r.err;
  const auto bytes = std::filesystem::file_size(file);
  std::printf("857088 sheets: SVG of %ju bytes in %.2f s of processor time (numbering included)\n", static_cast<std::uintmax_t>(bytes),
              seconds);
  EXPECT_LT(bytes, 1u << 20);
  const Svg svg = ReadSvg(file);
  EXPECT_EQ(svg.frames, 0);
  EXPECT_GT(svg.cells, 100);
  EXPECT_LT(svg.cells, 800 * 600 / 4);  // at most one rectangle per 2-pixel cell
  std::filesystem::remove(file);
}

TEST(CliIndexMap, SizeFormatAndOutputMistakesAreRefused) {
  const std::string area = "sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 ";
  struct Case {
    const char* options;
    int status;
    const char* message;
  } cases[] = {
      {"--format svg --size 10x10", 2, "--size（像素）：每边 64 至 16000"},
      {"--format png --size 800", 2, "--size 的形式为 宽x高"},
      {"--format png --size 800x60.5", 2, "--size（像素）：“60.5”不是整数"},
      {"--format pdf --size 6000x100", 2, "--size（毫米）：每边 20 至 5000"},
      {"--format csv --size 800x600", 2, "--size 只用于图幅示意图"},
      {"--format gif", 2, "svg png pdf"},
      {"--format png --output /nonexistent-folder/map.png", 1, "/nonexistent-folder/map.png"},
  };
  for (const Case& c : cases) {
    const Result r = RunShell(kCli + " " + area + c.options);
    EXPECT_EQ(r.status, c.status) << c.options;
    EXPECT_NE(r.err.find(c.message), std::string::npos) << c.options << ": " << r.err;
    EXPECT_EQ(r.out, "") << c.options;
  }
  // An SVG without --output goes to standard output.
  const Result r = RunShell(kCli + " " + area + "--format svg");
  EXPECT_EQ(r.status, 0) << r.err;
  EXPECT_EQ(r.out.rfind("<?xml", 0), 0u);
  EXPECT_NE(r.out.find("</svg>"), std::string::npos);
}

TEST(CliIndexMap, HelpSaysWhatIsDrawnAtWhichDensity) {
  for (const char* command : {"sheets", "grid", "convert"}) {
    const Result r = RunShell(kCliEn + " " + command + " --help");
    EXPECT_EQ(r.status, 0);
    for (const char* words : {"svg, png, pdf", "4 pixels or wider is a frame", "2-pixel cells", "--size WxH",
                              "millimetres for pdf"}) {
      EXPECT_NE(r.out.find(words), std::string::npos) << command << " --help lacks " << words;
    }
    EXPECT_EQ(r.out.find("%s"), std::string::npos) << command;
  }
}

}  // namespace
