// SPDX-License-Identifier: Apache-2.0
// The one exception type of the program. It carries the message the user
// is told, as a code and its arguments ("Range check error", "'5 ' is not a
// valid integer value", a file error naming the file and the system's
// reason); what() is its Chinese text. Only the command dispatcher of a front
// end catches it, and words the message from its code.
#pragma once

#include <stdexcept>
#include <string>

#include "numbering/message.h"

namespace karvento {

class Error : public std::runtime_error {
 public:
  explicit Error(Message message) : std::runtime_error(message.Text()), message_(std::move(message)) {}
  // A message without a code, shown as it is.
  explicit Error(const std::string& text) : Error(Message::Plain(text)) {}
  explicit Error(const char* text) : Error(Message::Plain(text)) {}

  const Message& GetMessage() const { return message_; }

 private:
  Message message_;
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
inline const Message kRangeCheckError{msg::kRangeCheck};

}  // namespace karvento
