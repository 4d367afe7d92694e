// SPDX-License-Identifier: Apache-2.0
#include "workbench/controls.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <system_error>

#include "geodesy/decimal_text.h"

namespace karvento {
namespace {

bool IsDigit(char c) { return c >= '0' && c <= '9'; }

// Commas in a typed number. Grouping commas stand where the display pattern
// puts them: every group after the first exactly three digits, all of them
// before any decimal point ("39,000,000", "1,234.5"). A single comma with
// no point and not followed by exactly three digits is a decimal comma, as
// Chinese and European keyboards type it ("39,5" is 39.5, "1,0" is 1). Any
// other comma ("1,2,3", "12,34", "1,5.2") makes the text no number: reading
// it either way could change the value unseen.
bool ResolveGroupingCommas(std::string_view s, std::string& plain) {
  plain.assign(s);
  const std::size_t first = s.find(',');
  if (first == std::string_view::npos) return true;
  const std::size_t point = s.find('.');
  const std::size_t commas = static_cast<std::size_t>(std::count(s.begin(), s.end(), ','));
  const auto digitsFrom = [&](std::size_t i) {
    std::size_t n = 0;
    while (i + n < s.size() && IsDigit(s[i + n])) ++n;
    return n;
  };
  if (point == std::string_view::npos && commas == 1 && digitsFrom(first + 1) != 3) {
    plain[first] = '.';
    return true;
  }
  // Grouping: the digits before the first comma (after a sign), then groups
  // of three, up to the point or the end.
  std::size_t i = first;
  std::size_t lead = 0;
  while (lead < i && IsDigit(s[i - 1 - lead])) ++lead;
  if (lead == 0 || lead > 3) return false;
  const std::size_t end = point == std::string_view::npos ? s.size() : point;
  while (i < end) {
    if (s[i] != ',' || digitsFrom(i + 1) != 3) return false;
    i += 4;
  }
  if (i != end || s.find(',', end) != std::string_view::npos) return false;
  plain.erase(std::remove(plain.begin(), plain.end(), ','), plain.end());
  return true;
}

}  // namespace

bool ParseTypedNumber(std::string_view text, double& value, Commas commas) {
  std::string_view s = TrimBlanks(text);
  bool negate = false;
  if (s.size() >= 2 && s.front() == '(' && s.back() == ')') {
    negate = true;
    s = TrimBlanks(s.substr(1, s.size() - 2));
  }
  std::string plain;
  if (commas == Commas::Grouping) {
    if (!ResolveGroupingCommas(s, plain)) return false;
    s = plain;
  }
  // A number beyond the range of a double is no number either.
  double v = 0;
  if (ParseDecimal(s, v, {.decimalComma = commas == Commas::DecimalComma}) != DecimalTextError::None) {
    return false;
  }
  value = negate ? -v : v;
  return true;
}

SpinField::SpinField(std::string name, Limits limits)
    : Control(std::move(name), ControlKind::SpinField), limits_(limits), value_(limits.min) {}

void SpinField::SetValue(double v) { value_ = IntoLimits(v, limits_); }

bool SpinField::SetText(std::string_view text) {
  if (limits_.spinOnly) return false;
  double v = 0;
  SetValue(ParseTypedNumber(text, v, Commas::DecimalComma) ? v : limits_.min);
  return true;
}

std::string SpinField::Text() const {
  char buf[64];
  if (DisplayDecimals() == kAnyDecimals) {
    std::string text(buf, std::to_chars(buf, buf + sizeof buf, value_, std::chars_format::fixed).ptr);
    if (text.find('.') == std::string::npos) text += ".0";
    return text;
  }
  const auto res =
      std::to_chars(buf, buf + sizeof buf, value_, std::chars_format::fixed, DisplayDecimals());
  return std::string(buf, res.ptr);
}

NumberField::NumberField(std::string name, bool integersOnly, std::string displayFormat)
    : Control(std::move(name), ControlKind::NumberField),
      integersOnly_(integersOnly),
      displayFormat_(std::move(displayFormat)) {}

void NumberField::SetValue(double v) { value_ = NumberFieldValue(v, integersOnly_); }

void NumberField::SetText(std::string_view text) {
  double v = 0;
  SetValue(ParseTypedNumber(text, v) ? v : 0);
}

std::string NumberField::DisplayText() const {
  // A coordinate is negative with a minus sign, as surveyors write it: the
  // pattern's "(100)" of accounts would read as 100. A value that rounds to
  // zero in the pattern shows no sign.
  const std::string shown = FormatFloat(displayFormat_, value_);
  if (shown.size() < 2 || shown.front() != '(' || shown.back() != ')') return shown;
  return "-" + shown.substr(1, shown.size() - 2);
}

PickList::PickList(std::string name, std::vector<std::string> items, int itemIndex, bool editable)
    : Control(std::move(name), ControlKind::PickList),
      items_(std::move(items)),
      itemIndex_(-1),
      editable_(editable) {
  SetItemIndex(itemIndex);
}

void PickList::SetItemIndex(int index) {
  if (index < 0 || index >= static_cast<int>(items_.size())) {
    itemIndex_ = -1;
    text_.clear();
    return;
  }
  itemIndex_ = index;
  text_ = items_[static_cast<std::size_t>(index)];
}

bool PickList::SetText(std::string_view text) {
  if (!editable_) return false;
  text_ = text;
  itemIndex_ = -1;
  return true;
}

RadioButton::RadioButton(std::string name, std::string caption, bool checked)
    : Control(std::move(name), ControlKind::RadioButton),
      caption_(std::move(caption)),
      checked_(checked) {}

void RadioButton::Pair(RadioButton& a, RadioButton& b) { Group({&a, &b}); }

void RadioButton::Group(std::initializer_list<RadioButton*> options) {
  RadioButton* const* first = options.begin();
  for (RadioButton* const* o = first; o != options.end(); ++o) {
    (*o)->partner_ = o + 1 == options.end() ? *first : *(o + 1);
  }
}

void RadioButton::Choose() {
  if (checked_) return;
  checked_ = true;
  for (RadioButton* o = partner_; o != nullptr && o != this; o = o->partner_) o->checked_ = false;
  if (OnClick) OnClick();
}

}  // namespace karvento
