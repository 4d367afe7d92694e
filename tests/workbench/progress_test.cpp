// SPDX-License-Identifier: Apache-2.0
// Long commands show their progress and honour the user's cancel: Open of a
// number list, Convert and the four exports. A cancelled command leaves the
// lists, the tables and the files exactly as they were; a command that is
// not cancelled does what it always did.
#include <gtest/gtest.h>

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "window_fixture.h"

namespace karvento {
namespace {

using testing::FakeUi;
using testing::TempDir;
using testing::WindowTest;

// ---------------------------------------------------------------------------
// How often a reporter passes the command's steps on to the user

class CountingReporter : public ProgressReporter {
 public:
  using ProgressReporter::ProgressReporter;
  std::vector<std::uint64_t> updates;
  std::size_t cancelAt = 0;  // cancel on this update (counted from 1), 0 never

 protected:
  bool Update(std::uint64_t done) override {
    updates.push_back(done);
    return updates.size() != cancelAt;
  }
};

TEST(ProgressReporterStep, AboutAThousandUpdatesWhateverTheTotalAndAlwaysTheLast) {
  struct Case {
    std::uint64_t total;
    std::size_t fewest, most;
  };
  for (const Case& c : std::vector<Case>{{1, 1, 1},
                                         {10, 10, 10},
                                         {999, 999, 999},
                                         {1000, 1000, 1000},
                                         {1001, 501, 1001},
                                         {123457, 900, 1001},
                                         {5000000, 900, 1001}}) {
    CountingReporter r(c.total);
    for (std::uint64_t i = 1; i <= c.total; ++i) ASSERT_TRUE(r.Step(i));
    EXPECT_GE(r.updates.size(), c.fewest) << c.total;
    EXPECT_LE(r.updates.size(), c.most) << c.total;
    ASSERT_FALSE(r.updates.empty());
    EXPECT_EQ(r.updates.back(), c.total);
    EXPECT_EQ(r.Total(), c.total);
    EXPECT_FALSE(r.Cancelled());
  }
}

TEST(ProgressReporterStep, OnceCancelledItStaysCancelledWithoutAskingAgain) {
  CountingReporter r(10);
  r.cancelAt = 3;
  EXPECT_TRUE(r.Step(1));
  EXPECT_TRUE(r.Step(2));
  EXPECT_FALSE(r.Step(3));
  EXPECT_TRUE(r.Cancelled());
  EXPECT_FALSE(r.Step(4));
  EXPECT_FALSE(r.Step(10));
  EXPECT_EQ(r.updates, (std::vector<std::uint64_t>{1, 2, 3}));
}

// ---------------------------------------------------------------------------
// The commands

struct Progress : WindowTest {
  TempDir dir;

  // 1:1万 over 110°–120° E, 30°–40°30′ N on "北京54坐标系": 160 columns of 252
  // sheets, 40,320 sheets, and a 200 × 100 independent grid.
  void GenerateLargeTables() {
    SetCorners(0, {110, 0, 0}, {30, 0, 0}, {120, 0, 0}, {40, 30, 0});
    // One plane for the plane exports: these sheets span three zones.
    frm.RzSpinEdit13.SetValue(117);
    frm.RzComboBox2.SetItemIndex(6);
    frm.RzBitBtn1Click();
    ASSERT_EQ(Records(frm.RzCheckList1).size(), 40320u);
    // 7° from the meridian the legacy series passes a millimetre: a notice.
    ASSERT_EQ(ui.messages.size(), 1u);
    EXPECT_EQ(ui.messages.front().caption, "提示");
    ui.messages.clear();
    frm.SetActiveTab(kTabCustom);
    frm.RzNumericEdit7.SetValue(100000);
    frm.RzNumericEdit8.SetValue(50000);
    frm.RzSpinEdit28.SetValue(500);
    frm.RzSpinEdit29.SetValue(500);
    frm.RzBitBtn1Click();
    ASSERT_EQ(frm.RzCheckList3.Count(), 20000u);
    frm.SetActiveTab(kTabBeijing54);
    ui.progresses.clear();
    ASSERT_TRUE(ui.messages.empty());
  }

