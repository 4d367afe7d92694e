// SPDX-License-Identifier: Apache-2.0
// The main window as a model: every parameter of the five working tabs, the
// six sheet lists, the four sheet tables and every command, under the names
// that the desktop front end binds its widgets and handlers to.
//
// A command reads the parameters of the active tab, calls the sheet routines
// and hands the result to a fill (ShowStandardMapUnions,
// ShowCustomMapUnions), which replaces the tab's list and the coordinate
// system's table. Every public command runs through one dispatcher: an error
// raised inside a routine (karvento::Error, or memory running out) ends the
// command and is shown, like the program's own refusals, in an error box
// with the caption "错误", in Chinese words (UserFacingText). The window
// carries on, and since results are assigned only when complete the lists
// and tables keep what they held. The dispatcher clears the status line
// first: a message there belongs to the action that caused it.
//
// The class is defined in rooms: create_map_un_rg.cpp (construction, the
// tabs, the fills, clicks by control name), control_commands.cpp (typing
// into fields, the coordinate tools), tab_commands.cpp (Generate, parameter
// files, the tabs' toolbars), conversion_commands.cpp (the conversion tab),
// list_commands.cpp (the lists), export_commands.cpp and frame_export.cpp
// (the exports, all through RunExport).
#pragma once

#include <array>
#include <cstdint>
#include <functional>
#include <memory>
#include <new>
#include <string>
#include <string_view>
#include <unordered_map>
#include <utility>
#include <vector>

#include "geodesy/transform.h"
#include "gis/gis_export.h"
#include "numbering/error.h"
#include "numbering/sheet_types.h"
#include "workbench/controls.h"
#include "workbench/geodetic_tab.h"
#include "workbench/sheet_list.h"
#include "workbench/sheet_table.h"
#include "workbench/text_files.h"
#include "workbench/user_interface.h"

namespace karvento {

inline constexpr const char* kWindowCaption = "Karvento";
inline constexpr const char* kAboutText = "Karvento  v1.0";
inline constexpr const char* kErrorCaption = "错误";
// XY-->度分秒 of a plane point that no point of the projection's domain
// projects to.
inline constexpr const char* kPlaneOutsideProjection =
    "结果超出了投影的计算范围：该平面坐标不在投影的适用范围内。";
inline constexpr const char* kOutOfMemory = "Out of memory";
inline constexpr const char* kTextFilter = "文本文件（*.txt）|*.txt";
// The polygon files an area of interest is read from (any polygon layer
// GDAL reads; these are the common ones).
inline constexpr const char* kAreaFilter =
    "多边形文件（*.shp;*.gpkg;*.geojson;*.json;*.kml;*.mif;*.tab;*.dxf）|"
    "*.shp;*.gpkg;*.geojson;*.json;*.kml;*.mif;*.tab;*.dxf|所有文件（*）|*";
// The layers 图幅号赋值 reads and writes.
inline constexpr const char* kLayerFilter =
    "矢量图层（*.shp;*.gpkg;*.geojson;*.json;*.csv;*.kml;*.mif;*.tab;*.dxf;*.fgb）|"
    "*.shp;*.gpkg;*.geojson;*.json;*.csv;*.kml;*.mif;*.tab;*.dxf;*.fgb|所有文件（*）|*";
inline constexpr const char* kTagOutputFilter =
    "GeoPackage（*.gpkg）|*.gpkg|Shapefile（*.shp）|*.shp|CSV（*.csv）|*.csv|GeoJSON（*.geojson）|*.geojson|"
    "KML（*.kml）|*.kml|MapInfo 交换格式（*.mif）|*.mif";
inline constexpr const char* kMifFilter = "MapInfo 交换格式（*.mif）|*.mif";
inline constexpr const char* kXlsxFilter = "Microsoft Excel 工作簿（*.xlsx）|*.xlsx";
inline constexpr const char* kGenerateCaption = "生成图幅号";
inline constexpr const char* kConvertCaption = "转换图幅号";
inline constexpr const char* kRowColFormat = "[ROW]+[COL]";
inline constexpr const char* kCoordinateFormat = "[Y]-[X]";

// Tab indices of RzPageControl1.
enum Tab : int {
  kTabBeijing54 = 0,
  kTabXian80 = 1,
  kTabCustom = 2,
  kTabConvert = 3,
  kTabAbout = 4,
  // Shown after kTabXian80.
  kTabCgcs2000 = 5,
};

struct TabSheet {
  std::string Caption;
  bool TabVisible;
};

class TfrmCreateMapUnRg {
 public:
  static constexpr int kClientWidth = 614;
  static constexpr int kClientHeight = 418;

