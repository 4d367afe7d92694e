// SPDX-License-Identifier: Apache-2.0
// The index-map painter and its files.
#include <QBuffer>
#include <QFontDatabase>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QImage>
#include <QPageSize>
#include <QPainter>
#include <QPainterPath>
#include <QPdfWriter>
#include <QSvgGenerator>
#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <numbers>

#include "map/index_map.h"
#include "numbering/error.h"

namespace karvento::map {
namespace {

QColor Rgb(unsigned rgb, int alpha = 255) {
  return QColor(static_cast<int>((rgb >> 16) & 0xff), static_cast<int>((rgb >> 8) & 0xff),
                static_cast<int>(rgb & 0xff), alpha);
}

// Grid lines stand at least this far apart.
constexpr double kGridSpacingPx = 90;
// Mean radius of the Earth (IUGG), for the scale bar of a degree map: the
// bar is true along the meridian, which is as close as a diagram needs.
constexpr double kEarthRadiusKm = 6371.0088;

// The graticule's steps in seconds of arc, each a whole number of the one
// below it so that labels stay round.
constexpr double kDegreeSteps[] = {1,    2,    5,    10,    15,    30,    60,    120,    300,    600,
                                   900,  1200, 1800, 3600,  7200,  10800, 18000, 36000,  54000, 108000};

double DegreeStep(double pxPerDegree) {
  for (double s : kDegreeSteps) {
    if (s / 3600 * pxPerDegree >= kGridSpacingPx) return s / 3600;
  }
  return kDegreeSteps[std::size(kDegreeSteps) - 1] / 3600;
}

// 1, 2 or 5 times a power of ten, the smallest at least `least`.
double NiceStep(double least) {
  if (!(least > 0) || !std::isfinite(least)) return 1;
  double p = std::pow(10.0, std::floor(std::log10(least)));
  for (;;) {
    for (double m : {1.0, 2.0, 5.0}) {
      if (m * p >= least * (1 - 1e-12)) return m * p;
    }
    p *= 10;
  }
}

// 116°30′E, 39°52′30″N: whole degrees, minutes and seconds of a grid line
// (a multiple of a whole second).
QString DegreeLabel(double degrees, bool longitude) {
  const long long total = std::llround(std::abs(degrees) * 3600);
  const long long d = total / 3600, m = total % 3600 / 60, s = total % 60;
  QString text = QString::number(d) + QChar(0x00B0);
  if (m != 0 || s != 0) text += QStringLiteral("%1").arg(m, 2, 10, QChar('0')) + QChar(0x2032);
  if (s != 0) text += QStringLiteral("%1").arg(s, 2, 10, QChar('0')) + QChar(0x2033);
  if (total != 0) text += longitude ? (degrees < 0 ? QChar('W') : QChar('E')) : (degrees < 0 ? QChar('S') : QChar('N'));
  return text;
}

QString KmLabel(double metres) {
  return QString::number(metres / 1000, 'g', 12) + QStringLiteral(" km");
}

// A grid of vertical and horizontal lines at round values over the visible
// world, with their labels.
struct GridLines {
  std::vector<std::pair<double, QString>> xs, ys;  // device position, label
};

GridLines MakeGrid(const MapView& view, const IndexMapModel& model) {
  GridLines g;
  const Frame v = view.Visible();
  const bool degrees = model.Sheets().units == Units::Degrees;
  const double pxPerX = view.Scale() * model.Aspect(), pxPerY = view.Scale();
  // The same step both ways; chosen for the narrower of the two.
  const double step = degrees ? DegreeStep(std::min(pxPerX, pxPerY))
                              : NiceStep(kGridSpacingPx / std::min(pxPerX, pxPerY));
  const auto lines = [&](double lo, double hi, bool isX, auto& out) {
    // A graticule has no meridian beyond 180° and no parallel beyond the pole.
    if (degrees) {
      const double limit = isX ? 180 : 90;
      lo = std::max(lo, -limit);
      hi = std::min(hi, limit);
    }
    const double first = std::ceil(lo / step);
    const double last = std::floor(hi / step);
    if (!(last - first < 400)) return;  // never more lines than a page holds
    for (double k = first; k <= last; ++k) {
      const double w = k * step;
      const double d = isX ? view.ToDevice(QPointF(w, 0)).x() : view.ToDevice(QPointF(0, w)).y();
      out.emplace_back(d, degrees ? DegreeLabel(w, isX) : KmLabel(w));
    }
  };
  lines(v.minX, v.maxX, true, g.xs);
  lines(v.minY, v.maxY, false, g.ys);
  return g;
}

constexpr int kGridLabelPx = 10;

void DrawGridLabels(QPainter& p, const QRectF& area, const GridLines& g, bool outside,
                    PaintStats& stats) {
  const QFont font = MapFont(kGridLabelPx);
  const QFontMetricsF fm(font);
  p.setFont(font);
  if (outside) p.setClipping(false);
  // The last box drawn on each axis: a label that would cover it is left
  // out (the lines are drawn in order along their axis).
  QRectF last[2];
  const auto label = [&](const QString& text, QRectF box, int axis) {
    if (!last[axis].isNull() && box.intersects(last[axis])) return;
    last[axis] = box;
    p.fillRect(box, Rgb(colors::kBackground, outside ? 255 : 200));
    p.setPen(Rgb(colors::kLabel));
    p.drawText(box, Qt::AlignCenter, text);
    stats.gridLabels.emplace_back(box, text);
  };
  const double h = fm.height();
  for (const auto& [x, text] : g.xs) {
    const double w = fm.horizontalAdvance(text) + 4;
    QRectF box(x - w / 2, outside ? area.top() - h - 1 : area.top() + 1, w, h);
    if (box.left() < area.left()) box.moveLeft(area.left());
    if (box.right() > area.right()) box.moveRight(area.right());
    label(text, box, 0);
  }
  for (const auto& [y, text] : g.ys) {
    const double w = fm.horizontalAdvance(text) + 4;
    if (outside) {
      if (y < area.top() || y > area.bottom()) continue;
      label(text, QRectF(std::max(0.0, area.left() - w - 2), y - h / 2, w, h), 1);
    } else {
      if (y - h / 2 < area.top() + h + 2) continue;  // under the top row of labels
      label(text, QRectF(area.left() + 1, y - h / 2, w, h), 1);
    }
  }
}

// The scale bar: four segments of a round length, alternately dark and
// light, with the length written at its end.
void DrawScaleBar(QPainter& p, const QRectF& band, const MapView& view, const IndexMapModel& model) {
  const bool degrees = model.Sheets().units == Units::Degrees;
  // Metres per device unit along the y axis.
  const double metresPerPx = degrees ? kEarthRadiusKm * 1000 * std::numbers::pi / 180 / view.Scale()
                                     : 1 / view.Scale();
  const double length = NiceStep(metresPerPx * band.width() / 5) / 2;
  const double px = length / metresPerPx;
  if (!(px > 8) || !std::isfinite(px)) return;
  const double x0 = band.left() + 10, y0 = band.top() + band.height() / 2 - 3;
  p.setPen(QPen(Rgb(colors::kLabel), 1));
  for (int k = 0; k < 4; ++k) {
    p.setBrush(k % 2 ? Rgb(colors::kBackground) : Rgb(colors::kLabel));
    p.drawRect(QRectF(x0 + k * px / 4, y0, px / 4, 6));
  }
  const QFont font = MapFont(11);
  p.setFont(font);
  const QString text = length >= 1000 ? QString::number(length / 1000, 'g', 12) + QStringLiteral(" km")
                                      : QString::number(length, 'g', 12) + QStringLiteral(" m");
  p.drawText(QPointF(x0 + px + 6, y0 + 7), text);
}

}  // namespace

QMarginsF GridLabelMargins() {
  const QFontMetricsF fm(MapFont(kGridLabelPx));
  const double widest = std::max(fm.horizontalAdvance(QStringLiteral("88°52′30″N")),
                                 fm.horizontalAdvance(QStringLiteral("4430.5 km")));
  return QMarginsF(widest + 8, fm.height() + 2, 0, 0);
}

QByteArray WithSvgFontFamilies(const QByteArray& svg) {
  // The SVG writer names the one family the painter found here; a viewer on
  // another system may lack it and fall back to a font without Chinese.
  static const QByteArray kAttribute = "font-family=\"";
  QByteArray text;
  text.reserve(svg.size() + svg.size() / 8);
  qsizetype from = 0;
  for (qsizetype at; (at = svg.indexOf(kAttribute, from)) >= 0;) {
    const qsizetype end = svg.indexOf('"', at + kAttribute.size());
    if (end < 0) break;
    text.append(svg.constData() + from, at - from);
    text.append(kAttribute).append(kSvgFontFamilies).append('"');
    from = end + 1;
  }
  text.append(svg.constData() + from, svg.size() - from);
  return text;
}

QFont MapFont(int pixelSize) {
  QFont font;
  font.setFamilies({QStringLiteral("Microsoft YaHei"), QStringLiteral("PingFang SC"),
                    QStringLiteral("Noto Sans CJK SC"), QStringLiteral("WenQuanYi Micro Hei"),
                    QStringLiteral("Droid Sans Fallback"), QStringLiteral("sans-serif")});
  font.setStyleHint(QFont::SansSerif);
  font.setPixelSize(pixelSize);
  return font;
}

PaintStats PaintIndexMap(QPainter& p, const MapView& view, const IndexMapModel& model,
                         const MapDecor& decor) {
  PaintStats stats;
  const QRectF area = view.Viewport();
  p.save();
  if (!decor.title.isEmpty()) {
    QFont font = MapFont(16);
    font.setBold(true);
    p.setFont(font);
    p.setPen(Rgb(colors::kLabel));
    const double h = QFontMetricsF(font).height() * 2;
    p.drawText(QRectF(area.left(), area.top() - h, area.width(), h), Qt::AlignCenter, decor.title);
  }
  if (decor.scaleBar) DrawScaleBar(p, QRectF(area.left(), area.bottom(), area.width(), 30), view, model);

  p.setClipRect(area);
  p.setRenderHint(QPainter::Antialiasing, false);
  p.fillRect(area, Rgb(colors::kBackground));

  const MapSheets& sheets = model.Sheets();
  const Frame visible = view.Visible();
  // The view as one affine map, applied inline to every visited sheet.
  const QPointF o = view.ToDevice(QPointF(0, 0));
  const double kx = view.Scale() * model.Aspect(), ky = view.Scale();

  const int ncx = std::max(1, static_cast<int>(std::ceil(area.width() / kCellPx)));
  const int ncy = std::max(1, static_cast<int>(std::ceil(area.height() / kCellPx)));
  std::vector<std::uint8_t> cells;  // 0 empty, 1 listed, 2 checked
  std::vector<QRectF> plain, checked;
  struct Candidate {
    std::size_t index;
    QRectF rect;
  };
  std::vector<Candidate> labelled;
  const bool hasChecked = static_cast<bool>(sheets.checked);
  constexpr double kLabelMinW = 24, kLabelMinH = 12;

  model.ForEachIn(visible, [&](std::size_t i) {
    ++stats.visited;
    const Frame& f = sheets.frames[i];
    const double l = o.x() + f.minX * kx, r = o.x() + f.maxX * kx;
    const double t = o.y() - f.maxY * ky, b = o.y() - f.minY * ky;
    if (!std::isfinite(r - l) || !std::isfinite(b - t)) return;  // beyond what a device can hold
    const bool isChecked = hasChecked && sheets.checked(i);
    if (r - l < kMinFramePx || b - t < kMinFramePx) {
      if (cells.empty()) cells.assign(static_cast<std::size_t>(ncx) * static_cast<std::size_t>(ncy), 0);
      const int i0 = static_cast<int>(std::clamp((l - area.left()) / kCellPx, 0.0, ncx - 1.0));
      const int i1 = static_cast<int>(std::clamp((r - area.left()) / kCellPx, 0.0, ncx - 1.0));
      const int j0 = static_cast<int>(std::clamp((t - area.top()) / kCellPx, 0.0, ncy - 1.0));
      const int j1 = static_cast<int>(std::clamp((b - area.top()) / kCellPx, 0.0, ncy - 1.0));
      const std::uint8_t state = isChecked ? 2 : 1;
      for (int j = j0; j <= j1; ++j) {
        std::uint8_t* row = cells.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(ncx);
        for (int k = i0; k <= i1; ++k) row[k] = std::max(row[k], state);
      }
      return;
    }
    const QRectF rect(l, t, r - l, b - t);
    (isChecked ? checked : plain).push_back(rect);
    if (sheets.label && rect.width() >= kLabelMinW && rect.height() >= kLabelMinH) {
      labelled.push_back({i, rect});
    }
  });

  // The smaller sheets: each row of cells as runs of one state.
  if (!cells.empty()) {
    p.setPen(Qt::NoPen);
    const QColor fill[3] = {QColor(), Rgb(colors::kCoverage), Rgb(colors::kCheckedFill)};
    for (int j = 0; j < ncy; ++j) {
      const std::uint8_t* row = cells.data() + static_cast<std::size_t>(j) * static_cast<std::size_t>(ncx);
      for (int k = 0; k < ncx;) {
        const std::uint8_t s = row[k];
        int e = k + 1;
        while (e < ncx && row[e] == s) ++e;
        if (s != 0) {
          p.fillRect(QRectF(area.left() + k * kCellPx, area.top() + j * kCellPx, (e - k) * kCellPx, kCellPx),
                     fill[s]);
          ++stats.runs;
        }
        k = e;
      }
    }
  }
  // The frames, unchecked then checked.
  p.setPen(QPen(Rgb(colors::kFrameLine), 1));
  if (!plain.empty()) {
    p.setBrush(Rgb(colors::kFrameFill));
    p.drawRects(plain.data(), static_cast<int>(plain.size()));
  }
  if (!checked.empty()) {
    p.setBrush(Rgb(colors::kCheckedFill));
    p.drawRects(checked.data(), static_cast<int>(checked.size()));
  }
  stats.frames = plain.size() + checked.size();

  // Grid lines over the sheets, light enough to read the sheets through.
  const GridLines grid = MakeGrid(view, model);
  p.setPen(QPen(Rgb(colors::kGrid, 150), 1));
  for (const auto& [x, text] : grid.xs) p.drawLine(QPointF(x, area.top()), QPointF(x, area.bottom()));
  for (const auto& [y, text] : grid.ys) p.drawLine(QPointF(area.left(), y), QPointF(area.right(), y));

  // Numbers: in the larger font where it fits, else in the smaller one.
  if (!labelled.empty()) {
    p.setRenderHint(QPainter::TextAntialiasing, true);
    const QFont fonts[2] = {MapFont(12), MapFont(9)};
    const QFontMetricsF metrics[2] = {QFontMetricsF(fonts[0]), QFontMetricsF(fonts[1])};
    p.setPen(Rgb(colors::kLabel));
    int active = -1;
    for (const Candidate& c : labelled) {
      const std::string_view number = sheets.label(c.index);
      const QString text = QString::fromUtf8(number.data(), static_cast<qsizetype>(number.size()));
      for (int k = 0; k < 2; ++k) {
        const double w = metrics[k].horizontalAdvance(text), h = metrics[k].height();
        if (w + 2 * kLabelMarginPx > c.rect.width() || h + 2 * kLabelMarginPx > c.rect.height()) continue;
        if (active != k) {
          p.setFont(fonts[k]);
          active = k;
        }
        p.drawText(c.rect, Qt::AlignCenter, text);
        ++stats.labels;
        break;
      }
    }
  }

  // The area of interest.
  if (!sheets.outline.empty()) {
    p.setRenderHint(QPainter::Antialiasing, true);
    p.setBrush(Qt::NoBrush);
    p.setPen(QPen(Rgb(colors::kOutline), 2, Qt::DashLine));
    for (const auto& ring : sheets.outline) {
      if (ring.size() < 2) continue;
      QPolygonF polygon;
      polygon.reserve(static_cast<qsizetype>(ring.size()));
      for (const QPointF& w : ring) polygon << view.ToDevice(w);
      p.drawPolygon(polygon);
    }
    p.setRenderHint(QPainter::Antialiasing, false);
  }

  // The current sheet: outlined, and ringed when too small to see.
  if (sheets.current >= 0 && static_cast<std::size_t>(sheets.current) < sheets.frames.size()) {
    const QRectF r = view.ToDevice(sheets.frames[static_cast<std::size_t>(sheets.current)]);
    if (r.intersects(area.adjusted(-20, -20, 20, 20))) {
      p.setBrush(Qt::NoBrush);
      p.setPen(QPen(Rgb(colors::kCurrent), 2));
      p.drawRect(r);
      if (r.width() < 12 || r.height() < 12) {
        p.setRenderHint(QPainter::Antialiasing, true);
        p.drawEllipse(r.center(), 10, 10);
      }
    }
  }

  DrawGridLabels(p, area, grid, decor.gridLabelsOutside, stats);
  p.restore();
  return stats;
}

QByteArray RenderIndexMap(FileFormat format, const QSizeF& size, const IndexMapModel& model,
                          const MapDecor& decor) {
  // The page in device units of 1/96 inch for a PDF, pixels otherwise.
  const double unitsPerMm = 96 / 25.4;
  const QSizeF page = format == FileFormat::Pdf ? size * unitsPerMm : size;
  if (!(page.width() >= 64 && page.height() >= 64)) throw Error("index map page too small");
  const double titleBand = decor.title.isEmpty() ? 10 : 44;
  const double barBand = decor.scaleBar ? 34 : 10;
  MapView view;
  view.SetAspect(model.Aspect());
  view.SetViewport(QRectF(10, titleBand, page.width() - 20, page.height() - titleBand - barBand));
  view.Fit(model.Bounds());

  QByteArray bytes;
  QBuffer buffer(&bytes);
  buffer.open(QIODevice::WriteOnly);
  switch (format) {
    case FileFormat::Svg: {
      QSvgGenerator svg;
      svg.setOutputDevice(&buffer);
      svg.setSize(page.toSize());
      svg.setViewBox(QRectF(QPointF(0, 0), page));
      svg.setTitle(decor.title);
      svg.setDescription(QStringLiteral("Karvento index map"));
      QPainter p;
      if (!p.begin(&svg)) throw Error("cannot draw the SVG index map");
      p.fillRect(QRectF(QPointF(0, 0), page), Rgb(colors::kBackground));
      PaintIndexMap(p, view, model, decor);
      p.end();
      buffer.close();
      bytes = WithSvgFontFamilies(bytes);
      break;
    }
    case FileFormat::Png: {
      QImage image(page.toSize(), QImage::Format_RGB32);
      if (image.isNull()) throw Error("not enough memory for an index map image of this size");
      image.fill(Rgb(colors::kBackground));
      {
        QPainter p(&image);
        PaintIndexMap(p, view, model, decor);
      }
      if (!image.save(&buffer, "PNG")) throw Error("cannot encode the index map as PNG");
      break;
    }
    case FileFormat::Pdf: {
      QPdfWriter pdf(&buffer);
      pdf.setPageSize(QPageSize(size, QPageSize::Millimeter));
      pdf.setPageMargins(QMarginsF(0, 0, 0, 0));
      pdf.setResolution(288);
      pdf.setTitle(decor.title);
      pdf.setCreator(QStringLiteral("Karvento"));
      QPainter p;
      if (!p.begin(&pdf)) throw Error("cannot draw the PDF index map");
      // Draw in units of 1/96 inch, as on the screen.
      p.scale(288.0 / 96, 288.0 / 96);
      PaintIndexMap(p, view, model, decor);
      p.end();
      break;
    }
  }
  return bytes;
}

namespace {

// The toolkit's own notices (QStandardPaths: XDG_RUNTIME_DIR not set, a font
// substituted) mean nothing to a user of the command line; a critical or
// fatal message is a real failure and is shown.
void ToolkitMessage(QtMsgType type, const QMessageLogContext&, const QString& text) {
  if (type != QtCriticalMsg && type != QtFatalMsg) return;
  std::fprintf(stderr, "karvento-cli: %s\n", text.toLocal8Bit().constData());
  if (type == QtFatalMsg) std::abort();
}

}  // namespace

void EnsureGuiApplication() {
  if (QGuiApplication::instance() != nullptr) return;
  qInstallMessageHandler(ToolkitMessage);
  if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) qputenv("QT_QPA_PLATFORM", "offscreen");
  static int argc = 1;
  static char name[] = "karvento";
  static char* argv[] = {name, nullptr};
  static QGuiApplication app(argc, argv);
  // The toolkit takes every category of the user's locale; numbers keep a
  // point before the decimals, as the program had set them.
  std::setlocale(LC_NUMERIC, "C");
}

}  // namespace karvento::map
