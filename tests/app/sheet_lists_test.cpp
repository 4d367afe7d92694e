// SPDX-License-Identifier: Apache-2.0
// The sheet lists through their views: check marks and delete, find, the
// information command on a double-click, row painting, and a list of a
// million sheets.
#include <ctime>
#include <QImage>
#include <QScrollBar>
#include <functional>

#include "tests/app/window_fixture.h"

namespace karvento::app::testing {
namespace {

class SheetListTest : public WindowTest {
 protected:
  QPoint RowCentre(QListView* view, int row) {
    return view->visualRect(view->model()->index(row, 0)).center();
  }
  // What a double-click delivers: press and release, then the double-click.
  void DoubleClickRow(QListView* view, int row) {
    QApplication::processEvents();
    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, RowCentre(view, row));
    QTest::mouseDClick(view->viewport(), Qt::LeftButton, {}, RowCentre(view, row));
  }
  QPoint CheckBoxOf(QListView* view, int row) {
    const QRect r = view->visualRect(view->model()->index(row, 0));
    QStyleOptionViewItem option;
    option.initFrom(view);
    option.rect = r;
    option.features |= QStyleOptionViewItem::HasCheckIndicator;
    return view->style()->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &option, view).center();
  }
};

TEST_F(SheetListTest, RowsAreSeventeenPixelsHighAndOfUniformSize) {
  GenerateFour();
  SheetListView* view = View();
  EXPECT_TRUE(view->uniformItemSizes());
  for (int r = 0; r < 4; ++r) EXPECT_EQ(view->visualRect(view->model()->index(r, 0)).height(), 17);
  EXPECT_EQ(view->model()->index(0, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
}

TEST_F(SheetListTest, CheckedSheetsAreDeletedWhenTheQuestionIsAnsweredYes) {
  GenerateFour();
  SheetListView* view = View();
  // Row 0 by the space bar on the current row, row 2 by a click on its box.
  view->setFocus();
  view->setCurrentIndex(view->model()->index(0, 0));
  QTest::keyClick(view, Qt::Key_Space);
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CheckBoxOf(view, 2));
  EXPECT_TRUE(M().RzCheckList1.Checked(0));
  EXPECT_FALSE(M().RzCheckList1.Checked(1));
  EXPECT_TRUE(M().RzCheckList1.Checked(2));

  Fake().answers.push_back(MessageResult::No);
  Click("RzToolbarButton1");
  EXPECT_EQ(ListTexts("RzCheckList1").size(), 4);

  Fake().answers.push_back(MessageResult::Yes);
  Click("RzToolbarButton1");
  ASSERT_EQ(Fake().messages.size(), 2u);
  EXPECT_EQ(Fake().messages[1].caption, "确认");
  EXPECT_EQ(Fake().messages[1].text, "删除选中的 2 幅图幅号吗？");
  EXPECT_EQ(Fake().messages[1].buttons, MessageButtons::YesNo);
  EXPECT_EQ(Fake().messages[1].icon, MessageIcon::Question);
  EXPECT_EQ(ListTexts("RzCheckList1"), (QStringList{"J50G003040", "J50G003041"}));
  for (int r = 0; r < 2; ++r) {
    EXPECT_EQ(view->model()->index(r, 0).data(Qt::CheckStateRole).value<Qt::CheckState>(), Qt::Unchecked);
  }
  // The table that the exports write keeps every sheet.
  EXPECT_EQ(M().FMapUnions54[0].size() + M().FMapUnions54[1].size(), 4u);
}

TEST_F(SheetListTest, ClickingACheckedBoxAgainUnchecksIt) {
  GenerateFour();
  SheetListView* view = View();
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CheckBoxOf(view, 1));
  EXPECT_TRUE(M().RzCheckList1.Checked(1));
  QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, CheckBoxOf(view, 1));
  EXPECT_FALSE(M().RzCheckList1.Checked(1));
}

TEST_F(SheetListTest, FindMakesTheFirstEqualSheetCurrentAndFocusesTheList) {
  GenerateFour();
  Fake().texts.push_back(std::string("j50g003041"));
  Click("RzToolbarButton10");
  ASSERT_EQ(Fake().stringDialogs.size(), 1u);
  EXPECT_EQ(Fake().stringDialogs[0].caption, "查找");
  EXPECT_EQ(Fake().stringDialogs[0].prompt, "请输入图幅号");
  EXPECT_EQ(View()->currentIndex().row(), 3);
  EXPECT_TRUE(View()->selectionModel()->isSelected(View()->model()->index(3, 0)));
  EXPECT_EQ(ui_->FocusedControl(), "RzCheckList1");

  // Only the whole number finds: the current row stays.
  Fake().texts.push_back(std::string("J50G00304"));
  Click("RzToolbarButton10");
  EXPECT_EQ(View()->currentIndex().row(), 3);
}

