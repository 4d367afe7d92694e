#include "export/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

#include "numbering/error.h"

namespace karvento {
namespace {

// One conversion through iconv. The converter is opened per call: a call
// costs microseconds, and the writers convert only the few texts that are
// not ASCII.
std::string Convert(std::string_view in, const char* to, const char* from, const char* what,
                    bool replaceInvalid) {
  if (IsAscii(in)) return std::string(in);
  iconv_t cd = iconv_open(to, from);
  if (cd == reinterpret_cast<iconv_t>(-1)) {
    throw Error(std::string("无法打开文本编码转换（") + from + " → " + to + "）：" +
                std::strerror(errno));
  }
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
    iconv_close(cd);
    const std::size_t offset = in.size() - srcLeft;
    throw Error(std::string("无法把文本转换为 ") + what + "：第 " + std::to_string(offset + 1) +
                " 字节起" + (err == EINVAL ? "的字符不完整" : "不是可转换的字符"));
  }
  iconv_close(cd);
  out.resize(out.size() - dstLeft);
  return out;
}

}  // namespace

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::string Utf8ToGbk(std::string_view utf8) {
  return Convert(utf8, "GBK", "UTF-8", "GBK 编码", false);
}

std::string GbkToUtf8(std::string_view gbk, bool replaceInvalid) {
  return Convert(gbk, "UTF-8", "GBK", "UTF-8 编码", replaceInvalid);
}

}  // namespace karvento
