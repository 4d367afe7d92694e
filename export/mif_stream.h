// A MapInfo Interchange pair written column by column, for a sheet walk that
// hands its columns on without a whole table: the same files, byte for byte,
// as WritePlaneMif and WriteGeoMif write for the table of those columns.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "numbering/sheet_types.h"

namespace karvento {

class MifColumnWriter {
 public:
  // Creates both files (the MID beside the MIF) and writes the MIF header.
  // A plane MIF frames its sheets from southWest, the last sheet of the
  // first column, and northEast, the first sheet of the last column; without
  // them there is nothing to export, and the writer refuses with that
  // message. A geographic MIF needs neither. Throws karvento::Error.
  MifColumnWriter(const std::string& fileName, bool geo, const TStandardMapUnion* southWest,
                  const TStandardMapUnion* northEast);
  // Removes both temporary files unless Commit succeeded.
  ~MifColumnWriter();
  MifColumnWriter(const MifColumnWriter&) = delete;
  MifColumnWriter& operator=(const MifColumnWriter&) = delete;

  void Column(const std::vector<TStandardMapUnion>& column);
  // Puts both files in place, the MID first; a failure throws with the file
  // and the reason.
  void Commit();

 private:
  struct Files;
  bool geo_;
  std::unique_ptr<Files> files_;
};

}  // namespace karvento
