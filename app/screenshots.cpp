// SPDX-License-Identifier: Apache-2.0
// Renders the main window on each tab, its two menus and the three dialogs
// to PNG files, for the documentation: karvento-screenshots DIRECTORY.
// Runs on any Qt platform; `make screenshots` uses the offscreen one.
#include <QApplication>
#include <QDir>
#include <QFile>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextStream>
#include <algorithm>
#include <cstdio>
#include <memory>
#include <string>

#include "app/dialogs.h"
#include "app/fields.h"
#include "app/main_window.h"
#include "app/map_window.h"
#include "app/sheet_list_view.h"
#include "app/style.h"
#include "numbering/unMapUnRgPub.h"

using namespace karvento;
using namespace karvento::app;

namespace {

QDir outDir;
int failures = 0;

void Save(const QPixmap& pixmap, const char* name) {
  const QString path = outDir.filePath(QString::fromLatin1(name));
  if (!pixmap.save(path, "PNG")) {
    std::fprintf(stderr, "karvento-screenshots: cannot write %s\n", path.toLocal8Bit().constData());
    ++failures;
    return;
  }
  std::printf("%s\n", path.toLocal8Bit().constData());
}

void Settle() {
  for (int i = 0; i < 5; ++i) QApplication::processEvents();
}

void SetCorner(TfrmCreateMapUnRg& m, int tab, double lonD, double lonM, double latD, double latM,
               bool upperRight) {
  m.GeodeticTabOf(tab)->SetCorner(upperRight ? GeodeticTab::kUpperRight : GeodeticTab::kLowerLeft,
                                  {{lonD, lonM, 0}, {latD, latM, 0}});
}

// The window with a menu dropped below the point `at` (window coordinates)
// and, optionally, its submenu to its right at the height of `item`.
QPixmap WithMenus(MainWindow& window, QMenu& menu, QPoint at, QAction* item, QMenu* submenu) {
  const QPixmap base = window.grab();
  menu.popup(window.mapToGlobal(at));
  if (item != nullptr) menu.setActiveAction(item);
  Settle();
  const QPixmap menuPixmap = menu.grab();
  QPixmap subPixmap;
  QPoint subAt;
  if (submenu != nullptr && item != nullptr) {
    subAt = at + QPoint(menuPixmap.width() - 2, menu.actionGeometry(item).top());
    submenu->popup(window.mapToGlobal(subAt));
    Settle();
    subPixmap = submenu->grab();
    submenu->hide();
  }
  menu.hide();
  const int width = std::max({base.width(), at.x() + menuPixmap.width(), subAt.x() + subPixmap.width()});
  const int height = std::max({base.height(), at.y() + menuPixmap.height(), subAt.y() + subPixmap.height()});
  QPixmap canvas(width, height);
  canvas.fill(window.palette().color(QPalette::Window).darker(115));
  QPainter p(&canvas);
  p.drawPixmap(0, 0, base);
  p.drawPixmap(at, menuPixmap);
  if (!subPixmap.isNull()) p.drawPixmap(subAt, subPixmap);
  return canvas;
}

template <class Dialog, class Model>
void DialogShot(Model& model, QWidget* parent, const char* name) {
  Dialog dialog(model, parent);
  dialog.show();
  Settle();
  Save(dialog.grab(), name);
  dialog.hide();
}

// The map window (图幅示意图) of a list, opened from its toolbar button; with
// beside, the main window and the map window side by side, as the map window
// opens beside it on a wide screen.
void MapShot(MainWindow& window, const char* list, const char* name, bool beside = false) {
  MapWindow* map = window.OpenMapWindow(list);
  if (map == nullptr) {
    std::fprintf(stderr, "karvento-screenshots: no map window for %s\n", list);
    ++failures;
    return;
  }
  map->resize(760, 560);
  map->Canvas()->FitAll();
  Settle();
  const QPixmap mapPixmap = map->grab();
  if (beside) {
    const QPixmap main = window.grab();
    const QRect screen(0, 0, 1920, 1080);
    const QPoint at = MapWindowPosition(screen, QRect(QPoint(0, 0), main.size()), mapPixmap.size());
    QPixmap both(std::max(main.width(), at.x() + mapPixmap.width()),
                 std::max(main.height(), at.y() + mapPixmap.height()));
    both.fill(window.palette().color(QPalette::Window).darker(115));
    QPainter p(&both);
    p.drawPixmap(0, 0, main);
    p.drawPixmap(at, mapPixmap);
    p.end();
    Save(both, name);
  } else {
    Save(mapPixmap, name);
  }
  map->hide();
  window.activateWindow();
  Settle();
}

}  // namespace

