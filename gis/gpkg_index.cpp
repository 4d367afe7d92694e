// SPDX-License-Identifier: Apache-2.0
#include "gis/gpkg_index.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <numeric>

#include <cpl_error.h>
#include <ogr_api.h>
#include <sqlite3.h>

namespace karvento {
namespace {

// A float no greater (lower edges) or no less (upper edges) than the double:
// SQLite's R-tree keeps 32-bit boxes that always contain the true ones.
float Down(double v) {
  float f = static_cast<float>(v);
  if (static_cast<double>(f) > v) f = std::nextafter(f, -std::numeric_limits<float>::infinity());
  return f;
}
float Up(double v) {
  float f = static_cast<float>(v);
  if (static_cast<double>(f) < v) f = std::nextafter(f, std::numeric_limits<float>::infinity());
  return f;
}

// The distance along a Hilbert curve of 2^16 × 2^16 cells of the cell (x, y):
// boxes close on the curve are close on the ground, which keeps the nodes of
// a packed tree small.
std::uint32_t HilbertKey(std::uint32_t x, std::uint32_t y) {
  std::uint32_t d = 0;
  for (std::uint32_t s = 1u << 15; s > 0; s >>= 1) {
    const std::uint32_t rx = (x & s) ? 1 : 0;
    const std::uint32_t ry = (y & s) ? 1 : 0;
    d += s * s * ((3 * rx) ^ ry);
    if (ry == 0) {
      if (rx == 1) {
        x = s - 1 - x;
        y = s - 1 - y;
      }
      std::swap(x, y);
    }
  }
  return d;
}

// Big-endian, as SQLite's R-tree writes its nodes.
void PutInt64(unsigned char* p, std::int64_t v) {
  const auto u = static_cast<std::uint64_t>(v);
  for (int i = 0; i < 8; ++i) p[i] = static_cast<unsigned char>(u >> (56 - 8 * i));
}
void PutFloat(unsigned char* p, float f) {
  std::uint32_t u = 0;
  std::memcpy(&u, &f, 4);
  for (int i = 0; i < 4; ++i) p[i] = static_cast<unsigned char>(u >> (24 - 8 * i));
}

std::string Quoted(const std::string& name, char quote) {
  std::string out(1, quote);
  for (const char c : name) {
    out += c;
    if (c == quote) out += c;
  }
  return out + quote;
}

struct Db {
  sqlite3* db = nullptr;
  ~Db() {
    if (db != nullptr) sqlite3_close(db);
  }
  std::string Reason() const { return db != nullptr ? sqlite3_errmsg(db) : "SQLite"; }
  bool Exec(const std::string& sql) const { return sqlite3_exec(db, sql.c_str(), nullptr, nullptr, nullptr) == SQLITE_OK; }
};

struct Statement {
  sqlite3_stmt* s = nullptr;
  Statement(sqlite3* db, const std::string& sql) { sqlite3_prepare_v2(db, sql.c_str(), -1, &s, nullptr); }
  ~Statement() { sqlite3_finalize(s); }
  Statement(const Statement&) = delete;
  Statement& operator=(const Statement&) = delete;
  bool Run() {
    const int rc = sqlite3_step(s);
    sqlite3_reset(s);
    return rc == SQLITE_DONE;
  }
};

}  // namespace

std::string GpkgBulkIndex::Begin(GDALDatasetH ds, OGRLayerH layer) {
  table_ = OGR_L_GetName(layer);
  column_ = OGR_L_GetGeometryColumn(layer);
  fid_ = OGR_L_GetFIDColumn(layer);
  if (column_.empty()) return {};  // a table of attributes alone
  if (fid_.empty()) fid_ = "fid";
  const std::string missing = "GDAL made no R-tree for the table " + table_;
  const std::string create = "SELECT CreateSpatialIndex(" + Quoted(table_, '\'') + ", " + Quoted(column_, '\'') + ")";
  if (OGRLayerH r = GDALDatasetExecuteSQL(ds, create.c_str(), nullptr, nullptr)) GDALDatasetReleaseResultSet(ds, r);
  // The triggers GDAL gave the index, kept to be put back once it is full.
  const std::string rtree = "rtree_" + table_ + "_" + column_;
  const std::string list =
      "SELECT name, sql FROM sqlite_master WHERE type = 'trigger' AND tbl_name = " + Quoted(table_, '\'');
  std::vector<std::string> names;
  if (OGRLayerH r = GDALDatasetExecuteSQL(ds, list.c_str(), nullptr, nullptr)) {
    while (OGRFeatureH f = OGR_L_GetNextFeature(r)) {
      const std::string name = OGR_F_GetFieldAsString(f, 0);
      if (name.rfind(rtree + "_", 0) == 0) {
        names.push_back(name);
        triggers_.emplace_back(OGR_F_GetFieldAsString(f, 1));
      }
      OGR_F_Destroy(f);
    }
    GDALDatasetReleaseResultSet(ds, r);
  }
  if (names.empty()) {
    triggers_.clear();
    return missing;
  }
  for (const std::string& name : names) {
    const std::string drop = "DROP TRIGGER " + Quoted(name, '"');
    if (OGRLayerH r = GDALDatasetExecuteSQL(ds, drop.c_str(), nullptr, nullptr)) GDALDatasetReleaseResultSet(ds, r);
  }
  active_ = true;
  return {};
}

void GpkgBulkIndex::Add(std::int64_t fid, double minX, double maxX, double minY, double maxY) {
  // Empty, or no ordinary number as a float (NaN, infinite, past 1e38): no
  // box a reader could ask for.
  const auto ordinary = [](double v) { return std::abs(v) <= 1e38; };
  if (tooMany_ || !(minX <= maxX && minY <= maxY) || !ordinary(minX) || !ordinary(maxX) || !ordinary(minY) ||
      !ordinary(maxY)) {
    return;
  }
  if (boxes_.size() == maxPacked_) {
    tooMany_ = true;
    boxes_.clear();
    boxes_.shrink_to_fit();
    return;
  }
  boxes_.push_back({fid, Down(minX), Up(maxX), Down(minY), Up(maxY)});
}

// Through GDAL, whose connections know the GeoPackage's geometry functions:
// the statement of the insert trigger for every row, then the triggers.
std::string GpkgBulkIndex::FillRowByRow(const std::string& file) {
  const char* const drivers[] = {"GPKG", nullptr};
  CPLErrorReset();
  GDALDatasetH ds = GDALOpenEx(file.c_str(), GDAL_OF_VECTOR | GDAL_OF_UPDATE, drivers, nullptr, nullptr);
  if (ds == nullptr) {
    const std::string why = CPLGetLastErrorMsg();
    return why.empty() ? "GDAL cannot open " + file + " again to index it" : why;
  }
  const std::string column = Quoted(column_, '"');
  std::vector<std::string> statements{"INSERT INTO " + Quoted("rtree_" + table_ + "_" + column_, '"') +
                                      " SELECT " + Quoted(fid_, '"') + ", ST_MinX(" + column + "), ST_MaxX(" + column + "), ST_MinY(" +
                                      column + "), ST_MaxY(" + column + ") FROM " + Quoted(table_, '"') +
                                      " WHERE " + column + " NOT NULL AND NOT ST_IsEmpty(" + column + ")"};
  statements.insert(statements.end(), triggers_.begin(), triggers_.end());
  for (const std::string& sql : statements) {
    if (OGRLayerH r = GDALDatasetExecuteSQL(ds, sql.c_str(), nullptr, nullptr)) GDALDatasetReleaseResultSet(ds, r);
    if (CPLGetLastErrorType() == CE_Failure) break;
  }
  std::string reason = CPLGetLastErrorType() == CE_Failure ? CPLGetLastErrorMsg() : "";
  GDALClose(ds);
  if (reason.empty() && CPLGetLastErrorType() == CE_Failure) reason = CPLGetLastErrorMsg();
  active_ = false;
  return reason;
}

std::string GpkgBulkIndex::Finish(const std::string& file) {
  if (!active_) return {};
  if (tooMany_) return FillRowByRow(file);
  Db db;
  if (sqlite3_open_v2(file.c_str(), &db.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) return db.Reason();
  if (!db.Exec("BEGIN")) return db.Reason();
  const std::string rtree = "rtree_" + table_ + "_" + column_;
  // The node size SQLite chose when the index was created: the length of
  // its (empty) root.
  int nodeSize = 0;
  {
    Statement size(db.db, "SELECT length(data) FROM " + Quoted(rtree + "_node", '"') + " WHERE nodeno = 1");
    if (size.s == nullptr || sqlite3_step(size.s) != SQLITE_ROW) return db.Reason();
    nodeSize = sqlite3_column_int(size.s, 0);
  }
  constexpr int kCellBytes = 8 + 4 * 4;  // id, then minX, maxX, minY, maxY
  const std::size_t fanout = std::min<std::size_t>(51, static_cast<std::size_t>(std::max(0, nodeSize - 4) / kCellBytes));
  if (fanout < 2) return "R-tree node size " + std::to_string(nodeSize);

  if (!boxes_.empty()) {
    // The rows in Hilbert order of their centres over the extent of all.
    float x0 = boxes_[0].minX, x1 = boxes_[0].maxX, y0 = boxes_[0].minY, y1 = boxes_[0].maxY;
    for (const Box& b : boxes_) {
      x0 = std::min(x0, b.minX), x1 = std::max(x1, b.maxX);
      y0 = std::min(y0, b.minY), y1 = std::max(y1, b.maxY);
    }
    const double sx = x1 > x0 ? 65535.0 / (static_cast<double>(x1) - x0) : 0;
    const double sy = y1 > y0 ? 65535.0 / (static_cast<double>(y1) - y0) : 0;
    std::vector<std::pair<std::uint32_t, std::uint32_t>> order(boxes_.size());  // key, index
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
      const Box& b = boxes_[i];
      const double cx = (static_cast<double>(b.minX) + b.maxX) / 2 - x0;
      const double cy = (static_cast<double>(b.minY) + b.maxY) / 2 - y0;
      order[i] = {HilbertKey(static_cast<std::uint32_t>(cx * sx), static_cast<std::uint32_t>(cy * sy)),
                  static_cast<std::uint32_t>(i)};
    }
    std::sort(order.begin(), order.end());

    // Level by level, leaves first: each node the next fanout entries of the
    // level below. Node numbers: the root 1, the others from 2 on.
    std::vector<Box> level(boxes_.size());
    for (std::size_t i = 0; i < order.size(); ++i) level[i] = boxes_[order[i].second];
    std::vector<std::vector<unsigned char>> blobs;  // per node, in creation order
    std::vector<std::int64_t> parentOf;             // per node, index into blobs of its parent
    std::vector<std::int64_t> leafOf(boxes_.size());
    std::vector<std::size_t> firstOfLevel;
    std::size_t depth = 0;
    bool leaves = true;
    while (true) {
      const std::size_t nodes = (level.size() + fanout - 1) / fanout;
      firstOfLevel.push_back(blobs.size());
      std::vector<Box> up;
      up.reserve(nodes);
      for (std::size_t n = 0; n < nodes; ++n) {
        std::vector<unsigned char> blob(static_cast<std::size_t>(nodeSize), 0);
        const std::size_t begin = n * fanout, end = std::min(level.size(), begin + fanout);
        blob[2] = static_cast<unsigned char>((end - begin) >> 8);
        blob[3] = static_cast<unsigned char>(end - begin);
        Box whole = level[begin];
        unsigned char* p = blob.data() + 4;
        for (std::size_t i = begin; i < end; ++i, p += kCellBytes) {
          const Box& b = level[i];
          PutInt64(p, b.id);
          PutFloat(p + 8, b.minX), PutFloat(p + 12, b.maxX), PutFloat(p + 16, b.minY), PutFloat(p + 20, b.maxY);
          whole.minX = std::min(whole.minX, b.minX), whole.maxX = std::max(whole.maxX, b.maxX);
          whole.minY = std::min(whole.minY, b.minY), whole.maxY = std::max(whole.maxY, b.maxY);
          if (leaves) leafOf[order[i].second] = static_cast<std::int64_t>(blobs.size());
        }
        whole.id = static_cast<std::int64_t>(blobs.size());  // its index; numbered below
        up.push_back(whole);
        blobs.push_back(std::move(blob));
        parentOf.push_back(-1);
      }
      if (nodes == 1) break;
      level = std::move(up);
      leaves = false;
      ++depth;
    }
    // Node numbers: the root (the last node made) is 1, the others 2, 3, …
    // in the order they were made.
    const std::size_t root = blobs.size() - 1;
    const auto number = [&](std::size_t index) -> std::int64_t {
      return index == root ? 1 : static_cast<std::int64_t>(index) + 2;
    };
    // Each inner node's cells name their children: put their numbers in, and
    // note the parent of each child.
    for (std::size_t l = 1; l < firstOfLevel.size(); ++l) {
      const std::size_t childBegin = firstOfLevel[l - 1];
      for (std::size_t n = firstOfLevel[l]; n < (l + 1 < firstOfLevel.size() ? firstOfLevel[l + 1] : blobs.size()); ++n) {
        std::vector<unsigned char>& blob = blobs[n];
        const std::size_t cells = (static_cast<std::size_t>(blob[2]) << 8) | blob[3];
        for (std::size_t c = 0; c < cells; ++c) {
          const std::size_t child = childBegin + (n - firstOfLevel[l]) * fanout + c;
          PutInt64(blob.data() + 4 + c * kCellBytes, number(child));
          parentOf[child] = static_cast<std::int64_t>(n);
        }
      }
    }
    blobs[root][0] = static_cast<unsigned char>(depth >> 8);
    blobs[root][1] = static_cast<unsigned char>(depth);

    Statement node(db.db, "INSERT OR REPLACE INTO " + Quoted(rtree + "_node", '"') + " (nodeno, data) VALUES (?, ?)");
    Statement parent(db.db, "INSERT INTO " + Quoted(rtree + "_parent", '"') + " (nodeno, parentnode) VALUES (?, ?)");
    Statement rowid(db.db, "INSERT INTO " + Quoted(rtree + "_rowid", '"') + " (rowid, nodeno) VALUES (?, ?)");
    if (node.s == nullptr || parent.s == nullptr || rowid.s == nullptr) return db.Reason();
    for (std::size_t n = 0; n < blobs.size(); ++n) {
      sqlite3_bind_int64(node.s, 1, number(n));
      sqlite3_bind_blob(node.s, 2, blobs[n].data(), nodeSize, SQLITE_STATIC);
      if (!node.Run()) return db.Reason();
      if (n != root) {
        sqlite3_bind_int64(parent.s, 1, number(n));
        sqlite3_bind_int64(parent.s, 2, number(static_cast<std::size_t>(parentOf[n])));
        if (!parent.Run()) return db.Reason();
      }
    }
    // Rows by id, in the order they were written: the table's own order.
    for (std::size_t i = 0; i < boxes_.size(); ++i) {
      sqlite3_bind_int64(rowid.s, 1, boxes_[i].id);
      sqlite3_bind_int64(rowid.s, 2, number(static_cast<std::size_t>(leafOf[i])));
      if (!rowid.Run()) return db.Reason();
    }
  }
  for (const std::string& trigger : triggers_) {
    if (!db.Exec(trigger)) return db.Reason();
  }
  if (!db.Exec("COMMIT")) return db.Reason();
  if (sqlite3_close(db.db) != SQLITE_OK) return db.Reason();
  db.db = nullptr;
  active_ = false;
  boxes_.clear();
  boxes_.shrink_to_fit();
  return {};
}

}  // namespace karvento
