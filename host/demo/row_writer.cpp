#include "host/demo/row_writer.h"

#include <algorithm>
#include <stdexcept>

#include "db/sql_text.h"

namespace tir::demo {

RowWriter::RowWriter(tir::db::Connection& connection, const std::string& table,
                     const std::vector<std::string>& columns, std::size_t batchRows)
    : query_(connection), columnCount_(columns.size()), batchRows_(batchRows) {
  if (!tir::db::IsPlainIdentifier(table)) throw std::invalid_argument("bad table name " + table);
  std::string names, params;
  for (const auto& column : columns) {
    if (!tir::db::IsPlainIdentifier(column)) {
      throw std::invalid_argument("bad column name " + column);
    }
    names += (names.empty() ? "" : ", ") + column;
    params += (params.empty() ? ":p" : ", :p") + column;
  }
  query_.SetSql("INSERT INTO " + table + " (" + names + ") VALUES (" + params + ");");
  query_.SetArraySize(capacity_ = std::min<std::size_t>(batchRows_, 64));
}

void RowWriter::Add(std::vector<tir::db::Value> row) {
  if (row.size() != columnCount_) {
    throw std::invalid_argument("row of " + std::to_string(row.size()) + " values for " +
                                std::to_string(columnCount_) + " columns");
  }
  for (std::size_t i = 0; i < columnCount_; ++i) {
    query_.ParamByIndex(i).SetAt(pending_, std::move(row[i]));
  }
  if (++pending_ < capacity_) return;
  if (capacity_ < batchRows_) {
    // Small catalogs stay small: the parameter array grows as rows come.
    query_.SetArraySize(capacity_ = std::min(capacity_ * 2, batchRows_));
  } else {
    Flush();
  }
}

void RowWriter::Flush() {
  if (pending_ == 0) return;
  if (pending_ != capacity_) query_.SetArraySize(pending_);
  query_.ExecuteArray();
  written_ += static_cast<std::int64_t>(pending_);
  if (pending_ != capacity_) query_.SetArraySize(capacity_);
  pending_ = 0;
}

}  // namespace tir::demo
