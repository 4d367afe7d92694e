// SPDX-License-Identifier: Apache-2.0
#include "app/qt_user_interface.h"

#include "map/frame_paint.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QFileIconProvider>
#include <QMimeDatabase>
#include <QMessageBox>
#include <QProgressDialog>
#include <QStringList>
#include <memory>

#include "app/dialogs.h"
#include "app/transform_dialog.h"
#include "app/main_window.h"
#include "app/style.h"

namespace karvento::app {

QString QtNameFilter(std::string_view filter) {
  const QStringList parts = Q(filter).split(QLatin1Char('|'));
  QStringList filters;
  for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
    QStringList patterns = parts[i + 1].split(QLatin1Char(';'), Qt::SkipEmptyParts);
    for (QString& p : patterns) p = p.trimmed();
    filters << parts[i] + QStringLiteral(" (") + patterns.join(QLatin1Char(' ')) + QLatin1Char(')');
  }
  return filters.join(QStringLiteral(";;"));
}

void QtUserInterface::Attach(MainWindow* window) { window_ = window; }

namespace {

// The kind of a file as the file dialog's type column shows it. The toolkit's
// translations leave the folder and the unknown file in English; the other
// kinds are the MIME database's comments in the program's (Chinese) locale.
class ChineseFileTypes : public QFileIconProvider {
 public:
  QString type(const QFileInfo& info) const override {
    if (info.isRoot()) return QStringLiteral("驱动器");
    if (info.isDir()) return QStringLiteral("文件夹");
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(info);
    if (!mime.isDefault() && !mime.comment().isEmpty()) return mime.comment();
    return info.suffix().isEmpty() ? QStringLiteral("文件")
                                   : info.suffix() + QStringLiteral(" 文件");
  }
};

// A command shorter than this shows no dialog.
constexpr int kProgressDelayMs = 500;
// Time between two repaints of a shown dialog.
constexpr int kProgressIntervalMs = 50;
// The bar counts in thousandths, whatever the total.
constexpr int kProgressSteps = 1000;

class QtProgress : public ProgressReporter {
 public:
  QtProgress(QWidget* parent, std::string_view caption, std::string_view text, std::uint64_t total)
      : ProgressReporter(total),
        dialog_(Q(text), QStringLiteral("取消"), 0, kProgressSteps, parent) {
    dialog_.setObjectName(QStringLiteral("ProgressDialog"));
    dialog_.setWindowTitle(Q(caption));
    dialog_.setFont(WindowFont());
    dialog_.setWindowModality(Qt::WindowModal);
    dialog_.setMinimumDuration(kProgressDelayMs);
    // The dialog stays until the command ends, also at the full count
    // (an export still saves its file then).
    dialog_.setAutoClose(false);
    dialog_.setAutoReset(false);
    dialog_.setValue(0);
    started_.start();
  }

 protected:
  bool Update(std::uint64_t done) override {
    if (!dialog_.isVisible()) {
      if (started_.elapsed() < kProgressDelayMs) return true;
      dialog_.show();
    } else if (lastShown_.isValid() && lastShown_.elapsed() < kProgressIntervalMs) {
      return true;
    }
    lastShown_.start();
    const std::uint64_t total = Total();
    if (done >= total && total > 0) {
      // Every item is done and the command is still finishing: the bar
      // turns into a busy indicator.
      dialog_.setRange(0, 0);
    } else {
      dialog_.setValue(total == 0 ? 0 : static_cast<int>(done * kProgressSteps / total));
    }
    QCoreApplication::processEvents();
    return !dialog_.wasCanceled();
  }

 private:
  QProgressDialog dialog_;
  QElapsedTimer started_;
  QElapsedTimer lastShown_;
};

}  // namespace

namespace {

class PdfFramePages : public FramePages {
 public:
  explicit PdfFramePages(std::function<void(std::string_view)> write) : pdf_(std::move(write)) {}
  void Add(const MapFrame& frame) override { pdf_.Add(frame); }
  void Finish() override { pdf_.Finish(); }

 private:
  map::FramePdf pdf_;
};

}  // namespace

std::unique_ptr<FramePages> QtUserInterface::BeginFramePages(std::function<void(std::string_view)> write) {
  return std::make_unique<PdfFramePages>(std::move(write));
}

std::unique_ptr<ProgressReporter> QtUserInterface::BeginProgress(std::string_view caption,
                                                                 std::string_view text,
                                                                 std::uint64_t total) {
  return std::make_unique<QtProgress>(DialogParent(), caption, text, total);
}

