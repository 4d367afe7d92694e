// SPDX-License-Identifier: Apache-2.0
// A scripted user: queues of answers for every question the workbench may
// ask, and a record of everything it showed. A question without a scripted
// answer fails the test and is answered by cancelling.
#pragma once

#include <gtest/gtest.h>

#include <array>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "workbench/coord_transform.h"
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
    bool multiLine = false;
  };
  struct InformationShown {
    std::string caption, number;
    int activeTab;
    std::array<double, 20> values;  // RzNumericEdit1 .. 20
    std::array<std::string, 20> texts;
    // The scale factor and convergence, when the dialog shows them.
    bool scaleShown = false;
    double scaleFactor = 0, convergence = 0;
    // The 接合图表, when the dialog shows one.
    bool neighboursShown = false;
    std::array<TStandardMapUnion, 9> neighbours{};
  };

  struct ProgressShown {
    std::string caption, text;
    std::uint64_t total;
    std::vector<std::uint64_t> updates;  // done, as passed on to the user
    bool ended = false;                  // the reporter was destroyed
  };

  // Scripted answers.
  std::deque<MessageResult> answers;                            // Yes/No questions
  std::deque<std::optional<std::string>> fileNames;             // nullopt = cancel
  std::function<void(TfrmTFInformation&)> onInformation;
  // What the user does in the 坐标转换 tool; the tool shown without a
  // script fails the test.
  std::function<void(TfrmCoordTransform&)> onCoordTransform;
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
  // The user presses cancel on the next progress once it has shown this
  // many updates (nullopt: never); the script is used up by one progress.
  std::optional<std::size_t> cancelAfterUpdates;
  std::vector<ProgressShown> progresses;
  // Runs inside every progress update, with the progress shown so far; the
  // user presses cancel when it returns true.
  std::function<bool(const ProgressShown&)> cancelWhen;
  // Runs inside every file dialog (to make it fail, for instance).
  std::function<void()> onFileDialog;
  bool closed = false;

  MessageResult MessageBox(std::string_view caption, std::string_view text, MessageButtons buttons,
                           MessageIcon icon) override {
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
    stringDialogs.push_back({d.Caption, d.RzLabel1.Caption, d.RzEdit1.Text(), d.MultiLine});
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
    s.scaleShown = d.ShowsScaleConvergence;
    s.scaleFactor = d.ScaleFactorEdit.Value();
    s.convergence = d.ConvergenceEdit.Value();
    s.neighboursShown = d.ShowsNeighbours;
    s.neighbours = d.Neighbours;
    informations.push_back(std::move(s));
    // What the user does on the dialog's pages, when a test scripts it.
    if (onInformation) onInformation(d);
    // What the user types into the dialog is never read back.
    d.RzEdit1.SetText("edited");
    d.RzNumericEdit(1).SetValue(-1);
  }

  void ShowCoordTransform(TfrmCoordTransform& d) override {
    if (!onCoordTransform) {
      ADD_FAILURE() << "unexpected 坐标转换 tool";
      return;
    }
    onCoordTransform(d);
  }

  std::string FocusedControl() const override { return focus; }
  void SetFocus(std::string_view name) override {
    focus = name;
    focusMoves.emplace_back(name);
  }
  void CloseMainWindow() override { closed = true; }
  void SetClipboardText(std::string_view text) override { clipboard = text; }
  std::string clipboard;

  class Progress : public ProgressReporter {
   public:
    Progress(FakeUi& ui, std::size_t index, std::uint64_t total,
             std::optional<std::size_t> cancelAfter)
        : ProgressReporter(total), ui_(ui), index_(index), cancelAfter_(cancelAfter) {}
    ~Progress() override { ui_.progresses[index_].ended = true; }

   protected:
    bool Update(std::uint64_t done) override {
      ProgressShown& shown = ui_.progresses[index_];
      EXPECT_FALSE(shown.ended);
      EXPECT_LE(done, shown.total);
      if (!shown.updates.empty()) {
        EXPECT_GE(done, shown.updates.back()) << "progress went back";
      }
      shown.updates.push_back(done);
      if (ui_.cancelWhen && ui_.cancelWhen(shown)) return false;
      return !(cancelAfter_ && shown.updates.size() >= *cancelAfter_);
    }

   private:
    FakeUi& ui_;
    std::size_t index_;
    std::optional<std::size_t> cancelAfter_;
  };

  std::unique_ptr<ProgressReporter> BeginProgress(std::string_view caption, std::string_view text,
                                                  std::uint64_t total) override {
    for (const ProgressShown& p : progresses) EXPECT_TRUE(p.ended) << "two progresses at once";
    progresses.push_back({std::string(caption), std::string(text), total, {}, false});
    auto reporter =
        std::make_unique<Progress>(*this, progresses.size() - 1, total, cancelAfterUpdates);
    cancelAfterUpdates.reset();
    return reporter;
  }

  // Every scripted answer was used.
  void ExpectDrained() const {
    EXPECT_TRUE(answers.empty());
    EXPECT_TRUE(fileNames.empty());
    EXPECT_TRUE(points.empty());
    EXPECT_TRUE(texts.empty());
    EXPECT_FALSE(cancelAfterUpdates.has_value()) << "a scripted cancel was not used";
  }
};

}  // namespace karvento::testing
