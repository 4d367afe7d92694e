// SPDX-License-Identifier: Apache-2.0
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

void UserInterface::ShowCoordTransform(TfrmCoordTransform&) {}

std::unique_ptr<FramePages> UserInterface::BeginFramePages(std::function<void(std::string_view)>) {
  return nullptr;
}

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

namespace {

std::string AsciiLower(std::string_view s) {
  std::string lower(s);
  for (char& c : lower) {
    if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
  }
  return lower;
}

// The last component of a path.
std::string_view LastComponent(std::string_view name) {
  const auto slash = name.find_last_of('/');
  return slash == std::string_view::npos ? name : name.substr(slash + 1);
}

// Whether a file name matches a pattern of a filter: "*" and "*.*" match
// every name, "*.ext" the names that end in ".ext", case aside.
bool MatchesPattern(std::string_view name, std::string_view pattern) {
  while (!pattern.empty() && pattern.front() == ' ') pattern.remove_prefix(1);
  while (!pattern.empty() && pattern.back() == ' ') pattern.remove_suffix(1);
  if (pattern == "*" || pattern == "*.*") return true;
  if (pattern.size() < 2 || pattern.substr(0, 2) != "*.") return false;
  const std::string ending = AsciiLower(pattern.substr(1));
  const std::string lower = AsciiLower(name);
  return lower.size() > ending.size() && lower.ends_with(ending);
}

// Whether the name matches a pattern of the filter: description and pattern
// pairs separated by "|", several patterns of one pair separated by ";".
bool MatchesFilter(std::string_view name, std::string_view filter) {
  bool isPattern = false;
  for (std::size_t start = 0;; isPattern = !isPattern) {
    const std::size_t bar = filter.find('|', start);
    const std::string_view part =
        filter.substr(start, bar == std::string_view::npos ? bar : bar - start);
    if (isPattern) {
      for (std::size_t p = 0;;) {
        const std::size_t semicolon = part.find(';', p);
        if (MatchesPattern(name, part.substr(p, semicolon == std::string_view::npos
                                                    ? semicolon
                                                    : semicolon - p))) {
          return true;
        }
        if (semicolon == std::string_view::npos) break;
        p = semicolon + 1;
      }
    }
    if (bar == std::string_view::npos) return false;
    start = bar + 1;
  }
}

}  // namespace

std::string TFileDialog::InitialName() const {
  const std::string_view last = LastComponent(FileName);
  if (last.empty() || DefaultExt.empty() || MatchesFilter(last, Filter)) return FileName;
  // A leading "." starts a hidden name, not an extension.
  const std::size_t dot = last.find_last_of('.');
  const std::size_t stem = dot == std::string_view::npos || dot == 0 ? last.size() : dot;
  return FileName.substr(0, FileName.size() - last.size() + stem) + "." + DefaultExt;
}

bool ExecuteFileDialog(UserInterface& ui, TFileDialog& dialog, std::string& fileName) {
  dialog.FileName = dialog.InitialName();
  std::string chosen;
  if (!ui.RunFileDialog(dialog, chosen)) return false;
  dialog.FileName = dialog.CompleteName(chosen);
  fileName = dialog.FileName;
  return true;
}

}  // namespace karvento
