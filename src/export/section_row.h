#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "db/query.h"
#include "export/json_out.h"

namespace tir::exporting {

// Writes members of the current row of an open section query into the open object of `out`.
// Columns are looked up by name once per section (Col) and read by index per row.
class TSectionRow {
 public:
  TSectionRow(const db::Query& query, TJsonOut& out) : q_(query), out_(out) {}

  std::size_t Col(std::string_view name) const;
  const db::Value& At(std::size_t col) const { return q_.FieldByIndex(col).Get(); }
  bool IsNull(std::size_t col) const { return At(col).IsNull(); }
  std::int64_t Int64(std::size_t col) const { return At(col).AsInt64(); }
  std::string Text(std::size_t col) const { return At(col).AsText(); }
  std::string Guid(std::size_t col1, std::size_t col2) const;

  void Str(std::string_view key, std::size_t col);
  void Int(std::string_view key, std::size_t col);
  void Int64(std::string_view key, std::size_t col);
  void Num(std::string_view key, std::size_t col);
  void Date(std::string_view key, std::size_t col);
  void Guid(std::string_view key, std::size_t col1, std::size_t col2);

  TJsonOut& Out() { return out_; }

 private:
  const db::Query& q_;
  TJsonOut& out_;
};

}  // namespace tir::exporting
