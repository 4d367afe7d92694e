// SPDX-License-Identifier: Apache-2.0
#include "map/index_map.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <numbers>

#include "geodesy/angles.h"

namespace karvento::map {

Frame FrameOf(const TStandardMapUnion& sheet) {
  return {DmsToDeg(sheet.Range.West), DmsToDeg(sheet.Range.South), DmsToDeg(sheet.Range.East),
          DmsToDeg(sheet.Range.North)};
}

std::vector<std::vector<QPointF>> OutlineOf(const GeoMultiPolygon& area) {
  std::vector<std::vector<QPointF>> rings;
  for (const GeoPolygon& polygon : area) {
    for (const GeoRing& ring : polygon.rings) {
      std::vector<QPointF>& out = rings.emplace_back();
      out.reserve(ring.size());
      for (const GeoPoint& p : ring) out.emplace_back(p.lon, p.lat);
    }
  }
  return rings;
}

Frame FrameOf(const TCustomMapUnion& sheet) { return {sheet.MinX, sheet.MinY, sheet.MaxX, sheet.MaxY}; }

namespace {

template <class Table>
MapSheets SheetsOfTable(const Table& table, Units units) {
  MapSheets sheets;
  sheets.units = units;
  std::size_t n = 0;
  for (const auto& inner : table) n += inner.size();
  sheets.frames.reserve(n);
  // The numbers are read through the outer entry's start: one offset per
  // outer entry, not one pointer per sheet.
  auto starts = std::make_shared<std::vector<std::size_t>>();
  starts->reserve(table.size() + 1);
  for (const auto& inner : table) {
    starts->push_back(sheets.frames.size());
    for (const auto& s : inner) sheets.frames.push_back(FrameOf(s));
  }
  starts->push_back(sheets.frames.size());
  sheets.label = [&table, starts](std::size_t i) -> std::string_view {
    const auto it = std::upper_bound(starts->begin(), starts->end(), i) - 1;
    const auto outer = static_cast<std::size_t>(it - starts->begin());
    return table[outer][i - *it].MapUnionNo;
  };
  return sheets;
}

}  // namespace

MapSheets SheetsOf(const TStandardMapUnions& table) { return SheetsOfTable(table, Units::Degrees); }
MapSheets SheetsOf(const TCustomMapUnions& table) { return SheetsOfTable(table, Units::Plane); }

IndexMapModel::IndexMapModel(MapSheets sheets) : sheets_(std::move(sheets)) {
  const auto& frames = sheets_.frames;
  if (frames.size() >= std::numeric_limits<std::uint32_t>::max()) {
    throw std::length_error("too many sheets for one index map");
  }
  bool any = false;
  Frame b{};
  auto widen = [&](double x0, double y0, double x1, double y1) {
    if (!any) {
      b = {x0, y0, x1, y1};
      any = true;
      return;
    }
    b.minX = std::min(b.minX, x0);
    b.minY = std::min(b.minY, y0);
    b.maxX = std::max(b.maxX, x1);
    b.maxY = std::max(b.maxY, y1);
  };
  // A frame with an infinite or undefined edge is neither drawn nor found.
  const auto usable = [](const Frame& f) {
    return std::isfinite(f.minX) && std::isfinite(f.minY) && std::isfinite(f.maxX) && std::isfinite(f.maxY) &&
           std::isfinite(f.maxX - f.minX) && std::isfinite(f.maxY - f.minY);
  };
  std::size_t filed = 0;
  for (const Frame& f : frames) {
    if (!usable(f)) continue;
    ++filed;
    widen(f.minX, f.minY, f.maxX, f.maxY);
    padX_ = std::max(padX_, (f.maxX - f.minX) / 2);
    padY_ = std::max(padY_, (f.maxY - f.minY) / 2);
  }
  Frame sheetBounds = b;
  for (const auto& ring : sheets_.outline) {
    for (const QPointF& p : ring) widen(p.x(), p.y(), p.x(), p.y());
  }
  bounds_ = b;
  if (sheets_.units == Units::Degrees && any) {
    const double midLat = (b.minY + b.maxY) / 2;
    aspect_ = std::max(0.1, std::cos(midLat * std::numbers::pi / 180));
  }
  if (filed == 0) return;

  // About 16 sheets to a bucket, the buckets as square as the extent allows.
  const double w = std::max(sheetBounds.maxX - sheetBounds.minX, 1e-12);
  const double h = std::max(sheetBounds.maxY - sheetBounds.minY, 1e-12);
  const double buckets = std::clamp(static_cast<double>(filed) / 16, 1.0, 4.0e6);
  nx_ = std::clamp(static_cast<int>(std::ceil(std::sqrt(buckets * w / h))), 1, 4096);
  ny_ = std::clamp(static_cast<int>(std::ceil(buckets / nx_)), 1, 4096);
  cellW_ = w / nx_;
  cellH_ = h / ny_;
  bounds_ = b;
  const double ox = sheetBounds.minX, oy = sheetBounds.minY;
  auto bucketOf = [&](const Frame& f) {
    const int cx = static_cast<int>(std::clamp(((f.minX + f.maxX) / 2 - ox) / cellW_, 0.0, nx_ - 1.0));
    const int cy = static_cast<int>(std::clamp(((f.minY + f.maxY) / 2 - oy) / cellH_, 0.0, ny_ - 1.0));
    return static_cast<std::size_t>(cy) * static_cast<std::size_t>(nx_) + static_cast<std::size_t>(cx);
  };
  // A counting sort: each bucket's sheets stay in list order.
  const std::size_t nb = static_cast<std::size_t>(nx_) * static_cast<std::size_t>(ny_);
  start_.assign(nb + 1, 0);
  for (const Frame& f : frames) {
    if (usable(f)) ++start_[bucketOf(f) + 1];
  }
  for (std::size_t k = 0; k < nb; ++k) start_[k + 1] += start_[k];
  order_.resize(filed);
  std::vector<std::uint32_t> fill(start_.begin(), start_.end() - 1);
  for (std::size_t i = 0; i < frames.size(); ++i) {
    if (usable(frames[i])) order_[fill[bucketOf(frames[i])]++] = static_cast<std::uint32_t>(i);
  }
  // The grid's origin is that of the sheets, not of the outline.
  gridX_ = ox;
  gridY_ = oy;
}

std::ptrdiff_t IndexMapModel::At(double x, double y) const {
  std::ptrdiff_t best = -1;
  double bestArea = std::numeric_limits<double>::infinity();
  ForEachIn(Frame{x, y, x, y}, [&](std::size_t i) {
    const Frame& f = sheets_.frames[i];
    const double a = (f.maxX - f.minX) * (f.maxY - f.minY);
    if (a < bestArea) {
      bestArea = a;
      best = static_cast<std::ptrdiff_t>(i);
    }
  });
  return best;
}

// ------------------------------------------------------------------ view

void MapView::SetViewport(const QRectF& device) { viewport_ = device; }

void MapView::Fit(const Frame& b) {
  cx_ = (b.minX + b.maxX) / 2;
  cy_ = (b.minY + b.maxY) / 2;
  const double w = (b.maxX - b.minX) * aspect_, h = b.maxY - b.minY;
  const double usable = 0.92;
  double s = std::numeric_limits<double>::infinity();
  if (w > 0) s = std::min(s, viewport_.width() * usable / w);
  if (h > 0) s = std::min(s, viewport_.height() * usable / h);
  if (std::isfinite(s) && s > 0) scale_ = s;
}

void MapView::ZoomAt(const QPointF& device, double factor) {
  if (!(factor > 0) || !std::isfinite(factor)) return;
  const QPointF before = ToWorld(device);
  scale_ = std::clamp(scale_ * factor, 1e-9, 1e12);
  const QPointF after = ToWorld(device);
  cx_ += before.x() - after.x();
  cy_ += before.y() - after.y();
}

void MapView::Pan(const QPointF& delta) {
  cx_ -= delta.x() / (scale_ * aspect_);
  cy_ += delta.y() / scale_;
}

void MapView::CentreOn(const QPointF& world) {
  cx_ = world.x();
  cy_ = world.y();
}

QPointF MapView::ToDevice(const QPointF& w) const {
  const QPointF c = viewport_.center();
  return {c.x() + (w.x() - cx_) * scale_ * aspect_, c.y() - (w.y() - cy_) * scale_};
}

QPointF MapView::ToWorld(const QPointF& d) const {
  const QPointF c = viewport_.center();
  return {cx_ + (d.x() - c.x()) / (scale_ * aspect_), cy_ - (d.y() - c.y()) / scale_};
}

QRectF MapView::ToDevice(const Frame& f) const {
  const QPointF a = ToDevice(QPointF(f.minX, f.maxY)), b = ToDevice(QPointF(f.maxX, f.minY));
  return QRectF(a, b);
}

Frame MapView::Visible() const {
  const QPointF a = ToWorld(viewport_.topLeft()), b = ToWorld(viewport_.bottomRight());
  return {a.x(), b.y(), b.x(), a.y()};
}

}  // namespace karvento::map
