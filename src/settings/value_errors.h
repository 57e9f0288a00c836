#pragma once

#include <stdexcept>
#include <string>

namespace tir {

// A text that claims a form (a 36-character GUID, for instance) but is not a valid one.
class EConvertError : public std::runtime_error {
 public:
  explicit EConvertError(const std::string& message) : std::runtime_error(message) {}
};

// The "%" comparison with a right side that rounds to zero.
class EDivByZero : public std::runtime_error {
 public:
  explicit EDivByZero(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tir
