// SPDX-License-Identifier: Apache-2.0
#include "workbench/text_files.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <memory>

#include "export/gbk.h"
#include "export/safe_file.h"
#include "numbering/message.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/field_limits.h"

namespace karvento {

static_assert(kMaxNumberListLines == kMaxSheets);
static_assert(kMaxNumberListBytes == kMaxCustomNumberBytes);

namespace {

[[noreturn]] void ThrowFileError(const char* what, const std::string& fileName, int err) {
  throw Error(Message(what, {fileName, ReasonArg(err)}));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

// Opened without O_NONBLOCK a named pipe would block until some program
// opens it for writing; with it the open returns at once, and once the flag
// is cleared again reading waits for data as usual, or ends at once when no
// writer is there.
File OpenForReading(const std::string& fileName) {
  const int fd = ::open(fileName.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) ThrowFileError(msg::kCannotOpen, fileName, errno);
  const int flags = ::fcntl(fd, F_GETFL);
  if (flags < 0 || ::fcntl(fd, F_SETFL, flags & ~O_NONBLOCK) < 0) {
    const int err = errno;
    ::close(fd);
    ThrowFileError(msg::kCannotOpen, fileName, err);
  }
  File f(::fdopen(fd, "rb"));
  if (!f) {
    const int err = errno;
    ::close(fd);
    ThrowFileError(msg::kCannotOpen, fileName, err);
  }
  return f;
}

[[noreturn]] void ThrowTooLarge(const std::string& fileName, const std::string& limit) {
  throw Error(Message(msg::kCannotRead, {fileName, Message(msg::kListTooLong, {ReasonArg(EFBIG), limit})}));
}

// Whole number toward zero, written in full (no exponent), never "-0".
void AppendTruncated(std::string& out, double v) {
  char buf[400];
  const double t = std::trunc(v) + 0.0;
  const auto res = std::to_chars(buf, buf + sizeof buf, t, std::chars_format::fixed, 0);
  out.append(buf, res.ptr);
}

// Seconds as the fields hold them, to the thousandth: three decimals where
// the third is not zero (12.346), two otherwise (12.35, 0.00), so that a file
// of values with two decimals is written as it always was and every reader of
// two decimals still reads it, and a reopened tab shows what was saved.
void AppendSeconds(std::string& out, double v) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 3);
  char* end = res.ptr;
  if (end[-1] == '0') --end;
  out.append(buf, end);
}

// A central meridian as two decimals (117.00, 118.50) where those read back
// as the value, as files of whole meridians have always been written, and
// otherwise in the shortest text that does (117.33333333333333 for 117°20′),
// so that a reopened tab projects on the meridian that was saved.
void AppendMeridian(std::string& out, double v) {
  char buf[400];
  const auto two = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  double back = 0;
  std::from_chars(buf, two.ptr, back);
  if (back == v) {
    out.append(buf, two.ptr);
    return;
  }
  out.append(buf, std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed).ptr);
}

[[noreturn]] void ThrowNotAFloat(std::string_view text) {
  throw Error(Message(msg::kNotAFloat, {std::string(text)}));
}

// Reads up to maxLines lines with the rules of SplitLines, stopping at the
// first NUL. A line longer than kMaxParameterLine ends the reading with the
// conversion message.
std::vector<std::string> ReadFirstLines(const std::string& fileName, std::size_t maxLines) {
  File f = OpenForReading(fileName);
  std::vector<std::string> lines;
  std::string line;
  bool inLine = false;  // characters or a line start seen since the last break
  int c = 0;
  while (lines.size() < maxLines && (c = std::fgetc(f.get())) != EOF && c != '\0') {
    if (c == '\r' || c == '\n') {
      lines.push_back(std::move(line));
      line.clear();
      inLine = false;
      if (c == '\r') {
        const int next = std::fgetc(f.get());
        if (next != '\n' && next != EOF) std::ungetc(next, f.get());
      }
      continue;
    }
    inLine = true;
    if (line.size() == kMaxParameterLine) {
      ThrowNotAFloat(GbkToUtf8(line.substr(0, 64), true) + "…");
    }
    line += static_cast<char>(c);
  }
  if (std::ferror(f.get())) ThrowFileError(msg::kCannotRead, fileName, errno);
  if (inLine && lines.size() < maxLines) lines.push_back(std::move(line));
  return lines;
}

TAngleDMS ParseCornerLine(const std::string& line) {
  const std::vector<std::string> pieces = SplitString(line, ' ');
  TAngleDMS a;
  switch (pieces.size()) {
    case 1:
      a.Degrees = StrToFloat(pieces[0]);
      break;
    case 2:
      a.Degrees = StrToFloat(pieces[0]);
      a.Minutes = StrToFloat(pieces[1]);
      break;
    case 3:
      a.Degrees = StrToFloat(pieces[0]);
      a.Minutes = StrToFloat(pieces[1]);
      a.Seconds = StrToFloat(pieces[2]);
      break;
    default:
      break;
  }
  return a;
}

}  // namespace

