#pragma once

#include <cstdint>
#include <memory>
#include <set>
#include <string>

#include "db/connection.h"
#include "db/sqlite_connection.h"
#include "tests/support/temp_files.h"

namespace tir::test {

// A fresh SQLite base in a temporary file with the full schema. The destructor closes the
// connection and removes the file with its -wal and -shm companions.
class TempBase {
 public:
  // `withSchema` false gives an empty base (no tables).
  explicit TempBase(bool withSchema = true);
  ~TempBase();
  TempBase(const TempBase&) = delete;
  TempBase& operator=(const TempBase&) = delete;

  tir::db::SqliteConnection& conn() { return *connection_; }
  const std::string& path() const { return path_; }

  // Closes the connection (the file stays until destruction), e.g. to reopen it elsewhere.
  void Close();
  // Opens the same file again after Close().
  tir::db::SqliteConnection& Reopen();

 private:
  std::string path_;
  std::unique_ptr<tir::db::SqliteConnection> connection_;
};

// Runs `sql` (no parameters) and returns the first column of its first row as an integer;
// 0 when there is no row or the value is NULL.
std::int64_t ScalarInt(tir::db::Connection& connection, const std::string& sql);

// The same for a floating value and for text.
double ScalarDouble(tir::db::Connection& connection, const std::string& sql);
std::string ScalarText(tir::db::Connection& connection, const std::string& sql);

// Every row of a query as text: the values of a row each followed by "|", one line per row.
std::string RowsText(tir::db::Connection& connection, const std::string& sql);

// Runs `sql` (one or more statements, no parameters).
void Exec(tir::db::Connection& connection, const std::string& sql);

// Every row of every table (and the identity counters, but not the planner's statistics) in a
// stable order, tables in `skip` left out: two bases hold the same data exactly when their dumps
// are equal.
std::string BaseDump(tir::db::Connection& connection, const std::set<std::string>& skip = {});

// The same helpers on a base file, each opening its own connection.
void ExecSql(const std::string& base, const std::string& sql);
std::string SqlRows(const std::string& base, const std::string& sql);  // "a|b|\n" per row
std::int64_t SqlInt(const std::string& base, const std::string& sql);
std::string BaseDump(const std::string& base);

}  // namespace tir::test