  // A number list of n old-standard numbers, with one line that is no
  // number after the first.
  std::string NumberList(int n) {
    std::string text;
    for (int i = 1; i <= n; ++i) {
      text += "J-50-" + std::to_string(i % 144 + 1) + "\r\n";
      if (i == 1) text += "no number\r\n";
    }
    return dir.Write("numbers.txt", text);
  }

  // The one progress shown, finished.
  const FakeUi::ProgressShown& OnlyProgress() {
    EXPECT_EQ(ui.progresses.size(), 1u);
    static const FakeUi::ProgressShown none{};
    if (ui.progresses.empty()) return none;
    const FakeUi::ProgressShown& p = ui.progresses.back();
    EXPECT_EQ(p.caption, "Karvento");
    EXPECT_TRUE(p.ended);
    return p;
  }
};

// The export commands, by tab, with their files.
struct ExportCase {
  const char* control;
  int tab;
  const char* file;
  const char* companion;  // the MID beside a MIF, or nullptr
  std::size_t records;
};

const std::vector<ExportCase> kExports = {
    {"N1", kTabBeijing54, "sheets.mif", "sheets.mid", 40320},
    {"N2", kTabBeijing54, "sheets.mif", "sheets.mid", 40320},
    {"Excel1", kTabBeijing54, "sheets.xlsx", nullptr, 40320},
    {"N2", kTabCustom, "grid.mif", "grid.mid", 20000},
    {"Excel1", kTabCustom, "grid.xlsx", nullptr, 20000},
    {"SHP2", kTabBeijing54, "sheets.shp", "sheets.dbf", 40320},
    {"GPKG1", kTabCustom, "grid.gpkg", nullptr, 20000},
    {"DXF1", kTabCustom, "grid.dxf", nullptr, 20000},
};

TEST_F(Progress, AnExportShowsItsRecordsUpToTheTotalAndWritesItsFiles) {
  GenerateLargeTables();
  for (const ExportCase& c : kExports) {
    SCOPED_TRACE(std::string(c.control) + " on tab " + std::to_string(c.tab));
    ui.progresses.clear();
    frm.SetActiveTab(c.tab);
    ui.fileNames.push_back(dir.File(c.file));
    ASSERT_TRUE(frm.Click(c.control));
    const auto& p = OnlyProgress();
    EXPECT_EQ(p.text, "正在导出……");
    EXPECT_EQ(p.total, c.records);
    ASSERT_FALSE(p.updates.empty());
    EXPECT_EQ(p.updates.front(), 0u);
    EXPECT_EQ(p.updates.back(), c.records);
    // A few thousand records between two updates at most.
    for (std::size_t k = 1; k < p.updates.size(); ++k) {
      EXPECT_LE(p.updates[k] - p.updates[k - 1], 2048u);
    }
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_GT(TempDir::Read(dir.File(c.file)).size(), c.records);
    if (c.companion != nullptr) {
      EXPECT_GT(TempDir::Read(dir.File(c.companion)).size(), c.records);
    }
  }
}

TEST_F(Progress, ACancelledExportLeavesTheFilesThereByteForByteAndNothingElse) {
  GenerateLargeTables();
  const auto tables54 = frm.FMapUnions54.shared();
  const auto tablesCustom = frm.FCustomMapUnions.shared();
  const std::size_t listed = frm.RzCheckList1.Count();
  // Early among the records; after the last record, while the workbook is
  // being compressed and saved.
  struct When {
    const char* what;
    std::function<bool(const FakeUi::ProgressShown&)> cancel;
  };
  const std::vector<When> whens = {
      {"among the records", [](const FakeUi::ProgressShown& p) { return p.updates.size() == 4; }},
      {"after the last record",
       [](const FakeUi::ProgressShown& p) {
         std::size_t atTotal = 0;
         for (std::uint64_t d : p.updates) atTotal += d == p.total ? 1 : 0;
         return atTotal == 2;
       }},
  };
  for (const ExportCase& c : kExports) {
    for (const When& when : whens) {
      SCOPED_TRACE(std::string(c.control) + " on tab " + std::to_string(c.tab) + ", cancelled " +
                   when.what);
      const std::string old = "an earlier export\r\n";
      dir.Write(c.file, old);
      if (c.companion != nullptr) dir.Write(c.companion, old + "mid");
      const auto before = dir.Names();
      ui.progresses.clear();
      ui.cancelWhen = when.cancel;
      frm.SetActiveTab(c.tab);
      ui.fileNames.push_back(dir.File(c.file));
      ASSERT_TRUE(frm.Click(c.control));
      ui.cancelWhen = nullptr;
      const auto& p = OnlyProgress();
      ASSERT_FALSE(p.updates.empty());
      const bool afterLast = when.what == whens[1].what;
      if (afterLast) {
        // The MIF writers have nothing more to do after the last record;
        // the workbook is cancelled while it is saved.
        if (c.companion != nullptr) continue;
        EXPECT_EQ(p.updates.back(), c.records);
      } else {
        EXPECT_LT(p.updates.back(), c.records);
      }
      // The user's own cancel is no error.
      EXPECT_TRUE(ui.messages.empty());
      EXPECT_EQ(TempDir::Read(dir.File(c.file)), old);
      if (c.companion != nullptr) {
        EXPECT_EQ(TempDir::Read(dir.File(c.companion)), old + "mid");
      }
      EXPECT_EQ(dir.Names(), before);
    }
  }
  EXPECT_EQ(frm.FMapUnions54.shared(), tables54);
  EXPECT_EQ(frm.FCustomMapUnions.shared(), tablesCustom);
  EXPECT_EQ(frm.RzCheckList1.Count(), listed);
}

TEST_F(Progress, ACancelledExportToANewNameCreatesNoFile) {
  GenerateLargeTables();
  for (const ExportCase& c : kExports) {
    SCOPED_TRACE(std::string(c.control) + " on tab " + std::to_string(c.tab));
    ui.progresses.clear();
    ui.cancelAfterUpdates = 2;
    frm.SetActiveTab(c.tab);
    ui.fileNames.push_back(dir.File(c.file));
    ASSERT_TRUE(frm.Click(c.control));
    EXPECT_TRUE(OnlyProgress().ended);
    EXPECT_TRUE(ui.messages.empty());
    EXPECT_TRUE(dir.Names().empty());
  }
}

TEST_F(Progress, OpenNumberListShowsTheLinesAndCompletesAsBefore) {
  frm.SetActiveTab(kTabConvert);
  ui.fileNames.push_back(NumberList(3000));
  frm.RzToolbarButton14Click();
  const auto& p = OnlyProgress();
  EXPECT_EQ(p.text, "正在读取图幅号……");
  EXPECT_EQ(p.total, 3001u);
  ASSERT_FALSE(p.updates.empty());
  EXPECT_EQ(p.updates.back(), 3001u);
  EXPECT_EQ(frm.RzCheckList4.Count(), 3000u);
  EXPECT_EQ(TakeMessage().text, "no number\r\n以上不是标准图幅号！");
}

TEST_F(Progress, ACancelledOpenLeavesTheSourceListAsItWas) {
  frm.SetActiveTab(kTabConvert);
  ui.fileNames.push_back(dir.Write("first.txt", "J-50\r\nJ50D001005\r\nJ-51-7\r\n"));
  frm.RzToolbarButton14Click();
  frm.RzCheckList4.SetChecked(0, true);
  frm.RzCheckList4.SetItemIndex(2);
  const std::vector<TStandardMapUnion> records = Records(frm.RzCheckList4);
  struct Seen : SheetListObserver {
    std::size_t appended = 0, removedFrom = 0, removed = 0;
    void ListChanged(const SheetList&, ListChange change, std::size_t first,
                     std::size_t count) override {
      if (change == ListChange::Appended) appended += count;
      if (change == ListChange::Removed) {
        removedFrom = first;
        removed += count;
      }
    }
  } seen;
  frm.RzCheckList4.SetObserver(&seen);

  ui.progresses.clear();
  ui.fileNames.push_back(NumberList(3000));
  ui.cancelAfterUpdates = 5;
  frm.RzToolbarButton14Click();
  frm.RzCheckList4.SetObserver(nullptr);
  const auto& p = OnlyProgress();
  EXPECT_EQ(p.updates.size(), 5u);
  EXPECT_LT(p.updates.back(), 3001u);
  EXPECT_EQ(Records(frm.RzCheckList4), records);
  EXPECT_TRUE(frm.RzCheckList4.Checked(0));
  EXPECT_FALSE(frm.RzCheckList4.Checked(1));
  EXPECT_FALSE(frm.RzCheckList4.Checked(2));
  EXPECT_EQ(frm.RzCheckList4.ItemIndex(), 2);
  // The view saw the rows come and go.
  EXPECT_GT(seen.appended, 0u);
  EXPECT_EQ(seen.removed, seen.appended);
  EXPECT_EQ(seen.removedFrom, 3u);
  // Nor is the line that is no number reported.
  EXPECT_TRUE(ui.messages.empty());

  // Opened again to its end, the file's numbers follow the first three.
  ui.progresses.clear();
  ui.fileNames.push_back(NumberList(3000));
  frm.RzToolbarButton14Click();
  EXPECT_EQ(frm.RzCheckList4.Count(), 3003u);
  EXPECT_EQ(frm.RzCheckList4.Text(3), "J-50-2");
  EXPECT_EQ(TakeMessage().text, "no number\r\n以上不是标准图幅号！");
}

TEST_F(Progress, TheIntegerErrorRejectsItsLineAndReadsOn) {
  frm.SetActiveTab(kTabConvert);
  ui.fileNames.push_back(dir.Write("n.txt", "J-50\r\nJ-50-5.5\r\nJ50\r\n"));
  frm.RzToolbarButton14Click();
  EXPECT_EQ(Texts(frm.RzCheckList4), (std::vector<std::string>{"J-50", "J50"}));
  EXPECT_TRUE(OnlyProgress().ended);
  EXPECT_EQ(TakeMessage().text, "J-50-5.5\r\n以上不是标准图幅号！");
}

TEST_F(Progress, ConvertShowsTheSourcesAndACancelLeavesTargetListAndTableAsTheyWere) {
  frm.SetActiveTab(kTabConvert);
  frm.RzComboBox5.SetItemIndex(4);  // 1:5万: four target sheets per source
  ui.fileNames.push_back(dir.Write("first.txt", "J-50-5\r\n"));
  frm.RzToolbarButton14Click();
  ui.progresses.clear();
  frm.RzBitBtn1Click();
  ASSERT_EQ(Texts(frm.RzCheckList5),
            (std::vector<std::string>{"J50E001009", "J50E002009", "J50E001010", "J50E002010"}));
  const auto& first = OnlyProgress();
  EXPECT_EQ(first.text, "正在转换图幅号……");
  EXPECT_EQ(first.total, 1u);
  EXPECT_EQ(first.updates, (std::vector<std::uint64_t>{1}));
  frm.RzCheckList5.SetChecked(1, true);
  frm.RzCheckList5.SetItemIndex(3);
  const auto table = frm.FMapUnions54.shared();
  const auto table80 = frm.FMapUnions80.shared();
  const std::vector<TStandardMapUnion> targets = Records(frm.RzCheckList5);

  ui.fileNames.push_back(NumberList(3000));
  ui.progresses.clear();
  frm.RzToolbarButton14Click();
  const std::vector<TStandardMapUnion> sources = Records(frm.RzCheckList4);
  ui.messages.clear();
  ui.progresses.clear();
  ui.cancelAfterUpdates = 7;
  frm.RzBitBtn1Click();
  const auto& p = OnlyProgress();
  EXPECT_EQ(p.total, 3001u);
  EXPECT_EQ(p.updates.size(), 7u);
  EXPECT_TRUE(ui.messages.empty());
  EXPECT_EQ(Records(frm.RzCheckList5), targets);
  EXPECT_TRUE(frm.RzCheckList5.Checked(1));
  EXPECT_EQ(frm.RzCheckList5.ItemIndex(), 3);
  EXPECT_EQ(frm.FMapUnions54.shared(), table);
  EXPECT_EQ(frm.FMapUnions80.shared(), table80);
  EXPECT_EQ(Records(frm.RzCheckList4), sources);

  // Not cancelled, every source is converted.
  ui.progresses.clear();
  frm.RzBitBtn1Click();
  EXPECT_EQ(OnlyProgress().updates.back(), 3001u);
  EXPECT_EQ(frm.RzCheckList5.Count(), 4u * 3001u);
  EXPECT_NE(frm.FMapUnions54.shared(), table);
}

}  // namespace
}  // namespace karvento
