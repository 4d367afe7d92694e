// What the commands of karvento-cli share: the output options and the
// projection options.
#pragma once

#include <cstdio>
#include <memory>
#include <string>

#include "cli/args.h"
#include "cli/output.h"
#include "numbering/sheet_types.h"

namespace karvento::cli {

// --format, --output and --encoding.
struct OutputOptions {
  Format format = Format::Table;
  std::string file;  // empty: standard output
  CsvEncoding encoding = CsvEncoding::Utf8Bom;  // also a Shapefile's text (UTF-8 or GBK)
  bool geoMif = false;  // --coords geo: MIF, shp, gpkg, dxf in longitude and latitude
};
inline const OptionSpec kOutputOptionSpecs[] = {
    {"format", true}, {"output", true}, {"encoding", true}, {"coords", true}};
OutputOptions ReadOutputOptions(const Args& args);

// The text stream of a command: standard output or the --output file, which
// replaces an existing file only when it is complete.
class OutputStream {
 public:
  explicit OutputStream(const OutputOptions& o);
  ~OutputStream();
  OutputStream(const OutputStream&) = delete;
  OutputStream& operator=(const OutputStream&) = delete;
  Output& out() { return *out_; }
  // Flushes, and puts the file in place; a failure throws.
  void Finish();

 private:
  std::unique_ptr<Sink> sink_;
  std::unique_ptr<Output> out_;
  class FileSink;
  FileSink* file_ = nullptr;
};

// --datum 54|80, --zone 3|6, --cm DEGREES.
struct Projection {
  bool is54 = true;
  bool zone3 = true;
  double cm = 0;
};

// Writes a whole table in one of the file formats (mif, xlsx, shp, gpkg, dxf,
// kml); false when the format is none of them. A failed writer throws with
// its reason. The projection and the offsets subtracted from the plane
// corners give the GIS files their coordinate system.
bool WriteStandardFile(const OutputOptions& o, const TStandardMapUnions& sheets,
                       const Projection& p, double offsetX, double offsetY);
bool WriteCustomFile(const OutputOptions& o, const TCustomMapUnions& sheets);
inline const OptionSpec kProjectionOptionSpecs[] = {{"datum", true}, {"zone", true}, {"cm", true}};
Projection ReadProjection(const Args& args);

// Every option of a command: its own and the shared groups.
template <std::size_t N, std::size_t... M>
std::vector<OptionSpec> Options(const OptionSpec (&own)[N], const OptionSpec (&... groups)[M]) {
  std::vector<OptionSpec> all(own, own + N);
  (all.insert(all.end(), groups, groups + M), ...);
  all.push_back({"help", false});
  return all;
}

// Prints the command's help when --help is given; true then.
bool HelpRequested(const Args& args, const char* help);

}  // namespace karvento::cli
