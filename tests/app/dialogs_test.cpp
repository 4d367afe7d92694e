// SPDX-License-Identifier: Apache-2.0
// The real dialogs, driven as a user drives them: the information dialog
// built from its model, the two input dialogs and the message boxes and file
// dialogs of the Qt user interface, each closed from a timer while it runs
// modally.
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QGroupBox>
#include <QLabel>
#include <QHeaderView>
#include <QMessageBox>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTreeView>
#include <algorithm>
#include <functional>

#include "app/dialogs.h"
#include "tests/app/window_fixture.h"

namespace karvento::app::testing {
namespace {

// Runs `act` on the modal dialog once it is shown.
void WhenModal(std::function<void(QWidget*)> act) {
  QTimer::singleShot(0, [act = std::move(act)] {
    QWidget* modal = QApplication::activeModalWidget();
    ASSERT_NE(modal, nullptr);
    act(modal);
  });
}

QPushButton* ButtonOf(QWidget* dialog, const char* name) {
  auto* b = dialog->findChild<QPushButton*>(QString::fromLatin1(name));
  EXPECT_NE(b, nullptr) << name;
  return b;
}

TStandardMapUnion SampleSheet() {
  TStandardMapUnion r;
  r.MapUnionNo = "J50G003040";
  r.Range.West = {116, 26, 15};
  r.Range.South = {39, 52, 30};
  r.Range.East = {116, 30, 0};
  r.Range.North = {39, 55, 0};
  r.PlaneCorners[0] = {39538184.123456, 4420010.5};  // NW
  r.PlaneCorners[1] = {39543512.0, 4420001.25};     // NE
  r.PlaneCorners[2] = {39543519.0, 4415376.0};      // SE
  r.PlaneCorners[3] = {-1234.56789, 4415385.0};     // SW
  return r;
}

TEST(InformationDialog, ShowsTheSheetInTheFieldsOfItsTwoTabs) {
  TfrmTFInformation model;
  model.Fill(SampleSheet());
  InformationDialog dialog(model, nullptr);
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("图幅信息"));
  EXPECT_EQ(dialog.size(), QSize(404, 299));
  EXPECT_EQ(dialog.minimumSize(), dialog.maximumSize());
  ASSERT_EQ(dialog.Tabs()->count(), 2);
  EXPECT_EQ(dialog.Tabs()->tabText(0), QStringLiteral("经纬度 "));
  EXPECT_EQ(dialog.Tabs()->tabText(1), QStringLiteral("坐标  "));
  EXPECT_EQ(dialog.Tabs()->currentIndex(), 0);
  EXPECT_EQ(dialog.NumberEdit()->objectName(), QStringLiteral("RzEdit1"));
  EXPECT_EQ(dialog.NumberEdit()->text(), QStringLiteral("J50G003040"));

  const char* geographic[12] = {"116", "26", "15.000", "39", "52", "30.000",
                                "116", "30", "0.000",  "39", "55", "0.000"};
  for (int n = 1; n <= 12; ++n) {
    EXPECT_EQ(dialog.Field(n)->objectName(), QStringLiteral("RzNumericEdit%1").arg(n));
    EXPECT_EQ(dialog.Field(n)->text(), QString::fromLatin1(geographic[n - 1])) << n;
  }
  EXPECT_EQ(dialog.Field(15)->text(), QStringLiteral("39,538,184.12346"));  // NW X
  EXPECT_EQ(dialog.Field(16)->text(), QStringLiteral("4,420,010.50000"));   // NW Y
  EXPECT_EQ(dialog.Field(13)->text(), QStringLiteral("-1,234.5679"));      // SW X: four decimals
  EXPECT_EQ(dialog.Field(17)->text(), QStringLiteral("39,543,512.00000"));  // NE X
  EXPECT_EQ(dialog.Field(20)->text(), QStringLiteral("4,415,376.00000"));   // SE Y

