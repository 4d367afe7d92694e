// SPDX-License-Identifier: Apache-2.0
#include "app/map_window.h"

#include <QElapsedTimer>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QVBoxLayout>
#include <QWheelEvent>
#include <QScreen>
#include <algorithm>
#include <cmath>

#include "app/sheet_list_view.h"
#include "app/style.h"

namespace karvento::app {

map::MapSheets SheetsOfList(const SheetList& list) {
  map::MapSheets sheets;
  const bool standard = list.Kind() == RecordKind::Standard;
  sheets.units = standard ? map::Units::Degrees : map::Units::Plane;
  sheets.frames.reserve(list.Count());
  for (std::size_t i = 0; i < list.Count(); ++i) {
    sheets.frames.push_back(standard ? map::FrameOf(list.StandardRecord(i))
                                     : map::FrameOf(list.CustomRecord(i)));
  }
  sheets.label = [&list](std::size_t i) -> std::string_view { return list.Text(i); };
  sheets.checked = [&list](std::size_t i) { return list.Checked(i); };
  sheets.current = list.ItemIndex();
  return sheets;
}

namespace {

// A press that moves no further than this is a click, not a drag.
constexpr int kClickSlopPx = 4;

// What an empty map of degrees shows: China, where sheets are numbered.
constexpr map::Frame kChina{73, 18, 135, 54};

bool Within(const map::Frame& inner, const map::Frame& outer) {
  return inner.minX >= outer.minX && inner.minY >= outer.minY && inner.maxX <= outer.maxX &&
         inner.maxY <= outer.maxY;
}

}  // namespace

MapCanvas::MapCanvas(SheetList& list, QWidget* parent)
    : QWidget(parent), list_(list), model_(std::make_unique<map::IndexMapModel>(SheetsOfList(list))) {
  setObjectName(QStringLiteral("MapCanvas"));
  setAttribute(Qt::WA_OpaquePaintEvent);
  setMouseTracking(false);
  setMinimumSize(160, 120);
  view_.SetAspect(model_->Aspect());
}

map::MapSheets MapCanvas::Sheets() const {
  map::MapSheets sheets = SheetsOfList(list_);
  if (outline_) sheets.outline = outline_();
  return sheets;
}

void MapCanvas::SetOutlineSource(OutlineSource source) {
  outline_ = std::move(source);
  Reload();
}

QRectF MapCanvas::MapArea() const {
  return QRectF(rect()) - map::GridLabelMargins();
}

void MapCanvas::FitAll() {
  view_.SetViewport(MapArea());
  const bool emptyDegrees = model_->Count() == 0 && model_->Sheets().outline.empty() &&
                            model_->Sheets().units == map::Units::Degrees;
  view_.Fit(emptyDegrees ? kChina : model_->Bounds());
  moved_ = false;
  update();
}

void MapCanvas::Reload() {
  const map::Frame before = model_->Bounds();
  const bool wasEmpty = model_->Count() == 0;
  model_ = std::make_unique<map::IndexMapModel>(Sheets());
  view_.SetAspect(model_->Aspect());
  if (wasEmpty || !Within(model_->Bounds(), before)) {
    FitAll();
  } else {
    update();
  }
}

void MapCanvas::ShowCurrent(int row) {
  model_->SetCurrent(row);
  if (row >= 0 && static_cast<std::size_t>(row) < model_->Count() && !choosing_) {
    const map::Frame& f = model_->Sheets().frames[static_cast<std::size_t>(row)];
    view_.CentreOn(QPointF((f.minX + f.maxX) / 2, (f.minY + f.maxY) / 2));
    moved_ = true;
  }
  update();
}

void MapCanvas::paintEvent(QPaintEvent*) {
  QElapsedTimer timer;
  timer.start();
  QPainter painter(this);
  // The graticule's labels stand in the bands above and left of the map.
  painter.fillRect(rect(), QColor::fromRgb(map::colors::kBackground));
  view_.SetViewport(MapArea());
  map::MapDecor decor;
  decor.gridLabelsOutside = true;
  lastPaint_ = map::PaintIndexMap(painter, view_, *model_, decor);
  lastPaintMs_ = static_cast<double>(timer.nsecsElapsed()) / 1e6;
}

void MapCanvas::resizeEvent(QResizeEvent*) {
  view_.SetViewport(MapArea());
  // A map nobody has zoomed or panned yet stays fitted as its size changes.
  if (!moved_) FitAll();
}

void MapCanvas::wheelEvent(QWheelEvent* event) {
  // One notch is 120 eighths of a degree.
  const double factor = std::pow(kWheelZoomPerNotch, event->angleDelta().y() / 120.0);
  view_.ZoomAt(event->position(), factor);
  moved_ = true;
  update();
  event->accept();
}

void MapCanvas::mouseDoubleClickEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPointF world = view_.ToWorld(event->position());
  const std::ptrdiff_t i = model_->At(world.x(), world.y());
  if (i < 0) return;
  // The sheet fills the map, its number readable.
  view_.Fit(model_->Sheets().frames[static_cast<std::size_t>(i)]);
  moved_ = true;
  update();
  event->accept();
}

