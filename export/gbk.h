// SPDX-License-Identifier: Apache-2.0
// Text in the GBK code page, the encoding of the files that the program
// exchanges with Chinese GIS software (MapInfo tables, sheet-number lists).
// Inside the program every text is UTF-8.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "numbering/message.h"

namespace karvento {

// UTF-8 → GBK through the C library's converter. ASCII passes through
// unchanged. Throws karvento::Error naming the byte offset when the text is
// not valid UTF-8 or holds a character that GBK cannot represent; nothing is
// dropped or replaced silently.
std::string Utf8ToGbk(std::string_view utf8);

// GBK → UTF-8. Throws karvento::Error naming the byte offset when the text
// holds a byte sequence that is not GBK (including a lead byte cut off at the
// end). With replaceInvalid, such a byte becomes U+FFFD instead and decoding
// goes on with the next byte: a line read from a file is then shown as read,
// a stray byte losing nothing but itself.
std::string GbkToUtf8(std::string_view gbk, bool replaceInvalid = false);

// True when every byte is below 0x80, so that the text is the same in UTF-8
// and in GBK.
bool IsAscii(std::string_view text);

// True when text is well-formed UTF-8: no stray continuation byte, no
// sequence cut short, no overlong form, no surrogate, nothing past U+10FFFF.
bool IsValidUtf8(std::string_view text);

// Why a sheet number cannot go into a file, or an empty text when it can.
// Every writer (MIF/MID, workbook, CSV, JSON, GeoJSON, the table) refuses
// the same numbers: a line break or a NUL would split or end the record in
// one reader or another, and bytes that are not UTF-8 are no text at all.
// The message quotes the number readably: a line break as \n or \r, a NUL as
// \0, a stray byte as U+FFFD, at most its first 64 characters.
// The character that a well-formed UTF-8 sequence starts at text[i] and its
// length in bytes; length 0 where none does (a stray or cut byte, an
// overlong form, a surrogate).
struct Utf8Char {
  std::uint32_t code = 0;
  std::size_t length = 0;
};
Utf8Char Utf8CharAt(std::string_view text, std::size_t i);

std::string SheetNumberFault(std::string_view number);
// The same as a message; Empty() for a number every file can carry.
Message SheetNumberFaultMessage(std::string_view number);

}  // namespace karvento