  // The plane groups stand from top to bottom 左上角, 左下角, 右上角, 右下角,
  // and the corner groups of the first tab carry their captions.
  QList<QGroupBox*> groups = dialog.Tabs()->widget(1)->findChildren<QGroupBox*>();
  std::sort(groups.begin(), groups.end(), [](QGroupBox* a, QGroupBox* b) { return a->y() < b->y(); });
  QStringList titles;
  for (QGroupBox* g : groups) titles << g->title();
  EXPECT_EQ(titles, (QStringList{"左上角", "左下角", "右上角", "右下角"}));
  EXPECT_EQ(dialog.Field(15)->parentWidget(), groups[0]);
  EXPECT_EQ(dialog.Field(13)->parentWidget(), groups[1]);
  QStringList corners;
  for (QGroupBox* g : dialog.Tabs()->widget(0)->findChildren<QGroupBox*>()) corners << g->title();
  EXPECT_TRUE(corners.contains(QStringLiteral("左下角经纬度")));
  EXPECT_TRUE(corners.contains(QStringLiteral("右上角经纬度")));
}

// The 接合图表 page: nine sheets in three rows, the sheet itself in the
// middle and not to be chosen, an empty neighbour disabled; a chosen one is
// handed to the model by "加入列表".
TEST(InformationDialog, TheNeighboursPageAddsTheChosenSheet) {
  TfrmTFInformation model;
  model.Fill(SampleSheet());
  model.ShowsNeighbours = true;
  for (std::size_t k = 0; k < 9; ++k) {
    model.Neighbours[k].MapUnionNo = k == 2 ? "" : "N" + std::to_string(k);
  }
  std::vector<std::string> added;
  model.OnAddNeighbour = [&](const TStandardMapUnion& s) {
    added.push_back(s.MapUnionNo);
    return "已加入 " + s.MapUnionNo;
  };
  InformationDialog dialog(model, nullptr);
  ASSERT_EQ(dialog.Tabs()->count(), 3);
  EXPECT_EQ(dialog.Tabs()->tabText(2), QStringLiteral("接合图表"));
  const auto& cells = dialog.NeighbourButtons();
  for (std::size_t k = 0; k < 9; ++k) {
    ASSERT_NE(cells[k], nullptr);
    EXPECT_EQ(cells[k]->text().toStdString(), model.Neighbours[k].MapUnionNo);
    EXPECT_EQ(cells[k]->isEnabled(), k != 2) << k;
    EXPECT_EQ(cells[k]->isCheckable(), k != 2 && k != 4) << k;
  }
  // North-west to south-east, row by row.
  EXPECT_LT(cells[0]->x(), cells[1]->x());
  EXPECT_EQ(cells[0]->y(), cells[2]->y());
  EXPECT_LT(cells[2]->y(), cells[3]->y());
  QPushButton* add = dialog.AddNeighbourButton();
  EXPECT_FALSE(add->isEnabled());
  cells[4]->click();  // the sheet itself
  cells[7]->click();
  EXPECT_TRUE(add->isEnabled());
  add->click();
  EXPECT_EQ(added, std::vector<std::string>{"N7"});
}

TEST(InformationDialog, ReturnClosesItAndNothingTypedIsKept) {
  TfrmTFInformation model;
  model.Fill(SampleSheet());
  QtUserInterface ui;
  bool seen = false;
  WhenModal([&](QWidget* modal) {
    auto* dialog = qobject_cast<InformationDialog*>(modal);
    ASSERT_NE(dialog, nullptr);
    seen = true;
    dialog->NumberEdit()->setText(QStringLiteral("X"));
    QPushButton* back = ButtonOf(dialog, "RzBitBtn1");
    ASSERT_NE(back, nullptr);
    EXPECT_EQ(back->text(), QStringLiteral("返回"));
    QTest::mouseClick(back, Qt::LeftButton);
  });
  ui.ShowInformation(model);
  EXPECT_TRUE(seen);
  EXPECT_EQ(model.RzEdit1.Text(), "J50G003040");
}

TEST(InputPointDialog, OkStoresTheTwoTypedNumbers) {
  QtUserInterface ui;
  std::pair<double, double> point{0, 0};
  WhenModal([](QWidget* modal) {
    EXPECT_EQ(modal->objectName(), QStringLiteral("TfrmInputPoint"));
    EXPECT_EQ(modal->windowTitle(), QStringLiteral("输入"));
    EXPECT_EQ(modal->size(), QSize(289, 138));
    auto* label1 = modal->findChild<QLabel*>(QStringLiteral("RzLabel1"));
    auto* label2 = modal->findChild<QLabel*>(QStringLiteral("RzLabel2"));
    ASSERT_TRUE(label1 != nullptr && label2 != nullptr);
    EXPECT_EQ(label1->text(), QStringLiteral("经度"));
    EXPECT_EQ(label2->text(), QStringLiteral("纬度"));
    EXPECT_TRUE(label1->alignment() & Qt::AlignRight);
    auto* first = modal->findChild<NumericEdit*>(QStringLiteral("RzNumericEdit1"));
    auto* second = modal->findChild<NumericEdit*>(QStringLiteral("RzNumericEdit2"));
    ASSERT_TRUE(first != nullptr && second != nullptr);
    EXPECT_EQ(first->text(), QStringLiteral("0.00000"));
    EXPECT_EQ(ButtonOf(modal, "RzBitBtn1")->text(), QStringLiteral("确定"));
    EXPECT_EQ(ButtonOf(modal, "RzBitBtn2")->text(), QStringLiteral("取消"));
    first->selectAll();
    QTest::keyClicks(first, "116.5");
    QTest::keyClick(first, Qt::Key_Tab);
    EXPECT_EQ(second, modal->focusWidget());
    second->selectAll();
    QTest::keyClicks(second, "-39.75");
    // Enter presses "确定" with the text still being typed.
    QTest::keyClick(second, Qt::Key_Return);
  });
  ASSERT_TRUE(InputPoint(ui, "输入", "经度", "纬度", point));
  EXPECT_EQ(point.first, 116.5);
  EXPECT_EQ(point.second, -39.75);
}

TEST(InputPointDialog, CancelLeavesThePoint) {
  QtUserInterface ui;
  std::pair<double, double> point{1, 2};
  WhenModal([](QWidget* modal) {
    auto* first = modal->findChild<NumericEdit*>(QStringLiteral("RzNumericEdit1"));
    ASSERT_NE(first, nullptr);
    EXPECT_EQ(first->text(), QStringLiteral("1.00000"));
    QTest::keyClicks(first, "9");
    QTest::mouseClick(ButtonOf(modal, "RzBitBtn2"), Qt::LeftButton);
  });
  EXPECT_FALSE(InputPoint(ui, "输入", "X", "Y", point));
  EXPECT_EQ(point, (std::pair<double, double>{1, 2}));
}

TEST(InputStringDialog, OkStoresTheTextAndCancelKeepsIt) {
  QtUserInterface ui;
  std::string text;
  WhenModal([](QWidget* modal) {
    EXPECT_EQ(modal->objectName(), QStringLiteral("TfrmInputString"));
    EXPECT_EQ(modal->windowTitle(), QStringLiteral("查找"));
    EXPECT_EQ(modal->size(), QSize(292, 125));
    EXPECT_EQ(modal->findChild<QLabel*>(QStringLiteral("RzLabel1"))->text(), QStringLiteral("请输入图幅号"));
    auto* edit = modal->findChild<QLineEdit*>(QStringLiteral("RzEdit1"));
    ASSERT_NE(edit, nullptr);
    EXPECT_EQ(modal->focusWidget(), edit);
    QTest::keyClicks(edit, "j50g003040 ");
    QTest::keyClick(edit, Qt::Key_Return);
  });
  ASSERT_TRUE(InputString(ui, "查找", "请输入图幅号", text));
  EXPECT_EQ(text, "j50g003040 ");

  WhenModal([](QWidget* modal) {
    QTest::keyClicks(modal->findChild<QLineEdit*>(QStringLiteral("RzEdit1")), "more");
    QTest::mouseClick(ButtonOf(modal, "RzBitBtn2"), Qt::LeftButton);
  });
  EXPECT_FALSE(InputString(ui, "新增", "请输入图幅号", text));
  EXPECT_EQ(text, "j50g003040 ");
}

TEST(QtUserInterface, AsksWithAMessageBoxOfTheGivenCaptionTextIconAndButtons) {
  QtUserInterface ui;
  WhenModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("确认"));
    EXPECT_EQ(box->text(), QStringLiteral("真的要删除选中的图幅号吗？"));
    EXPECT_EQ(box->icon(), QMessageBox::Question);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Yes | QMessageBox::No);
    QTest::mouseClick(box->button(QMessageBox::No), Qt::LeftButton);
  });
  EXPECT_EQ(ui.MessageBox("确认", "真的要删除选中的图幅号吗？", MessageButtons::YesNo, MessageIcon::Question),
            MessageResult::No);

  WhenModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    QTest::mouseClick(box->button(QMessageBox::Yes), Qt::LeftButton);
  });
  EXPECT_EQ(ui.MessageBox("确认", "?", MessageButtons::YesNo, MessageIcon::Question), MessageResult::Yes);

  WhenModal([](QWidget* modal) {
    auto* box = qobject_cast<QMessageBox*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->windowTitle(), QStringLiteral("错误"));
    EXPECT_EQ(box->icon(), QMessageBox::Critical);
    EXPECT_EQ(box->standardButtons(), QMessageBox::Ok);
    QTest::mouseClick(box->button(QMessageBox::Ok), Qt::LeftButton);
  });
  EXPECT_EQ(ui.MessageBox("错误", "中央经度必须是大于0的值！", MessageButtons::Ok, MessageIcon::Error),
            MessageResult::Ok);
}

