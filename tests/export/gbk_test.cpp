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

}  // namespace
}  // namespace karvento
