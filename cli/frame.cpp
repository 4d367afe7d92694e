// SPDX-License-Identifier: Apache-2.0
// karvento-cli frame: the map frames (图廓) of sheets as DXF, PDF or SVG.
#include <sys/stat.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <map>
#include <set>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "export/dxf_frame.h"
#include "export/gbk.h"
#include "export/safe_file.h"
#include "cli/modules.h"
#include "cli/number_input.h"
#include "geodesy/projection_accuracy.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/text_files.h"

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
    "                     平面坐标系（默认 54；不给 --zone 即按比例尺分带：\n"
    "                     1:2.5万 至 1:50万 为 6°带，1:1万 及更大为 3°带；\n"
    "                     --cm 0：每个图幅中心所在的带，不带带号；1:100万\n"
    "                     画在本图幅的兰勃特等角圆锥投影上，不用分带）\n"
    "  --format F         dxf（默认）：实地尺寸，单位为米，图层 内图廓、外图廓、\n"
    "                     分度带、公里网、注记、接图表、邻带方里网、经纬网；pdf：按真实\n"
    "                     比例尺，每个图幅一页，用容得下它的 A 系列纸张；svg。\n"
    "                     不给 --format\n"
    "                     即按 --output 文件的扩展名（.dxf、.pdf、.svg）\n"
    "  --output 目录或文件\n"
    "                     文件夹（已有的，或以 / 结尾的名称）中每个图幅一个文件，\n"
    "                     以图幅号命名；文件只能容纳一个图幅，pdf 则每个图幅一页\n"
    "  --name 文字        图名，写在图幅号上方\n"
    "  --names 文件       图名取自每行为 图幅号,图名 的 CSV 文件（UTF-8 或 GBK），\n"
    "                     也写在接合图表中相邻图幅的图幅号下\n"
    "  --elevation-datum 文字  高程基准（1985国家高程基准）\n"
    "  --contour-interval 米   等高距；1:1万 至 1:10万 并画坡度尺\n"
    "  --symbols 文字     图式版本（GB/T 20257.2—2017）\n"
    "  --surveyor 文字    测制单位\n"
    "  --survey-date 文字 测制日期\n"
    "                     以上各为左下方图廓外的一行注记，不给则不写\n"
    "  --classification 文字  密级，写在图廓外右上方\n"
    "  --declination 度数 磁偏角（东偏为正，本图幅所在地的测定值）：写入\n"
    "                     1:1万 至 1:10万 的偏角图；不给则偏角图只画真子午线\n"
    "                     和坐标纵线，注明磁偏角未给出\n"
    "  --notes 文字       左下方图廓外的其他注记，各行以 | 分隔\n"
    "\n"
    "印出的图幅以坐标纵线（平面坐标的北）为上，不是以中央经线为上。\n"
    "\n"
    "  --yes              确认超过 10 000 个图廓或约 1 GB 的输出\n"
    "\n"
    "先检查全部图幅号（列表按行号报告每个错误），再说出图廓个数和估计的大小，\n"
    "然后才写出。每个文件都在完整写好后才替换其目标，同一次运行的两个图廓\n"
    "不会写入同一个文件；图幅逐个绘制和写出，所以无论多少图廓都只占一个图廓的\n"
    "内存。北京1954 和西安1980 的投影级数在距中央经线 4.2° 以外误差增加 1 毫米以上：\n"
    "图廓角点在此以外时给出警告。\n"
    "\n"
    "示例：\n"
    "  karvento-cli frame J50G003040 --cm 117 --name 北京 --output J50G003040.dxf\n"
    "  karvento-cli frame --from 116,39:40 --to 116:30,40 --scale 1:1万 --cm 117 \\\n"
    "      --format pdf --output beijing-frames.pdf\n"
    "  karvento-cli frame J-50-5 --datum 54 --cm 117 --notes '1985国家高程基准|等高距 10 米'\\\n"
    "      --format svg --output frames/\n");

const OptionSpec kOwn[] = {{"input", true},    {"from", true},  {"to", true},    {"scale", true},
                           {"standard", true}, {"aoi", true},   {"format", true}, {"output", true},
                           {"name", true},     {"names", true}, {"notes", true}, {"yes", false}};

enum class FrameFormat { Dxf, Pdf, Svg };

bool IsDirectory(const std::string& path) {
  struct stat st {};
  return stat(path.c_str(), &st) == 0 && S_ISDIR(st.st_mode);
}