TEST_F(SheetListTest, TheCurrentRowOfTheViewIsTheCurrentItemOfTheList) {
  GenerateFour();
  QTest::mouseClick(View()->viewport(), Qt::LeftButton, {}, RowCentre(View(), 2));
  EXPECT_EQ(M().RzCheckList1.ItemIndex(), 2);
  View()->setFocus();
  QTest::keyClick(View(), Qt::Key_Down);
  EXPECT_EQ(M().RzCheckList1.ItemIndex(), 3);
  M().RzCheckList1.SetItemIndex(1);
  EXPECT_EQ(View()->currentIndex().row(), 1);
}

TEST_F(SheetListTest, ADoubleClickShowsTheSheetInTheInformationDialog) {
  TypeCorner(1, {"116", "28", "0", "39", "54", "0"});
  TypeCorner(7, {"116", "28", "0", "39", "54", "0"});
  Click("RzBitBtn1");
  SheetListView* view = View();
  DoubleClickRow(view, 0);
  ASSERT_EQ(Fake().informations.size(), 1u);
  const auto& shown = Fake().informations[0];
  EXPECT_EQ(shown.caption, "图幅信息");
  EXPECT_EQ(shown.number, "J50G003040");
  EXPECT_EQ(shown.activeTab, 0);
  const double corners[12] = {116, 26, 15, 39, 52, 30, 116, 30, 0, 39, 55, 0};
  for (int i = 0; i < 12; ++i) EXPECT_NEAR(shown.values[static_cast<std::size_t>(i)], corners[i], 1e-6) << i;
  EXPECT_EQ(shown.texts[2], "15.000");
  // The plane corners are those of the list record: NW X, Y in fields 15, 16.
  const TStandardMapUnion& record = M().RzCheckList1.StandardRecord(0);
  EXPECT_EQ(shown.values[14], record.PlaneCorners[0].X);
  EXPECT_EQ(shown.values[15], record.PlaneCorners[0].Y);

  // "信息" shows the same sheet.
  Click("RzToolbarButton5");
  ASSERT_EQ(Fake().informations.size(), 2u);
  EXPECT_EQ(Fake().informations[1].number, "J50G003040");
}

TEST_F(SheetListTest, InformationWithoutACurrentSheetOpensNoDialog) {
  GenerateFour();
  // A fill makes its first row current; deleting it leaves none current.
  EXPECT_EQ(M().RzCheckList1.ItemIndex(), 0);
  M().RzCheckList1.SetChecked(0, true);
  Fake().answers.push_back(MessageResult::Yes);
  Click("RzToolbarButton1");
  Fake().messages.clear();
  ASSERT_EQ(M().RzCheckList1.ItemIndex(), -1);
  EXPECT_FALSE(View()->currentIndex().isValid());
  Click("RzToolbarButton5");
  EXPECT_TRUE(Fake().informations.empty());
}

// After a fill the list shows its first row at the top, as the current row,
// wherever the previous list was scrolled to.
TEST_F(SheetListTest, ARefilledListStartsAtItsTopWithTheFirstRowCurrent) {
  struct Case {
    int tab;
    const char* list;
    std::function<void(int)> fill;  // the n-th fill, n = 0, 1
  } cases[] = {
      {kTabBeijing54, "RzCheckList1",
       [this](int n) {
         TypeCorner(1, {n == 0 ? "116" : "110", "0", "0", "39", "0", "0"});
         TypeCorner(7, {n == 0 ? "117" : "111", "0", "0", "40", "0", "0"});
         Click("RzBitBtn1");
       }},
      {kTabCustom, "RzCheckList3",
       [this](int n) {
         Type("RzNumericEdit7", n == 0 ? "10000" : "20000");
         Type("RzNumericEdit8", "5000");
         Type("RzSpinEdit28", "500");
         Type("RzSpinEdit29", "500");
         Click("RzBitBtn1");
       }},
      {kTabConvert, "RzCheckList5",
       [this](int n) {
         Fake().texts.push_back(std::string(n == 0 ? "J-50" : "J-49"));
         Click("RzToolbarButton20");
         Click("RzBitBtn1");
       }},
  };
  for (const Case& c : cases) {
    ClickTab(c.tab);
    c.fill(0);
    SheetListView* view = View(c.list);
    ASSERT_GT(view->model()->rowCount(), 100) << c.list;
    QApplication::processEvents();
    view->scrollToBottom();
    view->setCurrentIndex(view->model()->index(view->model()->rowCount() - 1, 0));
    QApplication::processEvents();
    ASSERT_GT(view->verticalScrollBar()->value(), 0) << c.list;

    c.fill(1);
    QApplication::processEvents();
    EXPECT_EQ(view->verticalScrollBar()->value(), 0) << c.list;
    EXPECT_EQ(view->indexAt(QPoint(2, 2)).row(), 0) << c.list;
    EXPECT_EQ(view->currentIndex().row(), 0) << c.list;
    auto* list = M().FindControlAs<SheetList>(c.list);
    ASSERT_NE(list, nullptr);
    EXPECT_EQ(list->ItemIndex(), 0) << c.list;
    EXPECT_EQ(view->currentIndex().data().toString(), Q(list->Text(0))) << c.list;
  }
}

