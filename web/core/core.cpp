// SPDX-License-Identifier: Apache-2.0
// The page's entry points into the sheet routines: the same walk, point
// lookup, parser and converter as the window and the command line, handed to
// JavaScript as typed arrays (one sheet = 4 edges in degrees, 8 plane
// coordinates NW, NE, SE, SW) and texts. Refusals arrive as the thrown
// karvento::Error's text.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cstdint>
#include <string>
#include <vector>

#include "export/mif_stream.h"
#include "export/sheet_text.h"
#include "export/text_output.h"
#include "geodesy/angle_text.h"
#include "geodesy/decimal_text.h"
#include "geodesy/angles.h"
#include "numbering/area_repair.h"
#include "numbering/unMapUnRgPub.h"
#include "web/core/request.h"

namespace karvento::web {
namespace {

using emscripten::val;

val Float64(const std::vector<double>& v) {
  return val::global("Float64Array").new_(emscripten::typed_memory_view(v.size(), v.data()));
}

void AppendSheet(const TStandardMapUnion& s, std::string& numbers, std::vector<double>& edges,
                 std::vector<double>& plane) {
  numbers += s.MapUnionNo;
  numbers += '\n';
  edges.push_back(DmsToDeg(s.Range.West));
  edges.push_back(DmsToDeg(s.Range.South));
  edges.push_back(DmsToDeg(s.Range.East));
  edges.push_back(DmsToDeg(s.Range.North));
  for (const TPlanePoint& p : s.PlaneCorners) {
    plane.push_back(p.X);
    plane.push_back(p.Y);
  }
}

val Sheets(const std::string& numbers, const std::vector<double>& edges,
           const std::vector<double>& plane) {
  val out = val::object();
  out.set("count", static_cast<double>(edges.size() / 4));
  out.set("numbers", numbers);
  out.set("edges", Float64(edges));
  out.set("plane", Float64(plane));
  return out;
}

// Every sheet of a request, column by column from west to east, each column
// from north to south, with the offsets subtracted from the plane corners;
// refused past maxSheets before anything is made.
val Generate(const Request& r, double maxSheets) {
  try {
    // Counted here, against the page's own limit, before anything is made:
    // one limit, stated once, whatever the request's size.
    const SheetWalk walk = ListedWalk(r, val::array(), val::array(), 0, false);
    const double count = static_cast<double>(walk.Columns()) * static_cast<double>(walk.Rows());
    if (count > maxSheets) {
      return Failure("该范围有 " + FormatCount(count) + " 幅图，超过本页能容纳的 " +
                     FormatCount(maxSheets) + " 幅；请缩小范围或改用桌面版和命令行");
    }
    std::string numbers;
    std::vector<double> edges, plane;
    edges.reserve(static_cast<std::size_t>(count) * 4);
    plane.reserve(static_cast<std::size_t>(count) * 8);
    walk.Run([&](std::vector<TStandardMapUnion>& column) {
      SubtractPlaneOffsets(column, r.offsetX, r.offsetY);
      for (const TStandardMapUnion& s : column) AppendSheet(s, numbers, edges, plane);
    });
    return Sheets(numbers, edges, plane);
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The corners that an area asks for at a scale: its bounds snapped outward
// to the sheet grid, as four decimal degrees (west, south, east, north).
val AreaCorners(const val& coords, const val& shape, int scale) {
  try {
    const TMapUnionRange r = AreaSheetRange(AreaOf(coords, shape), static_cast<ScaleIndex>(scale));
    val out = val::array();
    for (const TAngleDMS* a : {&r.West, &r.South, &r.East, &r.North}) {
      out.call<void>("push", DmsToDeg(*a));
    }
    return out;
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The check of the polygons the page read from an area file, as the
// command line checks the polygons GDAL reads, before any repair: {} or
// { error }.
val CheckArea(const val& coords, const val& shape) {
  try {
    const std::string problem = AreaRingProblem(AreaOf(coords, shape)).Text();
    return problem.empty() ? val::object() : Failure(problem);
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The area the page read, after CheckArea, as the command line settles the
// polygons GDAL reads, by the same routine: kept when it is valid already
// ({ notice: "" }), else repaired and merged ({ coords, shape, notice }, in
// AreaOf's form), or refused when nothing is left ({ error }).
val SettleAreaOf(const val& coords, const val& shape) {
  try {
    const SettledArea settled = SettleArea(AreaOf(coords, shape));
    val out = val::object();
    if (!settled.merged) {
      out.set("notice", std::string());
      return out;
    }
    if (settled.area.empty()) return Failure(Message(msg::kAreaNoArea).Text());
    std::vector<double> xy;
    val counts = val::array();
    counts.call<void>("push", static_cast<double>(settled.area.size()));
    for (const GeoPolygon& p : settled.area) {
      counts.call<void>("push", static_cast<double>(p.rings.size()));
      for (const GeoRing& ring : p.rings) {
        counts.call<void>("push", static_cast<double>(ring.size()));
        for (const GeoPoint& v : ring) xy.insert(xy.end(), {v.lon, v.lat});
      }
    }
    out.set("coords", Float64(xy));
    out.set("shape", counts);
    out.set("notice", Message(settled.repaired ? msg::kAreaRepairedAndMerged : msg::kAreaMerged).Text());
    return out;
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The refusal of an area whose sheets pass the page's limit.
std::string AreaLimitText(double maxSheets) {
  return "该范围的图幅超过本页能容纳的 " + FormatCount(maxSheets) + " 幅；请缩小范围或改用桌面版和命令行";
}

// The sheets of the corners' request that the area selects (their frame
// shares interior with it, and, with minCover above 0, it covers at least
// that fraction of them), with the covered fraction of each.
val GenerateInArea(const Request& r, const val& coords, const val& shape, double minCover,
                   double maxSheets) {
  try {
    const SheetWalk walk = ListedWalk(r, coords, shape, minCover, true);
    std::string numbers;
    std::vector<double> edges, plane, covers;
    bool refused = false;
    walk.RunWithCovers([&](std::vector<TStandardMapUnion>& column, const std::vector<double>& c) {
      if (refused) return;
      SubtractPlaneOffsets(column, r.offsetX, r.offsetY);
      for (std::size_t i = 0; i < column.size(); ++i) {
        AppendSheet(column[i], numbers, edges, plane);
        covers.push_back(i < c.size() ? c[i] : 1.0);
      }
      refused = static_cast<double>(covers.size()) > maxSheets;
    });
    if (refused) return Failure(AreaLimitText(maxSheets));
    val out = Sheets(numbers, edges, plane);
    out.set("covers", Float64(covers));
    return out;
  } catch (const SheetLimitError&) {
    // More than the routines' own limit: far more than the page's.
    return Failure(AreaLimitText(maxSheets));
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The sheet of a point at one scale and its 接合图表: nine sheets, north-west
// to south-east row by row, the point's own fifth; a neighbour outside the
// numbered domain has an empty number.
val Neighbours(double lon, double lat, int scale, bool newStandard, bool zone3, int datum,
               double cm) {
  try {
    const auto nine = SheetNeighbours(lon * 3600, lat * 3600, static_cast<ScaleIndex>(scale),
                                      newStandard, zone3, DatumOf(datum), cm);
    std::string numbers;
    std::vector<double> edges, plane;
    for (const TStandardMapUnion& s : nine) AppendSheet(s, numbers, edges, plane);
    return Sheets(numbers, edges, plane);
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The sheet of a point at every scale of both standards.
val SheetsAtPoint(double lon, double lat, bool zone3, int datum, double cm) {
  val out = val::array();
  for (int scale = 0; scale < kScaleCount; ++scale) {
    val row = val::object();
    row.set("scale", std::string(kScaleCaptions[static_cast<std::size_t>(scale)]));
    try {
      const TStandardMapUnion s = SheetAtPoint(lon * 3600, lat * 3600, scale, true, zone3,
                                               DatumOf(datum), cm);
      row.set("number", s.MapUnionNo);
      row.set("old", HasOldStandard(scale)
                         ? SheetAtPoint(lon * 3600, lat * 3600, scale, false, zone3,
                                        DatumOf(datum), cm)
                               .MapUnionNo
                         : std::string());
      std::string numbers;
      std::vector<double> edges, plane;
      AppendSheet(s, numbers, edges, plane);
      row.set("edges", Float64(edges));
    } catch (const Error& e) {
      row.set("error", std::string(e.what()));
    }
    out.call<void>("push", row);
  }
  return out;
}

// A coordinate as the user types it into a corner: degrees, minutes and
// seconds in any of the window's forms; null where it is no coordinate.
val ParseAngle(const std::string& text) {
  TAngleDMS a{};
  if (ParseAngleText(text, a) != AngleTextError::None) return val::null();
  return val(DmsToDeg(a));
}

// A number typed into one of the page's fields (中央经度, 省略坐标大数), read
// by the program's one decimal reader as the command line reads --cm and
// --offset-x: { value }, or { error } naming the field and the text, in the
// command line's words. An empty field is 0, as an option not given.
// The meridian (meridian = true) is read as --cm reads it: decimal degrees
// or d:m:s, 0 to highest.
val ReadNumber(const std::string& text, const std::string& caption, double lowest,
               double highest, bool meridian) {
  val out = val::object();
  double v = 0;
  const bool read = text.empty() ||
                    (meridian ? ParseMeridianText(text, v, highest) != MeridianTextError::NotAnAngle
                              : ParseDecimal(text, v) == DecimalTextError::None);
  if (!read) {
    out.set("error", caption + "：“" + text + "”不是数字");
    return out;
  }
  if (meridian && !text.empty() && ParseMeridianText(text, v, highest) != MeridianTextError::None) {
    v = -1;  // out of range: refused below
  }
  if (!(v >= lowest && v <= highest)) {
    const auto whole = [](double d) { return std::to_string(static_cast<long long>(d)); };
    out.set("error", caption + "：“" + text + "”超出 " + whole(lowest) + " 至 " + whole(highest) +
                         " 的范围");
    return out;
  }
  out.set("value", v);
  return out;
}

// The verdict of the one check on a typed number, read in capitals as the
// window and the command line read it (j-50-5 is J-50-5): { kind } with
// 0 = no standard number, 1 = old standard, 2 = new standard, and for a
// refused one { error } in Chinese, quoting the number as typed, with
// { field: true } where a field is out of range (the field named).
val Check(const std::string& typed) {
  val out = val::object();
  int kind = 0;
  try {
    kind = CheckMapUnionNo(SheetNumberInCapitals(typed));
  } catch (const NumberFieldError& e) {
    out.set("kind", 0);
    out.set("field", true);
    out.set("error", e.TextFor(typed));
    return out;
  } catch (const Error&) {
    kind = 0;  // an integer field that does not convert: no number's form
  }
  out.set("kind", kind);
  out.set("field", false);
  if (kind == 0) out.set("error", typed + "不是标准图幅号！");
  return out;
}

// A number in the other standard at a scale: every sheet of the target scale
// that its sheet covers. A number the check refuses gives Check's verdict.
val Convert(const std::string& typed, bool oldToNew, int scale, bool zone3, int datum,
            double cm) {
  try {
    RequireConversionTarget(oldToNew, static_cast<ScaleIndex>(scale));
    const val verdict = Check(typed);
    if (verdict["kind"].as<int>() == 0) return verdict;
    std::vector<TStandardMapUnion> sheets;
    try {
      sheets = ConvertMapUnionNo(SheetNumberInCapitals(typed), oldToNew,
                                 static_cast<ScaleIndex>(scale), zone3, cm, DatumOf(datum));
    } catch (const NumberFieldError& e) {
      return Failure(e.TextFor(typed));
    } catch (const Error& e) {
      // Named by the number, once, as the command line names it.
      if (Message asTyped; NamesNumber(e.GetMessage(), typed, asTyped)) return Failure(asTyped.Text());
      return Failure(typed + "：" + e.what());
    }
    std::string numbers;
    std::vector<double> edges, plane;
    for (const TStandardMapUnion& s : sheets) AppendSheet(s, numbers, edges, plane);
    return Sheets(numbers, edges, plane);
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The files of an export of the listed sheets, each the bytes karvento-cli
// sheets writes for the same request: "csv" (UTF-8 with a byte-order mark),
// "csv-gbk", "geojson", "mif-geo" and "mif-plane" (the MIF, then the MID).
// Returns { files: [Uint8Array, …] } or { error }.
val ExportSheets(const Request& r, const val& coords, const val& shape, double minCover,
                 const std::string& format, const val& maskArray) {
  try {
    const std::vector<std::uint8_t> mask = emscripten::convertJSArrayToNumberVector<std::uint8_t>(maskArray);
    const SheetWalk walk = ListedWalk(r, coords, shape, minCover);
    val files = val::array();
    if (format == "mif-geo" || format == "mif-plane") {
      const bool geo = format == "mif-geo";
      // A plane MIF is framed by the last sheet of the first column and the
      // first sheet of the last column, found by a walk of their own.
      TStandardMapUnion southWest, northEast;
      bool framed = false;
      if (!geo) {
        WalkListed(walk, r, mask, [&](std::vector<TStandardMapUnion>& column) {
          if (!framed) southWest = column.back();
          northEast = column.front();
          framed = true;
        });
      }
      StringSink mif, mid;
      MifColumnWriter writer(mif, mid, "图幅号.mid", geo, framed ? &southWest : nullptr,
                             framed ? &northEast : nullptr, r.zone3, r.cm);
      WalkListed(walk, r, mask, [&](std::vector<TStandardMapUnion>& column) {
        writer.Column(column);
      });
      writer.Commit();
      files.call<void>("push", Bytes(mif.text));
      files.call<void>("push", Bytes(mid.text));
    } else {
      const TextFormat text = format == "geojson" ? TextFormat::GeoJson : TextFormat::Csv;
      if (text == TextFormat::Csv && format != "csv" && format != "csv-gbk") {
        throw Error("没有名为 " + format + " 的导出格式");
      }
      const bool gbk = format == "csv-gbk";
      const SheetMeta meta{std::string(kScaleCaptions[static_cast<std::size_t>(r.scale)]),
                           kScaleDenominators[static_cast<std::size_t>(r.scale)],
                           r.newStandard ? "new" : "old", nullptr, DatumInfoOf(DatumOf(r.datum)).epsgName};
      StringSink sink;
      Output out(sink, gbk);
      StandardSheetWriter writer(text, out, meta, gbk ? CsvEncoding::Gbk : CsvEncoding::Utf8Bom);
      WalkListed(walk, r, mask, [&](std::vector<TStandardMapUnion>& column) {
        writer.Column(column);
      });
      writer.Finish();
      out.Flush();
      files.call<void>("push", Bytes(sink.text));
    }
    val out = val::object();
    out.set("files", files);
    return out;
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The whole table of a request, as the native benchmark of the walk makes
// it, for the page's benchmark: the number of sheets, nothing handed over.
double WalkOnly(const Request& r) {
  TStandardMapUnions table;
  CreateMapUnionsOfStandard(RangeOf(r), static_cast<ScaleIndex>(r.scale), r.newStandard, r.zone3,
                            DatumOf(r.datum), r.cm, table);
  double n = 0;
  for (const auto& column : table) n += static_cast<double>(column.size());
  return n;
}

// The datum table as the page's form offers it: the form's value (the row),
// the window's caption, the name English texts use, and whether its
// longitudes and latitudes lie on WGS 84's.
val Datums() {
  val out = val::array();
  for (std::size_t i = 0; i < kDatums.size(); ++i) {
    val row = val::object();
    row.set("value", static_cast<int>(i));
    row.set("caption", std::string(kDatums[i].caption));
    row.set("name", std::string(kDatums[i].name));
    row.set("key", std::string(kDatums[i].key));  // as --datum names it
    row.set("nearWgs84", kDatums[i].nearWgs84);
    out.call<void>("push", row);
  }
  return out;
}

val ScaleCaptions() {
  val out = val::array();
  for (const auto caption : kScaleCaptions) out.call<void>("push", std::string(caption));
  return out;
}

}  // namespace
}  // namespace karvento::web

EMSCRIPTEN_BINDINGS(karvento) {
  using namespace karvento::web;
  emscripten::value_object<Request>("Request")
      .field("west", &Request::west)
      .field("south", &Request::south)
      .field("east", &Request::east)
      .field("north", &Request::north)
      .field("scale", &Request::scale)
      .field("newStandard", &Request::newStandard)
      .field("zone3", &Request::zone3)
      .field("datum", &Request::datum)
      .field("cm", &Request::cm)
      .field("offsetX", &Request::offsetX)
      .field("offsetY", &Request::offsetY);
  emscripten::function("generate", &Generate);
  emscripten::function("neighbours", &Neighbours);
  emscripten::function("sheetsAtPoint", &SheetsAtPoint);
  emscripten::function("parseAngle", &ParseAngle);
  emscripten::function("readNumber", &ReadNumber);
  emscripten::function("check", &Check);
  emscripten::function("convert", &Convert);
  emscripten::function("scaleCaptions", &ScaleCaptions);
  emscripten::function("datums", &Datums);
  emscripten::function("walkOnly", &WalkOnly);
  emscripten::function("checkArea", &CheckArea);
  emscripten::function("settleArea", &SettleAreaOf);
  emscripten::function("areaCorners", &AreaCorners);
  emscripten::function("generateInArea", &GenerateInArea);
  emscripten::function("exportSheets", &ExportSheets);
}
