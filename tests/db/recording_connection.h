#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "db/connection.h"
#include "db/sql_text.h"
#include "db/value.h"

namespace tir::db::testkit {

// One run of a prepared statement: its text and the values bound to its parameters by name.
struct RecordedRun {
  std::string sql;
  std::vector<std::pair<std::string, Value>> params;

  // The value bound to `name` (case-insensitive); a default (NULL) Value when it was not bound.
  const Value& Param(const std::string& name) const;
};

// A connection of any kind that runs nothing: it records the statements prepared on it and every
// run with its bound values, and answers queries with rows given in advance. Lets tests see the
// SQL a piece of code sends to a Microsoft SQL Server base without one.
class RecordingConnection : public Connection {
 public:
  explicit RecordingConnection(DbKind kind = DbKind::kMSSQL) : kind_(kind) {}

  DbKind Kind() const override { return kind_; }
  std::unique_ptr<Statement> Prepare(const std::string& sql,
                                     const std::vector<std::string>& paramNames) override;
  bool InTransaction() const override { return inTransaction_; }
  void StartTransaction() override;
  void Commit() override;
  void Rollback() override;

  // Statements whose text contains `fragment` (the first matching rule wins) return these rows.
  void AddResult(const std::string& fragment, std::vector<std::string> columns,
                 std::vector<std::vector<Value>> rows);
  // Statements whose text contains `fragment` report `rows` changed rows per run.
  void SetRowsChanged(const std::string& fragment, std::int64_t rows);
  // Runs of statements whose text contains `fragment` raise DbError(message).
  void FailOn(const std::string& fragment, const std::string& message);

  const std::vector<SqlStatement>& Prepared() const { return prepared_; }
  const std::vector<RecordedRun>& Runs() const { return runs_; }
  // Texts of the runs, in order, joined by "\n".
  std::string RunSql() const;
  // "BEGIN", "COMMIT" and "ROLLBACK" in the order they were asked for.
  const std::vector<std::string>& TransactionLog() const { return transactionLog_; }
  void Clear();

  struct Result {
    std::string fragment;
    std::vector<std::string> columns;
    std::vector<std::vector<Value>> rows;
  };
  struct Rule {
    std::string fragment;
    std::int64_t rowsChanged = 0;
    std::string failure;
  };

 private:
  friend class RecordingStatement;
  DbKind kind_;
  bool inTransaction_ = false;
  std::vector<SqlStatement> prepared_;
  std::vector<RecordedRun> runs_;
  std::vector<std::string> transactionLog_;
  std::vector<Result> results_;
  std::vector<Rule> rules_;
};

}  // namespace tir::db::testkit
