// SPDX-License-Identifier: Apache-2.0
// A frame's drawing written to a file through the safe writer.
#include "export/dxf_frame.h"
#include "export/safe_file.h"

namespace karvento {

void WriteDxfFrame(const std::string& fileName, const MapFrame& frame) {
  const std::string text = DxfFrameText(frame);
  SafeFile file(fileName);
  file.Write(text);
  file.Commit();
}

}  // namespace karvento