TEST(QtUserInterface, TurnsTheFilterIntoQtNameFilters) {
  EXPECT_EQ(QtNameFilter("文本文件（*.txt）|*.txt"), QStringLiteral("文本文件（*.txt） (*.txt)"));
  EXPECT_EQ(QtNameFilter("MapInfo 交换格式（*.mif）|*.mif"),
            QStringLiteral("MapInfo 交换格式（*.mif） (*.mif)"));
  EXPECT_EQ(QtNameFilter("Microsoft Excel 工作簿（*.xlsx）|*.xlsx"),
            QStringLiteral("Microsoft Excel 工作簿（*.xlsx） (*.xlsx)"));
  EXPECT_EQ(QtNameFilter("文本|*.txt;*.lst|全部|*.*"), QStringLiteral("文本 (*.txt *.lst);;全部 (*.*)"));
  EXPECT_EQ(QtNameFilter(""), QString());
}

TEST(QtUserInterface, TheSaveDialogShowsTheFilterAndAppendsTheDefaultExtension) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  QtUserInterface ui;
  TFileDialog dialog(FileDialogKind::Save);
  dialog.Filter = "文本文件（*.txt）|*.txt";
  dialog.DefaultExt = "txt";
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->nameFilters(), QStringList{QStringLiteral("文本文件（*.txt） (*.txt)")});
    EXPECT_EQ(box->defaultSuffix(), QStringLiteral("txt"));
    EXPECT_EQ(box->acceptMode(), QFileDialog::AcceptSave);
    box->selectFile(dir.filePath(QStringLiteral("参数")));
    static_cast<QDialog*>(box)->accept();  // through the public slot
  });
  std::string name;
  ASSERT_TRUE(ExecuteFileDialog(ui, dialog, name));
  EXPECT_EQ(Q(name), dir.filePath(QStringLiteral("参数.txt")));
  EXPECT_EQ(dialog.FileName, name);

  // The next time the last chosen name is the initial one; cancel keeps it.
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->selectedFiles().value(0), dir.filePath(QStringLiteral("参数.txt")));
    box->reject();
  });
  EXPECT_FALSE(ExecuteFileDialog(ui, dialog, name));
  EXPECT_EQ(Q(dialog.FileName), dir.filePath(QStringLiteral("参数.txt")));
}

