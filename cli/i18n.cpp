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

// The patterns of messages that the routines and writers below the tool
// build, longest first where one begins like another: "%s" stands for a
// part, translated in turn. A part is never read past the text that follows
// it in the pattern, so a file name holding that text would split early.
const char* const kPatterns[] = {
    N_("范围文件没有坐标系：其坐标按 %s 的经纬度使用。"),
    N_("范围文件的坐标系 %s 与图幅的坐标系 %s 之间没有官方转换，经纬度按原值使用（边缘的图幅可能不同）。"),
    N_("%s 自相交的多边形已修复（GDAL MakeValid），重叠或相接的多边形已合并，覆盖比例按合并后的范围计算。"),
    N_("%s 重叠或相接的多边形已合并，覆盖比例按合并后的范围计算。"),
    N_("没有图层 %s"),
    N_("筛选条件无效：%s"),
    N_("无法换算到 %s 的经纬度"),
    N_("%s（图幅号列表至多 %s）"),
    N_("图幅数量过多：这次需要生成 %s 幅，超过了一次最多 %s 幅的上限。%s"),
    N_("图幅数量过多：一列需要生成 %s 幅，超过了一列最多 %s 幅的上限。请缩小南北范围或选用较小的比例尺。"),
    N_("无法写入文件 “%s”：%s"),
    N_("无法打开文件 “%s”：%s"),
    N_("无法读取文件 “%s”：%s"),
    N_("无法读取范围文件 %s：%s（%s）"),
    N_("无法读取范围文件 %s：%s"),
    N_("无法转换为旧图幅号：旧图幅号标准没有 %s 比例尺，1:2000、1:1000、1:500 只有新图幅号（GB/T 13989-2012）。"),
    N_("无法按旧图幅号标准编号：旧图幅号标准没有 %s 比例尺，1:2000、1:1000、1:500 只有新图幅号（GB/T 13989-2012）。"),
    N_("图幅号“%s”%s"),
    N_("不是标准图幅号：%s"),
    N_("图幅太多，无法导出到一个工作表：共 %s 个图幅，一个工作表最多容纳 %s 个。请缩小范围后分批导出。"),
    N_("无法把文本转换为 GBK 编码：第 %s 字节起的字符不完整"),
    N_("无法把文本转换为 GBK 编码：第 %s 字节起不是可转换的字符"),
    N_("图幅号过长：%s 幅图的图幅号（编号格式 %s 字节）合计超过了一次最多 %s MiB 的上限。请缩短编号格式或缩小范围。"),
    N_("“%s”不是参数文件：%s"),
    N_("只有 %s 行，参数文件有 8 行（四个角点、分带方法、中央经线、两个偏移值）"),
    N_("第 %s 行不是度、分、秒"),
    N_("无法读取图层 %s：%s（%s）"),
    N_("无法读取图层 %s：%s"),
    N_("图层没有坐标系：其坐标按 %s 的经纬度使用。"),
    N_("图层没有坐标系：其坐标按 %s 的高斯-克吕格平面坐标（%s 度带，中央经线 %s°）使用。"),
    N_("图层的坐标系 %s 经 PROJ 换算到 %s 的经纬度。"),
    N_("--cm %s 与图层坐标系的中央经线 %s 不符"),
    N_("转换参数从 %s 到 %s，图层却在 %s 上、图幅在 %s 上"),
    N_("按转换参数：%s"),
    N_("按转换参数的反算：%s"),
    N_("图层的坐标在 %s 上，图幅在 %s 上：两者之间没有官方转换，同一组坐标在两个坐标系中相差可达约 100 米，"
       "直接按原坐标赋图幅号会使图廓附近的要素得到错误的图幅号。请用 --transform 参数文件给出两者的转换关系，"
       "或用 --datum 选择图层所在的坐标系。"),
    N_("KML 的经纬度是 WGS 84 的：%s 上的图层不能写成 KML（没有官方转换）。请改用 GeoPackage 或 Shapefile"),
    N_("要素 %s 在 %s 有 %s 幅图，图幅号连起来 %s 字节，超过 Shapefile 文本字段的 254 字节：请用 --explode（每个要素的每幅图一行）或改用 GeoPackage。"),
    N_("要素 %s 的坐标超出了换算的范围"),
    N_("%s 个要素不在图幅编号的范围内（经度 0° 至 180°，纬度 0° 至 90°），没有图幅号。"),
    N_("%s 个要素没有几何，没有图幅号。"),
    N_("GDAL 没有驱动 %s"),
};

