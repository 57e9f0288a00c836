#pragma once

#include <cstddef>
#include <string_view>

#include "db/query.h"

namespace tir::exporting {

// Index of a column of an open query (names compare case-insensitively); raises tir::db::DbError
// when the query has no such column. Sections resolve their columns once and read rows by index.
std::size_t ColumnOf(const db::Query& query, std::string_view name);

// The 36-character GUID text of two columns of the current row (NULLs read as 0).
std::string GuidOf(const db::Query& query, std::size_t col1, std::size_t col2);

}  // namespace tir::exporting