// The names of a CSV file of lines NUMBER,NAME (quoted fields as CSV quotes
// them: "朝阳,区" is 朝阳,区); a line in GBK is converted.
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
    const std::vector<std::string> fields = CsvFields(line);
    if (fields.size() < 2) continue;
    names[fields[0]] = fields[1];
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
    // One output of a run never replaces another.
    if (!targets_.insert(target).second) {
      throw Error(TrFormat("两个图廓同名：%s（已写出的文件不会被同一次运行的另一个图廓替换）", {frame.number}));
    }
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
  std::set<std::string> targets_;
};

FrameFormat ParseFrameFormat(const std::string& text) {
  if (text == "dxf") return FrameFormat::Dxf;
  if (text == "pdf") return FrameFormat::Pdf;
  if (text == "svg") return FrameFormat::Svg;
  throw UsageError(Tr("图廓的格式只能是 dxf、pdf 或 svg"));
}

// The format of the frames: --format (given: the option's text), else the
// output file's extension, else DXF. A file named for another format than
// the one asked for is refused, as it is in sheets.
FrameFormat FrameFormatOf(const std::optional<std::string>& given, const std::string& output, bool folder) {
  // Table: a name of no format.
  const Format named = folder ? Format::Table : FormatOfName(output).value_or(Format::Table);
  if (!given) {
    if (named == Format::Table || named == Format::Dxf) return FrameFormat::Dxf;
    if (named == Format::Pdf) return FrameFormat::Pdf;
    if (named == Format::Svg) return FrameFormat::Svg;
    throw UsageError(TrFormat("图廓的格式只能是 dxf、pdf 或 svg：输出文件名“%s”是另一种格式", {output}));
  }
  const FrameFormat format = ParseFrameFormat(*given);
  const Format as = format == FrameFormat::Dxf ? Format::Dxf : format == FrameFormat::Pdf ? Format::Pdf : Format::Svg;
  if (named != Format::Table && named != as) {
    throw UsageError(TrFormat("--format %s 与输出文件名“%s”不符（不给 --format 即按文件名写出）", {*given, output}));
  }
  return format;
}

// The bytes that a frame takes in the format: the first frame of a run
// written into a counter, for the run's estimate.
double FrameBytes(const MapFrame& frame, FrameFormat format) {
  if (format == FrameFormat::Dxf) return static_cast<double>(DxfFrameText(frame).size());
  if (format == FrameFormat::Svg) return static_cast<double>(Map().frameSvg(frame).size());
  double bytes = 0;
  const std::unique_ptr<FramePages> pdf = Map().openFramePdf([&bytes](std::string_view b) { bytes += static_cast<double>(b.size()); });
  pdf->Add(frame);
  pdf->Finish();
  return bytes;
}

// Says the count and the estimated size of a run on standard error, and
// refuses a run above the bound unless --yes confirms it.
void AnnounceRun(const Args& args, std::uint64_t count, double firstFrameBytes) {
  const double estimate = firstFrameBytes * static_cast<double>(count);
  std::fprintf(stderr, "karvento-cli frame: %s\n", TranslateMessage(FrameRunText(count, estimate)).c_str());
  if (FrameRunNeedsConfirmation(count, estimate) && !args.Has("yes")) {
    throw UsageError(TrFormat("%s：超过 10 000 个图廓或 1 GB，请加 --yes 确认", {TranslateMessage(FrameRunText(count, estimate))}));
  }
}

