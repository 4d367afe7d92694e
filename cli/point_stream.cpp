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
    if (fd_ < 0) Fail("无法打开文件", errno);
  }
  ~LineReader() {
    if (fd_ > 0) ::close(fd_);
  }
  LineReader(const LineReader&) = delete;
  LineReader& operator=(const LineReader&) = delete;

  // The next line without its end (LF or CR LF); false after the last.
  template <typename BeforeWait>
  bool Next(std::string_view& line, BeforeWait&& beforeWait) {
    for (;;) {
      if (const void* nl = std::memchr(buffer_.data() + at_, '\n', end_ - at_)) {
        const auto stop = static_cast<std::size_t>(static_cast<const char*>(nl) - buffer_.data());
        line = Take(stop, stop + 1);
        return true;
      }
      if (ended_) {
        if (at_ == end_) return false;
        line = Take(end_, end_);
        return true;
      }
      Refill(beforeWait);
    }
  }

 private:
  std::string_view Take(std::size_t stop, std::size_t next) {
    std::size_t e = stop;
    if (e > at_ && buffer_[e - 1] == '\r') --e;
    const std::string_view line(buffer_.data() + at_, e - at_);
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
      if (errno != EINTR) Fail("无法读取文件", errno);
    }
  }

  [[noreturn]] void Fail(const char* what, int err) const {
    throw Error(std::string(what) + " “" + (name_.empty() ? std::string("-") : name_) + "”：" +
                std::strerror(err));
  }

  std::string name_;
  int fd_ = 0;
  std::vector<char> buffer_ = std::vector<char>(std::size_t{1} << 16);
  std::size_t at_ = 0, end_ = 0;
  bool ended_ = false;
};

bool IsBlank(char c) { return c == ' ' || c == '\t'; }

std::string_view Trim(std::string_view s) {
  while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
  while (!s.empty() && IsBlank(s.back())) s.remove_suffix(1);
  return s;
}

// A plain line: "x y rest" or "x,y,rest"; y empty when the line has one value.
struct PlainPoint {
  std::string_view x, y, rest;
};

PlainPoint SplitPlain(std::string_view line) {
  PlainPoint p;
  line = Trim(line);
  if (line.find(',') != std::string_view::npos) {
    const std::size_t a = line.find(',');
    p.x = Trim(line.substr(0, a));
    const std::string_view after = line.substr(a + 1);
    const std::size_t b = after.find(',');
    p.y = Trim(after.substr(0, b));
    if (b != std::string_view::npos) p.rest = after.substr(b + 1);
    return p;
  }
  const auto token = [](std::string_view& s) {
    std::size_t e = 0;
    while (e < s.size() && !IsBlank(s[e])) ++e;
    const std::string_view t = s.substr(0, e);
    s.remove_prefix(e);
    while (!s.empty() && IsBlank(s.front())) s.remove_prefix(1);
    return t;
  };
  p.x = token(line);
  p.y = token(line);
  p.rest = line;
  return p;
}

// The fields of one CSV record on one line: commas outside quotes separate
// them, "" inside quotes is a quote.
void SplitCsv(std::string_view line, std::vector<std::string>& fields) {
  fields.clear();
  std::string field;
  bool quoted = false;
  for (std::size_t i = 0; i < line.size(); ++i) {
    const char c = line[i];
    if (quoted) {
      if (c == '"' && i + 1 < line.size() && line[i + 1] == '"') {
        field += '"';
        ++i;
      } else if (c == '"') {
        quoted = false;
      } else {
        field += c;
      }
    } else if (c == '"') {
      quoted = true;
    } else if (c == ',') {
      fields.push_back(std::move(field));
      field.clear();
    } else {
      field += c;
    }
  }
  fields.push_back(std::move(field));
}

constexpr std::string_view kBom = "\xEF\xBB\xBF";

// Writes the records in the stream's format.
class RecordWriter {
 public:
  RecordWriter(Output& out, StreamFormat format) : out_(out), format_(format) {}

