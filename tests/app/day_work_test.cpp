// SPDX-License-Identifier: Apache-2.0
// A day's work through the real widgets: the counts beside the lists, the
// keys, the list menu, coordinates typed into a corner, the status line, the
// checked-only exports, Enter in the parameter fields and on the source
// list, the toolbar buttons on the Tab chain, the toolkit's Chinese texts.
#include <QAction>
#include <QClipboard>
#include <QCoreApplication>
#include <QFile>
#include <QGuiApplication>
#include <QApplication>
#include <QLabel>
#include <QTabWidget>
#include <QLineEdit>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QToolButton>
#include <cstdint>
#include <functional>

#include "tests/app/window_fixture.h"

namespace karvento::app::testing {
namespace {

class DayWorkTest : public WindowTest {
 protected:
  // Replaces a field's text by pasting text from the clipboard (Ctrl+A,
  // Ctrl+V) and leaves it with Tab.
  void Paste(const char* name, const QString& text, bool leave = true) {
    QGuiApplication::clipboard()->setText(text);
    QWidget* w = W(name);
    w->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_V, Qt::ControlModifier);
    if (leave) QTest::keyClick(w, Qt::Key_Tab);
  }
  QString Count(const char* list) { return window_->CountLabel(list)->toolTip(); }
  QString Status() { return window_->StatusLabel()->toolTip(); }
  // Opens the list menu on a row with a right click and chooses an item.
  void ChooseFromListMenu(const char* list, int row, const char* item) {
    SheetListView* view = View(list);
    const QPoint at = view->visualRect(view->model()->index(row, 0)).center();
    bool shown = false;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      shown = menu->objectName() == QStringLiteral("PopupMenu3");
      for (QAction* a : menu->actions()) {
        if (a->text() == QString::fromUtf8(item)) menu->setActiveAction(a);
      }
      QTest::keyClick(menu, Qt::Key_Return);
    });
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, view->viewport()->mapToGlobal(at));
    QApplication::sendEvent(view->viewport(), &event);
    EXPECT_TRUE(shown) << "the list menu did not open on " << list;
  }
  std::vector<bool> Checks() {
    std::vector<bool> v;
    for (std::size_t i = 0; i < M().RzCheckList1.Count(); ++i) v.push_back(M().RzCheckList1.Checked(i));
    return v;
  }
};

TEST_F(DayWorkTest, CountsBesideTheListsFollowFillCheckAndDelete) {
  EXPECT_EQ(Count("RzCheckList1"), "共 0 幅，已选 0 幅");
  EXPECT_EQ(Count("RzCheckList5"), "共 0 幅，已选 0 幅");
  GenerateFour();
  SheetListView* view = View();
  struct Step {
    const char* what;
    std::function<void()> act;
    const char* count;
  } steps[] = {
      {"fill", [] {}, "共 4 幅，已选 0 幅"},
      {"space on the current row",
       [&] {
         view->setFocus();
         view->setCurrentIndex(view->model()->index(1, 0));
         QTest::keyClick(view, Qt::Key_Space);
       },
       "共 4 幅，已选 1 幅"},
      {"space on another row",
       [&] {
         view->setCurrentIndex(view->model()->index(3, 0));
         QTest::keyClick(view, Qt::Key_Space);
       },
       "共 4 幅，已选 2 幅"},
      {"delete",
       [&] {
         Fake().answers.push_back(MessageResult::Yes);
         Click("RzToolbarButton1");
       },
       "共 2 幅，已选 0 幅"},
  };
  for (const Step& s : steps) {
    s.act();
    EXPECT_EQ(Count("RzCheckList1"), QString::fromUtf8(s.count)) << s.what;
    EXPECT_TRUE(window_->CountLabel("RzCheckList1")->isVisible());
  }
  Fake().messages.clear();
  // The count stands on the caption's line, above the list, inside its group.
  QLabel* label = window_->CountLabel("RzCheckList1");
  EXPECT_LE(label->geometry().bottom(), view->geometry().top());
  EXPECT_EQ(label->parentWidget(), view->parentWidget());
}

