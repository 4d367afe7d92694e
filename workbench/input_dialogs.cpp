// SPDX-License-Identifier: Apache-2.0
#include "workbench/input_dialogs.h"

namespace karvento {

bool InputPoint(UserInterface& ui, std::string_view caption, std::string_view label1,
                std::string_view label2, std::pair<double, double>& point) {
  TfrmInputPoint dialog;
  dialog.Caption = caption;
  dialog.RzLabel1.Caption = label1;
  dialog.RzLabel2.Caption = label2;
  dialog.RzNumericEdit1.SetValue(point.first);
  dialog.RzNumericEdit2.SetValue(point.second);
  if (!ui.ShowInputPoint(dialog)) return false;
  point = {dialog.RzNumericEdit1.Value(), dialog.RzNumericEdit2.Value()};
  return true;
}

bool InputString(UserInterface& ui, std::string_view caption, std::string_view prompt,
                 std::string& text, bool multiLine) {
  TfrmInputString dialog;
  dialog.MultiLine = multiLine;
  dialog.Caption = caption;
  dialog.RzLabel1.Caption = prompt;
  dialog.RzEdit1.SetText(text);
  if (!ui.ShowInputString(dialog)) return false;
  text = dialog.RzEdit1.Text();
  return true;
}

}  // namespace karvento
