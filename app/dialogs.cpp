// SPDX-License-Identifier: Apache-2.0
#include "app/dialogs.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QLabel>
#include <QKeyEvent>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTabWidget>

#include "app/fields.h"
#include "app/style.h"

namespace karvento::app {
namespace {

QLabel* AddLabel(QWidget* parent, const char* text, int x, int y, int w = 0,
                 Qt::Alignment align = Qt::AlignLeft | Qt::AlignVCenter) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setAlignment(align);
  if (w == 0) w = label->sizeHint().width();
  label->setGeometry(x, y, w, 21);
  return label;
}

QPushButton* AddButton(QWidget* parent, const Button& model, int x, int y) {
  auto* button = new QPushButton(Q(model.Caption), parent);
  button->setObjectName(Q(model.Name()));
  button->setGeometry(x, y, 75, 25);
  return button;
}

}  // namespace

void MakeFixedDialog(QDialog& dialog, int clientWidth, int clientHeight) {
  dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                        Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint);
  dialog.setFixedSize(clientWidth, clientHeight);
  dialog.setFont(WindowFont());
}

InformationDialog::InformationDialog(TfrmTFInformation& model, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrmTFInformation"));
  MakeFixedDialog(*this, TfrmTFInformation::kClientWidth, TfrmTFInformation::kClientHeight);
  setWindowTitle(Q(model.Caption));

  AddLabel(this, "图幅号", 12, 10);
  number_ = new QLineEdit(Q(model.RzEdit1.Text()), this);
  number_->setObjectName(Q(model.RzEdit1.Name()));
  number_->setGeometry(60, 10, 220, 21);

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("RzPageControl1"));
  tabs_->setGeometry(8, 40, 388, 216);

  auto* geographic = new QWidget;
  tabs_->addTab(geographic, Q(model.TabCaptions[0]));
  const auto place = [&](int n, QWidget* group, int x, int y, int w) {
    auto* edit = new NumericEdit(model.RzNumericEdit(n), group);
    edit->setGeometry(x, y, w, 21);
    fields_[static_cast<std::size_t>(n - 1)] = edit;
  };

  // Two corners, each a row of longitude and a row of latitude (degrees,
  // minutes, seconds).
  const char* cornerCaptions[2] = {"左下角经纬度", "右上角经纬度"};
  for (int corner = 0; corner < 2; ++corner) {
    auto* group = new QGroupBox(QString::fromUtf8(cornerCaptions[corner]), geographic);
    group->setGeometry(8, 6 + corner * 84, 366, 78);
    const char* rows[2] = {"经度", "纬度"};
    for (int row = 0; row < 2; ++row) {
      const int y = 20 + row * 28;
      AddLabel(group, rows[row], 10, y);
      const char* units[3] = {"度", "分", "秒"};
      const int xs[3] = {46, 138, 230};
      const int ws[3] = {70, 70, 100};
      for (int part = 0; part < 3; ++part) {
        place(corner * 6 + row * 3 + part + 1, group, xs[part], y, ws[part]);
        AddLabel(group, units[part], xs[part] + ws[part] + 4, y);
      }
    }
  }

  auto* plane = new QWidget;
  tabs_->addTab(plane, Q(model.TabCaptions[1]));
  int y = 4;
  for (const TfrmTFInformation::Group& g : TfrmTFInformation::kPlaneGroups) {
    auto* group = new QGroupBox(QString::fromUtf8(g.caption), plane);
    group->setGeometry(8, y, 366, 44);
    AddLabel(group, "X", 12, 16);
    place(g.xField, group, 30, 16, 140);
    AddLabel(group, "Y", 194, 16);
    place(g.yField, group, 212, 16, 140);
    y += 46;
  }
  if (model.ShowsScaleConvergence) {
    // A CGCS2000 sheet: scale factor and convergence at its centre.
    auto* projection = new QWidget;
    tabs_->addTab(projection, QStringLiteral("投影"));
    AddLabel(projection, kScaleFactorCaption, 12, 16);
    auto* k = new NumericEdit(model.ScaleFactorEdit, projection);
    k->setGeometry(12, 38, 200, 21);
    AddLabel(projection, kConvergenceCaption, 12, 72);
    auto* gamma = new NumericEdit(model.ConvergenceEdit, projection);
    gamma->setGeometry(12, 94, 200, 21);
    scaleFactor_ = k;
    convergence_ = gamma;
  }
  if (model.ShowsNeighbours) {
    // The 接合图表 as printed on a sheet's margin: the sheet in the middle,
    // its neighbours around it; one is chosen and added to the list.
    auto* page = new QWidget;
    tabs_->addTab(page, QString::fromUtf8(kNeighboursCaption));
    auto* group = new QButtonGroup(page);
    group->setExclusive(true);
    for (std::size_t k = 0; k < 9; ++k) {
      const std::string& number = model.Neighbours[k].MapUnionNo;
      auto* cell = new QPushButton(Q(number), page);
      cell->setObjectName(QStringLiteral("Neighbour%1").arg(k));
      cell->setGeometry(10 + static_cast<int>(k % 3) * 122, 8 + static_cast<int>(k / 3) * 40, 118,
                        36);
      cell->setCheckable(k != 4 && !number.empty());
      cell->setEnabled(!number.empty());
      if (k == 4) {
        QFont bold = cell->font();
        bold.setBold(true);
        cell->setFont(bold);
      }
      group->addButton(cell, static_cast<int>(k));
      neighbours_[k] = cell;
    }
    addNeighbour_ = AddButton(page, model.AddNeighbourButton, 10, 132);
    addNeighbour_->setEnabled(false);
    auto* said = new QLabel(page);
    said->setGeometry(100, 132, 270, 25);
    connect(group, &QButtonGroup::idClicked, addNeighbour_,
            [this](int) { addNeighbour_->setEnabled(true); });
    connect(addNeighbour_, &QPushButton::clicked, this, [&model, group, said] {
      if (group->checkedId() < 0) return;
      model.AddNeighbour(static_cast<std::size_t>(group->checkedId()));
      said->setText(Q(model.AddNeighbourResult));
    });
    QPushButton* frame = AddButton(page, model.MakeFrameButton, 10, 164);
    connect(frame, &QPushButton::clicked, this, [&model, said] {
      model.MakeFrame();
      said->setText(Q(model.MakeFrameResult));
    });
  }
  tabs_->setCurrentIndex(model.ActiveTab);

  QPushButton* back = AddButton(this, model.RzBitBtn1, 316, 264);
  connect(back, &QPushButton::clicked, this, &QDialog::accept);
}

