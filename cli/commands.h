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
int RunGrid(const std::vector<std::string>& words);
int RunCheck(const std::vector<std::string>& words);
int RunConvert(const std::vector<std::string>& words);
int RunProject(const std::vector<std::string>& words);
int RunDms(const std::vector<std::string>& words);
int RunAt(const std::vector<std::string>& words);
int RunFrame(const std::vector<std::string>& words);

// Sheet numbers, one per line, from a file or (for an empty name) standard
// input, read as a number list is.
std::vector<std::string> ReadNumberLines(const std::string& file);

}  // namespace karvento::cli
