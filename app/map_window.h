// SPDX-License-Identifier: Apache-2.0
// The map window (图幅示意图): a resizable window beside the main window that
// shows one sheet list of the workbench as an index map. It is another view
// of the list's Qt model: the frames come from the records the list holds,
// the check marks and the current row are the list's own, and a click on
// the map sets them in the list, which tells every view of it. Drawing,
// hit-testing and the zoom arithmetic are the map module's.
#pragma once

#include <QWidget>
#include <functional>
#include <memory>
#include <vector>

#include "map/index_map.h"
#include "workbench/sheet_list.h"

class QLabel;
class QPushButton;

namespace karvento::app {

class SheetListModel;

// The frames of a list's records; numbers and check marks read from the
// list at each repaint.
map::MapSheets SheetsOfList(const SheetList& list);

// How much one notch of the wheel zooms: from all of China to a single
// 1:1万 sheet in about ten notches.
inline constexpr double kWheelZoomPerNotch = 1.7;

// Where the map window goes, in the screen's available area: beside the
// main window's frame on the right where it fits, else on the left, else
// over the main window; always with its top-left corner on the screen.
QPoint MapWindowPosition(const QRect& available, const QRect& mainFrame, const QSize& size);

// The map itself: wheel zooms around the cursor, a drag pans, a click makes
// the sheet under the cursor the list's current one, Ctrl+click checks or
// unchecks it, a double-click zooms to the sheet under the cursor. The
// graticule's labels stand in bands above and left of the map; an empty
// map of degrees shows China.
class MapCanvas : public QWidget {
  Q_OBJECT
 public:
  MapCanvas(SheetList& list, QWidget* parent);

  const map::IndexMapModel& Model() const { return *model_; }
  const map::MapView& View() const { return view_; }
  const map::PaintStats& LastPaint() const { return lastPaint_; }
  double LastPaintMs() const { return lastPaintMs_; }

  // Shows every sheet ("全图").
  void FitAll();
  // Reads the list again after rows were added or removed; the view stays
  // where it is unless the sheets now reach beyond what the map held.
  void Reload();
  // The list's current row changed: outline it, and centre it unless the
  // click that chose it was on the map.
  void ShowCurrent(int row);
  // Where the area of interest of the list's tab comes from (rings in
  // degrees), read at every reload; the map shows it as a dashed outline.
  using OutlineSource = std::function<std::vector<std::vector<QPointF>>()>;
  void SetOutlineSource(OutlineSource source);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void resizeEvent(QResizeEvent* event) override;
  void wheelEvent(QWheelEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseDoubleClickEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  map::MapSheets Sheets() const;
  // The widget less the bands of the graticule's labels.
  QRectF MapArea() const;

  SheetList& list_;
  OutlineSource outline_;
  std::unique_ptr<map::IndexMapModel> model_;
  map::MapView view_;
  bool moved_ = false;  // zoomed, panned or centred since the last FitAll
  bool choosing_ = false;  // the map itself is making a row current
  bool dragging_ = false;
  QPoint pressAt_, lastAt_;
  map::PaintStats lastPaint_;
  double lastPaintMs_ = 0;
};

class MapWindow : public QWidget {
  Q_OBJECT
 public:
  // Shows the list of model, named caption in the window title.
  MapWindow(SheetListModel& model, const QString& caption, QWidget* parent);

  MapCanvas* Canvas() const { return canvas_; }
  QPushButton* FitButton() const { return fit_; }

 private:
  void ShowCount();

  SheetListModel& listModel_;
  MapCanvas* canvas_;
  QPushButton* fit_;
  QLabel* count_;
};

}  // namespace karvento::app