InputPointDialog::InputPointDialog(TfrmInputPoint& model, QWidget* parent) : QDialog(parent) {
  setObjectName(QStringLiteral("TfrmInputPoint"));
  MakeFixedDialog(*this, TfrmInputPoint::kClientWidth, TfrmInputPoint::kClientHeight);
  setWindowTitle(Q(model.Caption));

  const Qt::Alignment right = Qt::AlignRight | Qt::AlignVCenter;
  QLabel* label1 = AddLabel(this, "", 10, 18, 60, right);
  label1->setText(Q(model.RzLabel1.Caption));
  label1->setObjectName(Q(model.RzLabel1.Name()));
  first_ = new NumericEdit(model.RzNumericEdit1, this);
  first_->setGeometry(78, 18, 190, 21);
  QLabel* label2 = AddLabel(this, "", 10, 50, 60, right);
  label2->setText(Q(model.RzLabel2.Caption));
  label2->setObjectName(Q(model.RzLabel2.Name()));
  second_ = new NumericEdit(model.RzNumericEdit2, this);
  second_->setGeometry(78, 50, 190, 21);

  QPushButton* ok = AddButton(this, model.RzBitBtn1, 110, 98);
  QPushButton* cancel = AddButton(this, model.RzBitBtn2, 193, 98);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setTabOrder(first_, second_);
  setTabOrder(second_, ok);
  setTabOrder(ok, cancel);
  first_->setFocus();
}

void InputPointDialog::accept() {
  first_->Commit();
  second_->Commit();
  QDialog::accept();
}

InputStringDialog::InputStringDialog(TfrmInputString& model, QWidget* parent)
    : QDialog(parent), model_(model) {
  setObjectName(QStringLiteral("TfrmInputString"));
  MakeFixedDialog(*this, TfrmInputString::kClientWidth, TfrmInputString::kClientHeight);
  setWindowTitle(Q(model.Caption));

  QLabel* prompt = AddLabel(this, "", 12, 12, 266);
  prompt->setText(Q(model.RzLabel1.Caption));
  prompt->setObjectName(Q(model.RzLabel1.Name()));
  // A dialog of several lines shows about six of them; Enter still means
  // "确定", Shift+Enter starts a new line, and a pasted column keeps its lines.
  const int extra = model.MultiLine ? 84 : 0;
  if (model.MultiLine) {
    setFixedSize(TfrmInputString::kClientWidth, TfrmInputString::kClientHeight + extra);
    lines_ = new QPlainTextEdit(Q(model.RzEdit1.Text()), this);
    lines_->setObjectName(Q(model.RzEdit1.Name()));
    lines_->setGeometry(12, 38, 266, 21 + extra);
    lines_->setTabChangesFocus(true);
    lines_->installEventFilter(this);
  } else {
    edit_ = new QLineEdit(Q(model.RzEdit1.Text()), this);
    edit_->setObjectName(Q(model.RzEdit1.Name()));
    edit_->setGeometry(12, 38, 266, 21);
  }
  QWidget* edit = model.MultiLine ? static_cast<QWidget*>(lines_) : edit_;

  QPushButton* ok = AddButton(this, model.RzBitBtn1, 120, 86 + extra);
  QPushButton* cancel = AddButton(this, model.RzBitBtn2, 203, 86 + extra);
  ok->setDefault(true);
  connect(ok, &QPushButton::clicked, this, &QDialog::accept);
  connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
  setTabOrder(edit, ok);
  setTabOrder(ok, cancel);
  edit->setFocus();
}

bool InputStringDialog::eventFilter(QObject* watched, QEvent* event) {
  if (watched == lines_ && event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    if ((key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter) &&
        !(key->modifiers() & Qt::ShiftModifier)) {
      accept();
      return true;
    }
  }
  return QDialog::eventFilter(watched, event);
}

void InputStringDialog::accept() {
  model_.RzEdit1.SetText(S(lines_ != nullptr ? lines_->toPlainText() : edit_->text()));
  QDialog::accept();
}

}  // namespace karvento::app
