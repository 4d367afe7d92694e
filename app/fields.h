// SPDX-License-Identifier: Apache-2.0
// The widgets of the model's value controls. Each shows one field of the
// workbench model and hands what the user types or steps to that field,
// which brings it into its limits and rounds it; the widget then shows the
// field's value again. No widget keeps a value of its own.
#pragma once

#include <QAbstractSpinBox>
#include <QLineEdit>
#include <QMenu>
#include <functional>
#include <string>

#include "workbench/controls.h"

namespace karvento::app {

// A spin field: up and down buttons (and the arrow keys) step the model
// field; typed text is applied when the field is left or Enter is pressed. A
// spin-only field takes no typed text.
class SpinEdit : public QAbstractSpinBox {
  Q_OBJECT
 public:
  SpinEdit(SpinField& field, QWidget* parent);

  SpinField& Field() { return field_; }
  // Applies the typed text to the field and shows the field's value.
  void Commit();
  // Shows the field's value and enabled state.
  void Refresh();
  // The text being shown or typed.
  QString Text() const;
  // A new menu of the text line's standard edit entries, for the caller to
  // extend, show and delete.
  QMenu* StandardMenu() { return lineEdit()->createStandardContextMenu(); }

  void stepBy(int steps) override;
  QValidator::State validate(QString& input, int& pos) const override;

  // When set, typed text goes here instead of straight into the field (the
  // window reads coordinates typed into a corner's degree field).
  std::function<void(SpinEdit&, const std::string&)> OnTyped;

  // Set for the fields that carry a context menu of the window's own.
  std::function<void(SpinEdit&, const QPoint& globalPos)> OnContextMenu;

 signals:
  // The user changed the value (typed and left the field, or stepped).
  void Edited();

 protected:
  StepEnabled stepEnabled() const override;
  void contextMenuEvent(QContextMenuEvent* event) override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  SpinField& field_;
};

// A number field: shows the value in its display pattern (",0;(,0)"), reads
// any typed text (separators and parentheses included) when it is left.
class NumericEdit : public QLineEdit {
  Q_OBJECT
 public:
  NumericEdit(NumberField& field, QWidget* parent);

  NumberField& Field() { return field_; }
  void Commit();
  void Refresh();

  // When set, typed text goes here instead of straight into the field (the
  // window refuses a text that is no number).
  std::function<void(NumericEdit&, const std::string&)> OnTyped;

 signals:
  void Edited();

 private:
  NumberField& field_;
};

}  // namespace karvento::app
