// SPDX-License-Identifier: Apache-2.0
#include <gtest/gtest.h>
#include <iconv.h>

#include <cstdint>
#include <optional>
#include <string>

#include "export/gbk.h"
#include "numbering/error.h"

namespace karvento {
namespace {

TEST(Gbk, ConvertsBothWays) {
  struct Case { std::string utf8, gbk; } cases[] = {
      {"J50G003040", "J50G003040"},
      {"", ""},
      {"图幅号", "\xCD\xBC\xB7\xF9\xBA\xC5"},
      {"  图幅号 Char(30)", "  \xCD\xBC\xB7\xF9\xBA\xC5 Char(30)"},
      {"北京54坐标系", "\xB1\xB1\xBE\xA9" "54\xD7\xF8\xB1\xEA\xCF\xB5"},
      // Full-width punctuation of the program's messages.
      {"（）", "\xA3\xA8\xA3\xA9"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(Utf8ToGbk(c.utf8), c.gbk) << c.utf8;
    EXPECT_EQ(GbkToUtf8(c.gbk), c.utf8) << c.utf8;
    EXPECT_EQ(IsAscii(c.utf8), c.utf8 == c.gbk) << c.utf8;
  }
}

TEST(Gbk, LongTextGrowsTheOutput) {
  std::string utf8, gbk;
  for (int i = 0; i < 5000; ++i) {
    utf8 += "幅a";
    gbk += "\xB7\xF9" "a";
  }
  EXPECT_EQ(Utf8ToGbk(utf8), gbk);
  EXPECT_EQ(GbkToUtf8(gbk), utf8);
}

TEST(Gbk, TextThatDoesNotConvertIsReported) {
  struct Case { std::string text; bool toGbk; const char* where; } cases[] = {
      {"ab\xF0\x9F\x98\x80", true, "第 3 字节"},     // an emoji has no GBK code
      {"图\xE5\x9B", true, "第 4 字节"},             // UTF-8 cut short at the end
      {"x\xFF" "y", true, "第 2 字节"},              // not UTF-8 at all
      {"\xCD\xBC\xB7", false, "第 3 字节"},          // GBK lead byte without its trail
      {"ab\xFF\x20", false, "第 3 字节"},            // 0xFF is no GBK lead byte
  };
  for (const auto& c : cases) {
    try {
      c.toGbk ? Utf8ToGbk(c.text) : GbkToUtf8(c.text);
      ADD_FAILURE() << "converted: " << c.text;
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(c.where), std::string::npos) << e.what();
    }
  }
}

// The C library's own conversion, for comparison: none when it fails.
std::optional<std::string> IconvToGbk(iconv_t cd, const std::string& utf8) {
  iconv(cd, nullptr, nullptr, nullptr, nullptr);
  std::string out(16, '\0');
  char* src = const_cast<char*>(utf8.data());
  std::size_t srcLeft = utf8.size(), dstLeft = out.size();
  char* dst = out.data();
  if (iconv(cd, &src, &srcLeft, &dst, &dstLeft) == static_cast<std::size_t>(-1)) return std::nullopt;
  out.resize(out.size() - dstLeft);
  return out;
}

std::string Utf8Of(std::uint32_t u) {
  std::string s;
  if (u < 0x800) {
    s = {static_cast<char>(0xC0 | u >> 6), static_cast<char>(0x80 | (u & 0x3F))};
  } else if (u < 0x10000) {
    s = {static_cast<char>(0xE0 | u >> 12), static_cast<char>(0x80 | (u >> 6 & 0x3F)),
         static_cast<char>(0x80 | (u & 0x3F))};
  } else {
    s = {static_cast<char>(0xF0 | u >> 18), static_cast<char>(0x80 | (u >> 12 & 0x3F)),
         static_cast<char>(0x80 | (u >> 6 & 0x3F)), static_cast<char>(0x80 | (u & 0x3F))};
  }
  return s;
}

// The converter's own table (the browser's C library cannot encode GBK)
// gives the bytes of the C library's iconv for every character there is,
// and refuses what iconv refuses. The one difference: iconv drops the tag
// characters U+E0000..U+E007F without a word, the table refuses them.
TEST(Gbk, EveryCharacterAsTheCLibraryConvertsIt) {
  const iconv_t cd = iconv_open("GBK", "UTF-8");
  ASSERT_NE(cd, reinterpret_cast<iconv_t>(-1));
  int converted = 0;
  for (std::uint32_t u = 0x80; u <= 0x10FFFF; ++u) {
    if (u >= 0xD800 && u <= 0xDFFF) continue;
    const std::string text = Utf8Of(u);
    const std::optional<std::string> want = IconvToGbk(cd, text);
    std::optional<std::string> got;
    try {
      got = Utf8ToGbk(text);
      ++converted;
    } catch (const Error&) {
    }
    if (u >= 0xE0000 && u <= 0xE007F) {
      ASSERT_EQ(want, std::string()) << std::hex << u;
      ASSERT_EQ(got, std::nullopt) << std::hex << u;
      continue;
    }
    ASSERT_EQ(got, want) << "U+" << std::hex << u;
  }
  EXPECT_EQ(converted, 21792);  // the double-byte codes and the euro sign, 0x80
  // Malformed UTF-8 is refused where iconv refuses it, incomplete at the end
  // as iconv calls it.
  const std::pair<std::string, const char*> bad[] = {
      {"a\xE5\x9B", "第 2 字节起的字符不完整"}, {"a\xF0\x9F\x98", "第 2 字节起的字符不完整"},
      {"a\xE0\x80", "第 2 字节起不是可转换的字符"}, {"a\xE5\x9Bx", "第 2 字节起不是可转换的字符"},
      {"\xC0\xAF", "第 1 字节起不是可转换的字符"}, {"\xED\xA0\x80", "第 1 字节起不是可转换的字符"},
      {"\xF4\x90\x80\x80", "第 1 字节起不是可转换的字符"}, {"\x80", "第 1 字节起不是可转换的字符"},
  };
  for (const auto& [text, where] : bad) {
    EXPECT_EQ(IconvToGbk(cd, text), std::nullopt) << ::testing::PrintToString(text);
    try {
      Utf8ToGbk(text);
      ADD_FAILURE() << ::testing::PrintToString(text);
    } catch (const Error& e) {
      EXPECT_NE(std::string(e.what()).find(where), std::string::npos) << e.what();
    }
  }
  iconv_close(cd);
}

// Well-formed UTF-8 at its edges, and the forms a decoder must refuse.
TEST(Gbk, WellFormedUtf8) {
  struct Case { std::string text; bool valid; } cases[] = {
      {"", true},
      {"J-50-5-(24)", true},
      {"图1-1", true},
      {"\x7F\xC2\x80\xDF\xBF", true},                 // U+007F, U+0080, U+07FF
      {"\xE0\xA0\x80\xED\x9F\xBF\xEE\x80\x80", true},  // U+0800, U+D7FF, U+E000
      {"\xF0\x90\x80\x80\xF4\x8F\xBF\xBF", true},      // U+10000, U+10FFFF
      {"\x80", false},                                  // a continuation byte alone
      {"\xC0\xAF", false},                              // overlong '/'
      {"\xC1\xBF", false},                              // overlong U+007F
      {"\xE0\x9F\xBF", false},                          // overlong U+07FF
      {"\xF0\x8F\xBF\xBF", false},                      // overlong U+FFFF
      {"\xED\xA0\x80", false},                          // a surrogate
      {"\xF4\x90\x80\x80", false},                      // past U+10FFFF
      {"\xF5\x80\x80\x80", false},
      {"\xE5\x9B", false},                              // cut short at the end
      {"\xE5\x9Bx", false},                             // cut short inside
      {"\xFF", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(IsValidUtf8(c.text), c.valid) << ::testing::PrintToString(c.text);
    EXPECT_EQ(SheetNumberFault(c.text).empty(), c.valid) << ::testing::PrintToString(c.text);
  }
  // A quoted number is cut after 64 characters; line breaks are shown.
  EXPECT_EQ(SheetNumberFault(std::string(70, 'x') + "\n"),
            "图幅号“" + std::string(64, 'x') + "…”含有换行符或 NUL 字符，不能写入文件");
  EXPECT_EQ(SheetNumberFault(std::string("a\0b", 3)), "图幅号“a\\0b”含有换行符或 NUL 字符，不能写入文件");
  EXPECT_EQ(SheetNumberFault("a\"b"), "");
}

}  // namespace
}  // namespace karvento