QWidget* QtUserInterface::DialogParent() const {
  QWidget* modal = QApplication::activeModalWidget();
  return modal != nullptr ? modal : window_;
}

MessageResult QtUserInterface::MessageBox(std::string_view caption, std::string_view text,
                                          MessageButtons buttons, MessageIcon icon) {
  QMessageBox::Icon qicon = QMessageBox::Information;
  switch (icon) {
    case MessageIcon::Error:
      qicon = QMessageBox::Critical;
      break;
    case MessageIcon::Question:
      qicon = QMessageBox::Question;
      break;
    case MessageIcon::Information:
      qicon = QMessageBox::Information;
      break;
  }
  const QMessageBox::StandardButtons qbuttons =
      buttons == MessageButtons::YesNo ? QMessageBox::Yes | QMessageBox::No : QMessageBox::Ok;
  QMessageBox box(qicon, Q(caption), Q(text), qbuttons, DialogParent());
  box.setObjectName(QStringLiteral("MessageBox"));
  box.setFont(WindowFont());
  const int answer = box.exec();
  if (buttons == MessageButtons::Ok) return MessageResult::Ok;
  return answer == QMessageBox::Yes ? MessageResult::Yes : MessageResult::No;
}

bool QtUserInterface::RunFileDialog(const TFileDialog& dialog, std::string& chosen) {
  ChineseFileTypes types;
  QFileDialog box(DialogParent());
  box.setIconProvider(&types);
  box.setObjectName(dialog.Kind() == FileDialogKind::Save ? QStringLiteral("SaveDialog1")
                                                          : QStringLiteral("OpenDialog1"));
  box.setAcceptMode(dialog.Kind() == FileDialogKind::Save ? QFileDialog::AcceptSave
                                                          : QFileDialog::AcceptOpen);
  box.setFileMode(dialog.Kind() == FileDialogKind::Save ? QFileDialog::AnyFile
                                                        : QFileDialog::ExistingFile);
  // No command asks before it replaces a file.
  box.setOption(QFileDialog::DontConfirmOverwrite, true);
  box.setNameFilter(QtNameFilter(dialog.Filter));
  box.setDefaultSuffix(Q(dialog.DefaultExt));
  if (!dialog.FileName.empty()) box.selectFile(Q(dialog.FileName));
  if (box.exec() != QDialog::Accepted || box.selectedFiles().isEmpty()) return false;
  chosen = S(box.selectedFiles().constFirst());
  return true;
}

bool QtUserInterface::ShowInputPoint(TfrmInputPoint& dialog) {
  InputPointDialog box(dialog, DialogParent());
  return box.exec() == QDialog::Accepted;
}

bool QtUserInterface::ShowInputString(TfrmInputString& dialog) {
  InputStringDialog box(dialog, DialogParent());
  return box.exec() == QDialog::Accepted;
}

void QtUserInterface::ShowInformation(TfrmTFInformation& dialog) {
  InformationDialog box(dialog, DialogParent());
  box.exec();
}

void QtUserInterface::ShowCoordTransform(TfrmCoordTransform& dialog) {
  CoordTransformDialog box(dialog, DialogParent());
  box.exec();
}

std::string QtUserInterface::FocusedControl() const {
  if (!contextField_.empty()) return contextField_;
  if (window_ == nullptr) return {};
  QWidget* focus = QApplication::focusWidget();
  if (focus == nullptr || !(focus == window_ || window_->isAncestorOf(focus))) {
    focus = window_->focusWidget();
  }
  for (QWidget* w = focus; w != nullptr && w != window_; w = w->parentWidget()) {
    const std::string name = S(w->objectName());
    if (!name.empty() && window_->ControlWidget(name) == w) return name;
  }
  return {};
}

void QtUserInterface::SetFocus(std::string_view controlName) {
  QWidget* w = window_ != nullptr ? window_->ControlWidget(controlName) : nullptr;
  if (w == nullptr) {
    pendingFocus_ = controlName;
    return;
  }
  pendingFocus_.clear();
  w->setFocus(Qt::OtherFocusReason);
}

void QtUserInterface::ApplyPendingFocus() {
  if (!pendingFocus_.empty()) SetFocus(std::string(pendingFocus_));
}

void QtUserInterface::SetClipboardText(std::string_view text) {
  QGuiApplication::clipboard()->setText(Q(text));
}

void QtUserInterface::CloseMainWindow() {
  if (window_ != nullptr) window_->close();
}

}  // namespace karvento::app