  // Creates the window with its start-up values: tab 0 active, the focus on
  // RzSpinEdit1.
  explicit TfrmCreateMapUnRg(UserInterface& ui);
  TfrmCreateMapUnRg(const TfrmCreateMapUnRg&) = delete;
  TfrmCreateMapUnRg& operator=(const TfrmCreateMapUnRg&) = delete;

  std::string Caption = kWindowCaption;

  // ---- controls, by name -------------------------------------------------
  // A control of the window by its name, or nullptr.
  Control* FindControl(std::string_view name);
  template <class T>
  T* FindControlAs(std::string_view name) {
    return dynamic_cast<T*>(FindControl(name));
  }
  // Every control, in the order of the tabs.
  const std::vector<Control*>& Controls() const { return controls_; }

  // ---- the tabs ------------------------------------------------------------
  std::array<TabSheet, 6> Tabs{{{DatumInfoOf(Datum::Beijing54).caption, true},
                                {DatumInfoOf(Datum::Xian80).caption, true},
                                {"独立坐标系", true},
                                {"图幅号转换", true},
                                {"关于", false},
                                {DatumInfoOf(Datum::Cgcs2000).caption, true}}};
  Label AboutLabel{"RzLabel1", kAboutText};
  int ActiveTab() const { return activeTab_; }
  // Makes a visible tab active and runs RzPageControl1Change; returns false
  // (and changes nothing) for any other index.
  bool SetActiveTab(int index);
  void RzPageControl1Change();

  // The geodetic tabs, one per coordinate system: 0 "北京54坐标系",
  // 1 "西安80坐标系", 5 "2000国家坐标系". Their controls go by the names
  // below as well.
  std::array<GeodeticTab, 3> GeodeticTabs;
  // The geodetic tab of a tab index, or nullptr.
  GeodeticTab* GeodeticTabOf(int tab);
  const GeodeticTab* GeodeticTabOf(int tab) const;
  GeodeticTab& Beijing54Tab() { return GeodeticTabs[0]; }
  GeodeticTab& Xian80Tab() { return GeodeticTabs[1]; }
  GeodeticTab& Cgcs2000Tab() { return GeodeticTabs[2]; }

  // Tab 0, "北京54坐标系".
  SpinField &RzSpinEdit1 = GeodeticTabs[0].Corners[0], &RzSpinEdit2 = GeodeticTabs[0].Corners[1],
            &RzSpinEdit3 = GeodeticTabs[0].Corners[2], &RzSpinEdit4 = GeodeticTabs[0].Corners[3],
            &RzSpinEdit5 = GeodeticTabs[0].Corners[4], &RzSpinEdit6 = GeodeticTabs[0].Corners[5],
            &RzSpinEdit7 = GeodeticTabs[0].Corners[6], &RzSpinEdit8 = GeodeticTabs[0].Corners[7],
            &RzSpinEdit9 = GeodeticTabs[0].Corners[8], &RzSpinEdit10 = GeodeticTabs[0].Corners[9],
            &RzSpinEdit11 = GeodeticTabs[0].Corners[10], &RzSpinEdit12 = GeodeticTabs[0].Corners[11];
  PickList& RzComboBox1 = GeodeticTabs[0].Zone;
  SpinField& RzSpinEdit13 = GeodeticTabs[0].Meridian;
  NumberField &RzNumericEdit1 = GeodeticTabs[0].OffsetX, &RzNumericEdit2 = GeodeticTabs[0].OffsetY;
  RadioButton &RzRadioButton1 = GeodeticTabs[0].NewStandard,
              &RzRadioButton2 = GeodeticTabs[0].OldStandard;
  PickList& RzComboBox2 = GeodeticTabs[0].Scale;
  SheetList& RzCheckList1 = GeodeticTabs[0].List;

