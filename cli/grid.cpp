// SPDX-License-Identifier: Apache-2.0
// karvento-cli grid: the Generate of the independent tab.
#include <cmath>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    N_("用法：karvento-cli grid --min-x X --min-y Y --max-x X --max-y Y\n"
    "                        --step-x W --step-y H [选项]\n"
    "\n"
    "把独立坐标系中的一个平面范围（向外对齐到步长的整数倍）分成 W x H 的图幅，\n"
    "从 Y 最小的一行起逐行向上，并按编号格式编号。X 为东坐标，Y 为北坐标\n"
    "（我国测量习惯以 X 表示北坐标，本工具不是这样）。\n"
    "\n"
    "  --min-x X, --min-y Y  范围的左下角（东坐标，北坐标）\n"
    "  --max-x X, --max-y Y  右上角\n"
    "  --step-x W         图幅宽度，沿 X（向东），大于 0\n"
    "  --step-y H         图幅高度，沿 Y（向北），大于 0\n"
    "  --start-row N      起始行号（默认 0）\n"
    "  --start-col N      起始列号（默认 0）\n"
    "  --by rowcol|coords 按行号和列号（[ROW]、[COL]）或按左下角的公里数\n"
    "                     （[X]、[Y]）编号（默认 rowcol）\n"
    "  --format-string S  编号格式（默认 '[ROW]+[COL]' 或 '[Y]-[X]'）；\n"
    "                     标记不分大小写，其余文字照原样保留\n"
    "  --format F         table（默认）、csv、json、mif、xlsx、shp、gpkg、dxf\n"
    "                     （GeoJSON 只能存经纬度，不能存平面坐标），或图幅示意图：\n"
    "                     svg、png、pdf（mif、xlsx、shp、gpkg 和 dxf 需要\n"
    "                     --output）；独立坐标系没有大地坐标系，所以 shp 没有\n"
    "                     .prj，gpkg 和 dxf 也不写坐标系\n"
    "  --output 文件      写入文件而不是标准输出（- 即标准输出）；已有的文件在\n"
    "                     新文件写完后才被替换\n"
    "  --encoding E       csv 文本：utf-8（带字节顺序标记，默认）或 gbk；\n"
    "                     shp 属性文本：utf-8（默认）或 gbk\n"
    "  --spreadsheet      供 Excel 和 WPS 使用的 csv：图幅号写成文本单元格\n"
    "                     （=\"1-2\"），否则会被当成日期\n"
    "  --quiet            标准错误上不显示提示\n"
    "列：csv 的 最小X,最小Y,最大X,最大Y 和 table 的 min_x … 是东坐标（X）和\n"
    "北坐标（Y）；json 称之为 min_easting、min_northing、max_easting、\n"
    "max_northing。\n"
    "%s\n"
    "大比例尺测图的矩形分幅：\n"
    "  --scale S --sheet WxH   1:S 比例尺下 W x H 厘米图纸的图幅（1:500 的 50x50\n"
    "                     即 250 米 x 250 米），代替 --step-x/--step-y\n"
    "  --scheme coords|rowcol|serial\n"
    "                     按西南角的北坐标-东坐标公里数编号（坐标编号，3810.0-525.5，\n"
    "                     东坐标为带内的全部公里数；\n"
    "                     1:500 取 0.01 公里，1:1000 和 1:2000 取 0.1 公里，1:5000\n"
    "                     起取 1 公里），按自上而下的行字母和自左而右的列号编号\n"
    "                     （行列编号，A-1），或自西北起编 1、2、…（流水编号），\n"
    "                     代替编号格式\n"
    "  --datum 54|80|2000, --zone 3|6, --cm 度数\n"
    "                     图幅位于该高斯-克吕格格网上：shp、gpkg 写明其 EPSG\n"
    "                     坐标系（东坐标带或不带带号）\n"
    "  --frame dxf|pdf|svg  输出每个图幅的图廓而不是列表，写入文件夹 --output 目录/\n"
    "                     （每个图幅一个文件；只有一个图幅时可为文件，或全部图幅\n"
    "                     一个 PDF），图廓外注记 --name 文字 和 --notes '行|行'，\n"
    "                     以及 frame 的 --elevation-datum、--contour-interval、\n"
    "                     --symbols、--surveyor、--survey-date、--classification；\n"
    "                     超过 10 000 个图廓或约 1 GB 时须加 --yes\n"
    "\n"
    "示例：1 公里 x 500 米的区域分成 500 米的图幅，编号 1+1、1+2：\n"
    "  karvento-cli grid --min-x 0 --min-y 0 --max-x 1000 --max-y 500 \\\n"
    "      --step-x 500 --step-y 500 --start-row 1 --start-col 1\n"
    "2000国家大地坐标系第 39 带上 50 厘米 x 50 厘米的 1:500 图幅，坐标编号：\n"
    "  karvento-cli grid --min-x 39525000 --min-y 3810000 --max-x 39526000 --max-y 3811000 \\\n"
    "      --scale 500 --sheet 50x50 --scheme coords --datum 2000 --cm 117 --format gpkg --output g.gpkg\n"
    "及其图廓：\n"
    "  karvento-cli grid ... --scale 500 --sheet 50x50 --scheme coords --cm 117 --frame pdf --output frames/\n");

const OptionSpec kOwn[] = {{"min-x", true},     {"min-y", true},     {"max-x", true},
                           {"max-y", true},     {"step-x", true},    {"step-y", true},
                           {"start-row", true}, {"start-col", true}, {"by", true},
                           {"format-string", true}, {"scale", true}, {"sheet", true},
                           {"scheme", true},        {"frame", true}, {"name", true},
                           {"notes", true},         {"yes", false}};

