// SPDX-License-Identifier: Apache-2.0
// karvento-cli check: which standard a sheet number follows, and its sheet.
#include <cstdio>
#include <optional>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "cli/number_input.h"
#include "export/gbk.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/text_files.h"

namespace karvento::cli {

namespace {

const char* kCheckHelp =
    N_("用法：karvento-cli check [图幅号...] [--input 文件] [--column 列名|N]\n"
    "\n"
    "判断图幅号（命令行参数，否则为文件或标准输入中每行一个）属于旧图幅号、\n"
    "新图幅号还是不是标准图幅号。标准图幅号连同其类别和图幅西、南、东、北四条\n"
    "图廓边的十进制度数一起输出；不是标准图幅号的写到标准错误，此时退出状态为 1。\n"
    "\n"
    "  --input 文件       图幅号列表：每行一个图幅号，GBK 文本，或以字节顺序标记\n"
    "                     开头的 UTF-8；- 或不给即标准输入\n"
    "  --column 列名|N    文件是带表头行的 CSV：图幅号取表头为该列名的列，或第\n"
    "                     N 列（从 1 数起）；本工具自己写的 csv（包括\n"
    "                     --spreadsheet）可以读回\n"
    "\n"
    "示例：\n"
    "  karvento-cli check J-50-5-(24)-A J50D001005 J50K00490937 J50H005079-1 J50X001005\n");

const OptionSpec kOwn[] = {{"column", true}, {"input", true}};

const char* kConvertHelp =
    N_("用法：karvento-cli convert [图幅号...] [--input 文件] [--column 列名|N]\n"
    "                           --to-scale 比例尺 [选项]\n"
    "\n"
    "把图幅号（命令行参数，否则为文件或标准输入中每行一个，按图幅号列表读取）\n"
    "转换为目标比例尺的另一种标准：该图幅覆盖的目标比例尺全部图幅，按列排列，\n"
    "北边的在前。每一行目标图幅都写明其原图幅号。\n"
    "\n"
    "  --input 文件, --column 列名|N   图幅号，同 check\n"
    "  --to-scale 比例尺  目标比例尺，同 sheets --scale（默认 1:1万）；旧图幅号\n"
    "                     没有 1:2000、1:1000、1:500\n"
    "  --number-form F    rowcol（默认）或 5000，用于 1:2000 的目标，同 sheets\n"
    "  --direction D      auto（每个图幅号按其自身的标准，默认）、old-to-new\n"
    "                     （旧转新）或 new-to-old（新转旧）\n"
    "  --datum 54|80|2000, --zone 3|6, --cm 度数   平面坐标，同 sheets\n"
    "                     （此处中央经线为 0 至 360）\n"
    "  --offset-x X, --offset-y Y                省略的坐标大数\n"
    "  --format F         table（默认）、csv、json、geojson、mif、xlsx、shp、\n"
    "                     gpkg、dxf、kml，坐标系同 sheets，或图幅示意图：\n"
    "                     svg、png、pdf\n"
    "  --output 文件, --encoding E, --coords plane|geo, --spreadsheet, --quiet\n"
    "                     同 sheets\n"
    "%s\n"
    "示例：J-50-5 的四幅新图幅号 1:5万 图幅：\n"
    "  karvento-cli convert J-50-5 --to-scale 1:5万\n");

const OptionSpec kConvertOwn[] = {{"input", true},    {"column", true},   {"to-scale", true}, {"direction", true},
                                  {"offset-x", true}, {"offset-y", true}, {"number-form", true}};

// A conversion in a text format is written source by source. Only a source
// argument that no file can carry (not UTF-8, a line break) makes it wait for
// the whole result, which is then refused before anything is written; a
// list's lines are decoded and split, so they always can.
bool StreamsConversion(Format format, const std::vector<std::string>& arguments) {
  if (!IsTextFormat(format)) return false;
  for (const std::string& n : arguments) {
    if (!SheetNumberFault(n).empty()) return false;
  }
  return true;
}

// A line of a list as the terminal should see it: control characters (C0,
// DEL and the C1 set as UTF-8 writes it) escaped, so that a list cannot set
// the window title or move the cursor; a backslash doubled, so that the
// escapes read back unambiguously.
std::string Shown(const std::string& text) {
  std::string out;
  char buf[8];
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto c = static_cast<unsigned char>(text[i]);
    if (c < 0x20 || c == 0x7F) {
      std::snprintf(buf, sizeof buf, "\\x%02X", c);
      out += buf;
    } else if (c == 0xC2 && i + 1 < text.size() && static_cast<unsigned char>(text[i + 1]) >= 0x80 &&
               static_cast<unsigned char>(text[i + 1]) <= 0x9F) {
      std::snprintf(buf, sizeof buf, "\\u%04X", static_cast<unsigned char>(text[++i]));
      out += buf;
    } else if (c == '\\') {
      out += "\\\\";
    } else {
      out += static_cast<char>(c);
    }
  }
  return out;
}

}  // namespace

