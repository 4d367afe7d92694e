// Text in the GBK code page, the encoding of the files that the program
// exchanges with Chinese GIS software (MapInfo tables, sheet-number lists).
// Inside the program every text is UTF-8.
#pragma once

#include <string>
#include <string_view>

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

}  // namespace karvento
