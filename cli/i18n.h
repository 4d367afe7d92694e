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
#include <vector>

#include "numbering/message.h"

// Marks a text for the catalogue where it is defined; Tr translates it where
// it is shown.
#ifndef N_
#define N_(text) text
#endif

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
// user reads it: its pattern in the user's language, filled with its
// arguments, each worded in turn (a file name as it is, the system's reason
// in the user's language).
std::string TranslateMessage(const Message& message);
// A whole text: the system's own texts ("图幅号不正确") translated whole, a
// system reason (strerror text) in the user's language; any other text is
// shown as it is.
std::string TranslateMessage(std::string_view text);
inline std::string TranslateMessage(const char* text) { return TranslateMessage(std::string_view(text)); }
inline std::string TranslateMessage(const std::string& text) { return TranslateMessage(std::string_view(text)); }
// Messages shown on one line, one after the other.
std::string TranslateMessages(const std::vector<Message>& messages);
// The message of any exception: the program's own by its code, any other by
// its text.
std::string TranslateError(const std::exception& e);

}  // namespace karvento::cli
