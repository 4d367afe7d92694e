// SPDX-License-Identifier: Apache-2.0
// karvento-cli tag: the sheet numbers of every feature of a GIS layer
// (gis/layer_tag.h does the work, through the GIS module).
#include <cstdio>
#include <string>
#include <vector>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/modules.h"
#include "cli/transform.h"
#include "geodesy/transform.h"
#include "numbering/error.h"
#include "numbering/scales.h"
#include "workbench/text_files.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    N_("用法：karvento-cli tag 图层 --scale S[,S…] --output 输出 [选项]\n"
    "\n"
    "图幅号赋值：给图层（GDAL 能读的本地矢量文件：shp、gpkg、geojson、kml、dxf、\n"
    "tab/mif、fgb、gdb、csv 等）的每个要素加上它所在图幅的图幅号，属性和几何原样\n"
    "保留。点：所在的图幅，图廓边上的点属于其东边和北边的图幅（同 at）；线：有一段\n"
    "（长度大于 0）落在其中的每幅图，沿图廓线的线属于其东边和北边的图幅；面：与其\n"
    "内部相交的每幅图，只在边上相接的不算。多幅图按图幅的次序（自西向东逐列，每列\n"
    "自北向南）以 ; 连接。\n"
    "\n"
    "图层按其自己的坐标系读：经纬度，或高斯-克吕格平面坐标（带或不带带号，按图层\n"
    "坐标系的中央经线反算，同 at --plane），或其他坐标系经 PROJ 换算。图层与图幅不在\n"
    "同一个大地坐标系上时（如北京54的图层、2000国家大地坐标系的图幅）拒绝，除非用\n"
    "--transform 给出转换参数：两者之间没有官方转换，同一组坐标相差可达约 100 米。\n"
    "WGS 84 的图层按 2000国家大地坐标系使用。\n"
    "\n"
    "  --scale S[,S…]     比例尺，每个比例尺一个字段：图幅号_1万、旧图幅号_1万\n"
    "  --standard new|old|both\n"
    "                     新图幅号（默认）、旧图幅号或两者\n"
    "  --output 文件      .gpkg、.shp、.geojson、.csv、.kml 或 .mif；写完才替换原有的\n"
    "                     文件。Shapefile 的字段名至多 10 字节：S_10000、O_10000、\n"
    "                     C_10000；一个字段至多 254 字节，超过时拒绝（用 --explode）\n"
    "  --explode          每个要素的每幅图（最大比例尺的）一行，较小比例尺的字段为\n"
    "                     包含它的图幅\n"
    "  --cover            每幅图另给要素在其中的比例（面积，线为长度）：覆盖_1万\n"
    "  --ascii-names      字段名用 sheet_10000、old_10000、cover_10000\n"
    "  --datum 54|80|2000 图幅的坐标系（默认为图层自己的）；没有坐标系的图层也按它读\n"
    "  --zone 3|6, --cm 度数\n"
    "                     没有坐标系的平面坐标图层的投影带\n"
    "  --transform 文件   图层与图幅的坐标系之间的转换参数（transform solve 的参数\n"
    "                     文件，七参数、三参数或四参数；按需要正算或反算）\n"
    "  --layer 名称       图层名（默认为第一个）\n"
    "  --quiet            标准错误上不写说明\n"
    "\n"
    "示例：\n"
    "  karvento-cli tag 控制点.csv --datum 2000 --scale 1:1万,1:5万 --output 控制点图幅.gpkg\n"
    "  karvento-cli tag 宗地.shp --scale 1:2000 --explode --cover --output 宗地图幅.gpkg\n"
    "  karvento-cli tag 道路54.shp --datum 2000 --transform bj.k7p --scale 1:1万 --output 道路.gpkg\n");

const OptionSpec kOwn[] = {{"scale", true},   {"standard", true},   {"output", true}, {"explode", false},
                           {"cover", false},  {"ascii-names", false}, {"datum", true},  {"zone", true},
                           {"cm", true},      {"transform", true},  {"layer", true},  {"quiet", false}};

}  // namespace

Args TagArgs(const std::vector<std::string>& words) { return Args(words, Options(kOwn)); }

LayerTagRequest ReadTagRequest(const Args& args) {
  if (args.Positional().size() != 1) throw UsageError(Tr("请给出一个图层（见 --help）"));
  LayerTagRequest q;
  q.input = args.Positional()[0];
  q.layer = args.Value("layer").value_or("");
  const auto output = args.Value("output");
  if (!output) throw UsageError(Tr("请给出 --output 输出文件"));
  q.output = *output;
  if (!TagFormatOfName(q.output, q.format)) {
    throw UsageError(TrFormat("--output “%s”须是 .gpkg、.shp、.geojson、.csv、.kml 或 .mif", {q.output}));
  }
  const auto scales = args.Value("scale");
  if (!scales) throw UsageError(Tr("请给出 --scale 比例尺"));
  for (std::size_t from = 0;;) {
    const std::size_t comma = scales->find(',', from);
    q.scales.push_back(ParseScale(scales->substr(from, comma - from)));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  const std::string standard = args.Value("standard").value_or("new");
  if (standard != "new" && standard != "old" && standard != "both") {
    throw UsageError(Tr("--standard 只能是 new、old 或 both"));
  }
  q.newStandard = standard != "old";
  q.oldStandard = standard != "new";
  q.explode = args.Has("explode");
  q.cover = args.Has("cover");
  q.asciiNames = args.Has("ascii-names");
  if (args.Has("datum")) q.sheetDatum = ReadProjection(args).datum;
  const Projection p = ReadProjection(args);
  q.zone3 = p.zone3;
  q.cm = p.cm;
  if (const auto file = args.Value("transform")) {
    q.transform = ReadTransformParamsFile(*file);
  }
  return q;
}

int RunTag(const std::vector<std::string>& words) {
  const Args args = TagArgs(words);
  if (HelpRequested(args, Tr(kHelp))) return 0;
  const LayerTagRequest q = ReadTagRequest(args);
  const LayerTagResult r = Gis().tagLayer(q, {});
  if (!args.Has("quiet")) {
    for (const Message& notice : r.notices) {
      std::fprintf(stderr, "karvento-cli tag: %s\n", TranslateMessage(notice).c_str());
    }
    std::fprintf(stderr, "karvento-cli tag: %s\n",
                 TrFormat("%s：%s 个要素，%s 行。", {q.output, std::to_string(r.features), std::to_string(r.rows)})
                     .c_str());
  }
  return 0;
}

}  // namespace karvento::cli
