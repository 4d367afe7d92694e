// SPDX-License-Identifier: Apache-2.0
// Running karvento-cli from the tests as a user would: a shell command line
// in, standard output, standard error and exit status out.
#pragma once

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <string>

namespace karvento::cli {

struct Result {
  int status;
  std::string out, err;
};

// Runs a shell command line; its standard error is captured apart. The
// tool speaks its default language, Chinese, whatever the environment of the
// tests: LC_ALL=C.UTF-8 (which every glibc has) and no LANGUAGE; a command
// line may still set LANGUAGE=en for English (kCliEn).
inline Result RunShell(const std::string& line) {
  // One stderr file per test process: CTest runs the cases in parallel.
  const std::string errFile = testing::TempDir() + "cli_stderr_" + std::to_string(getpid()) + ".txt";
  const std::string command = "( export LC_ALL=C.UTF-8; unset LANGUAGE; " + line + " ) 2>" + errFile;
  Result r;
  FILE* p = popen(command.c_str(), "r");
  char buf[4096];
  for (std::size_t n; (n = fread(buf, 1, sizeof buf, p)) > 0;) r.out.append(buf, n);
  const int status = pclose(p);
  r.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
  if (FILE* e = fopen(errFile.c_str(), "r")) {
    for (std::size_t n; (n = fread(buf, 1, sizeof buf, e)) > 0;) r.err.append(buf, n);
    fclose(e);
  }
  return r;
}

inline const std::string kCli = KARVENTO_CLI;

// The tool in English: LANGUAGE chooses the catalogue under any locale but
// C and POSIX.
inline const std::string kCliEn = "LANGUAGE=en " + kCli;

inline Result RunCli(const std::string& arguments) { return RunShell(kCli + " " + arguments); }
inline Result RunCliEn(const std::string& arguments) { return RunShell(kCliEn + " " + arguments); }

}  // namespace karvento::cli
