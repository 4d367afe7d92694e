// SPDX-License-Identifier: Apache-2.0
// karvento-cli clip: 标准分幅裁切, a raster or a vector layer cut into the
// standard sheets of a scale (gis/clip.h does the cutting).
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>

#include <unistd.h>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/modules.h"
#include "export/safe_file.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    N_("用法：karvento-cli clip 输入文件 --scale 比例尺 --output 文件夹 [选项]\n"
    "\n"
    "把栅格（GeoTIFF、IMG、JPEG 2000、本机图块的 VRT 等 GDAL 能读的栅格）或矢量\n"
    "图层（shp、gpkg、geojson、dxf）按标准图幅裁切，每个图幅一个文件，以图幅号\n"
    "命名，旁边是其元数据 <图幅号>.json，文件夹中另有汇总 clip-summary.csv。\n"
    "栅格的窗口是图廓（沿经纬线加密后换算到数据的坐标系）的外接矩形加上外扩，\n"
    "向外对齐到原栅格的像元：像元值原样复制，不重采样。矢量要素按图廓本身裁开，\n"
    "属性不变，各图幅的部分合起来正好是原要素。\n"
    "\n"
    "  --scale 比例尺     1:100万 … 1:500，或 1:10000，或 10000\n"
    "  --standard new|old 编号标准（默认 new）\n"
    "  --datum 54|80|2000 图幅的坐标系（默认：数据所在的坐标系）\n"
    "  --zone 3|6, --cm 度数\n"
    "                     元数据中平面图廓点的分带（默认 3°带，各图幅所在的带）\n"
    "图幅（默认：与数据范围相交的全部图幅）：\n"
    "  --from 经度,纬度 --to 经度,纬度\n"
    "                     这一范围内的图幅\n"
    "  --aoi 文件         与文件中多边形相交的图幅（--aoi-layer、--aoi-where）\n"
    "  --input 文件       文件中列出的图幅号，每行一个（- 即标准输入），或\n"
    "                     karvento-cli sheets 写出的 CSV、GeoJSON、GPKG、SHP\n"
    "                     （读其中的图幅号字段）\n"
    "  --sheet 图幅号     只裁这一个图幅\n"
    "裁切：\n"
    "  --margin 外扩      图廓外保留的宽度：10mm（图上毫米，1:1万 即 100 米）、\n"
    "                     100m（地面米）或 50px（像元）；不带单位为图上毫米\n"
    "                     （默认 0）\n"
    "  --mask nodata|white\n"
    "                     外扩图廓以外的像元设为无数据值，或白色（255，用于 DOM）\n"
    "  --keep-empty       没有数据的图幅也写出（填满无数据值）；默认跳过并计数\n"
    "  --s-srs 坐标系     数据的坐标系（EPSG:4527、WKT 或 PROJ 字符串），代替文件\n"
    "                     自带的；文件没有坐标系时必须给出\n"
    "  --t-srs 坐标系     重投影到这一坐标系（例如图幅所在带的高斯-克吕格坐标系），\n"
    "                     用 --resampling（默认 nearest）和 --resolution（默认\n"
    "                     原像元大小）\n"
    "  --layer 名称       矢量：文件中的图层（默认第一个）\n"
    "  --one-layer        矢量：全部图幅写入一个文件，每个部分带字段 图幅号\n"
    "输出：\n"
    "  --output 文件夹    输出文件夹，不能在输入文件所在的文件夹之内\n"
    "  --layout flat|folder\n"
    "                     文件夹/<图幅号>.tif（默认）或 文件夹/<图幅号>/<图幅号>.tif\n"
    "  --names new|old    文件以新图幅号（默认）或旧图幅号命名\n"
    "  --format F         gtiff（默认）、cog；矢量：gpkg（默认）、shp\n"
    "  --resume           跳过上次同样的裁切已完成的图幅（文件和元数据都在且相符）\n"
    "  --jobs 文件        不裁切，把每个图幅的裁切写成 JSON Lines，每行一个完整的\n"
    "                     karvento-cli clip 命令（输入文件和输出文件夹为绝对路径，\n"
    "                     在哪个文件夹运行都一样），供 GNU parallel 或作业系统分发\n"
    "  --workers N        并行的图幅数（默认每个处理器核心一个）\n"
    "  --progress, --quiet\n"
    "\n"
    "拒绝（不写任何文件）：数据与图幅不在同一基准而没有给出 --s-srs 或 --t-srs\n"
    "（1954年北京坐标系到 2000国家大地坐标系不是零改正）；外扩为负或大于一个图幅；\n"
    "输出文件夹在输入文件的文件夹之内；磁盘放不下估计的大小。\n"
    "每个文件写完才出现在最终的名字下：中断（Ctrl+C）只留下完整的图幅。\n"
    "\n"
    "示例：DOM 按 1:1万 分幅，外扩 1 厘米：\n"
    "  karvento-cli clip dom/beijing.tif --scale 1:1万 --margin 10mm --output sheets\n");

