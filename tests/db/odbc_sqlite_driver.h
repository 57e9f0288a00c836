#pragma once

#include <string>

namespace tir::db::testkit {

// The DSN-less connection string of an SQLite file through Debian's SQLite ODBC driver; empty
// when the driver is not installed (the tests then skip).
std::string SqliteOdbcString(const std::string& path);

}  // namespace tir::db::testkit
