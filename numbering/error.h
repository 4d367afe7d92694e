// The one exception type of the program. It carries the text that the user
// sees: "Range check error", "'5 ' is not a valid integer value", a file error
// naming the file and the system's reason. Only the command dispatcher of a
// front end catches it.
#pragma once

#include <stdexcept>
#include <string>

namespace karvento {

class Error : public std::runtime_error {
 public:
  explicit Error(const std::string& message) : std::runtime_error(message) {}
};

// Sizing a result to a negative count of columns or rows.
inline constexpr const char* kRangeCheckError = "Range check error";

}  // namespace karvento
