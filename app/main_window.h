// SPDX-License-Identifier: Apache-2.0
// The Karvento main window: the widgets of the workbench model
// TfrmCreateMapUnRg, each named after its control. The window holds no logic
// and no value of its own: edits go into the model's fields, buttons, menu
// items, options, double-clicks and the tab change run the model's commands,
// and after each of them every widget shows the model again (captions,
// values, enabled and visible state). The sheet lists follow the model's
// lists through their change notices.
#pragma once

#include <QFontMetrics>
#include <QWidget>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

#include "app/qt_user_interface.h"
#include "workbench/create_map_un_rg.h"

class QAction;
class QGroupBox;
class QHBoxLayout;
class QKeyEvent;
class QLabel;
class QMenu;
class QPushButton;
class QTabWidget;

namespace karvento::app {

class MapWindow;
class SheetListView;
class SpinEdit;

// What the count line of a sheet list shows for count sheets listed and
// checked checked, in a label of the given width: "共 N 幅，已选 M 幅" with
// the digits grouped, or a shorter wording where that does not fit.
QString CountLabelText(const QFontMetrics& metrics, int width, std::uint64_t count,
                       std::uint64_t checked);

class MainWindow : public QWidget {
  Q_OBJECT
 public:
  // The window talks to the user through ui; without one, through its own
  // Qt dialogs.
  explicit MainWindow(std::unique_ptr<QtUserInterface> ui = nullptr);
  ~MainWindow() override;

  TfrmCreateMapUnRg& Model() { return *model_; }
  QtUserInterface& Ui() { return *ui_; }

  // The widget or menu item of a control of the model, by the control's name.
  QWidget* ControlWidget(std::string_view name) const;
  QAction* ControlAction(std::string_view name) const;
  SheetListView* ListView(std::string_view name) const;
  QTabWidget* Tabs() const { return tabs_; }
  // The model's tabs in the order the tab bar shows them: the CGCS2000 tab
  // after the two legacy geodetic tabs.
  static constexpr int kShownTabs[6] = {kTabBeijing54, kTabXian80, kTabCgcs2000,
                                        kTabCustom,    kTabConvert, kTabAbout};
  // The tab bar position of a tab of the model, and the reverse.
  static int WidgetIndexOf(int tab);
  static int TabAt(int widgetIndex);
  QMenu* ExportMenu() const { return exportMenu_; }
  QMenu* CornerMenu() const { return cornerMenu_; }
  // The context menu of a corner's degree field: the text line's standard
  // entries, then the coordinate tools; the caller deletes it.
  QMenu* CreateCornerMenu(SpinEdit& field);
  QMenu* ListMenu() const { return listMenu_; }
  // The count beside a sheet list, by the list's name, and the status line.
  QLabel* CountLabel(std::string_view listName) const;
  QLabel* StatusLabel() const { return status_; }

  // Shows every control's value, caption and state from the model.
  void Refresh();
  // Runs a command of the model by the name of the control that triggers it,
  // after the focused field's typed text has been applied, and then shows
  // the model again.
  void RunCommand(std::string_view controlName);

  // Centres the window on its screen.
  void Centre();
  // Gives the window its first size: 614 × 418, or less where the screen is
  // smaller (a laptop at a scale of 2).
  void FitToScreen();

  // Opens (or raises) the map window of a sheet list: each time it opens, on
  // this window's screen, beside it where there is room (MapWindowPosition).
  MapWindow* OpenMapWindow(std::string_view listName);

 protected:
  // Enter in a parameter field runs the tab's Generate or Convert.
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void BuildGeodeticTab(QWidget* page, GeodeticTab& tab);
  void BuildCustomTab(QWidget* page);
  void BuildConvertTab(QWidget* page);
  void BuildAboutTab(QWidget* page);
  void BuildBottomRow();
  void BuildMenus();

  // Widgets of each kind of control, registered with their refresh.
  SpinEdit* AddSpin(QWidget* parent, SpinField& field, int x, int y, int w);
  QWidget* AddNumber(QWidget* parent, NumberField& field, int x, int y, int w);
  QWidget* AddPick(QWidget* parent, PickList& field, int x, int y, int w);
  QWidget* AddRadio(QWidget* parent, RadioButton& option, int x, int y, int w);
  QWidget* AddText(QWidget* parent, TextField& field, int x, int y, int w);
  QPushButton* AddButton(QWidget* parent, Button& button, int x, int y, int w);
  // A sheet list under its caption, with its toolbar buttons above it; the
  // group, for the tab's layout.
  QGroupBox* AddSheetList(QWidget* parent, const char* caption, SheetList& list,
                          const std::vector<int>& toolbarButtons);
  QAction* AddAction(QMenu* menu, Button& item);

  void Register(const Control& control, QWidget* widget, std::function<void()> refresh);
  void CommitFocusedEdit();
  void ShowCornerMenu(SpinEdit& field, const QPoint& globalPos);
  void ShowListMenu(SheetListView& view, const QPoint& globalPos);
  void BuildKeys();
  void ShowStatus();

  std::unique_ptr<QtUserInterface> ui_;
  std::unique_ptr<TfrmCreateMapUnRg> model_;
  QTabWidget* tabs_ = nullptr;
  QMenu* exportMenu_ = nullptr;
  QMenu* cornerMenu_ = nullptr;
  QMenu* listMenu_ = nullptr;
  QLabel* status_ = nullptr;
  std::unordered_map<std::string, QLabel*> counts_;
  std::unordered_map<std::string, int> toolbarEnds_;  // by list name: x after its tools
  // The last text typed into a field was refused: Enter then runs nothing.
  bool entryRefused_ = false;
  std::unordered_map<std::string, QWidget*> widgets_;
  std::unordered_map<std::string, QAction*> actions_;
  std::vector<std::function<void()>> refreshers_;
  bool refreshing_ = false;
  std::unordered_map<std::string, MapWindow*> mapWindows_;  // by list name
  std::unordered_map<std::string, QString> listCaptions_;   // by list name
};

}  // namespace karvento::app
