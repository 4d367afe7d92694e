// SPDX-License-Identifier: Apache-2.0
// Exports and Save to places where no file can be written, through the
// window with the scripted user: each shows one error box naming the file
// and the system's reason, changes nothing in the window, and leaves any
// file already under the target's name exactly as it was.
#include <gtest/gtest.h>
#include <sys/resource.h>

#include <algorithm>
#include <csignal>
#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

#include "bad_files.h"
#include "workbench/user_texts.h"

namespace karvento {
namespace {

using testing::Session;
using testing::TempDir;
using testing::WindowState;

struct Command {
  int tab;
  const char* item;
  const char* ext;
  const char* caption;
};
const Command kCommands[] = {
    {0, "N1", ".mif", kErrorCaption},   {0, "N2", ".mif", kErrorCaption},
    {0, "Excel1", ".xlsx", kErrorCaption}, {2, "N2", ".mif", kErrorCaption},
    {2, "Excel1", ".xlsx", kErrorCaption}, {3, "N1", ".mif", kErrorCaption},
    {3, "N2", ".mif", kErrorCaption},   {3, "Excel1", ".xlsx", kErrorCaption},
    {0, "RzBitBtn2", ".txt", kErrorCaption}, {1, "RzBitBtn2", ".txt", kErrorCaption},
    {0, "SHP2", ".shp", kErrorCaption},    {0, "GPKG1", ".gpkg", kErrorCaption},
    {0, "DXF1", ".dxf", kErrorCaption},
};

std::string Listing(const std::string& folder) {
  std::vector<std::string> names;
  for (const auto& e : std::filesystem::directory_iterator(folder)) {
    names.push_back(e.path().filename().string());
  }
  std::sort(names.begin(), names.end());
  std::string listing;
  for (const auto& n : names) listing += n + "\n";
  return listing;
}

TEST(FailedExports, UnwritablePlacesAreReportedAndChangeNothing) {
  TempDir dir;
  dir.Write("plain", "a file where a folder should be");
  struct Place {
    const char* what;
    std::string folder;  // "full": a link to /dev/full in the test's folder
    int err;
  } places[] = {
      {"a folder that does not exist", dir.File("missing"), ENOENT},
      {"a file in place of the folder", dir.File("plain"), ENOTDIR},
      {"/sys, where not even root creates a file", "/sys", EACCES},
      {"/proc, the same", "/proc", ENOENT},
      // The save dialog adds the extension to a name without one, so the
      // device is reached through a link that has one.
      {"a full disk", "full", ENOSPC},
  };
  for (const Place& p : places) {
    for (const Command& c : kCommands) {
      const bool full = p.folder == "full";
      const std::string target = full ? dir.File(std::string("full") + c.ext) : p.folder + "/sheets" + c.ext;
      if (full && !std::filesystem::exists(target)) std::filesystem::create_symlink("/dev/full", target);
      Session s;
      s.frm.SetActiveTab(c.tab);
      const WindowState before = testing::StateOf(s.frm);
      s.ui.fileNames.push_back(target);
      s.frm.Click(c.item);
      const std::string what = std::string(p.what) + ", " + c.item + " on tab " + std::to_string(c.tab);
      ASSERT_EQ(s.ui.messages.size(), 1u) << what;
      const auto& m = s.ui.messages[0];
      EXPECT_EQ(m.caption, c.caption) << what;
      EXPECT_EQ(m.icon, MessageIcon::Error) << what;
      EXPECT_EQ(m.text.rfind("无法写入文件 “" + target + "”：", 0), 0u) << what << ": " << m.text;
      // A workbook, a MIF (whose MID has no place beside a device), a
      // Shapefile and a GeoPackage are refused on a device before anything
      // is written; a drawing is written into it. The system's reasons are
      // shown in Chinese.
      const std::string ext = c.ext;
      std::string reason = UserFacingText(std::strerror(p.err));
      if (full && ext == ".xlsx") reason = "不是普通文件（设备、管道或终端），工作簿只能写入普通文件";
      if (full && ext == ".mif") reason = "不是普通文件（设备、管道或终端），MIF 只能写入普通文件";
      if (full && ext == ".shp") reason = "不是普通文件（设备、管道或终端），Shapefile 只能写入普通文件";
      if (full && ext == ".gpkg") reason = "不是普通文件（设备、管道或终端），GeoPackage 只能写入普通文件";
      EXPECT_NE(m.text.find(reason), std::string::npos) << what << ": " << m.text;
      const WindowState after = testing::StateOf(s.frm);
      EXPECT_EQ(before, after) << what << "\n" << testing::Difference(before, after);
    }
  }
  // Nothing was made: not the MID beside a MIF on the full device, no
  // temporary file.
  EXPECT_EQ(Listing(dir.File("")), "full.dxf\nfull.gpkg\nfull.mif\nfull.shp\nfull.txt\nfull.xlsx\nplain\n");
}

// A limit on the size of files that this process may write makes every
// write past it fail with EFBIG, as a full disk would, on an ordinary file
// in an ordinary folder.
class FileSizeLimit {
 public:
  explicit FileSizeLimit(rlim_t bytes) {
    ::getrlimit(RLIMIT_FSIZE, &saved_);
    oldHandler_ = std::signal(SIGXFSZ, SIG_IGN);
    rlimit r = saved_;
    r.rlim_cur = bytes;
    EXPECT_EQ(::setrlimit(RLIMIT_FSIZE, &r), 0);
  }
  ~FileSizeLimit() {
    ::setrlimit(RLIMIT_FSIZE, &saved_);
    std::signal(SIGXFSZ, oldHandler_);
  }
  FileSizeLimit(const FileSizeLimit&) = delete;
  FileSizeLimit& operator=(const FileSizeLimit&) = delete;

