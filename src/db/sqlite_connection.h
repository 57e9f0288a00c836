#pragma once

#include <memory>
#include <string>

#include "db/connection.h"

struct sqlite3;

namespace tir::db {

// A connection to an SQLite base. Opening sets a busy timeout, WAL journal (kept as it is for an
// in-memory or read-only base), synchronous=NORMAL and foreign keys off, and registers the
// functions the module's SQL expects of the base: TirvaloUpperCase(text) (full Unicode
// upper-casing, NULL stays NULL), GETDATE() (local now as "YYYY-MM-DD HH:MM:SS.SSS"),
// SCOPE_IDENTITY() (last inserted row id) and ISNULL(a, b). ISNULL is a keyword to SQLite's
// parser, so SQLite text calls it with a quoted name, [ISNULL](a, b), or uses IFNULL(a, b).
//
// Values: integers bind as INTEGER, double and extended as REAL, text as UTF-8 TEXT, date-times as
// the text "YYYY-MM-DD HH:MM:SS.SSS", blobs as BLOB, typed NULLs as NULL. Columns read back as
// Int64, Double, Text, Blob or Null by their stored type, except that a TEXT value in a column
// declared with DATE or TIME in its type (DATETIME, DATE, TIMESTAMP) that parses as a date-time
// reads as a DateTime value.
class SqliteConnection final : public Connection {
 public:
  // Opens (and creates when missing) the file; ":memory:" for an in-memory base. Raises DbError.
  static std::unique_ptr<SqliteConnection> Open(const std::string& path, int busyTimeoutMs = 5000);
  ~SqliteConnection() override;

  DbKind Kind() const override { return DbKind::kSQLite; }
  std::unique_ptr<Statement> Prepare(const std::string& sql,
                                     const std::vector<std::string>& paramNames) override;
  bool InTransaction() const override;
  void StartTransaction() override;
  void Commit() override;
  void Rollback() override;

  // Runs a script of plain statements without parameters (schema files, pragmas).
  void ExecScript(const std::string& sql);
  sqlite3* Handle() const { return db_; }
  // The row id the last successful insert on this connection gave its row.
  std::int64_t LastInsertRowId() const;
  const std::string& Path() const { return path_; }

 private:
  SqliteConnection(sqlite3* db, std::string path) : db_(db), path_(std::move(path)) {}
  sqlite3* db_;
  std::string path_;
};

}  // namespace tir::db
