#pragma once

#include <stdexcept>
#include <string>

namespace tir::db {

// Raised by the data-access layer for every database failure (bad SQL, constraint, locked or
// read-only base, type mismatch on a field). what() is the database's own message; callers that
// collect error lines prefix it with "ErrorSQL: ".
class DbError : public std::runtime_error {
 public:
  explicit DbError(const std::string& message) : std::runtime_error(message) {}
};

}  // namespace tir::db