 private:
  rlimit saved_{};
  void (*oldHandler_)(int) = nullptr;
};

TEST(FailedExports, ExistingFilesSurviveAWriteThatFailsHalfway) {
  for (const Command& c : kCommands) {
    TempDir dir;
    const std::string target = dir.File(std::string("keep") + c.ext);
    const std::string mid = dir.File("keep.mid");
    const std::string oldTarget = std::string("old \0 content\r\n", 15) + std::string(300, '\xB7');
    const std::string oldMid = "\"J-50\"\r\n";
    dir.Write(std::string("keep") + c.ext, oldTarget);
    dir.Write("keep.mid", oldMid);
    const std::string listing = Listing(dir.File(""));
    Session s;
    s.frm.SetActiveTab(c.tab);
    const WindowState before = testing::StateOf(s.frm);
    s.ui.fileNames.push_back(target);
    {
      const FileSizeLimit limit(32);
      s.frm.Click(c.item);
    }
    const std::string what = std::string(c.item) + " on tab " + std::to_string(c.tab);
    ASSERT_EQ(s.ui.messages.size(), 1u) << what;
    const std::string& text = s.ui.messages[0].text;
    const bool namesTarget = text.rfind("无法写入文件 “" + target + "”：", 0) == 0;
    const bool namesMid = text.rfind("无法写入文件 “" + mid + "”：", 0) == 0;
    EXPECT_TRUE(namesTarget || (namesMid && std::string(c.ext) == ".mif")) << what << ": " << text;
    // (SQLite, under a GeoPackage, says what it makes of the failed write.)
    const std::string reason = std::string(c.ext) == ".gpkg" ? "failed: disk I/O error"
                                                             : UserFacingText(std::strerror(EFBIG));
    EXPECT_NE(text.find(reason), std::string::npos) << what << ": " << text;
    EXPECT_EQ(TempDir::Read(target), oldTarget) << what;
    EXPECT_EQ(TempDir::Read(mid), oldMid) << what;
    EXPECT_EQ(Listing(dir.File("")), listing) << what;  // no temporary file stays
    EXPECT_EQ(before, testing::StateOf(s.frm)) << what;
  }
}

}  // namespace
}  // namespace karvento
