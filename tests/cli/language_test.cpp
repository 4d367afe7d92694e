// SPDX-License-Identifier: Apache-2.0
// The language of karvento-cli: Chinese under C, POSIX, no locale and zh_*,
// English under en_*, for help, usage errors, data errors, system reasons
// and the progress line alike.
#include <gtest/gtest.h>

#include <cerrno>
#include <string>

#include "cli/i18n.h"
#include "run_cli.h"

namespace karvento::cli {
namespace {

TEST(CliLanguage, ChineseByDefaultEnglishUnderAnEnglishLocale) {
  // The environments as a shell sets them before the program; run_cli.h
  // starts each line from LC_ALL=C.UTF-8 without LANGUAGE. Only C.UTF-8 may
  // be generated here: en_US and zh_CN name a language all the same.
  struct Environment { const char* set; bool english; } environments[] = {
      {"export LC_ALL=C;", false},
      {"export LC_ALL=POSIX;", false},
      {"unset LC_ALL LANG LC_MESSAGES;", false},
      {"unset LC_ALL; export LANG=zh_CN.UTF-8;", false},
      // C and POSIX keep the program's own texts whatever LANGUAGE says.
      {"export LC_ALL=C LANGUAGE=en;", false},
      {"export LANGUAGE=en;", true},
      // Chinese first in a list of preferences is Chinese, English first English.
      {"export LANGUAGE=zh_CN:en;", false},
      {"export LANGUAGE=en:zh_CN;", true},
      {"export LC_ALL=en_US.UTF-8;", true},
      {"unset LC_ALL; export LANG=en_GB.UTF-8;", true},
      {"unset LC_ALL; export LANG=zh_CN.UTF-8 LC_MESSAGES=en_US.UTF-8;", true},
  };
  const std::string missing = "/nonexistent-folder-of-karvento/x.csv";
  struct Case { std::string arguments; int status; bool onStdout; std::string chinese, english; } cases[] = {
      {"--help", 0, true, "用法：karvento-cli 命令 [选项]\n", "usage: karvento-cli COMMAND [OPTIONS]\n"},
      {"sheets --from 116,39 --to 117,40 --bogus", 2, false, "karvento-cli sheets: 未知的选项 --bogus\n",
       "karvento-cli sheets: unknown option --bogus\n"},
      {"check nonsense", 1, false, "karvento-cli check: nonsense不是标准图幅号！\n",
       "karvento-cli check: nonsense is not a standard sheet number!\n"},
      {"check J-50-145", 1, false, "karvento-cli check: J-50-145：1:10万 的序号应为 1–144\n",
       "karvento-cli check: J-50-145: the serial of a 1:10万 sheet must be 1–144\n"},
      {"sheets --from 116,39 --to 116.1,39.1 --quiet --output " + missing, 1, false,
       "karvento-cli sheets: 无法写入文件 “" + missing + "”：没有那个文件或目录\n",
       "karvento-cli sheets: cannot write the file '" + missing + "': No such file or directory\n"},
      {"sheets --from 116,39 --to 116.1,39.1 --progress --output /dev/null", 0, false, "6 / 6 幅",
       "6 / 6 sheets"},
      // A routine's message with arguments, worded from its code.
      {"frame J50G003040 --cm 117 --output " + missing + ".dxf", 1, false, "1 个图廓，约 ",
       "1 frame(s), about "},
      // A reason with brackets of its own inside a file message.
      {"sheets --aoi /vsicurl/http://x/a.shp", 1, false,
       "无法读取范围文件 /vsicurl/http://x/a.shp：不读取 GDAL 的虚拟文件系统（/vsi…）\n",
       "cannot read the area file /vsicurl/http://x/a.shp: GDAL's virtual file systems (/vsi…) are not read\n"},
  };
  for (const Environment& e : environments) {
    for (const Case& c : cases) {
      const Result r = RunShell(std::string(e.set) + " " + kCli + " " + c.arguments);
      const std::string& shown = c.onStdout ? r.out : r.err;
      const std::string& expected = e.english ? c.english : c.chinese;
      EXPECT_EQ(r.status, c.status) << e.set << " " << c.arguments << "\n" << r.err;
      EXPECT_NE(shown.find(expected), std::string::npos) << e.set << " " << c.arguments << "\n" << shown;
    }
  }
}

// The messages of the routines and writers below the tool, as the Chinese
// user reads them: worded from their codes, the system's reason in Chinese,
// a file name as it is whatever it holds.
TEST(CliLanguage, RoutineMessagesPartByPart) {
  const struct { Message given; std::string shown; } cases[] = {
      {Message(msg::kCannotWrite, {"a.csv", ReasonArg(ENOENT)}), "无法写入文件 “a.csv”：没有那个文件或目录"},
      {Message(msg::kCannotWrite, {"a.mif", Message(msg::kMifIsMid)}),
       "无法写入文件 “a.mif”：MIF 文件与 MID 文件会是同一个文件，请换用扩展名 .mif"},
      // A system reason inside a message of its own.
      {Message(msg::kCannotRead, {"big.txt", Message(msg::kListTooLong, {ReasonArg(EFBIG), "128 MiB"})}),
       "无法读取文件 “big.txt”：文件过大（图幅号列表至多 128 MiB）"},
      {Message(msg::kAreaCannotRead, {"x.shp", ReasonArg(EACCES)}), "无法读取范围文件 x.shp：权限不够"},
      // A file named like a reason or a pattern is not read as one.
      {Message(msg::kAreaCannotRead, {"No such file or directory：没有图层", ReasonArg(EACCES)}),
       "无法读取范围文件 No such file or directory：没有图层：权限不够"},
      // A library's text: a system reason in its words is translated.
      {Message(msg::kCannotWrite, {"k.kml", TextArg("File too large")}), "无法写入文件 “k.kml”：文件过大"},
      {Message::Plain("偏移值太小了！"), "偏移值太小了！"},
      {Message::Plain("something else entirely"), "something else entirely"},
      {Message(), ""},
  };
  for (const auto& c : cases) EXPECT_EQ(TranslateMessage(c.given), c.shown) << c.given.Text();
  EXPECT_EQ(TranslateMessage("Read-only file system"), "只读文件系统");
  EXPECT_EQ(FillPattern("%s：“%s”100%%", {"--cm", "x"}), "--cm：“x”100%");
  EXPECT_EQ(FillPattern("%s and %s", {"one"}), "one and ");
  EXPECT_EQ(SystemErrorText(ENOSPC), "设备上没有空间");
  EXPECT_EQ(SystemErrorText(EDQUOT), "超出磁盘限额");
}

// A locale that writes a decimal comma (German, generated here for the test
// by the C library's localedef) leaves the numbers of every output as they
// are: the cover of a sheet in the table stays 0.364800.
TEST(CliLanguage, NumbersKeepTheirPointUnderADecimalCommaLocale) {
  const std::string dir = testing::TempDir() + "/karvento_locale_" + std::to_string(getpid());
  const Result made = RunShell("mkdir -p " + dir + " && localedef -i de_DE -f UTF-8 " + dir + "/de_DE.UTF-8");
  if (made.status != 0) GTEST_SKIP() << "localedef cannot make de_DE.UTF-8: " << made.err;
  const std::string area = dir + "/area.geojson";
  RunShell("printf '%s' '{\"type\":\"Polygon\",\"coordinates\":[[[116.01,39.91],[116.2,39.91],[116.2,39.99],"
           "[116.01,39.99],[116.01,39.91]]]}' > " + area);
  const std::string request = std::string(kCli) + " sheets --aoi " + area + " --scale 1:5万 --cover --quiet";
  const Result german = RunShell("export LOCPATH=" + dir + " LC_ALL=de_DE.UTF-8; /usr/bin/printf '%.1f ' 0.5; " + request);
  const Result plain = RunShell(request);
  RunShell("rm -rf " + dir);
  ASSERT_EQ(plain.status, 0) << plain.err;
  ASSERT_EQ(german.out.substr(0, 4), "0,5 ") << "the locale does not write a decimal comma";
  EXPECT_EQ(german.out.substr(4), plain.out);
  EXPECT_NE(plain.out.find(" 0.364800"), std::string::npos) << plain.out;
}

}  // namespace
}  // namespace karvento::cli
