// Writing a file so that it is either complete or not there at all.
//
// The output goes to a temporary file ".name.XXXXXX" in the folder of the
// target and is renamed over the target only after every write and the close
// succeeded; until then an existing target stays exactly as it was. Nothing
// is synced to the device: the rename makes the new file appear whole to
// every reader, which is what an export needs, and a system crash may still
// lose it.
//
// A target that exists and is not a regular file (a device such as /dev/null
// or /dev/full, a pipe) cannot be replaced by a rename; it is opened and
// written in place.
//
// Every failure throws karvento::Error with the text
//   无法写入文件 “<target>”：<the system's reason>
// naming the target the caller asked for, never the temporary file.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace karvento {

// The text of a file failure: 无法写入文件 “fileName”：reason.
std::string FileWriteError(std::string_view fileName, std::string_view reason);

class SafeFile {
 public:
  // Creates the temporary file beside target (or opens a non-regular target).
  // The new file gets the permissions of the file it replaces, or 0666 less
  // the process's umask when there is none.
  explicit SafeFile(std::string target);
  // Removes the temporary file unless Commit succeeded.
  ~SafeFile();
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;

  // Writes all of data (retrying short writes and interrupted calls). There
  // is no buffer here: callers hand over large blocks.
  void Write(std::string_view data);
  // Closes the file; a failure of the close (a delayed write error) throws.
  void Close();
  // Closes if still open, then renames the temporary file over the target.
  void Commit();

  const std::string& target() const { return target_; }
  // The file being written: the temporary file, or the target itself when it
  // is written in place. For writers that open the file by name themselves
  // (after Close).
  const std::string& path() const { return temp_.empty() ? target_ : temp_; }

 private:
  [[noreturn]] void Fail(int err);
  void Discard() noexcept;

  std::string target_;
  std::string temp_;  // empty when the target is written in place
  int fd_ = -1;
  bool committed_ = false;
};

// Commits a pair of finished files, the second first: for a MIF/MID pair the
// MID goes first, so that a MIF that a reader sees always has the MID it
// names beside it. If the second rename fails the first file is already
// replaced; both renames are within one folder and so fail only when the
// folder itself has gone.
void CommitPair(SafeFile& first, SafeFile& second);

}  // namespace karvento
