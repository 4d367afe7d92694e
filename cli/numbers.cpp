// karvento-cli check: which standard a sheet number follows, and its sheet.
#include <cstdio>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <string>

#include "cli/commands.h"
#include "cli/common.h"
#include "numbering/unMapUnRgPub.h"
#include "workbench/text_files.h"

namespace karvento::cli {

namespace {

const char* kCheckHelp =
    "usage: karvento-cli check [NUMBER...] [--input FILE]\n"
    "\n"
    "Classifies sheet numbers (the arguments, else one per line of FILE or of\n"
    "standard input): old standard, new standard, or not standard. A standard\n"
    "number is printed with its kind and its sheet's west, south, east and north\n"
    "edges in decimal degrees; a number that is not standard is reported on\n"
    "standard error, and the exit status is then 1.\n"
    "\n"
    "Example:\n"
    "  karvento-cli check J-50-5-(24)-A J50D001005 J50X001005\n";

const OptionSpec kOwn[] = {{"input", true}};

}  // namespace

int RunCheck(const std::vector<std::string>& words) {
  const Args args(words, Options(kOwn, kOutputOptionSpecs));
  if (HelpRequested(args, kCheckHelp)) return 0;
  std::vector<std::string> numbers = args.Positional();
  if (numbers.empty()) numbers = ReadNumberLines(args.Value("input").value_or(""));
  int status = 0;
  StdoutSink sink;
  Output out(sink);
  for (const std::string& n : numbers) {
    std::uint8_t kind = 0;
    try {
      kind = CheckMapUnionNo(n);
    } catch (const Error& e) {
      // The number's own error; the other numbers are still checked.
      out.Flush();
      std::fprintf(stderr, "%s: %s\n", n.c_str(), e.what());
      status = 1;
      continue;
    }
    if (kind == 0) {
      out.Flush();
      std::fprintf(stderr, "%s不是标准图幅号！\n", n.c_str());
      status = 1;
      continue;
    }
    // The check parsed it already without an error, so this parse has none.
    const TMapUnionRange r = kind == 1 ? ParseOldMapUnionNo(n) : ParseNewMapUnionNo(n);
    out.Write(n);
    out.Write(kind == 1 ? "\told\t" : "\tnew\t");
    for (const TAngleDMS* a : {&r.West, &r.South, &r.East, &r.North}) {
      if (a != &r.West) out.Put('\t');
      out.Number(DmsToDeg(*a));
    }
    out.Put('\n');
  }
  out.Flush();
  return status;
}

}  // namespace karvento::cli

namespace karvento::cli {

// The window's reader: a file that cannot be read is an error, not an empty
// list, and lines are decoded from GBK as the window decodes them.
std::vector<std::string> ReadNumberLines(const std::string& file) {
  return ReadNumberList(file.empty() ? "/dev/stdin" : file);
}

}  // namespace karvento::cli
