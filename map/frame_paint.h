// SPDX-License-Identifier: Apache-2.0
// Map frames drawn with Qt at true scale: the lines and texts of a MapFrame
// (numbering/map_frame.h) on paper, for PDF pages and SVG files. The frame's
// ground metres become paper millimetres by the scale alone (1 km at 1:1万 is
// 100 mm), so a frame printed at 100 % measures as the map it frames.
#pragma once

#include <QByteArray>
#include <QSizeF>
#include <QString>
#include <functional>
#include <memory>
#include <string_view>

#include "numbering/map_frame.h"

class QPainter;
class QPdfWriter;

namespace karvento::map {

// The paper of a frame: the smallest ISO A sheet (A4 … A0, upright or
// across) that holds the frame's bounds with kFramePaperMarginMm on every
// side, or a sheet of exactly that size where even A0 is too small. name is
// "A1" and the like, empty for a sheet of its own size.
inline constexpr double kFramePaperMarginMm = 10;
struct FramePaper {
  QSizeF mm;
  QString name;
};
FramePaper FramePaperOf(const MapFrame& frame);

// Draws the frame centred on a page of pageMm, in device units of
// dotsPerMm per millimetre: ground metres → millimetres at the frame's scale.
// Needs a QGuiApplication for the texts (EnsureGuiApplication).
void PaintFrame(QPainter& painter, const MapFrame& frame, const QSizeF& pageMm, double dotsPerMm);

// One frame as an SVG file on its paper (width and height in millimetres).
QByteArray RenderFrameSvg(const MapFrame& frame);

// A PDF of frames, one page per frame, each page its frame's paper, handed
// to write as the pages are finished (memory bounded by one page). An error
// thrown by write ends the document: Add and Finish throw it again.
class FramePdf {
 public:
  // Device units per millimetre of the pages (1200 dpi).
  static constexpr double kDotsPerMm = 1200 / 25.4;
  using Write = std::function<void(std::string_view bytes)>;
  explicit FramePdf(Write write);
  ~FramePdf();
  FramePdf(const FramePdf&) = delete;
  FramePdf& operator=(const FramePdf&) = delete;
  void Add(const MapFrame& frame);
  // Ends the document; throws Error when the painter failed.
  void Finish();

 private:
  class Device;
  std::unique_ptr<Device> device_;
  std::unique_ptr<QPdfWriter> writer_;
  std::unique_ptr<QPainter> painter_;
};

}  // namespace karvento::map
