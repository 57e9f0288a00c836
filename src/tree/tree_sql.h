#pragma once

#include <cstdint>
#include <initializer_list>
#include <string>

#include "db/query.h"

// Small helpers shared by the tree code for loading statement texts into a query.
namespace tir::tree::detail {

// Table macro names used by the tree statements.
inline constexpr const char* kTableMacro = "paramTblName";
inline constexpr const char* kShortTableMacro = "T";

// Closes the query, loads `sql` and names the table through `macro` (raises tir::db::DbError when
// the table name is not a plain identifier).
void LoadTreeSql(db::Query& query, const std::string& sql, const std::string& table,
                 const char* macro = kTableMacro);

// The pair of a 36-character GUID text (read with braces added); raises tir::EConvertError when
// the text is not a GUID.
void ParseGuidPair(const std::string& text, std::int64_t& guid1, std::int64_t& guid2);

// Number of characters (code points) of a UTF-8 text.
std::size_t Utf8Length(const std::string& text);

// Replaces the "%d" markers of a message pattern with the numbers, in order.
std::string FormatMessage(const std::string& pattern, std::initializer_list<long long> values);

}  // namespace tir::tree::detail
