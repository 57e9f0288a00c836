#pragma once

#include <string>

namespace tir::db {
class Connection;
}

namespace tir::schema {

// The first user of a new base: an administrator (type 1, every right) with this code, name
// (empty: the code) and password (empty: none), in the base's first staff group; a group named
// groupName is made when the base has none. Refused (std::invalid_argument) with an empty code
// or when the base already has users. Raises tir::db::DbError.
void AddFirstUser(db::Connection& connection, const std::string& code, const std::string& name,
                  const std::string& password, const std::string& groupName);

}  // namespace tir::schema
