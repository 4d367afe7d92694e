// SPDX-License-Identifier: Apache-2.0
// Exports that cannot be done: each one says so, with the file and the
// reason, writes nothing under the target's name and leaves an existing file
// exactly as it was.
#include <gtest/gtest.h>

#include <sys/stat.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>

#include "numbering/unMapUnRgPub.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::FileExists;
using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

using Writer = std::function<bool(const std::string&, Message*)>;

TStandardMapUnions OneStandard(const std::string& no = "J50") {
  TStandardMapUnion u;
  u.MapUnionNo = no;
  u.Range = {{114, 0, 0}, {36, 0, 0}, {120, 0, 0}, {40, 0, 0}};
  u.PlaneCorners = {TPlanePoint{0, 10}, TPlanePoint{10, 10}, TPlanePoint{10, 0}, TPlanePoint{0, 0}};
  return {{u}};
}

TCustomMapUnions OneCustom(const std::string& no = "1-1") { return {{{no, 0, 0, 500, 500}}}; }

// Every writer, with a table that it can export.
struct Named {
  const char* name;
  const char* ext;
  Writer write;
};
const Named kWriters[] = {
    {"WritePlaneMif", ".mif", [](const std::string& f, Message* r) { return WritePlaneMif(f, OneStandard(), true, 117, r); }},
    {"WriteCustomMif", ".mif", [](const std::string& f, Message* r) { return WriteCustomMif(f, OneCustom(), r); }},
    {"WriteGeoMif", ".mif", [](const std::string& f, Message* r) { return WriteGeoMif(f, OneStandard(), r); }},
    {"ExportStandardMapUnionsToXls", ".xlsx",
     [](const std::string& f, Message* r) {
       return ExportStandardMapUnionsToXls(f, "图幅表（北京54坐标系）", kStandardXlsHeader, OneStandard(), r);
     }},
    {"ExportCustomMapUnionsToXls", ".xlsx",
     [](const std::string& f, Message* r) {
       return ExportCustomMapUnionsToXls(f, "图幅表（独立坐标系）", kCustomXlsHeader, OneCustom(), r);
     }},
};

TEST(ExportFailures, UnwritablePlacesNameTheFileAndTheReason) {
  ScratchDir dir;
  WriteFile(dir.File("plain"), "a file where a folder should be");
  struct Place { std::string folder; std::string reason; } places[] = {
      {dir.File("missing"), std::strerror(ENOENT)},
      {dir.File("plain"), std::strerror(ENOTDIR)},
      {"/sys", std::strerror(EACCES)},  // no file can be created there, not even by root
  };
  for (const auto& w : kWriters) {
    for (const auto& p : places) {
      const std::string target = p.folder + "/sheets" + w.ext;
      Message reason;
      EXPECT_FALSE(w.write(target, &reason)) << w.name << " " << target;
      EXPECT_EQ(reason, "无法写入文件 “" + target + "”：" + p.reason) << w.name;
    }
    EXPECT_FALSE(w.write(dir.File("missing/x") + w.ext, nullptr)) << w.name << " without a reason";
  }
  EXPECT_EQ(dir.Listing(), "plain\n");
}

