// SPDX-License-Identifier: Apache-2.0
// The 坐标转换 tool over its workbench model (TfrmCoordTransform): a table
// of common points to paste into, the model and its settings, the
// parameters with their standard errors and each point's residual, and the
// buttons of the model's actions. Every widget carries its control's name;
// the dialog holds no value of its own.
#pragma once

#include <QDialog>
#include <vector>

#include "workbench/coord_transform.h"

class QComboBox;
class QLabel;
class QPlainTextEdit;
class QPushButton;
class QTableWidget;

namespace karvento::app {

class NumericEdit;

class CoordTransformDialog : public QDialog {
  Q_OBJECT
 public:
  CoordTransformDialog(TfrmCoordTransform& model, QWidget* parent);

  QPlainTextEdit* PointsEdit() const { return points_; }
  QTableWidget* ParameterTable() const { return parameters_; }
  QTableWidget* ResidualTable() const { return residuals_; }
  QLabel* Summary() const { return summary_; }
  QLabel* Status() const { return status_; }

 private:
  // The widgets' texts into the model, the action, the model into the widgets.
  void Act(void (TfrmCoordTransform::*action)());
  void Store();
  void Refresh();

  TfrmCoordTransform& model_;
  QPlainTextEdit* points_;
  std::vector<std::pair<QComboBox*, PickList*>> picks_;
  std::vector<NumericEdit*> numbers_;
  QTableWidget* parameters_;
  QTableWidget* residuals_;
  QLabel* summary_;
  QLabel* status_;
};

}  // namespace karvento::app
