// SPDX-License-Identifier: Apache-2.0
// 导出图廓 DXF / PDF: the map frames of the sheets of the current tab's table
// (or of the checked ones), on the plane system of the list's fill, in the
// list's coordinates (the omitted large numbers taken off), one sheet after
// the other with progress and cancel. The independent grid's sheets are
// rectangular sheets at the tab's scale (比例尺 500, 1000 or 2000).
#include <sys/stat.h>

#include <cerrno>
#include <algorithm>
#include <cstring>
#include <optional>
#include <set>
#include <string>

#include "export/dxf_frame.h"
#include "export/export_progress.h"
#include "export/safe_file.h"
#include "numbering/map_frame.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"

namespace karvento {

namespace {

constexpr const char* kFrameScaleNeeded = "请先在“比例尺”中选择 500、1000 或 2000，再导出独立坐标系图幅的图廓。";
constexpr const char* kNoFramePages = "此界面不能绘制 PDF 图廓。";

// The 接合图表 of a sheet of an independent grid: its neighbours in the
// grid's table (rows from the lowest Y, each row from the lowest X), found
// by its corner; empty where the grid ends.
std::array<std::string, 9> GridNeighbours(const TCustomMapUnions& grid, const TCustomMapUnion& sheet) {
  std::array<std::string, 9> out;
  const auto row = std::lower_bound(grid.begin(), grid.end(), sheet.MinY,
                                    [](const std::vector<TCustomMapUnion>& r, double y) {
                                      return !r.empty() && r.front().MinY < y;
                                    });
  if (row == grid.end() || row->empty() || row->front().MinY != sheet.MinY) return out;
  const auto cell = std::lower_bound(row->begin(), row->end(), sheet.MinX,
                                     [](const TCustomMapUnion& c, double x) { return c.MinX < x; });
  if (cell == row->end() || cell->MinX != sheet.MinX) return out;
  const auto i = static_cast<long long>(row - grid.begin()), j = static_cast<long long>(cell - row->begin());
  for (int k = 0; k < 9; ++k) {
    const long long r = i + 1 - k / 3, c = j + k % 3 - 1;
    if (r < 0 || c < 0 || r >= static_cast<long long>(grid.size())) continue;
    const auto& line = grid[static_cast<std::size_t>(r)];
    if (c < static_cast<long long>(line.size())) out[static_cast<std::size_t>(k)] = line[static_cast<std::size_t>(c)].MapUnionNo;
  }
  return out;
}

}  // namespace

bool TfrmCreateMapUnRg::ConfirmFrameRun(const ExportRecords& chosen, const TPlaneSystem& system,
                                        int denominator, bool pdf, std::uint64_t records) {
  // The first frame, drawn and counted in its format, stands for each.
  std::optional<MapFrame> first;
  std::string warning;
  if (chosen.custom) {
    for (const auto& row : *chosen.customTable) {
      if (!row.empty()) {
        first = BuildRectangularFrame(row.front(), denominator, GridNeighbours(FCustomMapUnions.get(), row.front()), {});
        break;
      }
    }
  } else {
    for (const auto& column : *chosen.standard) {
      for (const TStandardMapUnion& sheet : column) {
        if (!first) first = FrameOfListedSheet(sheet, system.datum, system.zone3, system.cm, system.offsetX, system.offsetY);
        if (warning.empty()) {
          warning = FrameAccuracyWarning(sheet.MapUnionNo, system.datum, sheet.Range, system.cm);
        }
      }
    }
  }
  if (!first) return true;
  double bytes = 0;
  if (pdf) {
    std::unique_ptr<FramePages> pages = ui_.BeginFramePages([&bytes](std::string_view b) { bytes += static_cast<double>(b.size()); });
    if (!pages) throw Error(kNoFramePages);
    pages->Add(*first);
    pages->Finish();
  } else {
    bytes = static_cast<double>(DxfFrameText(*first).size());
  }
  const double estimate = bytes * static_cast<double>(records);
  if (!warning.empty() &&
      ui_.MessageBox("确认", warning + "。仍然导出图廓吗？", MessageButtons::YesNo, MessageIcon::Question) != MessageResult::Yes) {
    return false;
  }
  if (!FrameRunNeedsConfirmation(records, estimate)) return true;
  return ui_.MessageBox("确认", "将写出 " + FrameRunText(records, estimate).Text() + "。确实要导出吗？", MessageButtons::YesNo,
                        MessageIcon::Question) == MessageResult::Yes;
}

void TfrmCreateMapUnRg::ExportFrames(bool pdf, bool checkedOnly) {
  ExportRecords chosen;
  if (!ChooseExportRecords(checkedOnly, chosen)) return;
  // The independent grid's sheets are rectangular sheets at the tab's scale.
  const bool custom = chosen.custom;
  const int denominator = static_cast<int>(RzSpinEdit27.Value());
  if (custom && denominator != 500 && denominator != 1000 && denominator != 2000) {
    ui_.MessageBox(kErrorCaption, kFrameScaleNeeded, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  if (!custom && chosen.standard == nullptr) return;
  TPlaneSystem system;
  if (!custom) {
    system = GeodeticTabOf(TabTableDatum()).Plane;
    if (checkedOnly) ListSystem(*ActiveList(), system);
  }
  const std::uint64_t records = custom ? RecordsOf(*chosen.customTable) : RecordsOf(*chosen.standard);
  if (records == 0) return;
  if (!ConfirmFrameRun(chosen, system, denominator, pdf, records)) return;
  RunExport(pdf ? "PDF 文件（*.pdf）|*.pdf" : "DXF 文件（*.dxf）|*.dxf", pdf ? "pdf" : "dxf", records,
            [&](std::string& fileName, Message& reason, const ExportProgress& report) {
              try {
                return WriteFrames(chosen, system, denominator, pdf, records, fileName, report);
              } catch (const Error& e) {
                reason = e.GetMessage();
                return false;
              }
            });
}

bool TfrmCreateMapUnRg::WriteFrames(const ExportRecords& chosen, const TPlaneSystem& system,
                                    int denominator, bool pdf, std::uint64_t records,
                                    std::string& fileName, const ExportProgress& report) {
  const bool custom = chosen.custom;
  std::uint64_t done = 0;
  const auto each = [&](const auto& draw) {
    if (custom) {
      for (const auto& row : *chosen.customTable) {
        for (const TCustomMapUnion& sheet : row) {
          if (!report(done, records)) return false;
          draw(BuildRectangularFrame(sheet, denominator, GridNeighbours(FCustomMapUnions.get(), sheet), {}));
          ++done;
        }
      }
      return report(done, records);
    }
    for (const auto& column : *chosen.standard) {
      for (const TStandardMapUnion& sheet : column) {
        if (!report(done, records)) return false;
        draw(FrameOfListedSheet(sheet, system.datum, system.zone3, system.cm, system.offsetX, system.offsetY));
        ++done;
      }
    }
    return report(done, records);
  };
  if (pdf) {
    // One document, put in place only when its last page is written.
    SafeFile file(fileName);
    std::unique_ptr<FramePages> pages = ui_.BeginFramePages([&file](std::string_view b) { file.Write(b); });
    if (!pages) throw Error(kNoFramePages);
    if (!each([&](const MapFrame& f) { pages->Add(f); })) return false;
    pages->Finish();
    pages.reset();
    file.Commit();
    return true;
  }
  if (records == 1) return each([&](const MapFrame& f) { WriteDxfFrame(fileName, f); });
  // Several sheets: a folder named as the file chosen, one file each.
  const std::size_t slash = fileName.rfind('/');
  const std::string folder =
      (slash == std::string::npos ? std::string() : fileName.substr(0, slash + 1)) + ExtractFileTitle(fileName);
  if (mkdir(folder.c_str(), 0777) != 0 && errno != EEXIST) {
    throw Error(FileWriteError(folder, errno));
  }
  // Every number must name a file in the folder before the first is written.
  const auto nameable = [](const std::string& n) {
    return !n.empty() && n != "." && n != ".." && n.find('/') == std::string::npos;
  };
  // …and once: one frame of the run never replaces another.
  std::set<std::string_view> seen;
  const auto refuse = [&](const std::string& n) {
    if (!nameable(n)) throw Error("图幅号不能作为文件名：" + n);
    if (!seen.insert(n).second) throw Error("两个图廓同名：" + n + "（已写出的文件不会被同一次运行的另一个图廓替换）");
  };
  if (custom) {
    for (const auto& row : *chosen.customTable) {
      for (const TCustomMapUnion& sheet : row) refuse(sheet.MapUnionNo);
    }
  } else {
    for (const auto& column : *chosen.standard) {
      for (const TStandardMapUnion& sheet : column) refuse(sheet.MapUnionNo);
    }
  }
  // The report names the folder.
  fileName = folder;
  return each([&](const MapFrame& f) { WriteDxfFrame(folder + "/" + f.number + ".dxf", f); });
}

void TfrmCreateMapUnRg::ExportFrameOf(const TStandardMapUnion& sheet, const TPlaneSystem& system) {
  SaveDialog1.Filter = "DXF 文件（*.dxf）|*.dxf|PDF 文件（*.pdf）|*.pdf";
  SaveDialog1.DefaultExt = "dxf";
  // The frame of one sheet is named after the sheet, in the folder of the
  // last file chosen, as a PDF when that was one.
  {
    const std::string& last = SaveDialog1.FileName;
    const std::size_t slash = last.find_last_of("/\\");
    const bool pdf = last.size() >= 4 && last.compare(last.size() - 4, 4, ".pdf") == 0;
    SaveDialog1.FileName = (slash == std::string::npos ? std::string() : last.substr(0, slash + 1)) +
                           sheet.MapUnionNo + (pdf ? ".pdf" : ".dxf");
  }
  std::string fileName;
  if (!ExecuteFileDialog(ui_, SaveDialog1, fileName)) return;
  const std::string warning = FrameAccuracyWarning(sheet.MapUnionNo, system.datum, sheet.Range, system.cm);
  if (!warning.empty() &&
      ui_.MessageBox("确认", warning + "。仍然导出图廓吗？", MessageButtons::YesNo, MessageIcon::Question) != MessageResult::Yes) {
    return;
  }
  const MapFrame frame =
      FrameOfListedSheet(sheet, system.datum, system.zone3, system.cm, system.offsetX, system.offsetY);
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