  // Tab 1, "西安80坐标系".
  SpinField &RzSpinEdit14 = GeodeticTabs[1].Corners[0], &RzSpinEdit15 = GeodeticTabs[1].Corners[1],
            &RzSpinEdit16 = GeodeticTabs[1].Corners[2], &RzSpinEdit17 = GeodeticTabs[1].Corners[3],
            &RzSpinEdit18 = GeodeticTabs[1].Corners[4], &RzSpinEdit19 = GeodeticTabs[1].Corners[5],
            &RzSpinEdit20 = GeodeticTabs[1].Corners[6], &RzSpinEdit21 = GeodeticTabs[1].Corners[7],
            &RzSpinEdit22 = GeodeticTabs[1].Corners[8], &RzSpinEdit23 = GeodeticTabs[1].Corners[9],
            &RzSpinEdit24 = GeodeticTabs[1].Corners[10], &RzSpinEdit25 = GeodeticTabs[1].Corners[11];
  PickList& RzComboBox3 = GeodeticTabs[1].Zone;
  SpinField& RzSpinEdit26 = GeodeticTabs[1].Meridian;
  NumberField &RzNumericEdit3 = GeodeticTabs[1].OffsetX, &RzNumericEdit4 = GeodeticTabs[1].OffsetY;
  RadioButton &RzRadioButton3 = GeodeticTabs[1].NewStandard,
              &RzRadioButton4 = GeodeticTabs[1].OldStandard;
  PickList& RzComboBox4 = GeodeticTabs[1].Scale;
  SheetList& RzCheckList2 = GeodeticTabs[1].List;

  // Tab 5, "2000国家坐标系": RzSpinEdit35 .. RzSpinEdit46 the corners,
  // RzComboBox7, RzSpinEdit47, RzNumericEdit11/12, RzRadioButton11/12,
  // RzComboBox8, RzCheckList6, toolbar buttons 22 .. 26.

  // Tab 2, "独立坐标系".
  NumberField RzNumericEdit5, RzNumericEdit6, RzNumericEdit7, RzNumericEdit8;
  SpinField RzSpinEdit28, RzSpinEdit29, RzSpinEdit30, RzSpinEdit31;
  TextField RzEdit1;
  RadioButton RzRadioButton9, RzRadioButton10;
  SpinField RzSpinEdit27;
  SheetList RzCheckList3;

  // Tab 3, "图幅号转换".
  RadioButton RzRadioButton5, RzRadioButton6;
  // The coordinate system: "54坐标", "80坐标", "2000坐标".
  RadioButton RzRadioButton7, RzRadioButton8, RzRadioButton13;
  PickList RzComboBox6;
  SpinField RzSpinEdit34;
  NumberField RzNumericEdit9, RzNumericEdit10;
  PickList RzComboBox5;
  SheetList RzCheckList4, RzCheckList5;

