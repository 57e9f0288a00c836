#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "db/value.h"

namespace tir::db {

enum class DbKind : std::uint8_t { kSQLite, kMSSQL };

// One prepared statement of a backend. Parameters are bound by position in the list of names the
// statement was prepared with. Text and blob values may be bound without a copy: the bound Value
// must stay unchanged until the statement is reset or rebound. Errors raise DbError.
class Statement {
 public:
  virtual ~Statement() = default;
  virtual void Bind(std::size_t index, const Value& value) = 0;
  // Runs to the next row; false when the statement is done.
  virtual bool Step() = 0;
  virtual void Reset() = 0;  // ready to run again; bindings are kept until rebound
  virtual std::size_t ColumnCount() const = 0;
  virtual std::string ColumnName(std::size_t index) const = 0;
  virtual Value Column(std::size_t index) const = 0;
  // Rows changed by the last completed run (INSERT/UPDATE/DELETE), 0 for queries.
  virtual std::int64_t RowsChanged() const = 0;

  // Array DML: runs the statement once for each of `rows` parameter rows, `value(row, index)`
  // giving the value of parameter `index` (of `params`) in that row, and returns the rows changed
  // in all. On failure sets `failedRow` and raises DbError. This default binds and runs row by
  // row; a backend with parameter arrays sends the rows at once.
  using RowValue = std::function<const Value&(std::size_t row, std::size_t index)>;
  virtual std::int64_t RunRows(std::size_t rows, std::size_t params, const RowValue& value,
                               std::size_t& failedRow);
};

// The host's open database connection. The host owns it; the module binds query objects to it and
// never opens or closes one itself.
class Connection {
 public:
  virtual ~Connection() = default;
  Connection() = default;
  Connection(const Connection&) = delete;
  Connection& operator=(const Connection&) = delete;

  virtual DbKind Kind() const = 0;

  // `sql` is one statement whose parameters were written ":name"; `paramNames` lists them in
  // order of first appearance in that statement. Backends keep or rewrite the markers as they need.
  virtual std::unique_ptr<Statement> Prepare(const std::string& sql,
                                             const std::vector<std::string>& paramNames) = 0;

  virtual bool InTransaction() const = 0;
  virtual void StartTransaction() = 0;
  virtual void Commit() = 0;
  virtual void Rollback() = 0;
};

}  // namespace tir::db
