// SPDX-License-Identifier: Apache-2.0
#include "workbench/user_texts.h"

#include <utility>

namespace karvento {
namespace {

// The system's reasons (strerror) that reach users, and the names the area
// notice gives the datums.
constexpr std::pair<std::string_view, std::string_view> kPhrases[] = {
    {"Permission denied", "没有权限"},
    {"No such file or directory", "文件或文件夹不存在"},
    {"No space left on device", "磁盘空间不足"},
    {"Read-only file system", "文件系统只读"},
    {"Is a directory", "这是一个文件夹"},
    {"Not a directory", "路径中有一项不是文件夹"},
    {"File too large", "文件太大"},
    {"File name too long", "文件名太长"},
    {"Too many open files", "打开的文件太多"},
    {"Input/output error", "读写错误"},
    {"Disk quota exceeded", "超出磁盘配额"},
    {"Operation not permitted", "不允许此操作"},
    {"Beijing 1954", "北京1954"},
    {"Xi'an 1980", "西安1980"},
};

// "'TEXT' is not a valid ... value" with TEXT taken out; false for any
// other text.
bool QuotedValue(std::string_view text, std::string_view tail, std::string& value) {
  if (text.size() < tail.size() + 1 || text.front() != '\'' || !text.ends_with(tail)) return false;
  value = text.substr(1, text.size() - tail.size() - 1);
  return true;
}

}  // namespace

std::string UserFacingText(std::string_view text) {
  std::string value;
  if (QuotedValue(text, "' is not a valid integer value", value)) {
    return "“" + value + "”不是有效的整数";
  }
  if (QuotedValue(text, "' is not a valid floating point value", value)) {
    return "“" + value + "”不是有效的数字";
  }
  if (text == "Range check error") {
    return "范围错误：右上角在左下角以西或以南，或数值超出图幅编号的范围";
  }
  if (text == "Out of memory") return "内存不足";
  std::string out(text);
  for (const auto& [english, chinese] : kPhrases) {
    for (std::size_t at = out.find(english); at != std::string::npos;
         at = out.find(english, at + chinese.size())) {
      out.replace(at, english.size(), chinese);
    }
  }
  return out;
}

}  // namespace karvento