  void Head(const std::vector<std::string_view>& names) {
    names_.assign(names.begin(), names.end());
    if (format_ == StreamFormat::Csv) {
      out_.Write(kBom);
      Fields(names, {});
    } else if (format_ == StreamFormat::Json) {
      out_.Write("[");
    }
  }

  // One record: its fields under the head line's names (a record may hold
  // fewer or more), the numeric ones written as JSON numbers; error: the
  // line's reason, for JSON.
  void Record(std::uint64_t line, const std::vector<std::string_view>& fields,
              const std::vector<bool>& numeric, const std::string* error) {
    switch (format_) {
      case StreamFormat::Text:
        for (std::size_t i = 0; i < fields.size(); ++i) {
          if (i) out_.Put('\t');
          out_.Write(fields[i]);
        }
        out_.Put('\n');
        return;
      case StreamFormat::Csv:
        Fields(fields, numeric);
        return;
      case StreamFormat::Json:
      case StreamFormat::Jsonl:
        break;
    }
    if (format_ == StreamFormat::Json) out_.Write(first_ ? "\n" : ",\n");
    first_ = false;
    out_.Write("{\"line\":");
    char buf[24];
    std::snprintf(buf, sizeof buf, "%llu", static_cast<unsigned long long>(line));
    out_.Write(buf);
    for (std::size_t i = 0; i < fields.size(); ++i) {
      out_.Put(',');
      if (i < names_.size()) {
        JsonString(out_, names_[i]);
      } else {
        out_.Write("\"field");
        std::snprintf(buf, sizeof buf, "%zu", i + 1);
        out_.Write(buf);
        out_.Put('"');
      }
      out_.Put(':');
      if (i < numeric.size() && numeric[i] && error == nullptr) {
        out_.Write(fields[i]);
      } else {
        JsonString(out_, fields[i]);
      }
    }
    if (error) {
      out_.Write(",\"error\":");
      JsonString(out_, *error);
    }
    out_.Write(format_ == StreamFormat::Jsonl ? "}\n" : "}");
  }

  // Copies a blank or comment line of a text stream.
  void Verbatim(std::string_view line) {
    if (format_ != StreamFormat::Text) return;
    out_.Write(line);
    out_.Put('\n');
  }

  void Finish() {
    if (format_ == StreamFormat::Json) out_.Write(first_ ? "]\n" : "\n]\n");
  }

 private:
  void Fields(const std::vector<std::string_view>& fields, const std::vector<bool>&) {
    for (std::size_t i = 0; i < fields.size(); ++i) {
      if (i) out_.Put(',');
      CsvField(out_, fields[i]);
    }
    out_.Write("\r\n");
  }

  Output& out_;
  StreamFormat format_;
  std::vector<std::string> names_;
  bool first_ = true;
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
  RecordWriter writer(out, o.format);
  const bool toStdout = file == nullptr;
  const bool perLine = toStdout && ::isatty(1) == 1;
  const auto beforeWait = [&] {
    if (toStdout) out.Flush();
  };

  const std::vector<ResultColumn>& results = c.Results();
  const bool csvInput = !o.xColumn.empty();
  const bool echo = c.EchoPoint() || csvInput;
  std::vector<std::string> head;     // the input's column names (CSV)
  std::vector<std::string> columns;  // one CSV record's fields
  std::vector<std::string> computed;
  std::vector<std::string_view> fields;
  std::vector<bool> numeric;
  std::size_t xAt = 0, yAt = 0;
  bool headWritten = false, haveHead = false;
  bool withRest = false;
  std::uint64_t lineNo = 0, bad = 0;
  const std::string star = "*";

  const auto writeHead = [&] {
    std::vector<std::string_view> names;
    if (csvInput) {
      for (const std::string& h : head) names.push_back(h);
    } else if (echo) {
      names.push_back(c.XName());
      names.push_back(c.YName());
    }
    for (const ResultColumn& r : results) names.push_back(r.name);
    if (withRest) names.push_back("rest");
    writer.Head(names);
    headWritten = true;
  };

