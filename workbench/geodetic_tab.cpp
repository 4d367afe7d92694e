// SPDX-License-Identifier: Apache-2.0
#include "workbench/geodetic_tab.h"

#include <utility>

#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

const std::vector<std::string> kZoneItems = {"3度分带法", "6度分带法"};
constexpr int kDefaultScale = 6;  // "1:1万"

constexpr const char* kWholeNumbers = ",0;(,0)";

std::string Named(const char* kind, int n) { return kind + std::to_string(n); }

template <std::size_t... I>
std::array<SpinField, 12> MakeCorners(int first, const ParameterFieldLimits& l,
                                      std::index_sequence<I...>) {
  // Degrees (longitude or latitude), minutes, seconds, four times.
  return {SpinField(Named("RzSpinEdit", first + static_cast<int>(I)),
                    I % 3 == 1 ? l.minutes
                    : I % 3 == 2 ? l.seconds
                    : (I / 3) % 2 == 0 ? l.lonDegrees
                                       : l.latDegrees)...};
}

}  // namespace

GeodeticTab::GeodeticTab(int index, Datum datum_, std::string caption,
                         const GeodeticTabNames& n)
    : Index(index),
      datum(datum_),
      Caption(std::move(caption)),
      Toolbar(n.toolbar),
      Corners(MakeCorners(n.firstCorner, ParameterFieldsOf(datum_), std::make_index_sequence<12>())),
      Zone(Named("RzComboBox", n.zone), kZoneItems, 0),
      Meridian(Named("RzSpinEdit", n.meridian), ParameterFieldsOf(datum_).meridian),
      OffsetX(Named("RzNumericEdit", n.offsetX), ParameterFieldsOf(datum_).offsetXIntegersOnly,
              kWholeNumbers),
      OffsetY(Named("RzNumericEdit", n.offsetY), ParameterFieldsOf(datum_).offsetYIntegersOnly,
              kWholeNumbers),
      NewStandard(Named("RzRadioButton", n.newStandard), "按新图幅号标准编号", true),
      OldStandard(Named("RzRadioButton", n.oldStandard), "按旧图幅号标准编号", false),
      Scale(Named("RzComboBox", n.scale),
            std::vector<std::string>(kScaleCaptions.begin(), kScaleCaptions.end()), kDefaultScale),
      List(Named("RzCheckList", n.list), RecordKind::Standard),
      ImportArea(Named("ImportArea", n.list), "导入范围", "", ControlKind::MenuItem),
      ClearArea(Named("ClearArea", n.list), "清除范围", "", ControlKind::MenuItem),
      AreaLabel(Named("AreaLabel", n.list), ""),
      TagLayer(Named("TagLayer", n.list), "图幅号赋值…", "", ControlKind::MenuItem) {
  RadioButton::Pair(NewStandard, OldStandard);
  Plane.datum = datum;
  ListPlane.datum = datum;
}

TMapUnionRange GeodeticTab::Range() const {
  const auto angle = [this](std::size_t first) {
    return TAngleDMS{Corners[first].Value(), Corners[first + 1].Value(), Corners[first + 2].Value()};
  };
  return {angle(0), angle(3), angle(6), angle(9)};
}

void GeodeticTab::SetRange(const TMapUnionRange& range) {
  SetCorner(kLowerLeft, {range.West, range.South});
  SetCorner(kUpperRight, {range.East, range.North});
}

void GeodeticTab::SetCorner(Corner corner, const TLonLatDMS& point) {
  const TAngleDMS* angles[2] = {&point.Lon, &point.Lat};
  for (std::size_t k = 0; k < 2; ++k) {
    SpinField* three = &Corners[std::size_t{6} * corner + 3 * k];
    three[0].SetValue(angles[k]->Degrees);
    three[1].SetValue(angles[k]->Minutes);
    three[2].SetValue(angles[k]->Seconds);
  }
}

std::array<Control*, 20> GeodeticTab::Controls() {
  std::array<Control*, 20> all{};
  for (std::size_t i = 0; i < 12; ++i) all[i] = &Corners[i];
  all[12] = &Zone;
  all[13] = &Meridian;
  all[14] = &OffsetX;
  all[15] = &OffsetY;
  all[16] = &NewStandard;
  all[17] = &OldStandard;
  all[18] = &Scale;
  all[19] = &List;
  return all;
}

}  // namespace karvento
