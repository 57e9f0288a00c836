#pragma once

#include <stdexcept>
#include <string>

namespace tir::json {

// Raised for text that is not valid JSON (with its line and column), for a file that cannot be
// read or written, and for values the tree cannot hold.
class JsonError : public std::runtime_error {
 public:
  explicit JsonError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tir::json
