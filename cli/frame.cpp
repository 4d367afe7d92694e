// SPDX-License-Identifier: Apache-2.0
// karvento-cli frame: the map frames (图廓) of sheets as DXF, PDF or SVG.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "export/dxf_frame.h"
#include "export/gbk.h"
#include "export/safe_file.h"
#include "cli/modules.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    N_("用法：karvento-cli frame 图幅号... --output 目录或文件 [选项]\n"
    "      karvento-cli frame --input 列表 --output 目录 [选项]\n"
    "      karvento-cli frame --from 经度,纬度 --to 经度,纬度 --scale 比例尺 --output 目录 [选项]\n"
    "      karvento-cli frame --aoi 文件 --scale 比例尺 --output 目录 [选项]\n"
    "\n"
    "在每个图幅的高斯-克吕格平面上绘制其图廓：沿投影后的经线和纬线的内图廓，\n"
    "每分一个分划的分度带（1:1万 至 1:10万；其他比例尺按其间隔）和图廓角点的\n"
    "经纬度，公里网及其注记，外图廓，上方的图幅号（和图名），左上方的接合图表，\n"
    "下方的比例尺和直线比例尺，左下方的坐标系、投影、分带和您的附注。\n"
    "\n"
    "  图幅号...          旧图幅号或新图幅号（J-50-5-(24)、J50G003040）\n"
    "  --input 列表       取自文件的图幅号，每行一个（- 为标准输入）\n"
    "  --from, --to, --scale S, --standard new|old\n"
    "                     一个范围内的全部图幅，同 sheets\n"
    "  --aoi 文件         与文件中多边形相交的全部图幅（需 --scale）\n"
    "  --datum 54|80|2000, --zone 3|6, --cm 度数\n"
    "                     平面坐标系（默认 54、3；--cm 0：每个图幅中心所在的带，\n"
    "                     不带带号）\n"
    "  --format F         dxf（默认）：实地尺寸，单位为米，图层 内图廓、外图廓、\n"
    "                     分度带、公里网、注记、接图表；pdf：按真实比例尺，每个\n"
    "                     图幅一页，用容得下它的 A 系列纸张；svg\n"
    "  --output 目录或文件\n"
    "                     文件夹（已有的，或以 / 结尾的名称）中每个图幅一个文件，\n"
    "                     以图幅号命名；文件只能容纳一个图幅，pdf 则每个图幅一页\n"
    "  --name 文字        图名，写在图幅号上方\n"
    "  --names 文件       图名取自每行为 图幅号,图名 的 CSV 文件（UTF-8 或 GBK）\n"
    "  --notes 文字       左下方图廓外的注记，各行以 | 分隔\n"
    "                     （高程基准、等高距、测绘单位、日期）\n"
    "\n"
    "每个文件都在完整写好后才替换其目标；图幅逐个绘制和写出，所以无论多少图廓\n"
    "都只占一个图廓的内存。\n"
    "\n"
    "示例：\n"
    "  karvento-cli frame J50G003040 --cm 117 --name 北京 --output J50G003040.dxf\n"
    "  karvento-cli frame --from 116,39:40 --to 116:30,40 --scale 1:1万 --cm 117 \\\n"
    "      --format pdf --output beijing-frames.pdf\n"
    "  karvento-cli frame J-50-5 --datum 54 --cm 117 --notes '1985国家高程基准|等高距 10 米'\\\n"
    "      --format svg --output frames/\n");

const OptionSpec kOwn[] = {{"input", true},    {"from", true},  {"to", true},    {"scale", true},
                           {"standard", true}, {"aoi", true},   {"format", true}, {"output", true},
                           {"name", true},     {"names", true}, {"notes", true}};

enum class FrameFormat { Dxf, Pdf, Svg };

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The names of a CSV file of lines NUMBER,NAME; a line in GBK is converted.
std::map<std::string, std::string, std::less<>> ReadNames(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  if (!in) {
    const int err = errno;
    throw Error(TrFormat("无法打开文件 “%s”：%s", {file, SystemErrorText(err)}));
  }
  std::map<std::string, std::string, std::less<>> names;
  std::string line;
  for (bool first = true; std::getline(in, line); first = false) {
    if (first && line.rfind("\xEF\xBB\xBF", 0) == 0) line.erase(0, 3);
    if (!line.empty() && line.back() == '\r') line.pop_back();
    if (!IsValidUtf8(line)) line = GbkToUtf8(line, true);
    const std::size_t comma = line.find(',');
    if (comma == std::string::npos) continue;
    names[line.substr(0, comma)] = line.substr(comma + 1);
  }
  return names;
}

class FrameWriter {
 public:
  FrameWriter(FrameFormat format, std::string output, bool folder)
      : format_(format), output_(std::move(output)), folder_(folder) {
    if (format_ == FrameFormat::Pdf && !folder_) {
      file_.emplace(output_);
      pdf_ = Map().openFramePdf([this](std::string_view b) { file_->Write(b); });
    }
  }