// The zone width of a frame: --zone when given, otherwise the scale's own
// (ScaleZone3); a central meridian that only the other width has (114 is no
// 6-degree meridian) keeps that width.
bool FrameZone3(const Args& args, const Projection& p, int denominator) {
  if (args.Has("zone")) return p.zone3;
  const bool zone3 = ScaleZone3(denominator);
  if (p.cm == 0 || zone3) return zone3;
  return std::fmod(p.cm - 3, 6) != 0;
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

// The lines of an --input list (- : standard input), decoded as the window
// decodes a number list; a NUL byte, which the window's list takes for its
// end, is refused with its line.
std::vector<std::string> ReadFrameList(const std::string& name) {
  const bool stdinput = name.empty() || name == "-";
  const std::string file = stdinput ? "/dev/stdin" : name;
  std::FILE* in = stdinput ? stdin : std::fopen(file.c_str(), "rb");
  if (in == nullptr) {
    const int err = errno;
    throw Error(TrFormat("无法打开文件 “%s”：%s", {file, SystemErrorText(err)}));
  }
  std::string text;
  char buf[65536];
  for (std::size_t got; (got = std::fread(buf, 1, sizeof buf, in)) > 0;) {
    text.append(buf, got);
    if (text.size() > kMaxNumberListBytes) break;
  }
  const bool failed = std::ferror(in) != 0;
  const int err = errno;
  if (!stdinput) std::fclose(in);
  if (failed) throw Error(TrFormat("无法读取文件 “%s”：%s", {file, SystemErrorText(err)}));
  if (text.size() > kMaxNumberListBytes) throw Error(TrFormat("无法读取文件 “%s”：File too large", {file}));
  const std::size_t nul = text.find('\0');
  if (nul != std::string::npos) {
    const std::size_t line = SplitLines(std::string_view(text).substr(0, nul + 1)).size();
    throw Error(TrFormat("%s 第 %s 行：含 NUL 字节，这不是图幅号列表", {file, std::to_string(line == 0 ? 1 : line)}));
  }
  return NumberListLines(std::move(text), file);
}

// Every number of a list, checked before the first frame is written: each
// refusal on standard error with its line (or its place on the command
// line), a number named twice refused as a second output of the same file.
void CheckNumbers(const std::vector<std::string>& numbers, bool lines) {
  std::map<std::string_view, std::size_t> seen;
  std::size_t refused = 0;
  for (std::size_t i = 0; i < numbers.size(); ++i) {
    const std::string& number = numbers[i];
    if (number.empty()) continue;
    std::string why;
    try {
      RequireFileName(number);
      FrameNumberScale(number);
      const auto [at, fresh] = seen.emplace(number, i + 1);
      if (!fresh) why = TrFormat("%s 与第 %s 个重复", {number, std::to_string(at->second)});
    } catch (const Error& e) {
      why = NumberErrorText(number, e);
    }
    if (why.empty()) continue;
    ++refused;
    const std::string place = lines ? TrFormat("第 %s 行", {std::to_string(i + 1)})
                                    : TrFormat("第 %s 个图幅号", {std::to_string(i + 1)});
    std::fprintf(stderr, "karvento-cli frame: %s：%s\n", place.c_str(), why.c_str());
  }
  if (refused > 0) {
    throw Error(TrFormat("%s 个图幅号有误，没有写出任何图廓", {std::to_string(refused)}));
  }
}

// The plane system that the frames are drawn on, on standard error: the
// datum (its default named) and the zone width (the scale's own or --zone).
void AnnounceSystem(const Args& args, const FrameRequest& request) {
  const std::string datum = DatumInfoOf(request.datum).frameNote;
  const std::string zone = request.zoneOfScale ? Tr("按比例尺分带（1:2.5万 至 1:50万 为 6°带，1:1万 及更大为 3°带，1:100万 为兰勃特等角圆锥投影）")
                           : request.zone3     ? Tr("3°分带")
                                               : Tr("6°分带");
  std::fprintf(stderr, "karvento-cli frame: %s%s，%s\n", datum.c_str(),
               args.Has("datum") ? "" : Tr("（默认坐标系，--datum 可改）"), zone.c_str());
}

}  // namespace

