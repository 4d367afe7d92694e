// SPDX-License-Identifier: Apache-2.0
// karvento-cli: the batch front end. Data on stdout, messages on stderr;
// exit status 0 on success, 1 for data errors, 2 for usage errors.
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "cli/args.h"
#include "cli/commands.h"
#include "cli/common.h"
#include "cli/output.h"
#include "export/safe_file.h"
#include "numbering/error.h"

namespace {

const char* kToolHelp =
    N_("karvento-cli：在命令行上处理我国基本比例尺地形图的图幅。\n"
    "\n"
    "用法：karvento-cli 命令 [选项]\n"
    "\n"
    "命令：\n"
    "  sheets   列出一个范围在某比例尺下的图幅，新图幅号或旧图幅号\n"
    "  grid     把独立坐标系平面格网的一个范围分成编号的图幅\n"
    "  convert  把图幅号转换为另一种标准下某比例尺的图幅号\n"
    "  check    判断图幅号：旧图幅号、新图幅号或不是标准图幅号\n"
    "  project  高斯-克吕格投影正算（经度 纬度）和反算（X Y），1954年北京坐标系、\n"
    "           1980西安坐标系或 2000国家大地坐标系\n"
    "  dms      十进制度换算为度、分、秒\n"
    "  at       一个点在各比例尺所在的图幅，或其周围 3 x 3 的图幅\n"
    "  frame    图幅的图廓，DXF、PDF 或 SVG\n"
    "  transform  由重合点解算坐标转换参数（七参数、三参数、四参数），并用它转换点、\n"
    "           GIS 图层和图幅的图廓点（北京54、西安80 → 2000国家大地坐标系）\n"
    "  tag      图幅号赋值：给 GIS 图层的每个点、线、面加上其所在图幅的图幅号\n"
    "  clip     把栅格或矢量数据按标准图幅裁切，每个图幅一个文件（标准分幅裁切）\n"
    "  version  karvento-cli 的版本（也可用 --version）\n"
    "\n"
    "'karvento-cli 命令 --help'（或 -h）说明一个命令。\n"
    "\n"
    "示例：\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 --scale 1:1万\n"
    "\n"
    "平面坐标：X 为东坐标，Y 为北坐标，单位为米（我国测量习惯以 X 表示北坐标，\n"
    "本工具不是这样）。\n"
    "\n"
    "语言：中文，en_* 语言环境下为英文（LANGUAGE=en 或 LANG=en_US.UTF-8）。\n"
    "\n"
    "退出状态：\n"
    "  0  完成\n"
    "  1  拒绝或失败：不是标准图幅号、结果超出范围、文件无法读取或写入\n"
    "     （原因写在标准错误上）\n"
    "  2  用法错误：未知的命令或选项、数值超出其范围\n");

const char* kVersion = "karvento-cli " KARVENTO_VERSION "\n";

}  // namespace

int main(int argc, char** argv) {
  using namespace karvento;
  cli::InitLanguage();
  std::vector<std::string> words(argv + 1, argv + argc);
  if (words.empty()) {
    std::fputs(cli::Tr(kToolHelp), stderr);
    return 2;
  }
  // A reader that stops early (sheets ... | head) ends the output quietly.
  std::signal(SIGPIPE, SIG_IGN);
  // A file-size limit fails a write with "File too large", reported like any
  // other failure; SIGINT, SIGTERM and SIGHUP remove unfinished files.
  PrepareFileSignals();
  if (words[0] == "--version" || words[0] == "version") {
    if (words.size() > 1 && words[1] != "--help" && words[1] != "-h") {
      std::fprintf(stderr, "karvento-cli version: %s\n", cli::TrFormat("多余的“%s”", {words[1]}).c_str());
      return 2;
    }
    try {
      cli::WriteStdout(words.size() > 1 ? cli::Tr(N_("用法：karvento-cli version\n\n输出版本号。\n")) : kVersion);
    } catch (const cli::BrokenPipe&) {
    } catch (const Error& e) {
      std::fprintf(stderr, "karvento-cli version: %s\n", cli::TranslateError(e).c_str());
      return 1;
    }
    return 0;
  }
  const bool help = words[0] == "--help" || words[0] == "-h" || words[0] == "help";
  const std::string command = help ? "--help" : words[0];
  words.erase(words.begin());
  try {
    if (help) {
      cli::WriteStdout(cli::Tr(kToolHelp));
      return 0;
    }
    for (const cli::Command& c : cli::Commands()) {
      if (command == c.name) {
        const int status = c.run(words);
        // Whatever a command left in the stream's buffer must arrive too.
        cli::WriteStdout({});
        return status;
      }
    }
    throw cli::UsageError(cli::TrFormat("未知的命令“%s”（见 karvento-cli --help）", {command}));
  } catch (const cli::BrokenPipe&) {
    return 0;
  } catch (const cli::UsageError& e) {
    std::fprintf(stderr, "karvento-cli %s: %s\n", command.c_str(), e.what());
    return 2;
  } catch (const Error& e) {
    std::fprintf(stderr, "karvento-cli %s: %s\n", command.c_str(), cli::TranslateError(e).c_str());
    return 1;
  } catch (const std::bad_alloc&) {
    std::fprintf(stderr, "karvento-cli %s: %s\n", command.c_str(), cli::Tr("内存不足"));
    return 1;
  }
}
