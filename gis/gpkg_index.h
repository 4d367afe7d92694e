// SPDX-License-Identifier: Apache-2.0
// The spatial index of a GeoPackage layer written in one go.
//
// A GeoPackage reader expects the R-tree of every feature table (the
// gpkg_rtree_index extension): QGIS and GDAL answer a pan or a spatial
// filter from it. SQLite's R*-tree takes each row on its own, about 11 µs a
// row whatever their order, so that the index of a million points costs ten
// times what writing the points does. This writes the same R-tree packed, as
// SQLite stores it (nodes of up to 51 boxes, the root node 1), from the
// boxes of the rows gathered while they were written: rows in Hilbert order
// of their centres, each node full but the last of its level. The triggers
// that keep it up to date when the file is edited later are GDAL's own,
// set aside while the rows go in and put back afterwards; readers and later
// edits see the index that SQLite itself would hold (SQLite's rtreecheck()
// finds it whole). Past maxPacked rows (their boxes are held until the
// end, and the tree is built from them in memory: about 90 bytes a row at
// the peak) the index is filled by SQLite row by row instead, as GDAL would
// fill it: slower, in bounded memory. A layer without a geometry column has
// no index.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include <gdal.h>

namespace karvento {

class GpkgBulkIndex {
 public:
  static constexpr std::size_t kMaxPackedRows = 2'000'000;
  explicit GpkgBulkIndex(std::size_t maxPacked = kMaxPackedRows) : maxPacked_(maxPacked) {}

  // Creates the empty index of the layer just created in ds (with
  // SPATIAL_INDEX=NO, before any row), and sets its triggers aside. The
  // reason where GDAL gave no such index, empty when it did (or when the
  // layer has no geometry column, and so no index: nothing is done).
  std::string Begin(GDALDatasetH ds, OGRLayerH layer);

  // The box of a row written, by its feature id. Rows without geometry, or
  // with an empty one, are left out, as the triggers leave them out.
  void Add(std::int64_t fid, double minX, double maxX, double minY, double maxY);

  // After the dataset is closed: writes the index into the file and puts the
  // triggers back. The reason where that failed, empty when it did not.
  std::string Finish(const std::string& file);

  bool Active() const { return active_; }

 private:
  struct Box {
    std::int64_t id;
    float minX, maxX, minY, maxY;
  };
  std::string FillRowByRow(const std::string& file);

  std::size_t maxPacked_;
  bool active_ = false;
  bool tooMany_ = false;
  std::string table_, column_, fid_;
  std::vector<std::string> triggers_;  // their CREATE statements
  std::vector<Box> boxes_;
};

}  // namespace karvento
