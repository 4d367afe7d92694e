// SPDX-License-Identifier: Apache-2.0
#include "app/main_window.h"

#include <QAction>
#include <QAbstractSpinBox>
#include <QApplication>
#include <QComboBox>
#include <QBoxLayout>
#include <QGroupBox>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QResizeEvent>
#include <QScreen>
#include <QScrollArea>
#include <QStyle>
#include <QTabWidget>
#include <QToolButton>
#include <array>
#include <iterator>
#include <utility>

#include "app/fields.h"
#include "app/map_window.h"
#include "app/qt_user_interface.h"
#include "app/sheet_list_view.h"
#include "app/style.h"

namespace karvento::app {
namespace {

constexpr int kRowHeight = 21;

QLabel* AddLabel(QWidget* parent, const char* text, int x, int y) {
  auto* label = new QLabel(QString::fromUtf8(text), parent);
  label->setGeometry(x, y, label->sizeHint().width(), kRowHeight);
  return label;
}

QGroupBox* AddGroup(QWidget* parent, const char* caption, int x, int y, int w, int h) {
  auto* group = new QGroupBox(QString::fromUtf8(caption), parent);
  group->setGeometry(x, y, w, h);
  return group;
}

// A label that says when its width changes: the count line and the status
// line fit their text to the width they are given.
class FittingLabel : public QLabel {
 public:
  using QLabel::QLabel;
  std::function<void()> OnResize;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QLabel::resizeEvent(event);
    if (OnResize) OnResize();
  }
};

// A sheet list's group: its toolbar stays where it is, the count line and
// the list take the group's width and the list its height.
class ListGroup : public QGroupBox {
 public:
  using QGroupBox::QGroupBox;
  std::function<void()> OnResize;

 protected:
  void resizeEvent(QResizeEvent* event) override {
    QGroupBox::resizeEvent(event);
    if (OnResize) OnResize();
  }
};

// The parameters of a tab: a block of fixed size, its groups placed as the
// window has always placed them, in a frameless scroll area that scrolls only
// when the window is lower than the block (a small screen, a large scale).
QWidget* AddParameterBlock(QBoxLayout* layout, int w, int h) {
  auto* scroll = new QScrollArea;
  scroll->setFrameShape(QFrame::NoFrame);
  scroll->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
  scroll->setWidgetResizable(false);
  scroll->setFocusPolicy(Qt::NoFocus);
  auto* block = new QWidget;
  block->setFixedSize(w, h);
  scroll->setWidget(block);
  // As wide as the block: a scroll bar, when one is needed, stands over the
  // block's right margin.
  scroll->setFixedWidth(w);
  scroll->setSizePolicy(QSizePolicy::Fixed, QSizePolicy::Expanding);
  scroll->viewport()->setAutoFillBackground(false);
  block->setAutoFillBackground(false);
  layout->addWidget(scroll, 0, Qt::AlignLeft);
  return block;
}

// A magnifying glass; the styles have no picture for "find".
QIcon FindIcon(const QPalette& palette) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing);
  p.setPen(QPen(palette.color(QPalette::WindowText), 2));
  p.drawEllipse(QRectF(2, 2, 8, 8));
  p.setPen(QPen(palette.color(QPalette::WindowText), 3, Qt::SolidLine, Qt::RoundCap));
  p.drawLine(QPointF(10, 10), QPointF(14, 14));
  return QIcon(pixmap);
}

// Four sheets of a grid, one of them filled: the map window.
// A dashed polygon: the area of interest.
QIcon AreaIcon(const QPalette& palette) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setRenderHint(QPainter::Antialiasing, true);
  p.setPen(QPen(QColor(0xc0, 0x00, 0x60), 1.5, Qt::DashLine));
  p.drawPolygon(QPolygonF({QPointF(2, 6), QPointF(8, 2), QPointF(14, 5), QPointF(12, 14),
                           QPointF(4, 13)}));
  p.setPen(QPen(palette.color(QPalette::WindowText), 1));
  p.drawRect(QRect(6, 6, 4, 4));
  return QIcon(pixmap);
}

QIcon MapIcon(const QPalette& palette) {
  QPixmap pixmap(16, 16);
  pixmap.fill(Qt::transparent);
  QPainter p(&pixmap);
  p.setPen(QPen(palette.color(QPalette::WindowText), 1));
  p.fillRect(QRect(8, 2, 6, 6), QColor(0xf5, 0xa6, 0x23));
  p.drawRect(QRect(2, 2, 12, 12));
  p.drawLine(8, 2, 8, 14);
  p.drawLine(2, 8, 14, 8);
  return QIcon(pixmap);
}

// The picture of a toolbar button, chosen by what its hint says it does.
QIcon ToolbarIcon(const std::string& hint, const QWidget& widget) {
  QStyle* style = widget.style();
  if (hint == "删除图幅" || hint == "删除") return style->standardIcon(QStyle::SP_TrashIcon);
  if (hint == "导入经纬度" || hint == "导入坐标") return style->standardIcon(QStyle::SP_ArrowLeft);
  if (hint == "查找") return FindIcon(widget.palette());
  if (hint == "打开") return style->standardIcon(QStyle::SP_DialogOpenButton);
  if (hint == "新建") return style->standardIcon(QStyle::SP_FileIcon);
  return style->standardIcon(QStyle::SP_MessageBoxInformation);  // "信息"
}

}  // namespace

