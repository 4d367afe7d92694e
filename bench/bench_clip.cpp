// SPDX-License-Identifier: Apache-2.0
// 标准分幅裁切 of a 2 GB raster against what a user runs today, in the same
// run: `karvento-cli clip` against a loop of `gdal_translate -projwin` over
// the same windows and a loop of `gdalwarp -cutline -crop_to_cutline` over
// the sheet polygons of `karvento-cli sheets`. The data (40,000 × 25,000
// UInt16 pixels at 1 m on EPSG:4527, about 2 GB) is made here and removed
// afterwards; KARVENTO_BENCH_DIR names the folder to use (default: the
// system's temporary folder), KARVENTO_BENCH_ROUNDS the rounds (default 3).
//
// Fairness. All three read the same file, so the page cache decides much of
// the wall time: before every run the source is read through once (warm,
// as it is for the second of two runs in a row), the previous run's output
// is removed and everything written so far is flushed (sync), outside the
// timings. The order of the contenders turns round by round, and each
// figure is the median of the rounds. Processor time (user + system, of the
// command and all it ran) is given beside the wall time: on a machine that
// others share, wall time is disturbed by their load, processor time much
// less so.
#include <gdal_priv.h>
#include <ogr_spatialref.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <sstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kWidth = 40000, kHeight = 25000;
constexpr double kX0 = 39480000, kY0 = 4440000;

void MakeSource(const std::string& file) {
  GDALDriver* d = GetGDALDriverManager()->GetDriverByName("GTiff");
  const char* options[] = {"TILED=YES", "BIGTIFF=YES", nullptr};
  std::unique_ptr<GDALDataset> ds(d->Create(file.c_str(), kWidth, kHeight, 1, GDT_UInt16, const_cast<char**>(options)));
  double gt[6] = {kX0, 1, 0, kY0, 0, -1};
  ds->SetGeoTransform(gt);
  OGRSpatialReference srs;
  srs.importFromEPSG(4527);
  ds->SetSpatialRef(&srs);
  GDALRasterBand* b = ds->GetRasterBand(1);
  b->SetNoDataValue(0);
  std::vector<std::uint16_t> rows(static_cast<std::size_t>(kWidth) * 256);
  for (int y0 = 0; y0 < kHeight; y0 += 256) {
    const int h = std::min(256, kHeight - y0);
    for (int y = 0; y < h; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        const int gy = y0 + y;
        rows[static_cast<std::size_t>(y) * kWidth + x] =
            gy < 3000 && x < 4000 ? 0 : static_cast<std::uint16_t>(1 + (x * 7 + gy * 3) % 60000 + ((x / 50 + gy / 50) % 2) * 1000);
      }
    }
    if (b->RasterIO(GF_Write, 0, y0, kWidth, h, rows.data(), kWidth, h, GDT_UInt16, 0, 0) != CE_None) std::exit(1);
  }
}

struct Run {
  double seconds = 0;
  double cpu = 0;  // user + system, of the command and its children
  long peakKb = 0;
  int status = 0;
};

double Seconds(const timeval& t) { return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_usec) / 1e6; }

// Runs a shell command line as a child; its wall and processor time and the
// peak resident memory of the largest process it ran.
Run Timed(const std::string& line) {
  const auto start = std::chrono::steady_clock::now();
  const pid_t pid = fork();
  if (pid == 0) {
    execl("/bin/sh", "sh", "-c", line.c_str(), static_cast<char*>(nullptr));
    _exit(127);
  }
  int status = 0;
  rusage u{};
  wait4(pid, &status, 0, &u);  // the child's and its own children's
  Run r;
  r.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  r.cpu = Seconds(u.ru_utime) + Seconds(u.ru_stime);
  r.peakKb = u.ru_maxrss;
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  return r;
}

// Reads a file through, so that its pages are in the cache.
void Warm(const std::string& file) {
  std::ifstream in(file, std::ios::binary);
  std::vector<char> b(8 << 20);
  while (in.read(b.data(), static_cast<std::streamsize>(b.size())) || in.gcount() > 0) {
  }
}

double Median(std::vector<double> v) {
  std::sort(v.begin(), v.end());
  return v.size() % 2 ? v[v.size() / 2] : (v[v.size() / 2 - 1] + v[v.size() / 2]) / 2;
}

std::string Value(const std::string& json, const std::string& key) {
  const std::size_t at = json.find("\"" + key + "\": ");
  if (at == std::string::npos) return {};
  const std::size_t b = at + key.size() + 4;
  return json.substr(b, json.find('\n', b) - b);
}