// Whole messages of the routines, the writers and the area reader, and the
// reasons they give inside a file message: listed here for the catalogue.
[[maybe_unused]] const char* const kRoutineMessages[] = {
    N_("自相交的多边形已修复（GDAL MakeValid），重叠或相接的多边形已合并，覆盖比例按合并后的范围计算。"),
    N_("重叠或相接的多边形已合并，覆盖比例按合并后的范围计算。"),
    N_("北京54坐标系和西安80坐标系到 WGS 84 没有官方的坐标转换，KML 文件的经纬度却按 WGS 84 解读，因此只能导出 2000 国家大地坐标系（CGCS2000）的图幅。"),
    N_("独立坐标系没有大地坐标，不能导出 KML 文件。"),
    N_("独立坐标系没有大地坐标，只能导出平面坐标。"),
    N_("这些图幅跨越了多个投影带（中央经度为 0 时每个角点按其所在带投影），没有统一的平面坐标系，不能导出平面坐标。请指定一个中央经线（“中央经度”，命令行 --cm）后重新生成。"),
    N_("GDAL 未说明原因"),
    N_("没有可导出的图幅：请先生成图幅号。"),
    N_("请缩小范围或选用较小的比例尺。"),
    N_("请缩小范围或加大图幅的X、Y方向尺寸。"),
    N_("请减少原图幅号，或选用较小的转换后比例尺。"),
    N_("偏移值太小了！"),
    N_("最大X小于最小X，请检查坐标范围！"),
    N_("最大Y小于最小Y，请检查坐标范围！"),
    N_("第 5 行（分带方法）应为 3 或 6"),
    N_("含有换行符或 NUL 字符，不能写入文件"),
    N_("不是有效的 UTF-8 文本，不能写入文件"),
    N_("不是普通文件（设备、管道或终端），MIF 只能写入普通文件：它的 MID 文件要写在它旁边"),
    N_("图副格式不符合规定！"),
    N_("该点不在图幅编号的范围内（经度 0° 至 180°，纬度 0° 至 90°）。"),
    N_("超出图幅编号的范围（经度 0° 至 180°，纬度 0° 至 90°）"),
    N_("范围含有不是有限数的坐标（NaN 或无穷大）"),
    N_("含有不是有限数的坐标（NaN 或无穷大）"),
    N_("图幅范围超出了数值范围：请缩小范围或图幅的X、Y方向尺寸。"),
    N_("不读取 GDAL 的虚拟文件系统（/vsi…）"),
    N_("只读取本机的文件，不读取网址"),
    N_("不是普通文件"),
    N_("有自相交的多边形，且无法修复"),
    N_("无法合并重叠的多边形"),
    N_("不是可读的本地矢量文件"),
    N_("没有图层"),
    N_("坐标换算失败"),
    N_("读取出错"),
    N_("没有多边形"),
    N_("不是普通文件（设备、管道或终端），工作簿只能写入普通文件"),
    N_("不是普通文件（设备、管道或终端），Shapefile 只能写入普通文件"),
    N_("MIF 文件与 MID 文件会是同一个文件，请换用扩展名 .mif"),
    N_("图层没有坐标系：请用 --datum 说明其坐标所在的坐标系"),
    N_("图层没有坐标系，其坐标不是经纬度：请用 --zone 和 --cm 给出其高斯-克吕格投影带"),
    N_("图层不在北京54、西安80或2000国家大地坐标系上，--transform 的参数不适用于它"),
    N_("无法换算到其经纬度"),
    N_("图层在 WGS 84 上，按 2000国家大地坐标系使用（两者相差不到 1 米）。"),
    N_("四参数转换只用于高斯-克吕格平面坐标的图层"),
    N_("四参数转换的投影带与图层的不同"),
    N_("四参数转换的中央经线与图层的不同"),
    N_("Shapefile 的字段名至多 10 字节：图幅号、旧图幅号和覆盖比例的字段名为 S_分母、O_分母、C_分母。"),
    N_("请给出至少一个比例尺"),
    N_("请给出新图幅号或旧图幅号"),
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
  std::string text;
  auto arg = args.begin();
  for (std::size_t i = 0; i < pattern.size(); ++i) {
    if (pattern[i] == '%' && i + 1 < pattern.size() && (pattern[i + 1] == 's' || pattern[i + 1] == '%')) {
      if (pattern[++i] == '%') {
        text += '%';
      } else if (arg != args.end()) {
        text += *arg++;
      }
      continue;
    }
    text += pattern[i];
  }
  return text;
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
  // best: a reason with brackets of its own ("…（/vsi…）") also has the form
  // of a message with a bracketed part, which would cut it in two.
  std::vector<std::string_view> parts;
  std::string best = whole;
  int bestScore = -1;
  for (const char* pattern : kPatterns) {
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

}  // namespace karvento::cli
