// SPDX-License-Identifier: Apache-2.0
// The DXF drawing of sheet frames without GDAL: the bytes that GDAL's DXF
// driver writes for the same sheets (the command line's `--format dxf`), so
// that the page, which has no GDAL, offers the same file. The command line
// and the window write their drawings through it too.
//
// The drawing is GDAL's header template with the Chinese code page
// ($DWGCODEPAGE ANSI_936, so that CAD programs read the GBK layer names as
// Chinese), its units ($INSUNITS 6, metres, for plane coordinates; 0 for
// longitudes and latitudes; $MEASUREMENT 1, metric), the extent of every
// entity ($EXTMIN, $EXTMAX) and the next free handle ($HANDSEED); then per
// sheet a closed LWPOLYLINE of the frame on layer "图廓" and an MTEXT of the
// number on layer "图号", centred on the middle of the frame's corners, one
// twelfth of the frame's height high; then GDAL's trailer. The two layers and
// the text style "AutoTextStyle-1" are added to the tables of the template,
// after the entities in handle order (entities from 20000 hex up).
//
// Numbers are written as GDAL writes them, to 15 significant digits
// ("414396.672187261", "1e-05"), in the C locale whatever the process's.
// Texts are escaped as GDAL escapes them: " " as \~, "\" as \\, "^" as "^ ",
// characters past U+00FF as \U+xxxx; a text with characters that GDAL would
// write as bytes of another code page (U+0080 to U+00FF), cannot write at all
// (past U+FFFF) or as control characters, or that is not UTF-8, is refused.
//
// The header needs the extent and the count, which are known only after the
// last sheet: the entities stream into a sink of the caller's (a temporary
// file for the command line, memory for the page) and the caller then writes
// the head, the entities and the tail, in that order, to the file.
//
// Refused as every GIS file of sheets refuses them (gis_export.h's
// GisRefusal): a drawing of no sheets (kNoSheetsMessage), and plane corners
// each on its own zone (cm = 0) of sheets in more than one zone
// (kSpansZonesMessage).
#pragma once

#include <cstdint>
#include <limits>
#include <set>
#include <string>
#include <string_view>

#include "export/sheet_frame.h"
#include "export/text_output.h"
#include "numbering/sheet_types.h"

namespace karvento {

// Layer names of the drawing (UTF-8; written in GBK).
inline constexpr std::string_view kDxfFrameLayer = "图廓";
inline constexpr std::string_view kDxfNumberLayer = "图号";
// The number's text height as a fraction of the frame's height: a
// ten-character new-standard number then spans about two thirds of a
// 1:1万 frame's width.
inline constexpr double kDxfTextHeightRatio = 1.0 / 12;

struct DxfSheetOptions {
  FramePlane plane;         // how the plane corners were computed (plane drawings)
  bool geographic = false;  // longitudes and latitudes rather than plane corners
  bool cornersOnly = false;
  // The coordinate system of the drawing, in words ("CGCS2000 / 3-degree
  // Gauss-Kruger zone 39 (EPSG:4527)"): a DXF has no place for one, so it
  // stands in a comment (group 999) before the header, where CAD programs
  // and GDAL skip it. ASCII only; none when empty.
  std::string system;
};

class DxfSheetWriter {
 public:
  // The entities go to entities as they are added (in large blocks).
  DxfSheetWriter(const DxfSheetOptions& options, Sink& entities);
  // The entities are kept in memory; Text gives the whole drawing.
  explicit DxfSheetWriter(const DxfSheetOptions& options);
  DxfSheetWriter(const DxfSheetWriter&) = delete;
  DxfSheetWriter& operator=(const DxfSheetWriter&) = delete;

  // A standard sheet, its frame made as every GIS file makes it
  // (sheet_frame.h). Throws Error(kSpansZonesMessage) for a sheet in another
  // zone than those before it, where that matters (see above).
  void Add(const TStandardMapUnion& sheet);
  // Any frame with its number: an independent grid's rectangle, say. Throws
  // Error for a number that cannot be written (see above).
  void Add(std::string_view number, const GisFrame& frame);
  // The same with the number already as DxfEscapedText gives it.
  void AddEscaped(std::string_view escapedNumber, const GisFrame& frame);

  // Hands the last entities to the sink; then the head (everything before
  // the first entity, written once all are added) and the tail (everything
  // after the last) complete the drawing around them.
  void FinishEntities();
  // The system the header's comment names (DxfSheetOptions::system), for a
  // caller that knows it only once every sheet is added.
  void SetSystem(std::string system) { options_.system = std::move(system); }
  // Once, after the last sheet; throws Error(kNoSheetsMessage) when there
  // was none.
  void WriteHead(Sink& out);
  static void WriteTail(Sink& out);

  // The whole drawing, for a writer made without a sink (DxfSheetWriter
  // w(options); w.Add(sheet) for each; w.Text()). Throws as WriteHead.
  std::string Text();

  std::uint64_t sheets() const { return sheets_; }

 private:
  std::string NextHandle();
  void Extend(double x, double y);

  DxfSheetOptions options_;
  StringSink memory_;
  Output entities_;
  GisFrame frame_;
  std::set<std::string> usedHandles_;  // those of the templates
  std::uint64_t highestUsed_ = 0;      // the highest of them
  std::uint64_t nextHandle_;
  std::uint64_t highestHandle_ = 0;  // of every handle written or used
  std::uint64_t sheets_ = 0;
  double minX_, minY_, maxX_, maxY_;
  double westmost_ = std::numeric_limits<double>::quiet_NaN();  // edges of the sheets so far, degrees
  double eastmost_ = std::numeric_limits<double>::quiet_NaN();
  std::string line_;  // scratch
};

// The text of a number in a drawing, as GDAL formats it ("%.15g").
std::string DxfNumber(double value);

// A text as an MTEXT holds it (escaped; see above). Throws Error for one that
// cannot be written.
std::string DxfEscapedText(std::string_view text);

}  // namespace karvento