// Whether two rasters hold the same pixels on the same grid (compared in
// strips of 256 rows).
bool Same(const std::string& a, const std::string& b) {
  std::unique_ptr<GDALDataset> da(GDALDataset::Open(a.c_str(), GDAL_OF_RASTER));
  std::unique_ptr<GDALDataset> db(GDALDataset::Open(b.c_str(), GDAL_OF_RASTER));
  if (!da || !db) return false;
  double ga[6], gb[6];
  da->GetGeoTransform(ga);
  db->GetGeoTransform(gb);
  const int w = da->GetRasterXSize(), h = da->GetRasterYSize();
  if (w != db->GetRasterXSize() || h != db->GetRasterYSize()) return false;
  for (int i = 0; i < 6; ++i) {
    if (std::abs(ga[i] - gb[i]) > 1e-6) return false;
  }
  std::vector<std::uint16_t> pa(static_cast<std::size_t>(w) * 256), pb(pa.size());
  for (int y = 0; y < h; y += 256) {
    const int n = std::min(256, h - y);
    if (da->GetRasterBand(1)->RasterIO(GF_Read, 0, y, w, n, pa.data(), w, n, GDT_UInt16, 0, 0) != CE_None ||
        db->GetRasterBand(1)->RasterIO(GF_Read, 0, y, w, n, pb.data(), w, n, GDT_UInt16, 0, 0) != CE_None ||
        !std::equal(pa.begin(), pa.begin() + static_cast<long>(w) * n, pb.begin())) {
      return false;
    }
  }
  return true;
}

// Whether every data pixel of a cut (cutline) equals the sheet's pixel at
// the same ground position.
bool InsideSame(const std::string& cut, const std::string& sheet) {
  std::unique_ptr<GDALDataset> dc(GDALDataset::Open(cut.c_str(), GDAL_OF_RASTER));
  std::unique_ptr<GDALDataset> ds(GDALDataset::Open(sheet.c_str(), GDAL_OF_RASTER));
  if (!dc || !ds) return false;
  double gc[6], gs[6];
  dc->GetGeoTransform(gc);
  ds->GetGeoTransform(gs);
  const long dx = std::lround((gc[0] - gs[0]) / gs[1]), dy = std::lround((gc[3] - gs[3]) / gs[5]);
  if (std::abs(gc[0] - gs[0] - static_cast<double>(dx) * gs[1]) > 1e-6) return false;  // off the grid
  const int w = dc->GetRasterXSize(), h = dc->GetRasterYSize();
  std::vector<std::uint16_t> pc(static_cast<std::size_t>(w)), ps(pc.size());
  for (int y = 0; y < h; ++y) {
    if (dc->GetRasterBand(1)->RasterIO(GF_Read, 0, y, w, 1, pc.data(), w, 1, GDT_UInt16, 0, 0) != CE_None ||
        ds->GetRasterBand(1)->RasterIO(GF_Read, static_cast<int>(dx), static_cast<int>(dy + y), w, 1, ps.data(), w, 1,
                                       GDT_UInt16, 0, 0) != CE_None) {
      return false;
    }
    for (int x = 0; x < w; ++x) {
      if (pc[x] != 0 && pc[x] != ps[x]) return false;
    }
  }
  return true;
}

}  // namespace