int RunFrame(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kProjectionOptionSpecs, kFrameDecorationOptionSpecs));
  if (HelpRequested(args, Tr(kHelp))) return 0;
  const Projection p = ReadProjection(args);
  if (!args.Has("output")) throw UsageError(Tr("请给出 --output 目录或文件"));
  const std::string output = *args.Value("output");
  if (output.empty() || output == "-") throw UsageError(Tr("请给出 --output 目录或文件"));
  const bool namedFolder = output.back() == '/' || IsDirectory(output);
  const FrameFormat format = FrameFormatOf(args.Value("format"), output, namedFolder);

  FrameRequest request;
  ReadFrameDecoration(args, request);
  request.datum = p.datum;
  request.zoneOfScale = !args.Has("zone");
  request.cm = p.cm;
  request.notes = SplitNotes(args.Value("notes"));
  std::map<std::string, std::string, std::less<>> names;
  if (auto file = args.Value("names")) names = ReadNames(*file);
  const std::string oneName = args.Value("name").value_or("");
  const auto nameOf = [&](const std::string& number) {
    const auto it = names.find(number);
    return it != names.end() ? it->second : oneName;
  };
  // The neighbours' names in the 接合图表: those of the names file.
  if (!names.empty()) {
    request.neighbourName = [&names](std::string_view number) {
      const auto it = names.find(number);
      return it != names.end() ? it->second : std::string();
    };
  }
  // The corners of a sheet beyond the datum's millimetre: said, once per run.
  bool warned = false;
  const auto warnOfAccuracy = [&](const TMapUnionRange& r, const std::string& number) {
    const std::string w = FrameAccuracyWarning(number, request.datum, r, request.cm);
    if (!w.empty() && !warned) std::fprintf(stderr, "karvento-cli frame: %s\n", TranslateMessage(w).c_str());
    warned = warned || !w.empty();
  };

  const bool extent = args.Has("from") || args.Has("to") || args.Has("aoi");
  if (extent) {
    if (!args.Positional().empty() || args.Has("input")) {
      throw UsageError(Tr("请给出图幅号或范围（--from/--to、--aoi），不能两者都给"));
    }
    const int scale = ParseScale(args.Value("scale").value_or("1:1万"));
    const std::string standard = args.Value("standard").value_or("new");
    if (standard != "new" && standard != "old") throw UsageError(Tr("--standard 只能是 new 或 old"));
    const bool fresh = standard == "new";
    request.zone3 = FrameZone3(args, p, kScaleDenominators[scale]);
    std::optional<SheetWalk> walk;
    if (auto aoi = args.Value("aoi")) {
      if (args.Has("from") || args.Has("to")) throw UsageError(Tr("--aoi 代替 --from 和 --to，不能同时给出"));
      const AreaFile area = Gis().readAreaFile(*aoi, "", "", p.datum);
      if (!area.notices.empty()) std::fprintf(stderr, "karvento-cli frame: %s\n", TranslateMessages(area.notices).c_str());
      walk.emplace(area.area, 0.0, scale, fresh, request.zone3, p.datum, p.cm, false);
    } else {
      if (!args.Has("from") || !args.Has("to")) throw UsageError(Tr("--from 和 --to 须同时给出"));
      const TLonLatDMS from = ParsePoint(*args.Value("from"), "--from");
      const TLonLatDMS to = ParsePoint(*args.Value("to"), "--to");
      walk.emplace(TMapUnionRange{from.Lon, from.Lat, to.Lon, to.Lat}, scale, fresh, request.zone3, p.datum,
                   p.cm, false);
    }
    const auto frameOf = [&](const TStandardMapUnion& sheet) {
      const auto around = SheetNeighbours(sheet, scale, fresh, request.zone3, p.datum, p.cm);
      std::array<std::string, 9> neighbours;
      for (int k = 0; k < 9; ++k) neighbours[k] = around[k].MapUnionNo;
      request.name = nameOf(sheet.MapUnionNo);
      return BuildStandardFrame(sheet, scale, neighbours, request);
    };
    // First the count, the names and the estimate; then the frames.
    std::uint64_t count = 0;
    std::optional<MapFrame> first;
    walk->Run([&](std::vector<TStandardMapUnion>& column) {
      for (const TStandardMapUnion& sheet : column) {
        RequireFileName(sheet.MapUnionNo);
        warnOfAccuracy(sheet.Range, sheet.MapUnionNo);
        if (count++ == 0) first = frameOf(sheet);
      }
    });
    if (count == 0) throw Error(Tr("没有图幅。"));
    if (!namedFolder && format != FrameFormat::Pdf && count != 1) {
      throw UsageError(Tr("一个范围的图幅写入文件夹：请给出 --output 目录/"));
    }
    AnnounceSystem(args, request);
    AnnounceRun(args, count, FrameBytes(*first, format));
    const auto [out, folder] = FrameOutput(output);
    FrameWriter writer(format, out, folder);
    walk->Run([&](std::vector<TStandardMapUnion>& column) {
      for (const TStandardMapUnion& sheet : column) writer.Write(frameOf(sheet));
    });
    writer.Finish();
    return 0;
  }
  for (const char* name : {"scale", "standard"}) {
    if (args.Has(name)) throw UsageError(TrFormat("--%s 须与 --from/--to 或 --aoi 同用", {name}));
  }
  std::vector<std::string> numbers = args.Positional();
  const bool list = args.Has("input");
  if (list) {
    if (!numbers.empty()) throw UsageError(Tr("请给出图幅号或 --input，不能两者都给"));
    numbers = ReadFrameList(*args.Value("input"));
  }
  if (numbers.empty()) throw UsageError(Tr("请给出图幅号、--input 列表或范围（见 --help）"));
  CheckNumbers(numbers, list);
  const std::uint64_t count = static_cast<std::uint64_t>(
      std::count_if(numbers.begin(), numbers.end(), [](const std::string& n) { return !n.empty(); }));
  if (count == 0) throw Error(Tr("没有图幅。"));
  if (!namedFolder && format != FrameFormat::Pdf && count > 1) {
    throw UsageError(Tr("不止一个图幅：请以文件夹作为 --output（目录/）"));
  }
  const auto frameOf = [&](const std::string& number) {
    request.name = nameOf(number);
    request.zone3 = FrameZone3(args, p, kScaleDenominators[FrameNumberScale(number)]);
    return BuildStandardFrame(number, request);
  };
  std::optional<MapFrame> first;
  for (const std::string& number : numbers) {
    if (number.empty()) continue;
    const std::uint8_t kind = CheckMapUnionNo(number);
    warnOfAccuracy(kind == 1 ? ParseOldMapUnionNo(number) : ParseNewMapUnionNo(number), number);
    if (!first) first = frameOf(number);
  }
  AnnounceSystem(args, request);
  AnnounceRun(args, count, FrameBytes(*first, format));
  const auto [out, folder] = FrameOutput(output);
  FrameWriter writer(format, out, folder);
  for (const std::string& number : numbers) {
    if (!number.empty()) writer.Write(frameOf(number));
  }
  writer.Finish();
  return 0;
}

