// SPDX-License-Identifier: Apache-2.0
// The commands of karvento-cli.
#pragma once

#include <string>
#include <vector>

#include "cli/args.h"
#include "gis/clip.h"
#include "gis/layer_tag.h"
#include "numbering/map_frame.h"
#include "numbering/sheet_types.h"
#include "numbering/unMapUnRgPub.h"

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
// The same with its notices on standard error left out when quiet (its
// refusals are still thrown): for front ends that report by other means.
int RunFrameQuietly(const std::vector<std::string>& words, bool quiet);
int RunTransform(const std::vector<std::string>& words);
int RunTag(const std::vector<std::string>& words);
int RunClip(const std::vector<std::string>& words);

// The words of tag and clip (without the command's name) read against the
// command's options, and the request the command makes of them: every
// refusal of the command's options is thrown here, before any file is read
// or written. numbers: the sheets to cut, given by a front end in place of
// --input or --sheet (one of the sheet choices).
Args TagArgs(const std::vector<std::string>& words);
LayerTagRequest ReadTagRequest(const Args& args);
Args ClipArgs(const std::vector<std::string>& words);
ClipRequest ReadClipRequest(const Args& args, const std::vector<std::string>& numbers = {});

// sheets --transform PARAMS: each sheet's four 图廓改正量 (the shift of its
// corners SW, SE, NE, NW under the parameters, metres east and north) on the
// zone (zone3, cm; cm 0: each sheet's own zone), as a table on standard output.
// The sheets are on p.datum, which must be the parameters' source datum.
struct ColumnEdits;
struct Projection;
void WriteSheetCorrections(const SheetWalk& walk, const ColumnEdits& edits, const std::string& paramsFile,
                           const Projection& p);

// Writes the frames (图廓) of rectangular sheets, as frame --format and
// --output do: format dxf, pdf or svg; output a folder (one file per sheet)
// or a file (one sheet, or every sheet as the pages of a PDF). name and
// notes go into the margins; p is the plane system of the datum note (cm 0:
// none). The count and estimated size are said first; a run above the bound
// needs --yes in args. Every name is checked (a file name, once in the run)
// before the first file is written.
struct Projection;
class Args;
// The frame decoration's named options: --elevation-datum, --contour-interval,
// --symbols, --surveyor, --survey-date, --classification, --declination.
inline const OptionSpec kFrameDecorationOptionSpecs[] = {
    {"elevation-datum", true}, {"contour-interval", true}, {"symbols", true},   {"surveyor", true},
    {"survey-date", true},     {"classification", true},   {"declination", true}};
// Reads them into request; UsageError for a value that is no number.
void ReadFrameDecoration(const Args& args, FrameRequest& request);
void WriteRectangularFrames(const TCustomMapUnions& sheets, int denominator, const Projection& p,
                            const std::string& format, const std::string& output,
                            const std::string& name, const std::string& notes, const Args& args);

// Sheet numbers, one per line, from a file or (for an empty name) standard
// input, read as a number list is.
std::vector<std::string> ReadNumberLines(const std::string& file);

}  // namespace karvento::cli
