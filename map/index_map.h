// SPDX-License-Identifier: Apache-2.0
// The index map of a sheet list (图幅接合表): the frames of the sheets, their
// numbers where they fit, the checked sheets filled, the current sheet
// outlined, a graticule in degrees or a kilometre grid in the plane, and for
// files a title and a scale bar. One routine, PaintIndexMap, draws on any
// QPainter: the map window's widget, an SVG generator, an image, a PDF page.
//
// World coordinates are x east and y north: longitude and latitude in decimal
// degrees for the national division, the grid's own plane units (metres) for
// an independent grid. Device coordinates are the painter's, y down. A degree
// of longitude is drawn cos(φ0) times as wide as a degree of latitude, φ0 the
// middle latitude of the sheets, so that the sheets keep their shape near φ0.
//
// Density. A repaint visits only the sheets that meet the visible area,
// through a grid of buckets over the sheets' extent. A sheet that would be
// drawn narrower or lower than kMinFramePx is not drawn as a frame: it marks
// the cells (kCellPx square) of a coverage grid that it meets, and each row
// of cells is drawn as runs of equal state (listed, checked). So a repaint
// draws at most one rectangle per cell, whatever the number of sheets. A
// number is drawn only when it fits inside its frame with a margin.
#pragma once

#include <QByteArray>
#include <QFont>
#include <QMarginsF>
#include <QPointF>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string_view>
#include <utility>
#include <vector>

#include "numbering/area.h"
#include "numbering/sheet_types.h"

class QPainter;

namespace karvento::map {

// A sheet's extent in world coordinates.
struct Frame {
  double minX = 0, minY = 0, maxX = 0, maxY = 0;
  friend bool operator==(const Frame&, const Frame&) = default;
};

// Degrees: geodetic sheets, with a graticule. Plane: an independent grid,
// with a kilometre grid.
enum class Units : std::uint8_t { Degrees, Plane };

// The frame of a sheet: its edges in decimal degrees, or its plane extent.
Frame FrameOf(const TStandardMapUnion& sheet);
Frame FrameOf(const TCustomMapUnion& sheet);

// What the map shows. The frames are copied once; numbers and check marks
// are read through the callbacks at each repaint, so a sheet list of a
// million rows is not copied twice and a check mark needs no rebuild.
struct MapSheets {
  Units units = Units::Degrees;
  std::vector<Frame> frames;
  std::function<std::string_view(std::size_t)> label;  // empty: no numbers
  std::function<bool(std::size_t)> checked;            // empty: nothing checked
  std::ptrdiff_t current = -1;                          // -1: no current sheet
  std::vector<std::vector<QPointF>> outline;  // area of interest: rings in world coordinates
};

// The sheets of a numbering result, in list order (outer then inner index);
// the numbers are read from the table, which must outlive the result.
MapSheets SheetsOf(const TStandardMapUnions& table);
MapSheets SheetsOf(const TCustomMapUnions& table);
// The rings of an area of interest (outer boundaries and holes), in degrees,
// as MapSheets::outline takes them.
std::vector<std::vector<QPointF>> OutlineOf(const GeoMultiPolygon& area);

// The sheets with a grid of buckets over their extent: each sheet is filed
// under the bucket of its centre, about 16 sheets to a bucket, so that a
// query visits the buckets that meet the area widened by the largest
// half-sheet and tests only their sheets.
class IndexMapModel {
 public:
  IndexMapModel() = default;
  explicit IndexMapModel(MapSheets sheets);

  const MapSheets& Sheets() const { return sheets_; }
  std::size_t Count() const { return sheets_.frames.size(); }
  void SetCurrent(std::ptrdiff_t index) { sheets_.current = index; }

  // The extent of all frames and the outline; all zero when there are none.
  const Frame& Bounds() const { return bounds_; }
  // Width of a world x unit over a world y unit on the map: cos φ0 for
  // degrees (at least 0.1), 1 in the plane.
  double Aspect() const { return aspect_; }

  // Calls visit(i) for every sheet whose frame meets area (edges included),
  // bucket by bucket; each sheet once.
  template <class F>
  void ForEachIn(const Frame& area, F&& visit) const;
  void Visit(const Frame& area, const std::function<void(std::size_t)>& visit) const {
    ForEachIn(area, visit);
  }
  // The sheet under a world point: of those whose frame holds it, the
  // smallest; -1 when none.
  std::ptrdiff_t At(double x, double y) const;

