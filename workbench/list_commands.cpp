// SPDX-License-Identifier: Apache-2.0
// The commands of the sheet lists: which list a keyboard or menu command
// acts on, the counts, checking and copying, delete, find and find again, and
// the information dialog of a listed sheet with its neighbours.
#include <cstdint>
#include <string>
#include <utility>
#include <vector>

#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/input_dialogs.h"
#include "workbench/tf_information.h"

namespace karvento {
namespace {

constexpr const char* kNotFound = "未找到图幅号 ";

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

// ---------------------------------------------------------------------------
// Delete and find

void TfrmCreateMapUnRg::DeleteCheckedItems(SheetList& list) {
  Dispatch([&] { DoDeleteCheckedItems(list); });
}

void TfrmCreateMapUnRg::DoDeleteCheckedItems(SheetList& list) {
  // Nothing checked: nothing to ask about.
  if (list.CheckedCount() == 0) {
    StatusLine.Caption = "没有选中的图幅号：请先勾选要删除的图幅";
    return;
  }
  const std::string question = "删除选中的 " + GroupDigits(list.CheckedCount()) + " 幅图幅号吗？";
  if (ui_.MessageBox("确认", question, MessageButtons::YesNo, MessageIcon::Question) !=
      MessageResult::Yes) {
    return;
  }
  ForgetUndo();
  // A delete is kept for 撤销删除 while the list's own records (numbers
  // added one by one or read from a file) are few enough to copy; a
  // generated list shares its records with the sheet table and costs its
  // rows only. A larger one gives its memory back at once.
  constexpr std::size_t kMaxUndoRecords = 50'000;
  const bool keep = list.AppendedCount() <= kMaxUndoRecords;
  SheetList::Saved before = keep ? list.Save() : SheetList::Saved{};
  const std::size_t removed = list.RemoveChecked();
  if (keep) {
    undoList_ = &list;
    undoSaved_ = std::move(before);
    UndoDelete1.Enabled = true;
  }
  StatusLine.Caption = "已删除 " + GroupDigits(removed) + " 幅" +
                       (keep ? "（Ctrl+Z 撤销删除）" : "（列表过大，不能撤销）");
}

void TfrmCreateMapUnRg::ForgetUndo() {
  undoList_ = nullptr;
  undoSaved_ = {};
  UndoDelete1.Enabled = false;
}

void TfrmCreateMapUnRg::UndoDelete1Click() {
  Dispatch([this] {
    SheetList* list = ActiveList();
    if (undoList_ == nullptr || list != undoList_) {
      StatusLine.Caption = "没有可撤销的删除";
      return;
    }
    const std::size_t before = list->Count();
    list->Restore(std::move(undoSaved_));
    StatusLine.Caption = "已恢复 " + GroupDigits(list->Count() - before) + " 幅";
    ForgetUndo();
  });
}

void TfrmCreateMapUnRg::FindMapUnionNo(SheetList& list) {
  Dispatch([&] { DoFindMapUnionNo(list); });
}

void TfrmCreateMapUnRg::DoFindMapUnionNo(SheetList& list) {
  std::string wanted;
  if (!InputString(ui_, "查找", "请输入图幅号", wanted)) return;
  ui_.SetFocus(list.Name());
  lastFind_ = wanted;
  SelectNumber(list, 0, wanted);
}

bool TfrmCreateMapUnRg::SelectNumber(SheetList& list, std::size_t start, const std::string& typed) {
  const std::string wanted = SheetNumberInCapitals(typed);
  const std::size_t n = list.Count();
  for (std::size_t k = 0; k < n; ++k) {
    const std::size_t i = (start + k) % n;
    if (SheetNumberInCapitals(list.Text(i)) == wanted) {
      list.SetItemIndex(static_cast<int>(i));
      StatusLine.Caption.clear();
      return true;
    }
  }
  StatusLine.Caption = kNotFound + typed;
  return false;
}

// ---------------------------------------------------------------------------
// Information

void TfrmCreateMapUnRg::ShowSelectedInfo(SheetList& list) {
  Dispatch([&] { DoShowSelectedInfo(list); });
}

void TfrmCreateMapUnRg::DoShowSelectedInfo(SheetList& list) {
  if (list.Kind() == RecordKind::Custom) {
    DoShowCustomSelected();
    return;
  }
  if (list.ItemIndex() < 0) return;
  TStandardMapUnion r;
  list.Object(static_cast<std::size_t>(list.ItemIndex())).GetStandardMapUnion(r);
  DoShowStandardInfo(r, &list);
}

bool TfrmCreateMapUnRg::ListSystem(const SheetList& list, TPlaneSystem& system) const {
  for (const GeodeticTab& tab : GeodeticTabs) {
    if (&list == &tab.List) {
      system = tab.ListPlane;
      return true;
    }
  }
  if (&list == &RzCheckList5) {
    system = convertedPlane_;
    return true;
  }
  // A source number is projected as it is added, on the conversion tab's
  // system of that moment, without offsets.
  if (&list != &RzCheckList4) return false;
  system = {ConversionDatum(), RzComboBox6.ItemIndex() == 0, RzSpinEdit34.Value(), 0, 0};
  return true;
}

bool TfrmCreateMapUnRg::ListZone2000(const SheetList& list, bool& zone3, double& cm) const {
  TPlaneSystem system;
  if (!ListSystem(list, system) || system.datum != Datum::Cgcs2000) return false;
  zone3 = system.zone3;
  cm = system.cm;
  return true;
}

void TfrmCreateMapUnRg::RzCheckList3DblClick() {
  Dispatch([this] { DoShowCustomSelected(); });
}

void TfrmCreateMapUnRg::DoShowCustomSelected() {
  if (RzCheckList3.ItemIndex() < 0) return;
  TCustomMapUnion r;
  RzCheckList3.Object(static_cast<std::size_t>(RzCheckList3.ItemIndex())).GetCustomMapUnion(r);
  DoShowCustomInfo(r);
}

void TfrmCreateMapUnRg::ShowStandardInfo(const TStandardMapUnion& record) {
  Dispatch([&] { DoShowStandardInfo(record); });
}

void TfrmCreateMapUnRg::ShowCustomInfo(const TCustomMapUnion& record) {
  Dispatch([&] { DoShowCustomInfo(record); });
}

void TfrmCreateMapUnRg::DoShowStandardInfo(const TStandardMapUnion& record) {
  DoShowStandardInfo(record, nullptr);
}

void TfrmCreateMapUnRg::DoShowStandardInfo(const TStandardMapUnion& record, SheetList* list) {
  TfrmTFInformation dialog;
  dialog.Caption = kInformationCaption;
  dialog.Fill(record);
  bool zone3 = false;
  double cm = 0;
  if (list != nullptr && ListZone2000(*list, zone3, cm)) {
    dialog.FillScaleConvergence2000(record, zone3, cm);
  }
  // The 接合图表 of a sheet of a filled list (the conversion's source list
  // holds typed numbers, not a fill).
  TPlaneSystem system;
  if (list != nullptr && list != &RzCheckList4 && ListSystem(*list, system) &&
      NeighboursOfSheet(record, system.zone3, system.datum, system.cm, dialog.Neighbours)) {
    dialog.ShowsNeighbours = true;
    // With the list's own offsets, as its rows carry them.
    std::vector<TStandardMapUnion> around(dialog.Neighbours.begin(), dialog.Neighbours.end());
    SubtractPlaneOffsets(around, system.offsetX, system.offsetY);
    std::move(around.begin(), around.end(), dialog.Neighbours.begin());
    dialog.OnAddNeighbour = [this, list](const TStandardMapUnion& sheet) {
      Dispatch([&] {
        for (std::size_t i = 0; i < list->Count(); ++i) {
          if (list->Text(i) == sheet.MapUnionNo) {
            StatusLine.Caption = "已在列表中：" + sheet.MapUnionNo;
            return;
          }
        }
        list->Append(sheet);
        StatusLine.Caption = "已加入 " + sheet.MapUnionNo;
      });
      return StatusLine.Caption;
    };
    dialog.OnMakeFrame = [this, record, system] {
      Dispatch([&] { ExportFrameOf(record, system); });
      return StatusLine.Caption;
    };
  }
  ui_.ShowInformation(dialog);
}

void TfrmCreateMapUnRg::DoShowCustomInfo(const TCustomMapUnion& record) {
  TfrmTFInformation dialog;
  dialog.Caption = kInformationCaption;
  dialog.Fill(record);
  ui_.ShowInformation(dialog);
}

void TfrmCreateMapUnRg::RzCheckList1DblClick() { ShowSelectedInfo(RzCheckList1); }
void TfrmCreateMapUnRg::RzCheckList2DblClick() { ShowSelectedInfo(RzCheckList2); }
void TfrmCreateMapUnRg::RzCheckList4DblClick() { ShowSelectedInfo(RzCheckList4); }
void TfrmCreateMapUnRg::RzCheckList5DblClick() { ShowSelectedInfo(RzCheckList5); }

}  // namespace karvento
