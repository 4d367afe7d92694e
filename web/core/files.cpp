// SPDX-License-Identifier: Apache-2.0
// The page's files that karvento-cli writes through GDAL or libxlsxwriter:
// KML, the Shapefile, the DXF drawing and the workbook, made here by the GDAL-free writers of export/ from the same walk
// as the page's list (the request walked again, the area applied again), so
// that a file holds exactly the sheets listed, or the checked ones.
#include <emscripten/bind.h>
#include <emscripten/val.h>

#include <algorithm>
#include <cstdint>
#include <string>
#include <vector>

#include "export/dxf_frame.h"
#include "export/dxf_text.h"
#include "export/kml_text.h"
#include "export/shapefile.h"
#include "export/sheet_workbook.h"
#include "export/text_output.h"
#include "export/sheet_fields.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"
#include "web/core/request.h"

namespace karvento::web {
namespace {

using emscripten::val;

// Calls take(sheet) for every listed sheet that the mask keeps, in order.
template <class Take>
void ForEachListed(const Request& r, const val& coords, const val& shape, double minCover, const val& maskArray,
                   Take take) {
  const std::vector<std::uint8_t> mask = emscripten::convertJSArrayToNumberVector<std::uint8_t>(maskArray);
  WalkListed(ListedWalk(r, coords, shape, minCover), r, mask,
             [&](std::vector<TStandardMapUnion>& column) {
               for (const TStandardMapUnion& s : column) take(s);
             });
}

// How many sheets ForEachListed takes: the checked ones of a mask (which has
// the list's length), else those of a walk, cheap beside any writer.
std::uint64_t CountListed(const Request& r, const val& coords, const val& shape, double minCover,
                          const val& mask) {
  std::uint64_t count = 0;
  if (mask["length"].as<double>() > 0) {
    for (const std::uint8_t m : emscripten::convertJSArrayToNumberVector<std::uint8_t>(mask)) count += m != 0;
    return count;
  }
  ForEachListed(r, coords, shape, minCover, mask, [&](const TStandardMapUnion&) { ++count; });
  return count;
}

// The KML file of the list, its layer named after the file's stem
// (KmlLayerName): { bytes } or { error }.
val KmlFile(const Request& r, const val& coords, const val& shape, double minCover, const val& mask,
            const std::string& stem, bool cornersOnly) {
  try {
    if (!DatumInfoOf(DatumOf(r.datum)).nearWgs84) return Failure(kKmlNeedsCgcs2000Message);
    const std::string layer = KmlLayerName(stem);
    std::string out = KmlHeader(layer);
    std::size_t count = 0;
    ForEachListed(r, coords, shape, minCover, mask, [&](const TStandardMapUnion& s) {
      AppendKmlSheet(out, layer, s, PlaneOf(r), cornersOnly);
      ++count;
    });
    if (count == 0) return Failure(kNoSheetsMessage);
    out += KmlFooter();
    val result = val::object();
    result.set("bytes", Bytes(out));
    return result;
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The members of the list's Shapefile: { shp, shx, dbf, prj, cpg } or
// { error }.
val ShapefileFiles(const Request& r, const val& coords, const val& shape, double minCover, const val& mask,
                   bool geographic, bool cornersOnly, bool gbk) {
  try {
    ShapefileOptions options;
    options.plane = PlaneOf(r);
    options.geographic = geographic;
    options.cornersOnly = cornersOnly;
    options.gbk = gbk;
    // The headers need the count, the longest number and the zone of the
    // sheets before the first record: a first walk tells them.
    ShapefileOutline outline;
    ForEachListed(r, coords, shape, minCover, mask, [&](const TStandardMapUnion& s) { outline.Add(s); });
    ShapefileWriter writer(options, outline);
    ForEachListed(r, coords, shape, minCover, mask, [&](const TStandardMapUnion& s) { writer.Add(s); });
    const ShapefileMembers m = writer.Finish();
    val result = val::object();
    result.set("shp", Bytes(m.shp));
    result.set("shx", Bytes(m.shx));
    result.set("dbf", Bytes(m.dbf));
    result.set("prj", Bytes(m.prj));
    result.set("cpg", Bytes(m.cpg));
    return result;
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// Bytes handed to a JavaScript function as they come: a view into the
// module's memory, valid during the call only.
class JsSink final : public Sink {
 public:
  explicit JsSink(val take) : take_(std::move(take)) {}
  void Write(std::string_view data) override { take_(MemoryView(data)); }

 private:
  val take_;
};

// The DXF drawing of the list, karvento-cli's `--format dxf [--coords geo]`:
// the entities go to takeEntities as they are made (a drawing of all China
// is some 800 MB, more than the module's memory should hold), then
// { head, tail } complete it around them; or { error }.
val DxfFile(const Request& r, const val& coords, const val& shape, double minCover, const val& mask,
            bool geographic, bool cornersOnly, const val& takeEntities) {
  try {
    JsSink entities(takeEntities);
    DxfSheetWriter writer({PlaneOf(r), geographic, cornersOnly, ""},
                          entities);
    double westmost = 180, eastmost = 0;
    ForEachListed(r, coords, shape, minCover, mask, [&](const TStandardMapUnion& s) {
      writer.Add(s);
      westmost = std::min(westmost, DmsToDeg(s.Range.West));
      eastmost = std::max(eastmost, DmsToDeg(s.Range.East));
    });
    writer.FinishEntities();
    // The comment that names the drawing's system, as the command line's
    // drawing names it (the table's one zone where no meridian was named).
    if (writer.sheets() > 0) {
      const double cm = geographic ? r.cm : PlaneZoneMeridian(westmost, eastmost, r.zone3, r.cm);
      const int epsg = geographic ? DatumInfoOf(DatumOf(r.datum)).geographicEpsg
                                  : GaussKrugerEpsg(DatumOf(r.datum), r.zone3, cm, r.cm != 0);
      writer.SetSystem(SheetSystemName(DatumOf(r.datum), geographic, r.zone3, cm, r.cm != 0, r.offsetX, r.offsetY) +
                       (epsg != 0 && (geographic || (r.offsetX == 0 && r.offsetY == 0))
                            ? " (EPSG:" + std::to_string(epsg) + ")"
                            : ""));
    }
    StringSink head, tail;
    writer.WriteHead(head);
    DxfSheetWriter::WriteTail(tail);
    val result = val::object();
    result.set("head", Bytes(head.text));
    result.set("tail", Bytes(tail.text));
    return result;
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The files of a package (a workbook's parts, frames' drawings) handed to
// the page's JavaScript as they come, to be compressed into a ZIP there:
// sink.begin(name), sink.write(bytes), where bytes is a view into the
// module's memory, valid during the call only, and sink.end().
class JsPartSink final : public PartSink {
 public:
  explicit JsPartSink(val sink) : sink_(std::move(sink)) {}
  void Begin(std::string_view name) override { sink_.call<void>("begin", std::string(name)); }
  void Write(std::string_view bytes) override { sink_.call<void>("write", MemoryView(bytes)); }
  void End() override { sink_.call<void>("end"); }

 private:
  val sink_;
};

// The list as the workbook karvento-cli writes (--format xlsx), its parts
// given to sink: {} or { error }. A list longer than a worksheet holds is
// refused before anything is written.
val XlsxFile(const Request& r, const val& coords, const val& shape, double minCover, const val& mask,
             const std::string& fileName, const val& sink) {
  try {
    const std::uint64_t count = CountListed(r, coords, shape, minCover, mask);
    if (count == 0) return Failure(kNoSheetsMessage);
    const std::string refusal = WorkbookRecordsRefusal(count).Text();
    if (!refusal.empty()) return Failure(refusal);
    JsPartSink parts(sink);
    XlsxWorkbook book(parts);
    SheetWorkbook sheet(book, XlsTitleOf(DatumOf(r.datum)), kStandardXlsHeader, fileName);
    ForEachListed(r, coords, shape, minCover, mask, [&](const TStandardMapUnion& s) { sheet.Add(s); });
    sheet.Finish();
    book.SaveAs();
    return val::object();
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

// The most frames the page draws at once: a 1:1万 frame's drawing takes
// some 16 KB, and the page keeps every file it offers in memory.
constexpr std::uint64_t kMaxPageFrames = 10'000;

// The map frame (图廓) of every listed sheet as a DXF drawing, NUMBER.dxf,
// the same drawing as the window's 导出图廓 DXF for the same list, given to
// sink: {} or { error }.
val FrameFiles(const Request& r, const val& coords, const val& shape, double minCover, const val& mask,
               const val& sink) {
  try {
    const std::uint64_t count = CountListed(r, coords, shape, minCover, mask);
    if (count == 0) return Failure(kNoSheetsMessage);
    if (count > kMaxPageFrames) {
      return Failure("图幅太多：共 " + FormatCount(static_cast<double>(count)) + " 幅，此页一次最多绘制 " +
                         FormatCount(static_cast<double>(kMaxPageFrames)) +
                         " 幅的图廓。请勾选其中一部分，用“仅导出选中图幅”分批导出。");
    }
    JsPartSink files(sink);
    const Datum datum = DatumOf(r.datum);
    ForEachListed(r, coords, shape, minCover, mask, [&](const TStandardMapUnion& s) {
      const std::string text =
          DxfFrameText(FrameOfListedSheet(s, datum, r.zone3, r.cm, r.offsetX, r.offsetY));
      files.Begin(s.MapUnionNo + ".dxf");
      files.Write(text);
      files.End();
    });
    return val::object();
  } catch (const Error& e) {
    return Failure(e.what());
  }
}

}  // namespace
}  // namespace karvento::web

EMSCRIPTEN_BINDINGS(karvento_files) {
  using namespace karvento::web;
  emscripten::function("kmlFile", &KmlFile);
  emscripten::function("shapefileFiles", &ShapefileFiles);
  emscripten::function("dxfFile", &DxfFile);
  emscripten::function("xlsxFile", &XlsxFile);
  emscripten::function("frameFiles", &FrameFiles);
}
