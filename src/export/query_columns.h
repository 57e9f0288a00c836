#pragma once

#include <cstddef>
#include <string>
#include <string_view>

#include "db/query.h"

namespace tir::exporting {

// Index of a column of an open query (names compare case-insensitively); raises tir::db::DbError
// when the query has no such column. Sections resolve their columns once and read rows by index.
std::size_t ColumnOf(const db::Query& query, std::string_view name);

// The 36-character GUID text of two columns of the current row (NULLs read as 0).
std::string GuidOf(const db::Query& query, std::size_t col1, std::size_t col2);

// The tirGoods columns (alias tg) both goods queries read: fId to fProcLost, with "fColor" after
// "fVATGroup" when `withColor`, then `beforeExtras` and the five extra fields fpdop1..fpdop5.
std::string GoodsTableColumns(bool withColor, const std::string& beforeExtras);

}  // namespace tir::exporting
