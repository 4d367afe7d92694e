// Everything through which the workbench reaches the user. The desktop front
// end implements it with its widgets; the tests implement it with a scripted
// fake. The model never shows anything by itself.
#pragma once

#include <string>
#include <string_view>

namespace karvento {

class TfrmInputPoint;
class TfrmInputString;
class TfrmTFInformation;

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

 private:
  FileDialogKind kind_;
};

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

  // The name of the control with the input focus (empty when none of the
  // window's controls has it), and moving the focus to a control.
  virtual std::string FocusedControl() const = 0;
  virtual void SetFocus(std::string_view controlName) = 0;

  // The main window was closed by the Exit command.
  virtual void CloseMainWindow() = 0;
};

// Runs a file dialog: shows it and, on OK, completes the chosen name with the
// default extension, keeps it as the dialog's next initial name and returns
// it through fileName. Returns false when the user cancels.
bool ExecuteFileDialog(UserInterface& ui, TFileDialog& dialog, std::string& fileName);

}  // namespace karvento