  // Bottom row, export menu, context menu of the corner fields.
  Button RzBitBtn1, RzBitBtn2, RzMenuButton1, RzBitBtn3;
  Button N1, N2, Excel1, ShpMenuItem, N3, N4;
  // "导出SHP文件" opens "大地坐标" and "平面坐标"; then GeoPackage, DXF and KML.
  Button ShpGeoItem, ShpPlaneItem, GpkgMenuItem, DxfMenuItem, KmlMenuItem;
  // Companions of the export items that write only the checked sheets of
  // the active list, in list order, through the same writers; the front end
  // shows them in a submenu kCheckedOnlyCaption of the export menu.
  Button N1Checked, N2Checked, Excel1Checked;
  Button ShpGeoChecked, ShpPlaneChecked, GpkgChecked, DxfChecked, KmlChecked;
  // 导出图廓 DXF / PDF: the map frames of the table's sheets, and of the
  // checked ones.
  Button FrameDxfItem, FramePdfItem, FrameDxfChecked, FramePdfChecked;
  // 分幅裁切…: the user's raster or vector data cut into the active list's
  // sheets, and into its checked ones (clip_command.cpp).
  Button ClipItem, ClipChecked;
  // The context menu of every sheet list, acting on the active list.
  Button CheckAll1, UncheckAll1, InvertChecks1, CopyNumbers1;
  // "撤销删除": the sheets of the last delete back into their list, with
  // their check state and order, until the next Generate or Convert.
  Button UndoDelete1;
  // "坐标转换…": the 坐标转换 tool (coord_transform.h), whose 转换当前列表
  // writes the 图廓改正量 of the active list's sheets.
  Button CoordTransform1;
  // Commands that only the keyboard reaches (see kKeyBindings).
  Button FindKey, FindNextKey, DeleteKey;
  // The status line under the bottom row: what the last export wrote, a
  // failed find, a refused coordinate, how long a large Generate took.
  Label StatusLine{"StatusLine", ""};
  // RzToolbarButton1 .. RzToolbarButton26 at indices 0 .. 25.
  std::array<Button, 26> ToolbarButtons;
  Button& RzToolbarButton(int n) { return ToolbarButtons[static_cast<std::size_t>(n - 1)]; }
  // What a toolbar button does, for its tooltip and accessible name: its
  // hint, and "信息" for the source list's information button, which has no
  // hint.
  static std::string ToolbarButtonText(int n);

  TFileDialog SaveDialog1{FileDialogKind::Save};
  TFileDialog OpenDialog1{FileDialogKind::Open};
  // 图幅号赋值's parameter file, apart from the layers' dialog: it starts
  // on the parameter file used last, not on the layer just chosen.
  TFileDialog TagParamsDialog{FileDialogKind::Open};

  // ---- the sheet tables that the exports write ------------------------------
  // Each reads as its TStandardMapUnions or TCustomMapUnions; it is replaced
  // whole by every fill and shares its records with the list of that fill.
  TStandardSheetTable& FMapUnions54 = GeodeticTabs[0].Table;
  TStandardSheetTable& FMapUnions80 = GeodeticTabs[1].Table;
  TStandardSheetTable& FMapUnions2000 = GeodeticTabs[2].Table;
  TCustomSheetTable FCustomMapUnions;
  // How the plane corners of FMapUnions54 and FMapUnions80 were computed
  // (zone method, central meridian, offsets), recorded by the fill that
  // replaced the table: the GIS exports name their coordinate system.
  TPlaneSystem& FPlaneSystem54 = GeodeticTabs[0].Plane;
  TPlaneSystem& FPlaneSystem80 = GeodeticTabs[1].Plane;
  TPlaneSystem& FPlaneSystem2000 = GeodeticTabs[2].Plane;

  // True once Exit has closed the window.
  bool Closed() const { return closed_; }

  // ---- fills -----------------------------------------------------------------
  // Clears the list and refills it with one unchecked item per sheet, outer
  // then inner index ascending, the plane corners less the offsets; the
  // coordinate system's table (FMapUnions54 when is54, else FMapUnions80) is
  // replaced by the same reduced records, which the list shares. The
  // overloads taking an rvalue take the result over without copying it.
  void ShowStandardMapUnions(const TStandardMapUnions& sheets, SheetList& list, bool is54,
                             double offsetX, double offsetY);
  void ShowStandardMapUnions(TStandardMapUnions&& sheets, SheetList& list, bool is54,
                             double offsetX, double offsetY);
  // The same for the table of any datum.
  void ShowStandardMapUnions(TStandardMapUnions&& sheets, SheetList& list, Datum datum,
                             double offsetX, double offsetY);
  // The same for an independent grid and FCustomMapUnions, without offsets.
  void ShowCustomMapUnions(const TCustomMapUnions& sheets, SheetList& list);
  void ShowCustomMapUnions(TCustomMapUnions&& sheets, SheetList& list);