// A text a Chinese user reads: Chinese characters and no English word (two
// Latin letters in a row), the accelerator of a button ("(&Y)") and the
// shortcut of a menu item ("\tCtrl+C") aside.
bool IsChinese(const QString& text) {
  QString t = text.section(QLatin1Char('\t'), 0, 0);
  t.remove(QRegularExpression(QStringLiteral("\\(&.\\)")));
  bool han = false;
  for (const QChar c : t) han = han || c.script() == QChar::Script_Han;
  return han && !t.contains(QRegularExpression(QStringLiteral("[A-Za-z]{2}")));
}

void ExpectChinese(const QStringList& texts, const char* where) {
  EXPECT_FALSE(texts.isEmpty()) << where;
  for (const QString& t : texts) EXPECT_TRUE(IsChinese(t)) << where << ": " << S(t);
}

// The toolkit's own texts are Chinese: the buttons of the message boxes, the
// file dialogs' labels, buttons and columns.
TEST(ToolkitTexts, MessageBoxesAndFileDialogsSpeakChinese) {
  EXPECT_TRUE(InstallToolkitTranslations());
  QtUserInterface ui;
  struct Case {
    MessageButtons buttons;
    MessageIcon icon;
  } boxes[] = {{MessageButtons::YesNo, MessageIcon::Question},
               {MessageButtons::Ok, MessageIcon::Error}};
  for (const Case& c : boxes) {
    QStringList texts;
    WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QMessageBox*>(modal);
      ASSERT_NE(box, nullptr);
      for (QAbstractButton* b : box->buttons()) texts << b->text();
      box->buttons().constFirst()->click();
    });
    ui.MessageBox("确认", "真的要删除选中的图幅号吗？", c.buttons, c.icon);
    ExpectChinese(texts, "message box");
    EXPECT_EQ(texts.size(), c.buttons == MessageButtons::YesNo ? 2 : 1);
  }

  for (const FileDialogKind kind : {FileDialogKind::Save, FileDialogKind::Open}) {
    TFileDialog dialog(kind);
    dialog.Filter = "文本文件（*.txt）|*.txt";
    QStringList texts;
    WhenModal([&](QWidget* modal) {
      auto* box = qobject_cast<QFileDialog*>(modal);
      ASSERT_NE(box, nullptr);
      texts << box->windowTitle();
      for (QLabel* l : box->findChildren<QLabel*>()) {
        if (l->isVisible() && !l->text().isEmpty()) texts << l->text();
      }
      for (QPushButton* b : box->findChildren<QPushButton*>()) {
        if (b->isVisible()) texts << b->text();
      }
      auto* details = box->findChild<QTreeView*>();
      ASSERT_NE(details, nullptr);
      for (int c = 0; c < details->model()->columnCount(); ++c) {
        texts << details->model()->headerData(c, Qt::Horizontal).toString();
      }
      box->reject();
    });
    std::string chosen;
    EXPECT_FALSE(ui.RunFileDialog(dialog, chosen));
    ExpectChinese(texts, kind == FileDialogKind::Save ? "save dialog" : "open dialog");
  }
}

