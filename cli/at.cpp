// SPDX-License-Identifier: Apache-2.0
// karvento-cli at: the sheet of a point at every scale, or its 接合图表.
#include <array>
#include <cmath>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/point_stream.h"
#include "geodesy/gauss_kruger.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::cli {

namespace {

const char* kHelp =
    N_("用法：karvento-cli at 经度,纬度 [选项]\n"
    "      karvento-cli at --plane X,Y --cm 度数 [选项]\n"
    "      karvento-cli at [--input 文件|-] [--scale S[,S…]] [选项]   （逐行读点）\n"
    "\n"
    "一个点从 1:100万 起各比例尺所在的图幅，给出其新图幅号、旧图幅号和图廓边；\n"
    "用 --scale S --neighbours 则给出该比例尺下点所在图幅周围 3 x 3 的图幅\n"
    "（接合图表），自西北到东南逐行排列（点所在的图幅为 C），可跨越 1:100万\n"
    "图幅边和带边。\n"
    "位于图廓边上的点属于其东边和北边的图幅（列号为经度除以图幅经差后向下取整，\n"
    "行号同理）。点不在经度 0 至 180、纬度 0 至 90 之内时，退出状态为 1。\n"
    "\n"
    "不在命令行上给点（或给出 --input）时逐行读点，同 proj：每行一个点（经度 纬度\n"
    "或 经度,纬度，十进制度或用冒号、度分秒符号写的度:分:秒），其后的内容原样\n"
    "带出；每行输出一行：点、--scale 各比例尺（默认 1:1万）的图幅号（--standard\n"
    "new|old|both，默认 both）和该行其余的内容，次序与输入相同。空行和 # 开头的\n"
    "行在 text 中原样照抄。读不了的行以 * 标出，行号和原因写在标准错误上，其余\n"
    "的行照常输出；有这样的行时退出状态为 1。输出为终端或输入暂时没有更多的行\n"
    "时，每行写出即送出。\n"
    "\n"
    "  经度,纬度          十进制度或度:分:秒（116:28:00,39:54:00）\n"
    "  --plane X,Y        改给高斯-克吕格平面点：东坐标 X（带或不带带号）和北坐标\n"
    "                     Y，单位为米，按 --datum、--zone 和 --cm（cm > 0）反算\n"
    "  --scale S          --neighbours 的比例尺（默认 1:1万）\n"
    "  --neighbours       点所在图幅周围 3 x 3 的图幅\n"
    "  --standard new|old 只带一种图幅号的格式所用的标准\n"
    "                     （geojson、mif、xlsx、svg、png、pdf；默认 new）\n"
    "  --datum 54|80|2000, --zone 3|6, --cm 度数\n"
    "                     图幅的平面坐标（cm 为 0：每个图廓点用所在的带）\n"
    "  --format F         table（默认）、csv、json：两种图幅号；geojson、mif、\n"
    "                     xlsx、shp、gpkg、dxf、kml：--standard 的图幅；用\n"
    "                     --neighbours 时还有 svg、png、pdf：以图幅示意图表示的\n"
    "                     接合图表，点所在的图幅以红色勾出\n"
    "  --output 文件, --encoding E, --coords plane|geo, --spreadsheet, --quiet\n"
    "                     同 sheets\n"
    "  --input 文件|-     逐行读点的文件（- 为标准输入，默认）\n"
    "  --x 列名, --y 列名 输入为有首行的 CSV：经度列和纬度列，各列原样带出\n"
    "  --format F         逐行读点时为 text（默认，制表符分隔）、csv、json、jsonl\n"
    "                     （JSON Lines：每行一个对象）\n"
    "  --ascii-names      列名用 sheet_10000、old_10000，不用 图幅号_1万、旧图幅号_1万\n"
    "%s\n"
    "示例：\n"
    "  karvento-cli at 116:28:00,39:54:00\n"
    "  karvento-cli at 120,40 --scale 1:1万 --neighbours --format csv\n"
    "  karvento-cli at 120,40 --scale 1:1万 --neighbours --format svg --output 120_40.svg\n"
    "  karvento-cli at --plane 39500000,4429607.368 --cm 117 --datum 54\n"
    "  karvento-cli at --scale 1:1万,1:5万 --format csv < 控制点.txt > 控制点图幅.csv\n");

const OptionSpec kOwn[] = {{"plane", true},    {"scale", true},         {"neighbours", false},
                           {"standard", true}, {"ascii-names", false}};

// The options of one point that a stream has no use for.
const char* const kOnePointOnly[] = {"plane", "neighbours", "encoding", "coords", "size",
                                     "spreadsheet", "corners-only"};
const char* const kStreamOnly[] = {"input", "x", "y", "ascii-names"};

// A stream of points: the sheet numbers of each at the scales asked.
class AtStream : public PointCommand {
 public:
  AtStream(const std::vector<ScaleIndex>& scales, bool fresh, bool old, bool ascii)
      : numbers_(scales, fresh, old, ascii), lon_(Tr("经度")), lat_(Tr("纬度")) {}
  std::string_view XName() const override { return "lon"; }
  std::string_view YName() const override { return "lat"; }
  bool EchoPoint() const override { return true; }
  const std::vector<ResultColumn>& Results() const override { return numbers_.Results(); }
  void Compute(std::string_view x, std::string_view y, std::vector<std::string>& out) override {
    if (y.empty()) throw UsageError(Tr("该行只有一个值，不是 经度 纬度"));
    // Decimal degrees as typed, as for one point.
    numbers_.Compute(DmsToSec(ParseAngle(x, lon_, true, AngleAxis::Longitude)),
                     DmsToSec(ParseAngle(y, lat_, true, AngleAxis::Latitude)), out);
  }

