// SPDX-License-Identifier: Apache-2.0
// The 坐标转换 dialog through its widgets: points typed into its table, a
// model picked, 解算 clicked, the parameters, residuals and σ0 shown.
#include <QComboBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <gtest/gtest.h>

#include <sstream>

#include "app/transform_dialog.h"
#include "geodesy/projection.h"

namespace karvento::app::testing {
namespace {

// A user who is never asked anything in this case.
class SilentUi : public UserInterface {
 public:
  MessageResult MessageBox(std::string_view, std::string_view text, MessageButtons, MessageIcon) override {
    ADD_FAILURE() << "unexpected message: " << text;
    return MessageResult::Ok;
  }
  bool RunFileDialog(const TFileDialog&, std::string&) override { return false; }
  bool ShowInputPoint(TfrmInputPoint&) override { return false; }
  bool ShowInputString(TfrmInputString&) override { return false; }
  void ShowInformation(TfrmTFInformation&) override {}
  std::string FocusedControl() const override { return {}; }
  void SetFocus(std::string_view) override {}
  void CloseMainWindow() override {}
};

TEST(CoordTransformDialog, PointsTypedAndSolvedShowParametersResidualsAndSigma) {
  // Plane common points on Beijing 1954 zone 39, moved by a 4-parameter
  // similarity of 30 m, 2″ and 8 ppm, in the surveyor's order.
  PlaneSimilarity truth{-21.5, 30.25, 2.0, 8.0};
  std::ostringstream rows;
  rows.precision(15);
  for (int i = 0; i < 5; ++i) {
    const TPlanePoint s{440000.0 + 7000 * i, 4400000.0 + 9000 * (i % 3)};
    const TPlanePoint t = PlaneForward(truth, s);
    rows << "Q" << i << " " << s.Y << " " << s.X << " " << t.Y << " " << t.X << "\n";
  }
  SilentUi ui;
  TfrmCoordTransform model(ui);
  CoordTransformDialog dialog(model, nullptr);
  EXPECT_EQ(dialog.objectName(), QStringLiteral("TfrmCoordTransform"));
  EXPECT_EQ(dialog.windowTitle(), QStringLiteral("坐标转换"));
  dialog.PointsEdit()->setPlainText(QString::fromStdString(rows.str()));
  auto* box = dialog.findChild<QComboBox*>(QStringLiteral("ModelBox"));
  ASSERT_NE(box, nullptr);
  box->setCurrentIndex(2);
  auto* solve = dialog.findChild<QPushButton*>(QStringLiteral("Solve"));
  ASSERT_NE(solve, nullptr);
  solve->click();
  ASSERT_TRUE(model.HasParams);
  EXPECT_EQ(model.Params.model, TransformModel::Plane4);
  EXPECT_NEAR(model.Params.plane.rotation, 2.0, 1e-6);
  ASSERT_EQ(dialog.ParameterTable()->rowCount(), 4);
  EXPECT_EQ(dialog.ParameterTable()->item(2, 0)->text(), QStringLiteral("rotation (\")"));
  EXPECT_EQ(dialog.ParameterTable()->item(2, 1)->text(), QStringLiteral("2.000000"));
  ASSERT_EQ(dialog.ResidualTable()->rowCount(), 5);
  EXPECT_EQ(dialog.ResidualTable()->item(4, 0)->text(), QStringLiteral("Q4"));
  EXPECT_EQ(dialog.ResidualTable()->item(4, 3)->text(), QStringLiteral("0.0000"));
  EXPECT_TRUE(dialog.Summary()->text().contains(QStringLiteral("单位权中误差 σ0 = 0.0000 米")))
      << dialog.Summary()->text().toStdString();
}

}  // namespace
}  // namespace karvento::app::testing
