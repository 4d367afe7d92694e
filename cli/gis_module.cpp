// SPDX-License-Identifier: Apache-2.0
// libkarvento-cli-gis.so: what karvento-cli asks of GDAL, behind the table of
// cli/modules.h.
#include <signal.h>

#include "cli/modules.h"
#include "export/safe_file.h"
#include "geodesy/gauss_kruger.h"

namespace karvento::cli {

namespace {

class Stream : public GisColumns {
 public:
  Stream(const std::string& file, const GisTableOutline& outline, const TPlaneSystem& system,
         const GisOptions& options)
      : stream_(file, outline, system, options) {}
  void Column(const std::vector<TStandardMapUnion>& column) override { stream_.Column(column); }
  void Commit() override { stream_.Commit(); }

 private:
  GisSheetStream stream_;
};

bool WriteCustomSheets(const std::string& file, const TCustomMapUnions& sheets, const GisOptions& options,
                       const TPlaneSystem* plane, Message* reason) {
  GisCrs crs;
  if (plane != nullptr) {
    // Eastings with the zone number are the zone's EPSG system; without
    // it, the same system with the zone's millions omitted.
    bool prefixed = true;
    for (const auto& row : sheets) {
      for (const TCustomMapUnion& s : row) prefixed = prefixed && s.MinX >= 1000000;
    }
    const double zoneMillions = FalseEasting(plane->zone3, plane->cm) - 500000;
    crs = PlaneCrs(plane->cm, plane->cm,
                   TPlaneSystem{plane->datum, plane->zone3, plane->cm, prefixed ? 0 : zoneMillions, 0});
  }
  return WriteGisCustomSheets(file, sheets, options, reason, {}, crs);
}

const GisModule kModule = {
    [](const std::string& file, const TStandardMapUnions& sheets, const TPlaneSystem& system,
       const GisOptions& options, Message* reason) {
      return WriteGisSheets(file, sheets, system, options, reason);
    },
    WriteCustomSheets,
    [](const std::string& file, const GisTableOutline& outline, const TPlaneSystem& system,
       const GisOptions& options) -> std::unique_ptr<GisColumns> {
      return std::make_unique<Stream>(file, outline, system, options);
    },
    [](GisTableOutline& outline, const std::vector<TStandardMapUnion>& column) { outline.Add(column); },
    [](const std::string& file, const std::string& layer, const std::string& where, Datum datum) {
      return ReadAreaFile(file, layer, where, datum);
    },
    MoveLayer,
    ReadLayerCommonPoints,
    TagLayer,
    PlanClip,
    RunClip,
    ReadSheetTable,
};

// The module writes its files through its own copy of the safe writer, whose
// temporary files only its own signal handler knows. Where the program has
// its handler in place, the two are chained: an interrupt removes the
// unfinished files of both, then ends the program as the signal would.
void (*programHandler[NSIG])(int) = {};
void (*moduleHandler[NSIG])(int) = {};

extern "C" void RemoveBothTempsAndDie(int sig) {
  // Each handler removes its files and raises the signal again, which stays
  // pending until this handler returns with the default action restored.
  if (moduleHandler[sig] != nullptr) moduleHandler[sig](sig);
  if (programHandler[sig] != nullptr) programHandler[sig](sig);
}

void ChainFileSignals() {
  const int signals[] = {SIGINT, SIGTERM, SIGHUP};
  sigset_t block, old;
  sigemptyset(&block);
  for (int sig : signals) sigaddset(&block, sig);
  ::sigprocmask(SIG_BLOCK, &block, &old);
  for (int sig : signals) {
    struct sigaction program {};
    if (::sigaction(sig, nullptr, &program) != 0 || (program.sa_flags & SA_SIGINFO) != 0 ||
        program.sa_handler == SIG_DFL || program.sa_handler == SIG_IGN) {
      continue;
    }
    programHandler[sig] = program.sa_handler;
    struct sigaction none {};
    none.sa_handler = SIG_DFL;
    ::sigaction(sig, &none, nullptr);
  }
  PrepareFileSignals();  // this module's copy: installs its handler where the default is
  for (int sig : signals) {
    if (programHandler[sig] == nullptr) continue;
    struct sigaction own {};
    ::sigaction(sig, nullptr, &own);
    if (own.sa_handler != SIG_DFL && own.sa_handler != SIG_IGN) moduleHandler[sig] = own.sa_handler;
    struct sigaction both {};
    both.sa_handler = RemoveBothTempsAndDie;
    both.sa_flags = SA_RESETHAND;
    sigemptyset(&both.sa_mask);
    ::sigaction(sig, &both, nullptr);
  }
  ::sigprocmask(SIG_SETMASK, &old, nullptr);
}

}  // namespace

}  // namespace karvento::cli

extern "C" __attribute__((visibility("default"))) const void* karvento_cli_gis_module() {
  static const bool chained = (karvento::cli::ChainFileSignals(), true);
  (void)chained;
  return &karvento::cli::kModule;
}
