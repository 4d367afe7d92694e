// SPDX-License-Identifier: Apache-2.0
// karvento-cli sheets: the Generate of the two geodetic tabs.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/modules.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/text_files.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    N_("用法：karvento-cli sheets --from 经度,纬度 --to 经度,纬度 [选项]\n"
    "      karvento-cli sheets --aoi 文件 [选项]\n"
    "\n"
    "列出覆盖从左下角 --from 到右上角 --to 这一范围的全部图幅：按列自西向东，\n"
    "每列自北向南，给出图幅号、四条图廓边的经纬度和西北、东北、东南、西南四个\n"
    "图廓点的平面坐标。\n"
    "\n"
    "  --from 经度,纬度   左下角：十进制度或度:分:秒（116:28:00），\n"
    "                     经度 0 至 180，纬度 0 至 90\n"
    "  --to 经度,纬度     右上角\n"
    "  --scale 比例尺     1:100万 1:50万 1:25万 1:10万 1:5万 1:2.5万 1:1万 1:5000\n"
    "                     1:2000 1:1000 1:500，或 1:10000，或 10000（默认 1:1万）；\n"
    "                     1:2000、1:1000、1:500 只有新图幅号\n"
    "  --standard new|old 编号标准：新（new，默认）或旧（old）\n"
    "  --number-form F    rowcol（J50I001001，默认）或 5000：1:2000 图幅号由所在\n"
    "                     1:5000 图幅编出（J50H001001-1 … -9）\n"
    "  --datum 54|80|2000 平面坐标的坐标系：1954年北京坐标系、1980西安坐标系或\n"
    "                     2000国家大地坐标系 CGCS2000（默认 54）\n"
    "  --zone 3|6         3°分带或 6°分带（默认 3）\n"
    "  --cm 度数          中央经线，0 至 180；0 表示每个图廓点用所在的带，\n"
    "                     并且不写带号（默认 0）\n"
    "  --offset-x X, --offset-y Y\n"
    "                     省略的坐标大数，从平面坐标中减去（默认 0）\n"
    "  --params 文件      图廓范围、分带方法、中央经线和偏移值取自窗口保存的\n"
    "                     参数文件（选项优先）\n"
    "  --format F         table（默认）、csv、json、geojson、mif、xlsx、shp、\n"
    "                     gpkg、dxf、kml，或图幅示意图：svg、png、pdf（mif、xlsx、\n"
    "                     shp 和 gpkg 需要 --output）；不给 --format 时按输出文件\n"
    "                     的扩展名选择（x.gpkg：GeoPackage），与扩展名矛盾的\n"
    "                     --format 会被拒绝\n"
    "  --output 文件      写入文件而不是标准输出（- 即标准输出）；已有的文件在\n"
    "                     新文件写完后才被替换。各文本格式以及 mif、shp、gpkg、\n"
    "                     dxf、kml 都随图幅生成逐列写出，图幅数量只受格式本身\n"
    "                     的限制（Shapefile 至多 4 GB）；xlsx 和示意图：5,000,000\n"
    "  --encoding E       csv 文本：utf-8（带字节顺序标记，默认）或 gbk；\n"
    "                     shp 属性文本：utf-8（默认）或 gbk\n"
    "  --spreadsheet      供 Excel 和 WPS 使用的 csv：图幅号写成文本单元格\n"
    "                     （=\"J-50-5\"），不会被当成日期或数字\n"
    "  --progress         在标准错误上显示进度行（已完成图幅数/总数、速度、\n"
    "                     剩余时间）；在终端上运行超过一秒时默认显示\n"
    "  --quiet            标准错误上不显示进度行和提示\n"
    "  --coords plane|geo mif、shp、gpkg、dxf 用平面坐标（默认）或经纬度\n"
    "  --corners-only     shp、gpkg、dxf、kml：每个图廓只由四个角点以直线相连\n"
    "                     （默认：沿每条边加密节点，与真实的纬线和经线相差\n"
    "                     不超过 1 厘米）\n"
    "  --aoi 文件         只取图廓与文件中多边形（GDAL 能读的任何多边形图层）\n"
    "                     内部相交的图幅，多边形换算到 --datum 的经纬度；\n"
    "                     代替 --from/--to\n"
    "  --aoi-layer 名称   文件中的图层（默认第一个）\n"
    "  --aoi-where SQL    只取符合此属性筛选条件的要素\n"
    "  --min-cover F      只取被多边形覆盖至少 F（0 至 1）的图幅\n"
    "  --cover            每个图幅被覆盖的比例，作为最后一列\n"
    "                     （table、csv、json、geojson）\n"
    "%s\n"
    "平面坐标：X 为东坐标，Y 为北坐标，单位为米。\n"
    "坐标系：shp（及其 .prj）、gpkg 和 dxf 写明该坐标系的 EPSG 代码：经纬度为\n"
    "EPSG:4214（54）、4610（80）或 4490（2000）；平面坐标为该带的高斯-克吕格\n"
    "投影坐标系，给出 --cm 时带带号（3°带第 39 带：54 为 EPSG:2415，80 为 2363，\n"
    "2000 为 4527），--cm 为 0 时不带带号（中央经线 117°E：EPSG:2436、2384、\n"
    "4548），这要求全部图幅在同一带内。有偏移值时，是假原点按偏移值移动后的\n"
    "该坐标系。kml 为 WGS 84，只有 CGCS2000 的图幅可以看作 WGS 84：1954年北京\n"
    "坐标系和 1980西安坐标系的图幅会被拒绝。geojson 和 csv 的经纬度是图幅在其\n"
    "坐标系上的经纬度，而不是读取它们的程序所假定的 WGS 84：每个 geojson 要素\n"
    "在属性 \"datum\" 中写明坐标系，在 54 和 80 上标准错误会提示这一点（--quiet\n"
    "时不提示）。\n"
    "\n"
    "示例：北京市中心的 1:1万 图幅，新图幅号，第 39 带：\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 \\\n"
    "      --scale 1:1万 --cm 117\n"
    "同样的范围，2000国家大地坐标系：\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 \\\n"
    "      --scale 1:1万 --cm 117 --datum 2000\n"
    "其图幅示意图，A4 横向的一页 PDF：\n"
    "  karvento-cli sheets --from 116:20:00,39:50:00 --to 116:30:00,40:00:00 \\\n"
    "      --format pdf --size 297x210 --output beijing.pdf\n");

