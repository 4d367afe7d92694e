// SPDX-License-Identifier: Apache-2.0
// The main window with its dialogs replaced at the user-interface boundary by
// the workbench tests' scripted user, while the focus is the real widgets'
// focus; and small helpers that act on widgets as a user does.
#pragma once

#include <gtest/gtest.h>

#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QLabel>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QThread>
#include <QTimer>
#include <memory>

#include "app/fields.h"
#include "app/main_window.h"
#include "app/qt_user_interface.h"
#include "app/sheet_list_view.h"
#include "app/style.h"
#include "tests/workbench/fake_ui.h"

namespace karvento::app::testing {

class ScriptedUi : public QtUserInterface {
 public:
  karvento::testing::FakeUi fake;

  MessageResult MessageBox(std::string_view caption, std::string_view text, MessageButtons buttons,
                           MessageIcon icon) override {
    return fake.MessageBox(caption, text, buttons, icon);
  }
  bool RunFileDialog(const TFileDialog& dialog, std::string& chosen) override {
    return fake.RunFileDialog(dialog, chosen);
  }
  bool ShowInputPoint(TfrmInputPoint& dialog) override { return fake.ShowInputPoint(dialog); }
  bool ShowInputString(TfrmInputString& dialog) override { return fake.ShowInputString(dialog); }
  void ShowInformation(TfrmTFInformation& dialog) override { fake.ShowInformation(dialog); }

  // The progress is the window's own dialog. With a delay, each update
  // that reaches the user interface first waits that long, so that a
  // command lasts long enough for the dialog to appear however fast the
  // machine is.
  int progressUpdateDelayMs = 0;
  std::unique_ptr<ProgressReporter> BeginProgress(std::string_view caption, std::string_view text,
                                                  std::uint64_t total) override {
    auto shown = QtUserInterface::BeginProgress(caption, text, total);
    if (progressUpdateDelayMs <= 0) return shown;
    return std::make_unique<Delayed>(std::move(shown), total, progressUpdateDelayMs);
  }

 private:
  class Delayed : public ProgressReporter {
   public:
    Delayed(std::unique_ptr<ProgressReporter> shown, std::uint64_t total, int delayMs)
        : ProgressReporter(total), shown_(std::move(shown)), delayMs_(delayMs) {}

   protected:
    bool Update(std::uint64_t done) override {
      QThread::msleep(static_cast<unsigned long>(delayMs_));
      return shown_->Step(done);
    }

   private:
    std::unique_ptr<ProgressReporter> shown_;
    int delayMs_;
  };
};

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    auto ui = std::make_unique<ScriptedUi>();
    ui_ = ui.get();
    window_ = std::make_unique<MainWindow>(std::move(ui));
    window_->show();
    window_->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window_.get()));
  }
  void TearDown() override {
    ui_->fake.ExpectDrained();
    window_.reset();
  }

  TfrmCreateMapUnRg& M() { return window_->Model(); }
  karvento::testing::FakeUi& Fake() { return ui_->fake; }

  QWidget* W(const char* name) {
    QWidget* w = window_->ControlWidget(name);
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  template <class T>
  T* As(const char* name) {
    T* w = qobject_cast<T*>(W(name));
    EXPECT_NE(w, nullptr) << name;
    return w;
  }
  QString Text(const char* name) {
    QWidget* w = W(name);
    if (auto* spin = qobject_cast<SpinEdit*>(w)) return spin->Text();
    if (auto* edit = qobject_cast<QLineEdit*>(w)) return edit->text();
    if (auto* combo = qobject_cast<QComboBox*>(w)) return combo->currentText();
    if (auto* button = qobject_cast<QAbstractButton*>(w)) return button->text();
    ADD_FAILURE() << name << " shows no text";
    return {};
  }

  // Clicks into the field, replaces its text by typing and leaves it with Tab.
  void Type(const char* name, const QString& text, bool leave = true) {
    QWidget* w = W(name);
    w->setFocus(Qt::MouseFocusReason);
    QTest::keyClick(w, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(w, Qt::Key_Delete);
    QTest::keyClicks(w, text);
    if (leave) QTest::keyClick(w, Qt::Key_Tab);
  }
  void Click(const char* name) {
    QWidget* w = W(name);
    ASSERT_TRUE(w->isVisible()) << name;
    // An option takes clicks on its circle and caption, at its left.
    const QPoint at = qobject_cast<QRadioButton*>(w) != nullptr ? QPoint(8, w->height() / 2) : QPoint();
    QTest::mouseClick(w, Qt::LeftButton, {}, at);
    // The views lay out their rows when the event loop runs again.
    QApplication::processEvents();
  }
  // Clicks the tab of the model's tab index, wherever the tab bar shows it.
  void ClickTab(int tab) {
    QTabBar* bar = window_->Tabs()->tabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(MainWindow::WidgetIndexOf(tab)).center());
  }
  // Sets a whole corner, typing into its six fields.
  void TypeCorner(int firstField, const QStringList& six) {
    for (int i = 0; i < 6; ++i) {
      const std::string name = "RzSpinEdit" + std::to_string(firstField + i);
      Type(name.c_str(), six[i]);
    }
  }
  // Four 1:1万 sheets on tab 0: two columns of two.
  void GenerateFour() {
    TypeCorner(1, {"116", "27", "0", "39", "53", "0"});
    TypeCorner(7, {"116", "31", "0", "39", "56", "0"});
    Click("RzBitBtn1");
    ASSERT_EQ(ListTexts("RzCheckList1").size(), 4);
  }
  SheetListView* View(const char* name = "RzCheckList1") { return window_->ListView(name); }
  QStringList ListTexts(const char* name) {
    QListView* view = As<QListView>(name);
    QStringList texts;
    for (int r = 0; r < view->model()->rowCount(); ++r) {
      texts << view->model()->index(r, 0).data().toString();
    }
    return texts;
  }

  // Opens the coordinate-tool menu on a field with a right click on its text
  // line and chooses the item named (an empty name closes the menu).
  void ChooseFromCornerMenu(const char* field, const char* item) {
    QWidget* spin = W(field);
    QLineEdit* line = spin->findChild<QLineEdit*>();
    ASSERT_NE(line, nullptr);
    bool shown = false;
    QTimer::singleShot(0, [&] {
      auto* menu = qobject_cast<QMenu*>(QApplication::activePopupWidget());
      if (menu == nullptr) return;
      shown = menu->objectName() == QStringLiteral("PopupMenu2");
      if (*item == '\0') {
        QTest::keyClick(menu, Qt::Key_Escape);
        return;
      }
      for (QAction* a : menu->actions()) {
        if (a->objectName() == QString::fromLatin1(item)) menu->setActiveAction(a);
      }
      QTest::keyClick(menu, Qt::Key_Return);
    });
    const QPoint at(5, line->height() / 2);
    QContextMenuEvent event(QContextMenuEvent::Mouse, at, line->mapToGlobal(at));
    QApplication::sendEvent(line, &event);
    EXPECT_TRUE(shown) << "the coordinate-tool menu did not open on " << field;
  }

  ScriptedUi* ui_ = nullptr;
  std::unique_ptr<MainWindow> window_;
};

}  // namespace karvento::app::testing
