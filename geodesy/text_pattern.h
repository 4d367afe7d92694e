// SPDX-License-Identifier: Apache-2.0
// A message's pattern filled in: each "%s" replaced by the next value, "%%"
// by "%". The routines of every module fill their messages with it.
#pragma once

#include <string>
#include <string_view>

namespace karvento {

template <class Values>
std::string FillTextPattern(std::string_view pattern, const Values& values) {
  std::string text;
  auto value = std::begin(values);
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == '%')) {
      if (pattern[++i] == '%') {
        text += '%';
      } else if (value != std::end(values)) {
        text += *value++;
      }
      continue;
    }
    text += pattern[i];
  }
  return text;
}

}  // namespace karvento
