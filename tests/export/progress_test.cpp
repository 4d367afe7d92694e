// SPDX-License-Identifier: Apache-2.0
// The writers' progress: every writer reports its records from 0 up to the
// table's total, in steps of at most a few thousand, and a cancel at any
// report ends it with kExportCancelled, no file under the target's name and
// no temporary file left in the folder.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "numbering/unMapUnRgPub.h"
#include "test_files.h"

namespace karvento {
namespace {

using testing::ReadFile;
using testing::ScratchDir;
using testing::WriteFile;

// A table of columns × rows sheets of made-up corners.
TStandardMapUnions Standard(int columns, int rows) {
  TStandardMapUnions t(static_cast<std::size_t>(columns));
  for (int c = 0; c < columns; ++c) {
    for (int r = 0; r < rows; ++r) {
      TStandardMapUnion u;
      u.MapUnionNo = "S" + std::to_string(c) + "-" + std::to_string(r);
      u.Range = {{100.0 + c, 0, 0}, {30.0 - r, 0, 0}, {101.0 + c, 0, 0}, {31.0 - r, 0, 0}};
      u.PlaneCorners = {TPlanePoint{1.0 * c, 1.0 - r}, TPlanePoint{1.0 + c, 1.0 - r},
                        TPlanePoint{1.0 + c, -1.0 * r}, TPlanePoint{1.0 * c, -1.0 * r}};
      t[static_cast<std::size_t>(c)].push_back(u);
    }
  }
  return t;
}

TCustomMapUnions Custom(int rows, int columns) {
  TCustomMapUnions t(static_cast<std::size_t>(rows));
  for (int r = 0; r < rows; ++r) {
    for (int c = 0; c < columns; ++c) {
      t[static_cast<std::size_t>(r)].push_back({std::to_string(r) + "-" + std::to_string(c),
                                                500.0 * c, 500.0 * r, 500.0 * c + 500,
                                                500.0 * r + 500});
    }
  }
  return t;
}

using Writer = std::function<bool(const std::string&, Message*, const ExportProgress&)>;
struct Named {
  const char* name;
  const char* file;
  std::uint64_t records;
  Writer write;
};

const TStandardMapUnions kStandard = Standard(30, 200);  // 6,000 records
const TCustomMapUnions kCustom = Custom(50, 90);         // 4,500 records

const std::vector<Named> kWriters = {
    {"WritePlaneMif", "t.mif", 6000,
     [](const std::string& f, Message* r, const ExportProgress& p) {
       return WritePlaneMif(f, kStandard, true, 117, r, p);
     }},
    {"WriteGeoMif", "t.mif", 6000,
     [](const std::string& f, Message* r, const ExportProgress& p) {
       return WriteGeoMif(f, kStandard, r, p);
     }},
    {"WriteCustomMif", "t.mif", 4500,
     [](const std::string& f, Message* r, const ExportProgress& p) {
       return WriteCustomMif(f, kCustom, r, p);
     }},
    {"ExportStandardMapUnionsToXls", "t.xlsx", 6000,
     [](const std::string& f, Message* r, const ExportProgress& p) {
       return ExportStandardMapUnionsToXls(f, kXlsTitle54, kStandardXlsHeader, kStandard, r, p);
     }},
    {"ExportCustomMapUnionsToXls", "t.xlsx", 4500,
     [](const std::string& f, Message* r, const ExportProgress& p) {
       return ExportCustomMapUnionsToXls(f, kXlsTitleCustom, kCustomXlsHeader, kCustom, r, p);
     }},
};

TEST(ExportProgressReports, FromNothingUpToTheTotalInSmallSteps) {
  for (const Named& w : kWriters) {
    SCOPED_TRACE(w.name);
    ScratchDir dir;
    std::vector<std::uint64_t> done;
    const bool ok = w.write(dir.File(w.file), nullptr, [&](std::uint64_t d, std::uint64_t total) {
      EXPECT_EQ(total, w.records);
      done.push_back(d);
      return true;
    });
    ASSERT_TRUE(ok);
    ASSERT_GE(done.size(), 2u);
    EXPECT_EQ(done.front(), 0u);
    EXPECT_EQ(done.back(), w.records);
    for (std::size_t k = 1; k < done.size(); ++k) {
      EXPECT_GE(done[k], done[k - 1]);
      EXPECT_LE(done[k] - done[k - 1], 1024u);
    }
    // The same bytes as without a progress (a workbook carries the time it
    // was made, so only the MIF files compare).
    if (std::string(w.file) == "t.mif") {
      const std::string mif = ReadFile(dir.File("t.mif"));
      const std::string mid = ReadFile(dir.File("t.mid"));
      ASSERT_TRUE(w.write(dir.File(w.file), nullptr, {}));
      EXPECT_EQ(ReadFile(dir.File("t.mif")), mif);
      EXPECT_EQ(ReadFile(dir.File("t.mid")), mid);
    }
  }
}

TEST(ExportProgressReports, ACancelAtAnyReportLeavesTheFolderAsItWas) {
  for (const Named& w : kWriters) {
    // At the first report, at one among the records, at the first one at
    // the total (after the last record, before the files are complete).
    struct When {
      const char* what;
      std::function<bool(std::size_t report, std::uint64_t done)> cancel;
    };
    const std::uint64_t total = w.records;
    for (const When& when :
         std::vector<When>{{"first", [](std::size_t report, std::uint64_t) { return report == 1; }},
                           {"third", [](std::size_t report, std::uint64_t) { return report == 3; }},
                           {"at the total",
                            [total](std::size_t, std::uint64_t done) { return done == total; }}}) {
      SCOPED_TRACE(std::string(w.name) + ", cancelled at the " + when.what + " report");
      ScratchDir dir;
      WriteFile(dir.File(w.file), "old");
      if (std::string(w.file) == "t.mif") WriteFile(dir.File("t.mid"), "old mid");
      const std::string listing = dir.Listing();
      std::size_t reports = 0;
      Message reason;
      bool cancelled = false;
      const bool ok = w.write(dir.File(w.file), &reason, [&](std::uint64_t done, std::uint64_t) {
        EXPECT_FALSE(cancelled) << "a cancelled writer asks no more";
        cancelled = when.cancel(++reports, done);
        return !cancelled;
      });
      EXPECT_FALSE(ok);
      EXPECT_TRUE(cancelled);
      EXPECT_EQ(reason, "导出已取消。");
      EXPECT_EQ(ReadFile(dir.File(w.file)), "old");
      EXPECT_EQ(dir.Listing(), listing);
    }
  }
}

}  // namespace
}  // namespace karvento
