// SPDX-License-Identifier: Apache-2.0
// Commands whose results come back into the widgets: the general error box,
// saving and reopening a tab's parameters, and the conversion tab.
#include <QTemporaryDir>

#include "tests/app/window_fixture.h"

namespace karvento::app::testing {
namespace {

TEST_F(WindowTest, AnErrorInsideGenerateIsShownAndTheListStays) {
  TypeCorner(1, {"116", "28", "0", "39", "54", "0"});
  TypeCorner(7, {"116", "28", "0", "39", "54", "0"});
  Click("RzBitBtn1");
  ASSERT_EQ(ListTexts("RzCheckList1"), QStringList{"J50G003040"});
  // Corners inverted by whole sheets.
  TypeCorner(1, {"118", "0", "0", "41", "0", "0"});
  TypeCorner(7, {"116", "0", "0", "39", "0", "0"});
  Click("RzBitBtn1");
  ASSERT_EQ(Fake().messages.size(), 1u);
  EXPECT_EQ(Fake().messages[0].caption, "错误");
  EXPECT_EQ(Fake().messages[0].text, "范围错误：右上角经度在左下角经度以西，图幅的范围为空（请检查右上角经度与左下角经度）");
  EXPECT_EQ(ListTexts("RzCheckList1"), QStringList{"J50G003040"});
  EXPECT_TRUE(window_->isVisible());
}

TEST_F(WindowTest, SavedParametersComeBackIntoTheFieldsWhenOpened) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  TypeCorner(1, {"116", "20", "30.5", "39", "50", "0"});
  Type("RzSpinEdit13", "117");
  Type("RzNumericEdit1", "500");
  W("RzComboBox1")->setFocus();
  QTest::keyClick(W("RzComboBox1"), Qt::Key_Down);
  ASSERT_EQ(M().RzComboBox1.ItemIndex(), 1);
  Fake().fileNames.push_back(S(dir.filePath(QStringLiteral("params"))));
  Click("RzBitBtn2");
  ASSERT_EQ(Fake().fileDialogs.size(), 1u);
  EXPECT_EQ(Fake().fileDialogs[0].kind, FileDialogKind::Save);
  EXPECT_EQ(Fake().fileDialogs[0].filter, "文本文件（*.txt）|*.txt");
  EXPECT_EQ(Fake().fileDialogs[0].defaultExt, "txt");
  EXPECT_TRUE(QFile::exists(dir.filePath(QStringLiteral("params.txt"))));

  // Change everything, then open the file on the same tab.
  TypeCorner(1, {"100", "0", "0", "30", "0", "0"});
  Type("RzSpinEdit13", "0");
  Type("RzNumericEdit1", "0");
  W("RzComboBox1")->setFocus();
  QTest::keyClick(W("RzComboBox1"), Qt::Key_Up);
  Fake().fileNames.push_back(S(dir.filePath(QStringLiteral("params.txt"))));
  Click("RzToolbarButton12");
  ASSERT_EQ(Fake().fileDialogs.size(), 2u);
  EXPECT_EQ(Fake().fileDialogs[1].kind, FileDialogKind::Open);
  EXPECT_TRUE(Fake().messages.empty());
  EXPECT_EQ(Text("RzSpinEdit1"), "116");
  EXPECT_EQ(Text("RzSpinEdit2"), "20");
  EXPECT_EQ(Text("RzSpinEdit3"), "30.500");
  EXPECT_EQ(Text("RzSpinEdit13"), "117.0");
  EXPECT_EQ(Text("RzNumericEdit1"), "500");
  EXPECT_EQ(Text("RzComboBox1"), "6度分带法");
}

TEST_F(WindowTest, ANewNumberIsConvertedIntoTheTargetList) {
  ClickTab(kTabConvert);
  Fake().texts.push_back(std::string("J-50-5-(24)"));
  Click("RzToolbarButton20");
  ASSERT_EQ(Fake().stringDialogs.size(), 1u);
  EXPECT_EQ(Fake().stringDialogs[0].caption, "新增");
  EXPECT_EQ(ListTexts("RzCheckList4"), QStringList{"J-50-5-(24)"});
  Click("RzBitBtn1");
  EXPECT_EQ(Text("RzBitBtn1"), "转换图幅号");
  EXPECT_EQ(ListTexts("RzCheckList5"), QStringList{"J50G003040"});
  EXPECT_TRUE(Fake().messages.empty());
}

TEST_F(WindowTest, ImportCornersCopiesTheCurrentSheetIntoTheCornerFields) {
  TypeCorner(1, {"116", "28", "0", "39", "54", "0"});
  TypeCorner(7, {"116", "28", "0", "39", "54", "0"});
  Click("RzBitBtn1");
  SheetListView* view = window_->ListView("RzCheckList1");
  view->setCurrentIndex(view->model()->index(0, 0));
  Click("RzToolbarButton4");
  const QStringList corners = {"116", "26", "15.000", "39", "52", "30.000",
                               "116", "30", "0.000",  "39", "55", "0.000"};
  for (int i = 0; i < 12; ++i) {
    const std::string name = "RzSpinEdit" + std::to_string(1 + i);
    EXPECT_EQ(Text(name.c_str()), corners[i]) << name;
  }
}

}  // namespace
}  // namespace karvento::app::testing
