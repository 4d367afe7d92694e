// SPDX-License-Identifier: Apache-2.0
// Map frames drawn with Qt at true scale.
#include "map/frame_paint.h"

#include <QBuffer>
#include <QFontMetricsF>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QPolygonF>
#include <QSvgGenerator>
#include <array>
#include <exception>

#include "map/index_map.h"
#include "numbering/error.h"

namespace karvento::map {

namespace {

QString Q(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

// Ground metres to device units on the page: x east, y down, the bounds
// centred.
struct Placement {
  double k;      // device units per ground metre
  double x0, y0;  // device position of the bounds' west and north
  QPointF operator()(const TPlanePoint& p) const { return {x0 + p.X * k, y0 - p.Y * k}; }
};

}  // namespace

FramePaper FramePaperOf(const MapFrame& frame) {
  const double mmPerMetre = 1000.0 / frame.denominator;
  const double w = (frame.maxX - frame.minX) * mmPerMetre + 2 * kFramePaperMarginMm;
  const double h = (frame.maxY - frame.minY) * mmPerMetre + 2 * kFramePaperMarginMm;
  // A4 … A0, upright sizes in millimetres.
  constexpr std::array<std::array<double, 2>, 5> kA = {{{210, 297}, {297, 420}, {420, 594}, {594, 841}, {841, 1189}}};
  constexpr std::array<const char*, 5> kNames = {"A4", "A3", "A2", "A1", "A0"};
  for (std::size_t i = 0; i < kA.size(); ++i) {
    const double a = kA[i][0], b = kA[i][1];
    if (w <= a && h <= b) return {QSizeF(a, b), kNames[i]};
    if (w <= b && h <= a) return {QSizeF(b, a), kNames[i]};
  }
  return {QSizeF(std::ceil(w), std::ceil(h)), QString()};
}

void PaintFrame(QPainter& p, const MapFrame& frame, const QSizeF& pageMm, double dotsPerMm) {
  const double mmPerMetre = 1000.0 / frame.denominator;
  const double k = mmPerMetre * dotsPerMm;
  const double wDev = (frame.maxX - frame.minX) * k, hDev = (frame.maxY - frame.minY) * k;
  const double left = (pageMm.width() * dotsPerMm - wDev) / 2;
  const double top = (pageMm.height() * dotsPerMm - hDev) / 2;
  const Placement at{k, left - frame.minX * k, top + frame.maxY * k};

  p.save();
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setBrush(Qt::NoBrush);
  for (const FrameLine& line : frame.lines) {
    QPen pen(QColor(0, 0, 0), line.widthMm * dotsPerMm, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
    p.setPen(pen);
    QPolygonF poly;
    poly.reserve(static_cast<qsizetype>(line.points.size()));
    for (const TPlanePoint& q : line.points) poly << at(q);
    if (line.closed) {
      p.drawPolygon(poly);
    } else {
      p.drawPolyline(poly);
    }
  }
  p.setPen(QColor(0, 0, 0));
  for (const FrameText& t : frame.texts) {
    // The height of a frame text is that of its capitals and Chinese
    // characters: about three quarters of the font's em.
    QFont font = MapFont(std::max(1, static_cast<int>(std::lround(t.heightMm * dotsPerMm / 0.75))));
    p.setFont(font);
    const QFontMetricsF fm(font);
    const QString text = Q(t.text);
    // The frame is laid out for texts of their layout width
    // (FrameTextWidthMm); a font that writes one wider is narrowed to it.
    const double layout = FrameTextWidthMm(t.text, t.heightMm) * dotsPerMm;
    const double advance = fm.horizontalAdvance(text);
    const double narrow = advance > layout && advance > 0 ? layout / advance : 1;
    const double w = advance * narrow;
    const double cap = t.heightMm * dotsPerMm;
    const QPointF a = at(t.at);
    const double x = t.h == HAlign::Left ? a.x() : t.h == HAlign::Centre ? a.x() - w / 2 : a.x() - w;
    const double baseline = t.v == VAlign::Bottom ? a.y() : t.v == VAlign::Middle ? a.y() + cap / 2 : a.y() + cap;
    if (narrow < 1) {
      p.save();
      p.translate(x, baseline);
      p.scale(narrow, 1);
      p.drawText(QPointF(0, 0), text);
      p.restore();
    } else {
      p.drawText(QPointF(x, baseline), text);
    }
  }
  p.restore();
}

QByteArray RenderFrameSvg(const MapFrame& frame) {
  const FramePaper paper = FramePaperOf(frame);
  // Ten device units to the millimetre; the file's width and height in mm.
  constexpr double kDots = 10;
  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  QSvgGenerator svg;
  svg.setOutputDevice(&buffer);
  svg.setResolution(static_cast<int>(std::lround(kDots * 25.4)));
  svg.setSize(QSize(static_cast<int>(std::lround(paper.mm.width() * kDots)),
                    static_cast<int>(std::lround(paper.mm.height() * kDots))));
  svg.setViewBox(QRectF(0, 0, paper.mm.width() * kDots, paper.mm.height() * kDots));
  svg.setTitle(Q(frame.number));
  svg.setDescription(QStringLiteral("Karvento map frame"));
  QPainter p;
  if (!p.begin(&svg)) throw Error("cannot draw the SVG frame");
  PaintFrame(p, frame, paper.mm, kDots);
  p.end();
  return bytes;
}

// The PDF writer's device: bytes to the caller's write, whose error is kept
// for the caller's thread (it must not cross Qt's code).
class FramePdf::Device : public QIODevice {
 public:
  explicit Device(Write write) : write_(std::move(write)) { open(QIODevice::WriteOnly); }
  void Rethrow() const {
    if (error_) std::rethrow_exception(error_);
  }

 protected:
  qint64 readData(char*, qint64) override { return -1; }
  qint64 writeData(const char* data, qint64 len) override {
    if (error_) return -1;
    try {
      write_(std::string_view(data, static_cast<std::size_t>(len)));
    } catch (...) {
      error_ = std::current_exception();
      return -1;
    }
    return len;
  }

 private:
  Write write_;
  std::exception_ptr error_;
};

FramePdf::FramePdf(Write write)
    : device_(std::make_unique<Device>(std::move(write))),
      writer_(std::make_unique<QPdfWriter>(device_.get())) {
  writer_->setResolution(1200);
  writer_->setCreator(QStringLiteral("Karvento"));
  writer_->setPageMargins(QMarginsF(0, 0, 0, 0));
}

FramePdf::~FramePdf() {
  if (painter_ && painter_->isActive()) painter_->end();
  painter_.reset();
  writer_.reset();
}

void FramePdf::Add(const MapFrame& frame) {
  const FramePaper paper = FramePaperOf(frame);
  writer_->setPageSize(QPageSize(paper.mm, QPageSize::Millimeter, QString(), QPageSize::ExactMatch));
  writer_->setPageMargins(QMarginsF(0, 0, 0, 0));
  if (!painter_) {
    writer_->setTitle(Q(frame.number));
    painter_ = std::make_unique<QPainter>();
    if (!painter_->begin(writer_.get())) throw Error("cannot draw the PDF frame");
  } else if (!writer_->newPage()) {
    throw Error("cannot add a page to the PDF frame");
  }
  PaintFrame(*painter_, frame, paper.mm, kDotsPerMm);
  device_->Rethrow();
}

void FramePdf::Finish() {
  if (!painter_) throw Error("a PDF of frames needs one frame at least");
  const bool ended = painter_->end();
  device_->Rethrow();
  if (!ended) throw Error("cannot finish the PDF frame");
}

}  // namespace karvento::map
