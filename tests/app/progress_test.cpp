// SPDX-License-Identifier: Apache-2.0
// A long command in the window: a workbook export of some 100,000 sheets
// shows the window-modal progress dialog, the window keeps repainting, and
// pressing the dialog's "取消" leaves the file that was there untouched.
// Open of a long number list, cancelled, leaves the source list and its view
// as they were.
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProgressDialog>
#include <QTemporaryDir>

#include "tests/app/window_fixture.h"

namespace karvento::app::testing {
namespace {

class ProgressTest : public WindowTest {
 protected:
  // 1:1万 over 100°–120° E, 30°–43° N on "北京54坐标系": 99,840 sheets.
  void GenerateLargeTable() {
    M().RzSpinEdit1.SetValue(100);
    M().RzSpinEdit4.SetValue(30);
    M().RzSpinEdit7.SetValue(120);
    M().RzSpinEdit10.SetValue(43);
    M().RzComboBox2.SetItemIndex(6);
    window_->Refresh();
    Click("RzBitBtn1");
    ASSERT_EQ(M().RzCheckList1.Count(), 99840u);
  }

  // What the user saw of the progress dialog, and the press of its cancel
  // button once it is shown (when cancel is true).
  struct Watch {
    bool shown = false, windowModal = false;
    QString caption, text, button;
    int repaints = 0;
  };
  // Runs the command of a control (a menu item here) as the window does,
  // while a timer watches for the dialog.
  Watch RunWatched(const char* control, bool cancel) {
    Watch w;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      auto* dialog = window_->findChild<QProgressDialog*>(QStringLiteral("ProgressDialog"));
      if (dialog == nullptr || !dialog->isVisible()) return;
      ++w.repaints;
      if (w.shown) return;
      w.shown = true;
      w.windowModal = dialog->windowModality() == Qt::WindowModal;
      w.caption = dialog->windowTitle();
      w.text = dialog->labelText();
      for (QPushButton* b : dialog->findChildren<QPushButton*>()) {
        w.button = b->text();
        if (cancel) QTest::mouseClick(b, Qt::LeftButton);
      }
    });
    timer.start();
    window_->RunCommand(control);
    timer.stop();
    return w;
  }
};

TEST_F(ProgressTest, ALongExportShowsTheDialogAndItsCancelLeavesTheFileUntouched) {
  GenerateLargeTable();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath(QStringLiteral("sheets.xlsx"));
  {
    QFile old(file);
    ASSERT_TRUE(old.open(QIODevice::WriteOnly));
    old.write("an earlier workbook");
  }
  Fake().fileNames.push_back(S(file));
  const Watch w = RunWatched("Excel1", /*cancel=*/true);
  EXPECT_TRUE(w.shown);
  EXPECT_TRUE(w.windowModal);
  EXPECT_EQ(w.caption, QStringLiteral("Karvento"));
  EXPECT_EQ(w.text, QStringLiteral("正在导出……"));
  EXPECT_EQ(w.button, QStringLiteral("取消"));
  QFile after(file);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.readAll(), QByteArray("an earlier workbook"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("sheets.xlsx")});
  EXPECT_TRUE(Fake().messages.empty());
  // The dialog is gone and the window takes commands again.
  auto* dialog = window_->findChild<QProgressDialog*>(QStringLiteral("ProgressDialog"));
  EXPECT_TRUE(dialog == nullptr || !dialog->isVisible());
  EXPECT_EQ(M().RzCheckList1.Count(), 99840u);
}

TEST_F(ProgressTest, AnExportNotCancelledRunsToItsEndUnderTheDialog) {
  GenerateLargeTable();
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath(QStringLiteral("sheets.xlsx"));
  Fake().fileNames.push_back(S(file));
  const Watch w = RunWatched("Excel1", /*cancel=*/false);
  // The dialog was repainted again and again while the export ran.
  EXPECT_TRUE(w.shown);
  EXPECT_GT(w.repaints, 2);
  EXPECT_TRUE(Fake().messages.empty());
  QFile after(file);
  ASSERT_TRUE(after.open(QIODevice::ReadOnly));
  EXPECT_EQ(after.read(2), QByteArray("PK"));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden),
            QStringList{QStringLiteral("sheets.xlsx")});
}

TEST_F(ProgressTest, ACancelledOpenLeavesTheSourceListAsItWas) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const auto write = [&](const char* name, const QByteArray& bytes) {
    const QString file = dir.filePath(QString::fromLatin1(name));
    QFile f(file);
    EXPECT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(bytes);
    return S(file);
  };
  ClickTab(3);
  Fake().fileNames.push_back(write("two.txt", "J-50-5\r\nJ50D001005\r\n"));
  Click("RzToolbarButton14");
  ASSERT_EQ(ListTexts("RzCheckList4"), (QStringList{"J-50-5", "J50D001005"}));
  // 200,000 numbers, read slowly enough for the dialog to appear: a
  // millisecond for each of the thousand updates.
  QByteArray text;
  for (int i = 0; i < 200000; ++i) text += "J-50-" + QByteArray::number(i % 144 + 1) + "\r\n";
  Fake().fileNames.push_back(write("numbers.txt", text));
  ui_->progressUpdateDelayMs = 1;
  const Watch w = RunWatched("RzToolbarButton14", /*cancel=*/true);
  EXPECT_TRUE(w.shown);
  EXPECT_EQ(w.text, QStringLiteral("正在读取图幅号……"));
  EXPECT_EQ(ListTexts("RzCheckList4"), (QStringList{"J-50-5", "J50D001005"}));
  EXPECT_EQ(M().RzCheckList4.Count(), 2u);
  EXPECT_TRUE(Fake().messages.empty());
}

}  // namespace
}  // namespace karvento::app::testing
