#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "db/connection.h"
#include "db/odbc_params.h"
#include "db/sql_text.h"

namespace tir::db::odbc {

// One prepared ODBC statement (see OdbcConnection for the rules it follows). It runs when first
// stepped after a reset; its results are walked until one has columns, whose rows Step() reads;
// the results after it are drained (row counts summed, errors raised) once its rows are done.
class OdbcStatement final : public Statement {
 public:
  // Takes ownership of `stmt`, already prepared with `text`.
  OdbcStatement(void* stmt, DbKind kind, std::string sql, PositionalText text,
                std::size_t paramCount);
  ~OdbcStatement() override;
  OdbcStatement(const OdbcStatement&) = delete;
  OdbcStatement& operator=(const OdbcStatement&) = delete;

  void Bind(std::size_t index, const Value& value) override;
  bool Step() override;
  void Reset() override;
  std::size_t ColumnCount() const override;
  std::string ColumnName(std::size_t index) const override { return names_.at(index); }
  Value Column(std::size_t index) const override { return row_.at(index); }
  std::int64_t RowsChanged() const override { return changed_; }
  std::int64_t RunRows(std::size_t rows, std::size_t params, const RowValue& value,
                       std::size_t& failedRow) override;

 private:
  enum class ColumnKind : std::uint8_t { kInt, kDouble, kDateTime, kDateText, kText, kBlob };

  // Binds every marker for `rows` parameter rows and runs; leaves the statement on its first
  // result with columns, if any. On failure `failedRow_` names the parameter row that failed.
  void Execute(std::size_t rows, const RowValue& value);
  bool NextResultWithColumns(bool take);  // false when the results are done
  void DescribeColumns(SQLSMALLINT count);
  void ReadRow();
  Value ReadColumn(SQLUSMALLINT column, ColumnKind kind);
  Value ReadVariable(SQLUSMALLINT column, SQLSMALLINT cType);
  void Close();
  [[noreturn]] void Fail(const std::string& fallback);

  void* stmt_;
  DbKind kind_;
  std::string sql_;
  PositionalText text_;
  std::vector<Value> values_;  // bound by Bind, one per parameter name
  std::vector<ParamBuffer> buffers_;
  std::vector<SQLUSMALLINT> status_;
  SQLULEN processed_ = 0;            // parameter rows the driver took on
  SQLSMALLINT preparedColumns_ = 0;  // as the driver describes the statement before it runs
  bool executed_ = false;
  bool inResult_ = false;  // positioned on a result with columns
  std::vector<std::string> names_;
  std::vector<ColumnKind> kinds_;
  std::vector<Value> row_;
  std::int64_t changed_ = 0;
  std::size_t failedRow_ = 0;
};

}  // namespace tir::db::odbc
