// SPDX-License-Identifier: Apache-2.0
// The record holder attached to every sheet list item.
#pragma once

#include "numbering/sheet_types.h"

namespace karvento {

// Holds one record of each kind; only the one named by the maker is filled,
// the other stays the empty record (empty number, all values zero). A plain
// value: no base class, nothing virtual.
class TMapUnionObject {
 public:
  TMapUnionObject() = default;

  static TMapUnionObject CreateStandard(const TStandardMapUnion& record) {
    TMapUnionObject o;
    o.FStandardMapUnion = record;
    return o;
  }
  static TMapUnionObject CreateCustom(const TCustomMapUnion& record) {
    TMapUnionObject o;
    o.FCustomMapUnion = record;
    return o;
  }

  void GetStandardMapUnion(TStandardMapUnion& out) const { out = FStandardMapUnion; }
  void GetCustomMapUnion(TCustomMapUnion& out) const { out = FCustomMapUnion; }

 private:
  TStandardMapUnion FStandardMapUnion;
  TCustomMapUnion FCustomMapUnion;
};

}  // namespace karvento
