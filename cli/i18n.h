// SPDX-License-Identifier: Apache-2.0
// The language of karvento-cli. Every text the tool shows is written in
// Chinese in the sources, where it is the message's identifier for GNU
// gettext (domain "karvento"); the English catalogue, po/en.po, translates
// it. Chinese is the default: under the C and POSIX locales, with no locale
// set, and under zh_*; English under en_* (LANGUAGE, LC_ALL, LC_MESSAGES,
// LANG, as gettext reads them: a LANGUAGE that names English gives English
// under any locale but C and POSIX, LC_ALL=C.UTF-8 included).
#pragma once

#include <initializer_list>
#include <string>
#include <string_view>

// Marks a text for the catalogue where it is defined; Tr translates it where
// it is shown.
#define N_(text) text

namespace karvento::cli {

// Chooses the language from the environment and finds the catalogue: in
// ../share/locale beside the program (the build tree's build/share/locale,
// the package's /usr/share/locale). A locale that names a language the
// system has not generated (LANG=en_US.UTF-8 on a machine with only C.UTF-8)
// still chooses that language's catalogue. Called once, first thing.
void InitLanguage();

// The text in the user's language; the Chinese text itself when no
// catalogue translates it.
const char* Tr(const char* chinese);
std::string Tr(const std::string& chinese);

// A message built from parts: the pattern is translated, then each "%s" in
// it is replaced by the next argument ("%%" is one "%"). Arguments beyond
// the pattern's "%s" are ignored; a "%s" without one stays empty.
std::string TrFormat(const char* pattern, std::initializer_list<std::string_view> args);
// The same without translating the pattern.
std::string FillPattern(std::string_view pattern, std::initializer_list<std::string_view> args);

// True when the texts are English.
bool English();

// The system's reason for an errno value in the user's language: our own
// Chinese for the reasons that reading and writing files meet, the system's
// strerror text otherwise and in English.
std::string SystemErrorText(int err);

// A message of the numbering routines, the writers or the readers, as the
// user reads it: the system's own texts ("图幅号不正确") translated whole; a
// message built from a known pattern (a file that cannot be written, and the
// system's reason) translated pattern by pattern, its parts in turn; a
// system reason (strerror text) in the user's language. Any other text is
// shown as it is.
std::string TranslateMessage(std::string_view text);

}  // namespace karvento::cli