const OptionSpec kOwn[] = {{"scale", true},     {"standard", true},   {"from", true},      {"to", true},
                           {"aoi", true},       {"aoi-layer", true},  {"aoi-where", true}, {"input", true},
                           {"sheet", true},     {"margin", true},     {"mask", true},      {"keep-empty", false},
                           {"s-srs", true},     {"t-srs", true},      {"resampling", true}, {"resolution", true},
                           {"layer", true},     {"one-layer", false}, {"output", true},    {"layout", true},
                           {"names", true},     {"format", true},     {"resume", false},   {"jobs", true},
                           {"workers", true},   {"progress", false},  {"quiet", false}};

ClipMargin ParseMargin(const std::string& text) {
  ClipMargin m;
  std::string number = text;
  const auto ends = [&](const char* unit) {
    const std::string u = unit;
    if (number.size() > u.size() && number.compare(number.size() - u.size(), u.size(), u) == 0) {
      number.resize(number.size() - u.size());
      return true;
    }
    return false;
  };
  if (ends("mm")) {
    m.unit = MarginUnit::Millimetres;
  } else if (ends("px")) {
    m.unit = MarginUnit::Pixels;
  } else if (ends("m")) {
    m.unit = MarginUnit::Metres;
  }
  m.value = ParseNumber(number, "--margin");
  return m;
}

// One line of --jobs: the command that cuts one sheet, each word a JSON
// string.
std::string JsonWord(const std::string& s) {
  std::string out = "\"";
  for (char c : s) {
    if (c == '"' || c == '\\') out += '\\';
    if (static_cast<unsigned char>(c) < 0x20) {
      char u[8];
      std::snprintf(u, sizeof u, "\\u%04x", c);
      out += u;
      continue;
    }
    out += c;
  }
  return out + "\"";
}

std::string MegaBytes(std::uint64_t bytes) {
  char b[32];
  std::snprintf(b, sizeof b, "%.1f MB", static_cast<double>(bytes) / 1e6);
  return b;
}

}  // namespace

Args ClipArgs(const std::vector<std::string>& words) { return Args(words, Options(kOwn, kProjectionOptionSpecs)); }