std::string FormatParameterFile(const TParameterSet& p) {
  std::string out;
  for (const TAngleDMS& a : p.Corners) {
    AppendTruncated(out, a.Degrees);
    out += ' ';
    AppendTruncated(out, a.Minutes);
    out += ' ';
    AppendSeconds(out, a.Seconds);
    out += "\r\n";
  }
  out += p.ZoneIndex == 0 ? "3\r\n" : "6\r\n";
  AppendMeridian(out, p.CentralMeridian);
  out += "\r\n";
  AppendTruncated(out, p.OffsetX);
  out += "\r\n";
  AppendTruncated(out, p.OffsetY);
  out += "\r\n";
  return out;
}

// Written beside the target and renamed over it when complete, so that a
// failed save leaves an existing file as it was.
void WriteParameterFile(const std::string& fileName, const TParameterSet& p) {
  SafeFile f(fileName);
  f.Write(FormatParameterFile(p));
  f.Commit();
}

TParameterSet ParseParameterLines(const std::vector<std::string>& lines) {
  // A parameter file is ASCII. Anything else is decoded as the number list
  // is, so that the message quoting it is text the user can read.
  const auto line = [&](std::size_t k) { return GbkToUtf8(lines[k], true); };
  TParameterSet p;
  if (lines.size() >= 4) {
    for (std::size_t k = 0; k < 4; ++k) p.Corners[k] = ParseCornerLine(line(k));
  }
  if (lines.size() >= 5) p.ZoneIndex = lines[4] == "6" ? 1 : 0;
  if (lines.size() >= 6) p.CentralMeridian = StrToFloat(line(5));
  if (lines.size() >= 7) p.OffsetX = StrToFloat(line(6));
  if (lines.size() >= 8) p.OffsetY = StrToFloat(line(7));
  return p;
}

TParameterSet ReadParameterFile(const std::string& fileName) {
  return ParseParameterLines(ReadFirstLines(fileName, 8));
}

TParameterSet ReadCompleteParameterFile(const std::string& fileName) {
  const std::vector<std::string> lines = ReadFirstLines(fileName, 8);
  const auto refuse = [&](const Message& why) { throw Error(Message(msg::kNotParameterFile, {fileName, why})); };
  if (lines.size() < 8) refuse(Message(msg::kParameterLines, {std::to_string(lines.size())}));
  for (std::size_t k = 0; k < 4; ++k) {
    const std::size_t pieces = SplitString(lines[k], ' ').size();
    if (pieces < 1 || pieces > 3) refuse(Message(msg::kParameterNotDms, {std::to_string(k + 1)}));
  }
  if (lines[4] != "3" && lines[4] != "6") refuse(Message(msg::kParameterZoneLine));
  return ParseParameterLines(lines);
}

void ClampToFieldLimits(TParameterSet& p, Datum datum) {
  const ParameterFieldLimits limits = ParameterFieldsOf(datum);
  for (std::size_t k = 0; k < p.Corners.size(); ++k) {
    // Lower-left and upper-right longitude, then latitude, alternately.
    TAngleDMS& a = p.Corners[k];
    a.Degrees = IntoLimits(a.Degrees, k % 2 == 0 ? limits.lonDegrees : limits.latDegrees);
    a.Minutes = IntoLimits(a.Minutes, limits.minutes);
    a.Seconds = IntoLimits(a.Seconds, limits.seconds);
  }
  p.ZoneIndex = p.ZoneIndex == 0 ? 0 : 1;
  p.CentralMeridian = IntoLimits(p.CentralMeridian, limits.meridian);
  p.OffsetX = NumberFieldValue(p.OffsetX, limits.offsetXIntegersOnly);
  p.OffsetY = NumberFieldValue(p.OffsetY, limits.offsetYIntegersOnly);
}

std::vector<std::string> SplitLines(std::string_view text) {
  const auto nul = text.find('\0');
  if (nul != std::string_view::npos) text = text.substr(0, nul);
  std::vector<std::string> lines;
  std::size_t start = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    const char c = text[i];
    if (c != '\r' && c != '\n') continue;
    lines.emplace_back(text.substr(start, i - start));
    if (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.emplace_back(text.substr(start));
  return lines;
}

std::string ReadFileText(const std::string& fileName, std::size_t maxBytes) {
  File f = OpenForReading(fileName);
  struct stat st {};
  if (::fstat(::fileno(f.get()), &st) == 0 && S_ISREG(st.st_mode) &&
      static_cast<std::uint64_t>(st.st_size) > maxBytes) {
    ThrowTooLarge(fileName, std::to_string(maxBytes >> 20) + " MiB");
  }
  std::string bytes;
  char buf[65536];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) {
    const void* nul = std::memchr(buf, '\0', n);
    const std::size_t keep = nul ? static_cast<std::size_t>(static_cast<const char*>(nul) - buf) : n;
    // A file that grows while it is read, or a pipe, has no size to check
    // beforehand.
    if (bytes.size() + keep > maxBytes) ThrowTooLarge(fileName, std::to_string(maxBytes >> 20) + " MiB");
    bytes.append(buf, keep);
    if (nul) return bytes;
  }
  if (std::ferror(f.get())) ThrowFileError(msg::kCannotRead, fileName, errno);
  return bytes;
}

