// SPDX-License-Identifier: Apache-2.0
// The words in which the window tells the user what went wrong. Errors that
// arise inside a routine carry the runtime's English texts ("Range check
// error", "'abc' is not a valid floating point value") and the system's
// reasons ("Permission denied"); the window shows every one of them in
// Chinese, naming the file or the value concerned.
#pragma once

#include <string>
#include <string_view>

namespace karvento {

// The Chinese wording of an error text: the runtime's conversion and range
// messages as a whole, the system's reasons and the datums' English names
// wherever they stand in a sentence. A text with none of them comes back as
// it is.
std::string UserFacingText(std::string_view text);

}  // namespace karvento
