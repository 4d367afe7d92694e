// The commands of karvento-cli.
#pragma once

#include <string>
#include <vector>

namespace karvento::cli {

struct Command {
  const char* name;
  int (*run)(const std::vector<std::string>& words);  // returns the exit status
};

const std::vector<Command>& Commands();

int RunSheets(const std::vector<std::string>& words);

}  // namespace karvento::cli
