// SPDX-License-Identifier: Apache-2.0
#include "cli/common.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <optional>
#include <string_view>

#include "export/safe_file.h"
#include "cli/modules.h"
#include "numbering/sheet_grid.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::cli {

namespace {

// --size WxH: whole pixels for an image, millimetres (decimals allowed) for
// a PDF page; within what a page or an image in memory can be.
void ReadMapSize(const Args& args, OutputOptions& o) {
  const bool pdf = o.format == Format::Pdf;
  const std::string text = args.Value("size").value_or(pdf ? "420x297" : "1600x1200");
  const std::size_t x = text.find_first_of("xX");
  if (x == std::string::npos) throw UsageError(Tr("--size 的形式为 宽x高，例如 1600x1200"));
  const std::string what = Tr(pdf ? N_("--size（毫米）") : N_("--size（像素）"));
  o.mapWidth = pdf ? ParseNumber(text.substr(0, x), what) : ParseInteger(text.substr(0, x), what);
  o.mapHeight = pdf ? ParseNumber(text.substr(x + 1), what) : ParseInteger(text.substr(x + 1), what);
  const double least = pdf ? 20 : 64, most = pdf ? 5000 : 16000;
  if (!(o.mapWidth >= least && o.mapWidth <= most && o.mapHeight >= least && o.mapHeight <= most)) {
    throw UsageError(TrFormat("%s：每边 %s 至 %s", {what, std::to_string(static_cast<int>(least)),
                                                   std::to_string(static_cast<int>(most))}));
  }
}

}  // namespace

namespace {

// The extension of a file's name in lower case, without its dot; empty for a
// name without one (a hidden file's leading dot is none).
std::string ExtensionOf(std::string_view file) {
  const std::size_t slash = file.find_last_of('/');
  const std::string_view base = slash == std::string_view::npos ? file : file.substr(slash + 1);
  const std::size_t dot = base.find_last_of('.');
  if (dot == std::string_view::npos || dot == 0) return {};
  std::string extension(base.substr(dot + 1));
  for (char& c : extension) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return extension;
}

}  // namespace

std::optional<Format> FormatOfName(std::string_view file) {
  const std::string extension = ExtensionOf(file);
  // Every format but the table is named by its own extension.
  if (extension.empty() || extension == "table") return std::nullopt;
  try {
    return ParseFormat(extension);
  } catch (const UsageError&) {
    return std::nullopt;
  }
}

namespace {

// A --format the output name contradicts: x.gpkg written as CSV is no
// GeoPackage, and nothing can open it. GeoJSON is often named .json.
void RequireFormatOfName(Format format, const std::string& file, const std::string& given) {
  const std::optional<Format> named = FormatOfName(file);
  if (!named || *named == format) return;
  if (format == Format::GeoJson && *named == Format::Json) return;
  throw UsageError(TrFormat("--format %s 与输出文件名“%s”不符（不给 --format 即按文件名写出）", {given, file}));
}

}  // namespace

OutputOptions ReadOutputOptions(const Args& args) {
  OutputOptions o;
  if (auto f = args.Value("output")) o.file = *f;
  // "-" and /dev/stdout name standard output, for the text formats; they are
  // written as standard output is, never replaced.
  const bool toStdout = o.file == "-" || o.file == "/dev/stdout";
  if (auto f = args.Value("format")) {
    o.format = ParseFormat(*f);
    if (!toStdout) RequireFormatOfName(o.format, o.file, *f);
  } else if (const auto named = toStdout ? std::nullopt : FormatOfName(o.file)) {
    o.format = *named;
  } else if (const std::string extension = toStdout ? "" : ExtensionOf(o.file);
             !extension.empty() && extension != "txt") {
    // As ogr2ogr does: a name whose extension is no format of ours is no
    // reason to write the text table under it.
    throw UsageError(TrFormat("输出文件名“%s”的扩展名 .%s 不是已知的格式：请给出 --format，或用格式的扩展名", {o.file, extension}));
  }
  o.quiet = args.Has("quiet");
  o.spreadsheet = args.Has("spreadsheet");
  if (o.spreadsheet && o.format != Format::Csv) {
    throw UsageError(Tr("--spreadsheet 是 CSV 的一种形式：请给出 --format csv 或扩展名为 .csv 的输出文件名"));
  }
  if (auto e = args.Value("encoding")) {
    if (*e == "gbk") {
      o.encoding = CsvEncoding::Gbk;
    } else if (*e != "utf-8" && *e != "utf8") {
      throw UsageError(Tr("--encoding 只能是 utf-8 或 gbk"));
    }
  }
  if (auto c = args.Value("coords")) {
    if (*c != "plane" && *c != "geo") throw UsageError(Tr("--coords 只能是 plane 或 geo"));
    o.geoMif = *c == "geo";
  }
  if (o.format == Format::Svg || o.format == Format::Png || o.format == Format::Pdf) {
    ReadMapSize(args, o);
  } else if (args.Has("size")) {
    throw UsageError(Tr("--size 只用于图幅示意图（--format svg、png、pdf）"));
  }
  const bool needsFile = o.file.empty() || toStdout;
  if ((o.format == Format::Mif || o.format == Format::Xlsx) && needsFile) {
    throw UsageError(Tr("--format mif 和 xlsx 写的是文件：请给出 --output 文件"));
  }
  const bool gis = o.format == Format::Shp || o.format == Format::Gpkg ||
                   o.format == Format::Dxf || o.format == Format::Kml;
  if ((o.format == Format::Shp || o.format == Format::Gpkg) && needsFile) {
    throw UsageError(Tr("--format shp 和 gpkg 写的是文件：请给出 --output 文件"));
  }
  o.cornersOnly = args.Has("corners-only");
  if (o.cornersOnly && !gis) throw UsageError(Tr("--corners-only 只用于 shp、gpkg、dxf 和 kml"));
  if (o.format == Format::Kml && args.Value("coords") == "plane") {
    throw UsageError(Tr("KML 只能存经纬度：请用 --coords geo"));
  }
  // KML and DXF stream: standard output is written as any other file that
  // is not a regular one.
  if (gis && needsFile) {
    o.file = "/dev/stdout";
  } else if (toStdout) {
    o.file.clear();
  }
  return o;
}