ClipRequest ReadClipRequest(const Args& args, const std::vector<std::string>& numbers) {
  if (args.Positional().empty()) throw UsageError(Tr("必须给出输入文件"));
  if (args.Positional().size() > 1) throw UsageError(TrFormat("多余的“%s”", {args.Positional()[1]}));
  if (!args.Has("scale")) throw UsageError(Tr("必须给出 --scale"));
  if (!args.Has("output")) throw UsageError(Tr("必须给出 --output 文件夹"));

  ClipRequest r;
  r.input = args.Positional()[0];
  r.scale = ParseScale(*args.Value("scale"));
  const std::string standard = args.Value("standard").value_or("new");
  if (standard != "new" && standard != "old") throw UsageError(Tr("--standard 只能是 new 或 old"));
  r.newStandard = standard == "new";
  const Projection p = ReadProjection(args);
  if (args.Has("datum")) r.datum = p.datum;
  r.zone3 = p.zone3;
  r.cm = p.cm;

  int choices = 0;
  for (const char* name : {"from", "aoi", "input", "sheet"}) choices += args.Has(name) ? 1 : 0;
  choices += numbers.empty() ? 0 : 1;
  if (choices > 1) throw UsageError(Tr("--from/--to、--aoi、--input 和 --sheet 只能选一种"));
  if (args.Has("from") != args.Has("to")) throw UsageError(Tr("--from 和 --to 须同时给出"));
  for (const char* name : {"aoi-layer", "aoi-where"}) {
    if (args.Has(name) && !args.Has("aoi")) throw UsageError(TrFormat("--%s 须与 --aoi 同用", {name}));
  }
  if (args.Has("from")) {
    const TLonLatDMS from = ParsePoint(*args.Value("from"), "--from");
    const TLonLatDMS to = ParsePoint(*args.Value("to"), "--to");
    r.corners = {from.Lon, from.Lat, to.Lon, to.Lat};
    const std::string inverted = InvertedCornersText(r.corners);
    if (!inverted.empty()) throw Error(inverted);
    r.choice = ClipChoice::Corners;
  } else if (auto aoi = args.Value("aoi")) {
    if (!r.datum) throw UsageError(Tr("--aoi 须与 --datum 同用：范围换算到图幅坐标系的经纬度"));
    r.area = Gis().readAreaFile(*aoi, args.Value("aoi-layer").value_or(""), args.Value("aoi-where").value_or(""),
                                *r.datum)
                 .area;
    r.choice = ClipChoice::Area;
  } else if (auto list = args.Value("input")) {
    // A table that sheets wrote gives its number field; anything else is a
    // number list.
    std::optional<std::vector<std::string>> table;
    if (*list != "-") table = Gis().readSheetTable(*list);
    r.numbers = table ? std::move(*table) : ReadNumberLines(*list);
    r.choice = ClipChoice::Numbers;
  } else if (auto one = args.Value("sheet")) {
    r.numbers = {*one};
    r.choice = ClipChoice::Numbers;
  } else if (!numbers.empty()) {
    r.numbers = numbers;
    r.choice = ClipChoice::Numbers;
  }

  if (auto m = args.Value("margin")) r.margin = ParseMargin(*m);
  if (auto mask = args.Value("mask")) {
    if (*mask == "nodata") {
      r.mask = ClipMask::Nodata;
    } else if (*mask == "white") {
      r.mask = ClipMask::White;
    } else {
      throw UsageError(Tr("--mask 只能是 nodata 或 white"));
    }
  }
  r.keepEmpty = args.Has("keep-empty");
  r.sourceSrs = args.Value("s-srs").value_or("");
  r.targetSrs = args.Value("t-srs").value_or("");
  r.resampling = args.Value("resampling").value_or("nearest");
  if (auto res = args.Value("resolution")) {
    r.resolution = ParseNumber(*res, "--resolution");
    if (!(r.resolution > 0)) throw UsageError(Tr("--resolution 须大于 0"));
  }
  if ((args.Has("resampling") || args.Has("resolution")) && r.targetSrs.empty()) {
    throw UsageError(Tr("--resampling 和 --resolution 须与 --t-srs 同用：不重投影时像元原样复制"));
  }
  r.layer = args.Value("layer").value_or("");
  r.oneLayer = args.Has("one-layer");
  r.output = *args.Value("output");
  const std::string layout = args.Value("layout").value_or("flat");
  if (layout != "flat" && layout != "folder") throw UsageError(Tr("--layout 只能是 flat 或 folder"));
  r.folderLayout = layout == "folder";
  const std::string names = args.Value("names").value_or("new");
  if (names != "new" && names != "old") throw UsageError(Tr("--names 只能是 new 或 old"));
  r.oldNames = names == "old";
  if (r.oldNames && !r.newStandard) throw UsageError(Tr("--names old 用于新图幅号的图幅"));
  if (auto f = args.Value("format")) {
    const std::string format = *f;
    if (format == "gtiff" || format == "GTiff") {
      r.format = "GTiff";
    } else if (format == "cog" || format == "COG") {
      r.format = "COG";
    } else if (format == "gpkg" || format == "GPKG") {
      r.format = "GPKG";
    } else if (format == "shp") {
      r.format = "ESRI Shapefile";
    } else {
      throw UsageError(TrFormat("--format 只能是 gtiff、cog、gpkg 或 shp，不能是“%s”", {format}));
    }
  }
  r.resume = args.Has("resume");
  if (auto w = args.Value("workers")) {
    r.workers = ParseInteger(*w, "--workers");
    if (r.workers < 1) throw UsageError(Tr("--workers 须至少为 1"));
  }
  return r;
}