QString CountLabelText(const QFontMetrics& metrics, int width, std::uint64_t count,
                       std::uint64_t checked) {
  const QString n = Q(TfrmCreateMapUnRg::GroupDigits(count));
  const QString m = Q(TfrmCreateMapUnRg::GroupDigits(checked));
  // The full wording, then shorter ones; the numbers are never cut.
  const QString forms[] = {
      QStringLiteral("共 %1 幅，已选 %2 幅").arg(n, m),
      QStringLiteral("%1 幅，选 %2").arg(n, m),
      QStringLiteral("%1/%2").arg(n, m),
  };
  for (const QString& text : forms) {
    if (metrics.horizontalAdvance(text) <= width) return text;
  }
  return forms[2];
}

MainWindow::MainWindow(std::unique_ptr<QtUserInterface> ui)
    : ui_(ui ? std::move(ui) : std::make_unique<QtUserInterface>()) {
  ui_->Attach(this);
  model_ = std::make_unique<TfrmCreateMapUnRg>(*ui_);

  setObjectName(QStringLiteral("frmCreateMapUnRg"));
  // A window of the desktop: it can be resized and maximised; the lists
  // take the room it is given, the parameters keep their size.
  setWindowFlags(Qt::Window);
  setFont(WindowFont());

  tabs_ = new QTabWidget(this);
  tabs_->setObjectName(QStringLiteral("RzPageControl1"));
  auto* outer = new QVBoxLayout(this);
  outer->setContentsMargins(4, 4, 4, 6);
  outer->setSpacing(6);
  outer->addWidget(tabs_, 1);
  // Pages by the model's tab index.
  const char* pageNames[6] = {"TabSheet1", "TabSheet2", "TabSheet3",
                              "TabSheet4", "TabSheet5", "TabSheet6"};
  QWidget* pages[6];
  for (int tab : kShownTabs) {
    pages[tab] = new QWidget;
    pages[tab]->setObjectName(QString::fromLatin1(pageNames[tab]));
    tabs_->addTab(pages[tab], Q(model_->Tabs[static_cast<std::size_t>(tab)].Caption));
  }
  BuildMenus();
  for (GeodeticTab& tab : model_->GeodeticTabs) BuildGeodeticTab(pages[tab.Index], tab);
  BuildCustomTab(pages[kTabCustom]);
  BuildConvertTab(pages[kTabConvert]);
  BuildAboutTab(pages[kTabAbout]);
  BuildBottomRow();
  BuildKeys();

  // The status line takes the free room left of the bottom row's buttons.
  auto* status = new FittingLabel(this);
  status_ = status;
  status_->setTextFormat(Qt::PlainText);
  status_->setMinimumWidth(40);
  status_->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Fixed);
  status_->setFixedHeight(25);
  Register(model_->StatusLine, status_, [this] { ShowStatus(); });
  status->OnResize = [this] { ShowStatus(); };
  auto* bottom = new QHBoxLayout;
  bottom->setContentsMargins(4, 0, 2, 0);
  bottom->setSpacing(10);
  bottom->addWidget(status_, 1);
  for (const Button* b : {&model_->RzBitBtn1, &model_->RzBitBtn2, &model_->RzMenuButton1, &model_->RzBitBtn3}) {
    QWidget* w = ControlWidget(b->Name());
    w->setFixedSize(w->size());
    bottom->addWidget(w);
  }
  outer->addLayout(bottom);

  connect(tabs_, &QTabWidget::currentChanged, this, [this](int index) {
    if (refreshing_) return;
    CommitFocusedEdit();
    model_->SetActiveTab(TabAt(index));
    Refresh();
  });

  Refresh();
  FitToScreen();
  ui_->ApplyPendingFocus();
}

MainWindow::~MainWindow() {
  // The map windows and the list views stop observing the model's lists
  // before the model goes.
  for (auto& [name, window] : mapWindows_) delete window;
  mapWindows_.clear();
  delete tabs_;
  tabs_ = nullptr;
}

QWidget* MainWindow::ControlWidget(std::string_view name) const {
  const auto it = widgets_.find(std::string(name));
  return it == widgets_.end() ? nullptr : it->second;
}

QAction* MainWindow::ControlAction(std::string_view name) const {
  const auto it = actions_.find(std::string(name));
  return it == actions_.end() ? nullptr : it->second;
}

QLabel* MainWindow::CountLabel(std::string_view listName) const {
  const auto it = counts_.find(std::string(listName));
  return it == counts_.end() ? nullptr : it->second;
}

void MainWindow::ShowStatus() {
  // A long message is cut at its end; the whole text is its tooltip.
  const QString text = Q(model_->StatusLine.Caption);
  status_->setText(status_->fontMetrics().elidedText(text, Qt::ElideRight, status_->width()));
  status_->setToolTip(text);
}

SheetListView* MainWindow::ListView(std::string_view name) const {
  return qobject_cast<SheetListView*>(ControlWidget(name));
}

