// The memory that the window's number list costs, held to the budget of the
// README: a million numbers read through Open number list.
#include <gtest/gtest.h>

#include <chrono>
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
  const auto start = std::chrono::steady_clock::now();
  s.ui.fileNames.push_back(file);
  s.frm.RzToolbarButton14Click();
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
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

}  // namespace
}  // namespace karvento
