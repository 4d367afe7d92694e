// SPDX-License-Identifier: Apache-2.0
// karvento-cli clip end to end: a small raster on EPSG:4527 across the
// central meridian and 40° N, cut into its four 1:1万 sheets.
#include <gdal_priv.h>
#include <gtest/gtest.h>
#include <ogr_spatialref.h>

#include <filesystem>
#include <cerrno>
#include <cstring>
#include <fstream>
#include <set>

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
  // Absolute paths: the line runs the same from another folder.
  EXPECT_NE(first.find("\"" + (dir / "src/dem.tif").string() + "\""), std::string::npos) << first;
  r = RunShell("cd / && " + command + " --quiet");
  EXPECT_EQ(r.status, 0) << command << "\n" << r.err;
  int written = 0;
  for (const auto& e : fs::directory_iterator(dir / "jobs-out")) written += e.path().extension() == ".tif";
  EXPECT_EQ(written, 1);

  // The sheets of a table that sheets wrote: the two western sheets only.
  for (const char* format : {"csv", "geojson", "gpkg"}) {
    const std::string table = std::string("west.") + format;
    r = RunShell(cd + kCli + " sheets --from 116.99,39.96 --to 116.995,40.01 --scale 1:1万 --datum 2000 --format " +
                 format + " --output " + table + " --quiet");
    ASSERT_EQ(r.status, 0) << format << r.err;
    const std::string out = std::string("from-") + format;
    r = RunShell(cd + kCli + " clip src/dem.tif --scale 1:1万 --input " + table + " --output " + out);
    ASSERT_EQ(r.status, 0) << format << r.err;
    std::set<std::string> cut;
    for (const auto& e : fs::directory_iterator(dir / out)) {
      if (e.path().extension() == ".tif") cut.insert(e.path().stem().string());
    }
    EXPECT_EQ(cut, (std::set<std::string>{"J50G001048", "K50G096048"})) << format;
  }

  // A disk that fills during the run (the estimate, of the pixels, fits;
  // the tiles' padding does not): a failure naming a sheet's file and the
  // system's reason, and only complete sheets left.
  // 20 px of margin make the windows 256 rows and more: tiled, each sheet
  // four tiles of 256 × 256 for about a third of that in pixels.
  if (RunShell("unshare -m sh -c 'mount -t tmpfs -o size=64k tmpfs /mnt'").status == 0) {
    const std::string cut = kCli + " clip src/dem.tif --scale 1:1万 --margin 20px --workers 1 --output ";
    ASSERT_EQ(RunShell(cd + cut + "roomy --quiet").status, 0);
    std::uintmax_t whole = 0;
    for (const auto& e : fs::directory_iterator(dir / "roomy")) whole += fs::file_size(e.path());
    fs::create_directories(dir / "small");
    r = RunShell(cd + "unshare -m sh -c 'mount -t tmpfs -o size=" + std::to_string(whole * 60 / 100) + " tmpfs small && " +
                 cut + "small/out; echo $? > status; "
                 "for f in small/out/*.tif; do [ -e $f ] || continue; echo $f; cmp -s $f roomy/${f##*/} || echo broken $f; done > sums; "
                 "ls -A small/out > left'");
    std::ifstream status(dir / "status");
    int code = -1;
    status >> code;
    EXPECT_EQ(code, 1) << r.err;
    EXPECT_NE(r.err.find("small/out/"), std::string::npos) << r.err;
    EXPECT_NE(r.err.find(std::strerror(ENOSPC)), std::string::npos) << r.err;
    std::ifstream left(dir / "left");
    for (std::string name; std::getline(left, name);) EXPECT_NE(name[0], '.') << "a staged file left: " << name;
    // Each sheet left is whole: byte for byte that of the run with room.
    std::ifstream sums(dir / "sums");
    int sheets = 0;
    for (std::string entry; std::getline(sums, entry);) {
      EXPECT_EQ(entry.find("broken"), std::string::npos) << entry;
      ++sheets;
    }
    EXPECT_LT(sheets, 4);
  }

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