void MainWindow::FitToScreen() {
  // The size the window has always had, or what the screen has room for.
  QSize size(TfrmCreateMapUnRg::kClientWidth, TfrmCreateMapUnRg::kClientHeight);
  if (QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    // Room for the frame and title bar of the window manager.
    size = size.boundedTo(area.size() - QSize(16, 48));
  }
  resize(size);
}

void MainWindow::Centre() {
  if (QScreen* s = screen()) {
    const QRect area = s->availableGeometry();
    const QSize frame = frameGeometry().size();
    move(area.center() - QPoint(frame.width() / 2, frame.height() / 2));
  }
}

void MainWindow::Register(const Control& control, QWidget* widget, std::function<void()> refresh) {
  widget->setObjectName(Q(control.Name()));
  widgets_[control.Name()] = widget;
  refreshers_.push_back(std::move(refresh));
}

int MainWindow::WidgetIndexOf(int tab) {
  for (int i = 0; i < static_cast<int>(std::size(kShownTabs)); ++i) {
    if (kShownTabs[i] == tab) return i;
  }
  return -1;
}

int MainWindow::TabAt(int widgetIndex) {
  if (widgetIndex < 0 || widgetIndex >= static_cast<int>(std::size(kShownTabs))) return -1;
  return kShownTabs[widgetIndex];
}

void MainWindow::Refresh() {
  refreshing_ = true;
  setWindowTitle(Q(model_->Caption));
  for (int i = 0; i < static_cast<int>(model_->Tabs.size()); ++i) {
    const TabSheet& tab = model_->Tabs[static_cast<std::size_t>(TabAt(i))];
    tabs_->setTabText(i, Q(tab.Caption));
    tabs_->setTabVisible(i, tab.TabVisible);
  }
  tabs_->setCurrentIndex(WidgetIndexOf(model_->ActiveTab()));
  for (const auto& refresh : refreshers_) refresh();
  refreshing_ = false;
}

void MainWindow::CommitFocusedEdit() {
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || !isAncestorOf(focus)) focus = focusWidget();
  for (QWidget* w = focus; w != nullptr && w != this; w = w->parentWidget()) {
    if (auto* spin = qobject_cast<SpinEdit*>(w)) {
      spin->Commit();
      return;
    }
    if (auto* number = qobject_cast<NumericEdit*>(w)) {
      number->Commit();
      return;
    }
  }
}

void MainWindow::RunCommand(std::string_view controlName) {
  CommitFocusedEdit();
  model_->Click(controlName);
  Refresh();
}

MapWindow* MainWindow::OpenMapWindow(std::string_view listName) {
  const std::string name(listName);
  MapWindow*& window = mapWindows_[name];
  if (window == nullptr) {
    SheetListView* view = ListView(name);
    if (view == nullptr) {
      mapWindows_.erase(name);
      return nullptr;
    }
    const TabSheet& tab = model_->Tabs[static_cast<std::size_t>(model_->ActiveTab())];
    window = new MapWindow(view->Model(), Q(tab.Caption) + QStringLiteral(" ") + listCaptions_[name], this);
    for (const GeodeticTab& g : model_->GeodeticTabs) {
      if (g.List.Name() != name) continue;
      window->Canvas()->SetOutlineSource([&g] {
        return g.Area ? map::OutlineOf(g.Area->polygons) : std::vector<std::vector<QPointF>>();
      });
    }
  }
  // Opened (or opened again after it was closed) on the main window's
  // screen, beside it where there is room; an open one stays where it is.
  if (!window->isVisible()) {
    if (QScreen* s = screen()) {
      const QRect available = s->availableGeometry();
      window->resize(window->size().boundedTo(available.size() - QSize(16, 48)));
      window->move(MapWindowPosition(available, frameGeometry(), window->frameGeometry().size()));
    }
  }
  window->show();
  window->raise();
  window->activateWindow();
  return window;
}

// ---------------------------------------------------------------------------
// Controls

SpinEdit* MainWindow::AddSpin(QWidget* parent, SpinField& field, int x, int y, int w) {
  auto* spin = new SpinEdit(field, parent);
  spin->setGeometry(x, y, w, kRowHeight);
  spin->OnTyped = [this](SpinEdit& edit, const std::string& text) {
    entryRefused_ = !model_->EnterText(edit.Field(), text);
    // A coordinate fills the other fields of its angle, a refusal the
    // status line.
    if (!refreshing_) Refresh();
  };
  Register(field, spin, [spin] { spin->Refresh(); });
  return spin;
}

QWidget* MainWindow::AddNumber(QWidget* parent, NumberField& field, int x, int y, int w) {
  auto* edit = new NumericEdit(field, parent);
  edit->setGeometry(x, y, w, kRowHeight);
  edit->OnTyped = [this](NumericEdit& e, const std::string& text) {
    entryRefused_ = !model_->EnterText(e.Field(), text);
    if (!refreshing_) Refresh();
  };
  Register(field, edit, [edit] { edit->Refresh(); });
  return edit;
}

