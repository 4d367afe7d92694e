// SPDX-License-Identifier: Apache-2.0
#include "cli/output.h"
#include "cli/i18n.h"

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <stdexcept>

#include "cli/args.h"
#include "numbering/error.h"

namespace karvento::cli {

void RefuseGeoJsonOfPlaneSheets(Format format) {
  if (format == Format::GeoJson) {
    throw UsageError(Tr("GeoJSON 只能存经纬度（RFC 7946）；独立坐标系的平面坐标请写成 table、csv、json、mif 或 xlsx"));
  }
}

Format ParseFormat(std::string_view text) {
  static constexpr std::pair<std::string_view, Format> kFormats[] = {
      {"table", Format::Table}, {"csv", Format::Csv},   {"json", Format::Json},
      {"geojson", Format::GeoJson}, {"mif", Format::Mif}, {"xlsx", Format::Xlsx},
      {"svg", Format::Svg},     {"png", Format::Png},   {"pdf", Format::Pdf},
      {"shp", Format::Shp},     {"gpkg", Format::Gpkg}, {"dxf", Format::Dxf},
      {"kml", Format::Kml}};
  // Any case, as GDAL's programs take driver names: GeoJSON is geojson.
  std::string lower(text);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  std::string names;
  for (const auto& [name, format] : kFormats) {
    if (lower == name) return format;
    (names += ' ') += name;
  }
  throw UsageError(TrFormat("--format：“%s”不是%s 之一", {text, names}));
}

TextFormat TextFormatOf(Format format) {
  if (!IsTextFormat(format)) throw std::logic_error("a file format has no text writer");
  static_assert(static_cast<int>(Format::Csv) == static_cast<int>(TextFormat::Csv) &&
                static_cast<int>(Format::GeoJson) == static_cast<int>(TextFormat::GeoJson));
  return static_cast<TextFormat>(format);
}

void StdoutSink::Write(std::string_view data) {
  // An empty write only flushes: fwrite must not be handed the null pointer
  // of an empty view.
  if ((data.empty() || std::fwrite(data.data(), 1, data.size(), stdout) == data.size()) &&
      std::fflush(stdout) == 0) {
    return;
  }
  if (errno == EPIPE) throw BrokenPipe{};
  const int err = errno;
  throw Error(TrFormat("无法写入标准输出：%s", {SystemErrorText(err)}));
}

void WriteStandardSheets(Format format, Output& out, const TStandardMapUnions& sheets,
                         const SheetMeta& meta, CsvEncoding encoding) {
  karvento::WriteStandardSheets(TextFormatOf(format), out, sheets, meta, encoding);
}

void WriteCustomSheets(Format format, Output& out, const TCustomMapUnions& sheets,
                       CsvEncoding encoding) {
  karvento::WriteCustomSheets(TextFormatOf(format), out, sheets, encoding);
}

bool WritePointSheets(Format format, Output& out, const std::vector<PointSheet>& rows,
                      CsvEncoding encoding, bool byScale) {
  return IsTextFormat(format) &&
         karvento::WritePointSheets(TextFormatOf(format), out, rows, encoding, byScale);
}

}  // namespace karvento::cli