 private:
  MapSheets sheets_;
  Frame bounds_;
  double aspect_ = 1;
  double padX_ = 0, padY_ = 0;  // the largest half-width and half-height
  int nx_ = 0, ny_ = 0;
  double gridX_ = 0, gridY_ = 0;  // the south-west corner of bucket 0
  double cellW_ = 1, cellH_ = 1;
  std::vector<std::uint32_t> start_;  // bucket b holds order_[start_[b] .. start_[b+1])
  std::vector<std::uint32_t> order_;
};

template <class F>
inline void IndexMapModel::ForEachIn(const Frame& area, F&& visit) const {
  if (order_.empty()) return;
  // A sheet meets the area only when its centre lies within the area
  // widened by the largest half-sheet.
  const double x0 = (area.minX - padX_ - gridX_) / cellW_, x1 = (area.maxX + padX_ - gridX_) / cellW_;
  const double y0 = (area.minY - padY_ - gridY_) / cellH_, y1 = (area.maxY + padY_ - gridY_) / cellH_;
  if (!(x1 >= 0 && y1 >= 0 && x0 < nx_ && y0 < ny_)) return;
  // Clamped as doubles first: a far zoom gives indices beyond any int.
  const int bx0 = static_cast<int>(std::clamp(x0, 0.0, nx_ - 1.0));
  const int bx1 = static_cast<int>(std::clamp(x1, 0.0, nx_ - 1.0));
  const int by0 = static_cast<int>(std::clamp(y0, 0.0, ny_ - 1.0));
  const int by1 = static_cast<int>(std::clamp(y1, 0.0, ny_ - 1.0));
  const auto& frames = sheets_.frames;
  for (int by = by0; by <= by1; ++by) {
    const std::size_t row = static_cast<std::size_t>(by) * static_cast<std::size_t>(nx_);
    const std::uint32_t* p = order_.data() + start_[row + static_cast<std::size_t>(bx0)];
    const std::uint32_t* end = order_.data() + start_[row + static_cast<std::size_t>(bx1) + 1];
    for (; p != end; ++p) {
      const Frame& f = frames[*p];
      if (f.minX <= area.maxX && f.maxX >= area.minX && f.minY <= area.maxY && f.maxY >= area.minY) {
        visit(static_cast<std::size_t>(*p));
      }
    }
  }
}

// Where the world is on the device: a centre, a scale in device units per
// world y unit, the aspect of the model, and the device rectangle the map
// fills.
class MapView {
 public:
  void SetViewport(const QRectF& device);
  const QRectF& Viewport() const { return viewport_; }
  void SetAspect(double aspect) { aspect_ = aspect; }
  // Centres the bounds and scales them to fill the viewport less a margin of
  // 4 % on each side; a bounds of zero size keeps the scale.
  void Fit(const Frame& bounds);
  // Multiplies the scale by factor, keeping the world point under the
  // device point where it is (the wheel zooms around the cursor).
  void ZoomAt(const QPointF& device, double factor);
  // Moves the map by a device offset (a drag).
  void Pan(const QPointF& delta);
  void CentreOn(const QPointF& world);
  QPointF Centre() const { return {cx_, cy_}; }
  double Scale() const { return scale_; }

  QPointF ToDevice(const QPointF& world) const;
  QPointF ToWorld(const QPointF& device) const;
  QRectF ToDevice(const Frame& f) const;
  // The world extent of the viewport.
  Frame Visible() const;

 private:
  QRectF viewport_{0, 0, 1, 1};
  double cx_ = 0, cy_ = 0;
  double scale_ = 1;
  double aspect_ = 1;
};

inline constexpr double kMinFramePx = 4;  // narrower sheets go into the coverage cells
inline constexpr double kCellPx = 2;      // side of a coverage cell
inline constexpr double kLabelMarginPx = 3;

// The colours of the map, for the painter and for the tests that read pixels.
namespace colors {
inline constexpr unsigned kBackground = 0xffffff;
inline constexpr unsigned kFrameFill = 0xe8f0fa;
inline constexpr unsigned kFrameLine = 0x4a6fa5;
inline constexpr unsigned kCheckedFill = 0xf5a623;
inline constexpr unsigned kCoverage = 0x7a9cc6;
inline constexpr unsigned kCurrent = 0xe00000;
inline constexpr unsigned kGrid = 0xb4b4b4;
inline constexpr unsigned kLabel = 0x1a1a1a;
inline constexpr unsigned kOutline = 0xc00060;
}  // namespace colors

// What a file adds around the map: a title above it and a scale bar below.
struct MapDecor {
  QString title;
  bool scaleBar = false;
  // The graticule's labels in bands above and left of the viewport
  // (GridLabelMargins wide), which the caller leaves free, so that no label
  // covers a sheet; otherwise inside the viewport along its top and left.
  bool gridLabelsOutside = false;
};

// The room that grid labels drawn outside the viewport take: the band
// above it (top) and the band left of it (left), in device units.
QMarginsF GridLabelMargins();

// What one repaint drew, for the tests and the bench.
struct PaintStats {
  std::size_t visited = 0;  // sheets that meet the visible area
  std::size_t frames = 0;   // drawn as frames
  std::size_t labels = 0;   // numbers drawn
  std::size_t runs = 0;     // coverage rectangles drawn for the smaller sheets
  // The graticule's labels as drawn: box and text. Labels that would cover
  // one another are left out.
  std::vector<std::pair<QRectF, QString>> gridLabels;
};

// The font of the map's texts: the first installed of the CJK sans-serif
// families of Windows, macOS and Linux, at pixelSize device units.
QFont MapFont(int pixelSize);
// The same families as an SVG viewer reads them, and an SVG with every
// font-family attribute naming them all.
inline constexpr const char* kSvgFontFamilies =
    "'Microsoft YaHei', 'PingFang SC', 'Noto Sans CJK SC', 'WenQuanYi Micro Hei', sans-serif";
QByteArray WithSvgFontFamilies(const QByteArray& svg);

// Draws the model through the view into the view's viewport (clipped to it),
// and the decor around it: the title in the band above the viewport, the
// scale bar in the band below it. The painter's state is restored.
PaintStats PaintIndexMap(QPainter& painter, const MapView& view, const IndexMapModel& model,
                         const MapDecor& decor = {});

// A whole index map as a file's bytes: the sheets fitted into a page of
// size (pixels for SVG and PNG, millimetres for PDF) under the decor's title
// with a scale bar. Needs a QGuiApplication (EnsureGuiApplication).
enum class FileFormat : std::uint8_t { Svg, Png, Pdf };
QByteArray RenderIndexMap(FileFormat format, const QSizeF& size, const IndexMapModel& model,
                          const MapDecor& decor);

// Starts a QGuiApplication on the offscreen platform (unless a platform is
// chosen through QT_QPA_PLATFORM) when the program has none: what a command
// line tool needs to draw text. The toolkit's warnings are kept from
// standard error; its critical and fatal messages reach it.
void EnsureGuiApplication();

}  // namespace karvento::map