namespace {

constexpr std::string_view kUtf8Mark = "\xEF\xBB\xBF";

// A line of a UTF-8 list as it stands, each byte that is not part of a
// well-formed character made U+FFFD, as a GBK line's are.
std::string Utf8Line(std::string_view line) {
  if (IsValidUtf8(line)) return std::string(line);
  std::string text;
  for (std::size_t i = 0; i < line.size();) {
    const auto lead = static_cast<unsigned char>(line[i]);
    const std::size_t n = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    if (i + n <= line.size() && IsValidUtf8(line.substr(i, n))) {
      text.append(line.substr(i, n));
      i += n;
    } else {
      text += "\xEF\xBF\xBD";
      ++i;
    }
  }
  return text;
}

}  // namespace

TransformParams ReadTransformParamsFile(const std::string& fileName) {
  TransformParams t;
  if (Message r = ParseTransformParams(ReadFileText(fileName, 1 << 20), t); !r.Empty()) {
    throw Error(Message(msg::kTransformParamsFile, {fileName, r}));
  }
  return t;
}

std::vector<std::string> ReadNumberList(const std::string& fileName) {
  return NumberListLines(ReadFileText(fileName, kMaxNumberListBytes), fileName);
}

std::vector<std::string> NumberListLines(std::string text, const std::string& fileName) {
  const bool utf8 = text.starts_with(kUtf8Mark);
  if (utf8) text.erase(0, kUtf8Mark.size());
  // Counted before the lines are made: each costs far more than its bytes.
  std::size_t breaks = 0;
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text[i] == '\n' || (text[i] == '\r' && (i + 1 == text.size() || text[i + 1] != '\n'))) ++breaks;
  }
  const bool unended = !text.empty() && text.back() != '\n' && text.back() != '\r';
  if (breaks + (unended ? 1 : 0) > kMaxNumberListLines) {
    ThrowTooLarge(fileName, FormatCount(static_cast<double>(kMaxNumberListLines)) + " 行");
  }
  std::vector<std::string> lines = SplitLines(text);
  for (std::string& line : lines) line = utf8 ? Utf8Line(line) : GbkToUtf8(line, true);
  return lines;
}

NumberListReader::NumberListReader(const std::string& fileName)
    : fileName_(fileName), file_(OpenForReading(fileName).release()) {}

NumberListReader::~NumberListReader() { std::fclose(file_); }

bool NumberListReader::Refill() {
  at_ = 0;
  end_ = ended_ ? 0 : std::fread(buffer_.data(), 1, buffer_.size(), file_);
  if (end_ == 0) {
    if (std::ferror(file_)) ThrowFileError(msg::kCannotRead, fileName_, errno);
    ended_ = true;
  }
  return end_ != 0;
}

bool NumberListReader::Next(std::string& line) {
  raw_.clear();
  bool begun = false;  // a character or a break of this line seen
  bool broken = false;  // the line ended with a break
  for (;;) {
    if (at_ == end_ && !Refill()) break;
    const char c = buffer_[at_++];
    if (afterCr_) {
      afterCr_ = false;
      if (c == '\n') continue;
    }
    if (c == '\0') {
      ended_ = true;
      at_ = end_ = 0;
      break;
    }
    if (c == '\r' || c == '\n') {
      afterCr_ = c == '\r';
      begun = broken = true;
      break;
    }
    if (raw_.size() == kMaxNumberListBytes) {
      ThrowTooLarge(fileName_, std::to_string(kMaxNumberListBytes >> 20) + " MiB");
    }
    raw_ += c;
    begun = true;
  }
  if (!begun) return false;
  if (firstLine_) {
    firstLine_ = false;
    utf8_ = std::string_view(raw_).starts_with(kUtf8Mark);
    if (utf8_) raw_.erase(0, kUtf8Mark.size());
    // A file of the mark alone holds no line.
    if (utf8_ && raw_.empty() && !broken) return false;
  }
  line = utf8_ ? Utf8Line(raw_) : GbkToUtf8(raw_, true);
  return true;
}

}  // namespace karvento
