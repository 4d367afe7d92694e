// SPDX-License-Identifier: Apache-2.0
// Reading an angle from text as people write it in documents and tables:
// 116°20'30.5", 116°20′30.5″, 116 20 30.5, 116:20:30.5, 116d20m30.5s or
// decimal degrees 116.341806. The window (a text pasted into a corner's
// degree field) and the command line (every angle option) read angles here
// and only here.
#pragma once

#include <string>
#include <string_view>

#include "geodesy/angles.h"

namespace karvento {

// Why a text is not an angle.
enum class AngleTextError {
  None,
  Empty,             // nothing but blanks
  NotANumber,        // a field that is no finite decimal number
  TooManyFields,     // more than degrees, minutes and seconds
  MarkOutOfPlace,    // a degree, minute or second mark after the wrong field, or two in a row
  SouthOrWest,       // a southern or western hemisphere (S, W, 南纬, 西经): outside the numbering
  WrongHemisphere,   // E on a latitude, N on a longitude, or a hemisphere with a sign
  FractionNotLast,   // a fraction of degrees or minutes followed by further fields
};

// Which coordinate a text is read for: a hemisphere letter must match it.
enum class AngleAxis { Any, Longitude, Latitude };

// Reads text as an angle into angle; on failure returns the reason and leaves
// angle unchanged.
//
// The text is an optional sign, then one to three unsigned decimal numbers
// (digits with at most one point, an optional exponent) for degrees, minutes
// and seconds. Between two fields, and after the last, stands one separator:
// blanks, a colon, or a mark of the field it follows — degrees ° º d,
// minutes ′ ' ’ m, seconds ″ " ” '' s — with blanks around it allowed; a
// mark after the wrong field, or two separators' marks in a row ("1::2"),
// is refused. Full-width blanks and colons count as their plain forms.
//
// One field is decimal degrees, turned into degrees, minutes and seconds by
// DegToDms (116.341806 gives 116°20′30.5016″); two or three fields are taken
// as they come (116 20 gives 116°20′0″), except that minutes with a fraction
// as the last field carry it into the seconds (39°54.5′ gives 39°54′30″; the
// seconds are worked from the typed digits, so 54.1′ gives exactly 6″); a
// fraction before the last field is refused. Ranges are not checked: minutes
// of 75 come back as 75, for the caller to judge. A leading minus makes every
// field negative or zero (the sign convention of TAngleDMS).
//
// With decimalAsTyped, one field comes back as {x, 0, 0} instead, the value
// typed with no carry: its DmsToDeg is x and its DmsToSec x × 3600 rounded
// once, so 116.49999999 stays west of 116°30′ (DegToDms would carry it
// there). The commands that compute on a point (at, project, areas) read
// decimals so; the corner fields keep DegToDms.
//
// Text pasted from documents is read as typed: full-width digits, point,
// sign, apostrophe and quote (３９°５４′) count as their plain forms. One
// hemisphere may stand before or after the angle: E or 东经 (longitude), N or
// 北纬 (latitude); S, W, 南纬 and 西经 are refused, since sheets are numbered
// only in the northern and eastern hemispheres, and a hemisphere that does
// not match axis, or one together with a sign, is refused.
AngleTextError ParseAngleText(std::string_view text, TAngleDMS& angle, bool decimalAsTyped = false,
                              AngleAxis axis = AngleAxis::Any);

// Why a text is no central meridian.
enum class MeridianTextError { None, NotAnAngle, OutOfRange };

// Reads a central meridian in decimal degrees east into cm, as the window's
// 中央经度 and the command line's --cm both read it: decimal degrees
// (117.5, and with a decimal comma 117,5), or degrees, minutes and seconds in
// any form of ParseAngleText (117°30′, 117:30, 117 30 0, E117°30′). A
// decimal is taken as typed (117.3 is 117.3, not 117°18′ rounded), an angle
// of minutes and seconds is DmsToDeg of it (117:20 is 117 + 1/3). The value
// must lie within [0, highest]; 0 means automatic zones. On failure returns
// the reason and leaves cm unchanged.
MeridianTextError ParseMeridianText(std::string_view text, double& cm, double highest = 180);

// The text with the full-width forms of digits, point, signs, apostrophe and
// quote (０-９ ． － ＋ ＇ ＂) turned into ASCII, every other character kept:
// what ParseAngleText reads, for fields that read plain numbers too.
std::string HalfwidthText(std::string_view text);

}  // namespace karvento