double Required(const Args& args, const char* name) {
  const auto v = args.Value(name);
  if (!v) throw UsageError(TrFormat("必须给出 --%s", {name}));
  return ParseNumber(*v, std::string("--") + name);
}

}  // namespace

int RunGrid(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kOutputOptionSpecs, kProjectionOptionSpecs, kFrameDecorationOptionSpecs));
  if (HelpRequested(args, WithMapHelp(kHelp).c_str())) return 0;
  if (!args.Positional().empty()) throw UsageError(TrFormat("多余的“%s”", {args.Positional()[0]}));
  const std::string by = args.Value("by").value_or("rowcol");
  if (by != "rowcol" && by != "coords") throw UsageError(Tr("--by 只能是 rowcol 或 coords"));
  const bool byRowCol = by == "rowcol";
  const std::string format =
      args.Value("format-string").value_or(byRowCol ? "[ROW]+[COL]" : "[Y]-[X]");
  const int startRow = ParseInteger(args.Value("start-row").value_or("0"), "--start-row");
  const int startCol = ParseInteger(args.Value("start-col").value_or("0"), "--start-col");
  const Projection p = ReadProjection(args);
  const bool frames = args.Has("frame");
  const OutputOptions o = frames ? OutputOptions{} : ReadOutputOptions(args);
  if (!frames) RefuseGeoJsonOfPlaneSheets(o.format);
  for (const char* name : {"name", "notes", "elevation-datum", "contour-interval", "symbols", "surveyor",
                           "survey-date", "classification", "declination"}) {
    if (args.Has(name) && !frames) throw UsageError(TrFormat("--%s 须与 --frame 同用", {name}));
  }

  // The sheet size: paper centimetres at a scale, or the steps in metres.
  const int denominator =
      args.Has("scale") ? kScaleDenominators[ParseScale(*args.Value("scale"))] : 0;
  double stepX = 0, stepY = 0;
  if (auto sheet = args.Value("sheet")) {
    if (denominator == 0) throw UsageError(Tr("--sheet WxH 需要 --scale"));
    if (args.Has("step-x") || args.Has("step-y")) throw UsageError(Tr("请给出 --sheet 或 --step-x/--step-y，不能两者都给"));
    const std::size_t x = sheet->find('x');
    if (x == std::string::npos) throw UsageError(TrFormat("--sheet：“%s”不是 宽x高（厘米）", {*sheet}));
    const double w = ParseNumber(sheet->substr(0, x), "--sheet"), h = ParseNumber(sheet->substr(x + 1), "--sheet");
    if (!(w > 0 && h > 0 && std::isfinite(w) && std::isfinite(h))) {
      throw UsageError(TrFormat("--sheet：“%s”的宽和高须大于 0（厘米）", {*sheet}));
    }
    stepX = w * denominator / 100;
    stepY = h * denominator / 100;
  } else {
    stepX = Required(args, "step-x");
    stepY = Required(args, "step-y");
  }
  if (frames && denominator == 0) throw UsageError(Tr("--frame 需要 --scale"));

  const double minX = Required(args, "min-x"), minY = Required(args, "min-y");
  const double maxX = Required(args, "max-x"), maxY = Required(args, "max-y");
  if (maxX < minX) throw Error(kInvertedXMessage);
  if (maxY < minY) throw Error(kInvertedYMessage);
  TCustomMapUnions sheets;
  std::string refusal;
  if (auto scheme = args.Value("scheme")) {
    if (args.Has("by") || args.Has("format-string") || args.Has("start-row") || args.Has("start-col")) {
      throw UsageError(Tr("--scheme 代替 --by、--format-string、--start-row 和 --start-col，不能同时给出"));
    }
    if (denominator == 0) throw UsageError(Tr("--scheme 需要 --scale"));
    const RectangularScheme s = *scheme == "coords"   ? RectangularScheme::Coordinates
                                : *scheme == "rowcol" ? RectangularScheme::RowColumn
                                : *scheme == "serial" ? RectangularScheme::Serial
                                                      : throw UsageError(Tr("--scheme 只能是 coords、rowcol 或 serial"));
    refusal = CreateRectangularMapUnions(minX, minY, maxX, maxY, stepX, stepY, denominator, s, sheets);
  } else {
    refusal = CreateCustomMapUnions(minX, minY, maxX, maxY, startRow, startCol, stepX, stepY, format,
                                    byRowCol, sheets);
  }
  if (!refusal.empty()) throw Error(refusal);
  if (args.Has("yes") && !frames) throw UsageError(Tr("--yes 须与 --frame 同用"));
  if (frames) {
    if (!args.Has("output")) throw UsageError(Tr("--frame 需要 --output 目录/ 或文件"));
    WriteRectangularFrames(sheets, denominator, p, *args.Value("frame"), *args.Value("output"),
                           args.Value("name").value_or(""), args.Value("notes").value_or(""), args);
    return 0;
  }
  // The map's title is part of the drawing: Chinese in every language.
  if (WriteCustomMap(o, sheets, "图幅接合表  独立坐标系")) return 0;
  if (WriteCustomFile(o, sheets, p.cm != 0 ? &p : nullptr)) return 0;
  OutputStream stream(o);
  WriteCustomSheets(o.format, stream.out(), sheets, o.encoding);
  stream.Finish();
  return 0;
}

}  // namespace karvento::cli
