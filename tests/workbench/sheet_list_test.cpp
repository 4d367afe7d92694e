#include <gtest/gtest.h>

#include <string>
#include <tuple>
#include <vector>

#include "workbench/sheet_list.h"

namespace karvento {
namespace {

TStandardMapUnion Standard(std::string no, double x = 0) {
  TStandardMapUnion r;
  r.MapUnionNo = std::move(no);
  r.Range.West = {116, 0, 0};
  r.PlaneCorners[kNW] = {x, 1};
  return r;
}

void Fill(SheetList& list, std::vector<std::string> numbers) {
  std::vector<SheetList::Item> items;
  for (auto& n : numbers) items.push_back({TMapUnionObject::CreateStandard(Standard(n)), false});
  list.Assign(std::move(items));
}

std::vector<std::string> Texts(const SheetList& list) {
  std::vector<std::string> t;
  for (std::size_t i = 0; i < list.Count(); ++i) t.push_back(list.Text(i));
  return t;
}

struct Recorder : SheetListObserver {
  std::vector<std::tuple<ListChange, std::size_t, std::size_t>> changes;
  void ListChanged(const SheetList&, ListChange c, std::size_t first, std::size_t count) override {
    changes.emplace_back(c, first, count);
  }
};

TEST(MapUnionObject, HoldsOneRecordAndLeavesTheOtherEmpty) {
  const TStandardMapUnion s = Standard("J50", 5);
  const TMapUnionObject a = TMapUnionObject::CreateStandard(s);
  TStandardMapUnion gotS;
  TCustomMapUnion gotC{"x", 1, 2, 3, 4};
  a.GetStandardMapUnion(gotS);
  a.GetCustomMapUnion(gotC);
  EXPECT_EQ(gotS, s);
  EXPECT_EQ(gotC, TCustomMapUnion{});

  const TCustomMapUnion c{"1+2", 500, 0, 1000, 500};
  const TMapUnionObject b = TMapUnionObject::CreateCustom(c);
  b.GetStandardMapUnion(gotS);
  b.GetCustomMapUnion(gotC);
  EXPECT_EQ(gotS, TStandardMapUnion{});
  EXPECT_EQ(gotC, c);
}

TEST(SheetList, RemoveCheckedKeepsTheOthersInOrder) {
  struct Case {
    std::vector<bool> checked;
    int current;
    std::vector<std::string> left;
    int currentAfter;
  } cases[] = {
      // Three of five checked: exactly those go.
      {{true, false, true, false, true}, 3, {"B", "D"}, 1},
      // The current item removed: none is current.
      {{false, true, false, false, false}, 1, {"A", "C", "D", "E"}, -1},
      // Nothing checked: nothing removed, the current item stays.
      {{false, false, false, false, false}, 2, {"A", "B", "C", "D", "E"}, 2},
      {{true, true, true, true, true}, 0, {}, -1},
      {{true, false, false, false, false}, -1, {"B", "C", "D", "E"}, -1},
  };
  for (const Case& c : cases) {
    SheetList list("RzCheckList1", RecordKind::Standard);
    Fill(list, {"A", "B", "C", "D", "E"});
    for (std::size_t i = 0; i < c.checked.size(); ++i) list.SetChecked(i, c.checked[i]);
    list.SetItemIndex(c.current);
    list.RemoveChecked();
    EXPECT_EQ(Texts(list), c.left);
    EXPECT_EQ(list.ItemIndex(), c.currentAfter);
  }
}

TEST(SheetList, ObserverHearsEveryChange) {
  SheetList list("RzCheckList1", RecordKind::Standard);
    Fill(list, {"A", "B", "C"});
  Recorder r;
  list.SetObserver(&r);
  list.SetItemIndex(1);
  list.SetItemIndex(1);  // unchanged: no news
  list.SetChecked(0, true);
  list.Append(TMapUnionObject::CreateStandard(Standard("D")));
  list.RemoveChecked();
  list.Clear();
  using C = ListChange;
  const std::vector<std::tuple<ListChange, std::size_t, std::size_t>> expected = {
      {C::CurrentChanged, 0, 0}, {C::CheckChanged, 0, 1}, {C::Appended, 3, 1},
      {C::Removed, 0, 1},        {C::Reset, 0, 0}};
  EXPECT_EQ(r.changes, expected);
}

TEST(SheetList, CurrentItemOutsideTheRowsIsNone) {
  SheetList list("RzCheckList1", RecordKind::Standard);
    Fill(list, {"A"});
  list.SetItemIndex(5);
  EXPECT_EQ(list.ItemIndex(), -1);
  list.SetItemIndex(0);
  EXPECT_EQ(list.ItemIndex(), 0);
  // A refill leaves no item current.
  list.Assign({});
  EXPECT_EQ(list.ItemIndex(), -1);
}

TEST(SheetList, CustomListShowsTheCustomNumber) {
  SheetList list("RzCheckList3", RecordKind::Custom);
  list.Append(TMapUnionObject::CreateCustom({"1+1", 0, 0, 500, 500}));
  EXPECT_EQ(list.Text(0), "1+1");
  EXPECT_FALSE(list.Checked(0));
}

TEST(SheetList, AnItemCostsLittleMoreThanItsRecords) {
  // The row holds the record holder and its check state, nothing else.
  EXPECT_LE(sizeof(SheetList::Item), sizeof(TMapUnionObject) + alignof(TMapUnionObject));
}

TEST(RowPainting, AlternatingRowsAndTheFocusedRow) {
  const RowColor grey{ColorRole::Rgb, 239, 239, 239};
  const RowColor window{ColorRole::Window};
  const RowColor black{ColorRole::Rgb, 0, 0, 0};
  const RowColor hot{ColorRole::HotLight};
  const RowColor caption{ColorRole::CaptionText};
  struct Case {
    int row;
    bool focused;
    RowColor fill, text;
  } cases[] = {
      {0, false, grey, black},  {1, false, window, black}, {2, false, grey, black},
      {7, false, window, black}, {0, true, hot, caption},  {1, true, hot, caption},
  };
  for (const Case& c : cases) {
    const RowPaint p = RzListBoxDrawItem(c.row, c.focused);
    EXPECT_EQ(p.fill, c.fill) << c.row << c.focused;
    EXPECT_EQ(p.text, c.text) << c.row << c.focused;
    EXPECT_EQ(p.textDx, 2);
    EXPECT_EQ(p.textDy, 4);
  }
  EXPECT_EQ(kListRowHeight, 17);
}

}  // namespace
}  // namespace karvento
