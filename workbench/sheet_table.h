// SPDX-License-Identifier: Apache-2.0
// A sheet table: the records of the last fill of one coordinate system, as
// the exports read them. The table is immutable once filled and replaced
// whole by the next fill; the sheet list filled at the same time shares its
// records instead of holding a second copy of a million sheets.
#pragma once

#include <memory>
#include <ostream>
#include <vector>

#include "numbering/sheet_types.h"

namespace karvento {

template <class Record>
class TSheetTable {
 public:
  using Table = std::vector<std::vector<Record>>;

  TSheetTable() : table_(Empty()) {}
  // Takes the records over; a null pointer stands for the empty table.
  explicit TSheetTable(std::shared_ptr<const Table> table)
      : table_(table ? std::move(table) : Empty()) {}

  const Table& get() const { return *table_; }
  operator const Table&() const { return *table_; }  // NOLINT: a table reads as its records
  // The records themselves, to tell whether a table was replaced.
  const std::shared_ptr<const Table>& shared() const { return table_; }

  std::size_t size() const { return table_->size(); }
  bool empty() const { return table_->empty(); }
  const std::vector<Record>& operator[](std::size_t i) const { return (*table_)[i]; }
  auto begin() const { return table_->begin(); }
  auto end() const { return table_->end(); }

  friend bool operator==(const TSheetTable& a, const TSheetTable& b) {
    return *a.table_ == *b.table_;
  }
  friend bool operator==(const TSheetTable& a, const Table& b) { return *a.table_ == b; }
  friend std::ostream& operator<<(std::ostream& os, const TSheetTable& t) {
    std::size_t n = 0;
    for (const auto& inner : *t.table_) n += inner.size();
    return os << "table of " << t.table_->size() << " sequences, " << n << " records";
  }

 private:
  static std::shared_ptr<const Table> Empty() {
    static const std::shared_ptr<const Table> empty = std::make_shared<const Table>();
    return empty;
  }
  std::shared_ptr<const Table> table_;
};

using TStandardSheetTable = TSheetTable<TStandardMapUnion>;
using TCustomSheetTable = TSheetTable<TCustomMapUnion>;

}  // namespace karvento