int main(int argc, char** argv) {
  QApplication app(argc, argv);
  InstallWindowFont();
  InstallToolkitTranslations();
  if (argc != 2) {
    std::fprintf(stderr, "usage: karvento-screenshots DIRECTORY\n"
                         "example: QT_QPA_PLATFORM=offscreen karvento-screenshots docs/screenshots\n");
    return 2;
  }
  outDir = QDir(QString::fromLocal8Bit(argv[1]));
  if (!outDir.mkpath(QStringLiteral("."))) {
    std::fprintf(stderr, "karvento-screenshots: cannot create %s\n", argv[1]);
    return 1;
  }

  MainWindow window;
  TfrmCreateMapUnRg& m = window.Model();
  window.show();
  window.activateWindow();
  Settle();

  // "北京54坐标系": the 1:1万 sheets of a corner of Beijing, new standard.
  SetCorner(m, kTabBeijing54, 116, 20, 39, 50, false);
  SetCorner(m, kTabBeijing54, 116, 30, 40, 0, true);
  m.RzSpinEdit13.SetValue(117);
  window.Refresh();
  window.RunCommand("RzBitBtn1");
  SheetListView* list1 = window.ListView("RzCheckList1");
  list1->setFocus();
  list1->setCurrentIndex(list1->model()->index(2, 0));
  list1->model()->setData(list1->model()->index(4, 0), Qt::Checked, Qt::CheckStateRole);
  Settle();
  Save(window.grab(), "main-beijing54.png");
  MapShot(window, "RzCheckList1", "map-window.png");
  MapShot(window, "RzCheckList1", "main-and-map.png", /*beside=*/true);

  // The coordinate tools on the lower-left longitude degrees.
  QWidget* corner = window.ControlWidget("RzSpinEdit1");
  {
    std::unique_ptr<QMenu> menu(window.CreateCornerMenu(*qobject_cast<SpinEdit*>(corner)));
    Save(WithMenus(window, *menu, corner->mapTo(&window, QPoint(20, corner->height())), nullptr, nullptr),
         "menu-coordinate-tools.png");
  }

  // "西安80坐标系" with its start-up values.
  window.Tabs()->setCurrentIndex(MainWindow::WidgetIndexOf(kTabXian80));
  Settle();
  Save(window.grab(), "main-xian80.png");

  // "2000国家坐标系": the same corner of Beijing on CGCS2000, 3-degree zones.
  window.Tabs()->setCurrentIndex(MainWindow::WidgetIndexOf(kTabCgcs2000));
  SetCorner(m, kTabCgcs2000, 116, 20, 39, 50, false);
  SetCorner(m, kTabCgcs2000, 116, 30, 40, 0, true);
  m.Cgcs2000Tab().Meridian.SetValue(117);
  window.Refresh();
  window.RunCommand("RzBitBtn1");
  SheetListView* list6 = window.ListView(m.Cgcs2000Tab().List.Name());
  list6->setFocus();
  list6->setCurrentIndex(list6->model()->index(1, 0));
  Settle();
  Save(window.grab(), "main-cgcs2000.png");

  // The same tab with an area of interest: a county-like outline read from
  // a GeoJSON file, its 1:1万 sheets, and the map with the outline.
  {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("县界.geojson"));
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
      out.write(R"({"type":"FeatureCollection","features":[{"type":"Feature","properties":{},)"
                R"("geometry":{"type":"Polygon","coordinates":[[[116.30,39.80],[116.62,39.80],)"
                R"([116.62,39.93],[116.45,39.93],[116.45,40.10],[116.30,40.10],[116.30,39.80]]]}}]})");
      out.close();
    }
    m.UseAreaFile(m.Cgcs2000Tab(), file.toStdString());
    window.Refresh();
    window.RunCommand("RzBitBtn1");
    Settle();
    Save(window.grab(), "main-area.png");
    MapShot(window, m.Cgcs2000Tab().List.Name().c_str(), "map-window-area.png");
  }

  // "独立坐标系": a 2 km × 1.5 km extent in 500 m sheets.
  window.Tabs()->setCurrentIndex(MainWindow::WidgetIndexOf(kTabCustom));
  m.RzNumericEdit5.SetValue(0);
  m.RzNumericEdit6.SetValue(0);
  m.RzNumericEdit7.SetValue(2000);
  m.RzNumericEdit8.SetValue(1500);
  m.RzSpinEdit28.SetValue(500);
  m.RzSpinEdit29.SetValue(500);
  m.RzSpinEdit30.SetValue(1);
  m.RzSpinEdit31.SetValue(1);
  m.RzSpinEdit27.SetValue(500);
  window.Refresh();
  window.RunCommand("RzBitBtn1");
  Settle();
  Save(window.grab(), "main-independent.png");
  MapShot(window, "RzCheckList3", "map-window-independent.png");

  // "图幅号转换": the 1:10万 sheets of J-50 and five of J-51 converted to
  // 1:1万, a long list with its counts.
  window.Tabs()->setCurrentIndex(MainWindow::WidgetIndexOf(kTabConvert));
  for (int i = 1; i <= 144; ++i) m.AddTypedNumber("J-50-" + std::to_string(i));
  for (int i = 1; i <= 5; ++i) m.AddTypedNumber("J-51-" + std::to_string(i));
  m.RzComboBox5.SetItemIndex(6);
  window.Refresh();
  window.RunCommand("RzBitBtn1");
  SheetListView* list5 = window.ListView("RzCheckList5");
  list5->setFocus();
  list5->setCurrentIndex(list5->model()->index(3, 0));
  for (int row : {0, 1, 2, 3}) list5->model()->setData(list5->model()->index(row, 0), Qt::Checked, Qt::CheckStateRole);
  Settle();
  Save(window.grab(), "main-conversion.png");

  // The export menu, on "北京54坐标系", with "导出MIF文件" open.
  window.Tabs()->setCurrentIndex(MainWindow::WidgetIndexOf(kTabBeijing54));
  Settle();
  QWidget* exportButton = window.ControlWidget("RzMenuButton1");
  QMenu* menu = window.ExportMenu();
  QAction* mif = menu->actions().value(0);
  Save(WithMenus(window, *menu, exportButton->geometry().bottomLeft() + QPoint(0, 1), mif,
                 mif != nullptr ? mif->menu() : nullptr),
       "menu-export.png");

  // The dialogs.
  TfrmTFInformation information;
  information.Fill(m.RzCheckList1.StandardRecord(2));
  DialogShot<InformationDialog>(information, &window, "dialog-information.png");
  {
    InformationDialog dialog(information, &window);
    dialog.Tabs()->setCurrentIndex(1);
    dialog.show();
    Settle();
    Save(dialog.grab(), "dialog-information-plane.png");
  }
  {
    // A CGCS2000 sheet's scale factor and convergence, on the third tab.
    TfrmTFInformation sheet2000;
    sheet2000.Fill(m.Cgcs2000Tab().List.StandardRecord(1));
    sheet2000.FillScaleConvergence2000(m.Cgcs2000Tab().List.StandardRecord(1), true, 117);
    InformationDialog dialog(sheet2000, &window);
    dialog.Tabs()->setCurrentIndex(2);
    dialog.show();
    Settle();
    Save(dialog.grab(), "dialog-information-cgcs2000.png");
  }
  {
    // The 接合图表 of a Beijing 1954 sheet.
    TfrmTFInformation sheet;
    sheet.Fill(m.RzCheckList1.StandardRecord(2));
    sheet.ShowsNeighbours =
        NeighboursOfSheet(m.RzCheckList1.StandardRecord(2), true, Datum::Beijing54, 117, sheet.Neighbours);
    InformationDialog dialog(sheet, &window);
    dialog.Tabs()->setCurrentIndex(2);
    dialog.NeighbourButtons()[5]->click();
    dialog.show();
    Settle();
    Save(dialog.grab(), "dialog-information-neighbours.png");
  }
  TfrmInputPoint point;
  point.Caption = "输入";
  point.RzLabel1.Caption = "经度";
  point.RzLabel2.Caption = "纬度";
  point.RzNumericEdit1.SetValue(116.5);
  point.RzNumericEdit2.SetValue(39.75);
  DialogShot<InputPointDialog>(point, &window, "dialog-input-point.png");
  TfrmInputString text;
  text.Caption = "查找";
  text.RzLabel1.Caption = "请输入图幅号";
  text.RzEdit1.SetText("J50G003040");
  DialogShot<InputStringDialog>(text, &window, "dialog-input-string.png");

  return failures == 0 ? 0 : 1;
}
