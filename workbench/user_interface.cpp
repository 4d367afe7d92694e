#include "workbench/user_interface.h"

namespace karvento {

std::string TFileDialog::CompleteName(std::string_view chosen) const {
  std::string name(chosen);
  if (DefaultExt.empty() || name.empty()) return name;
  const auto slash = name.find_last_of('/');
  const std::string_view last =
      slash == std::string::npos ? std::string_view(name) : std::string_view(name).substr(slash + 1);
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
