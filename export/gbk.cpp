#include "export/gbk.h"

#include <iconv.h>

#include <cerrno>
#include <cstring>

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

}  // namespace

bool IsAscii(std::string_view text) {
  for (unsigned char c : text) {
    if (c >= 0x80) return false;
  }
  return true;
}

std::string Utf8ToGbk(std::string_view utf8) {
  thread_local const Converter toGbk("GBK", "UTF-8");
  return Convert(utf8, toGbk, "GBK 编码", false);
}

std::string GbkToUtf8(std::string_view gbk, bool replaceInvalid) {
  thread_local const Converter toUtf8("UTF-8", "GBK");
  return Convert(gbk, toUtf8, "UTF-8 编码", replaceInvalid);
}

}  // namespace karvento
