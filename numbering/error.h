// SPDX-License-Identifier: Apache-2.0
// The one exception type of the program. It carries the text that the user
// sees: "Range check error", "'5 ' is not a valid integer value", a file error
// naming the file and the system's reason. Only the command dispatcher of a
// front end catches it.
#pragma once

#include <stdexcept>
#include <string>

namespace karvento {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// A request that the program refuses by a check of its own before doing the
// work: more sheets than one run may produce. It is the program's own
// refusal, not an error inside a routine, so a window shows it in its own
// error box (caption "错误") rather than in the general one.
class SheetLimitError : public Error {
 public:
  using Error::Error;
};

// Sizing a result to a negative count of columns or rows.
inline constexpr const char* kRangeCheckError = "Range check error";

}  // namespace karvento
