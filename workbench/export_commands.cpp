// The export commands of the main window: MIF/MID in geographic or plane
// coordinates, and the workbook. Each writes the sheet table of the current
// tab's coordinate system, the whole last fill, whatever the list shows now.
#include <cstdint>
#include <memory>
#include <string>
#include <utility>

#include "export/export_progress.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/create_map_un_rg.h"

namespace karvento {

// The tables are per coordinate system: the conversion tab writes the table
// of the system chosen there.
bool TfrmCreateMapUnRg::TabTableIs54() const {
  return activeTab_ == kTabBeijing54 || (activeTab_ == kTabConvert && RzRadioButton7.Checked());
}

const TStandardMapUnions* TfrmCreateMapUnRg::StandardTableOfTab() const {
  switch (activeTab_) {
    case kTabBeijing54:
    case kTabXian80:
    case kTabConvert:
      return TabTableIs54() ? &FMapUnions54.get() : &FMapUnions80.get();
    default:
      return nullptr;
  }
}

void TfrmCreateMapUnRg::N1Click() {
  Dispatch([this] { ExportMif(true); });
}

void TfrmCreateMapUnRg::N2Click() {
  Dispatch([this] { ExportMif(false); });
}

void TfrmCreateMapUnRg::Excel1Click() {
  Dispatch([this] { ExportWorkbook(); });
}

void TfrmCreateMapUnRg::ExportMif(bool geographic) {
  const TStandardMapUnions* standard = StandardTableOfTab();
  const bool custom = activeTab_ == kTabCustom;
  // An independent grid has no geographic corners; other tabs have no table.
  if (standard == nullptr && !(custom && !geographic)) return;
  std::string fileName;
  std::unique_ptr<ProgressReporter> progress;
  if (!StartExport(kMifFilter, "mif", standard, fileName, progress)) return;
  const ExportProgress report = [&](std::uint64_t done, std::uint64_t) {
    return progress->Step(done);
  };
  std::string reason;
  bool written = false;
  if (custom) {
    written = WriteCustomMif(fileName, FCustomMapUnions, &reason, report);
  } else if (geographic) {
    written = WriteGeoMif(fileName, *standard, &reason, report);
  } else {
    written = WritePlaneMif(fileName, *standard, &reason, report);
  }
  EndExport(std::move(progress), written, reason);
}

bool TfrmCreateMapUnRg::StartExport(const char* filter, const char* extension,
                                    const TStandardMapUnions* standard, std::string& fileName,
                                    std::unique_ptr<ProgressReporter>& progress) {
  // Every save dialog gets its filter and default extension just before it
  // is shown.
  SaveDialog1.Filter = filter;
  SaveDialog1.DefaultExt = extension;
  if (!ExecuteFileDialog(ui_, SaveDialog1, fileName)) return false;
  const std::uint64_t records =
      standard ? RecordsOf(*standard) : RecordsOf(FCustomMapUnions.get());
  progress = ui_.BeginProgress(kWindowCaption, kExportingText, records);
  return true;
}

void TfrmCreateMapUnRg::EndExport(std::unique_ptr<ProgressReporter> progress, bool written,
                                  const std::string& reason) {
  // The user's own cancel is no error: the writer has left the files as
  // they were, and nothing is shown.
  const bool cancelled = progress->Cancelled();
  progress.reset();
  if (!written && !cancelled) {
    ui_.MessageBox(kErrorCaption, reason, MessageButtons::Ok, MessageIcon::Error);
  }
}

void TfrmCreateMapUnRg::ExportWorkbook() {
  const TStandardMapUnions* standard = StandardTableOfTab();
  const bool custom = activeTab_ == kTabCustom;
  if (standard == nullptr && !custom) return;
  // A table too big for one worksheet is refused before a name is asked for.
  const std::string refusal =
      WorkbookRecordsRefusal(standard ? RecordsOf(*standard) : RecordsOf(FCustomMapUnions.get()));
  if (!refusal.empty()) {
    ui_.MessageBox(kErrorCaption, refusal, MessageButtons::Ok, MessageIcon::Error);
    return;
  }
  std::string fileName;
  std::unique_ptr<ProgressReporter> progress;
  if (!StartExport(kXlsxFilter, "xlsx", standard, fileName, progress)) return;
  const ExportProgress report = [&](std::uint64_t done, std::uint64_t) {
    return progress->Step(done);
  };
  std::string reason;
  bool written = false;
  if (custom) {
    written = ExportCustomMapUnionsToXls(fileName, kXlsTitleCustom, kCustomXlsHeader,
                                         FCustomMapUnions, &reason, report);
  } else {
    written = ExportStandardMapUnionsToXls(fileName, TabTableIs54() ? kXlsTitle54 : kXlsTitle80,
                                           kStandardXlsHeader, *standard, &reason, report);
  }
  EndExport(std::move(progress), written, reason);
}

}  // namespace karvento
