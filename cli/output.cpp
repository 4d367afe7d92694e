#include "cli/output.h"
#include "cli/i18n.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "cli/args.h"
#include "export/gbk.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento::cli {

void RefuseGeoJsonOfPlaneSheets(Format format) {
  if (format == Format::GeoJson) {
    throw UsageError(
        "GeoJSON holds longitude and latitude only (RFC 7946); an independent grid's plane "
        "coordinates go to table, csv, json, mif or xlsx");
  }
}

Format ParseFormat(std::string_view text) {
  static constexpr std::pair<std::string_view, Format> kFormats[] = {
      {"table", Format::Table}, {"csv", Format::Csv},   {"json", Format::Json},
      {"geojson", Format::GeoJson}, {"mif", Format::Mif}, {"xlsx", Format::Xlsx},
      {"svg", Format::Svg},     {"png", Format::Png},   {"pdf", Format::Pdf},
      {"shp", Format::Shp},     {"gpkg", Format::Gpkg}, {"dxf", Format::Dxf},
      {"kml", Format::Kml}};
  std::string names;
  for (const auto& [name, format] : kFormats) {
    if (text == name) return format;
    (names += ' ') += name;
  }
  throw UsageError(TrFormat("--format：“%s”不是%s 之一", {text, names}));
}

Output::Output(Sink& sink, bool gbk, bool textCells) : sink_(sink), gbk_(gbk), textCells_(textCells) {
  buffer_.reserve(1 << 16);
}

std::string RatioCaption(std::string_view caption) {
  std::string text(caption);
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos) text.replace(colon, 1, "\xE2\x88\xB6");  // U+2236 RATIO
  return text;
}

// A field as CSV wants it: quoted when it holds a comma, a quote or a line
// break, with quotes doubled. A spreadsheet's cell is a formula giving the
// text, ="1-2", itself quoted as a field only where the text needs it.
void CsvField(Output& out, std::string_view text, bool cell) {
  if (cell) {
    std::string formula = "=\"";
    for (char c : text) {
      if (c == '"') formula += '"';
      formula += c;
    }
    formula += '"';
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
      out.Write(formula);
    } else {
      CsvField(out, formula, false);
    }
    return;
  }
  if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
    out.Write(text);
    return;
  }
  out.Put('"');
  for (char c : text) {
    if (c == '"') out.Put('"');
    out.Put(c);
  }
  out.Put('"');
}

void Output::Write(std::string_view text) {
  if (gbk_ && !IsAscii(text)) {
    buffer_.append(Utf8ToGbk(text));
  } else {
    buffer_.append(text);
  }
  if (buffer_.size() >= (1 << 16)) Flush();
}

void Output::Put(char c) {
  buffer_.push_back(c);
  if (buffer_.size() >= (1 << 16)) Flush();
}

