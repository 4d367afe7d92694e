// SPDX-License-Identifier: Apache-2.0
// karvento-cli's argument parsing: words split at NUL bytes, parsed against
// the options of the sheets command, then the angle, point and scale fields.
//
// Invariant: a bad argument is a usage error and nothing else.
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "cli/args.h"

using namespace karvento::cli;

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::vector<std::string> words(1);
  for (std::size_t i = 0; i < size; ++i) {
    if (data[i] == 0) {
      words.emplace_back();
    } else {
      words.back() += static_cast<char>(data[i]);
    }
  }
  try {
    const Args args(words, {{"from", true}, {"to", true}, {"scale", true}, {"cm", true},
                            {"help", false}});
    for (const char* name : {"from", "to"}) {
      if (auto v = args.Value(name)) {
        try {
          ParsePoint(*v, name);
        } catch (const UsageError&) {
        }
      }
    }
    if (auto v = args.Value("scale")) {
      try {
        ParseScale(*v);
      } catch (const UsageError&) {
      }
    }
    if (auto v = args.Value("cm")) ParseNumber(*v, "--cm");
    for (const std::string& w : args.Positional()) ParseAngle(w, "angle");
  } catch (const UsageError&) {
  }
  return 0;
}
