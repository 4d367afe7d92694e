// SPDX-License-Identifier: Apache-2.0
// What the file-reader fuzz targets share: a scratch file of their own for
// the readers that take a file name, and the checks of SplitLines.
#pragma once

#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>
#include <vector>

namespace karvento::fuzz {

inline void Check(bool ok) {
  if (!ok) std::abort();
}

// One file per fuzzing process, created under $TMPDIR (or /tmp) with a unique
// name and removed when the process ends.
class ScratchFile {
 public:
  ScratchFile() {
    const char* dir = std::getenv("TMPDIR");
    std::string pattern = std::string(dir && *dir ? dir : "/tmp") + "/karvento-fuzz-XXXXXX";
    std::vector<char> buf(pattern.begin(), pattern.end());
    buf.push_back('\0');
    const int fd = ::mkstemp(buf.data());
    Check(fd >= 0);
    ::close(fd);
    path_.assign(buf.data());
  }
  ~ScratchFile() { ::unlink(path_.c_str()); }
  ScratchFile(const ScratchFile&) = delete;
  ScratchFile& operator=(const ScratchFile&) = delete;

  const std::string& path() const { return path_; }

  void Write(std::string_view bytes) const {
    std::FILE* f = std::fopen(path_.c_str(), "wb");
    Check(f != nullptr);
    Check(std::fwrite(bytes.data(), 1, bytes.size(), f) == bytes.size());
    Check(std::fclose(f) == 0);
  }

 private:
  std::string path_;
};

inline const ScratchFile& Scratch() {
  static const ScratchFile file;
  return file;
}

// True when s is well-formed UTF-8 (no overlong form, no surrogate).
inline bool IsUtf8(std::string_view s) {
  std::size_t i = 0;
  while (i < s.size()) {
    const auto c = static_cast<unsigned char>(s[i]);
    std::size_t n = 0;
    char32_t cp = 0;
    if (c < 0x80) {
      ++i;
      continue;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 1, cp = c & 0x1F;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 2, cp = c & 0x0F;
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 3, cp = c & 0x07;
    } else {
      return false;
    }
    if (i + n + 1 > s.size()) return false;
    for (std::size_t k = 1; k <= n; ++k) {
      const auto d = static_cast<unsigned char>(s[i + k]);
      if ((d & 0xC0) != 0x80) return false;
      cp = (cp << 6) | (d & 0x3F);
    }
    const char32_t least[] = {0, 0x80, 0x800, 0x10000};
    if (cp < least[n] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) return false;
    i += n + 1;
  }
  return true;
}

// SplitLines never yields a line holding CR, LF or NUL, and its lines are
// the text before the first NUL with the line breaks taken out, in order.
inline void CheckLines(std::string_view text, const std::vector<std::string>& lines) {
  const std::string_view beforeNul = text.substr(0, text.find('\0'));
  std::string withoutBreaks;
  for (char c : beforeNul) {
    if (c != '\r' && c != '\n') withoutBreaks += c;
  }
  std::string joined;
  for (const std::string& line : lines) {
    Check(line.find_first_of(std::string_view("\r\n\0", 3)) == std::string::npos);
    joined += line;
  }
  Check(joined == withoutBreaks);
  // At most one line per break, plus the unended last one.
  std::size_t breaks = 0;
  for (char c : beforeNul) breaks += c == '\r' || c == '\n';
  Check(lines.size() <= breaks + 1);
}

}  // namespace karvento::fuzz