  std::string_view line;
  while (reader.Next(line, beforeWait)) {
    ++lineNo;
    if (lineNo == 1 && line.substr(0, kBom.size()) == kBom) line.remove_prefix(kBom.size());
    const std::string_view trimmed = Trim(line);
    if (trimmed.empty() || trimmed.front() == '#') {
      writer.Verbatim(line);
      if (perLine) out.Flush();
      continue;
    }
    if (csvInput && !haveHead) {
      SplitCsv(line, head);
      haveHead = true;
      const auto find = [&](const std::string& name, std::size_t& at) {
        for (at = 0; at < head.size(); ++at) {
          if (Trim(head[at]) == name) return;
        }
        throw UsageError(TrFormat("输入的首行没有名为“%s”的列", {name}));
      };
      find(o.xColumn, xAt);
      if (!o.yColumn.empty()) find(o.yColumn, yAt);
      continue;
    }

    // The point and what passes through.
    std::string_view x, y;
    PlainPoint plain;
    fields.clear();
    numeric.clear();
    std::string reason;
    bool haveFields = true;
    if (csvInput) {
      SplitCsv(line, columns);
      for (const std::string& f : columns) fields.push_back(f);
      numeric.assign(fields.size(), false);
      if (xAt >= columns.size() || (!o.yColumn.empty() && yAt >= columns.size())) {
        reason = TrFormat("只有 %s 列", {std::to_string(columns.size())});
        haveFields = false;
      } else {
        x = Trim(columns[xAt]);
        if (!o.yColumn.empty()) y = Trim(columns[yAt]);
      }
    } else {
      plain = SplitPlain(line);
      x = plain.x;
      y = plain.y;
      if (c.EchoPoint()) {
        fields.push_back(x);
        fields.push_back(y);
        numeric.assign(2, false);
      }
    }
    if (!headWritten) {
      // The head line follows the first record: a plain stream whose first
      // line carries more than the point has a column for the rest.
      withRest = !csvInput && !plain.rest.empty();
      writeHead();
    }
    computed.clear();
    if (haveFields) {
      try {
        c.Compute(x, y, computed);
      } catch (const UsageError& e) {
        reason = e.what();
      } catch (const Error& e) {
        reason = TranslateError(e);
      }
    }
    const bool failed = !reason.empty();
    if (failed) {
      ++bad;
      computed.clear();
      std::fprintf(stderr, "karvento-cli %.*s: %s\n", static_cast<int>(command.size()), command.data(),
                   TrFormat("第 %s 行：%s", {std::to_string(lineNo), reason}).c_str());
    }
    // The results stand after the point (or the record) and before the rest.
    for (std::size_t i = 0; i < results.size(); ++i) {
      fields.push_back(failed ? std::string_view(star) : std::string_view(computed[i]));
      numeric.push_back(results[i].numeric);
    }
    // A CSV or JSON record keeps the head line's column of the rest.
    if (!csvInput && (!plain.rest.empty() || (withRest && o.format != StreamFormat::Text))) {
      fields.push_back(plain.rest);
      numeric.push_back(false);
    }
    writer.Record(lineNo, fields, numeric, failed ? &reason : nullptr);
    if (perLine) out.Flush();
  }
  if (!headWritten) writeHead();
  writer.Finish();
  out.Flush();
  if (file) file->Commit();
  if (bad > 0 && !o.quiet) {
    std::fprintf(stderr, "karvento-cli %.*s: %s\n", static_cast<int>(command.size()), command.data(),
                 TrFormat("%s 行中有 %s 行无法读取，已在输出中以 * 标出", {std::to_string(lineNo),
                                                              std::to_string(bad)})
                     .c_str());
  }
  return bad > 0 ? 1 : 0;
}

}  // namespace karvento::cli
