// SPDX-License-Identifier: Apache-2.0
// The page's 独立坐标系 grids and its 图幅号赋值 of pasted points: the
// command line's grid and at --input, their fields read as the command line
// reads its options, the files written by the same writers.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <cmath>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "export/point_stream.h"
#include "export/sheet_csv.h"
#include "export/sheet_text.h"
#include "export/text_output.h"
#include "geodesy/angle_text.h"
#include "geodesy/decimal_text.h"
#include "geodesy/gauss_kruger.h"
#include "geodesy/projection.h"
#include "numbering/unMapUnRgPub.h"
#include "web/core/request.h"

namespace karvento::web {
namespace {

using emscripten::val;

// A grid as the page's 独立坐标系 form states it, each field as typed.
struct GridRequest {
  std::string minX, minY, maxX, maxY, stepX, stepY, startRow, startCol;
  bool byRowCol = true;
  std::string format;  // empty: the command line's default of the numbering
};

// A field read as the command line reads --min-x (a decimal number) and
// --start-row (a whole number as C writes it), refused in its words with the
// field's caption for the option.
double NumberField(const std::string& text, const char* caption) {
  if (text.empty()) throw Error(std::string("必须给出") + caption);
  double v = 0;
  if (ParseDecimal(text, v) != DecimalTextError::None) throw Error(std::string(caption) + "：“" + text + "”不是数字");
  return v;
}

int WholeField(const std::string& text, const char* caption) {
  if (text.empty()) return 0;  // as an option not given
  constexpr DecimalOptions kInt{.sign = DecimalSign::MinusOnly,
                                .lowest = std::numeric_limits<int>::min(),
                                .highest = std::numeric_limits<int>::max()};
  long long v = 0;
  if (ParseDecimal(text, v, kInt) != DecimalTextError::None) {
    throw Error(std::string(caption) + "：“" + text + "”不是整数");
  }
  return static_cast<int>(v);
}

// The grid of the form, as karvento-cli grid makes it: fields in the order
// the command line reads its options, an inverted extent refused before the
// grid is made.
TCustomMapUnions GridOf(const GridRequest& g) {
  const std::string format = !g.format.empty() ? g.format : g.byRowCol ? "[ROW]+[COL]" : "[Y]-[X]";
  const int startRow = WholeField(g.startRow, "起始行号");
  const int startCol = WholeField(g.startCol, "起始列号");
  const double stepX = NumberField(g.stepX, "图幅宽度");
  const double stepY = NumberField(g.stepY, "图幅高度");
  const double minX = NumberField(g.minX, "最小X"), minY = NumberField(g.minY, "最小Y");
  const double maxX = NumberField(g.maxX, "最大X"), maxY = NumberField(g.maxY, "最大Y");
  if (maxX < minX) throw Error(kInvertedXMessage);
  if (maxY < minY) throw Error(kInvertedYMessage);
  TCustomMapUnions sheets;
  const std::string refusal =
      CreateCustomMapUnions(minX, minY, maxX, maxY, startRow, startCol, stepX, stepY, format, g.byRowCol, sheets);
  if (!refusal.empty()) throw Error(refusal);
  return sheets;
}

// The sheets of a grid, row by row from the lowest Y: { count, numbers (a
// line each), boxes (min X, min Y, max X, max Y a sheet) } or { error };
// refused past maxSheets.
val Grid(const GridRequest& g, double maxSheets) {
  try {
    const TCustomMapUnions sheets = GridOf(g);
    std::size_t count = 0;
    for (const auto& row : sheets) count += row.size();
    if (static_cast<double>(count) > maxSheets) {
      return Failure("该范围有 " + FormatCount(static_cast<double>(count)) + " 幅图，超过本页能容纳的 " +
                     FormatCount(maxSheets) + " 幅；请缩小范围或改用桌面版和命令行");
    }
    std::string numbers;
    std::vector<double> boxes;
    boxes.reserve(count * 4);
    for (const auto& row : sheets) {
      for (const TCustomMapUnion& s : row) {
        numbers += s.MapUnionNo;
        numbers += '\n';
        boxes.insert(boxes.end(), {s.MinX, s.MinY, s.MaxX, s.MaxY});
      }
    }
    val out = val::object();
    out.set("count", static_cast<double>(count));
    out.set("numbers", numbers);
    out.set("boxes", val::global("Float64Array").new_(emscripten::typed_memory_view(boxes.size(), boxes.data())));
    return out;
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The file of a grid's listed sheets (mask as WalkListed takes it), the
// bytes karvento-cli grid writes: "csv" (UTF-8 with a byte-order mark) or
// "csv-gbk" (--encoding gbk). { files: [Uint8Array] } or { error }.
val ExportGrid(const GridRequest& g, const std::string& format, const val& maskArray) {
  try {
    if (format != "csv" && format != "csv-gbk") throw Error("独立坐标系的图幅没有名为 " + format + " 的导出格式");
    const std::vector<std::uint8_t> mask = emscripten::convertJSArrayToNumberVector<std::uint8_t>(maskArray);
    TCustomMapUnions sheets = GridOf(g);
    if (!mask.empty()) {
      std::size_t listed = 0;
      for (auto& row : sheets) {
        std::vector<TCustomMapUnion> kept;
        for (TCustomMapUnion& s : row) {
          if (listed < mask.size() && mask[listed]) kept.push_back(std::move(s));
          ++listed;
        }
        row = std::move(kept);
      }
      std::erase_if(sheets, [](const auto& row) { return row.empty(); });
    }
    const bool gbk = format == "csv-gbk";
    StringSink sink;
    Output out(sink, gbk);
    WriteCustomSheets(TextFormat::Csv, out, sheets, gbk ? CsvEncoding::Gbk : CsvEncoding::Utf8Bom);
    out.Flush();
    val files = val::array();
    files.call<void>("push", Bytes(sink.text));
    val result = val::object();
    result.set("files", files);
    return result;
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The lines of a pasted or dropped text.
class TextLines : public LineSource {
 public:
  explicit TextLines(std::string_view text) : text_(text) {}
  bool Next(std::string_view& line) override {
    if (at_ >= text_.size()) return false;
    std::size_t end = text_.find('\n', at_);
    const std::size_t next = end == std::string_view::npos ? text_.size() : end + 1;
    if (end == std::string_view::npos) end = text_.size();
    if (end > at_ && text_[end - 1] == '\r') --end;
    line = text_.substr(at_, end - at_);
    at_ = next;
    return true;
  }

 private:
  std::string_view text_;
  std::size_t at_ = 0;
};

// The marked lines, kept for the page's status line and list.
class PageReporter : public StreamReporter {
 public:
  std::string FewColumns(std::size_t count) override { return "只有 " + std::to_string(count) + " 列"; }
  [[noreturn]] void NoColumn(std::string_view name) override {
    throw Error("输入的首行没有名为“" + std::string(name) + "”的列");
  }
  std::string Reason(const std::exception& e) override {
    if (dynamic_cast<const Error*>(&e)) return e.what();
    throw;
  }
  void BadLine(std::uint64_t line, const std::string& reason) override {
    if (bad.size() < 1000) bad.push_back("第 " + std::to_string(line) + " 行：" + reason);
  }
  std::vector<std::string> bad;
};

// A point of a line: longitude and latitude as at --input reads them
// (decimal degrees as typed, or degrees, minutes and seconds), or with plane
// set an easting X (with or without its zone number) and a northing Y in
// metres on the tab's Gauss-Krüger system, as at --plane reads them.
class TagCommand : public PointCommand {
 public:
  TagCommand(const std::vector<ScaleIndex>& scales, bool fresh, bool old, bool plane, bool zone3, Datum datum,
             double cm)
      : numbers_(scales, fresh, old, false), plane_(plane), zone3_(zone3), datum_(datum), cm_(cm) {}
  std::string_view XName() const override { return plane_ ? "X" : "lon"; }
  std::string_view YName() const override { return plane_ ? "Y" : "lat"; }
  bool EchoPoint() const override { return true; }
  const std::vector<ResultColumn>& Results() const override { return numbers_.Results(); }
  void Compute(std::string_view x, std::string_view y, std::vector<std::string>& out) override {
    if (y.empty()) throw Error(plane_ ? "该行只有一个值，不是 X Y" : "该行只有一个值，不是 经度 纬度");
    if (plane_) {
      double e = 0, n = 0;
      if (ParseDecimal(x, e) != DecimalTextError::None) throw Error("X：“" + std::string(x) + "”不是数字");
      if (ParseDecimal(y, n) != DecimalTextError::None) throw Error("Y：“" + std::string(y) + "”不是数字");
      const TLonLatDMS g = PlaneToGeo(datum_, n, EastingWithZonePrefix(e, zone3_, cm_), zone3_, cm_);
      if (std::isnan(g.Lon.Degrees)) throw Error("该平面坐标超出投影的适用范围，无法换算。");
      numbers_.Compute(DmsToSec(g.Lon), DmsToSec(g.Lat), out);
      return;
    }
    numbers_.Compute(Angle(x, "经度", AngleAxis::Longitude), Angle(y, "纬度", AngleAxis::Latitude), out);
  }

 private:
  static double Angle(std::string_view text, const char* caption, AngleAxis axis) {
    TAngleDMS a{};
    if (ParseAngleText(text, a, true, axis) != AngleTextError::None) {
      throw Error(std::string(caption) + "：“" + std::string(text) + "”不是坐标");
    }
    return DmsToSec(a);
  }

  SheetNumberColumns numbers_;
  bool plane_, zone3_;
  Datum datum_;
  double cm_;
};

// 图幅号赋值: the text of points (a line each, or a CSV whose head line names
// xColumn and yColumn) given back as karvento-cli at --input writes it in
// CSV, with the sheet numbers at each scale (indices) of the standard
// ("new", "old" or "both") after each point and the rest of each line
// passed through. { bytes, lines, bad: [text of a marked line, …] } or
// { error }.
val TagPoints(const std::string& text, const val& scaleArray, const std::string& standard, bool plane, bool zone3,
              int datum, double cm, const std::string& xColumn, const std::string& yColumn) {
  try {
    const std::vector<int> scales = emscripten::vecFromJSArray<int>(scaleArray);
    if (scales.empty()) throw Error("请至少选一个比例尺");
    for (const int s : scales) {
      if (s < 0 || s >= kScaleCount) throw Error("比例尺 " + std::to_string(s) + " 不存在");
      if (standard == "old" && !HasOldStandard(s)) throw Error(OldStandardLacksScaleMessage(s, false));
    }
    if (plane && !(cm > 0)) throw Error("中央经度必须是大于0的值！");
    if (xColumn.empty() != yColumn.empty()) throw Error("请同时给出点的两列的列名，或都不给");
    TagCommand command(scales, standard != "old", standard != "new", plane, zone3, DatumOf(datum), cm);
    TextLines lines(text);
    PageReporter reporter;
    StringSink sink;
    Output out(sink);
    const std::uint64_t bad = StreamPoints(lines, out, StreamFormat::Csv, {xColumn, yColumn}, command, reporter);
    out.Flush();
    val result = val::object();
    result.set("bytes", Bytes(sink.text));
    result.set("badCount", static_cast<double>(bad));
    val marked = val::array();
    for (const std::string& b : reporter.bad) marked.call<void>("push", b);
    result.set("bad", marked);
    return result;
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

}  // namespace
}  // namespace karvento::web

EMSCRIPTEN_BINDINGS(karvento_plane) {
  using namespace karvento::web;
  emscripten::value_object<GridRequest>("GridRequest")
      .field("minX", &GridRequest::minX)
      .field("minY", &GridRequest::minY)
      .field("maxX", &GridRequest::maxX)
      .field("maxY", &GridRequest::maxY)
      .field("stepX", &GridRequest::stepX)
      .field("stepY", &GridRequest::stepY)
      .field("startRow", &GridRequest::startRow)
      .field("startCol", &GridRequest::startCol)
      .field("byRowCol", &GridRequest::byRowCol)
      .field("format", &GridRequest::format);
  emscripten::function("grid", &Grid);
  emscripten::function("exportGrid", &ExportGrid);
  emscripten::function("tagPoints", &TagPoints);
}
