#include <gtest/gtest.h>

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
