// SPDX-License-Identifier: Apache-2.0
// The workbench's user interface on Qt: message boxes, file dialogs, the
// input and information dialogs, and the input focus, all for one main
// window.
#pragma once

#include <QString>
#include <string>

#include "workbench/user_interface.h"

class QWidget;

namespace karvento::app {

class MainWindow;

// "文本文件（*.txt）|*.txt" (description and pattern pairs separated by "|",
// several patterns of one pair by ";") as a Qt name filter list:
// "文本文件（*.txt） (*.txt)", pairs joined by ";;".
QString QtNameFilter(std::string_view filter);

class QtUserInterface : public UserInterface {
 public:
  QtUserInterface() = default;

  // The window whose controls, focus and dialogs this interface serves.
  void Attach(MainWindow* window);

  MessageResult MessageBox(std::string_view caption, std::string_view text, MessageButtons buttons,
                           MessageIcon icon) override;
  bool RunFileDialog(const TFileDialog& dialog, std::string& chosen) override;
  bool ShowInputPoint(TfrmInputPoint& dialog) override;
  bool ShowInputString(TfrmInputString& dialog) override;
  void ShowInformation(TfrmTFInformation& dialog) override;
  void ShowCoordTransform(TfrmCoordTransform& dialog) override;

  // The window's control that holds the input focus: the field on which a
  // context menu is open, else the control that QApplication::focusWidget()
  // belongs to (a spin field's text line belongs to the spin field), else,
  // while the window is not active, the control that will get the focus
  // when it is.
  std::string FocusedControl() const override;
  void SetFocus(std::string_view controlName) override;
  void CloseMainWindow() override;
  void SetClipboardText(std::string_view text) override;
  // A window-modal progress dialog (object name "ProgressDialog") with the
  // caption, the text, a bar and the cancel button "取消". It appears only
  // once the command has run for half a second; from then on each update,
  // at most twenty a second, repaints the window and lets the user press
  // cancel. While the dialog is not shown no event is handled, so the
  // window takes no other command meanwhile.
  std::unique_ptr<ProgressReporter> BeginProgress(std::string_view caption, std::string_view text,
                                                  std::uint64_t total) override;
  // Map frames as PDF pages at true scale (map/frame_paint.h).
  std::unique_ptr<FramePages> BeginFramePages(std::function<void(std::string_view)> write) override;

  // While a context menu is open on a field, that field counts as focused.
  void SetContextField(std::string name) { contextField_ = std::move(name); }
  // Moves the focus asked for before the window's widgets existed.
  void ApplyPendingFocus();

 protected:
  QWidget* DialogParent() const;

 private:
  MainWindow* window_ = nullptr;
  std::string contextField_;
  std::string pendingFocus_;
};

}  // namespace karvento::app
