// SPDX-License-Identifier: Apache-2.0
#include "app/sheet_list_view.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QKeySequence>
#include <QLabel>
#include <QPainter>
#include <QStyle>

#include "app/style.h"

namespace karvento::app {

SheetListModel::SheetListModel(SheetList& list, QObject* parent)
    : QAbstractListModel(parent), list_(list), rows_(static_cast<int>(list.Count())) {
  list_.SetObserver(this);
}

SheetListModel::~SheetListModel() { list_.SetObserver(nullptr); }

int SheetListModel::rowCount(const QModelIndex& parent) const {
  return parent.isValid() ? 0 : rows_;
}

QVariant SheetListModel::data(const QModelIndex& index, int role) const {
  if (!index.isValid() || index.row() >= rows_) return {};
  const auto row = static_cast<std::size_t>(index.row());
  switch (role) {
    case Qt::DisplayRole:
    case Qt::ToolTipRole:
      return Q(list_.Text(row));
    case Qt::CheckStateRole:
      return list_.Checked(row) ? Qt::Checked : Qt::Unchecked;
    default:
      return {};
  }
}

bool SheetListModel::setData(const QModelIndex& index, const QVariant& value, int role) {
  if (!index.isValid() || index.row() >= rows_ || role != Qt::CheckStateRole) return false;
  // The list reports the change back through ListChanged.
  list_.SetChecked(static_cast<std::size_t>(index.row()),
                   value.value<Qt::CheckState>() == Qt::Checked);
  return true;
}

Qt::ItemFlags SheetListModel::flags(const QModelIndex& index) const {
  if (!index.isValid()) return Qt::NoItemFlags;
  return Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemIsUserCheckable |
         Qt::ItemNeverHasChildren;
}

void SheetListModel::ListChanged(const SheetList&, ListChange change, std::size_t first,
                                 std::size_t) {
  const int count = static_cast<int>(list_.Count());
  switch (change) {
    case ListChange::Appended:
      if (count > rows_) {
        beginInsertRows(QModelIndex(), rows_, count - 1);
        rows_ = count;
        endInsertRows();
        break;
      }
      [[fallthrough]];
    case ListChange::Reset:
    case ListChange::Removed:
      // Removed rows need not be contiguous; the view asks again for what
      // it shows, which for a million rows is still only a screenful.
      {
        const int current = list_.ItemIndex();
        beginResetModel();
        rows_ = count;
        endResetModel();
        // A refill chooses its own current row (the first); who rebuilds
        // from the list on a reset finds it there.
        if (change == ListChange::Reset) {
          emit Refilled();
        } else {
          emit CurrentRowChanged(current);
        }
      }
      break;
    case ListChange::CheckChanged: {
      const QModelIndex i = index(static_cast<int>(first));
      emit dataChanged(i, i, {Qt::CheckStateRole});
      break;
    }
    case ListChange::ChecksChanged:
      if (rows_ > 0) emit dataChanged(index(0), index(rows_ - 1), {Qt::CheckStateRole});
      break;
    case ListChange::CurrentChanged:
      emit CurrentRowChanged(list_.ItemIndex());
      break;
  }
  emit Changed();
}

void SheetRowDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                             const QModelIndex& index) const {
  QStyleOptionViewItem opt = option;
  initStyleOption(&opt, index);
  const QWidget* widget = option.widget;
  QStyle* style = widget != nullptr ? widget->style() : QApplication::style();

  const QRect check = style->subElementRect(QStyle::SE_ItemViewItemCheckIndicator, &opt, widget);
  QRect text = opt.rect;
  text.setLeft(check.right() + 3);

  const bool focused = (option.state & QStyle::State_HasFocus) != 0;
  const RowPaint rowPaint = RzListBoxDrawItem(index.row(), focused);
  painter->save();
  painter->fillRect(opt.rect, opt.palette.color(QPalette::Base));
  painter->fillRect(text, ResolveColor(rowPaint.fill, opt.palette));

  QStyleOptionViewItem box = opt;
  box.rect = check;
  box.state &= ~QStyle::State_HasFocus;
  box.state |= opt.checkState == Qt::Checked ? QStyle::State_On : QStyle::State_Off;
  style->drawPrimitive(QStyle::PE_IndicatorItemViewItemCheck, &box, painter, widget);

  painter->setFont(opt.font);
  painter->setPen(ResolveColor(rowPaint.text, opt.palette));
  const QFontMetrics metrics(opt.font);
  painter->setClipRect(text);
  painter->drawText(QPoint(text.left() + rowPaint.textDx, text.top() + rowPaint.textDy + metrics.ascent()),
                    opt.text);
  painter->restore();
}

