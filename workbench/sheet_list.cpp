// SPDX-License-Identifier: Apache-2.0
#include "workbench/sheet_list.h"

#include <algorithm>

namespace karvento {

SheetList::SheetList(std::string name, RecordKind kind)
    : Control(std::move(name), ControlKind::SheetList), kind_(kind) {}

const std::string& SheetList::Text(std::size_t i) const {
  return kind_ == RecordKind::Standard ? StandardRecord(i).MapUnionNo : CustomRecord(i).MapUnionNo;
}

TMapUnionObject SheetList::Object(std::size_t i) const {
  return kind_ == RecordKind::Standard ? TMapUnionObject::CreateStandard(StandardRecord(i))
                                       : TMapUnionObject::CreateCustom(CustomRecord(i));
}

void SheetList::SetChecked(std::size_t i, bool checked) {
  if (rows_[i].checked == checked) return;
  rows_[i].checked = checked;
  checked ? ++checkedCount_ : --checkedCount_;
  Notify(ListChange::CheckChanged, i, 1);
}

void SheetList::SetAllChecked(bool checked) {
  if (checkedCount_ == (checked ? rows_.size() : 0)) return;
  for (Row& r : rows_) r.checked = checked;
  checkedCount_ = checked ? rows_.size() : 0;
  Notify(ListChange::ChecksChanged, 0, rows_.size());
}

void SheetList::InvertChecked() {
  if (rows_.empty()) return;
  for (Row& r : rows_) r.checked = !r.checked;
  checkedCount_ = rows_.size() - checkedCount_;
  Notify(ListChange::ChecksChanged, 0, rows_.size());
}

void SheetList::SetItemIndex(int index) {
  if (index < 0 || static_cast<std::size_t>(index) >= rows_.size()) index = -1;
  if (index == itemIndex_) return;
  itemIndex_ = index;
  Notify(ListChange::CurrentChanged, 0, 0);
}

template <class Table>
void SheetList::RefillFrom(std::shared_ptr<const Table> table, std::shared_ptr<const void>& keep) {
  std::vector<Row> rows;
  if (table) {
    std::size_t total = 0;
    for (const auto& inner : *table) total += inner.size();
    rows.reserve(total);
    for (const auto& inner : *table) {
      for (const auto& r : inner) rows.push_back({&r, false});
    }
  }
  // Nothing below can fail.
  rows_.swap(rows);
  keep = std::move(table);
  appendedStandard_.clear();
  appendedCustom_.clear();
  itemIndex_ = rows_.empty() ? -1 : 0;
  checkedCount_ = 0;
  Notify(ListChange::Reset, 0, rows_.size());
}

void SheetList::Refill(std::shared_ptr<const TStandardMapUnions> table) {
  RefillFrom(std::move(table), filled_);
}

void SheetList::Refill(std::shared_ptr<const TCustomMapUnions> table) {
  RefillFrom(std::move(table), filled_);
}

void SheetList::Clear() { Refill(std::shared_ptr<const TStandardMapUnions>()); }

// Room for one more row, growing geometrically, so that appending cannot fail
// after the record has been stored.
void SheetList::ReserveOneMore() {
  if (rows_.size() == rows_.capacity()) rows_.reserve(std::max<std::size_t>(16, 2 * rows_.size()));
}

void SheetList::Append(const TStandardMapUnion& record) {
  ReserveOneMore();
  appendedStandard_.push_back(record);
  rows_.push_back({&appendedStandard_.back(), false});
  Notify(ListChange::Appended, rows_.size() - 1, 1);
}

void SheetList::Append(const TCustomMapUnion& record) {
  ReserveOneMore();
  appendedCustom_.push_back(record);
  rows_.push_back({&appendedCustom_.back(), false});
  Notify(ListChange::Appended, rows_.size() - 1, 1);
}

std::size_t SheetList::AppendedCount() const {
  return kind_ == RecordKind::Standard ? appendedStandard_.size() : appendedCustom_.size();
}

// Moves the records of the unchecked appended rows to the front of the deque,
// in their order, and drops the rest: the deque then holds exactly the
// records of the rows that stay. Moving a record and popping the back cannot
// fail, and the records that stay keep their place.
template <class Record>
void SheetList::ReleaseCheckedAppended(std::deque<Record>& appended) {
  const std::size_t first = rows_.size() - appended.size();
  std::size_t kept = 0;
  for (std::size_t k = 0; k < appended.size(); ++k) {
    Row& row = rows_[first + k];
    if (row.checked) continue;
    if (kept != k) appended[kept] = std::move(appended[k]);
    row.record = &appended[kept];
    ++kept;
  }
  while (appended.size() > kept) appended.pop_back();
}

std::size_t SheetList::RemoveChecked() {
  const auto isChecked = [](const Row& r) { return r.checked; };
  const auto firstChecked = std::find_if(rows_.begin(), rows_.end(), isChecked);
  if (firstChecked == rows_.end()) return 0;
  const std::size_t first = static_cast<std::size_t>(firstChecked - rows_.begin());
  int current = itemIndex_;
  if (current >= 0) {
    if (rows_[static_cast<std::size_t>(current)].checked) {
      current = -1;
    } else {
      current -= static_cast<int>(std::count_if(rows_.begin(), rows_.begin() + current, isChecked));
    }
  }
  if (kind_ == RecordKind::Standard) {
    ReleaseCheckedAppended(appendedStandard_);
  } else {
    ReleaseCheckedAppended(appendedCustom_);
  }
  const auto kept = std::remove_if(rows_.begin() + static_cast<std::ptrdiff_t>(first), rows_.end(),
                                   isChecked);
  const std::size_t removed = static_cast<std::size_t>(rows_.end() - kept);
  rows_.erase(kept, rows_.end());
  // No row shows a record of the last fill any more: the list lets go of it.
  if (rows_.size() == AppendedCount()) filled_.reset();
  // A list that shrank to a small part of what it held gives the room back
  // (shrinking copies the rows; without memory for that, the room stays).
  if (rows_.size() < rows_.capacity() / 4) rows_.shrink_to_fit();
  itemIndex_ = current;
  checkedCount_ = 0;
  Notify(ListChange::Removed, first, removed);
  return removed;
}

void SheetList::RemoveFrom(std::size_t count) {
  if (count >= rows_.size()) return;
  const std::size_t removed = rows_.size() - count;
  for (std::size_t i = count; i < rows_.size(); ++i) {
    if (rows_[i].checked) --checkedCount_;
  }
  // The last rows hold the records appended last.
  const auto release = [removed](auto& appended) {
    for (std::size_t i = 0; i < removed && !appended.empty(); ++i) appended.pop_back();
  };
  if (kind_ == RecordKind::Standard) {
    release(appendedStandard_);
  } else {
    release(appendedCustom_);
  }
  rows_.resize(count);
  if (rows_.size() == AppendedCount()) filled_.reset();
  if (itemIndex_ >= 0 && static_cast<std::size_t>(itemIndex_) >= count) itemIndex_ = -1;
  Notify(ListChange::Removed, count, removed);
}

SheetList::Saved SheetList::Save() const {
  Saved saved{rows_, filled_, appendedStandard_, appendedCustom_, itemIndex_, checkedCount_};
  // The last rows show the appended records, in order: they point into the
  // copies now.
  const std::size_t appended = AppendedCount();
  for (std::size_t k = 0; k < appended; ++k) {
    Row& row = saved.rows[saved.rows.size() - appended + k];
    row.record = kind_ == RecordKind::Standard ? static_cast<const void*>(&saved.appendedStandard[k])
                                               : static_cast<const void*>(&saved.appendedCustom[k]);
  }
  return saved;
}

void SheetList::Restore(Saved saved) {
  rows_ = std::move(saved.rows);
  filled_ = std::move(saved.filled);
  appendedStandard_ = std::move(saved.appendedStandard);
  appendedCustom_ = std::move(saved.appendedCustom);
  itemIndex_ = saved.itemIndex;
  checkedCount_ = saved.checkedCount;
  Notify(ListChange::Reset, 0, rows_.size());
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
