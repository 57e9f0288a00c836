#include "db/connection.h"

namespace tir::db {

std::int64_t Statement::RunRows(std::size_t rows, std::size_t params, const RowValue& value,
                                std::size_t& failedRow) {
  std::int64_t total = 0;
  for (std::size_t row = 0; row < rows; ++row) {
    failedRow = row;
    for (std::size_t k = 0; k < params; ++k) Bind(k, value(row, k));
    try {
      while (Step()) {
      }
    } catch (...) {
      Reset();
      throw;
    }
    total += RowsChanged();
    Reset();
  }
  return total;
}

}  // namespace tir::db
