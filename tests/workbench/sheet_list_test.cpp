// SPDX-License-Identifier: Apache-2.0
#include "workbench/sheet_list.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

#include "workbench/sheet_table.h"

namespace karvento {
namespace {

TStandardMapUnion Standard(std::string no, double x = 0) {
  TStandardMapUnion r;
  r.MapUnionNo = std::move(no);
  r.Range.West = {116, 0, 0};
  r.PlaneCorners[kNW] = {x, 1};
  return r;
}

// Fills the list as a fill does: one column per number.
void Fill(SheetList& list, std::vector<std::string> numbers) {
  auto table = std::make_shared<TStandardMapUnions>();
  for (auto& n : numbers) table->push_back({Standard(n)});
  list.Refill(std::shared_ptr<const TStandardMapUnions>(std::move(table)));
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
  list.Append(Standard("D"));
  list.RemoveChecked();
  list.Clear();
  using C = ListChange;
  const std::vector<std::tuple<ListChange, std::size_t, std::size_t>> expected = {
      {C::CurrentChanged, 0, 0},
      {C::CheckChanged, 0, 1},
      {C::Appended, 3, 1},
      {C::Removed, 0, 1},
      {C::Reset, 0, 0}};
  EXPECT_EQ(r.changes, expected);
}

TEST(SheetList, CurrentItemOutsideTheRowsIsNone) {
  SheetList list("RzCheckList1", RecordKind::Standard);
  Fill(list, {"A"});
  list.SetItemIndex(5);
  EXPECT_EQ(list.ItemIndex(), -1);
  list.SetItemIndex(0);
  EXPECT_EQ(list.ItemIndex(), 0);
  // A refill starts at its first row; an empty one has no current row.
  list.SetItemIndex(-1);
  Fill(list, {"B", "C"});
  EXPECT_EQ(list.ItemIndex(), 0);
  list.SetItemIndex(1);
  Fill(list, {"D", "E", "F"});
  EXPECT_EQ(list.ItemIndex(), 0);
  Fill(list, {});
  EXPECT_EQ(list.ItemIndex(), -1);
  Fill(list, {"G"});
  list.Clear();
  EXPECT_EQ(list.ItemIndex(), -1);
  EXPECT_EQ(list.Count(), 0u);
}

TEST(SheetList, CustomListShowsTheCustomNumber) {
  SheetList list("RzCheckList3", RecordKind::Custom);
  list.Append(TCustomMapUnion{"1+1", 0, 0, 500, 500});
  EXPECT_EQ(list.Text(0), "1+1");
  EXPECT_FALSE(list.Checked(0));
  TCustomMapUnion c;
  TStandardMapUnion s{"x", {}, {}};
  list.Object(0).GetCustomMapUnion(c);
  list.Object(0).GetStandardMapUnion(s);
  EXPECT_EQ(c, (TCustomMapUnion{"1+1", 0, 0, 500, 500}));
  EXPECT_EQ(s, TStandardMapUnion{});
}

TEST(SheetList, ListedRecordsStayWhileTheListShowsThem) {
  SheetList list("RzCheckList1", RecordKind::Standard);
  {
    auto table = std::make_shared<TStandardMapUnions>(
        TStandardMapUnions{{Standard("J50", 1), Standard("J51", 2)}, {Standard("K50", 3)}});
    list.Refill(std::shared_ptr<const TStandardMapUnions>(table));
  }  // the fill's own reference is gone; the list keeps the records
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"J50", "J51", "K50"}));
  EXPECT_EQ(list.StandardRecord(2).PlaneCorners[kNW].X, 3);
  // Appended records live beside the filled ones.
  list.Append(Standard("L50", 4));
  list.SetChecked(0, true);
  list.RemoveChecked();
  EXPECT_EQ(Texts(list), (std::vector<std::string>{"J51", "K50", "L50"}));
  EXPECT_EQ(list.StandardRecord(2).PlaneCorners[kNW].X, 4);
}