QWidget* MainWindow::AddPick(QWidget* parent, PickList& field, int x, int y, int w) {
  auto* combo = new QComboBox(parent);
  combo->setGeometry(x, y, w, kRowHeight);
  combo->setEditable(field.Editable());
  for (const std::string& item : field.Items()) combo->addItem(Q(item));
  connect(combo, &QComboBox::activated, this, [this, &field](int index) {
    if (!refreshing_) field.SetItemIndex(index);
  });
  if (field.Editable()) {
    // Typed text chooses no item: Enter neither adds it as an item nor
    // completes it to one.
    combo->setInsertPolicy(QComboBox::NoInsert);
    combo->setCompleter(nullptr);
    connect(combo->lineEdit(), &QLineEdit::textEdited, this, [this, &field](const QString& text) {
      if (!refreshing_) field.SetText(S(text));
    });
  }
  Register(field, combo, [combo, &field] {
    if (field.ItemIndex() >= 0) {
      if (combo->currentIndex() != field.ItemIndex()) combo->setCurrentIndex(field.ItemIndex());
    } else if (field.Editable()) {
      if (combo->currentText() != Q(field.Text())) combo->setEditText(Q(field.Text()));
    } else {
      combo->setCurrentIndex(-1);
    }
    combo->setEnabled(field.Enabled);
  });
  return combo;
}

QWidget* MainWindow::AddRadio(QWidget* parent, RadioButton& option, int x, int y, int w) {
  auto* radio = new QRadioButton(Q(option.Caption()), parent);
  radio->setGeometry(x, y, w, kRowHeight);
  connect(radio, &QRadioButton::toggled, this, [this, &option](bool checked) {
    if (checked && !refreshing_) RunCommand(option.Name());
  });
  Register(option, radio, [radio, &option] {
    if (option.Checked() && !radio->isChecked()) radio->setChecked(true);
    radio->setEnabled(option.Enabled);
  });
  return radio;
}

QWidget* MainWindow::AddText(QWidget* parent, TextField& field, int x, int y, int w) {
  auto* edit = new QLineEdit(parent);
  edit->setGeometry(x, y, w, kRowHeight);
  connect(edit, &QLineEdit::textEdited, this, [&field](const QString& text) { field.SetText(S(text)); });
  Register(field, edit, [edit, &field] {
    if (edit->text() != Q(field.Text())) edit->setText(Q(field.Text()));
    edit->setEnabled(field.Enabled);
  });
  return edit;
}

QPushButton* MainWindow::AddButton(QWidget* parent, Button& button, int x, int y, int w) {
  auto* push = new QPushButton(parent);
  push->setGeometry(x, y, w, 25);
  connect(push, &QPushButton::clicked, this, [this, &button] { RunCommand(button.Name()); });
  Register(button, push, [push, &button] {
    push->setText(Q(button.Caption));
    if (!button.Hint.empty()) push->setToolTip(Q(button.Hint));
    push->setEnabled(button.Enabled);
    if (push->isHidden() == button.Visible) push->setVisible(button.Visible);
  });
  return push;
}

QAction* MainWindow::AddAction(QMenu* menu, Button& item) {
  QAction* action = menu->addAction(Q(item.Caption));
  action->setObjectName(Q(item.Name()));
  actions_[item.Name()] = action;
  connect(action, &QAction::triggered, this, [this, &item] { RunCommand(item.Name()); });
  refreshers_.push_back([action, &item] {
    action->setText(Q(item.Caption));
    // A greyed item says why in its tooltip.
    action->setToolTip(Q(item.Hint.empty() ? item.Caption : item.Hint));
    action->setEnabled(item.Enabled);
    action->setVisible(item.Visible);
  });
  return action;
}

