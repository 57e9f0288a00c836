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

// The document queries' texts: the header columns of tirDocuments (t1) with the GUIDs of what a
// document refers to, the joins those GUIDs come from, and the line columns of tirDocGoods (td)
// with the GUIDs of the good (tg) and its parent good (tg2).
extern const char* const kDocHeaderColumns;
extern const char* const kDocHeaderJoins;
extern const char* const kDocLineColumns;

// The recipe rows (tirRecipes) with the GUIDs of the dish (tg1) and its component (tg2), ordered by
// dish.
extern const char* const kRecipesSql;

// The tirGoods columns (alias tg) both goods queries read: fId to fProcLost, with "fColor" after
// "fVATGroup" when `withColor`, then `beforeExtras` and the five extra fields fpdop1..fpdop5.
std::string GoodsTableColumns(bool withColor, const std::string& beforeExtras);

// The joins of both goods queries: each good's group (t2), main partner (tp) and classification
// code (tuktzed), and with `withStock` its balance rows (tstr) of the listed entities and stores
// (all when a list is empty). The id lists must have been checked.
std::string GoodsJoins(bool withStock, const std::string& entIds, const std::string& storeIds);

}  // namespace tir::exporting
