#pragma once

#include <memory>
#include <string>

#include "db/connection.h"

namespace tir::db {

// A connection through unixODBC: to Microsoft SQL Server (FreeTDS or Microsoft's driver) or,
// through the SQLite ODBC driver, to an SQLite base. The kind is read from the driver's DBMS name
// once connected, so that "{IF MSSQL}" blocks and the procedure form apply on a server.
//
// Statements: ":name" parameters become "?" markers bound by position (a name used twice is bound
// twice); a T-SQL batch is sent as one unit and its results are walked through: row counts are
// summed and the first result with columns gives the rows. Array DML sends parameter arrays.
// Values: integers bind as INTEGER or BIGINT, double and extended as DOUBLE, text as UTF-16
// (NVARCHAR) on MS SQL Server and UTF-8 on SQLite, date-times as TIMESTAMP, blobs as VARBINARY;
// a NULL binds with its own type. Columns read back as Int64, Double, DateTime, Text or Blob by
// the column's SQL type (on SQLite a date column whose text is no date reads as Text).
// Transactions are explicit T-SQL ones on MS SQL Server, the driver's own on SQLite. Every failure
// raises DbError with the driver's or server's message.
class OdbcConnection final : public Connection {
 public:
  // `connectionString` as SQLDriverConnect takes it: "DSN=…;UID=…;PWD=…" or DSN-less
  // "Driver={ODBC Driver 18 for SQL Server};Server=…;Database=…;…". Raises DbError when the
  // connection fails or the data source is neither Microsoft SQL Server nor SQLite.
  static std::unique_ptr<OdbcConnection> Open(const std::string& connectionString);
  ~OdbcConnection() override;

  DbKind Kind() const override { return kind_; }
  std::unique_ptr<Statement> Prepare(const std::string& sql,
                                     const std::vector<std::string>& paramNames) override;
  bool InTransaction() const override { return inTransaction_; }
  void StartTransaction() override;
  void Commit() override;
  void Rollback() override;

  // The data source's own name for itself ("Microsoft SQL Server", "SQLite").
  const std::string& DbmsName() const { return dbmsName_; }

 private:
  OdbcConnection(void* env, void* dbc) : env_(env), dbc_(dbc) {}
  void SetAutoCommit(bool on);
  void Run(const char* sql);  // one statement without parameters or rows

  void* env_;
  void* dbc_;
  DbKind kind_ = DbKind::kSQLite;
  std::string dbmsName_;
  bool inTransaction_ = false;
};

}  // namespace tir::db
