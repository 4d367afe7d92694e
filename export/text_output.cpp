// SPDX-License-Identifier: Apache-2.0
#include "export/text_output.h"

#include <charconv>

#include "export/gbk.h"
#include "geodesy/float_chars.h"

namespace karvento {

namespace {
constexpr std::size_t kBlock = std::size_t{1} << 16;
}  // namespace

Message FileWriteError(std::string_view fileName, int err) {
  return Message(msg::kCannotWrite, {fileName, ReasonArg(err)});
}

Message FileWriteError(std::string_view fileName, const Message& reason) {
  return Message(msg::kCannotWrite, {fileName, reason});
}

Message FileWriteError(std::string_view fileName, std::string_view reason) {
  return Message(msg::kCannotWrite, {fileName, TextArg(std::string(reason))});
}

Output::Output(Sink& sink, bool gbk, bool textCells) : sink_(sink), gbk_(gbk), textCells_(textCells) {
  buffer_.reserve(kBlock);
}

void Output::Write(std::string_view text) {
  if (gbk_ && !IsAscii(text)) {
    buffer_.append(Utf8ToGbk(text));
  } else {
    buffer_.append(text);
  }
  if (buffer_.size() >= kBlock) Flush();
}

void Output::Put(char c) {
  buffer_.push_back(c);
  if (buffer_.size() >= kBlock) Flush();
}

void Output::Number(double v) {
  // Fixed notation without a precision is the shortest decimal text that
  // reads back to v: 500000, not 5e+05, which some readers take for text.
  // The longest such text (the smallest subnormal) has 327 characters.
  char buf[400];
  buffer_.append(buf, FloatToChars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
  if (buffer_.size() >= kBlock) Flush();
}

void Output::Flush() {
  std::string pending;
  pending.swap(buffer_);
  buffer_.reserve(kBlock);
  sink_.Write(pending);
}

}  // namespace karvento
