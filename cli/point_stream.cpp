// SPDX-License-Identifier: Apache-2.0
#include "cli/point_stream.h"

#include <fcntl.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <memory>
#include <optional>

#include "cli/common.h"
#include "cli/i18n.h"
#include "cli/output.h"
#include "export/safe_file.h"
#include "export/sheet_csv.h"
#include "export/sheet_json.h"
#include "numbering/error.h"

namespace karvento::cli {

bool IsStream(const Args& args, bool pointOnCommandLine) {
  return args.Has("input") || !pointOnCommandLine;
}

namespace {

bool EndsWith(std::string_view text, std::string_view tail) {
  if (text.size() < tail.size()) return false;
  for (std::size_t i = 0; i < tail.size(); ++i) {
    char c = text[text.size() - tail.size() + i];
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    if (c != tail[i]) return false;
  }
  return true;
}

}  // namespace

StreamOptions ReadStreamOptions(const Args& args, bool yOptional) {
  StreamOptions o;
  if (auto v = args.Value("input")) o.input = *v;
  if (auto v = args.Value("x")) o.xColumn = *v;
  if (auto v = args.Value("y")) o.yColumn = *v;
  if (!o.yColumn.empty() && o.xColumn.empty()) throw UsageError(Tr("--y 须与 --x 同用"));
  if (!o.xColumn.empty() && o.yColumn.empty() && !yOptional) {
    throw UsageError(Tr("--x 须与 --y 同用：请给出点的两列的列名"));
  }
  if (auto v = args.Value("output")) o.output = *v == "-" || *v == "/dev/stdout" ? "" : *v;
  o.quiet = args.Has("quiet");
  if (auto f = args.Value("format")) {
    if (*f == "text") {
      o.format = StreamFormat::Text;
    } else if (*f == "csv") {
      o.format = StreamFormat::Csv;
    } else if (*f == "json") {
      o.format = StreamFormat::Json;
    } else if (*f == "jsonl") {
      o.format = StreamFormat::Jsonl;
    } else {
      throw UsageError(TrFormat("--format：逐行读点时“%s”不是 text csv json jsonl 之一", {*f}));
    }
  } else if (EndsWith(o.output, ".csv") || (!o.xColumn.empty() && o.output.empty())) {
    o.format = StreamFormat::Csv;
  } else if (EndsWith(o.output, ".jsonl")) {
    o.format = StreamFormat::Jsonl;
  } else if (EndsWith(o.output, ".json")) {
    o.format = StreamFormat::Json;
  } else if (FormatOfName(o.output)) {
    // x.gpkg written as text would be no GeoPackage.
    throw UsageError(TrFormat("逐行读点时输出为 text、csv、json 或 jsonl，不能写成“%s”", {o.output}));
  }
  return o;
}

namespace {

// The lines of a file or of standard input, read in blocks; before a read
// that may wait for a writer, whatever output is pending goes out.
class LineReader {
 public:
  explicit LineReader(const std::string& name) : name_(name == "-" ? std::string() : name) {
    if (name_.empty()) {
      fd_ = 0;
      return;
    }
    fd_ = ::open(name_.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) Fail("无法打开文件 “%s”：%s", errno);
  }
  ~LineReader() {
    if (fd_ > 0) ::close(fd_);
  }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its end (LF, CR LF, or a CR alone, as old Mac
  // programs end lines); false after the last.
  template <typename BeforeWait>
  bool Next(std::string_view& line, BeforeWait&& beforeWait) {
    for (;;) {
      // The LF of a CR LF whose CR ended the last line.
      if (skipLf_ && at_ < end_) {
        if (buffer_[at_] == '\n') ++at_;
        skipLf_ = false;
      }
      const char* const begin = buffer_.data() + at_;
      const void* nl = std::memchr(begin, '\n', end_ - at_);
      const std::size_t span = nl != nullptr ? static_cast<std::size_t>(static_cast<const char*>(nl) - begin) : end_ - at_;
      if (const void* cr = std::memchr(begin, '\r', span)) {
        // The line ends at once, whether an LF follows or not: a writer
        // that waits for each answer gets it.
        const std::size_t stop = at_ + static_cast<std::size_t>(static_cast<const char*>(cr) - begin);
        skipLf_ = true;
        line = Take(stop, stop + 1);
        return true;
      }
      if (nl != nullptr) {
        line = Take(at_ + span, at_ + span + 1);
        return true;
      } else if (ended_) {
        if (at_ == end_) return false;
        line = Take(end_, end_);
        return true;
      }
      Refill(beforeWait);
    }
  }

 private:
  std::string_view Take(std::size_t stop, std::size_t next) {
    const std::string_view line(buffer_.data() + at_, stop - at_);
    at_ = next;
    return line;
  }

  template <typename BeforeWait>
  void Refill(BeforeWait&& beforeWait) {
    // The unfinished line moves to the front; a line longer than the buffer
    // doubles it.
    if (at_ > 0) {
      std::memmove(buffer_.data(), buffer_.data() + at_, end_ - at_);
      end_ -= at_;
      at_ = 0;
    }
    if (end_ == buffer_.size()) buffer_.resize(buffer_.size() * 2);
    beforeWait();
    for (;;) {
      const ssize_t n = ::read(fd_, buffer_.data() + end_, buffer_.size() - end_);
      if (n > 0) {
        end_ += static_cast<std::size_t>(n);
        return;
      }
      if (n == 0) {
        ended_ = true;
        return;
      }
      if (errno != EINTR) Fail("无法读取文件 “%s”：%s", errno);
    }
  }

  // pattern: "…“%s”：%s", the file and the system's reason in the user's
  // language.
  [[noreturn]] void Fail(const char* pattern, int err) const {
    throw Error(TrFormat(pattern, {name_.empty() ? std::string_view("-") : std::string_view(name_), SystemErrorText(err)}));
  }

  std::string name_;
  int fd_ = 0;
  std::vector<char> buffer_ = std::vector<char>(std::size_t{1} << 16);
  std::size_t at_ = 0, end_ = 0;
  bool ended_ = false;
  bool skipLf_ = false;
};

// A PointCommand's refusal in the command line's words; a UsageError
// is already worded.
class CliReporter : public StreamReporter {
 public:
  CliReporter(std::string_view command, Output& out, bool perLine)
      : command_(command), out_(out), perLine_(perLine) {}
  std::string FewColumns(std::size_t count) override {
    return TrFormat("只有 %s 列", {std::to_string(count)});
  }
  [[noreturn]] void NoColumn(std::string_view name) override {
    throw UsageError(TrFormat("输入的首行没有名为“%s”的列", {name}));
  }
  std::string Reason(const std::exception& e) override {
    if (dynamic_cast<const UsageError*>(&e)) return e.what();
    if (dynamic_cast<const Error*>(&e)) return TranslateError(e);
    throw;
  }
  void BadLine(std::uint64_t line, const std::string& reason) override {
    std::fprintf(stderr, "karvento-cli %.*s: %s\n", static_cast<int>(command_.size()), command_.data(),
                 TrFormat("第 %s 行：%s", {std::to_string(line), reason}).c_str());
  }
  void LineDone() override {
    if (perLine_) out_.Flush();
  }

