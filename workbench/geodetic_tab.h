// SPDX-License-Identifier: Apache-2.0
// A geodetic tab of the main window: the corners of the area in degrees,
// minutes and seconds, the zone method and central meridian, the plane
// offsets, the numbering standard and the scale, the tab's sheet list and the
// sheet table of its coordinate system. The window holds one per geodetic
// coordinate system (Beijing 1954, Xi'an 1980, CGCS2000); they differ only in
// their datum and in the names of their controls.
#pragma once

#include <array>
#include <optional>
#include <string>

#include "geodesy/angles.h"
#include "geodesy/datum.h"
#include "gis/coordinate_system.h"
#include "numbering/area.h"
#include "numbering/sheet_types.h"
#include "workbench/controls.h"
#include "workbench/sheet_list.h"
#include "workbench/sheet_table.h"

namespace karvento {

// The names of a geodetic tab's controls, by the numbers the names end in.
struct GeodeticTabNames {
  int firstCorner;  // RzSpinEditN .. RzSpinEdit(N+11): the twelve corner fields
  int meridian;     // RzSpinEditN
  int zone, scale;  // RzComboBoxN
  int offsetX, offsetY;               // RzNumericEditN
  int newStandard, oldStandard;       // RzRadioButtonN
  int list;                           // RzCheckListN
  // The toolbar buttons over the list (RzToolbarButtonN), left to right:
  // open parameters, import corners, find, delete checked, information.
  std::array<int, 5> toolbar;
};

class GeodeticTab {
 public:
  GeodeticTab(int index, Datum datum, std::string caption, const GeodeticTabNames& names);
  GeodeticTab(const GeodeticTab&) = delete;
  GeodeticTab& operator=(const GeodeticTab&) = delete;

  // The tab's index in the window and its coordinate system.
  const int Index;
  const Datum datum;
  const std::string Caption;
  const std::array<int, 5> Toolbar;

  // Lower-left longitude d, m, s, lower-left latitude d, m, s, upper-right
  // longitude d, m, s, upper-right latitude d, m, s.
  std::array<SpinField, 12> Corners;
  PickList Zone;
  SpinField Meridian;
  NumberField OffsetX, OffsetY;
  RadioButton NewStandard, OldStandard;
  PickList Scale;
  SheetList List;
  // The records of the last fill of this coordinate system (the tab's own
  // generate, or a conversion on the same system).
  TStandardSheetTable Table;
  // How the plane corners of Table were computed, recorded by the fill that
  // replaced it: the GIS exports name their coordinate system.
  TPlaneSystem Plane;
  // How the plane corners of the tab's own list were computed (its last
  // Generate); a conversion on the same system changes Plane, not this.
  TPlaneSystem ListPlane;

  // An area of interest read from a polygon file: while one is set, Generate
  // lists only the sheets of the corners' request whose frame shares
  // interior with it.
  struct AreaOfInterest {
    std::string file;
    GeoMultiPolygon polygons;  // in the tab's datum, degrees
    std::size_t count = 0;     // polygons read
  };
  std::optional<AreaOfInterest> Area;
  // "导入范围" and "清除范围" beside the list (ImportAreaN, ClearAreaN for
  // RzCheckListN), and the line that names the area ("范围：FILE，N 个多边形",
  // empty without one).
  Button ImportArea, ClearArea;
  Label AreaLabel;
  // "图幅号赋值…" (TagLayerN): the sheet numbers of every feature of a layer
  // file, on the tab's datum and standard, written to a new file.
  Button TagLayer;

  bool Zone3() const { return Zone.ItemIndex() == 0; }
  // The area the twelve corner fields hold, and setting them: each field
  // brings its value into its own limits, as it does for a typed value.
  TMapUnionRange Range() const;
  void SetRange(const TMapUnionRange& range);
  // The six fields of one corner, the lower-left (kLowerLeft) or the
  // upper-right (kUpperRight): longitude, then latitude.
  enum Corner : std::size_t { kLowerLeft = 0, kUpperRight = 1 };
  void SetCorner(Corner corner, const TLonLatDMS& point);
  // Every control of the tab, in its order on the tab.
  std::array<Control*, 20> Controls();
  // The area's controls, registered after every other control of the window.
  std::array<Control*, 4> AreaControls() { return {&ImportArea, &ClearArea, &AreaLabel, &TagLayer}; }
};

}  // namespace karvento
