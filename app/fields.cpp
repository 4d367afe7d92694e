// SPDX-License-Identifier: Apache-2.0
#include "app/fields.h"

#include <QContextMenuEvent>
#include <QKeyEvent>

#include "app/style.h"

namespace karvento::app {

SpinEdit::SpinEdit(SpinField& field, QWidget* parent) : QAbstractSpinBox(parent), field_(field) {
  setObjectName(Q(field.Name()));
  setAlignment(Qt::AlignLeft | Qt::AlignVCenter);
  setAccelerated(true);
  // The context menu event has to reach the spin box, not its text line.
  lineEdit()->setContextMenuPolicy(Qt::NoContextMenu);
  lineEdit()->setReadOnly(field.SpinOnly());
  connect(this, &QAbstractSpinBox::editingFinished, this, [this] {
    const std::string before = field_.Text();
    Commit();
    if (field_.Text() != before) emit Edited();
  });
  Refresh();
}

QString SpinEdit::Text() const { return lineEdit()->text(); }

void SpinEdit::Commit() {
  // Only what the user typed is read back: the shown text may be rounded.
  if (!field_.SpinOnly() && lineEdit()->isModified()) {
    const std::string typed = S(lineEdit()->text());
    lineEdit()->setModified(false);
    if (OnTyped) {
      OnTyped(*this, typed);
    } else {
      field_.SetText(typed);
    }
  }
  Refresh();
}

void SpinEdit::Refresh() {
  const QString shown = Q(field_.Text());
  if (lineEdit()->text() != shown || lineEdit()->isModified()) lineEdit()->setText(shown);
  setEnabled(field_.Enabled);
  if (isHidden() == field_.Visible) setVisible(field_.Visible);
  update();
}

void SpinEdit::stepBy(int steps) {
  // A typed value counts from where it was typed.
  if (!field_.SpinOnly() && lineEdit()->isModified()) field_.SetText(S(lineEdit()->text()));
  for (; steps > 0; --steps) field_.StepUp();
  for (; steps < 0; ++steps) field_.StepDown();
  Refresh();
  emit Edited();
}

QValidator::State SpinEdit::validate(QString&, int&) const {
  // Anything may be typed; the field reads what is not a number as its
  // lower limit.
  return QValidator::Acceptable;
}

QAbstractSpinBox::StepEnabled SpinEdit::stepEnabled() const {
  if (!isEnabled()) return StepNone;
  StepEnabled e = StepNone;
  if (field_.Value() < field_.Max()) e |= StepUpEnabled;
  if (field_.Value() > field_.Min()) e |= StepDownEnabled;
  return e;
}

void SpinEdit::keyPressEvent(QKeyEvent* event) {
  // The spin box forgets that its text was typed when it handles Enter, so
  // the typed text is applied first.
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    const std::string before = field_.Text();
    Commit();
    if (field_.Text() != before) emit Edited();
  }
  QAbstractSpinBox::keyPressEvent(event);
}

void SpinEdit::contextMenuEvent(QContextMenuEvent* event) {
  if (OnContextMenu) {
    OnContextMenu(*this, event->globalPos());
    event->accept();
    return;
  }
  QAbstractSpinBox::contextMenuEvent(event);
}

NumericEdit::NumericEdit(NumberField& field, QWidget* parent) : QLineEdit(parent), field_(field) {
  setObjectName(Q(field.Name()));
  setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  connect(this, &QLineEdit::editingFinished, this, [this] {
    const double before = field_.Value();
    Commit();
    if (field_.Value() != before) emit Edited();
  });
  Refresh();
}

void NumericEdit::Commit() {
  // The display pattern rounds ("(1,235)" for -1234.5), so a text the user
  // did not touch is not read back.
  if (isModified()) {
    const std::string typed = S(text());
    setModified(false);
    if (OnTyped) {
      OnTyped(*this, typed);
    } else {
      field_.SetText(typed);
    }
  }
  Refresh();
}

void NumericEdit::Refresh() {
  const QString shown = Q(field_.DisplayText());
  if (text() != shown || isModified()) setText(shown);
  setEnabled(field_.Enabled);
  if (isHidden() == field_.Visible) setVisible(field_.Visible);
}

}  // namespace karvento::app