// Existing files under the target names, and a failure in the middle of each
// export: they must come through byte for byte, and no temporary file stays.
TEST(ExportFailures, ExistingFilesSurviveAFailedExport) {
  const std::string tooLong(40000, 'x');  // more than a cell or a MapInfo field takes
  struct Case {
    const char* what;
    const char* target;
    Writer write;
    const char* reasonStart;
  } cases[] = {
      {"a sheet number without a GBK code, in the MID", "s.mif",
       [](const std::string& f, Message* r) { return WriteGeoMif(f, OneStandard("J50\xF0\x9F\x98\x80"), r); },
       "无法写入文件 “"},
      {"the same for the independent grid", "s.mif",
       [](const std::string& f, Message* r) { return WriteCustomMif(f, OneCustom("\xE5\x9B"), r); },
       "无法写入文件 “"},
      {"an empty plane table", "s.mif",
       [](const std::string& f, Message* r) { return WritePlaneMif(f, {}, true, 117, r); },
       "没有可导出的图幅：请先生成图幅号。"},
      {"a text longer than a cell holds", "s.xlsx",
       [&](const std::string& f, Message* r) {
         return ExportCustomMapUnionsToXls(f, "图幅表（独立坐标系）", kCustomXlsHeader, OneCustom(tooLong), r);
       },
       "无法写入文件 “"},
      {"too many rows", "s.xlsx",
       [](const std::string& f, Message* r) {
         TCustomMapUnions t(2);
         t[0].resize(1'000'000);
         t[1].resize(48'575);
         return ExportCustomMapUnionsToXls(f, "图幅表（独立坐标系）", kCustomXlsHeader, t, r);
       },
       "图幅太多，无法导出到一个工作表"},
  };
  for (const auto& c : cases) {
    ScratchDir dir;
    const std::string target = dir.File(c.target);
    const std::string mid = dir.File("s.mid");
    const std::string oldMain = std::string("old \0 bytes\r\n", 13) + std::string(70000, '\xB7');
    const std::string oldMid = "\"J-50\"\r\n";
    WriteFile(target, oldMain);
    WriteFile(mid, oldMid);
    const std::string before = dir.Listing();
    Message reason;
    EXPECT_FALSE(c.write(target, &reason)) << c.what;
    EXPECT_EQ(reason.Text().rfind(c.reasonStart, 0), 0u) << c.what << ": " << reason;
    EXPECT_EQ(ReadFile(target), oldMain) << c.what;
    EXPECT_EQ(ReadFile(mid), oldMid) << c.what;
    EXPECT_EQ(dir.Listing(), before) << c.what;
  }
}

TEST(ExportFailures, ReasonsInFull) {
  ScratchDir dir;
  TCustomMapUnions tooMany(1);
  tooMany[0].resize(1'048'575);  // one more than 1,048,576 rows less the title and header
  TStandardMapUnions firstColumnEmpty = {{}, OneStandard()[0]};
  struct Case { const char* what; Writer write; std::string reason; } cases[] = {
      {"empty plane table",
       [](const std::string& f, Message* r) { return WritePlaneMif(f, {}, true, 117, r); },
       "没有可导出的图幅：请先生成图幅号。"},
      {"plane table of empty columns",
       [](const std::string& f, Message* r) { return WritePlaneMif(f, {{}, {}, {}}, true, 117, r); },
       "没有可导出的图幅：请先生成图幅号。"},
      {"empty independent grid",
       [](const std::string& f, Message* r) { return WriteCustomMif(f, {}, r); },
       "没有可导出的图幅：请先生成图幅号。"},
      {"no sheet A for the bounds",
       [&](const std::string& f, Message* r) { return WritePlaneMif(f, firstColumnEmpty, true, 117, r); },
       "无法确定 MIF 文件的范围：图幅表的第一组或最后一组没有图幅。"},
      {"MIF name that is its own MID name",
       [&](const std::string& f, Message* r) { return WriteGeoMif(f + ".mid", OneStandard(), r); },
       "无法写入文件 “" + dir.File("x.mif.mid") + "”：MIF 文件与 MID 文件会是同一个文件，请换用扩展名 .mif"},
      {"too many rows for one worksheet",
       [&](const std::string& f, Message* r) {
         return ExportCustomMapUnionsToXls(f, "图幅表（独立坐标系）", kCustomXlsHeader, tooMany, r);
       },
       "图幅太多，无法导出到一个工作表：共 1,048,575 个图幅，一个工作表最多容纳 1,048,574 个。请缩小范围后分批导出。"},
      {"a header of 26 columns",
       [](const std::string& f, Message* r) {
         return ExportCustomMapUnionsToXls(f, "t", "a,b,c,d,e,f,g,h,i,j,k,l,m,n,o,p,q,r,s,t,u,v,w,x,y,z", {}, r);
       },
       "表头须有 1 到 25 列，现在是 26 列。"},
      {"an empty header",
       [](const std::string& f, Message* r) { return ExportCustomMapUnionsToXls(f, "t", "", {}, r); },
       "表头须有 1 到 25 列，现在是 0 列。"},
  };
  for (const auto& c : cases) {
    Message reason;
    EXPECT_FALSE(c.write(dir.File("x.mif"), &reason)) << c.what;
    EXPECT_EQ(reason, c.reason) << c.what;
  }
  EXPECT_EQ(dir.Listing(), "");  // none of them wrote anything
}

// A workbook goes only into a regular file: the library reopens the file by
// name, which for a pipe without a reader would wait for ever. Devices and
// pipes are refused at once, with the file's name, and nothing is created.
TEST(ExportFailures, WorkbooksGoOnlyIntoRegularFiles) {
  ScratchDir dir;
  const std::string fifo = dir.File("pipe.xlsx");
  ASSERT_EQ(::mkfifo(fifo.c_str(), 0644), 0);
  ::alarm(30);  // a wait on the pipe ends the test instead of hanging it
  for (const std::string& target : {std::string("/dev/full"), std::string("/dev/null"), fifo}) {
    Message reason;
    EXPECT_FALSE(ExportCustomMapUnionsToXls(target, "图幅表（独立坐标系）", kCustomXlsHeader, OneCustom(),
                                            &reason));
    EXPECT_EQ(reason, "无法写入文件 “" + target + "”：不是普通文件（设备、管道或终端），工作簿只能写入普通文件");
  }
  ::alarm(0);
  EXPECT_EQ(dir.Listing(), "pipe.xlsx\n");
}

}  // namespace
}  // namespace karvento
