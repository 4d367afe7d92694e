// SPDX-License-Identifier: Apache-2.0
// The three modal dialogs, each built over the workbench's model of it: the
// sheet information (TfrmTFInformation), two numbers (TfrmInputPoint) and one
// text (TfrmInputString). Every widget carries its control's name.
#pragma once

#include <QDialog>
#include <array>

#include "workbench/input_dialogs.h"
#include "workbench/tf_information.h"

class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QTabWidget;

namespace karvento::app {

class NumericEdit;

// Fixed size, a title bar with only a close box.
void MakeFixedDialog(QDialog& dialog, int clientWidth, int clientHeight);

// A sheet's number and corners, for reading: the fields can be edited, but
// nothing is written back to the record; "返回" and the close box close it.
class InformationDialog : public QDialog {
  Q_OBJECT
 public:
  InformationDialog(TfrmTFInformation& model, QWidget* parent);

  QTabWidget* Tabs() const { return tabs_; }
  QLineEdit* NumberEdit() const { return number_; }
  // RzNumericEdit1 .. RzNumericEdit20.
  NumericEdit* Field(int n) const { return fields_[static_cast<std::size_t>(n - 1)]; }
  // The scale factor and convergence of a CGCS2000 sheet, on a third tab;
  // nullptr for other sheets.
  NumericEdit* ScaleFactor() const { return scaleFactor_; }
  NumericEdit* Convergence() const { return convergence_; }
  // The 接合图表 page's nine sheets (north-west to south-east) and its
  // "加入列表" button; empty and nullptr without the page.
  const std::array<QPushButton*, 9>& NeighbourButtons() const { return neighbours_; }
  QPushButton* AddNeighbourButton() const { return addNeighbour_; }

 private:
  QTabWidget* tabs_;
  NumericEdit* scaleFactor_ = nullptr;
  NumericEdit* convergence_ = nullptr;
  std::array<QPushButton*, 9> neighbours_{};
  QPushButton* addNeighbour_ = nullptr;
  QLineEdit* number_;
  std::array<NumericEdit*, 20> fields_{};
};

// Two numbers under two right-aligned labels; "确定" stores them into the
// model's fields, "取消" and the close box leave them.
class InputPointDialog : public QDialog {
  Q_OBJECT
 public:
  InputPointDialog(TfrmInputPoint& model, QWidget* parent);
  void accept() override;

 private:
  NumericEdit* first_;
  NumericEdit* second_;
};

// One line of text under a prompt; "确定" stores it into the model's field.
class InputStringDialog : public QDialog {
  Q_OBJECT
 public:
  InputStringDialog(TfrmInputString& model, QWidget* parent);
  void accept() override;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override;

 private:
  TfrmInputString& model_;
  QLineEdit* edit_ = nullptr;
  QPlainTextEdit* lines_ = nullptr;  // a text of several lines
};

}  // namespace karvento::app