 private:
  SheetNumberColumns numbers_;
  std::string lon_, lat_;
};

int RunAtStream(const Args& args) {
  for (const char* name : kOnePointOnly) {
    if (args.Has(name)) throw UsageError(TrFormat("逐行读点时不用 --%s", {name}));
  }
  const StreamOptions o = ReadStreamOptions(args);
  const Projection p = ReadProjection(args);
  if (o.format == StreamFormat::Csv) {
    OutputOptions notice;
    notice.format = Format::Csv;
    notice.quiet = o.quiet;
    WarnOfGeographicDatum("at", notice, p);
  }
  // --scale S[,S…]: 1:1万 unless given.
  std::vector<ScaleIndex> scales;
  const std::string list = args.Value("scale").value_or("1:1万");
  for (std::size_t from = 0;;) {
    const std::size_t comma = list.find(',', from);
    scales.push_back(ParseScale(list.substr(from, comma - from)));
    if (comma == std::string::npos) break;
    from = comma + 1;
  }
  const std::string standard = args.Value("standard").value_or("both");
  if (standard != "new" && standard != "old" && standard != "both") {
    throw UsageError(Tr("--standard 只能是 new、old 或 both"));
  }
  if (standard == "old") {
    for (const ScaleIndex s : scales) {
      if (!HasOldStandard(s)) throw Error(OldStandardLacksScaleMessage(s, false));
    }
  }
  AtStream at(scales, standard != "old", standard != "new", args.Has("ascii-names"));
  return RunPointStream("at", o, at);
}

// The point's own sheet is C, in the middle of its 接合图表.
const char* kPlaces[9] = {"NW", "N", "NE", "W", "C", "E", "SW", "S", "SE"};

}  // namespace

