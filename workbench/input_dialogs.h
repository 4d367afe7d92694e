// SPDX-License-Identifier: Apache-2.0
// The two small modal input dialogs: two numbers (TfrmInputPoint) and one line
// of text (TfrmInputString), and the routines that show them.
#pragma once

#include <string>
#include <string_view>
#include <utility>

#include "workbench/controls.h"
#include "workbench/user_interface.h"

namespace karvento {

inline constexpr const char* kPointDisplayFormat = ",0.00000;(,0.00000)";

// Client area 289 × 138, single border with only a close box, centred on the
// main window, font 宋体 12 px. Tab order: RzNumericEdit1, RzNumericEdit2,
// "确定", "取消".
class TfrmInputPoint {
 public:
  static constexpr int kClientWidth = 289;
  static constexpr int kClientHeight = 138;

  std::string Caption;
  Label RzLabel1{"RzLabel1", ""};  // right-aligned
  NumberField RzNumericEdit1{"RzNumericEdit1", false, kPointDisplayFormat};
  Label RzLabel2{"RzLabel2", ""};  // right-aligned
  NumberField RzNumericEdit2{"RzNumericEdit2", false, kPointDisplayFormat};
  Button RzBitBtn1{"RzBitBtn1", "确定"};
  Button RzBitBtn2{"RzBitBtn2", "取消"};
};

// Client area 292 × 125, same border, position and font. Tab order: RzEdit1,
// "确定", "取消".
class TfrmInputString {
 public:
  static constexpr int kClientWidth = 292;
  static constexpr int kClientHeight = 125;

  std::string Caption;
  Label RzLabel1{"RzLabel1", ""};
  TextField RzEdit1{"RzEdit1"};
  Button RzBitBtn1{"RzBitBtn1", "确定"};
  Button RzBitBtn2{"RzBitBtn2", "取消"};
  // The text may hold several lines (a pasted column of sheet numbers);
  // the dialog then grows to show a few of them.
  bool MultiLine = false;
};

// Asks for two numbers, starting from point. On "确定" stores the two values
// into point and returns true; otherwise leaves point as it was.
bool InputPoint(UserInterface& ui, std::string_view caption, std::string_view label1,
                std::string_view label2, std::pair<double, double>& point);

// Asks for one text, starting from text. On "确定" stores it into text and
// returns true; otherwise leaves text as it was.
bool InputString(UserInterface& ui, std::string_view caption, std::string_view prompt,
                 std::string& text, bool multiLine = false);

}  // namespace karvento
