// SPDX-License-Identifier: Apache-2.0
// What the program tells its user, as a value: the message's pattern, which
// is its code, and the arguments that fill the pattern's "%s" in order. The
// routines of every module build messages; each front end words them in its
// own language from the code, so no front end reads a message back from its
// text.
#pragma once

#include <iosfwd>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

#ifndef N_
// Marks a text for the translation catalogue; the text itself is the key.
#define N_(text) text
#endif

namespace karvento {

class Message;

// One argument of a message.
struct MessageArg {
  enum class Kind {
    Verbatim,  // a file name, a number, a value as the user typed it: shown as it is
    Text,      // a whole text of the program or of a library, translated as a whole
    Reason,    // the system's reason for a failed file operation (an errno value)
    Nested,    // a message of its own, worded in turn
  };
  Kind kind = Kind::Verbatim;
  std::string text;  // Verbatim, Text; for Reason the system's own wording
  int err = 0;       // Reason
  std::shared_ptr<const Message> nested;

  MessageArg() = default;
  MessageArg(std::string value) : text(std::move(value)) {}  // NOLINT: a plain value is shown as it is
  MessageArg(const char* value) : text(value) {}              // NOLINT
  MessageArg(std::string_view value) : text(value) {}         // NOLINT
  MessageArg(const Message& message);                         // NOLINT
};

// A text of the program or of a library to be translated as a whole
// ("GDAL 未说明原因", a driver's own error text).
MessageArg TextArg(std::string text);
// The system's reason, strerror(err) in the C library's words.
MessageArg ReasonArg(int err);

class Message {
 public:
  Message() = default;
  // pattern: one of the constants below (or a whole text without "%s").
  explicit Message(const char* pattern, std::vector<MessageArg> args = {})
      : pattern_(pattern), args_(std::move(args)) {}

  // A text that has no code: shown as it is by every front end.
  static Message Plain(std::string text);

  const char* Pattern() const { return pattern_; }
  const std::vector<MessageArg>& Args() const { return args_; }
  bool Is(const char* pattern) const;
  bool Empty() const { return pattern_ == nullptr && plain_.empty(); }

  // The Chinese text: the pattern filled with the arguments' own texts.
  std::string Text() const;

 private:
  const char* pattern_ = nullptr;
  std::vector<MessageArg> args_;
  std::string plain_;  // the text of a message without a code
};

// A message is equal to a text when its Chinese text is that text.
inline bool operator==(const Message& m, std::string_view text) { return m.Text() == text; }
std::ostream& operator<<(std::ostream& out, const Message& m);

// Replaces each "%s" of pattern by the next argument and "%%" by "%".
std::string FillPattern(std::string_view pattern, const std::vector<std::string>& args);

}  // namespace karvento
