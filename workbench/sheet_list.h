// A sheet list: one row per sheet, each row a check state and the record
// holder whose sheet number is the row's text. The rows are stored side by
// side in one vector, so a list of a million sheets costs the records and a
// few bytes per row, and a view asks the list for the rows it shows.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "workbench/controls.h"
#include "workbench/map_union_object.h"

namespace karvento {

// Which record of the holder a list shows.
enum class RecordKind : std::uint8_t { Standard, Custom };

// What changed in a list, for the view that shows it.
enum class ListChange : std::uint8_t {
  Reset,           // cleared and refilled: every row may differ
  Appended,        // rows added at the end (first, count)
  Removed,         // rows removed: every row from the first removed one on may differ
  CurrentChanged,  // the current row changed
  CheckChanged,    // the check state of one row (first) changed
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
  struct Item {
    TMapUnionObject object;
    bool checked = false;
  };

  SheetList(std::string name, RecordKind kind);

  RecordKind Kind() const { return kind_; }
  std::size_t Count() const { return items_.size(); }
  const Item& At(std::size_t i) const { return items_[i]; }
  // The row's text: the sheet number of the record the list shows.
  const std::string& Text(std::size_t i) const;
  bool Checked(std::size_t i) const { return items_[i].checked; }
  void SetChecked(std::size_t i, bool checked);

  // Current row, -1 when none.
  int ItemIndex() const { return itemIndex_; }
  // An index outside the rows makes no row current.
  void SetItemIndex(int index);

  // Replaces every row (the items come in unchecked); no row is current.
  void Assign(std::vector<Item>&& items);
  void Clear();
  void Append(TMapUnionObject object);
  // Removes every checked row; the others keep their order. The current row
  // stays current when it is kept and none is current when it is removed.
  // Returns the number of rows removed.
  std::size_t RemoveChecked();

  void SetObserver(SheetListObserver* observer) { observer_ = observer; }

 private:
  void Notify(ListChange change, std::size_t first, std::size_t count) const;

  RecordKind kind_;
  std::vector<Item> items_;
  int itemIndex_ = -1;
  SheetListObserver* observer_ = nullptr;
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