TEST_F(DayWorkTest, KeysOfTheListsAndTheWindow) {
  GenerateFour();
  const QStringList numbers = ListTexts("RzCheckList1");
  SheetListView* view = View();
  struct Case {
    const char* what;
    Qt::Key key;
    Qt::KeyboardModifiers modifiers;
    std::function<void()> before;
    std::vector<bool> checks;
    QString clipboard;  // null: not looked at
  } cases[] = {
      {"Ctrl+A checks all", Qt::Key_A, Qt::ControlModifier, [] {}, {true, true, true, true}, {}},
      {"Ctrl+Shift+A unchecks all", Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier, [] {},
       {false, false, false, false}, {}},
      {"Ctrl+C copies the checked numbers",
       Qt::Key_C, Qt::ControlModifier,
       [&] {
         M().RzCheckList1.SetChecked(2, true);
         M().RzCheckList1.SetChecked(0, true);
       },
       {true, false, true, false}, numbers[0] + "\n" + numbers[2] + "\n"},
      {"Ctrl+C copies the current number",
       Qt::Key_C, Qt::ControlModifier,
       [&] {
         M().RzCheckList1.SetAllChecked(false);
         M().RzCheckList1.SetItemIndex(3);
       },
       {false, false, false, false}, numbers[3] + "\n"},
  };
  for (const Case& c : cases) {
    c.before();
    QGuiApplication::clipboard()->clear();
    view->setFocus();
    QTest::keyClick(view, c.key, c.modifiers);
    EXPECT_EQ(Checks(), c.checks) << c.what;
    if (!c.clipboard.isNull()) {
      EXPECT_EQ(QGuiApplication::clipboard()->text(), c.clipboard) << c.what;
    }
  }

  // Ctrl+F asks for a number; F3 finds its next match; a miss is reported.
  Fake().texts.push_back(numbers[2].toStdString());
  QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(view->currentIndex().row(), 2);
  M().RzCheckList1.SetItemIndex(3);
  QTest::keyClick(view, Qt::Key_F3);
  EXPECT_EQ(view->currentIndex().row(), 2);  // from the top again
  Fake().texts.push_back(std::string("J50G999999"));
  QTest::keyClick(view, Qt::Key_F, Qt::ControlModifier);
  EXPECT_EQ(Status(), "未找到图幅号 J50G999999");
  EXPECT_EQ(Fake().stringDialogs.size(), 2u);

  // Delete runs the delete command with its question.
  M().RzCheckList1.SetChecked(0, true);
  Fake().answers.push_back(MessageResult::Yes);
  QTest::keyClick(view, Qt::Key_Delete);
  ASSERT_EQ(Fake().messages.size(), 1u);
  EXPECT_EQ(Fake().messages[0].text, "删除选中的 1 幅图幅号吗？");
  EXPECT_EQ(ListTexts("RzCheckList1"), numbers.mid(1));
  // Ctrl+Z puts it back, checked, in its place.
  QTest::keyClick(view, Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(ListTexts("RzCheckList1"), numbers);
  EXPECT_TRUE(M().RzCheckList1.Checked(0));
  M().RzCheckList1.SetChecked(0, true);
  Fake().answers.push_back(MessageResult::Yes);
  QTest::keyClick(view, Qt::Key_Delete);
  Fake().messages.clear();
  EXPECT_EQ(ListTexts("RzCheckList1"), numbers.mid(1));

  // In a text field the keys keep their meaning for the text.
  Type("RzSpinEdit2", "12", false);
  QTest::keyClick(W("RzSpinEdit2"), Qt::Key_A, Qt::ControlModifier);
  EXPECT_EQ(Checks(), (std::vector<bool>{false, false, false}));
  // Ctrl+Z there takes back typing, not the delete.
  QTest::keyClick(W("RzSpinEdit2"), Qt::Key_Z, Qt::ControlModifier);
  EXPECT_EQ(ListTexts("RzCheckList1"), numbers.mid(1));
  QTest::keyClick(W("RzSpinEdit2"), Qt::Key_Tab);
}

TEST_F(DayWorkTest, TheListMenuChecksAndCopies) {
  GenerateFour();
  const QStringList numbers = ListTexts("RzCheckList1");
  struct Case {
    const char* item;
    std::vector<bool> checks;
    QString clipboard;  // null: not looked at
  } cases[] = {
      {"全选", {true, true, true, true}, {}},
      {"全不选", {false, false, false, false}, {}},
      {"反选", {true, true, true, true}, {}},
      {"复制图幅号", {true, true, true, true}, numbers.join("\n") + "\n"},
  };
  for (const Case& c : cases) {
    ChooseFromListMenu("RzCheckList1", 1, c.item);
    EXPECT_EQ(Checks(), c.checks) << c.item;
    if (!c.clipboard.isNull()) {
      EXPECT_EQ(QGuiApplication::clipboard()->text(), c.clipboard) << c.item;
    }
  }
  // The menu's items, in order; the 坐标转换 tool after a separator.
  QStringList items;
  for (QAction* a : window_->ListMenu()->actions()) items << a->text();
  EXPECT_EQ(items, (QStringList{"全选", "全不选", "反选", "复制图幅号", "撤销删除", "", "坐标转换…"}));
}

TEST_F(DayWorkTest, CoordinatesTypedIntoACornersDegreeFieldFillTheAngle) {
  struct Case {
    const char* field;
    const char* text;
    QStringList shown;  // degrees, minutes, seconds shown after
    const char* status;
  } cases[] = {
      {"RzSpinEdit1", "116°20'30.5\"", {"116", "20", "30.500"}, ""},
      {"RzSpinEdit1", "116°20′30.5″", {"116", "20", "30.500"}, ""},
      {"RzSpinEdit4", "39 54 27.25", {"39", "54", "27.250"}, ""},
      {"RzSpinEdit7", "116:20:30.5", {"116", "20", "30.500"}, ""},
      {"RzSpinEdit10", "40.341806", {"40", "20", "30.502"}, ""},
      {"RzSpinEdit1", "abc", {"100", "1", "2.000"}, "“abc”不是坐标：不是数字"},
      {"RzSpinEdit1", "200 0 0", {"100", "1", "2.000"},
       "“200 0 0”超出范围：度 0～180，分 0～59 的整数，秒 0～60"},
  };
  for (const Case& c : cases) {
    TypeCorner(1, {"100", "1", "2", "30", "1", "2"});
    TypeCorner(7, {"100", "1", "2", "30", "1", "2"});
    Paste(c.field, QString::fromUtf8(c.text));
    const int first = std::stoi(std::string(c.field).substr(10));
    QStringList shown;
    for (int k = 0; k < 3; ++k) shown << Text(("RzSpinEdit" + std::to_string(first + k)).c_str());
    EXPECT_EQ(shown, c.shown) << c.text;
    EXPECT_EQ(Status(), QString::fromUtf8(c.status)) << c.text;
  }
}

TEST_F(DayWorkTest, EnterRunsTheTabsCommandAndAddsATypedSourceNumber) {
  // Enter in a parameter field of each kind: the tab's Generate or Convert.
  TypeCorner(1, {"116", "27", "0", "39", "53", "0"});
  TypeCorner(7, {"116", "0", "0", "39", "56", "0"});
  Paste("RzSpinEdit7", "116°31'", false);
  QTest::keyClick(W("RzSpinEdit7"), Qt::Key_Return);
  EXPECT_EQ(Text("RzSpinEdit8"), "31");
  EXPECT_EQ(M().RzCheckList1.Count(), 4u);
  const std::size_t generated = M().RzCheckList1.Count();
  M().RzCheckList1.Clear();
  W("RzNumericEdit1")->setFocus();
  QTest::keyClick(W("RzNumericEdit1"), Qt::Key_Enter);
  EXPECT_EQ(M().RzCheckList1.Count(), generated);
  // A refused coordinate runs nothing.
  M().RzCheckList1.Clear();
  Type("RzSpinEdit1", "x", false);
  QTest::keyClick(W("RzSpinEdit1"), Qt::Key_Return);
  EXPECT_EQ(M().RzCheckList1.Count(), 0u);
  EXPECT_EQ(Status(), "“x”不是坐标：不是数字");

  ClickTab(kTabCustom);
  Type("RzSpinEdit28", "500");
  Type("RzSpinEdit29", "500");
  Type("RzNumericEdit8", "500");
  Type("RzNumericEdit7", "1000", false);
  QTest::keyClick(W("RzNumericEdit7"), Qt::Key_Return);
  EXPECT_EQ(M().RzCheckList3.Count(), 2u);

  // On the source list: type a number and press Enter.
  ClickTab(kTabConvert);
  SheetListView* source = View("RzCheckList4");
  source->setFocus();
  QTest::keyClicks(source, "J-50-5");
  EXPECT_EQ(Status(), "新增图幅号：J-50-5");
  QTest::keyClick(source, Qt::Key_Return);
  QTest::keyClicks(source, "J50E0010099");
  QTest::keyClick(source, Qt::Key_Backspace);
  QTest::keyClick(source, Qt::Key_Return);
  EXPECT_EQ(ListTexts("RzCheckList4"), (QStringList{"J-50-5", "J50E001009"}));
  EXPECT_EQ(Count("RzCheckList4"), "共 2 幅，已选 0 幅");
  QTest::keyClicks(source, "X9");
  QTest::keyClick(source, Qt::Key_Return);
  ASSERT_EQ(Fake().messages.size(), 1u);
  EXPECT_EQ(Fake().messages[0].text, "X9不是标准图幅号！");
  EXPECT_EQ(ListTexts("RzCheckList4").size(), 2);
  // Ctrl+V pastes a column of numbers, each line on its own.
  QGuiApplication::clipboard()->setText(QStringLiteral("J-50-6\r\nXYZ\r\nj50e001010\r\n"));
  source->setFocus();
  QTest::keyClick(source, Qt::Key_V, Qt::ControlModifier);
  EXPECT_EQ(ListTexts("RzCheckList4"), (QStringList{"J-50-5", "J50E001009", "J-50-6", "J50E001010"}));
  ASSERT_EQ(Fake().messages.size(), 2u);
  EXPECT_EQ(Fake().messages[1].text, "第 2 行：XYZ不是标准图幅号！\r\n以上 1 行未添加，其余 2 个已添加。");
  // Enter in the conversion tab's fields converts.
  W("RzSpinEdit34")->setFocus();
  QTest::keyClick(W("RzSpinEdit34"), Qt::Key_Return);
  EXPECT_GT(M().RzCheckList5.Count(), 0u);
}

TEST_F(DayWorkTest, ToolbarButtonsAreOnTheTabChainWithTheirHints) {
  struct Case {
    const char* button;
    const char* tooltip;  // the hint
    const char* name;
  } cases[] = {
      {"RzToolbarButton12", "打开", "打开"},   {"RzToolbarButton10", "查找", "查找"},
      {"RzToolbarButton1", "删除图幅", "删除图幅"}, {"RzToolbarButton20", "新建", "新建"},
      {"RzToolbarButton21", "", "信息"},       {"RzToolbarButton19", "删除", "删除"},
      {"RzCheckList4Map", "图幅示意图", "图幅示意图"},
  };
  for (const Case& c : cases) {
    auto* tool = window_->findChild<QToolButton*>(c.button);
    ASSERT_NE(tool, nullptr) << c.button;
    EXPECT_TRUE(tool->focusPolicy() & Qt::TabFocus) << c.button;
    EXPECT_EQ(tool->toolTip(), QString::fromUtf8(c.tooltip)) << c.button;
    EXPECT_EQ(tool->accessibleName(), QString::fromUtf8(c.name)) << c.button;
  }
  // Tab from the last parameter before a list reaches its first button.
  ClickTab(kTabBeijing54);
  W("RzComboBox2")->setFocus();
  QTest::keyClick(W("RzComboBox2"), Qt::Key_Tab);
  EXPECT_EQ(QApplication::focusWidget(), W("RzToolbarButton12"));
}

TEST_F(DayWorkTest, CheckedOnlyExportsWriteTheCheckedSheetsAndSaySo) {
  GenerateFour();
  const QStringList numbers = ListTexts("RzCheckList1");
  M().RzCheckList1.SetChecked(3, true);
  M().RzCheckList1.SetChecked(1, true);
  QTemporaryDir dir;
  const std::string name = dir.filePath("checked").toStdString();
  Fake().fileNames.push_back(name);
  QAction* companion = window_->ControlAction("N2Checked");
  ASSERT_NE(companion, nullptr);
  EXPECT_EQ(companion->text(), "平面坐标");
  // It sits under "仅导出选中图幅" → "导出MIF文件" in the export menu.
  QMenu* checked = window_->ExportMenu()->findChild<QMenu*>("CheckedOnly1");
  ASSERT_NE(checked, nullptr);
  EXPECT_EQ(checked->title(), "仅导出选中图幅");
  companion->trigger();
  QFile mid(QString::fromStdString(name + ".mid"));
  ASSERT_TRUE(mid.open(QIODevice::ReadOnly));
  EXPECT_EQ(QString::fromLatin1(mid.readAll()).split(QRegularExpression("\r?\n"), Qt::SkipEmptyParts),
            (QStringList{"\"" + numbers[1] + "\"", "\"" + numbers[3] + "\""}));
  EXPECT_EQ(Status(), QString::fromStdString("已导出 2 幅到 " + name + ".mif"));
  // The status line fits left of the bottom row and inside the window.
  EXPECT_LE(window_->StatusLabel()->geometry().right(), W("RzBitBtn1")->geometry().left());
  EXPECT_EQ(window_->size(), QSize(614, 418));
}

TEST_F(DayWorkTest, TheListsTakeTheRoomOfAResizedWindow) {
  window_->show();
  QApplication::processEvents();
  SheetListView* view = View("RzCheckList1");
  QWidget* degrees = W("RzSpinEdit1");
  const QRect field = degrees->geometry();
  const QSize list = view->size();
  window_->resize(1200, 800);
  QApplication::processEvents();
  // The parameters keep their place and size; the list grows both ways.
  EXPECT_EQ(degrees->geometry(), field);
  EXPECT_GT(view->width(), list.width() + 500);
  EXPECT_GT(view->height(), list.height() + 300);
  EXPECT_LE(view->mapTo(window_.get(), QPoint(0, view->height())).y(), 800);
  // And back: the window's first size is no smaller than it needs.
  window_->resize(614, 418);
  QApplication::processEvents();
  EXPECT_EQ(view->size(), list);
}

TEST_F(DayWorkTest, CountsAndMessagesAreReadableInFull) {
  // Every list's count line holds the largest counts whole, at the window's
  // size, in the font it is drawn with.
  for (const char* list : {"RzCheckList1", "RzCheckList2", "RzCheckList3", "RzCheckList4", "RzCheckList5",
                           "RzCheckList6"}) {
    QLabel* label = window_->CountLabel(list);
    ASSERT_NE(label, nullptr) << list;
    // A tab is laid out when it is shown.
    for (int i = 0; i < window_->Tabs()->count(); ++i) {
      if (window_->Tabs()->widget(i)->isAncestorOf(label)) window_->Tabs()->setCurrentIndex(i);
    }
    QApplication::processEvents();
    for (const std::uint64_t n : {149ull, 857088ull, 3428352ull}) {
      const QString text = CountLabelText(label->fontMetrics(), label->width(), n, n);
      const QString grouped = QString::fromStdString(TfrmCreateMapUnRg::GroupDigits(n));
      EXPECT_EQ(text.count(grouped), 2) << list << " " << text.toStdString();
      EXPECT_LE(label->fontMetrics().horizontalAdvance(text), label->width()) << list << " " << n;
    }
  }
  window_->Tabs()->setCurrentIndex(0);
  GenerateFour();
  EXPECT_EQ(window_->CountLabel("RzCheckList1")->text(), QStringLiteral("共 4 幅，已选 0 幅"));
  // The greyed KML item says why, in the menu's tooltip.
  QAction* kml = window_->ControlAction("KML1");
  ASSERT_NE(kml, nullptr);
  EXPECT_FALSE(kml->isEnabled());
  EXPECT_TRUE(kml->toolTip().contains(QStringLiteral("WGS 84"))) << kml->toolTip().toStdString();
  EXPECT_TRUE(window_->ExportMenu()->toolTipsVisible());
  // A long message is cut at its end, whole in the tooltip.
  const std::string longText = "“39°54.5'”超出范围：度 0～90，分 0～59 的整数，秒 0～60，另有很长的说明文字";
  M().StatusLine.Caption = longText;
  window_->Refresh();
  const QString shown = window_->StatusLabel()->text();
  EXPECT_TRUE(shown.endsWith(QChar(0x2026))) << shown.toStdString();
  EXPECT_TRUE(QString::fromStdString(longText).startsWith(shown.chopped(1))) << shown.toStdString();
  EXPECT_EQ(Status(), QString::fromStdString(longText));
}

TEST_F(DayWorkTest, ATypoInANumberFieldKeepsItsValueAndSaysWhy) {
  Paste("RzSpinEdit13", QStringLiteral("117"));
  Paste("RzSpinEdit13", QStringLiteral("abc"));
  EXPECT_EQ(M().RzSpinEdit13.Value(), 117);
  EXPECT_EQ(Status(), QStringLiteral("“abc”不是数字：中央经度仍为 117.0"));
  Paste("RzNumericEdit2", QStringLiteral("1,000"));
  Paste("RzNumericEdit2", QStringLiteral("12a"));
  EXPECT_EQ(M().RzNumericEdit2.Value(), 1000);
  EXPECT_EQ(qobject_cast<QLineEdit*>(W("RzNumericEdit2"))->text(), QStringLiteral("1,000"));
  Paste("RzSpinEdit4", QStringLiteral("39,5"));
  EXPECT_EQ(M().RzSpinEdit4.Value(), 39);
  EXPECT_EQ(M().RzSpinEdit5.Value(), 30);
  EXPECT_EQ(Status(), QString());
}

TEST_F(DayWorkTest, TheToolkitSpeaksChinese) {
  ASSERT_TRUE(InstallToolkitTranslations());
  EXPECT_EQ(QCoreApplication::translate("QPlatformTheme", "Cancel"), "取消");
}

}  // namespace
}  // namespace karvento::app::testing