int RunClip(const std::vector<std::string>& words) {
  const Args args = ClipArgs(words);
  if (HelpRequested(args, Tr(kHelp))) return 0;
  const ClipRequest r = ReadClipRequest(args);
  const bool quiet = args.Has("quiet");
  if (quiet && args.Has("progress")) throw UsageError(Tr("--progress 和 --quiet 不能同时给出"));

  if (auto jobs = args.Value("jobs")) {
    // The plan alone: each sheet as the call that cuts it, with every option
    // of this one but the sheet choice, --jobs and --workers. The input and
    // the output folder are made absolute, so that a line runs the same from
    // whatever folder a scheduler starts it in.
    const ClipPlan plan = Gis().planClip(r);
    const auto absolute = [](const std::string& path) {
      return std::filesystem::absolute(path).lexically_normal().string();
    };
    std::vector<std::string> common = {"karvento-cli", "clip", absolute(r.input)};
    static const char* const kDropped[] = {"jobs",  "from",    "to",       "aoi",      "aoi-layer",
                                           "aoi-where", "input", "sheet", "workers", "progress"};
    for (const std::vector<OptionSpec>& group : {std::vector<OptionSpec>(std::begin(kOwn), std::end(kOwn)),
                                                 std::vector<OptionSpec>(std::begin(kProjectionOptionSpecs),
                                                                         std::end(kProjectionOptionSpecs))}) {
      for (const OptionSpec& o : group) {
        if (!args.Has(o.name) || std::find_if(std::begin(kDropped), std::end(kDropped), [&](const char* d) {
                                   return std::string_view(d) == o.name;
                                 }) != std::end(kDropped)) {
          continue;
        }
        common.push_back(std::string("--") + o.name);
        if (o.takesValue) common.push_back(std::string_view(o.name) == "output" ? absolute(*args.Value(o.name))
                                                                                 : *args.Value(o.name));
      }
    }
    if (!r.datum) common.insert(common.end(), {"--datum", DatumInfoOf(plan.datum).key});
    SafeFile file(*jobs);
    for (const ClipSheet& s : plan.sheets) {
      std::string line = "{\"sheet\": " + JsonWord(s.sheet.MapUnionNo) + ", \"file\": " + JsonWord(absolute(s.file)) +
                         ", \"argv\": [";
      for (const std::string& w : common) line += JsonWord(w) + ", ";
      line += JsonWord("--sheet") + ", " + JsonWord(s.sheet.MapUnionNo) + ", " + JsonWord("--workers") + ", " +
              JsonWord("1") + "]}\n";
      file.Write(line);
    }
    file.Commit();
    if (!quiet) {
      std::fprintf(stderr, "%s\n",
                   TrFormat("karvento-cli clip: %s 个图幅的裁切写入了 %s", {std::to_string(plan.sheets.size()), *jobs})
                       .c_str());
    }
    return 0;
  }

  const bool show = !quiet && (args.Has("progress") || isatty(fileno(stderr)));
  const auto start = std::chrono::steady_clock::now();
  auto shown = start;
  bool any = false;
  const auto progress = [&](const ClipProgress& pr) {
    if (!show) return true;
    const auto now = std::chrono::steady_clock::now();
    if (pr.done != pr.total && now - shown < std::chrono::milliseconds(200)) return true;
    shown = now;
    const double seconds = std::chrono::duration<double>(now - start).count();
    const double left = pr.done ? seconds / static_cast<double>(pr.done) * static_cast<double>(pr.total - pr.done) : 0;
    char time[32];
    std::snprintf(time, sizeof time, "%d:%02d", static_cast<int>(left) / 60, static_cast<int>(left) % 60);
    std::fprintf(stderr, "\r%s", TrFormat("%s / %s 幅  %s  剩余 %s   ",
                                          {std::to_string(pr.done), std::to_string(pr.total), MegaBytes(pr.bytes), time})
                                     .c_str());
    any = true;
    return true;
  };
  const ClipResult result = Gis().clip(r, progress);
  if (any) std::fputc('\n', stderr);
  if (!quiet) {
    const char* pattern = r.keepEmpty
                              ? N_("karvento-cli clip: 写出 %s 个图幅（其中 %s 个没有数据），%s 个已完成；共 %s；汇总：%s")
                              : N_("karvento-cli clip: 写出 %s 个图幅，%s 个没有数据被跳过，%s 个已完成；共 %s；汇总：%s");
    std::fprintf(stderr, "%s\n",
                 TrFormat(pattern, {std::to_string(result.written), std::to_string(result.empty),
                                    std::to_string(result.resumed), MegaBytes(result.bytes), result.summary})
                     .c_str());
  }
  return 0;
}

}  // namespace karvento::cli
