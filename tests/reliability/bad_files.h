// SPDX-License-Identifier: Apache-2.0
// Files that a reader may be handed by mistake or by malice, made in a
// test's own folder, and a snapshot of everything the window shows so that
// a refused command can be shown to have changed nothing.
#pragma once

#include <cstddef>
#include <utility>
#include <map>
#include <string>
#include <vector>

#include "numbering/sheet_types.h"
#include "fake_ui.h"
#include "temp_dir.h"
#include "workbench/create_map_un_rg.h"

namespace karvento::testing {

// A sparse file of `size` bytes, all NUL, made with ftruncate: no block of
// it is written, so a gigabyte costs nothing.
std::string MakeSparseFile(const TempDir& dir, const std::string& name, std::size_t size);
// `size` bytes from a fixed-seed generator; without NULs when noNul.
std::string MakeRandomFile(const TempDir& dir, const std::string& name, std::size_t size,
                           bool noNul);
// A named pipe that no program opens for writing.
std::string MakeFifo(const TempDir& dir, const std::string& name);

// A regular file that even root cannot read: reading /proc/self/mem at
// offset 0 (never mapped) fails with EIO.
inline constexpr const char* kUnreadableFile = "/proc/self/mem";

// Every control's state, every list row with its record and check state,
// and the three tables.
struct WindowState {
  std::map<std::string, std::string> controls;  // by name
  std::map<std::string, std::vector<TStandardMapUnion>> standardRows;  // by list
  std::map<std::string, std::vector<TCustomMapUnion>> customRows;
  TStandardMapUnions table54, table80;
  TCustomMapUnions tableCustom;
  friend bool operator==(const WindowState&, const WindowState&) = default;
};
WindowState StateOf(const TfrmCreateMapUnRg& frm);
// The state without one control (and its rows, for a list).
WindowState Without(WindowState s, const std::string& control);
// A short account of where two states differ, for failure messages.
std::string Difference(const WindowState& a, const WindowState& b);

// What a refused file must show: exactly one general error box with the
// expected text, and a window exactly as it was before.
void ExpectOneErrorAndNoChange(const std::vector<FakeUi::Message>& shown,
                               const std::string& message, const WindowState& before,
                               const TfrmCreateMapUnRg& frm, const std::string& what);

// Peak resident set of this process so far, in MiB.
double PeakRssMiB();

// Processor time (user and system) used so far, in seconds: by this process,
// and by its children that have ended and been waited for. Tests bound it
// where a hang must be caught; it does not grow while a busy machine makes
// the test wait, as the time on the clock does.
double ProcessorSeconds();
double ChildProcessorSeconds();

// A window whose every tab holds something: generated sheets on the three
// generating tabs (with offsets), two numbers on the conversion tab, one of
// them checked and the other current.
struct Session {
  FakeUi ui;
  TfrmCreateMapUnRg frm{ui};

  Session() {
    SpinField* corners[] = {&frm.RzSpinEdit1, &frm.RzSpinEdit2,  &frm.RzSpinEdit3,
                            &frm.RzSpinEdit4, &frm.RzSpinEdit5,  &frm.RzSpinEdit6,
                            &frm.RzSpinEdit7, &frm.RzSpinEdit8,  &frm.RzSpinEdit9,
                            &frm.RzSpinEdit10, &frm.RzSpinEdit11, &frm.RzSpinEdit12};
    const double values[] = {116, 0, 0, 39, 40, 0, 117, 0, 0, 40, 0, 0};
    for (int k = 0; k < 12; ++k) corners[k]->SetValue(values[k]);
    frm.RzComboBox2.SetItemIndex(3);
    frm.RzNumericEdit1.SetValue(39000000);
    frm.RzBitBtn1Click();
    frm.SetActiveTab(1);
    frm.RzSpinEdit14.SetValue(110);
    frm.RzSpinEdit17.SetValue(30);
    frm.RzSpinEdit20.SetValue(111);
    frm.RzSpinEdit23.SetValue(30);
    frm.RzSpinEdit24.SetValue(40);
    frm.RzComboBox4.SetItemIndex(3);
    frm.RzBitBtn1Click();
    frm.SetActiveTab(2);
    frm.RzNumericEdit7.SetValue(1000);
    frm.RzNumericEdit8.SetValue(500);
    frm.RzSpinEdit28.SetValue(500);
    frm.RzSpinEdit29.SetValue(500);
    frm.RzBitBtn1Click();
    frm.SetActiveTab(3);
    frm.RzSpinEdit34.SetValue(117);
    ui.texts = {"J-50-5", "J50D001005"};
    frm.RzToolbarButton20Click();
    frm.RzToolbarButton20Click();
    frm.RzCheckList4.SetChecked(0, true);
    frm.RzCheckList4.SetItemIndex(1);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_EQ(frm.RzCheckList4.Count(), 2u);
    EXPECT_FALSE(frm.FMapUnions54.empty());
    EXPECT_FALSE(frm.FCustomMapUnions.empty());
  }

  // Runs a command that shows the open dialog, answering it with file; the
  // messages shown.
  std::vector<FakeUi::Message> Open(void (TfrmCreateMapUnRg::*command)(), const std::string& file) {
    ui.fileNames.push_back(file);
    (frm.*command)();
    EXPECT_TRUE(ui.fileNames.empty());
    std::vector<FakeUi::Message> shown = std::move(ui.messages);
    ui.messages.clear();
    return shown;
  }
};

}  // namespace karvento::testing
