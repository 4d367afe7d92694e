// SPDX-License-Identifier: Apache-2.0
// Broken and hostile files handed to the window's two readers, Open
// parameters ("打开" on 北京54坐标系) and Open number list ("打开" on
// 图幅号转换), through the scripted user. A refused file shows one error
// box naming the file and the reason and changes nothing; a file that is
// read behaves exactly like the plain text file it amounts to.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <memory>
#include <string>
#include <vector>

#include "bad_files.h"
#include "fake_ui.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/user_texts.h"

namespace karvento {
namespace {

using testing::FakeUi;
using testing::Session;
using testing::TempDir;
using testing::WindowState;

constexpr std::size_t kGigabyte = std::size_t{1} << 30;

std::string Repeat(const std::string& s, int n) {
  std::string r;
  for (int i = 0; i < n; ++i) r += s;
  return r;
}

std::string Texts(const SheetList& list) {
  std::string t;
  for (std::size_t i = 0; i < list.Count(); ++i) t += list.Text(i) + "|";
  return t;
}

// How the window shows a value of a parameter file that is no number.
std::string InParameterFile(const std::string& file, const std::string& reason) {
  return "参数文件 “" + file + "” 中" + reason;
}

const char* const kExampleCrLf =
    "115 30 0.00\r\n39 20 12.50\r\n117 0 0.00\r\n40 0 0.00\r\n3\r\n117.00\r\n39000000\r\n0\r\n";

// --------------------------------------------------------------------------
// Open parameters

TEST(HostileParameterFiles, RefusedFilesNameTheFileAndTheReasonAndChangeNothing) {
  TempDir dir;
  const std::string folder = dir.File("folder.txt");
  std::filesystem::create_directory(folder);
  struct Case {
    const char* what;
    std::string file, message;
  } cases[] = {
      {"missing", dir.File("missing.txt"),
       "无法打开文件 “" + dir.File("missing.txt") + "”：No such file or directory"},
      {"a folder", folder, "无法读取文件 “" + folder + "”：Is a directory"},
      {"unreadable even for root", testing::kUnreadableFile,
       std::string("无法读取文件 “") + testing::kUnreadableFile + "”：Input/output error"},
      {"a 10,000-character line", dir.Write("long.txt", std::string(10000, '1') + "\r\n2\r\n"),
       "“" + std::string(64, '1') + "…”不是有效的数字"},
      {"GBK text where a number belongs",
       dir.Write("gbk.txt", "115 30 0.00\r\n39 20 \xB1\xB1\r\n117 0 0\r\n40 0 0\r\n"),
       "“北”不是有效的数字"},
      {"bytes that are not GBK", dir.Write("bad.txt", "1 2 \xFF\r\n2\r\n3\r\n4\r\n"),
       "“\xEF\xBF\xBD”不是有效的数字"},
      {"a long line cut inside a GBK character",
       dir.Write("cut.txt", "1" + std::string(4200, '\xB1') + "\r\n2\r\n3\r\n4\r\n"),
       "“1" + Repeat("北", 31) + "\xEF\xBF\xBD…”不是有效的数字"},
  };
  for (const Case& c : cases) {
    Session s;
    const WindowState before = testing::StateOf(s.frm);
    const auto shown = s.Open(&TfrmCreateMapUnRg::RzToolbarButton12Click, c.file);
    // A value that is no number is named with its file.
    const std::string message =
        c.message.ends_with("不是有效的数字") ? InParameterFile(c.file, c.message) : c.message;
    testing::ExpectOneErrorAndNoChange(shown, message, before, s.frm, c.what);
  }
}

TEST(HostileParameterFiles, FilesThatAreReadActLikeThePlainTextTheyAmountTo) {
  TempDir dir;
  const std::string random = testing::MakeRandomFile(dir, "random.bin", 4 << 20, false);
  const std::string randomText = TempDir::Read(random);
  const std::string randomNoNul = testing::MakeRandomFile(dir, "random-no-nul.bin", 4 << 20, true);
  std::string exampleCr = kExampleCrLf;
  for (std::size_t i; (i = exampleCr.find("\r\n")) != std::string::npos;) exampleCr.erase(i + 1, 1);
  struct Case {
    const char* what;
    std::string file, sameAs;
  } cases[] = {
      {"a named pipe that nobody writes to", testing::MakeFifo(dir, "fifo.txt"), ""},
      {"a gigabyte of NULs", testing::MakeSparseFile(dir, "nuls.txt", kGigabyte), ""},
      {"NULs after the fifth line", dir.Write("nul.txt", std::string("1\r\n2\r\n3\r\n4\r\n6\0junk", 17)),
       "1\r\n2\r\n3\r\n4\r\n6"},
      {"only CR line ends", dir.Write("cr.txt", exampleCr), kExampleCrLf},
      {"4 MB of random bytes", random, randomText.substr(0, randomText.find('\0'))},
      {"4 MB of random bytes without NULs", randomNoNul, TempDir::Read(randomNoNul).substr(0, 8192)},
  };
  for (const Case& c : cases) {
    Session s;
    const double start = testing::ProcessorSeconds();
    const auto shown = s.Open(&TfrmCreateMapUnRg::RzToolbarButton12Click, c.file);
    // Under 0.05 s of processor time each; ten times that catches a file
    // read whole or a wait on the pipe.
    EXPECT_LT(testing::ProcessorSeconds() - start, 0.5) << c.what;
    Session plain;
    const auto plainShown =
        plain.Open(&TfrmCreateMapUnRg::RzToolbarButton12Click, dir.Write("plain.txt", c.sameAs));
    ASSERT_EQ(shown.size(), plainShown.size()) << c.what;
    // The same message, but for the name of the file it names.
    for (std::size_t i = 0; i < shown.size(); ++i) {
      std::string text = shown[i].text;
      if (const std::size_t at = text.find(c.file); at != std::string::npos) {
        text.replace(at, c.file.size(), dir.File("plain.txt"));
      }
      EXPECT_EQ(text, plainShown[i].text) << c.what;
    }
    const WindowState a = testing::StateOf(s.frm);
    const WindowState b = testing::StateOf(plain.frm);
    EXPECT_EQ(a, b) << c.what << "\n" << testing::Difference(a, b);
  }
}

// The parameter reader reads eight lines at most, each of at most
// kMaxParameterLine bytes: a gigabyte file costs neither time nor memory.
TEST(HostileParameterFiles, AHugeFileIsNotLoaded) {
  TempDir dir;
  // A gigabyte of digits without a line break (sparse, then its first
  // megabyte filled), and a gigabyte of line breaks.
  const std::string digits = testing::MakeSparseFile(dir, "digits.txt", kGigabyte);
  {
    std::FILE* f = std::fopen(digits.c_str(), "r+b");
    const std::string mb(1 << 20, '7');
    std::fwrite(mb.data(), 1, mb.size(), f);
    std::fclose(f);
  }
  const double peakBefore = testing::PeakRssMiB();
  const double start = testing::ProcessorSeconds();
  Session s;
  const WindowState before = testing::StateOf(s.frm);
  const auto shown = s.Open(&TfrmCreateMapUnRg::RzToolbarButton12Click, digits);
  ASSERT_EQ(shown.size(), 1u);
  EXPECT_EQ(shown[0].text,
            InParameterFile(digits, "“" + std::string(64, '7') + "…”不是有效的数字"));
  EXPECT_EQ(testing::StateOf(s.frm), before);
  EXPECT_LT(testing::ProcessorSeconds() - start, 0.5);  // ten times the 0.05 s expected
  EXPECT_LT(testing::PeakRssMiB() - peakBefore, 16);
}

// --------------------------------------------------------------------------
// Open number list

TEST(HostileNumberLists, RefusedFilesNameTheFileAndTheReasonAndChangeNothing) {
  TempDir dir;
  const std::string folder = dir.File("folder.txt");
  std::filesystem::create_directory(folder);
  const std::string huge = testing::MakeSparseFile(dir, "huge.txt", kGigabyte);
  const std::string manyLines = dir.Write("lines.txt", std::string(kMaxNumberListLines + 1, '\n'));
  struct Case {
    const char* what;
    std::string file, message;
  } cases[] = {
      {"missing", dir.File("missing.txt"),
       "无法打开文件 “" + dir.File("missing.txt") + "”：No such file or directory"},
      {"a folder", folder, "无法读取文件 “" + folder + "”：Is a directory"},
      {"unreadable even for root", testing::kUnreadableFile,
       std::string("无法读取文件 “") + testing::kUnreadableFile + "”：Input/output error"},
      {"a gigabyte", huge, "无法读取文件 “" + huge + "”：File too large（图幅号列表至多 128 MiB）"},
      {"more lines than a list may hold", manyLines,
       "无法读取文件 “" + manyLines + "”：File too large（图幅号列表至多 5,000,000 行）"},
  };
  for (const Case& c : cases) {
    Session s;
    const WindowState before = testing::StateOf(s.frm);
    const double peakBefore = testing::PeakRssMiB();
    const double start = testing::ProcessorSeconds();
    const auto shown = s.Open(&TfrmCreateMapUnRg::RzToolbarButton14Click, c.file);
    EXPECT_LT(testing::ProcessorSeconds() - start, 0.5) << c.what;  // ten times the 0.05 s expected
    EXPECT_LT(testing::PeakRssMiB() - peakBefore, 64) << c.what;
    testing::ExpectOneErrorAndNoChange(shown, c.message, before, s.frm, c.what);
  }
}

TEST(HostileNumberLists, OddFilesAddTheirStandardLinesAndListTheOthers) {
  TempDir dir;
  const std::string longLine(10000, 'J');
  struct Case {
    const char* what;
    std::string file;
    std::string added;  // texts appended to RzCheckList4, each followed by "|"
    std::string caption, message;  // of the one message, or none
  } cases[] = {
      {"a named pipe that nobody writes to", testing::MakeFifo(dir, "fifo.txt"), "", "", ""},
      {"a NUL ends the text", dir.Write("nul.txt", std::string("J-50\r\nJ50\0J-50-5\r\n", 18)),
       "J-50|J50|", "", ""},
      {"only CR line ends", dir.Write("cr.txt", "J-50\rJ50\rJ-50-5"), "J-50|J50|J-50-5|", "", ""},
      {"bytes that are not GBK", dir.Write("gbk.txt", "J-50\r\nA\xFFZ\r\n\xB1\xB1\r\nJ50"),
       "J-50|J50|", "错误", "A\xEF\xBF\xBDZ\r\n北\r\n以上不是标准图幅号！"},
      {"a 10,000-character line", dir.Write("long.txt", "J-50\r\n" + longLine + "\r\nJ50"),
       "J-50|J50|", "错误", longLine + "\r\n以上不是标准图幅号！"},
      {"a 10,000-digit zone is rejected like any other line",
       dir.Write("digits.txt", "J-50\r\nJ-" + std::string(10000, '5') + "\r\nJ50"), "J-50|J50|",
       kErrorCaption, "J-" + std::string(10000, '5') + "\r\n以上不是标准图幅号！"},
  };
  for (const Case& c : cases) {
    Session s;
    const WindowState before = testing::StateOf(s.frm);
    const std::string listBefore = Texts(s.frm.RzCheckList4);
    const auto shown = s.Open(&TfrmCreateMapUnRg::RzToolbarButton14Click, c.file);
    EXPECT_EQ(Texts(s.frm.RzCheckList4), listBefore + c.added) << c.what;
    if (c.message.empty()) {
      EXPECT_TRUE(shown.empty()) << c.what;
    } else {
      ASSERT_EQ(shown.size(), 1u) << c.what;
      EXPECT_EQ(shown[0].caption, c.caption) << c.what;
      EXPECT_EQ(shown[0].text, c.message) << c.what;
    }
    // Nothing but the list of source numbers changed.
    const WindowState after = testing::StateOf(s.frm);
    EXPECT_EQ(testing::Without(before, "RzCheckList4"), testing::Without(after, "RzCheckList4"))
        << c.what << "\n" << testing::Difference(before, after);
  }
}

TEST(HostileNumberLists, RandomBytesAreReadAsLinesAndRefusedLineByLine) {
  TempDir dir;
  for (bool noNul : {false, true}) {
    const std::string file = testing::MakeRandomFile(dir, "random.bin", 4 << 20, noNul);
    Session s;
    const WindowState before = testing::StateOf(s.frm);
    const std::size_t rowsBefore = s.frm.RzCheckList4.Count();
    const double start = testing::ProcessorSeconds();
    const auto shown = s.Open(&TfrmCreateMapUnRg::RzToolbarButton14Click, file);
    EXPECT_LT(testing::ProcessorSeconds() - start, 2.0);  // ten times the 0.2 s expected
    // Random bytes hold no standard number: one message, either the list of
    // refused lines or the integer error of a line that looks like one.
    ASSERT_EQ(shown.size(), 1u) << noNul;
    EXPECT_EQ(shown[0].icon, MessageIcon::Error);
    if (shown[0].caption == kErrorCaption) {
      EXPECT_TRUE(shown[0].text.ends_with("\r\n以上不是标准图幅号！"));
    } else {
      EXPECT_TRUE(shown[0].text.ends_with("' is not a valid integer value")) << shown[0].text;
    }
    for (std::size_t i = rowsBefore; i < s.frm.RzCheckList4.Count(); ++i) {
      EXPECT_NE(CheckMapUnionNo(s.frm.RzCheckList4.Text(i)), 0);
    }
    const WindowState after = testing::StateOf(s.frm);
    EXPECT_EQ(testing::Without(before, "RzCheckList4"), testing::Without(after, "RzCheckList4"));
  }
}

// A list of exactly the limit is read.
TEST(HostileNumberLists, AListOfTheMostLinesIsRead) {
  TempDir dir;
  const std::string file = dir.Write("lines.txt", std::string(kMaxNumberListLines, '\n'));
  EXPECT_EQ(ReadNumberList(file).size(), kMaxNumberListLines);
}

}  // namespace
}  // namespace karvento