  // ---- commands (each runs through the dispatcher) -----------------------
  void RzBitBtn1Click();  // Generate; on "图幅号转换" Convert
  void RzBitBtn2Click();  // Save the parameters of a geodetic tab
  void RzBitBtn3Click();  // Exit
  void N1Click();         // MIF export, geographic coordinates
  void N2Click();         // MIF export, plane coordinates
  void Excel1Click();     // workbook export
  void N3Click();         // "度-->度分秒"
  void N4Click();         // "XY-->度分秒"
  void RzRadioButton9Click();
  void RzRadioButton10Click();
  void CheckAll1Click();
  void UncheckAll1Click();
  void InvertChecks1Click();
  void CopyNumbers1Click();
  void UndoDelete1Click();
  void CoordTransform1Click();
  void FindKeyClick();
  void FindNextKeyClick();
  void DeleteKeyClick();

  void RzToolbarButton1Click();   // delete checked, RzCheckList1
  void RzToolbarButton2Click();   // delete checked, RzCheckList2
  void RzToolbarButton3Click();   // delete checked, RzCheckList3
  void RzToolbarButton4Click();   // import corners, RzCheckList1
  void RzToolbarButton5Click();   // information, RzCheckList1
  void RzToolbarButton6Click();   // information, RzCheckList2
  void RzToolbarButton7Click();   // import corners, RzCheckList2
  void RzToolbarButton8Click();   // information, RzCheckList3
  void RzToolbarButton9Click();   // import plane range, RzCheckList3
  void RzToolbarButton10Click();  // find, RzCheckList1
  void RzToolbarButton11Click();  // find, RzCheckList2
  void RzToolbarButton12Click();  // open parameters, tab 0
  void RzToolbarButton13Click();  // open parameters, tab 1
  void RzToolbarButton14Click();  // open number list
  void RzToolbarButton15Click();  // find, RzCheckList4
  void RzToolbarButton16Click();  // delete checked, RzCheckList4
  void RzToolbarButton17Click();  // information, RzCheckList5
  void RzToolbarButton18Click();  // find, RzCheckList5
  void RzToolbarButton19Click();  // delete checked, RzCheckList5
  void RzToolbarButton20Click();  // new number
  void RzToolbarButton21Click();  // information, RzCheckList4
  void RzCheckList1DblClick();
  void RzCheckList2DblClick();
  void RzCheckList3DblClick();
  void RzCheckList4DblClick();
  void RzCheckList5DblClick();

  void DeleteCheckedItems(SheetList& list);
  void FindMapUnionNo(SheetList& list);
  void ShowSelectedInfo(SheetList& list);
  void ShowStandardInfo(const TStandardMapUnion& record);
  void ShowCustomInfo(const TCustomMapUnion& record);

  // Runs the click command of a control by its name (the desktop front end
  // binds every button and menu item this way); false when the control has
  // no click command.
  bool Click(std::string_view controlName);
  // Runs the double-click command of a sheet list by its name.
  bool DblClick(std::string_view listName);

  // The source record of a number on the conversion tab: its extent from the
  // parser of its kind (1 old, 2 new) and, when cm > 0, the plane corners NW,
  // NE, SE, SW projected on the chosen system; otherwise zero corners.
  static TStandardMapUnion MakeSourceMapUnion(const std::string& number, int kind, double cm,
                                              bool zone3, bool is54);
  static TStandardMapUnion MakeSourceMapUnion(const std::string& number, int kind, double cm,
                                              bool zone3, Datum datum);
  // The coordinate system chosen on the conversion tab.
  Datum ConversionDatum() const;
  // The geodetic tab of the coordinate system of a datum.
  GeodeticTab& GeodeticTabOf(Datum datum);

