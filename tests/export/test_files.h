// SPDX-License-Identifier: Apache-2.0
// Helpers of the export tests: a scratch folder per test, whole-file reads,
// running a reader program and capturing what it prints.
#pragma once

#include <string>

namespace karvento::testing {

// A fresh empty folder under the system's temporary folder, removed with
// everything in it when the object goes.
class ScratchDir {
 public:
  ScratchDir();
  ~ScratchDir();
  ScratchDir(const ScratchDir&) = delete;
  ScratchDir& operator=(const ScratchDir&) = delete;
  const std::string& path() const { return path_; }
  std::string File(const std::string& name) const { return path_ + "/" + name; }
  // The names in the folder, sorted, one per line.
  std::string Listing() const;

 private:
  std::string path_;
};

std::string ReadFile(const std::string& name);
void WriteFile(const std::string& name, const std::string& bytes);
bool FileExists(const std::string& name);

// Runs a shell command; returns its standard output and sets *status to its
// exit status.
std::string Run(const std::string& command, int* status);

// Single-quoted for the shell.
std::string Quote(const std::string& text);

}  // namespace karvento::testing