  void Write(const MapFrame& frame) {
    if (!folder_ && format_ != FrameFormat::Pdf && written_ > 0) {
      throw UsageError(Tr("不止一个图幅：请以文件夹作为 --output（目录/）"));
    }
    ++written_;
    if (pdf_) {
      pdf_->Add(frame);
      return;
    }
    const char* ext = format_ == FrameFormat::Dxf ? ".dxf" : format_ == FrameFormat::Svg ? ".svg" : ".pdf";
    const std::string target = folder_ ? output_ + "/" + frame.number + ext : output_;
    if (format_ == FrameFormat::Dxf) {
      WriteDxfFrame(target, frame);
      return;
    }
    SafeFile file(target);
    if (format_ == FrameFormat::Svg) {
      file.Write(Map().frameSvg(frame));
    } else {
      const std::unique_ptr<FramePages> pdf = Map().openFramePdf([&file](std::string_view b) { file.Write(b); });
      pdf->Add(frame);
      pdf->Finish();
    }
    file.Commit();
  }

  void Finish() {
    if (written_ == 0) throw Error(Tr("没有图幅。"));
    if (pdf_) {
      pdf_->Finish();
      file_->Commit();
    }
  }

 private:
  FrameFormat format_;
  std::string output_;
  bool folder_;
  std::optional<SafeFile> file_;
  std::unique_ptr<FramePages> pdf_;
  std::size_t written_ = 0;
};

FrameFormat ParseFrameFormat(const std::string& text) {
  if (text == "dxf") return FrameFormat::Dxf;
  if (text == "pdf") return FrameFormat::Pdf;
  if (text == "svg") return FrameFormat::Svg;
  throw UsageError(Tr("图廓的格式只能是 dxf、pdf 或 svg"));
}

// --output: a folder (existing, or named with a final /, created) or a file.
std::pair<std::string, bool> FrameOutput(std::string out) {
  if (out.empty() || out == "-") throw UsageError(Tr("请给出 --output 目录或文件"));
  const bool folder = out.back() == '/' || IsDirectory(out);
  while (out.size() > 1 && out.back() == '/') out.pop_back();
  if (folder && !IsDirectory(out) && mkdir(out.c_str(), 0777) != 0) {
    const int err = errno;
    throw Error(TrFormat("无法写入文件 “%s”：%s", {out, SystemErrorText(err)}));
  }
  return {out, folder};
}

std::vector<std::string> SplitNotes(const std::optional<std::string>& notes) {
  std::vector<std::string> lines;
  if (!notes) return lines;
  std::size_t start = 0;
  for (std::size_t bar; (bar = notes->find('|', start)) != std::string::npos; start = bar + 1) {
    lines.push_back(notes->substr(start, bar - start));
  }
  lines.push_back(notes->substr(start));
  return lines;
}

// A sheet number goes into a file name: nothing that leaves the folder.
void RequireFileName(const std::string& number) {
  if (number.find('/') != std::string::npos || number.find('\0') != std::string::npos ||
      number == "." || number == "..") {
    throw Error(TrFormat("图幅号不能作为文件名：%s", {number}));
  }
}

}  // namespace

