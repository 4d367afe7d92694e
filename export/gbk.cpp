// SPDX-License-Identifier: Apache-2.0
#include "export/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iterator>
#include <vector>

#include "numbering/error.h"

namespace karvento {
namespace {

// An iconv converter of one direction, opened once per thread: opening one
// costs far more than converting a sheet number, and a number list of a
// million lines that are not ASCII converts every line.
class Converter {
 public:
  Converter(const char* to, const char* from)
      : cd_(iconv_open(to, from)), openError_(errno), to_(to), from_(from) {}
  ~Converter() {
    if (cd_ != kInvalid) iconv_close(cd_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  // The converter in its initial state.
  iconv_t Get() const {
    if (cd_ == kInvalid) {
      throw Error(std::string("无法打开文本编码转换（") + from_ + " → " + to_ + "）：" +
                  std::strerror(openError_));
    }
    iconv(cd_, nullptr, nullptr, nullptr, nullptr);
    return cd_;
  }

 private:
  static inline const iconv_t kInvalid = reinterpret_cast<iconv_t>(-1);
  iconv_t cd_;
  int openError_;
  const char* to_;
  const char* from_;
};

// One conversion through iconv; only texts that are not ASCII reach it.
std::string Convert(std::string_view in, const Converter& converter, const char* what,
                    bool replaceInvalid) {
  if (IsAscii(in)) return std::string(in);
  const iconv_t cd = converter.Get();
  std::string out(in.size() * 2 + 16, '\0');
  char* src = const_cast<char*>(in.data());  // iconv's interface is not const-correct
  std::size_t srcLeft = in.size();
  char* dst = out.data();
  std::size_t dstLeft = out.size();
  while (srcLeft > 0) {
    if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) != static_cast<std::size_t>(-1)) continue;
    const int err = errno;
    if (err == E2BIG) {
      const std::size_t used = out.size() - dstLeft;
      out.resize(out.size() * 2);
      dst = out.data() + used;
      dstLeft = out.size() - used;
      continue;
    }
    if (replaceInvalid) {
      // One replacement character for the first byte of the sequence, then
      // on with the next byte.
      if (dstLeft < 3) {
        const std::size_t used = out.size() - dstLeft;
        out.resize(out.size() * 2);
        dst = out.data() + used;
        dstLeft = out.size() - used;
      }
      std::memcpy(dst, "\xEF\xBF\xBD", 3);
      dst += 3;
      dstLeft -= 3;
      ++src;
      --srcLeft;
      continue;
    }
    const std::size_t offset = in.size() - srcLeft;
    throw Error(std::string("无法把文本转换为 ") + what + "：第 " + std::to_string(offset + 1) +
                " 字节起" + (err == EINVAL ? "的字符不完整" : "不是可转换的字符"));
  }
  out.resize(out.size() - dstLeft);
  return out;
}

// Scans well-formed UTF-8 from byte `from`: returns the end of the run of
// whole characters (all of them, or with one set only the first).
std::size_t Utf8SequenceEnd(std::string_view t, std::size_t from, bool one = false) {
  std::size_t i = from;
  while (i < t.size()) {
    const auto c = static_cast<unsigned char>(t[i]);
    std::size_t n = 0;
    unsigned lo = 0x80, hi = 0xBF;  // the allowed range of the second byte
    if (c < 0x80) {
      n = 1;
    } else if (c >= 0xC2 && c <= 0xDF) {
      n = 2;
    } else if (c >= 0xE0 && c <= 0xEF) {
      n = 3;
      if (c == 0xE0) lo = 0xA0;  // overlong below U+0800
      if (c == 0xED) hi = 0x9F;  // the surrogates U+D800..U+DFFF
    } else if (c >= 0xF0 && c <= 0xF4) {
      n = 4;
      if (c == 0xF0) lo = 0x90;  // overlong below U+10000
      if (c == 0xF4) hi = 0x8F;  // past U+10FFFF
    } else {
      return i;
    }
    if (i + n > t.size()) return i;
    for (std::size_t k = 1; k < n; ++k) {
      const auto b = static_cast<unsigned char>(t[i + k]);
      if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) return i;
    }
    i += n;
    if (one) return i;
  }
  return i;
}

// A well-formed sequence's code point.
std::uint32_t CodePointAt(std::string_view t, std::size_t from, std::size_t end) {
  const auto lead = static_cast<unsigned char>(t[from]);
  const std::size_t n = end - from;
  std::uint32_t u = n == 2 ? lead & 0x1Fu : n == 3 ? lead & 0x0Fu : lead & 0x07u;
  for (std::size_t k = 1; k < n; ++k) u = (u << 6) | (static_cast<unsigned char>(t[from + k]) & 0x3Fu);
  return u;
}

// Whether the malformed sequence at from is the start of a well-formed one
// that the end of the text cuts off: a lead byte, and after it fewer
// continuation bytes than it announces, each in its allowed range.
bool IsCutShort(std::string_view t, std::size_t from) {
  const auto c = static_cast<unsigned char>(t[from]);
  std::size_t n = 0;
  unsigned lo = 0x80, hi = 0xBF;
  if (c >= 0xC2 && c <= 0xDF) {
    n = 2;
  } else if (c >= 0xE0 && c <= 0xEF) {
    n = 3;
    if (c == 0xE0) lo = 0xA0;
    if (c == 0xED) hi = 0x9F;
  } else if (c >= 0xF0 && c <= 0xF4) {
    n = 4;
    if (c == 0xF0) lo = 0x90;
    if (c == 0xF4) hi = 0x8F;
  } else {
    return false;
  }
  const std::size_t left = t.size() - from;
  if (left >= n) return false;
  for (std::size_t k = 1; k < left; ++k) {
    const auto b = static_cast<unsigned char>(t[from + k]);
    if (b < (k == 1 ? lo : 0x80) || b > (k == 1 ? hi : 0xBF)) return false;
  }
  return true;
}

// The GBK code of each character of the Basic Multilingual Plane, 0 where
// GBK has none: the inverse of the table of the C library's GBK decoder
// (glibc's; scripts/gbk-table writes it), made once. The browser's C library
// decodes GBK but cannot encode it, and the two must write the same bytes.
// One code is a single byte: 0x80, the euro sign of code page 936.
const std::uint16_t* GbkCodes() {
  static const std::vector<std::uint16_t> codes = [] {
    static constexpr std::uint16_t kUnits[] = {
#include "export/gbk_table.inc"
    };
    static_assert(std::size(kUnits) == 126 * 190);
    std::vector<std::uint16_t> inverse(0x10000, 0);
    for (std::size_t i = 0; i < std::size(kUnits); ++i) {
      if (kUnits[i] == 0) continue;
      const std::size_t lead = 0x81 + i / 190;
      const std::size_t col = i % 190;
      const std::size_t trail = 0x40 + col + (col >= 0x3F ? 1 : 0);  // no trail 0x7F
      inverse[kUnits[i]] = static_cast<std::uint16_t>(lead << 8 | trail);
    }
    inverse[0x20AC] = 0x80;
    return inverse;
  }();
  return codes.data();
}

}  // namespace

