#pragma once

#include <string>

#include "db/query.h"
#include "export/json_out.h"

namespace tir::exporting {

// Writes the group tree of a nested-set group table as `key`: an array of group objects
// ("name", "fullpath", "level", "lid", "guid", and "children" for groups that have any), read
// with one query ordered by the left bound; the root row is skipped. "level" and "lid" are 32-bit
// integers. Raises std::invalid_argument for a table name that is not a plain identifier and
// tir::db::DbError for database errors.
void WriteGroupTree(db::Query& query, const std::string& table, const std::string& key,
                    TJsonOut& out);

}  // namespace tir::exporting