  // ---- the day's-work helpers beside the commands ---------------------------
  // The sheet lists of a tab, the one a keyboard or menu command acts on, and
  // noting that a list took the input focus (the active list of its tab is
  // the last focused one; before any, the tab's first list, on the
  // conversion tab the target list).
  std::vector<SheetList*> ListsOfTab(int tab);
  SheetList* ActiveList();
  void NoteListFocus(std::string_view listName);
  // "共 N 幅，已选 M 幅" for a list.
  static std::string CountText(const SheetList& list);
  // The numbers of the checked rows of the list, in list order, each ending a
  // line; with none checked, the current row's number; else empty.
  static std::string CheckedNumbersText(const SheetList& list);
  // F3: the next row after the current one (from the top again after the
  // last) whose number is the last number looked for; with none looked for
  // yet, the find command itself.
  void FindNextMapUnionNo(SheetList& list);
  // What the user typed into a spin field. On the eight degree fields of the
  // corners a text that is not a plain whole number is read as an angle
  // (116°20'30.5", 39°54.5', 116 20 30.5, 116:20:30.5, 116.341806,
  // 116°20'E, full-width digits) and fills that angle's degrees, minutes and
  // seconds; a text that is no angle, or beyond the fields' limits, changes
  // nothing and says why in the status line, and the result is false. In any
  // field a number within the field's limits (a decimal comma read as
  // ParseTypedNumber reads it) or an empty text (the lower limit) goes to the
  // field; a number outside the limits ("“200”超出范围 0–180：左下角经度（度）
  // 仍为 116") and any other text change nothing and are refused in the
  // status line the same way.
  bool EnterText(SpinField& field, std::string_view text);
  // What the user typed into a number field: a number (commas as
  // ParseTypedNumber reads them) or an empty text (0) sets it; any other
  // text changes nothing and says why in the status line, and the result is
  // false.
  bool EnterText(NumberField& field, std::string_view text);
  // The field as the user knows it, for messages: "中央经度", "最大X",
  // "左下角纬度（分）"; the control's name for a control without one.
  std::string FieldCaption(const Control& c) const;
  // "“200”超出范围 0–180：左下角经度（度）仍为 116".
  std::string OutOfRangeText(const std::string& quoted, const SpinField& field) const;
  // 3428352 → "3,428,352".
  static std::string GroupDigits(std::uint64_t n);
  // A sheet number typed on the source list of the conversion tab, added as
  // "新建" adds it.
  void AddTypedNumber(std::string_view number);

  // What 导入范围 does with the file chosen: reads it (an unreadable file
  // throws Error naming it, and the tab stays as it was), sets the corners
  // to its bounds and the area's line, and shows the datum notice where
  // there is one.
  void UseAreaFile(GeodeticTab& tab, const std::string& fileName);

  // The parameters of a geodetic tab as the parameter file holds them, and
  // setting them into the tab's fields (each field keeps its limits and
  // decimals).
  TParameterSet ReadParameters(int tab) const;
  void WriteParameters(int tab, const TParameterSet& p);

 private:
  // The one place where a command's errors are caught: a routine's error or
  // memory running out ends the command with the general error box.
  template <class F>
  void Dispatch(F&& command) {
    // A message belongs to the action that caused it.
    StatusLine.Caption.clear();
    try {
      command();
    } catch (const Error& e) {
      ShowError(e);
    } catch (const std::bad_alloc&) {
      ShowError(kOutOfMemory);
    }
  }
  void ShowError(const Error& e);
  void ShowError(std::string_view text);

