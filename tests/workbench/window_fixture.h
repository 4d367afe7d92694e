// SPDX-License-Identifier: Apache-2.0
// The main window driven by a scripted user, with helpers that set fields
// the way the user types them.
#pragma once

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "fake_ui.h"
#include "temp_dir.h"
#include "workbench/create_map_un_rg.h"

namespace karvento::testing {

// A table as a list shows it: every plane corner less the offsets.
inline TStandardMapUnions LessOffsets(TStandardMapUnions t, double dx, double dy) {
  for (auto& column : t) {
    for (auto& r : column) {
      for (auto& p : r.PlaneCorners) {
        p.X -= dx;
        p.Y -= dy;
      }
    }
  }
  return t;
}

struct WindowTest : ::testing::Test {
  FakeUi ui;
  TfrmCreateMapUnRg frm{ui};

  // Sets the twelve corner fields of a geodetic tab (0, 1 or 5): lower-left
  // longitude and latitude, upper-right longitude and latitude, each
  // degrees, minutes, seconds.
  void SetCorners(int tab, TAngleDMS llLon, TAngleDMS llLat, TAngleDMS urLon, TAngleDMS urLat) {
    Geodetic(tab).SetRange({llLon, llLat, urLon, urLat});
  }

  // The twelve corner values of a geodetic tab, in the same order.
  std::vector<double> Corners(int tab) {
    std::vector<double> v;
    for (const SpinField& f : Geodetic(tab).Corners) v.push_back(f.Value());
    return v;
  }

  GeodeticTab& Geodetic(int tab) {
    GeodeticTab* g = frm.GeodeticTabOf(tab);
    EXPECT_NE(g, nullptr) << tab;
    return *g;
  }

  SpinField& Spin(int n) {
    auto* f = frm.FindControlAs<SpinField>("RzSpinEdit" + std::to_string(n));
    EXPECT_NE(f, nullptr) << n;
    return *f;
  }

  static std::vector<std::string> Texts(const SheetList& list) {
    std::vector<std::string> t;
    for (std::size_t i = 0; i < list.Count(); ++i) t.push_back(list.Text(i));
    return t;
  }

  static std::vector<TStandardMapUnion> Flat(const TStandardMapUnions& t) {
    std::vector<TStandardMapUnion> v;
    for (const auto& column : t) v.insert(v.end(), column.begin(), column.end());
    return v;
  }

  static std::vector<TStandardMapUnion> Records(const SheetList& list) {
    std::vector<TStandardMapUnion> v;
    for (std::size_t i = 0; i < list.Count(); ++i) v.push_back(list.StandardRecord(i));
    return v;
  }

  // Adds source numbers as the user types them with "新建".
  void AddSources(const std::vector<std::string>& numbers) {
    for (const auto& n : numbers) {
      ui.texts.push_back(n);
      frm.RzToolbarButton20Click();
    }
  }

  // The one message shown since the last call, or an empty caption.
  FakeUi::Message TakeMessage() {
    EXPECT_EQ(ui.messages.size(), 1u);
    if (ui.messages.empty()) return {};
    FakeUi::Message m = ui.messages.back();
    ui.messages.clear();
    return m;
  }
};

}  // namespace karvento::testing
