// SPDX-License-Identifier: Apache-2.0
// A MapInfo Interchange pair written column by column, for a sheet walk that
// hands its columns on without a whole table: the same files, byte for byte,
// as WritePlaneMif and WriteGeoMif write for the table of those columns.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "export/text_output.h"
#include "numbering/sheet_types.h"

namespace karvento {

namespace mif {
class FilePair;
}

class MifColumnWriter {
 public:
  // Writes the MIF's bytes into mif and the MID's into mid (the browser
  // page's files); midName names the MID in the refusal of a number that no
  // record can hold. A plane MIF frames its sheets from southWest, the last
  // sheet of the first column, and northEast, the first sheet of the last
  // column; without them there is nothing to export, and the writer refuses
  // with that message. A geographic MIF needs neither. Throws
  // karvento::Error. Writes the MIF header.
  // zone3 and cm are those of the plane corners: without a central meridian
  // (cm = 0) sheets in more than one zone have no one plane, and a plane MIF
  // of them is refused (kSpansZonesMessage) before anything is written.
  MifColumnWriter(Sink& mif, Sink& mid, const std::string& midName, bool geo,
                  const TStandardMapUnion* southWest, const TStandardMapUnion* northEast, bool zone3,
                  double cm);
  // The same into files through the safe writer: creates both (the MID
  // beside the MIF, under its title), removed again unless Commit succeeds.
  MifColumnWriter(const std::string& fileName, bool geo, const TStandardMapUnion* southWest,
                  const TStandardMapUnion* northEast, bool zone3, double cm);
  ~MifColumnWriter();
  MifColumnWriter(const MifColumnWriter&) = delete;
  MifColumnWriter& operator=(const MifColumnWriter&) = delete;

  void Column(const std::vector<TStandardMapUnion>& column);
  // Writes out what is buffered; for files, puts both in place, the MID
  // first; a failure throws with the file and the reason.
  void Commit();

 private:
  MifColumnWriter(std::unique_ptr<mif::FilePair> files, bool geo, const TStandardMapUnion* southWest,
                  const TStandardMapUnion* northEast);
  void Start(Sink& mifSink, const std::string& mifName, Sink& midSink, const std::string& midName,
             const TStandardMapUnion* southWest, const TStandardMapUnion* northEast);

  struct Streams;
  bool geo_;
  std::unique_ptr<mif::FilePair> files_;
  std::unique_ptr<Streams> streams_;
};

}  // namespace karvento
