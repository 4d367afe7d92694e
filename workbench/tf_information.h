// SPDX-License-Identifier: Apache-2.0
// The sheet information dialog: a sheet's number, geographic corners and
// plane corners, shown for reading. Every field can be edited, but nothing is
// read back.
#pragma once

#include <array>
#include <functional>
#include <string>

#include "numbering/sheet_types.h"
#include "workbench/controls.h"

namespace karvento {

inline constexpr const char* kInformationCaption = "图幅信息";
inline constexpr const char* kWholeFormat = ",0;(,0)";
inline constexpr const char* kSecondsFormat = ",0.000;(,0.000)";
// The negative section shows one decimal fewer than the positive one.
inline constexpr const char* kPlaneFormat = ",0.00000;(,0.0000)";
inline constexpr const char* kScaleFactorFormat = "0.000000000";
inline constexpr const char* kConvergenceFormat = "0.000000;-0.000000";
inline constexpr const char* kScaleFactorCaption = "中心点比例因子";
inline constexpr const char* kConvergenceCaption = "中心点子午线收敛角（度）";
inline constexpr const char* kNeighboursCaption = "接合图表";

// Client area 404 × 299, fixed size, centred on the main window. The first
// tab is active when it opens.
class TfrmTFInformation {
 public:
  static constexpr int kClientWidth = 404;
  static constexpr int kClientHeight = 299;

  TfrmTFInformation();

  std::string Caption = kInformationCaption;
  // Tab captions with their trailing blanks.
  std::array<std::string, 2> TabCaptions{"经纬度 ", "坐标  "};
  int ActiveTab = 0;

  TextField RzEdit1{"RzEdit1"};  // "图幅号"
  // RzNumericEdit1 .. RzNumericEdit20 at indices 0 .. 19: 1–12 the degrees,
  // minutes and seconds of west longitude, south latitude, east longitude,
  // north latitude; 13/14 the lower-left, 15/16 the upper-left, 17/18 the
  // upper-right, 19/20 the lower-right plane corner (X, Y).
  std::array<NumberField, 20> Fields;
  Button RzBitBtn1{"RzBitBtn1", "返回"};
  // The point scale factor and the meridian convergence (decimal degrees,
  // grid north east of true north positive) at the sheet's centre, on the
  // zone of its plane corners. Shown only for a CGCS2000 sheet, whose
  // projection gives both exactly.
  NumberField ScaleFactorEdit{"ScaleFactorEdit", false, kScaleFactorFormat};
  NumberField ConvergenceEdit{"ConvergenceEdit", false, kConvergenceFormat};
  bool ShowsScaleConvergence = false;

  // The 接合图表 of a standard sheet shown from a list: the sheet and its
  // eight neighbours, north-west to south-east row by row (the sheet itself
  // in the middle, a neighbour outside the numbered domain empty), with the
  // plane corners of the list. Shown on a page kNeighboursCaption.
  std::array<TStandardMapUnion, 9> Neighbours{};
  bool ShowsNeighbours = false;
  // "加入列表" adds the chosen neighbour to the list the sheet was shown
  // from, through OnAddNeighbour, which says what it did.
  Button AddNeighbourButton{"AddNeighbour", "加入列表"};
  std::function<std::string(const TStandardMapUnion&)> OnAddNeighbour;
  std::string AddNeighbourResult;
  // Adds neighbour k (0 … 8); the sheet itself and an empty neighbour add
  // nothing.
  void AddNeighbour(std::size_t k);
  // "生成图廓…" writes the map frame of the sheet (DXF or PDF, by the name
  // chosen in a save dialog) through OnMakeFrame, which says what it did.
  // Shown with the 接合图表 page.
  Button MakeFrameButton{"MakeFrame", "生成图廓…"};
  std::function<std::string()> OnMakeFrame;
  std::string MakeFrameResult;
  void MakeFrame() {
    if (OnMakeFrame) MakeFrameResult = OnMakeFrame();
  }

  NumberField& RzNumericEdit(int n) { return Fields[static_cast<std::size_t>(n - 1)]; }
  const NumberField& RzNumericEdit(int n) const { return Fields[static_cast<std::size_t>(n - 1)]; }

  // Groups of the plane tab, top to bottom, with their fields (X, Y).
  struct Group {
    const char* caption;
    int xField, yField;
  };
  static constexpr std::array<Group, 4> kPlaneGroups{
      {{"左上角", 15, 16}, {"左下角", 13, 14}, {"右上角", 17, 18}, {"右下角", 19, 20}}};

  void Fill(const TStandardMapUnion& record);
  void Fill(const TCustomMapUnion& record);
  // Fills the scale factor and convergence of a CGCS2000 sheet's centre on
  // the zone method and central meridian (0: its own zone) of its corners,
  // and shows them.
  void FillScaleConvergence2000(const TStandardMapUnion& record, bool zone3, double cm);
};

}  // namespace karvento
