// 导出图廓 DXF / PDF: the map frames of the sheets of the current tab's table
// (or of the checked ones), on the plane system of the list's fill, in the
// list's coordinates (the omitted large numbers taken off), one sheet after
// the other with progress and cancel.
#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <optional>
#include <string>

#include "export/dxf_frame.h"
#include "export/export_progress.h"
#include "export/safe_file.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"

namespace karvento {

namespace {

constexpr const char* kFramesOfStandardSheets = "图廓只能导出国家基本比例尺图幅（经纬线分幅）的图廓。";
constexpr const char* kNoFramePages = "此界面不能绘制 PDF 图廓。";

// The frame of a listed sheet: its scale from its frame, its 接合图表 in the
// standard its number is written in.
MapFrame FrameOfListed(const TStandardMapUnion& sheet, const TPlaneSystem& system) {
  std::array<TStandardMapUnion, 9> around;
  if (!NeighboursOfSheet(sheet, system.zone3, system.datum, system.cm, around)) {
    throw Error("不是标准图幅号：" + sheet.MapUnionNo);
  }
  std::array<std::string, 9> neighbours;
  for (int k = 0; k < 9; ++k) neighbours[k] = around[k].MapUnionNo;
  MapFrame f = BuildStandardFrame(sheet, ScaleOfSheet(sheet.Range), neighbours,
                                  {system.datum, system.zone3, system.cm, "", {}});
  if (system.offsetX != 0 || system.offsetY != 0) ShiftFrame(f, -system.offsetX, -system.offsetY);
  return f;
}

}  // namespace

void TfrmCreateMapUnRg::ExportFrames(bool pdf, bool checkedOnly) {
  ExportRecords chosen;
  if (!ChooseExportRecords(checkedOnly, chosen)) return;
  if (chosen.custom || chosen.standard == nullptr) {
    ui_.MessageBox(kErrorCaption, kFramesOfStandardSheets, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  const TStandardMapUnions& table = *chosen.standard;
  TPlaneSystem system = GeodeticTabOf(TabTableDatum()).Plane;
  if (checkedOnly) ListSystem(*ActiveList(), system);
  const std::uint64_t records = RecordsOf(table);
  if (records == 0) return;
  std::string fileName;
  std::unique_ptr<ProgressReporter> progress;
  if (!StartExport(pdf ? "PDF 文件（*.pdf）|*.pdf" : "DXF 文件（*.dxf）|*.dxf", pdf ? "pdf" : "dxf",
                   records, fileName, progress)) {
    return;
  }
  std::string reason;
  bool written = false;
  std::string shown = fileName;
  try {
    std::uint64_t done = 0;
    const auto each = [&](const auto& draw) {
      for (const auto& column : table) {
        for (const TStandardMapUnion& sheet : column) {
          if (!progress->Step(done)) return false;
          draw(FrameOfListed(sheet, system));
          ++done;
        }
      }
      return progress->Step(done);
    };
    if (pdf) {
      // One document, put in place only when its last page is written.
      SafeFile file(fileName);
      std::unique_ptr<FramePages> pages = ui_.BeginFramePages([&file](std::string_view b) { file.Write(b); });
      if (!pages) throw Error(kNoFramePages);
      if (each([&](const MapFrame& f) { pages->Add(f); })) {
        pages->Finish();
        pages.reset();
        file.Commit();
        written = true;
      }
    } else if (records == 1) {
      written = each([&](const MapFrame& f) { WriteDxfFrame(fileName, f); });
    } else {
      // Several sheets: a folder named as the file chosen, one file each.
      const std::size_t slash = fileName.rfind('/');
      const std::string folder =
          (slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1)) + ExtractFileTitle(fileName);
      if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
        throw Error(FileWriteError(folder, std::strerror(errno)));
      }
      shown = folder;
      written = each([&](const MapFrame& f) { WriteDxfFrame(folder + "/" + f.number + ".dxf", f); });
    }
  } catch (const Error& e) {
    reason = e.what();
  }
  EndExport(std::move(progress), written, reason, records, shown);
}

void TfrmCreateMapUnRg::ExportFrameOf(const TStandardMapUnion& sheet, const TPlaneSystem& system) {
  SaveDialog1.Filter = "DXF 文件（*.dxf）|*.dxf|PDF 文件（*.pdf）|*.pdf";
  SaveDialog1.DefaultExt = "dxf";
  std::string fileName;
  if (!ExecuteFileDialog(ui_, SaveDialog1, fileName)) return;
  const MapFrame frame = FrameOfListed(sheet, system);
  const bool pdf = fileName.size() >= 4 && fileName.compare(fileName.size() - 4, 4, ".pdf") == 0;
  if (pdf) {
    SafeFile file(fileName);
    std::unique_ptr<FramePages> pages = ui_.BeginFramePages([&file](std::string_view b) { file.Write(b); });
    if (!pages) throw Error(kNoFramePages);
    pages->Add(frame);
    pages->Finish();
    pages.reset();
    file.Commit();
  } else {
    WriteDxfFrame(fileName, frame);
  }
  StatusLine.Caption = "已生成图廓 " + fileName;
}

}  // namespace karvento
