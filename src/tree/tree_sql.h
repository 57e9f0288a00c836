#pragma once

#include <cstdint>
#include <exception>
#include <initializer_list>
#include <string>

#include "db/query.h"
#include "tree/tree_types.h"

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

// Sets a result's code and message; Succeed clears the message.
void Fail(TFuncR& result, int code, const std::string& message);
void Succeed(TFuncR& result);

// Runs an operation's body, which fills the result. An error it raises closes the query and ends
// as `errorCode` with `prefix` followed by the error text.
template <typename Body>
TFuncR RunGuarded(db::Query& query, const char* prefix, int errorCode, Body body) {
  TFuncR result;
  try {
    body(result);
  } catch (const std::exception& e) {
    query.Close();
    Fail(result, errorCode, std::string(prefix) + e.what());
  }
  return result;
}

// Runs a body that looks up or creates an id; any error closes the query and gives 0.
template <typename Body>
int IdOrZero(db::Query& query, Body body) {
  try {
    return body();
  } catch (const std::exception&) {
    query.Close();
    return 0;
  }
}

}  // namespace tir::tree::detail
