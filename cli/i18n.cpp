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

// The coordinate transformation's refusals, which its routines (pure
// computing, below the message codes of the file and sheet routines) return
// as texts: read back by pattern, "%s" standing for a part translated in
// turn. A part is never read past the text that follows it in the pattern.
const char* const kTransformPatterns[] = {
    N_("重合点文件 “%s” 是空的"),
    N_("重合点文件 “%s” 没有所需的列：需要 lon1 lat1 lon2 lat2，或 north1 east1 north2 east2"),
    N_("%s 第 %s 行缺少“%s”列的值"),
    N_("%s 第 %s 行：“%s”列的“%s”不是数值"),
    N_("%s 第 %s 行：“%s”列的“%s”不是角度"),
    N_("参数文件第 %s 行不是“键 = 值”"),
    N_("参数文件第 %s 行：“%s”重复"),
    N_("参数文件第 %s 行：此模型没有“%s”"),
    N_("参数文件缺少“%s”"),
    N_("不支持的参数文件版本“%s”"),
    N_("未知的模型“%s”（bursa7、shift3、plane4 或 affine6）"),
    N_("“%s”不是坐标系 54、80 或 2000：“%s”"),
    N_("未知的旋转约定“%s”（position-vector 或 coordinate-frame）"),
    N_("参数“%s”不是数值：“%s”"),
    N_("“zone”只能是 3 或 6：“%s”"),
    N_("点“%s”的经度和纬度似乎互换了（在%s上读作经度 %s、纬度 %s）：请先给经度，后给纬度"),
    N_("点“%s”不在我国范围内（在%s上为经度 %s、纬度 %s）"),
    N_("点“%s”在两个坐标系中相距 %s 米：不是同一个点在%s和%s上的坐标（这两个坐标系相差不过几百米）"),
    N_("中央经线 %s° 的 3° 带"),
    N_("中央经线 %s° 的 6° 带"),
    N_("点“%s”的东坐标 %s 带有带号 %s，不在%s的%s（带号 %s）上"),
    N_("点“%s”的 X 和 Y 似乎互换了：北坐标 %s、东坐标 %s 不在%s的%s的我国范围内，互换后才在。"
       "我国测量习惯以 X 表示北坐标，本工具以 X 表示东坐标：请按北坐标、东坐标的列名给出"),
    N_("点“%s”的平面坐标（北坐标 %s、东坐标 %s）不在%s的%s的我国范围内"),
    N_("重合点太少：%s需要至少 %s 个点，只给了 %s 个"),
    N_("重合点几乎在一条直线上（离直线最远的点“%s”只有 %s 米，点间最远 %s 米）："
       "7 参数模型绕这条直线的旋转无法确定。请加入不在这条线上的点，或用 3 参数或 4 参数模型"),
    N_("重合点几乎在一条直线上（离直线最远的点“%s”只有 %s 米，点间最远 %s 米）："
       "6 参数模型垂直于这条直线的尺度无法确定。请加入不在这条线上的点，或用 4 参数模型"),
    N_("无法读取重合点图层 “%s”：%s"),
    N_("重合点图层 “%s” 的坐标系（%s）不在%s上"),
    N_("重合点图层 “%s” 没有字段“%s”"),
    N_("重合点图层 “%s” 的要素 %s 不是一个点"),
    N_("重合点图层 “%s” 的要素 %s 没有“%s”"),
    N_("重合点图层 “%s” 中点“%s”出现了两次"),
    N_("重合点图层 “%s” 是%s，“%s” 却是%s"),
    N_("重合点图层 “%s” 和 “%s” 没有“%s”相同的点"),
};

// Whole texts of the transformation, and the names its patterns hold.
[[maybe_unused]] const char* const kTransformTexts[] = {
    N_("不是 Karvento 的坐标转换参数文件（没有“karvento-transform = 1”）"),
    N_("“cm”必须在 0 至 180 之间（不含 0）"),
    N_("6 参数模型的系数 a1·b2 − a2·b1 为 0：这组参数没有逆变换"),
    N_("重合点的几何条件太差，无法解算参数（法方程奇异）"),
    N_("平面模型需要大于 0 的中央经线"),
    N_("重合点相互重合（相距不到 1 米）：平面模型的旋转和尺度无法确定"),
    N_("7 参数布尔莎模型"),
    N_("3 参数平移模型"),
    N_("6 参数平面仿射模型"),
    N_("4 参数平面模型"),
    N_("北京1954"),
    N_("西安1980"),
    N_("2000国家大地坐标系"),
    N_("平面坐标"),
    N_("经纬度"),
    N_("不是 GDAL 能读的矢量文件"),
};

// Splits text by pattern: the parts in place of each "%s", or false when
// the text does not have the pattern's form.
bool Match(std::string_view pattern, std::string_view text, std::vector<std::string_view>& parts) {
  parts.clear();
  std::size_t p = 0, t = 0;
  while (true) {
    const std::size_t hole = pattern.find("%s", p);
    const std::string_view literal = pattern.substr(p, hole == std::string_view::npos ? hole : hole - p);
    if (text.compare(t, literal.size(), literal) != 0) return false;
    t += literal.size();
    if (hole == std::string_view::npos) return t == text.size();
    p = hole + 2;
    const std::size_t next = pattern.find("%s", p);
    const std::string_view following = pattern.substr(p, next == std::string_view::npos ? next : next - p);
    // A part runs to the next literal; the pattern's last literal ends the
    // text; a part with nothing after it runs to the end.
    std::size_t end = text.size();
    if (next == std::string_view::npos) {
      if (text.size() - t < following.size() || !text.ends_with(following)) return false;
      end = text.size() - following.size();
    } else {
      if (following.empty()) return false;  // two parts side by side cannot be told apart
      end = text.find(following, t);
      if (end == std::string_view::npos) return false;
    }
    parts.push_back(text.substr(t, end - t));
    t = end;
  }
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
  // Of the patterns the text has the form of, the one whose parts translate
  // best.
  std::vector<std::string_view> parts;
  std::string best = whole;
  int bestScore = -1;
  for (const char* pattern : kTransformPatterns) {
    if (!Match(pattern, text, parts)) continue;
    // The first part of a file message is the file's name, shown as it is.
    std::vector<std::string> shown;
    int score = 0;
    for (std::size_t i = 0; i < parts.size(); ++i) {
      if (i == 0 && std::string_view(pattern).find("文件") != std::string_view::npos) {
        shown.emplace_back(parts[i]);
        continue;
      }
      shown.push_back(TranslateMessage(parts[i]));
      if (shown.back() != parts[i]) ++score;
    }
    if (score <= bestScore) continue;
    const std::vector<std::string_view> args(shown.begin(), shown.end());
    best = Fill(Tr(pattern), args);
    bestScore = score;
  }
  return best;
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
