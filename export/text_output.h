// SPDX-License-Identifier: Apache-2.0
// Buffered text output for the writers of export/: bytes gathered in a
// buffer and handed to a sink in large blocks (standard output, a file that
// replaces its target only when complete, or a string for the browser page).
#pragma once

#include <string>
#include <string_view>

#include "numbering/message.h"

namespace karvento {

// A file failure: 无法写入文件 “fileName”：reason. The reason is the
// system's (an errno value), a message of the program, or a library's text.
Message FileWriteError(std::string_view fileName, int err);
Message FileWriteError(std::string_view fileName, const Message& reason);
Message FileWriteError(std::string_view fileName, std::string_view reason);

// Where buffered output goes.
class Sink {
 public:
  virtual ~Sink() = default;
  // Writes all of data or throws (karvento::Error naming the output for a
  // failure; a sink may throw a type of its own for a reader that went away).
  virtual void Write(std::string_view data) = 0;
};

// Output kept in memory: a file's bytes for a caller that offers them itself.
class StringSink : public Sink {
 public:
  void Write(std::string_view data) override { text.append(data); }
  std::string text;
};

// Where the files of a package go, one after the other, each in one or more
// pieces of bytes between Begin and End: the parts of a workbook, the
// drawings of several frames, for a caller that packs them into a ZIP
// itself (the browser page compresses them as they come).
class PartSink {
 public:
  virtual ~PartSink() = default;
  virtual void Begin(std::string_view name) = 0;
  virtual void Write(std::string_view bytes) = 0;
  virtual void End() = 0;
};

// Buffered text output. With gbk set, text that is not ASCII is converted
// from UTF-8 to GBK on the way out. With textCells set, the CSV writers put
// each sheet number in the form a spreadsheet keeps as text (="1-2"): Excel
// and WPS turn a bare 1-2 into a date however it is quoted.
class Output {
 public:
  explicit Output(Sink& sink, bool gbk = false, bool textCells = false);
  Output(const Output&) = delete;
  Output& operator=(const Output&) = delete;

  void Write(std::string_view text);
  void Put(char c);
  void Number(double v);  // the shortest text that reads back to the same double
  void Flush();
  bool TextCells() const { return textCells_; }

 private:
  Sink& sink_;
  bool gbk_;
  bool textCells_;
  std::string buffer_;
};

}  // namespace karvento