OutputStream::OutputStream(const OutputOptions& o) {
  if (o.file.empty()) {
    sink_ = std::make_unique<StdoutSink>();
  } else {
    auto file = std::make_unique<SafeFile>(o.file);
    file_ = file.get();
    sink_ = std::move(file);
  }
  out_ = std::make_unique<Output>(*sink_, o.format == Format::Csv && o.encoding == CsvEncoding::Gbk,
                                  o.spreadsheet);
}

OutputStream::~OutputStream() = default;

void OutputStream::Finish() {
  out_->Flush();
  if (file_) file_->Commit();
}

namespace {

void Require(bool ok, const Message& reason) {
  if (!ok) throw Error(reason);
}

}  // namespace

std::optional<GisOptions> GisOptionsOf(const OutputOptions& o) {
  GisOptions g;
  switch (o.format) {
    case Format::Shp:
      g.format = GisFormat::Shapefile;
      break;
    case Format::Gpkg:
      g.format = GisFormat::GeoPackage;
      break;
    case Format::Dxf:
      g.format = GisFormat::Dxf;
      break;
    case Format::Kml:
      g.format = GisFormat::Kml;
      break;
    default:
      return std::nullopt;
  }
  g.geographic = o.geoMif || o.format == Format::Kml;
  g.encoding = o.encoding == CsvEncoding::Gbk ? GisEncoding::Gbk : GisEncoding::Utf8;
  g.cornersOnly = o.cornersOnly;
  return g;
}

TPlaneSystem RequestPlane(const Projection& p, double offsetX, double offsetY, const SheetMeta* meta) {
  TPlaneSystem system{p.datum, p.zone3, p.cm, offsetX, offsetY};
  if (meta != nullptr) {
    system.denominator = meta->denominator;
    if (!meta->standard.empty()) system.standard = meta->standard == "old" ? "old" : "new";
  }
  return system;
}

bool WriteStandardFile(const OutputOptions& o, const TStandardMapUnions& sheets,
                       const Projection& p, double offsetX, double offsetY, const SheetMeta* meta) {
  const Datum datum = p.datum;
  Message reason;
  if (const auto gis = GisOptionsOf(o)) {
    Require(Gis().writeSheets(o.file, sheets, RequestPlane(p, offsetX, offsetY, meta), *gis, &reason), reason);
    return true;
  }
  if (o.format == Format::Mif) {
    Require(o.geoMif ? WriteGeoMif(o.file, sheets, &reason) : WritePlaneMif(o.file, sheets, p.zone3, p.cm, &reason),
            reason);
    return true;
  }
  if (o.format == Format::Xlsx) {
    Require(ExportStandardMapUnionsToXls(o.file, XlsTitleOf(datum),
                                         kStandardXlsHeader, sheets, &reason),
            reason);
    return true;
  }
  return false;
}

bool WriteCustomFile(const OutputOptions& o, const TCustomMapUnions& sheets, const Projection* plane) {
  Message reason;
  if (const auto gis = GisOptionsOf(o)) {
    if (o.geoMif) throw UsageError(Tr("独立坐标系没有经纬度"));
    // Rectangular sheets on the national grid name its Gauss-Krüger system.
    const TPlaneSystem system{plane ? plane->datum : Datum::Beijing54, plane ? plane->zone3 : true,
                              plane ? plane->cm : 0, 0, 0};
    Require(Gis().writeCustomSheets(o.file, sheets, *gis, plane ? &system : nullptr, &reason), reason);
    return true;
  }
  if (o.format == Format::Mif) {
    if (o.geoMif) throw UsageError(Tr("独立坐标系没有经纬度"));
    Require(WriteCustomMif(o.file, sheets, &reason), reason);
    return true;
  }
  if (o.format == Format::Xlsx) {
    Require(ExportCustomMapUnionsToXls(o.file, kXlsTitleCustom, kCustomXlsHeader, sheets, &reason),
            reason);
    return true;
  }
  return false;
}

