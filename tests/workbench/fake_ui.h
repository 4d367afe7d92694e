// A scripted user: queues of answers for every question the workbench may
// ask, and a record of everything it showed. A question without a scripted
// answer fails the test and is answered by cancelling.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "workbench/input_dialogs.h"
#include "workbench/tf_information.h"
#include "workbench/user_interface.h"

namespace karvento::testing {

class FakeUi : public UserInterface {
 public:
  struct Message {
    std::string caption, text;
    MessageButtons buttons;
    MessageIcon icon;
  };
  struct FileDialogShown {
    FileDialogKind kind;
    std::string filter, defaultExt, initialName;
  };
  struct PointDialogShown {
    std::string caption, label1, label2;
    double value1, value2;
    std::string format1, format2;
  };
  struct StringDialogShown {
    std::string caption, prompt, text;
  };
  struct InformationShown {
    std::string caption, number;
    int activeTab;
    std::array<double, 20> values;  // RzNumericEdit1 .. 20
    std::array<std::string, 20> texts;
  };

  // Scripted answers.
  std::deque<MessageResult> answers;                            // Yes/No questions
  std::deque<std::optional<std::string>> fileNames;             // nullopt = cancel
  std::deque<std::optional<std::pair<double, double>>> points;  // nullopt = cancel
  std::deque<std::optional<std::string>> texts;                 // nullopt = cancel

  // What was shown.
  std::vector<Message> messages;
  std::vector<FileDialogShown> fileDialogs;
  std::vector<PointDialogShown> pointDialogs;
  std::vector<StringDialogShown> stringDialogs;
  std::vector<InformationShown> informations;
  std::string focus;
  std::vector<std::string> focusMoves;
  // Runs inside every file dialog (to make it fail, for instance).
  std::function<void()> onFileDialog;
  bool closed = false;

  MessageResult MessageBox(std::string_view caption, std::string_view text,
                           MessageButtons buttons, MessageIcon icon) override {
    messages.push_back({std::string(caption), std::string(text), buttons, icon});
    if (buttons == MessageButtons::Ok) return MessageResult::Ok;
    if (answers.empty()) {
      ADD_FAILURE() << "unexpected question: " << text;
      return MessageResult::No;
    }
    const MessageResult r = answers.front();
    answers.pop_front();
    return r;
  }

  bool RunFileDialog(const TFileDialog& d, std::string& chosen) override {
    fileDialogs.push_back({d.Kind(), d.Filter, d.DefaultExt, d.FileName});
    if (onFileDialog) onFileDialog();
    if (fileNames.empty()) {
      ADD_FAILURE() << "unexpected file dialog";
      return false;
    }
    const auto answer = fileNames.front();
    fileNames.pop_front();
    if (!answer) return false;
    chosen = *answer;
    return true;
  }

  bool ShowInputPoint(TfrmInputPoint& d) override {
    pointDialogs.push_back({d.Caption, d.RzLabel1.Caption, d.RzLabel2.Caption,
                            d.RzNumericEdit1.Value(), d.RzNumericEdit2.Value(),
                            d.RzNumericEdit1.DisplayFormat(), d.RzNumericEdit2.DisplayFormat()});
    if (points.empty()) {
      ADD_FAILURE() << "unexpected point dialog";
      return false;
    }
    const auto answer = points.front();
    points.pop_front();
    if (!answer) return false;
    d.RzNumericEdit1.SetValue(answer->first);
    d.RzNumericEdit2.SetValue(answer->second);
    return true;
  }

  bool ShowInputString(TfrmInputString& d) override {
    stringDialogs.push_back({d.Caption, d.RzLabel1.Caption, d.RzEdit1.Text()});
    if (texts.empty()) {
      ADD_FAILURE() << "unexpected text dialog";
      return false;
    }
    const auto answer = texts.front();
    texts.pop_front();
    if (!answer) return false;
    d.RzEdit1.SetText(*answer);
    return true;
  }

  void ShowInformation(TfrmTFInformation& d) override {
    InformationShown s{d.Caption, d.RzEdit1.Text(), d.ActiveTab, {}, {}};
    for (int n = 1; n <= 20; ++n) {
      s.values[static_cast<std::size_t>(n - 1)] = d.RzNumericEdit(n).Value();
      s.texts[static_cast<std::size_t>(n - 1)] = d.RzNumericEdit(n).DisplayText();
    }
    informations.push_back(std::move(s));
    // What the user types into the dialog is never read back.
    d.RzEdit1.SetText("edited");
    d.RzNumericEdit(1).SetValue(-1);
  }

  std::string FocusedControl() const override { return focus; }
  void SetFocus(std::string_view name) override {
    focus = name;
    focusMoves.emplace_back(name);
  }
  void CloseMainWindow() override { closed = true; }

  // Every scripted answer was used.
  void ExpectDrained() const {
    EXPECT_TRUE(answers.empty());
    EXPECT_TRUE(fileNames.empty());
    EXPECT_TRUE(points.empty());
    EXPECT_TRUE(texts.empty());
  }
};

}  // namespace karvento::testing
