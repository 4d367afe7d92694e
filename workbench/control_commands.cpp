// SPDX-License-Identifier: Apache-2.0
// What the user types into the fields and the coordinate tools of the
// corner fields' context menu: a number or an angle typed or pasted into a
// field (a typo changes nothing and says why in the status line), the
// field's caption for such messages, and "度-->度分秒" and "XY-->度分秒",
// which fill the corner whose degree field has the focus.
#include <cmath>
#include <string>
#include <utility>

#include "geodesy/angle_text.h"
#include "geodesy/angles.h"
#include "geodesy/gauss_kruger.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/input_dialogs.h"

namespace karvento {
namespace {

constexpr const char* kMeridianRequired = "中央经度必须是大于0的值！";

// Why a text is no coordinate, for the status line.
const char* AngleTextReason(AngleTextError e) {
  switch (e) {
    case AngleTextError::TooManyFields:
      return "多于度、分、秒三项";
    case AngleTextError::MarkOutOfPlace:
      return "度、分、秒符号的位置不对";
    case AngleTextError::SouthOrWest:
      return "图幅只在东经、北纬编号，南纬（S）和西经（W）不能用";
    case AngleTextError::WrongHemisphere:
      return "半球与经度或纬度不符";
    case AngleTextError::FractionNotLast:
      return "只有最后一项可以有小数";
    case AngleTextError::Empty:
    case AngleTextError::NotANumber:
    case AngleTextError::None:
      break;
  }
  return "不是数字";
}

}  // namespace

std::string TfrmCreateMapUnRg::FieldCaption(const Control& c) const {
  static constexpr const char* kCorner[2] = {"左下角", "右上角"};
  static constexpr const char* kAxis[2] = {"经度", "纬度"};
  static constexpr const char* kUnit[3] = {"度", "分", "秒"};
  for (const GeodeticTab& tab : GeodeticTabs) {
    for (std::size_t k = 0; k < tab.Corners.size(); ++k) {
      if (&tab.Corners[k] == &c) {
        return std::string(kCorner[k / 6]) + kAxis[(k % 6) / 3] + "（" + kUnit[k % 3] + "）";
      }
    }
    if (&c == &tab.Meridian) return "中央经度";
    if (&c == &tab.OffsetX) return "省略坐标大数 X";
    if (&c == &tab.OffsetY) return "省略坐标大数 Y";
  }
  const std::pair<const Control*, const char*> named[] = {
      {&RzNumericEdit5, "最小X"},         {&RzNumericEdit6, "最小Y"},
      {&RzNumericEdit7, "最大X"},         {&RzNumericEdit8, "最大Y"},
      {&RzSpinEdit28, "X方向"},           {&RzSpinEdit29, "Y方向"},
      {&RzSpinEdit30, "起始编号（行）"},  {&RzSpinEdit31, "起始编号（列）"},
      {&RzSpinEdit27, "比例尺"},          {&RzSpinEdit34, "中央经度"},
      {&RzNumericEdit9, "省略坐标大数 X"}, {&RzNumericEdit10, "省略坐标大数 Y"},
  };
  for (const auto& [control, caption] : named) {
    if (control == &c) return caption;
  }
  return c.Name();
}

std::string TfrmCreateMapUnRg::OutOfRangeText(const std::string& quoted, const SpinField& field) const {
  const auto limit = [](double v) { return std::to_string(static_cast<long long>(v)); };
  return quoted + "超出范围 " + limit(field.Min()) + "–" + limit(field.Max()) + "：" + FieldCaption(field) +
         "仍为 " + field.Text();
}

bool TfrmCreateMapUnRg::EnterText(SpinField& field, std::string_view typed) {
  StatusLine.Caption.clear();
  if (field.SpinOnly()) return field.SetText(typed);
  // Pasted full-width digits (３９) are the plain ones.
  const std::string halfwidth = HalfwidthText(typed);
  const std::string_view text = halfwidth;
  // The degree fields of the corners, each followed by its minutes and
  // seconds.
  SpinField* three = nullptr;
  AngleAxis axis = AngleAxis::Any;
  for (GeodeticTab& tab : GeodeticTabs) {
    for (std::size_t k = 0; k < tab.Corners.size(); k += 3) {
      if (&tab.Corners[k] != &field) continue;
      three = &tab.Corners[k];
      axis = (k / 3) % 2 == 0 ? AngleAxis::Longitude : AngleAxis::Latitude;
    }
  }
  const std::string quoted = "“" + std::string(typed) + "”";
  double value = 0;
  const bool blank = text.find_first_not_of(" \t") == std::string_view::npos;
  // A central meridian is read as the command line's --cm reads it: decimal
  // degrees or degrees, minutes and seconds, nothing rounded or clamped.
  bool meridian = &field == &RzSpinEdit34;
  for (const GeodeticTab& tab : GeodeticTabs) meridian = meridian || &field == &tab.Meridian;
  if (meridian && !blank) {
    switch (ParseMeridianText(text, value, field.Max())) {
      case MeridianTextError::None:
        field.SetValue(value);
        return true;
      case MeridianTextError::NotAnAngle:
        StatusLine.Caption = quoted + "不是数字：" + FieldCaption(field) + "仍为 " + field.Text();
        return false;
      case MeridianTextError::OutOfRange:
        break;
    }
    StatusLine.Caption = OutOfRangeText(quoted, field);
    return false;
  }
  const bool number = !blank && ParseTypedNumber(text, value, Commas::DecimalComma);
  // A number outside the field's limits is refused as a typo is, never
  // brought to the nearest limit unseen (200 is no longitude of 180).
  if (number && (three == nullptr || value == std::trunc(value))) {
    const double stored =
        field.Decimals() == kAnyDecimals ? value : RoundToDecimals(value, field.Decimals());
    if (!(stored >= field.Min() && stored <= field.Max())) {
      StatusLine.Caption = OutOfRangeText(quoted, field);
      return false;
    }
  }
  // An empty text counts as the lower limit, as always; a number is the
  // field's own, except a fraction in a degree field, which is an angle.
  if (blank || (number && (three == nullptr || value == std::trunc(value)))) {
    if (blank) {
      field.SetText(text);
    } else {
      field.SetValue(value);
    }
    return true;
  }
  // A typo must not set the lower limit unseen: the field keeps its value.
  if (three == nullptr) {
    StatusLine.Caption = quoted + "不是数字：" + FieldCaption(field) + "仍为 " + field.Text();
    return false;
  }
  TAngleDMS a;
  const AngleTextError e = number ? (a = DegToDms(value), AngleTextError::None)
                                  : ParseAngleText(text, a, false, axis);
  if (e != AngleTextError::None) {
    StatusLine.Caption = quoted + "不是坐标：" + AngleTextReason(e);
    return false;
  }
  const double values[3] = {a.Degrees, a.Minutes, a.Seconds};
  for (int k = 0; k < 3; ++k) {
    const SpinField& f = three[k];
    const bool whole = k == 2 || values[k] == std::trunc(values[k]);
    if (!whole || !(values[k] >= f.Min() && values[k] <= f.Max())) {
      StatusLine.Caption = quoted + "超出范围：度 0～" + std::to_string(static_cast<int>(three[0].Max())) +
                           "，分 0～59 的整数，秒 0～60";
      return false;
    }
  }
  for (int k = 0; k < 3; ++k) three[k].SetValue(values[k]);
  StatusLine.Caption.clear();
  return true;
}

bool TfrmCreateMapUnRg::EnterText(NumberField& field, std::string_view typed) {
  StatusLine.Caption.clear();
  const std::string text = HalfwidthText(typed);
  double value = 0;
  if (text.find_first_not_of(" \t") == std::string::npos) {
    field.SetText(text);
  } else if (ParseTypedNumber(text, value)) {
    field.SetValue(value);
  } else {
    StatusLine.Caption = "“" + std::string(typed) + "”不是数字：" + FieldCaption(field) + "仍为 " +
                         field.DisplayText();
    return false;
  }
  return true;
}

void TfrmCreateMapUnRg::SetTargetCorner(std::string_view focused, const TLonLatDMS& point) {
  for (GeodeticTab& g : GeodeticTabs) {
    if (focused == g.Corners[0].Name()) g.SetCorner(GeodeticTab::kLowerLeft, point);
    if (focused == g.Corners[6].Name()) g.SetCorner(GeodeticTab::kUpperRight, point);
  }
}

void TfrmCreateMapUnRg::N3Click() {
  Dispatch([this] { DegreesToDms(); });
}

void TfrmCreateMapUnRg::DegreesToDms() {
  const std::string focused = ui_.FocusedControl();
  std::pair<double, double> point{0, 0};
  if (!InputPoint(ui_, "输入", "经度", "纬度", point)) return;
  SetTargetCorner(focused, {DegToDms(point.first), DegToDms(point.second)});
}

void TfrmCreateMapUnRg::N4Click() {
  Dispatch([this] { PlaneToDms(); });
}

void TfrmCreateMapUnRg::PlaneToDms() {
  const std::string focused = ui_.FocusedControl();
  // The tools belong to the corner fields of the geodetic tabs.
  const GeodeticTab* tab = GeodeticTabOf(activeTab_);
  if (tab == nullptr) return;
  const double cm = tab->Meridian.Value();
  const bool zone3 = tab->Zone3();
  // The inverse projection has no automatic zone: it needs the meridian.
  if (!(cm > 0)) {
    ui_.MessageBox(kErrorCaption, kMeridianRequired, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  // Which value is which: the easting first (of the tab's zone, its prefix
  // optional), then the northing.
  const double zone = ZoneNumber(zone3, cm);
  const std::string zoneText = zone == std::trunc(zone) ? std::to_string(static_cast<long long>(zone))
                                                        : std::to_string(zone);
  std::pair<double, double> point{0, 0};
  if (!InputPoint(ui_, "输入：东坐标（第 " + zoneText + " 带，带号可省）与北坐标", "东坐标 Y", "北坐标 X",
                  point)) {
    return;
  }
  // An easting not above the zone prefix was typed without it.
  const double easting = EastingWithZonePrefix(point.first, zone3, cm);
  const double northing = point.second;
  const TLonLatDMS geo = PlaneToGeo(tab->datum, northing, easting, zone3, cm);
  // No point of the projection lies there: said, and nothing written.
  if (std::isnan(geo.Lon.Degrees)) {
    ui_.MessageBox(kErrorCaption, kPlaneOutsideProjection, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  SetTargetCorner(focused, geo);
}

}  // namespace karvento
