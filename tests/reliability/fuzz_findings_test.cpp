// SPDX-License-Identifier: Apache-2.0
// Inputs from the fuzz targets of the file readers, kept as facts: the
// texts that messages quote are UTF-8, and text that is not ASCII where the
// parser reads it is never a sheet number. Each input is also in the targets' seed corpus.
#include <gtest/gtest.h>

#include <functional>
#include <string>

#include "bad_files.h"
#include "numbering/error.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/text_files.h"

namespace karvento {
namespace {

using testing::Session;
using testing::TempDir;

const std::string kReplacement = "\xEF\xBF\xBD";

std::string ErrorOf(const std::function<void()>& f) {
  try {
    f();
  } catch (const Error& e) {
    return e.what();
  }
  return "";
}

// GBK "图" (CD BC) decodes to three UTF-8 bytes, which the new-standard
// parser used to take for a 1:100万 number whose zone "\x9B\xBE" does not
// convert: the list stopped with a message quoting half a character.
TEST(FuzzFindings, TextsThatAreNotAsciiAreNotSheetNumbers) {
  const char* texts[] = {
      "\xE5\x9B\xBE",                   // 图: three bytes, like J50
      "J\xE5\x9B\xBE",                  // four bytes
      "J-\xEF\xBC\x95\xEF\xBC\x90",     // J-５０, full-width digits
      "J50D00100\xE5\x9B\xBE",          // J50D00100图
      "J5\xFF",                         // a stray byte, three bytes long
      "J-50-5-(24)-A\xC2\xA0",          // a no-break space after a good number
  };
  for (const char* t : texts) {
    EXPECT_EQ(CheckMapUnionNo(t), 0) << t;
  }
  // ASCII texts are checked as before, errors included.
  EXPECT_EQ(CheckMapUnionNo("J50"), 2);
  EXPECT_EQ(ErrorOf([] { CheckMapUnionNo("Jxx"); }), "'xx' is not a valid integer value");
}

TEST(FuzzFindings, MessagesQuoteTextAsUtf8) {
  struct Case {
    std::string text, quoted;
  } cases[] = {
      {"\x9B\xBE", kReplacement + kReplacement},       // continuation bytes alone
      {"1\xE5\x9B", "1" + kReplacement + kReplacement},  // a character cut short
      {"\xC0\xAF", kReplacement + kReplacement},       // an overlong "/"
      {"\xED\xA0\x80", kReplacement + kReplacement + kReplacement},  // a surrogate
      {"\xF4\x90\x80\x80", kReplacement + kReplacement + kReplacement + kReplacement},
      {"北", "北"},  // text is quoted as it is
      {"x\xF0\x9F\x98\x80", "x\xF0\x9F\x98\x80"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorOf([&] { StrToInt(c.text); }), "'" + c.quoted + "' is not a valid integer value");
    EXPECT_EQ(ErrorOf([&] { StrToFloat(c.text); }),
              "'" + c.quoted + "' is not a valid floating point value");
  }
}

TEST(FuzzFindings, AChineseWordInANumberListIsListedAsNotStandard) {
  TempDir dir;
  Session s;
  const std::size_t before = s.frm.RzCheckList4.Count();
  s.ui.fileNames.push_back(dir.Write("words.txt", "J-50\r\n\xCD\xBC\r\nJ50\r\n"));
  s.frm.RzToolbarButton14Click();
  ASSERT_EQ(s.frm.RzCheckList4.Count(), before + 2);
  EXPECT_EQ(s.frm.RzCheckList4.Text(before), "J-50");
  EXPECT_EQ(s.frm.RzCheckList4.Text(before + 1), "J50");
  ASSERT_EQ(s.ui.messages.size(), 1u);
  EXPECT_EQ(s.ui.messages[0].caption, kErrorCaption);
  EXPECT_EQ(s.ui.messages[0].text, "图\r\n以上不是标准图幅号！");
}

// A stored list with a note after the bracket of an old number keeps those
// rows: the serial ends at the bracket and the note is never read. A note in
// place of a field is still no number.
TEST(FuzzFindings, ANoteAfterTheBracketOfAnOldNumberIsKept) {
  TempDir dir;
  Session s;
  const std::size_t before = s.frm.RzCheckList4.Count();
  s.ui.fileNames.push_back(dir.Write(
      "notes.txt", "J-50-5-(24)\xA3\xA8\xB1\xB1\xBE\xA9\xA3\xA9\r\nJ-50-[2]\xD6\xD0\r\nJ-\xD6\xD0\r\n"));
  s.frm.RzToolbarButton14Click();
  ASSERT_EQ(s.frm.RzCheckList4.Count(), before + 2);
  EXPECT_EQ(s.frm.RzCheckList4.Text(before), "J-50-5-(24)（北京）");
  EXPECT_EQ(s.frm.RzCheckList4.Text(before + 1), "J-50-[2]中");
  ASSERT_EQ(s.ui.messages.size(), 1u);
  EXPECT_EQ(s.ui.messages[0].text, "J-中\r\n以上不是标准图幅号！");
}

TEST(FuzzFindings, ParameterLinesThatAreNotAsciiAreQuotedDecoded) {
  struct Case {
    std::vector<std::string> lines;
    std::string message;
  } cases[] = {
      {{"1", "2", "3", "4", "3", "\xB1\xB1"}, "'北' is not a valid floating point value"},
      {{"1 2 \xFF", "", "", ""}, "'" + kReplacement + "' is not a valid floating point value"},
      {{"1", "2", "3", "4", "3", "0", "1\x80"}, "'1€' is not a valid floating point value"},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(ErrorOf([&] { ParseParameterLines(c.lines); }), c.message);
  }
}

}  // namespace
}  // namespace karvento
