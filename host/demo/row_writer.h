#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/query.h"
#include "db/value.h"

namespace tir::demo {

// Inserts rows into one table through array DML: rows are collected into the parameter array of
// one prepared INSERT and executed batch by batch. Flush() writes what is left; the destructor
// does not write (a failed generation must not add more rows).
class RowWriter {
 public:
  RowWriter(tir::db::Connection& connection, const std::string& table,
            const std::vector<std::string>& columns, std::size_t batchRows = 4096);

  // One row: the values in column order.
  void Add(std::vector<tir::db::Value> row);
  void Flush();
  std::int64_t RowsWritten() const { return written_; }

 private:
  tir::db::Query query_;
  std::size_t columnCount_;
  std::size_t batchRows_;
  std::size_t capacity_ = 0;  // current size of the parameter array
  std::size_t pending_ = 0;
  std::int64_t written_ = 0;
};

}  // namespace tir::demo
