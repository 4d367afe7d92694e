// SPDX-License-Identifier: Apache-2.0
#include "cli/modules.h"
#include "cli/i18n.h"

#include <dlfcn.h>
#include <unistd.h>

#include <climits>

#include "numbering/error.h"

namespace karvento::cli {

std::string ProgramFolder() {
  char path[PATH_MAX];
  const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
  if (n <= 0) return ".";
  const std::string program(path, static_cast<std::size_t>(n));
  return program.substr(0, program.find_last_of('/'));
}

namespace {

// The module's table: by its name, as the dynamic loader finds it (a module
// already loaded, the search path of a program linked with it), else from the
// program's folder (a build tree), else from the folder the package installs
// it into.
const void* Open(const char* file, const char* symbol, const char* what) {
  const std::string folder = ProgramFolder();
  const std::string places[] = {file, folder + "/" + file, folder + "/../" KARVENTO_MODULE_DIR "/" + file};
  std::string reason;
  for (const std::string& place : places) {
    void* module = dlopen(place.c_str(), RTLD_NOW);
    if (module == nullptr) {
      if (place != file && reason.empty()) {
        const char* error = dlerror();
        reason = error ? error : place;
      }
      continue;
    }
    const auto table = reinterpret_cast<const void* (*)()>(dlsym(module, symbol));
    if (table == nullptr) throw Error(TrFormat("%s 不是 karvento-cli 的模块：%s", {file, dlerror()}));
    return table();
  }
  throw Error(TrFormat("%s需要模块 %s，无法加载（%s）。请安装或重新安装软件包 karvento"
                       "（sudo apt-get install --reinstall karvento）。",
                       {Tr(what), file, reason}));
}

}  // namespace

const GisModule& Gis() {
  static const auto* module =
      static_cast<const GisModule*>(Open("libkarvento-cli-gis.so", kGisModuleSymbol, N_("GIS 格式、范围文件和参数文件")));
  return *module;
}

const MapModule& Map() {
  static const auto* module =
      static_cast<const MapModule*>(Open("libkarvento-cli-map.so", kMapModuleSymbol, N_("图幅示意图（svg、png、pdf）")));
  return *module;
}

}  // namespace karvento::cli