Utf8Char Utf8CharAt(std::string_view text, std::size_t i) {
  const auto b = static_cast<unsigned char>(text[i]);
  if (b < 0x80) return {b, 1};
  const std::size_t end = Utf8SequenceEnd(text, i, true);
  if (end == i) return {};
  return {CodePointAt(text, i, end), end - i};
}

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

bool IsValidUtf8(std::string_view text) {
  return Utf8SequenceEnd(text, 0) == text.size();
}

std::string SheetNumberFault(std::string_view number) { return SheetNumberFaultMessage(number).Text(); }

Message SheetNumberFaultMessage(std::string_view number) {
  const bool valid = IsValidUtf8(number);
  const bool breaks = number.find_first_of(std::string_view("\r\n\0", 3)) != std::string_view::npos;
  if (valid && !breaks) return {};
  std::string shown;
  std::size_t i = 0;
  for (int chars = 0; i < number.size() && chars < 64; ++chars) {
    const char c = number[i];
    if (c == '\r' || c == '\n' || c == '\0') {
      shown += c == '\r' ? "\\r" : c == '\n' ? "\\n" : "\\0";
      ++i;
      continue;
    }
    const std::size_t end = Utf8SequenceEnd(number, i, true);
    if (end == i) {
      shown += "\xEF\xBF\xBD";
      ++i;
    } else {
      shown.append(number.substr(i, end - i));
      i = end;
    }
  }
  if (i < number.size()) shown += "…";
  return Message(msg::kNumberProblem, {shown, Message(breaks ? msg::kHasLineBreak : msg::kNotUtf8)});
}

std::string Utf8ToGbk(std::string_view utf8) {
  if (IsAscii(utf8)) return std::string(utf8);
  const std::uint16_t* gbkOf = GbkCodes();
  std::string out;
  out.reserve(utf8.size());
  std::size_t i = 0;
  while (i < utf8.size()) {
    const auto c = static_cast<unsigned char>(utf8[i]);
    if (c < 0x80) {
      out += static_cast<char>(c);
      ++i;
      continue;
    }
    const std::size_t end = Utf8SequenceEnd(utf8, i, true);
    if (end == i) {
      // A sequence that the end of the text cuts short is incomplete; any
      // other malformed one is not a character at all.
      throw Error(Message(IsCutShort(utf8, i) ? msg::kGbkIncomplete : msg::kGbkNotConvertible,
                          {std::to_string(i + 1)}));
    }
    const std::uint32_t u = CodePointAt(utf8, i, end);
    const std::uint16_t code = u <= 0xFFFF ? gbkOf[u] : 0;
    if (code == 0) {
      throw Error(Message(msg::kGbkNotConvertible, {std::to_string(i + 1)}));
    }
    if (code > 0xFF) out += static_cast<char>(code >> 8);
    out += static_cast<char>(code & 0xFF);
    i = end;
  }
  return out;
}

std::string GbkToUtf8(std::string_view gbk, bool replaceInvalid) {
  thread_local const Converter toUtf8("UTF-8", "GBK");
  return Convert(gbk, toUtf8, "UTF-8 编码", replaceInvalid);
}

}  // namespace karvento
