// SPDX-License-Identifier: Apache-2.0
// The words in which the window tells the user what went wrong. A routine's
// error is a message with a code: the runtime's texts of a failed conversion
// or a range fault ("Range check error", "'abc' is not a valid floating
// point value") and the system's reasons (an errno value) are worded in
// Chinese from the code, naming the file or the value concerned.
#pragma once

#include <string>
#include <string_view>

#include "numbering/message.h"

namespace karvento {

// The Chinese wording of a message.
std::string UserFacingText(const Message& message);
// The Chinese wording of a library's or a writer's text: the system's
// reasons (strerror texts) and the datums' English names wherever they
// stand in a sentence, and "Out of memory". A text with none of them comes
// back as it is.
std::string UserFacingText(std::string_view text);
inline std::string UserFacingText(const char* text) { return UserFacingText(std::string_view(text)); }
inline std::string UserFacingText(const std::string& text) { return UserFacingText(std::string_view(text)); }

}  // namespace karvento
