#include "workbench/user_interface.h"

namespace karvento {
namespace {

class QuietProgress : public ProgressReporter {
 public:
  using ProgressReporter::ProgressReporter;

 protected:
  bool Update(std::uint64_t) override { return true; }
};

}  // namespace

std::unique_ptr<ProgressReporter> UserInterface::BeginProgress(std::string_view, std::string_view,
                                                               std::uint64_t total) {
  return std::make_unique<QuietProgress>(total);
}

void UserInterface::SetClipboardText(std::string_view) {}

std::string TFileDialog::CompleteName(std::string_view chosen) const {
  std::string name(chosen);
  if (DefaultExt.empty() || name.empty()) return name;
  const auto slash = name.find_last_of('/');
  const std::string_view last = slash == std::string::npos
                                    ? std::string_view(name)
                                    : std::string_view(name).substr(slash + 1);
  if (last.empty() || last.find('.') != std::string_view::npos) return name;
  name += '.';
  name += DefaultExt;
  return name;
}

bool ExecuteFileDialog(UserInterface& ui, TFileDialog& dialog, std::string& fileName) {
  std::string chosen;
  if (!ui.RunFileDialog(dialog, chosen)) return false;
  dialog.FileName = dialog.CompleteName(chosen);
  fileName = dialog.FileName;
  return true;
}

}  // namespace karvento