int RunConvert(const std::vector<std::string>& words) {
  const Args args(words, Options(kConvertOwn, kProjectionOptionSpecs, kOutputOptionSpecs));
  if (HelpRequested(args, WithMapHelp(kConvertHelp).c_str())) return 0;
  const int scale = ParseScale(args.Value("to-scale").value_or("1:1万"));
  const std::string direction = args.Value("direction").value_or("auto");
  if (direction != "auto" && direction != "old-to-new" && direction != "new-to-old") {
    throw UsageError(Tr("--direction 只能是 auto、old-to-new 或 new-to-old"));
  }
  const bool form5000 = ReadNumberForm(args, scale, direction != "new-to-old");
  // New → old to a scale the old standard lacks: refused before any number.
  if (direction == "new-to-old") RequireConversionTarget(false, scale);
  const Projection p = ReadProjection(args, kMaxConversionCentralMeridian);
  const double offsetX = ParseNumber(args.Value("offset-x").value_or("0"), "--offset-x");
  const double offsetY = ParseNumber(args.Value("offset-y").value_or("0"), "--offset-y");
  const OutputOptions o = ReadOutputOptions(args);
  WarnOfGeographicDatum("convert", o, p);
  const std::vector<std::string>& arguments = args.Positional();
  const SheetMeta meta{std::string(kScaleCaptions[scale]), kScaleDenominators[scale], "", nullptr,
                       DatumName(p)};

  // The targets of one source, with its offsets subtracted, or false with the
  // reason on standard error (the other numbers are still converted); what
  // was written before the number comes out before its reason.
  int status = 0;
  Output* written = nullptr;
  const auto convert = [&](const std::string& typed, std::vector<TStandardMapUnion>& found) {
    // Sheet numbers are written in capitals: j-50-5 is J-50-5. A refusal
    // quotes the text as it was given.
    const std::string n = SheetNumberInCapitals(typed);
    try {
      const std::uint8_t kind = CheckMapUnionNo(n);
      if (kind == 0) {
        if (written) written->Flush();
        std::fprintf(stderr, "karvento-cli convert: %s\n", TrFormat("%s不是标准图幅号！", {Shown(typed)}).c_str());
        status = 1;
        return false;
      }
      const bool oldToNew = direction == "auto" ? kind == 1 : direction == "old-to-new";
      found = ConvertMapUnionNo(n, oldToNew, scale, p.zone3, p.cm, p.datum);
      if (form5000) To5000Form(found);
    } catch (const Error& e) {
      if (written) written->Flush();
      std::fprintf(stderr, "karvento-cli convert: %s\n", Shown(NumberErrorText(typed, e)).c_str());
      status = 1;
      return false;
    }
    SubtractPlaneOffsets(found, offsetX, offsetY);
    return true;
  };

  if (StreamsConversion(o.format, arguments)) {
    // Each source's targets are written as they come, the sources read one
    // line at a time: any number of them, in memory bounded by one source's
    // targets. The list is opened before anything is written.
    std::optional<NumberInput> list;
    if (arguments.empty()) list.emplace(args);
    const std::vector<std::string> named;  // each column names its own source
    SheetMeta streamed = meta;
    streamed.sources = &named;
    OutputStream stream(o);
    StandardSheetWriter writer(TextFormatOf(o.format), stream.out(), streamed, o.encoding);
    written = &stream.out();
    std::vector<TStandardMapUnion> found;
    const auto each = [&](const std::string& n) {
      if (convert(n, found)) writer.Column(found, &n);
    };
    if (list) {
      for (std::string line; list->Next(line);) each(line);
    } else {
      for (const std::string& n : arguments) each(n);
    }
    writer.Finish();
    stream.Finish();
    return status;
  }

  // The file formats and the maps are made from the whole result: one entry
  // per source that converts, in input order, as the conversion tab lists its
  // targets; past the sheet limit the whole conversion is refused.
  std::vector<std::string> numbers = arguments;
  if (numbers.empty()) numbers = ReadNumbers(args);
  std::vector<std::string> sources;
  TStandardMapUnions targets;
  std::int64_t total = 0;
  for (const std::string& n : numbers) {
    std::vector<TStandardMapUnion> found;
    if (!convert(n, found)) continue;
    AddConvertedSheets(total, found.size());
    targets.push_back(std::move(found));
    sources.push_back(n);
  }
  SheetMeta whole = meta;
  whole.sources = &sources;
  if (!WriteStandardMap(o, targets, MapTitle(kScaleCaptions[scale], "", p.datum)) &&
      !WriteStandardFile(o, targets, p, offsetX, offsetY, &whole)) {
    OutputStream stream(o);
    WriteStandardSheets(o.format, stream.out(), targets, whole, o.encoding);
    stream.Finish();
  }
  return status;
}

