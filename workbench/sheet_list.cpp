#include "workbench/sheet_list.h"

#include <algorithm>

namespace karvento {

SheetList::SheetList(std::string name, RecordKind kind)
    : Control(std::move(name), ControlKind::SheetList), kind_(kind) {}

const std::string& SheetList::Text(std::size_t i) const {
  const TMapUnionObject& o = items_[i].object;
  return kind_ == RecordKind::Standard ? o.StandardMapUnion().MapUnionNo
                                       : o.CustomMapUnion().MapUnionNo;
}

void SheetList::SetChecked(std::size_t i, bool checked) {
  if (items_[i].checked == checked) return;
  items_[i].checked = checked;
  Notify(ListChange::CheckChanged, i, 1);
}

void SheetList::SetItemIndex(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= items_.size()) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Notify(ListChange::CurrentChanged, 0, 0);
}

void SheetList::Assign(std::vector<Item>&& items) {
  items_ = std::move(items);
  itemIndex_ = -1;
  Notify(ListChange::Reset, 0, items_.size());
}

void SheetList::Clear() { Assign({}); }

void SheetList::Append(TMapUnionObject object) {
  items_.push_back(Item{std::move(object), false});
  Notify(ListChange::Appended, items_.size() - 1, 1);
}

std::size_t SheetList::RemoveChecked() {
  const auto firstChecked =
      std::find_if(items_.begin(), items_.end(), [](const Item& it) { return it.checked; });
  if (firstChecked == items_.end()) return 0;
  const std::size_t first = static_cast<std::size_t>(firstChecked - items_.begin());
  int current = itemIndex_;
  if (current >= 0) {
    const auto cur = static_cast<std::size_t>(current);
    if (items_[cur].checked) {
      current = -1;
    } else {
      current -= static_cast<int>(std::count_if(items_.begin(), items_.begin() + current,
                                                [](const Item& it) { return it.checked; }));
    }
  }
  const auto kept =
      std::remove_if(firstChecked, items_.end(), [](const Item& it) { return it.checked; });
  const std::size_t removed = static_cast<std::size_t>(items_.end() - kept);
  items_.erase(kept, items_.end());
  itemIndex_ = current;
  Notify(ListChange::Removed, first, removed);
  return removed;
}

void SheetList::Notify(ListChange change, std::size_t first, std::size_t count) const {
  if (observer_ != nullptr) observer_->ListChanged(*this, change, first, count);
}

RowPaint RzListBoxDrawItem(int row, bool focused) {
  RowPaint p;
  if (focused) {
    p.fill = {ColorRole::HotLight};
    p.text = {ColorRole::CaptionText};
  } else {
    p.fill = row % 2 == 0 ? RowColor{ColorRole::Rgb, 239, 239, 239} : RowColor{ColorRole::Window};
    p.text = {ColorRole::Rgb, 0, 0, 0};
  }
  return p;
}

}  // namespace karvento
