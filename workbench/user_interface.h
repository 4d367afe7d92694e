// SPDX-License-Identifier: Apache-2.0
// Everything through which the workbench reaches the user. The desktop front
// end implements it with its widgets; the tests implement it with a scripted
// fake. The model never shows anything by itself.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

namespace karvento {

class TfrmInputPoint;
class TfrmInputString;
class TfrmTFInformation;
class TfrmCoordTransform;
struct MapFrame;

// Pages of map frames drawn by a front end that can draw (PDF needs a
// painter, which the model has not): Add draws one frame as a page, Finish
// ends the document; both throw Error on failure. The bytes go to the write
// function given to UserInterface::BeginFramePages.
class FramePages {
 public:
  virtual ~FramePages() = default;
  virtual void Add(const MapFrame& frame) = 0;
  virtual void Finish() = 0;
};

enum class MessageButtons { Ok, YesNo };
enum class MessageIcon { Error, Question, Information };
enum class MessageResult { Ok, Yes, No };

enum class FileDialogKind { Open, Save };

// A file dialog of the main window: the filter ("文本文件（*.txt）|*.txt",
// description and pattern pairs separated by "|"), the default extension
// (without the point; empty for none) and the name last chosen, which is the
// initial name the next time the dialog is shown.
class TFileDialog {
 public:
  explicit TFileDialog(FileDialogKind kind) : kind_(kind) {}
  FileDialogKind Kind() const { return kind_; }

  std::string Filter;
  std::string DefaultExt;
  std::string FileName;

  // The name as the dialog hands it on: with "." and the default extension
  // appended when the chosen name's last component has no extension.
  std::string CompleteName(std::string_view chosen) const;

  // The name the dialog starts with: the last chosen name, its extension (the
  // text of the last component from its last "." on) replaced by the default
  // extension when it matches none of the filter's patterns ("*.mif", "*",
  // case aside), so that a name chosen for one kind of file is not offered
  // for another kind; without a default extension the name as it is.
  std::string InitialName() const;

 private:
  FileDialogKind kind_;
};

// The progress of one long command, shown while the command runs (a dialog
// with a bar and a cancel button) and gone when the reporter is destroyed.
// The command calls Step with the number of items done so far, as often as
// it likes: Step passes at most about a thousand of the calls on to the user
// interface over the whole run (and always the last one, done == total), so
// calling it once per item costs a compare and an add.
class ProgressReporter {
 public:
  explicit ProgressReporter(std::uint64_t total)
      : total_(total), stride_(total > kUpdates ? (total + kUpdates - 1) / kUpdates : 1) {}
  virtual ~ProgressReporter() = default;
  ProgressReporter(const ProgressReporter&) = delete;
  ProgressReporter& operator=(const ProgressReporter&) = delete;

  std::uint64_t Total() const { return total_; }
  // done of Total() items finished. Returns false once the user has asked to
  // cancel (and from then on); the command then stops and undoes what it did.
  bool Step(std::uint64_t done) {
    if (cancelled_) return false;
    if (done < next_ && done < total_) return true;
    next_ = done + stride_;
    cancelled_ = !Update(done);
    return !cancelled_;
  }
  bool Cancelled() const { return cancelled_; }

 protected:
  // Shows done of Total(); false when the user has cancelled.
  virtual bool Update(std::uint64_t done) = 0;

 private:
  static constexpr std::uint64_t kUpdates = 1000;
  std::uint64_t total_;
  std::uint64_t stride_;
  std::uint64_t next_ = 0;
  bool cancelled_ = false;
};

// Texts of the progress dialogs, caption kWindowCaption.
inline constexpr const char* kExportingText = "正在导出……";
inline constexpr const char* kReadingNumbersText = "正在读取图幅号……";
inline constexpr const char* kConvertingText = "正在转换图幅号……";

class UserInterface {
 public:
  virtual ~UserInterface() = default;

  // A modal message box; returns the button pressed (Ok for a box with one
  // button).
  virtual MessageResult MessageBox(std::string_view caption, std::string_view text,
                                   MessageButtons buttons, MessageIcon icon) = 0;

  // Shows the dialog with dialog.FileName as the initial name. On OK puts the
  // chosen name (as the user typed or picked it) into chosen and returns true;
  // on cancel returns false.
  virtual bool RunFileDialog(const TFileDialog& dialog, std::string& chosen) = 0;

  // The modal input and information dialogs. The two input dialogs return
  // true when closed with "确定", having stored what the user entered into
  // the dialog's fields; false on "取消" or the close box.
  virtual bool ShowInputPoint(TfrmInputPoint& dialog) = 0;
  virtual bool ShowInputString(TfrmInputString& dialog) = 0;
  virtual void ShowInformation(TfrmTFInformation& dialog) = 0;
  // The 坐标转换 tool, modal, until the user closes it; its buttons call the
  // dialog's actions. The default (a front end without it) shows nothing.
  virtual void ShowCoordTransform(TfrmCoordTransform& dialog);

  // The name of the control with the input focus (empty when none of the
  // window's controls has it), and moving the focus to a control.
  virtual std::string FocusedControl() const = 0;
  virtual void SetFocus(std::string_view controlName) = 0;

  // The main window was closed by the Exit command.
  virtual void CloseMainWindow() = 0;

  // Puts text on the system clipboard. The default keeps no clipboard.
  virtual void SetClipboardText(std::string_view text);

  // Starts showing the progress of a command over total items, with the
  // caption and text given; the progress ends when the reporter is
  // destroyed. A front end may wait a moment before it shows anything, so
  // that a quick command shows nothing. The default shows nothing and never
  // cancels.
  virtual std::unique_ptr<ProgressReporter> BeginProgress(std::string_view caption,
                                                          std::string_view text,
                                                          std::uint64_t total);
  // A PDF document of map frames written through write; the default (a
  // front end that draws nothing) has none and returns nullptr.
  virtual std::unique_ptr<FramePages> BeginFramePages(std::function<void(std::string_view)> write);
};

// Runs a file dialog: starts it with InitialName(), shows it and, on OK,
// completes the chosen name with the default extension, keeps it as the
// dialog's next initial name and returns it through fileName. Returns false
// when the user cancels. The dialog never asks before a file is replaced.
bool ExecuteFileDialog(UserInterface& ui, TFileDialog& dialog, std::string& fileName);

}  // namespace karvento