// Deleting rows releases the records that only they held; the rows that stay
// keep their own records, also through later deletes, take-backs and appends.
TEST(SheetList, RowsThatStayKeepTheirRecordsWhenOthersAreRemoved) {
  struct Case {
    std::vector<std::string> filled;    // rows of a fill, before the appended ones
    std::vector<std::string> appended;  // records whose NW X is their position
    std::vector<int> checked;
    std::vector<std::string> left;
  } cases[] = {
      {{}, {"A", "B", "C", "D", "E", "F"}, {1, 3}, {"A", "C", "E", "F"}},
      {{}, {"A", "B", "C", "D"}, {0}, {"B", "C", "D"}},
      {{}, {"A", "B", "C", "D"}, {3}, {"A", "B", "C"}},
      {{}, {"A", "B", "C"}, {0, 1, 2}, {}},
      {{}, {"A", "B", "C"}, {}, {"A", "B", "C"}},
      {{"J50", "K50"}, {"A", "B", "C"}, {0, 3}, {"K50", "A", "C"}},
      {{"J50", "K50"}, {"A", "B"}, {0, 1}, {"A", "B"}},
      {{"J50", "K50"}, {"A", "B"}, {2, 3}, {"J50", "K50"}},
  };
  for (const Case& c : cases) {
    SheetList list("RzCheckList4", RecordKind::Standard);
    Fill(list, c.filled);
    for (std::size_t i = 0; i < c.appended.size(); ++i) {
      list.Append(Standard(c.appended[i], static_cast<double>(i)));
    }
    for (int i : c.checked) list.SetChecked(static_cast<std::size_t>(i), true);
    list.RemoveChecked();
    ASSERT_EQ(Texts(list), c.left);
    // Each appended row still shows the record appended with it.
    const auto check = [&](const char* when) {
      for (std::size_t i = 0; i < list.Count(); ++i) {
        const TStandardMapUnion& r = list.StandardRecord(i);
        const std::string& no = r.MapUnionNo;
        if (no.size() != 1) continue;
        EXPECT_EQ(r.PlaneCorners[kNW].X, no[0] - 'A') << no << " " << when;
        EXPECT_EQ(r.Range.West.Degrees, 116) << no << " " << when;
        EXPECT_FALSE(list.Checked(i)) << no << " " << when;
      }
    };
    check("after the delete");
    // A command takes back the last row it appended, then appends again.
    list.Append(Standard("Z", 'Z' - 'A'));
    list.RemoveFrom(list.Count() - 1);
    list.Append(Standard("Y", 'Y' - 'A'));
    list.SetChecked(list.Count() - 1, true);
    list.RemoveChecked();
    list.Append(Standard("W", 'W' - 'A'));
    std::vector<std::string> expected = c.left;
    expected.push_back("W");
    EXPECT_EQ(Texts(list), expected);
    check("after more changes");
  }
}

// The records of a fill are released when the last row that shows them is
// deleted, unless a sheet table still holds them for the exports.
TEST(SheetList, AFillIsReleasedOnceNoneOfItsRowsIsLeft) {
  struct Case {
    std::vector<int> checked;
    bool tableHeldElsewhere;
    bool released;
  } cases[] = {
      {{0, 1, 2}, false, true},
      {{0, 2}, false, false},
      {{}, false, false},
      {{0, 1, 2}, true, false},
  };
  for (const Case& c : cases) {
    SheetList list("RzCheckList1", RecordKind::Standard);
    auto table = std::make_shared<const TStandardMapUnions>(
        TStandardMapUnions{{Standard("J50"), Standard("J51")}, {Standard("K50")}});
    const std::weak_ptr<const TStandardMapUnions> watch = table;
    TStandardSheetTable tables(c.tableHeldElsewhere ? table : nullptr);
    list.Refill(std::move(table));
    for (int i : c.checked) list.SetChecked(static_cast<std::size_t>(i), true);
    list.RemoveChecked();
    EXPECT_EQ(watch.expired(), c.released) << c.checked.size() << c.tableHeldElsewhere;
    // A sheet table that lets go later releases them then.
    tables = TStandardSheetTable();
    EXPECT_EQ(watch.expired(), c.checked.size() == 3) << c.checked.size();
  }
}

TEST(SheetList, ARowCostsAPointerAndItsCheckState) {
  EXPECT_LE(sizeof(SheetList::Row), 2 * sizeof(void*));
}

TEST(SheetTable, ReadsAsItsRecordsAndStartsEmpty) {
  TStandardSheetTable t;
  EXPECT_TRUE(t.empty());
  EXPECT_EQ(t, TStandardMapUnions{});
  t = TStandardSheetTable(
      std::make_shared<const TStandardMapUnions>(TStandardMapUnions{{Standard("J50")}, {}}));
  const TStandardMapUnions& records = t;
  EXPECT_EQ(records.size(), 2u);
  EXPECT_EQ(t[0][0].MapUnionNo, "J50");
  EXPECT_TRUE(t[1].empty());
  EXPECT_EQ(TStandardSheetTable(nullptr), TStandardSheetTable());
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
      {0, false, grey, black},   {1, false, window, black}, {2, false, grey, black},
      {7, false, window, black}, {0, true, hot, caption},   {1, true, hot, caption},
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
