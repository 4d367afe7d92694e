// SPDX-License-Identifier: Apache-2.0
// A sheet list of the workbench shown in a Qt list view. The Qt model reads
// the workbench list row by row when the view asks (a list of a million
// sheets costs no widget and no copy), takes check marks and the current row
// from the view into the workbench list, and turns the list's change
// notices into the model/view signals.
#pragma once

#include <QAbstractListModel>
#include <QListView>
#include <QStyledItemDelegate>

#include "workbench/sheet_list.h"

class QLabel;

namespace karvento::app {

class SheetListModel : public QAbstractListModel, private SheetListObserver {
  Q_OBJECT
 public:
  SheetListModel(SheetList& list, QObject* parent);
  ~SheetListModel() override;

  SheetList& List() { return list_; }

  int rowCount(const QModelIndex& parent = QModelIndex()) const override;
  QVariant data(const QModelIndex& index, int role) const override;
  bool setData(const QModelIndex& index, const QVariant& value, int role) override;
  Qt::ItemFlags flags(const QModelIndex& index) const override;

 signals:
  // The workbench list made another row current (-1: none).
  void CurrentRowChanged(int row);
  // Anything of the list changed (rows, checks, current row).
  void Changed();
  // The workbench list was cleared and refilled (its current row is the
  // list's ItemIndex; CurrentRowChanged does not follow).
  void Refilled();

 private:
  void ListChanged(const SheetList& list, ListChange change, std::size_t first,
                   std::size_t count) override;

  SheetList& list_;
  int rows_ = 0;  // the row count the view has been told of
};

// Paints a row as the workbench's row painting says: the fill and text
// colour of RzListBoxDrawItem (hot-track colour for the row with the
// keyboard focus, light grey for even rows, the window colour for odd ones)
// and the sheet number 2 pixels right of and 4 pixels below the corner of
// the row's text rectangle; the check box stands to its left.
class SheetRowDelegate : public QStyledItemDelegate {
  Q_OBJECT
 public:
  using QStyledItemDelegate::QStyledItemDelegate;

  void paint(QPainter* painter, const QStyleOptionViewItem& option,
             const QModelIndex& index) const override;
  QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
};

// The list view of one sheet list, named after it: rows 17 pixels high of
// uniform size, one current row, check boxes, the workbench list's current
// row kept in step with the view's. A refilled list is shown from its top.
class SheetListView : public QListView {
  Q_OBJECT
 public:
  SheetListView(SheetList& list, QWidget* parent);

  SheetListModel& Model() { return *model_; }
  SheetList& List() { return model_->List(); }

  // Lets the user type a sheet number on the list: printable keys collect
  // it, Backspace takes back a character, Escape drops it, Enter hands it on
  // through NumberTyped. Off by default (typing then searches the rows).
  void SetTypingNumbers(bool on) { typingNumbers_ = on; }
  const QString& TypedNumber() const { return typed_; }
  // A line of text under the last row, inside the list's frame (the list
  // keeps its place and size; its rows give up one line); empty: none.
  void SetFooter(const QString& text);
  QLabel* Footer() const { return footer_; }

 signals:
  void FocusedIn();
  void NumberTyped(const QString& number);
  // Ctrl+V on a list that takes typed numbers: the clipboard's text.
  void NumbersPasted(const QString& text);
  void TypedNumberChanged(const QString& typed);

 protected:
  void focusInEvent(QFocusEvent* event) override;
  // The scroll bar came or went: the footer follows the rows' width.
  void updateGeometries() override;
  void keyPressEvent(QKeyEvent* event) override;

 private:
  void PlaceFooter();

  SheetListModel* model_;
  QLabel* footer_ = nullptr;
  bool typingNumbers_ = false;
  QString typed_;
};

}  // namespace karvento::app
