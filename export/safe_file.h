// SPDX-License-Identifier: Apache-2.0
// Writing a file so that it is either complete or not there at all, and so
// that what is written to is what the user named.
//
// The name is followed through symbolic links to the file they lead to (a
// link whose file does not exist yet leads to the file to create), as a
// shell redirect or cp does; the link itself stays.
//
// A regular file is written to a temporary file ".name.XXXXXX" in the folder
// of the file it replaces and renamed over it only after every write and the
// close succeeded; until then an existing file stays exactly as it was. The
// new file keeps the owner, group and permissions of the one it replaces.
// Nothing is synced to the device: the rename makes the new file appear whole
// to every reader, and a system crash may still lose it.
//
// Where a rename cannot keep what the file is, the existing file is written
// in place instead: when it has other names (hard links), when its owner or
// group cannot be given to a new file (another user's file, without the right
// to change owners), and when its folder cannot be written but the file can.
// The output then still goes to a hidden temporary file beside it when the
// folder allows, and is copied into the file only once complete; otherwise it
// is written into the file directly.
//
// An existing file that cannot be written is refused as an open would refuse
// it ("Permission denied" for a read-only file), never replaced.
//
// A target that is not a regular file (a device such as /dev/null or
// /dev/full, a pipe, a terminal) cannot be replaced by a rename; it is opened
// and written in place. /dev/stdout, /dev/fd/N and /proc/self/fd/N are the
// process's own descriptors: they are written through a copy of the
// descriptor, at its position.
//
// A process ended by SIGINT, SIGTERM or SIGHUP removes its temporary files
// first; a file-size limit (SIGXFSZ) fails the write with "File too large"
// instead of ending the process (see PrepareFileSignals).
//
// Every failure throws karvento::Error with the text
//   无法写入文件 “<target>”：<the system's reason>
// naming the target the caller asked for, never the temporary file.
#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <vector>
#include <string>
#include <string_view>

#include "export/text_output.h"  // Sink, FileWriteError

namespace karvento {

// Makes SIGINT, SIGTERM and SIGHUP remove every temporary file of a SafeFile
// that is still being written before the process ends by the signal, and has
// SIGXFSZ ignored so that a write past the file-size limit fails with EFBIG.
// Signals that the process already handles or ignores are left alone. Called
// by every SafeFile; a program that writes elsewhere first may call it at
// start. Safe to call more than once.
void PrepareFileSignals();

// A safe file is a sink: buffered output can go straight into it.
class SafeFile : public Sink {
 public:
  // How the caller writes: through Write, or by handing a path to a library
  // that opens the file by name itself (a whole file, written once).
  enum class Mode { kStream, kByName };

  // Prepares writing target (see above). A target that is not a regular file
  // is refused for kByName with "不是普通文件" (a library reopening a pipe by
  // name would wait for a reader forever).
  explicit SafeFile(std::string target, Mode mode = Mode::kStream);
  // Removes the temporary files unless Commit succeeded.
  ~SafeFile() override;
  SafeFile(const SafeFile&) = delete;
  SafeFile& operator=(const SafeFile&) = delete;

  // Writes all of data (retrying short writes and interrupted calls). There
  // is no buffer here: callers hand over large blocks.
  void Write(std::string_view data) override;
  // Closes the file being written; a failure of the close (a delayed write
  // error) throws.
  void Close();
  // Closes if still open, then puts the file in place: renames it over the
  // target, or copies it into the target written in place.
  void Commit();

  // Puts the finished file staged in place of what was written: a file that
  // a library wrote whole elsewhere (a folder of the caller's, see
  // SafeFileSet). It is renamed over the target, given the target's owner,
  // group and permissions, where the rename would have been made anyway and
  // can keep them; otherwise its bytes are written as Write would and
  // committed. Write must not have been called.
  void CommitFrom(const std::string& staged);

  // A target that does not exist yet is made with the owner, group and
  // permissions of file (when it exists) instead of the creator's: a new
  // companion of a private file is private too.
  void TakeAttributesOf(const std::string& file);

  const std::string& target() const { return target_; }
  // For kByName: the new empty file that the library is to write whole; its
  // folder is where the library may stage its own temporary parts.
  const std::string& path() const { return temp_; }

