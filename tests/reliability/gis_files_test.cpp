// SPDX-License-Identifier: Apache-2.0
// karvento-cli's GIS files (shp, gpkg, dxf, kml) written where users point
// them: devices, pipes, links, private files, full disks, file-size limits,
// and ends by signal. Each either writes what the name opens, or fails with
// the file and the reason and leaves what was there as it was.
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "bad_files.h"

namespace karvento {
namespace {

using testing::TempDir;

struct Result {
  int status;
  std::string out, err;
};

Result Shell(const TempDir& dir, const std::string& line) {
  std::string errFile = dir.File("");
  errFile.back() = '.';
  errFile += "stderr";  // beside the folder, out of its listings
  FILE* p = popen(("cd '" + dir.File("") + "' && ( " + line + " ) 2>'" + errFile + "'").c_str(), "r");
  Result r{};
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  r.err = TempDir::Read(errFile);
  ::unlink(errFile.c_str());
  return r;
}

const std::string kCli = KARVENTO_CLI;
// 1:5万 sheets of the 2000 system: 4 columns of 3.
const std::string kSheets = kCli + " sheets --from 116,39.5 --to 117,40 --scale 1:5万 --datum 2000 ";
const std::string kPrefix = "karvento-cli sheets: 无法写入文件 “";
const std::string kNotRegular = "”：不是普通文件（设备、管道或终端），";

bool HasMountNamespaces() {
  return std::system("unshare -m true 2>/dev/null") == 0;
}

TEST(CliGisFiles, WhatTheNameOpensIsWrittenOrRefused) {
  TempDir dir;
  // (A KML's folder is named after its file: the references bear the names.)
  ASSERT_EQ(Shell(dir, "mkdir ref && " + kSheets + "--format kml --output ref/pipe.kml && " + kSheets +
                           "--format kml --output ref/图幅.kml && " + kSheets +
                           "--format dxf --output plain.dxf && mkfifo pipe.kml pipe.gpkg && "
                           "printf old > real.gpkg && chmod 600 real.gpkg && ln -s real.gpkg link.gpkg")
                .status,
            0);
  struct Case {
    const char* what;
    std::string line;
    int status;
    std::string out, err;
  } cases[] = {
      {"KML into a named pipe", "timeout 20 cat pipe.kml > got.kml & " + kSheets +
                                    "--format kml --output pipe.kml; wait; cmp got.kml ref/pipe.kml && stat -c %F pipe.kml",
       0, "fifo\n", ""},
      {"a GeoPackage refused on a named pipe, without waiting for a reader",
       "timeout 20 " + kSheets + "--format gpkg --output pipe.gpkg", 1, "",
       kPrefix + "pipe.gpkg" + kNotRegular + "GeoPackage 只能写入普通文件\n"},
      {"DXF through a link to the process's own standard output, a pipe",
       kSheets + "--format dxf --output /proc/self/fd/1 | cmp - plain.dxf && echo same", 0, "same\n", ""},
      // Standard output has no name of its own: its folder is "图幅".
      {"KML to standard output", kSheets + "--format kml --output - | cmp - ref/图幅.kml && echo same", 0,
       "same\n", ""},
      {"a link to a private GeoPackage: written through, still a private link",
       kSheets + "--format gpkg --output link.gpkg && stat -c '%F %a' link.gpkg real.gpkg && ls -A | grep -c gpkg",
       0, "symbolic link 777\nregular file 600\n3\n", ""},
      // 12 frames of four corners: a 100-byte header and 136 bytes a frame.
      {"frames of four corners on request", kSheets + "--format shp --corners-only --output c.shp && stat -c %s c.shp",
       0, "1732\n", ""},
      {"--corners-only of a text format", kSheets + "--format csv --corners-only", 2, "",
       "karvento-cli sheets: --corners-only 只用于 shp、gpkg、dxf 和 kml\n"},
  };
  for (const Case& c : cases) {
    const Result r = Shell(dir, c.line);
    EXPECT_EQ(r.status, c.status) << c.what << "\n" << r.err;
    EXPECT_EQ(r.out, c.out) << c.what;
    EXPECT_EQ(r.err, c.err) << c.what;
  }
  EXPECT_GT(testing::TempDir::Read(dir.File("real.gpkg")).size(), 1000U);

  // A device, in a mount namespace of its own with a /dev of its own, so
  // that a writer that replaced the node could not harm the machine's.
  if (!HasMountNamespaces()) GTEST_SKIP() << "no mount namespace here (needs root)";
  const Result r = Shell(dir, "unshare -m sh -c 'mount -t tmpfs tmpfs /dev && mknod -m 666 /dev/null c 1 3 && "
                              "for f in gpkg shp dxf kml; do " + kSheets +
                              "--format $f --output /dev/null; echo $f $?; done; stat -c %F /dev/null; ls -A /dev'");
  EXPECT_EQ(r.out, "gpkg 1\nshp 1\ndxf 0\nkml 0\ncharacter special file\nnull\n");
  EXPECT_EQ(r.err, kPrefix + "/dev/null" + kNotRegular + "GeoPackage 只能写入普通文件\n" + kPrefix + "/dev/null" +
                       kNotRegular + "Shapefile 只能写入普通文件\n");
}

// A KML write that fails (a full file system, a file-size limit) is a
// failure naming the file and the reason, and the old file stays; so are
// exports ended by a signal, which leave no hidden folder behind, and a
// hidden folder that a killed export left is removed by the next one.
TEST(CliGisFiles, FailuresAndEndsLeaveTheOldFilesAndNoHiddenOnes) {
  TempDir dir;
  const std::string china = kCli + " sheets --from 73,18 --to 135,54 --scale 1:1万 --datum 2000 ";
  ASSERT_EQ(Shell(dir, "mkdir full && printf old > limited.kml").status, 0);
  Result r = Shell(dir, "ulimit -f 1024 && " + china + "--format kml --output limited.kml; echo $?; cat limited.kml; ls -A");
  EXPECT_EQ(r.out, "1\noldfull\nlimited.kml\n");
  EXPECT_EQ(r.err, kPrefix + "limited.kml”：文件过大\n");

  for (const char* sig : {"TERM", "HUP"}) {
    r = Shell(dir, "rm -rf ended && mkdir ended && cd ended && printf old > big.gpkg && (" + china +
                       "--cm 0 --coords geo --format gpkg --output big.gpkg & p=$!; "
                       "for i in $(seq 200); do ls -A | grep -q '^[.]big' && break; sleep 0.05; done; "
                       "sleep 0.5; kill -" + sig + " $p; wait $p; echo $?; cat big.gpkg; ls -A)");
    EXPECT_EQ(r.out, std::string(sig) == "TERM" ? "143\noldbig.gpkg\n" : "129\noldbig.gpkg\n") << sig << r.err;
  }

  // (A process that has ended and been waited for: its id names no process.)
  r = Shell(dir, "rm -rf stale && mkdir stale && cd stale && sh -c 'echo $$' > ../gone && "
                 "mkdir .s.gpkg.$(cat ../gone).AbCdEf && printf x > .s.gpkg.$(cat ../gone).AbCdEf/s.gpkg && " +
                     kSheets + "--format gpkg --output s.gpkg && ls -A");
  EXPECT_EQ(r.out, "s.gpkg\n") << r.err;

  if (!HasMountNamespaces()) GTEST_SKIP() << "no mount namespace here (needs root)";
  // A full file system: every format fails with the system's reason (not
  // what GDAL makes of it: a rollback without a transaction, a "corrupt"
  // file, or nothing).
  for (const char* format : {"kml", "dxf", "gpkg", "shp"}) {
    const struct { const char* format; std::string reason; } c = {format, "设备上没有空间"};
    const std::string f = std::string("full/a.") + c.format;
    r = Shell(dir, "unshare -m sh -c 'mount -t tmpfs -o size=2m tmpfs full && printf old > " + f + " && " + china +
                       "--coords geo --format " + c.format + " --output " + f + "; echo $?; cat " + f + "; ls -A full'");
    EXPECT_EQ(r.out, std::string("1\nolda.") + c.format + "\n") << c.format;
    EXPECT_EQ(r.err, kPrefix + f + "”：" + c.reason + "\n");
  }
}

}  // namespace
}  // namespace karvento
