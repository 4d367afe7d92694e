// SPDX-License-Identifier: Apache-2.0
// The memory that the window's number list costs, held to the budget of the
// README: a million numbers read through Open number list, and given back
// when they are deleted.
#include <gtest/gtest.h>
#include <malloc.h>

#include <ctime>
#include <functional>
#include <string>

#include "bad_files.h"

namespace karvento {
namespace {

// The budget holds for the optimised build that users run; a sanitizer build
// multiplies memory and time, so there only the outcome is checked.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool kBudgetApplies = false;
#else
constexpr bool kBudgetApplies = true;
#endif

using testing::Session;
using testing::TempDir;

TEST(Load, AMillionNumbersStayWithinTheMemoryBudget) {
  TempDir dir;
  const char* numbers[] = {"J-50-5-(24)-A", "J50G003040", "J-50-5-B-4", "J50D001005"};
  std::string text;
  constexpr std::size_t kLines = 1'000'000;
  for (std::size_t i = 0; i < kLines; ++i) (text += numbers[i % 4]) += "\r\n";
  const std::string file = dir.Write("million.txt", text);
  text = std::string();
  Session s;
  s.frm.RzSpinEdit34.SetValue(0);  // no projection: the list alone is measured
  const double peakBefore = testing::PeakRssMiB();
  // The time is the processor time of this process: on a shared machine the
  // wall clock measures the other jobs as much as the reading.
  const std::clock_t start = std::clock();
  s.ui.fileNames.push_back(file);
  s.frm.RzToolbarButton14Click();
  const double seconds = static_cast<double>(std::clock() - start) / CLOCKS_PER_SEC;
  const double grown = testing::PeakRssMiB() - peakBefore;
  EXPECT_TRUE(s.ui.messages.empty());
  EXPECT_EQ(s.frm.RzCheckList4.Count(), kLines + 2);
  // A row holds its record (192 bytes) and its entry (16 bytes); reading
  // adds the file's bytes and 32 bytes a line while the lines are made.
  std::printf("1,000,000 numbers: %.2f s, peak grew %.0f MiB\n", seconds, grown);
  if (kBudgetApplies) {
    EXPECT_LT(grown, 1e6 * (192 + 16 + 32 + 13) / (1 << 20) * 1.25);
    EXPECT_LT(seconds, 3.0);
  }
}

// The bytes that the program holds from malloc, small blocks and mapped ones,
// in MiB: what deleting must give back, whether or not the allocator returns
// it to the system at once.
double HeapInUseMiB() {
  const struct mallinfo2 m = ::mallinfo2();
  return static_cast<double>(m.uordblks + m.hblkhd) / (1 << 20);
}

// Opening a number list and deleting what it added, again and again, must not
// grow the program: the records of deleted source numbers are released.
TEST(Load, DeletedSourceNumbersGiveTheirMemoryBack) {
  TempDir dir;
  constexpr std::size_t kLines = 250'000;
  std::string text;
  for (std::size_t i = 0; i < kLines; ++i) {
    (text += i % 2 ? "J50G003040" : "J-50-5-(24)-A") += "\r\n";
  }
  const std::string file = dir.Write("numbers.txt", text);
  text = std::string();

  struct Case {
    const char* what;
    std::function<bool(std::size_t)> deleted;  // by row of the list
    double keptShare;                          // of the rows the file added
    int rounds;                                // opened and deleted so often
  } cases[] = {
      {"every row", [](std::size_t) { return true; }, 0.0, 4},
      {"every other row", [](std::size_t i) { return i % 2 == 0; }, 0.5, 1},
      {"the first three quarters",
       [](std::size_t i) { return i < 2 + kLines * 3 / 4; }, 0.25, 1},
      {"the last quarter", [](std::size_t i) { return i >= 2 + kLines * 3 / 4; }, 0.75, 1},
  };
  for (const Case& c : cases) {
    Session s;
    s.frm.RzSpinEdit34.SetValue(0);
    SheetList& list = s.frm.RzCheckList4;
    for (std::size_t i = 0; i < list.Count(); ++i) list.SetChecked(i, false);
    const double heapBefore = HeapInUseMiB();
    double added = 0;
    for (int round = 0; round < c.rounds; ++round) {
      const std::size_t before = list.Count();
      s.ui.fileNames.push_back(file);
      s.frm.RzToolbarButton14Click();
      ASSERT_EQ(list.Count(), before + kLines) << c.what;
      if (round == 0) added = HeapInUseMiB() - heapBefore;
      std::size_t kept = 0;
      for (std::size_t i = 0; i < list.Count(); ++i) {
        list.SetChecked(i, c.deleted(i));
        if (!c.deleted(i)) ++kept;
      }
      s.ui.answers.push_back(MessageResult::Yes);
      s.frm.RzToolbarButton16Click();
      ASSERT_EQ(list.Count(), kept) << c.what;
    }
    // The delete questions, and nothing else.
    EXPECT_EQ(s.ui.messages.size(), static_cast<std::size_t>(c.rounds)) << c.what;
    const double grown = HeapInUseMiB() - heapBefore;
    std::printf("%zu numbers, %s deleted (%d times): %.1f MiB added, %.1f MiB kept\n", kLines,
                c.what, c.rounds, added, grown);
    if (kBudgetApplies) {
      // A record costs about 200 bytes in its list, its row 16 bytes and the
      // room for up to as many rows again: what the kept rows hold, their
      // room and no more stays.
      EXPECT_GT(added, kLines * 192.0 / (1 << 20)) << c.what;
      EXPECT_LT(grown, c.keptShare * added + 0.1 * added) << c.what;
    }
  }
}

}  // namespace
}  // namespace karvento
