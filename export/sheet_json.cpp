// SPDX-License-Identifier: Apache-2.0
#include "export/sheet_json.h"

#include <cstdio>

#include "numbering/unMapUnRgPub.h"

namespace karvento {

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

namespace {

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
void GeoJsonFeature(Output& out, const Flat& f, const SheetMeta& meta, const std::string* source) {
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
  // The denominator as a number (a caption such as 1:1万 is read as a time
  // of day by some readers), the caption beside it.
  out.Write(",\"scale\":");
  out.Number(meta.denominator);
  out.Write(",\"scale_caption\":");
  JsonString(out, RatioCaption(meta.scale));
  out.Write(",\"standard\":");
  // A conversion mixes both standards: each sheet's is that of its form.
  const bool old = f.number.find('-') != std::string_view::npos;
  JsonString(out, !meta.standard.empty() ? std::string_view(meta.standard) : old ? "old" : "new");
  if (!meta.datum.empty()) {
    out.Write(",\"datum\":");
    JsonString(out, meta.datum);
  }
  out.Write(",\"plane\":");
  JsonCorners(out, f.plane);
  JsonCover(out, f.cover);
  out.Write("}}");
}

void JsonHead(Output& out, bool geo) {
  out.Write(geo ? "{\"type\":\"FeatureCollection\",\"features\":[" : "[");
}

void JsonTail(Output& out, bool geo) { out.Write(geo ? "\n]}\n" : "\n]\n"); }

void Separator(Output& out, bool& first) {
  out.Write(first ? "\n" : ",\n");
  first = false;
}

}  // namespace

std::string RatioCaption(std::string_view caption) {
  std::string text(caption);
  const std::size_t colon = text.find(':');
  if (colon != std::string::npos) text.replace(colon, 1, "\xE2\x88\xB6");  // U+2236 RATIO
  return text;
}

JsonSheetWriter::JsonSheetWriter(Output& out, const SheetMeta& meta, bool geo)
    : out_(out), meta_(meta), geo_(geo) {
  JsonHead(out_, geo_);
}

void JsonSheetWriter::Column(const std::vector<TStandardMapUnion>& column, const std::string* source,
                             const std::vector<double>* covers) {
  for (std::size_t j = 0; j < column.size(); ++j) {
    Separator(out_, first_);
    Flat f = FlatOf(column[j]);
    f.cover = detail::CoverOf(meta_, covers, j);
    if (geo_) {
      GeoJsonFeature(out_, f, meta_, source);
    } else {
      JsonRecord(out_, f, source);
    }
  }
}

void JsonSheetWriter::Finish() { JsonTail(out_, geo_); }

void WriteCustomJson(Output& out, const TCustomMapUnions& sheets) {
  JsonHead(out, false);
  bool first = true;
  for (const auto& row : sheets) {
    for (const auto& s : row) {
      Separator(out, first);
      JsonRecord(out, FlatOf(s), nullptr);
    }
  }
  JsonTail(out, false);
}

void WritePointJson(Output& out, const std::vector<PointSheet>& rows, bool byScale) {
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
}

}  // namespace karvento
