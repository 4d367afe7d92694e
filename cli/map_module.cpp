// SPDX-License-Identifier: Apache-2.0
// libkarvento-cli-map.so: the index maps of karvento-cli, drawn by the
// window's own painter, behind the table of cli/modules.h.
#include "cli/modules.h"
#include "map/frame_paint.h"
#include "map/index_map.h"

namespace karvento::cli {

namespace {

template <class Table>
std::string Render(int format, double width, double height, const Table& sheets, const std::string& title,
                   std::ptrdiff_t current, const GeoMultiPolygon* area) {
  map::EnsureGuiApplication();
  map::MapSheets drawn = map::SheetsOf(sheets);
  if (area != nullptr) drawn.outline = map::OutlineOf(*area);
  map::IndexMapModel model(std::move(drawn));
  model.SetCurrent(current);
  const map::FileFormat kind = format == 0 ? map::FileFormat::Svg
                               : format == 1 ? map::FileFormat::Png
                                             : map::FileFormat::Pdf;
  const QByteArray bytes =
      map::RenderIndexMap(kind, QSizeF(width, height), model, {QString::fromStdString(title), true});
  return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
}

class Pages : public FramePages {
 public:
  explicit Pages(std::function<void(std::string_view)> write) : pdf_(std::move(write)) {}
  void Add(const MapFrame& frame) override { pdf_.Add(frame); }
  void Finish() override { pdf_.Finish(); }

 private:
  map::FramePdf pdf_;
};

const MapModule kModule = {
    [](int format, double width, double height, const TStandardMapUnions& sheets, const std::string& title,
       std::ptrdiff_t current, const GeoMultiPolygon* area) {
      return Render(format, width, height, sheets, title, current, area);
    },
    [](int format, double width, double height, const TCustomMapUnions& sheets, const std::string& title) {
      return Render(format, width, height, sheets, title, -1, nullptr);
    },
    [](const MapFrame& frame) {
      map::EnsureGuiApplication();
      const QByteArray bytes = map::RenderFrameSvg(frame);
      return std::string(bytes.constData(), static_cast<std::size_t>(bytes.size()));
    },
    [](std::function<void(std::string_view)> write) -> std::unique_ptr<FramePages> {
      map::EnsureGuiApplication();
      return std::make_unique<Pages>(std::move(write));
    },
};

}  // namespace

}  // namespace karvento::cli

extern "C" __attribute__((visibility("default"))) const void* karvento_cli_map_module() {
  return &karvento::cli::kModule;
}
