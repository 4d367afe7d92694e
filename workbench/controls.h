// SPDX-License-Identifier: Apache-2.0
// The kinds of control that the main window and its dialogs hold, as plain
// values with the behaviour the user sees: a spin field brings every value
// into its limits, a number field reads any text as a number, a pick list
// chooses one item or (when editable) takes free text. Each control carries
// its name (the front end binds its widget by that name) and its Enabled and
// Visible state. No widget toolkit is involved.
#pragma once

#include <cstdint>
#include <functional>
#include <initializer_list>
#include <string>
#include <string_view>
#include <vector>

#include "workbench/display_format.h"
#include "workbench/field_limits.h"

namespace karvento {

enum class ControlKind : std::uint8_t {
  SpinField,
  NumberField,
  PickList,
  RadioButton,
  TextField,
  Button,
  MenuItem,
  SheetList,
  Label,
};

class Control {
 public:
  Control(std::string name, ControlKind kind) : name_(std::move(name)), kind_(kind) {}
  virtual ~Control() = default;
  Control(const Control&) = delete;
  Control& operator=(const Control&) = delete;

  const std::string& Name() const { return name_; }
  ControlKind Kind() const { return kind_; }

  bool Enabled = true;
  bool Visible = true;

 private:
  std::string name_;
  ControlKind kind_;
};

// Reads a typed number: optional blanks, an optional sign, digits with at
// most one ".", an optional exponent, optional blanks; a text in parentheses
// is negative. Thousands separators "," are read where the display pattern
// writes them ("39,000,000", "1,234.5"), so that what a number field
// displays reads back as the same value; a lone comma not followed by three
// digits is a decimal comma ("39,5" is 39.5); a comma anywhere else
// ("1,2,3", "1,5.2") makes the text no number. Returns false for any text
// that is no number (the empty text included) and for values that are not
// finite.
//
// A spin field displays no separators, and its seconds show three decimals:
// there a comma is only ever a decimal comma ("30,500" is 30.5), read with
// commas = DecimalComma; a second comma, or a comma beside a point, makes the
// text no number.
enum class Commas { Grouping, DecimalComma };
bool ParseTypedNumber(std::string_view text, double& value, Commas commas = Commas::Grouping);

// A number with a lower and an upper limit and a step for its up and down
// buttons. Every value stored is first rounded to the field's decimals (none
// for an integers-only field) and then brought into the limits (IntoLimits):
// below the lower limit it becomes the lower limit, above the upper limit the
// upper limit; NaN counts as the lower limit. A typed text that is empty or not a
// number counts as the lower limit. A spin-only field refuses typed text;
// only its buttons and the commands change it.
class SpinField : public Control {
 public:
  using Limits = FieldLimits;
  SpinField(std::string name, Limits limits);

  double Value() const { return value_; }
  int IntValue() const { return static_cast<int>(value_); }
  void SetValue(double v);
  // What the user typed, applied when the field is left. Returns false (and
  // changes nothing) for a spin-only field.
  bool SetText(std::string_view text);
  // The value as displayed, with displayDecimals places and no separators.
  std::string Text() const;
  void StepUp() { SetValue(value_ + limits_.step); }
  void StepDown() { SetValue(value_ - limits_.step); }

  double Min() const { return limits_.min; }
  double Max() const { return limits_.max; }
  double Step() const { return limits_.step; }
  int Decimals() const { return limits_.decimals; }
  bool IntegersOnly() const { return limits_.decimals == 0; }
  int DisplayDecimals() const {
    return limits_.displayDecimals < 0 ? limits_.decimals : limits_.displayDecimals;
  }
  bool SpinOnly() const { return limits_.spinOnly; }

 private:
  Limits limits_;
  double value_;
};

// A number without limits, shown in a display pattern such as ",0;(,0)". An
// integers-only field rounds every value to a whole number (halves away from
// zero); a field that allows decimals keeps the value as given. A typed text
// that is empty or not a number counts as 0.
class NumberField : public Control {
 public:
  NumberField(std::string name, bool integersOnly, std::string displayFormat);

  double Value() const { return value_; }
  void SetValue(double v);
  void SetText(std::string_view text);
  // The value in the display pattern (FormatFloat), a negative one with a
  // minus sign in place of the pattern's parentheses ("-1,235", not
  // "(1,235)").
  std::string DisplayText() const;

  bool IntegersOnly() const { return integersOnly_; }
  const std::string& DisplayFormat() const { return displayFormat_; }

 private:
  bool integersOnly_;
  std::string displayFormat_;
  double value_ = 0;
};

// A list of texts of which one is chosen (ItemIndex, from 0). An editable pick
// list also takes typed text, which chooses no item (-1).
class PickList : public Control {
 public:
  PickList(std::string name, std::vector<std::string> items, int itemIndex, bool editable = false);

  const std::vector<std::string>& Items() const { return items_; }
  int ItemIndex() const { return itemIndex_; }
  // An index outside the items chooses none (-1).
  void SetItemIndex(int index);
  // Typed text; refused (false) unless the list is editable.
  bool SetText(std::string_view text);
  const std::string& Text() const { return text_; }
  bool Editable() const { return editable_; }

 private:
  std::vector<std::string> items_;
  int itemIndex_;
  bool editable_;
  std::string text_;
};

// One option of a choice group (a pair, or more). Choosing it clears the
// other options of its group and, when it was not chosen before, runs its
// click handler.
class RadioButton : public Control {
 public:
  RadioButton(std::string name, std::string caption, bool checked);
  static void Pair(RadioButton& a, RadioButton& b);
  // Joins the options, in their order, into one group.
  static void Group(std::initializer_list<RadioButton*> options);

  const std::string& Caption() const { return caption_; }
  bool Checked() const { return checked_; }
  void Choose();

  std::function<void()> OnClick;

 private:
  std::string caption_;
  bool checked_;
  // The next option of the group; the options form a ring.
  RadioButton* partner_ = nullptr;
};

class TextField : public Control {
 public:
  TextField(std::string name, std::string text = {})
      : Control(std::move(name), ControlKind::TextField), text_(std::move(text)) {}
  const std::string& Text() const { return text_; }
  void SetText(std::string_view text) { text_ = text; }

 private:
  std::string text_;
};

// A command button, toolbar button or menu item: a caption and a hint.
class Button : public Control {
 public:
  Button(std::string name, std::string caption, std::string hint = {},
         ControlKind kind = ControlKind::Button)
      : Control(std::move(name), kind), Caption(std::move(caption)), Hint(std::move(hint)) {}
  std::string Caption;
  std::string Hint;
};

class Label : public Control {
 public:
  Label(std::string name, std::string caption)
      : Control(std::move(name), ControlKind::Label), Caption(std::move(caption)) {}
  std::string Caption;
};

}  // namespace karvento
