#pragma once

#include <memory>
#include <string>

#include "db/connection.h"

namespace tir::db {

// A base argument that starts with "odbc:" (any case) names an ODBC data source instead of an
// SQLite file; the rest of it is the connection string.
bool IsOdbcBase(const std::string& base);

// Connects to the data source a base argument names ("odbc:…"). Raises DbError when it cannot,
// and in a build without ODBC.
std::unique_ptr<Connection> OpenOdbcBase(const std::string& base);

}  // namespace tir::db