QGroupBox* MainWindow::AddSheetList(QWidget* parent, const char* caption, SheetList& list,
                                    const std::vector<int>& toolbarButtons) {
  auto* group = new ListGroup(QString::fromUtf8(caption), parent);
  int bx = 6;
  for (int n : toolbarButtons) {
    Button& button = model_->RzToolbarButton(n);
    auto* tool = new QToolButton(group);
    tool->setGeometry(bx, 18, 24, 22);
    tool->setAutoRaise(true);
    tool->setToolButtonStyle(Qt::ToolButtonIconOnly);
    // Reachable with Tab; its hint is its tooltip, and what it does its
    // accessible name (the one button without a hint has a name too).
    tool->setFocusPolicy(Qt::TabFocus);
    const QString text = Q(TfrmCreateMapUnRg::ToolbarButtonText(n));
    tool->setAccessibleName(text);
    tool->setIcon(ToolbarIcon(button.Hint, *tool));
    connect(tool, &QToolButton::clicked, this, [this, &button] { RunCommand(button.Name()); });
    Register(button, tool, [tool, &button] {
      tool->setToolTip(Q(button.Hint));
      tool->setEnabled(button.Enabled);
    });
    bx += 26;
  }
  // The map of the list, after the list's own commands.
  auto* mapTool = new QToolButton(group);
  mapTool->setObjectName(Q(list.Name()) + QStringLiteral("Map"));
  mapTool->setGeometry(bx, 18, 24, 22);
  toolbarEnds_[list.Name()] = bx + 26;
  mapTool->setAutoRaise(true);
  mapTool->setFocusPolicy(Qt::TabFocus);
  mapTool->setIcon(MapIcon(palette()));
  mapTool->setToolTip(QStringLiteral("图幅示意图"));
  mapTool->setAccessibleName(mapTool->toolTip());
  listCaptions_[list.Name()] = QString::fromUtf8(caption);
  connect(mapTool, &QToolButton::clicked, this, [this, &list] { OpenMapWindow(list.Name()); });
  auto* view = new SheetListView(list, group);

  // "共 N 幅，已选 M 幅" on a line of its own between the toolbar and the
  // list, the whole width of the group: the largest counts stay readable.
  auto* count = new FittingLabel(group);
  count->setObjectName(Q(list.Name() + "Count"));
  count->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  counts_[list.Name()] = count;
  const auto showCount = [count, &list] {
    count->setText(CountLabelText(count->fontMetrics(), count->width(), list.Count(),
                                  list.CheckedCount()));
    count->setToolTip(Q(TfrmCreateMapUnRg::CountText(list)));
  };
  showCount();
  count->OnResize = showCount;
  connect(&view->Model(), &SheetListModel::Changed, count, showCount);
  group->OnResize = [group, view, count] {
    const int w = group->width(), h = group->height();
    count->setGeometry(6, 43, w - 12, 15);
    view->setGeometry(6, 60, w - 12, h - 66);
  };
  // Room for the toolbar (and the area tool of a geodetic tab) and a few rows.
  group->setMinimumSize(bx + 26 + 32, 60 + 4 * kListRowHeight + 6);
  group->resize(210, 336);

  connect(view, &SheetListView::FocusedIn, this, [this, &list] { model_->NoteListFocus(list.Name()); });
  view->setContextMenuPolicy(Qt::CustomContextMenu);
  connect(view, &QWidget::customContextMenuRequested, this, [this, view](const QPoint& pos) {
    ShowListMenu(*view, view->viewport()->mapToGlobal(pos));
  });
  if (&list == &model_->RzCheckList4) {
    // A number typed on the source list is added with Enter, as "新建" adds it.
    view->SetTypingNumbers(true);
    connect(view, &SheetListView::NumberTyped, this, [this](const QString& number) {
      model_->AddTypedNumber(S(number));
      Refresh();
    });
    connect(view, &SheetListView::NumbersPasted, this, [this](const QString& text) {
      model_->AddTypedNumber(S(text));
      Refresh();
    });
    connect(view, &SheetListView::TypedNumberChanged, this, [this](const QString& typed) {
      model_->StatusLine.Caption = typed.isEmpty() ? std::string() : "新增图幅号：" + S(typed);
      ShowStatus();
    });
  }
  connect(view, &QAbstractItemView::doubleClicked, this, [this, &list] {
    CommitFocusedEdit();
    model_->DblClick(list.Name());
    Refresh();
  });
  Register(list, view, [view, &list] { view->setEnabled(list.Enabled); });
  return group;
}

// A tab: its parameter block at the left, its lists side by side taking the
// rest of the width, each as much as the other.
static QHBoxLayout* PageLayout(QWidget* page) {
  auto* layout = new QHBoxLayout(page);
  layout->setContentsMargins(0, 0, 6, 4);
  layout->setSpacing(4);
  return layout;
}

static void AddListColumn(QHBoxLayout* layout, QWidget* group) {
  auto* column = new QVBoxLayout;
  column->setContentsMargins(0, 4, 0, 0);
  column->addWidget(group);
  layout->addLayout(column, 1);
}

// ---------------------------------------------------------------------------
// Tabs

