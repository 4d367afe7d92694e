// The export commands of the main window: MIF/MID in geographic or plane
// coordinates, the workbook, and the GIS formats (Shapefile, GeoPackage, DXF,
// KML) with their coordinate system. Each writes the sheet table of the current
// tab's coordinate system, the whole last fill, whatever the list shows now;
// each also has a companion that hands only the checked sheets of the active
// list, in list order, to the same writer.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "export/export_progress.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"
#include "workbench/user_texts.h"

namespace karvento {
namespace {

constexpr const char* kNothingChecked = "没有选中的图幅，未导出";

// The export items other than the three the window always had (N1, N2,
// Excel1): what each writes. Every item has a checked-only companion, which
// hands the checked rows of the active list to the same writer.
enum class ExportKind { Mif, Workbook, Gis, FrameDxf, FramePdf };
struct ExportItem {
  const char* name;
  ExportKind kind;
  bool geographic;
  bool checkedOnly;
  GisFormat gis = GisFormat::Shapefile;
};
constexpr ExportItem kExportItems[] = {
    {"SHP2", ExportKind::Gis, true, false, GisFormat::Shapefile},
    {"SHP3", ExportKind::Gis, false, false, GisFormat::Shapefile},
    {"GPKG1", ExportKind::Gis, false, false, GisFormat::GeoPackage},
    {"DXF1", ExportKind::Gis, false, false, GisFormat::Dxf},
    {"KML1", ExportKind::Gis, true, false, GisFormat::Kml},
    {"N1Checked", ExportKind::Mif, true, true},
    {"N2Checked", ExportKind::Mif, false, true},
    {"Excel1Checked", ExportKind::Workbook, false, true},
    {"SHP2Checked", ExportKind::Gis, true, true, GisFormat::Shapefile},
    {"SHP3Checked", ExportKind::Gis, false, true, GisFormat::Shapefile},
    {"GPKG1Checked", ExportKind::Gis, false, true, GisFormat::GeoPackage},
    {"DXF1Checked", ExportKind::Gis, false, true, GisFormat::Dxf},
    {"KML1Checked", ExportKind::Gis, true, true, GisFormat::Kml},
    {"FrameDxf1", ExportKind::FrameDxf, false, false},
    {"FramePdf1", ExportKind::FramePdf, false, false},
    {"FrameDxf1Checked", ExportKind::FrameDxf, false, true},
    {"FramePdf1Checked", ExportKind::FramePdf, false, true},
};

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

void TfrmCreateMapUnRg::N1Click() {
  Dispatch([this] { ExportMif(true, false); });
}

void TfrmCreateMapUnRg::N2Click() {
  Dispatch([this] { ExportMif(false, false); });
}

void TfrmCreateMapUnRg::Excel1Click() {
  Dispatch([this] { ExportWorkbook(false); });
}

bool TfrmCreateMapUnRg::ExportItemClick(std::string_view name, bool run) {
  for (const ExportItem& e : kExportItems) {
    if (name != e.name) continue;
    if (!run) return true;
    Dispatch([&] {
      switch (e.kind) {
        case ExportKind::Mif:
          ExportMif(e.geographic, e.checkedOnly);
          break;
        case ExportKind::Workbook:
          ExportWorkbook(e.checkedOnly);
          break;
        case ExportKind::Gis:
          ExportGis(e.gis, e.geographic, e.checkedOnly);
          break;
        case ExportKind::FrameDxf:
        case ExportKind::FramePdf:
          ExportFrames(e.kind == ExportKind::FramePdf, e.checkedOnly);
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
  ExportRecords chosen;
  if (!ChooseExportRecords(checkedOnly, chosen)) return;
  const TStandardMapUnions* standard = chosen.standard;
  const bool custom = chosen.custom;
  const TCustomMapUnions* customTable = chosen.customTable;
  if (standard == nullptr && !custom) return;
  const GisOptions options{format, geographic, GisEncoding::Utf8};
  // The checked rows carry the plane system of their list's fill.
  TPlaneSystem system = GeodeticTabOf(TabTableDatum()).Plane;
  if (checkedOnly && !custom) ListSystem(*ActiveList(), system);
  // A file that cannot be written is refused before its name is asked for.
  const std::string refusal =
      custom ? GisRefusal(*customTable, options) : GisRefusal(*standard, system, options);
  if (!refusal.empty()) {
    ui_.MessageBox(kErrorCaption, refusal, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  const std::uint64_t records = custom ? RecordsOf(*customTable) : RecordsOf(*standard);
  RunExport(GisFilter(format), GisExtension(format), records,
            [&](std::string& fileName, std::string& reason, const ExportProgress& report) {
              return custom ? WriteGisCustomSheets(fileName, *customTable, options, &reason, report)
                            : WriteGisSheets(fileName, *standard, system, options, &reason, report);
            });
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
  ExportRecords chosen;
  if (!ChooseExportRecords(checkedOnly, chosen)) return;
  const TStandardMapUnions* standard = chosen.standard;
  const bool custom = chosen.custom;
  const TCustomMapUnions* customTable = chosen.customTable;
  // An independent grid has no geographic corners; other tabs have no table.
  if (standard == nullptr && !(custom && !geographic)) return;
  const std::uint64_t records = standard ? RecordsOf(*standard) : RecordsOf(*customTable);
  RunExport(kMifFilter, "mif", records,
            [&](std::string& fileName, std::string& reason, const ExportProgress& report) {
              if (custom) return WriteCustomMif(fileName, *customTable, &reason, report);
              if (geographic) return WriteGeoMif(fileName, *standard, &reason, report);
              return WritePlaneMif(fileName, *standard, &reason, report);
            });
}

void TfrmCreateMapUnRg::RunExport(const char* filter, const char* extension, std::uint64_t records,
                                  const ExportWriter& write) {
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
  std::string reason;
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
  ExportRecords chosen;
  if (!ChooseExportRecords(checkedOnly, chosen)) return;
  const TStandardMapUnions* standard = chosen.standard;
  const bool custom = chosen.custom;
  const TCustomMapUnions* customTable = chosen.customTable;
  if (standard == nullptr && !custom) return;
  // A table too big for one worksheet is refused before a name is asked for.
  const std::string refusal =
      WorkbookRecordsRefusal(standard ? RecordsOf(*standard) : RecordsOf(*customTable));
  if (!refusal.empty()) {
    ui_.MessageBox(kErrorCaption, refusal, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  const std::uint64_t records = standard ? RecordsOf(*standard) : RecordsOf(*customTable);
  RunExport(kXlsxFilter, "xlsx", records,
            [&](std::string& fileName, std::string& reason, const ExportProgress& report) {
              if (custom) {
                return ExportCustomMapUnionsToXls(fileName, kXlsTitleCustom, kCustomXlsHeader,
                                                  *customTable, &reason, report);
              }
              return ExportStandardMapUnionsToXls(fileName, XlsTitleOf(TabTableDatum()),
                                                  kStandardXlsHeader, *standard, &reason, report);
            });
}

}  // namespace karvento