TEST_F(SheetListTest, AnIndependentSheetShowsZeroCornersAndItsPlaneRange) {
  ClickTab(kTabCustom);
  Type("RzNumericEdit7", "1000");
  Type("RzNumericEdit8", "1000");
  Type("RzSpinEdit28", "1000");
  Type("RzSpinEdit29", "1000");
  Click("RzBitBtn1");
  SheetListView* view = View("RzCheckList3");
  ASSERT_EQ(view->model()->rowCount(), 1);
  DoubleClickRow(view, 0);
  ASSERT_EQ(Fake().informations.size(), 1u);
  const auto& v = Fake().informations[0].values;
  for (int i = 0; i < 12; ++i) EXPECT_EQ(v[static_cast<std::size_t>(i)], 0) << i;
  EXPECT_EQ(v[12], 0);     // lower-left X = MinX
  EXPECT_EQ(v[15], 1000);  // upper-left Y = MaxY
  EXPECT_EQ(v[16], 1000);  // upper-right X = MaxX
}

TEST_F(SheetListTest, RowsArePaintedGreyAndWindowColouredInTurnAndTheFocusedRowHotTracked) {
  GenerateFour();
  SheetListView* view = View();
  const auto pixel = [&](int row) {
    QApplication::processEvents();
    const QImage image = view->viewport()->grab().toImage();
    const QRect r = view->visualRect(view->model()->index(row, 0));
    // Right of the sheet number, inside the row.
    return image.pixelColor(r.right() - 4, r.top() + 1);
  };
  const QColor base = view->palette().color(QPalette::Active, QPalette::Base);
  EXPECT_EQ(pixel(0), QColor(239, 239, 239));
  EXPECT_EQ(pixel(1), base);
  EXPECT_EQ(pixel(2), QColor(239, 239, 239));
  EXPECT_EQ(pixel(3), base);

  view->setFocus();
  view->setCurrentIndex(view->model()->index(2, 0));
  EXPECT_EQ(pixel(2), view->palette().color(QPalette::Active, QPalette::Highlight));
  EXPECT_EQ(pixel(0), QColor(239, 239, 239));
}

TEST_F(SheetListTest, AMillionSheetsScrollAndRepaintAtOnce) {
  constexpr int kRows = 1000;
  constexpr int kColumns = 1000;
  TCustomMapUnions grid(kRows);
  for (int r = 0; r < kRows; ++r) {
    grid[static_cast<std::size_t>(r)].resize(kColumns);
    for (int c = 0; c < kColumns; ++c) {
      TCustomMapUnion& s = grid[static_cast<std::size_t>(r)][static_cast<std::size_t>(c)];
      s.MapUnionNo = std::to_string(r + 1) + "+" + std::to_string(c + 1);
      s.MinX = c;
      s.MinY = r;
      s.MaxX = c + 1;
      s.MaxY = r + 1;
    }
  }
  ClickTab(kTabCustom);
  SheetListView* view = View("RzCheckList3");

  const std::clock_t started = std::clock();
  M().ShowCustomMapUnions(std::move(grid), M().RzCheckList3);
  ASSERT_EQ(view->model()->rowCount(), kRows * kColumns);
  view->viewport()->repaint();
  view->scrollToBottom();
  view->viewport()->repaint();
  view->verticalScrollBar()->setValue(view->verticalScrollBar()->maximum() / 2);
  view->viewport()->repaint();
  view->setCurrentIndex(view->model()->index(kRows * kColumns - 1, 0));
  view->viewport()->repaint();
  // A hang, not a speed: processor time, ten times and more what it takes.
  const double ms = 1000.0 * static_cast<double>(std::clock() - started) / CLOCKS_PER_SEC;
  EXPECT_LT(ms, 3000) << "filling, scrolling and painting took " << ms << " ms of processor time";
  EXPECT_EQ(view->currentIndex().data().toString(), QStringLiteral("1000+1000"));
  EXPECT_EQ(M().RzCheckList3.ItemIndex(), kRows * kColumns - 1);
}

}  // namespace
}  // namespace karvento::app::testing