int main() {
  GDALAllRegister();
  GDALSetCacheMax64(256 << 20);
  const char* base = std::getenv("KARVENTO_BENCH_DIR");
  const char* roundsText = std::getenv("KARVENTO_BENCH_ROUNDS");
  const int rounds = std::max(1, roundsText ? std::atoi(roundsText) : 3);
  const fs::path dir = fs::path(base ? base : fs::temp_directory_path().string()) /
                       ("karvento-bench-clip-" + std::to_string(getpid()));
  fs::create_directories(dir / "src");
  const std::string src = (dir / "src/dom.tif").string();
  std::printf("making %d x %d UInt16 (%.2f GB) in %s\n", kWidth, kHeight, 2.0 * kWidth * kHeight / 1e9, dir.c_str());
  MakeSource(src);
  sync();
  const std::string cli = KARVENTO_CLI;
  const std::string cd = "cd " + dir.string() + " && ";
  const std::string clip = cli + " clip src/dom.tif --scale 1:1万 --margin 10mm --output ours --quiet";

  // The windows of every sheet meeting the raster (1 cm margin), from a
  // first run of ours, untimed: gdal_translate gets the same windows
  // (-projwin on the pixel edges), gdalwarp the sheet polygons.
  if (Timed(cd + clip).status != 0) return std::printf("karvento-cli clip failed\n"), 1;
  std::vector<std::string> names;
  std::ostringstream translate, warp;
  std::uint64_t bytes = 0;
  for (const auto& e : fs::directory_iterator(dir / "ours")) {
    if (e.path().extension() != ".json") continue;
    std::ifstream in(e.path());
    std::stringstream s;
    s << in.rdbuf();
    const std::string json = s.str();
    const std::string name = e.path().stem().string();
    double g[6];
    int w = 0, h = 0;
    std::sscanf(Value(json, "geotransform").c_str(), "[%lf, %lf, %lf, %lf, %lf, %lf]", &g[0], &g[1], &g[2], &g[3], &g[4], &g[5]);
    std::sscanf(Value(json, "size").c_str(), "[%d, %d]", &w, &h);
    bytes += static_cast<std::uint64_t>(w) * h * 2;
    names.push_back(name);
    char line[512];
    std::snprintf(line, sizeof line,
                  "gdal_translate -q -of GTiff -co TILED=YES -co BIGTIFF=IF_SAFER -projwin %.17g %.17g %.17g %.17g "
                  "src/dom.tif translate/%s.tif\n",
                  g[0], g[3], g[0] + w * g[1], g[3] + h * g[5], name.c_str());
    translate << line;
    std::snprintf(line, sizeof line,
                  "gdalwarp -q -of GTiff -co TILED=YES -co BIGTIFF=IF_SAFER -cutline sheets.gpkg -cwhere \"图幅号='%s'\" "
                  "-crop_to_cutline src/dom.tif warp/%s.tif\n",
                  name.c_str(), name.c_str());
    warp << line;
  }
  std::ofstream(dir / "translate.sh") << translate.str();
  std::ofstream(dir / "warp.sh") << warp.str();
  // The sheet polygons on the raster's own zone, densified frames.
  if (Timed(cd + cli + " sheets --from 116.7,39.85 --to 117.3,40.15 --scale 1:1万 --datum 2000 --cm 117 "
                       "--format gpkg --output sheets.gpkg --quiet").status != 0) {
    return std::printf("karvento-cli sheets failed\n"), 1;
  }

  struct Contender {
    const char* what;
    const char* folder;
    std::string line;
    std::vector<Run> runs;
  };
  std::vector<Contender> all = {{"karvento-cli clip", "ours", clip, {}},
                                {"gdal_translate -projwin loop", "translate", "sh translate.sh", {}},
                                {"gdalwarp -cutline loop", "warp", "sh warp.sh", {}}};
  for (int k = 0; k < rounds; ++k) {
    for (std::size_t j = 0; j < all.size(); ++j) {
      Contender& c = all[(j + static_cast<std::size_t>(k)) % all.size()];
      fs::remove_all(dir / c.folder);
      fs::create_directories(dir / c.folder);
      sync();
      Warm(src);
      const Run r = Timed(cd + c.line);
      if (r.status != 0) return std::printf("%s failed\n", c.what), 1;
      std::printf("round %d  %-30s %7.2f s wall  %7.2f s processor  peak %6.1f MB\n", k + 1, c.what, r.seconds, r.cpu,
                  static_cast<double>(r.peakKb) / 1024);
      std::fflush(stdout);
      c.runs.push_back(r);
    }
  }

  bool identical = true, inside = true;
  for (const std::string& n : names) {
    identical = identical && Same((dir / "ours" / (n + ".tif")).string(), (dir / "translate" / (n + ".tif")).string());
    inside = inside && InsideSame((dir / "warp" / (n + ".tif")).string(), (dir / "ours" / (n + ".tif")).string());
  }
  const double mb = static_cast<double>(bytes) / 1e6;
  std::printf("%zu sheets at 1:1万, 1 cm margin, %.1f MB of pixels; medians of %d rounds, the source's pages warm\n",
              names.size(), mb, rounds);
  std::vector<double> wall(all.size()), cpu(all.size());
  for (std::size_t j = 0; j < all.size(); ++j) {
    std::vector<double> w, p;
    double peak = 0;
    for (const Run& r : all[j].runs) {
      w.push_back(r.seconds), p.push_back(r.cpu), peak = std::max(peak, static_cast<double>(r.peakKb) / 1024);
    }
    wall[j] = Median(w), cpu[j] = Median(p);
    std::printf("%-30s %7.2f s wall  %7.2f s processor  %7.2f sheets/s  %8.1f MB/s  peak %6.1f MB\n", all[j].what,
                wall[j], cpu[j], static_cast<double>(names.size()) / wall[j], mb / wall[j], peak);
  }
  std::printf("ratio, wall:      %.2fx the gdal_translate loop, %.2fx the gdalwarp loop\n", wall[1] / wall[0],
              wall[2] / wall[0]);
  std::printf("ratio, processor: %.2fx the gdal_translate loop, %.2fx the gdalwarp loop\n", cpu[1] / cpu[0],
              cpu[2] / cpu[0]);
  std::printf("pixels identical to gdal_translate's: %s; gdalwarp's data pixels equal ours: %s\n",
              identical ? "yes" : "NO", inside ? "yes" : "NO");
  std::printf("(peak memory: the largest single process of a run)\n");
  fs::remove_all(dir);
  return identical ? 0 : 1;
}
