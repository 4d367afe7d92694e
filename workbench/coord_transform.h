// SPDX-License-Identifier: Apache-2.0
// The 坐标转换 tool: common points (重合点) pasted into a table or read from
// a file, the model and its rotation convention, the least-squares solution
// with each point's residual and the 中误差, and the parameters applied to
// the active sheet list (its sheets' 图廓改正量), a GIS layer or a point
// file; the parameters saved and opened as a parameter file (.k7p, .k4p …).
// A model of the dialog with no widget toolkit: the front end binds its
// widgets to the controls by name and calls the actions; the tool reaches
// the user only through the UserInterface it is given. Every computation is
// geodesy/transform.h's, every file read or written the command line's.
#pragma once

#include <functional>
#include <string>
#include <vector>

#include "geodesy/transform.h"
#include "workbench/controls.h"
#include "workbench/user_interface.h"

namespace karvento {

inline constexpr const char* kCoordTransformCaption = "坐标转换";
// The file dialogs' filter of parameter files, the tool's and 图幅号赋值's.
inline constexpr const char* kParamsFilter =
    "坐标转换参数（*.k7p;*.k3p;*.k4p;*.k6p）|*.k7p;*.k3p;*.k4p;*.k6p|所有文件（*.*）|*.*";

// A point's residual as the table shows it, metres.
struct ResidualRow {
  std::string name;
  double east = 0, north = 0, plane = 0;
  bool rejected = false;
};

// Client area 760 × 560, resizable, centred on the main window.
class TfrmCoordTransform {
 public:
  static constexpr int kClientWidth = 760;
  static constexpr int kClientHeight = 560;

  explicit TfrmCoordTransform(UserInterface& ui);

  std::string Caption = kCoordTransformCaption;
  // The common points, one a line: a first line of column names (name,
  // north1 east1 north2 east2, or lon1 lat1 [h1] lon2 lat2 [h2]) or rows of
  // name, X (north), Y (east) on the source datum and on the target, as
  // pasted from a spreadsheet (ParseCommonPointTable).
  TextField PointsEdit{"PointsEdit"};
  // Bursa7, Shift3, Plane4, Affine6.
  PickList ModelBox{"ModelBox", {"七参数（布尔莎）", "三参数（平移）", "四参数（平面相似）", "六参数（平面仿射）"}, 0};
  PickList ConventionBox{"ConventionBox", {"位置矢量（EPSG 9606）", "坐标框架（EPSG 9607）"}, 0};
  // The datums in the order of the datum table.
  PickList SourceBox{"SourceBox", {"北京54坐标系", "西安80坐标系", "2000国家坐标系"}, 0};
  PickList TargetBox{"TargetBox", {"北京54坐标系", "西安80坐标系", "2000国家坐标系"}, 2};
  // The zone of plane coordinates (common points, point files, layers and
  // the plane models).
  PickList ZoneBox{"ZoneBox", {"3度分带法", "6度分带法"}, 0};
  NumberField CmEdit{"CmEdit", false, "0.00"};
  // kσ rejection: 0 keeps every point.
  NumberField RejectEdit{"RejectEdit", false, "0.0"};
  PickList DirectionBox{"DirectionBox", {"正向（源→目标）", "逆向（目标→源）"}, 0};

  Button ReadPointsButton{"ReadPoints", "读取重合点…"};
  Button SolveButton{"Solve", "解算"};
  Button OpenParamsButton{"OpenParams", "打开参数…"};
  Button SaveParamsButton{"SaveParams", "保存参数…"};
  Button ApplyListButton{"ApplyList", "转换当前列表…"};
  Button ApplyLayerButton{"ApplyLayer", "转换图层…"};
  Button ApplyPointsButton{"ApplyPoints", "转换点文件…"};
  Button CloseButton{"CloseButton", "关闭"};

  TFileDialog OpenDialog{FileDialogKind::Open};
  TFileDialog SaveDialog{FileDialogKind::Save};

  // ---- what the tool shows -------------------------------------------------
  // The parameters the apply actions use: a solution's or a file's.
  bool HasParams = false;
  TransformParams Params;
  // One row per parameter: key (unit), value, standard error (empty for a
  // file's parameters).
  struct ParameterRow {
    std::string name, value, error;
  };
  std::vector<ParameterRow> ParameterRows;
  std::vector<ResidualRow> Residuals;
  // The model line (DescribeTransform), σ0 with the redundancy, the points
  // dropped, what the heights were taken to be.
  std::string Summary;
  // What the last action did ("已写入 …"), or empty.
  std::string StatusText;

  // ---- actions (each through Run) ------------------------------------------
  void ReadPoints();       // an open dialog; the file's lines into PointsEdit
  void Solve();            // PointsEdit with the chosen model
  void OpenParams();       // a parameter file; its model shown in the boxes
  void SaveParams();       // a save dialog, .k7p/.k3p/.k4p/.k6p by the model
  void ApplyToList();      // OnApplyToList
  void ApplyToLayer();     // an open and a save dialog, MoveLayer
  void ApplyToPointFile(); // an open and a save dialog, TransformPointLine

  // The main window's part: the 图廓改正量 of the active list's sheets,
  // written where it asks; returns what it did. Without it, ApplyToList
  // says there is no list.
  std::function<std::string(const TransformParams&)> OnApplyToList;
  // Runs an action: the window's dispatcher, which catches a routine's
  // error and shows it. The default runs it as it is.
  std::function<void(const std::function<void()>&)> Run;

  // The chosen model, convention, datums and zone.
  TransformModel Model() const;
  RotationConvention Convention() const;
  Datum Source() const;
  Datum Target() const;
  bool Zone3() const { return ZoneBox.ItemIndex() == 0; }
  bool Inverse() const { return DirectionBox.ItemIndex() == 1; }
  // Sets the boxes from parameters (a file's): model, convention, datums,
  // and for a plane model its zone.
  void ShowParams(const TransformParams& t);

 private:
  void Act(const std::function<void()>& action);
  void DoSolve();
  void DoSaveParams();
  void DoOpenParams();
  void DoApplyToLayer();
  void DoApplyToPointFile();
  const TransformParams& RequireParams() const;

  UserInterface& ui_;
};

}  // namespace karvento