  // The procedures behind the commands, run inside the dispatcher.
  void Generate(GeodeticTab& tab);
  // "导入范围": reads a polygon file into the tab's area of interest and
  // sets the corners to its bounds snapped outward to the grid of the tab's
  // scale; "清除范围" drops it.
  void ImportArea(GeodeticTab& tab);
  // 图幅号赋值…: asks for a layer file, the scales (the tab's by default)
  // and the output file, and writes the layer with the sheet numbers of the
  // tab's datum and standard (gis/layer_tag.h). A layer on another datum
  // than the tab's is refused unless the user, asked, relates the two with
  // a parameter file of 坐标转换 (as karvento-cli tag --transform does).
  void TagLayerFile(GeodeticTab& tab);
  void ClearArea(GeodeticTab& tab);
  void GenerateCustom();
  void Convert();
  void SaveParameters();
  void OpenParameters(GeodeticTab& tab);
  void OpenNumberList();
  void NewNumber();
  void ImportCorners(GeodeticTab& tab);
  void ImportPlaneRange();
  void DoDeleteCheckedItems(SheetList& list);
  void DoFindMapUnionNo(SheetList& list);
  // Selects the first row from start, round the list, whose number is the
  // typed one in capitals, and otherwise says in the status line that none
  // is; true when one is selected.
  bool SelectNumber(SheetList& list, std::size_t start, const std::string& typed);
  void DoShowSelectedInfo(SheetList& list);
  void DoShowCustomSelected();
  void DoShowStandardInfo(const TStandardMapUnion& record);
  // The CGCS2000 zone a list's sheets were projected on, when they were.
  bool ListZone2000(const SheetList& list, bool& zone3, double& cm) const;
  // The coordinate system and offsets of a standard list's plane corners:
  // a geodetic tab's last fill, or the conversion tab's fields; false for
  // any other list.
  bool ListSystem(const SheetList& list, TPlaneSystem& system) const;
  void DoShowStandardInfo(const TStandardMapUnion& record, SheetList* list);
  void DoShowCustomInfo(const TCustomMapUnion& record);
  void DegreesToDms();
  // The 图廓改正量 of the active list's sheets under t, to a file the user
  // names; what was written.
  std::string WriteListCorrections(const TransformParams& t);
  void PlaneToDms();
  void ExportGis(GisFormat format, bool geographic, bool checkedOnly);
  // The datum of the current tab's standard table.
  Datum DatumOfTab() const;
  void ExportMif(bool geographic, bool checkedOnly);
  void ExportWorkbook(bool checkedOnly);
  // The map frames of the sheets (frame_export.cpp): PDF pages in one file,
  // or DXF files, one per sheet, named by number (one sheet: the file
  // chosen; more: a folder named as the chosen file without its extension).
  // The independent grid's sheets get rectangular frames at the tab's scale.
  void ExportFrames(bool pdf, bool checkedOnly);
  void Clip1Click();
  void Clip1CheckedClick();
  void ClipSheets(bool checkedOnly);
  // The frame of one sheet from its information dialog: DXF, or PDF when the
  // name chosen ends in .pdf.
  void ExportFrameOf(const TStandardMapUnion& sheet, const TPlaneSystem& system);
  // The checked sheets of the active list in list order as one sequence, for
  // the writers; false (and a word in the status line) when none is checked.
  bool CheckedRecords(TStandardMapUnions& standard, TCustomMapUnions& custom, bool& isCustom);
  // What an export writes: the tab's last fill (the table of its coordinate
  // system, or the independent grid's), or with checkedOnly the checked rows
  // of the active list, in list order. custom tells which table is meant;
  // standard is null on a tab with no standard table. False when nothing is
  // checked (the status line says so).
  struct ExportRecords {
    bool custom = false;
    const TStandardMapUnions* standard = nullptr;
    const TCustomMapUnions* customTable = nullptr;
    TStandardMapUnions checkedStandard;
    TCustomMapUnions checkedCustom;
  };
  bool ChooseExportRecords(bool checkedOnly, ExportRecords& r);
  // The plane system of the records chosen for an export.
  TPlaneSystem ExportSystem(bool checkedOnly, const ExportRecords& r);
  void AddNumber(const std::string& text);
  // What an export writes to the file chosen, reporting its progress; false
  // with the reason of a failure, or false when the user cancelled through
  // the progress. A writer that puts its files elsewhere (a folder beside
  // the name chosen) changes fileName to the place the report names.
  using ExportWriter =
      std::function<bool(std::string& fileName, Message& reason, const ExportProgress& report)>;
  // The one path of every export: a refusal (a file that cannot be
  // written) in the error box before any name is asked for; otherwise the
  // save dialog with its filter and default extension, progress over the
  // records while the writer runs, then the report: what was written, or
  // that a cancel left the files as they were, in the status line; a
  // failure in the error box.
  void RunExport(const char* filter, const char* extension, std::uint64_t records,
                 const ExportWriter& write, const std::string& refusal = {});
  // Asks before a run of frames above the bound (FrameRunNeedsConfirmation)
  // or beyond the datum's millimetre (ProjectionAccuracyWarning); false when
  // the user declines.
  bool ConfirmFrameRun(const ExportRecords& chosen, const TPlaneSystem& system, int denominator, bool pdf,
                       std::uint64_t records);
  // The frames of the chosen sheets into the file chosen (frame_export.cpp).
  bool WriteFrames(const ExportRecords& chosen, const TPlaneSystem& system, int denominator,
                   bool pdf, std::uint64_t records, std::string& fileName,
                   const ExportProgress& report);

