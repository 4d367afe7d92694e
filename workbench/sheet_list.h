// SPDX-License-Identifier: Apache-2.0
// A sheet list: one row per sheet, each row a check state and the record
// whose sheet number is the row's text. A fill hands the list the records it
// also stores as the sheet table; the list keeps them alive for as long as it
// shows them, so a list of a million sheets costs the records once and 16
// bytes per row, and a view asks the list for the rows it shows. Records are
// never changed once listed, so sharing them is the same as copying them.
#pragma once

#include <cstddef>
#include <cstdint>
#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "workbench/controls.h"
#include "workbench/map_union_object.h"

namespace karvento {

// Which record a list holds.
enum class RecordKind : std::uint8_t { Standard, Custom };

// What changed in a list, for the view that shows it.
enum class ListChange : std::uint8_t {
  Reset,           // cleared and refilled: every row may differ
  Appended,        // rows added at the end (first, count)
  Removed,         // rows removed: every row from the first removed one on may differ
  CurrentChanged,  // the current row changed
  CheckChanged,    // the check state of one row (first) changed
  ChecksChanged,   // the check state of any number of rows changed, no row moved
};

class SheetList;

class SheetListObserver {
 public:
  virtual ~SheetListObserver() = default;
  virtual void ListChanged(const SheetList& list, ListChange change, std::size_t first,
                           std::size_t count) = 0;
};

class SheetList : public Control {
 public:
  SheetList(std::string name, RecordKind kind);

  RecordKind Kind() const { return kind_; }
  std::size_t Count() const { return rows_.size(); }
  // The row's text: the sheet number of its record.
  const std::string& Text(std::size_t i) const;
  // The record of a row of a standard list or of a custom list.
  const TStandardMapUnion& StandardRecord(std::size_t i) const {
    return *static_cast<const TStandardMapUnion*>(rows_[i].record);
  }
  const TCustomMapUnion& CustomRecord(std::size_t i) const {
    return *static_cast<const TCustomMapUnion*>(rows_[i].record);
  }
  // The row's record holder: the record in the field of the list's kind, the
  // other field empty.
  TMapUnionObject Object(std::size_t i) const;

  bool Checked(std::size_t i) const { return rows_[i].checked; }
  void SetChecked(std::size_t i, bool checked);
  // The number of checked rows, kept as rows are checked, filled and removed.
  std::size_t CheckedCount() const { return checkedCount_; }
  // Checks or unchecks every row, or turns every row's check over.
  void SetAllChecked(bool checked);
  void InvertChecked();

  // Current row, -1 when none.
  int ItemIndex() const { return itemIndex_; }
  // An index outside the rows makes no row current.
  void SetItemIndex(int index);

  // Replaces every row by one unchecked row per record of the table (of the
  // list's kind), outer then inner index ascending; the first row is current
  // (none when the table is empty), so that a view of the list starts at the
  // top. The list keeps the table alive. When memory runs out the list is
  // unchanged.
  void Refill(std::shared_ptr<const TStandardMapUnions> table);
  void Refill(std::shared_ptr<const TCustomMapUnions> table);
  void Clear();
  // Appends an unchecked row holding a copy of the record.
  void Append(const TStandardMapUnion& record);
  void Append(const TCustomMapUnion& record);
  // Removes every checked row; the others keep their order. The current row
  // stays current when it is kept and none is current when it is removed.
  // Returns the number of rows removed. The records appended one by one are
  // released with their rows; the table of the last fill is released once
  // none of its rows is left (a sheet table that still holds it keeps it).
  std::size_t RemoveChecked();
  // Removes the rows from index count on, so that the list has count rows
  // again (nothing happens when it has no more): a command takes back the
  // rows it appended. The current row stays current when it is kept and
  // none is current when it is removed. The records appended for the removed
  // rows are released.
  void RemoveFrom(std::size_t count);

  void SetObserver(SheetListObserver* observer) { observer_ = observer; }

  // Everything the list shows: its rows with their check state and order,
  // the current row and the records behind them, for taking a delete back.
  struct Saved;
  Saved Save() const;
  // The records the list holds copies of (rows appended one by one), which
  // Save copies again.
  std::size_t AppendedCount() const;
  // Shows the saved state again (a Reset to the view).
  void Restore(Saved saved);

  struct Row {
    const void* record;  // a TStandardMapUnion or a TCustomMapUnion, by the list's kind
    bool checked;
  };

 private:
  template <class Table>
  void RefillFrom(std::shared_ptr<const Table> table, std::shared_ptr<const void>& keep);
  void ReserveOneMore();
  template <class Record>
  void ReleaseCheckedAppended(std::deque<Record>& appended);
  void Notify(ListChange change, std::size_t first, std::size_t count) const;

  RecordKind kind_;
  std::vector<Row> rows_;
  // The records the rows point into: the table of the last fill and the
  // records appended one by one since (a deque never moves its elements).
  // The rows of appended records are the last rows of the list, one for
  // each record of the deque of the list's kind and in the same order.
  std::shared_ptr<const void> filled_;
  std::deque<TStandardMapUnion> appendedStandard_;
  std::deque<TCustomMapUnion> appendedCustom_;
  int itemIndex_ = -1;
  std::size_t checkedCount_ = 0;
  SheetListObserver* observer_ = nullptr;
};

struct SheetList::Saved {
  std::vector<Row> rows;
  std::shared_ptr<const void> filled;
  // Moving a deque keeps its elements where they are, so the rows of
  // appended records stay valid through Restore.
  std::deque<TStandardMapUnion> appendedStandard;
  std::deque<TCustomMapUnion> appendedCustom;
  int itemIndex = -1;
  std::size_t checkedCount = 0;
};

// Row painting, the same for every list. The list draws the check box and the
// focus rectangle itself; the view fills the rest of the row and draws the
// sheet number from the origin offset below.
enum class ColorRole : std::uint8_t {
  HotLight,     // system hot-track colour (COLOR_HOTLIGHT, 26)
  CaptionText,  // system caption-text colour (COLOR_CAPTIONTEXT, 9)
  Window,       // system window colour (COLOR_WINDOW, 5)
  Rgb,          // the colour given by r, g, b
};

struct RowColor {
  ColorRole role;
  std::uint8_t r = 0, g = 0, b = 0;
  friend bool operator==(const RowColor&, const RowColor&) = default;
};

struct RowPaint {
  RowColor fill;
  RowColor text;
  int textDx = 2;  // text origin right of the row rectangle's left edge
  int textDy = 4;  // and below its top
  friend bool operator==(const RowPaint&, const RowPaint&) = default;
};

inline constexpr int kListRowHeight = 17;

// The row with the keyboard focus takes the hot-track colour with caption
// text; the others alternate light grey (even rows, the first row included)
// and the window colour, with black text.
RowPaint RzListBoxDrawItem(int row, bool focused);

}  // namespace karvento