void ReadFrameDecoration(const Args& args, FrameRequest& request) {
  request.elevationDatum = args.Value("elevation-datum").value_or("");
  if (auto v = args.Value("contour-interval")) {
    request.contourInterval = ParseNumberIn(*v, "--contour-interval", 0.01, 1000);
  }
  request.symbols = args.Value("symbols").value_or("");
  request.surveyor = args.Value("surveyor").value_or("");
  request.surveyDate = args.Value("survey-date").value_or("");
  request.classification = args.Value("classification").value_or("");
  if (auto v = args.Value("declination")) {
    request.hasDeclination = true;
    request.declination = ParseNumberIn(*v, "--declination", -90, 90);
  }
}

void WriteRectangularFrames(const TCustomMapUnions& sheets, int denominator, const Projection& p,
                            const std::string& formatText, const std::string& output,
                            const std::string& name, const std::string& notes, const Args& args) {
  const bool namedFolder = !output.empty() && (output.back() == '/' || IsDirectory(output));
  const FrameFormat format = FrameFormatOf(formatText, output, namedFolder);
  std::uint64_t count = 0;
  for (const auto& row : sheets) count += row.size();
  if (count == 0) throw Error(Tr("没有图幅。"));
  if (!namedFolder && format != FrameFormat::Pdf && count != 1) {
    throw UsageError(Tr("格网的图幅写入文件夹：请给出 --output 目录/"));
  }
  FrameRequest request{p.datum, p.zone3, p.cm, name, SplitNotes(notes)};
  ReadFrameDecoration(args, request);
  // Rows run from the south: the row above is i + 1.
  const auto at = [&](std::size_t i, std::size_t j, int di, int dj) -> std::string {
    const long long r = static_cast<long long>(i) + di, c = static_cast<long long>(j) + dj;
    if (r < 0 || c < 0 || r >= static_cast<long long>(sheets.size())) return {};
    const auto& row = sheets[static_cast<std::size_t>(r)];
    return c < static_cast<long long>(row.size()) ? row[static_cast<std::size_t>(c)].MapUnionNo : std::string();
  };
  const auto frameOf = [&](std::size_t i, std::size_t j) {
    std::array<std::string, 9> neighbours;
    for (int k = 0; k < 9; ++k) neighbours[k] = at(i, j, 1 - k / 3, k % 3 - 1);
    return BuildRectangularFrame(sheets[i][j], denominator, neighbours, request);
  };
  // Every name is checked before the first file is written: a file name, and
  // once in the run.
  std::set<std::string_view> seen;
  for (const auto& row : sheets) {
    for (const TCustomMapUnion& sheet : row) {
      RequireFileName(sheet.MapUnionNo);
      if (!seen.insert(sheet.MapUnionNo).second) {
        throw Error(TrFormat("两个图廓同名：%s（已写出的文件不会被同一次运行的另一个图廓替换）", {sheet.MapUnionNo}));
      }
    }
  }
  AnnounceRun(args, count, FrameBytes(frameOf(0, 0), format));
  const auto [out, folder] = FrameOutput(output);
  FrameWriter writer(format, out, folder);
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    for (std::size_t j = 0; j < sheets[i].size(); ++j) writer.Write(frameOf(i, j));
  }
  writer.Finish();
}

}  // namespace karvento::cli