 private:
  std::string_view command_;
  Output& out_;
  bool perLine_;
};

// The reader's lines; before a read that may wait, pending output goes out.
class ReaderLines : public LineSource {
 public:
  ReaderLines(LineReader& reader, Output& out, bool toStdout) : reader_(reader), out_(out), toStdout_(toStdout) {}
  bool Next(std::string_view& line) override {
    const bool more = reader_.Next(line, [&] {
      if (toStdout_) out_.Flush();
    });
    count_ += more;
    return more;
  }
  std::uint64_t Count() const { return count_; }

 private:
  LineReader& reader_;
  Output& out_;
  bool toStdout_;
  std::uint64_t count_ = 0;
};

}  // namespace

int RunPointStream(std::string_view command, const StreamOptions& o, PointCommand& c) {
  LineReader reader(o.input);
  std::unique_ptr<Sink> sink;
  SafeFile* file = nullptr;
  if (o.output.empty()) {
    sink = std::make_unique<StdoutSink>();
  } else {
    auto f = std::make_unique<SafeFile>(o.output);
    file = f.get();
    sink = std::move(f);
  }
  Output out(*sink);
  const bool toStdout = file == nullptr;
  const bool perLine = toStdout && ::isatty(1) == 1;
  ReaderLines lines(reader, out, toStdout);
  CliReporter reporter(command, out, perLine);
  const std::uint64_t bad = StreamPoints(lines, out, o.format, {o.xColumn, o.yColumn}, c, reporter);
  out.Flush();
  if (file) file->Commit();
  if (bad > 0 && !o.quiet) {
    std::fprintf(stderr, "karvento-cli %.*s: %s\n", static_cast<int>(command.size()), command.data(),
                 TrFormat("%s 行中有 %s 行无法读取，已在输出中以 * 标出", {std::to_string(lines.Count()),
                                                              std::to_string(bad)})
                     .c_str());
  }
  return bad > 0 ? 1 : 0;
}

}  // namespace karvento::cli