QSize SheetRowDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
  QSize size = QStyledItemDelegate::sizeHint(option, index);
  size.setHeight(kListRowHeight);
  return size;
}

SheetListView::SheetListView(SheetList& list, QWidget* parent)
    : QListView(parent), model_(new SheetListModel(list, this)) {
  setObjectName(Q(list.Name()));
  setModel(model_);
  setItemDelegate(new SheetRowDelegate(this));
  setUniformItemSizes(true);
  setSelectionMode(QAbstractItemView::SingleSelection);
  setEditTriggers(QAbstractItemView::NoEditTriggers);
  setVerticalScrollMode(QAbstractItemView::ScrollPerItem);
  setLayoutMode(QListView::SinglePass);

  connect(selectionModel(), &QItemSelectionModel::currentChanged, this,
          [this](const QModelIndex& current) {
            List().SetItemIndex(current.isValid() ? current.row() : -1);
          });
  // A reset keeps the scroll position of the old rows.
  const auto follow = [this](int row) {
    const QModelIndex wanted = row >= 0 ? model_->index(row) : QModelIndex();
    if (wanted == currentIndex()) return;
    if (wanted.isValid()) {
      setCurrentIndex(wanted);
      scrollTo(wanted);
    } else {
      selectionModel()->clearCurrentIndex();
      clearSelection();
    }
  };
  connect(model_, &SheetListModel::CurrentRowChanged, this, follow);
  // A reset keeps the scroll position of the old rows: a refilled list
  // starts at its top.
  connect(model_, &SheetListModel::Refilled, this, [this, follow] {
    scrollToTop();
    follow(List().ItemIndex());
  });
}

}  // namespace karvento::app

namespace karvento::app {

void SheetListView::focusInEvent(QFocusEvent* event) {
  QListView::focusInEvent(event);
  emit FocusedIn();
}

void SheetListView::keyPressEvent(QKeyEvent* event) {
  if (!typingNumbers_) {
    QListView::keyPressEvent(event);
    return;
  }
  // Pasted numbers go where typed ones go, each line one number.
  if (event->matches(QKeySequence::Paste)) {
    const QString pasted = QGuiApplication::clipboard()->text();
    if (!pasted.isEmpty()) emit NumbersPasted(pasted);
    event->accept();
    return;
  }
  const int key = event->key();
  const QString text = event->text();
  const bool plain = (event->modifiers() & ~(Qt::ShiftModifier | Qt::KeypadModifier)) == 0;
  if ((key == Qt::Key_Return || key == Qt::Key_Enter) && !typed_.isEmpty()) {
    const QString number = typed_;
    typed_.clear();
    emit TypedNumberChanged(typed_);
    emit NumberTyped(number);
    event->accept();
  } else if (key == Qt::Key_Backspace && !typed_.isEmpty()) {
    typed_.chop(1);
    emit TypedNumberChanged(typed_);
    event->accept();
  } else if (key == Qt::Key_Escape && !typed_.isEmpty()) {
    typed_.clear();
    emit TypedNumberChanged(typed_);
    event->accept();
  } else if (plain && text.size() == 1 && text.at(0).isPrint() && !text.at(0).isSpace()) {
    typed_ += text;
    emit TypedNumberChanged(typed_);
    event->accept();
  } else {
    QListView::keyPressEvent(event);
  }
}

void SheetListView::SetFooter(const QString& text) {
  if (footer_ == nullptr) {
    footer_ = new QLabel(this);
    footer_->setObjectName(objectName() + QStringLiteral("Footer"));
    footer_->setAutoFillBackground(true);
    footer_->setIndent(4);
    footer_->hide();
  } else if (footer_->toolTip() == text) {
    return;
  }
  footer_->setToolTip(text);
  setViewportMargins(0, 0, 0, text.isEmpty() ? 0 : fontMetrics().height() + 4);
  PlaceFooter();
  footer_->setVisible(!text.isEmpty());
}

void SheetListView::PlaceFooter() {
  if (footer_ == nullptr) return;
  // Under the rows and beside the scroll bar, whichever of them shows.
  const QRect rows = viewport()->geometry();
  const int line = fontMetrics().height() + 4;
  footer_->setGeometry(rows.left(), rows.bottom() + 1, rows.width(), line);
  // A long file name keeps its end, where the file's own name is.
  footer_->setText(fontMetrics().elidedText(footer_->toolTip(), Qt::ElideMiddle, rows.width() - 8));
}

void SheetListView::updateGeometries() {
  QListView::updateGeometries();
  PlaceFooter();
}

}  // namespace karvento::app
