// The index maps of karvento-cli: the window's own painter drawing into an
// SVG, PNG or PDF file (or standard output).
#include "cli/common.h"
#include "map/index_map.h"

namespace karvento::cli {

namespace {

bool IsMapFormat(Format f) { return f == Format::Svg || f == Format::Png || f == Format::Pdf; }

template <class Table>
bool WriteMap(const OutputOptions& o, const Table& sheets, const std::string& title,
              std::ptrdiff_t current, const GeoMultiPolygon* area) {
  if (!IsMapFormat(o.format)) return false;
  map::EnsureGuiApplication();
  map::MapSheets drawn = map::SheetsOf(sheets);
  if (area != nullptr) drawn.outline = map::OutlineOf(*area);
  map::IndexMapModel model(std::move(drawn));
  model.SetCurrent(current);
  const map::FileFormat format = o.format == Format::Svg   ? map::FileFormat::Svg
                                 : o.format == Format::Png ? map::FileFormat::Png
                                                           : map::FileFormat::Pdf;
  const QByteArray bytes = map::RenderIndexMap(format, QSizeF(o.mapWidth, o.mapHeight), model,
                                               {QString::fromStdString(title), true});
  OutputStream stream(o);
  stream.out().Write(std::string_view(bytes.constData(), static_cast<std::size_t>(bytes.size())));
  stream.Finish();
  return true;
}

}  // namespace

bool WriteStandardMap(const OutputOptions& o, const TStandardMapUnions& sheets, const std::string& title,
                      std::ptrdiff_t current, const GeoMultiPolygon* area) {
  return WriteMap(o, sheets, title, current, area);
}

bool WriteCustomMap(const OutputOptions& o, const TCustomMapUnions& sheets, const std::string& title) {
  return WriteMap(o, sheets, title, -1, nullptr);
}

std::string WithMapHelp(const char* help) {
  std::string text = help;
  const std::size_t at = text.find("%s");
  if (at != std::string::npos) text.replace(at, 2, kMapHelp);
  return text;
}

std::string MapTitle(std::string_view scale, std::string_view standard, Datum datum) {
  std::string title = "图幅接合表  ";
  title += scale;
  if (standard == "new") title += "  新图幅号";
  if (standard == "old") title += "  旧图幅号";
  title += datum == Datum::Beijing54 ? "  北京54坐标系"
           : datum == Datum::Xian80  ? "  西安80坐标系"
                                     : "  2000国家坐标系";
  return title;
}

}  // namespace karvento::cli