void MainWindow::BuildGeodeticTab(QWidget* tabPage, GeodeticTab& tab) {
  QHBoxLayout* layout = PageLayout(tabPage);
  QWidget* page = AddParameterBlock(layout, 384, 344);
  SpinField* corners[2][6];
  for (std::size_t k = 0; k < 12; ++k) corners[k / 6][k % 6] = &tab.Corners[k];
  const char* cornerCaptions[2] = {"左下角经纬度", "右上角经纬度"};
  for (int c = 0; c < 2; ++c) {
    QGroupBox* group = AddGroup(page, cornerCaptions[c], 6, 4 + c * 76, 372, 72);
    const char* rows[2] = {"经度", "纬度"};
    for (int r = 0; r < 2; ++r) {
      const int y = 18 + r * 26;
      AddLabel(group, rows[r], 10, y);
      SpinEdit* degrees = AddSpin(group, *corners[c][r * 3], 44, y, 60);
      AddLabel(group, "度", 108, y);
      AddSpin(group, *corners[c][r * 3 + 1], 128, y, 54);
      AddLabel(group, "分", 186, y);
      AddSpin(group, *corners[c][r * 3 + 2], 206, y, 86);
      AddLabel(group, "秒", 296, y);
      // The longitude-degree field of each corner carries the coordinate tools.
      if (r == 0) {
        degrees->OnContextMenu = [this](SpinEdit& field, const QPoint& pos) {
          ShowCornerMenu(field, pos);
        };
      }
    }
  }

  QGroupBox* zone = AddGroup(page, "所在带数（中央经度）", 6, 156, 372, 50);
  AddLabel(zone, "分带法", 10, 20);
  AddPick(zone, tab.Zone, 52, 20, 110);
  AddLabel(zone, "中央经度", 184, 20);
  AddSpin(zone, tab.Meridian, 238, 20, 70);
  AddLabel(zone, "度", 312, 20);

  QGroupBox* offsets = AddGroup(page, "省略坐标大数", 6, 210, 372, 50);
  AddLabel(offsets, "X", 10, 20);
  AddNumber(offsets, tab.OffsetX, 24, 20, 140);
  AddLabel(offsets, "Y", 190, 20);
  AddNumber(offsets, tab.OffsetY, 204, 20, 140);

  QGroupBox* standard = AddGroup(page, "编号标准", 6, 264, 220, 76);
  AddRadio(standard, tab.NewStandard, 12, 20, 196);
  AddRadio(standard, tab.OldStandard, 12, 46, 196);

  QGroupBox* scale = AddGroup(page, "比例尺", 232, 264, 146, 76);
  AddPick(scale, tab.Scale, 12, 30, 122);

  AddListColumn(layout, AddSheetList(tabPage, "图幅号", tab.List,
                                     std::vector<int>(tab.Toolbar.begin(), tab.Toolbar.end())));

  // The area of interest: 导入范围 and 清除范围 from one tool after the
  // map's, and the line that names the area under the list's rows.
  SheetListView* view = ListView(tab.List.Name());
  auto* areaTool = new QToolButton(view->parentWidget());
  areaTool->setObjectName(Q(tab.List.Name()) + QStringLiteral("Area"));
  areaTool->setGeometry(toolbarEnds_[tab.List.Name()], 18, 24, 22);
  areaTool->setAutoRaise(true);
  areaTool->setFocusPolicy(Qt::TabFocus);
  areaTool->setIcon(AreaIcon(palette()));
  areaTool->setToolTip(Q(tab.ImportArea.Caption));
  areaTool->setAccessibleName(areaTool->toolTip());
  areaTool->setPopupMode(QToolButton::InstantPopup);
  auto* menu = new QMenu(areaTool);
  menu->setObjectName(Q(tab.List.Name()) + QStringLiteral("AreaMenu"));
  AddAction(menu, tab.ImportArea);
  AddAction(menu, tab.ClearArea);
  AddAction(menu, tab.TagLayer);
  areaTool->setMenu(menu);
  view->SetFooter(QString());
  Register(tab.AreaLabel, view->Footer(), [this, view, &tab] {
    const QString text = Q(tab.AreaLabel.Caption);
    const bool changed = view->Footer()->toolTip() != text;
    view->SetFooter(text);
    // An open map of the list shows the new outline.
    const auto map = mapWindows_.find(tab.List.Name());
    if (changed && map != mapWindows_.end() && map->second != nullptr) map->second->Canvas()->Reload();
  });
}

void MainWindow::BuildCustomTab(QWidget* tabPage) {
  TfrmCreateMapUnRg& m = *model_;
  QHBoxLayout* layout = PageLayout(tabPage);
  QWidget* page = AddParameterBlock(layout, 384, 344);
  QGroupBox* range = AddGroup(page, "坐标范围", 6, 4, 372, 76);
  AddLabel(range, "最小X", 10, 18);
  AddNumber(range, m.RzNumericEdit5, 46, 18, 134);
  AddLabel(range, "最小Y", 192, 18);
  AddNumber(range, m.RzNumericEdit6, 228, 18, 134);
  AddLabel(range, "最大X", 10, 46);
  AddNumber(range, m.RzNumericEdit7, 46, 46, 134);
  AddLabel(range, "最大Y", 192, 46);
  AddNumber(range, m.RzNumericEdit8, 228, 46, 134);

  QGroupBox* step = AddGroup(page, "坐标平移", 6, 84, 372, 50);
  AddLabel(step, "X方向", 10, 20);
  AddSpin(step, m.RzSpinEdit28, 50, 20, 100);
  AddLabel(step, "Y方向", 192, 20);
  AddSpin(step, m.RzSpinEdit29, 232, 20, 100);

  QGroupBox* first = AddGroup(page, "起始编号", 6, 138, 372, 50);
  AddLabel(first, "行", 10, 20);
  AddSpin(first, m.RzSpinEdit30, 30, 20, 100);
  AddLabel(first, "列", 192, 20);
  AddSpin(first, m.RzSpinEdit31, 212, 20, 100);

  QGroupBox* format = AddGroup(page, "编号格式", 6, 192, 372, 50);
  AddLabel(format, "格式", 10, 20);
  AddText(format, m.RzEdit1, 40, 20, 318);

  QGroupBox* way = AddGroup(page, "编号方式", 6, 246, 220, 76);
  AddRadio(way, m.RzRadioButton9, 12, 20, 196);
  AddRadio(way, m.RzRadioButton10, 12, 46, 196);

  QGroupBox* scale = AddGroup(page, "比例尺", 232, 246, 146, 76);
  AddSpin(scale, m.RzSpinEdit27, 12, 30, 122);

  AddListColumn(layout, AddSheetList(tabPage, "图幅号", m.RzCheckList3, {9, 3, 8}));
}

