// SPDX-License-Identifier: Apache-2.0
// The export commands of the main window: MIF/MID in geographic or plane
// coordinates, the workbook, and the GIS formats (Shapefile, GeoPackage, DXF,
// KML) with their coordinate system. Each writes the sheet table of the current
// tab's coordinate system, the whole last fill, whatever the list shows now;
// each also has a companion that hands only the checked sheets of the active
// list, in list order, to the same writer.
#include <charconv>
#include <cmath>
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <utility>

#include "export/export_progress.h"
#include "export/sheet_fields.h"
#include "geodesy/gauss_kruger.h"
#include "numbering/scales.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/user_texts.h"

namespace karvento {
namespace {

// The title row of a workbook of geodetic sheets: the datum, the zones and
// central meridian of its plane coordinates and the scale of its sheets
// ("图幅表（北京54坐标系，3度带 第39带，中央经度 117°，1:1万）"), so that a
// printed table says what its numbers mean.
std::string WorkbookTitle(const TPlaneSystem& system, const TStandardMapUnions& table) {
  std::string title = XlsTitleOf(system.datum);
  const std::string_view close = "）";
  if (title.size() >= close.size() && title.compare(title.size() - close.size(), close.size(), close) == 0) {
    title.resize(title.size() - close.size());
  }
  title += system.zone3 ? "，3度带" : "，6度带";
  if (system.cm > 0) {
    const double zone = ZoneNumber(system.zone3, system.cm);
    char buf[64];
    const auto meridian = std::to_chars(buf, buf + sizeof buf, system.cm);
    if (zone == std::trunc(zone)) title += " 第" + std::to_string(static_cast<long long>(zone)) + "带";
    title += "，中央经度 " + std::string(buf, meridian.ptr) + "°";
  } else {
    title += "，按各图幅所在带";
  }
  for (const auto& column : table) {
    if (column.empty()) continue;
    const ScaleIndex scale = ScaleOf(column.front(), system);
    if (scale >= 0 && scale < kScaleCount) title += "，" + std::string(kScaleCaptions[static_cast<std::size_t>(scale)]);
    break;
  }
  return title + std::string(close);
}

constexpr const char* kNothingChecked = "没有选中的图幅，未导出";

// The export items: what each writes. Every item has a checked-only
// companion, named as the item with "Checked" after it, which hands the
// checked rows of the active list to the same writer.
enum class ExportKind { Mif, Workbook, Gis, FrameDxf, FramePdf };
struct ExportItem {
  std::string_view name;
  ExportKind kind;
  bool geographic;
  GisFormat gis = GisFormat::Shapefile;
};
constexpr ExportItem kExportItems[] = {
    {"N1", ExportKind::Mif, true},
    {"N2", ExportKind::Mif, false},
    {"Excel1", ExportKind::Workbook, false},
    {"SHP2", ExportKind::Gis, true, GisFormat::Shapefile},
    {"SHP3", ExportKind::Gis, false, GisFormat::Shapefile},
    {"GPKG1", ExportKind::Gis, false, GisFormat::GeoPackage},
    {"DXF1", ExportKind::Gis, false, GisFormat::Dxf},
    {"KML1", ExportKind::Gis, true, GisFormat::Kml},
    {"FrameDxf1", ExportKind::FrameDxf, false},
    {"FramePdf1", ExportKind::FramePdf, false},
};
constexpr std::string_view kCheckedSuffix = "Checked";

}  // namespace

// The tables are per coordinate system: the conversion tab writes the table
// of the system chosen there.
Datum TfrmCreateMapUnRg::TabTableDatum() const {
  if (const GeodeticTab* tab = GeodeticTabOf(activeTab_)) return tab->datum;
  return ConversionDatum();
}

const TStandardMapUnions* TfrmCreateMapUnRg::StandardTableOfTab() const {
  if (GeodeticTabOf(activeTab_) == nullptr && activeTab_ != kTabConvert) return nullptr;
  const Datum datum = TabTableDatum();
  for (const GeodeticTab& g : GeodeticTabs) {
    if (g.datum == datum) return &g.Table.get();
  }
  return nullptr;
}

void TfrmCreateMapUnRg::N1Click() { ExportItemClick("N1", /*run=*/true); }
void TfrmCreateMapUnRg::N2Click() { ExportItemClick("N2", /*run=*/true); }
void TfrmCreateMapUnRg::Excel1Click() { ExportItemClick("Excel1", /*run=*/true); }

bool TfrmCreateMapUnRg::ExportItemClick(std::string_view name, bool run) {
  for (const ExportItem& e : kExportItems) {
    const bool checkedOnly = name.size() == e.name.size() + kCheckedSuffix.size() &&
                             name.starts_with(e.name) && name.ends_with(kCheckedSuffix);
    if (name != e.name && !checkedOnly) continue;
    if (!run) return true;
    Dispatch([&] {
      switch (e.kind) {
        case ExportKind::Mif:
          ExportMif(e.geographic, checkedOnly);
          break;
        case ExportKind::Workbook:
          ExportWorkbook(checkedOnly);
          break;
        case ExportKind::Gis:
          ExportGis(e.gis, e.geographic, checkedOnly);
          break;
        case ExportKind::FrameDxf:
        case ExportKind::FramePdf:
          ExportFrames(e.kind == ExportKind::FramePdf, checkedOnly);
          break;
      }
    });
    return true;
  }
  return false;
}

Datum TfrmCreateMapUnRg::DatumOfTab() const {
  return TabTableDatum();
}

void TfrmCreateMapUnRg::ExportGis(GisFormat format, bool geographic, bool checkedOnly) {
  ExportRecords r;
  if (!ChooseExportRecords(checkedOnly, r)) return;
  if (r.standard == nullptr && !r.custom) return;
  const GisOptions options{format, geographic, GisEncoding::Utf8};
  const TPlaneSystem system = ExportSystem(checkedOnly, r);
  const std::uint64_t records = r.custom ? RecordsOf(*r.customTable) : RecordsOf(*r.standard);
  RunExport(GisFilter(format), GisExtension(format), records,
            [&](std::string& fileName, Message& reason, const ExportProgress& report) {
              return r.custom
                         ? WriteGisCustomSheets(fileName, *r.customTable, options, &reason, report)
                         : WriteGisSheets(fileName, *r.standard, system, options, &reason, report);
            },
            // A file that cannot be written.
            r.custom ? GisRefusal(*r.customTable, options) : GisRefusal(*r.standard, system, options));
}

TPlaneSystem TfrmCreateMapUnRg::ExportSystem(bool checkedOnly, const ExportRecords& r) {
  // The checked rows carry the plane system of their list's fill.
  TPlaneSystem system = GeodeticTabOf(TabTableDatum()).Plane;
  if (checkedOnly && !r.custom) ListSystem(*ActiveList(), system);
  return system;
}

bool TfrmCreateMapUnRg::ChooseExportRecords(bool checkedOnly, ExportRecords& r) {
  r.standard = StandardTableOfTab();
  r.custom = activeTab_ == kTabCustom;
  r.customTable = &FCustomMapUnions.get();
  if (!checkedOnly) return true;
  if (!CheckedRecords(r.checkedStandard, r.checkedCustom, r.custom)) return false;
  r.standard = r.custom ? nullptr : &r.checkedStandard;
  r.customTable = &r.checkedCustom;
  return true;
}

bool TfrmCreateMapUnRg::CheckedRecords(TStandardMapUnions& standard, TCustomMapUnions& custom,
                                       bool& isCustom) {
  SheetList* list = ActiveList();
  if (list == nullptr) return false;
  if (list->CheckedCount() == 0) {
    StatusLine.Caption = kNothingChecked;
    return false;
  }
  isCustom = list->Kind() == RecordKind::Custom;
  // One sequence in list order: the writers walk outer then inner index.
  if (isCustom) {
    custom.assign(1, {});
    custom[0].reserve(list->CheckedCount());
  } else {
    standard.assign(1, {});
    standard[0].reserve(list->CheckedCount());
  }
  for (std::size_t i = 0; i < list->Count(); ++i) {
    if (!list->Checked(i)) continue;
    if (isCustom) {
      custom[0].push_back(list->CustomRecord(i));
    } else {
      standard[0].push_back(list->StandardRecord(i));
    }
  }
  return true;
}

void TfrmCreateMapUnRg::ExportMif(bool geographic, bool checkedOnly) {
  ExportRecords r;
  if (!ChooseExportRecords(checkedOnly, r)) return;
  // An independent grid has no geographic corners; other tabs have no table.
  if (r.standard == nullptr && !(r.custom && !geographic)) return;
  const std::uint64_t records = r.standard ? RecordsOf(*r.standard) : RecordsOf(*r.customTable);
  const TPlaneSystem plane = ExportSystem(checkedOnly, r);
  RunExport(kMifFilter, "mif", records,
            [&](std::string& fileName, Message& reason, const ExportProgress& report) {
              if (r.custom) return WriteCustomMif(fileName, *r.customTable, &reason, report);
              if (geographic) return WriteGeoMif(fileName, *r.standard, &reason, report);
              return WritePlaneMif(fileName, *r.standard, plane.zone3, plane.cm, &reason, report);
            });
}

void TfrmCreateMapUnRg::RunExport(const char* filter, const char* extension, std::uint64_t records,
                                  const ExportWriter& write, const std::string& refusal) {
  if (!refusal.empty()) {
    ui_.MessageBox(kErrorCaption, refusal, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  // Every save dialog gets its filter and default extension just before it
  // is shown.
  SaveDialog1.Filter = filter;
  SaveDialog1.DefaultExt = extension;
  std::string fileName;
  if (!ExecuteFileDialog(ui_, SaveDialog1, fileName)) return;
  std::unique_ptr<ProgressReporter> progress = ui_.BeginProgress(kWindowCaption, kExportingText, records);
  const ExportProgress report = [&](std::uint64_t done, std::uint64_t) {
    return progress->Step(done);
  };
  Message reason;
  const bool written = write(fileName, reason, report);
  // The user's own cancel is no error: the writer has left the files as
  // they were, and nothing is shown.
  const bool cancelled = progress->Cancelled();
  progress.reset();
  if (written) {
    StatusLine.Caption = "已导出 " + std::to_string(records) + " 幅到 " + fileName;
  } else if (cancelled) {
    StatusLine.Caption = "已取消导出，文件未改动：" + fileName;
  } else {
    ui_.MessageBox(kErrorCaption, UserFacingText(reason), MessageButtons::Ok, MessageIcon::Error);
  }
}

void TfrmCreateMapUnRg::ExportWorkbook(bool checkedOnly) {
  ExportRecords r;
  if (!ChooseExportRecords(checkedOnly, r)) return;
  if (r.standard == nullptr && !r.custom) return;
  const std::uint64_t records = r.standard ? RecordsOf(*r.standard) : RecordsOf(*r.customTable);
  TPlaneSystem system = ExportSystem(checkedOnly, r);
  system.datum = TabTableDatum();
  RunExport(kXlsxFilter, "xlsx", records,
            [&](std::string& fileName, Message& reason, const ExportProgress& report) {
              if (r.custom) {
                return ExportCustomMapUnionsToXls(fileName, kXlsTitleCustom, kCustomXlsHeader,
                                                  *r.customTable, &reason, report);
              }
              return ExportStandardMapUnionsToXls(fileName, WorkbookTitle(system, *r.standard),
                                                  kStandardXlsHeader, *r.standard, &reason, report);
            },
            // A table too big for one worksheet.
            WorkbookRecordsRefusal(records).Text());
}

}  // namespace karvento
