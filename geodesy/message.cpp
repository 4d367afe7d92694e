// SPDX-License-Identifier: Apache-2.0
#include "geodesy/message.h"

#include <cstring>
#include <ostream>

#include "geodesy/text_pattern.h"

namespace karvento {

MessageArg::MessageArg(const Message& message)
    : kind(Kind::Nested), text(message.Text()), nested(std::make_shared<const Message>(message)) {}

MessageArg TextArg(std::string text) {
  MessageArg arg(std::move(text));
  arg.kind = MessageArg::Kind::Text;
  return arg;
}

MessageArg ReasonArg(int err) {
  MessageArg arg(std::string(std::strerror(err)));
  arg.kind = MessageArg::Kind::Reason;
  arg.err = err;
  return arg;
}

Message Message::Plain(std::string text) {
  Message m;
  m.plain_ = std::move(text);
  return m;
}

bool Message::Is(const char* pattern) const {
  return pattern_ != nullptr && pattern != nullptr && std::strcmp(pattern_, pattern) == 0;
}

std::ostream& operator<<(std::ostream& out, const Message& m) { return out << m.Text(); }

std::string FillPattern(std::string_view pattern, const std::vector<std::string>& args) {
  return FillTextPattern(pattern, args);
}

std::string Message::Text() const {
  if (pattern_ == nullptr) return plain_;
  std::vector<std::string> texts;
  texts.reserve(args_.size());
  for (const MessageArg& a : args_) texts.push_back(a.text);
  return FillPattern(pattern_, texts);
}

}  // namespace karvento