int RunFrame(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kProjectionOptionSpecs));
  if (HelpRequested(args, Tr(kHelp))) return 0;
  const Projection p = ReadProjection(args);
  const FrameFormat format = ParseFrameFormat(args.Value("format").value_or("dxf"));
  if (!args.Has("output")) throw UsageError(Tr("请给出 --output 目录或文件"));
  const auto [out, folder] = FrameOutput(*args.Value("output"));

  FrameRequest request;
  request.datum = p.datum;
  request.zone3 = p.zone3;
  request.cm = p.cm;
  request.notes = SplitNotes(args.Value("notes"));
  std::map<std::string, std::string, std::less<>> names;
  if (auto file = args.Value("names")) names = ReadNames(*file);
  const std::string oneName = args.Value("name").value_or("");
  const auto nameOf = [&](const std::string& number) {
    const auto it = names.find(number);
    return it != names.end() ? it->second : oneName;
  };

  FrameWriter writer(format, out, folder);
  const bool extent = args.Has("from") || args.Has("to") || args.Has("aoi");
  if (extent) {
    if (!args.Positional().empty() || args.Has("input")) {
      throw UsageError(Tr("请给出图幅号或范围（--from/--to、--aoi），不能两者都给"));
    }
    const int scale = ParseScale(args.Value("scale").value_or("1:1万"));
    const std::string standard = args.Value("standard").value_or("new");
    if (standard != "new" && standard != "old") throw UsageError(Tr("--standard 只能是 new 或 old"));
    const bool fresh = standard == "new";
    std::optional<SheetWalk> walk;
    if (auto aoi = args.Value("aoi")) {
      if (args.Has("from") || args.Has("to")) throw UsageError(Tr("--aoi 代替 --from 和 --to，不能同时给出"));
      const AreaFile area = Gis().readAreaFile(*aoi, "", "", p.datum);
      if (!area.notice.empty()) std::fprintf(stderr, "karvento-cli frame: %s\n", TranslateMessage(area.notice).c_str());
      walk.emplace(area.area, 0.0, scale, fresh, p.zone3, p.datum, p.cm, false);
    } else {
      if (!args.Has("from") || !args.Has("to")) throw UsageError(Tr("--from 和 --to 须同时给出"));
      const TLonLatDMS from = ParsePoint(*args.Value("from"), "--from");
      const TLonLatDMS to = ParsePoint(*args.Value("to"), "--to");
      walk.emplace(TMapUnionRange{from.Lon, from.Lat, to.Lon, to.Lat}, scale, fresh, p.zone3, p.datum,
                   p.cm, false);
    }
    if (!folder && format != FrameFormat::Pdf && (args.Has("aoi") || walk->Columns() * walk->Rows() != 1)) {
      throw UsageError(Tr("一个范围的图幅写入文件夹：请给出 --output 目录/"));
    }
    walk->Run([&](std::vector<TStandardMapUnion>& column) {
      for (const TStandardMapUnion& sheet : column) {
        RequireFileName(sheet.MapUnionNo);
        const auto around = SheetNeighbours(sheet, scale, fresh, p.zone3, p.datum, p.cm);
        std::array<std::string, 9> neighbours;
        for (int k = 0; k < 9; ++k) neighbours[k] = around[k].MapUnionNo;
        request.name = nameOf(sheet.MapUnionNo);
        writer.Write(BuildStandardFrame(sheet, scale, neighbours, request));
      }
    });
  } else {
    for (const char* name : {"scale", "standard"}) {
      if (args.Has(name)) throw UsageError(TrFormat("--%s 须与 --from/--to 或 --aoi 同用", {name}));
    }
    std::vector<std::string> numbers = args.Positional();
    if (auto input = args.Value("input")) {
      if (!numbers.empty()) throw UsageError(Tr("请给出图幅号或 --input，不能两者都给"));
      numbers = ReadNumberLines(*input == "-" ? "" : *input);
    }
    if (numbers.empty()) throw UsageError(Tr("请给出图幅号、--input 列表或范围（见 --help）"));
    if (!folder && format != FrameFormat::Pdf && numbers.size() > 1) {
      throw UsageError(Tr("不止一个图幅：请以文件夹作为 --output（目录/）"));
    }
    for (const std::string& number : numbers) RequireFileName(number);
    for (const std::string& number : numbers) {
      if (number.empty()) continue;
      request.name = nameOf(number);
      MapFrame frame;
      try {
        frame = BuildStandardFrame(number, request);
      } catch (const Error& e) {
        // Which number, and what is wrong with it, in the user's words.
        throw Error(NumberErrorText(number, e));
      }
      writer.Write(frame);
    }
  }
  writer.Finish();
  return 0;
}

void WriteRectangularFrames(const TCustomMapUnions& sheets, int denominator, const Projection& p,
                            const std::string& formatText, const std::string& output,
                            const std::string& name, const std::string& notes) {
  const FrameFormat format = ParseFrameFormat(formatText);
  const auto [out, folder] = FrameOutput(output);
  std::size_t count = 0;
  for (const auto& row : sheets) count += row.size();
  if (!folder && format != FrameFormat::Pdf && count != 1) {
    throw UsageError(Tr("格网的图幅写入文件夹：请给出 --output 目录/"));
  }
  const FrameRequest request{p.datum, p.zone3, p.cm, name, SplitNotes(notes)};
  FrameWriter writer(format, out, folder);
  // Rows run from the south: the row above is i + 1.
  const auto at = [&](std::size_t i, std::size_t j, int di, int dj) -> std::string {
    const long long r = static_cast<long long>(i) + di, c = static_cast<long long>(j) + dj;
    if (r < 0 || c < 0 || r >= static_cast<long long>(sheets.size())) return {};
    const auto& row = sheets[static_cast<std::size_t>(r)];
    return c < static_cast<long long>(row.size()) ? row[static_cast<std::size_t>(c)].MapUnionNo : std::string();
  };
  // Every name is checked before the first file is written.
  for (const auto& row : sheets) {
    for (const TCustomMapUnion& sheet : row) RequireFileName(sheet.MapUnionNo);
  }
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    for (std::size_t j = 0; j < sheets[i].size(); ++j) {
      std::array<std::string, 9> neighbours;
      for (int k = 0; k < 9; ++k) neighbours[k] = at(i, j, 1 - k / 3, k % 3 - 1);
      writer.Write(BuildRectangularFrame(sheets[i][j], denominator, neighbours, request));
    }
  }
  writer.Finish();
}

}  // namespace karvento::cli
