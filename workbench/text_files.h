// SPDX-License-Identifier: Apache-2.0
// The two plain text files that the workbench reads and writes: the parameter
// file of a geodetic tab and the number list of the conversion tab. Free
// functions, so that the command-line tool reads and writes the same files
// the same way.
//
// File errors throw karvento::Error with a text that names the file and the
// system's reason, e.g. "无法打开文件 “/x/y.txt”：No such file or directory".
#pragma once

#include <array>
#include <cstddef>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "geodesy/angles.h"
#include "geodesy/datum.h"
#include "geodesy/transform.h"

namespace karvento {

// The parameters of a geodetic tab: the two corners of the extent, the zone
// method (item index of the zone pick list: 0 = "3度分带法", 1 = "6度分带法"),
// the central meridian in degrees and the two omitted large coordinate numbers.
struct TParameterSet {
  // Lower-left longitude, lower-left latitude, upper-right longitude,
  // upper-right latitude: the eight lines' first four.
  std::array<TAngleDMS, 4> Corners{};
  int ZoneIndex = 0;
  double CentralMeridian = 0;
  double OffsetX = 0;
  double OffsetY = 0;
  friend bool operator==(const TParameterSet&, const TParameterSet&) = default;
};

// Longest line that a parameter file may hold. Read lines longer than this
// are refused with the conversion message, quoting their beginning: no valid
// parameter line comes near it, and a large file opened by mistake is not
// loaded whole.
inline constexpr std::size_t kMaxParameterLine = 4096;

// The eight lines, each ended by CR LF:
//   lines 1–4  "d m s.ss"  (degrees and minutes truncated toward zero,
//                           seconds rounded to two decimals)
//   line 5     "3" for zone index 0, "6" otherwise
//   line 6     central meridian rounded to two decimals
//   lines 7–8  the offsets truncated toward zero
// Numbers are written with "." and without separators, whatever the locale.
std::string FormatParameterFile(const TParameterSet& p);
// Writes the eight lines to fileName; an existing file is replaced only when
// the new one is complete, and a failure (karvento::Error naming the file and
// the reason) leaves it as it was.
void WriteParameterFile(const std::string& fileName, const TParameterSet& p);

// Reads a parameter file. Only the first eight lines are read. Lines 1–4 (when
// there are at least four lines) are split at single spaces: one piece is the
// degrees, two are degrees and minutes, three are degrees, minutes and seconds,
// any other count gives 0 0 0; every piece is read as a floating-point number.
// Line 5 "6" gives zone index 1, anything else 0; lines 6, 7 and 8 are the
// central meridian and the offsets. Missing lines leave their values 0. A
// piece or line that is not a number throws "'%s' is not a valid floating
// point value".
TParameterSet ReadParameterFile(const std::string& fileName);
TParameterSet ParseParameterLines(const std::vector<std::string>& lines);
// The same for a reader that has no fields to keep as they were (the command
// line's --params): a file that is no parameter file, one with fewer than
// eight lines or a zone line other than 3 or 6, is refused with Error naming
// the file and the line, rather than read as zeros that list nothing.
TParameterSet ReadCompleteParameterFile(const std::string& fileName);

// Brings a parameter set into the limits of the parameter fields of datum's
// geodetic tab (ParameterFieldsOf), as those fields bring the values of a file
// the window opens: each corner's degrees, minutes and seconds into their
// fields (IntoLimits: seconds of 75 become 60, -3 degrees 0), the central
// meridian into its field, the offsets rounded where their field holds whole
// numbers (NumberFieldValue), and any zone index but 0 ("3度分带法") made 1.
// The command line reads its parameter files so, without a window.
void ClampToFieldLimits(TParameterSet& p, Datum datum);

// Splits text into lines at CR LF, LF or CR; a line break at the end makes no
// extra line; a NUL ends the text. Lines are not trimmed.
std::vector<std::string> SplitLines(std::string_view text);

// Largest number list that is read, in bytes up to the first NUL and in
// lines. A list is read whole and every line becomes a list row holding a
// sheet record (about 200 bytes), so a list may hold as many numbers as one
// request may produce sheets (kMaxSheets); 128 MiB is room for that many of
// the longest standard numbers (J-50-5-(24)-A and CR LF, 15 bytes). A larger
// file (most likely not a number list at all) is refused before it is read,
// with 无法读取文件 “name”：File too large and the limit.
inline constexpr std::size_t kMaxNumberListBytes = std::size_t{128} << 20;
inline constexpr std::size_t kMaxNumberListLines = 5'000'000;

// Reads a number list: the lines of the file (SplitLines), each decoded from
// GBK to UTF-8, a byte that is not GBK becoming U+FFFD. A file that begins
// with the UTF-8 byte-order mark (Notepad's and Excel's "CSV UTF-8") is
// UTF-8: the mark is dropped and each line kept as UTF-8, a byte that is not
// becoming U+FFFD.
std::vector<std::string> ReadNumberList(const std::string& fileName);
// The lines of a number list's text (up to its first NUL), decoded as
// ReadNumberList decodes them, with its limit of lines (fileName names the
// file in that refusal).
std::vector<std::string> NumberListLines(std::string text, const std::string& fileName);

// A number list read one line at a time, split and decoded as ReadNumberList
// does, in memory bounded by the longest line: for a program that handles
// each number as it comes, however long the list. Opening fails as
// ReadNumberList's does; a line longer than kMaxNumberListBytes is refused
// as a file that large is; a read error throws 无法读取文件 with the reason.
class NumberListReader {
 public:
  explicit NumberListReader(const std::string& fileName);
  ~NumberListReader();
  NumberListReader(const NumberListReader&) = delete;
  NumberListReader& operator=(const NumberListReader&) = delete;
  // The next line, decoded; false after the last (or at a NUL).
  bool Next(std::string& line);

 private:
  bool Refill();

  std::string fileName_;
  std::FILE* file_ = nullptr;
  std::array<char, 65536> buffer_{};
  std::size_t at_ = 0, end_ = 0;
  bool ended_ = false;
  bool afterCr_ = false;  // a LF right after a CR ends no line of its own
  bool firstLine_ = true;
  bool utf8_ = false;  // the file began with the UTF-8 byte-order mark
  std::string raw_;
};

// The bytes of a file up to its first NUL (or its end), refused with
// "File too large" beyond maxBytes.
std::string ReadFileText(const std::string& fileName, std::size_t maxBytes);

// The parameters of a transformation's parameter file (.k7p, .k3p, .k4p,
// .k6p as 坐标转换 and transform solve write them), at most 1 MiB: the one
// reader of the window and the command line. A file that does not parse is
// refused with its name and the reason (ParseTransformParams's).
TransformParams ReadTransformParamsFile(const std::string& fileName);

// Both readers open a file without waiting for a writer: a named pipe that
// no program writes to reads as an empty file instead of blocking the
// program.

}  // namespace karvento