// The save dialog offers the last name with its own extension and replaces an
// existing file without a question.
TEST(QtUserInterface, TheSaveDialogOffersItsOwnKindAndAsksNothingBeforeReplacing) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString existing = dir.filePath(QStringLiteral("a.xlsx"));
  QFile file(existing);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write("old");
  file.close();
  QtUserInterface ui;
  TFileDialog dialog(FileDialogKind::Save);
  dialog.Filter = "Microsoft Excel 工作簿（*.xlsx）|*.xlsx";
  dialog.DefaultExt = "xlsx";
  dialog.FileName = S(dir.filePath(QStringLiteral("a.mif")));  // the last MIF export
  bool asked = false;
  // A question before replacing would come up inside accept; the timer goes
  // with the test when none comes.
  QTimer question;
  question.setSingleShot(true);
  QObject::connect(&question, &QTimer::timeout, [&asked] {
    if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget())) {
      asked = true;
      box->button(QMessageBox::Yes)->click();
    }
  });
  WhenModal([&](QWidget* modal) {
    auto* box = qobject_cast<QFileDialog*>(modal);
    ASSERT_NE(box, nullptr);
    EXPECT_EQ(box->selectedFiles().value(0), existing);
    question.start(0);
    static_cast<QDialog*>(box)->accept();
  });
  std::string name;
  ASSERT_TRUE(ExecuteFileDialog(ui, dialog, name));
  EXPECT_FALSE(asked);
  EXPECT_EQ(Q(name), existing);
}

// The context menus of the window's fields are the toolkit's, in Chinese.
TEST_F(WindowTest, TheFieldsContextMenusSpeakChinese) {
  struct Case {
    int tab;
    const char* field;
  } cases[] = {
      {kTabBeijing54, "RzSpinEdit2"},    // a spin field without the coordinate tools
      {kTabBeijing54, "RzNumericEdit1"},  // a number field
      {kTabCustom, "RzEdit1"},            // the number format
      {kTabConvert, "RzComboBox6"},       // the editable zone list
  };
  for (const Case& c : cases) {
    ClickTab(c.tab);
    QWidget* w = W(c.field);
    QLineEdit* line = qobject_cast<QLineEdit*>(w);
    if (line == nullptr) line = w->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr) << c.field;
    line->setFocus();
    QStringList texts;
    // A spin field runs its menu modally, a text line pops it up and returns.
    const auto readMenu = [&texts] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      for (QAction* a : menu->actions()) {
        if (!a->isSeparator()) texts << a->text();
      }
      menu->close();
    };
    QTimer::singleShot(0, readMenu);
    const QPoint at(5, line->height() / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, line->mapToGlobal(at));
    QApplication::sendEvent(line, &event);
    if (texts.isEmpty()) readMenu();
    QApplication::processEvents();
    ExpectChinese(texts, c.field);
  }
}

}  // namespace
}  // namespace karvento::app::testing
