// SPDX-License-Identifier: Apache-2.0
#include "app/transform_dialog.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>

#include "app/fields.h"
#include "app/style.h"

namespace karvento::app {

namespace {

QTableWidget* MakeTable(const QStringList& headers, const char* name, QWidget* parent) {
  auto* table = new QTableWidget(0, static_cast<int>(headers.size()), parent);
  table->setObjectName(QString::fromUtf8(name));
  table->setHorizontalHeaderLabels(headers);
  table->setEditTriggers(QAbstractItemView::NoEditTriggers);
  table->verticalHeader()->setVisible(false);
  table->horizontalHeader()->setStretchLastSection(true);
  return table;
}

void SetCell(QTableWidget* table, int row, int column, const QString& text, bool right = true) {
  auto* item = new QTableWidgetItem(text);
  if (right) item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
  table->setItem(row, column, item);
}

}  // namespace

CoordTransformDialog::CoordTransformDialog(TfrmCoordTransform& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  setObjectName(QStringLiteral("TfrmCoordTransform"));
  setWindowTitle(Q(model.Caption));
  setFont(WindowFont());
  resize(TfrmCoordTransform::kClientWidth, TfrmCoordTransform::kClientHeight);

  auto* layout = new QHBoxLayout(this);
  auto* left = new QVBoxLayout;
  auto* right = new QVBoxLayout;
  layout->addLayout(left, 1);
  layout->addLayout(right, 1);

  left->addWidget(new QLabel(QString::fromUtf8("重合点（点名、源 X 北、源 Y 东、目标 X 北、目标 Y 东，或带列名的表）"), this));
  points_ = new QPlainTextEdit(this);
  points_->setObjectName(Q(model.PointsEdit.Name()));
  points_->setLineWrapMode(QPlainTextEdit::NoWrap);
  left->addWidget(points_, 1);

  auto* settings = new QGroupBox(QString::fromUtf8("模型"), this);
  auto* grid = new QGridLayout(settings);
  int row = 0;
  const auto addPick = [&](const char* label, PickList& pick) {
    auto* box = new QComboBox(settings);
    box->setObjectName(Q(pick.Name()));
    for (const std::string& item : pick.Items()) box->addItem(Q(item));
    grid->addWidget(new QLabel(QString::fromUtf8(label), settings), row, 0);
    grid->addWidget(box, row++, 1);
    picks_.emplace_back(box, &pick);
  };
  const auto addNumber = [&](const char* label, NumberField& field) {
    auto* edit = new NumericEdit(field, settings);
    grid->addWidget(new QLabel(QString::fromUtf8(label), settings), row, 0);
    grid->addWidget(edit, row++, 1);
    numbers_.push_back(edit);
  };
  addPick("转换模型", model.ModelBox);
  addPick("旋转约定", model.ConventionBox);
  addPick("源坐标系", model.SourceBox);
  addPick("目标坐标系", model.TargetBox);
  addPick("分带方法", model.ZoneBox);
  addNumber("中央经线（度）", model.CmEdit);
  addNumber("剔除（倍中误差，0 不剔除）", model.RejectEdit);
  addPick("转换方向", model.DirectionBox);
  left->addWidget(settings);

  auto* buttons = new QGridLayout;
  int b = 0;
  for (auto [button, action] : {std::pair{&model.ReadPointsButton, &TfrmCoordTransform::ReadPoints},
                                std::pair{&model.SolveButton, &TfrmCoordTransform::Solve},
                                std::pair{&model.OpenParamsButton, &TfrmCoordTransform::OpenParams},
                                std::pair{&model.SaveParamsButton, &TfrmCoordTransform::SaveParams},
                                std::pair{&model.ApplyListButton, &TfrmCoordTransform::ApplyToList},
                                std::pair{&model.ApplyLayerButton, &TfrmCoordTransform::ApplyToLayer},
                                std::pair{&model.ApplyPointsButton, &TfrmCoordTransform::ApplyToPointFile}}) {
    auto* push = new QPushButton(Q(button->Caption), this);
    push->setObjectName(Q(button->Name()));
    connect(push, &QPushButton::clicked, this, [this, action] { Act(action); });
    buttons->addWidget(push, b / 4, b % 4);
    ++b;
  }
  auto* close = new QPushButton(Q(model.CloseButton.Caption), this);
  close->setObjectName(Q(model.CloseButton.Name()));
  connect(close, &QPushButton::clicked, this, &QDialog::accept);
  buttons->addWidget(close, b / 4, b % 4);
  left->addLayout(buttons);

  right->addWidget(new QLabel(QString::fromUtf8("参数及其中误差"), this));
  parameters_ = MakeTable({QString::fromUtf8("参数"), QString::fromUtf8("值"), QString::fromUtf8("中误差")},
                          "ParameterTable", this);
  right->addWidget(parameters_, 1);
  right->addWidget(new QLabel(QString::fromUtf8("残差（米）"), this));
  residuals_ = MakeTable({QString::fromUtf8("点名"), QString::fromUtf8("东"), QString::fromUtf8("北"),
                          QString::fromUtf8("平面"), QString::fromUtf8("")},
                         "ResidualTable", this);
  right->addWidget(residuals_, 2);
  summary_ = new QLabel(this);
  summary_->setObjectName(QStringLiteral("Summary"));
  summary_->setWordWrap(true);
  summary_->setTextInteractionFlags(Qt::TextSelectableByMouse);
  right->addWidget(summary_);
  status_ = new QLabel(this);
  status_->setObjectName(QStringLiteral("StatusText"));
  status_->setWordWrap(true);
  right->addWidget(status_);

  for (auto& [box, pick] : picks_) {
    connect(box, &QComboBox::currentIndexChanged, this, [pick = pick](int index) { pick->SetItemIndex(index); });
  }
  Refresh();
}

void CoordTransformDialog::Store() {
  model_.PointsEdit.SetText(points_->toPlainText().toStdString());
  for (NumericEdit* edit : numbers_) edit->Commit();
  for (auto& [box, pick] : picks_) pick->SetItemIndex(box->currentIndex());
}

void CoordTransformDialog::Act(void (TfrmCoordTransform::*action)()) {
  Store();
  (model_.*action)();
  Refresh();
}

void CoordTransformDialog::Refresh() {
  const QString text = Q(model_.PointsEdit.Text());
  if (points_->toPlainText() != text) points_->setPlainText(text);
  for (NumericEdit* edit : numbers_) edit->Refresh();
  for (auto& [box, pick] : picks_) {
    const QSignalBlocker quiet(box);
    box->setCurrentIndex(pick->ItemIndex());
  }
  parameters_->setRowCount(static_cast<int>(model_.ParameterRows.size()));
  for (std::size_t i = 0; i < model_.ParameterRows.size(); ++i) {
    const auto& p = model_.ParameterRows[i];
    const int r = static_cast<int>(i);
    SetCell(parameters_, r, 0, Q(p.name), false);
    SetCell(parameters_, r, 1, Q(p.value));
    SetCell(parameters_, r, 2, Q(p.error));
  }
  residuals_->setRowCount(static_cast<int>(model_.Residuals.size()));
  for (std::size_t i = 0; i < model_.Residuals.size(); ++i) {
    const ResidualRow& v = model_.Residuals[i];
    const int r = static_cast<int>(i);
    SetCell(residuals_, r, 0, Q(v.name), false);
    SetCell(residuals_, r, 1, QString::number(v.east, 'f', 4));
    SetCell(residuals_, r, 2, QString::number(v.north, 'f', 4));
    SetCell(residuals_, r, 3, QString::number(v.plane, 'f', 4));
    SetCell(residuals_, r, 4, v.rejected ? QString::fromUtf8("剔除") : QString(), false);
  }
  parameters_->resizeColumnsToContents();
  residuals_->resizeColumnsToContents();
  summary_->setText(Q(model_.Summary));
  status_->setText(Q(model_.StatusText));
}

}  // namespace karvento::app
