// SPDX-License-Identifier: Apache-2.0
#include "workbench/user_texts.h"

#include <cerrno>
#include <cstring>
#include <utility>

namespace karvento {
namespace {

// The system's reasons that reach users, by errno, and their English words
// (strerror) where a library hands on its text.
struct Reason {
  int err;
  std::string_view english;
  std::string_view chinese;
};
constexpr Reason kReasons[] = {
    {EACCES, "Permission denied", "没有权限"},
    {ENOENT, "No such file or directory", "文件或文件夹不存在"},
    {ENOSPC, "No space left on device", "磁盘空间不足"},
    {EROFS, "Read-only file system", "文件系统只读"},
    {EISDIR, "Is a directory", "这是一个文件夹"},
    {ENOTDIR, "Not a directory", "路径中有一项不是文件夹"},
    {EFBIG, "File too large", "文件太大"},
    {ENAMETOOLONG, "File name too long", "文件名太长"},
    {EMFILE, "Too many open files", "打开的文件太多"},
    {EIO, "Input/output error", "读写错误"},
    {EDQUOT, "Disk quota exceeded", "超出磁盘配额"},
    {EPERM, "Operation not permitted", "不允许此操作"},
};

std::string ReasonText(int err) {
  for (const Reason& r : kReasons) {
    if (r.err == err) return std::string(r.chinese);
  }
  return std::strerror(err);
}

}  // namespace

std::string UserFacingText(const Message& message) {
  if (message.Pattern() == nullptr) return UserFacingText(message.Text());
  const auto first = [&] { return message.Args().empty() ? std::string() : message.Args().front().text; };
  if (message.Is(msg::kNotAnInteger)) return "“" + first() + "”不是有效的整数";
  if (message.Is(msg::kNotAFloat)) return "“" + first() + "”不是有效的数字";
  if (message.Is(msg::kRangeCheck)) return "范围错误：右上角在左下角以西或以南，或数值超出图幅编号的范围";
  std::vector<std::string> args;
  for (const MessageArg& a : message.Args()) {
    switch (a.kind) {
      case MessageArg::Kind::Verbatim: args.push_back(a.text); break;
      case MessageArg::Kind::Text: args.push_back(UserFacingText(a.text)); break;
      case MessageArg::Kind::Reason: args.push_back(ReasonText(a.err)); break;
      case MessageArg::Kind::Nested: args.push_back(UserFacingText(*a.nested)); break;
    }
  }
  return FillPattern(message.Pattern(), args);
}

std::string UserFacingText(std::string_view text) {
  if (text == "Out of memory") return "内存不足";
  std::string out(text);
  const auto replaceAll = [&out](std::string_view english, std::string_view chinese) {
    for (std::size_t at = out.find(english); at != std::string::npos; at = out.find(english, at + chinese.size())) {
      out.replace(at, english.size(), chinese);
    }
  };
  for (const Reason& r : kReasons) replaceAll(r.english, r.chinese);
  return out;
}

}  // namespace karvento