int RunCheck(const std::vector<std::string>& words) {
  // check prints its own tab-separated lines to standard output: it takes no
  // output options rather than ignore them.
  const Args args(words, Options(kOwn));
  if (HelpRequested(args, Tr(kCheckHelp))) return 0;
  std::vector<std::string> numbers = args.Positional();
  if (numbers.empty()) numbers = ReadNumbers(args);
  int status = 0;
  StdoutSink sink;
  Output out(sink);
  for (const std::string& typed : numbers) {
    // Sheet numbers are written in capitals: j-50-5 is J-50-5. A refusal
    // quotes the text as it was given.
    const std::string n = SheetNumberInCapitals(typed);
    std::uint8_t kind = 0;
    try {
      kind = CheckMapUnionNo(n);
    } catch (const Error& e) {
      // The number's own error; the other numbers are still checked.
      out.Flush();
      std::fprintf(stderr, "karvento-cli check: %s\n", Shown(NumberErrorText(typed, e)).c_str());
      status = 1;
      continue;
    }
    if (kind == 0) {
      out.Flush();
      std::fprintf(stderr, "karvento-cli check: %s\n", TrFormat("%s不是标准图幅号！", {Shown(typed)}).c_str());
      status = 1;
      continue;
    }
    // The check parsed it already without an error, so this parse has none.
    const TMapUnionRange r = kind == 1 ? ParseOldMapUnionNo(n) : ParseNewMapUnionNo(n);
    out.Write(n);
    out.Write(kind == 1 ? "\told\t" : "\tnew\t");
    for (const TAngleDMS* a : {&r.West, &r.South, &r.East, &r.North}) {
      if (a != &r.West) out.Put('\t');
      out.Number(DmsToDeg(*a));
    }
    out.Put('\n');
  }
  out.Flush();
  return status;
}

}  // namespace karvento::cli

namespace karvento::cli {

// The window's reader: a file that cannot be read is an error, not an empty
// list, and lines are decoded from GBK as the window decodes them.
std::vector<std::string> ReadNumberLines(const std::string& file) {
  return ReadNumberList(file.empty() || file == "-" ? "/dev/stdin" : file);
}

}  // namespace karvento::cli