void Output::Number(double v) {
  // Fixed notation without a precision is the shortest decimal text that
  // reads back to v: 500000, not 5e+05, which some readers take for text.
  // The longest such text (the smallest subnormal) has 327 characters.
  char buf[400];
  buffer_.append(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
  if (buffer_.size() >= (1 << 16)) Flush();
}

void Output::Flush() {
  std::string pending;
  pending.swap(buffer_);
  buffer_.reserve(1 << 16);
  sink_.Write(pending);
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

namespace {

// ----------------------------------------------------------------- table

std::string DmsText(const TAngleDMS& a) {
  // 116:26:15, 116:28:07.5: whole degrees and minutes, the seconds with the
  // decimals they need, up to three.
  char buf[128];
  char* p = buf;
  if (a.Degrees < 0 || a.Minutes < 0 || a.Seconds < 0) *p++ = '-';
  p = std::to_chars(p, buf + 40, std::abs(a.Degrees), std::chars_format::fixed, 0).ptr;
  *p++ = ':';
  const double m = std::abs(a.Minutes);
  if (m < 10) *p++ = '0';
  p = std::to_chars(p, buf + 80, m, std::chars_format::fixed, 0).ptr;
  *p++ = ':';
  const double s = std::round(std::abs(a.Seconds) * 1000) / 1000;
  if (s < 10) *p++ = '0';
  p = std::to_chars(p, buf + 128, s, std::chars_format::general, 16).ptr;
  return std::string(buf, p);
}

void Padded(Output& out, std::string_view text, std::size_t width, bool right) {
  if (right && text.size() < width) out.Write(std::string(width - text.size(), ' '));
  out.Write(text);
  if (!right && text.size() < width) out.Write(std::string(width - text.size(), ' '));
}

std::string Fixed3(double v) {
  char buf[400];
  return std::string(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3).ptr);
}

// The source number of outer entry i of a conversion result, or none.
const std::string* SourceOf(const SheetMeta& meta, std::size_t i) {
  return meta.sources && i < meta.sources->size() ? &(*meta.sources)[i] : nullptr;
}

void StandardTableHead(Output& out, const SheetMeta& meta) {
  const char* head[] = {"number", "west", "south", "east", "north"};
  if (meta.sources) {
    Padded(out, "source", 15, false);
    out.Put(' ');
  }
  Padded(out, head[0], 15, false);
  for (int k = 1; k < 5; ++k) {
    out.Put(' ');
    Padded(out, head[k], 13, false);
  }
  const char* corners[] = {"X1", "Y1", "X2", "Y2", "X3", "Y3", "X4", "Y4"};
  for (int k = 0; k < 8; ++k) {
    out.Put(' ');
    Padded(out, corners[k], k % 2 ? 15 : 16, true);
  }
  if (meta.cover) out.Write("    cover");
  out.Put('\n');
}

void StandardTableRow(Output& out, const TStandardMapUnion& s, const std::string* source,
                      const double* cover) {
  if (source) {
    Padded(out, *source, 15, false);
    out.Put(' ');
  }
  Padded(out, s.MapUnionNo, 15, false);
  for (const TAngleDMS* a : {&s.Range.West, &s.Range.South, &s.Range.East, &s.Range.North}) {
    out.Put(' ');
    Padded(out, DmsText(*a), 13, false);
  }
  for (const TPlanePoint& p : s.PlaneCorners) {
    out.Put(' ');
    Padded(out, Fixed3(p.X), 16, true);
    out.Put(' ');
    Padded(out, Fixed3(p.Y), 15, true);
  }
  if (cover) {
    char buf[32];
    std::snprintf(buf, sizeof buf, " %8.6f", *cover);
    out.Write(buf);
  }
  out.Put('\n');
}

void CustomTable(Output& out, const TCustomMapUnions& sheets) {
  Padded(out, "number", 20, false);
  for (const char* h : {"min_x", "min_y", "max_x", "max_y"}) {
    out.Put(' ');
    Padded(out, h, 16, true);
  }
  out.Put('\n');
  for (const auto& row : sheets) {
    for (const auto& s : row) {
      Padded(out, s.MapUnionNo, 20, false);
      for (double v : {s.MinX, s.MinY, s.MaxX, s.MaxY}) {
        out.Put(' ');
        Padded(out, Fixed3(v), 16, true);
      }
      out.Put('\n');
    }
  }
}

// ------------------------------------------------------------------- CSV

void CsvHeader(Output& out, const char* header) {
  out.Write(header);
  out.Write("\r\n");
}

void StandardCsvHead(Output& out, const SheetMeta& meta) {
  if (meta.sources) out.Write("原图幅号,");
  out.Write(kStandardXlsHeader);
  CsvHeader(out, meta.cover ? ",覆盖比例" : "");
}

void StandardCsvRow(Output& out, const TStandardMapUnion& s, const std::string* source,
                    const double* cover) {
  if (source) {
    CsvField(out, *source, out.TextCells());
    out.Put(',');
  }
  CsvField(out, s.MapUnionNo, out.TextCells());
  for (const TAngleDMS* a : {&s.Range.West, &s.Range.South, &s.Range.East, &s.Range.North}) {
    out.Put(',');
    out.Number(DmsToDeg(*a));
  }
  for (const TPlanePoint& p : s.PlaneCorners) {
    out.Put(',');
    out.Number(p.X);
    out.Put(',');
    out.Number(p.Y);
  }
  if (cover) {
    out.Put(',');
    out.Number(*cover);
  }
  out.Write("\r\n");
}

void CustomCsv(Output& out, const TCustomMapUnions& sheets) {
  CsvHeader(out, kCustomXlsHeader);
  for (const auto& row : sheets) {
    for (const auto& s : row) {
      CsvField(out, s.MapUnionNo, out.TextCells());
      for (double v : {s.MinX, s.MinY, s.MaxX, s.MaxY}) {
        out.Put(',');
        out.Number(v);
      }
      out.Write("\r\n");
    }
  }
}

// ------------------------------------------------------------ JSON, GeoJSON

void JsonString(Output& out, std::string_view text) {
  out.Put('"');
  for (char c : text) {
    const auto u = static_cast<unsigned char>(c);
    if (c == '"' || c == '\\') {
      out.Put('\\');
      out.Put(c);
    } else if (u < 0x20) {
      char buf[8];
      std::snprintf(buf, sizeof buf, "\\u%04x", u);
      out.Write(buf);
    } else {
      out.Put(c);
    }
  }
  out.Put('"');
}

void JsonPoint(Output& out, double x, double y) {
  out.Put('[');
  out.Number(x);
  out.Put(',');
  out.Number(y);
  out.Put(']');
}

void JsonCorners(Output& out, const TPlanePoint (&p)[4]) {
  out.Put('[');
  for (int k = 0; k < 4; ++k) {
    if (k) out.Put(',');
    JsonPoint(out, p[k].X, p[k].Y);
  }
  out.Put(']');
}

struct Flat {
  std::string_view number;
  double west, south, east, north;
  TPlanePoint plane[4];
  const double* cover = nullptr;  // an area's covered fraction, when asked for
  bool independent = false;  // an independent sheet: the edges are eastings and northings
};

Flat FlatOf(const TStandardMapUnion& s) {
  return {s.MapUnionNo, DmsToDeg(s.Range.West), DmsToDeg(s.Range.South),
          DmsToDeg(s.Range.East), DmsToDeg(s.Range.North),
          {s.PlaneCorners[0], s.PlaneCorners[1], s.PlaneCorners[2], s.PlaneCorners[3]}};
}

// The corners of an independent sheet: NW, NE, SE, SW as on the national grid.
Flat FlatOf(const TCustomMapUnion& s) {
  return {s.MapUnionNo, s.MinX, s.MinY, s.MaxX, s.MaxY,
          {{s.MinX, s.MaxY}, {s.MaxX, s.MaxY}, {s.MaxX, s.MinY}, {s.MinX, s.MinY}}, nullptr, true};
}

// The source number of a converted sheet, as the first member.
void JsonSource(Output& out, const std::string* source) {
  if (!source) return;
  out.Write("\"source\":");
  JsonString(out, *source);
  out.Put(',');
}

void JsonCover(Output& out, const double* cover) {
  if (!cover) return;
  out.Write(",\"cover\":");
  out.Number(*cover);
}

void JsonRecord(Output& out, const Flat& f, const std::string* source) {
  out.Put('{');
  JsonSource(out, source);
  out.Write("\"number\":");
  JsonString(out, f.number);
  // Plane edges are named for what they measure: Chinese surveying writes X
  // for the northing, this tool (as the window) for the easting.
  const char* names[] = {",\"west\":", ",\"south\":", ",\"east\":", ",\"north\":"};
  const char* planeNames[] = {",\"min_easting\":", ",\"min_northing\":", ",\"max_easting\":",
                              ",\"max_northing\":"};
  const double values[] = {f.west, f.south, f.east, f.north};
  for (int k = 0; k < 4; ++k) {
    out.Write(f.independent ? planeNames[k] : names[k]);
    out.Number(values[k]);
  }
  out.Write(",\"plane\":");
  JsonCorners(out, f.plane);
  JsonCover(out, f.cover);
  out.Put('}');
}

// A sheet as a GeoJSON feature. The outline runs counter-clockwise, as RFC
// 7946 asks of an exterior ring: north-west, south-west, south-east,
// north-east, north-west.
void GeoJsonFeature(Output& out, const Flat& f, const SheetMeta* meta, const std::string* source) {
  out.Write("{\"type\":\"Feature\",\"geometry\":{\"type\":\"Polygon\",\"coordinates\":[[");
  JsonPoint(out, f.west, f.north);
  out.Put(',');
  JsonPoint(out, f.west, f.south);
  out.Put(',');
  JsonPoint(out, f.east, f.south);
  out.Put(',');
  JsonPoint(out, f.east, f.north);
  out.Put(',');
  JsonPoint(out, f.west, f.north);
  out.Write("]]},\"properties\":{");
  JsonSource(out, source);
  out.Write("\"number\":");
  JsonString(out, f.number);
  if (meta) {
    // The denominator as a number (a caption such as 1:1万 is read as a
    // time of day by some readers), the caption beside it.
    out.Write(",\"scale\":");
    out.Number(meta->denominator);
    out.Write(",\"scale_caption\":");
    JsonString(out, RatioCaption(meta->scale));
    out.Write(",\"standard\":");
    // A conversion mixes both standards: each sheet's is that of its form.
    const bool old = f.number.find('-') != std::string_view::npos;
    JsonString(out, !meta->standard.empty() ? std::string_view(meta->standard) : old ? "old" : "new");
    if (!meta->datum.empty()) {
      out.Write(",\"datum\":");
      JsonString(out, meta->datum);
    }
  }
  out.Write(",\"plane\":");
  JsonCorners(out, f.plane);
  JsonCover(out, f.cover);
  out.Write("}}");
}

void JsonHead(Output& out, bool geo) {
  out.Write(geo ? "{\"type\":\"FeatureCollection\",\"features\":[" : "[");
}

template <typename Record>
void JsonItem(Output& out, const Record& s, bool geo, const SheetMeta* meta,
              const std::string* source, bool& first, const double* cover = nullptr) {
  out.Write(first ? "\n" : ",\n");
  first = false;
  Flat f = FlatOf(s);
  f.cover = cover;
  if (geo) {
    GeoJsonFeature(out, f, meta, source);
  } else {
    JsonRecord(out, f, source);
  }
}

void JsonTail(Output& out, bool geo) { out.Write(geo ? "\n]}\n" : "\n]\n"); }

template <typename Table>
void Json(Output& out, const Table& sheets, bool geo, const SheetMeta* meta) {
  JsonHead(out, geo);
  bool first = true;
  for (std::size_t i = 0; i < sheets.size(); ++i) {
    const std::string* source = meta ? SourceOf(*meta, i) : nullptr;
    for (const auto& s : sheets[i]) JsonItem(out, s, geo, meta, source, first);
  }
  JsonTail(out, geo);
}

// Every number of a table (and every source number) must be one that each
// format can carry; the table is checked whole before anything is written.
template <typename Table>
void CheckNumbers(const Table& sheets, const SheetMeta* meta) {
  for (const auto& inner : sheets) {
    for (const auto& s : inner) {
      const std::string fault = SheetNumberFault(s.MapUnionNo);
      if (!fault.empty()) throw Error(fault);
    }
  }
  if (meta && meta->sources) {
    for (const std::string& source : *meta->sources) {
      const std::string fault = SheetNumberFault(source);
      if (!fault.empty()) throw Error(fault);
    }
  }
}

}  // namespace

StandardSheetWriter::StandardSheetWriter(Format format, Output& out, const SheetMeta& meta,
                                         CsvEncoding encoding)
    : format_(format), out_(out), meta_(meta) {
  switch (format_) {
    case Format::Table:
      StandardTableHead(out_, meta_);
      break;
    case Format::Csv:
      if (encoding == CsvEncoding::Utf8Bom) out_.Write("\xEF\xBB\xBF");
      StandardCsvHead(out_, meta_);
      break;
    case Format::Json:
    case Format::GeoJson:
      JsonHead(out_, format_ == Format::GeoJson);
      break;
    default:  // the file formats have their own writers
      break;
  }
}

void StandardSheetWriter::Column(const std::vector<TStandardMapUnion>& column,
                                 const std::string* source, const std::vector<double>* covers) {
  // A column is checked whole before any of it is written.
  for (const TStandardMapUnion& s : column) {
    const std::string fault = SheetNumberFault(s.MapUnionNo);
    if (!fault.empty()) throw Error(fault);
  }
  // The covered fraction of the column's j-th sheet, when the table has one.
  const auto cover = [&](std::size_t j) {
    return meta_.cover && covers && j < covers->size() ? &(*covers)[j] : nullptr;
  };
  switch (format_) {
    case Format::Table:
      for (std::size_t j = 0; j < column.size(); ++j) StandardTableRow(out_, column[j], source, cover(j));
      break;
    case Format::Csv:
      for (std::size_t j = 0; j < column.size(); ++j) StandardCsvRow(out_, column[j], source, cover(j));
      break;
    case Format::Json:
    case Format::GeoJson:
      for (std::size_t j = 0; j < column.size(); ++j) {
        JsonItem(out_, column[j], format_ == Format::GeoJson, &meta_, source, first_, cover(j));
      }
      break;
    case Format::Mif:
    case Format::Xlsx:
    case Format::Svg:  // the file formats have their own writers
    case Format::Png:
    case Format::Pdf:
    case Format::Shp:
    case Format::Gpkg:
    case Format::Dxf:
    case Format::Kml:
      break;
  }
}

void StandardSheetWriter::Finish() {
  if (format_ == Format::Json || format_ == Format::GeoJson) JsonTail(out_, format_ == Format::GeoJson);
}

void WriteStandardSheets(Format format, Output& out, const TStandardMapUnions& sheets,
                         const SheetMeta& meta, CsvEncoding encoding) {
  CheckNumbers(sheets, &meta);
  StandardSheetWriter writer(format, out, meta, encoding);
  for (std::size_t i = 0; i < sheets.size(); ++i) writer.Column(sheets[i], SourceOf(meta, i));
  writer.Finish();
}

void WriteCustomSheets(Format format, Output& out, const TCustomMapUnions& sheets,
                       CsvEncoding encoding) {
  CheckNumbers(sheets, nullptr);
  switch (format) {
    case Format::Table:
      CustomTable(out, sheets);
      break;
    case Format::Csv:
      if (encoding == CsvEncoding::Utf8Bom) out.Write("\xEF\xBB\xBF");
      CustomCsv(out, sheets);
      break;
    case Format::Json:
      Json(out, sheets, false, nullptr);
      break;
    case Format::GeoJson:  // refused by RefuseGeoJsonOfPlaneSheets
    case Format::Mif:
    case Format::Xlsx:
    case Format::Svg:  // the file formats have their own writers
    case Format::Png:
    case Format::Pdf:
    case Format::Shp:
    case Format::Gpkg:
    case Format::Dxf:
    case Format::Kml:
      break;
  }
}

bool WritePointSheets(Format format, Output& out, const std::vector<PointSheet>& rows,
                      CsvEncoding encoding, bool byScale) {
  switch (format) {
    case Format::Table:
      out.Write(byScale ? "scale     " : "place     ");
      out.Write("new          old               west          south         east          north\n");
      for (const PointSheet& r : rows) {
        // Labels hold Chinese captions (1:1万): padded by display width, two
        // columns for each three-byte character.
        std::size_t width = 0;
        for (const char c : r.label) {
          const auto u = static_cast<unsigned char>(c);
          width += u < 0x80 ? 1 : u >= 0xE0 ? 2 : 0;
        }
        out.Write(r.label);
        out.Write(std::string(width >= 10 ? 1 : 10 - width, ' '));
        Padded(out, r.newNumber.empty() ? "-" : r.newNumber, 12, false);
        out.Put(' ');
        Padded(out, r.oldNumber.empty() ? "-" : r.oldNumber, 17, false);
        for (const TAngleDMS* a : {&r.sheet.Range.West, &r.sheet.Range.South, &r.sheet.Range.East,
                                   &r.sheet.Range.North}) {
          out.Put(' ');
          Padded(out, DmsText(*a), 13, false);
        }
        out.Put('\n');
      }
      return true;
    case Format::Csv:
      if (encoding == CsvEncoding::Utf8Bom) out.Write("\xEF\xBB\xBF");
      out.Write(byScale ? "比例尺" : "位置");
      out.Write(",新图幅号,旧图幅号,最小经度,最小纬度,最大经度,最大纬度\r\n");
      for (const PointSheet& r : rows) {
        CsvField(out, r.label);
        for (const std::string* f : {&r.newNumber, &r.oldNumber}) {
          out.Put(',');
          CsvField(out, *f, out.TextCells());
        }
        out.Put(',');
        out.Number(DmsToDeg(r.sheet.Range.West));
        for (const TAngleDMS* a : {&r.sheet.Range.South, &r.sheet.Range.East, &r.sheet.Range.North}) {
          out.Put(',');
          out.Number(DmsToDeg(*a));
        }
        out.Write("\r\n");
      }
      return true;
    case Format::Json:
      out.Put('[');
      for (std::size_t i = 0; i < rows.size(); ++i) {
        const PointSheet& r = rows[i];
        if (i) out.Put(',');
        out.Write(byScale ? "\n{\"scale\":" : "\n{\"place\":");
        JsonString(out, r.label);
        out.Write(",\"new\":");
        JsonString(out, r.newNumber);
        out.Write(",\"old\":");
        JsonString(out, r.oldNumber);
        const char* names[] = {"west", "south", "east", "north"};
        const TAngleDMS* a[] = {&r.sheet.Range.West, &r.sheet.Range.South, &r.sheet.Range.East,
                                &r.sheet.Range.North};
        for (int k = 0; k < 4; ++k) {
          out.Write(",\"");
          out.Write(names[k]);
          out.Write("\":");
          out.Number(DmsToDeg(*a[k]));
        }
        out.Put('}');
      }
      out.Write("\n]\n");
      return true;
    default:
      return false;
  }
}

}  // namespace karvento::cli