const OptionSpec kOwn[] = {{"from", true},     {"to", true},       {"scale", true},
                           {"standard", true}, {"offset-x", true}, {"offset-y", true},
                           {"params", true},   {"number-form", true}, {"aoi", true},
                           {"aoi-layer", true}, {"aoi-where", true}, {"min-cover", true},
                           {"cover", false}, {"progress", false}, {"transform", true}};

}  // namespace

int RunSheets(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kProjectionOptionSpecs, kOutputOptionSpecs));
  if (HelpRequested(args, WithMapHelp(kHelp).c_str())) return 0;
  if (!args.Positional().empty()) throw UsageError(TrFormat("多余的“%s”", {args.Positional()[0]}));
  const int scale = ParseScale(args.Value("scale").value_or("1:1万"));
  const std::string standard = args.Value("standard").value_or("new");
  if (standard != "new" && standard != "old") throw UsageError(Tr("--standard 只能是 new 或 old"));
  Projection p = ReadProjection(args);
  const OutputOptions o = ReadOutputOptions(args);
  const ProgressLine::Mode progressMode = ProgressLine::ModeOf(args);

  // The corners, zone method, central meridian and offsets: from a saved
  // parameter file where one is given, each overridden by its option.
  TMapUnionRange range;
  double offsetX = 0, offsetY = 0;
  if (auto file = args.Value("params")) {
    // Every value brought into its field's limits, as the window's Open
    // brings it into the fields of the datum's tab.
    TParameterSet saved = ReadCompleteParameterFile(*file);
    ClampToFieldLimits(saved, p.datum);
    range = {saved.Corners[0], saved.Corners[1], saved.Corners[2], saved.Corners[3]};
    if (!args.Has("zone")) p.zone3 = saved.ZoneIndex == 0;
    if (!args.Has("cm")) p.cm = saved.CentralMeridian;
    offsetX = saved.OffsetX;
    offsetY = saved.OffsetY;
  } else if (!args.Has("aoi") && (!args.Has("from") || !args.Has("to"))) {
    throw UsageError(Tr("必须给出 --from 和 --to（或 --params 文件，或 --aoi 文件）"));
  }
  if (args.Has("aoi") && (args.Has("from") || args.Has("to"))) {
    throw UsageError(Tr("--aoi 代替 --from 和 --to，不能同时给出"));
  }
  for (const char* name : {"aoi-layer", "aoi-where", "min-cover", "cover"}) {
    if (args.Has(name) && !args.Has("aoi")) throw UsageError(TrFormat("--%s 须与 --aoi 同用", {name}));
  }
  if (auto from = args.Value("from")) {
    const TLonLatDMS corner = ParsePoint(*from, "--from");
    range.West = corner.Lon;
    range.South = corner.Lat;
  }
  if (auto to = args.Value("to")) {
    const TLonLatDMS corner = ParsePoint(*to, "--to");
    range.East = corner.Lon;
    range.North = corner.Lat;
  }
  if (!args.Has("aoi")) {
    const std::string inverted = InvertedCornersText(range);
    if (!inverted.empty()) throw Error(inverted);
  }
  if (auto x = args.Value("offset-x")) offsetX = ParseNumber(*x, "--offset-x");
  if (auto y = args.Value("offset-y")) offsetY = ParseNumber(*y, "--offset-y");

  const ColumnEdits edits{offsetX, offsetY, ReadNumberForm(args, scale, standard == "new")};
  const bool withCover = args.Has("cover");
  if (withCover && !IsTextFormat(o.format)) {
    throw UsageError(Tr("--cover 是 table、csv、json 和 geojson 的一列"));
  }
  // An area of interest: its polygons on the datum's longitude and latitude,
  // with the notice where they were taken as they are.
  std::optional<AreaFile> area;
  double minCover = 0;
  if (auto aoi = args.Value("aoi")) {
    if (auto f = args.Value("min-cover")) {
      minCover = ParseNumber(*f, "--min-cover");
      if (!(minCover >= 0 && minCover <= 1)) throw UsageError(Tr("--min-cover 是 0 至 1 的比例"));
    }
    area = Gis().readAreaFile(*aoi, args.Value("aoi-layer").value_or(""),
                              args.Value("aoi-where").value_or(""), p.datum);
    // As the window refuses it, before any sheet is counted or allocated.
    if (const std::string problem = AreaDomainProblem(area->area); !problem.empty()) {
      throw Error(TrFormat("范围文件 “%s” %s", {*aoi, TranslateMessage(problem)}));
    }
    if (!area->notices.empty()) {
      std::fprintf(stderr, "karvento-cli sheets: %s\n", TranslateMessages(area->notices).c_str());
    }
  }

  // Corners beyond the datum's millimetre: the request's extent snapped
  // outward to whole sheets.
  {
    const TMapUnionRange r = area && p.cm != 0 ? AreaSheetRange(area->area, scale) : range;
    const double step = LonStepTable[scale];
    const std::string w = ProjectionAccuracyWarning(
        Tr("图幅"), p.datum, FloorToStep(DmsToSec(r.West), step) / 3600, CeilToStep(DmsToSec(r.East), step) / 3600, p.cm);
    if (!w.empty() && !o.quiet) std::fprintf(stderr, "karvento-cli sheets: %s\n", TranslateMessage(w).c_str());
  }
  // A workbook and an index map are made from the whole table in memory (a
  // worksheet holds a limited number of rows, a map is drawn whole): such a
  // request keeps the window's sheet limit.
  const bool whole = o.format == Format::Xlsx || o.format == Format::Svg ||
                     o.format == Format::Png || o.format == Format::Pdf;
  if (whole) {
    TStandardMapUnions sheets;
    if (area) {
      CreateMapUnionsInArea(area->area, scale, standard == "new", p.zone3, p.datum, p.cm, minCover,
                            sheets);
    } else {
      CreateMapUnionsOfStandard(range, scale, standard == "new", p.zone3, p.datum, p.cm, sheets);
    }
    for (auto& column : sheets) edits.Apply(column);
    if (WriteStandardMap(o, sheets, MapTitle(kScaleCaptions[scale], standard, p.datum), -1,
                         area ? &area->area : nullptr)) {
      return 0;
    }
    const SheetMeta meta{std::string(kScaleCaptions[scale]), kScaleDenominators[scale], standard};
    WriteStandardFile(o, sheets, p, offsetX, offsetY, &meta);
    return 0;
  }
  // Every other format, the text, MIF and GIS files, is written column by
  // column as the walk goes: any number of sheets, in memory bounded by one
  // column.
  const SheetWalk walk =
      area ? SheetWalk(area->area, minCover, scale, standard == "new", p.zone3, p.datum, p.cm, false)
           : SheetWalk(range, scale, standard == "new", p.zone3, p.datum, p.cm, false);
  if (auto params = args.Value("transform")) {
    WriteSheetCorrections(walk, edits, *params, p);
    return 0;
  }
  WarnOfGeographicDatum("sheets", o, p);
  StreamStandardSheets(o, walk, edits,
                       {std::string(kScaleCaptions[scale]), kScaleDenominators[scale], standard,
                        nullptr, DatumName(p), withCover},
                       p, progressMode);
  return 0;
}

const std::vector<Command>& Commands() {
  static const std::vector<Command> commands = {
      {"sheets", RunSheets}, {"grid", RunGrid}, {"convert", RunConvert}, {"check", RunCheck},
      {"project", RunProject}, {"dms", RunDms}, {"at", RunAt}, {"frame", RunFrame}, {"transform", RunTransform}, {"tag", RunTag}, {"clip", RunClip}};
  return commands;
}

}  // namespace karvento::cli