void MainWindow::BuildConvertTab(QWidget* tabPage) {
  TfrmCreateMapUnRg& m = *model_;
  QHBoxLayout* layout = PageLayout(tabPage);
  QWidget* page = AddParameterBlock(layout, 240, 344);
  QGroupBox* direction = AddGroup(page, "转换方式", 6, 4, 228, 46);
  AddRadio(direction, m.RzRadioButton5, 12, 18, 100);
  AddRadio(direction, m.RzRadioButton6, 118, 18, 100);

  QGroupBox* system = AddGroup(page, "坐标系", 6, 54, 228, 46);
  AddRadio(system, m.RzRadioButton7, 8, 18, 70);
  AddRadio(system, m.RzRadioButton8, 78, 18, 70);
  AddRadio(system, m.RzRadioButton13, 148, 18, 78);

  QGroupBox* zone = AddGroup(page, "所在带数（中央经度）", 6, 104, 228, 76);
  AddLabel(zone, "分带法", 10, 18);
  AddPick(zone, m.RzComboBox6, 62, 18, 120);
  AddLabel(zone, "中央经度", 10, 46);
  AddSpin(zone, m.RzSpinEdit34, 62, 46, 80);
  AddLabel(zone, "度", 146, 46);

  QGroupBox* offsets = AddGroup(page, "省略坐标大数", 6, 184, 228, 76);
  AddLabel(offsets, "X", 10, 18);
  AddNumber(offsets, m.RzNumericEdit9, 26, 18, 180);
  AddLabel(offsets, "Y", 10, 46);
  AddNumber(offsets, m.RzNumericEdit10, 26, 46, 180);

  QGroupBox* scale = AddGroup(page, "转换后比例尺", 6, 264, 228, 76);
  AddPick(scale, m.RzComboBox5, 12, 30, 122);

  AddListColumn(layout, AddSheetList(tabPage, "原图幅号", m.RzCheckList4, {14, 20, 15, 16, 21}));
  AddListColumn(layout, AddSheetList(tabPage, "目标图幅号", m.RzCheckList5, {18, 19, 17}));
}

void MainWindow::BuildAboutTab(QWidget* page) {
  Label& about = model_->AboutLabel;
  auto* label = new QLabel(Q(about.Caption), page);
  QFont big = WindowFont();
  big.setPixelSize(28);
  big.setBold(true);
  label->setFont(big);
  label->setAlignment(Qt::AlignCenter);
  auto* layout = new QVBoxLayout(page);
  layout->addWidget(label);
  Register(about, label, [label, &about] { label->setText(Q(about.Caption)); });
}

void MainWindow::BuildBottomRow() {
  TfrmCreateMapUnRg& m = *model_;
  AddButton(this, m.RzBitBtn1, 246, 386, 100);
  AddButton(this, m.RzBitBtn2, 356, 386, 76);
  QPushButton* exportButton = AddButton(this, m.RzMenuButton1, 442, 386, 76);
  // The export button opens its menu; it has no command of its own.
  exportButton->setMenu(exportMenu_);
  AddButton(this, m.RzBitBtn3, 528, 386, 76);
}

void MainWindow::BuildMenus() {
  TfrmCreateMapUnRg& m = *model_;
  exportMenu_ = new QMenu(this);
  exportMenu_->setObjectName(QStringLiteral("PopupMenu1"));
  exportMenu_->setToolTipsVisible(true);
  // The export items, and the same items again writing only the checked
  // sheets of the active list: MIF (geographic, plane), XLS, SHP
  // (geographic, plane), GeoPackage, DXF, KML, the map frames as DXF, PDF,
  // and 分幅裁切… (the sheets cut out of the user's data).
  const auto addExports = [this](QMenu* menu, const QString& mifName, const QString& shpName,
                                 std::array<Button*, 11> items) {
    QMenu* mif = menu->addMenu(QStringLiteral("导出MIF文件"));
    mif->setObjectName(mifName);
    AddAction(mif, *items[0]);
    AddAction(mif, *items[1]);
    AddAction(menu, *items[2]);
    QMenu* shp = menu->addMenu(QStringLiteral("导出SHP文件"));
    shp->setObjectName(shpName);
    AddAction(shp, *items[3]);
    AddAction(shp, *items[4]);
    for (std::size_t k = 5; k < items.size(); ++k) AddAction(menu, *items[k]);
    return shp;
  };
  QMenu* shp = addExports(exportMenu_, QStringLiteral("MIF1"), Q(m.ShpMenuItem.Name()),
                          {&m.N1, &m.N2, &m.Excel1, &m.ShpGeoItem, &m.ShpPlaneItem, &m.GpkgMenuItem,
                           &m.DxfMenuItem, &m.KmlMenuItem, &m.FrameDxfItem, &m.FramePdfItem, &m.ClipItem});
  // The SHP submenu's own item stands for the model's "导出SHP文件".
  QAction* shpItem = shp->menuAction();
  shpItem->setObjectName(Q(m.ShpMenuItem.Name()));
  actions_[m.ShpMenuItem.Name()] = shpItem;
  refreshers_.push_back([shpItem, &item = m.ShpMenuItem] {
    shpItem->setText(Q(item.Caption));
    shpItem->setEnabled(item.Enabled);
    shpItem->setVisible(item.Visible);
  });
  exportMenu_->addSeparator();
  QMenu* checked = exportMenu_->addMenu(QString::fromUtf8(kCheckedOnlyCaption));
  checked->setObjectName(QStringLiteral("CheckedOnly1"));
  checked->setToolTipsVisible(true);
  addExports(checked, QStringLiteral("CheckedMif1"), QStringLiteral("CheckedShp1"),
             {&m.N1Checked, &m.N2Checked, &m.Excel1Checked, &m.ShpGeoChecked, &m.ShpPlaneChecked,
              &m.GpkgChecked, &m.DxfChecked, &m.KmlChecked, &m.FrameDxfChecked, &m.FramePdfChecked,
              &m.ClipChecked});

  listMenu_ = new QMenu(this);
  listMenu_->setObjectName(QStringLiteral("PopupMenu3"));
  for (Button* item : {&m.CheckAll1, &m.UncheckAll1, &m.InvertChecks1, &m.CopyNumbers1, &m.UndoDelete1}) {
    AddAction(listMenu_, *item);
  }
  listMenu_->addSeparator();
  AddAction(listMenu_, m.CoordTransform1);

  cornerMenu_ = new QMenu(this);
  cornerMenu_->setObjectName(QStringLiteral("PopupMenu2"));
  AddAction(cornerMenu_, m.N3);
  AddAction(cornerMenu_, m.N4);
}

