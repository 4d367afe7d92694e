// The helpers of a day's work beside the window's own commands: the counts
// of the lists, checking, copying and finding again on the active list, a
// coordinate typed or pasted into a corner's degree field, and a number typed
// on the conversion tab's source list. None of them changes what a command of
// the window does; they call those commands or the lists' own operations.
#include <cmath>
#include <cstdint>
#include <string>
#include <utility>

#include "geodesy/angle_text.h"
#include "workbench/create_map_un_rg.h"

namespace karvento {
namespace {

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

std::vector<SheetList*> TfrmCreateMapUnRg::ListsOfTab(int tab) {
  switch (tab) {
    case kTabBeijing54:
      return {&RzCheckList1};
    case kTabXian80:
      return {&RzCheckList2};
    case kTabCgcs2000:
      return {&Cgcs2000Tab().List};
    case kTabCustom:
      return {&RzCheckList3};
    case kTabConvert:
      return {&RzCheckList4, &RzCheckList5};
    default:
      return {};
  }
}

void TfrmCreateMapUnRg::NoteListFocus(std::string_view listName) {
  for (SheetList* list : ListsOfTab(activeTab_)) {
    if (list->Name() == listName) activeList_[static_cast<std::size_t>(activeTab_)] = list;
  }
}

SheetList* TfrmCreateMapUnRg::ActiveList() {
  const std::vector<SheetList*> lists = ListsOfTab(activeTab_);
  if (lists.empty()) return nullptr;
  NoteListFocus(ui_.FocusedControl());
  if (SheetList* noted = activeList_[static_cast<std::size_t>(activeTab_)]) return noted;
  return lists.back();
}

std::string TfrmCreateMapUnRg::CountText(const SheetList& list) {
  return "共 " + GroupDigits(list.Count()) + " 幅，已选 " + GroupDigits(list.CheckedCount()) + " 幅";
}

std::string TfrmCreateMapUnRg::GroupDigits(std::uint64_t n) {
  const std::string digits = std::to_string(n);
  std::string out;
  for (std::size_t i = 0; i < digits.size(); ++i) {
    if (i > 0 && (digits.size() - i) % 3 == 0) out += ',';
    out += digits[i];
  }
  return out;
}

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

std::string TfrmCreateMapUnRg::CheckedNumbersText(const SheetList& list) {
  std::string text;
  if (list.CheckedCount() == 0) {
    if (list.ItemIndex() >= 0) text = list.Text(static_cast<std::size_t>(list.ItemIndex())) + "\n";
    return text;
  }
  for (std::size_t i = 0; i < list.Count(); ++i) {
    if (!list.Checked(i)) continue;
    text += list.Text(i);
    text += '\n';
  }
  return text;
}

void TfrmCreateMapUnRg::CheckAll1Click() {
  Dispatch([this] {
    if (SheetList* list = ActiveList()) list->SetAllChecked(true);
  });
}

void TfrmCreateMapUnRg::UncheckAll1Click() {
  Dispatch([this] {
    if (SheetList* list = ActiveList()) list->SetAllChecked(false);
  });
}

void TfrmCreateMapUnRg::InvertChecks1Click() {
  Dispatch([this] {
    if (SheetList* list = ActiveList()) list->InvertChecked();
  });
}

void TfrmCreateMapUnRg::CopyNumbers1Click() {
  Dispatch([this] {
    SheetList* list = ActiveList();
    if (list == nullptr) return;
    const std::string text = CheckedNumbersText(*list);
    if (!text.empty()) ui_.SetClipboardText(text);
  });
}

void TfrmCreateMapUnRg::DeleteKeyClick() {
  if (SheetList* list = ActiveList()) DeleteCheckedItems(*list);
}

void TfrmCreateMapUnRg::FindKeyClick() {
  if (SheetList* list = ActiveList()) FindMapUnionNo(*list);
}

void TfrmCreateMapUnRg::FindNextKeyClick() {
  if (SheetList* list = ActiveList()) FindNextMapUnionNo(*list);
}

void TfrmCreateMapUnRg::FindNextMapUnionNo(SheetList& list) {
  if (lastFind_.empty()) {
    FindMapUnionNo(list);
    return;
  }
  Dispatch([&] {
    // From the row after the current one round to the current one itself.
    const std::size_t start = list.ItemIndex() < 0 ? 0 : static_cast<std::size_t>(list.ItemIndex()) + 1;
    if (SelectNumber(list, start, lastFind_)) ui_.SetFocus(list.Name());
  });
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
  const bool number = !blank && ParseTypedNumber(text, value, Commas::DecimalComma);
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

void TfrmCreateMapUnRg::AddTypedNumber(std::string_view number) {
  Dispatch([&] { AddNumber(std::string(number)); });
}

}  // namespace karvento