 private:
  [[noreturn]] void Fail(int err);
  void Discard() noexcept;
  void OpenInPlace(const std::string& name);
  bool CreateTemp(const std::string& folder, const std::string& name, int* err);
  void CopyIntoTarget();

  std::string target_;
  Mode mode_;
  std::string temp_;     // the hidden file written; empty when writing the target itself
  int fd_ = -1;          // what Write writes to: the hidden file or the target
  int targetFd_ = -1;    // in place with a hidden file: the target, copied into at Commit
  int slot_ = -1;        // the signal cleanup's entry of temp_
  bool inPlace_ = false;  // the target itself is written (or copied into)
  bool regular_ = true;   // the target is a regular file (truncated to the length written)
  bool committed_ = false;
  std::uint64_t written_ = 0;
  std::string final_;  // the file the name leads to, the one that is replaced
  // What a file renamed over the target must be given (CommitFrom).
  struct Keep {
    bool valid = false;
    uid_t uid = 0;
    gid_t gid = 0;
    mode_t mode = 0;
    bool sameGroup = false;  // a new file: the creator's own owner and group
  } keep_;
};

// The file that name leads to through symbolic links (name itself when it is
// no link); the file may not exist yet.
std::string FileNameBehind(const std::string& name);

// Whether what name leads to is a regular file, or nothing yet (or nothing
// that can be examined: the writer reports why), and so can be written by a
// library that opens it by name.
bool LeadsToRegularFile(const std::string& name);

// A main file and its companions, written whole by a library that opens them
// by name (GDAL: a Shapefile's .shp with its .shx, .dbf, .prj and .cpg; a
// GeoPackage; a CAD drawing), each under the rules of SafeFile above:
// written through links, owner, group and permissions kept, a read-only
// file refused before anything is written, in place where a rename cannot
// keep what the file is.
//
// The companions are named after the file the main name leads to, in its
// folder: the .dbf of a .shp reached through a link lies beside the real
// .shp, where a reader of that file looks for it.
//
// The library writes the whole set into a hidden folder ".name.<pid>.XXXXXX"
// beside the main file (in the system's temporary folder when that folder
// cannot be written or the main file is no regular file); Commit puts the
// companions in place first and the main file last, so that a reader who sees
// the new main file sees its companions, and removes an old companion that
// the new set does not have (a stale .prj or spatial index). Until Commit
// every old file stays as it was; the folder is removed by the destructor and
// by SIGINT, SIGTERM and SIGHUP (PrepareFileSignals). Hidden files and
// folders of the same name that a process no longer running left behind (one
// ended by SIGKILL) are removed when the next one is prepared.
//
// A main file that is no regular file (a device, a pipe, a terminal, a
// descriptor of the process) is written in place where the format streams
// (streams: the library's file is copied into it at Commit, or written
// through main().Write) and refused otherwise, before anything is opened,
// with "<what> 只能写入普通文件".
class SafeFileSet {
 public:
  SafeFileSet(std::string target, const std::vector<std::string>& companionExtensions, bool streams,
              std::string_view what);
  ~SafeFileSet();
  SafeFileSet(const SafeFileSet&) = delete;
  SafeFileSet& operator=(const SafeFileSet&) = delete;

  const std::string& target() const { return main_->target(); }
  // Where the library writes the main file: in the hidden folder, under the
  // name of the file the target leads to (so that a Shapefile's companions
  // and its layer are named as they will be).
  const std::string& staged() const { return staged_; }
  const std::string& folder() const { return folder_; }
  // The main file, for a caller that writes its bytes itself instead.
  SafeFile& main() { return *main_; }

  // Puts the set in place (see above). Throws Error naming the file that
  // failed and the reason.
  void Commit();

 private:
  std::string folder_;
  std::string staged_;
  int slot_ = -1;
  std::vector<std::string> companionStaged_;
  std::vector<std::unique_ptr<SafeFile>> companions_;
  std::unique_ptr<SafeFile> main_;
};

// Commits a pair of finished files, the second first: for a MIF/MID pair the
// MID goes first, so that a MIF that a reader sees always has the MID it
// names beside it. If the second rename fails the first file is already
// replaced; both renames are within one folder and so fail only when the
// folder itself has gone.
void CommitPair(SafeFile& first, SafeFile& second);

}  // namespace karvento