void MainWindow::BuildKeys() {
  // The window's own keys; a text field that has the focus keeps its own
  // meaning of Ctrl+A, Ctrl+C and Delete, and Delete in a field that takes
  // no typing deletes nothing.
  for (const KeyBinding& binding : kKeyBindings) {
    QAction* action = ControlAction(binding.control);
    if (action == nullptr) {
      auto* button = model_->FindControlAs<Button>(binding.control);
      action = new QAction(Q(button->Caption), this);
      action->setObjectName(Q(button->Name()));
      actions_[button->Name()] = action;
      const std::string name = button->Name();
      connect(action, &QAction::triggered, this, [this, name] {
        QWidget* focus = QApplication::focusWidget();
        const bool inField = qobject_cast<QAbstractSpinBox*>(focus) != nullptr ||
                             qobject_cast<QLineEdit*>(focus) != nullptr ||
                             qobject_cast<QComboBox*>(focus) != nullptr;
        if (!(inField && name == model_->DeleteKey.Name())) RunCommand(name);
      });
    }
    action->setShortcut(QKeySequence(QString::fromLatin1(binding.keys)));
    action->setShortcutContext(Qt::WindowShortcut);
    addAction(action);
  }
}

void MainWindow::keyPressEvent(QKeyEvent* event) {
  if (event->key() != Qt::Key_Return && event->key() != Qt::Key_Enter) {
    QWidget::keyPressEvent(event);
    return;
  }
  // The field with the focus, if it is a parameter of a tab.
  bool parameter = false;
  for (QWidget* w = focusWidget(); w != nullptr && w != this; w = w->parentWidget()) {
    if (qobject_cast<SpinEdit*>(w) || qobject_cast<NumericEdit*>(w) ||
        qobject_cast<QComboBox*>(w) || qobject_cast<QRadioButton*>(w) ||
        (qobject_cast<QLineEdit*>(w) && w->parentWidget() != nullptr &&
         !qobject_cast<QAbstractSpinBox*>(w->parentWidget()) &&
         !qobject_cast<QComboBox*>(w->parentWidget()))) {
      parameter = tabs_->isAncestorOf(w);
      break;
    }
  }
  if (!parameter) {
    QWidget::keyPressEvent(event);
    return;
  }
  event->accept();
  CommitFocusedEdit();
  // A refused coordinate stays in the status line; nothing runs on it.
  if (std::exchange(entryRefused_, false)) return;
  RunCommand(model_->RzBitBtn1.Name());
}

void MainWindow::ShowListMenu(SheetListView& view, const QPoint& globalPos) {
  CommitFocusedEdit();
  view.setFocus(Qt::PopupFocusReason);
  model_->NoteListFocus(view.List().Name());
  listMenu_->exec(globalPos);
}

QMenu* MainWindow::CreateCornerMenu(SpinEdit& field) {
  // Qt's own edit entries (撤销, 剪切, 复制, 粘贴, 全选) stay; the two
  // coordinate tools follow them.
  QMenu* menu = field.StandardMenu();
  menu->setObjectName(cornerMenu_->objectName());
  menu->addSeparator();
  menu->addActions(cornerMenu_->actions());
  return menu;
}

void MainWindow::ShowCornerMenu(SpinEdit& field, const QPoint& globalPos) {
  field.setFocus(Qt::PopupFocusReason);
  // The menu's commands write the corner of the field it was opened on.
  ui_->SetContextField(field.Field().Name());
  std::unique_ptr<QMenu> menu(CreateCornerMenu(field));
  menu->exec(globalPos);
  ui_->SetContextField({});
}

}  // namespace karvento::app