std::string DatumName(const Projection& p) { return DatumInfoOf(p.datum).epsgName; }

void WarnOfGeographicDatum(std::string_view command, const OutputOptions& o, const Projection& p) {
  if (o.quiet || (o.format != Format::GeoJson && o.format != Format::Csv)) return;
  if (DatumInfoOf(p.datum).nearWgs84) return;
  const DatumInfo& info = DatumInfoOf(p.datum);
  const char* datum = English() ? info.name : info.chineseName;
  const std::string notice =
      TrFormat("注意：经纬度属于%s坐标系，读取%s的程序多把它当作 WGS 84，"
               "两者相差可达百余米；要与 WGS 84 的数据叠加，请用 --datum 2000（CGCS2000）。",
               {datum, o.format == Format::GeoJson ? " GeoJSON " : " CSV "});
  std::fprintf(stderr, "karvento-cli %.*s: %s\n", static_cast<int>(command.size()), command.data(),
               notice.c_str());
}

// The patterns of NumberFieldError, for the catalogue: the text is chosen
// by the error's code (NumberFaultPattern), never matched back.
[[maybe_unused]] const char* const kNumberFaultPatterns[] = {
    N_("%s：%s 的行号应为 %s–%s"),
    N_("%s：%s 的列号应为 %s–%s"),
    N_("%s：%s 的序号应为 %s–%s"),
    N_("%s：这幅 %s 图幅在北纬 90° 以北；W 行（北纬 88° 至 92°）只编号北纬 90° 以南的图幅"),
    N_("%s是新图幅号，不是旧图幅号：旧图幅号转新图幅号只转换旧图幅号"),
    N_("%s是旧图幅号，不是新图幅号：新图幅号转旧图幅号只转换新图幅号"),
};

std::string NumberErrorText(const std::string& number, const Error& e) {
  if (const auto* field = dynamic_cast<const NumberFieldError*>(&e)) {
    // The number as it was typed, the field's scale and range as the check
    // gave them.
    const auto& a = field->Arguments();
    return TrFormat(NumberFaultPattern(field->Fault()), {number, a[1], a[2], a[3]});
  }
  const Message& m = e.GetMessage();
  if (m.Is(msg::kNotAnInteger)) {
    return TrFormat("%s不是标准图幅号：其中的“%s”应是整数（百万图幅行号字母后的列号、"
                    "比例尺代码后的行号和列号、旧图幅号各级的序号都是整数）",
                    {number, m.Args().front().text});
  }
  // A message that names the number itself is not prefixed with it again;
  // it names the number as it was typed.
  if (Message asTyped; NamesNumber(m, number, asTyped)) return TranslateMessage(asTyped);
  return TrFormat("%s：%s", {number, TranslateMessage(m)});
}

// The core's text of corners in the wrong order, the fields named by their
// options; the two patterns are marked here for the catalogue.
std::string InvertedCornersText(const TMapUnionRange& range) {
  static_assert(std::string_view(kLongitudesInverted) ==
                N_("左下角的经度 %s 大于右上角的经度 %s：左下角%s应在右上角%s的西边"));
  static_assert(std::string_view(kLatitudesInverted) ==
                N_("左下角的纬度 %s 大于右上角的纬度 %s：左下角%s应在右上角%s的南边"));
  const InvertedCorners c = FindInvertedCorners(range);
  if (!c.pattern) return {};
  return English() ? TrFormat(c.pattern, {c.lower, c.upper, " (--from)", " (--to)"})
                   : TrFormat(c.pattern, {c.lower, c.upper, "（--from）", "（--to）"});
}

Projection ReadProjection(const Args& args, double maxCm) {
  Projection p;
  const std::string datum = args.Value("datum").value_or(DatumInfoOf(Datum::Beijing54).key);
  const auto row = std::find_if(kDatums.begin(), kDatums.end(),
                                [&](const DatumInfo& d) { return datum == d.key; });
  if (row == kDatums.end()) throw UsageError(Tr("--datum 只能是 54、80 或 2000"));
  const std::string zone = args.Value("zone").value_or("3");
  if (zone != "3" && zone != "6") throw UsageError(Tr("--zone 只能是 3 或 6"));
  p.datum = row->datum;
  p.zone3 = zone == "3";
  p.cm = ParseCentralMeridian(args.Value("cm").value_or("0"), maxCm);
  return p;
}

void WriteStdout(std::string_view text) {
  StdoutSink sink;
  sink.Write(text);
}

bool HelpRequested(const Args& args, const char* help) {
  if (!args.Has("help")) return false;
  WriteStdout(help);
  return true;
}

}  // namespace karvento::cli
