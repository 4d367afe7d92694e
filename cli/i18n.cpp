// SPDX-License-Identifier: Apache-2.0
#include "cli/i18n.h"
#include "cli/modules.h"

#include <libintl.h>
#include <locale.h>
#include <string.h>
#include <unistd.h>

#include <cerrno>
#include <algorithm>
#include <climits>
#include <clocale>
#include <cstdlib>
#include <cstring>
#include <map>
#include <span>
#include <vector>

namespace karvento::cli {

namespace {

constexpr const char* kDomain = "karvento";

const char* FirstSet(std::initializer_list<const char*> names) {
  for (const char* name : names) {
    const char* value = std::getenv(name);
    if (value != nullptr && *value != '\0') return value;
  }
  return nullptr;
}

// The reasons a file's reading or writing meets, in the words of Chinese
// systems.
const std::map<int, const char*>& ChineseReasons() {
  static const std::map<int, const char*> reasons = {
      {EPERM, "不允许的操作"},
      {ENOENT, "没有那个文件或目录"},
      {EIO, "输入/输出错误"},
      {EBADF, "错误的文件描述符"},
      {ENOMEM, "内存不足"},
      {EACCES, "权限不够"},
      {EBUSY, "设备或资源忙"},
      {EEXIST, "文件已存在"},
      {EXDEV, "无效的跨设备链接"},
      {ENOTDIR, "不是目录"},
      {EISDIR, "是一个目录"},
      {EINVAL, "无效的参数"},
      {ENFILE, "系统中打开的文件过多"},
      {EMFILE, "打开的文件过多"},
      {ETXTBSY, "文本文件忙"},
      {EFBIG, "文件过大"},
      {ENOSPC, "设备上没有空间"},
      {ESPIPE, "非法 seek 操作"},
      {EROFS, "只读文件系统"},
      {EMLINK, "过多的链接"},
      {EPIPE, "断开的管道"},
      {ENAMETOOLONG, "文件名过长"},
      {ENOTEMPTY, "目录非空"},
      {ELOOP, "符号连接的层数过多"},
      {EDQUOT, "超出磁盘限额"},
      {ESTALE, "过旧的文件控柄"},
      {EOVERFLOW, "对已定义的数据类型来说值过大"},
      {EILSEQ, "无效或不完整的多字节字符或宽字符"},
      {ENXIO, "没有那个设备或地址"},
      {ENODEV, "没有那个设备"},
      {EAGAIN, "资源暂时不可用"},
      {EINTR, "被中断的系统调用"},
  };
  return reasons;
}

// errno values run below this on Linux (EHWPOISON is 133).
constexpr int kErrnoCount = 134;

// errno of a strerror text, as this process's strerror words it: the
// writers below the tool put the system's reason into their messages.
int ErrnoOfText(std::string_view text) {
  static const std::map<std::string, int, std::less<>> numbers = [] {
    std::map<std::string, int, std::less<>> m;
    for (int e = 1; e < kErrnoCount; ++e) m.emplace(std::strerror(e), e);
    return m;
  }();
  const auto it = numbers.find(text);
  return it == numbers.end() ? 0 : it->second;
}

}  // namespace

void InitLanguage() {
  if (std::setlocale(LC_ALL, "") == nullptr) {
    // The locale the environment names is not generated on this system:
    // the texts still follow the language it names, in UTF-8.
    const char* named = FirstSet({"LC_ALL", "LC_MESSAGES", "LANG"});
    std::setlocale(LC_ALL, "C.UTF-8");
    if (named != nullptr && FirstSet({"LANGUAGE"}) == nullptr) setenv("LANGUAGE", named, 1);
  }
  // Numbers keep the files' own form, a point before the decimals, whatever
  // the user's locale: the C library's printf and strtod follow LC_NUMERIC,
  // and a table with "0,3648" beside "4430086.414" reads as neither.
  std::setlocale(LC_NUMERIC, "C");
  // Chinese is the sources' own language and has no catalogue: in a list of
  // preferences (LANGUAGE=zh_CN:en) the languages after it are never reached.
  if (const char* list = FirstSet({"LANGUAGE"})) {
    const std::string_view all = list;
    for (std::size_t start = 0; start < all.size();) {
      const std::size_t end = std::min(all.find(':', start), all.size());
      if (all.substr(start, 2) == "zh") {
        setenv("LANGUAGE", std::string(all.substr(0, end)).c_str(), 1);
        break;
      }
      start = end + 1;
    }
  }
  bindtextdomain(kDomain, (ProgramFolder() + "/../share/locale").c_str());
  bind_textdomain_codeset(kDomain, "UTF-8");
  textdomain(kDomain);
}

const char* Tr(const char* chinese) { return *chinese == '\0' ? chinese : dgettext(kDomain, chinese); }

std::string Tr(const std::string& chinese) { return Tr(chinese.c_str()); }

namespace {

// The pattern with each %s replaced by the next of args and %% by %.
std::string Fill(std::string_view pattern, std::span<const std::string_view> args) {
  return karvento::FillPattern(pattern, std::vector<std::string>(args.begin(), args.end()));
}

}  // namespace

std::string FillPattern(std::string_view pattern, std::initializer_list<std::string_view> args) {
  return Fill(pattern, std::span(args.begin(), args.size()));
}

std::string TrFormat(const char* pattern, std::initializer_list<std::string_view> args) {
  return FillPattern(Tr(pattern), args);
}

bool English() {
  // The catalogue's own language code: the Chinese source has none.
  static const bool english = std::strcmp(Tr(N_("zh_CN")), "en") == 0;
  return english;
}

std::string SystemErrorText(int err) {
  if (!English()) {
    const auto& reasons = ChineseReasons();
    const auto it = reasons.find(err);
    if (it != reasons.end()) return it->second;
    return std::strerror(err);
  }
  // The system's own English, whatever other languages LANGUAGE lists
  // after English (the C locale's texts).
  static const locale_t c = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return c == static_cast<locale_t>(nullptr) ? std::strerror(err) : strerror_l(err, c);
}

std::string TranslateMessage(std::string_view text) {
  if (text.empty()) return {};
  const std::string whole(text);
  if (const char* translated = Tr(whole.c_str()); whole != translated) return translated;
  if (const int err = ErrnoOfText(text); err != 0) return SystemErrorText(err);
  return whole;
}

std::string TranslateMessage(const Message& message) {
  if (message.Pattern() == nullptr) return TranslateMessage(message.Text());
  std::vector<std::string> args;
  args.reserve(message.Args().size());
  for (const MessageArg& a : message.Args()) {
    switch (a.kind) {
      case MessageArg::Kind::Verbatim: args.push_back(a.text); break;
      case MessageArg::Kind::Text: args.push_back(TranslateMessage(std::string_view(a.text))); break;
      case MessageArg::Kind::Reason: args.push_back(SystemErrorText(a.err)); break;
      case MessageArg::Kind::Nested: args.push_back(TranslateMessage(*a.nested)); break;
    }
  }
  return karvento::FillPattern(Tr(message.Pattern()), args);
}

std::string TranslateMessages(const std::vector<Message>& messages) {
  std::string text;
  for (const Message& m : messages) text += (text.empty() ? "" : " ") + TranslateMessage(m);
  return text;
}

std::string TranslateError(const std::exception& e) {
  if (const auto* error = dynamic_cast<const Error*>(&e)) return TranslateMessage(error->GetMessage());
  return TranslateMessage(std::string_view(e.what()));
}

}  // namespace karvento::cli
