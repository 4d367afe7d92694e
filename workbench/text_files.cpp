#include "workbench/text_files.h"

#include <cerrno>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <memory>

#include "export/gbk.h"
#include "export/safe_file.h"
#include "numbering/unMapUnRgPub.h"

namespace karvento {
namespace {

[[noreturn]] void ThrowFileError(const char* what, const std::string& fileName, int err) {
  throw Error(std::string(what) + " “" + fileName + "”：" + std::strerror(err));
}

struct FileCloser {
  void operator()(std::FILE* f) const { std::fclose(f); }
};
using File = std::unique_ptr<std::FILE, FileCloser>;

File OpenForReading(const std::string& fileName) {
  File f(std::fopen(fileName.c_str(), "rb"));
  if (!f) ThrowFileError("无法打开文件", fileName, errno);
  return f;
}

// Whole number toward zero, written in full (no exponent), never "-0".
void AppendTruncated(std::string& out, double v) {
  char buf[400];
  const double t = std::trunc(v) + 0.0;
  const auto res = std::to_chars(buf, buf + sizeof buf, t, std::chars_format::fixed, 0);
  out.append(buf, res.ptr);
}

void AppendTwoDecimals(std::string& out, double v) {
  char buf[400];
  const auto res = std::to_chars(buf, buf + sizeof buf, v, std::chars_format::fixed, 2);
  out.append(buf, res.ptr);
}

[[noreturn]] void ThrowNotAFloat(std::string_view text) {
  throw Error("'" + std::string(text) + "' is not a valid floating point value");
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
      ThrowNotAFloat(line.substr(0, 64) + "…");
    }
    line += static_cast<char>(c);
  }
  if (std::ferror(f.get())) ThrowFileError("无法读取文件", fileName, errno);
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
    AppendTwoDecimals(out, a.Seconds);
    out += "\r\n";
  }
  out += p.ZoneIndex == 0 ? "3\r\n" : "6\r\n";
  AppendTwoDecimals(out, p.CentralMeridian);
  out += "\r\n";
  AppendTruncated(out, p.OffsetX);
  out += "\r\n";
  AppendTruncated(out, p.OffsetY);
  out += "\r\n";
  return out;
}

void WriteParameterFile(const std::string& fileName, const TParameterSet& p) {
  // The file a user saved before is replaced only by a complete new one: a
  // full disk must not leave half a parameter file in its place.
  SafeFile file(fileName);
  file.Write(FormatParameterFile(p));
  file.Commit();
}

TParameterSet ParseParameterLines(const std::vector<std::string>& lines) {
  TParameterSet p;
  if (lines.size() >= 4) {
    for (std::size_t k = 0; k < 4; ++k) p.Corners[k] = ParseCornerLine(lines[k]);
  }
  if (lines.size() >= 5) p.ZoneIndex = lines[4] == "6" ? 1 : 0;
  if (lines.size() >= 6) p.CentralMeridian = StrToFloat(lines[5]);
  if (lines.size() >= 7) p.OffsetX = StrToFloat(lines[6]);
  if (lines.size() >= 8) p.OffsetY = StrToFloat(lines[7]);
  return p;
}

TParameterSet ReadParameterFile(const std::string& fileName) {
  return ParseParameterLines(ReadFirstLines(fileName, 8));
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

std::string ReadFileBytes(const std::string& fileName) {
  File f = OpenForReading(fileName);
  std::string bytes;
  char buf[65536];
  std::size_t n = 0;
  while ((n = std::fread(buf, 1, sizeof buf, f.get())) > 0) bytes.append(buf, n);
  if (std::ferror(f.get())) ThrowFileError("无法读取文件", fileName, errno);
  return bytes;
}

std::vector<std::string> ReadNumberList(const std::string& fileName) {
  std::vector<std::string> lines = SplitLines(ReadFileBytes(fileName));
  for (std::string& line : lines) line = GbkToUtf8(line, true);
  return lines;
}

}  // namespace karvento
