// SPDX-License-Identifier: Apache-2.0
// karvento-cli tag end to end: a CSV of control points in, the table with
// their sheet numbers out; the usage errors and the refusal of another datum.
#include <gtest/gtest.h>
#include <unistd.h>

#include <fstream>
#include <sstream>
#include <string>

#include "run_cli.h"

namespace karvento::cli {
namespace {

std::string Dir() { return testing::TempDir() + "tag_" + std::to_string(getpid()) + "_"; }

std::string Read(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

TEST(CliTag, ControlPointsToATable) {
  const std::string in = Dir() + "points.csv", out = Dir() + "points_out.csv";
  // BM1 on the corner of four 1:1万 sheets: the north-east one.
  std::ofstream(in) << "name,lon,lat\nBM1,116.25,39.75\nBM2,121.4737,31.2304\n";
  Result r = RunCli("tag " + in + " --datum 2000 --scale 1:1万,1:5万 --standard both --output " + out);
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("2 个要素，2 行"), std::string::npos) << r.err;
  const std::string table = Read(out);
  EXPECT_EQ(table.rfind("\xEF\xBB\xBF", 0), 0u);  // UTF-8 with its mark, as every CSV of the tool
  EXPECT_EQ(table.rfind("\xEF\xBB\xBFname,lon,lat,图幅号_5万,旧图幅号_5万,图幅号_1万,旧图幅号_1万\r\n", 0), 0u) << table;
  EXPECT_NE(table.find("BM1,116.25,39.75,J50E002010,J-50-5-D,J50G006037,J-50-5-(45)\r\n"), std::string::npos)
      << table;
  EXPECT_NE(table.find("BM2,121.4737,31.2304,H51E005006,H-51-27-B,H51G019024,H-51-27-(24)\r\n"),
            std::string::npos)
      << table;

  // Mistakes of the call: status 2; data refused: status 1, nothing written.
  EXPECT_EQ(RunCli("tag " + in + " --datum 2000 --output " + out).status, 2);
  EXPECT_EQ(RunCli("tag " + in + " --datum 2000 --scale 1:1万 --output x.txt").status, 2);
  EXPECT_EQ(RunCli("tag " + in + " --scale 1:1万 --output " + out).status, 1);  // no --datum, no system
  const std::string gpkg = Dir() + "54.gpkg", refused = Dir() + "refused.gpkg";
  ASSERT_EQ(RunShell("ogr2ogr -q -a_srs EPSG:4214 -oo X_POSSIBLE_NAMES=lon -oo Y_POSSIBLE_NAMES=lat " + gpkg + " " + in)
                .status,
            0);
  r = RunCliEn("tag " + gpkg + " --datum 2000 --scale 1:1万 --output " + refused);
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("up to about 100 m apart"), std::string::npos) << r.err;
  EXPECT_NE(access(refused.c_str(), F_OK), 0);
}

}  // namespace
}  // namespace karvento::cli