int RunAt(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kProjectionOptionSpecs, kOutputOptionSpecs, kStreamOptionSpecs));
  if (HelpRequested(args, WithMapHelp(kHelp).c_str())) return 0;
  if (IsStream(args, !args.Positional().empty() || args.Has("plane"))) {
    if (!args.Positional().empty()) throw UsageError(Tr("--input 与命令行上的点不能同用"));
    return RunAtStream(args);
  }
  for (const char* name : kStreamOnly) {
    if (args.Has(name)) throw UsageError(TrFormat("--%s 只用于逐行读点（不在命令行上给点）", {name}));
  }
  const Projection p = ReadProjection(args);
  const OutputOptions o = ReadOutputOptions(args);
  WarnOfGeographicDatum("at", o, p);
  const std::string standard = args.Value("standard").value_or("new");
  if (standard != "new" && standard != "old") throw UsageError(Tr("--standard 只能是 new 或 old"));
  const bool neighbours = args.Has("neighbours");
  if (args.Has("scale") && !neighbours) throw UsageError(Tr("--scale 须与 --neighbours 同用"));
  const int scale = ParseScale(args.Value("scale").value_or("1:1万"));
  if (!neighbours && (o.format == Format::Svg || o.format == Format::Png || o.format == Format::Pdf)) {
    throw UsageError(Tr("图幅示意图（svg、png、pdf）画的是接合图表：请给出 --scale S --neighbours"));
  }

  // The point in seconds of arc, where every sheet edge is exact.
  double lon = 0, lat = 0;
  if (auto plane = args.Value("plane")) {
    if (!args.Positional().empty()) throw UsageError(Tr("请给出 经度,纬度 或 --plane X,Y，不能两者都给"));
    const std::size_t comma = plane->find(',');
    if (comma == std::string::npos) throw UsageError(TrFormat("--plane：“%s”不是 X,Y", {*plane}));
    if (!(p.cm > 0)) throw Error(Tr("中央经度必须是大于0的值！"));
    const double x = EastingWithZonePrefix(ParseNumber(plane->substr(0, comma), "--plane"), p.zone3, p.cm);
    const double y = ParseNumber(plane->substr(comma + 1), "--plane");
    const TLonLatDMS g = PlaneToGeo(p.datum, y, x, p.zone3, p.cm);
    if (std::isnan(g.Lon.Degrees)) throw Error(Tr("该平面坐标超出投影的适用范围，无法换算。"));
    lon = DmsToSec(g.Lon);
    lat = DmsToSec(g.Lat);
  } else {
    if (args.Positional().size() != 1) throw UsageError(Tr("请给出一个点 经度,纬度（见 --help）"));
    const std::string& text = args.Positional()[0];
    const std::size_t comma = text.find(',');
    if (comma == std::string::npos) throw UsageError(TrFormat("“%s”不是 经度,纬度", {text}));
    // Decimal degrees as typed, not carried at 60: the column is the typed
    // longitude over the sheet width, rounded down.
    lon = DmsToSec(
        ParseAngle(std::string_view(text).substr(0, comma), Tr("经度"), true, AngleAxis::Longitude));
    lat = DmsToSec(
        ParseAngle(std::string_view(text).substr(comma + 1), Tr("纬度"), true, AngleAxis::Latitude));
  }
  if (!std::isfinite(lon) || !std::isfinite(lat) || !InNumberedDomain(lon, lat)) {
    throw Error(kOutsideNumberedDomain);
  }

  // Both standards for the formats that show both numbers, the chosen one for
  // the others.
  std::vector<PointSheet> rows;
  TStandardMapUnions chosen;
  std::ptrdiff_t pointSheet = -1;  // the point's own sheet in chosen, outlined on a map
  const auto add = [&](std::string label, const TStandardMapUnion& fresh, const TStandardMapUnion& old) {
    const TStandardMapUnion& pick = standard == "new" ? fresh : old;
    if (label == kPlaces[4]) pointSheet = static_cast<std::ptrdiff_t>(chosen.size());
    if (!pick.MapUnionNo.empty()) chosen.push_back({pick});
    rows.push_back({std::move(label), fresh.MapUnionNo, old.MapUnionNo, fresh});
  };
  // The old standard stops at 1:5000: its number is empty below.
  if (neighbours) {
    if (standard == "old" && !HasOldStandard(scale)) throw Error(OldStandardLacksScaleMessage(scale, false));
    const auto fresh = SheetNeighbours(lon, lat, scale, true, p.zone3, p.datum, p.cm);
    const auto old = HasOldStandard(scale)
                         ? SheetNeighbours(lon, lat, scale, false, p.zone3, p.datum, p.cm)
                         : std::array<TStandardMapUnion, 9>{};
    for (int k = 0; k < 9; ++k) {
      if (fresh[k].MapUnionNo.empty()) continue;  // beyond the domain's edge
      add(kPlaces[k], fresh[k], old[k]);
    }
  } else {
    for (ScaleIndex s = 0; s < kScaleCount; ++s) {
      add(std::string(kScaleCaptions[s]), SheetAtPoint(lon, lat, s, true, p.zone3, p.datum, p.cm),
          HasOldStandard(s) ? SheetAtPoint(lon, lat, s, false, p.zone3, p.datum, p.cm)
                            : TStandardMapUnion{});
    }
  }

  const std::string title = MapTitle(neighbours ? kScaleCaptions[scale] : "", standard, p.datum);
  if (WriteStandardMap(o, chosen, title, neighbours ? pointSheet : -1)) return 0;
  if (WriteStandardFile(o, chosen, p, 0, 0)) return 0;
  OutputStream stream(o);
  if (!WritePointSheets(o.format, stream.out(), rows, o.encoding, !neighbours)) {
    WriteStandardSheets(o.format, stream.out(), chosen,
                        {neighbours ? std::string(kScaleCaptions[scale]) : std::string(),
                         neighbours ? kScaleDenominators[scale] : 0, standard},
                        o.encoding);
  }
  stream.Finish();
  return 0;
}

}  // namespace karvento::cli