void MapCanvas::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  pressAt_ = lastAt_ = event->position().toPoint();
  dragging_ = false;
}

void MapCanvas::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) return;
  const QPoint at = event->position().toPoint();
  if (!dragging_ && (at - pressAt_).manhattanLength() <= kClickSlopPx) return;
  dragging_ = true;
  view_.Pan(QPointF(at - lastAt_));
  moved_ = true;
  lastAt_ = at;
  update();
}

void MapCanvas::mouseReleaseEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  if (dragging_) {
    dragging_ = false;
    return;
  }
  const QPointF world = view_.ToWorld(event->position());
  const std::ptrdiff_t i = model_->At(world.x(), world.y());
  if (i < 0) return;
  const auto row = static_cast<std::size_t>(i);
  // The list tells its views, this map among them, through its notices.
  if (event->modifiers() & Qt::ControlModifier) {
    list_.SetChecked(row, !list_.Checked(row));
  } else {
    choosing_ = true;
    list_.SetItemIndex(static_cast<int>(i));
    choosing_ = false;
  }
}

MapWindow::MapWindow(SheetListModel& model, const QString& caption, QWidget* parent)
    : QWidget(parent, Qt::Window), listModel_(model) {
  setObjectName(QStringLiteral("MapWindow_") + Q(model.List().Name()));
  setWindowTitle(QStringLiteral("图幅示意图 - ") + caption);
  setFont(WindowFont());
  auto* layout = new QVBoxLayout(this);
  layout->setContentsMargins(4, 4, 4, 4);
  layout->setSpacing(4);
  auto* bar = new QHBoxLayout;
  fit_ = new QPushButton(QStringLiteral("全图"), this);
  fit_->setObjectName(QStringLiteral("MapFitButton"));
  count_ = new QLabel(this);
  bar->addWidget(fit_);
  bar->addWidget(count_);
  bar->addStretch(1);
  layout->addLayout(bar);
  canvas_ = new MapCanvas(model.List(), this);
  layout->addWidget(canvas_, 1);
  resize(760, 560);

  connect(fit_, &QPushButton::clicked, canvas_, &MapCanvas::FitAll);
  const auto reload = [this] {
    canvas_->Reload();
    ShowCount();
  };
  connect(&model, &QAbstractItemModel::modelReset, this, reload);
  connect(&model, &QAbstractItemModel::rowsInserted, this, reload);
  connect(&model, &QAbstractItemModel::dataChanged, canvas_, qOverload<>(&QWidget::update));
  connect(&model, &SheetListModel::CurrentRowChanged, canvas_, &MapCanvas::ShowCurrent);
  ShowCount();
}

QPoint MapWindowPosition(const QRect& available, const QRect& mainFrame, const QSize& size) {
  constexpr int kGap = 8;
  const auto clampTo = [](int v, int lo, int hi) { return std::max(lo, std::min(v, hi)); };
  const int maxX = available.right() + 1 - size.width();
  const int maxY = available.bottom() + 1 - size.height();
  const int y = clampTo(mainFrame.top(), available.top(), maxY);
  int x = mainFrame.right() + 1 + kGap;  // beside it, on the right
  if (x > maxX) {
    x = mainFrame.left() - kGap - size.width();  // on the left
    if (x < available.left()) x = clampTo(mainFrame.left(), available.left(), maxX);  // over it
  }
  // A window larger than the screen keeps its top-left corner (and its
  // title bar) on the screen.
  return {std::max(x, available.left()), std::max(y, available.top())};
}

void MapWindow::ShowCount() {
  count_->setText(QStringLiteral("%1 幅").arg(static_cast<qulonglong>(listModel_.List().Count())));
}

}  // namespace karvento::app
