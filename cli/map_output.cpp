// SPDX-License-Identifier: Apache-2.0
// The index maps of karvento-cli: the window's own painter drawing into an
// SVG, PNG or PDF file (or standard output), in the module that loads Qt.
#include "cli/common.h"
#include "cli/modules.h"

namespace karvento::cli {

namespace {

bool IsMapFormat(Format f) { return f == Format::Svg || f == Format::Png || f == Format::Pdf; }

int MapFormatOf(Format f) { return f == Format::Svg ? 0 : f == Format::Png ? 1 : 2; }

void WriteBytes(const OutputOptions& o, const std::string& bytes) {
  OutputStream stream(o);
  stream.out().Write(bytes);
  stream.Finish();
}

}  // namespace

bool WriteStandardMap(const OutputOptions& o, const TStandardMapUnions& sheets, const std::string& title,
                      std::ptrdiff_t current, const GeoMultiPolygon* area) {
  if (!IsMapFormat(o.format)) return false;
  WriteBytes(o, Map().renderStandard(MapFormatOf(o.format), o.mapWidth, o.mapHeight, sheets, title, current,
                                     area));
  return true;
}

bool WriteCustomMap(const OutputOptions& o, const TCustomMapUnions& sheets, const std::string& title) {
  if (!IsMapFormat(o.format)) return false;
  WriteBytes(o, Map().renderCustom(MapFormatOf(o.format), o.mapWidth, o.mapHeight, sheets, title));
  return true;
}

std::string WithMapHelp(const char* help) { return FillPattern(Tr(help), {Tr(kMapHelp)}); }

// The index map's own title, part of the drawing like its sheet numbers: in
// Chinese whatever the language of the tool's messages.
std::string MapTitle(std::string_view scale, std::string_view standard, Datum datum) {
  std::string title = "图幅接合表  ";
  title += scale;
  if (standard == "new") title += "  新图幅号";
  if (standard == "old") title += "  旧图幅号";
  title += "  ";
  title += DatumInfoOf(datum).caption;
  return title;
}

}  // namespace karvento::cli
