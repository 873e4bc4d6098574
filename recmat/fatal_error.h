// The one way recmat fails: an error that ends the run with its message and exit status -1.
#pragma once

#include <stdexcept>
#include <string>

namespace recmat {

// Thrown by every stage that cannot go on. what() is the complete message line, newline
// included, exactly as it is written to standard error.
class fatal_error : public std::runtime_error {
 public:
  explicit fatal_error(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace recmat
