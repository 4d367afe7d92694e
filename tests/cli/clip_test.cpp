// SPDX-License-Identifier: Apache-2.0
// karvento-cli clip end to end: a small raster on EPSG:4527 across the
// central meridian and 40° N, cut into its four 1:1万 sheets.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include <filesystem>
#include <fstream>

#include "run_cli.h"

namespace karvento::cli {
namespace {

namespace fs = std::filesystem;

TEST(CliClip, CutsPlansAndRefuses) {
  const fs::path dir = fs::temp_directory_path() / ("karvento-cli-clip-" + std::to_string(getpid()));
  fs::remove_all(dir);
  fs::create_directories(dir / "src");
  GDALAllRegister();
  {
    std::unique_ptr<GDALDataset> ds(GetGDALDriverManager()->GetDriverByName("GTiff")->Create(
        (dir / "src/dem.tif").c_str(), 400, 300, 1, GDT_Byte, nullptr));
    double gt[6] = {39497000, 20, 0, 4432000, 0, -20};
    ds->SetGeoTransform(gt);
    OGRSpatialReference srs;
    srs.importFromEPSG(4527);
    ds->SetSpatialRef(&srs);
    std::vector<unsigned char> row(400);
    for (int y = 0; y < 300; ++y) {
      for (int x = 0; x < 400; ++x) row[x] = static_cast<unsigned char>(1 + (x + y) % 250);
      ASSERT_EQ(ds->GetRasterBand(1)->RasterIO(GF_Write, 0, y, 400, 1, row.data(), 400, 1, GDT_Byte, 0, 0), CE_None);
    }
  }
  const std::string cd = "cd " + dir.string() + " && ";
  Result r = RunShell(cd + kCli + " clip src/dem.tif --scale 1:1万 --margin 10mm --output out");
  ASSERT_EQ(r.status, 0) << r.err;
  EXPECT_NE(r.err.find("写出 4 个图幅"), std::string::npos) << r.err;
  for (const char* sheet : {"J50G001048", "J50G001049", "K50G096048", "K50G096049"}) {
    EXPECT_TRUE(fs::exists(dir / "out" / (std::string(sheet) + ".tif"))) << sheet;
    EXPECT_TRUE(fs::exists(dir / "out" / (std::string(sheet) + ".json"))) << sheet;
  }

  // The plan as jobs: one self-contained call a line, which runs as it is.
  r = RunShell(cd + kCli + " clip src/dem.tif --scale 1:1万 --margin 10mm --output jobs-out --jobs jobs.jsonl");
  ASSERT_EQ(r.status, 0) << r.err;
  std::ifstream in(dir / "jobs.jsonl");
  std::string line;
  int lines = 0;
  std::string first;
  while (std::getline(in, line)) {
    if (lines++ == 0) first = line;
    EXPECT_NE(line.find("\"--sheet\""), std::string::npos) << line;
  }
  EXPECT_EQ(lines, 4);
  EXPECT_FALSE(fs::exists(dir / "jobs-out"));
  const std::string argv = first.substr(first.find("\"argv\": [") + 9);
  std::string command;
  for (std::size_t a = argv.find('"'); a != std::string::npos; a = argv.find('"', argv.find('"', a + 1) + 1)) {
    const std::size_t b = argv.find('"', a + 1);
    command += (command.empty() ? kCli : " '" + argv.substr(a + 1, b - a - 1) + "'");
  }
  r = RunShell(cd + command + " --quiet");
  EXPECT_EQ(r.status, 0) << command << "\n" << r.err;
  int written = 0;
  for (const auto& e : fs::directory_iterator(dir / "jobs-out")) written += e.path().extension() == ".tif";
  EXPECT_EQ(written, 1);

  // Usage errors and refusals.
  EXPECT_EQ(RunShell(cd + kCli + " clip src/dem.tif --output x").status, 2);
  EXPECT_EQ(RunShell(cd + kCli + " clip src/dem.tif --scale 1:1万 --output x --margin 2furlongs").status, 2);
  r = RunShell(cd + kCli + " clip src/dem.tif --scale 1:1万 --output src/x");
  EXPECT_EQ(r.status, 1);
  EXPECT_NE(r.err.find("文件夹之内"), std::string::npos) << r.err;
  EXPECT_NE(RunShell(kCliEn + " clip --help").out.find("usage: karvento-cli clip"), std::string::npos);
  fs::remove_all(dir);
}

}  // namespace
}  // namespace karvento::cli