  // Sets the corner whose longitude-degree field is named; nothing when the
  // name is none of the six such fields.
  void SetTargetCorner(std::string_view focused, const TLonLatDMS& point);
  // The table that the exports of the current tab write.
  const TStandardMapUnions* StandardTableOfTab() const;
  // The datum of the current tab's table (geodetic tabs and the conversion).
  Datum TabTableDatum() const;
  // Whether a control is a button on the toolbar over a geodetic tab's list
  // (GeodeticTab::Toolbar: open parameters, import corners, find, delete
  // checked, information) or one of the tab's area commands, and when run,
  // runs its command on that tab. The second form runs toolbar button n.
  bool GeodeticToolbarClick(std::string_view name, bool run);
  void GeodeticToolbarClick(int n);
  // Every export item and its checked-only companion, by control name (see
  // kExportItems).
  bool ExportItemClick(std::string_view name, bool run);

  void Register(Control& c);

  UserInterface& ui_;
  int activeTab_ = kTabBeijing54;
  bool closed_ = false;
  std::vector<Control*> controls_;
  std::unordered_map<std::string_view, Control*> byName_;
  // The list each tab's keyboard and menu commands act on, by tab index.
  std::array<SheetList*, kTabCgcs2000 + 1> activeList_{};
  std::string lastFind_;
  // The list of the last delete and what it showed before, for 撤销删除.
  SheetList* undoList_ = nullptr;
  // The parameter file last saved or opened: what 保存 offers.
  std::string parameterFileName_;
  SheetList::Saved undoSaved_;
  void ForgetUndo();
  // How the plane corners of the conversion's target list were computed.
  TPlaneSystem convertedPlane_;
};

// The caption of the export submenu of the checked-only companions.
inline constexpr const char* kCheckedOnlyCaption = "仅导出选中图幅";
// Requests of at least this many sheets report in the status line how long
// they took.
inline constexpr std::size_t kTimedSheets = 10000;

// The keys of the keyboard-only and list-menu commands, in the toolkit's
// portable key-sequence text, with the control each one clicks.
struct KeyBinding {
  const char* keys;
  const char* control;
};
inline constexpr KeyBinding kKeyBindings[] = {
    {"Ctrl+F", "FindKey"},       {"F3", "FindNextKey"},           {"Del", "DeleteKey"},
    {"Ctrl+A", "CheckAll1"},     {"Ctrl+Shift+A", "UncheckAll1"}, {"Ctrl+C", "CopyNumbers1"},
    {"Ctrl+Z", "UndoDelete1"},
};

}  // namespace karvento
